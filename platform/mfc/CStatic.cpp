#include "platform/mfc/CStatic.h"

#include "platform/win32/Static.h"

IMPLEMENT_DYNAMIC(CStatic, CWnd)

BOOL CStatic::Create(const char* text, DWORD style, const RECT& rect, CWnd* parent, UINT id) {
  RegisterStaticClass();
  return CWnd::Create(kStaticClass, text, style, rect, parent, id);
}
