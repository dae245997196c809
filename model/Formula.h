#pragma once
// A formula-valued quantity: either a plain number, or a formula text that is compiled by the
// formula compiler and evaluated on demand against an environment that answers for the world.
//
// A formula may carry a data record beside its text: a name, two numbers, a long and a list of
// (number, long) elements. The quantity keeps and copies the record but gives its numbers no
// meaning of its own. In a stream the record stands in place of the text, so its name carries
// both: "#" + the element count in decimal + ":" + the text. No formula text can begin with "#"
// (the language does not use the character), so a reader tells a record from a text by its
// first character. A record named "#" alone is never filed: it means "no record".

#include <cstdint>
#include <limits>
#include <optional>
#include <string_view>
#include <vector>

#include "core/PString.h"
#include "solver/formula/FormulaEnvironment.h"
#include "solver/formula/FormulaErrors.h"
#include "solver/formula/FormulaProgram.h"

struct TFormulaElement {
  double value = 0.0;
  int32_t code = 0;
  bool operator==(const TFormulaElement&) const = default;
};

struct TFormulaRecord {
  Str255 name = "#";
  double first = 0.0;
  double second = 0.0;
  int32_t kind = 0;
  std::vector<TFormulaElement> elements;

  // Whether the record is written into streams (its name is not "#").
  bool IsFiled() const { return !(name.Length() == 1 && name.Chars()[0] == '#'); }
};

// The record code that follows a record's name in a stream.
inline constexpr int16_t kFormulaRecordCode = 3;
// The longest stored string a reader keeps; a record's name must fit it.
inline constexpr int kFormulaRecordNameLimit = 254;

// Splits a record name into its element count and text; false when the name is not one that
// MakeFormulaRecordName makes.
bool ParseFormulaRecordName(const Str255& name, int32_t& count, Str255& text);
// The name of a record of count elements for the text; false when it would not fit a stored
// string.
bool MakeFormulaRecordName(const Str255& text, int32_t count, Str255& name);

class TFormula {
 public:
  // The value of a formula that has not been evaluated yet; displays show it as "no value".
  static constexpr double kNoValue = std::numeric_limits<double>::max();

  // A new quantity is the constant 0.
  TFormula() = default;
  explicit TFormula(double constant) { SetConstant(constant); }
  TFormula(const TFormula&) = default;
  TFormula& operator=(const TFormula&) = default;

  // True when the quantity holds a text to evaluate, false for a plain constant.
  bool IsFormula() const { return isFormula_; }
  // The constant, or the value the formula had when it was last evaluated (kNoValue before).
  double GetValue() const { return value_; }
  // The formula's text; for a constant, the shortest decimal text that reads back as it.
  void GetText(Str255& text) const;

  // Makes the quantity the constant; any text and record are dropped.
  void SetConstant(double value);
  // Makes the quantity the formula text, with the record when one is given (a record named "#"
  // counts as none). The text is kept even when it does not compile (CompileError says why),
  // so nothing read from a document is lost. A text that begins with "#" cannot be a formula
  // and would read back as a record: it is refused with the bad-character error (-28819), and
  // a record whose name would not fit a stored string with -28811; the quantity is then
  // unchanged.
  void SetFromPieces(const Str255& text, const TFormulaRecord* record = nullptr);

  // The record the formula carries, or null.
  const TFormulaRecord* GetRecord() const { return record_ ? &*record_ : nullptr; }

  // 0 when the text compiled, else the error number of the fault (-28819 .. -28809), with the
  // 0-based offset of the fault in the text.
  int32_t CompileError() const { return compileError_; }
  int32_t ErrorPosition() const { return errorPosition_; }
  // True when evaluation reads something of the world (objects, inputs, time).
  bool NeedsWorld() const { return isFormula_ && program_.NeedsWorld(); }

  // Computes the value against the environment (null when no world is at hand), keeps it as the
  // current value and answers it. A constant answers itself. Faults are raised as failures with
  // their error numbers: the compile error, -28803 when the formula reads the world and none was
  // given, or the evaluation fault (-28808 .. -28804); the current value is then unchanged.
  double Evaluate(const FormulaEnvironment* environment);

 private:
  bool isFormula_ = false;
  double value_ = 0.0;
  Str255 text_;
  std::optional<TFormulaRecord> record_;
  FormulaProgram program_;
  int32_t compileError_ = 0;
  int32_t errorPosition_ = 0;
};
