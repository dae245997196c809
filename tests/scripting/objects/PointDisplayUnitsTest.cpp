// A point moved in the world frame by a script takes the world's display units, not SI: lengths
// and the angle are converted once on the way in and once on the way out.

#include <gtest/gtest.h>

#include <cmath>

#include "bodies/points/Point.h"
#include "simulation/UnitHandler.h"
#include "tests/scripting/objects/ObjectScripts.h"

namespace {

using PointDisplayUnits = ObjectScripts;

TEST_F(PointDisplayUnits, GlobalCoordinatesAndAngleSetInDisplayUnitsLandInInternalUnits) {
  TPoint* point = Adopt(std::make_unique<TPoint>());
  auto units = std::make_unique<TWorldUnitHandler>();
  units->SetUnit(kQuantityDistance, 2);  // centimetres
  units->SetUnit(kQuantityRotation, 3);  // degrees
  Adopt(std::move(units));
  EXPECT_EQ(Run("Dim p As YBPoint\nSet p = Objects.Point(1)\n"
                "p.GlobalPX = 250\np.GlobalPY = -40\np.GlobalPR = 90\n"
                "Print Format(p.GlobalPX, \"0.0\"); \" \"; Format(p.GlobalPY, \"0.0\"); \" \"; "
                "Format(p.GlobalPR, \"0.0\")"),
            "250.0 -40.0 90.0\n");
  const TVector3 position = point->GetWorldPosition();
  EXPECT_NEAR(position.x, 2.5, 1e-12);
  EXPECT_NEAR(position.y, -0.4, 1e-12);
  EXPECT_NEAR(position.r, M_PI / 2, 1e-12);
}

}  // namespace
