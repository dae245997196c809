// Metafiles: recording and then playing gives the pixels of drawing directly; the bits survive a
// round trip and damaged bits are refused.

#include <cstring>
#include <functional>
#include <vector>

#include <gtest/gtest.h>

#include "tests/platform/win32/GdiTestSupport.h"

namespace {

// A scene using every kind of record the program writes.
void DrawScene(HDC dc) {
  HPEN pen = CreatePen(PS_SOLID, 2, RGB(200, 30, 40));
  HPEN dashed = CreatePen(PS_DOT, 1, RGB(0, 90, 0));
  HBRUSH hatch = CreateHatchBrush(HS_CROSS, RGB(20, 20, 180));
  const uint8_t bits[] = {0x55, 0, 0xAA, 0, 0x55, 0, 0xAA, 0, 0x55, 0, 0xAA, 0, 0x55, 0, 0xAA, 0};
  HBITMAP mono = CreateBitmap(8, 8, 1, 1, bits);
  HBRUSH pattern = CreatePatternBrush(mono);
  LOGFONT log;
  log.lfHeight = -14;
  std::strcpy(log.lfFaceName, "Sans Serif");
  HFONT font = CreateFontIndirect(&log);

  HGDIOBJ oldPen = SelectObject(dc, pen);
  HGDIOBJ oldBrush = SelectObject(dc, hatch);
  HGDIOBJ oldFont = SelectObject(dc, font);
  Rectangle(dc, 5, 5, 60, 40);
  Ellipse(dc, 40, 20, 110, 70);
  SelectObject(dc, pattern);
  SetTextColor(dc, RGB(120, 0, 120));
  SetBkColor(dc, RGB(250, 240, 200));
  RoundRect(dc, 70, 5, 115, 30, 10, 10);
  const POINT tri[] = {{10, 90}, {50, 50}, {70, 95}};
  Polygon(dc, tri, 3);
  SelectObject(dc, dashed);
  MoveToEx(dc, 0, 99, nullptr);
  LineTo(dc, 119, 45);
  const POINT zig[] = {{80, 80}, {90, 95}, {100, 80}, {110, 95}};
  Polyline(dc, zig, 4);
  Arc(dc, 60, 60, 100, 100, 100, 80, 80, 60);
  SetROP2(dc, R2_XORPEN);
  Pie(dc, 5, 45, 45, 85, 45, 65, 25, 45);
  SetROP2(dc, R2_COPYPEN);
  SetBkMode(dc, TRANSPARENT);
  TextOut(dc, 12, 10, "Metafile", 8);
  SetTextAlign(dc, TA_BASELINE | TA_UPDATECP);
  MoveToEx(dc, 20, 75, nullptr);
  TextOut(dc, 0, 0, "A", 1);
  TextOut(dc, 0, 0, "B", 1);
  SetTextAlign(dc, TA_LEFT | TA_TOP);
  PatBlt(dc, 100, 50, 15, 10, DSTINVERT);
  SetPixel(dc, 1, 1, RGB(1, 2, 3));
  SelectObject(dc, oldPen);
  SelectObject(dc, oldBrush);
  SelectObject(dc, oldFont);
  DeleteObject(pen);
  DeleteObject(dashed);
  DeleteObject(hatch);
  DeleteObject(pattern);
  DeleteObject(mono);
  DeleteObject(font);
}

// Records the drawing into a metafile and answers it.
HMETAFILE Record(const std::function<void(HDC)>& draw) {
  HDC recorder = CreateMetaFile(nullptr);
  draw(recorder);
  return CloseMetaFile(recorder);
}

TEST(Metafile, PlayingARecordingGivesTheDirectPixels) {
  MemoryCanvas direct(120, 100);
  DrawScene(direct.dc());
  MemoryCanvas played(120, 100);
  const size_t objects = CountGdiObjects();
  HMETAFILE metafile = Record(DrawScene);
  ASSERT_NE(metafile, nullptr);
  ASSERT_TRUE(PlayMetaFile(played.dc(), metafile));
  EXPECT_EQ(played.Pixels(), direct.Pixels());
  // Playing leaves the context as it was and keeps none of the metafile's objects.
  EXPECT_EQ(GetCurrentObject(played.dc(), OBJ_PEN), GetStockObject(BLACK_PEN));
  EXPECT_EQ(GetROP2(played.dc()), R2_COPYPEN);
  DeleteMetaFile(metafile);
  EXPECT_EQ(CountGdiObjects(), objects);
}

TEST(Metafile, BlockTransfersAreRecordedWithTheirPixels) {
  MemoryCanvas source(16, 16, kBlue);
  SetPixel(source.dc(), 3, 4, kRed);
  auto draw = [&](HDC dc) {
    BitBlt(dc, 2, 2, 16, 16, source.dc(), 0, 0, SRCCOPY);
    StretchBlt(dc, 30, 0, 32, 32, source.dc(), 0, 0, 16, 16, SRCINVERT);
  };
  MemoryCanvas direct(64, 40);
  draw(direct.dc());
  HMETAFILE metafile = Record(draw);
  MemoryCanvas played(64, 40);
  PlayMetaFile(played.dc(), metafile);
  EXPECT_EQ(played.Pixels(), direct.Pixels());
  EXPECT_EQ(played.At(5, 6), kRed);
  DeleteMetaFile(metafile);
}

TEST(Metafile, BitsRoundTripAndCopiesPlayAlike) {
  HMETAFILE metafile = Record(DrawScene);
  const UINT size = GetMetaFileBitsEx(metafile, 0, nullptr);
  ASSERT_GT(size, 18u);
  std::vector<uint8_t> bits(size);
  ASSERT_EQ(GetMetaFileBitsEx(metafile, size, bits.data()), size);
  EXPECT_EQ(bits[0], 1);  // a metafile in memory
  EXPECT_EQ(bits[2], 9);  // nine header words
  uint32_t words = 0;
  std::memcpy(&words, bits.data() + 6, 4);
  EXPECT_EQ(words * 2, size);
  HMETAFILE again = SetMetaFileBitsEx(size, bits.data());
  ASSERT_NE(again, nullptr);
  std::vector<uint8_t> back(size);
  GetMetaFileBitsEx(again, size, back.data());
  EXPECT_EQ(back, bits);
  HMETAFILE copy = CopyMetaFile(again, nullptr);
  MemoryCanvas a(120, 100);
  MemoryCanvas b(120, 100);
  PlayMetaFile(a.dc(), metafile);
  PlayMetaFile(b.dc(), copy);
  EXPECT_EQ(a.Pixels(), b.Pixels());
  DeleteMetaFile(metafile);
  DeleteMetaFile(again);
  DeleteMetaFile(copy);
}

TEST(Metafile, DamagedBitsAreRefused) {
  HMETAFILE metafile = Record(DrawScene);
  std::vector<uint8_t> bits(GetMetaFileBitsEx(metafile, 0, nullptr));
  GetMetaFileBitsEx(metafile, static_cast<UINT>(bits.size()), bits.data());
  DeleteMetaFile(metafile);
  // Cut short: the end record is missing.
  EXPECT_EQ(SetMetaFileBitsEx(static_cast<UINT>(bits.size() - 8), bits.data()), nullptr);
  // A record claiming more words than remain.
  std::vector<uint8_t> bad = bits;
  bad[18] = 0xFF;
  bad[19] = 0xFF;
  bad[20] = 0xFF;
  EXPECT_EQ(SetMetaFileBitsEx(static_cast<UINT>(bad.size()), bad.data()), nullptr);
  EXPECT_EQ(SetMetaFileBitsEx(10, bits.data()), nullptr);
  // A polygon record whose point count runs past its record draws nothing and stops playback.
  HMETAFILE polygon = Record([](HDC dc) {
    const POINT tri[] = {{1, 1}, {8, 1}, {4, 8}};
    Polygon(dc, tri, 3);
  });
  std::vector<uint8_t> poly(GetMetaFileBitsEx(polygon, 0, nullptr));
  GetMetaFileBitsEx(polygon, static_cast<UINT>(poly.size()), poly.data());
  DeleteMetaFile(polygon);
  for (size_t at = 18; at + 8 < poly.size();) {
    uint32_t words;
    std::memcpy(&words, poly.data() + at, 4);
    if (poly[at + 4] == 0x24 && poly[at + 5] == 0x03) poly[at + 6] = 200;  // the count
    at += words * 2;
  }
  HMETAFILE broken = SetMetaFileBitsEx(static_cast<UINT>(poly.size()), poly.data());
  ASSERT_NE(broken, nullptr);
  MemoryCanvas canvas(10, 10);
  EXPECT_FALSE(PlayMetaFile(canvas.dc(), broken));
  EXPECT_EQ(canvas.Count(kWhite), 100);
  DeleteMetaFile(broken);
}

TEST(Metafile, ObjectsDeletedWhileRecordingFreeTheirSlots) {
  HDC recorder = CreateMetaFile(nullptr);
  for (int i = 0; i < 50; ++i) {
    HPEN pen = CreatePen(PS_SOLID, 1, RGB(i, 0, 0));
    HGDIOBJ old = SelectObject(recorder, pen);
    SelectObject(recorder, old);
    DeleteObject(pen);
  }
  HMETAFILE metafile = CloseMetaFile(recorder);
  std::vector<uint8_t> bits(GetMetaFileBitsEx(metafile, 0, nullptr));
  GetMetaFileBitsEx(metafile, static_cast<UINT>(bits.size()), bits.data());
  EXPECT_LE(bits[10], 2);  // object slots are reused, not grown per pen
  DeleteMetaFile(metafile);
}

// Metafile bits made by hand: the header, the records given (function and parameter bytes) and
// the end record.
struct HandRecord {
  uint16_t function;
  std::vector<uint8_t> bytes;
};

void Put16(std::vector<uint8_t>& out, uint32_t v) {
  out.push_back(static_cast<uint8_t>(v));
  out.push_back(static_cast<uint8_t>(v >> 8));
}
void Put32(std::vector<uint8_t>& out, uint32_t v) {
  Put16(out, v & 0xFFFF);
  Put16(out, v >> 16);
}

HMETAFILE HandMade(const std::vector<HandRecord>& records) {
  std::vector<uint8_t> body;
  for (const HandRecord& r : records) {
    Put32(body, 3 + static_cast<uint32_t>((r.bytes.size() + 1) / 2));
    Put16(body, r.function);
    body.insert(body.end(), r.bytes.begin(), r.bytes.end());
    if (r.bytes.size() % 2) body.push_back(0);
  }
  Put32(body, 3);
  Put16(body, 0);
  std::vector<uint8_t> bits;
  for (uint32_t word : {1u, 9u, 0x300u})
    Put16(bits, word);
  Put32(bits, static_cast<uint32_t>((18 + body.size()) / 2));
  Put16(bits, 1);
  Put32(bits, 0);
  Put16(bits, 0);
  bits.insert(bits.end(), body.begin(), body.end());
  return SetMetaFileBitsEx(static_cast<UINT>(bits.size()), bits.data());
}

// A pattern brush record over a 1-bit DIB of width x height whose top-left 8 x 8 pixels are a
// checkerboard (white where x + y is odd) and whose other pixels are all white; rows stored
// holds how many rows of bits the record carries.
HandRecord PatternBrushRecord(int32_t width, int32_t height, int32_t rowsStored) {
  std::vector<uint8_t> bytes;
  Put16(bytes, BS_PATTERN);
  Put16(bytes, 0);
  Put32(bytes, 40);
  Put32(bytes, static_cast<uint32_t>(width));
  Put32(bytes, static_cast<uint32_t>(height));
  Put16(bytes, 1);
  Put16(bytes, 1);
  for (int i = 0; i < 6; ++i)
    Put32(bytes, 0);
  Put32(bytes, 0);         // black
  Put32(bytes, 0xFFFFFF);  // white
  const size_t rowBytes = ((static_cast<size_t>(width) + 31) / 32) * 4;
  for (int32_t stored = 0; stored < rowsStored; ++stored) {
    const int32_t y = height - 1 - stored;  // bottom-up
    std::vector<uint8_t> row(rowBytes, 0xFF);
    if (y < 8) row[0] = y % 2 ? 0xAA : 0x55;
    bytes.insert(bytes.end(), row.begin(), row.end());
  }
  return HandRecord{META_DIBCREATEPATTERNBRUSH, bytes};
}

HandRecord Words(uint16_t function, std::initializer_list<uint16_t> words) {
  std::vector<uint8_t> bytes;
  for (uint16_t w : words)
    Put16(bytes, w);
  return HandRecord{function, bytes};
}

TEST(Metafile, PatternBrushesTakeTheCornerOfTheirBitmapUpToALimit) {
  auto play = [](const HandRecord& brush, MemoryCanvas& canvas) {
    HMETAFILE metafile = HandMade(
        {brush, Words(META_SELECTOBJECT, {0}), Words(META_PATBLT, {0x0021, 0x00F0, 16, 16, 0, 0})});
    EXPECT_NE(metafile, nullptr);
    const BOOL played = PlayMetaFile(canvas.dc(), metafile);
    DeleteMetaFile(metafile);
    return played;
  };
  for (const int32_t side : {8, 1024}) {
    MemoryCanvas canvas(16, 16, kRed);
    EXPECT_TRUE(play(PatternBrushRecord(side, side, side), canvas)) << side;
    for (int32_t y = 0; y < 16; ++y) {
      for (int32_t x = 0; x < 16; ++x)
        ASSERT_EQ(canvas.At(x, y), (x + y) % 2 ? kWhite : kBlack) << side << ": " << x << "," << y;
    }
  }
  // Larger than any brush needs, or bits that the record does not hold: playback stops there.
  MemoryCanvas wide(16, 16, kRed);
  EXPECT_FALSE(play(PatternBrushRecord(kMaxMetafilePatternSide + 1, 8, 8), wide));
  MemoryCanvas tall(16, 16, kRed);
  EXPECT_FALSE(play(PatternBrushRecord(8, 1 << 20, 8), tall));
  MemoryCanvas shortBits(16, 16, kRed);
  EXPECT_FALSE(play(PatternBrushRecord(64, 64, 63), shortBits));
  EXPECT_EQ(shortBits.Count(kRed), 256);
}

TEST(Metafile, ANewObjectTakesTheLowestFreeSlotInRecordingAndPlayback) {
  auto draw = [](HDC dc) {
    const COLORREF colours[] = {kRed, RGB(0, 160, 0), kBlue};
    HPEN pens[3];
    for (int i = 0; i < 3; ++i) {
      pens[i] = CreatePen(PS_SOLID, 1, colours[i]);
      SelectObject(dc, pens[i]);
      MoveToEx(dc, 0, i, nullptr);
      LineTo(dc, 10, i);
    }
    SelectObject(dc, pens[0]);
    DeleteObject(pens[1]);  // its slot is free again
    HPEN yellow = CreatePen(PS_SOLID, 1, RGB(250, 220, 0));
    SelectObject(dc, yellow);
    MoveToEx(dc, 0, 3, nullptr);
    LineTo(dc, 10, 3);
    SelectObject(dc, pens[2]);
    MoveToEx(dc, 0, 4, nullptr);
    LineTo(dc, 10, 4);
    SelectObject(dc, GetStockObject(BLACK_PEN));
    DeleteObject(yellow);
    DeleteObject(pens[0]);
    DeleteObject(pens[2]);
  };
  MemoryCanvas direct(10, 5);
  draw(direct.dc());
  MemoryCanvas played(10, 5);
  HMETAFILE metafile = Record(draw);
  ASSERT_TRUE(PlayMetaFile(played.dc(), metafile));
  EXPECT_EQ(played.Pixels(), direct.Pixels());
  EXPECT_EQ(played.At(5, 3), RGB(250, 220, 0));
  std::vector<uint8_t> bits(GetMetaFileBitsEx(metafile, 0, nullptr));
  GetMetaFileBitsEx(metafile, static_cast<UINT>(bits.size()), bits.data());
  EXPECT_EQ(bits[10], 4);  // three pens, the stock pen; the fourth pen reused a slot
  DeleteMetaFile(metafile);
}

TEST(Metafile, ABlitRecordReadsOnlyItsSourceRectangleAndWhiteOffTheBitmap) {
  // A 4 x 2 24-bit DIB, bottom row blue, top row red; its source rectangle starts a pixel to
  // the left of the bitmap.
  std::vector<uint8_t> bytes;
  for (uint16_t w : {0x0020u, 0x00CCu, 2u, 3u, 0u, 0xFFFFu, 2u, 3u, 0u, 0u})
    Put16(bytes, w);
  Put32(bytes, 40);
  Put32(bytes, 4);
  Put32(bytes, 2);
  Put16(bytes, 1);
  Put16(bytes, 24);
  for (int i = 0; i < 6; ++i)
    Put32(bytes, 0);
  for (int row = 0; row < 2; ++row) {
    for (int x = 0; x < 4; ++x) {
      if (row == 0)
        bytes.insert(bytes.end(), {255, 0, 0});
      else
        bytes.insert(bytes.end(), {0, 0, 255});
    }
  }
  HMETAFILE metafile = HandMade({HandRecord{META_DIBSTRETCHBLT, bytes}});
  ASSERT_NE(metafile, nullptr);
  MemoryCanvas canvas(3, 2, kBlack);
  ASSERT_TRUE(PlayMetaFile(canvas.dc(), metafile));
  EXPECT_EQ(canvas.At(0, 0), kWhite);  // off the bitmap
  EXPECT_EQ(canvas.At(1, 0), kRed);
  EXPECT_EQ(canvas.At(2, 1), kBlue);
  DeleteMetaFile(metafile);
}

// Records name object slots in 16 bits: an object past the last slot is refused instead of being
// recorded under a slot number that wraps round.
TEST(Metafile, ObjectsBeyondTheSixteenBitSlotsAreRefused) {
  HDC recorder = CreateMetaFile(nullptr);
  std::vector<HPEN> pens;
  for (int i = 0; i <= INT16_MAX; ++i) {
    pens.push_back(CreatePen(PS_SOLID, 1, RGB(i & 0xFF, 0, 0)));
    ASSERT_NE(SelectObject(recorder, pens.back()), nullptr) << i;
  }
  pens.push_back(CreatePen(PS_SOLID, 1, kRed));
  EXPECT_EQ(SelectObject(recorder, pens.back()), nullptr);
  EXPECT_EQ(SelectObject(recorder, GetStockObject(BLACK_PEN)), nullptr);  // it needs a slot too
  HMETAFILE metafile = CloseMetaFile(recorder);
  for (HPEN pen : pens)
    DeleteObject(pen);
  MemoryCanvas canvas(2, 2);
  EXPECT_TRUE(PlayMetaFile(canvas.dc(), metafile));
  DeleteMetaFile(metafile);
}

TEST(Metafile, AContextDeletedWithoutClosingForgetsItsObjects) {
  HDC recorder = CreateMetaFile(nullptr);
  HPEN pen = CreatePen(PS_SOLID, 1, kRed);
  SelectObject(recorder, pen);
  DeleteDC(recorder);  // abandoned: never closed
  EXPECT_EQ(GetObjectType(pen), static_cast<DWORD>(OBJ_PEN));
  EXPECT_TRUE(DeleteObject(pen));  // tells no recorder that is gone
  EXPECT_EQ(GetObjectType(pen), 0u);
}

}  // namespace
