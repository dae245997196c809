// The time stamp written into exports names this month as people count it, 1 for January.

#include <gtest/gtest.h>

#include <cstdio>
#include <ctime>
#include <string>

#include "exchange/export/ExportHandler.h"

namespace {

int MonthNow() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  return local.tm_mon + 1;
}

TEST(ExportTimeStampMonth, IsTheCalendarMonthOfTheMomentItWasMade) {
  // The month is read on both sides of the stamp, so a stamp made as a month turns is judged
  // by either.
  const int before = MonthNow();
  Str255 text;
  FormatExportTimeStamp(text);
  const int after = MonthNow();
  const std::string stamp(text.Chars(), static_cast<size_t>(text.Length()));
  int month = -1, day = -1, year = -1;
  ASSERT_EQ(std::sscanf(stamp.c_str(), "%*d:%*d:%*d %d/%d/%d", &month, &day, &year), 3) << stamp;
  EXPECT_TRUE(month == before || month == after) << stamp << " against month " << before;
}

}  // namespace
