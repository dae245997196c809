#include "core/HandleStream.h"

#include <cstring>

#include <gtest/gtest.h>

#include "core/Failure.h"
#include "core/MacFile.h"
#include "tests/core/FileCallsTestFolder.h"
#include "tests/core/StreamTestSupport.h"

namespace {

class HandleStreamTest : public ::testing::Test {
 protected:
  TestFolder folder;
  std::unique_ptr<TMacFile> OpenFile(const std::string& name, bool create) {
    auto file = NewMacFile(Str255(folder.Path(name).c_str()));
    const int16_t code =
        create ? file->Create(TMacFile::kReadWrite) : file->Open(TMacFile::kReadWrite);
    EXPECT_EQ(code, 0);
    return file;
  }
};

TEST_F(HandleStreamTest, PaddingStreamsKeepBlocksOnEvenOffsets) {
  auto file = OpenFile("padded", true);
  auto stream = MakeWriteStream(file.get(), true);
  stream->Write(3, "abc");
  stream->Write(2, "de");
  stream->Write(1, "f");
  EXPECT_EQ(stream->GetLength(), 8);
  file->Close();
  EXPECT_EQ(folder.Read("padded"), (std::vector<uint8_t>{'a', 'b', 'c', 0, 'd', 'e', 'f', 0}));

  ASSERT_EQ(file->Open(TMacFile::kRead), 0);
  char buffer[4] = {};
  stream->Read(3, buffer);
  EXPECT_EQ(std::memcmp(buffer, "abc", 3), 0);
  EXPECT_EQ(stream->GetPosition(), 4);
  stream->SetPosition(5);
  EXPECT_EQ(stream->GetPosition(), 6);
  stream->Read(1, buffer);
  EXPECT_EQ(buffer[0], 'f');
  EXPECT_TRUE(stream->AtEnd());
}

TEST_F(HandleStreamTest, PlainStreamsWriteExactlyAndReadShortAtTheEnd) {
  auto file = OpenFile("plain", true);
  auto stream = MakeWriteStream(file.get(), false);
  stream->Write(3, "abc");
  stream->WriteAt(1, 1, "X");
  EXPECT_EQ(stream->GetPosition(), 3);
  stream->SetPosition(1);
  char buffer[6] = {'?', '?', '?', '?', '?', '?'};
  stream->Read(6, buffer);  // the end of the file is no failure; the rest is zero
  EXPECT_EQ(std::memcmp(buffer, "Xc\0\0\0\0", 6), 0);
  stream->ReadAt(0, 2, buffer);
  EXPECT_EQ(std::memcmp(buffer, "aX", 2), 0);
  EXPECT_EQ(stream->GetPosition(), 3);
  EXPECT_EQ(ErrorOf([&] { stream->Read(-1, buffer); }), kErrEndOfFile);
  EXPECT_EQ(ErrorOf([&] { stream->Write(-1, buffer); }), kErrIO);
  EXPECT_EQ(ErrorOf([&] { stream->SetPosition(-2); }), kErrPosition);
  file->Close();
  EXPECT_EQ(folder.Read("plain"), (std::vector<uint8_t>{'a', 'X', 'c'}));
  // A closed file neither takes bytes silently nor reports success.
  EXPECT_EQ(ErrorOf([&] { stream->Write(1, "z"); }), kErrBadRefNum);
}

TEST_F(HandleStreamTest, ScanPassesTheLastByteWithABlank) {
  folder.Write("one", "q");
  auto file = OpenFile("one", false);
  auto stream = MakeWriteStream(file.get(), false);
  std::vector<std::pair<uint8_t, uint8_t>> pairs;
  int32_t position = 0;
  stream->Scan(
      [&](const uint8_t* pair) {
        pairs.emplace_back(pair[0], pair[1]);
        return false;
      },
      position);
  ASSERT_EQ(pairs.size(), 1u);
  EXPECT_EQ(pairs[0], std::make_pair(uint8_t{'q'}, uint8_t{' '}));
  EXPECT_EQ(position, 1);
  EXPECT_EQ(stream->GetPosition(), 1);

  folder.Write("line", "ab\rcd");
  auto lineFile = OpenFile("line", false);
  auto lineStream = MakeWriteStream(lineFile.get(), false);
  lineStream->Scan([](const uint8_t* pair) { return pair[0] == '\r'; }, position);
  EXPECT_EQ(position, 2);
  EXPECT_EQ(lineStream->GetPosition(), 2);
}

}  // namespace
