#include "solver/contact/BroadPhase.h"

#include <algorithm>

namespace yb::contact {

void BroadPhase::FindPairs(const std::vector<Box>& boxes, std::vector<std::pair<int, int>>& pairs) {
  pairs.clear();
  const int n = static_cast<int>(boxes.size());
  if (static_cast<int>(order_.size()) != n) {
    order_.resize(n);
    for (int i = 0; i < n; ++i)
      order_[i] = i;
    // A first order from nothing: the bodies as they were made (a pyramid row by row) are far
    // from sorted, and the insertion sort below would move each box past most of the others.
    std::stable_sort(order_.begin(), order_.end(),
                     [&](int a, int b) { return boxes[a].minX < boxes[b].minX; });
  }
  // Insertion sort: the order of the last call is nearly right, so this is close to linear.
  for (int i = 1; i < n; ++i) {
    const int moving = order_[i];
    int j = i - 1;
    while (j >= 0 && boxes[order_[j]].minX > boxes[moving].minX) {
      order_[j + 1] = order_[j];
      --j;
    }
    order_[j + 1] = moving;
  }
  for (int i = 0; i < n; ++i) {
    const Box& a = boxes[order_[i]];
    for (int j = i + 1; j < n; ++j) {
      const Box& b = boxes[order_[j]];
      if (b.minX > a.maxX) break;
      if (b.minY > a.maxY || a.minY > b.maxY) continue;
      pairs.emplace_back(std::min(a.body, b.body), std::max(a.body, b.body));
    }
  }
  SortPairs(pairs);
}

// Into ascending order by a counting sort on the first body, then each first body's few pairs
// by the second: linear in the pairs where a general sort is not.
void BroadPhase::SortPairs(std::vector<std::pair<int, int>>& pairs) {
  if (pairs.size() < 64) {
    std::sort(pairs.begin(), pairs.end());
    return;
  }
  int largest = 0;
  for (const auto& [first, second] : pairs)
    largest = std::max(largest, first);
  start_.assign(largest + 2, 0);
  for (const auto& [first, second] : pairs)
    ++start_[first + 1];
  for (int i = 0; i <= largest; ++i)
    start_[i + 1] += start_[i];
  sorted_.resize(pairs.size());
  for (const auto& pair : pairs)
    sorted_[start_[pair.first]++] = pair;
  // start_[i] is now where the pairs of first body i end.
  for (int i = 0, begin = 0; i <= largest; begin = start_[i], ++i)
    std::sort(sorted_.begin() + begin, sorted_.begin() + start_[i]);
  pairs.swap(sorted_);
}

}  // namespace yb::contact
