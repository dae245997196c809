// TPolygon: mass properties through the solver library, re-centring, extent, run checks, hit
// tests, hot points, the vertex operations and snapping.

#include <algorithm>
#include <cmath>
#include <limits>

#include "bodies/Polygon.h"
#include "core/Alert.h"
#include "core/Failure.h"
#include "model/Formula.h"
#include "simulation/Engine.h"
#include "solver/geometry/GeometryEntry.h"

namespace {

TVector Plus(const TVector& a, const TVector& b) {
  return {a.x + b.x, a.y + b.y};
}

TVector Scaled(const TVector& a, double f) {
  return {a.x * f, a.y * f};
}

// The square of half-side t around c, edges included.
bool InSquare(const TVector& p, const TVector& c, double t) {
  return std::fabs(p.x - c.x) <= t && std::fabs(p.y - c.y) <= t;
}

}  // namespace

// ---- 2. Mass properties, re-centring, extent, run checks --------------------------------------

std::vector<TVector> TPolygon::VertexList() {
  std::vector<TVector> points;
  TTable* table = GetVertexTable();
  if (table == nullptr) return points;
  const int32_t n = table->GetCount();
  points.reserve(static_cast<size_t>(n));
  for (int32_t i = 1; i <= n; ++i)
    points.push_back(table->GetPoint(i));
  return points;
}

void TPolygon::ComputeMassProperties(double& area, double& moment, TVector& centroid) {
  // The stored values, not the getters: the getters come here to compute them.
  area = GetStoredArea();
  moment = CurrentMomentValue();
  centroid = TVector(0.0, 0.0);
  const std::vector<TVector> points = VertexList();
  if (points.size() <= 2) return;
  std::vector<double> block;
  block.reserve(2 * points.size());
  for (const TVector& p : points) {
    block.push_back(p.x);
    block.push_back(p.y);
  }
  shapeInvalid_ = 0;
  double c[2] = {0.0, 0.0};
  const int32_t code =
      area_cofm(block.data(), static_cast<int32_t>(points.size()), &area, &moment, c);
  const int16_t error = MapEngineError(code);
  if (error == kErrDegenerateShape) {
    // A shape without area keeps the stored area and is flagged; a run refuses it later.
    shapeInvalid_ = 1;
    c[0] = c[1] = 0.0;
  } else if (error == kErrShapeNotFinite) {
    // So does a shape with a vertex that is no number (a document may hold one): its area and
    // moment stay as stored, and it can still be shown and saved.
    shapeInvalid_ = 1;
    area = GetStoredArea();
    moment = CurrentMomentValue();
    c[0] = c[1] = 0.0;
  } else if (error != 0) {
    area = std::fabs(area);
    ThrowFailure(error, 0);
  }
  area = std::fabs(area);
  centroid = TVector(c[0], c[1]);
}

void TPolygon::ComputeArea() {
  double area = 0.0;
  double moment = 0.0;
  TVector centroid;
  ComputeMassProperties(area, moment, centroid);
  SetArea(area);
}

double TPolygon::MomentForMode2() {
  double area = 0.0;
  double moment = 0.0;
  TVector centroid;
  ComputeMassProperties(area, moment, centroid);
  return GetDensity() * moment;
}

void TPolygon::ShiftCOMOffset(const TVector& d) {
  TFormula* x = ComX();
  TFormula* y = ComY();
  const double newX = x->GetValue() - d.x;
  const double newY = y->GetValue() - d.y;
  bool changed = false;
  for (auto [formula, value] : {std::pair{x, newX}, std::pair{y, newY}}) {
    if (!formula->IsFormula() && formula->GetValue() == value) continue;
    formula->SetConstant(value);
    changed = true;
  }
  if (changed) FormulaChanged(x);
}

void TPolygon::UpdateCentroid() {
  if (vertexTable_ != nullptr && !IsCentroidValid()) {
    // Valid first: the mass properties asked for below must not come back here.
    SetCentroidValid(1);
    double area = 0.0;
    double moment = 0.0;
    TVector c;
    ComputeMassProperties(area, moment, c);
    const TVector3 position = GetPositionValues();
    const TVector d(c.x - position.x, c.y - position.y);
    // A centre of mass set by the user keeps its place on the shape; an automatic one stays on
    // the centroid, which the vertices carry to c - d in the body frame.
    if (IsCOMAutomatic() == 0)
      ShiftCOMOffset(d);
    else
      SetCOMConstants(TVector(c.x - d.x, c.y - d.y));
    if (d.x != 0.0 || d.y != 0.0) {
      // The vertices move; an outline made from them follows.
      for (int32_t i = 1; i <= vertexTable_->GetCount(); ++i) {
        TVector v = vertexTable_->GetPoint(i);
        if (d.x != 0.0) v.x -= d.x;
        if (d.y != 0.0) v.y -= d.y;
        vertexTable_->SetPoint(i, v);
      }
      VerticesChanged();
      MoveBy(d);
    }
    InvalidateShownTransform();
  }
  TMass::UpdateCentroid();
}

void TPolygon::ComputeExtent() {
  double extentSquared = 0.0;
  TDoubleRect bounds(0, 0, 0, 0);
  const std::vector<TVector> points = VertexList();
  if (!points.empty()) {
    bounds = TDoubleRect(points[0].x, points[0].y, points[0].x, points[0].y);
    for (const TVector& v : points) {
      extentSquared = std::max(extentSquared, v.x * v.x + v.y * v.y);
      bounds.left = std::min(bounds.left, v.x);
      bounds.right = std::max(bounds.right, v.x);
      bounds.top = std::max(bounds.top, v.y);
      bounds.bottom = std::min(bounds.bottom, v.y);
    }
  }
  SetLocalBounds(bounds);
  SetExtentSquared(extentSquared);
}

void TPolygon::ShapeChanged(uint16_t changed) {
  TMass::ShapeChanged(changed);
  double area = 0.0;
  TVector c;
  ComputeMassProperties(area, area, c);
  if (IsCOMAutomatic() != 0) SetCOMConstants(c);
  SetCentroidValid(1);
  TWorldDoc* world = GetWorld();
  if (world == nullptr) return;
  ForEachAttachment([](TLink* object, void*) { object->Changed(); }, nullptr);
}

void TPolygon::RecentreAndBound() {
  UpdateCentroid();
  ComputeExtent();
}

void TPolygon::CheckBeforeRun(uint16_t strict) {
  TTable* table = vertexTable_;
  if (table == nullptr) return;
  // A single vertex is both first and last: it is not a duplicate of itself.
  const int32_t n = table->GetCount();
  if (n >= 2 && table->GetPoint(1) == table->GetPoint(n)) {
    DeleteVertices(n, 1);
    ShapeChanged(1);
  }
  if (strict != 0 && table->GetCount() < 3) ThrowFailure(kErrTooFewVertices, 0x7F61000A);
}

void TPolygon::ReportBadShape(uint16_t mayCancel) const {
  if (shapeInvalid_ == 0) return;
  // The run warnings' table says what is wrong with the shape.
  constexpr int16_t kRunWarningTable = 131;
  Str255 text;
  GetErrorTextWithOverride(kErrDegenerateShape, kRunWarningTable, text);
  if (WarnMayCancel(text, mayCancel != 0)) ThrowFailure(0, 0);
}

int16_t TPolygon::CheckShapeForRun(uint16_t strict) {
  CheckBeforeRun(strict);
  return shapeInvalid_ != 0 ? kErrBadShape : 0;
}

void TPolygon::AfterConversion() {
  SetCentroidValid(0);
  RecentreAndBound();
  GeometryChanged(1);
  InvalidateShownTransform();
}

// ---- 3. Hit tests, hot points, vertex operations, snapping ------------------------------------

bool TPolygon::GetVertex(int32_t index, TVector& point) {
  TTable* table = vertexTable_;
  if (table == nullptr || index < 1 || index > table->GetCount()) {
    point = TVector(0.0, 0.0);
    return false;
  }
  point = table->GetPoint(index);
  return true;
}

uint16_t TPolygon::GetHotPoint(int16_t index, TVector& point) {
  return GetVertex(index, point) ? 1 : 0;
}

int32_t TPolygon::GetHotPointCount() {
  return vertexTable_ != nullptr ? vertexTable_->GetCount() : 0;
}

bool TPolygon::HitTestLocal(const TVector& p) {
  TTable* table = GetVertexTable();
  if (table == nullptr) return false;
  if (!TMass::HitTestLocal(p)) return false;
  if (table->ContainsPoint(p)) return true;
  const TDoubleRect& b = LocalBounds();
  const double t = 0.005 * std::min(2.0 * b.right, 2.0 * b.top);
  const int32_t n = GetHotPointCount();
  for (int32_t i = 1; i <= n; ++i) {
    TVector v;
    if (!GetVertex(i, v)) break;
    if (InSquare(p, v, t)) return true;
  }
  for (int32_t i = 1; i <= n; ++i)
    if (NearEdgeLocal(p, i, i == n ? 1 : i + 1, t)) return true;
  return false;
}

bool TPolygon::NearEdgeLocal(const TVector& p, int32_t i, int32_t j, double t) {
  TVector a;
  TVector b;
  if (!GetVertex(i, a) || !GetVertex(j, b)) return false;
  const TDoubleRect box(std::min(a.x, b.x) - t, std::max(a.y, b.y) + t, std::max(a.x, b.x) + t,
                        std::min(a.y, b.y) - t);
  if (!p.InRect(box)) return false;
  const TVector d = p - a;
  const TVector e = b - a;
  if (e.y == 0.0) return std::fabs(d.y) <= t;
  if (e.x == 0.0) return std::fabs(d.x) <= t;
  const double u = std::fabs(d.x / e.x * e.y - d.y);
  const double w = std::fabs(d.y / e.y * e.x - d.x);
  return t > std::min(u, w);
}

void TPolygon::ClearVertices() {
  if (vertexTable_ != nullptr) vertexTable_->Clear();
  InvalidateMassProperties();
}

void TPolygon::AppendVertex(const TVector& point) {
  if (vertexTable_ != nullptr) vertexTable_->AppendPoint(point);
  InvalidateScreenCache();
}

TVector TPolygon::RemoveLastVertex() {
  TVector point(0.0, 0.0);
  if (vertexTable_ != nullptr && vertexTable_->GetCount() > 0)
    point = vertexTable_->RemoveLastPoint();
  InvalidateScreenCache();
  return point;
}

void TPolygon::SetLastVertex(const TVector& point) {
  if (vertexTable_ != nullptr && vertexTable_->GetCount() > 0)
    vertexTable_->SetPoint(vertexTable_->GetCount(), point);
  InvalidateScreenCache();
}

void TPolygon::MoveVertex(int32_t index, const TVector& previous, const TVector& world) {
  if (vertexTable_ == nullptr || world == previous) return;
  TVector local = world;
  WorldToLocal(local);
  vertexTable_->SetPoint(index, local);
  ShapeChanged(1);
}

void TPolygon::DeleteVertices(int32_t index, int32_t n) {
  if (vertexTable_ != nullptr) vertexTable_->DeletePoints(index, n);
  InvalidateMassProperties();
  InvalidateScreenCache();
}

void TPolygon::DuplicateVertex(int32_t index, int32_t n) {
  if (vertexTable_ != nullptr) vertexTable_->DuplicatePoint(index, n);
  InvalidateScreenCache();
}

void TPolygon::InsertVertex(const int16_t& index, const TVector& world) {
  if (vertexTable_ != nullptr && vertexTable_->GetCount() > 0) {
    TVector local = world;
    WorldToLocal(local);
    if (index != 0) {
      DuplicateVertex(index, 1);
      vertexTable_->SetPoint(index + 1, local);
    } else {
      DuplicateVertex(1, 1);
      vertexTable_->SetPoint(1, local);
    }
  }
  InvalidateMassProperties();
}

void TPolygon::DeleteVertex(const int16_t& index) {
  DeleteVertices(index, 1);
}

uint16_t TPolygon::FindHotPoint(double tolerance, const TVector& mouse, TVector& world,
                                TVector& own, int32_t& kind, int16_t& index) {
  int32_t number = 0;
  if (!FindSnapPoint(tolerance, mouse, world, own, kind, number)) return 0;
  index = static_cast<int16_t>(number);
  return 1;
}

bool TPolygon::FindSnapPoint(double tolerance, const TVector& worldPoint, TVector& world,
                             TVector& local, int32_t& kind, int32_t& index) {
  TVector p = worldPoint;
  WorldToLocal(p);
  const int32_t n = GetHotPointCount();
  double best = std::numeric_limits<double>::infinity();
  for (int32_t i = 1; i <= n; ++i) {
    TVector v;
    if (!GetVertex(i, v)) break;
    if (!InSquare(p, v, tolerance)) continue;
    TVector image = v;
    LocalToWorld(image);
    const double distance = (image - worldPoint).Length();
    if (distance >= best) continue;
    best = distance;
    kind = kSnapVertex;
    index = i;
    local = v;
    world = image;
  }
  if (best < std::numeric_limits<double>::infinity()) return true;
  for (int32_t i = 1; i <= n; ++i) {
    TVector a;
    TVector b;
    if (!GetVertex(i, a) || !GetVertex(i == n ? 1 : i + 1, b)) break;
    const TVector middle = Plus(a, Scaled(b - a, 0.5));
    if (!InSquare(p, middle, tolerance)) continue;
    kind = kSnapEdgeMiddle;
    index = i;
    local = middle;
    world = middle;
    LocalToWorld(world);
    return true;
  }
  return false;
}

void TPolygon::GetExportCounts(uint16_t flag, int16_t& n, int16_t& p, int16_t& q, int16_t& r) {
  n = static_cast<int16_t>(std::min(GetHotPointCount(), 32767 / 6));
  p = static_cast<int16_t>(flag != 0 ? 2 * n : n);
  q = static_cast<int16_t>(flag != 0 ? n + 2 : 1);
  r = static_cast<int16_t>(flag != 0 ? 6 * n : n);
}

void TPolygon::ExportVertices(int32_t n,
                              void (*output)(const TVector& point, int32_t dimension, void*),
                              void* context) {
  if (vertexTable_ == nullptr || output == nullptr) return;
  // The caller's count never reaches past the table.
  const int32_t count = std::min(n, vertexTable_->GetCount());
  constexpr int32_t kLength = 0x01000000;
  for (int32_t i = 1; i <= count; ++i)
    output(vertexTable_->GetPoint(i), kLength, context);
}

void TPolygon::BeginHoldPosition(uint16_t& previous) {
  previous = holdPosition_;
  holdPosition_ = 1;
}

void TPolygon::EndHoldPosition(uint16_t previous) {
  if (previous == 0) holdPosition_ = 0;
}

void TPolygon::SetPlacement(const TVector3& p) {
  if (holdPosition_ != 0) return;
  TMass::SetPlacement(p);
}

void TPolygon::MoveBy(const TVector& d) {
  if (holdPosition_ != 0) return;
  TMass::MoveBy(d);
}
