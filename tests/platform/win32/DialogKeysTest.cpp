// Modal dialogs and the dialog keys, driven by synthetic keys.

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "platform/win32/Control.h"
#include "platform/win32/Dialog.h"
#include "platform/win32/Input.h"
#include "platform/win32/MessageBox.h"
#include "platform/win32/Window.h"
#include "tests/platform/win32/DialogTestSupport.h"
#include "tests/platform/win32/WindowTestSupport.h"

namespace {

constexpr uint16_t kName = 101;
constexpr uint16_t kApply = 102;
constexpr uint16_t kFirstRadio = 103;
constexpr uint16_t kSecondRadio = 104;
constexpr uint16_t kThirdRadio = 105;
constexpr uint16_t kAfterGroup = 106;
constexpr uint16_t kDisabled = 107;

// What the dialog procedure saw; IDOK and IDCANCEL end a modal dialog.
struct Seen {
  std::vector<WORD> commands;
  std::vector<int32_t> helpIds;
  bool endOnCommand = true;
  int32_t destroyed = 0;
};
Seen* gSeen = nullptr;

intptr_t EndingProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_COMMAND && gSeen) {
    if (HIWORD(wParam) != BN_CLICKED) return 1;  // the edit's notices
    gSeen->commands.push_back(LOWORD(wParam));
    const WORD id = LOWORD(wParam);
    if (gSeen->endOnCommand && (id == IDOK || id == IDCANCEL || id == kApply))
      EndDialog(dialog, id);
    return 1;
  }
  if (message == WM_HELP && gSeen) {
    gSeen->helpIds.push_back(reinterpret_cast<const HELPINFO*>(lParam)->iCtrlId);
    return 1;
  }
  if (message == WM_NCDESTROY && gSeen) {
    ++gSeen->destroyed;
    return 1;  // the dialog's own state goes all the same (the leak checker watches)
  }
  return message == WM_INITDIALOG ? 1 : 0;
}

// The edit's messages, recorded on the way to its own procedure.
std::vector<UINT>* gEditMessages = nullptr;
WNDPROC gEditProcedure = nullptr;
LRESULT WatchedEdit(HWND edit, UINT message, WPARAM wParam, LPARAM lParam) {
  if (gEditMessages && (message == WM_KEYDOWN || message == WM_KEYUP || message == WM_CHAR ||
                        message == WM_NCHITTEST || message == WM_LBUTTONDOWN))
    gEditMessages->push_back(message);
  return CallWindowProc(gEditProcedure, edit, message, wParam, lParam);
}

class DialogKeysTest : public WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    gSeen = &seen;
  }
  void TearDown() override {
    SetIdleScript(nullptr);
    gSeen = nullptr;
    gEditMessages = nullptr;
    WindowTest::TearDown();
  }
  // An edit, a push button, three automatic radio buttons in a group, a control after the
  // group, a disabled one, then OK (the default button) and Cancel.
  DialogTemplateWriter Form(const std::string& face = "") {
    DialogTemplateWriter writer;
    writer.Header(WS_POPUP | WS_CAPTION | WS_VISIBLE, 9, "Body", 200, 120, face, 9);
    writer.Item(WS_TABSTOP | WS_BORDER | ES_AUTOHSCROLL, kName, kEditOrdinal, "Wheel", 8, 8, 80);
    writer.Item(WS_TABSTOP, kApply, kButtonOrdinal, "Apply", 100, 8);
    writer.Item(WS_TABSTOP | WS_GROUP | BS_AUTORADIOBUTTON, kFirstRadio, kButtonOrdinal, "One", 8,
                30);
    writer.Item(BS_AUTORADIOBUTTON, kSecondRadio, kButtonOrdinal, "Two", 8, 44);
    writer.Item(BS_AUTORADIOBUTTON, kThirdRadio, kButtonOrdinal, "Three", 8, 58);
    writer.Item(WS_TABSTOP | WS_GROUP | BS_AUTOCHECKBOX, kAfterGroup, kButtonOrdinal, "Fixed", 100,
                30);
    writer.Item(WS_TABSTOP | WS_DISABLED, kDisabled, kButtonOrdinal, "Never", 100, 44);
    writer.Item(WS_TABSTOP | WS_GROUP | BS_DEFPUSHBUTTON, IDOK, kButtonOrdinal, "OK", 100, 90);
    writer.Item(WS_TABSTOP, IDCANCEL, kButtonOrdinal, "Cancel", 150, 90);
    return writer;
  }
  HWND Modeless(const DialogTemplateWriter& writer, HWND owner = nullptr) {
    return CreateDialogIndirectParam(writer.bytes.data(), writer.size(), owner, EndingProc, 0);
  }
  // Dispatches what waits, the dialog keys first.
  void PumpDialog(HWND dialog) {
    MSG message;
    while (PeekMessage(&message, nullptr, 0, 0, PM_REMOVE)) {
      if (IsDialogMessage(dialog, &message)) continue;
      TranslateMessage(&message);
      DispatchMessage(&message);
    }
  }
  void Key(HWND dialog, int32_t key) {
    InjectKeyStroke(key);
    PumpDialog(dialog);
  }
  int32_t FocusId() { return GetDlgCtrlID(GetFocus()); }
  Seen seen;
};

TEST_F(DialogKeysTest, ReturnConfirmsOnKeyDownAndTheFocusedEditStillHearsTheKeyUp) {
  const auto writer = Form();
  const HWND dialog = Modeless(writer);
  ASSERT_NE(dialog, nullptr);
  const HWND edit = GetDlgItem(dialog, kName);
  ASSERT_EQ(GetFocus(), edit);
  std::vector<UINT> editMessages;
  gEditMessages = &editMessages;
  gEditProcedure = reinterpret_cast<WNDPROC>(
      SetWindowLongPtr(edit, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&WatchedEdit)));
  seen.endOnCommand = false;
  // The command comes while the key goes down, before the key-up reaches the edit.
  InjectKey(VK_RETURN, true);
  PumpDialog(dialog);
  EXPECT_EQ(seen.commands, std::vector<WORD>{IDOK});
  EXPECT_TRUE(editMessages.empty());
  InjectKey(VK_RETURN, false);
  PumpDialog(dialog);
  EXPECT_EQ(editMessages, std::vector<UINT>{WM_KEYUP});
  EXPECT_EQ(GetWindowTextString(edit), "Wheel");  // no line break typed
  Key(dialog, VK_ESCAPE);
  EXPECT_EQ(seen.commands, (std::vector<WORD>{IDOK, IDCANCEL}));
}

TEST_F(DialogKeysTest, ReturnOnAFocusedPushButtonIsThatButtonsCommand) {
  const auto writer = Form();
  const HWND dialog = Modeless(writer);
  seen.endOnCommand = false;
  SetFocus(GetDlgItem(dialog, kApply));
  Key(dialog, VK_RETURN);
  SendMessage(dialog, DM_SETDEFID, IDCANCEL, 0);
  SetFocus(GetDlgItem(dialog, kName));
  Key(dialog, VK_RETURN);
  EXPECT_EQ(seen.commands, (std::vector<WORD>{kApply, IDCANCEL}));
}

TEST_F(DialogKeysTest, TabFollowsTheTemplateAndArrowsStayInTheGroup) {
  const auto writer = Form();
  const HWND dialog = Modeless(writer);
  SendDlgItemMessage(dialog, kName, EM_SETSEL, 2, 2);
  std::vector<int32_t> order;
  for (int i = 0; i < 6; ++i) {
    Key(dialog, VK_TAB);
    order.push_back(FocusId());
  }
  // The radio group is one stop; the disabled button is skipped; Tab wraps around.
  EXPECT_EQ(order, (std::vector<int32_t>{kApply, kFirstRadio, kAfterGroup, IDOK, IDCANCEL, kName}));
  // Coming back by Tab selects the whole text of the edit.
  DWORD start = 9, end = 9;
  SendDlgItemMessage(dialog, kName, EM_GETSEL, reinterpret_cast<WPARAM>(&start),
                     reinterpret_cast<LPARAM>(&end));
  EXPECT_EQ(start, 0u);
  EXPECT_EQ(end, 5u);
  InjectKey(VK_SHIFT, true);
  Key(dialog, VK_TAB);
  InjectKey(VK_SHIFT, false);
  PumpDialog(dialog);
  EXPECT_EQ(FocusId(), IDCANCEL);

  SetFocus(GetDlgItem(dialog, kFirstRadio));
  Key(dialog, VK_DOWN);
  EXPECT_EQ(FocusId(), kSecondRadio);
  EXPECT_EQ(IsDlgButtonChecked(dialog, kSecondRadio), BST_CHECKED);
  Key(dialog, VK_DOWN);
  Key(dialog, VK_DOWN);  // wraps inside the group
  EXPECT_EQ(FocusId(), kFirstRadio);
  EXPECT_EQ(IsDlgButtonChecked(dialog, kFirstRadio), BST_CHECKED);
  EXPECT_EQ(IsDlgButtonChecked(dialog, kSecondRadio), BST_UNCHECKED);
  EXPECT_EQ(IsDlgButtonChecked(dialog, kThirdRadio), BST_UNCHECKED);
  EXPECT_EQ(IsDlgButtonChecked(dialog, kAfterGroup), BST_UNCHECKED);
}

TEST_F(DialogKeysTest, ControlsInsideAControlParentJoinTheTabOrder) {
  DialogTemplateWriter writer;
  writer.Header(WS_POPUP | WS_VISIBLE, 2, "Group");
  writer.Item(WS_TABSTOP, kApply, kButtonOrdinal, "Apply", 8, 8);
  writer.Item(WS_TABSTOP, IDOK, kButtonOrdinal, "OK", 8, 60);
  const HWND dialog = Modeless(writer);
  // A window between Apply and OK that holds two edits of its own.
  const HWND group = CreateWindowEx(WS_EX_CONTROLPARENT, kRecorderClass, "", WS_CHILD | WS_VISIBLE,
                                    0, 25, 200, 30, dialog, nullptr, nullptr);
  SetWindowPos(group, GetDlgItem(dialog, kApply), 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  for (int32_t id : {201, 202}) {
    const HWND edit =
        CreateWindowEx(0, kEditClass, "", WS_CHILD | WS_VISIBLE | WS_TABSTOP, (id - 201) * 90, 0,
                       80, 20, group, reinterpret_cast<HMENU>(static_cast<uintptr_t>(id)), nullptr);
    SetWindowPos(edit, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);  // in making order
  }
  SetFocus(GetDlgItem(dialog, kApply));
  std::vector<int32_t> order;
  for (int i = 0; i < 4; ++i) {
    Key(dialog, VK_TAB);
    order.push_back(FocusId());
  }
  EXPECT_EQ(order, (std::vector<int32_t>{201, 202, IDOK, kApply}));
  // Return in an edit of the group is still the dialog's default command.
  seen.endOnCommand = false;
  SetFocus(GetDlgItem(group, 202));
  Key(dialog, VK_RETURN);
  EXPECT_EQ(seen.commands, std::vector<WORD>{IDOK});
}

TEST_F(DialogKeysTest, AClickOnADisabledEditGoesToTheDialogAndTheEditIsAskedWhereItWas) {
  const auto writer = Form();
  const HWND dialog = Modeless(writer);
  const HWND edit = GetDlgItem(dialog, kName);
  EnableWindow(edit, FALSE);
  std::vector<UINT> editMessages;
  gEditMessages = &editMessages;
  gEditProcedure = reinterpret_cast<WNDPROC>(
      SetWindowLongPtr(edit, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&WatchedEdit)));
  Log().handlers.clear();
  InjectClick(edit, POINT{5, 5});
  PumpDialog(dialog);
  // The dialog takes the press; the edit hears the hit tests of the press and the release.
  EXPECT_GE(std::count(editMessages.begin(), editMessages.end(), WM_NCHITTEST), 2);
  EXPECT_EQ(std::count(editMessages.begin(), editMessages.end(), WM_LBUTTONDOWN), 0);
}

TEST_F(DialogKeysTest, LettersAfterAnAmpersandReachTheirControls) {
  DialogTemplateWriter writer;
  writer.Header(WS_POPUP | WS_VISIBLE, 5, "Mnemonics");
  writer.Item(SS_LEFT, 0xFFFF, kStaticOrdinal, "&Name:", 8, 8);
  writer.Item(WS_TABSTOP | WS_BORDER, kName, kEditOrdinal, "", 50, 8);
  writer.Item(WS_TABSTOP | BS_AUTOCHECKBOX, kAfterGroup, kButtonOrdinal, "&Fixed", 8, 30);
  writer.Item(WS_TABSTOP, kApply, kButtonOrdinal, "&Apply", 8, 50);
  writer.Item(WS_TABSTOP, IDOK, kButtonOrdinal, "Save && go", 8, 70);
  const HWND dialog = Modeless(writer);
  seen.endOnCommand = false;
  SetFocus(GetDlgItem(dialog, kApply));
  // Alt+N: the label names the edit after it.
  InjectKey(VK_MENU, true);
  Key(dialog, 'N');
  InjectKey(VK_MENU, false);
  PumpDialog(dialog);
  EXPECT_EQ(FocusId(), kName);
  // In the edit a plain letter is text; with Alt it names the button, which is clicked.
  Key(dialog, 'A');
  EXPECT_EQ(GetDlgItemTextString(dialog, kName), "a");
  InjectKey(VK_MENU, true);
  Key(dialog, 'A');
  InjectKey(VK_MENU, false);
  PumpDialog(dialog);
  EXPECT_EQ(seen.commands, std::vector<WORD>{kApply});
  // From a button a plain letter is enough; a check box takes the focus and is clicked.
  SetFocus(GetDlgItem(dialog, IDOK));
  Key(dialog, 'F');
  EXPECT_EQ(FocusId(), kAfterGroup);
  EXPECT_EQ(IsDlgButtonChecked(dialog, kAfterGroup), BST_CHECKED);
  Key(dialog, 'G');  // "&&" is a plain ampersand, not a mnemonic
  EXPECT_EQ(seen.commands, (std::vector<WORD>{kApply, kAfterGroup}));
}

TEST_F(DialogKeysTest, AModalDialogDisablesItsOwnerUntilItEnds) {
  const HWND owner = TopLevel(50, 50, 500, 400, WS_OVERLAPPEDWINDOW | WS_VISIBLE);
  const auto writer = Form();
  bool ownerEnabledWhileOpen = true;
  HWND shown = nullptr;
  ScriptUser({[&] {
                ownerEnabledWhileOpen = IsWindowEnabled(owner);
                shown = GetActiveWindow();
                InjectCharacter('x');  // typed into the focused edit, replacing nothing
              },
              [] { InjectKeyStroke(VK_RETURN); }});
  const intptr_t result =
      DialogBoxIndirectParam(writer.bytes.data(), writer.size(), owner, EndingProc, 0);
  EXPECT_EQ(result, IDOK);
  EXPECT_FALSE(ownerEnabledWhileOpen);
  EXPECT_NE(shown, owner);
  EXPECT_TRUE(IsWindowEnabled(owner));
  EXPECT_EQ(GetActiveWindow(), owner);
  EXPECT_FALSE(IsWindow(shown));
  EXPECT_EQ(seen.destroyed, 1);  // the procedure hears the window's very end
}

TEST_F(DialogKeysTest, AModalLoopThatCanGetNoAnswerCancelsAndPassesTheQuitOn) {
  const HWND owner = TopLevel();
  const auto writer = Form();
  ScriptUser({[] { PostQuitMessage(3); }});
  EXPECT_EQ(DialogBoxIndirectParam(writer.bytes.data(), writer.size(), owner, EndingProc, 0),
            IDCANCEL);
  MSG message;
  ASSERT_TRUE(PeekMessage(&message, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(message.message, WM_QUIT);
  EXPECT_EQ(message.wParam, 3u);
  EXPECT_TRUE(IsWindowEnabled(owner));
  EXPECT_EQ(DialogBoxIndirectParam(writer.bytes.data(), 7, owner, EndingProc, 0), -1);
}

TEST_F(DialogKeysTest, F1AsksTheDialogForHelpAboutTheFocusedControl) {
  const auto writer = Form();
  const HWND dialog = Modeless(writer);
  SetFocus(GetDlgItem(dialog, kAfterGroup));
  Key(dialog, VK_F1);
  EXPECT_EQ(seen.helpIds, std::vector<int32_t>{kAfterGroup});
}

TEST_F(DialogKeysTest, TheTemplateFontReachesEveryControlAndSetsTheDialogUnits) {
  const auto plain = Form();
  const HWND system = Modeless(plain);
  EXPECT_EQ(SendMessage(system, WM_GETFONT, 0, 0), 0);
  RECT units{4, 8, 8, 16};
  ASSERT_TRUE(MapDialogRect(system, &units));
  EXPECT_EQ(units.left, kDialogBaseUnitX);
  EXPECT_EQ(units.top, kDialogBaseUnitY);
  EXPECT_EQ(GetDialogBaseUnits(), MAKELONG(kDialogBaseUnitX, kDialogBaseUnitY));

  // The same template naming a face: every control is given that font, and the controls are
  // placed in its units.
  const HWND dialog = Modeless(Form("Sans Serif"));
  const LRESULT font = SendMessage(dialog, WM_GETFONT, 0, 0);
  ASSERT_NE(font, 0);
  EXPECT_EQ(SendDlgItemMessage(dialog, kName, WM_GETFONT, 0, 0), font);
  EXPECT_EQ(SendDlgItemMessage(dialog, IDCANCEL, WM_GETFONT, 0, 0), font);
  RECT place{8, 8, 88, 20};  // the edit's rectangle in the template
  MapDialogRect(dialog, &place);
  RECT edit;
  GetWindowRect(GetDlgItem(dialog, kName), &edit);
  POINT origin{0, 0};
  ClientToScreen(dialog, &origin);
  EXPECT_EQ(edit.left - origin.x, place.left);
  EXPECT_EQ(edit.right - edit.left, place.right - place.left);
  EXPECT_EQ(edit.bottom - edit.top, place.bottom - place.top);
  EXPECT_FALSE(MapDialogRect(GetDlgItem(dialog, kName), &place));  // not a dialog
}

}  // namespace
