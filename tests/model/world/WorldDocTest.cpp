#include <cstring>
#include <numbers>
#include <string>

#include <gtest/gtest.h>

#include "core/Alert.h"
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

TEST_F(WorldDocTest, ASolverWarningAboutTwoObjectsNamesBoth) {
  world->InitWorld(0);
  for (const auto& [identifier, name] : {std::pair{2, "arm"}, std::pair{3, "rod"}}) {
    auto object = std::make_unique<TTestObject>();
    object->Initialize();
    object->SetIdentifier(identifier);
    object->SetName(name);
    world->AdoptObject(std::move(object));
  }
  struct : TWorldHost {
    bool AskYesNo(int16_t) override { return true; }
  } host;
  const int32_t status[3] = {0, 2, 3};
  EXPECT_TRUE(host.ReportSolverWarning(*world, 1, status));
  EXPECT_STREQ(AlertText(2).AsCString(), "arm, rod");
  // The alert's Yes and No answer a question it puts: whether the run goes on.
  const std::string question = AlertText(3).AsCString();
  EXPECT_NE(question.find("run"), std::string::npos) << question;
  EXPECT_TRUE(question.ends_with('?')) << question;
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

// A change goes to every world object that either test takes and to the linked objects the
// first test takes, each once; the listeners hear of it last. The extra list is searched by a
// test or by class, and forgets an object that leaves the world.
TEST_F(WorldDocTest, ChangesReachTheMatchingObjectsOnceAndTheExtraListIsSearched) {
  world->InitWorld(0);
  const auto adopt = [this](auto object, int16_t identifier) {
    object->Initialize();
    object->SetIdentifier(identifier);
    TLink* pointer = object.get();
    world->AdoptObject(std::move(object));
    return pointer;
  };
  TLink* input = adopt(std::make_unique<TTestInput>(), 4);
  TLink* pause = adopt(std::make_unique<TTestPauseControl>(), 5);
  TLink* plain = adopt(std::make_unique<TTestObject>(), 6);
  TTestInput outsider;  // linked to the pause control, not one of the world's objects
  outsider.Initialize();
  outsider.SetIdentifier(7);
  pause->AddDependent(&outsider);
  input->AddDependent(pause);

  std::vector<int32_t> given;
  std::vector<int32_t> told;
  TObjectMatch match;
  match.accepts = [](TLink& object) { return object.IsMemberClass(444); };
  match.alsoAccepts = [](TLink& object) { return object.IsMemberClass(469); };
  match.give = [&given](TLink& object) { given.push_back(object.GetIdentifier()); };
  match.listeners = {plain};
  match.notify = [&](TLink& listener) {
    EXPECT_EQ(given.size(), 3u);  // after every object took the change
    told.push_back(listener.GetIdentifier());
  };
  world->ForEachObjectMatching(match);
  EXPECT_EQ(given, (std::vector<int32_t>{4, 5, 7}));
  EXPECT_EQ(told, (std::vector<int32_t>{6}));

  world->AddToExtraList(input);
  world->AddToExtraList(pause);
  EXPECT_EQ(world->FindInExtraListByCode(469), pause);
  EXPECT_EQ(world->FindInExtraListByCode(411), nullptr);
  int32_t wanted = 5;
  const auto byIdentifier = [](TLink& object, void* context) {
    return object.GetIdentifier() == *static_cast<int32_t*>(context);
  };
  EXPECT_EQ(world->FindInExtraList(byIdentifier, &wanted), pause);
  pause->RemoveDependent(&outsider);
  world->RemoveObject(pause);
  EXPECT_EQ(world->FindInExtraList(byIdentifier, &wanted), nullptr);
  EXPECT_EQ(world->FindInExtraListByCode(444), input);
}

}  // namespace
}  // namespace world_test
