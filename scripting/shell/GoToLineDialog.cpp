#include "scripting/shell/GoToLineDialog.h"

#include <cstdio>

#include "core/Resources.h"
#include "platform/win32/Dialog.h"
#include "platform/win32/Edit.h"
#include "platform/win32/Message.h"
#include "platform/win32/MessageBox.h"
#include "platform/win32/Window.h"
#include "scripting/shell/ScriptShell.h"

namespace {

struct LineRequest {
  int32_t current = 1;
  int32_t last = 1;
};

LineRequest* RequestOf(HWND dialog) { return reinterpret_cast<LineRequest*>(GetWindowLongPtr(dialog, DWLP_USER)); }

void SelectField(HWND dialog) {
  const HWND field = GetDlgItem(dialog, kGoToLineFieldId);
  SetFocus(field);
  SendMessage(field, EM_SETSEL, 0, -1);
}

void Start(HWND dialog, LineRequest& request) {
  SetWindowLongPtr(dialog, DWLP_USER, reinterpret_cast<LONG_PTR>(&request));
  char text[64];
  std::snprintf(text, sizeof text, "Line number (1 to %d):", request.last);
  SetDlgItemText(dialog, kGoToLineLabelId, text);
  std::snprintf(text, sizeof text, "%d", request.current);
  SetDlgItemText(dialog, kGoToLineFieldId, text);
  SelectField(dialog);
}

// OK with a line of the script ends the dialog with it; anything else says what is wanted and
// leaves the typed text selected for the next try.
void Confirm(HWND dialog) {
  const LineRequest& request = *RequestOf(dialog);
  if (const std::optional<int32_t> line = ParseLineNumber(GetDlgItemTextString(dialog, kGoToLineFieldId), request.last)) {
    EndDialog(dialog, *line);
    return;
  }
  char text[96];
  std::snprintf(text, sizeof text, "Type a line number from 1 to %d.", request.last);
  MessageBox(dialog, text, kScriptEditorCaption, MB_OK | MB_ICONEXCLAMATION);
  SelectField(dialog);
}

intptr_t LineDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    Start(dialog, *reinterpret_cast<LineRequest*>(lParam));
    return 0;  // the field has the focus already
  }
  if (message != WM_COMMAND) return 0;
  if (LOWORD(wParam) == IDOK) {
    Confirm(dialog);
    return 1;
  }
  if (LOWORD(wParam) == IDCANCEL) {
    EndDialog(dialog, 0);
    return 1;
  }
  return 0;
}

}  // namespace

std::optional<int32_t> ParseLineNumber(const std::string& text, int32_t lastLine) {
  const size_t first = text.find_first_not_of(' ');
  if (first == std::string::npos) return std::nullopt;
  const size_t end = text.find_last_not_of(' ') + 1;
  int64_t line = 0;
  for (size_t i = first; i < end; ++i) {
    if (text[i] < '0' || text[i] > '9') return std::nullopt;
    line = line * 10 + (text[i] - '0');
    if (line > lastLine) return std::nullopt;
  }
  if (line < 1) return std::nullopt;
  return static_cast<int32_t>(line);
}

int32_t AskLineNumber(HWND owner, int32_t currentLine, int32_t lastLine) {
  LineRequest request;
  request.last = lastLine < 1 ? 1 : lastLine;
  request.current = currentLine < 1 || currentLine > request.last ? 1 : currentLine;
  const intptr_t answer = DialogBoxParam(GetResourceModule2(), kGoToLineTemplate, owner, LineDialogProc, reinterpret_cast<LPARAM>(&request));
  return answer > 0 ? static_cast<int32_t>(answer) : 0;
}
