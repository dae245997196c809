// The body and point tools of the Tools menu, walked on a new world: a polygon clicked corner by
// corner keeps those corners in the saved world and shows its edges; a polygon whose corners lie
// on one line is reported when its sketch ends, and cancelling the report leaves no polygon; a
// square dragged out keeps the drag's shorter side; an anchor clicked on a body pins that body,
// and one clicked on empty space leaves the world as it was.

#include <cmath>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "bodies/Body.h"
#include "bodies/Polygon.h"
#include "bodies/points/Point.h"
#include "core/Failure.h"
#include "model/world/QVDoc.h"
#include "platform/win32/Window.h"
#include "tests/scenarios/BodiesSeen.h"
#include "tests/scenarios/Harness.h"

namespace scenario {
namespace {

struct Spot {
  int x = 0, y = 0;
};

// Half a pixel of rounding at each end of a length, and a little more.
constexpr double kPixelSlack = 1.5;

// A new world shows a metre as this many pixels; the sketches below go by whole centimetres (two
// for squares, whose side snaps by two), so they end as sketched whether the grid holds them or
// not.
constexpr double kNewWorldScale = 2834.64576;
constexpr double kCentimetre = 0.01;
int Centimetres(int count) {
  return static_cast<int>(std::lround(count * kNewWorldScale / 100.0));
}

// What a saved world holds beyond its bodies' boxes: its polygons' corners and its anchors.
struct SavedPolygon {
  int id = 0;
  std::vector<TVector> corners;  // world metres, y up, in the order sketched
};

struct SavedAnchor {
  int id = 0;
  int body = -1;  // the identifier of the body it sits on (the background's is 0)
  double x = 0.0, y = 0.0;
  bool bodyAnchored = false;
};

struct SavedShapes {
  std::string failure;
  std::vector<SavedPolygon> polygons;
  std::vector<SavedAnchor> anchors;

  std::string Description() const {
    std::ostringstream text;
    if (!failure.empty()) text << "not read: " << failure << "\n";
    for (const SavedPolygon& polygon : polygons) {
      text << "  polygon " << polygon.id << ":";
      for (const TVector& corner : polygon.corners)
        text << " (" << corner.x << ", " << corner.y << ")";
      text << "\n";
    }
    for (const SavedAnchor& anchor : anchors)
      text << "  anchor " << anchor.id << " on body " << anchor.body << " at (" << anchor.x << ", "
           << anchor.y << ")\n";
    return text.str();
  }
};

SavedShapes ReadSavedShapes(const std::string& path) {
  SavedShapes saved;
  ProgramUnits units;
  try {
    TQVDoc document;
    document.ReadDocument(path);
    for (TLink* object : document.World().Objects()) {
      if (object->IsMemberClass(TPolygon::kClassID)) {
        auto& polygon = static_cast<TPolygon&>(*object);
        SavedPolygon found{polygon.GetIdentifier(), {}};
        TVector corner(0.0, 0.0);
        for (int32_t i = 1; polygon.GetVertex(i, corner); ++i) {
          polygon.LocalToWorld(corner);
          found.corners.push_back(corner);
        }
        saved.polygons.push_back(found);
      } else if (object->IsMemberClass(TAnchor::kClassID)) {
        auto& anchor = static_cast<TAnchor&>(*object);
        TMass* body = anchor.GetBody();
        const TVector3 at = anchor.GetWorldPosition();
        saved.anchors.push_back({anchor.GetIdentifier(),
                                 body != nullptr ? body->GetIdentifier() : -1, at.x, at.y,
                                 body != nullptr && body->IsAnchored()});
      }
    }
  } catch (const QVException& failure) {
    saved.failure = "error " + std::to_string(failure.error());
  }
  return saved;
}

// Whether ink lies within `reach` pixels of every spot along the segment from a to b, the ends
// left out (a corner's neighbourhood may be drawn otherwise).
bool InkAlong(const Picture& picture, Spot a, Spot b, int reach = 2) {
  constexpr int kSpots = 12;
  for (int i = 1; i < kSpots; ++i) {
    const int x = a.x + (b.x - a.x) * i / kSpots - picture.box.x;
    const int y = a.y + (b.y - a.y) * i / kSpots - picture.box.y;
    bool inked = false;
    for (int dy = -reach; dy <= reach && !inked; ++dy)
      for (int dx = -reach; dx <= reach && !inked; ++dx) {
        const int px = x + dx, py = y + dy;
        if (px >= 0 && py >= 0 && px < picture.box.width && py < picture.box.height)
          inked = IsDark(picture.At(px, py));
      }
    if (!inked) return false;
  }
  return true;
}

class ToolSketches : public Scenario {
 protected:
  // A place in the main window, from its top left corner.
  Spot At(int x, int y) const {
    const Box frame = Frame();
    return {frame.x + x, frame.y + y};
  }

  // The part of the new world's window where the sketches go.
  Box Sketchpad() const {
    const Spot corner = At(120, 120);
    return Box{corner.x, corner.y, 520, 360};
  }

  // Ctrl+N: the main window names an untitled world, whose window shows nothing drawn.
  ::testing::AssertionResult NewWorld() {
    Me().Control("n");
    const bool shown = Me().WaitUntil([&] {
      return Me().UntitledWorldWindow() != 0 &&
             Me().Grab(Sketchpad()).Count(IsDark) == 0;
    });
    if (!shown) return ::testing::AssertionFailure() << "no empty new world was shown";
    return Me().Idle();
  }

  // The main window's status line, at the bottom of its frame.
  Box StatusLine() const {
    const Box frame = Frame();
    return {frame.x + 4, frame.Bottom() - GetSystemMetrics(SM_CYFRAME) - 18, frame.width / 2, 16};
  }

  // World > Redraw the World changes nothing that the sketchpad shows.
  ::testing::AssertionResult ShownAsRedrawn() {
    const Picture shown = Me().Grab(Sketchpad());
    if (::testing::AssertionResult chosen = Choose({"World", "Redraw the World"}); !chosen)
      return chosen;
    const int changed = Me().Grab(Sketchpad()).Differences(shown);
    if (changed == 0) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << changed << " pixels changed when the world was redrawn";
  }

  // The clicked polygon is made and drawn: its closing edge, back from the last corner to the
  // first, which no sketch shows, is drawn, moved onto the grid as the clicks are.
  ::testing::AssertionResult Closed(const std::vector<Spot>& corners) {
    const Picture shown = Me().Grab(Sketchpad());
    const int halfStep = Centimetres(1) / 2 + 1;
    for (int dy = -halfStep; dy <= halfStep; ++dy)
      for (int dx = -halfStep; dx <= halfStep; ++dx)
        if (InkAlong(shown, {corners.back().x + dx, corners.back().y + dy},
                     {corners[0].x + dx, corners[0].y + dy}, 1))
          return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "the polygon's closing edge is not drawn";
  }

  ::testing::AssertionResult SquareFromMenu() { return Choose({"Tools", "Square"}); }
  ::testing::AssertionResult PolygonFromMenu() { return Choose({"Tools", "Polygon"}); }
  ::testing::AssertionResult AnchorFromMenu() { return Choose({"Tools", "Anchor"}); }

  // A polygon sketched by clicks: the first press starts it, each further click fixes a corner,
  // and a second click on the last corner ends it.
  void ClickPolygon(const std::vector<Spot>& corners) {
    for (const Spot corner : corners) {
      Me().MoveTo(corner.x, corner.y);
      ASSERT_TRUE(Me().Idle());
      Me().Click(corner.x, corner.y);
      ASSERT_TRUE(Me().Idle());
    }
    Me().Click(corners.back().x, corners.back().y);
  }

  // Ctrl+S on a world never saved asks where to save it; the name alone is typed, into the
  // folder the dialog offers, and the main window then names the file. Answers the path of the
  // saved world, found in the private home.
  std::string SaveNewWorldAs(const std::string& name) {
    Me().Control("s");
    if (!Me().WaitUntil([&] { return Me().FocusedTitle() == "Save the world as"; })) {
      ADD_FAILURE() << "Ctrl+S did not ask where to save: " << Me().FocusedTitle();
      return "";
    }
    EXPECT_TRUE(Me().Idle());
    Me().Type(name);
    Me().Key("Return");
    if (!Me().WaitUntil([&] { return Me().WindowTitled("Yarrowby - " + name) != 0; })) {
      ADD_FAILURE() << "the title does not name " << name;
      return "";
    }
    EXPECT_TRUE(Me().Idle());
    for (const auto& entry : std::filesystem::recursive_directory_iterator(Home().Root())) {
      if (entry.path().filename() == name) return entry.path().string();
    }
    ADD_FAILURE() << name << " was not written";
    return "";
  }
};

TEST_F(ToolSketches, APolygonClickedCornerByCornerKeepsThoseCorners) {
  ASSERT_TRUE(Running());
  ASSERT_TRUE(NewWorld());
  // A quadrilateral with no two sides alike, clicked round from its top left.
  const Spot a = At(180, 160);
  const std::vector<Spot> corners{a,
                                  {a.x + Centimetres(10), a.y},
                                  {a.x + Centimetres(12), a.y + Centimetres(6)},
                                  {a.x + Centimetres(2), a.y + Centimetres(8)}};
  ASSERT_TRUE(PolygonFromMenu());
  // Between clicks the corners fixed so far are joined, and an edge runs from the last of them
  // to the pointer; the status line says how to finish.
  const int readyInk = Me().Grab(StatusLine()).Count(IsDark);
  for (size_t i = 0; i + 1 < corners.size(); ++i) {
    Me().MoveTo(corners[i].x, corners[i].y);
    ASSERT_TRUE(Me().Idle());
    Me().Click(corners[i].x, corners[i].y);
    ASSERT_TRUE(Me().Idle());
    if (i == 0) continue;
    Me().MoveTo(corners[i + 1].x, corners[i + 1].y);
    ASSERT_TRUE(Me().Idle());
    // The sketch's top left is the first corner, moved onto the grid as the clicks are.
    const Picture sketch = Me().Grab(Sketchpad());
    const Box inked = sketch.BoundsOf(IsDark);
    ASSERT_FALSE(inked.Empty()) << "nothing is drawn after " << i + 1 << " clicks";
    const int dx = inked.x - a.x, dy = inked.y - a.y;
    const int halfStep = Centimetres(1) / 2 + 1;
    ASSERT_LE(std::abs(dx), halfStep);
    ASSERT_LE(std::abs(dy), halfStep);
    for (size_t edge = 0; edge <= i; ++edge) {
      const Spot from{corners[edge].x + dx, corners[edge].y + dy};
      const Spot to{corners[edge + 1].x + dx, corners[edge + 1].y + dy};
      EXPECT_TRUE(InkAlong(sketch, from, to))
          << "after " << i + 1 << " clicks, edge " << edge + 1 << " is not drawn"
          << (edge == i ? " (the one to the pointer)" : "");
    }
    EXPECT_GT(Me().Grab(StatusLine()).Count(IsDark), 4 * readyInk + 20)
        << "the status line does not say how to finish";
  }
  Me().MoveTo(corners.back().x, corners.back().y);
  ASSERT_TRUE(Me().Idle());
  Me().Click(corners.back().x, corners.back().y);
  ASSERT_TRUE(Me().Idle());
  Me().Click(corners.back().x, corners.back().y);
  ASSERT_TRUE(Me().Idle());
  EXPECT_EQ(Me().WindowTitled("Yarrowby"), 0u) << "a good polygon was reported";
  EXPECT_LE(Me().Grab(StatusLine()).Count(IsDark), readyInk + 20)
      << "the status line still speaks of the sketch";

  // Corners snap to the world's grid of whole centimetres, all alike since the clicks lie whole
  // centimetres apart: the polygon is drawn as clicked, moved by less than half a step.
  const Picture shown = Me().Grab(Sketchpad());
  const Box drawn = shown.BoundsOf(IsDark);
  const Box clicked{a.x, a.y, corners[2].x - a.x + 1, corners[3].y - a.y + 1};
  ASSERT_NEAR(drawn.width, clicked.width, 2) << "the polygon is not drawn as wide as clicked";
  ASSERT_NEAR(drawn.height, clicked.height, 2) << "the polygon is not drawn as high as clicked";
  const int halfStep = Centimetres(1) / 2 + 1;
  ASSERT_LE(std::abs(drawn.x - clicked.x), halfStep);
  ASSERT_LE(std::abs(drawn.y - clicked.y), halfStep);
  std::vector<Spot> shownCorners;
  for (const Spot corner : corners)
    shownCorners.push_back({corner.x + drawn.x - clicked.x, corner.y + drawn.y - clicked.y});
  for (size_t i = 0; i < corners.size(); ++i)
    EXPECT_TRUE(InkAlong(shown, shownCorners[i], shownCorners[(i + 1) % corners.size()]))
        << "edge " << i + 1 << " of the polygon is not drawn";

  const std::string path = SaveNewWorldAs("clicked-polygon.yb");
  ASSERT_FALSE(path.empty());
  const SavedShapes saved = ReadSavedShapes(path);
  ASSERT_EQ(saved.polygons.size(), 1u) << saved.Description();
  const std::vector<TVector>& kept = saved.polygons[0].corners;
  ASSERT_EQ(kept.size(), corners.size()) << saved.Description();
  for (const TVector& corner : kept) {
    EXPECT_NEAR(std::remainder(corner.x, kCentimetre), 0.0, 1e-9) << saved.Description();
    EXPECT_NEAR(std::remainder(corner.y, kCentimetre), 0.0, 1e-9) << saved.Description();
  }
  // Each corner sits where it was clicked, seen from the first: screen pixels down are metres
  // down the world's y axis.
  for (size_t i = 1; i < corners.size(); ++i) {
    EXPECT_NEAR(kept[i].x - kept[0].x, (corners[i].x - a.x) / kNewWorldScale,
                kPixelSlack / kNewWorldScale)
        << "corner " << i + 1 << "\n"
        << saved.Description();
    EXPECT_NEAR(kept[i].y - kept[0].y, -(corners[i].y - a.y) / kNewWorldScale,
                kPixelSlack / kNewWorldScale)
        << "corner " << i + 1 << "\n"
        << saved.Description();
  }
}

TEST_F(ToolSketches, EscapeOrADoubleClickEndsAPolygonAtItsClickedCorners) {
  ASSERT_TRUE(Running());
  ASSERT_TRUE(NewWorld());
  // Two triangles side by side: the first ended by Escape with the pointer elsewhere, the second
  // by a double click on its third corner.
  const Spot a = At(160, 180);
  const std::vector<Spot> first{a, {a.x + Centimetres(6), a.y}, {a.x + Centimetres(3), a.y + Centimetres(5)}};
  ASSERT_TRUE(PolygonFromMenu());
  for (const Spot corner : first) {
    Me().MoveTo(corner.x, corner.y);
    ASSERT_TRUE(Me().Idle());
    Me().Click(corner.x, corner.y);
    ASSERT_TRUE(Me().Idle());
  }
  Me().MoveTo(a.x + Centimetres(8), a.y + Centimetres(9));
  ASSERT_TRUE(Me().Idle());
  // Escape as a person presses it: the program takes the key going down before it comes up.
  Me().HoldWhile({"Escape"}, [] {});
  ASSERT_TRUE(Me().Idle());
  EXPECT_TRUE(Closed(first)) << "after Escape";
  EXPECT_TRUE(ShownAsRedrawn()) << "after Escape";

  const Spot b = At(420, 180);
  const std::vector<Spot> second{b, {b.x + Centimetres(6), b.y}, {b.x + Centimetres(3), b.y + Centimetres(5)}};
  ASSERT_TRUE(PolygonFromMenu());
  for (size_t i = 0; i < second.size(); ++i) {
    Me().MoveTo(second[i].x, second[i].y);
    ASSERT_TRUE(Me().Idle());
    Me().Click(second[i].x, second[i].y);
    ASSERT_TRUE(Me().Idle());
  }
  // The second click of a person's double click comes after the program took the first.
  Me().Click(second.back().x, second.back().y);
  ASSERT_TRUE(Me().Idle());
  EXPECT_TRUE(Closed(second)) << "after a double click";
  EXPECT_TRUE(ShownAsRedrawn()) << "after a double click";

  const std::string path = SaveNewWorldAs("ended-polygons.yb");
  ASSERT_FALSE(path.empty());
  const SavedShapes saved = ReadSavedShapes(path);
  ASSERT_EQ(saved.polygons.size(), 2u) << saved.Description();
  for (size_t p = 0; p < 2; ++p) {
    const std::vector<Spot>& clicked = p == 0 ? first : second;
    const std::vector<TVector>& kept = saved.polygons[p].corners;
    ASSERT_EQ(kept.size(), clicked.size()) << "polygon " << p + 1 << "\n" << saved.Description();
    for (size_t i = 1; i < kept.size(); ++i) {
      EXPECT_NEAR(kept[i].x - kept[0].x, (clicked[i].x - clicked[0].x) / kNewWorldScale,
                  kPixelSlack / kNewWorldScale)
          << "polygon " << p + 1 << ", corner " << i + 1 << "\n" << saved.Description();
      EXPECT_NEAR(kept[i].y - kept[0].y, -(clicked[i].y - clicked[0].y) / kNewWorldScale,
                  kPixelSlack / kNewWorldScale)
          << "polygon " << p + 1 << ", corner " << i + 1 << "\n" << saved.Description();
    }
  }
}

TEST_F(ToolSketches, APolygonWithoutAreaIsReportedAndCancellingLeavesNoPolygon) {
  ASSERT_TRUE(Running());
  ASSERT_TRUE(NewWorld());
  const Spot a = At(200, 300);
  const std::vector<Spot> inLine{a,
                                 {a.x + Centimetres(4), a.y - Centimetres(2)},
                                 {a.x + Centimetres(10), a.y - Centimetres(5)}};
  ASSERT_TRUE(PolygonFromMenu());
  ClickPolygon(inLine);
  ASSERT_TRUE(Me().WaitUntil([] { return Me().WindowTitled("Yarrowby") != 0; }))
      << "a polygon without area was not reported";
  ASSERT_TRUE(Me().Idle());
  Me().Key("Escape");
  ASSERT_TRUE(Me().WaitUntil([] { return Me().WindowTitled("Yarrowby") == 0; }))
      << "Escape did not answer the report";
  ASSERT_TRUE(Me().Idle());
  EXPECT_EQ(Me().Grab(Sketchpad()).Count(IsDark), 0) << "the cancelled polygon is still shown";

  const std::string path = SaveNewWorldAs("flat-polygon.yb");
  ASSERT_FALSE(path.empty());
  const SavedShapes saved = ReadSavedShapes(path);
  EXPECT_TRUE(saved.failure.empty()) << saved.Description();
  EXPECT_TRUE(saved.polygons.empty()) << saved.Description();
  EXPECT_TRUE(ReadSavedWorld(path).bodies.empty()) << ReadSavedWorld(path).Description();
}

TEST_F(ToolSketches, ASquareDraggedOutAndAnAnchorClickedOnItPinIt) {
  ASSERT_TRUE(Running());
  ASSERT_TRUE(NewWorld());
  // Dragged up and right, wider than high: the square's side is the height, laid from the press.
  const Spot from = At(220, 380);
  const Spot to{from.x + Centimetres(8), from.y - Centimetres(6)};
  ASSERT_TRUE(SquareFromMenu());
  Me().SlowDrag(from.x, from.y, to.x, to.y);
  ASSERT_TRUE(Me().Idle());
  const int side = to.y > from.y ? to.y - from.y : from.y - to.y;

  // An anchor on empty space, well right of the square: the background cannot be pinned, so
  // nothing is left there.
  const Spot empty = At(560, 200);
  const Box aroundEmpty{empty.x - 20, empty.y - 20, 41, 41};
  const Picture emptyBefore = Me().Grab(aroundEmpty);
  ASSERT_TRUE(AnchorFromMenu());
  Me().Click(empty.x, empty.y);
  ASSERT_TRUE(Me().Idle());
  EXPECT_EQ(Me().Grab(aroundEmpty).Differences(emptyBefore), 0)
      << "an anchor was left on empty space";

  // An anchor inside the square, off its middle: its icon shows there.
  const Spot pin{from.x + side / 4, from.y - side / 4};
  const Box aroundPin{pin.x - 12, pin.y - 12, 25, 25};
  const Picture pinBefore = Me().Grab(aroundPin);
  ASSERT_TRUE(AnchorFromMenu());
  Me().Click(pin.x, pin.y);
  ASSERT_TRUE(Me().Idle());
  EXPECT_GT(Me().Grab(aroundPin).Differences(pinBefore), 0) << "no anchor is shown on the square";

  const std::string path = SaveNewWorldAs("anchored-square.yb");
  ASSERT_FALSE(path.empty());
  const SavedWorld world = ReadSavedWorld(path);
  const std::vector<SavedBody> squares = world.BodiesOfKind("TRectangle");
  ASSERT_EQ(squares.size(), 1u) << world.Description();
  ASSERT_EQ(world.bodies.size(), 1u) << world.Description();
  const SavedBody& square = squares[0];
  const double scale = world.scale;
  ASSERT_NEAR(scale, kNewWorldScale, 1e-6);
  EXPECT_NEAR(square.width, side / scale, kPixelSlack / scale) << world.Description();
  EXPECT_NEAR(square.height, side / scale, kPixelSlack / scale) << world.Description();

  const SavedShapes saved = ReadSavedShapes(path);
  ASSERT_EQ(saved.anchors.size(), 1u) << saved.Description();
  const SavedAnchor& anchor = saved.anchors[0];
  EXPECT_EQ(anchor.body, square.id) << saved.Description();
  EXPECT_TRUE(anchor.bodyAnchored) << "the square is not pinned\n" << saved.Description();
  // The square's centre lies half a side right of and above the press. The anchor lies on the
  // world's grid of whole centimetres, at the step nearest the click.
  const double clickX = square.x - square.width / 2.0 + (pin.x - from.x) / scale;
  const double clickY = square.y - square.height / 2.0 - (pin.y - from.y) / scale;
  EXPECT_NEAR(std::remainder(anchor.x, kCentimetre), 0.0, 1e-9) << saved.Description();
  EXPECT_NEAR(std::remainder(anchor.y, kCentimetre), 0.0, 1e-9) << saved.Description();
  EXPECT_NEAR(anchor.x, clickX, kCentimetre / 2.0 + kPixelSlack / scale)
      << saved.Description() << world.Description();
  EXPECT_NEAR(anchor.y, clickY, kCentimetre / 2.0 + kPixelSlack / scale)
      << saved.Description() << world.Description();
}

}  // namespace
}  // namespace scenario
