// The Edit menu's commands on the objects of the spring-and-pin sample, given at the desktop: a
// Shift-click adds a body to the selection and a second one takes it out again, Duplicate sets
// each copy off from the body it copies, and Cut takes a body out of the world until Paste
// brings it back. The saved world read back, and the screen, show what each command did.

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/scenarios/BodiesSeen.h"
#include "tests/scenarios/Harness.h"

// Last: Xlib's macros would clash with the names above.
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>

namespace scenario {
namespace {

constexpr char kSample[] = "spring-and-pin.yb";
// The Edit menu's items by the items and separators above them.
constexpr int kCutItems = 1, kCutSeparators = 1;
constexpr int kPasteItems = 3, kPasteSeparators = 1;
constexpr int kDuplicateItems = 5, kDuplicateSeparators = 2;
// How far the first copy of a duplicate stands right of and below what it copies, in pixels.
constexpr double kDuplicateStep = 12.0;

class EditCommands : public Scenario {
 protected:
  // A fresh program on a private copy of the sample under the name, so that what one scenario
  // saves never reaches another; the box and the wheel found as the program shows them.
  void OpenCopy(const std::string& name) {
    path_ = Home().Sample(name);
    std::filesystem::copy_file(Home().Sample(kSample), path_,
                               std::filesystem::copy_options::overwrite_existing);
    Me().MoveTo(0, 0);
    ASSERT_TRUE(Start(name));
    ASSERT_TRUE(Me().WaitUntil([] { return Me().ShownWindows() == 1; }))
        << "the splash window stayed";
    opened_ = SaveAndRead();
    ASSERT_TRUE(opened_.failure.empty()) << opened_.failure;
    ASSERT_EQ(opened_.BodiesOfKind("TRectangle").size(), 1u) << opened_.Description();
    ASSERT_EQ(opened_.BodiesOfKind("TOval").size(), 1u) << opened_.Description();
    box_ = FindBox();
    ASSERT_FALSE(box_.Empty()) << "the box is not shown";
  }

  SavedWorld SaveAndRead() {
    Me().Control("s");
    EXPECT_TRUE(Me().Idle());
    return ReadSavedWorld(path_);
  }

  SavedBody OpenedBox() const { return opened_.BodiesOfKind("TRectangle")[0]; }
  SavedBody OpenedWheel() const { return opened_.BodiesOfKind("TOval")[0]; }
  int Pixels(double metres) const { return static_cast<int>(std::lround(metres * opened_.scale)); }

  // The box's outline as the world window shows it now; empty when it is not there.
  Box FindBox() const {
    return FindOutline(Me().Grab(Frame()), Pixels(OpenedBox().width), Pixels(OpenedBox().height));
  }
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


  ::testing::AssertionResult ChooseEdit(int items, int separators) {
    if (::testing::AssertionResult chosen = Choose("Edit", items, separators); !chosen)
      return chosen;
    if (Me().ShownWindows() != 1)
      return ::testing::AssertionFailure() << "the menu stayed open: its item is greyed";
    return ::testing::AssertionSuccess();
  }

  std::string path_;
  SavedWorld opened_;
  Box box_;
};

TEST_F(EditCommands, ShiftClickedBodiesAreDeletedTogether) {
  ASSERT_NO_FATAL_FAILURE(OpenCopy("shift-both.yb"));
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
  ASSERT_NO_FATAL_FAILURE(OpenCopy("shift-back.yb"));
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
  ASSERT_NO_FATAL_FAILURE(OpenCopy("duplicates.yb"));
  Me().Click(BoxX(), BoxY());
  ASSERT_TRUE(Me().Idle());
  // The first copy is selected after it is made, so the second Duplicate copies the copy and
  // carries the row on.
  ASSERT_TRUE(ChooseEdit(kDuplicateItems, kDuplicateSeparators));
  ASSERT_TRUE(ChooseEdit(kDuplicateItems, kDuplicateSeparators));

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
  ASSERT_NO_FATAL_FAILURE(OpenCopy("cut-and-paste.yb"));
  Me().Click(BoxX(), BoxY());
  ASSERT_TRUE(Me().Idle());
  ASSERT_TRUE(ChooseEdit(kCutItems, kCutSeparators));
  EXPECT_TRUE(FindBox().Empty()) << "the cut box is still shown";
  const SavedWorld cut = SaveAndRead();
  EXPECT_TRUE(cut.BodiesOfKind("TRectangle").empty()) << cut.Description();
  ASSERT_EQ(cut.BodiesOfKind("TOval").size(), 1u) << cut.Description();

  ASSERT_TRUE(ChooseEdit(kPasteItems, kPasteSeparators));
  EXPECT_FALSE(FindBox().Empty()) << "the pasted box is not shown";
  const SavedWorld pasted = SaveAndRead();
  const std::vector<SavedBody> boxes = pasted.BodiesOfKind("TRectangle");
  ASSERT_EQ(boxes.size(), 1u) << pasted.Description();
  EXPECT_DOUBLE_EQ(boxes[0].width, OpenedBox().width);
  EXPECT_DOUBLE_EQ(boxes[0].height, OpenedBox().height);
  EXPECT_DOUBLE_EQ(boxes[0].mass, OpenedBox().mass);
  EXPECT_EQ(pasted.BodiesOfKind("TOval").size(), 1u) << pasted.Description();
}

}  // namespace
}  // namespace scenario
