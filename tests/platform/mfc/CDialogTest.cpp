// Framework dialogs from dialog resources: modal and modeless runs driven by synthetic keys and
// clicks, controls taken over from the template, and notifications handed back to them.

#include "platform/mfc/CDialog.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/mfc/CButton.h"
#include "platform/mfc/CEdit.h"
#include "platform/mfc/CStatic.h"
#include "platform/win32/Clock.h"
#include "platform/win32/Control.h"
#include "platform/win32/Input.h"
#include "platform/win32/MessageBox.h"
#include "platform/win32/Resource.h"
#include "platform/win32/Window.h"
#include "tests/platform/win32/DialogTestSupport.h"

namespace {

constexpr uint16_t kTemplateId = 500;
constexpr uint16_t kName = 101;
constexpr uint16_t kTicked = 102;
constexpr uint16_t kSwatch = 103;

std::vector<std::string>& Events() {
  static std::vector<std::string> events;
  return events;
}

// An edit that reports the keys that reach it.
class WatchedEdit : public CEdit {
 public:
  BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) override {
    if (message == WM_KEYUP && wParam == static_cast<WPARAM>(VK_RETURN))
      Events().push_back("edit key-up");
    if (message == WM_CREATE) Events().push_back("edit created");
    return CEdit::OnWndMsg(message, wParam, lParam, result);
  }
};

// A check box that takes its own clicks, handed back by the dialog.
class OwnClicks : public CButton {
 public:
  BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) override {
    if (message == WM_REFLECT_BASE + WM_COMMAND && HIWORD(wParam) == BN_CLICKED) {
      Events().push_back("check box clicked");
      return TRUE;
    }
    return CButton::OnWndMsg(message, wParam, lParam, result);
  }
};

class Swatch : public CButton {
 public:
  void DrawItem(DRAWITEMSTRUCT* draw) override {
    Events().push_back("swatch drawn " + std::to_string(draw->itemAction));
  }
};

class BodyDialog : public CDialog {
 public:
  explicit BodyDialog(CWnd* parent = nullptr) : CDialog(kTemplateId, parent) {}
  BOOL OnInitDialog() override {
    Events().push_back("init");
    name.SubclassDlgItem(kName, this);
    ticked.SubclassDlgItem(kTicked, this);
    swatch.SubclassDlgItem(kSwatch, this);
    return CDialog::OnInitDialog();
  }
  void OnOK() override {
    Events().push_back("ok: " + name.GetWindowText());
    CDialog::OnOK();
  }
  BOOL OnCommand(WPARAM wParam, LPARAM lParam) override {
    if (LOWORD(wParam) == kTicked) Events().push_back("dialog saw the check box");
    return CDialog::OnCommand(wParam, lParam);
  }
  WatchedEdit name;
  OwnClicks ticked;
  Swatch swatch;
};

std::vector<uint8_t> Template() {
  DialogTemplateWriter writer;
  writer.Header(WS_POPUP | WS_CAPTION | WS_VISIBLE, 5, "Body", 200, 100);
  writer.Item(WS_TABSTOP | WS_BORDER, kName, kEditOrdinal, "Wheel", 8, 8, 80);
  writer.Item(WS_TABSTOP | BS_AUTOCHECKBOX, kTicked, kButtonOrdinal, "Fixed", 8, 30);
  writer.Item(BS_OWNERDRAW, kSwatch, kButtonOrdinal, "", 8, 50);
  writer.Item(WS_TABSTOP | BS_DEFPUSHBUTTON, IDOK, kButtonOrdinal, "OK", 100, 80);
  writer.Item(WS_TABSTOP, IDCANCEL, kButtonOrdinal, "Cancel", 150, 80);
  return writer.bytes;
}

class CDialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetWindowSystem();
    UseVirtualClock(1000);
    RegisterStandardControls();
    Events().clear();
    bytes_ = Template();
    entry_ = ResourceEntry{
        nullptr, 5, nullptr, kTemplateId, bytes_.data(), static_cast<uint32_t>(bytes_.size())};
    table_ = ResourceModuleTable{"test-dialogs.dll", &entry_, 1};
    RegisterResourceModule(table_);
    owner_ = CreateWindowEx(0, kButtonClass, "owner", WS_POPUP | WS_VISIBLE, 0, 0, 600, 400,
                            nullptr, nullptr, nullptr);
  }
  void TearDown() override {
    SetIdleScript(nullptr);
    ResetWindowSystem();
    CWnd::DeleteTempMap();
    UnregisterResourceModule("test-dialogs.dll");
    UseProcessClock();
  }
  void Pump() {
    MSG message;
    while (PeekMessage(&message, nullptr, 0, 0, PM_REMOVE)) {
      if (CWnd::WalkPreTranslateTree(nullptr, &message)) continue;
      TranslateMessage(&message);
      DispatchMessage(&message);
    }
  }
  bool Saw(const std::string& event) {
    return std::find(Events().begin(), Events().end(), event) != Events().end();
  }
  std::vector<uint8_t> bytes_;
  ResourceEntry entry_{};
  ResourceModuleTable table_{};
  HWND owner_ = nullptr;
};

TEST_F(CDialogTest, AModalDialogTakesTypedKeysAndReturnConfirmsIt) {
  BodyDialog dialog(CWnd::FromHandle(owner_));
  bool ownerDisabled = false;
  ScriptUser({[&] {
                ownerDisabled = !IsWindowEnabled(owner_);
                InjectKeyStroke(VK_END);
                InjectCharacter('s');
              },
              [] { InjectKeyStroke(VK_RETURN); }});
  EXPECT_EQ(dialog.DoModal(), IDOK);
  EXPECT_TRUE(ownerDisabled);
  EXPECT_TRUE(IsWindowEnabled(owner_));
  EXPECT_EQ(dialog.m_hWnd, nullptr);
  EXPECT_EQ(Events().front(), "init");
  EXPECT_TRUE(Saw("ok: Wheels"));
}

TEST_F(CDialogTest, EscapeCancelsAndAMissingTemplateFails) {
  BodyDialog dialog(CWnd::FromHandle(owner_));
  ScriptUser({[] { InjectKeyStroke(VK_ESCAPE); }});
  EXPECT_EQ(dialog.DoModal(), IDCANCEL);
  CDialog missing(4321);
  EXPECT_EQ(missing.DoModal(), -1);
}

TEST_F(CDialogTest, ControlsTakenOverFromTheTemplateHearTheirOwnNotifications) {
  BodyDialog dialog(CWnd::FromHandle(owner_));
  ASSERT_TRUE(dialog.Create(kTemplateId, CWnd::FromHandle(owner_)));
  Pump();
  // The owner-drawn button's drawing comes back to it.
  EXPECT_TRUE(Saw("swatch drawn " + std::to_string(ODA_DRAWENTIRE)));
  InjectClick(dialog.ticked.m_hWnd, POINT{4, 4});
  Pump();
  EXPECT_TRUE(Saw("check box clicked"));
  EXPECT_FALSE(Saw("dialog saw the check box"));  // handled where it was handed back
  EXPECT_EQ(dialog.ticked.GetCheck(), BST_CHECKED);
  // A modeless dialog confirmed with Return: OnOK runs; the window stays for its owner to end.
  SetFocus(dialog.name.m_hWnd);
  InjectKeyStroke(VK_RETURN);
  Pump();
  EXPECT_TRUE(Saw("ok: Wheel"));
  EXPECT_TRUE(IsWindow(dialog.m_hWnd));
  // The key-up of Return goes where the focus is when it is read: the confirmed dialog has
  // hidden and its edit has lost the focus, so the edit does not hear it.
  EXPECT_FALSE(Saw("edit key-up"));
  dialog.DestroyWindow();
  EXPECT_EQ(dialog.name.m_hWnd, nullptr);
}

TEST_F(CDialogTest, AControlMadeByTheFrameworkHearsItsOwnCreation) {
  CWnd* parent = CWnd::FromHandle(owner_);
  auto edit = std::make_unique<WatchedEdit>();
  ASSERT_TRUE(edit->Create(WS_VISIBLE | WS_BORDER, RECT{10, 10, 100, 30}, parent, 9));
  EXPECT_TRUE(Saw("edit created"));
  edit->SetWindowText("abc");
  EXPECT_EQ(edit->GetWindowText(), "abc");
  const HWND window = edit->m_hWnd;
  // The edit's own procedure gets the window back and frees what it keeps (checked under the
  // leak checker).
  edit.reset();
  EXPECT_FALSE(IsWindow(window));
  CStatic label;
  ASSERT_TRUE(label.Create("Mass", WS_VISIBLE, RECT{10, 40, 100, 60}, parent));
  EXPECT_EQ(label.GetWindowText(), "Mass");
}

}  // namespace
