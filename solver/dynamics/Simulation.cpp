#include "solver/dynamics/Simulation.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>

#include "solver/dynamics/CrossingSearch.h"

namespace yb::dynamics {

Simulation::Simulation(Model model, RunSettings settings)
    : mechanics_(std::move(model)), settings_(settings) {
  if (!(settings_.animationStep > 0) || !std::isfinite(settings_.animationStep))
    throw DynamicsError{kErrBadModel, "the animation step must be positive"};
  if (settings_.integrator == IntegratorKind::Euler) settings_.variableStep = false;
  settings_.SetStepsPerFrame(settings_.stepsPerFrame);
  mechanics_.SetFrameStep(settings_.animationStep);
  // A fast run's contacts need only what a frame shows: swept, not solved exactly.
  mechanics_.SetSweptContacts(settings_.integrator == IntegratorKind::Euler);
  mechanics_.SetOverlapError(settings_.overlapError);
  state_ = mechanics_.State();
  lengthScale_ = mechanics_.LengthScales();
  // Start on the constraints, so that the first frame already closes.
  const double tolerance = AssemblyTolerance(state_);
  const double residual = mechanics_.Project(0.0, state_, tolerance);
  if (!(residual <= tolerance)) throw OffTheConstraints(residual, tolerance);
  step_ = settings_.IntegrationStep() / 8;
  constantRecords_ = ConstantRecords(mechanics_.GetModel());
  activationCount_ = static_cast<int>(mechanics_.GetModel().constraints.size());
  ConditionValues(0.0, state_, conditionValues_);
  // The first frame shows the forces and accelerations of the start as every later frame shows
  // those of its state; the first step then starts from this evaluation.
  ++statistics_.evaluations;
  mechanics_.WatchCollisionReads();
  mechanics_.Derivative(0.0, state_, k1_);
  k1Ready_ = true;
  k1ReadCollisions_ = mechanics_.CollisionsRead();
}

// Whether every formula-valued input of the records is a constant: their rows then ask the same
// of the bodies at any time, and only the fields' forces may change with it.
bool Simulation::ConstantRecords(const Model& model) {
  for (const Constraint& c : model.constraints) {
    if (!c.frameAngle.IsConstant() || !c.activation.IsConstant()) return false;
    for (const Goal& goal : c.goals)
      if (!goal.value.IsConstant()) return false;
  }
  return true;
}

int Simulation::AddCondition(Value condition, bool pause) {
  conditions_.push_back(std::move(condition));
  pauses_.push_back(pause);
  ConditionValues(time_, state_, conditionValues_);
  return static_cast<int>(conditions_.size()) - 1;
}

void Simulation::ConditionValues(double time, const Eigen::VectorXd& state,
                                 std::vector<double>& values) {
  // The conditions read the bodies: only then must the mechanics stand at the state.
  mechanics_.EventValues(time, state, values, !conditions_.empty());
  const Context context(mechanics_, time);
  for (const Value& condition : conditions_)
    values.push_back(condition(context));
}

// Activation and pause conditions count in both directions; one-sided gaps only when they
// close (a gap that opens is handled by the contact solve).
int Simulation::FirstCrossing(const std::vector<double>& before, const std::vector<double>& after,
                              double& fraction) const {
  int first = -1;
  fraction = 2;
  const int gaps = static_cast<int>(before.size() - conditions_.size());
  for (int i = 0; i < static_cast<int>(before.size()); ++i) {
    const bool isGap = i >= activationCount_ && i < gaps;
    const bool crossed = isGap ? before[i] > 0 && after[i] <= 0 : (before[i] > 0) != (after[i] > 0);
    if (!crossed) continue;
    const double span = before[i] - after[i];
    const double f = span != 0 ? std::clamp(before[i] / span, 0.0, 1.0) : 1.0;
    if (f < fraction) {
      fraction = f;
      first = i;
    }
  }
  return first;
}

void Simulation::Step(double h, Eigen::VectorXd& result, double& error) {
  const int n = static_cast<int>(state_.size());
  const int dof = n / 2;
  const double t = time_;
  // Where the first evaluation met nothing and nothing can be met within the step, the later
  // ones give the velocities of their states and the accelerations of the applied forces; while
  // those are the first one's, the step needs no evaluation of its own.
  bool free = false;
  auto f = [&](double at, const Eigen::VectorXd& y, Eigen::VectorXd& dy) {
    if (free) {
      mechanics_.FreeAccelerations(at, y, freeAcceleration_);
      if (freeAcceleration_ == k1_.tail(dof)) {
        dy.resize(n);
        dy.head(dof) = y.tail(dof);
        dy.tail(dof) = freeAcceleration_;
        return;
      }
      free = false;
    }
    ++statistics_.evaluations;
    mechanics_.Derivative(at, y, dy);
  };
  // Every step from the same state starts from the same evaluation: the one that ended the last
  // frame, or that of the first try of a step that was cut (a step rejected for its error, the
  // trial steps that locate a crossing). A large pile is then not solved again for each.
  if (!k1Ready_) {
    f(t, state_, k1_);
    k1ReadCollisions_ = true;
  }
  k1Ready_ = true;
  if (settings_.integrator == IntegratorKind::Euler) {
    // Semi-implicit: the new velocity, made to satisfy the constraints where the bodies are,
    // moves the positions. Keeping the velocity-product part of the accelerations out of the
    // new velocity is what keeps a swinging body from gaining energy at every step.
    result = state_;
    result.tail(dof) += h * k1_.tail(dof);
    mechanics_.ProjectVelocities(t, result, h);
    result.head(dof) += h * result.tail(dof);
    mechanics_.FollowConstantSlides(t, state_, k1_, result, h);
    error = 0;
    return;
  }
  // A world at rest (nothing moves or accelerates by more than rounding) stays as it is while
  // the forces on it stay: every later evaluation of the step would be made at this same state,
  // to rounding, and answer as the first did. A resting pile, or a body asleep, then costs no
  // evaluation beyond the one that finds it at rest, and a look at the applied forces at the
  // times the step would evaluate them.
  if (constantRecords_ && k1_.size() == n && AtRest(h) &&
      mechanics_.ForcesStand(state_, t, {t + h / 3, t + h / 2, t + h})) {
    result = state_ + h * k1_;
    error = 0;
    return;
  }
  // The trial steps that locate a crossing end where the whole step met something, of which the
  // pairs near know nothing: they are free only where nothing touches.
  free = constantRecords_ &&
         (locating_ ? mechanics_.NothingTouches() : mechanics_.NothingNear(h));
  // The step's later evaluations start their friction rounds from the forces its first one found.
  struct HeldStart {
    Mechanics& mechanics;
    explicit HeldStart(Mechanics& m) : mechanics(m) { mechanics.HoldSolveStart(true); }
    ~HeldStart() { mechanics.HoldSolveStart(false); }
  } held(mechanics_);
  scratch_ = state_ + (h / 3) * k1_;
  f(t + h / 3, scratch_, k2_);
  scratch_ = state_ + (h / 6) * (k1_ + k2_);
  f(t + h / 3, scratch_, k3_);
  scratch_ = state_ + (h / 8) * (k1_ + 3 * k3_);
  f(t + h / 2, scratch_, k4_);
  scratch_ = state_ + (h / 2) * (k1_ - 3 * k3_ + 4 * k4_);
  f(t + h, scratch_, k5_);
  result = state_ + (h / 6) * (k1_ + 4 * k4_ + k5_);
  // The integrator error is a length: a rotation's error counts by what it moves the body's mass
  // (its radius of gyration), and a velocity error by what it moves the bodies in one animation
  // step. The estimate is relative where lengths are larger than one unit, so that large worlds
  // do not ask for more digits than the numbers hold; it is relative to the smaller of the
  // values at the two ends of the step, since a step that blew a coordinate up would otherwise
  // measure its error against the blown-up value and pass. An angle is no length: a crank that
  // has turned many times is held as tightly as a new one. The radius of gyration turns only
  // small rotations into lengths, so under an error allowed that is loose against the bodies a
  // rotation error counts at least as its size in radians (a step that spins a link round is
  // still cut).
  // What moves the bodies across the constraints is taken out again by the projection after the
  // step, so it is no error of the state kept: the part along the constraints counts. That holds
  // while the part taken out is small against the bodies (the projection is then linear); a
  // larger one, under a loose error, counts whole, so that steps do not grow until the
  // projection bends the motion.
  Eigen::VectorXd& estimate = estimate_;
  estimate = (h / 30) * (2 * k1_ - 9 * k3_ + 8 * k4_ - k5_);
  whole_ = estimate;
  if (mechanics_.KeepTangentPart(estimate)) {
    bool small = true;
    for (int i = 0; i < dof && small; ++i) {
      const double length = Mechanics::IsAngle(i) ? lengthScale_[i] : 1.0;
      small = length * std::abs(whole_[i] - estimate[i]) <= 1e-3 * lengthScale_[i - i % 3 + 2];
    }
    if (!small) estimate = whole_;
  }
  const double tau = settings_.animationStep;
  const double tolerance = settings_.EffectiveIntegratorError();
  error = 0;
  auto scale = [&](int i) { return std::min(std::abs(state_[i]), std::abs(result[i])); };
  for (int i = 0; i < dof; ++i) {
    const bool angle = Mechanics::IsAngle(i);
    const double length = angle ? std::max(lengthScale_[i], std::min(tolerance, 1.0)) : 1.0;
    const double size = angle ? 1.0 : std::max(1.0, scale(i));
    error = std::max(error, length * std::abs(estimate[i]) / size);
    error = std::max(error, length * tau * std::abs(estimate[dof + i]) /
                                std::max(1.0, length * tau * scale(dof + i)));
  }
  if (!std::isfinite(error)) error = HUGE_VAL;
}

// Whether the evaluation at the start of a step of length h moves the state over it by no more
// than a thousandth of the integrator error, as the error of a step measures it: what a body
// at rest moves by from the rounding of the forces that hold it.
bool Simulation::AtRest(double h) const {
  const int dof = static_cast<int>(state_.size()) / 2;
  const double tau = settings_.animationStep;
  const double tolerance = settings_.EffectiveIntegratorError();
  const double allowed = 1e-3 * tolerance;
  for (int i = 0; i < dof; ++i) {
    const bool angle = Mechanics::IsAngle(i);
    const double length = angle ? std::max(lengthScale_[i], std::min(tolerance, 1.0)) : 1.0;
    const double size = angle ? 1.0 : std::max(1.0, std::abs(state_[i]));
    if (length * h * std::abs(k1_[i]) / size > allowed) return false;
    if (length * tau * h * std::abs(k1_[dof + i]) /
            std::max(1.0, length * tau * std::abs(state_[dof + i])) >
        allowed)
      return false;
  }
  return true;
}

// Where a located crossing may end instead of at the crossing itself: a band of the event value,
// empty where only the crossing will do.
// A collision need not be located closer than the contacts are then held: any step that ends with
// the outlines that near will do, since the projection after it takes the overlap out (or leaves
// the gap, closed) and the impact follows as at the contact itself. A fast run allows the overlap
// of its settings. An accurate run lands on either side within the error of the step itself:
// closer would cost trials and gain nothing. For the same reason it stops a sliding contact where
// the slip left would move it less than that over a frame.
std::pair<double, double> Simulation::LandingBand(int index) const {
  constexpr std::pair<double, double> kNoBand{0.0, -1.0};
  const bool fast = settings_.integrator == IntegratorKind::Euler;
  const double overlap = mechanics_.LocatedOverlap();
  const bool collision = index == mechanics_.CollisionEventIndex();
  if (fast && collision && mechanics_.LocatesImpactExactly())
    return {-detail::kContactGap, detail::kContactGap};
  if (fast) return collision && overlap > 0 ? std::pair{-overlap, 0.0} : kNoBand;
  const double landing =
      std::min({detail::kContactGap, overlap,
                std::max(AssemblyTolerance(state_), settings_.EffectiveIntegratorError())});
  if (collision) return {-landing, landing};
  if (index == mechanics_.SlipEventIndex()) {
    const double slip = landing / settings_.animationStep;
    return {-slip, slip};
  }
  return kNoBand;
}

// Finds the step at whose end the condition has just crossed, each trial a fresh step from the
// start. `result` and `values` come in as the whole step and its condition values, and leave as
// the step located.
double Simulation::LocateCrossing(int index, double h, Eigen::VectorXd& result,
                                  std::vector<double>& values) {
  ++statistics_.located;
  // The trials end where the whole step met something (see Step for their evaluations).
  struct Locating {
    bool& on;
    explicit Locating(bool& flag) : on(flag) { on = true; }
    ~Locating() { on = false; }
  } locating(locating_);
  double error;
  const bool isGap = index >= activationCount_ &&
                     index < static_cast<int>(conditionValues_.size() - conditions_.size());
  // Plain copies: a lambda may not capture a structured binding on every compiler we build with.
  const std::pair<double, double> band = LandingBand(index);
  const double lower = band.first, upper = band.second;
  const bool collision = index == mechanics_.CollisionEventIndex();
  auto inBand = [&](double v) { return v >= lower && v <= upper; };
  // A band wholly past the crossing (a fast run's) is aimed at in its middle, so that the step
  // goes as far as it may.
  const double shift = upper == 0 ? -lower / 2 : 0.0;
  const bool startsPositive = conditionValues_[index] + shift > 0;
  auto crossed = [&](double v) { return isGap ? v <= 0 : (v > 0) != startsPositive; };
  CrossingSearch search(h, conditionValues_[index] + shift, values[index] + shift);
  // The value before the last step, where that step went smoothly on to this one, lets the first
  // trial follow the value's curve rather than its chord.
  if (previousStep_ > 0 && previousValues_.size() == conditionValues_.size())
    search.Before(-previousStep_, previousValues_[index] + shift);
  bool found = inBand(values[index]);
  const double tolerance = 1e-13 * std::max(1.0, std::abs(time_));
  // The step last taken, to which the mechanics stand as after any step and its event values:
  // where that is the one located, it is not taken again.
  double taken = h;
  Eigen::VectorXd& y = trial_;
  for (int iteration = 0; iteration < 200 && search.Hi() - search.Lo() > tolerance && !found;
       ++iteration) {
    const double trial = search.Next(tolerance);
    Step(trial, y, error);
    ConditionValues(time_ + trial, y, values);
    taken = trial;
    const double v = values[index];
    found = inBand(v);
    search.Add(trial, v + shift, found || crossed(v + shift));
    // Short of the crossing a point returning into its contact too slowly to bounce was left
    // out: the collision value jumps where that return would count, and the search could only
    // halve its way to that instant. The step ends here instead, where the impact at its end
    // stops the slow return as it would at the end of any step.
    if (collision && !crossed(v + shift) && mechanics_.LeftOutSlowReturn()) {
      result.swap(y);
      return trial;
    }
  }
  const double hi = search.Hi();
  // The whole step, untried further, is still in `result`.
  if (taken == h) return hi;
  if (taken == hi) {
    result.swap(y);
    return hi;
  }
  Step(hi, result, error);
  ConditionValues(time_ + hi, result, values);
  return hi;
}

void Simulation::Accept(double h, Eigen::VectorXd& state) {
  k1Ready_ = false;
  time_ += h;
  state_ = state;
  const double tolerance = AssemblyTolerance(state_);
  const double residual = mechanics_.Project(time_, state_, tolerance);
  if (!(residual <= tolerance)) throw OffTheConstraints(residual, tolerance);
  ++statistics_.accepted;
}

// The assembly error, but never below what the coordinates can resolve: far from the origin a
// residual cannot be brought under a few units of rounding of the positions themselves.
// Only lengths count: an angle is no length, and a crank that has turned many times must close
// its loop as tightly as a new one.
double Simulation::AssemblyTolerance(const Eigen::VectorXd& state) const {
  const int dof = static_cast<int>(state.size()) / 2;
  double largest = 0;
  for (int i = 0; i < dof; ++i)
    if (!Mechanics::IsAngle(i)) largest = std::max(largest, std::abs(state[i]));
  const double rounding = 64 * std::numeric_limits<double>::epsilon() * std::max(1.0, largest);
  return std::max(settings_.EffectiveAssemblyError(), rounding);
}

// The projection could not bring the positions back onto the constraints within the assembly
// error. Going on would show a mechanism that has come apart as if it were sound, so the run
// stops and says when, by how much, and what to change.
DynamicsError Simulation::OffTheConstraints(double residual, double tolerance) const {
  char text[300];
  std::snprintf(text, sizeof text,
                "the positions could not be brought back onto the constraints at t = %.6g s: a "
                "constraint is still off by %.3g, more than the assembly error (%.3g); the "
                "integration step may be too long for the motion, or the constraints cannot all "
                "be met",
                time_, residual, tolerance);
  return DynamicsError{kErrSingular, text};
}

// The variable step has shrunk to nothing: the motion changes too abruptly for the error
// allowed, or, when the error allowed is large against the mechanism, inaccurate steps have fed
// the motion until it ran away. Either way the run cannot go on, and the user is told what to
// change.
DynamicsError Simulation::StepTooSmall() const {
  char text[200];
  std::snprintf(text, sizeof text,
                "the step became too small to meet the integrator error at t = %.6g s: the motion "
                "is too abrupt for it, or ran away because the error allowed (%.3g) is too large "
                "for the mechanism",
                time_, settings_.EffectiveIntegratorError());
  return DynamicsError{kErrSingular, text};
}

// The run takes at most this many steps for one integration step: a contact that needs more
// would keep a frame from ever finishing.
constexpr double kSmallestStepFraction = 1e-5;

double Simulation::SmallestStep() const {
  return std::max(kSmallestStepFraction * settings_.IntegrationStep(),
                  1e-14 * std::max(1.0, time_));
}

// Consecutive steps shorter than the smallest step that a run may take before it is stopped as
// stalled. Locating crossings takes one short step per crossing, so this is far above any run of
// them that a sound motion makes.
constexpr int kMostShortSteps = 1000;
// How many of the smallest steps a rejected step may still be cut to before the contact solves
// start from nothing for the rest of the frame.
constexpr double kShrunkSteps = 100;

DynamicsError Simulation::Stalled() const {
  char text[300];
  std::snprintf(text, sizeof text,
                "the motion cannot go on past t = %.6g s: the steps have shrunk below %.3g s "
                "without getting further; a constraint may have reached a state it cannot pass",
                time_, SmallestStep());
  return DynamicsError{kErrSingular, text};
}

DynamicsError Simulation::TooThin(double needed) const {
  char text[300];
  std::snprintf(text, sizeof text,
                "at t = %.6g s a body is too thin for the speeds reached: keeping bodies from "
                "passing through it would need steps of %.3g s, shorter than the smallest the "
                "run takes (%.3g s); make it thicker, or the bodies slower",
                time_, needed, SmallestStep());
  DynamicsError error{kErrTooThin, text};
  // The thinner body of the pair that would need such steps, and the body it closes on.
  error.body = mechanics_.LimitingPair().first;
  error.otherBody = mechanics_.LimitingPair().second;
  return error;
}

// The next step over the last one, for the error the last one made. The step aims a little below
// the error allowed: far enough that few steps are rejected (each costs four evaluations), near
// enough that steps are not taken shorter than they need be. The fifth root grows steps slowly
// enough that under a loose error they do not grow into one that swings a mechanism far off.
static double StepRatio(double tolerance, double error) {
  return 0.95 * std::pow(tolerance / error, 0.2);
}

// The variable step to take with `remaining` left of the frame: the steps the error allows,
// made equal, so that as many of them end the frame as the greedy road's would. Steps taken at
// the allowed length up to a sliver left before the frame ends make the same number of steps,
// but the long ones make nearly all the error allowed (it grows with the fifth power of the
// step) where equal ones make a fraction of it; and the sliver's own error, far below the
// allowed one, would grow the next step only by the most a step may grow, so that the next
// frame starts with a short step of its own.
double Simulation::StepToward(double remaining) const {
  const double allowed = std::min(step_, settings_.IntegrationStep());
  // A rest of the frame longer than whole steps by its rounding alone is taken in them.
  const double steps = std::ceil(remaining / allowed - 1e-9);
  return steps <= 1 ? remaining : remaining / steps;
}

// A fast world at rest, once a whole step has run with every body asleep (which leaves the
// contacts, their flags and the event values where any further such step leaves them), takes
// its steps without moving anything. The evaluation at each step's start is still made: it is
// what sees a force on a sleeping body change, and wakes it; the step is then taken in full.
bool Simulation::Rests() {
  if (!settled_ || settings_.integrator != IntegratorKind::Euler || !conditions_.empty() ||
      !mechanics_.AtRest())
    return false;
  if (!k1Ready_) {
    ++statistics_.evaluations;
    mechanics_.Derivative(time_, state_, k1_);
    k1Ready_ = true;
    k1ReadCollisions_ = true;
  }
  if (mechanics_.AtRest()) return true;
  settled_ = false;
  return false;
}

// What Accept and the bookkeeping after it do for a step that changed nothing.
void Simulation::Rest(double h, int& shortSteps) {
  k1Ready_ = false;
  time_ += h;
  mechanics_.RestTo(time_);
  ++statistics_.accepted;
  previousValues_ = conditionValues_;
  previousStep_ = h;
  shortSteps = h < SmallestStep() ? shortSteps + 1 : 0;
  if (shortSteps > kMostShortSteps) throw Stalled();
}

bool Simulation::AdvanceTo(double target) {
  const bool variable =
      settings_.variableStep && settings_.integrator == IntegratorKind::KuttaMerson;
  const double fixed = settings_.IntegrationStep();
  const double tolerance = settings_.EffectiveIntegratorError();
  // Kept from frame to frame: a small world's frame would otherwise spend a good part of its
  // time getting and giving back their memory.
  Eigen::VectorXd& result = result_;
  std::vector<double>& values = values_;
  // Formulas may read the collisions of the frame: an evaluation that read them while they stood
  // is not one made after they are forgotten. One that did not read them still answers.
  if (mechanics_.HasCollisions() && k1ReadCollisions_) k1Ready_ = false;
  mechanics_.ClearCollisions();
  // Steps shorter than the smallest the run takes on its own come only from locating a crossing
  // or from a variable step cut down near a kink of the motion. A run of them in a row means the
  // motion can go no further (each step lands ever closer to a point it cannot pass), and a frame
  // would never finish: the run stops instead.
  int shortSteps = 0;
  // A step cut down far below what the motion needs is one whose evaluations may answer
  // differently for where the contact solves started; the rest of the frame then starts them from
  // nothing (see Mechanics::SolveFromNothing).
  struct FromNothing {
    Mechanics& mechanics;
    ~FromNothing() { mechanics.SolveFromNothing(false); }
  } fromNothing{mechanics_};
  while (time_ < target) {
    const double remaining = target - time_;
    if (remaining <= 1e-14 * std::max(1.0, std::abs(target))) {
      time_ = target;
      k1Ready_ = false;
      break;
    }
    double h = variable ? StepToward(remaining) : std::min(fixed, remaining);
    // A fixed step that would leave a sliver before the frame ends takes it in.
    if (!variable && remaining - h < 1e-9 * fixed) h = remaining;
    // A world at rest whose step starts from an evaluation already made: no body in it can meet
    // another (sleeping ones are not held to a step), so nothing limits the step.
    if (k1Ready_ && Rests()) {
      Rest(h, shortSteps);
      continue;
    }
    // No step may carry a body through another.
    const double limit = mechanics_.ContactStepLimit(h, SmallestStep());
    if (limit < SmallestStep()) {
      if (!allowThin_) throw TooThin(limit);
      h = std::min(h, SmallestStep());
    } else {
      h = std::min(h, limit);
    }
    if (Rests()) {
      Rest(h, shortSteps);
      continue;
    }
    const bool startedAtRest = mechanics_.AtRest();
    double error;
    Step(h, result, error);
    // The first step after a crossing of the mechanics, rejected or not, tells what share of
    // the step before the crossing the next such step may take.
    if (variable && crossedStep_ > 0) {
      const double fits = error > 0 ? h * StepRatio(tolerance, error) : HUGE_VAL;
      afterCrossing_ = std::clamp(fits / crossedStep_, 0.1, 1.0);
      crossedStep_ = 0;
    }
    if (variable && error > tolerance) {
      ++statistics_.rejected;
      step_ = h * std::clamp(StepRatio(tolerance, error), 0.1, 0.5);
      if (step_ < 1e-14 * std::max(1.0, time_)) throw StepTooSmall();
      if (step_ < kShrunkSteps * SmallestStep() && !mechanics_.SolvesFromNothing()) {
        mechanics_.SolveFromNothing(true);
        k1Ready_ = false;
      }
      continue;
    }
    if (!variable && settings_.integrator == IntegratorKind::KuttaMerson && error > tolerance &&
        ownWarnings_.empty())
      ownWarnings_.push_back(Warning{Warning::Kind::Inaccurate, kNone, time_});
    ConditionValues(time_ + h, result, values);
    double fraction;
    const int crossing = FirstCrossing(conditionValues_, values, fraction);
    if (crossing >= 0) h = LocateCrossing(crossing, h, result, values);
    if (crossing >= 0 && mechanics_.PulleyOfEvent(crossing) != kNone)
      throw mechanics_.PulleyReached(crossing, time_ + h);
    Accept(h, result);
    settled_ = startedAtRest && crossing < 0 && mechanics_.AtRest();
    previousStep_ = crossing < 0 ? h : 0.0;
    shortSteps = h < SmallestStep() ? shortSteps + 1 : 0;
    if (shortSteps > kMostShortSteps) throw Stalled();
    if (variable && crossing < 0) {
      const double grow = error > 0 ? StepRatio(tolerance, error) : 4.0;
      step_ = h * std::clamp(grow, 0.2, 4.0);
    }
    // Past a located crossing of the mechanics (an impact, a contact that starts to slip, a
    // constraint that starts or stops acting) the motion is not the one whose errors chose the
    // step. Where such a step failed the error last time (a crowd whose impacts start new
    // contacts), taking it at the old length again would fail again, and each failure costs a
    // step; where it went through (a lone ball's bounce) the old length stays. A condition of
    // the user's changes nothing in the motion.
    if (variable && crossing >= 0 &&
        crossing < static_cast<int>(conditionValues_.size() - conditions_.size())) {
      crossedStep_ = std::min(step_, fixed);
      step_ = afterCrossing_ * crossedStep_;
    }
    std::vector<double>& before = previousValues_;
    before.swap(conditionValues_);
    ConditionValues(time_, state_, conditionValues_);
    // The located state lies just past a condition's crossing, and the projection may bring the
    // value back over it by rounding; the next step would then report the same crossing again.
    // It has happened, so the value counts on its far side. (A gap that opens again is no
    // event: one that closes again is, and the contacts deal with it.)
    const bool gap = crossing >= activationCount_ &&
                     crossing < static_cast<int>(before.size() - conditions_.size());
    if (crossing >= 0 && !gap) {
      double& value = conditionValues_[crossing];
      if ((value > 0) == (before[crossing] > 0))
        value = before[crossing] > 0 ? 0.0 : std::numeric_limits<double>::denorm_min();
    }
    if (crossing >= 0 && crossing >= static_cast<int>(before.size() - conditions_.size())) {
      const int condition = crossing - static_cast<int>(before.size() - conditions_.size());
      events_.push_back(ConditionEvent{condition, time_, static_cast<bool>(pauses_[condition])});
      if (pauses_[condition]) return false;
    }
  }
  // The contact forces the formulas read are those of the state reached.
  if (mechanics_.HasContacts()) {
    mechanics_.WatchCollisionReads();
    mechanics_.Derivative(time_, state_, k1_);
    k1Ready_ = true;
    k1ReadCollisions_ = mechanics_.CollisionsRead();
  }
  return true;
}

std::vector<Warning> Simulation::Warnings() const {
  std::vector<Warning> wanted;
  auto add = [&](const Warning& w) {
    const bool on = (w.kind == Warning::Kind::Redundant && settings_.warnRedundant != 0) ||
                    (w.kind == Warning::Kind::Inconsistent && settings_.warnInconsistent != 0) ||
                    (w.kind == Warning::Kind::Inaccurate && settings_.warnInaccurate != 0) ||
                    (w.kind == Warning::Kind::Overlap && settings_.warnOverlap != 0);
    if (!on) return;
    for (const Warning& seen : wanted)
      if (seen.kind == w.kind && seen.constraint == w.constraint) return;
    wanted.push_back(w);
  };
  for (const Warning& w : ownWarnings_)
    add(w);
  for (const Warning& w : mechanics_.Warnings())
    add(w);
  return wanted;
}

bool Simulation::NextFrame(std::vector<BodyFrame>& frame) {
  const bool running = AdvanceTo(time_ + settings_.animationStep);
  frame.clear();
  for (int i = 0; i < mechanics_.BodyCount(); ++i) {
    const BodyState s = mechanics_.Body(i);
    frame.push_back(BodyFrame{s.x, s.y, s.r, s.vx, s.vy, s.vr, std::cos(s.r), std::sin(s.r)});
  }
  return running;
}

}  // namespace yb::dynamics
