#include "platform/win32/PrintDialog.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>
#include <vector>

#include "platform/win32/Button.h"
#include "platform/win32/DcPrinter.h"
#include "platform/win32/Dialog.h"
#include "platform/win32/Edit.h"
#include "platform/win32/Input.h"
#include "platform/win32/Message.h"
#include "platform/win32/MessageBox.h"
#include "platform/win32/DialogTemplate.h"
#include "platform/win32/Window.h"
#include "platform/win32/WindowMessages.h"

namespace {

constexpr uint16_t kButtonClass = kTemplateButtonClass;
constexpr uint16_t kEditClass = kTemplateEditClass;
constexpr uint16_t kStaticClass = kTemplateStaticClass;
constexpr uint16_t kNoIdentifier = 0xFFFF;

HWND& DialogWindow() {
  static HWND window = nullptr;
  return window;
}

std::vector<uint8_t> PrintTemplate() {
  TemplateWriter w;
  w.Long(WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME);
  w.Long(0);
  w.Word(6);
  for (int16_t value : {int16_t{20}, int16_t{20}, int16_t{240}, int16_t{70}})
    w.Word(static_cast<uint16_t>(value));
  w.Word(0);
  w.Word(0);
  w.Text("Print");
  w.Item(0, kNoIdentifier, kStaticClass, "Printer:", 8, 8, 50, 10);
  w.Item(0, kPrintPrinterName, kStaticClass, kPdfPrinterName, 62, 8, 170, 10);
  w.Item(0, kNoIdentifier, kStaticClass, "Output file:", 8, 26, 50, 10);
  w.Item(WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL, kPrintOutputFile, kEditClass, "", 62, 24, 170,
         12);
  w.Item(WS_TABSTOP | BS_DEFPUSHBUTTON, IDOK, kButtonClass, "Print", 122, 48, 52, 14);
  w.Item(WS_TABSTOP, IDCANCEL, kButtonClass, "Cancel", 180, 48, 52, 14);
  return w.bytes;
}

struct DialogState {
  PRINTDLG* record = nullptr;
  std::string output;
};

DialogState* StateOf(HWND dialog) {
  return reinterpret_cast<DialogState*>(GetWindowLongPtr(dialog, DWLP_USER));
}

void Confirm(HWND dialog, DialogState& state) {
  const std::string output = GetDlgItemTextString(dialog, kPrintOutputFile);
  if (output.empty()) {
    MessageBeep(0);
    SetFocus(GetDlgItem(dialog, kPrintOutputFile));
    return;
  }
  state.output = output;
  EndDialog(dialog, 1);
}

intptr_t PrintProcedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG: {
      auto* state = reinterpret_cast<DialogState*>(lParam);
      SetWindowLongPtr(dialog, DWLP_USER, reinterpret_cast<LONG_PTR>(state));
      DialogWindow() = dialog;
      SetDlgItemText(dialog, kPrintOutputFile, state->output.c_str());
      SendMessage(dialog, DM_SETDEFID, IDOK, 0);
      SetFocus(GetDlgItem(dialog, kPrintOutputFile));
      return FALSE;
    }
    case WM_COMMAND: {
      DialogState* const state = StateOf(dialog);
      if (state == nullptr) return FALSE;
      if (LOWORD(wParam) == IDOK) Confirm(dialog, *state);
      if (LOWORD(wParam) == IDCANCEL) EndDialog(dialog, 0);
      return TRUE;
    }
    case WM_CLOSE:
      EndDialog(dialog, 0);
      return TRUE;
    case WM_DESTROY:
      if (DialogWindow() == dialog) DialogWindow() = nullptr;
      return FALSE;
    default:
      return FALSE;
  }
}

bool IsFolder(const std::string& path) {
  std::error_code error;
  return !path.empty() && std::filesystem::is_directory(path, error);
}

}  // namespace

HWND GetPrintDialogWindow() { return DialogWindow(); }

BOOL PrintDlg(PRINTDLG* record) {
  if (record == nullptr || record->lStructSize != kPrintDialogRecordSize) return FALSE;
  record->hDC = nullptr;
  DialogState state;
  state.record = record;
  state.output = DefaultPrintOutput();
  const std::vector<uint8_t> bytes = PrintTemplate();
  const intptr_t result =
      DialogBoxIndirectParam(bytes.data(), static_cast<uint32_t>(bytes.size()), record->hwndOwner,
                             PrintProcedure, reinterpret_cast<LPARAM>(&state));
  if (result != 1) return FALSE;
  if ((record->Flags & PD_RETURNDC) != 0) {
    record->hDC = CreateDC(kPdfPrinterName, kPdfPrinterName, state.output.c_str(), nullptr);
    // A printer whose context cannot be made cannot print.
    if (record->hDC == nullptr) return FALSE;
  }
  return TRUE;
}

std::string DocumentsFolder() {
  if (const char* documents = std::getenv("XDG_DOCUMENTS_DIR"); documents && IsFolder(documents))
    return documents;
  const char* home = std::getenv("HOME");
  if (home == nullptr || *home == '\0') return ".";
  const std::string inHome = (std::filesystem::path(home) / "Documents").string();
  return IsFolder(inHome) ? inHome : std::string(home);
}

std::string DefaultPrintOutput() {
  return (std::filesystem::path(DocumentsFolder()) / "print.pdf").string();
}

std::string DefaultPrinterDevice() {
  return std::string(kPdfPrinterName) + "," + kPdfPrinterName + "," + DefaultPrintOutput();
}
