#pragma once
// The application's three floating windows, which stay beside the documents: the selected
// objects' properties (shown by 10000, hidden by 10001), their position (10100, 10101) and the
// point table (10200, 10201). The application builds them hidden once its main frame exists, so
// that each can be put where the user left it; one that is not there yet is made the first time
// it is shown. Showing binds it to the selection of the world that shows it, and each follows
// the world whose window comes in front after; it is kept hidden between showings.

#include <cstdint>

#include "platform/win32/WindowTypes.h"

class TDialogWindow;
class TWorldDoc;

inline constexpr int16_t kShowPropertiesWindow = 10000;
inline constexpr int16_t kShowPositionWindow = 10100;
inline constexpr int16_t kShowPointTableWindow = 10200;

// Whether the command shows (10000, 10100, 10200) or hides (10001, 10101, 10201) one of them.
bool IsFloatingWindowCommand(int16_t command);
bool IsFloatingWindowShowCommand(int16_t command);

// Builds those of the three that do not exist, hidden; a window that cannot be built raises
// -108.
void BuildFloatingWindows();
// The window of the command (show or hide) while it exists, else null.
HWND FloatingWindowHandle(int16_t command);

// Shows the window of the command over the world's selection and makes it the active window.
void ShowFloatingWindow(int16_t command, TWorldDoc& world);
// The world's window came in front: the windows show and edit its selection from now on, as
// they would had they been shown from it.
void FloatingWindowsFollow(TWorldDoc& world);
// The world's window is gone: the windows that show its selection let go of it and show nothing.
void FloatingWindowsLeave(const TWorldDoc& world);
void HideFloatingWindow(int16_t command);
bool IsFloatingWindowVisible(int16_t command);
// The window object of the command while its window exists, else null.
TDialogWindow* FloatingWindow(int16_t command);
