#include "platform/display/SdlPresenter.h"

#include <SDL.h>

#include <cstdio>
#include <cstdlib>

#include "platform/win32/Clipboard.h"
#include "platform/win32/Cursor.h"
#include "platform/win32/Input.h"
#include "platform/win32/Message.h"
#include "platform/win32/Window.h"

// Last: on X11 it brings Xlib, whose macros would clash with names above.
#include <SDL_syswm.h>
#if defined(SDL_VIDEO_DRIVER_X11)
#include <X11/Xatom.h>
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

int32_t VirtualKeyOf(SDL_Keycode key) {
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
  for (auto& [window, desktop] : windows_)
    if (desktop) SDL_DestroyWindow(desktop);
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
  return found == windows_.end() ? nullptr : found->second;
}

HWND SdlPresenter::WindowOfId(uint32_t id) const {
  for (const auto& [window, desktop] : windows_)
    if (desktop && SDL_GetWindowID(desktop) == id) return window;
  return nullptr;
}

void SdlPresenter::TopLevelCreated(HWND window) {
  windows_.try_emplace(window, nullptr);
}

void SdlPresenter::Show(HWND window) {
  RECT rect;
  GetWindowRect(window, &rect);
  const int32_t width = std::max(1, rect.right - rect.left);
  const int32_t height = std::max(1, rect.bottom - rect.top);
  const std::string title = Windows1252ToUtf8(GetWindowTextString(window));
  SDL_Window*& desktop = windows_[window];
  if (!desktop) {
    // The layer draws every window's frame itself (caption, boxes, sizing edges), and that frame
    // works whether or not a window manager runs; the desktop adds none, so no window shows two
    // title bars.
    Uint32 flags = SDL_WINDOW_SHOWN | SDL_WINDOW_BORDERLESS;
    const DWORD style = static_cast<DWORD>(GetWindowLongPtr(window, GWL_STYLE));
    if ((style & WS_CAPTION) != WS_CAPTION && GetWindow(window, GW_OWNER))
      flags |= SDL_WINDOW_SKIP_TASKBAR | SDL_WINDOW_POPUP_MENU;
    desktop = SDL_CreateWindow(title.c_str(), rect.left, rect.top, width, height, flags);
    if (!desktop) return;
    NoteXDisplay(desktop);
    // The frame was drawn before the desktop said whether it can minimize: drawn again.
    if (!windowManager_) SendMessage(window, WM_NCPAINT, 1, 0);
  } else {
    SDL_SetWindowTitle(desktop, title.c_str());
    SDL_SetWindowPosition(desktop, rect.left, rect.top);
    SDL_SetWindowSize(desktop, width, height);
    SDL_ShowWindow(desktop);
    if (SDL_GetWindowFlags(desktop) & SDL_WINDOW_MINIMIZED) SDL_RestoreWindow(desktop);
  }
  if (GetActiveWindow() == window && raised_ != window) {
    Raise(window, desktop);
  } else if (GetActiveWindow() != window && raised_ == window) {
    raised_ = nullptr;
  }
  SurfaceUpdated(window, RECT{0, 0, width, height});
}

void SdlPresenter::TopLevelChanged(HWND window) {
  if (syncing_) return;
  auto found = windows_.find(window);
  SDL_Window* desktop = found == windows_.end() ? nullptr : found->second;
  if (IsWindowVisible(window) && !IsIconic(window)) {
    Show(window);
    return;
  }
  if (!desktop) return;
  // A minimized window stays a desktop window, so that the desktop can give it back. Where
  // nothing on the desktop minimizes windows it stays in view, and a click restores it.
  if (IsWindowVisible(window)) {
    SDL_MinimizeWindow(desktop);
    return;
  }
  SDL_DestroyWindow(desktop);
  found->second = nullptr;
  if (raised_ == window) raised_ = nullptr;
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
  if (found->second) SDL_DestroyWindow(found->second);
  windows_.erase(found);
  if (raised_ != window) return;
  // The window that had the keyboard is gone (an alert that was answered): the keyboard goes
  // back to the window now active, which no window manager would do here.
  raised_ = nullptr;
  const HWND active = GetActiveWindow();
  if (SDL_Window* desktop = active ? DesktopWindowOf(active) : nullptr) Raise(active, desktop);
}

void SdlPresenter::Raise(HWND window, SDL_Window* desktop) {
  // The active window comes to the front and takes the keyboard, also where no window manager
  // raises windows or hands the keyboard on.
  SDL_RaiseWindow(desktop);
  if (!windowManager_) SDL_SetWindowInputFocus(desktop);
  raised_ = window;
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

bool SdlPresenter::WaitForEvents(int32_t timeout) {
  SDL_Event event;
  const int got = timeout < 0 ? SDL_WaitEvent(&event) : SDL_WaitEventTimeout(&event, timeout);
  if (!got) return false;
  Handle(event);
  PollEvents();
  return true;
}

void SdlPresenter::PollEvents() {
  SDL_Event event;
  while (SDL_PollEvent(&event))
    Handle(event);
}

void SdlPresenter::Handle(const SDL_Event& event) {
  switch (event.type) {
    case SDL_SYSWMEVENT:
      NotePointer(event.syswm.msg);
      NoteIdleProbe(event.syswm.msg);
      return;
    case SDL_MOUSEMOTION: {
      const HWND window = WindowOfId(event.motion.windowID);
      if (window) InjectMouseMove(EventPoint(window, event.motion.x, event.motion.y));
      return;
    }
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP: {
      const HWND window = WindowOfId(event.button.windowID);
      if (!window) return;
      if (event.type == SDL_MOUSEBUTTONDOWN && IsIconic(window)) {
        RestoreIfMinimized(window);
        return;
      }
      const POINT screen = EventPoint(window, event.button.x, event.button.y);
      InjectMouseMove(screen);
      InjectMouseButton(ButtonOf(event.button.button), event.type == SDL_MOUSEBUTTONDOWN, screen);
      return;
    }
    case SDL_MOUSEWHEEL: {
      POINT cursor;
      GetCursorPos(&cursor);
      InjectMouseWheel(cursor, event.wheel.y * 120);
      return;
    }
    case SDL_KEYDOWN:
    case SDL_KEYUP: {
      const int32_t key = VirtualKeyOf(event.key.keysym.sym);
      if (key) InjectKey(key, event.type == SDL_KEYDOWN);
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
          if (IsWindowEnabled(window)) SetActiveWindow(window);
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
  // Every X event that SDL turns into a mouse event keeps the pointer's screen position; one
  // that SDL drops is overwritten by the next.
  if (x.type == MotionNotify) {
    pointer_ = POINT{x.xmotion.x_root, x.xmotion.y_root};
  } else if (x.type == ButtonPress || x.type == ButtonRelease) {
    pointer_ = POINT{x.xbutton.x_root, x.xbutton.y_root};
  } else if (x.type == EnterNotify || x.type == LeaveNotify) {
    pointer_ = POINT{x.xcrossing.x_root, x.xcrossing.y_root};
  } else {
    return;
  }
  havePointer_ = true;
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
  if (x.xclient.message_type != XInternAtom(display, "_YB_IDLE_PROBE", False)) return;
  idleWindow_ = x.xclient.window;
  idleSerial_ = x.xclient.data.l[0];
#else
  (void)message;
#endif
}

void SdlPresenter::AnswerIdle() {
#if defined(SDL_VIDEO_DRIVER_X11)
  if (!idleWindow_ || !xDisplay_) return;
  auto* display = static_cast<Display*>(xDisplay_);
  const Atom answer = XInternAtom(display, "_YB_IDLE", False);
  const long serial = idleSerial_;
  // Every picture put on the desktop before this answer is on the screen when it is read.
  XChangeProperty(display, idleWindow_, answer, XA_CARDINAL, 32, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(&serial), 1);
  XFlush(display);
#endif
  idleWindow_ = 0;
}

POINT SdlPresenter::EventPoint(HWND window, int32_t x, int32_t y) {
  // The desktop's own screen position of the event that SDL is about to report: the event's place
  // in the window is relative to where the window was when the event was made, which differs from
  // where it is now while the window follows the mouse (moved by its caption).
  if (havePointer_) {
    havePointer_ = false;
    return pointer_;
  }
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
