#include "views/trackers/TrackingCommand.h"

#include <utility>

#include "model/command/CommandHandler.h"
#include "views/trackers/FeedbackPen.h"
#include "views/trackers/TrackerWorld.h"

TTrackingCommand::TTrackingCommand() = default;
TTrackingCommand::~TTrackingCommand() = default;

void TTrackingCommand::InitTrackingCommand(int16_t commandNumber, TTrackerView* view,
                                           TActionContext* context) {
  InitTracker(commandNumber, view, context, 0, 1);
  SetCausesChange(0);
  hidden_ = 0;
  SetFixedView(0);
  SetFeedbackArmed(1);
}

void TTrackingCommand::SetFollowUp(std::unique_ptr<TCommandCore> command) {
  followUp_ = std::move(command);
}

void TTrackingCommand::DrawBand(const MacPoint& a, const MacPoint& b) {
  if (a == b) return;
  TFeedbackPen pen(dynamic_cast<TFeedbackPort*>(TrackerView()), TFeedbackPen::kDashed);
  pen.FrameBetween(a, b);
}

TCommandCore* TTrackingCommand::TrackStep(int16_t phase, const QV_CPoint& anchor,
                                          const QV_CPoint& previous, const QV_CPoint& next,
                                          bool mouseMoved, const TVector& anchorWorld,
                                          const TVector& previousWorld, const TVector& nextWorld,
                                          bool moved) {
  TCommandCore* const result = TCommandBase::TrackStep(
      phase, anchor, previous, next, mouseMoved, anchorWorld, previousWorld, nextWorld, moved);
  if (InsideView() != 0 || phase == 0) {
    // After a scroll the old band went with the picture: start again from the anchor.
    WorldToScreen(anchorWorld, fixed_);
    moving_ = fixed_;
    DrawBand(fixed_, moving_);
  }
  if (phase != 2 && mouseMoved) {
    MacPoint point;
    WorldToScreen(nextWorld, point);
    if (hidden_ == 0) DrawBand(fixed_, moving_);
    DrawBand(fixed_, point);
    moving_ = point;
  }
  // The band does not outlast the gesture.
  if (phase == 2 && hidden_ == 0) {
    DrawBand(fixed_, moving_);
    moving_ = fixed_;
  }
  hidden_ = InsideView();
  return result;
}

void TTrackingCommand::DoWork() {
  TCommandHandler* application = TCommandHandler::Application();
  if (application == nullptr || followUp_ == nullptr) return;
  application->PostCommand(followUp_.release());
}
