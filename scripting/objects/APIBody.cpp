#include "scripting/objects/APIBody.h"

#include "bodies/Background.h"
#include "bodies/BodyTags.h"
#include "bodies/Polygon.h"
#include "bodies/Shapes.h"
#include "bodies/Table.h"
#include "scripting/host/CallFrame.h"
#include "scripting/objects/APICell.h"
#include "scripting/objects/ObjectSupport.h"

IMPLEMENT_DYNAMIC(TAPIBody, TAPILink)
IMPLEMENT_DYNAMIC(TAPICircle, TAPIBody)
IMPLEMENT_DYNAMIC(TAPIRectangle, TAPIBody)
IMPLEMENT_DYNAMIC(TAPIPolygon, TAPIBody)
IMPLEMENT_DYNAMIC(TAPIBodyCollection, TAPIWorldCollection)

namespace {

constexpr uint32_t kTagCurved = MakeTag("curv");

// The name of the shape when the body is of the class, else "undefined" with code 1.
APIResult ShapeName(TAPIDispatcher* object, const TLink* body, int16_t classID, const char* shape,
                    Str63& name) {
  TAPICallContext context(object, "");
  if (IsKindOfSafe(body, classID)) {
    name = shape;
  } else {
    name = "undefined";
    context.Fail(kAPINoTarget);
  }
  return context.Result();
}

}  // namespace

TAPIBody::TAPIBody(TAPICallLog* callLog, TLink* target, TAPIDispatcher* parent)
    : TAPILink(callLog, target, parent) {
  SetTag(kTag);
}

bool TAPIBody::IsKindOfTag(uint32_t tag) const {
  return tag == kTag || TAPILink::IsKindOfTag(tag);
}

const Str31& TAPIBody::GetClassName() const {
  static const Str31 name("TAPIBody");
  return name;
}

APIResult TAPIBody::GetTypeName(Str63& name) {
  TAPICallContext context(this, "");
  const TLink* body = Link();
  if (IsKindOfSafe(body, TOval::kClassID)) {
    name = "circle";
  } else if (IsKindOfSafe(body, TRectangle::kClassID)) {
    name = "rectangle";
  } else if (IsKindOfSafe(body, TPolygon::kClassID)) {
    name = "polygon";
  } else if (IsKindOfSafe(body, TZeroMass::kClassID)) {
    name = "background";
  } else {
    name = "undefined";
    context.Fail(kAPINoTarget);
  }
  return context.Result();
}

APIResult TAPIBody::GetCell(uint32_t tag, TAPICell** cell) {
  TAPICallContext context(this, "");
  *cell = nullptr;
  TLink* body = TargetOfClass(TMass::kClassID);
  if (body == nullptr) {
    context.Fail(kAPICannotGet);
    return context.Result();
  }
  *cell = CellOfProperty(body, tag, this);
  return context.Result();
}

APIResult TAPIBody::GetShapeCell(int16_t classID, uint32_t tag, TAPICell** cell) {
  TAPICallContext context(this, "");
  *cell = nullptr;
  if (Link() == nullptr) {
    context.Fail(kAPINoTarget);
    return context.Result();
  }
  TLink* body = TargetOfClass(classID);
  if (body == nullptr) {
    context.Fail(kAPICannotGet);
    return context.Result();
  }
  *cell = CellOfProperty(body, tag, this);
  return context.Result();
}

APIResult TAPIBody::GetDisplayedNumber(uint32_t tag, int32_t dimension, double& value) {
  TAPICallContext context(this, "");
  value = 0.0;
  TLink* body = TargetOfClass(TMass::kClassID);
  if (body == nullptr) {
    context.Fail(kAPICannotGet);
    return context.Result();
  }
  body->GetNumberProperty(tag, value, nullptr);
  value *= ToDisplayFactor(body, dimension);
  return context.Result();
}

APIResult TAPIBody::GetDensity(double& density) {
  return GetDisplayedNumber(body_tags::kTagDensity, body_tags::kDimDensity, density);
}

APIResult TAPIBody::GetArea(double& area) {
  return GetDisplayedNumber(body_tags::kTagArea, body_tags::kDimArea, area);
}

TAPICircle::TAPICircle(TAPICallLog* callLog, TLink* target, TAPIDispatcher* parent)
    : TAPIBody(callLog, target, parent) {
  SetTag(kTag);
}

bool TAPICircle::IsKindOfTag(uint32_t tag) const {
  return tag == kTag || TAPIBody::IsKindOfTag(tag);
}

const Str31& TAPICircle::GetClassName() const {
  static const Str31 name("TAPICircle");
  return name;
}

APIResult TAPICircle::GetTypeName(Str63& name) {
  return ShapeName(this, Link(), TOval::kClassID, "circle", name);
}

APIResult TAPICircle::GetRadius(TAPICell** cell) {
  return GetShapeCell(TOval::kClassID, body_tags::kTagRadius, cell);
}

TAPIRectangle::TAPIRectangle(TAPICallLog* callLog, TLink* target, TAPIDispatcher* parent)
    : TAPIBody(callLog, target, parent) {
  SetTag(kTag);
}

bool TAPIRectangle::IsKindOfTag(uint32_t tag) const {
  return tag == kTag || TAPIBody::IsKindOfTag(tag);
}

const Str31& TAPIRectangle::GetClassName() const {
  static const Str31 name("TAPIRectangle");
  return name;
}

APIResult TAPIRectangle::GetTypeName(Str63& name) {
  return ShapeName(this, Link(), TRectangle::kClassID, "rectangle", name);
}

APIResult TAPIRectangle::GetHeight(TAPICell** cell) {
  return GetShapeCell(TRectangle::kClassID, body_tags::kTagHeight, cell);
}

APIResult TAPIRectangle::GetWidth(TAPICell** cell) {
  return GetShapeCell(TRectangle::kClassID, body_tags::kTagWidth, cell);
}

TAPIPolygon::TAPIPolygon(TAPICallLog* callLog, TLink* target, TAPIDispatcher* parent)
    : TAPIBody(callLog, target, parent) {
  SetTag(kTag);
}

bool TAPIPolygon::IsKindOfTag(uint32_t tag) const {
  return tag == kTag || TAPIBody::IsKindOfTag(tag);
}

const Str31& TAPIPolygon::GetClassName() const {
  static const Str31 name("TAPIPolygon");
  return name;
}

APIResult TAPIPolygon::GetTypeName(Str63& name) {
  return ShapeName(this, Link(), TPolygon::kClassID, "polygon", name);
}

TPolygon* TAPIPolygon::Polygon() const {
  return static_cast<TPolygon*>(TargetOfClass(TPolygon::kClassID));
}

bool TAPIPolygon::IsCurved() const {
  TPolygon* polygon = Polygon();
  if (polygon == nullptr) return false;
  uint16_t curved = 0;
  polygon->GetFlagProperty(kTagCurved, curved, nullptr);
  return curved != 0;
}

namespace {

int32_t VertexCountOf(TPolygon& polygon) {
  const TTable* table = polygon.GetVertices();
  return table != nullptr ? table->GetCount() : 0;
}

// The second coordinate of a curved polygon's vertex is an angle.
int32_t SecondDimension(bool curved) {
  return curved ? body_tags::kDimAngle : body_tags::kDimLength;
}

}  // namespace

APIResult TAPIPolygon::GetVertexCount(int32_t& count) {
  TAPICallContext context(this, "");
  count = 0;
  TPolygon* polygon = Polygon();
  if (polygon == nullptr) {
    context.Fail(kAPINoTarget);
    return context.Result();
  }
  count = VertexCountOf(*polygon);
  return context.Result();
}

APIResult TAPIPolygon::GetVertex(int32_t index, double& x, double& y) {
  TAPICallContext context(this, "");
  TPolygon* polygon = Polygon();
  if (polygon == nullptr) {
    context.Fail(kAPINoTarget);
    return context.Result();
  }
  x = 0.0;
  y = 0.0;
  if (index < 1 || index > VertexCountOf(*polygon)) return context.Result();
  // The polygon's hot-point frame: its own coordinates, or (distance, angle) while curved.
  polygon->GetNumberProperty(point_ref::Make(point_ref::kHotFrame, index, true), x, nullptr);
  polygon->GetNumberProperty(point_ref::Make(point_ref::kHotFrame, index, false), y, nullptr);
  x *= ToDisplayFactor(polygon, body_tags::kDimLength);
  y *= ToDisplayFactor(polygon, SecondDimension(IsCurved()));
  return context.Result();
}

APIResult TAPIPolygon::AddVertex(int32_t index, double x, double y) {
  TAPICallContext context(this, "");
  TPolygon* polygon = Polygon();
  if (polygon == nullptr) {
    context.Fail(kAPINoTarget);
    return context.Result();
  }
  const int32_t count = VertexCountOf(*polygon);
  // An empty outline has no vertex to copy; no command names a vertex that does not exist.
  if (count == 0 || index < 1 || index > count + 1) return context.Result();
  const double first = x * FromDisplayFactor(polygon, body_tags::kDimLength);
  const double second = y * FromDisplayFactor(polygon, SecondDimension(IsCurved()));
  const int32_t copied = index == count + 1 ? count : index;
  const int32_t placed = index == count + 1 ? count + 1 : index;
  // One edit, so that one undo takes the new vertex back whole. The copy of its neighbour is
  // moved in the polygon's hot-point frame, which converts the values once.
  ApplyObjectEdit(*polygon, [copied, placed, first, second](TLink& object) {
    object.DoAction(point_ref::Make(point_ref::kInsert, copied, true));
    object.SetNumberProperty(point_ref::Make(point_ref::kHotFrame, placed, true), first);
    object.SetNumberProperty(point_ref::Make(point_ref::kHotFrame, placed, false), second);
  });
  return context.Result();
}

APIResult TAPIPolygon::DeleteVertex(int32_t index) {
  TAPICallContext context(this, "");
  TPolygon* polygon = Polygon();
  if (polygon == nullptr) {
    context.Fail(kAPINoTarget);
    return context.Result();
  }
  const int32_t count = VertexCountOf(*polygon);
  // An outline keeps at least three vertices.
  if (index < 1 || index > count || count <= polygon->GetMinVertexCount()) return context.Result();
  ApplyTagAction(*polygon, point_ref::Make(point_ref::kDelete, index, true));
  return context.Result();
}

APIResult TAPIPolygon::GetCurved(bool& curved) {
  TAPICallContext context(this, "");
  curved = IsCurved();
  return context.Result();
}

APIResult TAPIPolygon::SetCurved(bool curved) {
  TAPICallContext context(this, "");
  TPolygon* polygon = Polygon();
  if (polygon == nullptr) return context.Result();
  // Only a polygon that can bend answers the flag; a straight one stays straight, and the script
  // hears that the property is not its to set rather than a silent success.
  uint16_t current = 0;
  if (polygon->GetFlagProperty(kTagCurved, current, nullptr) == 0) {
    context.Fail(kAPICannotSet);
    return context.Result();
  }
  polygon->SetFlagProperty(kTagCurved, curved ? 1 : 0);
  return context.Result();
}

TAPIBodyCollection::TAPIBodyCollection(TAPICallLog* callLog, TWorldDoc* world,
                                       TAPIDispatcher* parent)
    : TAPIWorldCollection(callLog, world, parent, kTag) {}

const Str31& TAPIBodyCollection::GetClassName() const {
  static const Str31 name("TAPIBodyCollection");
  return name;
}

bool TAPIBodyCollection::Holds(const TLink& object) const {
  return object.IsMemberClass(TMass::kClassID) && !object.IsMemberClass(TZeroMass::kClassID);
}

TAPIDispatcher* TAPIBodyCollection::WrapItem(TObject* element) {
  return WrapAs(element, TMass::kClassID, TAPIBody::kTag, false);
}
