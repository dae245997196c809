# Optional: reading and running a world stream as a libFuzzer program, built with clang when it
# is installed. The normal build never needs clang; solver_tests replays the committed seeds
# through the same entry with GCC and AddressSanitizer. Run: cmake --build <dir> --target
# world_fuzzer, then <dir>/world_fuzzer -max_total_time=60 <scratch folder>
# tests/solver/fuzz/world-seeds
find_program(YB_CLANGXX NAMES clang++ clang++-14)
find_package(Eigen3 3.4 REQUIRED NO_MODULE)
if(YB_CLANGXX)
  file(GLOB_RECURSE solver_sources CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/solver/*.cpp)
  set(entry ${CMAKE_CURRENT_LIST_DIR}/WorldFuzzEntry.cpp)
  set(fuzzer ${CMAKE_BINARY_DIR}/world_fuzzer)
  get_target_property(eigen_includes Eigen3::Eigen INTERFACE_INCLUDE_DIRECTORIES)
  add_custom_command(
    OUTPUT ${fuzzer}
    COMMAND ${YB_CLANGXX} -std=c++20 -O1 -g -fsanitize=fuzzer,address,undefined -DYB_WORLD_FUZZER
            -I${PROJECT_SOURCE_DIR} -I${eigen_includes} ${entry} ${solver_sources} -o ${fuzzer}
    DEPENDS ${entry} ${solver_sources}
    COMMENT "Building the world stream fuzzer with clang"
    VERBATIM)
  add_custom_target(world_fuzzer DEPENDS ${fuzzer})
endif()
