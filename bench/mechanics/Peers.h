#pragma once
// The peer engines of the side-by-side benchmark, driven through one small interface. Each peer
// world is built from our model (bodies, pins, rods, locked slots, velocity motors, line gravity),
// so every engine runs the same mechanism.

#include <algorithm>
#include <cmath>
#include <ctime>
#include <sys/resource.h>
#include <memory>
#include <string>
#include <vector>

#include "solver/dynamics/Model.h"

namespace yb::dynamics::bench {

struct Result {
  std::string scene, engine, quantity;
  double error = 0, secondsPerSecond = 0;
  std::string note;
};

enum class PeerProbe { Energy, FourBar, SliderCrank, Joints, GearRatios };

struct PeerRun {
  std::string engine;  // "box2d", "chipmunk", "mujoco"
  std::string label;
  double step;
  int iterations;  // solver iterations where the engine has them
};

// The processor time of the calling thread, in seconds. Every engine runs on the thread that
// calls it, so this is the work done, whatever else the machine does meanwhile.
inline double ThreadSeconds() {
  timespec now{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + 1e-9 * static_cast<double>(now.tv_nsec);
}

// The page faults of this thread so far: one at the first touch of every page of new memory. On
// a virtual machine each costs a trap that the processor time above counts, and a crowd's engine
// takes thousands as it is built: a row's time is read beside them.
inline long ThreadPageFaults() {
  rusage usage{};
  getrusage(RUSAGE_THREAD, &usage);
  return usage.ru_minflt;
}

// The shortest processor time of a few runs of the work (one at least; more while they are
// short), so that a row of the table does not depend on what else the machine did at one moment.
template <typename Work>
double ShortestTime(Work&& work) {
  double best = HUGE_VAL, total = 0;
  for (int i = 0; i < 5 && (i == 0 || total < 0.5); ++i) {
    const double start = ThreadSeconds();
    work();
    const double spent = ThreadSeconds() - start;
    best = std::min(best, spent);
    total += spent;
  }
  return best;
}

// The installed peers, each at its default settings and at a step that gives it a smaller error.
std::vector<PeerRun> PeerRuns();

// Centre-of-mass state of every model body (index 0, the background, stays at rest).
struct PeerBody {
  double x = 0, y = 0, angle = 0, vx = 0, vy = 0, w = 0;
};

class PeerWorld {
 public:
  virtual ~PeerWorld() = default;
  virtual void Step() = 0;
  virtual PeerBody Body(int index) const = 0;
  // Energy where the engine computes it itself (reduced-coordinate engines); NaN otherwise.
  virtual double Energy() const { return NAN; }
};

// A peer world of the model; k and c > 0 make the model's linear law a spring and damper.
std::unique_ptr<PeerWorld> MakePeer(const PeerRun& run, const Model& model, double k, double c);

Result RunPeer(const PeerRun& run, const std::string& scene, const std::string& quantity,
               const Model& model, double duration, PeerProbe probe);
Result RunSpringPeer(const PeerRun& run, const std::string& scene, double damping, double duration);

}  // namespace yb::dynamics::bench
