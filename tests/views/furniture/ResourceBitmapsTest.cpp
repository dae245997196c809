// Palettes from the colour tables of DIBs of 4, 8 and 24 bits, and a bitmap resource drawn into
// a window where it was asked for.

#include "views/furniture/ResourceBitmaps.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "core/Handle.h"
#include "core/Resources.h"
#include "platform/win32/Bitmap.h"
#include "platform/win32/GdiObjects.h"
#include "resources/ResourceLibraries.h"
#include "tests/views/offscreen/OffScreenSupport.h"

namespace {

void PutDword(std::vector<uint8_t>& out, uint32_t value) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

// A 2 x 2 DIB of that many bits whose colour table holds `used` entries (0: all), entry i
// being (red i, green 2i, blue 3i).
std::vector<uint8_t> Dib(uint16_t bits, uint32_t used) {
  std::vector<uint8_t> dib;
  PutDword(dib, 40);
  PutDword(dib, 2);
  PutDword(dib, 2);
  dib.push_back(1);
  dib.push_back(0);
  dib.push_back(static_cast<uint8_t>(bits));
  dib.push_back(0);
  for (int i = 0; i < 4; ++i) PutDword(dib, 0);
  PutDword(dib, used);
  PutDword(dib, 0);
  const uint32_t entries = bits > 8 ? 0 : (used != 0 ? used : 1u << bits);
  for (uint32_t i = 0; i < entries; ++i) {
    dib.push_back(static_cast<uint8_t>(3 * i));
    dib.push_back(static_cast<uint8_t>(2 * i));
    dib.push_back(static_cast<uint8_t>(i));
    dib.push_back(0);
  }
  dib.insert(dib.end(), 2 * 8, 0x11);  // two rows of at most 8 bytes
  return dib;
}

TEST(ResourceBitmaps, PalettesFollowTheColourTable) {
  int32_t count = -1;
  const HPALETTE four = CreateDIBPalette(Dib(4, 0), count);
  ASSERT_NE(four, nullptr);
  EXPECT_EQ(count, 16);
  PALETTEENTRY entry;
  ASSERT_EQ(GetPaletteEntries(four, 5, 1, &entry), 1u);
  EXPECT_EQ(entry.peRed, 5);
  EXPECT_EQ(entry.peGreen, 10);
  EXPECT_EQ(entry.peBlue, 15);
  EXPECT_EQ(entry.peFlags, 0);
  DeleteObject(four);

  const HPALETTE eight = CreateDIBPalette(Dib(8, 0), count);
  EXPECT_EQ(count, 256);
  DeleteObject(eight);
  // A table of fewer colours than the bits could name: only those, nothing read past them.
  const HPALETTE short8 = CreateDIBPalette(Dib(8, 20), count);
  EXPECT_EQ(count, 20);
  DeleteObject(short8);

  EXPECT_EQ(CreateDIBPalette(Dib(24, 0), count), nullptr);
  EXPECT_EQ(count, 0);
  // A table cut short counts as no palette.
  std::vector<uint8_t> cut = Dib(8, 0);
  cut.resize(40 + 100);
  EXPECT_EQ(CreateDIBPalette(cut, count), nullptr);
  for (uint16_t bits : {4, 8, 24}) {
    const HBITMAP bitmap = CreateBitmapFromDib(Dib(bits, 0));
    EXPECT_NE(bitmap, nullptr) << bits;
    DeleteObject(bitmap);
  }
}

class ResourceBitmapsDrawTest : public view_test::OffScreenTest {
 protected:
  void SetUp() override {
    view_test::OffScreenTest::SetUp();
    InitHandlePool();
    RegisterResourceLibraries();
    SetResourceModule1(LoadResourceLibrary(kMainResourceLibrary));
  }
  void TearDown() override {
    SetResourceModule1(nullptr);
    view_test::OffScreenTest::TearDown();
    FreeHandlePool();
  }
};

TEST_F(ResourceBitmapsDrawTest, ABitmapResourceIsDrawnWhereAskedAndAMissingOneNotAtAll) {
  HPALETTE palette = reinterpret_cast<HPALETTE>(0x1234);
  EXPECT_EQ(LoadDIBResource(GetResourceModule(), 9999, palette), nullptr);
  EXPECT_EQ(palette, reinterpret_cast<HPALETTE>(0x1234));

  HPALETTE two = nullptr;
  const HBITMAP box = LoadDIBResource(GetResourceModule(), 1001, two);
  ASSERT_NE(box, nullptr);
  EXPECT_NE(two, nullptr);  // one bit: two colours
  DeleteObject(box);
  DeleteObject(two);

  const HWND window = root_->GetWindowHandle();
  const uint32_t before = Pixel(3, 3) & 0xFFFFFF;
  DrawResourceBitmap(window, 3, 3, 9999);
  EXPECT_EQ(Pixel(3, 3) & 0xFFFFFF, before);
  // The clear check box: a black frame 14 pixels square round white, a pixel in from the
  // corner of its 16 x 16 picture, drawn at (3, 3).
  DrawResourceBitmap(window, 3, 3, 1001);
  EXPECT_EQ(Pixel(3, 3) & 0xFFFFFF, 0xFFFFFFu);
  EXPECT_EQ(Pixel(3 + 1, 3 + 1) & 0xFFFFFF, 0u);
  EXPECT_EQ(Pixel(3 + 14, 3 + 14) & 0xFFFFFF, 0u);
  EXPECT_EQ(Pixel(3 + 7, 3 + 7) & 0xFFFFFF, 0xFFFFFFu);
}

TEST_F(ResourceBitmapsDrawTest, TheStartAndAboutPicturesAreFullPaletteEightBitDibs) {
  const struct {
    int16_t id;
    int32_t width;
    int32_t height;
  } pictures[] = {{106, 520, 344}, {111, 214, 343}};
  for (const auto& picture : pictures) {
    HPALETTE palette = nullptr;
    const HBITMAP bitmap = LoadDIBResource(GetResourceModule(), picture.id, palette);
    ASSERT_NE(bitmap, nullptr) << picture.id;
    BITMAP info{};
    ASSERT_NE(GetObject(bitmap, sizeof info, &info), 0);
    EXPECT_EQ(info.bmWidth, picture.width);
    EXPECT_EQ(info.bmHeight, picture.height);
    ASSERT_NE(palette, nullptr);
    PALETTEENTRY entries[257] = {};
    EXPECT_EQ(GetPaletteEntries(palette, 0, 257, entries), 256u) << picture.id;
    DeleteObject(bitmap);
    DeleteObject(palette);
  }
}

}  // namespace
