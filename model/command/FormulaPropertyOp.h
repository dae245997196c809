#pragma once
// The formula commands: a property whose value is a formula (or a number or a position, which
// are formulas too). Setting a formula may change the values of every object whose formula reads
// the targets, directly or through others; the command finds those dependants in the order they
// must be recomputed, records them for undo, sets the formula inside the formula-update bracket
// and has the world recompute them, with the count dialog when that takes long.

#include <cstdint>
#include <memory>
#include <vector>

#include "core/Failure.h"
#include "model/Formula.h"
#include "model/command/FormulaDependants.h"
#include "model/command/FormulaProgress.h"
#include "model/command/GeometryObjectCache.h"
#include "model/command/PropertyOps.h"

// String list of the messages that name what a failed change was about.
inline constexpr int16_t kChangeMessageList = 32609;

class TFormulaPropertyOp : public TPropertyOpBase {
  DECLARE_CLASS_ID(354, TPropertyOpBase)

 public:
  TFormulaPropertyOp();
  ~TFormulaPropertyOp() override;

  // InitTagged, and the formula to set: when it is an expression (and the tag is not the
  // position formula's), the world's geometry manager checks it first. A failure leaves the
  // command without its parts and passes on.
  void InitValue(int16_t commandNumber, TActionContext* context, uint16_t canUndo, uint32_t tag,
                 const TFormula* formula);

  // The formula command protects its own bracket: a failure ends the world's update and flushes
  // pending geometry work before it passes on; success does both too.
  void Perform() override;
  void ApplyTo(TLink* object) override;
  // With dependants: the formula goes to each target inside the formula-update bracket, the
  // geometry manager relinks, the dependants are found again and the world recomputes them.
  void ApplyToAll() override;
  // Formulas never count as moving objects: the dependants carry that.
  uint16_t AffectsGeometry() override { return 0; }
  // The object's dependants will be recomputed.
  void ObjectNoted(TLink* object) override;
  void BeforePrepare() override;
  void AfterWork() override;
  void AfterUndoRedo() override;

  const TFormula& GetFormula() const { return *formula_; }
  uint16_t DependantsCollected() const { return dependantsCollected_; }
  const std::vector<TLink*>& FirstDependants() const { return first_; }
  const std::vector<TLink*>& SecondDependants() const { return second_; }

 protected:
  TFormula& Formula() { return *formula_; }

 private:
  void FreeParts();
  // The targets and, with walkFlag, every object that follows geometry, are the changed objects.
  void CollectDependants(uint16_t walkFlag);
  void ApplyWithDependants();
  [[noreturn]] void RaiseMapped(const QVException& failure) const;
  void BeginFormulaUpdate(uint16_t withTargets);
  void EndFormulaUpdate();
  void FlushPendingGeometry();

  std::unique_ptr<TFormula> formula_;
  std::vector<TLink*> first_;
  std::vector<TLink*> second_;
  std::unique_ptr<TGeometryObjectCache> geometryCache_;
  uint16_t dependantsCollected_ = 0;
  std::unique_ptr<TList> geometryList_;
  TFormulaDependants noted_;
  TFormulaProgressState progress_;
};

class TNumberPropertyOp : public TFormulaPropertyOp {
  DECLARE_CLASS_ID(358, TFormulaPropertyOp)

 public:
  // The formula is the constant value.
  void InitValue(int16_t commandNumber, TActionContext* context, uint16_t canUndo, uint32_t tag,
                 double value);
  void ApplyTo(TLink* object) override;

 private:
  double value_ = 0.0;
};

// Made by the coordinates bar.
class TPositionPropertyOp : public TFormulaPropertyOp {
  DECLARE_CLASS_ID(359, TFormulaPropertyOp)

 public:
  void ApplyTo(TLink* object) override;
};
