# Optional: loading stored histories and reading the history blocks of a document as a libFuzzer
# program, built with clang when it is installed. The normal build never needs clang;
# simulation_tests replays the committed seeds through the same entry with GCC and
# AddressSanitizer. Run: cmake --build <dir> --target history_fuzzer, then
# <dir>/history_fuzzer -max_total_time=60 <scratch folder> tests/simulation/fuzz/history-seeds
find_program(YB_CLANGXX NAMES clang++ clang++-14)
if(YB_CLANGXX)
  find_package(PkgConfig REQUIRED)
  find_package(Eigen3 3.4 REQUIRED NO_MODULE)
  pkg_check_modules(YB_FUZZ_HISTORY_GDI REQUIRED cairo cairo-pdf pangocairo)
  file(GLOB_RECURSE history_sources CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/simulation/*.cpp
       ${PROJECT_SOURCE_DIR}/model/*.cpp ${PROJECT_SOURCE_DIR}/core/*.cpp
       ${PROJECT_SOURCE_DIR}/solver/*.cpp)
  file(GLOB history_platform_sources CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/platform/win32/*.cpp
       ${PROJECT_SOURCE_DIR}/platform/mfc/*.cpp)
  set(entry ${CMAKE_CURRENT_LIST_DIR}/HistoryFuzzEntry.cpp ${CMAKE_CURRENT_LIST_DIR}/HistoryFuzzSetup.cpp)
  set(fuzzer ${CMAKE_BINARY_DIR}/history_fuzzer)
  get_target_property(eigen_includes Eigen3::Eigen INTERFACE_INCLUDE_DIRECTORIES)
  add_custom_command(
    OUTPUT ${fuzzer}
    COMMAND ${YB_CLANGXX} -std=c++20 -O1 -g -fsanitize=fuzzer,address,undefined
            -DYB_HISTORY_FUZZER -I${PROJECT_SOURCE_DIR} -I${eigen_includes}
            ${YB_FUZZ_HISTORY_GDI_CFLAGS} ${entry} ${history_sources} ${history_platform_sources}
            ${YB_FUZZ_HISTORY_GDI_LDFLAGS} -lpthread -o ${fuzzer}
    DEPENDS ${entry} ${history_sources} ${history_platform_sources}
    COMMENT "Building the stored-history fuzzer with clang"
    VERBATIM)
  add_custom_target(history_fuzzer DEPENDS ${fuzzer})
endif()
