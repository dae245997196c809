// The font dialog driven by keys: it starts from the LOGFONT, OK hands back the face, size,
// style, effects and colour chosen, a size out of range is refused with a message and the
// dialog stays, and Cancel changes nothing.

#include "platform/win32/FontDialog.h"

#include <gtest/gtest.h>

#include <cstring>
#include <deque>
#include <functional>
#include <string>

#include "platform/win32/Button.h"
#include "platform/win32/ComboBox.h"
#include "platform/win32/Control.h"
#include "platform/win32/Dialog.h"
#include "platform/win32/Edit.h"
#include "platform/win32/Input.h"
#include "platform/win32/ListBox.h"
#include "platform/win32/Message.h"
#include "platform/win32/MessageBox.h"
#include "tests/platform/win32/DialogTestSupport.h"
#include "tests/platform/win32/WindowTestSupport.h"

namespace {

class FontDialogTest : public WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    RegisterStandardControls();
    owner = TopLevel(50, 50, 500, 400);
    std::strcpy(font.lfFaceName, "DejaVu Serif");
    font.lfHeight = -16;  // 12 points on the 96-pixel screen
    font.lfWeight = FW_NORMAL;
    choose.hwndOwner = owner;
    choose.lpLogFont = &font;
    choose.Flags = CF_BOTH | CF_NOVECTORFONTS | CF_INITTOLOGFONTSTRUCT | CF_EFFECTS;
    choose.rgbColors = 0x000000;
  }
  void TearDown() override {
    SetIdleScript(nullptr);
    WindowTest::TearDown();
  }
  static HWND Control(int32_t id) { return GetDlgItem(GetFontDialogWindow(), id); }
  // Replaces the size by typing.
  static void TypeSize(const std::string& size) {
    SetFocus(Control(kFontSizeEdit));
    SendMessage(Control(kFontSizeEdit), EM_SETSEL, 0, -1);
    for (const char c : size) InjectCharacter(static_cast<uint8_t>(c));
  }
  HWND owner = nullptr;
  LOGFONT font{};
  CHOOSEFONT choose;
};

TEST_F(FontDialogTest, OkHandsBackTheChoiceMadeByKeys) {
  std::string startSize;
  std::string startFace;
  ScriptUser({[&] {
                startSize = GetDlgItemTextString(GetFontDialogWindow(), kFontSizeEdit);
                const auto face = SendMessage(Control(kFontFaceList), LB_GETCURSEL, 0, 0);
                char name[64] = "";
                SendMessage(Control(kFontFaceList), LB_GETTEXT, static_cast<WPARAM>(face),
                            reinterpret_cast<LPARAM>(name));
                startFace = name;
                TypeSize("18");
              },
              [] {
                // Regular, Italic, Bold: two steps down the style list.
                SetFocus(Control(kFontStyleList));
                InjectKeyStroke(VK_DOWN);
                InjectKeyStroke(VK_DOWN);
              },
              [] { InjectClick(Control(kFontUnderlineBox), POINT{4, 8}); },
              [] {
                SendMessage(Control(kFontColourList), CB_SETCURSEL, 9, 0);  // red
                InjectKeyStroke(VK_RETURN);
              }});
  ASSERT_TRUE(ChooseFont(&choose));
  EXPECT_EQ(startSize, "12");
  EXPECT_EQ(startFace, "DejaVu Serif");
  EXPECT_STREQ(font.lfFaceName, "DejaVu Serif");
  EXPECT_EQ(font.lfHeight, -24);
  EXPECT_EQ(choose.iPointSize, 180);
  EXPECT_EQ(font.lfWeight, FW_BOLD);
  EXPECT_EQ(font.lfItalic, 0);
  EXPECT_EQ(font.lfUnderline, 1);
  EXPECT_EQ(font.lfStrikeOut, 0);
  EXPECT_EQ(choose.rgbColors, 0x0000FFu);
}

TEST_F(FontDialogTest, ASizeOutOfRangeIsRefusedAndCancelChangesNothing) {
  int boxes = 0;
  ScriptUser({[] {
                TypeSize("0");
                InjectKeyStroke(VK_RETURN);
              },
              [&] {
                if (GetMessageBoxWindow()) ++boxes;
                InjectKeyStroke(VK_RETURN);
              },
              [&] {
                // The dialog is still up after the message.
                EXPECT_NE(GetFontDialogWindow(), nullptr);
                InjectKeyStroke(VK_ESCAPE);
              }});
  const LOGFONT before = font;
  EXPECT_FALSE(ChooseFont(&choose));
  EXPECT_EQ(boxes, 1);
  EXPECT_EQ(std::memcmp(&before, &font, sizeof font), 0);
  EXPECT_EQ(choose.iPointSize, 0);
}

TEST(FontFaceNamesTest, TheFacesOfTheSystemAreOffered) {
  const std::vector<std::string> faces = FontFaceNames();
  EXPECT_NE(std::find(faces.begin(), faces.end(), "DejaVu Sans"), faces.end());
  EXPECT_TRUE(std::is_sorted(faces.begin(), faces.end()));
}

}  // namespace
