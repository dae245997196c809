#include "views/trackers/GeometryRefreshCommand.h"

#include "core/List.h"
#include "model/GeometryManagerHook.h"
#include "model/Thing.h"
#include "model/command/ActionContext.h"
#include "model/filing/ChangeRecorder.h"

namespace {

TGeometryManagerHook* ManagerOf(TActionContext* world) {
  return world != nullptr ? GeometryManagerOf(world->FindItem(kGeometryManagerTag)) : nullptr;
}

}  // namespace

TGeometryRefreshCommand::TGeometryRefreshCommand() = default;

TGeometryRefreshCommand::~TGeometryRefreshCommand() = default;

void TGeometryRefreshCommand::InitRefresh(int16_t commandNumber, TActionContext* world,
                                          TCommandView* target) {
  target_ = target;
  records_.reset();
  InitAction(commandNumber, target, world, 1);
  objects_.clear();
  TList* selection = world != nullptr ? world->CurrentSelection() : nullptr;
  if (selection == nullptr) return;
  for (int32_t i = 1; i <= selection->GetCount(); ++i)
    if (auto* object = dynamic_cast<TLink*>(selection->At(i))) objects_.push_back(object);
}

void TGeometryRefreshCommand::BeforePrepare() {
  TActionBase::BeforePrepare();
  if (CanUndo() == 0 || objects_.empty()) return;
  NoteChangeOfAll(objects_, TChangeRecorder::kWholeObject);
}

void TGeometryRefreshCommand::AfterPrepare() {
  TActionBase::AfterPrepare();
  // Once the before-images are written, the manager brings the joined geometry along.
  TGeometryManagerHook* manager = ManagerOf(GetContext());
  if (CanUndo() == 0 || objects_.empty()) return;
  if (target_ == nullptr || manager == nullptr) return;
  TList list;
  list.IList();
  for (TLink* object : objects_)
    list.InsertLast(object);
  records_ = manager->AddObjects(list);
  list.DeleteAll();
  if (records_) manager->RefreshRecord(*records_);
}

void TGeometryRefreshCommand::AfterWork() {
  for (TLink* object : objects_)
    if (auto* thing = dynamic_cast<TThing*>(object)) thing->PlacementChanged();
  if (records_) {
    if (TGeometryManagerHook* manager = ManagerOf(GetContext())) manager->RemoveObjects();
    records_.reset();
  }
  if (target_ != nullptr && GetContext() != nullptr) GetContext()->RedrawAll(1, 1);
  TActionBase::AfterWork();
}
