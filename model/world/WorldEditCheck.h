#pragma once
// The edit check every editing command of a world runs first, and the world an object is in.

#include <cstdint>

class TLink;
class TWorldDoc;

// Asked of the user before an edit of a world that holds recorded frames.
inline constexpr int16_t kEditRecordedWorldAlert = 1503;

// The world an object is linked with, or null.
TWorldDoc* WorldOf(const TLink& object);
// Before an edit: while the world runs or shows a frame past its start the user is asked whether
// to reset it (a yes queues the reset), and the edit is abandoned silently (error 0) either way.
// An edit at the start goes ahead and the world forgets the frames recorded from it.
void CheckWorldEdit(TWorldDoc& world);
