#pragma once
// A formula-valued quantity: either a plain number, or a formula text that is compiled by the
// formula compiler and evaluated on demand against an environment that answers for the world.
//
// A formula keeps its current value beside its text: the value it had when it was last
// evaluated, or the value stored into it (a recorded frame shown, a position dragged). GetValue
// answers that value; evaluation against the world is the simulation layer's (Evaluate with an
// environment). A text that names nothing of the world is evaluated as soon as it is set.
//
// A formula may carry a unit record: the factor that turns what its text computes (written in
// display units) into internal units, a saved copy of that factor, and the dimension code of the
// result. Without a record the factor is 1.
//
// A formula may carry a data record beside its text: a name, two numbers, a long and a list of
// (number, long) elements. The quantity keeps and copies the record but gives its numbers no
// meaning of its own. In a stream the record stands in place of the text, so its name carries
// both: "#" + the element count in decimal + ":" + the text. No formula text can begin with "#"
// (the language does not use the character), so a reader tells a record from a text by its
// first character. A record named "#" alone is never filed: it means "no record".

#include <cstdint>
#include <limits>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/PString.h"
#include "core/TObject.h"
#include "model/ScriptSlot.h"
#include "solver/formula/FormulaEnvironment.h"
#include "solver/formula/FormulaErrors.h"
#include "solver/formula/FormulaProgram.h"

class TUnitHandler;

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
  bool operator==(const TFormulaRecord& other) const {
    return name == other.name && first == other.first && second == other.second &&
           kind == other.kind && elements == other.elements;
  }
};

// The unit record of a formula (see above).
struct TFormulaUnits {
  double factor = 1.0;
  double savedFactor = 1.0;
  int32_t unitKind = 0;
  bool operator==(const TFormulaUnits&) const = default;
};

// The record code that follows a record's name in a stream.
inline constexpr int16_t kFormulaRecordCode = 3;
// In a document, a formula typed in units other than the internal ones is filed as a text item
// holding this mark, its unit factor and dimension code, then the formula item itself: the text
// keeps meaning what it meant when it was typed, whatever units the world shows later. The mark
// is no record name (those have digits after the "#").
inline constexpr char kFormulaUnitsMark[] = "#U";
// The longest record name: whatever a stored string holds, so that every name a reader keeps can
// be filed again.
inline constexpr int kFormulaRecordNameLimit = Str255::kCapacity;

// Splits a record name into its element count and text; false when the name is not one that
// MakeFormulaRecordName makes.
bool ParseFormulaRecordName(const Str255& name, int32_t& count, Str255& text);
// The name of a record of count elements for the text; false when it would not fit a stored
// string.
bool MakeFormulaRecordName(const Str255& text, int32_t count, Str255& name);

// A formula text whose value is in units of factor, made a text whose value is in internal units.
std::string TextInInternalUnits(std::string_view text, double factor);

// A double as text with 18 significant digits in the general format, as the field constraints
// write numbers into their formula texts.
void FormatDoubleText(double value, Str255& out);

class TFormula : public TObject {
  DECLARE_CLASS_ID(624, TObject)

 public:
  // The value of a formula that has not been evaluated yet; displays show it as "no value".
  static constexpr double kNoValue = std::numeric_limits<double>::max();

  // A new quantity is the constant 0.
  TFormula() = default;
  explicit TFormula(double constant) { SetConstant(constant); }
  TFormula(const TFormula&) = default;
  TFormula& operator=(const TFormula&) = default;
  ~TFormula() override = default;

  // A new quantity holding the constant 0 (raises -108 when memory runs out).
  static std::unique_ptr<TFormula> New();
  // Copies another quantity's constant or text, record, units and current value; assigning a
  // quantity to itself does nothing.
  void Assign(const TFormula& other);
  // True when both hold the same: the same constant, or the same text with the same record and
  // units.
  bool Equals(const TFormula& other) const;

  // True when the quantity holds a text to evaluate, false for a plain constant.
  bool IsFormula() const { return isFormula_; }
  // A constant at or below 0; false for a formula.
  bool IsNotPositiveConstant() const { return !isFormula_ && value_ <= 0.0; }
  // A constant other than 0; false for a formula.
  bool IsNonZeroConstant() const { return !isFormula_ && value_ != 0.0; }
  // The constant 0.
  bool IsZeroConstant() const { return !isFormula_ && value_ == 0.0; }
  // The constant, or the current value of the formula (kNoValue before it has one).
  double GetValue() const { return value_; }
  // The formula's text; for a constant, the shortest decimal text that reads back as it.
  void GetText(Str255& text) const;

  // Makes the quantity the constant; any text, record and units are dropped.
  void SetConstant(double value);
  // Stores value as the current value. A formula keeps its text and program (a recorded value
  // shown, a position dragged); a constant becomes value.
  void StoreConstant(double value);
  // 0 makes a formula the constant of its current value (0 when it has none); any other flag
  // leaves the quantity as it is, since a constant has no text to become.
  void SetIsFormula(uint16_t flag);
  // Makes the quantity the formula text, with the record when one is given (a record named "#"
  // counts as none). The text is kept even when it does not compile (CompileError says why),
  // so nothing read from a document is lost. A text that begins with "#" cannot be a formula
  // and would read back as a record: it is refused with the bad-character error (-28819), and
  // a record whose name would not fit a stored string with -28811; the quantity is then
  // unchanged. Units are kept.
  void SetFromPieces(const Str255& text, const TFormulaRecord* record = nullptr);
  // Text as the user typed it in the units of handler for the dimension code: a plain number
  // becomes the constant in internal units; anything else becomes the formula text, compiled
  // with the factor from display units, and the unit record keeps factor and code. Without a
  // handler the factor is 1. Answers 0 or the compiler's error number (the text is then kept,
  // as by SetFromPieces).
  int16_t SetFormattedText(const Str255& text, TUnitHandler* handler, int32_t unitCode);
  // Compiles the text again with the factor from display units; the dimension code of the
  // unit record goes to unitKind when it is not null. Answers 0 or the compiler's error number;
  // a fault leaves the quantity unusable as a formula until its text is set again. A constant
  // answers 0.
  int16_t Compile(double factorFromDisplay, int32_t* unitKind);
  // Appends text to the formula text and compiles the whole; a constant first becomes its text.
  // Raises -28811 when the result would not fit a stored string.
  void AppendTerm(const Str255& text);
  // Appends another quantity's text, or its number (FormatDoubleText) for a constant.
  void CombineTerms(const TFormula& other);

  // The record the formula carries, or null.
  const TFormulaRecord* GetRecord() const { return record_ ? &*record_ : nullptr; }
  // The unit record, or null when the formula has none.
  const TFormulaUnits* GetUnits() const { return units_ ? &*units_ : nullptr; }
  // The text that computes the formula's value in internal units, as the solver needs it: the
  // text itself, or for a formula typed in other units, the text times its unit factor.
  std::string InternalText() const;
  void SetUnits(const TFormulaUnits& units) { units_ = units; }
  void ClearUnits() { units_.reset(); }

  // Hold (1) keeps the current value through recomputation: Evaluate answers it without asking
  // the world. Release (0) lets evaluation go on.
  void Hold(uint16_t flag) { held_ = flag != 0; }
  bool IsHeld() const { return held_; }

  // 0 when the text compiled, else the error number of the fault (-28819 .. -28809), with the
  // 0-based offset of the fault in the text.
  int32_t CompileError() const { return compileError_; }
  int32_t ErrorPosition() const { return errorPosition_; }
  // True when evaluation reads something of the world (objects, inputs, time).
  bool NeedsWorld() const { return isFormula_ && program_.NeedsWorld(); }
  // The compiled program (empty for a constant or a text that did not compile).
  const FormulaProgram& Program() const { return program_; }

  // Computes the value against the environment (null when no world is at hand), multiplied by
  // the unit factor, keeps it as the current value and answers it. A constant answers itself,
  // a held formula its current value. Faults are raised as failures with their error numbers:
  // the compile error, -28803 when the formula reads the world and none was given, or the
  // evaluation fault (-28808 .. -28804); the current value is then unchanged.
  double Evaluate(const FormulaEnvironment* environment);

  // The quantity's script cell: made through the scripting layer's maker on the first request
  // that names a parent, kept (one reference) while the quantity lives; a copy has none.
  static void SetCellMaker(const TScriptObjectMaker<TFormula>& maker) {
    TScriptSlot<TFormula>::SetMaker(maker);
  }
  CCmdTarget* GetAPICell(CCmdTarget* parent) { return cell_.Get(*this, parent); }
  CCmdTarget* KeptAPICell() const { return cell_.Kept(); }
  // The cell went first.
  void ForgetAPICell() { cell_.Forget(); }

 private:
  void Recompile();
  double Factor() const { return units_ ? units_->factor : 1.0; }

  bool isFormula_ = false;
  bool held_ = false;
  double value_ = 0.0;
  Str255 text_;
  std::optional<TFormulaRecord> record_;
  std::optional<TFormulaUnits> units_;
  FormulaProgram program_;
  int32_t compileError_ = 0;
  int32_t errorPosition_ = 0;
  TScriptSlot<TFormula> cell_;
};

// A new quantity holding the constant 0; the same as TFormula::New.
std::unique_ptr<TFormula> NewFormula();
// Frees a quantity that its holder owns by pointer (null allowed).
void DeleteFormula(TFormula* formula);

// One piece of a formula text as TokenizeFormula splits it.
struct TFormulaToken {
  enum class Kind : uint8_t { kNumber, kName, kOperator, kSpace };
  Kind kind = Kind::kOperator;
  std::string text;
};

// Splits formula text at its operator characters: numbers (with their exponents), names (with
// the member dots and digits that continue them), runs of blanks, and single operator
// characters ("<=", ">=" and "<>" stay one token). Joining the tokens gives the text back.
std::vector<TFormulaToken> TokenizeFormula(std::string_view text);
