#pragma once
// What the world asks of the application around it: questions and failures shown to the user,
// the application's command queue and its run-wide flags. The default host uses the program's
// alerts and the application's command handler; tests give the world a host of their own.

#include <cstdint>

class TCommandCore;
class TList;
class TWorldDoc;

class TWorldHost {
 public:
  virtual ~TWorldHost() = default;
  // Alert 1504 and the like: true for Yes.
  virtual bool AskYesNo(int16_t alert);
  // Shows a failure (error 0 silently).
  virtual void ShowError(int16_t error, int32_t message);
  // Shows a solver warning naming the objects of the status record's second and third words and
  // answers whether the run goes on.
  virtual bool ReportSolverWarning(TWorldDoc& world, int16_t error, const int32_t* status);
  // Queues a command for the next pass of the event loop; the queue owns it then.
  virtual void PostCommand(TCommandCore* command);
  // Commits the application's last command, releasing what it keeps for undo; false when there
  // is none.
  virtual bool CommitLastCommand();
  // While set, a failed solver step leaves the solver's world locked.
  virtual bool TrackingWhileRunning() const { return trackingWhileRunning_; }
  void SetTrackingWhileRunning(bool on) { trackingWhileRunning_ = on; }
  // Stops the runs of every open document but the world's: only one document runs at a time.
  virtual void StopOtherDocuments(TWorldDoc& world);
  // The application's list of open documents (TQVDoc entries; others are passed over), which
  // StopOtherDocuments walks. Not owned; null while the application keeps none.
  static void SetOpenDocuments(TList* documents);
  static TList* OpenDocuments();

  // The host worlds use unless given another.
  static TWorldHost& Default();

 private:
  bool trackingWhileRunning_ = false;
};
