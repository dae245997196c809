#pragma once
// Where top-level windows appear. The window layer keeps every window in-process; a presenter
// shows the top-level ones (as surfaces in memory, or as real windows on the desktop) and turns
// the desktop's events into this layer's input. One presenter is current at a time.

#include <poll.h>

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include <cairo.h>

#include "platform/win32/WindowTypes.h"

// The pixels of a top-level window, the size of its window rectangle: a Cairo image surface in
// 32-bit 0x00RRGGBB words. Device contexts of the window and its children draw into it; a
// context that outlives a resize keeps the old surface alive and draws into nothing visible.
class WindowSurface {
 public:
  WindowSurface() = default;
  ~WindowSurface();
  WindowSurface(const WindowSurface&) = delete;
  WindowSurface& operator=(const WindowSurface&) = delete;

  // A new white surface of that size.
  void Resize(int32_t width, int32_t height);
  int32_t Width() const { return width_; }
  int32_t Height() const { return height_; }
  // 0x00RRGGBB; 0 outside the surface.
  uint32_t Pixel(int32_t x, int32_t y) const;
  cairo_surface_t* Cairo() const { return surface_; }
  // Writes the surface as a PNG file; false when it cannot.
  bool SavePng(const char* path) const;

 private:
  cairo_surface_t* surface_ = nullptr;
  int32_t width_ = 0;
  int32_t height_ = 0;
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
  // The same wait, ended too when one of the descriptors can be read (their revents say which):
  // one sleep for the desktop and the program's other sources of work. Answers true when
  // desktop events were taken in. The default looks at both in short turns.
  virtual bool WaitForEventsOrDescriptors(int32_t timeout, std::span<pollfd> descriptors);
  // Turns the events that are already there into input, without waiting.
  virtual void PollEvents() = 0;
  // The cursor shape to show (a standard cursor id, see Cursor.h).
  virtual void ShowCursorShape(uintptr_t shape) = 0;
  // Plain text exchanged with the desktop's clipboard, in UTF-8; false when there is none.
  virtual bool PutDesktopText(const std::string& text) = 0;
  virtual bool GetDesktopText(std::string* text) = 0;
  // Whether the desktop can take a window out of view and give it back (a window manager with
  // a list of windows does); where it cannot, windows offer no minimize box that works.
  virtual bool CanMinimize() const { return true; }
  // Whether someone outside asked to hear when the program has nothing left to do, and the
  // answer, given once every loop is idle with no event, message, paint or due timer waiting.
  virtual bool IdleAsked() const { return false; }
  virtual void AnswerIdle() {}
  // The lighter question: every event before it handled and one idle pass done since, which a
  // running world, never idle, still answers.
  virtual bool SettleAsked() const { return false; }
  virtual void AnswerSettled() {}
  // Sounds the desktop's bell: a tone of `frequency` hertz for `milliseconds`, or the desktop's
  // own bell when the frequency is 0. A desktop without a bell stays silent.
  virtual void RingBell(int32_t frequency, int32_t milliseconds) {
    (void)frequency;
    (void)milliseconds;
  }
};

// The current presenter, or null (nothing is shown and no event arrives from outside).
void SetWindowPresenter(WindowPresenter* presenter);
WindowPresenter* GetWindowPresenter();
// Whether windows can be minimized: true without a presenter (windows kept in memory).
bool DesktopCanMinimize();
// The surface of a top-level window (of the window's top-level ancestor), or null.
WindowSurface* GetWindowSurface(HWND window);
