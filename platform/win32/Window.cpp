#include "platform/win32/Window.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <map>
#include <unordered_map>

#include "platform/win32/Cursor.h"
#include "platform/win32/Input.h"
#include "platform/win32/Menu.h"
#include "platform/win32/ScrollBar.h"
#include "platform/win32/WindowInternal.h"
#include "platform/win32/WindowPaint.h"
#include "platform/win32/WindowPlacement.h"
#include "platform/win32/WindowPresenter.h"

namespace {

constexpr int32_t kCaptionHeight = 20;
constexpr int32_t kMenuBarHeight = 20;
constexpr int32_t kThickFrame = 4;
constexpr int32_t kDialogFrame = 3;
constexpr int32_t kClientEdge = 2;
constexpr int32_t kScrollBarSize = 16;

struct WindowSystem {
  std::map<std::string, WNDCLASS> classes;  // by lower-case name
  std::map<std::string, std::string> classNames;
  std::unordered_map<uintptr_t, std::unique_ptr<WindowRecord>> windows;
  uintptr_t nextHandle = 0x10000;
  HWND desktop = nullptr;
  WindowRecord* desktopRecord = nullptr;  // never destroyed once made
  HWND active = nullptr;
  HWND focus = nullptr;
  int32_t screenWidth = 1280;
  int32_t screenHeight = 800;
  int32_t cascade = 0;
  WindowPresenter* presenter = nullptr;
  CreateWindowHook createHook = nullptr;
};

WindowSystem& System() {
  static WindowSystem system;
  return system;
}

uint64_t& LayoutGeneration() {
  static uint64_t generation = 0;
  return generation;
}

// Visible areas by window, worked out for the current layout.
struct VisibleAreaCache {
  uint64_t generation = UINT64_MAX;
  std::unordered_map<uintptr_t, WindowArea> client;
  std::unordered_map<uintptr_t, WindowArea> whole;
};

VisibleAreaCache& AreaCache() {
  static VisibleAreaCache cache;
  return cache;
}

std::string Lower(const char* text) {
  std::string out(text ? text : "");
  for (char& c : out)
    c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

HWND NewHandle() {
  return reinterpret_cast<HWND>(System().nextHandle++);
}

WindowRecord& Desktop() {
  WindowSystem& system = System();
  if (system.desktopRecord) return *system.desktopRecord;
  if (!system.desktop) {
    auto record = std::make_unique<WindowRecord>();
    record->handle = NewHandle();
    record->className = "#32769";
    record->style = WS_VISIBLE;
    record->rect = {0, 0, system.screenWidth, system.screenHeight};
    NoteWindowLayoutChanged();
    system.desktop = record->handle;
    system.windows.emplace(reinterpret_cast<uintptr_t>(record->handle), std::move(record));
  }
  system.desktopRecord = system.windows.at(reinterpret_cast<uintptr_t>(system.desktop)).get();
  return *system.desktopRecord;
}

bool IsTopLevel(const WindowRecord& record) {
  return record.parent == Desktop().handle;
}

void Notify(HWND window, void (WindowPresenter::*event)(HWND)) {
  WindowRecord* record = FindWindowRecord(window);
  WindowPresenter* presenter = System().presenter;
  if (record && presenter && IsTopLevel(*record)) (presenter->*event)(window);
}

void RemoveFromSiblings(WindowRecord& record) {
  NoteWindowLayoutChanged();
  WindowRecord* parent = FindWindowRecord(record.parent);
  if (!parent) return;
  auto& list = parent->children;
  list.erase(std::remove(list.begin(), list.end(), record.handle), list.end());
}

// Owned top-level windows stay in front of their owner (dialogs, floating tool windows, tips):
// those that are behind it move, in their order among themselves, to just in front of it, and
// so on for the windows they own.
void KeepOwnedInFront(HWND owner) {
  auto& list = Desktop().children;
  std::vector<HWND> owned;
  for (HWND top : list) {
    const WindowRecord* other = FindWindowRecord(top);
    if (other && other->owner == owner) owned.push_back(top);
  }
  if (owned.empty()) return;
  const auto ownerAt = std::find(list.begin(), list.end(), owner);
  if (ownerAt == list.end()) return;
  std::vector<HWND> behind;
  for (auto it = ownerAt + 1; it != list.end(); ++it)
    if (std::find(owned.begin(), owned.end(), *it) != owned.end()) behind.push_back(*it);
  if (!behind.empty()) {
    NoteWindowLayoutChanged();
    for (HWND window : behind)
      list.erase(std::find(list.begin(), list.end(), window));
    list.insert(std::find(list.begin(), list.end(), owner), behind.begin(), behind.end());
  }
  for (HWND window : owned)
    KeepOwnedInFront(window);
}

// Puts the window at `position` among its siblings: HWND_TOP, HWND_BOTTOM or after a sibling.
void InsertInZOrder(WindowRecord& record, HWND insertAfter) {
  auto& list = FindWindowRecord(record.parent)->children;
  if (insertAfter == HWND_BOTTOM) {
    list.push_back(record.handle);
    return;
  }
  if (insertAfter == HWND_TOPMOST) record.exStyle |= WS_EX_TOPMOST;
  if (insertAfter == HWND_NOTOPMOST) record.exStyle &= ~WS_EX_TOPMOST;
  auto after = std::find(list.begin(), list.end(), insertAfter);
  if (after != list.end()) {
    list.insert(after + 1, record.handle);
    return;
  }
  // To the top, but behind the topmost windows unless it is one of them.
  auto position = list.begin();
  if (!(record.exStyle & WS_EX_TOPMOST)) {
    while (position != list.end()) {
      const WindowRecord* sibling = FindWindowRecord(*position);
      if (!sibling || !(sibling->exStyle & WS_EX_TOPMOST)) break;
      ++position;
    }
  }
  list.insert(position, record.handle);
}

void PlaceInZOrder(WindowRecord& record, HWND insertAfter) {
  NoteWindowLayoutChanged();
  if (!FindWindowRecord(record.parent)) return;
  RemoveFromSiblings(record);
  InsertInZOrder(record, insertAfter);
  if (!IsTopLevel(record)) return;
  KeepOwnedInFront(record.handle);
  if (record.owner) KeepOwnedInFront(record.owner);
}

void CollectSubtree(HWND window, std::vector<HWND>& out) {
  WindowRecord* record = FindWindowRecord(window);
  if (!record) return;
  out.push_back(window);
  for (HWND child : record->children)
    CollectSubtree(child, out);
}

void SendDestroyMessages(HWND window) {
  WindowRecord* record = FindWindowRecord(window);
  if (!record) return;
  DeliverMessage(window, WM_DESTROY, 0, 0);
  record = FindWindowRecord(window);
  if (!record) return;
  const std::vector<HWND> children = record->children;
  for (HWND child : children)
    SendDestroyMessages(child);
}

void SendNcDestroyMessages(HWND window) {
  WindowRecord* record = FindWindowRecord(window);
  if (!record) return;
  const std::vector<HWND> children = record->children;
  for (HWND child : children)
    SendNcDestroyMessages(child);
  DeliverMessage(window, WM_NCDESTROY, 0, 0);
}

bool CanBecomeActive(const WindowRecord& record) {
  return (record.style & WS_VISIBLE) && !(record.style & WS_DISABLED) && !record.destroying &&
         !(record.exStyle & WS_EX_NOACTIVATE);
}

HWND NextWindowToActivate(HWND leaving) {
  WindowRecord* record = FindWindowRecord(leaving);
  if (record && record->owner) {
    WindowRecord* owner = FindWindowRecord(record->owner);
    if (owner && CanBecomeActive(*owner)) return owner->handle;
  }
  for (HWND candidate : Desktop().children) {
    if (candidate == leaving) continue;
    WindowRecord* other = FindWindowRecord(candidate);
    if (other && CanBecomeActive(*other)) return candidate;
  }
  return nullptr;
}

ScrollState* ScrollOf(HWND window, int32_t bar) {
  WindowRecord* record = FindWindowRecord(window);
  if (!record) return nullptr;
  // A scroll-bar control keeps its own state where a window keeps its horizontal bar's.
  if (bar == SB_CTL)
    return record->className == kScrollBarClass ? &record->scroll[SB_HORZ] : nullptr;
  if (bar != SB_HORZ && bar != SB_VERT) return nullptr;
  return &record->scroll[bar];
}

void ClampScroll(ScrollState& state) {
  const int32_t span = state.page > 0 ? static_cast<int32_t>(state.page) - 1 : 0;
  const int32_t highest = std::max(state.minimum, state.maximum - span);
  state.position = std::clamp(state.position, state.minimum, highest);
}

void SendSizeAndMove(HWND window, WPARAM kind) {
  WindowRecord* record = FindWindowRecord(window);
  if (!record) return;
  RECT client;
  GetClientRect(window, &client);
  const RECT insets = NonClientInsets(*record);
  DeliverMessage(window, WM_SIZE, kind, MAKELPARAM(client.right, client.bottom));
  if (!IsWindow(window)) return;
  DeliverMessage(window, WM_MOVE, 0,
                 MAKELPARAM(record->rect.left + insets.left, record->rect.top + insets.top));
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Shared with the rest of the layer.

WindowRecord* FindWindowRecord(HWND window) {
  if (!window) return nullptr;
  Desktop();
  auto& windows = System().windows;
  auto found = windows.find(reinterpret_cast<uintptr_t>(window));
  return found == windows.end() ? nullptr : found->second.get();
}

int32_t FrameWidth(const WindowRecord& record) {
  // A sunken client edge lies inside whatever frame the window has.
  const int32_t edge = (record.exStyle & WS_EX_CLIENTEDGE) ? kClientEdge : 0;
  if (record.style & WS_THICKFRAME) return kThickFrame + edge;
  if (record.style & WS_DLGFRAME || record.exStyle & WS_EX_DLGMODALFRAME)
    return kDialogFrame + edge;
  if (record.style & WS_BORDER) return 1 + edge;
  return edge;
}

RECT NonClientInsets(const WindowRecord& record) {
  RECT insets;
  const int32_t frame = FrameWidth(record);
  insets.left = insets.top = insets.right = insets.bottom = frame;
  if ((record.style & WS_CAPTION) == WS_CAPTION) insets.top += kCaptionHeight;
  if (record.menu && !(record.style & WS_CHILD)) insets.top += kMenuBarHeight;
  if (record.style & WS_VSCROLL) insets.right += kScrollBarSize;
  if (record.style & WS_HSCROLL) insets.bottom += kScrollBarSize;
  return insets;
}

RECT WindowScreenRect(const WindowRecord& record) {
  RECT rect = record.rect;
  const WindowRecord* parent = FindWindowRecord(record.parent);
  if (parent) {
    const RECT origin = ClientScreenRect(*parent);
    OffsetRect(&rect, origin.left, origin.top);
  }
  return rect;
}

RECT ClientScreenRect(const WindowRecord& record) {
  RECT rect = WindowScreenRect(record);
  const RECT insets = NonClientInsets(record);
  rect.left += insets.left;
  rect.top += insets.top;
  rect.right = std::max(rect.left, rect.right - insets.right);
  rect.bottom = std::max(rect.top, rect.bottom - insets.bottom);
  return rect;
}

bool IsShownOnScreen(const WindowRecord& record) {
  const WindowRecord* walk = &record;
  while (walk) {
    if (!(walk->style & WS_VISIBLE)) return false;
    walk = FindWindowRecord(walk->parent);
  }
  return true;
}

std::vector<HWND> AllWindows() {
  std::vector<HWND> out;
  for (HWND top : Desktop().children)
    CollectSubtree(top, out);
  return out;
}

LRESULT DeliverMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  WindowRecord* record = FindWindowRecord(window);
  if (!record || !record->procedure) return 0;
  return record->procedure(window, message, wParam, lParam);
}

void NoteWindowLayoutChanged() {
  SettleWindowContexts();
  ++LayoutGeneration();
}

uint64_t WindowLayoutGeneration() {
  return LayoutGeneration();
}

namespace {

WindowArea ComputeVisibleScreenArea(const WindowRecord& record, bool wholeWindow);

}  // namespace

WindowArea VisibleScreenArea(const WindowRecord& record, bool wholeWindow) {
  VisibleAreaCache& cache = AreaCache();
  if (cache.generation != LayoutGeneration()) {
    cache.client.clear();
    cache.whole.clear();
    cache.generation = LayoutGeneration();
  }
  auto& areas = wholeWindow ? cache.whole : cache.client;
  const auto key = reinterpret_cast<uintptr_t>(record.handle);
  const auto found = areas.find(key);
  if (found != areas.end()) return found->second;
  WindowArea area = ComputeVisibleScreenArea(record, wholeWindow);
  areas.emplace(key, area);
  return area;
}

namespace {

WindowArea ComputeVisibleScreenArea(const WindowRecord& record, bool wholeWindow) {
  WindowArea area;
  if (!IsShownOnScreen(record) || record.minimized) return area;
  area.Add(wholeWindow ? WindowScreenRect(record) : ClientScreenRect(record));
  // Inside every ancestor's client area; siblings in front clip when asked to.
  const WindowRecord* child = &record;
  const WindowRecord* parent = FindWindowRecord(record.parent);
  const HWND desktop = Desktop().handle;
  while (parent) {
    // Siblings are placed in the parent's client area: its corner is worked out once.
    const RECT parentClient = ClientScreenRect(*parent);
    if (parent->handle != desktop) area.IntersectWith(parentClient);
    if (child->style & WS_CLIPSIBLINGS || parent->handle == desktop) {
      std::vector<RECT> front;
      for (HWND sibling : parent->children) {
        if (sibling == child->handle) break;
        const WindowRecord* other = FindWindowRecord(sibling);
        if (!other || !(other->style & WS_VISIBLE)) continue;
        RECT rect = other->rect;
        OffsetRect(&rect, parentClient.left, parentClient.top);
        front.push_back(rect);
      }
      area.SubtractAll(front);
    }
    child = parent;
    parent = FindWindowRecord(parent->parent);
  }
  if (record.style & WS_CLIPCHILDREN || !wholeWindow) {
    if (record.style & WS_CLIPCHILDREN) {
      const RECT client = ClientScreenRect(record);
      std::vector<RECT> inside;
      for (HWND handle : record.children) {
        const WindowRecord* inner = FindWindowRecord(handle);
        if (!inner || !(inner->style & WS_VISIBLE)) continue;
        RECT rect = inner->rect;
        OffsetRect(&rect, client.left, client.top);
        inside.push_back(rect);
      }
      area.SubtractAll(inside);
    }
  }
  return area;
}

}  // namespace

void InvalidateWholeWindow(HWND window) {
  WindowRecord* record = FindWindowRecord(window);
  if (!record) return;
  RECT client;
  GetClientRect(window, &client);
  record->update.Clear();
  record->update.Add(client);
  record->eraseNeeded = true;
  record->frameNeedsPaint = true;
  for (HWND child : record->children) {
    WindowRecord* inner = FindWindowRecord(child);
    if (inner && (inner->style & WS_VISIBLE)) InvalidateWholeWindow(child);
  }
}

void InvalidateScreenAreaOf(HWND parentWindow, const RECT& screenArea) {
  WindowRecord* parent = FindWindowRecord(parentWindow);
  if (!parent || parent->handle == Desktop().handle) {
    // Uncovered desktop: the top-level windows underneath repaint what they show there.
    for (HWND top : Desktop().children) {
      WindowRecord* record = FindWindowRecord(top);
      if (!record || !(record->style & WS_VISIBLE)) continue;
      RECT common;
      if (IntersectRect(&common, screenArea, WindowScreenRect(*record)))
        InvalidateScreenAreaOf(top, common);
    }
    return;
  }
  const RECT client = ClientScreenRect(*parent);
  RECT common;
  if (IntersectRect(&common, screenArea, client)) {
    OffsetRect(&common, -client.left, -client.top);
    parent->update.Add(common);
    parent->eraseNeeded = true;
  }
  if (!EqualRect(common, client)) parent->frameNeedsPaint = true;
  for (HWND child : parent->children) {
    WindowRecord* inner = FindWindowRecord(child);
    if (!inner || !(inner->style & WS_VISIBLE)) continue;
    RECT childCommon;
    if (IntersectRect(&childCommon, screenArea, WindowScreenRect(*inner)))
      InvalidateScreenAreaOf(child, childCommon);
  }
}

// ---------------------------------------------------------------------------------------------
// Classes.

BOOL RegisterClass(const WNDCLASS* windowClass) {
  if (!windowClass || !windowClass->lpszClassName || !windowClass->lpfnWndProc) return FALSE;
  const std::string key = Lower(windowClass->lpszClassName);
  WindowSystem& system = System();
  if (system.classes.count(key)) return FALSE;
  WNDCLASS copy = *windowClass;
  system.classNames[key] = windowClass->lpszClassName;
  copy.lpszClassName = system.classNames[key].c_str();
  system.classes[key] = copy;
  return TRUE;
}

BOOL UnregisterClass(const char* className) {
  const std::string key = Lower(className);
  WindowSystem& system = System();
  for (const auto& [handle, record] : system.windows)
    if (Lower(record->className.c_str()) == key) return FALSE;
  return system.classes.erase(key) ? TRUE : FALSE;
}

BOOL GetClassInfo(const char* className, WNDCLASS* out) {
  auto found = System().classes.find(Lower(className));
  if (found == System().classes.end()) return FALSE;
  if (out) *out = found->second;
  return TRUE;
}

LONG_PTR GetClassLongPtr(HWND window, int32_t index) {
  const WindowRecord* record = FindWindowRecord(window);
  if (!record || index != GCLP_HCURSOR) return 0;
  return reinterpret_cast<LONG_PTR>(record->classCursor);
}

LONG_PTR SetClassLongPtr(HWND window, int32_t index, LONG_PTR value) {
  const WindowRecord* record = FindWindowRecord(window);
  if (!record || index != GCLP_HCURSOR) return 0;
  const LONG_PTR old = reinterpret_cast<LONG_PTR>(record->classCursor);
  const std::string key = Lower(record->className.c_str());
  auto found = System().classes.find(key);
  if (found != System().classes.end()) found->second.hCursor = reinterpret_cast<HCURSOR>(value);
  for (auto& [handle, other] : System().windows) {
    if (Lower(other->className.c_str()) == key)
      other->classCursor = reinterpret_cast<HCURSOR>(value);
  }
  return old;
}

// ---------------------------------------------------------------------------------------------
// Creation and destruction.

HWND CreateWindowEx(DWORD exStyle, const char* className, const char* windowName, DWORD style,
                    int32_t x, int32_t y, int32_t width, int32_t height, HWND parent,
                    HMENU menuOrId, void* param) {
  WindowSystem& system = System();
  auto found = system.classes.find(Lower(className));
  if (found == system.classes.end()) return nullptr;
  const WNDCLASS& windowClass = found->second;
  WindowRecord& desktop = Desktop();
  if ((style & WS_CHILD) && !FindWindowRecord(parent)) return nullptr;
  if (parent && !FindWindowRecord(parent)) return nullptr;

  auto owned = std::make_unique<WindowRecord>();
  WindowRecord& record = *owned;
  record.handle = NewHandle();
  record.className = windowClass.lpszClassName;
  record.classStyle = windowClass.style;
  record.classCursor = windowClass.hCursor;
  record.background = windowClass.background;
  record.procedure = windowClass.lpfnWndProc;
  record.style = style & ~WS_VISIBLE;
  record.exStyle = exStyle;
  record.extraBytes.assign(static_cast<size_t>(std::max(0, windowClass.cbWndExtra)), 0);
  record.text = windowName ? windowName : "";
  if (style & WS_CHILD) {
    record.parent = parent;
    record.id = static_cast<LONG_PTR>(reinterpret_cast<uintptr_t>(menuOrId));
  } else {
    record.parent = desktop.handle;
    record.owner = parent ? GetAncestorTopLevel(parent) : nullptr;
    record.menu = menuOrId;
  }
  if (x == CW_USEDEFAULT) {
    x = 40 + system.cascade;
    y = 40 + system.cascade;
    system.cascade = (system.cascade + 24) % 240;
  }
  if (width == CW_USEDEFAULT) {
    width = 640;
    height = 480;
  }
  record.rect = {x, y, x + std::max(0, width), y + std::max(0, height)};
  record.restoreRect = record.rect;
  const HWND handle = record.handle;
  system.windows.emplace(reinterpret_cast<uintptr_t>(handle), std::move(owned));
  PlaceInZOrder(record, HWND_TOP);
  if (IsTopLevel(record)) {
    record.surface = std::make_shared<WindowSurface>();
    record.surface->Resize(width, height);
  }
  Notify(handle, &WindowPresenter::TopLevelCreated);
  if (system.createHook) system.createHook(handle);

  CREATESTRUCT create;
  create.lpCreateParams = param;
  create.hMenu = menuOrId;
  create.hwndParent = parent;
  create.x = x;
  create.y = y;
  create.cx = width;
  create.cy = height;
  create.style = static_cast<LONG>(style);
  create.lpszName = windowName;
  create.lpszClass = className;
  create.dwExStyle = exStyle;
  if (!DeliverMessage(handle, WM_NCCREATE, 0, reinterpret_cast<LPARAM>(&create))) {
    DestroyWindow(handle);
    return nullptr;
  }
  RECT calc = record.rect;
  DeliverMessage(handle, WM_NCCALCSIZE, FALSE, reinterpret_cast<LPARAM>(&calc));
  if (DeliverMessage(handle, WM_CREATE, 0, reinterpret_cast<LPARAM>(&create)) == -1) {
    DestroyWindow(handle);
    return nullptr;
  }
  if (!IsWindow(handle)) return nullptr;
  SendSizeAndMove(handle, SIZE_RESTORED);
  if (!IsWindow(handle)) return nullptr;
  if (style & WS_MAXIMIZE) {
    ShowWindow(handle, SW_SHOWMAXIMIZED);
  } else if (style & WS_VISIBLE) {
    ShowWindow(handle, SW_SHOW);
  }
  return IsWindow(handle) ? handle : nullptr;
}

CreateWindowHook SetCreateWindowHook(CreateWindowHook hook) {
  const CreateWindowHook old = System().createHook;
  System().createHook = hook;
  return old;
}

BOOL DestroyWindow(HWND window) {
  WindowRecord* record = FindWindowRecord(window);
  if (!record || record->handle == Desktop().handle || record->destroying) return FALSE;
  WindowSystem& system = System();
  // Owned windows go first.
  const std::vector<HWND> tops = Desktop().children;
  for (HWND top : tops) {
    WindowRecord* other = FindWindowRecord(top);
    if (other && other->owner == window) DestroyWindow(top);
  }
  record = FindWindowRecord(window);
  if (!record) return TRUE;
  const bool topLevel = IsTopLevel(*record);
  if (record->style & WS_VISIBLE)
    SetWindowPos(window, nullptr, 0, 0, 0, 0,
                 SWP_HIDEWINDOW | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  record = FindWindowRecord(window);
  if (!record) return TRUE;

  std::vector<HWND> subtree;
  CollectSubtree(window, subtree);
  for (HWND handle : subtree)
    FindWindowRecord(handle)->destroying = true;
  if (system.focus && std::find(subtree.begin(), subtree.end(), system.focus) != subtree.end()) {
    const HWND leaving = system.focus;
    system.focus = nullptr;
    DeliverMessage(leaving, WM_KILLFOCUS, 0, 0);
  }
  for (HWND handle : subtree)
    ReleaseCaptureOf(handle);
  if (system.active == window) {
    system.active = nullptr;
    const HWND next = NextWindowToActivate(window);
    if (next) SetActiveWindow(next);
  }

  SendDestroyMessages(window);
  SendNcDestroyMessages(window);

  subtree.clear();
  CollectSubtree(window, subtree);
  record = FindWindowRecord(window);
  if (record) {
    if (record->menu && !(record->style & WS_CHILD)) DestroyMenu(record->menu);
    RemoveFromSiblings(*record);
  }
  if (topLevel && system.presenter) system.presenter->TopLevelDestroyed(window);
  for (HWND handle : subtree) {
    ForgetWindowTimers(handle);
    ForgetWindowMessages(handle);
    ForgetWindowInput(handle);
    if (system.active == handle) system.active = nullptr;
    if (system.focus == handle) system.focus = nullptr;
  }
  for (HWND handle : subtree)
    system.windows.erase(reinterpret_cast<uintptr_t>(handle));
  NoteWindowLayoutChanged();
  return TRUE;
}

BOOL IsWindow(HWND window) {
  const WindowRecord* record = FindWindowRecord(window);
  return record && record->handle != Desktop().handle ? TRUE : FALSE;
}

LRESULT CallWindowProc(WNDPROC procedure, HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return procedure ? procedure(window, message, wParam, lParam) : 0;
}

HWND GetDesktopWindow() {
  return Desktop().handle;
}

void SetScreenSize(int32_t width, int32_t height) {
  WindowSystem& system = System();
  system.screenWidth = width;
  system.screenHeight = height;
  NoteWindowLayoutChanged();
  Desktop().rect = {0, 0, width, height};
}

// ---------------------------------------------------------------------------------------------
// Relations.

HWND GetParent(HWND window) {
  const WindowRecord* record = FindWindowRecord(window);
  if (!record) return nullptr;
  if (record->style & WS_CHILD) return record->parent;
  return (record->style & WS_POPUP) ? record->owner : nullptr;
}

HWND SetParent(HWND window, HWND newParent) {
  WindowRecord* record = FindWindowRecord(window);
  if (!record) return nullptr;
  WindowRecord* parent = newParent ? FindWindowRecord(newParent) : &Desktop();
  if (!parent) return nullptr;
  const HWND old = record->parent;
  const bool wasTop = IsTopLevel(*record);
  RemoveFromSiblings(*record);
  NoteWindowLayoutChanged();
  record->parent = parent->handle;
  PlaceInZOrder(*record, HWND_TOP);
  if (wasTop && !IsTopLevel(*record)) {
    if (System().presenter) System().presenter->TopLevelDestroyed(window);
    record->surface.reset();
  } else if (!wasTop && IsTopLevel(*record)) {
    record->surface = std::make_shared<WindowSurface>();
    record->surface->Resize(record->rect.right - record->rect.left,
                            record->rect.bottom - record->rect.top);
    Notify(window, &WindowPresenter::TopLevelCreated);
  }
  if (record->style & WS_VISIBLE) InvalidateWholeWindow(window);
  return old == Desktop().handle ? nullptr : old;
}

HWND GetWindow(HWND window, UINT relation) {
  const WindowRecord* record = FindWindowRecord(window);
  if (!record) return nullptr;
  if (relation == GW_OWNER) return record->owner;
  if (relation == GW_CHILD) return record->children.empty() ? nullptr : record->children.front();
  const WindowRecord* parent = FindWindowRecord(record->parent);
  if (!parent) return nullptr;
  const auto& list = parent->children;
  auto self = std::find(list.begin(), list.end(), window);
  switch (relation) {
    case GW_HWNDFIRST:
      return list.front();
    case GW_HWNDLAST:
      return list.back();
    case GW_HWNDNEXT:
      return (self == list.end() || self + 1 == list.end()) ? nullptr : *(self + 1);
    case GW_HWNDPREV:
      return (self == list.begin() || self == list.end()) ? nullptr : *(self - 1);
    default:
      return nullptr;
  }
}

HWND GetTopWindow(HWND parent) {
  const WindowRecord* record = parent ? FindWindowRecord(parent) : &Desktop();
  if (!record || record->children.empty()) return nullptr;
  return record->children.front();
}

HWND GetAncestorTopLevel(HWND window) {
  const WindowRecord* record = FindWindowRecord(window);
  while (record && !IsTopLevel(*record))
    record = FindWindowRecord(record->parent);
  return record ? record->handle : nullptr;
}

BOOL IsChild(HWND parent, HWND window) {
  const WindowRecord* record = FindWindowRecord(window);
  while (record && (record->style & WS_CHILD)) {
    if (record->parent == parent) return TRUE;
    record = FindWindowRecord(record->parent);
  }
  return FALSE;
}

HWND GetDlgItem(HWND dialog, int32_t id) {
  const WindowRecord* record = FindWindowRecord(dialog);
  if (!record) return nullptr;
  for (HWND child : record->children) {
    const WindowRecord* inner = FindWindowRecord(child);
    if (inner && inner->id == id) return child;
  }
  return nullptr;
}

int32_t GetDlgCtrlID(HWND window) {
  const WindowRecord* record = FindWindowRecord(window);
  return record && (record->style & WS_CHILD) ? static_cast<int32_t>(record->id) : 0;
}

// ---------------------------------------------------------------------------------------------
// Geometry.

BOOL GetWindowRect(HWND window, RECT* rect) {
  const WindowRecord* record = FindWindowRecord(window);
  if (!record || !rect) return FALSE;
  *rect = WindowScreenRect(*record);
  return TRUE;
}

BOOL GetClientRect(HWND window, RECT* rect) {
  const WindowRecord* record = FindWindowRecord(window);
  if (!record || !rect) return FALSE;
  const RECT client = ClientScreenRect(*record);
  *rect = {0, 0, client.right - client.left, client.bottom - client.top};
  return TRUE;
}

BOOL ClientToScreen(HWND window, POINT* point) {
  const WindowRecord* record = FindWindowRecord(window);
  if (!record || !point) return FALSE;
  const RECT client = ClientScreenRect(*record);
  point->x += client.left;
  point->y += client.top;
  return TRUE;
}

BOOL ScreenToClient(HWND window, POINT* point) {
  const WindowRecord* record = FindWindowRecord(window);
  if (!record || !point) return FALSE;
  const RECT client = ClientScreenRect(*record);
  point->x -= client.left;
  point->y -= client.top;
  return TRUE;
}

int32_t MapWindowPoints(HWND from, HWND to, POINT* points, UINT count) {
  POINT origin{0, 0};
  if (from) ClientToScreen(from, &origin);
  POINT target{0, 0};
  if (to) ClientToScreen(to, &target);
  const int32_t dx = origin.x - target.x;
  const int32_t dy = origin.y - target.y;
  for (UINT i = 0; i < count; ++i) {
    points[i].x += dx;
    points[i].y += dy;
  }
  return MAKELONG(dx, dy);
}

BOOL MoveWindow(HWND window, int32_t x, int32_t y, int32_t width, int32_t height, BOOL repaint) {
  return SetWindowPos(window, nullptr, x, y, width, height,
                      SWP_NOZORDER | SWP_NOACTIVATE | (repaint ? 0 : SWP_NOREDRAW));
}

BOOL SetWindowPos(HWND window, HWND insertAfter, int32_t x, int32_t y, int32_t width,
                  int32_t height, UINT flags) {
  WindowRecord* record = FindWindowRecord(window);
  if (!record || record->handle == Desktop().handle) return FALSE;
  WINDOWPOS position;
  position.hwnd = window;
  position.hwndInsertAfter = insertAfter;
  position.x = (flags & SWP_NOMOVE) ? record->rect.left : x;
  position.y = (flags & SWP_NOMOVE) ? record->rect.top : y;
  position.cx = (flags & SWP_NOSIZE) ? record->rect.right - record->rect.left : std::max(0, width);
  position.cy = (flags & SWP_NOSIZE) ? record->rect.bottom - record->rect.top : std::max(0, height);
  position.flags = flags;
  DeliverMessage(window, WM_WINDOWPOSCHANGING, 0, reinterpret_cast<LPARAM>(&position));
  record = FindWindowRecord(window);
  if (!record) return FALSE;
  flags = position.flags;

  const RECT oldScreen = WindowScreenRect(*record);
  const bool wasVisible = record->style & WS_VISIBLE;
  const RECT newRect{position.x, position.y, position.x + std::max(0, position.cx),
                     position.y + std::max(0, position.cy)};
  const bool moved = newRect.left != record->rect.left || newRect.top != record->rect.top;
  const bool sized = (newRect.right - newRect.left) != (record->rect.right - record->rect.left) ||
                     (newRect.bottom - newRect.top) != (record->rect.bottom - record->rect.top);
  NoteWindowLayoutChanged();
  record->rect = newRect;
  if (!(flags & SWP_NOZORDER)) PlaceInZOrder(*record, position.hwndInsertAfter);
  if (flags & SWP_SHOWWINDOW) record->style |= WS_VISIBLE;
  if (flags & SWP_HIDEWINDOW) record->style &= ~WS_VISIBLE;
  const bool isVisible = record->style & WS_VISIBLE;
  if (record->surface && sized) record->surface->Resize(position.cx, position.cy);

  if (!(flags & SWP_NOREDRAW) || (flags & (SWP_SHOWWINDOW | SWP_HIDEWINDOW))) {
    if (wasVisible && (moved || sized || !isVisible || !(flags & SWP_NOZORDER)))
      InvalidateScreenAreaOf(record->parent, oldScreen);
    if (isVisible &&
        (moved || sized || !wasVisible || (flags & SWP_FRAMECHANGED) || !(flags & SWP_NOZORDER)))
      InvalidateWholeWindow(window);
  }
  if (isVisible && !wasVisible && IsTopLevel(*record) && !(flags & SWP_NOACTIVATE))
    SetActiveWindow(window);
  Notify(window, &WindowPresenter::TopLevelChanged);
  if (!moved) position.flags |= SWP_NOMOVE;
  if (!sized && !(flags & SWP_FRAMECHANGED)) position.flags |= SWP_NOSIZE;
  DeliverMessage(window, WM_WINDOWPOSCHANGED, 0, reinterpret_cast<LPARAM>(&position));
  return TRUE;
}

BOOL BringWindowToTop(HWND window) {
  return SetWindowPos(window, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
}

BOOL AdjustWindowRectEx(RECT* rect, DWORD style, BOOL hasMenu, DWORD exStyle) {
  if (!rect) return FALSE;
  WindowRecord probe;
  probe.style = style;
  probe.exStyle = exStyle;
  probe.menu = hasMenu ? reinterpret_cast<HMENU>(1) : nullptr;
  const RECT insets = NonClientInsets(probe);
  rect->left -= insets.left;
  rect->top -= insets.top;
  rect->right += insets.right;
  rect->bottom += insets.bottom;
  return TRUE;
}

// ---------------------------------------------------------------------------------------------
// Visibility and state.

BOOL ShowWindow(HWND window, int32_t command) {
  WindowRecord* record = FindWindowRecord(window);
  if (!record) return FALSE;
  const BOOL wasVisible = (record->style & WS_VISIBLE) ? TRUE : FALSE;
  if (command == SW_HIDE) {
    if (!wasVisible) return FALSE;
    DeliverMessage(window, WM_SHOWWINDOW, FALSE, 0);
    const bool wasActive = System().active == window;
    SetWindowPos(window, nullptr, 0, 0, 0, 0,
                 SWP_HIDEWINDOW | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    if (wasActive && IsWindow(window)) {
      const HWND next = NextWindowToActivate(window);
      if (next)
        SetActiveWindow(next);
      else
        SetActiveWindow(nullptr);
    }
    return wasVisible;
  }

  WPARAM sizeKind = SIZE_RESTORED;
  bool resize = false;
  // Where the window was: what a change of size uncovers there is painted again.
  const RECT before = WindowScreenRect(*record);
  if (command == SW_MAXIMIZE && !record->maximized) {
    if (!record->minimized) record->restoreRect = record->rect;
    const WindowRecord* parent = FindWindowRecord(record->parent);
    RECT area{0, 0, 0, 0};
    if (parent && parent->handle == Desktop().handle)
      area = parent->rect;
    else if (parent)
      GetClientRect(parent->handle, &area);
    // The window may move its maximised place and size (WM_GETMINMAXINFO).
    const MINMAXINFO limits = QueryMinMaxInfo(window, area);
    record = FindWindowRecord(window);
    if (!record) return wasVisible;
    NoteWindowLayoutChanged();
    record->rect = {limits.ptMaxPosition.x, limits.ptMaxPosition.y,
                    limits.ptMaxPosition.x + limits.ptMaxSize.x,
                    limits.ptMaxPosition.y + limits.ptMaxSize.y};
    record->maximized = true;
    record->minimized = false;
    record->style |= WS_MAXIMIZE;
    sizeKind = SIZE_MAXIMIZED;
    resize = true;
  } else if (command == SW_MINIMIZE || command == SW_SHOWMINIMIZED) {
    if (!record->maximized && !record->minimized) record->restoreRect = record->rect;
    NoteWindowLayoutChanged();
    record->minimized = true;
    record->style |= WS_MINIMIZE;
    sizeKind = SIZE_MINIMIZED;
    resize = true;
  } else if ((command == SW_RESTORE || command == SW_SHOWNORMAL) &&
             (record->maximized || record->minimized)) {
    NoteWindowLayoutChanged();
    record->rect = record->restoreRect;
    record->maximized = record->minimized = false;
    record->style &= ~(WS_MAXIMIZE | WS_MINIMIZE);
    resize = true;
  }
  if (resize && record->surface)
    record->surface->Resize(record->rect.right - record->rect.left,
                            record->rect.bottom - record->rect.top);
  if (!wasVisible) DeliverMessage(window, WM_SHOWWINDOW, TRUE, 0);
  record = FindWindowRecord(window);
  if (!record) return wasVisible;
  const bool activate = command != SW_SHOWNA && command != SW_SHOWNOACTIVATE &&
                        command != SW_MINIMIZE && command != SW_SHOWMINIMIZED;
  UINT flags = SWP_SHOWWINDOW | SWP_NOMOVE | SWP_NOSIZE;
  if (!activate) flags |= SWP_NOACTIVATE | SWP_NOZORDER;
  // A child shown keeps its place among its siblings, which is also the order Tab walks in a
  // dialog; only a restore or a normal show brings it to the top.
  if ((record->style & WS_CHILD) && (command == SW_SHOW || command == SW_SHOWNA))
    flags |= SWP_NOACTIVATE | SWP_NOZORDER;
  if (resize) flags |= SWP_FRAMECHANGED;
  SetWindowPos(window, HWND_TOP, 0, 0, 0, 0, flags);
  if (resize && IsWindow(window)) {
    if (wasVisible) InvalidateScreenAreaOf(FindWindowRecord(window)->parent, before);
    InvalidateWholeWindow(window);
    SendSizeAndMove(window, sizeKind);
  }
  record = FindWindowRecord(window);
  if (record && activate && IsTopLevel(*record) && System().active != window)
    SetActiveWindow(window);
  return wasVisible;
}

BOOL IsWindowVisible(HWND window) {
  const WindowRecord* record = FindWindowRecord(window);
  return record && IsShownOnScreen(*record) ? TRUE : FALSE;
}

BOOL IsIconic(HWND window) {
  const WindowRecord* record = FindWindowRecord(window);
  return record && record->minimized ? TRUE : FALSE;
}

BOOL IsZoomed(HWND window) {
  const WindowRecord* record = FindWindowRecord(window);
  return record && record->maximized ? TRUE : FALSE;
}

BOOL EnableWindow(HWND window, BOOL enable) {
  WindowRecord* record = FindWindowRecord(window);
  if (!record) return FALSE;
  const BOOL wasDisabled = (record->style & WS_DISABLED) ? TRUE : FALSE;
  if (enable && wasDisabled) {
    record->style &= ~WS_DISABLED;
    DeliverMessage(window, WM_ENABLE, TRUE, 0);
  } else if (!enable && !wasDisabled) {
    record->style |= WS_DISABLED;
    WindowSystem& system = System();
    if (system.focus && (system.focus == window || IsChild(window, system.focus)))
      SetFocus(nullptr);
    ReleaseCaptureOf(window);
    DeliverMessage(window, WM_ENABLE, FALSE, 0);
  }
  if (IsWindow(window)) InvalidateWholeWindow(window);
  return wasDisabled;
}

BOOL IsWindowEnabled(HWND window) {
  const WindowRecord* record = FindWindowRecord(window);
  return record && !(record->style & WS_DISABLED) ? TRUE : FALSE;
}

// ---------------------------------------------------------------------------------------------
// Activation and focus.

bool NeverActivates(HWND window) {
  const WindowRecord* record = FindWindowRecord(GetAncestorTopLevel(window));
  return record && (record->exStyle & WS_EX_NOACTIVATE);
}

HWND SetActiveWindow(HWND window) {
  WindowSystem& system = System();
  HWND top = window ? GetAncestorTopLevel(window) : nullptr;
  if (window && !top) return nullptr;
  if (NeverActivates(top)) return system.active;
  const HWND old = system.active;
  if (old == top) return old;
  if (old && IsWindow(old)) {
    DeliverMessage(old, WM_NCACTIVATE, FALSE, 0);
    DeliverMessage(old, WM_ACTIVATE, WA_INACTIVE, reinterpret_cast<LPARAM>(top));
  }
  system.active = top;
  if (!top) {
    if (system.focus) SetFocus(nullptr);
    return old;
  }
  if (WindowRecord* record = FindWindowRecord(top)) PlaceInZOrder(*record, HWND_TOP);
  if (system.focus && GetAncestorTopLevel(system.focus) != top) {
    const HWND leaving = system.focus;
    system.focus = nullptr;
    DeliverMessage(leaving, WM_KILLFOCUS, 0, 0);
  }
  DeliverMessage(top, WM_NCACTIVATE, TRUE, 0);
  DeliverMessage(top, WM_ACTIVATE, WA_ACTIVE, reinterpret_cast<LPARAM>(old));
  Notify(top, &WindowPresenter::TopLevelChanged);
  return old;
}

HWND GetActiveWindow() {
  return System().active;
}
HWND GetForegroundWindow() {
  return System().active;
}
BOOL SetForegroundWindow(HWND window) {
  if (!IsWindow(window)) return FALSE;
  SetActiveWindow(window);
  return TRUE;
}

HWND SetFocus(HWND window) {
  WindowSystem& system = System();
  const HWND old = system.focus;
  if (!window) {
    system.focus = nullptr;
    if (old && IsWindow(old)) DeliverMessage(old, WM_KILLFOCUS, 0, 0);
    return old;
  }
  if (!IsWindow(window)) return nullptr;
  const HWND top = GetAncestorTopLevel(window);
  if (system.active != top) {
    SetActiveWindow(top);
    if (system.focus == window) return old;
  }
  const HWND previous = system.focus;
  if (previous == window) return previous;
  system.focus = window;
  if (previous && IsWindow(previous))
    DeliverMessage(previous, WM_KILLFOCUS, reinterpret_cast<WPARAM>(window), 0);
  if (system.focus == window)
    DeliverMessage(window, WM_SETFOCUS, reinterpret_cast<WPARAM>(previous), 0);
  return previous;
}

HWND GetFocus() {
  return System().focus;
}

// ---------------------------------------------------------------------------------------------
// Text.

BOOL SetWindowText(HWND window, const char* text) {
  if (!IsWindow(window)) return FALSE;
  return DeliverMessage(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text ? text : "")) ? TRUE
                                                                                           : FALSE;
}

int32_t GetWindowText(HWND window, char* buffer, int32_t capacity) {
  if (!buffer || capacity <= 0) return 0;
  buffer[0] = '\0';
  if (!IsWindow(window)) return 0;
  return static_cast<int32_t>(DeliverMessage(window, WM_GETTEXT, static_cast<WPARAM>(capacity),
                                             reinterpret_cast<LPARAM>(buffer)));
}

int32_t GetWindowTextLength(HWND window) {
  return static_cast<int32_t>(DeliverMessage(window, WM_GETTEXTLENGTH, 0, 0));
}

std::string GetWindowTextString(HWND window) {
  const int32_t length = GetWindowTextLength(window);
  std::string text(static_cast<size_t>(length) + 1, '\0');
  const int32_t copied = GetWindowText(window, text.data(), length + 1);
  text.resize(static_cast<size_t>(std::max(0, copied)));
  return text;
}

int32_t GetClassName(HWND window, char* buffer, int32_t capacity) {
  const WindowRecord* record = FindWindowRecord(window);
  if (!record || !buffer || capacity <= 0) return 0;
  const size_t length = std::min(record->className.size(), static_cast<size_t>(capacity - 1));
  std::memcpy(buffer, record->className.data(), length);
  buffer[length] = '\0';
  return static_cast<int32_t>(length);
}

// ---------------------------------------------------------------------------------------------
// Per-window data.

LONG_PTR GetWindowLongPtr(HWND window, int32_t index) {
  const WindowRecord* record = FindWindowRecord(window);
  if (!record) return 0;
  switch (index) {
    case GWLP_WNDPROC:
      return reinterpret_cast<LONG_PTR>(record->procedure);
    case GWLP_ID:
      return record->id;
    case GWL_STYLE:
      return static_cast<LONG_PTR>(record->style);
    case GWL_EXSTYLE:
      return static_cast<LONG_PTR>(record->exStyle);
    case GWLP_USERDATA:
      return record->userData;
    default:
      break;
  }
  if (index < 0 || static_cast<size_t>(index) + sizeof(LONG_PTR) > record->extraBytes.size())
    return 0;
  LONG_PTR value = 0;
  std::memcpy(&value, record->extraBytes.data() + index, sizeof value);
  return value;
}

LONG_PTR SetWindowLongPtr(HWND window, int32_t index, LONG_PTR value) {
  WindowRecord* record = FindWindowRecord(window);
  if (!record) return 0;
  const LONG_PTR old = GetWindowLongPtr(window, index);
  switch (index) {
    case GWLP_WNDPROC:
      record->procedure = reinterpret_cast<WNDPROC>(value);
      return old;
    case GWLP_ID:
      record->id = value;
      return old;
    case GWL_STYLE:
      NoteWindowLayoutChanged();
      record->style = static_cast<DWORD>(value);
      return old;
    case GWL_EXSTYLE:
      NoteWindowLayoutChanged();
      record->exStyle = static_cast<DWORD>(value);
      return old;
    case GWLP_USERDATA:
      record->userData = value;
      return old;
    default:
      break;
  }
  if (index < 0 || static_cast<size_t>(index) + sizeof(LONG_PTR) > record->extraBytes.size())
    return 0;
  std::memcpy(record->extraBytes.data() + index, &value, sizeof value);
  return old;
}

// ---------------------------------------------------------------------------------------------
// Scroll bars.

int32_t SetScrollInfo(HWND window, int32_t bar, const SCROLLINFO* info, BOOL redraw) {
  ScrollState* state = ScrollOf(window, bar);
  if (!state || !info) return 0;
  if (info->fMask & SIF_RANGE) {
    state->minimum = info->nMin;
    state->maximum = std::max(info->nMin, info->nMax);
  }
  if (info->fMask & SIF_PAGE) {
    const int64_t span = int64_t{state->maximum} - state->minimum + 1;
    state->page = static_cast<UINT>(std::min<int64_t>(info->nPage, span));
  }
  if (info->fMask & SIF_POS) state->position = info->nPos;
  ClampScroll(*state);
  if (redraw && bar == SB_CTL)
    InvalidateRect(window, nullptr, TRUE);
  else if (redraw)
    FindWindowRecord(window)->frameNeedsPaint = true;
  return state->position;
}

BOOL GetScrollInfo(HWND window, int32_t bar, SCROLLINFO* info) {
  const ScrollState* state = ScrollOf(window, bar);
  if (!state || !info) return FALSE;
  if (info->fMask & SIF_RANGE) {
    info->nMin = state->minimum;
    info->nMax = state->maximum;
  }
  if (info->fMask & SIF_PAGE) info->nPage = state->page;
  if (info->fMask & SIF_POS) info->nPos = state->position;
  if (info->fMask & SIF_TRACKPOS) info->nTrackPos = state->position;
  return TRUE;
}

int32_t SetScrollPos(HWND window, int32_t bar, int32_t position, BOOL redraw) {
  ScrollState* state = ScrollOf(window, bar);
  if (!state) return 0;
  const int32_t old = state->position;
  SCROLLINFO info;
  info.fMask = SIF_POS;
  info.nPos = position;
  SetScrollInfo(window, bar, &info, redraw);
  return old;
}

int32_t GetScrollPos(HWND window, int32_t bar) {
  const ScrollState* state = ScrollOf(window, bar);
  return state ? state->position : 0;
}

BOOL SetScrollRange(HWND window, int32_t bar, int32_t minimum, int32_t maximum, BOOL redraw) {
  if (!ScrollOf(window, bar)) return FALSE;
  SCROLLINFO info;
  info.fMask = SIF_RANGE;
  info.nMin = minimum;
  info.nMax = maximum;
  SetScrollInfo(window, bar, &info, redraw);
  return TRUE;
}

BOOL GetScrollRange(HWND window, int32_t bar, int32_t* minimum, int32_t* maximum) {
  const ScrollState* state = ScrollOf(window, bar);
  if (!state) return FALSE;
  if (minimum) *minimum = state->minimum;
  if (maximum) *maximum = state->maximum;
  return TRUE;
}

BOOL ShowScrollBar(HWND window, int32_t bar, BOOL show) {
  WindowRecord* record = FindWindowRecord(window);
  if (!record) return FALSE;
  DWORD bits = 0;
  if (bar == SB_HORZ || bar == SB_BOTH) bits |= WS_HSCROLL;
  if (bar == SB_VERT || bar == SB_BOTH) bits |= WS_VSCROLL;
  const DWORD style = show ? (record->style | bits) : (record->style & ~bits);
  if (style == record->style) return TRUE;
  NoteWindowLayoutChanged();
  record->style = style;
  SetWindowPos(window, nullptr, 0, 0, 0, 0,
               SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
  return TRUE;
}

// ---------------------------------------------------------------------------------------------
// Hit testing.

namespace {

// Group boxes and statics that do not notify let the mouse through to what lies beneath, as
// they say by answering HTTRANSPARENT; only those classes are asked while hit testing.
bool SeeThrough(const WindowRecord& record, POINT screen) {
  const std::string name = Lower(record.className.c_str());
  if (name != "button" && name != "static") return false;
  return DeliverMessage(record.handle, WM_NCHITTEST, 0, MAKELPARAM(screen.x, screen.y)) ==
         HTTRANSPARENT;
}

// A disabled child never takes the mouse, but it is still asked where the pointer is on it, as
// every window the pointer passes over is; a dialog's disabled edit learns of a click on it so.
void AskDisabled(const WindowRecord& record, POINT screen) {
  DeliverMessage(record.handle, WM_NCHITTEST, 0, MAKELPARAM(screen.x, screen.y));
}

HWND DeepestChildAt(HWND window, POINT screen) {
  const WindowRecord* record = FindWindowRecord(window);
  if (!record || !PtInRect(ClientScreenRect(*record), screen)) return window;
  const std::vector<HWND> children = record->children;
  for (HWND child : children) {
    const WindowRecord* inner = FindWindowRecord(child);
    if (!inner || !(inner->style & WS_VISIBLE)) continue;
    if (!PtInRect(WindowScreenRect(*inner), screen)) continue;
    if (inner->style & WS_DISABLED) {
      AskDisabled(*inner, screen);
      continue;
    }
    if (SeeThrough(*inner, screen)) continue;
    return DeepestChildAt(child, screen);
  }
  return window;
}

}  // namespace

HWND WindowFromPoint(POINT screen) {
  for (HWND top : Desktop().children) {
    const WindowRecord* record = FindWindowRecord(top);
    if (!record || !(record->style & WS_VISIBLE) || record->minimized) continue;
    if (PtInRect(WindowScreenRect(*record), screen)) return DeepestChildAt(top, screen);
  }
  return nullptr;
}

HWND ChildWindowFromPoint(HWND parent, POINT client) {
  const WindowRecord* record = FindWindowRecord(parent);
  if (!record) return nullptr;
  RECT area;
  GetClientRect(parent, &area);
  if (!PtInRect(area, client)) return nullptr;
  for (HWND child : record->children) {
    const WindowRecord* inner = FindWindowRecord(child);
    if (inner && PtInRect(inner->rect, client)) return child;
  }
  return parent;
}

int32_t GetSystemMetrics(int32_t index) {
  switch (index) {
    case SM_CXSCREEN:
      return System().screenWidth;
    case SM_CYSCREEN:
      return System().screenHeight;
    case SM_CXVSCROLL:
    case SM_CYHSCROLL:
      return kScrollBarSize;
    case SM_CYCAPTION:
      return kCaptionHeight;
    case SM_CXBORDER:
    case SM_CYBORDER:
      return 1;
    case SM_CXDLGFRAME:
    case SM_CYDLGFRAME:
      return kDialogFrame;
    case SM_CXFRAME:
    case SM_CYFRAME:
      return kThickFrame;
    case SM_CXICON:
    case SM_CYICON:
    case SM_CXCURSOR:
    case SM_CYCURSOR:
      return 32;
    case SM_CYMENU:
      return kMenuBarHeight;
    case SM_CXDOUBLECLK:
    case SM_CYDOUBLECLK:
      return 4;
    case SM_CXMENUCHECK:
    case SM_CYMENUCHECK:
      return 13;
    default:
      return 0;
  }
}

// ---------------------------------------------------------------------------------------------
// The default window procedure.

LRESULT DefWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  WindowRecord* record = FindWindowRecord(window);
  if (!record) return 0;
  switch (message) {
    case WM_NCCREATE:
      return TRUE;
    case WM_CLOSE:
      DestroyWindow(window);
      return 0;
    case WM_QUERYENDSESSION:
      return TRUE;
    case WM_SETTEXT:
      record->text = lParam ? reinterpret_cast<const char*>(lParam) : "";
      record->frameNeedsPaint = true;
      Notify(window, &WindowPresenter::TopLevelChanged);
      return TRUE;
    case WM_GETTEXT: {
      if (wParam == 0 || !lParam) return 0;
      char* buffer = reinterpret_cast<char*>(lParam);
      const size_t length = std::min(record->text.size(), static_cast<size_t>(wParam - 1));
      std::memcpy(buffer, record->text.data(), length);
      buffer[length] = '\0';
      return static_cast<LRESULT>(length);
    }
    case WM_GETTEXTLENGTH:
      return static_cast<LRESULT>(record->text.size());
    case WM_SETFONT:
      record->font = static_cast<uintptr_t>(wParam);
      if (lParam) InvalidateRect(window, nullptr, TRUE);
      return 0;
    case WM_GETFONT:
      return static_cast<LRESULT>(record->font);
    case WM_HELP: {
      const HWND next = (record->style & WS_CHILD) ? record->parent : record->owner;
      return next ? DeliverMessage(next, WM_HELP, wParam, lParam) : TRUE;
    }
    case WM_NCHITTEST:
      return DefaultHitTest(*record, POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
    case WM_SETCURSOR: {
      if ((record->style & WS_CHILD) && record->parent &&
          DeliverMessage(record->parent, WM_SETCURSOR, wParam, lParam))
        return TRUE;
      const LRESULT hit = static_cast<int16_t>(LOWORD(static_cast<uintptr_t>(lParam)));
      if (hit == HTCLIENT && record->classCursor) {
        SetCursor(record->classCursor);
        return TRUE;
      }
      if (hit != HTCLIENT) SetCursor(LoadCursor(nullptr, IDC_ARROW));
      return FALSE;
    }
    case WM_MOUSEACTIVATE:
      if ((record->style & WS_CHILD) && record->parent) {
        const LRESULT answer = DeliverMessage(record->parent, WM_MOUSEACTIVATE, wParam, lParam);
        if (answer) return answer;
      }
      return MA_ACTIVATE;
    case WM_ACTIVATE:
      if (LOWORD(wParam) != WA_INACTIVE && !record->minimized) SetFocus(window);
      return 0;
    case WM_WINDOWPOSCHANGED: {
      const auto* position = reinterpret_cast<const WINDOWPOS*>(lParam);
      if (!position) return 0;
      if (!(position->flags & SWP_NOMOVE)) {
        const RECT insets = NonClientInsets(*record);
        DeliverMessage(window, WM_MOVE, 0,
                       MAKELPARAM(record->rect.left + insets.left, record->rect.top + insets.top));
      }
      if (!(position->flags & SWP_NOSIZE)) {
        RECT client;
        GetClientRect(window, &client);
        const WPARAM kind = record->maximized   ? SIZE_MAXIMIZED
                            : record->minimized ? SIZE_MINIMIZED
                                                : SIZE_RESTORED;
        DeliverMessage(window, WM_SIZE, kind, MAKELPARAM(client.right, client.bottom));
      }
      return 0;
    }
    case WM_PAINT:
      DefaultPaint(window);
      return 0;
    case WM_ERASEBKGND:
      return DefaultEraseBackground(window, wParam);
    case WM_NCPAINT:
      DefaultPaintFrame(window);
      return 0;
    case WM_NCACTIVATE:
      record->captionActive = wParam != 0;
      record->frameNeedsPaint = true;  // the caption shows whether the window is active
      return TRUE;
    case WM_NCLBUTTONDOWN:
      return DefaultNonClientClick(window, wParam, lParam);
    case WM_SYSCOMMAND:
      return DefaultSystemCommand(window, wParam, lParam);
    case WM_SYSKEYDOWN:
      return DefaultSystemKey(window, wParam, lParam);
    default:
      return 0;
  }
}

// ---------------------------------------------------------------------------------------------

void SetWindowPresenter(WindowPresenter* presenter) {
  System().presenter = presenter;
}
WindowPresenter* GetWindowPresenter() {
  return System().presenter;
}

bool DesktopCanMinimize() {
  const WindowPresenter* presenter = System().presenter;
  return presenter == nullptr || presenter->CanMinimize();
}

WindowSurface* GetWindowSurface(HWND window) {
  const WindowRecord* record = FindWindowRecord(GetAncestorTopLevel(window));
  return record ? record->surface.get() : nullptr;
}

WindowSurface::~WindowSurface() {
  if (surface_) cairo_surface_destroy(surface_);
}

void WindowSurface::Resize(int32_t newWidth, int32_t newHeight) {
  if (surface_) cairo_surface_destroy(surface_);
  width_ = std::max(1, newWidth);
  height_ = std::max(1, newHeight);
  surface_ = cairo_image_surface_create(CAIRO_FORMAT_RGB24, width_, height_);
  cairo_t* cr = cairo_create(surface_);
  cairo_set_source_rgb(cr, 1, 1, 1);
  cairo_paint(cr);
  cairo_destroy(cr);
}

uint32_t WindowSurface::Pixel(int32_t x, int32_t y) const {
  if (!surface_ || x < 0 || y < 0 || x >= width_ || y >= height_) return 0;
  cairo_surface_flush(surface_);
  const unsigned char* data = cairo_image_surface_get_data(surface_);
  const int32_t stride = cairo_image_surface_get_stride(surface_);
  uint32_t value = 0;
  std::memcpy(&value, data + static_cast<ptrdiff_t>(y) * stride + x * 4, sizeof value);
  return value & 0x00FFFFFF;
}

bool WindowSurface::SavePng(const char* path) const {
  return surface_ && path && cairo_surface_write_to_png(surface_, path) == CAIRO_STATUS_SUCCESS;
}

void ResetWindowSystem() {
  WindowSystem& system = System();
  const std::vector<HWND> tops = Desktop().children;
  for (HWND top : tops)
    DestroyWindow(top);
  system.classes.clear();
  system.classNames.clear();
  NoteWindowLayoutChanged();
  system.active = nullptr;
  system.focus = nullptr;
  system.cascade = 0;
  ResetMessageQueue();
  ResetTimers();
  ResetInputState();
  ResetMenus();
  ResetClipboard();
  ResetCursors();
}
