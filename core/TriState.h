#pragma once
// The accumulator of one on/off setting over a selection: nothing seen yet, all off, all on, or
// mixed. A menu shows mixed with its own mark.

#include <cstdint>

class TriState {
 public:
  enum Value : uint32_t { kOff = 0, kOn = 1, kMixed = 2, kEmpty = 3 };

  TriState() = default;
  explicit TriState(Value value) : value_(value) {}

  void Init() { value_ = kEmpty; }
  bool IsOff() const { return value_ == kOff; }
  bool IsOn() const { return value_ == kOn; }
  bool IsMixed() const { return value_ == kMixed; }
  bool IsEmpty() const { return value_ == kEmpty; }
  Value Get() const { return value_; }
  void Set(Value value) { value_ = value; }
  static TriState FromFlag(bool flag) { return TriState(flag ? kOn : kOff); }
  bool AsFlag() const { return value_ == kOn; }
  // On and off swap; mixed and empty stay.
  TriState Toggled() const;

  // Folds another state in: empty takes it; two different plain states become mixed; mixed
  // stays mixed; an empty other changes nothing. Answers whether the result is mixed.
  bool Accumulate(TriState other);
  bool AccumulateFlag(bool flag) { return Accumulate(FromFlag(flag)); }

  // Shows the state on the menu item of the command and enables or grays it: mixed is the
  // item checked with a "-" mark; otherwise the standard check mark, checked when on.
  void ShowInMenu(int16_t command, bool enabled) const;

  bool operator==(const TriState&) const = default;

 private:
  Value value_ = kEmpty;
};
