#include "core/MemoryStream.h"

#include <cstring>
#include <vector>

#include <gtest/gtest.h>

#include "core/Failure.h"
#include "core/MacFile.h"
#include "tests/core/StreamTestSupport.h"

namespace {

class MemoryStreamTest : public ::testing::Test {
 protected:
  void SetUp() override { InitHandlePool(); }
  void TearDown() override {
    SetHeapCeiling(SIZE_MAX);
    SetMemError(0);
    FreeHandlePool();
  }
  Handle Text(const char* text) {
    return NewHandleFromBytes(text, static_cast<uint32_t>(std::strlen(text)));
  }
};

TEST_F(MemoryStreamTest, WritesGrowTheHandleByTheGrowthRule) {
  Handle handle = AllocHandle(0);
  auto stream = MakeReadStream(false, handle);
  const uint8_t byte = 7;
  stream->Write(1, &byte);
  EXPECT_EQ(GetHandleByteSize(handle), 2048u);
  EXPECT_EQ(stream->GetPosition(), 1);
  stream->Truncate();
  EXPECT_EQ(GetHandleByteSize(handle), 1u);
  EXPECT_EQ(HandleData(handle)[0], 7);

  Handle full = AllocHandle(2048);
  auto second = MakeReadStream(false, full);
  second->WriteAt(2048, 1, &byte);
  EXPECT_EQ(GetHandleByteSize(full), 4096u);
  EXPECT_EQ(second->GetPosition(), 2049);

  Handle big = AllocHandle(10000);
  auto third = MakeReadStream(false, big);
  third->WriteAt(9999, 1, &byte);  // the next 2048 step lies above 10000
  EXPECT_EQ(GetHandleByteSize(big), 15000u);
  // Bytes the growth adds are zero.
  EXPECT_EQ(HandleData(big)[14999], 0);
  FreeHandle(handle);
  FreeHandle(full);
  FreeHandle(big);
}

TEST_F(MemoryStreamTest, WritingBehindThePositionKeepsTheLaterEnd) {
  Handle handle = AllocHandle(0);
  auto stream = MakeReadStream(false, handle);
  stream->Write(6, "abcdef");
  stream->WriteAt(1, 2, "XY");
  EXPECT_EQ(stream->GetPosition(), 6);
  stream->SetPosition(4);
  stream->Write(4, "1234");
  EXPECT_EQ(stream->GetPosition(), 8);
  stream->Truncate();
  ASSERT_EQ(GetHandleByteSize(handle), 8u);
  EXPECT_EQ(std::memcmp(HandleData(handle), "aXYd1234", 8), 0);
  FreeHandle(handle);
}

TEST_F(MemoryStreamTest, TruncatingBeyondTheEndGrowsTheHandleWithZeros) {
  Handle handle = Text("abc");
  auto stream = MakeReadStream(false, handle);
  stream->SetPosition(6);
  stream->Truncate();
  ASSERT_EQ(GetHandleByteSize(handle), 6u);
  EXPECT_EQ(std::memcmp(HandleData(handle), "abc\0\0\0", 6), 0);
  EXPECT_EQ(stream->GetLength(), 6);
  char read[3] = {1, 1, 1};
  stream->ReadAt(3, 3, read);
  EXPECT_EQ(std::memcmp(read, "\0\0\0", 3), 0);
  FreeHandle(handle);
}

TEST_F(MemoryStreamTest, ReadsPastTheEndOrOutsideFailAndNothingMoves) {
  Handle handle = Text("0123456789");
  auto stream = MakeReadStream(false, handle);
  char buffer[8] = {};
  stream->SetPosition(8);
  EXPECT_EQ(ErrorOf([&] { stream->Read(4, buffer); }), kErrEndOfFile);
  EXPECT_EQ(stream->GetPosition(), 8);
  EXPECT_EQ(ErrorOf([&] { stream->Read(-1, buffer); }), kErrEndOfFile);
  EXPECT_EQ(ErrorOf([&] { stream->ReadAt(9, 2, buffer); }), kErrEndOfFile);
  EXPECT_EQ(ErrorOf([&] { stream->ReadAt(-2, 2, buffer); }), kErrPosition);
  EXPECT_EQ(ErrorOf([&] { stream->ReadAt(0, INT32_MAX, buffer); }), kErrEndOfFile);
  EXPECT_EQ(ErrorOf([&] { stream->WriteAt(0, -3, buffer); }), kErrIO);
  EXPECT_EQ(ErrorOf([&] { stream->WriteAt(-3, 1, buffer); }), kErrPosition);
  stream->ReadAt(2, 3, buffer);
  EXPECT_EQ(std::memcmp(buffer, "234", 3), 0);
  EXPECT_EQ(stream->GetPosition(), 8);
  stream->Read(2, buffer);
  EXPECT_TRUE(stream->AtEnd());
  EXPECT_EQ(ErrorOf([] { MakeReadStream(false, nullptr); }), kErrOutOfMemory);
  FreeHandle(handle);
}

TEST_F(MemoryStreamTest, AlignedStreamsSkipPadBytes) {
  Handle handle = Text("abcdefgh");
  auto stream = MakeReadStream(true, handle);
  EXPECT_TRUE(stream->IsMemberClass(383));
  EXPECT_TRUE(stream->IsMemberClass(382));
  char buffer[4] = {};
  stream->Read(3, buffer);
  EXPECT_EQ(stream->GetPosition(), 4);
  stream->SetPosition(5);
  EXPECT_EQ(stream->GetPosition(), 6);
  stream->Read(2, buffer);
  EXPECT_EQ(std::memcmp(buffer, "gh", 2), 0);
  EXPECT_EQ(stream->GetPosition(), 8);
  FreeHandle(handle);

  // Writing pads odd blocks with a zero byte, whatever the handle held.
  Handle image = AllocHandle(16);
  std::memset(HandleData(image), 0xFF, 16);
  auto writer = MakeReadStream(true, image);
  writer->Write(3, "abc");
  writer->Write(2, "de");
  EXPECT_EQ(writer->GetPosition(), 6);
  writer->Truncate();
  EXPECT_EQ(std::vector<uint8_t>(HandleData(image), HandleData(image) + 6),
            (std::vector<uint8_t>{'a', 'b', 'c', 0, 'd', 'e'}));
  FreeHandle(image);
}

TEST_F(MemoryStreamTest, ScanHandsOutPairsUntilTheCallbackStops) {
  Handle handle = Text("ab;cd");
  auto stream = MakeReadStream(false, handle);
  std::string firsts;
  int32_t position = 0;
  stream->Scan(
      [&](const uint8_t* pair) {
        firsts += static_cast<char>(pair[0]);
        return pair[1] == ';';
      },
      position);
  EXPECT_EQ(firsts, "ab");
  EXPECT_EQ(position, 1);
  EXPECT_EQ(stream->GetPosition(), 1);
  stream->Scan([](const uint8_t*) { return false; }, position);
  EXPECT_EQ(position, 5);
  EXPECT_TRUE(stream->AtEnd());
  FreeHandle(handle);
}

TEST_F(MemoryStreamTest, BoundedStreamsStopAt64000Bytes) {
  Handle handle = AllocHandle(70000);
  std::memset(HandleData(handle), 'x', 70000);
  auto stream = NewMemoryCopyStream(handle);
  EXPECT_TRUE(stream->IsMemberClass(382));
  EXPECT_FALSE(stream->IsMemberClass(383));
  std::vector<char> buffer(100);
  stream->SetPosition(63950);
  stream->Read(50, buffer.data());
  EXPECT_EQ(stream->GetPosition(), 64000);
  EXPECT_EQ(ErrorOf([&] { stream->Read(1, buffer.data()); }), kErrEndOfFile);
  EXPECT_EQ(stream->GetPosition(), 64000);
  EXPECT_EQ(ErrorOf([&] { stream->ReadAt(63999, 2, buffer.data()); }), kErrEndOfFile);
  stream->SetPosition(63990);
  int32_t position = 0;
  EXPECT_EQ(ErrorOf([&] { stream->Scan([](const uint8_t*) { return false; }, position); }),
            kErrEndOfFile);
  stream->SetPosition(64001);
  EXPECT_EQ(ErrorOf([&] { stream->AtEnd(); }), kErrEndOfFile);
  FreeHandle(handle);
}

}  // namespace
