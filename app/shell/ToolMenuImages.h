#pragma once
// The pictures of the tool items of a menu bar: an item whose command n lies among the tools
// shows bitmap n beside its text, and bitmap 10000 + n while it is the tool in use (checked).

#include "platform/win32/Menu.h"

// Gives every tool item of the bar (at any level) its two pictures, loaded once and kept.
void AttachToolMenuImages(HMENU bar);
// Takes the pictures off the bar's items (a bar that stays) and frees them.
void FreeToolMenuImages(HMENU shown);
