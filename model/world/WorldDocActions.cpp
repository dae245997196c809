// What commands ask of the world: its edit state and selections, the notices after their work,
// its geometry manager, and the formulas of its objects: which objects read which, and their
// recomputation after a change.

#include <algorithm>
#include <cctype>
#include <string_view>

#include "core/ClassRegistry.h"
#include "core/Failure.h"
#include "core/List.h"
#include "model/Formula.h"
#include "model/GeometryManagerHook.h"
#include "model/world/WorldDisplay.h"
#include "model/world/WorldDoc.h"

namespace {

// The recomputation was stopped from its progress check.
constexpr int16_t kErrChangeStopped = -25107;

// Class identifiers of the objects a formula names by kind.
constexpr int16_t kBodyClass = 523;
constexpr int16_t kPointClass = 686;
constexpr int16_t kConstraintClass = 367;

bool SameName(std::string_view a, std::string_view b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) ==
                  std::tolower(static_cast<unsigned char>(y));
         });
}

int16_t ClassOfKind(FormulaObjectKind kind) {
  switch (kind) {
    case FormulaObjectKind::kBody:
    case FormulaObjectKind::kNumber:  // a plain number stands for a body
      return kBodyClass;
    case FormulaObjectKind::kPoint:
      return kPointClass;
    case FormulaObjectKind::kConstraint:
      return kConstraintClass;
    case FormulaObjectKind::kOther:
      break;
  }
  return 0;
}

// The class a kind name with a number stands for ("point[4]"), or 0.
int16_t ClassOfKindName(std::string_view name) {
  if (SameName(name, "body")) return kBodyClass;
  if (SameName(name, "point")) return kPointClass;
  if (SameName(name, "constraint")) return kConstraintClass;
  return 0;
}

bool IsOfKind(TLink& object, int16_t classId, int32_t number) {
  return classId != 0 && object.IsMemberClass(classId) && object.GetIdentifier() == number;
}

struct FormulaList {
  std::vector<TFormula*> formulas;
};

void CollectFormula(TFormula* formula, void* context) {
  if (formula != nullptr) static_cast<FormulaList*>(context)->formulas.push_back(formula);
}

std::vector<TFormula*> FormulasOf(TLink& object) {
  FormulaList list;
  object.ForEachFormula(CollectFormula, &list);
  return list.formulas;
}

// Whether one of the object's formulas passes the test; the formulas are not collected, as the
// world asks this of every object on every change.
template <class Test>
bool AnyFormula(TLink& object, const Test& test) {
  struct State {
    const Test* test;
    bool found;
  } state{&test, false};
  object.ForEachFormula(
      [](TFormula* formula, void* context) {
        auto* searching = static_cast<State*>(context);
        if (!searching->found && formula != nullptr && (*searching->test)(*formula))
          searching->found = true;
      },
      &state);
  return state.found;
}

}  // namespace

// ---- Edit state, selections, notices -----------------------------------------------------------

std::vector<TLink*> TWorldDoc::Objects() {
  return static_cast<const TWorldDoc&>(*this).Objects();
}

void TWorldDoc::MakeGeometryManager() {
  TObject* made = CreateObjectByTag(kGeometryManagerTag);
  if (made == nullptr) return;
  geometryManager_.reset(made);
  if (TGeometryManagerHook* manager = GeometryManagerOf(made)) manager->AttachWorld(this);
}

TObject* TWorldDoc::FindItem(uint32_t classTag) {
  if (classTag != kGeometryManagerTag) return nullptr;
  if (!geometryManager_) MakeGeometryManager();
  return geometryManager_.get();
}

TList* TWorldDoc::SwapSelection(TList* selection) {
  TList* const previous = currentSelection_;
  currentSelection_ = selection;
  return previous;
}

int16_t TWorldDoc::SwapStateWord(int16_t value) {
  const int16_t previous = stateWord_;
  stateWord_ = value;
  return previous;
}

// A selection handed to the world to keep is the world's from then on: it is freed when it is
// forgotten while not current, or with the world.
void TWorldDoc::DiscardSelection(TList* selection) {
  if (selection == nullptr || selection == currentSelection_) return;
  std::erase_if(keptSelections_, [selection](const auto& kept) { return kept.get() == selection; });
}

void TWorldDoc::KeepSelection(TList* selection) {
  if (selection == nullptr) return;
  const bool kept = std::any_of(keptSelections_.begin(), keptSelections_.end(),
                                [selection](const auto& own) { return own.get() == selection; });
  if (!kept) keptSelections_.emplace_back(selection);
}

void TWorldDoc::ForgetSelection(TList* selection) {
  DiscardSelection(selection);
}

void TWorldDoc::Changed(int16_t flag) {
  WorldChanged();
  if (flag == 0) RefreshWorldFormulas();
  Changed();
  NotifyWatchers(&TWorldWatcher::WorldContentsChanged);
}

// Each object tells its owner (the views that show it) that it must be drawn again, and the
// document window draws its views again.
void TWorldDoc::RedrawAll(int16_t, int16_t) {
  for (TLink* object : Objects())
    object->Changed();
  if (display_ != nullptr) display_->InvalidateViews();
}

// Formulas changed: what the solver holds of the world is stale.
void TWorldDoc::EndUpdate() {
  WorldChanged();
}

// ---- Formulas ---------------------------------------------------------------------------------

bool TWorldDoc::ReferenceNames(const FormulaObjectRef& reference, TLink& object) {
  using Source = FormulaObjectRef::Source;
  switch (reference.source) {
    case Source::kSelf:
    case Source::kOther:
      return false;
    case Source::kFixed:
      return IsOfKind(object, ClassOfKind(reference.object.kind), reference.object.number);
    case Source::kNamed:
      break;
  }
  const int16_t kindClass = ClassOfKindName(reference.name);
  if (kindClass != 0 && reference.object.number >= 0)
    return IsOfKind(object, kindClass, reference.object.number);
  if (!object.IsMemberClass(TNamedLink::kClassID)) return false;
  const Str255& name = static_cast<TNamedLink&>(object).GetName();
  return name.Length() > 0 &&
         SameName(reference.name,
                  std::string_view(name.Chars(), static_cast<size_t>(name.Length())));
}

void TWorldDoc::CollectFormulaReaders(TLink& object, std::vector<TLink*>& readers) {
  const auto readsObject = [&object](TFormula& formula) {
    if (!formula.IsFormula()) return false;
    const auto& references = formula.Program().Objects();
    return std::any_of(references.begin(), references.end(),
                       [&object](const FormulaObjectRef& reference) {
                         return ReferenceNames(reference, object);
                       });
  };
  for (const auto& owned : owned_) {
    TLink* candidate = owned.get();
    if (candidate == &object || !AnyFormula(*candidate, readsObject)) continue;
    if (std::find(readers.begin(), readers.end(), candidate) == readers.end())
      readers.push_back(candidate);
  }
}

void TWorldDoc::RecomputeFormulas(const std::vector<TLink*>& first,
                                  const std::vector<TLink*>& second, TGeometryObjectCache*,
                                  RecomputeProgress progress, void* progressState) {
  std::vector<TLink*> objects = first;
  objects.insert(objects.end(), second.begin(), second.end());
  TGeometryManagerHook* manager = GeometryManagerOf(FindItem(kGeometryManagerTag));
  const auto total = static_cast<double>(objects.size());
  for (size_t i = 0; i < objects.size(); ++i) {
    if (progress != nullptr && progress(progressState, 0.0, static_cast<double>(i), total))
      ThrowFailure(kErrChangeStopped, 0);
    TLink* object = objects[i];
    // The world is read again for every object: each reads the values of those before it.
    const FormulaEnvironment* environment = manager != nullptr ? manager->FormulaWorld() : nullptr;
    for (TFormula* formula : FormulasOf(*object)) {
      if (!formula->NeedsWorld()) continue;
      const double before = formula->GetValue();
      if (formula->Evaluate(environment) != before) object->FormulaChanged(formula);
    }
  }
}

void TWorldDoc::RefreshWorldFormulas() {
  TGeometryManagerHook* manager = GeometryManagerOf(FindItem(kGeometryManagerTag));
  if (manager == nullptr) return;
  std::vector<TLink*> readers;
  for (const auto& owned : owned_)
    if (AnyFormula(*owned, [](TFormula& formula) { return formula.NeedsWorld(); }))
      readers.push_back(owned.get());
  // Nothing reads the world: no need to describe it.
  if (readers.empty()) return;
  // Each pass settles at least one more link of every chain of readers; a pass that changes
  // nothing ends the refresh (formulas that read each other in a circle stop after the last).
  for (size_t pass = 0; pass <= readers.size(); ++pass) {
    bool changed = false;
    // The world is read again only after a value changed.
    const FormulaEnvironment* environment = manager->FormulaWorld();
    for (TLink* object : readers) {
      for (TFormula* formula : FormulasOf(*object)) {
        if (!formula->NeedsWorld()) continue;
        const double before = formula->GetValue();
        try {
          if (formula->Evaluate(environment) == before) continue;
        } catch (const QVException&) {
          continue;
        }
        object->FormulaChanged(formula);
        environment = manager->FormulaWorld();
        changed = true;
      }
    }
    if (!changed) return;
  }
}
