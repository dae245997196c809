// The resource compiler: yb_rc --output FILE --symbol NAME (--module LIBRARY SCRIPT...)...
// Compiles each library's scripts and writes one C++ source with all their tables.

#include <cstdio>
#include <cstring>
#include <exception>
#include <fstream>
#include <string>
#include <vector>

#include "resources/compiler/ScriptCompiler.h"

namespace {

int Usage() {
  std::fprintf(stderr,
               "usage: yb_rc --output FILE --symbol NAME (--module LIBRARY SCRIPT...)...\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  std::string output, symbol;
  std::vector<rc::CompiledModule> modules;
  std::vector<std::vector<std::string>> scripts;
  for (int i = 1; i < argc; ++i) {
    const bool hasValue = i + 1 < argc;
    if (std::strcmp(argv[i], "--output") == 0 && hasValue) {
      output = argv[++i];
    } else if (std::strcmp(argv[i], "--symbol") == 0 && hasValue) {
      symbol = argv[++i];
    } else if (std::strcmp(argv[i], "--module") == 0 && hasValue) {
      modules.push_back({argv[++i], {}, {}});
      scripts.emplace_back();
    } else if (argv[i][0] != '-' && !modules.empty()) {
      scripts.back().push_back(argv[i]);
    } else {
      return Usage();
    }
  }
  if (output.empty() || symbol.empty()) return Usage();

  try {
    for (size_t m = 0; m < modules.size(); ++m) {
      for (const std::string& script : scripts[m])
        rc::CompileScriptFile(script, modules[m]);
      rc::FinishModule(modules[m]);
    }
  } catch (const rc::ScriptError& error) {
    std::fprintf(stderr, "%s\n", error.what());
    return 1;
  } catch (const std::exception& error) {
    // Nothing the scripts hold should get here; say what happened rather than abort.
    std::fprintf(stderr, "yb_rc: %s\n", error.what());
    return 1;
  }

  const std::string source = rc::GenerateTableSource(modules, symbol);
  std::ofstream out(output, std::ios::binary | std::ios::trunc);
  out << source;
  if (!out) {
    std::fprintf(stderr, "yb_rc: cannot write %s\n", output.c_str());
    return 1;
  }
  return 0;
}
