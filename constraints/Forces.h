#pragma once
// A force pushes one body at one point with a vector given as two components or as magnitude
// and direction; a torque turns a body with one moment. Both hand the solver force goals.
//
// Contents (Forces.cpp): TForceBase (665), TForce (666) with SetPolar and its goals, TTorque
// (667); filing of blocks 5227 and 5228; registration.

#include <memory>
#include <vector>

#include "constraints/Constraint.h"

inline constexpr uint32_t kForceTag = MakeTag("forc");
inline constexpr uint32_t kTorqueTag = MakeTag("torq");
inline constexpr uint32_t kTagForceX = MakeTag("Fx__");
inline constexpr uint32_t kTagForceY = MakeTag("Fy__");
inline constexpr uint32_t kTagForceLength = MakeTag("Fl__");
inline constexpr uint32_t kTagForceAngle = MakeTag("Fr__");
inline constexpr uint32_t kTagPolar = MakeTag("polr");
inline constexpr uint32_t kTagCartesian = MakeTag("cart");

class TForceBase : public TConstraint {
  DECLARE_CLASS_ID(665, TConstraint)

 public:
  int32_t RequiredAttachments() const override { return 1; }
  bool CanActivate() const override { return false; }
};

class TForce : public TForceBase {
  DECLARE_CLASS_ID(666, TForceBase)

 public:
  static constexpr int16_t kBlockKind = 5227;
  static TObject* CreateObject();
  void Initialize() override;
  Str255 GetInMenuName() const { return "InForceMenu"; }
  Str255 GetOutMenuName() const override { return "OutForceMenu"; }
  bool IsPolar() const { return polar_ != 0; }
  // Converts the pair in force into the other pair and switches to it.
  void SetPolar(uint16_t polar);
  TFormula& Fx() { return *fx_; }
  TFormula& Fy() { return *fy_; }
  TFormula& Fl() { return *fl_; }
  TFormula& Fr() { return *fr_; }
  double GetArrowScale() const { return arrowScale_; }
  void SetArrowScale(double scale) { arrowScale_ = scale; }
  // The arrow's tail in world coordinates: it ends at the application point.
  TVector ArrowTail();
  // The mouse's move of the arrow: the position becomes the tail (movePoint clear) or the
  // application point, the tail staying (movePoint set); the force becomes the vector from the
  // tail to the application point over the arrow scale. An arrow scale of 0 or not finite gives
  // no force, and leaves the force as it is.
  void MoveTo(const TVector& position, uint16_t movePoint);
  // The arrow on the screen: its tip at the application point, its tail at ArrowTail(). False
  // when there is no application point or the two fall on one pixel (nothing to draw).
  bool GetScreenArrow(MacPoint& tip, MacPoint& tail);
  // The outlined arrow: a head of the constraint's size at the application point and a shaft
  // half as wide back to the tail.
  void DrawShape(const MacRect& area, uint16_t mode) override;
  bool HitsShape(double x, double y) const override;
  // A menu command of the force: the mode it sets and the unit of each quantity it then
  // edits, in order; empty for a command the force does not take.
  std::vector<int32_t> ApplyCommand(int16_t command);
  // The input menu binds the activation condition, or sets the mode and binds the quantities of
  // the command to the inputs in order (a second quantity only when a second input was made).
  bool BindInputs(int16_t command, TInputBinding& inputs) override;
  int16_t GetKindNumber() const { return 2506; }

  void ChooseReferenceObject(TLink*) override;
  TLink* RelatedObjectQuery() const override;
  int32_t KindGoalCount() const override { return IsPolar() ? 1 : 2; }
  void MarkGoals() override;
  TFormula* GetFormulaProperty(uint32_t tag, double* first, double* second, int32_t* dimension,
                               uint16_t* flag) override;
  void SetFormulaProperty(uint32_t tag, const TFormula& formula) override;
  uint16_t GetChoiceProperty(uint32_t tag, int16_t& value, void* extra) override;
  void SelectChoice(uint32_t tag) override;
  int16_t KindBlockCode() const override { return kBlockKind; }
  void ReadKindBlock(TObjectReader& reader) override;
  void WriteKindBlock(TObjectWriter& writer) override;

 protected:
  // A press hits the arrow along its shaft and across its head, away from its two ends.
  bool HitWithin(const MacPoint& mouse, int16_t reach) override;

 private:
  uint16_t polar_ = 0;
  std::unique_ptr<TFormula> fx_, fy_, fl_, fr_;
  double arrowScale_ = 1.0;
  // The head's share of the arrow's length on the screen, as last hit-tested.
  double headShare_ = 0.0;
};

class TTorque : public TTwoPointConstraint {
  DECLARE_CLASS_ID(667, TTwoPointConstraint)

 public:
  static constexpr int16_t kBlockKind = 5228;
  static TObject* CreateObject();
  void Initialize() override;
  int32_t QuantityUnit() const override { return 0x12E00001; }
  void MarkGoals() override;
  Str255 GetInMenuName() const { return "InTorqueMenu"; }
  // The input menu binds the activation condition or the moment.
  bool BindInputs(int16_t command, TInputBinding& inputs) override;
  Str255 GetOutMenuName() const override { return "OutTorqueMenu"; }
  int16_t GetKindNumber() const { return 2507; }
  int16_t KindBlockCode() const override { return kBlockKind; }
};

// Enters TForce and TTorque in the class registry.
void RegisterForceClasses();
