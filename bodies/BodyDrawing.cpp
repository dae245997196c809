// TMass: drawing the body through the port: its outline pen and the shape's own drawing.

#include "bodies/Body.h"
#include "bodies/BodyPicture.h"
#include "bodies/ShapePainting.h"
#include "core/port/Picture.h"

void TMass::DrawShape(const MacRect& area, uint16_t flags) {
  const PortColourSaver saver;
  DrawBody(area, flags);
}

void TMass::DrawShape(const MacRect&, uint16_t, uint16_t, int16_t) {}

void TMass::UseOutlineColour() {
  SetPortForeColor(GetDisplayColour(GetColour()));
}

void TMass::UseFillColour() {
  SetPortForeColor(GetDisplayColour(colour_));
}

int32_t TMass::DrawBody(const MacRect& rect, int32_t flags) {
  const auto mode = static_cast<uint16_t>(flags);
  if ((flags & 1) != 0) {
    DrawShape(rect, mode, 1, 0);
  } else if ((flags & 2) == 0 && picture_ != nullptr) {
    picture_->DrawCarried(rect);
  } else if (penSize_ < 1) {
    DrawShape(rect, mode, 0, 0);
  } else {
    PortSetPenSize(penSize_, penSize_);
    DrawShape(rect, mode, 1, penSize_ != 1 ? static_cast<int16_t>(-(penSize_ >> 1)) : 0);
    PortSetPenSize(1, 1);
  }
  if ((flags & 3) != 0) return 3;
  DrawMarks();
  return 0;
}

void TMass::DrawMarks() {
  const char* mark = nullptr;
  if (showChargeMark_ != 0) {
    if (chargeSign_ == 0)
      mark = "MinusIcon";
    else if (chargeSign_ == 2)
      mark = "PlusIcon";
    else if (showCentreMark_ != 0)
      mark = "COMIcon";
  } else if (showCentreMark_ != 0) {
    mark = "COMIcon";
  }
  if (mark == nullptr) return;
  const MacPoint at = GetCOMScreenPoint();
  DrawIconMasked(GetToolIcon(mark), at.h, at.v);
}

void TMass::HighlightSelection(const MacRect&, int16_t oldState, int16_t newState) {
  if (oldState == newState) return;
  if (picture_ != nullptr) {
    picture_->HighlightCarried(oldState != 0, newState != 0);
    return;
  }
  std::array<MacPoint, 4> corners;
  GetScreenCorners(corners);
  // A square around the first corner, moved from corner to corner; corners that coincide
  // invert nothing, so that no square is inverted back.
  MacRect square(static_cast<int16_t>(corners[0].h - 2), static_cast<int16_t>(corners[0].v - 2),
                 static_cast<int16_t>(corners[0].h + 3), static_cast<int16_t>(corners[0].v + 3));
  InvertRect(square);
  for (size_t i = 1; i < corners.size(); ++i) {
    const int16_t dh = static_cast<int16_t>(corners[i].h - corners[i - 1].h);
    const int16_t dv = static_cast<int16_t>(corners[i].v - corners[i - 1].v);
    if (dh == 0 && dv == 0) continue;
    square.Offset(dh, dv);
    InvertRect(square);
  }
}

void TMass::DrawConnectionLine(const MacPoint& from, const TVector& local, uint16_t outside) {
  if (outside == 0) return;
  const MacPoint to = BodyToScreenPoint(ConnectionTarget(local));
  SetDashedPen(true);
  PortMoveTo(from.h, from.v);
  PortLineTo(to.h - from.h, to.v - from.v);
  SetDashedPen(false);
}
