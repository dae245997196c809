#include "platform/win32/Mdi.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "platform/win32/Message.h"
#include "platform/win32/Window.h"

namespace {

// The client keeps its active child in its extra bytes.
constexpr int32_t kActiveOffset = 0;

bool IsMdiClient(HWND window) {
  char name[16] = {};
  GetClassName(window, name, sizeof name);
  return std::string(name) == kMdiClientClass;
}

bool IsDocumentOf(HWND client, HWND child) {
  return child && IsWindow(child) && GetParent(child) == client;
}

HWND StoredActive(HWND client) {
  const HWND active = reinterpret_cast<HWND>(GetWindowLongPtr(client, kActiveOffset));
  return IsDocumentOf(client, active) ? active : nullptr;
}

void StoreActive(HWND client, HWND child) {
  SetWindowLongPtr(client, kActiveOffset, reinterpret_cast<LONG_PTR>(child));
}

// The shown children front to back.
std::vector<HWND> ShownChildren(HWND client, bool withMinimised) {
  std::vector<HWND> out;
  for (HWND child = GetTopWindow(client); child; child = GetWindow(child, GW_HWNDNEXT)) {
    if (!IsWindowVisible(child)) continue;
    if (!withMinimised && IsIconic(child)) continue;
    out.push_back(child);
  }
  return out;
}

void Activate(HWND client, HWND child) {
  if (!IsDocumentOf(client, child)) return;
  const HWND old = StoredActive(client);
  if (old == child) {
    SetWindowPos(child, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    if (!IsChild(child, GetFocus()) && GetFocus() != child) SetFocus(child);
    return;
  }
  const bool handOverMaximised = old && IsZoomed(old);
  StoreActive(client, child);
  if (old) {
    SendMessage(old, WM_NCACTIVATE, FALSE, 0);
    SendMessage(old, WM_MDIACTIVATE, reinterpret_cast<WPARAM>(old),
                reinterpret_cast<LPARAM>(child));
  }
  if (!IsWindow(child)) return;
  if (handOverMaximised && IsWindow(old)) {
    ShowWindow(child, SW_MAXIMIZE);
    ShowWindow(old, SW_RESTORE);
  }
  SetWindowPos(child, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  SendMessage(child, WM_NCACTIVATE, TRUE, 0);
  SendMessage(child, WM_MDIACTIVATE, reinterpret_cast<WPARAM>(old),
              reinterpret_cast<LPARAM>(child));
  if (IsWindow(child) && !IsChild(child, GetFocus())) SetFocus(child);
}

void RestoreMaximised(HWND client) {
  for (HWND child : ShownChildren(client, false))
    if (IsZoomed(child)) ShowWindow(child, SW_RESTORE);
}

void Tile(HWND client, WPARAM how) {
  RestoreMaximised(client);
  const std::vector<HWND> children = ShownChildren(client, false);
  if (children.empty()) return;
  RECT area;
  GetClientRect(client, &area);
  const int32_t count = static_cast<int32_t>(children.size());
  int32_t columns = static_cast<int32_t>(std::ceil(std::sqrt(static_cast<double>(count))));
  int32_t rows = (count + columns - 1) / columns;
  if (how & MDITILE_HORIZONTAL) std::swap(columns, rows);
  const int32_t width = std::max<int32_t>(1, area.right / columns);
  const int32_t height = std::max<int32_t>(1, area.bottom / rows);
  for (int32_t i = 0; i < count; ++i) {
    const int32_t column = (how & MDITILE_HORIZONTAL) ? i / rows : i % columns;
    const int32_t row = (how & MDITILE_HORIZONTAL) ? i % rows : i / columns;
    MoveWindow(children[static_cast<size_t>(i)], column * width, row * height, width, height,
               TRUE);
  }
}

void Cascade(HWND client) {
  RestoreMaximised(client);
  std::vector<HWND> children = ShownChildren(client, false);
  if (children.empty()) return;
  std::reverse(children.begin(), children.end());  // the front window ends at the front
  RECT area;
  GetClientRect(client, &area);
  const int32_t step = GetSystemMetrics(SM_CYCAPTION) + GetSystemMetrics(SM_CYFRAME);
  const int32_t count = static_cast<int32_t>(children.size());
  const int32_t width = std::max(area.right - step * (count - 1), area.right * 2 / 3);
  const int32_t height = std::max(area.bottom - step * (count - 1), area.bottom * 2 / 3);
  for (int32_t i = 0; i < count; ++i) {
    const int32_t offset = (i * step) % std::max(1, area.bottom / 2);
    const HWND child = children[static_cast<size_t>(i)];
    MoveWindow(child, offset, offset, width, height, TRUE);
    SetWindowPos(child, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  }
}

void ArrangeIcons(HWND client) {
  RECT area;
  GetClientRect(client, &area);
  const int32_t width = 160;
  const int32_t height = GetSystemMetrics(SM_CYCAPTION) + 2 * GetSystemMetrics(SM_CYFRAME);
  int32_t x = 0;
  int32_t y = area.bottom - height;
  for (HWND child : ShownChildren(client, true)) {
    if (!IsIconic(child)) continue;
    if (x > 0 && x + width > area.right) {
      x = 0;
      y -= height;
    }
    MoveWindow(child, x, y, width, height, TRUE);
    x += width;
  }
}

void ActivateNext(HWND client, HWND from, bool previous) {
  std::vector<HWND> children = ShownChildren(client, true);
  if (children.size() < 2) return;
  auto at = std::find(children.begin(), children.end(), from);
  if (at == children.end()) return;
  HWND next = nullptr;
  if (previous) {
    next = children.back();
  } else {
    ++at;
    next = at == children.end() ? children.front() : *at;
  }
  Activate(client, next);
  // The window left behind goes to the back, so that repeated steps visit every window.
  if (!previous && IsWindow(from))
    SetWindowPos(from, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

LRESULT MdiClientProc(HWND client, UINT message, WPARAM wParam, LPARAM lParam) {
  const HWND child = reinterpret_cast<HWND>(wParam);
  switch (message) {
    case WM_MDIACTIVATE:
      Activate(client, child);
      return 0;
    case WM_MDIGETACTIVE: {
      const HWND active = StoredActive(client);
      if (lParam) *reinterpret_cast<BOOL*>(lParam) = active && IsZoomed(active) ? TRUE : FALSE;
      return reinterpret_cast<LRESULT>(active);
    }
    case WM_MDIMAXIMIZE:
      if (!IsDocumentOf(client, child)) return 0;
      ShowWindow(child, SW_MAXIMIZE);
      Activate(client, child);
      return 0;
    case WM_MDIRESTORE:
      if (IsDocumentOf(client, child)) ShowWindow(child, SW_RESTORE);
      return 0;
    case WM_MDIDESTROY:
      if (IsDocumentOf(client, child)) DestroyWindow(child);
      return 0;
    case WM_MDINEXT:
      ActivateNext(client, child ? child : StoredActive(client), lParam != 0);
      return 0;
    case WM_MDITILE:
      Tile(client, wParam);
      return TRUE;
    case WM_MDICASCADE:
      Cascade(client);
      return TRUE;
    case WM_MDIICONARRANGE:
      ArrangeIcons(client);
      return 0;
    case WM_SIZE: {
      const HWND active = StoredActive(client);
      if (active && IsZoomed(active)) MoveWindow(active, 0, 0, LOWORD(lParam), HIWORD(lParam), TRUE);
      return 0;
    }
    default:
      return DefWindowProc(client, message, wParam, lParam);
  }
}

HWND ClientOf(HWND child) {
  const HWND parent = GetParent(child);
  return parent && IsMdiClient(parent) ? parent : nullptr;
}

}  // namespace

void RegisterMdiClientClass() {
  if (GetClassInfo(kMdiClientClass, nullptr)) return;
  WNDCLASS windowClass;
  windowClass.lpfnWndProc = MdiClientProc;
  windowClass.lpszClassName = kMdiClientClass;
  windowClass.cbWndExtra = sizeof(LONG_PTR);
  windowClass.background = kMdiWorkspaceColour;
  RegisterClass(&windowClass);
}

LRESULT DefMDIChildProc(HWND child, UINT message, WPARAM wParam, LPARAM lParam) {
  const HWND client = ClientOf(child);
  if (!client) return DefWindowProc(child, message, wParam, lParam);
  switch (message) {
    case WM_CHILDACTIVATE:
    case WM_SETFOCUS:
      if (StoredActive(client) != child) SendMessage(client, WM_MDIACTIVATE, reinterpret_cast<WPARAM>(child), 0);
      return 0;
    case WM_MOUSEACTIVATE:
      if (StoredActive(client) != child)
        SendMessage(client, WM_MDIACTIVATE, reinterpret_cast<WPARAM>(child), 0);
      return MA_ACTIVATE;
    case WM_NCLBUTTONDOWN:
      if (StoredActive(client) != child)
        SendMessage(client, WM_MDIACTIVATE, reinterpret_cast<WPARAM>(child), 0);
      return DefWindowProc(child, message, wParam, lParam);
    case WM_SYSCOMMAND:
      switch (wParam & 0xFFF0) {
        case SC_MAXIMIZE:
          SendMessage(client, WM_MDIMAXIMIZE, reinterpret_cast<WPARAM>(child), 0);
          return 0;
        case SC_RESTORE:
          SendMessage(client, WM_MDIRESTORE, reinterpret_cast<WPARAM>(child), 0);
          return 0;
        default:
          return DefWindowProc(child, message, wParam, lParam);
      }
    case WM_DESTROY:
      if (StoredActive(client) == child) {
        StoreActive(client, nullptr);
        for (HWND other = GetTopWindow(client); other; other = GetWindow(other, GW_HWNDNEXT)) {
          if (other != child && IsWindowVisible(other)) {
            Activate(client, other);
            break;
          }
        }
      }
      return DefWindowProc(child, message, wParam, lParam);
    default:
      return DefWindowProc(child, message, wParam, lParam);
  }
}

LRESULT DefFrameProc(HWND frame, HWND client, UINT message, WPARAM wParam, LPARAM lParam) {
  if (client && message == WM_SIZE) {
    RECT area;
    GetClientRect(frame, &area);
    MoveWindow(client, 0, 0, area.right, area.bottom, TRUE);
    return 0;
  }
  if (client && message == WM_SETFOCUS) {
    const HWND active = reinterpret_cast<HWND>(SendMessage(client, WM_MDIGETACTIVE, 0, 0));
    SetFocus(active ? active : client);
    return 0;
  }
  return DefWindowProc(frame, message, wParam, lParam);
}
