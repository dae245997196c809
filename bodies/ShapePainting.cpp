// Painting of shapes through the port's pattern fills and frames.

#include "bodies/ShapePainting.h"

#include <cstring>

#include "core/port/PortRegion.h"
#include "core/port/PortShapes.h"

namespace {

// A body's pattern numbers start at 11 with the port's pattern 0 (solid).
constexpr int16_t kFirstBodyPattern = 11;

int16_t PortPattern(int16_t patternNumber) {
  return static_cast<int16_t>(patternNumber - kFirstBodyPattern);
}

}  // namespace

// The fills take the pattern brushes alone (the plain fills read small numbers as stock brushes);
// their outline is in the fill colour and the frame drawn after covers it.
void PaintOvalPattern(const MacRect& rect, int16_t patternNumber) {
  PortFillOvalWithPatternOutlined(rect, PortPattern(patternNumber));
}

void FrameOval(const MacRect& rect) {
  PortFrameOval(rect);
}

void PaintPolygonPattern(const PolygonRec& polygon, int16_t patternNumber) {
  PortFillPolygonPatternOutlined(&polygon, PortPattern(patternNumber));
}

void FramePolygon(const PolygonRec& polygon) {
  PortFramePolygon(&polygon);
}

PortColourSaver::PortColourSaver() {
  GetPortForeColor(fore_);
  GetPortBackColor(back_);
  PortGetPenState(pen_);
}

PortColourSaver::~PortColourSaver() {
  SetPortForeColor(fore_);
  SetPortBackColor(back_);
  PortSetPenState(pen_);
}

void FrameRect(const MacRect& rect) {
  PortFrameRect(rect);
}

void InvertRect(const MacRect& rect) {
  PortInvertRect(rect);
}

void SetDashedPen(bool dashed) {
  // The pen's style is the pattern's first 16-bit word: 0 solid, 1 dashed.
  const int16_t style = dashed ? 1 : 0;
  uint8_t pattern[8] = {};
  std::memcpy(pattern, &style, sizeof style);
  PortSetPenPattern(pattern);
}
