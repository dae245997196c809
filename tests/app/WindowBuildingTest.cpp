// Windows built by kind inside the main frame: each kind gets its frame, its window object and
// its shown state, the pending kind ends at 0, clipboard windows join the viewer chain, and a
// kind that is not built makes nothing. Then the sample world, opened as the program opens it,
// shows in a document frame whose view paints and takes clicks, and closes by its window object.

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>

#include "app/OpenDocument.h"
#include "app/TApp.h"
#include "app/frames/ChildFrame.h"
#include "app/frames/DocumentWindows.h"
#include "app/frames/MainFrame.h"
#include "app/services/ClipboardView.h"
#include "core/Failure.h"
#include "core/port/Port.h"
#include "core/port/WindowBinding.h"
#include "platform/win32/Clipboard.h"
#include "platform/win32/Clock.h"
#include "platform/win32/DcDraw.h"
#include "platform/win32/GdiObjects.h"
#include "platform/win32/Input.h"
#include "platform/win32/Mdi.h"
#include "platform/win32/Message.h"
#include "platform/win32/RegionGdi.h"
#include "platform/win32/Window.h"
#include "platform/win32/WindowDc.h"
#include "platform/win32/WindowPaint.h"
#include "platform/win32/WindowPlacement.h"
#include "platform/win32/WindowPresenter.h"
#include "tools/samples/SampleWorlds.h"
#include "ui/views/MouseEvent.h"
#include "ui/views/OwlSubview.h"
#include "ui/views/OwlView.h"
#include "ui/views/ViewServices.h"
#include "ui/views/WindowBuilder.h"
#include "views/offscreen/GroupView.h"

namespace {

std::vector<std::string>& Log() {
  static std::vector<std::string> log;
  return log;
}

class TLoggedCommand : public TSmallCommand {
 public:
  TLoggedCommand() { InitCommand(700, nullptr, nullptr, nullptr); }
  void Perform() override { Log().push_back("command performed"); }
};

// A view that paints itself green and answers clicks with a command.
class TPaintedView : public TWrappedWindow {
 public:
  void Draw(const MacRect&) override {
    const HDC dc = GetPortDC();
    if (!dc) return;
    const RECT all{0, 0, GetStoredSize().h, GetStoredSize().v};
    const HBRUSH brush = CreateSolidBrush(RGB(0, 160, 0));
    FillRect(dc, &all, brush);
    DeleteObject(brush);
  }
  TCommandCore* DoMouseCommand(const MacPoint&, TMouseEvent* event, int32_t) override {
    Log().push_back("clicked " + std::to_string(event ? event->clickCount : 0));
    return new TLoggedCommand;
  }
};

class TPlainDocument : public TWindowDocument {};

class WindowBuildingTest : public ::testing::Test {
 protected:
  void SetUp() override {
    stream_ = std::tmpfile();
    ASSERT_NE(stream_, nullptr);
    ResetWindowSystem();
    UseVirtualClock(1000);
    app_ = std::make_unique<TApp>(stream_);
    app_->LoadResourceDlls();
    app_->InitUnits();
    InstallWindowBinding();
    Log().clear();
    main_ = new CMainFrame;
    ASSERT_TRUE(main_->CreateMainWindow());
    ShowWindow(main_->m_hWnd, SW_SHOW);
    InstallWindowLayer(main_);
    app_->Commands().SetMainFrame(main_->m_hWnd);
    documents_ = std::make_unique<TDocumentWindows>();
    documents_->Template().AddDocument(&document_);
    document_.SetTitle("plain.yb");
  }
  void TearDown() override {
    ResetWindowSystem();
    CWnd::DeleteTempMap();
    documents_.reset();
    SetCurrentPort(GetGlobalPort());
    TWrappedWindow::FocusedView() = nullptr;
    SetCurrentWrappedView(nullptr);
    app_->TermUnits();
    app_->FreeResourceDlls();
    app_.reset();
    UseProcessClock();
    std::fclose(stream_);
  }
  HWND Client() const { return main_->m_hWndMDIClient; }
  int32_t ClientChildren() const {
    int32_t count = 0;
    for (HWND child = GetTopWindow(Client()); child; child = GetWindow(child, GW_HWNDNEXT)) ++count;
    return count;
  }
  void Pump() {
    MSG message;
    int32_t count = 0;
    while (PeekMessage(&message, nullptr, 0, 0, PM_REMOVE) && ++count < 10000)
      DispatchMessage(&message);
  }
  static RECT UpdateBox(HWND window) {
    HRGN region = CreateRectRgn(0, 0, 0, 0);
    GetUpdateRgn(window, region, FALSE);
    RECT box;
    GetRgnBox(region, &box);
    DeleteObject(region);
    return box;
  }

  std::FILE* stream_ = nullptr;
  std::unique_ptr<TApp> app_;
  CMainFrame* main_ = nullptr;
  std::unique_ptr<TDocumentWindows> documents_;
  TPlainDocument document_;
};

TEST_F(WindowBuildingTest, EachKindGetsItsFrameWindowObjectAndShownState) {
  struct Expected {
    int32_t kind;
    bool inFrame;
    bool group;
    bool shown;
  };
  for (const Expected& expected : {Expected{kDocumentWindowKind, true, true, true},
                                   Expected{kPlainDocumentWindowKind, true, false, true},
                                   Expected{kHiddenDocumentWindowKind, true, true, false},
                                   Expected{kClipboardWindowKind, false, false, false},
                                   Expected{kHiddenGroupWindowKind, false, true, false}}) {
    SCOPED_TRACE(expected.kind);
    TOwlSubview* object = OpenWindow(expected.kind, &document_);
    ASSERT_NE(object, nullptr);
    EXPECT_EQ(PendingWindowKind(), 0);
    EXPECT_EQ(document_.OpeningField(), 0);
    TOwlView* window = object->GetWindow();
    ASSERT_NE(window, nullptr);
    EXPECT_NE(dynamic_cast<TOwlWindow*>(window), nullptr);
    EXPECT_EQ(object->IsMemberClass(TGroupView::kClassID), expected.group);
    const auto style = static_cast<DWORD>(GetWindowLongPtr(window->m_hWnd, GWL_STYLE));
    EXPECT_EQ((style & WS_VISIBLE) != 0, expected.shown);
    EXPECT_EQ(object->GetNextHandler(), document_.HandlerPart());
    const HWND parent = GetParent(window->m_hWnd);
    if (expected.inFrame) {
      auto* frame = dynamic_cast<CChildFrame*>(CWnd::FromHandlePermanent(parent));
      ASSERT_NE(frame, nullptr);
      EXPECT_EQ(frame->WindowObject(), object);
      EXPECT_EQ(GetParent(frame->m_hWnd), Client());
      EXPECT_EQ(document_.GetWindowFrame(), frame);
      EXPECT_EQ(frame->GetWindowText(), "plain.yb");
    } else {
      EXPECT_EQ(parent, Client());
    }
  }
}

TEST_F(WindowBuildingTest, KindsThatAreNotBuiltHereMakeNothing) {
  const int32_t before = ClientChildren();
  EXPECT_EQ(OpenWindow(kExportWindowKind, nullptr), nullptr);
  EXPECT_EQ(OpenWindow(4242, &document_), nullptr);
  EXPECT_EQ(PendingWindowKind(), 0);
  TPlainDocument orphan;  // no template: no frame
  EXPECT_EQ(OpenWindow(kDocumentWindowKind, &orphan), nullptr);
  EXPECT_EQ(ClientChildren(), before);
}

TEST_F(WindowBuildingTest, TwoClipboardWindowsBothRepaintWhenTheClipboardChanges) {
  TOwlSubview* first = OpenWindow(kClipboardWindowKind, &document_);
  TOwlSubview* second = OpenWindow(kClipboardWindowKind, &document_);
  ASSERT_NE(first, nullptr);
  ASSERT_NE(second, nullptr);
  // Each window object holds a clipboard view of 200 by 200 whose window is in the chain.
  const auto viewOf = [](TOwlSubview* object) {
    return object->CountSubviews() == 0
               ? nullptr
               : dynamic_cast<TClipboardView*>(object->SubviewAt(object->CountSubviews() - 1));
  };
  TClipboardView* const views[] = {viewOf(first), viewOf(second)};
  ASSERT_NE(views[0], nullptr);
  ASSERT_NE(views[1], nullptr);
  EXPECT_TRUE(views[1]->IsMemberClass(341));
  RECT client;
  GetClientRect(views[1]->GetWindowHandle(), &client);
  EXPECT_EQ(client.right, 200);
  EXPECT_EQ(client.bottom, 200);
  EXPECT_EQ(GetClipboardViewer(), views[1]->GetWindowHandle());
  EXPECT_EQ(views[1]->GetWindow()->GetNextClipboardViewer(), views[0]->GetWindowHandle());
  for (TOwlSubview* object : {first, second}) {
    ShowWindow(object->GetWindowHandle(), SW_SHOW);
    ValidateRect(viewOf(object)->GetWindowHandle(), nullptr);
  }
  OpenClipboard(nullptr);
  EmptyClipboard();
  SetClipboardData(CF_TEXT, GlobalAlloc(GHND, 2));
  CloseClipboard();
  for (TOwlSubview* object : {first, second}) {
    const HWND window = viewOf(object)->GetWindowHandle();
    const RECT box = UpdateBox(window);
    EXPECT_GT(box.right - box.left, 0);
    UpdateWindow(window);
    // Text is offered in the OEM form as well, which comes first.
    EXPECT_EQ(viewOf(object)->LastFormat(), static_cast<int32_t>(CF_OEMTEXT));
    EXPECT_EQ(GetWindowTextString(object->GetWindowHandle()), "Clipboard -- OEMTEXT");
  }
}

TEST_F(WindowBuildingTest, AMaximisedDocumentFrameKeepsItsWindowObjectAtLeastAtItsMinimum) {
  const MacRect saved = TOwlSubview::DefaultLimits();
  TOwlSubview::DefaultLimits().top = 2000;   // minimum height
  TOwlSubview::DefaultLimits().left = 1900;  // minimum width
  TOwlSubview* object = OpenWindow(kDocumentWindowKind, &document_);
  TOwlSubview::DefaultLimits() = saved;
  ASSERT_NE(object, nullptr);
  auto* frame = dynamic_cast<CChildFrame*>(document_.GetWindowFrame());
  ASSERT_NE(frame, nullptr);
  frame->ShowWindow(SW_SHOW);
  frame->MDIMaximize();
  EXPECT_TRUE(IsZoomed(frame->m_hWnd));
  EXPECT_EQ(object->GetStoredSize(), (TViewPoint{1900, 2000}));
  // Its window asks for no less while sizing.
  MINMAXINFO limits = QueryMinMaxInfo(object->GetWindowHandle(), RECT{0, 0, 100, 100});
  EXPECT_GE(limits.ptMinTrackSize.x, 1900);
  EXPECT_GE(limits.ptMinTrackSize.y, 2000);
}

TEST_F(WindowBuildingTest, TheSampleShowsInADocumentFrameThatPaintsTakesClicksAndCloses) {
  TOpenDocumentCommand open(std::string(YB_SAMPLES_DIR) + "/" + sample_worlds::kSpringAndPinFile);
  TOwlSubview* object = nullptr;
  open.OnOpened([&](TQVDoc&) { object = documents_->Open(open.TakeDocument(), open.Path()); });
  app_->Commands().HandleCommand(&open);
  ASSERT_NE(object, nullptr);
  EXPECT_TRUE(object->IsMemberClass(TGroupView::kClassID));
  auto* window = dynamic_cast<TOwlWindow*>(object->GetWindow());
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(window->GetWindowView(), object);
  auto* frame = dynamic_cast<CChildFrame*>(window->GetParentFrame());
  ASSERT_NE(frame, nullptr);
  EXPECT_EQ(frame->GetWindowText(), "spring-and-pin.yb");
  EXPECT_TRUE(IsWindowVisible(window->m_hWnd));
  EXPECT_EQ(main_->MDIGetActive(), frame);
  EXPECT_TRUE(object->IsActive());

  auto* view = new TPaintedView;
  TViewPoint location{20, 30};
  TViewPoint size{60, 40};
  view->InitFromParent(nullptr, object, location, size, 5, 5);
  Pump();
  RECT viewRect;
  GetWindowRect(view->GetWindowHandle(), &viewRect);
  RECT mainRect;
  GetWindowRect(main_->m_hWnd, &mainRect);
  WindowSurface* surface = GetWindowSurface(main_->m_hWnd);
  ASSERT_NE(surface, nullptr);
  const int32_t x = viewRect.left - mainRect.left;
  const int32_t y = viewRect.top - mainRect.top;
  EXPECT_EQ(surface->Pixel(x + 5, y + 5), 0x00A000u);
  EXPECT_EQ(surface->Pixel(x + 59, y + 39), 0x00A000u);
  EXPECT_NE(surface->Pixel(x + 61, y + 5), 0x00A000u);

  InjectClick(view->GetWindowHandle(), POINT{10, 10});
  Pump();
  EXPECT_EQ(Log(), (std::vector<std::string>{"clicked 1", "command performed"}));
  Log().clear();
  SendMessage(view->GetWindowHandle(), WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(10, 10));
  EXPECT_EQ(Log(), (std::vector<std::string>{"clicked 2"}));
  ASSERT_NE(app_->Commands().PeekNextCommand(), nullptr);
  app_->Commands().PerformNextQueued();
  EXPECT_EQ(Log().back(), "command performed");

  // Closing the document window goes through the main frame's close command.
  const HWND frameWindow = frame->m_hWnd;
  SendMessage(window->m_hWnd, WM_CLOSE, 0, 0);
  EXPECT_FALSE(IsWindow(frameWindow));
}

TEST_F(WindowBuildingTest, TheCloseBoxOfADocumentFrameAsksItsWindowObject) {
  class TRefusingDocument : public TWindowDocument {
   public:
    bool MayClose() override { return agrees; }
    bool agrees = false;
  } document;
  documents_->Template().AddDocument(&document);
  TOwlSubview* first = OpenWindow(kDocumentWindowKind, &document_);
  TOwlSubview* second = OpenWindow(kDocumentWindowKind, &document);
  ASSERT_NE(first, nullptr);
  ASSERT_NE(second, nullptr);
  first->SelectWindow();
  // The keyboard goes to the window brought forward.
  const HWND firstFrame = document_.GetWindowFrame()->m_hWnd;
  EXPECT_TRUE(GetFocus() == firstFrame || IsChild(firstFrame, GetFocus()));
  second->SelectWindow();
  const HWND frame = document.GetWindowFrame()->m_hWnd;
  EXPECT_TRUE(GetFocus() == frame || IsChild(frame, GetFocus()));
  first->SelectWindow();
  // The frame of the window that is not current: its own window object decides.
  SendMessage(frame, WM_SYSCOMMAND, SC_CLOSE, 0);
  EXPECT_TRUE(IsWindow(frame));
  EXPECT_EQ(TOwlSubview::CurrentWindow(), second);
  document.agrees = true;
  SendMessage(frame, WM_SYSCOMMAND, SC_CLOSE, 0);
  EXPECT_FALSE(IsWindow(frame));
  EXPECT_TRUE(document.Windows().empty());
  ASSERT_EQ(document_.Windows().size(), 1u);
}

TEST_F(WindowBuildingTest, AWindowThatCannotBeMadeIsOutOfMemoryAndLeavesNoKindPending) {
  TWindowBuilderHooks none;  // the main frame makes no document window
  SetWindowBuilderHooks(none);
  const int32_t before = ClientChildren();
  try {
    OpenWindow(kClipboardWindowKind, &document_);
    ADD_FAILURE() << "no failure was raised";
  } catch (const QVException& failure) {
    EXPECT_EQ(failure.error(), kErrOutOfMemory);
  }
  EXPECT_EQ(PendingWindowKind(), 0);
  EXPECT_EQ(ClientChildren(), before);
  InstallWindowLayer(main_);
}

}  // namespace
