#pragma once
// Drives the engine entry points as the program does: one world per test, a history block that
// the harness grows when the engine reports it full, input records rebuilt before every call.

#include <cstdint>
#include <cstring>
#include <utility>
#include <vector>

#include "solver/engine/EngineEntry.h"

namespace yb::stream::testing {

class History {
 public:
  History(int32_t capacityFrames, int32_t valuesPerFrame) : valuesPerFrame_(valuesPerFrame) {
    bytes.assign(static_cast<size_t>(kHistoryHeaderBytes) +
                     static_cast<size_t>(capacityFrames) * static_cast<size_t>(valuesPerFrame) * 8,
                 0);
    SetWord(kHistoryWordValuesPerFrame, valuesPerFrame);
  }
  int32_t Word(int32_t word) const {
    int32_t v;
    std::memcpy(&v, bytes.data() + word * 4, 4);
    return v;
  }
  void SetWord(int32_t word, int32_t value) { std::memcpy(bytes.data() + word * 4, &value, 4); }
  int32_t Frames() const { return Word(kHistoryWordFrameCount); }
  void Grow(int32_t frames) {
    bytes.resize(bytes.size() + static_cast<size_t>(frames) * static_cast<size_t>(valuesPerFrame_) * 8, 0);
  }
  double Value(int32_t frame, int32_t index) const {
    double v;
    std::memcpy(&v, bytes.data() + kHistoryHeaderBytes +
                        (static_cast<size_t>(frame) * static_cast<size_t>(valuesPerFrame_) +
                         static_cast<size_t>(index)) * 8,
                8);
    return v;
  }
  std::vector<uint8_t> bytes;

 private:
  int32_t valuesPerFrame_;
};

class EngineRun {
 public:
  explicit EngineRun(const std::vector<uint8_t>& stream) {
    init_engine();
    new_world(&world_);
    readResult = read_world(world_, stream.data(), static_cast<int32_t>(stream.size()));
  }
  ~EngineRun() { free_world(world_); }
  EngineRun(const EngineRun&) = delete;
  EngineRun& operator=(const EngineRun&) = delete;

  void SetInputs(std::vector<std::pair<int32_t, double>> inputs) { inputs_ = std::move(inputs); }

  // One call, as the program's run loop makes it.
  int32_t Step(History& history, EngineProgressCallback progress = nullptr) {
    std::vector<uint8_t> records((inputs_.size() + 1) * kInputRecordBytes, 0);
    for (size_t i = 0; i < inputs_.size(); ++i) {
      std::memcpy(records.data() + i * kInputRecordBytes, &inputs_[i].first, 4);
      std::memcpy(records.data() + i * kInputRecordBytes + 4, &inputs_[i].second, 8);
    }
    return run_world(world_, records.data(), static_cast<int32_t>(records.size()),
                     history.bytes.data(), static_cast<int32_t>(history.bytes.size()), progress,
                     status);
  }

  // Calls until the block holds `frames` frames, growing it by `grow` frames when it is full;
  // stops at the first other non-zero answer and returns it.
  int32_t RunTo(History& history, int32_t frames, int32_t grow = 64) {
    while (history.Frames() < frames) {
      const int32_t result = Step(history);
      if (result == kEngineStoreFull) {
        history.Grow(grow);
        continue;
      }
      if (result != kEngineOk) return result;
    }
    return kEngineOk;
  }

  EngineWorld* World() { return world_; }
  int32_t readResult = -1;
  int32_t status[kStatusWords] = {0, -1, -1};

 private:
  EngineWorld* world_ = nullptr;
  std::vector<std::pair<int32_t, double>> inputs_;
};

}  // namespace yb::stream::testing
