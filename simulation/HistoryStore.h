#pragma once
// The recorded frames of a run. One block holds a header of eleven 32-bit words (numbered from 0)
// and then the frames, each one double per recorded value; the solver writes new frames straight
// into it (the layout is the solver's, see solver/engine/EngineEntry.h): word 1 the float size
// code (64), words 2 and 3 the time step of a frame, word 8 the mark, word 9 the frame count,
// word 10 the values per frame. Without a mark frame f lies in slot f; with a mark m the block
// keeps frame 0 and the last m - 1 frames only, frame f >= 1 in slot 1 + (f - 1) % m.
//
// Cursors read the values of one frame in order; every read is checked against the block, so a
// cursor left on a frame that is no longer held answers "no value" instead of reading past it.

#include <cstdint>
#include <limits>
#include <memory>
#include <span>
#include <vector>

#include "core/Handle.h"
#include "solver/engine/EngineEntry.h"

class THistoryStore;
class TLink;

// The value that stands for "no value".
inline constexpr double kHistoryNoValue = std::numeric_limits<double>::max();
// The block always has room for at least this many bytes of frames.
inline constexpr int32_t kHistoryMinimumDataBytes = 58924;
inline constexpr int32_t kHistoryMinimumFrames = 10;

// Float formats of stored histories, as a raw block's size code gives them.
enum class HistoryFloatFormat : int8_t {
  kSingle = 0,    // 4-byte IEEE single (codes 4 and 32)
  kDouble = 1,    // 8-byte IEEE double (64)
  kExtended = 2,  // 10-byte extended: sign and exponent, 64-bit mantissa (80)
  kPadded = 3,    // 12-byte extended: sign and exponent, 16 unused bits, mantissa (96)
};
// The format of a float size code; false for any other code.
bool FloatFormatFromBits(int32_t code, HistoryFloatFormat& format);

// The objects whose values a frame records, in order: the count of values of each.
struct THistoryColumn {
  int32_t valueCount = 0;
  int16_t objectId = 0;
};

class THistoryCursor {
 public:
  // Index 0, no object, owner 0, not positioned.
  THistoryCursor() = default;
  // Clears the three stored fields.
  void Reset();

  // The stored fields: an index, the object the cursor serves (resolved after reading) and its
  // owner's identifier.
  int16_t index = 0;
  TLink* object = nullptr;
  int16_t ownerId = 0;

  // Reading: the cursor stands on value offset of frame frame of store.
  void Position(const THistoryStore& store, int32_t frame, int32_t offset);
  // The value at the cursor; kHistoryNoValue when it stands on no held value.
  double Value() const;
  // Moves on by n values (back for negative n); Restore moves back by n.
  void Advance(int32_t n) { offset_ += n; }
  void Restore(int32_t n) { offset_ -= n; }
  void Next() { Advance(1); }
  int32_t Frame() const { return frame_; }
  int32_t Offset() const { return offset_; }

 private:
  const THistoryStore* store_ = nullptr;
  int32_t frame_ = 0;
  int32_t offset_ = 0;
};

double ReadHistoryValue(const THistoryCursor& cursor);
// The value, then the cursor moves on by one value.
double ReadHistoryValueAndAdvance(THistoryCursor& cursor);

class THistoryStore {
 public:
  // A block with its header and room for the minimum: no frames, no values, no mark, the
  // current frame -1 (65535 as an unsigned word).
  THistoryStore();
  ~THistoryStore();
  THistoryStore(const THistoryStore&) = delete;
  THistoryStore& operator=(const THistoryStore&) = delete;

  // The block, as the solver's run call takes it, and its size.
  Handle GetBlock() const { return block_; }
  uint32_t GetBlockSize() const;
  int32_t GetFloatSizeCode() const { return HeaderWord(kHistoryWordFloatSize); }
  int32_t HeaderWord(int word) const;  // word 0..10
  void SetHeaderWord(int word, int32_t value);
  double GetTimeStep() const;
  void SetTimeStep(double seconds);

  // Frames.
  int32_t GetFrameCount() const { return HeaderWord(kHistoryWordFrameCount); }
  // The first frame still held: frame count - mark + 1 while a mark below the frame count is
  // set, else 0.
  int32_t GetFirstFrame() const;
  int32_t GetLastFrame() const { return GetFrameCount() - 1; }
  int16_t GetCurrentFrame() const { return currentFrame_; }
  void SetCurrentFrame(int16_t frame) { currentFrame_ = frame; }
  // Sets the frame count and sizes the block for the frames it then holds (at least 10 frames
  // or kHistoryMinimumDataBytes); the current frame is brought below the frame count. A size
  // beyond what 32 bits address, or memory that runs out, raises -108 with nothing changed.
  void SetFrameCount(int32_t count);
  // Resizes the block to bytes (never below the header); raises -108 when memory runs out.
  void Resize(uint32_t bytes);
  // Grows the block by its increment (kHistoryMinimumDataBytes or 10 frames, the larger), for
  // the solver to go on after it reported the block full. Raises -108 when memory is low.
  void MakeRoom();
  // The number of frame slots the block has room for.
  int32_t SlotCapacity() const;

  int32_t GetValuesPerFrame() const { return HeaderWord(kHistoryWordValuesPerFrame); }
  void SetValuesPerFrame(int32_t count);

  // The mark (0 = none).
  bool HasMark() const { return GetMark() != 0; }
  int32_t GetMark() const { return HeaderWord(kHistoryWordMark); }
  // Mark at the last frame (frame count - 1), or clear it.
  void SetMark(bool set);

  // The values of a held frame. The values lie 4 bytes off the alignment of a double (after the
  // 44-byte header), so they are copied in and out rather than reached through pointers.
  bool HoldsFrame(int32_t frame) const;
  // Value index of frame; kHistoryNoValue when the frame is not held (or the block is turned
  // big-endian) or index is not one of its values.
  double GetValue(int32_t frame, int32_t index) const;
  // False, with nothing written, in the same cases.
  bool SetValue(int32_t frame, int32_t index, double value);

  // The read mode word: set, answering the previous one.
  int16_t SetReadMode(int16_t mode);
  int16_t GetReadMode() const { return readMode_; }
  // The store's own cursor: positioned at the first value of frame, and moved on.
  THistoryCursor& PositionAtFrame(int32_t frame);
  void Advance(int32_t n) { cursor_.Advance(n); }
  THistoryCursor& Cursor() { return cursor_; }

  std::vector<THistoryColumn>& Columns() { return columns_; }
  const std::vector<THistoryColumn>& Columns() const { return columns_; }
  // The cursors stored with the history, in order.
  std::vector<std::unique_ptr<THistoryCursor>>& StoredCursors() { return cursors_; }

  int16_t GetOwnField() const { return ownField_; }
  void SetOwnField(int16_t value) { ownField_ = value; }
  // Locks the block and answers whether it was locked before; RestoreLock puts that back.
  bool Lock();
  void RestoreLock(bool wasLocked);

  // Clears the frames, the mark and the cursors before a stored history is loaded.
  void PrepareForLoadedBlock();
  // The history as a raw stored block: header and the values of the held slots, big-endian,
  // then a 24-byte trailer (own field, values per frame, frame count, float size code, each a
  // big-endian 32-bit word at bytes 8, 12, 16 and 20).
  std::vector<uint8_t> RawBlock() const;
  // Loads a raw stored block in any of the four float formats. Answers 0; -25001 for an unknown
  // float size code; -25002 when the sizes do not agree with the bytes; the store is changed
  // only on success. Raises -108 when memory runs out.
  int16_t LoadRawBlock(std::span<const uint8_t> bytes);
  // The header's words and the held values turned to big-endian and back, in place.
  void ConvertToBigEndian();
  void ConvertToHost();

 private:
  int32_t SlotOf(int32_t frame) const;
  // The byte offset of a value in the block, or -1.
  int64_t ValueOffset(int32_t frame, int32_t index) const;
  int32_t SlotsInUse() const;
  uint64_t BytesForSlots(int64_t slots) const;
  void SwapBlockBytes();

  Handle block_ = nullptr;
  // While the block is turned big-endian: how many slots were turned.
  int32_t bigEndianSlots_ = -1;
  int32_t bigEndianValues_ = 0;
  int16_t currentFrame_ = -1;
  int16_t readMode_ = 0;
  int16_t ownField_ = 0;
  THistoryCursor cursor_;
  std::vector<THistoryColumn> columns_;
  std::vector<std::unique_ptr<THistoryCursor>> cursors_;
};
