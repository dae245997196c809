// Collisions and contacts: which bodies may collide, the contact points found each build (broad
// phase, then narrow phase per pair of convex pieces), their rows (a one-sided row per point on
// the normal, a friction row per manifold while it sticks), kinetic friction while it slides,
// impacts with restitution at the state a collision was located at, and what the contact
// formula functions read.

#include <algorithm>
#include <bit>
#include <chrono>
#include <cmath>
#include <functional>

#include "solver/contact/KeyCursor.h"
#include "solver/contact/NarrowPhase.h"
#include "solver/dynamics/Mechanics.h"
#include "solver/dynamics/PlanarMath.h"

namespace yb::dynamics {

using namespace detail;

namespace {

// Below this tangential speed a contact sticks (its friction row holds it).
constexpr double kSlideSpeed = 1e-7;
// The compliance of contact rows, relative to their own diagonal: enough that rows repeating
// each other in a stack stay solvable, far below anything a frame shows.
constexpr double kContactCompliance = 1e-10;
// How near a manifold's friction must come to its bound, relative to its normal force, for the
// friction rounds to count it as there. The normal forces of a statically indeterminate stack
// are fixed only through the rows' compliance, and move by about this much from round to round
// as friction is bounded: asking for more, the rounds would never settle.
constexpr double kFrictionSettled = 1e-6;
// Friction rounds whose forces still disagree by at most this part of a normal force, and have
// not halved that disagreement over the last few rounds, have come down to what the solve can
// resolve: the normal forces of a tall indeterminate stack carry more of the solve's rounding
// than kFrictionSettled, and further rounds only pass it to and fro. A pile jammed by its own
// friction disagrees by far more, and keeps doing so.
constexpr double kFrictionStalled = 1e-4;
constexpr int kStallRounds = 3;
// Forces that disagree by no more than this many times the rounding that stalled rounds last
// showed are as settled as the solve can make them. The rounding is measured where a pile's
// factorisation is fresh; its later evaluations solve against a factorisation kept from other
// positions and refined, and their rounds stall at up to twice that rounding (1.4 to 2 times on
// the 100-row pyramid), so that at twice it they would take one more round in four to pass
// a disagreement to and fro.
constexpr double kRoundingsSettled = 3;
// Friction rounds after this many start from the mixing of the rounds before (ForceMixing).
constexpr int kPlainRounds = 3;
// Friction rounds that disagree by more than this part of a normal force, and neither held nor
// freed a row, solve for the fixed point of their held friction at once (SolveHeldFriction).
// Below it they are near the solve's rounding, where a round costs less and settles as well.
constexpr double kFixedPointFrom = 1e-5;
// Rounds of a solve that starts from no force at all that go to the fixed point of their held
// friction even when they pivoted. Its first round leaves friction unbounded, which spreads the
// normal forces most evenly; the round after bounds friction by those forces and holds tens of
// a large pile's friction rows, whose fixed point is a fifth away from them. Taken as it is, each
// round after would pivot tens of rows again, at a factorisation of the pile for every few. Past
// these rounds the held rows are nearly those of the answer and the rounds go as a warm solve's,
// which settle where it would.
constexpr int kColdFixedPointRounds = 2;
// What a contact's projection can reach, relative to the smaller of the two bodies.
constexpr double kReachable = 1e-10;

// How near two outlines come before their points are followed, in parts of the thinnest
// outline. A fast run, which holds every pair with a row to its gap and so may step as far as a
// pair can close from beyond its rows, follows a moving body's points further out, and gives
// them rows, by the way it travels in a frame, up to this many parts more.
constexpr double kMargin = 0.25;
constexpr double kMostFastReach = 0.5;

// The frames of travel ahead of a moving body that the pairs kept for it reach.
constexpr double kFramesAhead = 4;

// Kept pairs counted stale, once more than this many times those a step lists, where the
// moving bodies' kept boxes cover more than this many times boxes grown for their speeds now;
// and the step limits between two looks at the boxes.
constexpr size_t kKeptOverListed = 3;
constexpr double kStaleArea = 2;
constexpr int kStalePairsChecks = 8;

// How much further than its swept box, in parts of the margin, a search inside the step may
// find a body and still read only the pairs the step limit listed.
constexpr double kStepPairsSlack = 0.125;

// A step that the step limit cuts into at most this many parts is cut into equal ones.
constexpr double kMostEqualParts = 8;

// How little the acceleration of a sliding body may change from one fast step to the next,
// relative to its size, for it to count as constant: the contact solve's rounding, far below
// what a spring or a curved floor changes it by in a step.
constexpr double kConstantSlide = 1e-9;

// Adds the wall time from its making to its end to a stage's total, when the stages are timed:
// reading the clock costs a good part of a small world's step.
class StageTimer {
 public:
  StageTimer(double& total, bool on) : total_(on ? &total : nullptr) {
    if (on) start_ = std::chrono::steady_clock::now();
  }
  ~StageTimer() {
    if (total_ == nullptr) return;
    *total_ += std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
  }
  StageTimer(const StageTimer&) = delete;
  StageTimer& operator=(const StageTimer&) = delete;

 private:
  double* total_;
  std::chrono::steady_clock::time_point start_;
};

// Whether two bodies' outlines are made alike: their shapes and centres of mass the same to
// the bit (a zero's sign included, which a centre of mass passes on to the outline).
bool SameOutline(const dynamics::Body& a, const dynamics::Body& b) {
  auto same = [](double x, double y) {
    return std::bit_cast<uint64_t>(x) == std::bit_cast<uint64_t>(y);
  };
  auto sameAll = [&](const std::vector<double>& x, const std::vector<double>& y) {
    if (x.size() != y.size()) return false;
    for (size_t i = 0; i < x.size(); ++i)
      if (!same(x[i], y[i])) return false;
    return true;
  };
  return a.shape.kind == b.shape.kind && a.shape.curved == b.shape.curved &&
         same(a.shape.w, b.shape.w) && same(a.shape.h, b.shape.h) && same(a.comX, b.comX) &&
         same(a.comY, b.comY) && sameAll(a.shape.xs, b.shape.xs) && sameAll(a.shape.ys, b.shape.ys);
}

uint64_t PairKey(int a, int b) {
  return static_cast<uint64_t>(a) << 32 | static_cast<uint32_t>(b);
}

// A pair's coefficient from its two bodies': the geometric mean, so that two equal bodies keep
// their value and a body without friction or bounce gives none.
double Combined(double a, double b) {
  // The root of a square is the number itself, short of overflow and underflow: equal bodies, as
  // a crowd's are, need no root taken for every pair found.
  if (a == b && a >= 1e-150 && a <= 1e150) return a;
  return std::sqrt(std::max(0.0, a) * std::max(0.0, b));
}

bool Listed(const std::vector<int>& members, int body) {
  return std::find(members.begin(), members.end(), body) != members.end();
}

// Whether the group lets bodies a and b collide, read as the world's group record reads.
bool GroupApplies(const CollisionGroup& g, int a, int b) {
  switch (g.mode) {
    case 0:
      if (g.reference == a) return Listed(g.members, b) == g.includes;
      if (g.reference == b) return Listed(g.members, a) == g.includes;
      return false;
    case 1:
      return (Listed(g.members, a) && Listed(g.members, b)) == g.includes;
    case 2: {
      bool listed = false;
      for (size_t k = 0; k + 1 < g.members.size(); k += 2)
        listed = listed || (g.members[k] == a && g.members[k + 1] == b) ||
                 (g.members[k] == b && g.members[k + 1] == a);
      return listed == g.includes;
    }
    default:
      return false;
  }
}

bool JoinsBodies(ConstraintKind kind) {
  switch (kind) {
    case ConstraintKind::Pin:
    case ConstraintKind::Slot:
    case ConstraintKind::CurvedSlot:
    case ConstraintKind::Custom:
    case ConstraintKind::Gear:
    case ConstraintKind::Rack:
      return true;
    default:
      return false;
  }
}

}  // namespace

void Mechanics::SetUpContacts() {
  if (model_.collisionGroups.empty()) return;
  outlineShapes_.assign(1, contact::BodyOutline{});
  outlineOf_.assign(BodyCount(), 0);
  // Bodies of one shape in a row (a stack's boxes, a crowd's balls) share their outline: each
  // takes the one made last when its shape is the same to the bit.
  int madeFor = 0;
  for (int i = 1; i < BodyCount(); ++i) {
    const dynamics::Body& b = model_.bodies[i];
    if (madeFor > 0 && SameOutline(model_.bodies[madeFor], b)) {
      outlineOf_[i] = outlineOf_[madeFor];
    } else {
      contact::BodyOutline made = contact::MakeOutline(b.shape, b.comX, b.comY);
      madeFor = i;
      if (made.Empty()) continue;
      outlineOf_[i] = static_cast<int>(outlineShapes_.size());
      outlineShapes_.push_back(std::move(made));
    }
    if (Outline(i).Empty()) continue;
    colliders_.push_back(i);
    thinnest_ = std::min(thinnest_, Outline(i).thickness);
  }
  if (colliders_.empty()) return;
  collidersInARun_ = colliders_.back() - colliders_.front() + 1 == static_cast<int>(colliders_.size());
  margin_ = kMargin * thinnest_;
  colliderOf_.assign(BodyCount(), -1);
  colliderOutlines_.resize(colliders_.size());
  for (size_t k = 0; k < colliders_.size(); ++k) {
    colliderOf_[colliders_[k]] = static_cast<int>(k);
    const contact::BodyOutline& outline = Outline(colliders_[k]);
    ColliderOutline& c = colliderOutlines_[k];
    c.thickness = outline.thickness;
    const dynamics::Body& body = model_.bodies[colliders_[k]];
    c.staticFriction = body.staticFriction;
    c.kineticFriction = body.kineticFriction;
    c.elasticity = body.elasticity;
    const auto& pieces = outline.pieces;
    if (pieces.size() != 1 || !pieces[0].circle || !pieces[0].vertices.empty()) continue;
    c.centre = pieces[0].centre;
    c.radius = pieces[0].radius;
  }
  // Bodies joined by a joint never collide with each other.
  for (const Constraint& record : model_.constraints) {
    if (!JoinsBodies(record.kind)) continue;
    for (size_t i = 0; i < record.points.size(); ++i)
      for (size_t j = i + 1; j < record.points.size(); ++j) {
        const int a = model_.points[record.points[i]].body;
        const int b = model_.points[record.points[j]].body;
        if (a != b) joined_.push_back(PairKey(std::min(a, b), std::max(a, b)));
      }
  }
  std::sort(joined_.begin(), joined_.end());
  joined_.erase(std::unique(joined_.begin(), joined_.end()), joined_.end());
  SetUpSleep();
  SetUpWorldPieces();
  // A fixed body never moves: its box is found once (a slope's or a floor's, asked for by every
  // search and step limit).
  std::vector<contact::Box> fixed;
  fixed.reserve(colliders_.size());
  for (const int i : colliders_)
    fixed.push_back(OutlineBox(i));
  fixedBoxes_ = std::move(fixed);
}

// Room for every collider's pieces placed in the world, made once: the outlines never change.
void Mechanics::SetUpWorldPieces() {
  worldPieceBegin_.assign(1, 0);
  worldCornerBegin_.assign(1, 0);
  for (const int i : colliders_) {
    size_t corners = 0;
    for (const contact::ConvexPiece& piece : Outline(i).pieces)
      corners += piece.vertices.size();
    worldPieceBegin_.push_back(worldPieceBegin_.back() +
                               static_cast<int>(Outline(i).pieces.size()));
    worldCornerBegin_.push_back(worldCornerBegin_.back() + static_cast<int>(corners));
  }
  worldPieces_.resize(worldPieceBegin_.back());
  worldCorners_.resize(worldCornerBegin_.back());
  worldNormals_.resize(worldCornerBegin_.back());
  placedIn_.assign(colliders_.size(), -1);
}

const contact::WorldPiece* Mechanics::WorldPieces(size_t collider) {
  contact::WorldPiece* const first = worldPieces_.data() + worldPieceBegin_[collider];
  if (placedIn_[collider] == searches_) return first;
  placedIn_[collider] = searches_;
  contact::WorldPiece* placed = first;
  const int body = colliders_[collider];
  int corner = worldCornerBegin_[collider];
  for (const contact::ConvexPiece& piece : Outline(body).pieces) {
    const contact::PlacedPiece at{&piece, Vector2d(q_[3 * body], q_[3 * body + 1]),
                                  bodyKin_[body].cos, bodyKin_[body].sin};
    // (A circle writes no corners: past the last, where it may stand, nothing is read.)
    *placed++ = contact::PlaceInWorld(at, worldCorners_.data() + corner,
                                      worldNormals_.data() + corner);
    corner += static_cast<int>(piece.vertices.size());
  }
  return first;
}

// A free body that collides may sleep unless a record holds it (a joint, a spring, a force, a
// drive): what those do to it is not known to stay as it was.
void Mechanics::SetUpSleep() {
  islands_.Reset(BodyCount());
  std::vector<char>& held = heldByRecord_;
  held.assign(BodyCount(), 0);
  for (const Constraint& record : model_.constraints) {
    for (int p : record.points)
      held[model_.points[p].body] = 1;
    // A formula constraint may read any body: none sleeps under it.
    if (record.kind == ConstraintKind::Expression) held.assign(BodyCount(), 1);
  }
  for (int i : colliders_) {
    if (bodyKin_[i].dof < 0 || held[i]) continue;
    islands_.AllowSleep(i);
    sleeps_ = true;
  }
  awakeInvMass_ = invMass_;
  sleepForce_ = Eigen::VectorXd::Zero(dofCount_);
}

// A body at rest whose applied forces change (a field or a formula that depends on time or on
// other bodies) wakes with its island, before the rows of the evaluation are built.
void Mechanics::WakeWhereForcesChanged() {
  appliedForce_ = force_;
  if (!islands_.AnyAsleep()) return;
  for (int i : colliders_) {
    if (!islands_.Asleep(i)) continue;
    const int dof = bodyKin_[i].dof;
    for (int k = dof; k < dof + 3; ++k) {
      const double before = sleepForce_[k], now = force_[k];
      if (std::abs(now - before) <= 1e-9 * (std::abs(now) + std::abs(before))) continue;
      WakeIsland(i);
      break;
    }
  }
}

// Wakes the islands of sleeping bodies that an awake body has come near; true when any woke.
bool Mechanics::WakeTouched() {
  const size_t before = sleepChange_.size();
  for (const ContactManifold& m : manifolds_) {
    const bool asleepA = islands_.Asleep(m.a), asleepB = islands_.Asleep(m.b);
    if (asleepA && !Immobile(m.b)) WakeIsland(m.a);
    if (asleepB && !Immobile(m.a)) WakeIsland(m.b);
  }
  return sleepChange_.size() != before;
}

void Mechanics::WakeIsland(int body) {
  const size_t first = sleepChange_.size();
  islands_.Wake(body, sleepChange_);
  if (sleepChange_.size() == first) return;
  for (size_t k = first; k < sleepChange_.size(); ++k) {
    const int dof = bodyKin_[sleepChange_[k]].dof;
    invMass_.segment<3>(dof) = awakeInvMass_.segment<3>(dof);
  }
  // What the woken bodies touch is found again from now on.
  std::erase_if(sleepingTouches_, [&](const Touch& t) { return !Immobile(t.a) || !Immobile(t.b); });
  ForgetFoundContacts();
}

// After an accepted step: the rest of every body that may sleep, and the islands that have
// rested long enough fall asleep. Resting is moving less than the contact gap over the rest time:
// a sleeping body stands where it would have stood, to what the contacts resolve.
void Mechanics::UpdateSleep(Eigen::VectorXd& state) {
  if (!sleeps_) return;
  const double dt = time_ - sleepClock_;
  sleepClock_ = time_;
  if (!(dt > 0)) return;
  const double restSpeed = contactGap_ / contact::Islands::kRestTime;
  SetFlags(resting_, BodyCount(), 0);
  for (int i : colliders_) {
    if (bodyKin_[i].dof < 0) continue;
    const double speed =
        Length(v_[3 * i], v_[3 * i + 1]) + std::abs(v_[3 * i + 2]) * Outline(i).reach;
    resting_[i] = speed <= restSpeed;
  }
  sleepChange_.clear();
  // Until some body has rested for the rest time no island can fall asleep, and the islands
  // need not be found: a small world in motion pays for the rests alone.
  if (!islands_.Rest(dt, resting_)) return;
  touchingPairs_.clear();
  for (const ContactManifold& m : manifolds_)
    if (m.touching && bodyKin_[m.a].dof >= 0 && bodyKin_[m.b].dof >= 0)
      touchingPairs_.emplace_back(m.a, m.b);
  islands_.Settle(touchingPairs_, sleepChange_);
  if (sleepChange_.empty()) return;
  auto velocity = state.tail(dofCount_);
  for (int i : sleepChange_) {
    const int dof = bodyKin_[i].dof;
    invMass_.segment<3>(dof).setZero();
    velocity.segment<3>(dof).setZero();
    velocity_.segment<3>(dof).setZero();
    v_[3 * i] = v_[3 * i + 1] = v_[3 * i + 2] = 0;
    standing_ = false;
    if (appliedForce_.size() == dofCount_)
      sleepForce_.segment<3>(dof) = appliedForce_.segment<3>(dof);
  }
  // Sleeping bodies keep reporting the contacts they fell asleep in. Those of bodies asleep
  // before are among the last evaluation's, once each.
  sleepingTouches_.clear();
  for (const Touch& t : touches_)
    if (Immobile(t.a) && Immobile(t.b)) sleepingTouches_.push_back(t);
  ForgetFoundContacts();
  sleepChange_.clear();
}

bool Mechanics::Collides(int a, int b) const {
  return !(Immobile(a) && Immobile(b)) && MayCollide(a, b);
}

bool Mechanics::MayCollide(int a, int b) const {
  if (std::binary_search(joined_.begin(), joined_.end(), PairKey(a, b))) return false;
  for (const CollisionGroup& g : model_.collisionGroups)
    if (GroupApplies(g, a, b)) return true;
  return false;
}

// The pairs of colliders whose boxes may overlap, kept from search to search: afterwards every
// pair of the boxes given (one per collider) that overlap and may collide is among pairs_. Each
// collider's box is held grown by half the way it travels in a frame (and by the margin), and
// ahead of it by kFramesAhead frames of its travel; the pairs of those grown boxes that may
// collide are found again only once a box given has left its grown one, so that the many
// searches and step limits of a frame, and the frames of a pile at rest, cost no broad phase.
// Pairs are those of colliders by their place in colliders_, in ascending order, as a broad
// phase of the boxes themselves gives them.
void Mechanics::KeepPairsNear(const std::vector<contact::Box>& boxes) {
  bool inside = grownBoxes_.size() == boxes.size();
  // Without a branch per box: nearly always every box is inside, and all of them are read.
  const size_t compared = inside ? boxes.size() : 0;
  for (size_t k = 0; k < compared; ++k) {
    const contact::Box& box = boxes[k];
    const contact::Box& grown = grownBoxes_[k];
    inside &= (box.minX >= grown.minX) & (box.minY >= grown.minY) & (box.maxX <= grown.maxX) &
              (box.maxY <= grown.maxY);
  }
  if (inside) return;
  grownBoxes_.resize(boxes.size());
  for (size_t k = 0; k < boxes.size(); ++k)
    grownBoxes_[k] = GrownBox(boxes[k], k);
  broadPhase_.FindPairs(grownBoxes_, pairs_);
  std::erase_if(pairs_, [&](const std::pair<int, int>& p) {
    return !MayCollide(colliders_[p.first], colliders_[p.second]);
  });
  stalePairsWait_ = 0;
}

// The box the pairs are kept for of collider k whose box is given: grown by half the way its
// body travels in a frame, and ahead of a moving body further by the way it travels in the
// frames to come (a crowd falling together then keeps its pairs for a few frames, and its boxes
// grow further only below).
contact::Box Mechanics::GrownBox(const contact::Box& box, size_t k) const {
  const int body = colliders_[k];
  const bool moves = bodyKin_[body].dof >= 0;
  const double speed = moves ? OutlineSpeed(body, 0.0) : 0.0;
  const double grow = margin_ / 2 + 0.5 * speed * frameStep_;
  const double aheadX = moves ? kFramesAhead * v_[3 * body] * frameStep_ : 0.0;
  const double aheadY = moves ? kFramesAhead * v_[3 * body + 1] * frameStep_ : 0.0;
  return contact::Box{box.minX - (grow + std::max(-aheadX, 0.0)),
                      box.minY - (grow + std::max(-aheadY, 0.0)),
                      box.maxX + (grow + std::max(aheadX, 0.0)),
                      box.maxY + (grow + std::max(aheadY, 0.0)), static_cast<int>(k)};
}

// A crowd that has slowed down keeps the pairs of the boxes grown for the speed it had: a
// thousand balls landed in a heap keep four times the pairs their steps list, and every step
// limit passes over them all. Where the kept pairs are many more than the step listed, and the
// moving bodies' kept boxes cover much more than boxes grown for their speeds now would, the
// pairs are found anew at the next step. The boxes are weighed only every few steps: a crowd
// stepping far below a frame keeps many more pairs than its steps list, and rightly.
void Mechanics::DropStalePairs(size_t listed) {
  if (pairs_.size() <= kKeptOverListed * listed || ++stalePairsWait_ < kStalePairsChecks) return;
  stalePairsWait_ = 0;
  auto area = [](const contact::Box& b) { return (b.maxX - b.minX) * (b.maxY - b.minY); };
  double kept = 0, fresh = 0;
  for (size_t k = 0; k < grownBoxes_.size(); ++k) {
    if (bodyKin_[colliders_[k]].dof < 0) continue;
    kept += area(grownBoxes_[k]);
    fresh += area(GrownBox(sweptBoxes_[k], k));
  }
  if (kept > kStaleArea * fresh) grownBoxes_.clear();
}

// Whether every box lies in its swept one grown by the slack of the step's pair list.
bool Mechanics::InsideSweptBoxes(const std::vector<contact::Box>& boxes) const {
  if (!stepPairsValid_ || sweptBoxes_.size() != boxes.size()) return false;
  const double slack = stepPairsSlack_;
  bool inside = true;
  for (size_t k = 0; k < boxes.size(); ++k) {
    const contact::Box& box = boxes[k];
    const contact::Box& swept = sweptBoxes_[k];
    inside &= (box.minX >= swept.minX - slack) & (box.minY >= swept.minY - slack) &
              (box.maxX <= swept.maxX + slack) & (box.maxY <= swept.maxY + slack);
  }
  return inside;
}

// Without branches: a crowd's kept pairs overlap or not in no order a branch could guess.
bool Mechanics::Overlap(const contact::Box& a, const contact::Box& b, double slack) {
  const double reach = 2 * slack;
  return !((a.maxX + reach < b.minX) | (b.maxX + reach < a.minX) | (a.maxY + reach < b.minY) |
           (b.maxY + reach < a.minY));
}

// Lists the pairs of bodies that the lists kept between steps hold keys of, for an accurate
// search to find them as records: a touching, leaving, closed or held point, or one with a
// force to start from, is read under its key by the rows, flags and event values.
void Mechanics::ListKeptPairs() {
  keptPairs_.clear();
  if (sweptContacts_) return;
  // Each list is sorted by key, and so by pair: each is merged into those before it.
  auto add = [&](const auto& list, auto keyOf) {
    const auto middle = static_cast<std::ptrdiff_t>(keptPairs_.size());
    for (const auto& entry : list)
      keptPairs_.push_back(keyOf(entry).first);
    std::inplace_merge(keptPairs_.begin(), keptPairs_.begin() + middle, keptPairs_.end());
  };
  add(touching_, contact::Itself{});
  add(leaving_, contact::Itself{});
  add(closedBefore_, contact::Itself{});
  add(projectionHeld_, contact::Itself{});
  add(exactImpacts_, contact::Itself{});
  add(lastPointForces_, contact::FirstOf{});
  add(heldApproaches_, contact::FirstOf{});
  keptPairs_.erase(std::unique(keptPairs_.begin(), keptPairs_.end()), keptPairs_.end());
}

[[gnu::always_inline]] inline bool Mechanics::LeftFar(int a, int b, double separation,
                                                      contact::KeyCursor<uint64_t>& kept) const {
  return !sweptContacts_ && separation > RowlessGap() && !Immobile(a) && !Immobile(b) &&
         !kept.Contains(PairKey(a, b));
}

// Find pairs and narrow phase: every pair of pieces of colliding bodies closer than the margin.
void Mechanics::FindContacts() {
  if (colliders_.empty()) {
    contactPoints_.clear();
    manifolds_.clear();
    return;
  }
  // The evaluations, projections and event values of a step come back to the same positions
  // again and again: what was found there is still what is there. The trial steps that locate
  // a collision go to and fro between the step's start and its trial ends, so the search before
  // the last is kept too.
  auto foundHere = [&](const FoundContacts& found) { return FoundHere(found); };
  // The points and manifolds of the search in use are held in contactPoints_ and manifolds_
  // alone, and go back to its place when another is taken up: what a build or a solve writes
  // into them is made anew by the next one, so they need no copy kept as found.
  auto takeUp = [&](FoundContacts& found) {
    if (loadedSearch_ == found.search) return;
    for (FoundContacts& other : found_)
      if (other.search == loadedSearch_) {
        other.points.swap(contactPoints_);
        other.manifolds.swap(manifolds_);
        std::swap(other.far, farPairs_);
      }
    contactPoints_.swap(found.points);
    manifolds_.swap(found.manifolds);
    std::swap(found.far, farPairs_);
    loadedSearch_ = found.search;
  };
  bool here = foundHere(found_[0]);
  if (!here && foundHere(found_[1])) {
    swap(found_[0], found_[1]);
    here = true;
  }
  if (here) {
    takeUp(found_[0]);
    AssignSlides();
    return;
  }
  swap(found_[0], found_[1]);
  // The oldest search gives way to this one.
  found_[0].search = ++searches_;
  found_[0].points.clear();
  found_[0].manifolds.clear();
  takeUp(found_[0]);
  std::vector<double>& foundAt = found_[0].at;
  foundAt.clear();
  ReserveAtLeast(foundAt, 3 * colliders_.size());
  for (int i : colliders_)
    foundAt.insert(foundAt.end(), {q_[3 * i], q_[3 * i + 1], q_[3 * i + 2]});
  hereAnswers_[hereNext_] = HereAnswer{found_[0].search, moves_, true};
  hereNext_ ^= 1;
  std::vector<double>& reach = found_[0].reach;
  reach.assign(colliders_.size(), 0.0);
  if (sweptContacts_)
    for (size_t k = 0; k < colliders_.size(); ++k) {
      const int i = colliders_[k];
      if (bodyKin_[i].dof < 0) continue;
      reach[k] = std::min(OutlineSpeed(i, 0.0) * frameStep_, kMostFastReach * thinnest_);
    }
  contactPoints_.clear();
  manifolds_.clear();
  farPairs_ = FarPairs{};
  {
    const StageTimer timer(contactTimes_.findPairs, timeStages_);
    // Each outline's own box, so that a long wall or floor meets only what is near it.
    // Each box is written member by member to both its places: a whole box copied from one
    // just written reads its body with the padding after it in one load, which waits for the
    // store of the body to finish.
    boxes_.resize(colliders_.size());
    searched_.resize(colliders_.size());
    std::vector<contact::Box>& outlines = found_[0].outlines;
    outlines.resize(colliders_.size());
    for (size_t k = 0; k < colliders_.size(); ++k) {
      const int i = colliders_[k];
      SearchedCollider& c = searched_[k];
      const ColliderOutline& outline = colliderOutlines_[k];
      c.radius = outline.radius;
      c.reach = reach[k];
      c.extent = outline.radius >= 0 ? outline.radius + reach[k] + margin_ / 2 : HUGE_VAL;
      contact::Box& own = outlines[k];
      if (outline.radius >= 0) {
        const Vector2d centre = contact::PlacedPiece{nullptr, Vector2d(q_[3 * i], q_[3 * i + 1]),
                                                     bodyKin_[i].cos, bodyKin_[i].sin}
                                    .World(outline.centre);
        c.centre = centre;
        own = CircleBox(centre, outline.radius, i);
      } else {
        own = OutlineBox(i);
      }
      const double grow = margin_ / 2 + reach[k];
      contact::Box& box = boxes_[k];
      box.minX = own.minX - grow;
      box.minY = own.minY - grow;
      box.maxX = own.maxX + grow;
      box.maxY = own.maxY + grow;
      box.body = i;
    }
  }
  // Every kept pair that can meet here has boxes that overlap; where each box lies in its swept
  // box of the step, their swept boxes overlap too, and the step limit listed the pair. Only
  // a search outside them reads the kept pairs, which are brought up to its boxes first (the
  // step limit brings them up to its own).
  const bool insideStep = InsideSweptBoxes(boxes_);
  if (!insideStep) {
    const StageTimer timer(contactTimes_.findPairs, timeStages_);
    KeepPairsNear(boxes_);
  }
  const std::vector<std::pair<int, int>>& pairs = insideStep ? stepSearchPairs_ : pairs_;
  const StageTimer timer(contactTimes_.narrowPhase, timeStages_);
  // A crowd's kept pairs are near or not in no order a branch could guess: the pairs of two
  // circles further apart than they look are passed over first without branches, and those left
  // are met one by one.
  nearPairs_.resize(pairs.size());
  size_t near = 0;
  for (size_t k = 0; k < pairs.size(); ++k) {
    const SearchedCollider& ca = searched_[pairs[k].first];
    const SearchedCollider& cb = searched_[pairs[k].second];
    const double dx = cb.centre.x() - ca.centre.x(), dy = cb.centre.y() - ca.centre.y();
    // As generous as the meeting of circles itself, which decides: the sum's rounding in
    // whatever order lies far inside the allowance. A pair with a piece that is not one circle
    // has an infinite reach, and is kept.
    const double reach = ca.extent + cb.extent;
    const bool apart = dx * dx + dy * dy > reach * reach * (1 + 1e-12);
    nearPairs_[near] = static_cast<int>(k);
    near += static_cast<size_t>(!apart);
  }
  // Two bodies that are each one circle, as a crowd of balls is, meet without placing pieces,
  // and their distance alone tells whether they are near: their boxes need not be read. Their
  // distances are found in a pass of their own, before any manifold is added: with nothing else
  // in the way, the square roots of many pairs run side by side. A pair not near has none.
  std::vector<double>& distances = circleDistances_;
  distances.resize(near);
  for (size_t n = 0; n < near; ++n) {
    const auto [ka, kb] = pairs[nearPairs_[n]];
    const SearchedCollider& ca = searched_[ka];
    const SearchedCollider& cb = searched_[kb];
    distances[n] = -1;
    if (ca.radius < 0 || cb.radius < 0) continue;
    const double margin = margin_ + ca.reach + cb.reach;
    double distance;
    if (contact::CirclesNear(ca.centre, ca.radius, cb.centre, cb.radius, margin, distance))
      distances[n] = distance;
  }
  // Room for a manifold per near pair at once, and for the two points a pair of polygons may
  // give: the lists of a crowd are long, and grown one by one they would be moved many times
  // over, each move onto memory not yet written. Room a crowd of balls leaves unused is never
  // written either.
  ReserveAtLeast(manifolds_, near);
  ReserveAtLeast(contactPoints_, 2 * near);
  contact::Manifold found;
  ListKeptPairs();
  contact::KeyCursor<uint64_t> kept(keptPairs_);
  for (size_t n = 0; n < near; ++n) {
    const auto [ka, kb] = pairs[nearPairs_[n]];
    const SearchedCollider& ca = searched_[ka];
    const SearchedCollider& cb = searched_[kb];
    if (ca.radius >= 0 && cb.radius >= 0) {
      if (distances[n] < 0 || (Immobile(colliders_[ka]) && Immobile(colliders_[kb]))) continue;
      // The gap as MeetCircles makes it.
      const double separation = distances[n] - ca.radius - cb.radius;
      if (LeftFar(colliders_[ka], colliders_[kb], separation, kept)) {
        farPairs_.leastGap = std::min(farPairs_.leastGap, separation);
        ++farPairs_.count;
        continue;
      }
      contact::MeetCircles(ca.centre, ca.radius, cb.centre, cb.radius, distances[n], found);
      AddManifold(ka, kb, 0, 0, found);
      continue;
    }
    const double margin = margin_ + ca.reach + cb.reach;
    const contact::Box& boxA = boxes_[ka];
    const contact::Box& boxB = boxes_[kb];
    if (!Overlap(boxA, boxB)) continue;
    const int a = boxA.body, b = boxB.body;
    if (Immobile(a) && Immobile(b)) continue;
    const contact::WorldPiece* piecesA = WorldPieces(ka);
    const contact::WorldPiece* piecesB = WorldPieces(kb);
    const size_t countA = Outline(a).pieces.size(), countB = Outline(b).pieces.size();
    for (size_t pa = 0; pa < countA; ++pa)
      for (size_t pb = 0; pb < countB; ++pb)
        if (contact::CollidePlaced(piecesA[pa], piecesB[pb], margin, found))
          AddManifold(ka, kb, pa, pb, found);
  }
  AssignSlides();
}

// A manifold found between pieces pa and pb of the colliders ka and kb, with its points. Each is
// appended whole, every member given: a crowd's searches append thousands, and a default made
// first and written over costs as much again.
[[gnu::always_inline]] inline void Mechanics::AddManifold(int ka, int kb, size_t pa, size_t pb,
                                                        const contact::Manifold& found) {
  const ColliderOutline& ca = colliderOutlines_[ka];
  const ColliderOutline& cb = colliderOutlines_[kb];
  const int a = colliders_[ka], b = colliders_[kb];
  const int index = static_cast<int>(manifolds_.size());
  const ContactKey key{PairKey(a, b),
                       static_cast<uint64_t>(pa) << 42 | static_cast<uint64_t>(pb) << 21};
  Vector2d centre = found.points[0].point;
  if (found.count == 2) centre = found.points[0].point / 2 + found.points[1].point / 2;
  manifolds_.push_back(ContactManifold{.a = a,
                                       .b = b,
                                       .key = key,
                                       .first = static_cast<int>(contactPoints_.size()),
                                       .count = found.count,
                                       .normal = found.normal,
                                       .centre = centre,
                                       .staticFriction =
                                           Combined(ca.staticFriction, cb.staticFriction),
                                       .kineticFriction =
                                           Combined(ca.kineticFriction, cb.kineticFriction),
                                       .elasticity = Combined(ca.elasticity, cb.elasticity),
                                       .friction = 0,
                                       .frictionRow = -1,
                                       .slide = 0,
                                       .touching = false});
  for (int k = 0; k < found.count; ++k) {
    const contact::ManifoldPoint& p = found.points[k];
    contactPoints_.push_back(ContactPoint{.key = {key.first, key.second |
                                                                 static_cast<uint64_t>(p.feature)},
                                          .point = p.point,
                                          .separation = p.separation,
                                          .radiusA = p.radiusA,
                                          .radiusB = p.radiusB,
                                          .force = 0,
                                          .manifold = index,
                                          .row = -1});
  }
}

// The direction each manifold slid in at the last accepted state, 0 when it stuck or is new.
// A search finds the manifolds in the order of their keys, as sliding_ holds them: one pass
// over both.
void Mechanics::AssignSlides() {
  // Where nothing slid (a pile at rest), no key need be compared: the evaluations, projections
  // and event values of a step take a search up again and again.
  if (sliding_.empty()) {
    for (ContactManifold& m : manifolds_)
      m.slide = 0;
    return;
  }
  auto slide = sliding_.begin();
  const ContactKey* previous = nullptr;
  for (ContactManifold& m : manifolds_) {
    if (previous != nullptr && m.key < *previous) slide = sliding_.begin();
    previous = &m.key;
    while (slide != sliding_.end() && slide->first < m.key) ++slide;
    m.slide = slide != sliding_.end() && slide->first == m.key ? slide->second : 0;
  }
}

// The velocity-product term of a contact row along `direction` at a world point: what the
// turning of both bodies alone brings to J a.
double Mechanics::ContactProducts(const ContactManifold& m, const Vector2d& point,
                                  const Vector2d& direction) const {
  auto term = [&](int body, const Vector2d& along) {
    const Vector2d arm = point - Vector2d(q_[3 * body], q_[3 * body + 1]);
    const double omega = v_[3 * body + 2];
    return along.dot(-omega * omega * arm);
  };
  double c = 0;
  c += term(m.b, direction);
  c += term(m.a, -direction);
  return c;
}

// The part of a contact gap's second derivative that comes from the contact point moving along
// both outlines, beyond what the velocity products of a point fixed on each body give. Each
// outline is taken as its circle of curvature at the point (radius rA, rB; the normal runs from
// a to b): the gap is then the distance of the two centres of curvature, fixed on their bodies,
// less the radii. With s the slip of b against a along the tangent and wA, wB the angular
// velocities, it comes to (s^2 + 2 s (wA rA + wB rB) - rA rB (wA - wB)^2) / (rA + rB), which
// for a straight edge of a (rA infinite) is 2 s wA - rB (wA - wB)^2: a disc rolling on a floor
// keeps its full weight on it, and a corner sliding on a turning face feels its Coriolis part.
double Mechanics::RollingTerm(const ContactManifold& m, const ContactPoint& p) const {
  auto velocity = [&](int body) -> Vector2d {
    const Vector2d arm = p.point - Vector2d(q_[3 * body], q_[3 * body + 1]);
    return Vector2d(v_[3 * body], v_[3 * body + 1]) + v_[3 * body + 2] * Perp(arm);
  };
  const double s = m.Tangent().dot(velocity(m.b) - velocity(m.a));
  const double wA = v_[3 * m.a + 2], wB = v_[3 * m.b + 2];
  const double rA = p.radiusA, rB = p.radiusB;
  const bool flatA = !std::isfinite(rA), flatB = !std::isfinite(rB);
  if (flatA && flatB) return 0;  // two straight edges meet only at corners
  if (flatA) return 2 * s * wA - rB * (wA - wB) * (wA - wB);
  if (flatB) return 2 * s * wB - rA * (wA - wB) * (wA - wB);
  if (rA + rB <= 0) return 0;  // two corners: the normal turns with no curvature to follow
  return (s * s + 2 * s * (wA * rA + wB * rB) - rA * rB * (wA - wB) * (wA - wB)) / (rA + rB);
}

void Mechanics::FindAwakeContacts() {
  FindContacts();
  // A sleeping island that an awake body has come near wakes before the rows are made, and
  // its own contacts are found again.
  sleepChange_.clear();
  while (islands_.AnyAsleep() && WakeTouched())
    FindContacts();
}

void Mechanics::FindContactGaps() {
  rowsFromProjection_ = false;
  FindAwakeContacts();
  const std::vector<char>& flags = PointFlags();
  for (size_t k = 0; k < contactPoints_.size(); ++k)
    if ((flags[k] & kPointTouching) != 0) manifolds_[contactPoints_[k].manifold].touching = true;
}

// Whether every point of the search in use has a key of its own. A search finds the manifolds
// in the order of their keys, each with a key of its own and its points' keys above it, so a
// pass that asks each manifold's points (at most two) to lie above all points before them and
// apart from each other nearly always finds so.
bool Mechanics::PointKeysApart() const {
  const ContactKey* highest = nullptr;
  for (const ContactManifold& m : manifolds_) {
    if (m.count == 0) continue;
    const ContactPoint* points = contactPoints_.data() + m.first;
    const ContactKey* top = &points[0].key;
    if (m.count == 2) {
      if (points[1].key == *top) return false;
      if (*top < points[1].key) top = &points[1].key;
    }
    for (int k = 0; k < m.count; ++k)
      if (highest != nullptr && !(*highest < points[k].key)) return false;
    highest = top;
  }
  return true;
}

const std::vector<char>& Mechanics::MakePointFlags() const {
  pointFlagsSearch_ = loadedSearch_;
  pointFlagsRefresh_ = flagRefreshes_;
  // Where no point touches or leaves (a world's first build), nothing is looked up.
  if (touching_.empty() && leaving_.empty()) {
    pointFlags_.assign(contactPoints_.size(), 0);
    return pointFlags_;
  }
  contact::KeyCursor touching(touching_), leaving(leaving_);
  pointFlags_.resize(contactPoints_.size());
  for (size_t k = 0; k < contactPoints_.size(); ++k) {
    const ContactKey& key = contactPoints_[k].key;
    pointFlags_[k] = static_cast<char>((touching.Contains(key) ? kPointTouching : 0) |
                                       (leaving.Contains(key) ? kPointLeaving : 0));
  }
  return pointFlags_;
}

// A contact row along `direction` at a point of the manifold's bodies, appended to the rows.
Mechanics::Row& Mechanics::AddContactRow(int contactIndex, bool friction,
                                         const Vector2d& direction, const ContactManifold& m,
                                         const Vector2d& point) {
  static const Row blank = [] {
    Row row;
    row.constraint = kNone;
    row.slot = -1;
    return row;
  }();
  Row& row = rows_.emplace_back(blank);
  ++builtRows_;
  row.contact = contactIndex;
  row.friction = friction;
  row.begin = static_cast<int>(entries_.size());
  double diagonal = 0;
  ContactJacobian(m.b, point, direction, diagonal);
  ContactJacobian(m.a, point, -direction, diagonal);
  row.count = static_cast<int>(entries_.size()) - row.begin;
  row.compliance = kContactCompliance * diagonal;
  return row;
}

// The one-sided row of a point on its manifold's normal.
Mechanics::Row& Mechanics::AddNormalRow(int point, bool touching) {
  ContactPoint& p = contactPoints_[point];
  ContactManifold& m = manifolds_[p.manifold];
  Row& row = AddContactRow(point, false, m.normal, m, p.point);
  row.level = Level::Position;
  row.oneSided = true;
  row.lower = 0;
  row.g = p.separation;
  row.reachable = kReachable * std::min(Outline(m.a).reach, Outline(m.b).reach);
  row.candidate = touching;
  m.touching = m.touching || row.candidate;
  p.row = builtRows_ - 1;
  return row;
}

// Prepare: a one-sided row per point, a friction row per manifold, after the records' rows.
// Where no record has rows, the last build's contact rows are still in place (BuildRows leaves
// them): at the same search and for the same points they are only brought back to how they were
// made.
void Mechanics::BuildContactRows(ContactRowsFor scope) {
  FindAwakeContacts();
  const StageTimer timer(contactTimes_.prepare, timeStages_);
  const int firstRow = builtRows_;
  // A point well apart, and neither touching, struck nor held by the projection, takes part in
  // no solve, no impact and no projection: it has no row (its gap is watched by the event
  // values from the point itself). A crowd's near neighbours then cost no rows. A fast run
  // makes the rows of the points it holds to their gaps when it projects the velocities.
  // Rows made for the flags alone stop at the contact gap: a fast run's first projection
  // rows about the same points, and takes those rows up as they are.
  const double apart = scope == ContactRowsFor::Flags ? contactGap_ : RowlessGap();
  contact::KeyCursor closed(closedBefore_), held(projectionHeld_);
  const std::vector<char>& flags = PointFlags();
  std::vector<char>& rowed = manifoldRowed_;
  SetFlags(rowed, manifolds_.size(), 0);
  rowedPoints_.clear();
  ReserveAtLeast(rowedPoints_, contactPoints_.size());
  for (size_t k = 0; k < contactPoints_.size(); ++k) {
    ContactPoint& p = contactPoints_[k];
    const bool touching = (flags[k] & kPointTouching) != 0;
    p.row = -1;
    if (p.separation > apart && !touching && !closed.Contains(p.key) && !held.Contains(p.key))
      continue;
    rowed[p.manifold] = 1;
    rowedPoints_.push_back(static_cast<int>(k));
  }
  for (ContactManifold& m : manifolds_)
    m.frictionRow = -1;
  if (RestoreContactRows(firstRow)) return;
  if (firstRow == 0) entries_.clear();
  // Room for every row and entry at once, and each row appended as a copy of a blank contact
  // row: the rows of a large pile are many.
  rows_.resize(builtRows_);
  rows_.reserve(rows_.size() + rowedPoints_.size() + manifolds_.size());
  entries_.reserve(entries_.size() + 6 * (rowedPoints_.size() + manifolds_.size()));
  for (int k : rowedPoints_)
    AddNormalRow(k, (flags[k] & kPointTouching) != 0);
  for (size_t k = 0; k < manifolds_.size(); ++k) {
    ContactManifold& m = manifolds_[k];
    if (!rowed[k] || !(m.staticFriction > 0 || m.kineticFriction > 0)) continue;
    Row& row = AddContactRow(static_cast<int>(k), true, m.Tangent(), m, m.centre);
    row.level = Level::Velocity;
    row.candidate = m.touching && m.slide == 0;
    m.frictionRow = builtRows_ - 1;
  }
  rows_.resize(builtRows_);
  ContactRowsMade& made = contactRowsMade_;
  made.search = firstRow == 0 ? loadedSearch_ : -1;
  made.points.swap(rowedPoints_);
  made.rows = rows_.size();
  made.entries = entries_.size();
}

// The rows of the last contact build, first in the rows, stand for the same search and points:
// their Jacobians, gaps and compliances are still those of these positions. What solves and
// projections wrote into them is set back as it was made, the rows added since are dropped, and
// the velocity terms and which rows take part are made anew. False when they do not stand.
bool Mechanics::RestoreContactRows(int firstRow) {
  const ContactRowsMade& made = contactRowsMade_;
  if (firstRow != 0 || made.search != loadedSearch_ || rows_.size() < made.rows ||
      entries_.size() < made.entries || made.points != rowedPoints_)
    return false;
  static const Row defaults;
  rows_.resize(made.rows);
  entries_.resize(made.entries);
  builtRows_ = static_cast<int>(made.rows);
  const std::vector<char>& flags = PointFlags();
  for (int r = 0; r < builtRows_; ++r) {
    Row& row = rows_[r];
    row.upper = defaults.upper;
    row.velocityTarget = 0;
    row.lambda = 0;
    row.redundant = false;
    row.saturated = false;
    row.speculative = false;
    if (row.friction) {
      ContactManifold& m = manifolds_[row.contact];
      row.lower = defaults.lower;
      row.g = defaults.g;
      row.candidate = m.touching && m.slide == 0;
      m.frictionRow = r;
      continue;
    }
    ContactPoint& p = contactPoints_[row.contact];
    ContactManifold& m = manifolds_[p.manifold];
    row.lower = 0;
    row.g = p.separation;
    row.candidate = (flags[row.contact] & kPointTouching) != 0;
    m.touching = m.touching || row.candidate;
    p.row = r;
  }
  return true;
}

// The velocity of the world point as a point fixed on the body.
Vector2d Mechanics::VelocityAt(int body, const Vector2d& point) const {
  const Vector2d arm = point - Vector2d(q_[3 * body], q_[3 * body + 1]);
  return Vector2d(v_[3 * body], v_[3 * body + 1]) + v_[3 * body + 2] * Perp(arm);
}

// The tangential speed of b against a at the manifold's centre.
double Mechanics::ManifoldSlip(const ContactManifold& m) const {
  return m.Tangent().dot(VelocityAt(m.b, m.centre) - VelocityAt(m.a, m.centre));
}

// After a step: which points touch (closed and not opening), and which manifolds slide.
void Mechanics::RefreshContactFlags() {
  if (colliders_.empty()) return;
  touching_.clear();
  leaving_.clear();
  ReserveAtLeast(touching_, contactPoints_.size());
  for (ContactManifold& m : manifolds_)
    m.touching = false;
  const double opening = OpeningSpeed();
  // A fast run's point that touched where the step began, and is still at its surface opening
  // no faster than a resting contact may (by the overlap error in a frame), still rests there.
  // Counted as opening it would carry nothing: a box rocking a hair on its support would stand
  // on one corner and be thrown over it by its own friction. A point that has just struck and
  // bounces off is leaving, however slowly.
  const double resting = sweptContacts_ ? std::max(opening, RestSpeed()) : opening;
  contact::KeyCursor before(touchingBefore_);
  // The flags of the points of this search are those the lists are made of, where no key is
  // a second point's too. (Each is made in a local and written once: a write of a char may
  // change anything as far as the compiler knows, and would have every list read anew.)
  const double gap = contactGap_;
  const size_t points = contactPoints_.size();
  pointFlags_.assign(points, 0);
  char* const flags = pointFlags_.data();
  for (size_t k = 0; k < points; ++k) {
    ContactPoint& p = contactPoints_[k];
    if (p.row < 0) continue;  // well apart
    Row& row = rows_[p.row];
    const double rate = RowRate(row);
    const bool touching =
        row.g <= gap && (rate <= opening || (rate <= resting && before.Contains(p.key)));
    row.candidate = touching;
    if (touching) {
      touching_.push_back(p.key);
      manifolds_[p.manifold].touching = true;
    } else if (row.g <= gap) {
      leaving_.push_back(p.key);
    }
    flags[k] = touching ? kPointTouching : row.g <= gap ? kPointLeaving : 0;
  }
  contact::SortKept(touching_);
  contact::SortKept(leaving_);
  ++flagRefreshes_;
  if (keysApartSearch_ != loadedSearch_) {
    keysApart_ = PointKeysApart();
    keysApartSearch_ = loadedSearch_;
  }
  const bool keysApart = keysApart_;
  pointFlagsSearch_ = keysApart ? loadedSearch_ : -1;
  pointFlagsRefresh_ = keysApart ? flagRefreshes_ : -1;
  sliding_.clear();
  for (ContactManifold& m : manifolds_) {
    const double slip = ManifoldSlip(m);
    m.slide = m.touching && std::abs(slip) > kSlideSpeed ? (slip > 0 ? 1 : -1) : 0;
    if (m.slide != 0) sliding_.emplace_back(m.key, m.slide);
    if (m.frictionRow >= 0) rows_[m.frictionRow].candidate = m.touching && m.slide == 0;
  }
  contact::SortKept(sliding_);
}

void Mechanics::AddContactForce(int body, const Vector2d& point, const Vector2d& force) {
  const int dof = bodyKin_[body].dof;
  if (dof < 0) return;
  const Vector2d arm = point - Vector2d(q_[3 * body], q_[3 * body + 1]);
  force_[dof] += force.x();
  force_[dof + 1] += force.y();
  force_[dof + 2] += Cross(arm, force);
}

// Sliding manifolds: friction opposes the slip, at each point by its normal force.
void Mechanics::ApplyKineticFriction() {
  for (ContactManifold& m : manifolds_) {
    if (!m.touching || m.slide == 0) continue;
    m.friction = 0;
    for (int k = m.first; k < m.first + m.count; ++k) {
      const double f = -m.slide * m.kineticFriction * contactPoints_[k].force;
      m.friction += f;
      AddContactForce(m.b, contactPoints_[k].point, f * m.Tangent());
      AddContactForce(m.a, contactPoints_[k].point, -f * m.Tangent());
    }
  }
}

// Store: the normal forces and friction of the solve just made. Answers whether another round
// is needed: a sticking manifold reached its static bound and now slides with kinetic friction,
// or a force that depends on the normal forces was made from ones that have since changed (the
// friction of a manifold held at its bound, or kinetic friction). A sticking manifold whose
// friction lies within its bound is indifferent to its normal force: a stack whose normal forces
// are fixed only by the rows' small compliance settles in one round, where waiting for all of
// them to agree to the last digits would take many. `disagreement` receives how far the forces
// that ask for another round are from agreeing, relative to their normal force (infinite where
// a manifold went over to kinetic friction).
bool Mechanics::StoreContactForces(std::vector<char>& kinetic, double& disagreement) {
  double largest = 0;
  bool switched = false;
  std::vector<double>& normal = manifoldNormal_;
  std::vector<double>& change = manifoldChange_;
  normal.assign(manifolds_.size(), 0.0);
  change.assign(manifolds_.size(), 0.0);
  for (ContactPoint& p : contactPoints_) {
    const double f = p.row >= 0 && rows_[p.row].candidate ? rows_[p.row].lambda : 0.0;
    change[p.manifold] = std::max(change[p.manifold], std::abs(f - p.force));
    largest = std::max(largest, std::abs(f));
    p.force = f;
    normal[p.manifold] += f;
  }
  const double tolerance = 1e-12 * std::max(1.0, largest);
  bool stale = false;
  disagreement = 0;
  auto disagree = [&](double by, size_t k) {
    disagreement = std::max(disagreement, by / std::max(std::abs(normal[k]), tolerance));
  };
  for (size_t k = 0; k < manifolds_.size(); ++k) {
    ContactManifold& m = manifolds_[k];
    if (m.touching && m.slide != 0 && change[k] > tolerance) {
      stale = true;
      disagree(change[k], k);
    }
    if (m.frictionRow < 0 || !rows_[m.frictionRow].candidate) continue;
    Row& row = rows_[m.frictionRow];
    m.friction = row.lambda;
    const bool held = (row.lower > -kInfinity && row.lambda <= row.lower) ||
                      (row.upper < kInfinity && row.lambda >= row.upper);
    // A manifold whose friction comes to its static bound within what the rounds settle to
    // slides. Held at a bound made from normal forces that rise towards their own a little each
    // round, it would otherwise settle a hair short of it, and slip held by static friction.
    const double bound = m.staticFriction * normal[k];
    if (!kinetic[k] && bound > 0 && std::abs(row.lambda) >= bound * (1 - kFrictionSettled)) {
      kinetic[k] = 1;
      // Kinetic friction as large as static leaves the bound where it was.
      switched = switched || m.kineticFriction != m.staticFriction;
    }
    const double limit = (kinetic[k] ? m.kineticFriction : m.staticFriction) * normal[k];
    row.lower = -limit;
    row.upper = limit;
    // The solve leaves a row at its bound to its rounding, which for a manifold that presses
    // with nothing is more than no force at all.
    const double slack = tolerance + kFrictionSettled * std::abs(normal[k]);
    if (held && change[k] > slack) {
      stale = true;
      disagree(change[k], k);
    }
    if (std::abs(row.lambda) > limit + slack) {
      stale = true;
      disagree(std::abs(row.lambda) - limit, k);
    }
  }
  if (switched) disagreement = kInfinity;
  return switched || stale;
}

// What the velocities alone bring to the accelerations of the contact rows to solve (gamma): the
// rows are built for the projections and the event values too, several times a step, but only
// the solve of the accelerations reads it.
void Mechanics::ContactAccelerationTerms() {
  for (int r : solveRows_) {
    Row& row = rows_[r];
    if (row.contact < 0) continue;
    if (row.friction) {
      const ContactManifold& m = manifolds_[row.contact];
      row.gamma = -ContactProducts(m, m.centre, m.Tangent());
      continue;
    }
    const ContactPoint& p = contactPoints_[row.contact];
    const ContactManifold& m = manifolds_[p.manifold];
    row.gamma = -ContactProducts(m, p.point, m.normal);
    row.gamma -= RollingTerm(m, p);
  }
}

// Solve: the multipliers of all rows, records and contacts in one system. Friction bounds and
// kinetic friction depend on the normal forces, so the solve is repeated until they agree.
void Mechanics::SolveAccelerations() {
  if (NoPairsFound()) {
    ComputeB();
    SolveBounded(solveRows_, solveB_, solveLower_, solveUpper_, solveX_);
    // Nothing touches but what sleeps: no contact of an earlier evaluation is reported as if
    // it still were.
    touches_ = sleepingTouches_;
    return;
  }
  const StageTimer timer(contactTimes_.solve, timeStages_);
  turnedSlips_.clear();
  turnedWays_.clear();
  unturnedSlips_.clear();
  ContactAccelerationTerms();
  baseForce_ = force_;
  if (!SweepsApply(solveRows_)) {
    SolveContactRounds();
    while (StickTurningSlips()) {
      SelectBuiltRows();
      ContactAccelerationTerms();
      SolveContactRounds();
    }
  } else if (!SweepAccelerations()) {
    ++exactPileSolves_;
    SolveContactRounds();
  }
  touches_.clear();
  ReserveAtLeast(touches_, manifolds_.size() + sleepingTouches_.size());
  for (const ContactManifold& m : manifolds_) {
    if (!m.touching) continue;
    Touch t{m.a, m.b, Vector2d::Zero(), Vector2d::Zero(), m.friction * m.Tangent()};
    double total = 0;
    for (int k = m.first; k < m.first + m.count; ++k) {
      const ContactPoint& p = contactPoints_[k];
      total += p.force;
      t.location += p.point;
    }
    t.location /= m.count;
    t.force = total * m.normal;
    touches_.push_back(t);
  }
  touches_.insert(touches_.end(), sleepingTouches_.begin(), sleepingTouches_.end());
}

// The exact solve: rounds of the bounded solve, until the friction bounds agree with the normal
// forces they come from.
void Mechanics::SolveContactRounds() {
  std::vector<char>& kinetic = roundKinetic_;
  SetFlags(kinetic, manifolds_.size(), 0);
  // The rounds start from the normal forces of the solve before, where the same points were
  // there: a resting stack then needs one round. A new manifold's first round lets friction hold
  // whatever it must, which is the answer wherever it sticks within its bound; the rounds after
  // bound it by the normal forces found, and slide it where it reaches that bound. A bound from
  // the solve before that holds a manifold is only a start: the round after moves it to the
  // normal force found.
  // The answer may depend on the start: where the normal forces grow with the friction, a
  // manifold can both stick within its bound and be held at a bound low enough that the normal
  // force it leaves keeps it there. Inside an integrator step every evaluation therefore starts
  // from the normal forces the step's first one found (see HoldSolveStart), so that the step's
  // evaluations are of their states alone; a variable step offered a derivative that changes
  // with the evaluations before it shrinks to nothing.
  // Where even that is not enough (a step's own evaluations cross from one answer to the other,
  // and the steps shrink), the rounds start from no force at all, with every sticking manifold's
  // friction unbounded: the answer is then one of the state alone, at the cost of the rounds a
  // resting pile would otherwise not need.
  const bool fromNothing = solvesFromNothing_ && !sweptContacts_;
  contact::KeyCursor lastForces(lastPointForces_, contact::FirstOf{});
  // Whether no point starts with a force: the first evaluation of a pile, or one from nothing.
  // The points are looked up in the order of their keys: a manifold's two points may have come
  // out the other way round, and the cursor would go back for the second and on again past
  // the first.
  bool cold = true;
  for (const ContactManifold& m : manifolds_) {
    ContactPoint* points = contactPoints_.data() + m.first;
    const bool reversed = m.count == 2 && points[1].key < points[0].key;
    for (int k = 0; k < m.count; ++k) {
      ContactPoint& p = points[reversed ? 1 - k : k];
      p.force = fromNothing ? 0.0 : contact::ValueOr0(lastForces, p.key);
      cold = cold && p.force == 0;
    }
  }
  for (ContactManifold& m : manifolds_) {
    m.friction = 0;
    if (m.frictionRow < 0) continue;
    double normal = 0;
    for (int k = m.first; k < m.first + m.count; ++k)
      normal += contactPoints_[k].force;
    const double bound = normal > 0 ? m.staticFriction * normal : kInfinity;
    rows_[m.frictionRow].lower = -bound;
    rows_[m.frictionRow].upper = bound;
  }
  bool settled = false;
  StartFromLastBounds();
  forceMixing_.Reset();
  // The disagreement of each round so far.
  std::vector<double>& disagreements = roundDisagreements_;
  disagreements.clear();
  bool afterFixedPoint = false;
  for (int round = 0; round < 30 && !settled; ++round) {
    force_ = baseForce_;
    ApplyKineticFriction();
    ComputeB();
    // Each round starts its pivoting where the last one ended: the bounds of a few rows
    // change from round to round, the rest of the answer does not.
    const int64_t pivotsBefore = pivotCount_;
    SolveBounded(solveRows_, solveB_, solveLower_, solveUpper_, solveX_, &boundStart_,
                 Pivoting::Exact, Keeping::Accelerations);
    const bool pivoted = pivotCount_ != pivotsBefore;
    for (size_t i = 0; i < solveRows_.size(); ++i)
      rows_[solveRows_[i]].lambda = solveX_[static_cast<int>(i)];
    roundIn_.resize(static_cast<int>(contactPoints_.size()));
    for (size_t k = 0; k < contactPoints_.size(); ++k)
      roundIn_[static_cast<int>(k)] = contactPoints_[k].force;
    double disagreement = 0;
    settled = !StoreContactForces(kinetic, disagreement);
    disagreements.push_back(disagreement);
    // Forces that disagree by no more than the rounding the last stalled rounds showed are as
    // settled as this solve can make them.
    settled = settled || Stalled(disagreements) ||
              (disagreement <= kFrictionStalled &&
               disagreement <= kRoundingsSettled * frictionRounding_);
    // A round that checks a fixed point the held rows were solved for, without a pivot, and
    // finds it within what further fixed points would not improve, leaves only the solve's
    // rounding: its disagreement is what the rounds settle to here.
    if (!settled && afterFixedPoint && !pivoted && disagreement <= kFixedPointFrom) {
      settled = true;
      frictionRounding_ = disagreement;
    }
    afterFixedPoint = false;
    if (settled) break;
    // A manifold that began to slide makes the rounds a new map.
    if (disagreement == kInfinity) forceMixing_.Reset();
    // Rounds that hold and free no row only approach the fixed point of the held friction:
    // solved for at once, the next round checks it. The first rounds of a solve from no force
    // at all go to it after a pivot as well (kColdFixedPointRounds).
    const bool fixedPoint = !pivoted || (cold && round < kColdFixedPointRounds);
    if (fixedPoint && disagreement > kFixedPointFrom && SolveHeldFriction(kinetic)) {
      afterFixedPoint = true;
      forceMixing_.Reset();
      continue;
    }
    // The first rounds go as they are: most solves settle in them.
    if (round + 1 >= kPlainRounds) MixContactForces(kinetic);
  }
  if (settled && Stalled(disagreements)) {
    frictionRounding_ = 0;
    for (size_t k = disagreements.size() - 1 - kStallRounds; k < disagreements.size(); ++k)
      frictionRounding_ = std::max(frictionRounding_, disagreements[k]);
  }
  // Rounds that do not settle are a pile whose sliding friction presses it together harder the
  // more it presses (a wedge jammed by its own friction): the normal forces grow round by round
  // without end. The sliding manifolds then slide without friction for this evaluation, which
  // keeps the accelerations bounded; the sticking ones keep the bounds of the last round.
  if (!settled) {
    ++unsettledFrictionSolves_;
    force_ = baseForce_;
    ComputeB();
    SolveBounded(solveRows_, solveB_, solveLower_, solveUpper_, solveX_, &boundStart_,
                 Pivoting::Exact, Keeping::Accelerations);
    for (size_t i = 0; i < solveRows_.size(); ++i)
      rows_[solveRows_[i]].lambda = solveX_[static_cast<int>(i)];
    double disagreement = 0;
    StoreContactForces(kinetic, disagreement);
    for (ContactManifold& m : manifolds_)
      if (m.touching && m.slide != 0) m.friction = 0;
  }
  // Where the rows ended is where the next pivoting starts, held or not: a pile's stage
  // evaluations then repeat none of the pivots the one before made.
  RememberBounds();
  if (solveStartHeld_) return;
  // The forces found are where the next solve (and the sweeps of a fast run's next pile solve)
  // start. Forces that did not settle are no start: carried on from one solve to the next, a pile
  // whose friction drives its normal forces up would grow them without end.
  lastPointForces_.clear();
  for (const ContactPoint& p : contactPoints_)
    if (settled && p.force > 0) lastPointForces_.emplace_back(p.key, p.force);
  contact::SortKept(lastPointForces_);
  lastFrictionForces_.clear();
}

// The normal forces the next friction round starts from: the mixing of the rounds so far, in
// place of the forces the last round found, and the friction bounds made from them. A point
// never pulls.
void Mechanics::MixContactForces(const std::vector<char>& kinetic) {
  const int n = static_cast<int>(contactPoints_.size());
  roundOut_.resize(n);
  for (int k = 0; k < n; ++k)
    roundOut_[k] = contactPoints_[k].force;
  forceMixing_.Add(roundIn_, roundOut_, roundNext_);
  for (int k = 0; k < n; ++k)
    contactPoints_[k].force = std::max(roundNext_[k], 0.0);
  BoundFrictionByPointForces(kinetic);
}

// Each candidate friction row bounded by its friction coefficient (kinetic where the manifold
// slides) times the sum of its points' normal forces.
void Mechanics::BoundFrictionByPointForces(const std::vector<char>& kinetic) {
  for (size_t k = 0; k < manifolds_.size(); ++k) {
    const ContactManifold& m = manifolds_[k];
    if (m.frictionRow < 0 || !rows_[m.frictionRow].candidate) continue;
    double normal = 0;
    for (int j = m.first; j < m.first + m.count; ++j)
      normal += contactPoints_[j].force;
    const double limit = (kinetic[k] ? m.kineticFriction : m.staticFriction) * normal;
    rows_[m.frictionRow].lower = -limit;
    rows_[m.frictionRow].upper = limit;
  }
}

// Whether friction rounds with these disagreements, the last one's last, have come down to the
// rounding of the solve: small, and not halved over the last few rounds.
bool Mechanics::Stalled(const std::vector<double>& disagreements) {
  const size_t n = disagreements.size();
  if (n <= kStallRounds || !(disagreements.back() <= kFrictionStalled)) return false;
  return disagreements.back() > 0.5 * disagreements[n - 1 - kStallRounds];
}

// Where the pivoting of the accelerations starts: each contact row clamped where it ended in
// the last evaluation (normal rows by their point, friction rows by their manifold), the rows of
// the records free. A pile whose contacts stay is then solved in a pivot or two, where starting
// from nothing clamped it would take one per row that leaves its bounds.
void Mechanics::StartFromLastBounds() {
  boundStart_.assign(solveRows_.size(), Bound::Free);
  if (lastPointBounds_.empty() && lastFrictionBounds_.empty()) return;
  // Normal rows come in the order of their points, friction rows in that of their manifolds.
  contact::KeyCursor points(lastPointBounds_, contact::FirstOf{});
  contact::KeyCursor frictions(lastFrictionBounds_, contact::FirstOf{});
  auto find = [](auto& cursor, const ContactKey& key) {
    const auto* kept = cursor.Find(key);
    return kept != nullptr ? kept->second : Bound::Free;
  };
  for (size_t i = 0; i < solveRows_.size(); ++i) {
    const Row& row = rows_[solveRows_[i]];
    if (row.contact < 0) continue;
    boundStart_[i] = row.friction ? find(frictions, manifolds_[row.contact].key)
                                  : find(points, contactPoints_[row.contact].key);
  }
}

void Mechanics::RememberBounds() {
  lastPointBounds_.clear();
  lastFrictionBounds_.clear();
  for (size_t i = 0; i < solveRows_.size() && i < boundStart_.size(); ++i) {
    const Row& row = rows_[solveRows_[i]];
    if (row.contact < 0 || boundStart_[i] == Bound::Free) continue;
    if (row.friction)
      lastFrictionBounds_.emplace_back(manifolds_[row.contact].key, boundStart_[i]);
    else
      lastPointBounds_.emplace_back(contactPoints_[row.contact].key, boundStart_[i]);
  }
  contact::SortKept(lastPointBounds_);
  contact::SortKept(lastFrictionBounds_);
}

void Mechanics::RememberClosedContacts() {
  closedBefore_.clear();
  ReserveAtLeast(closedBefore_, contactPoints_.size());
  for (const ContactPoint& p : contactPoints_)
    if (p.separation <= contactGap_) closedBefore_.push_back(p.key);
  contact::SortKept(closedBefore_);
}

// Impacts at the state a collision was located at, manifold by manifold, the fastest approach
// first: each manifold's points leave with their approach speed times the pair's elasticity
// (slower approaches stop), while the joints hold. One manifold at a time carries momentum
// along a row of bodies, as a Newton's cradle does. Friction acts in the impact as it does in
// contact: the tangential impulse stops the slip where static friction can hold it (at most us
// times the normal impulse), else it is uk times the normal impulse against the slip.
void Mechanics::ResolveImpacts(Eigen::VectorXd& state) {
  if (NoPairsFound()) return;
  const StageTimer timer(contactTimes_.impacts, timeStages_);
  const double restSpeed = RestSpeed();
  // A point struck: within the contact gap, or within it before the joints' position correction
  // moved the bodies apart.
  contact::KeyCursor closed(closedBefore_);
  auto struck = [&](const ContactPoint& p) {
    return p.separation <= contactGap_ || closed.Contains(p.key);
  };
  GiveBackHeldApproaches(state, struck);
  ImpactQueue& queue = impactQueue_;
  // A fast run leaves a point that was in contact and approaches too slowly to bounce to the
  // projection of the velocities that follows, which stops it as the impact would: struck one
  // by one, a pile's resting contacts would be passed over again and again for the small
  // approach its swept forces leave.
  queue.restingApproach = sweptContacts_ ? restSpeed : 0.0;
  if (!queue.AnyApproaches(*this, struck)) {
    closedBefore_.clear();
    return;
  }
  queue.Begin(*this, struck);
  if (queue.Empty()) {
    closedBefore_.clear();
    return;
  }
  // The joints' rows take part in every impact; they are the same for all of them.
  std::vector<int>& jointRows = queue.jointRows;
  jointRows.clear();
  for (int i : solveRows_) {
    const Row& row = rows_[i];
    if (row.contact < 0 && !row.oneSided && row.level != Level::Acceleration && !row.saturated)
      jointRows.push_back(i);
  }
  std::vector<int>& rows = queue.rows;
  Eigen::VectorXd &b = queue.b, &lower = queue.lower, &upper = queue.upper,
                  &impulse = queue.impulse;
  auto velocity = state.tail(dofCount_);
  const int limit = 20 * (static_cast<int>(manifolds_.size()) + farPairs_.count) + 20;
  // A pile struck at once passes its impacts up and down between its bodies, a smaller part each
  // round: one manifold at a time they settle slowly, and a crowd's may not within the limit at
  // all. Past a few rounds per manifold struck, once nothing left approaches fast enough to
  // bounce, what is left of an accurate run's is settled at once (SettleSlowImpacts); a fast
  // run leaves its resting approaches to its swept projection already.
  int struckManifolds = 0;
  for (const ContactManifold& m : manifolds_)
    for (int k = m.first; k < m.first + m.count; ++k)
      if (queue.isStruck[k]) {
        ++struckManifolds;
        break;
      }
  const int settleAfter = sweptContacts_ ? limit : 4 * struckManifolds;
  for (int round = 0; round < limit; ++round) {
    const int worst = queue.Fastest(*this);
    if (worst < 0) break;
    if (round >= settleAfter && queue.heap.front().first >= -restSpeed) {
      SettleSlowImpacts(state);
      break;
    }
    const ContactManifold& m = manifolds_[worst];
    rows = jointRows;
    const int joints = static_cast<int>(rows.size());
    for (int k = m.first; k < m.first + m.count; ++k)
      if (struck(contactPoints_[k])) rows.push_back(contactPoints_[k].row);
    const int friction = m.frictionRow >= 0 ? static_cast<int>(rows.size()) : -1;
    if (friction >= 0) rows.push_back(m.frictionRow);
    const int n = static_cast<int>(rows.size());
    b.resize(n);
    lower.resize(n);
    upper.resize(n);
    for (int k = 0; k < n; ++k) {
      const Row& row = rows_[rows[k]];
      const double rate = RowRate(row);
      upper[k] = kInfinity;
      if (k < joints || k == friction) {
        b[k] = (k < joints ? row.velocityTarget : 0.0) - rate;
        lower[k] = -kInfinity;
        continue;
      }
      const double bounce = rate < -std::max(restSpeed, StepApproach(row)) ? m.elasticity : 0.0;
      b[k] = -(1 + bounce) * std::min(rate, 0.0);
      lower[k] = 0;
    }
    // The friction bound follows the normal impulse, which the friction impulse changes in turn
    // (a corner struck obliquely): solve until they agree.
    bool sliding = false;
    double normal = 0;
    for (int pass = 0; pass < 20; ++pass) {
      SolveBounded(rows, b, lower, upper, impulse);
      double total = 0;
      for (int k = joints; k < n; ++k)
        if (k != friction) total += impulse[k];
      if (friction < 0) break;
      const double held = std::abs(impulse[friction]);
      sliding = sliding || held > m.staticFriction * total * (1 + 1e-12) + 1e-300;
      const bool settled = pass > 0 && std::abs(total - normal) <= 1e-13 * std::abs(total);
      normal = total;
      if (!sliding || settled) break;
      lower[friction] = -m.kineticFriction * total;
      upper[friction] = m.kineticFriction * total;
    }
    double total = 0;
    for (int k = joints; k < n; ++k)
      if (k != friction) total += impulse[k];
    for (int k = 0; k < n; ++k) {
      const Row& row = rows_[rows[k]];
      for (int i = row.begin; i < row.begin + row.count; ++i) {
        const int dof = entries_[i].first;
        velocity[dof] += invMass_[dof] * entries_[i].second * impulse[k];
        velocity_[dof] = velocity[dof];
        standing_ = false;
        queue.Moved(dof);
      }
      if (k < joints || k == friction || impulse[k] == 0) continue;
      // The friction impulse is reported shared among the points as the normal one is.
      Vector2d onB = impulse[k] * m.normal;
      if (friction >= 0 && total > 0) onB += impulse[friction] * impulse[k] / total * m.Tangent();
      impacts_.push_back(Impact{m.a, m.b, contactPoints_[row.contact].point, onB});
    }
    queue.Refresh(*this, worst);
  }
  closedBefore_.clear();
}

// The impacts left in a pile whose approaches are all too slow to bounce, settled together: every
// struck point stops approaching and every struck manifold's slip stops where static friction
// can hold it (else kinetic friction acts against it), in one solve over all of them with the
// joints, which the rounds one manifold at a time would only have come near.
void Mechanics::SettleSlowImpacts(Eigen::VectorXd& state) {
  ImpactQueue& queue = impactQueue_;
  std::vector<int>& rows = queue.rows;
  rows = queue.jointRows;
  const int joints = static_cast<int>(rows.size());
  // Per manifold taking part: its first normal row in `rows`, and its friction row or -1.
  std::vector<std::array<int, 3>>& settling = queue.settling;
  settling.clear();
  for (int m = 0; m < static_cast<int>(manifolds_.size()); ++m) {
    const ContactManifold& manifold = manifolds_[m];
    const int first = static_cast<int>(rows.size());
    for (int k = manifold.first; k < manifold.first + manifold.count; ++k)
      if (queue.isStruck[k]) rows.push_back(contactPoints_[k].row);
    if (static_cast<int>(rows.size()) == first) continue;
    const int friction = manifold.frictionRow >= 0 ? static_cast<int>(rows.size()) : -1;
    if (friction >= 0) rows.push_back(manifold.frictionRow);
    settling.push_back({m, first, friction});
  }
  const int n = static_cast<int>(rows.size());
  Eigen::VectorXd &b = queue.b, &lower = queue.lower, &upper = queue.upper,
                  &impulse = queue.impulse;
  b.resize(n);
  lower.resize(n);
  upper.resize(n);
  std::vector<char>& isFriction = queue.isFriction;
  isFriction.assign(n, 0);
  for (const auto& entry : settling)
    if (entry[2] >= 0) isFriction[entry[2]] = 1;
  for (int k = 0; k < n; ++k) {
    const Row& row = rows_[rows[k]];
    const double rate = RowRate(row);
    upper[k] = kInfinity;
    lower[k] = -kInfinity;
    if (k < joints || isFriction[k]) {
      b[k] = (k < joints ? row.velocityTarget : 0.0) - rate;
      continue;
    }
    b[k] = -std::min(rate, 0.0);
    lower[k] = 0;
  }
  // Each manifold's normal impulse, in the pass before and this one.
  auto normalOf = [&](const std::array<int, 3>& entry) {
    const int end = entry[2] >= 0 ? entry[2] : entry[1] + manifolds_[entry[0]].count;
    double total = 0;
    for (int k = entry[1]; k < end && k < n; ++k)
      if (!isFriction[k] && k >= joints) total += impulse[k];
    return total;
  };
  std::vector<double>& normals = queue.normals;
  normals.assign(settling.size(), 0.0);
  std::vector<char>& sliding = queue.sliding;
  sliding.assign(settling.size(), 0);
  for (int pass = 0; pass < 20; ++pass) {
    SolveBounded(rows, b, lower, upper, impulse);
    bool settled = true;
    for (size_t j = 0; j < settling.size(); ++j) {
      const auto& entry = settling[j];
      const double total = normalOf(entry);
      const double before = normals[j];
      normals[j] = total;
      if (entry[2] < 0) continue;
      const ContactManifold& m = manifolds_[entry[0]];
      const bool slips = sliding[j] ||
                         std::abs(impulse[entry[2]]) > m.staticFriction * total * (1 + 1e-12) + 1e-300;
      if (!slips) continue;
      if (!sliding[j] || std::abs(total - before) > 1e-13 * std::abs(total)) settled = false;
      sliding[j] = 1;
      lower[entry[2]] = -m.kineticFriction * total;
      upper[entry[2]] = m.kineticFriction * total;
    }
    if (settled) break;
  }
  auto velocity = state.tail(dofCount_);
  for (int k = 0; k < n; ++k) {
    const Row& row = rows_[rows[k]];
    for (int i = row.begin; i < row.begin + row.count; ++i) {
      const int dof = entries_[i].first;
      velocity[dof] += invMass_[dof] * entries_[i].second * impulse[k];
      velocity_[dof] = velocity[dof];
      standing_ = false;
    }
  }
  // The impulses reported, the friction shared among a manifold's points as the normal one is.
  for (size_t j = 0; j < settling.size(); ++j) {
    const auto& entry = settling[j];
    const ContactManifold& m = manifolds_[entry[0]];
    const int end = entry[2] >= 0 ? entry[2] : entry[1] + m.count;
    for (int k = entry[1]; k < end && k < n; ++k) {
      if (isFriction[k] || impulse[k] == 0) continue;
      Vector2d onB = impulse[k] * m.normal;
      if (entry[2] >= 0 && normals[j] > 0)
        onB += impulse[entry[2]] * impulse[k] / normals[j] * m.Tangent();
      impacts_.push_back(Impact{m.a, m.b, contactPoints_[rows_[rows[k]].contact].point, onB});
    }
  }
}

// The approach that a fast step's own accelerations give the row's point: a bounce slower than
// that would rise and land again within one step, which a fixed step cannot show, and a ball's
// last bounces would go on for ever at that speed, each step landing where it left. It rests.
double Mechanics::StepApproach(const Row& row) const {
  if (!sweptContacts_ || acceleration_.size() != dofCount_) return 0.0;
  double rate = 0;
  for (int i = row.begin; i < row.begin + row.count; ++i)
    rate += entries_[i].second * acceleration_[entries_[i].first];
  return std::max(-rate, 0.0) * fastStep_;
}

// A fast run finds its collisions ahead of the step instead of locating them inside it: every
// point with a row and not in contact that could close within the step may approach by no more
// than its gap over the step, and a little more, so that it ends closed (inside what a located
// collision may overlap). No pair then passes through another,
// and no step is cut where two bodies meet: a crowd falling onto a pile costs one step where
// each meeting located in time costs several.
void Mechanics::HoldApproaches(double step) {
  heldApproaches_.clear();
  heldArrivals_.clear();
  stoppedSlips_.clear();
  exactImpacts_.clear();
  if (!sweptContacts_ || !(step > 0)) return;
  fastStep_ = step;
  const double aim = 0.5 * LocatedOverlap();
  const std::vector<double>* reach = ReachHere();
  auto rowed = [&](const ContactPoint& p) {
    const ContactManifold& m = manifolds_[p.manifold];
    return p.separation <= RowedGap(reach, m.a, m.b);
  };
  // A point is held where its own approach closes most of its gap within the step, or where
  // its bodies could close it were either stopped by something it meets: two bodies falling side
  // by side close on each other once the one below lands. A point that can do neither is left
  // out of the projection, which it would only make larger.
  auto closes = [&](const ContactPoint& p) {
    const ContactManifold& m = manifolds_[p.manifold];
    const double rate =
        m.normal.dot(VelocityAt(m.b, p.point) - VelocityAt(m.a, p.point));
    return rate * step < -0.5 * (p.separation + aim);
  };
  std::vector<char>& meets = meetingBodies_;
  SetFlags(meets, BodyCount(), 0);
  // A moving body that touches something takes part in a pile or a crowd.
  std::vector<char>& engaged = engagedBodies_;
  SetFlags(engaged, BodyCount(), 0);
  // What each point is, worked out once for both passes: touching, or else rowed, and then
  // whether its own approach closes it.
  enum : char { kApart = 0, kTouching, kRowed, kCloses };
  std::vector<char>& kinds = approachKinds_;
  kinds.resize(contactPoints_.size());
  for (size_t k = 0; k < contactPoints_.size(); ++k) {
    const ContactPoint& p = contactPoints_[k];
    char& kind = kinds[k];
    if (p.row >= 0 && rows_[p.row].candidate)
      kind = kTouching;
    else
      kind = !rowed(p) ? kApart : closes(p) ? kCloses : kRowed;
    if (kind != kTouching && kind != kCloses) continue;
    const ContactManifold& m = manifolds_[p.manifold];
    meets[m.a] = meets[m.b] = 1;
    if (kind != kTouching) continue;
    engaged[m.a] = !Immobile(m.a);
    engaged[m.b] = !Immobile(m.b);
  }
  // How fast a body's outline moves, as the velocities stand before the projection.
  // Made once per body (a body in a pile has many points near it), on first asking: most
  // steps of a small scene ask for none.
  std::vector<double>& speeds = approachSpeeds_;
  bool speedsCleared = false;
  auto speed = [&](int body) {
    if (!speedsCleared) speeds.assign(static_cast<size_t>(BodyCount()), -1.0);
    speedsCleared = true;
    double& known = speeds[static_cast<size_t>(body)];
    if (known >= 0) return known;
    known = bodyKin_[body].dof < 0 ? 0.0
                                   : Length(v_[3 * body], v_[3 * body + 1]) +
                                         std::abs(v_[3 * body + 2]) * Outline(body).reach;
    return known;
  };
  // The held points of a lone impact, and how many pairs the step holds.
  std::vector<int>& lone = lonePoints_;
  lone.clear();
  int heldPairs = 0;
  std::pair<int, int> lastPair{kNone, kNone};
  for (size_t k = 0; k < contactPoints_.size(); ++k) {
    const ContactPoint& p = contactPoints_[k];
    const ContactManifold& m = manifolds_[p.manifold];
    if ((kinds[k] != kRowed && kinds[k] != kCloses) || !MayHoldAhead(m)) continue;
    const bool stopped = (meets[m.a] || meets[m.b]) &&
                         p.separation + aim <= step * (speed(m.a) + speed(m.b));
    if (!stopped && kinds[k] != kCloses) continue;
    Row& row = p.row >= 0 ? rows_[p.row] : AddNormalRow(static_cast<int>(k), false);
    row.candidate = true;
    row.speculative = true;
    row.velocityTarget = -std::max(p.separation + aim, 0.0) / step;
    if (std::pair{m.a, m.b} != lastPair) ++heldPairs;
    lastPair = {m.a, m.b};
    const bool free = !Immobile(m.a) && !Immobile(m.b);
    if (kinds[k] == kCloses && free && !engaged[m.a] && !engaged[m.b])
      lone.push_back(static_cast<int>(k));
  }
  // Two free bodies that touch nothing else, meeting where nothing else meets in the step, meet
  // in an impact of their own, which the hold would meet along the normal where the step began:
  // an oblique one would leave with neither the direction nor the elasticity of the impact. Their
  // hold then only keeps them from passing through each other, and the impact is located where
  // they meet. Where several pairs meet at once (a crowd), the holds settle them in one step.
  if (heldPairs != 1) return StopSlipsAhead();
  for (int k : lone) {
    const ContactPoint& p = contactPoints_[k];
    const ContactManifold& m = manifolds_[p.manifold];
    const double depth = 0.1 * std::min(Outline(m.a).thickness, Outline(m.b).thickness);
    rows_[p.row].velocityTarget = -std::max(p.separation + depth, 0.0) / step;
    exactImpacts_.push_back(p.key);
  }
  std::sort(exactImpacts_.begin(), exactImpacts_.end());
  StopSlipsAhead();
}

void Mechanics::CountTouchingManifolds() {
  std::vector<int>& touching = touchingManifolds_;
  touching.assign(BodyCount(), 0);
  for (const ContactManifold& m : manifolds_) {
    if (!m.touching) continue;
    ++touching[m.a];
    ++touching[m.b];
  }
}

bool Mechanics::SlidesAlone(const ContactManifold& m) const {
  if (Immobile(m.a) == Immobile(m.b)) return false;
  return touchingManifolds_[Immobile(m.a) ? m.b : m.a] == 1;
}

// A sliding manifold whose kinetic friction would turn its slip back within the step stops
// slipping in it, where a step cut at the instant it stops would cost several. A body that slides
// on a fixed one and touches nothing else is the exception: held at the manifold's centre with
// the normal forces its step began with, it would tip over its edge rather than stop, and its
// stop is located instead, where static friction then holds it.
void Mechanics::StopSlipsAhead() {
  // Where nothing slides (a resting pile, a crowd of balls) there is no slip to stop.
  if (std::none_of(manifolds_.begin(), manifolds_.end(),
                   [](const ContactManifold& m) { return m.touching && m.slide != 0; }))
    return;
  CountTouchingManifolds();
  for (const ContactManifold& m : manifolds_) {
    if (!m.touching || m.slide == 0 || m.frictionRow < 0 || !MayHoldAhead(m) || SlidesAlone(m))
      continue;
    // A manifold its evaluation made stick stops here too (StickTurningSlips).
    if (m.slide * ManifoldSlip(m) > 0 &&
        !std::binary_search(turnedSlips_.begin(), turnedSlips_.end(), m.key))
      continue;
    Row& row = rows_[m.frictionRow];
    row.candidate = true;
    row.speculative = true;
    stoppedSlips_.push_back(m.key);
  }
  std::sort(stoppedSlips_.begin(), stoppedSlips_.end());
}

// Bodies a record holds (a joint, a spring, a drive) meet as located collisions: what the impulse
// that held them to their gap passed on through the record is not what it would have carried at
// the instant they met, and a struck pendulum bob would keep some of its speed.
bool Mechanics::MayHoldAhead(const ContactManifold& m) const {
  return !heldByRecord_[m.a] && !heldByRecord_[m.b];
}

bool Mechanics::FoundHereAnew(const FoundContacts& found) const {
  HereAnswer& answer = hereAnswers_[hereNext_];
  hereNext_ ^= 1;
  answer = HereAnswer{found.search, moves_, FoundHereNow(found)};
  return answer.here;
}

bool Mechanics::FoundHereNow(const FoundContacts& found) const {
  if (found.at.size() != 3 * colliders_.size()) return false;
  // Where the colliders are a run of bodies, their positions lie together as a search keeps
  // them, and are compared in one sweep without a branch, which a crowd's are many to make.
  if (collidersInARun_) {
    const double* here = &q_[3 * colliders_.front()];
    // Most searches asked are made where every body has moved since: a short stretch without a
    // branch answers those, and only a stretch that matches leads on to the next.
    constexpr size_t kStretch = 48;
    const size_t size = found.at.size();
    for (size_t begin = 0; begin < size; begin += kStretch) {
      const size_t end = std::min(size, begin + kStretch);
      bool same = true;
      for (size_t k = begin; k < end; ++k)
        same &= found.at[k] == here[k];
      if (!same) return false;
    }
    return true;
  }
  for (size_t k = 0; k < colliders_.size(); ++k) {
    const int i = colliders_[k];
    if (found.at[3 * k] != q_[3 * i] || found.at[3 * k + 1] != q_[3 * i + 1] ||
        found.at[3 * k + 2] != q_[3 * i + 2])
      return false;
  }
  return true;
}

// How far out each collider's points were followed by the search made where the bodies are,
// or null where none was.
const std::vector<double>* Mechanics::ReachHere() const {
  const FoundContacts* here = SearchHere();
  return here != nullptr ? &here->reach : nullptr;
}

const Mechanics::FoundContacts* Mechanics::SearchHere() const {
  for (const FoundContacts& found : found_)
    if (found.search == loadedSearch_ && found.reach.size() == colliders_.size() &&
        FoundHere(found))
      return &found;
  return nullptr;
}

// How far apart the points of two bodies may be and still have a row: half the margin, and the
// further reach of a fast run's moving bodies in the search made where they are.
double Mechanics::RowedGap(const std::vector<double>* reach, int a, int b) const {
  const int ka = colliderOf_[a], kb = colliderOf_[b];
  const double further = reach != nullptr && ka >= 0 && kb >= 0 ? (*reach)[ka] + (*reach)[kb] : 0;
  return std::max(0.5 * margin_ + further, 2 * contactGap_);
}

// Whether a fast step stopped the manifold's slip, or struck one of its bodies as it met
// something: a slip that an impact turned back is no slide coming to rest, to be found in time.
bool Mechanics::SlipStoppedInStep(const ContactManifold& m) const {
  if (std::binary_search(stoppedSlips_.begin(), stoppedSlips_.end(), m.key)) return true;
  return !heldApproaches_.empty() && (stoppedBodies_[m.a] || stoppedBodies_[m.b]);
}

// The impulses the projection of the velocities just made held the approaching points with,
// and the bodies they stopped.
void Mechanics::RememberHeldApproaches() {
  if (!sweptContacts_) return;
  SetFlags(stoppedBodies_, BodyCount(), 0);
  const Eigen::VectorXd& impulses = velocitiesSwept_ ? sweepLambda_ : solveX_;
  for (size_t k = 0; k < velocityRows_.size(); ++k) {
    const Row& row = rows_[velocityRows_[k]];
    const double impulse = impulses[static_cast<int>(k)];
    if (!row.speculative || row.friction) continue;
    const ContactPoint& p = contactPoints_[row.contact];
    heldApproaches_.emplace_back(p.key, impulse);
    heldArrivals_.emplace_back(p.key, RowRate(row));
    if (impulse > 0) stoppedBodies_[manifolds_[p.manifold].a] = stoppedBodies_[manifolds_[p.manifold].b] = 1;
  }
  std::sort(heldApproaches_.begin(), heldApproaches_.end());
  std::sort(heldArrivals_.begin(), heldArrivals_.end());
}

// Where a point held to its gap in the step has been struck at its end, the impulse that held
// it is given back first: the impact then meets the approach the bodies arrived with, and
// bounces, with friction in the impact, as a located one does. What the joints passed on of
// that impulse the impact's joint rows take up again.
template <class Struck>
void Mechanics::GiveBackHeldApproaches(Eigen::VectorXd& state, const Struck& struck) {
  if (heldApproaches_.empty()) return;
  auto velocity = state.tail(dofCount_);
  contact::KeyCursor held(heldApproaches_, contact::FirstOf{});
  contact::KeyCursor arrived(heldArrivals_, contact::FirstOf{});
  for (const ContactPoint& p : contactPoints_) {
    if (p.row < 0 || !struck(p)) continue;
    double impulse = contact::ValueOr0(held, p.key);
    if (impulse == 0) continue;
    const Row& row = rows_[p.row];
    // The projection held the point together with the rest of the pile, whose friction and
    // other points it stopped as well: its impulse alone, given back, could make the point
    // approach faster than it ever did, and the impact would throw it off with energy the step
    // never had. It is given back as far as the approach the point arrived with.
    double reach = 0;
    for (int i = row.begin; i < row.begin + row.count; ++i)
      reach += entries_[i].second * entries_[i].second * invMass_[entries_[i].first];
    const double arrival = std::min(contact::ValueOr0(arrived, p.key), 0.0);
    if (reach > 0) impulse = std::min(impulse, std::max(RowRate(row) - arrival, 0.0) / reach);
    if (!(impulse > 0)) continue;
    for (int i = row.begin; i < row.begin + row.count; ++i) {
      const int dof = entries_[i].first;
      velocity[dof] -= invMass_[dof] * entries_[i].second * impulse;
      velocity_[dof] = velocity[dof];
      standing_ = false;
    }
  }
  heldApproaches_.clear();
  heldArrivals_.clear();
}

// The struck points by their approach, the fastest first. An impact changes the velocities of
// the bodies its rows reach (its pair, and whatever the joints carry it to), so only the points
// on those bodies are looked at again: a heap whose stale entries are passed over.
template <class Struck>
void Mechanics::ImpactQueue::Begin(const Mechanics& mechanics, const Struck& struck) {
  const int bodies = mechanics.BodyCount();
  bodyOfDof.assign(mechanics.dofCount_, -1);
  for (int i = 0; i < bodies; ++i)
    if (mechanics.bodyKin_[i].dof >= 0)
      for (int k = 0; k < 3; ++k)
        bodyOfDof[mechanics.bodyKin_[i].dof + k] = i;
  // Per body the struck points on it, in compressed rows.
  start.assign(bodies + 1, 0);
  const auto& points = mechanics.contactPoints_;
  isStruck.assign(points.size(), 0);
  for (size_t k = 0; k < points.size(); ++k) {
    if (!struck(points[k])) continue;
    isStruck[k] = 1;
    const ContactManifold& m = mechanics.manifolds_[points[k].manifold];
    ++start[m.a + 1];
    ++start[m.b + 1];
  }
  for (int i = 0; i < bodies; ++i)
    start[i + 1] += start[i];
  onBody.resize(start[bodies]);
  fill.assign(start.begin(), start.end() - 1);
  rate.assign(points.size(), 0.0);
  heap.clear();
  for (size_t k = 0; k < points.size(); ++k) {
    if (!isStruck[k]) continue;
    const ContactManifold& m = mechanics.manifolds_[points[k].manifold];
    onBody[fill[m.a]++] = static_cast<int>(k);
    onBody[fill[m.b]++] = static_cast<int>(k);
    Update(mechanics, static_cast<int>(k));
  }
  movedBody.assign(bodies, 0);
  moved.clear();
}

void Mechanics::ImpactQueue::Update(const Mechanics& mechanics, int point) {
  rate[point] = mechanics.RowRate(mechanics.rows_[mechanics.contactPoints_[point].row]);
  if (Approaches(mechanics, point)) {
    heap.emplace_back(rate[point], point);
    std::push_heap(heap.begin(), heap.end(), std::greater<>());
  }
}

bool Mechanics::ImpactQueue::Approaches(const Mechanics& mechanics, int point) const {
  return ApproachesAt(mechanics, point, rate[point]);
}

bool Mechanics::ImpactQueue::ApproachesAt(const Mechanics& mechanics, int point,
                                          double pointRate) const {
  const bool resting = mechanics.rows_[mechanics.contactPoints_[point].row].candidate;
  return pointRate < -(resting ? std::max(kContactSpeed, restingApproach) : kContactSpeed);
}

template <class Struck>
bool Mechanics::ImpactQueue::AnyApproaches(const Mechanics& mechanics,
                                           const Struck& struck) const {
  // Whether a point approaches is asked first: a pile's points far outnumber those it has kept
  // closed, and its rate costs less than looking its key up among those.
  const auto& points = mechanics.contactPoints_;
  for (size_t k = 0; k < points.size(); ++k) {
    const ContactPoint& p = points[k];
    if (p.row < 0) continue;
    const double rate = mechanics.RowRate(mechanics.rows_[p.row]);
    if (ApproachesAt(mechanics, static_cast<int>(k), rate) && struck(p)) return true;
  }
  return false;
}

// The manifold of the point approaching fastest (the first such point on a tie), or -1.
int Mechanics::ImpactQueue::Fastest(const Mechanics& mechanics) {
  while (!heap.empty()) {
    const auto [value, point] = heap.front();
    // The entry stays until its rate changes: an impact that leaves it approaching meets it again.
    if (value == rate[point]) return mechanics.contactPoints_[point].manifold;
    // A later rate replaced it.
    std::pop_heap(heap.begin(), heap.end(), std::greater<>());
    heap.pop_back();
  }
  return -1;
}

void Mechanics::ImpactQueue::Moved(int dof) {
  const int body = bodyOfDof[dof];
  if (body < 0 || movedBody[body]) return;
  movedBody[body] = 1;
  moved.push_back(body);
}

// After an impact: the rates of the points on every body it moved, and of the manifold's own.
void Mechanics::ImpactQueue::Refresh(const Mechanics& mechanics, int manifold) {
  auto update = [&](int point) {
    const double before = rate[point];
    const double now = mechanics.RowRate(mechanics.rows_[mechanics.contactPoints_[point].row]);
    if (now == before) return;
    rate[point] = now;
    if (Approaches(mechanics, point)) {
      heap.emplace_back(now, point);
      std::push_heap(heap.begin(), heap.end(), std::greater<>());
    }
  };
  for (int body : moved) {
    movedBody[body] = 0;
    for (int k = start[body]; k < start[body + 1]; ++k)
      update(onBody[k]);
  }
  moved.clear();
  const ContactManifold& m = mechanics.manifolds_[manifold];
  for (int k = m.first; k < m.first + m.count; ++k)
    if (isStruck[k]) update(k);
}

// Two event values: the nearest approach of points not in contact (a collision when it closes),
// and the slowest slip of sliding manifolds along their direction (they stop when it closes;
// those a fast step stopped already are left out).
void Mechanics::ContactEventValues(std::vector<double>& values) const {
  double gap = std::min(margin_, farPairs_.leastGap);
  leftOutSlowReturn_ = false;
  // A collision is located where the outlines meet. Points that were within the contact gap
  // and leaving when the step began are left out: they must not hide the approach of others.
  // A point a fast step held to its gap may end it closed: it is a collision to locate only
  // where it went deeper than a located one may.
  const std::vector<char>& flags = PointFlags();
  // An impact of two bodies alone is located where they meet, held or not.
  contact::KeyCursor held(heldApproaches_, contact::FirstOf{});
  contact::KeyCursor exact(exactImpacts_);
  for (size_t k = 0; k < contactPoints_.size(); ++k) {
    const ContactPoint& p = contactPoints_[k];
    // A point that was leaving its contact and is closing again has left and come back within
    // the step (a ball's last small bounces): that return is a collision like any other, which
    // would otherwise end the step deep in the floor and bounce from there.
    // In an accurate run a point still opening out of the overlap it was left with is no
    // return: every search for a real collision would end at its first trial on it, each a
    // step shorter than the one before, until the run stalls. A fast run's searches land in a
    // band of overlap and end where they did.
    if ((flags[k] & kPointLeaving) != 0 && p.separation < 0 && !ClosingAgain(p) &&
        (sweptContacts_ || Returning(p)))
      leftOutSlowReturn_ = true;
    if (flags[k] != 0 && ((flags[k] & kPointLeaving) == 0 || !ClosingAgain(p))) continue;
    const bool deeper = held.Contains(p.key) && !exact.Contains(p.key);
    gap = std::min(gap, deeper ? p.separation + LocatedOverlap() : p.separation);
  }
  double slip = 1.0;
  for (const ContactManifold& m : manifolds_)
    if (m.touching && m.slide != 0 && !SlipStoppedInStep(m))
      slip = std::min(slip, m.slide * ManifoldSlip(m));
  values.push_back(gap);
  values.push_back(slip);
}

// Only a return fast enough to bounce counts: a slower one the impact at the step's end stops
// where the step left it, as a located one would.
bool Mechanics::ClosingAgain(const ContactPoint& p) const {
  const ContactManifold& m = manifolds_[p.manifold];
  const double rate = m.normal.dot(VelocityAt(m.b, p.point) - VelocityAt(m.a, p.point));
  return rate < -std::max(kContactSpeed, RestSpeed());
}

bool Mechanics::Returning(const ContactPoint& p) const {
  const ContactManifold& m = manifolds_[p.manifold];
  return m.normal.dot(VelocityAt(m.b, p.point) - VelocityAt(m.a, p.point)) < 0;
}

bool Mechanics::HeldInProjection(const Row& row) const {
  if (row.contact < 0 || row.friction) return false;
  return std::binary_search(projectionHeld_.begin(), projectionHeld_.end(),
                            contactPoints_[row.contact].key);
}

void Mechanics::HoldInProjection(const std::vector<int>& rows) {
  const size_t before = projectionHeld_.size();
  for (int i : rows) {
    const Row& row = rows_[i];
    if (row.contact < 0 || row.friction) continue;
    projectionHeld_.push_back(contactPoints_[row.contact].key);
  }
  if (projectionHeld_.size() == before) return;
  std::sort(projectionHeld_.begin(), projectionHeld_.end());
  projectionHeld_.erase(std::unique(projectionHeld_.begin(), projectionHeld_.end()),
                        projectionHeld_.end());
}

int Mechanics::CollisionEventIndex() const {
  if (colliders_.empty()) return kNone;
  int index = static_cast<int>(model_.constraints.size() + oneSidedSlots_.size());
  for (const Pulley& pulley : pulleys_)
    index += static_cast<int>(model_.constraints[pulley.constraint].points.size()) - 1;
  return index;
}

void Mechanics::ReportOverlap(double time) {
  for (const Warning& w : warnings_)
    if (w.kind == Warning::Kind::Overlap) return;
  // The deepest point names the bodies the user is told to move apart.
  const ContactPoint* deepest = nullptr;
  for (const ContactPoint& p : contactPoints_)
    if (p.separation < -overlapError_ && (!deepest || p.separation < deepest->separation))
      deepest = &p;
  if (!deepest) return;
  const ContactManifold& m = manifolds_[deepest->manifold];
  warnings_.push_back(Warning{Warning::Kind::Overlap, kNone, time, m.a, m.b});
}

contact::Box Mechanics::CircleBox(const Vector2d& centre, double r, int body) {
  return contact::Box{centre.x() - r, centre.y() - r, centre.x() + r, centre.y() + r, body};
}

// The box around a body's outline where it is now (a long floor's box is no taller than it).
contact::Box Mechanics::OutlineBox(int body) const {
  const int k = colliderOf_.empty() ? -1 : colliderOf_[body];
  if (k >= 0 && static_cast<size_t>(k) < fixedBoxes_.size() && bodyKin_[body].dof < 0)
    return fixedBoxes_[k];
  const contact::PlacedPiece placed{nullptr, Vector2d(q_[3 * body], q_[3 * body + 1]),
                                    bodyKin_[body].cos, bodyKin_[body].sin};
  if (k >= 0 && colliderOutlines_[k].radius >= 0)
    return CircleBox(placed.World(colliderOutlines_[k].centre), colliderOutlines_[k].radius, body);
  contact::Box box{HUGE_VAL, HUGE_VAL, -HUGE_VAL, -HUGE_VAL, body};
  auto add = [&](const Vector2d& p, double r) {
    box.minX = std::min(box.minX, p.x() - r);
    box.minY = std::min(box.minY, p.y() - r);
    box.maxX = std::max(box.maxX, p.x() + r);
    box.maxY = std::max(box.maxY, p.y() + r);
  };
  for (const contact::ConvexPiece& piece : Outline(body).pieces) {
    if (piece.circle) add(placed.World(piece.centre), piece.radius);
    for (const Vector2d& v : piece.vertices)
      add(placed.World(v), 0);
  }
  return box;
}

// How fast two outlines can close on each other during the step: their relative velocity and
// each one's turning (bodies falling side by side close at most by their turning). The relative
// velocity at the end of the step bounds it over the step only with the change along the way
// counted too: the larger of the relative speeds now and at the end.
double Mechanics::ClosingSpeed(const StepMotion& a, const StepMotion& b) {
  const double nowX = b.now[0] - a.now[0], nowY = b.now[1] - a.now[1];
  const double endX = b.end[0] - a.end[0], endY = b.end[1] - a.end[1];
  const double relative = std::sqrt(std::max(nowX * nowX + nowY * nowY, endX * endX + endY * endY));
  return relative + a.turning + b.turning;
}

// At least ClosingSpeed, without a square root: the length of a vector is at most the sum of
// its parts' sizes, and the factor covers the rounding of both. Speeds past any a world reaches
// are given no bound.
double Mechanics::ClosingSpeedBound(const StepMotion& a, const StepMotion& b) {
  const double now = std::abs(b.now[0] - a.now[0]) + std::abs(b.now[1] - a.now[1]);
  const double end = std::abs(b.end[0] - a.end[0]) + std::abs(b.end[1] - a.end[1]);
  const double relative = std::max(now, end);
  if (!(relative < 1e150)) return HUGE_VAL;
  return relative * (1 + 1e-12) + a.turning + b.turning;
}

// A body can be turned from its way in the step only by one whose reach (its swept box) meets
// its way ahead: its outline grown along its velocity, and all round by what turning and the
// step's accelerations can add in any direction. One that nothing can meet keeps to its way
// ahead, and a pair of which one is such a body cannot meet in the step: a fast body flying away
// from everything limits nothing.
void Mechanics::FindTouchable(double h) {
  aheadBoxes_.clear();
  for (size_t k = 0; k < colliders_.size(); ++k) {
    const int i = colliders_[k];
    const bool moves = bodyKin_[i].dof >= 0;
    const double vx = moves ? v_[3 * i] : 0.0, vy = moves ? v_[3 * i + 1] : 0.0;
    const double turning = moves ? std::max(stepSpeeds_[k] - Length(vx, vy), 0.0) : 0.0;
    contact::Box ahead = stepOutlines_[k];
    const double round = margin_ / 2 + 2 * turning * h;
    ahead.minX -= round + 2 * std::max(-vx, 0.0) * h;
    ahead.minY -= round + 2 * std::max(-vy, 0.0) * h;
    ahead.maxX += round + 2 * std::max(vx, 0.0) * h;
    ahead.maxY += round + 2 * std::max(vy, 0.0) * h;
    aheadBoxes_.push_back(ahead);
  }
  SetFlags(touchable_, colliders_.size(), 0);
  for (const auto& [ka, kb] : stepPairs_) {
    if (!Overlap(sweptBoxes_[ka], sweptBoxes_[kb])) continue;
    touchable_[ka] |= static_cast<char>(Overlap(aheadBoxes_[ka], sweptBoxes_[kb]));
    touchable_[kb] |= static_cast<char>(Overlap(sweptBoxes_[ka], aheadBoxes_[kb]));
  }
}

// A search inside the step finds each box within its swept one grown by the slack: a body that
// is one circle has then moved at most G (twice the way it can travel in the step, and the
// slack, less the reach it is searched with) along each axis, so at most G sqrt(2) in all, and
// the search finds its centre no further than its radius, half the margin and its reach from
// any point it can be near. Two circles whose centres are further apart than the sum of their
// radius, half the margin and G sqrt(2) each (the reach falls out, since sqrt(2) > 1) are
// apart in every such search. The allowance covers the rounding of the boxes and of the
// search's own test, so that the pairs any such search keeps are all listed.
void Mechanics::ListStepSearchPairs(double h) {
  // Per collider, its centre and how far from it a search may find it near: infinite where the
  // outline is not one circle, so that its pairs are all listed.
  stepCircles_.resize(colliders_.size());
  for (size_t k = 0; k < colliders_.size(); ++k) {
    const int i = colliders_[k];
    const ColliderOutline& outline = colliderOutlines_[k];
    StepCircle& c = stepCircles_[k];
    c.centre = contact::PlacedPiece{nullptr, Vector2d(q_[3 * i], q_[3 * i + 1]), bodyKin_[i].cos,
                                    bodyKin_[i].sin}
                   .World(outline.centre);
    const double moved = 2 * stepSpeeds_[k] * h + stepPairsSlack_;
    c.extent = outline.radius >= 0 ? outline.radius + margin_ / 2 + std::sqrt(2.0) * moved
                                   : HUGE_VAL;
    c.size = c.centre.cwiseAbs().maxCoeff();
  }
  stepSearchPairs_.resize(stepPairs_.size());
  size_t listed = 0;
  for (const std::pair<int, int>& pair : stepPairs_) {
    stepSearchPairs_[listed] = pair;
    const StepCircle& a = stepCircles_[pair.first];
    const StepCircle& b = stepCircles_[pair.second];
    const double reach = a.extent + b.extent;
    const double allowed = reach + 1e-9 * reach + 1e-12 * (a.size + b.size);
    const double dx = b.centre.x() - a.centre.x(), dy = b.centre.y() - a.centre.y();
    // An infinite reach keeps the pair: the comparison is false.
    listed += static_cast<size_t>(!(dx * dx + dy * dy > allowed * allowed));
  }
  stepSearchPairs_.resize(listed);
}

// Only pairs that can meet within the step limit it: each body's box grows by twice the way its
// outline can travel in the step, and a pair whose grown boxes overlap may close by a tenth of
// the thinner outline per step (in a fast run, by most of the distance at which points have
// rows, where that is more). A fast body far from everything, or bodies at rest on each other,
// leave the step as it is.
double Mechanics::ContactStepLimit(double h, double shortest) {
  double limit = HUGE_VAL;
  limitingPair_ = {kNone, kNone};
  stepPairsValid_ = false;
  if (colliders_.empty() || !(h > 0)) return limit;
  // Per collider, written in place: the lists keep their length from step to step. A step
  // nearly always starts where the last search was made, whose outline boxes stand.
  const FoundContacts* here = SearchHere();
  const bool boxesHere = here != nullptr && here->outlines.size() == colliders_.size();
  const size_t count = colliders_.size();
  if (sweptBoxes_.size() != count) {
    sweptBoxes_.resize(count);
    stepOutlines_.resize(count);
    stepSpeeds_.resize(count);
    motions_.resize(count);
  }
  for (size_t k = 0; k < count; ++k) {
    const int i = colliders_[k];
    const double speed = bodyKin_[i].dof >= 0 ? OutlineSpeed(i, h) : 0.0;
    motions_[k] = MotionOver(i, h);
    stepSpeeds_[k] = speed;
    contact::Box box = boxesHere ? here->outlines[k] : OutlineBox(i);
    stepOutlines_[k] = box;
    const double grow = margin_ / 2 + 2 * speed * h;
    box.minX -= grow;
    box.minY -= grow;
    box.maxX += grow;
    box.maxY += grow;
    sweptBoxes_[k] = box;
  }
  // The reach of the search where the bodies are, before the pairs kept for it change.
  const std::vector<double>* reach = here != nullptr ? &here->reach : nullptr;
  KeepPairsNear(sweptBoxes_);
  // The pairs whose swept boxes, grown by the slack, overlap, picked out first without
  // branches. The searches inside the step find their bodies where the swept boxes say, but
  // for rounding (a falling body's box of the search meets its swept one exactly) and the
  // little speed a push adds: the slack lets those searches read these pairs alone.
  stepPairsSlack_ = kStepPairsSlack * margin_;
  stepPairs_.resize(pairs_.size());
  size_t listed = 0;
  for (const std::pair<int, int>& pair : pairs_) {
    stepPairs_[listed] = pair;
    listed += static_cast<size_t>(
        Overlap(sweptBoxes_[pair.first], sweptBoxes_[pair.second], stepPairsSlack_));
  }
  stepPairs_.resize(listed);
  stepPairsValid_ = true;
  DropStalePairs(listed);
  ListStepSearchPairs(h);
  // Which bodies something can meet in the step, found once a pair would limit it.
  bool touchableFound = false;
  auto touchable = [&](int ka, int kb) {
    if (!touchableFound) FindTouchable(h);
    touchableFound = true;
    return touchable_[ka] && touchable_[kb];
  };
  // A pair that cannot close by what it may within the step asked for, nor within the shortest
  // step the caller takes, leaves the step as it is whatever else limits it: it is passed over
  // before the bodies something can meet are found (a box sliding on a slope, a ball rolling
  // on a floor). The slack keeps the pairs passed over clear of any whose limit rounding could
  // bring to the step itself.
  const double cut = std::max(h, shortest) * (1 + 1e-9);
  // Those whose swept boxes themselves overlap may limit the step.
  for (const auto& [ka, kb] : stepPairs_) {
    if (!Overlap(sweptBoxes_[ka], sweptBoxes_[kb])) continue;
    // Pairs that do not close (a crowd falling together) and pairs that cannot close faster than
    // the limit so far allows them (every pair may close by a tenth of the thinner outline) leave
    // the limit as it is, and are seen to without the square root of their closing speed.
    const double bound = ClosingSpeedBound(motions_[ka], motions_[kb]);
    if (!(bound > 0)) continue;
    const double thinner =
        std::min(colliderOutlines_[ka].thickness, colliderOutlines_[kb].thickness);
    if (0.1 * thinner >= limit * bound) continue;
    // What any pair may close by within the step asked for is enough (a resting pile's pairs
    // barely move): the further gap a held pair may close by need not be looked for.
    if (0.1 * thinner >= cut * bound) continue;
    const int a = colliders_[ka], b = colliders_[kb];
    // A fast run holds every pair that has a row to its gap within the step: such a pair need
    // only not close from beyond the rows into contact within one step. A body sliding on a
    // fixed one takes such steps too: they follow a slide under constant forces exactly (see
    // FollowConstantSlides).
    const bool held = sweptContacts_ && !heldByRecord_[a] && !heldByRecord_[b];
    const double closes = std::max(0.1 * thinner, held ? 0.9 * RowedGap(reach, a, b) : 0.0);
    // The bound is at least the closing speed.
    if (closes >= cut * bound) continue;
    const double closing = ClosingSpeed(motions_[ka], motions_[kb]);
    if (!(closing > 0) || closes >= cut * closing || !touchable(ka, kb)) continue;
    if (closes >= limit * closing || !Collides(a, b)) continue;
    limit = closes / closing;
    // The pair that sets the limit, the thinner body first.
    const bool aThinner = Outline(a).thickness <= Outline(b).thickness;
    limitingPair_ = {aThinner ? a : b, aThinner ? b : a};
  }
  // A limit just short of the step asked for would leave a sliver of it, which costs a whole
  // step more: the step is cut into equal parts instead, where they are few.
  if (limit < h && h < kMostEqualParts * limit) return h / std::ceil(h / limit);
  return limit;
}

// A manifold whose friction an evaluation held at its bound slips over the step that starts from
// it, though it stuck at the state the step starts from (a block let go on a slope steeper than
// its friction holds): the evaluation's kinetic friction is in the step's accelerations already.
// A fast step's projection of the velocities would otherwise hold it stuck with no bound at the
// manifold's centre, and a block sliding on a fixed face alone would be tipped off it at its
// first step and lag behind its slide ever after. Piles keep the projection's grip: their bounds
// come from normal forces that the projection still moves.
void Mechanics::RememberSlippedFriction() {
  slippedFriction_.clear();
  if (!sweptContacts_) return;
  for (const ContactManifold& m : manifolds_)
    if (m.touching && m.slide == 0 && m.frictionRow >= 0 && rows_[m.frictionRow].saturated)
      slippedFriction_.push_back(m.key);
  std::sort(slippedFriction_.begin(), slippedFriction_.end());
}

void Mechanics::LetSlippedFrictionGo() {
  if (slippedFriction_.empty()) return;
  FindSlidesAlone();
  for (const ContactManifold& m : manifolds_) {
    if (m.frictionRow < 0 || m.slide != 0) continue;
    const int body = Immobile(m.a) ? m.b : m.a;
    if ((slidesAlone_[body] & kTouchesMoving) != 0 || Immobile(m.a) == Immobile(m.b)) continue;
    if (std::binary_search(slippedFriction_.begin(), slippedFriction_.end(), m.key))
      rows_[m.frictionRow].candidate = false;
  }
}

// Per body: whether it slides on a fixed body (or begins to in this step), and whether it
// touches one that moves.
bool Mechanics::FindSlidesAlone() {
  SetFlags(slidesAlone_, BodyCount(), 0);
  bool any = false;
  for (const ContactManifold& m : manifolds_) {
    if (!m.touching) continue;
    const bool fixedA = Immobile(m.a), fixedB = Immobile(m.b);
    if (!fixedA && !fixedB) {
      slidesAlone_[m.a] |= kTouchesMoving;
      slidesAlone_[m.b] |= kTouchesMoving;
    } else if (fixedA != fixedB && (m.slide != 0 || std::binary_search(slippedFriction_.begin(),
                                                                        slippedFriction_.end(),
                                                                        m.key))) {
      slidesAlone_[fixedA ? m.b : m.a] |= kSlidesOnFixed;
      any = true;
    }
  }
  return any;
}

// A fast step moves the positions by the velocities it ends with: under a constant acceleration
// a that puts a body h^2 a / 2 further than the motion itself goes at every step, and a block
// sliding down a slope from rest would stay half a step's travel ahead of its closed form (a part
// in twice the number of steps taken, per cent after a second of frame-long steps). Where the acceleration of a body that slides
// on fixed bodies has not changed since its last step, the step moves it as that acceleration
// does: at the mean of its velocities while it slipped, and at the end velocity for the rest of
// the step once its slip stopped (the part of the step it slipped is how much of h a its velocity
// changed). An acceleration that changes with the motion (a spring, a curved floor) is left to
// the plain step, which keeps such a motion from gaining energy.
void Mechanics::FollowConstantSlides(double time, const Eigen::VectorXd& start,
                                     const Eigen::VectorXd& rates, Eigen::VectorXd& result,
                                     double h) {
  if (NoPairsFound() || !(h > 0)) return;
  const bool any = FindSlidesAlone();
  const int n = static_cast<int>(dofCount_);
  // A step from a later state than the last (not a trial of the same step again): the last
  // one's accelerations and slides become those of the step before.
  if (time != slideRatesAt_[1]) {
    std::swap(slideRates_[0], slideRates_[1]);
    slidBefore_.swap(slidLast_);
    slideRatesAt_[0] = slideRatesAt_[1];
    slideRatesAt_[1] = time;
    slidLast_.clear();
    if (any) {
      slideRates_[1] = rates.tail(n);
      slidLast_ = slidesAlone_;
    }
  }
  if (!any) return;
  const bool before = slideRatesAt_[0] < time && slidBefore_.size() == slidesAlone_.size();
  for (int body = 0; body < BodyCount(); ++body) {
    if (slidesAlone_[body] != kSlidesOnFixed) continue;
    const int d = bodyKin_[body].dof;
    const double reach = Outline(body).reach;
    // A slide that went on from the step before is followed while its acceleration stays as it
    // was; one that begins here (from rest, or from another contact) is followed for its first
    // step, which no change of the forces along the way can make much of.
    const bool went = before && slidBefore_[body] == kSlidesOnFixed;
    // Rotation counts by how far it moves the outline.
    const double weight[3] = {1.0, 1.0, reach};
    double size = 0, change = 0, along = 0, whole = 0;
    for (int k = 0; k < 3; ++k) {
      const double a = rates[n + d + k] * weight[k];
      size += std::abs(a);
      if (went) change += std::abs(a - slideRates_[0][d + k] * weight[k]);
      along += (result[n + d + k] - start[n + d + k]) * weight[k] * a;
      whole += h * a * a;
    }
    if (!(change <= kConstantSlide * size) || !(whole > 0)) continue;
    const double slipped = std::clamp(along / whole, 0.0, 1.0);
    for (int k = 0; k < 3; ++k)
      result[d + k] += 0.5 * slipped * h * (start[n + d + k] - result[n + d + k]);
  }
}

bool Mechanics::NothingTouches() const {
  return solveRows_.empty() && !islands_.AnyAsleep() && touching_.empty();
}

bool Mechanics::NothingNear(double h) const {
  if (!solveRows_.empty() || islands_.AnyAsleep()) return false;
  if (colliders_.empty() || touching_.empty()) return true;
  // Outlines within the margin (a crowd falling together) are among the pairs near, which must
  // not move against each other: they then stand as the first evaluation found them.
  if (!stepPairsValid_) return false;
  for (const auto& [ka, kb] : stepPairs_)
    if (ClosingSpeedBound(MotionOver(colliders_[ka], h), MotionOver(colliders_[kb], h)) > 0)
      return false;
  return true;
}

int Mechanics::ContactPairCount(int body) const {
  int count = 0;
  for (const Touch& t : touches_)
    count += t.a == body || t.b == body ? 1 : 0;
  return count;
}

bool Mechanics::ContactPair(int body, int pair, ContactReport& out) const {
  for (const Touch& t : touches_) {
    if (t.a != body && t.b != body) continue;
    if (--pair > 0) continue;
    const double sign = t.b == body ? 1.0 : -1.0;
    out = ContactReport{t.b == body ? t.a : t.b, t.location, sign * t.force, sign * t.friction,
                        Vector2d::Zero()};
    return true;
  }
  return false;
}

int Mechanics::CollisionPairCount(int body) const {
  collisionsRead_ = true;
  int count = 0;
  for (const Impact& i : impacts_)
    count += i.a == body || i.b == body ? 1 : 0;
  return count;
}

bool Mechanics::CollisionPair(int body, int pair, ContactReport& out) const {
  collisionsRead_ = true;
  for (const Impact& i : impacts_) {
    if (i.a != body && i.b != body) continue;
    if (--pair > 0) continue;
    const double sign = i.b == body ? 1.0 : -1.0;
    out = ContactReport{i.b == body ? i.a : i.b, i.location, Vector2d::Zero(), Vector2d::Zero(),
                        sign * i.impulse};
    return true;
  }
  return false;
}

}  // namespace yb::dynamics
