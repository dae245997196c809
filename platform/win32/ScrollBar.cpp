#include "platform/win32/ScrollBar.h"

#include <algorithm>
#include <memory>

#include "platform/win32/ControlSupport.h"
#include "platform/win32/Dc.h"
#include "platform/win32/DcDraw.h"
#include "platform/win32/GdiObjects.h"
#include "platform/win32/Input.h"
#include "platform/win32/Message.h"
#include "platform/win32/Timer.h"
#include "platform/win32/Window.h"
#include "platform/win32/WindowMessages.h"
#include "platform/win32/WindowPaint.h"

namespace {

constexpr int32_t kMinimumThumb = 8;

// A held arrow or trough steps again and again, as on the desktop: first after a pause, then
// quickly, for as long as the pointer stays on the part pressed.
constexpr UINT_PTR kRepeatTimer = 1;
constexpr UINT kRepeatDelay = 400;
constexpr UINT kRepeatInterval = 60;
constexpr WORD kNoRepeat = SB_ENDSCROLL;

// What the control remembers between a press and its release.
struct PressState {
  bool pressed = false;
  bool dragging = false;
  int32_t grabOffset = 0;  // from the thumb's start to the pointer, along the bar
  int32_t trackPosition = 0;
  WORD repeat = kNoRepeat;  // the step a held arrow or trough repeats
  int32_t pointer = 0;      // where the held button's pointer is, along the bar
};

PressState* StateOf(HWND bar) {
  return ControlStateOf<PressState>(bar);
}

bool Vertical(HWND bar) {
  return (GetWindowLongPtr(bar, GWL_STYLE) & SBS_VERT) != 0;
}

// The bar's geometry along its length: arrow size, the track between the arrows, the thumb.
struct Layout {
  int32_t length = 0;
  int32_t arrow = 0;
  int32_t trackStart = 0;
  int32_t trackLength = 0;
  int32_t thumbStart = 0;
  int32_t thumbLength = 0;
  int32_t minimum = 0;
  int32_t maximum = 0;
};

Layout LayoutOf(HWND bar) {
  RECT client;
  GetClientRect(bar, &client);
  Layout layout;
  const bool vertical = Vertical(bar);
  layout.length = vertical ? client.bottom : client.right;
  const int32_t across = vertical ? client.right : client.bottom;
  layout.arrow = std::max(0, std::min(across, layout.length / 2));
  layout.trackStart = layout.arrow;
  layout.trackLength = std::max(0, layout.length - 2 * layout.arrow);
  GetScrollRange(bar, SB_CTL, &layout.minimum, &layout.maximum);
  const int32_t position = GetScrollPos(bar, SB_CTL);
  layout.thumbLength = std::min(layout.trackLength, std::max(kMinimumThumb, across));
  const int64_t span = int64_t{layout.maximum} - layout.minimum;
  const int32_t room = layout.trackLength - layout.thumbLength;
  const int64_t offset = span > 0 ? (int64_t{position} - layout.minimum) * room / span : 0;
  layout.thumbStart =
      layout.trackStart + static_cast<int32_t>(std::clamp<int64_t>(offset, 0, room));
  return layout;
}

// The position whose thumb would start at `thumbStart`.
int32_t PositionAt(const Layout& layout, int32_t thumbStart) {
  const int32_t room = layout.trackLength - layout.thumbLength;
  if (room <= 0) return layout.minimum;
  const int64_t span = int64_t{layout.maximum} - layout.minimum;
  const int64_t along = std::clamp(thumbStart - layout.trackStart, 0, room);
  return layout.minimum + static_cast<int32_t>((along * span + room / 2) / room);
}

int32_t Along(HWND bar, LPARAM lParam) {
  return Vertical(bar) ? GET_Y_LPARAM(lParam) : GET_X_LPARAM(lParam);
}

void Notify(HWND bar, WORD request, int32_t position) {
  const HWND parent = GetParent(bar);
  if (!parent) return;
  SendMessage(parent, Vertical(bar) ? WM_VSCROLL : WM_HSCROLL,
              static_cast<WPARAM>(MAKELONG(request, static_cast<WORD>(position))),
              reinterpret_cast<LPARAM>(bar));
}

RECT Span(HWND bar, int32_t from, int32_t to) {
  RECT client;
  GetClientRect(bar, &client);
  if (Vertical(bar)) return RECT{0, from, client.right, to};
  return RECT{from, 0, to, client.bottom};
}

void DrawArrow(HDC dc, const RECT& box, bool vertical, bool towardsStart) {
  const int32_t cx = (box.left + box.right) / 2;
  const int32_t cy = (box.top + box.bottom) / 2;
  const int32_t r = std::max(2, std::min(box.right - box.left, box.bottom - box.top) / 4);
  POINT points[3];
  if (vertical) {
    const int32_t tip = towardsStart ? cy - r / 2 - 1 : cy + r / 2 + 1;
    const int32_t base = towardsStart ? cy + r / 2 + 1 : cy - r / 2 - 1;
    points[0] = POINT{cx, tip};
    points[1] = POINT{cx - r, base};
    points[2] = POINT{cx + r, base};
  } else {
    const int32_t tip = towardsStart ? cx - r / 2 - 1 : cx + r / 2 + 1;
    const int32_t base = towardsStart ? cx + r / 2 + 1 : cx - r / 2 - 1;
    points[0] = POINT{tip, cy};
    points[1] = POINT{base, cy - r};
    points[2] = POINT{base, cy + r};
  }
  const HBRUSH brush = CreateSolidBrush(kControlText);
  const HGDIOBJ oldBrush = SelectObject(dc, brush);
  const HPEN pen = CreatePen(PS_SOLID, 1, kControlText);
  const HGDIOBJ oldPen = SelectObject(dc, pen);
  Polygon(dc, points, 3);
  SelectObject(dc, oldPen);
  SelectObject(dc, oldBrush);
  DeleteObject(pen);
  DeleteObject(brush);
}

void Paint(HWND bar, const PressState& state) {
  ControlPaint paint(bar);
  const Layout layout = LayoutOf(bar);
  const bool vertical = Vertical(bar);
  FillSolid(paint.dc(), paint.client(), kDialogFace);
  const RECT first = Span(bar, 0, layout.arrow);
  const RECT last = Span(bar, layout.length - layout.arrow, layout.length);
  for (const RECT& arrow : {first, last}) {
    FillSolid(paint.dc(), arrow, kControlFace);
    FrameSolid(paint.dc(), arrow, kControlEdge);
  }
  DrawArrow(paint.dc(), first, vertical, true);
  DrawArrow(paint.dc(), last, vertical, false);
  if (layout.trackLength <= layout.thumbLength || layout.maximum <= layout.minimum) return;
  const RECT thumb = Span(bar, layout.thumbStart, layout.thumbStart + layout.thumbLength);
  FillSolid(paint.dc(), thumb, state.dragging ? kControlPressedFace : kControlFace);
  FrameSolid(paint.dc(), thumb, kControlEdge);
}

// The step a press at `along` asks for: an arrow's line or the trough's page; SB_THUMBTRACK on
// the thumb.
WORD StepAt(const Layout& layout, int32_t along) {
  if (along < layout.arrow) return SB_LINEUP;
  if (along >= layout.length - layout.arrow) return SB_LINEDOWN;
  if (along < layout.thumbStart) return SB_PAGEUP;
  if (along >= layout.thumbStart + layout.thumbLength) return SB_PAGEDOWN;
  return SB_THUMBTRACK;
}

void Press(HWND bar, PressState& state, LPARAM lParam) {
  SetCapture(bar);
  state.pressed = true;
  const Layout layout = LayoutOf(bar);
  const int32_t along = Along(bar, lParam);
  const WORD step = StepAt(layout, along);
  if (step != SB_THUMBTRACK) {
    state.repeat = step;
    state.pointer = along;
    SetTimer(bar, kRepeatTimer, kRepeatDelay, nullptr);
    return Notify(bar, step, 0);
  }
  state.dragging = true;
  state.grabOffset = along - layout.thumbStart;
  state.trackPosition = GetScrollPos(bar, SB_CTL);
  InvalidateRect(bar, nullptr, TRUE);
}

// Steps once more while the pointer stays on the part pressed (the thumb, moving under it, ends
// a trough's steps).
void Repeat(HWND bar, PressState& state) {
  if (!state.pressed || state.repeat == kNoRepeat) {
    KillTimer(bar, kRepeatTimer);
    return;
  }
  SetTimer(bar, kRepeatTimer, kRepeatInterval, nullptr);
  if (StepAt(LayoutOf(bar), state.pointer) == state.repeat) Notify(bar, state.repeat, 0);
}

void Drag(HWND bar, PressState& state, LPARAM lParam) {
  if (state.pressed) state.pointer = Along(bar, lParam);
  if (!state.dragging) return;
  const int32_t position = PositionAt(LayoutOf(bar), Along(bar, lParam) - state.grabOffset);
  if (position == state.trackPosition) return;
  state.trackPosition = position;
  Notify(bar, SB_THUMBTRACK, position);
}

void Release(HWND bar, PressState& state) {
  if (!state.pressed) return;
  state.pressed = false;
  state.repeat = kNoRepeat;
  KillTimer(bar, kRepeatTimer);
  if (GetCapture() == bar) ReleaseCapture();
  if (state.dragging) {
    state.dragging = false;
    InvalidateRect(bar, nullptr, TRUE);
    Notify(bar, SB_THUMBPOSITION, state.trackPosition);
  }
  Notify(bar, SB_ENDSCROLL, 0);
}

LRESULT ScrollBarProc(HWND bar, UINT message, WPARAM wParam, LPARAM lParam) {
  if (KeepControlState<PressState>(bar, message))
    return DefWindowProc(bar, message, wParam, lParam);
  PressState* state = StateOf(bar);
  if (!state) return DefWindowProc(bar, message, wParam, lParam);
  switch (message) {
    case WM_PAINT:
      Paint(bar, *state);
      return 0;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
      Press(bar, *state, lParam);
      return 0;
    case WM_MOUSEMOVE:
      Drag(bar, *state, lParam);
      return 0;
    case WM_LBUTTONUP:
      Release(bar, *state);
      return 0;
    case WM_TIMER:
      if (wParam == kRepeatTimer) Repeat(bar, *state);
      return 0;
    case WM_CAPTURECHANGED:
      if (reinterpret_cast<HWND>(lParam) != bar) Release(bar, *state);
      return 0;
    default:
      return DefWindowProc(bar, message, wParam, lParam);
  }
}

}  // namespace

void RegisterScrollBarClass() {
  RegisterControlClass(kScrollBarClass, ScrollBarProc);
}
