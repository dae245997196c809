#include "platform/mfc/CFile.h"

#include <cerrno>

#include <gtest/gtest.h>

#include "tests/core/FileCallsTestFolder.h"

namespace {

int32_t CauseOf(auto&& operation) {
  try {
    operation();
  } catch (const CFileException& failure) {
    return failure.m_cause;
  }
  return CFileException::none;
}

class CFileTest : public ::testing::Test {
 protected:
  TestFolder folder;
};

TEST_F(CFileTest, OpenReportsTheCauseInsteadOfThrowing) {
  CFile file;
  CFileException failure;
  EXPECT_FALSE(file.Open(folder.Path("missing").c_str(), CFile::modeRead, &failure));
  EXPECT_EQ(failure.m_cause, CFileException::fileNotFound);
  EXPECT_FALSE(file.Open(folder.Path("no/dir/f").c_str(), CFile::modeRead, &failure));
  EXPECT_EQ(failure.m_cause, CFileException::fileNotFound);
  EXPECT_FALSE(file.Open(folder.Path("").c_str(), CFile::modeRead, &failure));
  EXPECT_EQ(failure.m_cause, CFileException::accessDenied);
  EXPECT_FALSE(file.Open(folder.Path("missing").c_str(), CFile::modeRead));  // no cause wanted
  EXPECT_EQ(file.m_hFile, CFile::hFileNull);
}

TEST_F(CFileTest, CreateWriteSeekReadRoundTrip) {
  CFile file;
  ASSERT_TRUE(file.Open(folder.Path("data").c_str(), CFile::modeReadWrite | CFile::modeCreate));
  EXPECT_EQ(file.GetFilePath(), folder.Path("data"));
  file.Write("hello world", 11);
  EXPECT_EQ(file.GetLength(), 11u);
  EXPECT_EQ(file.Seek(-5, CFile::end), 6);
  char buffer[16] = {};
  EXPECT_EQ(file.Read(buffer, 16), 5u);  // short at the end, no failure
  EXPECT_STREQ(buffer, "world");
  EXPECT_EQ(file.Read(buffer, 16), 0u);
  file.SetLength(5);
  EXPECT_EQ(file.GetLength(), 5u);
  CFileStatus status;
  EXPECT_TRUE(file.GetStatus(status));
  EXPECT_EQ(status.m_size, 5);
  EXPECT_GT(status.m_mtime, 0);
  EXPECT_GT(status.m_ctime, 0);
  CFileStatus byName;
  EXPECT_TRUE(CFile::GetStatus(folder.Path("data").c_str(), byName));
  EXPECT_EQ(byName.m_mtime, status.m_mtime);
  EXPECT_FALSE(CFile::GetStatus(folder.Path("missing").c_str(), byName));
  file.Close();
  EXPECT_EQ(folder.Read("data"), (std::vector<uint8_t>{'h', 'e', 'l', 'l', 'o'}));
}

TEST_F(CFileTest, OperationsThrowTheirCause) {
  const std::string path = folder.Write("ten", "0123456789");
  CFile file;
  ASSERT_TRUE(file.Open(path.c_str(), CFile::modeRead));
  EXPECT_EQ(CauseOf([&] { file.Seek(-1, CFile::begin); }), CFileException::badSeek);
  EXPECT_EQ(file.GetPosition(), 0u);
  EXPECT_EQ(CauseOf([&] { file.Write("x", 1); }), CFileException::invalidFile);
  file.Close();
  EXPECT_EQ(CauseOf([&] { file.GetLength(); }), CFileException::invalidFile);
  EXPECT_EQ(CauseOf([&] { CFile::Remove(folder.Path("missing").c_str()); }),
            CFileException::fileNotFound);
  folder.Write("other", "x");
  EXPECT_EQ(CauseOf([&] { CFile::Rename(path.c_str(), folder.Path("other").c_str()); }),
            CFileException::accessDenied);
  EXPECT_EQ(folder.Read("other"), (std::vector<uint8_t>{'x'}));
}

// A shorter document saved over a longer one must not keep the old tail; opening an existing
// file without truncation keeps every byte not written over.
TEST_F(CFileTest, CreatingTruncatesUnlessToldNotTo) {
  const std::string path = folder.Write("doc", "0123456789");
  CFile file;
  ASSERT_TRUE(
      file.Open(path.c_str(), CFile::modeWrite | CFile::modeCreate | CFile::modeNoTruncate));
  file.Write("ab", 2);
  file.Close();
  EXPECT_EQ(folder.Read("doc"),
            (std::vector<uint8_t>{'a', 'b', '2', '3', '4', '5', '6', '7', '8', '9'}));
  ASSERT_TRUE(file.Open(path.c_str(), CFile::modeReadWrite));
  file.Write("X", 1);
  file.Close();
  EXPECT_EQ(folder.Read("doc").size(), 10u);
  ASSERT_TRUE(file.Open(path.c_str(), CFile::modeWrite | CFile::modeCreate));
  EXPECT_EQ(file.GetLength(), 0u);
  file.Write("new", 3);
  file.Close();
  EXPECT_EQ(folder.Read("doc"), (std::vector<uint8_t>{'n', 'e', 'w'}));
}

TEST_F(CFileTest, AReadTheSystemRefusesRaisesItsCause) {
  const std::string path = folder.Write("out", "abc");
  CFile file;
  ASSERT_TRUE(file.Open(path.c_str(), CFile::modeWrite));
  char buffer[4];
  EXPECT_EQ(CauseOf([&] { file.Read(buffer, 3); }), CFileException::invalidFile);
  EXPECT_EQ(file.GetPosition(), 0u);
}

TEST_F(CFileTest, NamesInTheProgramsCharacterSetAreSystemUtf8Names) {
  const std::string name = folder.Path("caf\xE9.yb");
  CFile file;
  ASSERT_TRUE(file.Open(name.c_str(), CFile::modeWrite | CFile::modeCreate));
  EXPECT_EQ(file.GetFilePath(), name);
  file.Close();
  EXPECT_TRUE(folder.Exists("caf\xC3\xA9.yb"));
  CFile::Rename(name.c_str(), folder.Path("th\xE9.yb").c_str());
  EXPECT_TRUE(folder.Exists("th\xC3\xA9.yb"));
  CFile::Remove(folder.Path("th\xE9.yb").c_str());
  EXPECT_FALSE(folder.Exists("th\xC3\xA9.yb"));
}

}  // namespace
