#pragma once
// The slot joint: the points attached after the first stay on a straight line fixed in the body
// of the first one (the primary point). The line runs through the primary point in the direction
// of that point's own rotation, the slot angle, so the slot keeps no angle of its own. A locked
// slot also keeps the rotation of its points (a keyed slot).
//
// Contents (Slot.cpp): the slot frame and its conversions, the slot angle, goals and kind
// numbers, properties, the drawn line with its hit tests, snapping of points onto the line, the
// condition handed to the assembly solver, filing of block 5231 and the registration.

#include "bodies/points/Point.h"
#include "constraints/Constraint.h"

class TAssemblySolver;
class TAssemblyConstraint;
class TMass;

inline constexpr uint32_t kSlotTag = MakeTag("slot");

class TSlot : public TLockableCnstr {
  DECLARE_CLASS_ID(616, TLockableCnstr)

 public:
  static constexpr int16_t kBlockKind = 5231;
  static constexpr int16_t kCmdEditActivation = 5240;
  // The drawing mode's highlight bit.
  static constexpr uint16_t kHighlighted = 4;
  // Pixels within which a click hits the drawn line.
  static constexpr int16_t kLineSlop = 5;

  static TObject* CreateObject();
  void Initialize() override;

  // ---- The primary point, its body and the slot angle ----
  TPoint* PrimaryPoint() const;
  TMass* SlotBody() const;
  // The rotation of the primary point within its body; 0 without one.
  double SlotAngle() const;
  // Stores the angle into the primary point's rotation when it differs, unless the body refuses
  // changes.
  virtual void SetSlotAngle(double angle);
  bool IsPrimary(const TLink* object) const { return object != nullptr && object == GetPrimaryObject(); }

  // ---- Frames: slot-local coordinates have x along the line and y across it ----
  Transform2D SlotFrame() const;
  Transform2D InverseSlotFrame() const;
  void LocalToWorld3(TVector3& p) override;
  void LocalToWorld(TVector& p) override;
  void WorldToLocal3(TVector3& p) override;
  void WorldToLocal(TVector& p) override;
  // The primary point's world position with the slot angle as r.
  void GetPlacement(TVector3& placement) override;
  void GetPosition(TVector& position) override;
  // Sets only the slot angle, from r.
  void SetPlacement(const TVector3& placement) override;

  // ---- Goals, kind and menus ----
  int32_t KindGoalCount() const override { return 1 + IsLocked(); }
  void MarkGoals() override;
  virtual int16_t GetKindNumber() const;
  Str255 GetInMenuName() const { return "InPinMenu"; }
  // The input menu's one command binds the activation condition.
  bool BindInputs(int16_t command, TInputBinding& inputs) override;
  Str255 GetOutMenuName() const { return "OutPinMenu"; }
  // The command a menu command of the slot stands for: its own activation command is the
  // constraint's.
  static int16_t ConstraintCommandFor(int16_t command);
  bool CanActivate() const override;
  // At least two points and an activation condition that can be true.
  bool IsCompleteForSolver() const;
  TLink* RelatedObjectQuery() const override;

  // ---- Properties ----
  // The tag of a coordinates-bar row: the slot angle takes row 19 until a second point is
  // attached and row 21 after.
  uint32_t TagForPropertyIndex(int16_t index) const;
  void SetFormulaProperty(uint32_t tag, const TFormula& formula) override;

  // ---- Attachments ----
  void AttachObjectAndUpdate(TLink* object) override;

  // ---- Display ----
  // The two screen ends of the line across the body's bounds; false without a primary point.
  bool GetScreenLine(MacPoint& first, MacPoint& second) const;
  void DrawShape(const MacRect& area, uint16_t mode) override;
  void DrawSlotLine(uint16_t mode) const;
  // The line, the inactive look and thin lines from the primary point to the others.
  void DrawFeedback(uint16_t mode);
  virtual bool IsInRect(const MacRect& rect);
  // Whether the click lies on the line, not on one of the marked points.
  virtual bool HitsLine(const MacPoint& mouse);
  // Active: the line, reporting the primary point; inactive: no hit of the slot itself.
  bool HitObject(const MacPoint& mouse, TLink*& hit);
  bool HitsForSelection(const MacPoint& mouse);

  // ---- Snapping and the assembly solver ----
  // Puts every attached point but the primary one onto the line, its x on the world's snapping
  // step and its rotation across the slot 0; only while the slot is inactive.
  virtual void SnapPointsOntoSlot(TLink* moved);
  // The slot's condition in the assembly solver, whose frames for the bodies exist: the other
  // points on the line of the primary point in its body. Null (made 0) with fewer than two points.
  virtual TAssemblyConstraint* SolverGeometry(TAssemblySolver& solver, uint16_t& made);
  bool HasAssemblyConditions() const override { return true; }

  // ---- Filing ----
  int16_t KindBlockCode() const override { return kBlockKind; }
  void ReadKindBlock(TObjectReader& reader) override;
  void WriteKindBlock(TObjectWriter& writer) override;

  // ---- Point hooks ----
  void BeforePointDrawing(DrawContext& context, uint16_t mode, TPoint& point,
                          uint16_t& show) override;

 protected:
  // The slot's condition with every point but the primary one on it.
  void AddAssemblyConditions(TAssemblySolver& solver) override;
  void AttachHook(TLink* object) override;
};

// Enters TSlot in the class registry.
void RegisterSlotClasses();
