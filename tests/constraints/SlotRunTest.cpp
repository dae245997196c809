// Slots made from the program's classes, saved, opened again and run by the solver: a block on
// an inclined slot and a follower on an inclined curved slot slide down as a = g sin(angle)
// says, and stay on their track; a bead on a closed curve keeps to the curve and its energy.

#include <numbers>

#include "tests/constraints/SlotTestSupport.h"

namespace {

using namespace body_tags;
using constraint_runs::kGravity;

constexpr double kAngle = std::numbers::pi / 6.0;  // the track falls 30 degrees to the right

using SlotRunTest = slot_tests::SlotFixture;

TEST_F(SlotRunTest, ABlockOnAnInclinedSlotSlidesDownWithGTimesTheSineOfTheAngle) {
  {
    TQVDoc document;
    TWorldDoc& world = document.World();
    Add<TEngine>(world, 1);
    TZeroMass& background = Add<TZeroMass>(world, 0);
    TRectangle& box = AddFallingBox(world, 0.0, 0.0);
    TPoint& track = Add<TPoint>(world, 3);
    track.AttachToBody(&background);
    track.SetLocalPosition({0.0, 0.0, -kAngle});
    TPoint& slider = Add<TPoint>(world, 4);
    slider.AttachToBody(&box);
    slider.SetLocalPosition({0.0, 0.0, 0.0});
    TSlot& slot = Add<TSlot>(world, 5);
    slot.SetShortProperty(kTagAlwaysActive, 1);
    slot.AttachObject(&track);
    slot.AttachObject(&slider);
    document.WriteDocument(path.string());
  }
  TQVDoc document;
  document.ReadDocument(path.string());
  TWorldDoc& world = document.World();
  auto* box = dynamic_cast<TRectangle*>(world.FindObject(2));
  auto* slot = dynamic_cast<TSlot*>(world.FindObject(5));
  ASSERT_NE(box, nullptr);
  ASSERT_NE(slot, nullptr);
  ASSERT_EQ(slot->AttachedCount(), 2);
  EXPECT_NEAR(slot->SlotAngle(), -kAngle, 1e-15);
  RunAndCheck(world, 1.0, [&](int16_t frame, double t) {
    TVector at;
    box->GetPosition(at);
    const double along = 0.5 * kGravity * std::sin(kAngle) * t * t;
    EXPECT_NEAR(at.x, along * std::cos(kAngle), 1e-6) << frame;
    EXPECT_NEAR(at.y, -along * std::sin(kAngle), 1e-6) << frame;
    EXPECT_NEAR(box->GetRotationValue(), 0.0, 1e-9) << frame;
  });
}

// The curve is a straight run of control points in the spline point's frame, which the point's
// own rotation turns down the slope; the follower starts a little way along it.
TEST_F(SlotRunTest, AFollowerOnAnInclinedCurvedSlotSlidesAsOnAStraightSlot) {
  constexpr double kStart = 0.5;
  {
    TQVDoc document;
    TWorldDoc& world = document.World();
    Add<TEngine>(world, 1);
    TZeroMass& background = Add<TZeroMass>(world, 0);
    TRectangle& box = AddFallingBox(world, kStart * std::cos(kAngle), -kStart * std::sin(kAngle));
    TTable& table = Add<TTable>(world, 10);
    for (double x : {-1.0, 0.0, 1.0, 2.0, 3.0, 4.0}) table.AppendPoint({x, 0.0});
    TSplinePoint& origin = Add<TSplinePoint>(world, 3);
    origin.AttachToBody(&background);
    origin.SetLocalPosition({0.0, 0.0, -kAngle});
    TPoint& follower = Add<TPoint>(world, 4);
    follower.AttachToBody(&box);
    follower.SetLocalPosition({0.0, 0.0, 0.0});
    TCurvedSlot& slot = Add<TCurvedSlot>(world, 5);
    slot.SetShortProperty(kTagAlwaysActive, 1);
    slot.AttachObject(&origin);
    slot.AttachObject(&follower);
    slot.SetPointTable(&table);
    document.WriteDocument(path.string());
  }
  TQVDoc document;
  document.ReadDocument(path.string());
  TWorldDoc& world = document.World();
  auto* box = dynamic_cast<TRectangle*>(world.FindObject(2));
  auto* origin = dynamic_cast<TSplinePoint*>(world.FindObject(3));
  auto* slot = dynamic_cast<TCurvedSlot*>(world.FindObject(5));
  ASSERT_NE(box, nullptr);
  ASSERT_NE(origin, nullptr);
  ASSERT_NE(slot, nullptr);
  EXPECT_EQ(slot->GetSplinePoint(), origin);
  ASSERT_NE(slot->GetPointTable(), nullptr);
  EXPECT_EQ(origin->GetPointTable(), slot->GetPointTable());
  EXPECT_EQ(slot->ControlPointCount(), 6);
  RunAndCheck(world, 0.8, [&](int16_t frame, double t) {
    TVector at;
    box->GetPosition(at);
    const double along = kStart + 0.5 * kGravity * std::sin(kAngle) * t * t;
    EXPECT_NEAR(at.x, along * std::cos(kAngle), 1e-6) << frame;
    EXPECT_NEAR(at.y, -along * std::sin(kAngle), 1e-6) << frame;
  });
}

// A bead on a closed curve through eight points of a circle, let go beside the bottom: it keeps
// on the curve (as the program's own spline draws it) and its energy stays what it was.
TEST_F(SlotRunTest, ABeadOnAClosedCurveKeepsToTheCurveAndItsEnergy) {
  constexpr double kRadius = 1.0;
  {
    TQVDoc document;
    TWorldDoc& world = document.World();
    Add<TEngine>(world, 1);
    TZeroMass& background = Add<TZeroMass>(world, 0);
    const double a0 = -std::numbers::pi / 2.0 + 0.4;
    TRectangle& box = AddFallingBox(world, 0.0, 0.0);
    TTable& table = Add<TTable>(world, 10);
    for (int i = 0; i < 8; ++i) {
      const double a = 2.0 * std::numbers::pi * i / 8.0;
      table.AppendPoint({kRadius * std::cos(a), kRadius * std::sin(a)});
    }
    TSplinePoint& origin = Add<TSplinePoint>(world, 3);
    origin.AttachToBody(&background);
    origin.SetLocalPosition({0.0, 0.0, 0.0});
    TPoint& follower = Add<TPoint>(world, 4);
    follower.AttachToBody(&box);
    follower.SetLocalPosition({0.0, 0.0, 0.0});
    TCurvedSlot& slot = Add<TCurvedSlot>(world, 5);
    slot.SetShortProperty(kTagAlwaysActive, 1);
    slot.AttachObject(&origin);
    slot.AttachObject(&follower);
    slot.SetPointTable(&table);
    slot.SetSplineType(TCurvedSlot::kClosed);
    // The bead starts on the curve: the snapping puts it on the nearest curve point.
    box.SetFormulaProperty(kTagPosX, TFormula(kRadius * std::cos(a0)));
    box.SetFormulaProperty(kTagPosY, TFormula(kRadius * std::sin(a0)));
    slot.SnapPointsOntoSlot(nullptr);
    const TVector on = follower.GetWorldXY();
    box.SetFormulaProperty(kTagPosX, TFormula(on.x));
    box.SetFormulaProperty(kTagPosY, TFormula(on.y));
    follower.SetLocalPosition({0.0, 0.0, 0.0});
    document.WriteDocument(path.string());
  }
  TQVDoc document;
  document.ReadDocument(path.string());
  TWorldDoc& world = document.World();
  auto* box = dynamic_cast<TRectangle*>(world.FindObject(2));
  auto* slot = dynamic_cast<TCurvedSlot*>(world.FindObject(5));
  ASSERT_NE(box, nullptr);
  ASSERT_NE(slot, nullptr);
  ASSERT_TRUE(slot->IsClosed());
  double startEnergy = 0.0;
  TVector start{0.0, 0.0};
  double farthest = 0.0;
  RunAndCheck(world, 2.0, [&](int16_t frame, double) {
    TVector at;
    box->GetPosition(at);
    if (frame == 0) start = at;
    farthest = std::max(farthest, std::hypot(at.x - start.x, at.y - start.y));
    const TVector3 v = box->GetVelocityValues();
    const double energy = kGravity * at.y + 0.5 * (v.x * v.x + v.y * v.y);
    if (frame == 0) startEnergy = energy;
    EXPECT_NEAR(energy, startEnergy, 1e-5) << frame;
    // The distance to the curve the editor draws, through the solver library's nearest point.
    SplineHandle spline = EngineNewSpline(1);
    std::vector<double> points;
    for (int32_t i = 1; i <= slot->ControlPointCount(); ++i) {
      points.push_back(slot->ControlPoint(i).x);
      points.push_back(slot->ControlPoint(i).y);
    }
    ASSERT_EQ(EngineSetSplinePoints(spline, slot->ControlPointCount(), points.data()), 0);
    const double query[2] = {at.x, at.y};
    double t = 0.0, nearest[2] = {0.0, 0.0};
    int16_t hint = 0;
    ASSERT_EQ(EngineSplineNearestPoint(spline, query, 0.0, &t, &hint, nearest, nullptr, nullptr), 0);
    EngineDeleteSpline(spline);
    EXPECT_NEAR(std::hypot(nearest[0] - at.x, nearest[1] - at.y), 0.0, 1e-6) << frame;
  });
  // It swung through the bottom and beyond.
  EXPECT_GT(farthest, 0.6);
}

}  // namespace
