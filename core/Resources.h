#pragma once
// Typed resources in the toolbox manner: a four-character type and a 16-bit id, looked up in
// the program's three resource libraries (main, second, error texts, searched in that order)
// and handed to the caller as a memory handle holding a copy of the bytes. Indexed strings
// (item n of string list id) come from "STRD" lists, with the string table as the fallback.

#include <cstdint>

#include "core/Handle.h"
#include "core/PString.h"
#include "core/geometry/CursorHolder.h"
#include "platform/win32/Resource.h"

// The module handles of the three libraries, stored at start-up.
void SetResourceModule1(HMODULE module);
void SetResourceModule2(HMODULE module);
void SetResourceModule3(HMODULE module);
HMODULE GetResourceModule1();
HMODULE GetResourceModule2();
HMODULE GetResourceModule3();

// A new handle holding a copy of the resource of that type and id, from the first library that
// has it; null when none has it (or the heap refuses the copy).
Handle GetResourceHandle(uint32_t typeTag, int16_t id);
void ReleaseResourceHandle(Handle handle);

// Item index (1-based; 0 and below mean the first) of "STRD" list id. A "STRD" list is a
// 16-bit count in big-endian order, then that many counted strings back to back. When the list
// is missing, too short for the item or malformed, the string-table entry list + index (a
// 16-bit sum) is used instead, if there is one; otherwise out is left as it was, except that
// a missing list empties it. Trailing NULs of an item are dropped.
void GetIndString(Str255& out, int16_t list, int16_t index);
void LookupIndString(Str255& out, int16_t list, int16_t index);
// The string-table entry list + index (a 16-bit sum) of the main library, at most 255
// characters; empty when there is none.
void QV_GetIndString(Str255& out, int16_t list, int16_t index);

// Makes the window layer's cursor loading find cursors in the resource modules: a module holds
// cursor id when it holds a cursor group of that id. Installed at start-up, before any cursor
// of the resources is loaded.
void InstallCursorResourceProbe();

// Loads cursor id into the holder: from the main library; failing that, the id moved by 26000
// (up when id < 26001, else down) from the first module that holds a cursor group of it;
// failing that, the standard arrow, recorded as id 0 with the standard flag set. A cursor from
// the resources is recorded with its id (the one that loaded) and the standard flag clear.
void LoadCursorWithFallback(TCursorHolder& holder, uint16_t id);
