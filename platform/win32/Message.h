#pragma once
// The message queue of the (single) user-interface thread: sent messages go straight to the
// window procedure; posted and input messages wait in the queue; WM_PAINT is made while a window
// has an update area and WM_TIMER while a timer is due, in Win32's order: posted messages first,
// then input, then quit, then paint, then timers.

#include <functional>
#include <vector>

#include "platform/win32/WindowMessages.h"
#include "platform/win32/WindowTypes.h"

LRESULT SendMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// Null window: a message of the thread, seen only by GetMessage/PeekMessage.
BOOL PostMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
BOOL PostThreadMessage(UINT message, WPARAM wParam, LPARAM lParam);
void PostQuitMessage(int32_t exitCode);

// Filters: a window (its messages and its descendants'), or null for every message, or
// kThreadMessagesOnly for messages posted without a window; a range of message numbers, 0 and 0
// for all. GetMessage waits (through the presenter, or by moving a virtual clock to the next
// timer) and answers 0 for WM_QUIT; when nothing can ever arrive it answers -1 (loops written
// `while (GetMessage(...) > 0)` then end instead of hanging).
BOOL GetMessage(MSG* message, HWND window, UINT first, UINT last);
BOOL PeekMessage(MSG* message, HWND window, UINT first, UINT last, UINT removeFlags);
// Takes the desktop's waiting events in as input without waiting: a loop that only peeks (never
// waits) calls it so that it still sees the user's input. False without a desktop; a desktop that
// looks at the queue while it is polled is not polled again from there.
bool PollDesktop();
// Said by a loop that has nothing left to do: the queue is empty and no paint or timer is due.
// The presenter then answers the desktop's questions of whether the program is idle (a driver of
// the program waits for that answer instead of for time to pass). Waiting loops say it through
// GetMessage; a loop that only peeks says it itself.
void NoteLoopIdle();
// Said by a loop that has done its idle work (a running world's loop is never idle, but still
// does it between frames): when no input waits, the presenter answers the desktop's question of
// whether the program has settled.
void NoteIdlePass();
// True when a key or mouse-button message waits in the queue (the desktop's waiting events taken
// in first); mouse moves do not count.
BOOL GetInputState();
// Where the next release of the left button stands in the input queue, as a tracking loop that
// takes the mouse moves one by one comes to it: none waits (a press or double click of the left
// button waiting before any release counts as none), it waits behind a mouse move, or it is the
// next of the mouse's moves and left-button messages. `release`, when given, receives the release
// found. The desktop is not polled.
enum class LeftRelease { kNone, kBehindMove, kNext };
LeftRelease WaitingLeftRelease(MSG* release = nullptr);
LRESULT DispatchMessage(const MSG* message);
// Makes WM_CHAR (WM_SYSCHAR) from a key-down of a character key and posts it.
BOOL TranslateMessage(const MSG* message);
// Waits until a message is in the queue (or a timer is due); false when none can arrive.
BOOL WaitMessage();
// The message most recently retrieved: its time and cursor position.
DWORD GetMessageTime();
DWORD GetMessagePos();

inline const HWND kThreadMessagesOnly = reinterpret_cast<HWND>(-1);
// The window of a key or character message put in the input queue: it goes to the window that
// has the keyboard focus (else the active window) when it is taken from the queue, so that keys
// typed after a click reach the window the click gave the focus to. One that finds no such
// window is dropped.
inline const HWND kFocusWindow = reinterpret_cast<HWND>(-3);

// A message addressed now: the clock's time and the cursor's position.
MSG StampMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// Puts a ready message at the end of the input queue; the input layer uses it after it has
// found the target window.
void QueueInputMessage(const MSG& message);

// Called when GetMessage finds nothing to do and no presenter is set: a test's script of what
// the user does next. It answers false when it has nothing more to do.
using IdleScript = std::function<bool()>;
void SetIdleScript(IdleScript script);

// Work that arrives from outside the queue, on another layer's descriptors (sockets): `watch`
// lists the descriptors to wait for now, `ready` runs from the message loop (modal loops too)
// when one of them can be read. The queue waits on them with the presenter and the timers. On the
// virtual clock a loop with nothing else to do waits for a source only while it `expects` work
// (a peer is connected); otherwise it ends as it would without the source.
struct MessageSource {
  std::function<std::vector<int>()> watch;
  std::function<void()> ready;
  std::function<bool()> expecting;
};
int32_t AddMessageSource(MessageSource source);
void RemoveMessageSource(int32_t id);
// Runs the sources that can be read now, without waiting; true when one ran. GetMessage serves
// them on its own; the program's loop calls it where it goes on without waiting (a run going
// on). Filtered loops (a tracker's, a menu's) leave outside work to the program's loop.
bool ServeReadySources();
