# The resource readers and the resource compiler as libFuzzer programs (see tools/fuzz.sh):
# resource_reader_fuzzer reads the bytes as compiled resources, resource_script_fuzzer compiles
# them as a resource script. resources_tests replays the committed seeds through the same entry.
include(${PROJECT_SOURCE_DIR}/cmake/Fuzzing.cmake)
yb_fuzzer(resource_reader_fuzzer SOURCES ${CMAKE_CURRENT_LIST_DIR}/ResourceFuzzEntry.cpp
  DEPENDS yb_rc_core core platform_win32 DEFINES YB_FUZZ_RESOURCE_READERS)
yb_fuzzer(resource_script_fuzzer SOURCES ${CMAKE_CURRENT_LIST_DIR}/ResourceFuzzEntry.cpp
  DEPENDS yb_rc_core core platform_win32 DEFINES YB_FUZZ_RESOURCE_SCRIPTS)
