# The formula compiler as a libFuzzer program (see tools/fuzz.sh); solver_tests replays the
# committed seeds through the same entry.
include(${PROJECT_SOURCE_DIR}/cmake/Fuzzing.cmake)
yb_fuzzer(formula_fuzzer SOURCES ${CMAKE_CURRENT_LIST_DIR}/FormulaFuzzEntry.cpp DEPENDS solver)
