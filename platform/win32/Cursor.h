#pragma once
// Cursors: the standard shapes by their Win32 numbers and cursors of the program's resources.
// The current cursor goes to the presenter, which shows the nearest shape the desktop has.

#include <cstdint>
#include <functional>

#include "platform/win32/WindowTypes.h"

inline constexpr uintptr_t IDC_ARROW = 32512;
inline constexpr uintptr_t IDC_IBEAM = 32513;
inline constexpr uintptr_t IDC_WAIT = 32514;
inline constexpr uintptr_t IDC_CROSS = 32515;
inline constexpr uintptr_t IDC_UPARROW = 32516;
inline constexpr uintptr_t IDC_SIZENWSE = 32642;
inline constexpr uintptr_t IDC_SIZENESW = 32643;
inline constexpr uintptr_t IDC_SIZEWE = 32644;
inline constexpr uintptr_t IDC_SIZENS = 32645;
inline constexpr uintptr_t IDC_SIZEALL = 32646;
inline constexpr uintptr_t IDC_NO = 32648;
inline constexpr uintptr_t IDC_HAND = 32649;

// Without a module: a standard cursor (null for an unknown number). With one: the cursor `id`
// of that resource module, when the resource layer says it holds one.
HCURSOR LoadCursor(const void* module, uintptr_t id);
HCURSOR SetCursor(HCURSOR cursor);
HCURSOR GetCursor();
BOOL DestroyCursor(HCURSOR cursor);
// The display counter: the cursor shows while it is 0 or more.
int32_t ShowCursor(BOOL show);

// What a cursor handle stands for: the standard shape, or the resource id (and module).
struct CursorInfo {
  bool standard = true;
  uintptr_t id = IDC_ARROW;
  const void* module = nullptr;
};
bool DescribeCursor(HCURSOR cursor, CursorInfo* info);

// The resource layer answers whether a module holds cursor `id`.
using CursorResourceProbe = std::function<bool(const void* module, uintptr_t id)>;
void SetCursorResourceProbe(CursorResourceProbe probe);
