#include "views/offscreen/OffScreenView.h"

#include "core/Resources.h"
#include "platform/win32/Cursor.h"
#include "platform/win32/Dc.h"
#include "platform/win32/Message.h"
#include "platform/win32/RichEditTypes.h"
#include "platform/win32/Window.h"
#include "platform/win32/WindowPaint.h"
#include "platform/win32/WindowMessages.h"
#include "ui/views/WrappedWindow.h"
#include "views/offscreen/WorldView.h"

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
  if (message == WM_NOTIFY && lParam != 0) {
    const auto* header = reinterpret_cast<const NMHDR*>(lParam);
    if (header->code == EN_REQUESTRESIZE && header->idFrom == kLabelEditorId) {
      ResizeLabelEditor(*reinterpret_cast<const REQRESIZE*>(lParam));
      *result = 1;
      return TRUE;
    }
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

void TOwlOffScreenMainWorldView::ResizeLabelEditor(const REQRESIZE& request) {
  const HWND editor = request.nmhdr.hwndFrom;
  RECT current{0, 0, 0, 0};
  if (!editor || !::GetWindowRect(editor, &current)) return;
  POINT corners[2] = {{current.left, current.top}, {current.right, current.bottom}};
  ::ScreenToClient(m_hWnd, &corners[0]);
  ::ScreenToClient(m_hWnd, &corners[1]);
  // A rich edit asks for room for its text: its border and margins come on top. A control that
  // keeps no text rectangle asks for its whole size.
  const int32_t width = corners[1].x - corners[0].x;
  const int32_t height = corners[1].y - corners[0].y;
  RECT text{0, 0, width, height};
  ::SendMessage(editor, EM_GETRECT, 0, reinterpret_cast<LPARAM>(&text));
  const RECT& wanted = request.rc;
  const int32_t newWidth = wanted.right - wanted.left + width - (text.right - text.left);
  const int32_t newHeight = wanted.bottom - wanted.top + height - (text.bottom - text.top);
  if (newWidth == width && newHeight == height) return;
  if (newHeight < height) {
    TWrappedWindow* view = GetView();
    if (view && view->IsMemberClass(522)) {
      const MacRect uncovered(NarrowTo16(corners[0].x), NarrowTo16(corners[0].y + newHeight),
                              NarrowTo16(corners[1].x), NarrowTo16(corners[1].y));
      auto* world = static_cast<TWorldView*>(view);
      world->InvalidateDeep(uncovered);
      world->UpdateNow();
    }
  }
  ::SetWindowPos(editor, nullptr, 0, 0, newWidth, newHeight,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
}
