// Rectangles, squares and circles sketched from their tools and resized by a corner, in a world
// of the program's own classes with a grid of one unit.

#include <numbers>

#include "tests/views/trackers/ObjectTrackerWorld.h"
#include "views/trackers/ShapeTrackers.h"
#include "views/trackers/ToolTrackers.h"

namespace object_tracker_test {
namespace {

constexpr int16_t kCircleTool = 2500;
constexpr int16_t kRectangleTool = 2503;

void ExpectNear(const TVector& actual, const TVector& expected) {
  EXPECT_NEAR(actual.x, expected.x, 1e-9);
  EXPECT_NEAR(actual.y, expected.y, 1e-9);
}

TVector CentreOf(TMass& body) {
  const TVector3 p = body.GetPositionValues();
  return TVector(p.x, p.y);
}

TVector WorldCorner(TMass& body, double x, double y) {
  TVector corner(x, y);
  body.LocalToWorld(corner);
  return corner;
}

class ShapeTrackersTest : public ObjectTrackerTest {
 protected:
  void TearDown() override {
    kept_.clear();
    ObjectTrackerTest::TearDown();
  }
  // Sketches with the tool from the world point (0, 0) along the path; answers the new shape.
  TBasicMass* Sketch(int16_t tool, const std::vector<QV_CPoint>& path) {
    std::unique_ptr<TCommandCore> made = MakeToolTracker(tool, &view, context.get());
    auto* tracker = dynamic_cast<TShapeSketchTracker*>(made.get());
    EXPECT_NE(tracker, nullptr);
    if (tracker == nullptr) return nullptr;
    TBasicMass* body = tracker->Body();
    Drag(*tracker, At(0, 0), path);
    tracker->Perform();
    kept_.push_back(std::move(made));
    return body;
  }
  std::vector<std::unique_ptr<TCommandCore>> kept_;
};

TEST_F(ShapeTrackersTest, SketchedShapesSnapTheirSizeToTheGrid) {
  TBasicMass* rectangle = Sketch(kRectangleTool, {At(1.2, 0.8), At(2.4, 1.6)});
  ASSERT_NE(rectangle, nullptr);
  EXPECT_NE(world->FindObject(rectangle->GetIdentifier()), nullptr);
  ExpectNear(rectangle->GetSize(), TVector(2, 2));
  ExpectNear(CentreOf(*rectangle), TVector(1, 1));

  // Equal sides: the step doubles and both sides take the shorter drag, 1.4, which snaps to 2.
  TBasicMass* circle = Sketch(kCircleTool, {At(3.1, -1.4)});
  ASSERT_NE(circle, nullptr);
  ExpectNear(circle->GetSize(), TVector(2, 2));
  ExpectNear(CentreOf(*circle), TVector(1, -1));
}

TEST_F(ShapeTrackersTest, AnAxisThatSnapsToNothingKeepsItsSize) {
  std::unique_ptr<TCommandCore> made = MakeToolTracker(kRectangleTool, &view, context.get());
  auto& tracker = dynamic_cast<TShapeSketchTracker&>(*made);
  const double height = tracker.Body()->GetSize().y;
  Drag(tracker, At(0, 0), {At(2.4, 0.3)});
  tracker.Perform();
  ExpectNear(tracker.Body()->GetSize(), TVector(2, height));
  // Half the kept height lies within a tenth of the grid of the axis: the centre sits on it.
  ASSERT_LT(height / 2, 0.1);
  ExpectNear(CentreOf(*tracker.Body()), TVector(1, 0));
}

TEST_F(ShapeTrackersTest, WithoutSnappingTheDragSpansTheShape) {
  auto* rectangle = Add<TRectangle>(TRectangle::kTag, 30);
  const Transform2D frame(1.0, 0.0, 0.0, 0.0, 0.0, 1.0);
  rectangle->ResizeFromDrag(TVector(0, 0), TVector(-3, 2), frame.Inverse(), frame, false);
  ExpectNear(rectangle->GetSize(), TVector(3, 2));
  ExpectNear(CentreOf(*rectangle), TVector(-1.5, 1));
}

// The outline that follows the mouse: a rectangle's reaches the mouse; a circle's is the square
// on the shorter side of the drag, laid in the drag's direction.
TEST_F(ShapeTrackersTest, TheOutlineOfEqualSidesIsASquareInTheDragsDirection) {
  std::unique_ptr<TCommandCore> circle = MakeToolTracker(kCircleTool, &view, context.get());
  const auto& round = dynamic_cast<TShapeSketchTracker&>(*circle);
  EXPECT_EQ(round.OutlineCorner(MacPoint(10, 10), MacPoint(11, 15)), MacPoint(11, 11));
  EXPECT_EQ(round.OutlineCorner(MacPoint(10, 10), MacPoint(4, 12)), MacPoint(8, 12));
  EXPECT_EQ(round.OutlineCorner(MacPoint(10, 10), MacPoint(10, 3)), MacPoint(10, 10));
  std::unique_ptr<TCommandCore> rectangle = MakeToolTracker(kRectangleTool, &view, context.get());
  const auto& box = dynamic_cast<TShapeSketchTracker&>(*rectangle);
  EXPECT_EQ(box.OutlineCorner(MacPoint(10, 10), MacPoint(4, 12)), MacPoint(4, 12));
}

TEST_F(ShapeTrackersTest, AClickMakesAShapeOfTheWorldsSizeCentredOnIt) {
  std::unique_ptr<TCommandCore> made = MakeToolTracker(kRectangleTool, &view, context.get());
  auto& tracker = dynamic_cast<TShapeSketchTracker&>(*made);
  tracker.Body()->SetPlacement(TVector3(0, 0, 0.5));
  Drag(tracker, At(3, 2), {});
  tracker.Perform();
  const double d = world->SnappingDistance();
  ExpectNear(tracker.Body()->GetSize(), TVector(d, d));
  const TVector3 placed = tracker.Body()->GetPositionValues();
  EXPECT_DOUBLE_EQ(placed.x, 3);
  EXPECT_DOUBLE_EQ(placed.y, 2);
  EXPECT_DOUBLE_EQ(placed.r, 0);
}

TEST_F(ShapeTrackersTest, ACornerDragKeepsTheOppositeCornerTheAngleAndAttachedPoints) {
  auto* rectangle = Add<TRectangle>(TRectangle::kTag, 30);
  rectangle->SetSize(TVector(2, 1));
  rectangle->SetPlacement(TVector3(1, 1, std::numbers::pi / 2));
  rectangle->ShapeChanged(1);
  auto* point = Add<TPoint>(kPointTag, 31);
  point->AttachToBody(rectangle);
  point->SetLocalPosition(TVector3(0.5, 0.25, 0));
  const TVector pointBefore = point->GetWorldXY();
  // Handle 0 grabs the top-left corner; the bottom-right one stays.
  const TVector fixed = WorldCorner(*rectangle, 1, -0.5);

  std::unique_ptr<TShapeResizeTracker> tracker =
      CreateResizeTracker(&view, context.get(), *rectangle, 0);
  ExpectNear(tracker->FixedCorner(), fixed);
  Drag(*tracker, At(0.5, 0), {At(0, -1), At(-0.5, -2)});
  tracker->Perform();

  ExpectNear(rectangle->GetSize(), TVector(4, 2));
  EXPECT_DOUBLE_EQ(rectangle->GetRotationValue(), std::numbers::pi / 2);
  const TDoubleRect& b = rectangle->LocalBounds();
  ExpectNear(WorldCorner(*rectangle, b.right, b.bottom), fixed);
  ExpectNear(point->GetWorldXY(), pointBefore);

  tracker->Undo();
  ExpectNear(rectangle->GetSize(), TVector(2, 1));
}

TEST_F(ShapeTrackersTest, AResizeTrackerNeedsABody) {
  TShapeResizeTracker tracker;
  try {
    tracker.InitShapeResize(&view, context.get(), nullptr, 0);
    FAIL() << "no failure";
  } catch (const QVException& failure) {
    EXPECT_EQ(failure.error(), -108);
  }
}

}  // namespace
}  // namespace object_tracker_test
