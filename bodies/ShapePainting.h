#pragma once
// Painting of the shapes' outlines and fills on the current port: ovals by their screen
// rectangle, polygons by their record, fills by a body's pattern number (11 to 34).

#include <cstdint>

#include "core/MacTypes.h"
#include "core/port/Port.h"

struct PolygonRec;

void PaintOvalPattern(const MacRect& rect, int16_t patternNumber);
void FrameOval(const MacRect& rect);
void PaintPolygonPattern(const PolygonRec& polygon, int16_t patternNumber);
void FramePolygon(const PolygonRec& polygon);
void InvertRect(const MacRect& rect);
void FrameRect(const MacRect& rect);
// The pen draws dashed lines, or solid ones again.
void SetDashedPen(bool dashed);

// Restores the port's pen and fill colours and its pen size when drawing leaves the scope, also
// on a failure.
class PortColourSaver {
 public:
  PortColourSaver();
  ~PortColourSaver();
  PortColourSaver(const PortColourSaver&) = delete;
  PortColourSaver& operator=(const PortColourSaver&) = delete;

 private:
  RGB16Color fore_{0, 0, 0};
  RGB16Color back_{0, 0, 0};
  PenState pen_{};
};
