# Optional: the script compiler and machine as a libFuzzer program, built with clang when it is
# installed. The normal build never needs clang; basic_tests replays the committed seeds through
# the same entry with GCC and the sanitizers. Run: cmake --build <dir> --target basic_fuzzer, then
# <dir>/basic_fuzzer -max_total_time=60 -timeout=5 <scratch folder> tests/basic/fuzz/seeds
find_program(YB_CLANGXX NAMES clang++ clang++-14)
if(YB_CLANGXX)
  file(GLOB basic_sources CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/basic/*.cpp)
  set(basic_fuzzer ${CMAKE_BINARY_DIR}/basic_fuzzer)
  add_custom_command(
    OUTPUT ${basic_fuzzer}
    COMMAND ${YB_CLANGXX} -std=c++20 -O1 -g -fsanitize=fuzzer,address,undefined
            -I${PROJECT_SOURCE_DIR} ${CMAKE_CURRENT_LIST_DIR}/BasicFuzzEntry.cpp
            ${basic_sources} -o ${basic_fuzzer}
    DEPENDS ${CMAKE_CURRENT_LIST_DIR}/BasicFuzzEntry.cpp ${basic_sources}
    COMMENT "Building the script engine fuzzer with clang"
    VERBATIM)
  add_custom_target(basic_fuzzer DEPENDS ${basic_fuzzer})
endif()
