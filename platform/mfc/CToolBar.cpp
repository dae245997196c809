#include "platform/mfc/CToolBar.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/mfc/CFrameWnd.h"
#include "platform/win32/Bitmap.h"
#include "platform/win32/Input.h"
#include "platform/win32/Message.h"
#include "platform/win32/Timer.h"
#include "platform/win32/ToolBar.h"
#include "platform/win32/Window.h"
#include "platform/win32/WindowPaint.h"
#include "platform/win32/WindowRegion.h"

IMPLEMENT_DYNAMIC(CControlBar, CWnd)
IMPLEMENT_DYNAMIC(CToolBar, CControlBar)

namespace {

// The timer of a bar's tip, and how far below the pointer the tip shows.
constexpr UINT_PTR kTipTimer = 0x7001;
constexpr int32_t kTipOffset = 20;

TBBUTTON ButtonOf(HWND bar, int32_t index) {
  TBBUTTON button;
  button.idCommand = -1;
  ::SendMessage(bar, TB_GETBUTTON, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&button));
  return button;
}

}  // namespace

SIZE CControlBar::CalcFixedLayout(BOOL, BOOL) {
  RECT window;
  GetWindowRect(&window);
  return SIZE{window.right - window.left, window.bottom - window.top};
}

BOOL CToolBar::Create(CWnd* parent, DWORD style, UINT id) {
  SetBarStyle((style & CBRS_ALIGN_ANY) ? (style & CBRS_ALIGN_ANY) : CBRS_TOP);
  RegisterToolBarClass();
  return CWnd::Create(kToolBarClass, "", style & ~CBRS_ALIGN_ANY, RECT{0, 0, 0, 0}, parent, id);
}

void CToolBar::SetOwner(CWnd* owner) {
  CWnd::SetOwner(owner);
  ::SendMessage(m_hWnd, TB_SETPARENT, reinterpret_cast<WPARAM>(owner ? owner->m_hWnd : nullptr), 0);
}

BOOL CToolBar::SetBitmap(HBITMAP strip) {
  TBADDBITMAP added;
  added.nID = reinterpret_cast<uintptr_t>(strip);
  return ::SendMessage(m_hWnd, TB_ADDBITMAP, 1, reinterpret_cast<LPARAM>(&added)) == 0;
}

void CToolBar::SetSizes(SIZE button, SIZE image) {
  ::SendMessage(m_hWnd, TB_SETBUTTONSIZE, 0, MAKELPARAM(button.cx, button.cy));
  ::SendMessage(m_hWnd, TB_SETBITMAPSIZE, 0, MAKELPARAM(image.cx, image.cy));
}

BOOL CToolBar::SetButtons(const UINT* ids, int32_t count) {
  while (GetCount() > 0)
    ::SendMessage(m_hWnd, TB_DELETEBUTTON, 0, 0);
  if (!ids || count <= 0) return TRUE;
  std::vector<TBBUTTON> buttons(static_cast<size_t>(count));
  int32_t image = 0;
  for (size_t i = 0; i < buttons.size(); ++i) {
    buttons[i].idCommand = static_cast<int32_t>(ids[i]);
    if (ids[i] == ID_SEPARATOR) {
      buttons[i].fsStyle = TBSTYLE_SEP;
      buttons[i].iBitmap = 0;
    } else {
      buttons[i].iBitmap = image++;
    }
  }
  return static_cast<BOOL>(::SendMessage(m_hWnd, TB_ADDBUTTONS, static_cast<WPARAM>(count),
                                         reinterpret_cast<LPARAM>(buttons.data())));
}

BOOL CToolBar::LoadToolBar(HMODULE module, UINT id) {
  constexpr uint32_t kHeaderWords = 4;
  const LPCSTR name = MAKEINTRESOURCEA(static_cast<uint16_t>(id));
  const HRSRC found = FindResource(module, name, RT_TOOLBAR);
  const uint32_t size = SizeofResource(module, found);
  if (found == nullptr || size < kHeaderWords * 2) return FALSE;
  const auto* bytes = static_cast<const uint8_t*>(LockResource(LoadResource(module, found)));
  if (bytes == nullptr) return FALSE;
  const auto word = [bytes](uint32_t index) {
    return static_cast<uint16_t>(bytes[index * 2] | (bytes[index * 2 + 1] << 8));
  };
  const uint16_t width = word(1);
  const uint16_t height = word(2);
  const uint32_t count = word(3);
  // Every item must lie within the resource.
  if (word(0) != 1 || width == 0 || height == 0 || size < (kHeaderWords + count) * 2) return FALSE;
  const HBITMAP strip = LoadBitmap(module, name);
  if (strip == nullptr) return FALSE;
  std::vector<UINT> ids(count);
  for (uint32_t i = 0; i < count; ++i)
    ids[i] = word(kHeaderWords + i);
  SetSizes(SIZE{width + 7, height + 7}, SIZE{width, height});
  SetBitmap(strip);
  SetButtons(ids.data(), static_cast<int32_t>(count));
  module_ = module;
  return TRUE;
}

std::string CToolBar::GetButtonTip(int32_t index) const {
  const UINT id = GetItemID(index);
  if (id == ID_SEPARATOR || id == static_cast<UINT>(-1)) return {};
  char text[256] = "";
  if (LoadString(module_, id, text, sizeof text) <= 0) return {};
  const char* const tip = std::strchr(text, '\n');
  return tip != nullptr ? std::string(tip + 1) : std::string();
}

int32_t CToolBar::GetCount() const {
  return static_cast<int32_t>(::SendMessage(m_hWnd, TB_BUTTONCOUNT, 0, 0));
}

UINT CToolBar::GetItemID(int32_t index) const {
  const TBBUTTON button = ButtonOf(m_hWnd, index);
  return (button.fsStyle & TBSTYLE_SEP) ? ID_SEPARATOR : static_cast<UINT>(button.idCommand);
}

int32_t CToolBar::CommandToIndex(UINT id) const {
  return static_cast<int32_t>(::SendMessage(m_hWnd, TB_COMMANDTOINDEX, id, 0));
}

void CToolBar::GetItemRect(int32_t index, RECT* rect) const {
  ::SendMessage(m_hWnd, TB_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(rect));
}

UINT CToolBar::GetButtonStyle(int32_t index) const {
  const TBBUTTON button = ButtonOf(m_hWnd, index);
  const UINT state = static_cast<UINT>(button.fsState ^ TBSTATE_ENABLED);
  return static_cast<UINT>(MAKELONG(button.fsStyle, state));
}

void CToolBar::SetButtonStyle(int32_t index, UINT style) {
  const UINT state = HIWORD(style) ^ TBSTATE_ENABLED;
  ::SendMessage(m_hWnd, TB_SETBUTTONSTYLESTATE, static_cast<WPARAM>(index),
                MAKELPARAM(LOWORD(style) & 0xFF, state & 0xFF));
}

void CToolBar::OnUpdateCmdUI(CCmdTarget* target, BOOL disableIfNoHandler) {
  CToolCmdUI state(*this);
  state.m_nIndexMax = static_cast<UINT>(std::max(GetCount(), 0));
  for (state.m_nIndex = 0; state.m_nIndex < state.m_nIndexMax; ++state.m_nIndex) {
    const UINT id = GetItemID(static_cast<int32_t>(state.m_nIndex));
    if (id == ID_SEPARATOR) continue;
    state.m_nID = id;
    if (state.DoUpdate(target) || !disableIfNoHandler || target == nullptr) continue;
    AFX_CMDHANDLERINFO probe;
    if (!target->OnCmdMsg(id, CN_COMMAND, &probe)) state.Enable(FALSE);
  }
}

void CToolBar::TrackTip(POINT point) {
  TOOLINFO info;
  const int32_t hit = OnToolHitTest(point, &info);
  NoteCommandUnderPointer(hit == -1 ? 0 : static_cast<UINT>(hit));
  if (hit == tipCommand_) return;
  HideTip();
  if (hit == -1 || info.text.empty()) return;
  const HWND top = GetAncestorTopLevel(m_hWnd);
  if (!(info.uFlags & TTF_ALWAYSTIP) && GetActiveWindow() != top) return;
  tipCommand_ = hit;
  tipText_ = info.text;
  SetTimer(m_hWnd, kTipTimer, kTipDelay, nullptr);
}

void CToolBar::OnTipTimer() {
  POINT cursor;
  GetCursorPos(&cursor);
  POINT local = cursor;
  ScreenToClient(m_hWnd, &local);
  if (WindowFromPoint(cursor) != m_hWnd || OnToolHitTest(local, nullptr) != tipCommand_) {
    if (WindowFromPoint(cursor) != m_hWnd) NoteCommandUnderPointer(0);
    HideTip();
    return;
  }
  if (tip_.Shown()) return;
  // Below the pointer, clear of the cursor's picture.
  tip_.Show(tipText_, POINT{cursor.x, cursor.y + kTipOffset}, m_hWnd);
  SetTimer(m_hWnd, kTipTimer, kTipWatch, nullptr);
}

void CToolBar::HideTip() {
  if (tipCommand_ != -1 && m_hWnd != nullptr) KillTimer(m_hWnd, kTipTimer);
  tipCommand_ = -1;
  tip_.Hide();
}

BOOL CToolBar::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
  switch (message) {
    case WM_MOUSEMOVE: {
      const BOOL handled = CControlBar::OnWndMsg(message, wParam, lParam, result);
      TrackTip(POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
      return handled;
    }
    case WM_TIMER:
      if (wParam != kTipTimer) break;
      OnTipTimer();
      *result = 0;
      return TRUE;
    case WM_LBUTTONDOWN:
      HideTip();
      if (!PickUp(POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)})) break;
      *result = 0;
      return TRUE;
    case WM_LBUTTONUP:
      if (!carried_) break;
      LetGo(POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
      *result = 0;
      return TRUE;
    case WM_CAPTURECHANGED:
      carried_ = false;
      break;
    case WM_DESTROY:
      HideTip();
      break;
    default:
      break;
  }
  if (message != WM_IDLEUPDATECMDUI) return CControlBar::OnWndMsg(message, wParam, lParam, result);
  if (::IsWindowVisible(m_hWnd)) {
    // An owner of the bar's own answers for its buttons.
    CCmdTarget* target = dynamic_cast<CFrameWnd*>(GetOwner());
    if (target == nullptr) target = GetParentFrame();
    if (target == nullptr) target = GetParent();
    OnUpdateCmdUI(target, static_cast<BOOL>(wParam));
  }
  *result = 0;
  return TRUE;
}

bool CToolBar::PickUp(POINT point) {
  if (GetDockSides() == 0 || OnToolHitTest(point, nullptr) >= 0) return false;
  carried_ = true;
  ::SetCapture(m_hWnd);
  return true;
}

void CToolBar::LetGo(POINT point) {
  carried_ = false;
  if (::GetCapture() == m_hWnd) ::ReleaseCapture();
  auto* frame = dynamic_cast<CFrameWnd*>(CWnd::FromHandlePermanent(::GetParent(m_hWnd)));
  if (frame == nullptr) return;
  ::ClientToScreen(m_hWnd, &point);
  RECT place;
  ::GetWindowRect(m_hWnd, &place);
  // Let go where it was picked up, the bar stays as it is.
  if (PtInRect(place, point)) return;
  frame->DockControlBarAt(this, point);
}

void CToolCmdUI::SetStyle(UINT style) {
  const auto index = static_cast<int32_t>(m_nIndex);
  if (bar_.GetButtonStyle(index) == style) return;
  bar_.SetButtonStyle(index, style);
  ::InvalidateRect(bar_.m_hWnd, nullptr, TRUE);
}

void CToolCmdUI::Enable(BOOL enable) {
  m_bEnableChanged = TRUE;
  const UINT style = bar_.GetButtonStyle(static_cast<int32_t>(m_nIndex));
  SetStyle(enable ? (style & ~TBBS_DISABLED) : ((style | TBBS_DISABLED) & ~TBBS_PRESSED));
}

void CToolCmdUI::SetCheck(int32_t check) {
  const UINT style = bar_.GetButtonStyle(static_cast<int32_t>(m_nIndex));
  SetStyle(check != 0 ? (style | TBBS_CHECKED) : (style & ~TBBS_CHECKED));
}

void CToolBar::ArrangeButtons(BOOL horizontal) {
  const int32_t count = GetCount();
  for (int32_t i = 0; i < count; ++i) {
    const UINT style = GetButtonStyle(i);
    const UINT wanted = horizontal ? style & ~TBBS_WRAPPED : style | TBBS_WRAPPED;
    if (wanted != style) SetButtonStyle(i, wanted);
  }
}

int32_t CToolBar::OnToolHitTest(POINT point, TOOLINFO* info) const {
  const int32_t count = GetCount();
  for (int32_t i = 0; i < count; ++i) {
    const UINT id = GetItemID(i);
    if (id == ID_SEPARATOR || (GetButtonStyle(i) & TBBS_HIDDEN)) continue;
    RECT rect;
    GetItemRect(i, &rect);
    if (!PtInRect(rect, point)) continue;
    if (info != nullptr) {
      info->uFlags = 0;
      info->hwnd = m_hWnd;
      info->uId = id;
      info->rect = rect;
      info->text = GetButtonTip(i);
    }
    return static_cast<int32_t>(id);
  }
  return -1;
}

SIZE CToolBar::CalcFixedLayout(BOOL, BOOL horizontal) {
  ArrangeButtons(horizontal);
  SIZE size{0, 0};
  ::SendMessage(m_hWnd, TB_GETMAXSIZE, 0, reinterpret_cast<LPARAM>(&size));
  return size;
}
