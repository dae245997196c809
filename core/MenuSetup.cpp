#include "core/MenuSetup.h"

#include <cstdint>

namespace {
uint16_t gMenusSetUp = 0;
}

void InvalidateMenuSetup() { gMenusSetUp = 0; }
void MarkMenusSetUp() { gMenusSetUp = 1; }
bool MenusNeedSetup() { return gMenusSetUp == 0; }
