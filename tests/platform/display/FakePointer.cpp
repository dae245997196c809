#include "tests/platform/display/FakePointer.h"

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>

bool FakeLeftClick(int x, int y) {
  Display* display = XOpenDisplay(nullptr);
  if (!display) return false;
  XTestFakeMotionEvent(display, -1, x, y, 0);
  XTestFakeButtonEvent(display, 1, True, 0);
  XTestFakeButtonEvent(display, 1, False, 0);
  XFlush(display);
  XCloseDisplay(display);
  return true;
}
