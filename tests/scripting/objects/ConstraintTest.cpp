// YBConstraint: kind names, settings clamped or matched to their words, quantities as cells,
// end points, and the members of an object whose constraint went.

#include <gtest/gtest.h>

#include "bodies/Table.h"
#include "bodies/points/Point.h"
#include "constraints/CurvedSlot.h"
#include "constraints/Field.h"
#include "constraints/Forces.h"
#include "constraints/Pin.h"
#include "constraints/Pistons.h"
#include "constraints/Ropes.h"
#include "constraints/Springs.h"
#include "scripting/objects/APIConstraint.h"
#include "tests/scripting/objects/ObjectScripts.h"

namespace {

class Constraints : public ObjectScripts {
 protected:
  // A constraint of the kind between new points at (0, 0) and (3, 4), in the world.
  template <class Kind>
  Kind* Between() {
    TPoint* a = Adopt(std::make_unique<TPoint>());
    TPoint* b = Adopt(std::make_unique<TPoint>());
    b->SetWorldPosition(TVector3(3.0, 4.0));
    Kind* constraint = Adopt(std::make_unique<Kind>());
    constraint->AttachObject(a);
    constraint->AttachObject(b);
    return constraint;
  }
};

TEST_F(Constraints, KindsExponentsAndCellsOfASpringAndARope) {
  TLSpring* spring = Between<TLSpring>();
  EXPECT_EQ(
      Run("Dim c As YBConstraint\nSet c = Objects.Constraint(1)\n"
          "Print c.Kind; Objects.Item(3).Kind; c.K Is c.Field; c.DamperK Is Nothing\n"
          "c.Exponent = 9\nPrint c.Exponent;\nc.Exponent = -12\nPrint c.Exponent\n"
          "Print c.PointCount; c.TopPoint Is Objects.Point(1); c.BasePoint Is Objects.Point(2)\n"
          "Print c.CurrentLength"),
      "springconstraintTrueFalse\n5-5\n2TrueTrue\n5\n");
  EXPECT_EQ(spring->GetExponent(), -5);
  TLRope* rope = Between<TLRope>();
  rope->SetType(TLRope::kRope);
  rope->AttachObject(Adopt(std::make_unique<TPoint>()));
  EXPECT_EQ(Run("Print Objects.Constraint(2).Kind; Objects.Constraint(2).Length Is Nothing"),
            "pulleyFalse\n");
  rope->SetType(TLRope::kSeparator);
  EXPECT_EQ(Run("Print Objects.Constraint(2).Kind"), "separator\n");
}

TEST_F(Constraints, MembersOfOtherKindsFailWithTheirCodes) {
  Between<TPin>();
  EXPECT_EQ(Caught("Print Objects.Constraint(1).Kind; Objects.Constraint(1).Exponent"),
            "pin0\n0\n");
  EXPECT_EQ(Caught("Objects.Constraint(1).Exponent = 2"), "902\n");
  EXPECT_EQ(Caught("Print Objects.Constraint(1).K Is Nothing"), "903\n");
  EXPECT_EQ(Caught("Print Objects.Constraint(1).MotorType"), "901\n");
  EXPECT_EQ(Caught("Print Objects.Constraint(1).VertexCount"), "901\n");
  EXPECT_EQ(Caught("Print Objects.Constraint(1).ClosedSlot"), "903\n");
}

TEST_F(Constraints, DriveWordsAreMatchedWithoutCaseAndUnknownWordsChooseTheFirst) {
  TLPiston* piston = Between<TLPiston>();
  EXPECT_EQ(Run("Dim c As YBConstraint\nSet c = Objects.Constraint(1)\n"
                "c.ActuatorType = \"LENGTH\"\nPrint c.ActuatorType; \" \"; c.MotorType\n"
                "c.ActuatorType = \"lengthy\"\nPrint c.ActuatorType"),
            "length rotation\nforce\n");
  uint16_t drive = 9;
  piston->GetShortProperty(MakeTag("kres"), drive, nullptr);
  EXPECT_EQ(drive, 0);
}

TEST_F(Constraints, ACurvedSlotsSplinePointsAreEditedWithinTheirRangeAndReadBack) {
  TTable* table = Adopt(std::make_unique<TTable>());
  for (const TVector& p : {TVector(0, 0), TVector(1, 1), TVector(2, 0), TVector(3, 1)})
    table->AppendPoint(p);
  TCurvedSlot* slot = Adopt(std::make_unique<TCurvedSlot>());
  slot->SetPointTable(table);
  EXPECT_EQ(
      Run("Dim c As YBConstraint\nSet c = Objects.Constraint(1)\nDim x As Double, y As Double\n"
          "c.GetVertex 0, x, y\nPrint c.Kind; c.VertexCount; x; y\n"
          "c.AddVertex 6, 9, 9\nc.AddVertex 5, 4, 2\nc.GetVertex 5, x, y\nPrint c.VertexCount; x; "
          "y\n"
          "c.DeleteVertex 9\nc.DeleteVertex 1\nc.DeleteVertex 1\nc.DeleteVertex 1\nPrint "
          "c.VertexCount\n"
          "c.ClosedSlot = True\nPrint c.ClosedSlot;\nc.ClosedSlot = False\nPrint c.ClosedSlot"),
      "curvedslot400\n542\n3\nTrueFalse\n");
  EXPECT_EQ(slot->GetPointTable()->GetPoint(3), TVector(4, 2));
}

TEST_F(Constraints, TheCollectionLeavesTheWorldsFieldsOutAndNoConstraintOfTheUsers) {
  Adopt(std::make_unique<TFieldCnstr>());
  TLSpring* spring = Between<TLSpring>();
  TAPIConstraintCollection constraints(&callLog_, &World(), documentObject_);
  int32_t count = -1;
  constraints.Count(&count);
  EXPECT_EQ(count, 1);
  TAPIDispatcher* item = nullptr;
  constraints.Item(1, &item);
  EXPECT_EQ(item, ScriptObjectOf(spring));
  constraints.Item(2, &item);
  EXPECT_EQ(item, nullptr);
}

TEST_F(Constraints, AConstraintThatWentFailsInEveryMember) {
  TLSpring* spring = Between<TLSpring>();
  auto* object = static_cast<TAPIConstraint*>(ScriptObjectOf(spring));
  object->AddRef();
  World().RemoveObject(spring);
  Str63 kind;
  EXPECT_EQ(object->GetTypeName(kind).code, kAPINoTarget);
  bool on = false;
  EXPECT_EQ(object->GetAlwaysActive(on).code, kAPINoTarget);
  int16_t exponent = 0;
  EXPECT_EQ(object->GetExponent(exponent).code, kAPINoTarget);
  TAPICell* cell = nullptr;
  EXPECT_EQ(
      object->GetCell(TTwoPointConstraint::kClassID, MakeTag("a___"), kAPICannotGet, 11, &cell)
          .code,
      kAPICannotGet);
  EXPECT_EQ(object->SetFlag(TForce::kClassID, MakeTag("loCk"), true).code, kAPICannotSet);
  object->Release();
}

}  // namespace
