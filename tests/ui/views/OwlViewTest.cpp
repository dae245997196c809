// The view windows turn window messages into calls on their views: clicks make commands that
// are performed at once (a double click's are queued), sizes and moves reach the view only when
// they change something, closing a document window asks the main frame, and the clipboard-viewer
// chain and the end-of-session question are answered.

#include "platform/win32/Clipboard.h"
#include "platform/win32/Input.h"
#include "platform/win32/WindowPlacement.h"
#include "tests/ui/views/ViewTestSupport.h"

namespace view_test {
namespace {

// A command that notes whether a click started it when it is performed.
class TClickCommand : public TSmallCommand {
 public:
  TClickCommand() { InitCommand(600, nullptr, nullptr, nullptr); }
  void Perform() override {
    Log().push_back(IsStartedByClick() ? "performed from a click" : "performed");
  }
};

class TClickView : public TTestView {
 public:
  using TTestView::TTestView;
  TCommandCore* DoMouseCommand(const MacPoint& point, TMouseEvent* event, int32_t hint) override {
    delete TTestView::DoMouseCommand(point, event, hint);
    return new TClickCommand;
  }
  void Resize(int32_t width, int32_t height, bool invalidate) override {
    ++resizes;
    TTestView::Resize(width, height, invalidate);
  }
  void MoveTo(int32_t h, int32_t v, bool invalidate) override {
    ++moves;
    TTestView::MoveTo(h, v, invalidate);
  }
  int32_t resizes = 0;
  int32_t moves = 0;
};

using OwlViewTest = ViewTest;

TEST_F(OwlViewTest, ASyntheticClickReachesTheViewAndItsCommandIsPerformedAtOnce) {
  auto* view = Place<TClickView>(root_, "target", 30, 40, 100, 60);
  root_->Activate(true);
  InjectClick(view->GetWindowHandle(), POINT{12, 7});
  Pump();
  EXPECT_EQ(view->lastClicks, 1);
  EXPECT_EQ(view->lastPoint.h, 12);
  EXPECT_EQ(view->lastPoint.v, 7);
  ASSERT_FALSE(Log().empty());
  EXPECT_NE(std::find(Log().begin(), Log().end(), "performed from a click"), Log().end());
  EXPECT_EQ(application_->GetNextCommand(), nullptr);
}

TEST_F(OwlViewTest, ModifierKeysAndDoubleClicksAreInTheEventAndDoubleClicksAreQueued) {
  auto* view = Place<TClickView>(root_, "target", 30, 40, 100, 60);
  const HWND window = view->GetWindowHandle();
  SendMessage(window, WM_LBUTTONDOWN, MK_LBUTTON | MK_CONTROL, MAKELPARAM(3, 4));
  EXPECT_EQ(view->lastControl, 2);  // both control flags
  EXPECT_EQ(view->lastShift, 0);
  SendMessage(window, WM_LBUTTONDOWN, MK_LBUTTON | MK_SHIFT, MAKELPARAM(3, 4));
  EXPECT_EQ(view->lastControl, 0);
  EXPECT_EQ(view->lastShift, 1);

  Log().clear();
  SendMessage(window, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(3, 4));
  EXPECT_EQ(view->lastClicks, 2);
  EXPECT_EQ(std::count(Log().begin(), Log().end(), "performed"), 0);
  TCommandCore* queued = application_->GetNextCommand();
  ASSERT_NE(queued, nullptr);
  EXPECT_EQ(queued->GetMousePoint().h, 3);
  EXPECT_FALSE(queued->IsStartedByClick());
  application_->PerformNextQueued();
  EXPECT_EQ(Log().back(), "performed");
}

TEST_F(OwlViewTest, SizeAndMoveReachTheViewOnlyWhenTheyChangeSomething) {
  auto* view = Place<TClickView>(root_, "target", 30, 40, 100, 60);
  const HWND window = view->GetWindowHandle();
  SendMessage(window, WM_SIZE, SIZE_RESTORED, MAKELPARAM(100, 60));
  SendMessage(window, WM_MOVE, 0, MAKELPARAM(30, 40));
  EXPECT_EQ(view->resizes, 0);
  EXPECT_EQ(view->moves, 0);
  MoveWindow(window, 35, 45, 110, 70, TRUE);
  EXPECT_EQ(view->resizes, 1);
  EXPECT_EQ(view->moves, 1);
  EXPECT_EQ(view->GetStoredSize(), (TViewPoint{110, 70}));
  EXPECT_EQ(view->GetLocation(), (TViewPoint{35, 45}));
  // Negative positions arrive as signed values.
  MoveWindow(window, -5, -8, 110, 70, TRUE);
  EXPECT_EQ(view->GetLocation(), (TViewPoint{-5, -8}));
}

TEST_F(OwlViewTest, IdentifiersStylesAndTheDocumentWindowRectangle) {
  auto* first = new TOwlView;
  auto* second = new TOwlView;
  const RECT area{0, 0, 10, 10};
  (void)area;
  ASSERT_TRUE(first->CreateView(nullptr, host_));
  auto* document = new TOwlWindow(host_, "Untitled", nullptr, TViewPoint{10, 20},
                                  TViewPoint{300, 200});
  EXPECT_EQ(document->GetRect().left, 10);
  EXPECT_EQ(document->GetRect().top, 20);
  EXPECT_EQ(document->GetRect().right, 310);  // x + width
  EXPECT_EQ(document->GetRect().bottom, 220);  // y + height
  ASSERT_TRUE(document->CreateView(nullptr, host_));
  ASSERT_TRUE(second->CreateView(nullptr, host_));
  EXPECT_EQ(GetDlgCtrlID(second->m_hWnd), GetDlgCtrlID(first->m_hWnd) + 1);
  EXPECT_EQ(GetDlgCtrlID(document->m_hWnd), 0xE900);
  EXPECT_EQ(static_cast<DWORD>(GetWindowLongPtr(first->m_hWnd, GWL_STYLE)), 0x56000000u);
  EXPECT_EQ(static_cast<DWORD>(GetWindowLongPtr(document->m_hWnd, GWL_STYLE)), 0x46000000u);
  EXPECT_TRUE(document->IsMemberClass(337));
  EXPECT_TRUE(document->IsMemberClass(339));
  EXPECT_EQ(document->GetClassIDAt(1), 339);
  EXPECT_STREQ(document->GetClassName(), "TOwlWindow");
}

LRESULT RecordCommand(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_COMMAND) Log().push_back("main frame command " + std::to_string(wParam));
  return DefWindowProc(window, message, wParam, lParam);
}

TEST_F(OwlViewTest, ClosingADocumentWindowAsksTheMainFrameAndDestroysNothing) {
  WNDCLASS frameClass;
  frameClass.lpfnWndProc = RecordCommand;
  frameClass.lpszClassName = "MainFrameStandIn";
  RegisterClass(&frameClass);
  const HWND main = CreateWindowEx(0, "MainFrameStandIn", "", WS_POPUP, 0, 0, 10, 10, nullptr,
                                   nullptr, nullptr);
  application_->SetMainFrame(main);
  const HWND window = root_->GetWindowHandle();
  SendMessage(window, WM_CLOSE, 0, 0);
  EXPECT_TRUE(IsWindow(window));
  ASSERT_FALSE(Log().empty());
  EXPECT_EQ(Log().back(), "main frame command 31");
}

TEST_F(OwlViewTest, EndOfSessionFollowsTheWindowObjectsConsent) {
  auto* view = Place<TClickView>(root_, "target", 30, 40, 100, 60);
  EXPECT_EQ(SendMessage(root_->GetWindowHandle(), WM_QUERYENDSESSION, 0, 0), TRUE);
  // A view window asks its owner, the document window, whose object is closable.
  EXPECT_EQ(SendMessage(view->GetWindowHandle(), WM_QUERYENDSESSION, 0, 0), TRUE);
  auto* lone = new TOwlView;
  ASSERT_TRUE(lone->CreateView(nullptr, host_));
  EXPECT_EQ(SendMessage(lone->m_hWnd, WM_QUERYENDSESSION, 0, 0), TRUE);  // no view
  // A view window whose owner is not a view window has nothing against it.
  auto* stray = new TTestView("stray");
  lone->SetView(stray);
  stray->SetWindow(lone);
  EXPECT_EQ(SendMessage(lone->m_hWnd, WM_QUERYENDSESSION, 0, 0), TRUE);
}

class TNotClosable : public TOwlSubview {};

TEST_F(OwlViewTest, AWindowObjectThatMayNotCloseRefusesTheEndOfTheSession) {
  auto* window = new TOwlWindow(host_, "doc", nullptr, TViewPoint{0, 0}, TViewPoint{100, 100});
  ASSERT_TRUE(window->CreateView(nullptr, host_));
  auto port = std::make_unique<TWindowPort>();
  InitWindowPort(port.get(), window->m_hWnd);
  auto* object = new TOwlSubview;
  object->IOwlView(nullptr, std::move(port), true, false, true);
  EXPECT_EQ(SendMessage(window->m_hWnd, WM_QUERYENDSESSION, 0, 0), FALSE);
}

TEST_F(OwlViewTest, AWindowObjectIsRecordedInItsPortAsItsView) {
  auto* window = new TOwlWindow(host_, "doc", nullptr, TViewPoint{0, 0}, TViewPoint{100, 100});
  ASSERT_TRUE(window->CreateView(nullptr, host_));
  auto* object = new TOwlSubview;
  auto port = std::make_unique<TWindowPort>();
  port->view = object;  // left over from an earlier use
  InitWindowPort(port.get(), window->m_hWnd);
  EXPECT_EQ(port->view, nullptr) << "a port starts without a view";
  object->IOwlView(nullptr, std::move(port), true, true, true);
  ASSERT_NE(object->GetPort(), nullptr);
  EXPECT_EQ(object->GetPort()->view, static_cast<TWrappedView*>(object));

  TWindowPort other;
  TOwlView::SetPortView(&other, object);
  EXPECT_EQ(other.view, static_cast<TWrappedView*>(object));
  TOwlView::SetPortView(&other, nullptr);
  EXPECT_EQ(other.view, nullptr);
  TOwlView::SetPortView(nullptr, object);  // no port: nothing to record
}

TEST_F(OwlViewTest, ViewWindowsKeepTheClipboardViewerChainWhole) {
  auto* first = Place(root_, "first", 0, 0, 50, 50);
  auto* second = Place(root_, "second", 60, 0, 50, 50);
  static_cast<TOwlView*>(first->GetMFCWindow())->JoinClipboardViewerChain();
  auto* secondWindow = static_cast<TOwlView*>(second->GetMFCWindow());
  secondWindow->JoinClipboardViewerChain();
  EXPECT_EQ(secondWindow->GetNextClipboardViewer(), first->GetWindowHandle());

  Pump();
  OpenClipboard(nullptr);
  EmptyClipboard();
  SetClipboardData(CF_TEXT, GlobalAlloc(GHND, 2));
  CloseClipboard();
  EXPECT_EQ(UpdateBox(first->GetWindowHandle()).right, 50);
  EXPECT_EQ(UpdateBox(second->GetWindowHandle()).right, 50);

  // The first leaves as its window goes: the second links past it without passing it on.
  delete first;
  EXPECT_EQ(secondWindow->GetNextClipboardViewer(), nullptr);
  EXPECT_EQ(GetClipboardViewer(), second->GetWindowHandle());
  delete second;
  EXPECT_EQ(GetClipboardViewer(), nullptr);
}

// A view whose click closes the window it is in.
class TClosingView : public TTestView {
 public:
  using TTestView::TTestView;
  TCommandCore* DoMouseCommand(const MacPoint&, TMouseEvent*, int32_t) override {
    return GetWindowObject()->DoMenuCommand(TOwlSubview::kCloseWindowCommand);
  }
};

TEST_F(OwlViewTest, AClickWhoseCommandClosesTheWindowEndsCleanly) {
  auto* view = Place<TClosingView>(root_, "closer", 10, 10, 50, 50);
  root_->Activate(true);
  const HWND rootWindow = root_->GetWindowHandle();
  SendMessage(view->GetWindowHandle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
  EXPECT_FALSE(IsWindow(rootWindow));
}

}  // namespace
}  // namespace view_test
