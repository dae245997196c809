#pragma once
// The edit check every editing command of a world runs first, and the world an object is in.

#include <cstdint>
#include <vector>

class TLink;
class TWorldDoc;

// Asked of the user before an edit of a world that holds recorded frames.
inline constexpr int16_t kEditRecordedWorldAlert = 1503;

// The world an object is linked with, or null.
TWorldDoc* WorldOf(const TLink& object);
// Whether the world runs or shows a frame past its start: its bodies then hold a frame of the
// run, not the start, so an edit now would make that frame the world's start.
bool ShowsARun(const TWorldDoc& world);
// While the world shows a run the user is asked whether to reset it (a yes queues the reset),
// and the edit is abandoned silently (error 0) either way; at the start nothing happens. What
// asks before an edit begins (a dialog before it opens) runs this alone.
void RefuseEditOfRun(TWorldDoc& world);
// Before an edit: RefuseEditOfRun; an edit at the start goes ahead and the world forgets the
// frames recorded from it.
void CheckWorldEdit(TWorldDoc& world);
// Whether the solver is handed the object: a thing of the world (a body, point or constraint)
// or the world's engine settings. The world's own settings (its view, scale and frame display),
// its units, its controls and meters and its export settings are not.
bool SolverTakes(const TWorldDoc& world, const TLink* object);
// Document blocks are numbered from this on; the copy the solver is handed leaves them out.
inline constexpr int16_t kFirstDocumentBlock = 5000;
