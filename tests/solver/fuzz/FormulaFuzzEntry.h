#pragma once
// The formula fuzz check, shared by the libFuzzer entry and the replay test.

#include <cstddef>
#include <cstdint>

// How far the texts checked got: compiled, then evaluated to a value or to a fault.
struct FormulaFuzzReach {
  int compiled = 0;
  int evaluated = 0;
  int faulted = 0;
};

// 0 when the compiler and evaluator kept every promise on the text, else which one broke. Adds
// to reach, when given, what the text got to.
int FormulaFuzzCheck(const uint8_t* data, size_t size, FormulaFuzzReach* reach);
