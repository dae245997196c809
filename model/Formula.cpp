#include "model/Formula.h"

#include <charconv>
#include <string>

#include "core/Failure.h"

namespace {

std::string_view View(const Str255& text) {
  return std::string_view(text.Chars(), static_cast<size_t>(text.Length()));
}

[[noreturn]] void ThrowFormulaError(int32_t code) {
  ThrowFailure(static_cast<int16_t>(FormulaErrorNumber(code)), 0);
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
  text = Str255();
  for (size_t i = colon + 1; i < view.size(); ++i)
    text.AppendChar(view[i]);
  return !text.IsEmpty() && text.Chars()[0] != '#';
}

bool MakeFormulaRecordName(const Str255& text, int32_t count, Str255& name) {
  if (count < 0 || text.IsEmpty()) return false;
  const std::string full = "#" + std::to_string(count) + ":" + std::string(View(text));
  if (full.size() > static_cast<size_t>(kFormulaRecordNameLimit)) return false;
  name = Str255();
  for (const char c : full)
    name.AppendChar(c);
  return true;
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
  program_ = FormulaProgram();
  compileError_ = 0;
  errorPosition_ = 0;
}

void TFormula::SetFromPieces(const Str255& text, const TFormulaRecord* record) {
  if (!text.IsEmpty() && text.Chars()[0] == '#') ThrowFormulaError(kFormulaBadCharacter);
  std::optional<TFormulaRecord> kept;
  if (record != nullptr && record->IsFiled()) {
    kept = *record;
    if (!MakeFormulaRecordName(text, static_cast<int32_t>(record->elements.size()), kept->name))
      ThrowFormulaError(kFormulaTooComplex);
  }
  FormulaProgram program;
  int32_t position = 0;
  const int32_t code = parse_equation(View(text), program, &position);
  isFormula_ = true;
  text_ = text;
  record_ = std::move(kept);
  program_ = std::move(program);
  compileError_ = FormulaErrorNumber(code);
  errorPosition_ = code == kFormulaOk ? 0 : position;
  value_ = kNoValue;
}

double TFormula::Evaluate(const FormulaEnvironment* environment) {
  if (!isFormula_) return value_;
  if (compileError_ != 0) ThrowFailure(static_cast<int16_t>(compileError_), 0);
  if (environment == nullptr && program_.NeedsWorld()) ThrowFormulaError(kFormulaNoProgram);
  double result = 0.0;
  const int32_t code = execute_program(program_, environment, result);
  if (code != kFormulaOk) ThrowFormulaError(code);
  value_ = result;
  return value_;
}
