// The in-process item layer: HIMETRIC sizes through a context's mapping, the byte archive's
// bounds, and an item's bytes, picture and extent filed and read back.

#include <gtest/gtest.h>

#include "platform/mfc/CArchive.h"
#include "platform/mfc/COleItems.h"
#include "platform/mfc/Himetric.h"
#include "platform/win32/Dc.h"
#include "platform/win32/DcDraw.h"
#include "platform/win32/GdiObjects.h"
#include "platform/win32/Metafile.h"

namespace {

TEST(HimetricTest, AnInchOfPixelsIs2540UnitsThroughTheMapping) {
  const HDC dc = CreateCompatibleDC(nullptr);
  const int32_t dpi = GetDeviceCaps(dc, LOGPIXELSX);
  SIZE size{dpi, dpi / 2};
  DPtoHIMETRIC(dc, &size);
  EXPECT_EQ(size.cx, 2540);
  EXPECT_EQ(size.cy, 1270);
  HIMETRICtoDP(dc, &size);
  EXPECT_EQ(size.cx, dpi);
  // A whole window of any size mapped onto an inch (y flipped) is one inch in each direction.
  SetMapMode(dc, MM_ANISOTROPIC);
  SetViewportExtEx(dc, dpi, dpi, nullptr);
  SetWindowExtEx(dc, 333, -77, nullptr);
  SIZE window{333, 77};
  LPtoHIMETRIC(dc, &window);
  EXPECT_EQ(window.cx, 2540);
  EXPECT_EQ(window.cy, 2540);
  HIMETRICtoLP(dc, &window);
  EXPECT_EQ(window.cx, 333);
  EXPECT_EQ(window.cy, 77);
  DeleteDC(dc);
  EXPECT_EQ(ScaleRounded(1000, 10, 254), 39);
  EXPECT_EQ(ScaleRounded(-127, 1, 254), -1);
  EXPECT_EQ(ScaleRounded(5, 1, 0), 0);
}

TEST(ArchiveTest, LoadingNeverReadsPastWhatWasStored) {
  CArchive out(CArchive::store);
  out.WriteBlock({1, 2, 3});
  std::vector<uint8_t> bytes = out.TakeBytes();
  CArchive whole(CArchive::load, bytes);
  EXPECT_EQ(whole.ReadBlock(), (std::vector<uint8_t>{1, 2, 3}));
  EXPECT_THROW(whole.ReadUInt32(), CArchiveException);
  bytes[0] = 200;  // a length beyond the bytes that follow
  CArchive lying(CArchive::load, bytes);
  EXPECT_THROW(lying.ReadBlock(), CArchiveException);
}

std::vector<uint8_t> RedSquarePicture() {
  const HDC recorder = CreateMetaFile(nullptr);
  SetWindowOrgEx(recorder, 0, 0, nullptr);
  SetWindowExtEx(recorder, 10, 10, nullptr);
  const HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
  const RECT all{0, 0, 10, 10};
  FillRect(recorder, &all, red);
  DeleteObject(red);
  const HMETAFILE metafile = CloseMetaFile(recorder);
  std::vector<uint8_t> bits(GetMetaFileBitsEx(metafile, 0, nullptr));
  GetMetaFileBitsEx(metafile, static_cast<UINT>(bits.size()), bits.data());
  DeleteMetaFile(metafile);
  return bits;
}

TEST(OleItemListTest, ItemsAreFiledWithTheirPictureAndExtentAndDrawFromIt) {
  COleItemList list(nullptr);
  auto* item = new COleClientItem(&list);
  item->SetPresentation(RedSquarePicture(), SIZE{2540, 1270});
  CArchive out(CArchive::store);
  list.Serialize(out, [] { return new COleClientItem; });

  COleItemList again(nullptr);
  CArchive in(CArchive::load, out.TakeBytes());
  again.Serialize(in, [] { return new COleClientItem; });
  ASSERT_EQ(again.Items().size(), 1u);
  COleClientItem& read = *again.FirstItem();
  EXPECT_EQ(read.GetDocument(), &again);
  SIZE extent{0, 0};
  ASSERT_TRUE(read.GetCachedExtent(&extent));
  EXPECT_EQ(extent.cx, 2540);
  EXPECT_EQ(extent.cy, 1270);

  const HDC dc = CreateCompatibleDC(nullptr);
  const HBITMAP bitmap = CreateCompatibleBitmap(nullptr, 60, 60);
  SelectObject(dc, bitmap);
  const RECT white{0, 0, 60, 60};
  FillRect(dc, &white, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  ASSERT_TRUE(read.Draw(dc, RECT{20, 20, 40, 30}));
  EXPECT_EQ(GetPixel(dc, 25, 25), RGB(255, 0, 0));
  EXPECT_EQ(GetPixel(dc, 39, 29), RGB(255, 0, 0));
  EXPECT_EQ(GetPixel(dc, 41, 25), RGB(255, 255, 255));
  EXPECT_EQ(GetPixel(dc, 25, 31), RGB(255, 255, 255));
  DeleteDC(dc);
  DeleteObject(bitmap);
}

TEST(OleItemListTest, AMalformedStoreLeavesTheListAsItWas) {
  COleItemList list(nullptr);
  new COleClientItem(&list);
  CArchive huge(CArchive::load, {0xFF, 0xFF, 0xFF, 0x7F});
  EXPECT_THROW(list.Serialize(huge, [] { return new COleClientItem; }), CArchiveException);
  CArchive cut(CArchive::load, {1, 0, 0, 0, 1, 0, 0, 0, 9, 0, 0, 0});
  EXPECT_THROW(list.Serialize(cut, [] { return new COleClientItem; }), CArchiveException);
  EXPECT_EQ(list.Items().size(), 1u);
}

}  // namespace
