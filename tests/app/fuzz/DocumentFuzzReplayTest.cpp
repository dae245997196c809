// Replays the committed document seeds, cuts of them and changes to them through the
// program's document fuzz checks, so that opening and saving documents keep their promises under
// the sanitizers in every test run; checks that the seeds hold an object of every class of a
// world and are what the program writes today, and that documents the reader once took whole
// keep what they hold when saved twice.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "bodies/Body.h"
#include "bodies/points/Point.h"
#include "constraints/Constraint.h"
#include "core/ClassRegistry.h"
#include "core/port/PortText.h"
#include "model/Thing.h"
#include "model/filing/DocumentFormat.h"
#include "model/world/QVDoc.h"
#include "tests/app/ProgramDocuments.h"
#include "tools/samples/SampleWorlds.h"
#include "tests/app/fuzz/DocumentFuzzEntry.h"

namespace {

using Documents = std::map<std::string, std::vector<uint8_t>>;

std::filesystem::path SourceFolder(const char* relative) {
  const char* root = std::getenv("YB_SOURCE_DIR");
  return std::filesystem::path(root != nullptr ? root : "../..") / relative;
}

std::filesystem::path SeedFolder() {
  return SourceFolder("tests/app/fuzz/document-seeds");
}

Documents DocumentsIn(const std::filesystem::path& folder) {
  Documents documents;
  for (const auto& entry : std::filesystem::directory_iterator(folder))
    documents[entry.path().filename().string()] =
        program_documents::ReadBytes(entry.path());
  return documents;
}

// The document a new world of the builder is saved as.
std::vector<uint8_t> Saved(const std::function<void(TWorldDoc&)>& build) {
  TQVDoc document;
  build(document.World());
  return SaveDocumentBytes(document);
}

// The seeds as the program writes them today, by file name: one document per class of a world,
// a world of every class and the bundled sample.
Documents WriteSeeds() {
  Documents seeds;
  for (const std::string& name : program_documents::WorldClassNames()) {
    seeds[name + ".yb"] = Saved(
        [&name](TWorldDoc& world) { program_documents::BuildOneClassWorld(world, name); });
  }
  seeds["every-class.yb"] = Saved(program_documents::BuildEveryClassWorld);
  std::unique_ptr<TQVDoc> sample = sample_worlds::MakeSpringAndPin();
  seeds[sample_worlds::kSpringAndPinFile] = SaveDocumentBytes(*sample);
  return seeds;
}

class DocumentFuzzReplay : public ::testing::Test {
 protected:
  ProgramFuzzSetup program_;
};

// The committed seeds are exactly what the program writes, so the fuzzing starts from documents
// of today's layout. To write them again:
// YB_WRITE_SEEDS=1 app_tests --gtest_filter='DocumentFuzzReplay.CommittedSeeds*'
TEST_F(DocumentFuzzReplay, CommittedSeedsAreWhatTheProgramWritesToday) {
  const Documents seeds = WriteSeeds();
  const std::filesystem::path folder = SeedFolder();
  if (std::getenv("YB_WRITE_SEEDS") != nullptr) {
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    for (const auto& [name, bytes] : seeds) {
      std::ofstream(folder / name, std::ios::binary)
          .write(reinterpret_cast<const char*>(bytes.data()),
                 static_cast<std::streamsize>(bytes.size()));
    }
  }
  const Documents committed = DocumentsIn(folder);
  for (const auto& [name, bytes] : committed)
    EXPECT_TRUE(seeds.contains(name)) << name << " is not written by the seed writer";
  EXPECT_EQ(committed.size(), seeds.size());
  for (const auto& [name, bytes] : seeds)
    EXPECT_EQ(program_documents::ReadBytes(folder / name), bytes) << name;
}

TEST_F(DocumentFuzzReplay, SeedsOpenWithAnObjectOfEveryClassAndSaveTwiceAlike) {
  const Documents seeds = DocumentsIn(SeedFolder());
  ASSERT_GE(seeds.size(), program_documents::WorldClassNames().size());
  std::set<int16_t> classes;
  for (const auto& [name, seed] : seeds) {
    SCOPED_TRACE(name);
    const DocumentFuzzReach opened = FuzzOpenDocument(seed.data(), seed.size());
    EXPECT_TRUE(opened.accepted);
    const std::string className = std::filesystem::path(name).stem().string();
    if (!program_documents::IsDefaultObjectClass(className)) {
      EXPECT_GE(opened.objects, 1);
    }
    EXPECT_EQ(opened.broken, std::vector<std::string>());
    classes.insert(opened.classes.begin(), opened.classes.end());
    const DocumentFuzzReach twice = FuzzRoundTripDocument(seed.data(), seed.size());
    EXPECT_TRUE(twice.savedTwice);
    EXPECT_EQ(twice.broken, std::vector<std::string>());
  }
  std::set<int16_t> expected;
  for (const std::string& name : program_documents::WorldClassNames()) {
    for (int32_t i = 0; i < ClassRegistryCount(); ++i) {
      if (ClassInfoAt(i).name != name) continue;
      // Objects answer their own class, which the registry may file under a base's number.
      TObject* made = CreateObjectByTag(ClassInfoAt(i).tag);
      expected.insert(made != nullptr ? made->GetClassID() : ClassInfoAt(i).classId);
      if (made != nullptr) made->Free();
    }
  }
  EXPECT_TRUE(std::includes(classes.begin(), classes.end(), expected.begin(), expected.end()));
}

// Where a document's records start: each object (its identifier) and the end mark after the
// last, and each block of an object and the code that ends it. The walk follows the layout the
// program writes: the signature and eight counted strings, each padded to an even length; then
// the objects, each an identifier, class tags up to a blank one, and blocks of a code and a
// length; last the end mark.
struct RecordStarts {
  std::vector<size_t> objects, blocks;
};

RecordStarts RecordStartsOf(const std::vector<uint8_t>& document) {
  const size_t size = document.size();
  const auto word = [&](size_t at) {
    return at + 4 <= size ? static_cast<int32_t>(LoadBig32(&document[at])) : kCodeBoundary;
  };
  size_t at = sizeof kStreamSignature;
  for (int i = 0; i < 8 && at + 2 <= size; ++i) {
    at += 2 + LoadBig16(&document[at]);
    at += at % 2;
  }
  RecordStarts starts;
  while (at + 4 <= size) {
    starts.objects.push_back(at);
    if (word(at) == kCodeBoundary) break;
    for (at += 4; at + 4 <= size && std::memcmp(&document[at], kBlankTag, 4) != 0; at += 4) {
    }
    at += 4;
    for (int32_t code = 0; code != kCodeBoundary && at + 4 <= size;) {
      starts.blocks.push_back(at);
      code = word(at);
      at += 4;
      if (code != kCodeBoundary) at += 4 + static_cast<size_t>(std::max(word(at), 0));
    }
  }
  // The walk lost its way unless it came to the end mark in the last four bytes.
  const size_t last = starts.objects.empty() ? 0 : starts.objects.back();
  EXPECT_TRUE(last + 4 == size && word(last) == kCodeBoundary);
  return starts;
}

// The lengths a document is cut to: every stride-th; each object's start and four bytes after
// it, where the cut leaves whole objects, or an identifier without its class tags; and with
// `blocks`, each block's start, where it leaves an object with only its first blocks. With
// YB_FULL_SWEEP set, every length short of the whole (tools/fuzz.sh --sweep).
std::set<size_t> CutLengths(const std::vector<uint8_t>& document, size_t stride, bool blocks) {
  std::set<size_t> lengths;
  if (std::getenv("YB_FULL_SWEEP") != nullptr) stride = 1;
  for (size_t length = 0; length < document.size(); length += stride)
    lengths.insert(length);
  if (stride == 1) return lengths;
  const RecordStarts starts = RecordStartsOf(document);
  for (const size_t start : starts.objects) {
    lengths.insert(start);
    lengths.insert(start + 4);
  }
  if (blocks) lengths.insert(starts.blocks.begin(), starts.blocks.end());
  std::erase_if(lengths, [&](size_t length) { return length >= document.size(); });
  return lengths;
}

// A document cut anywhere before its end mark has lost what followed the cut: it is refused as
// damaged, never opened as a smaller world that a save would make final. Answers how many cuts
// were tried. A cut no longer than the bytes a document shares with one cut before it is a cut of
// that one, already tried (the lengths chosen there are the same in both).
int ExpectCutsRefused(const Documents& documents, size_t stride, bool blocks) {
  int cuts = 0;
  std::vector<const std::vector<uint8_t>*> cutBefore;
  for (const auto& [name, document] : documents) {
    SCOPED_TRACE(name);
    size_t shared = 0;
    for (const std::vector<uint8_t>* earlier : cutBefore) {
      const auto differs =
          std::mismatch(document.begin(), document.end(), earlier->begin(), earlier->end()).first;
      shared = std::max(shared, static_cast<size_t>(differs - document.begin()));
    }
    cutBefore.push_back(&document);
    for (const size_t length : CutLengths(document, stride, blocks)) {
      if (length <= shared) continue;
      const DocumentFuzzReach reach = FuzzOpenDocument(document.data(), length);
      EXPECT_FALSE(reach.accepted) << length;
      EXPECT_EQ(reach.broken, std::vector<std::string>()) << length;
      ++cuts;
    }
  }
  return cuts;
}

// The samples are cut between their objects; the seeds, which hold every class, are cut after
// each block of an object too.
TEST_F(DocumentFuzzReplay, EveryCutOfASampleIsRefused) {
  EXPECT_GT(ExpectCutsRefused(DocumentsIn(SourceFolder("samples")), 31, false), 1200);
}

// The seeds, a world for each class and one of every class, are cut after each block of their
// objects too, so that an object of every class is cut part way.
TEST_F(DocumentFuzzReplay, EveryCutOfAOneClassDocumentIsRefused) {
  EXPECT_GT(ExpectCutsRefused(DocumentsIn(SeedFolder()), 61, true), 2800);
}

// Documents the round trip once found broken, kept as they were found: each is now either refused
// as damaged when opened, or opened and saved twice alike.
TEST_F(DocumentFuzzReplay, FoundDocumentsKeepEveryPromise) {
  const Documents found = DocumentsIn(SourceFolder("tests/app/fuzz/document-regressions"));
  ASSERT_FALSE(found.empty());
  for (const auto& [name, document] : found) {
    const DocumentFuzzReach reach = FuzzRoundTripDocument(document.data(), document.size());
    EXPECT_TRUE(reach.savedTwice || !reach.accepted) << name;
    EXPECT_EQ(reach.broken, std::vector<std::string>()) << name;
  }
}

TEST_F(DocumentFuzzReplay, ChangedSeedsKeepEveryPromise) {
  uint32_t random = 2718;
  auto next = [&random] { return random = random * 1103515245u + 12345u, random >> 8; };
  int accepted = 0, savedTwice = 0, refused = 0;
  for (const auto& [name, seed] : DocumentsIn(SeedFolder())) {
    SCOPED_TRACE(name);
    for (int round = 0; round < 25; ++round) {
      std::vector<uint8_t> bytes = seed;
      for (int k = 0; k < 1 + static_cast<int>(next() % 3); ++k) {
        const size_t at = 50 + next() % (bytes.size() - 50);
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
      const DocumentFuzzReach reach = FuzzRoundTripDocument(bytes.data(), bytes.size());
      EXPECT_EQ(reach.broken, std::vector<std::string>()) << round;
      accepted += reach.accepted ? 1 : 0;
      savedTwice += reach.savedTwice ? 1 : 0;
      refused += reach.accepted ? 0 : 1;
    }
  }
  // The changes reach past the reader: many are taken and saved twice, many are refused.
  EXPECT_GT(savedTwice, 200);
  EXPECT_EQ(savedTwice, accepted);
  EXPECT_GT(refused, 100);
}

// ---- Documents the reader takes whole: opened, saved, opened and saved again alike ----

// The bytes with every occurrence of one byte string after the first skip replaced by another
// of the same length.
std::vector<uint8_t> Replaced(std::vector<uint8_t> bytes, const std::string& fromText,
                              const std::string& toText, int skip = 0) {
  const std::vector<uint8_t> from(fromText.begin(), fromText.end());
  const std::vector<uint8_t> to(toText.begin(), toText.end());
  EXPECT_EQ(from.size(), to.size());
  int found = 0;
  for (auto at = std::search(bytes.begin(), bytes.end(), from.begin(), from.end());
       at != bytes.end(); at = std::search(at + 1, bytes.end(), from.begin(), from.end())) {
    if (found++ >= skip) std::copy(to.begin(), to.end(), at);
  }
  EXPECT_GT(found, skip);
  return bytes;
}

TEST_F(DocumentFuzzReplay, ABodysUnknownMomentModeIsReadAsAGivenMoment) {
  for (const char* name : {"TMass", "TRectangle", "TOval", "TPolygon", "TCurvPoly"}) {
    SCOPED_TRACE(name);
    const std::vector<uint8_t> stored = Saved([name](TWorldDoc& world) {
      program_documents::BuildOneClassWorld(world, name);
      for (TLink* object : world.Objects()) {
        if (auto* body = dynamic_cast<TMass*>(object)) body->SetMomentModeValue(7);
      }
    });
    const DocumentFuzzReach reach = FuzzRoundTripDocument(stored.data(), stored.size());
    EXPECT_TRUE(reach.savedTwice);
    EXPECT_EQ(reach.broken, std::vector<std::string>());
    TQVDoc document;
    OpenDocumentBytes(document, stored);
    int bodies = 0;
    for (TLink* object : document.World().Objects()) {
      auto* body = dynamic_cast<TMass*>(object);
      if (body == nullptr || object->GetIdentifier() == 0) continue;
      EXPECT_EQ(body->GetMomentModeValue(), kMomentGiven) << object->GetIdentifier();
      ++bodies;
    }
    EXPECT_GE(bodies, 1);
  }
  // Without its solver record (here under a code no class reads) the body learns its moment from
  // nothing else: the mode is all it has.
  const std::vector<uint8_t> stored = Replaced(
      Saved([](TWorldDoc& world) {
        program_documents::BuildOneClassWorld(world, "TRectangle");
        for (TLink* object : world.Objects()) {
          if (auto* body = dynamic_cast<TMass*>(object)) body->SetMomentModeValue(7);
        }
      }),
      std::string("\0\0\x04\xB0", 4), std::string("\0\0\x13\x86", 4));
  const DocumentFuzzReach reach = FuzzRoundTripDocument(stored.data(), stored.size());
  EXPECT_TRUE(reach.savedTwice);
  EXPECT_EQ(reach.broken, std::vector<std::string>());
}

// The face number of the one thing of the document's world.
int16_t ThingFace(TQVDoc& document) {
  for (TLink* object : document.World().Objects()) {
    if (auto* thing = dynamic_cast<TThing*>(object); thing != nullptr && thing->GetClassID() == 629)
      return thing->GetFont().fontNumber;
  }
  ADD_FAILURE() << "no thing";
  return -1;
}

TEST_F(DocumentFuzzReplay, AFaceNameEndsAtItsFirstNul) {
  const std::vector<uint8_t> stored = Replaced(
      Saved([](TWorldDoc& world) {
        program_documents::BuildOneClassWorld(world, "TThing");
        for (TLink* object : world.Objects()) {
          if (auto* thing = dynamic_cast<TThing*>(object))
            thing->SetTextStyle(FontSpec{FontNumberFromName("Odd Face"), 0, 12}, RGB16Color());
        }
      }),
      "Odd Face", std::string("A\0d Face", 8));
  const DocumentFuzzReach reach = FuzzRoundTripDocument(stored.data(), stored.size());
  EXPECT_TRUE(reach.savedTwice);
  EXPECT_EQ(reach.broken, std::vector<std::string>());
  // Opened once or twice, the thing shows the same face.
  TQVDoc once;
  OpenDocumentBytes(once, stored);
  TQVDoc twice;
  OpenDocumentBytes(twice, SaveDocumentBytes(once));
  EXPECT_EQ(ThingFace(once), ThingFace(twice));
}

TEST_F(DocumentFuzzReplay, APointOnSomethingThatIsNoBodyIsReadOnTheBackground) {
  // The point's body is the wheel, identifier 23 (a two-byte code 00 17 in the point's record);
  // the stored reference is turned to the thing beside it, identifier 24.
  std::vector<uint8_t> stored = Saved([](TWorldDoc& world) {
    program_documents::BuildOneClassWorld(world, "TPoint");
    auto thing = program_documents::MakeAsCreated(MakeTag("Ting"));
    thing->SetIdentifier(24);
    world.AdoptObject(std::move(thing));
  });
  TQVDoc original;
  OpenDocumentBytes(original, stored);
  auto* point = dynamic_cast<TPoint*>(original.World().FindObject(24 - 2));
  ASSERT_NE(point, nullptr);
  ASSERT_EQ(point->GetBody(), original.World().FindObject(21));
  stored = Replaced(stored, std::string("\0\0\0\x15", 4), std::string("\0\0\0\x18", 4), 1);
  const DocumentFuzzReach reach = FuzzRoundTripDocument(stored.data(), stored.size());
  EXPECT_TRUE(reach.savedTwice);
  EXPECT_EQ(reach.broken, std::vector<std::string>());
  TQVDoc document;
  OpenDocumentBytes(document, stored);
  point = dynamic_cast<TPoint*>(document.World().FindObject(22));
  ASSERT_NE(point, nullptr);
  EXPECT_EQ(point->GetBody(), document.World().FindObject(0));
}

}  // namespace

namespace {

TEST_F(DocumentFuzzReplay, APointWhoseRecordIsLostIsReadOnTheBackground) {
  // Points whose class is told by another block than the solver record.
  for (const char* name : {"TAnchor", "TCOMPoint"}) {
    SCOPED_TRACE(name);
    // The point's solver record, which names its body, under a code no class reads.
    const std::vector<uint8_t> stored = Replaced(
        Saved([name](TWorldDoc& world) { program_documents::BuildOneClassWorld(world, name); }),
        std::string("\0\0\x05\xDC", 4), std::string("\0\0\x13\x86", 4));
    const DocumentFuzzReach reach = FuzzRoundTripDocument(stored.data(), stored.size());
    EXPECT_TRUE(reach.savedTwice);
    EXPECT_EQ(reach.broken, std::vector<std::string>());
    TQVDoc document;
    OpenDocumentBytes(document, stored);
    const auto* point = dynamic_cast<TPoint*>(document.World().FindObject(22));
    ASSERT_NE(point, nullptr);
    EXPECT_EQ(point->GetBody(), document.World().FindObject(0));
  }
}

TEST_F(DocumentFuzzReplay, APolygonWithAVertexThatIsNoNumberIsSavedAsRead) {
  // The vertex table's corners at x = 6 become no number.
  const std::vector<uint8_t> stored = Replaced(
      Saved([](TWorldDoc& world) { program_documents::BuildOneClassWorld(world, "TPolygon"); }),
      std::string("\x40\x18\0\0\0\0\0\0", 8), std::string("\x7F\xF8\0\0\0\0\0\0", 8));
  const DocumentFuzzReach reach = FuzzRoundTripDocument(stored.data(), stored.size());
  EXPECT_TRUE(reach.savedTwice);
  EXPECT_EQ(reach.broken, std::vector<std::string>());
}

TEST_F(DocumentFuzzReplay, ObjectsStoredUnderOneIdentifierAreNamedOnceWhenRead) {
  // Both points of the pin stored as 23: references find the first; the second takes an
  // identifier of its own.
  const std::vector<uint8_t> stored = Saved([](TWorldDoc& world) {
    program_documents::BuildOneClassWorld(world, "TPin");
    world.FindObject(24)->SetIdentifier(23);
  });
  const DocumentFuzzReach reach = FuzzRoundTripDocument(stored.data(), stored.size());
  EXPECT_TRUE(reach.savedTwice);
  EXPECT_EQ(reach.broken, std::vector<std::string>());
  TQVDoc document;
  OpenDocumentBytes(document, stored);
  std::set<int16_t> identifiers;
  int points = 0;
  for (TLink* object : document.World().Objects()) {
    EXPECT_TRUE(identifiers.insert(object->GetIdentifier()).second) << object->GetIdentifier();
    points += dynamic_cast<TPoint*>(object) != nullptr ? 1 : 0;
  }
  EXPECT_EQ(points, 2);
  const auto* pin = dynamic_cast<TCnstr*>(document.World().FindObject(22));
  ASSERT_NE(pin, nullptr);
  EXPECT_EQ(pin->GetPrimaryObject(), document.World().FindObject(23));
}

// The display block of a drawn constraint stores the count of its extra goals first.
std::string DisplayBlockWithExtraGoals(uint32_t count) {
  std::string bytes("\0\0\x14\x71\0\0\0\x08", 8);
  for (int shift = 24; shift >= 0; shift -= 8) bytes.push_back(static_cast<char>(count >> shift));
  return bytes;
}

TEST_F(DocumentFuzzReplay, AStoredExtraGoalCountIsHeldToTheGoalsBehindIt) {
  const std::vector<uint8_t> dampers = Saved([](TWorldDoc& world) {
    program_documents::BuildOneClassWorld(world, "TLDamper");
  });
  const std::string none = DisplayBlockWithExtraGoals(0);
  // More goals than the rest of the document could hold: damage, found before anything is
  // made for them.
  for (uint32_t count : {32767u, 65535u, 0x7FFFFFFFu}) {
    const std::vector<uint8_t> stored = Replaced(dampers, none, DisplayBlockWithExtraGoals(count));
    const DocumentFuzzReach reach = FuzzRoundTripDocument(stored.data(), stored.size());
    EXPECT_FALSE(reach.accepted) << count;
    EXPECT_EQ(reach.broken, std::vector<std::string>()) << count;
  }
  // A count the record does not file as many goals for keeps only the goals filed, and is saved
  // as it was read.
  const std::vector<uint8_t> stored = Replaced(dampers, none, DisplayBlockWithExtraGoals(3));
  const DocumentFuzzReach reach = FuzzRoundTripDocument(stored.data(), stored.size());
  EXPECT_TRUE(reach.savedTwice);
  EXPECT_EQ(reach.broken, std::vector<std::string>());
  TQVDoc document;
  OpenDocumentBytes(document, stored);
  const auto* damper = dynamic_cast<TUICnstr*>(document.World().FindObject(22));
  ASSERT_NE(damper, nullptr);
  EXPECT_LE(damper->GetExtraGoals(), 1);
  EXPECT_LT(SaveDocumentBytes(document).size(), stored.size() + 200);
}

}  // namespace
