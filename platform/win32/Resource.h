#pragma once
// Resource modules. The program's resource libraries are compiled into the program as tables:
// each module is a list of resources named by type and name, where a type or a name is either a
// 16-bit integer or a text (compared without regard to ASCII case). A table is registered once
// under its library's file name; LoadResourceLibrary then hands out its module handle, and the
// usual calls find, load and size resources in it. Resource bytes are read-only.

#include <cstdint>

#include "platform/win32/WindowTypes.h"

struct HINSTANCE__;
using HINSTANCE = HINSTANCE__*;
using HMODULE = HINSTANCE;
struct HRSRC__;
using HRSRC = HRSRC__*;
using HGLOBAL = void*;
using LPCSTR = const char*;

// An integer type or name travels in a pointer whose value is below 0x10000.
inline LPCSTR MAKEINTRESOURCEA(uint16_t id) {
  return reinterpret_cast<LPCSTR>(static_cast<uintptr_t>(id));
}
inline bool IS_INTRESOURCE(LPCSTR name) {
  return (reinterpret_cast<uintptr_t>(name) >> 16) == 0;
}

#define RT_CURSOR MAKEINTRESOURCEA(1)
#define RT_BITMAP MAKEINTRESOURCEA(2)
#define RT_ICON MAKEINTRESOURCEA(3)
#define RT_MENU MAKEINTRESOURCEA(4)
#define RT_DIALOG MAKEINTRESOURCEA(5)
#define RT_STRING MAKEINTRESOURCEA(6)
#define RT_ACCELERATOR MAKEINTRESOURCEA(9)
#define RT_RCDATA MAKEINTRESOURCEA(10)
#define RT_GROUP_CURSOR MAKEINTRESOURCEA(12)
#define RT_GROUP_ICON MAKEINTRESOURCEA(14)

// One compiled resource. A null typeName means the type is typeId; likewise for the name.
struct ResourceEntry {
  const char* typeName;
  uint16_t typeId;
  const char* name;
  uint16_t nameId;
  const uint8_t* data;
  uint32_t size;
};

// The compiled table of one resource library.
struct ResourceModuleTable {
  const char* fileName;  // "ybdll.dll"
  const ResourceEntry* entries;
  uint32_t count;
};

// Makes a table known under its file name; the table must outlive its registration. A table
// registered again under the same name (ASCII case ignored) replaces the earlier one, whose
// module handle stops working.
void RegisterResourceModule(const ResourceModuleTable& table);
// Forgets the module of that name; its handle stops working.
void UnregisterResourceModule(const char* fileName);

// The module handle of a registered library, or null when no library of that name exists.
HMODULE LoadResourceLibrary(const char* fileName);
// Nothing to release: the tables are part of the program.
void FreeResourceLibrary(HMODULE module);
// The file name of a module, or null for a handle that names no registered module.
const char* GetResourceLibraryName(HMODULE module);

// The resource of that name and type in module, or null. A text name "#123" means the integer
// name 123, as a text type "#6" means type 6.
HRSRC FindResourceA(HMODULE module, LPCSTR name, LPCSTR type);
inline HRSRC FindResource(HMODULE module, LPCSTR name, LPCSTR type) {
  return FindResourceA(module, name, type);
}
// The first registered module, in registration order, that holds the resource; null if none.
HMODULE FindResourceModule(LPCSTR name, LPCSTR type);
// The loaded resource; null for a null or foreign resource handle.
HGLOBAL LoadResource(HMODULE module, HRSRC resource);
// The first byte of a loaded resource.
const void* LockResource(HGLOBAL loaded);
// The size in bytes; 0 for a null or foreign resource handle.
uint32_t SizeofResource(HMODULE module, HRSRC resource);
// Loaded resources need no release; answers FALSE as the system does.
BOOL FreeResource(HGLOBAL loaded);

// String-table entry id of module, as single-byte text: copies at most bufferMax - 1 characters
// and a NUL, and answers the number copied; 0 (and an empty buffer) when there is no such
// entry. The tables keep their strings in blocks of sixteen (block id / 16 + 1), each string a
// 16-bit length and that many UTF-16 units; a block that does not hold its sixteen strings
// within its size counts as missing.
int LoadStringA(HINSTANCE module, UINT id, char* buffer, int bufferMax);
inline int LoadString(HINSTANCE module, UINT id, char* buffer, int bufferMax) {
  return LoadStringA(module, id, buffer, bufferMax);
}
