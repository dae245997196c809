#include "views/world/ObjectMenus.h"

#include <string>

#include "bodies/Body.h"
#include "bodies/Shapes.h"
#include "bodies/points/Point.h"
#include "constraints/Forces.h"
#include "constraints/Gear.h"
#include "constraints/Pin.h"
#include "constraints/Pistons.h"
#include "constraints/Ropes.h"
#include "constraints/Slot.h"
#include "constraints/Springs.h"
#include "core/MenuCommands.h"
#include "core/MenuSetup.h"
#include "core/Resources.h"
#include "model/command/PropertyOps.h"
#include "model/world/WorldDoc.h"
#include "platform/win32/Menu.h"

namespace {

// Inputs are classes of the gadgets, known here by number.
constexpr int16_t kInputClass = 444;

struct TInputKindItem {
  int16_t command;
  uint32_t tag;
};
constexpr TInputKindItem kInputKindItems[] = {{kCmdInputSlider, MakeTag("  Sl")},
                                              {kCmdInputTextBox, MakeTag("  Tx")},
                                              {kCmdInputButton, MakeTag("  Bt")},
                                              {kCmdInputTable, MakeTag("  DT")}};

bool IsInput(const TLink* object) {
  return object != nullptr && object->IsMemberClass(kInputClass);
}

// A kind changes much of an input (its layout, its value's range): undo takes back the whole.
// The input's frame changes with its kind, so the world's views are drawn again each way: the
// room the old kind took would otherwise keep its pixels.
class TInputKindOp : public TChoicePropertyOp {
 public:
  void NoteTarget(TLink* object) override { TPropertyOp::NoteTarget(object); }
  void DoWork() override {
    TChoicePropertyOp::DoWork();
    RedrawViews();
  }
  void Undo() override {
    TChoicePropertyOp::Undo();
    RedrawViews();
  }
  void Redo() override {
    TChoicePropertyOp::Redo();
    RedrawViews();
  }

 private:
  void RedrawViews() {
    if (GetContext() != nullptr) GetContext()->RedrawAll(1, 1);
  }
};

template <typename T>
const T* As(const TLink* object) {
  return dynamic_cast<const T*>(object);
}

// The popup a menu resource holds, taken out of it; null when there is no such resource.
HMENU LoadObjectPopup(const Str255& name) {
  if (name.Length() == 0) return nullptr;
  const std::string text = name.AsCString();
  HMENU menu = LoadMenu(GetResourceModule2(), text.c_str());
  if (menu == nullptr) menu = LoadMenu(GetResourceModule1(), text.c_str());
  if (menu == nullptr) return nullptr;
  HMENU popup = GetSubMenu(menu, 0);
  if (popup != nullptr) RemoveMenu(menu, 0, MF_BYPOSITION);
  DestroyMenu(menu);
  return popup;
}

bool SameItems(HMENU a, HMENU b) {
  if (a == nullptr || b == nullptr) return a == b;
  const int32_t count = GetMenuItemCount(a);
  if (count != GetMenuItemCount(b)) return false;
  for (int32_t i = 0; i < count; ++i) {
    const auto at = static_cast<UINT>(i);
    if (GetMenuItemID(a, i) != GetMenuItemID(b, i) ||
        GetMenuItemText(a, at, MF_BYPOSITION) != GetMenuItemText(b, at, MF_BYPOSITION)) {
      return false;
    }
  }
  return true;
}

// Puts the popup at the bar position when the bar has the menu of that title there and shows
// other items; answers the popup shown there.
HMENU ShowPopup(HMENU bar, int32_t position, const char* title, HMENU popup) {
  const int32_t at = position + MenuBarShift();
  if (at >= GetMenuItemCount(bar) ||
      GetMenuItemText(bar, static_cast<UINT>(at), MF_BYPOSITION) != title) {
    if (popup != nullptr) DestroyMenu(popup);
    return nullptr;
  }
  if (popup == nullptr) popup = CreatePopupMenu();
  const HMENU shown = GetSubMenu(bar, at);
  if (SameItems(shown, popup)) {
    DestroyMenu(popup);
    return shown;
  }
  if (!ModifyMenu(bar, static_cast<UINT>(at), MF_BYPOSITION | MF_POPUP | MF_STRING,
                  reinterpret_cast<UINT_PTR>(popup), title)) {
    DestroyMenu(popup);
    return nullptr;
  }
  if (GetMenuItemCount(popup) == 0)
    EnableMenuItem(bar, static_cast<UINT>(at), MF_BYPOSITION | MF_GRAYED);
  MarkMenusChanged();
  return popup;
}

}  // namespace

std::unique_ptr<TCommandCore> MakeInputKindCommand(int16_t command, TWorldDoc& world) {
  for (const TInputKindItem& item : kInputKindItems) {
    if (item.command != command) continue;
    auto op = std::make_unique<TInputKindOp>();
    op->InitValue(command, &world, 1, item.tag);
    bool any = false;
    for (TLink* object : world.Selection()) {
      if (!IsInput(object)) continue;
      op->AddTarget(object);
      any = true;
    }
    return any ? std::move(op) : nullptr;
  }
  return nullptr;
}

Str255 InputMenuNameOf(const TLink* object) {
  if (IsInput(object)) return kInputKindMenuName;
  if (const auto* point = As<TPoint>(object)) return point->GetInMenuName();
  if (const auto* rectangle = As<TRectangle>(object)) return rectangle->InMenuName();
  if (const auto* oval = As<TOval>(object)) return oval->InMenuName();
  if (As<TMass>(object) != nullptr) return TMass::InMenuName();
  if (const auto* gear = As<TGear>(object)) return gear->GetInMenuName();
  if (const auto* slot = As<TSlot>(object)) return slot->GetInMenuName();
  if (const auto* pin = As<TPin>(object)) return pin->GetInMenuName();
  if (const auto* spring = As<TXCnstr>(object)) return spring->GetInMenuName();
  if (const auto* actuator = As<TLPiston>(object)) return actuator->GetInMenuName();
  if (const auto* motor = As<TRPiston>(object)) return motor->GetInMenuName();
  if (const auto* rope = As<TRRope>(object)) return rope->GetInMenuName();
  if (const auto* rope = As<TLRope>(object)) return rope->GetInMenuName();
  if (const auto* force = As<TForce>(object)) return force->GetInMenuName();
  if (const auto* torque = As<TTorque>(object)) return torque->GetInMenuName();
  return "";
}

Str255 MeterMenuNameOf(const TLink* object) {
  if (const auto* point = As<TPoint>(object)) return point->GetOutMenuName();
  if (As<TMass>(object) != nullptr) return TMass::OutMenuName();
  if (const auto* slot = As<TSlot>(object)) return slot->GetOutMenuName();
  if (const auto* constraint = As<TConstraint>(object)) return constraint->GetOutMenuName();
  return "";
}

void SetUpObjectMenus(const std::vector<TLink*>& selection, bool editable) {
  const HWND frame = GetMenuFrame();
  const HMENU bar = frame != nullptr ? GetMenu(frame) : nullptr;
  if (bar == nullptr) return;
  const TLink* object = editable && !selection.empty() ? selection.front() : nullptr;
  const auto popupOf = [object](Str255 (*name)(const TLink*)) {
    return object != nullptr ? LoadObjectPopup(name(object)) : nullptr;
  };
  const HMENU inputs =
      ShowPopup(bar, kInputMenuPosition, kInputMenuTitle, popupOf(InputMenuNameOf));
  ShowPopup(bar, kMeterMenuPosition, kMeterMenuTitle, popupOf(MeterMenuNameOf));
  if (inputs == nullptr || object == nullptr) return;
  // The meter items keep their state through the set-up; the input items are enabled here.
  for (int32_t i = 0; i < GetMenuItemCount(inputs); ++i) {
    const UINT id = GetMenuItemID(inputs, i);
    if (id != kMenuNotFound && id != 0) EnableMenuCommand(static_cast<int16_t>(id), true);
  }
  if (!IsInput(object)) return;
  TLink* input = selection.front();
  for (const TInputKindItem& item : kInputKindItems) {
    int16_t checked = 0;
    if (input->GetChoiceProperty(item.tag, checked, nullptr) != 0)
      EnableCheckMenuCommand(item.command, true, checked != 0);
  }
}
