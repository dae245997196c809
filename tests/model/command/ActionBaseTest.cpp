#include <gtest/gtest.h>

#include "core/Failure.h"
#include "model/command/ActionBase.h"
#include "model/filing/ChangeRecorder.h"
#include "tests/model/command/TestWorld.h"

namespace command_test {
namespace {

constexpr uint32_t kColour = MakeTag("colr");
constexpr RGB16Color kRed{0xFFFF, 0, 0};

// Paints one thing red, noting its colour block first; may fail after the change.
class TPaintAction : public TActionBase {
 public:
  TPaintAction(TTestWorld& world, TThing& thing, uint16_t canUndo) : world_(world), thing_(thing) {
    InitAction(1234, nullptr, &world, canUndo);
  }
  void BeforePrepare() override {
    ++prepared;
    NoteChange(&thing_, kBlockThingColour);
  }
  void DoWork() override {
    modeDuringWork = world_.editState.mode;
    selectionDuringWork = world_.selection;
    thing_.SetColourProperty(kColour, kRed);
    if (failWith != 0) ThrowFailure(failWith, 77);
    if (abandon) ThrowFailure(kErrNone, 0);
  }
  void PrepareFailed(int16_t error, int32_t message) override {
    if (!recoverFromMemory) TActionBase::PrepareFailed(error, message);
  }
  int prepared = 0;
  int16_t failWith = 0;
  bool abandon = false;
  bool recoverFromMemory = false;
  int16_t modeDuringWork = 0;
  TList* selectionDuringWork = nullptr;

 private:
  TTestWorld& world_;
  TThing& thing_;
};

class ActionBaseTest : public ::testing::Test {
 protected:
  void SetUp() override { InitHandlePool(); }
  void TearDown() override { FreeHandlePool(); }
};

TEST_F(ActionBaseTest, UndoAndRedoReadTheImagesBackByteForByte) {
  TTestWorld world;
  const auto before = world.DocumentBytes();
  TPaintAction action(world, world.Thing(1), 1);
  ASSERT_NE(action.UndoRecorder(), nullptr);
  action.Perform();
  const auto after = world.DocumentBytes();
  ASSERT_NE(before, after);
  EXPECT_EQ(action.modeDuringWork, TEditState::kPerforming);
  EXPECT_NE(action.UndoImage(), nullptr);
  EXPECT_EQ(action.UndoRecorder(), nullptr);  // finished into the image

  action.Undo();
  EXPECT_EQ(world.DocumentBytes(), before);
  action.Redo();
  EXPECT_EQ(world.DocumentBytes(), after);
  action.Undo();
  EXPECT_EQ(world.DocumentBytes(), before);
  // Every operation ends with the changed notice and leaves the edit mode as it found it.
  EXPECT_EQ(world.changedNotices, (std::vector<int16_t>{0, 0, 0}));
  EXPECT_EQ(world.editState.mode, 0);
  EXPECT_EQ(world.stateWord, 7);
}

TEST_F(ActionBaseTest, PerformingTwicePreparesOnce) {
  TTestWorld world;
  TPaintAction action(world, world.Thing(0), 1);
  action.Perform();
  action.Perform();
  EXPECT_EQ(action.prepared, 1);
  EXPECT_EQ(action.IsDone(), 1);
}

TEST_F(ActionBaseTest, FailingWorkRestoresTheWorldAndTheModeAndPassesTheSameFailure) {
  TTestWorld world;
  world.editState.mode = 9;
  const auto before = world.DocumentBytes();
  TPaintAction action(world, world.Thing(2), 1);
  action.failWith = -25001;
  try {
    action.Perform();
    FAIL() << "no failure";
  } catch (const QVException& failure) {
    EXPECT_EQ(failure.error(), -25001);
    EXPECT_EQ(failure.message(), 77);
  }
  EXPECT_EQ(world.DocumentBytes(), before);
  EXPECT_EQ(world.editState.mode, 9);
}

// An action abandoned with the silent failure (a dialog cancelled, an edit refused) is put back
// without the changed notice, which would make the world forget the frames of its run.
TEST_F(ActionBaseTest, AnAbandonedActionRollsBackWithoutTheChangedNotice) {
  TTestWorld world;
  const auto before = world.DocumentBytes();
  TPaintAction action(world, world.Thing(1), 1);
  action.abandon = true;
  EXPECT_THROW(action.Perform(), QVException);
  EXPECT_EQ(world.DocumentBytes(), before);
  EXPECT_TRUE(world.changedNotices.empty());
  // A failure of the work itself is told: what the work changed may have been seen.
  TPaintAction failing(world, world.Thing(1), 1);
  failing.failWith = -25001;
  EXPECT_THROW(failing.Perform(), QVException);
  EXPECT_EQ(world.changedNotices, std::vector<int16_t>{0});
}

TEST_F(ActionBaseTest, WithoutUndoThereAreNoImagesAndNothingIsRolledBack) {
  TTestWorld world;
  const auto before = world.DocumentBytes();
  TPaintAction action(world, world.Thing(0), 0);
  EXPECT_EQ(action.UndoRecorder(), nullptr);
  action.failWith = -25001;
  EXPECT_THROW(action.Perform(), QVException);
  EXPECT_NE(world.DocumentBytes(), before);
  const auto changed = world.DocumentBytes();
  action.Undo();
  action.Redo();
  EXPECT_EQ(action.UndoImage(), nullptr);
  EXPECT_EQ(world.DocumentBytes(), changed);
  EXPECT_EQ(world.changedNotices, (std::vector<int16_t>{0, 0}));
}

// A thing whose colour block cannot be written while memory is short.
class TShortOfMemoryThing : public TThing {
 public:
  void WriteBlockContents(int16_t code, TObjectWriter& writer) override {
    if (shortOfMemory) ThrowFailure(kErrOutOfMemory, 0);
    TThing::WriteBlockContents(code, writer);
  }
  bool shortOfMemory = true;
};

TEST_F(ActionBaseTest, OutOfMemoryWhilePreparing) {
  TTestWorld world(0);
  TShortOfMemoryThing thing;
  thing.Initialize();
  thing.SetIdentifier(2);
  {
    TPaintAction failing(world, thing, 1);
    try {
      failing.Perform();
      FAIL() << "no failure";
    } catch (const QVException& failure) {
      EXPECT_EQ(failure.error(), kErrOutOfMemory);
    }
  }
  EXPECT_TRUE(thing.IsColourDefault());  // nothing changed

  // An action that chooses to go on does its work, but can no longer be undone.
  TPaintAction recovering(world, thing, 1);
  recovering.recoverFromMemory = true;
  recovering.Perform();
  EXPECT_EQ(recovering.CanUndo(), 0);
  EXPECT_EQ(recovering.UndoRecorder(), nullptr);
  EXPECT_EQ(recovering.UndoImage(), nullptr);
  EXPECT_EQ(thing.GetColour(), kRed);
}

TEST_F(ActionBaseTest, TheSelectionIsSetAsideDuringTheWorkAndReturned) {
  TTestWorld world;
  TList selection;
  world.selection = &selection;
  TPaintAction action(world, world.Thing(0), 1);
  action.Perform();
  EXPECT_EQ(action.selectionDuringWork, nullptr);
  EXPECT_EQ(world.selection, &selection);
  EXPECT_EQ(action.SavedSelection(), nullptr);
  // Undo swaps again: the world is back to the selection it had before the work.
  action.Undo();
  EXPECT_EQ(world.selection, nullptr);
  EXPECT_EQ(action.SavedSelection(), &selection);
  action.Redo();
  EXPECT_EQ(world.selection, &selection);
}

TEST_F(ActionBaseTest, ASelectionStillSavedAtDeletionIsGivenBack) {
  TTestWorld world;
  TList selection;
  world.selection = &selection;
  {
    TPaintAction action(world, world.Thing(0), 1);
    action.Perform();
    action.Undo();  // the action keeps the selection now
  }
  EXPECT_EQ(world.discarded, std::vector<TList*>{&selection});
  world.ownsSelections = 1;
  world.selection = &selection;
  {
    TPaintAction action(world, world.Thing(0), 1);
    action.Perform();
    action.Undo();
  }
  EXPECT_EQ(world.kept, std::vector<TList*>{&selection});
  EXPECT_EQ(world.forgotten, std::vector<TList*>{&selection});  // it holds no items
}

TEST_F(ActionBaseTest, NoteChangeOfAllNotesEachObjectOnceWithTheCode) {
  TTestWorld world;
  TPaintAction action(world, world.Thing(0), 1);
  action.NoteChangeOfAll({&world.Thing(1), &world.Thing(2), &world.Thing(1)}, -2);
  using Entry = TChangeRecorder::Entry;
  const std::vector<Entry> expected{{&world.Thing(1), -2}, {&world.Thing(2), -2}};
  EXPECT_EQ(action.UndoRecorder()->Pending(), expected);
  EXPECT_EQ(action.RedoRecorder()->Pending(), expected);
}

}  // namespace
}  // namespace command_test
