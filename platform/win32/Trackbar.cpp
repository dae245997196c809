#include "platform/win32/Trackbar.h"

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <vector>

#include "platform/win32/ControlSupport.h"
#include "platform/win32/Input.h"
#include "platform/win32/Message.h"
#include "platform/win32/Window.h"
#include "platform/win32/WindowPaint.h"
#include "platform/win32/WindowRegion.h"

namespace {

constexpr int32_t kStateOffset = 0;
constexpr int32_t kThumbLength = 10;  // along the channel
constexpr int32_t kMargin = kThumbLength / 2 + 2;

struct TrackbarState {
  int32_t minimum = 0;
  int32_t maximum = 100;
  int32_t position = 0;
  int32_t line = 1;
  int32_t page = 20;
  int32_t tickStep = 0;  // 0: no ticks
  bool dragging = false;
  bool moved = false;      // a move by the user waits for its TB_ENDTRACK
  int32_t grabOffset = 0;  // where the thumb was taken, from its centre
};

TrackbarState* StateOf(HWND bar) {
  return reinterpret_cast<TrackbarState*>(GetWindowLongPtr(bar, kStateOffset));
}

bool Vertical(HWND bar) {
  return (GetWindowLongPtr(bar, GWL_STYLE) & TBS_VERT) != 0;
}

// The channel's length in pixels along the bar, and its start.
int32_t ChannelLength(HWND bar) {
  RECT client;
  GetClientRect(bar, &client);
  const int32_t along = Vertical(bar) ? client.bottom : client.right;
  return std::max(1, along - 2 * kMargin);
}

int32_t CentreOf(HWND bar, const TrackbarState& state) {
  const int32_t span = std::max(1, state.maximum - state.minimum);
  return kMargin + static_cast<int32_t>(static_cast<int64_t>(state.position - state.minimum) *
                                        ChannelLength(bar) / span);
}

int32_t PositionAt(HWND bar, const TrackbarState& state, int32_t along) {
  const int32_t span = state.maximum - state.minimum;
  const int64_t scaled = static_cast<int64_t>(along - kMargin) * span;
  const int32_t length = ChannelLength(bar);
  const int32_t rounded =
      static_cast<int32_t>((scaled + (scaled >= 0 ? length / 2 : -length / 2)) / length);
  return std::clamp(state.minimum + rounded, state.minimum, state.maximum);
}

RECT ThumbRect(HWND bar, const TrackbarState& state) {
  RECT client;
  GetClientRect(bar, &client);
  const int32_t centre = CentreOf(bar, state);
  if (Vertical(bar))
    return RECT{2, centre - kThumbLength / 2, client.right - 2, centre + kThumbLength / 2};
  return RECT{centre - kThumbLength / 2, 2, centre + kThumbLength / 2, client.bottom - 2};
}

int32_t Along(HWND bar, LPARAM lParam) {
  return Vertical(bar) ? GET_Y_LPARAM(lParam) : GET_X_LPARAM(lParam);
}

void Notify(HWND bar, WORD request, int32_t position) {
  const HWND parent = GetParent(bar);
  if (!parent) return;
  SendMessage(parent, Vertical(bar) ? WM_VSCROLL : WM_HSCROLL,
              static_cast<WPARAM>(MAKELONG(request, position)), reinterpret_cast<LPARAM>(bar));
}

bool SetPosition(HWND bar, TrackbarState& state, int32_t position) {
  position = std::clamp(position, state.minimum, state.maximum);
  if (position == state.position) return false;
  state.position = position;
  InvalidateRect(bar, nullptr, TRUE);
  return true;
}

// A move by the user: the position changes and the parent hears the request.
void UserMove(HWND bar, TrackbarState& state, WORD request, int32_t position) {
  SetPosition(bar, state, position);
  state.moved = true;
  Notify(bar, request, state.position);
}

void EndMove(HWND bar, TrackbarState& state) {
  if (!state.moved) return;
  state.moved = false;
  Notify(bar, TB_ENDTRACK, state.position);
}

bool ShowsTicks(HWND bar, const TrackbarState& state) {
  return state.tickStep > 0 && (GetWindowLongPtr(bar, GWL_STYLE) & TBS_NOTICKS) == 0;
}

// The positions that carry a tick: every step from the minimum, and the maximum.
std::vector<int32_t> TickPositions(HWND bar, const TrackbarState& state) {
  std::vector<int32_t> ticks;
  if (!ShowsTicks(bar, state)) return ticks;
  for (int64_t at = state.minimum; at < state.maximum; at += state.tickStep) {
    ticks.push_back(static_cast<int32_t>(at));
  }
  ticks.push_back(state.maximum);
  return ticks;
}

// Ticks of two pixels at the outer edge, clear of the thumb.
void PaintTicks(HDC dc, HWND bar, const TrackbarState& state, const RECT& client) {
  const int32_t span = std::max(1, state.maximum - state.minimum);
  for (const int32_t at : TickPositions(bar, state)) {
    const int32_t offset = kMargin + static_cast<int32_t>(static_cast<int64_t>(at - state.minimum) *
                                                          ChannelLength(bar) / span);
    const RECT tick = Vertical(bar) ? RECT{client.right - 2, offset, client.right, offset + 1}
                                    : RECT{offset, client.bottom - 2, offset + 1, client.bottom};
    FillSolid(dc, tick, kControlEdge);
  }
}

void Paint(HWND bar, const TrackbarState& state) {
  ControlPaint paint(bar);
  const RECT& client = paint.client();
  FillSolid(paint.dc(), client, kControlFace);
  const int32_t middle = (Vertical(bar) ? client.right : client.bottom) / 2;
  const RECT channel = Vertical(bar)
                           ? RECT{middle - 2, kMargin, middle + 2, client.bottom - kMargin}
                           : RECT{kMargin, middle - 2, client.right - kMargin, middle + 2};
  FillSolid(paint.dc(), channel, kControlWindow);
  FrameSolid(paint.dc(), channel, kControlEdge);
  const RECT thumb = ThumbRect(bar, state);
  FillSolid(paint.dc(), thumb, state.dragging ? kControlPressedFace : kControlFace);
  FrameSolid(paint.dc(), thumb, kControlEdge);
  PaintTicks(paint.dc(), bar, state, client);
  if (GetFocus() == bar) DrawFocusFrame(paint.dc(), client);
}

void KeyDown(HWND bar, TrackbarState& state, WPARAM key) {
  switch (key) {
    case VK_LEFT:
    case VK_UP:
      UserMove(bar, state, TB_LINEUP, state.position - state.line);
      break;
    case VK_RIGHT:
    case VK_DOWN:
      UserMove(bar, state, TB_LINEDOWN, state.position + state.line);
      break;
    case VK_PRIOR:
      UserMove(bar, state, TB_PAGEUP, state.position - state.page);
      break;
    case VK_NEXT:
      UserMove(bar, state, TB_PAGEDOWN, state.position + state.page);
      break;
    case VK_HOME:
      UserMove(bar, state, TB_TOP, state.minimum);
      break;
    case VK_END:
      UserMove(bar, state, TB_BOTTOM, state.maximum);
      break;
    default:
      break;
  }
}

void Press(HWND bar, TrackbarState& state, LPARAM lParam) {
  SetFocus(bar);
  SetCapture(bar);
  const int32_t along = Along(bar, lParam);
  const int32_t centre = CentreOf(bar, state);
  if (std::abs(along - centre) <= kThumbLength / 2) {
    state.dragging = true;
    state.grabOffset = along - centre;
    InvalidateRect(bar, nullptr, TRUE);
    return;
  }
  if (along < centre)
    UserMove(bar, state, TB_PAGEUP, state.position - state.page);
  else
    UserMove(bar, state, TB_PAGEDOWN, state.position + state.page);
}

void Release(HWND bar, TrackbarState& state) {
  if (GetCapture() == bar) ReleaseCapture();
  if (state.dragging) {
    state.dragging = false;
    state.moved = true;
    InvalidateRect(bar, nullptr, TRUE);
    Notify(bar, TB_THUMBPOSITION, state.position);
  }
  EndMove(bar, state);
}

LRESULT RangeMessage(HWND bar, TrackbarState& state, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case TBM_SETRANGE:
      state.minimum = static_cast<int16_t>(LOWORD(static_cast<uintptr_t>(lParam)));
      state.maximum = static_cast<int16_t>(HIWORD(static_cast<uintptr_t>(lParam)));
      break;
    case TBM_SETRANGEMIN:
      state.minimum = static_cast<int32_t>(lParam);
      break;
    case TBM_SETRANGEMAX:
      state.maximum = static_cast<int32_t>(lParam);
      break;
    default:
      break;
  }
  if (state.maximum < state.minimum) state.maximum = state.minimum;
  state.position = std::clamp(state.position, state.minimum, state.maximum);
  if (wParam) InvalidateRect(bar, nullptr, TRUE);
  return 0;
}

LRESULT TrackbarProc(HWND bar, UINT message, WPARAM wParam, LPARAM lParam) {
  TrackbarState* state = StateOf(bar);
  if (!state && message != WM_NCCREATE) return DefWindowProc(bar, message, wParam, lParam);
  switch (message) {
    case WM_NCCREATE: {
      auto owned = std::make_unique<TrackbarState>();
      const auto* create = reinterpret_cast<const CREATESTRUCT*>(lParam);
      if (create != nullptr && (create->style & TBS_AUTOTICKS) != 0) owned->tickStep = 1;
      SetWindowLongPtr(bar, kStateOffset, reinterpret_cast<LONG_PTR>(owned.release()));
      return DefWindowProc(bar, message, wParam, lParam);
    }
    case WM_NCDESTROY:
      SetWindowLongPtr(bar, kStateOffset, 0);
      delete state;
      return DefWindowProc(bar, message, wParam, lParam);
    case WM_PAINT:
      Paint(bar, *state);
      return 0;
    case WM_GETDLGCODE:
      return DLGC_WANTARROWS;
    case WM_LBUTTONDOWN:
      Press(bar, *state, lParam);
      return 0;
    case WM_MOUSEMOVE:
      if (state->dragging &&
          SetPosition(bar, *state, PositionAt(bar, *state, Along(bar, lParam) - state->grabOffset)))
        Notify(bar, TB_THUMBTRACK, state->position);
      return 0;
    case WM_LBUTTONUP:
      Release(bar, *state);
      return 0;
    case WM_CAPTURECHANGED:
      if (state->dragging && reinterpret_cast<HWND>(lParam) != bar) Release(bar, *state);
      return 0;
    case WM_KEYDOWN:
      KeyDown(bar, *state, wParam);
      return 0;
    case WM_KEYUP:
      EndMove(bar, *state);
      return 0;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
    case WM_ENABLE:
      InvalidateRect(bar, nullptr, TRUE);
      return 0;
    case TBM_GETPOS:
      return state->position;
    case TBM_SETPOS:
      SetPosition(bar, *state, static_cast<int32_t>(lParam));
      return 0;
    case TBM_GETRANGEMIN:
      return state->minimum;
    case TBM_GETRANGEMAX:
      return state->maximum;
    case TBM_SETRANGE:
    case TBM_SETRANGEMIN:
    case TBM_SETRANGEMAX:
      return RangeMessage(bar, *state, message, wParam, lParam);
    case TBM_SETPAGESIZE: {
      const int32_t old = state->page;
      state->page = static_cast<int32_t>(lParam);
      return old;
    }
    case TBM_GETPAGESIZE:
      return state->page;
    case TBM_SETTICFREQ:
      state->tickStep = std::max<int32_t>(1, static_cast<int32_t>(wParam));
      InvalidateRect(bar, nullptr, TRUE);
      return 0;
    case TBM_GETNUMTICS:
      return static_cast<LRESULT>(TickPositions(bar, *state).size());
    case TBM_SETLINESIZE: {
      const int32_t old = state->line;
      state->line = static_cast<int32_t>(lParam);
      return old;
    }
    case TBM_GETLINESIZE:
      return state->line;
    case TBM_GETTHUMBRECT:
      if (lParam) *reinterpret_cast<RECT*>(lParam) = ThumbRect(bar, *state);
      return 0;
    default:
      return DefWindowProc(bar, message, wParam, lParam);
  }
}

}  // namespace

void RegisterTrackbarClass() {
  if (GetClassInfo(kTrackbarClass, nullptr)) return;
  WNDCLASS windowClass;
  windowClass.lpfnWndProc = TrackbarProc;
  windowClass.lpszClassName = kTrackbarClass;
  windowClass.cbWndExtra = static_cast<int32_t>(sizeof(LONG_PTR));
  windowClass.background = kNoBackground;
  RegisterClass(&windowClass);
}
