// Rich edit controls: made only once their library is loaded, text wrapped to the formatting
// rectangle and drawn in the one format and alignment they hold, typing, selection and undo of
// the edit control, and size requests to the parent.

#include "platform/richedit/RichEdit.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/win32/Control.h"
#include "platform/win32/Input.h"
#include "platform/win32/WindowPresenter.h"
#include "tests/platform/win32/WindowTestSupport.h"

namespace {

constexpr uint32_t kWhite = 0xFFFFFF;

class RichEditTest : public WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    RegisterStandardControls();
    parent = TopLevel(100, 100, 300, 200);
  }
  HWND MakeRich(int32_t width = 200, int32_t height = 100) {
    return CreateWindowEx(0, kRichEditClass, "", WS_CHILD | WS_VISIBLE | ES_MULTILINE, 10, 10,
                          width, height, parent, reinterpret_cast<HMENU>(7), nullptr);
  }
  // The leftmost and rightmost columns of the parent holding a non-white pixel inside the
  // control's first text line.
  std::pair<int32_t, int32_t> InkColumns(int32_t top, int32_t bottom) {
    Pump();
    const WindowSurface* surface = GetWindowSurface(parent);
    int32_t first = -1;
    int32_t last = -1;
    for (int32_t x = 12; x < 208; ++x) {
      for (int32_t y = top; y < bottom; ++y) {
        if (surface->Pixel(x, y) != kWhite) {
          if (first < 0) first = x;
          last = x;
          break;
        }
      }
    }
    return {first, last};
  }
  HWND parent = nullptr;
};

TEST_F(RichEditTest, TheClassExistsOnceItsLibraryIsLoaded) {
  EXPECT_EQ(MakeRich(), nullptr);
  EXPECT_EQ(LoadRichEditLibrary("MSFTEDIT.DLL"), nullptr);
  EXPECT_NE(LoadRichEditLibrary("riched32.dll"), nullptr);
  EXPECT_TRUE(IsRichEditLoaded());
  EXPECT_NE(MakeRich(), nullptr);
}

TEST_F(RichEditTest, TextWrapsAtBlanksWithinTheFormattingRectangle) {
  LoadRichEditLibrary(kRichEditLibrary);
  const HWND rich = MakeRich(120, 100);
  SetWindowText(rich, "alpha beta gamma delta epsilon\r\nzeta");
  const std::vector<RichEditLine> lines = RichEditLines(rich);
  ASSERT_GE(lines.size(), 3u);
  const std::string text = "alpha beta gamma delta epsilon\r\nzeta";
  for (const RichEditLine& line : lines) {
    // Every wrapped line ends at a blank or at the end of its paragraph.
    const size_t end = static_cast<size_t>(line.start + line.length);
    EXPECT_TRUE(end == text.size() || text[end - 1] == ' ' || text.compare(end, 2, "\r\n") == 0)
        << line.start;
  }
  EXPECT_EQ(lines.back().start, static_cast<int32_t>(text.size()) - 4);
  // A wider rectangle holds the first paragraph on fewer lines.
  RECT wide{1, 1, 600, 99};
  SendMessage(rich, EM_SETRECT, 0, reinterpret_cast<LPARAM>(&wide));
  EXPECT_EQ(RichEditLines(rich).size(), 2u);
  RECT back{};
  SendMessage(rich, EM_GETRECT, 0, reinterpret_cast<LPARAM>(&back));
  EXPECT_EQ(back.right, 600);
}

TEST_F(RichEditTest, OneAlignmentPlacesEveryLine) {
  LoadRichEditLibrary(kRichEditLibrary);
  const HWND rich = MakeRich();
  SetWindowText(rich, "Wide");
  PARAFORMAT paragraph;
  paragraph.dwMask = PFM_ALIGNMENT;
  paragraph.wAlignment = PFA_CENTER;
  SendMessage(rich, EM_SETPARAFORMAT, 0, reinterpret_cast<LPARAM>(&paragraph));
  const auto [left, right] = InkColumns(12, 30);
  ASSERT_GT(left, 0);
  // The control spans x = 10 to 210; its text is centred about 110.
  EXPECT_NEAR((left + right) / 2, 110, 3);
  paragraph.wAlignment = PFA_RIGHT;
  SendMessage(rich, EM_SETPARAFORMAT, 0, reinterpret_cast<LPARAM>(&paragraph));
  EXPECT_GE(InkColumns(12, 30).second, 203);
  PARAFORMAT read;
  SendMessage(rich, EM_GETPARAFORMAT, 0, reinterpret_cast<LPARAM>(&read));
  EXPECT_EQ(read.wAlignment, PFA_RIGHT);
}

TEST_F(RichEditTest, TheCharacterFormatCoversTheWholeText) {
  LoadRichEditLibrary(kRichEditLibrary);
  const HWND rich = MakeRich();
  SetWindowText(rich, "Heavy");
  CHARFORMAT format;
  format.dwMask = CFM_BOLD | CFM_COLOR | CFM_SIZE | CFM_FACE;
  format.dwEffects = CFE_BOLD;
  format.crTextColor = 0x000000FF;  // red
  format.yHeight = 360;             // 18 points
  std::strcpy(format.szFaceName, "DejaVu Serif");
  SendMessage(rich, EM_SETCHARFORMAT, SCF_ALL, reinterpret_cast<LPARAM>(&format));
  CHARFORMAT read;
  SendMessage(rich, EM_GETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&read));
  EXPECT_EQ(read.dwEffects & (CFE_BOLD | CFE_ITALIC), CFE_BOLD);
  EXPECT_EQ(read.crTextColor, 0x000000FFu);
  EXPECT_EQ(read.yHeight, 360);
  EXPECT_STREQ(read.szFaceName, "DejaVu Serif");
  // Italic alone changes only italic.
  CHARFORMAT italic;
  italic.dwMask = CFM_ITALIC;
  italic.dwEffects = CFE_ITALIC;
  SendMessage(rich, EM_SETCHARFORMAT, SCF_DEFAULT, reinterpret_cast<LPARAM>(&italic));
  SendMessage(rich, EM_GETCHARFORMAT, 0, reinterpret_cast<LPARAM>(&read));
  EXPECT_EQ(read.dwEffects & (CFE_BOLD | CFE_ITALIC), CFE_BOLD | CFE_ITALIC);

  Pump();
  const WindowSurface* surface = GetWindowSurface(parent);
  int red = 0;
  for (int32_t y = 11; y < 50; ++y)
    for (int32_t x = 11; x < 150; ++x) red += surface->Pixel(x, y) == 0xFF0000 ? 1 : 0;
  EXPECT_GT(red, 30);
}

TEST_F(RichEditTest, TypingSelectionUndoAndTheModifyFlagAreTheEditControls) {
  LoadRichEditLibrary(kRichEditLibrary);
  const HWND rich = MakeRich();
  SetFocus(rich);
  for (const char c : std::string("abc")) InjectCharacter(static_cast<uint8_t>(c));
  Pump();
  EXPECT_EQ(GetWindowTextString(rich), "abc");
  EXPECT_NE(SendMessage(rich, EM_GETMODIFY, 0, 0), 0);
  SendMessage(rich, EM_SETMODIFY, 0, 0);
  EXPECT_EQ(SendMessage(rich, EM_GETMODIFY, 0, 0), 0);
  CHARRANGE range{0, 2};
  SendMessage(rich, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&range));
  CHARRANGE read;
  SendMessage(rich, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&read));
  EXPECT_EQ(read.cpMin, 0);
  EXPECT_EQ(read.cpMax, 2);
  SendMessage(rich, WM_CLEAR, 0, 0);
  EXPECT_EQ(GetWindowTextString(rich), "c");
  SendMessage(rich, EM_UNDO, 0, 0);
  EXPECT_EQ(GetWindowTextString(rich), "abc");
  EXPECT_EQ(SendMessage(rich, EM_SETOPTIONS, ECOOP_OR, ECO_AUTOWORDSELECTION),
            static_cast<LRESULT>(ECO_AUTOWORDSELECTION));

  // A click after the text puts the caret at its end.
  InjectClick(rich, POINT{190, 8});
  Pump();
  SendMessage(rich, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&read));
  EXPECT_EQ(read.cpMin, 3);
  EXPECT_EQ(read.cpMax, 3);
}

TEST_F(RichEditTest, ATallerTextAsksTheParentForRoom) {
  LoadRichEditLibrary(kRichEditLibrary);
  std::vector<RECT> asked;
  Log().handlers[WM_NOTIFY] = [&asked](HWND, WPARAM, LPARAM lParam) {
    const auto* request = reinterpret_cast<const REQRESIZE*>(lParam);
    if (request->nmhdr.code == EN_REQUESTRESIZE) asked.push_back(request->rc);
    return LRESULT{0};
  };
  const HWND rich = MakeRich(120, 100);
  SetWindowText(rich, "one");
  EXPECT_TRUE(asked.empty());  // no request without the event mask
  SendMessage(rich, EM_SETEVENTMASK, 0, ENM_REQUESTRESIZE);
  SetWindowText(rich, "one two three four five six seven");
  ASSERT_EQ(asked.size(), 1u);
  const int32_t lines = static_cast<int32_t>(RichEditLines(rich).size());
  EXPECT_GT(lines, 1);
  const int32_t height = asked[0].bottom - asked[0].top;
  EXPECT_EQ(height % lines, 0);
  SendMessage(rich, EM_REQUESTRESIZE, 0, 0);
  ASSERT_EQ(asked.size(), 2u);
  EXPECT_EQ(asked[1].bottom, asked[0].bottom);
}

}  // namespace
