// Polygons sketched click by click from their tool, and reshaped by a vertex and by a corner,
// in a world of the program's own classes.

#include "bodies/CurvedPolygon.h"
#include "bodies/Table.h"
#include "core/MouseButton.h"
#include "core/Resources.h"
#include "platform/win32/Input.h"
#include "platform/win32/Message.h"
#include "platform/win32/MessageBox.h"
#include "platform/win32/Window.h"
#include "platform/win32/WindowMessages.h"
#include "resources/ResourceLibraries.h"
#include "tests/views/trackers/ObjectTrackerWorld.h"
#include "views/trackers/PolygonTrackers.h"
#include "views/trackers/ToolTrackers.h"

namespace object_tracker_test {
namespace {

constexpr int16_t kPolygonTool = 2511;

std::vector<TVector> WorldVertices(TPolygon& polygon) {
  std::vector<TVector> vertices;
  TVector v;
  for (int32_t i = 1; polygon.GetVertex(i, v); ++i) {
    polygon.LocalToWorld(v);
    vertices.push_back(v);
  }
  return vertices;
}

void ExpectVertices(TPolygon& polygon, const std::vector<TVector>& expected) {
  const std::vector<TVector> vertices = WorldVertices(polygon);
  ASSERT_EQ(vertices.size(), expected.size());
  for (size_t i = 0; i < expected.size(); ++i) {
    EXPECT_NEAR(vertices[i].x, expected[i].x, 1e-9) << i;
    EXPECT_NEAR(vertices[i].y, expected[i].y, 1e-9) << i;
  }
}

class PolygonTrackersTest : public ObjectTrackerTest {
 protected:
  void TearDown() override {
    MSG message;
    while (PeekMessage(&message, nullptr, 0, 0, PM_REMOVE)) {
    }
    InjectMouseButton(MouseButton::kLeft, false, POINT{0, 0});
    ObjectTrackerTest::TearDown();
  }

  // A press and release at the first point, then a click at each other point, then a key
  // that ends the gesture; answers the tracking-done test after each pass.
  static void ClickByClick(TCommandBase& tracker, const std::vector<QV_CPoint>& points) {
    TEventRecord event;
    event.message = WM_LBUTTONDOWN;
    event.when = static_cast<uint32_t>(GetTickCount60());
    tracker.HandleEvent(event);
    InjectMouseButton(MouseButton::kLeft, true, POINT{0, 0});
    const QV_CPoint anchor = points.front();
    QV_CPoint previous = anchor;
    QV_CPoint next = anchor;
    tracker.TrackConstrain(anchor, previous, next);
    tracker.TrackMouse(0, anchor, previous, next, true);
    InjectMouseButton(MouseButton::kLeft, false, POINT{0, 0});
    auto pass = [&](QV_CPoint at) {
      next = at;
      tracker.TrackConstrain(anchor, previous, next);
      tracker.TrackMouse(1, anchor, previous, next, !(next == previous));
      previous = next;
      return tracker.TrackingDone();
    };
    EXPECT_FALSE(pass(anchor));
    for (size_t i = 1; i < points.size(); ++i) {
      EXPECT_FALSE(pass(points[i]));
      PostMessage(nullptr, WM_LBUTTONDOWN, 0,
                  static_cast<LPARAM>((points[i].v << 16) | (points[i].h & 0xFFFF)));
      if (pass(points[i])) break;
    }
    PostMessage(nullptr, WM_KEYDOWN, 0, 0);
    EXPECT_TRUE(pass(previous));
    tracker.TrackMouse(2, anchor, previous, previous, true);
  }

  // Sketches a polygon with its tool through the world points; the tracker stays the test's.
  TPolygonSketchTracker& Sketch(const std::vector<TVector>& points) {
    made_ = MakeToolTracker(kPolygonTool, &view, context.get());
    auto& tracker = dynamic_cast<TPolygonSketchTracker&>(*made_);
    std::vector<QV_CPoint> screen;
    for (const TVector& p : points)
      screen.push_back(At(p.x, p.y));
    ClickByClick(tracker, screen);
    return tracker;
  }
};

TEST_F(PolygonTrackersTest, APolygonIsSketchedClickByClickAndRecentred) {
  TPolygonSketchTracker& tracker = Sketch({{0, 0}, {3, 0}, {3, 3}});
  tracker.Perform();
  TPolygon& polygon = *tracker.Polygon();
  EXPECT_NE(world->FindObject(polygon.GetIdentifier()), nullptr);
  ExpectVertices(polygon, {{0, 0}, {3, 0}, {3, 3}});
  // The body now stands on the triangle's centroid.
  const TVector3 at = polygon.GetPositionValues();
  EXPECT_NEAR(at.x, 2, 1e-9);
  EXPECT_NEAR(at.y, 1, 1e-9);
  made_.reset();
}

TEST_F(PolygonTrackersTest, AClickOnTheVertexFixedLastAddsNothing) {
  made_ = MakeToolTracker(kPolygonTool, &view, context.get());
  auto& tracker = dynamic_cast<TPolygonSketchTracker&>(*made_);
  TPolygon& polygon = *tracker.Polygon();
  polygon.ClearVertices();
  polygon.AppendVertex(TVector(0, 0));
  polygon.AppendVertex(TVector(0, 0));
  tracker.AddPoint(QV_CPoint(), TVector(2, 0));
  tracker.AddPoint(QV_CPoint(), TVector(2, 0));
  EXPECT_EQ(polygon.GetVertices()->GetCount(), 3);
  tracker.AddPoint(QV_CPoint(), TVector(2, 2));
  EXPECT_EQ(polygon.GetVertices()->GetCount(), 4);
  made_.reset();
}

TEST_F(PolygonTrackersTest, ASketchOfTwoVerticesIsDiscarded) {
  const size_t before = world->Objects().size();
  TPolygonSketchTracker& tracker = Sketch({{0, 0}, {3, 0}});
  try {
    tracker.Perform();
    FAIL() << "kept";
  } catch (const QVException& failure) {
    EXPECT_EQ(failure.error(), 0);
  }
  EXPECT_EQ(world->Objects().size(), before);
  made_.reset();
}

// A sketch without area is reported when it ends: Cancel ends the sketch silently and leaves no
// polygon; OK keeps it, to be mended.
TEST_F(PolygonTrackersTest, ASketchWithoutAreaIsReportedAndCancelEndsItSilently) {
  SetResourceModule3(LoadResourceLibrary(kErrorResourceLibrary));
  std::vector<std::string> boxes;
  int32_t key = VK_ESCAPE;
  SetIdleScript([&] {
    const HWND box = GetMessageBoxWindow();
    if (box == nullptr) return false;
    std::string text;
    for (HWND child = GetWindow(box, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT))
      text += GetWindowTextString(child) + "|";
    boxes.push_back(text);
    InjectKeyStroke(key);
    return true;
  });
  const size_t before = world->Objects().size();
  try {
    Sketch({{0, 0}, {3, 0}, {6, 0}}).Perform();
    ADD_FAILURE() << "the sketch went on";
  } catch (const QVException& failure) {
    EXPECT_EQ(failure.error(), 0);
  }
  made_.reset();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_NE(boxes[0].find("encloses no area"), std::string::npos) << boxes[0];
  EXPECT_NE(boxes[0].find("Cancel"), std::string::npos) << boxes[0];
  EXPECT_EQ(world->Objects().size(), before);
  // OK keeps the polygon.
  key = VK_RETURN;
  TPolygonSketchTracker& tracker = Sketch({{0, 0}, {3, 0}, {6, 0}});
  tracker.Perform();
  EXPECT_EQ(boxes.size(), 2u);
  EXPECT_NE(world->FindObject(tracker.Polygon()->GetIdentifier()), nullptr);
  EXPECT_TRUE(tracker.Polygon()->IsShapeInvalid());
  made_.reset();
  SetIdleScript(nullptr);
  SetResourceModule3(nullptr);
}

TEST_F(PolygonTrackersTest, AVertexDragKeepsTheBodyAndItsPointsAndUndoRestoresTheTable) {
  TPolygonSketchTracker& sketch = Sketch({{0, 0}, {4, 0}, {4, 4}, {0, 4}});
  sketch.Perform();
  TPolygon& polygon = *sketch.Polygon();
  made_.reset();
  auto* point = Add<TPoint>(kPointTag, 60);
  point->AttachToBody(&polygon);
  point->SetWorldPosition(TVector3(1, 1, 0));
  const TVector3 body = polygon.GetPositionValues();
  TVector second;
  ASSERT_TRUE(polygon.GetVertex(2, second));

  world->SetMode(TPolygon::kVertexEditingMode, 0);
  std::unique_ptr<TPolygonVertexTracker> tracker =
      MakePolygonVertexTracker(&view, context.get(), polygon, 0, 3);
  Drag(*tracker, At(4, 4), {At(5, 5), At(6, 6)});
  tracker->Perform();

  const std::vector<TVector> moved = WorldVertices(polygon);
  EXPECT_NEAR(moved[2].x, 6, 1e-9);
  EXPECT_NEAR(moved[2].y, 6, 1e-9);
  const TVector3 after = polygon.GetPositionValues();
  EXPECT_EQ(after.x, body.x);
  EXPECT_EQ(after.y, body.y);
  TVector secondAfter;
  ASSERT_TRUE(polygon.GetVertex(2, secondAfter));
  EXPECT_EQ(secondAfter, second);
  EXPECT_NEAR(point->GetWorldXY().x, 1, 1e-9);
  EXPECT_NEAR(point->GetWorldXY().y, 1, 1e-9);

  tracker->Undo();
  ExpectVertices(polygon, {{0, 0}, {4, 0}, {4, 4}, {0, 4}});
  tracker->Redo();
  EXPECT_NEAR(WorldVertices(polygon)[2].x, 6, 1e-9);
}

TEST_F(PolygonTrackersTest, APressOnAnEdgeInsertsAVertexThatFollowsTheDrag) {
  TPolygonSketchTracker& sketch = Sketch({{0, 0}, {4, 0}, {4, 4}});
  sketch.Perform();
  TPolygon& polygon = *sketch.Polygon();
  made_.reset();
  std::unique_ptr<TPolygonVertexTracker> tracker =
      MakePolygonVertexTracker(&view, context.get(), polygon, 1, 0);
  Drag(*tracker, At(2, 0), {At(2, -1), At(2, -2)});
  tracker->Perform();
  ExpectVertices(polygon, {{0, 0}, {2, -2}, {4, 0}, {4, 4}});
  tracker->Undo();
  ExpectVertices(polygon, {{0, 0}, {4, 0}, {4, 4}});
}

TEST_F(PolygonTrackersTest, ACornerResizeScalesAboutTheFixedCornerAndUndoes) {
  TPolygonSketchTracker& sketch = Sketch({{0, 0}, {2, 0}, {2, 2}, {0, 2}});
  sketch.Perform();
  TPolygon& polygon = *sketch.Polygon();
  made_.reset();
  // Handle 3 grabs the bottom-right corner; the top-left one stays.
  std::unique_ptr<TPolygonResizeTracker> tracker =
      MakePolygonResizeTracker(&view, context.get(), polygon, 3);
  EXPECT_NEAR(tracker->GrabbedCorner().x, 2, 1e-9);
  EXPECT_NEAR(tracker->GrabbedCorner().y, 0, 1e-9);
  Drag(*tracker, At(2, 0), {At(3, -1), At(4, -2)});
  tracker->Perform();
  ExpectVertices(polygon, {{0, -2}, {4, -2}, {4, 2}, {0, 2}});
  tracker->Undo();
  ExpectVertices(polygon, {{0, 0}, {2, 0}, {2, 2}, {0, 2}});
}

TEST_F(PolygonTrackersTest, ACurvedPolygonGetsTheCurvedTrackers) {
  auto* table = Add<TTable>(kTableTag, 40);
  for (const TVector& v : {TVector(0, 0), TVector(2, 0), TVector(2, 2)})
    table->AppendPoint(v);
  auto* curved = Add<TCurvPoly>(kCurvedPolygonTag, 41);
  curved->LinkVertexTable(table);
  EXPECT_EQ(MakePolygonResizeTracker(&view, context.get(), *curved, 0)->GetClassIDAt(0), 697);
  EXPECT_EQ(MakePolygonVertexTracker(&view, context.get(), *curved, 0, 1)->GetClassIDAt(0), 698);
  EXPECT_EQ(MakePolygonSketchTracker(2557, &view, context.get(), nullptr, *curved)->GetClassIDAt(0),
            696);
}

TEST_F(PolygonTrackersTest, TheCurvedPolygonToolSketchesACurvedPolygon) {
  made_ = MakeToolTracker(2557, &view, context.get());
  ASSERT_EQ(made_->GetClassIDAt(0), 696);
  auto& tracker = static_cast<TPolygonSketchTracker&>(*made_);
  std::vector<QV_CPoint> screen;
  for (const TVector& p : {TVector(0, 0), TVector(4, 0), TVector(4, 4), TVector(0, 4)})
    screen.push_back(At(p.x, p.y));
  ClickByClick(tracker, screen);
  tracker.Perform();
  auto& curved = static_cast<TCurvPoly&>(*tracker.Polygon());
  EXPECT_TRUE(curved.IsCurved());
  EXPECT_EQ(curved.GetVertices()->GetCount(), 4);
  // The curve through the four vertices: 40 samples.
  ASSERT_NE(curved.GetCurvePoints(), nullptr);
  EXPECT_EQ(curved.GetCurvePoints()->GetCount(), 40);
}

}  // namespace
}  // namespace object_tracker_test
