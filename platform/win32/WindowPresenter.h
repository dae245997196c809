#pragma once
// Where top-level windows appear. The window layer keeps every window in-process; a presenter
// shows the top-level ones (as surfaces in memory, or as real windows on the desktop) and turns
// the desktop's events into this layer's input. One presenter is current at a time.

#include <cstdint>
#include <string>
#include <vector>

#include "platform/win32/WindowTypes.h"

// The pixels of a top-level window, the size of its window rectangle: 32-bit 0xAARRGGBB words,
// row after row, stride in bytes (always width * 4 here).
struct WindowSurface {
  int32_t width = 0;
  int32_t height = 0;
  std::vector<uint32_t> pixels;

  void Resize(int32_t newWidth, int32_t newHeight);
  uint32_t Pixel(int32_t x, int32_t y) const;
  int32_t Stride() const { return width * 4; }
};

class WindowPresenter {
 public:
  virtual ~WindowPresenter() = default;

  // A top-level window appeared, changed (shown, hidden, moved, sized, retitled) or went away.
  virtual void TopLevelCreated(HWND window) = 0;
  virtual void TopLevelChanged(HWND window) = 0;
  virtual void TopLevelDestroyed(HWND window) = 0;
  // Pixels of a top-level window's surface changed inside `area` (window coordinates).
  virtual void SurfaceUpdated(HWND window, const RECT& area) = 0;
  // Waits at most `timeout` milliseconds (forever when negative) for desktop events and turns
  // them into input; answers false when no event can ever arrive.
  virtual bool WaitForEvents(int32_t timeout) = 0;
  // Turns the events that are already there into input, without waiting.
  virtual void PollEvents() = 0;
  // The cursor shape to show (a standard cursor id, see Cursor.h).
  virtual void ShowCursorShape(uintptr_t shape) = 0;
  // Plain text exchanged with the desktop's clipboard, in UTF-8; false when there is none.
  virtual bool PutDesktopText(const std::string& text) = 0;
  virtual bool GetDesktopText(std::string* text) = 0;
};

// The current presenter, or null (nothing is shown and no event arrives from outside).
void SetWindowPresenter(WindowPresenter* presenter);
WindowPresenter* GetWindowPresenter();
// The surface of a top-level window (of the window's top-level ancestor), or null.
WindowSurface* GetWindowSurface(HWND window);
