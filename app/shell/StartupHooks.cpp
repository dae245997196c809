#include "app/shell/StartupHooks.h"

TStartupHooks& StartupHooks() {
  static TStartupHooks hooks;
  return hooks;
}
