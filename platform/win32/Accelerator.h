#pragma once
// Accelerator tables: keys that become menu commands. TranslateAccelerator turns a matching
// key-down into WM_COMMAND (high word 1) for the window, unless the command's menu item is
// disabled, in which case the key is swallowed.

#include <cstdint>
#include <span>

#include "platform/win32/Resource.h"
#include "platform/win32/WindowTypes.h"

inline constexpr BYTE FVIRTKEY = 0x01;
inline constexpr BYTE FNOINVERT = 0x02;
inline constexpr BYTE FSHIFT = 0x04;
inline constexpr BYTE FCONTROL = 0x08;
inline constexpr BYTE FALT = 0x10;

struct ACCEL {
  BYTE fVirt = 0;
  WORD key = 0;
  WORD cmd = 0;
};

HACCEL CreateAcceleratorTable(const ACCEL* entries, int32_t count);
BOOL DestroyAcceleratorTable(HACCEL table);
int32_t CopyAcceleratorTable(HACCEL table, ACCEL* out, int32_t capacity);
// A table from an ACCELERATORS resource (8-byte entries: flags, key, command, padding; the
// entry with flag 0x80 is the last), every length checked; null when malformed.
HACCEL LoadAcceleratorsIndirect(std::span<const uint8_t> resource);
// The ACCELERATORS resource of that name in a resource module; null when missing or malformed.
HACCEL LoadAccelerators(HMODULE module, LPCSTR name);
// The command a key message stands for in the table (its first matching entry), or 0.
WORD AcceleratorCommand(HACCEL table, const MSG* message);
int32_t TranslateAccelerator(HWND window, HACCEL table, const MSG* message);
