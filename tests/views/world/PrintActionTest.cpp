// Printing a view on one page: the default printer is used without asking and the print dialog
// every time it is asked for; a printer entry's fields; a view that shows nothing is not
// printed; a page that fails puts the port, the flags and the cursor back.

#include "views/world/PrintAction.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "core/Failure.h"
#include "core/port/Port.h"
#include "core/port/PortShapes.h"
#include "platform/win32/Cursor.h"
#include "platform/win32/Dialog.h"
#include "platform/win32/GdiObjects.h"
#include "platform/win32/Message.h"
#include "platform/win32/MessageBox.h"
#include "platform/win32/Profile.h"
#include "platform/win32/WindowMessages.h"
#include "tests/ui/views/ViewTestSupport.h"
#include "ui/views/ViewServices.h"

namespace view_test {
namespace {

// A view that fills what it is asked to draw red, or fails.
class TPageView : public TWrappedWindow {
 public:
  void Draw(const MacRect& area) override {
    if (fail) ThrowFailure(-1, 0);
    const HBRUSH red = CreateSolidBrush(RGB(200, 0, 0));
    PortFillRectBrush(area, red);
    DeleteObject(red);
  }
  bool fail = false;
};

class PrintActionTest : public ViewTest {
 protected:
  void SetUp() override {
    ViewTest::SetUp();
    folder_ = std::filesystem::temp_directory_path() / ("yb-print-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder_);
    savedProfile_ = GetProfileFile();
    SetProfileFile((folder_ / "settings.ini").string());
  }
  void TearDown() override {
    SetIdleScript(nullptr);
    SetProfileFile(savedProfile_);
    std::filesystem::remove_all(folder_);
    ViewTest::TearDown();
  }
  void SetDevice(const std::string& entry) {
    std::ofstream(GetProfileFile()) << "[windows]\ndevice=" << entry << "\n";
  }
  // A view of the size with no superview.
  static std::unique_ptr<TPageView> MakeView(int32_t width, int32_t height) {
    auto view = std::make_unique<TPageView>();
    TViewPoint location;
    TViewPoint size{width, height};
    view->InitFromParent(nullptr, nullptr, location, size, 5, 5);
    return view;
  }
  // Prints the view with the command; while the print dialog is up, `user` acts in it.
  void Print(int16_t command, TWrappedWindow& view, const std::function<void(HWND)>& user) {
    SetIdleScript([&] {
      const HWND dialog = GetPrintDialogWindow();
      if (dialog == nullptr) return false;
      ++dialogsShown_;
      user(dialog);
      return true;
    });
    TPrintAction action;
    action.InitPrint(command, &view, nullptr);
    action.Perform();
    record_ = action.DialogRecord();
    SetIdleScript(nullptr);
  }
  static void Cancel(HWND dialog) { SendMessage(dialog, WM_COMMAND, IDCANCEL, 0); }

  std::filesystem::path folder_;
  std::string savedProfile_;
  int32_t dialogsShown_ = 0;
  PRINTDLG record_;
};

TEST_F(PrintActionTest, TheDefaultPrinterIsUsedWithoutAskingAndTheDialogEveryTime) {
  const std::unique_ptr<TPageView> view = MakeView(200, 100);
  const std::filesystem::path byDefault = folder_ / "default.pdf";
  SetDevice("PDF, PDF, " + byDefault.string());
  Print(kCmdPrintDefault, *view, Cancel);
  EXPECT_EQ(dialogsShown_, 0);
  EXPECT_TRUE(std::filesystem::exists(byDefault));

  // Asked for, the dialog comes up; the file typed there is written.
  const std::filesystem::path chosen = folder_ / "chosen.pdf";
  Print(kCmdPrint, *view, [&](HWND dialog) {
    SetDlgItemText(dialog, kPrintOutputFile, chosen.string().c_str());
    SendMessage(dialog, WM_COMMAND, IDOK, 0);
  });
  EXPECT_EQ(dialogsShown_, 1);
  EXPECT_TRUE(std::filesystem::exists(chosen));
  EXPECT_EQ(record_.lStructSize, 66u);
  EXPECT_EQ(record_.Flags, 0x10Cu);
  EXPECT_EQ(record_.nFromPage, 0xFFFF);
  EXPECT_EQ(record_.nMinPage, 1);
  EXPECT_EQ(record_.nMaxPage, 1);
  EXPECT_EQ(record_.nCopies, 1);

  // Cancelled, nothing is printed.
  std::filesystem::remove(chosen);
  Print(kCmdPrint, *view, Cancel);
  EXPECT_EQ(dialogsShown_, 2);
  EXPECT_EQ(record_.hDC, nullptr);
  EXPECT_FALSE(std::filesystem::exists(chosen));
}

TEST_F(PrintActionTest, APrinterEntryIsSplitAtItsCommas) {
  const PrinterEntry alone = SplitPrinterEntry("PDF");
  EXPECT_EQ(alone.device, "PDF");
  EXPECT_FALSE(alone.driver.has_value());
  EXPECT_FALSE(alone.port.has_value());
  const PrinterEntry full = SplitPrinterEntry("Office,  PDF, /tmp/a, b.pdf");
  EXPECT_EQ(full.device, "Office");
  EXPECT_EQ(full.driver, "PDF");
  EXPECT_EQ(full.port, "/tmp/a, b.pdf");

  // A device alone has no port to write to: nothing is printed, nothing fails.
  const std::unique_ptr<TPageView> view = MakeView(200, 100);
  SetDevice("PDF");
  Print(kCmdPrintDefault, *view, Cancel);
  EXPECT_EQ(dialogsShown_, 0);
  for (const auto& entry : std::filesystem::directory_iterator(folder_))
    EXPECT_NE(entry.path().extension(), ".pdf") << entry.path();
  EXPECT_FALSE(PrintingInProgress());
}

TEST_F(PrintActionTest, AViewThatShowsNothingIsNotPrinted) {
  const std::filesystem::path output = folder_ / "empty.pdf";
  SetDevice("PDF,PDF," + output.string());
  for (const auto& [width, height] : {std::pair{0, 100}, std::pair{200, 0}, std::pair{-5, 10}}) {
    const std::unique_ptr<TPageView> view = MakeView(width, height);
    Print(kCmdPrintDefault, *view, Cancel);
    EXPECT_FALSE(std::filesystem::exists(output)) << width << " x " << height;
  }
}

TEST_F(PrintActionTest, AFailedPagePutsThePortTheFlagsAndTheCursorBack) {
  const std::unique_ptr<TPageView> view = MakeView(200, 100);
  view->fail = true;
  SetDevice("PDF,PDF," + (folder_ / "failed.pdf").string());
  const HDC portDC = GetPortDC();
  const HCURSOR cursor = SetCursor(LoadCursor(nullptr, IDC_ARROW));
  EXPECT_THROW(Print(kCmdPrintDefault, *view, Cancel), QVException);
  EXPECT_EQ(GetPortDC(), portDC);
  EXPECT_EQ(GetCursor(), LoadCursor(nullptr, IDC_ARROW));
  EXPECT_FALSE(PrintingInProgress());
  EXPECT_FALSE(GetUseSolidBrushes());
  SetCursor(cursor);

  // The next page prints.
  view->fail = false;
  Print(kCmdPrintDefault, *view, Cancel);
  EXPECT_TRUE(std::filesystem::exists(folder_ / "failed.pdf"));
}

}  // namespace
}  // namespace view_test
