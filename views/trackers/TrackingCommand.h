#pragma once
// TTrackingCommand (433): a tracker that draws a band from the press point to the mouse and,
// when performed, posts the command it was given to follow. The band is framed with an
// inverting dashed pen, so that drawing it again removes it; the view may scroll under it.

#include <cstdint>
#include <memory>

#include "model/command/CommandBase.h"

class TTrackingCommand : public TCommandBase {
  DECLARE_CLASS_ID(433, TCommandBase)

 public:
  TTrackingCommand();
  ~TTrackingCommand() override;

  void InitTrackingCommand(int16_t commandNumber, TTrackerView* view, TActionContext* context);
  // The command posted when this one is performed; owned until then.
  void SetFollowUp(std::unique_ptr<TCommandCore> command);
  TCommandCore* TrackStep(int16_t phase, const QV_CPoint& anchor, const QV_CPoint& previous,
                          const QV_CPoint& next, bool mouseMoved, const TVector& anchorWorld,
                          const TVector& previousWorld, const TVector& nextWorld,
                          bool moved) override;
  // Frames the rectangle between the corners, unless they coincide.
  void DrawBand(const MacPoint& a, const MacPoint& b);
  void DoWork() override;

  const MacPoint& FixedCorner() const { return fixed_; }
  const MacPoint& MovingCorner() const { return moving_; }

 private:
  std::unique_ptr<TCommandCore> followUp_;
  MacPoint fixed_;
  MacPoint moving_;
  uint16_t hidden_ = 0;
};
