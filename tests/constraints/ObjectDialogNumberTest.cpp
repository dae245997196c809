// The properties dialog each kind of object opens on a double click: bodies of every shape the
// body dialog, linear springs (with or without their damper) the spring dialog, linear dampers
// the damper dialog, and only a rope of the rope type the rope dialog. Everything else opens
// none and lets the double click show the Properties window.

#include "bodies/Polygon.h"
#include "tests/constraints/RunTestSupport.h"

namespace {

using namespace constraint_runs;

class ObjectDialogNumberTest : public ConstraintRunTest {};

template <class T>
int16_t DialogOf() {
  T object;
  object.Initialize();
  return object.GetObjectKindCode();
}

TEST_F(ObjectDialogNumberTest, BodiesOfEveryShapeOpenTheBodyDialog) {
  EXPECT_EQ(DialogOf<TRectangle>(), 10410);
  EXPECT_EQ(DialogOf<TOval>(), 10410);
  EXPECT_EQ(DialogOf<TPolygon>(), 10410);
}

TEST_F(ObjectDialogNumberTest, LinearSpringsAndDampersOpenTheirOwnDialogsRotationalOnesNone) {
  EXPECT_EQ(DialogOf<TLSpring>(), 10411);
  EXPECT_EQ(DialogOf<TLDampSpring>(), 10411);
  EXPECT_EQ(DialogOf<TLDamper>(), 10413);
  EXPECT_EQ(DialogOf<TRSpring>(), 0);
  EXPECT_EQ(DialogOf<TRDampSpring>(), 0);
  EXPECT_EQ(DialogOf<TRDamper>(), 0);
}

TEST_F(ObjectDialogNumberTest, OnlyARopeOfTheRopeTypeOpensTheRopeDialog) {
  TLRope rope;
  rope.Initialize();
  EXPECT_EQ(rope.GetObjectKindCode(), 0);
  rope.SetShortProperty(kTagRopeType, TLRope::kRope);
  EXPECT_EQ(rope.GetObjectKindCode(), 10412);
  rope.SetShortProperty(kTagRopeType, TLRope::kSeparator);
  EXPECT_EQ(rope.GetObjectKindCode(), 0);
  EXPECT_EQ(DialogOf<TRod>(), 0);
  EXPECT_EQ(DialogOf<TRRope>(), 0);
}

TEST_F(ObjectDialogNumberTest, OtherObjectsOpenNone) {
  EXPECT_EQ(DialogOf<TPin>(), 0);
  EXPECT_EQ(DialogOf<TPoint>(), 0);
  EXPECT_EQ(DialogOf<TForce>(), 0);
}

}  // namespace
