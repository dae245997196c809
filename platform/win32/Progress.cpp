#include "platform/win32/Progress.h"

#include <algorithm>
#include <cstdint>

#include "platform/win32/ControlSupport.h"
#include "platform/win32/Window.h"
#include "platform/win32/WindowPaint.h"

namespace {

struct ProgressState {
  int32_t low = 0;
  int32_t high = 100;
  int32_t position = 0;
  int32_t step = 10;
};

ProgressState* StateOf(HWND bar) {
  return ControlStateOf<ProgressState>(bar);
}

int32_t Clamped(const ProgressState& state, int64_t position) {
  const int64_t low = std::min(state.low, state.high);
  const int64_t high = std::max(state.low, state.high);
  return static_cast<int32_t>(std::clamp(position, low, high));
}

// The old range packed as two 16-bit halves, the way PBM_SETRANGE answers.
LRESULT PackedRange(const ProgressState& state) {
  return static_cast<LRESULT>(
      MAKELONG(static_cast<WORD>(state.low & 0xFFFF), static_cast<WORD>(state.high & 0xFFFF)));
}

LRESULT SetRange(HWND bar, ProgressState& state, int32_t low, int32_t high) {
  const LRESULT old = PackedRange(state);
  state.low = low;
  state.high = high;
  state.position = Clamped(state, state.position);
  InvalidateRect(bar, nullptr, TRUE);
  return old;
}

LRESULT MoveTo(HWND bar, ProgressState& state, int32_t position) {
  const int32_t old = state.position;
  state.position = position;
  if (old != position) InvalidateRect(bar, nullptr, TRUE);
  return old;
}

// A step past the high end starts over from the low end.
int32_t Stepped(const ProgressState& state) {
  const int64_t next = static_cast<int64_t>(state.position) + state.step;
  const int64_t span = static_cast<int64_t>(state.high) - state.low;
  if (span <= 0) return state.low;
  if (next > state.high) return static_cast<int32_t>(state.low + (next - state.low) % span);
  if (next < state.low) return state.high;
  return static_cast<int32_t>(next);
}

// The filled part's right edge inside the frame.
int32_t FilledRight(const ProgressState& state, const RECT& inside) {
  const int64_t span = static_cast<int64_t>(state.high) - state.low;
  if (span <= 0) return inside.left;
  const int64_t done = static_cast<int64_t>(state.position) - state.low;
  return inside.left + static_cast<int32_t>(done * (inside.right - inside.left) / span);
}

void Paint(HWND bar, const ProgressState& state) {
  ControlPaint paint(bar);
  const RECT client = paint.client();
  FillSolid(paint.dc(), client, kControlFace);
  FrameSolid(paint.dc(), client, kControlGrayText);
  const RECT inside{client.left + 1, client.top + 1, client.right - 1, client.bottom - 1};
  if (inside.right <= inside.left || inside.bottom <= inside.top) return;
  const RECT filled{inside.left, inside.top, FilledRight(state, inside), inside.bottom};
  if (filled.right > filled.left) FillSolid(paint.dc(), filled, kControlHighlight);
}

LRESULT GetRange(const ProgressState& state, WPARAM wantLow, LPARAM lParam) {
  if (auto* range = reinterpret_cast<PBRANGE*>(lParam)) {
    range->iLow = state.low;
    range->iHigh = state.high;
  }
  return wantLow ? state.low : state.high;
}

LRESULT ProgressProc(HWND bar, UINT message, WPARAM wParam, LPARAM lParam) {
  if (KeepControlState<ProgressState>(bar, message))
    return DefWindowProc(bar, message, wParam, lParam);
  ProgressState* state = StateOf(bar);
  if (!state) return DefWindowProc(bar, message, wParam, lParam);
  switch (message) {
    case WM_PAINT:
      Paint(bar, *state);
      return 0;
    case PBM_SETRANGE:
      return SetRange(bar, *state, LOWORD(lParam), HIWORD(lParam));
    case PBM_SETRANGE32:
      return SetRange(bar, *state, static_cast<int32_t>(wParam), static_cast<int32_t>(lParam));
    case PBM_GETRANGE:
      return GetRange(*state, wParam, lParam);
    case PBM_SETPOS:
      return MoveTo(bar, *state, Clamped(*state, static_cast<int32_t>(wParam)));
    case PBM_DELTAPOS:
      return MoveTo(bar, *state,
                    Clamped(*state, static_cast<int64_t>(state->position) +
                                        static_cast<int32_t>(wParam)));
    case PBM_GETPOS:
      return state->position;
    case PBM_SETSTEP: {
      const int32_t old = state->step;
      state->step = static_cast<int32_t>(wParam);
      return old;
    }
    case PBM_STEPIT:
      return MoveTo(bar, *state, Stepped(*state));
    default:
      return DefWindowProc(bar, message, wParam, lParam);
  }
}

}  // namespace

void RegisterProgressClass() {
  RegisterControlClass(kProgressClass, ProgressProc);
}
