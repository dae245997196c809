#pragma once
// Geometry entry points of the solver library that the program calls directly: the mass
// properties of a polygon and the linear systems of the assembly solver. Numbers are doubles,
// counts 32-bit; a result is 0 or one of the codes below (the program maps a library code k to
// the error number k - 29999).

#include <cstdint>

inline constexpr int32_t kGeometryOk = 0;
inline constexpr int32_t kGeometryDegenerate = 2010;   // the polygon encloses no area
inline constexpr int32_t kGeometryBadArgument = 2011;  // a null pointer or an impossible count
inline constexpr int32_t kGeometryNotFinite = 2012;    // an infinite or NaN coordinate or entry

// The signed area (positive for counter-clockwise vertices), the centroid and the polar moment of
// inertia about the centroid for unit density of the flat polygon through the n >= 3 vertices
// points[2i], points[2i + 1]. The moment is never negative, whatever the vertex order. The outputs
// are written only on success.
int32_t area_cofm(const double* points, int32_t n, double* area, double* moment, double* centroid);

// Together, gaussjfull and then gaussback solve rows . solution = rhs for a rowCount x colCount
// matrix given as row pointers, with fewer, as many or more rows than columns. The answer is the
// least-squares solution of smallest norm, so an under-determined system moves the unknowns as
// little as possible and redundant or slightly inconsistent rows do no harm; every one of the
// colCount unknowns is written (zeros on failure).
//
// gaussjfull checks the system and reports its numerical rank in *rank and the column order of
// its pivots in pivots (colCount entries); *cursor receives the number of rows gaussback is to
// use. `flags` must be 0. The matrix and rhs are left as they are.
int32_t gaussjfull(double** rows, double* rhs, int32_t* pivots, int32_t rowCount, int32_t colCount,
                   int32_t* rank, int32_t* cursor, int32_t flags);
int32_t gaussback(double** rows, double* solution, double* rhs, int32_t* pivots, int32_t rowCount,
                  int32_t colCount, int32_t cursor);

// The same least-squares answer of smallest norm for a large sparse system, in time that grows
// about linearly with the rows for the chains and trees of a linkage: the matrix is given row by
// row (row i holds the entries rowStarts[i] .. rowStarts[i + 1] - 1 of columns and values; a
// column outside 0 .. colCount - 1 is refused). The rows are solved through their normal
// equations, kept positive definite by a shift far below the rows' own scale, so redundant rows
// do no harm; one refinement pass recovers the digits the shift costs. Every one of the colCount
// unknowns is written (zeros on failure).
int32_t sparse_least_squares(const int32_t* rowStarts, const int32_t* columns, const double* values,
                             const double* rhs, int32_t rowCount, int32_t colCount,
                             double* solution);
