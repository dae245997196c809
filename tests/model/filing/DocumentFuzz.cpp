// The document reader under arbitrary input: every outcome must be a read or a format failure.
// Built as a libFuzzer entry; the test below replays the committed seeds and simple mutations of
// them, so the reader runs over damaged input in every test run.

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/model/filing/TestClasses.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace filing_test;
  // Run alone, the entry sets its classes up once and keeps them until the process ends.
  static std::unique_ptr<TestClassScope> classes;
  if (!IsClassRegistryFrozen()) classes = std::make_unique<TestClassScope>();
  TTestWorld world;
  world.SetIdentifier(1);
  for (int16_t kind : {2, 1}) {
    try {
      auto reader = ReadObjects(std::span<const uint8_t>(data, size), kind, 2, &world, nullptr,
                                nullptr, nullptr);
      reader->Complete(0);
      auto objects = reader->TakeObjects();
      for (auto& object : objects)
        object->RemoveDependent(&world);
    } catch (const QVException& failure) {
      // A damaged stream, or a block code whose 'FACT' class is not registered.
      if (failure.error() == kErrBadFormat || failure.error() == kErrOutOfMemory) continue;
      std::fprintf(stderr, "unexpected failure %d\n", failure.error());
      std::abort();
    }
  }
  return 0;
}

namespace filing_test {
namespace {

std::filesystem::path CorpusFolder() {
  const char* top = std::getenv("YB_SOURCE_DIR");
  return std::filesystem::path(top != nullptr ? top : ".") / "tests/model/filing/corpus";
}

std::vector<std::vector<uint8_t>> Seeds() {
  std::vector<std::vector<uint8_t>> seeds;
  for (const auto& entry : std::filesystem::directory_iterator(CorpusFolder())) {
    std::ifstream in(entry.path(), std::ios::binary);
    seeds.emplace_back(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  return seeds;
}

TEST(DocumentFuzzTest, SeedsAndTheirMutationsReadOrFailCleanly) {
  const auto seeds = Seeds();
  ASSERT_GE(seeds.size(), 3u);
  TestClassScope classes;
  for (const auto& seed : seeds) {
    LLVMFuzzerTestOneInput(seed.data(), seed.size());
    for (size_t n = 0; n < seed.size(); ++n) {
      LLVMFuzzerTestOneInput(seed.data(), n);
      for (uint8_t value : {0x00, 0x7F, 0x80, 0xFF}) {
        auto mutated = seed;
        mutated[n] = value;
        LLVMFuzzerTestOneInput(mutated.data(), mutated.size());
      }
    }
  }
}

// The seed documents as the writer makes them today, by file name.
std::map<std::string, std::vector<uint8_t>> WriteSeeds() {
  TTestWorld world;
  world.SetIdentifier(1);
  world.setting = 5;
  // Initialized as the program makes them, the shapes carry the default text style, which is
  // written the same however many faces the process has looked up before.
  TTestShape a, b;
  a.Initialize();
  b.Initialize();
  a.SetIdentifier(3);
  a.value = 1.5;
  a.SetName("A\xB0");
  a.note = "odd";
  b.SetIdentifier(4);
  b.partner = &a;
  std::vector<TLink*> list{&a, &b};
  std::map<std::string, std::vector<uint8_t>> seeds;
  auto save = [&](const char* name, uint16_t flag, int16_t kind, TLink* object) {
    auto writer = WriteObjectsDefault(&list, flag, object, kind, nullptr);
    seeds[name] = TakeBytes(*writer);
  };
  save("document.zoda", 1, 2, &world);
  save("host-order.zoda", 1, 1, &world);
  save("native.zoda", 0, 1, &world);
  // Formula items of every form: a constant, a text, a record, and the recorded-formula list.
  TFormulaRecord record;
  record.name = "parts";
  record.elements = {{0.5, 1}, {2.0, 2}};
  b.quantities.push_back(std::make_unique<TFormula>(4.0));
  b.quantities.push_back(std::make_unique<TFormula>());
  b.quantities.back()->SetFromPieces("Input[1] * 2");
  b.quantities.push_back(std::make_unique<TFormula>());
  b.quantities.back()->SetFromPieces("time", &record);
  b.recorded.emplace_back();
  b.recorded.back().SetFromPieces("A.charge");
  save("formulas.zoda", 1, 2, &world);
  return seeds;
}

std::vector<uint8_t> ReadWhole(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The committed seeds are exactly what the writer writes, so a change to the written bytes shows
// here and the fuzzing starts from documents of today's layout. To write them again:
// YB_WRITE_SEEDS=1 model_tests --gtest_filter='*CommittedSeeds*'
TEST(DocumentFuzzTest, CommittedSeedsAreWhatTheWriterWrites) {
  InitHandlePool();
  std::map<std::string, std::vector<uint8_t>> seeds;
  {
    TestClassScope classes;
    seeds = WriteSeeds();
  }
  FreeHandlePool();
  const auto folder = CorpusFolder();
  if (std::getenv("YB_WRITE_SEEDS") != nullptr) {
    std::filesystem::create_directories(folder);
    for (const auto& [name, bytes] : seeds) {
      std::ofstream(folder / name, std::ios::binary)
          .write(reinterpret_cast<const char*>(bytes.data()),
                 static_cast<std::streamsize>(bytes.size()));
    }
  }
  size_t committed = 0;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    ++committed;
    EXPECT_TRUE(seeds.contains(entry.path().filename().string()))
        << entry.path() << " is not written by the seed writer";
  }
  EXPECT_EQ(committed, seeds.size());
  for (const auto& [name, bytes] : seeds) {
    EXPECT_FALSE(bytes.empty()) << name;
    EXPECT_EQ(ReadWhole(folder / name), bytes) << name;
  }
}

}  // namespace
}  // namespace filing_test
