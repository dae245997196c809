// Meters written to documents byte for byte, and read back.
#include <gtest/gtest.h>

#include <bit>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "core/ClassRegistry.h"
#include "core/Failure.h"
#include "core/Handle.h"
#include "core/Resources.h"
#include "inout/meters/Output.h"
#include "model/Formula.h"
#include "model/filing/ClassSource.h"
#include "model/filing/ObjectReader.h"
#include "model/filing/ObjectWriter.h"

namespace {

// Expected document bytes: every number big-endian, shorts as 4 bytes in documents.
class Bytes {
 public:
  Bytes& Short(int32_t v) { return Long(v); }
  Bytes& Long(int32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8) bytes.push_back(static_cast<uint8_t>(v >> shift));
    return *this;
  }
  Bytes& Word(uint16_t v) {
    bytes.push_back(static_cast<uint8_t>(v >> 8));
    bytes.push_back(static_cast<uint8_t>(v));
    return *this;
  }
  Bytes& Double(double v) {
    const auto bits = std::bit_cast<uint64_t>(v);
    for (int shift = 56; shift >= 0; shift -= 8)
      bytes.push_back(static_cast<uint8_t>(bits >> shift));
    return *this;
  }
  Bytes& String(const std::string& s) {
    Word(static_cast<uint16_t>(s.size()));
    bytes.insert(bytes.end(), s.begin(), s.end());
    if (s.size() % 2 != 0) bytes.push_back(0);  // strings end on a word
    return *this;
  }
  std::vector<uint8_t> bytes;
};

class OutputFilingTest : public ::testing::Test {
 protected:
  void SetUp() override {
    InitHandlePool();
    RegisterOutputClass();
    FreezeClassRegistry();
    constexpr int16_t kCount = 1;
    table_.resize(2 + 6);
    std::memcpy(table_.data(), &kCount, 2);
    std::memcpy(table_.data() + 2, &kBlockMeter, 2);
    std::memcpy(table_.data() + 4, &kOutputTag, 4);
    entries_[0] = {"FACT", 0, nullptr, static_cast<uint16_t>(kFactTableId), table_.data(),
                   static_cast<uint32_t>(table_.size())};
    module_ = {"inout-test.dll", entries_, 1};
    RegisterResourceModule(module_);
    SetResourceModule1(LoadResourceLibrary("inout-test.dll"));
  }
  void TearDown() override {
    SetResourceModule1(nullptr);
    UnregisterResourceModule("inout-test.dll");
    FreeClassRegistry();
    FreeHandlePool();
  }

  static std::vector<uint8_t> Block(TOutput& meter, int16_t code) {
    TObjectWriterKind2 writer;
    writer.Init(nullptr);
    meter.WriteBlockContents(code, writer);
    Handle handle = writer.TakeHandle();
    const auto* data = reinterpret_cast<const uint8_t*>(HandleData(handle));
    std::vector<uint8_t> bytes(data, data + GetHandleByteSize(handle));
    FreeHandle(handle);
    return bytes;
  }
  static std::vector<uint8_t> Document(TOutput& meter) {
    const std::vector<TLink*> objects{&meter};
    auto writer = WriteObjectsDefault(&objects, 1, nullptr, 2, nullptr);
    Handle handle = writer->TakeHandle();
    const auto* data = reinterpret_cast<const uint8_t*>(HandleData(handle));
    std::vector<uint8_t> bytes(data, data + GetHandleByteSize(handle));
    FreeHandle(handle);
    return bytes;
  }
  static std::unique_ptr<TOutput> Read(const std::vector<uint8_t>& bytes) {
    auto reader = ReadObjects(bytes, 2, 1, nullptr, nullptr, nullptr, nullptr);
    reader->Complete(0);
    auto read = reader->TakeObjects();
    if (read.size() != 1 || !read[0]->IsMemberClass(TOutput::kClassID)) return nullptr;
    return std::unique_ptr<TOutput>(static_cast<TOutput*>(read[0].release()));
  }

  // A graph of three columns, rotated once: c a b.
  static void Fill(TOutput& meter) {
    meter.Initialize();
    meter.SetColumnCount(3);
    const char* labels[] = {"a", "b", "c"};
    for (int32_t i = 1; i <= 3; ++i) {
      TNumberText& column = *meter.Column(i);
      column.SetLabel(Str255(labels[i - 1]));
      column.SetRange(-i, 10.0 * i);
      column.SetColor(RGB16Color{0x1100, 0x2200, 0x3300});
      column.SetValue(0.5 * i, false);
    }
    meter.Column(3)->SetAutoScale(true);
    meter.Column(2)->SetShown(false);
    meter.Column(2)->SetUnitKind(0x10000);
    meter.SetMeterKind(MeterKind::kGraph);
    meter.SetSize(MacPoint(300, 200));
    meter.SetConnectPoints(true);
    meter.RotateColumns();
  }

  std::vector<uint8_t> table_;
  ResourceEntry entries_[1];
  ResourceModuleTable module_{};
};

TEST_F(OutputFilingTest, BlocksAreWrittenAsTheDocumentLaysThemOut) {
  TOutput meter;
  Fill(meter);
  EXPECT_EQ(Block(meter, kBlockMeter), Bytes()
                                           .Short(3)
                                           .Short(0)
                                           .Short(0)
                                           .Short(1)
                                           .Short(1 | 2 | 4 | 16)
                                           .Short(1)
                                           .Short(0)
                                           .Short(10)
                                           .Short(100)
                                           .Short(150)
                                           .Word(200)
                                           .Word(300)
                                           .bytes);
  Bytes columns;
  columns.Short(3);
  // Stored order a, b, c whatever the rotation; colours red, green, blue.
  for (int i = 1; i <= 3; ++i) {
    columns.String(std::string(1, static_cast<char>('a' + i - 1)))
        .Double(0.5 * i)
        .Double(-i)
        .Double(10.0 * i)
        .Word(0x1100)
        .Word(0x3300)
        .Word(0x2200)
        .Short(i == 2 ? 0 : 1)
        .Short(0)
        .Short(i == 3 ? 1 : 0)
        .Long(i == 2 ? 0x10000 : 0);
  }
  EXPECT_EQ(Block(meter, kBlockMeterColumns), columns.bytes);
  EXPECT_EQ(Block(meter, kBlockMeterLink), Bytes().Short(1).Short(0).Short(0).Long(1).Long(1).bytes);
  Bytes records;
  for (int i = 0; i < 6; ++i) records.String("").Short(0).Short(0);
  EXPECT_EQ(Block(meter, kBlockMeterColumnRecords), records.bytes);
}

TEST_F(OutputFilingTest, DocumentsReadBackWithTheirRotation) {
  TOutput meter;
  Fill(meter);
  const std::vector<uint8_t> bytes = Document(meter);
  std::unique_ptr<TOutput> read = Read(bytes);
  ASSERT_NE(read, nullptr);
  EXPECT_EQ(read->GetMeterKind(), MeterKind::kGraph);
  EXPECT_EQ(read->GetRotation(), 1);
  ASSERT_EQ(read->GetColumnCount(), 3);
  std::string labels;
  for (int32_t i = 1; i <= 3; ++i)
    labels += std::string(read->Column(i)->GetLabel().Chars(),
                          static_cast<size_t>(read->Column(i)->GetLabel().Length()));
  EXPECT_EQ(labels, "cab");
  EXPECT_TRUE(read->Column(1)->IsWrapped());
  EXPECT_EQ(read->Column(1)->GetMaximum(), 30.0);
  EXPECT_TRUE(read->Column(1)->IsAutoScale());
  EXPECT_FALSE(read->Column(3)->IsShown());
  EXPECT_EQ(read->GetSize().h, 300);
  // Everything is kept, the values shown when the document was saved (the columns' formulas)
  // included.
  EXPECT_EQ(Block(*read, kBlockMeter), Block(meter, kBlockMeter));
  EXPECT_EQ(read->Column(2)->GetCurrentValue(), 0.5);  // column "a"
  EXPECT_EQ(Block(*read, kBlockMeterColumns), Block(meter, kBlockMeterColumns));
  EXPECT_EQ(Document(*read), Document(meter));
}

TEST_F(OutputFilingTest, ColumnFormulasReadBackInTheirColumns) {
  TOutput meter;
  meter.Initialize();
  meter.SetColumnCount(3);
  const char* texts[] = {"time", "2*time+1", "time^2"};
  for (int32_t i = 1; i <= 3; ++i) {
    TFormula formula;
    formula.SetFromPieces(Str255(texts[i - 1]));
    meter.SetColumnFormula(i, formula);
  }
  // A column in a unit keeps it, though its formula carries none.
  meter.Column(2)->SetUnitKind(0x01000000);
  meter.RotateColumns();
  std::unique_ptr<TOutput> read = Read(Document(meter));
  ASSERT_NE(read, nullptr);
  ASSERT_EQ(read->GetColumnCount(), 3);
  for (int32_t i = 1; i <= 3; ++i) {
    Str255 written;
    Str255 back;
    meter.Column(i)->Formula().GetText(written);
    read->Column(i)->Formula().GetText(back);
    EXPECT_STREQ(back.AsCString(), written.AsCString()) << i;
    EXPECT_EQ(read->Column(i)->GetUnitKind(), meter.Column(i)->GetUnitKind()) << i;
  }
  EXPECT_EQ(Document(*read), Document(meter));
}

// The columns block carries the value each column shows; reading leaves that value to the
// column's formula, so a meter read back and written again differs only there.
TEST_F(OutputFilingTest, TheColumnsBlockCarriesTheShownValuesThatReadingLeavesAlone) {
  TOutput meter;
  meter.Initialize();
  meter.SetColumnCount(2);
  const char* texts[] = {"time", "2*time"};
  const double shown[] = {1.25, 2.5};
  for (int32_t i = 1; i <= 2; ++i) {
    TFormula formula;
    formula.SetFromPieces(Str255(texts[i - 1]));
    meter.SetColumnFormula(i, formula);
    meter.Column(i)->SetLabel(Str255(i == 1 ? "t" : "x"));
    meter.Column(i)->SetRange(0.0, 4.0 * i);
    meter.Column(i)->SetValue(shown[i - 1], false);
  }
  const auto columns = [&](const double first, const double second) {
    Bytes bytes;
    bytes.Short(2);
    const double values[] = {first, second};
    for (int32_t i = 1; i <= 2; ++i) {
      const TNumberText& column = *meter.Column(i);
      const RGB16Color colour = column.GetColor();
      bytes.String(i == 1 ? "t" : "x")
          .Double(values[i - 1])
          .Double(0.0)
          .Double(4.0 * i)
          .Word(colour.red)
          .Word(colour.blue)
          .Word(colour.green)
          .Short(1)
          .Short(0)
          .Short(0)
          .Long(column.GetUnitKind());
    }
    return bytes.bytes;
  };
  EXPECT_EQ(Block(meter, kBlockMeterColumns), columns(1.25, 2.5));

  std::unique_ptr<TOutput> read = Read(Document(meter));
  ASSERT_NE(read, nullptr);
  ASSERT_EQ(read->GetColumnCount(), 2);
  const double first = read->Column(1)->GetCurrentValue();
  const double second = read->Column(2)->GetCurrentValue();
  EXPECT_NE(first, 1.25) << "the stored shown value was read";
  EXPECT_NE(second, 2.5) << "the stored shown value was read";
  // Labels, ranges, colours, flags and units come back; only the shown values differ.
  EXPECT_EQ(Block(*read, kBlockMeterColumns), columns(first, second));
}

// Patches the first short of a block in a written document (shorts are 4 bytes there).
void PatchBlock(std::vector<uint8_t>& bytes, int16_t code, int32_t offset, int32_t value) {
  // A block is its code (4 bytes), its length (4 bytes), then its contents.
  const uint8_t pattern[4] = {0, 0, static_cast<uint8_t>(code >> 8), static_cast<uint8_t>(code)};
  for (size_t i = 0; i + 8 < bytes.size(); ++i) {
    if (std::memcmp(bytes.data() + i, pattern, 4) != 0) continue;
    uint8_t* at = bytes.data() + i + 8 + offset;
    for (int k = 0; k < 4; ++k) at[k] = static_cast<uint8_t>(value >> (24 - 8 * k));
    return;
  }
  FAIL() << "no block " << code;
}

TEST_F(OutputFilingTest, OldKindsLinkZerosAndColumnCountsAreMended) {
  TOutput meter;
  Fill(meter);
  std::vector<uint8_t> bytes = Document(meter);
  PatchBlock(bytes, kBlockMeter, 0, 2);        // the old sideways bar
  PatchBlock(bytes, kBlockMeterLink, 12, 0);   // first link row 0
  std::unique_ptr<TOutput> read = Read(bytes);
  ASSERT_NE(read, nullptr);
  EXPECT_EQ(read->GetMeterKind(), MeterKind::kBar);
  EXPECT_EQ(read->GetBarOrientation(), 1);
  EXPECT_EQ(read->GetFirstLinkRow(), 1);

  for (const int32_t count : {6, 0, -1}) {
    std::vector<uint8_t> damaged = Document(meter);
    PatchBlock(damaged, kBlockMeterColumns, 0, count);
    int16_t error = 0;
    try {
      Read(damaged);
    } catch (const QVException& failure) {
      error = failure.error();
    }
    EXPECT_EQ(error, -25002) << count;
  }
}

}  // namespace
