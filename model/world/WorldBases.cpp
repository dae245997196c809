#include "model/world/WorldBases.h"

#include <algorithm>
#include <cmath>

#include "model/filing/ObjectReader.h"
#include "model/filing/ObjectWriter.h"

int16_t TObjectCollection::NextStepFrame() {
  const int32_t next = CurrentFrame() + 1;
  const int32_t count = GetStore() != nullptr ? GetStore()->FrameCount() : next;
  return static_cast<int16_t>(std::clamp(next, 0, std::max(count, 0)));
}

uint16_t TObjectCollection::CanReadBlock(int16_t code) {
  if (code == kBlockWorldView) return 1;
  return TCollectionLink::CanReadBlock(code);
}

uint16_t TObjectCollection::ReadBlockContents(int16_t code, TObjectReader& reader) {
  if (code != kBlockWorldView) return TCollectionLink::ReadBlockContents(code, reader);
  reader.ReadInt();
  Str255 name;
  reader.ReadString(name);
  reader.ReadInt();
  const double scale = reader.ReadReal();
  horizontalOffset_ = reader.ReadReal();
  verticalOffset_ = reader.ReadReal();
  reader.ReadInt();
  // A view without a scale keeps the one the world has.
  if (scale > 0.0 && std::isfinite(scale)) scale_.SetConstant(scale);
  return 1;
}

void TObjectCollection::WriteBlockContents(int16_t code, TObjectWriter& writer) {
  if (code != kBlockWorldView) return TCollectionLink::WriteBlockContents(code, writer);
  writer.WriteCode(0);
  writer.WriteString(Str255("Home"));
  writer.WriteCode(0);
  writer.WriteDouble(scale_.GetValue());
  writer.WriteDouble(horizontalOffset_);
  writer.WriteDouble(verticalOffset_);
  writer.WriteCode(0);
}

void TObjectCollection::WriteFields(TObjectWriter& writer) {
  writer.WriteBlock(*this, kBlockWorldView);
  TCollectionLink::WriteFields(writer);
}

void TWorldBase::Select(TLink* object) {
  if (object == nullptr || !object->CanBeSelected() ||
      std::find(selection_.begin(), selection_.end(), object) != selection_.end())
    return;
  selection_.push_back(object);
  selectionList_.InsertLast(object);
  NotifyWatchers(&TWorldWatcher::WorldSelectionChanged);
}

void TWorldBase::Deselect(TLink* object) {
  const auto at = std::find(selection_.begin(), selection_.end(), object);
  if (at == selection_.end()) return;
  selection_.erase(at);
  selectionList_.Delete(object);
  NotifyWatchers(&TWorldWatcher::WorldSelectionChanged);
  Changed();
}

void TWorldBase::DeselectAll() {
  while (!selection_.empty()) {
    selectionList_.Delete(selection_.back());
    selection_.pop_back();
  }
  NotifyWatchers(&TWorldWatcher::WorldSelectionChanged);
  Changed();
}

void TWorldBase::AddWatcher(TWorldWatcher* watcher) {
  if (watcher != nullptr && !HasWatcher(watcher)) watchers_.push_back(watcher);
}

void TWorldBase::RemoveWatcher(TWorldWatcher* watcher) {
  std::erase(watchers_, watcher);
}

bool TWorldBase::HasWatcher(const TWorldWatcher* watcher) const {
  return std::find(watchers_.begin(), watchers_.end(), watcher) != watchers_.end();
}

void TWorldBase::NotifyWatchers(void (TWorldWatcher::*notice)()) {
  // A watcher may stop watching (or make another stop) while it is told.
  const std::vector<TWorldWatcher*> watchers = watchers_;
  for (TWorldWatcher* watcher : watchers) {
    if (HasWatcher(watcher)) (watcher->*notice)();
  }
}

void TWorldBase::ResetForDefaults() {
  defaultsAnchor_ = nullptr;
}

uint16_t TWorldBase::CanReadBlock(int16_t code) {
  if (code == kBlockWorldDefaults) return 1;
  return TObjectCollection::CanReadBlock(code);
}

uint16_t TWorldBase::ReadBlockContents(int16_t code, TObjectReader& reader) {
  if (code != kBlockWorldDefaults) return TObjectCollection::ReadBlockContents(code, reader);
  // The block carries the skip frames of a new world.
  const int32_t skip = reader.ReadInt();
  reader.FailIfBadFormat(skip < 1 || skip > 99);
  SetSkipFrames(static_cast<int16_t>(skip));
  defaultsAnchor_ = this;
  return 1;
}

void TWorldBase::WriteBlockContents(int16_t code, TObjectWriter& writer) {
  if (code != kBlockWorldDefaults) return TObjectCollection::WriteBlockContents(code, writer);
  writer.WriteCode(GetSkipFrames());
}

void TWorldBase::WriteFields(TObjectWriter& writer) {
  writer.WriteBlock(*this, kBlockWorldDefaults);
  TObjectCollection::WriteFields(writer);
}

void TWorldBase::ObjectRemoved(TLink* object) {
  std::erase(selection_, object);
  selectionList_.Delete(object);
  if (defaultsAnchor_ == object) defaultsAnchor_ = nullptr;
  TObjectCollection::ObjectRemoved(object);
}
