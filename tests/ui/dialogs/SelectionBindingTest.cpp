// Items bound to the selection: what a refresh gives each binding kind, and the command a
// commit makes, performed against a world of things.

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "core/Handle.h"
#include "model/command/PropertyOps.h"
#include "tests/model/command/TestWorld.h"
#include "ui/dialogs/SelectionBinding.h"
#include "ui/items/MacDialogItem.h"

namespace {

using command_test::TTestWorld;

constexpr uint32_t kCount = MakeTag("cnt_");
constexpr uint32_t kTrack = MakeTag("trkL");
constexpr uint32_t kName = MakeTag("name");
constexpr int16_t kBlockCount = 6001;

// A thing with a whole-number property and a choice.
class TCountingThing : public TThing {
 public:
  uint16_t GetIntProperty(uint32_t tag, int32_t& value, void* extra) override {
    if (tag != kCount) return TThing::GetIntProperty(tag, value, extra);
    value = count;
    return 1;
  }
  void SetIntProperty(uint32_t tag, int32_t value) override {
    if (tag == kCount) count = value;
  }
  uint16_t GetChoiceProperty(uint32_t tag, int16_t& value, void* extra) override {
    if (tag != kTrack || !answersChoice) return TThing::GetChoiceProperty(tag, value, extra);
    value = choice;
    return 1;
  }
  void ReportPropertyBlocks(uint32_t tag, uint16_t& found, BlockCallback blockCallback,
                            ObjectCallback objectCallback, void* blockContext,
                            void* objectContext) override {
    if (tag == kCount || tag == kName) return blockCallback(-2, blockContext);
    TThing::ReportPropertyBlocks(tag, found, blockCallback, objectCallback, blockContext,
                                 objectContext);
  }
  int32_t count = 0;
  int16_t choice = 0;
  bool answersChoice = true;
};

// A thing whose number comes with a second value of its own, written through the extra
// argument as a double (as an input gives the other end of a logarithmic range).
class TRangedThing : public TThing {
 public:
  uint16_t GetNumberProperty(uint32_t tag, double& value, void* extra) override {
    if (tag != kCount) return TThing::GetNumberProperty(tag, value, extra);
    value = number;
    if (extra != nullptr) *static_cast<double*>(extra) = -1.0;
    return 1;
  }
  double number = 0.0;
};

// An item that keeps what the refresh gave it.
class TRecordingItem : public TPlainItem {
 public:
  void ReceiveChoice(int16_t state) override { choices.push_back(state); }
  void ReceiveText(const Str255& text) override { texts.push_back(text); }
  void ReceiveNumber(double value, double, double, uint32_t) override { numbers.push_back(value); }
  void FinishRefresh(int16_t objectFlag, int16_t refreshFlag) override {
    finished.push_back({objectFlag, refreshFlag});
  }
  bool ReadInteger(int32_t& value) const override {
    value = integer;
    return true;
  }
  bool ReadText(Str255& text) const override {
    text = textValue;
    return true;
  }
  std::vector<int16_t> choices;
  std::vector<Str255> texts;
  std::vector<double> numbers;
  std::vector<std::pair<int16_t, int16_t>> finished;
  int32_t integer = 0;
  Str255 textValue;
};

class SelectionBindingTest : public ::testing::Test {
 protected:
  void SetUp() override { InitHandlePool(); }
  TTestWorld world{0};
};

TEST_F(SelectionBindingTest, ChoiceShowsMixedForDifferentValuesAndZeroWithoutAnswers) {
  auto& first = world.Add<TCountingThing>(2);
  auto& second = world.Add<TCountingThing>(3);
  first.choice = 1;
  second.choice = 1;
  std::vector<TLink*> selection{&first, &second};
  TSelectionBinding binding;
  binding.Attach(&selection, &world);
  TRecordingItem item;
  item.SetBindingKind(binding_kind::kChoice);
  item.SetPropertyTag(kTrack);

  binding.RefreshItem(&item, 1);
  second.choice = 4;
  binding.RefreshItem(&item, 1);
  first.answersChoice = false;
  second.answersChoice = false;
  binding.RefreshItem(&item, 0);
  EXPECT_EQ(item.choices, (std::vector<int16_t>{1, 2, 0}));
  ASSERT_EQ(item.finished.size(), 3u);
  EXPECT_EQ(item.finished[0], std::make_pair(int16_t{1}, int16_t{1}));
  EXPECT_EQ(item.finished[2], std::make_pair(int16_t{0}, int16_t{0}));
}

// The second value an object writes beside its number lands in room of its own: the refresh goes
// on with every object and the item is enabled (the sanitizers see any write past the room).
TEST_F(SelectionBindingTest, ANumbersSecondValueHasRoomOfItsOwn) {
  auto& first = world.Add<TRangedThing>(2);
  auto& second = world.Add<TRangedThing>(3);
  first.number = 1.5;
  second.number = 2.5;
  std::vector<TLink*> selection{&first, &second};
  TSelectionBinding binding;
  binding.Attach(&selection, &world);
  TRecordingItem item;
  item.SetBindingKind(binding_kind::kNumber);
  item.SetPropertyTag(kCount);
  binding.RefreshItem(&item, 1);
  EXPECT_EQ(item.numbers, (std::vector<double>{1.5, 2.5}));
  ASSERT_EQ(item.finished.size(), 1u);
  EXPECT_EQ(item.finished[0], std::make_pair(int16_t{1}, int16_t{1}));
}

TEST_F(SelectionBindingTest, WithoutSelectionNothingIsRefreshed) {
  TSelectionBinding binding;
  TRecordingItem item;
  item.SetBindingKind(binding_kind::kText);
  item.SetPropertyTag(kName);
  binding.RefreshItem(&item, 1);
  EXPECT_TRUE(item.finished.empty());
}

TEST_F(SelectionBindingTest, IntegerCommitsAreLimitedToTheShortRange) {
  auto& thing = world.Add<TCountingThing>(2);
  std::vector<TLink*> selection{&thing};
  TSelectionBinding binding;
  binding.Attach(&selection, &world);
  TRecordingItem item;
  item.SetBindingKind(binding_kind::kInteger);
  item.SetPropertyTag(kCount);
  for (const auto& [entered, stored] :
       std::vector<std::pair<int32_t, int32_t>>{{40000, 32767}, {-40000, -32767}, {12, 12}}) {
    item.integer = entered;
    auto made = binding.MakeItemCommand(item, 1005);
    ASSERT_NE(made.command, nullptr);
    EXPECT_TRUE(made.command->IsMemberClass(357));
    EXPECT_EQ(made.command->GetCommandNumber(), 1005);
    binding.AddTargets(*made.command, made.restricted, made.hasCondition, made.conditionTag);
    made.command->Perform();
    EXPECT_EQ(thing.count, stored) << entered;
  }
}

TEST_F(SelectionBindingTest, TextCommitIsUndoneAndRedone) {
  world.Add<TCountingThing>(2);
  TThing& thing = *world.things.back();
  thing.SetName("Wheel");
  std::vector<TLink*> selection{&thing};
  TSelectionBinding binding;
  binding.Attach(&selection, &world);
  TRecordingItem item;
  item.SetBindingKind(binding_kind::kText);
  item.SetPropertyTag(kName);
  binding.RefreshItem(&item, 1);
  ASSERT_EQ(item.texts.size(), 1u);
  EXPECT_EQ(item.texts[0], Str255("Wheel"));

  const std::vector<uint8_t> before = world.DocumentBytes();
  item.textValue = "Axle";
  auto made = binding.MakeItemCommand(item, 1005);
  ASSERT_NE(made.command, nullptr);
  EXPECT_TRUE(made.command->IsMemberClass(355));
  binding.AddTargets(*made.command, made.restricted, made.hasCondition, made.conditionTag);
  made.command->Perform();
  Str255 name;
  thing.GetStringProperty(kName, name, nullptr);
  EXPECT_EQ(name, Str255("Axle"));
  const std::vector<uint8_t> after = world.DocumentBytes();
  made.command->Undo();
  EXPECT_EQ(world.DocumentBytes(), before);
  made.command->Redo();
  EXPECT_EQ(world.DocumentBytes(), after);
}

TEST_F(SelectionBindingTest, RestrictedItemsSeeOnlyTheClassFilter) {
  auto& first = world.Add<TCountingThing>(2);
  auto& second = world.Add<TCountingThing>(3);
  std::vector<TLink*> selection{&first, &second};
  TSelectionBinding binding;
  binding.Attach(&selection, &world);
  binding.SetClassFilter(9102);  // a class no object of the selection belongs to
  int seen = 0;
  binding.ForEachSelected([&](TLink*) { ++seen; }, true);
  EXPECT_EQ(seen, 0);
  binding.ForEachSelected([&](TLink*) { ++seen; }, false);
  EXPECT_EQ(seen, 2);
}

}  // namespace
