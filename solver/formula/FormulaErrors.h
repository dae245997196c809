#pragma once
// Result codes of the formula compiler and evaluator. Like every code of the solver library they
// are small positive numbers; the program maps a library code k to its error number k - 29999, so
// the compiler's codes 1180..1190 become the formula errors -28819..-28809, and the evaluator's
// codes 1191.. become -28808.. (run-time faults, reported like any other failure).

#include <cstdint>

inline constexpr int32_t kFormulaOk = 0;

// Compiler: malformed text. Each comes with the offset of the fault in the text.
inline constexpr int32_t kFormulaBadCharacter = 1180;     // a character the language does not use
inline constexpr int32_t kFormulaBadNumber = 1181;        // a malformed number
inline constexpr int32_t kFormulaUnknownName = 1182;      // not a function, reference or constant
inline constexpr int32_t kFormulaMissingClose = 1183;     // "(", "[" or "|" without its partner
inline constexpr int32_t kFormulaExpectedOperand = 1184;  // an operator or the end came too early
inline constexpr int32_t kFormulaArgumentCount = 1185;    // wrong number of arguments
inline constexpr int32_t kFormulaTypeMismatch = 1186;     // a vector or object where it cannot go
inline constexpr int32_t kFormulaUnknownMember = 1187;    // a member the value does not have
inline constexpr int32_t kFormulaTooComplex = 1188;       // too long or nested too deeply
inline constexpr int32_t kFormulaUnexpectedText = 1189;   // text after a complete formula
inline constexpr int32_t kFormulaEmpty = 1190;            // nothing to compile

// Evaluator: faults of a well-formed formula with the values at hand. Never silently NaN.
inline constexpr int32_t kFormulaDivideByZero = 1191;
inline constexpr int32_t kFormulaDomain = 1192;         // sqrt(-1), ln(0), asin(2), (-8)^0.5 ...
inline constexpr int32_t kFormulaUnknownObject = 1193;  // a reference the world does not hold
inline constexpr int32_t kFormulaNoValue = 1194;        // the object has no such value now
inline constexpr int32_t kFormulaOverflow = 1195;       // the result is not a finite number
inline constexpr int32_t kFormulaNoProgram = 1196;      // nothing compiled, or no environment

// The program's error number for a library code (0 stays 0).
constexpr int32_t FormulaErrorNumber(int32_t code) {
  return code == 0 ? 0 : code - 29999;
}

// A short English description of a code, for messages and tests.
const char* FormulaErrorText(int32_t code);
