// Details of bodies, lines and the background seen from outside: outline tracking switching the
// world's tracking on, bounds following a scrolled view, hits on polygons and lines, shapes read
// from their size blocks and the end-circle snapping points of a tall rectangle.

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "bodies/Background.h"
#include "bodies/Body.h"
#include "bodies/CurvedPolygon.h"
#include "bodies/Polygon.h"
#include "bodies/Table.h"
#include "bodies/lines/Line.h"
#include "model/world/WorldDoc.h"
#include "tests/bodies/ShapeTestSupport.h"

namespace shape_test {
namespace {

class BodyDetailsTest : public ShapeFixture {
 protected:
  void SetUp() override {
    ShapeFixture::SetUp();
    world = std::make_unique<TWorldDoc>();
  }
  void TearDown() override {
    world.reset();
    ShapeFixture::TearDown();
  }

  // An object of the tag made through the registry, numbered and adopted by the world.
  template <class T>
  T* Add(uint32_t tag, int16_t identifier) {
    std::unique_ptr<TLink> made(static_cast<TLink*>(CreateObjectByTag(tag)));
    made->Initialize();
    made->SetIdentifier(identifier);
    T* object = static_cast<T*>(made.get());
    world->AdoptObject(std::move(made));
    return object;
  }

  std::unique_ptr<TWorldDoc> world;
};

// A polygon over its own vertex table, the vertices kept where they are given.
struct TShapeWithTable {
  std::unique_ptr<TTable> table;
  std::unique_ptr<TPolygon> body;
};

TShapeWithTable MakePolygon(const std::vector<TVector>& vertices, uint32_t tag) {
  TShapeWithTable shape;
  shape.table.reset(static_cast<TTable*>(CreateObjectByTag(kTableTag)));
  shape.table->Initialize();
  shape.table->SetIdentifier(2);
  for (const TVector& v : vertices)
    shape.table->AppendPoint(v);
  shape.body.reset(static_cast<TPolygon*>(CreateObjectByTag(tag)));
  shape.body->Initialize();
  shape.body->SetIdentifier(1);
  shape.body->SetCentroidValid(1);
  shape.body->LinkVertexTable(shape.table.get());
  return shape;
}

// Counts the change notices an object sends to the objects linked to it.
class TNoticeCounter : public TLink {
 public:
  int notices = 0;
  void LinkedChanged(TLink&, uint16_t) override { ++notices; }
};

TEST_F(BodyDetailsTest, TrackingABodysOutlineSwitchesTheWorldsTrackingOnAndLeavesItsKindAlone) {
  auto* body = Add<TMass>(kMassTag, 5);
  ASSERT_EQ(world->GetTrackingWord(), 0);
  body->SetFlagProperty(kTagTrackOutline, 0);
  EXPECT_EQ(world->GetTrackingWord(), 0);
  body->SetFlagProperty(kTagTrackOutline, 1);
  EXPECT_EQ(world->GetTrackingWord(), 4);
  uint16_t tracked = 0;
  ASSERT_TRUE(body->GetFlagProperty(kTagTrackOutline, tracked, nullptr));
  EXPECT_EQ(tracked, 1);

  // A tracking the world already has is kept.
  world->SetTrackingWord(2);
  body->SetFlagProperty(kTagTrackOutline, 0);
  body->SetFlagProperty(kTagTrackOutline, 1);
  EXPECT_EQ(world->GetTrackingWord(), 2);
}

TEST_F(BodyDetailsTest, TheBackgroundsBoundsFollowAViewScrolledAlongOneAxis) {
  auto background = Make<TZeroMass>();
  background->SetViewSize(MacPoint(200, 100));
  const auto boundsFor = [&](int16_t h, int16_t v) {
    background->InvalidateScreenCache();
    // The world origin at screen point (h, v), one pixel a unit.
    background->ValidateScreenTransform(Transform2D(1.0, 0.0, h, -v, 0.0, 1.0));
    return background->LocalBounds();
  };
  boundsFor(100, 50);
  const TDoubleRect across = boundsFor(130, 50);
  EXPECT_EQ(across.left, -130.0);
  EXPECT_EQ(across.right, 70.0);
  EXPECT_EQ(across.top, 50.0);
  EXPECT_EQ(across.bottom, -50.0);
  const TDoubleRect down = boundsFor(130, 80);
  EXPECT_EQ(down.left, -130.0);
  EXPECT_EQ(down.top, 80.0);
  EXPECT_EQ(down.bottom, -20.0);
}

TEST_F(BodyDetailsTest, PolygonsAreHitInsideAndWithinAToleranceProportionalToTheirSize) {
  // A straight-sided curved polygon is hit where its vertices enclose, not where its curve would.
  const std::vector<TVector> square{{0, 0}, {2, 0}, {2, 2}, {0, 2}};
  TShapeWithTable curved = MakePolygon(square, kCurvedPolygonTag);
  auto& curve = static_cast<TCurvPoly&>(*curved.body);
  EXPECT_TRUE(curve.HitTestLocal({1.0, 1.0}));
  EXPECT_TRUE(curve.HitTestLocal({0.2, 1.7}));
  EXPECT_TRUE(curve.HitTestLocal({1.0, -0.01}));  // within the sides' tolerance
  EXPECT_FALSE(curve.HitTestLocal({1.0, -0.1}));
  curve.SetFlagProperty(MakeTag("curv"), 1);
  EXPECT_TRUE(curve.HitTestLocal({1.0, 1.0}));
  EXPECT_TRUE(curve.HitTestLocal({1.0, -0.1}));  // the curve bulges past the side
  curve.SetFlagProperty(MakeTag("curv"), 0);
  EXPECT_TRUE(curve.HitTestLocal({1.0, 1.0}));
  EXPECT_FALSE(curve.HitTestLocal({1.0, -0.1}));

  // Near the slanted side of a right triangle a click hits within a hundredth of the size.
  for (const double s : {1.0, 100.0}) {
    TShapeWithTable triangle = MakePolygon({{-s, -s}, {s, -s}, {-s, s}}, kPolygonTag);
    TPolygon& body = *triangle.body;
    EXPECT_TRUE(body.HitTestLocal({-0.5 * s, -0.5 * s})) << s;
    EXPECT_TRUE(body.HitTestLocal({0.004 * s, 0.004 * s})) << s;
    EXPECT_FALSE(body.HitTestLocal({0.006 * s, 0.006 * s})) << s;
    // Beyond a vertex along the side's own line.
    EXPECT_TRUE(body.HitTestLocal({s + 0.008 * s, -s - 0.008 * s})) << s;
    EXPECT_FALSE(body.HitTestLocal({s + 0.012 * s, -s - 0.012 * s})) << s;
  }
}

// A world read from a document without a line handler gets one, once, when a line asks for it;
// one that has a handler keeps it.
TEST_F(BodyDetailsTest, ALineInAWorldWithoutALineHandlerGivesTheWorldOne) {
  auto* first = Add<TLine>(kLineTag, 11);
  auto* second = Add<TLine>(kLineTag, 12);
  ASSERT_EQ(world->Objects().size(), 2u);
  TLineHandler* handler = first->FindHandler();
  ASSERT_NE(handler, nullptr);
  ASSERT_EQ(world->Objects().size(), 3u);
  EXPECT_EQ(world->FindObject(handler->GetIdentifier()), handler);
  EXPECT_NE(handler->GetIdentifier(), 11);
  EXPECT_NE(handler->GetIdentifier(), 12);
  EXPECT_EQ(second->FindHandler(), handler);
  EXPECT_EQ(world->Objects().size(), 3u);
  // Selected through the handler, the line is among the handler's selected lines.
  second->SetSelected(1, 0);
  first->SetSelected(0, 0);
  EXPECT_EQ(handler->CountSelectedLines(), 1);
  EXPECT_EQ(handler->GetLines()->GetCount(), 2);
}

// Lines a file brings in, before or after the world's handler, are the handler's (drawn and hit)
// without anyone asking for it; a line that leaves the world leaves its lists.
TEST_F(BodyDetailsTest, LinesThatJoinTheWorldJoinItsHandlersLists) {
  auto* before = Add<TLine>(kLineTag, 11);
  auto* handler = Add<TLineHandler>(kLineHandlerTag, 10);
  auto* after = Add<TLine>(kLineTag, 12);
  ASSERT_NE(handler->GetLines(), nullptr);
  EXPECT_TRUE(handler->GetLines()->Contains(before));
  EXPECT_TRUE(handler->GetLines()->Contains(after));
  world->RemoveObject(after);
  EXPECT_EQ(handler->GetLines()->GetCount(), 1);
}

TEST_F(BodyDetailsTest, MovingALinesSecondEndMovesItsCentreAndTellsItsLinks) {
  auto* handler = Add<TLineHandler>(kLineHandlerTag, 10);
  auto* line = Add<TLine>(kLineTag, 11);
  line->SetEndPoint1({0.0, 0.0}, 1);
  line->SetEndPoint2({100.0, 0.0}, 1);
  handler->AdoptChild(*line);
  TNoticeCounter watcher;
  line->AddDependent(&watcher);

  // A level line: 5 pixels beyond either end hit alike, 6 do not.
  for (const int16_t h : {-5, -4, 104, 105})
    EXPECT_TRUE(line->HitTest(MacPoint(h, 0))) << h;
  for (const int16_t h : {-6, 106})
    EXPECT_FALSE(line->HitTest(MacPoint(h, 0))) << h;
  EXPECT_EQ(line->GetScreenMidPoint(), MacPoint(50, 0));

  line->SetEndPoint2({100.0, -60.0}, 1);
  EXPECT_EQ(watcher.notices, 1);
  TVector centre;
  line->GetPosition(centre);
  EXPECT_EQ(centre, TVector(50.0, -30.0));
  EXPECT_EQ(line->GetScreenEnd2(), MacPoint(100, 60));
  EXPECT_EQ(line->GetScreenMidPoint(), MacPoint(50, 30));
  EXPECT_TRUE(line->HitTest(MacPoint(50, 30)));
  EXPECT_FALSE(line->HitTest(MacPoint(104, 0)));

  // Moved without notice, the links hear nothing.
  line->SetEndPoint2({0.0, -60.0}, 0);
  EXPECT_EQ(watcher.notices, 1);
  line->RemoveDependent(&watcher);
}

TEST_F(BodyDetailsTest, ACentreOfMassOffsetMovesTheDrawnCentreAndTellsTheLinksAtOnce) {
  auto body = Rectangle(40.0, 20.0);
  TNoticeCounter watcher;
  body->AddDependent(&watcher);
  body->ValidateScreenTransform(Transform2D(1.0, 0.0, 100.0, -50.0, 0.0, 1.0));
  const MacPoint centre = body->GetCOMScreenPoint();
  body->SetNumberProperty(kTagCOMX, 10.0);
  EXPECT_GE(watcher.notices, 1);
  // The view scrolled meanwhile: the new offset is drawn in the new view.
  body->ValidateScreenTransform(Transform2D(1.0, 0.0, 105.0, -50.0, 0.0, 1.0));
  EXPECT_EQ(body->GetCOMScreenPoint(), MacPoint(centre.h + 15, centre.v));
  body->RemoveDependent(&watcher);
}

TEST_F(BodyDetailsTest, ShapesReadFromTheirSizeBlockTakeThatSize) {
  // The rectangle's size block is read after its formulas and decides.
  auto small = Rectangle(2.0, 1.0);
  auto large = Rectangle(5.0, 3.0);
  std::vector<uint8_t> bytes = Document(*small);
  const std::vector<uint8_t> largeBytes = Document(*large);
  const auto sizeBlock = [](const std::vector<Block>& blocks, int32_t code) {
    for (const Block& block : blocks)
      if (block.code == code) return block;
    ADD_FAILURE() << "no block " << code;
    return Block{0, 0, 0};
  };
  const Block to = sizeBlock(Blocks(bytes, kBlockRectangleFormulas, true), kBlockRectangleSize);
  const Block from =
      sizeBlock(Blocks(largeBytes, kBlockRectangleFormulas, true), kBlockRectangleSize);
  ASSERT_EQ(to.end - to.begin, from.end - from.begin);
  std::copy(largeBytes.begin() + static_cast<ptrdiff_t>(from.begin),
            largeBytes.begin() + static_cast<ptrdiff_t>(from.end),
            bytes.begin() + static_cast<ptrdiff_t>(to.begin));
  const auto rectangle = ReadOne<TRectangle>(bytes);
  ASSERT_NE(rectangle, nullptr);
  EXPECT_EQ(rectangle->GetSize(), TVector(5.0, 3.0));
  EXPECT_EQ(rectangle->LocalBounds().right, 2.5);
  EXPECT_EQ(rectangle->LocalBounds().top, 1.5);

  // An oval without its radius formula block takes its radius from the size block alone.
  auto oval = Circle(1.5);
  std::vector<uint8_t> ovalBytes = Document(*oval);
  const Block radius = sizeBlock(Blocks(ovalBytes, kBlockRadiusLine, true), kBlockRadiusFormula);
  ovalBytes.erase(ovalBytes.begin() + static_cast<ptrdiff_t>(radius.begin - 8),
                  ovalBytes.begin() + static_cast<ptrdiff_t>(radius.end));
  ASSERT_EQ(Codes(Blocks(ovalBytes, kBlockRadiusLine, true))[1], kBlockCircleSize);
  const auto read = ReadOne<TOval>(ovalBytes);
  ASSERT_NE(read, nullptr);
  EXPECT_EQ(read->GetSize(), TVector(3.0, 3.0));
  EXPECT_EQ(read->LocalBounds().right, 1.5);
  EXPECT_EQ(read->LocalBounds().bottom, -1.5);
}

TEST_F(BodyDetailsTest, ATallRectangleSnapsToItsEndCircleCentres) {
  auto rectangle = Rectangle(2.0, 4.0);
  TSnapResult found;
  const auto kindAt = [&](TVector point, double d) {
    found = TSnapResult();
    return rectangle->FindSnapPoint(point, d, found) ? found.kind : 0;
  };
  EXPECT_EQ(kindAt({0.0, 1.0}, 0.5), 10);
  EXPECT_EQ(found.local, TVector(0.0, 1.0));
  EXPECT_EQ(kindAt({0.2, -1.1}, 0.5), 11);
  EXPECT_EQ(found.local, TVector(0.0, -1.0));
  // Only while the tolerance is below their offset from the middle.
  EXPECT_NE(kindAt({0.0, 1.0}, 1.0), 10);
  EXPECT_EQ(kindAt({0.5, 1.0}, 0.3), 0);
}

}  // namespace
}  // namespace shape_test
