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
  std::sort(pairs.begin(), pairs.end());
}

}  // namespace yb::contact
