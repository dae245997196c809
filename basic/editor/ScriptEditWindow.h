#pragma once
// The engine's edit window: a code editor for one script with a margin of breakpoints and the
// line a stopped run waits on, and a pane of watched variables below the text. It starts and
// checks the script through the engine, and runs it in break mode, keeping the program's
// messages flowing while the script runs and while it is stopped.
//
// The program drives it with the codes below, sent through ScriptEditCommand (ordinal 161) or as
// messages to the window; it hears back through the notification callback (code 0x44E) and
// offers keys first to its key filter (code 0x432). Text is Windows-1252; lines end with
// "\r\n" inside the window.

#include <cstdint>

#include "platform/win32/WindowTypes.h"

struct ScriptEngine;

inline constexpr char kScriptEditWindowClass[] = "YbScriptEdit";

// Codes (wParam, lParam -> result).
inline constexpr UINT kEditStepInto = 0x402;        // stopped: step into; idle: start, stopping at once
inline constexpr UINT kEditStepOver = 0x403;        // as above, over calls
inline constexpr UINT kEditStepOut = 0x404;         // stopped: run to the caller
inline constexpr UINT kEditCheckSyntax = 0x405;     // 0 when it compiles, else the error's line
inline constexpr UINT kEditClearBreakpoints = 0x407;
inline constexpr UINT kEditSelectionStart = 0x408;  // (0, int32_t* out) -> nonzero with a selection
inline constexpr UINT kEditCanOutdent = 0x409;
inline constexpr UINT kEditOutdent = 0x40A;
inline constexpr UINT kEditIndent = 0x40B;
inline constexpr UINT kEditToggleBreakpoint = 0x40C;  // 0 on a line without a statement
inline constexpr UINT kEditReset = 0x40F;             // forget breakpoints, the stop and undo
inline constexpr UINT kEditStart = 0x412;             // (1, 0) run: 0 started; (-1, 0) compile: nonzero when it compiles
inline constexpr UINT kEditStop = 0x413;
inline constexpr UINT kEditAddWatch = 0x415;     // the selection, or the word at the caret
inline constexpr UINT kEditDeleteWatch = 0x416;  // (0, 0) the chosen watch; (0, name) that one
inline constexpr UINT kEditRunState = 0x417;     // 0 idle, 1 stopped in a run, 2 running
inline constexpr UINT kEditCanUndo = 0x418;
inline constexpr UINT kEditHasSelection = 0x419;
inline constexpr UINT kEditCurrentLine = 0x41A;  // 1-based
inline constexpr UINT kEditLineRange = 0x41C;    // MAKELONG(first, last) of the text; 0 when empty
inline constexpr UINT kEditFind = 0x41D;         // (flags, text) -> position + 1 of the match, else 0
inline constexpr UINT kEditReplace = 0x41E;      // (1, text) replaces the found text
inline constexpr UINT kEditCopySelection = 0x41F;  // (capacity, buffer) -> length copied
inline constexpr UINT kEditWatchCount = 0x422;
inline constexpr UINT kEditFirstWatch = 0x423;  // (capacity, buffer) -> nonzero when there is one
inline constexpr UINT kEditSetCaret = 0x425;    // (0, p): p < 0 caret to -p; p >= 0x10000 to the top; else to p
inline constexpr UINT kEditGoToLine = 0x427;    // (0, line): caret to the start of the line (1-based)
inline constexpr UINT kEditContinue = 0x428;
inline constexpr UINT kEditRunContext = 0x42A;
inline constexpr UINT kEditAttachCode = 0x42C;   // (0, ScriptCode*) kept by the caller
inline constexpr UINT kEditEntry = 0x42D;        // (0, entry record) kept by the caller
inline constexpr UINT kEditSetEngine = 0x42E;    // (0, ScriptEngine*)
inline constexpr UINT kEditShowMargin = 0x430;   // (nonzero, 0) shows the margin
inline constexpr UINT kEditIndentWidth = 0x431;  // (spaces, 0)
inline constexpr UINT kEditSetKeyFilter = 0x432;
inline constexpr UINT kEditRunModule = 0x434;
inline constexpr UINT kEditSetText = 0x43B;      // (0, NUL-ended text or null) -> 1
inline constexpr UINT kEditGetText = 0x43C;      // (capacity with the NUL, buffer) -> length copied
inline constexpr UINT kEditTextLength = 0x43D;
inline constexpr UINT kEditSetReadOnly = 0x449;
inline constexpr UINT kEditSetNotify = 0x44E;

// Search flags of kEditFind.
inline constexpr WPARAM kEditFindMatchCase = 1;
inline constexpr WPARAM kEditFindWholeWord = 2;

// Notifications.
inline constexpr UINT kEditNotifyRunStarts = 0x100;
inline constexpr UINT kEditNotifyRunEnds = 0x101;
inline constexpr UINT kEditNotifyResumes = 0x102;  // a stopped run goes on
inline constexpr UINT kEditNotifyStops = 0x103;    // a run stops and waits for the user
inline constexpr UINT kEditNotifyChanged = 0x105;
inline constexpr UINT kEditNotifyModule = 0x107;
inline constexpr UINT kEditNotifyHelp = 269;       // (46, the word at the caret) on Shift+F1
inline constexpr WPARAM kEditHelpKeyword = 46;

// The key filter sees WM_KEYDOWN and WM_CHAR before the editor; 1 takes the key.
using ScriptEditKeyFilter = LRESULT (*)(HWND editWindow, UINT message, WPARAM key);
using ScriptEditNotify = LRESULT (*)(HWND editWindow, UINT code, WPARAM wParam, LPARAM lParam);

// Registers the window class (once); false when it cannot be.
bool ScriptRegisterEditWindowClass();
// Ordinal 10: (parent, 0, 0, 0, 0, style, id, 0, instance) -> the window, or null.
HWND ScriptCreateEditWindow(HWND parent, int32_t x, int32_t y, int32_t width, int32_t height,
                            DWORD style, int32_t id, int32_t reserved, void* instance);
// Ordinal 161.
LRESULT ScriptEditCommand(HWND editWindow, UINT code, WPARAM wParam, LPARAM lParam);

// Parts of the window, for tests that click and look.
HWND ScriptEditTextWindow(HWND editWindow);
HWND ScriptEditWatchWindow(HWND editWindow);
// The lines with breakpoints and the line a stopped run waits on (0 when none).
int32_t ScriptEditBreakpointCount(HWND editWindow);
bool ScriptEditHasBreakpoint(HWND editWindow, int32_t line);
int32_t ScriptEditStoppedLine(HWND editWindow);
// The width of the breakpoint margin; a click in it toggles the breakpoint of its line.
inline constexpr int32_t kScriptEditMarginWidth = 16;
