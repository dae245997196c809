#pragma once
// Profile files: sections of "key=value" lines. The application's profile is one such file
// (SetProfileFile); the private-profile calls name their file. Writing reads the whole file,
// changes it and writes it to a new file beside it that then replaces it, so a failure never
// leaves half a file. Section and key names compare without regard to ASCII case.

#include <cstdint>
#include <string>

#include "platform/win32/WindowTypes.h"

// The application's profile file; until set, the profile calls answer their defaults and write
// nothing.
void SetProfileFile(const std::string& path);
const std::string& GetProfileFile();

// The directory where files named without a folder (private profiles such as "YB.INI", the
// preferences document) live: the program's configuration directory. Until set, the folder of
// the application's profile file; empty when neither is set.
void SetWindowsDirectory(const std::string& path);
std::string GetWindowsDirectory();

UINT GetProfileInt(const char* section, const char* key, int32_t fallback);
std::string GetProfileString(const char* section, const char* key, const char* fallback);
// A null value removes the key; false when the file could not be written.
BOOL WriteProfileString(const char* section, const char* key, const char* value);
BOOL WriteProfileInt(const char* section, const char* key, int32_t value);

std::string GetPrivateProfileString(const char* section, const char* key, const char* fallback,
                                    const std::string& path);
BOOL WritePrivateProfileString(const char* section, const char* key, const char* value,
                               const std::string& path);
