// Rectangles, polygons and curved polygons written into a drawing: closed POLYLINEs whose
// vertices are the outline's corners in world coordinates, read back as the writer's text.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <numbers>
#include <string>
#include <vector>

#include "bodies/CurvedPolygon.h"
#include "bodies/Polygon.h"
#include "bodies/Table.h"
#include "core/UnitHandler.h"
#include "exchange/dxf/DXFExporter.h"
#include "exchange/dxf/DXFWriter.h"
#include "tests/bodies/ShapeTestSupport.h"

namespace {

using namespace body_tags;

// Lengths as bare numbers with four decimals; rounding noise below them reads as 0.
class FixedUnits : public TUnitHandler {
 public:
  double GetDisplayFactor(int32_t) override { return 1.0; }
  void GetFormattedValue(int32_t, int16_t, int16_t, double value, Str255& out) override {
    if (std::fabs(value) < 5e-5) value = 0.0;
    char text[64];
    std::snprintf(text, sizeof text, "%.4f", value);
    out.Assign(text);
  }
};

std::string TextOf(TDXFWriter& writer) {
  Handle handle = writer.DetachHandle();
  std::string text(HandleData(handle), GetHandleByteSize(handle));
  FreeHandle(handle);
  return text;
}

// The closed POLYLINE a body writes round the world points, in their order.
std::string ClosedPolyline(const std::vector<std::pair<const char*, const char*>>& points) {
  std::string text = "0\r\nPOLYLINE\r\n8\r\nLAYER_1\r\n66\r\n1\r\n70\r\n1\r\n";
  for (const auto& [x, y] : points)
    text += std::string("0\r\nVERTEX\r\n8\r\nLAYER_1\r\n10\r\n") + x + "\r\n20\r\n" + y +
            "\r\n30\r\n0.0000\r\n";
  return text + "0\r\nSEQEND\r\n";
}

class DXFBodyEntitiesTest : public shape_test::ShapeFixture {
 protected:
  // The entities the body writes on the entities pass; the other passes write nothing.
  static std::string Entities(TDXFExportable& body) {
    FixedUnits units;
    TDXFWriter writer(&units, 1024);
    EXPECT_FALSE(body.ExportDXF(writer, 3));
    EXPECT_TRUE(body.ExportDXF(writer, 4));
    return TextOf(writer);
  }

  // A polygon of the kind through its table, its vertices where they were drawn.
  static std::unique_ptr<TPolygon> MakePolygon(TTable& table, const std::vector<TVector>& points,
                                               uint32_t tag) {
    table.Initialize();
    for (const TVector& p : points)
      table.AppendPoint(p);
    std::unique_ptr<TPolygon> body(static_cast<TPolygon*>(CreateObjectByTag(tag)));
    body->Initialize();
    body->SetCentroidValid(1);
    body->LinkVertexTable(&table);
    return body;
  }
};

TEST_F(DXFBodyEntitiesTest, ARotatedRectangleGoesRoundItsOwnCornersInWorldCoordinates) {
  auto rectangle = Rectangle(4.0, 2.0);
  rectangle->SetPlacement({1.0, 2.0, std::numbers::pi / 2});
  // Own-frame corners (-2, 1), (2, 1), (2, -1), (-2, -1) turned a quarter and moved to (1, 2).
  EXPECT_EQ(Entities(*rectangle), ClosedPolyline({{"0.0000", "0.0000"},
                                            {"0.0000", "4.0000"},
                                            {"2.0000", "4.0000"},
                                            {"2.0000", "0.0000"}}));
  EXPECT_TRUE(TDXFExporter::DrawsItself(*rectangle));
  EXPECT_TRUE(rectangle->SupportsExport(1712));
  EXPECT_TRUE(rectangle->SupportsExport(1719));
  EXPECT_FALSE(rectangle->SupportsExport(1713));
}

TEST_F(DXFBodyEntitiesTest, PolygonsWriteOneVertexPerVertexAndACurvedOneNotItsCurve) {
  const std::vector<TVector> triangle{{0, 0}, {3, 0}, {0, 3}};
  const std::string expected = ClosedPolyline({{"10.0000", "20.0000"},
                                               {"13.0000", "20.0000"},
                                               {"10.0000", "23.0000"}});
  TTable table;
  auto polygon = MakePolygon(table, triangle, kPolygonTag);
  polygon->SetPlacement({10.0, 20.0, 0.0});
  EXPECT_EQ(Entities(*polygon), expected);
  EXPECT_TRUE(TDXFExporter::DrawsItself(*polygon));

  TTable curveTable;
  auto curved = MakePolygon(curveTable, triangle, kCurvedPolygonTag);
  static_cast<TCurvPoly&>(*curved).SetFlagProperty(MakeTag("curv"), 1);
  ASSERT_GT(static_cast<TCurvPoly&>(*curved).GetCurvePoints()->GetCount(), 3);
  curved->SetPlacement({10.0, 20.0, 0.0});
  EXPECT_EQ(Entities(*curved), expected);
}

TEST_F(DXFBodyEntitiesTest, ObjectsThatDrawNothingAreLeftOutOfADrawing) {
  auto background = Make<TZeroMass>();
  EXPECT_FALSE(TDXFExporter::DrawsItself(*background));
  auto circle = Circle(0.5);
  EXPECT_TRUE(TDXFExporter::DrawsItself(*circle));
}

}  // namespace
