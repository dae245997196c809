#include "model/command/PlacingCommands.h"

#include <utility>

#include "core/Failure.h"
#include "model/Link.h"
#include "model/filing/ChangeRecorder.h"
#include "model/filing/ObjectReader.h"

TCommandMid::TCommandMid() = default;
TCommandMid::~TCommandMid() = default;

void TCommandMid::InitPlacing(int16_t commandNumber, TTrackerView* view, TActionContext* context,
                              uint16_t canUndo, int32_t kind,
                              std::unique_ptr<TObjectReader> placed) {
  InitTracker(commandNumber, view, context, canUndo, kind);
  placingWorld_ = dynamic_cast<TPlacingWorld*>(context);
  placed_ = std::move(placed);
  adopted_.clear();
  SetCausesChange(1);
  deselectFirst_ = 1;
}

void TCommandMid::SetPlaced(std::unique_ptr<TObjectReader> placed) { placed_ = std::move(placed); }

std::unique_ptr<TLink> TCommandMid::TakePlaced(TLink* object) {
  return placed_ != nullptr ? placed_->ReleaseObject(object) : nullptr;
}

bool TCommandMid::AddPlaced(std::unique_ptr<TLink>& object) {
  if (placed_ == nullptr || placed_->Table().Objects().empty()) return false;
  placed_->AdoptObject(std::move(object));
  return true;
}

int32_t TCommandMid::PlacedCount() const {
  return placed_ != nullptr ? static_cast<int32_t>(placed_->Table().Objects().size()) : 0;
}

std::vector<TLink*> TCommandMid::PlacedObjects() const {
  return placed_ != nullptr ? placed_->Table().Objects() : std::vector<TLink*>();
}

void TCommandMid::Perform() {
  TCommandBase::Perform();
  placed_.reset();
}

void TCommandMid::Redo() {
  TCommandBase::Redo();
  if (placingWorld_ != nullptr) placingWorld_->PlacingRedone(0, 1);
}

void TCommandMid::Undo() {
  TCommandBase::Undo();
  if (placingWorld_ != nullptr) placingWorld_->PlacingUndone();
}

void TCommandMid::BeforePrepare() {
  if (deselectFirst_ != 0 && placingWorld_ != nullptr) placingWorld_->DeselectAll();
}

void TCommandMid::AfterPrepare() {
  const std::vector<TLink*> objects = PlacedObjects();
  if (CanUndo() != 0) {
    for (TLink* object : objects) {
      if (TChangeRecorder* undo = UndoRecorder()) undo->NoteObject(object, true);
      // A world that places brings the objects back itself on redo. Their whole records in the
      // redo image would be read into new objects that the world links with but never owns,
      // holding the identifiers that the objects brought back need.
      if (placingWorld_ != nullptr) continue;
      if (TChangeRecorder* redo = RedoRecorder()) redo->NoteObject(object, false);
    }
  }
  if (placed_ != nullptr && placingWorld_ != nullptr) {
    adopted_ = objects;
    placingWorld_->AdoptPlacedObjects(placed_->TakeObjects());
  }
  TCommandBase::AfterPrepare();
}

void TCommandMid::AfterWork() {
  for (TLink* object : adopted_) {
    if (IsKindOfSafe(object, TNamedLink::kClassID))
      static_cast<TNamedLink*>(object)->FillNamePlaceholder();
  }
  TCommandBase::AfterWork();
}

void TCommandSub::InitFromStream(int16_t commandNumber, TActionContext* context,
                                 uint16_t canUndo, Handle stream, int realFormat) {
  InitPlacing(commandNumber, nullptr, context, canUndo, 0, nullptr);
  TLink* container = context != nullptr ? &context->ContextLink() : nullptr;
  std::unique_ptr<TObjectReader> reader =
      stream != nullptr
          ? ReadObjects(stream, 2, realFormat, container, UndoRecorder(), RedoRecorder(), {})
          : ReadObjectsFromResource(commandNumber, container, UndoRecorder(), RedoRecorder());
  if (reader == nullptr) ThrowFailure(-108, 0);
  reader->Complete(0);
  SetPlaced(std::move(reader));
}

void TCommandSub::AfterWork() {
  if (PlacingWorld() != nullptr) PlacingWorld()->AfterPlacing();
  TCommandMid::AfterWork();
}

namespace {

void VisitDisplayLinks(const std::vector<TLink*>& objects, bool second,
                       const TCommandSub::DisplayLinkVisitor& visit) {
  for (TLink* object : objects) {
    if (!IsKindOfSafe(object, TDisplayLink::kClassID)) continue;
    auto& link = static_cast<TDisplayLink&>(*object);
    if (second ? link.IsStateBit1Set() : link.IsStateBit0Set()) visit(link);
  }
}

}  // namespace

void TCommandSub::ForEachPlacedWithFirstState(const DisplayLinkVisitor& visit) const {
  VisitDisplayLinks(PlacedObjects(), false, visit);
}

void TCommandSub::ForEachPlacedWithSecondState(const DisplayLinkVisitor& visit) const {
  VisitDisplayLinks(PlacedObjects(), true, visit);
}
