#include "core/StreamRoot.h"

#include <cstring>
#include <vector>

#include <gtest/gtest.h>

#include "core/Failure.h"
#include "core/UnitHandler.h"
#include "tests/core/StreamTestSupport.h"

namespace {

template <typename T>
void Append(std::vector<uint8_t>& bytes, T value) {
  const auto* p = reinterpret_cast<const uint8_t*>(&value);
  bytes.insert(bytes.end(), p, p + sizeof value);
}

class StreamRootTest : public ::testing::Test {
 protected:
  void SetUp() override { InitHandlePool(); }
  void TearDown() override { FreeHandlePool(); }
  CentimetreUnits units;
};

TEST_F(StreamRootTest, BinaryStreamsWriteEveryValueInHostOrder) {
  TBinaryOutStream stream(nullptr, 0, false);
  stream.WriteFlag(1);
  stream.WriteByte(0xAB);
  stream.WriteShort(-2, 1);
  stream.WriteLong(0x12345678, 1);
  stream.WriteDouble(1.5, 1);
  stream.WriteVector(TVector(2.0, -3.0), 1);
  stream.WriteVector3(TVector3(4.0, 5.0, 0.25), 0);
  stream.WriteBytes("xyz", 3);
  stream.WriteString("ignored", true);
  stream.WriteCountedString(Str255("ignored"));

  std::vector<uint8_t> expected = {1, 0xAB};
  Append<int16_t>(expected, -2);
  Append<int32_t>(expected, 0x12345678);
  for (double value : {1.5, 2.0, -3.0, 4.0, 5.0, 0.25})
    Append(expected, value);
  expected.insert(expected.end(), {'x', 'y', 'z'});

  ASSERT_EQ(stream.GetLength(), static_cast<int32_t>(expected.size()));
  Handle handle = stream.DetachHandle();
  ASSERT_NE(handle, nullptr);
  EXPECT_FALSE(stream.ownsHandle());
  // The handle keeps its capacity; the written bytes lead it.
  ASSERT_GE(GetHandleByteSize(handle), expected.size());
  EXPECT_EQ(std::vector<uint8_t>(HandleData(handle), HandleData(handle) + expected.size()),
            expected);
  // With the handle gone the stream has nowhere to write.
  EXPECT_EQ(ErrorOf([&] { stream.WriteByte(1); }), kErrOutOfMemory);
  // The handle is the caller's: writing more into the stream must not touch it.
  stream.AttachHandle(AllocHandle(0), 0, false);
  stream.WriteByte(9);
  EXPECT_EQ(stream.GetLength(), 1);
  EXPECT_EQ(static_cast<uint8_t>(HandleData(handle)[0]), 1);
  EXPECT_EQ(static_cast<uint8_t>(HandleData(stream.handle())[0]), 9);
  FreeHandle(handle);
}

TEST_F(StreamRootTest, ConstructionNeedsAnOwnerWhenAskedAndFreesWhatItMade) {
  EXPECT_EQ(ErrorOf([] { TBinaryOutStream stream(nullptr, 16, true); }), kErrOutOfMemory);
  TBinaryOutStream owned(&units, 16, true);
  EXPECT_TRUE(owned.useUnits());
  EXPECT_TRUE(owned.IsMemberClass(574));
  EXPECT_TRUE(owned.IsMemberClass(573));
  EXPECT_TRUE(owned.IsMemberClass(572));
  EXPECT_EQ(owned.GetClassIDAt(3), 257);
  // A root without an inner stream to make cannot be completed.
  TStreamRoot root;
  EXPECT_EQ(ErrorOf([&] { root.InitStreamRoot(8, true, true); }), kErrOutOfMemory);
}

TEST_F(StreamRootTest, UnitsApplyOnlyWithAnOwner) {
  TBinaryOutStream stream(nullptr, 0, false);
  stream.SetUnits(1, true);
  EXPECT_FALSE(stream.useUnits());
  EXPECT_EQ(stream.unitFactor(), 1.0);
  stream.SetOwner(&units);
  stream.SetUnits(1, true);
  EXPECT_TRUE(stream.useUnits());
  EXPECT_EQ(stream.unitFactor(), 100.0);
  stream.SetUnits(1, false);
  EXPECT_FALSE(stream.useUnits());
}

TEST_F(StreamRootTest, AttachingResizesToTheInitialSizeOrEmpties) {
  TBinaryOutStream stream(nullptr, 32, false);
  Handle first = stream.DetachHandle();
  Handle second = AllocHandle(5);
  stream.AttachHandle(second, 0, true);
  EXPECT_EQ(GetHandleByteSize(second), 32u);
  EXPECT_EQ(stream.GetLength(), 0);
  Handle third = AllocHandle(5);
  stream.AttachHandle(third, 0, false);  // the owned second handle is freed, not leaked
  EXPECT_EQ(GetHandleByteSize(third), 0u);
  FreeHandle(first);
}

}  // namespace
