#pragma once
// The program-wide live-update flag of the editing tools: clear while a new block of text is
// dragged into place, 1 otherwise.

#include <cstdint>

uint16_t GetLiveUpdate();
void SetLiveUpdate(uint16_t on);
