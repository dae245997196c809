#pragma once
// Islands of bodies that touch, and which of them sleep. A body rests while its outline moves
// slower than the rest speed; an island all of whose bodies have rested for the rest time falls
// asleep, and stays so until something awake comes near one of its bodies or the forces on one
// of them change. Bodies that may not sleep (held by a joint, a spring or a drive) keep their
// island awake.

#include <utility>
#include <vector>

namespace yb::contact {

class Islands {
 public:
  // How long an island must rest before it sleeps, in seconds.
  static constexpr double kRestTime = 0.5;

  // Every body awake, with no rest behind it; none may sleep until allowed.
  void Reset(int bodies);
  void AllowSleep(int body) { sleepable_[body] = 1; }
  bool Asleep(int body) const { return asleep_[body] != 0; }
  bool AnyAsleep() const { return asleepCount_ > 0; }

  // After a step of length dt: `resting` per body whether it moved slower than the rest speed.
  // True when some awake body that may sleep has now rested for the rest time: only then can an
  // island fall asleep (see Settle).
  bool Rest(double dt, const std::vector<char>& resting);
  // After Rest answered true: `touching` the pairs of movable bodies in contact. Bodies whose
  // island has rested long enough fall asleep and are appended to `fellAsleep`.
  void Settle(const std::vector<std::pair<int, int>>& touching, std::vector<int>& fellAsleep);
  // Wakes the island the body sleeps in, appending its bodies to `woke`; nothing when it is awake.
  void Wake(int body, std::vector<int>& woke);

 private:
  int Root(int body);

  std::vector<char> sleepable_, asleep_;
  std::vector<double> rested_;  // how long each body has rested
  std::vector<int> island_;     // per sleeping body, the island it fell asleep with
  std::vector<int> parent_;     // union-find of the last update
  std::vector<char> blocked_;   // per root: the island cannot sleep
  int asleepCount_ = 0;
};

}  // namespace yb::contact
