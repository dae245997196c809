#include "platform/win32/Cursor.h"

#include <map>
#include <utility>

#include "platform/win32/WindowInternal.h"
#include "platform/win32/WindowPresenter.h"

namespace {

struct CursorTable {
  std::map<uintptr_t, CursorInfo> byHandle;
  std::map<std::pair<const void*, uintptr_t>, uintptr_t> handleOf;
  uintptr_t nextHandle = 0x20000;
  HCURSOR current = nullptr;
  int32_t displayCount = 0;
  CursorResourceProbe probe;
};

CursorTable& Table() {
  static CursorTable table;
  return table;
}

bool IsStandard(uintptr_t id) {
  switch (id) {
    case IDC_ARROW:
    case IDC_IBEAM:
    case IDC_WAIT:
    case IDC_CROSS:
    case IDC_UPARROW:
    case IDC_SIZENWSE:
    case IDC_SIZENESW:
    case IDC_SIZEWE:
    case IDC_SIZENS:
    case IDC_SIZEALL:
    case IDC_NO:
    case IDC_HAND:
      return true;
    default:
      return false;
  }
}

}  // namespace

HCURSOR LoadCursor(const void* module, uintptr_t id) {
  CursorTable& table = Table();
  if (!module && !IsStandard(id)) return nullptr;
  if (module && !(table.probe && table.probe(module, id))) return nullptr;
  const auto key = std::make_pair(module, id);
  auto found = table.handleOf.find(key);
  if (found != table.handleOf.end()) return reinterpret_cast<HCURSOR>(found->second);
  const uintptr_t handle = table.nextHandle++;
  table.handleOf[key] = handle;
  table.byHandle[handle] = CursorInfo{module == nullptr, id, module};
  return reinterpret_cast<HCURSOR>(handle);
}

HCURSOR SetCursor(HCURSOR cursor) {
  CursorTable& table = Table();
  const HCURSOR old = table.current;
  table.current = cursor;
  if (cursor != old) {
    if (WindowPresenter* presenter = GetWindowPresenter()) {
      CursorInfo info;
      if (DescribeCursor(cursor, &info)) presenter->ShowCursorShape(info.standard ? info.id : 0);
    }
  }
  return old;
}

HCURSOR GetCursor() {
  return Table().current;
}

// Cursors loaded from resources are shared and live as long as the program, as in Win32.
BOOL DestroyCursor(HCURSOR cursor) {
  return Table().byHandle.count(reinterpret_cast<uintptr_t>(cursor)) ? TRUE : FALSE;
}

int32_t ShowCursor(BOOL show) {
  CursorTable& table = Table();
  table.displayCount += show ? 1 : -1;
  return table.displayCount;
}

bool DescribeCursor(HCURSOR cursor, CursorInfo* info) {
  const auto& byHandle = Table().byHandle;
  auto found = byHandle.find(reinterpret_cast<uintptr_t>(cursor));
  if (found == byHandle.end()) return false;
  if (info) *info = found->second;
  return true;
}

void SetCursorResourceProbe(CursorResourceProbe probe) {
  Table().probe = std::move(probe);
}

void ResetCursors() {
  CursorTable& table = Table();
  table.current = nullptr;
  table.displayCount = 0;
}
