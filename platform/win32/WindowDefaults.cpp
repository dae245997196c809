// The parts of DefWindowProc that start modal loops: menus from the mouse and from Alt keys, and
// the frame's own controls (moving by the caption, sizing by the edges, the caption boxes).

#include <algorithm>
#include <cstdlib>

#include "platform/win32/Input.h"
#include "platform/win32/Menu.h"
#include "platform/win32/MenuLayout.h"
#include "platform/win32/Message.h"
#include "platform/win32/Window.h"
#include "platform/win32/WindowInternal.h"
#include "platform/win32/WindowPaint.h"
#include "platform/win32/WindowPlacement.h"
#include "platform/win32/WindowPresenter.h"
#include "platform/win32/WindowRegion.h"

namespace {

// The last press on a caption, so that a second one soon after at the same place is a double
// click (handles are never reused, so a stale one matches nothing).
struct CaptionPress {
  HWND window = nullptr;
  DWORD time = 0;
  POINT at;
};
CaptionPress gLastCaptionPress;

bool IsCaptionDoubleClick(HWND window, POINT screen) {
  const CaptionPress last = gLastCaptionPress;
  const DWORD now = GetMessageTime();
  gLastCaptionPress = CaptionPress{window, now, screen};
  if (last.window != window || now - last.time > GetDoubleClickTime()) return false;
  if (std::abs(screen.x - last.at.x) > GetSystemMetrics(SM_CXDOUBLECLK) / 2 ||
      std::abs(screen.y - last.at.y) > GetSystemMetrics(SM_CYDOUBLECLK) / 2)
    return false;
  gLastCaptionPress.window = nullptr;
  return true;
}

// Client and frame mouse messages alike: input queued before the capture began was addressed to
// the part of the window under the cursor.
bool IsMouseMessage(UINT message) {
  return (message >= WM_MOUSEFIRST && message <= WM_MOUSELAST) ||
         (message >= WM_NCMOUSEMOVE && message <= WM_NCLBUTTONDBLCLK);
}

bool IsKeyMessage(UINT message) {
  return message >= WM_KEYFIRST && message <= WM_KEYLAST;
}

// Runs a loop with the mouse captured until the left button goes up (or Escape is pressed, or
// the window goes away), calling `move` with the cursor's screen position at every mouse move.
// Other messages are dispatched as usual. Answers whether the button went up, and where.
template <class Move>
bool TrackLeftButton(HWND window, Move move, POINT* released) {
  SetCapture(window);
  bool completed = false;
  MSG message;
  for (;;) {
    const BOOL got = GetMessage(&message, nullptr, 0, 0);
    if (got <= 0) {
      if (got == 0) PostQuitMessage(static_cast<int32_t>(message.wParam));
      break;
    }
    if (!IsWindow(window) || GetCapture() != window) {
      DispatchMessage(&message);
      break;
    }
    if (IsMouseMessage(message.message)) {
      if (message.message == WM_MOUSEMOVE || message.message == WM_NCMOUSEMOVE) move(message.pt);
      if (message.message == WM_LBUTTONUP || message.message == WM_NCLBUTTONUP) {
        *released = message.pt;
        completed = true;
        break;
      }
      continue;
    }
    if (message.message == WM_KEYDOWN && message.wParam == static_cast<WPARAM>(VK_ESCAPE)) break;
    if (IsKeyMessage(message.message)) continue;
    DispatchMessage(&message);
  }
  if (GetCapture() == window) ReleaseCapture();
  return completed;
}

// The window rectangle after the cursor moved by (dx, dy) from where a move (HTCAPTION) or a
// sizing drag of an edge or corner began.
RECT DraggedRect(RECT rect, LRESULT hit, int32_t dx, int32_t dy, SIZE minimum, SIZE maximum) {
  if (hit == HTCAPTION) {
    OffsetRect(&rect, dx, dy);
    return rect;
  }
  if (hit == HTLEFT || hit == HTTOPLEFT || hit == HTBOTTOMLEFT)
    rect.left = std::clamp(rect.left + dx, rect.right - maximum.cx, rect.right - minimum.cx);
  if (hit == HTRIGHT || hit == HTTOPRIGHT || hit == HTBOTTOMRIGHT)
    rect.right = std::clamp(rect.right + dx, rect.left + minimum.cx, rect.left + maximum.cx);
  if (hit == HTTOP || hit == HTTOPLEFT || hit == HTTOPRIGHT)
    rect.top = std::clamp(rect.top + dy, rect.bottom - maximum.cy, rect.bottom - minimum.cy);
  if (hit == HTBOTTOM || hit == HTBOTTOMLEFT || hit == HTBOTTOMRIGHT)
    rect.bottom = std::clamp(rect.bottom + dy, rect.top + minimum.cy, rect.top + maximum.cy);
  return rect;
}

// Moves or sizes the window with the mouse until the button goes up; Escape puts it back.
void TrackMoveOrSize(HWND window, LRESULT hit, POINT start) {
  const WindowRecord* record = FindWindowRecord(window);
  if (!record || record->maximized || record->minimized) return;
  const RECT original = record->rect;
  // The window's own limits (WM_GETMINMAXINFO) hold while it is dragged.
  RECT area{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  if (record->style & WS_CHILD) GetClientRect(record->parent, &area);
  const MINMAXINFO limits = QueryMinMaxInfo(window, area);
  if (!IsWindow(window)) return;
  const SIZE minimum{limits.ptMinTrackSize.x, limits.ptMinTrackSize.y};
  const SIZE maximum{std::max(minimum.cx, limits.ptMaxTrackSize.x),
                     std::max(minimum.cy, limits.ptMaxTrackSize.y)};
  const auto place = [window](const RECT& rect) {
    SetWindowPos(window, nullptr, rect.left, rect.top, rect.right - rect.left,
                 rect.bottom - rect.top, SWP_NOZORDER | SWP_NOACTIVATE);
  };
  POINT released;
  const bool completed = TrackLeftButton(
      window,
      [&](POINT at) { place(DraggedRect(original, hit, at.x - start.x, at.y - start.y, minimum, maximum)); },
      &released);
  if (!completed && IsWindow(window)) place(original);
}

void ShowBoxPressed(HWND window, LRESULT box) {
  WindowRecord* record = FindWindowRecord(window);
  if (!record || record->pressedBox == box) return;
  record->pressedBox = box;
  record->frameNeedsPaint = true;
}

// Holds a caption box down while the button is: it shows pressed while the cursor is on it, and
// acts only when the button goes up on it.
bool TrackCaptionBox(HWND window, LRESULT box) {
  const auto onBox = [window, box](POINT screen) {
    const WindowRecord* record = FindWindowRecord(window);
    if (!record) return false;
    const RECT outer = WindowScreenRect(*record);
    return PtInRect(CaptionBoxRect(*record, box),
                    POINT{screen.x - outer.left, screen.y - outer.top});
  };
  ShowBoxPressed(window, box);
  UpdateWindow(window);
  POINT released;
  const bool completed = TrackLeftButton(
      window,
      [&](POINT at) {
        ShowBoxPressed(window, onBox(at) ? box : HTNOWHERE);
        UpdateWindow(window);
      },
      &released);
  ShowBoxPressed(window, HTNOWHERE);
  return completed && onBox(released);
}

WPARAM SizeCommandOf(LRESULT hit) {
  return SC_SIZE + static_cast<WPARAM>(hit - HTLEFT + 1);
}

}  // namespace

LRESULT DefaultNonClientClick(HWND window, WPARAM hitTest, LPARAM screenPoint) {
  const POINT screen{GET_X_LPARAM(screenPoint), GET_Y_LPARAM(screenPoint)};
  const LRESULT hit = static_cast<LRESULT>(hitTest);
  if (hit == HTMENU) {
    const int32_t position = MenuBarItemAt(window, screen);
    if (position >= 0) TrackMenuBarItem(window, position);
    return 0;
  }
  SetActiveWindow(window);
  const WindowRecord* record = FindWindowRecord(window);
  if (!record) return 0;
  const bool zoomed = record->maximized;
  if (hit == HTCAPTION) {
    if (!IsCaptionDoubleClick(window, screen)) {
      SendMessage(window, WM_SYSCOMMAND, SC_MOVE + static_cast<WPARAM>(HTCAPTION), screenPoint);
    } else if (record->style & WS_MAXIMIZEBOX) {
      SendMessage(window, WM_SYSCOMMAND, zoomed ? SC_RESTORE : SC_MAXIMIZE, screenPoint);
    }
    return 0;
  }
  if (hit == HTMINBUTTON && !DesktopCanMinimize()) return 0;
  if (hit == HTCLOSE || hit == HTMINBUTTON || hit == HTMAXBUTTON) {
    if (!TrackCaptionBox(window, hit)) return 0;
    const WPARAM command = hit == HTCLOSE       ? SC_CLOSE
                           : hit == HTMINBUTTON ? SC_MINIMIZE
                           : zoomed             ? SC_RESTORE
                                                : SC_MAXIMIZE;
    SendMessage(window, WM_SYSCOMMAND, command, screenPoint);
    return 0;
  }
  if (hit >= HTLEFT && hit <= HTBOTTOMRIGHT)
    SendMessage(window, WM_SYSCOMMAND, SizeCommandOf(hit), screenPoint);
  return 0;
}

LRESULT DefaultSystemCommand(HWND window, WPARAM command, LPARAM screenPoint) {
  const POINT screen{GET_X_LPARAM(screenPoint), GET_Y_LPARAM(screenPoint)};
  switch (command & 0xFFF0) {
    case SC_CLOSE:
      SendMessage(window, WM_CLOSE, 0, 0);
      return 0;
    case SC_MINIMIZE:
      if (DesktopCanMinimize()) ShowWindow(window, SW_MINIMIZE);
      return 0;
    case SC_MAXIMIZE:
      ShowWindow(window, SW_MAXIMIZE);
      return 0;
    case SC_RESTORE:
      ShowWindow(window, SW_RESTORE);
      return 0;
    case SC_MOVE:
      TrackMoveOrSize(window, HTCAPTION, screen);
      return 0;
    case SC_SIZE: {
      const WPARAM edge = command & 0xF;
      if (edge >= 1 && edge <= 8)
        TrackMoveOrSize(window, HTLEFT + static_cast<LRESULT>(edge) - 1, screen);
      return 0;
    }
    default:
      return 0;
  }
}

LRESULT DefaultSystemKey(HWND window, WPARAM key, LPARAM) {
  const HWND top = GetAncestorTopLevel(window);
  if (key == VK_F1 + 3 && GetKeyState(VK_MENU) < 0) {  // Alt+F4
    PostMessage(top, WM_CLOSE, 0, 0);
    return 0;
  }
  const int32_t character = CharacterOfKey(static_cast<int32_t>(key));
  if (character > ' ') {
    const int32_t position = MenuBarMnemonic(top, static_cast<char>(character));
    if (position >= 0) TrackMenuBarItem(top, position);
  }
  return 0;
}
