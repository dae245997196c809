#pragma once
// The presenter of a desktop session: every shown top-level window is a real window on the
// desktop, showing its surface; the desktop's mouse, keyboard, text and window events become
// this layer's input and messages; plain text goes to and from the desktop's clipboard.

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/display/KeyboardSync.h"
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
  bool WaitForEventsOrDescriptors(int32_t timeout, std::span<pollfd> descriptors) override;
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
  bool IdleAsked() const override { return idle_.window != 0; }
  void AnswerIdle() override;
  // The lighter question "_YB_SETTLED_PROBE", answered in "_YB_SETTLED": every input sent before
  // it has been handled and the loop has done its idle work once since, also while a run keeps
  // the program from ever being idle. A person holding a modifier key waits for it.
  bool SettleAsked() const override { return settled_.window != 0; }
  void AnswerSettled() override;

  // The desktop window that shows a top-level window, or null while it is hidden.
  SDL_Window* DesktopWindowOf(HWND window) const;
  // The window layer's key for a desktop key code; 0 for a key the program does not take.
  static int32_t VirtualKeyOf(int32_t key);

 private:
  // A desktop window showing a top-level window, and what it was last told.
  struct Shown {
    SDL_Window* desktop = nullptr;
    unsigned long x = 0;  // the X window, on X
    RECT place{};         // screen rectangle
    std::string title;
  };

  SdlPresenter() = default;
  void Handle(const union SDL_Event& event);
  // Handles the events SDL already holds; false when there were none.
  bool TakeQueuedEvents();
  // Waits on the X connection and the descriptors together; true when desktop events came.
  bool WaitOnDisplay(int32_t timeout, std::span<pollfd> descriptors);
  HWND WindowOfId(uint32_t id) const;
  void Show(HWND window);
  // Makes the desktop window of a window being shown; false when the desktop refuses.
  bool Open(HWND window, Shown& shown, const RECT& place);
  // Passes on to a desktop window what changed of its window: title, place, size, minimized.
  void Follow(HWND window, Shown& shown, const RECT& place);
  // Takes a window's desktop window away (hidden or destroyed).
  void Close(HWND window, Shown& shown);
  // Learns the X connection from the first desktop window, and whether a manager runs.
  void NoteXDisplay(SDL_Window* desktop);
  // Where no window manager runs, the program is its own: the desktop windows are stacked as
  // the layer stacks its top-level windows, and the keyboard goes to the active window.
  bool ManagesItself() const { return xDisplay_ != nullptr && !windowManager_; }
  void Restack();
  void GiveKeyboard();
  void Raise(HWND window, SDL_Window* desktop);
  // Keeps the screen position of the desktop's next mouse event, where the desktop reports one.
  void NotePointer(const SDL_SysWMmsg* message);
  // Without a manager: hands the keyboard back to the active window when it went elsewhere.
  void NoteFocus(const SDL_SysWMmsg* message);
  // Notes whether the display's event is a key or a pointer button SDL passes on next.
  void NoteKeyEvent(const SDL_SysWMmsg* message);
  // Passes on the keys' changes before a pointer event.
  void InjectKeys(const std::vector<KeyboardSync::Change>& changes);
  void NoteIdleProbe(const SDL_SysWMmsg* message);
  // The screen position of a mouse event at (x, y) in a window's desktop window.
  POINT EventPoint(HWND window, int32_t x, int32_t y);
  // Gives a minimized window back its place (the desktop showed it again, or it was clicked).
  void RestoreIfMinimized(HWND window);

  std::map<HWND, Shown> windows_;
  // The X connection SDL uses (a Display*), known once a desktop window exists; null elsewhere.
  void* xDisplay_ = nullptr;
  // Whether a window manager runs on the desktop (known once a window exists on X).
  bool windowManager_ = true;
  bool syncing_ = false;
  // Whether the display's last event was a key SDL has not yet passed on (on X); the key
  // events SDL makes up itself go through `keyboardSync_`.
  bool displayKeyEvent_ = false;
  // When the display's last event was a pointer button, its time (on X).
  std::optional<DWORD> displayButtonTime_;
  KeyboardSync keyboardSync_;
  HWND raised_ = nullptr;  // the active window, once brought to the front (with a manager)
  // Without a manager: the X windows in the order last put on the desktop, front first, and
  // whether something may have changed that order since; the X window given the keyboard last.
  std::vector<unsigned long> stack_;
  bool stackDirty_ = false;
  unsigned long keyboard_ = 0;
  POINT pointer_;
  bool havePointer_ = false;
  // The desktop window (an X window id) and serial of a question not yet answered.
  struct Question {
    unsigned long window = 0;
    long serial = 0;
  };
  void Answer(Question& question, const char* property);
  Question idle_;
  Question settled_;
  uintptr_t cursorShape_ = 0;
  void* cursor_ = nullptr;
};

// True when a display is there to show real windows on (an X or Wayland session).
bool DisplayAvailable();
