#include "views/trackers/ConstraintTrackers.h"

#include <cmath>
#include <cstdlib>
#include <utility>

#include "bodies/Body.h"
#include "bodies/Shapes.h"
#include "bodies/Table.h"
#include "bodies/points/Point.h"
#include "constraints/Constraint.h"
#include "constraints/CurvedSlot.h"
#include "constraints/Forces.h"
#include "constraints/Gear.h"
#include "constraints/Pistons.h"
#include "constraints/Ropes.h"
#include "constraints/Slot.h"
#include "core/Failure.h"
#include "model/filing/ChangeRecorder.h"
#include "model/filing/ObjectReader.h"
#include "model/world/WorldDoc.h"
#include "views/trackers/ShapeTrackers.h"
#include "views/trackers/TrackerWorld.h"
#include "views/world/HotPointSnapper.h"
#include "views/world/TemplateLink.h"

namespace {

inline constexpr int16_t kErrNoObject = -108;
inline constexpr uint32_t kSnapperTag = MakeTag("hpSn");

TWorldDoc* WorldOf(TActionContext* context) {
  if (context == nullptr) return nullptr;
  TLink& link = context->ContextLink();
  return link.IsMemberClass(TWorldDoc::kClassID) ? static_cast<TWorldDoc*>(&link) : nullptr;
}

THotPointSnapper* SnapperOf(TActionContext* context) {
  if (context == nullptr) return nullptr;
  auto* snapper = dynamic_cast<THotPointSnapper*>(context->FindItem(kSnapperTag));
  return snapper != nullptr && snapper->IsActive() != 0 ? snapper : nullptr;
}

TPoint* AsPoint(TLink* object) { return dynamic_cast<TPoint*>(object); }

// Whether another attached point of the constraint is on the body already.
bool BodyTaken(const TCnstr& constraint, const TPoint& point, const TMass* body) {
  for (TLink* object : constraint.Attached()) {
    const TPoint* other = AsPoint(object);
    if (other != nullptr && other != &point && other->GetBody() == body) return true;
  }
  return false;
}

void PutAt(TPoint& point, const TVector& world) {
  point.SetWorldPosition(TVector3(world.x, world.y, point.GetWorldRotation()));
}

// The radius of a circle, or 0 for any other body.
double CircleRadius(TMass* body) {
  auto* oval = dynamic_cast<TOval*>(body);
  if (oval == nullptr || !oval->HasEqualSides()) return 0.0;
  return oval->GetShapeRadius();
}

// A rope, separator or pulley line made by dragging its ends starts at the length its points
// span, neither slack nor under strain. A pulley line's wheel points, left on the first end by the
// press, are spread along the line between the ends and raised above it by half the ends' span,
// so that no piece of the line has no length.
void FitNewRope(TCnstr& constraint) {
  auto* rope = dynamic_cast<TLRope*>(&constraint);
  if (rope == nullptr || rope->AttachedCount() < 2) return;
  TPoint* first = AsPoint(rope->Attached().front());
  TPoint* last = AsPoint(rope->Attached().back());
  if (first == nullptr || last == nullptr) return;
  const TVector from = first->GetWorldXY();
  const TVector to = last->GetWorldXY();
  const double span = std::hypot(to.x - from.x, to.y - from.y);
  const size_t pieces = rope->Attached().size() - 1;
  for (size_t i = 1; i < pieces; ++i) {
    // Points the user clicked into place stay there.
    TPoint* wheel = AsPoint(rope->Attached()[i]);
    if (wheel == nullptr || span == 0.0) continue;
    const TVector at = wheel->GetWorldXY();
    if (std::hypot(at.x - from.x, at.y - from.y) > 1e-9 * span) continue;
    const double along = static_cast<double>(i) / static_cast<double>(pieces);
    PutAt(*wheel, TVector(from.x + (to.x - from.x) * along,
                          from.y + (to.y - from.y) * along + span / 2.0));
  }
  if (rope->Quantity().IsFormula()) return;
  rope->Quantity().SetConstant(rope->PathLength());
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// TCnstrTracker

TCnstrTracker::TCnstrTracker() = default;
TCnstrTracker::~TCnstrTracker() = default;

void TCnstrTracker::InitCnstrTracker(int16_t commandNumber, TTrackerView* view,
                                     TActionContext* world,
                                     std::unique_ptr<TObjectReader> placed, TCnstr* constraint) {
  constraint_ = nullptr;
  if (constraint == nullptr) ThrowFailure(kErrNoObject, 0);
  creating_ = placed != nullptr ? 1 : 0;
  InitDragTracker(commandNumber, view, world, 1, 0, std::move(placed), constraint);
  constraint_ = constraint;
  started_ = 1;
  showFeedback_ = 1;
}

TPoint* TCnstrTracker::AttachedPoint(size_t index) const {
  if (constraint_ == nullptr || index >= constraint_->Attached().size()) return nullptr;
  return AsPoint(constraint_->Attached()[index]);
}

TPoint* TCnstrTracker::LastPoint() const {
  if (constraint_ == nullptr || constraint_->Attached().empty()) return nullptr;
  return AsPoint(constraint_->Attached().back());
}

TCommandCore* TCnstrTracker::TrackStep(int16_t phase, const QV_CPoint& anchor,
                                       const QV_CPoint& previous, const QV_CPoint& next,
                                       bool mouseMoved, const TVector& anchorWorld,
                                       const TVector& previousWorld, const TVector& nextWorld,
                                       bool moved) {
  TCommandCore* const result = TDragTracker::TrackStep(
      phase, anchor, previous, next, mouseMoved, anchorWorld, previousWorld, nextWorld, moved);
  if (constraint_ == nullptr) return result;
  // A gesture ended off the view leaves the following point at the last click.
  const bool back = EndedOffView();
  currentScreen_ = back ? LastClick() : next;
  if (phase == 0) {
    pressScreen_ = anchor;
    Press(anchorWorld);
  }
  // The dragged point and the constraint are drawn again at every step, and the objects made
  // are shown where they landed at the release.
  if (phase == 1 && (moved || back)) {
    MovePoint(back ? LastClickWorld() : nextWorld);
    ShowChanges();
  }
  if (phase == 2) {
    try {
      Finish();
    } catch (...) {
      DiscardCreated();
      throw;
    }
    ShowChanges();
  }
  return result;
}

void TCnstrTracker::Press(const TVector& world) {
  if (!IsCreating()) return;
  for (TLink* object : constraint_->Attached())
    if (TPoint* point = AsPoint(object)) PutAt(*point, world);
}

void TCnstrTracker::MovePoint(const TVector& world) {
  if (TPoint* last = LastPoint()) PutAt(*last, world);
  constraint_->MarkChanged();
}

void TCnstrTracker::ShowChanges() {
  if (auto* shown = dynamic_cast<TTrackerWorld*>(GetContext())) shown->ShowChanges();
}

void TCnstrTracker::Finish() {
  TPoint* first = AttachedPoint(0);
  if (first == nullptr) return;
  SnapAndAttach(*first, PressScreen(), first->GetWorldXY());
  TPoint* last = LastPoint();
  if (constraint_->AttachedCount() > 1 && last != nullptr && last != first)
    SnapAndAttach(*last, CurrentScreen(), last->GetWorldXY());
  for (TLink* object : constraint_->Attached()) constraint_->ChooseReferenceObject(object);
  if (IsCreating()) FitNewRope(*constraint_);
  constraint_->MarkChanged();
}

bool TCnstrTracker::UsesHotPoints() const { return HasTrackingSnapper(GetContext()); }

void TCnstrTracker::SnapAndAttach(TPoint& point, const QV_CPoint& screen, const TVector& world) {
  TVector at = world;
  std::unique_ptr<THotPointRecord> snapped;
  THotPointSnapper* snapper = UsesHotPoints() ? SnapperOf(GetContext()) : nullptr;
  if (snapper != nullptr &&
      snapper->Snap(POINT{screen.h, screen.v}, world, &point, snapped) != 0) {
    TLink* target = snapped->GetTarget();
    if (IsKindOfSafe(target, TMass::kClassID) && target->GetIdentifier() != kBackgroundIdentifier &&
        target != point.GetBody() &&
        !BodyTaken(*constraint_, point, static_cast<TMass*>(target))) {
      point.AttachToBody(static_cast<TMass*>(target));
      const TVector own = snapped->GetOwnPosition();
      point.SetLocalPosition(TVector3(own.x, own.y, 0.0));
      point.ForEachLinked(1);
      return;
    }
    const TVector3 spot = snapped->GetWorldPosition();
    at = TVector(spot.x, spot.y);
  }
  // The point lands on the body under it, one that no other end of the constraint is on.
  if (TWorldDoc* doc = WorldOf(GetContext()))
    PlacePointInWorld(*doc, point, TVector3(at.x, at.y, point.GetWorldRotation()), 0);
  else
    PutAt(point, at);
  point.ForEachLinked(1);
}

void TCnstrTracker::KeepAddedPoint(std::unique_ptr<TLink> point) {
  // Points added before the constraint is placed go with it; later ones join the world at once.
  if (AddPlaced(point)) return;
  TWorldDoc* doc = WorldOf(GetContext());
  if (doc == nullptr) return;
  // Undo takes the point out again with the constraint.
  if (TChangeRecorder* undo = UndoRecorder()) undo->NoteObject(point.get(), true);
  doc->AdoptObject(std::move(point));
}

void TCnstrTracker::DiscardCreated() {
  if (!IsCreating()) return;
  // The constraint and its points are still the placed objects' own: they go with them.
  SetPlaced(nullptr);
  constraint_ = nullptr;
}

// ---------------------------------------------------------------------------------------------
// TCnstrTracker672

void TCnstrTracker672::InitCnstrTracker672(int16_t commandNumber, TTrackerView* view,
                                           TActionContext* world,
                                           std::unique_ptr<TObjectReader> placed,
                                           TCnstr* constraint) {
  InitCnstrTracker(commandNumber, view, world, std::move(placed), constraint);
  flag_ = 0;
  SetMultiClick(1);
}

int16_t TCnstrTracker672::AddPoint(const QV_CPoint& screen, const TVector& world) {
  TCnstr* constraint = Constraint();
  if (constraint == nullptr) return 0;
  const int32_t count = constraint->AttachedCount();
  if (count > 2 && count <= kMaxEndTestPoints) {
    if (TPoint* last = LastPoint()) {
      MacPoint previous;
      WorldToScreen(last->GetWorldXY(), previous);
      if (std::abs(previous.h - screen.h) < kEndDistance &&
          std::abs(previous.v - screen.v) < kEndDistance)
        return 0;
    }
  }
  TActionContext* context = GetContext();
  if (context == nullptr) ThrowFailure(kErrOutOfMemory, 0);
  // The point template's first object; a missing template, or one that holds no point, fails as
  // memory running out does.
  std::unique_ptr<TLink> owned;
  try {
    owned = LoadTemplateLink(kPointTemplate, &context->ContextLink());
  } catch (const QVException&) {
    ThrowFailure(kErrOutOfMemory, 0);
  }
  if (AsPoint(owned.get()) == nullptr) ThrowFailure(kErrOutOfMemory, 0);
  TPoint& point = *AsPoint(owned.get());
  PutAt(point, world);
  constraint->AttachObject(&point);
  try {
    SnapAndAttach(point, screen, world);
  } catch (...) {
    constraint->DetachObject(&point);
    throw;
  }
  KeepAddedPoint(std::move(owned));
  constraint->MarkChanged();
  ShowChanges();
  return 1;
}

// ---------------------------------------------------------------------------------------------
// TCnstrTracker673

void TCnstrTracker673::InitCnstrTracker673(int16_t commandNumber, TTrackerView* view,
                                           TActionContext* world,
                                           std::unique_ptr<TObjectReader> placed,
                                           TCnstr* constraint) {
  InitCnstrTracker(commandNumber, view, world, std::move(placed), constraint);
  value_ = 0;
  const auto* lockable = dynamic_cast<const TLockableCnstr*>(constraint);
  cursor_ = lockable != nullptr && lockable->IsLocked() != 0 ? kCursorLocked : kCursorUnlocked;
  trackingStarted_ = 0;
  SetCursorResource(cursor_);
}

TCommandCore* TCnstrTracker673::TrackStep(int16_t phase, const QV_CPoint& anchor,
                                          const QV_CPoint& previous, const QV_CPoint& next,
                                          bool mouseMoved, const TVector& anchorWorld,
                                          const TVector& previousWorld,
                                          const TVector& nextWorld, bool moved) {
  if (phase == 0) trackingStarted_ = 1;
  return TCnstrTracker::TrackStep(phase, anchor, previous, next, mouseMoved, anchorWorld,
                                  previousWorld, nextWorld, moved);
}

// ---------------------------------------------------------------------------------------------
// TGearTracker

void TGearTracker::InitGearTracker(int16_t commandNumber, TTrackerView* view,
                                   TActionContext* world, std::unique_ptr<TObjectReader> placed,
                                   TGear* gear) {
  gear_ = nullptr;
  InitCnstrTracker672(commandNumber, view, world, std::move(placed), gear);
  gear_ = gear;
  ClearFlag();
  // The two ends are all a gear has: no clicks add to them.
  SetMultiClick(0);
}

TCommandCore* TGearTracker::TrackStep(int16_t phase, const QV_CPoint& anchor,
                                      const QV_CPoint& previous, const QV_CPoint& next,
                                      bool mouseMoved, const TVector& anchorWorld,
                                      const TVector& previousWorld, const TVector& nextWorld,
                                      bool moved) {
  TCommandCore* const result = TCnstrTracker672::TrackStep(
      phase, anchor, previous, next, mouseMoved, anchorWorld, previousWorld, nextWorld, moved);
  if (gear_ == nullptr || gear_->AttachedCount() < 2) return result;
  if (AttachedPoint(0) == nullptr || AttachedPoint(1) == nullptr) return result;
  if (phase == 0) ToBodyCentre(*AttachedPoint(0), anchorWorld);
  if (phase == 2) {
    ToBodyCentre(*AttachedPoint(1), nextWorld);
    SetRatioFromCircles();
  }
  return result;
}

void TGearTracker::ToBodyCentre(TPoint& point, const TVector& world) {
  // A new gear's end lands on the body under it first; another end's body is not taken.
  if (IsCreating()) SnapAndAttach(point, CurrentScreen(), world);
  TMass* body = point.GetBody();
  if (body == nullptr || body->GetIdentifier() == kBackgroundIdentifier) return;
  TVector centre(0.0, 0.0);
  body->GetPosition(centre);
  point.SetWorldPosition(TVector3(centre.x, centre.y, point.GetWorldRotation()));
  point.ForEachLinked(1);
}

void TGearTracker::SetRatioFromCircles() {
  const double r1 = CircleRadius(AttachedPoint(0)->GetBody());
  const double r2 = CircleRadius(AttachedPoint(1)->GetBody());
  // Both must be circles; a second radius of 0 would give no finite ratio.
  if (r1 <= 0.0 || r2 <= 0.0) return;
  const double ratio = r1 / r2;
  if (!std::isfinite(ratio)) return;
  gear_->Ratio().SetConstant(ratio);
  gear_->Quantity().SetConstant(ratio);
  gear_->MarkChanged();
}

// ---------------------------------------------------------------------------------------------
// TCurvedSlotTracker

TCurvedSlotTracker::~TCurvedSlotTracker() {
  if (slot_ != nullptr && tracking_ != 0) slot_->SetTracking(0);
}

void TCurvedSlotTracker::InitCurvedSlotTracker(int16_t commandNumber, TTrackerView* view,
                                               TActionContext* world,
                                               std::unique_ptr<TObjectReader> placed,
                                               TCurvedSlot* slot) {
  slot_ = nullptr;
  start_ = TVector(0.0, 0.0);
  end_ = TVector(0.0, 0.0);
  InitCnstrTracker(commandNumber, view, world, std::move(placed), slot);
  slot_ = slot;
  SetShowFeedback(1);
  // A curve is sketched click by click as well as by a drag: each further click adds a control
  // point, and a click on the last one ends the sketch.
  SetMultiClick(1);
  slot_->SetTracking(1);
  tracking_ = 1;
}

void TCurvedSlotTracker::Press(const TVector& world) {
  TCnstrTracker::Press(world);
  // A new slot's curve is the sketch alone.
  if (IsCreating()) slot_->DeleteAllControlPoints();
  slot_->InvalidateCurve(0);
  AppendControlPoint(world);
  AppendControlPoint(world);
}

TCommandCore* TCurvedSlotTracker::TrackStep(int16_t phase, const QV_CPoint& anchor,
                                            const QV_CPoint& previous, const QV_CPoint& next,
                                            bool mouseMoved, const TVector& anchorWorld,
                                            const TVector& previousWorld,
                                            const TVector& nextWorld, bool moved) {
  if (slot_ != nullptr && phase == 0) ShowPrompt(kSketchPrompt);
  if (slot_ == nullptr || phase != 2)
    return TCnstrTracker::TrackStep(phase, anchor, previous, next, mouseMoved, anchorWorld,
                                    previousWorld, nextWorld, moved);
  // The release: the point that followed the mouse goes, and the gesture's ends are kept for
  // the finish.
  ClearPrompt();
  slot_->SetTracking(0);
  tracking_ = 0;
  slot_->DeleteControlPoint(slot_->ControlPointCount());
  start_ = anchorWorld;
  end_ = nextWorld;
  endScreen_ = next;
  slot_->InvalidateCurve(0);
  return TCnstrTracker::TrackStep(phase, anchor, previous, next, mouseMoved, anchorWorld,
                                  previousWorld, nextWorld, moved);
}

int16_t TCurvedSlotTracker::AddPoint(const QV_CPoint&, const TVector& world) {
  if (slot_ == nullptr) return 0;
  // A click can come in the same step as the pointer's move to it, before the follower has
  // followed: the click's own place is the one kept.
  MovePoint(world);
  AppendControlPoint(world);
  return 1;
}

void TCurvedSlotTracker::AppendControlPoint(const TVector& world) {
  slot_->InsertControlPoint(slot_->ControlPointCount(), world);
}

void TCurvedSlotTracker::MovePoint(const TVector& world) {
  TTable* table = slot_ != nullptr ? slot_->GetPointTable() : nullptr;
  if (table == nullptr || slot_->ControlPointCount() < 2) return;
  TVector local = world;
  slot_->WorldToLocal(local);
  table->SetPoint(slot_->ControlPointCount(), local);
  slot_->InvalidateCurve(0);
}

void TCurvedSlotTracker::Finish() {
  if (slot_ == nullptr) return;
  TCnstrTracker::Finish();
  if (slot_->AttachedCount() == 0) return;
  // The curve closes only where the sketch comes back to its start, whatever body it lies on.
  if (slot_->IsClosed()) return;
  MacPoint startScreen;
  WorldToScreen(start_, startScreen);
  if (end_ == start_ || (std::abs(endScreen_.h - startScreen.h) < kCloseDistance &&
                         std::abs(endScreen_.v - startScreen.v) < kCloseDistance))
    slot_->SetSplineType(TCurvedSlot::kClosed);
}

// ---------------------------------------------------------------------------------------------
// TCurvedSlotVertexTracker

// The control points as the vertex tracker edits them; undo and redo take the whole table back
// from its images.
class TCurvedSlotVertexTracker::TControlPoints : public TVertexBody {
 public:
  explicit TControlPoints(TCurvedSlot& slot) : slot_(slot) {}
  bool AllowsVertexEditing() const override { return slot_.GetPointTable() != nullptr; }
  void InsertVertex(int16_t& after, const TVector& point) override {
    if (live) slot_.InsertControlPoint(after, point);
  }
  void RemoveVertex(int16_t number) override {
    if (live) slot_.DeleteControlPoint(number);
  }
  void SelectVertex(int16_t number) override { slot_.SelectVertex(1, number); }
  std::vector<TLink*> AttachedObjects() override { return slot_.Attached(); }

  bool live = true;

 private:
  TCurvedSlot& slot_;
};

TCurvedSlotVertexTracker::TCurvedSlotVertexTracker() = default;

TCurvedSlotVertexTracker::~TCurvedSlotVertexTracker() { EndSuspension(); }

void TCurvedSlotVertexTracker::InitCurvedSlotVertex(TTrackerView* view, TActionContext* world,
                                                    TCurvedSlot* slot, int16_t vertex,
                                                    const TVector& start) {
  slot_ = nullptr;
  if (slot == nullptr) ThrowFailure(kErrNoObject, 0);
  points_ = std::make_unique<TControlPoints>(*slot);
  InitVertexTracker(view, world, slot, points_.get(), 0, vertex, start);
  slot_ = slot;
  previousSuspension_ = slot_->BeginSuspend();
  suspended_ = 1;
}

void TCurvedSlotVertexTracker::EndSuspension() {
  if (slot_ == nullptr || suspended_ == 0) return;
  slot_->EndSuspend(previousSuspension_);
  suspended_ = 0;
}

TCommandCore* TCurvedSlotVertexTracker::TrackStep(int16_t phase, const QV_CPoint& anchor,
                                                  const QV_CPoint& previous,
                                                  const QV_CPoint& next, bool mouseMoved,
                                                  const TVector& anchorWorld,
                                                  const TVector& previousWorld,
                                                  const TVector& nextWorld, bool moved) {
  TCommandCore* const result = TVertexTracker::TrackStep(
      phase, anchor, previous, next, mouseMoved, anchorWorld, previousWorld, nextWorld, moved);
  if (slot_ == nullptr) return result;
  const int16_t index = GrabbedVertex();
  TTable* table = slot_->GetPointTable();
  if (phase == 1 && moved && index != 0 && table != nullptr && !(previousWorld == nextWorld)) {
    TVector local = nextWorld;
    slot_->WorldToLocal(local);
    table->SetPoint(index, local);
    if (!slot_->IsClosed()) slot_->CloseIfEnded();
    slot_->InvalidateCurve(1);
    slot_->SnapRequest();
    MarkChanged();
  }
  if (phase == 2) {
    if (HasChanged() != 0) {
      slot_->SnapRequest();
      slot_->MarkChanged();
    }
    points_->live = false;
    EndSuspension();
  }
  return result;
}

bool TCurvedSlotVertexTracker::UsesHotPoints() const {
  return HasTrackingSnapper(GetContext());
}

void TCurvedSlotVertexTracker::BeforePrepare() {
  TVertexTracker::BeforePrepare();
  if (slot_ != nullptr && slot_->GetPointTable() != nullptr)
    NoteChangeOfAll({slot_->GetPointTable()}, TChangeRecorder::kWholeObject);
}

void TCurvedSlotVertexTracker::Undo() {
  TVertexTracker::Undo();
  if (slot_ != nullptr) slot_->InvalidateCurve(1);
}

void TCurvedSlotVertexTracker::Redo() {
  TVertexTracker::Redo();
  if (slot_ != nullptr) slot_->InvalidateCurve(1);
}

// ---------------------------------------------------------------------------------------------
// TSlotTracker

void TSlotTracker::InitSlotTracker(TTrackerView* view, TActionContext* world,
                                   std::unique_ptr<TObjectReader> placed, TSlot* slot) {
  slot_ = nullptr;
  InitCnstrTracker(kCommandNumber, view, world, std::move(placed), slot);
  slot_ = slot;
  pressed_ = 0;
}

TCommandCore* TSlotTracker::TrackStep(int16_t phase, const QV_CPoint& anchor,
                                      const QV_CPoint& previous, const QV_CPoint& next,
                                      bool mouseMoved, const TVector& anchorWorld,
                                      const TVector& previousWorld, const TVector& nextWorld,
                                      bool moved) {
  TCommandCore* const result = TCnstrTracker::TrackStep(
      phase, anchor, previous, next, mouseMoved, anchorWorld, previousWorld, nextWorld, moved);
  if (phase != 0 || slot_ == nullptr) return result;
  pressed_ = 1;
  TPoint* primary = AsPoint(slot_->GetPrimaryObject());
  if (primary == nullptr) return result;
  // The slot takes its body's angle, and the point keeps its own turn on top of it.
  const double bodyAngle = primary->GetBody() != nullptr ? primary->GetBody()->GetRotationValue() : 0.0;
  const double ownAngle = primary->LocalRotation() != nullptr ? primary->LocalRotation()->GetValue() : 0.0;
  slot_->SetSlotAngle(bodyAngle);
  primary->SetRotation(ownAngle + bodyAngle);
  return result;
}

// ---------------------------------------------------------------------------------------------
// Force trackers

void TForceTracker669::InitForceTracker(int16_t commandNumber, TTrackerView* view,
                                        TActionContext* world,
                                        std::unique_ptr<TObjectReader> placed, TForce* force) {
  force_ = nullptr;
  InitCnstrTracker(commandNumber, view, world, std::move(placed), force);
  force_ = force;
  if (!IsCreating()) return;
  // A new force pushes at one point: any further point it came with is not placed.
  while (force->AttachedCount() > force->RequiredAttachments()) {
    TLink* extra = force->Attached().back();
    force->DetachObject(extra);
    TakePlaced(extra);
  }
}

void TForceTracker669::MovePoint(const TVector& world) {
  if (force_ != nullptr) force_->MoveTo(world, MovesApplicationPoint());
}

// ---------------------------------------------------------------------------------------------

std::unique_ptr<TCommandCore> MakeConstraintTracker(int16_t tool, TTrackerView* view,
                                                    TActionContext* world,
                                                    std::unique_ptr<TObjectReader> placed,
                                                    TCnstr& constraint) {
  if (constraint.IsMemberClass(TGear::kClassID)) {
    auto tracker = std::make_unique<TGearTracker>();
    tracker->InitGearTracker(tool, view, world, std::move(placed),
                             static_cast<TGear*>(&constraint));
    return tracker;
  }
  if (constraint.IsMemberClass(TCurvedSlot::kClassID)) {
    auto tracker = std::make_unique<TCurvedSlotTracker>();
    tracker->InitCurvedSlotTracker(tool, view, world, std::move(placed),
                                   static_cast<TCurvedSlot*>(&constraint));
    return tracker;
  }
  if (constraint.IsMemberClass(TSlot::kClassID)) {
    auto tracker = std::make_unique<TSlotTracker>();
    tracker->InitSlotTracker(view, world, std::move(placed), static_cast<TSlot*>(&constraint));
    return tracker;
  }
  if (constraint.IsMemberClass(TForce::kClassID)) {
    auto tracker = std::make_unique<TForceTracker669>();
    tracker->InitForceTracker(tool, view, world, std::move(placed),
                              static_cast<TForce*>(&constraint));
    return tracker;
  }
  // A motor has a tracker of its own kind, handed the motor.
  if (constraint.IsMemberClass(TRPiston::kClassID)) {
    auto tracker = std::make_unique<TMotorTracker>();
    tracker->InitCnstrTracker(tool, view, world, std::move(placed), &constraint);
    return tracker;
  }
  const auto* drawn = dynamic_cast<const TConstraint*>(&constraint);
  if (drawn != nullptr && drawn->IsRotational()) {
    auto tracker = std::make_unique<TCnstrTracker673>();
    tracker->InitCnstrTracker673(tool, view, world, std::move(placed), &constraint);
    return tracker;
  }
  auto tracker = std::make_unique<TCnstrTracker672>();
  tracker->InitCnstrTracker672(tool, view, world, std::move(placed), &constraint);
  return tracker;
}
