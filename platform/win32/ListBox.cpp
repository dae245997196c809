#include "platform/win32/ListBox.h"

#include <algorithm>
#include <memory>
#include <string>

#include "platform/win32/ControlSupport.h"
#include "platform/win32/Dc.h"
#include "platform/win32/Font.h"
#include "platform/win32/Input.h"
#include "platform/win32/ListItems.h"
#include "platform/win32/Message.h"
#include "platform/win32/Timer.h"
#include "platform/win32/Window.h"
#include "platform/win32/WindowPaint.h"
#include "platform/win32/WindowRegion.h"

namespace {

constexpr UINT kDragInterval = 50;

struct ListBoxState {
  ListItems items;
  int32_t selected = -1;
  int32_t top = 0;
  int32_t itemHeight = 16;
  // The width the items can be scrolled across, in pixels.
  int32_t horizontalExtent = 0;
  bool dragging = false;
};

ListBoxState* StateOf(HWND list) {
  return ControlStateOf<ListBoxState>(list);
}

DWORD Style(HWND list) {
  return static_cast<DWORD>(GetWindowLongPtr(list, GWL_STYLE));
}
bool OwnerDrawn(HWND list) {
  return (Style(list) & LBS_OWNERDRAWFIXED) != 0;
}
bool KeepsTexts(HWND list) {
  return !OwnerDrawn(list) || (Style(list) & LBS_HASSTRINGS) != 0;
}

int32_t VisibleCount(HWND list, const ListBoxState& state) {
  RECT client;
  GetClientRect(list, &client);
  return std::max(1, client.bottom / std::max(1, state.itemHeight));
}

void UpdateScrollBar(HWND list, const ListBoxState& state) {
  if (!(Style(list) & WS_VSCROLL)) return;
  SCROLLINFO info;
  info.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
  info.nMin = 0;
  info.nMax = std::max(0, state.items.count() - 1);
  info.nPage = static_cast<UINT>(VisibleCount(list, state));
  info.nPos = state.top;
  SetScrollInfo(list, SB_VERT, &info, TRUE);
}

void SetTop(HWND list, ListBoxState& state, int32_t top) {
  const int32_t highest = std::max(0, state.items.count() - VisibleCount(list, state));
  top = std::clamp(top, 0, highest);
  if (top == state.top) return;
  state.top = top;
  UpdateScrollBar(list, state);
  InvalidateRect(list, nullptr, TRUE);
}

void ShowItem(HWND list, ListBoxState& state, int32_t index) {
  if (index < state.top) SetTop(list, state, index);
  const int32_t visible = VisibleCount(list, state);
  if (index >= state.top + visible) SetTop(list, state, index - visible + 1);
}

RECT ItemRect(HWND list, const ListBoxState& state, int32_t index) {
  RECT client;
  GetClientRect(list, &client);
  const int32_t top = (index - state.top) * state.itemHeight;
  return RECT{0, top, client.right, top + state.itemHeight};
}

// Selects an item; with `user` the parent hears of a change (LBS_NOTIFY).
void Select(HWND list, ListBoxState& state, int32_t index, bool user) {
  if (!state.items.Has(index)) index = -1;
  if (index == state.selected) return;
  state.selected = index;
  if (index >= 0) ShowItem(list, state, index);
  InvalidateRect(list, nullptr, TRUE);
  if (user && (Style(list) & LBS_NOTIFY)) NotifyParent(list, LBN_SELCHANGE);
}

int32_t ItemAt(const ListBoxState& state, int32_t y) {
  if (y < 0) return -1;
  const int32_t index = state.top + y / std::max(1, state.itemHeight);
  return state.items.Has(index) ? index : -1;
}

void PaintList(HWND list, const ListBoxState& state) {
  ControlPaint paint(list);
  const HDC dc = paint.dc();
  FillSolid(dc, paint.client(), kControlWindow);
  const bool focused = GetFocus() == list;
  for (int32_t index = state.top; index < state.items.count(); ++index) {
    const RECT rect = ItemRect(list, state, index);
    if (rect.top >= paint.client().bottom) break;
    const bool selected = index == state.selected;
    if (OwnerDrawn(list)) {
      UINT itemState = selected ? ODS_SELECTED : 0;
      if (selected && focused) itemState |= ODS_FOCUS;
      if (!IsWindowEnabled(list)) itemState |= ODS_DISABLED;
      SendDrawItem(list, ODT_LISTBOX, static_cast<UINT>(index), ODA_DRAWENTIRE, itemState, dc, rect,
                   state.items.at(index).data);
      continue;
    }
    if (selected) FillSolid(dc, rect, kControlHighlight);
    SetTextColor(dc, selected ? kControlHighlightText : kControlText);
    RECT text = rect;
    text.left += 2;
    const std::string& label = state.items.at(index).text;
    DrawText(dc, label.c_str(), static_cast<int32_t>(label.size()), &text,
             DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    if (selected && focused) DrawFocusFrame(dc, rect);
  }
}

void Scroll(HWND list, ListBoxState& state, WORD request, int32_t position) {
  const int32_t page = VisibleCount(list, state);
  switch (request) {
    case SB_LINEUP:
      SetTop(list, state, state.top - 1);
      break;
    case SB_LINEDOWN:
      SetTop(list, state, state.top + 1);
      break;
    case SB_PAGEUP:
      SetTop(list, state, state.top - page);
      break;
    case SB_PAGEDOWN:
      SetTop(list, state, state.top + page);
      break;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION:
      SetTop(list, state, position);
      break;
    case SB_TOP:
      SetTop(list, state, 0);
      break;
    case SB_BOTTOM:
      SetTop(list, state, state.items.count());
      break;
    default:
      break;
  }
}

// A press on the list's own scroll bar: the arrows step a line, the track a page.
void ScrollBarPress(HWND list, ListBoxState& state, LPARAM screenPoint) {
  RECT window;
  GetWindowRect(list, &window);
  const int32_t y = GET_Y_LPARAM(screenPoint) - window.top;
  const int32_t height = window.bottom - window.top;
  const int32_t arrow = GetSystemMetrics(SM_CXVSCROLL);
  WORD request = SB_PAGEDOWN;
  if (y < arrow) {
    request = SB_LINEUP;
  } else if (y >= height - arrow) {
    request = SB_LINEDOWN;
  } else {
    const int32_t count = std::max(1, state.items.count());
    const int32_t thumb = arrow + (height - 2 * arrow) * state.top / count;
    if (y < thumb) request = SB_PAGEUP;
  }
  Scroll(list, state, request, 0);
}

void MoveSelection(HWND list, ListBoxState& state, int32_t index) {
  if (state.items.count() == 0) return;
  Select(list, state, std::clamp(index, 0, state.items.count() - 1), true);
}

void KeyDown(HWND list, ListBoxState& state, WPARAM key) {
  const int32_t page = VisibleCount(list, state);
  const int32_t current = std::max(0, state.selected);
  switch (key) {
    case VK_UP:
      MoveSelection(list, state, state.selected < 0 ? 0 : current - 1);
      break;
    case VK_DOWN:
      MoveSelection(list, state, state.selected < 0 ? 0 : current + 1);
      break;
    case VK_PRIOR:
      MoveSelection(list, state, current - page + 1);
      break;
    case VK_NEXT:
      MoveSelection(list, state, current + page - 1);
      break;
    case VK_HOME:
      MoveSelection(list, state, 0);
      break;
    case VK_END:
      MoveSelection(list, state, state.items.count() - 1);
      break;
    default:
      break;
  }
}

// While the button is held outside the list, each tick scrolls one item towards the mouse and
// selects the item that comes in.
void DragTick(HWND list, ListBoxState& state) {
  POINT cursor;
  GetCursorPos(&cursor);
  ScreenToClient(list, &cursor);
  RECT client;
  GetClientRect(list, &client);
  if (cursor.y < 0) {
    SetTop(list, state, state.top - 1);
    Select(list, state, state.top, true);
  } else if (cursor.y >= client.bottom) {
    SetTop(list, state, state.top + 1);
    Select(list, state,
           std::min(state.items.count() - 1, state.top + VisibleCount(list, state) - 1), true);
  }
}

void EndDrag(HWND list, ListBoxState& state) {
  if (!state.dragging) return;
  state.dragging = false;
  KillTimer(list, kListBoxDragTimer);
  if (GetCapture() == list) ReleaseCapture();
}

LRESULT ItemsMessage(HWND list, ListBoxState& state, UINT message, WPARAM wParam, LPARAM lParam) {
  const auto index = static_cast<int32_t>(wParam);
  switch (message) {
    case LB_ADDSTRING:
    case LB_INSERTSTRING: {
      const int32_t at = state.items.Insert(message == LB_ADDSTRING ? -1 : index, lParam,
                                            KeepsTexts(list), state.selected);
      UpdateScrollBar(list, state);
      InvalidateRect(list, nullptr, TRUE);
      return at;
    }
    case LB_DELETESTRING:
      if (!state.items.Erase(index, state.selected)) return LB_ERR;
      SetTop(list, state, state.top);
      UpdateScrollBar(list, state);
      InvalidateRect(list, nullptr, TRUE);
      return state.items.count();
    case LB_RESETCONTENT:
      state.items.Clear();
      state.selected = -1;
      state.top = 0;
      UpdateScrollBar(list, state);
      InvalidateRect(list, nullptr, TRUE);
      return 0;
    case LB_GETCOUNT:
      return state.items.count();
    case LB_GETTEXT:
      return state.items.CopyText(index, lParam, LB_ERR);
    case LB_GETTEXTLEN:
      return state.items.TextLength(index, LB_ERR);
    case LB_GETITEMDATA:
      return state.items.Data(index, LB_ERR);
    case LB_SETITEMDATA:
      return state.items.SetData(index, lParam, LB_ERR);
    default:
      return LB_ERR;
  }
}

LRESULT ListBoxProc(HWND list, UINT message, WPARAM wParam, LPARAM lParam) {
  if (KeepControlState<ListBoxState>(list, message))
    return DefWindowProc(list, message, wParam, lParam);
  ListBoxState* state = StateOf(list);
  if (!state) return DefWindowProc(list, message, wParam, lParam);
  switch (message) {
    case WM_CREATE:
      state->itemHeight = ControlLineHeight(list) + 2;
      if (OwnerDrawn(list))
        state->itemHeight = static_cast<int32_t>(
            SendMeasureItem(list, ODT_LISTBOX, 0, 0, static_cast<UINT>(state->itemHeight)));
      UpdateScrollBar(list, *state);
      return 0;
    case WM_PAINT:
      PaintList(list, *state);
      return 0;
    case WM_GETDLGCODE:
      return DLGC_WANTARROWS | DLGC_WANTCHARS;
    case WM_LBUTTONDOWN:
      SetFocus(list);
      Select(list, *state, ItemAt(*state, GET_Y_LPARAM(lParam)), true);
      state->dragging = true;
      SetCapture(list);
      SetTimer(list, kListBoxDragTimer, kDragInterval, nullptr);
      return 0;
    case WM_MOUSEMOVE: {
      if (!state->dragging) return 0;
      const int32_t index = ItemAt(*state, GET_Y_LPARAM(lParam));
      RECT client;
      GetClientRect(list, &client);
      if (index >= 0 && GET_Y_LPARAM(lParam) < client.bottom) Select(list, *state, index, true);
      return 0;
    }
    case WM_LBUTTONUP:
    case WM_CAPTURECHANGED:
      EndDrag(list, *state);
      return 0;
    case WM_LBUTTONDBLCLK:
      if ((Style(list) & LBS_NOTIFY) && ItemAt(*state, GET_Y_LPARAM(lParam)) >= 0)
        NotifyParent(list, LBN_DBLCLK);
      return 0;
    case WM_TIMER:
      if (wParam == kListBoxDragTimer && state->dragging) DragTick(list, *state);
      return 0;
    case WM_KEYDOWN:
      KeyDown(list, *state, wParam);
      return 0;
    case WM_VSCROLL:
      Scroll(list, *state, LOWORD(wParam), HIWORD(wParam));
      return 0;
    case WM_NCLBUTTONDOWN:
      if (wParam == static_cast<WPARAM>(HTVSCROLL)) {
        ScrollBarPress(list, *state, lParam);
        return 0;
      }
      return DefWindowProc(list, message, wParam, lParam);
    case WM_MOUSEWHEEL:
      SetTop(list, *state, state->top - static_cast<int16_t>(HIWORD(wParam)) / WHEEL_DELTA * 3);
      return 0;
    case WM_SIZE:
      UpdateScrollBar(list, *state);
      SetTop(list, *state, state->top);
      return 0;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
    case WM_ENABLE:
      InvalidateRect(list, nullptr, TRUE);
      return 0;
    case LB_SETCURSEL:
      Select(list, *state, static_cast<int32_t>(wParam), false);
      return state->selected == static_cast<int32_t>(wParam) ? state->selected : LB_ERR;
    case LB_GETCURSEL:
      return state->selected;
    case LB_GETTOPINDEX:
      return state->top;
    case LB_SETTOPINDEX:
      SetTop(list, *state, static_cast<int32_t>(wParam));
      return 0;
    case LB_GETITEMRECT: {
      const auto index = static_cast<int32_t>(wParam);
      if (!state->items.Has(index) || !lParam) return LB_ERR;
      *reinterpret_cast<RECT*>(lParam) = ItemRect(list, *state, index);
      return 0;
    }
    case LB_SETITEMHEIGHT:
      if (LOWORD(static_cast<uintptr_t>(lParam)) == 0) return LB_ERR;
      state->itemHeight = LOWORD(static_cast<uintptr_t>(lParam));
      UpdateScrollBar(list, *state);
      InvalidateRect(list, nullptr, TRUE);
      return 0;
    case LB_GETITEMHEIGHT:
      return state->itemHeight;
    case LB_SETHORIZONTALEXTENT:
      state->horizontalExtent = static_cast<int32_t>(wParam);
      return 0;
    case LB_GETHORIZONTALEXTENT:
      return state->horizontalExtent;
    case LB_ITEMFROMPOINT: {
      const int32_t index = ItemAt(*state, GET_Y_LPARAM(lParam));
      return index >= 0 ? index : MAKELONG(state->items.count(), 1);
    }
    case LB_ADDSTRING:
    case LB_INSERTSTRING:
    case LB_DELETESTRING:
    case LB_RESETCONTENT:
    case LB_GETCOUNT:
    case LB_GETTEXT:
    case LB_GETTEXTLEN:
    case LB_GETITEMDATA:
    case LB_SETITEMDATA:
      return ItemsMessage(list, *state, message, wParam, lParam);
    default:
      return DefWindowProc(list, message, wParam, lParam);
  }
}

}  // namespace

void RegisterListBoxClass() {
  if (GetClassInfo(kListBoxClass, nullptr)) return;
  WNDCLASS windowClass;
  windowClass.style = CS_DBLCLKS;
  windowClass.lpfnWndProc = ListBoxProc;
  windowClass.lpszClassName = kListBoxClass;
  windowClass.cbWndExtra = static_cast<int32_t>(sizeof(LONG_PTR));
  windowClass.background = kNoBackground;
  RegisterClass(&windowClass);
}
