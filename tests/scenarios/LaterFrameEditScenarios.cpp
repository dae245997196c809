// Edits while the world runs or shows a frame past its start never make that frame the world's
// start: a double click on the spring asks first, and No leaves the run as it was; a dialog
// cancelled changes nothing, not even the recorded frames; a slider's thumb dragged during the
// run goes to the run, and Reset shows the world as it opened.

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "model/world/QVDoc.h"
#include "model/world/RunBridge.h"
#include "model/world/WorldDoc.h"
#include "tests/scenarios/BodiesSeen.h"
#include "tests/scenarios/Harness.h"
#include "tools/samples/SampleWorlds.h"

namespace scenario {
namespace {

using namespace spring_and_pin;

std::vector<char> FileBytes(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

// What a saved run keeps: its frames and the box's x in the first.
struct SavedStart {
  int32_t frames = 0;
  double boxX = 0.0;
};

SavedStart ReadSavedStart(const std::string& path) {
  ProgramUnits units;
  TQVDoc document;
  document.ReadDocument(path);
  TWorldDoc& world = document.World();
  SavedStart start;
  const TFrameStore* store = world.GetStore();
  const int32_t offset = world.BodyValueOffset(world.FindObject(sample_worlds::kBoxId));
  if (store == nullptr || offset < 0 || store->FrameCount() == 0) return start;
  start.frames = store->FrameCount();
  start.boxX = store->Value(0, offset);
  return start;
}

class LaterFrameEdits : public SampleScenario {
 protected:
  // The world's view inside the document window.
  Box View() const {
    const Box frame = Frame();
    return {frame.x + 58, frame.y + 96, 714, 420};
  }
  // On the spring's straight lead beside its anchor, which the spring covers whichever frame the
  // run stopped at: the box swings back past the middle of the spring's opening length.
  void ClickSpring(bool twice = false) {
    const Box frame = Frame();
    const int x = frame.x + kAnchorX + 14, y = frame.y + kObjectsY;
    twice ? Me().DoubleClick(x, y) : Me().Click(x, y);
  }
  // Ctrl+R until the view moves, then Ctrl+period.
  ::testing::AssertionResult RunAWhile() {
    const Picture still = Me().Grab(View());
    Me().Control("r");
    if (!Me().WaitUntil([&] { return Me().Grab(View()) != still; }))
      return ::testing::AssertionFailure() << "the world did not run";
    Me().Control("period");
    return Me().Idle();
  }
  // A click on an empty place of the view leaves nothing selected.
  ::testing::AssertionResult Deselect() {
    const Box view = View();
    Me().Click(view.x + 500, view.y + 250);
    Me().MoveTo(0, 0);
    return Me().Idle();
  }
  ::testing::AssertionResult Reset() {
    Me().Control("t");
    return Deselect();
  }
};

TEST_F(LaterFrameEdits, ADoubleClickAtALaterFrameAsksAndNoKeepsTheStart) {
  ASSERT_TRUE(OpenCopy("later-frame-dialog.yb"));
  const Picture opening = Me().Grab(View());
  ASSERT_TRUE(RunAWhile());
  ClickSpring(true);
  ASSERT_TRUE(Me().WaitUntil([] { return Me().ShownWindows() > 1; })) << "nothing opened";
  ASSERT_NE(Me().WindowTitled("Yarrowby"), 0u)
      << "the dialog opened over the run without a question: " << Me().FocusedTitle();
  Me().Key("n");
  ASSERT_TRUE(Me().WaitUntil([] { return Me().ShownWindows() == 1; })) << "No opened a window";
  ASSERT_TRUE(Reset());
  EXPECT_EQ(Me().Grab(View()).Differences(opening), 0) << "the run became the world's start";
}

TEST_F(LaterFrameEdits, ADialogCancelledAtTheStartLeavesTheWorldAndItsFrames) {
  ASSERT_TRUE(OpenCopy("cancelled-dialog.yb"));
  ASSERT_TRUE(RunAWhile());
  ASSERT_TRUE(Reset());
  Me().Control("s");
  ASSERT_TRUE(Me().Idle());
  const std::vector<char> saved = FileBytes(CopyPath());
  ASSERT_GT(ReadSavedStart(CopyPath()).frames, 1) << "the run was not saved";
  ClickSpring(true);
  ASSERT_TRUE(Me().WaitUntil([] { return Me().ShownWindows() > 1; })) << "no dialog opened";
  EXPECT_EQ(Me().WindowTitled("Yarrowby"), 0u) << "the world at its start asked first";
  Me().Key("Escape");
  ASSERT_TRUE(Me().WaitUntil([] { return Me().ShownWindows() == 1; })) << "Escape left the dialog";
  Me().Control("s");
  ASSERT_TRUE(Me().Idle());
  EXPECT_TRUE(FileBytes(CopyPath()) == saved) << "Cancel changed the saved world";
}

TEST_F(LaterFrameEdits, AThumbDraggedDuringTheRunGoesToTheRunAndResetShowsTheOpening) {
  ASSERT_TRUE(OpenCopy("thumb-during-run.yb"));
  ClickSpring();
  ASSERT_TRUE(Me().Idle());
  const Box area = GadgetArea();
  const Picture empty = Me().Grab(area);
  ASSERT_TRUE(Click({"Input", "Rest length"}, {.objectMenu = "InSpringMenu"}));
  Me().MoveTo(0, 0);
  ASSERT_TRUE(Me().Idle());
  const Box slider = SliderTrack(empty, Me().Grab(area));
  ASSERT_GE(slider.width, 40) << "no slider appeared at the top left of the world";
  ASSERT_TRUE(Deselect());
  const Picture opening = Me().Grab(View());
  Me().Control("r");
  ASSERT_TRUE(Me().WaitUntil([&] { return Me().Grab(View()) != opening; })) << "no run";
  // A press on the track takes the value under the pointer, and the thumb follows the drag.
  const int y = slider.y + slider.height / 2;
  Me().MoveTo(slider.x + slider.width / 4, y);
  Me().Press();
  ASSERT_TRUE(Me().Settle());
  Me().MoveTo(slider.x + 3 * slider.width / 4, y);
  ASSERT_TRUE(Me().Settle());
  Me().Release();
  Me().MoveTo(0, 0);
  const Picture dragged = Me().Grab(View());
  EXPECT_TRUE(Me().WaitUntil([&] { return Me().Grab(View()) != dragged; }))
      << "the run stopped at the drag";
  Me().Control("period");
  Me().Control("s");
  ASSERT_TRUE(Me().Idle());
  const SavedStart start = ReadSavedStart(CopyPath());
  EXPECT_GT(start.frames, 1) << "the run was forgotten";
  EXPECT_NEAR(start.boxX, Opened().BodiesOfKind("TRectangle").at(0).x, 1e-9)
      << "the run's first frame is not the world's start";
  ASSERT_TRUE(Reset());
  EXPECT_EQ(Me().Grab(View()).Differences(opening), 0) << "Reset does not show the opening";
}

}  // namespace
}  // namespace scenario
