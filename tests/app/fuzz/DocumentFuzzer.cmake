# The program's documents, text worlds and script-service frames as libFuzzer programs (see
# tools/fuzz.sh). document_fuzzer opens arbitrary bytes as a document; document_round_trip_fuzzer
# also saves what it opened, opens that and saves again, and wants the two saves alike;
# text_world_fuzzer reads the bytes as a world in text; dde_fuzzer decodes them as the script
# service's frames. app_tests replays the committed seeds through the same entries.
include(${PROJECT_SOURCE_DIR}/cmake/Fuzzing.cmake)
yb_fuzzer(document_fuzzer SOURCES ${CMAKE_CURRENT_LIST_DIR}/DocumentFuzzEntry.cpp
  DEPENDS app platform_display DEFINES YB_DOCUMENT_FUZZER)
yb_fuzzer(document_round_trip_fuzzer SOURCES ${CMAKE_CURRENT_LIST_DIR}/DocumentFuzzEntry.cpp
  DEPENDS app platform_display DEFINES YB_DOCUMENT_ROUND_TRIP_FUZZER)
yb_fuzzer(text_world_fuzzer SOURCES ${CMAKE_CURRENT_LIST_DIR}/TextWorldFuzzEntry.cpp
  DEPENDS app platform_display DEFINES YB_TEXT_WORLD_FUZZER)
yb_fuzzer(dde_fuzzer SOURCES ${CMAKE_CURRENT_LIST_DIR}/DdeFuzzEntry.cpp
  DEPENDS app platform_dde DEFINES YB_DDE_FUZZER)
