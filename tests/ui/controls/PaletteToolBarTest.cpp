// The palette tool bar in a frame: its column count decides where the rows wrap, and the frame
// gives the bar the width of its columns.

#include "ui/controls/PaletteToolBar.h"

#include <gtest/gtest.h>

#include <vector>

#include "platform/mfc/CFrameWnd.h"
#include "platform/win32/Clock.h"
#include "platform/win32/Control.h"
#include "platform/win32/Input.h"
#include "platform/win32/Message.h"
#include "platform/win32/Window.h"

namespace {

constexpr UINT kTools[] = {3001, 3002, 3003, 3004, 3005, 3006, 3007};
constexpr int32_t kButton = 24;

class Frame : public CFrameWnd {
 public:
  BOOL OnCmdMsg(UINT id, int32_t code, void* extra) override {
    if (code == CN_COMMAND && id >= 3001 && id <= 3007) {
      commands.push_back(id);
      return TRUE;
    }
    return CFrameWnd::OnCmdMsg(id, code, extra);
  }
  std::vector<UINT> commands;
};

class PaletteToolBarTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetWindowSystem();
    UseVirtualClock(1000);
    frame_ = new Frame;  // a frame deletes itself with its window
    ASSERT_TRUE(frame_->Create(nullptr, "Main", WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                               RECT{0, 0, 500, 400}, nullptr, nullptr, 0, nullptr));
    ASSERT_TRUE(palette_.Create(frame_, WS_CHILD | WS_VISIBLE | CBRS_LEFT));
    palette_.SetSizes(SIZE{kButton, kButton}, SIZE{16, 15});
    palette_.SetButtons(kTools, 7);
  }
  void TearDown() override {
    ::DestroyWindow(frame_->m_hWnd);
    ResetWindowSystem();
    CWnd::DeleteTempMap();
    UseProcessClock();
  }
  // How many buttons each row holds, from where the bar places them.
  std::vector<int32_t> Rows() {
    std::vector<int32_t> rows;
    int32_t lastTop = -1;
    for (int32_t i = 0; i < palette_.GetCount(); ++i) {
      RECT place;
      palette_.GetItemRect(i, &place);
      if (place.top != lastTop) rows.push_back(0);
      lastTop = place.top;
      ++rows.back();
    }
    return rows;
  }
  Frame* frame_ = nullptr;
  CPaletteToolBar palette_;
};

TEST_F(PaletteToolBarTest, SevenButtonsInTwoColumnsWrapTwoTwoTwoOne) {
  EXPECT_EQ(palette_.GetColumnCount(), 2);
  palette_.SetColumnCount(2);
  std::vector<bool> wrapped;
  for (int32_t i = 0; i < 7; ++i)
    wrapped.push_back((palette_.GetButtonStyle(i) & TBBS_WRAPPED) != 0);
  EXPECT_EQ(wrapped, (std::vector<bool>{false, true, false, true, false, true, false}));
  EXPECT_EQ(Rows(), (std::vector<int32_t>{2, 2, 2, 1}));
  // The frame lays the bar along its left side, two buttons wide and four high, leaving the
  // rest of the side to bars docked beside it.
  RECT bar;
  palette_.GetWindowRect(&bar);
  RECT client;
  ::GetClientRect(frame_->m_hWnd, &client);
  EXPECT_EQ(bar.right - bar.left, 2 * kButton + 4);
  EXPECT_EQ(bar.bottom - bar.top, 4 * kButton + 4);
  EXPECT_LT(bar.bottom - bar.top, client.bottom);
  // Wrapping leaves the other style bits alone.
  EXPECT_EQ(palette_.GetButtonStyle(0) & ~TBBS_WRAPPED, TBBS_BUTTON);
}

TEST_F(PaletteToolBarTest, OneColumnWrapsEveryButtonAndMoreColumnsThanButtonsNone) {
  palette_.SetColumnCount(1);
  EXPECT_EQ(Rows(), (std::vector<int32_t>{1, 1, 1, 1, 1, 1, 1}));
  palette_.SetColumnCount(9);
  EXPECT_EQ(Rows(), (std::vector<int32_t>{7}));
  // A count of 0 or less counts as one column instead of dividing by zero.
  palette_.SetColumnCount(0);
  EXPECT_EQ(Rows(), (std::vector<int32_t>{1, 1, 1, 1, 1, 1, 1}));
  palette_.SetColumnCount(-3);
  EXPECT_EQ(Rows(), (std::vector<int32_t>{1, 1, 1, 1, 1, 1, 1}));
}

TEST_F(PaletteToolBarTest, AClickedToolSendsItsCommandToTheFrame) {
  palette_.SetColumnCount(2);
  RECT fourth;
  palette_.GetItemRect(3, &fourth);  // second row, second column
  InjectClick(palette_.m_hWnd, POINT{fourth.left + 5, fourth.top + 5});
  MSG message;
  while (PeekMessage(&message, nullptr, 0, 0, PM_REMOVE))
    DispatchMessage(&message);
  EXPECT_EQ(frame_->commands, std::vector<UINT>{3004});
}

}  // namespace
