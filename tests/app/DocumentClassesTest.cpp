// Documents made with the program's own classes and its own class table: every class the
// program registers is saved and opened again unchanged, and a whole world of them is also
// handed to the solver.

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/TApp.h"
#include "core/ClassRegistry.h"
#include "core/Failure.h"
#include "model/Link.h"
#include "model/world/QVDoc.h"
#include "tests/app/ProgramDocuments.h"

namespace {

using program_documents::ClassIdsOf;
using program_documents::ReadBytes;

class DocumentClassesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    stream_ = std::tmpfile();
    ASSERT_NE(stream_, nullptr);
    app_ = std::make_unique<TApp>(stream_);
    app_->LoadResourceDlls();
    app_->InitUnits();
    const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
    path_ = std::filesystem::temp_directory_path() /
            ("yb-classes-" + std::string(test->name()) + "-" + std::to_string(::getpid()) +
             ".yb");
  }
  void TearDown() override {
    std::filesystem::remove(path_);
    app_->TermUnits();
    app_->FreeResourceDlls();
    app_.reset();
    std::fclose(stream_);
  }

  // Saves the document, opens the file as a new document and saves that too; answers the
  // reopened document, with the two files' bytes.
  std::unique_ptr<TQVDoc> SaveAndReopen(TQVDoc& document, std::vector<uint8_t>& first,
                                        std::vector<uint8_t>& second) {
    document.WriteDocument(path_.string());
    first = ReadBytes(path_);
    auto reopened = std::make_unique<TQVDoc>();
    reopened->ReadDocument(path_.string());
    reopened->WriteDocument(path_.string());
    second = ReadBytes(path_);
    return reopened;
  }

  std::FILE* stream_ = nullptr;
  std::unique_ptr<TApp> app_;
  std::filesystem::path path_;
};

// Registered classes that the program never makes as an object of a world of their own: the
// bases of the kinds the tools make (each stored under its first kind's class), and the geometry
// manager, which a world keeps beside its objects.
const std::set<std::string> kNotWorldObjects = {"TLink",      "TNamedLink", "TSingleStyleLink",
                                                "TBasicMass", "TXCnstr",    "TPiston",
                                                "TWorldGeometryManager"};

TEST_F(DocumentClassesTest, EveryClassOfAWorldIsSavedAndOpenedAgainObjectForObject) {
  const std::vector<uint8_t> empty = [&] {
    TQVDoc document;
    document.WriteDocument(path_.string());
    return ReadBytes(path_);
  }();
  int stored = 0;
  for (int32_t i = 0; i < ClassRegistryCount(); ++i) {
    const TClassInfo& info = ClassInfoAt(i);
    if (kNotWorldObjects.contains(info.name)) continue;
    SCOPED_TRACE(info.name);
    std::unique_ptr<TLink> object = program_documents::MakeAsCreated(info.tag);
    ASSERT_NE(object, nullptr);
    TQVDoc document;
    object->SetIdentifier(program_documents::kFirstFreeIdentifier);
    document.World().AdoptObject(std::move(object));
    const std::vector<int16_t> classes = ClassIdsOf(document.World());
    std::vector<uint8_t> first, second;
    std::unique_ptr<TQVDoc> reopened;
    try {
      reopened = SaveAndReopen(document, first, second);
    } catch (const QVException& failure) {
      ADD_FAILURE() << "failed with " << failure.error();
      continue;
    }
    ++stored;
    EXPECT_NE(first, empty);
    EXPECT_EQ(ClassIdsOf(reopened->World()), classes);
    EXPECT_EQ(program_documents::FirstDifference(second, first), -1);
  }
  EXPECT_EQ(stored, ClassRegistryCount() - static_cast<int32_t>(kNotWorldObjects.size()));
}

}  // namespace
