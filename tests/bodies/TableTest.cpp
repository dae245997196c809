// Point tables through the class registry and the document and solver streams.

#include "bodies/Table.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <span>
#include <string>
#include <vector>

#include "bodies/BodyClasses.h"
#include "core/ClassRegistry.h"
#include "core/Failure.h"
#include "core/Handle.h"
#include "core/Resources.h"
#include "model/Thing.h"
#include "model/filing/ObjectReader.h"
#include "model/filing/ObjectWriter.h"
#include "resources/ResourceLibraries.h"
#include "simulation/Engine.h"
#include "simulation/StopWhen.h"
#include "simulation/UnitHandler.h"
#include "tests/bodies/ShapeTestSupport.h"

namespace {

class TableTest : public shape_test::BodyProgramTest {
 protected:

  // kind 2 a document, flag 0 the solver's native stream.
  static std::vector<uint8_t> Write(TLink& object, uint16_t flag = 1) {
    const std::vector<TLink*> objects{&object};
    auto writer = WriteObjectsDefault(&objects, flag, nullptr, 2, nullptr);
    Handle handle = writer->TakeHandle();
    const auto* data = reinterpret_cast<const uint8_t*>(HandleData(handle));
    std::vector<uint8_t> bytes(data, data + GetHandleByteSize(handle));
    FreeHandle(handle);
    return bytes;
  }

  static std::unique_ptr<TTable> Read(const std::vector<uint8_t>& bytes) {
    auto reader = ReadObjects(bytes, 2, 1, nullptr, nullptr, nullptr, nullptr);
    reader->Complete(0);
    auto read = reader->TakeObjects();
    if (read.size() != 1 || !read[0]->IsMemberClass(TTable::kClassID)) return nullptr;
    return std::unique_ptr<TTable>(static_cast<TTable*>(read[0].release()));
  }

  static std::unique_ptr<TTable> Make(const std::vector<TVector>& points,
                                      uint32_t tag = kTableTag) {
    std::unique_ptr<TTable> table(static_cast<TTable*>(CreateObjectByTag(tag)));
    table->Initialize();
    for (const TVector& p : points)
      table->AppendPoint(p);
    return table;
  }

  // Where the contents of the block with the code start in a document (4-byte codes and length).
  static size_t ContentsOf(const std::vector<uint8_t>& bytes, int32_t code) {
    const uint8_t pattern[4] = {0, 0, static_cast<uint8_t>(code >> 8),
                                static_cast<uint8_t>(code & 0xFF)};
    for (size_t i = 0; i + 8 < bytes.size(); ++i)
      if (std::memcmp(bytes.data() + i, pattern, 4) == 0) return i + 8;
    return 0;
  }

  static int16_t ReadError(const std::vector<uint8_t>& bytes) {
    try {
      Read(bytes);
    } catch (const QVException& failure) {
      return failure.error();
    }
    return 0;
  }
};

const std::vector<TVector> kSquare{{0, 0}, {2, 0}, {2, 2}, {0, 2}};

}  // namespace

TEST_F(TableTest, ClassesAreRegisteredUnderTheirTagsAndIdentities) {
  EXPECT_EQ(ClassIdFromTag(kTableTag), 626);
  EXPECT_EQ(ClassIdFromTag(kUITableTag), 627);
  auto ui = Make({}, kUITableTag);
  EXPECT_TRUE(ui->IsMemberClass(TTable::kClassID));
  EXPECT_EQ(ui->GetClassIDAt(1), 626);
  EXPECT_EQ(ui->GetBlockCode(), 5323);
}

TEST_F(TableTest, PointsAppendedAreWrittenAsTwoColumnsAndReadBackByteForByte) {
  auto table = Make(kSquare);
  table->SetIdentifier(7);
  const std::vector<uint8_t> bytes = Write(*table);
  const size_t at = ContentsOf(bytes, 1701);
  ASSERT_NE(at, 0u);
  // Columns 2 and rows 4 as codes, then the eight values.
  const uint8_t counts[8] = {0, 0, 0, 2, 0, 0, 0, 4};
  EXPECT_EQ(std::memcmp(bytes.data() + at, counts, 8), 0);

  auto read = Read(bytes);
  ASSERT_NE(read, nullptr);
  EXPECT_EQ(read->GetColumnCount(), 2);
  ASSERT_EQ(read->GetCount(), 4);
  EXPECT_EQ(read->GetPoint(3), TVector(2, 2));
  EXPECT_EQ(Write(*read), bytes);
}

TEST_F(TableTest, TheSolverStreamCarriesTheContentsAndAUserInterfaceTableLeavesThemOut) {
  auto table = Make(kSquare);
  const std::vector<uint8_t> native = Write(*table, 0);
  // Native codes are two bytes: code 1701, a 32-bit length of 2 + 2 + 8 * 8 bytes.
  int16_t code = 1701;
  int32_t length = 68;
  std::vector<uint8_t> head(6);
  std::memcpy(head.data(), &code, 2);
  std::memcpy(head.data() + 2, &length, 4);
  EXPECT_NE(std::search(native.begin(), native.end(), head.begin(), head.end()), native.end());

  auto ui = Make(kSquare, kUITableTag);
  const std::vector<uint8_t> uiNative = Write(*ui, 0);
  code = 5323;
  std::memcpy(head.data(), &code, 2);
  EXPECT_EQ(std::search(uiNative.begin(), uiNative.end(), head.begin(), head.begin() + 2),
            uiNative.end());
  // In a document it has its own block, which reads back into a table of its class.
  auto read = Read(Write(*ui));
  ASSERT_NE(read, nullptr);
  EXPECT_TRUE(read->IsMemberClass(TUITable::kClassID));
  EXPECT_EQ(read->GetCount(), 4);
}

TEST_F(TableTest, DamagedCountsAreRefusedAndColumnsWithoutValuesHoldNoPoint) {
  auto table = Make(kSquare);
  const std::vector<uint8_t> bytes = Write(*table);
  const size_t at = ContentsOf(bytes, 1701);
  ASSERT_NE(at, 0u);

  std::vector<uint8_t> negative = bytes;
  negative[at + 4] = negative[at + 5] = negative[at + 6] = negative[at + 7] = 0xFF;  // rows -1
  EXPECT_EQ(ReadError(negative), -25002);

  std::vector<uint8_t> tooMany = bytes;
  tooMany[at + 6] = 0x7F;  // rows 32516: far more values than the block holds
  EXPECT_EQ(ReadError(tooMany), -25002);

  std::vector<uint8_t> noColumns = bytes;
  noColumns[at + 3] = 0;  // 0 columns, 4 rows: the values are left unread behind the counts
  auto read = Read(noColumns);
  ASSERT_NE(read, nullptr);
  EXPECT_EQ(read->GetRowCount(), 4);
  EXPECT_EQ(read->GetCount(), 0);
  EXPECT_FALSE(read->ContainsPoint(TVector(1, 1)));
  EXPECT_THROW(read->GetPoint(1), QVException);
}

TEST_F(TableTest, TextTablesReadWithShortNumbersAndDamageIsTheTextReadersFailure) {
  const auto readText = [](const std::string& records) -> int16_t {
    const std::string text = "ZAZU YB30 5 " + records + " -1";
    try {
      auto reader = ReadObjects(std::span(reinterpret_cast<const uint8_t*>(text.data()), text.size()),
                                0, 1, nullptr, nullptr, nullptr, nullptr);
      reader->Complete(0);
      const auto read = reader->TakeObjects();
      if (read.size() != 1 || !read[0]->IsMemberClass(TTable::kClassID)) return 1;
      return static_cast<TTable&>(*read[0]).GetCount() == 2 ? 0 : 2;
    } catch (const QVException& failure) {
      return failure.error();
    }
  };
  // Two points of one digit each: fewer bytes than two binary reals a value.
  EXPECT_EQ(readText("1701; 2, 6 2 2 0 0 1 1"), 0);
  EXPECT_EQ(readText("1701; 2, 6 2 -1 0 0 1 1"), -25001);
  EXPECT_EQ(readText("1701; 2, 6 2 32000 0 0 1 1"), -25001);
  EXPECT_EQ(readText("1701; 2, 6 -2 2 0 0 1 1"), -25001);
}

TEST_F(TableTest, PointOperationsKeepPointsInStepAndRefuseIndicesOutside) {
  auto table = Make({{0, 0}, {1, 0}, {1, 1}});
  table->DuplicatePoint(2, 2);
  ASSERT_EQ(table->GetCount(), 5);
  EXPECT_EQ(table->GetPoint(2), TVector(1, 0));
  EXPECT_EQ(table->GetPoint(4), TVector(1, 0));
  EXPECT_EQ(table->GetPoint(5), TVector(1, 1));
  table->DeletePoints(2, 0);
  EXPECT_EQ(table->GetCount(), 5);
  table->DeletePoints(2, 3);
  EXPECT_EQ(table->GetCount(), 2);
  EXPECT_EQ(table->GetPoint(2), TVector(1, 1));
  EXPECT_EQ(table->RemoveLastPoint(), TVector(1, 1));
  EXPECT_EQ(table->RemoveLastPoint(), TVector(0, 0));
  EXPECT_EQ(table->GetCount(), 0);
  EXPECT_EQ(table->AppendPoint(TVector(3, 4)), 1);

  EXPECT_THROW(table->GetPoint(0), QVException);
  EXPECT_THROW(table->SetPoint(2, TVector(0, 0)), QVException);
  EXPECT_THROW(table->DeletePoints(1, 2), QVException);
  EXPECT_THROW(table->DuplicatePoint(1, TTable::kMaxRows), QVException);
  EXPECT_EQ(table->GetCount(), 1);
}

TEST_F(TableTest, InsideTestAgreesWithTheEvenOddRuleOnAConcaveOutline) {
  // A concave outline with a notch, and fewer points than a polygon needs.
  const std::vector<TVector> outline{{0, 0}, {4, 0}, {4, 3}, {2, 1}, {0, 3}};
  auto table = Make(outline);
  auto reference = [&outline](const TVector& t) {
    bool inside = false;
    for (size_t i = 0, j = outline.size() - 1; i < outline.size(); j = i++) {
      const TVector& a = outline[i];
      const TVector& b = outline[j];
      if ((a.y > t.y) != (b.y > t.y) && t.x < (b.x - a.x) * (t.y - a.y) / (b.y - a.y) + a.x)
        inside = !inside;
    }
    return inside;
  };
  std::mt19937 random(21);
  std::uniform_real_distribution<double> coordinate(-1.0, 5.0);
  for (int i = 0; i < 2000; ++i) {
    const TVector t(coordinate(random), coordinate(random));
    EXPECT_EQ(table->ContainsPoint(t), reference(t)) << t.x << ", " << t.y;
  }
  EXPECT_FALSE(table->ContainsPoint(TVector(2, 2)));  // in the notch
  EXPECT_TRUE(table->ContainsPoint(TVector(3, 1)));   // on the notch vertex's horizontal
  EXPECT_FALSE(Make({{0, 0}, {4, 0}})->ContainsPoint(TVector(2, 0)));
}
