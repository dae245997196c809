#include <algorithm>

#include <gtest/gtest.h>

#include "tests/model/world/WorldTestSupport.h"

namespace world_test {
namespace {

class GroupTest : public ::testing::Test {
 protected:
  void SetUp() override {
    scope = std::make_unique<WorldScope>();
    for (int i = 0; i < 4; ++i) {
      objects[i].Initialize();
      objects[i].SetIdentifier(static_cast<int16_t>(20 + i));
    }
    group = std::make_unique<TGroup>();
    group->Initialize();
    group->SetIdentifier(30);
  }
  void TearDown() override {
    group.reset();
    scope.reset();
  }
  std::unique_ptr<WorldScope> scope;
  TTestObject objects[4];
  std::unique_ptr<TGroup> group;
  TTestObject& a = objects[0];
  TTestObject& b = objects[1];
  TTestObject& c = objects[2];
};

TEST_F(GroupTest, NewGroupAppliesToEverything) {
  EXPECT_EQ(group->GetMode(), 1);
  EXPECT_EQ(group->GetSense(), 0);
  EXPECT_EQ(group->Applies(&a, &b), 1);
  EXPECT_EQ(group->AppliesTo(&c), 1);
  int32_t position = 0;
  EXPECT_FALSE(group->Entries()->Search({&a, nullptr}, position));
  EXPECT_EQ(position, 1);
}

TEST_F(GroupTest, ModesReadTheListTheirWay) {
  group->SetMode(1, 1);
  group->IncludePair(&a, &a);
  EXPECT_EQ(group->Entries()->GetCount(), 0);
  group->Include(&a);
  group->Include(&b);
  EXPECT_EQ(group->Applies(&b, &a), 1);
  EXPECT_EQ(group->Applies(&a, &c), 0);
  EXPECT_EQ(group->AppliesTo(&c), 0);

  group->SetMode(0, 1);
  group->SetReference(&c);
  group->IncludePair(&c, &a);
  ASSERT_EQ(group->Entries()->GetCount(), 1);
  EXPECT_EQ(group->Entries()->Entry(1).second, nullptr);
  EXPECT_EQ(group->Applies(&c, &a), 1);
  EXPECT_EQ(group->Applies(&b, &c), 0);
  EXPECT_EQ(group->Applies(&a, &b), 0);  // neither is the reference object
  group->Include(&c);
  EXPECT_EQ(group->Entries()->GetCount(), 1);
  EXPECT_EQ(group->AppliesTo(&c), 0);  // sense 1
  group->SetMode(0, 0);
  group->SetReference(&c);
  EXPECT_EQ(group->AppliesTo(&c), 1);
  group->ExcludePair(&a, &c);
  EXPECT_EQ(group->Applies(&a, &c), 0);
  EXPECT_EQ(group->Applies(&c, &b), 1);

  group->SetMode(2, 1);
  group->IncludePair(&b, &a);
  group->IncludePair(&c, &a);
  EXPECT_EQ(group->Applies(&a, &b), 1);
  EXPECT_EQ(group->Applies(&b, &c), 0);
  // An object alone replaces every pair that names it.
  group->Include(&a);
  ASSERT_EQ(group->Entries()->GetCount(), 1);
  EXPECT_EQ(group->Entries()->Entry(1).first, &a);
  EXPECT_EQ(group->Entries()->Entry(1).second, nullptr);
}

TEST_F(GroupTest, ListStaysSortedByIdentifier) {
  group->SetMode(2, 1);
  group->IncludePair(&objects[3], &b);
  group->IncludePair(&c, &a);
  group->IncludePair(&b, &a);
  group->IncludePair(&a, &b);  // already there
  std::vector<std::pair<int, int>> order;
  for (int32_t i = 1; i <= group->Entries()->GetCount(); ++i) {
    const TGroupEntry entry = group->Entries()->Entry(i);
    order.emplace_back(entry.first->GetIdentifier(), entry.second->GetIdentifier());
  }
  EXPECT_EQ(order, (std::vector<std::pair<int, int>>{{20, 21}, {20, 22}, {21, 23}}));
}

TEST_F(GroupTest, RemovedObjectLeavesEveryEntryAndTheReference) {
  group->SetMode(0, 1);
  group->SetReference(&a);
  group->Include(&b);
  group->Include(&c);
  group->ObjectRemoved(&b);
  EXPECT_EQ(group->Entries()->GetCount(), 1);
  group->ObjectRemoved(&a);
  EXPECT_EQ(group->GetReference(), nullptr);
}

TEST_F(GroupTest, Block1800RoundTripsPairsAndSense) {
  TWorldDoc world;
  world.InitWorld(0);
  for (int i = 0; i < 3; ++i) {
    auto object = std::make_unique<TTestObject>();
    object->Initialize();
    object->SetIdentifier(static_cast<int16_t>(20 + i));
    world.AdoptObject(std::move(object));
  }
  auto made = std::make_unique<TGroup>();
  made->Initialize();
  made->SetIdentifier(30);
  TGroup& written = *made;
  std::vector<TLink*> members = world.Objects();
  written.SetMode(2, 0);
  written.SetReference(members[2]);
  written.ExcludePair(members[0], members[1]);
  written.ExcludePair(members[2], members[1]);
  world.AdoptObject(std::move(made));

  const std::vector<TLink*> all = world.Objects();
  auto writer = WriteObjectsDefault(&all, 1, nullptr, 2, nullptr);
  Handle handle = writer->TakeHandle();
  std::vector<uint8_t> bytes(reinterpret_cast<uint8_t*>(HandleData(handle)),
                             reinterpret_cast<uint8_t*>(HandleData(handle)) + GetHandleByteSize(handle));
  FreeHandle(handle);
  // The group's block: kind 5 (sense 0, mode 2), the reference, then a count of twice the pairs.
  const uint8_t block[] = {0, 0, 0x07, 0x08, 0, 0, 0, 28, 0, 0, 0, 5, 0, 0, 0, 22, 0, 0, 0, 4};
  EXPECT_NE(std::search(bytes.begin(), bytes.end(), std::begin(block), std::end(block)), bytes.end());

  auto reader = ReadObjects(bytes, 2, 2, nullptr, nullptr, nullptr, nullptr);
  reader->Complete(0);
  auto read = reader->TakeObjects();
  ASSERT_EQ(read.size(), 4u);
  auto* group2 = dynamic_cast<TGroup*>(read[3].get());
  ASSERT_NE(group2, nullptr);
  EXPECT_EQ(group2->GetMode(), 2);
  EXPECT_EQ(group2->GetSense(), 0);
  EXPECT_EQ(group2->GetReference(), read[2].get());
  EXPECT_EQ(group2->Applies(read[1].get(), read[0].get()), 0);
  EXPECT_EQ(group2->Applies(read[2].get(), read[1].get()), 0);
  EXPECT_EQ(group2->Applies(read[0].get(), read[2].get()), 1);
  // The copy writes the same bytes.
  std::vector<TLink*> again;
  for (auto& object : read)
    again.push_back(object.get());
  auto writer2 = WriteObjectsDefault(&again, 1, nullptr, 2, nullptr);
  Handle handle2 = writer2->TakeHandle();
  std::vector<uint8_t> bytes2(reinterpret_cast<uint8_t*>(HandleData(handle2)),
                              reinterpret_cast<uint8_t*>(HandleData(handle2)) + GetHandleByteSize(handle2));
  FreeHandle(handle2);
  EXPECT_EQ(bytes2, bytes);
}

}  // namespace
}  // namespace world_test
