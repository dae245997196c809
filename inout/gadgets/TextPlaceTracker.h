#pragma once
// Placing a new block of text on the world window: the press puts the text's first line where
// the pointer is, the drag gives its width (never below 100 pixels), and once placed the text is
// typed into at once. A text left empty goes again.

#include <cstdint>
#include <memory>

#include "views/trackers/DragTracker.h"

class TCommandCore;
class TTextGadget;

class TTextPlaceTracker : public TDragTracker {
 public:
  // A drag given up leaves the live-update flag set again.
  ~TTextPlaceTracker() override;
  // Places the text gadget the reader holds (the text tool's new object).
  void InitTextPlaceTracker(int16_t tool, TTrackerView* view, TActionContext* world,
                            std::unique_ptr<TObjectReader> placed, TTextGadget& text);
  TCommandCore* TrackStep(int16_t phase, const QV_CPoint& anchor, const QV_CPoint& previous,
                          const QV_CPoint& next, bool mouseMoved, const TVector& anchorWorld,
                          const TVector& previousWorld, const TVector& nextWorld,
                          bool moved) override;
  // The gesture ends at the release.
  bool TrackingDone() override;
  // Placed, the text is opened for typing in the world's view.
  void AfterWork() override;

  TTextGadget* Text() const { return text_; }

 private:
  TTextGadget* text_ = nullptr;
  // Where the text's frame starts: left of and above the press by its inset and first line.
  MacPoint start_;
  bool liveUpdateCleared_ = false;
};

// The tracker of the text tool's object, else null.
std::unique_ptr<TCommandCore> MakeTextPlaceTracker(int16_t tool, TTrackerView* view,
                                                   TActionContext* world,
                                                   std::unique_ptr<TObjectReader>& placed,
                                                   TLink& object);
