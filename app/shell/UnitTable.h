#pragma once
// The program's units in their start-up order: one row per module, each registering that
// module's classes or setting up its shared state. The first registration of a tag wins, so the
// order is part of what the program does. Rows of modules whose folders are not built yet, or
// that lie above the shell, are hooks that those folders fill at their place before start-up.

#include <cstdint>
#include <functional>
#include <span>

struct TUnitStep {
  int16_t row;       // 1 to 56, in ascending order
  const char* name;  // what the row sets up
  void (*init)();    // absent: the row's work is done elsewhere (see its name) or by its hook
  void (*term)();
};

inline constexpr int16_t kUnitRows = 56;

// The program's own steps, in order (a row may have several).
std::span<const TUnitStep> UnitSteps();

// Fills a row's hook: init runs after the row's own steps, term before them at exit. Rows
// outside 1 to 56 are ignored. An empty function clears that half of the hook.
void SetUnitHook(int16_t row, std::function<void()> init, std::function<void()> term = {});
void ClearUnitHooks();

// Runs every row in order, its steps then its hook. The unit handler's row is guarded: a
// failure there is dropped and start-up goes on. Any other failure passes on after the rows
// already started are ended again, latest first.
void RunUnitInitializers();
// Ends every row, from the last to the first: its hook, then its steps from the last.
void RunUnitTerminators();
