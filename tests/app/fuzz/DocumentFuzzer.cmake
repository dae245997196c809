# Optional: the program's documents as libFuzzer programs, built with clang when it is installed.
# document_fuzzer opens arbitrary bytes as a document; document_round_trip_fuzzer also saves what
# it opened, opens that and saves again, and wants the two saves alike. Both set the program up
# as it starts. The normal build never needs clang; app_tests replays the committed seeds
# through the same entry with GCC and AddressSanitizer. Run:
#   cmake --build <dir> --target document_fuzzer document_round_trip_fuzzer
#   <dir>/document_round_trip_fuzzer -max_total_time=600 <scratch> tests/app/fuzz/document-seeds
find_program(YB_CLANGXX NAMES clang++ clang++-14)
if(YB_CLANGXX)
  find_package(PkgConfig REQUIRED)
  find_package(Eigen3 3.4 REQUIRED NO_MODULE)
  pkg_check_modules(YB_FUZZ_PROGRAM_GDI REQUIRED cairo cairo-pdf pangocairo)
  get_target_property(program_eigen_includes Eigen3::Eigen INTERFACE_INCLUDE_DIRECTORIES)
  set(program_folders core model simulation bodies constraints solver)
  set(program_sources)
  foreach(folder IN LISTS program_folders)
    file(GLOB_RECURSE folder_sources CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/${folder}/*.cpp)
    list(APPEND program_sources ${folder_sources})
  endforeach()
  file(GLOB program_shell_sources CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/app/*.cpp
       ${PROJECT_SOURCE_DIR}/platform/win32/*.cpp ${PROJECT_SOURCE_DIR}/platform/mfc/*.cpp)
  list(REMOVE_ITEM program_shell_sources ${PROJECT_SOURCE_DIR}/app/main.cpp)
  list(APPEND program_sources ${program_shell_sources}
       ${PROJECT_SOURCE_DIR}/resources/ResourceLibraries.cpp)
  # The resource tables the program compiles in, as the resources library generates them.
  set(program_tables ${CMAKE_BINARY_DIR}/resources/CompiledResources.cpp)
  set(entry ${CMAKE_CURRENT_LIST_DIR}/DocumentFuzzEntry.cpp)
  foreach(kind DOCUMENT DOCUMENT_ROUND_TRIP)
    string(TOLOWER ${kind} name)
    set(fuzzer ${CMAKE_BINARY_DIR}/${name}_fuzzer)
    add_custom_command(
      OUTPUT ${fuzzer}
      COMMAND ${YB_CLANGXX} -std=c++20 -O1 -g -fsanitize=fuzzer,address,undefined
              -DYB_${kind}_FUZZER -I${PROJECT_SOURCE_DIR} -I${program_eigen_includes}
              ${YB_FUZZ_PROGRAM_GDI_CFLAGS} ${entry} ${program_sources} ${program_tables}
              ${YB_FUZZ_PROGRAM_GDI_LDFLAGS} -lpthread -o ${fuzzer}
      DEPENDS ${entry} ${program_sources} ${program_tables}
      COMMENT "Building the ${name} fuzzer with clang"
      VERBATIM)
    add_custom_target(${name}_fuzzer DEPENDS ${fuzzer})
    add_dependencies(${name}_fuzzer resources)
  endforeach()
endif()
