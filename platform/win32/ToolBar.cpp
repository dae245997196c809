#include "platform/win32/ToolBar.h"

#include <algorithm>
#include <memory>
#include <vector>

#include "platform/win32/ControlSupport.h"
#include "platform/win32/Dc.h"
#include "platform/win32/DcDraw.h"
#include "platform/win32/GdiObjects.h"
#include "platform/win32/Input.h"
#include "platform/win32/Message.h"
#include "platform/win32/Window.h"
#include "platform/win32/WindowPaint.h"
#include "platform/win32/WindowRegion.h"

namespace {

constexpr int32_t kStateOffset = 0;
constexpr int32_t kBorder = 2;
constexpr int32_t kSeparatorWidth = 8;

struct ToolBarState {
  std::vector<TBBUTTON> buttons;
  HBITMAP images = nullptr;  // owned
  SIZE buttonSize{24, 22};
  SIZE imageSize{16, 15};
  int32_t pressed = -1;  // the button held down by the mouse
  HWND notify = nullptr;  // where commands go, when not to the parent
};

ToolBarState* StateOf(HWND bar) {
  return reinterpret_cast<ToolBarState*>(GetWindowLongPtr(bar, kStateOffset));
}

bool IsSeparator(const TBBUTTON& button) {
  return (button.fsStyle & TBSTYLE_SEP) != 0;
}

int32_t WidthOf(const ToolBarState& state, const TBBUTTON& button) {
  if (!IsSeparator(button)) return state.buttonSize.cx;
  return button.iBitmap > 0 ? button.iBitmap : kSeparatorWidth;
}

// The place of every button: rows left to right, a new row after each wrapped button. Hidden
// buttons get an empty rectangle.
std::vector<RECT> Layout(const ToolBarState& state) {
  std::vector<RECT> places;
  int32_t x = kBorder;
  int32_t y = kBorder;
  for (const TBBUTTON& button : state.buttons) {
    if (button.fsState & TBSTATE_HIDDEN) {
      places.push_back(RECT{});
      continue;
    }
    const int32_t width = WidthOf(state, button);
    places.push_back(RECT{x, y, x + width, y + state.buttonSize.cy});
    x += width;
    if (button.fsState & TBSTATE_WRAP) {
      x = kBorder;
      y += state.buttonSize.cy;
    }
  }
  return places;
}

int32_t RowCount(const ToolBarState& state) {
  int32_t rows = state.buttons.empty() ? 0 : 1;
  for (size_t i = 0; i + 1 < state.buttons.size(); ++i)
    if ((state.buttons[i].fsState & TBSTATE_WRAP) && !(state.buttons[i].fsState & TBSTATE_HIDDEN))
      ++rows;
  return rows;
}

SIZE MaxSize(const ToolBarState& state) {
  SIZE size{0, 0};
  for (const RECT& place : Layout(state)) {
    size.cx = std::max(size.cx, place.right + kBorder);
    size.cy = std::max(size.cy, place.bottom + kBorder);
  }
  return size;
}

int32_t ButtonAt(const ToolBarState& state, POINT point) {
  const std::vector<RECT> places = Layout(state);
  for (size_t i = 0; i < places.size(); ++i) {
    if (IsSeparator(state.buttons[i]) || !PtInRect(places[i], point)) continue;
    return static_cast<int32_t>(i);
  }
  return -1;
}

void DrawImage(HDC dc, const ToolBarState& state, const TBBUTTON& button, const RECT& place) {
  if (!state.images) return;
  BITMAP info;
  if (!GetObject(state.images, sizeof info, &info)) return;
  const int32_t sourceX = button.iBitmap * state.imageSize.cx;
  if (button.iBitmap < 0 || sourceX + state.imageSize.cx > info.bmWidth) return;
  const HDC images = CreateCompatibleDC(dc);
  const HGDIOBJ old = SelectObject(images, state.images);
  const int32_t x = (place.left + place.right - state.imageSize.cx) / 2;
  const int32_t y = (place.top + place.bottom - state.imageSize.cy) / 2;
  BitBlt(dc, x, y, state.imageSize.cx, state.imageSize.cy, images, sourceX, 0, SRCCOPY);
  SelectObject(images, old);
  DeleteDC(images);
}

void Paint(HWND bar, const ToolBarState& state) {
  ControlPaint paint(bar);
  FillSolid(paint.dc(), paint.client(), kControlFace);
  const std::vector<RECT> places = Layout(state);
  for (size_t i = 0; i < places.size(); ++i) {
    const TBBUTTON& button = state.buttons[i];
    if ((button.fsState & TBSTATE_HIDDEN) || IsSeparator(button)) continue;
    const bool down = (button.fsState & (TBSTATE_PRESSED | TBSTATE_CHECKED)) != 0;
    if (down) FillSolid(paint.dc(), places[i], kControlPressedFace);
    DrawImage(paint.dc(), state, button, places[i]);
    if (down) FrameSolid(paint.dc(), places[i], kControlEdge);
    if (!(button.fsState & TBSTATE_ENABLED)) {
      // Disabled buttons are greyed by a light veil over every other pixel row.
      for (int32_t y = places[i].top; y < places[i].bottom; y += 2)
        FillSolid(paint.dc(), RECT{places[i].left, y, places[i].right, y + 1}, kControlFace);
    }
  }
}

void SetState(HWND bar, ToolBarState& state, int32_t index, BYTE value) {
  if (index < 0 || index >= static_cast<int32_t>(state.buttons.size())) return;
  state.buttons[static_cast<size_t>(index)].fsState = value;
  InvalidateRect(bar, nullptr, TRUE);
}

// A check button in a group: checking it clears the others of its group (the neighbours with
// TBSTYLE_GROUP on both sides).
void Check(HWND bar, ToolBarState& state, int32_t index, bool checked) {
  TBBUTTON& button = state.buttons[static_cast<size_t>(index)];
  if (checked && (button.fsStyle & TBSTYLE_GROUP)) {
    for (int32_t step : {-1, 1}) {
      for (int32_t i = index + step; i >= 0 && i < static_cast<int32_t>(state.buttons.size());
           i += step) {
        TBBUTTON& other = state.buttons[static_cast<size_t>(i)];
        if (!(other.fsStyle & TBSTYLE_GROUP) || IsSeparator(other)) break;
        other.fsState &= static_cast<BYTE>(~TBSTATE_CHECKED);
      }
    }
  }
  if (checked)
    button.fsState |= TBSTATE_CHECKED;
  else
    button.fsState &= static_cast<BYTE>(~TBSTATE_CHECKED);
  InvalidateRect(bar, nullptr, TRUE);
}

void Release(HWND bar, ToolBarState& state, POINT point) {
  const int32_t index = state.pressed;
  state.pressed = -1;
  if (GetCapture() == bar) ReleaseCapture();
  if (index < 0 || index >= static_cast<int32_t>(state.buttons.size())) return;
  TBBUTTON& button = state.buttons[static_cast<size_t>(index)];
  button.fsState &= static_cast<BYTE>(~TBSTATE_PRESSED);
  InvalidateRect(bar, nullptr, TRUE);
  if (ButtonAt(state, point) != index) return;
  if (button.fsStyle & TBSTYLE_CHECK) {
    const bool checked = (button.fsState & TBSTATE_CHECKED) != 0;
    // A checked button of a group stays checked when clicked again.
    Check(bar, state, index, !checked || (button.fsStyle & TBSTYLE_GROUP));
  }
  const HWND parent = state.notify != nullptr && IsWindow(state.notify) ? state.notify : GetParent(bar);
  if (parent)
    SendMessage(parent, WM_COMMAND, static_cast<WPARAM>(MAKELONG(button.idCommand, 0)),
                reinterpret_cast<LPARAM>(bar));
}

int32_t IndexOfCommand(const ToolBarState& state, WPARAM command) {
  for (size_t i = 0; i < state.buttons.size(); ++i)
    if (state.buttons[i].idCommand == static_cast<int32_t>(command) &&
        !IsSeparator(state.buttons[i]))
      return static_cast<int32_t>(i);
  return -1;
}

LRESULT ButtonMessage(HWND bar, ToolBarState& state, UINT message, WPARAM wParam, LPARAM lParam) {
  const int32_t count = static_cast<int32_t>(state.buttons.size());
  const auto index = static_cast<int32_t>(wParam);
  switch (message) {
    case TB_SETPARENT: {
      const HWND before = state.notify;
      state.notify = reinterpret_cast<HWND>(wParam);
      return reinterpret_cast<LRESULT>(before);
    }
    case TB_ADDBUTTONS:
    case TB_INSERTBUTTON: {
      const auto* given = reinterpret_cast<const TBBUTTON*>(lParam);
      if (!given) return FALSE;
      if (message == TB_INSERTBUTTON) {
        const int32_t at = index < 0 || index > count ? count : index;
        state.buttons.insert(state.buttons.begin() + at, *given);
      } else {
        state.buttons.insert(state.buttons.end(), given, given + index);
      }
      InvalidateRect(bar, nullptr, TRUE);
      return TRUE;
    }
    case TB_DELETEBUTTON:
      if (index < 0 || index >= count) return FALSE;
      state.buttons.erase(state.buttons.begin() + index);
      InvalidateRect(bar, nullptr, TRUE);
      return TRUE;
    case TB_GETBUTTON:
      if (index < 0 || index >= count || !lParam) return FALSE;
      *reinterpret_cast<TBBUTTON*>(lParam) = state.buttons[static_cast<size_t>(index)];
      return TRUE;
    case TB_BUTTONCOUNT:
      return count;
    case TB_GETITEMRECT: {
      if (index < 0 || index >= count || !lParam) return FALSE;
      *reinterpret_cast<RECT*>(lParam) = Layout(state)[static_cast<size_t>(index)];
      return TRUE;
    }
    case TB_SETBUTTONSTYLESTATE:
      if (index < 0 || index >= count) return FALSE;
      state.buttons[static_cast<size_t>(index)].fsStyle = static_cast<BYTE>(LOWORD(lParam));
      SetState(bar, state, index, static_cast<BYTE>(HIWORD(lParam)));
      return TRUE;
    default:
      return 0;
  }
}

LRESULT CommandMessage(HWND bar, ToolBarState& state, UINT message, WPARAM wParam, LPARAM lParam) {
  const int32_t index = IndexOfCommand(state, wParam);
  if (message == TB_COMMANDTOINDEX) return index;
  if (index < 0) return message == TB_GETSTATE ? -1 : FALSE;
  TBBUTTON& button = state.buttons[static_cast<size_t>(index)];
  switch (message) {
    case TB_ENABLEBUTTON:
      SetState(bar, state, index,
               static_cast<BYTE>(LOWORD(lParam) ? button.fsState | TBSTATE_ENABLED
                                                : button.fsState & ~TBSTATE_ENABLED));
      return TRUE;
    case TB_CHECKBUTTON:
      Check(bar, state, index, LOWORD(lParam) != 0);
      return TRUE;
    case TB_ISBUTTONCHECKED:
      return (button.fsState & TBSTATE_CHECKED) ? TRUE : FALSE;
    case TB_SETSTATE:
      SetState(bar, state, index, static_cast<BYTE>(LOWORD(lParam)));
      return TRUE;
    case TB_GETSTATE:
      return button.fsState;
    default:
      return FALSE;
  }
}

LRESULT ToolBarProc(HWND bar, UINT message, WPARAM wParam, LPARAM lParam) {
  ToolBarState* state = StateOf(bar);
  if (!state && message != WM_NCCREATE) return DefWindowProc(bar, message, wParam, lParam);
  switch (message) {
    case WM_NCCREATE:
      SetWindowLongPtr(bar, kStateOffset,
                       reinterpret_cast<LONG_PTR>(std::make_unique<ToolBarState>().release()));
      return DefWindowProc(bar, message, wParam, lParam);
    case WM_NCDESTROY:
      SetWindowLongPtr(bar, kStateOffset, 0);
      if (state->images) DeleteObject(state->images);
      delete state;
      return DefWindowProc(bar, message, wParam, lParam);
    case WM_PAINT:
      Paint(bar, *state);
      return 0;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
      const int32_t index = ButtonAt(*state, POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
      if (index < 0 || !(state->buttons[static_cast<size_t>(index)].fsState & TBSTATE_ENABLED))
        return 0;
      state->pressed = index;
      state->buttons[static_cast<size_t>(index)].fsState |= TBSTATE_PRESSED;
      SetCapture(bar);
      InvalidateRect(bar, nullptr, TRUE);
      return 0;
    }
    case WM_LBUTTONUP:
      Release(bar, *state, POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
      return 0;
    case TB_BUTTONSTRUCTSIZE:
      return 0;
    case TB_ADDBITMAP: {
      const auto* added = reinterpret_cast<const TBADDBITMAP*>(lParam);
      if (!added || added->hInst) return -1;
      if (state->images) DeleteObject(state->images);
      state->images = reinterpret_cast<HBITMAP>(added->nID);
      InvalidateRect(bar, nullptr, TRUE);
      return 0;
    }
    case TB_SETBUTTONSIZE:
    case TB_SETBITMAPSIZE: {
      const SIZE size{LOWORD(static_cast<uintptr_t>(lParam)),
                      HIWORD(static_cast<uintptr_t>(lParam))};
      if (size.cx <= 0 || size.cy <= 0) return FALSE;
      (message == TB_SETBUTTONSIZE ? state->buttonSize : state->imageSize) = size;
      InvalidateRect(bar, nullptr, TRUE);
      return TRUE;
    }
    case TB_GETMAXSIZE:
      if (lParam) *reinterpret_cast<SIZE*>(lParam) = MaxSize(*state);
      return TRUE;
    case TB_GETROWS:
      return RowCount(*state);
    case TB_AUTOSIZE: {
      const SIZE size = MaxSize(*state);
      RECT window;
      GetClientRect(bar, &window);
      SetWindowPos(bar, nullptr, 0, 0, std::max(window.right, size.cx), size.cy,
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
      return 0;
    }
    case TB_SETPARENT:
    case TB_ADDBUTTONS:
    case TB_INSERTBUTTON:
    case TB_DELETEBUTTON:
    case TB_GETBUTTON:
    case TB_BUTTONCOUNT:
    case TB_GETITEMRECT:
    case TB_SETBUTTONSTYLESTATE:
      return ButtonMessage(bar, *state, message, wParam, lParam);
    case TB_ENABLEBUTTON:
    case TB_CHECKBUTTON:
    case TB_ISBUTTONCHECKED:
    case TB_SETSTATE:
    case TB_GETSTATE:
    case TB_COMMANDTOINDEX:
      return CommandMessage(bar, *state, message, wParam, lParam);
    default:
      return DefWindowProc(bar, message, wParam, lParam);
  }
}

}  // namespace

void RegisterToolBarClass() {
  if (GetClassInfo(kToolBarClass, nullptr)) return;
  WNDCLASS windowClass;
  windowClass.lpfnWndProc = ToolBarProc;
  windowClass.lpszClassName = kToolBarClass;
  windowClass.cbWndExtra = static_cast<int32_t>(sizeof(LONG_PTR));
  windowClass.background = kNoBackground;
  RegisterClass(&windowClass);
}
