// The force fields of a new document, from the World menu: each field's item is offered and
// opens that field's own dialog on the field alone, except to a player and while the world runs;
// what the dialog sets is one command that undo takes back whole, group included. A value typed
// into a field is taken however the user leaves it: OK clicked straight after typing, Tab to the
// next field and then OK, or Return; a value the field refuses is reported and keeps the dialog
// open.

#include <gtest/gtest.h>

#include <cstdio>
#include <deque>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>

#include "app/FieldSettingsCommand.h"
#include "app/TApp.h"
#include "app/frames/DocumentWindows.h"
#include "app/frames/MainFrame.h"
#include "constraints/Field.h"
#include "core/MenuCommands.h"
#include "model/command/CommandCore.h"
#include "model/world/QVDoc.h"
#include "model/world/RunCommand.h"
#include "platform/win32/Button.h"
#include "platform/win32/Clock.h"
#include "platform/win32/Edit.h"
#include "platform/win32/Input.h"
#include "platform/win32/Menu.h"
#include "platform/win32/MessageBox.h"
#include "platform/win32/Window.h"
#include "platform/win32/WindowMessages.h"
#include "tests/platform/win32/DialogTestSupport.h"
#include "ui/dialogs/WindowBase.h"
#include "views/world/MainWorldView.h"
#include "views/world/WorldWindow.h"

namespace {

constexpr int32_t kLineRadio = 102;
constexpr int32_t kLineGravityField = 103;

class FieldDialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    stream_ = std::tmpfile();
    ResetWindowSystem();
    UseVirtualClock(1000);
    char folder[] = "/tmp/yb-fields-XXXXXX";
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

  TWorldDoc& World() { return document_->Document().World(); }
  template <class Field>
  Field& FieldOf() {
    for (TLink* object : World().Objects())
      if (auto* field = dynamic_cast<Field*>(object)) return *field;
    throw std::logic_error("the new world has no such field");
  }
  bool Enabled(int16_t command) {
    app_->Commands().SetupTheMenus();
    const UINT state = GetMenuState(GetMenu(app_->MainFrame()->m_hWnd),
                                    static_cast<UINT>(command), MF_BYCOMMAND);
    return state != 0xFFFFFFFF && (state & MF_GRAYED) == 0;
  }
  std::unique_ptr<TCommandCore> Chosen(int16_t command) {
    return std::unique_ptr<TCommandCore>(view_->DoMenuCommand(command));
  }
  // Chooses the item and performs what it makes while the user takes the steps.
  void ChooseAndAct(int16_t command, std::deque<std::function<void()>> user) {
    TCommandCore* made = view_->DoMenuCommand(command);
    ASSERT_NE(made, nullptr);
    ScriptUser(std::move(user));
    app_->Commands().PostCommand(made);
    while (app_->Commands().PerformNextQueued()) {
    }
    SetIdleScript(nullptr);
  }
  // Line gravity of 9.81, typed as a user does, then OK or Cancel.
  void ChooseLineGravity(bool ok) {
    ChooseAndAct(TGravCnstr::kCommand,
                 {[] { SendMessage(GetDlgItem(GetActiveWindow(), kLineRadio), BM_CLICK, 0, 0); },
                  [] {
                    const HWND field = GetDlgItem(GetActiveWindow(), kLineGravityField);
                    SetFocus(field);
                    SendMessage(field, EM_SETSEL, 0, -1);
                    for (char c : std::string("9.81")) InjectCharacter(static_cast<uint8_t>(c));
                  },
                  [ok] { InjectKeyStroke(ok ? VK_RETURN : VK_ESCAPE); }});
  }

  std::FILE* stream_ = nullptr;
  std::string folder_;
  std::unique_ptr<TApp> app_;
  TWorldWindowDocument* document_ = nullptr;
  TMainWorldView* view_ = nullptr;
};

TEST_F(FieldDialogTest, EachFieldsItemOpensItsOwnDialogOnThatField) {
  const struct {
    int16_t command;
    TFieldCnstr* field;
  } fields[] = {{TGravCnstr::kCommand, &FieldOf<TGravCnstr>()},
                {TAirCnstr::kCommand, &FieldOf<TAirCnstr>()},
                {TElectCnstr::kCommand, &FieldOf<TElectCnstr>()},
                {TCustomCnstr::kCommand, &FieldOf<TCustomCnstr>()}};
  for (const auto& [command, field] : fields) {
    SCOPED_TRACE(command);
    EXPECT_TRUE(Enabled(command));
    std::unique_ptr<TCommandCore> made = Chosen(command);
    auto* settings = dynamic_cast<TFieldSettingsCommand*>(made.get());
    ASSERT_NE(settings, nullptr);
    ASSERT_NE(settings->GetDialog(), nullptr);
    EXPECT_EQ(settings->GetDialog()->GetDialogNumber(), command);
    ASSERT_EQ(settings->Objects().size(), 1u);
    EXPECT_EQ(settings->Objects()[0], field);
  }
}

TEST_F(FieldDialogTest, APlayerAndARunningWorldAreRefusedTheSettings) {
  World().SetPlayerMode(1);
  EXPECT_FALSE(Enabled(TGravCnstr::kCommand));
  EXPECT_EQ(Chosen(TGravCnstr::kCommand), nullptr);
  World().SetPlayerMode(0);
  EXPECT_TRUE(Enabled(TGravCnstr::kCommand));

  std::unique_ptr<TCommand> run = World().MakeRunCommand(kCmdRun, 0);
  World().AddRunningCommand(run.get());
  EXPECT_FALSE(Enabled(TCustomCnstr::kCommand));
  EXPECT_EQ(Chosen(TCustomCnstr::kCommand), nullptr);
  World().RemoveRunningCommand(run.get());
  EXPECT_TRUE(Enabled(TCustomCnstr::kCommand));
}

TEST_F(FieldDialogTest, OkIsOneCommandThatUndoTakesBackWithTheGroupsMode) {
  TGravCnstr& gravity = FieldOf<TGravCnstr>();
  auto* group = dynamic_cast<TGroup*>(gravity.GetRelatedObject());
  ASSERT_NE(group, nullptr);
  const int32_t offMode = group->GetMode();
  const uint16_t offSense = group->GetSense();
  ASSERT_EQ(gravity.GetKind(), TGravCnstr::kNone);

  ChooseLineGravity(true);
  EXPECT_EQ(gravity.GetKind(), TGravCnstr::kLine);
  EXPECT_EQ(gravity.GetLineGravity(), 9.81);
  EXPECT_EQ(group->GetMode(), 0);
  ASSERT_NE(dynamic_cast<TFieldSettingsCommand*>(app_->Commands().GetLastCommand()), nullptr);

  app_->Commands().UndoOrRedoLast();
  EXPECT_EQ(gravity.GetKind(), TGravCnstr::kNone);
  EXPECT_EQ(gravity.GetLineGravity(), 0.0);
  EXPECT_EQ(group->GetMode(), offMode);
  EXPECT_EQ(group->GetSense(), offSense);
  EXPECT_FALSE(gravity.IsFieldOn());

  app_->Commands().UndoOrRedoLast();
  EXPECT_EQ(gravity.GetKind(), TGravCnstr::kLine);
  EXPECT_EQ(gravity.GetLineGravity(), 9.81);
  EXPECT_EQ(group->GetMode(), 0);
}

TEST_F(FieldDialogTest, CancelLeavesNoSettingsCommandToUndo) {
  ChooseLineGravity(false);
  // The choice made before the cancel was performed at once, as in every property dialog.
  EXPECT_EQ(FieldOf<TGravCnstr>().GetKind(), TGravCnstr::kLine);
  EXPECT_EQ(dynamic_cast<TFieldSettingsCommand*>(app_->Commands().GetLastCommand()), nullptr);
}


// The Gravity dialog driven by presses and keys as the pointer and the keyboard give them.
class DialogOkTest : public FieldDialogTest {
 protected:
  TGravCnstr& Gravity() { return FieldOf<TGravCnstr>(); }
  // Opens Gravity..., performs the user's steps while the dialog waits, and runs the command. A
  // dialog that stays open after the user's steps is noted and cancelled.
  void GravityDialog(std::deque<std::function<void()>> user) {
    user.push_back([this] {
      leftOpen_ = true;
      InjectKeyStroke(VK_ESCAPE);
    });
    ChooseAndAct(TGravCnstr::kCommand, std::move(user));
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
