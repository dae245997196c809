// The count shown while a long recomputation reaches a formula's target: the share of the way
// from the start to the target that is behind, on a virtual clock.

#include <string>

#include <gtest/gtest.h>

#include "core/Resources.h"
#include "model/command/CountDialog.h"
#include "model/command/FormulaProgress.h"
#include "platform/win32/Clock.h"
#include "platform/win32/Dialog.h"
#include "platform/win32/Window.h"
#include "resources/ResourceLibraries.h"

namespace {

class FormulaProgressDetailsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetWindowSystem();
    UseVirtualClock(1000);
    RegisterResourceLibraries();
    SetResourceModule1(LoadResourceLibrary(kMainResourceLibrary));
  }
  void TearDown() override {
    CloseCountDialog();
    ResetWindowSystem();
    UseProcessClock();
    FreeResourceLibrary(GetResourceModule1());
    SetResourceModule1(nullptr);
  }
  // The count a fresh dialog shows after one check past the first two seconds.
  static std::string FirstCount(double start, double reached, double total) {
    CloseCountDialog();
    TFormulaProgressState state;
    state.Start(1500);
    AdvanceVirtualClock(2100);
    EXPECT_FALSE(FormulaProgressCheck(&state, start, reached, total));
    const TCountDialog* dialog = TCountDialog::Current();
    if (dialog == nullptr) return "(none)";
    return GetDlgItemTextString(dialog->Window(), TCountDialog::kCountItem);
  }
};

TEST_F(FormulaProgressDetailsTest, TheCountIsTheShareOfTheWayFromStartToTargetBehind) {
  EXPECT_EQ(FirstCount(200.0, 150.0, 100.0), "50");
  EXPECT_EQ(FirstCount(200.0, 175.0, 100.0), "25");
  EXPECT_EQ(FirstCount(-12.0, -4.0, 20.0), "25");
  EXPECT_EQ(FirstCount(5.0, 3.0, 1.0), "50");
  EXPECT_EQ(FirstCount(10.0, 1.0, 0.0), "90");
  // Moving away from the target shows nothing done; overshooting it shows more than done.
  EXPECT_EQ(FirstCount(200.0, 250.0, 100.0), "0");
  EXPECT_EQ(FirstCount(200.0, 50.0, 100.0), "150");
  // A target at the start gives no share: the dialog keeps its first count.
  EXPECT_EQ(FirstCount(7.0, 3.0, 7.0), "0");
}

}  // namespace
