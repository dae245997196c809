#include "ui/views/OwlSubview.h"

#include <algorithm>
#include <vector>

#include "core/MenuCommands.h"
#include "core/TickCount.h"
#include "platform/mfc/CFrameWnd.h"
#include "platform/win32/DcDraw.h"
#include "platform/win32/GdiObjects.h"
#include "platform/win32/Window.h"
#include "platform/win32/WindowPaint.h"
#include "platform/win32/WindowPlacement.h"
#include "ui/views/OwlView.h"
#include "ui/views/ViewServices.h"
#include "ui/views/WindowDocument.h"

namespace {

// Windows that belong to no document, in the order they were opened.
std::vector<TOwlSubview*>& FreeWindows() {
  static std::vector<TOwlSubview*> windows;
  return windows;
}

// The time of the last click that dragged a window, in ticks.
int32_t& LastDragTime() {
  static int32_t ticks = 0;
  return ticks;
}

}  // namespace

MacRect& TOwlSubview::DefaultLimits() {
  // Minimum height and width, maximum height and width.
  static MacRect limits = [] {
    MacRect rect;
    rect.top = 80;
    rect.left = 120;
    rect.bottom = INT16_MAX;
    rect.right = INT16_MAX;
    return rect;
  }();
  return limits;
}

TOwlSubview*& TOwlSubview::CurrentWindow() {
  static TOwlSubview* current = nullptr;
  return current;
}

TOwlSubview::TOwlSubview() = default;

TOwlSubview::~TOwlSubview() {
  if (CurrentWindow() == this) CurrentWindow() = nullptr;
  TOwlView* window = GetWindow();
  if (window && window->m_hWnd) {
    if (auto* holder = dynamic_cast<TWindowObjectHolder*>(window->GetParentFrame()))
      holder->ForgetWindowObject();
  }
  if (!document_) {
    auto& windows = FreeWindows();
    windows.erase(std::remove(windows.begin(), windows.end(), this), windows.end());
  } else {
    document_->WindowClosed(this);
  }
  if (window) window->SetView(nullptr);
}

void TOwlSubview::IOwlView(TWindowDocument* owner, std::unique_ptr<TWindowPort> port,
                           bool hasSizeBox, bool closable, bool keep) {
  portWindow_ = port ? port->Window() : nullptr;
  hasSizeBox_ = hasSizeBox;
  closable_ = closable;
  keep_ = keep;
  auto* window = dynamic_cast<TOwlView*>(CWnd::FromHandlePermanent(portWindow_));
  SetWindow(window);
  SetPort(std::move(port));
  TOwlView::SetPortView(GetPort(), this);
  RECT rect{0, 0, 0, 0};
  if (window) window->GetWindowRect(&rect);
  TViewPoint location{rect.left, rect.top};
  TViewPoint size{rect.right - rect.left, rect.bottom - rect.top};
  InitFromParent(nullptr, nullptr, location, size, 4, 4);
  centreHorizontally = suppressCentreHorizontally = false;
  centreVertically = suppressCentreVertically = false;
  stagger = suppressStagger = false;
  showOnOpen = suppressShowOnOpen = false;
  targetView_ = this;
  limits_ = DefaultLimits();
  document_ = owner;
  if (auto* owlWindow = dynamic_cast<TOwlWindow*>(window)) owlWindow->SetWindowView(this);
  else if (window) window->SetView(this);
  LinkToOwner();
  Activate(window && window->GetActiveState() != 0);
}

void TOwlSubview::LinkToOwner() {
  if (document_) {
    document_->AddWindow(this);
    if (!document_->GetTitle().empty()) SetTitle(document_->GetTitle());
    SetNextHandler(document_->HandlerPart());
    return;
  }
  FreeWindows().push_back(this);
  SetNextHandler(ApplicationHandler());
}

std::string TOwlSubview::GetTitle() const {
  const HWND window = GetWindowHandle();
  if (!window) return {};
  std::string title = GetWindowTextString(window);
  if (title.size() > 255) title.resize(255);
  return title;
}

void TOwlSubview::SetTitle(const std::string& title) {
  if (const HWND window = GetWindowHandle()) SetWindowText(window, title.substr(0, 255).c_str());
}

TCommandCore* TOwlSubview::DoMenuCommand(int16_t commandNumber) {
  if (commandNumber == kCloseWindowCommand) return new TCloseWindowCommand(this);
  return TWrappedWindow::DoMenuCommand(commandNumber);
}

void TOwlSubview::DoSetupMenus() {
  if (menusOff) return;
  EnableMenuCommand(kCloseWindowCommand, closable_);
  TWrappedWindow::DoSetupMenus();
}

void TOwlSubview::Activate(bool on) {
  Focus();
  if (active_ != on) {
    Update();
    TWrappedWindow::Activate(on);
    if (!on) {
      active_ = false;
      if (CurrentWindow() == this) CurrentWindow() = nullptr;
      SetCurrentTarget(ApplicationHandler());
      // A box or dialog that holds the program (its frame disabled meanwhile) keeps the keyboard.
      if (const HWND main = MainFrameWindow(); main != nullptr && IsWindowEnabled(main)) {
        if (const HWND top = ::GetTopWindow(main)) {
          SetActiveWindow(top);
          SetFocus(top);
        }
      }
    } else {
      TOwlSubview* current = CurrentWindow();
      if (current && current != this) current->Activate(false);
      active_ = true;
      CurrentWindow() = this;
      SetCurrentTarget(targetView_);
    }
  }
  if (hasSizeBox_ && Focus() && IsShown() && IsVisibleInPort()) DrawSizeBox();
}

void TOwlSubview::Open() {
  if (IsShown()) return;
  RECT client{0, 0, 0, 0};
  if (portWindow_) GetClientRect(portWindow_, &client);
  SetStoredSize(TViewPoint{GetStoredSize().h, client.bottom - client.top});
  TWrappedWindow::Open();
  const bool horizontal = centreHorizontally && !suppressCentreHorizontally;
  const bool vertical = centreVertically && !suppressCentreVertically;
  if (horizontal || vertical) Centre(horizontal, vertical, menusOff);
  if (stagger && !suppressStagger) {
    if (showOnOpen) ShowNow();
    Stagger(kStaggerStep, kStaggerStep, nullptr);
  }
  if (showOnOpen && !suppressShowOnOpen) ShowNow();
  Show(true, true);
}

void TOwlSubview::Close() {
  TWrappedWindow::Close();
  Show(false, false);
  Activate(false);
  if (minimiseOnClose && portWindow_) {
    const HWND window = portWindow_;
    portWindow_ = nullptr;
    CloseWindow(window);
  }
}

void TOwlSubview::Redraw() {
  if (const HWND window = GetWindowHandle()) InvalidateRect(window, nullptr, TRUE);
}

void TOwlSubview::Resize(int32_t width, int32_t height, bool invalidate) {
  const TViewPoint old = GetStoredSize();
  if (width == old.h && height == old.v) return;
  // Stored first: the window's own size message comes back here with the same size.
  SetStoredSize(TViewPoint{width, height});
  if (TOwlView* window = GetWindow(); window && window->m_hWnd) {
    RECT rect;
    window->GetWindowRect(&rect);
    const auto style = static_cast<DWORD>(GetWindowLongPtr(window->m_hWnd, GWL_STYLE));
    const bool framed = (style & WS_CAPTION) == WS_CAPTION;
    const int32_t border = framed ? GetSystemMetrics(SM_CXFRAME) : 0;
    const int32_t caption = framed ? GetSystemMetrics(SM_CYCAPTION) : 0;
    const int32_t innerWidth = rect.right - rect.left - 2 * border;
    const int32_t innerHeight = rect.bottom - rect.top - 2 * border - caption;
    if (innerWidth != width || innerHeight != height)
      SizePortWindow(GetPort(), NarrowTo16(width), NarrowTo16(height), invalidate);
  }
  if (hasSizeBox_ && invalidate && Focus()) {
    const int32_t box = GetSystemMetrics(SM_CXVSCROLL);
    for (const TViewPoint& corner : {old, TViewPoint{width, height}}) {
      TViewRect square{corner.v - box, corner.h - box, corner.v, corner.h};
      InvalidRectInView(square);
    }
  }
  Redraw();
  const TViewPoint change{width - old.h, height - old.v};
  for (int32_t i = 0; i < CountSubviews(); ++i)
    SubviewAt(i)->SuperviewResized(change, invalidate);
  if ((active_ || clickThrough) && IsShown()) Redraw();
}

void TOwlSubview::MoveTo(int32_t h, int32_t v, bool invalidate) {
  const TViewPoint& location = GetLocation();
  if (location.h == h && location.v == v) return;
  SetLocation(TViewPoint{h, v});
  MovePortWindow(GetPort(), NarrowTo16(h), NarrowTo16(v), invalidate);
  if ((active_ || clickThrough) && IsShown()) Redraw();
}

bool TOwlSubview::Focus() {
  if (!GetPort()) {
    SetCurrentPort(GetGlobalPort());
    if (FocusedView() == this) FocusedView() = nullptr;
    return false;
  }
  return TWrappedWindow::Focus();
}

bool TOwlSubview::NeedsUpdate() {
  const RegionRec* update = GetWindowUpdateRegion(GetPort());
  return update && !RegionIsEmpty(update);
}

void TOwlSubview::Update() {
  if (!NeedsUpdate()) return;
  BeginPortDrawing(GetPort());
  FocusedView() = nullptr;  // the binding above replaced whatever was focused
  Focus();
  DrawContents();
  EndPortDrawing();
  if (const HWND window = GetWindowHandle()) ValidateRect(window, nullptr);
}

void TOwlSubview::Show(bool show, bool) {
  TWindowPort* port = GetPort();
  if (!port || !IsWindow(port->Window())) return;
  if (active_ || clickThrough) Redraw();
  if (!show) {
    ShowWindow(port->Window(), SW_HIDE);
    return;
  }
  const TViewPoint& size = GetStoredSize();
  if (size.h > 0 && size.v > 0) SizePortWindow(port, NarrowTo16(size.h), NarrowTo16(size.v), false);
  ShowWindow(port->Window(), SW_SHOW);
}

bool TOwlSubview::IsShown() const {
  const TWindowPort* port = GetPort();
  return port && IsWindowVisible(port->Window());
}

bool TOwlSubview::ReplaceTargetView(TWrappedWindow* removed, TWrappedWindow* replacement) {
  if (targetView_ != removed) return false;
  SetTargetView(replacement);
  return true;
}

bool TOwlSubview::HandleMouseDown(const TViewPoint& point, TMouseEvent* event, int32_t hint,
                                  TCommandCore** command) {
  (void)hint;
  return HandleMouseDownInPart(TWindowPart::kContent, point, event, command);
}

bool TOwlSubview::HandleMouseDownInPart(TWindowPart part, const TViewPoint& point,
                                        TMouseEvent* event, TCommandCore** command) {
  if (command) *command = nullptr;
  switch (part) {
    case TWindowPart::kContent:
      if (CurrentWindow() != this) {
        SelectWindow();
        if (!clickThrough) return false;
      }
      return TWrappedWindow::HandleMouseDown(point, event, 0, command);
    case TWindowPart::kDragBar:
      Drag();
      return true;
    case TWindowPart::kSizeBox:
      if (hasSizeBox_ && (active_ || clickThrough)) DrawSizeBox();
      return true;
    default:
      return true;
  }
}

void TOwlSubview::SelectWindow() {
  // Activated first: the window it takes over from hands the keyboard to the main frame, and
  // bringing the frame forward then gives it to this window.
  Activate(true);
  const HWND frame = FrameWindow();
  if (auto* child = dynamic_cast<CMDIChildWnd*>(CWnd::FromHandlePermanent(frame))) {
    child->MDIActivate();
  } else if (frame) {
    BringWindowToTop(frame);
    SetFocus(frame);
  }
}

TWrappedWindow* TOwlSubview::FindSubviewAt(const TViewPoint& point, void* argument) {
  TWrappedWindow* const passOver = PassOverView();
  for (int32_t i = 0; i < CountSubviews(); ++i) {
    TWrappedWindow* view = SubviewAt(i);
    if (view == passOver) continue;
    TViewPoint local = point;
    view->SuperviewToLocal(local);
    TViewRect extent;
    view->GetExtent(extent);
    if (!extent.Contains(local)) continue;
    if (auto* windowObject = dynamic_cast<TOwlSubview*>(view)) {
      if (TWrappedWindow* found = windowObject->FindSubviewAt(local, argument)) return found;
    } else {
      return view;
    }
  }
  return nullptr;
}

void TOwlSubview::Drag() {
  LastDragTime() = GetTickCount60();
  RECT rect{0, 0, 0, 0};
  if (portWindow_) {
    GetWindowRect(portWindow_, &rect);
    if (const HWND parent = GetParent(portWindow_)) {
      POINT corner{rect.left, rect.top};
      ScreenToClient(parent, &corner);
      rect.left = corner.x;
      rect.top = corner.y;
    }
  }
  MoveTo(rect.left, rect.top, false);
}

void TOwlSubview::Centre(bool horizontally, bool vertically, bool) {
  TOwlView* window = GetWindow();
  if (!window || !window->m_hWnd || !(horizontally || vertically)) return;
  RECT bounds{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  if (GetPort()) {
    if (const HWND parent = GetParent(window->m_hWnd)) GetClientRect(parent, &bounds);
  }
  RECT client;
  window->GetClientRect(&client);
  const int32_t width = client.right;
  const int32_t height = client.bottom;
  window->MoveWindow((bounds.left + bounds.right - width) / 2,
                     (bounds.top + bounds.bottom - height) / 2, width, height, FALSE);
}

void TOwlSubview::SetTargetView(TWrappedWindow* view) {
  TWrappedWindow* const old = targetView_;
  targetView_ = view ? view : this;
  const TTargetHandler* current = CurrentTarget();
  if (current == this || current == old) SetCurrentTarget(targetView_);
}

void TOwlSubview::ActivateWithWindow(int16_t on, int16_t) {
  Activate(on != 0);
}

void TOwlSubview::Erase() {
  if (!Focus()) return;
  const HDC dc = GetPortDC();
  if (!dc || !portWindow_) return;
  RECT client;
  GetClientRect(portWindow_, &client);
  FillRect(dc, &client, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
}

void TOwlSubview::ShowNow() {
  if (TOwlView* window = GetWindow(); window && window->m_hWnd) window->ShowWindow(SW_SHOW);
}

HWND TOwlSubview::FrameWindow() const {
  TOwlView* window = GetWindow();
  if (!window || !window->m_hWnd) return nullptr;
  CFrameWnd* frame = window->GetParentFrame();
  if (frame && frame != GetMainFrame()) return frame->m_hWnd;
  return window->m_hWnd;
}

void TOwlSubview::DestroyWindowAndFrame() {
  if (const HWND frame = FrameWindow()) ::DestroyWindow(frame);
}

void TOwlSubview::CloseRequest() {
  if (!document_) {
    Close();
    DestroyWindowAndFrame();
    return;
  }
  // Asking may let other work run that closes this window object: only the document is used
  // after it.
  TWindowDocument* const document = document_;
  if (document->MayClose()) document->Close();
}

// ---------------------------------------------------------------------------------------------

TCloseWindowCommand::TCloseWindowCommand(TOwlSubview* window) : window_(window) {
  InitCommand(TOwlSubview::kCloseWindowCommand, nullptr, nullptr, window);
}

void TCloseWindowCommand::Perform() {
  if (window_) window_->CloseRequest();
}
