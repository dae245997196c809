#pragma once
// The reference mechanisms, built the way a world would send them. The side-by-side benchmark
// builds the same scenes, so the accuracy tests and the benchmark measure one thing.

#include <cmath>
#include <numbers>
#include <vector>

#include "solver/dynamics/Model.h"

namespace yb::dynamics::scenes {

inline constexpr double kGravity = 9.81;
inline constexpr double kTwoPi = 2 * std::numbers::pi;

inline Body Bar(double x, double y, double r, double mass, double length) {
  Body b;
  b.x = x;
  b.y = y;
  b.r = r;
  b.mass = mass;
  b.moment = mass * length * length / 12;
  return b;
}

inline Body Disk(double x, double y, double mass, double radius) {
  Body b;
  b.x = x;
  b.y = y;
  b.mass = mass;
  b.moment = mass * radius * radius / 2;
  return b;
}

// A disk of radius 5 cm hung from a pin 1 m above its centre; released at rest.
struct Pendulum {
  static constexpr double kRadius = 0.05;
  Model model;
  int disk;
  explicit Pendulum(double amplitude) {
    Body b = Disk(std::sin(amplitude), -std::cos(amplitude), 1.0, kRadius);
    b.r = amplitude;
    disk = model.AddBody(b);
    const int pivot = model.AddPoint(kBackground, 0, 0);
    const int top = model.AddPoint(disk, 0, 1);
    model.AddConstraint(MakePin(pivot, top));
    model.AddField(MakeLineGravity({disk}, kGravity));
  }
  // The exact period: 4 sqrt(L/g) K(sin(amplitude / 2)) with the equivalent length of the disk.
  static double Period(double amplitude) {
    const double k = std::sin(amplitude / 2);
    double a = 1, b = std::sqrt(1 - k * k);
    for (int i = 0; i < 40; ++i) {
      const double m = (a + b) / 2;
      b = std::sqrt(a * b);
      a = m;
    }
    const double length = 1 + kRadius * kRadius / 2;
    return 4 * std::sqrt(length / kGravity) * std::numbers::pi / (2 * a);
  }
};

// Two 1 kg bobs on 1 m rods, released from the horizontal.
struct DoublePendulum {
  Model model;
  int bob1, bob2, rod1, rod2, pivot, p1, p2;
  DoublePendulum() {
    bob1 = model.AddBody(Disk(1, 0, 1, 0.05));
    bob2 = model.AddBody(Disk(2, 0, 1, 0.05));
    pivot = model.AddPoint(kBackground, 0, 0);
    p1 = model.AddPoint(bob1, 0, 0);
    p2 = model.AddPoint(bob2, 0, 0);
    rod1 = model.AddConstraint(MakeRod({pivot, p1}, 1.0));
    rod2 = model.AddConstraint(MakeRod({p1, p2}, 1.0));
    model.AddField(MakeLineGravity({bob1, bob2}, kGravity));
  }
};

// Crank 0.5 m at the origin, coupler 2 m, rocker 1.5 m pivoted 2 m to the right; bars of 1 kg.
// Either driven at 1 rev/s or started at that speed and left free (no gravity).
struct FourBar {
  static constexpr double kGround = 2, kCrank = 0.5, kCoupler = 2, kRocker = 1.5;
  Model model;
  int crank, coupler, rocker;
  // Joint pairs whose separation measures loop closure.
  std::vector<std::pair<int, int>> joints;
  explicit FourBar(bool motor, double crankAngle = 0.5) {
    const double bx = kCrank * std::cos(crankAngle), by = kCrank * std::sin(crankAngle);
    const double psi = RockerAngle(crankAngle);
    const double cx = kGround + kRocker * std::cos(psi), cy = kRocker * std::sin(psi);
    const double couplerAngle = std::atan2(cy - by, cx - bx);
    crank = model.AddBody(Bar(bx / 2, by / 2, crankAngle, 1, kCrank));
    coupler = model.AddBody(Bar((bx + cx) / 2, (by + cy) / 2, couplerAngle, 1, kCoupler));
    rocker = model.AddBody(Bar((kGround + cx) / 2, cy / 2, psi, 1, kRocker));
    const int a0 = model.AddPoint(kBackground, 0, 0);
    const int a1 = model.AddPoint(crank, -kCrank / 2, 0);
    const int b1 = model.AddPoint(crank, kCrank / 2, 0);
    const int b2 = model.AddPoint(coupler, -kCoupler / 2, 0);
    const int c2 = model.AddPoint(coupler, kCoupler / 2, 0);
    const int c3 = model.AddPoint(rocker, kRocker / 2, 0);
    const int d3 = model.AddPoint(rocker, -kRocker / 2, 0);
    const int d0 = model.AddPoint(kBackground, kGround, 0);
    joints = {{a0, a1}, {b1, b2}, {c2, c3}, {d3, d0}};
    for (auto [p, q] : joints)
      model.AddConstraint(MakePin(p, q));
    if (motor) {
      model.AddConstraint(MakeMotor(a0, a1, GoalType::Velocity, kTwoPi));
    } else {
      // Started with the motor's speed: every bar moves consistently once projected.
      model.bodies[crank].vr = kTwoPi;
    }
  }
  // The rocker's angle for a crank angle, on the branch above the ground link.
  static double RockerAngle(double crankAngle) {
    const double bx = kCrank * std::cos(crankAngle), by = kCrank * std::sin(crankAngle);
    const double dx = kGround - bx, dy = -by;
    const double d = std::hypot(dx, dy);
    const double a = (kCoupler * kCoupler - kRocker * kRocker + d * d) / (2 * d);
    const double h = std::sqrt(kCoupler * kCoupler - a * a);
    const double mx = bx + a * dx / d, my = by + a * dy / d;
    const double cx = mx - h * dy / d, cy = my + h * dx / d;
    return std::atan2(cy, cx - kGround);
  }
};

// Crank 0.5 m driven at 1 rev/s, connecting rod 2 m, slider on a horizontal slot.
struct SliderCrank {
  static constexpr double kCrank = 0.5, kRod = 2;
  Model model;
  int crank, rod, slider;
  SliderCrank() {
    const double theta = 0.3;
    const double bx = kCrank * std::cos(theta), by = kCrank * std::sin(theta);
    const double sx = SliderPosition(theta);
    crank = model.AddBody(Bar(bx / 2, by / 2, theta, 1, kCrank));
    rod = model.AddBody(Bar((bx + sx) / 2, by / 2, std::atan2(-by, sx - bx), 1, kRod));
    slider = model.AddBody(Disk(sx, 0, 1, 0.1));
    const int a0 = model.AddPoint(kBackground, 0, 0);
    const int a1 = model.AddPoint(crank, -kCrank / 2, 0);
    const int b1 = model.AddPoint(crank, kCrank / 2, 0);
    const int b2 = model.AddPoint(rod, -kRod / 2, 0);
    const int c2 = model.AddPoint(rod, kRod / 2, 0);
    const int c3 = model.AddPoint(slider, 0, 0);
    const int slot = model.AddPoint(kBackground, 0, 0);
    model.AddConstraint(MakePin(a0, a1));
    model.AddConstraint(MakePin(b1, b2));
    model.AddConstraint(MakePin(c2, c3));
    model.AddConstraint(MakeSlot(slot, c3, true));
    model.AddConstraint(MakeMotor(a0, a1, GoalType::Velocity, kTwoPi));
    model.AddField(MakeLineGravity({crank, rod, slider}, kGravity));
  }
  static double SliderPosition(double theta) {
    const double s = kCrank * std::sin(theta);
    return kCrank * std::cos(theta) + std::sqrt(kRod * kRod - s * s);
  }
};

// Links of 0.1 m and 0.1 kg pinned end to end, the first to the background, released
// horizontal under gravity.
struct Chain {
  static constexpr double kLink = 0.1, kMass = 0.1;
  Model model;
  std::vector<int> links;
  std::vector<std::pair<int, int>> joints;
  explicit Chain(int count) {
    int previous = model.AddPoint(kBackground, 0, 0);
    for (int i = 0; i < count; ++i) {
      const int link = model.AddBody(Bar((i + 0.5) * kLink, 0, 0, kMass, kLink));
      links.push_back(link);
      const int left = model.AddPoint(link, -kLink / 2, 0);
      joints.emplace_back(previous, left);
      model.AddConstraint(MakePin(previous, left));
      previous = model.AddPoint(link, kLink / 2, 0);
    }
    model.AddField(MakeLineGravity(links, kGravity));
  }
};

// A 1 kg mass on a spring k = 100 N/m of rest length 1 m to a fixed point, released 0.1 m out,
// with or without a damper c = 2 N s/m.
struct SpringMass {
  static constexpr double kStiffness = 100, kRest = 1, kStretch = 0.1;
  Model model;
  int mass;
  explicit SpringMass(double damping) {
    mass = model.AddBody(Disk(kRest + kStretch, 0, 1, 0.05));
    const int anchor = model.AddPoint(kBackground, 0, 0);
    const int end = model.AddPoint(mass, 0, 0);
    model.AddConstraint(MakeSpring(anchor, end, kStiffness, kRest));
    if (damping > 0) model.AddConstraint(MakeDamper(anchor, end, damping));
  }
  // Displacement from rest at time t (released at rest).
  static double Displacement(double damping, double t) {
    const double zeta = damping / 2;  // per unit mass
    const double wd = std::sqrt(kStiffness - zeta * zeta);
    return kStretch * std::exp(-zeta * t) * (std::cos(wd * t) + zeta / wd * std::sin(wd * t));
  }
};

// A motor turns gear 1 (r = 0.2 m) at 1 rev/s; it drives gear 2 (r = 0.1 m), which turns with
// a pinion... kept simple: gear 2 drives gear 3 (r = 0.3 m), which drives a rack on a slot
// loaded by a constant 10 N force against its motion.
struct GearTrain {
  static constexpr double r1 = 0.2, r2 = 0.1, r3 = 0.3, kLoad = 10;
  Model model;
  int gear1, gear2, gear3, rack, motor, load;
  GearTrain() {
    gear1 = model.AddBody(Disk(0, 0, 1, r1));
    gear2 = model.AddBody(Disk(r1 + r2, 0, 0.5, r2));
    gear3 = model.AddBody(Disk(r1 + 2 * r2 + r3, 0, 2, r3));
    Body rackBody = Bar(r1 + 2 * r2 + r3, -r3, 0, 1, 1);
    rack = model.AddBody(rackBody);
    const double x3 = r1 + 2 * r2 + r3;
    const int c1 = model.AddPoint(gear1, 0, 0), g1 = model.AddPoint(kBackground, 0, 0);
    const int c2 = model.AddPoint(gear2, 0, 0), g2 = model.AddPoint(kBackground, r1 + r2, 0);
    const int c3 = model.AddPoint(gear3, 0, 0), g3 = model.AddPoint(kBackground, x3, 0);
    const int rackPoint = model.AddPoint(rack, 0, 0);
    const int slot = model.AddPoint(kBackground, x3, -r3);
    model.AddConstraint(MakePin(g1, c1));
    model.AddConstraint(MakePin(g2, c2));
    model.AddConstraint(MakePin(g3, c3));
    model.AddConstraint(MakeSlot(slot, rackPoint, true));
    model.AddConstraint(MakeGear(c1, c2, r1 / r2));
    model.AddConstraint(MakeGear(c2, c3, r2 / r3));
    model.AddConstraint(MakeRack(c3, rackPoint, r3));
    motor = model.AddConstraint(MakeMotor(g1, c1, GoalType::Velocity, kTwoPi));
    load = model.AddConstraint(MakeForce(rackPoint, -kLoad, 0.0));
  }
};

// A wide fixed floor whose top is at y = 0.
inline Body Floor(double staticFriction, double kineticFriction) {
  Body floor;
  floor.anchored = 1;
  floor.y = -0.5;
  floor.shape.kind = Shape::Kind::Rectangle;
  floor.shape.w = 200;
  floor.shape.h = 1;
  floor.staticFriction = staticFriction;
  floor.kineticFriction = kineticFriction;
  return floor;
}

// A pyramid of half-metre boxes of 1 kg on that floor, each a little apart from its neighbours
// in its row, every body colliding with every other, under gravity; `friction` is every body's.
struct Pyramid {
  Model model;
  int floorBody = kNone;
  std::vector<int> boxes;
  explicit Pyramid(int rows, double friction = 0.6) {
    floorBody = model.AddBody(Floor(friction, friction));
    const double size = 0.5, gap = 0.025;
    for (int row = 0; row < rows; ++row)
      for (int k = 0; k < rows - row; ++k) {
        Body box;
        box.x = (k - (rows - row - 1) / 2.0) * (size + gap);
        box.y = size / 2 + row * size;
        box.mass = 1;
        box.moment = size * size / 6;
        box.shape.kind = Shape::Kind::Rectangle;
        box.shape.w = box.shape.h = size;
        box.staticFriction = box.kineticFriction = friction;
        boxes.push_back(model.AddBody(box));
      }
    model.AddField(MakeLineGravity(boxes, kGravity));
    CollisionGroup all;
    all.mode = 1;
    all.includes = false;
    model.collisionGroups.push_back(all);
  }
};

}  // namespace yb::dynamics::scenes
