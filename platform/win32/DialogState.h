#pragma once
// What the dialog manager keeps for each dialog window. Not for code outside the layer.

#include <cstdint>
#include <vector>

#include "platform/win32/GdiTypes.h"
#include "platform/win32/WindowTypes.h"

struct DialogState {
  int32_t baseUnitX = 6;
  int32_t baseUnitY = 13;
  HFONT ownFont = nullptr;  // the template's font, made for this dialog and deleted with it
  bool modal = false;
  bool ended = false;
  intptr_t result = 0;
  WORD defaultId = 0;         // set by DM_SETDEFID; 0 until then
  HWND savedFocus = nullptr;  // the control to focus again when the dialog is activated
  // The other top-level windows a modal run disabled, enabled again when it ends.
  std::vector<HWND> disabledByRun;
};

// The state of a dialog window, or null for any other window.
DialogState* FindDialogState(HWND dialog);

// The dialog's controls in Tab order: its children, where a child with WS_EX_CONTROLPARENT
// stands for the controls inside it (a group of controls in a window of its own).
std::vector<HWND> DialogControls(HWND dialog);
