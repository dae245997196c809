#pragma once
// Commands that put freshly made objects where they do not hide others:
//
//   TDuplicateCommand (478) places copies of objects at an offset from the originals that grows
//                           with each duplicate in a row
//   TTracker489       (489) places a block of new gadgets at the next free place of the window,
//                           filling columns from the top down and then to the right
//
// Both place their objects as a paste does (from an object stream), so undo takes them out.

#include <cstdint>
#include <memory>
#include <vector>

#include "core/Handle.h"
#include "core/MacTypes.h"
#include "model/command/PlacingCommands.h"

class TTrackerWorld;

// Pixels a copied gadget moves per duplicate in a row.
int16_t& DuplicateOffset();
inline constexpr int16_t kDefaultDuplicateOffset = 12;
inline constexpr int16_t kCmdDuplicate = 1045;

class TDuplicateCommand : public TCommandSub {
  DECLARE_CLASS_ID(478, TCommandSub)

 public:
  // The copies are read from the stream (document kind 2); `objects` places, moves and selects
  // them. `count` is how many times in a row the originals were duplicated and `length` the
  // world's duplicate length; the identifiers of the copies go to `copies` once they are placed.
  void InitDuplicate(int16_t commandNumber, TActionContext* context, TTrackerWorld* objects,
                     Handle stream, int realFormat, int16_t count, double length,
                     std::vector<int16_t>* copies);
  // Places the copies; then, with a count n above 0, moves each gadget n × DuplicateOffset
  // pixels right and down, and each object of the world (but a point whose owner is copied too)
  // by (d, −d) with d = length × n × 2. The copies are the selection afterwards. The wait cursor
  // shows meanwhile.
  void Perform() override;

 private:
  void OffsetCopies(const std::vector<TLink*>& copies);

  int16_t count_ = 0;
  double length_ = 0.0;
  std::vector<int16_t>* copies_ = nullptr;
  TTrackerWorld* objects_ = nullptr;
};

// Where the next block of gadgets goes, given the last block's place (top, left, bottom, right
// in window pixels), the block's height and width and the window's height and width. The record
// becomes the block's place; the answer is its top-left corner. A block always starts inside the
// window.
MacPoint PlaceGadgetBlock(MacRect& record, int16_t height, int16_t width, int16_t windowHeight,
                          int16_t windowWidth);

class TTracker489 : public TCommandSub {
  DECLARE_CLASS_ID(489, TCommandSub)

 public:
  // `record` is the world's placement record of the last block, which the placement moves on.
  void InitPlacement(int16_t commandNumber, MacRect* record, TActionContext* context,
                     TTrackerWorld* objects, uint16_t canUndo, Handle stream, int realFormat);
  // The same for gadgets made in memory, not yet in any world: the reader holds them.
  void InitPlacementOf(int16_t commandNumber, MacRect* record, TActionContext* context,
                       TTrackerWorld* objects, std::unique_ptr<TObjectReader> made);
  // The block's gadgets move by the place found for them, then the block is placed.
  void Perform() override;

 private:
  MacRect* record_ = nullptr;
  TTrackerWorld* objects_ = nullptr;
};
