// The world's joiner with real points, bodies and pins: which commands it offers for a
// selection, joining two free points with the program's joint, separating and joining pins
// again, and undo and redo of each compared with the saved document byte for byte.

#include <fstream>
#include <iterator>
#include <memory>

#include <gtest/gtest.h>

#include "core/Failure.h"
#include "core/MenuCommands.h"
#include "model/world/Joiner.h"
#include "resources/ResourceLibraries.h"
#include "tests/constraints/RunTestSupport.h"

namespace {

using constraint_runs::ConstraintRunTest;

// The program's main resource library stands behind the test's own: the joint comes from it.
class JoinerTest : public ConstraintRunTest {
 protected:
  void SetUp() override {
    ConstraintRunTest::SetUp();
    InstallJoinerHooks();
    RegisterResourceLibraries();
    SetResourceModule2(LoadResourceLibrary(kMainResourceLibrary));
    ClearPendingMenuEnables();
  }
  void TearDown() override {
    ClearPendingMenuEnables();
    SetJoinerHooks({});
    SetResourceModule2(nullptr);
    ConstraintRunTest::TearDown();
  }

  // Two boxes, each with a free point, and a third point on the first box.
  void Build(TWorldDoc& world) {
    world.DropDefaultWorldObjects();
    Add<TEngine>(world, 1);
    Add<TZeroMass>(world, 0);
    TRectangle& a = AddBox(world, 2, 1.0, 0.0, 0.0);
    TRectangle& b = AddBox(world, 3, 1.0, 1.0, 0.0);
    AddPoint(world, 4, a, 0.05, 0.0);
    AddPoint(world, 5, b, -0.05, 0.0);
    AddPoint(world, 6, a, -0.05, 0.0);
  }
  TPoint& PointAt(TWorldDoc& world, int16_t identifier) {
    return *dynamic_cast<TPoint*>(world.FindObject(identifier));
  }
  std::vector<uint8_t> DocumentBytes(TQVDoc& document) {
    const std::filesystem::path saved = path.string() + ".state";
    document.WriteDocument(saved.string());
    std::ifstream in(saved, std::ios::binary);
    std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(in),
                               std::istreambuf_iterator<char>()};
    in.close();
    std::filesystem::remove(saved);
    return bytes;
  }
  static uint16_t PendingState(int16_t command) {
    for (const PendingMenuEnable& pending : PendingMenuEnables()) {
      if (pending.command == static_cast<uint16_t>(command)) return pending.enabled;
    }
    return 0xFFFF;
  }
  static std::unique_ptr<TCommandCore> Command(TWorldDoc& world, int16_t number) {
    uint16_t handled = 0;
    std::unique_ptr<TCommandCore> command(world.GetJoiner()->DoMenuCommand(number, handled));
    EXPECT_EQ(handled, 1);
    return command;
  }
};

TEST_F(JoinerTest, OffersJoiningForTwoFreePointsOfDifferentBodiesOnly) {
  TQVDoc document;
  TWorldDoc& world = document.World();
  Build(world);
  TJoiner* joiner = world.GetJoiner();
  ASSERT_NE(joiner, nullptr);
  EXPECT_EQ(joiner->GetWorld(), &world);
  EXPECT_EQ(joiner->GetIdentifier(), kJoinerIdentifier);

  EXPECT_FALSE(joiner->MenuState().canJoin);
  world.Select(&PointAt(world, 4));
  world.Select(&PointAt(world, 6));  // the same box
  EXPECT_FALSE(joiner->MenuState().canJoin);
  world.DeselectAll();
  world.Select(&PointAt(world, 4));
  world.Select(&PointAt(world, 5));
  JoinerMenuState state = joiner->MenuState();
  EXPECT_TRUE(state.canJoin);
  EXPECT_FALSE(state.canSeparate);
  // Three free points are not a pair.
  world.Select(&PointAt(world, 6));
  EXPECT_FALSE(joiner->MenuState().canJoin);
  // Nor are two points of different kinds.
  world.DeselectAll();
  TCOMPoint& centre = Add<TCOMPoint>(world, 8);
  centre.AttachToBody(dynamic_cast<TMass*>(world.FindObject(3)));
  world.Select(&PointAt(world, 4));
  world.Select(&centre);
  EXPECT_FALSE(joiner->MenuState().canJoin);

  world.DeselectAll();
  world.Select(&PointAt(world, 4));
  world.Select(&PointAt(world, 5));
  joiner->DoSetupMenus();
  EXPECT_EQ(PendingState(kCmdJoin), 1);
  EXPECT_EQ(PendingState(kCmdSeparate), 0);
  EXPECT_EQ(PendingState(kCmdJoinThird), 0);

  // The third command is never offered, yet still makes its action; others are not the
  // joiner's.
  EXPECT_NE(Command(world, kCmdJoinThird), nullptr);
  uint16_t handled = 1;
  EXPECT_EQ(joiner->DoMenuCommand(31, handled), nullptr);
  EXPECT_EQ(handled, 0);
}

TEST_F(JoinerTest, JoiningTwoFreePointsMakesAJointThatUndoAndRedoTakeAwayAndBringBack) {
  TQVDoc document;
  TWorldDoc& world = document.World();
  Build(world);
  const std::vector<uint8_t> before = DocumentBytes(document);
  world.Select(&PointAt(world, 4));
  world.Select(&PointAt(world, 5));

  std::unique_ptr<TCommandCore> join = Command(world, kCmdJoin);
  join->Perform();
  auto* pin = dynamic_cast<TPin*>(world.FindObject(7));
  ASSERT_NE(pin, nullptr);
  EXPECT_EQ(pin->AttachedCount(), 2);
  EXPECT_TRUE(pin->IsInactive());
  EXPECT_EQ(PointAt(world, 4).ConstraintCount(), 1);
  EXPECT_EQ(PointAt(world, 5).ConstraintCount(), 1);
  const std::vector<uint8_t> after = DocumentBytes(document);
  EXPECT_NE(after, before);
  // Joined points are no longer free: the pair is gone and the pin can be separated.
  EXPECT_FALSE(world.GetJoiner()->MenuState().canJoin);

  join->Undo();
  EXPECT_EQ(world.FindObject(7), nullptr);
  EXPECT_EQ(PointAt(world, 4).ConstraintCount(), 0);
  EXPECT_EQ(DocumentBytes(document), before);
  join->Redo();
  EXPECT_EQ(DocumentBytes(document), after);
  join->Undo();
  EXPECT_EQ(DocumentBytes(document), before);
}

TEST_F(JoinerTest, SeparatingAndJoiningAPinUndoByteForByte) {
  TQVDoc document;
  TWorldDoc& world = document.World();
  Build(world);
  TPin& pin = Add<TPin>(world, 7);
  pin.AttachObject(&PointAt(world, 4));
  pin.AttachObject(&PointAt(world, 5));
  const std::vector<uint8_t> joined = DocumentBytes(document);

  world.Select(&PointAt(world, 4));  // the pin is reached through its point
  EXPECT_TRUE(world.GetJoiner()->MenuState().canSeparate == false);
  world.Select(&pin);
  EXPECT_TRUE(world.GetJoiner()->MenuState().canSeparate);
  std::unique_ptr<TCommandCore> separate = Command(world, kCmdSeparate);
  separate->Perform();
  EXPECT_TRUE(pin.IsActive());
  const std::vector<uint8_t> separated = DocumentBytes(document);
  EXPECT_NE(separated, joined);
  EXPECT_TRUE(world.GetJoiner()->MenuState().canJoin);
  separate->Undo();
  EXPECT_EQ(DocumentBytes(document), joined);
  separate->Redo();
  EXPECT_EQ(DocumentBytes(document), separated);

  std::unique_ptr<TCommandCore> join = Command(world, kCmdJoin);
  join->Perform();
  EXPECT_TRUE(pin.IsInactive());
  EXPECT_EQ(DocumentBytes(document), joined);
  join->Undo();
  EXPECT_EQ(DocumentBytes(document), separated);
}

// A join whose objects cannot be assembled is taken back and reported as such; one the user
// stops ends silently.
TEST_F(JoinerTest, JoinThatCannotBeAssembledLeavesTheWorldAsItWas) {
  TQVDoc document;
  TWorldDoc& world = document.World();
  Build(world);
  const std::vector<uint8_t> before = DocumentBytes(document);
  JoinerHooks hooks = GetJoinerHooks();
  int16_t raised = -25104;
  hooks.applyChanges = [&raised](TWorldDoc&, const std::vector<TLink*>&,
                                 const std::vector<TLink*>&) { ThrowFailure(raised, 0); };
  SetJoinerHooks(hooks);
  world.Select(&PointAt(world, 4));
  world.Select(&PointAt(world, 5));

  std::unique_ptr<TCommandCore> join = Command(world, kCmdJoin);
  try {
    join->Perform();
    ADD_FAILURE() << "the join went through";
  } catch (const QVException& failure) {
    EXPECT_EQ(failure.error(), -25104);
    EXPECT_EQ(failure.message(), (40033 << 16) | 5);
  }
  EXPECT_EQ(world.FindObject(7), nullptr);
  EXPECT_EQ(DocumentBytes(document), before);

  raised = -25107;
  join = Command(world, kCmdJoin);
  try {
    join->Perform();
    ADD_FAILURE() << "the join went through";
  } catch (const QVException& failure) {
    EXPECT_EQ(failure.error(), 0);
  }
  EXPECT_EQ(DocumentBytes(document), before);
}

}  // namespace
