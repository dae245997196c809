// The tracker that places a new block of text on the world window.
#include "inout/gadgets/TextPlaceTracker.h"

#include "core/MouseButton.h"
#include "inout/gadgets/TextGadget.h"
#include "model/world/WorldEditCheck.h"
#include "model/world/WorldDoc.h"
#include "views/trackers/LiveUpdate.h"
#include "views/world/MainWorldView.h"
#include "views/world/WorldWindow.h"

namespace {

// The press lies this far right of the frame's left edge and below its top, over the baseline.
constexpr int16_t kPressInset = 4;
constexpr int16_t kPressDrop = 2;

}  // namespace

TTextPlaceTracker::~TTextPlaceTracker() {
  if (liveUpdateCleared_) SetLiveUpdate(1);
}

void TTextPlaceTracker::InitTextPlaceTracker(int16_t tool, TTrackerView* view,
                                             TActionContext* world,
                                             std::unique_ptr<TObjectReader> placed,
                                             TTextGadget& text) {
  InitDragTracker(tool, view, world, 1, 0, std::move(placed), &text);
  text_ = &text;
}

TCommandCore* TTextPlaceTracker::TrackStep(int16_t phase, const QV_CPoint& anchor,
                                           const QV_CPoint& previous, const QV_CPoint& next,
                                           bool mouseMoved, const TVector& anchorWorld,
                                           const TVector& previousWorld, const TVector& nextWorld,
                                           bool moved) {
  TCommandCore* const result = TDragTracker::TrackStep(
      phase, anchor, previous, next, mouseMoved, anchorWorld, previousWorld, nextWorld, moved);
  if (text_ == nullptr) return result;
  if (phase == 0) {
    // No live updates while the text is dragged into place.
    SetLiveUpdate(0);
    liveUpdateCleared_ = true;
    text_->TextStyleChanged();
    start_ = MacPoint(static_cast<int16_t>(anchor.h - kPressInset),
                      static_cast<int16_t>(anchor.v - kPressDrop - text_->GetAscent()));
    const MacPoint at = text_->GetPosition();
    text_->MoveBy(MacPoint(static_cast<int16_t>(start_.h - at.h),
                           static_cast<int16_t>(start_.v - at.v)));
    text_->AdjustSize();
  }
  MacPoint size(TTextGadget::PlacedWidth(start_.h, next.h), 0);
  text_->ConstrainSize(size);
  text_->SetSize(size);
  return result;
}

bool TTextPlaceTracker::TrackingDone() {
  return TrackingDoneFlag() || !IsMouseButtonDown();
}

void TTextPlaceTracker::AfterWork() {
  TDragTracker::AfterWork();
  SetLiveUpdate(1);
  liveUpdateCleared_ = false;
  TWorldDoc* world = text_ != nullptr ? WorldOf(*text_) : nullptr;
  auto* window = world != nullptr ? dynamic_cast<TWorldWindow*>(world->GetDisplay()) : nullptr;
  if (window == nullptr || window->MainView() == nullptr) return;
  if (world->FindObject(text_->GetIdentifier()) != text_) return;
  window->MainView()->BeginGadgetTextEdit(text_);
}

std::unique_ptr<TCommandCore> MakeTextPlaceTracker(int16_t tool, TTrackerView* view,
                                                   TActionContext* world,
                                                   std::unique_ptr<TObjectReader>& placed,
                                                   TLink& object) {
  if (!object.IsMemberClass(TTextGadget::kClassID)) return nullptr;
  auto tracker = std::make_unique<TTextPlaceTracker>();
  tracker->InitTextPlaceTracker(tool, view, world, std::move(placed),
                                static_cast<TTextGadget&>(object));
  return tracker;
}
