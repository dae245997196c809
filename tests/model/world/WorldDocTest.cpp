#include <cstring>
#include <numbers>

#include <gtest/gtest.h>

#include "tests/model/world/WorldTestSupport.h"

namespace world_test {
namespace {

class WorldDocTest : public ::testing::Test {
 protected:
  void SetUp() override {
    scope = std::make_unique<WorldScope>();
    world = std::make_unique<TWorldDoc>();
  }
  void TearDown() override {
    world.reset();
    scope.reset();
  }
  std::unique_ptr<WorldScope> scope;
  std::unique_ptr<TWorldDoc> world;
};

TEST_F(WorldDocTest, InitWorldSetsTheDefaults) {
  EXPECT_EQ(world->GetStopFrameField(), 0);
  world->InitWorld(0);
  EXPECT_EQ(world->GetStopFrameField(), 32767);
  EXPECT_EQ(world->GetAngleSnap(), 1);
  EXPECT_DOUBLE_EQ(world->GetStoredSnapDistance(), 0.1);
  EXPECT_EQ(world->GetOutputDisplay(), 2);
  EXPECT_EQ(world->GetDropOldFrames(), 1);
  EXPECT_EQ(world->GetAskBeforeDropping(), 1);
  EXPECT_EQ(world->InputBufferBytes(), 360u);
  EXPECT_EQ(world->GetIdentifier(), 10000);
  EXPECT_STREQ(world->GetNumberText().AsCString(), "10000");
  EXPECT_EQ(world->GetDefaultsAnchor(), world.get());
  EXPECT_EQ(world->GetSkipFrames(), 1);
  EXPECT_EQ(world->PauseControls(), std::vector<TLink*>{world.get()});
  EXPECT_DOUBLE_EQ(world->RotationStep(), std::numbers::pi / 36);
  EXPECT_FALSE(world->IsReadyToPlay());
}

TEST(WorldDefaultsTest, DefaultsWithoutTheWorldsBlockFail) {
  WorldScope scope(false);
  TWorldDoc world;
  EXPECT_EQ(ErrorOf([&] { world.InitWorld(0); }), kErrNoDefaults);
}

TEST_F(WorldDocTest, ScaleAndViewWidthIgnoreValuesWithoutAScale) {
  world->InitWorld(0);
  double value = 0.0;
  world->SetNumberProperty(MakeTag("zSca"), 1.0);
  EXPECT_DOUBLE_EQ(world->Scale().GetValue(), 2834.64576);
  ASSERT_EQ(world->GetNumberProperty(MakeTag("zSca"), value, nullptr), 1);
  EXPECT_DOUBLE_EQ(value, 1.0);
  for (double refused : {0.0, -2.0}) {
    world->SetNumberProperty(MakeTag("zSca"), refused);
    world->SetNumberProperty(MakeTag("zWin"), refused);
  }
  EXPECT_DOUBLE_EQ(world->Scale().GetValue(), 2834.64576);
  world->SetViewWidth(600);
  world->SetNumberProperty(MakeTag("zWin"), 2.0);
  EXPECT_DOUBLE_EQ(world->Scale().GetValue(), 300.0);
  world->GetNumberProperty(MakeTag("zWin"), value, nullptr);
  EXPECT_DOUBLE_EQ(value, 2.0);
}

TEST_F(WorldDocTest, SkipFramesAndTrackingWord) {
  world->InitWorld(0);
  world->SetShortProperty(MakeTag("sk p"), 5);
  uint16_t value = 0;
  uint16_t enabled = 1;
  EXPECT_EQ(world->GetShortProperty(MakeTag("sk p"), value, nullptr), 1);
  EXPECT_EQ(value, 5);
  EXPECT_EQ(world->GetShortProperty(MakeTag("st b"), value, &enabled), 1);
  EXPECT_EQ(enabled, 0);
  world->SetShortProperty(MakeTag("st b"), 2);
  world->GetShortProperty(MakeTag("st b"), value, &enabled);
  EXPECT_EQ(enabled, 1);
}

TEST_F(WorldDocTest, NativeStreamHasTheShortHeaderAndNoInterfaceBlocks) {
  world->InitWorld(0);
  auto object = std::make_unique<TTestObject>();
  object->Initialize();
  object->SetIdentifier(2);
  object->SetName("arm");
  object->value = 1.5;
  world->AdoptObject(std::move(object));
  const std::vector<uint8_t> stream = world->NativeStream();
  ASSERT_GE(stream.size(), 8u);
  const uint8_t header[8] = {'Z', 'o', 'd', 'A', 1, 0, '3', 0};
  EXPECT_EQ(std::memcmp(stream.data(), header, 8), 0);
  // Walk the objects: identifier, blocks (code, length, contents), -1.
  size_t at = 8;
  std::vector<int16_t> identifiers;
  std::vector<int16_t> codes;
  while (at + 2 <= stream.size()) {
    int16_t identifier;
    std::memcpy(&identifier, &stream[at], 2);
    identifiers.push_back(identifier);
    at += 2;
    for (;;) {
      ASSERT_LE(at + 2, stream.size());
      int16_t code;
      std::memcpy(&code, &stream[at], 2);
      at += 2;
      if (code == -1) break;
      codes.push_back(code);
      int32_t length;
      std::memcpy(&length, &stream[at], 4);
      at += 4 + static_cast<size_t>(length);
    }
  }
  EXPECT_EQ(at, stream.size());
  EXPECT_EQ(identifiers, (std::vector<int16_t>{10000, 2}));
  EXPECT_EQ(codes, std::vector<int16_t>{kBlockMark});
}

TEST_F(WorldDocTest, RemovingAnObjectLeavesEveryListAndGroup) {
  world->InitWorld(0);
  auto input = std::make_unique<TTestInput>();
  input->Initialize();
  input->SetIdentifier(4);
  TLink* inputPointer = input.get();
  world->AdoptObject(std::move(input));
  auto group = std::make_unique<TGroup>();
  group->Initialize();
  group->SetIdentifier(5);
  group->Include(inputPointer);
  TGroup* groupPointer = group.get();
  world->AdoptObject(std::move(group));
  world->UpdateViewObject(inputPointer, 1);
  ASSERT_EQ(world->Inputs().size(), 1u);
  world->RemoveObject(inputPointer);
  EXPECT_TRUE(world->Inputs().empty());
  EXPECT_TRUE(world->ViewObjects().empty());
  EXPECT_EQ(groupPointer->Entries()->GetCount(), 0);
  EXPECT_EQ(world->FindObject(4), nullptr);
}

}  // namespace
}  // namespace world_test
