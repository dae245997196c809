#include "views/trackers/GeometryRefDragTracker.h"

#include "bodies/points/Point.h"
#include "constraints/Constraint.h"

namespace {

// A constraint acts while its active flag is clear; a set flag withholds what it holds.
TCnstr* AsActingConstraint(TObject* object) {
  auto* constraint = dynamic_cast<TCnstr*>(object);
  return constraint != nullptr && constraint->IsInactive() ? constraint : nullptr;
}

// The constraint a drag with this reference lets go of: the constraint itself, or the first
// acting constraint of a point; null when there is none that acts.
TCnstr* ConstraintTiedTo(TLink* reference) {
  if (reference == nullptr) return nullptr;
  if (TCnstr* constraint = AsActingConstraint(reference)) return constraint;
  auto* point = dynamic_cast<TPoint*>(reference);
  if (point == nullptr || point->Constraints() == nullptr) return nullptr;
  const TList& list = *point->Constraints();
  for (int32_t i = 1; i <= list.GetCount(); ++i)
    if (TCnstr* constraint = AsActingConstraint(list.At(i))) return constraint;
  return nullptr;
}

}  // namespace

TGeometryRefDragTracker::~TGeometryRefDragTracker() { SwitchBackOn(); }

void TGeometryRefDragTracker::InitGeometryRefDrag(int16_t commandNumber, TTrackerView* view,
                                                  TActionContext* world) {
  SwitchBackOn();
  reference_ = nullptr;
  InitGeometryDrag(commandNumber, view, world);
}

void TGeometryRefDragTracker::StartDrag(const TVector& point, TLink* object) {
  SwitchBackOn();
  switchedOff_ = ConstraintTiedTo(reference_);
  if (switchedOff_ != nullptr) {
    switchedOff_->Activate(0);
    // A kind that refuses the flag (a force) is not let go.
    if (switchedOff_->IsInactive()) switchedOff_ = nullptr;
  }
  TGeometryDragTracker::StartDrag(point, object);
}

TCommandCore* TGeometryRefDragTracker::TrackStep(
    int16_t phase, const QV_CPoint& anchor, const QV_CPoint& previous, const QV_CPoint& next,
    bool mouseMoved, const TVector& anchorWorld, const TVector& previousWorld,
    const TVector& nextWorld, bool moved) {
  TCommandCore* result = TGeometryDragTracker::TrackStep(
      phase, anchor, previous, next, mouseMoved, anchorWorld, previousWorld, nextWorld, moved);
  if (phase == 2) SwitchBackOn();
  return result;
}

bool TGeometryRefDragTracker::FeedbackStyle(int16_t phase, int16_t& style, int16_t& flag) {
  if (phase != 1) return TGeometryDragTracker::FeedbackStyle(phase, style, flag);
  style = kReferenceFeedbackStyle;
  flag = 0;
  return true;
}

void TGeometryRefDragTracker::SwitchBackOn() {
  if (switchedOff_ == nullptr) return;
  switchedOff_->Deactivate(0);
  switchedOff_ = nullptr;
}
