#include "app/services/ClipboardWindow.h"

#include <memory>

#include "app/services/ClipboardView.h"
#include "core/port/WindowBinding.h"
#include "platform/win32/Window.h"
#include "ui/views/OwlSubview.h"

namespace {

constexpr DWORD kStyle = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;
constexpr int32_t kOffset = 40;

TClipboardWindow*& OpenWindow() {
  static TClipboardWindow* open = nullptr;
  return open;
}

// The window's size for a client area that holds the view.
TViewPoint WindowSize() {
  RECT rect{0, 0, TClipboardView::kSide, TClipboardView::kSide};
  AdjustWindowRectEx(&rect, kStyle, FALSE, 0);
  return TViewPoint{rect.right - rect.left, rect.bottom - rect.top};
}

}  // namespace

TClipboardWindow::TClipboardWindow(CWnd* owner)
    : TOwlWindow(owner, "Clipboard", nullptr, TViewPoint{kOffset, kOffset}, WindowSize()) {
  style_ = kStyle;
}

TClipboardWindow* TClipboardWindow::Open() {
  return OpenWindow();
}

TClipboardWindow* TClipboardWindow::Show(CWnd* owner) {
  if (TClipboardWindow* const open = OpenWindow()) {
    open->ShowWindow(SW_SHOWNORMAL);
    BringWindowToTop(open->m_hWnd);
    return open;
  }
  // A window that fails to be made has deleted itself.
  auto* const window = new TClipboardWindow(owner);
  CCreateContext context;
  if (!window->CreateView(&context, nullptr)) return nullptr;
  OpenWindow() = window;
  auto port = std::make_unique<TWindowPort>();
  InitWindowPort(port.get(), window->m_hWnd);
  // The window holds its window object, and the object its clipboard view.
  auto* const object = new TOwlSubview;
  object->IOwlView(nullptr, std::move(port), true, true, true);
  TClipboardView::JoinViewerChain(object);
  window->ShowWindow(SW_SHOW);
  BringWindowToTop(window->m_hWnd);
  return window;
}

BOOL TClipboardWindow::CreateView(CCreateContext* context, CWnd* parent) {
  if (parent) parent_ = parent;
  // A top-level window: no child identifier, the owner as its parent window.
  return CreateEx(0, nullptr, title_.c_str(), style_, rect_.left, rect_.top,
                  rect_.right - rect_.left, rect_.bottom - rect_.top,
                  parent_ != nullptr ? parent_->m_hWnd : nullptr, nullptr, context);
}

BOOL TClipboardWindow::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
  switch (message) {
    case WM_CLOSE:
      // Nothing to save: the window simply goes.
      DestroyWindow();
      *result = 0;
      return TRUE;
    case WM_DESTROY:
      if (OpenWindow() == this) OpenWindow() = nullptr;
      return TOwlWindow::OnWndMsg(message, wParam, lParam, result);
    default:
      return TOwlWindow::OnWndMsg(message, wParam, lParam, result);
  }
}
