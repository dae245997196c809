#include "solver/dynamics/EliminationOrder.h"

#include <algorithm>

namespace yb::dynamics {

namespace {

// Every node's neighbours, without loops and repeats, in increasing order: counted and placed
// node by node, then each node's few sorted, so that the cost follows the edges rather than a
// sort of them all.
void Neighbours(int n, std::span<const std::pair<int, int>> edges, std::vector<int>& start,
                std::vector<int>& list) {
  start.assign(n + 1, 0);
  for (const auto& [a, b] : edges)
    if (a != b) {
      ++start[a + 1];
      ++start[b + 1];
    }
  for (int i = 0; i < n; ++i)
    start[i + 1] += start[i];
  list.resize(start[n]);
  std::vector<int> fill(start.begin(), start.end() - 1);
  for (const auto& [a, b] : edges)
    if (a != b) {
      list[fill[a]++] = b;
      list[fill[b]++] = a;
    }
  // Each node's list sorted and its repeats dropped, the lists moved up over the gaps left.
  int kept = 0;
  for (int i = 0; i < n; ++i) {
    const int begin = start[i], end = start[i + 1];
    std::sort(list.begin() + begin, list.begin() + end);
    start[i] = kept;
    int previous = -1;
    for (int e = begin; e < end; ++e)
      if (list[e] != previous) {
        previous = list[e];
        list[kept++] = previous;
      }
  }
  start[n] = kept;
  list.resize(kept);
}

}  // namespace

std::vector<int> PeeledOrder(int n, std::span<const std::pair<int, int>> edges,
                             const std::vector<int>& fallback) {
  std::vector<int> start, list;
  Neighbours(n, edges, start, list);
  std::vector<char> gone(n, 0), queued(n, 0);
  std::vector<int> mark(n, -1);
  // Whether the node's remaining neighbours are all joined to each other. Since only such nodes
  // are taken out, the remaining graph never gains an edge, and the lists stay those given.
  auto fillsNothing = [&](int v) {
    for (int e = start[v]; e < start[v + 1]; ++e) {
      const int u = list[e];
      if (gone[u]) continue;
      for (int f = start[u]; f < start[u + 1]; ++f)
        mark[list[f]] = u;
      mark[u] = u;
      for (int g = start[v]; g < start[v + 1]; ++g) {
        const int w = list[g];
        if (!gone[w] && mark[w] != u) return false;
      }
    }
    return true;
  };
  std::vector<int> sequence, round, next;
  sequence.reserve(n);
  for (int v = 0; v < n; ++v)
    round.push_back(v);
  while (!round.empty()) {
    next.clear();
    std::vector<int> taken;
    for (int v : round) {
      queued[v] = 0;
      if (!gone[v] && fillsNothing(v)) taken.push_back(v);
    }
    // A round is taken out whole: taking out a node that fills nothing leaves every other such
    // node filling nothing.
    for (int v : taken) {
      gone[v] = 1;
      sequence.push_back(v);
    }
    // Only the neighbours of nodes taken out can have come to fill nothing.
    for (int v : taken)
      for (int e = start[v]; e < start[v + 1]; ++e) {
        const int u = list[e];
        if (gone[u] || queued[u]) continue;
        queued[u] = 1;
        next.push_back(u);
      }
    round.swap(next);
  }
  std::vector<int> rest;
  for (int v = 0; v < n; ++v)
    if (!gone[v]) rest.push_back(v);
  std::sort(rest.begin(), rest.end(), [&](int a, int b) { return fallback[a] < fallback[b]; });
  sequence.insert(sequence.end(), rest.begin(), rest.end());
  std::vector<int> place(n);
  for (int k = 0; k < n; ++k)
    place[sequence[k]] = k;
  return place;
}

EliminationCost CostOfOrder(int n, std::span<const std::pair<int, int>> edges,
                            const std::vector<int>& place) {
  // The matrix's entries above the diagonal by column, in the new places.
  std::vector<int> start(n + 1, 0), above;
  for (const auto& [a, b] : edges)
    if (a != b) ++start[std::max(place[a], place[b]) + 1];
  for (int k = 0; k < n; ++k)
    start[k + 1] += start[k];
  above.resize(start[n]);
  std::vector<int> fill(start.begin(), start.end() - 1);
  for (const auto& [a, b] : edges)
    if (a != b) above[fill[std::max(place[a], place[b])]++] = std::min(place[a], place[b]);
  // The elimination tree and the factor's entries, each row's found along the tree.
  EliminationCost cost;
  std::vector<int> parent(n, -1), flag(n, -1), depth(n, 0);
  for (int k = 0; k < n; ++k) {
    flag[k] = k;
    for (int p = start[k]; p < start[k + 1]; ++p)
      for (int i = above[p]; flag[i] != k; i = parent[i]) {
        if (parent[i] == -1) parent[i] = k;
        ++cost.entries;
        flag[i] = k;
      }
  }
  for (int k = n - 1; k >= 0; --k) {
    if (parent[k] >= 0) depth[k] = depth[parent[k]] + 1;
    cost.height = std::max(cost.height, depth[k] + 1);
  }
  return cost;
}

}  // namespace yb::dynamics
