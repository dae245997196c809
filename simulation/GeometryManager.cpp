#include "simulation/GeometryManager.h"

#include <algorithm>

#include "core/ClassRegistry.h"
#include "core/Failure.h"
#include "core/List.h"
#include "model/filing/ObjectWriter.h"
#include "model/world/WorldDoc.h"
#include "model/world/WorldParticipants.h"
#include "simulation/FormulaWorld.h"

namespace {

class TRegistration : public TGeometryRegistration {
 public:
  TRegistration(std::vector<TLink*> targets, int16_t command)
      : targets(std::move(targets)), command(command) {}
  std::vector<TLink*> targets;
  int16_t command;
};

class TObjectRecord : public TGeometryObjectRecord {
 public:
  explicit TObjectRecord(std::vector<TLink*> objects) : objects(std::move(objects)) {}
  std::vector<TLink*> objects;
};

TObject* CreateGeometryManager() {
  return new TWorldGeometryManager();
}

TGeometryManagerHook* ManagerOf(TObject* item) {
  if (!item->IsMemberClass(TWorldGeometryManager::kClassID)) return nullptr;
  return static_cast<TWorldGeometryManager*>(item);
}

void AppendOnce(std::vector<TLink*>& list, TLink* object) {
  if (std::find(list.begin(), list.end(), object) == list.end()) list.push_back(object);
}

[[noreturn]] void FailFormula(int32_t code) {
  ThrowFailure(static_cast<int16_t>(FormulaErrorNumber(code)), 0);
}

TGeometryAssembly*& Installed() {
  static TGeometryAssembly* installed = nullptr;
  return installed;
}

}  // namespace

void InstallGeometryAssembly(TGeometryAssembly* assembly) {
  Installed() = assembly;
}

TGeometryAssembly* InstalledGeometryAssembly() {
  return Installed();
}

std::vector<TLink*> TWorldGeometryManager::LinksOf(TList& list) {
  std::vector<TLink*> links;
  for (int32_t i = 1; i <= list.GetCount(); ++i) {
    TObject* object = list.At(i);
    if (object != nullptr && object->IsMemberClass(TLink::kClassID))
      links.push_back(static_cast<TLink*>(object));
  }
  return links;
}

std::vector<TLink*> TWorldGeometryManager::WithJoined(const std::vector<TLink*>& objects) {
  std::vector<TLink*> all = objects;
  TGeometryAssembly* assembly = Assembly();
  if (assembly == nullptr) return all;
  std::vector<TLink*> joined;
  assembly->CollectJoined(objects, joined);
  for (TLink* object : joined)
    AppendOnce(all, object);
  return all;
}

void TWorldGeometryManager::Assemble(const std::vector<TLink*>& objects, int16_t flag) {
  TGeometryAssembly* assembly = Assembly();
  if (assembly != nullptr && !objects.empty()) assembly->Assemble(objects, flag);
}

void TWorldGeometryManager::Prepare(TList& targets, int16_t withJoined, int16_t) {
  const std::vector<TLink*> targetLinks = LinksOf(targets);
  const std::vector<TLink*> objects = withJoined != 0 ? WithJoined(targetLinks) : targetLinks;
  prepared_.clear();
  for (TLink* object : objects) {
    for (const uint32_t tag : kGeometryTags) {
      const TFormula* formula = object->GetFormulaProperty(tag, nullptr, nullptr, nullptr, nullptr);
      if (formula != nullptr) prepared_.push_back({object, tag, *formula});
    }
  }
}

void TWorldGeometryManager::ObjectRemoved(TLink* object) {
  TLink::ObjectRemoved(object);
  std::erase(pending_, object);
  std::erase(moved_, object);
  std::erase_if(prepared_,
                [object](const Snapshot& snapshot) { return snapshot.object == object; });
}

void TWorldGeometryManager::SwapPreparedGeometry() {
  for (Snapshot& snapshot : prepared_) {
    const TFormula* present =
        snapshot.object->GetFormulaProperty(snapshot.tag, nullptr, nullptr, nullptr, nullptr);
    if (present == nullptr) continue;
    TFormula replaced = *present;
    snapshot.object->SetFormulaProperty(snapshot.tag, snapshot.formula);
    snapshot.formula = std::move(replaced);
  }
}

std::unique_ptr<TGeometryRegistration> TWorldGeometryManager::Register(TList& targets,
                                                                       int16_t commandNumber) {
  return std::make_unique<TRegistration>(LinksOf(targets), commandNumber);
}

void TWorldGeometryManager::Finish(TGeometryRegistration& registration) {
  const auto& registered = static_cast<TRegistration&>(registration);
  Assemble(registered.targets, 0);
}

void TWorldGeometryManager::AttachWorld(TLink* world) {
  world_ = world != nullptr && world->IsMemberClass(TWorldDoc::kClassID)
               ? static_cast<TWorldDoc*>(world)
               : nullptr;
}

const FormulaEnvironment* TWorldGeometryManager::FormulaWorld() {
  if (world_ == nullptr) return nullptr;
  documentWorld_.ClearObjects();
  documentWorld_.SetTime(world_->CurrentTime());
  documentWorld_.SetGeometryContext(world_);
  documentWorld_.ClearInputs();
  for (TLink* object : world_->Inputs()) {
    if (const auto* input = dynamic_cast<const TRunInput*>(object))
      documentWorld_.SetInput(object->GetIdentifier(), input->InputValue());
  }
  for (TLink* object : world_->Objects()) {
    TFormulaObjectState state;
    if (DescribeFormulaObject(*object, state)) documentWorld_.SetObject(state);
  }
  return &documentWorld_;
}

namespace {

struct FormulaList {
  std::vector<TFormula*> formulas;
};

void CollectFormula(TFormula* formula, void* context) {
  if (formula != nullptr) static_cast<FormulaList*>(context)->formulas.push_back(formula);
}

}  // namespace

// The targets' formulas are bound anew to the objects they name: each formula that reads the
// world takes its value from the world as it is now, and its object hears of the change, before
// anything that reads the targets is recomputed. The targets (and what is joined to them) go to
// the geometry list, and with recompute set they wait for the next flush.
void TWorldGeometryManager::Relink(TList& targets, int16_t withJoined, int16_t withFormulas,
                                   int16_t recompute, void*, TList& geometryList) {
  const std::vector<TLink*> targetLinks = LinksOf(targets);
  const FormulaEnvironment* world = withFormulas != 0 ? FormulaWorld() : nullptr;
  if (world != nullptr) {
    for (TLink* target : targetLinks) {
      FormulaList list;
      target->ForEachFormula(CollectFormula, &list);
      for (TFormula* formula : list.formulas) {
        if (!formula->NeedsWorld()) continue;
        const double before = formula->GetValue();
        if (formula->Evaluate(FormulaWorld()) != before) target->FormulaChanged(formula);
      }
    }
  }
  const std::vector<TLink*> objects = withJoined != 0 ? WithJoined(targetLinks) : targetLinks;
  for (TLink* object : objects) {
    if (!geometryList.Contains(object)) geometryList.InsertLast(object);
    if (recompute != 0) AppendOnce(pending_, object);
  }
}

void TWorldGeometryManager::CheckFormula(const TFormula& formula, int16_t, int16_t) {
  if (!formula.IsFormula()) return;
  if (formula.CompileError() != 0) ThrowFailure(static_cast<int16_t>(formula.CompileError()), 0);
  const FormulaEnvironment* world = formulaWorld_ != nullptr ? formulaWorld_ : FormulaWorld();
  for (const FormulaObjectRef& reference : formula.Program().Objects()) {
    // self and other are the members of a field, and a plain number is no object.
    if (reference.source == FormulaObjectRef::Source::kSelf ||
        reference.source == FormulaObjectRef::Source::kOther ||
        (reference.source == FormulaObjectRef::Source::kFixed &&
         reference.object.kind == FormulaObjectKind::kNumber))
      continue;
    if (world == nullptr) FailFormula(kFormulaNoProgram);
    int32_t code = kFormulaOk;
    if (reference.source == FormulaObjectRef::Source::kNamed) {
      FormulaObject found;
      code = world->FindObject(reference.name, reference.object.number, found);
    } else {
      FormulaVector position;
      code = world->Member(reference.object, FormulaMember::kPosition, position);
    }
    if (code == kFormulaUnknownObject) FailFormula(code);
  }
}

void TWorldGeometryManager::Flush(int16_t flag) {
  std::vector<TLink*> work;
  work.swap(pending_);
  Assemble(work, flag);
}

void TWorldGeometryManager::UpdateObject(int16_t flag) {
  Assemble(moved_, flag);
}

void TWorldGeometryManager::RemoveObjects() {
  moved_.clear();
}

std::unique_ptr<TGeometryObjectRecord> TWorldGeometryManager::AddObjects(TList& objects) {
  for (TLink* object : LinksOf(objects))
    AppendOnce(moved_, object);
  return std::make_unique<TObjectRecord>(LinksOf(objects));
}

void TWorldGeometryManager::RefreshRecord(TGeometryObjectRecord& record) {
  Assemble(static_cast<TObjectRecord&>(record).objects, 0);
}

uint16_t TWorldGeometryManager::CanReadBlock(int16_t code) {
  return code == kBlockGeometryManager ? 1 : TLink::CanReadBlock(code);
}

uint16_t TWorldGeometryManager::ReadBlockContents(int16_t code, TObjectReader& reader) {
  return code == kBlockGeometryManager ? 1 : TLink::ReadBlockContents(code, reader);
}

void TWorldGeometryManager::WriteFields(TObjectWriter& writer) {
  writer.WriteBlock(*this, kBlockGeometryManager);
  TLink::WriteFields(writer);
}

void TWorldGeometryManager::WriteClassTag(TObjectWriter& writer) {
  writer.WriteTag(kGeometryManagerTag);
}

void RegisterGeometryManager() {
  RegisterClassInfo("TWorldGeometryManager", kGeometryManagerTag, TWorldGeometryManager::kClassID,
                    CreateGeometryManager, sizeof(TWorldGeometryManager));
  InstallGeometryManagerHook(ManagerOf);
  // The queries formulas make of the geometry are the bodies layer's, installed with its
  // classes (before or after this).
}

void FreeGeometryManager() {
  InstallGeometryManagerHook(nullptr);
}
