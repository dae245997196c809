#include "model/command/CommandCore.h"

#include "core/MouseButton.h"
#include "model/command/CommandHandler.h"

int16_t& CommandBusyFlag() {
  static int16_t busy = 0;
  return busy;
}

void TCommandCore::InitCommand(int16_t commandNumber, TCommandDocument* document,
                               TCommandView* view, TObject* notify) {
  view_ = view;
  document_ = document;
  performed_ = 0;
  canUndo_ = 1;
  causesChange_ = 1;
  freeWhenDone_ = 1;
  enabled_ = 1;
  queryFlag_ = 0;
  viewPresent_ = 0;
  fixedView_ = 1;
  constrainWhileTracking_ = 0;
  feedbackAlways_ = 0;
  priority_ = kDefaultPriority;
  staysQueued_ = 0;
  mousePoint_ = QV_CPoint();
  notify_ = notify;
  commandNumber_ = commandNumber;
}

int16_t TCommandCore::UndoTextNumber() const {
  return performed_ == 0 ? kUndoTextNumber : commandNumber_;
}

bool TCommandCore::TrackingDone() {
  // The handler's tracking loop takes the messages itself: pumping here would dispatch a mouse
  // move already waiting past the loop, and the drag would miss it.
  TCommandHandler* application = TCommandHandler::Application();
  if (application != nullptr && application->Tracker() == nullptr) {
    QV_CPoint point;
    application->TrackWithPeek(TCommandHandler::kTrackingLoopMode, point);
  }
  return !IsMouseButtonDown();
}

void TCommandCore::TrackConstrain(const QV_CPoint& anchor, const QV_CPoint& previous,
                                  QV_CPoint& next) {
  if (view_ != nullptr) view_->TrackConstrain(anchor, previous, next);
}

void TCommandCore::TrackFeedback(const QV_CPoint& anchor, const QV_CPoint& next, bool turnOn,
                                 bool moved) {
  if (view_ != nullptr) view_->TrackFeedback(anchor, next, turnOn, moved);
}

TCommandCore* TCommandCore::TrackMouse(int16_t phase, const QV_CPoint& anchor,
                                       const QV_CPoint& previous, const QV_CPoint& next,
                                       bool moved) {
  const bool inside = view_ != nullptr && view_->TrackMouse(phase, anchor, previous, next, moved);
  if (phase == 2 && !inside) return nullptr;
  return this;
}

bool TCommandCore::CanPerform() const {
  return enabled_ != 0 && CommandBusyFlag() == 0;
}

void TSmallCommand::Init(int16_t commandNumber, TCommandDocument* document, TCommandView* view,
                         TObject* notify) {
  InitCommand(commandNumber, document, view, notify);
  SetCanUndo(0);
  SetCausesChange(0);
}
