#include "model/command/FormulaPropertyOp.h"

#include <algorithm>

#include "core/Failure.h"
#include "core/List.h"
#include "model/filing/ChangeRecorder.h"
#include "model/filing/DocumentFormat.h"

namespace {

constexpr int16_t kErrUnplaceable = -25104;
constexpr int16_t kErrChangeStopped = -25107;
constexpr int16_t kMessageOneObject = 3;
constexpr int16_t kMessageObjects = 4;

// Constraints, points and bodies: the objects whose formulas may follow a changed formula.
constexpr int16_t kConstraintClass = 367;
constexpr int16_t kPointClass = 686;
constexpr int16_t kBodyClass = 523;

bool Contains(const std::vector<TLink*>& objects, const TLink* object) {
  return std::find(objects.begin(), objects.end(), object) != objects.end();
}

// Ends the formula-update bracket and drops the geometry cache however the change ends.
template <class End>
class ScopeEnd {
 public:
  explicit ScopeEnd(End end) : end_(end) {}
  ~ScopeEnd() { end_(); }
  ScopeEnd(const ScopeEnd&) = delete;
  ScopeEnd& operator=(const ScopeEnd&) = delete;

 private:
  End end_;
};

}  // namespace

TFormulaPropertyOp::TFormulaPropertyOp() = default;

TFormulaPropertyOp::~TFormulaPropertyOp() = default;

void TFormulaPropertyOp::FreeParts() {
  formula_.reset();
  first_.clear();
  second_.clear();
  geometryCache_.reset();
  geometryList_.reset();
  noted_.Clear();
  dependantsCollected_ = 0;
}

void TFormulaPropertyOp::InitValue(int16_t commandNumber, TActionContext* context, uint16_t canUndo,
                                   uint32_t tag, const TFormula* formula) {
  FreeParts();
  try {
    InitTagged(commandNumber, context, canUndo, tag);
    formula_ = std::make_unique<TFormula>();
    geometryList_ = std::make_unique<TList>();
    if (formula == nullptr) return;
    if (tag != kPositionFormulaTag && GeometryManager() != nullptr && formula->IsFormula()) {
      GeometryManager()->CheckFormula(*formula, 0, 0);
    }
    *formula_ = *formula;
  } catch (...) {
    FreeParts();
    throw;
  }
}

void TFormulaPropertyOp::ApplyTo(TLink* object) {
  object->SetFormulaProperty(GetTag(), *formula_);
}

void TFormulaPropertyOp::ObjectNoted(TLink* object) {
  FailIfSpaceLow();
  SetKeepsSelection(1);
  dependantsCollected_ = 1;
  noted_.AddSource(object);
}

void TFormulaPropertyOp::CollectDependants(uint16_t walkFlag) {
  TFormulaDependants walk = noted_;
  for (TLink* target : Targets())
    walk.AddSource(target);
  if (walkFlag != 0 && GetContext() != nullptr) {
    for (TLink* object : GetContext()->Objects()) {
      if (object->FollowsGeometry() != 0) walk.AddSource(object);
    }
  }
  walk.Collect(first_, second_);
}

void TFormulaPropertyOp::BeginFormulaUpdate(uint16_t withTargets) {
  const std::vector<TLink*> targets = Targets();
  if (targets.empty() || GetContext() == nullptr) return;
  if (withTargets != 0) {
    for (TLink* target : targets)
      target->SetFormulaUpdate(0);
  }
  for (TLink* object : GetContext()->Objects()) {
    if (Contains(targets, object)) continue;
    if (IsKindOfSafe(object, kConstraintClass) || IsKindOfSafe(object, kPointClass) ||
        IsKindOfSafe(object, kBodyClass)) {
      object->SetFormulaUpdate(0);
    }
  }
}

void TFormulaPropertyOp::EndFormulaUpdate() {
  if (Targets().empty() || GetContext() == nullptr) return;
  for (TLink* object : GetContext()->Objects())
    object->SetFormulaUpdate(1);
}

void TFormulaPropertyOp::BeforePrepare() {
  TPropertyOpBase::BeforePrepare();
  if (dependantsCollected_ != 0) {
    FailIfMemoryLow();
    geometryCache_ = MakeGeometryObjectCache(1);
    if (CanUndo() != 0 && AffectsGeometry() == 0 && GeometryManager() != nullptr &&
        GeometryFlag() != 0) {
      GeometryManager()->Prepare(*TargetList(), 1, 1);
    }
    if (GetTag() == kPositionFormulaTag) {
      BeginFormulaUpdate(1);
      const ScopeEnd end([this] { EndFormulaUpdate(); });
      CollectDependants(1);
    } else {
      CollectDependants(0);
    }
    // Nothing reads the targets: the formula is set as any other property.
    if (first_.empty() && second_.empty()) {
      dependantsCollected_ = 0;
      geometryCache_.reset();
    }
  }
  if (CanUndo() == 0) return;
  NoteChangeOfAll(Targets(), TChangeRecorder::kWholeObject);
  NoteChangeOfAll(first_, TChangeRecorder::kWholeObject);
  NoteChangeOfAll(second_, TChangeRecorder::kWholeObject);
  if (AffectsGeometry() == 0) NoteWorldPositions();
}

void TFormulaPropertyOp::ApplyToAll() {
  if (dependantsCollected_ == 0) {
    TPropertyOpBase::ApplyToAll();
    return;
  }
  const ScopeEnd end([this] {
    EndFormulaUpdate();
    geometryCache_.reset();
    CloseCountDialog();
  });
  progress_ = TFormulaProgressState();
  try {
    ApplyWithDependants();
  } catch (const QVException& failure) {
    RaiseMapped(failure);
  }
}

void TFormulaPropertyOp::ApplyWithDependants() {
  const std::vector<TLink*> targets = Targets();
  for (TLink* target : targets) {
    target->SetFormulaUpdate(0);
    target->SetCachedFormula(GetTag(), *formula_, geometryCache_.get());
  }
  if (GeometryManager() != nullptr) {
    GeometryManager()->Relink(*TargetList(), 1, 1, 1, &progress_, *geometryList_);
  }
  BeginFormulaUpdate(0);
  // The new formulas may read other objects now: the order, and any circle, is found again.
  if (GetTag() != kPositionFormulaTag) CollectDependants(GeometryFlag());
  progress_.Start(GetCommandNumber());
  if (GetContext() != nullptr) {
    GetContext()->RecomputeFormulas(first_, second_, geometryCache_.get(), FormulaProgressCheck,
                                    &progress_);
  }
}

void TFormulaPropertyOp::RaiseMapped(const QVException& failure) const {
  const int16_t error = failure.error();
  if (error == kErrReadCancelled) ThrowFailure(kErrNone, 0);
  if (progress_.started == 0) throw failure;
  if (progress_.failureError != 0) ThrowFailure(progress_.failureError, progress_.failureMessage);
  if (error == kErrChangeStopped) ThrowFailure(kErrNone, 0);
  if (error == kErrUnplaceable) {
    const int16_t item = Targets().size() < 2 ? kMessageOneObject : kMessageObjects;
    ThrowFailure(kErrUnplaceable, static_cast<int32_t>(kChangeMessageList) << 16 | item);
  }
  throw failure;
}

void TFormulaPropertyOp::AfterWork() {
  TPropertyOpBase::AfterWork();
  if (GetContext() != nullptr) GetContext()->RedrawAll(1, 1);
}

void TFormulaPropertyOp::AfterUndoRedo() {
  if (GetContext() != nullptr) {
    GetContext()->RedrawAll(1, 1);
    GetContext()->RefreshToolColours();
  }
  FlushPendingGeometry();
}

void TFormulaPropertyOp::FlushPendingGeometry() {
  TGeometryManagerHook* const manager = GeometryManager();
  if (manager != nullptr && manager->HasPendingWork() != 0) manager->Flush(0);
}

void TFormulaPropertyOp::Perform() {
  try {
    TPropertyOpBase::Perform();
  } catch (...) {
    geometryCache_.reset();
    if (GetContext() != nullptr) GetContext()->EndUpdate();
    FlushPendingGeometry();
    throw;
  }
  FlushPendingGeometry();
  if (GetContext() != nullptr) GetContext()->EndUpdate();
}

void TNumberPropertyOp::InitValue(int16_t commandNumber, TActionContext* context, uint16_t canUndo,
                                  uint32_t tag, double value) {
  TFormulaPropertyOp::InitValue(commandNumber, context, canUndo, tag, nullptr);
  Formula().SetConstant(value);
  value_ = value;
}

void TNumberPropertyOp::ApplyTo(TLink* object) {
  object->SetNumberProperty(GetTag(), value_);
}

void TPositionPropertyOp::ApplyTo(TLink* object) {
  object->SetPositionProperty(GetTag(), Formula(), 0, 1);
}
