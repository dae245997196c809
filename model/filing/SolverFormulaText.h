#pragma once
// Formula texts as the solver reads them. A user may name an object by its name ("Ball.p.x + 1"),
// and the program itself names a body by its description in what the body records with every
// frame ("Ball.charge"). The solver stream carries no names: the solver knows objects only by kind
// and stream identifier. When the world is handed to the solver, every named reference of a
// formula text is written as `body[n]`, `point[n]` or `Constraint[n]` instead, while the document
// keeps the user's own text.

#include <cstdint>
#include <string>
#include <string_view>

#include "solver/formula/FormulaEnvironment.h"

// Answers which object a name stands for. number is the number written in brackets after the
// name ("Gear[2]"), or -1 when it has none.
class TFormulaNamer {
 public:
  virtual ~TFormulaNamer() = default;
  // True with the object (a body, point or constraint) when the name stands for one.
  virtual bool Resolve(std::string_view name, int32_t number, FormulaObject& object) const = 0;

 protected:
  TFormulaNamer() = default;
  TFormulaNamer(const TFormulaNamer&) = default;
  TFormulaNamer& operator=(const TFormulaNamer&) = default;
};

// The text with every reference by name written by kind and identifier. A reference the namer
// does not resolve, and a text that does not compile, stay as they are: the solver then reports
// them as it would have. Spacing and everything else of the text are kept.
std::string SolverFormulaText(std::string_view text, const TFormulaNamer& namer);
