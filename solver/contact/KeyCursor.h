#pragma once
// Look-ups in a list sorted by key, for keys asked for mostly in ascending order.

#include <algorithm>
#include <cstddef>
#include <vector>

namespace yb::contact {

// The entry itself is its key.
struct Itself {
  template <class T>
  const T& operator()(const T& entry) const {
    return entry;
  }
};

// The key is the first of a pair.
struct FirstOf {
  template <class T>
  const auto& operator()(const T& entry) const {
    return entry.first;
  }
};

// A pass over the contacts in the order a search found them asks for their keys in ascending
// order, mostly: each look-up gallops on from where the last one ended, so such a pass costs a
// step or two per key where a binary search of the whole list would cost its logarithm, and a
// pile's lists are long. A key below the last one asked for gallops back from there in the same
// way, so any order of look-ups gives the answers a binary search gives. The list may come from
// any allocator: a pile's lists are the solver's large arrays, which leave new elements unset.
template <class Entry, class KeyOf = Itself, class List = std::vector<Entry>>
class KeyCursor {
 public:
  explicit KeyCursor(const List& list, KeyOf keyOf = {}) : list_(list), keyOf_(keyOf) {}

  // The place of the first entry whose key is not below `key`, or the list's size.
  template <class Key>
  [[gnu::always_inline]] size_t LowerBound(const Key& key) {
    const size_t n = list_.size();
    if (at_ > n) at_ = 0;
    if (at_ > 0 && !(keyOf_(list_[at_ - 1]) < key)) return GallopBack(key);
    // Most keys asked for lie at the place the last one ended, or between it and its entry, or
    // (where the last one was found) at the entry after it.
    if (at_ == n || !(keyOf_(list_[at_]) < key)) return at_;
    if (at_ + 1 == n || !(keyOf_(list_[at_ + 1]) < key)) return ++at_;
    return Gallop(key);
  }

  // The entry with this key, or null.
  template <class Key>
  [[gnu::always_inline]] const Entry* Find(const Key& key) {
    // Many of the lists asked are empty most of the time: those answer at once.
    if (list_.empty()) return nullptr;
    const size_t at = LowerBound(key);
    return at < list_.size() && !(key < keyOf_(list_[at])) ? &list_[at] : nullptr;
  }

  template <class Key>
  [[gnu::always_inline]] bool Contains(const Key& key) {
    return Find(key) != nullptr;
  }

 private:
  // LowerBound beyond the entry at the cursor, which is below the key; kept out of line so that
  // the common answers above are made in place.
  template <class Key>
  [[gnu::noinline]] size_t Gallop(const Key& key) {
    const size_t n = list_.size();
    // Every entry before `lo` is below the key; the one at `hi` (where there is one) is not.
    size_t lo = at_, hi = at_, step = 1;
    while (hi < n && keyOf_(list_[hi]) < key) {
      lo = hi + 1;
      hi += step;
      step *= 2;
    }
    hi = std::min(hi, n);
    return SettleBetween(lo, hi, key);
  }

  // LowerBound before the entry ahead of the cursor, which is not below the key: galloping back
  // from the cursor, a key a place or two back (the second point of a manifold whose points
  // came out of the order of their keys) costs as little as one a place or two ahead.
  template <class Key>
  [[gnu::noinline]] size_t GallopBack(const Key& key) {
    // The entry at `hi` is not below the key; every entry before `lo` is.
    size_t hi = at_ - 1, lo = 0, step = 1;
    while (hi >= step) {
      const size_t probe = hi - step;
      if (keyOf_(list_[probe]) < key) {
        lo = probe + 1;
        break;
      }
      hi = probe;
      step *= 2;
    }
    return SettleBetween(lo, hi, key);
  }

  // Moves the cursor to the first entry in [lo, hi) not below the key (hi where none is), every
  // entry before lo being below it.
  template <class Key>
  size_t SettleBetween(size_t lo, size_t hi, const Key& key) {
    const auto first =
        std::partition_point(list_.begin() + static_cast<std::ptrdiff_t>(lo),
                             list_.begin() + static_cast<std::ptrdiff_t>(hi),
                             [&](const Entry& entry) { return keyOf_(entry) < key; });
    at_ = static_cast<size_t>(first - list_.begin());
    return at_;
  }

  const List& list_;
  KeyOf keyOf_;
  size_t at_ = 0;
};

template <class Entry, class Allocator>
KeyCursor(const std::vector<Entry, Allocator>&)
    -> KeyCursor<Entry, Itself, std::vector<Entry, Allocator>>;
template <class Entry, class Allocator, class KeyOf>
KeyCursor(const std::vector<Entry, Allocator>&, KeyOf)
    -> KeyCursor<Entry, KeyOf, std::vector<Entry, Allocator>>;

// The value kept for a key in a list of (key, value) pairs sorted by key, or zero. Inline, as
// Find is: a pile's solve asks it for every point, and a call apiece costs as much as the
// common answers do.
template <class Entry, class List>
[[gnu::always_inline]] inline auto ValueOr0(KeyCursor<Entry, FirstOf, List>& cursor, const typename Entry::first_type& key) {
  const Entry* found = cursor.Find(key);
  return found != nullptr ? found->second : typename Entry::second_type{};
}

// Sorts a kept list that is not sorted already: made in the order of the contacts, it nearly
// always is. Where it is not, its entries are mostly a place or two out (the two points of a
// manifold come in the order its clipping made them, not that of their keys): those are put
// back by insertion, in a pass that costs little more than the check. A list further out of
// order than that (a pile's whole list, once) is sorted outright.
template <class Entry, class Allocator>
void SortKept(std::vector<Entry, Allocator>& kept) {
  const auto unsorted = std::is_sorted_until(kept.begin(), kept.end());
  if (unsorted == kept.end()) return;
  // Moves allowed before the insertion gives way to a sort of the whole list.
  std::ptrdiff_t budget = 2 * static_cast<std::ptrdiff_t>(kept.size()) + 16;
  for (auto it = unsorted; it != kept.end(); ++it) {
    if (!(*it < *(it - 1))) continue;
    Entry entry = std::move(*it);
    auto hole = it;
    do {
      *hole = std::move(*(hole - 1));
      --hole;
      --budget;
    } while (hole != kept.begin() && entry < *(hole - 1));
    *hole = std::move(entry);
    if (budget < 0) {
      std::sort(kept.begin(), kept.end());
      return;
    }
  }
}

}  // namespace yb::contact
