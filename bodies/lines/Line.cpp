// TLine: a segment between two world points, drawn, hit, snapped to, filed and exported.

#include "bodies/lines/Line.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <memory>

#include "bodies/DXFOutput.h"
#include "core/ClassRegistry.h"
#include "core/port/Port.h"
#include "core/port/PortShapes.h"
#include "model/filing/ObjectReader.h"
#include "model/filing/ObjectWriter.h"
#include "model/world/WorldDoc.h"

namespace {

constexpr int32_t kDimLength = 0x01000000;
constexpr int16_t kExportDXF = 4;
constexpr uint16_t kThickMode = 4;
constexpr int16_t kHitReach = 5;

// Puts the port's pen back as it was when the drawing is done, even when it fails.
class PenSaver {
 public:
  PenSaver() { PortGetPenState(saved_); }
  ~PenSaver() { PortSetPenState(saved_); }
  PenSaver(const PenSaver&) = delete;
  PenSaver& operator=(const PenSaver&) = delete;

 private:
  PenState saved_{};
};

bool Within(const MacPoint& a, const MacPoint& b, int32_t reach) {
  return std::abs(a.h - b.h) <= reach && std::abs(a.v - b.v) <= reach;
}

bool InRect(const MacRect& rect, const MacPoint& p) {
  return p.h >= rect.left && p.h < rect.right && p.v >= rect.top && p.v < rect.bottom;
}

}  // namespace

bool HitTestLine(int32_t ph, int32_t pv, int32_t dh, int32_t dv) {
  if (dh == 0 && dv == 0) return std::abs(ph) < 6 && std::abs(pv) < 6;
  if (dv == 0) return std::abs(pv) < 6;
  if (dh == 0) return std::abs(ph) < 6;
  // Offsets from the line along each axis; the nearer one decides.
  const double across = std::abs(ph - static_cast<double>(dh) * pv / dv);
  const double down = std::abs(pv - static_cast<double>(dv) * ph / dh);
  return std::min(across, down) < 5.0;
}

// ---- Lifecycle ---------------------------------------------------------------------------------

TObject* TLine::CreateObject() {
  return new (std::nothrow) TLine();
}

TLine::~TLine() {
  // The handler is linked to the line while it lists it.
  if (handler_ != nullptr && GetIdentityIndex(handler_) != -1) handler_->RemoveLine(this);
}

void TLine::ResetFields() {
  end1_ = end2_ = centre_ = screenMid_ = TVector(0.0, 0.0);
  screenMidPoint_ = screenEnd1_ = screenEnd2_ = MacPoint();
  centreValid_ = screenTransformValid_ = transformValid_ = screenPointsValid_ = 0;
  screenTransform_ = transform_ = Transform2D();
  fileWord_ = 0;
  handler_ = nullptr;
  end1Joined_ = end2Joined_ = joined_ = 0;
}

void TLine::Initialize() {
  ResetFields();
  TThing::Initialize();
}

TWorldDoc* TLine::GetWorld() const {
  for (TLink* linked : Linked())
    if (linked->IsMemberClass(TWorldDoc::kClassID)) return static_cast<TWorldDoc*>(linked);
  return nullptr;
}

namespace {

// The identifier a new world's line handler has among its default objects.
constexpr int16_t kLineHandlerIdentifier = 10004;

// A world read from a document written without a line handler gets one when its first line
// needs it: without it the world's lines are neither drawn nor hit.
TLineHandler* MakeLineHandler(TWorldDoc& world) {
  std::unique_ptr<TLineHandler> made(static_cast<TLineHandler*>(TLineHandler::CreateObject()));
  if (!made) return nullptr;
  made->Initialize();
  int16_t identifier = kLineHandlerIdentifier;
  while (world.FindObject(identifier) != nullptr && identifier < INT16_MAX) ++identifier;
  made->SetIdentifier(identifier);
  TLineHandler* handler = made.get();
  world.AdoptObject(std::move(made));
  return handler;
}

}  // namespace

TLineHandler* TLine::FindHandler() {
  if (handler_ != nullptr) return handler_;
  TWorldDoc* world = GetWorld();
  if (world == nullptr) return nullptr;
  for (TLink* object : world->Objects()) {
    if (!object->IsMemberClass(TLineHandler::kClassID)) continue;
    handler_ = static_cast<TLineHandler*>(object);
    break;
  }
  if (handler_ == nullptr) handler_ = MakeLineHandler(*world);
  if (handler_ == nullptr) return nullptr;
  handler_->AddDependent(this);
  handler_->AddLine(this);
  return handler_;
}

// ---- Ends, centre, transforms -----------------------------------------------------------------

void TLine::SetEndPoint1(const TVector& point, uint16_t notify) {
  end1_ = point;
  if (notify == 0) return;
  centreValid_ = 0;
  InvalidateTransform();
  ForEachLinked(0);
}

void TLine::SetEndPoint2(const TVector& point, uint16_t notify) {
  end2_ = point;
  if (notify == 0) return;
  centreValid_ = 0;
  InvalidateTransform();
  ForEachLinked(0);
}

void TLine::UpdateCentre() {
  if (centreValid_ != 0) return;
  centre_ = TVector((end1_.x + end2_.x) / 2.0, (end1_.y + end2_.y) / 2.0);
  centreValid_ = 1;
}

void TLine::UpdateScreenPoints() {
  UpdateCentre();
  if (screenPointsValid_ != 0) return;
  WorldToScreen(end1_, screenEnd1_);
  WorldToScreen(end2_, screenEnd2_);
  screenMid_ = TVector((screenEnd1_.h + screenEnd2_.h) / 2.0, (screenEnd1_.v + screenEnd2_.v) / 2.0);
  screenMidPoint_ = MacPoint(static_cast<int16_t>(std::trunc(screenMid_.x)),
                             static_cast<int16_t>(std::trunc(screenMid_.y)));
  screenPointsValid_ = 1;
}

void TLine::UpdateTransform() {
  UpdateCentre();
  if (transformValid_ != 0) return;
  transform_ = Transform2D::FromVector3(centre_.x, centre_.y, 0.0);
  transformValid_ = 1;
}

void TLine::InvalidateTransform() {
  // Everything computed from the ends is stale.
  transformValid_ = screenTransformValid_ = screenPointsValid_ = 0;
}

void TLine::ScreenChanged() {
  screenTransformValid_ = 0;
  screenPointsValid_ = 0;
}

void TLine::SetViewTransform(const Transform2D& view) {
  view_ = view;
  ScreenChanged();
}

void TLine::LineChanged() {
  InvalidateTransform();
  ForEachLinked(0);
  Changed();
}

void TLine::GetPosition(TVector& position) {
  UpdateCentre();
  position = centre_;
}

void TLine::GetPlacement(TVector3& placement) {
  UpdateCentre();
  placement = TVector3(centre_.x, centre_.y, 0.0);
}

void TLine::MoveTo(const TVector& centre) {
  UpdateCentre();
  const TVector delta = centre - centre_;
  end1_ = TVector(end1_.x + delta.x, end1_.y + delta.y);
  end2_ = TVector(end2_.x + delta.x, end2_.y + delta.y);
  centre_ = centre;
  centreValid_ = 1;
  InvalidateTransform();
  ForEachLinked(0);
}

void TLine::MoveBy(const TVector& delta) {
  UpdateCentre();
  MoveTo(TVector(centre_.x + delta.x, centre_.y + delta.y));
}

void TLine::GetLocalToWorldTransform(Transform2D& t) {
  UpdateTransform();
  t = transform_;
}

const Transform2D& TLine::GetScreenTransform(const Transform2D& view) {
  if (screenTransformValid_ == 0) {
    UpdateTransform();
    screenTransform_ = Transform2D::Compose(view, transform_);
    screenTransformValid_ = 1;
  }
  return screenTransform_;
}

MacPoint TLine::GetScreenMidPoint() {
  UpdateScreenPoints();
  return screenMidPoint_;
}

TVector TLine::GetScreenMid() {
  UpdateScreenPoints();
  return screenMid_;
}

// ---- Properties -----------------------------------------------------------------------------

uint16_t TLine::GetNumberProperty(uint32_t tag, double& value, void* extra) {
  if (tag == kTagLineEnd1X) value = end1_.x;
  else if (tag == kTagLineEnd1Y) value = end1_.y;
  else if (tag == kTagLineEnd2X) value = end2_.x;
  else if (tag == kTagLineEnd2Y) value = end2_.y;
  else return TThing::GetNumberProperty(tag, value, extra);
  if (extra != nullptr) *static_cast<int32_t*>(extra) = kDimLength;
  return 1;
}

void TLine::SetNumberProperty(uint32_t tag, const double& value) {
  if (tag == kTagLineEnd1X) end1_.x = value;
  else if (tag == kTagLineEnd1Y) end1_.y = value;
  else if (tag == kTagLineEnd2X) end2_.x = value;
  else if (tag == kTagLineEnd2Y) end2_.y = value;
  else return TThing::SetNumberProperty(tag, value);
  centreValid_ = 0;
  LineChanged();
}

// ---- Selection, hits, snapping -------------------------------------------------------------

void TLine::SetSelected(uint16_t selected, uint16_t redraw) {
  const bool was = IsSelected();
  uint16_t flags = GetDisplayFlags();
  flags = static_cast<uint16_t>(selected != 0 ? flags | 1u : flags & ~1u);
  SetDisplayFlags(flags);
  if (redraw != 0 && was != (selected != 0)) Changed();
  if (TLineHandler* handler = FindHandler()) handler->SetLineSelected(this, selected);
}

bool TLine::HitTest(const MacPoint& point) {
  UpdateScreenPoints();
  // The box around the ends only rejects far clicks quickly: it is as wide as the tolerance, so
  // that a level line is hit up to 5 pixels away like any other.
  const MacRect box(static_cast<int16_t>(std::min(screenEnd1_.h, screenEnd2_.h) - kHitReach),
                    static_cast<int16_t>(std::min(screenEnd1_.v, screenEnd2_.v) - kHitReach),
                    static_cast<int16_t>(std::max(screenEnd1_.h, screenEnd2_.h) + kHitReach + 1),
                    static_cast<int16_t>(std::max(screenEnd1_.v, screenEnd2_.v) + kHitReach + 1));
  if (!InRect(box, point)) return false;
  return HitTestLine(point.h - screenEnd1_.h, point.v - screenEnd1_.v,
                     screenEnd2_.h - screenEnd1_.h, screenEnd2_.v - screenEnd1_.v);
}

bool TLine::IsInRect(const MacRect& rect) {
  UpdateScreenPoints();
  return InRect(rect, screenEnd1_) && InRect(rect, screenEnd2_);
}

bool TLine::HitHandle(const MacPoint& point, int32_t& handle) {
  UpdateScreenPoints();
  if (Within(point, screenEnd1_, 3)) {
    handle = 0;
    return true;
  }
  if (Within(point, screenEnd2_, 3)) {
    handle = 1;
    return true;
  }
  return false;
}

bool TLine::SnapTest(double tolerance, const TVector& point, TVector& snap, TVector& snapCopy,
                     int16_t& kind) {
  for (const TVector& end : {end1_, end2_}) {
    const TDoubleRect square(end.x - tolerance, end.y + tolerance, end.x + tolerance,
                             end.y - tolerance);
    if (!point.InRect(square)) continue;
    kind = 0;
    snap = snapCopy = end;
    return true;
  }
  return false;
}

// ---- Drawing and export ------------------------------------------------------------------------

void TLine::DrawShape(const MacRect&, uint16_t mode) {
  DrawLine(mode);
}

void TLine::DrawLine(uint16_t mode) {
  UpdateScreenPoints();
  const PenSaver pen;
  if ((mode & kThickMode) != 0) return DrawThickLine(screenEnd1_, screenEnd2_);
  PortSetPenSize(1, 1);
  PortMoveTo(screenEnd1_.h, screenEnd1_.v);
  PortLineTo(screenEnd2_.h - screenEnd1_.h, screenEnd2_.v - screenEnd1_.v);
}

void TLine::DrawThickLine(MacPoint p1, MacPoint p2) {
  const PenSaver pen;
  PortSetPenSize(2, 2);
  // A line that rises to the right is drawn a pixel higher, so that the pen's square sits on it.
  if ((p2.h < p1.h && p2.v >= p1.v) || (p2.h >= p1.h && p2.v < p1.v)) {
    p1.v = static_cast<int16_t>(p1.v - 1);
    p2.v = static_cast<int16_t>(p2.v - 1);
  }
  PortMoveTo(p1.h, p1.v);
  PortLineTo(p2.h - p1.h, p2.v - p1.v);
}

void TLine::DrawHandles() {
  const PenSaver pen;
  PortSetPenMode(R2_NOTXORPEN);
  DrawLine(kThickMode);
  PortSetPenSize(1, 1);
  for (const MacPoint& end : {screenEnd1_, screenEnd2_}) {
    PortInvertRect(MacRect(static_cast<int16_t>(end.h - 2), static_cast<int16_t>(end.v - 2),
                           static_cast<int16_t>(end.h + 3), static_cast<int16_t>(end.v + 3)));
  }
}

bool TLine::ExportDXF(TDXFOutput& writer, int16_t kind) {
  if (kind != kExportDXF) return false;
  writer.BeginEntity(TDXFOutput::kLine, Str255());
  writer.WriteCoords(end1_.x, end1_.y, 0.0, kDimLength, 0);
  writer.WriteCoords(end2_.x, end2_.y, 0.0, kDimLength, 1);
  return true;
}

void TLine::ReportShapeBlocks(BlockCallback callback, void* context) {
  if (callback != nullptr) callback(kBlockLine, context);
}

// ---- Joined flags ---------------------------------------------------------------------------

void TLine::SetEnd1Joined(uint16_t flag) {
  end1Joined_ = flag;
  if (end2Joined_ == flag) joined_ = flag;
}

void TLine::SetEnd2Joined(uint16_t flag) {
  end2Joined_ = flag;
  if (end1Joined_ == flag) joined_ = flag;
}

void TLine::SetJoined(uint16_t flag) {
  end1Joined_ = end2Joined_ = joined_ = flag;
}

// ---- Filing ---------------------------------------------------------------------------------

void TLine::WriteFields(TObjectWriter& writer) {
  writer.WriteBlock(*this, kBlockLine);
  TThing::WriteFields(writer);
}

void TLine::WriteBlockContents(int16_t code, TObjectWriter& writer) {
  if (code != kBlockLine) return TThing::WriteBlockContents(code, writer);
  writer.WriteDouble(end1_.x);
  writer.WriteDouble(end1_.y);
  writer.WriteDouble(end2_.x);
  writer.WriteDouble(end2_.y);
  writer.WriteCode(fileWord_);
}

uint16_t TLine::ReadBlockContents(int16_t code, TObjectReader& reader) {
  if (code != kBlockLine) return TThing::ReadBlockContents(code, reader);
  end1_.x = reader.ReadReal();
  end1_.y = reader.ReadReal();
  end2_.x = reader.ReadReal();
  end2_.y = reader.ReadReal();
  fileWord_ = static_cast<int16_t>(reader.ReadInt());
  centreValid_ = 0;
  InvalidateTransform();
  ForEachLinked(0);
  return 1;
}

void RegisterLineClasses() {
  RegisterClassInfo("TLine", kLineTag, TLine::kClassID, TLine::CreateObject, sizeof(TLine));
  RegisterClassInfo("TLineHandler", kLineHandlerTag, TLineHandler::kClassID,
                    TLineHandler::CreateObject, sizeof(TLineHandler));
}
