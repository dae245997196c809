// TCurvPoly: the curved polygon.

#include "bodies/CurvedPolygon.h"

#include <algorithm>
#include <cmath>
#include <new>
#include <numbers>
#include <vector>

#include "bodies/BodyTags.h"
#include "bodies/ShapePainting.h"
#include "core/ClassRegistry.h"
#include "core/Failure.h"
#include "core/Resources.h"
#include "core/StreamText.h"
#include "model/filing/ObjectReader.h"
#include "model/filing/ObjectWriter.h"
#include "simulation/UnitHandler.h"

namespace {

constexpr uint32_t kTagCurved = MakeTag("curv");
// The centre-of-mass choices: centred on the shape, or placed by the polygon's points.
constexpr uint32_t kTagCOMCentred = MakeTag("cccC");
constexpr uint32_t kTagCOMByPoints = MakeTag("cccP");

}  // namespace

// ---- 1. Registration and lifecycle -------------------------------------------------------------

void TCurvPoly::RegisterClass() {
  RegisterClassInfo("TCurvPoly", kCurvedPolygonTag, kClassID, CreateObject, sizeof(TCurvPoly));
}

TObject* TCurvPoly::CreateObject() {
  return new (std::nothrow) TCurvPoly();
}

TCurvPoly::~TCurvPoly() = default;

void TCurvPoly::Initialize() {
  curved_ = 0;
  steps_ = kDefaultSteps;
  curve_.reset();
  spline_.reset();
  TPolygon::Initialize();
  auto curve = std::make_unique<TTable>();
  curve->Initialize();
  curve_ = std::move(curve);
  spline_.reset(EngineNewSpline(0));
  if (!spline_) ThrowFailure(-108, 0);
  if (EngineSetSplineType(spline_.get(), 1) != 0) ThrowFailure(-108, 0);
}

void TCurvPoly::WriteClassTag(TObjectWriter& writer) {
  writer.WriteTag(kCurvedPolygonTag);
}

int16_t TCurvPoly::GetKindResourceID() {
  return curved_ != 0 ? 2557 : TPolygon::GetKindResourceID();
}

// ---- 2. The curve ------------------------------------------------------------------------------

int16_t TCurvPoly::StepsFor(int32_t n) {
  const int32_t steps = n > 0 ? 400 / n : kDefaultSteps;
  return static_cast<int16_t>(std::clamp(steps, 2, 10));
}

void TCurvPoly::VerticesChanged() {
  TTable* vertices = GetVertices();
  if (!spline_ || vertices == nullptr) return;
  const int32_t n = vertices->GetCount();
  std::vector<double> points;
  points.reserve(2 * static_cast<size_t>(n));
  for (int32_t i = 1; i <= n; ++i) {
    const TVector v = vertices->GetPoint(i);
    points.push_back(v.x);
    points.push_back(v.y);
  }
  if (EngineCurvPolySetSplinePoints(spline_.get(), n, points.data()) != 0) return;
  steps_ = StepsFor(n);
  const int32_t m = n * steps_;
  std::vector<double> samples(2 * static_cast<size_t>(m + 1));
  EngineSplineQuickInterpolate(spline_.get(), samples.data(), steps_ - 1);
  // The table is made when it is missing, so that a rebuild never writes into nothing.
  if (!curve_) {
    curve_ = std::make_unique<TTable>();
    curve_->Initialize();
  }
  auto sample = [&samples](int32_t k) {
    return TVector(samples[2 * static_cast<size_t>(k)], samples[2 * static_cast<size_t>(k) + 1]);
  };
  // Samples 1..m in order (sample 0 is vertex 1, which sample m repeats), each dropped when the
  // next one equals it.
  curve_->Clear();
  for (int32_t k = 1; k <= m; ++k) {
    const TVector p = sample(k);
    if (p == sample(k == m ? 1 : k + 1)) continue;
    curve_->AppendPoint(p);
  }
}

TTable* TCurvPoly::GetVertexTable() {
  if (curved_ == 0) return TPolygon::GetVertexTable();
  if (!curve_) VerticesChanged();
  return curve_.get();
}

// ---- 3. Properties and filing ------------------------------------------------------------------

uint16_t TCurvPoly::GetFlagProperty(uint32_t tag, uint16_t& value, void* extra) {
  if (tag == kTagCurved) {
    value = curved_;
    return 1;
  }
  if (tag == kTagCOMCentred) {
    value = curved_ != 0 ? 0 : 1;
    return 1;
  }
  if (tag == kTagCOMByPoints) {
    value = curved_;
    return 1;
  }
  return TPolygon::GetFlagProperty(tag, value, extra);
}

void TCurvPoly::SetFlagProperty(uint32_t tag, uint16_t value) {
  if (tag != kTagCurved) {
    TPolygon::SetFlagProperty(tag, value);
    return;
  }
  const uint16_t curved = value != 0 ? 1 : 0;
  if (curved == curved_) return;
  curved_ = curved;
  InvalidateScreenCache();
  if (curved_ != 0) VerticesChanged();
  ComputeExtent();
  ShapeChanged(1);
  Changed();
}

uint16_t TCurvPoly::GetRealProperty(uint32_t tag, double& value, double& lowest, int32_t& dimension,
                                    uint16_t& editable) {
  const uint16_t handled = TPolygon::GetRealProperty(tag, value, lowest, dimension, editable);
  if (curved_ != 0 && point_ref::SameKind(tag, point_ref::kHotFrame) && !point_ref::IsX(tag))
    dimension = body_tags::kDimAngle;
  return handled;
}

uint16_t TCurvPoly::GetStringProperty(uint32_t tag, Str255& value, void* extra) {
  const bool first = tag == MakeTag("ppp1");
  if (!first && tag != MakeTag("ppp2")) return TPolygon::GetStringProperty(tag, value, extra);
  LookupIndString(value, kCoordinateLabels,
                  static_cast<int16_t>((first ? 1 : 2) + (curved_ != 0 ? 2 : 0)));
  // The angle's label is the letter of the angle sign in the program's character set.
  if (value == Str255("t")) value = Str255("\xD8");
  return 1;
}

uint16_t TCurvPoly::ReadBlockContents(int16_t code, TObjectReader& reader) {
  if (code != kBlockCurved) return TPolygon::ReadBlockContents(code, reader);
  const uint16_t curved = reader.ReadBoolean() ? 1 : 0;
  if (curved != curved_) {
    curved_ = curved;
    InvalidateScreenCache();
  }
  return 1;
}

void TCurvPoly::WriteBlockContents(int16_t code, TObjectWriter& writer) {
  if (code != kBlockCurved) {
    TPolygon::WriteBlockContents(code, writer);
    return;
  }
  writer.WriteBoolean(static_cast<uint8_t>(curved_));
}

void TCurvPoly::WriteFields(TObjectWriter& writer) {
  // The curve is not written: it is made again from the vertices.
  writer.WriteBlock(*this, kBlockCurved);
  TPolygon::WriteFields(writer);
}

void TCurvPoly::ReportGeometryBlocks(BlockCallback callback, void* context) {
  TPolygon::ReportGeometryBlocks(callback, context);
  callback(kBlockCurved, context);
}

void TCurvPoly::LinkVertexTable(TTable* table) {
  TPolygon::LinkVertexTable(table);
  if (table == nullptr) return;
  InvalidateScreenCache();
  VerticesChanged();
  ComputeExtent();
}

TVector TCurvPoly::HotPointToFrame(const TVector& point) {
  if (curved_ == 0) return TPolygon::HotPointToFrame(point);
  TVector p = point;
  p.ToPolar();
  if (p.y < 0.0) p.y += 2.0 * std::numbers::pi;
  return p;
}

TVector TCurvPoly::HotPointFromUser(const TVector& point, TUnitHandler* converter) {
  if (curved_ == 0) return TPolygon::HotPointFromUser(point, converter);
  TVector p = point;
  if (auto* units = dynamic_cast<TWorldUnitHandler*>(converter)) {
    units->ConvertFromUser(body_tags::kDimLength, &p.x);
    units->ConvertFromUser(body_tags::kDimAngle, &p.y);
  }
  p.FromPolar();
  return p;
}

void TCurvPoly::WriteVerticesAsText(TTextOutStream& stream) {
  const bool polar = curved_ != 0 && point_ref::SameKind(GetVertexTag(), point_ref::kHotFrame);
  if (!polar) {
    TPolygon::WriteVerticesAsText(stream);
    return;
  }
  FailIfMemoryLow();
  TTable* vertices = GetVertices();
  if (vertices == nullptr) return;
  for (int32_t i = 1; i <= vertices->GetCount(); ++i) {
    const TVector p = HotPointToFrame(vertices->GetPoint(i));
    stream.WriteDouble(p.x, body_tags::kDimLength);
    stream.WriteIndent(1);
    stream.WriteDouble(p.y, body_tags::kDimAngle);
    stream.WriteNewline();
  }
}

// ---- 4. Geometry while curved ------------------------------------------------------------------

void TCurvPoly::ClearVertices() {
  if (curve_) curve_->Clear();
  TPolygon::ClearVertices();
}

void TCurvPoly::InsertVertex(const int16_t& index, const TVector& world) {
  TPolygon::InsertVertex(index, world);
  VerticesChanged();
}

void TCurvPoly::DeleteVertex(const int16_t& index) {
  TPolygon::DeleteVertex(index);
  VerticesChanged();
}

bool TCurvPoly::FindSnapPoint(double tolerance, const TVector& worldPoint, TVector& world,
                              TVector& local, int32_t& kind, int32_t& index) {
  // A curve has no vertices or edge middles on its outline to snap to.
  if (curved_ != 0) return false;
  return TPolygon::FindSnapPoint(tolerance, worldPoint, world, local, kind, index);
}

void TCurvPoly::ComputeExtent() {
  if (curved_ == 0) {
    TPolygon::ComputeExtent();
    return;
  }
  // Starting from the origin: the box always holds the body's reference point.
  double extentSquared = 0.0;
  TDoubleRect bounds(0, 0, 0, 0);
  TTable* curve = GetVertexTable();
  for (int32_t i = 1; curve != nullptr && i <= curve->GetCount(); ++i) {
    const TVector p = curve->GetPoint(i);
    extentSquared = std::max(extentSquared, p.x * p.x + p.y * p.y);
    bounds.left = std::min(bounds.left, p.x);
    bounds.top = std::max(bounds.top, p.y);
    bounds.right = std::max(bounds.right, p.x);
    bounds.bottom = std::min(bounds.bottom, p.y);
  }
  SetLocalBounds(bounds);
  SetExtentSquared(extentSquared);
}

void TCurvPoly::UpdateCentroid() {
  if (!IsCentroidValid() && curved_ != 0) VerticesChanged();
  TPolygon::UpdateCentroid();
}

bool TCurvPoly::HitTestLocal(const TVector& p) {
  if (curved_ == 0) return TPolygon::HitTestLocal(p);
  TTable* curve = GetVertexTable();
  if (curve == nullptr || curve->GetCount() == 0) return false;
  return TMass::HitTestLocal(p) && curve->ContainsPoint(p);
}

void TCurvPoly::ShapeChanged(uint16_t changed) {
  // The curve first: the polygon's mass properties are taken from it.
  VerticesChanged();
  TPolygon::ShapeChanged(changed);
  ComputeExtent();
}

void TCurvPoly::ResizeTo(const TVector& world, uint16_t keepMinimum) {
  TPolygon::ResizeTo(world, keepMinimum);
  if (curved_ == 0) return;
  InvalidateScreenCache();
  VerticesChanged();
  ComputeExtent();
}

void TCurvPoly::DrawShape(const MacRect& rect, uint16_t mode, uint16_t outline, int16_t inset) {
  if (curved_ == 0 || (mode & 2) == 0 || outline == 0) {
    TPolygon::DrawShape(rect, mode, outline, inset);
    return;
  }
  PolygonRec& shape = OutlineRecord();
  if (!shape.points.empty()) {
    if (inset != 0) PolygonOffset(&shape, inset, inset);
    UseOutlineColour();
    FramePolygon(shape);
    if (inset != 0) PolygonOffset(&shape, -inset, -inset);
  }
  TMass::DrawShape(rect, mode, outline, inset);
}
