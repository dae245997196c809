#include <gtest/gtest.h>

#include "core/Failure.h"
#include "platform/win32/WindowMessages.h"
#include "tests/views/trackers/TrackerFakes.h"
#include "views/trackers/VertexTracker.h"

namespace tracker_test {
namespace {

class TPolygonBody : public TThing, public TVertexBody {
 public:
  bool AllowsVertexEditing() const override { return allows; }
  void InsertVertex(int16_t& after, const TVector& point) override {
    vertices.insert(vertices.begin() + after, point);
  }
  void RemoveVertex(int16_t number) override { vertices.erase(vertices.begin() + number - 1); }
  void SelectVertex(int16_t number) override { selectedVertex = number; }
  std::vector<TLink*> AttachedObjects() override { return {}; }
  std::vector<TVector> vertices{{0, 0}, {40, 0}, {40, -40}, {0, -40}};
  int16_t selectedVertex = 0;
  bool allows = true;
};

class TSnapper : public TObject, public TTrackingSnapper {
 public:
  bool IsSnapperActive() const override { return true; }
  void ForgetHotPoint() override {}
  bool FindHotPointNear(const MacPoint&, TVector&) override { return false; }
  void DrawHotPointMark(const MacPoint&) override {}
};

class VertexTrackerTest : public TrackerTest {
 protected:
  void SetUp() override {
    TrackerTest::SetUp();
    world.itemTag = MakeTag("hpSn");
    world.item = &snapper;
  }
  TSnapper snapper;
};

TEST_F(VertexTrackerTest, APressOnAVertexSelectsItAndInsertsNothing) {
  TPolygonBody& body = world.Add<TPolygonBody>(30);
  TVertexTracker tracker;
  tracker.InitVertexTracker(&view, &world, &body, 0, 3, TVector(40, -40));
  EXPECT_EQ(tracker.GetCommandNumber(), kCmdEditVertices);
  Event(tracker, WM_LBUTTONDOWN, 0);
  Drag(tracker, QV_CPoint(40, 40), {});
  EXPECT_EQ(body.selectedVertex, 3);
  EXPECT_EQ(body.vertices.size(), 4u);
  EXPECT_EQ(tracker.HasInserted(), 0);
  tracker.Undo();
  EXPECT_EQ(body.vertices.size(), 4u);
}

TEST_F(VertexTrackerTest, APressOnAnEdgeInsertsAVertexThatUndoAndRedoTakeAndGive) {
  TPolygonBody& body = world.Add<TPolygonBody>(30);
  TVertexTracker tracker;
  tracker.InitVertexTracker(&view, &world, &body, 2, 0, TVector());
  Event(tracker, WM_LBUTTONDOWN, 0);
  Drag(tracker, QV_CPoint(40, 20), {});
  ASSERT_EQ(body.vertices.size(), 5u);
  EXPECT_EQ(body.vertices[2], TVector(40, -20));
  EXPECT_EQ(body.selectedVertex, 3);
  EXPECT_EQ(tracker.HasChanged(), 1);
  EXPECT_EQ(tracker.CanUndo(), 1);
  tracker.Perform();
  tracker.Undo();
  ASSERT_EQ(body.vertices.size(), 4u);
  EXPECT_EQ(body.vertices[2], TVector(40, -40));
  body.selectedVertex = 0;
  tracker.Redo();
  ASSERT_EQ(body.vertices.size(), 5u);
  EXPECT_EQ(body.vertices[2], TVector(40, -20));
  EXPECT_EQ(body.selectedVertex, 3);
}

TEST_F(VertexTrackerTest, ABodyThatRefusesEditingEndsSilently) {
  TPolygonBody& body = world.Add<TPolygonBody>(30);
  body.allows = false;
  TVertexTracker tracker;
  try {
    tracker.InitVertexTracker(&view, &world, &body, 2, 0, TVector());
    FAIL() << "a refusing body must end the tracker";
  } catch (const QVException& failure) {
    EXPECT_EQ(failure.error(), 0);
  }
}

}  // namespace
}  // namespace tracker_test
