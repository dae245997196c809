#include "platform/mfc/COleIPFrameWnd.h"

#include <algorithm>
#include <unordered_map>

#include "platform/mfc/COleItems.h"
#include "platform/win32/DcDraw.h"
#include "platform/win32/GdiObjects.h"
#include "platform/win32/Input.h"
#include "platform/win32/Menu.h"
#include "platform/win32/Message.h"
#include "platform/win32/Window.h"
#include "platform/win32/WindowDc.h"
#include "platform/win32/WindowRegion.h"

IMPLEMENT_DYNAMIC(COleResizeBar, CControlBar)
IMPLEMENT_DYNAMIC(COleIPFrameWnd, CFrameWnd)

namespace {

constexpr int32_t kBorder = COleResizeBar::kBorder;

// The eight handles: each side's middle and the corners.
constexpr DWORD kHandles[] = {
    CBRS_LEFT | CBRS_TOP,     CBRS_TOP,    CBRS_RIGHT | CBRS_TOP,   CBRS_RIGHT,
    CBRS_RIGHT | CBRS_BOTTOM, CBRS_BOTTOM, CBRS_LEFT | CBRS_BOTTOM, CBRS_LEFT};

RECT HandleRect(const RECT& client, DWORD handle) {
  const int32_t middleX = (client.left + client.right - kBorder) / 2;
  const int32_t middleY = (client.top + client.bottom - kBorder) / 2;
  const int32_t x = (handle & CBRS_LEFT)    ? client.left
                    : (handle & CBRS_RIGHT) ? client.right - kBorder
                                            : middleX;
  const int32_t y = (handle & CBRS_TOP)      ? client.top
                    : (handle & CBRS_BOTTOM) ? client.bottom - kBorder
                                             : middleY;
  return RECT{x, y, x + kBorder, y + kBorder};
}

std::unordered_map<HWND, COleDropTarget*>& DropTargets() {
  static std::unordered_map<HWND, COleDropTarget*> targets;
  return targets;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// COleResizeBar

BOOL COleResizeBar::Create(CWnd* parent, DWORD style, UINT id) {
  return CWnd::Create(nullptr, "", style, RECT{0, 0, 0, 0}, parent, id);
}

DWORD COleResizeBar::HitHandle(POINT point) const {
  RECT client;
  GetClientRect(&client);
  for (const DWORD handle : kHandles) {
    if (PtInRect(HandleRect(client, handle), point)) return handle;
  }
  return 0;
}

void COleResizeBar::Paint() {
  PAINTSTRUCT paint;
  const HDC dc = BeginPaint(m_hWnd, &paint);
  RECT client;
  GetClientRect(&client);
  const HBRUSH hatch = CreateHatchBrush(HS_BDIAGONAL, RGB(128, 128, 128));
  const RECT edges[] = {{client.left, client.top, client.right, client.top + kBorder},
                        {client.left, client.bottom - kBorder, client.right, client.bottom},
                        {client.left, client.top, client.left + kBorder, client.bottom},
                        {client.right - kBorder, client.top, client.right, client.bottom}};
  for (const RECT& edge : edges)
    FillRect(dc, &edge, hatch);
  DeleteObject(hatch);
  const auto black = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
  for (const DWORD handle : kHandles) {
    const RECT square = HandleRect(client, handle);
    FillRect(dc, &square, black);
  }
  EndPaint(m_hWnd, &paint);
}

void COleResizeBar::EndDrag(POINT point) {
  const DWORD handle = dragging_;
  dragging_ = 0;
  if (GetCapture() == m_hWnd) ReleaseCapture();
  auto* frame = dynamic_cast<COleIPFrameWnd*>(GetParentFrame());
  if (frame == nullptr) return;
  const int32_t dx = point.x - start_.x;
  const int32_t dy = point.y - start_.y;
  if (dx == 0 && dy == 0) return;
  RECT place = frame->ItemRect();
  if (handle & CBRS_LEFT) place.left = std::min(place.left + dx, place.right);
  if (handle & CBRS_RIGHT) place.right = std::max(place.right + dx, place.left);
  if (handle & CBRS_TOP) place.top = std::min(place.top + dy, place.bottom);
  if (handle & CBRS_BOTTOM) place.bottom = std::max(place.bottom + dy, place.top);
  frame->OnRequestPositionChange(place);
}

BOOL COleResizeBar::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
  const POINT point{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
  switch (message) {
    case WM_PAINT:
      Paint();
      *result = 0;
      return TRUE;
    case WM_ERASEBKGND:
      *result = 1;
      return TRUE;
    case WM_LBUTTONDOWN:
      dragging_ = HitHandle(point);
      if (dragging_ != 0) {
        start_ = point;
        SetCapture(m_hWnd);
      }
      *result = 0;
      return TRUE;
    case WM_LBUTTONUP:
      if (dragging_ != 0) EndDrag(point);
      *result = 0;
      return TRUE;
    case WM_CAPTURECHANGED:
      dragging_ = 0;
      break;
    default:
      break;
  }
  return CControlBar::OnWndMsg(message, wParam, lParam, result);
}

// ---------------------------------------------------------------------------------------------
// COleDropTarget

COleDropTarget::~COleDropTarget() {
  Revoke();
}

BOOL COleDropTarget::Register(CWnd* window) {
  if (window == nullptr || !IsWindow(window->m_hWnd)) return FALSE;
  auto& targets = DropTargets();
  if (targets.count(window->m_hWnd) != 0) return FALSE;
  Revoke();
  window_ = window->m_hWnd;
  targets[window_] = this;
  return TRUE;
}

void COleDropTarget::Revoke() {
  if (window_ == nullptr) return;
  auto& targets = DropTargets();
  const auto found = targets.find(window_);
  if (found != targets.end() && found->second == this) targets.erase(found);
  window_ = nullptr;
}

COleDropTarget* COleDropTarget::FromWindow(HWND window) {
  auto& targets = DropTargets();
  for (HWND at = window; at != nullptr; at = GetParent(at)) {
    const auto found = targets.find(at);
    if (found == targets.end()) continue;
    // A window that went without revoking leaves a stale entry, which nothing may use.
    if (IsWindow(at)) return found->second;
    targets.erase(found);
    return nullptr;
  }
  return nullptr;
}

DROPEFFECT COleDropTarget::OnDragOver(CWnd*, uint32_t, POINT) {
  return DROPEFFECT_NONE;
}

BOOL COleDropTarget::OnDrop(CWnd*, uint32_t, const std::vector<uint8_t>&, POINT) {
  return FALSE;
}

// ---------------------------------------------------------------------------------------------
// COleIPFrameWnd

COleIPFrameWnd::COleIPFrameWnd() = default;

COleIPFrameWnd::~COleIPFrameWnd() {
  UnshareMenus();
  ShowContainerBars();
}

BOOL COleIPFrameWnd::CreateInPlace(CWnd* containerView, HWND placeWindow, const RECT& itemPixels,
                                   COleClientItem* item) {
  if (containerView == nullptr || !IsWindow(containerView->m_hWnd)) return FALSE;
  item_ = item;
  placeWindow_ = placeWindow != nullptr ? placeWindow : containerView->m_hWnd;
  itemRect_ = itemPixels;
  if (!Create(nullptr, "", WS_CHILD | WS_CLIPCHILDREN | WS_CLIPSIBLINGS, RECT{0, 0, 0, 0},
              containerView, nullptr, 0, nullptr))
    return FALSE;
  SetWindowPos(m_hWnd, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  SetItemRect(itemPixels);
  return TRUE;
}

void COleIPFrameWnd::SetItemRect(const RECT& itemPixels) {
  itemRect_ = itemPixels;
  if (m_hWnd == nullptr) return;
  POINT corners[2] = {{itemPixels.left, itemPixels.top}, {itemPixels.right, itemPixels.bottom}};
  MapWindowPoints(placeWindow_, ::GetParent(m_hWnd), corners, 2);
  ::MoveWindow(m_hWnd, corners[0].x - kBorder, corners[0].y - kBorder,
               corners[1].x - corners[0].x + 2 * kBorder, corners[1].y - corners[0].y + 2 * kBorder,
               TRUE);
  RecalcLayout();
}

BOOL COleIPFrameWnd::OnCreateControlBars(CFrameWnd*, CFrameWnd*) {
  return TRUE;
}

void COleIPFrameWnd::OnRequestPositionChange(const RECT& itemPixels) {
  if (item_ == nullptr) {
    SetItemRect(itemPixels);
    return;
  }
  item_->OnChangeItemPosition(itemPixels);
  RECT placed{0, 0, 0, 0};
  item_->OnGetItemPosition(placed);
  SetItemRect(placed);
}

void COleIPFrameWnd::HideContainerBars(CFrameWnd* containerFrame) {
  if (containerFrame == nullptr || containerFrame->m_hWnd == nullptr) return;
  for (HWND child = ::GetWindow(containerFrame->m_hWnd, GW_CHILD); child != nullptr;
       child = ::GetWindow(child, GW_HWNDNEXT)) {
    if (dynamic_cast<CToolBar*>(FromHandlePermanent(child)) == nullptr) continue;
    if (!::IsWindowVisible(child)) continue;
    ::ShowWindow(child, SW_HIDE);
    hiddenBars_.push_back(child);
  }
  containerFrame_ = containerFrame;
  containerFrame->RecalcLayout();
}

void COleIPFrameWnd::ShowContainerBars() {
  if (hiddenBars_.empty()) return;
  for (const HWND bar : hiddenBars_) {
    if (::IsWindow(bar)) ::ShowWindow(bar, SW_SHOWNOACTIVATE);
  }
  hiddenBars_.clear();
  if (containerFrame_ != nullptr && ::IsWindow(containerFrame_->m_hWnd))
    containerFrame_->RecalcLayout();
}

BOOL COleIPFrameWnd::ShareMenus(CFrameWnd* containerFrame, HMENU containerMenu, HMENU serverMenu) {
  UnshareMenus();
  if (containerFrame == nullptr || containerMenu == nullptr || serverMenu == nullptr) {
    if (containerMenu != nullptr) DestroyMenu(containerMenu);
    if (serverMenu != nullptr) DestroyMenu(serverMenu);
    return FALSE;
  }
  const HMENU shared = CreateMenu();
  // Moves the popup at the position of the menu to the end of the shared bar.
  const auto move = [shared](HMENU from, int32_t position) {
    const HMENU popup = GetSubMenu(from, position);
    if (popup == nullptr) return;
    const std::string text = GetMenuItemText(from, static_cast<UINT>(position), MF_BYPOSITION);
    AppendMenu(shared, MF_POPUP, reinterpret_cast<UINT_PTR>(popup), text.c_str());
  };
  const int32_t containerCount = GetMenuItemCount(containerMenu);
  const int32_t serverCount = GetMenuItemCount(serverMenu);
  for (int32_t i = 0; i + 1 < containerCount; ++i)
    move(containerMenu, i);
  for (int32_t i = 0; i + 1 < serverCount; ++i)
    move(serverMenu, i);
  if (containerCount > 0) move(containerMenu, containerCount - 1);
  if (serverCount > 0) move(serverMenu, serverCount - 1);
  // The popups now belong to the shared bar: the emptied menus go without them.
  while (GetMenuItemCount(containerMenu) > 0)
    RemoveMenu(containerMenu, 0, MF_BYPOSITION);
  while (GetMenuItemCount(serverMenu) > 0)
    RemoveMenu(serverMenu, 0, MF_BYPOSITION);
  DestroyMenu(containerMenu);
  DestroyMenu(serverMenu);
  containerFrame_ = containerFrame;
  previousMenu_ = GetMenu(containerFrame->m_hWnd);
  sharedMenu_ = shared;
  SetMenu(containerFrame->m_hWnd, shared);
  DrawMenuBar(containerFrame->m_hWnd);
  return TRUE;
}

void COleIPFrameWnd::UnshareMenus() {
  if (sharedMenu_ == nullptr) return;
  if (containerFrame_ != nullptr && ::IsWindow(containerFrame_->m_hWnd) &&
      GetMenu(containerFrame_->m_hWnd) == sharedMenu_) {
    SetMenu(containerFrame_->m_hWnd, previousMenu_);
    DrawMenuBar(containerFrame_->m_hWnd);
  }
  DestroyMenu(sharedMenu_);
  sharedMenu_ = nullptr;
  previousMenu_ = nullptr;
}

void COleIPFrameWnd::RecalcLayout(BOOL) {
  RECT client;
  GetClientRect(&client);
  if (resizeBar_ != nullptr && resizeBar_->m_hWnd != nullptr) {
    ::MoveWindow(resizeBar_->m_hWnd, 0, 0, client.right, client.bottom, TRUE);
    ::SetWindowPos(resizeBar_->m_hWnd, HWND_BOTTOM, 0, 0, 0, 0,
                   SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  }
  const HWND pane = ::GetDlgItem(m_hWnd, static_cast<int32_t>(AFX_IDW_PANE_FIRST));
  if (pane == nullptr) return;
  ::MoveWindow(pane, kBorder, kBorder,
               std::max(0, static_cast<int32_t>(client.right) - 2 * kBorder),
               std::max(0, static_cast<int32_t>(client.bottom) - 2 * kBorder), TRUE);
  ::SetWindowPos(pane, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

BOOL COleIPFrameWnd::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
  if (message == WM_SIZE) {
    RecalcLayout();
    *result = 0;
    return TRUE;
  }
  return CFrameWnd::OnWndMsg(message, wParam, lParam, result);
}
