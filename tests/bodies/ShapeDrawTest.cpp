// Rectangles and circles drawn into a memory bitmap and probed in pixels.

#include <numbers>
#include <optional>
#include <utility>

#include <gtest/gtest.h>

#include "bodies/BodyTags.h"
#include "bodies/Shapes.h"
#include "core/Handle.h"
#include "core/Resources.h"
#include "core/port/Picture.h"
#include "resources/ResourceLibraries.h"
#include "tests/support/MemoryCanvas.h"

namespace {

using namespace body_tags;

constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kBlack = RGB(0, 0, 0);
constexpr COLORREF kRed = RGB(255, 0, 0);

class ShapeDrawTest : public ::testing::Test {
 protected:
  static constexpr int16_t kWidth = 64;
  static constexpr int16_t kHeight = 48;
  void SetUp() override {
    InitHandlePool();
    RegisterResourceLibraries();
    SetResourceModule1(LoadResourceLibrary(kMainResourceLibrary));
    InitDrawingPort();
    TMass::RegisterClass();
    canvas.emplace(kWidth, kHeight);
    SetPortDC(canvas->dc());
  }
  void TearDown() override {
    SetPortDC(nullptr);
    canvas.reset();
    TMass::TermClass();
    FreeDrawingPort();
    SetResourceModule1(nullptr);
    FreeHandlePool();
  }
  // A shape at (x, y) in a view of one pixel a unit with the world origin at the top left.
  template <class Shape>
  static void Place(Shape& shape, double x, double y, double rotation) {
    shape.SetPlacement({x, y, rotation});
    shape.ValidateScreenTransform(Transform2D());
  }
  COLORREF At(int32_t x, int32_t y) const { return canvas->At(x, y); }

  std::optional<MemoryCanvas> canvas;
  const MacRect area{0, 0, kWidth, kHeight};
};

TEST_F(ShapeDrawTest, AFilledRectangleIsPaintedInItsFillColourAndFramedInItsOwn) {
  TRectangle rectangle;
  rectangle.Initialize();
  rectangle.SetNumberProperty(kTagWidth, 20.0);
  rectangle.SetNumberProperty(kTagHeight, 10.0);
  rectangle.SetShortProperty(kTagFillPattern, 1);  // solid
  rectangle.SetColourProperty(kTagFillColour, RGB16Color{0xFFFF, 0, 0});
  Place(rectangle, 30.0, -20.0, 0.0);
  const RGB16Color pen{0, 0, 0xFFFF};
  SetPortForeColor(pen);
  rectangle.DrawShape(area, 0);
  EXPECT_EQ(At(30, 20), kRed);
  EXPECT_EQ(At(25, 17), kRed);
  EXPECT_EQ(At(20, 15), kBlack);
  EXPECT_EQ(At(20, 20), kBlack);
  EXPECT_EQ(At(30, 15), kBlack);
  EXPECT_EQ(At(45, 20), kWhite);
  EXPECT_EQ(At(30, 28), kWhite);
  RGB16Color after{0, 0, 0};
  GetPortForeColor(after);
  EXPECT_EQ(RGB16ToColorRef(after), RGB16ToColorRef(pen));

  // Turned a quarter, the outline stands upright.
  Place(rectangle, 30.0, -20.0, std::numbers::pi / 2);
  const MacRect box = rectangle.Outline().box;
  EXPECT_EQ(box.right - box.left, 10);
  EXPECT_EQ(box.bottom - box.top, 20);
}

TEST_F(ShapeDrawTest, AnUnfilledCircleIsFramedWithItsRadiusLine) {
  TOval circle;
  circle.Initialize();
  circle.SetNumberProperty(kTagRadius, 5.0);
  circle.SetShortProperty(kTagFillPattern, 0);
  Place(circle, 10.0, -10.0, 0.0);
  circle.DrawShape(area, 0);
  EXPECT_EQ(At(12, 10), kBlack);  // the radius line
  EXPECT_EQ(At(14, 10), kBlack);
  EXPECT_EQ(At(10, 12), kWhite);  // inside, not filled
  EXPECT_EQ(At(10, 5), kBlack);   // the rim
  EXPECT_EQ(At(30, 30), kWhite);

  // Without the radius line, only the rim.
  circle.SetFlagProperty(kTagRadiusLine, 0);
  Place(circle, 40.0, -30.0, 0.0);
  circle.DrawShape(area, 0);
  EXPECT_EQ(At(42, 30), kWhite);
  EXPECT_EQ(At(40, 25), kBlack);
}

TEST_F(ShapeDrawTest, SelectionInvertsCornerSquaresAndConnectionLinesAreDashed) {
  TRectangle rectangle;
  rectangle.Initialize();
  rectangle.SetNumberProperty(kTagWidth, 20.0);
  rectangle.SetNumberProperty(kTagHeight, 10.0);
  Place(rectangle, 30.0, -20.0, 0.0);
  rectangle.HighlightSelection(area, 0, 1);
  for (const auto& [h, v] : {std::pair{18, 13}, std::pair{22, 17}, std::pair{42, 27},
                             std::pair{38, 13}, std::pair{18, 27}})
    EXPECT_EQ(At(h, v), kBlack) << h << "," << v;
  EXPECT_EQ(At(23, 18), kWhite);
  rectangle.HighlightSelection(area, 1, 1);  // no change of state draws nothing
  rectangle.HighlightSelection(area, 1, 0);
  EXPECT_EQ(At(18, 13), kWhite);
  EXPECT_EQ(At(42, 27), kWhite);

  // Flat: two pairs of corners coincide, so the square of the first is inverted twice.
  rectangle.SetNumberProperty(kTagHeight, 0.0);
  Place(rectangle, 30.0, -40.0, 0.0);
  rectangle.HighlightSelection(area, 0, 1);
  EXPECT_EQ(At(20, 40), kWhite);
  EXPECT_EQ(At(40, 40), kBlack);

  // A point left of the body meets it at the middle of its left side.
  rectangle.SetNumberProperty(kTagHeight, 10.0);
  Place(rectangle, 60.0, -20.0, 0.0);
  rectangle.DrawConnectionLine(MacPoint(2, 20), {-58.0, 0.0}, 1);
  int black = 0;
  for (int h = 2; h < 50; ++h)
    black += At(h, 20) == kBlack ? 1 : 0;
  EXPECT_GT(black, 24);
  EXPECT_LT(black, 48);  // dashed
  EXPECT_EQ(At(55, 20), kWhite);
  rectangle.DrawConnectionLine(MacPoint(25, 30), {-25.0, -10.0}, 0);
  EXPECT_EQ(At(25, 30), kWhite);

  TOval circle;
  circle.Initialize();
  circle.SetNumberProperty(kTagRadius, 4.0);
  Place(circle, 10.0, -10.0, 0.0);
  EXPECT_EQ(circle.ConnectionTarget({0.0, -8.0}), TVector(0.0, -4.0));
}

TEST_F(ShapeDrawTest, MarqueesEncloseShapesAndSketchesShowTheirOutline) {
  TRectangle rectangle;
  rectangle.Initialize();
  rectangle.SetNumberProperty(kTagWidth, 20.0);
  rectangle.SetNumberProperty(kTagHeight, 10.0);
  Place(rectangle, 30.0, -20.0, 0.0);
  EXPECT_TRUE(rectangle.IsEnclosedBy(MacRect(19, 14, 41, 26)));
  EXPECT_TRUE(rectangle.IsEnclosedBy(MacRect(20, 15, 40, 25)));
  EXPECT_FALSE(rectangle.IsEnclosedBy(MacRect(21, 14, 41, 26)));
  EXPECT_TRUE(rectangle.IsEnclosedBy(MacRect(5, 5, 5, 5)));  // an empty marquee

  TOval circle;
  circle.Initialize();
  circle.SetNumberProperty(kTagRadius, 5.0);
  Place(circle, 10.0, -10.0, 0.0);
  EXPECT_TRUE(circle.IsEnclosedBy(MacRect(5, 5, 15, 15)));
  EXPECT_FALSE(circle.IsEnclosedBy(MacRect(6, 5, 15, 15)));
  EXPECT_FALSE(circle.IsEnclosedBy(MacRect(5, 5, 15, 14)));
  circle.SetNumberProperty(kTagRadius, 0.0);
  Place(circle, 10.0, -10.0, 0.0);
  EXPECT_TRUE(circle.IsEnclosedBy(MacRect(10, 10, 20, 20)));
  EXPECT_FALSE(circle.IsEnclosedBy(MacRect(11, 10, 20, 20)));

  rectangle.DrawSketchFeedback(MacPoint(15, 10), MacPoint(5, 5));
  EXPECT_EQ(At(5, 5), kBlack);
  EXPECT_EQ(At(15, 10), kBlack);
  EXPECT_EQ(At(10, 8), kWhite);
  rectangle.DrawSketchFeedback(MacPoint(5, 30), MacPoint(25, 30));  // no height: nothing
  EXPECT_EQ(At(15, 30), kWhite);
  circle.DrawSketchFeedback(MacPoint(30, 5), MacPoint(50, 25));
  EXPECT_EQ(At(44, 15), kBlack);  // the radius from the centre to the right
  EXPECT_EQ(At(40, 20), kWhite);
}

TEST_F(ShapeDrawTest, TheChargeSignIsMarkedAtTheCentreOfMass) {
  LoadToolIcons();
  TRectangle rectangle;
  rectangle.Initialize();
  rectangle.SetNumberProperty(kTagWidth, 40.0);
  rectangle.SetNumberProperty(kTagHeight, 30.0);
  rectangle.SetShortProperty(kTagFillPattern, 0);
  rectangle.SetFlagProperty(kTagShowCharge, 1);
  rectangle.SetFormulaProperty(kTagCharge, TFormula(-1.0));
  Place(rectangle, 32.0, -24.0, 0.0);
  rectangle.DrawShape(area, 0);
  EXPECT_EQ(At(32, 22), kBlack);  // the minus sign's bar
  EXPECT_EQ(At(31, 18), kWhite);
  rectangle.SetFormulaProperty(kTagCharge, TFormula(2.0));
  rectangle.DrawShape(area, 0);
  EXPECT_EQ(At(31, 18), kBlack);  // the plus sign's upright
  // Drawing the outline alone leaves the marks out.
  SetPortDC(nullptr);
  canvas.emplace(kWidth, kHeight);
  SetPortDC(canvas->dc());
  rectangle.DrawShape(area, 1);
  EXPECT_EQ(At(31, 18), kWhite);
  EXPECT_EQ(At(12, 9), kBlack);
}

}  // namespace
