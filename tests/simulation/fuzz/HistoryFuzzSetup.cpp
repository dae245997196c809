// The set-up of the history fuzz check, apart from the world's header (the simulation's pause
// controls and the world name their "no stop frame" alike).

#include <memory>

#include "model/world/RunBridge.h"
#include "simulation/WorldBridge.h"
#include "tests/simulation/FilingScope.h"
#include "tests/simulation/fuzz/HistoryFuzzEntry.h"

namespace {

std::unique_ptr<simulation_test::FilingScope>& Scope() {
  static std::unique_ptr<simulation_test::FilingScope> scope;
  return scope;
}

}  // namespace

HistoryFuzzSetup::HistoryFuzzSetup() {
  Scope() = std::make_unique<simulation_test::FilingScope>();
  InstallWorldBridge();
}

HistoryFuzzSetup::~HistoryFuzzSetup() {
  SetRunBridgeHooks({});
  Scope().reset();
}
