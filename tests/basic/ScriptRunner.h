#pragma once
// Compiles and runs a script's Main through the engine's entry points and collects what it
// printed, for the tests of the language.

#include <string>

#include "basic/ScriptApi.h"

struct ScriptOutcome {
  bool compiled = false;
  int32_t errorLine = 0;    // compile or run-time
  int32_t errorColumn = 0;  // compile
  std::string compileError;
  bool failed = false;
  bool stopped = false;
  int32_t errorNumber = 0;
  std::string errorText;
  std::string output;  // printed lines, each ended by '\n'
};

// Runs `text` in `engine` (a fresh engine when null).
ScriptOutcome RunScript(const std::string& text, ScriptEngine* engine = nullptr);
