#include "simulation/UnitHandler.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <memory>
#include <numbers>
#include <string>
#include <string_view>

#include "core/ClassRegistry.h"
#include "core/geometry/NumberFormat.h"
#include "model/filing/ObjectReader.h"
#include "model/filing/ObjectWriter.h"
#include "simulation/DimensionCode.h"

namespace {

std::unique_ptr<TWorldUnitHandler>& GlobalHandler() {
  static std::unique_ptr<TWorldUnitHandler> handler;
  return handler;
}

TObject* CreateUnitHandler() {
  return new TWorldUnitHandler();
}

std::string_view Trim(std::string_view text) {
  while (!text.empty() && text.front() == ' ')
    text.remove_prefix(1);
  while (!text.empty() && text.back() == ' ')
    text.remove_suffix(1);
  return text;
}

// "²", "³" or "^n" after a unit symbol.
void AppendPower(std::string& name, int power) {
  if (power == 2) {
    name += '\xB2';
  } else if (power == 3) {
    name += '\xB3';
  } else if (power != 1) {
    name += '^' + std::to_string(power);
  }
}

std::string PrintfText(const char* format, int digits, double value) {
  const int size = std::snprintf(nullptr, 0, format, digits, value);
  std::string text(static_cast<size_t>(std::max(size, 0)) + 1, '\0');
  std::snprintf(text.data(), text.size(), format, digits, value);
  text.resize(static_cast<size_t>(std::max(size, 0)));
  return text;
}

}  // namespace

TWorldUnitHandler::TWorldUnitHandler() {
  SetUnitSystem(1);
}

const TUnitDefinition* TWorldUnitHandler::ChosenUnit(int quantity) const {
  const TUnitQuantity* definition = FindUnitQuantity(quantity);
  return definition != nullptr ? FindUnit(*definition, units_[quantity - 1]) : nullptr;
}

double TWorldUnitHandler::BaseSize(int quantity) const {
  const TUnitDefinition* unit = ChosenUnit(quantity);
  return unit != nullptr && unit->index != 0 ? unit->size : 1.0;
}

double TWorldUnitHandler::InternalPerDisplay(uint32_t code) const {
  if (code == kDimensionNone || code == kDimensionNoUnit) return 1.0;
  // A quantity with a unit of its own (a force in pounds, a velocity in miles per hour).
  if (const TUnitQuantity* quantity = FindUnitQuantityByDimension(code)) {
    const TUnitDefinition* unit = ChosenUnit(quantity->number);
    if (unit != nullptr && unit->index != 0) return unit->size;
  }
  if (code == kDimensionTorque)
    return InternalPerDisplay(kDimensionForce) * InternalPerDisplay(kDimensionLength);
  // Otherwise the units it derives from; a current is a charge per time.
  const double time = BaseSize(kQuantityTime);
  return std::pow(BaseSize(kQuantityMass), DimensionExponent(code, DimensionBase::kMass)) *
         std::pow(BaseSize(kQuantityDistance), DimensionExponent(code, DimensionBase::kLength)) *
         std::pow(time, DimensionExponent(code, DimensionBase::kTime)) *
         std::pow(BaseSize(kQuantityRotation), DimensionExponent(code, DimensionBase::kAngle)) *
         std::pow(BaseSize(kQuantityCharge) / time,
                  DimensionExponent(code, DimensionBase::kCurrent));
}

void TWorldUnitHandler::GetToDisplayFactor(int32_t code, double& factor) const {
  factor = 1.0 / InternalPerDisplay(static_cast<uint32_t>(code));
}

void TWorldUnitHandler::GetFromDisplayFactor(int32_t code, double& factor) const {
  factor = InternalPerDisplay(static_cast<uint32_t>(code));
}

double TWorldUnitHandler::GetDisplayFactor(int32_t code) {
  double factor = 1.0;
  GetToDisplayFactor(code, factor);
  return factor;
}

void TWorldUnitHandler::ConvertToDisplay(int32_t code, double* value) const {
  if (value == nullptr) return;
  if (wrapAngles_ && static_cast<uint32_t>(code) == kDimensionAngle && std::isfinite(*value))
    *value = std::remainder(*value, 2.0 * std::numbers::pi);
  double factor = 1.0;
  GetToDisplayFactor(code, factor);
  *value *= factor;
}

void TWorldUnitHandler::ConvertFromUser(int32_t code, double* value) const {
  if (value == nullptr) return;
  double factor = 1.0;
  GetFromDisplayFactor(code, factor);
  *value *= factor;
}

void TWorldUnitHandler::GetUnitName(int32_t signedCode, Str255& out) const {
  out = Str255();
  const auto code = static_cast<uint32_t>(signedCode);
  if (code == kDimensionNone || code == kDimensionNoUnit) return;
  if (const TUnitQuantity* quantity = FindUnitQuantityByDimension(code)) {
    const TUnitDefinition* unit = ChosenUnit(quantity->number);
    if (unit != nullptr && unit->index != 0) {
      out.Assign(unit->symbol);
      return;
    }
  }
  if (code == kDimensionTorque) {
    Str255 force;
    Str255 length;
    GetUnitName(static_cast<int32_t>(kDimensionForce), force);
    GetUnitName(static_cast<int32_t>(kDimensionLength), length);
    out = force;
    out.AppendChar('\xB7');
    out.Append(length);
    return;
  }
  // Base symbols with their powers: mass, length, time, angle, charge (a current is written as
  // a charge per time).
  const int current = DimensionExponent(code, DimensionBase::kCurrent);
  const struct {
    int quantity;
    int power;
  } parts[] = {
      {kQuantityMass, DimensionExponent(code, DimensionBase::kMass)},
      {kQuantityDistance, DimensionExponent(code, DimensionBase::kLength)},
      {kQuantityTime, DimensionExponent(code, DimensionBase::kTime) - current},
      {kQuantityRotation, DimensionExponent(code, DimensionBase::kAngle)},
      {kQuantityCharge, current},
  };
  std::string numerator;
  std::string denominator;
  int below = 0;
  for (const auto& part : parts) {
    if (part.power == 0) continue;
    const TUnitDefinition* unit = ChosenUnit(part.quantity);
    std::string& side = part.power > 0 ? numerator : denominator;
    if (!side.empty()) side += '\xB7';
    side += unit != nullptr ? unit->symbol : "";
    AppendPower(side, std::abs(part.power));
    if (part.power < 0) ++below;
  }
  std::string name = numerator.empty() && !denominator.empty() ? "1" : numerator;
  if (!denominator.empty()) name += below > 1 ? "/(" + denominator + ")" : "/" + denominator;
  out.Assign(name.substr(0, static_cast<size_t>(Str255::kCapacity)).c_str());
}

void TWorldUnitHandler::FormatNumberWithDigits(double value, int16_t digits, Str255& out) const {
  const int kept = std::clamp<int>(digits, 0, kMaxFormatDigits);
  if (format_ == kNumberFormatAutomatic) {
    FormatNumber(out, static_cast<int16_t>(kept), value);
    return;
  }
  std::string text;
  if (format_ == kNumberFormatFixed) text = PrintfText("%.*f", kept, value);
  // A number too large for a counted string in fixed notation is written with its exponent,
  // rather than cut.
  if (text.empty() || text.size() > static_cast<size_t>(Str255::kCapacity))
    text = PrintfText("%.*e", kept, value);
  out.Assign(text.c_str());
}

void TWorldUnitHandler::FormatValue(int32_t code, int16_t option, int16_t maxDigits, double value,
                                    Str255& out) const {
  ConvertToDisplay(code, &value);
  const int16_t digits = std::min(digits_, maxDigits);
  if (option != 0) {
    FormatNumberWithDigits(value, digits, out);
    return;
  }
  // Labels (rulers, marks) take the compact automatic form whatever the document's format.
  FormatNumber(out, static_cast<int16_t>(std::clamp<int>(digits, 0, kMaxFormatDigits)), value);
}

void TWorldUnitHandler::GetFormattedValue(int32_t code, int16_t option, int16_t maxDigits,
                                          double value, Str255& out) {
  FormatValue(code, option, maxDigits, value, out);
}

bool TWorldUnitHandler::ReadQuantity(const Str255& text, int32_t code, double& value) const {
  std::string_view rest = Trim(std::string_view(text.Chars(), static_cast<size_t>(text.Length())));
  if (!rest.empty() && rest.front() == '+') rest.remove_prefix(1);
  double number = 0.0;
  const auto [end, error] =
      std::from_chars(rest.data(), rest.data() + rest.size(), number, std::chars_format::general);
  if (error != std::errc() || !std::isfinite(number)) return false;
  const std::string_view word = Trim(rest.substr(static_cast<size_t>(end - rest.data())));
  if (word.empty()) {
    ConvertFromUser(code, &number);
    value = number;
    return true;
  }
  if (const TUnitQuantity* quantity = FindUnitQuantityByDimension(static_cast<uint32_t>(code))) {
    const TUnitDefinition* unit = FindUnit(*quantity, FindUnitByWord(*quantity, word));
    if (unit != nullptr && unit->index != 0) {
      value = number * unit->size;
      return true;
    }
  }
  Str255 shown;
  GetUnitName(code, shown);
  if (shown.IsEmpty() ||
      word != std::string_view(shown.Chars(), static_cast<size_t>(shown.Length())))
    return false;
  ConvertFromUser(code, &number);
  value = number;
  return true;
}

void TWorldUnitHandler::SetDigits(int16_t digits) {
  digits_ = digits;
  Changed();
}

void TWorldUnitHandler::SetNumberFormat(int16_t format) {
  format_ = format;
  Changed();
}

void TWorldUnitHandler::SetUnitSystem(int16_t code) {
  const TUnitSystemDefinition* system = FindUnitSystem(code);
  if (system == nullptr) {
    system_ = 0;
    return;
  }
  std::copy(std::begin(system->units), std::end(system->units), units_);
  system_ = code;
  Changed();
}

int16_t TWorldUnitHandler::GetUnit(int quantity) const {
  return quantity >= 1 && quantity <= kUnitQuantityCount ? units_[quantity - 1] : 0;
}

void TWorldUnitHandler::SetUnit(int quantity, int16_t index) {
  if (quantity < 1 || quantity > kUnitQuantityCount) return;
  units_[quantity - 1] = index;
  system_ = 0;
  Changed();
}

uint16_t TWorldUnitHandler::GetIntProperty(uint32_t tag, int32_t& value, void* extra) {
  if (tag != kTagDigits) return TLink::GetIntProperty(tag, value, extra);
  value = digits_;
  return 1;
}

void TWorldUnitHandler::SetIntProperty(uint32_t tag, int32_t value) {
  if (tag != kTagDigits) {
    TLink::SetIntProperty(tag, value);
    return;
  }
  SetDigits(static_cast<int16_t>(value));
}

namespace {

int16_t FormatOfChoice(uint32_t tag) {
  if (tag == kTagFormatFixed) return kNumberFormatFixed;
  if (tag == kTagFormatFloating) return kNumberFormatFloating;
  if (tag == kTagFormatAutomatic) return kNumberFormatAutomatic;
  return -1;
}

}  // namespace

uint16_t TWorldUnitHandler::GetChoiceProperty(uint32_t tag, int16_t& value, void* extra) {
  const int16_t format = FormatOfChoice(tag);
  if (format < 0) return TLink::GetChoiceProperty(tag, value, extra);
  value = format_ == format ? 1 : 0;
  return 1;
}

void TWorldUnitHandler::SelectChoice(uint32_t tag) {
  const int16_t format = FormatOfChoice(tag);
  if (format < 0) {
    TLink::SelectChoice(tag);
    return;
  }
  SetNumberFormat(format);
}

uint16_t TWorldUnitHandler::GetIndexProperty(uint32_t tag, int16_t& value) {
  if (tag == kTagUnitSystem) {
    value = system_;
    return 1;
  }
  const TUnitQuantity* quantity = FindUnitQuantityByTag(tag);
  if (quantity == nullptr) return 0;
  value = units_[quantity->number - 1];
  return 1;
}

void TWorldUnitHandler::SetIndexProperty(uint32_t tag, int16_t value) {
  if (tag == kTagUnitSystem) {
    SetUnitSystem(value);
    return;
  }
  if (const TUnitQuantity* quantity = FindUnitQuantityByTag(tag)) SetUnit(quantity->number, value);
}

uint16_t TWorldUnitHandler::GetShortProperty(uint32_t tag, uint16_t& value, void* extra) {
  int16_t index = 0;
  if (GetIndexProperty(tag, index) == 0) return TLink::GetShortProperty(tag, value, extra);
  value = static_cast<uint16_t>(index);
  return 1;
}

void TWorldUnitHandler::SetShortProperty(uint32_t tag, uint16_t value) {
  int16_t index = 0;
  if (GetIndexProperty(tag, index) == 0) {
    TLink::SetShortProperty(tag, value);
    return;
  }
  SetIndexProperty(tag, static_cast<int16_t>(value));
}

namespace {

// A unit's name as a menu offers it; a derived quantity's unit 0 has no name of its own.
const char* UnitMenuName(const TUnitDefinition& unit) {
  return unit.index == 0 ? "(none)" : unit.name;
}

constexpr const char* kCustomSystemName = "custom";

}  // namespace

uint16_t TWorldUnitHandler::GetMenuProperty(uint32_t tag, std::vector<TMenuEntry>& entries,
                                            int16_t& chosen, void*) {
  entries.clear();
  chosen = -1;
  if (tag == kTagUnitSystem) {
    for (const TUnitSystemDefinition& system : UnitSystems()) {
      if (system.code == system_) chosen = static_cast<int16_t>(entries.size());
      entries.push_back({Str255(system.name), false});
    }
    if (chosen < 0) {
      chosen = static_cast<int16_t>(entries.size());
      entries.push_back({Str255(kCustomSystemName), false});
    }
    return 1;
  }
  const TUnitQuantity* quantity = FindUnitQuantityByTag(tag);
  if (quantity == nullptr) return 0;
  for (const TUnitDefinition& unit : quantity->units) {
    const bool current = unit.index == units_[quantity->number - 1];
    if (current) chosen = static_cast<int16_t>(entries.size());
    entries.push_back({Str255(UnitMenuName(unit)), false});
  }
  return 1;
}

void TWorldUnitHandler::SetMenuProperty(uint32_t tag, const Str255& text) {
  const std::string_view word(text.AsCString());
  if (tag == kTagUnitSystem) {
    for (const TUnitSystemDefinition& system : UnitSystems()) {
      if (word == system.name) SetUnitSystem(system.code);
    }
    return;
  }
  const TUnitQuantity* quantity = FindUnitQuantityByTag(tag);
  if (quantity == nullptr) return;
  const int16_t index = FindUnitByWord(*quantity, word);
  if (index >= 0) SetUnit(quantity->number, index);
}

uint16_t TWorldUnitHandler::CanReadBlock(int16_t code) {
  return code == kBlockUnitSettings ? 1 : TLink::CanReadBlock(code);
}

uint16_t TWorldUnitHandler::ReadBlockContents(int16_t code, TObjectReader& reader) {
  if (code != kBlockUnitSettings) return TLink::ReadBlockContents(code, reader);
  system_ = static_cast<int16_t>(reader.ReadInt());
  digits_ = static_cast<int16_t>(reader.ReadInt());
  format_ = static_cast<int16_t>(reader.ReadInt());
  for (int16_t& unit : units_)
    unit = static_cast<int16_t>(reader.ReadInt());
  wrapAngles_ = reader.ReadInt() != 0;
  return 1;
}

void TWorldUnitHandler::WriteBlockContents(int16_t code, TObjectWriter& writer) {
  if (code != kBlockUnitSettings) {
    TLink::WriteBlockContents(code, writer);
    return;
  }
  writer.WriteCode(system_);
  writer.WriteCode(digits_);
  writer.WriteCode(format_);
  for (const int16_t unit : units_)
    writer.WriteCode(unit);
  writer.WriteCode(wrapAngles_ ? 1 : 0);
}

void TWorldUnitHandler::WriteFields(TObjectWriter& writer) {
  writer.WriteBlock(*this, kBlockUnitSettings);
  TLink::WriteFields(writer);
}

void TWorldUnitHandler::WriteClassTag(TObjectWriter& writer) {
  writer.WriteTag(kUnitHandlerTag);
}

void RegisterUnitHandler() {
  RegisterClassInfo("TUnitHandler", kUnitHandlerTag, TWorldUnitHandler::kClassID, CreateUnitHandler,
                    sizeof(TWorldUnitHandler));
  GlobalHandler() = std::make_unique<TWorldUnitHandler>();
}

void FreeUnitHandler() {
  GlobalHandler().reset();
}

TWorldUnitHandler* GetGlobalUnitHandler() {
  return GlobalHandler().get();
}
