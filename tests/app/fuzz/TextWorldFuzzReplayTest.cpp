// Replays the committed text world seeds, and mutations of them, through the text world fuzz
// check, so that reading a text world into a document, saving it and reading the saved document
// keep their promises under the sanitizers in every test run; checks that the seeds reach the
// block readers of the world, its history, tables and springs.

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "tests/app/fuzz/TextWorldFuzzEntry.h"

namespace {

std::filesystem::path SeedFolder() {
  const char* root = std::getenv("YB_SOURCE_DIR");
  return std::filesystem::path(root != nullptr ? root : ".") / "tests/app/fuzz/text-seeds";
}

std::map<std::string, std::vector<uint8_t>> CommittedSeeds() {
  std::map<std::string, std::vector<uint8_t>> seeds;
  for (const auto& entry : std::filesystem::directory_iterator(SeedFolder())) {
    std::ifstream in(entry.path(), std::ios::binary);
    seeds[entry.path().filename().string()] =
        std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  return seeds;
}

class TextWorldFuzzReplay : public ::testing::Test {
 protected:
  TextWorldFuzzSetup setup;
};

TEST_F(TextWorldFuzzReplay, SeedsReachTheBlockReadersAndSave) {
  const auto seeds = CommittedSeeds();
  ASSERT_GE(seeds.size(), 2u);
  TextWorldReach total;
  for (const auto& [name, seed] : seeds) {
    const TextWorldReach reach = TextWorldFuzzRead(seed.data(), seed.size());
    EXPECT_TRUE(reach.read) << name;
    EXPECT_TRUE(reach.saved) << name;
    EXPECT_EQ(reach.broken, 0) << name;
    total.objects += reach.objects;
    total.tables += reach.tables;
    total.springs += reach.springs;
    total.historyRead = total.historyRead || reach.historyRead;
  }
  EXPECT_GE(total.tables, 2);
  EXPECT_GE(total.springs, 1);
  EXPECT_TRUE(total.historyRead);
}

TEST_F(TextWorldFuzzReplay, SeedsCutShortOrChangedKeepEveryPromise) {
  uint32_t random = 2718;
  auto next = [&random] { return random = random * 1103515245u + 12345u, random >> 8; };
  const std::string pieces[] = {" ", "-1", "\"", "/*", "9999999999", "1e308", "-", ";", ",",
                                std::string(300, '7'), std::string(300, 'x'), "0", "2,", "1,"};
  int read = 0, saved = 0, refused = 0;
  for (const auto& [name, seed] : CommittedSeeds()) {
    SCOPED_TRACE(name);
    for (size_t length = 0; length < seed.size(); length += 1 + length / 8)
      EXPECT_EQ(TextWorldFuzzRead(seed.data(), length).broken, 0) << length;
    for (int round = 0; round < 300; ++round) {
      std::string text(seed.begin(), seed.end());
      for (int k = 0; k < 1 + static_cast<int>(next() % 3); ++k) {
        const size_t at = 10 + next() % (text.size() - 10);
        switch (next() % 3) {
          case 0:
            text[at] = static_cast<char>(next());
            break;
          case 1:
            text.erase(at, 1 + next() % 4);
            break;
          default:
            text.insert(at, pieces[next() % std::size(pieces)]);
            break;
        }
      }
      const std::vector<uint8_t> bytes(text.begin(), text.end());
      const TextWorldReach reach = TextWorldFuzzRead(bytes.data(), bytes.size());
      EXPECT_EQ(reach.broken, 0) << round << ": " << text;
      read += reach.read ? 1 : 0;
      saved += reach.saved ? 1 : 0;
      refused += reach.read ? 0 : 1;
    }
  }
  // The mutations reach both ways: many texts still read and save, many are refused.
  EXPECT_GT(read, 30);
  EXPECT_GT(saved, 30);
  EXPECT_GT(refused, 30);
}

}  // namespace
