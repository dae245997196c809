// The floating Properties window shows the panel of the object it edits: the spring picked in
// its Object list shows the spring's fields, and a stiffness typed there is what the saved world
// holds; the pin's mode chosen in its panel (when it acts) is in the saved pin; a pin sketched by
// hand and double-clicked shows its panel there. It edits the world in front: a second world
// clicked is the one it lists and names, and a world closed is listed no more.

#include <algorithm>
#include <filesystem>
#include <vector>
#include <string>

#include <gmock/gmock.h>

#include "bodies/Shapes.h"
#include "constraints/Pin.h"
#include "constraints/Springs.h"
#include "core/Failure.h"
#include "model/Formula.h"
#include "model/world/QVDoc.h"
#include "platform/win32/Window.h"
#include "tests/scenarios/BodiesSeen.h"
#include "tests/scenarios/Harness.h"

namespace scenario {
namespace {

// Where a panel's fields and its second choice stand, from the window's left edge, and the Name
// field's row, from its top.
constexpr int kFieldX = 177, kSecondChoiceX = 237;
constexpr int kNameY = 77;
// The ends of a slider beside a field.
constexpr int kSliderLeftX = 265, kSliderRightX = 355;

struct Spot {
  int x = 0, y = 0;
};
// The new pin is the world's last; the sample's own pin keeps mode 0.

// What the saved world says of its first spring and of its last pin; -1 when there is none.
struct SavedJoints {
  std::string failure;
  double stiffness = -1.0;
  int pinMode = -1;
  // Whether the last pin acts always (-1 without a pin).
  int pinAlwaysActs = -1;
  // The box's elasticity (-1 without a box).
  double boxElasticity = -1.0;
};

SavedJoints ReadJoints(const std::string& path) {
  SavedJoints saved;
  ProgramUnits units;
  try {
    TQVDoc document;
    document.ReadDocument(path);
    for (TLink* object : document.World().Objects()) {
      if (auto* spring = dynamic_cast<TLSpring*>(object); spring != nullptr && saved.stiffness < 0) {
        const TFormula* quantity =
            spring->GetFormulaProperty(kTagQuantity, nullptr, nullptr, nullptr, nullptr);
        if (quantity != nullptr) saved.stiffness = quantity->GetValue();
      }
      if (auto* box = dynamic_cast<TRectangle*>(object); box != nullptr) {
        const TFormula* elasticity =
            box->GetFormulaProperty(MakeTag("elas"), nullptr, nullptr, nullptr, nullptr);
        if (elasticity != nullptr) saved.boxElasticity = elasticity->GetValue();
      }
      if (auto* pin = dynamic_cast<TPin*>(object); pin != nullptr) {
        saved.pinMode = pin->GetMode();
        saved.pinAlwaysActs = pin->IsAlwaysActive() ? 1 : 0;
      }
    }
  } catch (const QVException& failure) {
    saved.failure = "error " + std::to_string(failure.error());
  }
  return saved;
}

// The names the objects of a saved world carry ("" for a document that cannot be read).
std::vector<std::string> ReadNames(const std::string& path) {
  std::vector<std::string> names;
  ProgramUnits units;
  try {
    TQVDoc document;
    document.ReadDocument(path);
    for (TLink* object : document.World().Objects()) {
      if (!object->IsMemberClass(517)) continue;
      const Str255& name = static_cast<TNamedLink*>(object)->GetName();
      if (name.Length() > 0) names.push_back(name.AsCString());
    }
  } catch (const QVException&) {
    names.push_back("");
  }
  return names;
}

// The middle of the pixels that differ between two pictures of one box, on the screen; (0, 0)
// when none differs.
Spot MiddleOfChange(const Picture& before, const Picture& after) {
  long sumX = 0, sumY = 0, count = 0;
  for (int y = 0; y < before.box.height; ++y) {
    for (int x = 0; x < before.box.width; ++x) {
      if (before.At(x, y) == after.At(x, y)) continue;
      sumX += x;
      sumY += y;
      ++count;
    }
  }
  if (count == 0) return Spot{};
  return Spot{before.box.x + static_cast<int>(sumX / count),
              before.box.y + static_cast<int>(sumY / count)};
}

class Panels : public SampleScenario {
 protected:
  ::testing::AssertionResult OpenProperties() {
    const ::testing::AssertionResult chosen = Choose({"Window", "Properties"});
    if (!chosen) return chosen;
    if (!Me().WaitUntil([] { return Me().WindowTitled("Properties") != 0; }))
      return ::testing::AssertionFailure() << "the Properties window did not open";
    return Me().Idle();
  }
  // File > Save, from the menu bar whichever window has the keyboard.
  ::testing::AssertionResult Save() { return Choose({"File", "Save"}); }
  // The Properties window's place on the screen.
  static Box Window() { return Me().Place(Me().WindowTitled("Properties")); }
  // Below the two rows every object has, where the panels stand.
  static Box PanelBox() {
    const Box window = Window();
    return Box{window.x + 8, window.y + 94, window.width - 16, 240};
  }
  // The middle of a panel row at a distance from the window's left edge (the rows are 28
  // pixels apart on this desktop's fonts).
  static Spot PanelRow(int row, int x) {
    const Box window = Window();
    return Spot{window.x + x, window.y + 107 + 28 * row};
  }
  // The Object list takes the keyboard: a click drops its entries, Escape takes them away.
  static ::testing::AssertionResult ListWithKeyboard() {
    Me().Click(Window().x + 214, Window().y + 48);
    const ::testing::AssertionResult idle = Me().Idle();
    if (!idle) return idle;
    Me().Key("Escape");
    return Me().Idle();
  }
  // Edit > Properties > Of the Selection...
  ::testing::AssertionResult OpenSelectionDialog() {
    const ::testing::AssertionResult opened = Click({"Edit", "Properties", "Of the Selection..."});
    if (!opened) return opened;
    if (!Me().WaitUntil([] { return Me().WindowTitled("Selection Properties") != 0; }))
      return ::testing::AssertionFailure() << "the selection's dialog did not open";
    return Me().Idle();
  }
  // The Properties window's close box, which hides it.
  static void CloseProperties() {
    const Box window = Window();
    const int box = GetSystemMetrics(SM_CYCAPTION) - 4;
    Me().Click(window.Right() - GetSystemMetrics(SM_CXFRAME) - 2 - box / 2,
               window.y + GetSystemMetrics(SM_CYFRAME) + 2 + box / 2);
  }
  // The spring picked in the Properties window's Object list (the pin is its last object, the
  // two points and the wheel stand between), which then closes.
  ::testing::AssertionResult PickTheSpringAndCloseTheWindow() {
    const ::testing::AssertionResult opened = OpenProperties();
    if (!opened) return opened;
    const ::testing::AssertionResult list = ListWithKeyboard();
    if (!list) return list;
    Me().Key("End");
    for (int up = 0; up < 4; ++up) Me().Key("Up");
    if (!Me().Idle()) return ::testing::AssertionFailure() << "the program stayed busy";
    CloseProperties();
    if (!Me().WaitUntil([] { return Me().WindowTitled("Properties") == 0; }))
      return ::testing::AssertionFailure() << "the close box did not close the Properties window";
    return Me().Idle();
  }
  // A point of the front world's window well away from the Properties window.
  static Spot InTheWorld() {
    const Box frame = Me().Place(Me().MainWindow());
    return Spot{frame.x + frame.width * 3 / 4, frame.y + frame.height * 3 / 4};
  }
  // The entries of the Object list, as the dropped list shows them; Escape takes it away.
  static ::testing::AssertionResult ListedObjects(Picture& listed) {
    const std::vector<Box> before = Me().ShownPlaces();
    Me().Click(Window().x + 214, Window().y + 48);
    if (!Me().WaitUntil([&] { return Me().ShownPlaces().size() > before.size(); }))
      return ::testing::AssertionFailure() << "the Object list did not drop";
    const ::testing::AssertionResult idle = Me().Idle();
    if (!idle) return idle;
    for (const Box& place : Me().ShownPlaces())
      if (std::find(before.begin(), before.end(), place) == before.end()) listed = Me().Grab(place);
    Me().Key("Escape");
    if (!Me().WaitUntil([&] { return Me().ShownPlaces().size() == before.size(); }))
      return ::testing::AssertionFailure() << "Escape left the Object list down";
    return Me().Idle();
  }
};

TEST_F(Panels, TheSpringPickedInTheObjectListShowsItsStiffnessAndATypedOneIsSaved) {
  ASSERT_TRUE(OpenCopy("panel-spring.yb"));
  const std::string path = CopyPath();
  const SavedJoints before = ReadJoints(path);
  ASSERT_EQ(before.failure, "");
  ASSERT_GT(before.stiffness, 0.0);
  ASSERT_NE(before.stiffness, 55.0);
  ASSERT_TRUE(OpenProperties());
  const Picture empty = Me().Grab(PanelBox());

  // End picks the list's last object, the pin; Up goes back through the two points and the
  // wheel to the spring, each showing its own panel.
  ASSERT_TRUE(ListWithKeyboard());
  Me().Key("End");
  ASSERT_TRUE(Me().Idle());
  const Picture pinPanel = Me().Grab(PanelBox());
  EXPECT_NE(pinPanel, empty) << "the pin's panel is not shown";
  Me().Key("Up");
  ASSERT_TRUE(Me().Idle());
  const Picture pointPanel = Me().Grab(PanelBox());
  EXPECT_NE(pointPanel, pinPanel) << "the point's panel is not shown";
  for (int up = 0; up < 3; ++up) {
    Me().Key("Up");
    ASSERT_TRUE(Me().Idle());
  }
  const Picture springPanel = Me().Grab(PanelBox());
  EXPECT_NE(springPanel, pointPanel) << "the spring's panel is not shown";

  // The stiffness is the panel's first field: its text chosen whole, 55 typed over it.
  const Spot field = PanelRow(0, kFieldX);
  Me().Click(field.x, field.y);
  ASSERT_TRUE(Me().Idle());
  Me().Key("Home");
  Me().Key("End", {"Shift_L"});
  Me().Type("55");
  Me().Key("Return");
  ASSERT_TRUE(Me().Idle());
  ASSERT_TRUE(Save());
  const SavedJoints after = ReadJoints(path);
  ASSERT_EQ(after.failure, "");
  EXPECT_DOUBLE_EQ(after.stiffness, 55.0);
}

// The background clicked after the spring takes the spring's panel away: 50 typed where its
// stiffness stood reaches no spring.
TEST_F(Panels, TheBackgroundClickedAfterTheSpringLeavesNoStalePanel) {
  ASSERT_TRUE(OpenCopy("panel-stale.yb"));
  const double stiffness = ReadJoints(CopyPath()).stiffness;
  ASSERT_GT(stiffness, 0.0);
  ASSERT_TRUE(OpenProperties());
  const Picture empty = Me().Grab(PanelBox());
  ASSERT_TRUE(ListWithKeyboard());
  Me().Key("End");
  for (int up = 0; up < 4; ++up) Me().Key("Up");
  ASSERT_TRUE(Me().Idle());
  ASSERT_NE(Me().Grab(PanelBox()), empty) << "the spring's panel is not shown";

  const Spot world = InTheWorld();
  Me().Click(world.x, world.y);
  ASSERT_TRUE(Me().Idle());
  EXPECT_EQ(Me().Grab(PanelBox()), empty) << "the spring's panel stayed";
  const Spot field = PanelRow(0, kFieldX);
  Me().Click(field.x, field.y);
  Me().Type("50");
  Me().Key("Return");
  ASSERT_TRUE(Me().Idle());
  ASSERT_TRUE(Save());
  EXPECT_DOUBLE_EQ(ReadJoints(CopyPath()).stiffness, stiffness);
}

// The selection's dialog, from Edit > Properties, shows the picked spring's panel: a stiffness
// typed there and Return are saved.
TEST_F(Panels, TheSelectionsDialogEditsThePickedSpring) {
  ASSERT_TRUE(OpenCopy("panel-selection.yb"));
  const std::string path = CopyPath();
  ASSERT_TRUE(PickTheSpringAndCloseTheWindow());

  // The name has the keyboard; Tab goes on to the stiffness, the panel's first field.
  ASSERT_TRUE(OpenSelectionDialog());
  Me().Key("Tab");
  Me().Type("77");
  Me().Key("Return");
  ASSERT_TRUE(Me().WaitUntil([] { return Me().WindowTitled("Selection Properties") == 0; }))
      << "Return did not close the dialog";
  ASSERT_TRUE(Me().Idle());
  ASSERT_TRUE(Save());
  const SavedJoints saved = ReadJoints(path);
  ASSERT_EQ(saved.failure, "");
  EXPECT_DOUBLE_EQ(saved.stiffness, 77.0);
}

// Its More Choices button (Alt+M) closes it and shows the Properties window instead.
TEST_F(Panels, TheSelectionsDialogsMoreChoicesShowsThePropertiesWindow) {
  ASSERT_TRUE(OpenCopy("panel-more-choices.yb"));
  ASSERT_TRUE(PickTheSpringAndCloseTheWindow());
  ASSERT_TRUE(OpenSelectionDialog());
  Me().Key("m", {"Alt_L"});
  ASSERT_TRUE(Me().WaitUntil([] { return Me().WindowTitled("Selection Properties") == 0; }))
      << "More Choices did not close the dialog";
  ASSERT_TRUE(Me().Idle());
  EXPECT_NE(Me().WindowTitled("Properties"), 0u) << "More Choices did not show the Properties window";
}

TEST_F(Panels, TheBoxsElasticitySliderDraggedToItsEndIsSaved) {
  ASSERT_TRUE(OpenCopy("panel-box.yb"));
  const std::string path = CopyPath();
  const SavedJoints before = ReadJoints(path);
  ASSERT_EQ(before.failure, "");
  ASSERT_LT(before.boxElasticity, 1.0);
  ASSERT_TRUE(OpenProperties());
  // Home picks the list's first object, the background; Down the box after it.
  ASSERT_TRUE(ListWithKeyboard());
  Me().Key("Home");
  ASSERT_TRUE(Me().Idle());
  Me().Key("Down");
  ASSERT_TRUE(Me().Idle());
  // The elasticity's slider stands beside its field on the panel's second row; its thumb
  // stands at the right end for 0 and is dragged past the left end, which stands for 1.
  const Spot from = PanelRow(1, kSliderRightX - 2), to = PanelRow(1, kSliderLeftX - 20);
  Me().SlowDrag(from.x, from.y, to.x, to.y);
  ASSERT_TRUE(Me().Idle());
  ASSERT_TRUE(Save());
  const SavedJoints after = ReadJoints(path);
  ASSERT_EQ(after.failure, "");
  EXPECT_DOUBLE_EQ(after.boxElasticity, 1.0);
}

// A pin that welds nothing shows the mode of a weld as it is and cannot change it; when it acts
// is its mode to choose.
TEST_F(Panels, ThePinsModeChosenInItsPanelIsSaved) {
  ASSERT_TRUE(OpenCopy("panel-pin-mode.yb"));
  const std::string path = CopyPath();
  const SavedJoints before = ReadJoints(path);
  ASSERT_EQ(before.failure, "");
  ASSERT_EQ(before.pinAlwaysActs, 1);
  ASSERT_TRUE(OpenProperties());
  ASSERT_TRUE(ListWithKeyboard());
  Me().Key("End");
  ASSERT_TRUE(Me().Idle());
  // "Only when:", the second choice of the panel's second row.
  const Spot choice = PanelRow(1, kSecondChoiceX);
  Me().Click(choice.x, choice.y);
  ASSERT_TRUE(Me().Idle());
  ASSERT_TRUE(Save());
  const SavedJoints after = ReadJoints(path);
  ASSERT_EQ(after.failure, "");
  EXPECT_EQ(after.pinAlwaysActs, 0);
  EXPECT_EQ(after.pinMode, before.pinMode);
}

// The pin's mark covers its point: a double click there opens the pin, not the point.
TEST_F(Panels, ASketchedPinDoubleClickedShowsItsPanelAndItsChosenModeIsSaved) {
  ASSERT_TRUE(OpenCopy("panel-pin.yb"));
  const std::string path = CopyPath();
  ASSERT_EQ(Me().WindowTitled("Properties"), 0u);

  // A pin clicked twice on the world's background, below the bodies: a new pin holds its place
  // to the background.
  const Box frame = Frame();
  const int x = frame.x + 120, y = frame.y + frame.height - 120;
  const Box around{x - 24, y - 24, 49, 49};
  const Picture before = Me().Grab(around);
  ASSERT_TRUE(Choose({"Tools", "Pin"}));
  for (int click = 0; click < 2; ++click) {
    Me().Click(x, y);
    ASSERT_TRUE(Me().Idle());
  }
  ASSERT_TRUE(Choose({"Tools", "Select"}));
  // The pin stands where the grid took it: the middle of what it drew.
  const Spot pin = MiddleOfChange(before, Me().Grab(around));
  ASSERT_GT(pin.x, 0) << "no pin was drawn";

  // The double click opens the Properties window on the pin, whose panel has its choices.
  Me().DoubleClick(pin.x, pin.y);
  ASSERT_TRUE(Me().WaitUntil([] { return Me().WindowTitled("Properties") != 0; }))
      << "the double click did not open the Properties window";
  ASSERT_TRUE(Me().Idle());
  EXPECT_GT(Me().Grab(PanelBox()).Count(IsInk), 100) << "the pin's panel is not shown";

  // "Only when:" is the pin's chosen mode of acting, kept by the saved pin.
  const Spot choice = PanelRow(1, kSecondChoiceX);
  Me().Click(choice.x, choice.y);
  ASSERT_TRUE(Me().Idle());
  ASSERT_TRUE(Save());
  const SavedJoints saved = ReadJoints(path);
  ASSERT_EQ(saved.failure, "");
  EXPECT_EQ(saved.pinAlwaysActs, 0);
}

// A second world opened and clicked is the one the Properties window lists, and a name typed
// there is saved in it, not in the first; the first world closed, the window lists the second's
// objects as before.
TEST_F(Panels, ThePropertiesWindowEditsTheWorldInFront) {
  const std::string second = Home().Sample("panel-second.yb");
  std::filesystem::copy_file(Home().Sample("double-pendulum.yb"), second,
                             std::filesystem::copy_options::overwrite_existing);
  ASSERT_TRUE(OpenCopy("panel-first.yb", "pulley.yb"));
  ASSERT_TRUE(OpenProperties());
  Picture firstListed;
  ASSERT_TRUE(ListedObjects(firstListed));

  const Spot world = InTheWorld();
  Me().Click(world.x, world.y);
  ASSERT_TRUE(Me().Idle());
  Me().Control("o");
  ASSERT_TRUE(Me().WaitUntil([] { return Me().FocusedTitle() == "Open a world"; }));
  Me().Type(second);
  Me().Key("Return");
  ASSERT_TRUE(Me().WaitUntil([] { return Me().WindowTitled("Yarrowby - panel-second.yb") != 0; }));
  Me().Click(world.x, world.y);
  Me().MoveTo(0, 0);
  ASSERT_TRUE(Me().Idle());
  Picture secondListed;
  ASSERT_TRUE(ListedObjects(secondListed));
  // The two worlds list different numbers of objects.
  EXPECT_NE(secondListed.box.height, firstListed.box.height)
      << "the Properties window lists the first world's objects";

  // Home picks the list's first object, the background, and Down the first body after it: ZZ
  // typed in the Name field names that body.
  ASSERT_TRUE(ListWithKeyboard());
  Me().Key("Home");
  ASSERT_TRUE(Me().Idle());
  Me().Key("Down");
  ASSERT_TRUE(Me().Idle());
  Me().Click(Window().x + kFieldX, Window().y + kNameY);
  ASSERT_TRUE(Me().Idle());
  Me().Type("ZZ");
  Me().Key("Return");
  ASSERT_TRUE(Me().Idle());
  ASSERT_TRUE(Save());
  EXPECT_THAT(ReadNames(second), ::testing::Contains("ZZ")) << "the world in front is not named";
  EXPECT_THAT(ReadNames(CopyPath()), ::testing::Not(::testing::Contains("ZZ")))
      << "the name went to the world behind";

  // The first world in front again and closed (not saved, were it asked): the second's objects
  // are listed.
  ASSERT_TRUE(ChooseWindow(1));
  ASSERT_NE(Me().WindowTitled("Yarrowby - panel-first.yb"), 0u) << "the first world is not in front";
  Me().Control("w");
  ASSERT_TRUE(Me().WaitUntil([] {
    return Me().WindowTitled("Yarrowby - panel-second.yb") != 0 || Me().ShownWindows() > 2;
  }));
  if (Me().WindowTitled("Yarrowby - panel-second.yb") == 0) Me().Key("n");
  ASSERT_TRUE(Me().WaitUntil([] { return Me().WindowTitled("Yarrowby - panel-second.yb") != 0; }));
  ASSERT_TRUE(Me().Idle());
  Picture afterClose;
  ASSERT_TRUE(ListedObjects(afterClose));
  EXPECT_EQ(afterClose.box.height, secondListed.box.height)
      << "the Properties window lists the closed world's objects";
}

}  // namespace
}  // namespace scenario
