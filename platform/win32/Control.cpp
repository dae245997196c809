#include "platform/win32/Control.h"

#include <string>

#include "platform/win32/Dc.h"
#include "platform/win32/DcDraw.h"
#include "platform/win32/Font.h"
#include "platform/win32/GdiObjects.h"
#include "platform/win32/Input.h"
#include "platform/win32/Message.h"
#include "platform/win32/Window.h"
#include "platform/win32/WindowDc.h"
#include "platform/win32/WindowPaint.h"
#include "platform/win32/WindowRegion.h"

namespace {

// Extra bytes of a button: its pressed state.
constexpr int32_t kPressedOffset = 0;

constexpr COLORREF kFace = RGB(225, 225, 225);
constexpr COLORREF kPressedFace = RGB(190, 200, 215);
constexpr COLORREF kEdge = RGB(100, 100, 100);

void SetPressed(HWND button, bool pressed) {
  if (IsButtonPressed(button) == pressed) return;
  SetWindowLongPtr(button, kPressedOffset, pressed ? 1 : 0);
  InvalidateRect(button, nullptr, TRUE);
}

void Click(HWND button) {
  const HWND parent = GetParent(button);
  if (!parent) return;
  SendMessage(parent, WM_COMMAND, static_cast<WPARAM>(MAKELONG(GetDlgCtrlID(button), BN_CLICKED)),
              reinterpret_cast<LPARAM>(button));
}

// The text without its '&' marks (which only name the mnemonic).
std::string Visible(const std::string& text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '&' && i + 1 < text.size()) ++i;
    out.push_back(text[i]);
  }
  return out;
}

void PaintButton(HWND button) {
  PAINTSTRUCT paint;
  const HDC dc = BeginPaint(button, &paint);
  RECT client;
  GetClientRect(button, &client);
  const bool pressed = IsButtonPressed(button);
  const bool isDefault = (GetWindowLongPtr(button, GWL_STYLE) & 0x0F) == BS_DEFPUSHBUTTON;
  const HBRUSH face = CreateSolidBrush(pressed ? kPressedFace : kFace);
  FillRect(dc, &client, face);
  DeleteObject(face);
  const HBRUSH edge = CreateSolidBrush(kEdge);
  FrameRect(dc, &client, edge);
  if (isDefault || GetFocus() == button) {
    RECT inner = client;
    InflateRect(&inner, -1, -1);
    FrameRect(dc, &inner, edge);
  }
  DeleteObject(edge);
  const std::string text = Visible(GetWindowTextString(button));
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, IsWindowEnabled(button) ? RGB(0, 0, 0) : RGB(128, 128, 128));
  DrawText(dc, text.c_str(), static_cast<int32_t>(text.size()), &client,
           DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
  EndPaint(button, &paint);
}

LRESULT ButtonProc(HWND button, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_PAINT:
      PaintButton(button);
      return 0;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
      SetFocus(button);
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
    case BM_SETSTYLE:
      SetWindowLongPtr(button, GWL_STYLE,
                       (GetWindowLongPtr(button, GWL_STYLE) & ~0x0FL) | (wParam & 0x0F));
      InvalidateRect(button, nullptr, TRUE);
      return 0;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
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

LRESULT StaticProc(HWND control, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_PAINT) {
    PAINTSTRUCT paint;
    const HDC dc = BeginPaint(control, &paint);
    RECT client;
    GetClientRect(control, &client);
    const std::string text = GetWindowTextString(control);
    const DWORD align = GetWindowLongPtr(control, GWL_STYLE) & 0x03;
    const UINT format = align == SS_CENTER ? DT_CENTER : align == SS_RIGHT ? DT_RIGHT : DT_LEFT;
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, RGB(0, 0, 0));
    DrawText(dc, text.c_str(), static_cast<int32_t>(text.size()), &client,
             format | DT_WORDBREAK | DT_EXPANDTABS | DT_NOPREFIX);
    EndPaint(control, &paint);
    return 0;
  }
  if (message == WM_SETTEXT) {
    const LRESULT result = DefWindowProc(control, message, wParam, lParam);
    InvalidateRect(control, nullptr, TRUE);
    return result;
  }
  return DefWindowProc(control, message, wParam, lParam);
}

}  // namespace

void RegisterStandardControls() {
  WNDCLASS windowClass;
  if (!GetClassInfo(kButtonClass, nullptr)) {
    windowClass.lpfnWndProc = ButtonProc;
    windowClass.lpszClassName = kButtonClass;
    windowClass.cbWndExtra = sizeof(LONG_PTR);
    windowClass.background = kFace;
    RegisterClass(&windowClass);
  }
  if (!GetClassInfo(kStaticClass, nullptr)) {
    windowClass = WNDCLASS{};
    windowClass.lpfnWndProc = StaticProc;
    windowClass.lpszClassName = kStaticClass;
    windowClass.background = kNoBackground;
    RegisterClass(&windowClass);
  }
}

bool IsButtonPressed(HWND button) {
  return GetWindowLongPtr(button, kPressedOffset) != 0;
}
