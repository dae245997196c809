#pragma once
// The root of the framework's class tree: every object can name its run-time class, and run-time
// classes know their base, so membership tests work without compiler type information.

#include <cstddef>
#include <cstdint>

class CObject;

struct CRuntimeClass {
  const char* m_lpszClassName;
  int32_t m_nObjectSize;
  uint32_t m_wSchema;
  CObject* (*m_pfnCreateObject)();
  const CRuntimeClass* m_pBaseClass;

  // True when this class is the given class or derives from it.
  bool IsDerivedFrom(const CRuntimeClass* base) const;
  // A new instance, or null when the class has no create function.
  CObject* CreateObject() const;
};

class CObject {
 public:
  virtual ~CObject() = default;
  virtual const CRuntimeClass* GetRuntimeClass() const;
  bool IsKindOf(const CRuntimeClass* cls) const;

  static const CRuntimeClass classCObject;

 protected:
  CObject() = default;
  CObject(const CObject&) = default;
  CObject& operator=(const CObject&) = default;
};

#define RUNTIME_CLASS(class_name) (&class_name::class##class_name)

// Inside a class body: declares its run-time class record.
#define DECLARE_DYNAMIC(class_name)                                 \
 public:                                                            \
  static const CRuntimeClass class##class_name;                     \
  const CRuntimeClass* GetRuntimeClass() const override;

// In one source file: defines the record, with no create function.
#define IMPLEMENT_DYNAMIC(class_name, base_class_name)                                    \
  const CRuntimeClass class_name::class##class_name = {                                   \
      #class_name, static_cast<int32_t>(sizeof(class_name)), 0xFFFF, nullptr,             \
      RUNTIME_CLASS(base_class_name)};                                                    \
  const CRuntimeClass* class_name::GetRuntimeClass() const { return RUNTIME_CLASS(class_name); }

// Inside a class body: a run-time class whose objects can be made by name (CreateObject).
#define DECLARE_DYNCREATE(class_name) \
  DECLARE_DYNAMIC(class_name)         \
  static CObject* CreateObject();

// In one source file: the record with a create function, which needs a default constructor.
#define IMPLEMENT_DYNCREATE(class_name, base_class_name)                                  \
  CObject* class_name::CreateObject() { return new class_name; }                          \
  const CRuntimeClass class_name::class##class_name = {                                   \
      #class_name, static_cast<int32_t>(sizeof(class_name)), 0xFFFF,                      \
      class_name::CreateObject, RUNTIME_CLASS(base_class_name)};                          \
  const CRuntimeClass* class_name::GetRuntimeClass() const { return RUNTIME_CLASS(class_name); }
