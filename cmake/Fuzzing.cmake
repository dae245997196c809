# libFuzzer programs, built only in a build folder configured by tools/fuzz.sh (clang, YB_FUZZ=ON,
# every library compiled with -fsanitize=fuzzer-no-link,address,undefined). In the normal build
# the fuzz entries are compiled into the test executables instead, which replay their seeds.
include_guard(GLOBAL)

if(YB_FUZZ AND NOT TARGET fuzzers)
  add_custom_target(fuzzers)
endif()

# yb_fuzzer(<name> SOURCES <files>... DEPENDS <libraries>... [DEFINES <macros>...])
# Links the entry's sources against the project's libraries into build/fuzz/fuzzers/<name>, and
# makes it part of the `fuzzers` target. Does nothing outside a fuzz build folder.
function(yb_fuzzer name)
  if(NOT YB_FUZZ)
    return()
  endif()
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPENDS;DEFINES" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR})
  target_link_libraries(${name} PRIVATE ${ARG_DEPENDS})
  target_compile_definitions(${name} PRIVATE ${ARG_DEFINES})
  target_link_options(${name} PRIVATE -fsanitize=fuzzer)
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/fuzzers)
  add_dependencies(fuzzers ${name})
endfunction()
