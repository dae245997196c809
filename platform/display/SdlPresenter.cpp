#include "platform/display/SdlPresenter.h"

#include <SDL.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <utility>

#include "platform/win32/Clipboard.h"
#include "platform/win32/Cursor.h"
#include "platform/win32/Input.h"
#include "platform/win32/Message.h"
#include "platform/win32/Window.h"

// Last: on X11 it brings Xlib, whose macros would clash with names above.
#include <SDL_syswm.h>
#if defined(SDL_VIDEO_DRIVER_X11)
#include <X11/Xatom.h>
#include <poll.h>
#endif

namespace {

#if defined(SDL_VIDEO_DRIVER_X11)
// Xlib's own handler ends the program on any error of a request. A request that reaches a
// desktop window the desktop has already let go of (a window closed while its last changes were
// still on the way) costs nothing but that request: the program goes on, and says so once.
int KeepGoingOnXError(Display* display, XErrorEvent* error) {
  static bool told = false;
  if (!told) {
    char text[128] = "";
    XGetErrorText(display, error->error_code, text, sizeof text);
    std::fprintf(stderr, "yarrowby: the display refused a request (%s); going on\n", text);
    told = true;
  }
  return 0;
}
#endif

#if defined(SDL_VIDEO_DRIVER_X11)
// A window manager that follows the desktop conventions names its check window on the root.
bool WindowManagerRuns(Display* display) {
  const Atom check = XInternAtom(display, "_NET_SUPPORTING_WM_CHECK", True);
  if (check == None) return false;
  Atom type = None;
  int format = 0;
  unsigned long count = 0, after = 0;
  unsigned char* data = nullptr;
  const int status = XGetWindowProperty(display, DefaultRootWindow(display), check, 0, 1, False,
                                        AnyPropertyType, &type, &format, &count, &after, &data);
  const bool found = status == Success && type != None && count == 1;
  if (data) XFree(data);
  return found;
}
#endif

// The X window of a desktop window, or 0 elsewhere.
unsigned long XWindowOf(SDL_Window* desktop) {
#if defined(SDL_VIDEO_DRIVER_X11)
  SDL_SysWMinfo info;
  SDL_VERSION(&info.version);
  if (SDL_GetWindowWMInfo(desktop, &info) && info.subsystem == SDL_SYSWM_X11)
    return info.info.x11.window;
#else
  (void)desktop;
#endif
  return 0;
}

// The video subsystem, started again once when the first start fails: a desktop session that is
// still coming up may refuse the first connection for a passing reason.
bool StartVideo(std::string* why) {
  if (SDL_InitSubSystem(SDL_INIT_VIDEO) == 0) return true;
  const std::string first = SDL_GetError();
  SDL_Delay(200);
  if (SDL_InitSubSystem(SDL_INIT_VIDEO) == 0) return true;
  if (why) *why = first + "; again: " + SDL_GetError();
  return false;
}

}  // namespace

int32_t SdlPresenter::VirtualKeyOf(int32_t key) {
  if (key >= SDLK_a && key <= SDLK_z) return 'A' + (key - SDLK_a);
  if (key >= SDLK_0 && key <= SDLK_9) return '0' + (key - SDLK_0);
  if (key >= SDLK_F1 && key <= SDLK_F12) return VK_F1 + (key - SDLK_F1);
  if (key >= SDLK_KP_1 && key <= SDLK_KP_9) return VK_NUMPAD0 + 1 + (key - SDLK_KP_1);
  switch (key) {
    case SDLK_KP_0:
      return VK_NUMPAD0;
    case SDLK_KP_PERIOD:
      return VK_DECIMAL;
    case SDLK_RETURN:
    case SDLK_KP_ENTER:
      return VK_RETURN;
    case SDLK_ESCAPE:
      return VK_ESCAPE;
    case SDLK_BACKSPACE:
      return VK_BACK;
    case SDLK_TAB:
      return VK_TAB;
    case SDLK_SPACE:
      return VK_SPACE;
    case SDLK_LEFT:
      return VK_LEFT;
    case SDLK_RIGHT:
      return VK_RIGHT;
    case SDLK_UP:
      return VK_UP;
    case SDLK_DOWN:
      return VK_DOWN;
    case SDLK_HOME:
      return VK_HOME;
    case SDLK_END:
      return VK_END;
    case SDLK_PAGEUP:
      return VK_PRIOR;
    case SDLK_PAGEDOWN:
      return VK_NEXT;
    case SDLK_INSERT:
      return VK_INSERT;
    case SDLK_DELETE:
      return VK_DELETE;
    case SDLK_LSHIFT:
    case SDLK_RSHIFT:
      return VK_SHIFT;
    case SDLK_LCTRL:
    case SDLK_RCTRL:
      return VK_CONTROL;
    case SDLK_LALT:
    case SDLK_RALT:
      return VK_MENU;
    case SDLK_SEMICOLON:
      return 0xBA;
    case SDLK_EQUALS:
      return 0xBB;
    case SDLK_COMMA:
      return 0xBC;
    case SDLK_MINUS:
      return 0xBD;
    case SDLK_PERIOD:
      return 0xBE;
    case SDLK_SLASH:
      return 0xBF;
    case SDLK_BACKQUOTE:
      return 0xC0;
    case SDLK_LEFTBRACKET:
      return 0xDB;
    case SDLK_BACKSLASH:
      return 0xDC;
    case SDLK_RIGHTBRACKET:
      return 0xDD;
    case SDLK_QUOTE:
      return 0xDE;
    default:
      return 0;
  }
}

namespace {

SDL_SystemCursor SystemCursorOf(uintptr_t shape) {
  switch (shape) {
    case IDC_IBEAM:
      return SDL_SYSTEM_CURSOR_IBEAM;
    case IDC_WAIT:
      return SDL_SYSTEM_CURSOR_WAIT;
    case IDC_CROSS:
      return SDL_SYSTEM_CURSOR_CROSSHAIR;
    case IDC_SIZENWSE:
      return SDL_SYSTEM_CURSOR_SIZENWSE;
    case IDC_SIZENESW:
      return SDL_SYSTEM_CURSOR_SIZENESW;
    case IDC_SIZEWE:
      return SDL_SYSTEM_CURSOR_SIZEWE;
    case IDC_SIZENS:
      return SDL_SYSTEM_CURSOR_SIZENS;
    case IDC_SIZEALL:
      return SDL_SYSTEM_CURSOR_SIZEALL;
    case IDC_NO:
      return SDL_SYSTEM_CURSOR_NO;
    case IDC_HAND:
      return SDL_SYSTEM_CURSOR_HAND;
    default:
      return SDL_SYSTEM_CURSOR_ARROW;
  }
}

// Where a mouse event happened on the screen, without the desktop's own report: its place in
// the desktop window plus where that window is now.
POINT ScreenPointOf(SDL_Window* desktop, int32_t x, int32_t y) {
  int left = 0, top = 0;
  SDL_GetWindowPosition(desktop, &left, &top);
  return POINT{left + x, top + y};
}

MouseButton ButtonOf(uint8_t button) {
  if (button == SDL_BUTTON_RIGHT) return MouseButton::kRight;
  if (button == SDL_BUTTON_MIDDLE) return MouseButton::kMiddle;
  return MouseButton::kLeft;
}

}  // namespace

bool DisplayAvailable() {
  const char* x11 = std::getenv("DISPLAY");
  const char* wayland = std::getenv("WAYLAND_DISPLAY");
  return (x11 && *x11) || (wayland && *wayland);
}

std::unique_ptr<SdlPresenter> SdlPresenter::Create(std::string* why) {
  if (!DisplayAvailable()) {
    if (why) *why = "no display is set";
    return nullptr;
  }
  SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
  // Only a desktop shows windows. Without this, SDL falls back to drawing off screen when the
  // display cannot be reached, and the program would wait for a window nobody can see. (The
  // user's SDL_VIDEODRIVER still wins.)
  SDL_SetHint(SDL_HINT_VIDEODRIVER, "x11,wayland");
  SDL_SetHint(SDL_HINT_VIDEO_X11_NET_WM_BYPASS_COMPOSITOR, "0");
  // Our surfaces are copied to the desktop window as they are; without this SDL first creates a
  // hidden OpenGL window to decide whether a texture would be faster, loading the GL driver.
  SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
  // A click that brings a window into focus also acts on it, as the layer's own activation
  // (WM_MOUSEACTIVATE) decides; SDL would drop a press that comes just after the focus.
  SDL_SetHint(SDL_HINT_MOUSE_FOCUS_CLICKTHROUGH, "1");
  if (!StartVideo(why)) return nullptr;
#if defined(SDL_VIDEO_DRIVER_X11)
  XSetErrorHandler(KeepGoingOnXError);
#endif
  SDL_DisplayMode mode;
  if (SDL_GetDesktopDisplayMode(0, &mode) == 0) SetScreenSize(mode.w, mode.h);
  SDL_StartTextInput();
  // The desktop's raw pointer events carry screen positions (see EventPoint).
  SDL_EventState(SDL_SYSWMEVENT, SDL_ENABLE);
  return std::unique_ptr<SdlPresenter>(new SdlPresenter());
}

SdlPresenter::~SdlPresenter() {
  SDL_StopTextInput();
  if (cursor_) SDL_FreeCursor(static_cast<SDL_Cursor*>(cursor_));
  for (auto& [window, shown] : windows_)
    if (shown.desktop) SDL_DestroyWindow(shown.desktop);
#if defined(SDL_VIDEO_DRIVER_X11)
  // The answers to the last requests are taken here, while the program's handler hears them.
  // SDL's own teardown would hand the connection back to Xlib's handler, which ends the process
  // with a failure on a request that reached a window already gone; the connection is instead
  // closed with the process, which is the last thing that happens after a presenter ends.
  if (xDisplay_) {
    XSync(static_cast<Display*>(xDisplay_), False);
    return;
  }
#endif
  SDL_QuitSubSystem(SDL_INIT_VIDEO);
}

SDL_Window* SdlPresenter::DesktopWindowOf(HWND window) const {
  auto found = windows_.find(window);
  return found == windows_.end() ? nullptr : found->second.desktop;
}

HWND SdlPresenter::WindowOfId(uint32_t id) const {
  for (const auto& [window, shown] : windows_)
    if (shown.desktop && SDL_GetWindowID(shown.desktop) == id) return window;
  return nullptr;
}

void SdlPresenter::TopLevelCreated(HWND window) {
  windows_.try_emplace(window);
}

void SdlPresenter::Show(HWND window) {
  RECT place;
  GetWindowRect(window, &place);
  Shown& shown = windows_[window];
  if (!shown.desktop) {
    if (!Open(window, shown, place)) return;
  } else {
    Follow(window, shown, place);
  }
  if (ManagesItself()) {
    Restack();
    GiveKeyboard();
  } else if (GetActiveWindow() == window && raised_ != window) {
    Raise(window, shown.desktop);
  } else if (GetActiveWindow() != window && raised_ == window) {
    raised_ = nullptr;
  }
}

bool SdlPresenter::Open(HWND window, Shown& shown, const RECT& place) {
  const int32_t width = std::max(1, place.right - place.left);
  const int32_t height = std::max(1, place.bottom - place.top);
  shown.title = Windows1252ToUtf8(GetWindowTextString(window));
  shown.place = place;
  // The layer draws every window's frame itself (caption, boxes, sizing edges), and that frame
  // works whether or not a window manager runs; the desktop adds none, so no window shows two
  // title bars. An owned pop-up without a caption stays out of the manager's way.
  Uint32 flags = SDL_WINDOW_HIDDEN | SDL_WINDOW_BORDERLESS;
  const DWORD style = static_cast<DWORD>(GetWindowLongPtr(window, GWL_STYLE));
  if ((style & WS_CAPTION) != WS_CAPTION && GetWindow(window, GW_OWNER))
    flags |= SDL_WINDOW_SKIP_TASKBAR | SDL_WINDOW_POPUP_MENU;
  shown.desktop =
      SDL_CreateWindow(shown.title.c_str(), place.left, place.top, width, height, flags);
  if (!shown.desktop) return false;
  NoteXDisplay(shown.desktop);
  shown.x = XWindowOf(shown.desktop);
#if defined(SDL_VIDEO_DRIVER_X11)
  if (ManagesItself()) {
    // Put on the screen here rather than by SDL, which without a manager also hands every
    // window it shows the keyboard: a tool tip or a menu would take it from the active window.
    XMapRaised(static_cast<Display*>(xDisplay_), shown.x);
    stackDirty_ = true;
  }
#endif
  if (!ManagesItself()) SDL_ShowWindow(shown.desktop);
  // The frame was drawn before the desktop said whether it can minimize: drawn again.
  if (!windowManager_) SendMessage(window, WM_NCPAINT, 1, 0);
  SurfaceUpdated(window, RECT{0, 0, width, height});
  return true;
}

void SdlPresenter::Follow(HWND window, Shown& shown, const RECT& place) {
  // Only what changed is passed on: SDL raises a window whose size it is told, even an
  // unchanged one, and waits for the desktop on every move.
  const std::string title = Windows1252ToUtf8(GetWindowTextString(window));
  if (title != shown.title) {
    SDL_SetWindowTitle(shown.desktop, title.c_str());
    shown.title = title;
  }
  const int32_t width = std::max(1, place.right - place.left);
  const int32_t height = std::max(1, place.bottom - place.top);
  const bool moved = place.left != shown.place.left || place.top != shown.place.top;
  const bool sized = width != std::max(1, shown.place.right - shown.place.left) ||
                     height != std::max(1, shown.place.bottom - shown.place.top);
  shown.place = place;
  if (moved) SDL_SetWindowPosition(shown.desktop, place.left, place.top);
  if (sized) {
    SDL_SetWindowSize(shown.desktop, width, height);
    stackDirty_ = true;
  }
  if (!ManagesItself()) SDL_ShowWindow(shown.desktop);
  const bool minimized = SDL_GetWindowFlags(shown.desktop) & SDL_WINDOW_MINIMIZED;
  if (minimized) SDL_RestoreWindow(shown.desktop);
  if (sized || minimized) SurfaceUpdated(window, RECT{0, 0, width, height});
}

void SdlPresenter::TopLevelChanged(HWND window) {
  if (syncing_) return;
  if (IsWindowVisible(window) && !IsIconic(window)) {
    Show(window);
    return;
  }
  auto found = windows_.find(window);
  if (found == windows_.end() || !found->second.desktop) return;
  // A minimized window stays a desktop window, so that the desktop can give it back. Where
  // nothing on the desktop minimizes windows it stays in view, and a click restores it.
  if (IsWindowVisible(window)) {
    SDL_MinimizeWindow(found->second.desktop);
    return;
  }
  Close(found->first, found->second);
}

void SdlPresenter::Close(HWND window, Shown& shown) {
  // Nothing more is asked of the desktop window once it is gone: neither the answer to an idle
  // question sent to it nor the keyboard.
  if (shown.x != 0 && shown.x == idle_.window) idle_.window = 0;
  if (shown.x != 0 && shown.x == settled_.window) settled_.window = 0;
  if (shown.x != 0 && shown.x == keyboard_) keyboard_ = 0;
  SDL_DestroyWindow(shown.desktop);
  shown = Shown{};
  if (raised_ == window) raised_ = nullptr;
  if (!ManagesItself()) return;
  // The keyboard of a window that goes returns to the active window.
  Restack();
  GiveKeyboard();
}

void SdlPresenter::RestoreIfMinimized(HWND window) {
  if (!IsIconic(window)) return;
  syncing_ = true;
  ShowWindow(window, SW_RESTORE);
  syncing_ = false;
  Show(window);
}

void SdlPresenter::TopLevelDestroyed(HWND window) {
  auto found = windows_.find(window);
  if (found == windows_.end()) return;
  const bool hadKeyboard = raised_ == window;
  if (found->second.desktop) Close(window, found->second);
  windows_.erase(found);
  if (!hadKeyboard || ManagesItself()) return;
  // The window that had the keyboard is gone (an alert that was answered): the keyboard goes
  // back to the window now active, which a window manager may not do for a borderless window.
  const HWND active = GetActiveWindow();
  if (SDL_Window* desktop = active ? DesktopWindowOf(active) : nullptr) Raise(active, desktop);
}

void SdlPresenter::Raise(HWND window, SDL_Window* desktop) {
  // The active window comes to the front and takes the keyboard.
  SDL_RaiseWindow(desktop);
  raised_ = window;
}

void SdlPresenter::Restack() {
#if defined(SDL_VIDEO_DRIVER_X11)
  std::vector<unsigned long> order;
  for (HWND top = GetTopWindow(nullptr); top; top = GetWindow(top, GW_HWNDNEXT)) {
    auto found = windows_.find(top);
    if (found != windows_.end() && found->second.desktop && found->second.x)
      order.push_back(found->second.x);
  }
  if (order == stack_ && !stackDirty_) return;
  stack_ = order;
  stackDirty_ = false;
  if (order.empty()) return;
  auto* display = static_cast<Display*>(xDisplay_);
  std::vector<Window> windows(order.begin(), order.end());
  // The front window comes above everything else on the desktop; the others go below it in turn.
  XRaiseWindow(display, windows.front());
  XRestackWindows(display, windows.data(), static_cast<int>(windows.size()));
  XFlush(display);
#endif
}

void SdlPresenter::GiveKeyboard() {
#if defined(SDL_VIDEO_DRIVER_X11)
  const HWND active = GetActiveWindow();
  auto found = active ? windows_.find(active) : windows_.end();
  if (found == windows_.end() || !found->second.x || found->second.x == keyboard_) return;
  auto* display = static_cast<Display*>(xDisplay_);
  // Should the window go before the keyboard is handed on, the desktop gives it to the root,
  // where it reaches the window under the pointer, rather than to nobody.
  XSetInputFocus(display, found->second.x, RevertToParent, CurrentTime);
  XFlush(display);
  keyboard_ = found->second.x;
#endif
}

void SdlPresenter::SurfaceUpdated(HWND window, const RECT&) {
  SDL_Window* desktop = DesktopWindowOf(window);
  WindowSurface* surface = GetWindowSurface(window);
  if (!desktop || !surface || !surface->Cairo()) return;
  cairo_surface_flush(surface->Cairo());
  SDL_Surface* source = SDL_CreateRGBSurfaceWithFormatFrom(
      cairo_image_surface_get_data(surface->Cairo()), surface->Width(), surface->Height(), 32,
      cairo_image_surface_get_stride(surface->Cairo()), SDL_PIXELFORMAT_RGB888);
  SDL_Surface* target = SDL_GetWindowSurface(desktop);
  if (source && target) {
    SDL_BlitSurface(source, nullptr, target, nullptr);
    SDL_UpdateWindowSurface(desktop);
  }
  if (source) SDL_FreeSurface(source);
}

bool SdlPresenter::TakeQueuedEvents() {
  SDL_Event event;
  if (!SDL_PollEvent(&event)) return false;
  Handle(event);
  PollEvents();
  return true;
}

bool SdlPresenter::WaitForEvents(int32_t timeout) {
  if (TakeQueuedEvents()) return true;
#if defined(SDL_VIDEO_DRIVER_X11)
  if (xDisplay_) return WaitOnDisplay(timeout, {});
#endif
  SDL_Event event;
  const int got = timeout < 0 ? SDL_WaitEvent(&event) : SDL_WaitEventTimeout(&event, timeout);
  if (!got) return false;
  Handle(event);
  PollEvents();
  return true;
}

bool SdlPresenter::WaitForEventsOrDescriptors(int32_t timeout, std::span<pollfd> descriptors) {
#if defined(SDL_VIDEO_DRIVER_X11)
  if (xDisplay_) return TakeQueuedEvents() || WaitOnDisplay(timeout, descriptors);
#endif
  // SDL's own wait cannot watch other descriptors.
  return WindowPresenter::WaitForEventsOrDescriptors(timeout, descriptors);
}

#if defined(SDL_VIDEO_DRIVER_X11)
// On X the wait is on the display's connection itself. SDL's own wait, for every event it takes
// in meanwhile (its wake-ups among them, so they keep coming), sends a wake-up message over a
// second connection to the newest desktop window; the display may carry one out after this
// connection closed that window (a tool tip or menu that went), and refuse it.
bool SdlPresenter::WaitOnDisplay(int32_t timeout, std::span<pollfd> descriptors) {
  auto* display = static_cast<Display*>(xDisplay_);
  // Events already read from the connection (while a request waited for its reply) are not
  // waited for.
  if (XEventsQueued(display, QueuedAfterFlush) == 0) {
    std::vector<pollfd> watched(descriptors.begin(), descriptors.end());
    watched.push_back(pollfd{ConnectionNumber(display), POLLIN, 0});
    const int got = ::poll(watched.data(), watched.size(), timeout);
    std::copy_n(watched.begin(), descriptors.size(), descriptors.begin());
    // Interrupted, the caller looks again as after any wake.
    if (got == 0 || (got > 0 && watched.back().revents == 0)) return false;
  }
  PollEvents();
  return true;
}
#endif

void SdlPresenter::PollEvents() {
  SDL_Event event;
  while (SDL_PollEvent(&event))
    Handle(event);
}

void SdlPresenter::Handle(const SDL_Event& event) {
  switch (event.type) {
    case SDL_SYSWMEVENT:
      NotePointer(event.syswm.msg);
      NoteFocus(event.syswm.msg);
      NoteKeyEvent(event.syswm.msg);
      NoteIdleProbe(event.syswm.msg);
      return;
    case SDL_MOUSEMOTION: {
      InjectKeys(keyboardSync_.BeforePointer());
      const HWND window = WindowOfId(event.motion.windowID);
      if (window) InjectMouseMove(EventPoint(window, event.motion.x, event.motion.y));
      return;
    }
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP: {
      // A press the display gave a window that has gone since (a tip that showed under the
      // pointer, then went) is the press of whatever stands at its place now.
      const HWND window = WindowOfId(event.button.windowID);
      if (!window && !havePointer_) return;
      if (window && event.type == SDL_MOUSEBUTTONDOWN && IsIconic(window)) {
        RestoreIfMinimized(window);
        return;
      }
      InjectKeys(keyboardSync_.BeforePointer());
      const POINT screen = window ? EventPoint(window, event.button.x, event.button.y) : pointer_;
      InjectMouseMove(screen);
      InjectMouseButton(ButtonOf(event.button.button), event.type == SDL_MOUSEBUTTONDOWN, screen,
                        std::exchange(displayButtonTime_, std::nullopt));
      return;
    }
    case SDL_MOUSEWHEEL: {
      InjectKeys(keyboardSync_.BeforePointer());
      POINT cursor;
      GetCursorPos(&cursor);
      InjectMouseWheel(cursor, event.wheel.y * 120);
      return;
    }
    case SDL_KEYDOWN:
    case SDL_KEYUP: {
      // Without X's own events in view every key counts as the display's.
      const bool fromTheDisplay = !xDisplay_ || std::exchange(displayKeyEvent_, false);
      const int32_t key = VirtualKeyOf(event.key.keysym.sym);
      if (!key) return;
      const bool down = event.type == SDL_KEYDOWN;
      if (!fromTheDisplay) {
        keyboardSync_.MadeUp(key, down);
        return;
      }
      InjectKeys(keyboardSync_.FromDisplay(key, down));
      return;
    }
    case SDL_TEXTINPUT: {
      // Plain ASCII comes from the keys; what only an input method types comes here.
      for (const char c : Utf8ToWindows1252(event.text.text))
        if (static_cast<uint8_t>(c) >= 0x80) InjectCharacter(static_cast<uint8_t>(c));
      return;
    }
    case SDL_WINDOWEVENT: {
      const HWND window = WindowOfId(event.window.windowID);
      if (!window) return;
      syncing_ = true;
      switch (event.window.event) {
        case SDL_WINDOWEVENT_CLOSE:
          PostMessage(window, WM_CLOSE, 0, 0);
          break;
        case SDL_WINDOWEVENT_MOVED:
          SetWindowPos(window, nullptr, event.window.data1, event.window.data2, 0, 0,
                       SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOREDRAW);
          break;
        case SDL_WINDOWEVENT_SIZE_CHANGED:
          SetWindowPos(window, nullptr, 0, 0, event.window.data1, event.window.data2,
                       SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
          break;
        case SDL_WINDOWEVENT_EXPOSED: {
          RECT rect;
          GetWindowRect(window, &rect);
          SurfaceUpdated(window, RECT{0, 0, rect.right - rect.left, rect.bottom - rect.top});
          break;
        }
        case SDL_WINDOWEVENT_FOCUS_GAINED:
          // A window manager gave the window the keyboard (it was clicked, or chosen from a
          // list): it becomes the active window. Without a manager the layer alone decides.
          if (!ManagesItself() && !NeverActivates(window) && IsWindowEnabled(window))
            SetActiveWindow(window);
          break;
        case SDL_WINDOWEVENT_MINIMIZED:
          if (!IsIconic(window)) ShowWindow(window, SW_MINIMIZE);
          break;
        case SDL_WINDOWEVENT_RESTORED:
          syncing_ = false;
          RestoreIfMinimized(window);
          break;
        default:
          break;
      }
      syncing_ = false;
      return;
    }
    default:
      return;
  }
}

void SdlPresenter::RingBell(int32_t frequency, int32_t milliseconds) {
#if defined(SDL_VIDEO_DRIVER_X11)
  auto* display = static_cast<Display*>(xDisplay_);
  if (display == nullptr) return;
  if (frequency <= 0) {
    XBell(display, 0);
    XFlush(display);
    return;
  }
  XKeyboardState saved;
  XGetKeyboardControl(display, &saved);
  XKeyboardControl tone;
  tone.bell_pitch = frequency;
  tone.bell_duration = milliseconds;
  XChangeKeyboardControl(display, KBBellPitch | KBBellDuration, &tone);
  XBell(display, 0);
  XKeyboardControl before;
  before.bell_pitch = static_cast<int>(saved.bell_pitch);
  before.bell_duration = static_cast<int>(saved.bell_duration);
  XChangeKeyboardControl(display, KBBellPitch | KBBellDuration, &before);
  XFlush(display);
#else
  (void)frequency;
  (void)milliseconds;
#endif
}

void SdlPresenter::NoteXDisplay(SDL_Window* desktop) {
#if defined(SDL_VIDEO_DRIVER_X11)
  if (xDisplay_) return;
  SDL_SysWMinfo info;
  SDL_VERSION(&info.version);
  if (!SDL_GetWindowWMInfo(desktop, &info) || info.subsystem != SDL_SYSWM_X11) return;
  Display* display = info.info.x11.display;
  xDisplay_ = display;
  windowManager_ = WindowManagerRuns(display);
#else
  (void)desktop;
#endif
}

void SdlPresenter::NotePointer(const SDL_SysWMmsg* message) {
#if defined(SDL_VIDEO_DRIVER_X11)
  if (!message || message->subsystem != SDL_SYSWM_X11) return;
  const XEvent& x = message->msg.x11.event;
  // Every X event that SDL turns into mouse events keeps the pointer's screen position for all
  // of them (a press away from the last move comes as a move and the press).
  havePointer_ = true;
  if (x.type == MotionNotify) {
    pointer_ = POINT{x.xmotion.x_root, x.xmotion.y_root};
  } else if (x.type == ButtonPress || x.type == ButtonRelease) {
    pointer_ = POINT{x.xbutton.x_root, x.xbutton.y_root};
  } else if (x.type == EnterNotify || x.type == LeaveNotify) {
    pointer_ = POINT{x.xcrossing.x_root, x.xcrossing.y_root};
  } else {
    havePointer_ = false;
  }
#else
  (void)message;
#endif
}

void SdlPresenter::NoteFocus(const SDL_SysWMmsg* message) {
#if defined(SDL_VIDEO_DRIVER_X11)
  if (!message || message->subsystem != SDL_SYSWM_X11 || !ManagesItself()) return;
  const XEvent& x = message->msg.x11.event;
  if (x.type != FocusIn || x.xfocus.detail == NotifyPointer || x.xfocus.detail == NotifyInferior)
    return;
  // Someone else (or an earlier request of ours) moved the keyboard: it goes back to the
  // active window.
  keyboard_ = x.xfocus.window;
  GiveKeyboard();
#else
  (void)message;
#endif
}

void SdlPresenter::InjectKeys(const std::vector<KeyboardSync::Change>& changes) {
  for (const KeyboardSync::Change& change : changes) InjectKey(change.key, change.down);
}

void SdlPresenter::NoteKeyEvent(const SDL_SysWMmsg* message) {
#if defined(SDL_VIDEO_DRIVER_X11)
  if (!message || message->subsystem != SDL_SYSWM_X11) return;
  const XEvent& x = message->msg.x11.event;
  displayKeyEvent_ = x.type == KeyPress || x.type == KeyRelease;
  displayButtonTime_.reset();
  if (x.type == ButtonPress || x.type == ButtonRelease)
    displayButtonTime_ = static_cast<DWORD>(x.xbutton.time);
#else
  (void)message;
#endif
}

void SdlPresenter::NoteIdleProbe(const SDL_SysWMmsg* message) {
#if defined(SDL_VIDEO_DRIVER_X11)
  if (!message || message->subsystem != SDL_SYSWM_X11 || !xDisplay_) return;
  const XEvent& x = message->msg.x11.event;
  if (x.type != ClientMessage || x.xclient.format != 32) return;
  auto* display = static_cast<Display*>(xDisplay_);
  Question* question = nullptr;
  if (x.xclient.message_type == XInternAtom(display, "_YB_IDLE_PROBE", False))
    question = &idle_;
  else if (x.xclient.message_type == XInternAtom(display, "_YB_SETTLED_PROBE", False))
    question = &settled_;
  if (!question) return;
  question->window = x.xclient.window;
  question->serial = x.xclient.data.l[0];
#else
  (void)message;
#endif
}

void SdlPresenter::Answer(Question& question, const char* property) {
#if defined(SDL_VIDEO_DRIVER_X11)
  if (!question.window || !xDisplay_) return;
  auto* display = static_cast<Display*>(xDisplay_);
  const Atom answer = XInternAtom(display, property, False);
  const long serial = question.serial;
  // Every picture put on the desktop before this answer is on the screen when it is read.
  XChangeProperty(display, question.window, answer, XA_CARDINAL, 32, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(&serial), 1);
  XFlush(display);
#else
  (void)property;
#endif
  question.window = 0;
}

void SdlPresenter::AnswerIdle() {
  // Idle is settled too.
  Answer(settled_, "_YB_SETTLED");
  Answer(idle_, "_YB_IDLE");
}

void SdlPresenter::AnswerSettled() { Answer(settled_, "_YB_SETTLED"); }

POINT SdlPresenter::EventPoint(HWND window, int32_t x, int32_t y) {
  // The desktop's own screen position of the event that SDL is about to report: the event's place
  // in the window is relative to where the window was when the event was made, which differs from
  // where it is now while the window follows the mouse (moved by its caption).
  if (havePointer_) return pointer_;
  return ScreenPointOf(DesktopWindowOf(window), x, y);
}

void SdlPresenter::ShowCursorShape(uintptr_t shape) {
  if (shape == cursorShape_ && cursor_) return;
  SDL_Cursor* cursor = SDL_CreateSystemCursor(SystemCursorOf(shape));
  if (!cursor) return;
  SDL_SetCursor(cursor);
  if (cursor_) SDL_FreeCursor(static_cast<SDL_Cursor*>(cursor_));
  cursor_ = cursor;
  cursorShape_ = shape;
}

bool SdlPresenter::PutDesktopText(const std::string& text) {
  return SDL_SetClipboardText(text.c_str()) == 0;
}

bool SdlPresenter::GetDesktopText(std::string* text) {
  if (!SDL_HasClipboardText()) return false;
  char* copy = SDL_GetClipboardText();
  if (!copy) return false;
  if (text) *text = copy;
  SDL_free(copy);
  return true;
}
