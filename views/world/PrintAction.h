#pragma once
// Printing what a view shows on one page: the print dialog (178) or the printer the settings
// name (180) gives a printer context; the port draws into it, the view draws itself scaled to
// the printable area, keeping its proportions, and the page and the document end. Printing
// changes nothing in the world and is not undone.

#include <cstdint>
#include <optional>
#include <string>

#include "core/MacTypes.h"
#include "model/command/CommandCore.h"
#include "platform/win32/PrintDialog.h"

class TWrappedWindow;

inline constexpr int16_t kCmdPrint = 178;
inline constexpr int16_t kCmdPrintDefault = 180;
// A menu is being tracked: nothing can be printed now.
inline constexpr int16_t kErrPrintWhileMenuTracked = -25108;

// The settings' printer entry "device,driver,port" split at its commas, blanks after each comma
// skipped; a field that is missing has no value.
struct PrinterEntry {
  std::optional<std::string> device;
  std::optional<std::string> driver;
  std::optional<std::string> port;
};
PrinterEntry SplitPrinterEntry(const std::string& entry);

class TPrintAction : public TSmallCommand {
  DECLARE_CLASS_ID(338, TSmallCommand)

 public:
  // For 180 the settings' printer is used without asking.
  void InitPrint(int16_t commandNumber, TWrappedWindow* view, TCommandDocument* document);

  void DoIt() override;
  // The printer's context, also kept in the dialog record; null when the dialog was cancelled
  // or there is no such printer.
  HDC GetPrinterDC();
  // Maps the view's page onto the printable area and prints it on the port's context; true
  // when every step succeeded.
  bool PrintPages();

  bool ShowsDialog() const { return showDialog_ != 0; }
  const MacRect& PageRect() const { return page_; }
  const PRINTDLG& DialogRecord() const { return dialog_; }

 private:
  void PrintOn(HDC printer);

  MacRect page_;
  TWrappedWindow* view_ = nullptr;
  PRINTDLG dialog_;
  uint16_t showDialog_ = 1;
};
