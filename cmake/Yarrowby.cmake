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
# The test framework's headers take half of a test file's compile time: each test executable
# compiles them once, ahead of its files.
function(yb_test_headers target)
  target_precompile_headers(${target} PRIVATE <gtest/gtest.h> <gmock/gmock.h> <functional>
    <map> <memory> <string> <vector>)
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
  add_executable(${target} ${sources})
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
