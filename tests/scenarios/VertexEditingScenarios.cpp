// Vertex editing walked on a new world: a quadrilateral is clicked out with the polygon tool, then
// the vertex tool works on it. A press on an edge puts a new corner there that follows the drag,
// and Undo and Redo take it away and bring it back; a corner's handle dragged moves that corner
// and Undo brings it back; a selected corner goes with Edit > Cut or the Delete key, while
// Edit > Copy leaves the polygon as it was, and a triangle's corner is refused. Each step is read
// back from the saved world.

#include <cmath>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "bodies/Polygon.h"
#include "core/Failure.h"
#include "model/world/QVDoc.h"
#include "tests/scenarios/BodiesSeen.h"
#include "tests/scenarios/Harness.h"

namespace scenario {
namespace {

struct Spot {
  int x = 0, y = 0;
};

// A new world shows a metre as this many pixels, and its grid holds whole centimetres.
constexpr double kNewWorldScale = 2834.64576;
constexpr double kCentimetre = 0.01;
// Half a pixel of rounding at each end of a length, and a little more.
constexpr double kPixelSlack = 1.5 / kNewWorldScale;

int Centimetres(int count) {
  return static_cast<int>(std::lround(count * kNewWorldScale / 100.0));
}

// The corners of the one polygon of a saved world, in world metres (y up), in their order.
struct SavedCorners {
  std::string failure;
  int polygons = 0;
  std::vector<TVector> corners;

  std::string Description() const {
    std::ostringstream text;
    if (!failure.empty()) text << "not read: " << failure << "\n";
    text << polygons << " polygon(s):";
    for (const TVector& corner : corners)
      text << " (" << corner.x << ", " << corner.y << ")";
    return text.str();
  }
};

SavedCorners ReadCorners(const std::string& path) {
  SavedCorners saved;
  ProgramUnits units;
  try {
    TQVDoc document;
    document.ReadDocument(path);
    for (TLink* object : document.World().Objects()) {
      if (!object->IsMemberClass(TPolygon::kClassID)) continue;
      ++saved.polygons;
      auto& polygon = static_cast<TPolygon&>(*object);
      TVector corner(0.0, 0.0);
      for (int32_t i = 1; polygon.GetVertex(i, corner); ++i) {
        polygon.LocalToWorld(corner);
        saved.corners.push_back(corner);
      }
    }
  } catch (const QVException& failure) {
    saved.failure = "error " + std::to_string(failure.error());
  }
  return saved;
}

bool SamePoint(const TVector& a, const TVector& b) {
  return std::abs(a.x - b.x) < 1e-9 && std::abs(a.y - b.y) < 1e-9;
}

bool OnGrid(const TVector& point) {
  return std::abs(std::remainder(point.x, kCentimetre)) < 1e-9 &&
         std::abs(std::remainder(point.y, kCentimetre)) < 1e-9;
}

class VertexEditing : public Scenario {
 protected:
  // A place in the main window, from its top left corner.
  Spot At(int x, int y) const {
    const Box frame = Frame();
    return {frame.x + x, frame.y + y};
  }

  // The part of the new world's window where the polygon goes.
  Box Sketchpad() const {
    const Spot corner = At(120, 120);
    return Box{corner.x, corner.y, 520, 360};
  }

  // A quadrilateral with no two sides alike, from its top left corner round: its top edge is
  // level, and its first corner lies left of and above all the others.
  std::vector<Spot> Quadrilateral() const {
    const Spot a = At(180, 160);
    return {a,
            {a.x + Centimetres(10), a.y},
            {a.x + Centimetres(12), a.y + Centimetres(6)},
            {a.x + Centimetres(2), a.y + Centimetres(8)}};
  }

  ::testing::AssertionResult Tool(const std::string& label) { return Choose({"Tools", label}); }
  ::testing::AssertionResult Edit(const std::string& label) { return Choose({"Edit", label}); }

  // Ctrl+N, then the quadrilateral clicked corner by corner and ended by a second click on its
  // last corner; the corners are kept as saved, and `shown_` is where the first one is drawn.
  void SketchQuadrilateral(const std::string& name) {
    Me().Control("n");
    ASSERT_TRUE(Me().WaitUntil([&] {
      return Me().UntitledWorldWindow() != 0 &&
             Me().Grab(Sketchpad()).Count(IsDark) == 0;
    })) << "no empty new world was shown";
    ASSERT_TRUE(Me().Idle());
    ASSERT_TRUE(Tool("Polygon"));
    const std::vector<Spot> corners = Quadrilateral();
    for (const Spot corner : corners) {
      Me().MoveTo(corner.x, corner.y);
      ASSERT_TRUE(Me().Idle());
      Me().Click(corner.x, corner.y);
      ASSERT_TRUE(Me().Idle());
    }
    Me().Click(corners.back().x, corners.back().y);
    ASSERT_TRUE(Me().Idle());
    ASSERT_EQ(Me().WindowTitled("Yarrowby"), 0u) << "a good polygon was reported";
    SaveNewWorldAs(name);
    ASSERT_FALSE(path_.empty());
    sketched_ = ReadCorners(path_);
    ASSERT_EQ(sketched_.polygons, 1) << sketched_.Description();
    ASSERT_EQ(sketched_.corners.size(), corners.size()) << sketched_.Description();
    ASSERT_TRUE(Tool("Edit Vertices"));
    // Nothing is selected, so the outline alone is drawn. The grid moved each corner by less
    // than half a step, all alike but for a pixel of rounding: the outline's top left is the
    // first corner.
    const Box drawn = Me().Grab(Sketchpad()).BoundsOf(IsDark);
    ASSERT_FALSE(drawn.Empty()) << "the polygon is not drawn";
    ASSERT_NEAR(drawn.width - 1, corners[2].x - corners[0].x, 2) << "not drawn as clicked";
    shown_ = {drawn.x, drawn.y};
  }

  // Where a sketched corner is drawn now.
  Spot Shown(size_t corner) const {
    const std::vector<Spot> corners = Quadrilateral();
    return {shown_.x + corners[corner].x - corners[0].x,
            shown_.y + corners[corner].y - corners[0].y};
  }

  // The world point under a screen spot, seen from the first corner as sketched.
  TVector WorldAt(Spot spot) const {
    const TVector& first = sketched_.corners[0];
    return TVector(first.x + (spot.x - shown_.x) / kNewWorldScale,
                   first.y - (spot.y - shown_.y) / kNewWorldScale);
  }

  // Ctrl+S on a world never saved asks where to save it; the name alone is typed, into the
  // folder the dialog offers.
  void SaveNewWorldAs(const std::string& name) {
    path_.clear();
    Me().Control("s");
    ASSERT_TRUE(Me().WaitUntil([&] { return Me().FocusedTitle() == "Save the world as"; }))
        << "Ctrl+S did not ask where to save: " << Me().FocusedTitle();
    ASSERT_TRUE(Me().Idle());
    Me().Type(name);
    Me().Key("Return");
    ASSERT_TRUE(Me().WaitUntil([&] { return Me().WindowTitled("Yarrowby - " + name) != 0; }))
        << "the title does not name " << name;
    ASSERT_TRUE(Me().Idle());
    for (const auto& entry : std::filesystem::recursive_directory_iterator(Home().Root()))
      if (entry.path().filename() == name) path_ = entry.path().string();
    ASSERT_FALSE(path_.empty()) << name << " was not written";
  }

  // Ctrl+S again, and the world read back.
  SavedCorners SaveAndRead() {
    Me().Control("s");
    EXPECT_TRUE(Me().Idle());
    return ReadCorners(path_);
  }

  std::string path_;
  SavedCorners sketched_;
  Spot shown_;
};

TEST_F(VertexEditing, APressOnAnEdgeAddsACornerWhereTheDragEndsAndUndoTakesItAway) {
  ASSERT_TRUE(Running());
  ASSERT_NO_FATAL_FAILURE(SketchQuadrilateral("new-corner.yb"));
  // A third of the way along the level top edge, dragged up and right to a place off the grid.
  const Spot press{Shown(0).x + Centimetres(3) + 4, Shown(0).y};
  const Spot release{press.x + Centimetres(2) + 9, press.y - Centimetres(3) - 6};
  Me().SlowDrag(press.x, press.y, release.x, release.y);
  ASSERT_TRUE(Me().Idle());

  const SavedCorners saved = SaveAndRead();
  ASSERT_EQ(saved.polygons, 1) << saved.Description();
  ASSERT_EQ(saved.corners.size(), 5u) << saved.Description();
  // The new corner comes between the edge's ends; the others stay.
  EXPECT_TRUE(SamePoint(saved.corners[0], sketched_.corners[0])) << saved.Description();
  for (size_t i = 1; i < sketched_.corners.size(); ++i)
    EXPECT_TRUE(SamePoint(saved.corners[i + 1], sketched_.corners[i]))
        << "corner " << i + 1 << " moved\n"
        << saved.Description();
  const TVector& added = saved.corners[1];
  const TVector released = WorldAt(release);
  EXPECT_TRUE(OnGrid(added)) << saved.Description();
  EXPECT_NEAR(added.x, released.x, kCentimetre / 2 + kPixelSlack) << saved.Description();
  EXPECT_NEAR(added.y, released.y, kCentimetre / 2 + kPixelSlack) << saved.Description();
  // Far from where the press put it: the corner followed the drag.
  EXPECT_GT(added.y - sketched_.corners[0].y, 2 * kCentimetre) << saved.Description();

  // Undo takes the new corner away; the same item, now redoing, puts it back where it ended.
  ASSERT_TRUE(Edit("Undo"));
  const SavedCorners undone = SaveAndRead();
  ASSERT_EQ(undone.corners.size(), 4u) << undone.Description();
  for (size_t i = 0; i < undone.corners.size(); ++i)
    EXPECT_TRUE(SamePoint(undone.corners[i], sketched_.corners[i])) << undone.Description();
  ASSERT_TRUE(Edit("Undo"));
  const SavedCorners redone = SaveAndRead();
  ASSERT_EQ(redone.corners.size(), 5u) << redone.Description();
  for (size_t i = 0; i < redone.corners.size(); ++i)
    EXPECT_TRUE(SamePoint(redone.corners[i], saved.corners[i])) << redone.Description();
}

TEST_F(VertexEditing, ACornerDraggedByItsHandleMovesAndUndoPutsItBack) {
  ASSERT_TRUE(Running());
  ASSERT_NO_FATAL_FAILURE(SketchQuadrilateral("moved-corner.yb"));
  // The third corner, dragged whole centimetres right and down.
  const Spot corner = Shown(2);
  Me().SlowDrag(corner.x, corner.y, corner.x + Centimetres(3), corner.y + Centimetres(2));
  ASSERT_TRUE(Me().Idle());

  const SavedCorners moved = SaveAndRead();
  ASSERT_EQ(moved.polygons, 1) << moved.Description();
  ASSERT_EQ(moved.corners.size(), 4u) << moved.Description();
  for (const size_t i : {0u, 1u, 3u})
    EXPECT_TRUE(SamePoint(moved.corners[i], sketched_.corners[i]))
        << "corner " << i + 1 << " moved\n"
        << moved.Description();
  EXPECT_TRUE(OnGrid(moved.corners[2])) << moved.Description();
  EXPECT_NEAR(moved.corners[2].x, sketched_.corners[2].x + 3 * kCentimetre, kPixelSlack)
      << moved.Description();
  EXPECT_NEAR(moved.corners[2].y, sketched_.corners[2].y - 2 * kCentimetre, kPixelSlack)
      << moved.Description();

  ASSERT_TRUE(Edit("Undo"));
  const SavedCorners undone = SaveAndRead();
  ASSERT_EQ(undone.corners.size(), 4u) << undone.Description();
  for (size_t i = 0; i < undone.corners.size(); ++i)
    EXPECT_TRUE(SamePoint(undone.corners[i], sketched_.corners[i]))
        << "corner " << i + 1 << " not given back\n"
        << undone.Description();
}

TEST_F(VertexEditing, ASelectedCornerGoesWithCutOrDeleteAndStaysWithCopy) {
  ASSERT_TRUE(Running());
  ASSERT_NO_FATAL_FAILURE(SketchQuadrilateral("fewer-corners.yb"));
  // A click on the fourth corner selects it.
  Me().Click(Shown(3).x, Shown(3).y);
  ASSERT_TRUE(Me().Idle());

  ASSERT_TRUE(Edit("Copy"));
  const SavedCorners copied = SaveAndRead();
  ASSERT_EQ(copied.polygons, 1) << copied.Description();
  ASSERT_EQ(copied.corners.size(), 4u) << "Copy changed the polygon\n" << copied.Description();
  for (size_t i = 0; i < copied.corners.size(); ++i)
    EXPECT_TRUE(SamePoint(copied.corners[i], sketched_.corners[i])) << copied.Description();

  // The corner is still selected: Cut takes it, and it alone; Undo gives it back.
  ASSERT_TRUE(Edit("Cut"));
  const SavedCorners cut = SaveAndRead();
  ASSERT_EQ(cut.polygons, 1) << "Cut took the polygon\n" << cut.Description();
  ASSERT_EQ(cut.corners.size(), 3u) << cut.Description();
  for (size_t i = 0; i < 3; ++i)
    EXPECT_TRUE(SamePoint(cut.corners[i], sketched_.corners[i])) << cut.Description();
  ASSERT_TRUE(Edit("Undo"));
  const SavedCorners undone = SaveAndRead();
  ASSERT_EQ(undone.corners.size(), 4u) << "Undo did not give the corner back\n"
                                       << undone.Description();
  EXPECT_TRUE(SamePoint(undone.corners[3], sketched_.corners[3])) << undone.Description();

  // The second corner, clicked, goes with the Delete key.
  Me().Click(Shown(1).x, Shown(1).y);
  ASSERT_TRUE(Me().Idle());
  Me().Key("Delete");
  ASSERT_TRUE(Me().Idle());
  const SavedCorners deleted = SaveAndRead();
  ASSERT_EQ(deleted.polygons, 1) << "Delete took the polygon\n" << deleted.Description();
  ASSERT_EQ(deleted.corners.size(), 3u) << deleted.Description();
  for (const auto& [kept, sketched] : {std::pair{0u, 0u}, {1u, 2u}, {2u, 3u}})
    EXPECT_TRUE(SamePoint(deleted.corners[kept], sketched_.corners[sketched]))
        << deleted.Description();

  // A triangle keeps its corners: the Delete key on one is refused and reported.
  Me().Click(Shown(0).x, Shown(0).y);
  ASSERT_TRUE(Me().Idle());
  Me().Key("Delete");
  ASSERT_TRUE(Me().WaitUntil([] { return Me().WindowTitled("Yarrowby") != 0; }))
      << "deleting a triangle's corner was not reported";
  ASSERT_TRUE(Me().Idle());
  Me().Key("Return");
  ASSERT_TRUE(Me().WaitUntil([] { return Me().WindowTitled("Yarrowby") == 0; }))
      << "the report was not answered";
  ASSERT_TRUE(Me().Idle());
  const SavedCorners refused = SaveAndRead();
  ASSERT_EQ(refused.polygons, 1) << refused.Description();
  ASSERT_EQ(refused.corners.size(), 3u) << refused.Description();
}

}  // namespace
}  // namespace scenario
