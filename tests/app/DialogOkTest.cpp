// A value typed into a property dialog's field is taken however the user leaves it: OK clicked
// straight after typing, Tab to the next field and then OK, or Return; a value the field refuses
// is reported and keeps the dialog open.

#include <gtest/gtest.h>

#include <cstdio>
#include <deque>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>

#include "app/TApp.h"
#include "app/frames/DocumentWindows.h"
#include "constraints/Field.h"
#include "model/command/CommandCore.h"
#include "model/world/QVDoc.h"
#include "platform/win32/Button.h"
#include "platform/win32/Clock.h"
#include "platform/win32/Edit.h"
#include "platform/win32/Input.h"
#include "platform/win32/MessageBox.h"
#include "platform/win32/Window.h"
#include "platform/win32/WindowMessages.h"
#include "tests/platform/win32/DialogTestSupport.h"
#include "views/world/MainWorldView.h"
#include "views/world/WorldWindow.h"

namespace {

constexpr int32_t kLineRadio = 102;
constexpr int32_t kLineGravityField = 103;

class DialogOkTest : public ::testing::Test {
 protected:
  void SetUp() override {
    stream_ = std::tmpfile();
    ResetWindowSystem();
    UseVirtualClock(1000);
    char folder[] = "/tmp/yb-dialog-ok-XXXXXX";
    ASSERT_NE(mkdtemp(folder), nullptr);
    folder_ = folder;
    app_ = std::make_unique<TApp>(stream_);
    app_->SetConfigDirectory(folder_);
    ASSERT_TRUE(app_->InitInstance(CCommandLineInfo()));
    app_->NewDocument();
    ASSERT_EQ(app_->Documents()->Documents().size(), 1u);
    document_ = app_->Documents()->Documents().front().get();
    ASSERT_NE(document_->WorldWindow(), nullptr);
    view_ = document_->WorldWindow()->MainView();
    ASSERT_NE(view_, nullptr);
  }
  void TearDown() override {
    SetIdleScript(nullptr);
    if (app_ != nullptr) {
      app_->Commands().DropAllCommands();
      app_->ExitInstance();
    }
    app_.reset();
    ResetWindowSystem();
    UseProcessClock();
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
    std::fclose(stream_);
  }

  TGravCnstr& Gravity() {
    for (TLink* object : document_->Document().World().Objects())
      if (auto* field = dynamic_cast<TGravCnstr*>(object)) return *field;
    throw std::logic_error("the new world has no gravity");
  }
  // Opens Gravity..., performs the user's steps while the dialog waits, and runs the command.
  void GravityDialog(std::deque<std::function<void()>> user) {
    TCommandCore* made = view_->DoMenuCommand(TGravCnstr::kCommand);
    ASSERT_NE(made, nullptr);
    // A dialog that stays open after the user's steps is noted and cancelled.
    user.push_back([this] {
      leftOpen_ = true;
      InjectKeyStroke(VK_ESCAPE);
    });
    ScriptUser(std::move(user));
    app_->Commands().PostCommand(made);
    while (app_->Commands().PerformNextQueued()) {
    }
    SetIdleScript(nullptr);
  }
  static HWND Control(int32_t id) { return GetDlgItem(GetActiveWindow(), id); }
  // A press and release of the left button in the middle of the control, as the pointer gives
  // them to the control under it.
  static void ClickControl(int32_t id) {
    const HWND control = Control(id);
    RECT client{};
    GetClientRect(control, &client);
    const LPARAM at = MAKELPARAM(client.right / 2, client.bottom / 2);
    PostMessage(control, WM_LBUTTONDOWN, MK_LBUTTON, at);
    PostMessage(control, WM_LBUTTONUP, 0, at);
  }
  // Line chosen, the field's text replaced by what is typed.
  static std::deque<std::function<void()>> LineGravityTyped(const std::string& typed) {
    return {[] { ClickControl(kLineRadio); },
            [] { ClickControl(kLineGravityField); },
            [typed] {
              SendMessage(Control(kLineGravityField), EM_SETSEL, 0, -1);
              for (char c : typed) InjectCharacter(static_cast<uint8_t>(c));
            }};
  }

  std::FILE* stream_ = nullptr;
  std::string folder_;
  std::unique_ptr<TApp> app_;
  TWorldWindowDocument* document_ = nullptr;
  TMainWorldView* view_ = nullptr;
  bool leftOpen_ = false;
};

TEST_F(DialogOkTest, OkClickedStraightAfterTypingTakesTheValue) {
  auto user = LineGravityTyped("9.81");
  user.push_back([] { ClickControl(IDOK); });
  GravityDialog(std::move(user));
  EXPECT_EQ(Gravity().GetKind(), TGravCnstr::kLine);
  EXPECT_EQ(Gravity().GetLineGravity(), 9.81);
}

TEST_F(DialogOkTest, TabThenOkTakesTheValue) {
  auto user = LineGravityTyped("9.81");
  user.push_back([] { InjectKeyStroke(VK_TAB); });
  user.push_back([] { ClickControl(IDOK); });
  GravityDialog(std::move(user));
  EXPECT_EQ(Gravity().GetLineGravity(), 9.81);
}

// A refused value is reported when OK is clicked, and the dialog stays open with the field's
// value not taken.
TEST_F(DialogOkTest, ARefusedValueIsReportedAndKeepsTheDialogOpen) {
  std::string alertTitle;
  auto user = LineGravityTyped("heavy");
  user.push_back([] { ClickControl(IDOK); });
  user.push_back([&alertTitle] {
    alertTitle = GetWindowTextString(GetActiveWindow());
    InjectKeyStroke(VK_RETURN);
  });
  GravityDialog(std::move(user));
  EXPECT_EQ(alertTitle, "Yarrowby");
  EXPECT_TRUE(leftOpen_);
  EXPECT_EQ(Gravity().GetLineGravity(), 0.0);
}

}  // namespace
