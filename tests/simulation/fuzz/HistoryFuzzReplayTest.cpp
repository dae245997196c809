// Replays the committed stored-history seeds, and mutations of them, through the history fuzz
// check, so that loading stored blocks and reading the history blocks of a document keep their
// promises under the sanitizers in every test run; checks that the seeds reach the store's loader
// and the world's history reader, and that they are what the writers write today.

#include <gtest/gtest.h>

#include <bit>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "simulation/HistoryStore.h"
#include "tests/simulation/fuzz/HistoryFuzzEntry.h"

namespace {

std::filesystem::path SeedFolder() {
  const char* root = std::getenv("YB_SOURCE_DIR");
  return std::filesystem::path(root != nullptr ? root : ".") / "tests/simulation/fuzz/history-seeds";
}

std::vector<uint8_t> ReadWhole(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::map<std::string, std::vector<uint8_t>> CommittedSeeds() {
  std::map<std::string, std::vector<uint8_t>> seeds;
  for (const auto& entry : std::filesystem::directory_iterator(SeedFolder()))
    seeds[entry.path().filename().string()] = ReadWhole(entry.path());
  return seeds;
}

// A store of frames of three values, f * 10 + v, marked when mark is set.
std::vector<uint8_t> StoredBlock(int32_t frames, bool mark) {
  THistoryStore store;
  store.SetValuesPerFrame(3);
  store.SetTimeStep(0.04);
  store.SetOwnField(2);
  for (int32_t f = 0; f < frames; ++f) {
    store.SetFrameCount(f + 1);
    if (mark && f == 2) store.SetMark(true);
    for (int32_t v = 0; v < 3; ++v)
      store.SetValue(f, v, f * 10.0 + v);
  }
  return store.RawBlock();
}

// The same block with its values as 4-byte singles, as older documents store them.
std::vector<uint8_t> SingleBlock() {
  std::vector<uint8_t> raw = StoredBlock(2, false);
  std::vector<uint8_t> single(raw.begin(), raw.begin() + 44);
  for (size_t at = 44; at + 24 < raw.size(); at += 8) {
    uint64_t bits = 0;
    for (int i = 0; i < 8; ++i)
      bits = bits << 8 | raw[at + static_cast<size_t>(i)];
    const float value = static_cast<float>(std::bit_cast<double>(bits));
    const auto word = std::bit_cast<uint32_t>(value);
    for (int i = 3; i >= 0; --i)
      single.push_back(static_cast<uint8_t>(word >> (8 * i)));
  }
  single.insert(single.end(), raw.end() - 24, raw.end());
  single.back() = 32;
  return single;
}

std::map<std::string, std::vector<uint8_t>> WriteSeeds() {
  return {{"stored-block.raw", StoredBlock(4, false)},
          {"stored-block-marked.raw", StoredBlock(6, true)},
          {"stored-block-single.raw", SingleBlock()},
          {"world-history.zoda", HistoryDocument(4, 2, false)},
          {"world-history-primitives.zoda", HistoryDocument(3, 1, true)}};
}

class HistoryFuzzReplay : public ::testing::Test {
 protected:
  HistoryFuzzSetup setup;
};

TEST_F(HistoryFuzzReplay, SeedsReachTheStoreAndTheWorldsHistoryReader) {
  const auto seeds = CommittedSeeds();
  ASSERT_GE(seeds.size(), 5u);
  for (const auto& [name, seed] : seeds) {
    const HistoryFuzzReach reach = HistoryFuzzRead(seed.data(), seed.size());
    EXPECT_EQ(reach.broken, 0) << name;
    if (name.ends_with(".raw")) {
      EXPECT_TRUE(reach.rawLoaded) << name;
    } else {
      EXPECT_TRUE(reach.documentRead) << name;
      EXPECT_TRUE(reach.historyRead) << name;
      EXPECT_GE(reach.frames, 3) << name;
      EXPECT_GE(reach.cursors, 1) << name;
    }
  }
}

TEST_F(HistoryFuzzReplay, SeedsCutShortOrChangedKeepEveryPromise) {
  uint32_t random = 1729;
  auto next = [&random] { return random = random * 1103515245u + 12345u, random >> 8; };
  int loaded = 0, read = 0;
  for (const auto& [name, seed] : CommittedSeeds()) {
    SCOPED_TRACE(name);
    for (size_t length = 0; length < seed.size(); length += 1 + length / 16)
      EXPECT_EQ(HistoryFuzzRead(seed.data(), length).broken, 0) << length;
    for (int round = 0; round < 80; ++round) {
      std::vector<uint8_t> bytes = seed;
      for (int k = 0; k < 1 + static_cast<int>(next() % 3); ++k) {
        const size_t at = next() % bytes.size();
        switch (next() % 4) {
          case 0:
            bytes[at] = static_cast<uint8_t>(next());
            break;
          case 1:
            bytes[at] ^= static_cast<uint8_t>(1u << (next() % 8));
            break;
          case 2:
            bytes[at] = next() % 2 != 0 ? 0xFF : 0x00;
            break;
          default:
            bytes.erase(bytes.begin() + static_cast<long>(at));
            break;
        }
      }
      const HistoryFuzzReach reach = HistoryFuzzRead(bytes.data(), bytes.size());
      EXPECT_EQ(reach.broken, 0) << round;
      loaded += reach.rawLoaded ? 1 : 0;
      read += reach.historyRead ? 1 : 0;
    }
  }
  // The mutations reach past the checks: some blocks still load and some histories still read.
  EXPECT_GT(loaded, 10);
  EXPECT_GT(read, 10);
}

// Blocks that claim a billion frames in a header and hold no values: the check takes them (or
// refuses them) without breaking a promise, and reads no frame the block does not hold.
TEST_F(HistoryFuzzReplay, BlocksClaimingFarMoreFramesThanTheyHoldKeepEveryPromise) {
  // Values in a ring of marked frames, or no values at all (then frames take no room).
  for (const auto& [values, mark] : {std::pair{0, false}, std::pair{0, true}, std::pair{1, true}}) {
    THistoryStore store;
    store.SetValuesPerFrame(values);
    store.SetFrameCount(3);
    if (mark) store.SetMark(true);
    store.SetFrameCount(1000000000);
    const std::vector<uint8_t> block = store.RawBlock();
    const HistoryFuzzReach reach = HistoryFuzzRead(block.data(), block.size());
    EXPECT_EQ(reach.broken, 0) << values << " values, mark " << mark;
    EXPECT_TRUE(reach.rawLoaded) << values << " values, mark " << mark;
  }
}

// The committed seeds are exactly what the store and the world write, so the fuzzing starts from
// blocks laid out as today's. To write them again:
// YB_WRITE_SEEDS=1 simulation_tests --gtest_filter='HistoryFuzzReplay.CommittedSeeds*'
TEST_F(HistoryFuzzReplay, CommittedSeedsAreWhatTheWritersWrite) {
  const auto seeds = WriteSeeds();
  const auto folder = SeedFolder();
  if (std::getenv("YB_WRITE_SEEDS") != nullptr) {
    std::filesystem::create_directories(folder);
    for (const auto& [name, bytes] : seeds) {
      std::ofstream(folder / name, std::ios::binary)
          .write(reinterpret_cast<const char*>(bytes.data()),
                 static_cast<std::streamsize>(bytes.size()));
    }
  }
  const auto committed = CommittedSeeds();
  EXPECT_EQ(committed.size(), seeds.size());
  for (const auto& [name, bytes] : seeds)
    EXPECT_EQ(ReadWhole(folder / name), bytes) << name;
}

}  // namespace
