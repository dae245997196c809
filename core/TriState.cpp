#include "core/TriState.h"

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
