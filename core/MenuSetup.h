#pragma once
// The process-wide flags that say when the menus must be set up again: whether they reflect the
// current state, whether their items changed, and whether the menu bar must be drawn again.
// Anything that changes what is enabled clears the set-up flag; the application's menu set-up
// runs again when it finds it clear.

// Clears the menus-set-up flag.
void InvalidateMenuSetup();
// Sets the flag after the menus have been set up.
void MarkMenusSetUp();
// True when the flag is clear.
bool MenusNeedSetup();

// The menus-changed flag: items were added or removed.
void MarkMenusChanged();
void ClearMenusChanged();
bool MenusChanged();

// The redraw flag: set when the bar changed, cleared by RedrawMenuBar (MenuCommands.h).
void InvalidateMenuBar();
bool MenuBarNeedsRedraw();
void ClearMenuBarRedraw();
