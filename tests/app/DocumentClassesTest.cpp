// Documents made with the program's own classes and its own class table: every class the
// program registers is saved and opened again unchanged, and a whole world of them is also
// handed to the solver.

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/TApp.h"
#include "constraints/Pin.h"
#include "core/ClassRegistry.h"
#include "core/Failure.h"
#include "model/Link.h"
#include "model/world/QVDoc.h"
#include "model/world/WorldHost.h"
#include "tests/app/ProgramDocuments.h"

namespace {

using program_documents::ClassesById;
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

TEST_F(DocumentClassesTest, EveryClassOfAWorldIsSavedAndOpenedAgainObjectForObject) {
  const std::vector<uint8_t> empty = [&] {
    TQVDoc document;
    document.WriteDocument(path_.string());
    return ReadBytes(path_);
  }();
  int stored = 0;
  for (const std::string& name : program_documents::WorldClassNames()) {
    SCOPED_TRACE(name);
    TQVDoc document;
    program_documents::BuildOneClassWorld(document.World(), name);
    const std::map<int16_t, int16_t> classes = ClassesById(document.World());
    std::vector<uint8_t> first, second;
    std::unique_ptr<TQVDoc> reopened;
    try {
      reopened = SaveAndReopen(document, first, second);
    } catch (const QVException& failure) {
      ADD_FAILURE() << "failed with " << failure.error();
      continue;
    }
    ++stored;
    // A class among the world's default objects is in every world already.
    if (!program_documents::IsDefaultObjectClass(name)) {
      EXPECT_NE(first, empty);
    }
    EXPECT_EQ(ClassesById(reopened->World()), classes);
    EXPECT_EQ(program_documents::FirstDifference(second, first), -1);
  }
  EXPECT_EQ(stored, ClassRegistryCount() -
                        static_cast<int32_t>(program_documents::kNotWorldObjects.size()));
}

TEST_F(DocumentClassesTest, AWorldOfEveryClassIsSavedOpenedAgainAndRun) {
  TQVDoc document;
  program_documents::BuildEveryClassWorld(document.World());
  const std::map<int16_t, int16_t> classes = ClassesById(document.World());
  // Every class of a world but the shapeless body, beside the geometry manager that a world
  // keeps among its default objects.
  std::set<int16_t> distinct;
  for (const auto& [identifier, classId] : classes) distinct.insert(classId);
  ASSERT_EQ(distinct.size(), program_documents::WorldClassNames().size());
  std::vector<uint8_t> first, second;
  std::unique_ptr<TQVDoc> reopened = SaveAndReopen(document, first, second);
  EXPECT_EQ(ClassesById(reopened->World()), classes);
  EXPECT_EQ(program_documents::FirstDifference(second, first), -1);

  // The solver takes the world as it was read, and runs it. Its shapes all start at the origin,
  // where those of its collision group overlap: the user, warned, goes on.
  struct GoingOn : TWorldHost {
    bool ReportSolverWarning(TWorldDoc&, int16_t, const int32_t*) override { return true; }
  } host;
  TWorldDoc& world = reopened->World();
  world.SetHost(&host);
  ASSERT_NE(world.GetEngine(), nullptr);
  constexpr int16_t kFrames = 3;
  try {
    world.RunToFrame(kFrames, nullptr);
  } catch (const QVException& failure) {
    world.SetHost(nullptr);
    FAIL() << "the run failed with " << failure.error();
  }
  world.SetHost(nullptr);
  ASSERT_NE(world.GetStore(), nullptr);
  EXPECT_EQ(world.GetStore()->FrameCount(), kFrames + 1);
}

TEST_F(DocumentClassesTest, APinKeepsItsWeldActiveOrNot) {
  for (const bool active : {false, true}) {
    for (const uint16_t weld : {0, 1}) {
      SCOPED_TRACE(testing::Message() << "active " << active << ", weld " << weld);
      TQVDoc document;
      program_documents::BuildOneClassWorld(document.World(), "TPin");
      auto* pin = dynamic_cast<TPin*>(document.World().FindObject(22));
      ASSERT_NE(pin, nullptr);
      pin->SetWeld(weld);
      pin->SelectChoice(kTagPinMode);
      if (active) pin->Activate(0);
      std::vector<uint8_t> first, second;
      std::unique_ptr<TQVDoc> reopened = SaveAndReopen(document, first, second);
      const auto* read = dynamic_cast<TPin*>(reopened->World().FindObject(22));
      ASSERT_NE(read, nullptr);
      EXPECT_EQ(read->GetWeld(), weld);
      EXPECT_EQ(read->IsActive(), active);
      EXPECT_EQ(read->GetMode(), 1);
      EXPECT_EQ(program_documents::FirstDifference(second, first), -1);
    }
  }
}

}  // namespace
