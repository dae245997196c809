#include "inout/meters/RangeSet.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

namespace {

std::vector<std::pair<int, int>> Ranges(const TRangeSet& set) {
  std::vector<std::pair<int, int>> out;
  for (int32_t i = 1; i <= set.GetCount(); ++i) out.emplace_back(set.RangeAt(i).low, set.RangeAt(i).high);
  return out;
}

using R = std::vector<std::pair<int, int>>;

TEST(RangeSet, AddingRunsJoinsNeighbours) {
  TRangeSet set;
  set.AddMember(1);
  set.AddMember(2);
  set.AddMember(3);
  EXPECT_EQ(Ranges(set), (R{{1, 3}}));
  set.AddMember(5);
  EXPECT_EQ(Ranges(set), (R{{1, 3}, {5, 5}}));
  set.AddMember(4);
  EXPECT_EQ(Ranges(set), (R{{1, 5}}));
  set.AddMember(-7);
  set.AddMember(9);
  set.AddMember(8);
  EXPECT_EQ(Ranges(set), (R{{-7, -7}, {1, 5}, {8, 9}}));
  EXPECT_TRUE(set.Contains(4));
  EXPECT_FALSE(set.Contains(6));
  EXPECT_TRUE(set.Contains(-7));
}

TEST(RangeSet, RemovingSplitsAndCuts) {
  TRangeSet set;
  for (int16_t n : {1, 2, 3, 5, 6, 7}) set.AddMember(n);
  set.RemoveMember(2);
  EXPECT_EQ(Ranges(set), (R{{1, 1}, {3, 3}, {5, 7}}));
  set.RemoveMember(1);
  set.RemoveMember(7);
  EXPECT_EQ(Ranges(set), (R{{3, 3}, {5, 6}}));

  TRangeSet cut;
  for (int16_t n : {1, 2, 3, 5, 6, 7}) cut.AddMember(n);
  cut.RemoveFrom(2);
  EXPECT_EQ(Ranges(cut), (R{{1, 1}}));
  for (int16_t n : {5, 6}) cut.AddMember(n);
  cut.RemoveFrom(4);  // between ranges
  EXPECT_EQ(Ranges(cut), (R{{1, 1}}));
  cut.RemoveFrom(1);
  EXPECT_TRUE(cut.IsEmpty());
}

TEST(RangeSet, FirstLastAndFreeAnswers) {
  TRangeSet set;
  EXPECT_EQ(set.FirstMember(), 32767);
  EXPECT_EQ(set.LastMember(), 0);
  EXPECT_EQ(set.LowestFree(), 0);
  EXPECT_EQ(set.HighestFree(), 32767);
  for (int16_t n = 0; n <= 9; ++n) set.AddMember(n);
  EXPECT_EQ(set.LowestFree(), 10);
  set.RemoveMember(0);
  set.RemoveMember(1);
  set.RemoveMember(2);
  EXPECT_EQ(set.LowestFree(), 0);
  set.AddMember(32767);
  set.AddMember(32766);
  EXPECT_EQ(set.HighestFree(), 32765);
}

TEST(RangeSet, RunsAtTheEndsOfTheNumbersDoNotWrap) {
  TRangeSet set;
  set.AddMember(-32768);
  EXPECT_EQ(set.HighestFree(), 32767);
  set.AddMember(32767);
  // (-32768..-32768) and (32767..32767) stay two ranges: no wrap-around join.
  EXPECT_EQ(Ranges(set), (R{{-32768, -32768}, {32767, 32767}}));
  TRangeSet full;
  full.AddMember(0);
  full.AddMember(32767);
  for (int n = 1; n < 32767; n += 1) full.AddMember(static_cast<int16_t>(n));
  EXPECT_EQ(Ranges(full), (R{{0, 32767}}));
  EXPECT_EQ(full.LowestFree(), 32767);  // nothing free above
}

}  // namespace
