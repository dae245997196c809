# Loading stored histories and reading the history blocks of a document as a libFuzzer program
# (see tools/fuzz.sh); simulation_tests replays the committed seeds through the same entry.
include(${PROJECT_SOURCE_DIR}/cmake/Fuzzing.cmake)
yb_fuzzer(history_fuzzer
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/HistoryFuzzEntry.cpp ${CMAKE_CURRENT_LIST_DIR}/HistoryFuzzSetup.cpp
  DEPENDS simulation DEFINES YB_HISTORY_FUZZER)
