#include "core/TriState.h"

#include "core/MenuCommands.h"

TriState TriState::Toggled() const {
  if (value_ == kOn) return TriState(kOff);
  if (value_ == kOff) return TriState(kOn);
  return *this;
}

bool TriState::Accumulate(TriState other) {
  if (value_ == kEmpty) {
    value_ = other.value_;
  } else if (value_ != kMixed && other.value_ != kMixed && other.value_ != kEmpty &&
             other.value_ != value_) {
    value_ = kMixed;
  }
  return value_ == kMixed;
}

void TriState::ShowInMenu(int16_t command, bool enabled) const {
  constexpr uint8_t kMixedMark = '-';
  if (value_ == kMixed) {
    SetMenuItemMark(command, kMixedMark);
    EnableCheckMenuCommand(command, enabled, true);
    return;
  }
  SetMenuItemMark(command, kCheckMark);
  EnableCheckMenuCommand(command, enabled, value_ == kOn);
}
