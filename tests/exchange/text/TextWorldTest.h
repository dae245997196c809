#pragma once
// Worlds read from textual records: the classes the records name (bodies and their shape
// tables, points, pins, motors, the ground, groups and the run settings) registered for a test.

#include <string>
#include <utility>

#include "bodies/Background.h"
#include "bodies/BodyClasses.h"
#include "bodies/Polygon.h"
#include "bodies/Table.h"
#include "bodies/points/Point.h"
#include "constraints/ConstraintClasses.h"
#include "constraints/Pin.h"
#include "constraints/Pistons.h"
#include "model/world/Group.h"
#include "simulation/Engine.h"
#include "tests/support/WorldRun.h"

class TextWorldTest : public world_run::WorldRunTest {
 protected:
  explicit TextWorldTest(std::string module)
      : WorldRunTest(std::move(module), {{TTable::kBlockContents, kTableTag},
                                         {TPolygon::kBlockVertexTable, kPolygonTag},
                                         {TPoint::kBlockSolverRecord, kPointTag},
                                         {TPin::kBlockKind, kPinTag},
                                         {TRPiston::kTextDriveBlock, kRPistonTag},
                                         {kBlockBackground, TZeroMass::kTag},
                                         {kBlockGroup, TGroup::kTag},
                                         {kBlockRunSettings, kEngineTag}}) {}
  void RegisterClasses() override {
    RegisterBodyClasses();
    RegisterCustomConstraintClasses();
    RegisterPinRopeRodClasses();
    RegisterPistonClasses();
  }
  void FreeClasses() override {
    FreeCustomConstraintGlobals();
    FreeBodyClasses();
  }
};
