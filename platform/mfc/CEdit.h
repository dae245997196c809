#pragma once
// Edit controls of the framework over the window layer's edits.

#include <string>

#include "platform/mfc/CWnd.h"

class CEdit : public CWnd {
  DECLARE_DYNAMIC(CEdit)

 public:
  CEdit() = default;
  using CWnd::Create;
  BOOL Create(DWORD style, const RECT& rect, CWnd* parent, UINT id);

  void GetSel(int32_t& start, int32_t& end) const;
  void SetSel(int32_t start, int32_t end, BOOL noScroll = FALSE);
  void ReplaceSel(const char* text, BOOL canUndo = FALSE);
  BOOL CanUndo() const;
  BOOL Undo();
  void EmptyUndoBuffer();
  void LimitText(int32_t limit = 0);
  int32_t GetLineCount() const;
  int32_t LineIndex(int32_t line = -1) const;
  int32_t LineFromChar(int32_t position = -1) const;
  BOOL GetModify() const;
  void SetModify(BOOL modified = TRUE);
  BOOL SetReadOnly(BOOL readOnly = TRUE);
  void Cut();
  void Copy();
  void Paste();
  void Clear();
};
