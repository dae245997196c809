// The framework's font dialog made from a rich edit character format: it starts from the format
// and answers the choice as one, effects included; Cancel leaves the dialog's values alone.

#include <gtest/gtest.h>

#include <cstring>
#include <deque>
#include <functional>
#include <string>

#include "platform/mfc/CFontDialog.h"
#include "platform/win32/Clock.h"
#include "platform/win32/Control.h"
#include "platform/win32/Dialog.h"
#include "platform/win32/Input.h"
#include "platform/win32/ListBox.h"
#include "platform/win32/MessageBox.h"
#include "platform/win32/Message.h"
#include "platform/win32/Window.h"

namespace {

class CFontDialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetWindowSystem();
    UseVirtualClock(1000);
    RegisterStandardControls();
    ASSERT_TRUE(frame.CreateEx(0, nullptr, "frame", WS_POPUP | WS_VISIBLE, 0, 0, 500, 400,
                               nullptr, nullptr, nullptr));
    format.dwMask = CFM_BOLD | CFM_ITALIC | CFM_UNDERLINE | CFM_STRIKEOUT | CFM_COLOR | CFM_FACE |
                    CFM_SIZE;
    format.dwEffects = CFE_ITALIC;
    format.yHeight = 240;  // 12 points
    format.crTextColor = 0x00800000;  // navy
    std::strcpy(format.szFaceName, "DejaVu Sans");
  }
  void TearDown() override {
    SetIdleScript(nullptr);
    frame.DestroyWindow();
    ResetWindowSystem();
    CWnd::DeleteTempMap();
    UseProcessClock();
  }
  // Runs each step while the dialog waits for input.
  static void Steps(std::deque<std::function<void()>> steps) {
    SetIdleScript([steps = std::move(steps)]() mutable {
      if (steps.empty()) return false;
      steps.front()();
      steps.pop_front();
      return true;
    });
  }
  CWnd frame;
  CHARFORMAT format;
};

TEST_F(CFontDialogTest, BoldChosenByKeysComesBackInTheCharacterFormat) {
  CFontDialog dialog(format, CF_BOTH | CF_NOVECTORFONTS, nullptr, &frame);
  std::string startStyle;
  Steps({[&] {
           const HWND styles = GetDlgItem(GetFontDialogWindow(), kFontStyleList);
           char text[32] = "";
           SendMessage(styles, LB_GETTEXT, static_cast<WPARAM>(SendMessage(styles, LB_GETCURSEL, 0, 0)),
                       reinterpret_cast<LPARAM>(text));
           startStyle = text;
           SetFocus(styles);
           InjectKeyStroke(VK_DOWN);  // Italic to Bold
         },
         [] { InjectKeyStroke(VK_RETURN); }});
  ASSERT_EQ(dialog.DoModal(), IDOK);
  EXPECT_EQ(startStyle, "Italic");
  CHARFORMAT chosen;
  dialog.GetCharFormat(chosen);
  EXPECT_EQ(chosen.dwEffects & (CFE_BOLD | CFE_ITALIC), CFE_BOLD);
  EXPECT_EQ(chosen.yHeight, 240);
  EXPECT_EQ(chosen.crTextColor, 0x00800000u);
  EXPECT_STREQ(chosen.szFaceName, "DejaVu Sans");
  EXPECT_TRUE(dialog.IsBold());
  EXPECT_EQ(dialog.GetSize(), 120);
}

TEST_F(CFontDialogTest, CancelAnswersCancel) {
  CFontDialog dialog(format, CF_BOTH, nullptr, &frame);
  Steps({[] { InjectKeyStroke(VK_ESCAPE); }});
  EXPECT_EQ(dialog.DoModal(), IDCANCEL);
  EXPECT_EQ(dialog.GetSize(), 0);
  EXPECT_TRUE(dialog.IsItalic());
}

}  // namespace
