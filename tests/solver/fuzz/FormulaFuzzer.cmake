# Optional: the formula compiler as a libFuzzer program, built with clang when it is installed.
# The normal build never needs clang; solver_tests replays the committed seeds through the same
# entry with GCC and AddressSanitizer. Run: cmake --build <dir> --target formula_fuzzer, then
# <dir>/formula_fuzzer -max_total_time=60 <scratch folder> tests/solver/fuzz/seeds
find_program(YB_CLANGXX NAMES clang++ clang++-14)
if(YB_CLANGXX)
  file(GLOB formula_sources CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/solver/formula/*.cpp)
  set(fuzzer ${CMAKE_BINARY_DIR}/formula_fuzzer)
  add_custom_command(
    OUTPUT ${fuzzer}
    COMMAND ${YB_CLANGXX} -std=c++20 -O1 -g -fsanitize=fuzzer,address,undefined
            -I${PROJECT_SOURCE_DIR} ${CMAKE_CURRENT_LIST_DIR}/FormulaFuzzEntry.cpp
            ${formula_sources} -o ${fuzzer}
    DEPENDS ${CMAKE_CURRENT_LIST_DIR}/FormulaFuzzEntry.cpp ${formula_sources}
    COMMENT "Building the formula compiler fuzzer with clang"
    VERBATIM)
  add_custom_target(formula_fuzzer DEPENDS ${fuzzer})
endif()
