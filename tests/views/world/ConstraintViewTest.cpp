// A spring between two filled boxes in the main world view: drawn in the editing picture along
// the line between its points, found by a press on its coil but not on its ends, and marked in
// the display picture while it is selected (as a selected point is, by its square), the mark
// gone again once the selection is.

#include <memory>
#include <utility>
#include <vector>

#include "bodies/Background.h"
#include "bodies/BodyTags.h"
#include "bodies/Shapes.h"
#include "bodies/points/Point.h"
#include "constraints/Slot.h"
#include "constraints/Springs.h"
#include "core/Handle.h"
#include "model/world/WorldDoc.h"
#include "platform/win32/Dc.h"
#include "tests/views/offscreen/OffScreenSupport.h"
#include "views/world/MainWorldView.h"

namespace view_test {
namespace {

using namespace body_tags;

constexpr COLORREF kBlack = RGB(0, 0, 0);
constexpr COLORREF kRed = RGB(200, 0, 0);

class ConstraintViewTest : public OffScreenTest {
 protected:
  void SetUp() override {
    OffScreenTest::SetUp();
    SetDefaultConstraintSize(12.0);
    world_ = std::make_unique<TWorldDoc>();
    auto snapper = std::make_unique<THotPointSnapper>();
    snapper->Initialize();
    world_->AdoptObject(std::move(snapper));
    world_->Scale().SetConstant(100.0);
    Add<TZeroMass>(0);
    // Boxes 0.4 m wide at x = -0.5 and x = 0.5: 150 and 250 pixels of a 400 by 300 view.
    for (int i = 0; i < 2; ++i) {
      TRectangle& box = Add<TRectangle>(static_cast<int16_t>(1 + i));
      box.SetNumberProperty(kTagWidth, 0.4);
      box.SetNumberProperty(kTagHeight, 0.4);
      box.SetShortProperty(kTagFillPattern, 1);
      box.SetColourProperty(kTagFillColour, ColorRefToRGB16(kRed));
      box.SetPlacement(TVector3(i == 0 ? -0.5 : 0.5, 0.0, 0.0));
      points_[i] = &Add<TPoint>(static_cast<int16_t>(3 + i));
      points_[i]->AttachToBody(&box);
      points_[i]->SetLocalPosition({0.0, 0.0, 0.0});
    }
    spring_ = &Add<TLSpring>(5);
    spring_->AttachObject(points_[0]);
    spring_->AttachObject(points_[1]);
    manager_ = OpenManager();
    view_ = new TMainWorldView;
    view_->Init(nullptr, manager_, TViewPoint{0, 0}, TViewPoint{400, 300}, world_.get());
    Redraw();
  }
  void TearDown() override {
    ResetWindowSystem();
    world_.reset();
    OffScreenTest::TearDown();
  }
  template <class T>
  T& Add(int16_t identifier) {
    auto object = std::make_unique<T>();
    object->Initialize();
    object->SetIdentifier(identifier);
    T& added = *object;
    world_->AdoptObject(std::move(object));
    return added;
  }
  void Redraw() {
    view_->InvalidateAllDeep();
    manager_->DrawNow();
  }
  // The display picture's pixels in the rows of the spring between the boxes.
  std::vector<COLORREF> BetweenTheBoxes() {
    HDC dc = nullptr;
    manager_->GetBufferInfo(1, &dc, nullptr, nullptr, nullptr);
    std::vector<COLORREF> pixels;
    for (int32_t y = 135; y < 165; ++y)
      for (int32_t x = 175; x < 225; ++x) pixels.push_back(GetPixel(dc, x, y) & 0xFFFFFF);
    return pixels;
  }
  COLORREF InDisplay(int32_t x, int32_t y) {
    HDC dc = nullptr;
    manager_->GetBufferInfo(1, &dc, nullptr, nullptr, nullptr);
    return GetPixel(dc, x, y) & 0xFFFFFF;
  }

  std::unique_ptr<TWorldDoc> world_;
  TDezevOffScreenMgr* manager_ = nullptr;
  TMainWorldView* view_ = nullptr;
  TPoint* points_[2] = {};
  TLSpring* spring_ = nullptr;
};

TEST_F(ConstraintViewTest, TheSpringIsDrawnFoundByItsCoilAndMarkedWhileSelected) {
  ASSERT_EQ(points_[0]->GetScreenPoint(), MacPoint(150, 150));
  ASSERT_EQ(points_[1]->GetScreenPoint(), MacPoint(250, 150));
  // The coil: ink above the line between the boxes.
  int32_t coil = 0;
  for (int32_t x = 175; x < 225; ++x)
    for (int32_t y = 144; y <= 147; ++y) coil += InDisplay(x, y) == kBlack;
  EXPECT_GT(coil, 5);

  // A press on the coil finds the spring, one below it nothing; one on a point finds the point
  // (the spring's ends are its points'); one in a box away from the spring, the box.
  EXPECT_EQ(view_->FindObjectAt(MacPoint(200, 143)), spring_);
  EXPECT_EQ(view_->FindObjectAt(MacPoint(200, 170)), nullptr);
  EXPECT_EQ(view_->FindObjectAt(MacPoint(251, 150)), points_[1]);
  TLink* box = view_->FindObjectAt(MacPoint(245, 165));
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(box->GetIdentifier(), 2);

  const std::vector<COLORREF> plain = BetweenTheBoxes();
  world_->Select(spring_);
  Redraw();
  const std::vector<COLORREF> marked = BetweenTheBoxes();
  int32_t changed = 0;
  for (size_t i = 0; i < plain.size(); ++i) changed += plain[i] != marked[i];
  EXPECT_GT(changed, 50);
  world_->DeselectAll();
  Redraw();
  EXPECT_EQ(BetweenTheBoxes(), plain);

  // A selected point: the 3 x 3 square about it is inverted, nothing beside it.
  const COLORREF beside = InDisplay(150, 155);
  const COLORREF inside = InDisplay(151, 151);
  world_->Select(points_[0]);
  Redraw();
  EXPECT_NE(InDisplay(151, 151), inside);
  EXPECT_EQ(InDisplay(150, 155), beside);
}

TEST_F(ConstraintViewTest, ASlotIsFoundByAPressOnItsLine) {
  // A level slot through the first box's point, across the box from 130 to 170.
  TSlot& slot = Add<TSlot>(6);
  slot.AttachObject(points_[0]);
  view_->UpdateObjectTransforms();
  EXPECT_EQ(view_->FindObjectAt(MacPoint(138, 151)), &slot);
  TLink* box = view_->FindObjectAt(MacPoint(138, 160));
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(box->GetIdentifier(), 1);
}

}  // namespace
}  // namespace view_test
