// YBBody and YBCell: a body's kind, quantities as cells in display units, changes made as one
// undoable command each, and the outline of polygons.

#include <gtest/gtest.h>

#include "bodies/Background.h"
#include "bodies/BodyTags.h"
#include "bodies/CurvedPolygon.h"
#include "bodies/Polygon.h"
#include "bodies/Shapes.h"
#include "bodies/Table.h"
#include "model/Formula.h"
#include "scripting/objects/APIBody.h"
#include "scripting/objects/APICell.h"
#include "simulation/UnitHandler.h"
#include "tests/scripting/objects/ObjectScripts.h"

namespace {

using namespace body_tags;

class Bodies : public ObjectScripts {
 protected:
  static double Quantity(TLink* object, uint32_t tag) {
    return object->GetFormulaProperty(tag, nullptr, nullptr, nullptr, nullptr)->GetValue();
  }
  static std::string Text(TLink* object, uint32_t tag) {
    Str255 text;
    object->GetFormulaProperty(tag, nullptr, nullptr, nullptr, nullptr)->GetText(text);
    return text.Chars();
  }
  // A polygon of the vertices, in the world.
  template <class Kind = TPolygon>
  Kind* Polygon(std::initializer_list<TVector> vertices) {
    TTable* table = Adopt(std::make_unique<TTable>());
    for (const TVector& vertex : vertices)
      table->AppendPoint(vertex);
    Kind* polygon = Adopt(std::make_unique<Kind>());
    polygon->SetCentroidValid(1);
    polygon->LinkVertexTable(table);
    return polygon;
  }
};

TEST_F(Bodies, KindsNameTheShapeAndShapeMembersCheckTheReceiver) {
  Adopt(std::make_unique<TOval>());
  Adopt(std::make_unique<TRectangle>());
  EXPECT_EQ(Run("Dim b As YBBody\nSet b = Objects.Body(1)\nPrint b.Kind; Objects(1).Kind\n"
                "Print b.PX Is b.PX; Objects.Body(2).Kind; Objects.Body(2).Width Is Nothing"),
            "circlebody\nTruerectangleFalse\n");
  EXPECT_EQ(Caught("Print Objects.Body(2).Radius Is Nothing"), "999\n");
  EXPECT_EQ(Caught("Print Objects.Body(1).Height Is Nothing"), "999\n");
  EXPECT_EQ(Caught("Print Objects.Body(1).VertexCount"), "999\n");
}

TEST_F(Bodies, TheBackgroundIsAPlainBodyObject) {
  TZeroMass* background = Adopt(std::make_unique<TZeroMass>());
  auto* object = static_cast<TAPIBody*>(ScriptObjectOf(background));
  ASSERT_NE(object, nullptr);
  EXPECT_TRUE(object->HasTag(TAPIBody::kTag));
  Str63 kind;
  object->GetTypeName(kind);
  EXPECT_EQ(std::string(kind.Chars()), "background");
}

TEST_F(Bodies, ACellSetIsOneUndoableCommandAndReadsInDisplayUnits) {
  TOval* circle = Adopt(std::make_unique<TOval>());
  auto units = std::make_unique<TWorldUnitHandler>();
  units->SetUnit(kQuantityDistance, 2);  // centimetres
  Adopt(std::move(units));
  EXPECT_EQ(Run("Objects.Body(1).PX.Value = 250\nPrint Objects.Body(1).PX.Value"), "250\n");
  EXPECT_NEAR(Quantity(circle, kTagPosX), 2.5, 1e-12);
  TCommandCore* command = commands_->GetLastCommand();
  ASSERT_NE(command, nullptr);
  command->Undo();
  EXPECT_NEAR(Quantity(circle, kTagPosX), 0.0, 1e-12);
  command->Redo();
  EXPECT_NEAR(Quantity(circle, kTagPosX), 2.5, 1e-12);
}

TEST_F(Bodies, FormulasReplaceValuesAndTextsThatDoNotCompileChangeNothingAndFail) {
  TOval* circle = Adopt(std::make_unique<TOval>());
  EXPECT_EQ(Run("Dim c As YBCell\nSet c = Objects.Body(1).PY\nPrint c.Formula = \"\"\n"
                "c.Formula = \"2*3\"\nPrint c.Formula; c.Value\n"
                "On Error Resume Next\nc.Formula = \"2*(\"\nPrint Err.Number\n"
                "Print c.Formula; c.Value\nc.Value = 4\nPrint c.Formula = \"\"; c.Value"),
            "True\n2*36\n905\n2*36\nTrue4\n");
  EXPECT_EQ(Text(circle, kTagPosY), "4");
}

TEST_F(Bodies, CellsAndBodiesWhoseWorldObjectWentFailWithTheirCodes) {
  TOval* circle = Adopt(std::make_unique<TOval>());
  auto* body = static_cast<TAPICircle*>(ScriptObjectOf(circle));
  TAPICell* cell = nullptr;
  body->GetCell(kTagPosX, &cell);
  ASSERT_NE(cell, nullptr);
  body->AddRef();
  cell->AddRef();
  World().RemoveObject(circle);
  double value = 0.0;
  EXPECT_EQ(cell->GetValue(value).code, kAPINoTarget);
  TAPICell* none = nullptr;
  EXPECT_EQ(body->GetCell(kTagPosX, &none).code, kAPICannotGet);
  EXPECT_EQ(body->GetRadius(&none).code, kAPINoTarget);
  Str63 kind;
  EXPECT_EQ(body->GetTypeName(kind).code, kAPINoTarget);
  cell->Release();
  body->Release();
}

TEST_F(Bodies, VerticesAreAddedAndDeletedAsCommandsWithinTheOutline) {
  TPolygon* triangle = Polygon({{0, 0}, {1, 0}, {0, 1}});
  EXPECT_EQ(Run("Dim p As YBBody\nSet p = Objects.Body(1)\nDim x As Double, y As Double\n"
                "p.AddVertex 5, 9, 9\np.AddVertex 0, 9, 9\nPrint p.VertexCount\n"
                "p.AddVertex 4, 2, 3\np.GetVertex 4, x, y\nPrint p.VertexCount; x; y\n"
                "p.AddVertex 1, -1, -2\np.GetVertex 1, x, y\nPrint x; y\n"
                "p.GetVertex 2, x, y\nPrint x; y\np.GetVertex 9, x, y\nPrint x; y"),
            "3\n423\n-1-2\n00\n00\n");
  EXPECT_EQ(triangle->GetVertices()->GetCount(), 5);
  // One command added the new first vertex: undone, the outline is as it was before it.
  commands_->GetLastCommand()->Undo();
  ASSERT_EQ(triangle->GetVertices()->GetCount(), 4);
  EXPECT_EQ(triangle->GetVertices()->GetPoint(1).x, 0.0);
  EXPECT_EQ(triangle->GetVertices()->GetPoint(1).y, 0.0);
  commands_->GetLastCommand()->Redo();
  ASSERT_EQ(triangle->GetVertices()->GetCount(), 5);
  EXPECT_EQ(triangle->GetVertices()->GetPoint(1).x, -1.0);
  EXPECT_EQ(triangle->GetVertices()->GetPoint(1).y, -2.0);
  EXPECT_EQ(Run("Dim p As YBBody\nSet p = Objects.Body(1)\np.DeleteVertex 1\np.DeleteVertex 1\n"
                "p.DeleteVertex 1\nPrint p.VertexCount"),
            "3\n");
}

TEST_F(Bodies, ACurvedPolygonTakesAndGivesDistanceAndAngleConvertedOnce) {
  TCurvPoly* curved = Polygon<TCurvPoly>({{1, 0}, {0, 1}, {-1, 0}, {0, -1}});
  EXPECT_EQ(
      Run("Dim p As YBBody\nSet p = Objects.Body(1)\np.Curved = True\nDim x As Double, y As "
          "Double\n"
          "p.GetVertex 3, x, y\nPrint p.Curved; Format(x, \"0.000\"); \" \"; Format(y, \"0.000\")\n"
          "p.AddVertex 2, 2, 0.5\np.GetVertex 2, x, y\nPrint Format(x, \"0.000\"); \" \"; "
          "Format(y, \"0.000\")\n"
          "p.Curved = False\np.GetVertex 2, x, y\nPrint Format(x, \"0.000\"); \" \"; Format(y, "
          "\"0.000\")"),
      "True1.000 3.142\n2.000 0.500\n1.755 0.959\n");
  EXPECT_EQ(curved->GetVertices()->GetCount(), 5);
}

TEST_F(Bodies, AStraightPolygonIsNeverCurvedAndRefusesTheFlag) {
  Polygon({{0, 0}, {1, 0}, {0, 1}});
  EXPECT_EQ(Caught("Objects.Body(1).Curved = True\nPrint Objects.Body(1).Curved"), "False\n902\n");
  // Setting it straight is refused too: the body has no such property at all.
  EXPECT_EQ(Caught("Objects.Body(1).Curved = False"), "902\n");
}

TEST_F(Bodies, AnEmptyOutlineTakesNoVertex) {
  TPolygon* empty = Adopt(std::make_unique<TPolygon>());
  EXPECT_EQ(Run("Objects.Body(1).AddVertex 1, 2, 3\nPrint Objects.Body(1).VertexCount"), "0\n");
  EXPECT_TRUE(empty->GetVertices() == nullptr || empty->GetVertices()->GetCount() == 0);
}

}  // namespace
