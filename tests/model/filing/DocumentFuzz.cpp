// The document reader under arbitrary input, with the filing tests' own classes: every outcome
// must be a read or a format failure. The tests below replay the committed seeds and simple
// mutations of them, and check that the seeds really make objects and read their blocks, so the
// reader runs over damaged input in every test run. (The program's documents, with the program's
// own classes, are fuzzed by the libFuzzer entries of the application's tests.)

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

#include "core/Handle.h"
#include "tests/model/filing/TestClasses.h"

namespace filing_test {

// What the program sets up before it reads a document: the handle pool, then the class
// registry and the 'FACT' table. Torn down in the reverse order.
class DocumentFuzzSetup {
 public:
  DocumentFuzzSetup() {
    InitHandlePool();
    classes_ = std::make_unique<TestClassScope>();
  }
  ~DocumentFuzzSetup() {
    classes_.reset();
    FreeHandlePool();
  }
  DocumentFuzzSetup(const DocumentFuzzSetup&) = delete;
  DocumentFuzzSetup& operator=(const DocumentFuzzSetup&) = delete;

 private:
  std::unique_ptr<TestClassScope> classes_;
};

// How far one input got into the reader.
struct DocumentReach {
  int objects = 0;      // objects made and completed
  int things = 0;       // of them, program things
  int shapeBlocks = 0;  // blocks of the test shape's own codes read
  int references = 0;   // references resolved to an object
  DocumentReach& operator+=(const DocumentReach& other) {
    objects += other.objects;
    things += other.things;
    shapeBlocks += other.shapeBlocks;
    references += other.references;
    return *this;
  }
};

// Reads the bytes as a document and as a host-order stream (reals of 64 bits where the header
// does not say). Ends the process on any failure other than a damaged stream or a class that is
// not registered, and on a failed read that leaves a face name behind although nothing but its
// own objects read a block (the world keeps what it read, and so the faces it may name).
DocumentReach ReadDocumentForFuzzing(const uint8_t* data, size_t size) {
  DocumentReach reach;
  for (int16_t kind : {2, 1}) {
    TTestWorld world;
    world.SetIdentifier(1);
    const int16_t faces = FaceTableCount();
    try {
      auto reader = ReadObjects(std::span<const uint8_t>(data, size), kind, 1, &world, nullptr,
                                nullptr, nullptr);
      reader->Complete(0);
      for (auto& object : reader->TakeObjects()) {
        ++reach.objects;
        if (object->IsMemberClass(TThing::kClassID)) ++reach.things;
        if (auto* shape = dynamic_cast<TTestShape*>(object.get())) {
          reach.shapeBlocks += shape->blocksRead;
          if (shape->partner != nullptr) ++reach.references;
        }
        object->RemoveDependent(&world);
      }
    } catch (const QVException& failure) {
      // A damaged stream, or a block code whose 'FACT' class is not registered.
      const bool expected =
          failure.error() == kErrBadFormat || failure.error() == kErrOutOfMemory;
      if (!expected) std::fprintf(stderr, "unexpected failure %d\n", failure.error());
      const bool facesLeft = world.blocksTaken == 0 && FaceTableCount() != faces;
      if (facesLeft) std::fprintf(stderr, "a failed read kept its faces\n");
      if (!expected || facesLeft) std::abort();
    }
  }
  return reach;
}

}  // namespace filing_test

namespace filing_test {
namespace {

std::filesystem::path CorpusFolder() {
  const char* top = std::getenv("YB_SOURCE_DIR");
  return std::filesystem::path(top != nullptr ? top : ".") / "tests/model/filing/corpus";
}

std::vector<uint8_t> ReadWhole(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::map<std::string, std::vector<uint8_t>> CommittedSeeds() {
  std::map<std::string, std::vector<uint8_t>> seeds;
  for (const auto& entry : std::filesystem::directory_iterator(CorpusFolder()))
    seeds[entry.path().filename().string()] = ReadWhole(entry.path());
  return seeds;
}

TEST(DocumentFuzzTest, EverySeedMakesObjectsAndReadsTheirBlocks) {
  const auto seeds = CommittedSeeds();
  ASSERT_GE(seeds.size(), 4u);
  const DocumentFuzzSetup setup;
  DocumentReach total;
  for (const auto& [name, seed] : seeds) {
    const DocumentReach reach = ReadDocumentForFuzzing(seed.data(), seed.size());
    EXPECT_GE(reach.objects, 2) << name;
    EXPECT_GE(reach.shapeBlocks, 2) << name;
    total += reach;
  }
  // Between them the seeds hold objects of every class the readers can make, and references
  // that resolve.
  EXPECT_GT(total.things, 0);
  EXPECT_GT(total.references, 0);
}

TEST(DocumentFuzzTest, SeedsAndTheirMutationsReadOrFailCleanly) {
  const auto seeds = CommittedSeeds();
  const DocumentFuzzSetup setup;
  DocumentReach mutated;
  for (const auto& [name, seed] : seeds) {
    for (size_t n = 0; n < seed.size(); ++n) {
      ReadDocumentForFuzzing(seed.data(), n);
      for (uint8_t value : {0x00, 0x7F, 0x80, 0xFF}) {
        auto changed = seed;
        changed[n] = value;
        mutated += ReadDocumentForFuzzing(changed.data(), changed.size());
      }
    }
  }
  // Most single-byte changes still leave objects to read.
  EXPECT_GT(mutated.objects, 0);
  EXPECT_GT(mutated.shapeBlocks, 0);
}

// The seed documents as the writer makes them today, by file name.
std::map<std::string, std::vector<uint8_t>> WriteSeeds() {
  TTestWorld world;
  world.SetIdentifier(1);
  world.setting = 5;
  // Initialized as the program makes them, the objects carry the default text style, which is
  // written the same however many faces the process has looked up before.
  TTestShape a, b;
  TThing thing;
  a.Initialize();
  b.Initialize();
  thing.Initialize();
  a.SetIdentifier(3);
  a.value = 1.5;
  a.SetName("A\xB0");
  a.note = "odd";
  b.SetIdentifier(4);
  b.partner = &a;
  thing.SetIdentifier(5);
  thing.SetName("T");
  thing.SetColourProperty(MakeTag("colr"), RGB16Color{0x1234, 0x5678, 0x9ABC});
  std::vector<TLink*> list{&a, &b, &thing};
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

// The committed seeds are exactly what the writer writes, so a change to the written bytes shows
// here and the fuzzing starts from documents of today's layout. To write them again:
// YB_WRITE_SEEDS=1 model_tests --gtest_filter='*CommittedSeeds*'
TEST(DocumentFuzzTest, CommittedSeedsAreWhatTheWriterWrites) {
  std::map<std::string, std::vector<uint8_t>> seeds;
  {
    const DocumentFuzzSetup setup;
    seeds = WriteSeeds();
  }
  const auto folder = CorpusFolder();
  if (std::getenv("YB_WRITE_SEEDS") != nullptr) {
    std::filesystem::create_directories(folder);
    for (const auto& [name, bytes] : seeds) {
      std::ofstream(folder / name, std::ios::binary)
          .write(reinterpret_cast<const char*>(bytes.data()),
                 static_cast<std::streamsize>(bytes.size()));
    }
  }
  const auto committed = CommittedSeeds();
  for (const auto& [name, bytes] : committed)
    EXPECT_TRUE(seeds.contains(name)) << name << " is not written by the seed writer";
  EXPECT_EQ(committed.size(), seeds.size());
  for (const auto& [name, bytes] : seeds) {
    EXPECT_FALSE(bytes.empty()) << name;
    EXPECT_EQ(ReadWhole(folder / name), bytes) << name;
  }
}

}  // namespace
}  // namespace filing_test
