// The main world view keeps no picture of what changed: a body moved by a command or by the
// frame shown, a body that left the world, and a run that starts or ends are drawn again where
// the bodies stood and where they stand, in the pictures the run state draws them into.

#include <memory>
#include <utility>

#include "bodies/Background.h"
#include "bodies/BodyTags.h"
#include "bodies/Shapes.h"
#include "core/Handle.h"
#include "model/world/WorldDoc.h"
#include "platform/win32/Dc.h"
#include "platform/win32/DcDraw.h"
#include "tests/views/offscreen/OffScreenSupport.h"
#include "views/world/MainWorldView.h"

namespace view_test {
namespace {

using namespace body_tags;

constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kRed = RGB(200, 0, 0);
constexpr COLORREF kBlue = RGB(0, 0, 200);

class WorldPictureChangesTest : public OffScreenTest {
 protected:
  void SetUp() override {
    OffScreenTest::SetUp();
    world_ = std::make_unique<TWorldDoc>();
    auto snapper = std::make_unique<THotPointSnapper>();
    snapper->Initialize();
    world_->AdoptObject(std::move(snapper));
    world_->Scale().SetConstant(100.0);
    red_ = &AddBox(1, 0.0, 0.0, kRed);
    blue_ = &AddBox(2, 1.0, 0.0, kBlue);
    manager_ = OpenManager();
    view_ = new TMainWorldView;
    view_->Init(nullptr, manager_, TViewPoint{0, 0}, TViewPoint{400, 300}, world_.get());
    view_->InvalidateAllDeep();
    manager_->DrawNow();
  }
  void TearDown() override {
    ResetWindowSystem();
    world_.reset();
    OffScreenTest::TearDown();
  }
  // A box 0.4 m wide filled in the colour, its centre at (x, y).
  TRectangle& AddBox(int16_t identifier, double x, double y, COLORREF colour) {
    auto object = std::make_unique<TRectangle>();
    object->Initialize();
    object->SetIdentifier(identifier);
    TRectangle& box = *object;
    world_->AdoptObject(std::move(object));
    box.SetNumberProperty(kTagWidth, 0.4);
    box.SetNumberProperty(kTagHeight, 0.4);
    box.SetShortProperty(kTagFillPattern, 1);
    box.SetColourProperty(kTagFillColour, ColorRefToRGB16(colour));
    box.SetPlacement(TVector3(x, y, 0.0));
    return box;
  }
  // A pixel of the background picture (0) or on the window.
  COLORREF InBackground(const MacPoint& point) {
    HDC dc = nullptr;
    manager_->GetBufferInfo(0, &dc, nullptr, nullptr, nullptr);
    return GetPixel(dc, point.h, point.v) & 0xFFFFFF;
  }
  COLORREF OnWindow(const MacPoint& point) {
    RECT inner;
    RECT outer;
    GetWindowRect(manager_->GetWindowHandle(), &inner);
    GetWindowRect(host_->m_hWnd, &outer);
    return At(inner.left - outer.left + point.h, inner.top - outer.top + point.v);
  }
  bool Stale(const MacPoint& point) {
    return RegionContainsPoint((static_cast<uint32_t>(point.h) << 16) | point.v,
                               manager_->GetDeepRegion());
  }

  std::unique_ptr<TWorldDoc> world_;
  TDezevOffScreenMgr* manager_ = nullptr;
  TMainWorldView* view_ = nullptr;
  TRectangle* red_ = nullptr;
  TRectangle* blue_ = nullptr;
};

// The red box's centre at (0, 0) and where it goes, (0, 1); the blue one at (1, 0).
const MacPoint kRedAt(200, 150);
const MacPoint kRedMoved(200, 50);
const MacPoint kBlueAt(300, 150);
const MacPoint kEmpty(380, 280);

TEST_F(WorldPictureChangesTest, ABodyMovedByACommandIsDrawnAgainWhereItWasAndWhereItIs) {
  ASSERT_EQ(OnWindow(kRedAt), kRed);
  red_->SetPlacement(TVector3(0.0, 1.0, 0.0));
  world_->Changed(0);  // a command done, undone or redone
  EXPECT_TRUE(Stale(kRedAt));
  EXPECT_TRUE(Stale(kRedMoved));
  EXPECT_FALSE(Stale(kEmpty)) << "places where no body stood are drawn again";
  manager_->DrawNow();
  EXPECT_EQ(InBackground(kRedAt), kWhite);
  EXPECT_EQ(OnWindow(kRedAt), kWhite);
  EXPECT_EQ(OnWindow(kRedMoved), kRed);
  EXPECT_EQ(OnWindow(kBlueAt), kBlue);

  // Undone: back again, nothing left at the place it goes back from.
  red_->SetPlacement(TVector3(0.0, 0.0, 0.0));
  world_->Changed(0);
  manager_->DrawNow();
  EXPECT_EQ(OnWindow(kRedMoved), kWhite);
  EXPECT_EQ(OnWindow(kRedAt), kRed);
}

TEST_F(WorldPictureChangesTest, ABodyThatLeavesTheWorldLeavesThePictures) {
  world_->RemoveObject(blue_);
  EXPECT_TRUE(Stale(kBlueAt));
  manager_->DrawNow();
  EXPECT_EQ(InBackground(kBlueAt), kWhite);
  EXPECT_EQ(OnWindow(kBlueAt), kWhite);
  EXPECT_EQ(OnWindow(kRedAt), kRed);
}

TEST_F(WorldPictureChangesTest, ARunShowsTheBodiesOnlyWhereTheyStandAndLeavesThemThereInTheEnd) {
  view_->SetRunState(TMainWorldView::kRunning);
  red_->SetPlacement(TVector3(0.0, 1.0, 0.0));
  view_->UpdateObjectTransforms();
  view_->InvalidateForeground();  // a frame shown while running
  manager_->DrawNow();
  EXPECT_EQ(OnWindow(kRedAt), kWhite) << "the body stays where the run began";
  EXPECT_EQ(OnWindow(kRedMoved), kRed);

  view_->SetRunState(TMainWorldView::kEditing);
  manager_->DrawNow();
  EXPECT_EQ(InBackground(kRedMoved), kRed);
  EXPECT_EQ(OnWindow(kRedAt), kWhite);
  EXPECT_EQ(OnWindow(kRedMoved), kRed);
}

TEST_F(WorldPictureChangesTest, AZoomDrawsTheBodiesAgainAtTheNewScale) {
  view_->ZoomAboutPoint(TVector(200, -150), 0.5);  // about the red box's centre
  manager_->DrawNow();
  // The blue box's centre comes halfway to the red one's; its old place is empty.
  EXPECT_EQ(OnWindow(MacPoint(250, 150)), kBlue);
  EXPECT_EQ(OnWindow(kBlueAt), kWhite);
  EXPECT_EQ(OnWindow(kRedAt), kRed);
}

}  // namespace
}  // namespace view_test
