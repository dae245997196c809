#include "simulation/WorldBridge.h"

#include <memory>

#include "model/Link.h"
#include "model/world/RunBridge.h"
#include "simulation/Engine.h"
#include "simulation/HistoryStore.h"

namespace {

class THistoryFrameStore final : public TFrameStore {
 public:
  int32_t FrameCount() const override { return store_.GetFrameCount(); }
  const THistoryStore* History() const override { return &store_; }
  void SetFrameCount(int32_t count) override { store_.SetFrameCount(count); }
  int32_t FirstHeldFrame() const override { return store_.GetFirstFrame(); }
  int16_t CurrentFrame() const override { return store_.GetCurrentFrame(); }
  void SetCurrentFrame(int16_t frame) override { store_.SetCurrentFrame(frame); }
  Handle Block() const override { return store_.GetBlock(); }
  uint32_t BlockBytes() const override { return store_.GetBlockSize(); }
  void Resize(uint32_t bytes) override { store_.Resize(bytes); }
  void MakeRoom() override { store_.MakeRoom(); }
  bool HasMark() const override { return store_.HasMark(); }
  void SetMark(bool set) override { store_.SetMark(set); }
  int32_t ValuesPerFrame() const override { return store_.GetValuesPerFrame(); }
  void SetValuesPerFrame(int32_t count) override { store_.SetValuesPerFrame(count); }
  int16_t SetReadMode(int16_t mode) override { return store_.SetReadMode(mode); }
  void PositionAtFrame(int32_t frame) override { store_.PositionAtFrame(frame); }
  void Advance(int32_t n) override { store_.Advance(n); }
  double ReadValue() const override { return ReadHistoryValue(store_.Cursor()); }
  double Value(int32_t frame, int32_t index) const override {
    return store_.GetValue(frame, index);
  }
  std::vector<TFrameColumn> Columns() const override {
    std::vector<TFrameColumn> columns;
    for (const THistoryColumn& column : store_.Columns())
      columns.push_back({column.valueCount, column.objectId});
    return columns;
  }
  void Clear() override {
    store_.SetMark(false);
    store_.SetFrameCount(0);
    store_.SetCurrentFrame(-1);
  }
  std::vector<uint8_t> RawBlock() const override { return store_.RawBlock(); }
  int16_t LoadRawBlock(std::span<const uint8_t> bytes) override {
    return store_.LoadRawBlock(bytes);
  }
  std::vector<TFrameCursor> Cursors() const override {
    std::vector<TFrameCursor> cursors;
    for (const auto& cursor : store_.StoredCursors()) {
      const int16_t served =
          cursor->object != nullptr ? cursor->object->GetIdentifier() : cursor->ownerId;
      cursors.push_back({cursor->index, served});
    }
    return cursors;
  }
  void AddCursor(const TFrameCursor& record) override {
    auto cursor = std::make_unique<THistoryCursor>();
    cursor->index = record.index;
    cursor->ownerId = record.objectId;
    store_.StoredCursors().push_back(std::move(cursor));
  }

 private:
  mutable THistoryStore store_;
};

class TEngineSide final : public TSolverEngine {
 public:
  explicit TEngineSide(TEngine& engine) : engine_(engine) {}
  int16_t ClearWorld() override { return engine_.ClearWorld(); }
  int16_t ReadWorld(const uint8_t* bytes, int32_t count) override {
    return engine_.ReadWorld(bytes, count);
  }
  int16_t Run(const uint8_t* inputs, int32_t inputBytes, Handle block, int32_t blockBytes,
              EngineProgressCallback progress, int32_t* status) override {
    return engine_.Run(inputs, inputBytes, block, blockBytes, progress, status);
  }
  int16_t Unlock() override { return engine_.Unlock(); }
  double TimeStep() override { return engine_.GetTimeStep(); }

 private:
  TEngine& engine_;
};

std::unique_ptr<TFrameStore> MakeStore() {
  return std::make_unique<THistoryFrameStore>();
}

std::unique_ptr<TSolverEngine> EngineFor(TLink& object) {
  auto* engine = dynamic_cast<TEngine*>(&object);
  if (engine == nullptr) return nullptr;
  return std::make_unique<TEngineSide>(*engine);
}

}  // namespace

void InstallWorldBridge() {
  SetRunBridgeHooks({MakeStore, EngineFor});
}
