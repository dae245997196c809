#pragma once
// The small command base of every command and action: which command it is, the document and
// view it belongs to, and the flags by which the application decides what to do with it after
// it is performed (keep it for undo, count a change, delete it). Small commands add a do
// operation and are never undoable.

#include <cstdint>

#include "core/TObject.h"
#include "core/geometry/IntRect.h"
#include "platform/win32/WindowTypes.h"

// What commands ask of the document they change.
class TCommandDocument {
 public:
  virtual int32_t GetChangeCount() const = 0;
  virtual void SetChangeCount(int32_t count) = 0;

 protected:
  ~TCommandDocument() = default;
};

// What a command asks of the view it tracks the mouse in.
class TCommandView {
 public:
  // May move next (screen points).
  virtual void TrackConstrain(const QV_CPoint& anchor, const QV_CPoint& previous,
                              QV_CPoint& next) = 0;
  virtual void TrackFeedback(const QV_CPoint& anchor, const QV_CPoint& next, bool turnOn,
                             bool moved) = 0;
  // The view's part of a tracking step (phase 0 press, 1 move, 2 release); false when the point
  // lies outside the view.
  virtual bool TrackMouse(int16_t phase, const QV_CPoint& anchor, const QV_CPoint& previous,
                          const QV_CPoint& next, bool moved) = 0;
  // The window that holds the mouse while the view tracks; null when there is none.
  virtual HWND TrackingWindow() const { return nullptr; }

 protected:
  ~TCommandView() = default;
};

// 1 while a command of the busy kind runs; no other command may then be performed.
int16_t& CommandBusyFlag();

class TCommandCore : public TObject {
  DECLARE_CLASS_ID(295, TObject)

 public:
  // The undo-text number of a command that has not been performed.
  static constexpr int16_t kUndoTextNumber = 101;

  TCommandCore() = default;
  TCommandCore(const TCommandCore&) = delete;
  TCommandCore& operator=(const TCommandCore&) = delete;

  // Stores the four and sets every flag to its starting value.
  void InitCommand(int16_t commandNumber, TCommandDocument* document, TCommandView* view,
                   TObject* notify);

  int16_t GetCommandNumber() const { return commandNumber_; }
  TCommandDocument* GetDocument() const { return document_; }
  TCommandView* GetView() const { return view_; }
  TObject* GetObjectToNotify() const { return notify_; }
  const QV_CPoint& GetMousePoint() const { return mousePoint_; }
  void SetMousePoint(const QV_CPoint& point) { mousePoint_ = point; }
  // Set when a single click in a view made the command.
  uint16_t IsStartedByClick() const { return startedByClick_; }
  void SetStartedByClick(uint16_t on) { startedByClick_ = on; }

  uint16_t IsPerformed() const { return performed_; }
  void SetPerformed(uint16_t on) { performed_ = on; }
  uint16_t CanUndo() const { return canUndo_; }
  void SetCanUndo(uint16_t on) { canUndo_ = on; }
  uint16_t CausesChange() const { return causesChange_; }
  void SetCausesChange(uint16_t on) { causesChange_ = on; }
  void SetFreeWhenDone(uint16_t on) { freeWhenDone_ = on; }
  uint16_t IsEnabled() const { return enabled_; }
  void SetEnabled(uint16_t on) { enabled_ = on; }
  // Set when the application must track the command with the mouse before performing it.
  uint16_t IsViewPresent() const { return viewPresent_; }
  void SetViewPresent(uint16_t on) { viewPresent_ = on; }
  // Set: the command constrains the mouse while tracking; and it gives feedback before the
  // mouse has moved past the hysteresis.
  uint16_t ConstrainsWhileTracking() const { return constrainWhileTracking_; }
  void SetConstrainsWhileTracking(uint16_t on) { constrainWhileTracking_ = on; }
  uint16_t FeedbackAlways() const { return feedbackAlways_; }
  void SetFeedbackAlways(uint16_t on) { feedbackAlways_ = on; }
  // Set: trackers neither autoscroll nor pin the mouse to the view.
  uint16_t IsFixedView() const { return fixedView_; }
  void SetFixedView(uint16_t on) { fixedView_ = on; }
  // The queue performs commands of smaller priority first; kDefaultPriority unless set.
  static constexpr int16_t kDefaultPriority = 64;
  int16_t GetPriority() const { return priority_; }
  void SetPriority(int16_t priority) { priority_ = priority; }
  // Set: taking the command from the queue leaves it there, so it is performed on every pass
  // of the event loop while it can perform.
  uint16_t StaysQueued() const { return staysQueued_; }
  void SetStaysQueued(uint16_t on) { staysQueued_ = on; }

  // The command's protocol.
  // Looks up a target for the command, which never finds one: no effect.
  virtual void Post() {}
  virtual void Perform() {}
  virtual void Redo() {}
  virtual void Undo() {}
  virtual uint16_t IsFreeWhenDone() const { return freeWhenDone_; }
  virtual uint16_t QueryFlag() const { return queryFlag_; }
  // 101 while the command has not been performed, else the command's own text number.
  virtual int16_t UndoTextNumber() const;
  // One pass of the application's tracking loop; true when the mouse button is up.
  virtual bool TrackingDone();
  // True while the command takes keys and double clicks from the queue itself (they end a
  // click-by-click gesture): the tracking loop then leaves them there for it.
  virtual bool TakesKeysWhileTracking() const { return false; }
  virtual void TrackConstrain(const QV_CPoint& anchor, const QV_CPoint& previous, QV_CPoint& next);
  virtual void TrackFeedback(const QV_CPoint& anchor, const QV_CPoint& next, bool turnOn,
                             bool moved);
  // The command to go on tracking with: this one, or null at a release outside the view (or
  // without a view), which cancels it.
  virtual TCommandCore* TrackMouse(int16_t phase, const QV_CPoint& anchor,
                                   const QV_CPoint& previous, const QV_CPoint& next, bool moved);
  // Called by the application when it commits its last command; nothing here.
  virtual void Commit() {}
  // True when enabled and no command of the busy kind runs.
  virtual bool CanPerform() const;

 private:
  TCommandView* view_ = nullptr;
  TCommandDocument* document_ = nullptr;
  uint16_t performed_ = 0;
  uint16_t canUndo_ = 1;
  uint16_t causesChange_ = 1;
  uint16_t freeWhenDone_ = 1;
  uint16_t enabled_ = 1;
  uint16_t queryFlag_ = 0;
  uint16_t viewPresent_ = 0;
  uint16_t fixedView_ = 1;
  uint16_t constrainWhileTracking_ = 0;
  uint16_t feedbackAlways_ = 0;
  int16_t priority_ = kDefaultPriority;
  uint16_t staysQueued_ = 0;
  QV_CPoint mousePoint_;
  uint16_t startedByClick_ = 0;
  TObject* notify_ = nullptr;
  int16_t commandNumber_ = 0;
};

// A command that is performed and forgotten: not undoable and no change of its own.
class TSmallCommand : public TCommandCore {
  DECLARE_CLASS_ID(325, TCommandCore)

 public:
  // InitCommand with the can-undo and causes-change flags cleared.
  void Init(int16_t commandNumber, TCommandDocument* document, TCommandView* view, TObject* notify);
  // Runs DoIt.
  void Perform() override { DoIt(); }
  // The command's work; nothing here.
  virtual void DoIt() {}
};
