// The main world view over a double-buffered manager with a world of its own: the snapper it
// needs, the grid walk and snapping to it, zooming about a point, the cursor by tool and the
// grid flag.

#include <cmath>
#include <limits>
#include <algorithm>
#include <memory>
#include <tuple>
#include <vector>

#include "core/Handle.h"
#include "model/world/WorldDoc.h"
#include "tests/views/offscreen/OffScreenSupport.h"
#include "views/world/MainWorldView.h"

namespace view_test {
namespace {

class MainWorldViewTest : public OffScreenTest {
 protected:
  void SetUp() override {
    OffScreenTest::SetUp();
    world_ = std::make_unique<TWorldDoc>();
    auto snapper = std::make_unique<THotPointSnapper>();
    snapper->Initialize();
    world_->AdoptObject(std::move(snapper));
    world_->Scale().SetConstant(40.0);
    manager_ = OpenManager();
  }
  void TearDown() override {
    ResetWindowSystem();
    world_.reset();
    OffScreenTest::TearDown();
  }
  TMainWorldView* MakeView() {
    auto* view = new TMainWorldView;
    view->Init(nullptr, manager_, TViewPoint{0, 0}, TViewPoint{400, 300}, world_.get());
    return view;
  }
  std::vector<std::pair<int16_t, double>> Lines(TMainWorldView& view, int16_t axis) {
    std::vector<std::pair<int16_t, double>> lines;
    view.WalkGridLines(axis, false, [&](int16_t pixel, double at, bool) {
      lines.emplace_back(pixel, at);
    });
    return lines;
  }

  void ClearScreen() { manager_->ClearScreenInvalid(); }

  std::unique_ptr<TWorldDoc> world_;
  TDezevOffScreenMgr* manager_ = nullptr;
};

TEST_F(MainWorldViewTest, AWorldWithoutSnapperHasNoView) {
  TWorldDoc bare;
  auto* view = new TMainWorldView;
  try {
    view->Init(nullptr, manager_, TViewPoint{0, 0}, TViewPoint{100, 100}, &bare);
    ADD_FAILURE() << "opened";
  } catch (const QVException& failure) {
    EXPECT_EQ(failure.error(), kErrOutOfMemory);
  }
}

TEST_F(MainWorldViewTest, GridLinesFallOnWholeUnitsAroundTheCentredOrigin) {
  TMainWorldView* view = MakeView();
  EXPECT_EQ(view->WorldToView(TVector(0, 0)), MacPoint(200, 150));
  const auto vertical = Lines(*view, 1);
  ASSERT_GE(vertical.size(), 10u);
  for (const auto& [pixel, x] : vertical)
    EXPECT_EQ(pixel, 200 + 40 * x) << x;
  EXPECT_LE(vertical.front().first, 0);
  EXPECT_GE(vertical.back().first, 400);
  const auto horizontal = Lines(*view, 0);
  for (const auto& [pixel, y] : horizontal)
    EXPECT_EQ(pixel, 150 - 40 * y) << y;

  // A scale that gives no positive finite spacing walks no grid.
  for (double scale : {0.0, std::numeric_limits<double>::infinity(), std::nan("")}) {
    world_->Scale().SetConstant(scale);
    view->ScaleChanged();
    EXPECT_TRUE(Lines(*view, 1).empty()) << scale;
    EXPECT_TRUE(Lines(*view, 0).empty()) << scale;
  }
}

TEST_F(MainWorldViewTest, DependentsWalkTheMastersGridLines) {
  TMainWorldView* view = MakeView();
  auto* ruler = new TOffScreenViewBase;
  ruler->InitOffScreenView(nullptr, manager_, TViewPoint{0, 0}, TViewPoint{400, 16}, 5, 5, view,
                           nullptr);
  using Line = std::tuple<int16_t, double, int16_t>;
  std::vector<Line> lines;
  const auto collect = [](int16_t pixel, double at, int16_t major, void* data) {
    static_cast<std::vector<Line>*>(data)->emplace_back(pixel, at, major);
  };
  ruler->MasterRequest(1, reinterpret_cast<intptr_t>(+collect), reinterpret_cast<intptr_t>(&lines));
  ASSERT_EQ(lines.size(), Lines(*view, 1).size());
  EXPECT_EQ(std::get<0>(lines[3]), Lines(*view, 1)[3].first);
  const size_t majors = lines.size();
  lines.clear();
  ruler->MasterRequestDirect(1, reinterpret_cast<intptr_t>(+collect),
                             reinterpret_cast<intptr_t>(&lines));
  EXPECT_EQ(lines.size(), majors * 10);  // 40 pixels a unit: ten divisions of each step
  EXPECT_EQ(std::count_if(lines.begin(), lines.end(), [](const Line& l) { return std::get<2>(l) == 1; }),
            static_cast<std::ptrdiff_t>(majors));
}

TEST_F(MainWorldViewTest, APointSnapsToTheGridOnlyWhenBothCoordinatesAreNear) {
  TMainWorldView* view = MakeView();
  TVector world;
  MacPoint snapped;
  int32_t kind = 0;
  ASSERT_TRUE(view->SnapToGridLines(3, MacPoint(242, 108), world, snapped, kind));
  EXPECT_EQ(snapped, MacPoint(240, 110));
  EXPECT_EQ(kind, kHotPointGrid);
  EXPECT_NEAR(world.x, 1.0, 1e-12);
  EXPECT_NEAR(world.y, 1.0, 1e-12);
  kind = 0;
  EXPECT_FALSE(view->SnapToGridLines(3, MacPoint(242, 120), world, snapped, kind));
  EXPECT_EQ(kind, 0);
}

TEST_F(MainWorldViewTest, ZoomingKeepsTheWorldPointUnderTheViewPoint) {
  TMainWorldView* view = MakeView();
  const TVector under = view->ViewToWorld(MacPoint(300, 50));
  view->ZoomAboutPoint(TVector(300, -50), 2.0);
  EXPECT_DOUBLE_EQ(view->GetScale(), 80.0);
  EXPECT_EQ(view->WorldToView(under), MacPoint(300, 50));
  view->ScrollBy(MacPoint(100, -50));
  EXPECT_EQ(view->WorldToView(under), MacPoint(200, 100));
}

TEST_F(MainWorldViewTest, TheCursorFollowsTheTool) {
  TMainWorldView* view = MakeView();
  const struct {
    int16_t tool;
    uint32_t cursor;
  } cases[] = {{TMainWorldView::kZoomInTool, TMainWorldView::kZoomInCursor},
               {TMainWorldView::kZoomOutTool, TMainWorldView::kZoomOutCursor},
               {TMainWorldView::kPartTool, TMainWorldView::kPartCursor},
               {TMainWorldView::kSelectTool, 0}};
  for (const auto& c : cases) {
    world_->SetCurrentTool(c.tool);
    EXPECT_TRUE(view->DoSetCursor(MacPoint(10, 10), nullptr));
    EXPECT_EQ(view->CurrentCursorResource(), c.cursor) << c.tool;
  }
  view->SetRunState(TMainWorldView::kRunning);
  world_->SetCurrentTool(TMainWorldView::kSelectTool);
  view->DoSetCursor(MacPoint(10, 10), nullptr);
  EXPECT_EQ(view->CurrentCursorResource(), TMainWorldView::kRunningCursor);
}

TEST_F(MainWorldViewTest, TheGridFlagRedrawsTheBackgroundOnlyWhenItChanges) {
  TMainWorldView* view = MakeView();
  view->InvalidateAllDeep();
  Pump();
  ASSERT_TRUE(RegionIsEmpty(manager_->GetDeepRegion()));
  view->ClearPendingFlags();
  view->SetShowGrid(0);
  EXPECT_TRUE(RegionIsEmpty(manager_->GetDeepRegion()));
  view->SetShowGrid(1);
  EXPECT_FALSE(RegionIsEmpty(manager_->GetDeepRegion()));
  EXPECT_EQ(GetViewFlag(*view), 1);
  Pump();
  // A vertical grid line through the origin's column, in the grid's green-blue.
  EXPECT_EQ(At(200, 20), RGB(0x02, 0xEA, 0xAB));
  EXPECT_EQ(At(220, 20), RGB(255, 255, 255));
}

TEST_F(MainWorldViewTest, DamageGoesToThePictureTheRunStateDraws) {
  TMainWorldView* view = MakeView();
  Pump();
  const MacRect rect(10, 10, 30, 30);
  const auto deep = [&] { return !RegionIsEmpty(manager_->GetDeepRegion()); };
  const auto shallow = [&] { return !RegionIsEmpty(manager_->GetShallowRegion()); };
  const auto reset = [&] {
    manager_->RemoveAll(MacRect(0, 0, 500, 500));
    ClearScreen();
  };
  view->InvalidateWorldRect(rect);  // editing: the background
  EXPECT_TRUE(deep());
  reset();
  // A run that starts takes the shapes at their editing places out of the background.
  view->SetRunState(TMainWorldView::kRunning);
  EXPECT_TRUE(deep());
  reset();
  view->InvalidateWorldRect(rect);  // running: the objects only
  EXPECT_FALSE(deep());
  EXPECT_TRUE(shallow());
  reset();
  view->SetRunState(TMainWorldView::kReplaying);
  view->InvalidateWorldRect(rect);  // replaying: nothing to redraw underneath
  EXPECT_FALSE(shallow());
  view->InvalidateRectOnScreen(rect);  // but straight onto the window from the display picture
  EXPECT_FALSE(shallow());
  EXPECT_TRUE(RegionContainsPoint((20 << 16) | 20, manager_->GetScreenInvalidRegion()));
  // Replaying, each frame marks the display picture again.
  view->InvalidateForeground();
  EXPECT_TRUE(shallow());
  reset();
  view->InvalidateForeground();
  EXPECT_TRUE(shallow());
}

TEST_F(MainWorldViewTest, AutoscrollStepsGrowWithTheDistanceAndComeAtMostEvery3Ticks) {
  TMainWorldView* view = MakeView();
  const auto origin = [&] { return view->WorldToView(TVector(0, 0)); };
  EXPECT_EQ(view->AutoScroll(MacPoint(600, 100)), 0);  // not enabled
  view->SetAutoscrollEnabled(true);
  AdvanceVirtualClock(100);
  MacPoint before = origin();
  ASSERT_EQ(view->AutoScroll(MacPoint(600, 100)), 1);  // 200 pixels past the right edge
  EXPECT_EQ(origin().h, before.h - 24);
  EXPECT_TRUE(view->IsAutoscrolling());
  EXPECT_EQ(view->AutoScroll(MacPoint(600, 100)), 0);  // too soon
  AdvanceVirtualClock(50);
  before = origin();
  ASSERT_EQ(view->AutoScroll(MacPoint(401, 100)), 1);  // one pixel past: one pixel
  EXPECT_EQ(origin().h, before.h - 1);
  AdvanceVirtualClock(50);
  before = origin();
  ASSERT_EQ(view->AutoScroll(MacPoint(-200, 100)), 1);  // the near side is not capped
  EXPECT_EQ(origin().h, before.h + 75);
  EXPECT_EQ(view->AutoScroll(MacPoint(100, 100)), 0);  // back inside
  EXPECT_FALSE(view->IsAutoscrolling());
}

TEST_F(MainWorldViewTest, TheWorldExtentKeepsTheViewCentreInside) {
  TMainWorldView* view = MakeView();
  view->ScrollBy(MacPoint(1000, 0));
  // The extent follows at idle time.
  AdvanceVirtualClock(3000);
  view->DoIdle(0);
  const TDoubleRect& extent = view->GetWorldExtent();
  const TVector centre = view->ViewToWorld(MacPoint(200, 150));
  EXPECT_LE(extent.left, centre.x);
  EXPECT_GE(extent.right, centre.x);
  EXPECT_GE(extent.top, centre.y);
  EXPECT_LE(extent.bottom, centre.y);
}

}  // namespace
}  // namespace view_test
