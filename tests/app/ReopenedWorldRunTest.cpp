// A world saved with its recorded frames, reopened and changed before it runs on: the frames
// kept no longer hold what the world records now, and the run goes on all the same, with every
// frame laid out for the world as it is.

#include <unistd.h>

#include <filesystem>
#include <memory>
#include <string>

#include <gtest/gtest.h>

#include "core/Failure.h"
#include "inout/meters/Output.h"
#include "model/world/CreationCommands.h"
#include "model/world/QVDoc.h"
#include "tests/app/SampleFixture.h"
#include "tools/samples/SampleWorlds.h"

namespace {

using sample_worlds::kBoxId;
using sample_worlds::kSpringAndPinFile;

constexpr int16_t kRecorded = 20;

class ReopenedWorldRunTest : public SampleFixture {
 protected:
  void SetUp() override {
    SampleFixture::SetUp();
    saved_ = std::filesystem::temp_directory_path() /
             ("yb-reopened-" + std::to_string(::getpid()) + ".yb");
  }
  void TearDown() override {
    app_.Commands().DropAllCommands();
    std::filesystem::remove(saved_);
    SampleFixture::TearDown();
  }
  // The sample with a meter of the box's position, made as the box's meter menu makes it, run
  // to a frame and saved with its frames; then read again.
  std::unique_ptr<TQVDoc> SavedAndReopened(bool dropOldFrames = false) {
    {
      std::unique_ptr<TQVDoc> document = Open(kSpringAndPinFile);
      TWorldDoc& world = document->World();
      world.Select(world.FindObject(kBoxId));
      std::unique_ptr<TCommandCore> command = MakeCreationCommand(5001, world);
      EXPECT_NE(command, nullptr);
      if (command == nullptr) return nullptr;
      app_.Commands().HandleCommand(command.release());
      world.DeselectAll();
      world.RunToFrame(kRecorded, nullptr);
      world.ShowFrame(kRecorded, 1);
      boxAtLast_ = BoxX(world, kRecorded);
      // From here on the store keeps frame 0 and a ring of the latest frames.
      if (dropOldFrames) world.GetStore()->SetMark(true);
      document->WriteDocument(saved_.string());
      // Where the box goes next when the run is not interrupted.
      world.RunToFrame(kRecorded + 1, nullptr);
      boxAfterLast_ = BoxX(world, kRecorded + 1);
    }
    auto reopened = std::make_unique<TQVDoc>();
    reopened->ReadDocument(saved_.string());
    return reopened;
  }
  static TOutput* MeterOf(TWorldDoc& world) {
    for (TLink* object : world.Objects())
      if (auto* meter = dynamic_cast<TOutput*>(object)) return meter;
    return nullptr;
  }
  // The box's x in a recorded frame, where the world's layout puts it.
  static double BoxX(TWorldDoc& world, int16_t frame) {
    const int32_t offset = world.BodyValueOffset(world.FindObject(kBoxId));
    EXPECT_GE(offset, 0);
    return world.GetStore()->Value(frame, offset);
  }
  // Runs one frame past the last one kept, as Run does from the last frame shown.
  static int16_t RunOn(TWorldDoc& world) {
    world.ShowFrame(static_cast<int16_t>(world.GetStore()->LastFrame()), 1);
    try {
      world.RunToFrame(kRecorded + 1, nullptr);
    } catch (const QVException& failure) {
      return failure.error();
    }
    return 0;
  }

  std::filesystem::path saved_;
  double boxAtLast_ = 0.0;
  double boxAfterLast_ = 0.0;
};

// Unchanged, the reopened world goes on from the frames it kept, as the run would have gone on
// had it never been saved, although the world was saved showing its last frame.
TEST_F(ReopenedWorldRunTest, AnUnchangedWorldGoesOnFromItsKeptFrames) {
  std::unique_ptr<TQVDoc> document = SavedAndReopened();
  ASSERT_NE(document, nullptr);
  TWorldDoc& world = document->World();
  ASSERT_EQ(world.GetStore()->FrameCount(), kRecorded + 1);
  const int32_t valuesPerFrame = world.GetStore()->ValuesPerFrame();
  ASSERT_EQ(RunOn(world), 0);
  EXPECT_EQ(world.GetStore()->FrameCount(), kRecorded + 2);
  EXPECT_EQ(world.GetStore()->ValuesPerFrame(), valuesPerFrame);
  EXPECT_DOUBLE_EQ(BoxX(world, kRecorded), boxAtLast_);
  EXPECT_DOUBLE_EQ(BoxX(world, kRecorded + 1), boxAfterLast_);
}

// A run that let its old frames go keeps frame 0, from which the reopened world goes on.
TEST_F(ReopenedWorldRunTest, AWorldThatLetOldFramesGoGoesOnFromItsKeptFrames) {
  std::unique_ptr<TQVDoc> document = SavedAndReopened(true);
  ASSERT_NE(document, nullptr);
  TWorldDoc& world = document->World();
  ASSERT_TRUE(world.GetStore()->HasMark());
  ASSERT_GT(world.GetStore()->FirstHeldFrame(), 0);
  ASSERT_EQ(RunOn(world), 0);
  EXPECT_EQ(world.GetStore()->FrameCount(), kRecorded + 2);
  EXPECT_DOUBLE_EQ(BoxX(world, kRecorded + 1), boxAfterLast_);
}

// A meter that records fewer values than when the frames were made: the kept frames are laid
// out for another world, so they are computed again for this one, and the run goes on past
// them with the meter's values where the meter reads them.
TEST_F(ReopenedWorldRunTest, AWorldThatRecordsOtherValuesNowRunsOnPastItsKeptFrames) {
  std::unique_ptr<TQVDoc> document = SavedAndReopened();
  ASSERT_NE(document, nullptr);
  TWorldDoc& world = document->World();
  const int32_t valuesPerFrame = world.GetStore()->ValuesPerFrame();
  TOutput* meter = MeterOf(world);
  ASSERT_NE(meter, nullptr);
  ASSERT_GE(meter->GetColumnCount(), 2);
  // The meter's last column let go, as its dialog does when the column's name is cleared.
  meter->RemoveColumn(meter->GetColumnCount());
  world.Changed(0);
  ASSERT_EQ(world.GetStore()->FrameCount(), kRecorded + 1) << "the change let the frames go";

  ASSERT_EQ(RunOn(world), 0) << "the run failed";
  EXPECT_EQ(world.GetStore()->FrameCount(), kRecorded + 2);
  EXPECT_EQ(world.GetStore()->ValuesPerFrame(), valuesPerFrame - 1);
  // Every frame is this world's, computed from the kept start: the box where it was and where
  // it would have gone, the meter's first column the time.
  EXPECT_DOUBLE_EQ(BoxX(world, kRecorded), boxAtLast_);
  EXPECT_DOUBLE_EQ(BoxX(world, kRecorded + 1), boxAfterLast_);
  world.ShowFrame(kRecorded + 1, 1);
  EXPECT_NEAR(meter->Column(1)->GetCurrentValue(),
              (kRecorded + 1) * world.GetEngine()->TimeStep(), 1e-9);
}

// Changed at its start, the reopened world lets the frames kept from before go: the run then
// starts from the world as the user left it and reaches where an uninterrupted run went.
TEST_F(ReopenedWorldRunTest, AnEditAtTheStartLetsTheKeptFramesGo) {
  std::unique_ptr<TQVDoc> document = SavedAndReopened();
  ASSERT_NE(document, nullptr);
  TWorldDoc& world = document->World();
  world.ShowFrame(0, 1);
  world.Select(world.FindObject(kBoxId));
  std::unique_ptr<TCommandCore> command = MakeCreationCommand(5001, world);
  ASSERT_NE(command, nullptr);
  EXPECT_LE(world.LastFrame(), 0) << "the frames recorded before the edit were kept";
  app_.Commands().HandleCommand(command.release());
  world.DeselectAll();
  world.RunToFrame(kRecorded + 1, nullptr);
  EXPECT_NEAR(BoxX(world, kRecorded + 1), boxAfterLast_, 1e-12);
}

}  // namespace
