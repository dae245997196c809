// The kinds an input can take, chosen from its own Input menu at the desktop: a slider on the
// spring's constant becomes a text box whose typed value drives the constant, then a button and
// a table, each drawn and saved as that kind. And Edit > New Button... places an action button
// that runs the world when it is clicked.

#include <algorithm>
#include <fstream>
#include <string>
#include <vector>

#include "constraints/Springs.h"
#include "inout/gadgets/ActionButton.h"
#include "inout/inputs/Input.h"
#include "model/world/QVDoc.h"
#include "platform/win32/Window.h"
#include "tests/scenarios/BodiesSeen.h"
#include "tests/scenarios/Harness.h"
#include "tests/scenarios/ScriptSteps.h"
#include "tests/scenarios/WorldWindowSeen.h"
#include "tools/samples/SampleWorlds.h"

namespace scenario {
namespace {

using namespace spring_and_pin;

// The command of the Run the world action, and of the first script the Script menu lists.
constexpr int kCmdRun = 1031;
constexpr int kFirstScriptAction = 8241;

// The spring's constant and the world's input as a saved document keeps them.
struct SavedInput {
  std::string failure;  // why there is nothing to compare, or ""
  std::string formula;  // the text of the spring's constant
  bool named = false;   // whether that formula names the input
  double value = 0.0;
  TInputKind kind = TInputKind::kReading;
};

SavedInput ReadSavedInput(const std::string& path) {
  SavedInput saved;
  const ProgramUnits units;
  TQVDoc document;
  document.ReadDocument(path);
  TWorldDoc& world = document.World();
  auto* spring = dynamic_cast<TLSpring*>(world.FindObject(sample_worlds::kSpringId));
  if (spring == nullptr) {
    saved.failure = "the saved world has no spring";
    return saved;
  }
  Str255 text;
  spring->Quantity().GetText(text);
  saved.formula = text.AsCString();
  saved.named = NamesSlider(world, spring->Quantity(), saved.value);
  int inputs = 0;
  for (TLink* object : world.Objects()) {
    if (const auto* input = dynamic_cast<const TInput*>(object)) {
      saved.kind = input->GetKind();
      ++inputs;
    }
  }
  if (inputs != 1) saved.failure = "the saved world has " + std::to_string(inputs) + " inputs";
  return saved;
}

// The commands of the action buttons a saved document holds.
std::vector<int> SavedButtonCommands(const std::string& path) {
  std::vector<int> commands;
  const ProgramUnits units;
  TQVDoc document;
  document.ReadDocument(path);
  for (TLink* object : document.World().Objects())
    if (const auto* button = dynamic_cast<const TActionButton*>(object))
      commands.push_back(button->GetCommand());
  return commands;
}

class SliderKinds : public ScriptScenario {
 protected:
  // The actions the New Button dialog offers, as its dropped list shows them; the dialog is then
  // left open with the list closed.
  static ::testing::AssertionResult OfferedActions(std::vector<uint32_t>& shown) {
    Person& me = Me();
    if (!me.Idle()) return ::testing::AssertionFailure() << "the program stayed busy";
    const std::vector<Box> before = me.ShownPlaces();
    me.Key("Down", {"Alt_L"});
    if (!me.WaitUntil([&] { return me.ShownPlaces().size() > before.size(); }))
      return ::testing::AssertionFailure() << "the list of actions did not drop";
    if (!me.Idle()) return ::testing::AssertionFailure() << "the program stayed busy";
    for (const Box& place : me.ShownPlaces())
      if (std::find(before.begin(), before.end(), place) == before.end())
        shown = me.Grab(place).pixels;
    me.Key("Escape");
    if (!me.WaitUntil([&] { return me.ShownPlaces().size() == before.size(); }))
      return ::testing::AssertionFailure() << "Escape left the list down";
    return ::testing::AssertionSuccess();
  }
  ::testing::AssertionResult Save() {
    Me().Control("s");
    return Me().Idle();
  }
  // Selects the spring and places the slider of its constant from the Input menu: its track.
  Box PlaceTheSpringsSlider() {
    const Box frame = Frame();
    const Box area = GadgetArea();
    const Picture empty = Me().Grab(area);
    Me().Click(frame.x + (kAnchorX + kBoxX) / 2, frame.y + kObjectsY);
    EXPECT_TRUE(Me().Idle());
    EXPECT_TRUE(Choose({"Input", "Spring constant"}, {.objectMenu = "InSpringMenu"}));
    return SliderTrack(empty, Me().Grab(area));
  }
};

// The spring's slider, selected by a press beside its track, becomes a text box from its own
// Input menu; a number typed into the box and Return is the spring's constant. While the box is
// still being typed into it becomes a button, then a table.
TEST_F(SliderKinds, ASliderBecomesATextBoxAButtonAndATableFromItsOwnMenu) {
  constexpr char kCopy[] = "slider-kinds.yb";
  ASSERT_TRUE(OpenCopy(kCopy));
  const Box frame = Frame();
  const Box area = GadgetArea();
  const Picture empty = Me().Grab(area);
  Me().Click(frame.x + (kAnchorX + kBoxX) / 2, frame.y + kObjectsY);
  ASSERT_TRUE(Me().Idle());
  // The area and the room right of it, with the spring selected.
  const Box wide{area.x, area.y, area.width + 100, area.height};
  const Picture selected = Me().Grab(wide);
  ASSERT_TRUE(Choose({"Input", "Spring constant"}, {.objectMenu = "InSpringMenu"}));
  const Box slider = SliderTrack(empty, Me().Grab(area));
  ASSERT_GE(slider.width, 40) << "no slider appeared at the top left of the world";
  // Its name stands above its track, and its value beside the track: ink that was not there.
  const Picture placed = Me().Grab(wide);
  const auto newInk = [&](const Box& box) {
    int count = 0;
    for (int y = std::max(box.y, wide.y); y < std::min(box.Bottom(), wide.Bottom()); ++y) {
      for (int x = std::max(box.x, wide.x); x < std::min(box.Right(), wide.Right()); ++x) {
        const int h = x - wide.x, v = y - wide.y;
        count += IsInk(placed.At(h, v)) && !IsInk(selected.At(h, v));
      }
    }
    return count;
  };
  EXPECT_GT(newInk({slider.x, area.y, slider.width, slider.y - 5 - area.y}), 4)
      << "no name above the slider";
  EXPECT_GT(newInk({slider.Right() + 5, slider.y - 4, 40, slider.height + 8}), 4)
      << "no value beside the slider's track";
  const int y = slider.y + slider.height / 2;
  // The margin left of the track: a press there takes the slider rather than its thumb.
  Me().Click(slider.x - 2, y);
  ASSERT_TRUE(Me().Idle());
  const Picture asSlider = Me().Grab(area);

  // The slider's own menu: Slider, Text Box, Button, Table.
  ASSERT_TRUE(Choose({"Input", "Text Box"}, {.objectMenu = "OutInputMenu"}));
  ASSERT_EQ(Me().ShownWindows(), 1) << "the menu stayed open: its item is greyed";
  const Picture asTextBox = Me().Grab(area);
  EXPECT_NE(asTextBox, asSlider) << "the slider still shows as it was";
  Me().Click(slider.x + slider.width / 2, y);
  ASSERT_TRUE(Me().Idle());
  Me().Type("42");
  Me().Key("Return");
  ASSERT_TRUE(Me().Idle());
  EXPECT_NE(Me().Grab(area), asTextBox) << "the box does not show the number typed";
  ASSERT_TRUE(Save());
  SavedInput saved = ReadSavedInput(CopyPath());
  ASSERT_EQ(saved.failure, "");
  EXPECT_EQ(saved.kind, TInputKind::kTextBox);
  EXPECT_TRUE(saved.named) << "the constant reads no input: " << saved.formula;
  EXPECT_EQ(saved.value, 42.0);

  // A press on the world's background ends the typing: keys then no longer reach the box.
  Me().Click(frame.x + kAnchorX + 40, frame.y + kObjectsY + 120);
  ASSERT_TRUE(Me().Idle());
  Me().Type("7");
  Me().Key("Return");
  ASSERT_TRUE(Me().Idle());
  ASSERT_TRUE(Save());
  saved = ReadSavedInput(CopyPath());
  EXPECT_EQ(saved.value, 42.0) << "the box took keys typed after a press elsewhere";

  // Selected again and typed into, the box becomes a button before Return.
  Me().Click(slider.x - 2, y);
  ASSERT_TRUE(Me().Idle());
  Me().Click(slider.x + slider.width / 2, y);
  ASSERT_TRUE(Me().Idle());
  Me().Type("5");
  ASSERT_TRUE(Me().Idle());
  const Picture typed = Me().Grab(area);
  ASSERT_TRUE(Choose({"Input", "Button"}, {.objectMenu = "OutInputMenu"}));
  const Picture asButton = Me().Grab(area);
  EXPECT_NE(asButton, typed) << "the text box still shows as it was";
  // The typing ends with the kind: the world drawn afresh shows the button as it stood, with
  // nothing of the typed number over it, and a key typed now changes nothing.
  ASSERT_TRUE(Click({"World", "Redraw the World"}));
  ASSERT_TRUE(Me().Idle());
  EXPECT_EQ(Me().Grab(area).Differences(asButton), 0) << "the typed number was left on the button";
  Me().Type("7");
  ASSERT_TRUE(Me().Idle());
  EXPECT_EQ(Me().Grab(area).Differences(asButton), 0) << "the typing went on over the button";
  // The button is lower than the box was: the box's bottom edge is gone with it.
  const Box below{slider.x + 2, slider.y + slider.height + 6, slider.width / 3, 6};
  EXPECT_EQ(Me().Grab(below).Count(IsDark), 0) << "the text box's outline stayed under the button";
  ASSERT_TRUE(Save());
  saved = ReadSavedInput(CopyPath());
  ASSERT_EQ(saved.failure, "");
  EXPECT_EQ(saved.kind, TInputKind::kButton);
  EXPECT_TRUE(saved.named) << "the constant lost its input: " << saved.formula;

  ASSERT_TRUE(Choose({"Input", "Table"}, {.objectMenu = "OutInputMenu"}));
  EXPECT_NE(Me().Grab(area), asButton) << "the button still shows as it was";
  ASSERT_TRUE(Save());
  saved = ReadSavedInput(CopyPath());
  ASSERT_EQ(saved.failure, "");
  EXPECT_EQ(saved.kind, TInputKind::kTable);
}

// World > Select Controls First makes a press on the spring's slider select it, as a press on
// any object does, so that its own menu makes it a text box; the press leaves the constant as it
// was.
TEST_F(SliderKinds, WithControlsSelectedFirstAPressOnTheTrackSelectsTheSlider) {
  ASSERT_TRUE(OpenCopy("slider-selected-first.yb"));
  const Box frame = Frame();
  const Box slider = PlaceTheSpringsSlider();
  ASSERT_GE(slider.width, 40) << "no slider appeared at the top left of the world";
  Me().Click(frame.x + kAnchorX + 40, frame.y + kObjectsY + 120);
  ASSERT_TRUE(Me().Idle());
  ASSERT_TRUE(Choose({"World", "Select Controls First"}));

  // The middle of the track, away from the thumb, which stands at the constant, the range's top.
  Me().Click(slider.x + slider.width / 2, slider.y + slider.height / 2);
  ASSERT_TRUE(Me().Idle());
  ASSERT_TRUE(Choose({"Input", "Text Box"}, {.objectMenu = "OutInputMenu"}))
      << "the press did not select the slider";
  ASSERT_TRUE(Save());
  const SavedInput saved = ReadSavedInput(CopyPath());
  ASSERT_EQ(saved.failure, "");
  EXPECT_EQ(saved.kind, TInputKind::kTextBox);
  EXPECT_TRUE(saved.named) << "the constant reads no input: " << saved.formula;
  EXPECT_EQ(saved.value, 100.0) << "the press worked the slider";
}

// A slider on the box's width whose thumb drag is undone (Ctrl+Z) shows its thumb back where it
// stood, before anything else redraws the world.
TEST_F(SliderKinds, AnUndoneThumbDragShowsTheSliderAsBefore) {
  ASSERT_TRUE(OpenCopy("width-slider.yb"));
  const Box frame = Frame();
  const Box area = GadgetArea();
  const Picture empty = Me().Grab(area);
  Me().Click(frame.x + kBoxX - 10, frame.y + kObjectsY + 9);
  ASSERT_TRUE(Me().Idle());
  ASSERT_TRUE(Choose({"Input", "Width"}, {.objectMenu = "InRectangleMenu"}));
  const Box slider = SliderTrack(empty, Me().Grab(area));
  ASSERT_GE(slider.width, 40) << "no slider appeared at the top left of the world";
  const Picture before = Me().Grab(area);

  const int y = slider.y + slider.height / 2;
  Me().SlowDrag(slider.x + 2 + kThumbLength / 2, y, slider.x + slider.width / 2, y);
  ASSERT_TRUE(Me().Idle());
  ASSERT_NE(Me().Grab(area), before) << "the thumb did not move";
  Me().Control("z");
  ASSERT_TRUE(Me().Idle());
  EXPECT_EQ(Me().Grab(area).Differences(before), 0) << "the slider does not show as before";
}

// Edit > New Button... asks what the button does; Run the world, the first action, puts a
// button at the top left of the world's view, and a click on it runs the world.
TEST_F(SliderKinds, ANewButtonThatRunsTheWorldRunsItWhenClicked) {
  constexpr char kCopy[] = "run-button.yb";
  ASSERT_TRUE(OpenCopy(kCopy));
  const Box frame = Frame();
  const Box view{frame.x + 40, frame.y + 80, frame.width - 80, frame.height - 160};
  const Picture before = Me().Grab(view);
  ASSERT_TRUE(Click({"Edit", "New Button..."}));
  ASSERT_TRUE(Me().WaitUntil([] { return Me().WindowTitled("Button Action") != 0; }))
      << "the New Button dialog did not open";
  ASSERT_TRUE(Me().Idle());
  Me().Key("Down");
  Me().Key("Return");
  ASSERT_TRUE(Me().WaitUntil([] { return Me().WindowTitled("Button Action") == 0; }))
      << "the dialog stayed open";
  ASSERT_TRUE(Me().Idle());
  const Box button = ChangedBox(before, Me().Grab(view));
  ASSERT_FALSE(button.Empty()) << "no button appeared";
  ASSERT_LT(button.x, frame.x + kAnchorX) << "the button is not at the top left of the world";
  ASSERT_LT(button.y, frame.y + kObjectsY) << "the button is not at the top left of the world";
  // Its face reads what it does: the word Run, inked inside the outline.
  EXPECT_GE(button.width, 30) << "the button is too narrow to name its action";
  const Box face{button.x + 4, button.y + 3, button.width - 8, button.height - 6};
  EXPECT_GT(Me().Grab(face).Count(IsDark), 20) << "the button's face is blank";
  ASSERT_TRUE(Save());
  EXPECT_EQ(SavedButtonCommands(CopyPath()), std::vector<int>{kCmdRun});

  // The world away from the button: the spring and the box, which move during a run.
  const Box world{frame.x + kAnchorX + 20, frame.y + kObjectsY - 60, kBoxX - kAnchorX + 60, 120};
  const Picture still = Me().Grab(world);
  Me().Click(button.x + button.width / 2, button.y + button.height / 2);
  EXPECT_TRUE(Me().WaitUntil([&] { return Me().Grab(world) != still; }))
      << "the world did not run";
  Me().Control("period");
  ASSERT_TRUE(Me().Idle());
}

// A script that a script listed in the Script menu is offered after "Run a script:" whether the
// world's window is maximised or not, and the button made runs it.
TEST_F(SliderKinds, AListedScriptIsOfferedForANewButtonInAMaximisedWindowAndRunsWhenClicked) {
  ASSERT_TRUE(OpenCopy("script-button.yb"));
  const std::string greet =
      WriteScript("greet.ybs", {"Sub Main()", "  Print \"greeted by the button\"", "End Sub"});
  ASSERT_TRUE(RunScript(WriteScript(
      "list-greet.ybs",
      {"Sub Main()", "  YB.InsertMenuItem 1, \"Greet\", \"" + greet + "\"", "End Sub"})));
  ASSERT_TRUE(Me().Idle());
  const auto openDialog = [this] {
    ASSERT_TRUE(Click({"Edit", "New Button..."}));
    ASSERT_TRUE(Me().WaitUntil([] { return Me().WindowTitled("Button Action") != 0; }));
  };
  std::vector<uint32_t> restored, maximised;
  ASSERT_NO_FATAL_FAILURE(openDialog());
  ASSERT_TRUE(OfferedActions(restored));
  Me().Key("Escape");
  ASSERT_TRUE(Me().WaitUntil([] { return Me().WindowTitled("Button Action") == 0; }));

  // The size box left of the close box on the world window's caption maximises it.
  const Box outline = window_seen::FindDocumentWindow(Me(), Frame()).outline;
  const int box = GetSystemMetrics(SM_CYCAPTION) - 4;
  Me().Click(outline.Right() - GetSystemMetrics(SM_CXFRAME) - 4 - box - box / 2,
             outline.y + GetSystemMetrics(SM_CYFRAME) + 2 + box / 2);
  ASSERT_TRUE(Me().Idle());
  const Box frame = Frame();
  const Box view{frame.x + 40, frame.y + 80, frame.width - 80, frame.height - 160};
  const Picture before = Me().Grab(view);
  ASSERT_NO_FATAL_FAILURE(openDialog());
  ASSERT_TRUE(OfferedActions(maximised));
  EXPECT_EQ(maximised, restored) << "a maximised window changes the actions offered";
  // The seven fixed actions up to "Run a script:", then the first script.
  for (int down = 0; down < 8; ++down) Me().Key("Down");
  Me().Key("Return");
  ASSERT_TRUE(Me().WaitUntil([] { return Me().WindowTitled("Button Action") == 0; }));
  ASSERT_TRUE(Me().Idle());
  const Box button = ChangedBox(before, Me().Grab(view));
  ASSERT_FALSE(button.Empty()) << "no button appeared";
  Me().Click(button.x + button.width / 2, button.y + button.height / 2);
  EXPECT_TRUE(Me().WaitUntil([] { return Said("greeted by the button"); }))
      << Program()->Output();
  ASSERT_TRUE(Save());
  EXPECT_EQ(SavedButtonCommands(CopyPath()), std::vector<int>{kFirstScriptAction});
}

// World > Read Data Table with the spring's table input selected: the input follows the table
// read, and the step that follows takes the spring's constant from it.
TEST_F(SliderKinds, ATableInputFollowsTheTableReadWhileItIsSelected) {
  ASSERT_TRUE(OpenCopy("table-input.yb"));
  const Box slider = PlaceTheSpringsSlider();
  ASSERT_GE(slider.width, 40) << "no slider appeared at the top left of the world";
  Me().Click(slider.x - 2, slider.y + slider.height / 2);
  ASSERT_TRUE(Me().Idle());
  ASSERT_TRUE(Choose({"Input", "Table"}, {.objectMenu = "OutInputMenu"}));

  const std::string table = Home().Path("stiff.dta");
  std::ofstream(table) << "time k\n0 36\n100 36\n";
  ASSERT_TRUE(Click({"World", "Read Data Table..."}));
  ASSERT_TRUE(Me().WaitUntil([] { return Me().FocusedTitle() == "Read a data table"; }))
      << Me().FocusedTitle();
  Me().Type(table);
  Me().Key("Return");
  ASSERT_TRUE(Me().WaitUntil([] { return Me().WindowTitled("Read a data table") == 0; }));
  ASSERT_TRUE(Me().Idle());
  // World > Step Forward, by its keys.
  Me().Key("w", {"Alt_L"});
  Me().Key("f");
  ASSERT_TRUE(Me().Idle());
  ASSERT_TRUE(Save());
  const SavedInput saved = ReadSavedInput(CopyPath());
  ASSERT_EQ(saved.failure, "");
  EXPECT_EQ(saved.kind, TInputKind::kTable);
  EXPECT_TRUE(saved.named) << "the constant reads no input: " << saved.formula;
  EXPECT_EQ(saved.value, 36.0) << "the input does not follow the table";
}

}  // namespace
}  // namespace scenario
