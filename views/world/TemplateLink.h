#pragma once
// Prototype objects kept as resources: a tool or command reads the objects of a template
// resource and keeps the first one.

#include <cstdint>
#include <memory>

class TLink;

// The first object of the template resource with the id, read into the container and owned by
// the caller; the other objects read with it are freed. Null when the resource holds no object;
// a missing or damaged resource raises its failure.
std::unique_ptr<TLink> LoadTemplateLink(int16_t id, TLink* container);
