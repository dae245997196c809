# Metafile playback (stored pictures) as a libFuzzer program (see tools/fuzz.sh);
# platform_win32_tests replays the committed seeds through the same entry.
include(${PROJECT_SOURCE_DIR}/cmake/Fuzzing.cmake)
yb_fuzzer(metafile_fuzzer SOURCES ${CMAKE_CURRENT_LIST_DIR}/MetafileFuzzEntry.cpp
  DEPENDS platform_win32)
