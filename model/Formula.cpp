#include "model/Formula.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <new>
#include <string>

#include "core/Failure.h"
#include "core/UnitHandler.h"

namespace {

std::string_view View(const Str255& text) {
  return std::string_view(text.Chars(), static_cast<size_t>(text.Length()));
}

[[noreturn]] void ThrowFormulaError(int32_t code) {
  ThrowFailure(static_cast<int16_t>(FormulaErrorNumber(code)), 0);
}

Str255 ToStr255(std::string_view text) {
  Str255 out;
  for (const char c : text.substr(0, static_cast<size_t>(Str255::kCapacity)))
    out.AppendChar(c);
  return out;
}

// The whole text is one decimal number (blanks around it allowed).
bool ParsePlainNumber(std::string_view text, double& value) {
  while (!text.empty() && text.front() == ' ')
    text.remove_prefix(1);
  while (!text.empty() && text.back() == ' ')
    text.remove_suffix(1);
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  if (text.empty()) return false;
  const auto [end, error] =
      std::from_chars(text.data(), text.data() + text.size(), value, std::chars_format::general);
  return error == std::errc() && end == text.data() + text.size();
}

}  // namespace

bool ParseFormulaRecordName(const Str255& name, int32_t& count, Str255& text) {
  const std::string_view view = View(name);
  if (view.size() < 3 || view[0] != '#') return false;
  const size_t colon = view.find(':');
  if (colon == std::string_view::npos || colon == 1) return false;
  int32_t parsed = 0;
  const char* first = view.data() + 1;
  const char* last = view.data() + colon;
  const auto [end, error] = std::from_chars(first, last, parsed);
  if (error != std::errc() || end != last || parsed < 0) return false;
  // The digits are exactly what MakeFormulaRecordName writes: no sign, no leading zeros.
  if (*first == '0' && last - first > 1) return false;
  count = parsed;
  text = ToStr255(view.substr(colon + 1));
  return !text.IsEmpty() && text.Chars()[0] != '#';
}

bool MakeFormulaRecordName(const Str255& text, int32_t count, Str255& name) {
  if (count < 0 || text.IsEmpty()) return false;
  char digits[16];
  const auto written = std::to_chars(digits, digits + sizeof digits, count);
  const size_t size = 2 + static_cast<size_t>(written.ptr - digits) + View(text).size();
  if (size > static_cast<size_t>(kFormulaRecordNameLimit)) return false;
  name = Str255();
  name.AppendChar('#');
  for (const char* c = digits; c != written.ptr; ++c)
    name.AppendChar(*c);
  name.AppendChar(':');
  name.Append(text);
  return true;
}

void FormatDoubleText(double value, Str255& out) {
  char digits[40];
  std::snprintf(digits, sizeof digits, "%.18g", value);
  out = Str255(digits);
}

std::unique_ptr<TFormula> TFormula::New() {
  auto* formula = new (std::nothrow) TFormula();
  if (formula == nullptr) ThrowFailure(kErrOutOfMemory, 0);
  return std::unique_ptr<TFormula>(formula);
}

std::unique_ptr<TFormula> NewFormula() {
  return TFormula::New();
}

void DeleteFormula(TFormula* formula) {
  delete formula;
}

void TFormula::Assign(const TFormula& other) {
  if (&other == this) return;
  *this = other;
}

std::string TextInInternalUnits(std::string_view text, double factor) {
  if (factor == 1.0) return std::string(text);
  char digits[40];
  std::snprintf(digits, sizeof digits, "%.17g", factor);
  std::string wrapped("(");
  wrapped.append(text).append(")*").append(digits);
  return wrapped;
}

std::string TFormula::InternalText() const {
  Str255 text;
  GetText(text);
  if (!isFormula_) return std::string(text.Chars(), static_cast<size_t>(text.Length()));
  return TextInInternalUnits(View(text), Factor());
}

bool TFormula::Equals(const TFormula& other) const {
  if (isFormula_ != other.isFormula_) return false;
  if (!isFormula_) return value_ == other.value_;
  return text_ == other.text_ && record_ == other.record_ && units_ == other.units_;
}

void TFormula::GetText(Str255& text) const {
  if (isFormula_) {
    text = text_;
    return;
  }
  char digits[32];
  const auto result = std::to_chars(digits, digits + sizeof digits - 1, value_);
  *result.ptr = '\0';
  text = Str255(digits);
}

void TFormula::SetConstant(double value) {
  isFormula_ = false;
  value_ = value;
  text_ = Str255();
  record_.reset();
  units_.reset();
  program_ = FormulaProgram();
  compileError_ = 0;
  errorPosition_ = 0;
}

void TFormula::StoreConstant(double value) {
  if (!isFormula_) {
    SetConstant(value);
    return;
  }
  value_ = value;
}

void TFormula::SetIsFormula(uint16_t flag) {
  if (flag != 0 || !isFormula_) return;
  SetConstant(value_ == kNoValue ? 0.0 : value_);
}

void TFormula::SetFromPieces(const Str255& text, const TFormulaRecord* record) {
  if (!text.IsEmpty() && text.Chars()[0] == '#') ThrowFormulaError(kFormulaBadCharacter);
  std::optional<TFormulaRecord> kept;
  if (record != nullptr && record->IsFiled()) {
    kept = *record;
    if (!MakeFormulaRecordName(text, static_cast<int32_t>(record->elements.size()), kept->name))
      ThrowFormulaError(kFormulaTooComplex);
  }
  isFormula_ = true;
  text_ = text;
  record_ = std::move(kept);
  Recompile();
}

void TFormula::Recompile() {
  FormulaProgram program;
  int32_t position = 0;
  const int32_t code = parse_equation(View(text_), program, &position);
  program_ = std::move(program);
  compileError_ = FormulaErrorNumber(code);
  errorPosition_ = code == kFormulaOk ? 0 : position;
  value_ = kNoValue;
  // A text that names nothing of the world has its value at once ("true", "(0)", "2*pi").
  if (code != kFormulaOk || program_.NeedsWorld()) return;
  double result = 0.0;
  if (execute_program(program_, nullptr, result) == kFormulaOk) value_ = result * Factor();
}

int16_t TFormula::SetFormattedText(const Str255& text, TUnitHandler* handler, int32_t unitCode) {
  double toDisplay = handler != nullptr ? handler->GetDisplayFactor(unitCode) : 1.0;
  // A unit without a usable factor converts nothing, rather than dividing by zero.
  if (!(toDisplay > 0.0) || !std::isfinite(toDisplay)) toDisplay = 1.0;
  const double fromDisplay = 1.0 / toDisplay;
  double number = 0.0;
  if (ParsePlainNumber(View(text), number)) {
    SetConstant(number * fromDisplay);
    return 0;
  }
  SetFromPieces(text);
  TFormulaUnits units;
  units.unitKind = unitCode;
  units_ = units;
  return Compile(fromDisplay, nullptr);
}

int16_t TFormula::Compile(double factorFromDisplay, int32_t* unitKind) {
  if (!isFormula_) return 0;
  TFormulaUnits units = units_.value_or(TFormulaUnits());
  units.factor = factorFromDisplay;
  units.savedFactor = factorFromDisplay;
  units_ = units;
  Recompile();
  if (unitKind != nullptr) *unitKind = units.unitKind;
  return static_cast<int16_t>(compileError_);
}

void TFormula::AppendTerm(const Str255& text) {
  Str255 whole;
  GetText(whole);
  if (whole.Length() + text.Length() > Str255::kCapacity) ThrowFormulaError(kFormulaTooComplex);
  whole.Append(text);
  const std::optional<TFormulaUnits> units = units_;
  SetFromPieces(whole);
  units_ = units;
}

void TFormula::CombineTerms(const TFormula& other) {
  Str255 text;
  if (other.IsFormula()) {
    other.GetText(text);
  } else {
    FormatDoubleText(other.GetValue(), text);
  }
  AppendTerm(text);
}

double TFormula::Evaluate(const FormulaEnvironment* environment) {
  if (!isFormula_ || held_) return value_;
  if (compileError_ != 0) ThrowFailure(static_cast<int16_t>(compileError_), 0);
  if (environment == nullptr && program_.NeedsWorld()) ThrowFormulaError(kFormulaNoProgram);
  double result = 0.0;
  const int32_t code = execute_program(program_, environment, result);
  if (code != kFormulaOk) ThrowFormulaError(code);
  value_ = result * Factor();
  return value_;
}

std::vector<TFormulaToken> TokenizeFormula(std::string_view text) {
  using Kind = TFormulaToken::Kind;
  std::vector<TFormulaToken> tokens;
  const auto isDigit = [](char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; };
  const auto isNameChar = [](char c) {
    return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '_';
  };
  const auto at = [&](size_t i) { return i < text.size() ? text[i] : '\0'; };
  size_t i = 0;
  while (i < text.size()) {
    const size_t start = i;
    const char c = text[i];
    Kind kind = Kind::kOperator;
    if (c == ' ' || c == '\t') {
      kind = Kind::kSpace;
      while (at(i) == ' ' || at(i) == '\t')
        ++i;
    } else if (isDigit(c) || (c == '.' && isDigit(at(i + 1)))) {
      kind = Kind::kNumber;
      while (isDigit(at(i)))
        ++i;
      if (at(i) == '.') ++i;
      while (isDigit(at(i)))
        ++i;
      const char sign = at(i + 1);
      if ((at(i) == 'e' || at(i) == 'E') &&
          (isDigit(sign) || ((sign == '+' || sign == '-') && isDigit(at(i + 2))))) {
        i += isDigit(sign) ? 1 : 2;
        while (isDigit(at(i)))
          ++i;
      }
    } else if (isNameChar(c) || (c == '.' && std::isalpha(static_cast<unsigned char>(at(i + 1))))) {
      kind = Kind::kName;
      ++i;
      while (isNameChar(at(i)) || (at(i) == '.' && isNameChar(at(i + 1))))
        ++i;
    } else {
      ++i;
      const char next = at(i);
      if ((c == '<' && (next == '=' || next == '>')) || (c == '>' && next == '=')) ++i;
    }
    tokens.push_back({kind, std::string(text.substr(start, i - start))});
  }
  return tokens;
}
