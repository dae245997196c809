#include "views/trackers/SelectionTrackers.h"

#include <algorithm>

#include "core/Failure.h"
#include "platform/win32/WindowMessages.h"
#include "views/trackers/FeedbackPen.h"
#include "views/trackers/TrackerWorld.h"

namespace {

TTrackerWorld* WorldOf(TActionContext* context) {
  auto* world = dynamic_cast<TTrackerWorld*>(context);
  if (world == nullptr) ThrowFailure(-108, 0);
  return world;
}

TFeedbackPort* PortOf(TTrackerView* view) { return dynamic_cast<TFeedbackPort*>(view); }

bool Contains(const std::vector<TLink*>& list, const TLink* object) {
  return std::find(list.begin(), list.end(), object) != list.end();
}

}  // namespace

// ---- Rubber band -------------------------------------------------------------------------------

void TRubberBandTracker::InitRubberBand(TTrackerView* view, TActionContext* world) {
  InitTracker(kCmdSelectTracking, view, world, 0, 0);
  world_ = WorldOf(world);
  SetCausesChange(0);
  SetFixedView(1);
  inside_.clear();
  selectedAtPress_.clear();
  framed_ = false;
  SetFeedbackPending(1);
  SetFeedbackArmed(1);
}

TCommandCore* TRubberBandTracker::TrackStep(int16_t phase, const QV_CPoint& anchor,
                                            const QV_CPoint&, const QV_CPoint& next,
                                            bool mouseMoved, const TVector&, const TVector&,
                                            const TVector&, bool moved) {
  try {
    if (phase == 0) Press(anchor);
    if (phase == 1 && (mouseMoved || moved)) Move(anchor, next, mouseMoved, moved);
    if (phase == 2) Release(anchor);
  } catch (...) {
    // A failed gesture leaves neither the frame nor the pacing timer behind.
    if (pacing_) world_->StopPacing();
    pacing_ = false;
    EraseFrame(anchor);
    throw;
  }
  return this;
}

void TRubberBandTracker::Press(const QV_CPoint& anchor) {
  inside_.clear();
  selectedAtPress_.clear();
  if (ShiftKey() == 0) {
    world_->DeselectAll();
  } else {
    for (TLink* object : world_->ScreenPositionedObjects())
      if (world_->IsSelected(object)) selectedAtPress_.push_back(object);
    for (TLink* object : world_->WorldPositionedObjects())
      if (world_->IsSelected(object)) selectedAtPress_.push_back(object);
  }
  world_->StartPacing(kPacingTicks);
  pacing_ = true;
  TFeedbackPen pen(PortOf(TrackerView()), TFeedbackPen::kDashed);
  pen.FrameBetween(anchor, anchor);
  framed_ = true;
  framedAt_ = anchor;
}

void TRubberBandTracker::GatherInside(const MacRect& rect, bool screenPositioned,
                                      bool worldPositioned) {
  if (screenPositioned) {
    for (TLink* object : world_->ScreenPositionedObjects())
      if (world_->LiesInRect(object, rect)) inside_.push_back(object);
  }
  if (worldPositioned) {
    for (TLink* object : world_->WorldPositionedObjects())
      if (world_->LiesInRect(object, rect)) inside_.push_back(object);
  }
}

void TRubberBandTracker::Move(const QV_CPoint& anchor, const QV_CPoint& next, bool mouseMoved,
                              bool moved) {
  const MacRect rect = RectBetween(anchor, next);
  const bool gadgets = world_->GadgetSelectionOn();
  // The band lies in the view: when its corner moved, the world's objects are judged again
  // even where the world point, snapped to the grid, stayed on its step.
  moved = moved || mouseMoved;
  if (mouseMoved && gadgets && moved) {
    inside_.clear();
    GatherInside(rect, true, true);
  } else if (moved) {
    std::erase_if(inside_, [this](TLink* o) { return world_->IsWorldPositioned(o); });
    GatherInside(rect, false, true);
  } else if (mouseMoved && gadgets) {
    std::erase_if(inside_, [this](TLink* o) { return world_->IsScreenPositioned(o); });
    GatherInside(rect, true, false);
  }
  if (moved || (gadgets && mouseMoved)) ApplySelection();
  if (!mouseMoved) return;
  TFeedbackPen pen(PortOf(TrackerView()), TFeedbackPen::kDashed);
  if (framed_) pen.FrameBetween(anchor, framedAt_);
  pen.FrameBetween(anchor, next);
  framed_ = true;
  framedAt_ = next;
}

void TRubberBandTracker::ApplySelection() {
  if (ShiftKey() == 0) {
    world_->SelectObjects(inside_, false);
    return;
  }
  // Shift turns over the selected state of what the band covers now, against the selection at
  // the press: an object the band has left is as it was before the gesture.
  std::vector<TLink*> result;
  for (TLink* object : selectedAtPress_)
    if (!Contains(inside_, object)) result.push_back(object);
  for (TLink* object : inside_)
    if (!Contains(selectedAtPress_, object)) result.push_back(object);
  world_->SelectObjects(result, false);
}

void TRubberBandTracker::EraseFrame(const QV_CPoint& anchor) {
  if (!framed_) return;
  TFeedbackPen pen(PortOf(TrackerView()), TFeedbackPen::kDashed);
  pen.FrameBetween(anchor, framedAt_);
  framed_ = false;
}

void TRubberBandTracker::Release(const QV_CPoint& anchor) {
  EraseFrame(anchor);
  if (pacing_) world_->StopPacing();
  pacing_ = false;
  world_->RefreshSelectionDisplay();
}

// ---- Press on an object ------------------------------------------------------------------------

void TTracker480::InitObjectTracker(int16_t commandNumber, TTrackerView* view,
                                    TActionContext* world, uint16_t canUndo, int32_t kind) {
  hit_ = nullptr;
  world_ = WorldOf(world);
  InitTracker(commandNumber, view, world, canUndo, kind);
  SetCausesChange(0);
  doubleClick_ = 0;
  selectOnPress_ = 1;
}

void TTracker480::HandleEvent(TEventRecord& event) {
  doubleClick_ = event.message == WM_LBUTTONDBLCLK ? 1 : 0;
  TCommandBase::HandleEvent(event);
  SelectHitObject();
}

void TTracker480::SelectHitObject() {
  if (selectOnPress_ == 0) return;
  world_->CheckLowSpace();
  if (hit_ == nullptr || !world_->IsSelected(hit_)) {
    if (ShiftKey() == 0) world_->DeselectAll();
    if (hit_ != nullptr) world_->SelectObject(hit_);
    return;
  }
  if (ShiftKey() != 0 && doubleClick_ == 0) world_->DeselectObject(hit_);
}

void TTracker480::OpenHitObject(const MacPoint& at) {
  TLink* const opened = hit_ != nullptr ? world_->ObjectOpenedAt(hit_, at) : nullptr;
  const int16_t dialog = opened != nullptr ? world_->PropertiesDialogNumber(opened) : 0;
  const bool plainClick = CommandKey() == 0 && ControlKey() == 0;
  if (dialog != 0 && plainClick && !world_->RefusesEditing()) {
    world_->DeselectAll();
    world_->SelectObject(opened);
    world_->QueuePropertiesDialog(dialog, opened);
    return;
  }
  // The object that stands for the hit one is what the Properties window shows.
  if (opened != hit_ && plainClick) {
    world_->DeselectAll();
    world_->SelectObject(opened);
  }
  world_->SendToCurrentTarget(kCmdOpenSelection);
}

TCommandCore* TTracker480::TrackStep(int16_t phase, const QV_CPoint& anchor, const QV_CPoint&,
                                     const QV_CPoint&, bool, const TVector&, const TVector&,
                                     const TVector&, bool) {
  if (phase == 0 && doubleClick_ != 0) OpenHitObject(anchor);
  return this;
}
