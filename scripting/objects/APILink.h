#pragma once
// The script object of a world object (YBObject) and the collection of a world's objects
// (YBObjectCollection). Every other world object's script object derives from TAPILink.

#include <cstdint>

#include "scripting/host/APIDispatcher.h"

class TLink;

class TAPILink : public TAPIDispatcher {
  DECLARE_DYNAMIC(TAPILink)

 public:
  static constexpr uint32_t kTag = MakeTag("APLi");

  // Unbound.
  TAPILink();
  // Bound to the world object; a parent takes the new object as its child.
  TAPILink(TAPICallLog* callLog, TLink* target, TAPIDispatcher* parent);
  // The world object, when it still lives, makes a new one on the next request.
  ~TAPILink() override;

  bool IsKindOfTag(uint32_t tag) const override;
  const Str31& GetClassName() const override;
  // The kind name of the object: "link" for any world object; the item classes answer their
  // own. "undefined" with code 1 when the world object is gone.
  virtual APIResult GetTypeName(Str63& name);

  TLink* Link() const { return static_cast<TLink*>(target()); }

  APIResult GetName(Str255& name);
  APIResult SetName(const Str255& name);
  APIResult GetID(int16_t& id);
  APIResult GetShown(bool& shown);
  APIResult SetShown(bool shown);
  APIResult GetNameShown(bool& shown);
  APIResult SetNameShown(bool shown);
  // "body", "point", "constraint", "input" or "output".
  APIResult GetKind(Str63& kind);
  // The frame of a control, in pixels.
  APIResult GetFrameValue(uint32_t tag, int16_t& value);
  APIResult SetFrameValue(uint32_t tag, int16_t value);

 protected:
  // The world object when it is of the class, else null.
  TLink* TargetOfClass(int16_t classID) const;

 private:
  APIResult GetFlag(uint32_t tag, bool& value);
  APIResult SetFlag(uint32_t tag, bool value);
};

class TAPILinkCollection : public TAPICollection {
  DECLARE_DYNAMIC(TAPILinkCollection)

 public:
  static constexpr uint32_t kTag = MakeTag("APLC");

  // Over the list (the world itself, or a selection), read anew on every call.
  TAPILinkCollection(TAPICallLog* callLog, TList* list, TAPIDispatcher* parent);

  bool IsKindOfTag(uint32_t tag) const override;
  const Str31& GetClassName() const override;
  TAPIDispatcher* WrapItem(TObject* element) override;
  // Over the world: its visible objects; over any other list: every element.
  APIResult Count(int32_t* count) override;
  // The index-th visible object.
  APIResult Item(int16_t index, TAPIDispatcher** item) override;
  // The index-th object of the kind named by the tag ("mass", "poin", "UICn", "inpt", "oupt").
  APIResult ItemOfKind(int16_t index, uint32_t kindTag, TAPIDispatcher** item);

  // The objects that Count and Item show: bodies, built-in constraints, points (no centre of
  // mass, not the identifier 10012), inputs and meters, with a nonzero identifier.
  static bool IsScriptVisibleObject(const TObject* object);
};
