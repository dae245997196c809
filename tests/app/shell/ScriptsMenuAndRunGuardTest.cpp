// The Scripts menu as it opens: the script entries take the first script item's place and the
// items after it, carrying commands 5521, 5522, ... in entry order, enabled; without entries
// the item is greyed and says what it said before. Opening a document while a run that forbids
// it goes on beeps and opens nothing.

#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <system_error>

#include "app/TApp.h"
#include "app/frames/DocumentWindows.h"
#include "app/frames/MainFrame.h"
#include "core/MenuCommands.h"
#include "model/world/RunCommand.h"
#include "platform/win32/Clock.h"
#include "platform/win32/Input.h"
#include "platform/win32/Menu.h"
#include "platform/win32/Message.h"
#include "platform/win32/Window.h"
#include "scripting/shell/ScriptsMenu.h"
#include "ui/views/OwlSubview.h"

namespace {

constexpr int kScriptPopup = 3;

class ScriptsMenuAndRunGuardTest : public ::testing::Test {
 protected:
  void SetUp() override {
    stream_ = std::tmpfile();
    ResetWindowSystem();
    UseVirtualClock(1000);
    ASSERT_NE(mkdtemp(folder_), nullptr);
    app_ = std::make_unique<TApp>(stream_);
    app_->SetConfigDirectory(folder_);
    ASSERT_TRUE(app_->InitInstance(CCommandLineInfo()));
    frame_ = app_->MainFrame()->m_hWnd;
  }
  void TearDown() override {
    app_->ExitInstance();
    app_.reset();
    ResetWindowSystem();
    UseProcessClock();
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
    std::fclose(stream_);
  }
  HMENU ScriptPopup() const { return GetSubMenu(GetMenu(frame_), kScriptPopup); }
  // The Scripts menu opens.
  void OpenScriptPopup() {
    SendMessage(frame_, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(ScriptPopup()),
                MAKELPARAM(kScriptPopup, 0));
  }
  // The items of the Scripts menu as "command text" lines, a greyed one marked with "-".
  std::string Items() const {
    std::string items;
    const HMENU popup = ScriptPopup();
    for (int32_t i = 0; i < GetMenuItemCount(popup); ++i) {
      char text[256] = "";
      GetMenuString(popup, static_cast<UINT>(i), text, sizeof text, MF_BYPOSITION);
      const bool greyed =
          (GetMenuState(popup, static_cast<UINT>(i), MF_BYPOSITION) & MF_GRAYED) != 0;
      items += std::to_string(GetMenuItemID(popup, i)) + (greyed ? "-" : " ") + text + "\n";
    }
    return items;
  }

  std::FILE* stream_ = nullptr;
  char folder_[32] = "/tmp/yb-scripts-XXXXXX";
  std::unique_ptr<TApp> app_;
  HWND frame_ = nullptr;
};

TEST_F(ScriptsMenuAndRunGuardTest, ScriptEntriesTakeTheFirstScriptItemsPlaceInOrder) {
  ScriptsMenu scripts;
  OpenScriptPopup();
  EXPECT_NE(Items().find("5521-(No Scripts)\n"), std::string::npos) << Items();

  // Something after the first script item goes when the entries take its place.
  AppendMenu(ScriptPopup(), MF_STRING, 9999, "Left over");
  ASSERT_TRUE(scripts.InsertItem(1, Str255("Swing"), Str255("/tmp/swing.ybs")));
  ASSERT_TRUE(scripts.InsertItem(2, Str255("Drop"), Str255("/tmp/drop.ybs")));
  ASSERT_TRUE(scripts.InsertItem(3, Str255("Spin"), Str255("/tmp/spin.ybs")));
  OpenScriptPopup();
  const std::string items = Items();
  EXPECT_NE(items.find("5521 Swing\n5522 Drop\n5523 Spin\n"), std::string::npos) << items;
  EXPECT_EQ(items.find("9999"), std::string::npos) << items;
  EXPECT_EQ(items.find("(No Scripts)"), std::string::npos) << items;
  EXPECT_EQ(scripts.Entry(3)->command, 5523);

  // The entries are the run-time items of menu 1, after its three fixed items, as the recent
  // files are those of menu 101 after its twelve; an entry a script greys stays greyed.
  EXPECT_EQ(GetSubMenuOf(ScriptsMenu::kMenuNumber), ScriptPopup());
  EXPECT_EQ(CommandFromMenuItem(1, 3), 3);
  EXPECT_LT(CommandFromMenuItem(1, 4), 0);
  EXPECT_EQ(GetMenuItemID(GetSubMenuOf(101), 12), 57616u);
  EXPECT_LT(CommandFromMenuItem(101, 13), 0);
  scripts.EnableItem(2, 0);
  EXPECT_NE(Items().find("5522-Drop\n"), std::string::npos) << Items();
  OpenScriptPopup();
  EXPECT_NE(Items().find("5521 Swing\n5522-Drop\n5523 Spin\n"), std::string::npos) << Items();

  // Fewer entries leave no stale items; none at all greys the item with its old text.
  ASSERT_TRUE(scripts.DeleteItem(1));
  ASSERT_TRUE(scripts.DeleteItem(1));
  OpenScriptPopup();
  EXPECT_NE(Items().find("5521 Spin\n"), std::string::npos) << Items();
  EXPECT_EQ(Items().find("5522"), std::string::npos) << Items();
  ASSERT_TRUE(scripts.DeleteItem(1));
  OpenScriptPopup();
  EXPECT_NE(Items().find("5521-(No Scripts)\n"), std::string::npos) << Items();
}

TEST_F(ScriptsMenuAndRunGuardTest, OpeningDuringARunThatForbidsItBeepsAndOpensNothing) {
  const char* source = std::getenv("YB_SOURCE_DIR");
  const std::string sample =
      std::string(source != nullptr ? source : "../..") + "/samples/pendulum.yb";
  app_->NewDocument();
  TOwlSubview* front = TOwlSubview::CurrentWindow();
  ASSERT_NE(front, nullptr);
  auto* document = dynamic_cast<TWorldWindowDocument*>(front->GetDocument());
  ASSERT_NE(document, nullptr);

  auto* run = new TCommand;  // the queue owns it
  run->SetUp(1031, &document->Document(), &document->Document().World(), 100, 0, 0);
  app_->Commands().PostCommand(run);
  ASSERT_EQ(app_->CurrentRunCommand(), run);

  const int32_t beeps = BeepCount();
  EXPECT_FALSE(app_->OpenDocumentFile(sample));
  EXPECT_EQ(BeepCount(), beeps + 1);
  EXPECT_EQ(LastBeepFrequency(), 2000u);  // the refusal's own tone, not the plain bell
  EXPECT_EQ(app_->Documents()->OpenCount(), 1u);

  run->SetAllowsOpen(1);
  EXPECT_TRUE(app_->OpenDocumentFile(sample));
  EXPECT_EQ(BeepCount(), beeps + 1);
  EXPECT_EQ(app_->Documents()->OpenCount(), 2u);

  // Once the run has stopped anything opens again.
  run->SetAllowsOpen(0);
  run->Stop();
  app_->Documents()->FindWindowOfFile(FullDocumentPath(sample))->CloseRequest();
  EXPECT_TRUE(app_->OpenDocumentFile(sample));
  EXPECT_EQ(BeepCount(), beeps + 1);
}

}  // namespace
