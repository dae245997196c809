// The frames this layer draws around windows: border, caption, menu bar and scroll bars.

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

namespace {

constexpr COLORREF kBorder = RGB(96, 96, 96);
constexpr COLORREF kFace = RGB(224, 224, 224);
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

}  // namespace

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
  if (record->style & (WS_BORDER | WS_DLGFRAME | WS_THICKFRAME)) {
    const HBRUSH brush = CreateSolidBrush(kBorder);
    FrameRect(dc, &outer, brush);
    DeleteObject(brush);
  }
  int32_t y = (record->style & WS_THICKFRAME) ? GetSystemMetrics(SM_CYFRAME)
              : (record->style & WS_DLGFRAME) ? GetSystemMetrics(SM_CYDLGFRAME)
              : (record->style & WS_BORDER)   ? 1
                                              : 0;
  if ((record->style & WS_CAPTION) == WS_CAPTION) {
    const RECT caption{y, y, outer.right - y, y + GetSystemMetrics(SM_CYCAPTION)};
    const bool active = GetActiveWindow() == window;
    Fill(dc, caption, active ? kActiveCaption : kInactiveCaption);
    RECT text = caption;
    text.left += 6;
    Label(dc, text, record->text, RGB(255, 255, 255), DT_LEFT);
    y = caption.bottom;
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
