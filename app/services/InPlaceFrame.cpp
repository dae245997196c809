#include "app/services/InPlaceFrame.h"

#include <algorithm>

#include "app/shell/ApplicationHandler.h"
#include "app/shell/MenuBar.h"
#include "core/Failure.h"
#include "core/MenuCommands.h"
#include "core/MenuSetup.h"
#include "core/Resources.h"
#include "model/command/CommandHandler.h"
#include "platform/win32/Message.h"
#include "platform/win32/Window.h"
#include "platform/win32/WindowRegion.h"

IMPLEMENT_DYNCREATE(CInPlaceFrame, COleIPFrameWnd)

namespace {

constexpr DWORD kVisibleChild = WS_CHILD | WS_VISIBLE;

// The ranges whose commands the frame claims without acting on them.
bool IsClaimedCommand(UINT id) {
  return id <= 900 || (id >= 5000 && id <= 5415) || (id >= 5700 && id <= 5709) ||
         (id >= 24335 && id <= 24338);
}

TApplicationHandler* ShellApplication() {
  return dynamic_cast<TApplicationHandler*>(TCommandHandler::Application());
}

}  // namespace

CToolBar& CInPlaceFrame::Bar(size_t index) {
  CToolBar* const bars[kBarCount] = {&mainBar_, &palette1_, &palette2_, &bar4_, &bar5_};
  return *bars[std::min(index, kBarCount - 1)];
}

int32_t CInPlaceFrame::OnCreate() {
  if (!resizeBarWindow_.Create(this, kVisibleChild, AFX_IDW_RESIZE_BAR)) return -1;
  resizeBar_ = &resizeBarWindow_;
  if (!dropTarget_.Register(this)) return -1;
  return 0;
}

BOOL CInPlaceFrame::CreateBar(CToolBar& bar, CFrameWnd* frame, size_t index, DWORD style) {
  if (!bar.Create(frame, kVisibleChild | style, kBarIds[index])) return FALSE;
  bar.SetOwner(this);
  return bar.LoadToolBar(GetResourceModule1(), kBarResources[index]);
}

void CInPlaceFrame::DockControlBarLeftOf(CToolBar& bar, CToolBar& neighbour) {
  CFrameWnd* const frame = ContainerFrame();
  frame->RecalcLayout(TRUE);
  RECT rect;
  neighbour.GetWindowRect(&rect);
  OffsetRect(&rect, 1, 0);
  const UINT dockBar = DockBarOfStyle(neighbour.GetBarStyle());
  frame->DockControlBar(&bar, dockBar, &rect);
}

BOOL CInPlaceFrame::OnCreateControlBars(CFrameWnd* frame, CFrameWnd* documentFrame) {
  if (frame == nullptr || frame->m_hWnd == nullptr) return FALSE;
  documentFrame_ = documentFrame;
  if (ContainerFrame() != frame) HideContainerBars(frame);
  if (!CreateBar(mainBar_, frame, 0, CBRS_TOP) || !CreateBar(palette1_, frame, 1, CBRS_LEFT) ||
      !CreateBar(palette2_, frame, 2, CBRS_LEFT) || !CreateBar(bar4_, frame, 3, CBRS_LEFT) ||
      !CreateBar(bar5_, frame, 4, CBRS_LEFT))
    return FALSE;
  frame->EnableDocking(CBRS_ALIGN_ANY);
  mainBar_.EnableDocking(CBRS_ALIGN_ANY);
  frame->DockControlBar(&mainBar_, AFX_IDW_DOCKBAR_TOP);

  palette1_.EnableDocking(CBRS_LEFT | CBRS_RIGHT);
  frame->DockControlBar(&palette1_, AFX_IDW_DOCKBAR_LEFT);
  palette1_.SetColumnCount(2);

  palette2_.EnableDocking(CBRS_LEFT | CBRS_RIGHT);
  DockControlBarLeftOf(palette2_, palette1_);
  palette2_.SetColumnCount(2);
  frame->DockControlBar(&palette2_, AFX_IDW_DOCKBAR_LEFT);

  bar4_.EnableDocking(CBRS_ALIGN_ANY);
  frame->DockControlBar(&bar4_, AFX_IDW_DOCKBAR_TOP);
  DockControlBarLeftOf(bar4_, mainBar_);
  bar5_.EnableDocking(CBRS_ALIGN_ANY);
  frame->DockControlBar(&bar5_, AFX_IDW_DOCKBAR_TOP);
  DockControlBarLeftOf(bar5_, bar4_);
  frame->RecalcLayout();
  UpdateAllButtons();
  return TRUE;
}

void CInPlaceFrame::ShowPalettes(bool show) {
  for (size_t i = 0; i < kBarCount; ++i) {
    if (Bar(i).m_hWnd != nullptr) ::ShowWindow(Bar(i).m_hWnd, show ? SW_SHOWNOACTIVATE : SW_HIDE);
  }
  if (ContainerFrame() != nullptr && ContainerFrame()->m_hWnd != nullptr)
    ContainerFrame()->RecalcLayout();
}

void CInPlaceFrame::SetCurrentTool(int32_t command) {
  if (command == currentTool_) return;
  currentTool_ = command;
  UpdateAllButtons();
}

void CInPlaceFrame::SetCommandDisabled(int32_t command, bool disabled) {
  if (!disabled) {
    disabledCommands_.erase(
        std::remove(disabledCommands_.begin(), disabledCommands_.end(), command),
        disabledCommands_.end());
  } else if (std::find(disabledCommands_.begin(), disabledCommands_.end(), command) ==
             disabledCommands_.end()) {
    disabledCommands_.push_back(command);
  }
  UpdateAllButtons();
}

std::array<bool, CInPlaceFrame::kBarCount> CInPlaceFrame::GetBarVisibility() const {
  const CToolBar* const bars[kBarCount] = {&mainBar_, &palette1_, &palette2_, &bar4_, &bar5_};
  std::array<bool, kBarCount> visible{};
  for (size_t i = 0; i < kBarCount; ++i)
    visible[i] = bars[i]->m_hWnd != nullptr &&
                 (::GetWindowLongPtr(bars[i]->m_hWnd, GWL_STYLE) & WS_VISIBLE) != 0;
  return visible;
}

void CInPlaceFrame::SetMessageText(const char* text) {
  if (ContainerFrame() != nullptr && ContainerFrame()->m_hWnd != nullptr)
    ContainerFrame()->SetMessageText(text);
}

void CInPlaceFrame::LoadAccelTable(UINT id) {
  SetAccelerators(LoadAcceleratorResource(MAKEINTRESOURCEA(id)));
}

void CInPlaceFrame::UpdateAllButtons() {
  // The bars live in the container's frame but answer to this one.
  for (size_t i = 0; i < kBarCount; ++i) {
    if (Bar(i).m_hWnd != nullptr) ::SendMessage(Bar(i).m_hWnd, WM_IDLEUPDATECMDUI, TRUE, 0);
  }
  SendMessageToDescendants(WM_IDLEUPDATECMDUI, TRUE);
}

bool CInPlaceFrame::UpdateToolButton(CCmdUI& update) const {
  if (update.m_hMenu != nullptr || dynamic_cast<CToolCmdUI*>(&update) == nullptr) return false;
  const UINT id = update.m_nID;
  if (!((id >= 1 && id <= 104) || (id >= 110 && id <= 25000))) return false;
  update.SetCheck(static_cast<int32_t>(id) == currentTool_ ? 1 : 0);
  const bool disabled = std::find(disabledCommands_.begin(), disabledCommands_.end(),
                                  static_cast<int32_t>(id)) != disabledCommands_.end();
  update.Enable(!disabled && !IsMemoryLow());
  return true;
}

BOOL CInPlaceFrame::OnCmdMsg(UINT id, int32_t code, void* extra) {
  if (code == CN_UPDATE_COMMAND_UI && extra != nullptr &&
      UpdateToolButton(*static_cast<CCmdUI*>(extra)))
    return TRUE;
  // Asked only whether there is a handler: the claimed ranges have one that does nothing.
  if (code == CN_COMMAND && extra != nullptr && IsClaimedCommand(id)) return TRUE;
  return COleIPFrameWnd::OnCmdMsg(id, code, extra);
}

BOOL CInPlaceFrame::OnCommand(WPARAM wParam, LPARAM) {
  const UINT id = LOWORD(wParam);
  if (id == kCancelEditCommand) {
    if (documentFrame_ != nullptr && ::IsWindow(documentFrame_->m_hWnd))
      ::PostMessage(documentFrame_->m_hWnd, WM_COMMAND, kCancelEditCommand, 0);
    return TRUE;
  }
  if (TApplicationHandler* const application = ShellApplication())
    application->ChooseMenuItem(static_cast<int32_t>(static_cast<uint16_t>(id)));
  InvalidateMenuSetup();
  return TRUE;
}

BOOL CInPlaceFrame::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
  switch (message) {
    case WM_CREATE:
      COleIPFrameWnd::OnWndMsg(message, wParam, lParam, result);
      if (*result != -1) *result = OnCreate();
      return TRUE;
    case WM_INITMENU:
    case WM_INITMENUPOPUP:
      COleIPFrameWnd::OnWndMsg(message, wParam, lParam, result);
      if (TApplicationHandler* const application = ShellApplication()) application->SetupTheMenus();
      if (MenuBarNeedsRedraw() || MenusChanged()) {
        ClearMenusChanged();
        RedrawMenuBar();
        if (message == WM_INITMENUPOPUP) UpdateWindow();
      }
      *result = 0;
      return TRUE;
    default:
      return COleIPFrameWnd::OnWndMsg(message, wParam, lParam, result);
  }
}
