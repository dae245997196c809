// Mass properties of polygons against closed forms, and the rectangular linear systems of the
// assembly solver against their minimum-norm least-squares answers.

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <vector>

#include "solver/geometry/GeometryEntry.h"

namespace {

struct Mass {
  int32_t code;
  double area = -1.0, moment = -1.0, centroid[2] = {-1.0, -1.0};
};

Mass Measure(const std::vector<double>& xy) {
  Mass m{0};
  m.code =
      area_cofm(xy.data(), static_cast<int32_t>(xy.size() / 2), &m.area, &m.moment, m.centroid);
  return m;
}

TEST(AreaCofm, SquareInEitherOrder) {
  const Mass ccw = Measure({0, 0, 2, 0, 2, 2, 0, 2});
  ASSERT_EQ(ccw.code, kGeometryOk);
  EXPECT_DOUBLE_EQ(ccw.area, 4.0);
  EXPECT_DOUBLE_EQ(ccw.centroid[0], 1.0);
  EXPECT_DOUBLE_EQ(ccw.centroid[1], 1.0);
  EXPECT_DOUBLE_EQ(ccw.moment, 8.0 / 3.0);
  const Mass cw = Measure({0, 2, 2, 2, 2, 0, 0, 0});
  ASSERT_EQ(cw.code, kGeometryOk);
  EXPECT_DOUBLE_EQ(cw.area, -4.0);
  EXPECT_DOUBLE_EQ(cw.centroid[0], 1.0);
  EXPECT_DOUBLE_EQ(cw.centroid[1], 1.0);
  EXPECT_DOUBLE_EQ(cw.moment, 8.0 / 3.0);  // never negative
}

TEST(AreaCofm, TriangleAndFarAwayRectangle) {
  // Right triangle with legs 3 and 4: J = A (a^2 + b^2 + c^2) / 36.
  const Mass t = Measure({0, 0, 3, 0, 0, 4});
  EXPECT_DOUBLE_EQ(t.area, 6.0);
  EXPECT_DOUBLE_EQ(t.centroid[0], 1.0);
  EXPECT_DOUBLE_EQ(t.centroid[1], 4.0 / 3.0);
  EXPECT_NEAR(t.moment, 6.0 * (9 + 16 + 25) / 36.0, 1e-12);
  // A 1 x 0.5 rectangle a kilometre away keeps its precision.
  const double x = 1000.0, y = -2000.0;
  const Mass r = Measure({x, y, x + 1, y, x + 1, y + 0.5, x, y + 0.5});
  EXPECT_NEAR(r.area, 0.5, 1e-12);
  EXPECT_NEAR(r.centroid[0], x + 0.5, 1e-12);
  EXPECT_NEAR(r.centroid[1], y + 0.25, 1e-12);
  EXPECT_NEAR(r.moment, 0.5 * (1.0 + 0.25) / 12.0, 1e-12);
}

TEST(AreaCofm, RegularPolygonsAndTheDisc) {
  // A regular n-gon of circumradius R: A = n R^2 sin(2 pi / n) / 2 and
  // J = n R^4 sin(2 pi / n) (2 + cos(2 pi / n)) / 12; as n grows they approach the disc's.
  const double radius = 2.0;
  for (int n : {3, 16, 128, 4096}) {
    std::vector<double> xy;
    for (int i = 0; i < n; ++i) {
      const double a = 2.0 * std::numbers::pi * i / n;
      xy.push_back(3.0 + radius * std::cos(a));
      xy.push_back(-1.0 + radius * std::sin(a));
    }
    const Mass m = Measure(xy);
    ASSERT_EQ(m.code, kGeometryOk);
    const double s = std::sin(2.0 * std::numbers::pi / n);
    const double c = std::cos(2.0 * std::numbers::pi / n);
    EXPECT_NEAR(m.area, n * radius * radius * s / 2.0, 1e-12);
    EXPECT_NEAR(m.moment, n * std::pow(radius, 4) * s * (2.0 + c) / 12.0, 1e-11);
    EXPECT_NEAR(m.centroid[0], 3.0, 1e-12);
    EXPECT_NEAR(m.centroid[1], -1.0, 1e-12);
    if (n == 4096) {
      EXPECT_NEAR(m.area, std::numbers::pi * radius * radius, 1e-5);
      EXPECT_NEAR(m.moment, std::numbers::pi * std::pow(radius, 4) / 2.0, 1e-4);
    }
  }
}

TEST(AreaCofm, RefusesWhatIsNotAPolygon) {
  EXPECT_EQ(Measure({0, 0, 1, 1, 2, 2}).code, kGeometryDegenerate);              // collinear
  EXPECT_EQ(Measure({0, 0, 1, 1, 1, 0, 0, 1, 0, 0}).code, kGeometryDegenerate);  // lobes cancel
  EXPECT_EQ(Measure({0, 0, 1, 0}).code, kGeometryBadArgument);
  EXPECT_EQ(Measure({0, 0, 1, 0, NAN, 1}).code, kGeometryNotFinite);
  EXPECT_EQ(Measure({0, 0, 1, 0, INFINITY, 1}).code, kGeometryNotFinite);
  const Mass m = Measure({0, 0, 1, 0, NAN, 1});
  EXPECT_EQ(m.area, -1.0);  // nothing written on failure
  double area = 0, moment = 0, centroid[2];
  EXPECT_EQ(area_cofm(nullptr, 3, &area, &moment, centroid), kGeometryBadArgument);
  const double xy[] = {0, 0, 1, 0, 0, 1};
  EXPECT_EQ(area_cofm(xy, 3, &area, nullptr, centroid), kGeometryBadArgument);
}

// Solves through both entry points as the assembly solver calls them.
struct System {
  std::vector<std::vector<double>> rows;
  std::vector<double> rhs;

  int32_t Solve(std::vector<double>& x, int32_t* rankOut = nullptr) {
    const auto m = static_cast<int32_t>(rows.size());
    const auto n = static_cast<int32_t>(x.size());
    std::vector<double*> pointers;
    for (auto& row : rows)
      pointers.push_back(row.data());
    std::vector<int32_t> pivots(n, -1);
    int32_t rank = m, cursor = m;
    const int32_t status =
        gaussjfull(pointers.data(), rhs.data(), pivots.data(), m, n, &rank, &cursor, 0);
    if (rankOut != nullptr) *rankOut = rank;
    const int32_t back = gaussback(pointers.data(), x.data(), rhs.data(), pivots.data(), m, n,
                                   status == kGeometryOk ? cursor : 0);
    return status != kGeometryOk ? status : back;
  }
};

TEST(LinearSystems, SquareUnderAndOverDetermined) {
  std::vector<double> x(2, NAN);
  int32_t rank = -1;
  System square{{{2, 1}, {1, 3}}, {3, 5}};
  ASSERT_EQ(square.Solve(x, &rank), kGeometryOk);
  EXPECT_EQ(rank, 2);
  EXPECT_NEAR(x[0], 0.8, 1e-14);
  EXPECT_NEAR(x[1], 1.4, 1e-14);
  // One row, two unknowns: the smallest move that satisfies it.
  x.assign(2, NAN);
  System under{{{1, 1}}, {2}};
  ASSERT_EQ(under.Solve(x, &rank), kGeometryOk);
  EXPECT_EQ(rank, 1);
  EXPECT_NEAR(x[0], 1.0, 1e-14);
  EXPECT_NEAR(x[1], 1.0, 1e-14);
  // Three rows, one repeated (coincident points): still the exact answer.
  x.assign(2, NAN);
  System redundant{{{1, 0}, {0, 1}, {1, 0}}, {4, -2, 4}};
  ASSERT_EQ(redundant.Solve(x), kGeometryOk);
  EXPECT_NEAR(x[0], 4.0, 1e-14);
  EXPECT_NEAR(x[1], -2.0, 1e-14);
  // Inconsistent rows: the least-squares compromise.
  x.assign(1, NAN);
  System inconsistent{{{1}, {1}}, {1, 3}};
  ASSERT_EQ(inconsistent.Solve(x), kGeometryOk);
  EXPECT_NEAR(x[0], 2.0, 1e-14);
}

TEST(LinearSystems, RankDeficientWritesEveryUnknown) {
  // x0 + x1 = 2 stated twice, x2 untouched: minimum norm gives (1, 1, 0).
  std::vector<double> x(3, NAN);
  int32_t rank = -1;
  System system{{{1, 1, 0}, {2, 2, 0}}, {2, 4}};
  ASSERT_EQ(system.Solve(x, &rank), kGeometryOk);
  EXPECT_EQ(rank, 1);
  EXPECT_NEAR(x[0], 1.0, 1e-14);
  EXPECT_NEAR(x[1], 1.0, 1e-14);
  EXPECT_EQ(x[2], 0.0);
  // No rows at all: nothing moves.
  x.assign(3, NAN);
  System empty;
  ASSERT_EQ(empty.Solve(x), kGeometryOk);
  EXPECT_EQ(x, std::vector<double>(3, 0.0));
}

TEST(LinearSystems, BadInputIsRefusedAndLeavesZeros) {
  std::vector<double> x(2, NAN);
  System bad{{{1, NAN}, {0, 1}}, {1, 1}};
  EXPECT_EQ(bad.Solve(x), kGeometryNotFinite);
  EXPECT_EQ(x, std::vector<double>(2, 0.0));
  std::vector<int32_t> pivots(2);
  int32_t rank = 0, cursor = 0;
  double rhs[1] = {1};
  EXPECT_EQ(gaussjfull(nullptr, rhs, pivots.data(), 1, 2, &rank, &cursor, 0), kGeometryBadArgument);
  EXPECT_EQ(gaussjfull(nullptr, nullptr, pivots.data(), -1, 2, &rank, &cursor, 0),
            kGeometryBadArgument);
  double row[2] = {1, 1};
  double* rows[1] = {row};
  double solution[2] = {5, 5};
  EXPECT_EQ(gaussback(rows, solution, rhs, pivots.data(), 1, 2, 2), kGeometryBadArgument);
  EXPECT_EQ(solution[0], 0.0);
}

}  // namespace
