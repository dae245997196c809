#include "solver/engine/EngineEntry.h"

#include <new>

// The library's worlds. The reader and the run road fill them in; until a world has been read,
// running answers kEngineNoWorld and reading refuses every stream.
struct EngineWorld {
  bool loaded = false;
};

namespace {

bool initialised = false;

}  // namespace

int32_t init_engine() {
  initialised = true;
  return kEngineOk;
}

int32_t free_engine() {
  initialised = false;
  return kEngineOk;
}

int32_t new_world(EngineWorld** world) {
  if (world == nullptr) return kEngineBadArgument;
  *world = nullptr;
  if (!initialised) return kEngineNotInitialised;
  *world = new (std::nothrow) EngineWorld;
  return *world != nullptr ? kEngineOk : kEngineOutOfMemory;
}

int32_t free_world(EngineWorld* world) {
  delete world;
  return kEngineOk;
}

int32_t clear_world(EngineWorld* world) {
  if (world == nullptr) return kEngineBadArgument;
  world->loaded = false;
  return kEngineOk;
}

int32_t read_world(EngineWorld* world, const uint8_t* bytes, int32_t count) {
  if (world == nullptr || (bytes == nullptr && count != 0) || count < 0) return kEngineBadArgument;
  world->loaded = false;
  return kEngineCannotRead;
}

int32_t run_world(EngineWorld* world, const uint8_t*, int32_t, uint8_t*, int32_t,
                  EngineProgressCallback, int32_t* status) {
  if (world == nullptr) return kEngineBadArgument;
  if (status != nullptr) {
    status[0] = kEngineNoWorld;
    status[1] = -1;
    status[2] = -1;
  }
  return kEngineNoWorld;
}

int32_t unlock_world(EngineWorld* world) {
  return world == nullptr ? kEngineBadArgument : kEngineOk;
}

int32_t suggest_external_dt(EngineWorld* world, double* animationStep, double* integratorError,
                            double* overlapError, double* assemblyError) {
  if (world == nullptr || animationStep == nullptr || integratorError == nullptr ||
      overlapError == nullptr || assemblyError == nullptr)
    return kEngineBadArgument;
  *animationStep = 1.0 / 30.0;
  *integratorError = 1e-12;
  *overlapError = 1e-3;
  *assemblyError = 1e-13;
  return kEngineOk;
}

int32_t engine_value(EngineWorld* world, int32_t which, double* value) {
  if (world == nullptr || value == nullptr || (which != 1 && which != 2)) return kEngineBadArgument;
  *value = which == 1 ? 1e-13 : 1e-3;
  return kEngineOk;
}
