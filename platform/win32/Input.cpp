#include "platform/win32/Input.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <deque>

#include "platform/win32/Clock.h"
#include "platform/win32/Message.h"
#include "platform/win32/Window.h"
#include "platform/win32/WindowInternal.h"
#include "platform/win32/WindowPresenter.h"

namespace {

constexpr UINT kDoubleClickTime = 500;

struct InputState {
  std::array<uint8_t, 256> async{};
  std::array<uint8_t, 256> sync{};
  POINT cursor;
  HWND capture = nullptr;
  // The last button press, for double clicks.
  HWND lastDownWindow = nullptr;
  int32_t lastDownButton = -1;
  DWORD lastDownTime = 0;
  std::optional<DWORD> lastDownDisplayTime;
  POINT lastDownPoint;
  int32_t beeps = 0;
  DWORD lastBeepFrequency = 0;
  // Button messages queued for a window whose top-level window was disabled when they came, in
  // their order: whether the window takes them is decided when they are taken from the queue.
  std::deque<MSG> decidedWhenTaken;
  // Button messages queued to the window that held the mouse when they came, though a press of
  // theirs came after that window's own (its release not yet handled): routed when taken.
  std::deque<MSG> routedWhenTaken;
  bool routingClick = false;  // the press of the click being read was so queued
};

InputState& State() {
  static InputState state;
  return state;
}

constexpr uint8_t kDown = 0x80;
constexpr uint8_t kToggled = 0x01;

int32_t KeyOf(MouseButton button) {
  switch (button) {
    case MouseButton::kLeft:
      return VK_LBUTTON;
    case MouseButton::kRight:
      return VK_RBUTTON;
    default:
      return VK_MBUTTON;
  }
}

void SetKey(std::array<uint8_t, 256>& keys, int32_t key, bool down) {
  uint8_t& entry = keys[static_cast<size_t>(key & 0xFF)];
  if (down && !(entry & kDown)) entry ^= kToggled;
  entry = down ? (entry | kDown) : (entry & ~kDown);
}

WPARAM MouseKeyFlags(const std::array<uint8_t, 256>& keys) {
  WPARAM flags = 0;
  if (keys[VK_LBUTTON] & kDown) flags |= MK_LBUTTON;
  if (keys[VK_RBUTTON] & kDown) flags |= MK_RBUTTON;
  if (keys[VK_MBUTTON] & kDown) flags |= MK_MBUTTON;
  if (keys[VK_SHIFT] & kDown) flags |= MK_SHIFT;
  if (keys[VK_CONTROL] & kDown) flags |= MK_CONTROL;
  return flags;
}

UINT ClientMessage(MouseButton button, bool down) {
  switch (button) {
    case MouseButton::kLeft:
      return down ? WM_LBUTTONDOWN : WM_LBUTTONUP;
    case MouseButton::kRight:
      return down ? WM_RBUTTONDOWN : WM_RBUTTONUP;
    default:
      return down ? WM_MBUTTONDOWN : WM_MBUTTONUP;
  }
}

void Queue(HWND window, UINT message, WPARAM wParam, LPARAM lParam, bool decideWhenTaken = false,
           bool routeWhenTaken = false) {
  const MSG stamped = StampMessage(window, message, wParam, lParam);
  if (decideWhenTaken) State().decidedWhenTaken.push_back(stamped);
  if (routeWhenTaken) State().routedWhenTaken.push_back(stamped);
  QueueInputMessage(stamped);
}

bool SameMessage(const MSG& a, const MSG& b) {
  return a.hwnd == b.hwnd && a.message == b.message && a.wParam == b.wParam &&
         a.lParam == b.lParam && a.time == b.time && a.pt.x == b.pt.x && a.pt.y == b.pt.y;
}

// Whether the message is among those waiting; it is then no longer waited for.
bool TakeWaiting(std::deque<MSG>& waiting, const MSG& message) {
  const auto found = std::find_if(waiting.begin(), waiting.end(),
                                  [&](const MSG& each) { return SameMessage(each, message); });
  if (found == waiting.end()) return false;
  waiting.erase(found);
  return true;
}

bool IsPress(UINT message) {
  switch (message) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONDBLCLK:
    case WM_MBUTTONDOWN:
    case WM_MBUTTONDBLCLK:
    case WM_NCLBUTTONDOWN:
    case WM_NCLBUTTONDBLCLK:
      return true;
    default:
      return false;
  }
}

// A press in any window but the active one asks it (and, through the default processing, its
// parents) about activation: a document window inside the active frame comes forward so. False
// when the window eats the press.
bool ActivateForPress(HWND target, LRESULT hit, UINT clientMessage) {
  if (target == GetActiveWindow()) return true;
  const HWND top = GetAncestorTopLevel(target);
  const LRESULT answer = SendMessage(target, WM_MOUSEACTIVATE, reinterpret_cast<WPARAM>(top),
                                     MAKELPARAM(static_cast<int32_t>(hit), clientMessage));
  if (answer != MA_NOACTIVATE && answer != MA_NOACTIVATEANDEAT && top != GetActiveWindow())
    SetActiveWindow(top);
  return answer != MA_ACTIVATEANDEAT && answer != MA_NOACTIVATEANDEAT;
}

// A button message queued while its window's top-level window was disabled: taken once the
// input before it has been handled, which may have ended what disabled it (a click on a modal
// dialog's Cancel, with the next click right behind it). Still disabled, the window refuses it
// and a press beeps; enabled, a press activates as it would have.
bool DecideWhenTaken(const MSG& message) {
  if (!IsWindow(message.hwnd) || !IsWindowEnabled(GetAncestorTopLevel(message.hwnd))) {
    if (IsPress(message.message)) MessageBeep(0);
    return false;
  }
  if (!IsPress(message.message)) return true;
  const bool client = message.message < WM_NCMOUSEMOVE || message.message > WM_NCLBUTTONDBLCLK;
  const LRESULT hit = client ? HTCLIENT : static_cast<LRESULT>(message.wParam);
  const UINT clientMessage = client ? message.message : WM_LBUTTONDOWN;
  return ActivateForPress(message.hwnd, hit, clientMessage) && IsWindow(message.hwnd);
}

bool IsDoubleClick(HWND window, int32_t button, POINT screen, std::optional<DWORD> displayTime) {
  InputState& state = State();
  const WindowRecord* record = FindWindowRecord(window);
  if (!record || !(record->classStyle & CS_DBLCLKS)) return false;
  if (state.lastDownWindow != window || state.lastDownButton != button) return false;
  const DWORD elapsed = displayTime && state.lastDownDisplayTime
                            ? *displayTime - *state.lastDownDisplayTime
                            : GetTickCount() - state.lastDownTime;
  if (elapsed > kDoubleClickTime) return false;
  const int32_t slackX = GetSystemMetrics(SM_CXDOUBLECLK) / 2;
  const int32_t slackY = GetSystemMetrics(SM_CYDOUBLECLK) / 2;
  return std::abs(screen.x - state.lastDownPoint.x) <= slackX &&
         std::abs(screen.y - state.lastDownPoint.y) <= slackY;
}

// Finds the window a mouse event goes to and tells it about the cursor and activation. Answers
// the target and hit-test code, or null when the event is swallowed. A button event for a window
// whose top-level window is disabled is answered with `decideWhenTaken` set.
HWND RouteMouse(POINT screen, UINT clientMessage, bool buttonDown, LRESULT* hit,
                bool* decideWhenTaken = nullptr) {
  InputState& state = State();
  if (state.capture) {
    *hit = HTCLIENT;
    return state.capture;
  }
  const HWND target = WindowFromPoint(screen);
  if (!target) return nullptr;
  *hit = SendMessage(target, WM_NCHITTEST, 0, MAKELPARAM(screen.x, screen.y));
  const HWND top = GetAncestorTopLevel(target);
  if (!IsWindowEnabled(top)) {
    // A window behind a modal dialog: the cursor says no. A button event is not refused yet: the
    // input waiting before it may end the dialog (see DecideWhenTaken).
    SendMessage(target, WM_SETCURSOR, reinterpret_cast<WPARAM>(target),
                MAKELPARAM(HTERROR, clientMessage));
    if (decideWhenTaken == nullptr || !IsWindow(target)) return nullptr;
    *decideWhenTaken = true;
    return target;
  }
  if (buttonDown && !ActivateForPress(target, *hit, clientMessage)) return nullptr;
  if (!IsWindow(target)) return nullptr;
  SendMessage(target, WM_SETCURSOR, reinterpret_cast<WPARAM>(target),
              MAKELPARAM(static_cast<int32_t>(*hit), clientMessage));
  return IsWindow(target) ? target : nullptr;
}

// A button message queued to the window that held the mouse when it came: if that window let
// the mouse go meanwhile (the release of its own click handled), the message goes where the
// pointer was, as the desktop routes a click only once the program takes it. False when no
// window takes it there.
bool RouteWhenTaken(MSG& message) {
  if (GetCapture() == message.hwnd) return true;
  const bool down = IsPress(message.message);
  LRESULT hit = HTNOWHERE;
  const HWND target = RouteMouse(message.pt, message.message, down, &hit);
  if (!target) return false;
  message.hwnd = target;
  if (hit == HTCLIENT) {
    POINT client = message.pt;
    ScreenToClient(target, &client);
    message.lParam = MAKELPARAM(client.x, client.y);
    return true;
  }
  if (message.message != WM_LBUTTONDOWN && message.message != WM_LBUTTONUP) return false;
  message.message = down ? WM_NCLBUTTONDOWN : WM_NCLBUTTONUP;
  message.wParam = static_cast<WPARAM>(hit);
  message.lParam = MAKELPARAM(message.pt.x, message.pt.y);
  return true;
}

}  // namespace

SHORT GetKeyState(int32_t virtualKey) {
  const uint8_t entry = State().sync[static_cast<size_t>(virtualKey & 0xFF)];
  return static_cast<SHORT>(((entry & kDown) ? 0x8000 : 0) | (entry & kToggled));
}

SHORT GetAsyncKeyState(int32_t virtualKey) {
  // Tracking loops poll without pumping messages: let the presenter read the desktop first.
  if (WindowPresenter* presenter = GetWindowPresenter()) presenter->PollEvents();
  const uint8_t entry = State().async[static_cast<size_t>(virtualKey & 0xFF)];
  return static_cast<SHORT>((entry & kDown) ? 0x8000 : 0);
}

HWND SetCapture(HWND window) {
  InputState& state = State();
  const HWND old = state.capture;
  if (!IsWindow(window)) return old;
  state.capture = window;
  if (old && old != window && IsWindow(old))
    SendMessage(old, WM_CAPTURECHANGED, 0, reinterpret_cast<LPARAM>(window));
  return old;
}

BOOL ReleaseCapture() {
  InputState& state = State();
  const HWND old = state.capture;
  state.capture = nullptr;
  if (old && IsWindow(old)) SendMessage(old, WM_CAPTURECHANGED, 0, 0);
  return TRUE;
}

HWND GetCapture() {
  return State().capture;
}

void ReleaseCaptureOf(HWND window) {
  if (State().capture == window) ReleaseCapture();
}

BOOL GetCursorPos(POINT* point) {
  if (!point) return FALSE;
  *point = State().cursor;
  return TRUE;
}

BOOL SetCursorPos(int32_t x, int32_t y) {
  State().cursor = POINT{x, y};
  return TRUE;
}

UINT GetDoubleClickTime() {
  return kDoubleClickTime;
}

void MessageBeep(UINT) {
  ++State().beeps;
  State().lastBeepFrequency = 0;
  if (WindowPresenter* presenter = GetWindowPresenter()) presenter->RingBell(0, 0);
}

BOOL Beep(DWORD frequency, DWORD duration) {
  if (frequency < 37 || frequency > 32767) return FALSE;
  ++State().beeps;
  State().lastBeepFrequency = frequency;
  if (WindowPresenter* presenter = GetWindowPresenter())
    presenter->RingBell(static_cast<int32_t>(frequency),
                        static_cast<int32_t>(std::min<DWORD>(duration, 32767)));
  return TRUE;
}

DWORD LastBeepFrequency() {
  return State().lastBeepFrequency;
}
int32_t BeepCount() {
  return State().beeps;
}

void InjectMouseMove(POINT screen) {
  InputState& state = State();
  state.cursor = screen;
  LRESULT hit = HTNOWHERE;
  const HWND target = RouteMouse(screen, WM_MOUSEMOVE, false, &hit);
  if (!target) return;
  if (hit == HTCLIENT) {
    POINT client = screen;
    ScreenToClient(target, &client);
    Queue(target, WM_MOUSEMOVE, MouseKeyFlags(state.async), MAKELPARAM(client.x, client.y));
  } else {
    Queue(target, WM_NCMOUSEMOVE, static_cast<WPARAM>(hit), MAKELPARAM(screen.x, screen.y));
  }
}

void InjectMouseButton(MouseButton button, bool down, POINT screen,
                       std::optional<DWORD> displayTime) {
  InputState& state = State();
  state.cursor = screen;
  SetKey(state.async, KeyOf(button), down);
  UINT message = ClientMessage(button, down);
  // A press while a window still holds the mouse since its own press (whose release waits in
  // the queue: a quick second click), and the rest of that click, are routed when taken.
  const bool routeWhenTaken = state.capture != nullptr && (down || state.routingClick);
  state.routingClick = down && routeWhenTaken;
  LRESULT hit = HTNOWHERE;
  bool decideWhenTaken = false;
  const HWND target = RouteMouse(screen, message, down, &hit, &decideWhenTaken);
  if (!target) return;
  const int32_t buttonIndex = static_cast<int32_t>(button);
  if (hit != HTCLIENT) {
    if (button != MouseButton::kLeft) return;
    Queue(target, down ? WM_NCLBUTTONDOWN : WM_NCLBUTTONUP, static_cast<WPARAM>(hit),
          MAKELPARAM(screen.x, screen.y), decideWhenTaken);
    return;
  }
  if (down) {
    if (IsDoubleClick(target, buttonIndex, screen, displayTime)) {
      message += 2;  // the DBLCLK message follows the UP message of each button
      state.lastDownWindow = nullptr;
      state.lastDownButton = -1;
    } else {
      state.lastDownWindow = target;
      state.lastDownButton = buttonIndex;
      state.lastDownTime = GetTickCount();
      state.lastDownDisplayTime = displayTime;
      state.lastDownPoint = screen;
    }
  }
  POINT client = screen;
  ScreenToClient(target, &client);
  Queue(target, message, MouseKeyFlags(state.async), MAKELPARAM(client.x, client.y),
        decideWhenTaken, routeWhenTaken);
}

void InjectMouseWheel(POINT screen, int32_t delta) {
  InputState& state = State();
  state.cursor = screen;
  HWND target = GetFocus();
  if (!target) target = WindowFromPoint(screen);
  if (!target) return;
  Queue(target, WM_MOUSEWHEEL,
        static_cast<WPARAM>(MAKELONG(static_cast<int32_t>(MouseKeyFlags(state.async)), delta)),
        MAKELPARAM(screen.x, screen.y));
}

void InjectKey(int32_t virtualKey, bool down) {
  InputState& state = State();
  const bool wasDown = state.async[static_cast<size_t>(virtualKey & 0xFF)] & kDown;
  SetKey(state.async, virtualKey, down);
  const bool alt = state.async[VK_MENU] & kDown;
  const bool system =
      (alt && !(state.async[VK_CONTROL] & kDown)) || virtualKey == VK_MENU || virtualKey == VK_F10;
  UINT message = down ? WM_KEYDOWN : WM_KEYUP;
  if (system) message = down ? WM_SYSKEYDOWN : WM_SYSKEYUP;
  uint32_t flags = 1;
  if (alt) flags |= 1u << 29;
  if (wasDown) flags |= 1u << 30;
  if (!down) flags |= 1u << 31;
  Queue(kFocusWindow, message, static_cast<WPARAM>(virtualKey),
        static_cast<LPARAM>(static_cast<int32_t>(flags)));
}

void InjectCharacter(uint8_t character) {
  Queue(kFocusWindow, WM_CHAR, character, 1);
}

void InjectClick(HWND window, POINT client, MouseButton button) {
  POINT screen = client;
  ClientToScreen(window, &screen);
  InjectMouseMove(screen);
  InjectMouseButton(button, true, screen);
  InjectMouseButton(button, false, screen);
}

void InjectKeyStroke(int32_t virtualKey) {
  InjectKey(virtualKey, true);
  InjectKey(virtualKey, false);
}

int32_t CharacterOfKey(int32_t key) {
  const bool shift = GetKeyState(VK_SHIFT) < 0;
  const bool control = GetKeyState(VK_CONTROL) < 0;
  if (key >= 'A' && key <= 'Z') {
    if (control) return key - 'A' + 1;
    return shift ? key : key - 'A' + 'a';
  }
  if (key >= '0' && key <= '9') return shift ? ")!@#$%^&*("[key - '0'] : key;
  if (key >= VK_NUMPAD0 && key <= VK_NUMPAD0 + 9) return '0' + (key - VK_NUMPAD0);
  switch (key) {
    case VK_SPACE:
      return ' ';
    case VK_RETURN:
      return '\r';
    case VK_ESCAPE:
      return 27;
    case VK_BACK:
      return 8;
    case VK_TAB:
      return '\t';
    case VK_DECIMAL:
      return '.';
    case 0xBA:
      return shift ? ':' : ';';
    case 0xBB:
      return shift ? '+' : '=';
    case 0xBC:
      return shift ? '<' : ',';
    case 0xBD:
      return shift ? '_' : '-';
    case 0xBE:
      return shift ? '>' : '.';
    case 0xBF:
      return shift ? '?' : '/';
    case 0xC0:
      return shift ? '~' : '`';
    case 0xDB:
      return shift ? '{' : '[';
    case 0xDC:
      return shift ? '|' : '\\';
    case 0xDD:
      return shift ? '}' : ']';
    case 0xDE:
      return shift ? '"' : '\'';
    default:
      return -1;
  }
}

bool NoteInputMessageTaken(MSG& message) {
  InputState& state = State();
  // The synchronous state follows the buttons even through a message the window refuses.
  const bool toDecide = TakeWaiting(state.decidedWhenTaken, message);
  const bool toRoute = TakeWaiting(state.routedWhenTaken, message);
  bool delivered = !toDecide || DecideWhenTaken(message);
  if (delivered && toRoute) delivered = RouteWhenTaken(message);
  switch (message.message) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
      SetKey(state.sync, static_cast<int32_t>(message.wParam), true);
      return delivered;
    case WM_KEYUP:
    case WM_SYSKEYUP:
      SetKey(state.sync, static_cast<int32_t>(message.wParam), false);
      return delivered;
    default:
      break;
  }
  if (message.message >= WM_MOUSEFIRST && message.message <= WM_MOUSELAST &&
      message.message != WM_MOUSEWHEEL) {
    SetKey(state.sync, VK_LBUTTON, message.wParam & MK_LBUTTON);
    SetKey(state.sync, VK_RBUTTON, message.wParam & MK_RBUTTON);
    SetKey(state.sync, VK_MBUTTON, message.wParam & MK_MBUTTON);
  }
  if (message.message == WM_NCLBUTTONDOWN) SetKey(state.sync, VK_LBUTTON, true);
  if (message.message == WM_NCLBUTTONUP) SetKey(state.sync, VK_LBUTTON, false);
  return delivered;
}

bool IsRoutedWhenTaken(const MSG& message) {
  const std::deque<MSG>& waiting = State().routedWhenTaken;
  return std::any_of(waiting.begin(), waiting.end(),
                     [&](const MSG& each) { return SameMessage(each, message); });
}

void ForgetWindowInput(HWND window) {
  InputState& state = State();
  if (state.capture == window) state.capture = nullptr;
  if (state.lastDownWindow == window) state.lastDownWindow = nullptr;
  // Its queued messages go with it, but for those routed when taken: they were only queued to it
  // because it held the mouse, and go where they were made (the click right behind the one on a
  // dialog's Cancel, queued to the button, still acts once the dialog has gone).
  std::erase_if(state.decidedWhenTaken, [&](const MSG& each) { return each.hwnd == window; });
}

void ResetInputState() {
  InputState& state = State();
  state = InputState{};
}
