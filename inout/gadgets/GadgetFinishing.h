#pragma once
// What the creation tools do once new gadgets exist: fill the gadget's name from the objects it
// was made for, fit its size, and, for input controls, hand the inputs' formula names to the
// object they drive so that its property follows them.

#include <cstdint>

#include "core/PString.h"

class TInOutput;
class TInput;
class TLink;

// The name by which formulas read an input: "Input[" + its object number + "]".
Str255 InputFormulaName(const TLink& input);

// Placeholders of the name filled with the targets' names (and, for a meter, of its column
// formulas), then the size fitted; a framed meter that shows its name is made wide enough for it.
void FinishGadget(TInOutput& gadget, const TLink* firstTarget, const TLink* secondTarget);

// The inputs made by the command take their names from the target; the target, when it takes the
// command, binds its property to them and gives their starting values and ranges; each range is
// then widened to hold its value. Answers whether the target took the inputs.
bool FinishInputControls(int16_t command, TInput& first, TInput* second, TLink* target);
