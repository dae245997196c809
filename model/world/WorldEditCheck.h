#pragma once
// The edit check every editing command of a world runs first, and the world an object is in.

#include <cstdint>

class TLink;
class TWorldDoc;

// Asked of the user before an edit of a world that holds recorded frames.
inline constexpr int16_t kEditRecordedWorldAlert = 1503;

// The world an object is linked with, or null.
TWorldDoc* WorldOf(const TLink& object);
// Before an edit: while the world holds recorded frames of a run the user is asked whether to
// reset it; a yes puts the world back at frame 0, forgets the run and queues the reset, so that
// the command chosen again goes ahead. The edit asked about is abandoned silently (error 0).
void CheckWorldEdit(TWorldDoc& world);
