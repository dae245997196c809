#include "solver/engine/EngineEntry.h"

#include <algorithm>
#include <memory>
#include <new>
#include <optional>
#include <string>

#include "solver/dynamics/Mechanics.h"
#include "solver/stream/StreamReader.h"
#include "solver/stream/WorldRun.h"

// A document's world: empty until a stream has been read into it.
struct EngineWorld {
  std::optional<yb::stream::WorldRun> run;
  // Why the last stream was refused.
  std::string refusal;
};

namespace {

// The library keeps no state of its own beyond whether it was started: every world belongs to
// the caller that made it.
bool initialised = false;

constexpr double kDefaultOverlapError = 1e-3;

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
  world->run.reset();
  return kEngineOk;
}

int32_t read_world(EngineWorld* world, const uint8_t* bytes, int32_t count) {
  if (world == nullptr || count < 0 || (bytes == nullptr && count != 0)) return kEngineBadArgument;
  world->run.reset();
  world->refusal.clear();
  try {
    world->run.emplace(yb::stream::StreamModel(yb::stream::ReadStream(bytes, count)));
  } catch (const yb::stream::StreamError& error) {
    world->refusal = error.message;
    return error.code;
  } catch (const std::bad_alloc&) {
    return kEngineOutOfMemory;
  }
  return kEngineOk;
}

int32_t world_refusal(EngineWorld* world, char* text, int32_t size) {
  if (world == nullptr || text == nullptr || size <= 0) return 0;
  const size_t length = std::min(world->refusal.size(), static_cast<size_t>(size - 1));
  world->refusal.copy(text, length);
  text[length] = '\0';
  return static_cast<int32_t>(length);
}

int32_t run_world(EngineWorld* world, const uint8_t* inputs, int32_t inputBytes, uint8_t* history,
                  int32_t historyBytes, EngineProgressCallback progress, int32_t* status) {
  int32_t ownStatus[kStatusWords];
  int32_t* record = status != nullptr ? status : ownStatus;
  record[1] = record[2] = -1;
  if (world == nullptr) return record[0] = kEngineBadArgument;
  if (!world->run) return record[0] = kEngineNoWorld;
  return world->run->Run(inputs, inputBytes, history, historyBytes, progress, record);
}

int32_t unlock_world(EngineWorld* world) {
  if (world == nullptr) return kEngineBadArgument;
  if (world->run) world->run->Unlock();
  return kEngineOk;
}

int32_t suggest_external_dt(EngineWorld* world, double* animationStep, double* integratorError,
                            double* overlapError, double* assemblyError) {
  if (world == nullptr || animationStep == nullptr || integratorError == nullptr ||
      overlapError == nullptr || assemblyError == nullptr)
    return kEngineBadArgument;
  const yb::dynamics::RunSettings settings =
      world->run ? world->run->Model().Settings() : yb::dynamics::RunSettings{};
  *animationStep = settings.animationStep;
  *integratorError = settings.EffectiveIntegratorError();
  *overlapError = settings.autoOverlapError ? kDefaultOverlapError : settings.overlapError;
  *assemblyError = settings.EffectiveAssemblyError();
  return kEngineOk;
}

int32_t engine_value(EngineWorld* world, int32_t which, double* value) {
  if (world == nullptr || value == nullptr || (which != 1 && which != 2)) return kEngineBadArgument;
  double step, integrator, overlap, assembly;
  suggest_external_dt(world, &step, &integrator, &overlap, &assembly);
  *value = which == 1 ? assembly : overlap;
  return kEngineOk;
}
