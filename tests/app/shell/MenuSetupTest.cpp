// The program's menu bar in the toolbox manner: chosen items become command numbers that travel
// the chain, set-up disables everything and lets the handlers enable what applies, popups with
// nothing enabled are greyed, the Undo item names the last command, and the bar and its keys
// follow the mode, also while the event loop runs.

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "app/TApp.h"
#include "app/frames/MainFrame.h"
#include "app/shell/MenuBar.h"
#include "core/Failure.h"
#include "core/MenuCommands.h"
#include "platform/win32/Clock.h"
#include "platform/win32/Input.h"
#include "platform/win32/Message.h"
#include "platform/win32/Window.h"

namespace {

class TRecordedCommand : public TCommandCore {
 public:
  TRecordedCommand(std::vector<std::string>& log, int16_t number, uint16_t undoable)
      : log_(log) {
    InitCommand(number, nullptr, nullptr, nullptr);
    SetCanUndo(undoable);
    SetCausesChange(undoable);
  }
  void Perform() override {
    log_.push_back("performed " + std::to_string(GetCommandNumber()));
    if (quitAfter) PostQuitMessage(0);
  }
  bool quitAfter = false;

 private:
  std::vector<std::string>& log_;
};

// A target that answers the world's Run command and enables it, and fails for command 1101.
class TWorldTarget : public TTargetHandler {
 public:
  TWorldTarget(std::vector<std::string>& log, TTargetHandler* next) : log_(log) {
    InitTargetHandler(next);
  }
  TCommandCore* DoMenuCommand(int16_t command) override {
    log_.push_back("asked " + std::to_string(command));
    if (command == 1101) ThrowFailure(-25001, 0);
    if (command != 1031) return TTargetHandler::DoMenuCommand(command);
    auto* run = new TRecordedCommand(log_, 1031, 1);
    run->quitAfter = quitAfterRun;
    return run;
  }
  void DoSetupMenus() override {
    EnableMenuCommand(1031, true);
    TTargetHandler::DoSetupMenus();
  }
  bool quitAfterRun = false;

 private:
  std::vector<std::string>& log_;
};

class MenuSetupTest : public ::testing::Test {
 protected:
  void SetUp() override {
    stream_ = std::tmpfile();
    ASSERT_NE(stream_, nullptr);
    ResetWindowSystem();
    UseVirtualClock(1000);
    app_ = std::make_unique<TApp>(stream_);
    app_->LoadResourceDlls();
    app_->InitUnits();
    frame_ = new CMainFrame;  // deleted with its window
    ASSERT_TRUE(frame_->CreateMainWindow());
    ShowWindow(frame_->m_hWnd, SW_SHOW);
    target_ = std::make_unique<TWorldTarget>(log_, &app_->Commands());
    app_->Commands().SetTarget(target_.get());
  }
  void TearDown() override {
    app_->Commands().SetTarget(&app_->Commands());
    target_.reset();
    ResetWindowSystem();
    app_->TermUnits();
    app_->FreeResourceDlls();
    app_.reset();
    UseProcessClock();
    std::fclose(stream_);
  }
  HMENU Bar() const { return GetMenu(frame_->m_hWnd); }
  bool Greyed(UINT id) const { return (GetMenuState(Bar(), id, MF_BYCOMMAND) & MF_GRAYED) != 0; }
  bool PopupGreyed(int32_t position) const {
    return (GetMenuState(Bar(), static_cast<UINT>(position), MF_BYPOSITION) & MF_GRAYED) != 0;
  }
  std::string UndoText() const { return GetMenuItemText(Bar(), 101, MF_BYCOMMAND); }
  std::string Reported() {
    std::rewind(stream_);
    std::string text;
    for (int c; (c = std::fgetc(stream_)) != EOF;)
      text += static_cast<char>(c);
    return text;
  }

  std::FILE* stream_ = nullptr;
  std::unique_ptr<TApp> app_;
  CMainFrame* frame_ = nullptr;
  std::unique_ptr<TWorldTarget> target_;
  std::vector<std::string> log_;
};

TEST_F(MenuSetupTest, ChosenItemsTravelTheChainAsCommandNumbers) {
  TApplicationHandler& application = app_->Commands();
  // The variant bit is cleared; the chain's answer is performed and kept for undo.
  EXPECT_TRUE(application.ChooseMenuItem(0x4000 | 1031));
  EXPECT_EQ(log_, (std::vector<std::string>{"asked 1031", "performed 1031"}));
  ASSERT_NE(application.GetLastCommand(), nullptr);
  EXPECT_EQ(application.GetLastCommand()->GetCommandNumber(), 1031);
  application.CommitLastCommand();

  // The application's own commands end the chain.
  TCommandCore* open = application.MenuIdToCommand(20);
  ASSERT_NE(open, nullptr);
  EXPECT_TRUE(open->IsMemberClass(329));
  delete open;
  EXPECT_EQ(application.MenuIdToCommand(35), nullptr);

  // A failure without a message carries the command number, and is shown once by the frame's
  // road.
  try {
    application.MenuIdToCommand(1101);
    ADD_FAILURE() << "the failure did not pass on";
  } catch (const QVException& failure) {
    EXPECT_EQ(failure.error(), -25001);
    EXPECT_EQ(failure.message(), 1101);
  }
  EXPECT_FALSE(application.ChooseMenuItem(1101));
  EXPECT_NE(Reported().find("(error -25001, message 0000044D)"), std::string::npos);

  int16_t menu = 0;
  int16_t item = 0;
  CommandToMenuItem(static_cast<int16_t>(-((7 & 255) | ((3 & 127) << 8))), &menu, &item);
  EXPECT_EQ(menu, 3);
  EXPECT_EQ(item, 7);
}

TEST_F(MenuSetupTest, SetupDisablesAllButWhatHandlersEnableAndGreysEmptyPopups) {
  // An item in the exempt range stays as it is; one just outside it is disabled.
  const HMENU help = GetSubMenu(Bar(), 8);
  AppendMenu(help, MF_STRING | MF_GRAYED, 5100, "Exempt");
  AppendMenu(help, MF_STRING, 5200, "Not exempt");
  const HMENU nested = CreatePopupMenu();
  AppendMenu(nested, MF_STRING, 5300, "Deep");
  AppendMenu(help, MF_POPUP, reinterpret_cast<UINT_PTR>(nested), "Nested");
  app_->Commands().SetupTheMenus();

  for (const UINT enabled : {10u, 20u, 36u, 1031u, 931u}) EXPECT_FALSE(Greyed(enabled)) << enabled;
  for (const UINT disabled : {31u, 32u, 178u, 176u, 101u, 103u, 104u, 105u, 106u, 1032u, 1034u,
                              5200u, 24335u - 1u}) {
    if (GetMenuState(Bar(), disabled, MF_BYCOMMAND) == kMenuNotFound) continue;
    EXPECT_TRUE(Greyed(disabled)) << disabled;
  }
  EXPECT_TRUE(Greyed(5100));
  // The Edit menu has nothing enabled: its title is greyed; the World menu has Run.
  EXPECT_TRUE(PopupGreyed(1));
  EXPECT_FALSE(PopupGreyed(2));
  // A submenu whose items are all disabled greys the item that opens it, at every level.
  EXPECT_TRUE((GetMenuState(help, GetMenuItemCount(help) - 1, MF_BYPOSITION) & MF_GRAYED) != 0);
  EXPECT_FALSE(PopupGreyed(7));
  EXPECT_TRUE(IsMenuCommandEnabled(1031));
  EXPECT_FALSE(IsMenuCommandEnabled(1032));
  EXPECT_TRUE(IsMenuCommandEnabled(2500));
  EXPECT_FALSE(IsMenuCommandEnabled(2012));

  // During a run the Edit commands are enabled and Undo names nothing.
  CommandBusyFlag() = 1;
  app_->Commands().SetupTheMenus();
  CommandBusyFlag() = 0;
  for (const UINT editing : {101u, 103u, 104u, 105u, 106u}) EXPECT_FALSE(Greyed(editing));
  EXPECT_EQ(UndoText(), "Undo \bCtrl+Z");
}

TEST_F(MenuSetupTest, TheUndoItemNamesTheLastCommandAndIsRebuiltOnlyWhenItChanges) {
  TApplicationHandler& application = app_->Commands();
  application.SetupTheMenus();
  EXPECT_EQ(UndoText(), "Can't Undo\bCtrl+Z");
  application.PerformCommand(new TRecordedCommand(log_, 1031, 1));
  application.SetupTheMenus();
  EXPECT_EQ(UndoText(), "Undo Run\bCtrl+Z");
  EXPECT_FALSE(Greyed(101));
  // The same state again leaves the label alone.
  SetMenuCommandText(101, "changed by hand");
  application.SetupTheMenus();
  EXPECT_EQ(UndoText(), "changed by hand");
  // Undone, the item offers to redo it.
  application.UndoOrRedoLast();
  application.SetupTheMenus();
  EXPECT_EQ(UndoText(), "Redo Run\bCtrl+Z");
  application.CommitLastCommand();
}

// A change of an input's value, which no menu item names, and the commands of dialogs, whose
// items end in dots, go by names of their own.
TEST_F(MenuSetupTest, TheUndoItemNamesInputChangesAndDialogsWithoutDots) {
  TApplicationHandler& application = app_->Commands();
  application.PerformCommand(new TRecordedCommand(log_, 2013, 1));
  application.SetupTheMenus();
  EXPECT_EQ(UndoText(), "Undo Input Change\bCtrl+Z");
  application.CommitLastCommand();
  application.PerformCommand(new TRecordedCommand(log_, 10410, 1));
  application.SetupTheMenus();
  EXPECT_EQ(UndoText(), "Undo Body\bCtrl+Z");
  application.CommitLastCommand();
}

TEST_F(MenuSetupTest, ThePlayerBarAndItsKeysReplaceTheNormalOnesAndStrayPopupsAreDestroyed) {
  const HMENU normal = Bar();
  ASSERT_NE(normal, nullptr);
  const int32_t drawn = MenuBarDrawCount(frame_->m_hWnd);
  SetMenuBarForMode(kPlayerModeBar);
  ASSERT_NE(Bar(), normal);
  EXPECT_EQ(GetMenuState(Bar(), 10, MF_BYCOMMAND), kMenuNotFound);
  EXPECT_GT(MenuBarDrawCount(frame_->m_hWnd), drawn);
  ACCEL keys[32];
  const int32_t count = CopyAcceleratorTable(frame_->GetDefaultAccelerator(), keys, 32);
  bool hasNew = false;
  for (int32_t i = 0; i < count; ++i) hasNew = hasNew || keys[i].cmd == 10;
  EXPECT_FALSE(hasNew);
  SetMenuBarForMode(kNormalModeBar);
  EXPECT_EQ(Bar(), normal);

  const HMENU popup = CreatePopupMenu();
  SetTopMenuPopup(popup, GetMenuItemCount(Bar()), "Beyond");
  EXPECT_FALSE(IsMenu(popup));
}

TEST_F(MenuSetupTest, KeysOfTheRunningProgramBecomeCommandsThroughTheFramesKeyTable) {
  target_->quitAfterRun = true;
  SetFocus(frame_->m_hWnd);
  InjectKey(VK_CONTROL, true);
  InjectKeyStroke('R');
  InjectKey(VK_CONTROL, false);
  EXPECT_EQ(app_->RunEventLoop(frame_->m_hWnd), 0);
  EXPECT_EQ(log_, (std::vector<std::string>{"asked 1031", "performed 1031"}));
  app_->Commands().CommitLastCommand();
}

TEST_F(MenuSetupTest, QuittingTellsTheChainPerformsItsAnswerClosesDocumentsAndPostsQuit) {
  std::vector<std::string> order;
  app_->Commands().GetServices().closeAllDocuments = [&] { order.push_back("documents closed"); };
  class TQuitNotice : public TTargetHandler {
   public:
    TQuitNotice(std::vector<std::string>& log, TTargetHandler* next) : log_(log) {
      InitTargetHandler(next);
    }
    TCommandCore* DoMenuCommand(int16_t command) override {
      if (command != 1191) return TTargetHandler::DoMenuCommand(command);
      log_.push_back("asked 1191");
      auto* notice = new TRecordedCommand(log_, 1191, 0);
      return notice;
    }

   private:
    std::vector<std::string>& log_;
  } notice(order, &app_->Commands());
  app_->Commands().SetTarget(&notice);
  app_->Commands().DoQuit();
  app_->Commands().SetTarget(target_.get());
  EXPECT_EQ(order, (std::vector<std::string>{"asked 1191", "performed 1191", "documents closed"}));
  MSG message;
  ASSERT_TRUE(PeekMessage(&message, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(message.message, WM_QUIT);
  EXPECT_EQ(message.wParam, 0u);
}

}  // namespace
