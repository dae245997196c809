// Replays the committed DXF seeds, every cut of them and changes to them through the import's
// fuzz entry, so that the import keeps its promises under the sanitizers in every test run; checks
// that every seed reaches the entity readers (objects are written, not only refused).

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "core/Handle.h"
#include "tests/exchange/fuzz/DXFImportFuzzEntry.h"

namespace {

using Seeds = std::map<std::string, std::vector<uint8_t>>;

std::filesystem::path SeedFolder() {
  const char* root = std::getenv("YB_SOURCE_DIR");
  return std::filesystem::path(root != nullptr ? root : "../..") / "tests/exchange/fuzz/seeds";
}

std::string Section(const std::string& name, const std::string& groups) {
  return "0\r\nSECTION\r\n2\r\n" + name + "\r\n" + groups + "0\r\nENDSEC\r\n";
}

// The seeds, by file name: each kind of entity the import reads, and blocks placed by inserts.
std::map<std::string, std::string> SeedDrawings() {
  const std::string eof = "0\r\nEOF\r\n";
  return {
      {"lines.dxf", Section("ENTITIES",
                            "0\r\nLINE\r\n8\r\n0\r\n10\r\n0\r\n20\r\n0\r\n11\r\n4\r\n21\r\n3\r\n"
                            "0\r\nLINE\r\n10\r\n1\r\n20\r\n1\r\n11\r\n1\r\n21\r\n1\r\n") + eof},
      {"arcs-and-circles.dxf",
       Section("ENTITIES",
               "0\r\nARC\r\n10\r\n1\r\n20\r\n2\r\n40\r\n3\r\n50\r\n10\r\n51\r\n100\r\n"
               "0\r\nCIRCLE\r\n10\r\n-1\r\n20\r\n2\r\n40\r\n0.5\r\n"
               "0\r\nPOINT\r\n10\r\n7\r\n20\r\n8\r\n30\r\n0\r\n") + eof},
      {"polylines.dxf",
       Section("ENTITIES",
               "0\r\nPOLYLINE\r\n66\r\n1\r\n70\r\n1\r\n0\r\nVERTEX\r\n10\r\n0\r\n20\r\n0\r\n"
               "42\r\n0.4\r\n0\r\nVERTEX\r\n10\r\n3\r\n20\r\n0\r\n0\r\nVERTEX\r\n10\r\n3\r\n"
               "20\r\n2\r\n42\r\n-1\r\n0\r\nVERTEX\r\n10\r\n0\r\n20\r\n2\r\n0\r\nSEQEND\r\n"
               "0\r\nPOLYLINE\r\n70\r\n0\r\n0\r\nVERTEX\r\n10\r\n5\r\n20\r\n5\r\n70\r\n16\r\n"
               "0\r\nVERTEX\r\n10\r\n6\r\n20\r\n5\r\n0\r\nVERTEX\r\n10\r\n7\r\n20\r\n6\r\n"
               "0\r\nSEQEND\r\n") + eof},
      {"blocks.dxf",
       Section("HEADER", "9\r\n$ACADVER\r\n1\r\nAC1009\r\n") +
           Section("BLOCKS",
                   "0\r\nBLOCK\r\n2\r\nPEG\r\n70\r\n0\r\n10\r\n1\r\n20\r\n0\r\n"
                   "0\r\nCIRCLE\r\n10\r\n1\r\n20\r\n0\r\n40\r\n0.5\r\n0\r\nENDBLK\r\n"
                   "0\r\nBLOCK\r\n2\r\nTWO\r\n0\r\nINSERT\r\n2\r\nPEG\r\n10\r\n0\r\n20\r\n0\r\n"
                   "0\r\nINSERT\r\n2\r\nPEG\r\n10\r\n1\r\n20\r\n0\r\n0\r\nENDBLK\r\n") +
           Section("ENTITIES",
                   "0\r\nINSERT\r\n2\r\nPEG\r\n10\r\n5\r\n20\r\n5\r\n41\r\n2\r\n42\r\n2\r\n"
                   "50\r\n30\r\n0\r\nINSERT\r\n2\r\nTWO\r\n10\r\n0\r\n20\r\n0\r\n") + eof},
  };
}

Seeds SeedsIn(const std::filesystem::path& folder) {
  Seeds seeds;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    std::ifstream in(entry.path(), std::ios::binary);
    seeds[entry.path().filename().string()] =
        std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  return seeds;
}

class DXFImportFuzzReplay : public ::testing::Test {
 protected:
  void SetUp() override { InitHandlePool(); }
  void TearDown() override { FreeHandlePool(); }
};

// The committed seeds are the drawings above. To write them again:
// YB_WRITE_SEEDS=1 exchange_tests --gtest_filter='DXFImportFuzzReplay.CommittedSeeds*'
TEST_F(DXFImportFuzzReplay, CommittedSeedsAreTheDrawingsAndEachReachesTheEntityReaders) {
  const auto drawings = SeedDrawings();
  if (std::getenv("YB_WRITE_SEEDS") != nullptr) {
    std::filesystem::create_directories(SeedFolder());
    for (const auto& [name, text] : drawings)
      std::ofstream(SeedFolder() / name, std::ios::binary) << text;
  }
  const Seeds seeds = SeedsIn(SeedFolder());
  ASSERT_EQ(seeds.size(), drawings.size());
  for (const auto& [name, bytes] : seeds) {
    ASSERT_TRUE(drawings.contains(name)) << name;
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), drawings.at(name)) << name;
    EXPECT_GE(ImportDrawingForFuzzing(bytes.data(), bytes.size()), 2) << name;
  }
}

TEST_F(DXFImportFuzzReplay, EveryCutAndChangeOfASeedKeepsThePromises) {
  uint32_t random = 1234;
  const auto next = [&random] { return random = random * 1103515245u + 12345u, random >> 8; };
  int reached = 0;
  int refused = 0;
  for (const auto& [name, seed] : SeedsIn(SeedFolder())) {
    SCOPED_TRACE(name);
    for (size_t length = 0; length < seed.size(); ++length)
      ImportDrawingForFuzzing(seed.data(), length);
    for (int round = 0; round < 200; ++round) {
      std::vector<uint8_t> bytes = seed;
      for (int k = 0; k < 1 + static_cast<int>(next() % 4); ++k) {
        const size_t at = next() % bytes.size();
        switch (next() % 4) {
          case 0: bytes[at] = static_cast<uint8_t>(next()); break;
          case 1: bytes[at] = static_cast<uint8_t>("0123456789-.\r\n"[next() % 14]); break;
          case 2: bytes.erase(bytes.begin() + static_cast<long>(at)); break;
          default: bytes.insert(bytes.begin() + static_cast<long>(at), bytes[next() % bytes.size()]);
        }
      }
      (ImportDrawingForFuzzing(bytes.data(), bytes.size()) > 0 ? reached : refused) += 1;
    }
  }
  // The changes reach past the section search: many still make objects, some are refused.
  EXPECT_GT(reached, 200);
  EXPECT_GT(refused, 20);
}

}  // namespace
