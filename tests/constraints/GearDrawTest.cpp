// A gear drawn into a memory canvas: the rod between the centres, solid while the rod acts and
// in the inactive look while it never does, and the icons at the centres, the ring gear's own.

#include <optional>

#include <gtest/gtest.h>

#include "bodies/Body.h"
#include "bodies/BodyTags.h"
#include "bodies/Shapes.h"
#include "bodies/points/Point.h"
#include "constraints/ConstraintClasses.h"
#include "constraints/Gear.h"
#include "core/Handle.h"
#include "core/Resources.h"
#include "core/port/Picture.h"
#include "core/port/Port.h"
#include "resources/ResourceLibraries.h"
#include "tests/support/MemoryCanvas.h"

namespace {

using namespace body_tags;

constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kBlack = RGB(0, 0, 0);

class GearDrawTest : public ::testing::Test {
 protected:
  static constexpr int16_t kWidth = 64;
  static constexpr int16_t kHeight = 40;
  void SetUp() override {
    InitHandlePool();
    RegisterResourceLibraries();
    SetResourceModule1(LoadResourceLibrary(kMainResourceLibrary));
    InitDrawingPort();
    LoadToolIcons();
    TMass::RegisterClass();
    RegisterCustomConstraintClasses();
    canvas.emplace(kWidth, kHeight);
    SetPortDC(canvas->dc());
    // Wheels at (10, 20) and (50, 20) on the screen: one pixel a unit, y upwards.
    for (int i = 0; i < 2; ++i) {
      wheels[i].Initialize();
      wheels[i].SetIdentifier(static_cast<int16_t>(3 + 2 * i));
      wheels[i].SetNumberProperty(kTagRadius, 5.0 - 2.0 * i);
      wheels[i].SetPlacement({10.0 + 40.0 * i, -20.0, 0.0});
      points[i].Initialize();
      points[i].AttachToBody(&wheels[i]);
      points[i].SetLocalPosition({0.0, 0.0, 0.0});
    }
    gear.Initialize();
    gear.AttachObject(&points[0]);
    gear.AttachObject(&points[1]);
  }
  void TearDown() override {
    SetPortDC(nullptr);
    canvas.reset();
    FreeCustomConstraintGlobals();
    TMass::TermClass();
    FreeDrawingPort();
    SetResourceModule1(nullptr);
    FreeHandlePool();
  }
  int32_t BlackOnTheRod() const {
    int32_t n = 0;
    for (int32_t x = 20; x < 40; ++x)
      n += canvas->At(x, 20) == kBlack;
    return n;
  }

  std::optional<MemoryCanvas> canvas;
  const MacRect area{0, 0, kWidth, kHeight};
  TOval wheels[2];
  TPoint points[2];
  TGear gear;
};

TEST_F(GearDrawTest, TheRodAndTheCentreIcons) {
  gear.SetShortProperty(kTagGearRodAlways, 1);
  gear.DrawShape(area, 0);
  EXPECT_EQ(BlackOnTheRod(), 20);
  // The outside gear's icon: a tooth's rim at the left, nothing above the left tooth.
  EXPECT_EQ(canvas->At(2, 19), kBlack);
  EXPECT_EQ(canvas->At(3, 19), kWhite);
  EXPECT_EQ(canvas->At(3, 16), kWhite);
  EXPECT_EQ(canvas->At(0, 0), kWhite);

  // A rod that never acts is drawn in the inactive look; the first gear is the ring.
  canvas.emplace(kWidth, kHeight);
  SetPortDC(canvas->dc());
  gear.SetShortProperty(kTagGearRodAlways, 0);
  gear.SetShortProperty(kTagGearInternal, 1);
  gear.SelectChoice(kTagGearFirstInternal);
  gear.DrawShape(area, 0);
  EXPECT_GT(BlackOnTheRod(), 0);
  EXPECT_LT(BlackOnTheRod(), 20);
  EXPECT_EQ(canvas->At(3, 16), kBlack);   // the ring's rim
  EXPECT_EQ(canvas->At(43, 16), kWhite);  // the other wheel keeps the outside gear's icon

  // Highlighted, the icons are drawn in reverse.
  canvas.emplace(kWidth, kHeight);
  SetPortDC(canvas->dc());
  gear.DrawShape(area, 0x10);
  EXPECT_EQ(canvas->At(43, 19), kBlack);

  // Neither rod nor centres: nothing.
  canvas.emplace(kWidth, kHeight);
  SetPortDC(canvas->dc());
  gear.SetShortProperty(kTagGearShowRod, 0);
  gear.SetShortProperty(kTagGearShowCentres, 0);
  gear.DrawShape(area, 0);
  EXPECT_EQ(canvas->Count(kWhite), kWidth * kHeight);
}

}  // namespace
