#include "platform/win32/Icon.h"

#include <cairo.h>
#include <gtest/gtest.h>

#include "platform/win32/Metafile.h"
#include "platform/win32/WindowDc.h"
#include "platform/win32/WindowPresenter.h"
#include "tests/platform/win32/GdiTestSupport.h"
#include "tests/platform/win32/IconTestSupport.h"
#include "tests/platform/win32/WindowTestSupport.h"

namespace {

using icontest::IconDib;
using icontest::IconGroup;

constexpr COLORREF kGreen = RGB(0, 200, 0);
constexpr uint32_t kRedPixel = 0xFF0000;
constexpr uint32_t kYellowPixel = 0xFFFF00;

// A 32 x 32 icon: its left half opaque red, its right half transparent, except a yellow
// 4 x 4 square at (24, 0) that is transparent in the mask but set in the image (it inverts
// the destination, as icons do).
uint32_t HalfColor(int32_t x, int32_t y) {
  if (x >= 24 && x < 28 && y < 4) return kYellowPixel;
  return x < 16 ? kRedPixel : 0;
}
bool HalfClear(int32_t x, int32_t /*y*/) {
  return x >= 16;
}

HICON MakeIcon(const std::vector<uint8_t>& bytes) {
  return CreateIconFromResource(bytes.data(), static_cast<DWORD>(bytes.size()), TRUE, 0x00030000);
}

// What the destination pixel c becomes under the half icon's pixel (x, y).
COLORREF Expected(int32_t x, int32_t y, COLORREF c) {
  if (x < 16) return kRed;
  if (x >= 24 && x < 28 && y < 4) return c ^ RGB(255, 255, 0);
  return c;
}

TEST(IconDrawing, MaskKeepsBackgroundInMemoryContext) {
  MemoryCanvas canvas(48, 40, kGreen);
  canvas.Scramble();
  const std::vector<COLORREF> before = canvas.Pixels();
  const HICON icon = MakeIcon(IconDib(32, 32, 24, HalfColor, HalfClear));
  ASSERT_NE(icon, nullptr);
  ASSERT_TRUE(DrawIcon(canvas.dc(), 5, 3, icon));
  for (int32_t y = 0; y < canvas.height(); ++y) {
    for (int32_t x = 0; x < canvas.width(); ++x) {
      const COLORREF old = before[static_cast<size_t>(y) * canvas.width() + x];
      const bool inside = x >= 5 && x < 37 && y >= 3 && y < 35;
      ASSERT_EQ(canvas.At(x, y), inside ? Expected(x - 5, y - 3, old) : old) << x << "," << y;
    }
  }
  // The destination's colours, which turn the monochrome mask into colour, are left as found.
  EXPECT_EQ(GetTextColor(canvas.dc()), kBlack);
  EXPECT_TRUE(DestroyIcon(icon));
}

TEST(IconDrawing, EveryDepthDecodesToTheSameIcon) {
  const std::vector<uint8_t> forms[] = {
      IconDib(32, 32, 4, HalfColor, HalfClear), IconDib(32, 32, 24, HalfColor, HalfClear),
      IconDib(32, 32, 32, HalfColor, HalfClear),
      // Alpha bytes carry the mask (the yellow square is then transparent and black).
      IconDib(
          32, 32, 32, [](int32_t x, int32_t) { return x < 16 ? kRedPixel : 0u; }, HalfClear, true,
          false)};
  for (const auto& bytes : forms) {
    const HICON icon = MakeIcon(bytes);
    ASSERT_NE(icon, nullptr);
    IconPixels pixels;
    ASSERT_TRUE(GetIconPixels(icon, &pixels));
    ASSERT_EQ(pixels.width, 32);
    ASSERT_EQ(pixels.height, 32);
    EXPECT_EQ(pixels.image[0], kRedPixel);  // top row, not the bottom one
    EXPECT_TRUE(pixels.mask[31 * 32 + 20]);
    EXPECT_FALSE(pixels.mask[31 * 32 + 3]);
    DestroyIcon(icon);
  }
}

TEST(IconDrawing, PngImageUsesItsAlpha) {
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 8, 8);
  cairo_t* cr = cairo_create(surface);
  cairo_set_source_rgb(cr, 0, 0, 1);
  cairo_rectangle(cr, 0, 0, 4, 8);
  cairo_fill(cr);
  cairo_destroy(cr);
  std::vector<uint8_t> png;
  cairo_surface_write_to_png_stream(
      surface,
      [](void* closure, const unsigned char* data, unsigned int length) {
        auto* out = static_cast<std::vector<uint8_t>*>(closure);
        out->insert(out->end(), data, data + length);
        return CAIRO_STATUS_SUCCESS;
      },
      &png);
  cairo_surface_destroy(surface);
  const HICON icon = MakeIcon(png);
  ASSERT_NE(icon, nullptr);
  MemoryCanvas canvas(8, 8, kGreen);
  ASSERT_TRUE(DrawIconEx(canvas.dc(), 0, 0, icon, 0, 0, 0, nullptr, DI_NORMAL));
  EXPECT_EQ(canvas.At(1, 5), kBlue);
  EXPECT_EQ(canvas.At(6, 5), kGreen);
  DestroyIcon(icon);
}

TEST(IconDrawing, FlagsChooseMaskImageOrBothAndSizeStretches) {
  // 16 x 16: left half red, right half transparent.
  const HICON icon = MakeIcon(IconDib(
      16, 16, 24, [](int32_t x, int32_t) { return x < 8 ? kRedPixel : 0u; },
      [](int32_t x, int32_t) { return x >= 8; }));
  ASSERT_NE(icon, nullptr);
  MemoryCanvas canvas(40, 40, kGreen);
  ASSERT_TRUE(DrawIconEx(canvas.dc(), 0, 0, icon, 0, 0, 0, nullptr, DI_MASK));
  EXPECT_EQ(canvas.At(3, 3), kBlack);
  EXPECT_EQ(canvas.At(12, 3), kWhite);
  EXPECT_EQ(canvas.At(20, 3), kGreen);  // the icon's own 16 x 16
  ASSERT_TRUE(DrawIconEx(canvas.dc(), 0, 0, icon, 0, 0, 0, nullptr, DI_IMAGE));
  EXPECT_EQ(canvas.At(3, 3), kRed);
  EXPECT_EQ(canvas.At(12, 8), kBlack);
  // Default size: the system icon size, so the opaque half is 16 wide.
  MemoryCanvas big(40, 40, kGreen);
  ASSERT_TRUE(DrawIcon(big.dc(), 0, 0, icon));
  EXPECT_EQ(big.At(15, 31), kRed);
  EXPECT_EQ(big.At(16, 31), kGreen);
  EXPECT_EQ(big.At(15, 32), kGreen);
  EXPECT_FALSE(DrawIconEx(big.dc(), 0, 0, icon, 0, 0, 0, nullptr, 0));
  DestroyIcon(icon);
}

TEST(IconDrawing, RecordedIconPlaysBackThroughItsMask) {
  const HICON icon = MakeIcon(IconDib(32, 32, 24, HalfColor, HalfClear));
  const HDC recorder = CreateMetaFile(nullptr);
  ASSERT_TRUE(DrawIcon(recorder, 0, 0, icon));
  const HMETAFILE metafile = CloseMetaFile(recorder);
  ASSERT_NE(metafile, nullptr);
  MemoryCanvas canvas(32, 32, kBlue);
  ASSERT_TRUE(PlayMetaFile(canvas.dc(), metafile));
  EXPECT_EQ(canvas.At(4, 20), kRed);
  EXPECT_EQ(canvas.At(20, 20), kBlue);
  DeleteMetaFile(metafile);
  DestroyIcon(icon);
}

TEST(IconDrawing, BadHandlesAndBytesFailCleanly) {
  MemoryCanvas canvas(8, 8);
  EXPECT_FALSE(DrawIcon(canvas.dc(), 0, 0, nullptr));
  EXPECT_FALSE(DestroyIcon(reinterpret_cast<HICON>(uintptr_t{12345})));
  std::vector<uint8_t> bytes = IconDib(32, 32, 24, HalfColor, HalfClear);
  const HICON icon = MakeIcon(bytes);
  EXPECT_TRUE(DestroyIcon(icon));
  EXPECT_FALSE(DrawIcon(canvas.dc(), 0, 0, icon));  // a destroyed icon stays dead
  EXPECT_FALSE(DrawIcon(nullptr, 0, 0, LoadIcon(nullptr, IDI_APPLICATION)));
  // The mask cut short, a depth of 16, and a height past the image, are refused.
  std::vector<uint8_t> shortMask(bytes.begin(), bytes.end() - 4);
  EXPECT_EQ(MakeIcon(shortMask), nullptr);
  std::vector<uint8_t> depth = bytes;
  depth[14] = 16;
  EXPECT_EQ(MakeIcon(depth), nullptr);
  std::vector<uint8_t> tall = bytes;
  tall[9] = 1;  // height 256 + 64
  EXPECT_EQ(MakeIcon(tall), nullptr);
  EXPECT_EQ(MakeIcon(std::vector<uint8_t>(bytes.begin(), bytes.begin() + 30)), nullptr);
  const uint8_t notPng[] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A, 0, 0};
  EXPECT_EQ(CreateIconFromResource(notPng, sizeof notPng, TRUE, 0x00030000), nullptr);
  EXPECT_EQ(
      CreateIconFromResource(bytes.data(), static_cast<DWORD>(bytes.size()), FALSE, 0x00030000),
      nullptr);
}

TEST(IconDrawing, StockApplicationIconIsSharedAndMasked) {
  const HICON icon = LoadIcon(nullptr, IDI_APPLICATION);
  ASSERT_NE(icon, nullptr);
  EXPECT_EQ(LoadIcon(nullptr, IDI_APPLICATION), icon);
  EXPECT_EQ(LoadIcon(nullptr, uintptr_t{32513}), nullptr);
  EXPECT_TRUE(DestroyIcon(icon));  // shared: it stays usable
  MemoryCanvas canvas(32, 32, kGreen);
  ASSERT_TRUE(DrawIcon(canvas.dc(), 0, 0, icon));
  EXPECT_EQ(canvas.At(0, 0), kGreen);
  EXPECT_EQ(canvas.At(31, 31), kGreen);
  EXPECT_EQ(canvas.At(16, 18), kWhite);
}

// Icon groups in a resource module.
class IconResourceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    small_ = IconDib(
        16, 16, 24, [](int32_t, int32_t) { return 0x0000FFu; },
        [](int32_t, int32_t) { return false; });
    large_ = IconDib(32, 32, 4, HalfColor, HalfClear);
    group_ = IconGroup({{16, 16, 24, Size(small_), 1}, {32, 32, 4, Size(large_), 2}});
    orphan_ = IconGroup({{32, 32, 24, 10, 7}});
    overlong_ = IconGroup({{32, 32, 24, 10, 2}});
    overlong_[4] = 2;  // claims two entries, holds one
    truncated_.assign(large_.begin(), large_.begin() + 100);
    broken_ = IconGroup({{32, 32, 4, 100, 3}});
    entries_ = {
        {nullptr, 3, nullptr, 1, small_.data(), Size(small_)},
        {nullptr, 3, nullptr, 2, large_.data(), Size(large_)},
        {nullptr, 3, nullptr, 3, truncated_.data(), Size(truncated_)},
        {nullptr, 14, "PointIcon", 0, group_.data(), Size(group_)},
        {nullptr, 14, nullptr, 100, group_.data(), Size(group_)},
        {nullptr, 14, "Orphan", 0, orphan_.data(), Size(orphan_)},
        {nullptr, 14, "Overlong", 0, overlong_.data(), Size(overlong_)},
        {nullptr, 14, "Broken", 0, broken_.data(), Size(broken_)},
    };
    RegisterResourceModule(
        {"icon-test.dll", entries_.data(), static_cast<uint32_t>(entries_.size())});
    module_ = LoadResourceLibrary("icon-test.dll");
  }
  void TearDown() override { UnregisterResourceModule("icon-test.dll"); }
  static uint32_t Size(const std::vector<uint8_t>& bytes) {
    return static_cast<uint32_t>(bytes.size());
  }

  std::vector<uint8_t> small_, large_, group_, orphan_, overlong_, truncated_, broken_;
  std::vector<ResourceEntry> entries_;
  HMODULE module_ = nullptr;
};

TEST_F(IconResourceTest, GroupGivesTheImageOfTheSystemSize) {
  ASSERT_NE(module_, nullptr);
  const HICON icon = LoadIcon(module_, "pointicon");
  ASSERT_NE(icon, nullptr);
  EXPECT_EQ(LoadIcon(module_, "POINTICON"), icon);
  IconPixels pixels;
  ASSERT_TRUE(GetIconPixels(icon, &pixels));
  EXPECT_EQ(pixels.width, 32);
  EXPECT_EQ(pixels.image[0], kRedPixel);
  EXPECT_NE(LoadIcon(module_, MAKEINTRESOURCEA(100)), nullptr);
  EXPECT_EQ(LoadIcon(module_, "#100"), LoadIcon(module_, MAKEINTRESOURCEA(100)));
}

TEST_F(IconResourceTest, ReplacedLibraryGivesItsOwnImage) {
  const HICON before = LoadIcon(module_, "PointIcon");
  ASSERT_NE(before, nullptr);
  // The same table registered again, now with a blue image: the old icon is not handed out.
  std::vector<uint8_t> blue = IconDib(
      32, 32, 4, [](int32_t, int32_t) { return 0x0000FFu; },
      [](int32_t, int32_t) { return false; });
  ASSERT_EQ(blue.size(), large_.size());
  large_ = blue;
  entries_[1].data = large_.data();
  RegisterResourceModule(
      {"icon-test.dll", entries_.data(), static_cast<uint32_t>(entries_.size())});
  module_ = LoadResourceLibrary("icon-test.dll");
  const HICON after = LoadIcon(module_, "PointIcon");
  ASSERT_NE(after, nullptr);
  EXPECT_NE(after, before);
  IconPixels pixels;
  ASSERT_TRUE(GetIconPixels(after, &pixels));
  EXPECT_EQ(pixels.image[0], 0x0000FFu);
  ASSERT_TRUE(GetIconPixels(before, &pixels));  // a shared icon stays valid
  EXPECT_EQ(pixels.image[0], kRedPixel);
}

TEST_F(IconResourceTest, MissingOrMalformedIconsAreNull) {
  EXPECT_EQ(LoadIcon(module_, "NoSuchIcon"), nullptr);
  EXPECT_EQ(LoadIcon(module_, "Orphan"), nullptr);    // its image does not exist
  EXPECT_EQ(LoadIcon(module_, "Overlong"), nullptr);  // count past the group's end
  EXPECT_EQ(LoadIcon(module_, "Broken"), nullptr);    // image cut short
  EXPECT_EQ(LoadIcon(module_, nullptr), nullptr);
}

// Drawing into a window's context reaches the window's surface with the same masking.
class IconWindowTest : public WindowTest {};

TEST_F(IconWindowTest, MaskKeepsBackgroundInWindowContext) {
  const HWND window = TopLevel(10, 10, 80, 60);
  Pump();
  const HDC dc = GetDC(window);
  ASSERT_NE(dc, nullptr);
  const HBRUSH green = CreateSolidBrush(kGreen);
  RECT all{0, 0, 80, 60};
  FillRect(dc, &all, green);
  DeleteObject(green);
  const HICON icon = MakeIcon(IconDib(32, 32, 24, HalfColor, HalfClear));
  ASSERT_TRUE(DrawIcon(dc, 20, 10, icon));
  ReleaseDC(window, dc);
  const WindowSurface* surface = GetWindowSurface(window);
  ASSERT_NE(surface, nullptr);
  const uint32_t greenPixel = 0x00C800;
  for (int32_t y = 10; y < 42; y += 3) {
    for (int32_t x = 20; x < 52; ++x) {
      const uint32_t expected = Expected(x - 20, y - 10, RGB(0, 200, 0)) == kRed ? kRedPixel
                                : (x - 20 >= 24 && x - 20 < 28 && y - 10 < 4)
                                    ? (greenPixel ^ kYellowPixel)
                                    : greenPixel;
      ASSERT_EQ(surface->Pixel(x, y), expected) << x << "," << y;
    }
  }
  EXPECT_EQ(surface->Pixel(19, 20), greenPixel);
  EXPECT_EQ(surface->Pixel(52, 20), greenPixel);
  DestroyIcon(icon);
}

}  // namespace
