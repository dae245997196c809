#include "simulation/HistoryStore.h"

#include <bit>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include <gtest/gtest.h>

#include "core/Failure.h"
#include "core/Handle.h"

namespace {

class HistoryStoreTest : public ::testing::Test {
 protected:
  void SetUp() override { InitHandlePool(); }
  void TearDown() override { FreeHandlePool(); }

  // Frame f holds f * 100 + v for each value v.
  static void Fill(THistoryStore& store, int32_t frames) {
    for (int32_t f = 0; f < frames; ++f) {
      store.SetFrameCount(f + 1);
      for (int32_t v = 0; v < store.GetValuesPerFrame(); ++v)
        ASSERT_TRUE(store.SetValue(f, v, f * 100.0 + v));
      ASSERT_FALSE(store.SetValue(f, store.GetValuesPerFrame(), 0.0));
    }
  }
};

int16_t ErrorOf(auto&& code) {
  try {
    code();
  } catch (const QVException& failure) {
    return failure.error();
  }
  return 1;
}

TEST_F(HistoryStoreTest, GrowsAndKeepsItsHeader) {
  THistoryStore store;
  EXPECT_EQ(store.GetFrameCount(), 0);
  EXPECT_EQ(static_cast<uint16_t>(store.GetCurrentFrame()), 65535);
  EXPECT_EQ(store.GetFloatSizeCode(), 64);
  EXPECT_EQ(store.GetBlockSize(), 44u + kHistoryMinimumDataBytes);
  EXPECT_EQ(store.GetLastFrame(), -1);

  store.SetValuesPerFrame(1000);
  store.SetTimeStep(0.02);
  Fill(store, 12);
  EXPECT_EQ(store.GetBlockSize(), 44u + 12 * 1000 * 8);
  EXPECT_EQ(store.HeaderWord(kHistoryWordFrameCount), 12);
  EXPECT_EQ(store.GetTimeStep(), 0.02);
  EXPECT_EQ(store.GetValue(11, 999), 2099.0);
  EXPECT_EQ(store.GetValue(12, 0), kHistoryNoValue);
  EXPECT_EQ(store.GetValue(11, -1), kHistoryNoValue);

  // Room grows by ten frames at a time; the frames stay.
  const int32_t capacity = store.SlotCapacity();
  store.MakeRoom();
  EXPECT_EQ(store.SlotCapacity(), capacity + 10);
  EXPECT_EQ(store.GetValue(5, 7), 507.0);

  // The current frame is brought below a smaller frame count.
  store.SetCurrentFrame(11);
  store.SetFrameCount(4);
  EXPECT_EQ(store.GetCurrentFrame(), 3);
  EXPECT_EQ(store.GetBlockSize(), 44u + 10 * 1000 * 8);

  // A size no block can have fails before anything changes.
  store.SetValuesPerFrame(1 << 20);
  EXPECT_EQ(ErrorOf([&] { store.SetFrameCount(1000); }), kErrOutOfMemory);
  EXPECT_EQ(store.GetFrameCount(), 4);
  SetHeapCeiling(store.GetBlockSize());
  store.SetValuesPerFrame(1000);
  EXPECT_EQ(ErrorOf([&] { store.MakeRoom(); }), kErrOutOfMemory);
  SetHeapCeiling(SIZE_MAX);
}

TEST_F(HistoryStoreTest, MarkedHistoryKeepsFrameZeroAndTheLastFrames) {
  THistoryStore store;
  store.SetValuesPerFrame(2);
  Fill(store, 6);
  EXPECT_FALSE(store.HasMark());
  EXPECT_EQ(store.GetFirstFrame(), 0);
  store.SetMark(true);
  EXPECT_EQ(store.GetMark(), 5);
  // Frames go on into the ring of 5 slots after frame 0, as the solver writes them.
  for (int32_t f = 6; f < 14; ++f) {
    store.SetFrameCount(f + 1);
    ASSERT_TRUE(store.SetValue(f, 0, f * 100.0));
    ASSERT_TRUE(store.SetValue(f, 1, f * 100.0 + 1));
  }
  EXPECT_EQ(store.GetFirstFrame(), 14 - 5 + 1);
  EXPECT_TRUE(store.HoldsFrame(0));
  EXPECT_EQ(store.GetValue(0, 1), 1.0);
  EXPECT_FALSE(store.HoldsFrame(9));
  for (int32_t f = 10; f < 14; ++f)
    EXPECT_EQ(store.GetValue(f, 0), f * 100.0) << f;
  EXPECT_LE(store.GetBlockSize(), 44u + kHistoryMinimumDataBytes);

  // A cursor on a frame that has been let go answers no value.
  THistoryCursor cursor;
  cursor.Position(store, 9, 0);
  EXPECT_EQ(cursor.Value(), kHistoryNoValue);
  store.SetMark(false);
  EXPECT_EQ(store.GetFirstFrame(), 0);
}

TEST_F(HistoryStoreTest, CursorsReadValuesInOrder) {
  THistoryStore store;
  store.SetValuesPerFrame(3);
  Fill(store, 4);
  THistoryCursor& cursor = store.PositionAtFrame(2);
  EXPECT_EQ(ReadHistoryValueAndAdvance(cursor), 200.0);
  EXPECT_EQ(ReadHistoryValueAndAdvance(cursor), 201.0);
  EXPECT_EQ(ReadHistoryValue(cursor), 202.0);
  cursor.Restore(2);
  EXPECT_EQ(cursor.Value(), 200.0);
  store.Advance(2);
  EXPECT_EQ(store.Cursor().Value(), 202.0);
  // Past the frame's values, before them, or unpositioned: no value, never a neighbour's.
  cursor.Advance(1);
  EXPECT_EQ(cursor.Value(), kHistoryNoValue);
  cursor.Restore(4);
  EXPECT_EQ(cursor.Value(), kHistoryNoValue);
  EXPECT_EQ(THistoryCursor().Value(), kHistoryNoValue);

  THistoryCursor stored;
  stored.index = 4;
  stored.ownerId = 9;
  stored.Reset();
  EXPECT_EQ(stored.index, 0);
  EXPECT_EQ(stored.ownerId, 0);
  EXPECT_EQ(stored.object, nullptr);

  EXPECT_EQ(store.SetReadMode(1), 0);
  EXPECT_EQ(store.SetReadMode(0), 1);
}

// A raw stored block written by hand: header, values in the given width, trailer.
std::vector<uint8_t> RawBlock(int32_t code, int32_t frames, int32_t values,
                              const std::vector<std::vector<uint8_t>>& reals) {
  std::vector<uint8_t> raw(44, 0);
  const auto put32 = [](std::vector<uint8_t>& out, size_t at, uint32_t value) {
    for (int i = 0; i < 4; ++i)
      out[at + i] = static_cast<uint8_t>(value >> (24 - 8 * i));
  };
  put32(raw, 4, static_cast<uint32_t>(code));
  put32(raw, 36, static_cast<uint32_t>(frames));
  put32(raw, 40, static_cast<uint32_t>(values));
  for (const auto& real : reals)
    raw.insert(raw.end(), real.begin(), real.end());
  const size_t trailer = raw.size();
  raw.resize(trailer + 24, 0);
  put32(raw, trailer + 8, 0xFFFFFFFE);  // own field -2
  put32(raw, trailer + 12, static_cast<uint32_t>(values));
  put32(raw, trailer + 16, static_cast<uint32_t>(frames));
  put32(raw, trailer + 20, static_cast<uint32_t>(code));
  return raw;
}

TEST_F(HistoryStoreTest, StoredHistoriesReadBackInEveryFloatFormat) {
  // 1.5 and -0.25 in each stored width, big-endian.
  const std::vector<std::vector<uint8_t>> single = {{0x3F, 0xC0, 0, 0}, {0xBE, 0x80, 0, 0}};
  const std::vector<std::vector<uint8_t>> dbl = {{0x3F, 0xF8, 0, 0, 0, 0, 0, 0},
                                                 {0xBF, 0xD0, 0, 0, 0, 0, 0, 0}};
  const std::vector<std::vector<uint8_t>> extended = {{0x3F, 0xFF, 0xC0, 0, 0, 0, 0, 0, 0, 0},
                                                      {0xBF, 0xFD, 0x80, 0, 0, 0, 0, 0, 0, 0}};
  const std::vector<std::vector<uint8_t>> padded = {{0x3F, 0xFF, 0, 0, 0xC0, 0, 0, 0, 0, 0, 0, 0},
                                                    {0xBF, 0xFD, 0, 0, 0x80, 0, 0, 0, 0, 0, 0, 0}};
  for (const auto& [code, reals] :
       {std::pair{32, single}, {4, single}, {64, dbl}, {80, extended}, {96, padded}}) {
    THistoryStore store;
    ASSERT_EQ(store.LoadRawBlock(RawBlock(code, 1, 2, reals)), 0) << code;
    EXPECT_EQ(store.GetFrameCount(), 1);
    EXPECT_EQ(store.GetValuesPerFrame(), 2);
    EXPECT_EQ(store.GetFloatSizeCode(), 64);
    EXPECT_EQ(store.GetOwnField(), -2);
    EXPECT_EQ(store.GetValue(0, 0), 1.5) << code;
    EXPECT_EQ(store.GetValue(0, 1), -0.25) << code;
  }

  // Refused blocks leave the store as it was.
  THistoryStore store;
  store.SetValuesPerFrame(2);
  Fill(store, 3);
  EXPECT_EQ(store.LoadRawBlock(RawBlock(48, 1, 2, dbl)), -25001);
  std::vector<uint8_t> shortBlock = RawBlock(64, 2, 2, dbl);  // two frames claimed, one stored
  EXPECT_EQ(store.LoadRawBlock(shortBlock), -25002);
  EXPECT_EQ(store.LoadRawBlock(RawBlock(64, 1, -1, dbl)), -25002);
  EXPECT_EQ(store.LoadRawBlock(std::vector<uint8_t>(60, 0)), -25002);
  EXPECT_EQ(store.LoadRawBlock(RawBlock(64, 0x20000000, 0x20000000, dbl)), -25002);
  EXPECT_EQ(store.GetFrameCount(), 3);
  EXPECT_EQ(store.GetValue(2, 1), 201.0);
}

TEST_F(HistoryStoreTest, StoredCountsWhoseProductWrapsAreRefused) {
  THistoryStore store;
  store.SetValuesPerFrame(2);
  Fill(store, 3);
  // 1073764994 frames of 2147437309 doubles: in 64 bits the byte count wraps to the 537552
  // bytes that follow the header.
  std::vector<uint8_t> raw = RawBlock(64, 1073764994, 2147437309, {});
  raw.insert(raw.begin() + 44, 537552, 0);
  EXPECT_EQ(store.LoadRawBlock(raw), -25002);
  EXPECT_EQ(store.GetFrameCount(), 3);
  EXPECT_EQ(store.GetValuesPerFrame(), 2);
  EXPECT_EQ(store.GetValue(2, 1), 201.0);
}

TEST_F(HistoryStoreTest, LoadedBlocksReserveOnlyWhatWasStored) {
  // Header and trailer alone: no frames, 26.8 million values per frame.
  THistoryStore store;
  ASSERT_EQ(store.LoadRawBlock(RawBlock(64, 0, 26800000, {})), 0);
  EXPECT_EQ(store.GetFrameCount(), 0);
  EXPECT_EQ(store.GetValuesPerFrame(), 26800000);
  EXPECT_LE(store.GetBlockSize(), 44u + kHistoryMinimumDataBytes);
  EXPECT_EQ(store.GetValue(0, 0), kHistoryNoValue);
}

TEST_F(HistoryStoreTest, BlockRefusedForWantOfMemoryLeavesTheStoreAsItWas) {
  THistoryStore store;
  store.SetValuesPerFrame(2);
  store.SetOwnField(5);
  Fill(store, 3);
  store.StoredCursors().push_back(std::make_unique<THistoryCursor>());
  const std::vector<uint8_t> before = store.RawBlock();
  // 20000 frames of 2 doubles: 320000 bytes, more than the heap then grants.
  std::vector<uint8_t> raw = RawBlock(64, 20000, 2, {});
  raw.insert(raw.begin() + 44, 20000 * 2 * 8, 0x3F);
  SetHeapCeiling(100000);
  EXPECT_EQ(ErrorOf([&] { store.LoadRawBlock(raw); }), -108);
  SetHeapCeiling(SIZE_MAX);
  EXPECT_EQ(store.RawBlock(), before);
  EXPECT_EQ(store.StoredCursors().size(), 1u);
  ASSERT_EQ(store.LoadRawBlock(raw), 0);
  EXPECT_EQ(store.GetFrameCount(), 20000);
  EXPECT_TRUE(store.StoredCursors().empty());
}

TEST_F(HistoryStoreTest, RawBlocksAndByteOrderRoundTrip) {
  THistoryStore store;
  store.SetValuesPerFrame(3);
  store.SetTimeStep(0.05);
  store.SetOwnField(7);
  Fill(store, 5);
  const std::vector<uint8_t> raw = store.RawBlock();
  ASSERT_EQ(raw.size(), 44u + 5 * 3 * 8 + 24);
  // Big-endian: the frame count word, a value, and the trailer's float size code.
  EXPECT_EQ((std::vector<uint8_t>(raw.begin() + 36, raw.begin() + 40)),
            (std::vector<uint8_t>{0, 0, 0, 5}));
  EXPECT_EQ(raw[44 + 8], 0x3F);  // 1.0, the second value of frame 0
  EXPECT_EQ(raw[raw.size() - 1], 64);
  EXPECT_EQ(raw[raw.size() - 9], 3);

  THistoryStore copy;
  ASSERT_EQ(copy.LoadRawBlock(raw), 0);
  EXPECT_EQ(copy.GetTimeStep(), 0.05);
  EXPECT_EQ(copy.GetOwnField(), 7);
  for (int32_t f = 0; f < 5; ++f)
    for (int32_t v = 0; v < 3; ++v)
      EXPECT_EQ(copy.GetValue(f, v), f * 100.0 + v);
  EXPECT_EQ(copy.RawBlock(), raw);

  // In place: big-endian and back gives the same block; while turned, no values are read.
  const bool wasLocked = store.Lock();
  store.ConvertToBigEndian();
  EXPECT_EQ(store.GetValue(1, 0), kHistoryNoValue);
  const auto* bytes = reinterpret_cast<const uint8_t*>(HandleData(store.GetBlock()));
  EXPECT_EQ(std::memcmp(bytes, raw.data(), 44 + 5 * 3 * 8), 0);
  store.ConvertToHost();
  store.RestoreLock(wasLocked);
  EXPECT_FALSE(IsHandleLocked(store.GetBlock()));
  EXPECT_EQ(store.RawBlock(), raw);
}

}  // namespace
