#include "views/trackers/VectorCommands.h"

#include <memory>

#include "bodies/vectors/VectorArrows.h"
#include "bodies/vectors/VectorThing.h"
#include "core/Failure.h"
#include "model/filing/ChangeRecorder.h"

namespace {

int16_t GroupOfKind(int16_t kind) {
  if (kind == 0) return kVectorGroupVelocity;
  if (kind == 1) return kVectorGroupAcceleration;
  return kVectorGroupForce;
}

}  // namespace

void TVectorCommand::InitVector(int16_t commandNumber, TTrackerView* view,
                                TActionContext* context, TVectorThing* thing, int16_t kind) {
  thing_ = nullptr;
  handler_ = nullptr;
  if (thing == nullptr) ThrowFailure(-108, 0);
  thing->AttachVectorHandler();
  TGlobalVectorHandler* handler = thing->GetVectorHandler();
  if (handler == nullptr) ThrowFailure(-108, 0);
  InitDrag(commandNumber, view, context);
  SetRedrawWhenChanged(1);
  SetRedrawWhenMoved(0);
  SetFixedView(0);
  SetCursorResource(TCommandBase::kDefaultCursor);
  SetHitObject(thing);
  thing_ = thing;
  handler_ = handler;
  kind_ = kind;
  MacPoint screen;
  thing->GetVectorAnchor(screen, anchorWorld_);
}

void TVectorCommand::BeforePrepare() {
  TSelectionDragTracker::BeforePrepare();
  NoteChange(thing_, TChangeRecorder::kWholeObject);
}

void TVectorCommand::StoreOffset(const TVector& offset) {
  thing_->DragVector(kind_, handler_->OffsetToValue(GroupOfKind(kind_), offset));
  thing_->ForEachLinked(1);
  MarkChanged();
}

void TVectorCommand835::InitVectorCommand(TTrackerView* view, TActionContext* context,
                                          TVectorThing* thing, int16_t kind) {
  InitVector(kCmdDragWholeVector, view, context, thing, kind);
}

TCommandCore* TVectorCommand835::TrackStep(int16_t phase, const QV_CPoint& anchor,
                                           const QV_CPoint& previous, const QV_CPoint& next,
                                           bool mouseMoved, const TVector& anchorWorld,
                                           const TVector& previousWorld, const TVector& nextWorld,
                                           bool moved) {
  TCommandCore* const result = TVectorCommand::TrackStep(
      phase, anchor, previous, next, mouseMoved, anchorWorld, previousWorld, nextWorld, moved);
  if (phase == 0) {
    // The drag runs from the body's point, wherever on the mark the press was.
    SetAnchorWorld(AnchorWorld());
    Thing()->SetVectorShown(Kind(), 1, 1, 0);
    return result;
  }
  const TVector offset = nextWorld - AnchorWorld();
  if (phase == 1 && moved) StoreOffset(offset);
  if (phase == 2) {
    StoreOffset(offset);
    // A vector let go on its own point is switched off.
    if (offset.x == 0.0 && offset.y == 0.0) Thing()->SetVectorShown(Kind(), 0, 1, 0);
  }
  return result;
}

void TVectorCommand836::InitVectorCommand(TTrackerView* view, TActionContext* context,
                                          TVectorThing* thing, int16_t kind, int32_t component) {
  InitVector(kCmdDragVectorPart, view, context, thing, kind);
  if (thing->GetArrow(kind) == nullptr) ThrowFailure(-108, 0);
  TVector value{0.0, 0.0};
  // Only the velocity arrow has a value a drag can start from.
  if (kind != 0 || !thing->GetVectorValue(kind, value)) ThrowFailure(kErrNoVectorValue, 0);
  const double scale = thing->GetVectorHandler()->GetGroupStyle(GroupOfKind(kind)).scale;
  initialOffset_ = TVector{value.x * scale, value.y * scale};
  component_ = component;
}

TCommandCore* TVectorCommand836::TrackStep(int16_t phase, const QV_CPoint& anchor,
                                           const QV_CPoint& previous, const QV_CPoint& next,
                                           bool mouseMoved, const TVector& anchorWorld,
                                           const TVector& previousWorld, const TVector& nextWorld,
                                           bool moved) {
  TCommandCore* const result = TVectorCommand::TrackStep(
      phase, anchor, previous, next, mouseMoved, anchorWorld, previousWorld, nextWorld, moved);
  if (phase == 0) SetAnchorWorld(AnchorWorld());
  if ((phase == 1 && moved) || (phase == 2 && HasChanged() != 0)) {
    // The head not dragged keeps the component it had.
    TVector offset = initialOffset_;
    if (component_ != kVectorComponentY) offset.x = nextWorld.x - AnchorWorld().x;
    if (component_ != kVectorComponentX) offset.y = nextWorld.y - AnchorWorld().y;
    StoreOffset(offset);
  }
  return result;
}

std::unique_ptr<TCommandCore> MakeVectorCommand(TTrackerView* view, TActionContext* context,
                                                TVectorThing* thing, int16_t part) {
  if (part == 1) {
    auto whole = std::make_unique<TVectorCommand835>();
    whole->InitVectorCommand(view, context, thing, 0);
    return whole;
  }
  int32_t component = kVectorComponentBoth;
  if (part == 3) component = kVectorComponentX;
  else if (part == 4) component = kVectorComponentY;
  else if (part != 2) return nullptr;
  auto head = std::make_unique<TVectorCommand836>();
  head->InitVectorCommand(view, context, thing, 0, component);
  return head;
}
