# Helpers shared by the folder CMakeLists files.

# The target name of a source folder: "core/port" becomes "core_port".
function(yb_folder_target out folder)
  string(REPLACE "/" "_" name "${folder}")
  set(${out} ${name} PARENT_SCOPE)
endfunction()

# yb_library([DEPENDS <targets>...] [EXCLUDE <files>...])
# Builds the static library of the current folder from the sources in it and in its subfolders
# ("core/geometry" is part of "core"). Includes are written from the repository root
# ("core/Failure.h").
function(yb_library)
  cmake_parse_arguments(ARG "" "" "DEPENDS;EXCLUDE" ${ARGN})
  file(RELATIVE_PATH folder ${PROJECT_SOURCE_DIR} ${CMAKE_CURRENT_SOURCE_DIR})
  yb_folder_target(target "${folder}")
  file(GLOB_RECURSE sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp
       ${CMAKE_CURRENT_SOURCE_DIR}/*.c)
  foreach(excluded IN LISTS ARG_EXCLUDE)
    list(REMOVE_ITEM sources ${CMAKE_CURRENT_SOURCE_DIR}/${excluded})
  endforeach()
  if(sources)
    add_library(${target} STATIC ${sources})
    target_include_directories(${target} PUBLIC ${PROJECT_SOURCE_DIR})
    target_link_libraries(${target} PUBLIC ${ARG_DEPENDS})
  else()
    # A folder that holds only headers so far.
    add_library(${target} INTERFACE)
    target_include_directories(${target} INTERFACE ${PROJECT_SOURCE_DIR})
    target_link_libraries(${target} INTERFACE ${ARG_DEPENDS})
  endif()
  set(YB_TARGET ${target} PARENT_SCOPE)
endfunction()

# yb_test_headers(<target>)
# The test framework's headers take half of a test file's compile time: they are compiled once,
# ahead of every test file, and the test executables share them.
function(yb_test_headers target)
  if(NOT TARGET yb_test_headers)
    file(WRITE ${PROJECT_BINARY_DIR}/yb_test_headers.cpp "// The test headers' own unit.\n")
    add_library(yb_test_headers OBJECT ${PROJECT_BINARY_DIR}/yb_test_headers.cpp)
    target_link_libraries(yb_test_headers PRIVATE GTest::gtest GTest::gmock)
    # Threads as the desktop libraries ask them of most tests: a shared header must be compiled
    # with the macros of the files that use it.
    target_compile_options(yb_test_headers PUBLIC -pthread)
    target_compile_definitions(yb_test_headers PUBLIC _REENTRANT)
    target_precompile_headers(yb_test_headers PRIVATE <gtest/gtest.h> <gmock/gmock.h>
      <functional> <map> <memory> <string> <vector>)
  endif()
  target_compile_options(${target} PRIVATE -pthread)
  target_compile_definitions(${target} PRIVATE _REENTRANT)
  target_precompile_headers(${target} REUSE_FROM yb_test_headers)
endfunction()

# yb_tests(DEPENDS <targets>...)
# Builds the GoogleTest executable of the current tests/<folder> from the sources in it and its
# subfolders, and registers its tests with CTest.
function(yb_tests)
  cmake_parse_arguments(ARG "" "" "DEPENDS" ${ARGN})
  file(RELATIVE_PATH folder ${PROJECT_SOURCE_DIR}/tests ${CMAKE_CURRENT_SOURCE_DIR})
  yb_folder_target(name "${folder}")
  set(target ${name}_tests)
  file(GLOB_RECURSE sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  if(NOT sources)
    return()
  endif()
  # Each test process serves and reaches the script service in a socket folder of its own.
  add_executable(${target} ${sources} ${PROJECT_SOURCE_DIR}/tests/PrivateDdeFolder.cpp)
  target_link_libraries(${target} PRIVATE ${ARG_DEPENDS} GTest::gtest GTest::gmock GTest::gtest_main)
  yb_test_headers(${target})
  gtest_discover_tests(${target} DISCOVERY_MODE PRE_TEST
    WORKING_DIRECTORY ${CMAKE_CURRENT_SOURCE_DIR}
    PROPERTIES ENVIRONMENT "YB_SOURCE_DIR=${PROJECT_SOURCE_DIR};YB_DDE_DIR=${PROJECT_BINARY_DIR}/dde")
  set(YB_TARGET ${target} PARENT_SCOPE)
endfunction()

# yb_benchmark(<name> DEPENDS <targets>...)
# Builds bench/<folder>/*.cpp into the benchmark program bench_<name>. It is built with the
# rest but never run by the tests.
function(yb_benchmark name)
  cmake_parse_arguments(ARG "" "" "DEPENDS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  add_executable(bench_${name} ${sources})
  target_link_libraries(bench_${name} PRIVATE ${ARG_DEPENDS} benchmark::benchmark)
  set(YB_TARGET bench_${name} PARENT_SCOPE)
endfunction()
