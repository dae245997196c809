#pragma once
// A set of 16-bit frame numbers kept as sorted, disjoint closed ranges, so that runs of
// consecutive frames (0, 1, 2, ...) cost one element. Membership is a binary search.

#include <cstdint>

#include "core/Collection.h"

struct TRangeSetElement {
  int16_t low = 0;
  int16_t high = 0;
};

class TRangeSet : public TDynamicArray {
 public:
  // The answer of FirstMember and HighestFree when there is no such value.
  static constexpr int16_t kNone = 32767;

  TRangeSet() { InitRangeSet(); }

  // Empties the set (no ranges, 4-byte elements).
  void InitRangeSet();
  bool Contains(int16_t n) const;
  // Low end of the first range; kNone when empty.
  int16_t FirstMember() const;
  // High end of the last range; 0 when empty.
  int16_t LastMember() const;
  // The first value after a run of members that starts at or below 0; 0 otherwise.
  int16_t LowestFree() const;
  // The last value before a run of members that reaches 32767; 32767 otherwise.
  int16_t HighestFree() const;
  void AddMember(int16_t n);
  void RemoveMember(int16_t n);
  // Removes every member at or above n.
  void RemoveFrom(int16_t n);
  void RemoveAll();

  // Range index (1..count).
  TRangeSetElement RangeAt(int32_t index) const;

 private:
  void SetRange(int32_t index, const TRangeSetElement& range);
  void InsertRange(int32_t index, const TRangeSetElement& range);
  // Binary search: answers the index of the range holding n, or 0 with lo and hi where the
  // search ended.
  int32_t Search(int16_t n, int32_t& lo, int32_t& hi) const;
};
