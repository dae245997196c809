// A few hundred bytes of picture can ask for shapes tens of thousands of pixels across, again and
// again. The work of playing them follows the frame the picture is drawn into, not the shapes'
// size; what is cut away changes no pixel inside the frame; a picture that asks for more than
// any drawing needs is refused.

#include <gtest/gtest.h>

#include <vector>

#include "platform/picture/PictFilter.h"
#include "platform/picture/PictPlayer.h"
#include "platform/win32/Region.h"
#include "tests/support/MemoryCanvas.h"

namespace {

constexpr COLORREF kBlack = RGB(0, 0, 0);
constexpr COLORREF kWhite = RGB(255, 255, 255);

// A picture of the first format (one-byte opcodes), big-endian, framed by the rectangle.
class SmallPict {
 public:
  SmallPict(int16_t top, int16_t left, int16_t bottom, int16_t right) {
    U16(0).Rect(top, left, bottom, right);
    bytes_.push_back(0x11);
    bytes_.push_back(0x01);
  }
  SmallPict& Op(uint8_t op) {
    bytes_.push_back(op);
    return *this;
  }
  SmallPict& U16(uint16_t v) {
    bytes_.push_back(static_cast<uint8_t>(v >> 8));
    bytes_.push_back(static_cast<uint8_t>(v));
    return *this;
  }
  SmallPict& Rect(int16_t top, int16_t left, int16_t bottom, int16_t right) {
    return U16(top).U16(left).U16(bottom).U16(right);
  }
  std::vector<uint8_t> End() {
    bytes_.push_back(0xFF);
    std::vector<uint8_t> out = bytes_;
    out[0] = static_cast<uint8_t>(out.size() >> 8);
    out[1] = static_cast<uint8_t>(out.size());
    return out;
  }

 private:
  std::vector<uint8_t> bytes_;
};

// The frame's pixels: 100 by 100, at the right end of an oval 60,000 units wide.
constexpr int16_t kFrameTop = -50, kFrameLeft = 29950, kFrameBottom = 50, kFrameRight = 30050;
constexpr int kSide = 100;

// A framed arc over the huge oval, from twelve round to six, then `repeats` framings of the same
// arc (five bytes each).
std::vector<uint8_t> ArcBomb(int repeats) {
  SmallPict pict(kFrameTop, kFrameLeft, kFrameBottom, kFrameRight);
  pict.Op(0x60).Rect(-30000, -30000, 30000, 30000).U16(0).U16(180);
  for (int i = 0; i < repeats; ++i) pict.Op(0x68).U16(0).U16(180);
  return pict.End();
}

TEST(PictWork, AnArcFarLargerThanTheFrameCostsWhatTheFrameHolds) {
  constexpr int kRepeats = 200;
  const std::vector<uint8_t> bomb = ArcBomb(kRepeats);
  ASSERT_LT(bomb.size(), 1100u);
  MemoryCanvas canvas(kSide, kSide);
  int64_t work = -1;
  ASSERT_TRUE(PlayPict(canvas.dc(), bomb, &work));
  // Each arc scans at most the frame's rows (and a pen's width beyond), against a few dozen
  // wedge edges, and paints an outline of two pieces a row: nothing grows with the oval.
  const int64_t perArc = work / (kRepeats + 1);
  EXPECT_GT(perArc, kSide);
  EXPECT_LT(perArc, 64 * (kSide + 2));

  // The pixels are those of the whole oval's one-pixel outline where it crosses the frame: the
  // oval scanned whole would be exact, and its cut to a box one pixel wider is the same there.
  const RECT wider{-1, -1, kSide + 1, kSide + 1};
  const RegionData oval = RegionData::Ellipse(-30000 - kFrameLeft, -30000 - kFrameTop,
                                              30000 - kFrameLeft, 30000 - kFrameTop,
                                              ScanLimit{wider, nullptr});
  int inked = 0;
  for (int y = 0; y < kSide; ++y) {
    for (int x = 0; x < kSide; ++x) {
      bool inner = true;
      for (int dy = -1; dy <= 1; ++dy)
        for (int dx = -1; dx <= 1; ++dx) inner = inner && oval.Contains(x + dx, y + dy);
      const bool outline = oval.Contains(x, y) && !inner;
      inked += outline;
      ASSERT_EQ(canvas.At(x, y), outline ? kBlack : kWhite) << x << "," << y;
    }
  }
  EXPECT_GE(inked, kSide);  // the outline crosses the whole frame from top to bottom

  // The metafile the filter makes holds a record or so per painted piece: a byte budget that
  // follows the frame, not the oval.
  const std::vector<uint8_t> placeable = PictToPlaceableMetafile(bomb);
  ASSERT_FALSE(placeable.empty());
  EXPECT_LT(placeable.size(), static_cast<size_t>(kRepeats + 1) * 4 * kSide * 32);
}

TEST(PictWork, APictureAskingForMoreThanTheBudgetIsRefusedSoonAfterIt) {
  // A frame 30,000 pixels a side painted with its oval again and again, one byte a time.
  SmallPict pict(0, 0, 30000, 30000);
  pict.Op(0x51).Rect(0, 0, 30000, 30000);
  for (int i = 0; i < 400; ++i) pict.Op(0x59);
  const std::vector<uint8_t> bomb = pict.End();
  ASSERT_LT(bomb.size(), 500u);
  MemoryCanvas canvas(16, 16);
  int64_t work = -1;
  EXPECT_FALSE(PlayPict(canvas.dc(), bomb, &work));
  EXPECT_GT(work, kPictWorkBudget);
  // It stops after the oval that went over: one oval scans and paints each row once.
  EXPECT_LT(work, kPictWorkBudget + 30000 * 20);
  EXPECT_TRUE(PictToPlaceableMetafile(bomb).empty());

  // The same frame painted once is a picture, and well inside the budget.
  SmallPict once(0, 0, 30000, 30000);
  once.Op(0x51).Rect(0, 0, 30000, 30000);
  MemoryCanvas corner(16, 16);
  EXPECT_TRUE(PlayPict(corner.dc(), once.End(), &work));
  EXPECT_LT(work, kPictWorkBudget / 4);
  EXPECT_EQ(corner.At(15, 15), kWhite);  // the oval's corner is left clear
}

TEST(PictWork, ALongFramedPolygonStopsAtTheBudgetWithinItsOneOpcode) {
  // Two thousand lines zigzagging down a frame 30,000 pixels high, framed by one opcode.
  constexpr int kPoints = 2000;
  SmallPict pict(0, 0, 30000, 30000);
  pict.Op(0x70).U16(10 + 4 * kPoints).Rect(0, 0, 30000, 30000);
  for (int i = 0; i < kPoints; ++i) pict.U16(i % 2 ? 29999 : 0).U16(i * 10);
  MemoryCanvas canvas(16, 16);
  int64_t work = -1;
  EXPECT_FALSE(PlayPict(canvas.dc(), pict.End(), &work));
  // Each line scans the frame's height against its pen's six edges and joins the outline so
  // far: the lines stop soon after the budget, not two thousand lines later.
  EXPECT_GT(work, kPictWorkBudget);
  EXPECT_LT(work, 2 * kPictWorkBudget + 30000 * 6);
}

TEST(PictWork, ShapesCutToTheFrameKeepTheirPixelsInsideIt) {
  // Ovals, arcs, round rectangles and polygons that reach well past a 40 by 40 frame, drawn
  // once in it and once in a frame of 4,000 that holds them whole: the 40 by 40 corner of both
  // is the same.
  auto draw = [](int16_t side) {
    SmallPict pict(0, 0, side, side);
    pict.Op(0x07).U16(3).U16(2);                      // pen 2 wide, 3 high
    pict.Op(0x50).Rect(-300, -20, 30, 3000);          // frame an oval
    pict.Op(0x0B).U16(40).U16(40);                    // oval corners 40 by 40
    pict.Op(0x40).Rect(10, 10, 2000, 2000);           // frame a round rectangle
    pict.Op(0x61).Rect(20, -500, 900, 45).U16(200).U16(static_cast<uint16_t>(-100));  // paint a wedge
    pict.Op(0x70).U16(10 + 4 * 3).Rect(0, 0, 0, 0);   // frame a polygon
    pict.U16(5).U16(5).U16(3900).U16(30).U16(25).U16(3000);
    pict.Op(0x22).U16(35).U16(2).U16(0x7F7F);         // a short line
    return pict.End();
  };
  MemoryCanvas small(40, 40);
  MemoryCanvas large(40, 40);
  ASSERT_TRUE(PlayPict(small.dc(), draw(40)));
  ASSERT_TRUE(PlayPict(large.dc(), draw(4000)));
  int black = 0;
  for (int y = 0; y < 40; ++y) {
    for (int x = 0; x < 40; ++x) {
      ASSERT_EQ(small.At(x, y), large.At(x, y)) << x << "," << y;
      black += small.At(x, y) == kBlack;
    }
  }
  EXPECT_GT(black, 100);
}

}  // namespace
