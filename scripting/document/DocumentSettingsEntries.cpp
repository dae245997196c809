// The entries of the simulation, field, pause-control and unit members of the document object.
// Entries that serve several members learn which one from the method id.

#include "scripting/document/DocumentSettingsEntries.h"

#include "constraints/Field.h"
#include "core/Tag.h"
#include "scripting/document/APIDocument.h"
#include "scripting/document/DocumentEntries.h"
#include "scripting/document/DocumentLibrary.h"
#include "simulation/DimensionCode.h"

namespace {

constexpr const char* kCellClass = "DE22YBCel.YBCell";
constexpr int32_t kTime = static_cast<int32_t>(kDimensionTime);
constexpr int32_t kLength = static_cast<int32_t>(kDimensionLength);

// A member served by tags, found by either of its ids.
struct TaggedMember {
  const char* name;
  uint16_t setId;
  uint16_t getId;
  uint32_t tag;       // the on tag of a switch, the tag of a warning or a number
  uint32_t offTag;    // the off tag of a switch
  int32_t dimension;  // of a number
};

constexpr TaggedMember kSwitches[] = {
    {"VariableIntegrationStep", 60, 61, MakeTag("VrT/"), MakeTag("LkT/"), 0},
    {"AutoAnimationStep", 62, 63, MakeTag("dtA/"), MakeTag("dtM/"), 0},
    {"AutoIntegratorError", 64, 65, MakeTag("erA/"), MakeTag("erM/"), 0},
    {"AutoOverlapError", 176, 177, MakeTag("vari"), MakeTag("fixd"), 0},
    {"AutoAssemblyError", 178, 179, MakeTag("asvr"), MakeTag("asfx"), 0},
    {"AutoSignificantDigits", 180, 181, MakeTag("siga"), MakeTag("sigm"), 0},
};
constexpr TaggedMember kWarnings[] = {
    {"WarnInaccurate", 66, 67, MakeTag("lV^/"), 0, 0},
    {"WarnOverlap", 68, 69, MakeTag("lO^/"), 0, 0},
    {"WarnInconsistent", 70, 71, MakeTag("I#C/"), 0, 0},
    {"WarnRedundant", 72, 73, MakeTag("R#C/"), 0, 0},
};
constexpr TaggedMember kAnimationStep = {"AnimationStep", 74, 75, MakeTag("dt_/"), 0, kTime};
constexpr TaggedMember kErrorNumbers[] = {
    {"IntegratorError", 76, 77, MakeTag("err/"), 0, kLength},
    {"OverlapError", 182, 183, MakeTag("fixd"), 0, kLength},
    {"AssemblyError", 184, 185, MakeTag("asfx"), 0, kLength},
};
constexpr TaggedMember kIntegrationStep = {"IntegrationStep", 78, 79, MakeTag("dtI/"), 0, kTime};

struct FieldNumber {
  const char* name;
  uint16_t setId;
  uint16_t getId;
  TFieldKind field;
  uint32_t tag;
  int32_t dimension;
};
constexpr FieldNumber kFieldNumbers[] = {
    {"LinearGravityConst", 148, 149, TFieldKind::kGravity, kTagLineGravity, kUnitAcceleration},
    {"PlanetaryGravityConst", 150, 151, TFieldKind::kGravity, kTagPlanetaryConstant,
     kUnitPlanetary},
    {"AirResistanceVCoeff", 154, 155, TFieldKind::kAirResistance, kTagAirLinearCoefficient,
     kUnitLinearDrag},
    {"AirResistanceV2Coeff", 156, 157, TFieldKind::kAirResistance, kTagAirQuadraticCoefficient,
     kUnitQuadraticDrag},
    {"ElectrostaticConst", 152, 153, TFieldKind::kElectrostatics, kTagElectConstant,
     kUnitElectrostatic},
};

template <class Member, size_t N>
const Member& ById(const Member (&members)[N], uint16_t id) {
  for (const Member& member : members)
    if (member.setId == id || member.getId == id) return member;
  return members[0];
}

const TaggedMember& NumberById(uint16_t id) {
  if (id == kAnimationStep.setId || id == kAnimationStep.getId) return kAnimationStep;
  if (id == kIntegrationStep.setId || id == kIntegrationStep.getId) return kIntegrationStep;
  return ById(kErrorNumbers, id);
}

// ---- Run settings ----

void GetRunSwitch(TAPIDispatcher* r, ScriptRunContext*, int32_t, ScriptFrame* frame, uint16_t id) {
  int16_t on = 0;
  CheckAPIResult(Doc(r)->GetRunSwitch(ById(kSwitches, id).tag, &on));
  ReturnBooleanValue(frame, 0, on != 0);
}

void SetRunSwitch(TAPIDispatcher* r, ScriptRunContext*, int32_t, ScriptFrame* frame, uint16_t id) {
  const int16_t on = ReadBooleanArgument(frame, 2);
  const TaggedMember& member = ById(kSwitches, id);
  CheckAPIResult(Doc(r)->SetRunSwitch(member.tag, member.offTag, on));
}

void GetWarning(TAPIDispatcher* r, ScriptRunContext*, int32_t, ScriptFrame* frame, uint16_t id) {
  int16_t on = 0;
  CheckAPIResult(Doc(r)->GetWarning(ById(kWarnings, id).tag, &on));
  ReturnBooleanValue(frame, 0, on != 0);
}

void SetWarning(TAPIDispatcher* r, ScriptRunContext*, int32_t, ScriptFrame* frame, uint16_t id) {
  const int16_t on = ReadBooleanArgument(frame, 2);
  CheckAPIResult(Doc(r)->SetWarning(ById(kWarnings, id).tag, on));
}

void GetRunNumber(TAPIDispatcher* r, ScriptRunContext*, int32_t, ScriptFrame* frame, uint16_t id) {
  const TaggedMember& member = NumberById(id);
  double value = 0.0;
  CheckAPIResult(Doc(r)->GetRunNumber(member.tag, member.dimension, &value));
  ScriptReturnDouble(frame, 0, value);
}

void SetRunNumber(TAPIDispatcher* r, ScriptRunContext*, int32_t, ScriptFrame* frame, uint16_t id) {
  const double value = ReadDoubleArgument(frame, 2);
  const TaggedMember& member = NumberById(id);
  CheckAPIResult(Doc(r)->SetRunNumber(member.tag, member.dimension, value));
}

// ---- Force fields ----

TFieldKind ChoiceFieldOf(uint16_t id) {
  if (id == 140 || id == 141) return TFieldKind::kGravity;
  if (id == 144 || id == 145) return TFieldKind::kAirResistance;
  return TFieldKind::kCustom;
}

void GetFieldChoice(TAPIDispatcher* r, ScriptRunContext* call, int32_t, ScriptFrame* frame,
                    uint16_t id) {
  Str255 word;
  CheckAPIResult(Doc(r)->GetFieldChoice(ChoiceFieldOf(id), &word));
  ReturnStringValue(call, frame, 0, word.Chars());
}

void SetFieldChoice(TAPIDispatcher* r, ScriptRunContext* call, int32_t, ScriptFrame* frame,
                    uint16_t id) {
  const Str63 word = ReadStringArgument<Str63>(call, frame, 2);
  CheckAPIResult(Doc(r)->SetFieldChoice(ChoiceFieldOf(id), word));
}

void GetFieldNumber(TAPIDispatcher* r, ScriptRunContext*, int32_t, ScriptFrame* frame,
                    uint16_t id) {
  const FieldNumber& member = ById(kFieldNumbers, id);
  double value = 0.0;
  CheckAPIResult(Doc(r)->GetFieldNumber(member.field, member.tag, member.dimension, &value));
  ScriptReturnDouble(frame, 0, value);
}

void SetFieldNumber(TAPIDispatcher* r, ScriptRunContext*, int32_t, ScriptFrame* frame,
                    uint16_t id) {
  const double value = ReadDoubleArgument(frame, 2);
  const FieldNumber& member = ById(kFieldNumbers, id);
  CheckAPIResult(Doc(r)->SetFieldNumber(member.field, member.tag, member.dimension, value));
}

void GetForceFieldCell(TAPIDispatcher* r, ScriptRunContext*, int32_t, ScriptFrame* frame,
                       uint16_t id) {
  const uint32_t tag = id == 158   ? kTagCustomForceX
                       : id == 159 ? kTagCustomForceY
                                   : kTagCustomTorque;
  TAPIDispatcher* cell = nullptr;
  CheckAPIResult(Doc(r)->GetForceFieldCell(tag, &cell));
  ReturnObjectValue(frame, 0, cell);
}

// ---- Pause controls ----

void NewPauseControl(TAPIDispatcher* r, ScriptRunContext*, int32_t, ScriptFrame*, uint16_t) {
  CheckAPIResult(Doc(r)->NewPauseControl());
}

void GetPauseControlCount(TAPIDispatcher* r, ScriptRunContext*, int32_t, ScriptFrame* frame,
                          uint16_t) {
  int32_t count = 0;
  CheckAPIResult(Doc(r)->GetPauseControlCount(&count));
  ScriptReturnLong(frame, 0, count);
}

void GetPauseControl(TAPIDispatcher* r, ScriptRunContext*, int32_t, ScriptFrame* frame, uint16_t) {
  const int16_t number = ReadIntegerArgument(frame, 2);
  TAPIDispatcher* cell = nullptr;
  CheckAPIResult(Doc(r)->GetPauseControl(number, &cell));
  ReturnObjectValue(frame, 0, cell);
}

void DeletePauseControl(TAPIDispatcher* r, ScriptRunContext*, int32_t, ScriptFrame* frame,
                        uint16_t) {
  const int16_t number = ReadIntegerArgument(frame, 2);
  CheckAPIResult(Doc(r)->DeletePauseControl(number));
}

void GetPauseControlType(TAPIDispatcher* r, ScriptRunContext* call, int32_t, ScriptFrame* frame,
                         uint16_t) {
  const int16_t number = ReadIntegerArgument(frame, 2);
  Str63 type;
  CheckAPIResult(Doc(r)->GetPauseControlType(number, &type));
  ReturnStringValue(call, frame, 0, type.Chars());
}

void SetPauseControlType(TAPIDispatcher* r, ScriptRunContext* call, int32_t, ScriptFrame* frame,
                         uint16_t) {
  const int16_t number = ReadIntegerArgument(frame, 2);
  const Str31 type = ReadStringArgument<Str31>(call, frame, 3);
  CheckAPIResult(Doc(r)->SetPauseControlType(number, type));
  // The word as it was taken, cut to 31 characters, goes back to the script's variable.
  ReturnStringValue(call, frame, 3, type.Chars());
}

// ---- Number format and units ----

void GetUnit(TAPIDispatcher* r, ScriptRunContext* call, int32_t, ScriptFrame* frame, uint16_t id) {
  Str63 name;
  CheckAPIResult(Doc(r)->GetUnit(static_cast<int16_t>(UnitKindFromMethodId(id)), &name));
  ReturnStringValue(call, frame, 0, name.Chars());
}

void SetUnit(TAPIDispatcher* r, ScriptRunContext* call, int32_t, ScriptFrame* frame, uint16_t id) {
  const Str63 name = ReadStringArgument<Str63>(call, frame, 2);
  CheckAPIResult(Doc(r)->SetUnit(static_cast<int16_t>(UnitKindFromMethodId(id)), name));
}

constexpr const char* kUnitMembers[] = {"DistanceUnit",  "MassUnit",     "TimeUnit",
                                        "ChargeUnit",    "RotationUnit", "ElectricPotentialUnit",
                                        "ForceUnit",     "EnergyUnit",   "PowerUnit",
                                        "FrequencyUnit", "VelocityUnit", "RotationalVelocityUnit"};

// ---- Registration ----

class Registrar {
 public:
  Registrar(ScriptBuilder* b, TDocumentMemberTable& members) : b_(b), members_(members) {}

  void Property(const char* name, uint16_t setId, uint16_t getId, int16_t type, TAPIEntryPoint set,
                TAPIEntryPoint get) {
    ScriptDefineProperty(b_, 0, name, set != nullptr ? setId : kScriptNoId, getId, type, nullptr);
    if (set != nullptr) members_.Set(setId, set);
    members_.Set(getId, get);
  }
  void Cell(const char* name, uint16_t getId, TAPIEntryPoint get) {
    ScriptDefineProperty(b_, 0, name, kScriptNoId, getId, kScriptObject, kCellClass);
    members_.Set(getId, get);
  }
  void Sub(const char* name, uint16_t id, int16_t least, int16_t most,
           std::initializer_list<ScriptArgSpec> args, TAPIEntryPoint entry) {
    ScriptDefineSub(b_, 0, name, id, least, most, args);
    members_.Set(id, entry);
  }
  void Function(const char* name, uint16_t id, int16_t type, const char* className,
                std::initializer_list<ScriptArgSpec> args, TAPIEntryPoint entry) {
    ScriptDefineFunction(b_, 0, name, id, type, className, 1, 1, args);
    members_.Set(id, entry);
  }

 private:
  ScriptBuilder* b_;
  TDocumentMemberTable& members_;
};

void Tagged(Registrar& r, const TaggedMember& member, int16_t type, TAPIEntryPoint set,
            TAPIEntryPoint get) {
  r.Property(member.name, member.setId, member.getId, type, set, get);
}

}  // namespace

void DescribeDocumentViewScale(ScriptBuilder* b, TDocumentMemberTable& members) {
  Registrar r(b, members);
  r.Property("ScaleFactor", 119, 120, kScriptDouble,
             &SetDocumentDouble<&TAPIDocument::SetScaleFactor>,
             &GetDocumentDouble<&TAPIDocument::GetScaleFactor>);
  r.Property("ViewWidth", 121, 122, kScriptDouble, &SetDocumentDouble<&TAPIDocument::SetViewWidth>,
             &GetDocumentDouble<&TAPIDocument::GetViewWidth>);
}

void DescribeDocumentSettings(ScriptBuilder* b, TDocumentMemberTable& members) {
  Registrar r(b, members);
  r.Property("Integrator", 56, 57, kScriptString, &SetDocumentWord<&TAPIDocument::SetIntegrator>,
             &GetDocumentWord<&TAPIDocument::GetIntegrator>);
  r.Property("SimulationMode", 58, 59, kScriptString,
             &SetDocumentWord<&TAPIDocument::SetSimulationMode>,
             &GetDocumentWord<&TAPIDocument::GetSimulationMode>);
  for (const TaggedMember& member : kSwitches)
    Tagged(r, member, kScriptBoolean, &SetRunSwitch, &GetRunSwitch);
  for (const TaggedMember& member : kWarnings)
    Tagged(r, member, kScriptBoolean, &SetWarning, &GetWarning);
  Tagged(r, kAnimationStep, kScriptDouble, &SetRunNumber, &GetRunNumber);
  for (const TaggedMember& member : kErrorNumbers)
    Tagged(r, member, kScriptDouble, &SetRunNumber, &GetRunNumber);
  r.Property("SignificantDigits", 186, 187, kScriptInteger,
             &SetDocumentInteger<&TAPIDocument::SetSignificantDigits>,
             &GetDocumentInteger<&TAPIDocument::GetSignificantDigits>);
  r.Property("StepsPerFrame", 190, 191, kScriptInteger,
             &SetDocumentInteger<&TAPIDocument::SetStepsPerFrame>,
             &GetDocumentInteger<&TAPIDocument::GetStepsPerFrame>);
  Tagged(r, kIntegrationStep, kScriptDouble, &SetRunNumber, &GetRunNumber);

  r.Property("Gravity", 140, 141, kScriptString, &SetFieldChoice, &GetFieldChoice);
  r.Property("LinearGravityConst", 148, 149, kScriptDouble, &SetFieldNumber, &GetFieldNumber);
  r.Property("PlanetaryGravityConst", 150, 151, kScriptDouble, &SetFieldNumber, &GetFieldNumber);
  r.Property("AirResistanceType", 144, 145, kScriptString, &SetFieldChoice, &GetFieldChoice);
  r.Property("AirResistanceVCoeff", 154, 155, kScriptDouble, &SetFieldNumber, &GetFieldNumber);
  r.Property("AirResistanceV2Coeff", 156, 157, kScriptDouble, &SetFieldNumber, &GetFieldNumber);
  r.Property("ForceFieldType", 142, 143, kScriptString, &SetFieldChoice, &GetFieldChoice);
  r.Cell("ForceFieldFX", 158, &GetForceFieldCell);
  r.Cell("ForceFieldFY", 159, &GetForceFieldCell);
  r.Cell("ForceFieldT", 160, &GetForceFieldCell);
  r.Property("ElectrostaticsOn", 146, 147, kScriptBoolean,
             &SetDocumentBoolean<&TAPIDocument::SetElectrostaticsOn>,
             &GetDocumentBoolean<&TAPIDocument::GetElectrostaticsOn>);
  r.Property("ElectrostaticConst", 152, 153, kScriptDouble, &SetFieldNumber, &GetFieldNumber);

  r.Sub("NewPauseControl", 164, 0, 0, {}, &NewPauseControl);
  r.Property("PauseControlCount", kScriptNoId, 165, kScriptLong, nullptr, &GetPauseControlCount);
  r.Function("PauseControl", 166, kScriptObject, kCellClass, {{kScriptInteger}}, &GetPauseControl);
  r.Sub("DeletePauseControl", 167, 1, 1, {{kScriptInteger}}, &DeletePauseControl);
  r.Function("GetPauseControlType", 168, kScriptString, nullptr, {{kScriptInteger}},
             &GetPauseControlType);
  r.Sub("SetPauseControlType", 169, 2, 2, {{kScriptInteger}, {kScriptString | kScriptByRef}},
        &SetPauseControlType);

  r.Property("DecimalDigits", 80, 81, kScriptInteger,
             &SetDocumentInteger<&TAPIDocument::SetDecimalDigits>,
             &GetDocumentInteger<&TAPIDocument::GetDecimalDigits>);
  r.Property("DecimalFormat", 82, 83, kScriptString,
             &SetDocumentWord<&TAPIDocument::SetDecimalFormat>,
             &GetDocumentWord<&TAPIDocument::GetDecimalFormat>);
  r.Property("UnitSystem", 84, 85, kScriptString, &SetDocumentWord<&TAPIDocument::SetUnitSystem>,
             &GetDocumentWord<&TAPIDocument::GetUnitSystem>);
  uint16_t id = 86;
  for (const char* name : kUnitMembers) {
    r.Property(name, id, static_cast<uint16_t>(id + 1), kScriptString, &SetUnit, &GetUnit);
    id = static_cast<uint16_t>(id + 2);
  }
}
