// The deferred dialog update: resident in the application's queue, performed only when asked
// for and the dialog is on screen, never freed by the queue.

#include <gtest/gtest.h>

#include <vector>

#include "core/CommandNesting.h"
#include "model/command/CommandHandler.h"
#include "ui/dialogs/DialogUpdater.h"

namespace {

class SilentReporter : public TFailureReporter {
 public:
  void ShowError(int16_t error, int32_t) override { errors.push_back(error); }
  std::vector<int16_t> errors;
};

class FakeDialog : public TUpdatedDialog {
 public:
  void Update(bool full) override { updates.push_back(full); }
  void RebuildSelector() override { ++rebuilds; }
  bool IsShownOnScreen() const override { return shown; }
  void UpdaterGone() override { gone = true; }
  std::vector<bool> updates;
  int rebuilds = 0;
  bool shown = true;
  bool gone = false;
};

TEST(DialogUpdaterTest, IsACommandOfItsOwnNumberThatNeverUndoes) {
  FakeDialog dialog;
  TDialogUpdater updater;
  updater.InitUpdater(&dialog);
  EXPECT_EQ(updater.GetCommandNumber(), 7000);
  EXPECT_EQ(updater.GetAttributes(), 0x80);
  EXPECT_EQ(updater.CanUndo(), 0);
  EXPECT_EQ(updater.IsFreeWhenDone(), 0);
  EXPECT_TRUE(updater.IsMemberClass(639));
}

TEST(DialogUpdaterTest, StaysQueuedAndRunsOnlyForRequestsWhileShown) {
  SilentReporter reporter;
  TCommandNesting nesting(reporter);
  TCommandHandler application(nesting);
  FakeDialog dialog;
  auto* updater = new TDialogUpdater;
  updater->InitUpdater(&dialog);
  application.PostCommand(updater);

  // Armed once after its initialisation.
  EXPECT_TRUE(application.PerformNextQueued());
  EXPECT_FALSE(application.PerformNextQueued());
  EXPECT_TRUE(dialog.updates.empty());

  updater->RequestUpdate(false);
  updater->RequestUpdate(false);
  dialog.shown = false;
  EXPECT_FALSE(application.PerformNextQueued());
  dialog.shown = true;
  EXPECT_TRUE(application.PerformNextQueued());
  EXPECT_EQ(dialog.updates, std::vector<bool>{false});
  EXPECT_EQ(dialog.rebuilds, 0);

  updater->RequestUpdate(true);
  EXPECT_TRUE(application.PerformNextQueued());
  EXPECT_EQ(dialog.updates, (std::vector<bool>{false, true}));
  EXPECT_EQ(dialog.rebuilds, 1);

  updater->RequestOrWithdraw(0);
  EXPECT_EQ(application.GetNextCommand(), updater);
  updater->RequestOrWithdraw(1);
  EXPECT_EQ(application.GetNextCommand(), nullptr);
  EXPECT_FALSE(application.PerformNextQueued());

  // Taken out of the queue, it is not performed however it is asked.
  application.RemoveQueued(updater);
  updater->RequestUpdate(true);
  EXPECT_FALSE(application.PerformNextQueued());
  EXPECT_EQ(dialog.rebuilds, 1);
  delete updater;
  EXPECT_TRUE(dialog.gone);
  EXPECT_TRUE(reporter.errors.empty());
}

}  // namespace
