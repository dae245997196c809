#pragma once
// A collection of one kind of a world's objects, in the world's order, read anew on every call:
// the base of the body, point, constraint, input and meter collections.

#include <cstdint>
#include <vector>

#include "scripting/host/APIDispatcher.h"

class TLink;
class TWorldDoc;

class TAPIWorldCollection : public TAPICollection {
  DECLARE_DYNAMIC(TAPIWorldCollection)

 public:
  // Over the world's objects; a parent (the document's script object) takes it as its child and
  // is the parent of the script objects it hands out.
  TAPIWorldCollection(TAPICallLog* callLog, TWorldDoc* world, TAPIDispatcher* parent, uint32_t tag);

  APIResult Count(int32_t* count) override;
  APIResult Item(int16_t index, TAPIDispatcher** item) override;

  TWorldDoc* World() const;
  // The world's objects of the collection's kind.
  std::vector<TLink*> Elements() const;

 protected:
  virtual bool Holds(const TLink& object) const = 0;
  // The number of elements scripts see; all of them here.
  virtual int32_t VisibleCount(int32_t elements) const { return elements; }
  // The element's script object below the collection's parent when its tag passes.
  TAPIDispatcher* WrapAs(TObject* element, int16_t classID, uint32_t kindTag, bool exact);
};
