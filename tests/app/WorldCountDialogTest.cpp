// The world's count dialogs of the World menu's Other... items, opened as the menu opens them
// (a dialog command without a selection): the number typed and OK become the world's frames
// shown or its tracking in one undoable command, kept by the saved and reopened document;
// Escape changes nothing. A dialog that cannot be made is reported, never taken as accepted.

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <string>

#include "app/TApp.h"
#include "model/command/CommandCore.h"
#include "model/world/QVDoc.h"
#include "platform/win32/Clock.h"
#include "platform/win32/Control.h"
#include "platform/win32/Edit.h"
#include "platform/win32/Input.h"
#include "platform/win32/MessageBox.h"
#include "platform/win32/Window.h"
#include "tests/platform/win32/DialogTestSupport.h"
#include "ui/dialogs/DialogCommand.h"
#include "ui/dialogs/DisplayMetrics.h"

namespace {

constexpr int16_t kFramesShownDialog = 1400;
constexpr int16_t kTrackingDialog = 1500;
constexpr int32_t kCountField = 101;

class WorldCountDialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetWindowSystem();
    UseVirtualClock(0);
    RegisterStandardControls();
    app_.LoadResourceDlls();
    app_.InitUnits();
    SetScreenLogPixelsY(96);
    path_ = std::filesystem::temp_directory_path() /
            ("yb-count-dialog-" + std::to_string(::getpid()) + ".yb");
    Open(std::string(YB_SAMPLES_DIR) + "/spring-and-pin.yb");
  }
  void TearDown() override {
    SetIdleScript(nullptr);
    SetScreenLogPixelsY(0);
    std::filesystem::remove(path_);
    app_.Commands().DropAllCommands();
    document_.reset();
    app_.TermUnits();
    app_.FreeResourceDlls();
    ResetWindowSystem();
    UseProcessClock();
  }
  void Open(const std::string& path) {
    app_.Commands().DropAllCommands();
    document_ = std::make_unique<TQVDoc>();
    document_->ReadDocument(path);
  }
  void SaveAndReopen() {
    document_->WriteDocument(path_.string());
    Open(path_.string());
  }
  // Runs the dialog as the menu command queues it; the user's steps run while it is up.
  void RunDialog(int16_t number, std::deque<std::function<void()>> user) {
    auto* command = new TDialogCommand;
    command->InitDialogCommand(number, &document_->World(), nullptr);
    ScriptUser(std::move(user));
    app_.Commands().PostCommand(command);
    while (app_.Commands().PerformNextQueued()) {
    }
    SetIdleScript(nullptr);
  }
  // Types the count as the dialog opened (its field has the keys, its text selected) and
  // presses the key.
  static std::deque<std::function<void()>> Answer(const std::string& count, int32_t key) {
    return {[count] {
              for (char c : count) InjectCharacter(static_cast<uint8_t>(c));
            },
            [key] { InjectKeyStroke(key); }};
  }

  TApp app_;
  std::unique_ptr<TQVDoc> document_;
  std::filesystem::path path_;
};

TEST_F(WorldCountDialogTest, TheCountTypedBecomesTheWorldsAndStaysInTheSavedDocument) {
  std::string shownField;
  RunDialog(kFramesShownDialog,
            {[&] { shownField = GetWindowTextString(GetDlgItem(GetActiveWindow(), kCountField)); },
             [] { InjectKeyStroke(VK_ESCAPE); }});
  EXPECT_EQ(shownField, std::to_string(document_->World().GetSkipFrames()));

  const int16_t shownBefore = document_->World().GetSkipFrames();
  ASSERT_NE(shownBefore, 3);
  RunDialog(kFramesShownDialog, Answer("3", VK_RETURN));
  EXPECT_EQ(document_->World().GetSkipFrames(), 3);
  // The edit is one undoable command.
  app_.Commands().UndoOrRedoLast();
  EXPECT_EQ(document_->World().GetSkipFrames(), shownBefore);
  app_.Commands().UndoOrRedoLast();
  EXPECT_EQ(document_->World().GetSkipFrames(), 3);
  RunDialog(kTrackingDialog, Answer("7", VK_RETURN));
  EXPECT_EQ(document_->World().GetTrackingWord(), 7);
  SaveAndReopen();
  EXPECT_EQ(document_->World().GetSkipFrames(), 3);
  EXPECT_EQ(document_->World().GetTrackingWord(), 7);

  // Escape leaves the world as it was.
  RunDialog(kFramesShownDialog, Answer("5", VK_ESCAPE));
  EXPECT_EQ(document_->World().GetSkipFrames(), 3);
}

// A count beyond 99 is refused with its reason, the dialog stays open and the world unchanged.
TEST_F(WorldCountDialogTest, ACountBeyondItsRangeIsRefusedAndTheDialogStaysOpen) {
  const int16_t shownBefore = document_->World().GetSkipFrames();
  std::string refusal;
  bool stillOpen = false;
  RunDialog(kFramesShownDialog,
            {[] {
               for (char c : std::string("100")) InjectCharacter(static_cast<uint8_t>(c));
             },
             [] { InjectKeyStroke(VK_RETURN); },
             [&] {
               const HWND box = GetMessageBoxWindow();
               if (box != nullptr) refusal = GetWindowTextString(GetDlgItem(box, 0xFFFF));
               InjectKeyStroke(VK_RETURN);
             },
             [&] {
               stillOpen = GetDlgItem(GetActiveWindow(), kCountField) != nullptr;
               InjectKeyStroke(VK_ESCAPE);
             }});
  EXPECT_EQ(refusal, "The value is above the largest allowed.");
  EXPECT_TRUE(stillOpen);
  EXPECT_EQ(document_->World().GetSkipFrames(), shownBefore);
}

// With no tracks the tracking count shows 0, and OK leaves it so without a complaint.
TEST_F(WorldCountDialogTest, OkOnTheCountShownChangesNothing) {
  document_->World().SetTrackingWord(0);
  std::string shown;
  bool alerted = false;
  RunDialog(kTrackingDialog,
            {[&] {
               shown = GetWindowTextString(GetDlgItem(GetActiveWindow(), kCountField));
               InjectKeyStroke(VK_RETURN);
             },
             [&] {
               alerted = GetMessageBoxWindow() != nullptr;
               if (alerted) InjectKeyStroke(VK_RETURN);
               if (GetDlgItem(GetActiveWindow(), kCountField) != nullptr) InjectKeyStroke(VK_ESCAPE);
             }});
  EXPECT_EQ(shown, "0");
  EXPECT_FALSE(alerted);
  EXPECT_EQ(document_->World().GetTrackingWord(), 0);
}

// A dialog number whose dialog has no template (1056 has none) opens nothing: its command fails
// and the failure is shown in an alert instead of passing for an accepted dialog.
TEST_F(WorldCountDialogTest, ADialogThatCannotBeMadeIsReportedInAnAlert) {
  constexpr int16_t kDialogWithoutTemplate = 1056;
  std::string alert;
  RunDialog(kDialogWithoutTemplate, {[&] {
              const HWND box = GetMessageBoxWindow();
              if (box != nullptr) alert = GetWindowTextString(GetDlgItem(box, 0xFFFF));
              InjectKeyStroke(VK_RETURN);
            }});
  EXPECT_NE(alert.find("not enough memory"), std::string::npos) << alert;
  EXPECT_EQ(app_.Commands().GetLastCommand(), nullptr);
}

}  // namespace
