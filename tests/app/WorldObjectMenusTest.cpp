// The items of the world's own objects on the menu bar: Axes and Centre of Mass checked while
// they show, Collide and Don't Collide marked by the selected bodies' pairs (grey in a world
// without a collision group), and every one of them grey and refused while the world plays; Back
// to Frame 0 and Forget the Run offered while there is a run.
// Commands go to the main frame as the menu bar sends them; the set-up is read back from the bar.

#include <memory>

#include "app/shell/MenuBar.h"
#include "bodies/Background.h"
#include "bodies/Shapes.h"
#include "bodies/points/Point.h"
#include "constraints/CollisionGroup.h"
#include "constraints/ObjectConverter.h"
#include "core/MenuCommands.h"
#include "platform/win32/Menu.h"
#include "tests/app/SketchFixture.h"
#include "views/world/WorldMenus.h"

namespace {

using sample_worlds::kBackgroundId;
using sample_worlds::kBoxId;
using sample_worlds::kWheelId;

constexpr UINT kNoSuchItem = 0xFFFFFFFF;
constexpr int16_t kCollisionGroupId = 40;
constexpr int16_t kCentreOfMassId = 41;

class WorldObjectMenusTest : public SketchFixture {
 protected:
  void TearDown() override {
    world_->SetPlayerMode(0);
    app_->Commands().DropAllCommands();
    SketchFixture::TearDown();
  }
  template <class T>
  T& Adopt(int16_t identifier) {
    auto object = std::make_unique<T>();
    object->Initialize();
    object->SetIdentifier(identifier);
    T& adopted = *object;
    world_->AdoptObject(std::move(object));
    return adopted;
  }
  UINT State(int16_t command) {
    app_->Commands().SetupTheMenus();
    return GetMenuState(GetMenu(main_->m_hWnd), static_cast<UINT>(command), MF_BYCOMMAND);
  }
  bool Enabled(int16_t command) {
    const UINT state = State(command);
    return state != kNoSuchItem && (state & MF_GRAYED) == 0;
  }
  bool Checked(int16_t command) { return (State(command) & MF_CHECKED) != 0; }
  void SelectBoxAndWheel() {
    world_->DeselectAll();
    world_->Select(world_->FindObject(kBoxId));
    world_->Select(world_->FindObject(kWheelId));
  }
  TZeroMass& Background() { return *dynamic_cast<TZeroMass*>(world_->FindObject(kBackgroundId)); }
};

TEST_F(WorldObjectMenusTest, AxesAndCentreOfMassAreCheckedWhileTheyShow) {
  TCOMPoint& centre = Adopt<TCOMPoint>(kCentreOfMassId);
  EXPECT_TRUE(Enabled(kCmdShowAxes));
  EXPECT_FALSE(Checked(kCmdShowAxes));
  EXPECT_TRUE(Enabled(kCmdToggleCOM));
  EXPECT_FALSE(Checked(kCmdToggleCOM));
  Command(kCmdShowAxes);
  Command(kCmdToggleCOM);
  EXPECT_EQ(Background().GetShowAxes(), 1);
  EXPECT_EQ(centre.IsShown(), 1);
  EXPECT_TRUE(Checked(kCmdShowAxes));
  EXPECT_TRUE(Checked(kCmdToggleCOM));
  Command(kCmdShowAxes);
  EXPECT_FALSE(Checked(kCmdShowAxes));
}

TEST_F(WorldObjectMenusTest, CollideItemsFollowTheSelectedPairsAndNeedACollisionGroup) {
  SelectBoxAndWheel();
  // The sample was written before worlds had a collision group: nothing offers the items.
  EXPECT_FALSE(Enabled(kCmdCollide));
  EXPECT_FALSE(Enabled(kCmdDontCollide));

  TCollisionGroup& group = Adopt<TCollisionGroup>(kCollisionGroupId);
  EXPECT_TRUE(Enabled(kCmdCollide));
  EXPECT_TRUE(Checked(kCmdCollide));
  EXPECT_FALSE(Checked(kCmdDontCollide));
  Command(kCmdDontCollide);
  EXPECT_EQ(group.Applies(world_->FindObject(kBoxId), world_->FindObject(kWheelId)), 0);
  EXPECT_FALSE(Checked(kCmdCollide));
  EXPECT_TRUE(Checked(kCmdDontCollide));

  // A third body, colliding with both: some pairs in, one out.
  world_->Select(&Adopt<TOval>(42));
  EXPECT_TRUE(Enabled(kCmdCollide));
  EXPECT_FALSE(Checked(kCmdCollide));
  EXPECT_FALSE(Checked(kCmdDontCollide));

  // One body alone has no pair.
  world_->DeselectAll();
  world_->Select(world_->FindObject(kBoxId));
  EXPECT_FALSE(Enabled(kCmdDontCollide));
}

TEST_F(WorldObjectMenusTest, WhilePlayingTheWorldsOwnItemsAreGreyAndRefused) {
  Adopt<TCollisionGroup>(kCollisionGroupId);
  TCOMPoint& centre = Adopt<TCOMPoint>(kCentreOfMassId);
  SelectBoxAndWheel();
  world_->SetPlayerMode(1);
  app_->Commands().SetupTheMenus();
  // The player's bar holds none of them; what the keys and scripts would ask is refused too.
  for (const int16_t command : {kCmdShowAxes, kCmdToggleCOM, kCmdCollide, kCmdDontCollide,
                                TObjectConverter::kCmdShapesToLines}) {
    EXPECT_FALSE(IsMenuCommandEnabled(command)) << command;
  }
  Command(kCmdShowAxes);
  Command(kCmdToggleCOM);
  EXPECT_EQ(Background().GetShowAxes(), 0);
  EXPECT_EQ(centre.IsShown(), 0);
}

// Back to Frame 0 and Forget the Run is offered while the world holds a run, and forgets it.
TEST_F(WorldObjectMenusTest, FrameZeroIsOfferedWhileThereIsARunToForget) {
  EXPECT_FALSE(Enabled(kCmdFrameZero));
  world_->RunToFrame(3, nullptr);
  world_->ShowFrame(3, 1);
  EXPECT_TRUE(Enabled(kCmdFrameZero));
  Command(kCmdFrameZero);
  EXPECT_LE(world_->LastFrame(), 0);
  EXPECT_FALSE(Enabled(kCmdFrameZero));
}

}  // namespace
