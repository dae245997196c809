#pragma once
// TRotateTracker (485): turns the selection about a centre as the mouse goes round it. Each
// step places every object at its start turned by the angle between the press direction and
// the mouse direction, so coming back to the start direction restores the start exactly. The
// view shows the angle; a line from the centre to the mouse can be drawn with an inverting pen.

#include <cstdint>

#include "core/geometry/Vector.h"
#include "views/trackers/MoveTrackers.h"

inline constexpr int16_t kCmdRotate = 2003;
// The feedback style while rotating.
inline constexpr int16_t kRotateFeedbackStyle = 2;
// A screen point that is no point: the centre line is not shown.
inline constexpr int16_t kNoScreenPoint = -28928;

// The centre of rotation when no centre object is given.
TVector& DefaultRotationCentre();

class TRotateTracker : public TTracker482 {
  DECLARE_CLASS_ID(485, TTracker482)

 public:
  void InitRotate(TTrackerView* view, TActionContext* world);
  // The centre is the default one without a centre object, else the object's rotation centre
  // (the object is noted for undo); then the hit object is set.
  void SetCentre(TLink* hit, TLink* centreObject, const TVector& objectCentre);
  const TVector& Centre() const { return centre_; }
  double Angle() const { return angle_; }

  // The readout: the angle so far, and 0.
  void Difference(TVector& out, const TVector& a, const TVector& b) const override;
  bool FeedbackStyle(int16_t phase, int16_t& style, int16_t& flag) override;
  void SelectHitObject() override;
  // Draws the rotation-centre icon at the centre.
  void DrawFeedback() override;
  TCommandCore* TrackStep(int16_t phase, const QV_CPoint& anchor, const QV_CPoint& previous,
                          const QV_CPoint& next, bool mouseMoved, const TVector& anchorWorld,
                          const TVector& previousWorld, const TVector& nextWorld,
                          bool moved) override;
  // Shows the line from the centre to the screen point, erasing the last one; with show false
  // only erases.
  void CentreLine(bool show, const MacPoint& point);
  bool CentreLineShown() const { return !(lineCentre_ == lineEnd_); }
  // The view drew its own pixels again inside the rectangle, over the shown line there: the
  // line is drawn again inside it, so that it stays whole and the next erasure takes it all.
  void RestoreCentreLineIn(const MacRect& rect);

 private:
  void Turn(const TVector& anchorWorld, const TVector& nextWorld);

  TVector centre_;
  double angle_ = 0.0;
  MacPoint lineCentre_{kNoScreenPoint, kNoScreenPoint};
  MacPoint lineEnd_{kNoScreenPoint, kNoScreenPoint};
};
