// The Edit menu's commands on the objects of the spring-and-pin sample, given at the desktop: a
// Shift-click adds a body to the selection and a second one takes it out again, Duplicate sets
// each copy off from the body it copies, and Cut takes a body out of the world until Paste
// brings it back. Undo and Cut given from the keys while the pointer rests on the object that
// goes leave the program working. The saved world read back, and the screen, show what each
// command did.

#include <algorithm>
#include <string>
#include <vector>

#include "tests/scenarios/BodiesSeen.h"
#include "tests/scenarios/Harness.h"

namespace scenario {
namespace {

// How far the first copy of a duplicate stands right of and below what it copies, in pixels.
constexpr double kDuplicateStep = 12.0;
// The Circle button, first on the bodies palette docked at the main window's left edge, from
// the main window's corner.
constexpr int kCircleButtonX = 15, kCircleButtonY = 81;

class EditCommands : public SampleScenario {
 protected:
  // A fresh program on a private copy of the sample under the name; the box found as the
  // program shows it.
  void OpenWithBox(const std::string& name) {
    ASSERT_TRUE(OpenCopy(name));
    ASSERT_EQ(Opened().BodiesOfKind("TRectangle").size(), 1u) << Opened().Description();
    ASSERT_EQ(Opened().BodiesOfKind("TOval").size(), 1u) << Opened().Description();
    box_ = FindBox();
    ASSERT_FALSE(box_.Empty()) << "the box is not shown";
  }

  SavedBody OpenedBox() const { return Opened().BodiesOfKind("TRectangle")[0]; }
  SavedBody OpenedWheel() const { return Opened().BodiesOfKind("TOval")[0]; }

  // The box's outline as the world window shows it now; empty when it is not there.
  Box FindBox() const { return OutlineOf("TRectangle"); }
  // A point on the box, above the spring's end at its centre.
  int BoxX() const { return box_.x + box_.width / 2; }
  int BoxY() const { return box_.y + box_.height / 4; }
  // A point inside the wheel, left of its centre (clear of the pin and of the radius the wheel
  // shows), `up` pixels above the centre; found from the box, whose place the screen shows.
  int WheelX() const {
    return BoxX() + Pixels(OpenedWheel().x - OpenedBox().x) - Pixels(OpenedWheel().width) / 4;
  }
  int WheelY(int up) const {
    return box_.y + box_.height / 2 - Pixels(OpenedWheel().y - OpenedBox().y) - up;
  }

  ::testing::AssertionResult ChooseEdit(const std::string& item) {
    if (::testing::AssertionResult chosen = Choose({"Edit", item}); !chosen) return chosen;
    if (Me().ShownWindows() != 1)
      return ::testing::AssertionFailure() << "the menu stayed open: its item is greyed";
    return ::testing::AssertionSuccess();
  }

  // The pointer comes to rest at the point and the program has seen it there.
  static void RestAt(int x, int y) {
    Me().MoveTo(x, y);
    EXPECT_TRUE(Me().Idle());
  }

  Box box_;
};

TEST_F(EditCommands, ShiftClickedBodiesAreDeletedTogether) {
  ASSERT_NO_FATAL_FAILURE(OpenWithBox("shift-both.yb"));
  Me().Click(BoxX(), BoxY());
  ASSERT_TRUE(Me().Idle());
  Me().ShiftClick(WheelX(), WheelY(20));
  ASSERT_TRUE(Me().Idle());
  Me().Key("Delete");
  ASSERT_TRUE(Me().Idle());

  const SavedWorld saved = SaveAndRead();
  EXPECT_TRUE(saved.BodiesOfKind("TRectangle").empty()) << saved.Description();
  EXPECT_TRUE(saved.BodiesOfKind("TOval").empty()) << saved.Description();
}

TEST_F(EditCommands, ASecondShiftClickTakesTheBodyOutOfTheSelection) {
  ASSERT_NO_FATAL_FAILURE(OpenWithBox("shift-back.yb"));
  Me().Click(BoxX(), BoxY());
  ASSERT_TRUE(Me().Idle());
  Me().ShiftClick(WheelX(), WheelY(20));
  ASSERT_TRUE(Me().Idle());
  // Well away from the first, so that the two clicks are not taken for a double click.
  Me().ShiftClick(WheelX(), WheelY(-20));
  ASSERT_TRUE(Me().Idle());
  Me().Key("Delete");
  ASSERT_TRUE(Me().Idle());

  const SavedWorld saved = SaveAndRead();
  EXPECT_TRUE(saved.BodiesOfKind("TRectangle").empty()) << saved.Description();
  ASSERT_EQ(saved.BodiesOfKind("TOval").size(), 1u) << saved.Description();
  EXPECT_DOUBLE_EQ(saved.BodiesOfKind("TOval")[0].x, OpenedWheel().x);
  EXPECT_DOUBLE_EQ(saved.BodiesOfKind("TOval")[0].y, OpenedWheel().y);
}

TEST_F(EditCommands, EachDuplicateStandsOffFromTheBodyItCopies) {
  ASSERT_NO_FATAL_FAILURE(OpenWithBox("duplicates.yb"));
  Me().Click(BoxX(), BoxY());
  ASSERT_TRUE(Me().Idle());
  // The first copy is selected after it is made, so the second Duplicate copies the copy and
  // carries the row on.
  ASSERT_TRUE(ChooseEdit("Duplicate"));
  ASSERT_TRUE(ChooseEdit("Duplicate"));

  const SavedWorld saved = SaveAndRead();
  std::vector<SavedBody> boxes = saved.BodiesOfKind("TRectangle");
  ASSERT_EQ(boxes.size(), 3u) << saved.Description();
  std::sort(boxes.begin(), boxes.end(),
            [](const SavedBody& a, const SavedBody& b) { return a.x < b.x; });
  const SavedBody& original = boxes[0];
  EXPECT_DOUBLE_EQ(original.x, OpenedBox().x);
  EXPECT_DOUBLE_EQ(original.y, OpenedBox().y);
  // Right and below (world y points up), one step for the first copy, two more for the next.
  const double step = kDuplicateStep / saved.scale;
  constexpr double kTolerance = 1e-9;
  EXPECT_NEAR(boxes[1].x - original.x, step, kTolerance) << saved.Description();
  EXPECT_NEAR(boxes[1].y - original.y, -step, kTolerance) << saved.Description();
  EXPECT_NEAR(boxes[2].x - boxes[1].x, 2 * step, kTolerance) << saved.Description();
  EXPECT_NEAR(boxes[2].y - boxes[1].y, -2 * step, kTolerance) << saved.Description();
  for (const SavedBody& copy : boxes) {
    EXPECT_DOUBLE_EQ(copy.width, original.width);
    EXPECT_DOUBLE_EQ(copy.height, original.height);
  }
}

TEST_F(EditCommands, CutTakesTheBodyOutAndPasteBringsItBack) {
  ASSERT_NO_FATAL_FAILURE(OpenWithBox("cut-and-paste.yb"));
  Me().Click(BoxX(), BoxY());
  ASSERT_TRUE(Me().Idle());
  ASSERT_TRUE(ChooseEdit("Cut"));
  EXPECT_TRUE(FindBox().Empty()) << "the cut box is still shown";
  const SavedWorld cut = SaveAndRead();
  EXPECT_TRUE(cut.BodiesOfKind("TRectangle").empty()) << cut.Description();
  ASSERT_EQ(cut.BodiesOfKind("TOval").size(), 1u) << cut.Description();

  ASSERT_TRUE(ChooseEdit("Paste"));
  EXPECT_FALSE(FindBox().Empty()) << "the pasted box is not shown";
  const SavedWorld pasted = SaveAndRead();
  const std::vector<SavedBody> boxes = pasted.BodiesOfKind("TRectangle");
  ASSERT_EQ(boxes.size(), 1u) << pasted.Description();
  EXPECT_DOUBLE_EQ(boxes[0].width, OpenedBox().width);
  EXPECT_DOUBLE_EQ(boxes[0].height, OpenedBox().height);
  EXPECT_DOUBLE_EQ(boxes[0].mass, OpenedBox().mass);
  EXPECT_EQ(pasted.BodiesOfKind("TOval").size(), 1u) << pasted.Description();
}

// Each key below is pressed as a person presses it, Control held a moment first, with the
// pointer resting on the object that goes: while Control is down the program keeps naming the
// object under the pointer, and the object's going must not leave it naming freed memory.

TEST_F(EditCommands, CtrlZTakesBackTheCircleUnderTheRestingPointer) {
  ASSERT_NO_FATAL_FAILURE(OpenWithBox("undo-circle.yb"));
  const Box frame = Frame();
  Me().Click(frame.x + kCircleButtonX, frame.y + kCircleButtonY);
  ASSERT_TRUE(Me().Idle());
  // Empty space between the spring and the wheel.
  const int x = frame.x + spring_and_pin::kBoxX - 200;
  const int y = frame.y + spring_and_pin::kObjectsY + 150;
  Me().Click(x, y);
  RestAt(x, y);
  ASSERT_EQ(SaveAndRead().BodiesOfKind("TOval").size(), 2u) << "no circle was placed";

  Me().Control("z");
  ASSERT_TRUE(Me().Idle()) << "the program did not live through the undo";
  const SavedWorld saved = SaveAndRead();
  const std::vector<SavedBody> ovals = saved.BodiesOfKind("TOval");
  ASSERT_EQ(ovals.size(), 1u) << saved.Description();
  EXPECT_DOUBLE_EQ(ovals[0].x, OpenedWheel().x);
}

TEST_F(EditCommands, CtrlZTakesBackTheSpringUnderTheRestingPointer) {
  ASSERT_NO_FATAL_FAILURE(OpenWithBox("undo-spring.yb"));
  // From the box's middle to the wheel a tenth of a metre right of its pin: both places lie on
  // the world's grid, so that snapping leaves the ends where the drag puts them.
  const int fromX = box_.x + box_.width / 2, fromY = box_.y + box_.height / 2;
  const int toX = fromX + Pixels(OpenedWheel().x - OpenedBox().x + 0.1);
  const int toY = fromY - Pixels(OpenedWheel().y - OpenedBox().y);
  ASSERT_TRUE(Choose({"Tools", "Spring"}));
  Me().SlowDrag(fromX, fromY, toX, toY);
  // Halfway along the new spring.
  RestAt((fromX + toX) / 2, (fromY + toY) / 2);
  ASSERT_EQ(SaveAndRead().ConstraintsOfKind("TLSpring").size(), 2u) << "no spring was made";

  Me().Control("z");
  ASSERT_TRUE(Me().Idle()) << "the program did not live through the undo";
  const SavedWorld saved = SaveAndRead();
  EXPECT_EQ(saved.ConstraintsOfKind("TLSpring").size(), 1u) << saved.Description();
  EXPECT_EQ(saved.BodiesOfKind("TOval").size(), 1u) << saved.Description();
}

TEST_F(EditCommands, CtrlXCutsTheWheelUnderTheRestingPointer) {
  ASSERT_NO_FATAL_FAILURE(OpenWithBox("cut-wheel.yb"));
  Me().Click(WheelX(), WheelY(20));
  RestAt(WheelX(), WheelY(20));

  Me().Control("x");
  ASSERT_TRUE(Me().Idle()) << "the program did not live through the cut";
  const SavedWorld saved = SaveAndRead();
  EXPECT_TRUE(saved.BodiesOfKind("TOval").empty()) << saved.Description();
  EXPECT_EQ(saved.BodiesOfKind("TRectangle").size(), 1u) << saved.Description();
}

TEST_F(EditCommands, CtrlZTakesBackTheDuplicateUnderTheRestingPointer) {
  ASSERT_NO_FATAL_FAILURE(OpenWithBox("undo-duplicate.yb"));
  Me().Click(BoxX(), BoxY());
  ASSERT_TRUE(Me().Idle());
  Me().Control("d");
  ASSERT_TRUE(Me().Idle());
  // Inside the copy, below and right of the box it copies.
  RestAt(box_.Right() + 6, box_.Bottom() + 6);
  ASSERT_EQ(SaveAndRead().BodiesOfKind("TRectangle").size(), 2u) << "no copy was made";

  Me().Control("z");
  ASSERT_TRUE(Me().Idle()) << "the program did not live through the undo";
  const SavedWorld saved = SaveAndRead();
  const std::vector<SavedBody> boxes = saved.BodiesOfKind("TRectangle");
  ASSERT_EQ(boxes.size(), 1u) << saved.Description();
  EXPECT_DOUBLE_EQ(boxes[0].x, OpenedBox().x);
  EXPECT_DOUBLE_EQ(boxes[0].y, OpenedBox().y);
}

// Edit > Insert Object embeds a new world, edited in place under bars of its own; a press on the
// world beside it ends the editing and brings the document's own bars back.
TEST_F(EditCommands, APressBesideAWorldEditedInPlaceEndsTheEditing) {
  ASSERT_NO_FATAL_FAILURE(OpenWithBox("insert-object.yb"));
  const Box frame = Frame();
  // The document's Help title: the bar of a world edited in place, which has no Input and Meter
  // menus, ends before it.
  const int help = MenuTitleMiddle(frame, "Help");
  ASSERT_GE(help, 0);
  const Box helpTitle{help - 10, frame.y + 26, 20, 14};
  ASSERT_GT(Me().Grab(helpTitle).Count(IsInk), 0) << "the bar shows no Help title";

  ASSERT_TRUE(Choose({"Edit", "Insert Object..."}));
  ASSERT_TRUE(Me().WaitUntil([] { return Me().FocusedTitle() == "Insert Object"; }))
      << Me().FocusedTitle();
  Me().Key("Return");
  ASSERT_TRUE(Me().Idle());
  ASSERT_EQ(Me().Grab(helpTitle).Count(IsInk), 0) << "the new world is not edited in place";

  // Below the box, where the world is empty.
  Me().Click(BoxX(), box_.Bottom() + 200);
  ASSERT_TRUE(Me().Idle());
  EXPECT_GT(Me().Grab(helpTitle).Count(IsInk), 0) << "the editing in place goes on";
}

}  // namespace
}  // namespace scenario
