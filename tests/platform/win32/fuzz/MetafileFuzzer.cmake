# Optional: metafile playback as a libFuzzer program, built with clang when it is installed.
# The normal build never needs clang; platform_win32_tests replays the committed seeds through
# the same entry with GCC and AddressSanitizer. Run: cmake --build <dir> --target
# metafile_fuzzer, then <dir>/metafile_fuzzer -max_total_time=60 <scratch folder>
# tests/platform/win32/fuzz/seeds
find_program(YB_CLANGXX NAMES clang++ clang++-14)
if(YB_CLANGXX)
  find_package(PkgConfig REQUIRED)
  pkg_check_modules(YB_FUZZ_GDI REQUIRED cairo cairo-pdf pangocairo)
  file(GLOB gdi_sources CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/platform/win32/*.cpp)
  set(entry ${CMAKE_CURRENT_LIST_DIR}/MetafileFuzzEntry.cpp)
  set(fuzzer ${CMAKE_BINARY_DIR}/metafile_fuzzer)
  add_custom_command(
    OUTPUT ${fuzzer}
    COMMAND ${YB_CLANGXX} -std=c++20 -O1 -g -fsanitize=fuzzer,address,undefined
            -I${PROJECT_SOURCE_DIR} ${YB_FUZZ_GDI_CFLAGS} ${entry} ${gdi_sources}
            ${YB_FUZZ_GDI_LDFLAGS} -o ${fuzzer}
    DEPENDS ${entry} ${gdi_sources}
    COMMENT "Building the metafile playback fuzzer with clang"
    VERBATIM)
  add_custom_target(metafile_fuzzer DEPENDS ${fuzzer})
endif()
