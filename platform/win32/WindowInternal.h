#pragma once
// What the parts of the window layer share about a window. Not for code outside the layer.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/win32/WindowMessages.h"
#include "platform/win32/WindowRegion.h"
#include "platform/win32/WindowTypes.h"

struct WindowSurface;

struct ScrollState {
  int32_t minimum = 0;
  int32_t maximum = 100;
  UINT page = 0;
  int32_t position = 0;
  bool shown = false;
};

struct WindowRecord {
  HWND handle = nullptr;
  std::string className;
  UINT classStyle = 0;
  HCURSOR classCursor = nullptr;
  uint32_t background = 0;
  WNDPROC procedure = nullptr;
  DWORD style = 0;
  DWORD exStyle = 0;
  HWND parent = nullptr;  // the desktop for top-level windows
  HWND owner = nullptr;
  std::vector<HWND> children;  // front to back
  RECT rect;                   // in the parent's client coordinates
  std::string text;
  LONG_PTR id = 0;
  LONG_PTR userData = 0;
  std::vector<uint8_t> extraBytes;
  HMENU menu = nullptr;
  uintptr_t font = 0;  // the font WM_SETFONT gave the window (an HFONT)
  bool destroying = false;
  bool maximized = false;
  bool minimized = false;
  RECT restoreRect;
  WindowArea update;  // client coordinates
  bool eraseNeeded = false;
  bool frameNeedsPaint = false;
  bool captionActive = false;  // the last WM_NCACTIVATE: the caption is drawn active
  LRESULT pressedBox = 0;  // the caption box held down, drawn sunken (HTNOWHERE: none)
  ScrollState scroll[2];
  // The pixels of a top-level window; children draw into their top-level window's surface.
  std::shared_ptr<WindowSurface> surface;
};

// Every change of a window's place, size, style, z-order or tree calls this; what was worked
// out from the layout of the windows (visible areas) is valid while the count stays.
// It is called before the change is made.
void NoteWindowLayoutChanged();
uint64_t WindowLayoutGeneration();
// Window contexts whose visible region is still to be worked out get it from the layout as it
// is now (WindowDc.cpp).
void SettleWindowContexts();

// The record of a live window, or null.
WindowRecord* FindWindowRecord(HWND window);
// The width of the border a window's style gives it on every side.
int32_t FrameWidth(const WindowRecord& record);
// The frame widths this layer gives a style: left, top (caption and menu bar included), right
// and bottom insets of the client area inside the window rectangle.
RECT NonClientInsets(const WindowRecord& record);
// The client rectangle in screen coordinates.
RECT ClientScreenRect(const WindowRecord& record);
// The window rectangle in screen coordinates.
RECT WindowScreenRect(const WindowRecord& record);
// True when the window and all its ancestors are visible.
bool IsShownOnScreen(const WindowRecord& record);
// Every live window, parents before children.
std::vector<HWND> AllWindows();
// Sends a message straight to a window's procedure; 0 for a dead window.
LRESULT DeliverMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// The part of the screen where a window's client area (or, with `wholeWindow`, the window) can
// be seen: inside every ancestor's client area, less clipped children and siblings, in screen
// coordinates.
WindowArea VisibleScreenArea(const WindowRecord& record, bool wholeWindow);

// Hooks that the other parts of the layer fill, called when a window is destroyed.
void ForgetWindowTimers(HWND window);
void ForgetWindowMessages(HWND window);
void ForgetWindowInput(HWND window);

// Clean slates of the other parts, called by ResetWindowSystem.
void ResetMessageQueue();
void ResetTimers();
void ResetInputState();
void ResetMenus();
void ResetClipboard();
void ResetCursors();

// Marks the whole window (frame, client area with erase, and its visible descendants) for
// painting.
void InvalidateWholeWindow(HWND window);
// Marks the part of `parent`'s client area (and its children) that `screenArea` covers.
void InvalidateScreenAreaOf(HWND parent, const RECT& screenArea);
// The capture window, cleared when the window goes away (Input.cpp).
void ReleaseCaptureOf(HWND window);

// Default handling that the painting, input and menu parts give DefWindowProc.
void DefaultPaint(HWND window);
LRESULT DefaultEraseBackground(HWND window, WPARAM dc);
void DefaultPaintFrame(HWND window);
// Which part of the window a screen point is on (HT* codes): the client area, or the part of the
// frame this layer draws there.
LRESULT DefaultHitTest(const WindowRecord& record, POINT screen);
// A caption box (HTCLOSE, HTMAXBUTTON, HTMINBUTTON) in window coordinates; empty when the window
// has none.
RECT CaptionBoxRect(const WindowRecord& record, LRESULT box);
LRESULT DefaultNonClientClick(HWND window, WPARAM hitTest, LPARAM screenPoint);
LRESULT DefaultSystemCommand(HWND window, WPARAM command, LPARAM screenPoint);
LRESULT DefaultSystemKey(HWND window, WPARAM key, LPARAM flags);
