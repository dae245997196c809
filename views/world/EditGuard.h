#pragma once
// The guard that editing commands pass before they are made: a locked world that holds a run
// takes no edit. The user is asked whether to reset the world (which forgets the run); either
// way the command is abandoned silently.

#include <cstdint>

class TWorldDoc;

inline constexpr int16_t kLockedWithRunAlert = 1503;

// Nothing when the world may be edited; otherwise asks alert 1503, posts the reset command
// (1032) when the user agrees, and raises the silent failure 0.
void GuardEdit(TWorldDoc& world);
