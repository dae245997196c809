// The clipboard view draws the preferred form of what the clipboard holds: a bitmap before text,
// a picture scaled to the view, words for forms it cannot show; the pixels are compared.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "app/services/ClipboardView.h"
#include "platform/win32/Clipboard.h"
#include "platform/win32/Dc.h"
#include "platform/win32/DcDraw.h"
#include "platform/win32/Font.h"
#include "platform/win32/GdiObjects.h"
#include "platform/win32/Metafile.h"
#include "platform/win32/Window.h"

namespace {

constexpr int32_t kSide = 200;

HGLOBAL Block(const void* bytes, size_t size) {
  const HGLOBAL block = GlobalAlloc(GHND, size);
  std::memcpy(GlobalLock(block), bytes, size);
  GlobalUnlock(block);
  return block;
}

void Fill(HDC dc, int32_t right, int32_t bottom, COLORREF colour) {
  const HBRUSH brush = CreateSolidBrush(colour);
  const RECT all{0, 0, right, bottom};
  FillRect(dc, &all, brush);
  DeleteObject(brush);
}

// A white view, drawn into by `draw`; its pixels.
template <class Draw>
std::vector<COLORREF> Pixels(Draw draw) {
  const HDC dc = CreateCompatibleDC(nullptr);
  const HBITMAP bitmap = CreateCompatibleBitmap(nullptr, kSide, kSide);
  const HGDIOBJ old = SelectObject(dc, bitmap);
  Fill(dc, kSide, kSide, RGB(255, 255, 255));
  draw(dc);
  // Pixels are read in device units, whatever mapping the drawing left.
  SetMapMode(dc, MM_TEXT);
  SetWindowOrgEx(dc, 0, 0, nullptr);
  SetViewportOrgEx(dc, 0, 0, nullptr);
  std::vector<COLORREF> pixels;
  for (int32_t y = 0; y < kSide; ++y)
    for (int32_t x = 0; x < kSide; ++x) pixels.push_back(GetPixel(dc, x, y));
  SelectObject(dc, old);
  DeleteObject(bitmap);
  DeleteDC(dc);
  return pixels;
}

std::vector<COLORREF> ViewPixels() {
  return Pixels([](HDC dc) { TClipboardView::DrawClipboard(dc, kSide, kSide); });
}

std::vector<COLORREF> Words(const char* words) {
  return Pixels([words](HDC dc) { TextOut(dc, 0, 0, words, static_cast<int32_t>(std::strlen(words))); });
}

COLORREF At(const std::vector<COLORREF>& pixels, int32_t x, int32_t y) {
  return pixels[static_cast<size_t>(y * kSide + x)];
}

class ClipboardViewTest : public ::testing::Test {
 protected:
  void SetUp() override { ResetWindowSystem(); }
  void TearDown() override { ResetWindowSystem(); }
  // Puts the formats on the clipboard, emptied first.
  template <class Put>
  void Hold(Put put) {
    ASSERT_TRUE(OpenClipboard(nullptr));
    EmptyClipboard();
    put();
    CloseClipboard();
  }
  void HoldBlock(UINT format, const std::string& bytes) {
    Hold([&] { SetClipboardData(format, Block(bytes.data(), bytes.size())); });
  }
};

TEST_F(ClipboardViewTest, AnEmptyClipboardDrawsNothingAndABitmapGoesBeforeText) {
  const std::vector<COLORREF> white = Pixels([](HDC) {});
  EXPECT_EQ(ViewPixels(), white);

  Hold([] {
    SetClipboardData(CF_TEXT, Block("words", 6));
    const HDC dc = CreateCompatibleDC(nullptr);
    const HBITMAP red = CreateCompatibleBitmap(nullptr, 16, 16);
    const HGDIOBJ old = SelectObject(dc, red);
    Fill(dc, 16, 16, RGB(255, 0, 0));
    SelectObject(dc, old);
    DeleteDC(dc);
    SetClipboardData(CF_BITMAP, red);
  });
  const std::vector<COLORREF> shown = ViewPixels();
  EXPECT_EQ(At(shown, 0, 0), RGB(255, 0, 0));
  EXPECT_EQ(At(shown, 15, 15), RGB(255, 0, 0));
  EXPECT_EQ(TClipboardView::Title(GetPriorityClipboardFormat(TClipboardView::kPriority, 15)),
            "Clipboard -- BITMAP");

  HoldBlock(CF_TEXT, std::string("words", 6));
  EXPECT_EQ(ViewPixels(), Words("words"));
}

TEST_F(ClipboardViewTest, APackedBitmapIsDrawnFromItsBitsAndMalformedBitsDrawNothing) {
  // Four by four red pixels, 24 bits each, after a 40-byte header.
  std::string dib(40, '\0');
  const auto put = [&dib](size_t at, uint32_t value, size_t bytes) {
    for (size_t i = 0; i < bytes; ++i) dib[at + i] = static_cast<char>(value >> (8 * i));
  };
  put(0, 40, 4);
  put(4, 4, 4);
  put(8, 4, 4);
  put(12, 1, 2);
  put(14, 24, 2);
  for (int i = 0; i < 16; ++i) dib += std::string("\x00\x00\xFF", 3);
  HoldBlock(8, dib);
  const std::vector<COLORREF> shown = ViewPixels();
  EXPECT_EQ(At(shown, 0, 0), RGB(255, 0, 0));
  EXPECT_EQ(At(shown, 3, 3), RGB(255, 0, 0));
  EXPECT_EQ(At(shown, 4, 4), RGB(255, 255, 255));
  EXPECT_EQ(TClipboardView::Title(8), "Clipboard -- DIB");

  HoldBlock(8, dib.substr(0, 60));  // bits cut short
  EXPECT_EQ(ViewPixels(), Pixels([](HDC) {}));
}

TEST_F(ClipboardViewTest, APictureWithoutExtentFillsTheView) {
  // A picture of ten by ten units, all black.
  const HDC recorder = CreateMetaFile(nullptr);
  SetWindowExtEx(recorder, 10, 10, nullptr);
  Fill(recorder, 10, 10, RGB(0, 0, 0));
  const HMETAFILE metafile = CloseMetaFile(recorder);
  const METAFILEPICT picture{MM_ANISOTROPIC, 0, 0, metafile};
  Hold([&] { SetClipboardData(CF_METAFILEPICT, Block(&picture, sizeof picture)); });
  const std::vector<COLORREF> shown = ViewPixels();
  EXPECT_EQ(At(shown, 0, 0), RGB(0, 0, 0));
  EXPECT_EQ(At(shown, kSide - 1, kSide - 1), RGB(0, 0, 0));

  // The arithmetic of the extents: device units for a positive one, the largest fit of the
  // aspect ratio for a negative one, and the whole view where a ratio has no height.
  const TClipboardView::DeviceMetrics device{1000, 800, 250, 200};  // 4 pixels a millimetre
  const SIZE sized = TClipboardView::PictureViewport(2540, 1270, 300, 300, device);
  EXPECT_EQ(sized.cx, 101);
  EXPECT_EQ(sized.cy, 50);
  const SIZE ratio = TClipboardView::PictureViewport(-2, -1, 300, 300, device);
  EXPECT_EQ(ratio.cx, 300);
  EXPECT_EQ(ratio.cy, 150);
  const SIZE flat = TClipboardView::PictureViewport(-2, 0, 300, 120, device);
  EXPECT_EQ(flat.cx, 300);
  EXPECT_EQ(flat.cy, 120);
}

// A picture whose records set no window extent of their own (another program's, say) spans
// its extent, which gives the viewport: it keeps its shape and stays inside the view.
TEST_F(ClipboardViewTest, APictureWithoutItsOwnWindowExtentSpansItsExtent) {
  const HDC recorder = CreateMetaFile(nullptr);
  Fill(recorder, 2540, 1270, RGB(0, 0, 0));
  const HMETAFILE metafile = CloseMetaFile(recorder);
  const METAFILEPICT picture{MM_ISOTROPIC, 2540, 1270, metafile};
  Hold([&] { SetClipboardData(CF_METAFILEPICT, Block(&picture, sizeof picture)); });
  const std::vector<COLORREF> shown = ViewPixels();
  int32_t right = 0, bottom = 0;
  for (int32_t y = 0; y < kSide; ++y) {
    for (int32_t x = 0; x < kSide; ++x) {
      if (At(shown, x, y) != RGB(0, 0, 0)) continue;
      right = std::max(right, x + 1);
      bottom = std::max(bottom, y + 1);
    }
  }
  EXPECT_EQ(At(shown, 0, 0), RGB(0, 0, 0));
  EXPECT_LT(right, kSide) << "the picture was blown up past the view";
  EXPECT_NEAR(right, 2 * bottom, 2) << "the picture lost its shape";
}

TEST_F(ClipboardViewTest, FormsItCannotShowAreNamedInWords) {
  const std::vector<COLORREF> unviewable = Words("unviewable clipboard format");
  const std::vector<COLORREF> unregistered = Words("unregistered clipboard format!!!");
  ASSERT_NE(unviewable, unregistered);
  HoldBlock(0x0C, "RIFFWAVE");  // wave
  EXPECT_EQ(ViewPixels(), unviewable);
  // Only formats outside the list, the program's private one or another standard one: the
  // clipboard answers none of the list, which has no name.
  const UINT privateFormat = RegisterClipboardFormat("ZUQX");
  HoldBlock(privateFormat, "data");
  EXPECT_EQ(ViewPixels(), unregistered);
  EXPECT_EQ(TClipboardView::Title(privateFormat), "Clipboard -- ZUQX");
  HoldBlock(0x0E, "data");
  EXPECT_EQ(ViewPixels(), unregistered);
  EXPECT_EQ(TClipboardView::Title(-1), "Clipboard");
}

}  // namespace
