// A data table that holds no values, whether it never had a cell store or its store is empty,
// answers 0 for every cell and every lookup instead of reading outside its values.

#include <gtest/gtest.h>

#include <memory>
#include <utility>

#include "bodies/Table.h"
#include "core/ClassRegistry.h"
#include "core/Handle.h"
#include "exchange/tables/DataTable.h"

namespace {

class EmptyDataTableTest : public ::testing::Test {
 protected:
  void SetUp() override {
    InitHandlePool();
    TTable::RegisterClasses();
    RegisterDataTableClasses();
    FreezeClassRegistry();
    table.Initialize();
  }
  void TearDown() override {
    table.SetCells(nullptr);
    FreeClassRegistry();
    FreeHandlePool();
  }
  // Every way of asking a table for a value, with and without a key column.
  void ExpectOnlyZeros() {
    for (const auto& [row, column] : {std::pair{1, 1}, {0, 0}, {3, 2}, {-4, 9}}) {
      SCOPED_TRACE(testing::Message() << "row " << row << ", column " << column);
      EXPECT_EQ(table.GetValue(row, column), 0.0);
      table.SetKeyColumn(1);
      EXPECT_EQ(table.Lookup(0.5, row, static_cast<int16_t>(column)), 0.0);
      table.SetKeyColumn(0);
      EXPECT_EQ(table.Lookup(0.5, row, static_cast<int16_t>(column)), 0.0);
    }
  }

  TDataTable table;
};

TEST_F(EmptyDataTableTest, ATableWithoutACellStoreGivesZero) {
  ASSERT_EQ(table.GetCells(), nullptr);
  ExpectOnlyZeros();
}

TEST_F(EmptyDataTableTest, AnEmptyCellStoreWithColumnsGivesZero) {
  auto cells = std::make_unique<TUITable>();
  cells->Initialize();
  cells->Assign(2, 0, {});
  table.SetCells(cells.get());
  ASSERT_EQ(table.GetRowCount(), 0);
  ExpectOnlyZeros();
  table.SetCells(nullptr);
}

}  // namespace
