// Sketching a world by hand: a new world from the keyboard; rectangles and circles dragged out
// slowly and quickly from the Tools menu and from their tool buttons, their outlines followed while
// the button is down and their corners kept by the saved document; a click's small square; a pin
// and a spring put on bodies; a new world's bodies falling when it runs; and a body of a sample
// moved alike by a slow and a quick drag.

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "bodies/lines/Line.h"
#include "core/Failure.h"
#include "model/world/QVDoc.h"
#include "tests/scenarios/BodiesSeen.h"
#include "tests/scenarios/Harness.h"

namespace scenario {
namespace {

struct Spot {
  int x = 0, y = 0;
};

// Half a pixel of rounding at each end of a dragged length, and a little more.
constexpr double kPixelSlack = 1.5;

// A new world shows a metre as this many pixels, and may snap a sketch to its grid of whole
// centimetres (two for circles, whose sides snap together): the sketches below are dragged by
// whole centimetres, so that they end as dragged whether the grid holds them or not.
constexpr double kNewWorldScale = 2834.64576;
int Centimetres(int count) { return static_cast<int>(std::lround(count * kNewWorldScale / 100.0)); }

// Whether a changed pixel lies within `reach` pixels of the spot.
bool ChangedNear(const Picture& before, const Picture& now, Spot spot, int reach) {
  for (int y = spot.y - reach; y <= spot.y + reach; ++y) {
    for (int x = spot.x - reach; x <= spot.x + reach; ++x) {
      const int px = x - now.box.x, py = y - now.box.y;
      if (px < 0 || py < 0 || px >= now.box.width || py >= now.box.height) continue;
      if (before.At(px, py) != now.At(px, py)) return true;
    }
  }
  return false;
}

// The share of the spots near which the picture changed.
double ShownShare(const Picture& before, const Picture& now, const std::vector<Spot>& path,
                  int reach = 2) {
  if (path.empty()) return 0.0;
  int shown = 0;
  for (const Spot spot : path) shown += ChangedNear(before, now, spot, reach);
  return static_cast<double>(shown) / static_cast<double>(path.size());
}

// Spots every few pixels along the edges of the box with corners a and b.
std::vector<Spot> RectanglePath(Spot a, Spot b) {
  std::vector<Spot> path;
  const int left = std::min(a.x, b.x), right = std::max(a.x, b.x);
  const int top = std::min(a.y, b.y), bottom = std::max(a.y, b.y);
  for (int x = left; x <= right; x += 4) {
    path.push_back({x, top});
    path.push_back({x, bottom});
  }
  for (int y = top; y <= bottom; y += 4) {
    path.push_back({left, y});
    path.push_back({right, y});
  }
  return path;
}

// The circle a drag from a to b sketches: its side is the shorter of the drag's, laid from the
// press point in the drag's direction.
struct DraggedCircle {
  double centreX = 0.0, centreY = 0.0, diameter = 0.0;
};

DraggedCircle CircleOfDrag(Spot a, Spot b) {
  const int dx = b.x - a.x, dy = b.y - a.y;
  const double side = std::min(std::abs(dx), std::abs(dy));
  return {a.x + std::copysign(side / 2.0, dx), a.y + std::copysign(side / 2.0, dy), side};
}

std::vector<Spot> CirclePath(const DraggedCircle& circle) {
  std::vector<Spot> path;
  constexpr int kSpots = 72;
  const double radius = circle.diameter / 2.0;
  for (int i = 0; i < kSpots; ++i) {
    const double angle = 2.0 * M_PI * i / kSpots;
    path.push_back({static_cast<int>(std::lround(circle.centreX + radius * std::cos(angle))),
                    static_cast<int>(std::lround(circle.centreY + radius * std::sin(angle)))});
  }
  return path;
}

// Spots along the segment from a to b, every four pixels.
std::vector<Spot> SegmentPath(Spot a, Spot b) {
  std::vector<Spot> path;
  const double length = std::hypot(b.x - a.x, b.y - a.y);
  const int steps = std::max(1, static_cast<int>(length / 4));
  for (int i = 0; i <= steps; ++i)
    path.push_back({a.x + (b.x - a.x) * i / steps, a.y + (b.y - a.y) * i / steps});
  return path;
}

// The box with corners a and b, grown by a margin.
Box Around(Spot a, Spot b, int margin) {
  const int left = std::min(a.x, b.x) - margin, top = std::min(a.y, b.y) - margin;
  return Box{left, top, std::abs(b.x - a.x) + 2 * margin + 1, std::abs(b.y - a.y) + 2 * margin + 1};
}

class Sketching : public Scenario {
 protected:
  // A place in the main window, from its top left corner.
  Spot At(int x, int y) const {
    const Box frame = Frame();
    return {frame.x + x, frame.y + y};
  }

  // Where the new world's window shows its middle.
  Box MiddleOfWorld() const {
    const Spot corner = At(300, 250);
    return Box{corner.x, corner.y, 200, 150};
  }

  // Ctrl+N: the main window names an untitled world, whose window shows nothing drawn.
  ::testing::AssertionResult NewWorld() {
    Me().Control("n");
    const bool shown = Me().WaitUntil([&] {
      return Me().UntitledWorldWindow() != 0 &&
             Me().Grab(MiddleOfWorld()).Count(IsDark) == 0;
    });
    if (!shown) return ::testing::AssertionFailure() << "no empty new world was shown";
    return Me().Idle();
  }

  // A tool of the Tools menu, by its label.
  ::testing::AssertionResult Tool(const std::string& label) { return Choose({"Tools", label}); }

  // The bodies palette docked at the window's left edge: circle at the top, rectangle on the
  // third row.
  ::testing::AssertionResult ToolButton(Spot button) {
    Me().Click(button.x, button.y);
    return Me().Idle();
  }
  Spot CircleButton() const { return At(15, 81); }
  Spot RectangleButton() const { return At(15, 125); }

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

  // A slow drag that looks at the screen on the way: the share of the outline path (given the
  // press and the pointer) shown while the button is still down at the midway point. Nothing
  // else is drawn meanwhile in the middle of the world, away from the drag.
  double SlowDragWatchingOutline(Spot from, Spot midway, Spot to,
                                 const std::function<std::vector<Spot>(Spot, Spot)>& outline) {
    const Box watched = Around(from, to, 12);
    Me().MoveTo(from.x, from.y);
    EXPECT_TRUE(Me().Idle());
    const Picture before = Me().Grab(watched);
    Me().Press();
    EXPECT_TRUE(Me().Idle());
    constexpr int kMoves = 4;
    for (int step = 1; step <= kMoves; ++step) {
      Me().MoveTo(from.x + (midway.x - from.x) * step / kMoves,
                  from.y + (midway.y - from.y) * step / kMoves);
      EXPECT_TRUE(Me().Idle());
    }
    const double shown = ShownShare(before, Me().Grab(watched), outline(from, midway));
    EXPECT_EQ(Me().Grab(MiddleOfWorld()).Count(IsDark), 0)
        << "something besides the outline was drawn during the drag";
    for (int step = 1; step <= kMoves; ++step) {
      Me().MoveTo(midway.x + (to.x - midway.x) * step / kMoves,
                  midway.y + (to.y - midway.y) * step / kMoves);
      EXPECT_TRUE(Me().Idle());
    }
    Me().Release();
    EXPECT_TRUE(Me().Idle());
    return shown;
  }
};

// The saved body is the one the drag gave: its size, and its centre seen from another body's.
void ExpectSize(const SavedBody& body, double width, double height, double scale) {
  EXPECT_NEAR(body.width, width, kPixelSlack / scale) << body.kind << " " << body.id;
  EXPECT_NEAR(body.height, height, kPixelSlack / scale) << body.kind << " " << body.id;
}

void ExpectOffset(const SavedBody& from, const SavedBody& to, double screenDx, double screenDy,
                  double scale) {
  EXPECT_NEAR(to.x - from.x, screenDx / scale, kPixelSlack / scale);
  EXPECT_NEAR(to.y - from.y, -screenDy / scale, kPixelSlack / scale);
}

TEST_F(Sketching, CtrlNMakesANewWorldWindow) {
  ASSERT_TRUE(Start());
  ASSERT_NE(Me().WindowTitled("Yarrowby - spring-and-pin.yb"), 0u);
  ASSERT_TRUE(NewWorld());
  EXPECT_EQ(Me().WindowTitled("Yarrowby - spring-and-pin.yb"), 0u);
}

TEST_F(Sketching, RectanglesDraggedSlowlyAndQuicklyKeepTheirCornersInTheSavedWorld) {
  ASSERT_TRUE(Running());
  ASSERT_TRUE(NewWorld());

  // From the Tools menu, slowly: the outline follows the pointer while the button is down.
  const Spot a = At(150, 150);
  const Spot midway{a.x + Centimetres(3), a.y + Centimetres(2)};
  const Spot b{a.x + Centimetres(5), a.y + Centimetres(3)};
  ASSERT_TRUE(Tool("Rectangle"));
  EXPECT_GE(SlowDragWatchingOutline(a, midway, b, RectanglePath), 0.9)
      << "the rectangle's outline was not seen during the drag";

  // From the tool button, quickly, the other way round.
  const Spot c = At(600, 450);
  const Spot d{c.x - Centimetres(6), c.y - Centimetres(4)};
  ASSERT_TRUE(ToolButton(RectangleButton()));
  Me().FastDrag(c.x, c.y, d.x, d.y);
  ASSERT_TRUE(Me().Idle());

  const std::string path = SaveNewWorldAs("sketched-rectangles.yb");
  ASSERT_FALSE(path.empty());
  const SavedWorld saved = ReadSavedWorld(path);
  const std::vector<SavedBody> rectangles = saved.BodiesOfKind("TRectangle");
  ASSERT_EQ(rectangles.size(), 2u) << saved.Description();
  ASSERT_NEAR(saved.scale, kNewWorldScale, 1e-6);
  const double scale = saved.scale;
  // The slow one was made first, and identifiers grow.
  const SavedBody& slow = rectangles[0].id < rectangles[1].id ? rectangles[0] : rectangles[1];
  const SavedBody& fast = rectangles[0].id < rectangles[1].id ? rectangles[1] : rectangles[0];
  ExpectSize(slow, (b.x - a.x) / scale, (b.y - a.y) / scale, scale);
  ExpectSize(fast, (c.x - d.x) / scale, (c.y - d.y) / scale, scale);
  ExpectOffset(slow, fast, (c.x + d.x - a.x - b.x) / 2.0, (c.y + d.y - a.y - b.y) / 2.0, scale);
  if (HasFailure()) ADD_FAILURE() << saved.Description();
}

TEST_F(Sketching, CirclesDraggedSlowlyAndQuicklyKeepTheirBoxesInTheSavedWorld) {
  ASSERT_TRUE(Running());
  ASSERT_TRUE(NewWorld());

  const Spot a = At(150, 150);
  const Spot midway{a.x + Centimetres(3), a.y + Centimetres(2)};
  const Spot b{a.x + Centimetres(5), a.y + Centimetres(4)};
  ASSERT_TRUE(Tool("Circle"));
  const auto circleOutline = [](Spot from, Spot to) { return CirclePath(CircleOfDrag(from, to)); };
  EXPECT_GE(SlowDragWatchingOutline(a, midway, b, circleOutline), 0.9)
      << "the circle's outline was not seen during the drag";

  const Spot c = At(600, 450);
  const Spot d{c.x - Centimetres(6), c.y - Centimetres(4)};
  ASSERT_TRUE(ToolButton(CircleButton()));
  Me().FastDrag(c.x, c.y, d.x, d.y);
  ASSERT_TRUE(Me().Idle());

  const std::string path = SaveNewWorldAs("sketched-circles.yb");
  ASSERT_FALSE(path.empty());
  const SavedWorld saved = ReadSavedWorld(path);
  const std::vector<SavedBody> circles = saved.BodiesOfKind("TOval");
  ASSERT_EQ(circles.size(), 2u) << saved.Description();
  ASSERT_NEAR(saved.scale, kNewWorldScale, 1e-6);
  const double scale = saved.scale;
  const DraggedCircle slowDrag = CircleOfDrag(a, b), fastDrag = CircleOfDrag(c, d);
  const SavedBody& slow = circles[0].id < circles[1].id ? circles[0] : circles[1];
  const SavedBody& fast = circles[0].id < circles[1].id ? circles[1] : circles[0];
  ExpectSize(slow, slowDrag.diameter / scale, slowDrag.diameter / scale, scale);
  ExpectSize(fast, fastDrag.diameter / scale, fastDrag.diameter / scale, scale);
  ExpectOffset(slow, fast, fastDrag.centreX - slowDrag.centreX,
               fastDrag.centreY - slowDrag.centreY, scale);
  if (HasFailure()) ADD_FAILURE() << saved.Description();
}

// A click with the rectangle tool gives a small square of the grid's fine step, centred on the
// click, shown at once; the saved world holds it, and Undo takes it from the window and the file.
TEST_F(Sketching, ARectangleClickGivesASmallSquareCentredOnTheClickThatUndoTakesAway) {
  ASSERT_TRUE(Running());
  ASSERT_TRUE(NewWorld());
  const Spot p = At(330, 260);
  const Box around = Around(p, p, 40);
  ASSERT_EQ(Me().Grab(around).Count(IsDark), 0) << "the new world is not empty at the click";
  ASSERT_TRUE(Tool("Rectangle"));
  Me().Click(p.x, p.y);
  ASSERT_TRUE(Me().Idle());
  const Picture clicked = Me().Grab(around);

  const std::string path = SaveNewWorldAs("clicked-square.yb");
  ASSERT_FALSE(path.empty());
  const SavedWorld saved = ReadSavedWorld(path);
  const std::vector<SavedBody> squares = saved.BodiesOfKind("TRectangle");
  ASSERT_EQ(squares.size(), 1u) << saved.Description();
  const double scale = saved.scale;
  EXPECT_NEAR(squares[0].width, squares[0].height, 1e-9) << saved.Description();
  const int side = static_cast<int>(std::lround(squares[0].width * scale));
  EXPECT_GE(side, 5) << saved.Description();
  EXPECT_LE(side, 60) << saved.Description();
  const Box shown = FindOutline(clicked, side, side);
  ASSERT_FALSE(shown.Empty()) << "no square of " << side << " pixels around the click";
  EXPECT_NEAR(shown.x + (shown.width - 1) / 2.0, p.x, kPixelSlack);
  EXPECT_NEAR(shown.y + (shown.height - 1) / 2.0, p.y, kPixelSlack);

  Me().Control("z");
  ASSERT_TRUE(Me().Idle());
  EXPECT_EQ(Me().Grab(around).Count(IsDark), 0) << "Undo left the square on the window";
  Me().Control("s");
  ASSERT_TRUE(Me().Idle());
  const SavedWorld undone = ReadSavedWorld(path);
  EXPECT_TRUE(undone.BodiesOfKind("TRectangle").empty()) << undone.Description();
}

// A line dragged out and then clicked with the selection tool shows a small square at each of
// its ends.
TEST_F(Sketching, AClickedLineShowsASquareAtEachEnd) {
  ASSERT_TRUE(Running());
  ASSERT_TRUE(NewWorld());
  const Spot from = At(320, 270), to = At(420, 310);
  const Box around = Around(from, to, 30);
  ASSERT_TRUE(Tool("Line"));
  Me().SlowDrag(from.x, from.y, to.x, to.y);
  ASSERT_TRUE(Me().Idle());
  ASSERT_TRUE(Tool("Select"));
  Me().Click(around.Right() + 60, around.Bottom() + 60);
  ASSERT_TRUE(Me().Idle());
  const Picture plain = Me().Grab(around);
  const Box line = plain.BoundsOf(IsDark);
  ASSERT_GT(line.width, 40) << "the line is not drawn";
  Me().Click(line.x + line.width / 2, line.y + line.height / 2);
  ASSERT_TRUE(Me().Idle());
  const Picture selected = Me().Grab(around);
  // Down and right from the press: the ends are the corners of the line's bounds.
  for (const Spot end : {Spot{line.x - around.x, line.y - around.y},
                         Spot{line.Right() - 1 - around.x, line.Bottom() - 1 - around.y}}) {
    int marked = 0;
    for (int y = end.y - 2; y <= end.y + 2; ++y)
      for (int x = end.x - 2; x <= end.x + 2; ++x) marked += plain.At(x, y) != selected.At(x, y);
    EXPECT_GE(marked, 12) << "no square at the end " << end.x << "," << end.y;
  }
}

TEST_F(Sketching, APinClickedOnABodyAndASpringDraggedBetweenTwoBodiesHoldThem) {
  ASSERT_TRUE(Running());
  ASSERT_TRUE(NewWorld());
  const Spot a = At(150, 150), b = At(290, 240), c = At(460, 360), d = At(600, 450);
  for (const auto& [from, to] : {std::pair{a, b}, std::pair{c, d}}) {
    ASSERT_TRUE(ToolButton(RectangleButton()));
    Me().FastDrag(from.x, from.y, to.x, to.y);
    ASSERT_TRUE(Me().Idle());
  }

  // The pin at the first body's middle, clicked there twice: after a click without movement its
  // last point follows the pointer until the next click. The spring goes from beside the pin to
  // the second body's middle.
  ASSERT_TRUE(Tool("Pin"));
  for (int click = 0; click < 2; ++click) {
    Me().Click((a.x + b.x) / 2, (a.y + b.y) / 2);
    ASSERT_TRUE(Me().Idle());
  }
  const Spot springFrom{(a.x + b.x) / 2 + 35, (a.y + b.y) / 2 + 20};
  const Spot springTo{(c.x + d.x) / 2, (c.y + d.y) / 2};
  ASSERT_TRUE(Tool("Spring"));
  const Box watched = Around(springFrom, springTo, 12);
  const Picture before = Me().Grab(watched);
  Me().SlowDrag(springFrom.x, springFrom.y, springTo.x, springTo.y);
  ASSERT_TRUE(Me().Idle());
  // A spring is drawn as a coil about the line between its ends. The ends land on the new
  // world's centimetre grid, up to half a step (14 pixels) from where the pointer let go.
  EXPECT_GE(ShownShare(before, Me().Grab(watched), SegmentPath(springFrom, springTo), 16), 0.8)
      << "the spring is not drawn between its ends";

  const std::string path = SaveNewWorldAs("pinned-and-sprung.yb");
  ASSERT_FALSE(path.empty());
  const SavedWorld saved = ReadSavedWorld(path);
  std::vector<SavedBody> rectangles = saved.BodiesOfKind("TRectangle");
  ASSERT_EQ(rectangles.size(), 2u) << saved.Description();
  std::sort(rectangles.begin(), rectangles.end(),
            [](const SavedBody& x, const SavedBody& y) { return x.id < y.id; });
  const std::vector<SavedConstraint> pins = saved.ConstraintsOfKind("TPin");
  ASSERT_EQ(pins.size(), 1u) << saved.Description();
  // A pin on one body holds it to the background.
  EXPECT_EQ(pins[0].bodies.size(), 2u) << saved.Description();
  EXPECT_NE(std::find(pins[0].bodies.begin(), pins[0].bodies.end(), rectangles[0].id),
            pins[0].bodies.end())
      << saved.Description();
  const std::vector<SavedConstraint> springs = saved.ConstraintsOfKind("TLSpring");
  ASSERT_EQ(springs.size(), 1u) << saved.Description();
  EXPECT_EQ(springs[0].bodies, (std::vector<int>{rectangles[0].id, rectangles[1].id}))
      << saved.Description();
}

// A slider of the sample's spring constant, placed from the Input menu at the top left of the
// world, is gathered by a band, which marks its corners; its bottom right corner dragged out
// stretches it as the pointer goes, and Undo gives it back its size.
TEST_F(Sketching, ASelectedSlidersCornerStretchesItAndUndoGivesBackItsSize) {
  ASSERT_TRUE(Start());
  const Box frame = Frame();
  // The spring, between the anchor at the world's origin and the box's centre.
  Me().Click(frame.x + 459, frame.y + 130);
  ASSERT_TRUE(Me().Idle());
  // The room left of the spring's anchor, whose mark goes with the spring's selection.
  const Box area{frame.x + 87, frame.y + 95, 143, 60};
  const Picture empty = Me().Grab(area);
  ASSERT_TRUE(Choose({"Input", "Spring constant"}, {.objectMenu = "InSpringMenu"}));
  const Picture placed = Me().Grab(area);
  const Box slider = SliderTrack(empty, placed);
  ASSERT_GE(slider.width, 40) << "no slider appeared at the top left of the world";

  // Its frame reaches five pixels beyond what it draws. A band from the empty space below and
  // left of it, round it and no further to the right, where the spring's anchor stands: the
  // corners of its frame are marked.
  Me().Click(frame.x + 600, frame.y + 400);
  ASSERT_TRUE(Me().Idle());
  const Box leftEnd{slider.x - 8, slider.y - 8, 24, slider.height + 16};
  const Picture unselected = Me().Grab(leftEnd);
  Me().SlowDrag(slider.x - 8, slider.Bottom() + 8, slider.Right() + 7, slider.y - 8);
  ASSERT_TRUE(Me().Idle());
  const Box marked = ChangedBox(unselected, Me().Grab(leftEnd));
  ASSERT_FALSE(marked.Empty()) << "the band did not mark the slider";
  EXPECT_LE(marked.x, slider.x);
  EXPECT_GE(marked.Bottom(), slider.Bottom() - 1);

  // Below the slider, clear of the spring: the room that its stretched frame takes.
  const Box below{slider.x + 6, slider.Bottom() + 4, slider.width + 50, 26};
  const int inkBefore = Me().Grab(below).Count(IsDark);
  // The bottom right corner, taken just inside the frame, dragged 60 right and 20 down.
  const Spot corner{slider.Right() + 2, slider.Bottom() + 2};
  Me().SlowDrag(corner.x, corner.y, corner.x + 60, corner.y + 20);
  ASSERT_TRUE(Me().Idle());
  // Its bottom edge now runs below its old place, across the old width and further.
  EXPECT_GE(Me().Grab(below).Count(IsDark), inkBefore + slider.width)
      << "the slider did not follow its corner";

  Me().Control("z");
  ASSERT_TRUE(Me().Idle());
  EXPECT_EQ(Me().Grab(below).Count(IsDark), inkBefore) << "Undo left the slider stretched";
}

// The mean height of the dark pixels of a picture, in rows; NaN when none is dark.
double MeanDarkRow(const Picture& picture) {
  double sum = 0.0;
  int count = 0;
  for (int y = 0; y < picture.box.height; ++y) {
    for (int x = 0; x < picture.box.width; ++x) {
      if (!IsDark(picture.At(x, y))) continue;
      sum += y;
      ++count;
    }
  }
  return count > 0 ? sum / count : std::nan("");
}

// A new world's gravity is off until World > Force Fields > Gravity... switches it on: then its
// bodies fall when it runs.
TEST_F(Sketching, ANewWorldsBodyFallsWhenTheWorldRuns) {
  ASSERT_TRUE(Running());
  ASSERT_TRUE(NewWorld());
  const Spot a = At(330, 150), b = At(450, 230);
  ASSERT_TRUE(ToolButton(RectangleButton()));
  Me().FastDrag(a.x, a.y, b.x, b.y);
  ASSERT_TRUE(Me().Idle());

  ASSERT_TRUE(Choose({"World", "Force Fields", "Gravity..."}));
  ASSERT_TRUE(Me().WaitUntil([] { return Me().FocusedTitle() == "Gravity"; }))
      << "no Gravity dialog took the keyboard: " << Me().FocusedTitle();
  ASSERT_TRUE(Me().Idle());
  // "Uniformly, down:" and its value, at their places in the dialog's 232 by 100 units below
  // its caption; the value typed is confirmed with Return.
  const Box dialog = Me().Place(Me().WindowTitled("Gravity"));
  const auto inDialog = [&](int x, int y) {
    return Spot{dialog.x + 3 + static_cast<int>(std::lround(x * (dialog.width - 6) / 232.0)),
                dialog.y + 18 + static_cast<int>(std::lround(y * (dialog.height - 21) / 100.0))};
  };
  const Spot uniform = inDialog(40, 41), value = inDialog(138, 40);
  Me().Click(uniform.x, uniform.y);
  ASSERT_TRUE(Me().Idle());
  Me().Click(value.x, value.y);
  Me().Key("End");
  Me().Key("Home", {"Shift_L"});
  Me().Type("9.81");
  Me().Key("Return");
  ASSERT_TRUE(Me().WaitUntil([] { return Me().WindowTitled("Gravity") == 0; }))
      << "Return did not close the Gravity dialog";
  ASSERT_TRUE(Me().Idle());

  // The body and the room below it, away from the tape and the coordinates bar, whose figures
  // change with every frame of a run.
  const Box world{At(300, 120).x, At(300, 120).y, 180, 280};
  const double still = MeanDarkRow(Me().Grab(world));
  ASSERT_FALSE(std::isnan(still)) << "no body is shown";
  // The run goes until the window shows the body lower or gone below the room, however many
  // frames that took, and is stopped there; it is judged by the frames it recorded, shown one
  // at a time from the start, never by a moving picture.
  Me().Control("r");
  Me().WaitUntil([&] {
    const double row = MeanDarkRow(Me().Grab(world));
    return std::isnan(row) || row > still + 10.0;
  });
  Me().Control("period");
  ASSERT_TRUE(Me().Idle());
  ASSERT_TRUE(Choose({"World", "Back to Start"}));
  EXPECT_NEAR(MeanDarkRow(Me().Grab(world)), still, 1.0)
      << "the start does not show the body where it stood";
  double row = still;
  for (int frame = 1; frame <= 30 && row <= still + 10.0; ++frame) {
    ASSERT_TRUE(Choose({"World", "Step Forward"}));
    const double shown = MeanDarkRow(Me().Grab(world));
    ASSERT_FALSE(std::isnan(shown)) << "frame " << frame << " shows no body in the room";
    EXPECT_GE(shown, row) << "the body rose at frame " << frame;
    row = shown;
  }
  EXPECT_GT(row, still + 10.0) << "the body did not fall";
}

// The sample's box is dragged with the selection tool to a place of the world, slowly after one
// start of the program and quickly after another: both saved worlds hold it there. The place,
// (1 m, -0.4 m), lies on the grid that moves snap to, so snapping leaves it where the drag ends.
TEST_F(Sketching, TheSamplesBoxMovesAlikeByASlowAndAQuickDrag) {
  constexpr double kToX = 1.0, kToY = -0.4;
  for (const bool slowly : {true, false}) {
    const std::string name = slowly ? "box-dragged-slowly.yb" : "box-dragged-quickly.yb";
    SCOPED_TRACE(name);
    std::filesystem::copy_file(Home().Sample("spring-and-pin.yb"), Home().Sample(name),
                               std::filesystem::copy_options::overwrite_existing);
    ASSERT_TRUE(Start(name));
    // Saved as it opened, the world tells the scale its window shows it at.
    Me().Control("s");
    ASSERT_TRUE(Me().Idle());
    const SavedWorld opened = ReadSavedWorld(Home().Sample(name));
    ASSERT_EQ(opened.BodiesOfKind("TRectangle").size(), 1u) << opened.Description();
    const SavedBody before = opened.BodiesOfKind("TRectangle")[0];
    const double scale = opened.scale;
    const int side = static_cast<int>(std::lround(before.width * scale));
    const Box box = FindOutline(Me().Grab(Frame()), side, side);
    ASSERT_FALSE(box.Empty()) << "the box of " << side << " pixels is not shown";

    // Grabbed inside, away from the point at its middle and from its corners.
    const Spot grab{box.x + side / 4, box.y + 3 * side / 4};
    const Spot drop{grab.x + static_cast<int>(std::lround((kToX - before.x) * scale)),
                    grab.y - static_cast<int>(std::lround((kToY - before.y) * scale))};
    if (slowly)
      Me().SlowDrag(grab.x, grab.y, drop.x, drop.y);
    else
      Me().FastDrag(grab.x, grab.y, drop.x, drop.y);
    ASSERT_TRUE(Me().Idle());
    Me().Control("s");
    ASSERT_TRUE(Me().Idle());
    const SavedWorld saved = ReadSavedWorld(Home().Sample(name));
    ASSERT_EQ(saved.BodiesOfKind("TRectangle").size(), 1u) << saved.Description();
    const SavedBody after = saved.BodiesOfKind("TRectangle")[0];
    EXPECT_NEAR(after.x, kToX, kPixelSlack / scale) << saved.Description();
    EXPECT_NEAR(after.y, kToY, kPixelSlack / scale) << saved.Description();
  }
}

// The ends of the one line of a saved world, in world metres; none when there is no line.
std::vector<TVector> SavedLineEnds(const std::string& path) {
  std::vector<TVector> ends;
  ForEachSavedObject(path, [&](TLink& object) {
    if (const auto* line = dynamic_cast<TLine*>(&object)) {
      ends.push_back(line->GetEndPoint1());
      ends.push_back(line->GetEndPoint2());
    }
  });
  return ends;
}

// A line's end lands on a body's corner that the press, or a drag of the end's handle, comes
// near: the line tool's press beside a clicked square's corner, then the other end's handle
// dragged with the selection tool to beside the square's opposite corner.
TEST_F(Sketching, ALinesEndsSnapToTheCornersOfABody) {
  ASSERT_TRUE(Running());
  ASSERT_TRUE(NewWorld());
  const Spot centre = At(330, 260);
  ASSERT_TRUE(Tool("Rectangle"));
  Me().Click(centre.x, centre.y);
  ASSERT_TRUE(Me().Idle());
  ASSERT_TRUE(Tool("Line"));
  // Two pixels right of and one below the square's lower right corner, some 14 pixels out.
  const Spot beside{centre.x + 16, centre.y + 15};
  const Spot free{centre.x + 130, centre.y + 70};
  Me().SlowDrag(beside.x, beside.y, free.x, free.y);
  ASSERT_TRUE(Me().Idle());
  const std::string path = SaveNewWorldAs("line-on-corners.yb");
  ASSERT_FALSE(path.empty());
  const SavedWorld saved = ReadSavedWorld(path);
  ASSERT_EQ(saved.BodiesOfKind("TRectangle").size(), 1u) << saved.Description();
  const SavedBody square = saved.BodiesOfKind("TRectangle")[0];
  const double half = square.width / 2;
  std::vector<TVector> ends = SavedLineEnds(path);
  ASSERT_EQ(ends.size(), 2u) << "no line was saved";
  EXPECT_NEAR(ends[0].x, square.x + half, 1e-9);
  EXPECT_NEAR(ends[0].y, square.y - half, 1e-9);

  // The free end's handle, where the window shows it, dragged to beside the upper left corner.
  ASSERT_TRUE(Tool("Select"));
  const double scale = saved.scale;
  const Spot end{centre.x + static_cast<int>(std::lround((ends[1].x - square.x) * scale)),
                 centre.y - static_cast<int>(std::lround((ends[1].y - square.y) * scale))};
  Me().Click(end.x - 10, end.y - 5);
  ASSERT_TRUE(Me().Idle());
  Me().SlowDrag(end.x, end.y, centre.x - 16, centre.y - 15);
  ASSERT_TRUE(Me().Idle());
  Me().Control("s");
  ASSERT_TRUE(Me().Idle());
  ends = SavedLineEnds(path);
  ASSERT_EQ(ends.size(), 2u) << "no line was saved";
  EXPECT_NEAR(ends[0].x, square.x + half, 1e-9);
  EXPECT_NEAR(ends[1].x, square.x - half, 1e-9);
  EXPECT_NEAR(ends[1].y, square.y + half, 1e-9);
}

}  // namespace
}  // namespace scenario
