#include "platform/win32/FileIO.h"

#include <cerrno>
#include <cstring>

#include <gtest/gtest.h>

#include "tests/core/FileCallsTestFolder.h"

namespace {

class FileIOTest : public ::testing::Test {
 protected:
  TestFolder folder;
};

TEST_F(FileIOTest, BytesAreWrittenAsGivenAndReadBack) {
  const std::string path = folder.Path("bytes");
  const int fd = _creat(path.c_str(), _S_IREAD | _S_IWRITE);
  ASSERT_GE(fd, 0);
  const char text[] = "a\nb\r\nc";
  EXPECT_EQ(_write(fd, text, 6), 6);
  EXPECT_EQ(_close(fd), 0);
  EXPECT_EQ(folder.Read("bytes"), (std::vector<uint8_t>{'a', '\n', 'b', '\r', '\n', 'c'}));

  const int in = _open(path.c_str(), _O_RDONLY);
  ASSERT_GE(in, 0);
  EXPECT_EQ(_filelength(in), 6);
  EXPECT_EQ(_eof(in), 0);
  char buffer[10] = {};
  EXPECT_EQ(_read(in, buffer, 10), 6);  // short at the end, no failure
  EXPECT_EQ(_eof(in), 1);
  EXPECT_EQ(_read(in, buffer, 10), 0);
  EXPECT_EQ(_close(in), 0);
}

TEST_F(FileIOTest, SeekingBeforeTheStartFailsAndKeepsThePosition) {
  const std::string path = folder.Write("ten", "0123456789");
  const int fd = _open(path.c_str(), _O_RDWR);
  ASSERT_GE(fd, 0);
  EXPECT_EQ(_lseek(fd, 4, 0), 4);
  EXPECT_EQ(_lseek(fd, -5, 1), -1);
  EXPECT_EQ(errno, EINVAL);
  EXPECT_EQ(_tell(fd), 4);
  EXPECT_EQ(_lseek(fd, -3, 2), 7);
  EXPECT_EQ(_lseek(fd, 0, 7), -1);
  EXPECT_EQ(errno, EINVAL);
  EXPECT_EQ(_chsize(fd, 3), 0);
  EXPECT_EQ(_filelength(fd), 3);
  _close(fd);
}

TEST_F(FileIOTest, RenameNeverReplacesAnExistingFile) {
  folder.Write("old", "old");
  folder.Write("taken", "keep");
  EXPECT_EQ(RuntimeRename(folder.Path("old").c_str(), folder.Path("taken").c_str()), -1);
  EXPECT_EQ(errno, EACCES);
  EXPECT_EQ(folder.Read("taken"), (std::vector<uint8_t>{'k', 'e', 'e', 'p'}));
  EXPECT_EQ(RuntimeRename(folder.Path("old").c_str(), folder.Path("new").c_str()), 0);
  EXPECT_TRUE(folder.Exists("new"));
  EXPECT_FALSE(folder.Exists("old"));
  EXPECT_EQ(RuntimeRename(folder.Path("old").c_str(), folder.Path("other").c_str()), -1);
  EXPECT_EQ(errno, ENOENT);
}

TEST_F(FileIOTest, NamesReachTheSystemAsUtf8) {
  // "Übung €.yb" in the program's character set.
  const std::string name =
      "\xDC"
      "bung \x80.yb";
  EXPECT_EQ(FileNameToSystem(name.c_str()),
            "\xC3\x9C"
            "bung \xE2\x82\xAC.yb");
  const int fd = _creat(folder.Path(name).c_str(), _S_IREAD | _S_IWRITE);
  ASSERT_GE(fd, 0);
  _close(fd);
  EXPECT_TRUE(
      folder.Exists("\xC3\x9C"
                    "bung \xE2\x82\xAC.yb"));
  EXPECT_EQ(_unlink(folder.Path(name).c_str()), 0);
  EXPECT_FALSE(
      folder.Exists("\xC3\x9C"
                    "bung \xE2\x82\xAC.yb"));
}

TEST_F(FileIOTest, SystemNamesComeBackOnlyWhenTheCharacterSetHoldsThem) {
  std::string out;
  EXPECT_TRUE(FileNameFromSystem("/home/j\xC3\xBCrgen/\xE2\x82\xAC", out));
  EXPECT_EQ(out, "/home/j\xFCrgen/\x80");
  EXPECT_FALSE(FileNameFromSystem("\xE4\xB8\xAD", out));  // a character outside the set
  EXPECT_FALSE(FileNameFromSystem("\xC0\xAF", out));      // an overlong '/'
  EXPECT_FALSE(FileNameFromSystem("a\xC3", out));         // cut short
  EXPECT_FALSE(FileNameFromSystem("\xFF", out));
}

}  // namespace
