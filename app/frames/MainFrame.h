#pragma once
// The main frame: the program's top-level window with the menu bar and the MDI client that holds
// the document frames. Commands that no frame or view takes become command numbers that travel
// the chain of command from the current target; the command objects that come back are queued.
// Before a menu opens the application sets the menus up. Closing the frame ends the program.

#include <array>
#include <vector>

#include "app/frames/AppBars.h"
#include "app/frames/Settings.h"
#include "app/services/DdeScriptService.h"
#include "platform/mfc/CDockState.h"
#include "platform/mfc/CFrameWnd.h"
#include "platform/mfc/CToolBar.h"
#include "platform/win32/WindowPlacement.h"
#include "ui/controls/PaletteToolBar.h"
#include "ui/views/ViewGeometry.h"

class TOwlWindow;

class CMainFrame : public CMDIFrameWnd {
  DECLARE_DYNCREATE(CMainFrame)

 public:
  // Menu items are the menu set-up's alone: an item no handler answers keeps the state the
  // set-up gave it (the selected object's own menus, the window list) instead of being greyed.
  CMainFrame();

  // Creates the frame window, hidden, titled "Yarrowby", with the normal menu bar and its keys,
  // having read the window settings. Its placement at start-up is the saved one, else the one
  // PlanPlacement makes of the default window; StartPlacement keeps it for the application,
  // which applies it when it shows the frame.
  BOOL CreateMainWindow();
  const WINDOWPLACEMENT& StartPlacement() const { return startPlacement_; }
  // Whether the client area was at most 520 high once placed.
  bool SmallScreen() const { return smallScreen_; }
  // The placement of a frame without a saved one, from its default window and client
  // rectangles: maximised when the client area is at most 640 wide or 600 high; then, when the
  // window is at least 860 wide or 700 high, a normal 800 by 640 (0.8 of the window's width or
  // height where it is narrower or lower) centred in the window's extent.
  static WINDOWPLACEMENT PlanPlacement(const RECT& window, const RECT& client, UINT showCommand);
  // The rectangles of the script shell and the floating windows, written back when the frame
  // goes.
  TWindowSettings& WindowSettings() { return windowSettings_; }

  // The help commands: help finder, help on help, help and default help.
  static constexpr UINT kHelpFinder = 57667;
  static constexpr UINT kHelpUsing = 57668;
  static constexpr UINT kHelp = 57670;
  static constexpr UINT kDefaultHelp = 57671;
  static bool IsHelpCommand(UINT id);

  BOOL OnCmdMsg(UINT id, int32_t code, void* extra) override;
  BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) override;

  // The status line: a non-null text becomes its text; null does nothing.
  void SetStatusText(const char* text);
  // Shows or hides the status bar, laying the frame out again at once.
  void ShowStatusBar(bool show);
  CAppStatusBar& StatusBar() { return statusBar_; }
  // The main tool bar at the top: the file, editing and run commands.
  CToolBar& MainToolBar() { return mainToolBar_; }
  static constexpr UINT kMainToolBarId = 59392;
  static constexpr UINT kMainToolBarResource = 19999;
  // The bars in the order their visibility is told: the main tool bar, the palettes of bodies,
  // constraints and points, the display bar, the joints palette, the editing, run and joining
  // bars.
  static constexpr size_t kBarCount = 9;
  enum BarIndex : size_t {
    kMainBar,
    kPalette1,
    kPalette2,
    kPalette3,
    kBar1,
    kPalette4,
    kBar2,
    kBar3,
    kBar4
  };
  CToolBar& Bar(BarIndex index);
  std::array<bool, kBarCount> GetBarVisibility() const;

  // The tool whose button shows pressed; -1 for none. A change brings every button up to date.
  void SetCurrentTool(int32_t command);
  int32_t CurrentTool() const { return currentTool_; }
  // A disabled command's button stays disabled whatever else holds, until it is enabled again;
  // the run and joining buttons change at once.
  void SetCommandDisabled(int32_t command, bool disabled);
  // Hiding keeps the bars' arrangement and hides every bar but the main tool bar, the run bar
  // and the status bar; showing brings the kept arrangement back. Nothing when the bars are
  // already so.
  void ShowPalettes(bool show);
  bool PalettesHidden() const { return palettesHidden_; }
  // The first button of the command: enabling clears its disabled state, disabling sets it and
  // clears its pressed state; the bar is redrawn when that changed anything.
  static void EnableToolbarButton(CToolBar& bar, UINT command, bool enable);
  // Docks the bar in the row of the neighbour, after it, on the neighbour's side.
  void DockControlBarLeftOf(CToolBar& bar, CToolBar& neighbour);

  // A document window for the MDI client: "Untitled", at (0, 0), of the default window size.
  TOwlWindow* MakeDocumentWindow();
  // The size new untitled windows get: 480 by 360, less where the workspace is smaller, so that
  // the window stays inside the frame.
  static constexpr int16_t kDefaultWindowWidth = 480;
  static constexpr int16_t kDefaultWindowHeight = 360;
  TViewPoint DefaultWindowSize() const;

  // The script service for other programs, started when the frame is created and ended when it
  // is destroyed. A service that cannot start is reported and the frame goes on without it.
  void InitDdeServer();
  void EndDdeServer();
  HDDEDATA DdeServerCallback(uint32_t type, uint32_t format, HCONV conversation, HSZ first,
                             HSZ second, HDDEDATA data, uintptr_t data1, uintptr_t data2);
  // Gathers an execute's text; true when a whole script stands in the buffer. `*size` becomes
  // the buffer's length plus 1. A refused text is reported.
  bool ExtractDdeScript(const char* text, int32_t* size);
  const TDdeService& DdeService() const { return dde_; }

 private:
  // A close request: during a run it stops the run and the frame stays; otherwise the
  // placement is saved and the frame closes.
  void OnClose();

  // The status bar at the bottom with its one message pane, and its timer.
  BOOL CreateStatusBar();
  // The nine bars from their resources, titled from the bar titles and docked where they
  // belong on a screen of this size.
  BOOL CreateBars();
  // One bar: made with its style and identifier, loaded and titled, allowed the sides given.
  BOOL CreateBar(CToolBar& bar, UINT id, DWORD style, UINT resource, int16_t title, DWORD sides);
  // The placement of the frame at start-up: the saved one, else the planned one.
  void PlaceAtStart();
  // Every button of every bar asks the frame for its state again.
  void UpdateAllButtons();
  // A tool-bar button of a command in the update ranges: disabled while memory is low; New,
  // Open and About otherwise enabled; every other button enabled only while a document is
  // open. Answers whether the update was one of those.
  bool UpdateToolButton(CCmdUI& update) const;
  // While a menu is open the message pane spans the bar; the pane's own settings come back
  // exactly when the menu closes.
  void WidenMessagePane();
  void OnMenuSelect(UINT flags, HMENU menu);
  // The menus are set up when they open; a change since then (a new world, another selection)
  // is set up at idle too, so that the bar's titles are greyed as their menus are.
  void SetUpMenusAtIdle();
  // The Window menu lists the document windows as they are now, the active one checked.
  void ListDocumentWindows();
  // The help file is not installed, so every help command says so.
  void ShowHelpUnavailable();
  // The script shell's place is kept with the window settings: given to the shell when the
  // settings are read (when usable on this screen), taken back before they are written.
  void ShareScriptShellRect(bool toShell);
  // An execute: a whole script runs through the Scripts menu. Acknowledged unless the script
  // ran and failed, or the execute failed (the buffer is emptied then).
  HDDEDATA ExecuteDdeScript(HDDEDATA data);
  // The end of a conversation of the service, or of a client link of the program's own.
  void EndDdeConversation(HCONV conversation);

  struct SavedPane {
    UINT id = 0;
    UINT style = 0;
    int32_t width = -1;  // -1: nothing saved
  };

  WINDOWPLACEMENT startPlacement_;
  CAppStatusBar statusBar_;
  CAppToolBar mainToolBar_;
  CPaletteToolBar palette1_;
  CPaletteToolBar palette2_;
  CPaletteToolBar palette3_;
  CAppToolBar bar1_;
  CPaletteToolBar palette4_;
  CAppToolBar bar2_;
  CAppToolBar bar3_;
  CAppToolBar bar4_;
  std::vector<int32_t> disabledCommands_;
  int32_t currentTool_ = -1;
  bool palettesHidden_ = false;
  CDockState dockState_;
  SavedPane savedPane_;
  bool menuOpen_ = false;
  bool smallScreen_ = false;
  TWindowSettings windowSettings_;
  TDdeService dde_;
};
