#pragma once
// Compiling a resource script in memory, as the compiler tests do.

#include <cstdint>
#include <string>
#include <vector>

#include "resources/compiler/ScriptCompiler.h"

using Bytes = std::vector<uint8_t>;

inline rc::CompiledModule Compile(const std::string& script, const std::string& path = "test.rc") {
  rc::CompiledModule module;
  module.fileName = "test.dll";
  rc::CompileScript(script, path, module);
  return module;
}

// The message of the ScriptError a script raises, or "" when it compiles.
inline std::string ErrorOf(const std::string& script, const std::string& path = "bad.rc") {
  try {
    Compile(script, path);
  } catch (const rc::ScriptError& error) {
    return error.what();
  }
  return "";
}
