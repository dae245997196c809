#pragma once
// Ropes, separators and rods keep the distance of their ends (or the path length over more than
// two points: a pulley line) at, below or above their length; the rotational rope bounds the
// relative rotation of the bodies it joins.
//
// Contents:
//   TLRope (680): type, acting test, amplitude of the drawn slack, goals     Ropes.cpp
//   TRod (681): a rigid TLRope under its own class and blocks                Ropes.cpp
//   TRRope (679): lower and upper rotation limits                            Ropes.cpp
//   Filing of blocks 5256/5222, 5257/5239 and 5223; registration            RopeFiling.cpp

#include <memory>

#include "constraints/Constraint.h"

inline constexpr uint32_t kRopeTag = MakeTag("rope");
inline constexpr uint32_t kRodTag = MakeTag("TRod");
inline constexpr uint32_t kRotationalRopeTag = MakeTag("lckR");
inline constexpr uint32_t kTagRopeType = MakeTag("tyRo");
inline constexpr uint32_t kTagRopeElasticity = MakeTag("eLas");
inline constexpr uint32_t kTagMinRotation = MakeTag("minR");
inline constexpr uint32_t kTagMaxRotation = MakeTag("maxR");

class TLRope : public TTwoPointConstraint {
  DECLARE_CLASS_ID(680, TTwoPointConstraint)

 public:
  enum Type : int32_t { kRigid = 0, kSeparator = 1, kRope = 2 };
  static constexpr int16_t kBlockKind = 5256;
  static constexpr int16_t kBlockOldKind = 5222;
  static constexpr int16_t kCmdEditActivation = 5310;
  static constexpr int16_t kCmdEditLength = 5311;
  static constexpr int16_t kCmdEditElasticity = 5312;

  static TObject* CreateObject();
  void Initialize() override;
  int32_t GetType() const { return type_; }
  // Only a rope (type 2) opens the rope dialog; rods and separators have none.
  static constexpr int16_t kPropertiesDialog = 10412;
  int16_t GetObjectKindCode() const override { return type_ == kRope ? kPropertiesDialog : 0; }
  void SetType(int32_t type);
  double GetAmplitude() const { return amplitude_; }
  // Brings the length in line after reading, then measures the slack or compression the
  // drawing shows.
  void UpdateAmplitude();
  // Whether the rope acts with its ends where they are now.
  bool IsActing() const;
  bool HitsShape(double x, double y) const override;
  // Drawn, the slack or compression is measured afresh; a rigid link has no width and is
  // drawn as its line, a rope sags by its amplitude, a separator shows its stops.
  void PrepareDrawing() override { UpdateAmplitude(); }
  double SizeRatio(const MacPoint& offset) const override;
  void DrawFigure(const DrawingFrame& frame, uint16_t mode) override;
  double FigureReach() const override { return type_ == kSeparator ? 0.5 : 0.25; }
  virtual int16_t GetKindNumber() const;
  Str255 GetInMenuName() const { return "InRopeMenu"; }
  // The input menu binds the activation condition, the length (from the world's length step to
  // ten times it or twice the length, the larger) or the elasticity (the second quantity).
  bool BindInputs(int16_t command, TInputBinding& inputs) override;

  int32_t QuantityUnit() const override { return 0x01000000; }
  bool HasQuantity() const override { return AttachedCount() < 3; }
  bool KeepsQuantity(double) const override { return type_ == kSeparator || type_ == kRope; }
  // A rope or rigid line read with no length, the constant 0, could only act by drawing its
  // points onto each other, which no motion does: it takes the length its points span. Any
  // other length read is kept or followed as the two-point base says.
  void AdjustQuantityToGeometry() override;
  void MarkGoals() override;
  TFormula* GetFormulaProperty(uint32_t tag, double* first, double* second, int32_t* dimension,
                               uint16_t* flag) override;
  void SetFormulaProperty(uint32_t tag, const TFormula& formula) override;
  uint16_t GetShortProperty(uint32_t tag, uint16_t& value, void* extra) override;
  void SetShortProperty(uint32_t tag, uint16_t value) override;

  // A rigid link keeps its length, a separator at least its length and a rope at most (slack
  // while shorter); the length is summed along a pulley line.
  bool HasAssemblyConditions() const override { return type_ >= kRigid && type_ <= kRope; }

  int16_t KindBlockCode() const override { return kBlockKind; }
  virtual int16_t OldKindBlockCode() const { return kBlockOldKind; }
  void ReadKindBlock(TObjectReader& reader) override;
  void WriteKindBlock(TObjectWriter& writer) override;
  uint16_t ReadBlockContents(int16_t code, TObjectReader& reader) override;

 protected:
  void AddAssemblyConditions(TAssemblySolver& solver) override;

 private:
  int32_t type_ = kRigid;
  double amplitude_ = 1.0;
};

class TRod : public TLRope {
  DECLARE_CLASS_ID(681, TLRope)

 public:
  static TObject* CreateObject();
  int16_t KindBlockCode() const override { return 5257; }
  int16_t OldKindBlockCode() const override { return 5239; }
  int16_t GetKindNumber() const override { return 2504; }
};

class TRRope : public TConstraint {
  DECLARE_CLASS_ID(679, TConstraint)

 public:
  static constexpr int16_t kBlockKind = 5223;
  static TObject* CreateObject();
  void Initialize() override;
  TFormula& MinRotation() { return *minR_; }
  TFormula& MaxRotation() { return *maxR_; }
  int32_t KindGoalCount() const override { return TConstraint::KindGoalCount() + 1; }
  void MarkGoals() override;
  Str255 GetInMenuName() const { return "InRRopeMenu"; }
  // The input menu binds the activation condition, the largest rotation (an angle) or the
  // elasticity (the second quantity).
  bool BindInputs(int16_t command, TInputBinding& inputs) override;
  static constexpr int16_t kCmdEditActivation = 5350;
  static constexpr int16_t kCmdEditMaxRotation = 5351;
  static constexpr int16_t kCmdEditElasticity = 5352;
  TFormula* GetFormulaProperty(uint32_t tag, double* first, double* second, int32_t* dimension,
                               uint16_t* flag) override;
  void SetFormulaProperty(uint32_t tag, const TFormula& formula) override;
  int16_t KindBlockCode() const override { return kBlockKind; }
  void ReadKindBlock(TObjectReader& reader) override;
  void WriteKindBlock(TObjectWriter& writer) override;

 private:
  std::unique_ptr<TFormula> minR_;
  std::unique_ptr<TFormula> maxR_;
};

// Enters the pin, TLRope, TRRope and TRod in the class registry, in that order.
void RegisterPinRopeRodClasses();
