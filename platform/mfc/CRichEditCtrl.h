#pragma once
// Rich edit controls of the framework over the rich edit control. Its window class exists once
// the rich edit library has been loaded (AfxInitRichEdit); before that Create fails.

#include <string>

#include "platform/mfc/CWnd.h"
#include "platform/win32/RichEditTypes.h"

// Loads the rich edit library; false when it cannot be loaded.
BOOL AfxInitRichEdit();

class CRichEditCtrl : public CWnd {
  DECLARE_DYNAMIC(CRichEditCtrl)

 public:
  CRichEditCtrl() = default;
  using CWnd::Create;
  BOOL Create(DWORD style, const RECT& rect, CWnd* parent, UINT id);

  void SetSel(int32_t start, int32_t end);
  void GetSel(int32_t& start, int32_t& end) const;
  void ReplaceSel(const char* text, BOOL canUndo = FALSE);
  int32_t GetTextLength() const;

  BOOL SetDefaultCharFormat(CHARFORMAT& format);
  BOOL SetSelectionCharFormat(CHARFORMAT& format);
  DWORD GetDefaultCharFormat(CHARFORMAT& format) const;
  DWORD GetSelectionCharFormat(CHARFORMAT& format) const;
  BOOL SetParaFormat(PARAFORMAT& format);
  DWORD GetParaFormat(PARAFORMAT& format) const;

  DWORD SetEventMask(DWORD mask);
  DWORD GetEventMask() const;
  void SetModify(BOOL modified = TRUE);
  BOOL GetModify() const;
  // Answers the options after the operation.
  UINT SetOptions(WORD operation, DWORD flags);
  UINT GetOptions() const;
  void SetRect(const RECT& rect);
  void GetRect(RECT* rect) const;
  void RequestResize();

  void Cut();
  void Copy();
  void Paste();
  void Clear();
  void Undo();
  BOOL CanUndo() const;
};
