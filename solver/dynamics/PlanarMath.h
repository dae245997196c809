#pragma once
// Small planar helpers shared by the parts of the equations of motion.

#include <algorithm>
#include <cmath>
#include <vector>

#include <Eigen/Core>

#include "solver/dynamics/Context.h"
#include "solver/dynamics/Model.h"

namespace yb::dynamics::detail {

using Eigen::Vector2d;

inline Vector2d Perp(const Vector2d& a) {
  return Vector2d(-a.y(), a.x());
}
inline double Cross(const Vector2d& a, const Vector2d& b) {
  return a.x() * b.y() - a.y() * b.x();
}
// The length of (x, y): a square root where the squares neither overflow nor underflow, which is
// all a speed ever needs, and hypot (many times slower) only outside that. A body at rest has
// no speed to find.
inline double Length(double x, double y) {
  const double squared = x * x + y * y;
  if (squared > 1e-290 && squared < 1e290) return std::sqrt(squared);
  if (x == 0 && y == 0) return 0;
  return std::hypot(x, y);
}

// Sets the list to n flags, each `value`, as assign would: written in place once the list has its
// length, so that the few flags of a small world cost no call into the library.
[[gnu::always_inline]] inline void SetFlags(std::vector<char>& flags, size_t n, char value) {
  if (flags.size() != n) flags.resize(n);
  std::fill(flags.begin(), flags.end(), value);
}

inline Vector2d Rotate(double angle, double x, double y) {
  const double c = std::cos(angle), s = std::sin(angle);
  return Vector2d(c * x - s * y, s * x + c * y);
}

// Time derivatives of a goal value that depends on time, by central differences; constants have
// none. The step balances truncation against rounding for smooth formulas.
inline double FirstDerivative(const Value& value, const Context& context) {
  if (value.IsConstant()) return 0.0;
  const double h = 1e-5 * std::max(1.0, std::abs(context.Time()));
  return (value(context.WithTime(context.Time() + h)) -
          value(context.WithTime(context.Time() - h))) /
         (2 * h);
}

inline double SecondDerivative(const Value& value, const Context& context) {
  if (value.IsConstant()) return 0.0;
  const double h = 1e-4 * std::max(1.0, std::abs(context.Time()));
  const double t = context.Time();
  return (value(context.WithTime(t + h)) - 2 * value(context) + value(context.WithTime(t - h))) /
         (h * h);
}

inline bool IsKinematic(GoalType type) {
  return type == GoalType::Position || type == GoalType::Velocity || type == GoalType::Acceleration;
}

// Room for `size` entries, made by doubling so that a list asked for a little more each time is
// not moved each time. A crowd's lists are long: grown one entry at a time, each would be moved
// many times over, each move onto memory not yet written.
template <class T, class Allocator>
void ReserveAtLeast(std::vector<T, Allocator>& list, size_t size) {
  if (list.capacity() < size) list.reserve(std::max(size, 2 * list.capacity()));
}

inline constexpr double kInfinity = 1e300;
inline constexpr double kContactGap = 1e-9;
inline constexpr double kContactSpeed = 1e-9;

}  // namespace yb::dynamics::detail
