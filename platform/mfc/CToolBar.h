#pragma once
// Control bars of the framework: windows a frame lays out along one of its sides before its
// view takes the rest (CFrameWnd::RecalcLayout). A tool bar is a control bar over the window
// layer's tool bar: buttons of an image strip that send their command to the frame. A button's
// style word is MAKELONG(style, state) as the window layer keeps them, except that the enabled
// state reads the other way round (TBBS_DISABLED), so that a plain button's style is 0.

#include <cstdint>
#include <string>

#include "platform/mfc/CWnd.h"
#include "platform/mfc/ToolTipWindow.h"
#include "platform/win32/GdiTypes.h"
#include "platform/win32/Resource.h"

inline constexpr DWORD CBRS_LEFT = 0x1000;
inline constexpr DWORD CBRS_TOP = 0x2000;
inline constexpr DWORD CBRS_RIGHT = 0x4000;
inline constexpr DWORD CBRS_BOTTOM = 0x8000;
inline constexpr DWORD CBRS_ALIGN_ANY = 0xF000;

// The frame's four docking rows, one per side.
inline constexpr UINT AFX_IDW_DOCKBAR_TOP = 0xE81B;
inline constexpr UINT AFX_IDW_DOCKBAR_LEFT = 0xE81C;
inline constexpr UINT AFX_IDW_DOCKBAR_RIGHT = 0xE81D;
inline constexpr UINT AFX_IDW_DOCKBAR_BOTTOM = 0xE81E;

// The docking row of the side a bar of this style is docked to; the right one for a floating bar.
inline UINT DockBarOfStyle(DWORD barStyle) {
  if (barStyle & CBRS_TOP) return AFX_IDW_DOCKBAR_TOP;
  if (barStyle & CBRS_BOTTOM) return AFX_IDW_DOCKBAR_BOTTOM;
  if (barStyle & CBRS_LEFT) return AFX_IDW_DOCKBAR_LEFT;
  return AFX_IDW_DOCKBAR_RIGHT;
}

inline constexpr UINT AFX_IDW_TOOLBAR = 0xE800;
// The resource type of tool bars: version 1, image width, image height, item count and the
// items' commands (0 for a separator), 16-bit each.
#define RT_TOOLBAR MAKEINTRESOURCEA(241)
inline constexpr UINT ID_SEPARATOR = 0;

inline constexpr UINT TBBS_BUTTON = 0x0000;
inline constexpr UINT TBBS_SEPARATOR = 0x0001;
inline constexpr UINT TBBS_CHECKBOX = 0x0002;
inline constexpr UINT TBBS_GROUP = 0x0004;
inline constexpr UINT TBBS_CHECKED = 0x00010000;
inline constexpr UINT TBBS_PRESSED = 0x00020000;
inline constexpr UINT TBBS_DISABLED = 0x00040000;
inline constexpr UINT TBBS_HIDDEN = 0x00080000;
inline constexpr UINT TBBS_WRAPPED = 0x00200000;

// What a tip needs of the button under the pointer.
inline constexpr UINT TTF_IDISHWND = 0x0001;
inline constexpr UINT TTF_CENTERTIP = 0x0002;
// Set by a bar whose tips show even while its frame is not active.
inline constexpr UINT TTF_ALWAYSTIP = 0x40000000;

struct TOOLINFO {
  UINT uFlags = 0;
  HWND hwnd = nullptr;
  uintptr_t uId = 0;
  RECT rect{0, 0, 0, 0};
  std::string text;
};

class CControlBar : public CWnd {
  DECLARE_DYNAMIC(CControlBar)

 public:
  // The size the bar needs along its side; `horizontal` for a bar along the top or bottom.
  virtual SIZE CalcFixedLayout(BOOL stretch, BOOL horizontal);
  // The side of the frame the bar keeps to (one of CBRS_LEFT ... CBRS_BOTTOM).
  DWORD GetBarStyle() const { return barStyle_; }
  void SetBarStyle(DWORD style) { barStyle_ = style; }
  // The sides the bar may be docked to (CBRS_ bits); 0 until docking is enabled.
  void EnableDocking(DWORD sides) { dockSides_ = sides & CBRS_ALIGN_ANY; }
  DWORD GetDockSides() const { return dockSides_; }
  // The bar this one sits beside in the same row of its side, or null for a row of its own.
  // The bar keeps the neighbour's window, so a neighbour that goes leaves it a row of its own.
  HWND GetDockNeighbour() const { return neighbour_; }
  void SetDockNeighbour(HWND neighbour) { neighbour_ = neighbour; }
  // Whether the bar takes the whole length of its side (a status bar) or only its own (a tool
  // bar, which leaves room for its neighbours).
  virtual bool FillsItsRow() const { return true; }

 protected:
  CControlBar() = default;

 private:
  DWORD barStyle_ = CBRS_TOP;
  DWORD dockSides_ = 0;
  HWND neighbour_ = nullptr;
};

class CToolBar : public CControlBar {
  DECLARE_DYNAMIC(CToolBar)

 public:
  CToolBar() = default;
  using CWnd::Create;
  // The bar's side comes from the CBRS_ bits of `style`.
  BOOL Create(CWnd* parent, DWORD style = WS_CHILD | WS_VISIBLE | CBRS_TOP,
              UINT id = AFX_IDW_TOOLBAR);
  // The window the buttons' commands go to, and whose state the buttons show; without one, the
  // frame the bar sits in.
  void SetOwner(CWnd* owner);
  // The images: a strip of `imageSize` pictures; the bar owns the bitmap from now on.
  BOOL SetBitmap(HBITMAP strip);
  void SetSizes(SIZE button, SIZE image);
  // One button per identifier, ID_SEPARATOR making a separator; the images in order.
  BOOL SetButtons(const UINT* ids, int32_t count);
  // The buttons of the module's tool-bar resource, with the bitmap of the same number as their
  // images (buttons 7 pixels wider and higher than the images). False, leaving the bar as it
  // was, when either resource is missing or the tool bar is not one this program reads.
  BOOL LoadToolBar(HMODULE module, UINT id);
  // The button's tip: the text after the line break of its command's string in the module the
  // bar was loaded from; empty for a separator or a command without one.
  std::string GetButtonTip(int32_t index) const;

  int32_t GetCount() const;
  UINT GetItemID(int32_t index) const;
  int32_t CommandToIndex(UINT id) const;
  void GetItemRect(int32_t index, RECT* rect) const;
  UINT GetButtonStyle(int32_t index) const;
  void SetButtonStyle(int32_t index, UINT style);

  // Along the top or bottom the buttons make one row, along the left or right one column.
  SIZE CalcFixedLayout(BOOL stretch, BOOL horizontal) override;
  bool FillsItsRow() const override { return false; }
  // The button under a point of the bar's client area, described for a tip: its command, its
  // rectangle, its tip text and flags (TTF_ bits). -1 over no button or a separator.
  virtual int32_t OnToolHitTest(POINT point, TOOLINFO* info) const;

  // Each button's command asks the target (the frame) for its state; with disableIfNoHandler
  // a button whose command no target answers is disabled.
  void OnUpdateCmdUI(CCmdTarget* target, BOOL disableIfNoHandler);
  BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) override;

  // The tip showing over the bar, if any.
  const TToolTipWindow& Tip() const { return tip_; }
  // How long the pointer rests on a button before its tip shows, and how often the shown tip
  // checks that the pointer is still there.
  static constexpr UINT kTipDelay = 500;
  static constexpr UINT kTipWatch = 100;

 protected:
  // Lays the buttons out for the bar's side: wrapped into a column when vertical.
  virtual void ArrangeButtons(BOOL horizontal);

 private:
  // The pointer moved over the bar: a new button under it starts the wait for its tip, which
  // shows only while the bar's window is active unless the button's tip always shows.
  void TrackTip(POINT point);
  // The wait is over, or the shown tip checks the pointer.
  void OnTipTimer();
  void HideTip();
  // A press beside the buttons of a bar that may dock picks the bar up; letting go docks it
  // where it was let go (its frame decides the side).
  bool PickUp(POINT point);
  void LetGo(POINT point);

  bool carried_ = false;

  HMODULE module_ = nullptr;
  TToolTipWindow tip_;
  int32_t tipCommand_ = -1;
  std::string tipText_;
};

// The update of one tool-bar button: enabling clears its disabled state, disabling sets it and
// clears its pressed state; checking sets its checked state. The bar is redrawn when a state
// changed.
class CToolCmdUI : public CCmdUI {
 public:
  explicit CToolCmdUI(CToolBar& bar) : bar_(bar) {}
  CToolBar& Bar() const { return bar_; }
  void Enable(BOOL enable = TRUE) override;
  void SetCheck(int32_t check = 1) override;
  void SetText(const char*) override {}

 private:
  void SetStyle(UINT style);
  CToolBar& bar_;
};
