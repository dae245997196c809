// The framework's rich edit control: made only after the library is loaded, and its formats,
// selection and flags reaching the control.

#include <gtest/gtest.h>

#include <cstring>

#include "platform/mfc/CRichEditCtrl.h"
#include "platform/win32/Clock.h"
#include "platform/win32/Control.h"
#include "platform/win32/Edit.h"
#include "platform/win32/Window.h"

namespace {

class CRichEditCtrlTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetWindowSystem();
    UseVirtualClock(1000);
    RegisterStandardControls();
    ASSERT_TRUE(frame.CreateEx(0, nullptr, "frame", WS_POPUP | WS_VISIBLE, 0, 0, 400, 300, nullptr,
                               nullptr, nullptr));
  }
  void TearDown() override {
    rich.DestroyWindow();
    frame.DestroyWindow();
    ResetWindowSystem();
    CWnd::DeleteTempMap();
    UseProcessClock();
  }
  CWnd frame;
  CRichEditCtrl rich;
};

TEST_F(CRichEditCtrlTest, FormatsSelectionAndFlagsReachTheControl) {
  const DWORD style = WS_CHILD | WS_VISIBLE | WS_BORDER | ES_MULTILINE;
  EXPECT_FALSE(rich.Create(style, RECT{10, 10, 210, 110}, &frame, 5));
  ASSERT_TRUE(AfxInitRichEdit());
  ASSERT_TRUE(rich.Create(style, RECT{10, 10, 210, 110}, &frame, 5));
  rich.SetWindowText("Rolling wheel");

  CHARFORMAT format;
  format.dwMask = CFM_ITALIC | CFM_SIZE | CFM_FACE;
  format.dwEffects = CFE_ITALIC;
  format.yHeight = 280;
  std::strcpy(format.szFaceName, "Liberation Sans");
  EXPECT_TRUE(rich.SetDefaultCharFormat(format));
  CHARFORMAT read;
  rich.GetSelectionCharFormat(read);
  EXPECT_EQ(read.dwEffects & CFE_ITALIC, CFE_ITALIC);
  EXPECT_EQ(read.yHeight, 280);
  EXPECT_STREQ(read.szFaceName, "Liberation Sans");

  PARAFORMAT paragraph;
  paragraph.dwMask = PFM_ALIGNMENT;
  paragraph.wAlignment = PFA_CENTER;
  rich.SetParaFormat(paragraph);
  PARAFORMAT readParagraph;
  rich.GetParaFormat(readParagraph);
  EXPECT_EQ(readParagraph.wAlignment, PFA_CENTER);

  rich.SetSel(0, 7);
  int32_t start = -1;
  int32_t end = -1;
  rich.GetSel(start, end);
  EXPECT_EQ(start, 0);
  EXPECT_EQ(end, 7);
  rich.ReplaceSel("Sliding", TRUE);
  EXPECT_EQ(GetWindowTextString(rich.m_hWnd), "Sliding wheel");
  EXPECT_TRUE(rich.CanUndo());
  rich.Undo();
  EXPECT_EQ(GetWindowTextString(rich.m_hWnd), "Rolling wheel");

  EXPECT_EQ(rich.SetEventMask(ENM_REQUESTRESIZE), 0u);
  EXPECT_EQ(rich.GetEventMask(), ENM_REQUESTRESIZE);
  rich.SetModify(TRUE);
  EXPECT_TRUE(rich.GetModify());
  EXPECT_EQ(rich.SetOptions(ECOOP_OR, ECO_AUTOWORDSELECTION), ECO_AUTOWORDSELECTION);
  rich.SetRect(RECT{2, 2, 150, 90});
  RECT area{};
  rich.GetRect(&area);
  EXPECT_EQ(area.right, 150);
  EXPECT_EQ(rich.GetTextLength(), 13);
}

}  // namespace
