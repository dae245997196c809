// Which of a world's objects a script walks: bodies but the background, the built-in constraint
// kinds with forces and torques, points but the world's own, inputs and meters; never custom or
// field constraints, nor an object without an identifier.

#include <gtest/gtest.h>

#include "bodies/Background.h"
#include "bodies/Shapes.h"
#include "bodies/points/Point.h"
#include "constraints/Field.h"
#include "constraints/Forces.h"
#include "constraints/Pin.h"
#include "tests/scripting/objects/ObjectScripts.h"

namespace {

using Visibility = ObjectScripts;

template <class T>
bool Visible(int16_t identifier = 5) {
  T object;
  object.Initialize();
  object.SetIdentifier(identifier);
  return TAPILinkCollection::IsScriptVisibleObject(&object);
}

TEST_F(Visibility, EachKindOfObjectIsSeenOrHidden) {
  EXPECT_TRUE(Visible<TOval>());
  EXPECT_FALSE(Visible<TOval>(0));
  EXPECT_FALSE(Visible<TZeroMass>());
  EXPECT_TRUE(Visible<TPin>());
  EXPECT_TRUE(Visible<TForce>());
  EXPECT_FALSE(Visible<TGravCnstr>());
  EXPECT_FALSE(Visible<TAirCnstr>());
  EXPECT_FALSE(Visible<TCustomConstraint>());
  EXPECT_TRUE(Visible<TPoint>());
  EXPECT_TRUE(Visible<TAnchor>(10013));
  EXPECT_FALSE(Visible<TPoint>(10012));
  EXPECT_FALSE(Visible<TCOMPoint>());
  EXPECT_FALSE(TAPILinkCollection::IsScriptVisibleObject(nullptr));
}

TEST_F(Visibility, AWorldsFieldIsNeitherCountedNorIndexed) {
  Adopt(std::make_unique<TGravCnstr>())->SetIdentifier(7);
  Adopt(std::make_unique<TPin>())->SetIdentifier(5);
  EXPECT_EQ(Run("Print Objects.Count; Objects(1).ID; Objects(2) Is Nothing"), "15True\n");
}

}  // namespace
