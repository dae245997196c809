// The owner-drawn popups draw each entry themselves: a pen entry is a horizontal line, dotted for
// width 0 and solid otherwise, and an entry with the focus keeps its picture inside the frame.

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "platform/win32/Dc.h"
#include "platform/win32/DcDraw.h"
#include "platform/win32/GdiObjects.h"
#include "platform/win32/OwnerDraw.h"
#include "tests/ui/dialogs/FilterBytes.h"
#include "ui/items/ItemRecord.h"
#include "ui/items/TextPopup.h"

namespace {

constexpr int32_t kSize = 40;
constexpr COLORREF kWhite = 0xFFFFFF;

// A pen popup listing widths 0, 1 and 3 with no control window.
std::unique_ptr<TPenPopupView> PenPopup() {
  auto popup = std::make_unique<TPenPopupView>();
  FilterBytes bytes;
  bytes.Word(0).Word(0).Word(0).Word(1);
  bytes.Word(3).Text("0").Text("1").Text("3").Word(0).Word(1).Word(3);
  TItemRecordCursor cursor(bytes.Bytes());
  popup->ReadLayoutFlags(&cursor);
  return popup;
}

// Draws entry `index` on a white 40 by 40 surface and answers its pixels, row by row.
std::vector<COLORREF> Drawn(TDrawnPopupView& popup, int32_t index, UINT state, bool focusChange) {
  const HDC dc = CreateCompatibleDC(nullptr);
  const HBITMAP bitmap = CreateCompatibleBitmap(dc, kSize, kSize);
  const HGDIOBJ old = SelectObject(dc, bitmap);
  PatBlt(dc, 0, 0, kSize, kSize, WHITENESS);
  DRAWITEMSTRUCT draw{};
  draw.hDC = dc;
  draw.itemID = static_cast<UINT>(index);
  draw.itemState = state;
  draw.rcItem = RECT{0, 0, kSize, kSize};
  if (focusChange)
    popup.DrawFocus(&draw);
  else
    popup.DrawEntire(&draw);
  std::vector<COLORREF> pixels;
  for (int32_t y = 0; y < kSize; ++y)
    for (int32_t x = 0; x < kSize; ++x) pixels.push_back(GetPixel(dc, x, y) & 0xFFFFFF);
  SelectObject(dc, old);
  DeleteObject(bitmap);
  DeleteDC(dc);
  return pixels;
}

// The inked pixels of the middle row between the frame's insides (x 6 to 33).
int32_t InkedOnMiddleRow(const std::vector<COLORREF>& pixels) {
  int32_t inked = 0;
  for (int32_t x = 6; x < kSize - 6; ++x) inked += pixels[kSize / 2 * kSize + x] != kWhite;
  return inked;
}

TEST(DrawnPopupTest, PenWidthZeroIsDottedAndWidthOneIsSolid) {
  auto popup = PenPopup();
  ASSERT_EQ(popup->Values(), (std::vector<int16_t>{0, 1, 3}));
  const std::vector<COLORREF> dotted = Drawn(*popup, 0, 0, false);
  const std::vector<COLORREF> solid = Drawn(*popup, 1, 0, false);
  EXPECT_EQ(InkedOnMiddleRow(solid), kSize - 12);
  EXPECT_GT(InkedOnMiddleRow(dotted), 0);
  EXPECT_LT(InkedOnMiddleRow(dotted), kSize - 12) << "width 0 leaves gaps between its dots";
  // Width 1 is one pixel thick; width 3 is thicker.
  EXPECT_EQ(solid[(kSize / 2 + 2) * kSize + kSize / 2], kWhite);
  const std::vector<COLORREF> thick = Drawn(*popup, 2, 0, false);
  EXPECT_NE(thick[(kSize / 2 + 1) * kSize + kSize / 2], kWhite);
}

TEST(DrawnPopupTest, AFocusedEntryIsDrawnUnderItsFocusFrame) {
  auto popup = PenPopup();
  const std::vector<COLORREF> focused = Drawn(*popup, 1, ODS_FOCUS, false);
  // The frame: black on the edge and 4 in, white 2 and 3 in.
  EXPECT_EQ(focused[0], 0x000000u);
  EXPECT_EQ(focused[4 * kSize + kSize / 2], 0x000000u);
  EXPECT_EQ(focused[2 * kSize + kSize / 2], kWhite);
  // The entry itself inside it.
  EXPECT_EQ(InkedOnMiddleRow(focused), kSize - 12);

  // A change of focus alone adds the frame and leaves the picture as it is; losing the focus
  // draws the picture without the frame.
  const std::vector<COLORREF> unfocused = Drawn(*popup, 1, 0, true);
  EXPECT_EQ(unfocused[0], kWhite);
  EXPECT_EQ(InkedOnMiddleRow(unfocused), kSize - 12);
}

}  // namespace
