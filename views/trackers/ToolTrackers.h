#pragma once
// The trackers that the prototype objects of tools make. A tool's object resource holds a
// prototype; asked for a tracker, the world finds the maker registered for the prototype's class
// (or the nearest of its bases) and lets it make the tracker for the tool, the world's main view
// and the world. The folders of the objects register their makers at start-up.

#include <cstdint>
#include <memory>

class TActionContext;
class TCommandCore;
class TLink;
class TObjectReader;
class TTrackerView;

using ToolTrackerFactory = std::unique_ptr<TCommandCore> (*)(TLink& prototype, int16_t tool,
                                                             TTrackerView* view,
                                                             TActionContext* world,
                                                             TObjectReader& reader);

// Registers the maker for objects of the class and of classes derived from it; null removes it.
void RegisterToolTracker(int16_t classId, ToolTrackerFactory factory);
// The tracker that the prototype makes for the tool, or null when no maker is registered for
// its class or the maker makes none.
std::unique_ptr<TCommandCore> MakeToolTracker(TLink& prototype, int16_t tool, TTrackerView* view,
                                              TActionContext* world, TObjectReader& reader);
