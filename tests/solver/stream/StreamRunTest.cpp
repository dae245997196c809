// Worlds handed over as streams and run into a history block, checked against the closed forms
// of the mechanisms, and runs cut into many calls checked against uninterrupted ones.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <string>

#include "tests/solver/stream/EngineHarness.h"
#include "tests/solver/stream/StreamScenes.h"

namespace yb::stream::testing {
namespace {

constexpr double kPi = std::numbers::pi;

double Wrap(double angle) {
  return std::remainder(angle, 2 * kPi);
}

TEST(StreamRun, PendulumSwingsWithTheExactPeriodAndKeepsItsEnergy) {
  for (const double degrees : {10.0, 60.0}) {
    Pendulum p;
    p.theta0 = degrees * kPi / 180;
    constexpr int kFrames = 60;
    EngineRun run(p.Stream(kFrames));
    ASSERT_EQ(run.readResult, kEngineOk);
    History history(4, 8);  // grows as the engine asks
    ASSERT_EQ(run.RunTo(history, 2 * kFrames + 1), kEngineOk);
    EXPECT_EQ(history.Word(kHistoryWordFloatSize), kHistoryFloatSize);
    // A frame is x, y, rotation, vx, vy, angular velocity, cos, sin.
    for (int frame : {0, kFrames, 2 * kFrames}) {
      EXPECT_NEAR(history.Value(frame, 2), p.theta0, 1e-8 * p.theta0) << degrees << " " << frame;
      EXPECT_NEAR(history.Value(frame, 5), 0.0, 1e-7) << frame;
    }
    EXPECT_NEAR(history.Value(kFrames / 2, 2), -p.theta0, 1e-8 * p.theta0);
    EXPECT_NEAR(history.Value(kFrames / 4, 5), -history.Value(3 * kFrames / 4, 5), 1e-7);
    auto energy = [&](int f) {
      const double vx = history.Value(f, 3), vy = history.Value(f, 4), w = history.Value(f, 5);
      return 0.5 * p.mass * (vx * vx + vy * vy) + 0.5 * p.Moment() * w * w +
             p.mass * p.g * history.Value(f, 1);
    };
    const double e0 = energy(0);
    for (int f = 1; f <= 2 * kFrames; ++f)
      ASSERT_NEAR(energy(f), e0, 1e-7 * std::abs(e0)) << f;
    for (int f = 0; f <= 2 * kFrames; f += 7) {
      EXPECT_DOUBLE_EQ(history.Value(f, 6), std::cos(history.Value(f, 2)));
      EXPECT_DOUBLE_EQ(history.Value(f, 7), std::sin(history.Value(f, 2)));
      // The rod keeps its length: the disk stays 1 m from the pivot.
      EXPECT_NEAR(std::hypot(history.Value(f, 0), history.Value(f, 1)), p.length, 1e-10);
    }
  }
}

TEST(StreamRun, FourBarFollowsItsMotorAndTheClosedFormRocker) {
  FourBar bar;
  const double step = 1.0 / 60;
  EngineRun run(bar.Stream(step));
  ASSERT_EQ(run.readResult, kEngineOk);
  History history(200, 24);
  ASSERT_EQ(run.RunTo(history, 121), kEngineOk);
  for (int f = 0; f <= 120; ++f) {
    const double t = f * step;
    const double crank = history.Value(f, 2);
    EXPECT_NEAR(Wrap(crank - (bar.start + 2 * kPi * t)), 0.0, 1e-8) << f;
    EXPECT_NEAR(Wrap(history.Value(f, 16 + 2) - bar.RockerAngle(crank)), 0.0, 1e-8) << f;
    // Loop closure: the coupler's far end meets the rocker's.
    const double cx = history.Value(f, 8) + bar.coupler * history.Value(f, 8 + 6);
    const double cy = history.Value(f, 8 + 1) + bar.coupler * history.Value(f, 8 + 7);
    const double rx = history.Value(f, 16) + bar.rocker * history.Value(f, 16 + 6);
    const double ry = history.Value(f, 16 + 1) + bar.rocker * history.Value(f, 16 + 7);
    EXPECT_NEAR(std::hypot(cx - rx, cy - ry), 0.0, 1e-10) << f;
  }
}

TEST(StreamRun, SpringMassFollowsTheOscillatorWithAndWithoutDamping) {
  for (const double damping : {0.0, 0.4}) {
    SpringMass spring;
    spring.c = damping;
    const double period = 2 * kPi / spring.Omega();
    const double step = period / 40;
    EngineRun run(spring.Stream(step));
    ASSERT_EQ(run.readResult, kEngineOk);
    History history(100, 8);
    ASSERT_EQ(run.RunTo(history, 81), kEngineOk);
    for (int f = 0; f <= 80; ++f)
      ASSERT_NEAR(history.Value(f, 0), spring.X(f * step), 1e-8) << damping << " " << f;
    EXPECT_NEAR(history.Value(40, 0) - spring.rest, spring.stretch * std::exp(-damping / 2 * period),
                1e-8);
  }
}

// With a collision group too: the forces of its contacts are evaluated at the end of each frame,
// and a step that went on from that evaluation would push with the input's old value.
class InputsReachTheWorld : public ::testing::TestWithParam<bool> {};

TEST_P(InputsReachTheWorld, BeforeEveryFrameAndRecordedFormulasAreWritten) {
  const double step = 0.1;
  EngineRun run(InputWorld(step, GetParam()));
  ASSERT_EQ(run.readResult, kEngineOk);
  // 8 values per body, the input's recorded value, the pause condition and a position.
  const int recorded = GetParam() ? 16 : 8;
  History history(40, recorded + 3);
  run.SetInputs({{60, 2.0}});
  ASSERT_EQ(run.RunTo(history, 11), kEngineOk);
  run.SetInputs({{60, 5.0}});
  ASSERT_EQ(run.RunTo(history, 21), kEngineOk);
  const double mass = 2.0;
  for (int f = 0; f <= 20; ++f) {
    const double t = f * step;
    const double x = t <= 1.0 ? 2.0 * t * t / (2 * mass)
                              : 0.5 + 1.0 * (t - 1) + 5.0 * (t - 1) * (t - 1) / (2 * mass);
    EXPECT_NEAR(history.Value(f, 0), x, 1e-9) << f;
    // Frame 0 and frames 1..10 were computed with the first value, the later ones with the next.
    EXPECT_EQ(history.Value(f, recorded), f <= 10 ? 2.0 : 5.0) << f;
    EXPECT_EQ(history.Value(f, recorded + 1), t > 0.5 + 1e-9 ? 1.0 : 0.0) << f;
    EXPECT_DOUBLE_EQ(history.Value(f, recorded + 2), history.Value(f, 0));
  }
  // Without the input's record the force cannot be evaluated: the run stops and says why.
  run.SetInputs({});
  EXPECT_EQ(run.RunTo(history, 22), 1193);
}
INSTANTIATE_TEST_SUITE_P(StreamRun, InputsReachTheWorld, ::testing::Values(false, true));

// A fast run takes one step a frame, from the evaluation that ended the frame before: an input
// changed between two calls drives the first step of the next call, frame by frame as the
// semi-implicit Euler steps of the closed form push.
TEST(StreamRun, InputChangedBetweenCallsDrivesTheNextStepOfAFastRunWithContacts) {
  const double step = 0.1, mass = 2.0;
  EngineRun run(InputWorld(step, true, true));
  ASSERT_EQ(run.readResult, kEngineOk);
  History history(40, 19);
  run.SetInputs({{60, 2.0}});
  ASSERT_EQ(run.RunTo(history, 11), kEngineOk);
  run.SetInputs({{60, 5.0}});
  ASSERT_EQ(run.RunTo(history, 21), kEngineOk);
  double x = 0, v = 0;
  for (int f = 1; f <= 20; ++f) {
    v += step * (f <= 10 ? 2.0 : 5.0) / mass;
    x += step * v;
    EXPECT_NEAR(history.Value(f, 0), x, 1e-12) << f;
  }
}

// A run cut by a full block, by a progress callback that stops, and by keeping only frame 0 gives
// the frames of an uninterrupted run, bit for bit.
int32_t StopEveryThird(int32_t*, double frame, double, double, double, double, double) {
  return static_cast<int>(frame) % 3 == 2 ? 1 : 0;
}

TEST(StreamRun, RunsCutIntoPiecesGiveTheFramesOfOneRun) {
  const Pendulum p;
  const auto stream = p.Stream(30);
  EngineRun whole(stream);
  History reference(100, 8);
  ASSERT_EQ(whole.RunTo(reference, 61), kEngineOk);

  EngineRun split(stream);
  History small(1, 8);
  int full = 0;
  while (small.Frames() < 61) {
    const int32_t result = split.Step(small, StopEveryThird);
    if (result == kEngineStoreFull) {
      ++full;
      const auto before = small.bytes;
      EXPECT_EQ(split.Step(small), kEngineStoreFull);  // nothing changes until it grows
      EXPECT_EQ(small.bytes, before);
      small.Grow(3);
      continue;
    }
    ASSERT_TRUE(result == kEngineOk || result == kEngineContinue) << result;
  }
  EXPECT_GT(full, 10);
  EXPECT_EQ(std::vector<uint8_t>(small.bytes.begin(), small.bytes.end()),
            std::vector<uint8_t>(reference.bytes.begin(), reference.bytes.begin() +
                                                              static_cast<long>(small.bytes.size())));

  // The program keeps only frame 0: the world starts again and writes the same frames.
  reference.SetWord(kHistoryWordFrameCount, 1);
  std::fill(reference.bytes.begin() + kHistoryHeaderBytes + 64, reference.bytes.end(), 0);
  ASSERT_EQ(whole.RunTo(reference, 61), kEngineOk);
  EngineRun fresh(stream);
  History again(100, 8);
  ASSERT_EQ(fresh.RunTo(again, 61), kEngineOk);
  EXPECT_EQ(reference.bytes, again.bytes);
  // A block recorded earlier is continued: the world computes up to its last frame first.
  EngineRun later(stream);
  History partial = again;
  partial.SetWord(kHistoryWordFrameCount, 40);
  ASSERT_EQ(later.RunTo(partial, 61), kEngineOk);
  EXPECT_EQ(partial.bytes, again.bytes);
}

// Two bodies in a pairwise field whose formula names self and other: the field must see the
// stream's identifiers, pull each body towards the other, and keep a circular orbit circular.
TEST(StreamRun, PairwiseFieldKeepsTwoBodiesOnACircularOrbit) {
  const double G = 1, M = 100, m = 1, r = 10;
  const double v = std::sqrt(G * (M + m) / r);
  StreamBuilder s;
  s.Body(10, r, 0.0, 0.0, m, 0.1, 0.0, 0.0, 0.0, v * M / (M + m));
  s.Body(11, 0.0, 0.0, 0.0, M, 10.0, 0.0, 0.0, 0.0, -v * m / (M + m));
  s.Group(40, 1, true, -1, {10, 11});
  s.Constraint(41, {}, {{0, 0, 0, F("-self.mass*(1)/sqr(self.p-other.p)*other.mass")}}, -1, 0.0,
               1.0, 40);
  s.Object(60).Elements({F("|body[10].p-body[11].p|")});
  const double period = 2 * kPi * r / v;
  s.Object(50).RunSettings(kIntegratorKuttaMerson, kModeAccurate, true, period / 40, 1, 1e-12,
                           1e-13);
  EngineRun run(s.Finish());
  ASSERT_EQ(run.readResult, kEngineOk);
  History history(50, 17);
  ASSERT_EQ(run.RunTo(history, 41), kEngineOk);
  for (int f = 0; f <= 40; ++f) {
    EXPECT_NEAR(history.Value(f, 16), r, 1e-8) << f;
    // The centre of mass stays at rest.
    EXPECT_NEAR(m * history.Value(f, 3) + M * history.Value(f, 8 + 3), 0.0, 1e-9) << f;
    EXPECT_NEAR(m * history.Value(f, 4) + M * history.Value(f, 8 + 4), 0.0, 1e-9) << f;
  }
  EXPECT_NEAR(history.Value(40, 0), history.Value(0, 0), 1e-6);
  EXPECT_NEAR(history.Value(20, 0) - history.Value(20, 8), -r, 1e-6);
}

// A constraint with nothing attached holds its position goal's formula at 0: a body started at
// unit speed on the unit circle, held there by the formula alone, goes round it at that speed.
TEST(StreamRun, AFormulaConstraintHoldsItsPositionGoalAtZero) {
  StreamBuilder s;
  s.Body(10, 1.0, 0.0, 0.0, 1.0, 0.1, 0.0, 0.0, 0.0, 1.0);
  s.Constraint(41, {}, {{1, 0, 0, F("sqr(body[10].p) - 1")}});
  s.Object(50).RunSettings(kIntegratorKuttaMerson, kModeAccurate, true, kPi / 40, 1, 1e-10,
                           1e-12);
  EngineRun run(s.Finish());
  ASSERT_EQ(run.readResult, kEngineOk);
  History history(50, 8);
  ASSERT_EQ(run.RunTo(history, 41), kEngineOk);
  for (int f = 0; f <= 40; ++f) {
    const double angle = f * kPi / 40;
    EXPECT_NEAR(std::hypot(history.Value(f, 0), history.Value(f, 1)), 1.0, 1e-10) << f;
    EXPECT_NEAR(history.Value(f, 0), std::cos(angle), 1e-6) << f;
    EXPECT_NEAR(history.Value(f, 1), std::sin(angle), 1e-6) << f;
  }
}

// A goal such a constraint cannot hold is refused in words that name the goal and its kind; a
// world read well leaves no words.
TEST(StreamRun, AFormulaConstraintsRefusedGoalIsNamedWithItsKind) {
  struct Case {
    uint8_t type, marking;
    const char* formula;
    const char* words;
  };
  const Case cases[] = {{2, 0, "body[10].p.x", "goal 2 is a velocity goal"},
                        {0, 0, "body[10].p.x", "goal 2 is a force or torque goal"},
                        {4, 0, "body[10].p.x", "goal 2 is a power goal"},
                        {1, 1, "body[10].p.x", "goal 2 is a limit"},
                        {1, 0, nullptr, "goal 2 is a constant other than 0"}};
  for (const Case& c : cases) {
    StreamBuilder s;
    s.Body(10, 1.0, 0.0, 0.0, 1.0, 0.1, 0.0, 0.0, 0.0, 1.0);
    s.Constraint(41, {}, {{1, 0, 0, F("sqr(body[10].p) - 1")}, {c.type, c.marking, 0, c.formula != nullptr ? F(c.formula) : F(3.0)}});
    s.Object(50).RunSettings(kIntegratorKuttaMerson, kModeAccurate, true, kPi / 40, 1, 1e-10,
                             1e-12);
    EngineRun run(s.Finish());
    EXPECT_EQ(run.readResult, kEngineBadModel) << c.words;
    char text[256];
    ASSERT_GT(world_refusal(run.World(), text, sizeof text), 0) << c.words;
    EXPECT_NE(std::string(text).find(std::string("Custom constraint 41, ") + c.words),
              std::string::npos)
        << text;
  }
  StreamBuilder s;
  s.Body(10, 1.0, 0.0, 0.0, 1.0, 0.1, 0.0, 0.0, 0.0, 1.0);
  s.Constraint(41, {}, {{1, 0, 0, F("sqr(body[10].p) - 1")}});
  s.Object(50).RunSettings(kIntegratorKuttaMerson, kModeAccurate, true, kPi / 40, 1, 1e-10, 1e-12);
  EngineRun run(s.Finish());
  ASSERT_EQ(run.readResult, kEngineOk);
  char text[8] = "x";
  EXPECT_EQ(world_refusal(run.World(), text, sizeof text), 0);
  EXPECT_STREQ(text, "");
}

TEST(StreamRun, GearsReadFromTheirContactPointsTurnAtTheRatioOfTheirRadii) {
  EngineRun run(Gears());
  ASSERT_EQ(run.readResult, kEngineOk);
  History history(40, 16);
  ASSERT_EQ(run.RunTo(history, 21), kEngineOk);
  for (int f = 1; f <= 20; ++f) {
    EXPECT_NEAR(history.Value(f, 5), 1.0, 1e-9) << f;
    EXPECT_NEAR(history.Value(f, 8 + 5), -2.0, 1e-9) << f;
    EXPECT_NEAR(history.Value(f, 8 + 2), -2.0 * history.Value(f, 2), 1e-9) << f;
  }
}

TEST(StreamRun, BlockLaidOutWithThreeValuesPerBodyGetsThree) {
  FourBar bar;
  EngineRun run(bar.Stream(1.0 / 30));
  History three(20, 9);
  ASSERT_EQ(run.RunTo(three, 11), kEngineOk);
  EngineRun eight(bar.Stream(1.0 / 30));
  History full(20, 24);
  ASSERT_EQ(eight.RunTo(full, 11), kEngineOk);
  for (int f = 0; f <= 10; ++f)
    for (int b = 0; b < 3; ++b)
      for (int v = 0; v < 3; ++v)
        EXPECT_EQ(three.Value(f, 3 * b + v), full.Value(f, 8 * b + v));
  // Any other count does not fit the world.
  EngineRun wrong(bar.Stream(1.0 / 30));
  History odd(20, 10);
  EXPECT_EQ(wrong.Step(odd), kEngineBadArgument);
  EXPECT_EQ(odd.Frames(), 0);
}

TEST(StreamRun, MarkedBlockKeepsFrameZeroAndGoesRoundTheRest) {
  const Pendulum p;
  EngineRun run(p.Stream(30));
  History ring(5, 8);
  ASSERT_EQ(run.RunTo(ring, 5), kEngineOk);
  const std::vector<uint8_t> frameZero(ring.bytes.begin() + kHistoryHeaderBytes,
                                       ring.bytes.begin() + kHistoryHeaderBytes + 64);
  ring.SetWord(kHistoryWordMark, 4);
  ASSERT_EQ(run.RunTo(ring, 12), kEngineOk);
  EngineRun straight(p.Stream(30));
  History all(20, 8);
  ASSERT_EQ(straight.RunTo(all, 12), kEngineOk);
  EXPECT_TRUE(std::equal(frameZero.begin(), frameZero.end(), ring.bytes.begin() + kHistoryHeaderBytes));
  // Frame f >= 1 is in slot 1 + (f - 1) % 4: frames 8..11 are the last four.
  for (int f = 8; f <= 11; ++f)
    for (int v = 0; v < 8; ++v)
      EXPECT_EQ(ring.Value(1 + (f - 1) % 4, v), all.Value(f, v)) << f;
}

TEST(StreamRun, RedundantConstraintsAreReportedOnlyWhenTheSwitchAsks) {
  for (const int16_t warn : {0, 1}) {
    StreamBuilder s;
    s.Body(10, 0.0, -1.0, 0.0, 1.0, 0.1);
    s.Point(20, 0, 0.0, 0.0);
    s.Point(21, 10, 0.0, 1.0);
    s.Constraint(30, {20, 21}, {PinY(), PinX()});
    s.Constraint(31, {20, 21}, {PinY(), PinX()});
    s.LineGravity(40, 41, 9.81);
    s.Object(50).RunSettings(kIntegratorKuttaMerson, kModeCustom, true, 0.05, 1, 1e-10, 1e-12, warn);
    EngineRun run(s.Finish());
    ASSERT_EQ(run.readResult, kEngineOk);
    History history(10, 8);
    std::vector<int32_t> answers, named;
    for (int i = 0; i < 4; ++i) {
      answers.push_back(run.Step(history));
      EXPECT_EQ(run.status[0], answers.back());
      named.push_back(run.status[1]);
    }
    EXPECT_EQ(history.Frames(), 4);  // a warning comes with its frame written
    // Each redundant constraint is reported once, naming it.
    int reports = 0;
    for (size_t i = 0; i < answers.size(); ++i) {
      if (answers[i] == kEngineOk) continue;
      ++reports;
      EXPECT_EQ(answers[i], kEngineWarnRedundant);
      EXPECT_TRUE(named[i] == 30 || named[i] == 31) << named[i];
    }
    EXPECT_EQ(reports > 0, warn != 0);
  }
}

TEST(StreamRun, EntryPointsRefuseWhatTheyCannotUse) {
  EXPECT_EQ(read_world(nullptr, nullptr, 0), kEngineBadArgument);
  EngineRun run(Pendulum().Stream(30));
  History history(10, 8);
  int32_t status[kStatusWords];
  EXPECT_EQ(run_world(run.World(), nullptr, 0, history.bytes.data(), 40, nullptr, status),
            kEngineBadArgument);
  EXPECT_EQ(run_world(run.World(), nullptr, -12, history.bytes.data(),
                      static_cast<int32_t>(history.bytes.size()), nullptr, status),
            kEngineBadArgument);
  ASSERT_EQ(clear_world(run.World()), kEngineOk);
  EXPECT_EQ(run_world(run.World(), nullptr, 0, history.bytes.data(),
                      static_cast<int32_t>(history.bytes.size()), nullptr, status),
            kEngineNoWorld);
  EXPECT_EQ(status[0], kEngineNoWorld);
  EXPECT_EQ(unlock_world(run.World()), kEngineOk);
  // The settings in force are the stream's while a world is read, the accurate mode's without.
  double step = 0, integrator = 0, overlap = 0, assembly = 0;
  ASSERT_EQ(suggest_external_dt(run.World(), &step, &integrator, &overlap, &assembly), kEngineOk);
  EXPECT_EQ(step, 1.0 / 30);
  const auto stream = Pendulum().Stream(30);
  ASSERT_EQ(read_world(run.World(), stream.data(), static_cast<int32_t>(stream.size())), kEngineOk);
  ASSERT_EQ(suggest_external_dt(run.World(), &step, &integrator, &overlap, &assembly), kEngineOk);
  EXPECT_DOUBLE_EQ(step, Pendulum().Period() / 30);
  EXPECT_EQ(integrator, 1e-12);
  EXPECT_EQ(assembly, 1e-13);
  double value = 0;
  EXPECT_EQ(engine_value(run.World(), 3, &value), kEngineBadArgument);
  ASSERT_EQ(engine_value(run.World(), 1, &value), kEngineOk);
  EXPECT_GT(value, 0.0);
}

}  // namespace
}  // namespace yb::stream::testing

namespace yb::stream::testing {
namespace {

// Starting values may name points: a point takes its place and velocity from its body, which
// is set up before the bodies after it.
TEST(StreamRun, StartingValuesNamingAPointTakeItFromItsTurningBody) {
  constexpr double kQuarter = 1.5707963267948966;
  StreamBuilder s;
  s.Body(10, 1.0, 2.0, kQuarter, 1.0, 0.1, 0, 0, 0.0, 0.0, 2.0).CircleSize(0.2);
  s.Body(11, "point[20].p.x", "point[20].p.y + 1", "point[20].p.r", 1.0, 0.1, 0, 0,
         "point[20].v.x", "point[21].p.y", 0.0)
      .CircleSize(0.2);
  s.Point(20, 10, 1.0, 0.0);
  // A point on the background placed by the point on the body.
  s.Point(21, 0, 0.0, "point[20].p.x * 3");
  EngineRun run(s.Finish());
  ASSERT_EQ(run.readResult, kEngineOk);
  History history(4, 16);
  ASSERT_EQ(run.RunTo(history, 1), kEngineOk);
  // The point stands at (1, 0) on the body turned a quarter: (1, 3) in the world, moving with
  // the body's spin of 2 at (-2, 0).
  EXPECT_NEAR(history.Value(0, 8), 1.0, 1e-12);
  EXPECT_NEAR(history.Value(0, 9), 4.0, 1e-12);
  EXPECT_NEAR(history.Value(0, 10), kQuarter, 1e-12);
  EXPECT_NEAR(history.Value(0, 11), -2.0, 1e-12);
  EXPECT_NEAR(history.Value(0, 12), 3.0, 1e-12);
}

TEST(StreamRun, PointsPlacedByAChainOfPointsHaveTheirPlace) {
  // Each point of the chain stands one to the right of the next; each names the next three
  // times, so every place is worked out once however often it is asked for.
  constexpr int16_t kFirst = 100, kLinks = 40;
  StreamBuilder chain;
  chain.Body(10, "point[100].p.x", "point[100].p.y", 0.0, 1.0, 0.1).CircleSize(0.2);
  for (int16_t k = 0; k < kLinks; ++k) {
    const std::string next = "point[" + std::to_string(kFirst + k + 1) + "].p";
    chain.Point(static_cast<int16_t>(kFirst + k), 0, next + ".x + 1 + 0 * " + next + ".r",
                next + ".y * 1");
  }
  chain.Point(kFirst + kLinks, 0, 0.5, 2.0);
  EngineRun chained(chain.Finish());
  ASSERT_EQ(chained.readResult, kEngineOk);
  History placed(4, 8);
  ASSERT_EQ(chained.RunTo(placed, 1), kEngineOk);
  EXPECT_DOUBLE_EQ(placed.Value(0, 0), kLinks + 0.5);
  EXPECT_DOUBLE_EQ(placed.Value(0, 1), 2.0);
}

TEST(StreamRun, PointsPlacingEachOtherInACircleHaveNoStartingValue) {
  StreamBuilder s;
  s.Body(10, "point[20].p.x", 0.0, 0.0, 1.0, 0.1).CircleSize(0.2);
  s.Point(20, 0, "point[21].p.x", 0.0);
  s.Point(21, 0, "point[20].p.x", 0.0);
  EngineRun run(s.Finish());
  ASSERT_EQ(run.readResult, kEngineOk);
  History history(4, 8);
  const int32_t result = run.RunTo(history, 1);
  EXPECT_NE(result, kEngineOk);
  EXPECT_EQ(history.Frames(), 0);
}

}  // namespace
}  // namespace yb::stream::testing
