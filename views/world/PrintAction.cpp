#include "views/world/PrintAction.h"

#include <algorithm>
#include <cmath>

#include "core/Failure.h"
#include "core/port/Picture.h"
#include "core/port/Port.h"
#include "platform/win32/Cursor.h"
#include "platform/win32/DcPrinter.h"
#include "platform/win32/Menu.h"
#include "platform/win32/Profile.h"
#include "ui/views/ViewServices.h"
#include "ui/views/WrappedWindow.h"

namespace {

// The longest printer entry the settings are read for.
constexpr size_t kMaxPrinterEntry = 80;

// Everything printing changed, put back however printing ends: the printer's context goes, the
// port draws as before into the context it had, and the cursor is what it was.
class PrintingState {
 public:
  PrintingState(HDC printer, HDC savedPortDC)
      : printer_(printer), savedPortDC_(savedPortDC), solidBrushes_(GetUseSolidBrushes()) {
    cursor_ = SetCursor(LoadCursor(nullptr, IDC_WAIT));
    PrintingInProgress() = true;
    SetUseSolidBrushes(true);
  }
  ~PrintingState() {
    if (IsPictureRecording()) AbandonPictureRecording();
    SetPortDC(savedPortDC_);
    DeleteDC(printer_);
    SetUseSolidBrushes(solidBrushes_);
    PrintingInProgress() = false;
    SetCursor(cursor_);
  }
  PrintingState(const PrintingState&) = delete;
  PrintingState& operator=(const PrintingState&) = delete;

 private:
  HDC printer_;
  HDC savedPortDC_;
  bool solidBrushes_;
  HCURSOR cursor_ = nullptr;
};

const char* ValueOrNull(const std::optional<std::string>& field) {
  return field ? field->c_str() : nullptr;
}

}  // namespace

PrinterEntry SplitPrinterEntry(const std::string& entry) {
  PrinterEntry fields;
  std::optional<std::string>* const order[] = {&fields.device, &fields.driver, &fields.port};
  size_t start = 0;
  for (size_t field = 0; field < 3; ++field) {
    // The port is the rest of the entry, commas and all.
    const size_t comma = field < 2 ? entry.find(',', start) : std::string::npos;
    *order[field] = entry.substr(start, comma == std::string::npos ? comma : comma - start);
    if (comma == std::string::npos) break;
    start = std::min(entry.find_first_not_of(' ', comma + 1), entry.size());
  }
  return fields;
}

void TPrintAction::InitPrint(int16_t commandNumber, TWrappedWindow* view,
                             TCommandDocument* document) {
  Init(commandNumber, document, nullptr, nullptr);
  view_ = view;
  page_ = MacRect();
  dialog_ = PRINTDLG{};
  dialog_.lStructSize = kPrintDialogRecordSize;
  dialog_.hwndOwner = MainFrameWindow();
  dialog_.Flags = PD_RETURNDC | PD_NOPAGENUMS | PD_NOSELECTION;
  dialog_.nFromPage = 0xFFFF;
  dialog_.nToPage = 0xFFFF;
  dialog_.nMinPage = 1;
  dialog_.nMaxPage = 1;
  dialog_.nCopies = 1;
  showDialog_ = commandNumber == kCmdPrintDefault ? 0 : 1;
}

void TPrintAction::DoIt() {
  if (GetActivePopupMenuWindow() != nullptr) ThrowFailure(kErrPrintWhileMenuTracked, 0);
  if (view_ == nullptr) return;
  view_->GetExtentInPort(page_);
  const HDC printer = GetPrinterDC();
  if (printer == nullptr) return;
  PrintOn(printer);
}

void TPrintAction::PrintOn(HDC printer) {
  PrintingState state(printer, GetPortDC());
  SetPortDC(printer);
  PrintPages();
}

HDC TPrintAction::GetPrinterDC() {
  dialog_.hDC = nullptr;
  if (showDialog_ != 0) {
    if (PrintDlg(&dialog_) == FALSE) dialog_.hDC = nullptr;
    return dialog_.hDC;
  }
  std::string entry = GetProfileString("windows", "device", "");
  if (entry.size() > kMaxPrinterEntry) entry.resize(kMaxPrinterEntry);
  const PrinterEntry fields = SplitPrinterEntry(entry);
  dialog_.hDC = CreateDC(ValueOrNull(fields.driver), ValueOrNull(fields.device),
                         ValueOrNull(fields.port), nullptr);
  return dialog_.hDC;
}

bool TPrintAction::PrintPages() {
  const HDC dc = GetPortDC();
  const int32_t width = page_.right - page_.left;
  const int32_t height = page_.bottom - page_.top;
  // A view that shows nothing has nothing to print.
  if (dc == nullptr || width <= 0 || height <= 0) return false;
  // One scale for both directions, so that the page keeps the view's proportions.
  const double scale =
      std::min(static_cast<double>(GetDeviceCaps(dc, HORZRES)) / width,
               static_cast<double>(GetDeviceCaps(dc, VERTRES)) / height);
  SetMapMode(dc, MM_ANISOTROPIC);
  SetWindowOrgEx(dc, page_.left, page_.top, nullptr);
  SetWindowExtEx(dc, width, height, nullptr);
  SetViewportExtEx(dc, std::max<int32_t>(1, static_cast<int32_t>(std::lround(width * scale))),
                   std::max<int32_t>(1, static_cast<int32_t>(std::lround(height * scale))),
                   nullptr);
  DOCINFO info;
  info.lpszDocName = "print";
  info.lpszOutput = nullptr;
  info.lpszDatatype = "";
  info.fwType = 0;
  if (StartDoc(dc, &info) <= 0) return false;
  bool printed = StartPage(dc) > 0;
  if (printed) {
    view_->Draw(page_);
    printed = EndPage(dc) > 0;
  }
  if (EndDoc(dc) <= 0) printed = false;
  return printed;
}
