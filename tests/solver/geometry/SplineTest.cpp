// Splines through the entry points as the curved polygon and the curved slot use them.

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <numbers>
#include <random>
#include <vector>

#include "solver/geometry/SplineEntry.h"

namespace {

struct SplineDeleter {
  void operator()(void* spline) const { EngineDeleteSpline(spline); }
};
using Spline = std::unique_ptr<void, SplineDeleter>;

Spline Make(int32_t type, const std::vector<double>& xy) {
  Spline spline(EngineNewSpline(type));
  EXPECT_NE(spline, nullptr);
  EXPECT_EQ(EngineSetSplinePoints(spline.get(), static_cast<int32_t>(xy.size() / 2), xy.data()),
            kSplineOk);
  return spline;
}

std::vector<double> Circle(int n, double radius, double cx = 0.0, double cy = 0.0) {
  std::vector<double> xy;
  for (int i = 0; i < n; ++i) {
    const double a = 2.0 * std::numbers::pi * i / n;
    xy.push_back(cx + radius * std::cos(a));
    xy.push_back(cy + radius * std::sin(a));
  }
  return xy;
}

std::vector<double> Quick(void* spline, int32_t n, int32_t steps, bool closed) {
  std::vector<double> out(2 * ((closed ? n : n - 1) * (steps + 1) + 1), NAN);
  const int32_t count = EngineSplineQuickInterpolate(spline, out.data(), steps);
  EXPECT_EQ(2 * count, static_cast<int32_t>(out.size()));
  return out;
}

TEST(Spline, QuickInterpolationPassesThroughEveryPoint) {
  const std::vector<double> open = {0, 0, 1, 2, 3, 1, 4, 4};
  Spline s = Make(0, open);
  const std::vector<double> samples = Quick(s.get(), 4, 3, false);
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(samples[2 * 4 * i], open[2 * i]);
    EXPECT_EQ(samples[2 * 4 * i + 1], open[2 * i + 1]);
  }
  // The curved polygon's call: closed, first point again at the end.
  Spline c(EngineNewSpline(0));
  ASSERT_EQ(EngineSetSplineType(c.get(), 1), kSplineOk);
  const std::vector<double> square = {0, 0, 2, 0, 2, 2, 0, 2};
  ASSERT_EQ(EngineCurvPolySetSplinePoints(c.get(), 4, square.data()), kSplineOk);
  const std::vector<double> ring = Quick(c.get(), 4, 9, true);
  EXPECT_EQ(ring[0], 0.0);
  EXPECT_EQ(ring[ring.size() - 2], 0.0);
  EXPECT_EQ(ring[2 * 10], 2.0);  // vertex 2 after nine samples
  // A closed curve through a square is round and symmetric about its centre.
  for (size_t i = 0; i < ring.size(); i += 2) {
    EXPECT_GT(std::hypot(ring[i] - 1, ring[i + 1] - 1), 1.0);
    EXPECT_LE(std::hypot(ring[i] - 1, ring[i + 1] - 1), std::sqrt(2.0) + 1e-12);
  }
}

TEST(Spline, ClosedCurveThroughCircleVerticesIsNearlyTheCircle) {
  Spline s = Make(1, Circle(12, 3.0, 1.0, -2.0));
  const std::vector<double> ring = Quick(s.get(), 12, 9, true);
  for (size_t i = 0; i < ring.size(); i += 2) {
    EXPECT_NEAR(std::hypot(ring[i] - 1.0, ring[i + 1] + 2.0), 3.0, 3e-3);
  }
}

TEST(Spline, RepeatedPointsKeepTheSpanNumbering) {
  // A polygon whose last vertex repeats the first, and a doubled vertex.
  const std::vector<double> xy = {0, 0, 2, 0, 2, 0, 2, 2, 0, 2, 0, 0};
  Spline s(EngineNewSpline(1));
  ASSERT_EQ(EngineCurvPolySetSplinePoints(s.get(), 6, xy.data()), kSplineOk);
  const std::vector<double> ring = Quick(s.get(), 6, 2, true);
  // The doubled vertex's span is a point repeated.
  for (int k = 3; k < 6; ++k) {
    EXPECT_EQ(ring[2 * k], 2.0);
    EXPECT_EQ(ring[2 * k + 1], 0.0);
  }
  // A point of span 5 (from vertex 5 to vertex 6) is reported as span 5.
  const double outside[2] = {-1.0, 1.0};
  double u = 0.0, foot[2];
  int16_t hint = 0;
  ASSERT_EQ(EngineSplineNearestPoint(s.get(), outside, 0, &u, &hint, foot, nullptr, nullptr), 0);
  EXPECT_EQ(EngineSplinePointInside(s.get(), foot, 1e-9), 5);
  const double vertex3[2] = {2.0, 0.5};
  ASSERT_EQ(EngineSplineNearestPoint(s.get(), vertex3, 0, &u, &hint, foot, nullptr, nullptr), 0);
  EXPECT_EQ(EngineSplinePointInside(s.get(), foot, 1e-9), 3);
}

TEST(Spline, NearestPointOnClosedCurveMatchesDenseSearch) {
  const std::vector<double> shape = {0, 0, 4, -1, 5, 2, 3, 4, 1, 3, -1, 2};
  Spline s = Make(1, shape);
  const std::vector<double> dense = Quick(s.get(), 6, 4000, true);
  std::mt19937 random(7);
  std::uniform_real_distribution<double> coordinate(-3.0, 7.0);
  for (int trial = 0; trial < 60; ++trial) {
    const double p[2] = {coordinate(random), coordinate(random)};
    double best = INFINITY;
    for (size_t i = 0; i < dense.size(); i += 2) {
      best = std::min(best, std::hypot(dense[i] - p[0], dense[i + 1] - p[1]));
    }
    double u = 0.0, nearest[2], tangent[2];
    int16_t hint = 0;
    ASSERT_EQ(EngineSplineNearestPoint(s.get(), p, 1e-9, &u, &hint, nearest, tangent, nullptr),
              kSplineOk);
    const double found = std::hypot(nearest[0] - p[0], nearest[1] - p[1]);
    EXPECT_LE(found, best + 1e-12);
    EXPECT_GE(found, best - 1e-5);
    // The foot is where the offset is perpendicular to the curve.
    const double cosine = ((p[0] - nearest[0]) * tangent[0] + (p[1] - nearest[1]) * tangent[1]) /
                          (std::hypot(tangent[0], tangent[1]) * std::max(found, 1e-300));
    if (found > 1e-6) {
      EXPECT_NEAR(cosine, 0.0, 1e-6);
    }
    EXPECT_NE(hint, 0);
  }
}

TEST(Spline, WarmStartKeepsTheFootOnItsBranch) {
  // A U on its side: the lower and upper branches are mirror images about y = 1.
  Spline s = Make(0, {0, 0, 10, 0, 10, 2, 0, 2});
  double u = 0.0, foot[2];
  int16_t hint = 0;
  auto follow = [&](double y, double tolerance) {
    const double p[2] = {5.0, y};
    EXPECT_EQ(EngineSplineNearestPoint(s.get(), p, tolerance, &u, &hint, foot, nullptr, nullptr),
              kSplineOk);
    return foot[1];
  };
  EXPECT_LT(follow(0.5, 0.1), 1.0);
  // Halfway between the branches the foot stays on the lower one, as it does a little beyond
  // while the upper branch is not nearer by more than the tolerance.
  EXPECT_LT(follow(1.0, 0.1), 1.0);
  EXPECT_LT(follow(1.04, 0.1), 1.0);
  // Clearly nearer to the upper branch, it changes over and then stays there.
  EXPECT_GT(follow(1.5, 0.1), 1.0);
  EXPECT_GT(follow(1.0, 0.1), 1.0);
}

TEST(Spline, OpenCurveContinuesStraight) {
  Spline s = Make(0, {0, 0, 1, 0, 2, 0});
  const double beyond[2] = {5.0, 1.0};
  double u = 0.0, nearest[2], tangent[2];
  int16_t hint = 0;
  ASSERT_EQ(EngineSplineNearestPoint(s.get(), beyond, 0.0, &u, &hint, nearest, tangent, nullptr),
            kSplineOk);
  EXPECT_NEAR(nearest[0], 5.0, 1e-12);
  EXPECT_NEAR(nearest[1], 0.0, 1e-12);
  EXPECT_NEAR(tangent[1], 0.0, 1e-12);
  EXPECT_GT(tangent[0], 0.0);
  // Hits by span: the extensions, the two spans, and a miss.
  const double probes[][2] = {{-3, 0.1}, {0.5, 0.1}, {1.5, -0.1}, {6, 0.2}, {1, 3}};
  const int32_t expected[] = {-1, 1, 2, -2, kSplineMiss};
  for (int i = 0; i < 5; ++i) {
    EXPECT_EQ(EngineSplinePointInside(s.get(), probes[i], 0.25), expected[i]) << i;
  }
  // The extensions drawn across the view.
  double out[8];
  ASSERT_EQ(EngineSplineExtrapolate(s.get(), -10, 10, 10, -10, out), kSplineOk);
  const double want[8] = {-10, 0, 0, 0, 2, 0, 10, 0};
  for (int i = 0; i < 8; ++i)
    EXPECT_NEAR(out[i], want[i], 1e-12) << i;
  // A view the end extension never reaches: it collapses onto the end.
  ASSERT_EQ(EngineSplineExtrapolate(s.get(), -10, 5, -5, -5, out), kSplineOk);
  EXPECT_NEAR(out[0], -10.0, 1e-12);
  EXPECT_EQ(out[6], out[4]);
  Spline closed = Make(1, Circle(5, 1.0));
  EXPECT_EQ(EngineSplineExtrapolate(closed.get(), -10, 10, 10, -10, out), kSplineClosed);
}

// Samples the whole curve in one call, or in pieces of `room` points.
std::vector<double> Sample(void* spline, int32_t room, double deviation, double step) {
  std::vector<double> all;
  int16_t more = 0;
  double a = 0.0, b = 0.0;
  do {
    std::vector<double> out(2 * room);
    const int32_t count = EngineSplineInterpolate(spline, out.data(), room, deviation, step, -1, 1,
                                                  1, -1, &more, &a, &b, 0);
    EXPECT_GT(count, 0);
    if (count <= 0) break;
    all.insert(all.end(), out.begin(), out.begin() + 2 * count);
  } while (more != 0);
  return all;
}

TEST(Spline, SamplingForDrawing) {
  const std::vector<double> shape = Circle(7, 2.0);
  Spline s = Make(1, shape);
  const std::vector<double> whole = Sample(s.get(), 100000, 1e-3, 1e-6);
  EXPECT_EQ(Sample(s.get(), 7, 1e-3, 1e-6), whole);  // continuations resume exactly
  // Every chord midpoint lies within the deviation of the curve.
  for (size_t i = 0; i + 3 < whole.size(); i += 2) {
    const double mid[2] = {(whole[i] + whole[i + 2]) / 2, (whole[i + 1] + whole[i + 3]) / 2};
    double u = 0, foot[2];
    int16_t hint = 0;
    ASSERT_EQ(EngineSplineNearestPoint(s.get(), mid, 0, &u, &hint, foot, nullptr, nullptr), 0);
    EXPECT_LT(std::hypot(foot[0] - mid[0], foot[1] - mid[1]), 1e-3);
  }
  // It passes through the control points and closes.
  for (size_t k = 0; k < shape.size(); k += 2) {
    bool found = false;
    for (size_t i = 0; i < whole.size() && !found; i += 2) {
      found = whole[i] == shape[k] && whole[i + 1] == shape[k + 1];
    }
    EXPECT_TRUE(found) << k / 2;
  }
  EXPECT_EQ(whole[whole.size() - 2], whole[0]);
  // A coarser step gives fewer samples, so a caller short of room can always get through.
  EXPECT_LT(Sample(s.get(), 100000, 1e-9, 0.5).size(), Sample(s.get(), 100000, 1e-9, 0.1).size());
}

TEST(Spline, BadInputGivesCodesAndKeepsTheCurve) {
  // Points that differ by less than the parameter can resolve make no curve.
  const std::vector<double> unresolvable = {0, 0, 1e12, 0, 1e12 + 1e-6, 1e-6};
  Spline tiny(EngineNewSpline(0));
  EXPECT_EQ(EngineSetSplinePoints(tiny.get(), 3, unresolvable.data()), kSplineBadPoints);

  EXPECT_EQ(EngineNewSpline(2), nullptr);
  EngineDeleteSpline(nullptr);
  const double p[2] = {0, 0};
  double out[8];
  EXPECT_EQ(EngineSetSplinePoints(nullptr, 2, p), kSplineBadHandle);
  EXPECT_EQ(EngineSplinePointInside(nullptr, p, 1.0), kSplineInsideFailed);
  EXPECT_EQ(EngineSplineQuickInterpolate(nullptr, out, 1), kSplineBadHandle);
  int foreign = 42;
  EXPECT_EQ(EngineSetSplineType(&foreign, 1), kSplineBadHandle);

  Spline s(EngineNewSpline(0));
  EXPECT_EQ(EngineSplineQuickInterpolate(s.get(), out, 1), kSplineNoCurve);
  EXPECT_EQ(EngineSplinePointInside(s.get(), p, 1.0), kSplineInsideFailed);
  const std::vector<double> good = {0, 0, 1, 1, 2, 0};
  ASSERT_EQ(EngineSetSplinePoints(s.get(), 3, good.data()), kSplineOk);
  const std::vector<double> before = Quick(s.get(), 3, 4, false);
  const std::vector<double> nan = {0, 0, NAN, 1, 2, 0};
  const std::vector<double> same = {1, 1, 1, 1, 1, 1};
  EXPECT_EQ(EngineSetSplinePoints(s.get(), 3, nan.data()), kSplineBadPoints);
  EXPECT_EQ(EngineSetSplinePoints(s.get(), 3, same.data()), kSplineBadPoints);
  EXPECT_EQ(EngineSetSplinePoints(s.get(), 1, good.data()), kSplineBadPoints);
  EXPECT_EQ(EngineSetSplinePoints(s.get(), -5, good.data()), kSplineBadPoints);
  EXPECT_EQ(EngineSetSplinePoints(s.get(), 3, nullptr), kSplineBadArgument);
  EXPECT_EQ(EngineSetSplineType(s.get(), 7), kSplineBadArgument);
  EXPECT_EQ(Quick(s.get(), 3, 4, false), before);  // the previous curve stays
  EXPECT_EQ(EngineSplineQuickInterpolate(s.get(), out, -1), kSplineBadArgument);
  const double nanPoint[2] = {NAN, 0};
  double u = 0, foot[2];
  int16_t hint = 0;
  EXPECT_EQ(EngineSplineNearestPoint(s.get(), nanPoint, 0, &u, &hint, foot, nullptr, nullptr),
            kSplineBadArgument);
  EXPECT_EQ(EngineSplinePointInside(s.get(), nanPoint, 1.0), kSplineInsideFailed);
  int16_t more = 0;
  double a = 0, b = 0;
  EXPECT_EQ(EngineSplineInterpolate(s.get(), out, 0, 1e-3, 1e-3, 0, 0, 0, 0, &more, &a, &b, 0),
            kSplineBadArgument);
  more = 1, a = 0.5, b = 123.0;  // a continuation of some other curve
  EXPECT_EQ(EngineSplineInterpolate(s.get(), out, 4, 1e-3, 1e-3, 0, 0, 0, 0, &more, &a, &b, 0),
            kSplineBadArgument);
  // Switching to closed keeps the points and closes the curve.
  ASSERT_EQ(EngineSetSplineType(s.get(), 1), kSplineOk);
  const std::vector<double> ring = Quick(s.get(), 3, 4, true);
  EXPECT_EQ(ring.front(), ring[ring.size() - 2]);
  EXPECT_EQ(ring[2 * 5], 1.0);
}

}  // namespace
