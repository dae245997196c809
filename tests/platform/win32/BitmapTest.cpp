// Bitmaps from packed device-independent bits, and the checks on their lengths.

#include <vector>

#include <gtest/gtest.h>

#include "platform/win32/Bitmap.h"
#include "tests/platform/win32/GdiTestSupport.h"

namespace {

void Put32(std::vector<uint8_t>& out, uint32_t v) {
  for (int i = 0; i < 4; ++i)
    out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}
void Put16(std::vector<uint8_t>& out, uint16_t v) {
  out.push_back(static_cast<uint8_t>(v));
  out.push_back(static_cast<uint8_t>(v >> 8));
}

// A bottom-up 24-bit DIB of width x height whose first stored row is red, the rest blue.
std::vector<uint8_t> Dib(int32_t width, int32_t height) {
  std::vector<uint8_t> dib;
  Put32(dib, 40);
  Put32(dib, static_cast<uint32_t>(width));
  Put32(dib, static_cast<uint32_t>(height));
  Put16(dib, 1);
  Put16(dib, 24);
  for (int i = 0; i < 6; ++i)
    Put32(dib, 0);
  const int32_t rowBytes = ((width * 3) + 3) & ~3;
  for (int32_t y = 0; y < height; ++y) {
    for (int32_t x = 0; x < width; ++x) {
      if (y == 0)
        dib.insert(dib.end(), {0, 0, 255});
      else
        dib.insert(dib.end(), {255, 0, 0});
    }
    for (int32_t pad = width * 3; pad < rowBytes; ++pad)
      dib.push_back(0);
  }
  return dib;
}

TEST(Bitmap, PackedBitsBecomeABitmapTopRowFirst) {
  const std::vector<uint8_t> dib = Dib(3, 2);
  HBITMAP bitmap = CreateBitmapFromDib(dib);
  ASSERT_NE(bitmap, nullptr);
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(dc, bitmap);
  EXPECT_EQ(GetPixel(dc, 0, 1), kRed);  // the first stored row is the bottom one
  EXPECT_EQ(GetPixel(dc, 2, 0), kBlue);
  SelectObject(dc, old);
  DeleteDC(dc);
  DeleteObject(bitmap);
}

TEST(Bitmap, ShortOrImpossibleBitsAreRefused) {
  std::vector<uint8_t> dib = Dib(3, 2);
  EXPECT_EQ(CreateBitmapFromDib(std::span(dib.data(), dib.size() - 1)), nullptr);
  EXPECT_EQ(CreateBitmapFromDib(std::span(dib.data(), 20)), nullptr);
  std::vector<uint8_t> huge = dib;
  huge[8] = 0xFF;  // height 0x00FF0002 rows: far more than the bits hold
  huge[10] = 0xFF;
  EXPECT_EQ(CreateBitmapFromDib(huge), nullptr);
  std::vector<uint8_t> compressed = dib;
  compressed[16] = 1;
  EXPECT_EQ(CreateBitmapFromDib(compressed), nullptr);
  EXPECT_EQ(LoadBitmap(nullptr, MAKEINTRESOURCEA(32000)), nullptr);
}

}  // namespace
