// A gear with the program's resources: drawn into a memory canvas (the rod between the centres,
// solid while the rod acts and in the inactive look while it never does, and the icons at the
// centres, the ring gear's own), and made again from a document by the program's class table.

#include <optional>

#include <gtest/gtest.h>

#include "bodies/Body.h"
#include "bodies/BodyTags.h"
#include "bodies/Shapes.h"
#include "bodies/points/Point.h"
#include "constraints/ConstraintClasses.h"
#include "constraints/Gear.h"
#include "core/ClassRegistry.h"
#include "core/Handle.h"
#include "core/Resources.h"
#include "core/port/Picture.h"
#include "core/port/Port.h"
#include "model/filing/ObjectReader.h"
#include "model/filing/ObjectWriter.h"
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
    RegisterGearClasses();
    FreezeClassRegistry();
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
    FreeClassRegistry();
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

// A gear and its companions, filed as a document, are made again by the program's class table.
TEST_F(GearDrawTest, TheProgramsClassTableMakesTheGearAndItsCompanions) {
  TGearCnstr contact;
  contact.Initialize();
  contact.SetIdentifier(21);
  TGearCnstrPoint first, second;
  first.Initialize();
  first.SetIdentifier(22);
  second.Initialize();
  second.SetIdentifier(23);
  gear.SetIdentifier(20);
  gear.CompanionAdded(&contact);
  gear.CompanionAdded(&first);
  gear.CompanionAdded(&second);
  const std::vector<TLink*> objects{&gear};
  auto writer = WriteObjectsDefault(&objects, 1, nullptr, 2, nullptr);
  Handle handle = writer->TakeHandle();
  const auto* data = reinterpret_cast<const uint8_t*>(HandleData(handle));
  const std::vector<uint8_t> bytes(data, data + GetHandleByteSize(handle));
  FreeHandle(handle);
  auto reader = ReadObjects(bytes, 2, 1, nullptr, nullptr, nullptr, nullptr);
  reader->Complete(0);
  const auto read = reader->TakeObjects();
  int gears = 0, contacts = 0, points = 0;
  for (const auto& object : read) {
    gears += object->IsMemberClass(TGear::kClassID);
    contacts += object->IsMemberClass(TGearCnstr::kClassID);
    points += object->IsMemberClass(TGearCnstrPoint::kClassID);
  }
  EXPECT_EQ(gears, 1);
  EXPECT_EQ(contacts, 1);
  EXPECT_EQ(points, 2);
  // The kind's resource is there for the display to look up.
  Handle kind = GetResourceHandle(MakeTag("hCmd"), gear.GetKindNumber());
  EXPECT_NE(kind, nullptr);
  if (kind != nullptr) ReleaseResourceHandle(kind);
}

}  // namespace
