#include <algorithm>

#include "core/Failure.h"
#include "model/command/CommandCore.h"
#include "model/filing/ObjectReader.h"
#include "model/world/WorldDoc.h"
#include "model/world/WorldParticipants.h"

namespace {

// A tool whose resource holds no object, or whose object makes no tracker.
constexpr int16_t kErrNoToolTracker = -25005;

}  // namespace

bool TWorldDoc::IsCreationTool(int16_t tool) {
  return tool >= kFirstCreationTool && tool <= kLastCreationTool;
}

bool TWorldDoc::IsToolCommand(int16_t command) {
  return (command >= kSelectionTool && command <= kPartTool) || IsCreationTool(command);
}

void TWorldDoc::SetMode(int16_t tool, int16_t argument) {
  // A tool that makes or changes objects could not finish its work in low memory.
  if (tool != kSelectionTool && IsMemoryLow()) {
    tool = kSelectionTool;
    argument = 2;
  }
  previousTool_ = GetCurrentTool();
  previousToolArgument_ = toolArgument_;
  SetCurrentTool(tool);
  toolArgument_ = argument;
  // Objects cannot be made while they move.
  if (UsesToolTracker(tool)) {
    StopRunning();
    toolTracker_ = TrackerForTool(tool);
  } else {
    toolTracker_ = nullptr;
  }
  if (tool == previousTool_ && argument == previousToolArgument_) return;
  const std::vector<TLink*> observers = ViewObjects();
  for (TLink* object : observers) {
    if (auto* observer = dynamic_cast<TToolObserver*>(object))
      observer->ToolChanged(tool, argument);
  }
}

void TWorldDoc::SetToolTrackerMaker(ToolTrackerMaker maker) {
  toolTrackerMaker_ = std::move(maker);
  toolTracker_ = nullptr;
  toolTrackers_.clear();
}

TCommandCore* TWorldDoc::TrackerForTool(int16_t tool) {
  for (const ToolTrackerEntry& entry : toolTrackers_)
    if (entry.tracker->GetCommandNumber() == tool) return entry.tracker.get();
  std::unique_ptr<TObjectReader> reader;
  try {
    reader = ReadObjectsFromResource(tool, this, nullptr, nullptr);
    if (reader) reader->Complete(0);
  } catch (const QVException& failure) {
    if (failure.error() == kErrOutOfMemory) throw;
    ThrowFailure(kErrNoToolTracker, 0);
  }
  const std::vector<TLink*> objects = reader ? reader->Table().Objects() : std::vector<TLink*>{};
  if (objects.empty() || objects.front() == nullptr || !toolTrackerMaker_)
    ThrowFailure(kErrNoToolTracker, 0);
  TLink* const prototype = objects.front();
  std::unique_ptr<TCommandCore> tracker = toolTrackerMaker_(*prototype, tool, *reader);
  if (!tracker) ThrowFailure(kErrNoToolTracker, 0);
  TCommandCore* answer = tracker.get();
  // Kept in the order of their command numbers.
  const auto at = std::find_if(
      toolTrackers_.begin(), toolTrackers_.end(),
      [tool](const ToolTrackerEntry& entry) { return entry.tracker->GetCommandNumber() > tool; });
  toolTrackers_.insert(at, ToolTrackerEntry{std::move(tracker), std::move(reader)});
  return answer;
}

std::unique_ptr<TCommandCore> TWorldDoc::TakeToolTracker(TCommandCore* tracker) {
  toolTracker_ = nullptr;
  const auto at = std::find_if(
      toolTrackers_.begin(), toolTrackers_.end(),
      [tracker](const ToolTrackerEntry& entry) { return entry.tracker.get() == tracker; });
  if (tracker == nullptr || at == toolTrackers_.end()) return nullptr;
  std::unique_ptr<TCommandCore> taken = std::move(at->tracker);
  spentPrototypes_.push_back(std::move(at->prototypes));
  toolTrackers_.erase(at);
  return taken;
}
