#pragma once
// World > New Custom Constraint: a constraint attached to nothing, whose goals are formulas the
// user writes and the run holds at 0. The command puts a new one into the world, undoably, makes
// it the selection and shows the Properties window, where its goals and condition are edited (as
// they are again whenever the Object list there chooses it).

#include <cstdint>
#include <memory>

class TCommandCore;
class TWorldDoc;

// The command for the command number, or null when it is another command's.
std::unique_ptr<TCommandCore> MakeCustomConstraintCommand(int16_t command, TWorldDoc& world);
