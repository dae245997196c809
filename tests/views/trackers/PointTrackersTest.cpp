// Points and anchors placed from their tools in a world of the program's own classes.

#include "bodies/Shapes.h"
#include "bodies/points/Point.h"
#include "tests/views/trackers/ObjectTrackerWorld.h"
#include "views/trackers/PointTrackers.h"
#include "views/trackers/ToolTrackers.h"

namespace object_tracker_test {
namespace {

constexpr int16_t kPointTool = 2505;
constexpr int16_t kLockedPointTool = 2540;
constexpr int16_t kAnchorTool = 2534;

class PointTrackersTest : public ObjectTrackerTest {
 protected:
  void SetUp() override {
    ObjectTrackerTest::SetUp();
    // Points land where the mouse puts them; only the axes attract them.
    context->grid = 0.0;
  }

  TPointTracker& Make(int16_t tool) {
    made_ = MakeToolTracker(tool, &view, context.get());
    return dynamic_cast<TPointTracker&>(*made_);
  }

  // Places a point with the tool at the world point; answers the tracker.
  TPointTracker& Place(int16_t tool, double x, double y) {
    TPointTracker& tracker = Make(tool);
    Drag(tracker, At(x, y), {});
    tracker.Perform();
    return tracker;
  }

  TRectangle* AddSquare(int16_t identifier, double x, double y) {
    auto* square = Add<TRectangle>(TRectangle::kTag, identifier);
    square->SetSize(TVector(2, 2));
    square->SetPlacement(TVector3(x, y, 0));
    square->ShapeChanged(1);
    return square;
  }

  bool InWorld(const TLink* object) const {
    const std::vector<TLink*> objects = world->Objects();
    return std::find(objects.begin(), objects.end(), object) != objects.end();
  }
};

TEST_F(PointTrackersTest, APointNearAnAxisLandsOnIt) {
  context->pixelsPerUnit = 1000;
  context->origin = TVector(0, 2.5);
  TPointTracker& tracker = Place(kPointTool, 0.004, 2.5);
  TPoint* point = tracker.Point();
  ASSERT_TRUE(InWorld(point));
  EXPECT_EQ(point->GetBody(), background);
  EXPECT_EQ(point->GetWorldXY(), TVector(0, 2.5));
  made_.reset();

  // Further than a hundredth of the spacing from the axis, the point stays where it is put.
  Place(kPointTool, 0.02, 2.5);
  EXPECT_NEAR(static_cast<TPointTracker&>(*made_).Point()->GetWorldXY().x, 0.02, 1e-12);
}

TEST_F(PointTrackersTest, APointPlacedOverABodyIsAttachedToIt) {
  TRectangle* square = AddSquare(30, 2, 2);
  TPointTracker& tracker = Place(kPointTool, 2.5, 1.5);
  EXPECT_EQ(tracker.Point()->GetBody(), square);
  EXPECT_NEAR(tracker.Point()->GetWorldXY().x, 2.5, 1e-9);
  EXPECT_NEAR(tracker.Point()->GetWorldXY().y, 1.5, 1e-9);
}

TEST_F(PointTrackersTest, ThePointsCursorShowsWhetherItIsLocked) {
  EXPECT_EQ(Make(kPointTool).CursorResource(), TPointTracker::kCursorPoint);
  EXPECT_EQ(Make(kLockedPointTool).CursorResource(), TPointTracker::kCursorLockedPoint);
  TPointTracker& anchor = Make(kAnchorTool);
  EXPECT_EQ(anchor.GetClassIDAt(0), TAnchorTracker::kClassID);
  EXPECT_EQ(anchor.CursorResource(), TAnchor::kCursorAnchor);
}

TEST_F(PointTrackersTest, AnAnchorOnABodyAnchorsIt) {
  TRectangle* square = AddSquare(30, 2, 2);
  auto& tracker = static_cast<TAnchorTracker&>(Place(kAnchorTool, 2, 2));
  EXPECT_EQ(tracker.AnchorStayed(), 1);
  EXPECT_TRUE(InWorld(tracker.Point()));
  EXPECT_TRUE(square->IsAnchored());
}

TEST_F(PointTrackersTest, AnAnchorOnTheBackgroundIsRemoved) {
  const size_t before = world->Objects().size();
  auto& tracker = static_cast<TAnchorTracker&>(Place(kAnchorTool, 5, 5));
  EXPECT_EQ(tracker.AnchorStayed(), 0);
  EXPECT_EQ(tracker.Point(), nullptr);
  EXPECT_EQ(world->Objects().size(), before);
  // Nothing is left for undo and redo to reach.
  tracker.Undo();
  tracker.Redo();
  EXPECT_EQ(world->Objects().size(), before);
}

TEST_F(PointTrackersTest, ASecondAnchorOnABodyRemovesBoth) {
  TRectangle* square = AddSquare(30, 2, 2);
  Place(kAnchorTool, 2, 2);
  TPoint* first = static_cast<TPointTracker&>(*made_).Point();
  ASSERT_TRUE(InWorld(first));
  const size_t withOne = world->Objects().size();
  auto& second = static_cast<TAnchorTracker&>(Place(kAnchorTool, 2.5, 2.5));
  EXPECT_EQ(second.AnchorStayed(), 0);
  EXPECT_EQ(world->Objects().size(), withOne - 1);
  EXPECT_FALSE(square->IsAnchored());
  // Undo brings the first anchor back from its image, and the body is pinned again.
  second.Undo();
  EXPECT_EQ(world->Objects().size(), withOne);
  EXPECT_TRUE(square->IsAnchored());
  second.Redo();
  EXPECT_EQ(world->Objects().size(), withOne - 1);
  EXPECT_FALSE(square->IsAnchored());
}

}  // namespace
}  // namespace object_tracker_test
