#include "views/trackers/ToolTrackers.h"

#include <map>

#include "model/Link.h"
#include "model/command/CommandCore.h"

namespace {

std::map<int16_t, ToolTrackerFactory>& Factories() {
  static std::map<int16_t, ToolTrackerFactory> factories;
  return factories;
}

}  // namespace

void RegisterToolTracker(int16_t classId, ToolTrackerFactory factory) {
  if (factory == nullptr) {
    Factories().erase(classId);
    return;
  }
  Factories()[classId] = factory;
}

std::unique_ptr<TCommandCore> MakeToolTracker(TLink& prototype, int16_t tool, TTrackerView* view,
                                              TActionContext* world, TObjectReader& reader) {
  // The most derived class with a maker decides.
  for (int16_t depth = 0;; ++depth) {
    const int16_t classId = prototype.GetClassIDAt(depth);
    if (classId == 0) return nullptr;
    const auto found = Factories().find(classId);
    if (found != Factories().end()) return found->second(prototype, tool, view, world, reader);
  }
}
