#pragma once
// The L D L' factorisation of a sparse symmetric matrix whose pattern stays while its values
// change, as J W J' does from one evaluation to the next. Everything that follows from the
// pattern alone (the elimination tree, the pattern of every row of L and where each of its
// entries is stored) is worked out once; a factorisation then only does the arithmetic, in the
// order and with the rounding of the up-looking algorithm. A large factor (a pile of hundreds
// of bodies) is made by supernodes instead: columns of L that share their pattern below the
// diagonal are stored as one dense block, and the factorisation and the solves run over the
// blocks' contiguous columns rather than entry by entry through index lists.

#include <vector>

#include <Eigen/SparseCore>

#include "solver/dynamics/LargeBuffer.h"

namespace yb::dynamics {

class SparseLdl {
 public:
  // How the factor is made: by the size of its factor, or either way regardless.
  enum class Method { BySize, ByRows, BySupernodes };
  // Analyses the pattern of an upper triangle in compressed columns whose every column holds
  // its diagonal. The rows are already in the order of elimination.
  void Analyse(const Eigen::SparseMatrix<double>& upper, Method method = Method::BySize);
  bool BySupernodes() const { return supernodal_; }
  // Factorises the values of a matrix of the analysed pattern, given in the order of its
  // compressed storage. False when a pivot is exactly zero. A factor made by supernodes makes
  // again only the blocks whose values changed since the last call, as FactoriseLaidOut does.
  bool Factorise(const double* values);
  // The matrix's values laid out as the factorisation reads them: row by row of L, each entry
  // where L's entry of the same place comes in its row (the places L fills in hold zero), then
  // the diagonal; for a factor made by supernodes, each entry where L's entry of its place is in
  // its column's block. A caller that assembles straight into this layout spares the
  // factorisation spreading every column out first.
  int LaidOutCount() const { return laidOutCount_; }
  // Where each entry of the analysed matrix's compressed storage goes in that layout.
  const LargeVector<int>& LaidOutPlaces() const { return laidOutPlace_; }
  // Factorises values given in that layout (with zero in the places only L fills in). A factor
  // made by supernodes makes again only the blocks that `changed` marks (per supernode: whether
  // any of its values differ from those of the last factorisation), and those above them in the
  // tree: the rest come out as before, to the bit. Without `changed`, or after a refused
  // factorisation, every block is made.
  bool FactoriseLaidOut(const double* values, const std::vector<char>* changed = nullptr);
  // The supernode whose block holds a place of the layout, and where supernode s's block ends
  // (for a caller that walks the places in order).
  int SupernodeOfPlace(int place) const;
  int BlockEnd(int s) const { return blockBegin_[s + 1]; }
  // Supernodes the last factorisation made, and those it had (for the tests and the benches).
  int SupernodesMade() const { return supernodesMade_; }
  int Supernodes() const { return supernodal_ ? static_cast<int>(superStart_.size()) - 1 : 0; }
  int Size() const { return n_; }
  // D of the factorisation, in the order of elimination.
  const std::vector<double>& Pivots() const { return d_; }
  // Solves L D L' x = b in place, in the order of elimination.
  void Solve(double* x) const;
  // Solves for two right-hand sides at once, in place: each solve is a chain of dependent steps,
  // and two chains side by side take little longer than one.
  void Solve(double* x, double* y) const;
  // Solves for `count` right-hand sides in place, each as Solve(x) would: a large factor's
  // solve is bound by reading the factor from memory, and this reads each of its blocks once
  // for all of them.
  void Solve(double* const* xs, int count) const;
  // The forward part of a solve (L y = b) for a right-hand side whose nonzeros are all in
  // `rows`, in place on x, which is zero elsewhere: only the supernodes above those rows in the
  // tree take part, and `reach` lists them in ascending order (the columns of y outside them stay
  // zero). Only for a factor made by supernodes. Scaled by the pivot inverses, two such vectors
  // give e_i' A^-1 e_j for any rows of their right-hand sides, with no backward pass.
  void SolveForwardSparse(double* x, const std::vector<int>& rows, std::vector<int>& reach) const;
  int SupernodeStart(int s) const { return superStart_[s]; }
  const std::vector<double>& PivotInverses() const { return inverse_; }

 private:
  // One entry of a row of L: its column, and where it is stored.
  struct Entry {
    int column, place;
  };
  void AnalyseRows(const Eigen::SparseMatrix<double>& upper, const std::vector<int>& parent);
  void AnalyseSupernodes(const Eigen::SparseMatrix<double>& upper, const std::vector<int>& parent);
  bool FactoriseSupernodes(const double* values, const std::vector<char>* changed);
  void FetchRowsFrom(int s, int from) const;
  template <bool kPair>
  static void UpdateColumns(const double* uBlock, int uRows, int uColumns, int c,
                            const double* du, double* w, double* v);
  void SolveSupernodes(double* const* xs, int count) const;
  // One block's part of the forward and of the backward pass; kColumns is its column count where
  // that is 1 to 8, known when compiled, and 0 for a wider block.
  template <int kColumns>
  static void ForwardBlock(const double* block, int columns, int rows, const int* rowsOf,
                           double* x, double* own, double* g);
  template <int kColumns>
  static void BackwardBlock(const double* block, int columns, int rows, const int* rowsOf,
                            const double* x, double* own, double* g, double* dots);
  static void SolveOwnBackward(const double* block, int rows, int columns, const double* dots,
                               double* own);
  // Where column c of a block of `rows` rows is, less c: its row r is there plus r.
  static size_t Column(int c, int rows);
  // A factor with at least this many entries below its diagonal is made by supernodes.
  static constexpr int kSupernodalEntries = 200000;
  // Columns in one supernode at most, so that its dense work stays within a cache's reach.
  static constexpr int kLargestSupernode = 128;
  // How far ahead of the block it works on, in values, a solve asks for the factor (8 KiB):
  // see SolveSupernodes.
  static constexpr size_t kFetchedAhead = 1024;
  int n_ = 0;
  int laidOutCount_ = 0;
  bool supernodal_ = false;
  // The supernodes: the columns of each (the first of every one, then n), the rows of its
  // block (its own columns, then those below them, ascending; where each begins in rowIndex_)
  // and where its block begins in block_. A block holds its rows by its columns, each column
  // from its diagonal down (a solve reads the whole factor from memory, and reads no more).
  std::vector<int> superStart_, superOf_, superRows_, blockBegin_;
  LargeVector<int> rowIndex_;
  LargeVector<double> block_;
  // Whether block_ holds a factorisation whole (not a refused one's remains). Per supernode:
  // whether it is made again, and whether Factorise() found its values changed.
  bool factorised_ = false;
  std::vector<char> remake_, changed_;
  int supernodesMade_ = 0;
  // Factorisation work: each supernode's next row still to update another, the supernodes
  // waiting to update each one, a row's place in the block being made, and the updates of the
  // two columns made at a time.
  std::vector<int> nextRow_, firstWaiting_, nextWaiting_, relative_;
  std::vector<double> update_;
  mutable std::vector<double> gathered_, dots_;
  mutable std::vector<char> reached_;  // per supernode, while SolveForwardSparse gathers them
  LargeVector<int> laidOutPlace_;  // per entry of the matrix: where it is laid out
  LargeVector<double> laidOut_;    // the values of Factorise(), laid out
  std::vector<int> rowBegin_;      // per row of L: where its entries begin in rows_
  std::vector<Entry> rows_;        // by row, columns in the order of elimination
  std::vector<int> columnBegin_;   // L by columns: where each column begins
  LargeVector<int> index_;         // the row of each stored entry
  std::vector<double> value_, d_;
  std::vector<double> inverse_;  // of each pivot: solves multiply instead of dividing
  mutable std::vector<double> work_;
};

}  // namespace yb::dynamics
