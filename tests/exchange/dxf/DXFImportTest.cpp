// The DXF import: what each entity becomes in the text world, blocks placed by their inserts,
// the view, the failures, and a drawing written by a DXF library opened as a document and run.

#include "exchange/dxf/DXFImport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "bodies/Background.h"
#include "bodies/BodyClasses.h"
#include "bodies/Polygon.h"
#include "bodies/Shapes.h"
#include "bodies/Table.h"
#include "bodies/lines/Line.h"
#include "bodies/points/Point.h"
#include "core/Failure.h"
#include "model/world/Group.h"
#include "simulation/Engine.h"
#include "tests/support/WorldRun.h"

namespace {

constexpr const char* kPython = "/usr/bin/python3";

struct Imported {
  int16_t result = 0;  // ImportDXF's answer, or the error it raised
  std::string text;
  std::string passedOver;
};

Imported Import(const std::string& dxf, const DrawingProgress& progress = {}) {
  Imported imported;
  Handle handle = AllocHandle(0);
  const std::span<const uint8_t> bytes(reinterpret_cast<const uint8_t*>(dxf.data()), dxf.size());
  try {
    imported.result =
        ImportDXF(bytes, handle, 1.0, MacPoint(640, 480), progress, &imported.passedOver);
  } catch (const QVException& failure) {
    imported.result = failure.error();
  }
  imported.text.assign(HandleData(handle), GetHandleByteSize(handle));
  FreeHandle(handle);
  return imported;
}

// A drawing of the entities' groups, given as alternating codes and values.
std::string Drawing(const std::vector<std::string>& entities, const std::string& blocks = {}) {
  std::string text;
  const auto add = [&text](const std::vector<std::string>& groups) {
    for (const std::string& line : groups)
      text += line + "\r\n";
  };
  add({"0", "SECTION", "2", "HEADER", "9", "$ACADVER", "1", "AC1009", "0", "ENDSEC"});
  if (!blocks.empty()) text += "0\r\nSECTION\r\n2\r\nBLOCKS\r\n" + blocks + "0\r\nENDSEC\r\n";
  add({"0", "SECTION", "2", "ENTITIES"});
  add(entities);
  add({"0", "ENDSEC", "0", "EOF"});
  return text;
}

size_t Count(const std::string& text, const std::string& needle) {
  size_t n = 0;
  for (size_t at = text.find(needle); at != std::string::npos; at = text.find(needle, at + 1))
    ++n;
  return n;
}

// The vertices of the first shape list in the text.
std::vector<std::pair<double, double>> ShapeVertices(const std::string& text) {
  std::vector<std::pair<double, double>> vertices;
  const size_t at = text.find("1701; 2, ");
  if (at == std::string::npos) return vertices;
  std::istringstream in(text.substr(text.find('\n', at) + 1));
  std::string token;
  int n = 0;
  in >> token >> n;
  for (int i = 0; i < n; ++i) {
    double x = 0, y = 0;
    char comma = 0, semicolon = 0;
    in >> x >> comma >> y >> semicolon;
    vertices.emplace_back(x, y);
  }
  return vertices;
}

std::vector<std::string> Polyline(const std::vector<std::vector<double>>& vertices,
                                  int flags = 0) {
  std::vector<std::string> groups = {"0", "POLYLINE", "66", "1", "70", std::to_string(flags)};
  for (const auto& v : vertices) {
    groups.insert(groups.end(), {"0", "VERTEX", "10", std::to_string(v[0]), "20",
                                 std::to_string(v[1])});
    if (v.size() > 2) groups.insert(groups.end(), {"42", std::to_string(v[2])});
  }
  groups.insert(groups.end(), {"0", "SEQEND"});
  return groups;
}

class DXFImportTest : public ::testing::Test {
 protected:
  void SetUp() override { InitHandlePool(); }
  void TearDown() override { FreeHandlePool(); }
};

TEST_F(DXFImportTest, EntitiesBecomeLinesPointsAndCircles) {
  const Imported imported = Import(Drawing({"0", "LINE", "8", "0", "10", "1", "20", "2", "11", "1", "21", "2",
                                     "0", "LINE", "10", "1", "20", "2", "11", "3", "21", "4",
                                     "0", "POINT", "10", "7", "20", "8", "0", "CIRCLE", "10", "5",
                                     "20", "6", "40", "1.5", "0", "ARC", "10", "10", "20", "0",
                                     "40", "2", "50", "0", "51", "90", "0", "TEXT", "1", "hi"}));
  ASSERT_EQ(imported.result, 0);
  const std::string& text = imported.text;
  EXPECT_EQ(text.rfind("ZODA YB3X 4.0 \"\" \"Win\" \"\" \"\" \"\" \"\" \n1 \"    \"\n", 0), 0u);
  // A line of no length is a point where it starts.
  EXPECT_EQ(Count(text, "1500; 2, 4\n0 1 2 0\n5012; 2, 1\n2\n"), 1u);
  EXPECT_EQ(Count(text, "1500; 2, 4\n0 7 8 0\n"), 1u);
  EXPECT_EQ(Count(text, "5025; 2, 5\n1 2 3 4 1\n5004; 2, 3\n56683, 2242,1698\n5000; 2, 1\nLine"),
            1u);
  // A disc of mass 1 whose moment is its own.
  EXPECT_EQ(Count(text, "1202; 2, 2\n3 3\n1200; 2, 18\n5 6 0\n0 0 0\n1 1.125\n"), 1u);
  // A quarter circle in chords: 31 lines, from (12, 0) to (10, 2).
  EXPECT_EQ(Count(text, "5025; 2, 5\n"), 1u + 31u);
  EXPECT_EQ(Count(text, "5025; 2, 5\n12 0 "), 1u);
  EXPECT_EQ(Count(text, " 10 2 1\n"), 1u);
  // The view goes to the world before the list ends.
  EXPECT_EQ(Count(text, "\n10000 \"    \"\n/*  --- tagUIView ---  */\n5010; 2, 7\n"), 1u);
  EXPECT_TRUE(text.ends_with("\n-1\n\n\n-1")) << text.substr(text.size() - 40);
}

TEST_F(DXFImportTest, PolylinesBecomeClosedPolygonsLinesOrNothing) {
  const auto shape = [](const std::vector<std::string>& groups) {
    return Import(Drawing(groups));
  };
  // A closed square whose last vertex repeats the first: four vertices, in place.
  const Imported square = shape(Polyline({{0, 0}, {2, 0}, {2, 2}, {0, 2}, {0, 0}}, 1));
  ASSERT_EQ(square.result, 0);
  EXPECT_EQ(Count(square.text, "1701; 2, 10\n2, 4\n0, 0;\n2, 0;\n2, 2;\n0, 2;\n"), 1u);
  EXPECT_EQ(Count(square.text, "1201; 2, 1\n1\n1200; 2, 18\n0 0 0\n0 0 0\n1 0.666667\n"), 1u);
  EXPECT_EQ(Count(square.text, "5043; 2, 1\n1\n5000; 2, 1\nPolygon"), 1u);
  EXPECT_EQ(ShapeVertices(shape(Polyline({{0, 0}, {3, 0}, {0, 4}})).text).size(), 3u);
  const Imported two = shape(Polyline({{0, 0}, {3, 0}}));
  EXPECT_EQ(Count(two.text, "5025; 2, 5\n0 0 3 0 1\n"), 1u);
  EXPECT_EQ(Count(two.text, "1701"), 0u);
  EXPECT_EQ(shape(Polyline({{1, 1}})).result, kErrDrawingEmpty);
  EXPECT_EQ(shape(Polyline({{0, 0}, {3, 0}, {0, 4}}, 16)).result, kErrDrawingEmpty);
}

TEST_F(DXFImportTest, LightPolylinesAreOutlinesAndOtherKindsAreNamedWithTheirCounts) {
  // A closed square whose first side bows out below it (the bulge is its first vertex's), then a
  // line of two vertices; text, a spline and a 3D polyline are passed over and named.
  const Imported imported = Import(Drawing(
      {"0", "LWPOLYLINE", "90", "4", "70", "1", "10", "0", "20", "0", "42", "1", "10", "2", "20",
       "0", "10", "2", "20", "2", "10", "0", "20", "2", "0", "TEXT", "1", "a", "0", "LWPOLYLINE",
       "90", "2", "10", "5", "20", "5", "10", "6", "20", "5", "0", "SPLINE", "0", "TEXT", "1",
       "b"}));
  ASSERT_EQ(imported.result, 0);
  const auto vertices = ShapeVertices(imported.text);
  ASSERT_GT(vertices.size(), 30u);
  EXPECT_NEAR(std::min_element(vertices.begin(), vertices.end(),
                               [](auto& a, auto& b) { return a.second < b.second; })->second,
              -1.0, 1e-3);
  EXPECT_EQ(Count(imported.text, "5025; 2, 5\n5 5 6 5 1\n"), 1u);
  EXPECT_EQ(imported.passedOver, "2 TEXT, 1 SPLINE");
  EXPECT_EQ(Import(Drawing(Polyline({{0, 0}, {3, 0}, {0, 4}}, 16))).passedOver, "1 POLYLINE");
}

TEST_F(DXFImportTest, BulgesBecomeArcsOnTheirSide) {
  // Two half circles: a circle of radius 1 about (1, 0), whose first half runs below the chord.
  const Imported round = Import(Drawing(Polyline({{0, 0, 1}, {2, 0, 1}})));
  ASSERT_EQ(round.result, 0);
  const auto vertices = ShapeVertices(round.text);
  ASSERT_GT(vertices.size(), 100u);
  double lowest = 0;
  for (const auto& [x, y] : vertices) {
    EXPECT_NEAR(std::hypot(x - 1, y), 1.0, 1e-5);
    lowest = std::min(lowest, y);
  }
  EXPECT_NEAR(vertices[vertices.size() / 4].second, -1.0, 1e-2);
  EXPECT_NEAR(lowest, -1.0, 1e-3);
  // A flat bulge (a quarter of the circle's turn) leaves its arc above a chord run leftward.
  const auto shallow = ShapeVertices(Import(Drawing(Polyline({{2, 0, 0.5}, {0, 0}, {1, -3}}))).text);
  ASSERT_GT(shallow.size(), 3u);
  const double sagitta = 0.5 * 2 / 2;
  double highest = 0;
  for (const auto& [x, y] : shallow)
    highest = std::max(highest, y);
  EXPECT_NEAR(highest, sagitta, 1e-3);
}

TEST_F(DXFImportTest, InsertsPlaceTheirBlockAndABlockInsideItselfIsRefused) {
  const std::string blocks =
      "0\r\nBLOCK\r\n8\r\n0\r\n2\r\nB\r\n70\r\n0\r\n10\r\n1\r\n20\r\n0\r\n"
      "0\r\nLINE\r\n10\r\n1\r\n20\r\n0\r\n11\r\n2\r\n21\r\n0\r\n0\r\nENDBLK\r\n"
      "0\r\nBLOCK\r\n2\r\nS\r\n0\r\nPOINT\r\n10\r\n0\r\n20\r\n0\r\n"
      "0\r\nINSERT\r\n2\r\nS\r\n10\r\n1\r\n20\r\n0\r\n0\r\nENDBLK\r\n";
  const Imported placed =
      Import(Drawing({"0", "INSERT", "2", "B", "10", "10", "20", "10", "0", "INSERT", "2", "B",
                      "10", "20", "20", "0", "41", "2", "42", "2", "50", "90", "0", "INSERT",
                      "2", "nothing", "10", "1", "20", "1"},
                     blocks));
  ASSERT_EQ(placed.result, 0);
  EXPECT_EQ(Count(placed.text, "5025; 2, 5\n"), 2u);
  EXPECT_EQ(Count(placed.text, "5025; 2, 5\n10 10 11 10 1\n"), 1u);
  const size_t turned = placed.text.find("5025; 2, 5\n20 ");
  ASSERT_NE(turned, std::string::npos);
  double x1, y1, x2, y2;
  ASSERT_EQ(std::sscanf(placed.text.c_str() + turned + 11, "%lf %lf %lf %lf", &x1, &y1, &x2, &y2),
            4);
  EXPECT_NEAR(y1, 0, 1e-12);
  EXPECT_NEAR(x2, 20, 1e-12);
  EXPECT_NEAR(y2, 2, 1e-12);

  // A block that inserts itself is refused.
  const Imported nested = Import(Drawing({"0", "INSERT", "2", "S"}, blocks));
  EXPECT_EQ(nested.result, kErrDrawingMalformed);
  EXPECT_TRUE(nested.text.empty());
}

TEST_F(DXFImportTest, TheViewFramesTheDrawingAndOnePlaceStillGetsOne) {
  const Imported line =
      Import(Drawing({"0", "LINE", "10", "0", "20", "0", "11", "10", "21", "5"}));
  ASSERT_EQ(line.result, 0);
  EXPECT_EQ(Count(line.text, "0; \"Home\"; 0; 53.3333, 53.3333, -373.333, 0;\n"), 1u);
  // Wider than tall, yet the window's height is what limits it: the smaller scale.
  const Imported steep =
      Import(Drawing({"0", "LINE", "10", "0", "20", "0", "11", "10", "21", "9"}));
  EXPECT_EQ(Count(steep.text, "0; \"Home\"; 0; 44.4444, 97.7778, -440, 0;\n"), 1u);
  const Imported points = Import(Drawing({"0", "POINT", "10", "3", "20", "4"}));
  ASSERT_EQ(points.result, 0);
  EXPECT_EQ(Count(points.text, "5010; 2, 7\n"), 1u);
}

TEST_F(DXFImportTest, BadDrawingsFailWithTheirOwnErrorsAndLeaveNoText) {
  const Imported noY =
      Import(Drawing({"0", "CIRCLE", "10", "5", "40", "1", "20", "6"}));
  EXPECT_EQ(noY.result, kErrDrawingMalformed);
  EXPECT_TRUE(noY.text.empty());
  EXPECT_EQ(Import(Drawing({"0", "POINT", "10", "nan", "20", "1"})).result, kErrDrawingMalformed);
  const std::string whole = Drawing({"0", "LINE", "10", "0", "20", "0", "11", "1", "21", "1"});
  EXPECT_EQ(Import(whole.substr(0, whole.find("11\r\n"))).result, -39);
  const Imported words = Import(Drawing({"0", "TEXT", "1", "hello"}));
  EXPECT_EQ(words.result, kErrDrawingEmpty);
  EXPECT_TRUE(words.text.empty());
  int reports = 0;
  const Imported cancelled = Import(whole, [&reports](bool& cancel, int32_t, double fraction) {
    EXPECT_GE(fraction, 0.0);
    EXPECT_LE(fraction, 1.0);
    cancel = ++reports == 5;
  });
  EXPECT_EQ(cancelled.result, kErrImportCancelled);
  EXPECT_TRUE(cancelled.text.empty());
}

TEST_F(DXFImportTest, IdentifiersPassTheWorldsAndEndAtTheLastAnObjectCanHave) {
  std::string entities;
  for (int i = 0; i < 10001; ++i)
    entities += "0\r\nPOINT\r\n10\r\n" + std::to_string(i) + "\r\n20\r\n0\r\n";
  const std::string head = "0\r\nSECTION\r\n2\r\nENTITIES\r\n";
  const Imported many = Import(head + entities + "0\r\nEOF\r\n");
  ASSERT_EQ(many.result, 0);
  EXPECT_EQ(Count(many.text, "\n10000 \"    \""), 1u);
  EXPECT_EQ(Count(many.text, "\n10002 \"    \"\n1500; 2, 4\n0 10000 "), 1u);
  // 32766 identifiers are free below the last; one object more is too many.
  std::string most;
  for (int i = 0; i < 32767; ++i)
    most += "0\r\nPOINT\r\n10\r\n1\r\n20\r\n0\r\n";
  EXPECT_EQ(Import(head + most + "0\r\nEOF\r\n").result, kErrDrawingMalformed);
}

// ---- A drawing of a DXF library, opened as a document and run ------------------------------

class DXFDocumentTest : public world_run::WorldRunTest {
 protected:
  DXFDocumentTest()
      : WorldRunTest("dxf-import-test.dll", {{kBlockCircleSize, TOval::kTag},
                                             {TTable::kBlockContents, kTableTag},
                                             {TPolygon::kBlockVertexTable, kPolygonTag},
                                             {TPoint::kBlockSolverRecord, kPointTag},
                                             {TLine::kBlockLine, kLineTag},
                                             {kBlockBackground, TZeroMass::kTag},
                                             {kBlockGroup, TGroup::kTag},
                                             {kBlockRunSettings, kEngineTag}}) {}
  void RegisterClasses() override { RegisterBodyClasses(); }
  void FreeClasses() override { FreeBodyClasses(); }
  void TearDown() override {
    RemoveDrawingImport();
    WorldRunTest::TearDown();
  }
};

TEST_F(DXFDocumentTest, ADrawingOpensAsAWorldThatRuns) {
  if (!std::filesystem::exists(kPython)) GTEST_SKIP() << "no DXF library";
  const std::string drawing = path.string() + ".DXF";
  const std::string script =
      std::string(kPython) +
      " -c \"import ezdxf,sys\n"
      "d = ezdxf.new('R2000')\n"
      "b = d.blocks.new('PEG', base_point=(1, 0))\n"
      "b.add_line((1, 0), (2, 0))\n"
      "b.add_circle((1, 0), 0.5)\n"
      "m = d.modelspace()\n"
      "m.add_line((0, 0), (4, 0))\n"
      "m.add_arc((10, 0), 2, 0, 90)\n"
      "m.add_circle((5, 5), 1)\n"
      "m.add_point((7, 7))\n"
      "m.add_polyline2d([(0, 10, 0), (4, 10, 1), (4, 12, 0), (0, 12, 0)], format='xyb', "
      "close=True)\n"
      "m.add_blockref('PEG', (20, 0))\n"
      "m.add_blockref('PEG', (30, 0), dxfattribs={'rotation': 90, 'xscale': 2, 'yscale': 2})\n"
      "d.saveas(sys.argv[1])\" '" +
      drawing + "'";
  ASSERT_EQ(std::system(script.c_str()), 0);
  InstallDrawingImport();
  TQVDoc document;
  Add<TEngine>(document.World(), 30000);
  Add<TZeroMass>(document.World(), 0);
  try {
    document.ReadDocument(drawing);
  } catch (const QVException& failure) {
    FAIL() << "the drawing was not read: " << failure.error();
  }
  std::filesystem::remove(drawing);
  EXPECT_TRUE(document.Path().empty());

  TWorldDoc& world = document.World();
  std::vector<TLine*> lines;
  std::vector<TOval*> circles;
  std::vector<TPolygon*> polygons;
  std::vector<TPoint*> points;
  for (TLink* object : world.Linked()) {
    if (auto* line = dynamic_cast<TLine*>(object)) lines.push_back(line);
    if (auto* circle = dynamic_cast<TOval*>(object)) circles.push_back(circle);
    if (auto* polygon = dynamic_cast<TPolygon*>(object)) polygons.push_back(polygon);
    if (auto* point = dynamic_cast<TPoint*>(object)) points.push_back(point);
  }
  EXPECT_EQ(lines.size(), 1u + 31u + 2u);
  ASSERT_EQ(circles.size(), 3u);
  ASSERT_EQ(polygons.size(), 1u);
  ASSERT_EQ(points.size(), 1u);
  EXPECT_NEAR(points[0]->GetWorldXY().x, 7.0, 1e-12);
  EXPECT_NEAR(points[0]->GetWorldXY().y, 7.0, 1e-12);
  // The block's circle sits on the insertion point each time, twice as large when scaled.
  std::vector<std::vector<double>> found;
  for (TOval* circle : circles) {
    const TVector3 at = circle->GetPositionValues();
    found.push_back({at.x, at.y, circle->GetSize().x});
  }
  std::sort(found.begin(), found.end());
  const std::vector<std::vector<double>> drawn = {{5, 5, 2}, {20, 0, 1}, {30, 0, 2}};
  for (size_t i = 0; i < drawn.size(); ++i)
    for (size_t k = 0; k < 3; ++k)
      EXPECT_NEAR(found[i][k], drawn[i][k], 1e-12) << i << " " << k;
  // The bulged side bows out to x = 5; the polygon holds the arc's chords.
  ASSERT_NE(polygons[0]->GetVertexTable(), nullptr);
  EXPECT_GT(polygons[0]->GetVertexTable()->GetCount(), 30);

  // Nothing pushes the bodies: they stay where they were drawn.
  const TVector3 before = circles[0]->GetPositionValues();
  constexpr int16_t kFrames = 3;
  world.RunToFrame(kFrames, nullptr);
  ASSERT_EQ(world.GetStore()->FrameCount(), kFrames + 1);
  world.ShowFrame(kFrames, 1);
  const TVector3 after = circles[0]->GetPositionValues();
  EXPECT_NEAR(after.x, before.x, 1e-12);
  EXPECT_NEAR(after.y, before.y, 1e-12);
}

}  // namespace

namespace {

std::string FileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

TOval* OnlyCircle(TWorldDoc& world) {
  for (TLink* object : world.Linked())
    if (auto* circle = dynamic_cast<TOval*>(object)) return circle;
  return nullptr;
}

}  // namespace

// A drawn circle's moment follows its shape; saving, reopening and saving again keeps that,
// and the two saves are the same bytes.
TEST_F(DXFDocumentTest, ACircleKeepsItsShapeMomentThroughSaveAndReopen) {
  const std::string drawing = path.string() + ".DXF";
  const std::string first = path.string() + "-first.yb";
  const std::string second = path.string() + "-second.yb";
  {
    std::ofstream out(drawing, std::ios::binary);
    out << Drawing({"0", "CIRCLE", "10", "5", "20", "6", "40", "1.5"});
  }
  InstallDrawingImport();
  const auto open = [](TQVDoc& document, const std::string& file) {
    Add<TEngine>(document.World(), 30000);
    Add<TZeroMass>(document.World(), 0);
    document.ReadDocument(file);
  };
  TQVDoc imported;
  open(imported, drawing);
  std::filesystem::remove(drawing);
  TOval* drawn = OnlyCircle(imported.World());
  ASSERT_NE(drawn, nullptr);
  ASSERT_DOUBLE_EQ(drawn->GetSize().x, 3.0);
  const int16_t drawnMode = drawn->GetMomentMode();
  EXPECT_NE(drawnMode, kMomentGiven);
  imported.WriteDocument(first);

  TQVDoc reopened;
  open(reopened, first);
  TOval* circle = OnlyCircle(reopened.World());
  ASSERT_NE(circle, nullptr);
  EXPECT_EQ(circle->GetMomentMode(), drawnMode);
  EXPECT_NEAR(circle->GetMoment(), drawn->GetMoment(), 1e-12);
  reopened.WriteDocument(second);
  EXPECT_EQ(FileBytes(second), FileBytes(first));

  // The moment is still the disc's own: half the mass times the radius squared.
  const double radius = circle->GetSize().x / 2.0;
  EXPECT_NEAR(circle->GetMoment(), circle->GetMass() * radius * radius / 2.0, 1e-12);
  std::filesystem::remove(first);
  std::filesystem::remove(second);
}
