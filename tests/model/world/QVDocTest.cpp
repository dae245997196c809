#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>

#include <gtest/gtest.h>

#include "core/FileCalls.h"
#include "model/world/QVDoc.h"
#include "tests/model/world/WorldTestSupport.h"

namespace world_test {
namespace {

// A file that reports a full disk once more than a number of bytes were written.
class TFullDiskFile : public TMacFile {
 public:
  explicit TFullDiskFile(int32_t room) : room_(room) {}
  int16_t Write(const void* buffer, int32_t& count) override {
    if (count > room_) {
      count = 0;
      return kErrDiskFull;
    }
    room_ -= count;
    return TMacFile::Write(buffer, count);
  }

 private:
  int32_t room_;
};

class TTestDocument : public TQVDoc {
 public:
  int32_t room = -1;

 protected:
  std::unique_ptr<TMacFile> MakeFile() override {
    if (room < 0) return TQVDoc::MakeFile();
    return std::make_unique<TFullDiskFile>(room);
  }
};

std::vector<uint8_t> FileBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

class QVDocTest : public ::testing::Test {
 protected:
  void SetUp() override {
    scope = std::make_unique<WorldScope>();
    folder = std::filesystem::temp_directory_path() /
             ("yb-world-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
              "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::create_directories(folder);
  }
  void TearDown() override {
    std::filesystem::remove_all(folder);
    scope.reset();
  }
  void Fill(TQVDoc& document) {
    for (int16_t i = 2; i <= 4; ++i) {
      auto object = std::make_unique<TTestObject>();
      object->Initialize();
      object->SetIdentifier(i);
      object->value = i * 0.5;
      document.World().AdoptObject(std::move(object));
    }
    auto group = std::make_unique<TGroup>();
    group->Initialize();
    group->SetIdentifier(5);
    group->Include(document.World().FindObject(3));
    document.World().AdoptObject(std::move(group));
  }
  std::unique_ptr<WorldScope> scope;
  std::filesystem::path folder;
};

// A document file's read tells the program's indicator how far it went, up to the whole file,
// and lets the indicator go when it ends, also when the file turns out damaged.
TEST_F(QVDocTest, AReadStepsItsIndicatorToTheEndAndLetsItGoHoweverItEnds) {
  struct Told {
    std::vector<double> fractions;
    std::string path;
    int32_t live = 0;
  } told;
  class TRecorder : public TQVDoc::ReadIndicator {
   public:
    explicit TRecorder(Told& told) : told_(told) { ++told_.live; }
    ~TRecorder() override { --told_.live; }
    void Step(double fraction) override {
      EXPECT_EQ(told_.live, 1);
      told_.fractions.push_back(fraction);
    }

   private:
    Told& told_;
  };
  TQVDoc::SetReadIndicatorMaker([&](const std::string& path) {
    told.path = path;
    return std::make_unique<TRecorder>(told);
  });
  const std::string path = (folder / "world.yb").string();
  {
    TQVDoc document;
    Fill(document);
    document.WriteDocument(path);
  }
  TQVDoc reopened;
  reopened.ReadDocument(path);
  EXPECT_EQ(told.path, path);
  EXPECT_EQ(told.live, 0);
  ASSERT_GE(told.fractions.size(), 2u);
  EXPECT_TRUE(std::is_sorted(told.fractions.begin(), told.fractions.end()));
  EXPECT_LT(told.fractions.front(), 1.0);
  EXPECT_DOUBLE_EQ(told.fractions.back(), 1.0);

  // Cut short, the file fails to read; the indicator goes all the same.
  const std::vector<uint8_t> bytes = FileBytes(path);
  std::ofstream(path, std::ios::binary | std::ios::trunc)
      .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size() / 2));
  TQVDoc damaged;
  EXPECT_THROW(damaged.ReadDocument(path), QVException);
  EXPECT_EQ(told.live, 0);
  TQVDoc::SetReadIndicatorMaker(nullptr);
}

TEST_F(QVDocTest, SavedDocumentOpensAgainByteForByte) {
  const std::string path = (folder / "world.yb").string();
  TQVDoc document;
  Fill(document);
  document.World().SetNumberProperty(MakeTag("zSca"), 0.5);
  document.World().SetShortProperty(MakeTag("sk p"), 4);
  document.WriteDocument(path);
  const std::vector<uint8_t> saved = FileBytes(path);
  EXPECT_FALSE(std::filesystem::exists(path + ".saving"));

  TQVDoc reopened;
  reopened.ReadDocument(path);
  ASSERT_EQ(reopened.World().Objects().size(), 4u);
  auto* group = dynamic_cast<TGroup*>(reopened.World().FindObject(5));
  ASSERT_NE(group, nullptr);
  EXPECT_EQ(group->AppliesTo(reopened.World().FindObject(3)), 1);
  double scale = 0.0;
  reopened.World().GetNumberProperty(MakeTag("zSca"), scale, nullptr);
  EXPECT_DOUBLE_EQ(scale, 0.5);
  EXPECT_EQ(reopened.World().GetSkipFrames(), 4);
  const std::string again = (folder / "again.yb").string();
  reopened.WriteDocument(again);
  EXPECT_EQ(FileBytes(again), saved);
}

TEST_F(QVDocTest, SaveThatFailsPartWayKeepsTheOldDocument) {
  const std::string path = (folder / "world.yb").string();
  TTestDocument document;
  Fill(document);
  document.WriteDocument(path);
  const std::vector<uint8_t> before = FileBytes(path);
  ASSERT_GT(before.size(), 100u);

  document.World().RemoveObject(document.World().FindObject(4));
  document.room = 80;
  EXPECT_EQ(ErrorOf([&] { document.WriteDocument(path); }), kErrDiskFull);
  EXPECT_EQ(FileBytes(path), before);
  EXPECT_FALSE(std::filesystem::exists(path + ".saving"));
}

TEST_F(QVDocTest, SiblingDocumentsOpenWithTheirShortReals) {
  // An "RE25" document: 2-byte codes, blocks without lengths, 32-bit reals, big-endian.
  const std::vector<uint8_t> bytes = {'Z', 'o', 'd', 'A', 0, 4, 'R', 'E', '2', '5', 0, 2,
                                      0x04, 0xB0, 0x3F, 0xC0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF};
  const std::filesystem::path path = folder / "old.yb";
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  ASSERT_EQ(GetFileTypeOfPath(path.string().c_str()), kSiblingFileType);
  TQVDoc document;
  document.ReadDocument(path.string());
  auto* object = dynamic_cast<TTestObject*>(document.World().FindObject(2));
  ASSERT_NE(object, nullptr);
  EXPECT_DOUBLE_EQ(object->value, 1.5);

  std::ofstream(folder / "text.yb", std::ios::binary) << "ZAZU 1;";
  EXPECT_EQ(ErrorOf([&] { document.ReadDocument((folder / "text.yb").string()); }), kErrTextFormat);
}

}  // namespace
}  // namespace world_test
