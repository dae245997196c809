#include "core/Handle.h"

#include <cstring>
#include <vector>

#include <gtest/gtest.h>

#include "core/Failure.h"

namespace {

class HandleTest : public ::testing::Test {
 protected:
  void SetUp() override { InitHandlePool(); }
  void TearDown() override {
    SetHeapCeiling(SIZE_MAX);
    SetMemError(0);
    FreeHandlePool();
  }
};

int16_t ErrorOf(auto&& code) {
  try {
    code();
  } catch (const QVException& failure) {
    return failure.error();
  }
  return 0;
}

TEST_F(HandleTest, ZeroSizedHandleHasABlock) {
  Handle handle = AllocHandle(0);
  EXPECT_EQ(GetHandleByteSize(handle), 0u);
  ASSERT_NE(HandleData(handle), nullptr);
  HandleData(handle)[0] = '\0';  // the extra byte is always there
  EXPECT_FALSE(IsHandleLocked(handle));
  EXPECT_EQ(FreeHandle(handle), 0);
}

TEST_F(HandleTest, EveryBlockHasRoomForATerminator) {
  Handle handle = AllocHandle(5);
  std::memcpy(HandleData(handle), "hello", 5);
  HandleData(handle)[5] = '\0';
  EXPECT_STREQ(HandleData(handle), "hello");
  FreeHandle(handle);
}

TEST_F(HandleTest, ResizeKeepsTheBytesAndUnlocks) {
  Handle handle = AllocHandle(4);
  std::memcpy(HandleData(handle), "abcd", 4);
  LockHandle(handle);
  ResizeHandle(handle, 4);
  EXPECT_TRUE(IsHandleLocked(handle)) << "the same size changes nothing";
  ResizeHandle(handle, 4096);
  EXPECT_EQ(GetHandleByteSize(handle), 4096u);
  EXPECT_FALSE(IsHandleLocked(handle));
  EXPECT_EQ(std::memcmp(HandleData(handle), "abcd", 4), 0);
  ResizeHandle(handle, 2);
  EXPECT_EQ(std::memcmp(HandleData(handle), "ab", 2), 0);
  FreeHandle(handle);
}

TEST_F(HandleTest, LockCountsUpAndUnlockClears) {
  Handle handle = AllocHandle(8);
  LockHandle(handle);
  LockHandleHigh(handle);
  EXPECT_EQ(FreeHandle(handle), 2) << "a locked handle is kept";
  EXPECT_EQ(GetHandleByteSize(handle), 8u) << "and stays valid";
  UnlockHandle(handle);
  EXPECT_FALSE(IsHandleLocked(handle)) << "one unlock clears two locks";
  EXPECT_EQ(FreeHandle(handle), 0);
}

TEST_F(HandleTest, TheLastFreedRecordComesBackFirst) {
  Handle a = AllocHandle(1);
  Handle b = AllocHandle(1);
  FreeHandle(a);
  FreeHandle(b);
  EXPECT_EQ(AllocHandle(3), b);
  EXPECT_EQ(AllocHandle(3), a);
  FreeHandle(a);
  FreeHandle(b);
}

TEST_F(HandleTest, AnExhaustedPoolRaisesOutOfMemory) {
  std::vector<Handle> handles;
  for (int i = 0; i < kHandlePoolSize; ++i) handles.push_back(AllocHandle(1));
  EXPECT_EQ(ErrorOf([] { AllocHandle(1); }), -108);
  FreeHandle(handles.back());
  handles.back() = AllocHandle(1);  // the pool works again once a record is free
  for (Handle handle : handles) FreeHandle(handle);
}

TEST_F(HandleTest, RefusedBlockReturnsTheRecordAndRaises) {
  Handle before = AllocHandle(1);
  FreeHandle(before);
  SetHeapCeiling(100);
  EXPECT_EQ(ErrorOf([] { AllocHandle(1000); }), -108);
  SetHeapCeiling(SIZE_MAX);
  EXPECT_EQ(AllocHandle(1), before) << "the record went back on the free list";
  FreeHandle(before);
}

TEST_F(HandleTest, RefusedResizeLeavesTheHandleAndSetsTheMemoryError) {
  Handle handle = AllocHandle(10);
  char* block = HandleData(handle);
  LockHandle(handle);
  SetHeapCeiling(100);
  ResizeHandleRaw(handle, 1000);
  EXPECT_EQ(GetMemError(), -108);
  EXPECT_EQ(GetHandleByteSize(handle), 10u);
  EXPECT_EQ(HandleData(handle), block);
  EXPECT_TRUE(IsHandleLocked(handle));
  SetMemError(0);
  EXPECT_EQ(ErrorOf([&] { ResizeHandle(handle, 1000); }), -108);
  EXPECT_EQ(GetMemError(), 0) << "ResizeHandle raised and cleared it";
  EXPECT_EQ(ErrorOf([&] { ResizeHandle(handle, 0xFFFFFFFF); }), -108)
      << "a size whose block would not fit 32 bits";
  UnlockHandle(handle);
  FreeHandle(handle);
}

TEST_F(HandleTest, CopiesIntoAndOutOfHandles) {
  Handle handle = NewHandleFromBytes("abcdef", 6);
  EXPECT_EQ(GetHandleByteSize(handle), 6u);
  EXPECT_EQ(std::memcmp(HandleData(handle), "abcdef", 6), 0);
  EXPECT_EQ(NewHandleFromBytes(nullptr, 6), nullptr);

  EXPECT_EQ(SetHandleFromBytes("xyz", handle, 3), 0);
  EXPECT_EQ(GetHandleByteSize(handle), 3u);
  EXPECT_EQ(std::memcmp(HandleData(handle), "xyz", 3), 0);
  EXPECT_EQ(SetHandleFromBytes("xyz", nullptr, 3), -46);

  SetHeapCeiling(100);
  EXPECT_EQ(SetHandleFromBytes(std::string(500, 'q').c_str(), handle, 500), -108);
  EXPECT_EQ(GetMemError(), -108);
  EXPECT_EQ(std::memcmp(HandleData(handle), "xyz", 3), 0) << "nothing was copied";
  FreeHandle(handle);
}

TEST_F(HandleTest, DuplicateReplacesTheHandleAndKeepsTheOld) {
  Handle original = NewHandleFromBytes("data", 4);
  Handle handle = original;
  EXPECT_EQ(DuplicateHandleData(&handle), 0);
  EXPECT_NE(handle, original);
  EXPECT_EQ(std::memcmp(HandleData(handle), "data", 4), 0);
  EXPECT_EQ(std::memcmp(HandleData(original), "data", 4), 0);
  EXPECT_FALSE(IsHandleLocked(handle));
  EXPECT_FALSE(IsHandleLocked(original));
  FreeHandle(handle);
  FreeHandle(original);
}

TEST_F(HandleTest, StringHandleHoldsTheWholeBody) {
  Handle handle = NewStringHandle(Str255("abc"));
  EXPECT_EQ(GetHandleByteSize(handle), 256u);
  EXPECT_EQ(static_cast<uint8_t>(HandleData(handle)[0]), 3);
  EXPECT_EQ(std::memcmp(HandleData(handle) + 1, "abc", 3), 0);
  FreeHandle(handle);
}

TEST_F(HandleTest, FreeIfAnyAcceptsNull) {
  EXPECT_EQ(FreeHandleIfAny(nullptr), nullptr);
  EXPECT_EQ(FreeHandleIfAny(AllocHandle(2)), nullptr);
}

TEST(Pointers, BlocksAreAtLeastFourBytes) {
  void* block = AllocPtr(0);
  ASSERT_NE(block, nullptr);
  std::memset(block, 0xAB, 4);
  block = SetPtrSize(block, 1);
  std::memset(block, 0xCD, 4);
  FreePtr(block);
  FreePtr(nullptr);
  void* fresh = SetPtrSize(nullptr, 10);
  ASSERT_NE(fresh, nullptr);
  FreePtr(fresh);
}

TEST(Pointers, CopyBytesHandlesOverlap) {
  char text[] = "abcdef";
  CopyBytes(text, text + 2, 4);
  EXPECT_STREQ(text, "ababcd");
  CopyBytes(nullptr, nullptr, 0);
}

}  // namespace
