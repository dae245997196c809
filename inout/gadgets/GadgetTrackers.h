#pragma once
// The commands that make gadgets for objects of the world. Each reads its new gadgets from a
// template, places them in the world like any placed objects, and then finishes them for the
// objects they were made for:
//
//   TGadgetTracker        (451) the new gadgets and the one or two objects they are made for
//   TGadgetFinishTracker  (452) a meter of an object's quantities: name and size fitted
//   TPinGadgetTracker     (453) the same, and a pin it was made for takes mode 1
//   TInputControlTracker  (454) an input control bound to the property of its object

#include <cstdint>
#include <memory>
#include <vector>

#include "model/command/PlacingCommands.h"

class TCommandCore;
class TWorldDoc;

// The template every input-control command makes its slider from.
inline constexpr int16_t kSliderTemplate = 5200;
// The input-control commands whose property takes two numbers, each from a slider of its own:
// a body's velocity by components or by speed and direction, a point's position, a force by
// components or by magnitude and direction.
inline constexpr int16_t kBodyVelocityInputs = 5204;
inline constexpr int16_t kBodySpeedDirectionInputs = 5205;
inline constexpr int16_t kPointPositionInputs = 5233;
inline constexpr int16_t kForceComponentInputs = 5301;
inline constexpr int16_t kForceMagnitudeDirectionInputs = 5304;
bool IsPairedInputCommand(int16_t command);
// The meter commands whose pin target is switched to mode 1.
inline constexpr int16_t kFirstPinMeterCommand = 5080;
inline constexpr int16_t kLastPinMeterCommand = 5081;

class TGadgetTracker : public TCommandSub {
  DECLARE_CLASS_ID(451, TCommandSub)

 public:
  // Reads the new gadgets from the template and keeps the objects they are made for (either may
  // be null). A template that gives nothing fails with -108.
  void InitGadgetTracker(int16_t command, int16_t templateNumber, TWorldDoc& world, TLink* first,
                         TLink* second);

  TWorldDoc* GetWorld() const { return world_; }
  TLink* FirstTarget() const { return first_; }
  TLink* SecondTarget() const { return second_; }
  // The new gadgets, in the template's order, once they are placed.
  const std::vector<TLink*>& Made() const { return made_; }

 protected:
  void AfterPrepare() override;
  void DoWork() override;
  // What the command does with its new gadgets once they are in the world.
  virtual void FinishMade() {}
  // The first new gadget; fails with -108 when there is none.
  TLink& FirstMade() const;

 private:
  // A second slider from the template, placed with the first.
  void AddSecondSlider(int16_t templateNumber, TWorldDoc& world);
  // The finished gadgets go as one block to the next free place of the window, below the last
  // block placed, else in a new column to its right, else at the window's top-left corner.
  void PlaceMade();

  TWorldDoc* world_ = nullptr;
  TLink* first_ = nullptr;
  TLink* second_ = nullptr;
  std::vector<TLink*> made_;
};

class TGadgetFinishTracker : public TGadgetTracker {
  DECLARE_CLASS_ID(452, TGadgetTracker)

 protected:
  // The name's placeholders take the targets' names, then the size is fitted; a framed meter
  // that shows its name is made wide enough for it.
  void FinishMade() override;
};

class TPinGadgetTracker : public TGadgetFinishTracker {
  DECLARE_CLASS_ID(453, TGadgetFinishTracker)

 protected:
  void BeforePrepare() override;
  void FinishMade() override;
};

class TInputControlTracker : public TGadgetTracker {
  DECLARE_CLASS_ID(454, TGadgetTracker)

 protected:
  // The target is noted whole before and after, so that undo restores its property.
  void BeforePrepare() override;
  void FinishMade() override;
};

// The command for a number of 5000 to 5415, its gadgets made for the targets.
std::unique_ptr<TCommandCore> MakeGadgetTracker(int16_t command, TWorldDoc& world, TLink* first,
                                                TLink* second);

// Installs the gadget commands on the world's command road.
void RegisterGadgetTrackers();
void UnregisterGadgetTrackers();
