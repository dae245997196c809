#pragma once
// Whether the left mouse button is down, as the tracking loops that ask it have come to know:
// they take the mouse moves from the queue one by one and only look at the buttons, so the
// button stays down until the release is the next of the mouse's messages waiting, even when the
// desktop has already reported it (a quick drag brings its moves and its release together). The
// desktop's waiting events are taken in first, so a loop that does not pump messages still sees
// the button go up.

bool IsMouseButtonDown();
