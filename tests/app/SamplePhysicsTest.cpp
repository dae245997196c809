// Each bundled sample opened from its committed file, run by the solver and held to the closed
// form of its physics: a period, a speed ratio, a path.

#include <algorithm>
#include <cmath>
#include <numbers>
#include <stdexcept>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "bodies/Shapes.h"
#include "bodies/points/Point.h"
#include "constraints/Pin.h"
#include "tests/app/SampleFixture.h"
#include "tools/samples/SampleWorlds.h"

namespace {

using namespace sample_worlds;

using SamplePhysicsTest = SampleFixture;

template <class T>
T& Find(TWorldDoc& world, int16_t identifier) {
  auto* object = dynamic_cast<T*>(world.FindObject(identifier));
  if (object == nullptr) throw std::runtime_error("no object " + std::to_string(identifier));
  return *object;
}

TVector Centre(TMass& body) {
  TVector at;
  body.GetPosition(at);
  return at;
}

double Distance(const TVector& a, const TVector& b) {
  return std::hypot(b.x - a.x, b.y - a.y);
}

// How far apart the two points of a pin are.
double PinGap(TWorldDoc& world, int16_t pinId) {
  auto& pin = Find<TPin>(world, pinId);
  auto* first = dynamic_cast<TPoint*>(pin.GetPrimaryObject());
  auto* second = dynamic_cast<TPoint*>(pin.Attached().back());
  if (first == nullptr || second == nullptr) return HUGE_VAL;
  return Distance(first->GetWorldXY(), second->GetWorldXY());
}

// The period of a pendulum of the length let go at rest at the angle: 2 pi sqrt(L / g) over the
// arithmetic-geometric mean of 1 and cos(angle / 2).
double PendulumPeriod(double length, double angle) {
  double a = 1.0, b = std::cos(angle / 2.0);
  while (std::abs(a - b) > 1e-16) {
    const double mean = (a + b) / 2.0;
    b = std::sqrt(a * b);
    a = mean;
  }
  return 2.0 * std::numbers::pi * std::sqrt(length / kGravity) / a;
}

TEST_F(SamplePhysicsTest, PendulumSwingsWithTheEllipticPeriod) {
  using namespace pendulum;
  const auto document = Open(kFile);
  TWorldDoc& world = document->World();
  auto& bob = Find<TOval>(world, kBobId);
  const double period = PendulumPeriod(kLength, kStartAngle);
  // Let go to the right, the bob passes the bottom leftwards at a quarter and at five quarters
  // of the period.
  std::vector<double> crossings;
  double lastT = 0.0, lastX = 0.0, lastV = 0.0;
  RunAndShow(world, 1.5 * period, [&](int16_t frame, double t) {
    const TVector at = Centre(bob);
    const double v = bob.GetVelocityValues().x;
    EXPECT_NEAR(std::hypot(at.x, at.y), kLength, 1e-9) << frame;
    if (frame > 0 && lastX > 0.0 && at.x <= 0.0) {
      crossings.push_back(CubicCrossing(lastT, lastX, lastV, t, at.x, v));
    }
    lastT = t;
    lastX = at.x;
    lastV = v;
  });
  ASSERT_EQ(crossings.size(), 2u);
  EXPECT_NEAR((crossings[1] - crossings[0]) / period, 1.0, 1e-8);
}

TEST_F(SamplePhysicsTest, DoublePendulumKeepsItsEnergyAndItsLinks) {
  using namespace double_pendulum;
  const auto document = Open(kFile);
  TWorldDoc& world = document->World();
  auto& upper = Find<TOval>(world, kUpperId);
  auto& lower = Find<TOval>(world, kLowerId);
  const auto energy = [&] {
    double sum = 0.0;
    for (TOval* disk : {&upper, &lower}) {
      const TVector3 v = disk->GetVelocityValues();
      sum += kMass * (0.5 * (v.x * v.x + v.y * v.y) + kGravity * Centre(*disk).y);
    }
    return sum;
  };
  double start = 0.0, lowest = 0.0;
  RunAndShow(world, 5.0, [&](int16_t frame, double) {
    if (frame == 0) start = energy();
    EXPECT_NEAR(energy(), start, 1e-6 * kMass * kGravity * kLength) << frame;
    EXPECT_NEAR(Distance({0.0, 0.0}, Centre(upper)), kLength, 1e-10) << frame;
    EXPECT_NEAR(Distance(Centre(upper), Centre(lower)), kLength, 1e-10) << frame;
    lowest = std::min(lowest, Centre(lower).y);
  });
  // It did swing: the lower disk fell well below its start.
  EXPECT_LT(lowest, -1.0);
}

TEST_F(SamplePhysicsTest, FourBarRockerFollowsTheCrankAndTheLoopStaysClosed) {
  using namespace four_bar;
  const auto document = Open(kFile);
  TWorldDoc& world = document->World();
  auto& crank = Find<TRectangle>(world, kCrankId);
  auto& rocker = Find<TRectangle>(world, kRockerId);
  // The rocker's angle for the crank's: where the circles about the crank's end and about the
  // rocker's pivot meet, above the ground line.
  const auto rockerAngle = [](double crankAngle) {
    const double bx = kCrank * std::cos(crankAngle), by = kCrank * std::sin(crankAngle);
    const double dx = kGround - bx, dy = -by, d = std::hypot(dx, dy);
    const double along = (kCoupler * kCoupler - kRocker * kRocker + d * d) / (2.0 * d);
    const double across = std::sqrt(kCoupler * kCoupler - along * along);
    const double cx = bx + (along * dx - across * dy) / d, cy = by + (along * dy + across * dx) / d;
    return std::atan2(cy, cx - kGround);
  };
  RunAndShow(world, 1.0, [&](int16_t frame, double t) {
    EXPECT_NEAR(crank.GetRotationValue(), kSpin * t, 1e-8) << frame;
    EXPECT_NEAR(rocker.GetRotationValue(), rockerAngle(kSpin * t), 1e-8) << frame;
    for (int16_t pin : kPinIds)
      EXPECT_LE(PinGap(world, pin), 1e-10) << frame << " pin " << pin;
  });
}

TEST_F(SamplePhysicsTest, SliderFollowsTheCrankAsTheClosedFormSays) {
  using namespace slider_crank;
  const auto document = Open(kFile);
  TWorldDoc& world = document->World();
  auto& slider = Find<TRectangle>(world, kSliderId);
  RunAndShow(world, 1.0, [&](int16_t frame, double t) {
    const double angle = kSpin * t, sine = std::sin(angle);
    const TVector at = Centre(slider);
    EXPECT_NEAR(at.x,
                kCrank * std::cos(angle) + std::sqrt(kRod * kRod - kCrank * kCrank * sine * sine),
                1e-9)
        << frame;
    EXPECT_NEAR(at.y, 0.0, 1e-9) << frame;
    EXPECT_NEAR(slider.GetRotationValue(), 0.0, 1e-9) << frame;
  });
}

TEST_F(SamplePhysicsTest, GearTrainAndRackKeepTheirSpeedRatios) {
  using namespace gear_train;
  const auto document = Open(kFile);
  TWorldDoc& world = document->World();
  auto& driver = Find<TOval>(world, kDriverId);
  auto& driven = Find<TOval>(world, kDrivenId);
  auto& rack = Find<TRectangle>(world, kRackId);
  RunAndShow(world, 1.0, [&](int16_t frame, double t) {
    if (frame == 0) return;
    const double w1 = driver.GetVelocityValues().r, w2 = driven.GetVelocityValues().r;
    EXPECT_NEAR(w1, kSpin, 1e-12) << frame;
    EXPECT_NEAR(w2 / w1, -kDriverRadius / kDrivenRadius, 1e-12) << frame;
    EXPECT_NEAR(rack.GetVelocityValues().x / (w2 * kDrivenRadius), 1.0, 1e-12) << frame;
    EXPECT_NEAR(driven.GetRotationValue(), -kSpin * t * kDriverRadius / kDrivenRadius, 1e-9)
        << frame;
    EXPECT_NEAR(Centre(rack).x,
                kDriverRadius + kDrivenRadius + driven.GetRotationValue() * kDrivenRadius, 1e-9)
        << frame;
  });
}

TEST_F(SamplePhysicsTest, FollowerRidesTheEccentricGroove) {
  using namespace cam_follower;
  const auto document = Open(kFile);
  TWorldDoc& world = document->World();
  auto& follower = Find<TRectangle>(world, kFollowerId);
  double highest = -1.0, lowest = 1.0;
  RunAndShow(world, 2.0, [&](int16_t frame, double t) {
    const double angle = kSpin * t, cosine = std::cos(angle);
    const TVector at = Centre(follower);
    // The groove is a spline through points of the circle, within a micrometre or so of it.
    EXPECT_NEAR(at.y,
                kEccentricity * std::sin(angle) +
                    std::sqrt(kGrooveRadius * kGrooveRadius -
                              kEccentricity * kEccentricity * cosine * cosine),
                1e-5)
        << frame;
    EXPECT_NEAR(at.x, 0.0, 1e-9) << frame;
    highest = std::max(highest, at.y);
    lowest = std::min(lowest, at.y);
  });
  // A whole turn lifts the follower by twice the eccentricity.
  EXPECT_NEAR(highest - lowest, 2.0 * kEccentricity, 1e-3);
}

TEST_F(SamplePhysicsTest, OppositeChargesOrbitWithTheClosedFormPeriod) {
  using namespace charges;
  const auto document = Open(kFile);
  TWorldDoc& world = document->World();
  auto& positive = Find<TOval>(world, kPositiveId);
  auto& negative = Find<TOval>(world, kNegativeId);
  const double speed = std::sqrt(kConstant / (2.0 * kDistance));
  const double period = std::numbers::pi * kDistance / speed;
  RunAndShow(world, period, [&](int16_t frame, double t) {
    const double angle = 2.0 * std::numbers::pi * t / period;
    const TVector at = Centre(negative);
    EXPECT_NEAR(at.x, kDistance / 2.0 * std::cos(angle), 1e-9) << frame;
    EXPECT_NEAR(at.y, kDistance / 2.0 * std::sin(angle), 1e-9) << frame;
    EXPECT_NEAR(Centre(positive).x, -at.x, 1e-9) << frame;
    EXPECT_NEAR(Centre(positive).y, -at.y, 1e-9) << frame;
  });
}

TEST_F(SamplePhysicsTest, ProjectileWithLinearDragLandsAtTheClosedFormRange) {
  using namespace projectile;
  const auto document = Open(kFile);
  TWorldDoc& world = document->World();
  auto& ball = Find<TOval>(world, kBallId);
  // The resistance is the coefficient times the ball's width across the motion.
  const double k = kDrag * 2.0 * kRadius, g = kGravity;
  const auto x = [&](double t) { return kVx / k * (1.0 - std::exp(-k * t)); };
  const auto y = [&](double t) { return (kVy + g / k) / k * (1.0 - std::exp(-k * t)) - g / k * t; };
  const auto vy = [&](double t) { return (kVy + g / k) * std::exp(-k * t) - g / k; };
  // The landing time, by Newton's method from the time of flight without air.
  double landing = 2.0 * kVy / g;
  for (int i = 0; i < 50; ++i)
    landing -= y(landing) / vy(landing);
  double landed = -1.0, lastT = 0.0, lastY = 0.0, lastV = 0.0;
  RunAndShow(world, landing + 0.1, [&](int16_t frame, double t) {
    const TVector at = Centre(ball);
    const TVector3 v = ball.GetVelocityValues();
    EXPECT_NEAR(at.x, x(t), 1e-9) << frame;
    EXPECT_NEAR(at.y, y(t), 1e-9) << frame;
    if (frame > 0 && lastY > 0.0 && at.y <= 0.0)
      landed = CubicCrossing(lastT, lastY, lastV, t, at.y, v.y);
    lastT = t;
    lastY = at.y;
    lastV = v.y;
  });
  ASSERT_GT(landed, 0.0);
  EXPECT_NEAR(landed, landing, 1e-7);
  // Drag shortens the range against the airless kVx * 2 kVy / g.
  EXPECT_NEAR(x(landed), x(landing), 1e-7);
  EXPECT_LT(x(landing), kVx * 2.0 * kVy / g);
}

// The rope makes one body of the two boxes, moving by x: the heavy box's weight less the light
// one's pulls it down against the spring, so x(t) = A (1 - cos w t) with A = (m2 - m1) g / k and
// w^2 = k / (m1 + m2).
TEST_F(SamplePhysicsTest, PulleyBobsWithThePeriodOfBothMassesOnTheSpring) {
  using namespace pulley;
  const auto document = Open(kFile);
  TWorldDoc& world = document->World();
  auto& light = Find<TRectangle>(world, kLightId);
  auto& heavy = Find<TRectangle>(world, kHeavyId);
  const double amplitude = (kHeavyMass - kLightMass) * kGravity / kStiffness;
  const double omega = std::sqrt(kStiffness / (kHeavyMass + kLightMass));
  const double period = 2.0 * std::numbers::pi / omega;
  RunAndShow(world, 1.5 * period, [&](int16_t frame, double t) {
    const double x = amplitude * (1.0 - std::cos(omega * t));
    EXPECT_NEAR(Centre(light).y, -kDrop + x, 1e-9) << frame;
    EXPECT_NEAR(Centre(heavy).y, -kDrop - x, 1e-9) << frame;
    EXPECT_NEAR(Centre(light).x, -0.5, 1e-9) << frame;
    EXPECT_NEAR(Centre(heavy).x, 0.5, 1e-9) << frame;
  });
}

}  // namespace
