#pragma once
// The plain value types that windows, messages and device contexts share: integer widths of the
// Win32 interface, points, rectangles and the opaque handles of windows and menus. A handle is a
// number that is never reused, so a stale one is recognised instead of reaching freed memory.

#include <cstdint>

using BOOL = int32_t;
using BYTE = uint8_t;
using WORD = uint16_t;
using DWORD = uint32_t;
using LONG = int32_t;
using UINT = uint32_t;
using WPARAM = uintptr_t;
using LPARAM = intptr_t;
using LRESULT = intptr_t;
using LONG_PTR = intptr_t;
using UINT_PTR = uintptr_t;

#ifndef TRUE
#define TRUE 1
#define FALSE 0
#endif

struct POINT {
  int32_t x = 0;
  int32_t y = 0;
};

struct SIZE {
  int32_t cx = 0;
  int32_t cy = 0;
};

// Right and bottom edges are outside the rectangle.
struct RECT {
  int32_t left = 0;
  int32_t top = 0;
  int32_t right = 0;
  int32_t bottom = 0;
};

struct HWND__;
using HWND = HWND__*;
struct HMENU__;
using HMENU = HMENU__*;
struct HCURSOR__;
using HCURSOR = HCURSOR__*;
struct HACCEL__;
using HACCEL = HACCEL__*;

using WNDPROC = LRESULT (*)(HWND, UINT, WPARAM, LPARAM);
using TIMERPROC = void (*)(HWND, UINT, UINT_PTR, DWORD);

struct MSG {
  HWND hwnd = nullptr;
  UINT message = 0;
  WPARAM wParam = 0;
  LPARAM lParam = 0;
  DWORD time = 0;
  POINT pt;
};

constexpr WORD LOWORD(uintptr_t value) {
  return static_cast<WORD>(value & 0xFFFF);
}
constexpr WORD HIWORD(uintptr_t value) {
  return static_cast<WORD>((value >> 16) & 0xFFFF);
}
constexpr LPARAM MAKELPARAM(int32_t low, int32_t high) {
  return static_cast<LPARAM>(static_cast<int32_t>((static_cast<uint32_t>(high) << 16) |
                                                  (static_cast<uint32_t>(low) & 0xFFFF)));
}
constexpr LONG MAKELONG(int32_t low, int32_t high) {
  return static_cast<LONG>((static_cast<uint32_t>(high) << 16) |
                           (static_cast<uint32_t>(low) & 0xFFFF));
}
// Signed coordinates packed into a message's lParam.
constexpr int32_t GET_X_LPARAM(LPARAM value) {
  return static_cast<int16_t>(value & 0xFFFF);
}
constexpr int32_t GET_Y_LPARAM(LPARAM value) {
  return static_cast<int16_t>((value >> 16) & 0xFFFF);
}
