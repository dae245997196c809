#pragma once
// What a document's script object hands out of its world: the world's lists as scripts see them,
// read anew at every call, the script objects of world objects and the collections over the
// lists, each of its own kind.

#include <cstdint>
#include <vector>

#include "core/Tag.h"
#include "scripting/host/APIDispatcher.h"

class TLink;
class TWorldDoc;

// The lists, in the order of the document object's collection slots; masses are the bodies with
// the background body.
enum class TWorldList : int16_t {
  kSelection,
  kObjects,
  kBodies,
  kPoints,
  kConstraints,
  kInputs,
  kOutputs,
  kMasses,
};
inline constexpr int kCollectionSlots = 7;

// The world's objects of the list, in the world's order.
std::vector<TLink*> WorldListOf(TWorldDoc& world, TWorldList list);
// True when the object is one of the world's objects. The address is compared, never read, so
// it may be one that has gone.
bool WorldHolds(TWorldDoc& world, const TLink* object);

// Tag of every script object that stands for a world object.
inline constexpr uint32_t kWorldObjectTag = MakeTag("APLi");

// The world object's script object, kept by the world object and made below the document
// object on the first request; null when the object has none.
TAPIDispatcher* ScriptObjectOf(TLink& object, TAPIDispatcher* document);
// The world object a script object of kind "APLi" stands for; null for any other object.
TLink* WorldObjectOf(TAPIDispatcher* object);
// A new collection over the world's list below the document object, holding one reference
// for it.
TAPIDispatcher* MakeWorldCollection(TWorldList list, TWorldDoc& world, TAPIDispatcher* document);
