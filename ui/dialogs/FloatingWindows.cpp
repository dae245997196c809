#include "ui/dialogs/FloatingWindows.h"

#include <array>

#include "core/Failure.h"
#include "model/world/WorldDoc.h"
#include "platform/win32/Window.h"
#include "ui/dialogs/DialogFactory.h"
#include "ui/dialogs/WindowBase.h"

namespace {

constexpr std::array<int16_t, 3> kFloatingWindowCommands{
    kShowPropertiesWindow, kShowPositionWindow, kShowPointTableWindow};

struct FloatingWindowSlot {
  // The object goes with its window: it is only used while the window exists. Window
  // handles are never used twice, so a destroyed window is never taken for a new one.
  TDialogWindow* object = nullptr;
  HWND window = nullptr;
};

std::array<FloatingWindowSlot, 3>& Slots() {
  static std::array<FloatingWindowSlot, 3> slots;
  return slots;
}

int SlotOf(int16_t command) {
  const int16_t base = static_cast<int16_t>(command - command % 100);
  if (command % 100 > 1) return -1;
  switch (base) {
    case kShowPropertiesWindow: return 0;
    case kShowPositionWindow: return 1;
    case kShowPointTableWindow: return 2;
    default: return -1;
  }
}

FloatingWindowSlot* LiveSlot(int16_t command) {
  const int slot = SlotOf(command);
  if (slot < 0) return nullptr;
  FloatingWindowSlot& entry = Slots()[static_cast<size_t>(slot)];
  if (entry.window == nullptr || !IsWindow(entry.window)) {
    entry = FloatingWindowSlot{};
    return nullptr;
  }
  return &entry;
}

// The window of the command, built hidden when it does not exist; null when it cannot be built.
FloatingWindowSlot* BuildFloatingWindow(int16_t command) {
  const int slot = SlotOf(command);
  if (slot < 0) return nullptr;
  if (FloatingWindowSlot* live = LiveSlot(command)) return live;
  const auto show = static_cast<int16_t>(command - command % 100);
  TDialogWindow* made = CreateDialogById(show, nullptr);
  if (made == nullptr) return nullptr;
  if (made->GetDialogHandle() == nullptr) made->ShowModeless();
  const HWND window = made->GetDialogHandle();
  if (window == nullptr) return nullptr;
  ShowWindow(window, SW_HIDE);
  FloatingWindowSlot& entry = Slots()[static_cast<size_t>(slot)];
  entry = FloatingWindowSlot{made, window};
  return &entry;
}

}  // namespace

bool IsFloatingWindowCommand(int16_t command) { return SlotOf(command) >= 0; }

bool IsFloatingWindowShowCommand(int16_t command) {
  return IsFloatingWindowCommand(command) && command % 100 == 0;
}

TDialogWindow* FloatingWindow(int16_t command) {
  const FloatingWindowSlot* entry = LiveSlot(command);
  return entry != nullptr ? entry->object : nullptr;
}

HWND FloatingWindowHandle(int16_t command) {
  const FloatingWindowSlot* entry = LiveSlot(command);
  return entry != nullptr ? entry->window : nullptr;
}

void BuildFloatingWindows() {
  for (const int16_t command : kFloatingWindowCommands) FailIfNull(BuildFloatingWindow(command));
}

void ShowFloatingWindow(int16_t command, TWorldDoc& world) {
  FloatingWindowSlot* const built = BuildFloatingWindow(command);
  if (built == nullptr) return;
  FloatingWindowSlot& entry = *built;
  if (auto* bound = dynamic_cast<WindowBase*>(entry.object))
    bound->SetSelection(&world.Selection(), nullptr, &world, 1);
  if (entry.window == nullptr) return;
  ShowWindow(entry.window, SW_SHOW);
  SetActiveWindow(entry.window);
}

void FloatingWindowsFollow(TWorldDoc& world) {
  for (const int16_t command : kFloatingWindowCommands) {
    if (auto* bound = dynamic_cast<WindowBase*>(FloatingWindow(command)))
      bound->SetSelection(&world.Selection(), nullptr, &world, 1);
  }
}

void FloatingWindowsLeave(const TWorldDoc& world) {
  for (const int16_t command : kFloatingWindowCommands) {
    auto* bound = dynamic_cast<WindowBase*>(FloatingWindow(command));
    if (bound != nullptr && bound->GetWorld() == &world)
      bound->SetSelection(nullptr, nullptr, nullptr, 0);
  }
}

void HideFloatingWindow(int16_t command) {
  if (const FloatingWindowSlot* entry = LiveSlot(command)) ShowWindow(entry->window, SW_HIDE);
}

bool IsFloatingWindowVisible(int16_t command) {
  const FloatingWindowSlot* entry = LiveSlot(command);
  return entry != nullptr && IsWindowVisible(entry->window);
}
