#pragma once
// A real left click at a screen point of the X display, through the X test extension (kept apart
// because the X headers define names that clash with the test framework's).

// False when the display cannot be opened.
bool FakeLeftClick(int x, int y);
