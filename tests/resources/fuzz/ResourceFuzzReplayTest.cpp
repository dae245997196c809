// Replays the committed seeds of the resource readers and of the resource compiler, and
// mutations of them, through the fuzz entries, so that the readers keep their promises under the
// sanitizers in every test run; checks that every seed reaches its reader (items are read, not
// only refused), and that the reader seeds are what the program's libraries hold today.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "core/Handle.h"
#include "core/Tag.h"
#include "platform/win32/Resource.h"
#include "resources/compiler/ScriptCompiler.h"
#include "tests/platform/win32/IconTestSupport.h"
#include "tests/resources/fuzz/ResourceFuzzEntry.h"

// The program's compiled libraries (written by the resource compiler at build time).
const ResourceModuleTable* CompiledResourceLibraries(uint32_t& count);

namespace {

using Seeds = std::map<std::string, std::vector<uint8_t>>;

std::filesystem::path SourceFolder() {
  const char* root = std::getenv("YB_SOURCE_DIR");
  return std::filesystem::path(root != nullptr ? root : "../..");
}

std::filesystem::path SeedFolder(const char* kind) {
  return SourceFolder() / "tests/resources/fuzz/seeds" / kind;
}

std::vector<uint8_t> ReadWhole(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The regular files of a folder whose names end in `extension` (all of them when it is empty);
// the resource folders also hold art sources and icon files that are not scripts.
Seeds SeedsIn(const std::filesystem::path& folder, const std::string& extension = {}) {
  Seeds seeds;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    if (!entry.is_regular_file()) continue;
    if (!extension.empty() && entry.path().extension() != extension) continue;
    seeds[entry.path().filename().string()] = ReadWhole(entry.path());
  }
  return seeds;
}

class HandlePool : public ::testing::Test {
 protected:
  void SetUp() override { InitHandlePool(); }
  void TearDown() override { FreeHandlePool(); }
};

// ---- Readers ----

std::vector<uint8_t> Selected(ResourceReader reader, const uint8_t* data, size_t size) {
  std::vector<uint8_t> seed(size + 1, static_cast<uint8_t>(reader));
  std::copy(data, data + size, seed.begin() + 1);
  return seed;
}

// The reader seeds: resources of the program's libraries (the first two of each kind a reader
// takes), a menu as the resource compiler writes it, and icon images.
Seeds WriteReaderSeeds() {
  Seeds seeds;
  uint32_t count = 0;
  const ResourceModuleTable* tables = CompiledResourceLibraries(count);
  struct Kind {
    const char* typeName;
    uint16_t typeId;
    ResourceReader reader;
    const char* label;
  };
  const Kind kinds[] = {{nullptr, 6, ResourceReader::kStrings, "strings"},
                        {"STRD", 0, ResourceReader::kIndexedStrings, "strd"},
                        {"HIER", 0, ResourceReader::kHierarchy, "hier"},
                        {"errs", 0, ResourceReader::kErrorTable, "errs"},
                        {nullptr, 2, ResourceReader::kBitmap, "bitmap"}};
  for (const Kind& kind : kinds) {
    int taken = 0;
    for (uint32_t m = 0; m < count && taken < 2; ++m) {
      for (uint32_t i = 0; i < tables[m].count && taken < 2; ++i) {
        const ResourceEntry& entry = tables[m].entries[i];
        const bool sameType = kind.typeName != nullptr
                                  ? entry.typeName != nullptr &&
                                        std::string(entry.typeName) == kind.typeName
                                  : entry.typeName == nullptr && entry.typeId == kind.typeId;
        if (!sameType || entry.name != nullptr) continue;
        const std::string name = std::string(kind.label) + "-" + tables[m].fileName + "-" +
                                 std::to_string(entry.nameId) + ".bin";
        seeds[name] = Selected(kind.reader, entry.data, entry.size);
        ++taken;
      }
    }
  }
  rc::CompiledModule menus;
  rc::CompileScript(
      "1 MENU BEGIN POPUP \"&File\" BEGIN MENUITEM \"&Open...\\tCtrl+O\", 100\n"
      "MENUITEM SEPARATOR\nMENUITEM \"E&xit\", 101, GRAYED END\n"
      "POPUP \"&Run\" BEGIN MENUITEM \"&Go\", 200, CHECKED\nPOPUP \"Speed\" BEGIN\n"
      "MENUITEM \"Slow\", 210\nMENUITEM \"Fast\", 211, MENUBREAK END END\n"
      "MENUITEM \"&Help\", 300, HELP END\n",
      "menus.rc", menus);
  const std::vector<uint8_t>& menu = menus.resources.at(0).bytes;
  seeds["menu-compiled.bin"] = Selected(ResourceReader::kMenu, menu.data(), menu.size());
  using namespace icontest;
  const auto colour = [](int32_t x, int32_t y) { return static_cast<uint32_t>(x * 0x10203 + y); };
  const auto clear = [](int32_t x, int32_t y) { return (x + y) % 5 == 0; };
  const std::vector<uint8_t> paletted = IconDib(16, 16, 4, [](int32_t x, int32_t) {
    return x < 8 ? 0xFF0000u : 0x0000FFu;
  }, clear);
  const std::vector<uint8_t> alpha = IconDib(8, 8, 32, colour, clear, true);
  seeds["icon-4bit.bin"] = Selected(ResourceReader::kIcon, paletted.data(), paletted.size());
  seeds["icon-32bit-alpha.bin"] = Selected(ResourceReader::kIcon, alpha.data(), alpha.size());
  return seeds;
}

using ResourceFuzzReplay = HandlePool;

TEST_F(ResourceFuzzReplay, EveryReaderSeedReachesItsReader) {
  const Seeds seeds = SeedsIn(SeedFolder("readers"));
  std::set<int> readers;
  for (const auto& [name, seed] : seeds) {
    ASSERT_FALSE(seed.empty()) << name;
    EXPECT_GT(ReadSelectedResourceForFuzzing(seed.data(), seed.size()), 0) << name;
    readers.insert(seed[0]);
  }
  EXPECT_EQ(readers.size(), static_cast<size_t>(ResourceReader::kCount));
}

TEST_F(ResourceFuzzReplay, ReaderSeedsCutAndChangedKeepTheReadersPromises) {
  int itemsAfterChanges = 0;
  for (const auto& [name, seed] : SeedsIn(SeedFolder("readers"))) {
    // Every byte of a small seed; an even spread of about 200 of a larger one.
    const size_t step = std::max<size_t>(1, seed.size() / 200);
    for (size_t n = 1; n < seed.size(); n += step) {
      ReadSelectedResourceForFuzzing(seed.data(), n);
      for (uint8_t value : {0x00, 0x7F, 0x80, 0xFF}) {
        std::vector<uint8_t> changed = seed;
        changed[n] = value;
        itemsAfterChanges += ReadSelectedResourceForFuzzing(changed.data(), changed.size());
      }
    }
  }
  EXPECT_GT(itemsAfterChanges, 0);
}

// The committed seeds made by the program's writers are what they make today; the seeds taken
// from the libraries may age as the libraries grow (the replay shows they still reach their
// readers). To write them all again:
// YB_WRITE_SEEDS=1 resources_tests --gtest_filter='*CommittedReaderSeeds*'
TEST_F(ResourceFuzzReplay, CommittedReaderSeedsAreWhatTheProgramHolds) {
  const Seeds written = WriteReaderSeeds();
  const std::filesystem::path folder = SeedFolder("readers");
  if (std::getenv("YB_WRITE_SEEDS") != nullptr) {
    std::filesystem::create_directories(folder);
    for (const auto& [name, bytes] : written) {
      std::ofstream(folder / name, std::ios::binary)
          .write(reinterpret_cast<const char*>(bytes.data()),
                 static_cast<std::streamsize>(bytes.size()));
    }
  }
  const Seeds committed = SeedsIn(folder);
  for (const char* name : {"menu-compiled.bin", "icon-4bit.bin", "icon-32bit-alpha.bin"}) {
    ASSERT_TRUE(committed.contains(name)) << name;
    EXPECT_EQ(committed.at(name), written.at(name)) << name;
  }
}

// ---- The compiler ----

// The committed script seeds and the program's own scripts.
Seeds ScriptSeeds() {
  Seeds seeds = SeedsIn(SeedFolder("scripts"));
  for (const char* library : {"main", "second", "errors"}) {
    for (const auto& [name, text] : SeedsIn(SourceFolder() / "resources" / library, ".rc"))
      seeds[std::string(library) + "/" + name] = text;
  }
  return seeds;
}

TEST(ScriptFuzzReplay, EveryScriptSeedCompiles) {
  const Seeds seeds = ScriptSeeds();
  ASSERT_GE(seeds.size(), 10u);
  for (const auto& [name, text] : seeds) {
    // A library's script includes its icon files by paths relative to its own folder.
    const std::filesystem::path path = SourceFolder() / "resources" / name;
    const bool library = std::filesystem::is_regular_file(path);
    EXPECT_GT(CompileScriptForFuzzing(text.data(), text.size(), library ? path.string() : "fuzz.rc"), 0)
        << name;
  }
}

TEST(ScriptFuzzReplay, ScriptSeedsCutAndChangedAreCompiledOrRefusedWithTheirLine) {
  int refused = 0;
  int compiled = 0;
  constexpr char kAlphabet[] = "\"\\,{}|#/*\n 0-9.eAZ_\x00\xff";
  const std::string alphabet(kAlphabet, sizeof kAlphabet - 1);
  uint32_t random = 2024;
  auto next = [&random] { return random = random * 1103515245u + 12345u, random >> 8; };
  for (const auto& [name, seed] : SeedsIn(SeedFolder("scripts"))) {
    for (size_t n = 0; n < seed.size(); n += 3)
      (CompileScriptForFuzzing(seed.data(), n) < 0 ? refused : compiled) += 1;
    for (int round = 0; round < 200; ++round) {
      std::vector<uint8_t> changed = seed;
      changed[next() % changed.size()] = static_cast<uint8_t>(alphabet[next() % alphabet.size()]);
      (CompileScriptForFuzzing(changed.data(), changed.size()) < 0 ? refused : compiled) += 1;
    }
  }
  EXPECT_GT(refused, 0);
  EXPECT_GT(compiled, 0);
}

}  // namespace
