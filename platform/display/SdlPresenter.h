#pragma once
// The presenter of a desktop session: every shown top-level window is a real window on the
// desktop, showing its surface; the desktop's mouse, keyboard, text and window events become
// this layer's input and messages; plain text goes to and from the desktop's clipboard.

#include <map>
#include <memory>
#include <string>

#include "platform/win32/WindowPresenter.h"

struct SDL_Window;
struct SDL_SysWMmsg;

class SdlPresenter : public WindowPresenter {
 public:
  // Null when there is no display to show windows on; `why` then says what failed.
  static std::unique_ptr<SdlPresenter> Create(std::string* why = nullptr);
  ~SdlPresenter() override;
  SdlPresenter(const SdlPresenter&) = delete;
  SdlPresenter& operator=(const SdlPresenter&) = delete;

  void TopLevelCreated(HWND window) override;
  void TopLevelChanged(HWND window) override;
  void TopLevelDestroyed(HWND window) override;
  void SurfaceUpdated(HWND window, const RECT& area) override;
  bool WaitForEvents(int32_t timeout) override;
  void PollEvents() override;
  void ShowCursorShape(uintptr_t shape) override;
  bool PutDesktopText(const std::string& text) override;
  bool GetDesktopText(std::string* text) override;
  // Without a window manager an X desktop cannot give a minimized window back.
  bool CanMinimize() const override { return windowManager_; }
  // The X server's bell, its pitch and length set for the tone and put back after it.
  void RingBell(int32_t frequency, int32_t milliseconds) override;

  // A driver of the program (a test, a script) asks whether the program is idle by sending a
  // top-level desktop window a client message "_YB_IDLE_PROBE" with a serial number; the answer
  // is the property "_YB_IDLE" of that window set to the serial. The display keeps the order of
  // events, so the answer also says that all input sent before the question has been handled.
  bool IdleAsked() const override { return idleWindow_ != 0; }
  void AnswerIdle() override;

  // The desktop window that shows a top-level window, or null while it is hidden.
  SDL_Window* DesktopWindowOf(HWND window) const;

 private:
  SdlPresenter() = default;
  void Handle(const union SDL_Event& event);
  HWND WindowOfId(uint32_t id) const;
  void Show(HWND window);
  // Keeps the screen position of the desktop's next mouse event, where the desktop reports one.
  void NoteXDisplay(SDL_Window* desktop);
  void Raise(HWND window, SDL_Window* desktop);
  void NotePointer(const SDL_SysWMmsg* message);
  void NoteIdleProbe(const SDL_SysWMmsg* message);
  // The screen position of a mouse event at (x, y) in a window's desktop window.
  POINT EventPoint(HWND window, int32_t x, int32_t y);
  // Gives a minimized window back its place (the desktop showed it again, or it was clicked).
  void RestoreIfMinimized(HWND window);

  std::map<HWND, SDL_Window*> windows_;
  // The X connection SDL uses (a Display*), known once a desktop window exists; null elsewhere.
  void* xDisplay_ = nullptr;
  // Whether a window manager runs on the desktop (known once a window exists on X).
  bool windowManager_ = true;
  bool syncing_ = false;
  HWND raised_ = nullptr;  // the active window, once brought to the front
  POINT pointer_;
  bool havePointer_ = false;
  // The desktop window (an X window id) and serial of the last idle question not yet answered.
  unsigned long idleWindow_ = 0;
  long idleSerial_ = 0;
  uintptr_t cursorShape_ = 0;
  void* cursor_ = nullptr;
};

// True when a display is there to show real windows on (an X or Wayland session).
bool DisplayAvailable();
