// Details of the world's runs and history: dropping old frames when the store cannot grow, what a
// reset of the history tells, the views told of frame changes, listeners that fail, and the
// skip-frames value of the world's defaults.

#include <algorithm>
#include <cstring>

#include <gtest/gtest.h>

#include "model/world/RunCommand.h"
#include "tests/model/world/WorldTestSupport.h"

namespace world_test {
namespace {

class WorldRunDetailsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    scope = std::make_unique<WorldScope>();
    world = std::make_unique<TWorldDoc>();
    world->SetHost(&host);
    world->InitWorld(0);
    auto owned = std::make_unique<TTestStore>();
    store = owned.get();
    world->SetStore(std::move(owned));
    auto ownedEngine = std::make_unique<TTestEngine>(*store);
    engine = ownedEngine.get();
    world->SetEngine(std::move(ownedEngine));
  }
  void TearDown() override {
    world.reset();
    scope.reset();
  }
  template <class T>
  T& Add(int16_t identifier) {
    auto object = std::make_unique<T>();
    object->Initialize();
    object->SetIdentifier(identifier);
    T& added = *object;
    world->AdoptObject(std::move(object));
    return added;
  }

  std::unique_ptr<WorldScope> scope;
  TTestHost host;
  std::unique_ptr<TWorldDoc> world;
  TTestStore* store = nullptr;
  TTestEngine* engine = nullptr;
};

TEST_F(WorldRunDetailsTest, AStoreFullAtTwoFramesOffersToDropOldFrames) {
  store->capacity = 2;
  store->growFailures = 100;
  host.answer = true;
  world->RunToFrame(4, nullptr);
  EXPECT_EQ(host.asked, std::vector<int16_t>{kDropFramesAlert});
  EXPECT_TRUE(store->HasMark());
  EXPECT_EQ(store->frames, 5);

  // With one frame held there is nothing old to drop: the run ends for want of memory.
  store->Clear();
  store->capacity = 1;
  host.asked.clear();
  EXPECT_EQ(ErrorOf([&] { world->RunToFrame(3, nullptr); }), kErrOutOfMemory);
  EXPECT_TRUE(host.asked.empty());
  EXPECT_FALSE(store->HasMark());
}

TEST_F(WorldRunDetailsTest, ViewsAreToldOfEveryFrameChangeAndAResetAtNoFrameTellsNothing) {
  TTestObject view;
  view.Initialize();
  world->UpdateViewObject(&view, 1);
  world->UpdateViewObject(&view, 1);
  ASSERT_EQ(world->ViewObjects(), std::vector<TLink*>{&view});

  // Nothing shown yet: a reset announces nothing.
  world->ResetHistory(1);
  EXPECT_TRUE(view.framesShown.empty());

  world->RunToFrame(3, nullptr);
  world->ShowFrame(2, 1);
  world->ShowFrame(3, 1);
  world->ShowFrame(1, 1);
  EXPECT_EQ(view.framesShown, (std::vector<int16_t>{2, 3, 1}));
  world->ResetHistory(1);
  EXPECT_EQ(view.framesShown, (std::vector<int16_t>{2, 3, 1, -1}));
  EXPECT_EQ(store->current, -1);
  world->ResetHistory(1);
  EXPECT_EQ(view.framesShown.size(), 4u);

  world->UpdateViewObject(&view, 0);
  world->RunToFrame(1, nullptr);
  world->ShowFrame(1, 1);
  EXPECT_EQ(view.framesShown.size(), 4u);
}

TEST_F(WorldRunDetailsTest, AListenerFailingWithAnOrdinaryErrorStopsTheRun) {
  TTestListener& listener = Add<TTestListener>(6);
  listener.listenerFailure = kErrBadFormat;
  EXPECT_EQ(ErrorOf([&] { world->RunToFrame(3, nullptr); }), kErrBadFormat);
  EXPECT_TRUE(host.shown.empty());
  EXPECT_EQ(engine->runs, 0);
  EXPECT_EQ(store->frames, 0);

  // Both ends of the linked-document errors are shown, and the run goes on.
  for (const int16_t error : {kErrLinkedDocumentFirst, kErrLinkedDocumentLast}) {
    store->Clear();
    listener.listenerFailure = error;
    world->RunToFrame(2, nullptr);
    EXPECT_EQ(store->frames, 3) << error;
  }
  EXPECT_EQ(host.shown, (std::vector<int16_t>{kErrLinkedDocumentFirst, kErrLinkedDocumentLast}));
}

// The defaults resource with the skip frames of the world's block set to the value.
std::vector<uint8_t> DefaultsSkipping(uint8_t skip) {
  std::vector<uint8_t> bytes = DefaultsResource();
  const uint8_t block[] = {0x27, 0x11, 0, 0, 0, 4};
  const auto at = std::search(bytes.begin(), bytes.end(), std::begin(block), std::end(block));
  EXPECT_NE(at, bytes.end());
  *(at + sizeof block + 3) = skip;
  return bytes;
}

TEST(WorldDefaultsDetailsTest, SkipFramesOutsideOneToNinetyNineAreRefusedAsDamaged) {
  WorldScope scope;
  const int16_t count = 1;
  std::vector<uint8_t> fact(8);
  std::memcpy(fact.data(), &count, 2);
  std::memcpy(fact.data() + 2, &kBlockGroup, 2);
  std::memcpy(fact.data() + 4, &TGroup::kTag, 4);
  // A damaged block makes the stored defaults a bad resource.
  for (const auto& [skip, error] : {std::pair<uint8_t, int16_t>{0, kErrResourceFormat},
                                    {1, 1},
                                    {99, 1},
                                    {100, kErrResourceFormat},
                                    {200, kErrResourceFormat}}) {
    std::vector<uint8_t> defaults = DefaultsSkipping(skip);
    ResourceEntry entries[2] = {
        {"FACT", 0, nullptr, static_cast<uint16_t>(kFactTableId), fact.data(),
         static_cast<uint32_t>(fact.size())},
        {"ZodA", 0, nullptr, static_cast<uint16_t>(kWorldDefaultsResource), defaults.data(),
         static_cast<uint32_t>(defaults.size())}};
    const ResourceModuleTable table = {"world-details.dll", entries, 2};
    RegisterResourceModule(table);
    HMODULE previous = GetResourceModule1();
    SetResourceModule1(LoadResourceLibrary("world-details.dll"));
    TWorldDoc world;
    EXPECT_EQ(ErrorOf([&] { world.InitWorld(0); }), error) << int{skip};
    if (error == 1) {
      EXPECT_EQ(world.GetSkipFrames(), skip);
    }
    FreeResourceLibrary(GetResourceModule1());
    SetResourceModule1(previous);
    UnregisterResourceModule("world-details.dll");
  }
}

}  // namespace
}  // namespace world_test
