// Selecting, moving, resizing and turning the bodies of the spring-and-pin sample at the desktop:
// a band drawn from empty space takes the bodies wholly inside it, a dragged body lands on the
// grid when the world snaps to it, a corner handle resizes the box until Undo gives its size
// back, and a drag under the Tools menu's second tool turns the selection about its middle. The
// saved world read back shows what each did.

#include <algorithm>
#include <cmath>
#include <functional>
#include <numbers>
#include <string>
#include <vector>

#include "bodies/Shapes.h"
#include "bodies/points/Point.h"
#include "constraints/Pin.h"
#include "core/Failure.h"
#include "model/world/QVDoc.h"
#include "tests/scenarios/BodiesSeen.h"
#include "tests/scenarios/Harness.h"
#include "views/offscreen/OffScreenViewBase.h"

namespace scenario {
namespace {

// The World menu's grid switches: the world's option that keeps drags to the grid and turns to
// steps of five degrees, and the grid lines.
const MenuPath kGridOption = {"World", "Snap Turns to 5 Degrees (Angles)"};
const MenuPath kGridLines = {"World", "Grid"};
// The editing bar's second button, the turning tool's, from the main window's corner.
constexpr int kTurnButtonX = 265, kTurnButtonY = 55, kBarButtonStep = 23;
// How far from the bodies a band starts and ends, in pixels.
constexpr int kBandMargin = 10;
// The largest error of a place or size that a drag puts to the nearest pixel, in pixels.
constexpr double kPixelSlack = 1.5;

// The turn of the world's one rectangle in the saved document, in radians; NaN when it cannot
// be read or holds no rectangle.
double SavedTurnOfTheBox(const std::string& path) {
  ProgramUnits units;
  try {
    TQVDoc document;
    document.ReadDocument(path);
    for (TLink* object : document.World().Objects()) {
      if (const auto* box = dynamic_cast<TRectangle*>(object))
        return box->GetPositionValues().r;
    }
  } catch (const QVException&) {
  }
  return std::nan("");
}

// Where the points of the world's one pin lie in the saved document, in world metres; empty
// when it cannot be read or holds no pin.
std::vector<TVector> SavedPinPoints(const std::string& path) {
  std::vector<TVector> points;
  ForEachSavedObject(path, [&](TLink& object) {
    const auto* pin = dynamic_cast<TPin*>(&object);
    if (pin == nullptr) return;
    for (TLink* attached : pin->Attached())
      if (auto* point = dynamic_cast<TPoint*>(attached)) points.push_back(point->GetWorldXY());
  });
  return points;
}

// Where every point of the saved document lies, in world metres.
std::vector<TVector> SavedPoints(const std::string& path) {
  std::vector<TVector> points;
  ForEachSavedObject(path, [&](TLink& object) {
    if (auto* point = dynamic_cast<TPoint*>(&object)) points.push_back(point->GetWorldXY());
  });
  return points;
}

// How many of the points lie within `slack` of the place, across and up.
size_t PointsAt(const std::vector<TVector>& points, const TVector& at, double slack) {
  return static_cast<size_t>(std::count_if(points.begin(), points.end(), [&](const TVector& p) {
    return std::abs(p.x - at.x) <= slack && std::abs(p.y - at.y) <= slack;
  }));
}

class SelectionMoves : public SampleScenario {
 protected:
  // A fresh program on a private copy of the sample, the box and the wheel found as the program
  // shows them.
  void OpenTheBox(const std::string& name) {
    ASSERT_TRUE(OpenCopy(name));
    ASSERT_EQ(Opened().BodiesOfKind("TRectangle").size(), 1u) << Opened().Description();
    ASSERT_EQ(Opened().BodiesOfKind("TOval").size(), 1u) << Opened().Description();
    box_ = OutlineOf("TRectangle");
    ASSERT_FALSE(box_.Empty()) << "the box is not shown";
  }

  SavedBody OpenedBox() const { return Opened().BodiesOfKind("TRectangle")[0]; }
  SavedBody OpenedWheel() const { return Opened().BodiesOfKind("TOval")[0]; }

  int BoxMiddleX() const { return box_.x + box_.width / 2; }
  int BoxMiddleY() const { return box_.y + box_.height / 2; }
  // The wheel's square on the screen, placed from the box, whose place the screen shows.
  Box WheelBox() const {
    const int diameter = Pixels(OpenedWheel().width);
    const int middleX = BoxMiddleX() + Pixels(OpenedWheel().x - OpenedBox().x);
    const int middleY = BoxMiddleY() - Pixels(OpenedWheel().y - OpenedBox().y);
    return {middleX - diameter / 2, middleY - diameter / 2, diameter, diameter};
  }
  // A point on the box clear of the spring's end at its middle and of its corners.
  int BoxGripX() const { return box_.x + box_.width / 4; }
  int BoxGripY() const { return box_.y + 3 * box_.height / 4; }

  void SelectTheBox() {
    Me().Click(BoxGripX(), BoxGripY());
    ASSERT_TRUE(Me().Idle());
  }

  Box box_;
  // Opens a copy, selects the box, chooses the turning tool as `choose` does and drags a quarter
  // turn round the box's middle: the saved box has turned that far about its middle, alone.
  void TurnTheBoxWith(const std::string& copy,
                      const std::function<::testing::AssertionResult()>& choose) {
    ASSERT_NO_FATAL_FAILURE(OpenTheBox(copy));
    EXPECT_NEAR(SavedTurnOfTheBox(CopyPath()), 0.0, 1e-12);
    ASSERT_TRUE(Choose(kGridOption));
    ASSERT_NO_FATAL_FAILURE(SelectTheBox());
    ASSERT_TRUE(choose());
    // Right of the middle on the box (clear of the spring's end there) up to a point above it.
    const int pressX = box_.Right() - box_.width / 8;
    const int reach = pressX - BoxMiddleX();
    Me().SlowDrag(pressX, BoxMiddleY(), BoxMiddleX(), BoxMiddleY() - 6 * reach, 12);
    ASSERT_TRUE(Me().Idle());

    const SavedWorld saved = SaveAndRead();
    ASSERT_EQ(saved.BodiesOfKind("TRectangle").size(), 1u) << saved.Description();
    const SavedBody turned = saved.BodiesOfKind("TRectangle")[0];
    EXPECT_NEAR(turned.x, OpenedBox().x, 1e-9) << saved.Description();
    EXPECT_NEAR(turned.y, OpenedBox().y, 1e-9) << saved.Description();
    // A pixel off at the press point, some ten pixels from the middle, is a tenth of a radian.
    constexpr double kTurnSlack = 0.1;
    EXPECT_NEAR(SavedTurnOfTheBox(CopyPath()), std::numbers::pi / 2, kTurnSlack);
    // The wheel, not selected, stays as it was.
    ASSERT_EQ(saved.BodiesOfKind("TOval").size(), 1u) << saved.Description();
    EXPECT_DOUBLE_EQ(saved.BodiesOfKind("TOval")[0].x, OpenedWheel().x);
    EXPECT_DOUBLE_EQ(saved.BodiesOfKind("TOval")[0].y, OpenedWheel().y);
  }
};

TEST_F(SelectionMoves, ABandFromEmptySpaceAroundBothBodiesSelectsBoth) {
  ASSERT_NO_FATAL_FAILURE(OpenTheBox("band-both.yb"));
  const Box wheel = WheelBox();
  const int left = std::min(box_.x, wheel.x) - kBandMargin;
  const int top = std::min(box_.y, wheel.y) - kBandMargin;
  const int right = std::max(box_.Right(), wheel.Right()) + kBandMargin;
  const int bottom = std::max(box_.Bottom(), wheel.Bottom()) + kBandMargin;
  Me().SlowDrag(left, top, right, bottom);
  ASSERT_TRUE(Me().Idle());
  Me().Key("Delete");
  ASSERT_TRUE(Me().Idle());

  const SavedWorld saved = SaveAndRead();
  EXPECT_TRUE(saved.BodiesOfKind("TRectangle").empty()) << saved.Description();
  EXPECT_TRUE(saved.BodiesOfKind("TOval").empty()) << saved.Description();
}

TEST_F(SelectionMoves, ABandAroundTheBoxAloneSelectsOnlyTheBox) {
  ASSERT_NO_FATAL_FAILURE(OpenTheBox("band-one.yb"));
  // Drawn from its top right corner down to the left: the spring reaches out of the band.
  Me().SlowDrag(box_.Right() + kBandMargin, box_.y - kBandMargin, box_.x - kBandMargin,
                box_.Bottom() + kBandMargin);
  ASSERT_TRUE(Me().Idle());
  Me().Key("Delete");
  ASSERT_TRUE(Me().Idle());

  const SavedWorld saved = SaveAndRead();
  EXPECT_TRUE(saved.BodiesOfKind("TRectangle").empty()) << saved.Description();
  ASSERT_EQ(saved.BodiesOfKind("TOval").size(), 1u) << saved.Description();
  EXPECT_DOUBLE_EQ(saved.BodiesOfKind("TOval")[0].x, OpenedWheel().x);
  EXPECT_DOUBLE_EQ(saved.BodiesOfKind("TOval")[0].y, OpenedWheel().y);
}

// The sample keeps drags to the grid. With World's grid option switched off the box dragged
// between grid lines stays between them; after Undo, with the option switched back on, the same
// drag lands it on the nearest crossing of the grid drawn at the sample's scale.
TEST_F(SelectionMoves, ADraggedBoxLandsOnTheGridOnlyWhileTheWorldKeepsToIt) {
  ASSERT_NO_FATAL_FAILURE(OpenTheBox("grid-drag.yb"));
  ASSERT_TRUE(Choose(kGridLines));
  const double step = ComputeGridParameters(Opened().scale, 1.0).major;
  ASSERT_GT(step, 0.0);
  // Left by four tenths of a step and down by one and three tenths: off every grid line. The box
  // is pressed unselected, so that no click before the press makes it a double click.
  const int byX = -Pixels(0.4 * step), byY = Pixels(1.3 * step);
  const auto dragTheBox = [&] {
    Me().SlowDrag(BoxGripX(), BoxGripY(), BoxGripX() + byX, BoxGripY() + byY);
    return Me().Idle();
  };
  const auto onTheGrid = [step](double metres) {
    return std::abs(metres / step - std::round(metres / step)) < 1e-6;
  };

  ASSERT_TRUE(Choose(kGridOption));
  ASSERT_TRUE(dragTheBox());
  const SavedWorld free = SaveAndRead();
  ASSERT_EQ(free.BodiesOfKind("TRectangle").size(), 1u) << free.Description();
  const SavedBody freed = free.BodiesOfKind("TRectangle")[0];
  EXPECT_FALSE(onTheGrid(freed.x)) << "grid step " << step << "\n" << free.Description();
  EXPECT_FALSE(onTheGrid(freed.y)) << "grid step " << step << "\n" << free.Description();
  EXPECT_NEAR(freed.x, OpenedBox().x + byX / Opened().scale, kPixelSlack / Opened().scale);
  EXPECT_NEAR(freed.y, OpenedBox().y - byY / Opened().scale, kPixelSlack / Opened().scale);

  Me().Control("z");
  ASSERT_TRUE(Me().Idle());
  ASSERT_TRUE(Choose(kGridOption));
  ASSERT_TRUE(dragTheBox());
  const SavedWorld kept = SaveAndRead();
  ASSERT_EQ(kept.BodiesOfKind("TRectangle").size(), 1u) << kept.Description();
  const SavedBody moved = kept.BodiesOfKind("TRectangle")[0];
  EXPECT_TRUE(onTheGrid(moved.x)) << "grid step " << step << "\n" << kept.Description();
  EXPECT_TRUE(onTheGrid(moved.y)) << "grid step " << step << "\n" << kept.Description();
  // Within a step of where the pointer took it.
  EXPECT_NEAR(moved.x, OpenedBox().x + byX / Opened().scale, step) << kept.Description();
  EXPECT_NEAR(moved.y, OpenedBox().y - byY / Opened().scale, step) << kept.Description();
}

// A run leaves its frames recorded; back at the start, the box dragged elsewhere is the start of
// the next run: a step forward shows it near where it was put, not on the frames of before.
TEST_F(SelectionMoves, ABoxDraggedAtTheStartAfterARunIsWhereTheNextRunStarts) {
  ASSERT_NO_FATAL_FAILURE(OpenTheBox("drag-after-run.yb"));
  ASSERT_TRUE(Choose(kGridOption));  // drags go where the pointer takes them
  for (int step = 0; step < 3; ++step)
    ASSERT_TRUE(Choose({"World", "Step Forward"}));
  ASSERT_TRUE(Choose({"World", "Back to Start"}));
  ASSERT_EQ(OutlineOf("TRectangle"), box_) << "Back to Start shows the box elsewhere";
  constexpr int byX = -40, byY = 40;
  Me().SlowDrag(BoxGripX(), BoxGripY(), BoxGripX() + byX, BoxGripY() + byY);
  ASSERT_TRUE(Me().Idle());

  ASSERT_TRUE(Choose({"World", "Step Forward"}));
  const Box first = OutlineOf("TRectangle");
  ASSERT_FALSE(first.Empty()) << "the box is not shown at frame 1";
  const auto away = [&first](int x, int y) {
    return std::abs(first.x - x) + std::abs(first.y - y);
  };
  EXPECT_LT(away(box_.x + byX, box_.y + byY), away(box_.x, box_.y))
      << "frame 1 shows the box at (" << first.x << ", " << first.y << "), put at ("
      << box_.x + byX << ", " << box_.y + byY << ") from (" << box_.x << ", " << box_.y << ")";
}

// The selected box's lower right handle dragged out makes it wider and taller by the drag while
// its upper left corner stays; Undo gives it its old size and place back.
TEST_F(SelectionMoves, ACornerHandleResizesTheBoxAndUndoGivesItsSizeBack) {
  ASSERT_NO_FATAL_FAILURE(OpenTheBox("corner-resize.yb"));
  ASSERT_NO_FATAL_FAILURE(SelectTheBox());
  // The sample's box is a square, so it stays one: dragged out along its diagonal.
  constexpr int kWider = 30, kTaller = 30;
  const int cornerX = box_.Right() - 1, cornerY = box_.Bottom() - 1;
  Me().SlowDrag(cornerX, cornerY, cornerX + kWider, cornerY + kTaller);
  ASSERT_TRUE(Me().Idle());

  const SavedWorld resized = SaveAndRead();
  ASSERT_EQ(resized.BodiesOfKind("TRectangle").size(), 1u) << resized.Description();
  const SavedBody box = resized.BodiesOfKind("TRectangle")[0];
  // Sizes keep to twice the grid's fine step.
  const double slack =
      kPixelSlack / Opened().scale + 2 * ComputeGridParameters(Opened().scale, 1.0).fine;
  EXPECT_NEAR(box.width, OpenedBox().width + kWider / Opened().scale, slack)
      << resized.Description();
  EXPECT_NEAR(box.height, OpenedBox().height + kTaller / Opened().scale, slack)
      << resized.Description();
  // The opposite corner held: the middle moved by half the growth.
  EXPECT_NEAR(box.x - box.width / 2, OpenedBox().x - OpenedBox().width / 2, slack);
  EXPECT_NEAR(box.y + box.height / 2, OpenedBox().y + OpenedBox().height / 2, slack);

  Me().Control("z");
  ASSERT_TRUE(Me().Idle());
  const SavedWorld undone = SaveAndRead();
  ASSERT_EQ(undone.BodiesOfKind("TRectangle").size(), 1u) << undone.Description();
  const SavedBody back = undone.BodiesOfKind("TRectangle")[0];
  EXPECT_DOUBLE_EQ(back.width, OpenedBox().width) << undone.Description();
  EXPECT_DOUBLE_EQ(back.height, OpenedBox().height) << undone.Description();
  EXPECT_DOUBLE_EQ(back.x, OpenedBox().x) << undone.Description();
  EXPECT_DOUBLE_EQ(back.y, OpenedBox().y) << undone.Description();
}

// The wheel's pin, at the world's origin where the spring's anchor lies too, dragged off by a
// whole number of grid steps: both its points are saved where the drag left them, the wheel
// that hangs on it where it was; Undo puts them back.
TEST_F(SelectionMoves, ADraggedPinTakesItsPointsAlong) {
  ASSERT_NO_FATAL_FAILURE(OpenTheBox("pin-drag.yb"));
  ASSERT_EQ(SavedPinPoints(CopyPath()).size(), 2u);
  const double step = ComputeGridParameters(Opened().scale, 1.0).major;
  const int originX = BoxMiddleX() - Pixels(OpenedBox().x);
  const int originY = BoxMiddleY() + Pixels(OpenedBox().y);
  const TVector by(2 * step, -step);
  Me().SlowDrag(originX, originY, originX + Pixels(by.x), originY - Pixels(by.y));
  ASSERT_TRUE(Me().Idle());

  const SavedWorld saved = SaveAndRead();
  const std::vector<TVector> points = SavedPinPoints(CopyPath());
  ASSERT_EQ(points.size(), 2u) << saved.Description();
  for (const TVector& point : points) {
    EXPECT_NEAR(point.x, by.x, kPixelSlack / Opened().scale) << saved.Description();
    EXPECT_NEAR(point.y, by.y, kPixelSlack / Opened().scale) << saved.Description();
  }
  ASSERT_EQ(saved.BodiesOfKind("TOval").size(), 1u) << saved.Description();
  EXPECT_DOUBLE_EQ(saved.BodiesOfKind("TOval")[0].x, OpenedWheel().x);
  EXPECT_DOUBLE_EQ(saved.BodiesOfKind("TOval")[0].y, OpenedWheel().y);

  Me().Control("z");
  ASSERT_TRUE(Me().Idle());
  SaveAndRead();
  for (const TVector& point : SavedPinPoints(CopyPath())) {
    EXPECT_NEAR(point.x, 0.0, 1e-9) << "Undo left the pin moved";
    EXPECT_NEAR(point.y, 0.0, 1e-9) << "Undo left the pin moved";
  }
}

// A point placed alone on empty space, then dragged with the arrow, is saved where it was
// dragged to, and Undo puts it back where it was placed.
TEST_F(SelectionMoves, ALonePointDraggedMovesAndUndoPutsItBack) {
  ASSERT_NO_FATAL_FAILURE(OpenTheBox("point-drag.yb"));
  const double step = ComputeGridParameters(Opened().scale, 1.0).major;
  const int originX = BoxMiddleX() - Pixels(OpenedBox().x);
  const int originY = BoxMiddleY() + Pixels(OpenedBox().y);
  // Between the spring and the wheel, on the grid the point snaps to.
  const TVector placed(std::round(0.8 / step) * step, -std::round(0.5 / step) * step);
  const int placedX = originX + Pixels(placed.x), placedY = originY - Pixels(placed.y);
  const double slack = kPixelSlack / Opened().scale;
  ASSERT_TRUE(Choose({"Tools", "Point"}));
  Me().Click(placedX, placedY);
  ASSERT_TRUE(Me().Idle());
  SaveAndRead();
  const std::vector<TVector> before = SavedPoints(CopyPath());
  ASSERT_EQ(PointsAt(before, placed, slack), 1u) << "the point was not placed where clicked";

  ASSERT_TRUE(Choose({"Tools", "Select"}));
  const TVector by(2 * step, -step);
  Me().SlowDrag(placedX, placedY, placedX + Pixels(by.x), placedY - Pixels(by.y));
  ASSERT_TRUE(Me().Idle());
  SaveAndRead();
  const std::vector<TVector> moved = SavedPoints(CopyPath());
  ASSERT_EQ(moved.size(), before.size());
  EXPECT_EQ(PointsAt(moved, placed, slack), 0u) << "the dragged point stayed where it was";
  EXPECT_EQ(PointsAt(moved, TVector(placed.x + by.x, placed.y + by.y), slack), 1u) << "the point is not where it was dragged";

  Me().Control("z");
  ASSERT_TRUE(Me().Idle());
  SaveAndRead();
  const std::vector<TVector> undone = SavedPoints(CopyPath());
  EXPECT_EQ(PointsAt(undone, placed, slack), 1u) << "Undo did not put the point back";
  EXPECT_EQ(PointsAt(undone, TVector(placed.x + by.x, placed.y + by.y), slack), 0u) << "Undo left the point moved";
}

// Under the Tools menu's second tool a press on the selection and a drag round its middle turn
// it: the selected box, dragged a quarter of the way round (against the clock) from a point on
// it, keeps its place and is saved turned by a quarter. The world's grid option is switched off
// first, or every press on the small box would snap to its middle.
// The turning tool, chosen from the Tools menu or from the editing bar's second button (the
// picture of a turn), turns the selected box about its middle by a quarter turn dragged round it.
TEST_F(SelectionMoves, TheTurningToolTurnsTheSelectionAboutItsMiddle) {
  ASSERT_NO_FATAL_FAILURE(TurnTheBoxWith("turn.yb", [this] {
    return Choose({"Tools", "Select and Turn"});
  }));
}

TEST_F(SelectionMoves, TheEditingBarsTurnButtonTurnsTheSelectionToo) {
  ASSERT_NO_FATAL_FAILURE(TurnTheBoxWith("turn-by-button.yb", [this] {
    const Box frame = Frame();
    Me().Click(frame.x + kTurnButtonX, frame.y + kTurnButtonY);
    return Me().Idle();
  }));
  // Every tool of the bar (select, turn, zoom in, zoom out) is taken up without a complaint.
  const Box frame = Frame();
  for (int button = 0; button < 4; ++button) {
    Me().Click(frame.x + kTurnButtonX + (button - 1) * kBarButtonStep, frame.y + kTurnButtonY);
    ASSERT_TRUE(Me().Idle());
    EXPECT_EQ(Me().ShownWindows(), 1) << "button " << button << " raised an alert";
  }
}

// The four-bar linkage's coupler dragged with the selection tool carries the crank and the
// rocker along, its pins holding; Undo puts every bar back where it was, not the coupler alone.
TEST_F(SelectionMoves, UndoOfALinkageDragPutsEveryBarBack) {
  ASSERT_TRUE(OpenCopy("linkage-dragged.yb", "four-bar-linkage.yb"));
  ASSERT_EQ(Opened().BodiesOfKind("TRectangle").size(), 3u) << Opened().Description();
  // The crank's fixed pin, the world's origin, where the sample's window shows it.
  constexpr int kOriginX = 117, kOriginY = 508;
  const Box frame = Frame();
  const SavedBody coupler = Opened().BodiesOfKind("TRectangle")[1];
  const int grabX = frame.x + kOriginX + Pixels(coupler.x);
  const int grabY = frame.y + kOriginY - Pixels(coupler.y);
  Me().SlowDrag(grabX, grabY, grabX + 40, grabY - 50, 10);
  ASSERT_TRUE(Me().Idle());
  const SavedWorld dragged = SaveAndRead();
  ASSERT_EQ(dragged.BodiesOfKind("TRectangle").size(), 3u) << dragged.Description();
  const SavedBody crankOpened = Opened().BodiesOfKind("TRectangle")[0];
  const SavedBody crankDragged = dragged.BodiesOfKind("TRectangle")[0];
  ASSERT_GT(std::hypot(crankDragged.x - crankOpened.x, crankDragged.y - crankOpened.y), 0.01)
      << "the crank was not carried along:\n" << dragged.Description();

  Me().Control("z");
  ASSERT_TRUE(Me().Idle());
  const SavedWorld undone = SaveAndRead();
  ASSERT_EQ(undone.BodiesOfKind("TRectangle").size(), 3u) << undone.Description();
  for (size_t i = 0; i < 3; ++i) {
    const SavedBody before = Opened().BodiesOfKind("TRectangle")[i];
    const SavedBody after = undone.BodiesOfKind("TRectangle")[i];
    EXPECT_NEAR(after.x, before.x, 1e-9) << "bar " << after.id << "\n" << undone.Description();
    EXPECT_NEAR(after.y, before.y, 1e-9) << "bar " << after.id << "\n" << undone.Description();
  }
}

// The cam of the cam-follower sample turned by a drag round its middle: its curved slot, a circle
// off the middle, turns with it on the screen, and the window shows what the saved world shows
// when it is opened afresh.
TEST_F(SelectionMoves, ACurvedSlotTurnsOnTheScreenWithTheCamDraggedRound) {
  ASSERT_TRUE(OpenCopy("cam-turned.yb", "cam-follower.yb"));
  // The cam's middle, where the sample's window shows it, and a grip on the cam clear of the
  // slot and of the follower's slot.
  constexpr int kMiddleX = 415, kMiddleY = 342;
  const Box frame = Frame();
  const double reach = std::hypot(153.0, 93.0);
  const double start = std::atan2(93.0, -153.0);
  struct Spot {
    int x, y;
  };
  auto onArc = [&](double turn) {
    return Spot{frame.x + kMiddleX + static_cast<int>(std::lround(reach * std::cos(start - turn))),
                frame.y + kMiddleY + static_cast<int>(std::lround(reach * std::sin(start - turn)))};
  };
  const Spot grip = onArc(0.0);
  Me().MoveTo(grip.x, grip.y);
  ASSERT_TRUE(Me().Idle());
  Me().Press();
  for (int step = 1; step <= 12; ++step) {
    const Spot next = onArc(0.05 * step);
    Me().MoveTo(next.x, next.y);
    ASSERT_TRUE(Me().Idle());
  }
  Me().Release();
  ASSERT_TRUE(Me().Idle());
  Me().MoveTo(frame.x + 5, frame.Bottom() + 20);
  ASSERT_TRUE(Me().Idle());
  const SavedWorld turned = SaveAndRead();
  ASSERT_EQ(turned.BodiesOfKind("TRectangle").size(), 1u) << turned.Description();
  ASSERT_GT(turned.BodiesOfKind("TRectangle")[0].y, Opened().BodiesOfKind("TRectangle")[0].y + 0.01)
      << "the follower did not rise:\n" << turned.Description();
  // Inside the world's window, clear of its scroll bars.
  const Box view{frame.x + 70, frame.y + 100, 680, 470};
  const Picture shown = Me().Grab(view);

  ASSERT_TRUE(StartOnSample("cam-turned.yb"));
  const Picture reopened = Me().Grab(view);
  // The cam's selection handles are all that may differ.
  EXPECT_LT(shown.Differences(reopened), 120)
      << "the window does not show the turned world as it was saved";
}

}  // namespace
}  // namespace scenario
