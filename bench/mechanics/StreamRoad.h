#pragma once
// The whole road a world takes in the program: a reference scene written as the world writes its
// solver stream, handed to read_world, then run frame by frame into a history block through
// run_world. Measured against the same scene built in code and run directly, so the table shows
// what the road costs.

#include <map>
#include <string>
#include <vector>

#include "bench/mechanics/Peers.h"
#include "solver/dynamics/Model.h"
#include "solver/dynamics/RunSettings.h"

namespace yb::dynamics::bench {

// What the stream needs beyond the model's constants: the gravity of its line gravity field (0
// for none) and the force-law texts of constraints whose goals are programs (by constraint).
struct StreamExtras {
  double gravity = 0;
  std::map<int, std::string> laws;
};

// Writes the model as a solver stream. Bodies become objects 10.., points 1000.., constraints
// 3000.., in model order; a gear's two contact points 2000 + 2 c and the next.
std::vector<uint8_t> StreamOf(const Model& model, const RunSettings& settings,
                              const StreamExtras& extras);

// Runs the scene both ways for the duration; the error is the largest difference of a body's
// recorded x, y or rotation between the two, and the note gives the road's time over the code's.
Result RunStreamRoad(const std::string& scene, const Model& model, const StreamExtras& extras,
                     double duration, const RunSettings& settings);

}  // namespace yb::dynamics::bench
