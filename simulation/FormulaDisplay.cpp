#include "simulation/FormulaDisplay.h"

#include "core/geometry/NumberFormat.h"
#include "simulation/UnitHandler.h"

void FormatFormulaForDisplay(const TFormula& formula, const TWorldUnitHandler* units,
                             int32_t dimension, int16_t digits, Str255& out) {
  if (formula.IsFormula()) {
    formula.GetText(out);
    return;
  }
  if (units == nullptr) {
    FormatNumber(out, digits, formula.GetValue());
    return;
  }
  units->FormatValue(dimension, 1, digits, formula.GetValue(), out);
}
