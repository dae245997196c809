#include "inout/meters/RangeSet.h"

void TRangeSet::InitRangeSet() {
  IDynamicArray(0, sizeof(TRangeSetElement));
}

TRangeSetElement TRangeSet::RangeAt(int32_t index) const {
  TRangeSetElement range;
  GetElementsAt(index, &range, 1);
  return range;
}

void TRangeSet::SetRange(int32_t index, const TRangeSetElement& range) {
  ReplaceElementsAt(index, &range, 1);
}

void TRangeSet::InsertRange(int32_t index, const TRangeSetElement& range) {
  InsertElementsBefore(index, &range, 1);
}

int32_t TRangeSet::Search(int16_t n, int32_t& lo, int32_t& hi) const {
  lo = 1;
  hi = GetCount();
  while (lo <= hi) {
    const int32_t mid = (lo + hi) / 2;
    const TRangeSetElement range = RangeAt(mid);
    if (n < range.low) {
      hi = mid - 1;
    } else if (n > range.high) {
      lo = mid + 1;
    } else {
      return mid;
    }
  }
  return 0;
}

bool TRangeSet::Contains(int16_t n) const {
  int32_t lo = 0;
  int32_t hi = 0;
  return Search(n, lo, hi) != 0;
}

int16_t TRangeSet::FirstMember() const {
  return IsEmpty() ? kNone : RangeAt(1).low;
}

int16_t TRangeSet::LastMember() const {
  return IsEmpty() ? 0 : RangeAt(GetCount()).high;
}

int16_t TRangeSet::LowestFree() const {
  if (IsEmpty()) return 0;
  const TRangeSetElement first = RangeAt(1);
  // A run reaching 32767 has no free value after it; the answer is then "none".
  if (first.low < 1) return first.high == kNone ? kNone : static_cast<int16_t>(first.high + 1);
  return 0;
}

int16_t TRangeSet::HighestFree() const {
  if (IsEmpty()) return kNone;
  const TRangeSetElement last = RangeAt(GetCount());
  if (last.high < kNone) return kNone;
  // A run starting at -32768 leaves nothing free below it.
  return last.low == INT16_MIN ? INT16_MIN : static_cast<int16_t>(last.low - 1);
}

void TRangeSet::AddMember(int16_t n) {
  int32_t lo = 1;
  int32_t hi = GetCount();
  while (lo <= hi) {
    const int32_t mid = (lo + hi) / 2;
    TRangeSetElement range = RangeAt(mid);
    if (n >= range.low && n <= range.high) return;
    if (n == range.low - 1) {
      range.low = n;
      SetRange(mid, range);
      if (mid > 1 && RangeAt(mid - 1).high + 1 >= n) {
        TRangeSetElement before = RangeAt(mid - 1);
        before.high = range.high;
        SetRange(mid - 1, before);
        DeleteElementsAt(mid, 1);
      }
      return;
    }
    if (n == range.high + 1) {
      range.high = n;
      SetRange(mid, range);
      if (mid < GetCount() && RangeAt(mid + 1).low - 1 <= n) {
        TRangeSetElement after = RangeAt(mid + 1);
        after.low = range.low;
        SetRange(mid + 1, after);
        DeleteElementsAt(mid, 1);
      }
      return;
    }
    if (n < range.low) {
      hi = mid - 1;
    } else {
      lo = mid + 1;
    }
  }
  InsertRange(lo, TRangeSetElement{n, n});
}

void TRangeSet::RemoveMember(int16_t n) {
  int32_t lo = 0;
  int32_t hi = 0;
  const int32_t index = Search(n, lo, hi);
  if (index == 0) return;
  TRangeSetElement range = RangeAt(index);
  if (range.low == range.high) {
    DeleteElementsAt(index, 1);
  } else if (n == range.low) {
    ++range.low;
    SetRange(index, range);
  } else if (n == range.high) {
    --range.high;
    SetRange(index, range);
  } else {
    InsertRange(index, TRangeSetElement{range.low, static_cast<int16_t>(n - 1)});
    range.low = static_cast<int16_t>(n + 1);
    SetRange(index + 1, range);
  }
}

void TRangeSet::RemoveFrom(int16_t n) {
  int32_t lo = 0;
  int32_t hi = 0;
  const int32_t index = Search(n, lo, hi);
  int32_t keep = hi;
  if (index != 0) {
    TRangeSetElement range = RangeAt(index);
    if (range.low == n) {
      keep = index - 1;
    } else {
      range.high = static_cast<int16_t>(n - 1);
      SetRange(index, range);
      keep = index;
    }
  }
  if (keep < GetCount()) DeleteElementsAt(keep + 1, GetCount() - keep);
}

void TRangeSet::RemoveAll() {
  if (!IsEmpty()) DeleteElementsAt(1, GetCount());
}
