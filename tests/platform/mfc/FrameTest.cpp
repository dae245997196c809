// Frames, views and documents over the window layer: a template makes a document frame inside
// the main frame's MDI client, the view joins its document, commands and menu updates travel
// from the frame to the view, and every object goes with its window.

#include <gtest/gtest.h>

#include <vector>

#include "platform/mfc/CDocument.h"
#include "platform/mfc/CFrameWnd.h"
#include "platform/mfc/CView.h"
#include "platform/win32/Accelerator.h"
#include "platform/win32/Clock.h"
#include "platform/win32/Input.h"
#include "platform/win32/Menu.h"
#include "platform/win32/Message.h"
#include "platform/win32/Window.h"

namespace {

std::vector<std::string>& Events() {
  static std::vector<std::string> events;
  return events;
}

class TestView : public CView {
  DECLARE_DYNCREATE(TestView)

 public:
  ~TestView() override { Events().push_back("view deleted"); }
  void OnDraw(CDC* dc) override { Events().push_back(dc->GetSafeHdc() ? "drawn" : "no dc"); }
  BOOL OnCmdMsg(UINT id, int32_t code, void* extra) override {
    // 76 is performed here but has no update handler.
    if (id == 76) return code == CN_COMMAND;
    if (id != 77) return CView::OnCmdMsg(id, code, extra);
    if (code == CN_COMMAND && extra == nullptr) Events().push_back("command 77");
    if (code == CN_UPDATE_COMMAND_UI) {
      static_cast<CCmdUI*>(extra)->Enable(FALSE);
      static_cast<CCmdUI*>(extra)->SetCheck(1);
    }
    return TRUE;
  }
};
IMPLEMENT_DYNCREATE(TestView, CView)

class TestChild : public CMDIChildWnd {
  DECLARE_DYNCREATE(TestChild)

 public:
  ~TestChild() override { Events().push_back("frame deleted"); }
};
IMPLEMENT_DYNCREATE(TestChild, CMDIChildWnd)

class TestDocument : public CDocument {};

class FrameTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetWindowSystem();
    UseVirtualClock(1000);
    Events().clear();
    main_ = new CMDIFrameWnd;
    const RECT rect{0, 0, 800, 600};
    ASSERT_TRUE(main_->Create(nullptr, "Main", WS_OVERLAPPEDWINDOW | WS_VISIBLE, rect, nullptr,
                              nullptr, 0, nullptr));
    SetMainFrame(main_);
    document_.SetTitle("spring.yb");
    docTemplate_.AddDocument(&document_);
  }
  void TearDown() override {
    ResetWindowSystem();  // the frames delete themselves with their windows
    CWnd::DeleteTempMap();
    UseProcessClock();
  }
  CMDIFrameWnd* main_ = nullptr;
  CDocTemplate docTemplate_{1, nullptr, RUNTIME_CLASS(TestChild), RUNTIME_CLASS(TestView)};
  TestDocument document_;
};

TEST_F(FrameTest, TemplateMakesADocumentFrameInsideTheMainFrameWithAViewOfTheDocument) {
  CFrameWnd* frame = docTemplate_.CreateNewFrame(&document_, nullptr);
  ASSERT_NE(frame, nullptr);
  EXPECT_EQ(GetParent(frame->m_hWnd), main_->m_hWndMDIClient);
  EXPECT_EQ(frame->GetWindowText(), "spring.yb");
  ASSERT_EQ(document_.GetViews().size(), 1u);
  CView* view = document_.GetViews()[0];
  EXPECT_EQ(view->GetDocument(), &document_);
  EXPECT_EQ(view->GetDlgCtrlID(), static_cast<int32_t>(AFX_IDW_PANE_FIRST));
  EXPECT_EQ(view->GetParentFrame(), frame);
  EXPECT_EQ(frame->GetActiveView(), view);
  // The view fills the frame's client area.
  RECT client, pane;
  frame->GetClientRect(&client);
  view->GetClientRect(&pane);
  EXPECT_EQ(pane.right, client.right);
  EXPECT_EQ(pane.bottom, client.bottom);
  // It paints through OnDraw.
  frame->ShowWindow(SW_SHOW);
  view->Invalidate();
  view->UpdateWindow();
  EXPECT_NE(std::find(Events().begin(), Events().end(), "drawn"), Events().end());

  frame->DestroyWindow();
  EXPECT_TRUE(document_.GetViews().empty());
  EXPECT_NE(std::find(Events().begin(), Events().end(), "view deleted"), Events().end());
  EXPECT_EQ(Events().back(), "frame deleted");
}

TEST_F(FrameTest, CommandsAndMenuUpdatesReachTheActiveViewThroughTheFrames) {
  CFrameWnd* frame = docTemplate_.CreateNewFrame(&document_, nullptr);
  ASSERT_NE(frame, nullptr);
  frame->ShowWindow(SW_SHOW);
  static_cast<CMDIChildWnd*>(frame)->MDIActivate();
  EXPECT_EQ(main_->MDIGetActive(), frame);

  main_->SendMessage(WM_COMMAND, 77, 0);
  ASSERT_FALSE(Events().empty());
  EXPECT_EQ(Events().back(), "command 77");

  HMENU menu = CreatePopupMenu();
  AppendMenu(menu, MF_STRING, 77, "Seventy-seven");
  AppendMenu(menu, MF_STRING, 78, "Nobody's");
  AppendMenu(menu, MF_STRING, 76, "Performed only");
  const size_t eventsBefore = Events().size();
  main_->SendMessage(WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(menu), 0);
  EXPECT_EQ(GetMenuState(menu, 77, MF_BYCOMMAND) & (MF_GRAYED | MF_CHECKED),
            MF_GRAYED | MF_CHECKED);
  // A command that no target answers is greyed; one that is answered stays enabled, and asking
  // performs nothing.
  EXPECT_EQ(GetMenuState(menu, 78, MF_BYCOMMAND) & (MF_GRAYED | MF_CHECKED), MF_GRAYED);
  EXPECT_EQ(GetMenuState(menu, 76, MF_BYCOMMAND) & MF_GRAYED, 0u);
  EXPECT_EQ(Events().size(), eventsBefore);
  // With automatic enabling off nothing is greyed for want of a handler.
  EnableMenuItem(menu, 78, MF_BYCOMMAND | MF_ENABLED);
  main_->m_bAutoMenuEnable = FALSE;
  main_->SendMessage(WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(menu), 0);
  EXPECT_EQ(GetMenuState(menu, 78, MF_BYCOMMAND) & MF_GRAYED, 0u);
  DestroyMenu(menu);
}

TEST_F(FrameTest, AcceleratorsOfAFrameTurnKeysIntoCommands) {
  CFrameWnd* frame = docTemplate_.CreateNewFrame(&document_, nullptr);
  ASSERT_NE(frame, nullptr);
  static_cast<CMDIChildWnd*>(frame)->MDIActivate();
  const ACCEL entry{FVIRTKEY, 'K', 77};
  main_->SetAccelerators(CreateAcceleratorTable(&entry, 1));
  MSG key = StampMessage(frame->GetActiveView()->m_hWnd, WM_KEYDOWN, 'K', 0);
  EXPECT_TRUE(main_->PreTranslateMessage(&key));
  EXPECT_EQ(Events().back(), "command 77");
  MSG other = StampMessage(frame->GetActiveView()->m_hWnd, WM_KEYDOWN, 'J', 0);
  EXPECT_FALSE(main_->PreTranslateMessage(&other));
}

TEST_F(FrameTest, AFrameThatCannotBeMadeLeavesNothingBehind) {
  SetMainFrame(nullptr);  // no MDI client to go into
  EXPECT_EQ(docTemplate_.CreateNewFrame(&document_, nullptr), nullptr);
  EXPECT_EQ(Events(), std::vector<std::string>{"frame deleted"});
  EXPECT_TRUE(document_.GetViews().empty());
}

TEST_F(FrameTest, HandleMapFindsTheObjectAndOwnerFallsBackToTheParent) {
  CFrameWnd* frame = docTemplate_.CreateNewFrame(&document_, nullptr);
  ASSERT_NE(frame, nullptr);
  CView* view = frame->GetActiveView();
  EXPECT_EQ(CWnd::FromHandlePermanent(view->m_hWnd), view);
  EXPECT_EQ(view->GetOwner(), frame);
  view->SetOwner(main_);
  EXPECT_EQ(view->GetOwner(), main_);
  // A window made without an object gets a temporary one that does not own it.
  const HWND client = main_->m_hWndMDIClient;
  CWnd* temporary = CWnd::FromHandle(client);
  ASSERT_NE(temporary, nullptr);
  EXPECT_EQ(CWnd::FromHandlePermanent(client), nullptr);
  CWnd::DeleteTempMap();
  EXPECT_TRUE(IsWindow(client));
}

TEST_F(FrameTest, AFrameClosedFromInsideItsOwnMessageIsGoneCleanly) {
  CFrameWnd* frame = docTemplate_.CreateNewFrame(&document_, nullptr);
  ASSERT_NE(frame, nullptr);
  const HWND window = frame->m_hWnd;
  // The close box: the system command closes, the close destroys, all inside one message.
  ::SendMessage(window, WM_SYSCOMMAND, SC_CLOSE, 0);
  EXPECT_FALSE(IsWindow(window));
  EXPECT_EQ(Events().back(), "frame deleted");
}

}  // namespace
