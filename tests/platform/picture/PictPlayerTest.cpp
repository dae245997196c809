// Pictures written byte by byte, played directly and through the placeable metafile the filter
// makes: both must give the same pixels, and those of drawing the shapes directly.

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "platform/picture/PictFilter.h"
#include "platform/picture/PictPlayer.h"
#include "platform/win32/Gdi.h"
#include "tests/support/MemoryCanvas.h"

namespace {

constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kBlack = RGB(0, 0, 0);
constexpr COLORREF kRed = RGB(255, 0, 0);

// Big-endian picture bytes: the size word and frame, the version, opcodes, then the end.
class Pict {
 public:
  Pict(int version, int16_t top, int16_t left, int16_t bottom, int16_t right)
      : version_(version) {
    U16(0);
    Rect(top, left, bottom, right);
    if (version == 1) {
      U8(0x11);
      U8(0x01);
    } else {
      U16(0x0011);
      U16(0x02FF);
      Op(0x0C00);
      for (int i = 0; i < 12; ++i) U16(i == 0 ? 0xFFFF : 0);
    }
  }
  Pict& Op(uint16_t op) {
    if (version_ == 1) {
      U8(static_cast<uint8_t>(op));
    } else {
      if (bytes_.size() % 2) U8(0);
      U16(op);
    }
    return *this;
  }
  Pict& U8(uint8_t v) {
    bytes_.push_back(v);
    return *this;
  }
  Pict& U16(uint16_t v) {
    bytes_.push_back(static_cast<uint8_t>(v >> 8));
    bytes_.push_back(static_cast<uint8_t>(v));
    return *this;
  }
  Pict& U32(uint32_t v) { return U16(static_cast<uint16_t>(v >> 16)).U16(static_cast<uint16_t>(v)); }
  Pict& Rect(int16_t top, int16_t left, int16_t bottom, int16_t right) {
    return U16(top).U16(left).U16(bottom).U16(right);
  }
  Pict& Point(int16_t v, int16_t h) { return U16(v).U16(h); }
  Pict& Bytes(std::initializer_list<uint8_t> bytes) {
    bytes_.insert(bytes_.end(), bytes);
    return *this;
  }
  // A rectangular region.
  Pict& RectRegion(int16_t top, int16_t left, int16_t bottom, int16_t right) {
    return U16(10).Rect(top, left, bottom, right);
  }
  std::vector<uint8_t> End() {
    Op(0x00FF);
    std::vector<uint8_t> out = bytes_;
    out[0] = static_cast<uint8_t>(out.size() >> 8);
    out[1] = static_cast<uint8_t>(out.size());
    return out;
  }

 private:
  int version_;
  std::vector<uint8_t> bytes_;
};

// The picture played directly into a fresh white canvas.
std::unique_ptr<MemoryCanvas> Direct(const std::vector<uint8_t>& pict, int w = 40, int h = 40) {
  auto canvas = std::make_unique<MemoryCanvas>(w, h);
  EXPECT_TRUE(PlayPict(canvas->dc(), pict));
  return canvas;
}

// The same picture converted to a placeable metafile and played back: must equal the direct
// playing pixel for pixel. Answers the direct canvas for probing.
std::unique_ptr<MemoryCanvas> Played(const std::vector<uint8_t>& pict, int w = 40, int h = 40) {
  auto direct = Direct(pict, w, h);
  const std::vector<uint8_t> placeable = PictToPlaceableMetafile(pict);
  EXPECT_GT(placeable.size(), 22u);
  if (placeable.size() <= 22) return direct;
  HMETAFILE metafile =
      SetMetaFileBitsEx(static_cast<UINT>(placeable.size() - 22), placeable.data() + 22);
  EXPECT_NE(metafile, nullptr);
  MemoryCanvas replay(w, h);
  EXPECT_TRUE(PlayMetaFile(replay.dc(), metafile));
  DeleteMetaFile(metafile);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      if (direct->At(x, y) != replay.At(x, y)) {
        ADD_FAILURE() << "metafile differs at " << x << "," << y;
        return direct;
      }
    }
  }
  return direct;
}

int CountColour(const MemoryCanvas& canvas, COLORREF colour) {
  int count = 0;
  for (int y = 0; y < canvas.height(); ++y) {
    for (int x = 0; x < canvas.width(); ++x) count += canvas.At(x, y) == colour;
  }
  return count;
}

TEST(PictPlayer, RectanglesInBothVersionsFrameInsideAndPaintTheirPixels) {
  for (int version : {1, 2}) {
    SCOPED_TRACE(version);
    Pict p(version, 0, 0, 40, 40);
    p.Op(0x07).Point(2, 3);                // pen 3 wide, 2 high
    p.Op(0x30).Rect(5, 5, 20, 25);         // frame
    p.Op(0x07).Point(1, 1);
    p.Op(0x31).Rect(25, 10, 30, 20);       // paint
    p.Op(0x33).Rect(25, 15, 35, 30);       // invert, over part of the paint
    auto c = Played(p.End());
    EXPECT_EQ(c->At(5, 5), kBlack);
    EXPECT_EQ(c->At(7, 6), kBlack);        // inside the 3 x 2 pen
    EXPECT_EQ(c->At(8, 7), kWhite);        // inside the frame
    EXPECT_EQ(c->At(24, 19), kBlack);      // the bottom right corner is inside the rectangle
    EXPECT_EQ(c->At(25, 19), kWhite);      // right and bottom edges are outside
    EXPECT_EQ(c->At(12, 27), kBlack);
    EXPECT_EQ(c->At(17, 27), kWhite);      // painted, then inverted
    EXPECT_EQ(c->At(25, 33), kBlack);      // white, inverted
    // Frame strips 2 x 20 x 2 and 2 x 3 x 11; paint 50 and invert 150 sharing 25.
    EXPECT_EQ(CountColour(*c, kBlack), 80 + 66 + (50 - 25) + (150 - 25));
  }
}

TEST(PictPlayer, ColoursAndPatternsPaintAsTheyAreSet) {
  Pict p(2, 0, 0, 40, 40);
  p.Op(0x1A).U16(0xFFFF).U16(0).U16(0);                       // fore colour red
  p.Op(0x0A).Bytes({0xAA, 0x55, 0xAA, 0x55, 0xAA, 0x55, 0xAA, 0x55});  // fill: checks
  p.Op(0x34).Rect(0, 0, 8, 8);
  p.Op(0x02).Bytes({0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF});  // back pattern: all set
  p.Op(0x32).Rect(10, 10, 12, 12);                            // erase paints the fore colour
  p.Op(0x0E).U32(409);                                        // old-style colour: blue
  p.Op(0x31).Rect(20, 20, 22, 22);
  auto c = Played(p.End());
  EXPECT_EQ(CountColour(*c, kRed), 32 + 4);
  EXPECT_NE(c->At(0, 0), c->At(1, 0));
  EXPECT_NE(c->At(0, 0), c->At(0, 1));
  EXPECT_EQ(c->At(0, 0), c->At(1, 1));
  EXPECT_EQ(c->At(11, 11), kRed);
  EXPECT_EQ(c->At(21, 21), RGB(0, 0, 255));
}

TEST(PictPlayer, OvalsRoundRectanglesAndArcsMatchTheirShapes) {
  Pict p(1, 0, 0, 40, 40);
  p.Op(0x51).Rect(0, 0, 20, 20);        // paint oval
  p.Op(0x0B).Point(8, 8);
  p.Op(0x41).Rect(20, 0, 40, 20);       // paint round rect
  p.Op(0x61).Rect(0, 20, 20, 40).U16(0).U16(90);  // paint the wedge from twelve to three
  auto c = Played(p.End());
  // The oval: exactly the region of the same ellipse.
  HRGN oval = CreateEllipticRgn(0, 0, 20, 20);
  HRGN round = CreateRoundRectRgn(0, 20, 20, 40, 8, 8);
  for (int y = 0; y < 40; ++y) {
    for (int x = 0; x < 20; ++x) {
      const bool inside = PtInRegion(oval, x, y) || PtInRegion(round, x, y);
      ASSERT_EQ(c->At(x, y), inside ? kBlack : kWhite) << x << "," << y;
    }
  }
  DeleteObject(oval);
  DeleteObject(round);
  EXPECT_EQ(c->At(34, 4), kBlack);   // upper right quarter of the third oval
  EXPECT_EQ(c->At(25, 4), kWhite);   // upper left
  EXPECT_EQ(c->At(34, 15), kWhite);  // lower right
}

TEST(PictPlayer, PolygonsRegionsAndLines) {
  Pict p(2, 0, 0, 40, 40);
  p.Op(0x71).U16(10 + 4 * 3).Rect(0, 0, 10, 10).Point(0, 0).Point(0, 10).Point(10, 0);
  // An L-shaped region: rows 20-25 columns 0-20, rows 25-30 columns 0-5.
  p.Op(0x81).U16(10 + 2 * 8 + 2 * 4 + 2).Rect(20, 0, 30, 20);
  p.U16(20).U16(0).U16(20).U16(0x7FFF);
  p.U16(25).U16(5).U16(20).U16(0x7FFF);
  p.U16(30).U16(0).U16(5).U16(0x7FFF);
  p.U16(0x7FFF);
  p.Op(0x20).Point(35, 10).Point(35, 20);   // horizontal line, both ends drawn
  p.Op(0x23).U8(0).U8(3);                   // short line on from there: down 3
  auto c = Played(p.End());
  EXPECT_EQ(c->At(1, 1), kBlack);
  EXPECT_EQ(c->At(8, 8), kWhite);  // beyond the diagonal
  EXPECT_EQ(c->At(19, 22), kBlack);
  EXPECT_EQ(c->At(3, 28), kBlack);
  EXPECT_EQ(c->At(10, 28), kWhite);
  EXPECT_EQ(c->At(10, 35), kBlack);
  EXPECT_EQ(c->At(20, 35), kBlack);
  EXPECT_EQ(c->At(21, 35), kWhite);
  EXPECT_EQ(c->At(20, 38), kBlack);
  EXPECT_EQ(c->At(20, 39), kWhite);
}

TEST(PictPlayer, ClipAndOriginMoveAndCutWhatFollows) {
  Pict p(1, 10, 10, 50, 50);                 // the frame's corner becomes (0, 0)
  p.Op(0x01).RectRegion(10, 10, 20, 20);    // clip to the first 10 x 10
  p.Op(0x31).Rect(10, 10, 50, 50);
  p.Op(0x01).RectRegion(10, 10, 50, 50);
  p.Op(0x0C).Point(-20, -20);                // origin moved: what follows shifts by 20
  p.Op(0x31).Rect(10, 10, 12, 12);
  auto c = Played(p.End());
  EXPECT_EQ(CountColour(*c, kBlack), 100 + 4);
  EXPECT_EQ(c->At(9, 9), kBlack);
  EXPECT_EQ(c->At(10, 10), kWhite);
  EXPECT_EQ(c->At(21, 21), kBlack);
}

TEST(PictPlayer, TextDrawsLikeTheSameFontDirectly) {
  Pict p(2, 0, 0, 30, 80);
  p.Op(0x03).U16(21);        // a sans-serif face
  p.Op(0x04).U8(1);          // bold
  p.Op(0x0D).U16(14);
  p.Op(0x28).Point(20, 2).U8(3).Bytes({'A', 'x', '7'});
  auto c = Played(p.End(), 80, 30);

  MemoryCanvas expected(80, 30);
  LOGFONT log;
  log.lfHeight = -14;
  log.lfWeight = FW_BOLD;
  std::strcpy(log.lfFaceName, "Arial");
  HFONT font = CreateFontIndirect(&log);
  HGDIOBJ old = SelectObject(expected.dc(), font);
  SetTextAlign(expected.dc(), TA_BASELINE);
  SetBkMode(expected.dc(), TRANSPARENT);
  TextOut(expected.dc(), 2, 20, "Ax7", 3);
  SelectObject(expected.dc(), old);
  DeleteObject(font);
  EXPECT_GT(CountColour(*c, kBlack), 20);
  for (int y = 0; y < 30; ++y) {
    for (int x = 0; x < 80; ++x) ASSERT_EQ(c->At(x, y), expected.At(x, y)) << x << "," << y;
  }
}

TEST(PictPlayer, BitMapsAndPixelMapsDrawTheirPixels) {
  Pict p(2, 0, 0, 40, 40);
  // A one-bit bit map, 8 x 2, unpacked (row bytes under 8): set bits are black.
  p.Op(0x90).U16(2).Rect(0, 0, 2, 8).Rect(0, 0, 2, 8).Rect(0, 0, 2, 8).U16(0);
  p.Bytes({0xF0, 0, 0x0F, 0});
  // An 8-bit pixel map, 2 x 2 pixels with a two-colour table, packed rows of 8 bytes, drawn
  // doubled at (10, 10).
  p.Op(0x98).U16(0x8000 | 8).Rect(0, 0, 2, 8);
  p.U16(0).U16(0).U32(0).U32(0x480000).U32(0x480000).U16(0).U16(8).U16(1).U16(8).U32(0)
      .U32(0).U32(0);
  p.U32(0).U16(0x8000).U16(1);                       // table: two entries, indexed in order
  p.U16(0).U16(0xFFFF).U16(0).U16(0);                // red
  p.U16(1).U16(0).U16(0).U16(0xFFFF);                // blue
  p.Rect(0, 0, 2, 2).Rect(10, 10, 14, 14).U16(0);
  p.U8(2).Bytes({0xF9, 0x00});                         // a run: 8 x index 0
  p.U8(5).Bytes({0x01, 0x01, 0x00, 0xFB, 0x00});       // literal 1 0, then 6 x 0
  // A 32-bit direct pixel map, 2 x 1, unpacked.
  p.Op(0x9A).U32(0xFF).U16(0x8000 | 8).Rect(0, 0, 1, 2);
  p.U16(0).U16(1).U32(0).U32(0x480000).U32(0x480000).U16(16).U16(32).U16(3).U16(8).U32(0)
      .U32(0).U32(0);
  p.Rect(0, 0, 1, 2).Rect(20, 20, 21, 22).U16(0);
  p.Bytes({0, 0, 255, 0, 0, 0, 0, 255});
  auto c = Played(p.End());
  EXPECT_EQ(c->At(0, 0), kBlack);
  EXPECT_EQ(c->At(4, 0), kWhite);
  EXPECT_EQ(c->At(4, 1), kBlack);
  EXPECT_EQ(c->At(11, 11), kRed);
  EXPECT_EQ(c->At(13, 11), kRed);
  EXPECT_EQ(c->At(11, 13), RGB(0, 0, 255));
  EXPECT_EQ(c->At(13, 13), kRed);
  EXPECT_EQ(c->At(20, 20), RGB(0, 255, 0));
  EXPECT_EQ(c->At(21, 20), RGB(0, 0, 255));
}

TEST(PictPlayer, CommentsArePassedOverAndUnknownOrShortDataRefused) {
  Pict p(2, 0, 0, 10, 10);
  p.Op(0xA0).U16(100);
  p.Op(0xA1).U16(100).U16(3).Bytes({1, 2, 3});
  p.Op(0x1D).Bytes({1, 2, 3, 4, 5, 6});  // highlight colour
  p.Op(0x1F).Bytes({0, 0x31, 0, 0, 0, 0});  // operation colour
  p.Op(0x31).Rect(0, 0, 5, 5);
  const std::vector<uint8_t> good = p.End();
  EXPECT_EQ(CountColour(*Played(good, 10, 10), kBlack), 25);

  // Every shorter copy of the picture is refused, never read beyond its end.
  for (size_t length = 0; length < good.size(); ++length) {
    const std::vector<uint8_t> cut(good.begin(), good.begin() + static_cast<ptrdiff_t>(length));
    MemoryCanvas canvas(10, 10);
    EXPECT_FALSE(PlayPict(canvas.dc(), cut)) << length;
    EXPECT_TRUE(PictToPlaceableMetafile(cut).empty());
  }
  Pict unknown(2, 0, 0, 10, 10);
  unknown.Op(0x00B0);
  EXPECT_TRUE(PictToPlaceableMetafile(unknown.End()).empty());
  // A region whose columns never close is malformed.
  Pict open(1, 0, 0, 10, 10);
  open.Op(0x81).U16(10 + 8).Rect(0, 0, 5, 5).U16(0).U16(0).U16(0x7FFF).U16(0x7FFF);
  EXPECT_TRUE(PictToPlaceableMetafile(open.End()).empty());
}

TEST(PictFilter, WritesAPlaceableMetafileFramedInPixels) {
  Pict p(1, 100, 200, 148, 296);
  p.Op(0x31).Rect(100, 200, 110, 210);
  const std::vector<uint8_t> pict = p.End();
  const auto dir = std::filesystem::temp_directory_path();
  const auto source = dir / ("pict-" + std::to_string(getpid()) + ".PCT");
  const auto target = dir / ("pict-" + std::to_string(getpid()) + ".WMF");
  {
    std::ofstream out(source, std::ios::binary);
    const std::vector<char> zeros(kPictFileHeader, 0);
    out.write(zeros.data(), static_cast<std::streamsize>(zeros.size()));
    out.write(reinterpret_cast<const char*>(pict.data()), static_cast<std::streamsize>(pict.size()));
  }
  std::ofstream(target).close();
  const uint8_t block[kFilterParameterSize] = {};
  ASSERT_EQ(HSIImportFilter(source.c_str(), target.c_str(), block), 0);
  std::ifstream in(target, std::ios::binary);
  const std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(in), {}};
  ASSERT_GT(bytes.size(), 22u);
  auto u16 = [&](size_t at) { return static_cast<uint16_t>(bytes[at] | bytes[at + 1] << 8); };
  EXPECT_EQ(u16(0) | u16(2) << 16, kPlaceableKey);
  EXPECT_EQ(u16(6), 0);
  EXPECT_EQ(u16(8), 0);
  EXPECT_EQ(u16(10), 96);   // right: the frame's width in pixels
  EXPECT_EQ(u16(12), 48);   // bottom
  EXPECT_EQ(u16(14), 96);   // units per inch
  uint16_t checksum = 0;
  for (size_t i = 0; i < 20; i += 2) checksum ^= u16(i);
  EXPECT_EQ(u16(20), checksum);
  EXPECT_EQ(bytes, PictToPlaceableMetafile(pict));

  // A file without a picture after the header, or none at all, converts to nothing.
  std::ofstream(source, std::ios::binary | std::ios::trunc) << "short";
  EXPECT_EQ(HSIImportFilter(source.c_str(), target.c_str(), block), 1);
  EXPECT_EQ(HSIImportFilter((dir / "no-such.PCT").c_str(), target.c_str(), block), 1);
  std::filesystem::remove(source);
  std::filesystem::remove(target);
}

}  // namespace
