#pragma once
// Message numbers, window styles and the other constants of the window layer, with the values
// Win32 documents, so that code written against them keeps its meaning.

#include <cstdint>

#include "platform/win32/WindowTypes.h"

// Messages.
inline constexpr UINT WM_NULL = 0x0000;
inline constexpr UINT WM_CREATE = 0x0001;
inline constexpr UINT WM_DESTROY = 0x0002;
inline constexpr UINT WM_MOVE = 0x0003;
inline constexpr UINT WM_SIZE = 0x0005;
inline constexpr UINT WM_ACTIVATE = 0x0006;
inline constexpr UINT WM_SETFOCUS = 0x0007;
inline constexpr UINT WM_KILLFOCUS = 0x0008;
inline constexpr UINT WM_ENABLE = 0x000A;
inline constexpr UINT WM_SETTEXT = 0x000C;
inline constexpr UINT WM_GETTEXT = 0x000D;
inline constexpr UINT WM_GETTEXTLENGTH = 0x000E;
inline constexpr UINT WM_PAINT = 0x000F;
inline constexpr UINT WM_CLOSE = 0x0010;
inline constexpr UINT WM_QUERYENDSESSION = 0x0011;
inline constexpr UINT WM_ENDSESSION = 0x0016;
inline constexpr UINT WM_QUIT = 0x0012;
inline constexpr UINT WM_ERASEBKGND = 0x0014;
inline constexpr UINT WM_SHOWWINDOW = 0x0018;
inline constexpr UINT WM_ACTIVATEAPP = 0x001C;
inline constexpr UINT WM_SETCURSOR = 0x0020;
inline constexpr UINT WM_MOUSEACTIVATE = 0x0021;
inline constexpr UINT WM_CHILDACTIVATE = 0x0022;
inline constexpr UINT WM_GETMINMAXINFO = 0x0024;
inline constexpr UINT WM_NEXTDLGCTL = 0x0028;
inline constexpr UINT WM_DRAWITEM = 0x002B;
inline constexpr UINT WM_MEASUREITEM = 0x002C;
inline constexpr UINT WM_SETFONT = 0x0030;
inline constexpr UINT WM_GETFONT = 0x0031;
inline constexpr UINT WM_NOTIFY = 0x004E;
inline constexpr UINT WM_HELP = 0x0053;
inline constexpr UINT WM_WINDOWPOSCHANGING = 0x0046;
inline constexpr UINT WM_WINDOWPOSCHANGED = 0x0047;
inline constexpr UINT WM_NCCREATE = 0x0081;
inline constexpr UINT WM_NCDESTROY = 0x0082;
inline constexpr UINT WM_NCCALCSIZE = 0x0083;
inline constexpr UINT WM_NCHITTEST = 0x0084;
inline constexpr UINT WM_NCPAINT = 0x0085;
inline constexpr UINT WM_NCACTIVATE = 0x0086;
inline constexpr UINT WM_GETDLGCODE = 0x0087;
inline constexpr UINT WM_NCMOUSEMOVE = 0x00A0;
inline constexpr UINT WM_NCLBUTTONDOWN = 0x00A1;
inline constexpr UINT WM_NCLBUTTONUP = 0x00A2;
inline constexpr UINT WM_NCLBUTTONDBLCLK = 0x00A3;
inline constexpr UINT WM_KEYDOWN = 0x0100;
inline constexpr UINT WM_KEYUP = 0x0101;
inline constexpr UINT WM_CHAR = 0x0102;
inline constexpr UINT WM_SYSKEYDOWN = 0x0104;
inline constexpr UINT WM_SYSKEYUP = 0x0105;
inline constexpr UINT WM_SYSCHAR = 0x0106;
inline constexpr UINT WM_COMMAND = 0x0111;
inline constexpr UINT WM_SYSCOMMAND = 0x0112;
inline constexpr UINT WM_TIMER = 0x0113;
inline constexpr UINT WM_HSCROLL = 0x0114;
inline constexpr UINT WM_VSCROLL = 0x0115;
inline constexpr UINT WM_INITMENU = 0x0116;
inline constexpr UINT WM_INITMENUPOPUP = 0x0117;
inline constexpr UINT WM_MENUSELECT = 0x011F;
inline constexpr UINT WM_ENTERIDLE = 0x0121;
inline constexpr UINT WM_MOUSEFIRST = 0x0200;
inline constexpr UINT WM_MOUSEMOVE = 0x0200;
inline constexpr UINT WM_LBUTTONDOWN = 0x0201;
inline constexpr UINT WM_LBUTTONUP = 0x0202;
inline constexpr UINT WM_LBUTTONDBLCLK = 0x0203;
inline constexpr UINT WM_RBUTTONDOWN = 0x0204;
inline constexpr UINT WM_RBUTTONUP = 0x0205;
inline constexpr UINT WM_RBUTTONDBLCLK = 0x0206;
inline constexpr UINT WM_MBUTTONDOWN = 0x0207;
inline constexpr UINT WM_MBUTTONUP = 0x0208;
inline constexpr UINT WM_MBUTTONDBLCLK = 0x0209;
inline constexpr UINT WM_MOUSEWHEEL = 0x020A;
inline constexpr UINT WM_MOUSELAST = 0x020A;
inline constexpr UINT WM_CAPTURECHANGED = 0x0215;
inline constexpr UINT WM_ENTERMENULOOP = 0x0211;
inline constexpr UINT WM_EXITMENULOOP = 0x0212;
inline constexpr UINT WM_KEYFIRST = 0x0100;
inline constexpr UINT WM_KEYLAST = 0x0109;
inline constexpr UINT WM_MDICREATE = 0x0220;
inline constexpr UINT WM_MDIDESTROY = 0x0221;
inline constexpr UINT WM_MDIACTIVATE = 0x0222;
inline constexpr UINT WM_MDIRESTORE = 0x0223;
inline constexpr UINT WM_MDINEXT = 0x0224;
inline constexpr UINT WM_MDIMAXIMIZE = 0x0225;
inline constexpr UINT WM_MDITILE = 0x0226;
inline constexpr UINT WM_MDICASCADE = 0x0227;
inline constexpr UINT WM_MDIICONARRANGE = 0x0228;
inline constexpr UINT WM_MDIGETACTIVE = 0x0229;
inline constexpr UINT WM_CUT = 0x0300;
inline constexpr UINT WM_COPY = 0x0301;
inline constexpr UINT WM_PASTE = 0x0302;
inline constexpr UINT WM_CLEAR = 0x0303;
inline constexpr UINT WM_UNDO = 0x0304;
inline constexpr UINT WM_DRAWCLIPBOARD = 0x0308;
inline constexpr UINT WM_CHANGECBCHAIN = 0x030D;
inline constexpr UINT WM_USER = 0x0400;

// Window styles.
inline constexpr DWORD WS_OVERLAPPED = 0x00000000;
inline constexpr DWORD WS_POPUP = 0x80000000;
inline constexpr DWORD WS_CHILD = 0x40000000;
inline constexpr DWORD WS_MINIMIZE = 0x20000000;
inline constexpr DWORD WS_VISIBLE = 0x10000000;
inline constexpr DWORD WS_DISABLED = 0x08000000;
inline constexpr DWORD WS_CLIPSIBLINGS = 0x04000000;
inline constexpr DWORD WS_CLIPCHILDREN = 0x02000000;
inline constexpr DWORD WS_MAXIMIZE = 0x01000000;
inline constexpr DWORD WS_CAPTION = 0x00C00000;
inline constexpr DWORD WS_BORDER = 0x00800000;
inline constexpr DWORD WS_DLGFRAME = 0x00400000;
inline constexpr DWORD WS_VSCROLL = 0x00200000;
inline constexpr DWORD WS_HSCROLL = 0x00100000;
inline constexpr DWORD WS_SYSMENU = 0x00080000;
inline constexpr DWORD WS_THICKFRAME = 0x00040000;
inline constexpr DWORD WS_GROUP = 0x00020000;
inline constexpr DWORD WS_TABSTOP = 0x00010000;
inline constexpr DWORD WS_MINIMIZEBOX = 0x00020000;
inline constexpr DWORD WS_MAXIMIZEBOX = 0x00010000;
inline constexpr DWORD WS_OVERLAPPEDWINDOW =
    WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX;
inline constexpr DWORD WS_EX_TOPMOST = 0x00000008;
inline constexpr DWORD WS_EX_DLGMODALFRAME = 0x00000001;
inline constexpr DWORD WS_EX_CLIENTEDGE = 0x00000200;
inline constexpr DWORD WS_EX_CONTROLPARENT = 0x00010000;
// A window that shows something for another one (a tool tip, a menu, a dropped list): it never
// becomes the active window and never takes the keyboard.
inline constexpr DWORD WS_EX_NOACTIVATE = 0x08000000;

// Class styles.
inline constexpr UINT CS_VREDRAW = 0x0001;
inline constexpr UINT CS_HREDRAW = 0x0002;
inline constexpr UINT CS_DBLCLKS = 0x0008;

// CreateWindowEx position default.
inline constexpr int32_t CW_USEDEFAULT = static_cast<int32_t>(0x80000000);

// ShowWindow commands.
inline constexpr int32_t SW_HIDE = 0;
inline constexpr int32_t SW_SHOWNORMAL = 1;
inline constexpr int32_t SW_SHOWMINIMIZED = 2;
inline constexpr int32_t SW_SHOWMAXIMIZED = 3;
inline constexpr int32_t SW_MAXIMIZE = 3;
inline constexpr int32_t SW_SHOWNOACTIVATE = 4;
inline constexpr int32_t SW_SHOW = 5;
inline constexpr int32_t SW_MINIMIZE = 6;
inline constexpr int32_t SW_SHOWNA = 8;
inline constexpr int32_t SW_RESTORE = 9;

// WM_SIZE kinds.
inline constexpr WPARAM SIZE_RESTORED = 0;
inline constexpr WPARAM SIZE_MINIMIZED = 1;
inline constexpr WPARAM SIZE_MAXIMIZED = 2;

// WM_ACTIVATE states.
inline constexpr WPARAM WA_INACTIVE = 0;
inline constexpr WPARAM WA_ACTIVE = 1;
inline constexpr WPARAM WA_CLICKACTIVE = 2;

// WM_MOUSEACTIVATE answers.
inline constexpr LRESULT MA_ACTIVATE = 1;
inline constexpr LRESULT MA_ACTIVATEANDEAT = 2;
inline constexpr LRESULT MA_NOACTIVATE = 3;
inline constexpr LRESULT MA_NOACTIVATEANDEAT = 4;

// Hit-test codes.
inline constexpr LRESULT HTERROR = -2;
inline constexpr LRESULT HTTRANSPARENT = -1;
inline constexpr LRESULT HTNOWHERE = 0;
inline constexpr LRESULT HTCLIENT = 1;
inline constexpr LRESULT HTCAPTION = 2;
inline constexpr LRESULT HTSYSMENU = 3;
inline constexpr LRESULT HTMENU = 5;
inline constexpr LRESULT HTHSCROLL = 6;
inline constexpr LRESULT HTVSCROLL = 7;
inline constexpr LRESULT HTMINBUTTON = 8;
inline constexpr LRESULT HTMAXBUTTON = 9;
inline constexpr LRESULT HTLEFT = 10;
inline constexpr LRESULT HTRIGHT = 11;
inline constexpr LRESULT HTTOP = 12;
inline constexpr LRESULT HTTOPLEFT = 13;
inline constexpr LRESULT HTTOPRIGHT = 14;
inline constexpr LRESULT HTBOTTOM = 15;
inline constexpr LRESULT HTBOTTOMLEFT = 16;
inline constexpr LRESULT HTBOTTOMRIGHT = 17;
inline constexpr LRESULT HTBORDER = 18;
inline constexpr LRESULT HTCLOSE = 20;

// WM_SYSCOMMAND commands (the low four bits are the system's own). SC_SIZE adds which edge is
// dragged, 1 to 8 in the order of HTLEFT to HTBOTTOMRIGHT.
inline constexpr WPARAM SC_SIZE = 0xF000;
inline constexpr WPARAM SC_MOVE = 0xF010;
inline constexpr WPARAM SC_MINIMIZE = 0xF020;
inline constexpr WPARAM SC_MAXIMIZE = 0xF030;
inline constexpr WPARAM SC_CLOSE = 0xF060;
inline constexpr WPARAM SC_RESTORE = 0xF120;

// Mouse key flags in wParam.
inline constexpr WPARAM MK_LBUTTON = 0x0001;
inline constexpr WPARAM MK_RBUTTON = 0x0002;
inline constexpr WPARAM MK_SHIFT = 0x0004;
inline constexpr WPARAM MK_CONTROL = 0x0008;
inline constexpr WPARAM MK_MBUTTON = 0x0010;

// Virtual keys.
inline constexpr int32_t VK_LBUTTON = 0x01;
inline constexpr int32_t VK_RBUTTON = 0x02;
inline constexpr int32_t VK_MBUTTON = 0x04;
inline constexpr int32_t VK_BACK = 0x08;
inline constexpr int32_t VK_TAB = 0x09;
inline constexpr int32_t VK_RETURN = 0x0D;
inline constexpr int32_t VK_SHIFT = 0x10;
inline constexpr int32_t VK_CONTROL = 0x11;
inline constexpr int32_t VK_MENU = 0x12;
inline constexpr int32_t VK_ESCAPE = 0x1B;
inline constexpr int32_t VK_SPACE = 0x20;
inline constexpr int32_t VK_PRIOR = 0x21;
inline constexpr int32_t VK_NEXT = 0x22;
inline constexpr int32_t VK_END = 0x23;
inline constexpr int32_t VK_HOME = 0x24;
inline constexpr int32_t VK_LEFT = 0x25;
inline constexpr int32_t VK_UP = 0x26;
inline constexpr int32_t VK_RIGHT = 0x27;
inline constexpr int32_t VK_DOWN = 0x28;
inline constexpr int32_t VK_INSERT = 0x2D;
inline constexpr int32_t VK_DELETE = 0x2E;
inline constexpr int32_t VK_NUMPAD0 = 0x60;
inline constexpr int32_t VK_DECIMAL = 0x6E;
inline constexpr int32_t VK_F1 = 0x70;
inline constexpr int32_t VK_F4 = 0x73;
inline constexpr int32_t VK_F10 = 0x79;
inline constexpr int32_t VK_A = 0x41;
inline constexpr int32_t VK_C = 0x43;
inline constexpr int32_t VK_V = 0x56;
inline constexpr int32_t VK_X = 0x58;
inline constexpr int32_t VK_Z = 0x5A;

// PeekMessage flags.
inline constexpr UINT PM_NOREMOVE = 0x0000;
inline constexpr UINT PM_REMOVE = 0x0001;
inline constexpr UINT PM_NOYIELD = 0x0002;

// Window data indices.
inline constexpr int32_t GWLP_WNDPROC = -4;
inline constexpr int32_t GWLP_ID = -12;
inline constexpr int32_t GWL_STYLE = -16;
inline constexpr int32_t GWL_EXSTYLE = -20;
inline constexpr int32_t GWLP_USERDATA = -21;

// Class data indices (GetClassLongPtr, SetClassLongPtr).
inline constexpr int32_t GCLP_HCURSOR = -12;
inline constexpr int32_t GCL_HCURSOR = GCLP_HCURSOR;

// WM_GETDLGCODE answers: what a control wants of the keys a dialog would otherwise take.
inline constexpr LRESULT DLGC_WANTARROWS = 0x0001;
inline constexpr LRESULT DLGC_WANTTAB = 0x0002;
inline constexpr LRESULT DLGC_WANTALLKEYS = 0x0004;
inline constexpr LRESULT DLGC_WANTMESSAGE = 0x0004;
inline constexpr LRESULT DLGC_HASSETSEL = 0x0008;
inline constexpr LRESULT DLGC_DEFPUSHBUTTON = 0x0010;
inline constexpr LRESULT DLGC_UNDEFPUSHBUTTON = 0x0020;
inline constexpr LRESULT DLGC_RADIOBUTTON = 0x0040;
inline constexpr LRESULT DLGC_WANTCHARS = 0x0080;
inline constexpr LRESULT DLGC_STATIC = 0x0100;
inline constexpr LRESULT DLGC_BUTTON = 0x2000;

// WM_HELP: what asked for help.
inline constexpr int32_t HELPINFO_WINDOW = 0x0001;
struct HELPINFO {
  UINT cbSize = sizeof(HELPINFO);
  int32_t iContextType = HELPINFO_WINDOW;
  int32_t iCtrlId = 0;
  HWND hItemHandle = nullptr;
  uintptr_t dwContextId = 0;
  POINT MousePos;
};

// GetWindow relations.
inline constexpr UINT GW_HWNDFIRST = 0;
inline constexpr UINT GW_HWNDLAST = 1;
inline constexpr UINT GW_HWNDNEXT = 2;
inline constexpr UINT GW_HWNDPREV = 3;
inline constexpr UINT GW_OWNER = 4;
inline constexpr UINT GW_CHILD = 5;

// SetWindowPos.
inline constexpr UINT SWP_NOSIZE = 0x0001;
inline constexpr UINT SWP_NOMOVE = 0x0002;
inline constexpr UINT SWP_NOZORDER = 0x0004;
inline constexpr UINT SWP_NOREDRAW = 0x0008;
inline constexpr UINT SWP_NOACTIVATE = 0x0010;
inline constexpr UINT SWP_FRAMECHANGED = 0x0020;
inline constexpr UINT SWP_SHOWWINDOW = 0x0040;
inline constexpr UINT SWP_HIDEWINDOW = 0x0080;
inline const HWND HWND_TOP = nullptr;
inline const HWND HWND_BOTTOM = reinterpret_cast<HWND>(1);
inline const HWND HWND_TOPMOST = reinterpret_cast<HWND>(-1);
inline const HWND HWND_NOTOPMOST = reinterpret_cast<HWND>(-2);

struct WINDOWPOS {
  HWND hwnd = nullptr;
  HWND hwndInsertAfter = nullptr;
  int32_t x = 0;
  int32_t y = 0;
  int32_t cx = 0;
  int32_t cy = 0;
  UINT flags = 0;
};

// Scroll bars.
inline constexpr int32_t SB_HORZ = 0;
inline constexpr int32_t SB_VERT = 1;
inline constexpr int32_t SB_CTL = 2;
inline constexpr int32_t SB_BOTH = 3;
// Scroll requests (WM_VSCROLL's low word).
inline constexpr WORD SB_LINEUP = 0;
inline constexpr WORD SB_LINEDOWN = 1;
inline constexpr WORD SB_PAGEUP = 2;
inline constexpr WORD SB_PAGEDOWN = 3;
inline constexpr WORD SB_THUMBPOSITION = 4;
inline constexpr WORD SB_THUMBTRACK = 5;
inline constexpr WORD SB_TOP = 6;
inline constexpr WORD SB_BOTTOM = 7;
inline constexpr WORD SB_ENDSCROLL = 8;
// The same requests across (WM_HSCROLL's low word).
inline constexpr WORD SB_LINELEFT = SB_LINEUP;
inline constexpr WORD SB_LINERIGHT = SB_LINEDOWN;
inline constexpr WORD SB_PAGELEFT = SB_PAGEUP;
inline constexpr WORD SB_PAGERIGHT = SB_PAGEDOWN;
inline constexpr WORD SB_LEFT = SB_TOP;
inline constexpr WORD SB_RIGHT = SB_BOTTOM;
inline constexpr int32_t WHEEL_DELTA = 120;
inline constexpr UINT SIF_RANGE = 0x0001;
inline constexpr UINT SIF_PAGE = 0x0002;
inline constexpr UINT SIF_POS = 0x0004;
inline constexpr UINT SIF_TRACKPOS = 0x0010;
inline constexpr UINT SIF_ALL = SIF_RANGE | SIF_PAGE | SIF_POS | SIF_TRACKPOS;

struct SCROLLINFO {
  UINT cbSize = sizeof(SCROLLINFO);
  UINT fMask = 0;
  int32_t nMin = 0;
  int32_t nMax = 0;
  UINT nPage = 0;
  int32_t nPos = 0;
  int32_t nTrackPos = 0;
};

// RedrawWindow and InvalidateRect-style flags.
inline constexpr UINT RDW_INVALIDATE = 0x0001;
inline constexpr UINT RDW_ERASE = 0x0004;
inline constexpr UINT RDW_VALIDATE = 0x0008;
inline constexpr UINT RDW_ALLCHILDREN = 0x0080;
inline constexpr UINT RDW_UPDATENOW = 0x0100;

// Window class registration.
struct WNDCLASS {
  UINT style = 0;
  WNDPROC lpfnWndProc = nullptr;
  int32_t cbWndExtra = 0;
  HCURSOR hCursor = nullptr;
  // Background colour as 0x00BBGGRR, painted by the default WM_ERASEBKGND; kNoBackground
  // leaves the background to the window.
  uint32_t background = 0x00FFFFFF;
  const char* lpszClassName = nullptr;
};
inline constexpr uint32_t kNoBackground = 0xFFFFFFFF;

// The limits a window is asked for (WM_GETMINMAXINFO) before it is sized or maximised.
struct MINMAXINFO {
  POINT ptReserved;
  POINT ptMaxSize;
  POINT ptMaxPosition;
  POINT ptMinTrackSize;
  POINT ptMaxTrackSize;
};

struct CREATESTRUCT {
  void* lpCreateParams = nullptr;
  HMENU hMenu = nullptr;
  HWND hwndParent = nullptr;
  int32_t cy = 0;
  int32_t cx = 0;
  int32_t y = 0;
  int32_t x = 0;
  LONG style = 0;
  const char* lpszName = nullptr;
  const char* lpszClass = nullptr;
  DWORD dwExStyle = 0;
};

// A control's notification (WM_NOTIFY): who sends it and what it says; the record starts the
// notification's own data.
struct NMHDR {
  HWND hwndFrom = nullptr;
  UINT_PTR idFrom = 0;
  UINT code = 0;
};

// A rich edit control asks to be given another size: the rectangle it wants, in the parent's
// client coordinates.
inline constexpr UINT EN_REQUESTRESIZE = 0x0701;
struct REQRESIZE {
  NMHDR nmhdr;
  RECT rc{0, 0, 0, 0};
};
