#pragma once
// A world harness for constraint runs: bodies, points and the constraint classes registered, and
// a class table of the first blocks the objects write.

#include <cmath>

#include <gtest/gtest.h>

#include "bodies/Background.h"
#include "bodies/BodyClasses.h"
#include "bodies/BodyTags.h"
#include "bodies/Shapes.h"
#include "bodies/points/Point.h"
#include "constraints/ConstraintClasses.h"
#include "constraints/Forces.h"
#include "constraints/Pin.h"
#include "constraints/Pistons.h"
#include "constraints/Ropes.h"
#include "constraints/Springs.h"
#include "simulation/DimensionCode.h"
#include "core/ClassRegistry.h"
#include "model/world/Group.h"
#include "simulation/Engine.h"
#include "tests/support/WorldRun.h"

namespace constraint_runs {

using namespace body_tags;

inline constexpr double kGravity = 9.81;

using world_run::TWeightField;

class ConstraintRunTest : public world_run::WorldRunTest {
 protected:
  ConstraintRunTest()
      : WorldRunTest("constraint-run-test.dll", {{kBlockRectangleFormulas, TRectangle::kTag},
                                                 {kBlockBackground, TZeroMass::kTag},
                                                 {kBlockGroup, TGroup::kTag},
                                                 {kBlockRunSettings, kEngineTag},
                                                 {TPoint::kBlockSolverRecord, kPointTag},
                                                 {TPin::kBlockKind, kPinTag},
                                                 {5207, kLSpringTag},
                                                 {5220, kLDamperTag},
                                                 {5020, kLDampSpringTag},
                                                 {TLRope::kBlockKind, kRopeTag},
                                                 {5257, kRodTag},
                                                 {TRRope::kBlockKind, kRotationalRopeTag},
                                                 {5255, kLPistonTag},
                                                 {5258, kRPistonTag},
                                                 {TForce::kBlockKind, kForceTag},
                                                 {TTorque::kBlockKind, kTorqueTag},
                                                 {5219, kRSpringTag},
                                                 {5021, kRDampSpringTag},
                                                 {5221, kRDamperTag}}) {}
  void RegisterClasses() override {
    RegisterBodyClasses();
    RegisterCustomConstraintClasses();
    RegisterSpringClasses();
    RegisterPinRopeRodClasses();
    RegisterPistonClasses();
    RegisterForceClasses();
    SettleDefaultConstraintSize();
  }
  void FreeClasses() override {
    FreeCustomConstraintGlobals();
    FreeBodyClasses();
  }

  // A box of the mass, its reference point at (x, y).
  static TRectangle& AddBox(TWorldDoc& world, int16_t identifier, double mass, double x,
                            double y) {
    TRectangle& box = Add<TRectangle>(world, identifier);
    box.SetNumberProperty(kTagWidth, 0.1);
    box.SetNumberProperty(kTagHeight, 0.1);
    box.SetMass(mass);
    box.SetFormulaProperty(kTagPosX, TFormula(x));
    box.SetFormulaProperty(kTagPosY, TFormula(y));
    return box;
  }
  // A point at (x, y) of the body's frame.
  static TPoint& AddPoint(TWorldDoc& world, int16_t identifier, TMass& body, double x, double y) {
    TPoint& point = Add<TPoint>(world, identifier);
    point.AttachToBody(&body);
    point.SetLocalPosition({x, y, 0.0});
    return point;
  }
};

}  // namespace constraint_runs
