#pragma once
// The undoable record of an input's value change: made when the change is finished, with the
// value the input had before. Undo brings that value back, and the world forgets the frames it
// ran with the other one. While the world runs or shows a later frame a change makes no record:
// the value goes to the solver at its next step and the start stays as it was.

#include <cstdint>

#include "inout/inputs/Input.h"
#include "model/command/ActionBase.h"

class TWorldDoc;

inline constexpr int16_t kCommandInputValue = 2013;

class TInputValueCommand : public TActionBase {
  DECLARE_CLASS_ID(2013, TActionBase)

 public:
  void InitInputValue(TWorldDoc& world, TInput& input, double old);
  double GetOldValue() const { return old_; }
  // The input is recorded at its old value, so that undo restores it.
  void PrepareWithRecovery() override;
  // At the start the world forgets the frames recorded from it, as after any edit there, and
  // hears of the change; while it shows a run (the record was queued before the run began) the
  // value is the run's and nothing more happens.
  void DoWork() override;
  void Undo() override;
  void Redo() override;

 private:
  TWorldDoc* World() const;

  TInput* input_ = nullptr;
  double old_ = 0.0;
};

// Hands finished value changes of inputs in a world to the application's commands: queued after
// a press, performed at once for a script's value. Installed when the input class registers.
class TWorldInputUndo : public TInputUndoSink {
 public:
  // While the input's world runs or shows a frame past its start.
  bool IsInputUndoOff(const TInput& input) const override;
  void ValueChanged(TInput& input, double old, bool immediate) override;
  static TWorldInputUndo& Instance();
};
