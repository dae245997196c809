// The fixed-pattern L D L' factorisation, row by row and by supernodes: solves match a dense
// solve on patterns that fill in (an arrow, a grid) and on ones that do not (a band), its values
// can change under one analysis, two solves at once give what each gives alone, and an exactly
// zero pivot is refused rather than divided by. A few changed rows are factorised again alone.
// The large arrays the factor lives in keep their values as they grow and shrink, and leave
// only the elements made without a value unset.

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <tuple>
#include <utility>
#include <vector>

#include <Eigen/Dense>
#include <Eigen/SparseCore>

#include "solver/dynamics/EliminationOrder.h"
#include "solver/dynamics/LargeBuffer.h"
#include "solver/dynamics/SparseLdl.h"

namespace yb::dynamics {
namespace {

// A symmetric positive definite matrix on the given off-diagonal pattern (pairs i < j), with
// values drawn from the seed.
Eigen::MatrixXd Random(int n, const std::vector<std::pair<int, int>>& pattern, unsigned seed) {
  std::mt19937 random(seed);
  std::uniform_real_distribution<double> value(-1, 1);
  Eigen::MatrixXd a = Eigen::MatrixXd::Zero(n, n);
  for (auto [i, j] : pattern)
    a(i, j) = a(j, i) = value(random);
  for (int i = 0; i < n; ++i)
    a(i, i) = a.row(i).cwiseAbs().sum() + 0.5 + value(random) * 0.25;
  return a;
}

Eigen::SparseMatrix<double> Upper(const Eigen::MatrixXd& a,
                                  const std::vector<std::pair<int, int>>& pattern) {
  std::vector<Eigen::Triplet<double>> triplets;
  for (int i = 0; i < a.rows(); ++i)
    triplets.emplace_back(i, i, a(i, i));
  for (auto [i, j] : pattern)
    triplets.emplace_back(i, j, a(i, j));
  Eigen::SparseMatrix<double> upper(a.rows(), a.cols());
  upper.setFromTriplets(triplets.begin(), triplets.end());
  upper.makeCompressed();
  return upper;
}

constexpr SparseLdl::Method kMethods[] = {SparseLdl::Method::ByRows,
                                          SparseLdl::Method::BySupernodes};

const char* MethodName(SparseLdl::Method method) {
  return method == SparseLdl::Method::ByRows ? "by rows" : "by supernodes";
}

std::vector<std::pair<int, int>> Band(int n) {
  std::vector<std::pair<int, int>> p;
  for (int i = 0; i + 1 < n; ++i) {
    p.emplace_back(i, i + 1);
    if (i + 2 < n) p.emplace_back(i, i + 2);
  }
  return p;
}

// Every row joined to the last ones, eliminated first: the factor fills in completely below.
std::vector<std::pair<int, int>> Arrow(int n) {
  std::vector<std::pair<int, int>> p;
  for (int i = 0; i + 3 < n; ++i)
    for (int j = n - 3; j < n; ++j)
      p.emplace_back(i, j);
  return p;
}

std::vector<std::pair<int, int>> Grid(int side) {
  std::vector<std::pair<int, int>> p;
  for (int r = 0; r < side; ++r)
    for (int c = 0; c < side; ++c) {
      const int k = r * side + c;
      if (c + 1 < side) p.emplace_back(k, k + 1);
      if (r + 1 < side) p.emplace_back(k, k + side);
    }
  return p;
}

TEST(SparseLdl, SolvesAsADenseFactorisationDoesWithAndWithoutFill) {
  struct Case {
    const char* name;
    int n;
    std::vector<std::pair<int, int>> pattern;
  };
  const std::vector<Case> cases{{"band", 40, Band(40)},
                                {"arrow", 30, Arrow(30)},
                                {"grid", 36, Grid(6)},
                                {"grid", 144, Grid(12)},
                                {"single", 1, {}}};
  for (const Case& c : cases)
    for (const SparseLdl::Method method : kMethods) {
      SCOPED_TRACE(MethodName(method));
      SparseLdl ldl;
      const Eigen::SparseMatrix<double> pattern = Upper(Random(c.n, c.pattern, 1), c.pattern);
      ldl.Analyse(pattern, method);
      // Several matrices under the one analysis, as evaluations at new positions give.
      for (unsigned seed = 1; seed <= 3; ++seed) {
        const Eigen::MatrixXd a = Random(c.n, c.pattern, seed);
        const Eigen::SparseMatrix<double> upper = Upper(a, c.pattern);
        ASSERT_TRUE(ldl.Factorise(upper.valuePtr())) << c.name;
        Eigen::VectorXd b = Eigen::VectorXd::LinSpaced(c.n, -1, 2);
        const Eigen::VectorXd expected = a.ldlt().solve(b);
        ldl.Solve(b.data());
        EXPECT_LE((b - expected).cwiseAbs().maxCoeff(), 1e-12) << c.name << " seed " << seed;
        // The pivots are those of the factorisation in this order.
        const Eigen::VectorXd pivots = Eigen::Map<const Eigen::VectorXd>(ldl.Pivots().data(), c.n);
        Eigen::MatrixXd l = Eigen::MatrixXd::Identity(c.n, c.n);
        Eigen::VectorXd d(c.n);
        for (int j = 0; j < c.n; ++j) {
          d[j] =
              a(j, j) - (l.row(j).head(j).array().square() * d.head(j).transpose().array()).sum();
          for (int i = j + 1; i < c.n; ++i)
            l(i, j) = (a(i, j) - (l.row(i).head(j).array() * l.row(j).head(j).array() *
                                  d.head(j).transpose().array())
                                     .sum()) /
                      d[j];
        }
        EXPECT_LE((pivots - d).cwiseAbs().maxCoeff(), 1e-12 * d.cwiseAbs().maxCoeff()) << c.name;
      }
    }
}

// Right-hand sides solved side by side give exactly what each gives alone.
TEST(SparseLdl, TwoSolvesAtOnceMatchEachAlone) {
  for (const SparseLdl::Method method : kMethods) {
    SCOPED_TRACE(MethodName(method));
    const std::vector<std::pair<int, int>> pattern = Grid(5);
    const Eigen::MatrixXd a = Random(25, pattern, 7);
    SparseLdl ldl;
    ldl.Analyse(Upper(a, pattern), method);
    ASSERT_TRUE(ldl.Factorise(Upper(a, pattern).valuePtr()));
    Eigen::VectorXd x = Eigen::VectorXd::LinSpaced(25, -3, 1), y = x.cwiseAbs2();
    Eigen::VectorXd xAlone = x, yAlone = y;
    ldl.Solve(xAlone.data());
    ldl.Solve(yAlone.data());
    ldl.Solve(x.data(), y.data());
    EXPECT_EQ(x, xAlone);
    EXPECT_EQ(y, yAlone);
    // Any number at once, each where it lies.
    Eigen::VectorXd u = Eigen::VectorXd::LinSpaced(25, 2, -5), v = u.array().cos(), w = -u;
    Eigen::VectorXd uAlone = u, vAlone = v, wAlone = w;
    ldl.Solve(uAlone.data());
    ldl.Solve(vAlone.data());
    ldl.Solve(wAlone.data());
    double* const many[3] = {w.data(), u.data(), v.data()};
    ldl.Solve(many, 3);
    EXPECT_EQ(u, uAlone);
    EXPECT_EQ(v, vAlone);
    EXPECT_EQ(w, wAlone);
  }
}

// Values assembled straight into the factorisation's layout (zero where only L fills in) give
// the factorisation of the same matrix handed over in compressed columns, to the last bit.
TEST(SparseLdl, ValuesLaidOutFactoriseAsTheCompressedMatrixDoes) {
  for (const auto& pattern : {Grid(6), Arrow(30), Band(20)})
    for (const SparseLdl::Method method : kMethods) {
      SCOPED_TRACE(MethodName(method));
      int n = 0;
      for (auto [i, j] : pattern)
        n = std::max(n, j + 1);
      SparseLdl compressed, laidOut;
      const Eigen::SparseMatrix<double> first = Upper(Random(n, pattern, 3), pattern);
      compressed.Analyse(first, method);
      laidOut.Analyse(first, method);
      ASSERT_EQ(laidOut.LaidOutPlaces().size(), static_cast<size_t>(first.nonZeros()));
      for (unsigned seed = 3; seed <= 4; ++seed) {
        const Eigen::SparseMatrix<double> upper = Upper(Random(n, pattern, seed), pattern);
        std::vector<double> values(laidOut.LaidOutCount(), 0.0);
        std::vector<char> taken(values.size(), 0);
        for (int p = 0; p < upper.nonZeros(); ++p) {
          const int place = laidOut.LaidOutPlaces()[p];
          ASSERT_GE(place, 0);
          ASSERT_LT(place, laidOut.LaidOutCount());
          EXPECT_FALSE(taken[place]) << "two entries laid out in one place";
          taken[place] = 1;
          values[place] = upper.valuePtr()[p];
        }
        ASSERT_TRUE(compressed.Factorise(upper.valuePtr()));
        ASSERT_TRUE(laidOut.FactoriseLaidOut(values.data()));
        EXPECT_EQ(compressed.Pivots(), laidOut.Pivots());
        Eigen::VectorXd x = Eigen::VectorXd::LinSpaced(n, -2, 3), y = x;
        compressed.Solve(x.data());
        laidOut.Solve(y.data());
        EXPECT_EQ(x, y);
      }
    }
}

// A factorisation analysed again for another pattern of the same size factorises that one's
// values as a new one does: nothing laid out for the pattern before (a larger one, whose places
// now include the new one's fill) stays in the values.
TEST(SparseLdl, AnalysedAgainFactorisesAsANewOneDoes) {
  const std::vector<std::pair<int, int>> patterns[] = {Arrow(36), Grid(6), Band(36), Arrow(36)};
  for (const SparseLdl::Method method : kMethods) {
    SCOPED_TRACE(MethodName(method));
    SparseLdl reused;
    unsigned seed = 5;
    for (const auto& pattern : patterns) {
      const Eigen::SparseMatrix<double> upper = Upper(Random(36, pattern, ++seed), pattern);
      SparseLdl fresh;
      fresh.Analyse(upper, method);
      reused.Analyse(upper, method);
      ASSERT_TRUE(fresh.Factorise(upper.valuePtr()));
      ASSERT_TRUE(reused.Factorise(upper.valuePtr()));
      EXPECT_EQ(reused.Pivots(), fresh.Pivots());
      Eigen::VectorXd x = Eigen::VectorXd::LinSpaced(36, -2, 3), y = x;
      fresh.Solve(x.data());
      reused.Solve(y.data());
      EXPECT_EQ(x, y);
    }
  }
}

TEST(SparseLdl, RefusesAZeroPivotAndRecoversOnTheNextMatrix) {
  for (const SparseLdl::Method method : kMethods) {
    SCOPED_TRACE(MethodName(method));
    const std::vector<std::pair<int, int>> pattern{{0, 1}, {1, 2}};
    // The second row repeats the first: its pivot is exactly zero.
    Eigen::MatrixXd singular(3, 3);
    singular << 1, 1, 0, 1, 1, 0.5, 0, 0.5, 2;
    SparseLdl ldl;
    ldl.Analyse(Upper(singular, pattern), method);
    EXPECT_FALSE(ldl.Factorise(Upper(singular, pattern).valuePtr()));
    // Nothing of the refused attempt stays behind in the next factorisation.
    Eigen::MatrixXd sound = singular;
    sound(1, 1) = 3;
    ASSERT_TRUE(ldl.Factorise(Upper(sound, pattern).valuePtr()));
    Eigen::VectorXd b(3);
    b << 1, -2, 0.5;
    const Eigen::VectorXd expected = sound.ldlt().solve(b);
    ldl.Solve(b.data());
    EXPECT_LE((b - expected).cwiseAbs().maxCoeff(), 1e-14);
  }
}

// A factor as large as a pile of thousands of boxes makes is made by supernodes unless told
// otherwise, and both ways give the same answer to rounding, matrix after matrix.
TEST(SparseLdl, ALargeFactorIsMadeBySupernodesAndAgreesWithRows) {
  const int side = 70, n = side * side;
  const std::vector<std::pair<int, int>> pattern = Grid(side);
  SparseLdl bySize, byRows;
  bySize.Analyse(Upper(Random(n, pattern, 1), pattern));
  byRows.Analyse(Upper(Random(n, pattern, 1), pattern), SparseLdl::Method::ByRows);
  EXPECT_TRUE(bySize.BySupernodes());
  EXPECT_FALSE(byRows.BySupernodes());
  for (unsigned seed = 2; seed <= 3; ++seed) {
    const Eigen::MatrixXd a = Random(n, pattern, seed);
    const Eigen::SparseMatrix<double> upper = Upper(a, pattern);
    ASSERT_TRUE(bySize.Factorise(upper.valuePtr()));
    ASSERT_TRUE(byRows.Factorise(upper.valuePtr()));
    const Eigen::Map<const Eigen::VectorXd> d(bySize.Pivots().data(), n);
    const Eigen::Map<const Eigen::VectorXd> e(byRows.Pivots().data(), n);
    EXPECT_LE((d - e).cwiseAbs().maxCoeff(), 1e-12 * e.cwiseAbs().maxCoeff());
    const Eigen::VectorXd b = Eigen::VectorXd::LinSpaced(n, -1, 1).array().sin();
    Eigen::VectorXd x = b, y = b;
    bySize.Solve(x.data());
    byRows.Solve(y.data());
    EXPECT_LE((x - y).cwiseAbs().maxCoeff(), 1e-12 * y.cwiseAbs().maxCoeff());
    // The answer solves the matrix.
    const Eigen::SparseMatrix<double> full =
        Eigen::SparseMatrix<double>(upper.selfadjointView<Eigen::Upper>());
    EXPECT_LE((full * x - b).cwiseAbs().maxCoeff(), 1e-12);
  }
}

// Right-hand sides that are zero in most blocks (a unit vector, a column of a few rows, with a
// negative zero among its zeros) pass over the blocks they leave zero: each still solves the
// matrix, agrees with the row by row factor, and comes out of a batch with a dense one as alone.
TEST(SparseLdl, MostlyZeroRightHandSidesSolveTheMatrix) {
  const int side = 70, n = side * side;
  const std::vector<std::pair<int, int>> pattern = Grid(side);
  const Eigen::MatrixXd a = Random(n, pattern, 5);
  const Eigen::SparseMatrix<double> upper = Upper(a, pattern);
  const Eigen::SparseMatrix<double> full =
      Eigen::SparseMatrix<double>(upper.selfadjointView<Eigen::Upper>());
  SparseLdl bySupernodes, byRows;
  bySupernodes.Analyse(upper, SparseLdl::Method::BySupernodes);
  byRows.Analyse(upper, SparseLdl::Method::ByRows);
  ASSERT_TRUE(bySupernodes.Factorise(upper.valuePtr()));
  ASSERT_TRUE(byRows.Factorise(upper.valuePtr()));
  std::vector<Eigen::VectorXd> sides;
  // Rows at the start of the factor, in its middle, and inside the last block of the tree,
  // whose first columns are zero.
  for (const int row : {0, n / 2 + 3, n - side / 2, n - 1}) {
    sides.push_back(Eigen::VectorXd::Zero(n));
    sides.back()[row] = 1;
  }
  sides.push_back(Eigen::VectorXd::Zero(n));
  sides.back()[17] = 2.5;
  sides.back()[18] = -1;
  sides.back()[17 + side] = 0.25;
  sides.back()[40] = -0.0;
  for (const Eigen::VectorXd& b : sides) {
    Eigen::VectorXd x = b, y = b;
    bySupernodes.Solve(x.data());
    byRows.Solve(y.data());
    EXPECT_LE((full * x - b).cwiseAbs().maxCoeff(), 1e-12);
    EXPECT_LE((x - y).cwiseAbs().maxCoeff(), 1e-12 * y.cwiseAbs().maxCoeff());
    Eigen::VectorXd alone = b, batched = b;
    Eigen::VectorXd dense = Eigen::VectorXd::LinSpaced(n, -2, 3);
    bySupernodes.Solve(alone.data());
    double* const both[2] = {dense.data(), batched.data()};
    bySupernodes.Solve(both, 2);
    EXPECT_EQ(batched, alone);
  }
}

// Forward solves of right-hand sides with a few nonzeros reach only the supernodes above them,
// and two of them, weighted by the pivots, give an entry of A^-1 b without a backward pass.
TEST(SparseLdl, SparseForwardSolvesGiveEntriesOfTheInverseProduct) {
  // A grid, whose tree is nearly a chain, and an arrow, whose rows hang apart from its last ones.
  for (const bool grid : {true, false}) {
    SCOPED_TRACE(grid ? "grid" : "arrow");
    const int n = grid ? 144 : 60;
    const std::vector<std::pair<int, int>> pattern = grid ? Grid(12) : Arrow(n);
    const Eigen::MatrixXd a = Random(n, pattern, 5);
    SparseLdl ldl;
    ldl.Analyse(Upper(a, pattern), SparseLdl::Method::BySupernodes);
    ASSERT_TRUE(ldl.BySupernodes());
    ASSERT_TRUE(ldl.Factorise(Upper(a, pattern).valuePtr()));
    // The forward solve of a right-hand side given by its nonzeros, and where it reached.
    auto forward = [&](const std::vector<std::pair<int, double>>& b, std::vector<int>& reach) {
      Eigen::VectorXd x = Eigen::VectorXd::Zero(n);
      std::vector<int> rows;
      for (auto [row, value] : b) {
        x[row] = value;
        rows.push_back(row);
      }
      ldl.SolveForwardSparse(x.data(), rows, reach);
      return x;
    };
    const std::vector<std::pair<int, double>> b{{3, 1.5}, {40, -2.0}, {41, 0.25}};
    Eigen::VectorXd full = Eigen::VectorXd::Zero(n);
    for (auto [row, value] : b)
      full[row] = value;
    const Eigen::VectorXd expected = a.ldlt().solve(full);
    std::vector<int> reachB, reachE;
    const Eigen::VectorXd y = forward(b, reachB);
    EXPECT_TRUE(std::is_sorted(reachB.begin(), reachB.end()));
    // Nothing outside the supernodes reached.
    std::vector<char> inReach(n, 0);
    for (int s : reachB)
      for (int c = ldl.SupernodeStart(s); c < ldl.SupernodeStart(s + 1); ++c)
        inReach[c] = 1;
    for (int c = 0; c < n; ++c) {
      if (!inReach[c]) {
        EXPECT_EQ(y[c], 0.0) << "column " << c;
      }
    }
    // The arrow's three rows reach their own supernodes and that of the last rows alone.
    if (!grid) {
      EXPECT_LE(static_cast<int>(reachB.size()), 4);
    }
    const std::vector<double>& inverse = ldl.PivotInverses();
    for (int i : {0, 3, 41, n - 1}) {
      const Eigen::VectorXd e = forward({{i, 1.0}}, reachE);
      double entry = 0;
      for (int c = 0; c < n; ++c)
        entry += e[c] * y[c] * inverse[c];
      EXPECT_NEAR(entry, expected[i], 1e-12 * expected.cwiseAbs().maxCoeff()) << "row " << i;
    }
  }
}

// Wide supernodes (a full matrix makes blocks of the most columns a block holds, a band twenty
// wide one of its last twenty) take their columns four at a time, in the factorisation
// and in the solves: they agree with the row by row factor, solve the matrix, and a copy of the
// analysis (one pattern lending its plan to another) factorises and solves to the same bits.
TEST(SparseLdl, WideSupernodesAgreeWithRowsAndACopiedAnalysisWithTheOriginal) {
  std::vector<std::pair<int, int>> wide;
  const int n = 300;
  for (int i = 0; i < n; ++i)
    for (int j = i + 1; j < std::min(n, i + 21); ++j)
      wide.emplace_back(i, j);
  std::vector<std::pair<int, int>> full;
  for (int i = 0; i < 150; ++i)
    for (int j = i + 1; j < 150; ++j)
      full.emplace_back(i, j);
  for (const auto& [name, pattern, size] :
       {std::tuple{"band", wide, n}, std::tuple{"full", full, 150}}) {
    SCOPED_TRACE(name);
    const Eigen::MatrixXd a = Random(size, pattern, 11);
    const Eigen::SparseMatrix<double> upper = Upper(a, pattern);
    SparseLdl bySupernodes, byRows;
    bySupernodes.Analyse(upper, SparseLdl::Method::BySupernodes);
    byRows.Analyse(upper, SparseLdl::Method::ByRows);
    SparseLdl copied = bySupernodes;
    ASSERT_TRUE(bySupernodes.Factorise(upper.valuePtr()));
    ASSERT_TRUE(byRows.Factorise(upper.valuePtr()));
    ASSERT_TRUE(copied.Factorise(upper.valuePtr()));
    const Eigen::Map<const Eigen::VectorXd> d(bySupernodes.Pivots().data(), size);
    const Eigen::Map<const Eigen::VectorXd> e(byRows.Pivots().data(), size);
    EXPECT_LE((d - e).cwiseAbs().maxCoeff(), 1e-12 * e.cwiseAbs().maxCoeff());
    const Eigen::VectorXd b = Eigen::VectorXd::LinSpaced(size, -2, 3).array().sin();
    Eigen::VectorXd x = b, y = b, z = b;
    bySupernodes.Solve(x.data());
    byRows.Solve(y.data());
    copied.Solve(z.data());
    EXPECT_LE((x - y).cwiseAbs().maxCoeff(), 1e-12 * y.cwiseAbs().maxCoeff());
    EXPECT_LE((a * x - b).cwiseAbs().maxCoeff(), 1e-12);
    EXPECT_EQ(z, x);
  }
}

// Narrow blocks (one to nine columns, as a pile's contacts make them) each over a different
// number of rows below, sharing the rows of a wide block eliminated last: their solves agree
// with the row by row factor, solve the matrix, and come out of a batch as alone.
TEST(SparseLdl, NarrowBlocksOfEveryWidthAgreeWithRows) {
  constexpr int kHub = 16;
  std::vector<std::pair<int, int>> pattern;
  std::vector<std::pair<int, int>> groups;  // first row and width of each narrow block
  int n = 0;
  for (int repeat = 0; repeat < 2; ++repeat)
    for (int width = 1; width <= 9; ++width) {
      groups.emplace_back(n, width);
      n += width;
    }
  const int hub = n;
  n += kHub;
  for (size_t g = 0; g < groups.size(); ++g) {
    const auto [first, width] = groups[g];
    for (int i = first; i < first + width; ++i) {
      for (int j = i + 1; j < first + width; ++j)
        pattern.emplace_back(i, j);
      // Rows below from 3 to 16: every remainder past a multiple of four.
      for (int h = 0; h < 3 + static_cast<int>(g % 14); ++h)
        pattern.emplace_back(i, hub + h);
    }
  }
  for (int i = hub; i < n; ++i)
    for (int j = i + 1; j < n; ++j)
      pattern.emplace_back(i, j);
  const Eigen::MatrixXd a = Random(n, pattern, 21);
  const Eigen::SparseMatrix<double> upper = Upper(a, pattern);
  SparseLdl bySupernodes, byRows;
  bySupernodes.Analyse(upper, SparseLdl::Method::BySupernodes);
  byRows.Analyse(upper, SparseLdl::Method::ByRows);
  EXPECT_EQ(bySupernodes.Supernodes(), static_cast<int>(groups.size()) + 1);
  ASSERT_TRUE(bySupernodes.Factorise(upper.valuePtr()));
  ASSERT_TRUE(byRows.Factorise(upper.valuePtr()));
  std::vector<Eigen::VectorXd> sides;
  for (int k = 0; k < 3; ++k)
    sides.push_back(Eigen::VectorXd::LinSpaced(n, -1 - k, 2 + k).array().sin());
  std::vector<Eigen::VectorXd> batch = sides;
  std::vector<double*> pointers;
  for (Eigen::VectorXd& side : batch)
    pointers.push_back(side.data());
  bySupernodes.Solve(pointers.data(), static_cast<int>(pointers.size()));
  for (size_t k = 0; k < sides.size(); ++k) {
    Eigen::VectorXd x = sides[k], y = sides[k];
    bySupernodes.Solve(x.data());
    byRows.Solve(y.data());
    EXPECT_LE((x - y).cwiseAbs().maxCoeff(), 1e-12 * y.cwiseAbs().maxCoeff());
    EXPECT_LE((a * x - sides[k]).cwiseAbs().maxCoeff(), 1e-12);
    EXPECT_EQ(batch[k], x);
  }
}

// A factorisation by supernodes after a few rows changed (a pivot holding them as rows of the
// identity, then freeing them again) makes only the blocks above them, and gives the factor a
// whole factorisation of the same values gives, to the bit; a refused factorisation leaves
// nothing behind that the next one reuses.
TEST(SparseLdl, ChangedRowsRemakeOnlyTheBlocksAboveThemToTheSameBits) {
  // Two grids that do not meet: the tree is two, and each grid's last rows are its root.
  const int side = 20, half = side * side, n = 2 * half;
  std::vector<std::pair<int, int>> pattern = Grid(side);
  for (const auto& [i, j] : Grid(side))
    pattern.emplace_back(half + i, half + j);
  const Eigen::MatrixXd a = Random(n, pattern, 5);
  SparseLdl partial;
  partial.Analyse(Upper(a, pattern), SparseLdl::Method::BySupernodes);
  const SparseLdl analysed = partial;
  ASSERT_TRUE(partial.Factorise(Upper(a, pattern).valuePtr()));
  EXPECT_EQ(partial.SupernodesMade(), partial.Supernodes());
  auto holding = [&](const std::vector<int>& held) {
    Eigen::MatrixXd h = a;
    for (int r : held) {
      h.row(r).setZero();
      h.col(r).setZero();
      h(r, r) = 1;
    }
    return h;
  };
  auto expectSameAsWhole = [&](const Eigen::MatrixXd& m) {
    SparseLdl whole = analysed;
    const Eigen::SparseMatrix<double> upper = Upper(m, pattern);
    ASSERT_TRUE(whole.Factorise(upper.valuePtr()));
    ASSERT_TRUE(partial.Factorise(upper.valuePtr()));
    EXPECT_EQ(partial.Pivots(), whole.Pivots());
    Eigen::VectorXd x = Eigen::VectorXd::LinSpaced(n, -1, 2).array().sin(), y = x;
    partial.Solve(x.data());
    whole.Solve(y.data());
    EXPECT_EQ(x, y);
  };
  // Rows of the first grid (the second is left as it was), of both grids' last rows, then
  // none held again.
  for (const std::vector<int>& held :
       {std::vector<int>{0, 1, side}, std::vector<int>{0, 1, side, n - 1},
        std::vector<int>{half - 1, n - 2}, std::vector<int>{}}) {
    SCOPED_TRACE(held.size());
    expectSameAsWhole(holding(held));
    EXPECT_GT(partial.SupernodesMade(), 0);
    EXPECT_LT(partial.SupernodesMade(), partial.Supernodes());
  }
  // The same values again make nothing anew.
  expectSameAsWhole(a);
  EXPECT_EQ(partial.SupernodesMade(), 0);
  // A refused matrix (a held row's diagonal zero), then the one before it: made whole again.
  Eigen::MatrixXd singular = holding({n - 1});
  singular(n - 1, n - 1) = 0;
  EXPECT_FALSE(partial.Factorise(Upper(singular, pattern).valuePtr()));
  expectSameAsWhole(a);
  EXPECT_EQ(partial.SupernodesMade(), partial.Supernodes());
}

// Peeling a chain or a tree from all its ends fills nothing and halves the longest run of
// pivots that wait for each other; a loop cannot be peeled and keeps the order it is given.
TEST(EliminationOrder, PeelsChainsAndTreesWithoutFillAndLeavesLoops) {
  const int n = 40;
  std::vector<std::pair<int, int>> chain;
  for (int i = 0; i + 1 < n; ++i)
    chain.emplace_back(i, i + 1);
  std::vector<int> natural(n);
  for (int i = 0; i < n; ++i)
    natural[i] = i;
  const EliminationCost fromOneEnd = CostOfOrder(n, chain, natural);
  EXPECT_EQ(fromOneEnd.entries, n - 1);
  EXPECT_EQ(fromOneEnd.height, n);
  const std::vector<int> peeled = PeeledOrder(n, chain, natural);
  const EliminationCost fromBothEnds = CostOfOrder(n, chain, peeled);
  EXPECT_EQ(fromBothEnds.entries, n - 1);
  EXPECT_LE(fromBothEnds.height, n / 2 + 1);
  // The two ends lead, and every place is taken once.
  EXPECT_EQ(peeled[0], 0);
  EXPECT_EQ(peeled[n - 1], 1);
  std::vector<int> sorted = peeled;
  std::sort(sorted.begin(), sorted.end());
  EXPECT_EQ(sorted, natural);

  // A star of triangles (rows of three pins on one body all share it): no fill either.
  std::vector<std::pair<int, int>> tree{{0, 1}, {0, 2}, {1, 2}, {2, 3}, {2, 4}, {3, 4}, {4, 5}};
  std::vector<int> identity{0, 1, 2, 3, 4, 5};
  EXPECT_EQ(CostOfOrder(6, tree, PeeledOrder(6, tree, identity)).entries,
            static_cast<long>(tree.size()));

  // A ring: no node can go without filling, so the given order stands.
  std::vector<std::pair<int, int>> ring = chain;
  ring.emplace_back(n - 1, 0);
  std::vector<int> reversed(n);
  for (int i = 0; i < n; ++i)
    reversed[i] = n - 1 - i;
  EXPECT_EQ(PeeledOrder(n, ring, reversed), reversed);
}

// The order depends on the graph alone: the same edges given in any order, either way round,
// repeated and with loops, peel the same way. A ring of 12 with chains and triangles hanging
// off it, and a random fallback for what stays.
TEST(EliminationOrder, PeelingDependsOnTheGraphNotOnHowItsEdgesAreListed) {
  const int n = 30;
  std::vector<std::pair<int, int>> edges;
  for (int i = 0; i < 12; ++i)
    edges.emplace_back(i, (i + 1) % 12);
  for (int i = 12; i < n; ++i)
    edges.emplace_back(i, i % 3 == 0 ? i - 12 : i - 1);
  edges.emplace_back(20, 18);
  std::mt19937 random(11);
  std::vector<int> fallback(n);
  for (int i = 0; i < n; ++i)
    fallback[i] = i;
  std::shuffle(fallback.begin(), fallback.end(), random);
  const std::vector<int> plain = PeeledOrder(n, edges, fallback);
  std::vector<std::pair<int, int>> listed;
  for (const auto& [a, b] : edges) {
    listed.emplace_back(b, a);
    listed.emplace_back(a, b);
    listed.emplace_back(a, a);
  }
  std::shuffle(listed.begin(), listed.end(), random);
  EXPECT_EQ(PeeledOrder(n, listed, fallback), plain);
  // The chains and triangles go before the ring, which only the fallback orders.
  for (int i = 12; i < n; ++i)
    EXPECT_LT(plain[i], 18) << "node " << i;
}

// An array grown one value at a time to megabytes, and shrunk again, keeps every value through
// each move; a copy and an assignment take the values whole.
TEST(LargeVector, KeepsItsValuesAsItGrowsAndShrinks) {
  constexpr int kCount = 3 << 20;  // 12 MiB of ints
  LargeVector<int> values;
  for (int i = 0; i < kCount; ++i)
    values.push_back(i * 7);
  for (int i = 0; i < kCount; i += 4099)
    ASSERT_EQ(values[i], i * 7) << "value " << i;
  EXPECT_EQ(values.back(), (kCount - 1) * 7);
  values.resize(1000);
  values.shrink_to_fit();
  for (int i = 0; i < 1000; ++i)
    ASSERT_EQ(values[i], i * 7) << "value " << i;
  LargeVector<double> large(size_t{2} << 20, 0.5);
  LargeVector<double> small(10, 2.0);
  small = large;
  EXPECT_EQ(small.size(), large.size());
  EXPECT_EQ(small.back(), 0.5);
  large.assign(10, 3.0);
  large.shrink_to_fit();
  EXPECT_EQ(large.front(), 3.0);
}

// Elements made without a value are default-initialised: a record keeps its member
// initialisers, and a value given to a resize, an assignment or a construction is taken, on
// a short array and a long one, over memory that held other values before.
TEST(LargeVector, SetsWhatItIsGivenAndRecordsTheirInitialisers) {
  struct Record {
    int index = -1;
    double weight = 0.5;
  };
  for (const size_t count : {size_t{16}, (size_t{2} << 20) / sizeof(Record) + 3}) {
    LargeVector<Record> records(count);
    EXPECT_EQ(records.back().index, -1);
    EXPECT_EQ(records.front().weight, 0.5);
    LargeVector<double> values(count, 7.0);
    values.clear();
    values.resize(count, 0.0);
    EXPECT_EQ(values[count / 2], 0.0);
    EXPECT_EQ(values.back(), 0.0);
    values.assign(count, -1.5);
    EXPECT_EQ(values[count - 2], -1.5);
    LargeVector<std::pair<int, int>> pairs(count, {2, 3});
    EXPECT_EQ(pairs.back(), std::make_pair(2, 3));
  }
}

// The solver's kept lists trade places with those in use by swapping, a long one with a short
// one, and compare a plan's entries with the present ones: each buffer goes with its values.
TEST(LargeVector, SwapsAndComparesAcrossTheSizes) {
  LargeVector<std::pair<int, double>> kept(size_t{1} << 18);
  for (size_t i = 0; i < kept.size(); ++i)
    kept[i] = {static_cast<int>(i), 0.25 * static_cast<double>(i)};
  LargeVector<std::pair<int, double>> inUse = {{1, 2.0}, {3, 4.0}};
  const std::pair<int, double>* largeBuffer = kept.data();
  inUse.swap(kept);
  EXPECT_EQ(inUse.data(), largeBuffer);
  ASSERT_EQ(kept.size(), 2u);
  EXPECT_EQ(kept[1], std::make_pair(3, 4.0));
  EXPECT_EQ(inUse.back().second, 0.25 * static_cast<double>(inUse.size() - 1));
  LargeVector<std::pair<int, double>> copy = inUse;
  EXPECT_TRUE(copy == inUse);
  copy[copy.size() / 2].second += 1;
  EXPECT_FALSE(copy == inUse);
  copy.swap(kept);
  kept.clear();
  kept.shrink_to_fit();
  EXPECT_EQ(copy.size(), 2u);
}

}  // namespace
}  // namespace yb::dynamics
