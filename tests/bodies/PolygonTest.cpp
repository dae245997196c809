// Polygon and curved polygon bodies through the class registry, the document filing, their
// tagged properties and commands, and the clipboard.

#include "bodies/Polygon.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>
#include <numbers>
#include <string>
#include <vector>

#include "bodies/BodyClasses.h"
#include "bodies/CurvedPolygon.h"
#include "core/ClassRegistry.h"
#include "core/ClipboardScrap.h"
#include "core/Failure.h"
#include "core/Handle.h"
#include "core/Resources.h"
#include "core/port/Port.h"
#include "model/Thing.h"
#include "model/filing/ObjectReader.h"
#include "model/filing/ObjectWriter.h"
#include "resources/ResourceLibraries.h"
#include "simulation/Engine.h"
#include "simulation/StopWhen.h"
#include "simulation/UnitHandler.h"
#include "tests/bodies/ShapeTestSupport.h"
#include "tests/support/MemoryCanvas.h"

namespace {

using Points = std::vector<TVector>;

const Points kSquare{{0, 0}, {2, 0}, {2, 2}, {0, 2}};
// An L of a 3 x 1 foot and a 1 x 2 upright: area 5, centroid (1.1, 1.1), and a polar moment
// about the centroid for unit density of 2.5 + 3 x 0.52 + 10 / 12 + 2 x 1.17.
const Points kL{{0, 0}, {3, 0}, {3, 1}, {1, 1}, {1, 3}, {0, 3}};
constexpr double kLMoment = 2.5 + 3 * 0.52 + 10.0 / 12.0 + 2 * 1.17;

// A polygon with its table, as a document holds them.
struct TShape {
  std::unique_ptr<TTable> table;
  std::unique_ptr<TPolygon> body;
};

class PolygonTest : public shape_test::BodyProgramTest {
 protected:

  static TShape MakeShape(const Points& vertices, uint32_t tag = kPolygonTag) {
    TShape shape;
    shape.table.reset(static_cast<TTable*>(CreateObjectByTag(kTableTag)));
    shape.table->Initialize();
    shape.table->SetIdentifier(2);
    for (const TVector& v : vertices)
      shape.table->AppendPoint(v);
    shape.body.reset(static_cast<TPolygon*>(CreateObjectByTag(tag)));
    shape.body->Initialize();
    shape.body->SetIdentifier(1);
    // A new shape: its vertices are where they were drawn, not yet about their centroid.
    shape.body->SetCentroidValid(1);
    shape.body->LinkVertexTable(shape.table.get());
    return shape;
  }

  static std::vector<uint8_t> Write(TPolygon& body) {
    const std::vector<TLink*> objects{&body};
    auto writer = WriteObjectsDefault(&objects, 1, nullptr, 2, nullptr);
    Handle handle = writer->TakeHandle();
    const auto* data = reinterpret_cast<const uint8_t*>(HandleData(handle));
    std::vector<uint8_t> bytes(data, data + GetHandleByteSize(handle));
    FreeHandle(handle);
    return bytes;
  }

  static TShape Read(const std::vector<uint8_t>& bytes) {
    auto reader = ReadObjects(bytes, 2, 1, nullptr, nullptr, nullptr, nullptr);
    reader->Complete(0);
    TShape shape;
    for (auto& object : reader->TakeObjects()) {
      if (object->IsMemberClass(TPolygon::kClassID))
        shape.body.reset(static_cast<TPolygon*>(object.release()));
      else if (object->IsMemberClass(TTable::kClassID))
        shape.table.reset(static_cast<TTable*>(object.release()));
    }
    return shape;
  }

  // The document with a block of the code and contents put right after the polygon's block
  // 1201 (codes and lengths of 4 bytes, big-endian).
  static std::vector<uint8_t> WithBlock(std::vector<uint8_t> bytes, int32_t code,
                                        const std::vector<uint8_t>& contents) {
    const uint8_t link[4] = {0, 0, 1201 >> 8, 1201 & 0xFF};
    const auto at = std::search(bytes.begin(), bytes.end(), link, link + 4);
    const auto afterLink = at + 8 + 4;  // code, length, the table's identifier
    const auto size = static_cast<uint32_t>(contents.size());
    std::vector<uint8_t> block{0,
                               0,
                               static_cast<uint8_t>(code >> 8),
                               static_cast<uint8_t>(code & 0xFF),
                               static_cast<uint8_t>(size >> 24),
                               static_cast<uint8_t>(size >> 16),
                               static_cast<uint8_t>(size >> 8),
                               static_cast<uint8_t>(size)};
    block.insert(block.end(), contents.begin(), contents.end());
    bytes.insert(afterLink, block.begin(), block.end());
    return bytes;
  }

  static std::vector<uint8_t> BigEndianDoubles(const std::vector<double>& values) {
    std::vector<uint8_t> out;
    for (double v : values) {
      uint64_t bits;
      std::memcpy(&bits, &v, 8);
      for (int shift = 56; shift >= 0; shift -= 8)
        out.push_back(static_cast<uint8_t>(bits >> shift));
    }
    return out;
  }

  static Points Vertices(TPolygon& body) {
    Points points;
    TVector v;
    for (int32_t i = 1; body.GetVertex(i, v); ++i)
      points.push_back(v);
    return points;
  }

  static double Real(TPolygon& body, uint32_t tag) {
    double value = -1.0;
    double lowest = 0.0;
    int32_t dimension = 0;
    uint16_t editable = 0;
    EXPECT_EQ(body.GetRealProperty(tag, value, lowest, dimension, editable), 1);
    return value;
  }

  static int16_t ErrorOf(const std::function<void()>& action) {
    try {
      action();
    } catch (const QVException& failure) {
      return failure.error();
    }
    return 1;
  }

  static void PutText(const std::string& text) {
    Handle handle = NewHandleFromBytes(text.c_str(), static_cast<uint32_t>(text.size() + 1));
    ASSERT_EQ(PutClipboardScrap(MakeTag("TEXT"), handle), 0);
    FreeHandle(handle);
  }
};

}  // namespace

TEST_F(PolygonTest, MassPropertiesFollowTheClosedFormsInEitherVertexOrder) {
  Points reversed(kL.rbegin(), kL.rend());
  for (const Points& vertices : {kL, reversed}) {
    TShape l = MakeShape(vertices);
    double area = 0.0;
    double moment = 0.0;
    TVector centroid;
    l.body->ComputeMassProperties(area, moment, centroid);
    EXPECT_NEAR(area, 5.0, 1e-12);
    EXPECT_NEAR(moment, kLMoment, 1e-12 * kLMoment);
    EXPECT_NEAR(centroid.x, 1.1, 1e-12);
    EXPECT_NEAR(centroid.y, 1.1, 1e-12);
    // The body: mass from the area at unit density, the moment of the flat plate (mode 2) and
    // twice and 0.8 times it in modes 3 and 4.
    EXPECT_NEAR(l.body->GetMass(), 5.0, 1e-12);
    EXPECT_NEAR(l.body->GetMoment(), kLMoment, 1e-12 * kLMoment);
    EXPECT_NEAR(l.body->MomentForMode3(), 2.0 * kLMoment, 1e-12 * kLMoment);
    EXPECT_NEAR(l.body->MomentForMode4(), 0.8 * kLMoment, 1e-12 * kLMoment);
  }
}

TEST_F(PolygonTest, ASquareIsReCentredOnItsCentroidAndBoundedByItsVertices) {
  TShape square = MakeShape(kSquare);
  square.body->SetCentroidValid(0);
  square.body->RecentreAndBound();
  EXPECT_EQ(Vertices(*square.body), (Points{{-1, -1}, {1, -1}, {1, 1}, {-1, 1}}));
  EXPECT_EQ(square.body->GetPositionValues(), TVector3(1, 1, 0));
  const TDoubleRect& b = square.body->LocalBounds();
  EXPECT_EQ(b.left, -1);
  EXPECT_EQ(b.top, 1);
  EXPECT_EQ(b.right, 1);
  EXPECT_EQ(b.bottom, -1);
  EXPECT_EQ(square.body->ExtentSquared(), 2.0);
  // Just outside an edge, within half a percent of the size, still hits; farther does not.
  EXPECT_TRUE(square.body->HitTestLocal(TVector(1.009, 0.3)));
  EXPECT_FALSE(square.body->HitTestLocal(TVector(1.011, 0.3)));
  EXPECT_TRUE(square.body->HitTestLocal(TVector(0.2, -0.7)));

  // An export asked for more vertices than there are gets those there are.
  Points exported;
  square.body->ExportVertices(
      10, [](const TVector& p, int32_t, void* list) { static_cast<Points*>(list)->push_back(p); },
      &exported);
  EXPECT_EQ(exported, Vertices(*square.body));

  // Fewer than three vertices: no library call, the stored values and no move.
  TShape two = MakeShape({{0, 0}, {2, 0}});
  two.body->SetCentroidValid(0);
  two.body->RecentreAndBound();
  EXPECT_EQ(two.body->GetPositionValues(), TVector3(0, 0, 0));
  EXPECT_FALSE(two.body->IsComplete());
}

TEST_F(PolygonTest, AShapeWithoutAreaIsFlaggedAndRefusedForARunButNotRaised) {
  TShape line = MakeShape({{0, 0}, {1, 0}, {2, 0}});
  double area = 0.0;
  double moment = 0.0;
  TVector centroid(9, 9);
  line.body->ComputeMassProperties(area, moment, centroid);
  EXPECT_TRUE(line.body->IsShapeInvalid());
  EXPECT_EQ(centroid, TVector(0, 0));
  EXPECT_EQ(line.body->CheckShapeForRun(1), TPolygon::kErrBadShape);
  TThing& thing = *line.body;
  EXPECT_EQ(static_cast<int16_t>(thing.GetShapeError(1)), TPolygon::kErrBadShape);

  // A last vertex equal to the first is dropped, and too few remain for a strict check.
  TShape closed = MakeShape({{0, 0}, {1, 0}, {0, 0}});
  EXPECT_EQ(ErrorOf([&] { closed.body->CheckBeforeRun(1); }), TPolygon::kErrTooFewVertices);
  EXPECT_EQ(closed.body->GetHotPointCount(), 2);
  // A single vertex is first and last at once, and stays.
  TShape single = MakeShape({{0, 0}});
  single.body->CheckBeforeRun(0);
  EXPECT_EQ(single.body->GetHotPointCount(), 1);
}

TEST_F(PolygonTest, APolygonAndItsTableReadBackByteForByte) {
  TShape l = MakeShape(kL);
  const std::vector<uint8_t> bytes = Write(*l.body);
  TShape read = Read(bytes);
  ASSERT_NE(read.body, nullptr);
  ASSERT_NE(read.table, nullptr);
  EXPECT_EQ(read.body->GetVertices(), read.table.get());
  EXPECT_EQ(Vertices(*read.body), Vertices(*l.body));
  EXPECT_EQ(Write(*read.body), bytes);
}

TEST_F(PolygonTest, OldDocumentBlocksAreReadIntoTheirPlaces) {
  // Stored as drawn, with the centroid taken as right: the vertices stay as they are.
  TShape square = MakeShape(kSquare);
  const std::vector<uint8_t> bytes = Write(*square.body);
  EXPECT_EQ(Vertices(*Read(bytes).body), kSquare);

  // An old centroid block asks for re-centring once the table is linked.
  TShape recentred = Read(WithBlock(bytes, TPolygon::kBlockLegacyCentroid, {0, 0, 0, 1}));
  ASSERT_NE(recentred.body, nullptr);
  EXPECT_EQ(Vertices(*recentred.body), (Points{{-1, -1}, {1, -1}, {1, 1}, {-1, 1}}));
  EXPECT_EQ(recentred.body->GetPositionValues(), TVector3(1, 1, 0));

  // An old position block: a position that is dropped, then the vector kept.
  TShape old = Read(
      WithBlock(bytes, TPolygon::kBlockLegacyPosition, BigEndianDoubles({5, 6, 0.5, 1.25, -2.5})));
  ASSERT_NE(old.body, nullptr);
  EXPECT_EQ(old.body->GetLegacyVector(), TVector(1.25, -2.5));
  EXPECT_EQ(old.body->GetPositionValues(), TVector3(0, 0, 0));
}

TEST_F(PolygonTest, VertexTagsReadAndSetInTheirFrames) {
  TShape square = MakeShape(kSquare);
  square.body->SetPlacement(TVector3(10, 20, 0));
  using namespace point_ref;
  EXPECT_EQ(Real(*square.body, Make(kWorld, 2, true)), 12.0);
  EXPECT_EQ(Real(*square.body, Make(kWorld, 2, false)), 20.0);
  EXPECT_EQ(Real(*square.body, Make(kLocal, 3, false)), 2.0);
  EXPECT_EQ(Real(*square.body, Make(kLocal, 9, true)), 0.0);  // no such vertex
  Str255 label;
  EXPECT_EQ(square.body->GetStringProperty(MakeTag("ppt2"), label, nullptr), 1);
  EXPECT_EQ(label, Str255("y"));
  TPositionField rotation;
  ASSERT_EQ(square.body->GetPropertyById(TPolygon::kPropertyRotation, rotation), 1);
  EXPECT_EQ(rotation.formula, square.body->Rotation());

  const double y = 22.5;
  square.body->SetRealProperty(Make(kWorld, 3, false), &y);
  EXPECT_EQ(square.body->GetVertices()->GetPoint(3), TVector(2, 2.5));
  EXPECT_EQ(square.body->GetVertexTag(), Make(kWorld, 3, false));
  // The area follows the moved vertex: a trapezoid of parallel sides 2 and 2.5.
  EXPECT_NEAR(square.body->GetArea(), 4.5, 1e-12);

  // A vertex coordinate is stored with the position values and the vertex table.
  std::vector<int16_t> blocks;
  uint16_t found = 0;
  auto note = [](int16_t code, void* list) {
    static_cast<std::vector<int16_t>*>(list)->push_back(code);
  };
  square.body->ReportPropertyBlocks(
      Make(kLocal, 1, true), found, note, [](void*) {}, &blocks, nullptr);
  EXPECT_EQ(found, 1);
  EXPECT_EQ(blocks,
            (std::vector<int16_t>{TMass::kBlockPositionValues, TPolygon::kBlockShapeTable}));

  // Insert duplicates the vertex, delete removes it; deleting below three is refused.
  EXPECT_EQ(square.body->HasAction(Make(kInsert, 4, false)), 1);
  EXPECT_EQ(square.body->HasAction(Make(kInsert, 5, false)), 0);
  square.body->DoAction(Make(kInsert, 2, false));
  ASSERT_EQ(square.body->GetHotPointCount(), 5);
  EXPECT_EQ(square.body->GetVertices()->GetPoint(3), TVector(2, 0));
  square.body->DoAction(Make(kDelete, 3, false));
  square.body->DoAction(Make(kDelete, 4, false));
  EXPECT_EQ(square.body->HasAction(Make(kDelete, 1, false)), 0);
  square.body->SelectHotPoint(1);
  EXPECT_EQ(square.body->HasSelectedVertex(), 0);  // the body itself is not selected
  square.body->SetDisplayFlags(1);
  EXPECT_EQ(square.body->HasSelectedVertex(), 1);
  EXPECT_EQ(ErrorOf([&] { square.body->DeleteSelectedHotPoint(); }), TPolygon::kErrTooFewVertices);
  EXPECT_EQ(square.body->GetHotPointCount(), 3);
}

TEST_F(PolygonTest, VerticesCopiedAsWorldTextPasteBackAndALongListIsRefusedWhole) {
  TShape square = MakeShape(kSquare);
  square.body->SetCentroidValid(0);
  square.body->RecentreAndBound();
  const Points before = Vertices(*square.body);
  ASSERT_EQ(square.body->GetVertexTag(), MakeTag("ppLV"));  // world coordinates
  square.body->DoAction(MakeTag("cpTb"));
  ASSERT_EQ(square.body->HasAction(MakeTag("paTb")), 1);
  square.body->DoAction(MakeTag("paTb"));
  EXPECT_EQ(Vertices(*square.body), before);
  EXPECT_EQ(square.body->GetPositionValues(), TVector3(1, 1, 0));

  std::string text;
  for (int i = 0; i < 3000; ++i)
    text += std::to_string(i) + "\t" + std::to_string(i % 7) + "\r\n";
  PutText(text);
  EXPECT_EQ(ErrorOf([&] { square.body->DoAction(MakeTag("paTb")); }),
            TPolygon::kErrTooManyVertices);
  EXPECT_EQ(Vertices(*square.body), before);
}

TEST_F(PolygonTest, SnappingPrefersTheNearestVertexThenAnEdgeMiddle) {
  TShape square = MakeShape(kSquare);
  TVector world;
  TVector local;
  int32_t kind = 0;
  int32_t index = 0;
  ASSERT_TRUE(square.body->FindSnapPoint(1.5, TVector(1.9, 0.6), world, local, kind, index));
  EXPECT_EQ(kind, TPolygon::kSnapVertex);
  EXPECT_EQ(index, 2);
  EXPECT_EQ(world, TVector(2, 0));
  // Near the middle of the closing edge from the last vertex back to the first.
  ASSERT_TRUE(square.body->FindSnapPoint(0.2, TVector(0.1, 1.1), world, local, kind, index));
  EXPECT_EQ(kind, TPolygon::kSnapEdgeMiddle);
  EXPECT_EQ(index, 4);
  EXPECT_EQ(local, TVector(0, 1));
  EXPECT_FALSE(square.body->FindSnapPoint(0.2, TVector(1, 1), world, local, kind, index));
}

TEST_F(PolygonTest, SnappingSeesTheSameHotPointsAndTheBodyCoversWhatIsInside) {
  TShape square = MakeShape(kSquare);
  TThing& thing = *square.body;
  TVector world;
  TVector own;
  int32_t kind = 0;
  int16_t index = 0;
  ASSERT_EQ(thing.FindHotPoint(0.2, TVector(0.1, 1.1), world, own, kind, index), 1);
  EXPECT_EQ(kind, TPolygon::kSnapEdgeMiddle);
  EXPECT_EQ(index, 4);
  EXPECT_EQ(own, TVector(0, 1));
  EXPECT_EQ(thing.FindHotPoint(0.2, TVector(1, 1), world, own, kind, index), 0);
  EXPECT_EQ(thing.IsHitTarget(), 1);
  EXPECT_EQ(thing.ContainsWorldPoint(TVector(1, 1)), 1);
  EXPECT_EQ(thing.ContainsWorldPoint(TVector(3, 1)), 0);
}

TEST_F(PolygonTest, ACornerResizeScalesAboutTheAnchorAndRefusesWhatCannotScale) {
  TShape square = MakeShape(kSquare);
  // A grab on the anchor ends silently and leaves no resize behind.
  EXPECT_EQ(ErrorOf([&] { square.body->BeginResize(TVector(0, 0), TVector(0, 0)); }), 0);
  EXPECT_FALSE(square.body->IsResizing());

  square.body->BeginResize(TVector(0, 0), TVector(2, 2));
  square.body->ResizeTo(TVector(4, 1), 0);
  square.body->EndResize();
  Points world = Vertices(*square.body);
  for (TVector& v : world)
    square.body->LocalToWorld(v);
  const Points expected{{0, 0}, {4, 0}, {4, 1}, {0, 1}};
  ASSERT_EQ(world.size(), expected.size());
  for (size_t i = 0; i < world.size(); ++i) {
    EXPECT_NEAR(world[i].x, expected[i].x, 1e-12);
    EXPECT_NEAR(world[i].y, expected[i].y, 1e-12);
  }

  // A grab level with the anchor cannot scale its height: the height stays, nothing is
  // infinite.
  TShape flat = MakeShape(kSquare);
  flat.body->BeginResize(TVector(0, 0), TVector(2, 0));
  flat.body->ResizeTo(TVector(3, 5), 0);
  flat.body->EndResize();
  flat.body->ComputeExtent();
  const TDoubleRect& b = flat.body->LocalBounds();
  EXPECT_DOUBLE_EQ(b.right - b.left, 3.0);
  EXPECT_DOUBLE_EQ(b.top - b.bottom, 2.0);
}

TEST_F(PolygonTest, ACurvedPolygonSamplesItsSplineAndFilesItsFlag) {
  for (const auto& [n, steps] : {std::pair{3, 10}, {50, 8}, {250, 2}}) {
    Points circle;
    for (int i = 0; i < n; ++i)
      circle.emplace_back(std::cos(2 * std::numbers::pi * i / n),
                          std::sin(2 * std::numbers::pi * i / n));
    TShape curve = MakeShape(circle, kCurvedPolygonTag);
    auto& body = static_cast<TCurvPoly&>(*curve.body);
    body.SetFlagProperty(MakeTag("curv"), 1);
    EXPECT_EQ(body.GetSteps(), steps) << n;
    EXPECT_EQ(body.GetCurvePoints()->GetCount(), n * steps) << n;
  }
  EXPECT_EQ(TCurvPoly::StepsFor(0), 10);

  TShape square = MakeShape(kSquare, kCurvedPolygonTag);
  auto& body = static_cast<TCurvPoly&>(*square.body);
  const double flatArea = body.GetArea();
  body.SetFlagProperty(MakeTag("curv"), 1);
  ASSERT_EQ(body.GetCurvePoints()->GetCount(), 40);
  // The curve bulges past the square's sides, so the body grows; every sample lies on the
  // vertices' side of the bounds that include the origin.
  EXPECT_GT(body.GetArea(), flatArea);
  EXPECT_LE(body.LocalBounds().left, 0.0);
  // In the hot-point frame a vertex is its length and polar angle, and so are its labels.
  Str255 label;
  ASSERT_EQ(body.GetStringProperty(MakeTag("ppp2"), label, nullptr), 1);
  EXPECT_EQ(label, Str255("\xD8"));

  using namespace point_ref;
  EXPECT_NEAR(Real(body, Make(kHotFrame, 3, true)), std::sqrt(8.0), 1e-12);
  EXPECT_NEAR(Real(body, Make(kHotFrame, 3, false)), std::numbers::pi / 4, 1e-12);

  // The flag is filed in block 1205 and the curve is made again when the document is read.
  const std::vector<uint8_t> bytes = Write(body);
  TShape read = Read(bytes);
  ASSERT_NE(read.body, nullptr);
  auto& again = static_cast<TCurvPoly&>(*read.body);
  EXPECT_TRUE(again.IsCurved());
  EXPECT_EQ(again.GetCurvePoints()->GetCount(), 40);
  EXPECT_EQ(Write(again), bytes);

  // Switched off, the vertices serve again.
  body.SetFlagProperty(MakeTag("curv"), 0);
  EXPECT_NEAR(body.GetArea(), flatArea, 1e-12);
}

// The outline drawn into a memory bitmap: a filled square, and a traced one whose closing edge
// is left out.
TEST_F(PolygonTest, TheOutlineIsDrawnFilledOrTracedWhereTheViewPutsIt) {
  InitDrawingPort();
  MemoryCanvas canvas(64, 48);
  SetPortDC(canvas.dc());
  SetPortForeColor(RGB16Color{0, 0, 0});
  // World (0, 0) at screen (20, 30), ten pixels a unit: the square covers h 20..40, v 10..30.
  const Transform2D view(10, 0, 20, -30, 0, 10);
  TShape filled = MakeShape(kSquare);
  filled.body->UpdateOutline(view);
  EXPECT_EQ(filled.body->GetOutline().box, MacRect(20, 10, 40, 30));
  EXPECT_TRUE(filled.body->IsEnclosedBy(MacRect(0, 0, 64, 48)));
  EXPECT_FALSE(filled.body->IsEnclosedBy(MacRect(25, 0, 64, 48)));
  filled.body->DrawShape(MacRect(0, 0, 64, 48), 0, 1, 0);
  const COLORREF white = RGB(255, 255, 255);
  EXPECT_NE(canvas.At(20, 20), white);  // the frame, all round
  EXPECT_NE(canvas.At(30, 10), white);
  EXPECT_EQ(canvas.At(45, 20), white);
  EXPECT_EQ(canvas.At(30, 35), white);

  MemoryCanvas traced(64, 48);
  SetPortDC(traced.dc());
  filled.body->DrawShape(MacRect(0, 0, 64, 48), 2, 1, 0);
  EXPECT_NE(traced.At(30, 30), white);  // the first edge, along the bottom
  EXPECT_NE(traced.At(40, 20), white);  // the right edge
  EXPECT_EQ(traced.At(20, 20), white);  // the closing edge is not drawn
  EXPECT_EQ(traced.At(30, 20), white);  // nor the inside

  // Vertex handles: the selected one inverted, the others framed.
  MemoryCanvas handles(64, 48);
  SetPortDC(handles.dc());
  filled.body->SelectHotPoint(3);
  filled.body->DrawVertexMark(1, 0, 0);
  filled.body->DrawVertexMark(3, 0, 0);
  EXPECT_NE(handles.At(17, 30), white);  // the frame round vertex 1 at (20, 30)
  EXPECT_EQ(handles.At(20, 30), white);
  EXPECT_NE(handles.At(40, 10), white);  // vertex 3 at (40, 10), inverted
  EXPECT_EQ(handles.At(30, 20), white);

  // A curve traced is framed whole.
  TShape curve = MakeShape(kSquare, kCurvedPolygonTag);
  curve.body->SetFlagProperty(MakeTag("curv"), 1);
  curve.body->UpdateOutline(view);
  MemoryCanvas round(64, 48);
  SetPortDC(round.dc());
  curve.body->DrawShape(MacRect(0, 0, 64, 48), 2, 1, 0);
  const MacRect box = curve.body->GetOutline().box;
  EXPECT_LT(box.left, 20);  // the curve bulges past the square's sides
  const int32_t middle = (box.top + box.bottom) / 2;
  EXPECT_NE(round.At(box.left, middle), white);
  EXPECT_NE(round.At(box.right, middle), white);
  SetPortDC(traced.dc());

  // Moving the body makes the outline again at the next update.
  filled.body->MoveBy(TVector(1, 0));
  filled.body->UpdateOutline(view);
  EXPECT_EQ(filled.body->GetOutline().box, MacRect(30, 10, 50, 30));
  SetPortDC(nullptr);
  FreeDrawingPort();
}
