#include "core/Stream.h"

#include <cstring>
#include <vector>

#include <gtest/gtest.h>

#include "core/Failure.h"
#include "core/MacFile.h"
#include "tests/core/FileCallsTestFolder.h"
#include "tests/core/StreamTestSupport.h"

namespace {

// A stream with only the base's Scan and Checksum, over a vector.
class VectorStream : public TStream {
 public:
  explicit VectorStream(std::vector<uint8_t> bytes) : bytes_(std::move(bytes)) {}
  int32_t GetLength() override { return static_cast<int32_t>(bytes_.size()); }
  void ReadAt(int32_t position, int32_t count, void* buffer) override {
    ASSERT_GE(position, 0);
    ASSERT_LE(position + count, GetLength()) << "read past the end";
    std::memcpy(buffer, bytes_.data() + position, count);
  }
  int32_t GetPosition() override { return position_; }
  void SetPosition(int32_t position) override { position_ = position; }

 private:
  std::vector<uint8_t> bytes_;
  int32_t position_ = 0;
};

// The checksum computed from the definition, over bytes that extend with zeros.
uint32_t ExpectedChecksum(const std::vector<uint8_t>& bytes, int32_t start) {
  const int32_t last = static_cast<int32_t>(bytes.size()) - 1;
  uint32_t sum = 0xE7F2C861u;
  for (int32_t i = 1; i <= 111; ++i) {
    const int32_t position = start + (last - start) / i;
    uint32_t value = 0;
    for (int k = 0; k < 4; ++k) {
      const size_t at = static_cast<size_t>(position + k);
      const uint32_t byte = at < bytes.size() ? bytes[at] : 0;
      value |= byte << (8 * k);
    }
    sum += value;
  }
  return sum;
}

class StreamTest : public ::testing::Test {
 protected:
  void SetUp() override { InitHandlePool(); }
  void TearDown() override { FreeHandlePool(); }
  TestFolder folder;
};

TEST_F(StreamTest, ChecksumNeverReadsPastTheEnd) {
  std::vector<uint8_t> bytes(300);
  for (size_t i = 0; i < bytes.size(); ++i)
    bytes[i] = static_cast<uint8_t>(i * 37 + 11);
  VectorStream plain(bytes);
  EXPECT_EQ(plain.Checksum(0), ExpectedChecksum(bytes, 0));
  EXPECT_EQ(plain.Checksum(100), ExpectedChecksum(bytes, 100));

  Handle handle = NewHandleFromBytes(bytes.data(), static_cast<uint32_t>(bytes.size()));
  auto memory = MakeReadStream(false, handle);
  EXPECT_EQ(memory->Checksum(0), ExpectedChecksum(bytes, 0));
  FreeHandle(handle);

  const std::string path = folder.Write("sum", bytes);
  TMacFile file{Str255(path.c_str())};
  ASSERT_EQ(file.Open(TMacFile::kRead), 0);
  auto onFile = MakeWriteStream(&file, false);
  EXPECT_EQ(onFile->Checksum(7), ExpectedChecksum(bytes, 7));
  EXPECT_EQ(onFile->GetPosition(), 0);
}

TEST_F(StreamTest, ChecksumOfNothingIsTheSilentFailure) {
  VectorStream stream({1, 2, 3});
  EXPECT_EQ(ErrorOf([&] { stream.Checksum(3); }), 0);
  EXPECT_EQ(stream.Checksum(2), ExpectedChecksum({1, 2, 3}, 2));
  EXPECT_EQ(ErrorOf([&] { stream.CheckAbort(true); }), 0);
  EXPECT_EQ(ErrorOf([&] { stream.CheckAbort(false); }), 1);
}

TEST_F(StreamTest, BaseScanEndsWithTheLastByteAndAZero) {
  VectorStream stream({'a', 'b', 'c'});
  std::vector<std::pair<uint8_t, uint8_t>> pairs;
  int32_t position = 99;
  stream.Scan(
      [&](const uint8_t* pair) {
        pairs.emplace_back(pair[0], pair[1]);
        return false;
      },
      position);
  const std::vector<std::pair<uint8_t, uint8_t>> expected = {{'a', 'b'}, {'b', 'c'}, {'c', 0}};
  EXPECT_EQ(pairs, expected);
  EXPECT_EQ(position, 3);
  EXPECT_EQ(stream.GetPosition(), 3);

  stream.SetPosition(0);
  stream.Scan([](const uint8_t* pair) { return pair[0] == 'b'; }, position);
  EXPECT_EQ(position, 1);
  EXPECT_EQ(stream.GetPosition(), 1);
}

}  // namespace
