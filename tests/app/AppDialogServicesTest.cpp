// What the running program gives its property dialogs: a dialog opened on a document's selection
// stands over the document's frame and hands what it does not handle to the document's window;
// a world without a window gets the main frame. The help key says that no help is installed, a
// click's command still waiting is performed once a value is taken, and a modal run opens with
// the arrow cursor.

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>

#include "app/TApp.h"
#include "app/frames/DocumentWindows.h"
#include "app/frames/MainFrame.h"
#include "platform/mfc/CFrameWnd.h"
#include "bodies/BodyTags.h"
#include "model/command/CommandCore.h"
#include "model/world/QVDoc.h"
#include "platform/win32/Clock.h"
#include "platform/win32/Cursor.h"
#include "platform/win32/Edit.h"
#include "platform/win32/Input.h"
#include "platform/win32/MessageBox.h"
#include "platform/win32/Window.h"
#include "tests/platform/win32/DialogTestSupport.h"
#include "ui/dialogs/DialogCommand.h"
#include "ui/dialogs/DisplayMetrics.h"
#include "ui/dialogs/WindowBase.h"
#include "ui/views/OwlSubview.h"
#include "ui/views/ViewServices.h"

namespace {

constexpr int16_t kBodyDialog = 10410;
constexpr int16_t kBodyId = 2;
constexpr int32_t kMassField = 102;

// What a click's command saw when it was performed.
struct ClickOutcome {
  int performed = 0;
  double mass = 0.0;
};

// A click's command that notes the body's mass when it is performed; the application frees it.
class TClickCommand : public TCommandCore {
 public:
  TClickCommand(TLink* body, ClickOutcome& outcome) : body_(body), outcome_(outcome) {}
  void Perform() override {
    ++outcome_.performed;
    const TFormula* mass =
        body_->GetFormulaProperty(body_tags::kTagMass, nullptr, nullptr, nullptr, nullptr);
    outcome_.mass = mass != nullptr ? mass->GetValue() : -1.0;
  }

 private:
  TLink* body_;
  ClickOutcome& outcome_;
};

class AppDialogServicesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    stream_ = std::tmpfile();
    ResetWindowSystem();
    UseVirtualClock(1000);
    char folder[] = "/tmp/yb-appdlg-XXXXXX";
    ASSERT_NE(mkdtemp(folder), nullptr);
    folder_ = folder;
    app_ = std::make_unique<TApp>(stream_);
    app_->SetConfigDirectory(folder_);
    ASSERT_TRUE(app_->InitInstance(CCommandLineInfo()));
    SetScreenLogPixelsY(96);
    ASSERT_TRUE(app_->OpenDocumentFile(std::string(YB_SAMPLES_DIR) + "/spring-and-pin.yb"));
    ASSERT_EQ(app_->Documents()->Documents().size(), 1u);
    document_ = app_->Documents()->Documents().front().get();
    body_ = World().FindObject(kBodyId);
    ASSERT_NE(body_, nullptr);
    World().Select(body_);
  }
  void TearDown() override {
    SetIdleScript(nullptr);
    SetScreenLogPixelsY(0);
    if (app_ != nullptr) app_->ExitInstance();
    app_.reset();
    ResetWindowSystem();
    UseProcessClock();
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
    std::fclose(stream_);
  }

  TWorldDoc& World() { return document_->Document().World(); }
  // Runs the body dialog on the world's selection as its menu command does.
  void RunDialog(TWorldDoc& world, std::deque<std::function<void()>> user) {
    auto* command = new TDialogCommand;
    command->InitDialogCommand(kBodyDialog, &world, &world.Selection());
    dialog_ = command->GetDialog();
    ScriptUser(std::move(user));
    app_->Commands().PostCommand(command);
    while (app_->Commands().PerformNextQueued()) {
    }
    SetIdleScript(nullptr);
    dialog_ = nullptr;
  }

  std::FILE* stream_ = nullptr;
  std::string folder_;
  std::unique_ptr<TApp> app_;
  TWorldWindowDocument* document_ = nullptr;
  TLink* body_ = nullptr;
  WindowBase* dialog_ = nullptr;
};

TEST_F(AppDialogServicesTest, TheDialogStandsOverItsDocumentsFrameAndPassesOnToItsView) {
  ASSERT_NE(document_->GetWindowFrame(), nullptr);
  ASSERT_FALSE(document_->Windows().empty());
  const HWND frame = document_->GetWindowFrame()->m_hWnd;
  HWND owner = nullptr;
  CWnd* standsOver = nullptr;
  TTargetHandler* next = nullptr;
  bool frameDisabled = false;
  RunDialog(World(), {[&] {
    const HWND dialog = GetActiveWindow();
    owner = GetWindow(dialog, GW_OWNER);
    if (TWindowObject* parent = dialog_->GetParentObject()) standsOver = parent->GetObjectWindow();
    next = dialog_->GetNextHandler();
    frameDisabled = !IsWindowEnabled(GetAncestorTopLevel(frame));
    InjectKeyStroke(VK_ESCAPE);
  }});
  // The document's frame is a child of the main frame: the dialog's owner is its top window.
  EXPECT_EQ(standsOver, document_->GetWindowFrame());
  EXPECT_EQ(owner, GetAncestorTopLevel(frame));
  // What the dialog passes up (More... among it) reaches the window's view, as the menus do.
  EXPECT_EQ(next, document_->Windows().front()->GetTargetView());
  EXPECT_NE(next, TCommandHandler::Application());
  EXPECT_TRUE(frameDisabled);

  // A world that no window shows: the main frame, the application next.
  TQVDoc loose;
  loose.ReadDocument(std::string(YB_SAMPLES_DIR) + "/spring-and-pin.yb");
  TLink* const looseBody = loose.World().FindObject(kBodyId);
  ASSERT_NE(looseBody, nullptr);
  loose.World().Select(looseBody);
  RunDialog(loose.World(), {[&] {
    owner = GetWindow(GetActiveWindow(), GW_OWNER);
    if (TWindowObject* parent = dialog_->GetParentObject()) standsOver = parent->GetObjectWindow();
    next = dialog_->GetNextHandler();
    InjectKeyStroke(VK_ESCAPE);
  }});
  EXPECT_EQ(standsOver, app_->MainFrame());
  EXPECT_EQ(owner, app_->MainFrame()->m_hWnd);
  EXPECT_EQ(next, TCommandHandler::Application());
}

TEST_F(AppDialogServicesTest, TheOneObjectDialogStandsOverTheObjectsDocumentToo) {
  auto* command = new TObjectDialogCommand;
  command->InitForObject(body_);
  WindowBase* const dialog = command->GetDialog();
  CWnd* standsOver = nullptr;
  TTargetHandler* next = nullptr;
  ScriptUser({[&] {
    if (TWindowObject* parent = dialog->GetParentObject()) standsOver = parent->GetObjectWindow();
    next = dialog->GetNextHandler();
    InjectKeyStroke(VK_ESCAPE);
  }});
  app_->Commands().PostCommand(command);
  while (app_->Commands().PerformNextQueued()) {
  }
  SetIdleScript(nullptr);
  EXPECT_EQ(standsOver, document_->GetWindowFrame());
  EXPECT_EQ(next, document_->Windows().front()->GetTargetView());
}

TEST_F(AppDialogServicesTest, TheHelpKeySaysThatNoHelpIsInstalled) {
  std::string said;
  bool stillOpen = false;
  RunDialog(World(), {[] { InjectKeyStroke(VK_F1); },
                      [&] {
                        if (const HWND box = GetMessageBoxWindow(); box != nullptr) {
                          said = GetWindowTextString(GetDlgItem(box, 0xFFFF));
                        }
                        InjectKeyStroke(VK_RETURN);
                      },
                      [&] {
                        stillOpen = GetActiveWindow() != nullptr &&
                                    GetDlgItem(GetActiveWindow(), kMassField) != nullptr;
                        InjectKeyStroke(VK_ESCAPE);
                      }});
  EXPECT_EQ(said, "Help is unavailable: Yarrowby is installed without a help file.");
  EXPECT_TRUE(stillOpen);
}

TEST_F(AppDialogServicesTest, AModalRunOpensWithTheArrowCursor) {
  SetCursor(LoadCursor(nullptr, IDC_CROSS));
  ASSERT_NE(GetCursor(), LoadCursor(nullptr, IDC_ARROW));
  HCURSOR shown = nullptr;
  RunDialog(World(), {[&] {
    shown = GetCursor();
    InjectKeyStroke(VK_ESCAPE);
  }});
  EXPECT_EQ(shown, LoadCursor(nullptr, IDC_ARROW));
}

TEST_F(AppDialogServicesTest, AClicksWaitingCommandIsPerformedOnceAfterTheValueIsTaken) {
  ClickOutcome outcome;
  auto* click = new TClickCommand(body_, outcome);
  RunDialog(World(), {[&] {
                        const HWND field = GetDlgItem(GetActiveWindow(), kMassField);
                        SetFocus(field);
                        // The click's command waits from here: the mass is the next value taken.
                        PendingCommand() = click;
                        SendMessage(field, EM_SETSEL, 0, -1);
                        for (char c : std::string("2.5")) InjectCharacter(static_cast<uint8_t>(c));
                      },
                      [] { InjectKeyStroke(VK_RETURN); }});
  EXPECT_EQ(outcome.performed, 1);
  EXPECT_EQ(outcome.mass, 2.5);
  EXPECT_EQ(PendingCommand(), nullptr);
}

}  // namespace
