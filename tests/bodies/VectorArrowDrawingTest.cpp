// Vector arrows drawn into a memory canvas with the program's resources.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "bodies/Body.h"
#include "bodies/vectors/VectorThing.h"
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

// A world whose one pixel is one world unit, and whose fields act between pairs of bodies.
class TPixelBody : public TMass {
 public:
  void GetVectorAnchor(MacPoint& screen, TVector& world) override {
    world = {60.0, 50.0};
    VectorPointToScreen(world, screen);
  }
  void VectorPointToScreen(const TVector& world, MacPoint& screen) override {
    screen = MacPoint(static_cast<int16_t>(world.x), static_cast<int16_t>(world.y));
  }
};

class TPairWorld : public TVectorWorld {
 public:
  TPairWorld(TGlobalVectorHandler& handler) : handler_(handler) {}
  TGlobalVectorHandler* GetVectorHandler() override { return &handler_; }
  bool ShowsRecordedFrames() override { return true; }

 private:
  TGlobalVectorHandler& handler_;
};

class TPairFieldHandler : public TGlobalVectorHandler {
 public:
  TPairFieldHandler() { gravity.SetIdentifier(4); }
  TLink* GetGravityField() override { return &gravity; }
  bool IsUniformField(TLink*) override { return false; }
  TLink gravity;
};

TEST_F(VectorArrowDrawingTest, PairArrowsDrawAtMostFivePairsAndCombineContacts) {
  TPairFieldHandler pairHandler;
  pairHandler.Initialize();
  pairHandler.SetFlagProperty(kTagShowVectorLabels, 0);
  pairHandler.SetScales(0.2, 0.13, 1.0);
  pairHandler.SelectChoice(kTagSeparateContacts);
  TPairWorld world(pairHandler);
  TPixelBody body;
  body.Initialize();
  body.AdoptWorld(&world, 0);
  body.DoCommandValue(kCmdShowContact, 1);
  // Seven contacts, each pushing 20 to the right at (10, 15 i); five have formulas.
  auto load = [&body](double count) {
    std::vector<double> values{count};
    for (int i = 1; i <= 5; ++i) values.insert(values.end(), {20.0, 0.0});
    for (int i = 1; i <= 5; ++i) values.insert(values.end(), {10.0, 15.0 * i});
    size_t at = 0;
    ASSERT_TRUE(body.LoadArrowValues(21, [&] { return values[at++]; }));
  };
  load(7.0);
  const MacRect area(0, 0, 120, 100);
  body.DrawVectors(area, 0);
  for (int i = 1; i <= 5; ++i) {
    EXPECT_EQ(canvas->At(20, 15 * i), kBlack) << i;
    EXPECT_EQ(canvas->At(34, 15 * i), kWhite) << i;
  }

  // No contacts: nothing at all.
  MemoryCanvas empty(120, 100);
  SetPortDC(empty.dc());
  load(0.0);
  body.DrawVectors(area, 0);
  EXPECT_EQ(empty.Count(kBlack), 0);

  // Combined: one arrow of the sum from the body's point.
  MemoryCanvas combined(120, 100);
  SetPortDC(combined.dc());
  pairHandler.SelectChoice(kTagCombineContacts);
  load(2.0);
  body.DrawVectors(area, 0);
  EXPECT_EQ(combined.At(90, 50), kBlack);
  EXPECT_EQ(combined.At(20, 15), kWhite);
  EXPECT_EQ(combined.At(102, 50), kWhite);

  // A pair arrow with no pairs shows only the mark at a body's point.
  MemoryCanvas mark(120, 100);
  SetPortDC(mark.dc());
  body.DoCommandValue(kCmdShowContact, 0);
  body.DoCommandValue(kCmdShowGravity, 1);
  ASSERT_NE(dynamic_cast<TVectorArrow693*>(body.GetArrow(6)), nullptr);
  ASSERT_TRUE(body.LoadArrowValues(11, [] { return 0.0; }));
  body.DrawVectors(area, 0);
  EXPECT_EQ(mark.At(60, 48), kBlack);
  EXPECT_LT(mark.Count(kBlack), 20);
  SetPortDC(canvas->dc());
}

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
