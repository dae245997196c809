#pragma once
// Runs a mechanical system in time: Euler with a fixed step, or Kutta-Merson (fourth order with
// its embedded error estimate) with a fixed step or a step chosen under the integrator error.
// After every accepted step positions and velocities are projected back onto the constraints.
// Conditions that change sign inside a step (activation conditions, one-sided constraints coming
// into contact, pause conditions) are located in time, and the step ends there.

#include <functional>
#include <utility>
#include <vector>

#include <Eigen/Core>

#include "solver/dynamics/Mechanics.h"
#include "solver/dynamics/RunSettings.h"

namespace yb::dynamics {

// The values recorded for every body each frame.
struct BodyFrame {
  double x, y, r, vx, vy, vr, cos, sin;
};

struct ConditionEvent {
  int condition;
  double time;
  bool pause;
};

struct RunStatistics {
  int64_t accepted = 0, rejected = 0, evaluations = 0, located = 0;
};

class Simulation {
 public:
  Simulation(Model model, RunSettings settings);

  Mechanics& GetMechanics() { return mechanics_; }
  const Mechanics& GetMechanics() const { return mechanics_; }
  const RunSettings& Settings() const { return settings_; }
  double Time() const { return time_; }
  const RunStatistics& Statistics() const { return statistics_; }

  // A condition is watched while the world runs: the time its value changes sign is found
  // inside the step. A pause condition stops the run there.
  int AddCondition(Value condition, bool pause);
  const std::vector<ConditionEvent>& Events() const { return events_; }
  // The reports the run settings' warning switches ask for, each kind and constraint once.
  std::vector<Warning> Warnings() const;

  // Integrates up to the given time, or until a pause condition changes sign. Returns false
  // when paused. A collider too thin for the speeds reached (a step below SmallestStep would be
  // needed to keep bodies from passing through it) raises kErrTooThin naming it and the fastest
  // body, unless thin colliders were allowed: then the steps stay at the smallest, and a body may
  // pass through it.
  bool AdvanceTo(double time);
  // The shortest step the run takes: a contact needing shorter ones is refused.
  double SmallestStep() const;
  void AllowThinColliders() { allowThin_ = true; }
  // Runs one animation step; the frame's values are those at its end.
  bool NextFrame(std::vector<BodyFrame>& frame);
  // Something the formulas read from outside the world (an input's value) has changed: the
  // evaluation at the end of the last frame no longer answers for the next step's start.
  void ForgetEvaluation() { k1Ready_ = false; }

 private:
  // One step from the current state; the error estimate is zero for Euler.
  void Step(double h, Eigen::VectorXd& result, double& error);
  void ConditionValues(double time, const Eigen::VectorXd& state, std::vector<double>& values);
  // The first index whose value crosses in the way that counts, or -1.
  int FirstCrossing(const std::vector<double>& before, const std::vector<double>& after,
                    double& fraction) const;
  double LocateCrossing(int index, double h, Eigen::VectorXd& result, std::vector<double>& values);
  std::pair<double, double> LandingBand(int index) const;
  DynamicsError StepTooSmall() const;
  DynamicsError Stalled() const;
  DynamicsError TooThin(double needed) const;
  double AssemblyTolerance(const Eigen::VectorXd& state) const;
  DynamicsError OffTheConstraints(double residual, double tolerance) const;
  void Accept(double h, Eigen::VectorXd& state);
  double StepToward(double remaining) const;
  // Whether the next fast step may be taken as one that moves nothing (see the definition).
  bool Rests();
  void Rest(double h, int& shortSteps);
  static bool ConstantRecords(const Model& model);
  bool AtRest(double h) const;

  Mechanics mechanics_;
  RunSettings settings_;
  double time_ = 0;
  Eigen::VectorXd state_;
  double step_;  // the next variable step
  // The share of the step before a located crossing that the step after it starts at, as the
  // last such step showed; and the step before the crossing whose next step has yet to show it.
  double afterCrossing_ = 1.0;
  double crossedStep_ = 0;
  std::vector<Value> conditions_;
  std::vector<bool> pauses_;
  std::vector<double> conditionValues_;
  std::vector<ConditionEvent> events_;
  int activationCount_ = 0;
  RunStatistics statistics_;
  std::vector<Warning> ownWarnings_;
  Eigen::VectorXd k1_, k2_, k3_, k4_, k5_, scratch_;
  // Whether k1_ holds the evaluation at the present time and state, and whether that evaluation
  // read the collisions of the frame (then it is made anew once they are forgotten).
  bool k1Ready_ = false;
  bool k1ReadCollisions_ = true;
  Eigen::VectorXd trial_;  // a trial step of locating a crossing
  Eigen::VectorXd result_;         // the step being taken
  std::vector<double> values_;     // its condition values
  Eigen::VectorXd estimate_;  // a step's error estimate
  Eigen::VectorXd whole_;  // a step's error estimate before the projection's part is taken out
  std::vector<double> previousValues_;  // the condition values before the last accepted step
  double previousStep_ = 0;  // the last accepted step, 0 where it ended at a located crossing
  std::vector<double> lengthScale_;  // per free coordinate, for the error estimate
  bool allowThin_ = false;
  // The last step was taken whole with every body asleep from its start to its end.
  bool settled_ = false;
  bool constantRecords_ = false;  // see ConstantRecords
  bool locating_ = false;         // a crossing is being located
  Eigen::VectorXd freeAcceleration_;
};

}  // namespace yb::dynamics
