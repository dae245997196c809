# Optional: the DXF import as a libFuzzer program, built with clang when it is installed. The
# normal build never needs clang; exchange_tests replays the committed seeds through the same
# entry with GCC and AddressSanitizer. Run:
#   cmake --build <dir> --target dxf_import_fuzzer
#   <dir>/dxf_import_fuzzer -max_total_time=60 <scratch> tests/exchange/fuzz/seeds
find_program(YB_CLANGXX NAMES clang++ clang++-14)
if(YB_CLANGXX)
  file(GLOB_RECURSE fuzz_core_sources CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/core/*.cpp)
  file(GLOB fuzz_platform_sources CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/platform/win32/*.cpp
       ${PROJECT_SOURCE_DIR}/platform/mfc/*.cpp)
  set(fuzz_import_sources ${PROJECT_SOURCE_DIR}/exchange/dxf/DXFImport.cpp
      ${PROJECT_SOURCE_DIR}/exchange/text/WorldTextWriter.cpp)
  set(fuzz_entry ${CMAKE_CURRENT_LIST_DIR}/DXFImportFuzzEntry.cpp)
  set(fuzzer ${CMAKE_BINARY_DIR}/dxf_import_fuzzer)
  find_package(PkgConfig REQUIRED)
  pkg_check_modules(YB_FUZZ_DXF_GDI REQUIRED cairo cairo-pdf pangocairo)
  add_custom_command(
    OUTPUT ${fuzzer}
    COMMAND ${YB_CLANGXX} -std=c++20 -O1 -g -fsanitize=fuzzer,address,undefined
            -DYB_FUZZ_DXF_IMPORT -I${PROJECT_SOURCE_DIR} ${YB_FUZZ_DXF_GDI_CFLAGS} ${fuzz_entry}
            ${fuzz_import_sources} ${fuzz_core_sources} ${fuzz_platform_sources}
            ${YB_FUZZ_DXF_GDI_LDFLAGS} -o ${fuzzer}
    DEPENDS ${fuzz_entry} ${fuzz_import_sources} ${fuzz_core_sources} ${fuzz_platform_sources}
    COMMENT "Building the DXF import fuzzer with clang"
    VERBATIM)
  add_custom_target(dxf_import_fuzzer DEPENDS ${fuzzer})
endif()
