#pragma once
// Values kept from one evaluation to the next by a sorted key (a contact's forces, its
// impulses), read back in the order of the contacts.

#include <algorithm>
#include <cstddef>
#include <utility>
#include <vector>

namespace yb::dynamics {

// Looks keys up in a sorted list of kept values in the order they come: the value kept for each
// key, or 0. The search goes on from where the last key was found, in doubling steps: keys that
// come in the list's own order, as the contacts of a pile found pair by pair do, cost a step or
// two each rather than a search of the whole list; keys in any other order are found as well.
template <typename Key>
class KeptInOrder {
 public:
  explicit KeptInOrder(const std::vector<std::pair<Key, double>>& kept) : kept_(kept) {}
  double operator()(const Key& key) {
    const size_t n = kept_.size();
    size_t low = 0, high = n;  // the first entry not before the key lies in [low, high]
    if (from_ < n && kept_[from_].first < key) {
      low = from_ + 1;
      for (size_t step = 1;; step *= 2) {
        const size_t probe = low + step - 1;
        if (probe >= n) break;
        if (!(kept_[probe].first < key)) {
          high = probe;
          break;
        }
        low = probe + 1;
      }
    } else if (from_ == 0 || kept_[from_ - 1].first < key) {
      low = high = from_;
    } else {
      high = from_;
    }
    const auto begin = kept_.begin();
    const auto at = std::lower_bound(begin + static_cast<std::ptrdiff_t>(low),
                                     begin + static_cast<std::ptrdiff_t>(high), key,
                                     [](const auto& entry, const Key& k) { return entry.first < k; });
    from_ = static_cast<size_t>(at - begin);
    return at != kept_.end() && at->first == key ? at->second : 0.0;
  }

 private:
  const std::vector<std::pair<Key, double>>& kept_;
  size_t from_ = 0;
};

// Sorts kept values that are not sorted already: made in the order of the contacts, they nearly
// always are.
template <typename Entry>
void SortKept(std::vector<Entry>& kept) {
  if (!std::is_sorted(kept.begin(), kept.end())) std::sort(kept.begin(), kept.end());
}

}  // namespace yb::dynamics
