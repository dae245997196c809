#pragma once
// A quantity as the user sees it in a field or the formula editor: a constant as its value in
// the display units of its dimension, with the digits asked for; a formula as its text, which is
// kept as it was typed (its unit record turns what it computes into internal units), so it is
// shown unchanged.

#include <cstdint>

#include "core/PString.h"
#include "model/Formula.h"

class TWorldUnitHandler;

// Without a handler, a constant is shown in internal units with the digits through the general
// number format.
void FormatFormulaForDisplay(const TFormula& formula, const TWorldUnitHandler* units,
                             int32_t dimension, int16_t digits, Str255& out);
