// A meter resized by a corner gets the frame asked for: the frame, its furniture and its name
// strip keep their room across and down, and what is left is the content.

#include <gtest/gtest.h>

#include "core/Handle.h"
#include "core/port/Port.h"
#include "inout/meters/Output.h"

namespace {

class MeterResizeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    InitHandlePool();
    InitDrawingPort();
    meter.Initialize();
    meter.SetName("Bob position");
    meter.SetPosition(40, 10);
  }
  void TearDown() override {
    FreeDrawingPort();
    FreeHandlePool();
  }
  // The frame after a drag of the bottom-right corner to a frame of that size.
  MacPoint ResizedFrame(int16_t width, int16_t height) {
    meter.ResizeFromCorner(kCornerBottomRight, MacPoint(width, height));
    const MacRect bounds = meter.GetBounds();
    return MacPoint(static_cast<int16_t>(bounds.right - bounds.left),
                    static_cast<int16_t>(bounds.bottom - bounds.top));
  }

  TOutput meter;
};

TEST_F(MeterResizeTest, AFramedOrUnframedMeterGetsTheFrameAskedFor) {
  for (const int32_t columns : {2, 4}) {
    for (const bool framed : {true, false}) {
      meter.SetColumnCount(columns);
      meter.SetFramed(framed);
      for (const auto& [w, h] : {std::pair<int16_t, int16_t>{180, 120}, {240, 90}}) {
        const MacPoint frame = ResizedFrame(w, h);
        EXPECT_EQ(frame.h, w) << columns << " columns, framed " << framed;
        EXPECT_EQ(frame.v, h) << columns << " columns, framed " << framed;
        // The content is what the frame leaves.
        const MacRect content = meter.GetContentFrame();
        EXPECT_LT(content.bottom - content.top, h);
        EXPECT_GT(content.bottom - content.top, h / 2);
      }
      // Resizing to the same frame again changes nothing.
      const MacPoint once = ResizedFrame(200, 100);
      EXPECT_EQ(ResizedFrame(200, 100), once);
    }
  }
}

}  // namespace
