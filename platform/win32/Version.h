#pragma once
// The program's version block: the VERSIONINFO resource 1 of a resource module, a tree of nodes
// (length, value length, kind, UTF-16 key, value, children, each at a multiple of four bytes).
// The block is copied out whole; its texts are looked up by path, every length checked.

#include <cstdint>
#include <string>

#include "platform/win32/Resource.h"

// The size of the module's version block; 0 when it has none.
uint32_t GetFileVersionInfoSize(HMODULE module);
// Copies the block into data (at most size bytes); false when there is none or it does not fit.
bool GetFileVersionInfo(HMODULE module, uint32_t size, void* data);
// The text under a path such as "\\StringFileInfo\\040904b0\\CompanyName", in the program's
// character set; false when the path names no text, or the block is malformed.
bool VerQueryValueText(const void* block, uint32_t size, const std::string& path,
                       std::string* text);
