#pragma once
// What the world asks of the simulation: its engine (the solver's copy of the world and the run
// call) and its recorded-frame store. The simulation fills the hooks at start-up; the world never
// sees the engine or the store classes themselves, and tests give it engines of their own.

#include <cstdint>
#include <memory>
#include <span>
#include <utility>
#include <vector>

#include "core/Handle.h"
#include "solver/engine/EngineEntry.h"

class THistoryStore;
class TLink;

// Failures of the run road.
inline constexpr int16_t kErrStoreIsFull = -28798;
inline constexpr int16_t kErrSolverMemory = -28797;
inline constexpr int16_t kErrRunGoesOn = -27898;
inline constexpr int16_t kErrWarningFirst = -27899;
inline constexpr int16_t kErrWarningLast = -27800;
inline constexpr int16_t kErrRunRefused = -25008;
inline constexpr int16_t kErrFrameRange = -25213;
inline constexpr int16_t kErrNoDefaults = -25005;

// One record of a frame: an object and how many values of each frame are its own.
struct TFrameColumn {
  int32_t valueCount = 0;
  int16_t objectId = 0;
};

// A cursor kept with the recorded frames: its index and the identifier of the object it serves
// (0 for none).
struct TFrameCursor {
  int16_t index = 0;
  int16_t objectId = 0;
};

// The recorded frames of a world.
class TFrameStore {
 public:
  virtual ~TFrameStore() = default;
  virtual int32_t FrameCount() const = 0;
  // Sets the frame count, sizing the block for it (at least its minimum); -108 when memory runs
  // out.
  virtual void SetFrameCount(int32_t count) = 0;
  // The first frame still held (0 unless old frames were dropped); the last is FrameCount() - 1.
  virtual int32_t FirstHeldFrame() const = 0;
  int32_t LastFrame() const { return FrameCount() - 1; }
  virtual int16_t CurrentFrame() const = 0;
  virtual void SetCurrentFrame(int16_t frame) = 0;
  // The block the solver writes frames into and its size in bytes.
  virtual Handle Block() const = 0;
  virtual uint32_t BlockBytes() const = 0;
  // Resizes the block to bytes (never below its header).
  virtual void Resize(uint32_t bytes) = 0;
  // Grows the block by its increment; -108 when memory is low.
  virtual void MakeRoom() = 0;
  virtual bool HasMark() const = 0;
  // Mark at the last frame, from which on old frames are dropped; or clear it.
  virtual void SetMark(bool set) = 0;
  virtual int32_t ValuesPerFrame() const = 0;
  virtual void SetValuesPerFrame(int32_t count) = 0;
  // The read mode word: set, answering the previous one.
  virtual int16_t SetReadMode(int16_t mode) = 0;
  // The store's read position: at the first value of the frame, then moved on by n values.
  virtual void PositionAtFrame(int32_t frame) = 0;
  virtual void Advance(int32_t n) = 0;
  // The value at the read position.
  virtual double ReadValue() const = 0;
  // The value of a held frame; a very large number when it is not held.
  virtual double Value(int32_t frame, int32_t index) const = 0;
  // The store of recorded frames itself, for the history cursors of objects that read it; none
  // when the frames are kept otherwise.
  virtual const THistoryStore* History() const { return nullptr; }
  // The store's own list of what a frame holds, used instead of the world's pause controls
  // while the world's column-list flag is set.
  virtual std::vector<TFrameColumn> Columns() const = 0;
  // Forgets every frame, the mark and the current frame.
  virtual void Clear() = 0;

  // Filing. A store that keeps nothing worth filing answers an empty block and no cursors and
  // refuses every block it is given.
  // The history as one stored block: its header and held values big-endian, then a 24-byte
  // trailer (own field, values per frame, frame count, float size code).
  virtual std::vector<uint8_t> RawBlock() const { return {}; }
  // Loads a stored block: 0, or the failure (-25001 an unknown float format, -25002 sizes that
  // do not agree with the bytes) with the store unchanged. -108 is raised when memory runs out.
  virtual int16_t LoadRawBlock(std::span<const uint8_t> /*bytes*/) { return -25002; }
  virtual std::vector<TFrameCursor> Cursors() const { return {}; }
  virtual void AddCursor(const TFrameCursor& /*cursor*/) {}

  // The meters whose columns this run recorded, each with the number of its columns recorded
  // (valueCount); when a meter has several records the last one counts. Empty when nothing is
  // known of the meters of the run.
  const std::vector<TFrameColumn>& RecordedMeters() const { return recordedMeters_; }
  void SetRecordedMeters(std::vector<TFrameColumn> records) {
    recordedMeters_ = std::move(records);
  }

 private:
  std::vector<TFrameColumn> recordedMeters_;
};

// The solver's side of one world.
class TSolverEngine {
 public:
  virtual ~TSolverEngine() = default;
  // Each answers 0 or the program's error number.
  virtual int16_t ClearWorld() = 0;
  virtual int16_t ReadWorld(const uint8_t* bytes, int32_t count) = 0;
  virtual int16_t Run(const uint8_t* inputs, int32_t inputBytes, Handle block, int32_t blockBytes,
                      EngineProgressCallback progress, int32_t* status) = 0;
  virtual int16_t Unlock() = 0;
  // Seconds between frames.
  virtual double TimeStep() = 0;
};

struct TRunBridgeHooks {
  // A new empty store.
  std::unique_ptr<TFrameStore> (*makeStore)() = nullptr;
  // The solver side of an engine object the world adopted (class 406), or null when the object
  // is no engine.
  std::unique_ptr<TSolverEngine> (*engineFor)(TLink& engine) = nullptr;
};

// Installed by the simulation at start-up; the world asks these.
void SetRunBridgeHooks(const TRunBridgeHooks& hooks);
const TRunBridgeHooks& RunBridgeHooks();
