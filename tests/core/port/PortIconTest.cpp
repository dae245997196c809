#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "core/Resources.h"
#include "core/port/Picture.h"
#include "tests/core/port/PortTestSupport.h"
#include "tests/platform/win32/IconTestSupport.h"

namespace {

using icontest::IconDib;
using icontest::IconGroup;

constexpr COLORREF kGreen = RGB(0, 200, 0);
constexpr COLORREF kRed = RGB(255, 0, 0);

// Left half opaque red; right half transparent, with a yellow square there that the screen
// inverts (the image is set where the mask keeps the destination).
uint32_t Color(int32_t x, int32_t y) {
  if (x >= 24 && x < 28 && y < 4) return 0xFFFF00;
  return x < 16 ? 0xFF0000 : 0;
}
bool Clear(int32_t x, int32_t) {
  return x >= 16;
}

class PortIconTest : public PortTest {
 protected:
  void SetUp() override {
    PortTest::SetUp();
    image_ = IconDib(32, 32, 24, Color, Clear);
    group_ = IconGroup({{32, 32, 24, static_cast<uint32_t>(image_.size()), 1}});
    main_ = {{nullptr, 3, nullptr, 1, image_.data(), static_cast<uint32_t>(image_.size())},
             {nullptr, 14, "PointIcon", 0, group_.data(), static_cast<uint32_t>(group_.size())}};
    second_ = {{nullptr, 3, nullptr, 1, image_.data(), static_cast<uint32_t>(image_.size())},
               {nullptr, 14, "GearIcon", 0, group_.data(), static_cast<uint32_t>(group_.size())},
               {nullptr, 14, nullptr, 128, group_.data(), static_cast<uint32_t>(group_.size())}};
    RegisterResourceModule({"icons-main.dll", main_.data(), static_cast<uint32_t>(main_.size())});
    RegisterResourceModule(
        {"icons-second.dll", second_.data(), static_cast<uint32_t>(second_.size())});
    SetResourceModule1(LoadResourceLibrary("icons-main.dll"));
    SetResourceModule2(LoadResourceLibrary("icons-second.dll"));
    RECT all{0, 0, kWidth, kHeight};
    HBRUSH green = CreateSolidBrush(kGreen);
    FillRect(dc_, &all, green);
    DeleteObject(green);
  }
  void TearDown() override {
    SetUseSolidBrushes(false);
    SetResourceModule1(nullptr);
    SetResourceModule2(nullptr);
    UnregisterResourceModule("icons-main.dll");
    UnregisterResourceModule("icons-second.dll");
    PortTest::TearDown();
  }
  std::vector<uint8_t> image_, group_;
  std::vector<ResourceEntry> main_, second_;
};

TEST_F(PortIconTest, ToolIconsLoadByNameFromEveryLibrary) {
  LoadToolIcons();
  int found = 0;
  for (const char* name : kToolIconNames)
    found += GetToolIcon(name) != nullptr;
  EXPECT_EQ(found, 2);
  EXPECT_NE(GetToolIcon("PointIcon"), nullptr);
  EXPECT_NE(GetToolIcon("gearicon"), nullptr);  // found in the second library
  EXPECT_EQ(GetToolIcon("AnchorIcon"), nullptr);
  EXPECT_EQ(GetToolIcon("NotATool"), nullptr);
  EXPECT_EQ(GetToolIcon(nullptr), nullptr);
  EXPECT_NE(LoadAppIcon(MAKEINTRESOURCEA(128)), nullptr);
  EXPECT_EQ(LoadAppIcon("Missing"), nullptr);
  // Without libraries nothing is found, and the icons of before are forgotten.
  SetResourceModule1(nullptr);
  SetResourceModule2(nullptr);
  LoadToolIcons();
  EXPECT_EQ(GetToolIcon("PointIcon"), nullptr);
  EXPECT_EQ(GetToolIcon("GearIcon"), nullptr);
}

TEST_F(PortIconTest, IconIsCentredOnThePointAndKeepsTheBackground) {
  LoadToolIcons();
  ASSERT_TRUE(DrawIconMasked(GetToolIcon("PointIcon"), 30, 20));
  // The icon spans (14, 4) to (46, 36).
  EXPECT_EQ(At(14, 4), kRed);
  EXPECT_EQ(At(29, 35), kRed);
  EXPECT_EQ(At(13, 4), kGreen);
  EXPECT_EQ(At(30, 20), kGreen);  // right half transparent
  EXPECT_EQ(At(38, 5), kGreen ^ RGB(255, 255, 0));
  EXPECT_EQ(At(14, 36), kGreen);
}

TEST_F(PortIconTest, PrintingComposesWithTheMaskOntoThePage) {
  LoadToolIcons();
  SetUseSolidBrushes(true);
  // The page is mapped at twice the port's scale: the 32 x 32 composition is stretched.
  SetMapMode(dc_, MM_ANISOTROPIC);
  SetWindowExtEx(dc_, 1, 1, nullptr);
  SetViewportExtEx(dc_, 2, 2, nullptr);
  ASSERT_TRUE(DrawIconMasked(GetToolIcon("PointIcon"), 16, 16));
  // Spans (0, 0) to (32, 32) logical, (0, 0) to (64, 64) on the page.
  EXPECT_EQ(At(0, 0), kRed);
  EXPECT_EQ(At(31, 47), kRed);
  EXPECT_EQ(At(32, 10), kGreen);
  // The page keeps what lies under every transparent pixel: nothing is inverted.
  EXPECT_EQ(At(50, 2), kGreen);
  EXPECT_EQ(Count(kRed), 32 * 48);
}

TEST_F(PortIconTest, PrintedPageKeepsItsBackgroundUnderTheMask) {
  LoadToolIcons();
  const std::filesystem::path pdf = std::filesystem::temp_directory_path() /
                                    ("yb-icon-print-" + std::to_string(getpid()) + ".pdf");
  const HDC printer = CreatePrinterDC(pdf.c_str(), 72, 64, 48);
  ASSERT_NE(printer, nullptr);
  DOCINFO info;
  info.lpszDocName = "icons";
  ASSERT_GT(StartDoc(printer, &info), 0);
  ASSERT_GT(StartPage(printer), 0);
  RECT all{0, 0, 64, 48};
  HBRUSH green = CreateSolidBrush(kGreen);
  FillRect(printer, &all, green);
  DeleteObject(green);
  SetPortDC(printer);
  SetUseSolidBrushes(true);
  EXPECT_TRUE(DrawIconMasked(GetToolIcon("PointIcon"), 20, 20));
  cairo_surface_t* page = GetDCSurface(printer);
  ASSERT_NE(page, nullptr);
  cairo_surface_flush(page);
  auto pixel = [&](int32_t x, int32_t y) {
    const unsigned char* row =
        cairo_image_surface_get_data(page) + y * cairo_image_surface_get_stride(page);
    return reinterpret_cast<const uint32_t*>(row)[x] & 0xFFFFFF;
  };
  EXPECT_EQ(pixel(4, 4), 0xFF0000u);
  EXPECT_EQ(pixel(19, 35), 0xFF0000u);
  EXPECT_EQ(pixel(20, 20), 0x00C800u);
  EXPECT_EQ(pixel(28, 5), 0x00C800u);  // under the inverting square
  EXPECT_EQ(pixel(3, 4), 0x00C800u);
  SetPortDC(dc_);
  EXPECT_GT(EndPage(printer), 0);
  EXPECT_GT(EndDoc(printer), 0);
  DeleteDC(printer);
  std::filesystem::remove(pdf);
}

TEST_F(PortIconTest, NullIconOrNoContextDrawsNothing) {
  const std::vector<COLORREF> before = Pixels();
  EXPECT_FALSE(DrawIconMasked(nullptr, 10, 10));
  LoadToolIcons();
  SetPortDC(nullptr);
  EXPECT_FALSE(DrawIconMasked(GetToolIcon("PointIcon"), 10, 10));
  SetPortDC(dc_);
  EXPECT_EQ(Pixels(), before);
}

}  // namespace
