#include "views/trackers/DuplicateCommands.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "model/Thing.h"
#include "model/filing/ObjectReader.h"
#include "platform/win32/Cursor.h"
#include "views/trackers/TrackerWorld.h"

int16_t& DuplicateOffset() {
  static int16_t offset = kDefaultDuplicateOffset;
  return offset;
}

namespace {

// Shows the wait cursor while it lives and puts the previous one back however the work ends.
class TWaitCursor {
 public:
  TWaitCursor() : previous_(SetCursor(LoadCursor(nullptr, IDC_WAIT))) {}
  ~TWaitCursor() { SetCursor(previous_); }
  TWaitCursor(const TWaitCursor&) = delete;
  TWaitCursor& operator=(const TWaitCursor&) = delete;

 private:
  HCURSOR previous_;
};

bool Contains(const std::vector<TLink*>& objects, const TLink* object) {
  return std::find(objects.begin(), objects.end(), object) != objects.end();
}

}  // namespace

void TDuplicateCommand::InitDuplicate(int16_t commandNumber, TActionContext* context,
                                      TTrackerWorld* objects, Handle stream, int realFormat,
                                      int16_t count, double length,
                                      std::vector<int16_t>* copies) {
  InitFromStream(commandNumber, context, 1, stream, realFormat);
  objects_ = objects;
  count_ = count;
  length_ = length;
  copies_ = copies;
}

void TDuplicateCommand::Perform() {
  const TWaitCursor wait;
  const std::vector<TLink*> copies = PlacedObjects();
  TCommandSub::Perform();
  if (count_ > 0) OffsetCopies(copies);
  if (objects_ != nullptr) {
    objects_->SelectObjects(copies, false);
    objects_->RefreshSelectionDisplay();
  }
  if (copies_ != nullptr) {
    copies_->clear();
    for (const TLink* copy : copies) copies_->push_back(copy->GetIdentifier());
  }
}

void TDuplicateCommand::OffsetCopies(const std::vector<TLink*>& copies) {
  if (objects_ == nullptr) return;
  const auto pixels = static_cast<int16_t>(count_ * DuplicateOffset());
  std::vector<TLink*> inWorld;
  for (TLink* copy : copies) {
    if (objects_->IsScreenPositioned(copy))
      objects_->OffsetScreenObject(copy, pixels, pixels);
    else if (objects_->IsWorldPositioned(copy))
      inWorld.push_back(copy);
  }
  // World y points up: the copies land to the right and below.
  const double d = length_ * count_ * 2.0;
  for (TLink* copy : inWorld) {
    // A point moves with the copied object that owns it.
    if (auto* thing = dynamic_cast<TThing*>(copy); thing && Contains(inWorld, thing->GetOwnerThing()))
      continue;
    const TVector3 at = objects_->PositionOf(copy);
    objects_->PlaceObject(copy, TVector3(at.x + d, at.y - d, at.r));
  }
}

MacPoint PlaceGadgetBlock(MacRect& record, int16_t height, int16_t width, int16_t windowHeight,
                          int16_t windowWidth) {
  // A column left beyond the window's right edge (the window was made smaller since) is not
  // gone on with: its blocks would not show.
  const bool columnShown = record.left < windowWidth;
  if (columnShown && record.bottom + height < windowHeight) {
    // Below the last block, in the same column.
    record.top = record.bottom;
    record.bottom = static_cast<int16_t>(record.bottom + height);
    record.right = std::max(record.right, static_cast<int16_t>(record.left + width));
  } else if (record.right + width > windowWidth) {
    // A new column would pass the right edge: start again at the window's corner.
    record = MacRect(0, 0, width, height);
  } else {
    // A new column at the top, right of the last one.
    const int16_t left = record.right;
    record = MacRect(left, 0, static_cast<int16_t>(left + width), height);
  }
  return MacPoint(record.left, record.top);
}

void TTracker489::InitPlacement(int16_t commandNumber, MacRect* record, TActionContext* context,
                                TTrackerWorld* objects, uint16_t canUndo, Handle stream,
                                int realFormat) {
  InitFromStream(commandNumber, context, canUndo, stream, realFormat);
  record_ = record;
  objects_ = objects;
}

void TTracker489::InitPlacementOf(int16_t commandNumber, MacRect* record,
                                  TActionContext* context, TTrackerWorld* objects,
                                  std::unique_ptr<TObjectReader> made) {
  InitPlacing(commandNumber, nullptr, context, 1, 0, std::move(made));
  record_ = record;
  objects_ = objects;
}

void TTracker489::Perform() {
  if (record_ != nullptr && objects_ != nullptr) {
    std::vector<TLink*> gadgets;
    int16_t height = 0, width = 0;
    for (TLink* object : PlacedObjects()) {
      if (!objects_->IsScreenPositioned(object)) continue;
      gadgets.push_back(object);
      const MacRect bounds = objects_->ScreenBoundsOf(object);
      height = std::max(height, bounds.bottom);
      width = std::max(width, bounds.right);
    }
    const MacPoint window = objects_->WindowExtent();
    const MacPoint corner =
        PlaceGadgetBlock(*record_, height, width, window.v, window.h);
    for (TLink* gadget : gadgets)
      objects_->OffsetScreenObject(gadget, corner.h, corner.v);
  }
  TCommandSub::Perform();
}
