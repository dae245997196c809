#pragma once
// The linkage builder: turns a linkage file (docs/linkage-file.md) describing a four-bar linkage
// with a tracer point into a text world: three link bodies (input, middle with the tracer,
// output), their named points, a motor turning the input link about the driver point, and pins
// joining the links in a chain back to the ground point. The driver and ground points are fixed
// in the world, so the linkage turns about them. Every read of the file is bounded by its
// length.

#include <cstdint>
#include <span>

#include "core/Handle.h"
#include "core/MacTypes.h"

// A linkage whose points all lie in one place.
inline constexpr int16_t kErrLinkageFlat = -25202;

// Whether the bytes hold a title record the builder takes.
bool IsLinkageFile(std::span<const uint8_t> bytes);

// Writes the world text of the linkage into the handle, with a view that fills a window of the
// size. Raises -25002 for a file without a title record or without its three links, and -25202
// for a linkage whose points all lie in one place; the handle is then left empty.
void BuildLinkage(std::span<const uint8_t> bytes, Handle handle, MacPoint windowSize);
