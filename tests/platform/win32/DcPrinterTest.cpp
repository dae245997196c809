// The printer context writes PDF whose pages, rendered by an independent reader, show the
// pixels that a memory context shows for the same drawing.

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include <gtest/gtest.h>

#include "tests/platform/win32/GdiTestSupport.h"

namespace {

void DrawPage(HDC dc) {
  HPEN pen = CreatePen(PS_SOLID, 3, RGB(0, 0, 160));
  HBRUSH brush = CreateHatchBrush(HS_BDIAGONAL, RGB(180, 0, 0));
  HGDIOBJ oldPen = SelectObject(dc, pen);
  HGDIOBJ oldBrush = SelectObject(dc, brush);
  Rectangle(dc, 20, 20, 300, 200);
  Ellipse(dc, 150, 100, 400, 300);
  MoveToEx(dc, 0, 0, nullptr);
  LineTo(dc, 399, 299);
  TextOut(dc, 40, 250, "Printed page", 12);
  SelectObject(dc, oldPen);
  SelectObject(dc, oldBrush);
  DeleteObject(pen);
  DeleteObject(brush);
}

// Reads a binary PPM (P6) as COLORREFs.
std::vector<COLORREF> ReadPpm(const std::string& path, int& width, int& height) {
  std::ifstream in(path, std::ios::binary);
  std::string magic;
  int maxValue = 0;
  in >> magic >> width >> height >> maxValue;
  in.get();
  std::vector<COLORREF> pixels;
  if (magic != "P6" || maxValue != 255) return pixels;
  for (int i = 0; i < width * height; ++i) {
    const int r = in.get();
    const int g = in.get();
    const int b = in.get();
    pixels.push_back(RGB(r, g, b));
  }
  return pixels;
}

TEST(DcPrinter, PdfPagesRenderToTheMemoryContextPicture) {
  const std::filesystem::path folder =
      std::filesystem::temp_directory_path() / ("yb-gdi-print-" + std::to_string(getpid()));
  std::filesystem::create_directories(folder);
  const std::string pdf = (folder / "page.pdf").string();
  constexpr int kWidth = 400;
  constexpr int kHeight = 300;
  HDC printer = CreatePrinterDC(pdf.c_str(), 72, kWidth, kHeight);
  ASSERT_NE(printer, nullptr);
  EXPECT_EQ(GetDeviceCaps(printer, HORZRES), kWidth);
  EXPECT_EQ(GetDeviceCaps(printer, LOGPIXELSX), 72);
  DOCINFO info;
  info.lpszDocName = "print";
  ASSERT_GT(StartDoc(printer, &info), 0);
  ASSERT_GT(StartPage(printer), 0);
  DrawPage(printer);
  ASSERT_GT(EndPage(printer), 0);
  ASSERT_GT(EndDoc(printer), 0);
  DeleteDC(printer);

  const std::string prefix = (folder / "page").string();
  // The reader smooths images drawn at less than four times their size, so the page is rendered
  // at four times the printer's resolution and each printer pixel read at the centre of its 4x4
  // block.
  const std::string command = "pdftoppm -r 288 -singlefile '" + pdf + "' '" + prefix + "'";
  ASSERT_EQ(std::system(command.c_str()), 0);
  int width = 0;
  int height = 0;
  const std::vector<COLORREF> rendered = ReadPpm(prefix + ".ppm", width, height);
  ASSERT_EQ(width, 4 * kWidth);
  ASSERT_EQ(height, 4 * kHeight);
  std::vector<COLORREF> printed;
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) {
      printed.push_back(rendered[static_cast<size_t>(4 * y + 2) * width + 4 * x + 2]);
    }
  }

  MemoryCanvas screen(kWidth, kHeight);
  DrawPage(screen.dc());
  EXPECT_EQ(printed, screen.Pixels());
  std::filesystem::remove_all(folder);
}

TEST(DcPrinter, PagesNeedADocumentAndAnOutput) {
  HDC printer = CreateDC("PDF", nullptr, nullptr, nullptr);
  ASSERT_NE(printer, nullptr);
  EXPECT_EQ(GetDeviceCaps(printer, LOGPIXELSY), 150);
  EXPECT_LT(StartPage(printer), 0);          // no document started
  EXPECT_LT(StartDoc(printer, nullptr), 0);  // nowhere to write
  EXPECT_LT(EndDoc(printer), 0);
  DeleteDC(printer);
  EXPECT_EQ(CreateDC("LaserJet", nullptr, nullptr, nullptr), nullptr);
}

}  // namespace
