# Optional: the resource readers and the resource compiler as libFuzzer programs, built with
# clang when it is installed. The normal build never needs clang; resources_tests replays the
# committed seeds through the same entries with GCC and AddressSanitizer. Run:
#   cmake --build <dir> --target resource_reader_fuzzer resource_script_fuzzer
#   <dir>/resource_reader_fuzzer -max_total_time=60 <scratch> tests/resources/fuzz/seeds/readers
#   <dir>/resource_script_fuzzer -max_total_time=60 <scratch> tests/resources/fuzz/seeds/scripts
find_program(YB_CLANGXX NAMES clang++ clang++-14)
if(YB_CLANGXX)
  find_package(PkgConfig REQUIRED)
  pkg_check_modules(YB_FUZZ_RESOURCE_GDI REQUIRED cairo cairo-pdf pangocairo)
  file(GLOB_RECURSE fuzz_core_sources CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/core/*.cpp)
  file(GLOB fuzz_platform_sources CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/platform/win32/*.cpp
       ${PROJECT_SOURCE_DIR}/platform/mfc/*.cpp)
  set(fuzz_compiler_sources ${PROJECT_SOURCE_DIR}/resources/compiler/ScriptCompiler.cpp
      ${PROJECT_SOURCE_DIR}/resources/compiler/IconFiles.cpp)
  set(fuzz_entry ${CMAKE_CURRENT_LIST_DIR}/ResourceFuzzEntry.cpp)
  foreach(kind READERS SCRIPTS)
    string(TOLOWER ${kind} name)
    string(REGEX REPLACE "s$" "" name ${name})
    set(fuzzer ${CMAKE_BINARY_DIR}/resource_${name}_fuzzer)
    add_custom_command(
      OUTPUT ${fuzzer}
      COMMAND ${YB_CLANGXX} -std=c++20 -O1 -g -fsanitize=fuzzer,address,undefined
              -DYB_FUZZ_RESOURCE_${kind} -I${PROJECT_SOURCE_DIR} ${YB_FUZZ_RESOURCE_GDI_CFLAGS}
              ${fuzz_entry} ${fuzz_compiler_sources} ${fuzz_core_sources}
              ${fuzz_platform_sources} ${YB_FUZZ_RESOURCE_GDI_LDFLAGS} -o ${fuzzer}
      DEPENDS ${fuzz_entry} ${fuzz_compiler_sources} ${fuzz_core_sources} ${fuzz_platform_sources}
      COMMENT "Building the resource ${name} fuzzer with clang"
      VERBATIM)
    add_custom_target(resource_${name}_fuzzer DEPENDS ${fuzzer})
  endforeach()
endif()
