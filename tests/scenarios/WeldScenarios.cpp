// Welding two bodies with the Welded Pin tool: a box hangs from the background by a pin at its
// middle and a disk lies inside it, free to turn on its own; Tools > Welded Pin clicked on the
// disk joins the disk to the box. After a run under gravity the saved frames show the two turning
// as one body: the box swings, and the disk's angle keeps its difference to the box's.

#include <algorithm>
#include <cmath>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "app/TApp.h"
#include "bodies/Background.h"
#include "bodies/BodyTags.h"
#include "bodies/points/Point.h"
#include "constraints/Pin.h"
#include "model/world/QVDoc.h"
#include "tests/scenarios/BodiesSeen.h"
#include "tests/scenarios/Harness.h"
#include "tests/scenarios/WorldWindowSeen.h"
#include "tools/samples/SampleBuilder.h"

namespace scenario {
namespace {

// The Welded Pin button of the joints palette, beside the Pin button, from the main window's top
// left corner.
constexpr int kWeldedPinButtonX = 38, kWeldedPinButtonY = 199;

constexpr int16_t kBoxId = 20;
constexpr int16_t kDiskId = 21;
constexpr int16_t kHangingPinId = 22;

// The world's sizes in pixels at the scale a new world is written with: the box, the disk inside
// it right of the box's middle, and the disk's centre from the box's.
constexpr double kBoxWidth = 120.0, kBoxHeight = 60.0;
constexpr double kDiskRadius = 15.0, kDiskOffset = 35.0;

// The box hung at its middle, the disk in it and line gravity, written as a sample.
void WriteHangingBoxAndDisk(const std::string& path) {
  const ProgramUnits units;
  auto document = sample_worlds::NewSampleDocument();
  TWorldDoc& world = document->World();
  const double metre = world.Scale().GetValue();
  TZeroMass& background = sample_worlds::AddGround(world);
  sample_worlds::AddGravity(world, 4, 3, 9.81);
  auto& box = sample_worlds::Add<TRectangle>(world, kBoxId);
  box.SetNumberProperty(body_tags::kTagWidth, kBoxWidth / metre);
  box.SetNumberProperty(body_tags::kTagHeight, kBoxHeight / metre);
  box.SetMass(1.0);
  sample_worlds::AddDisk(world, kDiskId, kDiskRadius / metre, 1.0, kDiskOffset / metre, 0.0);
  sample_worlds::AddPin(world, kHangingPinId,
                        sample_worlds::AddPoint(world, 5, background, {0.0, 0.0}),
                        sample_worlds::AddPoint(world, 6, box, {0.0, 0.0}));
  document->WriteDocument(path);
}

// What a saved document keeps of the weld: the welding pins and the bodies of their points, and
// the angles of the box and the disk in every frame of its run.
struct SavedWeld {
  std::string failure;
  std::vector<std::vector<int>> weldedBodies;
  std::vector<int> squarePoints;  // of each welding pin, its points that draw square
  std::vector<double> boxAngle, diskAngle;
};

SavedWeld ReadSavedWeld(const std::string& path) {
  SavedWeld saved;
  const ProgramUnits units;
  TQVDoc document;
  document.ReadDocument(path);
  TWorldDoc& world = document.World();
  for (TLink* object : world.Objects()) {
    auto* pin = dynamic_cast<TPin*>(object);
    if (pin == nullptr || pin->GetWeld() == 0) continue;
    std::vector<int> bodies;
    int square = 0;
    for (TLink* attached : pin->Attached()) {
      auto* point = dynamic_cast<TPoint*>(attached);
      if (point == nullptr || point->GetBody() == nullptr) continue;
      bodies.push_back(point->GetBody()->GetIdentifier());
      square += point->IsLocked() != 0;
    }
    saved.weldedBodies.push_back(bodies);
    saved.squarePoints.push_back(square);
  }
  const TFrameStore* store = world.GetStore();
  const int32_t box = world.BodyValueOffset(world.FindObject(kBoxId));
  const int32_t disk = world.BodyValueOffset(world.FindObject(kDiskId));
  if (store == nullptr || box < 0 || disk < 0) {
    saved.failure = "the document keeps no run of the two bodies";
    return saved;
  }
  // A body's record holds x, y, then its angle.
  for (int32_t frame = 0; frame < store->FrameCount(); ++frame) {
    saved.boxAngle.push_back(store->Value(frame, box + 2));
    saved.diskAngle.push_back(store->Value(frame, disk + 2));
  }
  return saved;
}

// The middle of the ink a picture shows, or (-1, -1) without ink.
std::pair<int, int> MiddleOfInk(const Picture& picture) {
  int left = picture.box.width, right = -1, top = picture.box.height, bottom = -1;
  for (int y = 0; y < picture.box.height; ++y) {
    for (int x = 0; x < picture.box.width; ++x) {
      if (!IsDark(picture.At(x, y))) continue;
      left = std::min(left, x);
      right = std::max(right, x);
      top = std::min(top, y);
      bottom = std::max(bottom, y);
    }
  }
  if (right < 0) return {-1, -1};
  return {(left + right) / 2, (top + bottom) / 2};
}

class Weld : public window_seen::WorldWindowScenario {
 protected:
  // Runs with Ctrl+R until the world has been drawn anew `count` times, then stops; a running
  // world is never idle, so its pictures are watched instead.
  ::testing::AssertionResult RunFor(const Box& world, int count) {
    Picture shown = Me().Grab(world);
    Me().Control("r");
    for (int change = 0; change < count; ++change) {
      const bool changed = Me().WaitUntil([&] {
        Picture now = Me().Grab(world);
        if (now == shown) return false;
        shown = std::move(now);
        return true;
      });
      if (!changed)
        return ::testing::AssertionFailure() << "the run stood still after " << change << " frames";
    }
    Me().Control("period");
    return Settle();
  }
  void WeldAndRun(const std::string& sample,
                  const std::function<::testing::AssertionResult()>& chooseTool);
};

// The saved world welds the disk to the box with square points, and its frames show the two
// turning as one while the box swings.
void ExpectWeldedRun(const SavedWeld& saved) {
  ASSERT_EQ(saved.failure, "");
  ASSERT_EQ(saved.weldedBodies.size(), 1u) << "the saved world holds no welding pin";
  EXPECT_EQ(saved.weldedBodies[0], (std::vector<int>{kDiskId, kBoxId}));
  EXPECT_EQ(saved.squarePoints[0], 2) << "the welded pin's points are not square points";
  ASSERT_GT(saved.boxAngle.size(), 2u) << "the run kept too few frames";
  // Alone, the disk pinned at its centre would keep its angle while the box swings; welded, it
  // turns with the box.
  double swing = 0.0;
  const double difference = saved.diskAngle[0] - saved.boxAngle[0];
  for (size_t frame = 0; frame < saved.boxAngle.size(); ++frame) {
    swing = std::max(swing, std::abs(saved.boxAngle[frame] - saved.boxAngle[0]));
    EXPECT_NEAR(saved.diskAngle[frame] - saved.boxAngle[frame], difference, 1e-6) << frame;
  }
  EXPECT_GT(swing, 0.05) << "the box did not swing";
}

// The box and the disk written, the program started on them, the welded pin tool taken by
// `chooseTool` and clicked twice on the disk's middle, the world run, stopped and saved.
void Weld::WeldAndRun(const std::string& sample,
                      const std::function<::testing::AssertionResult()>& chooseTool) {
  WriteHangingBoxAndDisk(Home().Sample(sample));
  ASSERT_TRUE(StartOnSample(sample));
  const Box world = window_seen::WholeWorld(Document());
  ASSERT_FALSE(world.Empty()) << "no document window";
  // Saved as it opened, the world tells the scale its window shows it at. The box, with the
  // disk and the hanging pin inside it, is all the world shows: the middle of the ink is the
  // box's.
  Me().Control("s");
  ASSERT_TRUE(Settle());
  const SavedWorld opened = ReadSavedWorld(Home().Sample(sample));
  ASSERT_EQ(opened.BodiesOfKind("TRectangle").size(), 1u) << opened.Description();
  ASSERT_EQ(opened.BodiesOfKind("TOval").size(), 1u) << opened.Description();
  const SavedBody box = opened.BodiesOfKind("TRectangle")[0];
  const SavedBody disk = opened.BodiesOfKind("TOval")[0];
  const auto [boxX, boxY] = MiddleOfInk(Me().Grab(world));
  ASSERT_GE(boxX, 0) << "the box is not shown";
  const int diskX = world.x + boxX + static_cast<int>(std::lround((disk.x - box.x) * opened.scale));
  const int diskY = world.y + boxY - static_cast<int>(std::lround((disk.y - box.y) * opened.scale));

  // The first click puts a point on the disk, the second one on the box under it.
  ASSERT_TRUE(chooseTool());
  for (int click = 0; click < 2; ++click) {
    Me().Click(diskX, diskY);
    ASSERT_TRUE(Me().Idle());
  }
  ASSERT_TRUE(Settle());
  ASSERT_EQ(Me().ShownWindows(), 1) << "placing the welded pin ended in a window";

  ASSERT_TRUE(RunFor(world, 12)) << "the world did not run";
  ASSERT_EQ(Me().ShownWindows(), 1) << "the run ended in an alert";
  Me().Control("s");
  ASSERT_TRUE(Settle());
}

TEST_F(Weld, TheToolsMenusWeldedPinMakesTwoBodiesTurnAsOne) {
  WeldAndRun("weld-menu.yb", [this] {
    if (::testing::AssertionResult chosen = Click({"Tools", "Welded Pin"}); !chosen)
      return chosen;
    return Settle();
  });
  if (HasFatalFailure()) return;
  ExpectWeldedRun(ReadSavedWeld(Home().Sample("weld-menu.yb")));
}

TEST_F(Weld, TheWeldedPinButtonMakesTwoBodiesTurnAsOne) {
  WeldAndRun("weld-button.yb", [this] {
    const Box frame = Frame();
    Me().Click(frame.x + kWeldedPinButtonX, frame.y + kWeldedPinButtonY);
    return Settle();
  });
  if (HasFatalFailure()) return;
  ExpectWeldedRun(ReadSavedWeld(Home().Sample("weld-button.yb")));
}

}  // namespace
}  // namespace scenario
