#pragma once
// The application's command handler, the last handler of every chain. It performs commands on
// the failure road (a failure of the outermost command is reported once), queues posted commands
// for the next pass of the event loop, keeps the one last command for undo and redo, holds the
// current target where commands start, and gives idle time to the handlers of its chains through
// a timer of the window layer's event loop.

#include <cstdint>
#include <functional>

#include "core/CommandNesting.h"
#include "model/command/ClipboardHolder.h"
#include "model/command/CommandCore.h"
#include "model/command/CommandList.h"
#include "model/handler/TargetHandler.h"
#include "platform/win32/Message.h"
#include "platform/win32/WindowTypes.h"

class TCommandHandler : public TTargetHandler {
 public:
  // The loop mode in which a command's tracking peeks at events.
  static constexpr int16_t kTrackingLoopMode = 7;

  // Becomes the process's application handler (Application) until it is destroyed; the one it
  // replaced is the application handler again afterwards.
  explicit TCommandHandler(TCommandNesting& nesting);
  // Deletes the queued commands and the last command that are to be freed when done.
  ~TCommandHandler() override;

  // The application's handler, or null when there is none.
  static TCommandHandler* Application();

  // The end of the chain.
  void CommitLastCommand() override;
  TCommandCore* GetLastCommand() override { return last_; }
  // The first queued command that can perform now, taken from the queue unless it stays
  // queued; null when there is none.
  TCommandCore* GetNextCommand() override;
  // Performs the command at once, on the failure road.
  void HandleCommand(TCommandCore* command) override;
  // Queues the command by its priority (after the queued ones of the same priority); it is
  // performed at the outermost level of a later pass.
  void PostCommand(TCommandCore* command) override;
  // The first queued command, left in the queue; null when none is queued.
  TCommandCore* PeekNextCommand() const { return queue_.CommandAt(1); }
  int32_t QueuedCount() const { return queue_.GetCount(); }
  // The queued command at a place of the queue, from 1; null past its end.
  TCommandCore* QueuedAt(int32_t index) const {
    return index >= 1 && index <= queue_.GetCount() ? queue_.CommandAt(index) : nullptr;
  }

  // Performs one command: a command that can undo or causes a change first commits the last
  // command and then becomes the last command, performed; its document counts a change. Any
  // other command is deleted after it is performed when it is to be freed when done, unless it
  // is still queued (a staying command with more to do). A failure passes on, and the command
  // is dropped (taken out of the queue first when it is freed); when the command claimed the
  // clipboard, the clipboard view current before the claim is current again.
  void PerformCommand(TCommandCore* command);
  // PerformCommand one nesting level deeper: at the outermost level a failure is shown (error 0
  // silently) and ends there; inside another command it passes on unchanged. False when a
  // failure ended at this level.
  bool PerformQueuedCommand(TCommandCore* command);
  // Performs the next queued command (GetNextCommand) when no command is being performed; true
  // when it did.
  bool PerformNextQueued();
  // The pump's share of one pass of the event loop, when no command is being performed: the
  // queued commands that can perform now, in queue order, each staying command at most once, so
  // that the pass ends and events are handled before a staying command's next turn, and so that
  // commands queued behind it are not held up. Answers how many were performed.
  int32_t PerformQueuedPass();
  // Whether a queued command can perform now: the event loop must then not wait for an event.
  bool HasReadyCommand() const { return queue_.HasReadyCommand(); }
  // Whether the queue holds this very command.
  bool IsQueued(const TCommandCore* command) const { return queue_.Holds(command); }
  // At exit, when no command is being performed: frees the queued commands, from the end.
  void FreeQueuedCommands();
  // Takes the command out of the queue (a resident command going away); nothing else happens
  // to it.
  void RemoveQueued(TCommandCore* command);
  // Deletes the queued commands and the last command that are freed when done, and forgets the
  // rest (the program ends, or its units go with the memory the commands hold).
  void DropAllCommands();
  // Undoes the last command when it is performed, else redoes it; its document counts a change.
  // Failures pass on.
  void UndoOrRedoLast();

  // The handler where commands start; the application's own handler when none was set.
  TTargetHandler* GetTarget() const { return target_; }
  // The same target again changes nothing. Otherwise the old target is told that it resigns
  // and the new one that it becomes the target, the menus are set up again before their next
  // use (what they offer follows the target), the next idle walk runs at once and the cursor is
  // worked out again at the next idle time.
  void SetTarget(TTargetHandler* handler);

  // Idle. Handlers installed here get idle time before the application's own chain, the first
  // time from the next pass of the event loop.
  void InstallIdleHandler(TTargetHandler* handler, bool install);
  TTargetHandler* IdleChainHead() const { return idleHead_; }
  // Gives idle time to both chains (phase 0 after events, 1 while idling goes on), each handler
  // as its idle frequency allows, at most once per idle interval in phase 1; then schedules the
  // next call on a timer of the event loop.
  void IdleChains(int16_t phase);
  // Ticks until some handler wants idle time again; kNeverIdle when none does.
  int32_t NextIdleWait() const { return nextWait_; }

  // One pass of the tracking loop: takes and dispatches one waiting event; true when there was
  // one. The point becomes the cursor position in screen coordinates.
  bool TrackWithPeek(int16_t mode, QV_CPoint& point);

  // Mouse tracking (CommandTracking.cpp). Tracks the command from the start point (in the
  // tracking view's window's client coordinates, as a click gives it; screen coordinates when
  // the view has no window) until its still-tracking test ends it: the mouse must move the hysteresis
  // across or down before anything counts as moved; each step constrains the point, erases and
  // redraws the feedback and gives the command the track step (0 begin, 1 continue, 2 end),
  // whose answer may replace the command (null ends tracking). Mouse moves are pre-translated
  // and dispatched, other messages dispatched, so windows repaint meanwhile. Answers the command
  // to perform afterwards. The mouse is captured for the tracking view's window and released
  // at the end, also when a failure passes on.
  TCommandCore* TrackMouse(const QV_CPoint& start, int32_t hysteresisH, int32_t hysteresisV,
                           TCommandCore* command);
  // Looks for one message of the filter without waiting: 12 keys, 6 left button down, 7 left
  // button up, 0xDEAD mouse move, 0xBEEF left button down or up (left in the queue), 0xDBC1 left
  // double click in the focus window, 0 any but the button presses and releases, any other
  // filter any message. True with the message when one was found (and taken, but for 0xBEEF).
  bool TrackWithPeek(uint16_t filter, MSG* message);
  // Waits for a message, at most ticks sixtieths of a second, with a timer of the main frame:
  // paint messages are dispatched and the wait goes on; any other message ends it and is left
  // in message. True when the wait ended early (not by its timer).
  bool TrackWithTimer(uint16_t filter, MSG* message, int32_t ticks);
  // TrackWithTimer when the wait mode is set, else TrackWithPeek.
  bool GetNextEvent(uint16_t filter, int32_t ticks, MSG* message);
  void SetEventWaitMode(bool wait) { waitForEvents_ = wait; }
  // Who sees mouse moves during tracking before they are dispatched (the application's
  // pre-translation); true when it took the message.
  void SetPreTranslator(std::function<bool(MSG*)> preTranslate) {
    preTranslate_ = std::move(preTranslate);
  }
  // The command being tracked, or null.
  TCommandCore* Tracker() const { return tracker_; }

  // Clipboard views. A claim releases the view saved by the previous claim, saves the current
  // one and makes the view (when not null) current. The application's own view reads the
  // system clipboard and is current at start.
  void ClaimClipboard(TClipboardHolder* view);
  void SetClipboardView(TClipboardHolder* view);
  TClipboardHolder* GetClipboardView() const { return clipboardView_; }
  bool OwnClipboardViewIsCurrent() const { return clipboardView_ == ownClipboardView_; }
  TClipboardHolder* OwnClipboardView() { return ownClipboardView_; }
  // The application's own view from now on, wherever the one before stood (null: the reader of
  // the system clipboard it starts with). The view outlives its use here.
  void SetOwnClipboardView(TClipboardHolder* view);
  // The pending scrap (see PrepareClipboardType): its type goes to scrapType and the current
  // view's data of that type into destination (when given); answers the data's size. A
  // negative answer of the view is raised. With no scrap pending, or no current view, nothing
  // is read and the answer is negative.
  int32_t GetScrap(Handle destination, uint32_t* scrapType);

  // How far the mouse must move, across and down, before a tracked command counts as moved
  // (set at start-up).
  void SetTrackHysteresis(int32_t horizontal, int32_t vertical) {
    hysteresisH_ = horizontal;
    hysteresisV_ = vertical;
  }
  int32_t TrackHysteresisH() const { return hysteresisH_; }
  int32_t TrackHysteresisV() const { return hysteresisV_; }

  // The main frame window: the parent of progress dialogs and the host of their timer.
  HWND GetMainFrame() const { return mainFrame_; }
  void SetMainFrame(HWND frame) { mainFrame_ = frame; }
  // While a modeless progress dialog is up the main frame takes no input; the states nest.
  void BeginModalState();
  void EndModalState();
  // One pass of the event loop: waits for the next event and dispatches it. A quit request is
  // put back for the outer loop.
  static void RunOneLoopPass();

 protected:
  TCommandNesting& Nesting() { return nesting_; }
  // After the current target changed: the application forgets where its cursor was right.
  virtual void TargetChanged() {}
  // Sets the target without telling anyone (the application's construction empties the chain).
  void ResetTarget(TTargetHandler* handler) { target_ = handler; }

 private:
  static void IdleTimerFired(HWND, UINT, UINT_PTR, DWORD);
  void ScheduleIdle();
  void DropCommand(TCommandCore* command);

  TCommandNesting& nesting_;
  TCommandHandler* previous_;
  TCommandList queue_;
  TCommandCore* last_ = nullptr;
  TTargetHandler* target_ = this;
  TTargetHandler* idleHead_ = nullptr;
  int32_t nextWait_ = kNeverIdle;
  int32_t nextIdleDue_ = 0;
  bool idleDueSet_ = false;
  UINT_PTR idleTimer_ = 0;
  HWND mainFrame_ = nullptr;
  int32_t modalDepth_ = 0;
  TSystemClipboardHolder systemClipboardView_;
  TClipboardHolder* ownClipboardView_ = &systemClipboardView_;
  TClipboardHolder* clipboardView_ = &systemClipboardView_;
  TClipboardHolder* savedClipboardView_ = nullptr;
  bool claimed_ = false;
  int32_t hysteresisH_ = 0;
  int32_t hysteresisV_ = 0;
  TCommandCore* tracker_ = nullptr;
  bool waitForEvents_ = false;
  std::function<bool(MSG*)> preTranslate_;
};
