// What an input draws: a number field shows its value inside its frame, and a vertical slider
// shows its value centred under its track.

#include <gtest/gtest.h>

#include <vector>

#include "core/Handle.h"
#include "core/port/Port.h"
#include "inout/inputs/Input.h"
#include "tests/support/MemoryCanvas.h"

namespace {

constexpr int32_t kSurface = 240;

class InputDrawingTest : public ::testing::Test {
 protected:
  void SetUp() override {
    InitHandlePool();
    InitDrawingPort();
    input.Initialize();
  }
  void TearDown() override {
    FreeDrawingPort();
    FreeHandlePool();
  }
  // Draws the input on the canvas, whatever the port was drawing on.
  void DrawInput() {
    const HDC previous = SetPortDC(canvas_.dc());
    input.Draw(input.GetInvalidFrame(), 0);
    SetPortDC(previous);
  }
  // The pixels not white inside the rectangle.
  int32_t InkInside(const MacRect& r) const {
    int32_t ink = 0;
    for (int32_t y = r.top; y < r.bottom; ++y)
      for (int32_t x = r.left; x < r.right; ++x) ink += canvas_.At(x, y) != RGB(255, 255, 255);
    return ink;
  }

  TInput input;

 private:
  MemoryCanvas canvas_{kSurface, kSurface};
};

MacRect Inset(const MacRect& r, int16_t by) {
  return MacRect(static_cast<int16_t>(r.left + by), static_cast<int16_t>(r.top + by),
                 static_cast<int16_t>(r.right - by), static_cast<int16_t>(r.bottom - by));
}

TEST_F(InputDrawingTest, ANumberFieldDrawsItsValueInsideItsFrame) {
  input.SetKind(TInputKind::kTextBox);
  input.MoveBy(MacPoint(20, 20));
  input.SetSize(MacPoint(120, 30));
  input.SetMinMax(0.0, 100.0);
  input.SetValue(42.5, false, false);
  const MacRect field = input.GetValueTextRect();
  ASSERT_FALSE(field.right <= field.left || field.bottom <= field.top);
  DrawInput();
  // The frame is drawn, and inside it the value's characters.
  EXPECT_GT(InkInside(MacRect(field.left, field.top, field.right, static_cast<int16_t>(field.top + 1))), 0);
  EXPECT_GT(InkInside(Inset(field, 2)), 10);
}

TEST_F(InputDrawingTest, AVerticalSlidersValueIsCentredUnderItsTrack) {
  input.SetShowText(true);
  input.MoveBy(MacPoint(60, 10));
  input.SetSize(MacPoint(24, 140));
  ASSERT_FALSE(input.IsHorizontal());
  const MacRect track = input.GetTrackRect();
  const MacRect text = input.GetValueTextRect();
  ASSERT_GT(text.right - text.left, 0);
  EXPECT_LE(std::abs((text.left + text.right) - (track.left + track.right)), 1)
      << "text " << text.left << ".." << text.right << ", track " << track.left << ".."
      << track.right;
  EXPECT_GT(text.top, track.bottom);
  // The value is drawn there.
  DrawInput();
  EXPECT_GT(InkInside(Inset(text, 2)), 10);
}

}  // namespace
