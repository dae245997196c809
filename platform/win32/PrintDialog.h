#pragma once
// The print dialog: a modal window that offers the one printer there is, the PDF printer, and
// the file it writes. OK answers the printer's context (with PD_RETURNDC); Cancel, Escape or
// the close box answer nothing. Beside it, the printer the settings name when none is asked for:
// the PDF printer writing into the user's documents folder.

#include <cstdint>
#include <string>

#include "platform/win32/GdiTypes.h"
#include "platform/win32/Resource.h"
#include "platform/win32/WindowTypes.h"

// The record's size as callers give it (the layout of the 32-bit interface).
inline constexpr DWORD kPrintDialogRecordSize = 66;
inline constexpr DWORD PD_NOSELECTION = 0x0004;
inline constexpr DWORD PD_NOPAGENUMS = 0x0008;
inline constexpr DWORD PD_RETURNDC = 0x0100;

struct PRINTDLG {
  DWORD lStructSize = 0;
  HWND hwndOwner = nullptr;
  HGLOBAL hDevMode = nullptr;
  HGLOBAL hDevNames = nullptr;
  // The printer's context on OK, when the flags ask for it.
  HDC hDC = nullptr;
  DWORD Flags = 0;
  WORD nFromPage = 0;
  WORD nToPage = 0;
  WORD nMinPage = 0;
  WORD nMaxPage = 0;
  WORD nCopies = 0;
};

// Control identifiers of the dialog.
inline constexpr int32_t kPrintPrinterName = 100;
inline constexpr int32_t kPrintOutputFile = 101;

// The printer's name as drivers and devices give it.
inline constexpr char kPdfPrinterName[] = "PDF";

// Nonzero when the user chose to print; 0 when cancelled, and for a record of another size.
// An output file left empty is refused and the dialog stays up.
BOOL PrintDlg(PRINTDLG* record);
// The dialog's window while one is up, else null (for tests).
HWND GetPrintDialogWindow();

// The user's documents folder ($XDG_DOCUMENTS_DIR, else ~/Documents when it exists, else the
// home folder, else the current one).
std::string DocumentsFolder();
// The file the PDF printer writes when nobody chose one: "print.pdf" in the documents folder.
std::string DefaultPrintOutput();
// The settings' printer entry when the settings name none: "PDF,PDF,<default output>".
std::string DefaultPrinterDevice();
