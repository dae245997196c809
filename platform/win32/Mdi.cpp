#include "platform/win32/Mdi.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <string>
#include <vector>

#include "platform/win32/Menu.h"
#include "platform/win32/Message.h"
#include "platform/win32/Window.h"

namespace {

// The client keeps its active child and the menu that lists its children in its extra bytes.
constexpr int32_t kActiveOffset = 0;
constexpr int32_t kWindowMenuOffset = sizeof(LONG_PTR);

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

HMENU StoredWindowMenu(HWND client) {
  const HMENU menu = reinterpret_cast<HMENU>(GetWindowLongPtr(client, kWindowMenuOffset));
  return menu && IsMenu(menu) ? menu : nullptr;
}

// A child's place in the list is its identifier, given again at every change of the list:
// children numbered before keep their order and new ones follow.
UINT ListNumber(HWND child) {
  const auto id = static_cast<UINT>(GetWindowLongPtr(child, GWLP_ID));
  return id >= kMdiFirstChildCommand ? id - kMdiFirstChildCommand : UINT_MAX;
}

// The shown children in list order, numbered again from the first command on.
std::vector<HWND> NumberChildren(HWND client, HWND leaving) {
  std::vector<HWND> children;
  for (HWND child = GetTopWindow(client); child; child = GetWindow(child, GW_HWNDNEXT))
    if (child != leaving && IsWindowVisible(child)) children.push_back(child);
  // Back to front: of the windows not numbered yet the oldest stands furthest back.
  std::reverse(children.begin(), children.end());
  std::stable_sort(children.begin(), children.end(),
                   [](HWND a, HWND b) { return ListNumber(a) < ListNumber(b); });
  for (size_t i = 0; i < children.size(); ++i)
    SetWindowLongPtr(children[i], GWLP_ID, static_cast<LONG_PTR>(kMdiFirstChildCommand + i));
  return children;
}

// Takes the list, and the separator before it, off the end of the menu.
void RemoveList(HMENU menu) {
  bool removed = false;
  for (int32_t last = GetMenuItemCount(menu) - 1;
       last >= 0 && IsMdiChildCommand(GetMenuItemID(menu, last)); --last) {
    DeleteMenu(menu, static_cast<UINT>(last), MF_BYPOSITION);
    removed = true;
  }
  const int32_t last = GetMenuItemCount(menu) - 1;
  if (removed && last >= 0 && (GetMenuState(menu, static_cast<UINT>(last), MF_BYPOSITION) & MF_SEPARATOR))
    DeleteMenu(menu, static_cast<UINT>(last), MF_BYPOSITION);
}

// An ampersand in a title is shown as itself, not as a mnemonic.
std::string ListedTitle(size_t index, HWND child) {
  std::string text = "&";
  text += std::to_string(index + 1);
  text += ' ';
  for (const char c : GetWindowTextString(child)) {
    text += c;
    if (c == '&') text += '&';
  }
  return text;
}

void RefreshWindowMenu(HWND client, HWND leaving = nullptr) {
  const std::vector<HWND> children = NumberChildren(client, leaving);
  const HMENU menu = StoredWindowMenu(client);
  if (!menu) return;
  RemoveList(menu);
  if (children.empty()) return;
  AppendMenu(menu, MF_SEPARATOR, 0, nullptr);
  const HWND active = StoredActive(client);
  for (size_t i = 0; i < children.size() && i < kMdiListedChildren; ++i) {
    const UINT checked = children[i] == active && active != leaving ? MF_CHECKED : MF_UNCHECKED;
    AppendMenu(menu, MF_STRING | checked, kMdiFirstChildCommand + i,
               ListedTitle(i, children[i]).c_str());
  }
}

HMENU SetWindowMenu(HWND client, HMENU frameMenu, HMENU windowMenu) {
  const HWND frame = GetParent(client);
  const HMENU before = frame ? GetMenu(frame) : nullptr;
  if (frameMenu && frame) SetMenu(frame, frameMenu);
  if (windowMenu && windowMenu != StoredWindowMenu(client)) {
    if (const HMENU old = StoredWindowMenu(client)) RemoveList(old);
    SetWindowLongPtr(client, kWindowMenuOffset, reinterpret_cast<LONG_PTR>(windowMenu));
  }
  RefreshWindowMenu(client);
  return before;
}

void ActivateListed(HWND client, UINT command) {
  for (HWND child = GetTopWindow(client); child; child = GetWindow(child, GW_HWNDNEXT)) {
    if (static_cast<UINT>(GetWindowLongPtr(child, GWLP_ID)) != command || !IsWindowVisible(child))
      continue;
    if (IsIconic(child)) ShowWindow(child, SW_RESTORE);
    SendMessage(client, WM_MDIACTIVATE, reinterpret_cast<WPARAM>(child), 0);
    return;
  }
}

// The keyboard goes to the active document window, unless a box or dialog holds the program
// (its frame disabled meanwhile, a script acting behind it): the frame hands it on when it
// becomes active again.
void FocusDocument(HWND client, HWND child) {
  if (!IsWindowEnabled(GetParent(client))) return;
  if (GetFocus() == child || IsChild(child, GetFocus())) return;
  SetFocus(child);
}

void Activate(HWND client, HWND child) {
  if (!IsDocumentOf(client, child)) return;
  const HWND old = StoredActive(client);
  if (old == child) {
    SetWindowPos(child, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    FocusDocument(client, child);
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
  if (IsWindow(child)) FocusDocument(client, child);
  RefreshWindowMenu(client);
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

// The frontmost shown document window other than `leaving`, or null.
HWND FrontmostOther(HWND client, HWND leaving) {
  for (HWND other = GetTopWindow(client); other; other = GetWindow(other, GW_HWNDNEXT)) {
    if (other != leaving && IsWindowVisible(other)) return other;
  }
  return nullptr;
}

// The active document window goes out of sight: the frontmost other one becomes active, or, with
// none left, no document window is active and the leaving one is told so.
void HandOverActivation(HWND client, HWND leaving) {
  if (const HWND other = FrontmostOther(client, leaving)) {
    Activate(client, other);
    return;
  }
  StoreActive(client, nullptr);
  SendMessage(leaving, WM_NCACTIVATE, FALSE, 0);
  SendMessage(leaving, WM_MDIACTIVATE, reinterpret_cast<WPARAM>(leaving), 0);
  RefreshWindowMenu(client);
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
    case WM_MDISETMENU:
      return reinterpret_cast<LRESULT>(SetWindowMenu(client, reinterpret_cast<HMENU>(wParam),
                                                     reinterpret_cast<HMENU>(lParam)));
    case WM_MDIREFRESHMENU: {
      RefreshWindowMenu(client);
      const HWND frame = GetParent(client);
      return reinterpret_cast<LRESULT>(frame ? GetMenu(frame) : nullptr);
    }
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
  windowClass.cbWndExtra = 2 * sizeof(LONG_PTR);
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
    case WM_SHOWWINDOW:
      // A hidden document window is no longer the one the frame's menus act on.
      if (wParam == FALSE && StoredActive(client) == child) HandOverActivation(client, child);
      return DefWindowProc(child, message, wParam, lParam);
    case WM_DESTROY:
      if (StoredActive(client) == child) {
        StoreActive(client, nullptr);
        if (const HWND other = FrontmostOther(client, child)) Activate(client, other);
      }
      RefreshWindowMenu(client, child);
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
  if (client && message == WM_COMMAND && lParam == 0 && IsMdiChildCommand(LOWORD(wParam))) {
    ActivateListed(client, LOWORD(wParam));
    return 0;
  }
  if (client && message == WM_SETFOCUS) {
    const HWND active = reinterpret_cast<HWND>(SendMessage(client, WM_MDIGETACTIVE, 0, 0));
    SetFocus(active ? active : client);
    return 0;
  }
  return DefWindowProc(frame, message, wParam, lParam);
}
