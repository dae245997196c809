// The print dialog and the printer the settings name when they name none.

#include "platform/win32/PrintDialog.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "platform/win32/Dc.h"
#include "platform/win32/DcPrinter.h"
#include "platform/win32/Dialog.h"
#include "platform/win32/Input.h"
#include "platform/win32/Message.h"
#include "platform/win32/MessageBox.h"
#include "platform/win32/Profile.h"
#include "platform/win32/Window.h"
#include "platform/win32/WindowMessages.h"
#include "tests/platform/win32/DialogTestSupport.h"

namespace {

namespace fs = std::filesystem;

class PrintDialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetWindowSystem();
    folder_ = fs::temp_directory_path() / ("yb-print-dialog-" + std::to_string(::getpid()));
    fs::create_directories(folder_);
    savedProfile_ = GetProfileFile();
    const char* documents = std::getenv("XDG_DOCUMENTS_DIR");
    savedDocuments_ = documents ? documents : "";
    hadDocuments_ = documents != nullptr;
    setenv("XDG_DOCUMENTS_DIR", folder_.c_str(), 1);
  }
  void TearDown() override {
    SetIdleScript(nullptr);
    SetProfileFile(savedProfile_);
    if (hadDocuments_)
      setenv("XDG_DOCUMENTS_DIR", savedDocuments_.c_str(), 1);
    else
      unsetenv("XDG_DOCUMENTS_DIR");
    fs::remove_all(folder_);
    ResetWindowSystem();
  }
  fs::path folder_;
  std::string savedProfile_;
  std::string savedDocuments_;
  bool hadDocuments_ = false;
};

TEST_F(PrintDialogTest, SettingsWithoutAPrinterNameThePdfPrinterWritingIntoTheDocuments) {
  const std::string settings = (folder_ / "settings.ini").string();
  std::ofstream(settings) << "[windows]\nload=\n";
  SetProfileFile(settings);
  const std::string expected = "PDF,PDF," + (folder_ / "print.pdf").string();
  EXPECT_EQ(DefaultPrinterDevice(), expected);
  EXPECT_EQ(GetProfileString("windows", "device", ""), expected);
  // Other keys keep their own fallback; a named printer wins.
  EXPECT_EQ(GetProfileString("windows", "spooler", "no"), "no");
  std::ofstream(settings) << "[windows]\ndevice=Office,PDF,/tmp/office.pdf\n";
  EXPECT_EQ(GetProfileString("windows", "device", ""), "Office,PDF,/tmp/office.pdf");
}

TEST_F(PrintDialogTest, TheDialogOffersThePdfPrinterAndRefusesAnEmptyFile) {
  PRINTDLG record;
  record.lStructSize = 60;
  EXPECT_FALSE(PrintDlg(&record));

  record.lStructSize = kPrintDialogRecordSize;
  record.Flags = PD_RETURNDC;
  std::string printer;
  std::string offered;
  const int32_t beeps = BeepCount();
  const fs::path chosen = folder_ / "chosen.pdf";
  ScriptUser({[&] {
                const HWND dialog = GetPrintDialogWindow();
                ASSERT_NE(dialog, nullptr);
                printer = GetDlgItemTextString(dialog, kPrintPrinterName);
                offered = GetDlgItemTextString(dialog, kPrintOutputFile);
                SetDlgItemText(dialog, kPrintOutputFile, "");
                SendMessage(dialog, WM_COMMAND, IDOK, 0);
              },
              [&] {
                // Still up after the empty name.
                const HWND dialog = GetPrintDialogWindow();
                ASSERT_NE(dialog, nullptr);
                SetDlgItemText(dialog, kPrintOutputFile, chosen.c_str());
                SendMessage(dialog, WM_COMMAND, IDOK, 0);
              }});
  ASSERT_TRUE(PrintDlg(&record));
  EXPECT_EQ(printer, "PDF");
  EXPECT_EQ(offered, (folder_ / "print.pdf").string());
  EXPECT_EQ(BeepCount(), beeps + 1);
  ASSERT_NE(record.hDC, nullptr);
  DOCINFO info;
  info.lpszDocName = "print";
  ASSERT_GT(StartDoc(record.hDC, &info), 0);
  ASSERT_GT(StartPage(record.hDC), 0);
  ASSERT_GT(EndPage(record.hDC), 0);
  ASSERT_GT(EndDoc(record.hDC), 0);
  DeleteDC(record.hDC);
  EXPECT_TRUE(fs::exists(chosen));

  ScriptUser({[] { SendMessage(GetPrintDialogWindow(), WM_CLOSE, 0, 0); }});
  EXPECT_FALSE(PrintDlg(&record));
  EXPECT_EQ(record.hDC, nullptr);
}

}  // namespace
