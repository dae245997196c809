// The menu bar and the document windows on a bare desktop: a click on a menu title opens its
// menu every time, also just after a click elsewhere closed a menu and while another menu is
// open, and an open menu leaves the keyboard with the main window; a submenu opens beside its
// item while its menu stays open, and closes alone; a title is grey while its menu offers
// nothing, and not once it does, before any menu opens; a maximised document window
// that is restored leaves the workspace around it painted. A selected body's Meter menu places a
// meter that shows at once and is saved; with two documents the one last clicked is the one
// File's and World's commands act on, and the Window menu brings a covered one forward.

#include <algorithm>
#include <cstdio>
#include <string>

#include "platform/win32/Mdi.h"
#include "platform/win32/Window.h"
#include "tests/scenarios/Harness.h"

namespace scenario {
namespace {

bool IsDark(uint32_t pixel) {
  const uint32_t red = (pixel >> 16) & 0xFF, green = (pixel >> 8) & 0xFF, blue = pixel & 0xFF;
  return red + green + blue < 3 * 64;
}


// What the program prints, started with the arguments and no desktop at all.
std::string WithoutDesktop(const std::string& arguments) {
  std::string output;
  FILE* pipe = popen(("env -u DISPLAY '" + ProgramPath() + "' " + arguments + " 2>&1").c_str(), "r");
  if (pipe == nullptr) return output;
  char buffer[4096];
  while (const size_t read = fread(buffer, 1, sizeof buffer, pipe)) output.append(buffer, read);
  pclose(pipe);
  return output;
}

class MenuAndMdi : public Scenario {
 protected:
  // Starts the program unless the group's program still runs, and waits for the splash window to
  // go, so that only the main window and what the scenario opens are shown.
  ::testing::AssertionResult StartAlone() {
    if (Program() == nullptr) {
      const ::testing::AssertionResult started = Start();
      if (!started) return started;
    }
    if (!Me().WaitUntil([] { return Me().ShownWindows() == 1; }))
      return ::testing::AssertionFailure() << "windows besides the main one stayed shown";
    return ::testing::AssertionSuccess();
  }
  // The middle of the menu bar's row, on the screen.
  int BarY() const {
    return Frame().y + GetSystemMetrics(SM_CYFRAME) + GetSystemMetrics(SM_CYCAPTION) +
           GetSystemMetrics(SM_CYMENU) / 2;
  }
  // A point of the status bar at the bottom of the frame: a click there closes an open menu.
  int ElsewhereX() const { return Frame().x + Frame().width / 2; }
  int ElsewhereY() const { return Frame().Bottom() - GetSystemMetrics(SM_CYFRAME) - 6; }
  // The frame's workspace below the bars and right of the palettes, where the document windows
  // stand.
  Box Workspace() const {
    const Box frame = Frame();
    return {frame.x + 58, frame.y + 80, frame.width - 66, frame.height - 110};
  }
  // Whether a title of the menu bar shows grey letters (else black ones).
  bool Greyed(const std::string& title) const {
    const Picture letters = Me().Grab({MenuTitleMiddle(Frame(), title) - 10, BarY() - 5, 20, 10});
    return letters.Count([](uint32_t pixel) { return pixel == 0x808080; }) > 0;
  }
  // A click as a person makes it: the button stays down while the program takes the press.
  void HeldClick(int x, int y) {
    Me().MoveTo(x, y);
    Me().Press();
    EXPECT_TRUE(Me().Idle());
    Me().Release();
    EXPECT_TRUE(Me().Idle());
  }
};

TEST_F(MenuAndMdi, AMenuTitleOpensItsMenuAtTheFirstClickEveryTime) {
  ASSERT_TRUE(StartAlone());
  const int fileX = MenuTitleMiddle(Frame(), "File");
  const int editX = MenuTitleMiddle(Frame(), "Edit");
  for (int round = 1; round <= 6; ++round) {
    HeldClick(fileX, BarY());
    ASSERT_EQ(Me().ShownWindows(), 2) << "round " << round << ": File did not open at one click";
    // Quick clicks and held ones alike close it.
    if (round % 2 == 0) {
      Me().Click(ElsewhereX(), ElsewhereY());
      ASSERT_TRUE(Me().Idle());
    } else {
      HeldClick(ElsewhereX(), ElsewhereY());
    }
    ASSERT_EQ(Me().ShownWindows(), 1) << "round " << round << ": the click did not close File";
  }
  // With File open, one click on Edit closes File and opens Edit: still one menu shown, and a
  // click elsewhere closes it.
  HeldClick(fileX, BarY());
  ASSERT_EQ(Me().ShownWindows(), 2);
  const Box fileMenu{fileX - 20, BarY() + GetSystemMetrics(SM_CYMENU), 30, 40};
  const Picture withFile = Me().Grab(fileMenu);
  HeldClick(editX, BarY());
  EXPECT_EQ(Me().ShownWindows(), 2) << "Edit did not open at one click while File was open";
  EXPECT_NE(Me().Grab(fileMenu), withFile) << "File's menu stayed where it was";
  HeldClick(ElsewhereX(), ElsewhereY());
  EXPECT_EQ(Me().ShownWindows(), 1);
}

TEST_F(MenuAndMdi, AnOpenMenuLeavesTheKeyboardWithTheMainWindow) {
  // While a button is down the desktop sends the pointer's events to the window that has the
  // keyboard. A menu that held the keyboard when a click elsewhere closed it took that click's
  // release away with its window, and the next press on a menu title was lost.
  ASSERT_TRUE(StartAlone());
  const std::string mainTitle = "Yarrowby - spring-and-pin.yb";
  ASSERT_TRUE(Me().WaitUntil([&] { return Me().FocusedTitle() == mainTitle; }))
      << "the main window never took the keyboard";
  for (int round = 1; round <= 2; ++round) {
    HeldClick(MenuTitleMiddle(Frame(), "File"), BarY());
    ASSERT_EQ(Me().ShownWindows(), 2);
    EXPECT_EQ(Me().FocusedTitle(), mainTitle) << "round " << round << ": the menu took the keyboard";
    HeldClick(ElsewhereX(), ElsewhereY());
    ASSERT_EQ(Me().ShownWindows(), 1);
    EXPECT_EQ(Me().FocusedTitle(), mainTitle)
        << "round " << round << ": the keyboard did not come back to the main window";
  }
}

TEST_F(MenuAndMdi, ARestoredDocumentWindowLeavesTheWorkspaceAroundItPainted) {
  ASSERT_TRUE(StartAlone());
  // The document opens maximised: its active caption is the first below the menu bar.
  const Box frame = Frame();
  const Picture start = Me().Grab(frame);
  const int middle = frame.width / 2;
  const uint32_t caption = 0x285496;  // the active caption's blue
  int captionY = BarY() - frame.y + GetSystemMetrics(SM_CYMENU);
  while (captionY < frame.height && start.At(middle, captionY) != caption) ++captionY;
  ASSERT_LT(captionY, frame.height) << "no document window's caption";

  // A strip along the right edge of the workspace, which the maximised window covers and the
  // restored one does not reach.
  const int edge = GetSystemMetrics(SM_CXFRAME);
  const int stripTop = captionY + GetSystemMetrics(SM_CYCAPTION) + 10;
  const Box strip{frame.x + frame.width - edge - 4, frame.y + stripTop, 2,
                  frame.height - stripTop - 60};
  const auto workspace = [](uint32_t pixel) { return pixel == kMdiWorkspaceColour; };
  ASSERT_EQ(Me().Grab(strip).Count(workspace), 0) << "the document window is not maximised";

  Me().DoubleClick(frame.x + middle, frame.y + captionY + GetSystemMetrics(SM_CYCAPTION) / 2);
  ASSERT_TRUE(Me().Idle());
  EXPECT_EQ(Me().Grab(strip).Count(workspace), strip.width * strip.height)
      << "the maximised picture stayed around the restored window";
}

TEST_F(MenuAndMdi, ARestingPointerOpensASubmenuBesideItsItemAndLeftClosesItAlone) {
  ASSERT_TRUE(StartAlone());
  const std::vector<Box> before = Me().ShownPlaces();
  HeldClick(MenuTitleMiddle(Frame(), "World"), BarY());
  ASSERT_EQ(Me().ShownWindows(), 2) << "World did not open";
  const auto newlyShown = [](const std::vector<Box>& known) {
    for (const Box& place : Me().ShownPlaces())
      if (std::find(known.begin(), known.end(), place) == known.end()) return place;
    return Box{};
  };
  const Box world = newlyShown(before);
  const Box vectors = MenuItemRow(world, {"World", "Vectors"});
  ASSERT_FALSE(vectors.Empty());
  Me().MoveTo(vectors.x + 20, vectors.y + vectors.height / 2);
  ASSERT_TRUE(Me().WaitUntil([] { return Me().ShownWindows() == 3; }))
      << "Vectors did not open where the pointer rests";
  std::vector<Box> known = before;
  known.push_back(world);
  const Box submenu = newlyShown(known);
  // Beside its item, which it spans (moved up when the screen has no room below).
  EXPECT_NEAR(submenu.x, world.Right(), 2) << "Vectors did not open beside World";
  EXPECT_TRUE(submenu.y <= vectors.y && submenu.Bottom() >= vectors.Bottom())
      << "Vectors did not open beside its item";
  EXPECT_TRUE(Me().WaitUntil([&] { return Me().Grab(submenu).Count(IsInk) > 0; }))
      << "Vectors's items are not drawn";
  Me().Key("Left");
  ASSERT_TRUE(Me().WaitUntil([] { return Me().ShownWindows() == 2; }));
  EXPECT_EQ(newlyShown(before), world) << "World did not stay open";
  Me().Key("Escape");
  EXPECT_TRUE(Me().WaitUntil([] { return Me().ShownWindows() == 1; }));
}

TEST_F(MenuAndMdi, MenuTitlesFollowWhatTheirMenusOfferAndNewWorldsAreNumbered) {
  ASSERT_TRUE(Start(""));
  ASSERT_TRUE(StartAlone());
  // The title's letters: grey while its menu has nothing to offer, black once it has.
  EXPECT_TRUE(Me().WaitUntil([&] { return Greyed("Edit"); })) << "Edit is not grey without a world";
  Me().Control("n");
  ASSERT_TRUE(Me().Idle());
  EXPECT_TRUE(Me().WaitUntil([&] { return !Greyed("Edit"); })) << "Edit stayed grey";
  EXPECT_NE(Me().WindowTitled("Yarrowby - Untitled"), 0u) << "the first new world is not Untitled";

  // Two more new worlds: each is named apart from those before it.
  for (const std::string title : {"Yarrowby - Untitled 2", "Yarrowby - Untitled 3"}) {
    Me().Control("n");
    EXPECT_TRUE(Me().WaitUntil([&] { return Me().WindowTitled(title) != 0; }))
        << "no window titled " << title << ": " << testing::PrintToString(Me().Titles());
  }
}

TEST_F(MenuAndMdi, AMeterOfTheSelectedBobIsDrawnAtOnceAndSavedWithTheWorld) {
  ASSERT_TRUE(StartOnSample("pendulum.yb"));
  // The bob is the circle hanging lowest; the rod runs from above into its centre. The
  // window's scroll bars are left out of the search.
  const Box workspace = Workspace();
  const Box world{workspace.x, workspace.y, workspace.width - 40, workspace.height - 40};
  const Box bob = HangingCircle(Me().Grab(world), IsDark);
  ASSERT_GT(bob.width, 20) << "the pendulum's bob is not shown";
  const int radius = bob.width / 2;
  const int centreX = bob.x + radius;
  // Inside the bob, below its middle: clear of its centre, its rod and its radius line.
  Me().Click(centreX, bob.Bottom() - 1 - bob.height / 4);
  Me().MoveTo(0, 0);
  ASSERT_TRUE(Me().Idle());
  EXPECT_TRUE(Me().WaitUntil([&] { return !Greyed("Meter"); })) << "Meter stayed grey";
  const Picture selected = Me().Grab(workspace);

  // Meter > Position, of the body's meters: the meter is drawn at once.
  ASSERT_TRUE(Choose({"Meter", "Position"}, {.objectMenu = "OutMassMenu"}));
  ASSERT_EQ(Me().ShownWindows(), 1) << "the menu stayed open: Position is greyed";
  const Box meter = ChangedBox(selected, Me().Grab(workspace));
  EXPECT_GE(meter.width, 40) << "no meter was drawn";
  EXPECT_GE(meter.height, 12) << "no meter was drawn";

  // Saved with Ctrl+S, the world holds the meter.
  Me().Control("s");
  ASSERT_TRUE(Me().Idle());
  const std::string listed = WithoutDesktop("--list-objects '" + Home().Sample("pendulum.yb") + "'");
  EXPECT_NE(listed.find("TOutput"), std::string::npos) << "the saved world lists:\n" << listed;
}

TEST_F(MenuAndMdi, TheDocumentLastClickedIsClosedAndRunAndTheWindowMenuBringsACoveredOneForward) {
  ASSERT_TRUE(StartOnSample("pendulum.yb"));
  Me().Control("n");
  ASSERT_TRUE(Me().WaitUntil([] { return Me().UntitledWorldWindow() != 0; }))
      << "Ctrl+N made no new world";
  ASSERT_TRUE(Me().Idle());
  // Window > Tile: the two windows side by side.
  ASSERT_TRUE(Choose({"Window", "Tile"}));
  const Box workspace = Workspace();
  const int half = workspace.width / 2;
  const Box left{workspace.x + 10, workspace.y + 40, half - 40, workspace.height - 60};
  const Box right{workspace.x + half + 10, workspace.y + 40, half - 40, workspace.height - 60};
  const auto darkPixels = [](const Box& box) { return Me().Grab(box).Count(IsDark); };
  const bool pendulumLeft = darkPixels(left) > darkPixels(right);
  const Box pendulum = pendulumLeft ? left : right;
  const Box untitled = pendulumLeft ? right : left;
  ASSERT_GT(darkPixels(pendulum), 100) << "the pendulum is not shown beside the new world";

  // A click on each window in turn makes it the one the title names.
  Me().Click(pendulum.x + 5, pendulum.y + 5);
  Me().MoveTo(0, 0);
  ASSERT_TRUE(Me().Idle());
  EXPECT_NE(Me().WindowTitled("Yarrowby - pendulum.yb"), 0u) << "the pendulum's window stayed behind";
  Me().Click(untitled.x + 5, untitled.y + 5);
  Me().MoveTo(0, 0);
  ASSERT_TRUE(Me().Idle());
  ASSERT_NE(Me().UntitledWorldWindow(), 0u) << "the new world's window stayed behind";

  // Ctrl+W closes the window clicked last; the pendulum's comes forward and is the one run.
  Me().Control("w");
  ASSERT_TRUE(Me().Idle());
  EXPECT_NE(Me().WindowTitled("Yarrowby - pendulum.yb"), 0u)
      << "the title does not name the world left open";
  EXPECT_GT(darkPixels(pendulum), 100) << "the pendulum's window was closed";
  const Picture still = Me().Grab(pendulum);
  Me().Control("r");
  ASSERT_TRUE(Me().WaitUntil([&] { return Me().Grab(pendulum) != still; }))
      << "Run did not run the pendulum";
  Me().Control("period");
  ASSERT_TRUE(Me().Idle());
  const Picture stopped = Me().Grab(pendulum);

  // A new world covers the pendulum's; Window > 1 pendulum.yb, the first document the menu
  // lists, brings it forward again.
  Me().Control("n");
  ASSERT_TRUE(Me().WaitUntil([] { return Me().UntitledWorldWindow() != 0; }));
  ASSERT_TRUE(Me().Idle());
  ASSERT_NE(Me().Grab(pendulum), stopped) << "the new world's window does not cover the pendulum";
  ASSERT_TRUE(ChooseWindow(1));
  EXPECT_NE(Me().WindowTitled("Yarrowby - pendulum.yb"), 0u)
      << "the Window menu did not make the pendulum's window the active one";
  EXPECT_EQ(Me().Grab(pendulum), stopped) << "the pendulum's window is still covered";
}

}  // namespace
}  // namespace scenario
