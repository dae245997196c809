#pragma once
// What a document's script object hands out of its world: the world's lists as scripts see them,
// read anew at every call, the script objects of world objects and the collections over the
// lists. Bodies, points, constraints, inputs and outputs have collections of their own kind;
// the selection a plain list collection.

#include <cstdint>
#include <vector>

#include "core/Tag.h"
#include "scripting/host/APIDispatcher.h"

class TAPICallContext;
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

// A collection over one of the world's lists that has no collection class of its own (the
// selection), through the document object it belongs to, so that it fails with
// code 1 once the document has gone. Its tag is its own: the object library's collection
// members refuse it (999) rather than taking it for one of theirs.
class TAPIListStandIn : public TAPIDispatcher {
  DECLARE_DYNAMIC(TAPIListStandIn)

 public:
  static constexpr uint32_t kTag = MakeTag("APDL");

  TAPIListStandIn(TAPICallLog* callLog, TWorldList list, TAPIDispatcher* document);
  bool IsKindOfTag(uint32_t tag) const override;
  const Str31& GetClassName() const override;

  TWorldList List() const { return list_; }
  APIResult Count(int32_t* count);
  // The element at the 1-based index; null outside 1..count.
  APIResult Item(int16_t index, TAPIDispatcher** item);

 private:
  // The world while the document lives; null (and code 1) otherwise.
  TWorldDoc* World(TAPICallContext& context);
  TWorldList list_;
};
