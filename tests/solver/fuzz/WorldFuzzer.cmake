# Reading and running a world stream as a libFuzzer program (see tools/fuzz.sh); solver_tests
# replays the committed seeds through the same entry.
include(${PROJECT_SOURCE_DIR}/cmake/Fuzzing.cmake)
yb_fuzzer(world_fuzzer SOURCES ${CMAKE_CURRENT_LIST_DIR}/WorldFuzzEntry.cpp DEPENDS solver
  DEFINES YB_WORLD_FUZZER)
