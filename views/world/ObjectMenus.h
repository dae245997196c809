#pragma once
// The selection's own menus on the menu bar: the input menu lists the properties an input
// control can drive, the meter menu the quantities a meter can show, both of the first selected
// object. Their items are the creation commands the world view answers.

#include <cstdint>
#include <memory>
#include <vector>

#include "core/PString.h"

class TCommandCore;
class TLink;
class TWorldDoc;

// Bar positions and titles of the two menus in the normal menu bar.
inline constexpr int32_t kInputMenuPosition = 5;
inline constexpr int32_t kMeterMenuPosition = 6;
inline constexpr const char* kInputMenuTitle = "&Input";
inline constexpr const char* kMeterMenuTitle = "&Meter";

// An input's own menu on the bar: the kinds it can take (slider, text box, button, table), the
// one it has checked.
inline constexpr const char* kInputKindMenuName = "OutInputMenu";
inline constexpr int16_t kCmdInputSlider = 5420;
inline constexpr int16_t kCmdInputTextBox = 5421;
inline constexpr int16_t kCmdInputButton = 5422;
inline constexpr int16_t kCmdInputTable = 5423;
// The command that gives the selected inputs the kind of the command, undoably; null for any
// other command or without a selected input.
std::unique_ptr<TCommandCore> MakeInputKindCommand(int16_t command, TWorldDoc& world);

// The names of the object's input and meter menu resources; empty when it has none.
Str255 InputMenuNameOf(const TLink* object);
Str255 MeterMenuNameOf(const TLink* object);

// Shows the menus of the selection's first object on the bar (empty, and so greyed, without a
// selection or while editing is off) and enables the input items. A bar without the two menus is
// left alone; a menu already shown stays, so a menu being opened is never replaced.
void SetUpObjectMenus(const std::vector<TLink*>& selection, bool editable);
