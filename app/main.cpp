// Yarrowby, the program.

#include <cstdio>
#include <cstring>

#include "app/TApp.h"
#include "core/Handle.h"

namespace {

void PrintVersion() { std::printf("Yarrowby %s\n", YB_VERSION); }

void PrintUsage() {
  std::printf("Usage: yarrowby [--version] [--help]\n");
}

}  // namespace

int main(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--version") == 0) {
      PrintVersion();
      return 0;
    }
    if (std::strcmp(argv[i], "--help") == 0) {
      PrintUsage();
      return 0;
    }
    std::fprintf(stderr, "yarrowby: unknown argument \"%s\"\n", argv[i]);
    PrintUsage();
    return 2;
  }

  TApp app;
  app.InitUnits();
  PrintVersion();
  std::printf("Memory handles: %d records\n", kHandlePoolSize);
  app.TermUnits();
  return 0;
}
