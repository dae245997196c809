// Printing a view on one page: the default printer is used without asking and the print dialog
// every time it is asked for; a printer entry's fields; a view that shows nothing is not
// printed; a page that fails puts the port, the flags and the cursor back.

#include "views/world/PrintAction.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
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

// The red part of a printed page, read back by pdftoppm: its box in pixels of the page.
struct PrintedPage {
  int32_t width = 0, height = 0;
  int32_t left = -1, top = -1, right = -1, bottom = -1;  // of the red pixels; -1 for none
};

PrintedPage ReadBack(const std::filesystem::path& pdf) {
  PrintedPage page;
  const std::filesystem::path stem = pdf.parent_path() / "page";
  const std::string command = "pdftoppm -r 30 -singlefile '" + pdf.string() + "' '" +
                              stem.string() + "' >/dev/null 2>&1";
  if (std::system(command.c_str()) != 0) return page;
  std::ifstream file(stem.string() + ".ppm", std::ios::binary);
  std::string magic;
  int32_t maximum = 0;
  file >> magic >> page.width >> page.height >> maximum;
  file.get();
  for (int32_t y = 0; y < page.height; ++y) {
    for (int32_t x = 0; x < page.width; ++x) {
      char rgb[3];
      file.read(rgb, 3);
      if (static_cast<uint8_t>(rgb[0]) < 150 || static_cast<uint8_t>(rgb[1]) > 80) continue;
      if (page.left < 0 || x < page.left) page.left = x;
      if (page.top < 0) page.top = y;
      page.right = std::max(page.right, x);
      page.bottom = y;
    }
  }
  return page;
}

TEST_F(PrintActionTest, TheWholeViewFillsThePageWithItsProportionsWhateverItsSize) {
  // Narrower and wider than the printable area, wide and tall.
  for (const auto& [width, height] :
       {std::pair{200, 100}, std::pair{2400, 1200}, std::pair{100, 300}, std::pair{1500, 3000}}) {
    const std::filesystem::path output = folder_ / "whole.pdf";
    SetDevice("PDF,PDF," + output.string());
    const std::unique_ptr<TPageView> view = MakeView(width, height);
    Print(kCmdPrintDefault, *view, Cancel);
    const PrintedPage page = ReadBack(output);
    ASSERT_GT(page.width, 0) << "pdftoppm read no page";
    ASSERT_GE(page.left, 0) << width << " x " << height << ": nothing red on the page";
    const int32_t redWidth = page.right - page.left + 1;
    const int32_t redHeight = page.bottom - page.top + 1;
    // From the top left corner of the printable area, as wide or as high as the page lets it be.
    EXPECT_LE(page.left, 1);
    EXPECT_LE(page.top, 1);
    EXPECT_TRUE(redWidth >= page.width - 2 || redHeight >= page.height - 2)
        << width << " x " << height << " printed " << redWidth << " x " << redHeight << " of "
        << page.width << " x " << page.height;
    EXPECT_NEAR(double(redWidth) / redHeight, double(width) / height, 0.05 * width / height)
        << width << " x " << height;
    std::filesystem::remove(output);
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
