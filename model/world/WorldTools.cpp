#include <algorithm>
#include <utility>

#include "core/Failure.h"
#include "model/command/CommandCore.h"
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
  // A point marked for the old tool means nothing to the new one; vertex editing keeps it.
  if (tool != kRotateTool && pendingPointClearer_) pendingPointClearer_();
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
  for (const std::unique_ptr<TCommandCore>& waiting : toolTrackers_)
    if (waiting->GetCommandNumber() == tool) return waiting.get();
  if (!toolTrackerMaker_) ThrowFailure(kErrNoToolTracker, 0);
  std::unique_ptr<TCommandCore> tracker = toolTrackerMaker_(tool);
  if (!tracker) ThrowFailure(kErrNoToolTracker, 0);
  TCommandCore* answer = tracker.get();
  const auto at = std::find_if(toolTrackers_.begin(), toolTrackers_.end(),
                               [tool](const std::unique_ptr<TCommandCore>& waiting) {
                                 return waiting->GetCommandNumber() > tool;
                               });
  toolTrackers_.insert(at, std::move(tracker));
  return answer;
}

std::unique_ptr<TCommandCore> TWorldDoc::TakeToolTracker(TCommandCore* tracker) {
  toolTracker_ = nullptr;
  const auto at = std::find_if(
      toolTrackers_.begin(), toolTrackers_.end(),
      [tracker](const std::unique_ptr<TCommandCore>& waiting) { return waiting.get() == tracker; });
  if (tracker == nullptr || at == toolTrackers_.end()) return nullptr;
  std::unique_ptr<TCommandCore> taken = std::move(*at);
  toolTrackers_.erase(at);
  return taken;
}
