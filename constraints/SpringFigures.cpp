// The figures of the linear springs and dampers, in the frame of the segment between their ends
// (x from 0 at the first end to 1 at the second, y across in units of the constraint's size);
// the closing line to the second end is the segment walk's.

#include <initializer_list>
#include <vector>

#include "constraints/Springs.h"

namespace {

using Frame = TConstraint::DrawingFrame;

// One line of a figure: to a frame point, drawn or only moved to.
struct Step {
  double x, y;
  bool down;
  bool corner = false;
};

void DrawSteps(const Frame& frame, uint16_t mode, std::initializer_list<Step> steps) {
  for (const Step& step : steps)
    TConstraint::DrawFrameLine(frame, step.x, step.y, step.down, step.corner, mode);
}

// The coil: a half stroke up, then five full strokes, alternately down and up.
std::vector<TVector> CoilStrokes() {
  std::vector<TVector> strokes{TVector(0.0625, 0.4)};
  for (int i = 0; i < 5; ++i) strokes.emplace_back(0.125, i % 2 == 0 ? -0.8 : 0.8);
  return strokes;
}

}  // namespace

void TLSpring::DrawFigure(const DrawingFrame& frame, uint16_t mode) {
  DrawSteps(frame, mode, {{0.125, 0.0, true}});
  DrawStrokes(frame, 0.125, 0.0, CoilStrokes(), mode);
  DrawSteps(frame, mode, {{0.875, 0.0, true}});
}

void TLDamper::DrawFigure(const DrawingFrame& frame, uint16_t mode) {
  DrawSteps(frame, mode,
       {{0.4, 0.0, true},
        {0.6, 0.7, false}, {0.4, 0.7, true, true}, {0.4, -0.7, true, true},
        {0.6, -0.7, true, true},
        {0.5, 0.4, false}, {0.5, -0.4, true, true},
        {0.5, 0.0, false}});
}

void TLDampSpring::DrawFigure(const DrawingFrame& frame, uint16_t mode) {
  DrawSteps(frame, mode,
       {{0.1, 0.0, true},
        // The bars at both ends of the pair.
        {0.1, 0.7, false}, {0.1, -0.7, true, true},
        {0.9, 0.7, false}, {0.9, -0.7, true, true},
        // The damper on the upper rail.
        {0.1, 0.7, false}, {0.4, 0.7, true},
        {0.6, 1.4, false}, {0.4, 1.4, true, true}, {0.4, 0.0, true, true}, {0.6, 0.0, true, true},
        {0.5, 1.1, false}, {0.5, 0.3, true, true},
        {0.5, 0.7, false}, {0.9, 0.7, true},
        // The coil on the lower rail.
        {0.1, -0.7, false}, {0.125, -0.7, true}});
  DrawStrokes(frame, 0.125, -0.7, CoilStrokes(), mode);
  DrawSteps(frame, mode, {{0.875, -0.7, true}, {0.9, -0.7, true}, {0.9, 0.0, false}});
}
