#include "ui/views/OwlView.h"

#include <algorithm>

#include "core/TickCount.h"
#include "model/command/CommandCore.h"
#include "model/command/CommandHandler.h"
#include "platform/mfc/CFrameWnd.h"
#include "platform/win32/Clipboard.h"
#include "platform/win32/Mdi.h"
#include "platform/win32/Message.h"
#include "platform/win32/Window.h"
#include "platform/win32/WindowPaint.h"
#include "platform/win32/WindowPlacement.h"
#include "ui/views/MouseEvent.h"
#include "ui/views/OwlSubview.h"
#include "ui/views/ViewServices.h"
#include "ui/views/WrappedWindow.h"

IMPLEMENT_DYNCREATE(TOwlView, CView)
IMPLEMENT_DYNCREATE(TOwlWindow, TOwlView)

namespace {

// The identifiers of view windows: the first is 0xE901 and the counter never goes back.
UINT NextViewId() {
  static UINT next = TOwlView::kFirstViewId;
  return next++;
}

// The command number of the window-close command that the main frame receives.
constexpr WPARAM kCloseWindowCommand = 31;

// The child that carries the window's view tree and follows its size: the topmost one that is not
// a frame of its own. A world edited in place keeps its frame over the item's place, not over the
// whole window, even while it lies on top.
HWND ContentWindow(HWND window) {
  for (HWND child = ::GetTopWindow(window); child != nullptr;
       child = ::GetWindow(child, GW_HWNDNEXT)) {
    if (dynamic_cast<CFrameWnd*>(CWnd::FromHandlePermanent(child)) == nullptr) return child;
  }
  return nullptr;
}

}  // namespace

TOwlView::TOwlView() = default;

TOwlView::TOwlView(CWnd* parent, const char* title, TWrappedWindow* view,
                   const TViewPoint& position, const TViewPoint& size)
    : rect_{position.h, position.v, position.h + size.h, position.v + size.v},
      view_(view),
      parent_(parent),
      title_(title ? title : "") {}

TOwlView::~TOwlView() {
  if (TWrappedWindow* view = view_) {
    view_ = nullptr;
    view->SetWindow(nullptr);
    delete view;
  }
  // The window is gone by now; its handle still names it in the chain.
  if (viewerWindow_) {
    ChangeClipboardChain(viewerWindow_, nextViewer_);
    viewerWindow_ = nextViewer_ = nullptr;
  }
}

BOOL TOwlView::CreateView(CCreateContext* context, CWnd* parent) {
  if (parent) parent_ = parent;
  const UINT id = NextViewId();
  return Create(nullptr, title_.c_str(), style_, rect_, parent_, id, context);
}

void TOwlView::SetView(TWrappedWindow* view) {
  view_ = view;
}

void TOwlView::SetPortView(TWindowPort* port, TWrappedWindow* view) {
  if (port != nullptr) port->view = view;
}

void TOwlView::ArrangeIcons() {
  SendMessage(WM_MDIICONARRANGE, 0, 0);
}

void TOwlView::Tile() {
  SendMessage(WM_MDITILE, 0, 0);
}

void TOwlView::Cascade() {
  SendMessage(WM_MDICASCADE, 0, 0);
}

void TOwlView::SetRectFromMacRect(const MacRect* rect) {
  if (!rect) return;
  rect_ = RECT{rect->left, rect->top, rect->right, rect->bottom};
}

bool TOwlView::IsChildMaximized() {
  auto* main = dynamic_cast<CMDIFrameWnd*>(GetMainFrame());
  if (!main) return false;
  BOOL maximized = FALSE;
  return main->MDIGetActive(&maximized) != nullptr && maximized;
}

void TOwlView::JoinClipboardViewerChain() {
  if (!m_hWnd || viewerWindow_) return;
  viewerWindow_ = m_hWnd;
  nextViewer_ = SetClipboardViewer(m_hWnd);
}

BOOL TOwlView::QueryEndSession() {
  TWrappedWindow* view = MessageView();
  if (!view) return TRUE;
  if (view->IsMemberClass(TOwlSubview::kClassID))
    return static_cast<TOwlSubview*>(view)->IsClosable() ? TRUE : FALSE;
  // Ask the owner window; one that is not a view window has nothing against it.
  auto* owner = dynamic_cast<TOwlView*>(GetOwner());
  if (!owner || owner == this) return TRUE;
  return owner->QueryEndSession();
}

void TOwlView::OnDraw(CDC*) {
  TWrappedWindow* view = view_;
  if (!view) return;
  BindPortToWindow(view->GetPort());
  view->DrawContents();
}

BOOL TOwlView::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
  TWrappedWindow* view = MessageView();
  switch (message) {
    case WM_CREATE:
      *result = OnCreate(reinterpret_cast<CREATESTRUCT*>(lParam));
      if (TWrappedWindow* created = MessageView()) created->Activate(true);
      return TRUE;
    case WM_DESTROY:
      if (TWrappedWindow* owned = view_) {
        owned->SetWindow(nullptr);
        view_ = nullptr;
        delete owned;
      }
      OnDestroy();
      return TRUE;
    case WM_CLOSE:
      if (view) view->Close();
      *result = Default();
      return TRUE;
    case WM_SIZE:
      *result = Default();
      OnSize(LOWORD(static_cast<uintptr_t>(lParam)), HIWORD(static_cast<uintptr_t>(lParam)));
      return TRUE;
    case WM_MOVE:
      *result = Default();
      OnMove(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
      return TRUE;
    case WM_ACTIVATE:
      activeState_ = static_cast<int16_t>(LOWORD(wParam));
      if (view) view->Activate(activeState_ != 0);
      *result = Default();
      return TRUE;
    case WM_MDIACTIVATE:
      activeState_ = reinterpret_cast<HWND>(lParam) == m_hWnd ? 1 : 0;
      if (view) view->Activate(activeState_ != 0);
      *result = Default();
      return TRUE;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
      OnClick(message, wParam, lParam);
      *result = 0;
      return TRUE;
    case WM_CHAR:
      OnCharacter(wParam, lParam);
      *result = Default();
      return TRUE;
    case WM_QUERYENDSESSION:
      *result = QueryEndSession();
      return TRUE;
    case WM_DRAWCLIPBOARD:
      InvalidateRect(m_hWnd, nullptr, TRUE);
      if (nextViewer_) ::SendMessage(nextViewer_, message, wParam, lParam);
      *result = 0;
      return TRUE;
    case WM_CHANGECBCHAIN:
      OnChangeClipboardChain(reinterpret_cast<HWND>(wParam), reinterpret_cast<HWND>(lParam));
      *result = 0;
      return TRUE;
    default:
      return CView::OnWndMsg(message, wParam, lParam, result);
  }
}

void TOwlView::OnSize(int32_t width, int32_t height) {
  TWrappedWindow* view = MessageView();
  if (!view) return;
  notSizing_ = false;
  const TViewPoint& size = view->GetStoredSize();
  // A view that follows its superview can be sized below nothing when the window shrinks past
  // its furniture; its window then stops at 0. Keeping the view's own size there lets it come
  // back exactly when the window grows again.
  if (width == 0 && size.h < 0) width = size.h;
  if (height == 0 && size.v < 0) height = size.v;
  if (size.h != width || size.v != height) {
    BindPortToWindow(view->GetPort());
    view->Resize(width, height, false);
  }
  notSizing_ = true;
}

void TOwlView::OnMove(int32_t x, int32_t y) {
  TWrappedWindow* view = MessageView();
  if (!view) return;
  notMoving_ = false;
  const TViewPoint& location = view->GetLocation();
  if (location.h != x || location.v != y) {
    BindPortToWindow(view->GetPort());
    view->MoveTo(x, y, false);
  }
  notMoving_ = true;
}

void TOwlView::OnClick(UINT message, WPARAM keys, LPARAM point) {
  const bool doubleClick = message == WM_LBUTTONDBLCLK;
  const HWND self = m_hWnd;
  TWrappedWindow* view = MessageView();
  if (view) {
    const int32_t x = GET_X_LPARAM(point);
    const int32_t y = GET_Y_LPARAM(point);
    TMouseEvent event;
    event.copy.hwnd = m_hWnd;
    event.copy.message = message;
    event.copy.wParam = keys;
    event.copy.pt = POINT{x, y};
    event.copy.time = static_cast<DWORD>(GetTickCount60());
    event.kind = TMouseEvent::kMouseDown;
    event.controlKey = event.commandKey = (keys & MK_CONTROL) ? 1 : 0;
    event.shiftKey = (keys & MK_SHIFT) ? 1 : 0;
    event.clickCount = doubleClick ? 2 : 1;
    TCommandCore*& pending = PendingCommand();
    pending = nullptr;
    view->HandleMouseDown(TViewPoint{x, y}, &event, 0, &pending);
    TCommandCore* const command = pending;
    pending = nullptr;
    if (command) {
      command->SetMousePoint(QV_CPoint(static_cast<int16_t>(x), static_cast<int16_t>(y)));
      if (!doubleClick) command->SetStartedByClick(1);
      TCommandHandler* application = TCommandHandler::Application();
      if (!application) {
        if (command->IsFreeWhenDone()) delete command;
      } else if (doubleClick) {
        application->PostCommand(command);
      } else {
        // Through the failure road: a tracker that ends silently (a sketch cancelled at its
        // end) or fails is dealt with here, not thrown out of the message loop.
        application->PerformQueuedCommand(command);
      }
    }
  }
  // The command may have closed the window, and this object with it.
  if (!doubleClick && IsWindow(self) && CWnd::FromHandlePermanent(self) == this) Default();
}

void TOwlView::OnCharacter(WPARAM character, LPARAM data) {
  TWrappedWindow* view = MessageView();
  if (!view) return;
  TEventRecord event;
  event.message = WM_CHAR;
  event.wParam = character;
  event.lParam = data;
  event.when = static_cast<uint32_t>(GetTickCount60());
  // The repeat count and the flags, packed as the point of the record.
  event.where = MacPoint(static_cast<int16_t>(LOWORD(static_cast<uintptr_t>(data))),
                         static_cast<int16_t>(HIWORD(static_cast<uintptr_t>(data))));
  TCommandCore* command = view->DoKeyCommand(static_cast<int16_t>(character),
                                             LOWORD(static_cast<uintptr_t>(data)), &event);
  if (!command) return;
  if (TCommandHandler* application = TCommandHandler::Application())
    application->PerformQueuedCommand(command);
  else if (command->IsFreeWhenDone())
    delete command;
}

void TOwlView::OnChangeClipboardChain(HWND removed, HWND after) {
  if (!nextViewer_) return;
  if (removed == nextViewer_)
    nextViewer_ = after;
  else
    ::SendMessage(nextViewer_, WM_CHANGECBCHAIN, reinterpret_cast<WPARAM>(removed),
                  reinterpret_cast<LPARAM>(after));
}

// ---------------------------------------------------------------------------------------------

bool& TOwlWindow::SuspendSizeHandling() {
  static bool suspended = false;
  return suspended;
}

TOwlWindow::TOwlWindow() {
  style_ = kWindowStyle;
}

TOwlWindow::TOwlWindow(CWnd* parent, const char* title, TWrappedWindow* view,
                       const TViewPoint& position, const TViewPoint& size)
    : TOwlView(parent, title, view, position, size) {
  style_ = kWindowStyle;
}

TOwlWindow::~TOwlWindow() {
  if (TWrappedWindow* view = windowView_) {
    windowView_ = nullptr;
    view_ = nullptr;
    view->SetWindow(nullptr);
    delete view;
  }
  SetView(nullptr);
}

BOOL TOwlWindow::CreateView(CCreateContext* context, CWnd* parent) {
  if (parent) parent_ = parent;
  return Create(nullptr, title_.c_str(), style_, rect_, parent_, kWindowId, context);
}

void TOwlWindow::SetView(TWrappedWindow* view) {
  TOwlView::SetView(view);
  windowView_ = view;
}

void TOwlWindow::SetWindowView(TWrappedWindow* view) {
  windowView_ = view;
  SetView(view);
}

void TOwlWindow::OnDraw(CDC*) {
  TWrappedWindow* view = windowView_;
  if (!view) return;
  BindPortToWindow(view->GetPort());
  view->DrawContents();
}

BOOL TOwlWindow::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
  switch (message) {
    case WM_CLOSE:
      // The window object decides through the close command; nothing is destroyed here.
      if (const HWND main = MainFrameWindow())
        ::SendMessage(main, WM_COMMAND, kCloseWindowCommand, 0);
      *result = 0;
      return TRUE;
    case WM_GETMINMAXINFO:
      *result = Default();
      OnGetMinMaxInfo(reinterpret_cast<MINMAXINFO*>(lParam));
      return TRUE;
    case WM_SIZE:
      OnWindowSize();
      *result = 0;
      return TRUE;
    case WM_DESTROY: {
      windowView_ = nullptr;
      if (auto* holder = dynamic_cast<TWindowObjectHolder*>(GetParentFrame()))
        holder->ForgetWindowObject();
      return TOwlView::OnWndMsg(message, wParam, lParam, result);
    }
    default:
      return TOwlView::OnWndMsg(message, wParam, lParam, result);
  }
}

void TOwlWindow::OnGetMinMaxInfo(MINMAXINFO* info) {
  auto* windowObject = dynamic_cast<TOwlSubview*>(windowView_);
  if (!info || !windowObject) return;
  const MacRect limits = windowObject->GetLimitRect();
  const int32_t minimumHeight = limits.top;
  const int32_t minimumWidth = limits.left;
  const int32_t maximumHeight = limits.bottom;
  const int32_t maximumWidth = limits.right;
  info->ptMinTrackSize.x = std::max(info->ptMinTrackSize.x, minimumWidth);
  info->ptMinTrackSize.y = std::max(info->ptMinTrackSize.y, minimumHeight);
  info->ptMaxTrackSize.x = std::min(info->ptMaxTrackSize.x, maximumWidth);
  info->ptMaxTrackSize.y = std::min(info->ptMaxTrackSize.y, maximumHeight);
  const int32_t frameWidth = GetSystemMetrics(SM_CXFRAME);
  const int32_t frameHeight = GetSystemMetrics(SM_CYFRAME);
  info->ptMaxPosition = POINT{-frameWidth, -frameHeight - GetSystemMetrics(SM_CYCAPTION)};
  RECT ownerRect{0, 0, 0, 0};
  if (CWnd* owner = GetOwner()) owner->GetWindowRect(&ownerRect);
  info->ptMaxSize = POINT{std::max(ownerRect.right - ownerRect.left, minimumWidth),
                          std::max(ownerRect.bottom - ownerRect.top, minimumHeight)};
}

void TOwlWindow::OnWindowSize() {
  if (SuspendSizeHandling()) return;
  CWnd* owner = GetOwner();
  if (owner) {
    WINDOWPLACEMENT placement;
    if (GetWindowPlacement(owner->m_hWnd, &placement) &&
        placement.showCmd == static_cast<UINT>(SW_SHOWMINIMIZED))
      return;
  }
  static bool running = false;
  auto* windowObject = dynamic_cast<TOwlSubview*>(windowView_);
  if (owner && IsZoomed(owner->m_hWnd)) {
    if (running) return;
    running = true;
    Default();
    if (windowView_) {
      notSizing_ = false;
      RECT ownerClient;
      owner->GetClientRect(&ownerClient);
      const MacRect limits = windowObject ? windowObject->GetLimitRect() : MacRect();
      BindPortToWindow(windowView_->GetPort());
      windowView_->Resize(std::max<int32_t>(limits.left, ownerClient.right),
                          std::max<int32_t>(limits.top, ownerClient.bottom), false);
      notSizing_ = true;
      POINT ownerOrigin{0, 0};
      POINT ownOrigin{0, 0};
      ClientToScreen(owner->m_hWnd, &ownerOrigin);
      ClientToScreen(m_hWnd, &ownOrigin);
      const int32_t distance = ownerOrigin.y - ownOrigin.y;
      if (const HWND top = ContentWindow(m_hWnd)) {
        RECT client;
        GetClientRect(&client);
        ::MoveWindow(top, 0, distance, client.right, client.bottom, FALSE);
      }
    }
    running = false;
    return;
  }
  if (!windowView_) return;
  Default();
  RECT client;
  GetClientRect(&client);
  notSizing_ = false;
  BindPortToWindow(windowView_->GetPort());
  windowView_->Resize(client.right, client.bottom, false);
  if (const HWND top = ContentWindow(m_hWnd)) ::MoveWindow(top, 0, 0, client.right, client.bottom, TRUE);
  notSizing_ = true;
}
