#pragma once
// Frames: windows that hold a client view (made from the creation context), a menu, an
// accelerator table, and that route commands to their active view first. The multiple-document
// frame holds an MDI client whose children are document frames (CMDIChildWnd).

#include <functional>
#include <string>

#include "platform/mfc/CWnd.h"

class CView;

// Style bit asking the frame to name itself after its document.
inline constexpr DWORD FWS_ADDTOTITLE = 0x00008000;

class CDockState;
class CControlBar;

class CFrameWnd : public CWnd {
  DECLARE_DYNCREATE(CFrameWnd)

 public:
  CFrameWnd() = default;
  ~CFrameWnd() override;

  // Set: before a menu opens, items whose commands no target answers are greyed.
  BOOL m_bAutoMenuEnable = TRUE;

  // Creates the frame window with the menu and accelerators of the resource, when there are
  // such resources, and its client from the context.
  virtual BOOL LoadFrame(UINT resourceId, DWORD style, CWnd* parent, CCreateContext* context);
  BOOL Create(const char* className, const char* title, DWORD style, const RECT& rect,
              CWnd* parent, const char* menuName, DWORD exStyle, CCreateContext* context);

  // Makes the context's view class as the pane AFX_IDW_PANE_FIRST; null when it cannot.
  CWnd* CreateView(CCreateContext* context, UINT id = AFX_IDW_PANE_FIRST);
  // The client of a frame: a view from the context, when it names a view class.
  virtual BOOL OnCreateClient(CREATESTRUCT* create, CCreateContext* context);
  // The pane fills the client area.
  virtual void RecalcLayout(BOOL notify = TRUE);
  // The sides (CBRS_ bits) bars may be docked to.
  void EnableDocking(DWORD sides);
  // Docks the bar on the side of the docking row `dockBarId` (AFX_IDW_DOCKBAR_TOP ...): in the
  // row of the bar of that side whose window holds the top-left corner of `rect`, after it, or
  // in a row of its own without such a bar or rectangle. False when the frame or the bar does
  // not allow the side.
  BOOL DockControlBar(CControlBar* bar, UINT dockBarId = 0, const RECT* rect = nullptr);
  // A bar dragged by the mouse and let go at a point of the screen: docked on the side of the
  // client area nearest that point that both the frame and the bar allow, beside the bar under
  // the point. False, the bar staying, when the point lies outside the frame's client area.
  BOOL DockControlBarAt(CControlBar* bar, POINT screenPoint);
  // The arrangement of the frame's control bars (those with an identifier), in window order.
  void GetDockState(CDockState& state) const;
  // Each saved bar the frame has shows or hides and keeps to its saved side; the frame lays out
  // again. Bars the state does not name stay as they are.
  void SetDockState(const CDockState& state);

  CView* GetActiveView() const { return activeView_; }
  void SetActiveView(CView* view, BOOL notify = TRUE);
  virtual CFrameWnd* GetActiveFrame() { return this; }

  // The status line: the text goes to the frame's status bar, the child window
  // AFX_IDW_STATUS_BAR, as its window text; a frame without one shows nothing. A null text does
  // nothing. The identifier's form shows the prompt of that command: its string in the
  // resources, up to the first line end; identifier 0 empties the line.
  virtual void SetMessageText(const char* text);
  void SetMessageText(UINT id);
  virtual std::string GetMessageString(UINT id) const;
  // The status line back to the idle text: the string AFX_IDS_IDLEMESSAGE of the program's
  // resources, or an empty line when it has none.
  void ResetMessageText();

  void SetAccelerators(HACCEL table);
  HACCEL GetDefaultAccelerator() const { return accelerators_; }

  // Keys that the frame's accelerators turn into commands are taken here.
  BOOL PreTranslateMessage(MSG* message) override;
  // The active view first, then the frame itself.
  BOOL OnCmdMsg(UINT id, int32_t code, void* extra) override;
  BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) override;
  void PostNcDestroy() override;

 protected:
  int32_t OnCreateHelper(CREATESTRUCT* create, CCreateContext* context);

 private:
  CView* activeView_ = nullptr;
  HACCEL accelerators_ = nullptr;
  bool ownsAccelerators_ = false;
  DWORD dockSides_ = 0;
};

class CMDIFrameWnd : public CFrameWnd {
  DECLARE_DYNCREATE(CMDIFrameWnd)

 public:
  HWND m_hWndMDIClient = nullptr;

  // The client of a multiple-document frame is the MDI client.
  BOOL OnCreateClient(CREATESTRUCT* create, CCreateContext* context) override;
  BOOL CreateClient(CREATESTRUCT* create);
  void RecalcLayout(BOOL notify = TRUE) override;
  CFrameWnd* GetActiveFrame() override;

  class CMDIChildWnd* MDIGetActive(BOOL* maximized = nullptr) const;
  void MDIActivate(CWnd* child);
  void MDIMaximize(CWnd* child);
  void MDIRestore(CWnd* child);
  void MDITile(WPARAM how = 0);
  void MDICascade();
  void MDIIconArrange();

  // Commands go to the active document frame first, then to this frame.
  BOOL OnCmdMsg(UINT id, int32_t code, void* extra) override;
  LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

  // Where the next document frame starts: each one 24 pixels further down and right, back to
  // the corner after seven, as the desktop staggers them.
  int32_t NextCascadeOffset();

 private:
  int32_t cascade_ = 0;
};

class CMDIChildWnd : public CFrameWnd {
  DECLARE_DYNCREATE(CMDIChildWnd)

 public:
  // A document frame inside the main frame's MDI client (the main frame is the parent given, or
  // the application's main window).
  BOOL LoadFrame(UINT resourceId, DWORD style, CWnd* parent, CCreateContext* context) override;
  CMDIFrameWnd* GetMDIFrame() const;
  void MDIActivate();
  void MDIMaximize();
  void MDIRestore();
  void MDIDestroy();

  BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) override;
  LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
};

// The frame new document frames go into when none is given; set by the application.
void SetMainFrame(CFrameWnd* frame);
CFrameWnd* GetMainFrame();

// The command of the menu item or tool-bar button under the pointer, told as the pointer goes
// over them (0 when it is over none): a help line of the program follows it.
using CommandUnderPointerWatcher = std::function<void(UINT command)>;
void SetCommandUnderPointerWatcher(CommandUnderPointerWatcher watcher);
void NoteCommandUnderPointer(UINT command);
