#pragma once
// Pause controls (class 469, tag "Stop"): conditions tested whenever a frame is shown. Each is a
// formula with an action: 0 pause, 1 stop, 2 reset, 3 reset and run again. They are numbered from
// 1 and addressed by property tags "PWe" + c (the condition) and "PWm" + c (the action), c being
// '0' for the first. "PWNs" appends one with the condition "time > 1.0" and the action pause.
//
// The stop action asks the world to stop at the frame; while no condition has the stop action
// any more, the world's stop frame goes back to 32767 (no stop). Pause ends the runs at the frame;
// reset ends them and goes back to frame 0; loop does the same and runs again.
//
// The solver evaluates the conditions with every frame it computes (they are the holder's element
// list), so a holder in a world tests the values recorded with the frame the world shows.

#include <cstdint>
#include <memory>
#include <vector>

#include "model/Formula.h"
#include "model/Link.h"
#include "model/world/WorldDoc.h"
#include "model/world/WorldParticipants.h"

inline constexpr uint32_t kStopWhenTag = MakeTag("Stop");
inline constexpr int16_t kBlockPauseControls = 5006;

enum PauseAction : int16_t {
  kPauseActionPause = 0,
  kPauseActionStop = 1,
  kPauseActionReset = 2,
  kPauseActionLoop = 3,
};

// A condition that carries its action.
class TPauseCondition : public TFormula {
 public:
  int16_t action = kPauseActionPause;
  // Whether the condition held at the frame tested last (a condition acts when it becomes true).
  bool held = false;
};

// What the pause controls ask of their world.
class TStopWhenHost {
 public:
  virtual ~TStopWhenHost() = default;
  // Stop the run at frame (the world keeps the smaller of it and its present stop frame).
  virtual void SetStopFrame(int16_t frame) = 0;
  // No stop frame any more (32767).
  virtual void ClearStopFrame() = 0;
  // Ends the runs at the frame shown.
  virtual void Pause() {}
  // Ends the runs and goes back to frame 0; with runAgain set, runs again from there.
  virtual void Reset(bool /*runAgain*/) {}
};

// The host of a holder that belongs to a world: the world's own stop frame, runs and commands.
class TWorldStopHost final : public TStopWhenHost {
 public:
  explicit TWorldStopHost(TWorldDoc& world) : world_(world) {}
  TWorldDoc& World() const { return world_; }
  void SetStopFrame(int16_t frame) override;
  void ClearStopFrame() override;
  void Pause() override;
  void Reset(bool runAgain) override;

 private:
  TWorldDoc& world_;
};

class TStopWhen : public TLink, public TFrameParticipant {
  DECLARE_CLASS_ID(469, TLink)

 public:
  TStopWhen() = default;

  // A host of the holder's own; without one, the holder acts on the world it belongs to.
  void SetHost(TStopWhenHost* host) { host_ = host; }

  int32_t GetConditionCount() const { return static_cast<int32_t>(conditions_.size()); }
  // Grows the list with new conditions ("time > 1.0", pause) or drops the last ones.
  void SetConditionCount(int32_t count);
  // Condition number 1..count, or null.
  TPauseCondition* GetCondition(int32_t number);
  // Removes and frees condition number; the later ones move down one number.
  void RemoveCondition(int32_t number);
  // Sets the action of condition number; a negative action removes the condition.
  void SetAction(int32_t number, int16_t action);

  // Tests the conditions at a shown frame: each condition that has become true since the last
  // test acts, in order; the answer is the first action taken, or -1 when none. A stop asks the
  // host to stop at frame. A condition that cannot be evaluated raises its formula's failure.
  int16_t TestConditions(const FormulaEnvironment* world, int16_t frame);
  // The same test over the values of the conditions, in order (a value above 0 holds; a missing
  // value does not).
  int16_t TestValues(const std::vector<double>& values, int16_t frame);
  // Forgets which conditions held (the run starts again).
  void ClearMarks();

  // In a world: the conditions are recorded with every frame; a frame shown is tested with the
  // values recorded for it, and the first action taken acts on the world's runs.
  int32_t CountElements() override { return GetConditionCount(); }
  void WriteElements(TObjectWriter& writer) override;
  void FrameChanged(int16_t frame, int16_t first, int16_t last) override;
  void MarkFrames(int16_t frame, int16_t first, int16_t last) override;
  void TestFrame(int16_t frame) override;

  // Properties.
  uint16_t HasAction(uint32_t tag) override;
  void DoAction(uint32_t tag) override;
  TFormula* GetFormulaProperty(uint32_t tag, double* first, double* second, int32_t* dimension,
                               uint16_t* flag) override;
  void SetFormulaProperty(uint32_t tag, const TFormula& formula) override;
  uint16_t GetIndexProperty(uint32_t tag, int16_t& value, uint16_t& enabled);
  void SetIndexProperty(uint32_t tag, int16_t value);

  // Filing: block 5006 holds the conditions; no other block is this class's or its base's.
  uint16_t CanReadBlock(int16_t code) override;
  uint16_t ReadBlockContents(int16_t code, TObjectReader& reader) override;
  void WriteBlockContents(int16_t code, TObjectWriter& writer) override;
  void WriteFields(TObjectWriter& writer) override;
  void WriteClassTag(TObjectWriter& writer) override;

 private:
  // The condition number a "PWe"/"PWm" tag addresses (0 when the tag is not one of them or the
  // number is out of range).
  int32_t NumberOfTag(uint32_t tag, char kind) const;
  // After a condition stopped having the stop action.
  void StopActionLeft();
  // The host given, else the world's; null outside a world.
  TStopWhenHost* Host();
  TWorldDoc* GetWorld() const;
  // A condition found to hold (or not) at the frame; answers whether it acts now.
  bool Acts(TPauseCondition& condition, bool holds, int16_t frame);

  std::vector<std::unique_ptr<TPauseCondition>> conditions_;
  TStopWhenHost* host_ = nullptr;
  std::unique_ptr<TWorldStopHost> worldHost_;
};

// Registers TStopWhen.
void RegisterStopWhen();
