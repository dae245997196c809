#include "bodies/FormulaGeometry.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "bodies/Body.h"
#include "bodies/Polygon.h"
#include "bodies/Shapes.h"
#include "bodies/Table.h"
#include "bodies/points/Point.h"
#include "model/world/WorldDoc.h"
#include "simulation/FormulaWorld.h"

namespace {

std::string NameOf(TLink& object) {
  const Str255& name = static_cast<TNamedLink&>(object).GetName();
  return {name.Chars(), static_cast<size_t>(name.Length())};
}

FormulaVector VectorOf(const TVector3& v) {
  return {v.x, v.y, v.r};
}

// Outside a run a body or point has its initial velocity but no acceleration yet, and no
// extent (that is a constraint's).
void OnlyDuringARun(TFormulaObjectState& state) {
  state.hasAcceleration = false;
  state.hasDisplacement = false;
  state.hasDisplacementRate = false;
}

bool DescribeBodyOrPoint(TLink& object, TFormulaObjectState& state) {
  if (object.IsMemberClass(TMass::kClassID)) {
    auto& body = static_cast<TMass&>(object);
    state = TFormulaObjectState();
    state.kind = FormulaObjectKind::kBody;
    state.number = body.GetIdentifier();
    state.name = NameOf(body);
    state.position = VectorOf(body.GetPositionValues());
    state.velocity = VectorOf(body.GetVelocityValues());
    state.mass = body.GetMass();
    state.charge = body.Charge() != nullptr ? body.Charge()->GetValue() : 0.0;
    state.hasMass = true;
    OnlyDuringARun(state);
    return true;
  }
  if (object.IsMemberClass(TPoint::kClassID)) {
    auto& point = static_cast<TPoint&>(object);
    state = TFormulaObjectState();
    state.kind = FormulaObjectKind::kPoint;
    state.number = point.GetIdentifier();
    state.name = NameOf(point);
    state.position = VectorOf(point.GetWorldPosition());
    state.velocity = VectorOf(point.GetBodyVelocity());
    OnlyDuringARun(state);
    return true;
  }
  return false;
}

// The centre of mass of the real bodies of the world (group 0, the only group formulas know
// outside a run as in it).
int32_t GroupCentreOfMass(const void* context, int32_t group, FormulaVector& out) {
  if (context == nullptr) return kFormulaNoValue;
  if (group != 0) return kFormulaUnknownObject;
  const auto& world = *static_cast<const TWorldDoc*>(context);
  double mass = 0.0;
  double x = 0.0;
  double y = 0.0;
  for (TLink* object : world.Objects()) {
    if (!object->IsMemberClass(TMass::kClassID) || object->GetIdentifier() == 0) continue;
    auto& body = static_cast<TMass&>(*object);
    const double m = body.GetMass();
    const TVector centre = body.GetCOMWorld();
    x += m * centre.x;
    y += m * centre.y;
    mass += m;
  }
  if (!(mass > 0.0)) return kFormulaNoValue;
  out = FormulaVector{x / mass, y / mass, 0.0};
  return kFormulaOk;
}

// The extent of the local points along the unit normal (nx, ny).
double Spread(const std::vector<TVector>& points, double nx, double ny) {
  double low = std::numeric_limits<double>::infinity();
  double high = -low;
  for (const TVector& p : points) {
    const double t = p.x * nx + p.y * ny;
    low = std::min(low, t);
    high = std::max(high, t);
  }
  return points.empty() ? 0.0 : high - low;
}

std::vector<TVector> OutlineOf(TMass& body) {
  std::vector<TVector> points;
  if (body.IsMemberClass(TPolygon::kClassID)) {
    if (TTable* table = static_cast<TPolygon&>(body).GetVertexTable()) {
      for (int32_t i = 1; i <= table->GetCount(); ++i)
        points.push_back(table->GetPoint(i));
    }
    return points;
  }
  const TDoubleRect& bounds = body.LocalBounds();
  points = {{bounds.left, bounds.top}, {bounds.right, bounds.top}, {bounds.right, bounds.bottom},
            {bounds.left, bounds.bottom}};
  return points;
}

// The width of the body's outline across the direction (a world direction; the body turns).
int32_t Section(const void* context, const FormulaObject& which, const FormulaVector& direction,
                double& out) {
  if (context == nullptr) return kFormulaNoValue;
  if (which.kind != FormulaObjectKind::kBody && which.kind != FormulaObjectKind::kNumber)
    return kFormulaUnknownObject;
  const auto& world = *static_cast<const TWorldDoc*>(context);
  TLink* object = world.FindObject(which.number);
  if (object == nullptr || !object->IsMemberClass(TMass::kClassID)) return kFormulaUnknownObject;
  auto& body = static_cast<TMass&>(*object);
  const double length = std::hypot(direction.x, direction.y);
  if (length == 0.0) {
    out = 0.0;
    return kFormulaOk;
  }
  // The normal to the direction, in the body's frame.
  const double angle = body.GetPositionValues().r;
  const double wx = direction.x / length;
  const double wy = direction.y / length;
  const double c = std::cos(angle);
  const double s = std::sin(angle);
  const double nx = -(c * wy - s * wx);
  const double ny = c * wx + s * wy;
  if (body.IsMemberClass(TOval::kClassID)) {
    out = 2.0 * body.GetShapeRadius();
    return kFormulaOk;
  }
  if (body.IsMemberClass(TRectangle::kClassID)) {
    const TVector size = static_cast<TRectangle&>(body).GetSize();
    out = std::abs(nx) * size.x + std::abs(ny) * size.y;
    return kFormulaOk;
  }
  if (body.GetIdentifier() == 0) return kFormulaNoValue;
  out = Spread(OutlineOf(body), nx, ny);
  return kFormulaOk;
}

}  // namespace

void InstallFormulaGeometry() {
  InstallFormulaObjectDescriber(DescribeBodyOrPoint);
  GeometryCallbacks().groupCentreOfMass = GroupCentreOfMass;
  GeometryCallbacks().section = Section;
}

void RemoveFormulaGeometry() {
  RemoveFormulaObjectDescriber(DescribeBodyOrPoint);
  GeometryCallbacks() = TGeometryCallbacks();
}
