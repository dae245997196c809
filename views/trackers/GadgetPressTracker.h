#pragma once
// A press on a control of the world window (a slider's track, a button's face): every step of
// the press goes to the control, which changes its own value. The press itself is not undone;
// the control hands its finished change to undo.

#include <functional>

#include "model/command/CommandCore.h"

class TWindowGadget;

class TGadgetPressTracker : public TCommandCore {
  DECLARE_CLASS_ID(2002, TCommandCore)

 public:
  // changed runs after each step that changed the control (the view redraws it).
  TGadgetPressTracker(TWindowGadget& gadget, TCommandView* view, std::function<void()> changed);
  TCommandCore* TrackMouse(int16_t phase, const QV_CPoint& anchor, const QV_CPoint& previous,
                           const QV_CPoint& next, bool moved) override;

 private:
  TWindowGadget& gadget_;
  std::function<void()> changed_;
};
