// The text edit view with its plain and rich controls: the rich control made in the view's text
// style (every face bit its own effect) and aligned by the justification, select all and refresh
// taking the whole text, the font dialog's choice kept in the control and the style (so it
// survives a new control), Cancel changing nothing, and the end of editing when the focus goes.

#include <gtest/gtest.h>

#include <cstring>
#include <deque>
#include <functional>
#include <string>

#include "core/port/PortText.h"
#include "platform/win32/Control.h"
#include "platform/win32/Edit.h"
#include "platform/win32/Input.h"
#include "platform/win32/ListBox.h"
#include "platform/win32/FontDialog.h"
#include "tests/platform/win32/DialogTestSupport.h"
#include "tests/ui/views/ViewTestSupport.h"
#include "ui/controls/TextEditView.h"
#include "ui/dialogs/DisplayMetrics.h"

namespace {

using view_test::ViewTest;

void* g_endedOwner = nullptr;
void RememberEnd(void* owner) { g_endedOwner = owner; }

class TextEditViewTest : public ViewTest {
 protected:
  void SetUp() override {
    ViewTest::SetUp();
    RegisterStandardControls();
    SetScreenLogPixelsY(96);
    ResetFaceTable();
    view_ = new TTextEditView;
    TViewPoint location{10, 10};
    TViewPoint size{300, 200};
    view_->InitTextEditView(nullptr, root_, location, size, 5, 5, 0, 0);
    TextStyle style;
    style.font = FontNumberFromName(Str255("DejaVu Sans"));
    style.face = kStyleBold | kStyleItalic;
    style.size = 12;
    style.color.red = 0xFF00;
    view_->SetTextStyle(style);
    g_endedOwner = nullptr;
  }
  void TearDown() override {
    SetIdleScript(nullptr);
    SetEndTextEditingHook(nullptr);
    view_->DestroyControl();
    SetScreenLogPixelsY(0);
    ViewTest::TearDown();
  }
  CWnd* Rich(int16_t justification, const char* text = "Label") {
    record_ = TEditCreationRecord{};
    record_.parent = CWnd::FromHandle(view_->GetWindowHandle());
    record_.owner = view_;
    record_.controlId = 40;
    record_.text = text;
    record_.bounds = &bounds_;
    record_.justification = justification;
    record_.requestResize = 1;
    record_.textOwner = &textOwner_;
    view_->DestroyControl();
    view_->MakeControl(RUNTIME_CLASS(QVRichEditCntrl), record_);
    return view_->CreateControlWindow();
  }
  CHARFORMAT Format() {
    CHARFORMAT format;
    SendMessage(view_->GetControl()->GetSafeHwnd(), EM_GETCHARFORMAT, SCF_DEFAULT,
                reinterpret_cast<LPARAM>(&format));
    return format;
  }
  WORD Alignment() {
    PARAFORMAT paragraph;
    SendMessage(view_->GetControl()->GetSafeHwnd(), EM_GETPARAFORMAT, 0,
                reinterpret_cast<LPARAM>(&paragraph));
    return paragraph.wAlignment;
  }
  CHARRANGE Selection() {
    CHARRANGE range;
    DWORD start = 0;
    DWORD end = 0;
    SendMessage(view_->GetControl()->GetSafeHwnd(), EM_GETSEL, reinterpret_cast<WPARAM>(&start),
                reinterpret_cast<LPARAM>(&end));
    range.cpMin = static_cast<LONG>(start);
    range.cpMax = static_cast<LONG>(end);
    return range;
  }

  TTextEditView* view_ = nullptr;
  RECT bounds_{0, 0, 200, 60};
  TEditCreationRecord record_;
  int textOwner_ = 0;
};

TEST_F(TextEditViewTest, TheRichControlTakesTheStyleAndTheJustification) {
  ASSERT_NE(Rich(0), nullptr);
  EXPECT_TRUE(view_->IsRich());
  EXPECT_FALSE(view_->IsPlain());
  EXPECT_EQ(view_->GetText(), "Label");
  const CHARFORMAT format = Format();
  // Bold and italic together give both effects.
  EXPECT_EQ(format.dwEffects & (CFE_BOLD | CFE_ITALIC | CFE_UNDERLINE), CFE_BOLD | CFE_ITALIC);
  EXPECT_EQ(format.crTextColor, 0x000000FFu);
  EXPECT_EQ(format.yHeight, 12 * 1440 / 96);
  EXPECT_STREQ(format.szFaceName, "DejaVu Sans");
  EXPECT_EQ(Alignment(), PFA_CENTER);
  const HWND control = view_->GetControl()->GetSafeHwnd();
  EXPECT_NE(SendMessage(control, EM_GETEVENTMASK, 0, 0) & ENM_REQUESTRESIZE, 0);
  EXPECT_EQ(SendMessage(control, EM_GETOPTIONS, 0, 0) & ECO_AUTOWORDSELECTION, ECO_AUTOWORDSELECTION);
  EXPECT_EQ(static_cast<DWORD>(GetWindowLongPtr(control, GWL_STYLE)) & QVRichEditCntrl::kStyle,
            QVRichEditCntrl::kStyle);
  Rich(-1);
  EXPECT_EQ(Alignment(), PFA_RIGHT);
  Rich(1);
  EXPECT_EQ(Alignment(), PFA_LEFT);
  Rich(-2);
  EXPECT_EQ(Alignment(), PFA_LEFT);
}

TEST_F(TextEditViewTest, SelectAllAndRefreshTakeTheWholeText) {
  const std::string longText(200, 'x');
  Rich(1, longText.c_str());
  view_->SelectAll();
  EXPECT_EQ(Selection().cpMax, 200);

  record_.multiLine = 1;
  view_->DestroyControl();
  view_->MakeControl(RUNTIME_CLASS(GXTEdit), record_);
  ASSERT_NE(view_->CreateControlWindow(), nullptr);
  EXPECT_TRUE(view_->IsPlain());
  view_->SetText(longText.c_str());
  view_->SelectAll();
  EXPECT_EQ(Selection().cpMin, 0);
  EXPECT_EQ(Selection().cpMax, 200);
  SendMessage(view_->GetControl()->GetSafeHwnd(), EM_SETSEL, 150, 160);
  view_->Refresh();
  EXPECT_EQ(Selection().cpMin, 150);
  EXPECT_EQ(Selection().cpMax, 200);
  view_->Cut();
  EXPECT_EQ(view_->TextLength(), 150);
  view_->Undo();
  EXPECT_EQ(view_->TextLength(), 200);
}

TEST_F(TextEditViewTest, BoldChosenInTheFontDialogSurvivesANewControl) {
  TextStyle plain = view_->GetTextStyle();
  plain.face = 0;
  view_->SetTextStyle(plain);
  Rich(0);
  // Regular, Italic, Bold: two steps down the style list, then OK.
  ScriptUser({[] {
                SetFocus(GetDlgItem(GetFontDialogWindow(), kFontStyleList));
                InjectKeyStroke(VK_DOWN);
                InjectKeyStroke(VK_DOWN);
              },
              [] { InjectKeyStroke(VK_RETURN); }});
  view_->ChooseFont();
  EXPECT_EQ(Format().dwEffects & (CFE_BOLD | CFE_ITALIC), CFE_BOLD);
  EXPECT_EQ(view_->GetTextStyle().face, kStyleBold);
  EXPECT_EQ(view_->IsFontDialogOpen(), 0);
  EXPECT_TRUE(view_->HasFocus());
  Rich(0);
  EXPECT_EQ(Format().dwEffects & (CFE_BOLD | CFE_ITALIC), CFE_BOLD);
}

TEST_F(TextEditViewTest, CancellingTheFontDialogChangesNothingAndEditingEndsWithTheFocus) {
  SetEndTextEditingHook(&RememberEnd);
  Rich(0);
  SetFocus(view_->GetControl()->GetSafeHwnd());
  const TextStyle before = view_->GetTextStyle();
  ScriptUser({[] { InjectKeyStroke(VK_ESCAPE); }});
  view_->ChooseFont();
  // The dialog took the focus, but editing went on while it was open.
  EXPECT_EQ(g_endedOwner, nullptr);
  EXPECT_EQ(std::memcmp(&before, &view_->GetTextStyle(), sizeof before), 0);
  EXPECT_TRUE(view_->HasFocus());
  SetFocus(root_->GetWindowHandle());
  EXPECT_EQ(g_endedOwner, &textOwner_);
}

}  // namespace
