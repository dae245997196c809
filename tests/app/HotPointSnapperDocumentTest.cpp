// Every world has its hot-point snapper among its default objects, and the user's snapping
// options travel with the document.

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>

#include <gtest/gtest.h>

#include "app/TApp.h"
#include "model/world/QVDoc.h"
#include "platform/win32/Window.h"
#include "tests/app/ProgramDocuments.h"
#include "views/world/HotPointSnapper.h"

namespace {

class HotPointSnapperDocumentTest : public ::testing::Test {
 protected:
  void SetUp() override {
    stream_ = std::tmpfile();
    ASSERT_NE(stream_, nullptr);
    app_ = std::make_unique<TApp>(stream_);
    ResetWindowSystem();
    app_->LoadResourceDlls();
    app_->InitUnits();
    path_ = (std::filesystem::temp_directory_path() /
             ("yb-snapper-" + std::to_string(::getpid()) + ".yb"))
                .string();
  }
  void TearDown() override {
    std::filesystem::remove(path_);
    app_->TermUnits();
    app_->FreeResourceDlls();
    app_.reset();
    ResetWindowSystem();
    std::fclose(stream_);
  }
  static int CountSnappers(TWorldDoc& world) {
    int count = 0;
    for (TLink* object : world.Objects())
      count += object->IsMemberClass(THotPointSnapper::kClassID) ? 1 : 0;
    return count;
  }

  std::FILE* stream_ = nullptr;
  std::unique_ptr<TApp> app_;
  std::string path_;
};

TEST_F(HotPointSnapperDocumentTest, ANewWorldSnapsAndAttachesByFormula) {
  TQVDoc document;
  THotPointSnapper* snapper = FindHotPointSnapper(document.World());
  ASSERT_NE(snapper, nullptr);
  EXPECT_EQ(CountSnappers(document.World()), 1);
  EXPECT_EQ(snapper->GetSnapToHotPoints(), 1);
  EXPECT_EQ(snapper->GetAttachByFormula(), 1);
}

TEST_F(HotPointSnapperDocumentTest, SnappingSwitchedOffStaysOffWhenReopened) {
  std::vector<uint8_t> saved;
  {
    TQVDoc document;
    THotPointSnapper* snapper = FindHotPointSnapper(document.World());
    ASSERT_NE(snapper, nullptr);
    uint16_t handled = 0;
    snapper->DoMenuCommand(kCmdSnapToHotPoints, handled);
    snapper->SetFlagProperty(kAttachByFormulaTag, 0);
    document.WriteDocument(path_);
    saved = program_documents::ReadBytes(path_);
  }
  TQVDoc reopened;
  reopened.ReadDocument(path_);
  // The document's snapper takes the place of the new world's.
  ASSERT_EQ(CountSnappers(reopened.World()), 1);
  THotPointSnapper* snapper = FindHotPointSnapper(reopened.World());
  EXPECT_EQ(snapper->GetSnapToHotPoints(), 0);
  EXPECT_EQ(snapper->GetAttachByFormula(), 0);
  reopened.WriteDocument(path_);
  EXPECT_EQ(program_documents::FirstDifference(program_documents::ReadBytes(path_), saved), -1);
}

}  // namespace
