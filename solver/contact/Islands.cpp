#include "solver/contact/Islands.h"

namespace yb::contact {

void Islands::Reset(int bodies) {
  sleepable_.assign(bodies, 0);
  asleep_.assign(bodies, 0);
  rested_.assign(bodies, 0.0);
  island_.assign(bodies, -1);
  parent_.assign(bodies, 0);
  blocked_.assign(bodies, 0);
  asleepCount_ = 0;
}

int Islands::Root(int body) {
  while (parent_[body] != body) {
    parent_[body] = parent_[parent_[body]];
    body = parent_[body];
  }
  return body;
}

bool Islands::Rest(double dt, const std::vector<char>& resting) {
  const int bodies = static_cast<int>(asleep_.size());
  bool restedEnough = false;
  for (int i = 0; i < bodies; ++i) {
    if (asleep_[i]) continue;
    rested_[i] = resting[i] ? rested_[i] + dt : 0.0;
    restedEnough = restedEnough || (sleepable_[i] && rested_[i] >= kRestTime);
  }
  return restedEnough;
}

void Islands::Settle(const std::vector<std::pair<int, int>>& touching,
                     std::vector<int>& fellAsleep) {
  const int bodies = static_cast<int>(asleep_.size());
  for (int i = 0; i < bodies; ++i) {
    parent_[i] = i;
    blocked_[i] = 0;
  }
  // Awake bodies in contact form one island; a sleeping body touched by an awake one has been
  // woken by the caller before, so only awake pairs join.
  for (const auto& [a, b] : touching) {
    if (asleep_[a] || asleep_[b]) continue;
    const int ra = Root(a), rb = Root(b);
    if (ra != rb) parent_[ra] = rb;
  }
  for (int i = 0; i < bodies; ++i)
    if (!asleep_[i] && (!sleepable_[i] || rested_[i] < kRestTime)) blocked_[Root(i)] = 1;
  for (int i = 0; i < bodies; ++i) {
    if (asleep_[i] || !sleepable_[i] || blocked_[Root(i)]) continue;
    asleep_[i] = 1;
    island_[i] = Root(i);
    ++asleepCount_;
    fellAsleep.push_back(i);
  }
}

void Islands::Wake(int body, std::vector<int>& woke) {
  if (!asleep_[body]) return;
  const int island = island_[body];
  for (int i = 0; i < static_cast<int>(asleep_.size()); ++i) {
    if (!asleep_[i] || island_[i] != island) continue;
    asleep_[i] = 0;
    island_[i] = -1;
    rested_[i] = 0;
    --asleepCount_;
    woke.push_back(i);
  }
}

}  // namespace yb::contact
