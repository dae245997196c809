// The fuzz entry of the DXF import. Built as a libFuzzer program with clang (DXFImportFuzzer.cmake,
// which defines the entry macro) and replayed over the committed seeds by exchange_tests.

#include "tests/exchange/fuzz/DXFImportFuzzEntry.h"

#include <cstdio>
#include <cstdlib>
#include <span>
#include <string_view>

#include "core/Failure.h"
#include "core/Handle.h"
#include "core/MacFile.h"
#include "exchange/dxf/DXFImport.h"

namespace {

[[noreturn]] void Broken(const char* promise) {
  std::fprintf(stderr, "broken promise: %s\n", promise);
  std::abort();
}

size_t Count(std::string_view text, std::string_view needle) {
  size_t n = 0;
  for (size_t at = text.find(needle); at != std::string_view::npos; at = text.find(needle, at + 1))
    ++n;
  return n;
}

struct OwnedHandle {
  Handle handle = AllocHandle(0);
  ~OwnedHandle() { FreeHandle(handle); }
};

}  // namespace

int ImportDrawingForFuzzing(const uint8_t* data, size_t size) {
  OwnedHandle text;
  int16_t result = 0;
  try {
    result = ImportDXF(std::span<const uint8_t>(data, size), text.handle, 1.0, MacPoint(640, 480));
  } catch (const QVException& failure) {
    const int16_t error = failure.error();
    if (error != kErrEndOfFile && error != kErrDrawingMalformed) Broken("an unknown failure");
    if (GetHandleByteSize(text.handle) != 0) Broken("a failed import left text behind");
    return -1;
  }
  const std::string_view world(HandleData(text.handle), GetHandleByteSize(text.handle));
  if (result == kErrDrawingEmpty) {
    if (!world.empty()) Broken("an empty drawing left text behind");
    return -1;
  }
  if (result != 0) Broken("an unknown answer");
  if (!world.starts_with("ZODA YB3X 4.0 ")) Broken("the text does not start with the header");
  if (!world.ends_with("\n-1\n\n\n-1")) Broken("the view and the list end do not close the text");
  const size_t starts = Count(world, " \"    \"\n");
  const size_t ends = Count(world, "\n-1\n\n");
  if (starts != ends || starts < 2) Broken("objects are not framed");
  if (Count(world, "\n10000 \"    \"\n") != 1) Broken("the world's view is not written once");
  if (world.find("nan") != std::string_view::npos || world.find("inf") != std::string_view::npos)
    Broken("a number that is not finite was written");
  return static_cast<int>(starts) - 1;
}

#if defined(YB_FUZZ_DXF_IMPORT)
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const bool pool = (InitHandlePool(), true);
  (void)pool;
  ImportDrawingForFuzzing(data, size);
  return 0;
}
#endif
