#pragma once
// The reference mechanisms as the world writes them into the solver stream: a pendulum, a
// four-bar crank-rocker driven by a motor, a spring-mass with or without a damper, and a world
// with an input and a pause control. Identifiers are chosen as a document would number them.

#include <cmath>
#include <numbers>
#include <string>
#include <vector>

#include "tests/solver/stream/StreamBuilder.h"

namespace yb::stream::testing {

inline constexpr int16_t kIntegratorEuler = 0;
inline constexpr int16_t kIntegratorKuttaMerson = 3;
inline constexpr int16_t kModeFast = 0;
inline constexpr int16_t kModeAccurate = 2;
inline constexpr int16_t kModeCustom = 3;

// Goal flags: type (0 force, 1 position, 2 velocity), marking, component (0 x, 1 y, 2 rotation).
inline GoalSpec PinX() { return {1, 0, 0, F(0.0)}; }
inline GoalSpec PinY() { return {1, 0, 1, F(0.0)}; }

// A disk (mass 1, radius 0.1) on a massless rod of length 1 from a pivot at the origin, let go at
// angle theta0 from the vertical, under gravity g.
struct Pendulum {
  double theta0 = 10 * std::numbers::pi / 180;
  double length = 1.0, mass = 1.0, radius = 0.1, g = 9.81;
  double Moment() const { return 0.5 * mass * radius * radius; }
  // The exact period of the physical pendulum: 4 K(sin(theta0 / 2)) sqrt(Ip / (m g L)).
  double Period() const {
    const double k = std::sin(theta0 / 2);
    double a = 1, b = std::sqrt(1 - k * k);
    for (int i = 0; i < 40; ++i) {
      const double m = (a + b) / 2;
      b = std::sqrt(a * b);
      a = m;
    }
    const double K = std::numbers::pi / (2 * a);
    return 4 * K * std::sqrt((Moment() + mass * length * length) / (mass * g * length));
  }
  std::vector<uint8_t> Stream(int framesPerPeriod, int16_t integrator = kIntegratorKuttaMerson,
                              int16_t mode = kModeAccurate, bool variable = true) const {
    StreamBuilder s;
    s.Object(1).Elements({});  // the world's own record
    s.Body(10, length * std::sin(theta0), -length * std::cos(theta0), theta0, mass, Moment())
        .CircleSize(2 * radius);
    s.Point(20, 0, 0.0, 0.0);
    s.Point(21, 10, 0.0, length);
    s.Constraint(30, {20, 21}, {PinY(), PinX()});
    s.LineGravity(40, 41, g);
    s.Object(50).RunSettings(integrator, mode, variable, Period() / framesPerPeriod, 1, 1e-12,
                             1e-13);
    return s.Finish();
  }
};

// The crank-rocker of the benchmark: ground 2, crank 0.5, coupler 2, rocker 1.5 m, the crank
// turned at 1 rev/s by a velocity motor from 90 degrees.
struct FourBar {
  double ground = 2, crank = 0.5, coupler = 2, rocker = 1.5;
  double start = std::numbers::pi / 2;
  // The rocker's angle for a crank angle, the coupler pin above the ground line.
  double RockerAngle(double crankAngle) const {
    const double bx = crank * std::cos(crankAngle), by = crank * std::sin(crankAngle);
    const double dx = ground - bx, dy = -by;
    const double d = std::hypot(dx, dy);
    const double a = (coupler * coupler - rocker * rocker + d * d) / (2 * d);
    const double h = std::sqrt(coupler * coupler - a * a);
    const double mx = bx + a * dx / d, my = by + a * dy / d;
    const double cx = mx - h * dy / d, cy = my + h * dx / d;
    return std::atan2(cy, cx - ground);
  }
  std::vector<uint8_t> Stream(double step) const {
    const double bx = crank * std::cos(start), by = crank * std::sin(start);
    const double rockerAngle = RockerAngle(start);
    const double cx = ground + rocker * std::cos(rockerAngle);
    const double cy = rocker * std::sin(rockerAngle);
    const double couplerAngle = std::atan2(cy - by, cx - bx);
    StreamBuilder s;
    auto link = [&](int16_t id, double x, double y, double angle, double length) {
      s.Body(id, x, y, angle, 1.0, length * length / 12, length / 2, 0.0).RectangleSize(length, 0.05);
    };
    link(10, 0, 0, start, crank);
    link(11, bx, by, couplerAngle, coupler);
    link(12, ground, 0, rockerAngle, rocker);
    s.Point(20, 0, 0.0, 0.0);        // crank pivot on the ground
    s.Point(21, 10, 0.0, 0.0);       // crank end at the pivot
    s.Point(22, 10, crank, 0.0);     // crank pin
    s.Point(23, 11, 0.0, 0.0);       // coupler at the crank pin
    s.Point(24, 11, coupler, 0.0);   // coupler at the rocker pin
    s.Point(25, 12, rocker, 0.0);    // rocker pin
    s.Point(26, 12, 0.0, 0.0);       // rocker at its pivot
    s.Point(27, 0, ground, 0.0);     // rocker pivot on the ground
    s.Constraint(30, {20, 21}, {PinY(), PinX()});
    s.Constraint(31, {22, 23}, {PinY(), PinX()});
    s.Constraint(32, {24, 25}, {PinY(), PinX()});
    s.Constraint(33, {27, 26}, {PinY(), PinX()});
    s.Constraint(34, {20, 21}, {{2, 0, 2, F(2 * std::numbers::pi)}});  // the motor
    s.Object(50).RunSettings(kIntegratorKuttaMerson, kModeAccurate, true, step, 1, 1e-12, 1e-13);
    return s.Finish();
  }
};

// A body of mass 1 on a spring k = 100 (rest length 1) to a fixed point, with a damper c
// (0 for none), started 0.2 m beyond its rest length at rest.
struct SpringMass {
  double k = 100, c = 0, rest = 1, stretch = 0.2;
  double Omega() const { return std::sqrt(k - c * c / 4); }
  double X(double t) const {
    const double w = Omega(), a = c / 2;
    return rest + stretch * std::exp(-a * t) * (std::cos(w * t) + a / w * std::sin(w * t));
  }
  std::vector<uint8_t> Stream(double step) const {
    std::string law = "-(" + std::to_string(k) + ")*(Constraint[30].dp.x-(" +
                      std::to_string(rest) + "))";
    if (c != 0) law += "-(" + std::to_string(c) + ")*Constraint[30].dv.x";
    StreamBuilder s;
    s.Body(10, rest + stretch, 0.0, 0.0, 1.0, 0.01).CircleSize(0.1);
    s.Point(20, 0, 0.0, 0.0);
    s.Point(21, 10, 0.0, 0.0);
    s.Constraint(30, {20, 21}, {{0, 0, 0, F(law)}});
    s.Object(50).RunSettings(kIntegratorKuttaMerson, kModeAccurate, true, step, 1, 1e-12, 1e-13);
    return s.Finish();
  }
};

// A body pushed along x by a force whose size is input 60, an input object that records its
// value, and a pause-control holder that records whether its condition holds. `colliding` puts
// it in a collision group with a wall far ahead of it, which it never reaches; `fast` runs it in
// fast mode.
inline std::vector<uint8_t> InputWorld(double step, bool colliding = false, bool fast = false) {
  StreamBuilder s;
  s.Body(10, 0.0, 0.0, 0.0, 2.0, 1.0).CircleSize(0.2);
  if (colliding) {
    s.Body(11, 100.0, 0.0, 0.0, 1.0, 1.0).RectangleSize(1, 10);
    s.Group(40, 1, true, -1, {10, 11}).Block(1802, Bytes());
  }
  s.Point(20, 10, 0.0, 0.0);
  s.Constraint(30, {20}, {{0, 0, 0, F("Input[60]")}, {0, 0, 1, F(0.0)}});
  s.Object(60).Elements({F("Input[60]")});
  s.Object(61).Elements({F("time > 0.5"), F("body[10].p.x")});
  if (fast)
    s.Object(50).RunSettings(kIntegratorEuler, kModeFast, false, step, 1, 1e-4, 1e-8);
  else
    s.Object(50).RunSettings(kIntegratorKuttaMerson, kModeAccurate, true, step, 1, 1e-12, 1e-13);
  return s.Finish();
}

// Two gears in mesh (radii 1 and 0.5), the first driven by a motor.
inline std::vector<uint8_t> Gears() {
  StreamBuilder s;
  s.Body(10, 0.0, 0.0, 0.0, 1.0, 0.5).CircleSize(2.0);
  s.Body(11, 1.5, 0.0, 0.0, 0.5, 0.06).CircleSize(1.0);
  s.Point(20, 0, 0.0, 0.0);
  s.Point(21, 10, 0.0, 0.0);
  s.Point(22, 0, 1.5, 0.0);
  s.Point(23, 11, 0.0, 0.0);
  s.Point(24, 10, F("cos(body[10].p.r)*1+sin(body[10].p.r)*0"), 0.0, 0.0, 1502);
  s.Point(25, 11, -0.5, 0.0, 0.0, 1502);
  s.Constraint(30, {20, 21}, {PinY(), PinX()});
  s.Constraint(31, {22, 23}, {PinY(), PinX()});
  s.Constraint(32, {21, 23}, {{1, 0, 0, F(2.0)}}, -1, 0.0, 0.0);  // the gear's own rod, off
  s.Constraint(33, {24, 25}, {PinY()});
  s.Constraint(34, {20, 21}, {{2, 0, 2, F(1.0)}});
  s.Object(50).RunSettings(kIntegratorKuttaMerson, kModeAccurate, true, 0.05, 1, 1e-9, 1e-12);
  return s.Finish();
}

}  // namespace yb::stream::testing
