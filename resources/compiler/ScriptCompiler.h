#pragma once
// The resource compiler: reads resource scripts (see resources/README.md) into modules of
// resources, and writes a module list as C++ tables for the resource calls of the window layer.

#include <cstdint>
#include <map>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace rc {

// A script that cannot be compiled; the text starts with "file:line: ".
class ScriptError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A type or a name: an integer, or a text when text is not empty.
struct ResourceKey {
  uint16_t id = 0;
  std::string text;

  bool IsText() const { return !text.empty(); }
  // Integers equal integers; texts compare without regard to ASCII case.
  bool SameAs(const ResourceKey& other) const;
  std::string Describe() const;
};

struct CompiledResource {
  ResourceKey type;
  ResourceKey name;
  std::vector<uint8_t> bytes;
};

struct CompiledModule {
  std::string fileName;  // the library's name, "ybdll.dll"
  std::vector<CompiledResource> resources;
  // String-table entries, single-byte text; turned into blocks by FinishModule.
  // By id: 0 to 1048559, so that the block number (id / 16 + 1) fits 16 bits.
  std::map<uint32_t, std::string> strings;
};

// Compiles one script into module. path names the script in messages; files that the script
// includes are found beside it. Raises ScriptError.
void CompileScript(std::string_view text, const std::string& path, CompiledModule& module);
// Compiles the script file at path.
void CompileScriptFile(const std::string& path, CompiledModule& module);
// Adds the string-table blocks: string id n lives in block n / 16 + 1 of type 6, as sixteen
// entries of a 16-bit length and that many UTF-16 units (little-endian).
void FinishModule(CompiledModule& module);

// C++ source defining `const ResourceModuleTable* symbol(uint32_t& count)`, which answers the
// modules' tables in the order given.
std::string GenerateTableSource(const std::vector<CompiledModule>& modules,
                                const std::string& symbol);

}  // namespace rc
