#pragma once
// What a document's script object hands out of its world: the world's lists as scripts see them,
// read anew at every call, and the script objects of world objects and lists. The object
// classes that stand for bodies, points, constraints, inputs and outputs install their makers;
// until they do, plain world-object and list objects stand in, so that the document's members
// work on every kind.

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

struct TWorldScriptMakers {
  // The world object's script object below the document object (made once, then the same);
  // null when the object has none.
  TAPIDispatcher* (*object)(TLink& object, TAPIDispatcher* document) = nullptr;
  // A new collection over the world's list below the document object, holding one reference
  // for it.
  TAPIDispatcher* (*collection)(TWorldList list, TAPIDispatcher* document) = nullptr;
  // The world object a script object of kind "APLi" stands for; null when it has gone.
  TLink* (*target)(TAPIDispatcher* object) = nullptr;
  // The world object goes: its script object lets it go (cut loose while scripts hold it).
  void (*forget)(TLink& object, TAPIDispatcher* document) = nullptr;
};
// The makers in use: those installed, else the stand-ins.
const TWorldScriptMakers& WorldScriptMakers();
void SetWorldScriptMakers(const TWorldScriptMakers& makers);

// The stand-in for a world object: bound to it, a child of the document object.
class TAPIObjectStandIn : public TAPIDispatcher {
  DECLARE_DYNAMIC(TAPIObjectStandIn)

 public:
  TAPIObjectStandIn(TAPICallLog* callLog, TLink* object, TAPIDispatcher* document);
  bool IsKindOfTag(uint32_t tag) const override;
  const Str31& GetClassName() const override;
  TLink* Object() const { return static_cast<TLink*>(target()); }
};

// The stand-in collection: Count and Item over one of the world's lists, through the document
// object it belongs to, so that it fails with code 1 once the document has gone.
class TAPIListStandIn : public TAPIDispatcher {
  DECLARE_DYNAMIC(TAPIListStandIn)

 public:
  static constexpr uint32_t kTag = MakeTag("APLC");

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
