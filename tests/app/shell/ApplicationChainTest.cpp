// The application object as one chain of classes: it answers as the program's application and
// as the Macintosh-style one, a new target hears that it becomes the target and the old one that
// it stops being it, the pump gives the drawing port's window context back while a message is
// handled, and the cursor region follows the mouse.

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "app/TApp.h"
#include "app/services/ClipboardView.h"
#include "core/MenuSetup.h"
#include "core/port/Port.h"
#include "core/port/PortRegion.h"
#include "core/port/WindowBinding.h"
#include "platform/win32/Clock.h"
#include "platform/win32/Dc.h"
#include "platform/win32/Input.h"
#include "platform/mfc/CDocument.h"
#include "platform/win32/Message.h"
#include "platform/win32/MessageBox.h"
#include "platform/win32/Clipboard.h"
#include "platform/win32/Window.h"

namespace {

class TWatchingHandler : public TTargetHandler {
 public:
  TWatchingHandler(std::string name, std::vector<std::string>& log)
      : name_(std::move(name)), log_(log) {
    InitTargetHandler(nullptr);
  }
  void DoTargetChange(int16_t resigning, int16_t becoming) override {
    log_.push_back(name_ + " " + std::to_string(resigning) + std::to_string(becoming));
  }

 private:
  std::string name_;
  std::vector<std::string>& log_;
};

// A window-less handler that notes the menu requests that reach it.
class TListeningHandler : public TTargetHandler {
 public:
  explicit TListeningHandler(std::vector<std::string>& log) : log_(log) { InitTargetHandler(nullptr); }
  TCommandCore* DoMenuCommand(int16_t command) override {
    log_.push_back("command " + std::to_string(command));
    return TTargetHandler::DoMenuCommand(command);
  }
  void DoSetupMenus() override {
    log_.push_back("setup");
    TTargetHandler::DoSetupMenus();
  }

 private:
  std::vector<std::string>& log_;
};

constexpr UINT kLook = WM_USER + 7;
HDC gContextSeen = reinterpret_cast<HDC>(1);
TWindowPort* gRebind = nullptr;

LRESULT LookingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == kLook) {
    gContextSeen = GetPortDC();
    if (gRebind != nullptr) BindPortToWindow(gRebind);
    return 0;
  }
  return DefWindowProc(window, message, wParam, lParam);
}

class ApplicationChainTest : public ::testing::Test {
 protected:
  void SetUp() override {
    stream_ = std::tmpfile();
    ResetWindowSystem();
    UseVirtualClock(1000);
    app_ = std::make_unique<TApp>(stream_);
    app_->LoadResourceDlls();
    app_->InitUnits();
  }
  void TearDown() override {
    gRebind = nullptr;
    ReleaseBoundPortContext();
    app_->TermUnits();
    app_->FreeResourceDlls();
    app_.reset();
    ResetWindowSystem();
    UseProcessClock();
    std::fclose(stream_);
  }
  HWND MakeWindow() {
    WNDCLASS windowClass;
    windowClass.lpfnWndProc = LookingProc;
    windowClass.lpszClassName = "ChainLooking";
    RegisterClass(&windowClass);
    return CreateWindowEx(0, "ChainLooking", "look", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 10, 10,
                          200, 150, nullptr, nullptr, nullptr);
  }

  std::FILE* stream_ = nullptr;
  std::unique_ptr<TApp> app_;
};

TEST_F(ApplicationChainTest, AnswersAsTheProgramsApplicationOverTheMacintoshOneWithAnEmptyChain) {
  EXPECT_EQ(app_->GetClassIDAt(0), 473);
  EXPECT_EQ(app_->GetClassIDAt(1), 293);
  EXPECT_TRUE(app_->IsMemberClass(473));
  EXPECT_TRUE(app_->IsMemberClass(293));
  EXPECT_TRUE(app_->IsMemberClass(TTargetHandler::kClassID));
  EXPECT_FALSE(app_->IsMemberClass(294));
  EXPECT_STREQ(app_->GetRuntimeClass()->m_lpszClassName, "TQVApp");
  EXPECT_TRUE(app_->IsKindOf(RUNTIME_CLASS(TMacApplication)));
  EXPECT_TRUE(app_->IsKindOf(RUNTIME_CLASS(CWinApp)));
  EXPECT_EQ(CWinApp::Current(), app_.get());
  EXPECT_EQ(TCommandHandler::Application(), app_.get());
  // Until start-up makes the application's own handler the target, the chain is empty.
  EXPECT_EQ(app_->GetTarget(), nullptr);
  EXPECT_EQ(app_->Ready(), 0);
  const HWND viewer = GetClipboardViewer();
  app_->InitMacApp();
  EXPECT_EQ(app_->GetTarget(), app_.get());
  EXPECT_EQ(app_->Ready(), 1);
  EXPECT_EQ(app_->TrackHysteresisH(), 5);
  EXPECT_EQ(app_->TrackHysteresisV(), 5);
  EXPECT_TRUE(app_->OwnClipboardViewIsCurrent());
  // The own view is a clipboard view without a window, so it stays out of the viewer chain.
  auto* own = dynamic_cast<TClipboardView*>(app_->OwnClipboardView());
  ASSERT_NE(own, nullptr);
  EXPECT_EQ(own->GetWindowHandle(), nullptr);
  EXPECT_EQ(GetClipboardViewer(), viewer);
}

TEST_F(ApplicationChainTest, TheOldTargetAndTheNewOneAreToldAndTheMenusSetUpAgain) {
  std::vector<std::string> log;
  TWatchingHandler first("first", log);
  TWatchingHandler second("second", log);
  app_->SetTarget(&first);
  MarkMenusSetUp();
  app_->SetTarget(&second);
  EXPECT_TRUE(MenusNeedSetup());
  MarkMenusSetUp();
  app_->SetTarget(&second);  // the same target again: nobody is told, nothing to set up
  EXPECT_FALSE(MenusNeedSetup());
  EXPECT_EQ(log, (std::vector<std::string>{"first 01", "first 10", "second 01"}));
  app_->SetTarget(nullptr);
}

TEST_F(ApplicationChainTest, CommandsTheApplicationDoesNotMakeAndTheMenuSetUpReachItsWindowlessHandlers) {
  std::vector<std::string> log;
  TListeningHandler scripts(log);
  app_->InstallIdleHandler(&scripts, true);
  // The application's own command is made without asking the handler.
  std::unique_ptr<TCommandCore> own(app_->DoMenuCommand(1));
  EXPECT_NE(own, nullptr);
  EXPECT_EQ(app_->DoMenuCommand(5503), nullptr);
  app_->SetupTheMenus();
  EXPECT_EQ(log, (std::vector<std::string>{"command 5503", "setup"}));
  app_->InstallIdleHandler(&scripts, false);
  log.clear();
  EXPECT_EQ(app_->DoMenuCommand(5503), nullptr);
  EXPECT_TRUE(log.empty());
}

TEST_F(ApplicationChainTest, ThePumpGivesThePortContextBackWhileAMessageIsHandled) {
  const HWND window = MakeWindow();
  TWindowPort port;
  InitWindowPort(&port, window);
  BindPortToWindow(&port);
  const HDC before = GetPortDC();
  ASSERT_NE(before, nullptr);
  const HGDIOBJ pen = GetCurrentObject(before, OBJ_PEN);

  PostMessage(window, kLook, 0, 0);
  ASSERT_TRUE(app_->PumpMessage());
  EXPECT_EQ(gContextSeen, nullptr);
  // Taken again for the same window, with the pen that was selected.
  ASSERT_NE(GetPortDC(), nullptr);
  EXPECT_EQ(GetPortWindow(), window);
  EXPECT_EQ(GetCurrentObject(GetPortDC(), OBJ_PEN), pen);

  // A handler that binds the port itself keeps its own context.
  gRebind = &port;
  PostMessage(window, kLook, 0, 0);
  ASSERT_TRUE(app_->PumpMessage());
  EXPECT_NE(GetPortDC(), nullptr);
  EXPECT_NE(GetCurrentObject(GetPortDC(), OBJ_PEN), pen);
}

TEST_F(ApplicationChainTest, TheCursorRegionFollowsTheMouseAndANewTargetEmptiesIt) {
  std::vector<std::string> log;
  TWatchingHandler other("other", log);
  InjectMouseMove(POINT{40, 30});
  EXPECT_FALSE(app_->AdjustCursorAtIdle());
  auto contains = [this](int16_t h, int16_t v) {
    MacPoint point;
    point.h = h;
    point.v = v;
    return RegionContainsPoint(point.Packed(), app_->CursorRegion());
  };
  EXPECT_TRUE(contains(40, 30));
  EXPECT_FALSE(contains(41, 30));
  InjectMouseMove(POINT{41, 30});
  app_->AdjustCursorAtIdle();
  EXPECT_TRUE(contains(41, 30));
  EXPECT_FALSE(contains(40, 30));
  app_->SetTarget(&other);
  EXPECT_TRUE(RegionIsEmpty(app_->CursorRegion()));
  app_->SetTarget(nullptr);
}

TEST_F(ApplicationChainTest, QuittingIsSetOnlyWhenEveryDocumentMayBeGivenUp) {
  app_->AddDocTemplate(
      std::make_unique<CDocTemplate>(1, RUNTIME_CLASS(CDocument), nullptr, nullptr));
  CDocument changed;
  app_->FirstDocTemplate()->AddDocument(&changed);
  changed.SetModifiedFlag();
  SetIdleScript([] {
    if (GetMessageBoxWindow() == nullptr) return false;
    InjectKeyStroke(VK_ESCAPE);
    return true;
  });
  EXPECT_FALSE(app_->SaveAllModified());
  EXPECT_EQ(app_->Quitting(), 0);
  changed.SetModifiedFlag(FALSE);
  EXPECT_TRUE(app_->SaveAllModified());
  EXPECT_EQ(app_->Quitting(), 1);
  SetIdleScript(nullptr);
}

}  // namespace
