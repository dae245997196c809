#pragma once
// Runs a script's Main in an engine through the engine's own entry points and collects what it
// printed, for the tests of the script objects apart from the host.

#include <string>

#include "basic/ScriptApi.h"

struct TEngineRun {
  bool compiled = false;
  bool failed = false;
  int32_t errorNumber = 0;
  std::string errorText;
  std::string output;  // printed lines, each ended by '\n'
};

// The script objects' engine hooks: every object a script holds keeps a reference for the run.
void InstallObjectHooks(ScriptEngine* engine);
TEngineRun RunInEngine(ScriptEngine* engine, const std::string& text);
