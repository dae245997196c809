#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>

#include <gtest/gtest.h>

#include "core/Handle.h"
#include "tests/model/filing/TestClasses.h"

namespace filing_test {
namespace {

constexpr int32_t kLengthKind = 0x1000000;

TFormula Constant(double value) {
  return TFormula(value);
}

TFormula Text(const char* text, const TFormulaRecord* record = nullptr) {
  TFormula formula;
  formula.SetFromPieces(Str255(text), record);
  return formula;
}

TFormulaRecord Record(std::vector<TFormulaElement> elements) {
  TFormulaRecord record;
  record.name = "pieces";
  record.first = 2.0;
  record.second = -0.5;
  record.kind = 0x1000000;
  record.elements = std::move(elements);
  return record;
}

// A formula typed where lengths show in centimetres: its text computes centimetres.
TFormula InCentimetres(const char* text) {
  TFormula formula;
  formula.SetFromPieces(Str255(text));
  formula.SetUnits(TFormulaUnits{0.01, 0.01, kLengthKind});
  formula.Compile(0.01, nullptr);
  return formula;
}

std::string TextOf(const TFormula& formula) {
  Str255 text;
  formula.GetText(text);
  return std::string(text.Chars(), static_cast<size_t>(text.Length()));
}

void ExpectSameFormula(const TFormula& read, const TFormula& written) {
  EXPECT_EQ(read.IsFormula(), written.IsFormula());
  EXPECT_EQ(TextOf(read), TextOf(written));
  if (!written.IsFormula()) {
    EXPECT_EQ(read.GetValue(), written.GetValue());
  }
  EXPECT_EQ(read.CompileError(), written.CompileError());
  ASSERT_EQ(read.GetRecord() != nullptr, written.GetRecord() != nullptr);
  if (written.GetRecord() == nullptr) return;
  const TFormulaRecord& a = *read.GetRecord();
  const TFormulaRecord& b = *written.GetRecord();
  EXPECT_TRUE(a.name == b.name);
  EXPECT_EQ(a.first, b.first);
  EXPECT_EQ(a.second, b.second);
  EXPECT_EQ(a.kind, b.kind);
  EXPECT_EQ(a.elements, b.elements);
}

class FormulaFilingTest : public ::testing::Test {
 protected:
  void SetUp() override {
    InitHandlePool();
    classes = std::make_unique<TestClassScope>();
    TTestShape::dropElements = false;
    shape.SetTextStyle(FontSpec{0, 0, 10}, RGB16Color{1, 2, 3});
    shape.SetIdentifier(5);
  }
  void TearDown() override {
    TTestShape::dropElements = false;
    classes.reset();
    FreeHandlePool();
  }

  std::vector<uint8_t> Write(TLink& object, uint16_t flag, int16_t kind) {
    const std::vector<TLink*> objects{&object};
    auto writer = WriteObjectsDefault(&objects, flag, nullptr, kind, nullptr);
    return TakeBytes(*writer);
  }
  std::unique_ptr<TTestShape> ReadShape(const std::vector<uint8_t>& bytes, int16_t kind,
                                        int realFormat) {
    auto reader = ReadObjects(bytes, kind, realFormat, nullptr, nullptr, nullptr, nullptr);
    reader->Complete(0);
    auto objects = reader->TakeObjects();
    if (objects.size() != 1) return nullptr;
    auto* read = dynamic_cast<TTestShape*>(objects[0].get());
    if (read == nullptr) return nullptr;
    objects[0].release();
    return std::unique_ptr<TTestShape>(read);
  }
  // Writes the quantities of a fresh shape in a document and answers the bytes.
  std::vector<uint8_t> Document(std::vector<TFormula> formulas) {
    shape.quantities.clear();
    for (TFormula& formula : formulas)
      shape.quantities.push_back(std::make_unique<TFormula>(formula));
    return Write(shape, 1, 2);
  }

  std::unique_ptr<TestClassScope> classes;
  TTestShape shape;
};

// The kinds of stream a formula is written in: documents (both byte orders) and the native
// stream of copies and undo, with the real format each is read with.
struct StreamKind {
  uint16_t flag;
  int16_t kind;
  int realFormat;
};
constexpr StreamKind kStreamKinds[] = {{1, 2, 2}, {1, 1, 2}, {0, 1, 1}};

// Where needle stands in bytes, or -1.
ptrdiff_t Find(const std::vector<uint8_t>& bytes, const std::vector<uint8_t>& needle) {
  const auto at = std::search(bytes.begin(), bytes.end(), needle.begin(), needle.end());
  return at == bytes.end() ? -1 : at - bytes.begin();
}

TEST_F(FormulaFilingTest, QuantitiesRoundTripThroughEveryKindByteForByte) {
  const TFormulaRecord record = Record({{1.25, 7}, {-3.0, 0x10000}});
  std::vector<TFormula> formulas{
      Constant(2.5),
      Constant(-1e-300),
      Constant(TFormula::kNoValue),
      Text("Input[4] * cos(Input[5])"),
      Text("-(100) * (Constraint[3].dp.x - (0.5))", &record),
      Text("1 +"),
      Text("true"),
      Text(("1" + std::string(252, ' ') + "+2").c_str()),  // 255 characters
      // A record name of all 255 characters: "#2:" and a text of 252.
      Text(("3" + std::string(249, ' ') + "+4").c_str(), &record)};
  for (const TFormula& formula : formulas)
    shape.quantities.push_back(std::make_unique<TFormula>(formula));
  shape.quantities.push_back(nullptr);
  shape.recorded = {Text("Wheel.charge"), Text("GroupCofM(0).x", &record), Constant(0.0)};

  for (const StreamKind kind : kStreamKinds) {
    SCOPED_TRACE(kind.kind * 10 + kind.flag);
    const auto bytes = Write(shape, kind.flag, kind.kind);
    auto read = ReadShape(bytes, kind.kind, kind.realFormat);
    ASSERT_NE(read, nullptr);
    ASSERT_EQ(read->quantities.size(), formulas.size() + 1);
    for (size_t i = 0; i < formulas.size(); ++i)
      ExpectSameFormula(*read->quantities[i], formulas[i]);
    // No formula reads back as the constant 0.
    EXPECT_FALSE(read->quantities.back()->IsFormula());
    EXPECT_EQ(read->quantities.back()->GetValue(), 0.0);
    ASSERT_EQ(read->recorded.size(), shape.recorded.size());
    for (size_t i = 0; i < shape.recorded.size(); ++i)
      ExpectSameFormula(read->recorded[i], shape.recorded[i]);
    // A formula that was read evaluates like the one written.
    EXPECT_EQ(read->quantities[6]->Evaluate(nullptr), 1.0);

    read->quantities.back() = nullptr;
    EXPECT_EQ(Write(*read, kind.flag, kind.kind), bytes);
  }
}

TEST_F(FormulaFilingTest, DocumentItemsHaveTheirStoredForm) {
  const TFormulaRecord record = Record({{1.5, 9}});
  const auto bytes = Document({Constant(1.5), Text("x\xB0"), Text("t", &record)});
  // A constant: 1, then the big-endian double.
  EXPECT_GE(Find(bytes, {0, 0, 0, 1, 0x3F, 0xF8, 0, 0, 0, 0, 0, 0}), 0);
  // A text: 0, then the string with its word length, recoded.
  EXPECT_GE(Find(bytes, {0, 0, 0, 0, 0, 2, 'x', 0xA1}), 0);
  // A record: 0, the name that carries the count and the text, code 3, two doubles, the long,
  // then each element's double and long.
  const std::vector<uint8_t> stored = {
      0,    0, 0, 0, 0, 4, '#', '1', ':', 't', 0, 0,    0,    3, 0x40, 0, 0, 0, 0, 0, 0, 0, 0xBF,
      0xE0, 0, 0, 0, 0, 0, 0,   1,   0,   0,   0, 0x3F, 0xF8, 0, 0,    0, 0, 0, 0, 0, 0, 0, 9};
  EXPECT_GE(Find(bytes, stored), 0);
}

TEST_F(FormulaFilingTest, ElementListIsWrittenOnlyWithElementsAndTheLinkBaseDropsIt) {
  const auto without = Write(shape, 1, 2);
  EXPECT_LT(Find(without, {0x06, 0x40}), 0);  // no block 1600

  shape.recorded = {Text("Wheel.charge"), Constant(4.0)};
  shape.value = 7.5;
  shape.note = "after the list";
  const auto with = Write(shape, 1, 2);
  // Block 1600: its code, its length, the count 2 and the two items.
  const ptrdiff_t block = Find(with, {0, 0, 0x06, 0x40});
  ASSERT_GE(block, 0);
  EXPECT_EQ(0, std::memcmp(with.data() + block + 8, "\0\0\0\2\0\0\0\0\0\x0cWheel.charge", 20));

  TTestShape::dropElements = true;
  auto read = ReadShape(with, 2, 2);
  ASSERT_NE(read, nullptr);
  EXPECT_TRUE(read->recorded.empty());
  EXPECT_EQ(read->value, 7.5);
  EXPECT_TRUE(read->note == Str255("after the list"));
}

TEST_F(FormulaFilingTest, AFormulaTypedInOtherUnitsKeepsItsFactorThroughEveryKind) {
  const TFormulaRecord record = Record({{1.25, 7}});
  std::vector<TFormula> written{InCentimetres("50*2"), InCentimetres("Input[2]"), Text("50*2")};
  written.push_back(InCentimetres("t"));
  written.back().SetFromPieces(Str255("t"), &record);
  ASSERT_DOUBLE_EQ(written[0].GetValue(), 1.0);
  for (const TFormula& formula : written)
    shape.quantities.push_back(std::make_unique<TFormula>(formula));

  for (const StreamKind kind : kStreamKinds) {
    SCOPED_TRACE(kind.kind * 10 + kind.flag);
    const auto bytes = Write(shape, kind.flag, kind.kind);
    auto read = ReadShape(bytes, kind.kind, kind.realFormat);
    ASSERT_NE(read, nullptr);
    ASSERT_EQ(read->quantities.size(), written.size());
    for (size_t i = 0; i < written.size(); ++i) {
      ExpectSameFormula(*read->quantities[i], written[i]);
      EXPECT_TRUE(read->quantities[i]->Equals(written[i])) << i;
    }
    EXPECT_DOUBLE_EQ(read->quantities[0]->GetValue(), 1.0);
    EXPECT_EQ(read->quantities[2]->GetUnits(), nullptr);
    EXPECT_EQ(Write(*read, kind.flag, kind.kind), bytes);
  }
}

TEST_F(FormulaFilingTest, TheSolverIsGivenTextThatComputesInInternalUnits) {
  EXPECT_EQ(InCentimetres("50*2").InternalText(), "(50*2)*0.01");
  EXPECT_EQ(Text("50*2").InternalText(), "50*2");
  EXPECT_EQ(Constant(0.5).InternalText(), "0.5");
  // A factor that no short decimal holds is written whole.
  TFormula inches = Text("Input[1]");
  inches.SetUnits(TFormulaUnits{0.0254 / 3, 0.0254 / 3, kLengthKind});
  const std::string text = inches.InternalText();
  ASSERT_EQ(text.rfind("(Input[1])*", 0), 0u) << text;
  EXPECT_EQ(std::stod(text.substr(11)), 0.0254 / 3);
}

class DamagedFormulaTest : public FormulaFilingTest {
 protected:
  // Reads the bytes and answers the failure's error number (1 when they read).
  int16_t ReadError(const std::vector<uint8_t>& bytes) {
    return ErrorOf([&] { ReadShape(bytes, 2, 2); });
  }
  std::vector<uint8_t> RecordDocument() {
    const TFormulaRecord record = Record({{1.5, 9}, {2.5, 10}});
    return Document({Text("time", &record)});
  }
};

TEST_F(DamagedFormulaTest, WrongRecordCodeFails) {
  auto bytes = RecordDocument();
  ASSERT_EQ(ReadError(bytes), 1);
  // The name "#2:time" has an odd length: a pad byte follows it.
  const ptrdiff_t code = Find(bytes, {':', 't', 'i', 'm', 'e', 0, 0, 0, 0, 3});
  ASSERT_GE(code, 0);
  bytes[static_cast<size_t>(code) + 9] = 4;
  EXPECT_EQ(ReadError(bytes), kErrBadFormat);
}

TEST_F(DamagedFormulaTest, ElementCountBeyondTheBlockFailsBeforeAllocating) {
  for (const char* count : {"9", "5"}) {
    auto bytes = RecordDocument();
    const ptrdiff_t name = Find(bytes, {'#', '2', ':'});
    ASSERT_GE(name, 0);
    bytes[static_cast<size_t>(name) + 1] = static_cast<uint8_t>(count[0]);
    EXPECT_EQ(ReadError(bytes), kErrBadFormat) << count;
  }
}

TEST_F(DamagedFormulaTest, MalformedRecordNamesFail) {
  // A shape whose one quantity is a record with any name.
  class HandMade : public TTestShape {
   public:
    TFormulaRecord raw = Record({{1.5, 9}});
    void WriteBlockContents(int16_t code, TObjectWriter& writer) override {
      if (code != kBlockQuantities) return TTestShape::WriteBlockContents(code, writer);
      writer.WriteCode(1);
      writer.WriteShort(0);
      writer.WriteFormulaRecord(raw);
    }
  } handMade;
  handMade.SetIdentifier(5);
  handMade.quantities.push_back(nullptr);
  handMade.raw.name = "#1:time";
  ASSERT_EQ(ReadError(Write(handMade, 1, 2)), 1);
  // Names that no formula makes: no count, a sign, a leading zero, no colon, no text, a text that
  // is itself a record name, "#" alone.
  for (const char* name : {"#:time", "#-1:time", "#01:time", "#1time", "#1:", "#0:#1:t", "#"}) {
    handMade.raw.name = name;
    EXPECT_EQ(ReadError(Write(handMade, 1, 2)), kErrBadFormat) << name;
  }
}

TEST_F(DamagedFormulaTest, TruncatedItemsFailAtEveryCut) {
  const auto whole = RecordDocument();
  const ptrdiff_t block = Find(whole, {0, 0, 0x04, 0xB3});  // block 1203
  ASSERT_GE(block, 0);
  const auto at = static_cast<size_t>(block) + 4;
  const uint32_t length = (uint32_t{whole[at]} << 24) | (uint32_t{whole[at + 1]} << 16) |
                          (uint32_t{whole[at + 2]} << 8) | whole[at + 3];
  // Shorten the block's stated length: the items must not read past it.
  for (uint32_t cut = 1; cut < length; ++cut) {
    auto bytes = whole;
    const uint32_t shorter = length - cut;
    for (int i = 0; i < 4; ++i)
      bytes[at + static_cast<size_t>(i)] = static_cast<uint8_t>(shorter >> (24 - 8 * i));
    EXPECT_EQ(ReadError(bytes), kErrBadFormat) << cut;
  }
}

TEST_F(DamagedFormulaTest, NegativeElementCountFails) {
  shape.recorded = {Constant(1.0)};
  auto bytes = Write(shape, 1, 2);
  const ptrdiff_t block = Find(bytes, {0, 0, 0x06, 0x40});
  ASSERT_GE(block, 0);
  std::memcpy(bytes.data() + block + 8, "\xFF\xFF\xFF\xFF", 4);
  EXPECT_EQ(ReadError(bytes), kErrBadFormat);
}

// A shape whose one quantity is the units item as given, followed by the formula item as given.
class HandMadeUnits : public TTestShape {
 public:
  double factor = 0.01;
  bool constantAfter = false;
  bool unitsAgain = false;
  void WriteBlockContents(int16_t code, TObjectWriter& writer) override {
    if (code != kBlockQuantities) return TTestShape::WriteBlockContents(code, writer);
    writer.WriteCode(1);
    writer.WriteFormulaUnits(TFormulaUnits{factor, factor, kLengthKind});
    if (unitsAgain) writer.WriteFormulaUnits(TFormulaUnits{factor, factor, kLengthKind});
    if (constantAfter) {
      writer.WriteConstant(0.0);
    } else {
      writer.WriteFormulaText("50*2");
    }
  }
};

TEST_F(DamagedFormulaTest, AUnitsItemWithoutAUsableFactorOrFormulaFails) {
  HandMadeUnits handMade;
  handMade.SetIdentifier(5);
  handMade.quantities.push_back(nullptr);
  ASSERT_EQ(ReadError(Write(handMade, 1, 2)), 1);
  for (const double factor : {0.0, -0.01, std::nan(""), static_cast<double>(INFINITY)}) {
    handMade.factor = factor;
    EXPECT_EQ(ReadError(Write(handMade, 1, 2)), kErrBadFormat) << factor;
  }
  handMade.factor = 0.01;
  handMade.constantAfter = true;
  EXPECT_EQ(ReadError(Write(handMade, 1, 2)), kErrBadFormat);
  handMade.constantAfter = false;
  handMade.unitsAgain = true;
  EXPECT_EQ(ReadError(Write(handMade, 1, 2)), kErrBadFormat);
}

}  // namespace
}  // namespace filing_test
