// Property dialogs over a world of things: attaching to a selection, commits posted in a
// modeless dialog, performed at once in a modal run, dropped after a cancel, and the reports
// of refused formula entries.

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "core/CommandNesting.h"
#include "core/Tag.h"
#include "model/command/CommandHandler.h"
#include "model/command/PropertyOps.h"
#include "tests/model/command/TestWorld.h"
#include "tests/ui/dialogs/DialogFixture.h"
#include "ui/dialogs/WindowBase.h"
#include "ui/dialogs/WindowsDialog.h"

namespace dialog_test {
namespace {

constexpr uint32_t kName = MakeTag("name");

class SilentReporter : public TFailureReporter {
 public:
  void ShowError(int16_t, int32_t) override {}
};

// Counts its updates and the questions and alerts it would show.
class TCountingBase : public WindowBase {
 public:
  void Update(bool full) override {
    ++updates;
    WindowBase::Update(full);
  }
  int updates = 0;
};

class WindowBaseTest : public DialogFixture {
 protected:
  void SetUp() override {
    DialogFixture::SetUp();
    InitHandlePool();
    world_ = std::make_unique<command_test::TTestWorld>(2);
    selection_ = {&world_->Thing(0)};
    world_->Thing(0).SetName("Wheel");
  }
  void TearDown() override {
    application_.DropAllCommands();
    world_.reset();
    DialogFixture::TearDown();
  }
  TCountingBase* Open(TCountingBase* window) {
    const TDialogCreationRecord record{window, kNameDialog, -1, kNameDialog, 0};
    window->Initialize(nullptr, 0, &record);
    return window;
  }
  // Commits the field with the text, as leaving it does.
  static void Commit(WindowBase& window, const char* text) {
    TMacDialogItem* const field = window.FindItem(kName);
    ASSERT_NE(field, nullptr);
    SetWindowText(field->ControlWindow()->GetSafeHwnd(), text);
    field->CheckText();
    window.AcceptValue(field);
  }
  std::string Name() { return world_->Thing(0).GetName().AsCString(); }

  SilentReporter reporter_;
  TCommandNesting nesting_{reporter_};
  TCommandHandler application_{nesting_};
  std::unique_ptr<command_test::TTestWorld> world_;
  std::vector<TLink*> selection_;
};

TEST_F(WindowBaseTest, AttachingTheHeldSelectionAgainDoesNothing) {
  TCountingBase window;
  Open(&window);
  window.ShowModeless();
  while (application_.PerformNextQueued()) {
  }
  const int before = window.updates;
  window.SetSelection(&selection_, nullptr, nullptr, 1);
  while (application_.PerformNextQueued()) {
  }
  EXPECT_EQ(window.updates, before + 1);
  window.SetSelection(&selection_, nullptr, nullptr, 1);
  while (application_.PerformNextQueued()) {
  }
  EXPECT_EQ(window.updates, before + 1);
}

TEST_F(WindowBaseTest, AModelessCommitIsQueuedAndPerformedByTheNextPass) {
  TCountingBase window;
  Open(&window);
  window.ShowModeless();
  // The world of the test is the action context of the commands.
  std::vector<TLink*> selection{&world_->Thing(0)};
  window.SetSelection(&selection, nullptr, nullptr, 1);
  window.Binding().Attach(&selection, world_.get());
  Commit(window, "Axle");
  ASSERT_NE(application_.PeekNextCommand(), nullptr);
  EXPECT_TRUE(application_.PeekNextCommand()->IsMemberClass(355));
  EXPECT_EQ(application_.PeekNextCommand()->GetCommandNumber(), static_cast<int16_t>(kNameDialog));
  EXPECT_EQ(Name(), "Wheel");
  EXPECT_TRUE(application_.PerformNextQueued());
  EXPECT_EQ(Name(), "Axle");
  application_.UndoOrRedoLast();
  EXPECT_EQ(Name(), "Wheel");
}

TEST_F(WindowBaseTest, AnEditAfterTheCancelResultMakesNoCommand) {
  TCountingBase window;
  Open(&window);
  window.ShowModeless();
  std::vector<TLink*> selection{&world_->Thing(0)};
  window.Binding().Attach(&selection, world_.get());
  window.SetResultTag(static_cast<uint32_t>(-1));  // the cancel result
  Commit(window, "Axle");
  // Only the dialog's own update agent is left in the queue.
  ASSERT_NE(application_.PeekNextCommand(), nullptr);
  EXPECT_TRUE(application_.PeekNextCommand()->StaysQueued());
  EXPECT_EQ(application_.GetLastCommand(), nullptr);
  EXPECT_EQ(Name(), "Wheel");
}

TEST_F(WindowBaseTest, FormulaErrorsAskInAskModeAndOtherErrorsGoToTheBaseReport) {
  TCountingBase window;
  Open(&window);
  window.ShowModeless();
  TMacDialogItem* const field = window.FindItem(kName);
  std::vector<std::string> boxes;
  auto answer = [&boxes](int32_t key) {
    SetIdleScript([&boxes, key] {
      const HWND box = GetMessageBoxWindow();
      if (box == nullptr) return false;
      boxes.push_back(GetWindowTextString(GetDlgItem(box, 0xFFFF)));
      InjectKeyStroke(key);
      return true;
    });
  };
  window.SetAskOnError(1, 0);
  answer('N');
  window.ReportItemError(field, -28809);
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_NE(boxes[0].find('?'), std::string::npos);  // question 1502
  EXPECT_EQ(window.GetEntriesValid(), 0);

  boxes.clear();
  answer(VK_RETURN);
  window.ReportItemError(field, -28808);  // not a formula error: the alert of list 300
  ASSERT_EQ(boxes.size(), 1u);
  Str255 text;
  GetIndString(text, kItemErrorList, 1);
  EXPECT_EQ(boxes[0], text.AsCString());
  SetIdleScript(nullptr);
}

}  // namespace
}  // namespace dialog_test
