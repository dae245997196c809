#include "core/TickCount.h"

#include <gtest/gtest.h>

#include "core/Keys.h"
#include "core/MouseButton.h"
#include "core/TimerServices.h"
#include "platform/win32/Clock.h"
#include "platform/win32/Input.h"
#include "platform/win32/Window.h"

namespace {

class TickCountTest : public ::testing::Test {
 protected:
  void SetUp() override { ResetWindowSystem(); }
  void TearDown() override {
    ResetWindowSystem();
    UseProcessClock();
  }
};

TEST_F(TickCountTest, TicksAreSixtiethsOfASecondTruncated) {
  EXPECT_EQ(TicksFromMilliseconds(1000), 60);
  EXPECT_EQ(TicksFromMilliseconds(999), 59);
  EXPECT_EQ(TicksFromMilliseconds(17), 1);
  EXPECT_EQ(TicksFromMilliseconds(16), 0);
  UseVirtualClock(2500);
  EXPECT_EQ(GetTickCount60(), 150);
}

TEST_F(TickCountTest, TheCountStaysPositiveLongAfterTheMillisecondCounterWouldHaveWrapped) {
  // 25 days: the 32-bit signed millisecond count of the system would read negative by now.
  UseVirtualClock(uint64_t{25} * 24 * 3600 * 1000);
  EXPECT_GT(GetTickCount60(), 0);
  EXPECT_EQ(GetTickCount60(), 25 * 24 * 3600 * 60);
}

TEST_F(TickCountTest, IntervalsElapseOncePerIntervalAndAcrossTheWrap) {
  UseVirtualClock(0);
  SetInterval(6);  // 100 ms
  EXPECT_FALSE(IntervalElapsed());
  AdvanceVirtualClock(99);
  EXPECT_FALSE(IntervalElapsed());
  AdvanceVirtualClock(1);
  EXPECT_TRUE(IntervalElapsed());
  EXPECT_FALSE(IntervalElapsed());
  EXPECT_TRUE(TickDeadlineReached(INT32_MIN + 5, INT32_MAX - 5));  // due just before the wrap
  EXPECT_FALSE(TickDeadlineReached(INT32_MAX - 5, INT32_MIN + 5));
}

TEST_F(TickCountTest, ButtonsAndKeysAreThePhysicalStateWithoutReadingMessages) {
  EXPECT_FALSE(IsMouseButtonDown());
  InjectMouseButton(MouseButton::kLeft, true, {5, 5});
  EXPECT_TRUE(IsMouseButtonDown());
  InjectMouseButton(MouseButton::kLeft, false, {5, 5});
  EXPECT_FALSE(IsMouseButtonDown());
  InjectKey(VK_CONTROL, true);
  InjectKey(VK_ESCAPE, true);
  EXPECT_TRUE(IsControlKeyDown());
  EXPECT_TRUE(IsCommandKeyDown());
  EXPECT_TRUE(IsEscapeKeyDown());
  EXPECT_FALSE(IsShiftKeyDown());
  EXPECT_FALSE(IsDecimalKeyDown());
  InjectKey(VK_CONTROL, false);
  InjectKey(VK_ESCAPE, false);
  EXPECT_FALSE(IsControlKeyDown());
  const int32_t beeps = BeepCount();
  SysBeep();
  EXPECT_EQ(BeepCount(), beeps + 1);
}

TEST_F(TickCountTest, TheProgramDirectoryEndsAtTheLastSeparator) {
  char buffer[64];
  int32_t length = sizeof buffer;
  SetProgramDirectory("C:\\Programs\\YB\\yb.exe");
  GetProgramDirectory(buffer, &length);
  EXPECT_EQ(std::string(buffer, length), "C:\\Programs\\YB\\");
  SetProgramDirectory("/opt/yarrowby/bin/yarrowby");
  length = 0;
  GetProgramDirectory(nullptr, &length);
  EXPECT_EQ(length, 18);
  length = 4;
  GetProgramDirectory(buffer, &length);
  EXPECT_EQ(std::string(buffer, 4), "/opt");
  EXPECT_EQ(length, 18);
  // A colon or a backslash inside a name between slashes is part of the name.
  SetProgramDirectory("/home/me/yb:2/bin/yb:beta");
  length = sizeof buffer;
  GetProgramDirectory(buffer, &length);
  EXPECT_EQ(std::string(buffer, length), "/home/me/yb:2/bin/");
  SetProgramDirectory("/home/me/a\\b/yarrowby");
  length = sizeof buffer;
  GetProgramDirectory(buffer, &length);
  EXPECT_EQ(std::string(buffer, length), "/home/me/a\\b/");
  SetProgramDirectory("HD:Apps:YB");
  length = sizeof buffer;
  GetProgramDirectory(buffer, &length);
  EXPECT_EQ(std::string(buffer, length), "HD:Apps:");
  SetProgramDirectory("yb.exe");
  length = sizeof buffer;
  GetProgramDirectory(buffer, &length);
  EXPECT_EQ(length, 0);
}

}  // namespace
