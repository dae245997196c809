#pragma once
// The trackers of the creation tools: each tool's new object is read from the object resource
// numbered by the tool, and the object's kind decides the tracker that gives it its place and
// size.

#include <cstdint>
#include <memory>

class TActionContext;
class TCommandCore;
class TTrackerView;

// A missing resource, or one whose object has no tracker of its own.
inline constexpr int16_t kErrNoToolTracker = -25005;

// The tracker that makes the tool's object at the next press; fails with -25005 when the tool
// makes no object that a tracker places.
std::unique_ptr<TCommandCore> MakeToolTracker(int16_t tool, TTrackerView* view,
                                              TActionContext* world);
