// Drawn constraints on a memory canvas: the frame a segment is drawn in and its clamping, the
// width each rope type gives its figure (the slack measured afresh before drawing), the figures
// of the linear kinds along the line between their points and the area they cover, the band
// test, hits on the drawn figure, and the icons and links of the rotational kinds.

#include <algorithm>
#include <cmath>
#include <memory>
#include <optional>
#include <utility>

#include <gtest/gtest.h>

#include "bodies/Body.h"
#include "bodies/Shapes.h"
#include "bodies/points/Point.h"
#include "constraints/ConstraintClasses.h"
#include "constraints/Forces.h"
#include "constraints/Pistons.h"
#include "constraints/Ropes.h"
#include "constraints/Springs.h"
#include "core/ClassRegistry.h"
#include "core/Handle.h"
#include "core/Resources.h"
#include "core/port/Picture.h"
#include "core/port/Port.h"
#include "platform/win32/GdiTypes.h"
#include "resources/ResourceLibraries.h"
#include "tests/support/MemoryCanvas.h"

namespace {

constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kBlack = RGB(0, 0, 0);

using Frame = TConstraint::DrawingFrame;

class ConstraintDrawingTest : public ::testing::Test {
 protected:
  static constexpr int16_t kWidth = 140;
  static constexpr int16_t kHeight = 60;
  // The ends lie on the row y = 30, at x = 20 and x = 120: one pixel a unit, y upwards.
  static constexpr int16_t kRow = 30;
  static constexpr int16_t kLeft = 20;
  static constexpr int16_t kRight = 120;

  void SetUp() override {
    InitHandlePool();
    RegisterResourceLibraries();
    SetResourceModule1(LoadResourceLibrary(kMainResourceLibrary));
    InitDrawingPort();
    LoadToolIcons();
    TMass::RegisterClass();
    RegisterCustomConstraintClasses();
    FreezeClassRegistry();
    SetDefaultConstraintSize(12.0);
    FreshCanvas();
    for (int i = 0; i < 2; ++i) {
      bodies[i].Initialize();
      bodies[i].SetIdentifier(static_cast<int16_t>(1 + i));
      bodies[i].SetPlacement({static_cast<double>(i == 0 ? kLeft : kRight), -kRow * 1.0, 0.0});
      points[i].Initialize();
      points[i].AttachToBody(&bodies[i]);
      points[i].SetLocalPosition({0.0, 0.0, 0.0});
      bodies[i].ValidateScreenTransform(Transform2D(1.0, 0.0, 0.0, 0.0, 0.0, 1.0, 0));
    }
  }
  void TearDown() override {
    SetPortDC(nullptr);
    canvas.reset();
    FreeCustomConstraintGlobals();
    TMass::TermClass();
    FreeClassRegistry();
    FreeDrawingPort();
    SetResourceModule1(nullptr);
    FreeHandlePool();
  }
  void FreshCanvas() {
    SetPortDC(nullptr);
    canvas.emplace(kWidth, kHeight);
    SetPortDC(canvas->dc());
    PortResetPen();
  }
  template <class T>
  std::unique_ptr<T> Between() {
    auto made = std::make_unique<T>();
    made->Initialize();
    made->AttachObject(&points[0]);
    made->AttachObject(&points[1]);
    return made;
  }
  // Black pixels in the column, at least `away` rows off the line between the ends.
  int32_t InkOffTheLine(int32_t x, int32_t away) const {
    int32_t n = 0;
    for (int32_t y = 0; y < kHeight; ++y)
      n += std::abs(y - kRow) >= away && canvas->At(x, y) == kBlack;
    return n;
  }
  int32_t InkOffTheLine(int32_t away) const {
    int32_t n = 0;
    for (int32_t x = 0; x < kWidth; ++x) n += InkOffTheLine(x, away);
    return n;
  }

  std::optional<MemoryCanvas> canvas;
  const MacRect area{0, 0, kWidth, kHeight};
  TOval bodies[2];
  TPoint points[2];
};

TEST_F(ConstraintDrawingTest, TheFrameRunsAlongTheSegmentAndAcrossToItsLeftAndIsClamped) {
  auto spring = Between<TLSpring>();
  // Across is 12 pixels a unit: the size over the segment's length.
  const Frame frame = spring->FrameBetween(MacPoint(20, 30), MacPoint(120, 30));
  EXPECT_FALSE(frame.flat);
  EXPECT_EQ(frame.At(0.5, 0.0), MacPoint(70, 30));
  EXPECT_EQ(frame.At(0.0, 1.0), MacPoint(20, 18));  // left of rightwards is up the screen
  EXPECT_EQ(frame.At(1.0, -1.0), MacPoint(120, 42));
  double x = 0.0, y = 0.0;
  ASSERT_TRUE(frame.ToFrame(MacPoint(45, 24), x, y));
  EXPECT_DOUBLE_EQ(x, 0.25);
  EXPECT_DOUBLE_EQ(y, 0.5);
  // Upwards on the screen, across is to the left.
  EXPECT_EQ(spring->FrameBetween(MacPoint(50, 50), MacPoint(50, 10)).At(0.0, 1.0),
            MacPoint(38, 50));

  // Far points stay within 16 bits: the offset, and every point of the frame.
  const Frame wide = spring->FrameBetween(MacPoint(-30000, 0), MacPoint(30000, 0));
  EXPECT_EQ(wide.xh, 32767.0);
  EXPECT_EQ(wide.At(2.0, 0.0), MacPoint(32767, 0));
  EXPECT_EQ(wide.At(-2.0, 0.0), MacPoint(-32767, 0));
  // Coinciding ends give no frame to draw in.
  EXPECT_TRUE(spring->FrameBetween(MacPoint(5, 5), MacPoint(5, 5)).flat);
}

TEST_F(ConstraintDrawingTest, FrameLinesMoveOrDrawAndCoilStrokesStayWithinTheirLimit) {
  auto spring = Between<TLSpring>();
  const Frame frame = spring->FrameBetween(MacPoint(20, 30), MacPoint(120, 30));
  TConstraint::DrawFrameLine(frame, 0.0, 1.0, false, false, 0);
  EXPECT_EQ(canvas->Count(kBlack), 0);
  // A corner keeps its end pixel; a plain line leaves it out.
  TConstraint::DrawFrameLine(frame, 0.5, 1.0, true, true, 0);
  EXPECT_EQ(canvas->At(20, 18), kBlack);
  EXPECT_EQ(canvas->At(70, 18), kBlack);
  TConstraint::DrawFrameLine(frame, 0.5, -1.0, true, false, 0);
  EXPECT_EQ(canvas->At(70, 30), kBlack);
  EXPECT_EQ(canvas->At(70, 42), kWhite);

  // Strokes far out of the picture stop at 8191 pixels, and so does the pen.
  const Frame huge = spring->FrameBetween(MacPoint(0, 0), MacPoint(30000, 0));
  TConstraint::DrawStrokes(huge, 0.0, 0.0, {TVector(0.5, 0.0), TVector(0.5, 0.0)}, 0);
  EXPECT_EQ(GetPenPositionMirror().x, 8191);
  TConstraint::DrawStrokes(huge, 0.0, 0.0, {TVector(-0.5, 0.0)}, 0);
  EXPECT_EQ(GetPenPositionMirror().x, -8191);
}

TEST_F(ConstraintDrawingTest, EachRopeTypeGivesItsFigureItsOwnWidthMeasuredBeforeDrawing) {
  auto rope = Between<TLRope>();
  const MacPoint offset(100, 0);
  // Rigid: no width; a separator: the size; a rope: its slack.
  EXPECT_EQ(rope->SizeRatio(offset), 0.0);
  EXPECT_TRUE(rope->FrameBetween(MacPoint(0, 0), offset).flat);
  rope->SetType(TLRope::kSeparator);
  EXPECT_DOUBLE_EQ(rope->SizeRatio(offset), 0.12);
  rope->SetType(TLRope::kRope);
  // The ends lie 100 apart; a rope 111.1 long hangs slack (L²/d² = 1.235, amplitude 0.484).
  rope->Quantity().SetConstant(100.0 / 0.9);
  rope->DrawShape(area, 0);
  EXPECT_NEAR(rope->GetAmplitude(), std::sqrt(1.0 / 0.81 - 1.0), 1e-9);
  EXPECT_DOUBLE_EQ(rope->SizeRatio(offset), rope->GetAmplitude());
  // Its sag reaches a quarter of the amplitude times the length above and below the line.
  EXPECT_GT(InkOffTheLine(10), 10);
  EXPECT_EQ(InkOffTheLine(16), 0);

  // Pulled almost straight, the next drawing shows it taut: nothing off the line.
  rope->Quantity().SetConstant(100.0 / 0.96);
  FreshCanvas();
  rope->DrawShape(area, 0);
  EXPECT_EQ(rope->GetAmplitude(), 0.0);
  EXPECT_EQ(InkOffTheLine(1), 0);
  EXPECT_EQ(canvas->At(70, kRow), kBlack);
}

TEST_F(ConstraintDrawingTest, LinearKindsDrawTheirFiguresAlongTheLineBetweenTheirPoints) {
  SCOPED_TRACE("a rod is its line");
  auto rod = Between<TRod>();
  rod->DrawShape(area, 0);
  for (int16_t x = kLeft; x <= kRight; ++x) EXPECT_EQ(canvas->At(x, kRow), kBlack) << x;
  EXPECT_EQ(InkOffTheLine(1), 0);

  {
    SCOPED_TRACE("a spring's coil lies between an eighth and seven eighths of the way");
    FreshCanvas();
    auto spring = Between<TLSpring>();
    spring->DrawShape(area, 0);
    EXPECT_EQ(InkOffTheLine(kLeft + 10, 1), 0);  // the straight lead
    EXPECT_GT(InkOffTheLine(kLeft + 44, 3), 0);  // a turn of the coil, 4.8 pixels up
    EXPECT_EQ(InkOffTheLine(6), 0);
    EXPECT_EQ(canvas->At(kRight - 1, kRow), kBlack);
  }
  {
    SCOPED_TRACE("a damper's cylinder stands 8 pixels each way at four tenths");
    FreshCanvas();
    auto damper = Between<TLDamper>();
    damper->DrawShape(area, 0);
    EXPECT_EQ(canvas->At(kLeft + 40, kRow - 8), kBlack);
    EXPECT_EQ(canvas->At(kLeft + 40, kRow + 8), kBlack);
    EXPECT_EQ(InkOffTheLine(kLeft + 70, 1), 0);
  }
  {
    SCOPED_TRACE("a spring damper puts the damper above and the coil below");
    FreshCanvas();
    auto both = Between<TLDampSpring>();
    both->DrawShape(area, 0);
    EXPECT_EQ(canvas->At(kLeft + 40, kRow - 17), kBlack);  // the cylinder's top, 1.4 across
    // The coil's lowest turn, 1.1 below at nine sixteenths of the way.
    int32_t low = 0;
    for (int32_t y = kRow + 11; y <= kRow + 15; ++y) low += canvas->At(kLeft + 56, y) == kBlack;
    EXPECT_GT(low, 0);
  }
  {
    SCOPED_TRACE("an actuator is a wide cylinder and a narrow rod");
    FreshCanvas();
    auto actuator = Between<TLPiston>();
    actuator->DrawShape(area, 0);
    EXPECT_EQ(canvas->At(kLeft + 25, kRow - 3), kBlack);
    EXPECT_EQ(canvas->At(kLeft + 75, kRow - 1), kBlack);
    EXPECT_EQ(canvas->At(kLeft + 75, kRow - 3), kWhite);
  }
}

TEST_F(ConstraintDrawingTest, TheBoundsCoverTheFiguresReachAcrossItsLine) {
  // One world unit a pixel: the ends at y = -30, the figures across it by their size.
  const auto across = [](TConstraint& kind) {
    TDoubleRect bounds;
    EXPECT_EQ(kind.GetBounds(bounds), 1);
    EXPECT_LE(std::min(bounds.left, bounds.right), kLeft);
    EXPECT_GE(std::max(bounds.left, bounds.right), kRight);
    return std::max(bounds.top, bounds.bottom) + kRow;
  };
  // The spring damper's cylinder stands 1.4 sizes (16.8 pixels) above the line.
  auto both = Between<TLDampSpring>();
  EXPECT_GE(across(*both), 16.8);
  EXPECT_LE(across(*both), 20.0);
  auto spring = Between<TLSpring>();
  EXPECT_GE(across(*spring), 4.8);
  EXPECT_LT(across(*spring), across(*both));
  // A rod's line and the mark's wide pen.
  auto rod = Between<TRod>();
  EXPECT_GE(across(*rod), 1.0);
  EXPECT_LE(across(*rod), 3.0);
}

TEST_F(ConstraintDrawingTest, ABandTakesAConstraintWithAllItsPointsAndAPressItsFigure) {
  auto spring = Between<TLSpring>();
  EXPECT_TRUE(spring->LiesInRect(MacRect(kLeft - 1, kRow - 1, kRight + 1, kRow + 1)));
  EXPECT_FALSE(spring->LiesInRect(MacRect(kLeft - 1, kRow - 1, kRight, kRow + 1)));
  TLSpring alone;
  alone.Initialize();
  EXPECT_FALSE(alone.LiesInRect(area));

  // The coil is hit across its width, the line near it, the ends not at all.
  EXPECT_TRUE(spring->HitTest(MacPoint(70, kRow - 10)));
  EXPECT_TRUE(spring->HitTest(MacPoint(30, kRow + 4)));
  EXPECT_FALSE(spring->HitTest(MacPoint(30, kRow + 10)));
  EXPECT_FALSE(spring->HitTest(MacPoint(kRight + 1, kRow)));
  // A rope hangs to one side: hit where it sags, not on the other side.
  auto rope = Between<TLRope>();
  rope->SetType(TLRope::kRope);
  rope->Quantity().SetConstant(100.0 / 0.8);
  EXPECT_TRUE(rope->HitTest(MacPoint(kLeft + 25, kRow - 12)));
  EXPECT_FALSE(rope->HitTest(MacPoint(kLeft + 25, kRow + 12)));
  // An active constraint is never hit.
  spring->Activate(0);
  ASSERT_TRUE(spring->IsActive());
  EXPECT_FALSE(spring->HitTest(MacPoint(70, kRow - 10)));
}

TEST_F(ConstraintDrawingTest, AForceIsHitAlongItsShaftAndAcrossItsHead) {
  // Pushing left from 100 to the right of its point: the tail at (120, 30), the tip at (20, 30).
  TForce force;
  force.Initialize();
  force.AttachObject(&points[0]);
  force.Fx().SetConstant(-100.0);
  force.Fy().SetConstant(0.0);
  EXPECT_TRUE(force.HitTest(MacPoint(70, kRow + 4)));       // the shaft
  EXPECT_TRUE(force.HitTest(MacPoint(kLeft + 6, kRow - 9)));  // the head, 12 pixels long
  EXPECT_FALSE(force.HitTest(MacPoint(70, kRow - 9)));      // beside the shaft
  EXPECT_FALSE(force.HitTest(MacPoint(kLeft + 1, kRow)));   // the point's own
}

TEST_F(ConstraintDrawingTest, RotationalKindsShowTheirOwnIconsAndTheirLinks) {
  auto spring = Between<TRSpring>();
  auto damper = Between<TRDamper>();
  auto motor = Between<TRPiston>();
  auto rope = Between<TRRope>();
  EXPECT_STREQ(spring->PointIconName(), "RSpringCnstrIcon");
  EXPECT_STREQ(damper->PointIconName(), "RDamperCnstrIcon");
  EXPECT_STREQ(motor->PointIconName(), "RPistonCnstrIcon");
  EXPECT_STREQ(rope->PointIconName(), "RCnstrIcon");
  spring->SetLocked(1);
  damper->SetLocked(1);
  rope->SetLocked(1);
  EXPECT_STREQ(spring->PointIconName(), "RLockSpringCnstrIcon");
  EXPECT_STREQ(damper->PointIconName(), "RLockDamperCnstrIcon");
  EXPECT_STREQ(rope->PointIconName(), "RLockCnstrIcon");
  for (TConstraint* kind : std::initializer_list<TConstraint*>{spring.get(), damper.get(),
                                                               motor.get(), rope.get()}) {
    EXPECT_NE(GetToolIcon(kind->PointIconName()), nullptr) << kind->PointIconName();
    kind->SetLocked(0);
    EXPECT_NE(GetToolIcon(kind->PointIconName()), nullptr) << kind->PointIconName();
  }

  // The icon at the primary point and a faint link to the other point; a condition that never
  // holds leaves the link out.
  const auto iconAndLink = [this](TConstraint& kind) {
    FreshCanvas();
    kind.DrawShape(area, 0);
    std::pair<int32_t, int32_t> counts{0, 0};
    for (int32_t x = 0; x < kWidth; ++x)
      for (int32_t y = 0; y < kHeight; ++y) {
        if (canvas->At(x, y) == kWhite) continue;
        (std::abs(x - kLeft) <= 8 && std::abs(y - kRow) <= 8 ? counts.first : counts.second) += 1;
      }
    return counts;
  };
  spring->SetAlwaysActive(1);
  const auto [icon, link] = iconAndLink(*spring);
  EXPECT_GT(icon, 20);
  EXPECT_GT(link, 10);
  EXPECT_LT(link, kRight - kLeft);
  spring->SetShortProperty(kTagAlwaysActive, 0);
  ASSERT_TRUE(spring->Activation().IsZeroConstant());
  const auto [iconAlone, noLink] = iconAndLink(*spring);
  EXPECT_GT(iconAlone, 20);
  EXPECT_EQ(noLink, 0);
  // Marked, it frames a small circle round the point.
  FreshCanvas();
  spring->HighlightSelection(area, 0, 1);
  EXPECT_EQ(canvas->At(kLeft, kRow - 3), kBlack);
  EXPECT_EQ(canvas->At(kLeft, kRow), kWhite);
  PortResetPen();
}

}  // namespace
