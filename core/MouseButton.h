#pragma once
// Whether the left mouse button is down now, asked of the physical state so that tracking loops
// that do not pump messages still see it go up.

bool IsMouseButtonDown();
