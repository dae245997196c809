// The main world view's dependents (rulers, indicators) follow its run state: what the view is
// told, and what it works out from the world on a new frame, reaches them too.

#include <memory>
#include <vector>

#include "model/world/WorldDoc.h"
#include "tests/views/offscreen/OffScreenSupport.h"
#include "views/world/MainWorldView.h"

namespace view_test {
namespace {

// A dependent that notes the run states it is given.
class TNotingView : public TOffScreenViewBase {
 public:
  void SetRunState(int32_t state) override {
    set.push_back(state);
    TOffScreenViewBase::SetRunState(state);
  }
  void RunStateChanged(int32_t state) override {
    changed.push_back(state);
    TOffScreenViewBase::RunStateChanged(state);
  }
  std::vector<int32_t> set;
  std::vector<int32_t> changed;
};

class RunStateDependentsTest : public OffScreenTest {
 protected:
  void SetUp() override {
    OffScreenTest::SetUp();
    world_ = std::make_unique<TWorldDoc>();
    auto snapper = std::make_unique<THotPointSnapper>();
    snapper->Initialize();
    world_->AdoptObject(std::move(snapper));
    manager_ = OpenManager();
    view_ = new TMainWorldView;
    view_->Init(nullptr, manager_, TViewPoint{0, 0}, TViewPoint{400, 300}, world_.get());
    dependent_ = new TNotingView;
    dependent_->InitOffScreenView(nullptr, manager_, TViewPoint{0, 0}, TViewPoint{400, 16}, 5, 5,
                                  view_, nullptr);
  }
  void TearDown() override {
    ResetWindowSystem();
    world_.reset();
    OffScreenTest::TearDown();
  }

  std::unique_ptr<TWorldDoc> world_;
  TDezevOffScreenMgr* manager_ = nullptr;
  TMainWorldView* view_ = nullptr;
  TNotingView* dependent_ = nullptr;
};

TEST_F(RunStateDependentsTest, RunStopAndEditReachTheDependents) {
  ASSERT_EQ(dependent_->GetMaster(), view_);
  view_->SetRunState(TMainWorldView::kRunning);
  view_->SetRunState(TMainWorldView::kReplaying);
  view_->SetRunState(TMainWorldView::kEditing);
  EXPECT_EQ(dependent_->set, (std::vector<int32_t>{TMainWorldView::kRunning,
                                                   TMainWorldView::kReplaying,
                                                   TMainWorldView::kEditing}));
  view_->RunStateChanged(TMainWorldView::kRunning);
  view_->RunStateChanged(TMainWorldView::kEditing);
  EXPECT_EQ(dependent_->changed,
            (std::vector<int32_t>{TMainWorldView::kRunning, TMainWorldView::kEditing}));
}

TEST_F(RunStateDependentsTest, AFrameOfAReplayTellsTheDependentsTheStateItImplies) {
  world_->SetRunState(kRunForward);  // no running command: a replay
  view_->FrameChanged(0, 0, 0);
  ASSERT_FALSE(dependent_->set.empty());
  EXPECT_EQ(dependent_->set.back(), TMainWorldView::kReplaying);
  world_->SetRunState(kRunIdle);
  view_->FrameChanged(0, 0, 0);
  EXPECT_EQ(dependent_->set.back(), TMainWorldView::kEditing);
}

}  // namespace
}  // namespace view_test
