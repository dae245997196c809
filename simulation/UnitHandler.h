#pragma once
// The unit system of a world (class 384, tag "unit"): which unit each of the twelve quantities is
// shown in, the named unit system those choices came from (0 once any unit was chosen by hand),
// and how numbers are written (fixed, floating or automatic, with a count of digits). Values are
// kept in internal units everywhere else; the handler gives, for any dimension code, the factor
// to the display units and back, the unit's name for labels, and the text of a value, and reads
// typed quantities.
//
// Its settings are properties: "  ##" the digits, the choices "   X" fixed, "   L" floating and
// "   A" automatic, "DMSS" the unit system, and one unit index per quantity ("un_D" ... "unRV").

#include <cstdint>

#include "core/PString.h"
#include "core/UnitHandler.h"
#include "model/Link.h"
#include "model/MenuProperty.h"
#include "simulation/UnitTables.h"

// Number formats, as the "   X", "   L" and "   A" choices select them.
inline constexpr int16_t kNumberFormatFloating = 0;
inline constexpr int16_t kNumberFormatFixed = 1;
inline constexpr int16_t kNumberFormatAutomatic = 2;

inline constexpr uint32_t kUnitHandlerTag = MakeTag("unit");
inline constexpr uint32_t kTagDigits = MakeTag("  ##");
inline constexpr uint32_t kTagFormatFixed = MakeTag("   X");
inline constexpr uint32_t kTagFormatFloating = MakeTag("   L");
inline constexpr uint32_t kTagFormatAutomatic = MakeTag("   A");
inline constexpr uint32_t kTagUnitSystem = MakeTag("DMSS");
// The block that keeps the settings in documents: the unit system, the digits, the format, the
// unit of each quantity in quantity order and the angle wrapping, each a short.
inline constexpr int16_t kBlockUnitSettings = 5380;

class TWorldUnitHandler : public TLink, public TUnitHandler, public TMenuProperties {
  DECLARE_CLASS_ID(384, TLink)

 public:
  // SI units with radians (system 1), automatic format with 4 digits.
  TWorldUnitHandler();

  // Factors. To display: multiply an internal value by it to get the value shown; from display:
  // multiply a shown or typed value by it to get the internal value. 1.0 for code 0, for
  // kDimensionNoUnit and for any code whose units are the internal ones.
  void GetToDisplayFactor(int32_t code, double& factor) const;
  void GetFromDisplayFactor(int32_t code, double& factor) const;
  double GetDisplayFactor(int32_t code) override;
  // In place; an angle is first reduced modulo a full turn when angle wrapping is on.
  void ConvertToDisplay(int32_t code, double* value) const;
  void ConvertFromUser(int32_t code, double* value) const;
  void SetWrapAngles(bool wrap) { wrapAngles_ = wrap; }
  bool WrapsAngles() const { return wrapAngles_; }

  // The unit's name for a label ("m", "kg\xB7m\xB2", "N\xB7m"); empty for code 0 and "no unit".
  void GetUnitName(int32_t code, Str255& out) const;
  // The value in the display units of the code with min(digits, maxDigits) digits: in the
  // handler's number format for a non-zero option (text and data written for the user), in the
  // automatic format for option 0 (labels such as the rulers'). The number stands alone, so that
  // what is written can be read back; GetUnitName gives the label.
  void FormatValue(int32_t code, int16_t option, int16_t maxDigits, double value,
                   Str255& out) const;
  void GetFormattedValue(int32_t code, int16_t option, int16_t maxDigits, double value,
                         Str255& out) override;
  // The value as the format writes it with that many digits (no unit conversion).
  void FormatNumberWithDigits(double value, int16_t digits, Str255& out) const;
  // A typed quantity of the code: a number in the display units, or a number followed by the
  // name, symbol or word of any unit of that quantity ("3 ft" for a length shown in metres).
  // False, with value untouched, when the text is not one.
  bool ReadQuantity(const Str255& text, int32_t code, double& value) const;

  // Settings.
  int16_t GetDigits() const { return digits_; }
  void SetDigits(int16_t digits);
  int16_t GetNumberFormat() const { return format_; }
  void SetNumberFormat(int16_t format);
  int16_t GetUnitSystem() const { return system_; }
  // 0 makes the system custom and keeps the units; a named system sets every unit; any other
  // code (no definition) makes the system custom.
  void SetUnitSystem(int16_t code);
  // The unit index of quantity 1..12 (0 outside).
  int16_t GetUnit(int quantity) const;
  // Sets one quantity's unit; the system becomes custom.
  void SetUnit(int quantity, int16_t index);

  // Property protocol.
  uint16_t GetIntProperty(uint32_t tag, int32_t& value, void* extra) override;
  void SetIntProperty(uint32_t tag, int32_t value) override;
  uint16_t GetChoiceProperty(uint32_t tag, int16_t& value, void* extra) override;
  void SelectChoice(uint32_t tag) override;
  uint16_t GetIndexProperty(uint32_t tag, int16_t& value);
  void SetIndexProperty(uint32_t tag, int16_t value);
  uint16_t GetShortProperty(uint32_t tag, uint16_t& value, void* extra) override;
  void SetShortProperty(uint32_t tag, uint16_t value) override;
  // The units of each quantity tag, and the named systems of "DMSS" (with "custom" while no
  // named system holds), as the names a user picks from; the one in use is the chosen entry,
  // none is marked.
  uint16_t GetMenuProperty(uint32_t tag, std::vector<TMenuEntry>& entries, int16_t& chosen,
                           void* extra) override;
  void SetMenuProperty(uint32_t tag, const Str255& text) override;

  // Filing. A world has one unit handler: the settings of a document read into a world go to
  // the handler it has.
  uint16_t CanReadBlock(int16_t code) override;
  uint16_t ReadBlockContents(int16_t code, TObjectReader& reader) override;
  void WriteBlockContents(int16_t code, TObjectWriter& writer) override;
  void WriteFields(TObjectWriter& writer) override;
  void WriteClassTag(TObjectWriter& writer) override;

 private:
  // The size of the display unit of the code in internal units.
  double InternalPerDisplay(uint32_t code) const;
  double BaseSize(int quantity) const;
  const TUnitDefinition* ChosenUnit(int quantity) const;

  int16_t units_[kUnitQuantityCount] = {};
  int16_t system_ = 0;
  int16_t digits_ = 4;
  int16_t format_ = kNumberFormatAutomatic;
  bool wrapAngles_ = false;
};

// Registers the class and makes the program's global unit handler; the terminator deletes it.
void RegisterUnitHandler();
void FreeUnitHandler();
// The global unit handler (null before RegisterUnitHandler and after FreeUnitHandler).
TWorldUnitHandler* GetGlobalUnitHandler();
