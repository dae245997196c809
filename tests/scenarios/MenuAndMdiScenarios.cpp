// The menu bar and the document windows on a bare desktop: a click on a menu title opens its
// menu every time, also just after a click elsewhere closed a menu and while another menu is
// open, and an open menu leaves the keyboard with the main window; a maximised document window
// that is restored leaves the workspace around it painted.

#include "platform/win32/Mdi.h"
#include "platform/win32/Window.h"
#include "tests/scenarios/Harness.h"

namespace scenario {
namespace {

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
  const int fileX = Frame().x + MenuTitleX("File");
  const int editX = Frame().x + MenuTitleX("Edit");
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
    HeldClick(Frame().x + MenuTitleX("File"), BarY());
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

}  // namespace
}  // namespace scenario
