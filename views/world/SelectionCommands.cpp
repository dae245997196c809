#include "views/world/SelectionCommands.h"

#include <algorithm>
#include <utility>

#include "bodies/Polygon.h"
#include "constraints/CurvedSlot.h"
#include "core/Keys.h"
#include "model/filing/ChangeRecorder.h"
#include "model/world/WorldDeleteCommand.h"
#include "model/world/WorldDoc.h"
#include "model/world/WorldEditCheck.h"
#include "views/world/ClipboardCommands.h"
#include "views/world/MainWorldView.h"

namespace {

// The object comes from the world's selection, which is what makes it selected; its own
// selected-vertex query also asks for a display mark that the world does not keep, so the
// vertex index itself is read.
int32_t SelectedVertexOf(TThing& thing) {
  if (auto* polygon = dynamic_cast<TPolygon*>(&thing)) return polygon->GetSelectedVertex();
  if (auto* slot = dynamic_cast<TCurvedSlot*>(&thing)) return slot->GetSelectedVertex();
  return thing.HasSelectedVertex();
}

bool EditsVertices(TLink* object) {
  auto* thing = dynamic_cast<TThing*>(object);
  return thing != nullptr && thing->HasVertices() != 0 && SelectedVertexOf(*thing) != 0;
}

// Takes the press and starts the drag on the grabbed object at the press's world point.
template <class Tracker>
std::unique_ptr<Tracker> StartGeometryDrag(std::unique_ptr<Tracker> tracker,
                                           const TGeometryDragPlace& place, const MacPoint& point,
                                           TLink* grabbed, bool freeMouse,
                                           const TEventRecord& press) {
  if (freeMouse) tracker->SetConstrainsWhileTracking(0);
  // The press selects what it lands on, as every press on an object does: the tracker knows the
  // object before it takes the press.
  tracker->SetHitObject(grabbed);
  TEventRecord copy = press;
  tracker->HandleEvent(copy);
  tracker->StartDrag(place.view.ViewToWorld(point), grabbed);
  return tracker;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// TWorldObjectKeeper

void TWorldObjectKeeper::DetachObjects(std::vector<TLink*>& objects) {
  // In the world's order, so that reading them back keeps it; the background never goes.
  std::vector<TLink*> going;
  for (TLink* object : world_.Objects())
    if (object->GetIdentifier() != 0 &&
        std::find(objects.begin(), objects.end(), object) != objects.end())
      going.push_back(object);
  identifiers_.clear();
  for (TLink* object : going) identifiers_.push_back(static_cast<int16_t>(object->GetIdentifier()));
  stream_ = TakeObjectsOut(world_, going);
  objects.clear();
}

void TWorldObjectKeeper::AttachObjects(std::vector<TLink*>& objects) {
  objects = BringObjectsBack(world_, stream_, identifiers_);
}

void TWorldObjectKeeper::CommitAttached(const std::vector<TLink*>&) { stream_.clear(); }

void TWorldObjectKeeper::RefreshDependents() { world_.WorldChanged(); }

TWorldHost& TWorldObjectKeeper::Host() { return world_.Host(); }

// ---------------------------------------------------------------------------------------------
// TVertexEditCommand

void TVertexEditCommand::InitVertexEdit(int16_t commandNumber, TWorldDoc& world) {
  const bool copies = commandNumber == kCmdCopy;
  InitAction(commandNumber, nullptr, &world, copies ? 0 : 1);
  // Copying changes nothing that undo would take back.
  if (copies) SetCausesChange(0);
  SetKeepsSelection(0);
  objects_.clear();
  for (TLink* object : world.Selection())
    if (EditsVertices(object)) objects_.push_back(static_cast<TThing*>(object));
}

void TVertexEditCommand::BeforePrepare() {
  NoteChangeOfAll(std::vector<TLink*>(objects_.begin(), objects_.end()),
                  TChangeRecorder::kWholeObject);
}

void TVertexEditCommand::DoWork() {
  const int16_t command = GetCommandNumber();
  if ((command == kCmdCut || command == kCmdCopy) && !objects_.empty()) {
    if (auto* polygon = dynamic_cast<TPolygon*>(objects_.front()))
      polygon->CopyVerticesAsText();
    else if (auto* slot = dynamic_cast<TCurvedSlot*>(objects_.front()))
      slot->CopyPointTable();
  }
  if (command == kCmdCopy) return;
  for (TThing* object : objects_) object->DeleteSelectedVertex();
}

// ---------------------------------------------------------------------------------------------
// Factories

std::unique_ptr<TCommandCore> MakeVertexEditCommand(int16_t commandNumber, TWorldDoc& world) {
  if (world.GetCurrentTool() != TWorldDoc::kPartTool || world.Selection().empty()) return nullptr;
  const std::vector<TLink*>& selection = world.Selection();
  if (std::none_of(selection.begin(), selection.end(), EditsVertices)) return nullptr;
  auto command = std::make_unique<TVertexEditCommand>();
  command->InitVertexEdit(commandNumber, world);
  return command;
}

std::unique_ptr<TCommandCore> MakeSelectionCommand(int16_t commandNumber, TWorldDoc& world) {
  CheckWorldEdit(world);
  if (auto vertices = MakeVertexEditCommand(commandNumber, world)) return vertices;
  auto action = std::make_unique<TTracker488>();
  action->InitDependents(commandNumber, &world, std::make_unique<TWorldObjectKeeper>(world), 1, 0);
  // The world takes the objects out and gives them back; the selection goes with them.
  action->SetState(1);
  action->SetKeepsSelection(0);
  *action->AttachList() = world.Selection();
  return action;
}

std::unique_ptr<TGeometryDragTracker> MakeTool2002Tracker(const TGeometryDragPlace& place,
                                                          const MacPoint& point, TLink* object,
                                                          bool freeMouse, TLink* start,
                                                          const TEventRecord& press) {
  TLink* found = place.view.FindObjectAt(point);
  TLink* const target = found != nullptr ? found : object;
  TLink* const grabbed = start != nullptr ? start : target;
  if (grabbed == nullptr) return nullptr;
  auto tracker = std::make_unique<TGeometryDragTracker>();
  tracker->InitGeometryDrag(kCmdGeometryDrag, place.trackerView, place.context);
  return StartGeometryDrag(std::move(tracker), place, point, grabbed, freeMouse, press);
}

std::unique_ptr<TGeometryRefDragTracker> MakeTool2003Tracker(const TGeometryDragPlace& place,
                                                             const MacPoint& point, TLink* object,
                                                             bool freeMouse, TLink* start,
                                                             const TEventRecord& press) {
  TLink* target = IsControlKeyDown() ? place.world.TakePendingObject() : nullptr;
  if (target == nullptr) target = place.view.FindObjectAt(point);
  if (target == nullptr) target = object;
  TLink* const grabbed = start != nullptr ? start : target;
  if (grabbed == nullptr) return nullptr;
  auto tracker = std::make_unique<TGeometryRefDragTracker>();
  tracker->InitGeometryRefDrag(kCmdGeometryRefDrag, place.trackerView, place.context);
  tracker->SetReferenceObject(target);
  return StartGeometryDrag(std::move(tracker), place, point, grabbed, freeMouse, press);
}
