#pragma once
// What the standard controls of this layer share: telling the parent, the font and colours they
// draw with, and a paint scope. Not for code outside the layer.

#include <memory>
#include <string>

#include "platform/win32/GdiTypes.h"
#include "platform/win32/OwnerDraw.h"
#include "platform/win32/Window.h"
#include "platform/win32/WindowDc.h"
#include "platform/win32/WindowTypes.h"

// The background of dialogs and of the controls that show it (statics, boxes, group boxes).
inline constexpr COLORREF kDialogFace = 0x00F0F0F0;
inline constexpr COLORREF kControlFace = 0x00E1E1E1;
inline constexpr COLORREF kControlPressedFace = 0x00D7C8BE;
inline constexpr COLORREF kControlEdge = 0x00646464;
inline constexpr COLORREF kControlText = 0x00000000;
inline constexpr COLORREF kControlGrayText = 0x00808080;
inline constexpr COLORREF kControlWindow = 0x00FFFFFF;
inline constexpr COLORREF kControlHighlight = 0x00D77800;
inline constexpr COLORREF kControlHighlightText = 0x00FFFFFF;

// A control's own state lives in its first window word: made at WM_NCCREATE and freed at
// WM_NCDESTROY, so that it lasts exactly as long as the window.
template <class State>
State* ControlStateOf(HWND control) {
  return reinterpret_cast<State*>(GetWindowLongPtr(control, 0));
}
// Makes or frees the state for those two messages; true when the message was one of them.
template <class State>
bool KeepControlState(HWND control, UINT message) {
  if (message == WM_NCCREATE) {
    SetWindowLongPtr(control, 0, reinterpret_cast<LONG_PTR>(std::make_unique<State>().release()));
    return true;
  }
  if (message != WM_NCDESTROY) return false;
  std::unique_ptr<State> gone(ControlStateOf<State>(control));
  SetWindowLongPtr(control, 0, 0);
  return true;
}
// Registers a control class (once) whose first window word holds its state.
void RegisterControlClass(const char* name, WNDPROC procedure);

// Sends the parent WM_COMMAND with the control's identifier and `code`.
void NotifyParent(HWND control, WORD code);
// The text without its '&' marks (which only name the mnemonic); "&&" is one '&'.
std::string VisibleText(const std::string& text);
void FillSolid(HDC dc, const RECT& rect, COLORREF color);
void FrameSolid(HDC dc, const RECT& rect, COLORREF color);
// A dotted-looking focus frame (drawn as a thin grey frame).
void DrawFocusFrame(HDC dc, const RECT& rect);
// Asks the parent to draw an item of an owner-drawn control (WM_DRAWITEM).
void SendDrawItem(HWND control, UINT type, UINT item, UINT action, UINT state, HDC dc,
                  const RECT& rect, uintptr_t data);
// Asks the parent for an item's height (WM_MEASUREITEM); `fallback` when it leaves it at 0.
UINT SendMeasureItem(HWND control, UINT type, UINT item, uintptr_t data, UINT fallback);
// The height of a line of the control's font.
int32_t ControlLineHeight(HWND control);

// BeginPaint/EndPaint with the control's font selected, the background transparent.
class ControlPaint {
 public:
  explicit ControlPaint(HWND control);
  ~ControlPaint();
  ControlPaint(const ControlPaint&) = delete;
  ControlPaint& operator=(const ControlPaint&) = delete;
  HDC dc() const { return dc_; }
  const RECT& client() const { return client_; }

 private:
  HWND control_;
  HDC dc_;
  RECT client_;
  PAINTSTRUCT paint_;
  HGDIOBJ oldFont_ = nullptr;
};

// A window DC of the control with its font selected, for drawing outside WM_PAINT.
class ControlDc {
 public:
  explicit ControlDc(HWND control);
  ~ControlDc();
  ControlDc(const ControlDc&) = delete;
  ControlDc& operator=(const ControlDc&) = delete;
  HDC dc() const { return dc_; }

 private:
  HWND control_;
  HDC dc_;
  HGDIOBJ oldFont_ = nullptr;
};
