// The help line shows a command's help text, draws again only when the text changes, copies
// what it shows to the status sink and empties when its window goes inactive.

#include "views/furniture/CommandHelpLine.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/Handle.h"
#include "core/Resources.h"
#include "platform/mfc/CFrameWnd.h"
#include "resources/ResourceLibraries.h"
#include "tests/views/offscreen/OffScreenSupport.h"

namespace {

using namespace view_test;

class CommandHelpLineTest : public OffScreenTest {
 protected:
  void SetUp() override {
    OffScreenTest::SetUp();
    InitHandlePool();
    RegisterResourceLibraries();
    SetResourceModule1(LoadResourceLibrary(kMainResourceLibrary));
    manager_ = OpenManager();
    TCommandHelpLine::SetStatusSink([this](const std::string& text) { status_.push_back(text); });
    line_ = new TCommandHelpLine;
    line_->Init(nullptr, manager_, TViewPoint{0, 100}, 300);
    line_->Activate(true);
    Draw();
  }
  void TearDown() override {
    TCommandHelpLine::SetStatusSink(nullptr);
    SetResourceModule1(nullptr);
    OffScreenTest::TearDown();
    FreeHandlePool();
  }
  void Draw() {
    manager_->UpdateNow();
    Pump();
  }
  TDezevOffScreenMgr* manager_ = nullptr;
  TCommandHelpLine* line_ = nullptr;
  std::vector<std::string> status_;
};

TEST_F(CommandHelpLineTest, ShowsACommandsHelpOnceAndMirrorsItToTheStatus) {
  EXPECT_EQ(line_->GetStoredSize().v, GetSystemMetrics(SM_CXVSCROLL) - 1);
  const std::string help = TCommandHelpLine::HelpText(2536);
  ASSERT_FALSE(help.empty());
  line_->ShowCommandHelp(2536, true);
  EXPECT_EQ(line_->GetText(), help);
  EXPECT_EQ(line_->GetShownCommand(), 2536);
  ASSERT_FALSE(status_.empty());
  EXPECT_EQ(status_.back(), help);
  // The same command again: nothing to draw.
  const size_t told = status_.size();
  line_->ShowCommandHelp(2536, false);
  EXPECT_FALSE(line_->PendingShallow());
  Draw();
  EXPECT_EQ(status_.size(), told);
  // Command 0 empties the line.
  line_->ShowCommandHelp(0, true);
  EXPECT_EQ(line_->GetText(), "");
  EXPECT_EQ(status_.back(), "");
}

TEST_F(CommandHelpLineTest, GoingInactiveEmptiesTheLineWithoutDrawingAtOnce) {
  line_->SetText("Drag to rotate", true);
  EXPECT_EQ(status_.back(), "Drag to rotate");
  const size_t told = status_.size();
  line_->Activate(false);
  EXPECT_EQ(line_->GetText(), "");
  EXPECT_EQ(status_.size(), told);
  Draw();
  EXPECT_EQ(status_.back(), "");
}

// The menu item or tool-bar button under the pointer reaches the lines of active windows only;
// a line that goes stops listening.
TEST_F(CommandHelpLineTest, TheCommandUnderThePointerReachesActiveLines) {
  auto* other = MakeCommandHelpLine();
  ASSERT_NE(other, nullptr);
  other->Init(nullptr, manager_, TViewPoint{0, 0}, 300);
  NoteCommandUnderPointer(2536);
  EXPECT_EQ(line_->GetShownCommand(), 2536);
  EXPECT_EQ(line_->GetText(), TCommandHelpLine::HelpText(2536));
  EXPECT_EQ(other->GetText(), "");
  NoteCommandUnderPointer(0);
  EXPECT_EQ(line_->GetText(), "");
  // Gone lines are told nothing (a told one would be used after it was freed).
  delete other;
  delete line_;
  line_ = nullptr;
  const size_t told = status_.size();
  NoteCommandUnderPointer(2536);
  EXPECT_EQ(status_.size(), told);
}

}  // namespace
