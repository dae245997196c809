#include "views/trackers/PointTrackers.h"

#include <array>
#include <cmath>
#include <span>

#include "bodies/Body.h"
#include "bodies/points/Point.h"
#include "core/Failure.h"
#include "core/Handle.h"
#include "core/MouseButton.h"
#include "model/filing/ObjectReader.h"
#include "model/filing/ObjectWriter.h"
#include "model/world/WorldDoc.h"
#include "views/trackers/ShapeTrackers.h"
#include "views/world/HotPointSnapper.h"

namespace {

inline constexpr int16_t kErrNoObject = -108;
inline constexpr uint32_t kSnapperTag = MakeTag("hpSn");
// Coordinates nearer to 0 than this part of the snap spacing lie on the axis.
inline constexpr double kAxisTolerance = 0.01;

// Moves each coordinate within the tolerance of 0 onto 0; true when one moved.
bool SnapToAxes(TVector3& position, double tolerance) {
  bool changed = false;
  for (double* value : {&position.x, &position.y}) {
    if (*value != 0.0 && std::fabs(*value) < tolerance) {
      *value = 0.0;
      changed = true;
    }
  }
  return changed;
}

// The document stream of the object, as the world keeps objects aside for undo.
std::vector<uint8_t> ImageOf(TLink& object) {
  return DocumentStreamOf({&object});
}

TWorldDoc* WorldOf(TActionContext* context) {
  if (context == nullptr) return nullptr;
  TLink& link = context->ContextLink();
  return link.IsMemberClass(TWorldDoc::kClassID) ? static_cast<TWorldDoc*>(&link) : nullptr;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// TPointTracker

TPointTracker::TPointTracker() = default;
TPointTracker::~TPointTracker() = default;

void TPointTracker::InitPointTracker(int16_t commandNumber, TTrackerView* view,
                                     TActionContext* world, std::unique_ptr<TObjectReader> placed,
                                     TPoint* point) {
  point_ = nullptr;
  snapped_.reset();
  if (point == nullptr) ThrowFailure(kErrNoObject, 0);
  InitDragTracker(commandNumber, view, world, 1, 0, std::move(placed), point);
  point_ = point;
  SetCursorResource(point->IsLocked() != 0 ? kCursorLockedPoint : kCursorPoint);
}

THotPointSnapper* TPointTracker::FindSnapper() const {
  TActionContext* context = GetContext();
  if (context == nullptr) return nullptr;
  THotPointSnapper* snapper = HotPointSnapperOf(context->FindItem(kSnapperTag));
  return snapper != nullptr && snapper->IsActive() != 0 ? snapper : nullptr;
}

void TPointTracker::ScreenToWorld(const Transform2D& transform, const QV_CPoint& screen,
                                  TVector& world) {
  world = Transform2D::ApplyToVector(transform, TVector(screen.h, -screen.v));
  if (!SnapToNearHotPoint(*this, point_, world)) SnapToGrid(world);
}

void TPointTracker::ConstrainWorldPoint(const TVector& anchor, const TVector& previous,
                                        TVector& next) {
  if (!SnapToNearHotPoint(*this, point_, next))
    TDragTracker::ConstrainWorldPoint(anchor, previous, next);
}

TLink* TPointTracker::SnappedObject() const {
  return snapped_ != nullptr ? snapped_->GetTarget() : nullptr;
}

TCommandCore* TPointTracker::TrackStep(int16_t phase, const QV_CPoint& anchor,
                                       const QV_CPoint& previous, const QV_CPoint& next,
                                       bool mouseMoved, const TVector& anchorWorld,
                                       const TVector& previousWorld, const TVector& nextWorld,
                                       bool moved) {
  TCommandCore* const result = TDragTracker::TrackStep(
      phase, anchor, previous, next, mouseMoved, anchorWorld, previousWorld, nextWorld, moved);
  if (point_ == nullptr) return result;
  if (phase == 0) Press(anchor, nextWorld);
  if (phase == 2) Release();
  return result;
}

void TPointTracker::Press(const QV_CPoint& screen, const TVector& world) {
  TWorldDoc* doc = point_->GetWorld();
  THotPointSnapper* snapper = FindSnapper();
  snapped_.reset();
  takeFormulas_ = 0;
  // The point itself is left out of the search: it must not snap onto itself.
  if (snapper != nullptr &&
      snapper->Snap(POINT{screen.h, screen.v}, world, point_, snapped_) != 0 &&
      IsKindOfSafe(snapped_->GetTarget(), TMass::kClassID)) {
    point_->AttachToBody(static_cast<TMass*>(snapped_->GetTarget()));
    const TVector own = snapped_->GetOwnPosition();
    point_->SetLocalPosition(TVector3(own.x, own.y, 0.0));
    takeFormulas_ = 1;
  } else if (doc != nullptr) {
    PlacePointInWorld(*doc, *point_, TVector3(world.x, world.y, 0.0), 0);
  } else {
    point_->SetWorldPosition(TVector3(world.x, world.y, 0.0));
  }
  if (doc != nullptr) {
    TVector3 local = point_->GetLocalPosition();
    if (SnapToAxes(local, kAxisTolerance * doc->SnappingDistance()))
      point_->SetLocalPosition(local);
  }
  point_->ForEachLinked(1);
  placed_ = 1;
}

void TPointTracker::Release() {
  if (takeFormulas_ == 0 || snapped_ == nullptr) return;
  THotPointSnapper* snapper = FindSnapper();
  if (snapper == nullptr || !IsKindOfSafe(snapped_->GetTarget(), TThing::kClassID)) return;
  Str255 textX;
  Str255 textY;
  if (snapper->GetRecordFormulas(*snapped_, textX, textY) == 0) return;
  snapper->ApplyPointFormulas(point_, textX, textY, {point_->LocalX(), point_->LocalY()});
}

// ---------------------------------------------------------------------------------------------
// TAnchorTracker

void TAnchorTracker::InitAnchorTracker(int16_t commandNumber, TTrackerView* view,
                                       TActionContext* world, std::unique_ptr<TObjectReader> placed,
                                       TAnchor* anchor) {
  anchor_ = nullptr;
  InitPointTracker(commandNumber, view, world, std::move(placed), anchor);
  anchor_ = anchor;
  SetCursorResource(static_cast<uint16_t>(anchor->TrackerFeedbackCode()));
}

void TAnchorTracker::FreeAttached() {
  TPointTracker::FreeAttached();
  if (anchor_ == nullptr) return;
  if (TAnchor* other = anchor_->FindOtherAnchor()) {
    removedImage_ = ImageOf(*other);
    removedIdentifier_ = other->GetIdentifier();
  }
  stayed_ = anchor_->FinishDrop() ? 1 : 0;
  if (stayed_ != 0) return;
  // The anchor and perhaps another have left the world and are freed: keep no way to them.
  anchor_ = nullptr;
  ForgetPoint();
}

void TAnchorTracker::Undo() {
  TPointTracker::Undo();
  TWorldDoc* world = WorldOf(GetContext());
  if (removedImage_.empty() || world == nullptr || world->FindObject(removedIdentifier_)) return;
  auto reader =
      ReadObjects(std::span<const uint8_t>(removedImage_), 2, 0, world, nullptr, nullptr, {});
  reader->Complete(0);
  world->AdoptObjects(reader->TakeObjects());
}

void TAnchorTracker::Redo() {
  TPointTracker::Redo();
  TWorldDoc* world = WorldOf(GetContext());
  if (removedImage_.empty() || world == nullptr) return;
  TLink* back = world->FindObject(removedIdentifier_);
  if (back == nullptr || !back->IsMemberClass(TAnchor::kClassID)) return;
  static_cast<TAnchor*>(back)->DetachFromBody();
  world->RemoveObject(back);
}

bool TPointTracker::TrackingDone() {
  return TrackingDoneFlag() || !IsMouseButtonDown();
}
