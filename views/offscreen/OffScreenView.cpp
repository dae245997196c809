#include "views/offscreen/OffScreenView.h"

#include "core/Resources.h"
#include "platform/win32/Cursor.h"
#include "platform/win32/Dc.h"
#include "platform/win32/Window.h"
#include "platform/win32/WindowPaint.h"
#include "ui/views/WrappedWindow.h"

IMPLEMENT_DYNCREATE(TOwlOffScreenView, TOwlView)
IMPLEMENT_DYNCREATE(TOwlOffScreenMainWorldView, TOwlOffScreenView)

namespace {

constexpr DWORD kCaptionBits = 0x00C00000;

}  // namespace

TOwlOffScreenView::TOwlOffScreenView() = default;

TOwlOffScreenView::TOwlOffScreenView(CWnd* parent, const char* name, const TViewPoint& location,
                                     const TViewPoint& size)
    : TOwlView(parent, name, nullptr, location, size) {
  style_ &= ~kCaptionBits;
}

BOOL TOwlOffScreenView::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
  switch (message) {
    case WM_CREATE: {
      const BOOL handled = TOwlView::OnWndMsg(message, wParam, lParam, result);
      ::SetWindowPos(m_hWnd, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE);
      return handled;
    }
    case WM_ERASEBKGND:
      *result = 1;
      return TRUE;
    default:
      return TOwlView::OnWndMsg(message, wParam, lParam, result);
  }
}

void TOwlOffScreenView::OnDraw(CDC* dc) {
  if (!dc || !dc->GetSafeHdc()) return;
  const HWND parent = ::GetParent(m_hWnd);
  if (!parent) return;
  RECT box{0, 0, 0, 0};
  GetClipBox(dc->GetSafeHdc(), &box);
  POINT corners[2] = {{box.left, box.top}, {box.right, box.bottom}};
  MapWindowPoints(m_hWnd, parent, corners, 2);
  const RECT inParent{corners[0].x, corners[0].y, corners[1].x, corners[1].y};
  ::InvalidateRect(parent, &inParent, FALSE);
}

TOwlOffScreenMainWorldView::TOwlOffScreenMainWorldView() = default;

TOwlOffScreenMainWorldView::TOwlOffScreenMainWorldView(CWnd* parent, const char* name,
                                                       const TViewPoint& location,
                                                       const TViewPoint& size)
    : TOwlOffScreenView(parent, name, location, size) {}

BOOL TOwlOffScreenMainWorldView::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam,
                                          LRESULT* result) {
  if (message == WM_MOUSEMOVE) {
    UpdateCursor();
    *result = 0;
    return TRUE;
  }
  return TOwlOffScreenView::OnWndMsg(message, wParam, lParam, result);
}

void TOwlOffScreenMainWorldView::UpdateCursor() {
  TWrappedWindow* view = GetView();
  if (!view || !view->IsMemberClass(522)) return;
  auto* source = dynamic_cast<TCursorSource*>(view);
  if (!source) return;
  const uint32_t resource = source->CurrentCursorResource();
  HCURSOR cursor = resource == 0 ? LoadCursor(nullptr, IDC_ARROW)
                                 : LoadCursor(GetResourceModule1(), resource);
  if (cursor && cursor != GetCursor()) SetCursor(cursor);
}
