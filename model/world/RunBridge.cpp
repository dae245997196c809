#include "model/world/RunBridge.h"

namespace {

TRunBridgeHooks& Hooks() {
  static TRunBridgeHooks hooks;
  return hooks;
}

}  // namespace

void SetRunBridgeHooks(const TRunBridgeHooks& hooks) {
  Hooks() = hooks;
}

const TRunBridgeHooks& RunBridgeHooks() {
  return Hooks();
}
