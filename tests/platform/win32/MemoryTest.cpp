#include "platform/win32/Memory.h"

#include <gtest/gtest.h>

#include "platform/win32/Clock.h"

namespace {

TEST(GlobalMemoryStatus, ReportsTheMachinesMemory) {
  MEMORYSTATUS status;
  GlobalMemoryStatus(&status);
  EXPECT_EQ(status.dwLength, sizeof(MEMORYSTATUS));
  EXPECT_GT(status.dwTotalPhys, size_t{64} << 20);
  EXPECT_LE(status.dwAvailPhys, status.dwTotalPhys);
  EXPECT_LE(status.dwAvailPageFile, status.dwTotalPageFile);
  EXPECT_LE(status.dwMemoryLoad, 100u);
}

}  // namespace

namespace {

// The low-memory test runs at every idle pass: the kernel's figures are read again only once the
// last reading has aged, however often they are asked for.
TEST(GlobalMemoryStatus, AReadingIsKeptForItsAgeThenTakenAgain) {
  UseVirtualClock(5000);
  MEMORYSTATUS status;
  GlobalMemoryStatus(&status);  // a reading of this clock's time
  const uint64_t first = MemoryStatusReadCount();
  for (int i = 0; i < 1000; ++i) GlobalMemoryStatus(&status);
  AdvanceVirtualClock(kMemoryStatusAge - 1);
  GlobalMemoryStatus(&status);
  EXPECT_EQ(MemoryStatusReadCount(), first) << "a young reading is answered again";
  EXPECT_GT(status.dwTotalPhys, size_t{64} << 20);

  AdvanceVirtualClock(1);
  for (int i = 0; i < 1000; ++i) GlobalMemoryStatus(&status);
  EXPECT_EQ(MemoryStatusReadCount(), first + 1) << "an aged one is read once more";
  EXPECT_EQ(status.dwLength, sizeof(MEMORYSTATUS));
  UseProcessClock();
}

}  // namespace
