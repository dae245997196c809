#pragma once
// Elimination orders for the sparse factorisation of J W J'. A fill-reducing order such as the
// approximate minimum degree may eliminate a chain from one end to the other: every pivot then
// waits for the one before it, in the factorisation and in both passes of every solve. Peeled
// from all its ends at once, a chain or a tree fills nothing either, and the pivots of its
// different ends, independent of each other, follow each other in the order, so the processor
// overlaps them.

#include <span>
#include <utility>
#include <vector>

namespace yb::dynamics {

// The place of each of n nodes of the graph with the given edges (either direction, repeats and
// loops allowed): in rounds, every node whose remaining neighbours are all joined to each other
// (eliminating it fills nothing), each round in the order the nodes were found; the nodes left
// when no such node remains follow in the order of `fallback` (a place per node).
std::vector<int> PeeledOrder(int n, std::span<const std::pair<int, int>> edges,
                             const std::vector<int>& fallback);

// What eliminating the graph's matrix in an order (the place of each node) costs: the entries of
// the factor below its diagonal, and the height of its elimination tree (the longest chain of
// pivots that wait for each other).
struct EliminationCost {
  long entries = 0;
  int height = 0;
};
EliminationCost CostOfOrder(int n, std::span<const std::pair<int, int>> edges,
                            const std::vector<int>& place);

}  // namespace yb::dynamics
