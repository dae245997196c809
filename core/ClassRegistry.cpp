#include "core/ClassRegistry.h"

#include <memory>
#include <vector>

#include "core/TObject.h"

namespace {

// While registering, records sit in an unbalanced binary search tree on the tag.
struct Node {
  TClassInfo info;
  std::unique_ptr<Node> greater;
  std::unique_ptr<Node> smaller;
};

struct Registry {
  std::unique_ptr<Node> root;
  int32_t registered = 0;
  bool frozen = false;
  // The frozen table, sorted by tag in descending unsigned order.
  std::vector<TClassInfo> table;
  // The probe exponent: floor(log2(count)), -1 for an empty table.
  int32_t probeExponent = -1;
  // The translation tables, sized from the count.
  std::vector<uint32_t> tagsFrom;
  std::vector<uint32_t> tagsTo;
};

Registry& TheRegistry() {
  static Registry registry;
  return registry;
}

// Greater tags first, so the table comes out descending.
void CollectInOrder(std::unique_ptr<Node>& node, std::vector<TClassInfo>& out) {
  if (!node) return;
  CollectInOrder(node->greater, out);
  out.push_back(std::move(node->info));
  CollectInOrder(node->smaller, out);
  node.reset();
}

// The index of tag in the frozen table, or -1. Probes from 2^k - 1 with halving steps, moving
// toward smaller tags (higher indices) while the probed tag is not smaller than the key.
int32_t FindIndex(uint32_t tag) {
  const Registry& registry = TheRegistry();
  const auto count = static_cast<int32_t>(registry.table.size());
  if (registry.probeExponent < 0) return -1;
  int32_t probe = (1 << registry.probeExponent) - 1;
  for (int32_t step = registry.probeExponent > 0 ? 1 << (registry.probeExponent - 1) : 0; step >= 1;
       step /= 2) {
    if (probe < count && registry.table[probe].tag >= tag) {
      if (registry.table[probe].tag == tag) return probe;
      probe += step;
    } else {
      probe -= step;
    }
  }
  return probe >= 0 && probe < count && registry.table[probe].tag == tag ? probe : -1;
}

}  // namespace

void RegisterClassInfo(const Str255& name, uint32_t tag, int16_t classId, ClassFactory factory,
                       uint32_t instanceSize) {
  Registry& registry = TheRegistry();
  if (factory == nullptr || registry.frozen) return;
  std::unique_ptr<Node>* link = &registry.root;
  while (*link) {
    const uint32_t nodeTag = (*link)->info.tag;
    if (nodeTag == tag) return;
    link = nodeTag < tag ? &(*link)->greater : &(*link)->smaller;
  }
  *link = std::make_unique<Node>();
  (*link)->info =
      TClassInfo{std::string(name.Chars(), name.Length()), tag, factory, instanceSize, classId};
  ++registry.registered;
}

void FreezeClassRegistry() {
  Registry& registry = TheRegistry();
  if (registry.frozen) return;
  registry.table.reserve(registry.registered);
  CollectInOrder(registry.root, registry.table);
  registry.probeExponent = -1;
  for (auto count = registry.table.size(); count > 0; count /= 2)
    ++registry.probeExponent;
  registry.tagsFrom.clear();
  for (const TClassInfo& info : registry.table)
    registry.tagsFrom.push_back(info.tag);
  registry.tagsTo = registry.tagsFrom;
  registry.frozen = true;
}

void FreeClassRegistry() {
  TheRegistry() = Registry();
}

bool IsClassRegistryFrozen() {
  return TheRegistry().frozen;
}

TObject* CreateObjectByTag(uint32_t tag) {
  const int32_t index = FindIndex(tag);
  return index < 0 ? nullptr : TheRegistry().table[index].factory();
}

int16_t ClassIdFromTag(uint32_t tag) {
  const int32_t index = FindIndex(tag);
  return index < 0 ? -1 : TheRegistry().table[index].classId;
}

uint32_t InstanceSizeFromTag(uint32_t tag) {
  const int32_t index = FindIndex(tag);
  return index < 0 ? 0 : TheRegistry().table[index].instanceSize;
}

uint32_t ClassTagOfObject(const TObject* object) {
  constexpr uint32_t kNone = 0xFFFFFFFF;
  if (object == nullptr) return kNone;
  const int16_t classId = object->GetClassIDAt(0);
  if (classId == 0) return kNone;
  for (const TClassInfo& info : TheRegistry().table) {
    if (info.classId == classId) return info.tag;
  }
  return kNone;
}

uint32_t ClassTagFromName(const Str255& name) {
  const std::string text(name.Chars(), name.Length());
  for (const TClassInfo& info : TheRegistry().table) {
    if (info.name == text) return info.tag;
  }
  return 0;
}

uint32_t MapClassTag(uint32_t tag) {
  const Registry& registry = TheRegistry();
  for (size_t i = 0; i < registry.tagsFrom.size(); ++i) {
    if (registry.tagsFrom[i] == tag) return registry.tagsTo[i];
  }
  return tag;
}

std::span<const uint32_t> RegisteredClassTags() {
  return TheRegistry().tagsFrom;
}

int32_t ClassRegistryCount() {
  return static_cast<int32_t>(TheRegistry().table.size());
}

const TClassInfo& ClassInfoAt(int32_t index) {
  return TheRegistry().table.at(index);
}
