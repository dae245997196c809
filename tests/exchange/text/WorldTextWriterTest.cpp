// The text world writer: how its handle grows, how values are formatted, what Finish hands back,
// and the record objects' identifiers and limits.

#include "exchange/text/WorldTextWriter.h"

#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>

#include "core/Failure.h"
#include "core/Tag.h"
#include "exchange/text/WorldTextRecords.h"
#include "model/filing/ClassSource.h"
#include "resources/ResourceLibraries.h"
#include "core/Resources.h"

namespace {

class WorldTextWriterTest : public ::testing::Test {
 protected:
  void SetUp() override { InitHandlePool(); }
  void TearDown() override { FreeHandlePool(); }
};

TEST_F(WorldTextWriterTest, TheHandleGrowsWhenFewerThanFiftyBytesWouldStayFree) {
  Handle small = AllocHandle(60);
  {
    TWorldTextWriter writer(small);
    writer.WriteString("12345");
    EXPECT_EQ(GetHandleByteSize(small), 60u);
    writer.WriteString("123456789012345");
    EXPECT_EQ(GetHandleByteSize(small), 5180u);
    // An item longer than any step arrives whole, with room after it.
    const std::string name(12000, 'n');
    writer.WriteQuoted(name);
    EXPECT_GE(GetHandleByteSize(small), writer.Length() + TWorldTextWriter::kLeastFree);
    EXPECT_EQ(writer.Text().substr(20), "\"" + name + "\"");
    EXPECT_EQ(writer.Finish(), small);
  }
  EXPECT_EQ(GetHandleByteSize(small), 20u + 12002u);
  FreeHandle(small);
}

TEST_F(WorldTextWriterTest, ValuesAreWrittenAsTheReaderTakesThem) {
  TWorldTextWriter writer;
  writer.WriteHeader();
  EXPECT_EQ(writer.Text(), "ZODA YB3X 4.0 \"\" \"Win\" \"\" \"\" \"\" \"\" ");
  EXPECT_EQ(writer.Length(), 35u);
  writer.WriteBoolean(0x10000).WriteBoolean(2).WriteChar(' ').WriteDouble(0.1).WriteChar(' ');
  writer.WriteDouble(1234567).WriteChar(' ').WriteShort(-3).WriteChar(' ');
  writer.WritePoint(MacPoint(4, 7)).WritePair({1.5, -2}).WriteTriple({1, 2, 0.25});
  writer.WriteQuoted("a\"b\\c").WriteRecordLine(5000, 1).WriteObjectStart(12).WriteObjectEnd();
  writer.WriteListEnd();
  EXPECT_EQ(writer.Text().substr(35),
            "01 0.1 1.23457e+06 -3 4, 7;1.5, -2;1, 2, 0.25;\"a\\\"b\\\\c\"5000; 2, 1\n"
            "\n12 \"    \"\n\n-1\n\n\n-1");
  const Handle copy = writer.Finish();
  // The writer's own handle goes with it; the caller's is a copy of the text.
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(std::string(HandleData(copy), GetHandleByteSize(copy)), std::string(writer.Text()));
  FreeHandle(copy);
}

TEST_F(WorldTextWriterTest, WritingWithoutAHandleFails) {
  TWorldTextWriter writer(nullptr);
  try {
    writer.WriteLong(1);
    ADD_FAILURE() << "a value was written without a handle";
  } catch (const QVException& failure) {
    EXPECT_EQ(failure.error(), -108);
  }
}

TEST_F(WorldTextWriterTest, RecordIdentifiersCountUpPassingTheWorldsAndEndAtTheLast) {
  TWorldTextRecord::RestartIdentifiers();
  EXPECT_EQ(TWorldText1500().Identifier(), 1);
  EXPECT_EQ(TWorldText1500().Identifier(), 2);
  EXPECT_EQ(TWorldText1500(EngPosition(), 77).Identifier(), 77);
  EXPECT_EQ(TWorldText1500().Identifier(), 3);
  for (int i = 4; i < 10000; ++i)
    TWorldText1500 skipped;
  EXPECT_EQ(TWorldText1500().Identifier(), 10001);
  for (int i = 10002; i < 32767; ++i)
    TWorldText1500 skipped;
  EXPECT_EQ(TWorldText1500().Identifier(), 32767);
  EXPECT_THROW(TWorldText1500(), QVException);
  EXPECT_THROW(TWorldText1500(), QVException);
  TWorldTextRecord::RestartIdentifiers();
  EXPECT_EQ(TWorldText1500().Identifier(), 1);
}

TEST_F(WorldTextWriterTest, ALinkTakesFiveRowsAndRefusesASixth) {
  const TWorldText1500 a(EngPosition(), 1);
  const TWorldText1500 b(EngPosition(), 2);
  TWorldText5230 pin(a, b, 3);
  for (int i = 0; i < 5; ++i)
    pin.AddRow(1, 0, 0, i);
  try {
    pin.AddRow(1, 0, 0, 5);
    ADD_FAILURE() << "a sixth row was taken";
  } catch (const QVException& failure) {
    EXPECT_EQ(failure.error(), -108);
  }
  EXPECT_EQ(pin.Rows().size(), 5u);
}

TEST_F(WorldTextWriterTest, TheProgramsClassTableMakesOvalsAndMotorsOfTextWorlds) {
  RegisterResourceLibraries();
  SetResourceModule1(LoadResourceLibrary(kMainResourceLibrary));
  const auto table = LoadFactTable();
  SetResourceModule1(nullptr);
  ASSERT_TRUE(table.has_value());
  EXPECT_EQ(LookupFactTable(*table, 1202), MakeTag("oval"));
  EXPECT_EQ(LookupFactTable(*table, 5225), MakeTag("pisR"));
  // The count covers every entry, and no code is listed twice.
  int16_t count = 0;
  std::memcpy(&count, table->data(), 2);
  ASSERT_EQ(static_cast<size_t>(count) * 6 + 2, table->size());
  std::set<int16_t> codes;
  for (int16_t i = 0; i < count; ++i) {
    int16_t code;
    std::memcpy(&code, table->data() + 2 + 6 * i, 2);
    EXPECT_TRUE(codes.insert(code).second) << code;
  }
}

}  // namespace
