#include "app/frames/SplashWindow.h"

#include <cstring>
#include <string>
#include <vector>

#include "core/Resources.h"
#include "platform/mfc/CWinApp.h"
#include "platform/win32/Bitmap.h"
#include "platform/win32/Cursor.h"
#include "platform/win32/Dc.h"
#include "platform/win32/Font.h"
#include "platform/win32/Gdi.h"
#include "platform/win32/GdiObjects.h"
#include "platform/win32/MessageBox.h"
#include "platform/win32/Timer.h"
#include "platform/win32/Version.h"
#include "platform/win32/Window.h"
#include "platform/win32/WindowDc.h"
#include "platform/win32/WindowPaint.h"
#include "views/furniture/ResourceBitmaps.h"

namespace {

constexpr char kSplashClass[] = "YarrowbySplash";
constexpr int16_t kPicture = 106;
constexpr UINT_PTR kHideTimer = 1;
constexpr UINT kShowMilliseconds = 3000;
constexpr int32_t kWindowColour = 5;
constexpr int32_t kWindowTextColour = 8;
constexpr UINT kNcRightButtonDown = 0x00A4;
constexpr UINT kNcMiddleButtonDown = 0x00A7;
constexpr UINT kCentredTop = 6;
constexpr char kStringFileInfo[] = "\\StringFileInfo\\040904b0\\";
// The lines over the picture, top down: name, version, the two notices, address, postal code.
constexpr const char* kLineKeys[] = {"InternalName",    "ProductVersion", "LegalCopyright",
                                     "LegalTrademarks", "MailingAddress", "ZIPCode"};
constexpr char kSolverNoticeKey[] = "SolverNotice";

// The one splash window and what it shows.
struct SplashState {
  bool enabled = false;
  HWND window = nullptr;
  HBITMAP picture = nullptr;
  std::vector<uint8_t> versionBlock;
};

SplashState& Splash() {
  static SplashState state;
  return state;
}

void ReadVersionBlock(std::vector<uint8_t>& block) {
  block.clear();
  const HMODULE module = GetResourceModule1();
  const uint32_t size = GetFileVersionInfoSize(module);
  // A block of size 0 writes no lines.
  if (size == 0) return;
  block.assign(size + 1u, 0);
  if (!GetFileVersionInfo(module, size + 1u, block.data())) block.clear();
}

std::string VersionText(const std::vector<uint8_t>& block, const char* key) {
  std::string text;
  if (block.empty()) return text;
  VerQueryValueText(block.data(), static_cast<uint32_t>(block.size()),
                    std::string(kStringFileInfo) + key, &text);
  return text;
}

HFONT MakeLineFont() {
  LOGFONT font;
  font.lfHeight = 12;
  std::strncpy(font.lfFaceName, "MS Sans Serif", sizeof font.lfFaceName - 1);
  return CreateFontIndirect(&font);
}

void WriteLine(HDC dc, int32_t y, const std::string& text) {
  if (!text.empty())
    TextOut(dc, kSplashTextCentre, y, text.c_str(), static_cast<int32_t>(text.size()));
}

void Paint(HWND window) {
  SplashState& splash = Splash();
  // The picture first, with its own palette, straight into the window; then the lines over it.
  DrawResourceBitmap(window, 0, 0, kPicture);
  PAINTSTRUCT paint;
  const HDC dc = BeginPaint(window, &paint);
  const HFONT lineFont = MakeLineFont();
  const HGDIOBJ previousFont = SelectObject(dc, lineFont);
  SetTextAlign(dc, kCentredTop);
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, GetSysColor(kWindowTextColour));
  int32_t y = kSplashFirstLine;
  for (const char* key : kLineKeys) {
    WriteLine(dc, y, VersionText(splash.versionBlock, key));
    y += kSplashLineStep;
  }
  const HFONT noticeFont = MakeLineFont();
  SelectObject(dc, noticeFont);
  WriteLine(dc, kSplashSolverLine, VersionText(splash.versionBlock, kSolverNoticeKey));
  SelectObject(dc, previousFont);
  DeleteObject(lineFont);
  DeleteObject(noticeFont);
  EndPaint(window, &paint);
}

LRESULT SplashProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_PAINT:
      Paint(window);
      return 0;
    case WM_ERASEBKGND:
      // The picture covers the whole window: erasing would only wipe what was drawn.
      return 1;
    case WM_TIMER:
      if (wParam != kHideTimer) return 0;
      // An alert shown over the splash (a document named at start that cannot be read) is owned
      // by it and would go with it: the splash only steps out of view until the alert is
      // answered, and goes at the next tick after that.
      if (GetMessageBoxWindow() != nullptr) {
        ShowWindow(window, SW_HIDE);
        return 0;
      }
      HideSplashScreen();
      return 0;
    case WM_DESTROY: {
      SplashState& splash = Splash();
      KillTimer(window, kHideTimer);
      if (splash.window == window) splash.window = nullptr;
      if (splash.picture != nullptr) DeleteObject(splash.picture);
      splash.picture = nullptr;
      splash.versionBlock.clear();
      return 0;
    }
    default:
      return DefWindowProc(window, message, wParam, lParam);
  }
}

bool IsPress(UINT message) {
  switch (message) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
    case WM_NCLBUTTONDOWN:
    case kNcRightButtonDown:
    case kNcMiddleButtonDown:
      return true;
    default:
      return false;
  }
}

}  // namespace

void EnableSplashScreen(bool enabled) {
  Splash().enabled = enabled;
}

void ShowSplashScreen(HWND parent) {
  SplashState& splash = Splash();
  if (!splash.enabled || splash.window != nullptr) return;
  splash.picture = LoadBitmap(GetResourceModule1(), MAKEINTRESOURCEA(static_cast<uint16_t>(kPicture)));
  if (splash.picture == nullptr) return;
  BITMAP size;
  GetObject(splash.picture, sizeof size, &size);
  WNDCLASS windowClass;
  windowClass.lpfnWndProc = SplashProc;
  windowClass.hCursor = LoadCursor(nullptr, IDC_ARROW);
  windowClass.background = GetSysColor(kWindowColour);
  windowClass.lpszClassName = kSplashClass;
  RegisterClass(&windowClass);
  ReadVersionBlock(splash.versionBlock);
  // In front of every window but alerts until it goes: the main frame, shown later in the
  // start-up, would otherwise cover it at once.
  const HWND window =
      CreateWindowEx(WS_EX_TOPMOST, kSplashClass, "", WS_POPUP | WS_BORDER | WS_VISIBLE, 0, 0,
                     size.bmWidth, size.bmHeight, parent, nullptr, nullptr);
  if (window == nullptr) {
    DeleteObject(splash.picture);
    splash.picture = nullptr;
    splash.versionBlock.clear();
    return;
  }
  splash.window = window;
  RECT rect;
  GetWindowRect(window, &rect);
  const int32_t width = rect.right - rect.left;
  const int32_t height = rect.bottom - rect.top;
  SetWindowPos(window, nullptr, (GetSystemMetrics(SM_CXSCREEN) - width) / 2,
               (GetSystemMetrics(SM_CYSCREEN) - height) / 2, 0, 0,
               SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  SetTimer(window, kHideTimer, kShowMilliseconds, nullptr);
  UpdateWindow(window);
}

void PreTranslateSplashMessage(const MSG& message) {
  if (Splash().window != nullptr && IsPress(message.message)) HideSplashScreen();
}

void HideSplashScreen() {
  const HWND window = Splash().window;
  if (window == nullptr) return;
  DestroyWindow(window);
  Splash().window = nullptr;
  if (CWinApp* application = CWinApp::Current();
      application != nullptr && application->m_pMainWnd != nullptr &&
      IsWindow(application->m_pMainWnd->m_hWnd)) {
    UpdateWindow(application->m_pMainWnd->m_hWnd);
  }
}

HWND SplashWindow() {
  return Splash().window;
}
