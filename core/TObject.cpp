#include "core/TObject.h"

#include "core/ClassHierarchy.h"

IMPLEMENT_DYNAMIC(TObject, CObject)

bool TObject::IsMemberClass(int16_t id) const {
  return id == kClassID;
}

int16_t TObject::GetClassIDAt(int16_t depth) const {
  return depth == 0 ? kClassID : 0;
}

void TObject::Free() {
  delete this;
}

int16_t TObject::GetClassID() const {
  return GetClassIDAt(0);
}

bool TObject::IsKindOfClassID(int16_t id) const {
  return IsDescendantClassID(GetClassID(), id);
}

bool IsKindOfSafe(const TObject* object, int16_t id) {
  return object != nullptr && object->IsMemberClass(id);
}

void SafeDelete(TObject* object) {
  if (object == nullptr) return;
  try {
    delete object;
  } catch (...) {
    // Destructors are noexcept by default; one that is declared to throw and does so leaves
    // nothing to release here.
  }
}
