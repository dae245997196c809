#pragma once
// The pin: holds its attached points together, one point per body, all at the pin's place; with
// its weld flag set it also holds their rotations together.
//
// Contents (Pin.cpp): the goals, the weld flag shared with the points, the mode, filing of
// blocks 5230 and 5246, and the registration of the pin.

#include "constraints/Constraint.h"

inline constexpr uint32_t kPinTag = MakeTag("pin_");
inline constexpr uint32_t kTagPinMode = MakeTag("pinM");
inline constexpr uint32_t kTagPinOther = MakeTag("pinO");
inline constexpr uint32_t kTagPinWelded = MakeTag("pinS");

class TPin : public TConstraint {
  DECLARE_CLASS_ID(678, TConstraint)

 public:
  static constexpr int16_t kBlockKind = 5230;
  static constexpr int16_t kBlockMode = 5246;
  static constexpr int16_t kCmdEditActivation = 5240;

  static TObject* CreateObject();
  void Initialize() override;

  uint16_t GetMode() const { return mode_; }
  void SetMode(uint16_t mode);
  uint16_t GetWeld() const { return weld_; }
  // Sets the weld flag of the pin and of every point it holds.
  void SetWeld(uint16_t weld);
  // A welded pin makes its bodies one: the top body of every pinned point is enclosed by one of
  // them, the background when a point is on it, else the first point's (dragging the pin's
  // primary object welds this way).
  void Weld();
  // The lock reads as set always: a pin is fixed to its bodies' frames.
  uint16_t IsLocked() const override { return 1; }
  void SetLocked(uint16_t) override { TConstraint::SetLocked(1); }
  int32_t KindGoalCount() const override { return weld_ + 2; }
  bool MarksFirstGoal() const override { return weld_ != 0; }
  void MarkGoals() override;
  int16_t GetKindNumber() const { return weld_ != 0 ? 2523 : 2524; }
  Str255 GetInMenuName() const { return "InPinMenu"; }
  // The input menu's one command binds the activation condition.
  bool BindInputs(int16_t command, TInputBinding& inputs) override;
  Str255 GetOutMenuName() const override { return "OutPinMenu"; }
  const char* PointIconName() const override { return weld_ != 0 ? "PinLockIcon" : "PinIcon"; }

  uint16_t GetShortProperty(uint32_t tag, uint16_t& value, void* extra) override;
  void SetShortProperty(uint32_t tag, uint16_t value) override;
  uint16_t GetChoiceProperty(uint32_t tag, int16_t& value, void* extra) override;
  void SelectChoice(uint32_t tag) override;
  // Whether a choice can be picked now: the mode choices only on a welding pin.
  bool IsChoiceEnabled(uint32_t tag) const;

  // A welding pin that has made its bodies one compound leaves nothing for the assembly to hold.
  bool HasAssemblyConditions() const override;
  // Whether the points all lie on one compound: their bodies share one top body.
  bool WeldsOneCompound() const;
  // The drag response: the primary point of an acting pin moved, so a welding pin welds.
  void PointMoved(TPoint& point) override;

  int16_t KindBlockCode() const override { return kBlockKind; }
  void ReadKindBlock(TObjectReader& reader) override;
  void WriteKindBlock(TObjectWriter& writer) override;
  uint16_t ReadBlockContents(int16_t code, TObjectReader& reader) override;
  void WriteBlockContents(int16_t code, TObjectWriter& writer) override;
  void WriteFields(TObjectWriter& writer) override;

 protected:
  // The points coincide; a welding pin also keeps their rotations as they are.
  void AddAssemblyConditions(TAssemblySolver& solver) override;
  // The weld flag is shared with the points: see Pin.cpp.
  void AttachHook(TLink* object) override;
  // In documents that do not keep the pin's flag beside its mode, a stored rotation goal tells
  // that the pin welds (until its points tell otherwise as they attach).
  void KindGoalRead(const TCnstrGoal& goal) override;

 private:
  uint16_t mode_ = 0;
  uint16_t weld_ = 0;
};

// Enters the pin in the class registry (the first class of the pins, ropes and rods).
void RegisterPinClasses();
