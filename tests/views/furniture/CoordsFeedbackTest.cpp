// The coordinates bar under a drag: tracking feedback takes it out of showing the pointer's
// position only, back to the selection's own values.

#include <memory>
#include <string>
#include <vector>

#include "bodies/BodyClasses.h"
#include "bodies/Shapes.h"
#include "core/ClassRegistry.h"
#include "core/Handle.h"
#include "core/Resources.h"
#include "resources/ResourceLibraries.h"
#include "simulation/Engine.h"
#include "simulation/UnitHandler.h"
#include "tests/views/offscreen/OffScreenSupport.h"
#include "views/furniture/CoordsView.h"

namespace view_test {
namespace {

class CoordsFeedbackTest : public OffScreenTest {
 protected:
  void SetUp() override {
    OffScreenTest::SetUp();
    InitHandlePool();
    RegisterResourceLibraries();
    SetResourceModule1(LoadResourceLibrary(kMainResourceLibrary));
    RegisterThingClasses();
    LoadEngineLibrary();
    RegisterUnitHandler();
    RegisterBodyClasses();
    FreezeClassRegistry();
    manager_ = OpenManager();
    units_ = std::make_unique<TWorldUnitHandler>();
    auto* box = static_cast<TRectangle*>(CreateObjectByTag(TRectangle::kTag));
    box_.reset(box);
    box->Initialize();
    box->SetPlacement(TVector3(3.0, 4.0, 0.0));
    bar_ = new TCoordsView;
    bar_->Init(nullptr, manager_, 500, nullptr, nullptr, units_.get(), nullptr);
    // Ten pixels to the unit from the bar's corner.
    bar_->SetPointToWorld([](const MacPoint& p) { return TVector(p.h / 10.0, p.v / 10.0); });
  }
  void TearDown() override {
    ResetWindowSystem();
    box_.reset();
    units_.reset();
    FreeBodyClasses();
    FreeClassRegistry();
    FreeUnitHandler();
    FreeEngineLibrary();
    SetResourceModule1(nullptr);
    FreeHandlePool();
    OffScreenTest::TearDown();
  }
  // The first two cells' texts after the bar is drawn.
  std::vector<std::string> Shown() {
    manager_->UpdateNow();
    Pump();
    return {bar_->CellText(0), bar_->CellText(1)};
  }

  TDezevOffScreenMgr* manager_ = nullptr;
  std::unique_ptr<TWorldUnitHandler> units_;
  std::unique_ptr<TLink> box_;
  TCoordsView* bar_ = nullptr;
};

TEST_F(CoordsFeedbackTest, FeedbackBringsBackTheSelectionsValuesAfterPositionOnly) {
  const std::vector<TLink*> selection{box_.get()};
  bar_->SetSelection(&selection);
  const std::vector<std::string> values = Shown();
  ASSERT_FALSE(values[0].empty()) << "the box's first field is not shown";
  EXPECT_DOUBLE_EQ(std::stod(values[0]), 3.0);

  // Position only: the pointer's place, whatever is selected.
  bar_->SetMode(TCoordsView::kModePosition, true);
  bar_->ShowWorldPosition(TVector(1.25, 2.5));
  const std::vector<std::string> pointer = Shown();
  ASSERT_FALSE(pointer[0].empty());
  EXPECT_DOUBLE_EQ(std::stod(pointer[0]), 1.25);
  EXPECT_DOUBLE_EQ(std::stod(pointer[1]), 2.5);

  // A tracker's feedback: the selection's values again.
  const int32_t feedback[6] = {0, (50 << 16) | 20, 0, 0, 0, 1};
  bar_->TrackFeedback(feedback);
  EXPECT_EQ(Shown(), values);
}

}  // namespace
}  // namespace view_test
