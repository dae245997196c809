#include "app/frames/MainFrame.h"

#include <algorithm>
#include <vector>

#include "app/TApp.h"
#include "app/frames/DocumentWindows.h"
#include "app/services/EmbeddedWorlds.h"
#include "app/shell/ApplicationHandler.h"
#include "app/shell/MenuBar.h"
#include "app/shell/QVApp.h"
#include "core/Failure.h"
#include "core/MenuCommands.h"
#include "core/MenuSetup.h"
#include "core/Resources.h"
#include "exchange/pictures/PictureConversion.h"
#include "model/command/CommandCore.h"
#include "platform/mfc/CDockState.h"
#include "platform/win32/Mdi.h"
#include "platform/win32/Message.h"
#include "platform/win32/MessageBox.h"
#include "platform/win32/Timer.h"
#include "platform/win32/Window.h"
#include "platform/win32/WindowPaint.h"
#include "platform/win32/WindowRegion.h"
#include "scripting/shell/ScriptShell.h"
#include "scripting/shell/ScriptsMenu.h"
#include "ui/views/OwlView.h"
#include "ui/views/ViewServices.h"

IMPLEMENT_DYNCREATE(CMainFrame, CMDIFrameWnd)

namespace {

constexpr DWORD kStatusBarStyle = 0x50008200;  // child, visible, bottom, top border
constexpr UINT kStatusTimer = 4096;
constexpr UINT kStatusTimerPeriod = 3000;
constexpr UINT kWidePaneStyle = SBPS_STRETCH | SBPS_NOBORDERS;
constexpr int32_t kWidePaneWidth = 16384;
constexpr DWORD kMainToolBarStyle = 0x500028B4;  // child, visible, top, tips, borders
constexpr int16_t kBarTitleList = 24576;
// The profile name the bars' arrangement is kept under.
constexpr char kDockStateName[] = "General";
constexpr int16_t kMainToolBarTitle = 1;

// The framework's own items (from 32768 up to the system commands, the recent files aside,
// which the application keeps) are brought up to date by the frames that handle them.
void UpdateFrameworkItems(CCmdTarget* target, HMENU menu) {
  const int32_t count = GetMenuItemCount(menu);
  for (int32_t i = 0; i < count; ++i) {
    if (const HMENU submenu = GetSubMenu(menu, i)) {
      UpdateFrameworkItems(target, submenu);
      continue;
    }
    const UINT id = GetMenuItemID(menu, i);
    if (id < 0x8000 || id >= 0xF000 || (id >= 57616 && id <= 57631)) continue;
    CCmdUI update;
    update.m_nID = id;
    update.m_nIndex = static_cast<UINT>(i);
    update.m_nIndexMax = static_cast<UINT>(count);
    update.m_hMenu = menu;
    update.DoUpdate(target);
  }
}

// Whether each title of a menu bar is greyed, as the bar shows it.
std::vector<UINT> TitleStates(HMENU bar) {
  std::vector<UINT> states;
  const int32_t count = GetMenuItemCount(bar);
  for (int32_t i = 0; i < count; ++i)
    states.push_back(GetMenuState(bar, static_cast<UINT>(i), MF_BYPOSITION) &
                     (MF_GRAYED | MF_DISABLED));
  return states;
}

// The menu of the bar that arranges the document windows: the one holding Cascade.
HMENU FindWindowMenu(HMENU bar) {
  constexpr UINT kCascadeCommand = 24337;
  const int32_t count = GetMenuItemCount(bar);
  for (int32_t i = 0; i < count; ++i) {
    const HMENU popup = GetSubMenu(bar, i);
    if (popup == nullptr) continue;
    for (int32_t j = 0; j < GetMenuItemCount(popup); ++j)
      if (GetMenuItemID(popup, j) == kCascadeCommand) return popup;
  }
  return nullptr;
}

TApplicationHandler* ShellApplication() {
  return dynamic_cast<TApplicationHandler*>(TCommandHandler::Application());
}

}  // namespace

CMainFrame::CMainFrame() {
  m_bAutoMenuEnable = FALSE;
}

BOOL CMainFrame::CreateMainWindow() {
  windowSettings_.Read();
  ShareScriptShellRect(true);
  // The default frame covers the screen; the placement below makes it a window on it.
  const RECT rect{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  if (!Create(nullptr, "Yarrowby", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, rect,
              nullptr, nullptr, 0, nullptr)) {
    return FALSE;
  }
  SetMenuFrame(m_hWnd);
  SetMenu94Position(ScriptsMenu::kMenu94Position);
  SetMenuBarForMode(kNormalModeBar);
  PlaceAtStart();
  if (!CreateStatusBar() || !CreateBars()) {
    DestroyWindow();
    return FALSE;
  }
  // The bars as they were left.
  CDockState dockState;
  dockState.LoadState(kDockStateName);
  SetDockState(dockState);
  InitDdeServer();
  LoadGraphicsFilter();
  return TRUE;
}

void CMainFrame::PlaceAtStart() {
  if (std::optional<WINDOWPLACEMENT> saved = ReadWindowPlacement()) {
    startPlacement_ = *saved;
  } else {
    RECT window;
    RECT client;
    ::GetWindowRect(m_hWnd, &window);
    ::GetClientRect(m_hWnd, &client);
    WINDOWPLACEMENT current;
    GetWindowPlacement(m_hWnd, &current);
    startPlacement_ = PlanPlacement(window, client, current.showCmd);
  }
  // The frame stays hidden until the application shows it.
  WINDOWPLACEMENT hidden = startPlacement_;
  hidden.showCmd = SW_HIDE;
  SetWindowPlacement(m_hWnd, &hidden);
  RECT client;
  ::GetClientRect(m_hWnd, &client);
  smallScreen_ = client.bottom - client.top <= 520;
}

WINDOWPLACEMENT CMainFrame::PlanPlacement(const RECT& window, const RECT& client,
                                          UINT showCommand) {
  WINDOWPLACEMENT placement;
  placement.showCmd = showCommand;
  placement.ptMinPosition = POINT{-1, -1};
  placement.ptMaxPosition = POINT{-1, -1};
  placement.rcNormalPosition = window;
  if (client.right - client.left <= 640 || client.bottom - client.top <= 600)
    placement.showCmd = SW_SHOWMAXIMIZED;
  const int32_t width = window.right - window.left;
  const int32_t height = window.bottom - window.top;
  if (width >= 860 || height >= 700) {
    const int32_t normalWidth = width < 800 ? width * 8 / 10 : 800;
    const int32_t normalHeight = height < 640 ? height * 8 / 10 : 640;
    const int32_t left = (width - normalWidth) / 2;
    const int32_t top = (height - normalHeight) / 2;
    placement.rcNormalPosition = RECT{left, top, left + normalWidth, top + normalHeight};
    placement.showCmd = SW_SHOWNORMAL;
  }
  return placement;
}

BOOL CMainFrame::CreateStatusBar() {
  static const UINT kIndicators[] = {ID_SEPARATOR};
  if (!statusBar_.Create(this, kStatusBarStyle, AFX_IDW_STATUS_BAR)) return FALSE;
  if (!statusBar_.SetIndicators(kIndicators, 1)) return FALSE;
  // Each tick wakes the message loop, so that idle work runs at least every three seconds.
  SetTimer(statusBar_.m_hWnd, kStatusTimer, kStatusTimerPeriod, nullptr);
  SetTimerWakesOnly(statusBar_.m_hWnd, kStatusTimer);
  RecalcLayout();
  return TRUE;
}

BOOL CMainFrame::CreateBar(CToolBar& bar, UINT id, DWORD style, UINT resource, int16_t title,
                           DWORD sides) {
  if (!bar.Create(this, style, id)) return FALSE;
  if (!bar.LoadToolBar(GetResourceModule1(), resource)) return FALSE;
  Str255 text;
  GetIndString(text, kBarTitleList, title);
  bar.SetWindowText(text.AsCString());
  bar.EnableDocking(sides);
  return TRUE;
}

BOOL CMainFrame::CreateBars() {
  constexpr DWORD kBarStyle = 0x500000B4;      // child, visible, tips, borders
  constexpr DWORD kPaletteStyle = 0x500000B2;  // child, visible, tips, fixed size
  constexpr DWORD kHiddenBarStyle = 0x400050B5;
  constexpr DWORD kSides = CBRS_LEFT | CBRS_RIGHT;
  EnableDocking(CBRS_ALIGN_ANY);
  if (!CreateBar(mainToolBar_, kMainToolBarId, kMainToolBarStyle, kMainToolBarResource, 1,
                 CBRS_ALIGN_ANY))
    return FALSE;
  DockControlBar(&mainToolBar_, AFX_IDW_DOCKBAR_TOP);

  if (!CreateBar(palette1_, 59394, kPaletteStyle, 119, 5, kSides)) return FALSE;
  palette1_.SetColumnCount(2);
  DockControlBar(&palette1_, AFX_IDW_DOCKBAR_LEFT);

  // On a low screen the left column cannot hold every palette.
  if (!CreateBar(bar4_, 59395, kBarStyle, 125, 9, CBRS_ALIGN_ANY)) return FALSE;
  if (smallScreen_) {
    DockControlBar(&bar4_, AFX_IDW_DOCKBAR_RIGHT);
  } else {
    DockControlBarLeftOf(bar4_, palette1_);
  }
  if (!CreateBar(palette4_, 59396, kPaletteStyle, 127, 6, kSides)) return FALSE;
  palette4_.SetColumnCount(2);
  DockControlBarLeftOf(palette4_, bar4_);
  if (!CreateBar(palette3_, 59397, kPaletteStyle, 126, 7, kSides)) return FALSE;
  palette3_.SetColumnCount(2);
  DockControlBarLeftOf(palette3_, palette4_);
  if (!CreateBar(palette2_, 59398, kPaletteStyle, 122, 3, kSides)) return FALSE;
  palette2_.SetColumnCount(2);
  DockControlBarLeftOf(palette2_, smallScreen_ ? palette1_ : palette3_);

  if (!CreateBar(bar2_, 59399, kBarStyle, 120, 2, CBRS_ALIGN_ANY)) return FALSE;
  DockControlBarLeftOf(bar2_, mainToolBar_);
  if (!CreateBar(bar3_, 59400, kBarStyle, 124, 4, CBRS_ALIGN_ANY)) return FALSE;
  DockControlBarLeftOf(bar3_, bar2_);
  if (!CreateBar(bar1_, 59401, kHiddenBarStyle, 128, 8, CBRS_ALIGN_ANY)) return FALSE;
  DockControlBar(&bar1_, AFX_IDW_DOCKBAR_LEFT);
  return TRUE;
}

void CMainFrame::DockControlBarLeftOf(CToolBar& bar, CToolBar& neighbour) {
  RecalcLayout(TRUE);
  RECT rect;
  neighbour.GetWindowRect(&rect);
  OffsetRect(&rect, 1, 1);
  const UINT dockBar = DockBarOfStyle(neighbour.GetBarStyle());
  DockControlBar(&bar, dockBar, &rect);
}

CToolBar& CMainFrame::Bar(BarIndex index) {
  CToolBar* const bars[kBarCount] = {&mainToolBar_, &palette1_, &palette2_, &palette3_, &bar1_,
                                     &palette4_,    &bar2_,     &bar3_,     &bar4_};
  return *bars[index];
}

std::array<bool, CMainFrame::kBarCount> CMainFrame::GetBarVisibility() const {
  const CToolBar* const bars[kBarCount] = {&mainToolBar_, &palette1_, &palette2_,
                                           &palette3_,    &bar1_,     &palette4_,
                                           &bar2_,        &bar3_,     &bar4_};
  std::array<bool, kBarCount> visible{};
  for (size_t i = 0; i < kBarCount; ++i)
    visible[i] = bars[i]->m_hWnd != nullptr &&
                 (::GetWindowLongPtr(bars[i]->m_hWnd, GWL_STYLE) & WS_VISIBLE) != 0;
  return visible;
}

void CMainFrame::SetCurrentTool(int32_t command) {
  if (command == currentTool_) return;
  currentTool_ = command;
  UpdateAllButtons();
}

void CMainFrame::SetCommandDisabled(int32_t command, bool disabled) {
  const auto found = std::find(disabledCommands_.begin(), disabledCommands_.end(), command);
  if (disabled && found == disabledCommands_.end()) disabledCommands_.push_back(command);
  if (!disabled && found != disabledCommands_.end()) disabledCommands_.erase(found);
  if (command == 1031 || command == 1032 || command == 1034) {
    EnableToolbarButton(bar3_, static_cast<UINT>(command), !disabled);
  } else if (command == 1047 || command == 1048) {
    EnableToolbarButton(bar4_, static_cast<UINT>(command), !disabled);
  }
  UpdateAllButtons();
}

void CMainFrame::UpdateAllButtons() {
  if (m_hWnd == nullptr) return;
  SendMessageToDescendants(WM_IDLEUPDATECMDUI, TRUE);
}

void CMainFrame::EnableToolbarButton(CToolBar& bar, UINT command, bool enable) {
  if (bar.m_hWnd == nullptr) return;
  const int32_t index = bar.CommandToIndex(command);
  if (index < 0) return;
  const UINT style = bar.GetButtonStyle(index);
  const UINT wanted = enable ? style & ~TBBS_DISABLED : (style | TBBS_DISABLED) & ~TBBS_PRESSED;
  if (wanted == style) return;
  bar.SetButtonStyle(index, wanted);
  ::InvalidateRect(bar.m_hWnd, nullptr, TRUE);
}

void CMainFrame::ShowPalettes(bool show) {
  if (show != palettesHidden_) return;
  if (show) {
    SetDockState(dockState_);
  } else {
    GetDockState(dockState_);
    for (CToolBar* bar : {static_cast<CToolBar*>(&palette1_), static_cast<CToolBar*>(&palette2_),
                          static_cast<CToolBar*>(&palette3_), static_cast<CToolBar*>(&bar1_),
                          static_cast<CToolBar*>(&palette4_), static_cast<CToolBar*>(&bar2_),
                          static_cast<CToolBar*>(&bar4_)}) {
      if (bar->m_hWnd != nullptr) ::ShowWindow(bar->m_hWnd, SW_HIDE);
    }
    RecalcLayout();
  }
  palettesHidden_ = !show;
}

bool CMainFrame::UpdateToolButton(CCmdUI& update) const {
  if (update.m_hMenu != nullptr || dynamic_cast<CToolCmdUI*>(&update) == nullptr) return false;
  const UINT id = update.m_nID;
  const bool inRanges = (id >= 1 && id <= 104) || (id >= 110 && id <= 5520) ||
                        (id >= 5546 && id <= 25000) || (id >= 57667 && id <= 57671);
  if (!inRanges) return false;
  update.SetCheck(static_cast<int32_t>(id) == currentTool_ ? 1 : 0);
  if (std::find(disabledCommands_.begin(), disabledCommands_.end(), static_cast<int32_t>(id)) !=
      disabledCommands_.end()) {
    update.Enable(FALSE);
  } else if (IsMemoryLow()) {
    update.Enable(FALSE);
  } else if (id == 10 || id == 20 || id == TApplicationHandler::kAboutCommand) {
    update.Enable(TRUE);
  } else {
    const auto* application = dynamic_cast<const TApp*>(CWinApp::Current());
    const TDocumentWindows* documents = application != nullptr ? application->Documents() : nullptr;
    update.Enable(documents != nullptr && documents->OpenCount() > 0);
  }
  return true;
}

void CMainFrame::SetStatusText(const char* text) {
  if (text && statusBar_.m_hWnd) statusBar_.SetWindowText(text);
}

void CMainFrame::ShowStatusBar(bool show) {
  if (!statusBar_.m_hWnd) return;
  statusBar_.ShowWindow(show ? SW_SHOW : SW_HIDE);
  RecalcLayout();
}

void CMainFrame::WidenMessagePane() {
  if (savedPane_.width != -1 || !menuOpen_ || !statusBar_.m_hWnd) return;
  statusBar_.GetPaneInfo(0, savedPane_.id, savedPane_.style, savedPane_.width);
  statusBar_.SetPaneInfo(0, savedPane_.id, kWidePaneStyle, kWidePaneWidth);
}

void CMainFrame::OnMenuSelect(UINT flags, HMENU menu) {
  if (flags == 0xFFFF && menu == nullptr && savedPane_.width != -1) {
    menuOpen_ = false;
    statusBar_.SetPaneInfo(0, savedPane_.id, savedPane_.style, savedPane_.width);
    savedPane_.width = -1;
    return;
  }
  menuOpen_ = true;
}

bool CMainFrame::IsHelpCommand(UINT id) {
  return id == kHelpFinder || id == kHelpUsing || id == kHelp || id == kDefaultHelp;
}

void CMainFrame::ShareScriptShellRect(bool toShell) {
  using Settings = TWindowSettings;
  int16_t* shell = ShellState().savedRect;
  if (!toShell) {
    // A shell that was never opened leaves the setting as it was.
    if (shell[2] <= 0 || shell[3] <= 0) return;
    windowSettings_.Store(Settings::kScriptShell, shell[0], shell[1], shell[0] + shell[2], shell[1] + shell[3]);
    return;
  }
  const Settings::Rect& stored = windowSettings_.Get(Settings::kScriptShell);
  if (!Settings::IsUsable(stored, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN))) return;
  static_assert(std::tuple_size_v<Settings::Rect> == kShellRectValues);
  for (size_t i = 0; i < kShellRectValues; ++i) shell[i] = static_cast<int16_t>(stored.at(i));
  // The default is a size, not a place: a shell never placed opens over the main window.
  if (stored == TWindowSettings().Get(Settings::kScriptShell)) shell[0] = shell[1] = 0;
}

void CMainFrame::ShowHelpUnavailable() {
  // Help would open the program's help file, which is not installed with the program.
  MessageBox(m_hWnd, "Help is not available: the help file yb.hlp is not installed.", "Yarrowby",
             MB_OK | MB_ICONINFORMATION);
}

void CMainFrame::OnClose() {
  // A close during a run stops the run; the next close quits.
  if (auto* application = dynamic_cast<TQVApp*>(CWinApp::Current());
      application != nullptr && application->CurrentRunCommand() != nullptr) {
    application->StopCurrentRun();
    return;
  }
  // A changed world is saved first, or given up, when the user says so; Cancel keeps the
  // program open.
  if (CWinApp* const application = CWinApp::Current();
      application != nullptr && !application->SaveAllModified())
    return;
  // The bars of a world edited in place are not the frame's own.
  EndInPlaceEditing();
  // While the palettes are hidden the arrangement kept before hiding them is the one to keep.
  if (!palettesHidden_) GetDockState(dockState_);
  dockState_.SaveState(kDockStateName);
  WINDOWPLACEMENT placement;
  if (GetWindowPlacement(m_hWnd, &placement)) WriteWindowPlacement(placement);
  // The floating windows go with the frame: where they stand is kept first.
  TQVApp::StoreWindowPlaces(windowSettings_);
  DestroyWindow();
}

BOOL CMainFrame::OnCmdMsg(UINT id, int32_t code, void* extra) {
  if (code == CN_COMMAND && extra == nullptr && IsHelpCommand(id)) {
    ShowHelpUnavailable();
    return TRUE;
  }
  if (code == CN_UPDATE_COMMAND_UI && extra != nullptr &&
      UpdateToolButton(*static_cast<CCmdUI*>(extra)))
    return TRUE;
  if (CMDIFrameWnd::OnCmdMsg(id, code, extra)) return TRUE;
  // Whether the chain answers a command is known only by asking it to make the command, so a
  // question about a handler is left to the menu set-up.
  if (code != CN_COMMAND || extra != nullptr) return FALSE;
  TApplicationHandler* application = ShellApplication();
  if (!application) return FALSE;
  if (application->HandleFrameworkCommand(id)) return TRUE;
  return application->ChooseMenuItem(static_cast<int32_t>(static_cast<uint16_t>(id)));
}

BOOL CMainFrame::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
  switch (message) {
    case WM_CLOSE:
      OnClose();
      *result = 0;
      return TRUE;
    case WM_DESTROY:
      FreeGraphicsFilter();
      EndDdeServer();
      ShareScriptShellRect(false);
      windowSettings_.Write();
      if (GetMenuFrame() == m_hWnd) {
        FreeMenuBarCache();
        SetMenuFrame(nullptr);
      }
      PostQuitMessage(0);
      *result = Default();
      return TRUE;
    case WM_MENUSELECT:
      CMDIFrameWnd::OnWndMsg(message, wParam, lParam, result);
      OnMenuSelect(HIWORD(wParam), reinterpret_cast<HMENU>(lParam));
      *result = 0;
      return TRUE;
    case WM_COMMAND:
      // The document windows listed in the Window menu are the client's to bring forward.
      if (lParam == 0 && IsMdiChildCommand(LOWORD(wParam))) {
        *result = DefWindowProc(message, wParam, lParam);
        return TRUE;
      }
      return CMDIFrameWnd::OnWndMsg(message, wParam, lParam, result);
    case WM_IDLEUPDATECMDUI:
      CMDIFrameWnd::OnWndMsg(message, wParam, lParam, result);
      SetUpMenusAtIdle();
      return TRUE;
    case WM_INITMENU:
    case WM_INITMENUPOPUP: {
      ListDocumentWindows();
      CMDIFrameWnd::OnWndMsg(message, wParam, lParam, result);
      if (message == WM_INITMENUPOPUP) WidenMessagePane();
      if (TApplicationHandler* application = ShellApplication()) application->SetupTheMenus();
      if (const HMENU bar = ::GetMenu(m_hWnd)) UpdateFrameworkItems(this, bar);
      if (MenuBarNeedsRedraw() || MenusChanged()) {
        ClearMenusChanged();
        RedrawMenuBar();
      }
      *result = 0;
      return TRUE;
    }
    default:
      return CMDIFrameWnd::OnWndMsg(message, wParam, lParam, result);
  }
}

void CMainFrame::SetUpMenusAtIdle() {
  TApplicationHandler* const application = ShellApplication();
  const HMENU bar = ::GetMenu(m_hWnd);
  if (!MenusNeedSetup() || application == nullptr || bar == nullptr) return;
  // The set-up works on the active window's bar: while another window with a menu of its own is
  // active (the Script Editor), the program's commands would grey that bar's items and titles.
  if (GetMainMenuHandle() != bar) return;
  const std::vector<UINT> titles = TitleStates(bar);
  application->SetupTheMenus();
  UpdateFrameworkItems(this, bar);
  if (TitleStates(bar) == titles && !MenuBarNeedsRedraw() && !MenusChanged()) return;
  ClearMenusChanged();
  RedrawMenuBar();
}

void CMainFrame::ListDocumentWindows() {
  const HMENU bar = ::GetMenu(m_hWnd);
  if (m_hWndMDIClient == nullptr || bar == nullptr) return;
  // The bar changes with the program's mode; the list goes where the bar's Window menu is.
  ::SendMessage(m_hWndMDIClient, WM_MDISETMENU, 0, reinterpret_cast<LPARAM>(FindWindowMenu(bar)));
}

TOwlWindow* CMainFrame::MakeDocumentWindow() {
  return new TOwlWindow(this, "Untitled", nullptr, TViewPoint{0, 0}, DefaultWindowSize());
}

TViewPoint CMainFrame::DefaultWindowSize() const {
  RECT area{0, 0, 0, 0};
  if (m_hWndMDIClient != nullptr) ::GetClientRect(m_hWndMDIClient, &area);
  // A frame not laid out yet has no area to keep the window in.
  if (area.right <= 0 || area.bottom <= 0) return TViewPoint{kDefaultWindowWidth, kDefaultWindowHeight};
  return TViewPoint{std::min<int32_t>(kDefaultWindowWidth, area.right),
                    std::min<int32_t>(kDefaultWindowHeight, area.bottom)};
}
