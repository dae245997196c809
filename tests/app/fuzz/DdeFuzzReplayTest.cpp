// Replays the committed conversation seeds, and mutations of them, through the script service
// fuzz check, so that reading frames and gathering scripts keep their promises under the
// sanitizers in every test run; checks that the seeds reach whole scripts and refusals.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "tests/app/fuzz/DdeFuzzEntry.h"

namespace {

std::map<std::string, std::vector<uint8_t>> DdeSeeds() {
  const char* root = std::getenv("YB_SOURCE_DIR");
  const std::filesystem::path folder =
      std::filesystem::path(root != nullptr ? root : ".") / "tests/app/fuzz/dde-seeds";
  std::map<std::string, std::vector<uint8_t>> seeds;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    std::ifstream in(entry.path(), std::ios::binary);
    seeds[entry.path().filename().string()] =
        std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  return seeds;
}

TEST(DdeFuzzReplay, SeedsReachWholeScriptsAndRefusals) {
  const auto seeds = DdeSeeds();
  ASSERT_GE(seeds.size(), 2u);
  DdeFuzzReach total;
  for (const auto& [name, seed] : seeds) {
    const DdeFuzzReach reach = DdeFuzzRead(seed.data(), seed.size());
    EXPECT_EQ(reach.broken, 0) << name;
    EXPECT_FALSE(reach.bad) << name;
    total.executes += reach.executes;
    total.scripts += reach.scripts;
    total.refused += reach.refused;
  }
  EXPECT_GE(total.executes, 5);
  EXPECT_GE(total.scripts, 2);
  EXPECT_GE(total.refused, 1);
}

TEST(DdeFuzzReplay, SeedsCutShortOrChangedKeepEveryPromise) {
  int bad = 0;
  for (const auto& [name, seed] : DdeSeeds()) {
    for (size_t cut = 0; cut <= seed.size(); ++cut)
      EXPECT_EQ(DdeFuzzRead(seed.data(), cut).broken, 0) << name << " cut at " << cut;
    for (size_t at = 0; at < seed.size(); ++at) {
      std::vector<uint8_t> changed = seed;
      changed[at] ^= 0xA5;
      const DdeFuzzReach reach = DdeFuzzRead(changed.data(), changed.size());
      EXPECT_EQ(reach.broken, 0) << name << " changed at " << at;
      bad += reach.bad ? 1 : 0;
    }
  }
  EXPECT_GT(bad, 0);  // the changes reach the refusal of bad frames
}

}  // namespace
