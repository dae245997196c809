#pragma once
// The wait cursor for the length of a scope; the cursor before it comes back at the end.

#include "platform/win32/Cursor.h"

class CWaitCursor {
 public:
  CWaitCursor() : previous_(SetCursor(LoadCursor(nullptr, IDC_WAIT))) {}
  ~CWaitCursor() { SetCursor(previous_); }
  CWaitCursor(const CWaitCursor&) = delete;
  CWaitCursor& operator=(const CWaitCursor&) = delete;

 private:
  HCURSOR previous_;
};
