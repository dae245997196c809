// Motors and actuators: drive and limit kinds with their units, goals copied from the quantity
// and the limit, the position kind following the geometry, the menu commands and filing.

#include "constraints/Pistons.h"

#include <cmath>

#include "core/ClassRegistry.h"
#include "model/filing/ObjectReader.h"
#include "model/filing/ObjectWriter.h"

namespace {

// Offsets from a piston's first command: the drive kinds, then the limit kinds, each in the
// order power, force, position, velocity, acceleration.
constexpr int32_t kKindOfOffset[5] = {TPiston::kPower, TPiston::kForce, TPiston::kPosition,
                                      TPiston::kVelocity, TPiston::kAcceleration};
constexpr int16_t kFirstDriveOffset = 1;
constexpr int16_t kFirstLimitOffset = 6;
constexpr int16_t kNoLimit = -1;

int16_t OffsetOfKind(int32_t kind) {
  for (int16_t i = 0; i < 5; ++i)
    if (kKindOfOffset[i] == kind) return i;
  return -1;
}

void CopyInto(TCnstrGoal& goal, const TFormula& value) {
  const int32_t type = goal.type, limit = goal.limit, component = goal.component;
  goal.Assign(value);
  goal.type = type;
  goal.limit = limit;
  goal.component = component;
}

}  // namespace

TObject* TPiston::CreateObject() { return new TPiston; }
TObject* TLPiston::CreateObject() { return new TLPiston; }
TObject* TRPiston::CreateObject() { return new TRPiston; }

void TPiston::Initialize() {
  driveKind_ = kForce;
  hasLimit_ = 1;
  limitKind_ = kVelocity;
  TTwoPointConstraint::Initialize();
  limit_ = TFormula::New();
}

void TRPiston::Initialize() {
  TPiston::Initialize();
  SetRotational(1);
}

int32_t TPiston::UnitOfKind(int32_t kind) const {
  switch (kind) {
    case kForce: return 0x11E00000;
    case kPosition: return 0x01000000;
    case kVelocity: return 0x01F00000;
    case kAcceleration: return 0x01E00000;
    case kPower: return 0x12D00000;
    default: return 0;
  }
}

int32_t TRPiston::UnitOfKind(int32_t kind) const {
  switch (kind) {
    case kForce: return 0x12E00001;
    case kPosition: return 0x00010000;
    case kVelocity: return 0x00F10000;
    case kAcceleration: return 0x00E10000;
    case kPower: return 0x12D00000;
    default: return 0;
  }
}

void TPiston::SetDriveKind(int32_t kind) {
  driveKind_ = kind;
  if (HasQuantity()) FollowGeometry();
  MarkChanged();
}

void TPiston::FollowGeometry() {
  const double current = CurrentGeometry();
  if (Quantity().IsFormula() && AttachedCount() > 1) Quantity().StoreConstant(current);
  else Quantity().SetConstant(current);
  MarkChanged();
}

// A formula angle is the user's; a constant one takes the angle the ends have now.
void TRPiston::FollowGeometry() {
  if (Quantity().IsFormula()) return;
  Quantity().SetConstant(GetPrimaryObject() != nullptr ? CurrentGeometry() : 0.0);
  MarkChanged();
}

void TPiston::MarkGoals() {
  TTwoPointConstraint::MarkGoals();
  const int32_t e = GetExtraGoals();
  const auto count = static_cast<int32_t>(Goals().size());
  const int32_t component = static_cast<int32_t>(IsRotational() ? GoalComponent::kRotation
                                                                : GoalComponent::kX);
  if (e + 1 > count) return;
  TCnstrGoal& drive = Goal(e + 1);
  drive.type = driveKind_;
  drive.component = component;
  CopyInto(drive, Quantity());
  if (!HasLimit() || e + 2 > count) return;
  TCnstrGoal& limit = Goal(e + 2);
  limit.type = limitKind_;
  limit.limit = 2;
  limit.component = component;
  CopyInto(limit, *limit_);
}

// The limit commands choose the limit's kind too, and the limit is edited in that kind's unit.
int32_t TPiston::ApplyCommand(int16_t command) {
  const int32_t offset = command - CommandBase();
  if (offset >= kFirstDriveOffset && offset < kFirstDriveOffset + 5) {
    const int32_t kind = kKindOfOffset[offset - kFirstDriveOffset];
    if (kind != driveKind_) SetDriveKind(kind);
    return UnitOfKind(kind);
  }
  if (offset >= kFirstLimitOffset && offset < kFirstLimitOffset + 5) {
    hasLimit_ = 1;
    limitKind_ = kKindOfOffset[offset - kFirstLimitOffset];
    MarkChanged();
    return UnitOfKind(limitKind_);
  }
  return 0;
}

std::vector<int16_t> TPiston::ListedCommands() const {
  std::vector<int16_t> commands;
  const int16_t drive = OffsetOfKind(driveKind_);
  const int16_t limit = HasLimit() ? OffsetOfKind(limitKind_) : -1;
  for (int16_t i = 0; i < 5; ++i)
    if (i != drive) commands.push_back(static_cast<int16_t>(CommandBase() + kFirstDriveOffset + i));
  for (int16_t i = 0; i < 5; ++i)
    if (i != limit) commands.push_back(static_cast<int16_t>(CommandBase() + kFirstLimitOffset + i));
  return commands;
}

TFormula* TPiston::GetFormulaProperty(uint32_t tag, double* first, double* second,
                                      int32_t* dimension, uint16_t* flag) {
  if (tag != kTagLimit)
    return TTwoPointConstraint::GetFormulaProperty(tag, first, second, dimension, flag);
  if (!HasLimit()) return nullptr;
  if (dimension != nullptr) *dimension = UnitOfKind(limitKind_);
  return limit_.get();
}

void TPiston::SetFormulaProperty(uint32_t tag, const TFormula& formula) {
  if (tag != kTagLimit) return TTwoPointConstraint::SetFormulaProperty(tag, formula);
  limit_->Assign(formula);
  MarkChanged();
}

uint16_t TPiston::GetShortProperty(uint32_t tag, uint16_t& value, void* extra) {
  if (tag == kTagDriveKind) value = static_cast<uint16_t>(driveKind_);
  else if (tag == kTagLimitKind) value = static_cast<uint16_t>(HasLimit() ? limitKind_ : kNoLimit);
  else return TTwoPointConstraint::GetShortProperty(tag, value, extra);
  return 1;
}

void TPiston::SetShortProperty(uint32_t tag, uint16_t value) {
  if (tag == kTagDriveKind) return SetDriveKind(static_cast<int16_t>(value));
  if (tag != kTagLimitKind) return TTwoPointConstraint::SetShortProperty(tag, value);
  const auto kind = static_cast<int16_t>(value);
  hasLimit_ = kind == kNoLimit ? 0 : 1;
  if (kind != kNoLimit) limitKind_ = kind;
  MarkChanged();
}

bool TLPiston::HitsShape(double x, double y) const {
  return std::fabs(y) <= (x <= 0.5 ? 0.3 : 0.2);
}

void TLPiston::DrawFigure(const DrawingFrame& frame, uint16_t mode) {
  struct Step {
    double x, y;
    bool down;
  };
  // The cylinder closed all round, the rod open into it; the closing line to the second end
  // starts from the rod's end, so that it does not cross the rod.
  constexpr Step kSteps[] = {{0.0, 0.25, false}, {0.5, 0.25, true},  {0.5, -0.25, true},
                             {0.0, -0.25, true}, {0.0, 0.25, true},  {0.5, 0.1, false},
                             {1.0, 0.1, true},   {1.0, -0.1, true},  {0.5, -0.1, true},
                             {1.0, 0.0, false}};
  for (const Step& step : kSteps) DrawFrameLine(frame, step.x, step.y, step.down, step.down, mode);
}

void TPiston::WriteKindBlock(TObjectWriter& writer) {
  TTwoPointConstraint::WriteKindBlock(writer);
  writer.WriteCode(driveKind_ & 0xFF);
  writer.WriteCode(hasLimit_);
  writer.WriteFormula(limit_.get());
  writer.WriteCode(limitKind_ & 0xFF);
}

uint16_t TRPiston::ReadBlockContents(int16_t code, TObjectReader& reader) {
  if (code != kTextDriveBlock) return TPiston::ReadBlockContents(code, reader);
  ReadKindBlock(reader);
  return 1;
}

void TPiston::ReadKindBlock(TObjectReader& reader) {
  TTwoPointConstraint::ReadKindBlock(reader);
  driveKind_ = reader.ReadByte();
  hasLimit_ = reader.ReadInt() != 0 ? 1 : 0;
  reader.ReadFormula(*limit_);
  limitKind_ = reader.ReadByte();
}

void RegisterPistonClasses() {
  RegisterClassInfo("TPiston", kPistonTag, TPiston::kClassID, TPiston::CreateObject,
                    sizeof(TPiston));
  RegisterClassInfo("TLPiston", kLPistonTag, TLPiston::kClassID, TLPiston::CreateObject,
                    sizeof(TLPiston));
  RegisterClassInfo("TRPiston", kRPistonTag, TRPiston::kClassID, TRPiston::CreateObject,
                    sizeof(TRPiston));
}
