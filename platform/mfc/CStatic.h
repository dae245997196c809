#pragma once
// Static controls of the framework over the window layer's statics.

#include "platform/mfc/CWnd.h"

class CStatic : public CWnd {
  DECLARE_DYNAMIC(CStatic)

 public:
  CStatic() = default;
  using CWnd::Create;
  BOOL Create(const char* text, DWORD style, const RECT& rect, CWnd* parent, UINT id = 0xFFFF);
};
