#pragma once
// The pairs of boxes that overlap, by sweeping the boxes along x in order of their left edges:
// the cost follows the number of bodies and of near pairs, not the square of the bodies.

#include <utility>
#include <vector>

namespace yb::contact {

struct Box {
  double minX, minY, maxX, maxY;
  int body;
};

class BroadPhase {
 public:
  // Every pair (lower body first) whose boxes overlap, in ascending order of (first, second).
  void FindPairs(const std::vector<Box>& boxes, std::vector<std::pair<int, int>>& pairs);

 private:
  void SortPairs(std::vector<std::pair<int, int>>& pairs);

  std::vector<int> order_;  // kept between calls: the boxes are nearly sorted from the last one
  std::vector<int> start_;  // buffers of SortPairs
  std::vector<std::pair<int, int>> sorted_;
};

}  // namespace yb::contact
