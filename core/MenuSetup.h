#pragma once
// The process-wide flag that says whether the menus reflect the current state. Anything that
// changes what is enabled clears it; the application's menu set-up runs again when it is clear.

// Clears the menus-set-up flag.
void InvalidateMenuSetup();
// Sets the flag after the menus have been set up.
void MarkMenusSetUp();
// True when the flag is clear.
bool MenusNeedSetup();
