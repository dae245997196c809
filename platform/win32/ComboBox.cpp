#include "platform/win32/ComboBox.h"

#include <algorithm>
#include <memory>
#include <string>

#include "platform/win32/ControlSupport.h"
#include "platform/win32/Dc.h"
#include "platform/win32/DcDraw.h"
#include "platform/win32/Font.h"
#include "platform/win32/GdiObjects.h"
#include "platform/win32/Input.h"
#include "platform/win32/ListItems.h"
#include "platform/win32/Message.h"
#include "platform/win32/Window.h"
#include "platform/win32/WindowPaint.h"
#include "platform/win32/WindowRegion.h"

namespace {

constexpr int32_t kButtonWidth = 16;

struct ComboState {
  ListItems items;
  int32_t selected = -1;
  int32_t highlighted = -1;  // the item under the mouse or the keys while the list is down
  int32_t itemHeight = 16;
  int32_t fieldHeight = 20;
  int32_t droppedHeight = 100;  // the height the combo box was made with: field and list
  HWND list = nullptr;          // the dropped list while it is down
  int32_t listTop = 0;          // first item shown in the dropped list
};

ComboState* StateOf(HWND combo) {
  return ControlStateOf<ComboState>(combo);
}

DWORD Style(HWND combo) {
  return static_cast<DWORD>(GetWindowLongPtr(combo, GWL_STYLE));
}
bool OwnerDrawn(HWND combo) {
  return (Style(combo) & CBS_OWNERDRAWFIXED) != 0;
}
bool KeepsTexts(HWND combo) {
  return !OwnerDrawn(combo) || (Style(combo) & CBS_HASSTRINGS) != 0;
}

int32_t ListRows(const ComboState& state) {
  const int32_t room = std::max(1, (state.droppedHeight - state.fieldHeight) / state.itemHeight);
  return std::max(1, std::min(room, state.items.count()));
}

void DrawItem(HWND combo, const ComboState& state, HDC dc, int32_t index, const RECT& rect,
              UINT extraState) {
  const bool selected = (extraState & ODS_SELECTED) != 0;
  if (OwnerDrawn(combo)) {
    const uintptr_t data = state.items.Has(index) ? state.items.at(index).data : 0;
    SendDrawItem(combo, ODT_COMBOBOX, static_cast<UINT>(index), ODA_DRAWENTIRE, extraState, dc,
                 rect, data);
    return;
  }
  if (selected) FillSolid(dc, rect, kControlHighlight);
  if (!state.items.Has(index)) return;
  SetTextColor(dc, selected ? kControlHighlightText : kControlText);
  RECT text = rect;
  text.left += 2;
  const std::string& label = state.items.at(index).text;
  DrawText(dc, label.c_str(), static_cast<int32_t>(label.size()), &text,
           DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
}

void PaintField(HWND combo, const ComboState& state) {
  ControlPaint paint(combo);
  const HDC dc = paint.dc();
  const RECT& client = paint.client();
  FillSolid(dc, client, kControlWindow);
  FrameSolid(dc, client, kControlEdge);
  const RECT button{client.right - kButtonWidth, 1, client.right - 1, client.bottom - 1};
  FillSolid(dc, button, kControlFace);
  // The arrow of the drop-down button.
  const int32_t cx = (button.left + button.right) / 2;
  const int32_t cy = (button.top + button.bottom) / 2;
  for (int32_t row = 0; row < 4; ++row)
    FillSolid(dc, RECT{cx - 3 + row, cy - 2 + row, cx + 4 - row, cy - 1 + row}, kControlText);
  const RECT field{2, 2, button.left - 1, client.bottom - 2};
  const bool focused = GetFocus() == combo && !state.list;
  UINT itemState = ODS_COMBOBOXEDIT;
  if (focused) itemState |= ODS_SELECTED | ODS_FOCUS;
  if (!IsWindowEnabled(combo)) itemState |= ODS_DISABLED;
  DrawItem(combo, state, dc, state.selected, field, itemState);
}

void PaintList(HWND list) {
  const auto combo = reinterpret_cast<HWND>(GetWindowLongPtr(list, 0));
  const ComboState* state = StateOf(combo);
  ControlPaint paint(list);
  FillSolid(paint.dc(), paint.client(), kControlWindow);
  if (!state) return;
  const HGDIOBJ font = reinterpret_cast<HGDIOBJ>(SendMessage(combo, WM_GETFONT, 0, 0));
  if (font) SelectObject(paint.dc(), font);
  for (int32_t row = 0; row < ListRows(*state); ++row) {
    const int32_t index = state->listTop + row;
    if (!state->items.Has(index)) break;
    const RECT rect{1, 1 + row * state->itemHeight, paint.client().right - 1,
                    1 + (row + 1) * state->itemHeight};
    DrawItem(combo, *state, paint.dc(), index, rect,
             index == state->highlighted ? ODS_SELECTED : 0);
  }
  FrameSolid(paint.dc(), paint.client(), kControlEdge);
}

LRESULT ListProc(HWND list, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_PAINT:
      PaintList(list);
      return 0;
    case WM_MOUSEACTIVATE:
      return MA_NOACTIVATE;
    default:
      return DefWindowProc(list, message, wParam, lParam);
  }
}

void Select(HWND combo, ComboState& state, int32_t index, bool user) {
  if (!state.items.Has(index)) index = -1;
  if (index == state.selected) return;
  state.selected = index;
  InvalidateRect(combo, nullptr, TRUE);
  if (user) NotifyParent(combo, CBN_SELCHANGE);
}

// Whether the dropped list holds more items than it shows, and so scrolls.
bool ListScrolls(const ComboState& state) {
  return state.items.count() > ListRows(state);
}

void UpdateListBar(const ComboState& state) {
  if (!state.list || !ListScrolls(state)) return;
  SCROLLINFO info;
  info.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
  info.nMin = 0;
  info.nMax = state.items.count() - 1;
  info.nPage = static_cast<UINT>(ListRows(state));
  info.nPos = state.listTop;
  SetScrollInfo(state.list, SB_VERT, &info, TRUE);
}

void SetListTop(ComboState& state, int32_t top) {
  top = std::clamp(top, 0, std::max(0, state.items.count() - ListRows(state)));
  if (top == state.listTop) return;
  state.listTop = top;
  UpdateListBar(state);
  if (state.list) InvalidateRect(state.list, nullptr, TRUE);
}

void ShowHighlighted(ComboState& state) {
  const int32_t rows = ListRows(state);
  if (state.highlighted < state.listTop) SetListTop(state, std::max(0, state.highlighted));
  if (state.highlighted >= state.listTop + rows) SetListTop(state, state.highlighted - rows + 1);
}

void Drop(HWND combo, ComboState& state) {
  if (state.list || state.items.count() == 0) return;
  NotifyParent(combo, CBN_DROPDOWN);
  if (!IsWindow(combo) || state.list) return;
  RECT field;
  GetWindowRect(combo, &field);
  state.highlighted = state.selected;
  state.listTop = 0;
  ShowHighlighted(state);
  const int32_t height = ListRows(state) * state.itemHeight + 2;
  const DWORD style = WS_POPUP | (ListScrolls(state) ? WS_VSCROLL : 0);
  state.list =
      CreateWindowEx(WS_EX_TOPMOST | WS_EX_NOACTIVATE, kComboListClass, "", style, field.left,
                     field.bottom, field.right - field.left, height, combo, nullptr, nullptr);
  if (!state.list) return;
  UpdateListBar(state);
  SetWindowLongPtr(state.list, 0, reinterpret_cast<LONG_PTR>(combo));
  ShowWindow(state.list, SW_SHOWNA);
  SetCapture(combo);
  InvalidateRect(combo, nullptr, TRUE);
}

// Closes the dropped list; with `take` the highlighted item becomes the selection.
void CloseUp(HWND combo, ComboState& state, bool take) {
  if (!state.list) return;
  const HWND list = state.list;
  state.list = nullptr;
  DestroyWindow(list);
  if (GetCapture() == combo) ReleaseCapture();
  InvalidateRect(combo, nullptr, TRUE);
  NotifyParent(combo, CBN_CLOSEUP);
  if (take && IsWindow(combo) && state.highlighted >= 0)
    Select(combo, state, state.highlighted, true);
}

// The item of the dropped list under a point of the combo box's client area, or -1.
int32_t ListItemAt(HWND combo, const ComboState& state, LPARAM lParam) {
  if (!state.list) return -1;
  POINT point{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
  MapWindowPoints(combo, state.list, &point, 1);
  RECT client;
  GetClientRect(state.list, &client);
  if (!PtInRect(client, point)) return -1;
  const int32_t index = state.listTop + (point.y - 1) / state.itemHeight;
  return state.items.Has(index) ? index : -1;
}

// A press at a point of the combo box's client area on the dropped list's scroll bar steps it:
// the arrows a line, the track a page. False when the point is not on the bar.
bool ListBarPress(HWND combo, ComboState& state, LPARAM lParam) {
  if (!state.list || !ListScrolls(state)) return false;
  POINT point{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
  MapWindowPoints(combo, state.list, &point, 1);
  RECT client;
  GetClientRect(state.list, &client);
  RECT window;
  GetWindowRect(state.list, &window);
  if (point.x < client.right || point.y < 0 || point.y >= window.bottom - window.top) return false;
  const int32_t height = window.bottom - window.top;
  const int32_t arrow = GetSystemMetrics(SM_CXVSCROLL);
  const int32_t rows = ListRows(state);
  if (point.y < arrow) {
    SetListTop(state, state.listTop - 1);
  } else if (point.y >= height - arrow) {
    SetListTop(state, state.listTop + 1);
  } else {
    const int32_t thumb = arrow + (height - 2 * arrow) * state.listTop / state.items.count();
    SetListTop(state, state.listTop + (point.y < thumb ? -rows : rows));
  }
  return true;
}

void Highlight(ComboState& state, int32_t index) {
  if (index == state.highlighted || index < 0) return;
  state.highlighted = index;
  ShowHighlighted(state);
  if (state.list) InvalidateRect(state.list, nullptr, TRUE);
}

void KeyDown(HWND combo, ComboState& state, WPARAM key) {
  const int32_t last = state.items.count() - 1;
  if (key == static_cast<WPARAM>(VK_F4) ||
      (key == static_cast<WPARAM>(VK_DOWN) && GetKeyState(VK_MENU) < 0)) {
    if (state.list)
      CloseUp(combo, state, true);
    else
      Drop(combo, state);
    return;
  }
  if (state.list) {
    if (key == static_cast<WPARAM>(VK_RETURN)) CloseUp(combo, state, true);
    if (key == static_cast<WPARAM>(VK_ESCAPE)) CloseUp(combo, state, false);
    if (key == static_cast<WPARAM>(VK_UP)) Highlight(state, std::max(0, state.highlighted - 1));
    if (key == static_cast<WPARAM>(VK_DOWN))
      Highlight(state, std::min(last, state.highlighted + 1));
    return;
  }
  if (last < 0) return;
  const int32_t current = state.selected;
  if (key == static_cast<WPARAM>(VK_UP)) Select(combo, state, std::max(0, current - 1), true);
  if (key == static_cast<WPARAM>(VK_DOWN)) Select(combo, state, std::min(last, current + 1), true);
  if (key == static_cast<WPARAM>(VK_HOME)) Select(combo, state, 0, true);
  if (key == static_cast<WPARAM>(VK_END)) Select(combo, state, last, true);
}

void Measure(HWND combo, ComboState& state) {
  const int32_t line = ControlLineHeight(combo) + 2;
  state.itemHeight = line;
  state.fieldHeight = line + 4;
  if (OwnerDrawn(combo)) {
    state.fieldHeight =
        static_cast<int32_t>(SendMeasureItem(combo, ODT_COMBOBOX, static_cast<UINT>(-1), 0,
                                             static_cast<UINT>(line))) +
        4;
    state.itemHeight =
        static_cast<int32_t>(SendMeasureItem(combo, ODT_COMBOBOX, 0, 0, static_cast<UINT>(line)));
  }
  RECT window;
  GetClientRect(combo, &window);
  state.droppedHeight = std::max(window.bottom, state.fieldHeight + state.itemHeight);
  SetWindowPos(combo, nullptr, 0, 0, window.right, state.fieldHeight,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

LRESULT ItemsMessage(HWND combo, ComboState& state, UINT message, WPARAM wParam, LPARAM lParam) {
  const auto index = static_cast<int32_t>(wParam);
  switch (message) {
    case CB_ADDSTRING:
    case CB_INSERTSTRING: {
      const int32_t at = state.items.Insert(message == CB_ADDSTRING ? -1 : index, lParam,
                                            KeepsTexts(combo), state.selected);
      return at;
    }
    case CB_DELETESTRING:
      if (!state.items.Erase(index, state.selected)) return CB_ERR;
      InvalidateRect(combo, nullptr, TRUE);
      return state.items.count();
    case CB_RESETCONTENT:
      CloseUp(combo, state, false);
      state.items.Clear();
      state.selected = -1;
      InvalidateRect(combo, nullptr, TRUE);
      return 0;
    case CB_GETCOUNT:
      return state.items.count();
    case CB_GETLBTEXT:
      return state.items.CopyText(index, lParam, CB_ERR);
    case CB_GETLBTEXTLEN:
      return state.items.TextLength(index, CB_ERR);
    case CB_GETITEMDATA:
      return state.items.Data(index, CB_ERR);
    case CB_SETITEMDATA:
      return state.items.SetData(index, lParam, CB_ERR);
    default:
      return CB_ERR;
  }
}

LRESULT ComboProc(HWND combo, UINT message, WPARAM wParam, LPARAM lParam) {
  if (KeepControlState<ComboState>(combo, message))
    return DefWindowProc(combo, message, wParam, lParam);
  ComboState* state = StateOf(combo);
  if (!state) return DefWindowProc(combo, message, wParam, lParam);
  switch (message) {
    case WM_CREATE: {
      // The scroll bars a template asks for belong to the dropped list, which scrolls when it
      // must: the field itself has none beside it.
      const LONG_PTR style = GetWindowLongPtr(combo, GWL_STYLE);
      if (style & (WS_VSCROLL | WS_HSCROLL))
        SetWindowLongPtr(combo, GWL_STYLE, style & ~static_cast<LONG_PTR>(WS_VSCROLL | WS_HSCROLL));
      Measure(combo, *state);
      return 0;
    }
    case WM_DESTROY:
      CloseUp(combo, *state, false);
      return 0;
    case WM_PAINT:
      PaintField(combo, *state);
      return 0;
    case WM_GETDLGCODE:
      return state->list ? DLGC_WANTALLKEYS | DLGC_WANTARROWS : DLGC_WANTARROWS | DLGC_WANTCHARS;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
      if (!state->list) {
        SetFocus(combo);
        Drop(combo, *state);
        return 0;
      }
      // A press anywhere but on the list's items or its scroll bar closes it and keeps the
      // selection.
      if (ListBarPress(combo, *state, lParam)) return 0;
      if (ListItemAt(combo, *state, lParam) < 0) CloseUp(combo, *state, false);
      return 0;
    }
    case WM_MOUSEWHEEL:
      if (!state->list) return DefWindowProc(combo, message, wParam, lParam);
      SetListTop(*state,
                 state->listTop - static_cast<int16_t>(HIWORD(wParam)) / WHEEL_DELTA * 3);
      return 0;
    case WM_MOUSEMOVE:
      if (state->list) Highlight(*state, ListItemAt(combo, *state, lParam));
      return 0;
    case WM_LBUTTONUP: {
      const int32_t index = ListItemAt(combo, *state, lParam);
      if (index < 0) return 0;
      state->highlighted = index;
      CloseUp(combo, *state, true);
      return 0;
    }
    case WM_CAPTURECHANGED:
      if (state->list && reinterpret_cast<HWND>(lParam) != combo) CloseUp(combo, *state, false);
      return 0;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
      KeyDown(combo, *state, wParam);
      return 0;
    case WM_SETFOCUS:
      InvalidateRect(combo, nullptr, TRUE);
      NotifyParent(combo, CBN_SETFOCUS);
      return 0;
    case WM_KILLFOCUS:
      CloseUp(combo, *state, false);
      InvalidateRect(combo, nullptr, TRUE);
      NotifyParent(combo, CBN_KILLFOCUS);
      return 0;
    case WM_ENABLE:
      InvalidateRect(combo, nullptr, TRUE);
      return 0;
    case CB_SETCURSEL:
      Select(combo, *state, static_cast<int32_t>(wParam), false);
      return state->selected == static_cast<int32_t>(wParam) ? state->selected : CB_ERR;
    case CB_GETCURSEL:
      return state->selected;
    case CB_SHOWDROPDOWN:
      if (wParam)
        Drop(combo, *state);
      else
        CloseUp(combo, *state, false);
      return TRUE;
    case CB_GETDROPPEDSTATE:
      return state->list ? TRUE : FALSE;
    case CB_GETDROPPEDCONTROLRECT: {
      if (!lParam) return CB_ERR;
      RECT window;
      GetWindowRect(combo, &window);
      window.bottom = window.top + state->fieldHeight + ListRows(*state) * state->itemHeight + 2;
      *reinterpret_cast<RECT*>(lParam) = window;
      return TRUE;
    }
    case CB_SETITEMHEIGHT:
      if (lParam <= 0) return CB_ERR;
      if (static_cast<int32_t>(wParam) == -1) {
        state->fieldHeight = static_cast<int32_t>(lParam) + 4;
        RECT client;
        GetClientRect(combo, &client);
        SetWindowPos(combo, nullptr, 0, 0, client.right, state->fieldHeight,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
      } else {
        state->itemHeight = static_cast<int32_t>(lParam);
      }
      return 0;
    case CB_GETITEMHEIGHT:
      return static_cast<int32_t>(wParam) == -1 ? state->fieldHeight - 4 : state->itemHeight;
    case CB_ADDSTRING:
    case CB_INSERTSTRING:
    case CB_DELETESTRING:
    case CB_RESETCONTENT:
    case CB_GETCOUNT:
    case CB_GETLBTEXT:
    case CB_GETLBTEXTLEN:
    case CB_GETITEMDATA:
    case CB_SETITEMDATA:
      return ItemsMessage(combo, *state, message, wParam, lParam);
    default:
      return DefWindowProc(combo, message, wParam, lParam);
  }
}

}  // namespace

void RegisterComboBoxClass() {
  if (GetClassInfo(kComboBoxClass, nullptr)) return;
  WNDCLASS windowClass;
  windowClass.style = CS_DBLCLKS;
  windowClass.lpfnWndProc = ComboProc;
  windowClass.lpszClassName = kComboBoxClass;
  windowClass.cbWndExtra = static_cast<int32_t>(sizeof(LONG_PTR));
  windowClass.background = kNoBackground;
  RegisterClass(&windowClass);
  windowClass = WNDCLASS{};
  windowClass.lpfnWndProc = ListProc;
  windowClass.lpszClassName = kComboListClass;
  windowClass.cbWndExtra = static_cast<int32_t>(sizeof(LONG_PTR));
  windowClass.background = kNoBackground;
  RegisterClass(&windowClass);
}

HWND GetComboDroppedList(HWND combo) {
  char name[16];
  if (GetClassName(combo, name, sizeof name) == 0 || std::string(name) != kComboBoxClass)
    return nullptr;
  const ComboState* state = StateOf(combo);
  return state ? state->list : nullptr;
}
