// The broad phase finds exactly the pairs of overlapping boxes, in ascending order, however
// many there are and however the boxes moved since the last call.

#include <gtest/gtest.h>

#include <random>

#include "solver/contact/BroadPhase.h"

namespace yb::contact {
namespace {

std::vector<std::pair<int, int>> EveryOverlap(const std::vector<Box>& boxes) {
  std::vector<std::pair<int, int>> pairs;
  for (size_t i = 0; i < boxes.size(); ++i)
    for (size_t j = i + 1; j < boxes.size(); ++j) {
      const Box &a = boxes[i], &b = boxes[j];
      if (a.minX > b.maxX || b.minX > a.maxX || a.minY > b.maxY || b.minY > a.maxY) continue;
      pairs.emplace_back(std::min(a.body, b.body), std::max(a.body, b.body));
    }
  std::sort(pairs.begin(), pairs.end());
  return pairs;
}

// Crowds of a few to many overlaps (a long floor under all of them among them), moved between
// calls so that the kept order is partly wrong.
TEST(BroadPhase, FindsEveryOverlappingPairInOrder) {
  std::mt19937 random(7);
  std::uniform_real_distribution<double> place(0, 10), size(0.1, 1.5);
  BroadPhase phase;
  for (const int count : {5, 40, 400}) {
    std::vector<Box> boxes;
    boxes.push_back(Box{-1, -1, 11, 0.2, 2 * count + 1});  // a floor, with the largest body number
    for (int k = 0; k < count; ++k) {
      const double x = place(random), y = place(random);
      boxes.push_back(Box{x, y, x + size(random), y + size(random), 2 * k + 1});
    }
    for (int move = 0; move < 3; ++move) {
      std::vector<std::pair<int, int>> found;
      phase.FindPairs(boxes, found);
      ASSERT_EQ(found, EveryOverlap(boxes)) << count << " boxes, move " << move;
      for (size_t k = 1; k < boxes.size(); ++k) {
        const double dx = place(random) / 20 - 0.25;
        boxes[k].minX += dx;
        boxes[k].maxX += dx;
      }
    }
  }
}

}  // namespace
}  // namespace yb::contact
