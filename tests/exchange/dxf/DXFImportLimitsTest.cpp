// The DXF import's bounds: blocks inserted into one another cost work in proportion to the
// drawing, a block inside itself is refused, and geometry whose numbers overflow never reaches
// the world.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/Alert.h"
#include "core/Failure.h"
#include "core/Handle.h"
#include "exchange/dxf/DXFImport.h"

namespace {

struct Outcome {
  int16_t result = 0;   // the import's answer, or the error it raised
  int64_t groups = 0;   // progress reports: one before every group read
  std::string message;  // the failure's detail
  std::string text;
};

Outcome Import(const std::string& dxf) {
  Outcome outcome;
  Handle handle = AllocHandle(0);
  FailureDetailText() = Str255();
  const std::span<const uint8_t> bytes(reinterpret_cast<const uint8_t*>(dxf.data()), dxf.size());
  try {
    outcome.result = ImportDXF(bytes, handle, 1.0, MacPoint(640, 480),
                               [&outcome](bool&, int32_t, double) { ++outcome.groups; });
  } catch (const QVException& failure) {
    outcome.result = failure.error();
    outcome.message = FailureDetailText().AsCString();
  }
  outcome.text.assign(HandleData(handle), GetHandleByteSize(handle));
  FreeHandle(handle);
  return outcome;
}

std::string Lines(const std::vector<std::string>& groups) {
  std::string text;
  for (const std::string& line : groups)
    text += line + "\n";
  return text;
}

std::string Block(const std::string& name, const std::string& entities) {
  return Lines({"0", "BLOCK", "2", name, "10", "0", "20", "0"}) + entities + Lines({"0", "ENDBLK"});
}

std::string Insert(const std::string& name, double x = 0) {
  return Lines({"0", "INSERT", "2", name, "10", std::to_string(x), "20", "0"});
}

std::string Drawing(const std::string& blocks, const std::string& entities) {
  return Lines({"0", "SECTION", "2", "BLOCKS"}) + blocks + Lines({"0", "ENDSEC"}) +
         Lines({"0", "SECTION", "2", "ENTITIES"}) + entities + Lines({"0", "ENDSEC", "0", "EOF"});
}

// Sixteen blocks, each inserting the one below `fanOut` times; the lowest holds the leaf. The
// drawing inserts the highest once, so the leaf would be read fanOut^15 times.
std::string Bomb(int fanOut, const std::string& leaf) {
  std::string blocks = Block("L0", leaf);
  for (int level = 1; level < 16; ++level) {
    std::string inserts;
    for (int i = 0; i < fanOut; ++i)
      inserts += Insert("L" + std::to_string(level - 1), i);
    blocks += Block("L" + std::to_string(level), inserts);
  }
  return Drawing(blocks, Insert("L15"));
}

class DXFImportLimitsTest : public ::testing::Test {
 protected:
  void SetUp() override { InitHandlePool(); }
  void TearDown() override { FreeHandlePool(); }
};

TEST_F(DXFImportLimitsTest, InsertBombsCostWorkInProportionToTheDrawing) {
  const std::string text = Lines({"0", "TEXT", "1", "words"});
  const std::string line = Lines({"0", "LINE", "10", "0", "20", "0", "11", "1", "21", "1"});
  for (int fanOut = 2; fanOut <= 6; ++fanOut) {
    for (const std::string& leaf : {text, line}) {
      const std::string drawing = Bomb(fanOut, leaf);
      const Outcome outcome = Import(drawing);
      SCOPED_TRACE("fan-out " + std::to_string(fanOut) + (leaf == text ? ", text" : ", line"));
      // A few times the drawing's groups, and a few groups for each object a world can hold.
      EXPECT_LT(outcome.groups, static_cast<int64_t>(5 * drawing.size()) + 16 * 32767 + 100);
      if (fanOut == 2 && leaf == text && outcome.result == kErrDrawingEmpty) {
        // 2^15 texts may fit the budget: they show nothing.
        continue;
      }
      EXPECT_EQ(outcome.result, kErrDrawingMalformed);
      EXPECT_TRUE(outcome.text.empty());
      EXPECT_FALSE(outcome.message.empty());
    }
  }
  // The budget's own refusal says why.
  EXPECT_NE(Import(Bomb(6, text)).message.find("insert one another"), std::string::npos);
}

TEST_F(DXFImportLimitsTest, NestedBlocksWithinTheBudgetAreAllPlaced) {
  // 4^6 = 4096 points, through six levels of blocks.
  std::string blocks = Block("L0", Lines({"0", "POINT", "10", "1", "20", "2"}));
  for (int level = 1; level <= 6; ++level) {
    std::string inserts;
    for (int i = 0; i < 4; ++i)
      inserts += Insert("L" + std::to_string(level - 1), 10.0 * i);
    blocks += Block("L" + std::to_string(level), inserts);
  }
  const Outcome outcome = Import(Drawing(blocks, Insert("L6")));
  ASSERT_EQ(outcome.result, 0) << outcome.message;
  size_t points = 0;
  for (size_t at = outcome.text.find("1500; 2, 4\n"); at != std::string::npos;
       at = outcome.text.find("1500; 2, 4\n", at + 1))
    ++points;
  EXPECT_EQ(points, 4096u);
}

TEST_F(DXFImportLimitsTest, ABlockInsideItselfIsRefusedAndNamed) {
  const std::string point = Lines({"0", "POINT", "10", "1", "20", "2"});
  const Outcome direct = Import(Drawing(Block("SELF", point + Insert("SELF")), Insert("SELF")));
  EXPECT_EQ(direct.result, kErrDrawingMalformed);
  EXPECT_TRUE(direct.text.empty());
  EXPECT_NE(direct.message.find("\"SELF\" inserts itself"), std::string::npos) << direct.message;
  // Through another block: A holds B, B holds A.
  const Outcome ring =
      Import(Drawing(Block("A", point + Insert("B")) + Block("B", Insert("A")), Insert("A")));
  EXPECT_EQ(ring.result, kErrDrawingMalformed);
  EXPECT_NE(ring.message.find("inserts itself"), std::string::npos) << ring.message;
  EXPECT_LT(ring.groups, 100);
  // A block inserted twice side by side is no ring.
  const Outcome twice =
      Import(Drawing(Block("A", point) + Block("B", Insert("A") + Insert("A", 5)), Insert("B")));
  EXPECT_EQ(twice.result, 0) << twice.message;
}

TEST_F(DXFImportLimitsTest, GeometryThatOverflowsIsRefusedAndNoInfinityIsWritten) {
  const auto refused = [](const std::string& entities, const std::string& blocks = {}) {
    const Outcome outcome = Import(Drawing(blocks, entities));
    EXPECT_EQ(outcome.result, kErrDrawingMalformed) << entities;
    EXPECT_TRUE(outcome.text.empty());
    EXPECT_NE(outcome.message.find("too large"), std::string::npos) << outcome.message;
  };
  // The disc's moment, diameter^2 / 8.
  refused(Lines({"0", "CIRCLE", "10", "0", "20", "0", "40", "1e200"}));
  // The polygon's moment multiplies coordinates.
  refused(Lines({"0", "POLYLINE", "70", "1", "0", "VERTEX", "10", "0", "20", "0", "0", "VERTEX",
                 "10", "1e160", "20", "0", "0", "VERTEX", "10", "0", "20", "1e160", "0",
                 "SEQEND"}));
  // A placement multiplied through two scaled inserts.
  const std::string line = Lines({"0", "LINE", "10", "1", "20", "0", "11", "0", "21", "0"});
  const std::string scaled = Lines({"0", "INSERT", "2", "IN", "41", "1e200", "42", "1e200"});
  refused(Lines({"0", "INSERT", "2", "OUT", "41", "1e200", "42", "1e200"}),
          Block("IN", line) + Block("OUT", scaled));
  // A drawing too wide for its view.
  refused(Lines({"0", "LINE", "10", "-1.5e308", "20", "0", "11", "1.5e308", "21", "0"}));
  // A bulge whose arc has no finite centre.
  refused(Lines({"0", "POLYLINE", "70", "1", "0", "VERTEX", "10", "0", "20", "0", "42", "1e308",
                 "0", "VERTEX", "10", "10", "20", "0", "0", "VERTEX", "10", "10", "20", "1", "0",
                 "SEQEND"}));

  // Large but finite geometry still opens.
  const Outcome large =
      Import(Drawing({}, Lines({"0", "CIRCLE", "10", "0", "20", "0", "40", "1e100"})));
  ASSERT_EQ(large.result, 0) << large.message;
  EXPECT_EQ(large.text.find("inf"), std::string::npos);
  EXPECT_EQ(large.text.find("nan"), std::string::npos);
}

}  // namespace
