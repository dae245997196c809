#pragma once
// The run command: made by the world for Run, Reset, play back, show frame 0 and the two steps.
// Performed, it asks the world for the next frame to reach, one play step at a time or straight
// to its target, runs the solver to it and shows it, until it reaches the target, passes the
// world's stop frame or is stopped. It stays queued: performed from the application's queue it
// works one time slice per pass of the event loop and leaves the queue when it is done, so that
// windows repaint and clicks and commands reach it between slices; performed directly (scripts)
// it runs to its end at once.

#include <cstdint>

#include "model/command/CommandCore.h"
#include "solver/engine/EngineEntry.h"

class TCommand;
class TWorldDoc;

// The program's run in progress: a run command is current from its first step to its end, so
// that while one is set the application gets idle time every kRunIdleTicks (the windows it
// drives are brought up to date during a run) and never otherwise. Answers the previous one.
inline constexpr int32_t kRunIdleTicks = 20;
TCommand* SetCurrentRunCommand(TCommand* command);
TCommand* CurrentRunCommandInProgress();

// Told what a run command shows: each frame after it is shown, and the moment the command reaches
// its target. Commands that write out what a run shows (exporters) listen; the listener may
// give the command a new target and keep it running.
class TRunListener {
 public:
  virtual ~TRunListener() = default;
  virtual void FrameShown(TCommand& command, int16_t frame) = 0;
  // The target was reached: answer true after giving the command a new target to go on.
  virtual bool TargetReached(TCommand& command) = 0;
  // The command ended on a stop request.
  virtual void RunStopped(TCommand& command) = 0;
};

// Failures a link to another document raises while it is told a frame: shown, and the run goes
// on.
inline constexpr int16_t kErrLinkedDocumentFirst = -1717;
inline constexpr int16_t kErrLinkedDocumentLast = -1716;

class TCommand : public TCommandCore {
  DECLARE_CLASS_ID(582, TCommandCore)

 public:
  // Ticks of one time slice, and between progress reports.
  static constexpr int32_t kSliceTicks = 60;
  static constexpr int32_t kProgressTicks = 10;

  TCommand() = default;
  ~TCommand() override;

  // Stores world, target (a negative one as -1) and exact flag, clears the stop flag, stops the
  // world's other runs when asked and enters the running list. The command stays queued.
  void SetUp(int16_t commandNumber, TCommandDocument* document, TWorldDoc* world, int16_t target,
             uint16_t exact, uint16_t stopOthers);
  TWorldDoc* GetWorld() const { return world_; }
  int16_t GetTarget() const { return target_; }
  uint16_t IsExact() const { return exact_; }
  void Stop() { stopped_ = 1; }
  // A new target for a command that goes on (a negative one as -1), and whether it is reached in
  // one step.
  void SetTarget(int16_t target, uint16_t exact) {
    target_ = target < 0 ? -1 : target;
    exact_ = exact;
  }
  // Whether a document may be opened while this run goes on; not unless set.
  uint16_t AllowsOpen() const { return allowOpen_; }
  void SetAllowsOpen(uint16_t allow) { allowOpen_ = allow; }
  // Not owned; null for none.
  void SetListener(TRunListener* listener) { listener_ = listener; }
  uint16_t IsStopped() const { return stopped_; }
  uint16_t IsDone() const { return done_; }
  // The world went away first.
  void ForgetWorld() { world_ = nullptr; }

  // Taken from the application's queue: one slice, or waits for a later pass while the world
  // cannot start it; it leaves the queue when it is done, was stopped before it started or its
  // world went away. Otherwise: runs to the target in slices; the progress callback and the
  // stop flag give control back.
  void Perform() override;
  // One slice: steps until the deadline (none when ticks is 0), the target, the stop frame or a
  // stop. Answers whether the command is done.
  bool RunSlice(int32_t ticks);

  // The run command whose step is under way, if any: the progress callback reports to it.
  static TCommand* Current();
  // The solver's progress callback: stop (non-zero) when no run command is current or the
  // current one is stopped or done.
  static int32_t RunProgressCallback(int32_t* status, double frame, double lastFrame, double time,
                                     double lastTime, double accepted, double rejected);
  // What the last report said: the frame reached.
  double GetReportedFrame() const { return reportedFrame_; }

 private:
  // Whether the world lets the run start now (a selection is let go of first).
  bool CanStart();
  // One pass of the event loop; answers whether the command is finished.
  bool PerformQueuedSlice();
  int16_t NextFrame(int16_t current);
  // A failure of one step; answers whether the run goes on.
  bool Recover(int16_t error);

  // Whether the run ends at the target just reached.
  bool EndsAtTarget();
  // The run holds the program's current run command from its first step to its end.
  void EnterRunsInProgress();
  void LeaveRunsInProgress();

  TWorldDoc* world_ = nullptr;
  TRunListener* listener_ = nullptr;
  int16_t target_ = -1;
  uint16_t exact_ = 0;
  uint16_t stopped_ = 0;
  uint16_t allowOpen_ = 0;
  uint16_t done_ = 0;
  uint16_t started_ = 0;
  bool linkedRunStarted_ = false;  // the linked documents were told the run starts
  uint16_t firstFrame_ = 1;
  int32_t lastReport_ = 0;
  double reportedFrame_ = -1.0;
};
