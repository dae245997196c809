#pragma once
// Tool bars ("ToolbarWindow32"): a row of buttons showing images of one bitmap strip, with
// separators. A button whose state has TBSTATE_WRAP ends its row, so a bar of wrapped buttons
// lays out in rows (a palette in columns). A click on an enabled button tells the parent
// WM_COMMAND with the button's command (and the bar as lParam); a check button (TBSTYLE_CHECK)
// changes its check first, and within a group (TBSTYLE_GROUP) only one stays checked.

#include <cstdint>

#include "platform/win32/GdiTypes.h"
#include "platform/win32/WindowTypes.h"

inline constexpr BYTE TBSTATE_CHECKED = 0x01;
inline constexpr BYTE TBSTATE_PRESSED = 0x02;
inline constexpr BYTE TBSTATE_ENABLED = 0x04;
inline constexpr BYTE TBSTATE_HIDDEN = 0x08;
inline constexpr BYTE TBSTATE_WRAP = 0x20;

inline constexpr BYTE TBSTYLE_BUTTON = 0x00;
inline constexpr BYTE TBSTYLE_SEP = 0x01;
inline constexpr BYTE TBSTYLE_CHECK = 0x02;
inline constexpr BYTE TBSTYLE_GROUP = 0x04;

struct TBBUTTON {
  int32_t iBitmap = 0;  // the image's index in the strip; a separator's width (0: the default)
  int32_t idCommand = 0;
  BYTE fsState = TBSTATE_ENABLED;
  BYTE fsStyle = TBSTYLE_BUTTON;
  uintptr_t dwData = 0;
  intptr_t iString = 0;
};

// A bitmap strip: without a module, nID is the bitmap (HBITMAP) itself, which the bar keeps.
struct TBADDBITMAP {
  const void* hInst = nullptr;
  uintptr_t nID = 0;
};

inline constexpr UINT TB_ENABLEBUTTON = 0x0401;
inline constexpr UINT TB_CHECKBUTTON = 0x0402;
inline constexpr UINT TB_ISBUTTONCHECKED = 0x040A;
inline constexpr UINT TB_SETSTATE = 0x0411;
inline constexpr UINT TB_GETSTATE = 0x0412;
inline constexpr UINT TB_ADDBITMAP = 0x0413;
inline constexpr UINT TB_ADDBUTTONS = 0x0414;
inline constexpr UINT TB_INSERTBUTTON = 0x0415;
inline constexpr UINT TB_DELETEBUTTON = 0x0416;
inline constexpr UINT TB_GETBUTTON = 0x0417;
inline constexpr UINT TB_BUTTONCOUNT = 0x0418;
inline constexpr UINT TB_COMMANDTOINDEX = 0x0419;
inline constexpr UINT TB_GETITEMRECT = 0x041D;
inline constexpr UINT TB_BUTTONSTRUCTSIZE = 0x041E;
inline constexpr UINT TB_SETBUTTONSIZE = 0x041F;
inline constexpr UINT TB_SETBITMAPSIZE = 0x0420;
inline constexpr UINT TB_AUTOSIZE = 0x0421;
inline constexpr UINT TB_GETROWS = 0x0428;
// The window the buttons' commands go to (wParam); answers the one before. Without one they
// go to the bar's parent.
inline constexpr UINT TB_SETPARENT = 0x0425;
// The size the buttons need: width of the widest row, height of all rows (a SIZE*).
inline constexpr UINT TB_GETMAXSIZE = 0x0453;
// This layer's own message: sets a button's style and state at once; wParam is the button's
// index, lParam MAKELONG(style, state).
inline constexpr UINT TB_SETBUTTONSTYLESTATE = 0x0490;

inline constexpr char kToolBarClass[] = "ToolbarWindow32";

void RegisterToolBarClass();
