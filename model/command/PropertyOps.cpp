#include "model/command/PropertyOps.h"

#include <algorithm>
#include <new>

#include "core/Failure.h"
#include "model/MenuProperty.h"
#include "model/Thing.h"
#include "model/filing/ChangeRecorder.h"
#include "model/world/WorldDoc.h"
#include "model/world/WorldEditCheck.h"

namespace {

// Both recorders of an action, those it has.
template <class Note>
void InBothRecorders(TActionBase& action, Note note) {
  if (TChangeRecorder* undo = action.UndoRecorder()) note(*undo);
  if (TChangeRecorder* redo = action.RedoRecorder()) note(*redo);
}

struct NotedObject {
  TPropertyOpBase* command;
  TLink* object;
};

void NotePositionBlock(int16_t code, void* context) {
  auto& noted = *static_cast<NotedObject*>(context);
  InBothRecorders(*noted.command,
                  [&](TChangeRecorder& recorder) { recorder.NoteBlock(noted.object, code); });
}

// What a target reports of the blocks that hold a tag: whether any is one the solver is handed
// (or the object as a whole, or its position), and whether it reported any at all.
struct TagBlocks {
  bool reported = false;
  bool reachSolver = false;
};

void NoteTagBlock(int16_t code, void* context) {
  auto& blocks = *static_cast<TagBlocks*>(context);
  blocks.reported = true;
  blocks.reachSolver = blocks.reachSolver || code < kFirstDocumentBlock;
}

void NoteTagObject(void* context) {
  auto& blocks = *static_cast<TagBlocks*>(context);
  blocks.reported = true;
  blocks.reachSolver = true;
}

}  // namespace

// TPropertyOp

TPropertyOp::TPropertyOp() = default;

TPropertyOp::~TPropertyOp() = default;

void TPropertyOp::InitPropertyOp(int16_t commandNumber, TActionContext* context, uint16_t canUndo) {
  targets_.reset();
  InitAction(commandNumber, nullptr, context, canUndo);
  targets_.reset(new (std::nothrow) TLink518);
  FailIfNull(targets_.get());
  targets_->Initialize();
}

void TPropertyOp::AddTarget(TLink* object) {
  if (object != nullptr && targets_) targets_->AddDependent(object);
}

void TPropertyOp::ApplyTo(TLink*) {}

void TPropertyOp::NoteTarget(TLink* object) {
  InBothRecorders(*this, [&](TChangeRecorder& recorder) { recorder.NoteObject(object, false); });
}

void TPropertyOp::ApplyToAll() {
  for (TLink* object : Targets())
    ApplyTo(object);
}

bool TPropertyOp::ReachesSolver(const TWorldDoc& world) const {
  const std::vector<TLink*> targets = Targets();
  return std::any_of(targets.begin(), targets.end(),
                     [&world](const TLink* object) { return SolverTakes(world, object); });
}

void TPropertyOp::CheckEditOfRun() {
  if (GetCommandNumber() == 0 || CausesChange() == 0) return;
  auto* world = dynamic_cast<TWorldDoc*>(GetContext());
  if (world == nullptr || !ReachesSolver(*world)) return;
  CheckWorldEdit(*world);
}

void TPropertyOp::BeforePrepare() {
  CheckEditOfRun();
  for (TLink* object : Targets())
    NoteTarget(object);
  TActionBase::BeforePrepare();
}

void TPropertyOp::DoWork() {
  TActionBase::DoWork();
  ApplyToAll();
  if (GetContext() != nullptr) GetContext()->Changed(0);
}

std::vector<TLink*> TPropertyOp::Targets() const {
  return targets_ ? targets_->Objects() : std::vector<TLink*>();
}

// TBlankTagOp

void TBlankTagOp::InitBlankTag(int16_t commandNumber, TActionContext* context, uint16_t canUndo,
                               uint16_t value) {
  InitPropertyOp(commandNumber, context, canUndo);
  value_ = value;
}

void TBlankTagOp::ApplyTo(TLink* object) {
  object->SetBlankTag(MakeTag("    "), value_);
}

// TPropertyOpBase

TPropertyOpBase::TPropertyOpBase() = default;

TPropertyOpBase::~TPropertyOpBase() = default;

void TPropertyOpBase::InitTagged(int16_t commandNumber, TActionContext* context, uint16_t canUndo,
                                 uint32_t tag) {
  geometryManager_ = nullptr;
  registration_.reset();
  geometryFlag_ = 0;
  InitPropertyOp(commandNumber, context, canUndo);
  SetKeepsSelection(1);
  tag_ = tag;
  if (context != nullptr)
    geometryManager_ = GeometryManagerOf(context->FindItem(kGeometryManagerTag));
}

void TPropertyOpBase::ObjectNoted(TLink*) {}

void TPropertyOpBase::AfterUndoRedo() {}

uint16_t TPropertyOpBase::AffectsGeometry() {
  return geometryFlag_;
}

void TPropertyOpBase::AddTarget(TLink* object) {
  if (object == nullptr) return;
  TPropertyOp::AddTarget(object);
  std::vector<TLink*> concerned;
  object->GetDependants(tag_, concerned);
  const std::vector<TLink*> targets = Targets();
  for (TLink* further : concerned) {
    if (std::find(targets.begin(), targets.end(), further) == targets.end()) {
      TPropertyOp::AddTarget(further);
    }
  }
}

void TPropertyOpBase::NoteBlockOfTarget(int16_t code, void* context) {
  auto& noted = *static_cast<NotedObject*>(context);
  if (noted.command->CanUndo() == 0) return;
  InBothRecorders(*noted.command, [&](TChangeRecorder& recorder) {
    if (code == TChangeRecorder::kWholeObject) recorder.NoteObject(noted.object, false);
    recorder.NoteBlock(noted.object, code);
  });
}

void TPropertyOpBase::TargetNoted(void* context) {
  auto& noted = *static_cast<NotedObject*>(context);
  noted.command->ObjectNoted(noted.object);
}

void TPropertyOpBase::NoteTarget(TLink* object) {
  NotedObject noted{this, object};
  uint16_t found = 0;
  object->ReportPropertyBlocks(tag_, found, NoteBlockOfTarget, TargetNoted, &noted, &noted);
}

uint16_t TPropertyOpBase::ComputeGeometryFlag() {
  if (tag_ == kPositionFormulaTag) return 0;
  for (TLink* object : Targets()) {
    if (IsKindOfSafe(object, TThing::kClassID) &&
        static_cast<TThing*>(object)->IsGeometryTag(tag_) != 0) {
      return 1;
    }
  }
  return 0;
}

void TPropertyOpBase::NoteWorldPositions() {
  TActionContext* const context = GetContext();
  if (context == nullptr || geometryFlag_ == 0) return;
  const std::vector<TLink*> targets = Targets();
  for (TLink* object : context->Objects()) {
    InBothRecorders(*this, [&](TChangeRecorder& recorder) { recorder.NoteObject(object, false); });
    if (std::find(targets.begin(), targets.end(), object) != targets.end()) continue;
    NotedObject noted{this, object};
    object->ReportPositionBlocks(NotePositionBlock, &noted);
  }
}

bool TPropertyOpBase::ReachesSolver(const TWorldDoc& world) const {
  for (TLink* object : Targets()) {
    if (!SolverTakes(world, object)) continue;
    TagBlocks blocks;
    uint16_t found = 0;
    object->ReportPropertyBlocks(tag_, found, NoteTagBlock, NoteTagObject, &blocks, &blocks);
    // A tag whose blocks the object does not name may be held anywhere in it.
    if (!blocks.reported || blocks.reachSolver) return true;
  }
  return false;
}

void TPropertyOpBase::BeforePrepare() {
  TPropertyOp::BeforePrepare();
  geometryFlag_ = ComputeGeometryFlag();
  if (CanUndo() == 0 || AffectsGeometry() == 0) return;
  if (geometryManager_ != nullptr && geometryFlag_ != 0) {
    geometryManager_->Prepare(*TargetList(), 1, 1);
  }
  NoteWorldPositions();
}

void TPropertyOpBase::DoWork() {
  const bool geometry = AffectsGeometry() != 0 && geometryManager_ != nullptr;
  if (geometry) registration_ = geometryManager_->Register(*TargetList(), GetCommandNumber());
  TPropertyOp::DoWork();
  if (geometry && registration_) geometryManager_->Finish(*registration_);
}

void TPropertyOpBase::Undo() {
  TPropertyOp::Undo();
  AfterUndoRedo();
}

void TPropertyOpBase::Redo() {
  TPropertyOp::Redo();
  AfterUndoRedo();
}

// The value kinds.

void TTagActionOp::InitValue(int16_t commandNumber, TActionContext* context, uint16_t canUndo,
                             uint32_t tag) {
  InitTagged(commandNumber, context, canUndo, tag);
}

void TTagActionOp::ApplyTo(TLink* object) {
  object->DoAction(GetTag());
}

void TWorldActionOp::InitValue(int16_t commandNumber, TActionContext* context, uint16_t canUndo,
                               uint32_t tag) {
  InitTagged(commandNumber, context, canUndo, tag);
}

void TWorldActionOp::ApplyToAll() {
  if (GetContext() != nullptr) GetContext()->ContextLink().DoAction(GetTag());
}

void TFlagPropertyOp::InitValue(int16_t commandNumber, TActionContext* context, uint16_t canUndo,
                                uint32_t tag, uint16_t value) {
  InitTagged(commandNumber, context, canUndo, tag);
  value_ = value;
}

void TFlagPropertyOp::ApplyTo(TLink* object) {
  object->SetFlagProperty(GetTag(), value_);
}

void TChoicePropertyOp::InitValue(int16_t commandNumber, TActionContext* context, uint16_t canUndo,
                                  uint32_t tag) {
  InitTagged(commandNumber, context, canUndo, tag);
}

void TChoicePropertyOp::ApplyTo(TLink* object) {
  object->SelectChoice(GetTag());
}

void TStringPropertyOp::InitValue(int16_t commandNumber, TActionContext* context, uint16_t canUndo,
                                  uint32_t tag, const Str255& value) {
  InitTagged(commandNumber, context, canUndo, tag);
  value_ = value;
}

void TStringPropertyOp::ApplyTo(TLink* object) {
  object->SetStringProperty(GetTag(), value_);
}

void TColourPropertyOp::InitValue(int16_t commandNumber, TActionContext* context, uint16_t canUndo,
                                  uint32_t tag, const RGB16Color& value) {
  InitTagged(commandNumber, context, canUndo, tag);
  value_ = value;
}

void TColourPropertyOp::ApplyTo(TLink* object) {
  object->SetColourProperty(GetTag(), value_);
}

void TIntPropertyOp::InitValue(int16_t commandNumber, TActionContext* context, uint16_t canUndo,
                               uint32_t tag, int32_t value) {
  InitTagged(commandNumber, context, canUndo, tag);
  value_ = value;
}

void TIntPropertyOp::ApplyTo(TLink* object) {
  object->SetIntProperty(GetTag(), value_);
}

void TShortPropertyOp::InitValue(int16_t commandNumber, TActionContext* context, uint16_t canUndo,
                                 uint32_t tag, uint16_t value) {
  InitTagged(commandNumber, context, canUndo, tag);
  value_ = value;
}

void TShortPropertyOp::ApplyTo(TLink* object) {
  object->SetShortProperty(GetTag(), value_);
}

void TLongPropertyOp::InitValue(int16_t commandNumber, TActionContext* context, uint16_t canUndo,
                                uint32_t tag, uint32_t value) {
  InitTagged(commandNumber, context, canUndo, tag);
  value_ = value;
}

void TLongPropertyOp::ApplyTo(TLink* object) {
  object->SetLongProperty(GetTag(), value_);
}

void TMenuPropertyOp::InitValue(int16_t commandNumber, TActionContext* context, uint32_t tag,
                                const Str255& text) {
  InitTagged(commandNumber, context, 0, tag);
  SetCausesChange(0);
  text_ = text;
}

void TMenuPropertyOp::ApplyTo(TLink* object) {
  if (auto* menus = dynamic_cast<TMenuProperties*>(object)) menus->SetMenuProperty(GetTag(), text_);
}

void TMenuPropertyOp::DoWork() {
  TActionBase::DoWork();
  ApplyToAll();
}
