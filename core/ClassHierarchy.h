#pragma once
// The class hierarchy table: every class identifier with its parent, for kind-of tests on
// identifiers alone (stored class codes, whole selections). It comes from the 'HIER' resource
// (id 10): a 16-bit count N in host order, then N + 1 pairs of 16-bit values (class identifier,
// parent identifier); the root's parent is 0.

#include <cstdint>

#include "core/Handle.h"

inline constexpr int16_t kClassHierarchyResourceId = 10;

// Loads 'HIER' id 10 and keeps it until FreeClassHierarchy. A missing or malformed resource
// raises -108 and leaves no table.
void LoadClassHierarchy();
// Takes over a handle holding a table in the resource's layout (any table held before is
// released). A table whose pairs do not fit in the handle is refused with -108 and the handle
// is freed.
void AdoptClassHierarchy(Handle table);
// Releases the table; later kind-of tests answer for identical identifiers only.
void FreeClassHierarchy();
// True while a table is held.
bool IsClassHierarchyLoaded();

// True when classId is ancestorId or descends from it through the table. An identifier that
// the table does not list ends the walk with false.
bool IsDescendantClassID(int16_t classId, int16_t ancestorId);
// The parent from the first pair that lists classId, or 0.
int16_t ParentClassId(int16_t classId);
// b, or the nearest ancestor of b of which a is a kind; 0 when there is none.
int16_t CommonBaseClassId(int16_t a, int16_t b);
// a when a is b or a kind of b, else b.
int16_t NarrowerClassId(int16_t a, int16_t b);
