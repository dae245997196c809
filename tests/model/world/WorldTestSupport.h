#pragma once
// The world tests' furniture: a store and an engine that keep their frames in memory and can be
// told to fail, a host that answers questions as told and records what it was asked, objects in
// the roles the world runs with, and the class and resource set-up the world reads its defaults
// with.

#include <cstring>
#include <deque>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "core/ClassRegistry.h"
#include "core/Failure.h"
#include "core/Handle.h"
#include "core/Resources.h"
#include "model/Thing.h"
#include "model/command/CommandCore.h"
#include "model/filing/ClassSource.h"
#include "model/filing/ObjectReader.h"
#include "model/filing/ObjectWriter.h"
#include "model/world/Group.h"
#include "model/world/WorldDoc.h"
#include "model/world/WorldParticipants.h"

namespace world_test {

inline constexpr int16_t kBlockMark = 1200;  // a test object's first and only own block

// A world object in any of the roles: an input, a body, a listener, a pause control.
class TTestObject : public TNamedLink, public TFrameParticipant, public TRunInput,
                    public TFrameListener {
  DECLARE_CLASS_ID(9301, TNamedLink)

 public:
  static constexpr uint32_t kTag = MakeTag("TsOb");
  double value = 0.0;
  int16_t kind = 0;
  int32_t fixedValues = 0;
  int32_t valueCount = 0;
  int16_t listenerFailure = 0;
  std::vector<int32_t> targets;
  std::vector<int16_t> framesShown;

  int32_t FixedFrameValues() const override { return fixedValues; }
  // The values it records with every frame: its element list.
  int32_t CountElements() override { return valueCount; }
  void WriteElements(TObjectWriter& writer) override {
    const TFormula zero(0.0);
    for (int32_t i = 0; i < valueCount; ++i)
      writer.WriteFormula(&zero);
  }
  void FrameChanged(int16_t frame, int16_t, int16_t) override { framesShown.push_back(frame); }
  double InputValue() const override { return value; }
  void TargetFrame(int32_t frame) override {
    targets.push_back(frame);
    if (listenerFailure != 0) {
      const int16_t failure = listenerFailure;
      listenerFailure = 0;
      ThrowFailure(failure, 0);
    }
  }
  uint16_t ReadBlockContents(int16_t code, TObjectReader& reader) override {
    if (code != kBlockMark) return TNamedLink::ReadBlockContents(code, reader);
    value = reader.ReadReal();
    return 1;
  }
  void WriteBlockContents(int16_t code, TObjectWriter& writer) override {
    if (code != kBlockMark) return TNamedLink::WriteBlockContents(code, writer);
    writer.WriteDouble(value);
  }
  void WriteFields(TObjectWriter& writer) override {
    writer.WriteBlock(*this, kBlockMark);
    TNamedLink::WriteFields(writer);
  }
};

// The same object answering to the class identifiers the world sorts by.
template <int16_t kRole>
class TRoleObject : public TTestObject {
 public:
  bool IsMemberClass(int16_t id) const override {
    return id == kRole || TTestObject::IsMemberClass(id);
  }
};
using TTestInput = TRoleObject<444>;
using TTestListener = TRoleObject<411>;
using TTestPauseControl = TRoleObject<469>;

// Frames in memory: each value of frame f at index i is f * 100 + i once the engine wrote it.
class TTestStore final : public TFrameStore {
 public:
  TTestStore() : block_(AllocHandle(44)) {}
  ~TTestStore() override { FreeHandleIfAny(block_); }

  int32_t frames = 0;
  int32_t capacity = 10;
  int32_t mark = 0;
  int32_t valuesPerFrame = 0;
  int16_t current = -1;
  int16_t readMode = 0;
  int32_t readFrame = 0;
  int32_t readOffset = 0;
  int growFailures = 0;  // MakeRoom fails this many times
  int makeRoomCalls = 0;
  std::vector<TFrameColumn> columns;

  int32_t FrameCount() const override { return frames; }
  void SetFrameCount(int32_t count) override {
    frames = count;
    if (current >= frames) current = static_cast<int16_t>(frames - 1);
  }
  int32_t FirstHeldFrame() const override {
    return (mark != 0 && mark < frames) ? frames - mark + 1 : 0;
  }
  int16_t CurrentFrame() const override { return current; }
  void SetCurrentFrame(int16_t frame) override { current = frame; }
  Handle Block() const override { return block_; }
  uint32_t BlockBytes() const override { return 44 + capacity * 8; }
  void Resize(uint32_t) override {}
  void MakeRoom() override {
    ++makeRoomCalls;
    if (growFailures > 0) {
      --growFailures;
      ThrowFailure(kErrOutOfMemory, 0);
    }
    capacity += 10;
  }
  bool HasMark() const override { return mark != 0; }
  void SetMark(bool set) override { mark = set ? frames - 1 : 0; }
  int32_t ValuesPerFrame() const override { return valuesPerFrame; }
  void SetValuesPerFrame(int32_t count) override { valuesPerFrame = count; }
  int16_t SetReadMode(int16_t mode) override {
    const int16_t previous = readMode;
    readMode = mode;
    return previous;
  }
  void PositionAtFrame(int32_t frame) override {
    readFrame = frame;
    readOffset = 0;
  }
  void Advance(int32_t n) override { readOffset += n; }
  double ReadValue() const override { return Value(readFrame, readOffset); }
  double Value(int32_t frame, int32_t index) const override { return frame * 100.0 + index; }
  std::vector<TFrameColumn> Columns() const override { return columns; }
  void Clear() override {
    frames = 0;
    mark = 0;
    current = -1;
  }
  // Room for one more frame.
  bool HasRoom() const { return mark != 0 || frames < capacity; }

 private:
  Handle block_;
};

// Writes one frame per run call, or answers the results it is told first.
class TTestEngine final : public TSolverEngine {
 public:
  explicit TTestEngine(TTestStore& store) : store_(store) {}
  std::deque<int16_t> results;
  std::vector<std::vector<uint8_t>> inputs;
  std::vector<uint8_t> stream;
  int reads = 0;
  int runs = 0;
  int unlocks = 0;

  int16_t ClearWorld() override { return 0; }
  int16_t ReadWorld(const uint8_t* bytes, int32_t count) override {
    ++reads;
    stream.assign(bytes, bytes + count);
    return 0;
  }
  int16_t Run(const uint8_t* records, int32_t bytes, Handle block, int32_t, EngineProgressCallback,
              int32_t* status) override {
    ++runs;
    EXPECT_EQ(block, store_.Block());
    inputs.emplace_back(records, records + bytes);
    if (!results.empty()) {
      const int16_t result = results.front();
      results.pop_front();
      if (result != 0) {
        status[1] = 7;
        return result;
      }
    }
    if (!store_.HasRoom()) return kErrStoreIsFull;
    ++store_.frames;
    return 0;
  }
  int16_t Unlock() override {
    ++unlocks;
    return 0;
  }
  double TimeStep() override { return 0.05; }

 private:
  TTestStore& store_;
};

class TTestHost final : public TWorldHost {
 public:
  bool answer = true;
  bool lastCommand = false;
  std::vector<int16_t> asked;
  std::vector<int16_t> shown;
  std::vector<int16_t> warnings;
  std::vector<std::unique_ptr<TCommandCore>> posted;

  bool AskYesNo(int16_t alert) override {
    asked.push_back(alert);
    return answer;
  }
  void ShowError(int16_t error, int32_t) override { shown.push_back(error); }
  bool ReportSolverWarning(TWorldDoc&, int16_t error, const int32_t*) override {
    warnings.push_back(error);
    return answer;
  }
  void PostCommand(TCommandCore* command) override { posted.emplace_back(command); }
  bool CommitLastCommand() override { return std::exchange(lastCommand, false); }
};

// The document bytes that resource 10 holds in the program: the world's defaults block.
inline std::vector<uint8_t> DefaultsResource(bool withDefaultsBlock = true) {
  std::vector<uint8_t> bytes = {'Z', 'o', 'd', 'A', 0, 4, 'Y', 'B', '3', 'X', 0, 11};
  for (char c : std::string("Version 2.5")) bytes.push_back(static_cast<uint8_t>(c));
  bytes.insert(bytes.end(), {0, 0, 4, 'I', 'E', '6', '4', 0, 9});
  for (char c : std::string("MSWindows")) bytes.push_back(static_cast<uint8_t>(c));
  bytes.insert(bytes.end(), {0, 0, 0, 0, 0, 0, 0, 0, 0, 0x00, 0x00, 0x27, 0x10, ' ', ' ', ' ', ' '});
  if (withDefaultsBlock)
    bytes.insert(bytes.end(), {0, 0, 0x27, 0x11, 0, 0, 0, 4, 0, 0, 0, 1});
  bytes.insert(bytes.end(), {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF});
  return bytes;
}

inline TObject* NewTestObject() {
  return new TTestObject;
}

// Registers the classes and offers 'FACT' (the group's block and the test object's) and the
// defaults resource for as long as it lives.
class WorldScope {
 public:
  explicit WorldScope(bool withDefaultsBlock = true) : defaults_(DefaultsResource(withDefaultsBlock)) {
    InitHandlePool();
    RegisterThingClasses();
    RegisterGroupClasses();
    RegisterClassInfo("TTestObject", TTestObject::kTag, TTestObject::kClassID, NewTestObject,
                      sizeof(TTestObject));
    FreezeClassRegistry();
    const int16_t count = 2;
    const int16_t codes[] = {kBlockGroup, kBlockMark};
    const uint32_t tags[] = {TGroup::kTag, TTestObject::kTag};
    fact_.resize(2 + count * 6);
    std::memcpy(fact_.data(), &count, 2);
    for (int i = 0; i < count; ++i) {
      std::memcpy(fact_.data() + 2 + 6 * i, &codes[i], 2);
      std::memcpy(fact_.data() + 4 + 6 * i, &tags[i], 4);
    }
    entries_[0] = {"FACT", 0, nullptr, static_cast<uint16_t>(kFactTableId), fact_.data(),
                   static_cast<uint32_t>(fact_.size())};
    entries_[1] = {"ZodA", 0, nullptr, static_cast<uint16_t>(kWorldDefaultsResource),
                   defaults_.data(), static_cast<uint32_t>(defaults_.size())};
    table_ = {"world-test.dll", entries_, 2};
    RegisterResourceModule(table_);
    SetResourceModule1(LoadResourceLibrary("world-test.dll"));
  }
  ~WorldScope() {
    SetResourceModule1(nullptr);
    UnregisterResourceModule("world-test.dll");
    FreeClassRegistry();
    FreeHandlePool();
  }
  WorldScope(const WorldScope&) = delete;
  WorldScope& operator=(const WorldScope&) = delete;

 private:
  std::vector<uint8_t> fact_;
  std::vector<uint8_t> defaults_;
  ResourceEntry entries_[2];
  ResourceModuleTable table_;
};

inline int16_t ErrorOf(auto&& code) {
  try {
    code();
  } catch (const QVException& failure) {
    return failure.error();
  }
  return 1;
}

}  // namespace world_test
