// Meter columns named and sent over the data link.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "inout/meters/Output.h"
#include "simulation/UnitHandler.h"

namespace {

std::string Text(const Str255& s) {
  return std::string(s.Chars(), static_cast<size_t>(s.Length()));
}

TEST(OutputLink, CellsAndItemNamesFollowTheLinkSettings) {
  TOutput meter;
  meter.SetName(Str255("Meter3"));
  meter.SetColumnCount(3);
  int32_t row = 0;
  int32_t column = 0;
  meter.GetCellAddress(2, 1, row, column);
  EXPECT_EQ(row, 2);
  EXPECT_EQ(column, 2);

  meter.ColumnRecord(2).name = Str255("kept");
  meter.NameLinkItems(4, Str255("Results.xls"));
  EXPECT_EQ(Text(meter.GetColumnRecord(1).name), "R4C2");
  EXPECT_EQ(Text(meter.GetColumnRecord(2).name), "kept");
  EXPECT_EQ(meter.GetColumnRecord(3).name.Length(), 0);  // no fourth column

  TOutput numbered;
  numbered.SetColumnCount(2);
  numbered.NameLinkItems(2, Str255("run.MATLAB"));
  EXPECT_EQ(Text(numbered.GetColumnRecord(1).name), "y21");

  Str255 item;
  meter.GetColumnItemName(3, item);
  EXPECT_EQ(Text(item), "Meter3.y2");
  meter.GetColumnItemName(1, item);
  EXPECT_EQ(item.Length(), 0);
}

TEST(OutputLink, OnlyLinkedNamedColumnsAreSent) {
  TWorldUnitHandler units;
  units.SetNumberFormat(kNumberFormatFixed);
  units.SetDigits(2);
  TOutput meter;
  meter.SetColumnCount(3);
  meter.Column(2)->SetValue(1.5, false);
  meter.Column(3)->SetValue(-2.0, false);
  meter.ColumnRecord(1) = TColumnRecord{Str255("speed"), 0, true};
  meter.ColumnRecord(2) = TColumnRecord{Str255("angle"), 0, false};
  std::vector<std::string> sent;
  meter.ForEachLinkedValue(&units, [&](const Str255& name, const Str255& value) {
    sent.push_back(Text(name) + "=" + Text(value));
  });
  EXPECT_EQ(sent, (std::vector<std::string>{"speed=1.50"}));
}

}  // namespace
