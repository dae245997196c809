#pragma once

#include <vector>

#include "platform/win32/WindowTypes.h"

// A modal window (a dialog's run, an alert) answers alone: the program's other enabled top-level
// windows, its owner and the floating windows among them, are disabled while it is up, so no
// input reaches them and none can come in front of it. Answers the windows it disabled.
std::vector<HWND> DisableOtherWindows(HWND modal);

// Enables again those of the windows still there, and forgets them.
void EnableAgain(std::vector<HWND>& windows);
