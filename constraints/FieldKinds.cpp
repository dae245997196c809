// Gravity, electrostatics and air resistance: their settings, the modes their kind gives the
// group, the goal texts they hand the solver and their own blocks.

#include "constraints/Field.h"

#include "core/Failure.h"
#include "core/Resources.h"
#include "model/filing/ObjectReader.h"
#include "model/filing/ObjectWriter.h"

namespace {

constexpr const char* kAirDirection = "angle(self.v)";

// A number getter's extra output: the second value, which the fields do not have.
void GiveSecond(void* extra) {
  if (extra != nullptr) *static_cast<double*>(extra) = 0.0;
}

bool Describe(FieldNumberInfo& info, int32_t dimension, bool applicable) {
  info.second = 0.0;
  info.dimension = dimension;
  info.applicable = applicable ? 1 : 0;
  return true;
}

Str255 Concat(std::initializer_list<Str255> parts) {
  Str255 text;
  for (const Str255& part : parts) text.Append(part);
  return text;
}

}  // namespace

// ---- Gravity ---------------------------------------------------------------------------------

TObject* TGravCnstr::CreateObject() { return new TGravCnstr; }

void TGravCnstr::Initialize() {
  TFieldCnstr::Initialize();
  SetOwnBlockCode(kBlock);
  SetMenuCommand(kCommand);
  kind_ = kNone;
  line_ = 0.0;
  planetary_ = 0.0;
}

void TGravCnstr::SetKind(int32_t kind) {
  if (kind == kind_) return;
  kind_ = kind;
  if (TGroup* group = FieldGroup()) {
    if (kind == kLine) group->SetMode(0, 0);
    else if (kind == kPlanetary) group->SetMode(1, 0);
    else if (kind == kNone) group->SetMode(2, 1);
  }
  MarkChanged();
}

TLink* TGravCnstr::RelatedObjectQuery() const {
  if (kind_ == kLine) return GroundBody();
  if (kind_ == kPlanetary) return nullptr;
  return TFieldCnstr::RelatedObjectQuery();
}

void TGravCnstr::BuildFormula() {
  TCnstrGoal* goal = FieldGoal(1);
  if (goal == nullptr) return;
  if (kind_ == kLine) {
    goal->component = static_cast<int32_t>(GoalComponent::kY);
    SetGoalText(*goal, Concat({"- self.mass * (", NumberText(line_), ")"}));
  } else if (kind_ == kPlanetary) {
    goal->component = static_cast<int32_t>(GoalComponent::kX);
    SetGoalText(*goal, Concat({"-self.mass*(", NumberText(planetary_),
                               ")/sqr(self.p-other.p)*other.mass"}));
  }
}

uint16_t TGravCnstr::GetChoiceProperty(uint32_t tag, int16_t& value, void* extra) {
  if (tag == kTagGravNone) value = kind_ == kNone ? 1 : 0;
  else if (tag == kTagGravLine) value = kind_ == kLine ? 1 : 0;
  else if (tag == kTagGravPlanetary) value = kind_ == kPlanetary ? 1 : 0;
  else return TFieldCnstr::GetChoiceProperty(tag, value, extra);
  return 1;
}

void TGravCnstr::SelectChoice(uint32_t tag) {
  if (tag == kTagGravNone) return SetKind(kNone);
  if (tag == kTagGravLine) return SetKind(kLine);
  if (tag == kTagGravPlanetary) return SetKind(kPlanetary);
  TFieldCnstr::SelectChoice(tag);
}

uint16_t TGravCnstr::GetNumberProperty(uint32_t tag, double& value, void* extra) {
  if (tag == kTagLineGravity) {
    value = line_;
    GiveSecond(extra);
    return 1;
  }
  if (tag == kTagPlanetaryConstant) {
    value = planetary_;
    GiveSecond(extra);
    return 1;
  }
  return TFieldCnstr::GetNumberProperty(tag, value, extra);
}

bool TGravCnstr::DescribeNumber(uint32_t tag, FieldNumberInfo& info) const {
  if (tag == kTagLineGravity) return Describe(info, kUnitAcceleration, kind_ == kLine);
  if (tag == kTagPlanetaryConstant) return Describe(info, kUnitPlanetary, kind_ == kPlanetary);
  return false;
}

void TGravCnstr::SetNumberProperty(uint32_t tag, const double& value) {
  if (tag == kTagLineGravity) line_ = value;
  else if (tag == kTagPlanetaryConstant) planetary_ = value;
  else return TFieldCnstr::SetNumberProperty(tag, value);
  MarkChanged();
}

void TGravCnstr::WriteKindBlock(TObjectWriter& writer) {
  writer.WriteCode(static_cast<uint8_t>(kind_));
  writer.WriteDouble(line_);
  writer.WriteDouble(planetary_);
  writer.Align(2);
}

void TGravCnstr::ReadKindBlock(TObjectReader& reader) {
  const uint8_t kind = reader.ReadByte();
  SetKind(kind <= kPlanetary ? static_cast<int32_t>(kind) : static_cast<int32_t>(kNone));
  line_ = reader.ReadReal();
  planetary_ = reader.ReadReal();
}

// ---- Electrostatics --------------------------------------------------------------------------

TObject* TElectCnstr::CreateObject() { return new TElectCnstr; }

void TElectCnstr::Initialize() {
  TFieldCnstr::Initialize();
  SetOwnBlockCode(kBlock);
  SetMenuCommand(kCommand);
  on_ = 0;
  constant_ = 0.0;
}

void TElectCnstr::SetOn(uint16_t on) {
  if (on == on_) return;
  on_ = on;
  MarkChanged();
}

void TElectCnstr::BuildFormula() {
  if (on_ == 0) return;
  TCnstrGoal* goal = FieldGoal(1);
  if (goal == nullptr) return;
  SetGoalText(*goal, Concat({"self.charge * (", NumberText(constant_),
                             ")/sqr(self.p-other.p) * other.charge"}));
}

uint16_t TElectCnstr::GetChoiceProperty(uint32_t tag, int16_t& value, void* extra) {
  if (tag == kTagElectOn) value = on_ != 0 ? 1 : 0;
  else if (tag == kTagElectOff) value = on_ == 0 ? 1 : 0;
  else return TFieldCnstr::GetChoiceProperty(tag, value, extra);
  return 1;
}

void TElectCnstr::SelectChoice(uint32_t tag) {
  if (tag == kTagElectOn) return SetOn(1);
  if (tag == kTagElectOff) return SetOn(0);
  TFieldCnstr::SelectChoice(tag);
}

uint16_t TElectCnstr::GetNumberProperty(uint32_t tag, double& value, void* extra) {
  if (tag != kTagElectConstant) return TFieldCnstr::GetNumberProperty(tag, value, extra);
  value = constant_;
  GiveSecond(extra);
  return 1;
}

bool TElectCnstr::DescribeNumber(uint32_t tag, FieldNumberInfo& info) const {
  if (tag != kTagElectConstant) return false;
  return Describe(info, kUnitElectrostatic, on_ != 0);
}

void TElectCnstr::SetNumberProperty(uint32_t tag, const double& value) {
  if (tag != kTagElectConstant) return TFieldCnstr::SetNumberProperty(tag, value);
  constant_ = value;
  MarkChanged();
}

void TElectCnstr::WriteKindBlock(TObjectWriter& writer) {
  writer.WriteCode(on_);
  writer.WriteDouble(constant_);
  writer.Align(2);
}

void TElectCnstr::ReadKindBlock(TObjectReader& reader) {
  on_ = reader.ReadInt() != 0 ? 1 : 0;
  constant_ = reader.ReadReal();
}

// ---- Air resistance --------------------------------------------------------------------------

TObject* TAirCnstr::CreateObject() { return new TAirCnstr; }

void TAirCnstr::Initialize() {
  TFieldCnstr::Initialize();
  SetOwnBlockCode(kBlock);
  SetMenuCommand(kCommand);
  kind_ = kNone;
  linear_ = 0.0;
  quadratic_ = 0.0;
  direction_ = TFormula::New();
  direction_->SetFromPieces(kAirDirection);
}

void TAirCnstr::SetKind(int32_t kind) {
  if (kind == kind_) return;
  kind_ = kind;
  MarkChanged();
}

// The force acts along the velocity, against it: its frame turns with the body's velocity.
void TAirCnstr::BuildFormula() {
  TCnstrGoal* goal = FieldGoal(1);
  if (goal == nullptr) return;
  if (kind_ == kLinear) {
    SetGoalText(*goal, Concat({"-|self.v|*section(self,self.v)*(", NumberText(linear_), ")"}));
  } else if (kind_ == kQuadratic) {
    SetGoalText(*goal,
                Concat({"-sqr(self.v)*section(self,self.v)*(", NumberText(quadratic_), ")"}));
  }
}

uint16_t TAirCnstr::GetChoiceProperty(uint32_t tag, int16_t& value, void* extra) {
  if (tag == kTagAirLinear) value = kind_ == kLinear ? 1 : 0;
  else if (tag == kTagAirQuadratic) value = kind_ == kQuadratic ? 1 : 0;
  else if (tag == kTagAirNone) value = kind_ == kNone ? 1 : 0;
  else return TFieldCnstr::GetChoiceProperty(tag, value, extra);
  return 1;
}

void TAirCnstr::SelectChoice(uint32_t tag) {
  if (tag == kTagAirLinear) return SetKind(kLinear);
  if (tag == kTagAirQuadratic) return SetKind(kQuadratic);
  if (tag == kTagAirNone) return SetKind(kNone);
  TFieldCnstr::SelectChoice(tag);
}

uint16_t TAirCnstr::GetNumberProperty(uint32_t tag, double& value, void* extra) {
  if (tag == kTagAirLinearCoefficient) {
    value = linear_;
    GiveSecond(extra);
    return 1;
  }
  if (tag == kTagAirQuadraticCoefficient) {
    value = quadratic_;
    GiveSecond(extra);
    return 1;
  }
  return TFieldCnstr::GetNumberProperty(tag, value, extra);
}

bool TAirCnstr::DescribeNumber(uint32_t tag, FieldNumberInfo& info) const {
  if (tag == kTagAirLinearCoefficient) return Describe(info, kUnitLinearDrag, kind_ == kLinear);
  if (tag == kTagAirQuadraticCoefficient)
    return Describe(info, kUnitQuadraticDrag, kind_ == kQuadratic);
  return false;
}

void TAirCnstr::SetNumberProperty(uint32_t tag, const double& value) {
  if (tag == kTagAirLinearCoefficient) linear_ = value;
  else if (tag == kTagAirQuadraticCoefficient) quadratic_ = value;
  else return TFieldCnstr::SetNumberProperty(tag, value);
  MarkChanged();
}

uint16_t TAirCnstr::GetStringProperty(uint32_t tag, Str255& value, void* extra) {
  if (tag != kTagAirKindText) return TFieldCnstr::GetStringProperty(tag, value, extra);
  value = Str255();
  if (kind_ == kLinear || kind_ == kQuadratic)
    GetIndString(value, kAirKindNames, static_cast<int16_t>(kind_));
  return 1;
}

void TAirCnstr::WriteKindBlock(TObjectWriter& writer) {
  writer.WriteCode(static_cast<uint8_t>(kind_));
  writer.WriteDouble(linear_);
  writer.WriteDouble(quadratic_);
  writer.Align(2);
}

void TAirCnstr::ReadKindBlock(TObjectReader& reader) {
  const uint8_t kind = reader.ReadByte();
  kind_ = kind <= kQuadratic ? static_cast<int32_t>(kind) : static_cast<int32_t>(kNone);
  linear_ = reader.ReadReal();
  quadratic_ = reader.ReadReal();
}
