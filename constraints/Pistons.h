#pragma once
// Motors and actuators drive the two ends of a two-point constraint: the linear actuator their
// distance, the rotational motor their relative angle. The driven kind (force, position,
// velocity, acceleration or power) goes with the quantity into the goal; a second goal bounds it.
//
// Contents:
//   TPiston (682), TLPiston (683), TRPiston (684): drive and limit kinds,
//     goals, the position kind following the geometry, commands          Pistons.cpp
//   Filing of blocks 5255 and 5258; registration                          Pistons.cpp

#include <memory>
#include <vector>

#include "constraints/Constraint.h"

// The piston base's tag: four bytes outside the printable range, in memory order.
inline constexpr uint32_t kPistonTag = MakeTag("\xE5\x63\x74\xFB");
inline constexpr uint32_t kLPistonTag = MakeTag("pist");
inline constexpr uint32_t kRPistonTag = MakeTag("pisR");
inline constexpr uint32_t kTagDriveKind = MakeTag("kres");
inline constexpr uint32_t kTagLimitKind = MakeTag("lres");
inline constexpr uint32_t kTagLimit = MakeTag("limi");

class TPiston : public TTwoPointConstraint {
  DECLARE_CLASS_ID(682, TTwoPointConstraint)

 public:
  enum Kind : int32_t { kForce = 0, kPosition = 1, kVelocity = 2, kAcceleration = 3, kPower = 4 };
  // The first command of the input menu: the activation condition; then the five drive kinds
  // (power, force, position, velocity, acceleration) and the five limit kinds in that order.
  static constexpr int16_t kFirstCommand = 5270;

  static TObject* CreateObject();
  void Initialize() override;
  int32_t GetDriveKind() const { return driveKind_; }
  void SetDriveKind(int32_t kind);
  bool HasLimit() const { return hasLimit_ != 0; }
  int32_t GetLimitKind() const { return limitKind_; }
  TFormula& Limit() { return *limit_; }
  virtual int32_t UnitOfKind(int32_t kind) const;
  int32_t QuantityUnit() const override { return UnitOfKind(driveKind_); }
  bool HasQuantity() const override { return driveKind_ == kPosition; }
  bool KeepsQuantity(double) const override { return false; }
  int32_t KindGoalCount() const override {
    return TTwoPointConstraint::KindGoalCount() + (HasLimit() ? 1 : 0);
  }
  void MarkGoals() override;
  virtual int16_t GetKindNumber() const { return 0; }
  virtual int16_t CommandBase() const { return kFirstCommand; }

  // A command of the input menu: sets the drive kind or the limit and its kind. Answers the unit
  // code in which the quantity (drive commands) or the limit (limit commands) is then edited,
  // 0 for a command the piston does not take.
  int32_t ApplyCommand(int16_t command);
  // The commands of the input menu other than those of the current kinds.
  std::vector<int16_t> ListedCommands() const;
  // The input menu binds the activation condition, or applies the command and binds the
  // quantity (drive commands) or the limit (limit commands) in the unit of its kind. A position
  // starts from the ends' distance (angle), with the range of PositionRange.
  bool BindInputs(int16_t command, TInputBinding& inputs) override;

  TFormula* GetFormulaProperty(uint32_t tag, double* first, double* second, int32_t* dimension,
                               uint16_t* flag) override;
  void SetFormulaProperty(uint32_t tag, const TFormula& formula) override;
  uint16_t GetShortProperty(uint32_t tag, uint16_t& value, void* extra) override;
  void SetShortProperty(uint32_t tag, uint16_t value) override;
  int16_t KindBlockCode() const override { return 5255; }
  void ReadKindBlock(TObjectReader& reader) override;
  void WriteKindBlock(TObjectWriter& writer) override;

 protected:
  // The position kind takes the current distance (or angle) of the ends as its quantity.
  virtual void FollowGeometry();
  virtual double CurrentGeometry() const { return PathLength(); }
  // A driven distance: from the world's length step to ten times it.
  virtual TInputRange PositionRange() const;

 private:
  int32_t driveKind_ = 0;
  uint16_t hasLimit_ = 0;
  std::unique_ptr<TFormula> limit_;
  int32_t limitKind_ = 0;
};

class TLPiston : public TPiston {
  DECLARE_CLASS_ID(683, TPiston)

 public:
  static TObject* CreateObject();
  int16_t GetKindNumber() const override { return 2512; }
  Str255 GetInMenuName() const { return "InActuatorMenu"; }
  bool HitsShape(double x, double y) const override;
  // A wide cylinder on the first half and a narrow rod on the second.
  void DrawFigure(const DrawingFrame& frame, uint16_t mode) override;
  double FigureReach() const override { return 0.25; }
  // In the position kind the ends keep the quantity as their distance.
  bool HasAssemblyConditions() const override { return HasQuantity(); }

 protected:
  void AddAssemblyConditions(TAssemblySolver& solver) override;
};

class TRPiston : public TPiston {
  DECLARE_CLASS_ID(684, TPiston)

 public:
  static constexpr int16_t kFirstMotorCommand = 5250;
  static TObject* CreateObject();
  void Initialize() override;
  int32_t UnitOfKind(int32_t kind) const override;
  int16_t GetKindNumber() const override { return 2513; }
  int16_t CommandBase() const override { return kFirstMotorCommand; }
  int16_t KindBlockCode() const override { return 5258; }
  // Text worlds carry the drive block under this code, which makes a motor of their object.
  static constexpr int16_t kTextDriveBlock = 5225;
  uint16_t ReadBlockContents(int16_t code, TObjectReader& reader) override;
  Str255 GetInMenuName() const { return "InMotorMenu"; }
  const char* PointIconName() const override { return "RPistonCnstrIcon"; }
  double MeasuredQuantity() const override { return AngleDifference(); }
  // In the position kind the points coincide and turn apart by the quantity.
  bool HasAssemblyConditions() const override {
    return (HasQuantity() && AttachedCount() > 1) || TPiston::HasAssemblyConditions();
  }

 protected:
  void AddAssemblyConditions(TAssemblySolver& solver) override;
  void FollowGeometry() override;
  double CurrentGeometry() const override { return AngleDifference(); }
  // A driven angle: half a turn either way.
  TInputRange PositionRange() const override;
};

// Enters TPiston, TLPiston and TRPiston in the class registry.
void RegisterPistonClasses();
