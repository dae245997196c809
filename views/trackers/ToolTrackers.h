#pragma once
// The trackers of the creation tools: each tool's new object is read from the object resource
// numbered by the tool, and the object's kind decides the tracker that gives it its place and
// size.

#include <array>
#include <cstdint>
#include <memory>

class TActionContext;
class TCommandCore;
class TLink;
class TObjectReader;
class TTrackerView;

// The creation tools of bodies, points and lines that the Tools menu offers, each numbered by
// its object's kind resource: rectangle, square, circle, polygon, curved polygon, point, locked
// point, anchor, line.
inline constexpr std::array<int16_t, 9> kObjectTools = {2503, 2502, 2500, 2511, 2557,
                                                        2505, 2540, 2534, 2549};

// The constraint tools, each numbered by its kind's template: pin, rod, rope, spring, damper,
// spring-damper, rotational spring, rotational damper, horizontal slot, curved slot, gear pair,
// motor, actuator, force, torque, welded pin.
inline constexpr std::array<int16_t, 16> kConstraintTools = {2524, 2504, 2508, 2509, 2516,
                                                             2543, 2518, 2517, 2526, 2546,
                                                             2552, 2513, 2512, 2506, 2507,
                                                             2523};

// The cursor over the view while the tool is current: the point tools show where the point
// goes; 0 for the standard arrow.
uint16_t ToolCursor(int16_t tool);

// A missing resource, or one whose object has no tracker of its own.
inline constexpr int16_t kErrNoToolTracker = -25005;

// The tracker that makes the tool's object at the next press; fails with -25005 when the tool
// makes no object that a tracker places.
std::unique_ptr<TCommandCore> MakeToolTracker(int16_t tool, TTrackerView* view,
                                              TActionContext* world);

// The tracker of a tool whose object is a gadget of the window (a block of text), which the
// gadgets install: null when the object is none of theirs, else it takes the reader.
using GadgetToolTrackerMaker = std::unique_ptr<TCommandCore> (*)(
    int16_t tool, TTrackerView* view, TActionContext* world,
    std::unique_ptr<TObjectReader>& placed, TLink& object);
void SetGadgetToolTrackerMaker(GadgetToolTrackerMaker maker);
// Further makers of gadget trackers, asked in turn after that one; adding one twice keeps one.
void AddGadgetToolTrackerMaker(GadgetToolTrackerMaker maker);
void RemoveGadgetToolTrackerMaker(GadgetToolTrackerMaker maker);

