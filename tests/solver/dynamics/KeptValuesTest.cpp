// Kept values read back by key in any order find what a search of the whole list finds.

#include "solver/contact/KeyCursor.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>

namespace yb::dynamics {
namespace {

using Key = std::pair<uint64_t, uint64_t>;
using Kept = std::vector<std::pair<Key, double>>;

double Searched(const Kept& kept, const Key& key) {
  const auto at = std::lower_bound(kept.begin(), kept.end(), key,
                                   [](const auto& entry, const Key& k) { return entry.first < k; });
  return at != kept.end() && at->first == key ? at->second : 0.0;
}

// Every other key of a range kept, with a value of its own; the queries cover the range and a
// little beyond either end, so that half of them find nothing.
TEST(KeptValues, FindWhatASearchFindsInEveryOrderOfQueries) {
  std::mt19937 random(7);
  for (const int size : {0, 1, 2, 5, 64, 1000}) {
    Kept kept;
    std::vector<Key> queries;
    for (int k = -2; k < 2 * size + 2; ++k) {
      const Key key{static_cast<uint64_t>(k + 2) / 3, static_cast<uint64_t>(k + 2) % 3};
      queries.push_back(key);
      if (k >= 0 && k < 2 * size && k % 2 == 0) kept.emplace_back(key, 1.0 + k);
    }
    std::vector<std::vector<Key>> orders{queries, queries, queries, {}};
    std::reverse(orders[1].begin(), orders[1].end());
    std::shuffle(orders[2].begin(), orders[2].end(), random);
    // Runs forward with jumps back, as contacts found pair by pair mostly are.
    for (size_t k = 0; k < queries.size(); ++k)
      orders[3].push_back(queries[k % 7 == 3 ? k / 2 : k]);
    for (size_t o = 0; o < orders.size(); ++o) {
      contact::KeyCursor lookUp(kept, contact::FirstOf{});
      for (const Key& key : orders[o])
        ASSERT_EQ(contact::ValueOr0(lookUp, key), Searched(kept, key))
            << "size " << size << ", order " << o << ", key " << key.first << "," << key.second;
    }
  }
}

// Kept lists come nearly sorted (a pair of neighbours swapped here and there), reversed, or in
// no order at all; each comes out as a full sort leaves it, whichever way it is put in order.
TEST(KeptValues, SortKeptOrdersListsInAnyStartingOrder) {
  std::mt19937 random(11);
  for (const int size : {0, 1, 2, 3, 17, 1000, 5000}) {
    Kept sorted;
    for (int k = 0; k < size; ++k)
      sorted.emplace_back(Key{static_cast<uint64_t>(k / 2), static_cast<uint64_t>(k % 2)}, k);
    std::vector<Kept> starts(5, sorted);
    for (size_t k = 1; k < sorted.size(); k += 3)
      std::swap(starts[1][k - 1], starts[1][k]);
    std::reverse(starts[2].begin(), starts[2].end());
    std::shuffle(starts[3].begin(), starts[3].end(), random);
    // Sorted but for one entry carried from the end to the front.
    if (size > 1) std::rotate(starts[4].begin(), starts[4].end() - 1, starts[4].end());
    for (size_t s = 0; s < starts.size(); ++s) {
      Kept kept = starts[s];
      contact::SortKept(kept);
      ASSERT_EQ(kept, sorted) << "size " << size << ", start " << s;
    }
  }
}

}  // namespace
}  // namespace yb::dynamics
