#include "platform/mfc/CStatusBar.h"

#include <algorithm>

#include "platform/win32/Font.h"
#include "platform/win32/Message.h"
#include "platform/win32/Resource.h"
#include "platform/win32/StatusBar.h"
#include "platform/win32/Window.h"
#include "platform/win32/WindowDc.h"
#include "platform/win32/WindowPaint.h"

IMPLEMENT_DYNAMIC(CStatusBar, CControlBar)

namespace {

constexpr int32_t kPaneGap = 2;
constexpr int32_t kBarBorder = 3;

std::string ResourceString(UINT id) {
  char text[256];
  const HMODULE module = FindResourceModule(MAKEINTRESOURCEA(static_cast<uint16_t>(id / 16 + 1)),
                                            RT_STRING);
  if (module && LoadStringA(module, id, text, sizeof text) > 0) return text;
  return {};
}

int32_t TextWidth(HWND bar, const std::string& text) {
  const HDC dc = GetDC(bar);
  SIZE size{0, 0};
  GetTextExtentPoint32(dc, text.c_str(), static_cast<int32_t>(text.size()), &size);
  ReleaseDC(bar, dc);
  return size.cx;
}

}  // namespace

BOOL CStatusBar::Create(CWnd* parent, DWORD style, UINT id) {
  SetBarStyle((style & CBRS_ALIGN_ANY) ? (style & CBRS_ALIGN_ANY) : CBRS_BOTTOM);
  RegisterStatusBarClass();
  if (!CWnd::Create(kStatusBarClass, "", style & ~(CBRS_ALIGN_ANY | CBRS_BORDER_TOP),
                    RECT{0, 0, 0, 0}, parent, id)) {
    return FALSE;
  }
  panes_.assign(1, Pane{});
  panes_[0].style = SBPS_STRETCH | SBPS_NOBORDERS;
  UpdateParts();
  return TRUE;
}

BOOL CStatusBar::SetIndicators(const UINT* ids, int32_t count) {
  if (!ids || count <= 0) return FALSE;
  panes_.clear();
  for (int32_t i = 0; i < count; ++i) {
    Pane pane;
    pane.id = ids[i];
    if (pane.id == ID_SEPARATOR) {
      pane.style = SBPS_STRETCH | SBPS_NOBORDERS;
    } else {
      pane.text = ResourceString(pane.id);
      pane.width = TextWidth(m_hWnd, pane.text);
    }
    panes_.push_back(std::move(pane));
  }
  UpdateParts();
  return TRUE;
}

int32_t CStatusBar::CommandToIndex(UINT id) const {
  for (size_t i = 0; i < panes_.size(); ++i)
    if (panes_[i].id == id) return static_cast<int32_t>(i);
  return -1;
}

UINT CStatusBar::GetItemID(int32_t index) const {
  return Valid(index) ? panes_[static_cast<size_t>(index)].id : ID_SEPARATOR;
}

void CStatusBar::GetPaneInfo(int32_t index, UINT& id, UINT& style, int32_t& width) const {
  if (!Valid(index)) return;
  const Pane& pane = panes_[static_cast<size_t>(index)];
  id = pane.id;
  style = pane.style;
  width = pane.width;
}

void CStatusBar::SetPaneInfo(int32_t index, UINT id, UINT style, int32_t width) {
  if (!Valid(index)) return;
  Pane& pane = panes_[static_cast<size_t>(index)];
  pane.id = id;
  pane.style = style;
  pane.width = width;
  UpdateParts();
}

BOOL CStatusBar::SetPaneText(int32_t index, const char* text, BOOL update) {
  if (!Valid(index)) return FALSE;
  panes_[static_cast<size_t>(index)].text = text ? text : "";
  UpdateParts();
  if (update) ::UpdateWindow(m_hWnd);
  return TRUE;
}

std::string CStatusBar::GetPaneText(int32_t index) const {
  return Valid(index) ? panes_[static_cast<size_t>(index)].text : std::string();
}

void CStatusBar::GetItemRect(int32_t index, RECT* rect) const {
  if (!rect) return;
  *rect = RECT{0, 0, 0, 0};
  if (Valid(index)) ::SendMessage(m_hWnd, SB_GETRECT, static_cast<WPARAM>(index),
                                  reinterpret_cast<LPARAM>(rect));
}

void CStatusBar::UpdateParts() {
  if (!m_hWnd || panes_.empty()) return;
  RECT client;
  GetClientRect(&client);
  // A stretching pane takes the room the fixed widths leave, but never less than its own width.
  int32_t fixed = 0;
  for (const Pane& pane : panes_) fixed += pane.width + kPaneGap;
  const int32_t spare = std::max(0, client.right - kBarBorder - fixed);
  std::vector<int32_t> rights;
  int32_t right = 0;
  bool stretched = false;
  for (const Pane& pane : panes_) {
    right += pane.width + kPaneGap;
    if ((pane.style & SBPS_STRETCH) && !stretched) {
      right += spare;
      stretched = true;
    }
    rights.push_back(right);
  }
  ::SendMessage(m_hWnd, SB_SETPARTS, rights.size(), reinterpret_cast<LPARAM>(rights.data()));
  for (size_t i = 0; i < panes_.size(); ++i) {
    const UINT drawing = (panes_[i].style & SBPS_NOBORDERS) ? SBT_NOBORDERS : 0;
    ::SendMessage(m_hWnd, SB_SETTEXT, static_cast<WPARAM>(i) | drawing,
                  reinterpret_cast<LPARAM>(panes_[i].text.c_str()));
  }
}

SIZE CStatusBar::CalcFixedLayout(BOOL, BOOL) {
  const HDC dc = GetDC(m_hWnd);
  TEXTMETRIC metrics;
  GetTextMetrics(dc, &metrics);
  ReleaseDC(m_hWnd, dc);
  RECT parent{0, 0, 0, 0};
  if (const HWND frame = ::GetParent(m_hWnd)) ::GetClientRect(frame, &parent);
  return SIZE{parent.right, metrics.tmHeight + 2 * kBarBorder + 2};
}

LRESULT CStatusBar::OnSetText(const char* text) {
  const int32_t index = CommandToIndex(ID_SEPARATOR);
  if (index < 0) return FALSE;
  SetPaneText(index, text, TRUE);
  return TRUE;
}

BOOL CStatusBar::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
  switch (message) {
    case WM_SETTEXT:
      *result = OnSetText(reinterpret_cast<const char*>(lParam));
      return TRUE;
    case WM_GETTEXT: {
      // The message pane's text, as the window text.
      const int32_t index = CommandToIndex(ID_SEPARATOR);
      const std::string text = index < 0 ? std::string() : GetPaneText(index);
      auto* buffer = reinterpret_cast<char*>(lParam);
      if (!buffer || wParam == 0) {
        *result = 0;
        return TRUE;
      }
      const size_t copied = std::min(text.size(), static_cast<size_t>(wParam) - 1);
      text.copy(buffer, copied);
      buffer[copied] = '\0';
      *result = static_cast<LRESULT>(copied);
      return TRUE;
    }
    case WM_GETTEXTLENGTH: {
      const int32_t index = CommandToIndex(ID_SEPARATOR);
      *result = static_cast<LRESULT>(index < 0 ? 0 : GetPaneText(index).size());
      return TRUE;
    }
    case WM_SIZE:
      *result = Default();
      UpdateParts();
      return TRUE;
    default:
      return CWnd::OnWndMsg(message, wParam, lParam, result);
  }
}
