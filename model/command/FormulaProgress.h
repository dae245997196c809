#pragma once
// Progress of a long recomputation of formulas. After two seconds the check opens the count
// dialog, shows how far the work has come, handles what waits for the dialog so that it can be
// seen and answered, and says whether the user asked to stop. A failure inside the check is
// kept in the state and stops the recomputation, so the caller can raise it afterwards.

#include <cstdint>

#include "platform/win32/WindowTypes.h"

// Non-zero (100 at start) while the check handles what waits for the count dialog; with 0 it
// never does.
int32_t& ProgressTimerInterval();

struct TFormulaProgressState {
  int32_t nextCheck = 0;  // ticks
  int16_t commandNumber = 0;
  int16_t started = 0;
  int16_t failureError = 0;
  int32_t failureMessage = 0;

  // The first check comes two seconds from now.
  void Start(int16_t command);
};

// (state, start, reached, total) -> stop. The count shown is
// 100 x (1 - (reached - total) / (start - total)), truncated toward zero.
bool FormulaProgressCheck(void* state, double start, double reached, double total);

// Closes the count dialog when one is up: the work it counted is over.
void CloseCountDialog();
