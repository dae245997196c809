#include "platform/win32/StatusBar.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "platform/win32/ControlSupport.h"
#include "platform/win32/Dc.h"
#include "platform/win32/Font.h"
#include "platform/win32/Window.h"
#include "platform/win32/WindowPaint.h"

namespace {

constexpr int32_t kBorder = 2;

struct StatusPart {
  int32_t right = -1;
  std::string text;
  UINT drawing = 0;
};

struct StatusBarState {
  std::vector<StatusPart> parts{StatusPart{}};
};

StatusBarState* StateOf(HWND bar) {
  return ControlStateOf<StatusBarState>(bar);
}

RECT PartRect(HWND bar, const StatusBarState& state, size_t index) {
  RECT client;
  GetClientRect(bar, &client);
  const int32_t left = index == 0 ? 0 : state.parts[index - 1].right;
  const int32_t right = state.parts[index].right < 0 ? client.right : state.parts[index].right;
  return RECT{std::min(left, client.right), client.top + kBorder, std::min(right, client.right),
              client.bottom};
}

void Paint(HWND bar, const StatusBarState& state) {
  ControlPaint paint(bar);
  FillSolid(paint.dc(), paint.client(), kDialogFace);
  SetTextColor(paint.dc(), kControlText);
  for (size_t i = 0; i < state.parts.size(); ++i) {
    RECT place = PartRect(bar, state, i);
    if (place.right <= place.left) continue;
    if (!(state.parts[i].drawing & SBT_NOBORDERS)) FrameSolid(paint.dc(), place, kControlGrayText);
    RECT text{place.left + kBorder + 1, place.top, place.right - kBorder, place.bottom};
    DrawText(paint.dc(), state.parts[i].text.c_str(),
             static_cast<int32_t>(state.parts[i].text.size()), &text,
             DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
  }
}

LRESULT SetParts(HWND bar, StatusBarState& state, WPARAM count, LPARAM lParam) {
  const auto* rights = reinterpret_cast<const int32_t*>(lParam);
  if (count == 0 || count > static_cast<WPARAM>(kStatusBarMaxParts) || !rights) return FALSE;
  state.parts.resize(count);
  for (size_t i = 0; i < count; ++i)
    state.parts[i].right = rights[i];
  InvalidateRect(bar, nullptr, TRUE);
  return TRUE;
}

LRESULT GetParts(const StatusBarState& state, WPARAM count, LPARAM lParam) {
  auto* rights = reinterpret_cast<int32_t*>(lParam);
  if (rights) {
    const size_t copied = std::min(static_cast<size_t>(count), state.parts.size());
    for (size_t i = 0; i < copied; ++i)
      rights[i] = state.parts[i].right;
  }
  return static_cast<LRESULT>(state.parts.size());
}

// The part's text length in the low word, its drawing flags in the high word.
LRESULT TextInfo(const StatusPart& part) {
  return static_cast<LRESULT>(MAKELONG(static_cast<WORD>(part.text.size()), part.drawing >> 8));
}

LRESULT SetText(HWND bar, StatusBarState& state, WPARAM wParam, LPARAM lParam) {
  const size_t index = wParam & 0xFF;
  if (index >= state.parts.size()) return FALSE;
  const char* text = reinterpret_cast<const char*>(lParam);
  state.parts[index].text = text ? text : "";
  state.parts[index].drawing = static_cast<UINT>(wParam & 0xFF00);
  if (index == 0) DefWindowProc(bar, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text ? text : ""));
  InvalidateRect(bar, nullptr, TRUE);
  return TRUE;
}

LRESULT StatusBarProc(HWND bar, UINT message, WPARAM wParam, LPARAM lParam) {
  if (KeepControlState<StatusBarState>(bar, message))
    return DefWindowProc(bar, message, wParam, lParam);
  StatusBarState* state = StateOf(bar);
  if (!state) return DefWindowProc(bar, message, wParam, lParam);
  switch (message) {
    case WM_PAINT:
      Paint(bar, *state);
      return 0;
    case WM_SETTEXT:
      return SetText(bar, *state, state->parts[0].drawing, lParam);
    case SB_SETTEXT:
      return SetText(bar, *state, wParam, lParam);
    case SB_GETTEXT: {
      if (wParam >= state->parts.size()) return 0;
      const StatusPart& part = state->parts[wParam];
      if (lParam)
        std::memcpy(reinterpret_cast<char*>(lParam), part.text.c_str(), part.text.size() + 1);
      return TextInfo(part);
    }
    case SB_GETTEXTLENGTH:
      if (wParam >= state->parts.size()) return 0;
      return TextInfo(state->parts[wParam]);
    case SB_SETPARTS:
      return SetParts(bar, *state, wParam, lParam);
    case SB_GETPARTS:
      return GetParts(*state, wParam, lParam);
    case SB_GETRECT:
      if (wParam >= state->parts.size() || !lParam) return FALSE;
      *reinterpret_cast<RECT*>(lParam) = PartRect(bar, *state, wParam);
      return TRUE;
    default:
      return DefWindowProc(bar, message, wParam, lParam);
  }
}

}  // namespace

void RegisterStatusBarClass() {
  RegisterControlClass(kStatusBarClass, StatusBarProc);
}
