#pragma once
// The arithmetic shared by the evaluator and the compiler's constant folding, so that a folded
// constant and a computed value are the same number.

#include <cmath>
#include <cstdint>

#include "solver/formula/FormulaErrors.h"
#include "solver/formula/FormulaProgram.h"

// Conditions are true when greater than zero, as everywhere values switch things on.
inline bool FormulaTruth(double value) {
  return value > 0.0;
}

// The scalar functions, shared with constant folding. Answers 0 or an evaluation code.
inline int32_t FormulaApplyFunction(FormulaFunction f, const double* v, int32_t n, double& out) {
  switch (f) {
    case FormulaFunction::kSin:
      out = std::sin(v[0]);
      break;
    case FormulaFunction::kCos:
      out = std::cos(v[0]);
      break;
    case FormulaFunction::kTan:
      out = std::tan(v[0]);
      break;
    case FormulaFunction::kAsin:
      if (!(v[0] >= -1.0 && v[0] <= 1.0)) return kFormulaDomain;
      out = std::asin(v[0]);
      break;
    case FormulaFunction::kAcos:
      if (!(v[0] >= -1.0 && v[0] <= 1.0)) return kFormulaDomain;
      out = std::acos(v[0]);
      break;
    case FormulaFunction::kAtan:
      out = std::atan(v[0]);
      break;
    case FormulaFunction::kAtan2:
      out = std::atan2(v[0], v[1]);
      break;
    case FormulaFunction::kSqrt:
      if (v[0] < 0.0) return kFormulaDomain;
      out = std::sqrt(v[0]);
      break;
    case FormulaFunction::kExp:
      out = std::exp(v[0]);
      break;
    case FormulaFunction::kLn:
      if (!(v[0] > 0.0)) return kFormulaDomain;
      out = std::log(v[0]);
      break;
    case FormulaFunction::kLog10:
      if (!(v[0] > 0.0)) return kFormulaDomain;
      out = std::log10(v[0]);
      break;
    case FormulaFunction::kAbs:
      out = std::fabs(v[0]);
      break;
    case FormulaFunction::kSign:
      out = v[0] > 0.0 ? 1.0 : (v[0] < 0.0 ? -1.0 : 0.0);
      break;
    case FormulaFunction::kSquare:
      out = v[0] * v[0];
      break;
    case FormulaFunction::kMin:
      out = v[0];
      for (int32_t i = 1; i < n; ++i)
        out = v[i] < out ? v[i] : out;
      break;
    case FormulaFunction::kMax:
      out = v[0];
      for (int32_t i = 1; i < n; ++i)
        out = v[i] > out ? v[i] : out;
      break;
  }
  return std::isfinite(out) ? kFormulaOk : kFormulaOverflow;
}

// a ^ b: whole exponents of any sign, other exponents only for a >= 0; 0 ^ negative is a
// division by zero. Small whole exponents (the force laws' ^2, ^(-2), ^3) multiply directly.
inline int32_t FormulaPower(double a, double b, double& out) {
  if (a == 0.0 && b < 0.0) return kFormulaDivideByZero;
  const bool whole = b == std::floor(b);
  if (a < 0.0 && !whole) return kFormulaDomain;
  if (whole && std::fabs(b) <= 16.0) {
    auto n = static_cast<int32_t>(std::fabs(b));
    double base = a;
    double product = 1.0;
    while (n != 0) {
      if ((n & 1) != 0) product *= base;
      base *= base;
      n >>= 1;
    }
    out = b < 0.0 ? 1.0 / product : product;
  } else {
    out = std::pow(a, b);
  }
  return std::isfinite(out) ? kFormulaOk : kFormulaOverflow;
}
