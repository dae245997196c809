#pragma once
// Small toolbox services: modifier and special keys held down now, the system beep, and the
// directory the program runs from.

#include <cstdint>

// True while the key is physically down. The command key and the control key are one key here.
bool IsShiftKeyDown();
bool IsCommandKeyDown();
bool IsControlKeyDown();
bool IsDecimalKeyDown();
bool IsEscapeKeyDown();

void SysBeep();

// Keeps the path up to and including its last backslash, or else its last colon, or else its
// last slash; the empty text when it has none.
void SetProgramDirectory(const char* path);
// Copies at most *length characters (no NUL is added) when a buffer is given, and answers the
// directory's length through *length.
void GetProgramDirectory(char* buffer, int32_t* length);
