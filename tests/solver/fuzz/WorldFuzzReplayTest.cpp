// Replays the committed world stream seeds, and mutations of them, through the world fuzz check,
// so that reading and running a stream keep their promises under the sanitizers in every test
// run; checks that the seeds are read and run, and that they are what the stream writer of the
// tests writes today.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "tests/solver/fuzz/WorldFuzzEntry.h"
#include "tests/solver/stream/StreamScenes.h"

namespace {

using namespace yb::stream::testing;

std::filesystem::path SeedFolder() {
  const char* root = std::getenv("YB_SOURCE_DIR");
  return std::filesystem::path(root != nullptr ? root : ".") / "tests/solver/fuzz/world-seeds";
}

std::vector<uint8_t> ReadWhole(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::map<std::string, std::vector<uint8_t>> CommittedSeeds() {
  std::map<std::string, std::vector<uint8_t>> seeds;
  for (const auto& entry : std::filesystem::directory_iterator(SeedFolder()))
    seeds[entry.path().filename().string()] = ReadWhole(entry.path());
  return seeds;
}

// Two bodies in planetary gravity, one a polygon from a point table; stored formula records.
std::vector<uint8_t> Planets() {
  StreamBuilder s;
  s.Table(15, 2, {-0.5, -0.5, 0.5, -0.5, 0.5, 0.5, -0.5, 0.5});
  s.Body(10, 10.0, 0.0, 0.0, 1.0, 0.2, 0.0, 0.0, 0.0, 1.0).Block(1201, Bytes().Code(15));
  s.Body(11, 0.0, 0.0, 0.0, 100.0, 10.0).CircleSize(1.0);
  s.Group(40, 1, true, -1, {10, 11});
  s.Constraint(41, {}, {{0, 0, 0, F("-self.mass*(1)/sqr(self.p-other.p)*other.mass")}}, -1, 0.0,
               1.0, 40);
  s.Object(60).Block(1600, Bytes().Code(2).Code(0).String("#1:body[10].p.x").Code(3).Double(0)
                               .Double(0).Long(0).Double(1).Long(2).Formula(F("|body[10].v|")));
  s.Object(50).RunSettings(kIntegratorKuttaMerson, kModeAccurate, true, 0.05, 1, 1e-9, 1e-12);
  return s.Finish();
}

// A bead on a curved slot under gravity, fast mode with Euler.
std::vector<uint8_t> CurvedSlot() {
  StreamBuilder s;
  s.Table(15, 2, {-2, 1, -1, 0.2, 0, 0, 1, 0.2, 2, 1});
  s.Body(10, -1.0, 0.2, 0.0, 1.0, 0.01).CircleSize(0.1);
  s.Point(20, 0, 0.0, 0.0).Block(1501, Bytes().Code(0).Code(15));
  s.Point(21, 10, 0.0, 0.0);
  s.Constraint(30, {20, 21}, {PinY()});
  s.LineGravity(40, 41, 9.81);
  s.Object(50).RunSettings(kIntegratorEuler, kModeFast, false, 0.02, 4, 1e-4, 1e-8);
  return s.Finish();
}

// A rope, a rotational rope, a locked slot, a welded pin, an actuator with a force limit, a
// pulley and a collision group.
std::vector<uint8_t> Machine() {
  StreamBuilder s;
  s.Body(10, 0.0, -1.0, 0.0, 1.0, 0.1).RectangleSize(0.4, 0.2);
  s.Body(11, 1.0, -1.0, 0.0, 1.0, 0.1).RectangleSize(0.4, 0.2);
  s.Body(12, 2.0, -1.0, 0.0, 1.0, 0.1).CircleSize(0.3);
  s.Point(20, 0, 0.0, 0.0);
  s.Point(21, 10, 0.0, 0.0);
  s.Point(22, 11, 0.0, 0.0);
  s.Point(23, 12, 0.0, 0.0);
  s.Point(24, 0, 2.0, 0.0);
  s.Point(25, 0, 1.0, 0.0);
  s.Constraint(30, {20, 21}, {{1, 2, 0, F(1.2)}});                       // rope
  s.Constraint(31, {21, 22}, {{1, 1, 2, F(-0.5)}, {1, 2, 2, F(0.5)}});  // rotational rope
  s.Constraint(32, {25, 22}, {PinY(), {1, 0, 2, F(0.0)}}, 0, 0.0);       // locked slot
  s.Constraint(33, {21, 22}, {{2, 0, 0, F("0.1*sin(time)")}, {0, 2, 0, F(50.0)}});  // actuator
  s.Constraint(34, {24, 23, 21}, {{1, 0, 0, F(3.5)}});                  // pulley
  s.Group(42, 2, true, -1, {10, 11, 11, 12}).Block(1802, Bytes());
  s.LineGravity(40, 41, 9.81);
  s.Object(50).RunSettings(kIntegratorKuttaMerson, kModeCustom, true, 0.04, 1, 1e-8, 1e-10, 1, 1);
  return s.Finish();
}

std::map<std::string, std::vector<uint8_t>> WriteSeeds() {
  Pendulum wide;
  wide.theta0 = 1.0;
  SpringMass damped;
  damped.c = 0.4;
  return {{"pendulum.zoda", Pendulum().Stream(30)},
          {"pendulum-wide.zoda", wide.Stream(40)},
          {"four-bar.zoda", FourBar().Stream(1.0 / 30)},
          {"spring.zoda", damped.Stream(0.05)},
          {"inputs.zoda", InputWorld(0.1)},
          {"planets.zoda", Planets()},
          {"gears.zoda", Gears()},
          {"curved-slot.zoda", CurvedSlot()},
          {"machine.zoda", Machine()}};
}

TEST(WorldFuzzReplay, SeedsAreReadAndRun) {
  const auto seeds = CommittedSeeds();
  ASSERT_GE(seeds.size(), 9u);
  for (const auto& [name, seed] : seeds) {
    const WorldFuzzReach reach = WorldFuzzRead(seed.data(), seed.size());
    EXPECT_TRUE(reach.accepted) << name;
    EXPECT_EQ(reach.frames, 3) << name;
    EXPECT_EQ(reach.broken, 0) << name;
  }
}

TEST(WorldFuzzReplay, SeedsCutShortOrChangedKeepEveryPromise) {
  uint32_t random = 4711;
  auto next = [&random] { return random = random * 1103515245u + 12345u, random >> 8; };
  int accepted = 0, ran = 0, failed = 0;
  for (const auto& [name, seed] : CommittedSeeds()) {
    SCOPED_TRACE(name);
    for (size_t length = 0; length < seed.size(); length += 1 + length / 16)
      EXPECT_EQ(WorldFuzzRead(seed.data(), length).broken, 0) << length;
    for (int round = 0; round < 60; ++round) {
      std::vector<uint8_t> bytes = seed;
      for (int k = 0; k < 1 + static_cast<int>(next() % 3); ++k) {
        const size_t at = 8 + next() % (bytes.size() - 8);
        switch (next() % 4) {
          case 0:
            bytes[at] = static_cast<uint8_t>(next());
            break;
          case 1:
            bytes[at] ^= static_cast<uint8_t>(1u << (next() % 8));
            break;
          case 2:
            bytes[at] = next() % 2 != 0 ? 0xFF : 0x00;
            break;
          default:
            bytes.erase(bytes.begin() + static_cast<long>(at));
            break;
        }
      }
      const WorldFuzzReach reach = WorldFuzzRead(bytes.data(), bytes.size());
      EXPECT_EQ(reach.broken, 0) << round;
      accepted += reach.accepted ? 1 : 0;
      ran += reach.frames > 0 ? 1 : 0;
      failed += reach.failedRuns;
    }
  }
  // The mutations reach past the reader: some are taken and run, some runs fail.
  EXPECT_GT(accepted, 50);
  EXPECT_GT(ran, 30);
  EXPECT_GT(failed + accepted, ran);
}

// One byte of a seed changed to make a colliding circle about 1e-290 across: its run ends instead
// of grinding on with steps too short to follow it.
TEST(WorldFuzzReplay, ACircleMadeVanishinglyThinByOneByteEndsItsRun) {
  std::vector<uint8_t> seed = CommittedSeeds().at("machine.zoda");
  // The circle's size block holds its diameter twice; the first is the one that counts.
  const double diameter[2] = {0.3, 0.3};
  uint8_t pattern[16];
  std::memcpy(pattern, diameter, 16);
  const auto at = std::search(seed.begin(), seed.end(), std::begin(pattern), std::end(pattern));
  ASSERT_NE(at, seed.end());
  at[7] = 0x03;  // the exponent's high bits: 0.3 becomes about 2.6e-290
  // Its run ends, either with the warning that it is too thin, once it could reach another body,
  // or with its frames computed while it is far from everything.
  const WorldFuzzReach reach = WorldFuzzRead(seed.data(), seed.size());
  EXPECT_TRUE(reach.accepted);
  EXPECT_LE(reach.failedRuns, 1);
  EXPECT_EQ(reach.broken, 0);
}

// The committed seeds are exactly what the test stream writer writes, so the fuzzing starts from
// streams laid out as today's. To write them again:
// YB_WRITE_SEEDS=1 solver_tests --gtest_filter='WorldFuzzReplay.CommittedSeeds*'
TEST(WorldFuzzReplay, CommittedSeedsAreWhatTheStreamWriterWrites) {
  const auto seeds = WriteSeeds();
  const auto folder = SeedFolder();
  if (std::getenv("YB_WRITE_SEEDS") != nullptr) {
    std::filesystem::create_directories(folder);
    for (const auto& [name, bytes] : seeds) {
      std::ofstream(folder / name, std::ios::binary)
          .write(reinterpret_cast<const char*>(bytes.data()),
                 static_cast<std::streamsize>(bytes.size()));
    }
  }
  const auto committed = CommittedSeeds();
  EXPECT_EQ(committed.size(), seeds.size());
  for (const auto& [name, bytes] : seeds)
    EXPECT_EQ(ReadWhole(folder / name), bytes) << name;
}

}  // namespace
