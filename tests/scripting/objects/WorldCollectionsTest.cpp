// The document's collections of a world's bodies, points and constraints, as a script reaches
// them: each counts and indexes only its own kind and hands back the objects the world's object
// collection hands back.

#include <gtest/gtest.h>

#include "bodies/Shapes.h"
#include "bodies/points/Point.h"
#include "constraints/Springs.h"
#include "tests/scripting/objects/ObjectScripts.h"

namespace {

using WorldCollections = ObjectScripts;

TEST_F(WorldCollections, EachCollectionCountsAndIndexesItsOwnKind) {
  Adopt(std::make_unique<TOval>());
  Adopt(std::make_unique<TRectangle>());
  TPoint* a = Adopt(std::make_unique<TPoint>());
  TPoint* b = Adopt(std::make_unique<TPoint>());
  b->SetWorldPosition(TVector3(3.0, 4.0));
  TLSpring* spring = Adopt(std::make_unique<TLSpring>());
  spring->AttachObject(a);
  spring->AttachObject(b);
  EXPECT_EQ(Run("Dim d As YBDocument\nSet d = YB.ActiveDocument\n"
                "Print d.Bodies.Count; d.Points.Count; d.Constraints.Count\n"
                "Print d.Bodies(2).Kind; d.Bodies.Item(1) Is Objects.Body(1); "
                "d.Bodies(3) Is Nothing; d.Bodies(0) Is Nothing\n"
                "Print d.Points(2) Is Objects.Point(2); d.Points(3) Is Nothing\n"
                "Print d.Constraints(1).Kind; d.Constraints(2) Is Nothing"),
            "221\nrectangleTrueTrueTrue\nTrueTrue\nspringTrue\n");
}

}  // namespace
