#include "views/world/TemplateLink.h"

#include <utility>
#include <vector>

#include "model/Link.h"
#include "model/filing/ObjectReader.h"

std::unique_ptr<TLink> LoadTemplateLink(int16_t id, TLink* container) {
  std::unique_ptr<TObjectReader> reader = ReadDefaultObjects(id, container);
  std::vector<std::unique_ptr<TLink>> objects = reader->TakeObjects();
  if (objects.empty()) return nullptr;
  return std::move(objects.front());
}
