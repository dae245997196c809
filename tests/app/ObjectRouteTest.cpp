// The world's objects on the menus: after the world's own set-up each object sets up its own
// items (each kind of object offers its properties dialog while it is selected), and a number
// the world leaves reaches the object that answers it. Commands go to the main frame as the menu
// bar sends them; the set-up is read back from the bar.

#include <memory>
#include <vector>

#include "bodies/Background.h"
#include "constraints/Springs.h"
#include "core/Failure.h"
#include "core/MenuCommands.h"
#include "platform/win32/Menu.h"
#include "tests/app/SketchFixture.h"
#include "views/world/WorldMenus.h"

namespace {

using sample_worlds::kBackgroundId;
using sample_worlds::kBoxId;
using sample_worlds::kSpringId;
using sample_worlds::kWheelPinId;

constexpr int16_t kBodyDialog = 10410;
constexpr int16_t kSpringDialog = 10411;
constexpr int16_t kRopeDialog = 10412;
constexpr int16_t kDamperDialog = 10413;
constexpr int16_t kShowAxes = 1076;
constexpr UINT kNoSuchItem = 0xFFFFFFFF;

// A world object that answers one number of its own, and counts the set-ups it is given and the
// numbers it is offered.
class TAnsweringObject : public THandlerLink {
 public:
  static constexpr int16_t kNumber = 4321;
  void DoSetupMenus() override { ++setUps; }
  std::unique_ptr<TCommandCore> DoObjectMenuCommand(int16_t command, bool& handled) override {
    ++offered;
    if (command != kNumber) return THandlerLink::DoObjectMenuCommand(command, handled);
    handled = true;
    ++answered;
    return nullptr;
  }
  int setUps = 0;
  int offered = 0;
  int answered = 0;
};

class ObjectRouteTest : public SketchFixture {
 protected:
  void TearDown() override {
    app_->Commands().DropAllCommands();
    SketchFixture::TearDown();
  }
  void SetUpMenus() { app_->Commands().SetupTheMenus(); }
  UINT State(int16_t command) {
    return GetMenuState(GetMenu(main_->m_hWnd), static_cast<UINT>(command), MF_BYCOMMAND);
  }
  bool Enabled(int16_t command) {
    const UINT state = State(command);
    return state != kNoSuchItem && (state & MF_GRAYED) == 0;
  }
  void SelectOnly(int16_t identifier) {
    world_->DeselectAll();
    world_->Select(world_->FindObject(identifier));
  }
};

TEST_F(ObjectRouteTest, ThePropertyItemsAreOnTheBarAndFollowTheSelection) {
  for (int16_t command : {kCmdSelectionProperties, kBodyDialog, kSpringDialog, kRopeDialog,
                          kDamperDialog, int16_t{1005}, int16_t{1014}, int16_t{1077}})
    EXPECT_NE(State(command), kNoSuchItem) << command << " has no item on the bar";

  world_->DeselectAll();
  SetUpMenus();
  for (int16_t command :
       {kCmdSelectionProperties, kBodyDialog, kSpringDialog, kRopeDialog, kDamperDialog})
    EXPECT_FALSE(Enabled(command)) << command << " with nothing selected";
  EXPECT_TRUE(Enabled(1005));

  SelectOnly(kSpringId);
  SetUpMenus();
  EXPECT_TRUE(Enabled(kCmdSelectionProperties));
  EXPECT_TRUE(Enabled(kSpringDialog));
  EXPECT_FALSE(Enabled(kBodyDialog));
  EXPECT_FALSE(Enabled(kDamperDialog));

  SelectOnly(kBoxId);
  SetUpMenus();
  EXPECT_TRUE(Enabled(kBodyDialog));
  EXPECT_FALSE(Enabled(kSpringDialog));

  // A pin has no dialog of its own: only the selection's.
  SelectOnly(kWheelPinId);
  SetUpMenus();
  EXPECT_TRUE(Enabled(kCmdSelectionProperties));
  for (int16_t command : {kBodyDialog, kSpringDialog, kRopeDialog, kDamperDialog})
    EXPECT_FALSE(Enabled(command)) << command << " with the pin selected";
}

TEST_F(ObjectRouteTest, TheBackgroundIsNeverSelectedAndOffersNoDialog) {
  SelectOnly(kBackgroundId);
  EXPECT_TRUE(world_->Selection().empty());
  SetUpMenus();
  EXPECT_FALSE(Enabled(kBodyDialog));
  EXPECT_FALSE(Enabled(kCmdSelectionProperties));
  EXPECT_EQ(world_->FindObject(kBackgroundId)->GetObjectKindCode(), 0);
}

TEST_F(ObjectRouteTest, WhilePlayingNoObjectOffersItsDialog) {
  SelectOnly(kBoxId);
  world_->SetPlayerMode(1);
  SetUpMenus();
  // The world set up while it plays: neither the selection's dialog nor the body's is offered,
  // and the number chosen anyway makes nothing.
  EXPECT_FALSE(Enabled(kBodyDialog));
  EXPECT_FALSE(Enabled(kCmdSelectionProperties));
  EXPECT_EQ(std::unique_ptr<TCommandCore>(view_->DoMenuCommand(kBodyDialog)), nullptr);
  world_->SetPlayerMode(0);
}

TEST_F(ObjectRouteTest, ANumberTheWorldLeavesReachesTheObjectThatAnswersIt) {
  auto* background = dynamic_cast<TZeroMass*>(world_->FindObject(kBackgroundId));
  ASSERT_NE(background, nullptr);
  ASSERT_EQ(background->GetShowAxes(), 0);
  Command(kShowAxes);
  EXPECT_EQ(background->GetShowAxes(), 1);

  // Every object is given its set-up, and the first one that takes a number is the last asked.
  auto first = std::make_unique<TAnsweringObject>();
  auto second = std::make_unique<TAnsweringObject>();
  TAnsweringObject& one = *first;
  TAnsweringObject& other = *second;
  world_->AdoptObject(std::move(first));
  world_->AdoptObject(std::move(second));
  SetUpMenus();
  EXPECT_EQ(one.setUps, 1);
  EXPECT_EQ(other.setUps, 1);
  Command(TAnsweringObject::kNumber);
  EXPECT_EQ(one.answered, 1);
  EXPECT_EQ(other.offered, 0);
  // The world's own numbers never reach them.
  const int offered = one.offered;
  Command(kCmdLock);
  EXPECT_EQ(one.offered, offered);
}

TEST_F(ObjectRouteTest, WithMemoryLowTheObjectsStillSetUpTheirItems) {
  auto object = std::make_unique<TAnsweringObject>();
  TAnsweringObject& answering = *object;
  world_->AdoptObject(std::move(object));
  struct LowMemory {
    LowMemory() { SetMemoryProbe([] { return uint64_t{0}; }); }
    ~LowMemory() { SetMemoryProbe(nullptr); }
  };
  {
    const LowMemory low;
    SetUpMenus();
  }
  EXPECT_EQ(answering.setUps, 1);
}

}  // namespace
