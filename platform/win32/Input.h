#pragma once

// Mouse and keyboard input. Presenters and tests inject what the user does; the layer keeps the
// physical (asynchronous) state at once, finds the target window (capture, hit testing, the
// enabled state of the top-level window), sends WM_SETCURSOR and WM_MOUSEACTIVATE, detects double
// clicks and queues the messages; a button message for a disabled window is decided on when it
// is taken. The key state that GetKeyState answers follows the messages as they are taken from
// the queue; GetAsyncKeyState answers the physical state, the desktop's waiting events taken in
// first. A loop that tracks the mouse needs the queue beside it
// (WaitingLeftRelease): the physical state runs ahead of the moves still waiting to be taken.

#include <cstdint>
#include <optional>

#include "platform/win32/WindowTypes.h"

using SHORT = int16_t;

SHORT GetKeyState(int32_t virtualKey);
SHORT GetAsyncKeyState(int32_t virtualKey);

HWND SetCapture(HWND window);
BOOL ReleaseCapture();
HWND GetCapture();

BOOL GetCursorPos(POINT* point);
BOOL SetCursorPos(int32_t x, int32_t y);
UINT GetDoubleClickTime();
// The desktop's own bell.
void MessageBeep(UINT type);
// A tone of `frequency` hertz (37 to 32767) for `duration` milliseconds; FALSE out of range.
BOOL Beep(DWORD frequency, DWORD duration);
// How many times the bell was rung (by MessageBeep or Beep), for tests; the last tone asked.
int32_t BeepCount();
DWORD LastBeepFrequency();

enum class MouseButton { kLeft, kRight, kMiddle };

// Synthetic input at a screen point.
void InjectMouseMove(POINT screen);
// `displayTime` is when the desktop says the button moved (its own milliseconds): two presses are
// a double click by the user's timing, however late a busy program reads the second.
void InjectMouseButton(MouseButton button, bool down, POINT screen,
                       std::optional<DWORD> displayTime = std::nullopt);
void InjectMouseWheel(POINT screen, int32_t delta);
void InjectKey(int32_t virtualKey, bool down);
// A character that no key of InjectKey produces (text from the desktop's input method).
void InjectCharacter(uint8_t character);
// Conveniences for tests: press and release at a point of a window's client area; press and
// release a key.
void InjectClick(HWND window, POINT client, MouseButton button = MouseButton::kLeft);
void InjectKeyStroke(int32_t virtualKey);

// The character TranslateMessage makes from a key with the current shift and control state, or
// -1 for a key without one.
int32_t CharacterOfKey(int32_t virtualKey);
// For the message queue: an input message is being taken, so the synchronous state follows it.
// False when its window refuses it: a button message that came while the window's top-level
// window was disabled is decided on now, once the input before it has been handled (a modal
// dialog that a click before it ended no longer stands in its way); one queued to the window that
// held the mouse is routed now, when that window has let it go (the message is changed).
bool NoteInputMessageTaken(MSG& message);
// For the message queue: whether the input message waits to be routed when taken. It outlives
// the window it is queued to: that window only held the mouse when the message came, and may be
// gone (a dialog closed by the click before) by the time the message is read.
bool IsRoutedWhenTaken(const MSG& message);
