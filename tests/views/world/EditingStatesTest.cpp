// What editing offers and what a press grabs: the clipboard commands follow the selection in
// edit mode and are off in player mode; a press on a polygon's vertex handle grabs that vertex,
// one beside an edge inserts there.

#include <cmath>
#include <functional>
#include <optional>

#include "bodies/Table.h"
#include "core/MenuCommands.h"
#include "tests/views/trackers/ObjectTrackerWorld.h"
#include "views/trackers/PolygonTrackers.h"
#include "views/world/ClipboardCommands.h"

namespace object_tracker_test {
namespace {

using EditingStatesTest = ObjectTrackerTest;

// The state the last menu set-up gave the command, or none when it gave none.
std::optional<bool> SetUpState(int16_t command) {
  std::optional<bool> state;
  for (const PendingMenuEnable& pending : PendingMenuEnables())
    if (pending.command == static_cast<uint16_t>(command)) state = pending.enabled != 0;
  return state;
}

std::vector<std::optional<bool>> ClipboardStates(TWorldDoc& world) {
  ClearPendingMenuEnables();
  SetupClipboardMenus(world);
  std::vector<std::optional<bool>> states;
  for (int16_t command : {kCmdCut, kCmdCopy, kCmdClear}) states.push_back(SetUpState(command));
  ClearPendingMenuEnables();
  return states;
}

TEST_F(EditingStatesTest, CutCopyAndClearNeedASelectionInEditModeAndAreOffInPlayerMode) {
  ASSERT_EQ(GetMenuFrame(), nullptr) << "the states are read from the pending table";
  const std::vector<std::optional<bool>> on(3, true);
  const std::vector<std::optional<bool>> off(3, false);
  auto* body = Add<TRectangle>(TRectangle::kTag, 5);
  EXPECT_EQ(ClipboardStates(*world), off);
  world->Select(body);
  EXPECT_EQ(ClipboardStates(*world), on);
  world->SetPlayerMode(1);
  EXPECT_EQ(ClipboardStates(*world), off);
  world->SetPlayerMode(0);
  EXPECT_EQ(ClipboardStates(*world), on);
}

TEST_F(EditingStatesTest, APressOnAVertexHandleGrabsThatVertexAndBesideAnEdgeInserts) {
  auto* table = Add<TTable>(kTableTag, 6);
  for (const TVector& v : {TVector(0, 0), TVector(4, 0), TVector(4, 4), TVector(0, 4)})
    table->AppendPoint(v);
  auto* polygon = Add<TPolygon>(kPolygonTag, 7);
  polygon->LinkVertexTable(table);
  const std::function<MacPoint(const TVector&)> toScreen = [this](const TVector& w) {
    const QV_CPoint p = At(w.x, w.y);
    return MacPoint(p.h, p.v);
  };
  const auto press = [&](double x, double y, int16_t dh, int16_t dv, int16_t& vertex,
                         int16_t& edge) {
    const QV_CPoint p = At(x, y);
    return FindPolygonHandle(*polygon, MacPoint(static_cast<int16_t>(p.h + dh),
                                                static_cast<int16_t>(p.v + dv)),
                             toScreen, vertex, edge);
  };
  int16_t vertex = -1;
  int16_t edge = -1;
  // Every corner's handle, on it and at the handle's rim.
  const TVector corners[] = {TVector(0, 0), TVector(4, 0), TVector(4, 4), TVector(0, 4)};
  for (int16_t i = 0; i < 4; ++i) {
    for (const auto& [dh, dv] : {std::pair<int16_t, int16_t>{0, 0}, {3, -3}, {-3, 3}}) {
      ASSERT_TRUE(press(corners[i].x, corners[i].y, dh, dv, vertex, edge)) << i;
      EXPECT_EQ(vertex, i + 1) << i;
      EXPECT_EQ(edge, 0) << i;
    }
  }
  // Well beside a corner but on an edge: the edge after vertex 2 (x = 4), no vertex.
  ASSERT_TRUE(press(4, 2, 1, 0, vertex, edge));
  EXPECT_EQ(vertex, 0);
  EXPECT_EQ(edge, 2);
  EXPECT_FALSE(press(2, 2, 0, 0, vertex, edge)) << "the middle is no handle";

  // The tracker the grab makes holds the vertex grabbed, starting where it is.
  ASSERT_TRUE(press(4, 4, 2, 2, vertex, edge));
  std::unique_ptr<TPolygonVertexTracker> tracker =
      MakePolygonVertexTracker(&view, context.get(), *polygon, edge, vertex);
  EXPECT_EQ(tracker->GrabbedVertex(), 3);
  EXPECT_NEAR(tracker->StartPoint().x, 4, 1e-9);
  EXPECT_NEAR(tracker->StartPoint().y, 4, 1e-9);
}

}  // namespace
}  // namespace object_tracker_test
