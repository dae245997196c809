#include "views/trackers/ShapeTrackers.h"

#include <algorithm>
#include <cmath>

#include "bodies/Shapes.h"
#include "bodies/points/Point.h"
#include "core/Failure.h"
#include "core/List.h"
#include "core/MouseButton.h"
#include "core/port/Port.h"
#include "model/filing/ChangeRecorder.h"
#include "model/filing/ObjectReader.h"
#include "views/trackers/TrackerWorld.h"
#include "views/world/HotPointSnapper.h"

namespace {

inline constexpr int16_t kErrNoObject = -108;
inline constexpr uint32_t kSnapperTag = MakeTag("hpSn");

// A pure translation to the point, and its inverse.
void TranslationFrame(const TVector& origin, Transform2D& frame, Transform2D& inverse) {
  frame = Transform2D(1.0, 0.0, origin.x, origin.y, 0.0, 1.0);
  inverse = frame.Inverse();
}

std::vector<TLink*> AttachedObjects(TMass& body) {
  std::vector<TLink*> objects;
  if (TList* list = body.Attachments()) {
    for (int32_t i = 1; i <= list->GetCount(); ++i)
      if (TObject* item = list->At(i)) objects.push_back(static_cast<TLink*>(item));
  }
  return objects;
}

}  // namespace

bool HasTrackingSnapper(TActionContext* world) {
  return world != nullptr && dynamic_cast<TTrackingSnapper*>(world->FindItem(kSnapperTag));
}

bool SnapToNearHotPoint(TCommandBase& tracker, TLink* tracked, TVector& point) {
  // The world's own snapper can leave the tracked body out of the search; any other snapper
  // answers through the tracker.
  TActionContext* world = tracker.GetContext();
  THotPointSnapper* snapper =
      world != nullptr ? HotPointSnapperOf(world->FindItem(kSnapperTag)) : nullptr;
  if (snapper == nullptr)
    return tracker.Snapper() != nullptr && tracker.SnapToHotPoint(point, point, point);
  if (snapper->IsActive() == 0) return false;
  MacPoint screen;
  tracker.WorldToScreen(point, screen);
  std::unique_ptr<THotPointRecord> record;
  if (snapper->Snap(POINT{screen.h, screen.v}, point, tracked, record) == 0) return false;
  const TVector3 found = record->GetWorldPosition();
  point = TVector(found.x, found.y);
  return true;
}

// ---------------------------------------------------------------------------------------------
// TAttachmentPositions

TAttachmentPositions::TAttachmentPositions(TMass& body) : body_(body) {
  objects_ = AttachedObjects(body);
  for (TLink* object : objects_) {
    TVector3 position(0.0, 0.0, 0.0);
    if (object->IsThing() != 0) static_cast<TThing*>(object)->GetPlacement(position);
    positions_.push_back(position);
  }
}

void TAttachmentPositions::Restore() {
  // Only objects still attached: one that left the body during the drag is no longer ours.
  const std::vector<TLink*> now = AttachedObjects(body_);
  for (size_t i = 0; i < objects_.size(); ++i) {
    TLink* object = objects_[i];
    if (std::find(now.begin(), now.end(), object) == now.end()) continue;
    if (object->IsMemberClass(TPoint::kClassID))
      static_cast<TPoint*>(object)->SetWorldPosition(positions_[i]);
    else if (object->IsThing() != 0)
      static_cast<TThing*>(object)->SetPlacement(positions_[i]);
    object->ForEachLinked(1);
  }
}

// ---------------------------------------------------------------------------------------------
// TShapeSketchTracker

void TShapeSketchTracker::InitSketch(int16_t commandNumber, TTrackerView* view,
                                     TActionContext* world, std::unique_ptr<TObjectReader> placed,
                                     TBasicMass* body) {
  if (body == nullptr) ThrowFailure(kErrNoObject, 0);
  newShape_ = placed != nullptr;
  InitDragTracker(commandNumber, view, world, 1, 0, std::move(placed), body);
  body_ = body;
  onHotPoint_ = 0;
}

bool TShapeSketchTracker::UsesHotPoints() const {
  return HasTrackingSnapper(GetContext());
}

void TShapeSketchTracker::ConstrainWorldPoint(const TVector&, const TVector&, TVector& next) {
  onHotPoint_ = SnapToNearHotPoint(*this, body_, next) ? 1 : 0;
}

TCommandCore* TShapeSketchTracker::TrackStep(int16_t phase, const QV_CPoint& anchor,
                                             const QV_CPoint& previous, const QV_CPoint& next,
                                             bool mouseMoved, const TVector& anchorWorld,
                                             const TVector& previousWorld, const TVector& nextWorld,
                                             bool moved) {
  // The outline follows the mouse while the button is down, and goes at the release. It goes
  // before the step changes the picture under it, so that no paint of the change covers it.
  const bool follow = phase == 1 && (moved || mouseMoved);
  if (follow || phase == 2) EraseOutline();
  TCommandCore* const result = TDragTracker::TrackStep(
      phase, anchor, previous, next, mouseMoved, anchorWorld, previousWorld, nextWorld, moved);
  if (phase == 0) {
    TranslationFrame(anchorWorld, frame_, inverse_);
    outlineShown_ = false;
    if (newShape_) StartShape(anchorWorld);
  }
  if (phase == 1 && moved)
    body_->ResizeFromDrag(anchorWorld, nextWorld, inverse_, frame_, onHotPoint_ == 0);
  if (follow) {
    const MacPoint press(anchor.h, anchor.v);
    InvertOutline(press, OutlineCorner(press, MacPoint(next.h, next.v)));
  }
  if (phase != 2) return result;
  if (nextWorld == anchorWorld) {
    // A click: a shape of the world's size for new shapes, centred on the click.
    body_->SetSquareSizeFrom(body_->GetWorld());
    body_->SetPlacement(TVector3(anchorWorld.x, anchorWorld.y, 0.0));
    body_->ShapeChanged(1);
  } else {
    // The release point may differ from the last move's. An axis that the drag leaves without
    // extent keeps the prototype's size rather than leaving a shape without area.
    TranslationFrame(anchorWorld, frame_, inverse_);
    if (newShape_) body_->SetSize(startSize_);
    body_->ResizeFromDrag(anchorWorld, nextWorld, inverse_, frame_, onHotPoint_ == 0);
  }
  body_->GeometryChanged(1);
  return result;
}

void TShapeSketchTracker::StartShape(const TVector& press) {
  // The new shape starts as a point at the press, so that nothing of it shows but the outline
  // until the release; it is shown at once as such, in place of the tool's prototype.
  startSize_ = body_->GetSize();
  body_->SetPlacement(TVector3(press.x, press.y, body_->GetRotationValue()));
  body_->SetSize(TVector(0.0, 0.0));
  body_->ComputeExtent();
  body_->ShapeChanged(1);
  if (auto* shown = dynamic_cast<TTrackerWorld*>(GetContext())) shown->ShowChanges();
}

MacPoint TShapeSketchTracker::OutlineCorner(const MacPoint& press, const MacPoint& mouse) const {
  if (body_ == nullptr || !body_->HasEqualSides()) return mouse;
  const int32_t dh = mouse.h - press.h;
  const int32_t dv = mouse.v - press.v;
  const int32_t side = std::min(std::abs(dh), std::abs(dv));
  return MacPoint(static_cast<int16_t>(press.h + (dh < 0 ? -side : side)),
                  static_cast<int16_t>(press.v + (dv < 0 ? -side : side)));
}

void TShapeSketchTracker::InvertOutline(const MacPoint& press, const MacPoint& corner) {
  auto* port = dynamic_cast<TFeedbackPort*>(TrackerView());
  if (port == nullptr) return;
  // A picture painted later would cover the outline, and erasing it would then draw it: what
  // is stale (the sketched shape itself) is painted before the outline is drawn.
  if (!outlineShown_) port->UpdateBeforeFeedback();
  HDC dc = port->BeginFeedbackDrawing();
  if (dc == nullptr) return;
  PortResetPen();
  PortSetPenMode(R2_NOTXORPEN);
  body_->DrawSketchFeedback(press, corner);
  PortResetPen();
  port->EndFeedbackDrawing(dc);
  outlineShown_ = !outlineShown_;
  outlinePress_ = press;
  outlineCorner_ = corner;
}

void TShapeSketchTracker::EraseOutline() {
  if (outlineShown_) InvertOutline(outlinePress_, outlineCorner_);
}

std::unique_ptr<TShapeSketchTracker> CreateSketchTracker(int16_t commandNumber, TTrackerView* view,
                                                         TActionContext* world,
                                                         std::unique_ptr<TObjectReader> placed,
                                                         TBasicMass& body) {
  auto tracker = std::make_unique<TShapeSketchTracker>();
  tracker->InitSketch(commandNumber, view, world, std::move(placed), &body);
  return tracker;
}

// ---------------------------------------------------------------------------------------------
// TBodyResizeTracker

TBodyResizeTracker::TBodyResizeTracker() = default;
TBodyResizeTracker::~TBodyResizeTracker() = default;

void TBodyResizeTracker::InitBodyResize(TTrackerView* view, TActionContext* world, TMass* body,
                                        int32_t handle) {
  if (body == nullptr) ThrowFailure(kErrNoObject, 0);
  InitHandle(view, world, body, handle);
  body_ = body;
  const TDoubleRect& b = body->LocalBounds();
  // The corner opposite the grabbed one.
  switch (handle) {
    case 0:
      fixedCorner_ = TVector(b.right, b.bottom);
      break;
    case 1:
      fixedCorner_ = TVector(b.left, b.bottom);
      break;
    case 2:
      fixedCorner_ = TVector(b.right, b.top);
      break;
    default:
      fixedCorner_ = TVector(b.left, b.top);
      break;
  }
  body->LocalToWorld(fixedCorner_);
  attachments_ = std::make_unique<TAttachmentPositions>(*body);
}

bool TBodyResizeTracker::UsesHotPoints() const {
  return HasTrackingSnapper(GetContext());
}

void TBodyResizeTracker::ConstrainWorldPoint(const TVector&, const TVector&, TVector& next) {
  onHotPoint_ = SnapToNearHotPoint(*this, body_, next) ? 1 : 0;
}

TCommandCore* TBodyResizeTracker::TrackStep(int16_t phase, const QV_CPoint& anchor,
                                            const QV_CPoint& previous, const QV_CPoint& next,
                                            bool mouseMoved, const TVector& anchorWorld,
                                            const TVector& previousWorld, const TVector& nextWorld,
                                            bool moved) {
  TCommandCore* const result = TTracker487::TrackStep(phase, anchor, previous, next, mouseMoved,
                                                      anchorWorld, previousWorld, nextWorld, moved);
  if (phase == 0) {
    SetAnchorWorld(fixedCorner_);
    BeginApply();
  }
  if (phase == 1 && moved) {
    Apply(fixedCorner_, nextWorld);
    attachments_->Restore();
    MarkChanged();
  }
  if (phase == 2 && HasChanged() != 0) {
    body_->GeometryChanged(1);
    body_->ForEachLinked(1);
  }
  return result;
}

void TBodyResizeTracker::BeforePrepare() {
  TTracker487::BeforePrepare();
  NoteChangeOfAll(AttachedObjects(*body_), TChangeRecorder::kWholeObject);
}

// ---------------------------------------------------------------------------------------------
// TShapeResizeTracker

void TShapeResizeTracker::InitShapeResize(TTrackerView* view, TActionContext* world,
                                          TBasicMass* body, int32_t handle) {
  InitBodyResize(view, world, body, handle);
  shape_ = body;
}

void TShapeResizeTracker::BeginApply() {
  // The drag is measured along the body's own axes from the fixed corner.
  frame_ = Transform2D::FromVector3(FixedCorner().x, FixedCorner().y, shape_->GetRotationValue());
  inverse_ = frame_.Inverse();
}

void TShapeResizeTracker::Apply(const TVector& fixed, const TVector& point) {
  shape_->ResizeFromDrag(fixed, point, inverse_, frame_, IsOnHotPoint() == 0);
}

std::unique_ptr<TShapeResizeTracker> CreateResizeTracker(TTrackerView* view, TActionContext* world,
                                                         TBasicMass& body, int32_t handle) {
  auto tracker = std::make_unique<TShapeResizeTracker>();
  tracker->InitShapeResize(view, world, &body, handle);
  return tracker;
}

void TShapeSketchTracker::AfterWork() {
  TDragTracker::AfterWork();
  if (PlacingWorld() != nullptr) PlacingWorld()->HandOverTrackedObject(body_);
}

bool TShapeSketchTracker::TrackingDone() {
  return TrackingDoneFlag() || !IsMouseButtonDown();
}
