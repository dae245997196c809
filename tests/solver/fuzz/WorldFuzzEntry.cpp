#include "tests/solver/fuzz/WorldFuzzEntry.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "solver/engine/EngineEntry.h"
#include "solver/formula/FormulaErrors.h"
#include "solver/stream/StreamModel.h"
#include "solver/stream/StreamReader.h"

namespace {

constexpr int kFrames = 3;

bool KnownReadCode(int32_t code) {
  return code == kEngineOk || code == kEngineCannotRead || code == kEngineBadModel ||
         code == kEngineOutOfMemory || (code >= kFormulaBadCharacter && code <= kFormulaNoProgram);
}

bool KnownRunCode(int32_t code) {
  return code == kEngineOk || (code >= kEngineWarningFirst && code <= kEngineWarningLast) ||
         (code >= 1296 && code <= 1299) || code == kEngineOutOfMemory ||
         (code >= kFormulaBadCharacter && code <= kFormulaNoProgram);
}

// The values per frame of a world whose frames are short enough to compute quickly, or 0: a
// fuzzed animation step of years would take as long to integrate as it says.
// Constants that keep the motion within what a few frames can integrate: a body thrown at 1e159
// m/s or a step error of 1e-300 is the integrator's to grind through, not the reader's.
bool Moderate(const yb::stream::FormulaItem& item, double smallest = 0) {
  const double v = std::abs(item.value);
  return !item.isConstant || v == 0 || (v >= smallest && v <= 1e6);
}

// The largest length a body's constants place it at or make it of. An integrator error far below
// what a double resolves at that length cannot be met, and the step shrinks to its floor: three
// frames of a centre of mass 1e5 m out, at an error of 1e-12 m, take seconds of grinding.
double LargestLength(const yb::stream::StreamWorld& world) {
  double largest = 0;
  for (const auto& body : world.bodies) {
    for (const auto index : {yb::stream::kBodyX, yb::stream::kBodyY, yb::stream::kBodyComX,
                             yb::stream::kBodyComY}) {
      const auto& item = body.items[index];
      if (item.isConstant) largest = std::max(largest, std::abs(item.value));
    }
    largest = std::max({largest, std::abs(body.width), std::abs(body.height)});
  }
  return largest;
}

int32_t QuickFrameValues(const uint8_t* data, size_t size) {
  try {
    const yb::stream::StreamWorld world = yb::stream::ReadStream(data, static_cast<int64_t>(size));
    for (const auto& body : world.bodies) {
      for (const auto& item : body.items)
        if (!Moderate(item)) return 0;
      if (!Moderate(body.items[yb::stream::kBodyMass], 1e-6) ||
          !Moderate(body.items[yb::stream::kBodyMoment], 1e-6))
        return 0;
    }
    for (const auto& constraint : world.constraints)
      for (const auto& goal : constraint.goals)
        if (!Moderate(goal.value, 1e-6)) return 0;
    const yb::stream::StreamModel model(world);
    const auto& settings = model.Settings();
    if (settings.animationStep > 0.1 || settings.stepsPerFrame > 50 || model.BodyCount() > 50 ||
        settings.EffectiveIntegratorError() < 1e-13 || settings.EffectiveAssemblyError() < 1e-14 ||
        LargestLength(world) * 1e-13 > settings.EffectiveIntegratorError())
      return 0;
    return 8 * model.BodyCount() + model.RecordedCount();
  } catch (const yb::stream::StreamError&) {
    return 0;
  }
}

}  // namespace

WorldFuzzReach WorldFuzzRead(const uint8_t* data, size_t size) {
  WorldFuzzReach reach;
  init_engine();
  EngineWorld* world = nullptr;
  if (new_world(&world) != kEngineOk) {
    ++reach.broken;
    return reach;
  }
  const int32_t read = read_world(world, data, static_cast<int32_t>(size));
  if (!KnownReadCode(read)) ++reach.broken;
  reach.accepted = read == kEngineOk;
  const int32_t values = reach.accepted ? QuickFrameValues(data, size) : 0;
  if (values > 0) {
    // Every object may be an input: each gets a record, as the program gives its inputs.
    std::vector<uint8_t> inputs;
    for (const int16_t id : yb::stream::ReadStream(data, static_cast<int64_t>(size)).objects) {
      if (id == 0 || inputs.size() >= 29 * kInputRecordBytes) continue;
      const int32_t wide = id;
      const double value = 1.5;
      inputs.insert(inputs.end(), reinterpret_cast<const uint8_t*>(&wide),
                    reinterpret_cast<const uint8_t*>(&wide) + 4);
      inputs.insert(inputs.end(), reinterpret_cast<const uint8_t*>(&value),
                    reinterpret_cast<const uint8_t*>(&value) + 8);
    }
    inputs.resize(inputs.size() + kInputRecordBytes, 0);
    std::vector<uint8_t> history(kHistoryHeaderBytes + static_cast<size_t>(values) * 8, 0);
    int32_t status[kStatusWords];
    for (int call = 0; call < 4 * kFrames && reach.frames < kFrames; ++call) {
      const int32_t result =
          run_world(world, inputs.data(), static_cast<int32_t>(inputs.size()), history.data(),
                    static_cast<int32_t>(history.size()), nullptr, status);
      if (result == kEngineStoreFull) {
        history.resize(history.size() + static_cast<size_t>(values) * 8, 0);
        continue;
      }
      if (status[0] != result) ++reach.broken;
      if (!KnownRunCode(result)) ++reach.broken;
      // A collider too thin for the speeds is reported before its frame: the run stops there,
      // as it does when the user declines to go on.
      if (result == kEngineWarnTooThin) {
        ++reach.failedRuns;
        break;
      }
      if (result == kEngineOk || (result >= kEngineWarningFirst && result <= kEngineWarningLast)) {
        ++reach.frames;
        continue;
      }
      ++reach.failedRuns;
      break;
    }
    int32_t frames;
    std::memcpy(&frames, history.data() + kHistoryWordFrameCount * 4, 4);
    if (frames != reach.frames) ++reach.broken;
  }
  if (clear_world(world) != kEngineOk) ++reach.broken;
  free_world(world);
  return reach;
}

#ifdef YB_WORLD_FUZZER
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (WorldFuzzRead(data, size).broken != 0) __builtin_trap();
  return 0;
}
#endif
