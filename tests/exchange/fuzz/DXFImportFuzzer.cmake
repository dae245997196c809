# The DXF import as a libFuzzer program (see tools/fuzz.sh); exchange_tests replays the committed
# seeds through the same entry.
include(${PROJECT_SOURCE_DIR}/cmake/Fuzzing.cmake)
yb_fuzzer(dxf_import_fuzzer SOURCES ${CMAKE_CURRENT_LIST_DIR}/DXFImportFuzzEntry.cpp
  DEPENDS exchange DEFINES YB_FUZZ_DXF_IMPORT)
