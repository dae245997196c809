// An L-shaped polygon and a curved polygon with their vertex tables, made through the program's
// classes, saved in a document, opened again, handed to the solver and run: the recorded frames
// follow the closed form of a push, the weight and a torque acting on the mass, centre of mass
// and moment of inertia that the shapes give.

#include <cmath>
#include <vector>

#include <gtest/gtest.h>

#include "bodies/Background.h"
#include "bodies/BodyClasses.h"
#include "bodies/BodyTags.h"
#include "bodies/CurvedPolygon.h"
#include "bodies/Polygon.h"
#include "core/ClassRegistry.h"
#include "model/world/Group.h"
#include "simulation/Engine.h"
#include "tests/support/WorldRun.h"

namespace {

using namespace body_tags;

using world_run::TWeightField;

constexpr double kGravity = 9.81;
constexpr double kPush = 3.0;   // newtons along x on every body
constexpr double kTwist = 1.0;  // newton metres on every body

class PolygonRunTest : public world_run::WorldRunTest {
 protected:
  PolygonRunTest()
      : WorldRunTest("polygon-run-test.dll", {{TTable::kBlockContents, kTableTag},
                                              {TPolygon::kBlockVertexTable, kPolygonTag},
                                              {TCurvPoly::kBlockCurved, kCurvedPolygonTag},
                                              {kBlockBackground, TZeroMass::kTag},
                                              {kBlockGroup, TGroup::kTag},
                                              {kBlockRunSettings, kEngineTag}}) {}
  void RegisterClasses() override { RegisterBodyClasses(); }
  void FreeClasses() override { FreeBodyClasses(); }

  // A polygon of the class with its own vertex table, both in the world.
  template <class T>
  static T& AddPolygon(TWorldDoc& world, int16_t identifier, const std::vector<TVector>& points) {
    TTable& vertices = Add<TTable>(world, static_cast<int16_t>(identifier + 1));
    for (const TVector& p : points)
      vertices.AppendPoint(p);
    T& body = Add<T>(world, identifier);
    body.LinkVertexTable(&vertices);
    return body;
  }
};

}  // namespace

TEST_F(PolygonRunTest, SavedPolygonsFallWithTheMassCentreAndMomentOfTheirShapes) {
  const auto document = SaveAndReopen([](TWorldDoc& world) {
    Add<TEngine>(world, 1);
    Add<TZeroMass>(world, 0);
    // The L as drawn: its reference point stays at the corner, its centre of mass at (1.1, 1.1).
    auto& l = AddPolygon<TPolygon>(world, 2, {{0, 0}, {3, 0}, {3, 1}, {1, 1}, {1, 3}, {0, 3}});
    l.ShapeChanged(1);
    auto& round = AddPolygon<TCurvPoly>(world, 4, {{4, -1}, {6, -1}, {6, 1}, {4, 1}});
    round.SetFlagProperty(MakeTag("curv"), 1);
    round.SetCentroidValid(0);
    round.RecentreAndBound();
    TGroup& group = Add<TGroup>(world, 6);
    group.SetMode(1, 1);
    group.Include(&round);
    group.Include(&l);
    TWeightField& field = Add<TWeightField>(world, 7);
    field.groupId = 6;
    field.goals = {{0, TFormula(kPush)}, {1, TWeightField::Weight()}, {2, TFormula(kTwist)}};
  });
  TWorldDoc& world = document->World();
  ASSERT_EQ(world.EightValueObjects().size(), 2u);
  auto* l = dynamic_cast<TPolygon*>(world.FindObject(2));
  auto* round = dynamic_cast<TCurvPoly*>(world.FindObject(4));
  ASSERT_NE(l, nullptr);
  ASSERT_NE(round, nullptr);
  ASSERT_TRUE(round->IsCurved());
  ASSERT_EQ(round->GetCurvePoints()->GetCount(), 40);

  // The closed forms: the L from its two rectangles; the curve from the triangles its samples
  // make with its centre, the body's origin by symmetry.
  const double lMoment = 2.5 + 3 * 0.52 + 10.0 / 12.0 + 2 * 1.17;
  double roundMass = 0.0;
  double roundMoment = 0.0;
  const TTable& curve = *round->GetCurvePoints();
  for (int32_t i = 1; i <= curve.GetCount(); ++i) {
    const TVector a = curve.GetPoint(i);
    const TVector b = curve.GetPoint(i == curve.GetCount() ? 1 : i + 1);
    const double cross = a.x * b.y - b.x * a.y;
    roundMass += cross / 2.0;
    roundMoment +=
        cross * (a.x * a.x + a.x * b.x + b.x * b.x + a.y * a.y + a.y * b.y + b.y * b.y) / 12.0;
  }
  EXPECT_NEAR(l->GetMass(), 5.0, 1e-12 * 5.0);
  EXPECT_NEAR(l->GetMoment(), lMoment, 1e-12 * lMoment);
  EXPECT_NEAR(l->GetCOMVector().x, 1.1, 1e-12);
  EXPECT_NEAR(round->GetMass(), roundMass, 1e-12 * roundMass);
  EXPECT_NEAR(round->GetMoment(), roundMoment, 1e-12 * roundMoment);
  EXPECT_NEAR(round->GetPositionValues().x, 5.0, 1e-15);
  EXPECT_NEAR(round->GetPositionValues().y, 0.0, 1e-15);
  EXPECT_NEAR(round->GetCOMVector().x, 0.0, 1e-15);

  constexpr int16_t kFrames = 20;
  world.RunToFrame(kFrames, nullptr);
  TFrameStore& store = *world.GetStore();
  ASSERT_EQ(store.FrameCount(), kFrames + 1);
  const double step = world.GetEngine()->TimeStep();
  ASSERT_GT(step, 0.0);
  for (int32_t frame = 1; frame <= kFrames; ++frame) {
    const double t = frame * step;
    const double half = t * t / 2.0;
    // The L's centre of mass accelerates; its reference point turns about it.
    const double r = store.Value(frame, 2);
    EXPECT_NEAR(r, kTwist / lMoment * half, 1e-12) << frame;
    const double cx = store.Value(frame, 0) + 1.1 * std::cos(r) - 1.1 * std::sin(r);
    const double cy = store.Value(frame, 1) + 1.1 * std::sin(r) + 1.1 * std::cos(r);
    EXPECT_NEAR(cx, 1.1 + kPush / 5.0 * half, 1e-12) << frame;
    EXPECT_NEAR(cy, 1.1 - kGravity * half, 1e-12) << frame;
    // The curve's centre of mass is its reference point.
    EXPECT_NEAR(store.Value(frame, 8), 5.0 + kPush / roundMass * half, 1e-12) << frame;
    EXPECT_NEAR(store.Value(frame, 9), -kGravity * half, 1e-12) << frame;
    EXPECT_NEAR(store.Value(frame, 10), kTwist / roundMoment * half, 1e-12) << frame;
  }

  // Showing a frame puts the polygons where it says.
  world.ShowFrame(kFrames, 1);
  EXPECT_EQ(round->GetPositionValues(),
            TVector3(store.Value(kFrames, 8), store.Value(kFrames, 9), store.Value(kFrames, 10)));
  EXPECT_EQ(l->GetRotationValue(), store.Value(kFrames, 2));
}
