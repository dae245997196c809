#include "platform/win32/WindowPaint.h"

#include "platform/win32/Message.h"
#include "platform/win32/Window.h"
#include "platform/win32/WindowInternal.h"

namespace {

void AddToUpdate(HWND window, const RECT& clientRect, bool erase, bool children) {
  WindowRecord* record = FindWindowRecord(window);
  if (!record) return;
  RECT client;
  GetClientRect(window, &client);
  RECT area;
  if (!IntersectRect(&area, clientRect, client)) return;
  record->update.Add(area);
  if (erase) record->eraseNeeded = true;
  if (!children && (record->style & WS_CLIPCHILDREN)) return;
  for (HWND child : record->children) {
    const WindowRecord* inner = FindWindowRecord(child);
    if (!inner || !(inner->style & WS_VISIBLE)) continue;
    RECT common;
    if (!IntersectRect(&common, area, inner->rect)) continue;
    // Into the child's client coordinates.
    RECT childClient;
    GetClientRect(child, &childClient);
    const RECT insets = NonClientInsets(*inner);
    OffsetRect(&common, -(inner->rect.left + insets.left), -(inner->rect.top + insets.top));
    if (!EqualRect(inner->rect, common)) FindWindowRecord(child)->frameNeedsPaint = true;
    AddToUpdate(child, common, erase, children);
  }
}

void RemoveFromUpdate(HWND window, const RECT& clientRect, bool children) {
  WindowRecord* record = FindWindowRecord(window);
  if (!record) return;
  record->update.Subtract(clientRect);
  if (record->update.IsEmpty()) record->eraseNeeded = false;
  if (!children) return;
  for (HWND child : record->children) {
    const WindowRecord* inner = FindWindowRecord(child);
    if (!inner) continue;
    RECT common = clientRect;
    const RECT insets = NonClientInsets(*inner);
    OffsetRect(&common, -(inner->rect.left + insets.left), -(inner->rect.top + insets.top));
    RemoveFromUpdate(child, common, true);
  }
}

RECT ClientOrGiven(HWND window, const RECT* rect) {
  if (rect) return *rect;
  RECT client;
  GetClientRect(window, &client);
  return client;
}

}  // namespace

BOOL InvalidateRect(HWND window, const RECT* rect, BOOL erase) {
  if (!IsWindow(window)) return FALSE;
  AddToUpdate(window, ClientOrGiven(window, rect), erase, false);
  return TRUE;
}

BOOL ValidateRect(HWND window, const RECT* rect) {
  if (!IsWindow(window)) return FALSE;
  RemoveFromUpdate(window, ClientOrGiven(window, rect), false);
  return TRUE;
}

BOOL GetUpdateRect(HWND window, RECT* rect, BOOL) {
  const WindowRecord* record = FindWindowRecord(window);
  if (!record) return FALSE;
  const RECT bounds = record->update.Bounds();
  if (rect) *rect = bounds;
  return record->update.IsEmpty() ? FALSE : TRUE;
}

BOOL UpdateWindow(HWND window) {
  const WindowRecord* record = FindWindowRecord(window);
  if (!record) return FALSE;
  if (IsShownOnScreen(*record) && (!record->update.IsEmpty() || record->frameNeedsPaint))
    SendMessage(window, WM_PAINT, 0, 0);
  return TRUE;
}

BOOL RedrawWindow(HWND window, const RECT* rect, UINT flags) {
  if (!IsWindow(window)) return FALSE;
  const RECT area = ClientOrGiven(window, rect);
  const bool children = flags & RDW_ALLCHILDREN;
  if (flags & RDW_INVALIDATE) AddToUpdate(window, area, flags & RDW_ERASE, children);
  if (flags & RDW_VALIDATE) RemoveFromUpdate(window, area, children);
  if (flags & RDW_UPDATENOW) {
    UpdateWindow(window);
    if (children) {
      std::vector<HWND> all = AllWindows();
      for (HWND other : all)
        if (IsChild(window, other)) UpdateWindow(other);
    }
  }
  return TRUE;
}

RECT TakeUpdateArea(HWND window, WPARAM eraseContext, BOOL* erased) {
  WindowRecord* record = FindWindowRecord(window);
  if (erased) *erased = FALSE;
  if (!record) return RECT{};
  if (record->frameNeedsPaint) {
    record->frameNeedsPaint = false;
    SendMessage(window, WM_NCPAINT, 1, 0);
    record = FindWindowRecord(window);
    if (!record) return RECT{};
  }
  const RECT bounds = record->update.Bounds();
  const bool erase = record->eraseNeeded;
  record->update.Clear();
  record->eraseNeeded = false;
  if (erase) {
    const LRESULT done = SendMessage(window, WM_ERASEBKGND, eraseContext, 0);
    if (erased) *erased = done ? TRUE : FALSE;
  }
  return bounds;
}
