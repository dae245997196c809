#include "platform/mfc/ToolTipWindow.h"

#include "platform/win32/Dc.h"
#include "platform/win32/Font.h"
#include "platform/win32/Window.h"
#include "platform/win32/WindowDc.h"
#include "platform/win32/WindowPaint.h"

namespace {

constexpr COLORREF kTipBackground = 0x00E1FFFF;  // pale yellow
constexpr int32_t kMargin = 3;

LRESULT TipProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message != WM_PAINT) return DefWindowProc(window, message, wParam, lParam);
  PAINTSTRUCT paint;
  const HDC dc = BeginPaint(window, &paint);
  const std::string text = GetWindowTextString(window);
  RECT rect;
  GetClientRect(window, &rect);
  rect.left += kMargin;
  SetBkMode(dc, TRANSPARENT);
  DrawText(dc, text.c_str(), static_cast<int32_t>(text.size()), &rect,
           DT_LEFT | DT_VCENTER | DT_SINGLELINE);
  EndPaint(window, &paint);
  return 0;
}

void RegisterTipClass() {
  static const bool registered = [] {
    WNDCLASS tipClass;
    tipClass.lpfnWndProc = TipProcedure;
    tipClass.background = kTipBackground;
    tipClass.lpszClassName = TToolTipWindow::kClassName;
    return RegisterClass(&tipClass) != FALSE;
  }();
  (void)registered;
}

}  // namespace

TToolTipWindow::~TToolTipWindow() {
  if (window_ != nullptr && IsWindow(window_)) DestroyWindow(window_);
}

void TToolTipWindow::Show(const std::string& text, POINT screenPoint, HWND owner) {
  if (text.empty()) {
    Hide();
    return;
  }
  if (window_ == nullptr || !IsWindow(window_)) {
    RegisterTipClass();
    window_ = CreateWindowEx(WS_EX_TOPMOST | WS_EX_NOACTIVATE, kClassName, "", WS_POPUP | WS_BORDER,
                             0, 0, 1, 1, owner, nullptr, nullptr);
    if (window_ == nullptr) return;
  }
  SetWindowText(window_, text.c_str());
  SIZE extent{0, 0};
  const HDC dc = GetDC(window_);
  GetTextExtentPoint32(dc, text.c_str(), static_cast<int32_t>(text.size()), &extent);
  ReleaseDC(window_, dc);
  SetWindowPos(window_, HWND_TOPMOST, screenPoint.x, screenPoint.y, extent.cx + 2 * kMargin + 2,
               extent.cy + 2 * kMargin, SWP_NOACTIVATE | SWP_SHOWWINDOW);
  InvalidateRect(window_, nullptr, TRUE);
}

void TToolTipWindow::Hide() {
  if (window_ != nullptr && IsWindow(window_)) ShowWindow(window_, SW_HIDE);
}

bool TToolTipWindow::Shown() const {
  return window_ != nullptr && IsWindow(window_) && IsWindowVisible(window_);
}
