// Replays the committed fuzzing seeds, and generated mutations of them, through the fuzz check,
// so the compiler's and the machine's promises are checked under the sanitizers in every run,
// and checks that the inputs reach every outcome the check knows.

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

int BasicFuzzCheck(const uint8_t* data, size_t size, uint32_t& reached);

namespace {

int Feed(const std::string& text, uint32_t& reached) {
  return BasicFuzzCheck(reinterpret_cast<const uint8_t*>(text.data()), text.size(), reached);
}

std::vector<std::string> Seeds() {
  const char* root = std::getenv("YB_SOURCE_DIR");
  const std::filesystem::path folder =
      std::filesystem::path(root != nullptr ? root : ".") / "tests/basic/fuzz/seeds";
  std::vector<std::string> seeds;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    std::ifstream in(entry.path(), std::ios::binary);
    seeds.emplace_back(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  return seeds;
}

TEST(BasicFuzzReplay, SeedsAndTheirMutations) {
  const std::vector<std::string> seeds = Seeds();
  ASSERT_GE(seeds.size(), 10u);
  uint32_t reached = 0;
  uint32_t random = 2024;
  auto next = [&random] { return random = random * 1103515245u + 12345u, random >> 8; };
  const std::string alphabet = "()=.,:\"'+-*/\\^&<>\n _0123456789ExiDmNLFSub\t\xe9";
  for (const std::string& seed : seeds) {
    SCOPED_TRACE(seed.substr(0, 60));
    EXPECT_EQ(Feed(seed, reached), 0);
    for (int round = 0; round < 30; ++round) {
      std::string text = seed.empty() ? std::string("x") : seed;
      const size_t at = next() % text.size();
      switch (next() % 3) {
        case 0: text.erase(at, 1 + next() % 4); break;
        case 1: text.insert(at, 1, alphabet[next() % alphabet.size()]); break;
        default: text[at] = alphabet[next() % alphabet.size()]; break;
      }
      EXPECT_EQ(Feed(text, reached), 0) << text;
    }
    for (size_t length = 0; length <= seed.size(); length += 1 + seed.size() / 60)
      EXPECT_EQ(Feed(seed.substr(0, length), reached), 0);
  }
  // compiled, compile error, run-time error, stopped, ran to the end, changed code refused and
  // changed code accepted: the seeds reach every outcome.
  EXPECT_EQ(reached, 127u);
}

TEST(BasicFuzzReplay, PathologicalTexts) {
  uint32_t reached = 0;
  EXPECT_EQ(Feed("Sub Main()\nx = " + std::string(5000, '(') + "\nEnd Sub", reached), 0);
  EXPECT_EQ(Feed("Sub Main()\nx = " + std::string(3000, '-') + "1\nEnd Sub", reached), 0);
  EXPECT_EQ(Feed(std::string(2000, 'a') + "." + std::string(2000, 'b'), reached), 0);
  std::string nested = "Sub Main()\n";
  for (int i = 0; i < 400; ++i) nested += "If 1 Then\n";
  EXPECT_EQ(Feed(nested, reached), 0);
  EXPECT_EQ(Feed("Sub Main()\n s = \"x\"\n Do\n s = s & s\n Loop\nEnd Sub", reached), 0);
  EXPECT_EQ(Feed("Sub Main()\n ReDim a(100000000)\nEnd Sub", reached), 0);
  EXPECT_EQ(Feed(std::string("Sub Main()\0\nEnd Sub", 19), reached), 0);
}

}  // namespace
