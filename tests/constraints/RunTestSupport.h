#pragma once
// A world harness for constraint runs: bodies, points and the constraint classes registered, a
// class table of the first blocks the objects write, and a stand-in weight field (force fields
// live elsewhere) that writes the record such a field writes.

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
#include "model/filing/ObjectReader.h"
#include "model/filing/ObjectWriter.h"
#include "model/world/Group.h"
#include "simulation/Engine.h"
#include "tests/support/WorldRun.h"

namespace constraint_runs {

using namespace body_tags;

inline constexpr double kGravity = 9.81;

// The weight of every body of its group: a per-body field as the solver reads it. Force fields
// are not part of this folder; the stand-in writes the record one would.
class TWeightField : public TNamedLink {
  DECLARE_CLASS_ID(9422, TNamedLink)

 public:
  static constexpr uint32_t kTag = MakeTag("TsWp");
  int16_t groupId = 0;

  uint16_t ReadBlockContents(int16_t code, TObjectReader& reader) override {
    if (code != TCnstr::kBlockRecord) return TNamedLink::ReadBlockContents(code, reader);
    TFormula skipped;
    reader.ReadInt();
    reader.ReadFormula(skipped);
    reader.ReadFormula(skipped);
    reader.ReadInt();
    groupId = static_cast<int16_t>(reader.ReadInt());
    reader.ReadFormula(skipped);
    reader.ReadInt();
    reader.ReadInt();
    for (int j = 0; j < 3; ++j) reader.ReadInt();
    reader.ReadFormula(skipped);
    return 1;
  }
  void WriteBlockContents(int16_t code, TObjectWriter& writer) override {
    if (code != TCnstr::kBlockRecord) return TNamedLink::WriteBlockContents(code, writer);
    const TFormula zero(0.0);
    const TFormula one(1.0);
    writer.WriteCode(0);
    writer.WriteFormula(&zero);
    writer.WriteFormula(&one);
    writer.WriteCode(0);
    writer.WriteCode(groupId);
    writer.WriteFormula(&zero);
    writer.WriteCode(0);
    TFormula weight;
    weight.SetFromPieces("-9.81 * self.mass");
    writer.WriteCode(1);
    writer.WriteCode(0);
    writer.WriteCode(0);
    writer.WriteCode(1);
    writer.WriteFormula(&weight);
  }
  void WriteFields(TObjectWriter& writer) override {
    writer.WriteBlock(*this, TCnstr::kBlockRecord);
    TNamedLink::WriteFields(writer);
  }
};

inline TObject* NewField() { return new TWeightField; }

class ConstraintRunTest : public world_run::WorldRunTest {
 protected:
  ConstraintRunTest()
      : WorldRunTest("constraint-run-test.dll", {{kBlockRectangleFormulas, TRectangle::kTag},
                                                 {kBlockBackground, TZeroMass::kTag},
                                                 {kBlockGroup, TGroup::kTag},
                                                 {kBlockRunSettings, kEngineTag},
                                                 {TCnstr::kBlockRecord, TWeightField::kTag},
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
    RegisterClassInfo("TWeightField", TWeightField::kTag, TWeightField::kClassID, NewField,
                      sizeof(TWeightField));
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
