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
