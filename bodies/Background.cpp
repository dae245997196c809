// TZeroMass: the world's background body.

#include "bodies/Background.h"

#include <algorithm>
#include <new>

#include "core/ClassRegistry.h"
#include "core/MenuCommands.h"
#include "model/command/CommandCore.h"
#include "core/port/Port.h"
#include "model/filing/ObjectReader.h"
#include "model/filing/ObjectWriter.h"
#include "model/world/WorldDoc.h"
#include "model/world/WorldEditCheck.h"

namespace {

// Restores the port's pen colour when drawing leaves the scope, also on a failure.
class ForeColourSaver {
 public:
  ForeColourSaver() { GetPortForeColor(saved_); }
  ~ForeColourSaver() { SetPortForeColor(saved_); }
  ForeColourSaver(const ForeColourSaver&) = delete;
  ForeColourSaver& operator=(const ForeColourSaver&) = delete;

 private:
  RGB16Color saved_{0, 0, 0};
};

MacPoint Extended(const MacPoint& from, const MacPoint& to) {
  return MacPoint(static_cast<int16_t>(2 * from.h - to.h), static_cast<int16_t>(2 * from.v - to.v));
}

}  // namespace

// ---- 1. Registration, lifecycle and commands -------------------------------------------------

void TZeroMass::RegisterClass() {
  RegisterClassInfo("TZeroMass", kTag, kClassID, CreateObject, sizeof(TZeroMass));
}

TObject* TZeroMass::CreateObject() {
  return new (std::nothrow) TZeroMass();
}

void TZeroMass::Initialize() {
  showAxes_ = 0;
  viewRect_ = MacRect(0, 0, 1024, 1024);
  boundsDirty_ = 1;
  axesDirty_ = xAxisShown_ = yAxisShown_ = 0;
  xAxisFrom_ = xAxisTo_ = yAxisFrom_ = yAxisTo_ = MacPoint();
  TMass::Initialize();
  SetIdentifier(0);
  SetName("0");
}

void TZeroMass::SetShowAxes(uint16_t show) {
  if (show == showAxes_) return;
  showAxes_ = show;
  axesDirty_ = show;
  InvalidateScreenCache();
}

bool TZeroMass::GetCommandState(int16_t command, uint16_t& enabled, uint16_t& mark) {
  if (command != kCmdShowAxes) return TMass::GetCommandState(command, enabled, mark);
  enabled = 1;
  mark = showAxes_ != 0 ? 1 : 0;
  return true;
}

void TZeroMass::DoCommandValue(int16_t command, uint16_t value) {
  if (command != kCmdShowAxes) {
    TMass::DoCommandValue(command, value);
    return;
  }
  bool handled = false;
  DoObjectMenuCommand(command, handled);
}

void TZeroMass::DoSetupMenus() {
  THandlerLink::DoSetupMenus();
  EnableCheckMenuCommand(kCmdShowAxes, true, showAxes_ != 0);
}

std::unique_ptr<TCommandCore> TZeroMass::DoObjectMenuCommand(int16_t command, bool& handled) {
  if (command != kCmdShowAxes) return TMass::DoObjectMenuCommand(command, handled);
  handled = true;
  SetShowAxes(showAxes_ == 1 ? 0 : 1);
  Changed();
  // The axes run across the whole view, which no object's own area covers: the world's views
  // are drawn again. The document keeps the axes.
  if (TWorldDoc* world = WorldOf(*this)) {
    world->RedrawAll(1, 1);
    world->DocumentChanged();
  }
  return nullptr;
}

void TZeroMass::JoinTo(TMass* body) {
  if (body != nullptr && body != this) body->JoinTo(this);
}

// ---- 2. View, bounds and axes ----------------------------------------------------------------

void TZeroMass::SetViewSize(const MacPoint& size) {
  // The same size again changes nothing: the view tells it before every drawing.
  const MacRect rect(0, 0, size.h, size.v);
  if (rect == viewRect_ && boundsDirty_ == 0) return;
  viewRect_ = rect;
  boundsDirty_ = 1;
  InvalidateScreenCache();
}

void TZeroMass::ValidateScreenTransform(const Transform2D& view) {
  if (IsScreenValid()) return;
  const Transform2D old = GetScreenTransform();
  SetScreenTransform(view);
  const bool viewMoved =
      old.tx != view.tx || old.ty != view.ty || old.angle != view.angle || old.scale != view.scale;
  if (boundsDirty_ != 0 || viewMoved) ComputeBoundsFromView();
  if (axesDirty_ != 0) ComputeAxes(view);
}

void TZeroMass::ComputeBoundsFromView() {
  const MacRect& r = viewRect_;
  const TVector topLeft = ScreenToLocal(MacPoint(r.left, r.top));
  const TVector bottomRight = ScreenToLocal(MacPoint(r.right, r.bottom));
  const Transform2D& view = GetScreenTransform();
  TDoubleRect bounds(std::min(topLeft.x, bottomRight.x), std::max(topLeft.y, bottomRight.y),
                     std::max(topLeft.x, bottomRight.x), std::min(topLeft.y, bottomRight.y));
  if (view.sine != 0.0 && view.cosine != 0.0) {
    // A turned view: the smallest rectangle around all four corners.
    for (const TVector& corner :
         {ScreenToLocal(MacPoint(r.right, r.top)), ScreenToLocal(MacPoint(r.left, r.bottom))}) {
      bounds.left = std::min(bounds.left, corner.x);
      bounds.right = std::max(bounds.right, corner.x);
      bounds.top = std::max(bounds.top, corner.y);
      bounds.bottom = std::min(bounds.bottom, corner.y);
    }
  }
  SetLocalBounds(bounds);
  boundsDirty_ = 0;
  axesDirty_ = showAxes_;
}

void TZeroMass::ComputeAxes(const Transform2D& view) {
  const TDoubleRect& b = LocalBounds();
  if (view.sine != 0.0 && view.cosine != 0.0) {
    // A turned view: each axis through the bounds, extended by its own length at both ends.
    MacPoint p1, p2;
    xAxisShown_ = b.bottom <= 0.0 && 0.0 <= b.top ? 1 : 0;
    Transform2D::ToScreenPoint(view, {b.left, 0.0}, p1);
    Transform2D::ToScreenPoint(view, {b.right, 0.0}, p2);
    xAxisFrom_ = Extended(p1, p2);
    xAxisTo_ = Extended(p2, p1);
    yAxisShown_ = b.left <= 0.0 && 0.0 <= b.right ? 1 : 0;
    Transform2D::ToScreenPoint(view, {0.0, b.bottom}, p1);
    Transform2D::ToScreenPoint(view, {0.0, b.top}, p2);
    yAxisFrom_ = Extended(p1, p2);
    yAxisTo_ = Extended(p2, p1);
  } else {
    const MacPoint origin = GetScreenPoint();
    const MacRect& r = viewRect_;
    xAxisShown_ = r.top <= origin.v && origin.v <= r.bottom ? 1 : 0;
    xAxisFrom_ = MacPoint(r.left, origin.v);
    xAxisTo_ = MacPoint(r.right, origin.v);
    yAxisShown_ = r.left <= origin.h && origin.h <= r.right ? 1 : 0;
    yAxisFrom_ = MacPoint(origin.h, r.top);
    yAxisTo_ = MacPoint(origin.h, r.bottom);
  }
  axesDirty_ = 0;
}

void TZeroMass::Draw(const MacRect&, uint16_t) {
  if (showAxes_ == 0 || (xAxisShown_ == 0 && yAxisShown_ == 0)) return;
  // The axes take their own colour; whatever colour was in force before comes back.
  const ForeColourSaver saver;
  SetPortForeColor(kAxisColour);
  if (xAxisShown_ != 0) {
    PortMoveTo(xAxisFrom_.h, xAxisFrom_.v);
    PortLineTo(xAxisTo_.h - xAxisFrom_.h, xAxisTo_.v - xAxisFrom_.v);
  }
  if (yAxisShown_ != 0) {
    PortMoveTo(yAxisFrom_.h, yAxisFrom_.v);
    PortLineTo(yAxisTo_.h - yAxisFrom_.h, yAxisTo_.v - yAxisFrom_.v);
  }
}

// ---- 3. Filing -------------------------------------------------------------------------------

void TZeroMass::WriteTo(TObjectWriter& writer, int16_t flag) {
  if (flag != 0) return;
  TLink::WriteTo(writer, 0);
}

void TZeroMass::WriteFields(TObjectWriter& writer) {
  writer.WriteBlock(*this, kBlockBackground);
}

uint16_t TZeroMass::ReadBlockContents(int16_t code, TObjectReader& reader) {
  if (code != kBlockBackground) return TMass::ReadBlockContents(code, reader);
  SetShowAxes(static_cast<uint16_t>(reader.ReadInt()));
  return 1;
}

void TZeroMass::WriteBlockContents(int16_t code, TObjectWriter& writer) {
  if (code != kBlockBackground) {
    TMass::WriteBlockContents(code, writer);
    return;
  }
  writer.WriteCode(showAxes_);
}
