#include "scripting/objects/APIPoint.h"

#include "bodies/Body.h"
#include "bodies/BodyTags.h"
#include "bodies/points/Point.h"
#include "model/Formula.h"
#include "model/command/PropertyOps.h"
#include "model/world/WorldDoc.h"
#include "scripting/document/APIDocument.h"
#include "scripting/host/CallFrame.h"
#include "scripting/objects/APICell.h"
#include "scripting/objects/ObjectSupport.h"

IMPLEMENT_DYNAMIC(TAPIPoint, TAPILink)
IMPLEMENT_DYNAMIC(TAPIPointCollection, TAPIWorldCollection)

namespace {

constexpr int16_t kWorldPointIdentifier = 10012;

}  // namespace

TAPIPoint::TAPIPoint(TAPICallLog* callLog, TLink* target, TAPIDispatcher* parent)
    : TAPILink(callLog, target, parent) {
  SetTag(kTag);
}

bool TAPIPoint::IsKindOfTag(uint32_t tag) const {
  return tag == kTag || TAPILink::IsKindOfTag(tag);
}

const Str31& TAPIPoint::GetClassName() const {
  static const Str31 name("TAPIPoint");
  return name;
}

TPoint* TAPIPoint::Point() const {
  return static_cast<TPoint*>(TargetOfClass(TPoint::kClassID));
}

TPoint* TAPIPoint::PointOrFail(TAPICallContext& context, int16_t code) const {
  if (Link() == nullptr) {
    context.Fail(kAPINoTarget);
    return nullptr;
  }
  TPoint* point = Point();
  if (point == nullptr) context.Fail(code);
  return point;
}

APIResult TAPIPoint::GetTypeName(Str63& name) {
  TAPICallContext context(this, "");
  const TLink* point = Link();
  if (IsKindOfSafe(point, TAnchor::kClassID)) {
    name = "anchor";
  } else if (IsKindOfSafe(point, TPoint::kClassID)) {
    // The square picture is that of a locked point, the point of a weld.
    name = static_cast<const TPoint*>(point)->IsLocked() != 0 ? "squarepoint" : "point";
  } else {
    name = "undefined";
    context.Fail(kAPINoTarget, 6);
  }
  return context.Result();
}

APIResult TAPIPoint::GetCell(uint32_t tag, TAPICell** cell) {
  TAPICallContext context(this, "");
  *cell = nullptr;
  if (TPoint* point = PointOrFail(context, kAPICannotGet)) *cell = CellOfProperty(point, tag, this);
  return context.Result();
}

namespace {

int32_t DimensionOf(int component) {
  return component == 2 ? body_tags::kDimAngle : body_tags::kDimLength;
}

double Component(const TVector3& position, int component) {
  return component == 0 ? position.x : component == 1 ? position.y : position.r;
}

// Moves a point to a world-frame placement as one undoable step: the whole point is recorded
// before and after.
class TPointPlacementOp : public TPropertyOp {
 public:
  explicit TPointPlacementOp(const TVector3& placement) : placement_(placement) {}
  void ApplyTo(TLink* object) override {
    static_cast<TPoint*>(object)->SetWorldPosition(placement_);
    object->ForEachLinked(1);
  }

 private:
  TVector3 placement_;
};

}  // namespace

APIResult TAPIPoint::GetGlobal(int component, double& value) {
  TAPICallContext context(this, "");
  value = 0.0;
  TPoint* point = PointOrFail(context, kAPICannotGet);
  if (point == nullptr) return context.Result();
  value = Component(point->GetWorldPosition(), component) *
          ToDisplayFactor(point, DimensionOf(component));
  return context.Result();
}

APIResult TAPIPoint::SetGlobal(int component, double value) {
  TAPICallContext context(this, "");
  TPoint* point = PointOrFail(context, kAPICannotSet);
  if (point == nullptr) return context.Result();
  const double internal = value * FromDisplayFactor(point, DimensionOf(component));
  const bool formula = component == 2
                           ? point->LocalRotation()->IsFormula()
                           : point->LocalX()->IsFormula() || point->LocalY()->IsFormula();
  if (formula) return context.Result();
  TVector3 position = point->GetWorldPosition();
  (component == 0 ? position.x : component == 1 ? position.y : position.r) = internal;
  TWorldDoc* world = WorldOfObject(point);
  if (world == nullptr) {
    point->SetWorldPosition(position);
    point->ForEachLinked(1);
    return context.Result();
  }
  // A move in a world is a command of it, undone as one step; reached from the document, the
  // world then brings what follows the point up to date.
  auto command = std::make_unique<TPointPlacementOp>(position);
  command->InitPropertyOp(0, world, 1);
  command->AddTarget(point);
  PerformAtOnce(std::move(command));
  if (parent() != nullptr && parent()->HasTag(TAPIDocument::kTag)) world->Changed(0);
  return context.Result();
}

APIResult TAPIPoint::GetBody(TAPIDispatcher** body) {
  TAPICallContext context(this, "");
  *body = nullptr;
  TPoint* point = PointOrFail(context, kAPICannotGet);
  if (point == nullptr || point->GetBody() == nullptr) return context.Result();
  *body = static_cast<TAPIDispatcher*>(point->GetBody()->GetAPIObject(parent()));
  return context.Result();
}

APIResult TAPIPoint::SetBody(TAPIDispatcher* body) {
  TAPICallContext context(this, "");
  TPoint* point = PointOrFail(context, kAPICannotSet);
  if (point == nullptr || body == nullptr || !body->IsKindOfTag(MakeTag("APBo")))
    return context.Result();
  auto* mass = static_cast<TObject*>(body->target());
  if (!IsKindOfSafe(mass, TMass::kClassID)) return context.Result();
  // A body of another world would leave the point joined across documents.
  TWorldDoc* world = WorldOfObject(point);
  if (world == nullptr || WorldOfObject(static_cast<TMass*>(mass)) != world)
    return context.Result();
  point->AttachToBody(static_cast<TMass*>(mass));
  return context.Result();
}

APIResult TAPIPoint::GetConstraint(TAPIDispatcher** constraint) {
  TAPICallContext context(this, "");
  *constraint = nullptr;
  TPoint* point = PointOrFail(context, kAPICannotGet);
  if (point == nullptr || point->ConstraintCount() == 0) return context.Result();
  auto* first = static_cast<TLink*>(point->Constraints()->At(1));
  if (first != nullptr) *constraint = static_cast<TAPIDispatcher*>(first->GetAPIObject(this));
  return context.Result();
}

TAPIPointCollection::TAPIPointCollection(TAPICallLog* callLog, TWorldDoc* world,
                                         TAPIDispatcher* parent)
    : TAPIWorldCollection(callLog, world, parent, kTag) {}

const Str31& TAPIPointCollection::GetClassName() const {
  static const Str31 name("TAPIPointCollection");
  return name;
}

bool TAPIPointCollection::Holds(const TLink& object) const {
  // The world's own point stands last in its list; scripts never see it, and no point that the
  // user made is left out in its place.
  return object.IsMemberClass(TPoint::kClassID) && object.GetIdentifier() != kWorldPointIdentifier;
}

TAPIDispatcher* TAPIPointCollection::WrapItem(TObject* element) {
  return WrapAs(element, TPoint::kClassID, TAPIPoint::kTag, false);
}
