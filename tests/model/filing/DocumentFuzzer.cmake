# Optional: the document reader as a libFuzzer program, built with clang when it is installed.
# The normal build never needs clang; model_tests replays the committed seeds through the same
# entry with GCC and AddressSanitizer. Run: cmake --build <dir> --target document_fuzzer, then
# <dir>/document_fuzzer -max_total_time=60 <scratch folder> tests/model/filing/corpus
find_program(YB_CLANGXX NAMES clang++ clang++-14)
if(YB_CLANGXX)
  find_package(PkgConfig REQUIRED)
  pkg_check_modules(YB_FUZZ_DOCUMENT_GDI REQUIRED cairo cairo-pdf pangocairo)
  file(GLOB_RECURSE document_sources CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/model/*.cpp
       ${PROJECT_SOURCE_DIR}/core/*.cpp)
  file(GLOB document_platform_sources CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/platform/win32/*.cpp
       ${PROJECT_SOURCE_DIR}/platform/mfc/*.cpp ${PROJECT_SOURCE_DIR}/solver/formula/*.cpp)
  set(entry ${CMAKE_CURRENT_LIST_DIR}/DocumentFuzz.cpp)
  set(fuzzer ${CMAKE_BINARY_DIR}/document_fuzzer)
  # The entry's file also holds its replay tests, so GoogleTest is linked (never run).
  add_custom_command(
    OUTPUT ${fuzzer}
    COMMAND ${YB_CLANGXX} -std=c++20 -O1 -g -fsanitize=fuzzer,address,undefined
            -I${PROJECT_SOURCE_DIR} ${YB_FUZZ_DOCUMENT_GDI_CFLAGS} ${entry} ${document_sources}
            ${document_platform_sources} ${YB_FUZZ_DOCUMENT_GDI_LDFLAGS} -lgtest -lpthread
            -o ${fuzzer}
    DEPENDS ${entry} ${document_sources} ${document_platform_sources}
    COMMENT "Building the document reader fuzzer with clang"
    VERBATIM)
  add_custom_target(document_fuzzer DEPENDS ${fuzzer})
endif()
