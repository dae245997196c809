// The world's history in its older document form, in primitives: read back value for value, with
// a values-per-frame word written in the other byte order recognised by its size, and a count of
// frames the block cannot hold refused without touching the store.

#include <algorithm>
#include <iterator>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "model/filing/DocumentFormat.h"
#include "model/filing/ObjectReader.h"
#include "model/world/WorldDoc.h"
#include "tests/simulation/fuzz/HistoryFuzzEntry.h"

namespace {

class TShownErrors : public TWorldHost {
 public:
  void ShowError(int16_t error, int32_t) override { shown.push_back(error); }
  std::vector<int16_t> shown;
};

// Where the contents of the block of the code begin in a document (4-byte code and length).
size_t ContentsOf(const std::vector<uint8_t>& bytes, int16_t code) {
  const uint8_t pattern[4] = {0, 0, static_cast<uint8_t>(code >> 8), static_cast<uint8_t>(code)};
  const auto at = std::search(bytes.begin(), bytes.end(), std::begin(pattern), std::end(pattern));
  return at == bytes.end() ? std::string::npos : static_cast<size_t>(at - bytes.begin()) + 8;
}

class WorldHistoryTest : public ::testing::Test {
 protected:
  // The document read into a fresh world.
  std::unique_ptr<TWorldDoc> Read(const std::vector<uint8_t>& bytes) {
    auto world = std::make_unique<TWorldDoc>();
    world->SetIdentifier(kWorldIdentifier);
    world->SetHost(&host);
    world->SetStore(RunBridgeHooks().makeStore());
    ReadObjects(bytes, 2, 1, world.get(), nullptr, nullptr, nullptr)->Complete(0);
    return world;
  }

  HistoryFuzzSetup setup;
  TShownErrors host;
};

TEST_F(WorldHistoryTest, HistoriesInPrimitivesReadBackValueForValue) {
  std::vector<uint8_t> bytes = HistoryDocument(5, 2, true);
  const size_t contents = ContentsOf(bytes, kBlockHistoryPrimitives);
  ASSERT_NE(contents, std::string::npos);
  // The values per frame are the header's last word: own field, two words, the time step, then
  // words 4 to 10.
  const size_t valuesWord = contents + 4 + 8 + 8 + 6 * 4;
  ASSERT_EQ(LoadBig32(&bytes[valuesWord]), 2u);
  for (bool reversed : {false, true}) {
    if (reversed) std::reverse(bytes.begin() + valuesWord, bytes.begin() + valuesWord + 4);
    const auto world = Read(bytes);
    EXPECT_TRUE(host.shown.empty());
    const TFrameStore& store = *world->GetStore();
    ASSERT_EQ(store.FrameCount(), 5) << reversed;
    ASSERT_EQ(store.ValuesPerFrame(), 2) << reversed;
    for (int32_t f = 0; f < 5; ++f)
      for (int32_t v = 0; v < 2; ++v)
        EXPECT_EQ(store.Value(f, v), f * 100.0 + v) << reversed;
    ASSERT_EQ(store.Cursors().size(), 2u);
    EXPECT_EQ(store.Cursors()[1].index, 1);
    EXPECT_EQ(store.Cursors()[1].objectId, 2);
  }
}

TEST_F(WorldHistoryTest, FrameCountsBeyondThePrimitivesBlockAreRefused) {
  std::vector<uint8_t> bytes = HistoryDocument(5, 0, true);
  const size_t contents = ContentsOf(bytes, kBlockHistoryPrimitives);
  ASSERT_NE(contents, std::string::npos);
  // 0x40000001 frames of 2 values: in 32 bits their bytes would wrap to 16.
  StoreBig32(&bytes[contents + 4 + 8 + 8 + 5 * 4], 0x40000001);
  const auto world = Read(bytes);
  EXPECT_EQ(host.shown, std::vector<int16_t>{-25002});
  EXPECT_EQ(world->GetStore()->FrameCount(), 0);
  EXPECT_EQ(world->GetHistoryRead(), 0);
}

}  // namespace
