// Presses on the world window's controls.
#include "views/trackers/GadgetPressTracker.h"

#include <utility>

#include "model/world/WorldParticipants.h"

TGadgetPressTracker::TGadgetPressTracker(TWindowGadget& gadget, TCommandView* view,
                                         std::function<void()> changed)
    : gadget_(gadget), changed_(std::move(changed)) {
  InitCommand(0, nullptr, view, nullptr);
  SetCanUndo(0);
  SetCausesChange(0);
  SetViewPresent(1);
}

TCommandCore* TGadgetPressTracker::TrackMouse(int16_t phase, const QV_CPoint&, const QV_CPoint&,
                                              const QV_CPoint& next, bool) {
  if (gadget_.PressWindowControl(phase, next) && changed_) changed_();
  return this;
}
