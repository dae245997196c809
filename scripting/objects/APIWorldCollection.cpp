#include "scripting/objects/APIWorldCollection.h"

#include "model/world/WorldDoc.h"
#include "scripting/host/CallFrame.h"

IMPLEMENT_DYNAMIC(TAPIWorldCollection, TAPICollection)

TAPIWorldCollection::TAPIWorldCollection(TAPICallLog* callLog, TWorldDoc* world,
                                         TAPIDispatcher* parent, uint32_t tag)
    : TAPICollection(world) {
  SetCallLog(callLog);
  AttachToParent(parent);
  SetTag(tag);
}

TWorldDoc* TAPIWorldCollection::World() const {
  return static_cast<TWorldDoc*>(List());
}

std::vector<TLink*> TAPIWorldCollection::Elements() const {
  std::vector<TLink*> elements;
  if (World() == nullptr) return elements;
  for (TLink* object : World()->Objects())
    if (object != nullptr && Holds(*object)) elements.push_back(object);
  return elements;
}

APIResult TAPIWorldCollection::Count(int32_t* count) {
  TAPICallContext context(this, "");
  *count = 0;
  if (bound() || World() == nullptr) return context.Result();
  *count = VisibleCount(static_cast<int32_t>(Elements().size()));
  return context.Result();
}

APIResult TAPIWorldCollection::Item(int16_t index, TAPIDispatcher** item) {
  TAPICallContext context(this, "");
  *item = nullptr;
  if (bound() || World() == nullptr) return context.Result();
  const std::vector<TLink*> elements = Elements();
  const int32_t count = VisibleCount(static_cast<int32_t>(elements.size()));
  if (index >= 1 && index <= count) *item = WrapItem(elements[static_cast<size_t>(index) - 1]);
  return context.Result();
}

TAPIDispatcher* TAPIWorldCollection::WrapAs(TObject* element, int16_t classID, uint32_t kindTag,
                                            bool exact) {
  if (!IsKindOfSafe(element, classID)) return nullptr;
  auto* object = static_cast<TAPIDispatcher*>(static_cast<TLink*>(element)->GetAPIObject(parent()));
  if (object == nullptr) return nullptr;
  return (exact ? object->HasTag(kindTag) : object->IsKindOfTag(kindTag)) ? object : nullptr;
}
