# The script compiler and machine as a libFuzzer program (see tools/fuzz.sh); basic_tests replays
# the committed seeds through the same entry.
include(${PROJECT_SOURCE_DIR}/cmake/Fuzzing.cmake)
yb_fuzzer(basic_fuzzer SOURCES ${CMAKE_CURRENT_LIST_DIR}/BasicFuzzEntry.cpp DEPENDS basic)
