#pragma once
// The constrained equations of motion of a planar rigid-body system in maximal coordinates.
//
// Every free body has three coordinates (x, y, rotation of its centre of mass). Constraint goals
// become scalar rows J a = gamma on the accelerations; the multipliers come from the sparse
// symmetric system (J W J') lambda = gamma - J W F with W the inverse mass matrix, so that a chain
// costs linear time. One-sided goals (ropes, separators, limits) and limited drives make the
// multipliers a bounded complementarity problem, solved by pivoting on the few bounded rows.
// After each accepted step the integrator projects positions and velocities back onto the rows.

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include <Eigen/Cholesky>
#include <Eigen/Core>
#include <Eigen/LU>
#include <Eigen/OrderingMethods>
#include <Eigen/SparseCholesky>
#include <Eigen/SparseCore>

#include "solver/contact/BroadPhase.h"
#include "solver/contact/ContactShape.h"
#include "solver/contact/Islands.h"
#include "solver/contact/KeyCursor.h"
#include "solver/contact/NarrowPhase.h"
#include "solver/dynamics/Context.h"
#include "solver/dynamics/ForceMixing.h"
#include "solver/dynamics/LargeBuffer.h"
#include "solver/dynamics/Model.h"
#include "solver/dynamics/PlanarMath.h"
#include "solver/dynamics/SparseLdl.h"
#include "solver/geometry/CubicSpline.h"

namespace yb::dynamics {

// A failure of the mechanical system: bad input or a state the equations cannot continue from.
struct DynamicsError {
  int code;
  std::string message;
  // The bodies the failure concerns (model indices), or kNone.
  int body = kNone;
  int otherBody = kNone;
};

// Error codes of the dynamics (a bad input, and an evaluation that produced no number).
inline constexpr int kErrBadModel = -28700;
inline constexpr int kErrNotANumber = -28701;
inline constexpr int kErrSingular = -28702;
inline constexpr int kErrNotBuilt = -28703;
// A collider too thin for the speeds of the world: no step the solver takes is short enough to
// keep bodies from passing through it.
inline constexpr int kErrTooThin = -27893;

// A report made while running: redundant or inconsistent constraints, a fixed step that could
// not keep the integrator error, or bodies found overlapping by more than the overlap error
// (constraint kNone for the last two; an overlap names the two bodies of its deepest point).
struct Warning {
  enum class Kind : uint8_t { Redundant, Inconsistent, Inaccurate, Overlap } kind;
  int constraint;
  double time;
  int body = kNone, otherBody = kNone;
};

class Mechanics {
 public:
  explicit Mechanics(Model model);

  const Model& GetModel() const { return model_; }
  // Free coordinates: three per body that is neither the background nor anchored.
  int DegreesOfFreedom() const { return dofCount_; }
  // The integration state: coordinates then velocities, 2 * DegreesOfFreedom() values.
  Eigen::VectorXd State() const;
  // Whether a free coordinate is a rotation (the others are lengths).
  static bool IsAngle(int coordinate) { return coordinate % 3 == 2; }
  // Per free coordinate, what a change of one unit moves the body's mass by, in lengths: 1 for
  // a length, the radius of gyration for a rotation.
  std::vector<double> LengthScales() const;
  void SetState(double time, const Eigen::VectorXd& state);
  double Time() const { return time_; }

  // d(state)/dt at the given time and state; the state becomes the current one.
  void Derivative(double time, const Eigen::VectorXd& state, Eigen::VectorXd& derivative);
  // Moves positions, then velocities, back onto the constraints (mass-weighted, so that the
  // correction is the smallest in kinetic energy). Returns the largest position residual left.
  double Project(double time, Eigen::VectorXd& state, double tolerance);
  // The part of an error estimate of the state (positions, then velocities) that the projection
  // after the step keeps: the estimate with what moves across the constraints taken out, in the
  // mass metric, by the rows and factorisation of the last evaluation (a drive's coordinate,
  // which the positions' projection keeps, is not taken out of the positions). False, and the
  // estimate left whole, when that evaluation's rows are not all plain equalities (limits,
  // contacts, bounded drives), whose projection is not a linear map.
  bool KeepTangentPart(Eigen::VectorXd& estimate);
  // Moves only the velocities onto the constraints, at the given positions. `step`, when the
  // velocities are those the last evaluation's accelerations reached over a step of that length,
  // lets the forces a swept pile starts its next evaluation from take up what the projection
  // had to add.
  void ProjectVelocities(double time, Eigen::VectorXd& state, double step = 0);
  // The values whose sign changes the integrator locates inside a step: every activation
  // condition, then every pulley segment (closing as a load reaches a pulley point), then every
  // one-sided row not currently in contact. The state becomes the current one, unless it is not
  // needed and no value depends on it.
  void EventValues(double time, const Eigen::VectorXd& state, std::vector<double>& values,
                   bool stateNeeded = true);
  // The constraint whose pulley a load has reached, when the event value of that index (as
  // EventValues lays them out) is one of a pulley's; else kNone. A rope through pulley points is
  // the path length through them: at a point that one of its segments runs into, the path has a
  // kink the motion cannot be continued across, so the run has to stop there.
  int PulleyOfEvent(int index) const;
  // The error a run ends with when the event value of that index has closed: a load has reached
  // a pulley point. It names the rope and the load's body.
  DynamicsError PulleyReached(int index, double time) const;
  // Whether the applied forces (fields and force records) at the given state are the same at
  // each of the later times as at `time`. The state becomes the current one; the last
  // evaluation's forces are kept.
  bool ForcesStand(const Eigen::VectorXd& state, double time, std::initializer_list<double> later);
  // Whether every evaluation inside a step of length h answers as the motion free of rows: the
  // last evaluation had no row of any kind, no body is asleep, and either no point touches or no
  // pair near, as the last step limit found them, moves against the other. An evaluation inside
  // such a step gives the velocities of its state and the accelerations of the applied forces
  // alone.
  bool NothingNear(double h) const;
  // The same for a step of any length: no row, no body asleep and no point touching. A contact's
  // rows take part in an evaluation only where its point touched as the step began, so outlines
  // that meet within the step (a ball falling onto a floor) change none of its evaluations, and
  // their meeting is found from the step's end.
  bool NothingTouches() const;
  // The accelerations the applied forces alone give at the given time and state (what an
  // evaluation that meets nothing gives). The state becomes the current one; the last
  // evaluation's forces are kept.
  void FreeAccelerations(double time, const Eigen::VectorXd& state, Eigen::VectorXd& out);
  // Called by the integrator after an accepted step (and after projection): refreshes which
  // one-sided rows are in contact.
  void AcceptState(double time, const Eigen::VectorXd& state);
  // Whether nothing can move: a fast run without records whose every free body sleeps. Until a
  // force on a sleeping body changes (which an evaluation sees, and wakes it), a step leaves
  // every body where it is and finds nothing new: no contacts (sleeping bodies are not searched),
  // no event, no rows.
  bool AtRest() const;
  // Takes the world at rest on to the given time, as a step would that changed nothing.
  void RestTo(double time) {
    time_ = time;
    sleepClock_ = time;
  }

  // State of a body's reference point.
  BodyState Body(int index) const;
  int BodyCount() const { return static_cast<int>(model_.bodies.size()); }
  // The kinetic energy of all bodies. Potential energy depends on force laws given as formulas,
  // so callers that know their laws add it themselves.
  double KineticEnergy() const;
  // World position and velocity of a point.
  Eigen::Vector2d PointPosition(int point) const;
  Eigen::Vector2d PointVelocity(int point) const;

  double ConstraintForce(int constraint, Component component) const;
  double ConstraintCoordinate(int constraint) const;
  double ConstraintRate(int constraint) const;
  // How far a record's last point has turned against its first (the primary point), and how
  // fast, for every record of two points or more: what a meter of a joint's or a gear's
  // relative rotation shows.
  double ConstraintTurn(int constraint) const;
  double ConstraintTurnRate(int constraint) const;

  void BodyAcceleration(int index, double& ax, double& ay, double& ar) const;
  // The animation step, which formulas read as extdt().
  double FrameStep() const { return frameStep_; }
  void SetFrameStep(double step) { frameStep_ = step; }
  // Whether many contacts alone (no record's row in the solve) are solved by sweeps over their
  // rows, each started from the forces of the last evaluation, rather than exactly: what a fast
  // run wants, where a large pile solved exactly costs a factorisation per pivot.
  // Such a run also finds its collisions ahead of each step rather than locating them in it.
  void SetSweptContacts(bool on) { sweptContacts_ = on; }
  // While held, the friction rounds of the evaluations start from the normal forces the last
  // evaluation before the hold found, and leave them standing for the next: the evaluations
  // inside an integrator step then answer for their states alone, not for the order they were
  // made in. Their pivoting still starts where the evaluation before ended: a pivoting ends at
  // the same answer from any start, and the nearest start is the cheapest.
  void HoldSolveStart(bool hold) { solveStartHeld_ = hold; }
  // Whether the contact solves of an accurate run start from no force at all, which makes their
  // answer one of the state alone whatever the evaluations before found, at a pile's cost of
  // several more rounds and factorisations.
  void SolveFromNothing(bool on) { solvesFromNothing_ = on; }
  bool SolvesFromNothing() const { return solvesFromNothing_; }
  // How often a pile that is swept had to be solved exactly because the sweeps did not settle.
  int64_t ExactPileSolves() const { return exactPileSolves_; }
  // How many products by the rows' matrix the projections of swept piles' velocities took.
  int64_t GradientProducts() const { return gradientProducts_; }
  // How often the rounds that bound friction by the normal forces ended without agreeing.
  int64_t UnsettledFrictionSolves() const { return unsettledFrictionSolves_; }
  // How often the friction rounds of a large pile solved for the fixed point of the friction
  // held at its bounds at once.
  int64_t HeldFrictionSolves() const { return heldFrictionSolves_; }
  // How many factorisations of J W J' were asked for since the world was made, those that found
  // their matrix unchanged and kept it included.
  int64_t Factorisations() const { return factoriseCount_; }
  // How many pivots the exact solves of large islands made (each changes which rows are clamped
  // and solves again) since the world was made.
  int64_t Pivots() const { return pivotCount_; }

  const std::vector<Warning>& Warnings() const { return warnings_; }
  // The rows found redundant when the row set last changed (constraint index per dropped row).
  const std::vector<int>& RedundantConstraints() const { return redundant_; }

  // Contacts, as the contact formula functions read them: per body, the pairs of bodies it
  // touches (forces of the last evaluation), or the pairs that struck it since the frame began
  // (impulses). Pairs are numbered from 1.
  struct ContactReport {
    int other = kNone;
    Eigen::Vector2d location{0, 0};
    Eigen::Vector2d force{0, 0};     // the normal force on the body (contacts)
    Eigen::Vector2d friction{0, 0};  // the friction force on the body (contacts)
    Eigen::Vector2d impulse{0, 0};   // the impulse on the body (collisions)
  };
  int ContactPairCount(int body) const;
  bool ContactPair(int body, int pair, ContactReport& out) const;
  int CollisionPairCount(int body) const;
  bool CollisionPair(int body, int pair, ContactReport& out) const;
  bool HasContacts() const { return !colliders_.empty(); }

  // Fields, as the field formula functions read them, at the present state: the force a field
  // puts on a body, and, for a field between bodies, the pairs of a member body (the field's
  // other members in the field's order, numbered from 1) with the force of each partner on it.
  // A body outside the field has no pairs and no force from it.
  // The field with the identifier formulas name it by, or kNone.
  int FindField(int32_t id) const;
  int FieldPairCount(int field, int body) const;
  // The force of the pair's partner on the body, or false when the body has no such pair.
  bool FieldPairForce(const Context& context, int field, int body, int pair,
                      Eigen::Vector2d& out) const;
  // The field's whole force on the body, and its torque about the body's centre of mass.
  void FieldForce(const Context& context, int field, int body, Eigen::Vector2d& force,
                  double& torque) const;
  // Whether a body sleeps: it has rested in contact only for a while and is left out of the
  // motion until something wakes it.
  bool Asleep(int body) const { return islands_.Asleep(body); }
  // Wall seconds spent in each contact stage since the world was made.
  struct ContactStageTimes {
    double findPairs = 0, narrowPhase = 0, prepare = 0, solve = 0, impacts = 0;
  };
  // The times stay zero unless the stages are timed (off by default: the clock is not free).
  const ContactStageTimes& ContactTimes() const { return contactTimes_; }
  void TimeContactStages(bool on) { timeStages_ = on; }
  // Forgets the collisions recorded so far (a new frame begins).
  void ClearCollisions() { impacts_.clear(); }
  // Whether a collision has been recorded since the frame began.
  bool HasCollisions() const { return !impacts_.empty(); }
  // Whether anything (a formula) has read the collisions since WatchCollisionReads: an
  // evaluation that did not read them answers the same once they are forgotten.
  void WatchCollisionReads() { collisionsRead_ = false; }
  bool CollisionsRead() const { return collisionsRead_; }
  // The longest step, up to h, over which no body can pass through another: for every pair of
  // bodies that could meet within h, a tenth of the thinner outline over the speed at which
  // their outlines can close. Infinite without collisions or when no pair can meet. A limit
  // shorter than h or than `shortest` (the shortest step the caller takes) is exact; any other
  // answer is only known to be no shorter than both, for the pairs that cannot limit the step
  // are passed over.
  double ContactStepLimit(double h, double shortest = 0);
  // After a fast step moved the positions by its end velocities (`result`, from `start` with the
  // rates `rates` over h): a body that slides on fixed ones under an acceleration that has not
  // changed since the step before is moved as that acceleration moves it, up to where its slip
  // stopped, so that a slide follows its closed form at any step.
  void FollowConstantSlides(double time, const Eigen::VectorXd& start,
                            const Eigen::VectorXd& rates, Eigen::VectorXd& result, double h);
  // The pair of bodies that set the last limit, the thinner first (model indices; kNone when no
  // pair limited the step).
  std::pair<int, int> LimitingPair() const { return limitingPair_; }
  // The index among EventValues of the nearest approach of outlines not in contact (it closes
  // when two bodies meet), or kNone without collisions.
  int CollisionEventIndex() const;
  // The index of the slowest slip of sliding contacts (it closes when one stops), or kNone.
  int SlipEventIndex() const {
    const int collision = CollisionEventIndex();
    return collision == kNone ? kNone : collision + 1;
  }
  // How deep two outlines may overlap where a collision of a fast run is located: the overlap
  // error, and never more than a small part of the thinnest outline. Locating to this instead
  // of to the contact gap saves most of the trial steps of a crowded world.
  double LocatedOverlap() const { return std::min(overlapError_, 1e-2 * thinnest_); }
  // Whether the collision value of the last EventValues left out a point returning into its
  // contact too slowly to bounce: the value then jumps where that return speeds past the rest
  // speed, an instant of no physical meaning.
  bool LeftOutSlowReturn() const { return leftOutSlowReturn_; }
  // Whether the last fast step held the approach of two bodies that touch nothing else: their
  // impact is located where they meet, as an accurate run's is, and leaves with the velocities
  // of the textbook rather than with what a hold along the normal where the step began leaves.
  bool LocatesImpactExactly() const { return !exactImpacts_.empty(); }
  // Overlaps deeper than this are reported.
  void SetOverlapError(double error) { overlapError_ = error; }

  // Row sets up to this size are solved with a dense factorisation, larger ones with the sparse
  // one (whose cost follows the joints). Both give the same multipliers to rounding.
  void SetDenseLimit(int rows) { denseLimit_ = rows; }
  // Whether bounded solves of a few rows take their own path (on by default; off, they take the
  // general one, which gives the same answers bit for bit).
  void SetTinySolves(bool on) { tinySolves_ = on; }

 private:
  enum class Level : uint8_t { Position, Velocity, Acceleration };
  enum class Bound : uint8_t { Free, AtLower, AtUpper };

  struct BodyKin {
    int dof = -1;  // first state index, or -1 for fixed bodies
    double angle = 0, omega = 0;
    double cos = 1, sin = 0;  // of the angle
    bool turned = false;      // cos and sin are those of the angle
  };
  struct PointKin {
    int dof = -1;
    Eigen::Vector2d pos, vel, arm, quad;  // arm = R s; quad = -omega^2 R s
    double angle = 0, omega = 0;          // the point's own direction and its rate
    int body = 0;
    Eigen::Vector2d local{0, 0};  // from the body's centre of mass, in the body frame
    double turn = 0;              // the point's own rotation on its body
  };
  // What a row keeps from one build to the next, by its slot.
  enum RowFlag : uint8_t { kContact = 1, kRedundant = 2, kSaturated = 4 };
  struct Row {
    int constraint = 0;
    int goal = 0;
    int sub = 0;   // which of the record's rows for this goal
    int slot = 0;  // the place of (constraint, goal, sub) among all the rows the records can make
    Component component = Component::X;
    Level level = Level::Position;
    bool oneSided = false;                 // admissible side g >= 0, lambda >= 0
    bool candidate = true;                 // takes part in the solve
    // Contact rows: the contact point (normal rows) or manifold (friction rows) they stand for.
    // (Its members are ordered so that a row holds no padding: a pile's rows are many.)
    int contact = -1;
    double lower = -1e300, upper = 1e300;  // bounds on lambda
    int begin = 0, count = 0;              // Jacobian entries
    double g = 0;                          // position residual (position rows) or one-sided gap
    double velocityTarget = 0;             // wanted J v
    double gamma = 0;                      // wanted J a
    double lambda = 0;
    bool redundant = false;
    bool saturated = false;
    bool friction = false;
    // Contact rows of a fast run's velocity projection: the point is not in contact, and may
    // approach by no more than its gap over the step (velocityTarget).
    bool speculative = false;
    // Contact rows: the small compliance that keeps a statically indeterminate stack solvable.
    double compliance = 0;
    // Contact rows: the overlap their projection can always bring them within. The rows of a
    // stack repeat each other, and their compliance makes the last digits converge slowly: a
    // tiny part of the bodies' size, far below anything seen, is what they are held to.
    double reachable = 0;
  };
  class RowBuilder;

  void Unpack(const Eigen::VectorXd& state);
  void UpdateKinematics();
  // Unpack and UpdateKinematics, unless the bodies already stand at the state: a fast step
  // comes back to the same state from its event values, projection and evaluation in turn.
  void MoveTo(const Eigen::VectorXd& state);
  // Which contact points a build gives rows: every point a solve, an impact or a projection
  // may take up, or only those within the contact gap, the only ones whose rows can count as
  // touching or leaving (what the first build, made before the run is set up, is for).
  enum class ContactRowsFor : uint8_t { Solves, Flags };
  void BuildRows(const Context& context, ContactRowsFor scope = ContactRowsFor::Solves);
  void AddForces(const Context& context);
  void AddGoalRows(const Context& context, int c);
  // The rows of a record whose goals are their own quantities (ConstraintKind::Expression).
  void AddExpressionRows(const Context& context, int c);
  // A goal's value with every free coordinate moved by `scale` times its rate (0 leaves them),
  // at the time given; the kinematics are those of the moved state afterwards.
  double ValueMovedAlong(const Context& context, const Constraint& record, const Goal& goal,
                         const std::vector<double>& from, double scale, double time);
  static bool IsPlainPin(const Constraint& record);
  void AddPlainPinRows(int c);
  // What a plain pin's row is made of: its two points and the value its goal holds.
  struct PinRowPlan {
    int point0, point1;
    double held;
  };
  // Sets the row from its plan, its entries written from `begin` on in `entries` (room for
  // kPlainPinEntries); returns how many it made.
  static constexpr int kPlainPinEntries = 4;
  int SetPlainPinRow(Row& row, const PinRowPlan& plan, std::pair<int, double>* entries, int begin);
  // The velocity terms of the rows anew, where every row is a plain pin's and the rows stand at
  // the present positions.
  void RefreshPlainPinTerms();
  static double PlainPinTerm(const PointKin& p0, const PointKin& p1, bool alongY);
  Row& NewRow(const RowBuilder& b, int c, int goalIndex, Component component);
  Row& NewRow(int begin, int count, int c, int goalIndex, Component component);
  Row& AddPositionRow(RowBuilder& b, const Context& ctx, const Constraint& record, const Goal& goal,
                      int c, int goalIndex, double quantity);
  double CurveDistance(const Context& context, int c, const PointKin& origin, const PointKin& point,
                       RowBuilder& b, bool keepFoot);
  static int RowsOfGoal(const Constraint& record, const Goal& goal);
  void SetFlag(Row& row, RowFlag flag, bool on);
  // J v of the row: asked of every contact row several times a step, it is made in place.
  double RowRate(const Row& row) const {
    double rate = 0;
    for (int i = row.begin; i < row.begin + row.count; ++i)
      rate += entries_[i].second * velocity_[entries_[i].first];
    return rate;
  }
  // The rate above which a closed contact point counts as opening.
  double OpeningSpeed() const;
  // The acceleration that brings a resting contact row, at its rate, back to rest within a
  // frame.
  double RestingDrift(const Row& row, double rate) const;
  void SelectRows();
  // SelectRows after a build, unless the build kept the rows of the last selection as they were.
  void SelectBuiltRows();
  void ApplyForceGoal(const Context& context, int c, const Goal& goal, double value);
  void ApplyFieldForces(const Context& context);
  // The load of a field's goals on body self (from other, kNone for a field on one body): the
  // force and its torque about self's centre of mass.
  struct FieldLoad {
    Eigen::Vector2d force{0, 0};
    double torque = 0;
  };
  FieldLoad LoadOfField(const Context& context, const Field& field, int self, int other) const;
  void ApplyFixedDirectionField(const Context& context, const Field& field);
  FieldLoad LoadAlong(const Context& context, const Field& field, double angle,
                      const Eigen::Vector2d& arm) const;
  void AddPointForce(const PointKin& p, const Eigen::Vector2d& force);
  void AddTorque(int body, double torque);
  void FindRedundantRows();
  // Marks the rows of the set that depend on the others (in the mass metric), by a sparse
  // factorisation of J W J' that drops the rows whose pivots vanish.
  void MarkDependentRows(const std::vector<int>& rows, std::vector<char>& dependent) const;
  Eigen::VectorXi RecordOrder(const std::vector<int>& rows,
                              const Eigen::SparseMatrix<double>& full) const;
  // Solves (J W J') x = b over the candidate rows with x bounded per row; returns x per row.
  // `start`, when given, is where the pivoting starts (per row, free or clamped at a bound) and
  // receives where it ended. A start for sweeps clamps every row outside its bounds at once and
  // frees none again: it ends once no free row leaves its bounds.
  enum class Pivoting : uint8_t { Exact, StartForSweeps };
  // Which kept factorisation a pile's exact solve keeps and solves against (see
  // KeptFactorisation): a pile solves its accelerations at every evaluation and its velocities
  // after every step, each of them from nearly the matrix of the time before.
  enum class Keeping : uint8_t { None, Accelerations, Velocities };
  void SolveBounded(const std::vector<int>& rows, const Eigen::VectorXd& b,
                    const Eigen::VectorXd& lower, const Eigen::VectorXd& upper, Eigen::VectorXd& x,
                    std::vector<Bound>* start = nullptr, Pivoting pivoting = Pivoting::Exact,
                    Keeping keeping = Keeping::None);
  // The pivoting of SolveBounded over rows that are one island; `direct` assembles each
  // factorisation straight into a dense matrix, without a planned pattern.
  void SolveBoundedIsland(const std::vector<int>& rows, const Eigen::VectorXd& b,
                          const Eigen::VectorXd& lower, const Eigen::VectorXd& upper,
                          Eigen::VectorXd& x, std::vector<Bound>* start, Pivoting pivoting,
                          Keeping keeping, bool direct);
  // Solves contact rows island by island (rows that reach no common free coordinate, directly or
  // through other rows, do not act on each other); false, having done nothing, for one island.
  bool SolveByIslands(const std::vector<int>& rows, const Eigen::VectorXd& b,
                      const Eigen::VectorXd& lower, const Eigen::VectorXd& upper,
                      Eigen::VectorXd& x, std::vector<Bound>* start, Keeping keeping);
  // Whether no multiplier at all is the bounded solve's answer (every row at a bound of zero
  // that its right side presses it against, or with nothing on its right); if so x is zero and
  // `start`, when given, where each row then stands.
  bool SolvedByNothing(const Eigen::VectorXd& b, const Eigen::VectorXd& lower,
                       const Eigen::VectorXd& upper, Eigen::VectorXd& x,
                       std::vector<Bound>* start) const;
  // SolveBounded's exact pivoting over a few rows (at most kTinyRows), island by island where
  // SolveByIslands would split them, each island by SolveTinyIsland.
  void SolveTiny(const std::vector<int>& rows, const Eigen::VectorXd& b,
                 const Eigen::VectorXd& lower, const Eigen::VectorXd& upper, Eigen::VectorXd& x,
                 std::vector<Bound>* start);
  // SolveBoundedIsland's exact pivoting over an island of a few rows, in arrays on the stack:
  // `state` is each row's start and receives where it ended.
  void SolveTinyIsland(const int* rows, int n, const double* b, const double* lower,
                       const double* upper, double* x, Bound* state);
  // How much further than the rounding past its upper bound `upper` a free row may end in a
  // bounded solve that keeps `keeping`: a sticking contact's friction, in the solve of the
  // accelerations, by kFrictionPastBound of its manifold's normal force; any other row by nothing.
  double FrictionAllowance(const Row& row, double upper, Keeping keeping) const;
  // SolveBoundedIsland's direct pivoting (see SolveByIslands) over an island of more rows than
  // a tiny one and at most kSmallIslandRows, in arrays on the stack, to the bit: sticking
  // friction may end as far past its bound as `keeping` lets it, and the pivots are counted.
  void SolveSmallIsland(const int* rows, int n, const double* b, const double* lower,
                        const double* upper, double* x, Bound* state, Keeping keeping);
  // The pivoting of both, over at most N rows: exactly N where N is a tiny count, so that the
  // loops over them unroll, else `count`. `allowance` (null: none) is how much further than the
  // rounding each free row may end outside its bounds.
  template <int N>
  void SolveTinyIslandOf(const int* rows, int count, const double* b, const double* lower,
                         const double* upper, const double* allowance, bool countPivots,
                         double* x, Bound* state);
  // The buffers of SolveByIslands: the island of each row, the rows grouped by island, and one
  // island's part of the problem.
  struct IslandScratch {
    std::vector<int> parent, owner, members, offsets, rows;
    Eigen::VectorXd b, lower, upper, x;
    std::vector<Bound> start;
  };
  IslandScratch islandScratch_;
  // The buffers of SolveBounded, kept so that a solve per impact allocates nothing.
  struct BoundedScratch {
    std::vector<Bound> own;
    std::vector<char> held;
    std::vector<int> freeRows;
    Eigen::VectorXd clamped, rhs, solution, pushed, residual, pastBound;
  };
  BoundedScratch boundedScratch_;
  // A pile's factorisation kept for the pivots, friction rounds and evaluations (or steps) after
  // it: the rows held when it was made, those held and freed since, and the solves and small
  // system that stand for the changed rows.
  struct FactorPattern;
  struct KeptFactorisation {
    // The pattern factorised, what it stamped it with, and the rows and held set it was made for.
    FactorPattern* pattern = nullptr;
    int64_t stamp = -1;
    std::vector<int> rows;
    std::vector<char> held;
    std::vector<int> newlyHeld, freed;
    Eigen::MatrixXd columns, byFreed, byHeld;
    Eigen::FullPivLU<Eigen::MatrixXd> changed;
    Eigen::VectorXd right, unknowns, unit, column, product, residual, correction;
    // Solves that stay while the factorisation does: of the unit vector of each row held since
    // it was made, and of each freed row's column of J W J' (kept whole in `freedColumns`) with
    // the rows it holds left out. Only the first of them, one per row listed, hold solves; the
    // rest are the vectors of an earlier factorisation's, kept so as not to allocate a pile's
    // vectors anew each time.
    std::vector<int> unitRows, freedRows;
    std::vector<Eigen::VectorXd> unitSolves, freedColumns, freedSolves;
    // The first solve of the right-hand side that the changed rows are prepared for, made in
    // their batch (a large factor is then read once for both), and whether it waits there.
    Eigen::VectorXd first;
    bool firstMade = false;
    // The last refined solve of these rows (held rows at zero) and its right-hand side, or
    // empty: the next evaluation's answer lies near it, and the refinement may start there
    // rather than from nothing.
    Eigen::VectorXd last, lastRight;
    // Whether the last solve that started from the last answer reached the target in one.
    bool startPaid = true;
    // The solves SolveChangedRows makes together, and their permuted work.
    std::vector<Eigen::VectorXd*> batch;
    std::vector<double*> batchWork;
    LargeVector<double> permuted;
  };
  // Of the accelerations, then of the velocities.
  std::array<KeptFactorisation, 2> kept_;
  // Prepares solves of the free rows with the rows in `held` held by the kept factorisation;
  // false when too many rows changed since it was made.
  // `rhs`, when given, is the right-hand side SolveKept is next asked for.
  bool PrepareKeptSolve(KeptFactorisation& k, const std::vector<int>& rows,
                        const std::vector<char>& held, const Eigen::VectorXd* rhs = nullptr);
  void SolveKept(KeptFactorisation& k, const Eigen::VectorXd& rhs, Eigen::VectorXd& x);
  void KeepFactorisation(KeptFactorisation& k, const std::vector<int>& rows,
                         const std::vector<char>& held);
  bool KeptFits(const KeptFactorisation& k, const std::vector<int>& rows) const;
  int NewKeptSolves(const KeptFactorisation& k, const std::vector<char>& held) const;
  int KeptUnitSolve(KeptFactorisation& k, int row);
  int KeptFreedSolve(KeptFactorisation& k, const std::vector<int>& rows, int row);
  void SolveChangedRows(KeptFactorisation& k, const std::vector<int>& rows,
                        const Eigen::VectorXd* rhs);
  bool SolveKeptRefined(KeptFactorisation& k, const std::vector<int>& rows,
                        const std::vector<char>& held, const Eigen::VectorXd& rhs,
                        Eigen::VectorXd& x);
  double KeptResidual(KeptFactorisation& k, const std::vector<int>& rows,
                      const std::vector<char>& held, const Eigen::VectorXd& rhs,
                      const Eigen::VectorXd& x);
  void MulJWJt(const std::vector<int>& rows, const Eigen::VectorXd& x, Eigen::VectorXd& out);
  // Where a row's entries are and its compliance: what the products and residuals of a solve
  // read of each row. A record is two cache lines of which they need these, and a pile's
  // products pass over tens of thousands of rows several times a pivot.
  struct RowSpan {
    int begin = 0, count = 0;
    double compliance = 0;
  };
  // The spans of the rows of the bounded solve under way, made once for all its products, while
  // a SpansHeld lives (the rows cannot change during the solve); any other row set's spans are
  // gathered for each product.
  struct RowSpans {
    const std::vector<int>* rows = nullptr;
    std::vector<RowSpan> spans, gathered;
  };
  RowSpans rowSpans_;
  class SpansHeld {
   public:
    SpansHeld(Mechanics& m, const std::vector<int>& rows);
    ~SpansHeld() { mechanics_.rowSpans_.rows = nullptr; }
    SpansHeld(const SpansHeld&) = delete;
    SpansHeld& operator=(const SpansHeld&) = delete;

   private:
    Mechanics& mechanics_;
  };
  const RowSpan* SpansOf(const std::vector<int>& rows);
  // Factorises J W J' over the rows; rows marked in `held` (their multipliers fixed by the
  // caller) are kept in the pattern as rows of the identity, so that a pivoting solve whose
  // bounded rows come and go refactorises values only.
  // `keeper`: the kept factorisation of the pile's bounded solve that calls, which keeps this one
  // for its later solves; every solve leaves the others' kept factorisations standing and
  // factorises in a pattern of its own.
  void Factorise(const std::vector<int>& rows, const std::vector<char>* held = nullptr,
                 const KeptFactorisation* keeper = nullptr);
  void FactoriseTiny(const std::vector<int>& rows, const std::vector<char>* held);
  void RefreshContacts();
  void SolveVelocities(Eigen::VectorXd& state);
  // `flagsStand`: the contacts' flags were refreshed at these rows and velocities, and need
  // not be again.
  void FinishAccept(bool flagsStand = false);
  void RecordPulleyDirections();
  std::pair<int, int> PulleySegment(int index) const;
  double Gap(const Row& row, bool rate) const;
  // Contacts (ContactRows.cpp): find pairs, narrow phase, prepare rows, solve with friction,
  // store what happened; impacts resolved at the state a collision was located at.
  using ContactKey = std::pair<uint64_t, uint64_t>;  // the bodies, then pieces and features
  // A crowd's searches hold tens of thousands of points and manifolds, each written whole at
  // every search: their members are ordered so that neither holds padding.
  struct ContactPoint {
    ContactKey key;
    Eigen::Vector2d point{0, 0};
    double separation = 0;
    double radiusA = 0, radiusB = 0;  // of curvature of each outline there
    double force = 0;                 // the normal multiplier of the last evaluation
    int manifold = 0;
    int row = -1;
  };
  struct ContactManifold {
    int a = 0, b = 0;          // bodies; the normal runs from a to b
    ContactKey key;            // the bodies and the pieces
    int first = 0, count = 0;  // its points
    Eigen::Vector2d normal{0, 1}, centre{0, 0};
    double staticFriction = 0, kineticFriction = 0, elasticity = 0;
    double friction = 0;    // the tangential force on b of the last evaluation
    int frictionRow = -1;
    int slide = 0;          // the direction of sliding along the tangent, 0 while it sticks
    bool touching = false;  // one of its points is in contact
    // The normal turned a quarter counter-clockwise: made where it is read, not kept.
    Eigen::Vector2d Tangent() const { return Eigen::Vector2d(-normal.y(), normal.x()); }
  };
  struct Impact {
    int a, b;
    Eigen::Vector2d location, impulse;  // the impulse on b
  };
  struct Touch {
    int a, b;
    Eigen::Vector2d location, force, friction;  // the forces on b
  };
  void SetUpContacts();
  // Sleeping (ContactRows.cpp): bodies at rest in contact only are left out of the motion until
  // something awake comes near them or the forces on them change.
  void SetUpSleep();
  bool Immobile(int body) const { return bodyKin_[body].dof < 0 || islands_.Asleep(body); }
  void WakeWhereForcesChanged();
  bool WakeTouched();
  void WakeIsland(int body);
  void UpdateSleep(Eigen::VectorXd& state);
  bool Collides(int a, int b) const;
  bool MayCollide(int a, int b) const;  // as the groups and joints say, whatever sleeps
  void KeepPairsNear(const std::vector<contact::Box>& boxes);
  // Whether the boxes overlap once each is grown by `slack`.
  static bool Overlap(const contact::Box& a, const contact::Box& b, double slack = 0);
  void FindContacts();
  void AssignSlides();
  void BuildContactRows(ContactRowsFor scope);
  bool RestoreContactRows(int firstRow);
  Row& AddContactRow(int contactIndex, bool friction, const Eigen::Vector2d& direction,
                     const ContactManifold& m, const Eigen::Vector2d& point);
  Row& AddNormalRow(int point, bool touching);
  Eigen::Vector2d VelocityAt(int body, const Eigen::Vector2d& point) const;
  // Whether the point's bodies approach each other there as they stand, fast enough to bounce.
  bool ClosingAgain(const ContactPoint& p) const;
  // Whether the point's bodies approach each other there at all.
  bool Returning(const ContactPoint& p) const;
  // Below this approach speed an impact does not bounce: resting contacts do not chatter.
  double RestSpeed() const { return frameStep_ > 0 ? overlapError_ / frameStep_ : 0.0; }
  // The contacts where the bodies are, with sleeping islands that something came near woken.
  void FindAwakeContacts();
  // The contacts and which of them touch, without their rows: all that their event values need.
  // The rows of the last build no longer stand for them.
  void FindContactGaps();
  // Appends the entries of a force along `direction` at a world point of a body, and adds each
  // entry's square over the body's mass to `diagonal`.
  void ContactJacobian(int body, const Eigen::Vector2d& point, const Eigen::Vector2d& direction,
                       double& diagonal);
  double ContactProducts(const ContactManifold& m, const Eigen::Vector2d& point,
                         const Eigen::Vector2d& direction) const;
  double RollingTerm(const ContactManifold& m, const ContactPoint& p) const;
  void RefreshContactFlags();
  double ManifoldSlip(const ContactManifold& m) const;
  void ApplyKineticFriction();
  void AddContactForce(int body, const Eigen::Vector2d& point, const Eigen::Vector2d& force);
  bool StoreContactForces(std::vector<char>& kinetic, double& disagreement);
  static bool Stalled(const std::vector<double>& disagreements);
  void RememberClosedContacts();
  void StartFromLastBounds();
  void RememberBounds();
  void MixContactForces(const std::vector<char>& kinetic);
  void BoundFrictionByPointForces(const std::vector<char>& kinetic);
  bool SolveHeldFriction(const std::vector<char>& kinetic);
  bool GatherHeldFriction();
  void HeldFrictionResponses();
  bool StartFromHeldFriction(const std::vector<char>& kinetic, const Eigen::VectorXd& change);
  // The contacts a projection has brought onto their surfaces, which it keeps there.
  bool HeldInProjection(const Row& row) const;
  void HoldInProjection(const std::vector<int>& rows);
  bool HoldSunkPoints();
  bool HoldDrivenIn();
  void SunkRows(std::vector<int>& out) const;
  void ResolveImpacts(Eigen::VectorXd& state);
  // Collisions found ahead of a fast step (ContactRows.cpp): the points near enough to close
  // within the step are held to their gap, and the impulses that held them remembered.
  void HoldApproaches(double step);
  void StopSlipsAhead();
  // Counts, per body, the touching manifolds it takes part in (touchingManifolds_).
  void CountTouchingManifolds();
  // Whether the manifold joins a fixed body to a moving one that touches nothing else (after
  // CountTouchingManifolds): a block sliding alone on a slope.
  bool SlidesAlone(const ContactManifold& m) const;
  double StepApproach(const Row& row) const;
  void RememberHeldApproaches();
  bool SlipStoppedInStep(const ContactManifold& m) const;
  bool MayHoldAhead(const ContactManifold& m) const;
  // How far apart a contact point of two bodies may be and still have a row.
  double RowedGap(const std::vector<double>* reach, int a, int b) const;
  const std::vector<double>* ReachHere() const;
  template <class Struck>
  void GiveBackHeldApproaches(Eigen::VectorXd& state, const Struck& struck);
  // The order in which impacts are resolved (ContactRows.cpp).
  struct ImpactQueue {
    template <class Struck>
    void Begin(const Mechanics& mechanics, const Struck& struck);
    bool Empty() const { return heap.empty(); }
    int Fastest(const Mechanics& mechanics);
    void Moved(int dof);
    void Refresh(const Mechanics& mechanics, int manifold);
    void Update(const Mechanics& mechanics, int point);

    std::vector<int> bodyOfDof, start, onBody, moved, jointRows, rows;
    std::vector<int> fill;
    Eigen::VectorXd b, lower, upper, impulse;  // of each impact's solve
    std::vector<char> isStruck, movedBody;
    std::vector<double> rate;                   // per point, its approach rate
    std::vector<std::pair<double, int>> heap;   // (rate, point), the smallest on top
    // Buffers of SettleSlowImpacts: per manifold settled (its index, its first row and its
    // friction row), its normal impulse and whether it slides; per row, whether it is friction.
    std::vector<std::array<int, 3>> settling;
    std::vector<double> normals;
    std::vector<char> sliding, isFriction;
    // Below this approach a point already in contact is left to the velocities' projection
    // after the impacts (0: every approaching point is struck).
    double restingApproach = 0;
    bool Approaches(const Mechanics& mechanics, int point) const;
    bool ApproachesAt(const Mechanics& mechanics, int point, double pointRate) const;
    // Whether any struck point approaches: where none does (a resting pile's step), there is
    // no queue to make.
    template <class Struck>
    bool AnyApproaches(const Mechanics& mechanics, const Struck& struck) const;
  };
  void SettleSlowImpacts(Eigen::VectorXd& state);
  void ContactEventValues(std::vector<double>& values) const;
  void ReportOverlap(double time);
  double OutlineSpeed(int body, double h) const;
  struct StepMotion {
    double now[2] = {0, 0}, end[2] = {0, 0};  // velocity at the step's start and end
    double turning = 0;                        // the outline's speed from turning
  };
  StepMotion MotionOver(int body, double h) const;
  static double ClosingSpeed(const StepMotion& a, const StepMotion& b);
  // Per collider, whether anything can meet it within a step of length h (into touchable_).
  void FindTouchable(double h);
  static double ClosingSpeedBound(const StepMotion& a, const StepMotion& b);
  std::vector<StepMotion> motions_;  // per collider, buffer of ContactStepLimit
  std::vector<contact::Box> aheadBoxes_;  // buffers of FindTouchable
  std::vector<char> touchable_;           // likewise
  std::vector<contact::Box> stepOutlines_;  // per collider, its OutlineBox, from ContactStepLimit
  std::vector<double> stepSpeeds_;          // likewise its OutlineSpeed over the step (0: fixed)
  contact::Box OutlineBox(int body) const;
  std::vector<contact::Box> fixedBoxes_;  // per collider, its OutlineBox where it is fixed
  // The box of a body whose outline is one circle, placed at `centre`.
  static contact::Box CircleBox(const Eigen::Vector2d& centre, double r, int body);
  // Sets gamma of the contact rows to solve, from the velocities where they were built.
  void ContactAccelerationTerms();
  void SolveAccelerations();
  void SolveContactRounds();
  bool StickTurningSlips();
  void BoundTurnedFriction();
  // Sweeps (ContactSweeps.cpp): projected Gauss-Seidel over the contact rows.
  bool SweepsApply(const std::vector<int>& rows) const;
  bool SweepsApplyAhead(const std::vector<int>& rows) const;
  void PrepareSweep(const std::vector<int>& rows);
  int PrepareAccelerationSweep(const std::vector<int>& rows, double& largest);
  bool SweepToSettle(double tolerance);
  void RefineWithoutCompliance(const std::vector<int>& rows, const Eigen::VectorXd& b,
                               const std::vector<Bound>& state, Eigen::VectorXd& x);
  bool SweepAccelerations();
  void CarryWeightDown(const std::vector<int>& rows);
  void StartSweeps(const std::vector<int>& rows);
  void StartExactly(const std::vector<int>& rows);
  bool FollowKineticFriction(const std::vector<int>& rows, double tolerance);
  bool TurnKinetic();
  void StoreSweptForces(const std::vector<int>& rows);
  bool SweepVelocities(const std::vector<int>& rows, Eigen::VectorXd& state);
  void CorrectSweptForces(const std::vector<int>& rows);
  // Conjugate gradients over the prepared rows (ContactGradients.cpp).
  bool ProjectByGradients(double tolerance, double reachable, int most,
                          const Eigen::VectorXd* warm);
  void PrepareScaledRows();
  void MulScaledRows(const Eigen::VectorXd& p);
  void ScaledGradient(const Eigen::VectorXd& u, Eigen::VectorXd& gradient) const;
  // What a sweep reads of a row, kept together: the sweeps pass over every row many times, and
  // the rows themselves are too large to stay in the cache.
  struct SweepRow {
    int row = 0;
    int begin = 0, count = 0;  // the row's Jacobian entries
    double compliance = 0;
    double inverse = 0;  // of the row's diagonal with its compliance
    double lower = 0, upper = 0;
    int manifold = -1;  // of a normal row (adds to its total) or a friction row (bounded)
    bool friction = false;
  };
  // A contact row as the products by conjugate gradients read it (ContactGradients.cpp): it
  // pushes its two bodies apart along one direction, so it is that direction and each body's
  // turning entry, all scaled.
  struct ScaledRow {
    int base[2] = {0, 0};   // each body's first coordinate
    double along[2] = {};   // the direction, as the first body's entries
    double turn[2] = {};    // each body's turning entry
    double compliance = 0;  // scaled
  };
  std::vector<ScaledRow> scaledRows_;
  void CopyToSweep(int index, SweepRow& s) const;
  double Sweep(LargeVector<SweepRow>& sweep, const Eigen::VectorXd& b, Eigen::VectorXd& lambda,
               Eigen::VectorXd& x, std::vector<double>& normal, const std::vector<double>& bound,
               double tolerance, int most);
  void ComputeB();
  double FrameAngle(const Context& context, const Constraint& record) const;
  int FrameBody(const Constraint& record) const;
  bool IsActive(const Context& context, int c) const;
  // The value, when it is a number; else the failure naming the record or formula. Checked
  // for every goal of every evaluation, so the test is inline and the failure out of line.
  static double Checked(double value, const Constraint& record) {
    return std::isfinite(value) ? value : NotANumber(record.name, "a goal of");
  }
  static double Checked(double value, const std::string& name) {
    return std::isfinite(value) ? value : NotANumber(name, "a formula of");
  }
  [[noreturn]] static double NotANumber(const std::string& name, const char* what);

  Model model_;
  int dofCount_ = 0;
  double time_ = 0;
  std::vector<double> q_, v_;     // per body, centre of mass: x, y, rotation
  Eigen::VectorXd velocity_;      // per free coordinate
  Eigen::VectorXd acceleration_;  // per free coordinate, from the last evaluation
  double frameStep_ = 0;
  std::vector<BodyKin> bodyKin_;
  std::vector<PointKin> pointKin_;
  Eigen::VectorXd invMass_;  // per free coordinate
  Eigen::VectorXd force_;    // per free coordinate
  LargeVector<Row> rows_;
  int builtRows_ = 0;  // rows made so far by the build in progress
  LargeVector<std::pair<int, double>> entries_;
  std::vector<int> active_;  // candidate rows of the last solve
  std::vector<int> lastSignature_;  // (constraint, goal, sub) of each row of the last solve
  std::vector<int> candidates_;     // buffer of SelectRows
  Eigen::VectorXd solveB_, solveLower_, solveUpper_, solveX_, free_;  // buffers of Derivative
  std::vector<int> solveRows_;     // active rows that are independent
  bool linearProjection_ = false;  // the last evaluation's rows are all plain equalities
  Eigen::VectorXd tangentAcross_[2];  // buffers of KeepTangentPart, per half of the state
  std::vector<int> velocityRows_, projectRows_, sunkRows_;  // buffers of the projections
  // The points sunk in where a fast run's projection of the positions began, and how deep.
  std::vector<std::pair<ContactKey, double>> sunkAtStart_;
  // The points touching where a fast run's step began (its projection's), sorted.
  std::vector<ContactKey> touchingBefore_;
  Eigen::VectorXd projectResidual_, projectStep_;
  // The velocities a projection refreshed the contacts' flags with.
  Eigen::VectorXd flagsVelocities_;
  std::vector<int> chordRows_;  // the rows the projection's factorisation was made for
  // The present factorisation is that of chordRows_ at the last evaluation's positions, which the
  // projection after a step starts from: they lie within the step's error of the positions it
  // corrects.
  bool chordReady_ = false;
  std::vector<int> redundant_;
  // Pulleys (rods through more than two points): per pulley its constraint and where its
  // segments' directions begin in pulleyDirections_, which holds each segment's direction at the
  // last accepted state (a segment that turns back along it has run into its pulley point).
  struct Pulley {
    int constraint, first;
  };
  std::vector<Pulley> pulleys_;
  std::vector<Eigen::Vector2d> pulleyDirections_;
  double pulleyReach_ = 0;  // how near a load comes to a pulley point before it counts as there
  // Row slots: per constraint the slot of its first goal's first row, per goal (all records'
  // goals in order) its first slot; and per slot the row flags that outlive a build (in contact,
  // redundant, a limited drive at its limit in the last evaluation).
  std::vector<int> goalOffset_, goalSlot_;
  std::vector<uint8_t> slotFlags_;
  std::vector<int> oneSidedSlots_;  // every one-sided row the records can make
  std::vector<int> rowOfSlot_;      // buffer of EventValues
  bool stateFreeEvents_ = false;    // no event value depends on the state
  std::vector<Warning> warnings_;
  std::vector<double> gearReference_;    // per constraint: the no-slip coordinate at the start
  std::vector<double> angleUnwrap_;      // per constraint: last line angle for gears
  std::vector<double> constraintForce_;  // per constraint, three components
  std::vector<double> nextConstraintForce_;
  std::vector<double> coordinate_, rate_;  // per constraint
  std::vector<double> turn_, turnRate_;    // per constraint
  std::vector<int> measured_;              // the records whose coordinate and rate mean something
  std::vector<int> loading_;               // the records with goals that load the bodies
  std::vector<int> driveLimit_;  // per record: its goal that limits its drive's force, or kNone
  std::vector<char> plainPin_;   // per record: a pin whose rows take the short path
  // Every record a plain pin whose activation is a constant, and nothing collides: the rows then
  // change only with the positions, and their velocity terms with the velocities.
  bool onlyPlainPins_ = false;
  bool plainRowsBuilt_ = false;  // rows_ hold every plain pin's rows, made in full once
  bool plainRowsSelected_ = false;  // and the rows to solve have been selected of them since
  std::vector<PinRowPlan> pinPlans_;  // per row of plain pins, as the last full build made them
  // What the rows' entries are: `entryLayout_` changes whenever which coordinate every entry
  // stands for and where it is may have changed, `entryValues_` whenever the entries were made
  // anew. Plain pins' rows made in place keep their layout while they leave out the same exact
  // zeros: none, when the build made `fullPinEntries_` entries.
  int64_t entryLayout_ = 0, entryValues_ = 0;
  size_t fullPinEntries_ = 0;
  bool pinEntriesFull_ = false;  // the last build of plain pins' rows left out no zero
  // The factorisation of J W J' and what it is built from, kept between evaluations. The
  // matrix of a row set is assembled by a plan made once for its pattern: which Jacobian entries
  // multiply into which place. Small row sets are factorised dense; larger ones sparse, with the
  // fill-reducing ordering and symbolic analysis of the pattern kept. A few recent patterns are
  // kept, since evaluations and projections alternate between row sets, and a factorisation is
  // reused while its matrix is unchanged.
  struct FactorPattern {
    // Entries a and b of the row set, and their place. Their rows are not kept: a pile has
    // hundreds of thousands of products, and the rows follow from the structure (RowsOfEntries).
    struct Product {
      int a, b, slot;
    };
    // The products grouped by place. It follows from the plan alone, and a pile's is tens of
    // megabytes: patterns planned alike (CopyPlan) share it rather than each holding a copy.
    struct Grouping {
      LargeVector<std::pair<int, int>> pairs;      // the entries a and b of each product
      LargeVector<int> productSlot;                // where each product is added
      LargeVector<int> groupSlot;                  // per place: where it is
      LargeVector<std::pair<int, int>> groupRows;  // per place: the two rows it joins
    };
    const Grouping& Groups() const {
      static const Grouping none;
      return grouping != nullptr ? *grouping : none;
    }
    LargeVector<int> structure;     // every row's entry count, then every entry's coordinate
    LargeVector<Product> products;  // as the entries make them
    std::shared_ptr<const Grouping> grouping;  // null until the products are grouped
    std::vector<int> diagonal;               // per row: where its diagonal is
    bool regularised = false;                // contact rows' compliance is on the diagonal
    int coordinates = 0;                     // the coordinates with mass that the rows reach
    int n = 0;
    bool dense = false;
    Eigen::MatrixXd matrix;             // dense: the lower triangle
    std::vector<double> factor;         // dense: its Cholesky factor, row by row
    // dense: the original row of each row of the factor, where each factor row starts and the
    // last row each factor column reaches (all empty where it is factorised whole), and a
    // buffer of the solves
    std::vector<int> denseOrder, first, last;
    std::vector<double> work;
    // sparse: the matrix laid out as `ldl` reads it. Every factorisation assembles it whole
    // first, and only the places L fills in, which nothing writes, keep their zero. Each pattern
    // reads it only while its own factorisation is made, so patterns planned alike (CopyPlan)
    // share one: a pile's is tens of megabytes.
    std::shared_ptr<LargeVector<double>> laidOut;
    double* LaidOut() const { return laidOut != nullptr ? laidOut->data() : nullptr; }
    std::vector<int> order;             // sparse: the place of each row in the ordering
    SparseLdl ldl;                      // sparse: its factorisation, in that order
    LargeVector<double> factored;  // per place, the value the factorisation was made of
    // Sparse by supernodes, where the values were compared with `factored` (empty where not):
    // per supernode, whether its block's values changed since the factorisation. Per row: what
    // the factorisation had added to its diagonal.
    std::vector<char> changedBlocks;
    std::vector<double> added;
    // The Jacobian entries the factorisation was made of (empty when not known), and whether it
    // held no row fixed.
    LargeVector<double> entries;
    bool entriesHeldNone = false;
    // The matrix before any row is held, per place, and the entries it was assembled from.
    LargeVector<double> assembled;
    LargeVector<double> assembledFrom;
    bool keepsAssembled = false;  // once a bounded solve has held rows of the pattern
    bool grouped = false;         // the products are grouped by place (a dense one's wait)
    Eigen::VectorXd permuted;      // the right-hand side in the factor's order, solved in place
    int64_t lastUse = 0;
  };
  void MakePattern(FactorPattern& pattern, int n, bool dense);
  void ListProducts(FactorPattern& pattern, int n, bool dense);
  void PlanSparse(FactorPattern& pattern, int n, const LargeVector<int>& rowOf);
  void CopyPlan(const FactorPattern& from, FactorPattern& to);
  static LargeVector<int> RowsOfEntries(const FactorPattern& pattern);
  static void GroupProducts(FactorPattern& pattern, const LargeVector<int>& rowOf);
  static bool FactoriseValues(FactorPattern& pattern, double smallest);
  void Assemble(const FactorPattern& pattern, double* values) const;
  void AssembleUngrouped(const FactorPattern& pattern, double* values) const;
  static bool HoldAndCompare(FactorPattern& pattern, double* values, const std::vector<char>* held,
                             const double* from = nullptr);
  void AddCompliance(FactorPattern& pattern, double* values, const std::vector<int>& rows,
                     const std::vector<char>* held, bool regularise) const;
  // The assembly of the last large set of plain pins' rows, planned straight from entries_ (the
  // place in it of both entries of every product, in the order Assemble adds them): while the
  // set and its entries' layout stay, nothing needs looking up or copying before the products.
  struct PinAssembly {
    FactorPattern* pattern = nullptr;
    std::vector<int> rows;
    int64_t layout = -1;  // the entries' layout it was planned for
    int64_t values = -1;  // the entries the pattern's factorisation was last made of
    std::vector<std::pair<int, int>> pairs;
    std::vector<double> weight;  // per product: the inverse mass of its coordinate
  };
  PinAssembly pinAssembly_;
  void PlanPinAssembly(const std::vector<int>& rows);
  bool FactorisePinRows(const std::vector<int>& rows);
  void SolveFactorised(const Eigen::VectorXd& b, Eigen::VectorXd& x);
  // Two solves with the present factorisation at once, in place.
  void SolveFactorisedPair(Eigen::VectorXd& a, Eigen::VectorXd& b);
  std::vector<double> pairWork_;  // buffer of the two solves
  LargeVector<int> structure_;
  Eigen::VectorXd scatter_;  // buffer of MulJWJt, zero between uses
  LargeVector<double> flat_;      // the Jacobian entries of the row set, row by row
  LargeVector<double> weighted_;  // the same, each times the inverse mass of its coordinate
  int denseLimit_ = 40;
  bool tinySolves_ = true;
  std::vector<std::unique_ptr<FactorPattern>> patterns_;
  FactorPattern* pattern_ = nullptr;  // the factorisation the next solve uses
  FactorPattern tiny_;                 // the factorisation of the last few-row set
  int64_t factoriseCount_ = 0;
  int64_t pivotCount_ = 0;
  double projectedTime_ = -1;
  bool rowsFromProjection_ = false;  // rows_ were built by the last projection
  // The kinematics are still those of the state the last projection left (worlds of plain pins
  // alone, where nothing else moves the bodies between).
  bool kinematicsProjected_ = false;
  Eigen::VectorXd projectedState_;
  // The state the bodies and their kinematics were last moved to by MoveTo, while nothing else
  // has moved them since.
  bool standing_ = false;
  Eigen::VectorXd standingState_;
  // Curved slots: the curve, and where the slider's foot was at the last accepted state (the
  // search for the nearest point starts there so the slider does not jump between branches).
  std::vector<std::unique_ptr<CubicSpline>> curves_;
  Eigen::VectorXd heldForce_, standingForce_;  // buffers of ForcesStand
  std::vector<SplineFoot> feet_, pendingFeet_;
  // Contacts: the outline of every body that may collide, the pairs joined by a constraint
  // (which never collide), and per step the points and manifolds found with the pair
  // bookkeeping that outlives a step (which points touch, which manifolds slide and which way).
  // Bodies of one outline share it (a crowd's boxes or balls are all alike): each body names
  // its outline by place in outlineShapes_, whose first is the empty one.
  std::vector<contact::BodyOutline> outlineShapes_;
  std::vector<int> outlineOf_;
  const contact::BodyOutline& Outline(int body) const { return outlineShapes_[outlineOf_[body]]; }
  std::vector<int> colliders_;
  bool collidersInARun_ = false;  // colliders_ holds every body from its first to its last
  std::vector<uint64_t> joined_;
  double margin_ = 0;  // how near two outlines come before their points are followed
  // How near two outlines are when they touch: the contact gap, or the tolerance the last
  // projection brought positions within, when that is larger.
  double contactGap_ = 1e-9;
  double overlapError_ = 1e-3;
  contact::BroadPhase broadPhase_;
  // Each collider's pieces placed in the world for the search in use: a crowd's search meets a
  // body in several pairs, and places it once for all of them. Per collider, its first placed
  // piece (one more entry ends the last) and first corner, and the search that placed it last.
  std::vector<contact::WorldPiece> worldPieces_;
  std::vector<int> worldPieceBegin_, worldCornerBegin_;
  std::vector<Eigen::Vector2d> worldCorners_, worldNormals_;
  std::vector<int64_t> placedIn_;
  void SetUpWorldPieces();
  // The collider's pieces placed where its body stands in this search.
  const contact::WorldPiece* WorldPieces(size_t collider);
  std::vector<contact::Box> sweptBoxes_;
  // The kept pairs whose swept boxes overlap once grown by the slack, in order, as the last
  // step limit found them: a search whose boxes all lie in their swept ones so grown need look
  // at no other pair.
  std::vector<std::pair<int, int>> stepPairs_;
  // Those of them a search inside the step can find near: a pair of circles whose centres lie
  // too far apart for any such search is left out, so that a crowd's searches read only the
  // neighbours that can touch, not every pair of boxes that meet at a corner.
  std::vector<std::pair<int, int>> stepSearchPairs_;
  void ListStepSearchPairs(double h);
  struct StepCircle {
    Eigen::Vector2d centre{0, 0};
    double extent = HUGE_VAL;  // infinite where the outline is not one circle
    double size = 0;           // of the centre's larger coordinate, for the rounding allowed
  };
  std::vector<StepCircle> stepCircles_;
  double stepPairsSlack_ = 0;
  bool stepPairsValid_ = false;
  bool InsideSweptBoxes(const std::vector<contact::Box>& boxes) const;
  std::vector<contact::Box> boxes_;         // per collider, grown by half the margin and reach
  // Buffer of a search and a step limit: the kept pairs that may meet, by place in pairs_.
  std::vector<int> nearPairs_;
  // Per collider in a search, what its pairs read, held together so that a crowd's many pairs
  // read little memory: where a body that is one circle has its centre, and its coefficients.
  struct SearchedCollider {
    Eigen::Vector2d centre{0, 0};
    double radius = -1;  // below zero where the outline is not one circle
    double reach = 0;    // how far the search looks beyond the margin for it
    // Its radius, reach and half the margin, which the first pass over the pairs adds up for a
    // pair of circles; infinite where the outline is not one circle, whose pairs it keeps.
    double extent = HUGE_VAL;
  };
  std::vector<SearchedCollider> searched_;
  // Per near pair of a search where both bodies are one circle, the distance of their centres
  // where they are near, else -1.
  std::vector<double> circleDistances_;
  // Per collider, what the searches and step limits read of its outline for every pair: where
  // it is one circle (in the body frame), and its thickness; and its body's coefficients, which
  // each manifold found combines.
  struct ColliderOutline {
    Eigen::Vector2d centre{0, 0};
    double radius = -1;  // below zero where the outline is not one circle
    double thickness = 0;
    double staticFriction = 0, kineticFriction = 0, elasticity = 0;
  };
  std::vector<ColliderOutline> colliderOutlines_;
  void AddManifold(int a, int b, size_t pa, size_t pb, const contact::Manifold& found);
  std::vector<contact::Box> grownBoxes_;    // those the kept pairs were found from
  std::vector<std::pair<int, int>> pairs_;  // kept pairs, by place in colliders_
  contact::Box GrownBox(const contact::Box& box, size_t k) const;
  void DropStalePairs(size_t listed);
  int stalePairsWait_ = 0;  // step limits since the kept boxes were found or last weighed
  LargeVector<ContactPoint> contactPoints_;
  LargeVector<ContactManifold> manifolds_;
  // The pairs of circles an accurate search found within the margin but too far apart for a
  // row, with nothing kept under their keys: they take part in nothing but the collision
  // event's value, which reads the least of their gaps. A crowd falling together has a
  // thousand such pairs, and records for them would cost more than all the rest of a step.
  struct FarPairs {
    double leastGap = HUGE_VAL;
    int count = 0;
  };
  FarPairs farPairs_;
  // Whether the search in use found no pair at all, far or near.
  bool NoPairsFound() const { return manifolds_.empty() && farPairs_.count == 0; }
  // The gap beyond which a point that nothing holds is given no row.
  double RowlessGap() const {
    return sweptContacts_ ? 2 * contactGap_ : std::max(0.5 * margin_, 2 * contactGap_);
  }
  // The pairs of bodies (PairKey) of every key that a list kept between steps holds, sorted:
  // whatever such a list holds of a pair, it is found as a record.
  std::vector<uint64_t> keptPairs_;
  void ListKeptPairs();
  // Whether an accurate search may leave a pair of two circles, `separation` apart, as a far
  // pair: beyond the rowless gap, neither body asleep or fixed (whose island an awake body
  // near it wakes), and not among the kept pairs (read by the cursor).
  bool LeftFar(int a, int b, double separation, contact::KeyCursor<uint64_t>& kept) const;
  // What a search found, and the colliders' positions it was made at (x, y, rotation each): the
  // last search, and the one before it. The points and manifolds of the search in use are held
  // in contactPoints_ and manifolds_ instead, until another is taken up.
  struct FoundContacts {
    int64_t search = 0;  // which search it was, counted from 1
    std::vector<double> at;
    std::vector<double> reach;  // per collider, how much further out a fast run followed it
    std::vector<contact::Box> outlines;  // per collider, its OutlineBox where it was made
    LargeVector<ContactPoint> points;
    LargeVector<ContactManifold> manifolds;
    FarPairs far;
    // Member by member: a swap through a temporary moves every list twice more.
    friend void swap(FoundContacts& a, FoundContacts& b) noexcept {
      std::swap(a.search, b.search);
      a.at.swap(b.at);
      a.reach.swap(b.reach);
      a.outlines.swap(b.outlines);
      a.points.swap(b.points);
      a.manifolds.swap(b.manifolds);
      std::swap(a.far, b.far);
    }
  };
  FoundContacts found_[2];
  // Answered in place where the answer of one of the last two asks still stands.
  bool FoundHere(const FoundContacts& found) const {
    for (const HereAnswer& answer : hereAnswers_)
      if (answer.search == found.search && answer.moves == moves_) return answer.here;
    return FoundHereAnew(found);
  }
  bool FoundHereAnew(const FoundContacts& found) const;
  // The search in use, where it was made where the bodies stand; null where it was not.
  const FoundContacts* SearchHere() const;
  bool FoundHereNow(const FoundContacts& found) const;
  // The last answers of FoundHere, each with the search it was asked of and the count of
  // moves when it was given: a step asks it many times where the bodies stand still.
  struct HereAnswer {
    int64_t search = -1, moves = -1;
    bool here = false;
  };
  mutable HereAnswer hereAnswers_[2];
  mutable int hereNext_ = 0;
  // Counts the changes of where the bodies stand (and forgotten searches): whatever writes the
  // positions other than Unpack counts its change itself.
  int64_t moves_ = 0;
  std::vector<int> colliderOf_;  // per body, its place in colliders_, or -1
  int64_t searches_ = 0;
  int64_t loadedSearch_ = 0;  // the search contactPoints_ and manifolds_ hold
  void ForgetFoundContacts() {
    ++moves_;
    found_[0].at.clear();
    found_[1].at.clear();
  }
  std::vector<ContactKey> touching_;
  // Per point of the search in use, whether it is among touching_ (1) or leaving_ (2): worked
  // out once per search and refresh of those lists, where the builds of a step ask again and
  // again.
  enum : char { kPointTouching = 1, kPointLeaving = 2 };
  // The builds and event values of a step ask many times between two searches or refreshes:
  // those asks are answered in place.
  const std::vector<char>& PointFlags() const {
    if (pointFlagsSearch_ == loadedSearch_ && pointFlagsRefresh_ == flagRefreshes_ &&
        pointFlags_.size() == contactPoints_.size())
      return pointFlags_;
    return MakePointFlags();
  }
  const std::vector<char>& MakePointFlags() const;
  bool PointKeysApart() const;
  int64_t keysApartSearch_ = -1;  // the search PointKeysApart last answered for
  bool keysApart_ = false;
  int64_t flagRefreshes_ = 0;
  mutable std::vector<char> pointFlags_;
  mutable int64_t pointFlagsSearch_ = -1, pointFlagsRefresh_ = -1;
  std::vector<ContactKey> leaving_;  // within the contact gap at the last state, and opening
  // The points within the contact gap where a projection began, before the joints moved them.
  std::vector<ContactKey> closedBefore_;
  std::vector<ContactKey> projectionHeld_;  // sorted
  std::vector<std::pair<ContactKey, int>> sliding_;
  std::vector<Impact> impacts_;
  mutable bool collisionsRead_ = true;
  mutable bool leftOutSlowReturn_ = false;  // see LeftOutSlowReturn
  ImpactQueue impactQueue_;
  std::vector<Touch> touches_;          // of the last evaluation of the accelerations
  std::vector<double> manifoldNormal_, manifoldChange_;  // buffers of StoreContactForces
  std::vector<char> manifoldRowed_;  // buffer of BuildContactRows: a point of it has a row
  std::vector<int> rowedPoints_;     // buffer of BuildContactRows: the points given a row
  // The last build of contact rows that stood first in the rows: its search, the points it gave
  // a row, and how many rows and entries it made. search is -1 when no such build stands.
  struct ContactRowsMade {
    int64_t search = -1;
    std::vector<int> points;
    size_t rows = 0, entries = 0;
  };
  ContactRowsMade contactRowsMade_;
  // The normal force of every point that pressed in the last solve, by its key.
  std::vector<std::pair<ContactKey, double>> lastPointForces_;
  // How far apart, relative to their normal force, the forces of the last friction rounds that
  // came down to the solve's rounding stayed.
  double frictionRounding_ = 0;
  // Where the pivoting of the accelerations starts, per solved row, and where each contact row
  // ended in the last evaluation that clamped it (normal rows by point, friction by manifold).
  std::vector<Bound> boundStart_;
  std::vector<std::pair<ContactKey, Bound>> lastPointBounds_, lastFrictionBounds_;
  // The friction rounds' mixing, and the normal forces that went into the present round, came
  // out of it and go into the next.
  ForceMixing forceMixing_;
  Eigen::VectorXd roundIn_, roundOut_, roundNext_;
  // SolveHeldFriction's buffers. A forward solve of a sparse right-hand side: the supernodes
  // it reaches, and its values on their columns in that order.
  struct ForwardSolve {
    std::vector<int> reach;
    std::vector<double> values;
  };
  struct HeldFrictionScratch {
    std::vector<int> friction, position, points, pointBegin, wanted, place, nonzero, touched;
    // The solve's rows (and their entries) by coordinate.
    std::vector<int> dofBegin;
    LargeVector<std::pair<int, double>> dofRows;
    std::vector<char> held;
    std::vector<ForwardSolve> units;
    ForwardSolve pushed;
    Eigen::VectorXd unit, column, work;
    Eigen::MatrixXd at;  // how each wanted row's answer moves with each held row's value
  };
  HeldFrictionScratch heldFriction_;
  void ForwardOf(const std::vector<int>& nonzero, ForwardSolve& out);
  double ProductOf(const ForwardSolve& a, const ForwardSolve& b) const;
  // The kinetic flags and the disagreement of each round of the friction solve: kept from solve
  // to solve, since a small world solves at every evaluation.
  std::vector<char> roundKinetic_;
  std::vector<double> roundDisagreements_;
  ContactStageTimes contactTimes_;
  bool timeStages_ = false;
  // Sleeping: the islands, whether any body may sleep, the inverse masses of the free
  // coordinates while awake (a sleeping body's are zero, so that it holds like a fixed one), the
  // applied forces of the last evaluation and those a body fell asleep under, what the sleeping
  // bodies touch, and the time of the last accepted state.
  contact::Islands islands_;
  bool sleeps_ = false;
  Eigen::VectorXd awakeInvMass_, appliedForce_, sleepForce_;
  std::vector<Touch> sleepingTouches_;
  double sleepClock_ = 0;
  std::vector<char> resting_;
  std::vector<std::pair<int, int>> touchingPairs_;
  std::vector<int> sleepChange_;
  double thinnest_ = HUGE_VAL;
  std::pair<int, int> limitingPair_{kNone, kNone};
  Eigen::VectorXd baseForce_;
  // Sweeps: whether they are used, each manifold's friction force of the last evaluation by
  // its key, and their buffers.
  bool sweptContacts_ = false;
  bool solveStartHeld_ = false, solvesFromNothing_ = false;
  std::vector<std::pair<ContactKey, double>> lastFrictionForces_;
  LargeVector<SweepRow> sweepRows_;
  std::vector<double> sweepNormal_, sweepBound_;
  std::vector<int> sweepNormalRows_;
  std::vector<Bound> sweepStartBounds_;
  // Buffers of carrying a pile's weight down: each body's normal rows, its distance in contacts
  // from a body that does not move, the bodies in that order, and the forces each carries.
  std::vector<int> carryStart_, carryRows_, carryLevel_, carryOrder_;
  std::vector<std::pair<int, int>> carryBodies_;  // the two bodies of each normal row
  Eigen::VectorXd carried_;
  std::vector<double> sweepPointForce_;
  Eigen::VectorXd sweepForceBefore_;
  Eigen::VectorXd sweepB_, sweepLambda_, sweepX_;
  Eigen::VectorXd sweepScale_, sweepPush_, sweepProduct_;
  Eigen::VectorXd sweepInvMass_;  // the inverse masses and a spare block of none
  int64_t exactPileSolves_ = 0;
  int64_t unsettledFrictionSolves_ = 0;
  int64_t heldFrictionSolves_ = 0;
  int64_t gradientProducts_ = 0;
  // The impulses of the last projection of a swept pile's velocities that needed any, by the
  // key of each point and of each manifold's friction.
  std::vector<std::pair<ContactKey, double>> lastPointImpulses_, lastFrictionImpulses_;
  Eigen::VectorXd sweepWarm_;
  double sweptForcesAt_ = NAN;  // the time of the last forces the sweeps found
  double velocityStep_ = 0;     // the step of the velocities being projected, or 0
  // The fast step whose velocities are being projected after its forces moved them, or 0.
  double forcedStep_ = 0;
  bool velocitiesSwept_ = false;  // the last projection of the velocities was swept
  // Each point held to its gap in the last velocity projection of a fast step, with the impulse
  // that held it, by key, sorted; until the impacts at the step's end have used them.
  std::vector<std::pair<ContactKey, double>> heldApproaches_;
  // The rate at which each of those points approached before the projection held it, sorted.
  std::vector<std::pair<ContactKey, double>> heldArrivals_;
  std::vector<ContactKey> stoppedSlips_;  // manifolds a fast step stopped sliding, sorted
  // FollowConstantSlides: the accelerations that started the last two steps, with their times,
  // and per body whether it slid on fixed bodies alone in each (empty where none did); per body
  // for the step at hand, as FindSlidesAlone found.
  Eigen::VectorXd slideRates_[2];
  double slideRatesAt_[2] = {NAN, NAN};
  std::vector<char> slidBefore_, slidLast_;
  std::vector<char> slidesAlone_;
  static constexpr char kSlidesOnFixed = 1, kTouchesMoving = 2;
  bool FindSlidesAlone();  // into slidesAlone_; whether any body slides on a fixed one
  // Manifolds whose friction the last evaluation of a fast run held at its bound, sorted.
  std::vector<ContactKey> slippedFriction_;
  void RememberSlippedFriction();
  void LetSlippedFrictionGo();
  std::vector<char> stoppedBodies_;       // per body: a point held in the step stopped it
  std::vector<char> heldByRecord_;        // per body: a record's point is on it
  // Points held in the last fast step whose bodies touch nothing else, by key, sorted.
  std::vector<ContactKey> exactImpacts_;
  std::vector<char> meetingBodies_;       // buffers of HoldApproaches
  std::vector<char> engagedBodies_;
  std::vector<double> approachSpeeds_;
  std::vector<int> lonePoints_;
  std::vector<int> touchingManifolds_;  // per body, see CountTouchingManifolds
  // Sliding manifolds the last evaluation of a fast run made stick (StickTurningSlips), sorted;
  // with the way each slid, and those that could not stick.
  std::vector<ContactKey> turnedSlips_;
  std::vector<std::pair<ContactKey, int>> turnedWays_;
  std::vector<ContactKey> unturnedSlips_;
  Eigen::VectorXd turningAcceleration_;  // a buffer of StickTurningSlips
  double fastStep_ = 0;  // the last step a fast run held its approaches over
  std::vector<char> approachKinds_;
};

// Inline: formulas that read one value of a body (its mass) leave the rest uncomputed.
inline BodyState Mechanics::Body(int index) const {
  if (index < 0 || index >= BodyCount())
    throw DynamicsError{kErrBadModel, "a formula names a body that does not exist"};
  const dynamics::Body& b = model_.bodies[index];
  const double angle = q_[3 * index + 2], omega = v_[3 * index + 2];
  // Formulas ask for bodies many times an evaluation: the rotation of the present angle is kept.
  const BodyKin& k = bodyKin_[index];
  const Eigen::Vector2d arm = k.turned && k.angle == angle ? Eigen::Vector2d(k.cos * b.comX - k.sin * b.comY,
                                                               k.sin * b.comX + k.cos * b.comY)
                                                    : detail::Rotate(angle, b.comX, b.comY);
  BodyState s;
  s.x = q_[3 * index] - arm.x();
  s.y = q_[3 * index + 1] - arm.y();
  s.r = angle;
  s.vx = v_[3 * index] + omega * arm.y();
  s.vy = v_[3 * index + 1] - omega * arm.x();
  s.vr = omega;
  s.mass = b.mass;
  s.moment = b.moment;
  s.charge = b.charge;
  return s;
}

// How fast any point of a body's outline can move during a step of length h: its speed now,
// and what its acceleration of the last evaluation adds over the step. Inline: every step limit
// and search asks it of every collider.
inline double Mechanics::OutlineSpeed(int body, double h) const {
  const double reach = Outline(body).reach;
  double speed =
      detail::Length(v_[3 * body], v_[3 * body + 1]) + std::abs(v_[3 * body + 2]) * reach;
  // Over no time the acceleration adds nothing: the searches ask so for every collider.
  if (h == 0) return speed;
  const int dof = bodyKin_[body].dof;
  if (acceleration_.size() == dofCount_)
    speed += h * (detail::Length(acceleration_[dof], acceleration_[dof + 1]) +
                  std::abs(acceleration_[dof + 2]) * reach);
  return speed;
}

// How a body moves during a step of length h, as far as the closing of outlines goes: its
// velocity now and at the end of the step (with the acceleration of the last evaluation), and
// how fast its turning moves its outline.
inline Mechanics::StepMotion Mechanics::MotionOver(int body, double h) const {
  StepMotion motion;
  const int dof = bodyKin_[body].dof;
  if (dof < 0) return motion;
  const bool accelerated = acceleration_.size() == dofCount_;
  for (int k = 0; k < 2; ++k) {
    motion.now[k] = v_[3 * body + k];
    motion.end[k] = motion.now[k] + (accelerated ? h * acceleration_[dof + k] : 0.0);
  }
  const double turn = accelerated ? std::abs(acceleration_[dof + 2]) : 0.0;
  motion.turning = (std::abs(v_[3 * body + 2]) + h * turn) * Outline(body).reach;
  return motion;
}

// Inline: each contact row's build makes two, and a pile builds a row for every point at every
// step. The diagonal is summed as the entries are made, in their order: read back from the
// list, they cost a pass of their own.
[[gnu::always_inline]] inline void Mechanics::ContactJacobian(int body,
                                                              const Eigen::Vector2d& point,
                                                              const Eigen::Vector2d& direction,
                                                              double& diagonal) {
  const int dof = bodyKin_[body].dof;
  if (dof < 0) return;
  const Eigen::Vector2d arm = point - Eigen::Vector2d(q_[3 * body], q_[3 * body + 1]);
  const double* invMass = invMass_.data() + dof;
  const double x = direction.x(), y = direction.y(), turn = detail::Cross(arm, direction);
  if (x != 0) {
    entries_.emplace_back(dof, x);
    diagonal += x * x * invMass[0];
  }
  if (y != 0) {
    entries_.emplace_back(dof + 1, y);
    diagonal += y * y * invMass[1];
  }
  if (turn != 0) {
    entries_.emplace_back(dof + 2, turn);
    diagonal += turn * turn * invMass[2];
  }
}

inline int Context::BodyCount() const {
  return mechanics_.BodyCount();
}
inline BodyState Context::Body(int index) const {
  return mechanics_.Body(index);
}
inline double Context::ConstraintForce(int constraint, Component component) const {
  return mechanics_.ConstraintForce(constraint, component);
}
inline void Context::BodyAcceleration(int index, double& ax, double& ay, double& ar) const {
  mechanics_.BodyAcceleration(index, ax, ay, ar);
}
inline int Context::PointCount() const {
  return static_cast<int>(mechanics_.GetModel().points.size());
}
inline void Context::PointState(int point, double p[3], double v[3]) const {
  const Eigen::Vector2d pos = mechanics_.PointPosition(point);
  const Eigen::Vector2d vel = mechanics_.PointVelocity(point);
  const int body = mechanics_.GetModel().points[point].body;
  const BodyState b = mechanics_.Body(body);
  p[0] = pos.x();
  p[1] = pos.y();
  p[2] = b.r + mechanics_.GetModel().points[point].r;
  v[0] = vel.x();
  v[1] = vel.y();
  v[2] = b.vr;
}
inline int Context::FindConstraint(int32_t id) const {
  const auto& constraints = mechanics_.GetModel().constraints;
  for (size_t c = 0; c < constraints.size(); ++c)
    if (constraints[c].id == id) return static_cast<int>(c);
  return kNone;
}
inline bool Context::IsRotational(int constraint) const {
  return mechanics_.GetModel().constraints[constraint].kind == ConstraintKind::Rotational;
}
inline double Context::Input(int number) const {
  const auto& inputs = mechanics_.GetModel().inputs;
  if (number < 1 || number > static_cast<int>(inputs.size())) return NAN;
  return inputs[number - 1];
}
inline int Context::InputCount() const {
  return static_cast<int>(mechanics_.GetModel().inputs.size());
}
inline double Context::FrameStep() const {
  return mechanics_.FrameStep();
}
inline const Model& Context::GetModel() const {
  return mechanics_.GetModel();
}
inline double Context::ConstraintCoordinate(int constraint) const {
  return mechanics_.ConstraintCoordinate(constraint);
}
inline double Context::ConstraintRate(int constraint) const {
  return mechanics_.ConstraintRate(constraint);
}
inline double Context::ConstraintTurn(int constraint) const {
  return mechanics_.ConstraintTurn(constraint);
}
inline double Context::ConstraintTurnRate(int constraint) const {
  return mechanics_.ConstraintTurnRate(constraint);
}

}  // namespace yb::dynamics
