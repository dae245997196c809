// Goals, the custom constraint and the registration of the constraint spine with its shared
// objects: the goal prototype that takes surplus stored goals, and the default quantity filed
// for a constraint without a primary object.

#include "constraints/Constraint.h"
#include "constraints/ConstraintClasses.h"
#include "constraints/Springs.h"
#include "core/ClassRegistry.h"
#include "model/filing/ObjectReader.h"
#include "model/filing/ObjectWriter.h"

namespace {

// Registration sets the size; start-up settles it after every class is registered.
constexpr double kRegisteredConstraintSize = 32.0;
double gDefaultConstraintSize = kRegisteredConstraintSize;
std::unique_ptr<TCnstrGoal> gGoalPrototype;
std::unique_ptr<TFormula> gDefaultQuantity;

}  // namespace

void TCnstrGoal::Clear() {
  type = limit = component = 0;
  SetConstant(0.0);
}

void TCnstrGoal::Write(TObjectWriter& writer) const {
  writer.WriteCode(type & 0xFF);
  writer.WriteCode(limit & 0xFF);
  writer.WriteCode(component & 0xFF);
  writer.WriteFormula(this);
}

void TCnstrGoal::Read(TObjectReader& reader) {
  type = reader.ReadByte();
  limit = reader.ReadByte();
  component = reader.ReadByte();
  reader.ReadFormula(*this);
}

TObject* TCustomConstraint::CreateObject() { return new TCustomConstraint; }

std::unique_ptr<TCustomConstraint> TCustomConstraint::MakeNew() {
  auto made = std::make_unique<TCustomConstraint>();
  made->Initialize();
  made->SetAlwaysActive(1);
  made->ResizeGoals(kNewGoals);
  for (auto& goal : made->Goals())
    goal->type = static_cast<int32_t>(GoalType::kPosition);
  return made;
}

// A tag's last character is the goal's digit, wherever MakeTag puts it in the tag.
TCnstrGoal* TCustomConstraint::GoalOfTag(uint32_t tag, uint32_t base) {
  constexpr uint32_t kDigitStep = MakeTag("0001") - MakeTag("0000");
  for (size_t index = 0; index < Goals().size() && index < 9; ++index)
    if (tag == base + kDigitStep * static_cast<uint32_t>(index + 1)) return Goals()[index].get();
  return nullptr;
}

TFormula* TCustomConstraint::GetFormulaProperty(uint32_t tag, double* first, double* second,
                                                int32_t* dimension, uint16_t* flag) {
  if (TCnstrGoal* goal = GoalOfTag(tag, kTagCustomGoalFormula)) return goal;
  return TCnstr::GetFormulaProperty(tag, first, second, dimension, flag);
}

void TCustomConstraint::SetFormulaProperty(uint32_t tag, const TFormula& formula) {
  TCnstrGoal* goal = GoalOfTag(tag, kTagCustomGoalFormula);
  if (goal == nullptr) return TCnstr::SetFormulaProperty(tag, formula);
  goal->Assign(formula);
  MarkChanged();
}

uint16_t TCustomConstraint::GetShortProperty(uint32_t tag, uint16_t& value, void* extra) {
  if (TCnstrGoal* goal = GoalOfTag(tag, kTagCustomGoalType)) {
    value = static_cast<uint16_t>(goal->type);
    return 1;
  }
  if (TCnstrGoal* goal = GoalOfTag(tag, kTagCustomGoalComponent)) {
    value = static_cast<uint16_t>(goal->component);
    return 1;
  }
  return TCnstr::GetShortProperty(tag, value, extra);
}

// Types and components beyond those the solver reads are refused here: a popup offers no more.
void TCustomConstraint::SetShortProperty(uint32_t tag, uint16_t value) {
  if (TCnstrGoal* goal = GoalOfTag(tag, kTagCustomGoalType)) {
    if (value > static_cast<uint16_t>(GoalType::kPower)) return;
    goal->type = value;
    return MarkChanged();
  }
  if (TCnstrGoal* goal = GoalOfTag(tag, kTagCustomGoalComponent)) {
    if (value > static_cast<uint16_t>(GoalComponent::kRotation)) return;
    goal->component = value;
    return MarkChanged();
  }
  TCnstr::SetShortProperty(tag, value);
}
TObject* TUICnstr::CreateObject() { return new TUICnstr; }

double DefaultConstraintSize() { return gDefaultConstraintSize; }
void SetDefaultConstraintSize(double size) { gDefaultConstraintSize = size; }

const TFormula& DefaultPrimaryQuantity() {
  static const TFormula kZero;
  return gDefaultQuantity ? *gDefaultQuantity : kZero;
}

TCnstrGoal& SharedGoalPrototype() {
  if (!gGoalPrototype) gGoalPrototype = std::make_unique<TCnstrGoal>();
  return *gGoalPrototype;
}

void RegisterCustomConstraintClasses() {
  RegisterClassInfo("TXCnstr", kXConstraintTag, TXCnstr::kClassID, TXCnstr::CreateObject,
                    sizeof(TXCnstr));
  SetDefaultConstraintSize(kRegisteredConstraintSize);
  RegisterClassInfo("TCustomConstraint", kCustomConstraintTag, TCustomConstraint::kClassID,
                    TCustomConstraint::CreateObject, sizeof(TCustomConstraint));
  RegisterClassInfo("TUICnstr", kUIConstraintTag, TUICnstr::kClassID, TUICnstr::CreateObject,
                    sizeof(TUICnstr));
  gGoalPrototype = std::make_unique<TCnstrGoal>();
  gGoalPrototype->Clear();
  gDefaultQuantity = TFormula::New();
  InstallConstraintFormulaState();
}

void FreeCustomConstraintGlobals() {
  RemoveConstraintFormulaState();
  gGoalPrototype.reset();
  gDefaultQuantity.reset();
}

void SettleDefaultConstraintSize() { SetDefaultConstraintSize(12.0); }
