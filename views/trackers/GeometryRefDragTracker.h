#pragma once
// Dragging with a reference object: the constraint tied to the reference (a point's first acting
// constraint, or the constraint itself when it acts) lets go while the linkage is dragged: its
// active flag is set, so it holds nothing and the drag may change what it holds. It acts again
// when the drag ends, also when the tracker is given up before its release.

#include "views/trackers/GeometryDragTracker.h"

class TCnstr;

class TGeometryRefDragTracker : public TGeometryDragTracker {
  DECLARE_CLASS_ID(635, TGeometryDragTracker)

 public:
  static constexpr int16_t kReferenceFeedbackStyle = 2;
  ~TGeometryRefDragTracker() override;

  // Clears the reference object first; fails as the base does.
  void InitGeometryRefDrag(int16_t commandNumber, TTrackerView* view, TActionContext* world);
  void SetReferenceObject(TLink* object) { reference_ = object; }
  TLink* ReferenceObject() const { return reference_; }

  // Lets go of the reference's constraint, then starts the drag as the base does.
  void StartDrag(const TVector& point, TLink* object) override;
  TCommandCore* TrackStep(int16_t phase, const QV_CPoint& anchor, const QV_CPoint& previous,
                          const QV_CPoint& next, bool mouseMoved, const TVector& anchorWorld,
                          const TVector& previousWorld, const TVector& nextWorld,
                          bool moved) override;

  // While moving, the readout's style is 2.
  bool FeedbackStyle(int16_t phase, int16_t& style, int16_t& flag) override;

  // The constraint let go for this drag, null when none.
  TCnstr* SwitchedOff() const { return switchedOff_; }

 private:
  void SwitchBackOn();

  TLink* reference_ = nullptr;
  TCnstr* switchedOff_ = nullptr;
};
