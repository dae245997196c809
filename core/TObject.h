#pragma once
// The root of the program's own classes. The program does not rely on compiler type
// information: every class answers two questions about 16-bit class identifiers instead, whether
// it is a member of class N and which identifier it has at inheritance depth d. The root adds
// freeing and a kind-of test through the class hierarchy table, which answers for identifiers
// alone (whole selections, stored class codes).

#include <cstdint>

#include "platform/mfc/CObject.h"

// Inside the body of every class below TObject: its identifier and the two identity answers,
// generated in the same shape for every class (own identifier first, otherwise the base's
// answer). Example: DECLARE_CLASS_ID(322, TDynamicArray). Leaves the class body public.
#define DECLARE_CLASS_ID(class_id, base_class)                          \
 public:                                                                \
  static constexpr int16_t kClassID = (class_id);                       \
  bool IsMemberClass(int16_t id) const override {                       \
    return id == kClassID || base_class::IsMemberClass(id);             \
  }                                                                     \
  int16_t GetClassIDAt(int16_t depth) const override {                  \
    return depth == 0 ? kClassID : base_class::GetClassIDAt(depth - 1); \
  }

class TObject : public CObject {
  DECLARE_DYNAMIC(TObject)

 public:
  static constexpr int16_t kClassID = 257;

  TObject() = default;
  ~TObject() override = default;

  // True when id is this class's identifier or that of one of its bases.
  virtual bool IsMemberClass(int16_t id) const;
  // The identifier at inheritance depth d: own at 0, the base's at 1, ...; 0 above the root.
  virtual int16_t GetClassIDAt(int16_t depth) const;
  // Destroys the object. Only for objects created with new.
  virtual void Free();
  // The identifier at depth 0.
  virtual int16_t GetClassID() const;
  // Kind-of test through the class hierarchy table rather than the compiled chain.
  virtual bool IsKindOfClassID(int16_t id) const;

  // The root's part of initialisation: nothing. Derived initialisers call it first.
  void Initialize() {}

 protected:
  TObject(const TObject&) = default;
  TObject& operator=(const TObject&) = default;
};

// False for a null object, else whether it is a member of class id.
bool IsKindOfSafe(const TObject* object, int16_t id);
// Deletes the object when there is one. A failure raised while it is destroyed is dropped: the
// object is gone either way and the caller is usually cleaning up after another failure.
void SafeDelete(TObject* object);
