// Dialog window objects: the dialog class chosen by the window's class, the larger layouts of
// floating windows, item error reports, result tags and the floating dialog's keys; the
// yes-or-no prompt of the program's layout.

#include <gtest/gtest.h>

#include "core/Failure.h"
#include "core/Tag.h"
#include "tests/ui/dialogs/DialogFixture.h"
#include "ui/dialogs/DialogWindow.h"
#include "ui/dialogs/DisplayMetrics.h"
#include "ui/dialogs/OwlDialogs.h"
#include "ui/dialogs/WindowsDialog.h"
#include "ui/dialogs/YesNoPrompt.h"
#include "ui/items/ItemKinds.h"

namespace dialog_test {
namespace {

// A window object answering a class of the family (426 floating, 427 more choices, ...).
class TTestWindow : public TDialogWindow {
 public:
  explicit TTestWindow(int16_t classId = 0, bool* gone = nullptr) : classId_(classId), gone_(gone) {}
  ~TTestWindow() override {
    if (gone_ != nullptr) *gone_ = true;
  }
  bool IsMemberClass(int16_t id) const override {
    return (classId_ != 0 && id == classId_) || TDialogWindow::IsMemberClass(id);
  }

 private:
  int16_t classId_;
  bool* gone_;
};

class DialogWindowTest : public DialogFixture {
 protected:
  void TearDown() override {
    SetReportedVersionMinor(95);
    SetScreenLogPixelsY(0);
    DialogFixture::TearDown();
  }
  static TDialogCreationRecord Record(TDialogWindow* window, int32_t templateNumber) {
    return TDialogCreationRecord{window, templateNumber, -5, 0, 1234};
  }
  // Shows the dialog of the window modeless and answers the message box of `action`, keeping
  // its text.
  std::string AlertTextOf(const std::function<void()>& action) {
    std::string text;
    SetIdleScript([&text] {
      const HWND box = GetMessageBoxWindow();
      if (box == nullptr || !text.empty()) return false;
      text = GetWindowTextString(GetDlgItem(box, 0xFFFF));
      InjectKeyStroke(VK_RETURN);
      return true;
    });
    action();
    SetIdleScript(nullptr);
    return text;
  }
};

TEST_F(DialogWindowTest, FloatingWindowsOpenTheLargerLayoutOnlyWithLargeFonts) {
  struct Case {
    int16_t windowClass;
    int32_t minor;
    int32_t pixelsPerInch;
    int16_t expected;
  };
  for (const Case& c : {Case{kFloatingWindowClass, 95, 120, 14001},
                        Case{kFloatingWindowClass, 95, 144, 14001},
                        Case{kFloatingWindowClass, 95, 96, 9001},
                        Case{kFloatingWindowClass, 95, 119, 9001},
                        Case{kFloatingWindowClass, 10, 120, 9001},
                        Case{kMoreChoicesWindowClass, 95, 120, 9001},
                        Case{0, 95, 144, 9001}}) {
    SetReportedVersionMinor(c.minor);
    SetScreenLogPixelsY(c.pixelsPerInch);
    TTestWindow window(c.windowClass);
    const TDialogCreationRecord record = Record(&window, kNameDialog);
    window.Initialize(nullptr, 0, &record);
    ASSERT_NE(window.GetDialog(), nullptr);
    EXPECT_EQ(window.GetDialog()->GetTemplateId(), c.expected)
        << c.windowClass << " " << c.minor << " " << c.pixelsPerInch;
    EXPECT_EQ(window.GetResultTag(), kNoResultTag);
    EXPECT_EQ(window.GetCancelResult(), -5);
  }
}

TEST_F(DialogWindowTest, TheWindowsClassChoosesTheDialogClass) {
  TTestWindow choices(kMoreChoicesWindowClass);
  TTestWindow details(kMoreDetailsWindowClass);
  TTestWindow floating(kFloatingWindowClass);
  TTestWindow plain;
  for (TTestWindow* window : {&choices, &details, &floating, &plain}) {
    const TDialogCreationRecord record = Record(window, kNameDialog);
    window->Initialize(nullptr, 0, &record);
  }
  EXPECT_TRUE(choices.GetDialog()->IsMemberClass(343));
  EXPECT_EQ(static_cast<TOwlMoreChoicesDialog*>(choices.GetDialog())->GetCommandNumber(), 1234);
  EXPECT_TRUE(details.GetDialog()->IsMemberClass(344));
  EXPECT_TRUE(floating.GetDialog()->IsMemberClass(345));
  EXPECT_EQ(floating.GetDialog()->GetClassIDAt(1), 342);
  EXPECT_TRUE(plain.GetDialog()->IsMemberClass(342));
  EXPECT_FALSE(plain.GetDialog()->IsMemberClass(345));
  EXPECT_EQ(plain.FindItem(MakeTag("none")), nullptr);
}

TEST_F(DialogWindowTest, ItemErrorsAreShownByNumberAndTheFieldsTextComesBack) {
  TTestWindow window;
  const TDialogCreationRecord record = Record(&window, kNameDialog);
  window.Initialize(nullptr, 0, &record);
  window.ShowModeless();
  TMacDialogItem* const field = window.FindItem(MakeTag("name"));
  ASSERT_NE(field, nullptr);
  field->ReceiveText("Wheel");
  const HWND edit = field->ControlWindow()->GetSafeHwnd();

  SetWindowText(edit, "typed");
  EXPECT_EQ(AlertTextOf([&] { window.ReportItemError(field, 0); }), "");
  EXPECT_EQ(GetWindowTextString(edit), "typed");

  EXPECT_EQ(AlertTextOf([&] { window.ReportItemError(field, -1); }), "");
  EXPECT_EQ(GetWindowTextString(edit), "Wheel");

  Str255 first;
  Str255 third;
  GetIndString(first, kItemErrorList, 1);
  GetIndString(third, kItemErrorList, 3);
  SetWindowText(edit, "typed");
  EXPECT_EQ(AlertTextOf([&] { window.ReportItemError(field, 7); }), first.AsCString());
  EXPECT_EQ(GetWindowTextString(edit), "Wheel");
  EXPECT_EQ(AlertTextOf([&] { window.ReportItemError(field, 3); }), third.AsCString());
  EXPECT_EQ(GetFocus(), edit);
}

TEST_F(DialogWindowTest, AResultTagIsAcceptedOnceAndOnlyWhenTheItemsValidate) {
  TTestWindow window;
  const TDialogCreationRecord record = Record(&window, kNameDialog);
  window.Initialize(nullptr, 0, &record);
  window.ShowModeless();
  TMacDialogItem* const field = window.FindItem(MakeTag("name"));
  SetWindowText(field->ControlWindow()->GetSafeHwnd(), "bad");
  const std::string shown = AlertTextOf([&] {
    try {
      window.SetResultTag(MakeTag("okay"));
      ADD_FAILURE() << "a refused item let the result through";
    } catch (const QVException& failure) {
      EXPECT_EQ(failure.error(), 0);
    }
  });
  EXPECT_FALSE(shown.empty());
  EXPECT_EQ(window.IsResultSet(), 0);
  SetWindowText(field->ControlWindow()->GetSafeHwnd(), "good");
  window.SetResultTag(MakeTag("okay"));
  window.SetResultTag(MakeTag("late"));
  EXPECT_EQ(window.GetResultTag(), MakeTag("okay"));
}

TEST_F(DialogWindowTest, AModalRunAnswersTheResultTagOrTheCancelResult) {
  TTestWindow window;
  const TDialogCreationRecord record = Record(&window, kNameDialog);
  window.Initialize(nullptr, 0, &record);
  Script({[] { InjectKeyStroke(VK_ESCAPE); }});
  EXPECT_EQ(window.PoseModally(), -5);
  Script({[&] {
    window.SetResultTag(MakeTag("done"));
    InjectKeyStroke(VK_RETURN);
  }});
  EXPECT_EQ(window.PoseModally(), static_cast<int32_t>(MakeTag("done")));
}

// A dialog number without a template: the run refuses with -108 instead of answering the
// blank result tag, which the callers would take as accepted.
TEST_F(DialogWindowTest, AModalRunOfADialogWithoutATemplateFailsWithOutOfMemory) {
  constexpr int32_t kNoSuchTemplate = 4242;
  for (int16_t windowClass : {int16_t{0}, kMoreChoicesWindowClass}) {
    TTestWindow window(windowClass);
    const TDialogCreationRecord record = Record(&window, kNoSuchTemplate);
    window.Initialize(nullptr, 0, &record);
    ASSERT_NE(window.GetDialog(), nullptr);
    int16_t error = 0;
    try {
      window.PoseModally();
    } catch (const QVException& failure) {
      error = failure.error();
    }
    EXPECT_EQ(error, -108) << windowClass;
    EXPECT_EQ(window.GetDialogHandle(), nullptr);
  }
}

// Shown modeless, a dialog without a template fails with -108 as well, and the window object
// keeps no dialog.
TEST_F(DialogWindowTest, AModelessDialogWithoutATemplateFailsWithOutOfMemory) {
  constexpr int32_t kNoSuchTemplate = 4242;
  for (int16_t windowClass : {int16_t{0}, kFloatingWindowClass}) {
    TTestWindow window(windowClass);
    const TDialogCreationRecord record = Record(&window, kNoSuchTemplate);
    window.Initialize(nullptr, 0, &record);
    int16_t error = 0;
    try {
      window.ShowModeless();
    } catch (const QVException& failure) {
      error = failure.error();
    }
    EXPECT_EQ(error, -108) << windowClass;
    EXPECT_EQ(window.GetDialog(), nullptr) << windowClass;
  }
}

TEST_F(DialogWindowTest, AFloatingDialogIgnoresEnterAndEscapeAndItsCloseBoxHides) {
  // A modeless dialog's window object goes with the dialog.
  bool gone = false;
  auto* window = new TTestWindow(kFloatingWindowClass, &gone);
  const TDialogCreationRecord record = Record(window, kNameDialog);
  window->Initialize(nullptr, 0, &record);
  window->ShowModeless();
  const HWND dialog = window->GetDialogHandle();
  ASSERT_NE(dialog, nullptr);
  SetFocus(GetDlgItem(dialog, kFieldId));
  for (int32_t key : {VK_RETURN, VK_ESCAPE}) {
    MSG message{dialog, WM_KEYDOWN, static_cast<WPARAM>(key), 0, 0, {}};
    window->GetDialog()->PreTranslateMessage(&message);
    EXPECT_TRUE(IsWindowVisible(dialog)) << key;
  }
  SendMessage(dialog, WM_CLOSE, 0, 0);
  EXPECT_TRUE(IsWindow(dialog));
  EXPECT_FALSE(IsWindowVisible(dialog));
  EXPECT_FALSE(gone);
  // Told to close for real, the close box ends it: the dialog goes with its window, and its
  // window object with it.
  static_cast<TOwlFloatDialog*>(window->GetDialog())->SetReallyClose(1);
  SendMessage(dialog, WM_CLOSE, 0, 0);
  EXPECT_FALSE(IsWindow(dialog));
  EXPECT_TRUE(gone);
}

TEST_F(DialogWindowTest, MoreChoicesWithoutAParentClosesAndSendsNothing) {
  TTestWindow window(kMoreChoicesWindowClass);
  const TDialogCreationRecord record = Record(&window, kNameDialog);
  window.Initialize(nullptr, 0, &record);
  window.ShowModeless();
  const HWND dialog = window.GetDialogHandle();
  SendMessage(dialog, WM_COMMAND, kMoreButtonId, 0);
  EXPECT_FALSE(IsWindow(dialog));
}

// The prompt shows its question in the "ynST" view and answers the tag of the button that closed
// it; Escape answers as No does.
TEST_F(DialogWindowTest, TheYesNoPromptAnswersTheTagOfTheButtonThatClosedIt) {
  RegisterDialogItemKinds();
  const auto clickButton = [](TYesNoPrompt& prompt, uint32_t tag) {
    CWnd* const button = prompt.FindSubview(tag);
    ASSERT_NE(button, nullptr);
    RECT area;
    GetClientRect(button->GetSafeHwnd(), &area);
    InjectClick(button->GetSafeHwnd(), POINT{area.right / 2, area.bottom / 2});
  };
  std::string shown;
  bool dialogFound = false;
  {
    TYesNoPrompt prompt;
    Script({[&] {
      dialogFound = prompt.FindSubview(kPromptDialogTag) == &prompt;
      shown = GetWindowTextString(prompt.FindSubview(kPromptTextTag)->GetSafeHwnd());
      clickButton(prompt, kPromptYesTag);
    }});
    EXPECT_EQ(prompt.Ask(Str255("Replace the files?")), kPromptYesTag);
    EXPECT_EQ(prompt.FindSubview(kPromptDialogTag), nullptr);  // closed
  }
  EXPECT_TRUE(dialogFound);
  EXPECT_EQ(shown, "Replace the files?");
  {
    TYesNoPrompt prompt;
    Script({[&] { clickButton(prompt, kPromptNoTag); }});
    EXPECT_EQ(prompt.Ask(Str255("Again?")), kPromptNoTag);
  }
  Script({[] { InjectKeyStroke(VK_ESCAPE); }});
  EXPECT_EQ(AskYesNo(Str255("Once more?")), kPromptNoTag);
  Script({[] { InjectKeyStroke(VK_RETURN); }});
  EXPECT_EQ(AskYesNo(Str255("Last time?")), kPromptYesTag);
  UnregisterDialogItemKinds();
}

}  // namespace
}  // namespace dialog_test
