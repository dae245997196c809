#pragma once
// The window manager: window classes with their procedures, the tree of windows with parent,
// owner and z-order, rectangles, visibility, enablement, activation, focus, text, per-window
// data and scroll-bar state. Messages are delivered by the procedures of Message.h; creation and
// destruction send their messages in the order Win32 documents.

#include <string>

#include "platform/win32/WindowMessages.h"
#include "platform/win32/WindowTypes.h"

// Classes.
BOOL RegisterClass(const WNDCLASS* windowClass);
BOOL UnregisterClass(const char* className);
BOOL GetClassInfo(const char* className, WNDCLASS* out);
// Class data of a window's class (GCLP_HCURSOR). Setting the cursor changes it for every window
// of the class, those already made included.
LONG_PTR GetClassLongPtr(HWND window, int32_t index);
LONG_PTR SetClassLongPtr(HWND window, int32_t index, LONG_PTR value);

// Creation and destruction.
HWND CreateWindowEx(DWORD exStyle, const char* className, const char* windowName, DWORD style,
                    int32_t x, int32_t y, int32_t width, int32_t height, HWND parent,
                    HMENU menuOrId, void* param);
inline HWND CreateWindow(const char* className, const char* windowName, DWORD style, int32_t x,
                         int32_t y, int32_t width, int32_t height, HWND parent, HMENU menuOrId,
                         void* param) {
  return CreateWindowEx(0, className, windowName, style, x, y, width, height, parent, menuOrId,
                        param);
}
BOOL DestroyWindow(HWND window);
// Called with every new window before its first message (WM_NCCREATE), so that a framework can
// take over the window's procedure from the start. Answers the hook it replaces.
using CreateWindowHook = void (*)(HWND window);
CreateWindowHook SetCreateWindowHook(CreateWindowHook hook);
BOOL IsWindow(HWND window);
// Besides Win32's defaults, every window keeps the font WM_SETFONT gives it (redrawn when
// lParam asks) and answers it to WM_GETFONT, and a child passes WM_HELP on to its parent, a
// top-level window to its owner.
LRESULT DefWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT CallWindowProc(WNDPROC procedure, HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// The root of all windows; its client area is the screen.
HWND GetDesktopWindow();
// The screen size that the presenter reports; 1280 x 800 until told otherwise.
void SetScreenSize(int32_t width, int32_t height);

// Relations.
HWND GetParent(HWND window);
HWND SetParent(HWND window, HWND newParent);
HWND GetWindow(HWND window, UINT relation);
HWND GetTopWindow(HWND parent);
HWND GetAncestorTopLevel(HWND window);
BOOL IsChild(HWND parent, HWND window);
HWND GetDlgItem(HWND dialog, int32_t id);
int32_t GetDlgCtrlID(HWND window);

// Geometry. Window rectangles are in screen coordinates, client rectangles start at (0, 0).
BOOL GetWindowRect(HWND window, RECT* rect);
BOOL GetClientRect(HWND window, RECT* rect);
BOOL ClientToScreen(HWND window, POINT* point);
BOOL ScreenToClient(HWND window, POINT* point);
int32_t MapWindowPoints(HWND from, HWND to, POINT* points, UINT count);
BOOL MoveWindow(HWND window, int32_t x, int32_t y, int32_t width, int32_t height, BOOL repaint);
BOOL SetWindowPos(HWND window, HWND insertAfter, int32_t x, int32_t y, int32_t width,
                  int32_t height, UINT flags);
BOOL BringWindowToTop(HWND window);
BOOL AdjustWindowRectEx(RECT* rect, DWORD style, BOOL hasMenu, DWORD exStyle);

// Visibility and state.
BOOL ShowWindow(HWND window, int32_t command);
BOOL IsWindowVisible(HWND window);
BOOL IsIconic(HWND window);
BOOL IsZoomed(HWND window);
BOOL EnableWindow(HWND window, BOOL enable);
BOOL IsWindowEnabled(HWND window);

// Activation and focus.
// Whether a window's top-level window has WS_EX_NOACTIVATE: it only shows something for another
// window (a tool tip, a menu, a dropped list), never becomes the active window, and the desktop
// never gives it the keyboard.
bool NeverActivates(HWND window);
HWND SetActiveWindow(HWND window);
HWND GetActiveWindow();
HWND GetForegroundWindow();
BOOL SetForegroundWindow(HWND window);
HWND SetFocus(HWND window);
HWND GetFocus();

// Text.
BOOL SetWindowText(HWND window, const char* text);
int32_t GetWindowText(HWND window, char* buffer, int32_t capacity);
int32_t GetWindowTextLength(HWND window);
std::string GetWindowTextString(HWND window);
int32_t GetClassName(HWND window, char* buffer, int32_t capacity);

// Per-window data: the GWL*/GWLP* indices, or a byte offset into the class's extra bytes.
LONG_PTR GetWindowLongPtr(HWND window, int32_t index);
LONG_PTR SetWindowLongPtr(HWND window, int32_t index, LONG_PTR value);

// Scroll-bar state of a window's own bars (SB_HORZ, SB_VERT).
int32_t SetScrollInfo(HWND window, int32_t bar, const SCROLLINFO* info, BOOL redraw);
BOOL GetScrollInfo(HWND window, int32_t bar, SCROLLINFO* info);
int32_t SetScrollPos(HWND window, int32_t bar, int32_t position, BOOL redraw);
int32_t GetScrollPos(HWND window, int32_t bar);
BOOL SetScrollRange(HWND window, int32_t bar, int32_t minimum, int32_t maximum, BOOL redraw);
BOOL GetScrollRange(HWND window, int32_t bar, int32_t* minimum, int32_t* maximum);
BOOL ShowScrollBar(HWND window, int32_t bar, BOOL show);

// Hit testing.
HWND WindowFromPoint(POINT screenPoint);
HWND ChildWindowFromPoint(HWND parent, POINT clientPoint);

// Metrics of the frames this layer draws.
inline constexpr int32_t SM_CXSCREEN = 0;
inline constexpr int32_t SM_CYSCREEN = 1;
inline constexpr int32_t SM_CXVSCROLL = 2;
inline constexpr int32_t SM_CYHSCROLL = 3;
inline constexpr int32_t SM_CYCAPTION = 4;
inline constexpr int32_t SM_CXBORDER = 5;
inline constexpr int32_t SM_CYBORDER = 6;
inline constexpr int32_t SM_CXDLGFRAME = 7;
inline constexpr int32_t SM_CYDLGFRAME = 8;
inline constexpr int32_t SM_CXICON = 11;
inline constexpr int32_t SM_CYICON = 12;
inline constexpr int32_t SM_CXCURSOR = 13;
inline constexpr int32_t SM_CYCURSOR = 14;
inline constexpr int32_t SM_CYMENU = 15;
inline constexpr int32_t SM_CXFRAME = 32;
inline constexpr int32_t SM_CYFRAME = 33;
inline constexpr int32_t SM_CXDOUBLECLK = 36;
inline constexpr int32_t SM_CYDOUBLECLK = 37;
inline constexpr int32_t SM_CXMENUCHECK = 71;
inline constexpr int32_t SM_CYMENUCHECK = 72;
int32_t GetSystemMetrics(int32_t index);

// Destroys every window and forgets every class but the layer's own: a clean slate for tests.
void ResetWindowSystem();
