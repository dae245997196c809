// YBPoint: kinds, coordinates as cells and in the world frame, the body a point is fixed on, and
// the world's point collection.

#include <gtest/gtest.h>

#include "bodies/Shapes.h"
#include "bodies/points/Point.h"
#include "model/Formula.h"
#include "scripting/objects/APIPoint.h"
#include "tests/scripting/objects/ObjectScripts.h"

namespace {

using Points = ObjectScripts;

double Local(TPoint* point, uint32_t tag) {
  return point->GetFormulaProperty(tag, nullptr, nullptr, nullptr, nullptr)->GetValue();
}

TEST_F(Points, GlobalPositionOnATurnedBodyIsKeptInTheBodysFrame) {
  Adopt(std::make_unique<TRectangle>());
  TPoint* point = Adopt(std::make_unique<TPoint>());
  EXPECT_EQ(
      Run("Dim b As YBBody\nSet b = Objects.Body(1)\nb.PX.Value = 1\nb.PR.Value = 2 * Atn(1)\n"
          "Dim p As YBPoint\nSet p = Objects.Point(1)\nSet p.Body = b\nPrint p.Body Is b; p.Kind\n"
          "p.GlobalPX = 4\np.GlobalPY = 3\n"
          "Print Format(p.GlobalPX, \"0.000\"); \" \"; Format(p.GlobalPY, \"0.000\")"),
      "Truepoint\n4.000 3.000\n");
  // Turned a quarter turn about (1, 0): the world offset (3, 3) is (3, -3) in the body's frame.
  EXPECT_NEAR(Local(point, kTagLocalX), 3.0, 1e-9);
  EXPECT_NEAR(Local(point, kTagLocalY), -3.0, 1e-9);
  // Each move is one undoable step: undone, the point is back where the first move left it.
  commands_->GetLastCommand()->Undo();
  EXPECT_NEAR(point->GetWorldPosition().x, 4.0, 1e-9);
  EXPECT_NEAR(point->GetWorldPosition().y, 0.0, 1e-9);
  commands_->GetLastCommand()->Redo();
  EXPECT_NEAR(point->GetWorldPosition().y, 3.0, 1e-9);
}

TEST_F(Points, AFormulaCoordinateRefusesAGlobalMoveWithoutAnError) {
  TPoint* point = Adopt(std::make_unique<TPoint>());
  EXPECT_EQ(Caught("Dim p As YBPoint\nSet p = Objects.Point(1)\np.PY.Formula = \"1+1\"\n"
                   "p.GlobalPX = 7\np.GlobalPR = 0.5\nPrint p.GlobalPX; p.PY.Value; p.GlobalPR"),
            "020.5\n0\n");
  EXPECT_EQ(Local(point, kTagLocalX), 0.0);
}

TEST_F(Points, AnAnchorIsAnAnchorAndTheCollectionLeavesOnlyTheWorldsOwnPointOut) {
  TAnchor* anchor = Adopt(std::make_unique<TAnchor>());
  auto* object = static_cast<TAPIPoint*>(ScriptObjectOf(anchor));
  Str63 kind;
  object->GetTypeName(kind);
  EXPECT_EQ(std::string(kind.Chars()), "anchor");
  TAPIPointCollection points(&callLog_, &World(), documentObject_);
  int32_t count = -1;
  points.Count(&count);
  EXPECT_EQ(count, 1);
  Adopt(std::make_unique<TPoint>())->SetIdentifier(10012);
  Adopt(std::make_unique<TPoint>());
  points.Count(&count);
  EXPECT_EQ(count, 2);
  TAPIDispatcher* item = nullptr;
  points.Item(1, &item);
  EXPECT_EQ(item, object);
  points.Item(2, &item);
  EXPECT_NE(item, nullptr);
  points.Item(3, &item);
  EXPECT_EQ(item, nullptr);
}

// A point reads as "squarepoint" while it draws square, the picture of a weld, else "point".
TEST_F(Points, AWeldsPointIsASquarePoint) {
  TPoint* point = Adopt(std::make_unique<TPoint>());
  auto* object = static_cast<TAPIPoint*>(ScriptObjectOf(point));
  Str63 kind;
  object->GetTypeName(kind);
  EXPECT_EQ(std::string(kind.Chars()), "point");
  point->SetLocked(1);
  object->GetTypeName(kind);
  EXPECT_EQ(std::string(kind.Chars()), "squarepoint");
}

TEST_F(Points, APointThatWentFailsInEveryMemberWithCode1) {
  TPoint* point = Adopt(std::make_unique<TPoint>());
  auto* object = static_cast<TAPIPoint*>(ScriptObjectOf(point));
  object->AddRef();
  World().RemoveObject(point);
  Str63 kind;
  EXPECT_EQ(object->GetTypeName(kind).code, kAPINoTarget);
  EXPECT_EQ(std::string(kind.Chars()), "undefined");
  double value = 0.0;
  EXPECT_EQ(object->GetGlobal(0, value).code, kAPINoTarget);
  EXPECT_EQ(object->SetGlobal(1, 2.0).code, kAPINoTarget);
  TAPIDispatcher* body = nullptr;
  EXPECT_EQ(object->GetBody(&body).code, kAPINoTarget);
  TAPICell* cell = nullptr;
  EXPECT_EQ(object->GetCell(kTagLocalX, &cell).code, kAPINoTarget);
  object->Release();
}

TEST_F(Points, ABodyOfAnotherWorldIsNotTaken) {
  TPoint* point = Adopt(std::make_unique<TPoint>());
  TQVDoc other;
  auto* elsewhere = new TOval;
  elsewhere->Initialize();
  other.World().AdoptObject(std::unique_ptr<TLink>(elsewhere));
  auto* body = static_cast<TAPIDispatcher*>(elsewhere->GetAPIObject(documentObject_));
  auto* object = static_cast<TAPIPoint*>(ScriptObjectOf(point));
  EXPECT_EQ(object->SetBody(body).code, 0);
  EXPECT_EQ(point->GetBody(), nullptr);
  other.World().RemoveObject(elsewhere);
}

}  // namespace
