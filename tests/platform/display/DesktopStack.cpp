#include "tests/platform/display/DesktopStack.h"

#include <SDL.h>
#include <SDL_syswm.h>

namespace {

SDL_SysWMinfo InfoOf(SDL_Window* desktop) {
  SDL_SysWMinfo info;
  SDL_VERSION(&info.version);
  if (!desktop || !SDL_GetWindowWMInfo(desktop, &info) || info.subsystem != SDL_SYSWM_X11)
    info.info.x11 = {nullptr, 0};
  return info;
}

}  // namespace

unsigned long XWindowOfDesktop(SDL_Window* desktop) {
  return InfoOf(desktop).info.x11.window;
}

unsigned long KeyboardWindow(SDL_Window* any) {
  Display* display = InfoOf(any).info.x11.display;
  if (!display) return 0;
  Window focus = 0;
  int revert = 0;
  XGetInputFocus(display, &focus, &revert);
  return focus == PointerRoot ? 0 : focus;
}

std::vector<unsigned long> StackFromFront(SDL_Window* any) {
  std::vector<unsigned long> stack;
  Display* display = InfoOf(any).info.x11.display;
  if (!display) return stack;
  Window root = 0, parent = 0, *children = nullptr;
  unsigned count = 0;
  if (!XQueryTree(display, DefaultRootWindow(display), &root, &parent, &children, &count))
    return stack;
  // The server lists the children from the back to the front.
  for (unsigned i = count; i-- > 0;) {
    XWindowAttributes attributes;
    if (XGetWindowAttributes(display, children[i], &attributes) &&
        attributes.map_state == IsViewable)
      stack.push_back(children[i]);
  }
  if (children) XFree(children);
  return stack;
}

ClientMessageCounter::ClientMessageCounter(SDL_Window* any, const char* type) {
  if (Display* display = InfoOf(any).info.x11.display) type_ = XInternAtom(display, type, False);
  SDL_AddEventWatch(Note, this);
}

ClientMessageCounter::~ClientMessageCounter() { SDL_DelEventWatch(Note, this); }

int ClientMessageCounter::Note(void* counter, SDL_Event* event) {
  auto* self = static_cast<ClientMessageCounter*>(counter);
  if (event->type != SDL_SYSWMEVENT || !event->syswm.msg ||
      event->syswm.msg->subsystem != SDL_SYSWM_X11)
    return 0;
  const XEvent& x = event->syswm.msg->msg.x11.event;
  if (x.type == ClientMessage && x.xclient.message_type == self->type_) ++self->count_;
  return 0;
}

bool SendFromAnotherClient(unsigned long window, const char* type) {
  Display* display = XOpenDisplay(nullptr);
  if (!display) return false;
  XEvent event{};
  event.xclient.type = ClientMessage;
  event.xclient.window = window;
  event.xclient.message_type = XInternAtom(display, type, False);
  event.xclient.format = 32;
  XSendEvent(display, window, False, NoEventMask, &event);
  XSync(display, False);
  XCloseDisplay(display);
  return true;
}
