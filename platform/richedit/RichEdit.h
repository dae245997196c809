#pragma once
// Rich edit controls ("RICHEDIT"): multi-line text wrapped at word boundaries to the formatting
// rectangle, drawn in one character format (face, size in twips, bold, italic, underline,
// strike-out, colour) and one paragraph alignment for the whole text. Typing, the selection and
// caret, the keys, the clipboard, undo and the modify flag are those of the edit control; the
// rich edit adds the format messages, the event mask, the options, the formatting rectangle and
// size requests (EN_REQUESTRESIZE through WM_NOTIFY when the text's height changes and
// ENM_REQUESTRESIZE is in the event mask, or on EM_REQUESTRESIZE).
//
// The class exists once its library has been loaded.

#include <string>
#include <vector>

#include "platform/win32/Resource.h"
#include "platform/win32/RichEditTypes.h"

// Loads a library by its file name: "RICHED32.DLL" (in any case) registers the rich edit class
// and answers a handle for it; any other name answers null.
HMODULE LoadRichEditLibrary(const char* name);
// Whether the class has been registered.
bool IsRichEditLoaded();

// A wrapped line: where it starts in the text and how many characters it shows.
struct RichEditLine {
  int32_t start = 0;
  int32_t length = 0;
};
// The lines of a rich edit as it draws them now (for tests and size requests).
std::vector<RichEditLine> RichEditLines(HWND richEdit);
