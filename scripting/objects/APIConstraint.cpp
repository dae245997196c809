#include "scripting/objects/APIConstraint.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <memory>
#include <vector>

#include "bodies/BodyTags.h"
#include "bodies/Polygon.h"
#include "bodies/Table.h"
#include "bodies/points/Point.h"
#include "constraints/Constraint.h"
#include "constraints/CurvedSlot.h"
#include "constraints/Field.h"
#include "constraints/Forces.h"
#include "constraints/Gear.h"
#include "constraints/Pin.h"
#include "constraints/Pistons.h"
#include "constraints/Ropes.h"
#include "constraints/Slot.h"
#include "constraints/Springs.h"
#include "model/filing/ObjectReader.h"
#include "model/world/ObjectNumbering.h"
#include "model/world/WorldDoc.h"
#include "scripting/host/CallFrame.h"
#include "scripting/objects/APICell.h"
#include "scripting/objects/ObjectSupport.h"

IMPLEMENT_DYNAMIC(TAPIConstraint, TAPILink)
IMPLEMENT_DYNAMIC(TAPIConstraintCollection, TAPIWorldCollection)

namespace {

constexpr uint32_t kTagDrive = MakeTag("kres");
constexpr uint32_t kTagOpenSlot = MakeTag("_oPn");
constexpr uint32_t kTagClosedSlot = MakeTag("_cLd");
constexpr int16_t kSubcodeNotOfKind = 7;
constexpr int16_t kSubcodeNoQuantity = 11;

struct KindName {
  int16_t classID;
  const char* name;
};

// Tested in order; the first class the constraint belongs to names it.
constexpr KindName kKindNames[] = {
    {TLDampSpring::kClassID, "springdamper"},
    {TLSpring::kClassID, "spring"},
    {TRSpring::kClassID, "rotationalspring"},
    {TRDamper::kClassID, "rotationaldamper"},
    {TLDamper::kClassID, "damper"},
    {TRPiston::kClassID, "motor"},
    {TLPiston::kClassID, "actuator"},
    {TGear::kClassID, "gear"},
    {TForce::kClassID, "force"},
    {TTorque::kClassID, "torque"},
    {TCurvedSlot::kClassID, "curvedslot"},
    {TSlot::kClassID, "slot"},
};

const char* RopeKind(const TLRope& rope) {
  if (rope.IsMemberClass(TRod::kClassID)) return "rod";
  if (rope.GetType() == TLRope::kSeparator) return "separator";
  return rope.AttachedCount() > 2 ? "pulley" : "rope";
}

int16_t BodyIdentifierOf(const TLink* point) {
  if (!IsKindOfSafe(point, TPoint::kClassID)) return 0;
  const TMass* body = static_cast<const TPoint*>(point)->GetBody();
  return body != nullptr ? body->GetIdentifier() : 0;
}

}  // namespace

TAPIConstraint::TAPIConstraint(TAPICallLog* callLog, TLink* target, TAPIDispatcher* parent)
    : TAPILink(callLog, target, parent) {
  SetTag(kTag);
}

bool TAPIConstraint::IsKindOfTag(uint32_t tag) const {
  return tag == kTag || TAPILink::IsKindOfTag(tag);
}

const Str31& TAPIConstraint::GetClassName() const {
  static const Str31 name("TAPIConstraint");
  return name;
}

TCnstr* TAPIConstraint::Constraint() const {
  return static_cast<TCnstr*>(TargetOfClass(TCnstr::kClassID));
}

APIResult TAPIConstraint::GetTypeName(Str63& name) {
  TAPICallContext context(this, "");
  const TCnstr* constraint = Constraint();
  if (constraint == nullptr) {
    name = "undefined";
    context.Fail(kAPINoTarget, kSubcodeNotOfKind);
    return context.Result();
  }
  name = "";
  for (const KindName& kind : kKindNames) {
    if (constraint->IsMemberClass(kind.classID)) {
      name = kind.name;
      return context.Result();
    }
  }
  if (constraint->IsMemberClass(TPin::kClassID)) {
    name = static_cast<const TPin*>(constraint)->GetWeld() == 0 ? "pin" : "squarepin";
  } else if (constraint->IsMemberClass(TLRope::kClassID)) {
    name = RopeKind(*static_cast<const TLRope*>(constraint));
  }
  return context.Result();
}

APIResult TAPIConstraint::GetCell(int16_t classID, uint32_t tag, int16_t code, int16_t subcode,
                                  TAPICell** cell) {
  TAPICallContext context(this, "");
  *cell = nullptr;
  TLink* constraint = TargetOfClass(classID);
  if (constraint == nullptr) {
    context.Fail(code, subcode);
    return context.Result();
  }
  *cell = CellOfProperty(constraint, tag, this);
  return context.Result();
}

APIResult TAPIConstraint::GetLength(TAPICell** cell) {
  if (TargetOfClass(TLRope::kClassID) != nullptr)
    return GetCell(TLRope::kClassID, MakeTag("a___"), kAPICannotGet, kSubcodeNoQuantity, cell);
  return GetCell(TLSpring::kClassID, MakeTag("b___"), kAPICannotGet, kSubcodeNoQuantity, cell);
}

APIResult TAPIConstraint::GetRotation(TAPICell** cell) {
  if (TargetOfClass(TRSpring::kClassID) != nullptr)
    return GetCell(TRSpring::kClassID, MakeTag("b___"), kAPICannotGet, kSubcodeNoQuantity, cell);
  return GetCell(TRDamper::kClassID, MakeTag("a___"), kAPICannotGet, kSubcodeNoQuantity, cell);
}

APIResult TAPIConstraint::GetCurrentValue(uint32_t tag, int32_t dimension, double& value) {
  TAPICallContext context(this, "");
  value = 0.0;
  TLink* constraint = TargetOfClass(TConstraint::kClassID);
  if (constraint == nullptr) {
    context.Fail(kAPICannotGet, kSubcodeNoQuantity);
    return context.Result();
  }
  constraint->GetNumberProperty(tag, value, nullptr);
  value *= ToDisplayFactor(constraint, dimension);
  return context.Result();
}

APIResult TAPIConstraint::GetExponent(int16_t& exponent) {
  TAPICallContext context(this, "");
  exponent = 0;
  if (auto* spring = static_cast<TXCnstr*>(TargetOfClass(TXCnstr::kClassID)))
    exponent = spring->GetExponent();
  return context.Result();
}

APIResult TAPIConstraint::SetExponent(int16_t exponent) {
  TAPICallContext context(this, "");
  auto* spring = static_cast<TXCnstr*>(TargetOfClass(TXCnstr::kClassID));
  if (spring == nullptr) {
    context.Fail(kAPICannotSet, kSubcodeNoQuantity);
    return context.Result();
  }
  spring->SetExponent(exponent < -5 ? -5 : exponent > 5 ? 5 : exponent);
  spring->Changed();
  return context.Result();
}

APIResult TAPIConstraint::GetAlwaysActive(bool& on) {
  TAPICallContext context(this, "");
  on = false;
  if (TCnstr* constraint = Constraint()) {
    on = constraint->IsAlwaysActive();
  } else {
    context.Fail(kAPINoTarget);
  }
  return context.Result();
}

APIResult TAPIConstraint::SetAlwaysActive(bool on) {
  TAPICallContext context(this, "");
  TCnstr* constraint = Constraint();
  if (constraint == nullptr) {
    context.Fail(kAPINoTarget);
    return context.Result();
  }
  constraint->SetAlwaysActive(on ? 1 : 0);
  constraint->Changed();
  return context.Result();
}

APIResult TAPIConstraint::GetFlag(int16_t classID, uint32_t tag, bool& on) {
  TAPICallContext context(this, "");
  on = false;
  TLink* constraint = TargetOfClass(classID);
  if (constraint == nullptr) {
    context.Fail(kAPICannotGet);
    return context.Result();
  }
  uint16_t value = 0;
  uint16_t attribute = 0;
  constraint->GetFlagProperty(tag, value, &attribute);
  on = value != 0;
  return context.Result();
}

APIResult TAPIConstraint::SetFlag(int16_t classID, uint32_t tag, bool on) {
  TAPICallContext context(this, "");
  TLink* constraint = TargetOfClass(classID);
  if (constraint == nullptr) {
    context.Fail(kAPICannotSet);
    return context.Result();
  }
  constraint->SetFlagProperty(tag, on ? 1 : 0);
  return context.Result();
}

APIResult TAPIConstraint::GetDrive(const char* const words[4], Str63& word) {
  TAPICallContext context(this, "");
  TLink* piston = TargetOfClass(TPiston::kClassID);
  if (piston == nullptr) {
    context.Fail(kAPINoTarget);
    return context.Result();
  }
  uint16_t index = 0;
  piston->GetShortProperty(kTagDrive, index, nullptr);
  word = index < 4 ? words[index] : "undefined";
  return context.Result();
}

APIResult TAPIConstraint::SetDrive(const char* const words[4], const Str255& word) {
  TAPICallContext context(this, "");
  TCnstr* constraint = Constraint();
  if (constraint == nullptr) {
    context.Fail(kAPINoTarget);
    return context.Result();
  }
  Str31 folded;
  folded.Assign(word.Chars());
  std::string key(folded.Chars(), static_cast<size_t>(folded.Length()));
  for (char& c : key)
    c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  uint16_t index = 0;
  for (uint16_t i = 0; i < 4; ++i) {
    if (key == words[i]) {
      index = i;
      break;
    }
  }
  // Constraints without a drive ignore it.
  constraint->SetShortProperty(kTagDrive, index);
  return context.Result();
}

APIResult TAPIConstraint::GetInternalBody(int16_t& identifier) {
  TAPICallContext context(this, "");
  identifier = 0;
  auto* gear = static_cast<TGear*>(TargetOfClass(TGear::kClassID));
  if (gear == nullptr) return context.Result();
  for (int member = 0; member < 2; ++member) {
    int16_t chosen = 0;
    gear->GetChoiceProperty(member == 0 ? kTagGearFirstInternal : kTagGearSecondInternal, chosen,
                            nullptr);
    if (chosen == 0) continue;
    if (gear->AttachedCount() > member) identifier = BodyIdentifierOf(gear->Attached()[member]);
    break;
  }
  return context.Result();
}

APIResult TAPIConstraint::SetInternalBody(int16_t identifier) {
  TAPICallContext context(this, "");
  auto* gear = static_cast<TGear*>(TargetOfClass(TGear::kClassID));
  if (gear == nullptr) {
    context.Fail(kAPICannotSet, kSubcodeNoQuantity);
    return context.Result();
  }
  const int16_t first = gear->AttachedCount() > 0 ? BodyIdentifierOf(gear->Attached()[0]) : 0;
  const int16_t second = gear->AttachedCount() > 1 ? BodyIdentifierOf(gear->Attached()[1]) : 0;
  if (identifier == first) {
    gear->SelectChoice(kTagGearFirstInternal);
  } else if (identifier == second) {
    gear->SelectChoice(kTagGearSecondInternal);
  }
  return context.Result();
}

APIResult TAPIConstraint::GetBasePoint(TAPIDispatcher** point) {
  TAPICallContext context(this, "");
  *point = nullptr;
  TCnstr* constraint = Constraint();
  if (constraint != nullptr && constraint->AttachedCount() > 1)
    *point = static_cast<TAPIDispatcher*>(constraint->Attached()[1]->GetAPIObject(this));
  return context.Result();
}

APIResult TAPIConstraint::GetTopPoint(TAPIDispatcher** point) {
  TAPICallContext context(this, "");
  *point = nullptr;
  TCnstr* constraint = Constraint();
  if (constraint != nullptr && constraint->AttachedCount() > 0)
    *point = static_cast<TAPIDispatcher*>(constraint->Attached()[0]->GetAPIObject(this));
  return context.Result();
}

APIResult TAPIConstraint::GetPoint(int16_t index, TAPIDispatcher** point) {
  TAPICallContext context(this, "");
  *point = nullptr;
  TCnstr* constraint = Constraint();
  if (constraint == nullptr) {
    context.Fail(kAPINoTarget);
    return context.Result();
  }
  if (index >= 1 && index <= constraint->AttachedCount()) {
    TLink* element = constraint->Attached()[static_cast<size_t>(index) - 1];
    if (element != nullptr) *point = static_cast<TAPIDispatcher*>(element->GetAPIObject(parent()));
  }
  return context.Result();
}

APIResult TAPIConstraint::GetPointCount(int32_t& count) {
  TAPICallContext context(this, "");
  count = 0;
  TCnstr* constraint = Constraint();
  if (constraint == nullptr) {
    context.Fail(kAPINoTarget, kSubcodeNotOfKind);
    return context.Result();
  }
  count = constraint->AttachedCount();
  return context.Result();
}

namespace {

// The template a new point is read from.
constexpr int16_t kPointTemplate = 2505;

}  // namespace

APIResult TAPIConstraint::AppendPoint(double x, double y) {
  TAPICallContext context(this, "");
  auto* rope = static_cast<TLRope*>(TargetOfClass(TLRope::kClassID));
  if (rope == nullptr) {
    context.Fail(kAPINoTarget, kSubcodeNotOfKind);
    return context.Result();
  }
  TWorldDoc* world = WorldOfObject(rope);
  if (world == nullptr) return context.Result();
  std::vector<std::unique_ptr<TLink>> read =
      ReadDefaultObjects(kPointTemplate, nullptr)->TakeObjects();
  if (read.empty() || !read.front()->IsMemberClass(TPoint::kClassID)) return context.Result();
  std::unique_ptr<TLink> made = std::move(read.front());
  auto* point = static_cast<TPoint*>(made.get());
  point->LocalX()->SetConstant(x);
  point->LocalY()->SetConstant(y);
  point->SetIdentifier(FreeIdentifier(*world));
  world->AdoptObject(std::move(made));
  if (!rope->IsAttachedTo(point)) rope->AttachObjectAndUpdate(point);
  return context.Result();
}

namespace {

TCurvedSlot* CurvedSlotOf(TLink* link) {
  return IsKindOfSafe(link, TCurvedSlot::kClassID) ? static_cast<TCurvedSlot*>(link) : nullptr;
}

int32_t SplinePointCount(const TCurvedSlot& slot) {
  const TTable* table = slot.GetPointTable();
  return table != nullptr ? table->GetCount() : 0;
}

}  // namespace

APIResult TAPIConstraint::GetVertexCount(int32_t& count) {
  TAPICallContext context(this, "");
  count = 0;
  TCurvedSlot* slot = CurvedSlotOf(Link());
  if (slot == nullptr) {
    context.Fail(kAPINoTarget, kSubcodeNotOfKind);
    return context.Result();
  }
  count = SplinePointCount(*slot);
  return context.Result();
}

APIResult TAPIConstraint::GetVertex(int32_t index, double& x, double& y) {
  TAPICallContext context(this, "");
  TCurvedSlot* slot = CurvedSlotOf(Link());
  if (slot == nullptr) {
    context.Fail(kAPINoTarget, kSubcodeNotOfKind);
    return context.Result();
  }
  x = 0.0;
  y = 0.0;
  if (index < 1 || index > SplinePointCount(*slot)) return context.Result();
  // The slot's hot-point frame: (distance, angle) while it is polar, else x and y.
  int32_t xKind = 0;
  int32_t yKind = 0;
  slot->GetControlPointValue(point_ref::Make(point_ref::kHotFrame, index, true), x, xKind);
  slot->GetControlPointValue(point_ref::Make(point_ref::kHotFrame, index, false), y, yKind);
  x *= ToDisplayFactor(slot, xKind);
  y *= ToDisplayFactor(slot, yKind);
  return context.Result();
}

APIResult TAPIConstraint::AddVertex(int32_t index, double x, double y) {
  TAPICallContext context(this, "");
  TCurvedSlot* slot = CurvedSlotOf(Link());
  if (slot == nullptr) {
    context.Fail(kAPINoTarget, kSubcodeNotOfKind);
    return context.Result();
  }
  const int32_t count = SplinePointCount(*slot);
  if (count == 0 || index < 1 || index > count + 1) return context.Result();
  double ignored = 0.0;
  int32_t xKind = 0;
  int32_t yKind = 0;
  slot->GetControlPointValue(point_ref::Make(point_ref::kHotFrame, 1, true), ignored, xKind);
  slot->GetControlPointValue(point_ref::Make(point_ref::kHotFrame, 1, false), ignored, yKind);
  const int32_t copied = index == count + 1 ? count : index;
  ApplyTagAction(*slot, point_ref::Make(point_ref::kInsert, copied, true));
  ApplyNumberProperty(*slot, point_ref::Make(point_ref::kHotFrame, index, true),
                      x * FromDisplayFactor(slot, xKind));
  ApplyNumberProperty(*slot, point_ref::Make(point_ref::kHotFrame, index, false),
                      y * FromDisplayFactor(slot, yKind));
  return context.Result();
}

APIResult TAPIConstraint::DeleteVertex(int32_t index) {
  TAPICallContext context(this, "");
  TCurvedSlot* slot = CurvedSlotOf(Link());
  if (slot == nullptr) {
    context.Fail(kAPINoTarget, kSubcodeNotOfKind);
    return context.Result();
  }
  const int32_t count = SplinePointCount(*slot);
  // A spline keeps at least three points.
  if (index < 1 || index > count || count <= 3) return context.Result();
  ApplyTagAction(*slot, point_ref::Make(point_ref::kDelete, index, true));
  return context.Result();
}

APIResult TAPIConstraint::GetClosedSlot(bool& closed) {
  TAPICallContext context(this, "");
  closed = false;
  TCurvedSlot* slot = CurvedSlotOf(Link());
  if (slot == nullptr) {
    context.Fail(kAPICannotGet);
    return context.Result();
  }
  uint16_t open = 0;
  slot->GetFlagProperty(kTagOpenSlot, open, nullptr);
  closed = open == 0;
  return context.Result();
}

APIResult TAPIConstraint::SetClosedSlot(bool closed) {
  TAPICallContext context(this, "");
  TCurvedSlot* slot = CurvedSlotOf(Link());
  if (slot == nullptr) {
    context.Fail(kAPICannotSet);
    return context.Result();
  }
  slot->SetFlagProperty(closed ? kTagClosedSlot : kTagOpenSlot, 1);
  return context.Result();
}

TAPIConstraintCollection::TAPIConstraintCollection(TAPICallLog* callLog, TWorldDoc* world,
                                                   TAPIDispatcher* parent)
    : TAPIWorldCollection(callLog, world, parent, kTag) {}

const Str31& TAPIConstraintCollection::GetClassName() const {
  static const Str31 name("TAPIConstraintCollection");
  return name;
}

bool TAPIConstraintCollection::Holds(const TLink& object) const {
  // The force fields a world keeps stand last among its constraints; scripts do not walk them,
  // and no constraint the user made is left out in their place.
  return object.IsMemberClass(TCnstr::kClassID) && !object.IsMemberClass(TFieldCnstr::kClassID);
}

TAPIDispatcher* TAPIConstraintCollection::WrapItem(TObject* element) {
  return WrapAs(element, TCnstr::kClassID, TAPIConstraint::kTag, false);
}
