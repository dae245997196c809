// Drawing and hit testing of the arrows of bodies and points. The arrows draw themselves; the
// bases decide which are drawn, where they start and how the port is set up around them.

#include "bodies/Body.h"
#include "bodies/vectors/VectorThing.h"
#include "core/port/Port.h"
#include "core/port/PortText.h"

namespace {

bool& DrawingFeedback() {
  static bool drawing = false;
  return drawing;
}

// Keeps the pen and the back colour across the drawing of arrows, whatever happens inside.
class TVectorPortSaver {
 public:
  TVectorPortSaver() {
    PortGetPenState(pen_);
    GetPortBackColor(back_);
  }
  ~TVectorPortSaver() {
    PortSetPenState(pen_);
    SetPortBackColor(back_);
    SelectSystemFont();
  }
  TVectorPortSaver(const TVectorPortSaver&) = delete;
  TVectorPortSaver& operator=(const TVectorPortSaver&) = delete;
  PenState& Pen() { return pen_; }

 private:
  PenState pen_;
  RGB16Color back_;
};

bool IsZero(const TVector& v) {
  return v.x == 0.0 && v.y == 0.0;
}

}  // namespace

bool TVectorThing::IsDrawingVectorFeedback() {
  return DrawingFeedback();
}

void TVectorThing::Draw(const MacRect& area, uint16_t flags) {
  TThing::Draw(area, flags);
  DrawVectors(area, flags);
}

void TVectorThing::GetVectorAnchor(MacPoint& screen, TVector& world) {
  GetPosition(world);
  WorldToScreen(world, screen);
}

void TVectorThing::VectorPointToScreen(const TVector& world, MacPoint& screen) {
  WorldToScreen(world, screen);
}

void TVectorThing::DrawVectors(const MacRect&, uint16_t drawMode) {
  ResolvePendingArrows();
  if (vectorsSuppressed_ != 0 || arrowCount_ <= 0 || (drawMode & 3) != 0 || IsStateBit1Set() ||
      vectorHandler_ == nullptr)
    return;
  // Before results exist only a body's velocity arrow, its editable initial velocity, is drawn.
  const bool results = world_ != nullptr && world_->ShowsRecordedFrames();
  TVectorPortSaver saver;
  PenState prepared;
  vectorHandler_->PreparePen(prepared);
  MacPoint screen;
  TVector world{0, 0};
  GetVectorAnchor(screen, world);
  for (int16_t i = 0; i < kVectorCount; ++i) {
    TVectorArrow* arrow = GetArrow(i);
    if (arrow == nullptr || shown_[static_cast<size_t>(i)] == 0) continue;
    if (!results && arrow->IsDrawnOnlyWithResults()) continue;
    arrow->Draw(screen, world);
  }
}

void TVectorThing::DrawVectorFeedback(int16_t index) {
  TVectorArrow* arrow = GetArrow(index);
  if (arrow == nullptr) return;
  TVectorPortSaver saver;
  PortSetPenMode(R2_NOTXORPEN);
  DrawingFeedback() = true;
  SetPortBackColor(arrow->GetColour());
  MacPoint screen;
  TVector world{0, 0};
  GetVectorAnchor(screen, world);
  try {
    arrow->DrawFeedback(screen, world);
  } catch (...) {
    DrawingFeedback() = false;
    throw;
  }
  DrawingFeedback() = false;
}

void TVectorMassBase::DrawVectorMarker() {
  PortSetPenMode(R2_NOTXORPEN);
  if (vectorHandler_ == nullptr) return;
  MacPoint screen;
  TVector world{0, 0};
  GetVectorAnchor(screen, world);
  vectorHandler_->DrawMarker(screen);
}

void TVectorMassBase::GetVectorAnchor(MacPoint& screen, TVector& world) {
  auto* body = dynamic_cast<TMass*>(this);
  if (body == nullptr) {
    TVectorThing::GetVectorAnchor(screen, world);
    return;
  }
  GetPosition(world);
  screen = body->GetScreenPoint();
}

void TVectorMassBase::VectorPointToScreen(const TVector& world, MacPoint& screen) {
  auto* body = dynamic_cast<TMass*>(this);
  if (body == nullptr) {
    TVectorThing::VectorPointToScreen(world, screen);
    return;
  }
  // The body's screen placement is the view's after the body's own: without the latter, the
  // view's alone.
  Transform2D shownInverse;
  Transform2D::InverseInto(body->GetShownTransform(), shownInverse);
  Transform2D::ToScreenPoint(Transform2D::Compose(body->GetScreenTransform(), shownInverse), world,
                             screen);
}

bool TVectorMassBase::GetVectorHandleRect(MacRect& rect) {
  MacPoint screen;
  TVector world{0, 0};
  GetVectorAnchor(screen, world);
  rect = MacRect(static_cast<int16_t>(screen.h - 3), static_cast<int16_t>(screen.v - 3),
                 static_cast<int16_t>(screen.h + 3), static_cast<int16_t>(screen.v + 3));
  return true;
}

bool TVectorMassBase::HitTestVectors(const MacPoint& point, int16_t& part) {
  part = 0;
  if (option_[0] == 0 || (!IsStateBit0Set() && shown_[0] == 0)) return false;
  TVectorArrow* velocity = GetArrow(0);
  TVector value{0, 0};
  if (velocity == nullptr || (velocity->GetValue(value) && IsZero(value))) {
    MacRect rect;
    if (!GetVectorHandleRect(rect)) return false;
    // Edges included.
    if (point.h < rect.left || point.h > rect.right || point.v < rect.top || point.v > rect.bottom)
      return false;
    part = 1;
    return true;
  }
  MacPoint screen;
  TVector world{0, 0};
  GetVectorAnchor(screen, world);
  return velocity->HitTest(point, screen, world, part);
}

void TVectorMassBase::DrawVelocityFeedback(const MacRect&, uint16_t before, uint16_t after) {
  if (before == after || option_[0] == 0 || shown_[0] != 0) return;
  TVectorArrow* velocity = GetArrow(0);
  if (velocity == nullptr) {
    DrawVectorMarker();
    return;
  }
  RGB16Color back;
  GetPortBackColor(back);
  SetPortBackColor(velocity->GetColour());
  TVector value{0, 0};
  if (!velocity->GetValue(value) || !IsZero(value))
    DrawVectorFeedback(0);
  else
    DrawVectorMarker();
  SetPortBackColor(back);
}
