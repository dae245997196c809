#include "solver/dynamics/EliminationOrder.h"

#include <algorithm>

namespace yb::dynamics {

namespace {

// Every node's neighbours, without loops and repeats.
void Neighbours(int n, const std::vector<std::pair<int, int>>& edges, std::vector<int>& start,
                std::vector<int>& list) {
  std::vector<std::pair<int, int>> both;
  both.reserve(2 * edges.size());
  for (const auto& [a, b] : edges)
    if (a != b) {
      both.emplace_back(a, b);
      both.emplace_back(b, a);
    }
  std::sort(both.begin(), both.end());
  both.erase(std::unique(both.begin(), both.end()), both.end());
  start.assign(n + 1, 0);
  list.resize(both.size());
  for (size_t k = 0; k < both.size(); ++k) {
    ++start[both[k].first + 1];
    list[k] = both[k].second;
  }
  for (int i = 0; i < n; ++i)
    start[i + 1] += start[i];
}

}  // namespace

std::vector<int> PeeledOrder(int n, const std::vector<std::pair<int, int>>& edges,
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

EliminationCost CostOfOrder(int n, const std::vector<std::pair<int, int>>& edges,
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
