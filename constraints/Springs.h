#pragma once
// Springs and dampers: force laws between the two ends of a two-point constraint, written as
// formula text into the kind's goal, which the solver evaluates every step. The two-point
// quantity "a___" is the law's constant (k or c).
//
// Contents:
//   TXCnstr (645): the exponent                                             Springs.cpp
//   TSpringBase (646), TLSpring (647), TLDampSpring (648), TRSpring (649),
//   TRDampSpring (650): rest value, spring damping, damper constant         Springs.cpp
//   TDamperBase (651), TLDamper (652), TRDamper (653)                        Springs.cpp
//   Goal texts, units, hit tests in the drawing frame                        SpringLaws.cpp
//   Filing: the kind blocks and block 5312; registration                     SpringFiling.cpp

#include <memory>
#include <string>
#include <vector>

#include "constraints/Constraint.h"

inline constexpr uint32_t kXConstraintTag = MakeTag("expC");
inline constexpr uint32_t kLSpringTag = MakeTag("spng");
inline constexpr uint32_t kLDampSpringTag = MakeTag("dS_L");
inline constexpr uint32_t kRSpringTag = MakeTag("spnR");
inline constexpr uint32_t kRDampSpringTag = MakeTag("dS_R");
inline constexpr uint32_t kLDamperTag = MakeTag("damp");
inline constexpr uint32_t kRDamperTag = MakeTag("damR");

inline constexpr uint32_t kTagExponent = MakeTag("exp ");
inline constexpr uint32_t kTagRestValue = MakeTag("b___");
inline constexpr uint32_t kTagDamping = MakeTag("damp");

// Unit codes of the laws.
inline constexpr uint32_t kUnitForce = 0x11E00000;
inline constexpr uint32_t kUnitEnergy = 0x12E00000;
inline constexpr uint32_t kUnitTorque = 0x12E00001;
inline constexpr uint32_t kUnitLength = 0x01000000;
inline constexpr uint32_t kUnitAngle = 0x00010000;
inline constexpr uint32_t kUnitAngularVelocity = 0x00F10000;
inline constexpr uint32_t kUnitVelocity = 0x01F00000;
inline constexpr uint32_t kUnitMassPerTime = 0x10F00000;

class TXCnstr : public TTwoPointConstraint {
  DECLARE_CLASS_ID(645, TTwoPointConstraint)

 public:
  static TObject* CreateObject();
  void Initialize() override;
  int16_t GetExponent() const { return exponent_; }
  virtual void SetExponent(int16_t exponent) { exponent_ = exponent; }
  // The law written into the kind's first goal; empty when the kind has none.
  std::string LawText() { return LawTextFor(GetExponent()); }
  virtual std::string LawTextFor(int16_t /*exponent*/) { return {}; }
  // A law holds what a stored formula holds.
  static constexpr size_t kLawTextLimit = 255;
  // The longest the law can grow without a value being entered: under another exponent, with an
  // identifier of six characters and with each constant piece set afresh (a rest length that
  // follows the ends) to the longest text of a number.
  size_t LawLengthBound();
  // The quantity, checked as a piece of the law.
  void SetFormulaProperty(uint32_t tag, const TFormula& formula) override;
  // Whether the frame point (x along, y across) hits the drawn shape.
  virtual int16_t GetKindNumber() const { return 0; }
  virtual Str255 GetInMenuName() const { return ""; }
  void MarkGoals() override;
  uint16_t GetShortProperty(uint32_t tag, uint16_t& value, void* extra) override;
  void SetShortProperty(uint32_t tag, uint16_t value) override;
  void ReadKindBlock(TObjectReader& reader) override;
  void WriteKindBlock(TObjectWriter& writer) override;

 protected:
  // ".dp.x" or ".dp.r", and the identifier's reference "Constraint[n]".
  std::string Reference() const;
  std::string Axis() const { return IsRotational() ? "r" : "x"; }
  // The formulas whose texts the law holds.
  virtual std::vector<TFormula*> LawPieces() { return {&Quantity()}; }
  // Assigns an entered value to a piece of the law. A value with which the law could outgrow
  // its limit is refused with -28811 and a detail text naming the limit; the piece keeps its
  // value.
  void AssignLawPiece(TFormula& piece, const TFormula& value);
  virtual void ReadOwnItems(TObjectReader&) {}
  virtual void WriteOwnItems(TObjectWriter&) {}

 private:
  int16_t exponent_ = 0;
};

class TSpringBase : public TXCnstr {
  DECLARE_CLASS_ID(646, TXCnstr)

 public:
  // The input menus of the linear and of the rotational kinds: the activation condition, the
  // constant and the rest value, in that order.
  static constexpr int16_t kCommandLinearInputs = 5320;
  static constexpr int16_t kCommandRotationalInputs = 5330;
  // The linear spring-constant slider, which ranges from a hundredth of the constant up to it.
  static constexpr int16_t kCommandConstantInput = 5321;
  // The rest value is bound only while the law has one (a positive exponent).
  bool BindInputs(int16_t command, TInputBinding& inputs) override;
  void Initialize() override;
  void SetExponent(int16_t exponent) override;
  virtual void ResetRestValue() {}
  TFormula& RestValue() { return *rest_; }
  TFormula& SpringDamping() { return *springDamping_; }
  // The formula "damp" names: the spring damping, or a damper constant of the kind's own.
  virtual TFormula& DampingProperty() { return *springDamping_; }
  uint32_t DampingUnit() const;
  std::string LawTextFor(int16_t exponent) override;
  TFormula* GetFormulaProperty(uint32_t tag, double* first, double* second, int32_t* dimension,
                               uint16_t* flag) override;
  void SetFormulaProperty(uint32_t tag, const TFormula& formula) override;
  static constexpr int16_t kBlockSpringDamping = 5312;
  uint16_t ReadBlockContents(int16_t code, TObjectReader& reader) override;
  void WriteBlockContents(int16_t code, TObjectWriter& writer) override;
  void WriteFields(TObjectWriter& writer) override;

 protected:
  void ReadOwnItems(TObjectReader& reader) override;
  void WriteOwnItems(TObjectWriter& writer) override;
  std::vector<TFormula*> LawPieces() override;

 private:
  std::unique_ptr<TFormula> rest_;
  std::unique_ptr<TFormula> springDamping_;
};

class TLSpring : public TSpringBase {
  DECLARE_CLASS_ID(647, TSpringBase)

 public:
  static TObject* CreateObject();
  int32_t QuantityUnit() const override;
  int16_t KindBlockCode() const override { return 5207; }
  int16_t GetKindNumber() const override { return 2509; }
  Str255 GetInMenuName() const override { return "InSpringMenu"; }
  // Linear springs, with or without their own damper, open the spring dialog.
  static constexpr int16_t kPropertiesDialog = 10411;
  int16_t GetObjectKindCode() const override { return kPropertiesDialog; }
  void ResetRestValue() override;
  bool HitsShape(double x, double y) const override;
  // A coil of five strokes across the middle of the segment.
  void DrawFigure(const DrawingFrame& frame, uint16_t mode) override;
  double FigureReach() const override { return 0.4; }
  static constexpr int16_t kCoilCount = 4;
};

class TLDampSpring : public TLSpring {
  DECLARE_CLASS_ID(648, TLSpring)

 public:
  static TObject* CreateObject();
  void Initialize() override;
  int16_t KindBlockCode() const override { return 5020; }
  int16_t GetKindNumber() const override { return 2543; }
  Str255 GetInMenuName() const override { return "InDampSpringMenu"; }
  TFormula& DampingProperty() override { return *damper_; }
  std::string LawTextFor(int16_t exponent) override;
  bool HitsShape(double x, double y) const override;
  // A damper above and a coil below, side by side between two bars.
  void DrawFigure(const DrawingFrame& frame, uint16_t mode) override;
  double FigureReach() const override { return 1.4; }

 protected:
  void ReadOwnItems(TObjectReader& reader) override;
  void WriteOwnItems(TObjectWriter& writer) override;
  std::vector<TFormula*> LawPieces() override;

 private:
  std::unique_ptr<TFormula> damper_;
};

class TRSpring : public TSpringBase {
  DECLARE_CLASS_ID(649, TSpringBase)

 public:
  static TObject* CreateObject();
  void Initialize() override;
  int32_t QuantityUnit() const override;
  int16_t KindBlockCode() const override { return 5219; }
  int16_t GetKindNumber() const override { return 2518; }
  Str255 GetInMenuName() const override { return "InRSpringMenu"; }
  const char* PointIconName() const override {
    return IsLocked() != 0 ? "RLockSpringCnstrIcon" : "RSpringCnstrIcon";
  }
};

class TRDampSpring : public TRSpring {
  DECLARE_CLASS_ID(650, TRSpring)

 public:
  static TObject* CreateObject();
  int16_t KindBlockCode() const override { return 5021; }
  int16_t GetKindNumber() const override { return 2544; }
};

class TDamperBase : public TXCnstr {
  DECLARE_CLASS_ID(651, TXCnstr)

 public:
  std::string LawTextFor(int16_t exponent) override;
  Str255 GetInMenuName() const override { return "InDamperMenu"; }
  // The activation condition and the damping constant.
  static constexpr int16_t kCommandInputs = 5340;
  bool BindInputs(int16_t command, TInputBinding& inputs) override;
};

class TLDamper : public TDamperBase {
  DECLARE_CLASS_ID(652, TDamperBase)

 public:
  static TObject* CreateObject();
  int32_t QuantityUnit() const override;
  int16_t KindBlockCode() const override { return 5220; }
  int16_t GetKindNumber() const override { return 2516; }
  static constexpr int16_t kPropertiesDialog = 10413;
  int16_t GetObjectKindCode() const override { return kPropertiesDialog; }
  bool HitsShape(double x, double y) const override;
  // A cylinder open towards the second end, with the piston's plate inside.
  void DrawFigure(const DrawingFrame& frame, uint16_t mode) override;
  double FigureReach() const override { return 0.7; }
};

class TRDamper : public TDamperBase {
  DECLARE_CLASS_ID(653, TDamperBase)

 public:
  static TObject* CreateObject();
  void Initialize() override;
  int32_t QuantityUnit() const override;
  int16_t KindBlockCode() const override { return 5221; }
  int16_t GetKindNumber() const override { return 2517; }
  const char* PointIconName() const override {
    return IsLocked() != 0 ? "RLockDamperCnstrIcon" : "RDamperCnstrIcon";
  }
};

// Enters the six kinds in the class registry.
void RegisterSpringClasses();
