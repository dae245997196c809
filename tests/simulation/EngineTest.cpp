#include "simulation/Engine.h"

#include <cstring>

#include <gtest/gtest.h>

#include "core/Failure.h"
#include "model/Formula.h"
#include "simulation/HistoryStore.h"
#include "tests/simulation/FilingScope.h"

namespace {

using yb::dynamics::IntegratorKind;
using yb::dynamics::RunMode;

TEST(EngineErrorTest, LibraryCodesBecomeTheProgramsErrors) {
  EXPECT_EQ(MapEngineError(0), 0);
  EXPECT_EQ(MapEngineError(1202), -108);
  EXPECT_EQ(MapEngineError(2010), -27989);
  EXPECT_EQ(MapEngineError(kEngineCannotRead), -25002);
  // The run call keeps the solver's own out-of-memory number for its caller to tell apart.
  EXPECT_EQ(RunErrorNumber(kEngineStoreFull), kErrStoreFull);
  EXPECT_EQ(RunErrorNumber(kEngineOutOfMemory), kErrSolverOutOfMemory);
  EXPECT_EQ(RunErrorNumber(kEngineContinue), kErrRunContinue);
  for (const int32_t warning :
       {kEngineWarnInaccurate, kEngineWarnInconsistent, kEngineWarningLast}) {
    EXPECT_GE(RunErrorNumber(warning), kErrSolverWarningFirst);
    EXPECT_LE(RunErrorNumber(warning), kErrSolverWarningLast);
  }
}

TEST(EngineErrorTest, InputRecordsArePackedWithoutPadding) {
  TInputRecords records;
  EXPECT_FALSE(records.Add(0, 1.0));
  ASSERT_TRUE(records.Add(-3, 2.5));
  ASSERT_TRUE(records.Add(7, -1.0));
  EXPECT_EQ(records.Size(), 36);
  int32_t id = 0;
  double value = 0.0;
  std::memcpy(&id, records.Bytes() + 12, 4);
  std::memcpy(&value, records.Bytes() + 16, 8);
  EXPECT_EQ(id, 7);
  EXPECT_EQ(value, -1.0);
  std::memcpy(&id, records.Bytes() + 24, 4);
  EXPECT_EQ(id, 0);
  while (records.Add(1, 0.0)) {
  }
  EXPECT_EQ(records.Count(), 29);
  EXPECT_EQ(records.Size(), TInputRecords::kBufferBytes);
}

class EngineTest : public ::testing::Test {
 protected:
  simulation_test::FilingScope scope;
};

TEST_F(EngineTest, ReadWorldAnswersHonestly) {
  TEngine engine;
  EXPECT_EQ(engine.ClearWorld(), 0);
  const uint8_t garbage[] = {'Z', 'o', 'd', 'A', 1, 0, '3', 0, 0xFF};
  EXPECT_EQ(engine.ReadWorld(garbage, sizeof garbage), -25002);
  EXPECT_EQ(engine.ReadWorld(nullptr, 10), -25002);
  EXPECT_EQ(engine.ReadWorld(garbage, -1), -25002);

  // Nothing was read, so nothing runs, and the history keeps no frame.
  THistoryStore store;
  store.SetValuesPerFrame(3);
  int32_t status[kStatusWords] = {};
  TInputRecords inputs;
  EXPECT_NE(engine.Run(inputs.Bytes(), inputs.Size(), store.GetBlock(),
                       static_cast<int32_t>(store.GetBlockSize()), nullptr, status),
            0);
  EXPECT_EQ(store.GetFrameCount(), 0);
  // A size beyond the block is refused before the solver sees it.
  EXPECT_EQ(engine.Run(inputs.Bytes(), inputs.Size(), store.GetBlock(),
                       static_cast<int32_t>(store.GetBlockSize()) + 8, nullptr, status),
            RunErrorNumber(kEngineBadArgument));
  EXPECT_FALSE(IsHandleLocked(store.GetBlock()));
}

TEST_F(EngineTest, TheSolverReadsTheStreamTheEngineWrites) {
  TEngine engine;
  engine.SelectChoice(MakeTag("Fas/"));
  engine.SetIntProperty(MakeTag("spfr"), 3);
  const std::vector<TLink*> objects{&engine};
  auto writer = WriteObjectsDefault(&objects, 0, &engine, 1, nullptr);
  Handle handle = writer->TakeHandle();
  const auto* bytes = reinterpret_cast<const uint8_t*>(HandleData(handle));
  const std::vector<uint8_t> stream(bytes, bytes + GetHandleByteSize(handle));
  FreeHandle(handle);
  EXPECT_EQ(engine.ReadWorld(stream.data(), static_cast<int32_t>(stream.size())), 0);
  // Cut anywhere inside the settings, the stream is refused, never read past its end.
  for (size_t cut = 9; cut + 2 < stream.size(); cut += 7)
    EXPECT_EQ(engine.ReadWorld(stream.data(), static_cast<int32_t>(cut)), -25002) << cut;
}

// A free disk as the bodies write one for the solver: 16 quantities (position, velocity, mass,
// moment, centre of mass, frictions, elasticity, charge, anchoring), two words and its size.
class TFreeDisk : public TLink {
 public:
  void WriteFields(TObjectWriter& writer) override {
    writer.WriteBlock(*this, 1200);
    writer.WriteBlock(*this, 1202);
  }
  void WriteBlockContents(int16_t code, TObjectWriter& writer) override {
    if (code == 1202) {
      writer.WriteDouble(0.2);
      writer.WriteDouble(0.2);
      return;
    }
    const double values[16] = {1.0, 2.0, 0.0, 0.5, -0.25, 0.0, 1.0, 0.005,
                               0.0, 0.0, 0.0, 0.0, 0.5,   0.0, 0.0, 0.0};
    for (const double value : values) {
      const TFormula constant(value);
      writer.WriteFormula(&constant);
    }
    writer.WriteCode(0);
    writer.WriteCode(0);
  }
};

TEST_F(EngineTest, ARunFillsTheHistoryThroughStoreFullAndGrowth) {
  TEngine engine;
  engine.SelectChoice(MakeTag("Acc/"));
  engine.SetIdentifier(1);
  TFreeDisk disk;
  disk.SetIdentifier(2);
  const std::vector<TLink*> objects{&engine, &disk};
  auto writer = WriteObjectsDefault(&objects, 0, nullptr, 1, nullptr);
  Handle handle = writer->TakeHandle();
  const auto* bytes = reinterpret_cast<const uint8_t*>(HandleData(handle));
  const std::vector<uint8_t> stream(bytes, bytes + GetHandleByteSize(handle));
  FreeHandle(handle);
  ASSERT_EQ(engine.ClearWorld(), 0);
  ASSERT_EQ(engine.ReadWorld(stream.data(), static_cast<int32_t>(stream.size())), 0);

  // Room for four frames of x, y and rotation: the fifth finds the store full.
  THistoryStore store;
  store.SetValuesPerFrame(3);
  store.Resize(44 + 4 * 3 * 8);
  int32_t status[kStatusWords] = {};
  TInputRecords inputs;
  int fulls = 0;
  while (store.GetFrameCount() < 12) {
    const int16_t error = engine.Run(inputs.Bytes(), inputs.Size(), store.GetBlock(),
                                     static_cast<int32_t>(store.GetBlockSize()), nullptr, status);
    if (error == kErrStoreFull) {
      ++fulls;
      ASSERT_EQ(store.GetFrameCount(), 4);
      store.MakeRoom();
      continue;
    }
    ASSERT_EQ(error, 0);
  }
  EXPECT_EQ(fulls, 1);
  // The disk moves with its velocity: x = 1 + 0.5 t, y = 2 - 0.25 t.
  const double step = store.GetTimeStep();
  ASSERT_GT(step, 0.0);
  for (int32_t frame = 0; frame < 12; ++frame) {
    THistoryCursor& cursor = store.PositionAtFrame(frame);
    EXPECT_NEAR(ReadHistoryValueAndAdvance(cursor), 1.0 + 0.5 * frame * step, 1e-9) << frame;
    EXPECT_NEAR(ReadHistoryValueAndAdvance(cursor), 2.0 - 0.25 * frame * step, 1e-9) << frame;
    EXPECT_NEAR(ReadHistoryValue(cursor), 0.0, 1e-12);
  }

  // Marked, the store keeps frame 0 and lets the oldest of the others go as the run goes on.
  store.SetMark(true);
  const uint32_t size = store.GetBlockSize();
  while (store.GetFrameCount() < 30)
    ASSERT_EQ(engine.Run(inputs.Bytes(), inputs.Size(), store.GetBlock(),
                         static_cast<int32_t>(store.GetBlockSize()), nullptr, status),
              0);
  EXPECT_EQ(store.GetBlockSize(), size);
  EXPECT_EQ(store.GetFirstFrame(), 30 - 11 + 1);
  EXPECT_EQ(store.GetValue(5, 0), kHistoryNoValue);
  EXPECT_NEAR(store.GetValue(0, 1), 2.0, 1e-12);
  for (int32_t frame = store.GetFirstFrame(); frame < 30; ++frame)
    EXPECT_NEAR(store.GetValue(frame, 0), 1.0 + 0.5 * frame * step, 1e-9) << frame;
  EXPECT_EQ(engine.Unlock(), 0);
}

TEST_F(EngineTest, RunSettingsFollowTheirChoices) {
  TEngine engine;
  int16_t selected = 0;
  uint16_t enabled = 0;
  engine.SelectChoice(MakeTag("Fas/"));
  const yb::dynamics::RunSettings& s = engine.Settings();
  EXPECT_EQ(s.mode, RunMode::Fast);
  EXPECT_EQ(s.integrator, IntegratorKind::Euler);
  EXPECT_FALSE(s.variableStep);
  EXPECT_EQ(engine.GetChoiceProperty(MakeTag("Eul/"), selected, &enabled), 1);
  EXPECT_EQ(selected, 1);
  EXPECT_EQ(engine.GetChoiceProperty(MakeTag("LkT/"), selected, &enabled), 1);
  EXPECT_EQ(selected, 1);

  // A request for the standard mode stores the accurate one.
  engine.SelectChoice(MakeTag("Std/"));
  EXPECT_EQ(s.mode, RunMode::Accurate);
  EXPECT_EQ(s.integrator, IntegratorKind::KuttaMerson);
  EXPECT_TRUE(s.variableStep);

  // The automatic step and error switches keep the mode; any other choice makes it custom.
  engine.SelectChoice(MakeTag("dtM/"));
  EXPECT_EQ(s.mode, RunMode::Accurate);
  EXPECT_FALSE(s.autoAnimationStep);
  engine.SelectChoice(MakeTag("KT/M"));
  EXPECT_EQ(s.mode, RunMode::Custom);

  engine.SelectChoice(MakeTag("Acc/"));
  engine.SetFlagProperty(MakeTag("R#C/"), 1);
  EXPECT_EQ(s.warnRedundant, 1);
  EXPECT_EQ(s.mode, RunMode::Custom);

  // Steps per frame read 1, not enabled, while the step varies; below 1 becomes 1.
  int32_t steps = 0;
  EXPECT_EQ(engine.GetIntProperty(MakeTag("spfr"), steps, &enabled), 1);
  EXPECT_EQ(steps, 1);
  EXPECT_EQ(enabled, 0);
  engine.SelectChoice(MakeTag("LkT/"));
  engine.SetIntProperty(MakeTag("spfr"), 0);
  EXPECT_EQ(engine.GetIntProperty(MakeTag("spfr"), steps, &enabled), 1);
  EXPECT_EQ(steps, 1);
  engine.SetIntProperty(MakeTag("spfr"), 4);

  engine.SetNumberProperty(MakeTag("/dt/"), 50.0);
  EXPECT_DOUBLE_EQ(s.animationStep, 0.02);
  engine.SetNumberProperty(MakeTag("/dt/"), 0.0);  // no rate of zero frames a second
  engine.SetNumberProperty(MakeTag("dt_/"), -1.0);
  EXPECT_DOUBLE_EQ(s.animationStep, 0.02);
  engine.SetNumberProperty(MakeTag("dtI/"), 0.001);
  EXPECT_FALSE(s.autoAnimationStep);
  EXPECT_DOUBLE_EQ(s.animationStep, 0.004);
  double value = 0.0;
  int32_t dimension = 0;
  EXPECT_EQ(engine.GetNumberSetting(MakeTag("dtI/"), value, dimension, enabled), 1);
  EXPECT_DOUBLE_EQ(value, 0.001);
  EXPECT_EQ(dimension, 0x100000);
  EXPECT_EQ(enabled, 1);
  EXPECT_EQ(engine.GetNumberSetting(MakeTag("/dt/"), value, dimension, enabled), 1);
  EXPECT_DOUBLE_EQ(value, 250.0);
  EXPECT_EQ(dimension, 0xF00000);
  EXPECT_DOUBLE_EQ(engine.GetTimeStep(), 0.004);
}

TEST_F(EngineTest, RunSettingsAreFiledInTheBlockTheSolverReads) {
  TEngine engine;
  engine.SelectChoice(MakeTag("Fas/"));
  engine.SetIntProperty(MakeTag("spfr"), 7);
  engine.SetNumberProperty(MakeTag("fixd"), 0.25);
  engine.SelectChoice(MakeTag("sigm"));
  engine.SetIntProperty(MakeTag("sigm"), 9);
  const auto read = scope.RoundTrip<TEngine>(engine);
  ASSERT_NE(read, nullptr);
  const yb::dynamics::RunSettings& a = read->Settings();
  const yb::dynamics::RunSettings& b = engine.Settings();
  EXPECT_EQ(a.integrator, b.integrator);
  EXPECT_EQ(a.mode, b.mode);
  EXPECT_EQ(a.stepsPerFrame, 7);
  EXPECT_EQ(a.overlapError, 0.25);
  EXPECT_FALSE(a.autoSignificantDigits);
  EXPECT_EQ(a.significantDigits, 9);
  EXPECT_EQ(a.warnInaccurate, b.warnInaccurate);
  EXPECT_EQ(a.animationStep, b.animationStep);
}

}  // namespace
