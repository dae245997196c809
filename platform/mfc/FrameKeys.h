#pragma once
// The frame's keys exchanged for another table while a window is active: the frame is given the
// window's table and, when the window is left, a copy of the table it had before comes back.
// The first exchange keeps the frame's own table; exchanging again before the restore keeps it
// still, so that a window activated twice gives back what the frame had at first.

#include <vector>

#include "platform/win32/Accelerator.h"

class CFrameWnd;

class TFrameKeysExchange {
 public:
  // The frame takes the table over (null leaves it without keys).
  void Exchange(CFrameWnd& frame, HACCEL table);
  // The frame gets back what it had; nothing when nothing was exchanged.
  void Restore(CFrameWnd& frame);
  bool Exchanged() const { return exchanged_; }
  // The frame went: nothing is kept for it any more.
  void Forget() { exchanged_ = false; }

 private:
  std::vector<ACCEL> saved_;
  bool hadKeys_ = false;
  bool exchanged_ = false;
};
