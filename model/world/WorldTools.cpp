#include "core/Failure.h"
#include "model/world/WorldDoc.h"
#include "model/world/WorldParticipants.h"

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
  // Objects cannot be made or rotated while they move.
  if (tool == kRotateTool || IsCreationTool(tool)) StopRunning();
  if (tool == previousTool_ && argument == previousToolArgument_) return;
  const std::vector<TLink*> observers = ViewObjects();
  for (TLink* object : observers) {
    if (auto* observer = dynamic_cast<TToolObserver*>(object)) observer->ToolChanged(tool, argument);
  }
}
