#include "platform/win32/MessageBox.h"

#include <algorithm>
#include <cctype>
#include <string>
#include <vector>

#include "platform/win32/Control.h"
#include "platform/win32/Dc.h"
#include "platform/win32/DcDraw.h"
#include "platform/win32/Font.h"
#include "platform/win32/GdiObjects.h"
#include "platform/win32/Input.h"
#include "platform/win32/Message.h"
#include "platform/win32/ModalWindows.h"
#include "platform/win32/Window.h"
#include "platform/win32/WindowDc.h"

namespace {

// A class of its own: the dialog class "#32770" keeps its procedure in its window data, which
// the box uses for its state.
constexpr char kDialogClass[] = "YbMessageBox";
constexpr int32_t kTextId = 0xFFFF;
constexpr int32_t kButtonWidth = 80;
constexpr int32_t kButtonHeight = 24;
constexpr int32_t kGap = 10;
constexpr int32_t kIconSize = 32;

struct ButtonSpec {
  int32_t id;
  const char* label;
};

std::vector<ButtonSpec> ButtonsOf(UINT type) {
  switch (type & 0x0F) {
    case MB_OKCANCEL:
      return {{IDOK, "OK"}, {IDCANCEL, "Cancel"}};
    case MB_ABORTRETRYIGNORE:
      return {{IDABORT, "&Abort"}, {IDRETRY, "&Retry"}, {IDIGNORE, "&Ignore"}};
    case MB_YESNOCANCEL:
      return {{IDYES, "&Yes"}, {IDNO, "&No"}, {IDCANCEL, "Cancel"}};
    case MB_YESNO:
      return {{IDYES, "&Yes"}, {IDNO, "&No"}};
    case MB_RETRYCANCEL:
      return {{IDRETRY, "&Retry"}, {IDCANCEL, "Cancel"}};
    default:
      return {{IDOK, "OK"}};
  }
}

// The state of one box, kept in the dialog window's extra bytes.
struct BoxState {
  UINT type = 0;
  int32_t answer = 0;
  std::vector<HWND> buttons;
};

std::vector<HWND>& OpenBoxes() {
  static std::vector<HWND> boxes;
  return boxes;
}

BoxState* StateOf(HWND dialog) {
  return reinterpret_cast<BoxState*>(GetWindowLongPtr(dialog, 0));
}

void PaintIcon(HDC dc, UINT icon, int32_t x, int32_t y) {
  if (!icon) return;
  const COLORREF color = icon == MB_ICONHAND          ? RGB(200, 30, 30)
                         : icon == MB_ICONEXCLAMATION ? RGB(230, 170, 0)
                                                      : RGB(40, 90, 180);
  const HBRUSH brush = CreateSolidBrush(color);
  const HGDIOBJ oldBrush = SelectObject(dc, brush);
  const HGDIOBJ oldPen = SelectObject(dc, GetStockObject(NULL_PEN));
  Ellipse(dc, x, y, x + kIconSize, y + kIconSize);
  SelectObject(dc, oldPen);
  SelectObject(dc, oldBrush);
  DeleteObject(brush);
  const char* mark = icon == MB_ICONQUESTION ? "?" : icon == MB_ICONASTERISK ? "i" : "!";
  if (icon == MB_ICONHAND) mark = "x";
  RECT box{x, y, x + kIconSize, y + kIconSize};
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, RGB(255, 255, 255));
  DrawText(dc, mark, 1, &box, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
}

LRESULT DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  BoxState* state = StateOf(dialog);
  switch (message) {
    case WM_COMMAND:
      if (state && HIWORD(wParam) == BN_CLICKED && LOWORD(wParam) != kTextId)
        state->answer = LOWORD(wParam);
      return 0;
    case WM_CLOSE:
      // The close box counts as Cancel where there is one, as OK for a lone OK button.
      if (state) {
        const auto buttons = ButtonsOf(state->type);
        for (const ButtonSpec& spec : buttons)
          if (spec.id == IDCANCEL) state->answer = IDCANCEL;
        if (buttons.size() == 1) state->answer = IDOK;
      }
      return 0;
    case WM_PAINT: {
      PAINTSTRUCT paint;
      const HDC dc = BeginPaint(dialog, &paint);
      if (state) PaintIcon(dc, state->type & 0xF0, kGap * 2, kGap * 2);
      EndPaint(dialog, &paint);
      return 0;
    }
    default:
      return DefWindowProc(dialog, message, wParam, lParam);
  }
}

void EnsureClasses() {
  RegisterStandardControls();
  if (GetClassInfo(kDialogClass, nullptr)) return;
  WNDCLASS windowClass;
  windowClass.lpfnWndProc = DialogProc;
  windowClass.lpszClassName = kDialogClass;
  windowClass.cbWndExtra = sizeof(LONG_PTR);
  windowClass.background = RGB(240, 240, 240);
  RegisterClass(&windowClass);
}

SIZE MeasureText(const std::string& text) {
  const HDC dc = CreateCompatibleDC(nullptr);
  RECT rect{0, 0, 360, 0};
  DrawText(dc, text.c_str(), static_cast<int32_t>(text.size()), &rect,
           DT_CALCRECT | DT_WORDBREAK | DT_EXPANDTABS | DT_NOPREFIX);
  DeleteDC(dc);
  return SIZE{std::max<int32_t>(rect.right, 60), std::max<int32_t>(rect.bottom, 16)};
}

// The client width the title needs: its text after the caption's left inset, then the close
// box with its margins.
int32_t CaptionWidth(const std::string& caption) {
  const HDC dc = CreateCompatibleDC(nullptr);
  RECT rect{0, 0, 0, 0};
  DrawText(dc, caption.c_str(), static_cast<int32_t>(caption.size()), &rect,
           DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
  DeleteDC(dc);
  const int32_t closeBox = GetSystemMetrics(SM_CYCAPTION) - 4;
  return 6 + rect.right + kGap + closeBox + 4;
}

char Mnemonic(HWND button) {
  const std::string text = GetWindowTextString(button);
  const size_t amp = text.find('&');
  if (amp == std::string::npos || amp + 1 >= text.size()) return 0;
  return static_cast<char>(std::tolower(static_cast<unsigned char>(text[amp + 1])));
}

// Keyboard handling of the box; true when the message was used.
bool HandleDialogKey(HWND dialog, BoxState& state, const MSG& message) {
  if (message.message != WM_KEYDOWN && message.message != WM_SYSKEYDOWN) return false;
  if (message.hwnd != dialog && !IsChild(dialog, message.hwnd)) return false;
  auto& buttons = state.buttons;
  const auto focused = std::find(buttons.begin(), buttons.end(), GetFocus());
  switch (message.wParam) {
    case VK_TAB: {
      const bool back = GetKeyState(VK_SHIFT) < 0;
      size_t index = focused == buttons.end() ? 0 : static_cast<size_t>(focused - buttons.begin());
      index = (index + (back ? buttons.size() - 1 : 1)) % buttons.size();
      SetFocus(buttons[index]);
      return true;
    }
    case VK_LEFT:
    case VK_RIGHT:
      if (focused != buttons.end()) {
        size_t index = static_cast<size_t>(focused - buttons.begin());
        index = (index + (message.wParam == VK_LEFT ? buttons.size() - 1 : 1)) % buttons.size();
        SetFocus(buttons[index]);
      }
      return true;
    case VK_RETURN:
      if (focused != buttons.end()) SendMessage(*focused, BM_CLICK, 0, 0);
      return true;
    case VK_ESCAPE:
      SendMessage(dialog, WM_CLOSE, 0, 0);
      return true;
    default:
      break;
  }
  const int32_t character = CharacterOfKey(static_cast<int32_t>(message.wParam));
  if (character <= ' ') return false;
  const char wanted = static_cast<char>(std::tolower(character));
  for (HWND button : buttons) {
    if (Mnemonic(button) == wanted) {
      SendMessage(button, BM_CLICK, 0, 0);
      return true;
    }
  }
  return false;
}

}  // namespace

HWND GetMessageBoxWindow() {
  return OpenBoxes().empty() ? nullptr : OpenBoxes().back();
}

int32_t MessageBox(HWND owner, const char* text, const char* caption, UINT type) {
  EnsureClasses();
  if (owner && !IsWindow(owner)) owner = nullptr;
  const HWND ownerTop = owner ? GetAncestorTopLevel(owner) : GetActiveWindow();
  const std::string body = text ? text : "";
  const std::vector<ButtonSpec> specs = ButtonsOf(type);
  const bool hasIcon = (type & 0xF0) != 0;

  const SIZE textSize = MeasureText(body);
  const int32_t buttonsWidth = static_cast<int32_t>(specs.size()) * (kButtonWidth + kGap) - kGap;
  const int32_t textLeft = kGap * 2 + (hasIcon ? kIconSize + kGap * 2 : 0);
  const std::string title = caption ? caption : "Error";
  const int32_t clientWidth = std::max({textLeft + textSize.cx + kGap * 2, buttonsWidth + kGap * 4,
                                        CaptionWidth(title)});
  const int32_t bodyHeight = std::max(textSize.cy, hasIcon ? kIconSize : 0);
  const int32_t clientHeight = kGap * 2 + bodyHeight + kGap * 2 + kButtonHeight + kGap;
  const DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU;
  RECT frame{0, 0, clientWidth, clientHeight};
  AdjustWindowRectEx(&frame, style, FALSE, WS_EX_DLGMODALFRAME);
  const int32_t width = frame.right - frame.left;
  const int32_t height = frame.bottom - frame.top;
  RECT around{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  if (ownerTop) GetWindowRect(ownerTop, &around);
  const int32_t x = around.left + ((around.right - around.left) - width) / 2;
  const int32_t y = around.top + ((around.bottom - around.top) - height) / 2;

  BoxState state;
  state.type = type;
  const HWND dialog =
      CreateWindowEx(WS_EX_DLGMODALFRAME | WS_EX_TOPMOST, kDialogClass, title.c_str(), style, x,
                     y, width, height, ownerTop, nullptr, nullptr);
  if (!dialog) return 0;
  SetWindowLongPtr(dialog, 0, reinterpret_cast<LONG_PTR>(&state));
  CreateWindowEx(0, kStaticClass, body.c_str(), WS_CHILD | WS_VISIBLE | SS_LEFT, textLeft, kGap * 2,
                 textSize.cx, textSize.cy, dialog,
                 reinterpret_cast<HMENU>(static_cast<uintptr_t>(kTextId)), nullptr);
  size_t defaultIndex = (type & MB_DEFBUTTON3) ? 2 : (type & MB_DEFBUTTON2) ? 1 : 0;
  defaultIndex = std::min(defaultIndex, specs.size() - 1);
  int32_t buttonX = (clientWidth - buttonsWidth) / 2;
  const int32_t buttonY = clientHeight - kGap - kButtonHeight;
  for (size_t i = 0; i < specs.size(); ++i) {
    const DWORD buttonStyle =
        WS_CHILD | WS_VISIBLE | WS_TABSTOP | (i == defaultIndex ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON);
    state.buttons.push_back(CreateWindowEx(
        0, kButtonClass, specs[i].label, buttonStyle, buttonX, buttonY, kButtonWidth, kButtonHeight,
        dialog, reinterpret_cast<HMENU>(static_cast<uintptr_t>(specs[i].id)), nullptr));
    buttonX += kButtonWidth + kGap;
  }

  // The box answers alone: nothing else can be activated and come in front of it.
  std::vector<HWND> disabled = DisableOtherWindows(dialog);
  OpenBoxes().push_back(dialog);
  ShowWindow(dialog, SW_SHOW);
  SetFocus(state.buttons[defaultIndex]);

  MSG message;
  while (state.answer == 0 && IsWindow(dialog)) {
    const BOOL got = GetMessage(&message, nullptr, 0, 0);
    if (got <= 0) {
      if (got == 0) PostQuitMessage(static_cast<int32_t>(message.wParam));
      break;
    }
    if (HandleDialogKey(dialog, state, message)) continue;
    TranslateMessage(&message);
    DispatchMessage(&message);
  }

  OpenBoxes().erase(std::remove(OpenBoxes().begin(), OpenBoxes().end(), dialog), OpenBoxes().end());
  EnableAgain(disabled);
  if (IsWindow(dialog)) {
    SetWindowLongPtr(dialog, 0, 0);
    DestroyWindow(dialog);
  }
  if (ownerTop && IsWindow(ownerTop)) SetActiveWindow(ownerTop);
  return state.answer;
}
