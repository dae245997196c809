#include "core/ClassHierarchy.h"

#include <cstring>

#include "core/Failure.h"
#include "core/Resources.h"
#include "core/Tag.h"

namespace {

struct ClassPair {
  int16_t classId;
  int16_t parentId;
};

// The handle of the loaded table and the number of pairs it holds (N + 1).
Handle gTable = nullptr;
uint32_t gPairCount = 0;

ClassPair PairAt(uint32_t index) {
  ClassPair pair;
  std::memcpy(&pair.classId, HandleData(gTable) + 2 + 4 * index, 2);
  std::memcpy(&pair.parentId, HandleData(gTable) + 4 + 4 * index, 2);
  return pair;
}

// Index of the first pair listing classId, or gPairCount.
uint32_t FindPair(int16_t classId) {
  for (uint32_t i = 0; i < gPairCount; ++i) {
    if (PairAt(i).classId == classId) return i;
  }
  return gPairCount;
}

}  // namespace

void LoadClassHierarchy() {
  FreeClassHierarchy();
  Handle table = GetResourceHandle(MakeTag("HIER"), kClassHierarchyResourceId);
  FailIfNull(table);
  AdoptClassHierarchy(table);
}

void AdoptClassHierarchy(Handle table) {
  FreeClassHierarchy();
  if (table == nullptr) ThrowFailure(kErrOutOfMemory, 0);
  const uint32_t size = GetHandleByteSize(table);
  uint16_t n = 0;
  if (size >= 2) std::memcpy(&n, HandleData(table), 2);
  const uint32_t pairs = static_cast<uint32_t>(n) + 1;
  if (size < 2 || (size - 2) / 4 < pairs) {
    FreeHandle(table);
    ThrowFailure(kErrOutOfMemory, 0);
  }
  gTable = table;
  gPairCount = pairs;
}

void FreeClassHierarchy() {
  if (gTable != nullptr) {
    UnlockHandle(gTable);
    FreeHandle(gTable);
  }
  gTable = nullptr;
  gPairCount = 0;
}

bool IsClassHierarchyLoaded() {
  return gTable != nullptr;
}

bool IsDescendantClassID(int16_t classId, int16_t ancestorId) {
  // A chain cannot be longer than the table without repeating itself, so a table with a cycle
  // ends the walk instead of looping for ever.
  uint32_t steps = 0;
  while (classId != ancestorId && classId != 0) {
    if (steps++ > gPairCount) return false;
    const uint32_t index = FindPair(classId);
    if (index == gPairCount) return false;
    classId = PairAt(index).parentId;
  }
  return classId == ancestorId;
}

int16_t ParentClassId(int16_t classId) {
  const uint32_t index = FindPair(classId);
  return index == gPairCount ? 0 : PairAt(index).parentId;
}

int16_t CommonBaseClassId(int16_t a, int16_t b) {
  uint32_t steps = 0;
  for (int16_t candidate = b; candidate != 0 && steps <= gPairCount; ++steps) {
    if (IsDescendantClassID(a, candidate)) return candidate;
    candidate = ParentClassId(candidate);
  }
  return 0;
}

int16_t NarrowerClassId(int16_t a, int16_t b) {
  return IsDescendantClassID(a, b) ? a : b;
}
