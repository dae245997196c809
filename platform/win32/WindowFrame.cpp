// The frames this layer draws around windows: border, caption with its boxes, menu bar and
// scroll bars; and which part of the frame a point is on.

#include <algorithm>

#include "platform/win32/Dc.h"
#include "platform/win32/DcDraw.h"
#include "platform/win32/Font.h"
#include "platform/win32/GdiObjects.h"
#include "platform/win32/Menu.h"
#include "platform/win32/MenuLayout.h"
#include "platform/win32/Window.h"
#include "platform/win32/WindowDc.h"
#include "platform/win32/WindowInternal.h"
#include "platform/win32/WindowPresenter.h"

namespace {

constexpr COLORREF kBorder = RGB(96, 96, 96);
constexpr COLORREF kFace = RGB(224, 224, 224);
constexpr COLORREF kDisabledGlyph = RGB(160, 160, 160);
constexpr COLORREF kActiveCaption = RGB(40, 84, 150);
constexpr COLORREF kInactiveCaption = RGB(140, 148, 160);
constexpr COLORREF kThumb = RGB(160, 160, 160);

void Fill(HDC dc, const RECT& rect, COLORREF color) {
  const HBRUSH brush = CreateSolidBrush(color);
  FillRect(dc, &rect, brush);
  DeleteObject(brush);
}

void Label(HDC dc, RECT rect, const std::string& text, COLORREF color, UINT format) {
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, color);
  DrawText(dc, text.c_str(), static_cast<int32_t>(text.size()), &rect,
           format | DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
}

void DrawScrollBar(HDC dc, const RECT& track, const ScrollState& state, bool vertical) {
  Fill(dc, track, kFace);
  const int32_t length = vertical ? track.bottom - track.top : track.right - track.left;
  const int64_t span = int64_t{state.maximum} - state.minimum + 1;
  if (span <= 0 || length <= 0) return;
  const int64_t page = state.page > 0 ? state.page : 1;
  const int32_t thumb = static_cast<int32_t>(std::max<int64_t>(8, length * page / span));
  const int32_t offset =
      static_cast<int32_t>((length - thumb) * int64_t{state.position - state.minimum} /
                           std::max<int64_t>(1, span - page));
  RECT box = track;
  if (vertical) {
    box.top = track.top + std::clamp(offset, 0, length - thumb);
    box.bottom = box.top + thumb;
  } else {
    box.left = track.left + std::clamp(offset, 0, length - thumb);
    box.right = box.left + thumb;
  }
  InflateRect(&box, -2, -2);
  Fill(dc, box, kThumb);
}

bool HasCaption(const WindowRecord& record) {
  return (record.style & WS_CAPTION) == WS_CAPTION;
}

// The caption bar in window coordinates; empty without one.
RECT CaptionRect(const WindowRecord& record) {
  if (!HasCaption(record)) return RECT{};
  const int32_t frame = FrameWidth(record);
  const int32_t width = record.rect.right - record.rect.left;
  return RECT{frame, frame, std::max(frame, width - frame), frame + GetSystemMetrics(SM_CYCAPTION)};
}

// Sizing edges follow the thick frame; near a corner the edge sizes both ways.
LRESULT SizingEdge(const WindowRecord& record, POINT at) {
  if (!(record.style & WS_THICKFRAME) || record.maximized || record.minimized) return HTNOWHERE;
  const int32_t frame = FrameWidth(record);
  const int32_t corner = GetSystemMetrics(SM_CYCAPTION);
  const int32_t width = record.rect.right - record.rect.left;
  const int32_t height = record.rect.bottom - record.rect.top;
  const bool left = at.x < frame, right = at.x >= width - frame;
  const bool top = at.y < frame, bottom = at.y >= height - frame;
  if (!left && !right && !top && !bottom) return HTNOWHERE;
  const bool nearLeft = at.x < corner, nearRight = at.x >= width - corner;
  const bool nearTop = at.y < corner, nearBottom = at.y >= height - corner;
  if ((top && nearLeft) || (left && nearTop)) return HTTOPLEFT;
  if ((top && nearRight) || (right && nearTop)) return HTTOPRIGHT;
  if ((bottom && nearLeft) || (left && nearBottom)) return HTBOTTOMLEFT;
  if ((bottom && nearRight) || (right && nearBottom)) return HTBOTTOMRIGHT;
  if (left) return HTLEFT;
  if (right) return HTRIGHT;
  return top ? HTTOP : HTBOTTOM;
}

void DrawLine(HDC dc, int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
  MoveToEx(dc, x1, y1, nullptr);
  LineTo(dc, x2, y2);
}

// A caption box: a raised (or, held down, sunken) button with its glyph.
void DrawCaptionBox(HDC dc, const WindowRecord& record, LRESULT box) {
  RECT rect = CaptionBoxRect(record, box);
  if (IsRectEmpty(rect)) return;
  const bool pressed = record.pressedBox == box;
  // A box that cannot act is drawn greyed, the way a disabled button is.
  const bool disabled = box == HTMINBUTTON && !DesktopCanMinimize();
  Fill(dc, rect, kFace);
  const HPEN light = CreatePen(PS_SOLID, 1, pressed ? kBorder : RGB(255, 255, 255));
  const HPEN dark = CreatePen(PS_SOLID, 1, pressed ? RGB(255, 255, 255) : kBorder);
  const HPEN glyph = CreatePen(PS_SOLID, 1, disabled ? kDisabledGlyph : RGB(0, 0, 0));
  const HGDIOBJ old = SelectObject(dc, light);
  DrawLine(dc, rect.left, rect.bottom - 1, rect.left, rect.top);
  LineTo(dc, rect.right - 1, rect.top);
  SelectObject(dc, dark);
  LineTo(dc, rect.right - 1, rect.bottom - 1);
  LineTo(dc, rect.left, rect.bottom - 1);
  SelectObject(dc, glyph);
  InflateRect(&rect, -4, -4);
  if (pressed) OffsetRect(&rect, 1, 1);
  switch (box) {
    case HTCLOSE:  // a cross
      for (int32_t d = 0; d < 2; ++d) {
        DrawLine(dc, rect.left + d, rect.top, rect.right + d, rect.bottom);
        DrawLine(dc, rect.left + d, rect.bottom - 1, rect.right + d, rect.top - 1);
      }
      break;
    case HTMINBUTTON:  // a bar at the bottom
      DrawLine(dc, rect.left, rect.bottom - 1, rect.right, rect.bottom - 1);
      DrawLine(dc, rect.left, rect.bottom - 2, rect.right, rect.bottom - 2);
      break;
    default:
      if (record.maximized) {  // two overlapping windows: restore
        Rectangle(dc, rect.left + 2, rect.top, rect.right, rect.bottom - 2);
        Rectangle(dc, rect.left, rect.top + 3, rect.right - 2, rect.bottom);
      } else {  // one window with its caption: maximize
        Rectangle(dc, rect.left, rect.top, rect.right, rect.bottom);
        DrawLine(dc, rect.left, rect.top + 1, rect.right, rect.top + 1);
      }
      break;
  }
  SelectObject(dc, old);
  DeleteObject(light);
  DeleteObject(dark);
  DeleteObject(glyph);
}

}  // namespace

RECT CaptionBoxRect(const WindowRecord& record, LRESULT box) {
  if (!HasCaption(record) || !(record.style & WS_SYSMENU)) return RECT{};
  const bool child = record.style & WS_CHILD;
  const bool hasMinimize = !child && (record.style & WS_MINIMIZEBOX);
  // Document windows maximise inside their parent; only top-level windows minimise.
  const bool hasMaximize = (record.style & WS_MAXIMIZEBOX) != 0;
  const RECT caption = CaptionRect(record);
  const int32_t size = GetSystemMetrics(SM_CYCAPTION) - 4;
  // Right to left: close, then maximize and minimize side by side.
  int32_t right = caption.right - 2;
  if (box != HTCLOSE) {
    if (!hasMinimize && !hasMaximize) return RECT{};
    right -= size + 2;
    if (box == HTMINBUTTON) {
      if (!hasMinimize) return RECT{};
      if (hasMaximize) right -= size;
    } else if (box != HTMAXBUTTON || !hasMaximize) {
      return RECT{};
    }
  }
  const RECT rect{right - size, caption.top + 2, right, caption.top + 2 + size};
  // A caption too narrow for its boxes shows none.
  return rect.left < caption.left ? RECT{} : rect;
}

LRESULT DefaultHitTest(const WindowRecord& record, POINT screen) {
  const RECT window = WindowScreenRect(record);
  if (!PtInRect(window, screen)) return HTNOWHERE;
  const RECT client = ClientScreenRect(record);
  if (PtInRect(client, screen)) return HTCLIENT;
  const POINT at{screen.x - window.left, screen.y - window.top};
  const LRESULT edge = SizingEdge(record, at);
  if (edge != HTNOWHERE) return edge;
  const RECT caption = CaptionRect(record);
  if (PtInRect(caption, at)) {
    for (const LRESULT box : {HTCLOSE, HTMAXBUTTON, HTMINBUTTON})
      if (PtInRect(CaptionBoxRect(record, box), at)) return box;
    return HTCAPTION;
  }
  const RECT insets = NonClientInsets(record);
  const int32_t barTop = HasCaption(record) ? caption.bottom : FrameWidth(record);
  if (record.menu && !(record.style & WS_CHILD) && at.y >= barTop &&
      at.y < barTop + GetSystemMetrics(SM_CYMENU))
    return HTMENU;
  if ((record.style & WS_VSCROLL) && screen.x >= client.right &&
      screen.x < window.right - insets.right + GetSystemMetrics(SM_CXVSCROLL) &&
      screen.y >= client.top && screen.y < client.bottom)
    return HTVSCROLL;
  if ((record.style & WS_HSCROLL) && screen.y >= client.bottom && screen.x >= client.left &&
      screen.x < client.right)
    return HTHSCROLL;
  return HTBORDER;
}

void DefaultPaintFrame(HWND window) {
  const WindowRecord* record = FindWindowRecord(window);
  if (!record) return;
  const RECT insets = NonClientInsets(*record);
  if (insets.left == 0 && insets.top == 0 && insets.right == 0 && insets.bottom == 0) return;
  const HDC dc = GetWindowDC(window);
  if (!dc) return;
  RECT outer;
  GetWindowRect(window, &outer);
  OffsetRect(&outer, -outer.left, -outer.top);
  const RECT inner{insets.left, insets.top, outer.right - insets.right,
                   outer.bottom - insets.bottom};
  // Frame: everything outside the client area, then a dark outline.
  Fill(dc, RECT{0, 0, outer.right, inner.top}, kFace);
  Fill(dc, RECT{0, inner.top, inner.left, outer.bottom}, kFace);
  Fill(dc, RECT{inner.right, inner.top, outer.right, outer.bottom}, kFace);
  Fill(dc, RECT{inner.left, inner.bottom, inner.right, outer.bottom}, kFace);
  if ((record->style & (WS_BORDER | WS_DLGFRAME | WS_THICKFRAME)) ||
      (record->exStyle & WS_EX_CLIENTEDGE)) {
    const HBRUSH brush = CreateSolidBrush(kBorder);
    FrameRect(dc, &outer, brush);
    DeleteObject(brush);
  }
  if (HasCaption(*record)) {
    const RECT caption = CaptionRect(*record);
    // A child window with a caption (a document window) shows what WM_NCACTIVATE last said.
    const bool active = (record->style & WS_CHILD) ? record->captionActive
                                                   : GetActiveWindow() == window;
    Fill(dc, caption, active ? kActiveCaption : kInactiveCaption);
    RECT text = caption;
    text.left += 6;
    // The title stops before the boxes.
    for (const LRESULT box : {HTCLOSE, HTMAXBUTTON, HTMINBUTTON}) {
      const RECT boxRect = CaptionBoxRect(*record, box);
      if (!IsRectEmpty(boxRect)) text.right = std::min(text.right, boxRect.left - 2);
      DrawCaptionBox(dc, *record, box);
    }
    Label(dc, text, record->text, RGB(255, 255, 255), DT_LEFT);
  }
  if (record->menu && !(record->style & WS_CHILD)) {
    const MenuRecord* bar = FindMenuRecord(record->menu);
    POINT origin{0, 0};
    ClientToScreen(window, &origin);
    RECT screen;
    GetWindowRect(window, &screen);
    for (size_t i = 0; bar && i < bar->items.size(); ++i) {
      RECT item = MenuBarItemRect(window, static_cast<int32_t>(i));
      OffsetRect(&item, -screen.left, -screen.top);
      const bool grayed = bar->items[i].flags & (MF_GRAYED | MF_DISABLED);
      Label(dc, item, MenuLabel(bar->items[i].text), grayed ? RGB(128, 128, 128) : RGB(0, 0, 0),
            DT_CENTER);
    }
  }
  if (record->style & WS_VSCROLL)
    DrawScrollBar(
        dc,
        RECT{inner.right, inner.top, inner.right + GetSystemMetrics(SM_CXVSCROLL), inner.bottom},
        record->scroll[SB_VERT], true);
  if (record->style & WS_HSCROLL)
    DrawScrollBar(
        dc,
        RECT{inner.left, inner.bottom, inner.right, inner.bottom + GetSystemMetrics(SM_CYHSCROLL)},
        record->scroll[SB_HORZ], false);
  ReleaseDC(window, dc);
}
