#include "core/MenuSetup.h"

#include <cstdint>

namespace {
uint16_t gMenusSetUp = 0;
uint16_t gMenusChanged = 0;
uint16_t gMenuBarRedraw = 0;
}  // namespace

void InvalidateMenuSetup() {
  gMenusSetUp = 0;
}
void MarkMenusSetUp() {
  gMenusSetUp = 1;
}
bool MenusNeedSetup() {
  return gMenusSetUp == 0;
}

void MarkMenusChanged() {
  gMenusChanged = 1;
}
void ClearMenusChanged() {
  gMenusChanged = 0;
}
bool MenusChanged() {
  return gMenusChanged != 0;
}

void InvalidateMenuBar() {
  gMenuBarRedraw = 1;
}
bool MenuBarNeedsRedraw() {
  return gMenuBarRedraw != 0;
}
void ClearMenuBarRedraw() {
  gMenuBarRedraw = 0;
}
