// Streams the solver must refuse, each with its error, and what it must take although it does not
// use it. A refused stream leaves the world empty.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <string>

#include "solver/formula/FormulaErrors.h"
#include "tests/solver/stream/EngineHarness.h"
#include "tests/solver/stream/StreamScenes.h"

namespace yb::stream::testing {
namespace {

// A small valid world: a body with a point pinned to a fixed point.
StreamBuilder Base() {
  StreamBuilder s;
  s.Body(10, 0.0, -1.0, 0.0, 1.0, 0.1).CircleSize(0.2);
  s.Point(20, 0, 0.0, 0.0);
  s.Point(21, 10, 0.0, 1.0);
  return s;
}

int32_t Read(const std::vector<uint8_t>& bytes) {
  EngineRun run(bytes);
  if (run.readResult != kEngineOk) {
    History history(2, 8);
    EXPECT_EQ(run.Step(history), kEngineNoWorld) << "a refused stream leaves no world";
  }
  return run.readResult;
}

std::vector<uint8_t> WithBlock(int16_t code, const Bytes& contents) {
  StreamBuilder s = Base();
  s.Object(30).Block(code, contents);
  return s.Finish();
}

Bytes ConstraintBlock(int16_t attachedCount, std::vector<int16_t> attached, int16_t goalCount,
                      uint8_t type = 1) {
  Bytes b;
  b.Code(-1).Formula(0.0).Formula(1.0).Code(0).Code(-1).Formula(0.0).Code(attachedCount);
  for (int16_t a : attached)
    b.Code(a);
  b.Code(goalCount);
  for (int i = 0; i < goalCount; ++i)
    b.Code(type).Code(0).Code(1).Formula(0.0);
  return b;
}

struct Case {
  const char* name;
  std::function<std::vector<uint8_t>()> stream;
  int32_t expected;
};

TEST(StreamRead, MalformedStreamsAreRefusedWithTheirError) {
  const Case cases[] = {
      {"empty", [] { return std::vector<uint8_t>(); }, kEngineCannotRead},
      {"wrong signature",
       [] {
         auto b = Base().Finish();
         b[3] = 'B';
         return b;
       },
       kEngineCannotRead},
      {"document version",
       [] {
         Bytes b;
         b.Raw("ZodA", 4).String("YB3X");
         return b.data;
       },
       kEngineCannotRead},
      {"negative block length",
       [] {
         StreamBuilder s = Base();
         Bytes raw;
         raw.Code(30).Code(1234).Long(-4);
         auto bytes = s.Finish();
         bytes.insert(bytes.end(), raw.data.begin(), raw.data.end());
         return bytes;
       },
       kEngineCannotRead},
      {"block beyond the stream",
       [] {
         Bytes raw;
         raw.Code(30).Code(1600).Long(4000).Code(1);
         auto bytes = Base().Finish();
         bytes.insert(bytes.end(), raw.data.begin(), raw.data.end());
         return bytes;
       },
       kEngineCannotRead},
      {"object without its end",
       [] {
         auto bytes = Base().Finish();
         bytes.erase(bytes.end() - 2, bytes.end());
         return bytes;
       },
       kEngineCannotRead},
      {"negative attached count",
       [] { return WithBlock(1310, ConstraintBlock(-2, {}, 0)); }, kEngineCannotRead},
      {"attached count beyond the block",
       [] { return WithBlock(1310, ConstraintBlock(32767, {20, 21}, 0)); }, kEngineCannotRead},
      {"negative goal count",
       [] { return WithBlock(1310, ConstraintBlock(2, {20, 21}, -1)); }, kEngineCannotRead},
      {"goal of no type",
       [] { return WithBlock(1310, ConstraintBlock(2, {20, 21}, 1, 9)); }, kEngineCannotRead},
      {"attached object missing",
       [] { return WithBlock(1310, ConstraintBlock(2, {20, 99}, 1)); }, kEngineCannotRead},
      {"attached object a table",
       [] {
         StreamBuilder s = Base();
         s.Table(40, 2, {0, 0, 1, 0, 0, 1});
         s.Object(30).Block(1310, ConstraintBlock(2, {20, 40}, 1));
         return s.Finish();
       },
       kEngineCannotRead},
      {"point on a missing body",
       [] {
         StreamBuilder s = Base();
         s.Point(22, 77, 0.0, 0.0);
         return s.Finish();
       },
       kEngineCannotRead},
      {"polygon without its table",
       [] {
         StreamBuilder s = Base();
         s.Body(11, 0.0, 0.0, 0.0, 1.0, 1.0).Block(1201, Bytes().Code(45));
         return s.Finish();
       },
       kEngineCannotRead},
      {"negative table size",
       [] { return WithBlock(1701, Bytes().Code(2).Code(-3)); }, kEngineCannotRead},
      {"table larger than its block",
       [] { return WithBlock(1701, Bytes().Code(200).Code(200).Double(1)); }, kEngineCannotRead},
      {"two points with one identifier",
       [] {
         StreamBuilder s = Base();
         s.Point(21, 10, 0.0, 0.0);
         return s.Finish();
       },
       kEngineCannotRead},
      {"background with a body record",
       [] {
         StreamBuilder s = Base();
         s.Body(0, 0.0, 0.0, 0.0, 1.0, 1.0);
         return s.Finish();
       },
       kEngineCannotRead},
      {"one block twice",
       [] {
         StreamBuilder s = Base();
         s.Point(22, 10, 0.0, 0.0).Block(1500, Bytes().Code(10).Formula(0.0).Formula(0.0).Formula(0.0));
         return s.Finish();
       },
       kEngineCannotRead},
      {"body and constraint in one object",
       [] {
         StreamBuilder s = Base();
         s.Body(11, 0.0, 0.0, 0.0, 1.0, 1.0).Block(1310, ConstraintBlock(2, {20, 21}, 1));
         return s.Finish();
       },
       kEngineCannotRead},
      {"group of no kind",
       [] { return WithBlock(1800, Bytes().Code(7).Code(-1).Code(0)); }, kEngineCannotRead},
      {"group of pairs with an odd count",
       [] { return WithBlock(1800, Bytes().Code(2).Code(-1).Code(1).Code(10)); },
       kEngineCannotRead},
      {"run settings with no step",
       [] {
         StreamBuilder s = Base();
         s.Object(50).RunSettings(3, 2, true, 0.0, 1, 1e-6, 1e-9);
         return s.Finish();
       },
       kEngineCannotRead},
      {"formula record without its count",
       [] { return WithBlock(1600, Bytes().Code(1).Code(0).String("#x:time")); },
       kEngineCannotRead},
      {"formula record elements beyond the block",
       [] {
         return WithBlock(1600,
                          Bytes().Code(1).Code(0).String("#900:time").Code(3).Double(0).Double(0).Long(0));
       },
       kEngineCannotRead},
      {"formula that does not compile",
       [] { return WithBlock(1600, Bytes().Code(1).Formula(F("1 +"))); }, kFormulaExpectedOperand},
      {"formula naming a missing body",
       [] { return WithBlock(1600, Bytes().Code(1).Formula(F("body[99].p.x"))); },
       kFormulaUnknownObject},
      {"velocity goal acting on nothing",
       [] { return WithBlock(1310, ConstraintBlock(0, {}, 1, 2)); }, kEngineBadModel},
  };
  for (const Case& c : cases)
    EXPECT_EQ(Read(c.stream()), c.expected) << c.name;
}

TEST(StreamRead, EveryTruncationIsRefusedUnlessItEndsAnObject) {
  const auto stream = FourBar().Stream(1.0 / 30);
  // The offsets where an object ends: the stream can end there and still be whole.
  std::vector<size_t> ends;
  {
    size_t at = 8;
    while (at < stream.size()) {
      at += 2;  // identifier
      while (true) {
        int16_t code;
        std::memcpy(&code, stream.data() + at, 2);
        at += 2;
        if (code == -1) break;
        int32_t length;
        std::memcpy(&length, stream.data() + at, 4);
        at += 4 + static_cast<size_t>(length);
      }
      ends.push_back(at);
    }
  }
  ASSERT_EQ(ends.back(), stream.size());
  for (size_t n = 0; n < stream.size(); ++n) {
    const std::vector<uint8_t> prefix(stream.begin(), stream.begin() + static_cast<long>(n));
    EngineWorld* world = nullptr;
    init_engine();
    ASSERT_EQ(new_world(&world), kEngineOk);
    const int32_t result = read_world(world, prefix.data(), static_cast<int32_t>(n));
    const bool whole = n == 8 || std::find(ends.begin(), ends.end(), n) != ends.end();
    // A whole prefix may still name objects that come later.
    if (whole) {
      EXPECT_TRUE(result == kEngineOk || result == kEngineCannotRead) << n;
    } else {
      EXPECT_EQ(result, kEngineCannotRead) << n;
    }
    free_world(world);
  }
}

TEST(StreamRead, BlocksTheSolverDoesNotUseAreSkippedByTheirLength) {
  const auto base = Base().Finish();
  StreamBuilder t = Base();
  t.Object(31).Block(1234, Bytes().Double(1).Code(5)).Block(5005, Bytes().Code(1));
  t.Block(666, Bytes());
  t.Object(32);  // an object with no blocks at all
  t.Object(32);  // objects the solver does not use may share an identifier
  t.Object(0);   // the background, whose blocks are all the editor's
  EXPECT_EQ(Read(t.Finish()), kEngineOk);
  // An end mark where an object would begin closes the stream.
  auto closed = base;
  const int16_t end = -1;
  closed.insert(closed.end(), reinterpret_cast<const uint8_t*>(&end),
                reinterpret_cast<const uint8_t*>(&end) + 2);
  EXPECT_EQ(Read(closed), kEngineOk);
  // A stored formula record reaches the solver as its text.
  StreamBuilder r = Base();
  r.Object(33).Block(1600, Bytes().Code(1).Code(0).String("#1:time*2").Code(3).Double(0).Double(0)
                               .Long(0).Double(1).Long(2));
  EXPECT_EQ(Read(r.Finish()), kEngineOk);
}

}  // namespace
}  // namespace yb::stream::testing
