// The application as a whole: a floating window moved by its caption is where it was left after
// the program quits and starts again; leaving player mode gives back File > Save, which writes
// the world; Window > Show Clipboard opens one clipboard window inside the main window, and
// choosing it again opens no second one; it shows the picture of what Edit > Copy took; a world
// embedded with Edit > Insert Object shows again when its document is opened again.

#include <algorithm>
#include <filesystem>

#include "platform/win32/Window.h"
#include "tests/scenarios/Harness.h"

namespace scenario {
namespace {

constexpr char kSample[] = "spring-and-pin.yb";
constexpr char kSampleTitle[] = "Yarrowby - spring-and-pin.yb";

class Application : public Scenario {
 protected:
  ::testing::AssertionResult OpenProperties() {
    const ::testing::AssertionResult chosen = Click({"Window", "Properties"});
    if (!chosen) return chosen;
    if (!Me().WaitUntil([] { return Me().WindowTitled("Properties") != 0; }))
      return ::testing::AssertionFailure() << "the Properties window did not open";
    return Me().Idle();
  }
  // The frame's client area below its menu bar, where document windows lie.
  Box Inside() const {
    const Box frame = Frame();
    const int edge = GetSystemMetrics(SM_CXFRAME);
    const int top = GetSystemMetrics(SM_CYFRAME) + GetSystemMetrics(SM_CYCAPTION) +
                    GetSystemMetrics(SM_CYMENU);
    return Box{frame.x + edge, frame.y + top, frame.width - 2 * edge,
               frame.height - top - GetSystemMetrics(SM_CYFRAME)};
  }
};

TEST_F(Application, AFloatingWindowMovedByItsCaptionIsWhereItWasLeftAtTheNextStart) {
  ASSERT_TRUE(Start(kSample));
  ASSERT_TRUE(OpenProperties());
  const Box opened = Me().Place(Me().WindowTitled("Properties"));
  const int grabY = opened.y + GetSystemMetrics(SM_CYFRAME) + GetSystemMetrics(SM_CYCAPTION) / 2;
  Me().SlowDrag(opened.x + 40, grabY, opened.x + 110, grabY + 50, 6);
  ASSERT_TRUE(Me().Idle());
  const Box moved = Me().Place(Me().WindowTitled("Properties"));
  ASSERT_EQ(moved.x, opened.x + 70) << "the caption did not move the window";
  ASSERT_EQ(moved.y, opened.y + 50) << "the caption did not move the window";

  // File > Quit quits at once: nothing was changed.
  RunningProgram& program = *Program();
  ASSERT_TRUE(Click({"File", "Quit"}));
  ASSERT_TRUE(program.WaitForExit()) << "File > Quit did not quit:\n" << program.Output();
  EXPECT_EQ(program.ExitCode(), 0) << program.Output();

  ASSERT_TRUE(Start(kSample));
  ASSERT_TRUE(OpenProperties());
  const Box again = Me().Place(Me().WindowTitled("Properties"));
  EXPECT_EQ(again.x, moved.x);
  EXPECT_EQ(again.y, moved.y);
  EXPECT_EQ(again.width, moved.width);
  EXPECT_EQ(again.height, moved.height);
}

// The program's own keys reach it while a floating window has the keyboard: Ctrl+Q quits.
TEST_F(Application, CtrlQQuitsWhileThePropertiesWindowHasTheKeyboard) {
  ASSERT_TRUE(Start(kSample));
  ASSERT_TRUE(OpenProperties());
  ASSERT_EQ(Me().FocusedTitle(), "Properties");
  RunningProgram& program = *Program();
  Me().Control("q");
  ASSERT_TRUE(Me().WaitUntil([&] { return program.WaitForExit(0); })) << "Ctrl+Q did not quit";
  EXPECT_EQ(program.ExitCode(), 0) << program.Output();
}

TEST_F(Application, AfterPlayerModeFileSaveWritesTheWorld) {
  ASSERT_TRUE(Start(kSample));
  ASSERT_TRUE(Me().WaitUntil([] { return Me().WindowTitled(kSampleTitle) != 0; }));
  ASSERT_TRUE(Click({"World", "Player Mode"}));
  ASSERT_TRUE(Me().Idle());
  ASSERT_TRUE(Click({"World", "Leave Player Mode"}, {.bar = "PLAYERMODE"}));
  ASSERT_TRUE(Me().Idle());

  // The world's file is taken away: only a save can bring it back.
  const std::string file = Home().Sample(kSample);
  ASSERT_TRUE(std::filesystem::remove(file));
  ASSERT_TRUE(Click({"File", "Save"}));
  ASSERT_TRUE(Me().Idle());
  EXPECT_TRUE(Me().WaitUntil([&] {
    return std::filesystem::exists(file) && std::filesystem::file_size(file) > 0;
  })) << "File > Save wrote nothing after player mode was left";
}

TEST_F(Application, ShowClipboardChosenTwiceOpensOneClipboardWindow) {
  ASSERT_TRUE(Start(kSample));
  ASSERT_TRUE(Me().WaitUntil([] { return Me().WindowTitled(kSampleTitle) != 0; }));
  ASSERT_TRUE(Me().Idle());
  const Box inside = Inside();
  const Picture before = Me().Grab(inside);
  const int shown = Me().ShownWindows();

  ASSERT_TRUE(Click({"Window", "Show Clipboard"}));
  ASSERT_TRUE(Me().Idle());
  // The window opens inside the main window, not as a window of the desktop of its own.
  EXPECT_EQ(Me().ShownWindows(), shown);
  const Box window = ChangedBox(before, Me().Grab(inside));
  ASSERT_FALSE(window.Empty()) << "no clipboard window showed";
  EXPECT_GE(window.width, 200);
  EXPECT_GE(window.height, 200);

  // File > Close (Ctrl+W) closes it. The world's window may have given up being maximised to
  // it; what the main window shows now is what it shows whenever no clipboard window is open.
  Me().Control("w");
  ASSERT_TRUE(Me().Idle());
  ASSERT_NE(Me().WindowTitled(kSampleTitle), 0u) << "Ctrl+W closed the world";
  // The upper half: the coordinates bar further down follows the pointer.
  const Box upper{inside.x, inside.y, inside.width, inside.height / 2};
  const Picture closed = Me().Grab(upper);

  // Chosen twice, it opens one window, which one Ctrl+W takes away.
  ASSERT_TRUE(Click({"Window", "Show Clipboard"}));
  ASSERT_TRUE(Me().Idle());
  ASSERT_GT(Me().Grab(upper).Differences(closed), 0) << "the clipboard window did not open again";
  ASSERT_TRUE(Click({"Window", "Show Clipboard"}));
  ASSERT_TRUE(Me().Idle());
  Me().Control("w");
  ASSERT_TRUE(Me().Idle());
  ASSERT_NE(Me().WindowTitled(kSampleTitle), 0u) << "Ctrl+W closed the world";
  // The rulers mark where the pointer is with a hairline; a window left open would be a block.
  const Box changed = ChangedBox(closed, Me().Grab(upper));
  EXPECT_TRUE(changed.width <= 1 || changed.height <= 1)
      << "a second clipboard window was left open at " << changed.x << ", " << changed.y;
}

// The four-bar linkage copied whole (Ctrl+A, Ctrl+C) shows in the clipboard window.
TEST_F(Application, ShowClipboardShowsThePictureOfWhatWasCopied) {
  ASSERT_TRUE(Start("four-bar-linkage.yb"));
  ASSERT_TRUE(
      Me().WaitUntil([] { return Me().WindowTitled("Yarrowby - four-bar-linkage.yb") != 0; }));
  ASSERT_TRUE(Me().Idle());
  // The clipboard window fills the frame's workspace, as the world's window does: inside it,
  // right of the palettes and below its caption.
  const Box frame = Frame();
  const Box client{frame.x + 60, frame.y + 96, frame.width - 70, frame.height - 140};
  // The world's linkage, clear of its window's scroll bars.
  const Box world{client.x, client.y, client.width - 40, client.height - 40};
  const Box linkage = Me().Grab(world).BoundsOf(IsInk);
  ASSERT_GT(linkage.width, 100) << "the linkage does not show";
  Me().Control("a");
  ASSERT_TRUE(Me().Idle());
  Me().Control("c");
  ASSERT_TRUE(Me().Idle());
  ASSERT_TRUE(Click({"Window", "Show Clipboard"}));
  ASSERT_TRUE(Me().Idle());
  const Picture shown = Me().Grab(client);
  EXPECT_GT(shown.Count(IsInk), 5) << "the clipboard window is blank";
  // The picture is the linkage at the size it has in the world's window.
  const Box picture = shown.BoundsOf(IsInk);
  EXPECT_NEAR(picture.width, linkage.width, linkage.width / 20 + 2) << "the picture is not to scale";
  EXPECT_NEAR(picture.height, linkage.height, linkage.height / 20 + 2)
      << "the picture is not to scale";
}

// A world embedded from a file is saved with the document; the document opened again shows its
// picture, and a run, which draws the world again and again, keeps it over the world.
TEST_F(Application, AWorldEmbeddedFromAFileStaysShownWhenItsDocumentIsOpenedAgainAndRun) {
  namespace fs = std::filesystem;
  const std::string path = Home().Sample("embedding.yb");
  fs::copy_file(Home().Sample("cam-follower.yb"), path, fs::copy_options::overwrite_existing);
  ASSERT_TRUE(Start("embedding.yb"));
  const Box frame = Frame();
  const auto rest = [&] { Me().MoveTo(frame.Right() + 20, frame.Bottom() + 20); };
  rest();
  ASSERT_TRUE(Me().Idle());
  // The embedded world's picture lies at the top left of the world's window.
  const Box inside = Inside();
  const Box corner{inside.x, inside.y, inside.width / 2, inside.height / 2};
  const Picture plain = Me().Grab(corner);

  ASSERT_TRUE(Choose({"Edit", "Insert Object..."}));
  ASSERT_TRUE(Me().WaitUntil([] { return Me().FocusedTitle() == "Insert Object"; }))
      << Me().FocusedTitle();
  // "Create from a world file:", and the file's path in the field below it.
  Me().Key("Down");
  Me().Key("Tab");
  Me().Type(Home().Sample("pendulum.yb"));
  Me().Key("Return");
  ASSERT_TRUE(Me().WaitUntil([] { return Me().WindowTitled("Insert Object") == 0; }));
  rest();
  ASSERT_TRUE(Me().Idle());
  const Picture inserted = Me().Grab(corner);
  Box item{corner.x + corner.width, corner.y + corner.height, 0, 0};
  int right = corner.x - 1, bottom = corner.y - 1;
  for (int y = 0; y < corner.height; ++y)
    for (int x = 0; x < corner.width; ++x) {
      if (inserted.At(x, y) == plain.At(x, y)) continue;
      item.x = std::min(item.x, corner.x + x);
      item.y = std::min(item.y, corner.y + y);
      right = std::max(right, corner.x + x);
      bottom = std::max(bottom, corner.y + y);
    }
  item.width = right - item.x + 1;
  item.height = bottom - item.y + 1;
  ASSERT_FALSE(item.Empty()) << "the embedded world is not shown";
  const Picture shown = Me().Grab(item);
  const uintmax_t before = fs::file_size(path);
  Me().Control("s");
  ASSERT_TRUE(Me().Idle());
  ASSERT_GT(fs::file_size(path), before) << "the document was saved without the embedded world";

  ASSERT_TRUE(Start("embedding.yb"));
  rest();
  ASSERT_TRUE(Me().Idle());
  EXPECT_EQ(Me().Grab(item).Differences(shown), 0) << "the embedded world is not shown";
  const Picture opened = Me().Grab(inside);
  Me().Control("r");
  ASSERT_TRUE(Me().WaitUntil([&] { return Me().Grab(inside).Differences(opened) > 200; }))
      << "the world did not run";
  Me().Control("period");
  ASSERT_TRUE(Me().Idle());
  EXPECT_EQ(Me().Grab(item).Differences(shown), 0) << "the run drew over the embedded world";
}

}  // namespace
}  // namespace scenario
