// Palettes: the registered root made from its tag, and activation that hands the command target
// to the palette's handler only when the palette wants it.

#include "views/furniture/PaletteWindow.h"

#include <gtest/gtest.h>

#include <memory>

#include "core/ClassRegistry.h"
#include "core/Tag.h"
#include "tests/views/offscreen/OffScreenSupport.h"
#include "ui/views/ViewServices.h"
#include "views/offscreen/GroupView.h"

namespace {

using namespace view_test;

TEST(PaletteWindowRegistry, ThePaletteRootIsMadeFromItsTag) {
  FreeClassRegistry();
  RegisterPaletteWindow();
  FreezeClassRegistry();
  EXPECT_EQ(ClassIdFromTag(MakeTag("pltt")), 393);
  std::unique_ptr<TObject> made(CreateObjectByTag(MakeTag("pltt")));
  ASSERT_NE(made, nullptr);
  EXPECT_TRUE(made->IsMemberClass(TPaletteWindow::kClassID));
  FreeClassRegistry();
}

class PaletteWindowTest : public OffScreenTest {};

TEST_F(PaletteWindowTest, ActivationHandsTheTargetOnlyWhenWanted) {
  TTargetHandler* const before = CurrentTarget();
  TTargetHandler handler;
  for (int kind = 0; kind < 2; ++kind) {
    std::unique_ptr<TPaletteWindow> palette;
    if (kind == 0)
      palette = std::make_unique<TAppPaletteBase>();
    else
      palette = std::make_unique<TWorldPaletteLayer>();
    palette->SetTargetHandler(&handler);
    palette->Activate(true);
    // The world views' base activates as any window first, which may move the target itself.
    if (kind == 0) {
      EXPECT_EQ(CurrentTarget(), before);
    }
    EXPECT_NE(CurrentTarget(), &handler) << kind;
    palette->SetWantsTarget(true);
    SetCurrentTarget(before);
    palette->Activate(false);
    EXPECT_NE(CurrentTarget(), &handler) << kind;
    palette->Activate(true);
    EXPECT_EQ(CurrentTarget(), &handler) << kind;
    SetCurrentTarget(before);
  }
  EXPECT_EQ(TWorldPaletteLayer().GetPaletteNumber(), 20000);
  EXPECT_TRUE(TGroupView().IsMemberClass(395));
}

}  // namespace
