#include "views/trackers/RotateTracker.h"

#include <cmath>

#include "core/Resources.h"
#include "core/geometry/Transform2D.h"
#include "platform/win32/Icon.h"
#include "views/trackers/FeedbackPen.h"
#include "views/trackers/TrackerWorld.h"

TVector& DefaultRotationCentre() {
  static TVector centre;
  return centre;
}

namespace {

void DrawCentreFigure(TFeedbackPen& pen, const MacPoint& centre, const MacPoint& end) {
  pen.Ellipse(MacPoint(centre.h - 5, centre.v - 5), MacPoint(centre.h + 6, centre.v + 6));
  pen.Line(centre, end);
}

}  // namespace

void TRotateTracker::InitRotate(TTrackerView* view, TActionContext* world) {
  angle_ = 0.0;
  lineCentre_ = lineEnd_ = MacPoint(kNoScreenPoint, kNoScreenPoint);
  InitWithStarts(kCmdRotate, view, world);
  SetFixedView(0);
  SetRedrawWhenMoved(0);
  SetRedrawWhenChanged(0);
}

void TRotateTracker::SetCentre(TLink* hit, TLink* centreObject, const TVector& objectCentre) {
  if (centreObject == nullptr) {
    centre_ = DefaultRotationCentre();
  } else {
    NoteChange(centreObject, -2);
    centre_ = objectCentre;
  }
  SetHitObject(hit);
}

void TRotateTracker::Difference(TVector& out, const TVector&, const TVector&) const {
  out = TVector(angle_, 0.0);
}

bool TRotateTracker::FeedbackStyle(int16_t phase, int16_t& style, int16_t& flag) {
  if (phase != 1) return false;
  style = kRotateFeedbackStyle;
  flag = 1;
  return true;
}

void TRotateTracker::SelectHitObject() {
  if (HitObject() != nullptr) TTracker482::SelectHitObject();
}

TCommandCore* TRotateTracker::TrackStep(int16_t phase, const QV_CPoint& anchor,
                                        const QV_CPoint& previous, const QV_CPoint& next,
                                        bool mouseMoved, const TVector& anchorWorld,
                                        const TVector& previousWorld, const TVector& nextWorld,
                                        bool moved) {
  TTracker482::TrackStep(phase, anchor, previous, next, mouseMoved, anchorWorld, previousWorld,
                         nextWorld, moved);
  if (phase == 1 && HasBegun() != 0 && mouseMoved) Turn(anchorWorld, nextWorld);
  if (phase == 2 && HitObject() == nullptr && HasBegun() == 0 && ShiftKey() == 0)
    TrackerWorld()->DeselectAll();
  return this;
}

void TRotateTracker::Turn(const TVector& anchorWorld, const TVector& nextWorld) {
  if (nextWorld == centre_) return;
  if (anchorWorld == centre_) {
    // Pressed on the centre: the turn starts from the first point off it.
    SetAnchorWorld(nextWorld);
    return;
  }
  if (anchorWorld == nextWorld) return;
  const double a = std::atan2(nextWorld.y - centre_.y, nextWorld.x - centre_.x) -
                   std::atan2(anchorWorld.y - centre_.y, anchorWorld.x - centre_.x);
  angle_ = a;
  Transform2D turn;
  if (a != 0.0) {
    turn.Rotate(a);
    const TVector moved = Transform2D::ApplyToVector(turn, centre_);
    turn.tx = centre_.x - moved.x;
    turn.ty = centre_.y - moved.y;
  }
  TTrackerWorld* world = TrackerWorld();
  for (TLink* object : world->SelectedObjects()) {
    const TVector3* start = StartOf(object);
    if (start == nullptr) continue;
    TVector3 placed = *start;
    if (a != 0.0) {
      if (start->x == centre_.x && start->y == centre_.y) {
        placed.r = start->r + a;
      } else {
        const TVector turned = Transform2D::ApplyToVector(turn, TVector(start->x, start->y));
        placed = TVector3(turned.x, turned.y, start->r + a);
      }
    }
    world->PlaceObject(object, placed);
    MarkChanged();
  }
  SetFeedbackPending(1);
  SetMovedFlag(1);
}

void TRotateTracker::DrawFeedback() {
  auto* port = dynamic_cast<TFeedbackPort*>(TrackerView());
  if (port == nullptr) return;
  HICON icon = LoadIcon(static_cast<HINSTANCE>(GetResourceModule1()), "RotationCentreIcon");
  if (icon == nullptr) return;
  HDC dc = port->BeginFeedbackDrawing();
  if (dc == nullptr) return;
  MacPoint centre;
  WorldToScreen(centre_, centre);
  // The icon at its own size (the program's 32 pixels, the figure in the middle), its middle on
  // the centre.
  DrawIconEx(dc, centre.h - 16, centre.v - 16, icon, 0, 0, 0, nullptr, DI_NORMAL);
  port->EndFeedbackDrawing(dc);
}

void TRotateTracker::RestoreCentreLineIn(const MacRect& rect) {
  if (!CentreLineShown()) return;
  TFeedbackPen pen(dynamic_cast<TFeedbackPort*>(TrackerView()), TFeedbackPen::kSolid);
  pen.ClipTo(rect);
  DrawCentreFigure(pen, lineCentre_, lineEnd_);
}

void TRotateTracker::CentreLine(bool show, const MacPoint& point) {
  TFeedbackPen pen(dynamic_cast<TFeedbackPort*>(TrackerView()), TFeedbackPen::kSolid);
  if (!(lineCentre_ == lineEnd_)) DrawCentreFigure(pen, lineCentre_, lineEnd_);
  if (!show) {
    lineCentre_ = lineEnd_ = MacPoint(kNoScreenPoint, kNoScreenPoint);
    return;
  }
  MacPoint centre;
  WorldToScreen(centre_, centre);
  if (!(centre == point)) DrawCentreFigure(pen, centre, point);
  lineCentre_ = centre;
  lineEnd_ = point;
}
