#include <gtest/gtest.h>

#include "app/TApp.h"
#include "model/command/CountDialog.h"
#include "model/command/FormulaProgress.h"
#include "platform/win32/Clock.h"
#include "platform/win32/Dialog.h"
#include "platform/win32/Input.h"
#include "platform/win32/Message.h"
#include "platform/win32/MessageBox.h"
#include "platform/win32/Window.h"

namespace {

constexpr UINT kFrameNote = WM_USER + 7;
int gFrameNotes = 0;

LRESULT FrameProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == kFrameNote) ++gFrameNotes;
  return DefWindowProc(window, message, wParam, lParam);
}

// The program's own count dialog over a main frame, on a virtual clock.
class CountDialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetWindowSystem();
    UseVirtualClock(1000);
    app.LoadResourceDlls();
    WNDCLASS windowClass;
    windowClass.lpfnWndProc = FrameProc;
    windowClass.lpszClassName = "TestFrame";
    RegisterClass(&windowClass);
    frame = CreateWindowEx(0, "TestFrame", "frame", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 600,
                           400, nullptr, nullptr, nullptr);
    app.Commands().SetMainFrame(frame);
  }
  void TearDown() override {
    ResetWindowSystem();
    UseProcessClock();
    app.FreeResourceDlls();
  }
  std::string Shown() {
    const TCountDialog* dialog = TCountDialog::Current();
    return dialog != nullptr ? GetDlgItemTextString(dialog->Window(), TCountDialog::kCountItem)
                             : "(none)";
  }
  // One check a little more than 20 ticks after the last.
  bool CheckLater(TFormulaProgressState& state, double start, double reached, double total) {
    AdvanceVirtualClock(400);
    return FormulaProgressCheck(&state, start, reached, total);
  }

  TApp app;
  HWND frame = nullptr;
};

TEST_F(CountDialogTest, ALongRecomputationShowsItsCountNeverLessAndCanBeCancelled) {
  TFormulaProgressState state;
  state.Start(1500);
  EXPECT_FALSE(FormulaProgressCheck(&state, 100, 60, 0));
  EXPECT_EQ(TCountDialog::DialogUp(), 0) << "no dialog in the first two seconds";

  AdvanceVirtualClock(2000);
  EXPECT_FALSE(FormulaProgressCheck(&state, 100, 60, 0));
  EXPECT_EQ(TCountDialog::DialogUp(), 0) << "two seconds are not yet past";
  AdvanceVirtualClock(20);
  EXPECT_FALSE(FormulaProgressCheck(&state, 100, 60, 0));
  ASSERT_EQ(TCountDialog::DialogUp(), 1);
  const HWND dialog = TCountDialog::Current()->Window();
  EXPECT_EQ(GetParent(dialog), frame);
  EXPECT_TRUE(IsWindowVisible(dialog));
  EXPECT_FALSE(IsWindowEnabled(frame));
  EXPECT_EQ(Shown(), "40");
  EXPECT_FALSE(CheckLater(state, 100, 70, 0));
  EXPECT_EQ(Shown(), "40") << "the count never goes back";
  EXPECT_FALSE(CheckLater(state, 100, 10, 0));
  EXPECT_EQ(Shown(), "90");
  EXPECT_FALSE(CheckLater(state, 5, 70, 5));
  EXPECT_EQ(Shown(), "90");

  // The user presses Cancel; the checks let the event loop run one pass each, and the one that
  // sees the click end answers stop.
  InjectClick(GetDlgItem(dialog, IDCANCEL), {10, 5});
  int checks = 1;
  while (!CheckLater(state, 100, 5, 0)) {
    ASSERT_LT(++checks, 10) << "the click never reached the dialog";
    ASSERT_TRUE(IsWindow(dialog));
  }
  EXPECT_FALSE(IsWindow(dialog));
  EXPECT_EQ(TCountDialog::DialogUp(), 0);
  EXPECT_EQ(TCountDialog::CancelPressed(), 1);
  EXPECT_TRUE(IsWindowEnabled(frame));
}

// Messages of the main frame queued ahead of a click on Cancel once took the checks' single
// message each, so that the click was heard only when the work was over. The next check now
// hears it, and leaves the frame's messages for after the work.
TEST_F(CountDialogTest, CancelIsHeardAtTheNextCheckAndTheFrameWaits) {
  TFormulaProgressState state;
  state.Start(1500);
  AdvanceVirtualClock(2100);
  EXPECT_FALSE(FormulaProgressCheck(&state, 100, 60, 0));
  ASSERT_NE(TCountDialog::Current(), nullptr);
  const HWND dialog = TCountDialog::Current()->Window();
  gFrameNotes = 0;
  for (int i = 0; i < 20; ++i) PostMessage(frame, kFrameNote, 0, 0);
  InjectClick(GetDlgItem(dialog, IDCANCEL), {10, 5});
  EXPECT_TRUE(CheckLater(state, 100, 50, 0));
  EXPECT_FALSE(IsWindow(dialog));
  EXPECT_EQ(gFrameNotes, 0) << "the frame acted while the work was under way";
  MSG message;
  while (PeekMessage(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessage(&message);
  EXPECT_EQ(gFrameNotes, 20);
}

TEST_F(CountDialogTest, TheEndOfTheWorkClosesTheDialog) {
  TFormulaProgressState state;
  state.Start(1500);
  AdvanceVirtualClock(2100);
  EXPECT_FALSE(FormulaProgressCheck(&state, 10, 10, 10));
  ASSERT_NE(TCountDialog::Current(), nullptr);
  EXPECT_EQ(Shown(), "0");
  CloseCountDialog();
  EXPECT_EQ(TCountDialog::Current(), nullptr);
  EXPECT_EQ(TCountDialog::DialogUp(), 0);
  EXPECT_TRUE(IsWindowEnabled(frame));
}

}  // namespace
