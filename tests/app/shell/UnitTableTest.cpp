// The units start in the order of their table, hooks of later folders at their place: the first
// registration of a tag wins, the unit handler's failure is dropped, any other failure ends
// the rows already started, and at exit the rows end from the last to the first.

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "app/TApp.h"
#include "app/shell/UnitTable.h"
#include "core/ClassRegistry.h"
#include "core/Failure.h"
#include "core/Tag.h"

namespace {

class TFirstKind : public TObject {};
class TSecondKind : public TObject {};

TObject* MakeFirst() {
  return new TFirstKind;
}
TObject* MakeSecond() {
  return new TSecondKind;
}

constexpr uint32_t kSharedTag = 0x54735431;  // "TsT1"

class UnitTableTest : public ::testing::Test {
 protected:
  void SetUp() override {
    stream_ = std::tmpfile();
    app_ = std::make_unique<TApp>(stream_);
    app_->LoadResourceDlls();
  }
  void TearDown() override {
    ClearUnitHooks();
    app_->FreeResourceDlls();
    app_.reset();
    std::fclose(stream_);
  }
  // A hook at the row that logs its start and end, and may register the shared tag.
  void LogRow(int16_t row, ClassFactory factory = nullptr, int16_t classId = 0) {
    SetUnitHook(
        row,
        [this, row, factory, classId] {
          log_.push_back("init " + std::to_string(row));
          if (factory != nullptr) RegisterClassInfo("TShared", kSharedTag, classId, factory, 8);
        },
        [this, row] { log_.push_back("term " + std::to_string(row)); });
  }

  std::FILE* stream_ = nullptr;
  std::unique_ptr<TApp> app_;
  std::vector<std::string> log_;
};

TEST_F(UnitTableTest, EveryRowHasItsPlaceInAscendingOrder) {
  int16_t previous = 0;
  std::vector<bool> present(kUnitRows + 1, false);
  for (const TUnitStep& step : UnitSteps()) {
    EXPECT_GE(step.row, previous) << step.name;
    previous = step.row;
    present[static_cast<size_t>(step.row)] = true;
  }
  for (int16_t row = 1; row <= kUnitRows; ++row) EXPECT_TRUE(present[static_cast<size_t>(row)]) << row;
}

TEST_F(UnitTableTest, HooksRunAtTheirRowsAndTheEarlierRegistrationOfATagWins) {
  LogRow(33, MakeSecond, 902);
  LogRow(13, MakeFirst, 901);
  LogRow(56);
  app_->InitUnits();
  EXPECT_EQ(ClassIdFromTag(kSharedTag), 901);
  app_->TermUnits();
  EXPECT_EQ(log_, (std::vector<std::string>{"init 13", "init 33", "init 56", "term 56", "term 33",
                                            "term 13"}));
}

TEST_F(UnitTableTest, OnlyTheUnitHandlersFailureIsDropped) {
  SetUnitHook(11, [] { ThrowFailure(-25001, 0); });
  LogRow(13);
  app_->InitUnits();
  app_->TermUnits();
  EXPECT_EQ(log_, (std::vector<std::string>{"init 13", "term 13"}));

  log_.clear();
  ClearUnitHooks();
  LogRow(13);
  SetUnitHook(20, [] { ThrowFailure(-25002, 0); });
  LogRow(40);
  EXPECT_THROW(app_->InitUnits(), QVException);
  EXPECT_EQ(log_, (std::vector<std::string>{"init 13", "term 13"}));
  EXPECT_EQ(ClassRegistryCount(), 0);
}

}  // namespace
