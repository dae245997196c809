// The constraint library: a constraint's kind, quantities as cells, settings, points and the
// spline of curved slots, and the collection of a world's constraints.

#include "scripting/objects/ConstraintLibrary.h"

#include "constraints/Constraint.h"
#include "constraints/Forces.h"
#include "constraints/Gear.h"
#include "constraints/Ropes.h"
#include "constraints/Springs.h"
#include "scripting/host/CallFrame.h"
#include "scripting/objects/APICell.h"
#include "scripting/objects/APIConstraint.h"
#include "scripting/objects/ObjectEntries.h"
#include "scripting/objects/ObjectMaker.h"

namespace {

TAPIMemberTable<kConstraintMembers> g_members;

constexpr const char* kCellClass = "DE22YBCel.YBCell";
constexpr const char* kPointClass = "DE22YBPnt.YBPoint";
constexpr const char* const kActuatorWords[4] = {"force", "length", "velocity", "acceleration"};
constexpr const char* const kMotorWords[4] = {"torque", "rotation", "velocity", "acceleration"};

// Some members take any object of the constraint kind; the others only the class itself. The
// constraint class has no derived classes, so both tests accept the same objects.
TAPIConstraint* OfKind(TAPIDispatcher* r) {
  CheckAPIObjectKind(r, TAPIConstraint::kTag);
  return static_cast<TAPIConstraint*>(r);
}

TAPIConstraint* Exactly(TAPIDispatcher* r) {
  CheckAPIObjectTag(r, TAPIConstraint::kTag);
  return static_cast<TAPIConstraint*>(r);
}

void GetKind(TAPIDispatcher* r, ScriptRunContext* call, int32_t, ScriptFrame* frame, uint16_t) {
  Str63 name;
  CheckAPIResult(Exactly(r)->GetTypeName(name));
  ReturnStringValue(call, frame, 0, name.Chars());
}

template <int16_t ClassID, uint32_t Tag, int16_t Code, int16_t Subcode, bool AnyKind>
void GetCell(TAPIDispatcher* r, ScriptRunContext*, int32_t, ScriptFrame* frame, uint16_t) {
  TAPICell* cell = nullptr;
  TAPIConstraint* constraint = AnyKind ? OfKind(r) : Exactly(r);
  CheckAPIResult(constraint->GetCell(ClassID, Tag, Code, Subcode, &cell));
  ReturnObjectValue(frame, 0, cell);
}

void GetLength(TAPIDispatcher* r, ScriptRunContext*, int32_t, ScriptFrame* frame, uint16_t) {
  TAPICell* cell = nullptr;
  CheckAPIResult(OfKind(r)->GetLength(&cell));
  ReturnObjectValue(frame, 0, cell);
}

void GetRotation(TAPIDispatcher* r, ScriptRunContext*, int32_t, ScriptFrame* frame, uint16_t) {
  TAPICell* cell = nullptr;
  CheckAPIResult(OfKind(r)->GetRotation(&cell));
  ReturnObjectValue(frame, 0, cell);
}

template <uint32_t Tag, int32_t Dimension>
void GetCurrent(TAPIDispatcher* r, ScriptRunContext*, int32_t, ScriptFrame* frame, uint16_t) {
  double value = 0.0;
  CheckAPIResult(OfKind(r)->GetCurrentValue(Tag, Dimension, value));
  ScriptReturnDouble(frame, 0, value);
}

void GetExponent(TAPIDispatcher* r, ScriptRunContext*, int32_t, ScriptFrame* frame, uint16_t) {
  int16_t exponent = 0;
  CheckAPIResult(Exactly(r)->GetExponent(exponent));
  ScriptReturnInteger(frame, 0, exponent);
}

void SetExponent(TAPIDispatcher* r, ScriptRunContext*, int32_t, ScriptFrame* frame, uint16_t) {
  const int16_t exponent = ReadIntegerArgument(frame, 2);
  CheckAPIResult(OfKind(r)->SetExponent(exponent));
}

template <APIResult (TAPIConstraint::*Get)(bool&)>
void GetSwitch(TAPIDispatcher* r, ScriptRunContext*, int32_t, ScriptFrame* frame, uint16_t) {
  bool on = false;
  CheckAPIResult((Exactly(r)->*Get)(on));
  ReturnBooleanValue(frame, 0, on);
}

template <APIResult (TAPIConstraint::*Set)(bool)>
void SetSwitch(TAPIDispatcher* r, ScriptRunContext*, int32_t, ScriptFrame* frame, uint16_t) {
  const bool on = ReadBooleanArgument(frame, 2) != 0;
  CheckAPIResult((Exactly(r)->*Set)(on));
}

template <int16_t ClassID, uint32_t Tag>
void GetFlag(TAPIDispatcher* r, ScriptRunContext*, int32_t, ScriptFrame* frame, uint16_t) {
  bool on = false;
  CheckAPIResult(Exactly(r)->GetFlag(ClassID, Tag, on));
  ReturnBooleanValue(frame, 0, on);
}

template <int16_t ClassID, uint32_t Tag>
void SetFlag(TAPIDispatcher* r, ScriptRunContext*, int32_t, ScriptFrame* frame, uint16_t) {
  const bool on = ReadBooleanArgument(frame, 2) != 0;
  CheckAPIResult(Exactly(r)->SetFlag(ClassID, Tag, on));
}

template <const char* const* Words>
void GetDrive(TAPIDispatcher* r, ScriptRunContext* call, int32_t, ScriptFrame* frame, uint16_t) {
  Str63 word;
  CheckAPIResult(Exactly(r)->GetDrive(Words, word));
  ReturnStringValue(call, frame, 0, word.Chars());
}

template <const char* const* Words>
void SetDrive(TAPIDispatcher* r, ScriptRunContext* call, int32_t, ScriptFrame* frame, uint16_t) {
  const Str255 word = ReadStringArgument<Str255>(call, frame, 2);
  CheckAPIResult(Exactly(r)->SetDrive(Words, word));
}

void GetInternalBody(TAPIDispatcher* r, ScriptRunContext*, int32_t, ScriptFrame* frame, uint16_t) {
  int16_t identifier = 0;
  CheckAPIResult(Exactly(r)->GetInternalBody(identifier));
  ScriptReturnInteger(frame, 0, identifier);
}

void SetInternalBody(TAPIDispatcher* r, ScriptRunContext*, int32_t, ScriptFrame* frame, uint16_t) {
  const int16_t identifier = ReadIntegerArgument(frame, 2);
  CheckAPIResult(Exactly(r)->SetInternalBody(identifier));
}

template <APIResult (TAPIConstraint::*Get)(TAPIDispatcher**)>
void GetEndPoint(TAPIDispatcher* r, ScriptRunContext*, int32_t, ScriptFrame* frame, uint16_t) {
  TAPIDispatcher* point = nullptr;
  CheckAPIResult((Exactly(r)->*Get)(&point));
  ReturnObjectValue(frame, 0, point);
}

void GetPoint(TAPIDispatcher* r, ScriptRunContext*, int32_t, ScriptFrame* frame, uint16_t) {
  const int16_t index = ReadIntegerArgument(frame, 2);
  TAPIDispatcher* point = nullptr;
  CheckAPIResult(Exactly(r)->GetPoint(index, &point));
  ReturnObjectValue(frame, 0, point);
}

void GetPointCount(TAPIDispatcher* r, ScriptRunContext*, int32_t, ScriptFrame* frame, uint16_t) {
  int32_t count = 0;
  CheckAPIResult(Exactly(r)->GetPointCount(count));
  ScriptReturnLong(frame, 0, count);
}

void AppendPoint(TAPIDispatcher* r, ScriptRunContext*, int32_t, ScriptFrame* frame, uint16_t) {
  const double x = ReadDoubleArgument(frame, 2);
  const double y = ReadDoubleArgument(frame, 3);
  CheckAPIResult(Exactly(r)->AppendPoint(x, y));
}

void Property(ScriptBuilder* b, const char* name, uint16_t setId, TAPIEntryPoint set,
              uint16_t getId, TAPIEntryPoint get, int16_t type, const char* className = nullptr) {
  DefineMemberProperty(g_members, b, name, setId, set, getId, get, type, className);
}

void Cell(ScriptBuilder* b, const char* name, uint16_t id, TAPIEntryPoint get) {
  Property(b, name, kScriptNoId, nullptr, id, get, kScriptObject, kCellClass);
}

constexpr int16_t kNotOfKind = 7;
constexpr int16_t kNoQuantity = 11;
constexpr uint32_t kTagPrimary = MakeTag("a___");

}  // namespace

ScriptDescription* DescribeYBConstraint(TAPIDispatcher* root, void*) {
  ScriptBuilder* b = ScriptBeginDescription();
  if (b == nullptr) return nullptr;
  InstallWorldScriptObjects();
  ScriptDefineClass(b, "YBConstraint", kScriptNoId, "YBObject");
  Property(b, "Kind", kScriptNoId, nullptr, 1, &GetKind, kScriptString);
  Property(b, "Exponent", 2, &SetExponent, 3, &GetExponent, kScriptInteger);
  const TAPIEntryPoint primary =
      &GetCell<TTwoPointConstraint::kClassID, kTagPrimary, kAPICannotGet, kNoQuantity, true>;
  Cell(b, "K", 4, primary);
  Cell(b, "Field", 4, primary);
  Cell(b, "DamperK", 10,
       &GetCell<TSpringBase::kClassID, kTagDamping, kAPICannotGet, kNoQuantity, true>);
  Cell(b, "Length", 5, &GetLength);
  Property(b, "CurrentLength", kScriptNoId, nullptr, 42, &GetCurrent<MakeTag("curL"), 0x1000000>,
           kScriptDouble);
  Cell(b, "Rotation", 15, &GetRotation);
  Property(b, "CurrentRotation", kScriptNoId, nullptr, 43, &GetCurrent<MakeTag("curR"), 0x10000>,
           kScriptDouble);
  Cell(b, "ActiveWhen", 6,
       &GetCell<TCnstr::kClassID, kTagActivation, kAPINoTarget, kNotOfKind, true>);
  Property(b, "AlwaysActive", 7, &SetSwitch<&TAPIConstraint::SetAlwaysActive>, 8,
           &GetSwitch<&TAPIConstraint::GetAlwaysActive>, kScriptBoolean);
  Property(b, "ActuatorType", 16, &SetDrive<kActuatorWords>, 17, &GetDrive<kActuatorWords>,
           kScriptString);
  Property(b, "MotorType", 20, &SetDrive<kMotorWords>, 21, &GetDrive<kMotorWords>, kScriptString);
  Cell(b, "Elasticity", 9,
       &GetCell<TLRope::kClassID, kTagRopeElasticity, kAPICannotGet, kNotOfKind, false>);
  Cell(b, "FX", 11, &GetCell<TForce::kClassID, kTagForceX, kAPICannotGet, kNotOfKind, false>);
  Cell(b, "FY", 12, &GetCell<TForce::kClassID, MakeTag("Fy__"), kAPICannotGet, kNotOfKind, false>);
  Cell(b, "FR", 46, &GetCell<TForce::kClassID, kTagForceLength, kAPICannotGet, kNotOfKind, false>);
  Cell(b, "FTheta", 47,
       &GetCell<TForce::kClassID, kTagForceAngle, kAPICannotGet, kNotOfKind, false>);
  Property(b, "RotateWithBody", 18, &SetFlag<TForce::kClassID, kTagLocked>, 19,
           &GetFlag<TForce::kClassID, kTagLocked>, kScriptBoolean);
  Cell(b, "Torque", 14, &GetCell<TTorque::kClassID, kTagPrimary, kAPICannotGet, kNotOfKind, false>);
  Cell(b, "GearRatio", 22,
       &GetCell<TGear::kClassID, kTagGearRatio, kAPICannotGet, kNotOfKind, false>);
  Property(b, "AutoComputeGearRatio", 24, &SetFlag<TGear::kClassID, kTagGearRatioAuto>, 25,
           &GetFlag<TGear::kClassID, kTagGearRatioAuto>, kScriptBoolean);
  Cell(b, "RodActive", 23,
       &GetCell<TGear::kClassID, kTagGearRod, kAPICannotGet, kNotOfKind, false>);
  Property(b, "RodAlwaysActive", 26, &SetFlag<TGear::kClassID, kTagGearRodAlways>, 27,
           &GetFlag<TGear::kClassID, kTagGearRodAlways>, kScriptBoolean);
  Property(b, "Internal", 28, &SetFlag<TGear::kClassID, kTagGearInternal>, 29,
           &GetFlag<TGear::kClassID, kTagGearInternal>, kScriptBoolean);
  Property(b, "InternalBody", 30, &SetInternalBody, 31, &GetInternalBody, kScriptInteger);
  Property(b, "BasePoint", kScriptNoId, nullptr, 13, &GetEndPoint<&TAPIConstraint::GetBasePoint>,
           kScriptObject, kPointClass);
  Property(b, "TopPoint", kScriptNoId, nullptr, 38, &GetEndPoint<&TAPIConstraint::GetTopPoint>,
           kScriptObject, kPointClass);
  ScriptDefineFunction(b, 0, "Point", 39, kScriptObject, kPointClass, 1, 1, {{kScriptInteger}});
  g_members.Set(39, &GetPoint);
  Property(b, "PointCount", kScriptNoId, nullptr, 44, &GetPointCount, kScriptLong);
  ScriptDefineSub(b, 0, "AppendPoint", 45, 2, 2, {{kScriptDouble}, {kScriptDouble}});
  g_members.Set(45, &AppendPoint);
  Property(b, "VertexCount", kScriptNoId, nullptr, 32, &GetVertexCount<TAPIConstraint>,
           kScriptLong);
  ScriptDefineSub(b, 0, "GetVertex", 33, 3, 3,
                  {{kScriptLong}, {kScriptDouble | kScriptByRef}, {kScriptDouble | kScriptByRef}});
  g_members.Set(33, &GetVertex<TAPIConstraint>);
  ScriptDefineSub(b, 0, "AddVertex", 34, 3, 3, {{kScriptLong}, {kScriptDouble}, {kScriptDouble}});
  g_members.Set(34, &AddVertex<TAPIConstraint>);
  ScriptDefineSub(b, 0, "DeleteVertex", 35, 1, 1, {{kScriptLong}});
  g_members.Set(35, &DeleteVertex<TAPIConstraint>);
  Property(b, "ClosedSlot", 36, &SetSwitch<&TAPIConstraint::SetClosedSlot>, 37,
           &GetSwitch<&TAPIConstraint::GetClosedSlot>, kScriptBoolean);
  ScriptDefineCollectionClass(b, 1, "YBConstraintCollection", kScriptNoId, nullptr);
  Property(b, "Count", kScriptNoId, nullptr, 40, &GetCollectionCount<TAPIConstraintCollection>,
           kScriptInteger);
  ScriptDefineFunction(b, kScriptDefaultMember, "Item", 41, kScriptObject, "DE22YBCns.YBConstraint",
                       1, 1, {{kScriptInteger}});
  g_members.Set(41, &GetCollectionItem<TAPIConstraintCollection>);
  ScriptDescription* description = nullptr;
  if (ScriptFinishDescription(b, &description, root) == 0) return nullptr;
  return description;
}

void DispatchYBConstraint(ScriptRunContext* call, uint32_t methodId, int32_t highest,
                          ScriptFrame* frame) {
  DispatchAPICall(g_members, call, methodId, highest, frame, nullptr);
}
