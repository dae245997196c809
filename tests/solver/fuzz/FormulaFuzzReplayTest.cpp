// Replays the committed fuzzing seeds, and generated mutations of them, through the fuzz check,
// so the compiler's promises are checked under the sanitizers in every test run.

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "tests/solver/fuzz/FormulaFuzzEntry.h"

namespace {

int Feed(const std::string& text, FormulaFuzzReach* reach = nullptr) {
  return FormulaFuzzCheck(reinterpret_cast<const uint8_t*>(text.data()), text.size(), reach);
}

std::vector<std::string> Seeds() {
  const char* root = std::getenv("YB_SOURCE_DIR");
  const std::filesystem::path folder =
      std::filesystem::path(root != nullptr ? root : ".") / "tests/solver/fuzz/seeds";
  std::vector<std::string> seeds;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    std::ifstream in(entry.path(), std::ios::binary);
    seeds.emplace_back(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  return seeds;
}

TEST(FormulaFuzzReplay, SeedsAndTheirMutations) {
  const std::vector<std::string> seeds = Seeds();
  ASSERT_GE(seeds.size(), 10u);
  uint32_t random = 12345;
  auto next = [&random] { return random = random * 1103515245u + 12345u, random >> 8; };
  const std::string alphabet = "()[]|.,+-*/^<>=!0123456789eE abxyzpvr\t\xff";
  FormulaFuzzReach reach;
  for (const std::string& seed : seeds) {
    EXPECT_EQ(Feed(seed, &reach), 0);
    for (int round = 0; round < 40; ++round) {
      std::string text = seed;
      if (text.empty()) text.push_back('0');
      const size_t at = next() % text.size();
      switch (next() % 3) {
        case 0:
          text.erase(at, 1 + next() % 3);
          break;
        case 1:
          text.insert(at, 1, alphabet[next() % alphabet.size()]);
          break;
        default:
          text[at] = alphabet[next() % alphabet.size()];
          break;
      }
      EXPECT_EQ(Feed(text), 0);
    }
    // Truncated at every length.
    for (size_t length = 0; length <= seed.size(); ++length) {
      EXPECT_EQ(Feed(seed.substr(0, length)), 0);
    }
  }
  // The seeds reach the evaluator, both to values and to faults, not only the compiler's
  // refusals.
  EXPECT_GE(reach.compiled, static_cast<int>(seeds.size()) / 2);
  EXPECT_GE(reach.evaluated, static_cast<int>(seeds.size()) / 3);
  EXPECT_GT(reach.faulted, 0);
}

TEST(FormulaFuzzReplay, PathologicalTexts) {
  EXPECT_EQ(Feed(std::string(5000, '(')), 0);
  EXPECT_EQ(Feed(std::string(300, '-') + "1"), 0);
  std::string sum = "1";
  for (int i = 0; i < 1500; ++i)
    sum += "+1";
  EXPECT_EQ(Feed(sum), 0);
  EXPECT_EQ(Feed(std::string("1\0+2", 4)), 0);
}

}  // namespace
