#include "core/MacFile.h"

#include <sys/stat.h>

#include <cstring>

#include <gtest/gtest.h>

#include "tests/core/FileCallsTestFolder.h"

namespace {

class MacFileTest : public ::testing::Test {
 protected:
  TestFolder folder;
  Str255 Name(const std::string& name) const { return Str255(folder.Path(name).c_str()); }
};

TEST(MacFileCauseTest, EveryCauseHasItsCodeAndUnknownCausesAreFailures) {
  const int16_t expected[] = {0,   -36, -43, -43, -42, -36, -51, -61,
                              -33, -40, -61, -61, -36, -34, -39};
  for (int32_t cause = 0; cause <= 14; ++cause) {
    EXPECT_EQ(MacErrorFromFileCause(cause), expected[cause]) << "cause " << cause;
  }
  EXPECT_EQ(MacErrorFromFileCause(15), kErrIO);
  EXPECT_EQ(MacErrorFromFileCause(-1), kErrIO);
}

TEST_F(MacFileTest, OpeningAMissingFileIsFileNotFound) {
  TMacFile file(Name("missing"));
  EXPECT_EQ(file.Open(TMacFile::kRead), kErrFileNotFound);
  EXPECT_FALSE(file.IsOpen());
  TMacFile nested(Name("no/such/dir/file"));
  EXPECT_EQ(nested.Open(TMacFile::kRead), kErrFileNotFound);
  EXPECT_EQ(nested.Create(TMacFile::kReadWrite), kErrFileNotFound);
  // Access denied is an input/output error for the file class.
  TMacFile directory(Name(""));
  EXPECT_EQ(directory.Open(TMacFile::kRead), kErrIO);
}

TEST_F(MacFileTest, WrittenBytesReadBackAndShortReadsAreNoFailure) {
  TMacFile file(Name("data"));
  ASSERT_EQ(file.Create(TMacFile::kReadWrite), 0);
  int32_t count = 10;
  EXPECT_EQ(file.Write("0123456789", count), 0);
  EXPECT_EQ(count, 10);
  int32_t length = 0;
  EXPECT_EQ(file.GetEOF(length), 0);
  EXPECT_EQ(length, 10);
  EXPECT_EQ(file.SetFPos(6, 0), 0);
  char buffer[10] = {};
  count = 10;
  EXPECT_EQ(file.Read(buffer, count), 0);
  EXPECT_EQ(count, 4);
  EXPECT_EQ(std::memcmp(buffer, "6789", 4), 0);
  EXPECT_TRUE(file.AtEnd());
  EXPECT_EQ(file.SetFPos(-1, 0), kErrPosition);
  int32_t position = 0;
  EXPECT_EQ(file.GetFPos(position), 0);
  EXPECT_EQ(position, 10);
  EXPECT_EQ(file.SetEOF(3), 0);
  Str255 path;
  EXPECT_EQ(file.GetPath(path), 0);
  EXPECT_STREQ(path.Chars(), folder.Path("data").c_str());
  EXPECT_EQ(file.Close(), 0);
  EXPECT_EQ(folder.Read("data"), (std::vector<uint8_t>{'0', '1', '2'}));
}

TEST_F(MacFileTest, OpeningAnOpenFileKeepsItsPosition) {
  folder.Write("ten", "0123456789");
  TMacFile file(Name("ten"));
  ASSERT_EQ(file.Open(TMacFile::kRead), 0);
  ASSERT_EQ(file.SetFPos(7, 0), 0);
  EXPECT_EQ(file.Open(TMacFile::kRead), 0);
  EXPECT_EQ(file.OpenNamed(Name("other"), TMacFile::kRead), 0);
  int32_t position = 0;
  file.GetFPos(position);
  EXPECT_EQ(position, 7);
}

TEST_F(MacFileTest, FailuresOnAClosedOrReadOnlyFileLeaveCountsAtZero) {
  folder.Write("ten", "0123456789");
  TMacFile file(Name("ten"));
  int32_t length = 99;
  EXPECT_EQ(file.GetEOF(length), kErrBadRefNum);  // asked of a closed file
  EXPECT_EQ(length, 0);
  char buffer[4] = {};
  int32_t count = 4;
  EXPECT_EQ(file.Read(buffer, count), 0);  // closed: nothing happens
  EXPECT_EQ(count, 0);
  count = 4;
  EXPECT_EQ(file.Write("abcd", count), kErrBadRefNum);  // closed: the bytes would be lost
  EXPECT_EQ(count, 0);
  ASSERT_EQ(file.Open(TMacFile::kRead), 0);
  count = 4;
  EXPECT_EQ(file.Write("abcd", count), kErrBadRefNum);
  EXPECT_EQ(count, 0);
  count = -5;
  EXPECT_EQ(file.Read(buffer, count), kErrIO);
  EXPECT_EQ(count, 0);
}

TEST_F(MacFileTest, RenameChangesTheNameOnlyWhenItSucceeds) {
  folder.Write("a", "A");
  folder.Write("b", "B");
  TMacFile file(Name("a"));
  EXPECT_NE(file.Rename(Name("b")), 0);
  Str255 name;
  file.GetName(name);
  EXPECT_EQ(name, Name("a"));
  EXPECT_EQ(folder.Read("b"), (std::vector<uint8_t>{'B'}));
  EXPECT_EQ(file.Rename(Name("c")), 0);
  file.GetName(name);
  EXPECT_EQ(name, Name("c"));
  EXPECT_EQ(file.Delete(), 0);
  EXPECT_FALSE(folder.Exists("c"));
  EXPECT_EQ(file.Delete(), kErrFileNotFound);
}

TEST_F(MacFileTest, CanOpenLeavesTheFileClosed) {
  folder.Write("ok", "x");
  TMacFile file(Name("ok"));
  EXPECT_TRUE(file.CanOpen());
  EXPECT_FALSE(file.IsOpen());
  TMacFile missing(Name("missing"));
  EXPECT_FALSE(missing.CanOpen());
  TMacFile directory(Name(""));
  EXPECT_FALSE(directory.CanOpen());
  const std::string locked = folder.Write("locked", "x");
  ASSERT_EQ(::chmod(locked.c_str(), 0), 0);
  const OrdinaryUser user(folder);
  if (!user.active()) GTEST_SKIP() << "the superuser may not take an ordinary identity here";
  TMacFile unreadable(Name("locked"));
  EXPECT_FALSE(unreadable.CanOpen());
  EXPECT_FALSE(unreadable.IsOpen());
}

TEST_F(MacFileTest, FileDatesComeFromTheFileStatus) {
  folder.Write("dated", "x");
  TMacFile file(Name("dated"));
  std::time_t modified = 0;
  file.GetFileDate(modified, TMacFile::kModificationDate);
  EXPECT_GT(modified, 0);
  EXPECT_FALSE(file.IsOpen());
  TMacFile missing(Name("missing"));
  std::time_t untouched = 12345;
  missing.GetFileDate(untouched, TMacFile::kModificationDate);
  EXPECT_EQ(untouched, 12345);
}

TEST_F(MacFileTest, AFileObjectOfTheCallerStaysOpenWithTheCaller) {
  const std::string path = folder.Write("shared", "abc");
  CFile platformFile;
  ASSERT_TRUE(platformFile.Open(path.c_str(), CFile::modeRead));
  {
    TMacFile file(&platformFile);
    EXPECT_TRUE(file.IsOpen());
  }
  EXPECT_NE(platformFile.m_hFile, CFile::hFileNull);
}

}  // namespace
