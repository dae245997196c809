#include "views/trackers/ResizeTrackers.h"

#include "core/Failure.h"
#include "model/filing/ChangeRecorder.h"
#include "views/trackers/TrackerWorld.h"

void TResizeTracker::InitResize(TTrackerView* view, TActionContext* world, TLink* gadget,
                                int32_t corner) {
  ownedGadget_.reset();
  gadget_ = dynamic_cast<TResizableGadget*>(gadget);
  Init(view, world, gadget, corner);
}

void TResizeTracker::InitResize(TTrackerView* view, TActionContext* world, TLink* gadget,
                                std::unique_ptr<TResizableGadget> resizing, int32_t corner) {
  ownedGadget_ = std::move(resizing);
  gadget_ = ownedGadget_.get();
  Init(view, world, gadget, corner);
}

void TResizeTracker::Init(TTrackerView* view, TActionContext* world, TLink* gadget,
                          int32_t corner) {
  if (gadget_ == nullptr || gadget == nullptr) ThrowFailure(-108, 0);
  InitDrag(kCmdResize, view, world);
  gadgetLink_ = gadget;
  startWidth_ = gadget_->GadgetWidth();
  startHeight_ = gadget_->GadgetHeight();
  corner_ = corner;
  SetHitObject(gadget);
  SetRedrawWhenMoved(1);
  SetCursorResource(TCommandBase::kDefaultCursor);
}

void TResizeTracker::BeforePrepare() {
  gadget_->PrepareResize();
  NoteChangeOfAll({gadgetLink_}, TChangeRecorder::kWholeObject);
}

TCommandCore* TResizeTracker::TrackStep(int16_t phase, const QV_CPoint& anchor,
                                        const QV_CPoint& previous, const QV_CPoint& next,
                                        bool mouseMoved, const TVector& anchorWorld,
                                        const TVector& previousWorld, const TVector& nextWorld,
                                        bool moved) {
  if (phase == 1 && HasBegun() != 0 && mouseMoved) {
    auto dh = static_cast<int16_t>(next.h - anchor.h);
    auto dv = static_cast<int16_t>(next.v - anchor.v);
    // The corner's own edges move with the mouse; the others stay.
    if (corner_ == 0 || corner_ == 2) dh = static_cast<int16_t>(-dh);
    if (corner_ == 0 || corner_ == 1) dv = static_cast<int16_t>(-dv);
    gadget_->EraseGadget();
    gadget_->SetSizeAtCorner(static_cast<int16_t>(startWidth_ + dh),
                             static_cast<int16_t>(startHeight_ + dv), corner_);
    MarkChanged();
    gadget_->DrawGadget();
  }
  return TSelectionDragTracker::TrackStep(phase, anchor, previous, next, mouseMoved,
                                          anchorWorld, previousWorld, nextWorld, moved);
}

void TTracker487::InitHandle(TTrackerView* view, TActionContext* world, TLink* object,
                             int32_t option) {
  InitDrag(kCmdResize, view, world);
  object_ = object;
  const auto* bounded = dynamic_cast<const THandleObject*>(object);
  bounds_ = bounded != nullptr ? bounded->TrackingBounds() : std::array<int32_t, 4>{};
  SetRedrawWhenChanged(1);
  SetRedrawWhenMoved(0);
  SetFixedView(0);
  SetCursorResource(TCommandBase::kDefaultCursor);
  option_ = option;
  SetHitObject(object);
}

void TTracker487::BeforePrepare() {
  TSelectionDragTracker::BeforePrepare();
  std::vector<TLink*> noted = TrackerWorld()->SelectedObjects();
  if (object_ != nullptr) noted.push_back(object_);
  NoteChangeOfAll(noted, TChangeRecorder::kWholeObject);
}
