// Vector arrows drawn into a memory canvas with the program's resources.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "bodies/vectors/VectorArrows.h"
#include "core/ClassRegistry.h"
#include "core/Handle.h"
#include "core/Resources.h"
#include "core/port/Port.h"
#include "resources/ResourceLibraries.h"
#include "tests/support/MemoryCanvas.h"

namespace {

constexpr COLORREF kBlack = RGB(0, 0, 0);
constexpr COLORREF kWhite = RGB(255, 255, 255);

TEST(VectorArrowGeometry, BarbsShortArrowsAndHits) {
  const MacPoint right = TGlobalVectorHandler::ComputeBarbOffset(MacPoint(20, 50), MacPoint(60, 50));
  EXPECT_EQ(right.h, -4);
  EXPECT_EQ(right.v, -4);  // the mirror barb is (v, -h) = (-4, 4)
  const MacPoint up = TGlobalVectorHandler::ComputeBarbOffset(MacPoint(20, 50), MacPoint(21, 10));
  EXPECT_EQ(up.h, -4);
  EXPECT_EQ(up.v, 4);
  const MacPoint down = TGlobalVectorHandler::ComputeBarbOffset(MacPoint(20, 10), MacPoint(20, 50));
  EXPECT_EQ(down.h, 4);
  EXPECT_EQ(down.v, -4);
  const MacPoint diagonal =
      TGlobalVectorHandler::ComputeBarbOffset(MacPoint(0, 0), MacPoint(30, 30));
  EXPECT_EQ(diagonal.h, 0);
  EXPECT_EQ(diagonal.v, -6);

  EXPECT_TRUE(TGlobalVectorHandler::IsTooShort(MacPoint(10, 10), MacPoint(15, 15)));
  EXPECT_FALSE(TGlobalVectorHandler::IsTooShort(MacPoint(10, 10), MacPoint(16, 10)));

  TGlobalVectorHandler handler;
  handler.Initialize();
  int16_t part = 77;
  // Only the whole vector shown: a point near the x head misses.
  EXPECT_FALSE(handler.HitTestArrow(MacPoint(60, 90), MacPoint(10, 90), MacPoint(60, 40), part));
  EXPECT_EQ(part, 77);
  EXPECT_TRUE(handler.HitTestArrow(MacPoint(65, 35), MacPoint(10, 90), MacPoint(60, 40), part));
  EXPECT_EQ(part, 2);
  handler.SetComponentFlags({1, 1, 1, 0});
  // The x head wins over the whole head where both are near.
  EXPECT_TRUE(handler.HitTestArrow(MacPoint(60, 44), MacPoint(10, 46), MacPoint(60, 40), part));
  EXPECT_EQ(part, 3);
  EXPECT_TRUE(handler.HitTestArrow(MacPoint(14, 44), MacPoint(10, 90), MacPoint(60, 40), part));
  EXPECT_EQ(part, 4);
}

class VectorArrowDrawingTest : public ::testing::Test {
 protected:
  void SetUp() override {
    InitHandlePool();
    RegisterResourceLibraries();
    SetResourceModule1(LoadResourceLibrary(kMainResourceLibrary));
    InitDrawingPort();
    RegisterVectorHandlerClass();
    canvas.emplace(120, 100);
    SetPortDC(canvas->dc());
    handler.Initialize();
    handler.SetFlagProperty(kTagShowVectorLabels, 0);
  }
  void TearDown() override {
    SetPortDC(nullptr);
    canvas.reset();
    FreeVectorLabels();
    FreeClassRegistry();
    FreeDrawingPort();
    SetResourceModule1(nullptr);
    FreeHandlePool();
  }

  std::optional<MemoryCanvas> canvas;
  TGlobalVectorHandler handler;
};

TEST_F(VectorArrowDrawingTest, ArrowToTheRightEndsInItsBarbs) {
  handler.DrawArrow(MacPoint(20, 50), MacPoint(60, 50), Str255("v"), true);
  EXPECT_EQ(canvas->At(40, 50), kBlack);
  EXPECT_EQ(canvas->At(56, 46), kBlack);
  EXPECT_EQ(canvas->At(56, 54), kBlack);
  EXPECT_EQ(canvas->At(56, 50 - 8), kWhite);
  EXPECT_EQ(VectorLabelText(1), Str255("velocity"));
}

TEST_F(VectorArrowDrawingTest, ThickPensAreCentredAndShortArrowsLeaveAMark) {
  handler.SetShortProperty(kTagVectorPenWidth, 3);
  PenState saved;
  handler.PreparePen(saved);
  handler.DrawArrow(MacPoint(20, 50), MacPoint(60, 50), Str255("v"), true);
  PortSetPenState(saved);
  // The path moves up and left by one pixel; this port's pen is three pixels wide around it.
  EXPECT_EQ(canvas->At(40, 47), kWhite);
  EXPECT_EQ(canvas->At(40, 48), kBlack);
  EXPECT_EQ(canvas->At(40, 50), kBlack);
  EXPECT_EQ(canvas->At(40, 51), kWhite);

  MemoryCanvas alone(120, 100);
  SetPortDC(alone.dc());
  handler.DrawArrow(MacPoint(20, 20), MacPoint(25, 25), Str255("v"), false);
  EXPECT_EQ(alone.Count(kBlack), 0);
  handler.DrawArrow(MacPoint(20, 20), MacPoint(25, 25), Str255("v"), true);
  EXPECT_EQ(alone.At(20, 20), kBlack);
  EXPECT_EQ(alone.At(25, 25), kWhite);
  SetPortDC(canvas->dc());
}

TEST_F(VectorArrowDrawingTest, InvertedLabelsDrawnTwiceRestoreThePicture) {
  canvas->Scramble();
  const std::vector<COLORREF> before = canvas->Pixels();
  SetVectorLabelInversion(true);
  DrawVectorLabel(Str255("force"), 30, 40);
  EXPECT_NE(canvas->Pixels(), before);
  DrawVectorLabel(Str255("force"), 30, 40);
  SetVectorLabelInversion(false);
  EXPECT_EQ(canvas->Pixels(), before);

  // A plain label leaves everything but its own strokes as it was.
  DrawVectorLabel(Str255("force"), 30, 40);
  int32_t changed = 0;
  const std::vector<COLORREF> after = canvas->Pixels();
  for (size_t i = 0; i < after.size(); ++i) changed += after[i] != before[i];
  EXPECT_GT(changed, 0);
  EXPECT_LT(changed, 100 * 20);
}

}  // namespace
