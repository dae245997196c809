// The off-screen manager: damage regions, the three passes, paced rebuilding of the pictures and
// the memory alert, with a manager that keeps only regions and one that fails to make them.

#include <climits>

#include "tests/views/offscreen/OffScreenSupport.h"

namespace view_test {
namespace {

// A manager whose pictures can be refused, counting each attempt.
class TCountingMgr : public TDumbOffScreenMgr {
 public:
  void AllocShallowBuffer() override {
    ++shallowAttempts;
    if (refuse) ThrowFailure(kErrOutOfMemory, 0);
    TDumbOffScreenMgr::AllocShallowBuffer();
  }
  bool IsMainDisplay() const override { return mainDisplay; }
  RegionRec* Deep() { return DeepRegionField(); }
  RegionRec* Shallow() { return ShallowRegionField(); }
  int32_t shallowAttempts = 0;
  bool refuse = false;
  bool mainDisplay = false;
};

class OffScreenMgrTest : public OffScreenTest {
 protected:
  TCountingMgr* MakeManager() {
    auto* manager = new TCountingMgr;
    manager->Init(nullptr, root_, TViewPoint{0, 0}, TViewPoint{200, 150}, 5, 5);
    manager->Open();
    return manager;
  }
  static void AdvanceTicks(uint32_t ticks) { AdvanceVirtualClock(ticks * 1000 / 60 + 1); }
};

TEST_F(OffScreenMgrTest, DeepDamageStaysInsideShallowAndValidationRemovesIt) {
  TCountingMgr* manager = MakeManager();
  manager->RebuildBuffers(true);
  ASSERT_NE(manager->Deep(), nullptr);
  const MacRect rect(10, 10, 30, 40);
  manager->AddDeep(rect);
  EXPECT_TRUE(RegionContainsPoint((15 << 16) | 15, manager->Deep()));
  EXPECT_TRUE(RegionContainsPoint((15 << 16) | 15, manager->Shallow()));
  manager->RemoveDeep(rect);
  EXPECT_TRUE(RegionIsEmpty(manager->Deep()));
  EXPECT_FALSE(RegionIsEmpty(manager->Shallow()));
  manager->AddDeep(rect);
  manager->RemoveAll(rect);
  EXPECT_TRUE(RegionIsEmpty(manager->Deep()));
  EXPECT_TRUE(RegionIsEmpty(manager->Shallow()));

  // Without regions, the shallow region is the whole client area.
  manager->ReleaseBuffers();
  const MacRect box = manager->GetShallowRegion()->box;
  EXPECT_EQ(box.right, 400);
  EXPECT_EQ(box.bottom, 300);
}

TEST_F(OffScreenMgrTest, AViewPassesDamageClippedAndMovedAndOnlyOncePerWholeView) {
  TCountingMgr* manager = MakeManager();
  manager->RebuildBuffers(true);
  TPaintedView* view = AddView(manager, 50, 20, 100, 80, RGB(0, 0, 255), RGB(255, 0, 0),
                               MacRect(0, 0, 1, 1));
  EXPECT_EQ(view->GetManager(), manager);
  view->InvalidateDeep(MacRect(-10, -10, 5, 5));
  EXPECT_EQ(manager->Deep()->box, MacRect(50, 20, 55, 25));
  view->InvalidateShallow(MacRect(200, 200, 300, 300));  // outside the view
  EXPECT_EQ(manager->Shallow()->box, MacRect(50, 20, 55, 25));

  view->ValidateDeep(MacRect(0, 0, 100, 80));
  view->InvalidateAllDeep();
  EXPECT_EQ(manager->Deep()->box, MacRect(50, 20, 150, 100));
  manager->RemoveAll(MacRect(0, 0, 400, 300));
  view->InvalidateAllDeep();  // still pending: nothing
  EXPECT_TRUE(RegionIsEmpty(manager->Deep()));
  view->ValidateDeep(MacRect(0, 0, 1, 1));
  view->InvalidateAllDeep();
  EXPECT_FALSE(RegionIsEmpty(manager->Deep()));

  // An update clears the pending flags of every view under the manager, nested ones too.
  TPaintedView* nested = AddView(view, 5, 5, 20, 20, 0, 0, MacRect(0, 0, 1, 1), "nested");
  nested->InvalidateAllShallow();
  ASSERT_TRUE(nested->PendingShallow());
  manager->DrawNow();
  EXPECT_FALSE(nested->PendingShallow());
  EXPECT_FALSE(view->PendingDeep());
}

TEST_F(OffScreenMgrTest, AnUpdateWithNothingDamagedRunsOnlyTheOverlay) {
  TCountingMgr* manager = MakeManager();
  manager->RebuildBuffers(true);
  AddView(manager, 0, 0, 100, 100, RGB(0, 0, 255), RGB(255, 0, 0), MacRect(0, 0, 1, 1));
  Log().clear();
  manager->DrawNow();
  EXPECT_EQ(Log(), std::vector<std::string>{"view overlay"});

  manager->AddShallow(MacRect(0, 0, 10, 10));
  Log().clear();
  manager->DrawNow();
  EXPECT_EQ(Log(), (std::vector<std::string>{"view objects", "view overlay"}));
  EXPECT_TRUE(RegionIsEmpty(manager->Shallow()));
  EXPECT_EQ(manager->GetCurrentPass(), TOffScreenMgr::kOverlayPass);
}

TEST_F(OffScreenMgrTest, OnlyViewsUnderTheDamageDrawUnlessFillsAreSolid) {
  TCountingMgr* manager = MakeManager();
  manager->RebuildBuffers(true);
  AddView(manager, 0, 0, 50, 50, 0, 0, MacRect(0, 0, 1, 1), "left");
  AddView(manager, 100, 0, 50, 50, 0, 0, MacRect(0, 0, 1, 1), "right");
  manager->AddDeep(MacRect(0, 0, 20, 20));
  Log().clear();
  manager->DrawNow();
  EXPECT_TRUE(Logged("left background"));
  EXPECT_FALSE(Logged("right background"));

  // While solid fills are used (printing), every view draws.
  SetUseSolidBrushes(true);
  RegionSetRect(manager->Deep(), 0, 0, 20, 20);
  RegionSetRect(manager->Shallow(), 0, 0, 20, 20);
  Log().clear();
  manager->DrawNow();
  SetUseSolidBrushes(false);
  EXPECT_TRUE(Logged("left background"));
  EXPECT_TRUE(Logged("right background"));
}

TEST_F(OffScreenMgrTest, AFailingBackgroundDrawEndsTheUpdateQuietlyAndLeavesNoPaintPending) {
  TCountingMgr* manager = MakeManager();
  manager->RebuildBuffers(true);
  TPaintedView* view = AddView(manager, 0, 0, 100, 100, 0, 0, MacRect(0, 0, 1, 1));
  Pump();
  view->failBackground = true;
  manager->AddDeep(MacRect(0, 0, 50, 50));
  InvalidateRect(manager->GetWindowHandle(), nullptr, FALSE);
  Log().clear();
  EXPECT_NO_THROW(manager->DrawNow());
  EXPECT_EQ(Log(), std::vector<std::string>{"view background"});  // no further pass
  EXPECT_TRUE(RegionIsEmpty(manager->Deep()));
  RECT pending;
  EXPECT_FALSE(GetUpdateRect(manager->GetWindowHandle(), &pending, FALSE));
  EXPECT_EQ(manager->GetCurrentPass(), TOffScreenMgr::kOverlayPass);
}

TEST_F(OffScreenMgrTest, PicturesAreRebuiltAtMostEvery600TicksUnlessForced) {
  TCountingMgr* manager = MakeManager();
  manager->RebuildBuffers(false);
  manager->RebuildBuffers(false);
  EXPECT_EQ(manager->shallowAttempts, 1);
  AdvanceTicks(599);
  manager->RebuildBuffers(false);
  EXPECT_EQ(manager->shallowAttempts, 1);
  manager->RebuildBuffers(true);
  EXPECT_EQ(manager->shallowAttempts, 2);
  AdvanceTicks(600);
  manager->RebuildBuffers(false);
  EXPECT_EQ(manager->shallowAttempts, 3);
  // Showing an open manager lets the next rebuild happen at once.
  manager->Show(false, false);
  manager->Show(true, false);
  manager->RebuildBuffers(false);
  EXPECT_EQ(manager->shallowAttempts, 4);
  EXPECT_TRUE(OffScreenGlobals().rebuildStarted);
}

TEST_F(OffScreenMgrTest, LostPicturesAreAlertedAtMostEvery1800Ticks) {
  TCountingMgr* manager = MakeManager();
  OffScreenGlobals().alertTime = OffScreenTicks();
  manager->RebuildBuffers(true);
  AdvanceTicks(1);
  manager->refuse = true;
  manager->RebuildBuffers(true);
  EXPECT_EQ(manager->Deep(), nullptr);
  EXPECT_EQ(manager->Shallow(), nullptr);
  EXPECT_EQ(Log(), std::vector<std::string>{"alert -108 " + std::to_string(int32_t(0xFFFF05E1))});

  // Pictures made again and lost again within 1800 ticks: no second alert.
  manager->refuse = false;
  manager->RebuildBuffers(true);
  manager->refuse = true;
  manager->RebuildBuffers(true);
  EXPECT_EQ(Log().size(), 1u);

  AdvanceTicks(1801);
  manager->refuse = false;
  manager->RebuildBuffers(true);
  manager->refuse = true;
  manager->mainDisplay = true;
  manager->RebuildBuffers(true);
  ASSERT_EQ(Log().size(), 2u);
  EXPECT_EQ(Log()[1], "alert -108 " + std::to_string(int32_t(0xFFFF05E2)));
}

TEST_F(OffScreenMgrTest, TheIdleHoldAfterAnAlertWrapsInsteadOfOverflowing) {
  static uint32_t held = 0;
  OffScreenGlobals().idleInterval = INT32_MAX;
  OffScreenGlobals().holdIdleUntil = [](uint32_t tick) { held = tick; };
  TCountingMgr* manager = MakeManager();
  manager->RebuildBuffers(true);
  AdvanceTicks(2);
  manager->refuse = true;
  manager->RebuildBuffers(true);
  EXPECT_EQ(held, uint32_t{INT32_MAX} + OffScreenGlobals().alertTime);
  EXPECT_EQ(OffScreenGlobals().alertTime, OffScreenTicks() + 1800);
}

}  // namespace
}  // namespace view_test
