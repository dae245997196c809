// TMass: drawing the body through the port: its outline pen and the shape's own drawing.

#include "bodies/Body.h"
#include "bodies/ShapePainting.h"

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
  } else if (penSize_ < 1) {
    DrawShape(rect, mode, 0, 0);
  } else {
    PortSetPenSize(penSize_, penSize_);
    DrawShape(rect, mode, 1, penSize_ != 1 ? static_cast<int16_t>(-(penSize_ >> 1)) : 0);
    PortSetPenSize(1, 1);
  }
  // The marks at the centre of mass need their icons, which the resources do not hold yet.
  return 3;
}
