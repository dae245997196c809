#include "platform/win32/Memory.h"

#include <gtest/gtest.h>

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
