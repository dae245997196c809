#include "platform/win32/Button.h"

#include <algorithm>
#include <string>
#include <vector>

#include "platform/win32/ControlSupport.h"
#include "platform/win32/Dc.h"
#include "platform/win32/DcDraw.h"
#include "platform/win32/Font.h"
#include "platform/win32/GdiObjects.h"
#include "platform/win32/Input.h"
#include "platform/win32/Message.h"
#include "platform/win32/Window.h"
#include "platform/win32/WindowPaint.h"
#include "platform/win32/WindowRegion.h"

namespace {

// Extra bytes of a button: its pressed state and its check.
constexpr int32_t kPressedOffset = 0;
constexpr int32_t kCheckOffset = static_cast<int32_t>(sizeof(LONG_PTR));
constexpr int32_t kBoxSize = 13;

DWORD Kind(HWND button) {
  return static_cast<DWORD>(GetWindowLongPtr(button, GWL_STYLE)) & BS_TYPEMASK;
}

bool IsPushKind(DWORD kind) {
  return kind == BS_PUSHBUTTON || kind == BS_DEFPUSHBUTTON || kind == BS_OWNERDRAW;
}
bool IsRadioKind(DWORD kind) {
  return kind == BS_RADIOBUTTON || kind == BS_AUTORADIOBUTTON;
}

WPARAM Check(HWND button) {
  return static_cast<WPARAM>(GetWindowLongPtr(button, kCheckOffset));
}

UINT OwnerDrawState(HWND button) {
  UINT state = 0;
  if (IsButtonPressed(button)) state |= ODS_SELECTED;
  if (GetFocus() == button) state |= ODS_FOCUS;
  if (!IsWindowEnabled(button)) state |= ODS_DISABLED;
  return state;
}

// An owner-drawn button's parent hears of a change at once, as in Win32.
void DrawOwnerChange(HWND button, UINT action) {
  if (Kind(button) != BS_OWNERDRAW || !IsWindowVisible(button)) return;
  ControlDc context(button);
  RECT client;
  GetClientRect(button, &client);
  SendDrawItem(button, ODT_BUTTON, 0, action, OwnerDrawState(button), context.dc(), client, 0);
}

void SetPressed(HWND button, bool pressed) {
  if (IsButtonPressed(button) == pressed) return;
  SetWindowLongPtr(button, kPressedOffset, pressed ? 1 : 0);
  if (Kind(button) == BS_OWNERDRAW)
    DrawOwnerChange(button, ODA_SELECT);
  else
    InvalidateRect(button, nullptr, TRUE);
}

void SetCheck(HWND button, WPARAM check) {
  const DWORD kind = Kind(button);
  if (IsPushKind(kind) || kind == BS_GROUPBOX) return;
  const bool threeState = kind == BS_3STATE || kind == BS_AUTO3STATE;
  if (check > (threeState ? BST_INDETERMINATE : BST_CHECKED)) check = BST_CHECKED;
  if (Check(button) == check) return;
  SetWindowLongPtr(button, kCheckOffset, static_cast<LONG_PTR>(check));
  InvalidateRect(button, nullptr, TRUE);
}

// An automatic radio button clears the automatic radio buttons of its group: the siblings from
// the WS_GROUP control that opens the group to the next one.
void ClearRadioGroup(HWND button) {
  const HWND parent = GetParent(button);
  if (!parent) return;
  std::vector<HWND> siblings;
  for (HWND child = GetWindow(parent, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
    siblings.push_back(child);
  const auto at = std::find(siblings.begin(), siblings.end(), button);
  if (at == siblings.end()) return;
  auto first = at;
  while (first != siblings.begin() && !(GetWindowLongPtr(*first, GWL_STYLE) & WS_GROUP))
    --first;
  for (auto it = first; it != siblings.end(); ++it) {
    if (it != first && (GetWindowLongPtr(*it, GWL_STYLE) & WS_GROUP)) break;
    char name[16];
    GetClassName(*it, name, sizeof name);
    if (*it != button && std::string(name) == kButtonClass && Kind(*it) == BS_AUTORADIOBUTTON)
      SetCheck(*it, BST_UNCHECKED);
  }
}

void Click(HWND button) {
  switch (Kind(button)) {
    case BS_AUTOCHECKBOX:
      SetCheck(button, Check(button) == BST_CHECKED ? BST_UNCHECKED : BST_CHECKED);
      break;
    case BS_AUTO3STATE:
      SetCheck(button, (Check(button) + 1) % 3);
      break;
    case BS_AUTORADIOBUTTON:
      SetCheck(button, BST_CHECKED);
      ClearRadioGroup(button);
      break;
    default:
      break;
  }
  NotifyParent(button, BN_CLICKED);
}

void PaintPush(HWND button, HDC dc, const RECT& client) {
  const bool pressed = IsButtonPressed(button);
  const bool isDefault = Kind(button) == BS_DEFPUSHBUTTON;
  FillSolid(dc, client, pressed ? kControlPressedFace : kControlFace);
  FrameSolid(dc, client, kControlEdge);
  if (isDefault || GetFocus() == button) {
    RECT inner = client;
    InflateRect(&inner, -1, -1);
    FrameSolid(dc, inner, kControlEdge);
  }
  const std::string text = VisibleText(GetWindowTextString(button));
  SetTextColor(dc, IsWindowEnabled(button) ? kControlText : kControlGrayText);
  RECT area = client;
  DrawText(dc, text.c_str(), static_cast<int32_t>(text.size()), &area,
           DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
}

void PaintCheckMark(HDC dc, const RECT& box, WPARAM check) {
  if (check == BST_INDETERMINATE) {
    RECT inner = box;
    InflateRect(&inner, -3, -3);
    FillSolid(dc, inner, kControlGrayText);
    return;
  }
  if (check != BST_CHECKED) return;
  const HPEN pen = CreatePen(PS_SOLID, 2, kControlText);
  const HGDIOBJ old = SelectObject(dc, pen);
  MoveToEx(dc, box.left + 3, box.top + 6, nullptr);
  LineTo(dc, box.left + 5, box.top + 9);
  LineTo(dc, box.left + 10, box.top + 3);
  SelectObject(dc, old);
  DeleteObject(pen);
}

void PaintBox(HWND button, HDC dc, const RECT& client) {
  const bool radio = IsRadioKind(Kind(button));
  const int32_t top = (client.top + client.bottom - kBoxSize) / 2;
  const RECT box{client.left, top, client.left + kBoxSize, top + kBoxSize};
  const HBRUSH face = CreateSolidBrush(IsButtonPressed(button) ? kControlFace : kControlWindow);
  const HPEN edge = CreatePen(PS_SOLID, 1, kControlEdge);
  const HGDIOBJ oldBrush = SelectObject(dc, face);
  const HGDIOBJ oldPen = SelectObject(dc, edge);
  if (radio) {
    Ellipse(dc, box.left, box.top, box.right, box.bottom);
    if (Check(button) == BST_CHECKED) {
      const HBRUSH dot = CreateSolidBrush(kControlText);
      SelectObject(dc, dot);
      Ellipse(dc, box.left + 4, box.top + 4, box.right - 4, box.bottom - 4);
      SelectObject(dc, face);
      DeleteObject(dot);
    }
  } else {
    Rectangle(dc, box.left, box.top, box.right, box.bottom);
    PaintCheckMark(dc, box, Check(button));
  }
  SelectObject(dc, oldBrush);
  SelectObject(dc, oldPen);
  DeleteObject(face);
  DeleteObject(edge);
  const std::string text = VisibleText(GetWindowTextString(button));
  SetTextColor(dc, IsWindowEnabled(button) ? kControlText : kControlGrayText);
  RECT area{client.left + kBoxSize + 4, client.top, client.right, client.bottom};
  RECT measured = area;
  DrawText(dc, text.c_str(), static_cast<int32_t>(text.size()), &measured,
           DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX | DT_CALCRECT);
  DrawText(dc, text.c_str(), static_cast<int32_t>(text.size()), &area,
           DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
  if (GetFocus() == button && !text.empty()) {
    const int32_t height = measured.bottom - measured.top;
    const int32_t textTop = (client.top + client.bottom - height) / 2;
    DrawFocusFrame(dc, RECT{area.left - 1, textTop - 1, std::min(client.right, measured.right + 1),
                            textTop + height + 1});
  }
}

void PaintGroupBox(HWND button, HDC dc, const RECT& client) {
  const std::string text = VisibleText(GetWindowTextString(button));
  RECT measured{0, 0, client.right, client.bottom};
  DrawText(dc, text.c_str(), static_cast<int32_t>(text.size()), &measured,
           DT_LEFT | DT_SINGLELINE | DT_NOPREFIX | DT_CALCRECT);
  const int32_t half = (measured.bottom - measured.top) / 2;
  FrameSolid(dc, RECT{client.left, client.top + half, client.right, client.bottom}, kControlEdge);
  if (text.empty()) return;
  RECT label{client.left + 6, client.top, client.left + 10 + measured.right, measured.bottom};
  FillSolid(dc, label, kDialogFace);
  label.left += 2;
  SetTextColor(dc, IsWindowEnabled(button) ? kControlText : kControlGrayText);
  DrawText(dc, text.c_str(), static_cast<int32_t>(text.size()), &label,
           DT_LEFT | DT_SINGLELINE | DT_NOPREFIX);
}

void PaintButton(HWND button) {
  ControlPaint paint(button);
  const DWORD kind = Kind(button);
  if (kind == BS_OWNERDRAW) {
    SendDrawItem(button, ODT_BUTTON, 0, ODA_DRAWENTIRE, OwnerDrawState(button), paint.dc(),
                 paint.client(), 0);
  } else if (kind == BS_GROUPBOX) {
    PaintGroupBox(button, paint.dc(), paint.client());
  } else if (IsPushKind(kind)) {
    PaintPush(button, paint.dc(), paint.client());
  } else {
    PaintBox(button, paint.dc(), paint.client());
  }
}

LRESULT DialogCode(HWND button) {
  const DWORD kind = Kind(button);
  if (kind == BS_GROUPBOX) return DLGC_STATIC;
  if (kind == BS_DEFPUSHBUTTON) return DLGC_BUTTON | DLGC_DEFPUSHBUTTON;
  if (kind == BS_PUSHBUTTON || kind == BS_OWNERDRAW) return DLGC_BUTTON | DLGC_UNDEFPUSHBUTTON;
  if (IsRadioKind(kind)) return DLGC_BUTTON | DLGC_RADIOBUTTON;
  return DLGC_BUTTON;
}

LRESULT ButtonProc(HWND button, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_PAINT:
      PaintButton(button);
      return 0;
    case WM_NCHITTEST:
      if (Kind(button) == BS_GROUPBOX) return HTTRANSPARENT;
      return DefWindowProc(button, message, wParam, lParam);
    case WM_GETDLGCODE:
      return DialogCode(button);
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
      SetFocus(button);
      // A field that refuses what was typed answers the press with an alert, which takes the
      // press's release, and takes the focus back: a capture taken now would wait for a release
      // that never comes and take the next press meant for another button.
      if (GetFocus() != button) return 0;
      SetCapture(button);
      SetPressed(button, true);
      return 0;
    case WM_MOUSEMOVE:
      if (GetCapture() == button) {
        RECT client;
        GetClientRect(button, &client);
        SetPressed(button, PtInRect(client, POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)}));
      }
      return 0;
    case WM_LBUTTONUP: {
      if (GetCapture() != button) return 0;
      const bool wasPressed = IsButtonPressed(button);
      ReleaseCapture();
      SetPressed(button, false);
      if (wasPressed) Click(button);
      return 0;
    }
    case WM_KEYDOWN:
      if (wParam == VK_SPACE) SetPressed(button, true);
      return 0;
    case WM_KEYUP:
      if (wParam == VK_SPACE && IsButtonPressed(button)) {
        SetPressed(button, false);
        Click(button);
      }
      return 0;
    case BM_CLICK:
      Click(button);
      return 0;
    case BM_GETCHECK:
      return static_cast<LRESULT>(Check(button));
    case BM_SETCHECK:
      SetCheck(button, wParam);
      return 0;
    case BM_GETSTATE:
      return static_cast<LRESULT>(Check(button)) | (IsButtonPressed(button) ? BST_PUSHED : 0) |
             (GetFocus() == button ? BST_FOCUS : 0);
    case BM_SETSTATE:
      SetPressed(button, wParam != 0);
      return 0;
    case BM_SETSTYLE:
      SetWindowLongPtr(button, GWL_STYLE,
                       (GetWindowLongPtr(button, GWL_STYLE) & ~static_cast<LONG_PTR>(0xFFFF)) |
                           static_cast<LONG_PTR>(wParam & 0xFFFF));
      if (lParam) InvalidateRect(button, nullptr, TRUE);
      return 0;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
      if (message == WM_KILLFOCUS && GetCapture() != button) SetPressed(button, false);
      if (Kind(button) == BS_OWNERDRAW)
        DrawOwnerChange(button, ODA_FOCUS);
      else
        InvalidateRect(button, nullptr, TRUE);
      return 0;
    case WM_ENABLE:
      InvalidateRect(button, nullptr, TRUE);
      return 0;
    case WM_SETTEXT: {
      const LRESULT result = DefWindowProc(button, message, wParam, lParam);
      InvalidateRect(button, nullptr, TRUE);
      return result;
    }
    default:
      return DefWindowProc(button, message, wParam, lParam);
  }
}

}  // namespace

void RegisterButtonClass() {
  if (GetClassInfo(kButtonClass, nullptr)) return;
  WNDCLASS windowClass;
  windowClass.lpfnWndProc = ButtonProc;
  windowClass.lpszClassName = kButtonClass;
  windowClass.cbWndExtra = 2 * static_cast<int32_t>(sizeof(LONG_PTR));
  windowClass.background = kDialogFace;
  RegisterClass(&windowClass);
}

bool IsButtonPressed(HWND button) {
  return GetWindowLongPtr(button, kPressedOffset) != 0;
}
