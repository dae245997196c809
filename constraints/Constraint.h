#pragma once
// The constraint spine: every constraint a world holds derives from TCnstr, which keeps the
// objects it is attached to, the goals it hands to the solver and its activation condition, and
// files them in block 1310. The drawn levels add what the user sees and edits; the two-point base
// adds one quantity that follows the distance of its ends.
//
// Contents:
//   1. TCnstrGoal (366): a goal formula with its type, limit and component     ConstraintGoals.cpp
//   2. TCnstr (367): attachments, primary and reference objects, activation    Constraint.cpp
//      filing of blocks 1310, 5031 and 5232                                     ConstraintFiling.cpp
//   3. TCustomConstraint (368): goals only, never lost with its objects        ConstraintGoals.cpp
//   4. TUICnstr (369), TLockableCnstr (370), TConstraint (670): extra goals,
//      lock, goal preparation and marking, blocks 5233, 5019, 5229            DrawnConstraint.cpp
//      hit tests of lines, segments and drawn shapes on the screen            DrawnConstraint.cpp
//   5. TTwoPointConstraint (671): the quantity "a___" and its correction       TwoPointConstraint.cpp
//   What constraints answer to the points they hang on                         ConstraintPointHooks.cpp
//   Registration of the spine and its shared objects                           ConstraintGoals.cpp

#include <cstdint>
#include <memory>
#include <vector>

#include "bodies/assembly/BodyAssembly.h"
#include "bodies/points/Point.h"
#include "core/geometry/Vector.h"
#include "model/Formula.h"
#include "model/Thing.h"
#include "model/world/WorldParticipants.h"

class TObjectReader;
class TObjectWriter;

inline constexpr uint32_t kConstraintClassTag = MakeTag("CSTR");
inline constexpr uint32_t kUIConstraintTag = MakeTag("UICn");
// The custom constraint's registry tag is four bytes outside the printable range, taken in
// memory order as every tag is (the class table names it by the same bytes).
inline constexpr uint32_t kCustomConstraintTag = MakeTag("\xFC\xEB\xE4\xEF");

inline constexpr uint32_t kTagActivation = MakeTag("A Eq");
inline constexpr uint32_t kTagAlwaysActive = MakeTag("A Al");
inline constexpr uint32_t kTagActiveWhen = MakeTag("A Wh");
inline constexpr uint32_t kTagQuantity = MakeTag("a___");
inline constexpr uint32_t kTagLocked = MakeTag("loCk");
inline constexpr uint32_t kTagToBody = MakeTag("toMa");
inline constexpr uint32_t kTagPivot = MakeTag("pivo");
inline constexpr uint32_t kTagFirstEndId = MakeTag("IDp1");
inline constexpr uint32_t kTagSecondEndId = MakeTag("IDp2");

// Goal types, limit markings and components as the solver reads them.
enum class GoalType : uint8_t { kForce = 0, kPosition = 1, kVelocity = 2, kAcceleration = 3,
                                kPower = 4 };
enum class GoalComponent : uint8_t { kX = 0, kY = 1, kRotation = 2 };

// ---- 1. Goal ----
class TCnstrGoal : public TFormula {
  DECLARE_CLASS_ID(366, TFormula)

 public:
  int32_t type = 0;       // GoalType
  int32_t limit = 0;      // 0 an equality, 1 a lower and 2 an upper limit (rods: the rope type)
  int32_t component = 0;  // GoalComponent
  // The fewest bytes a filed goal takes in any stream: its three codes and its formula's flag.
  static constexpr int32_t kLeastFiledBytes = 4;

  void Clear();
  void Write(TObjectWriter& writer) const;
  void Read(TObjectReader& reader);
};

// The inputs an input-control command made, as a constraint binds them: each input's formula
// name ("Input[n]"; empty for a second input that was not made), and the value and range it
// starts with, in display units.
struct TInputSide {
  const Str255& name;
  double& value;
  double& minimum;
  double& maximum;
  bool IsMade() const { return name.Length() > 0; }
};
struct TInputBinding {
  TInputSide first;
  TInputSide second;
};
// A range a new input starts with, in internal units.
struct TInputRange {
  double low = 0.0;
  double high = 0.0;
};

// ---- 2. Constraint root ----
class TCnstr : public TThing,
               public TPointConstraintHooks,
               public TAssemblyParticipant,
               public TInputControlTarget {
  DECLARE_CLASS_ID(367, TThing)

 public:
  static constexpr int16_t kBlockRecord = 1310;
  static constexpr int16_t kBlockActive = 5031;
  static constexpr int16_t kBlockAttached = 5232;
  // Commands of every constraint: the second quantity and the activation condition.
  static constexpr int16_t kCmdEditSecond = 5398;
  static constexpr int16_t kCmdEditActivation = 5399;

  TCnstr() = default;
  ~TCnstr() override;
  void Initialize() override;
  void WriteClassTag(TObjectWriter& writer) override;
  virtual Str255 GetTypeName() const { return "Constraint"; }

  // Attachments. The first attached object is the primary one.
  void AttachObject(TLink* object);
  void DetachObject(TLink* object);
  virtual void AttachObjectAndUpdate(TLink* object);
  const std::vector<TLink*>& Attached() const { return attached_; }
  int32_t AttachedCount() const { return static_cast<int32_t>(attached_.size()); }
  bool IsAttachedTo(const TLink* object) const;
  TLink* GetPrimaryObject() const { return primary_; }
  TLink* GetReferenceObject() const { return reference_; }
  TLink* GetOtherObject(const TLink* object) const;
  virtual int32_t RequiredAttachments() const { return 2; }
  // Whether deleting the objects of the list leaves fewer attachments than the kind needs.
  virtual bool LosesAttachments(const std::vector<TLink*>& deleted) const;
  virtual void ChooseReferenceObject(TLink* candidate);
  // The bodies of the two ends; the enclosing one first.
  virtual void GetEndBodies(TLink*& first, TLink*& second) const;

  // Geometry through the attached objects.
  double PathLength() const;
  double AngleDifference() const;
  TVector EndToEnd() const;
  void GetLocalToWorldTransform(Transform2D& t) override;

  // Activation.
  uint16_t Activate(uint16_t redraw);
  void Deactivate(uint16_t redraw);
  virtual bool CanActivate() const { return active_ == 0; }
  bool IsActive() const { return active_ != 0; }
  bool IsInactive() const override { return active_ == 0; }
  virtual bool IsAlwaysActive() const;
  virtual void SetAlwaysActive(uint16_t flag);
  TFormula& Activation() { return *activation_; }
  const TFormula& Activation() const { return *activation_; }
  TFormula& SecondQuantity() { return *second_; }
  int16_t GetConditionMode() const { return conditionMode_; }
  void SetConditionMode(int16_t mode) { conditionMode_ = mode; }
  void SetDisplayMode(int16_t mode) { displayMode_ = mode; }
  int16_t GetDisplayMode() const { return displayMode_; }
  TLink* GetRelatedObject() const { return related_; }
  void SetRelatedObject(TLink* object) { related_ = object; }

  // The quantity filed for the primary object: its rotation, or the shared default.
  virtual const TFormula& PrimaryQuantity() const;
  void SetPrimaryQuantity(const TFormula* value);
  void SetPrimaryQuantityValue(double value);
  // The object filed first in block 1310; none at this level.
  virtual TLink* RelatedObjectQuery() const { return nullptr; }

  // Goals.
  std::vector<std::unique_ptr<TCnstrGoal>>& Goals() { return goals_; }
  TCnstrGoal& Goal(int32_t oneBased) { return *goals_.at(static_cast<size_t>(oneBased - 1)); }
  void ResizeGoals(int32_t count);
  virtual void ReadGoals(int32_t count, TObjectReader& reader);
  // The constraint's fields changed in a way the solver or the drawing depends on.
  virtual void MarkChanged();

  // Properties.
  TFormula* GetFormulaProperty(uint32_t tag, double* first, double* second, int32_t* dimension,
                               uint16_t* flag) override;
  void SetFormulaProperty(uint32_t tag, const TFormula& formula) override;
  uint16_t GetShortProperty(uint32_t tag, uint16_t& value, void* extra) override;
  void SetShortProperty(uint32_t tag, uint16_t value) override;
  uint16_t GetChoiceProperty(uint32_t tag, int16_t& value, void* extra) override;
  void SelectChoice(uint32_t tag) override;

  // Input controls. A command of the kind's input menu binds the quantity it names to the new
  // input: the quantity's formula becomes the input's name in the world's display units, and
  // the input starts at the value the quantity had, with a range the kind chooses. False, with
  // nothing changed, for a command the kind does not take (see BindInputs).
  bool AttachInputControls(int16_t command, const Str255& first, const Str255& second,
                           double& firstValue, double& secondValue, double& firstMinimum,
                           double& firstMaximum, double& secondMinimum,
                           double& secondMaximum) final;
  // The root binds the activation condition (kCmdEditActivation) and the second quantity
  // (kCmdEditSecond), each with a range of 0 to 1; kinds bind their own quantities and map
  // their own commands onto these, passing the rest on to their base.
  virtual bool BindInputs(int16_t command, TInputBinding& inputs);

  // Selection on the screen. A band takes a constraint when it holds the screen positions of
  // all its attached objects (and it has one at least). The selection mark is the constraint
  // drawn once more in the highlight mode with a 3 x 3 pen in the port's pen mode: an inverting
  // mode draws it and erases it again.
  bool LiesInRect(const MacRect& rect);
  virtual void HighlightSelection(const MacRect& area, int16_t oldState, int16_t newState);

  // Filing.
  uint16_t ReadBlockContents(int16_t code, TObjectReader& reader) override;
  void WriteBlockContents(int16_t code, TObjectWriter& writer) override;
  void WriteFields(TObjectWriter& writer) override;
  void ResolveReference(TObjectReader& reader, int16_t code, uint16_t kind,
                        TLink* object) override;
  void ObjectRemoved(TLink* object) override;

  // What the constraint answers to its points: it keeps an attached point on its body and holds
  // its attached points together; a point that moves or changes makes its measured geometry
  // stale.
  bool ClaimsPoint(TPoint& point) override { return IsAttachedTo(&point); }
  bool AgreesWith(TPoint& point) override { return IsAttachedTo(&point); }
  std::vector<TPoint*> OwnPoints() override;
  void PointMoved(TPoint& point) override;
  void PointChanged(TPoint& point) override;

  // The editing assembly. A constraint holds its bodies there while it acts: its active flag is
  // clear, its condition can be true and it has two objects or more. The attached objects and
  // their bodies follow it.
  void CollectJoined(std::vector<TLink*>& joined) override;
  void AddToAssembly(TAssemblySolver& solver) override;
  bool HoldsInAssembly() const;
  // Whether the kind imposes anything on the geometry; none at this level.
  virtual bool HasAssemblyConditions() const { return false; }

 protected:
  // Adds the kind's conditions; the bodies of the attached objects have frames by then.
  virtual void AddAssemblyConditions(TAssemblySolver&) {}
  virtual void AttachHook(TLink* object);
  virtual void DetachHook(TLink* object);
  virtual void Recompute() {}
  virtual void WriteRecord(TObjectWriter& writer);
  void WriteAttachedList(TObjectWriter& writer) const;
  void ReadAttachedList(TObjectReader& reader);

  // Binds the quantity to the input of side, in the display units of unit: through the
  // property setter of tag, so that the kind's own checks run, or, for tag 0, assigned with the
  // constraint marked changed. Until a run evaluates it the formula keeps the value the quantity
  // had, which the input starts from; the range is shown in display units too.
  void BindInput(TInputSide& side, TFormula& quantity, uint32_t tag, int32_t unit,
                 TInputRange range);
  // The value a quantity holds now; 0 for a formula not yet evaluated.
  static double StartValue(const TFormula& quantity);
  // From 0 to twice the value (or from twice a negative value to 0); -1 to 1 around 0.
  static TInputRange RangeAround(double value);
  // Half a turn either side of an angle.
  static TInputRange RangeOfAngle(double angle);
  // Conditions and coefficients: 0 to 1.
  static constexpr TInputRange kUnitRange{0.0, 1.0};
  // The world's step for lengths: its snapping distance, 1 without a world.
  double WorldLengthStep() const;

 private:
  void Announce();
  bool YieldsTo(TLink* current, TLink* candidate) const;

  std::unique_ptr<TFormula> activation_;
  std::unique_ptr<TFormula> second_;
  std::unique_ptr<TFormula> primaryQuantity_;
  int16_t conditionMode_ = 0;
  TLink* related_ = nullptr;
  std::vector<TLink*> attached_;
  TLink* reference_ = nullptr;
  TLink* primary_ = nullptr;
  std::vector<std::unique_ptr<TCnstrGoal>> goals_;
  uint16_t active_ = 0;
  int16_t displayMode_ = 1;
};

// ---- 3. Custom constraint ----
// The properties of a custom constraint's goals, by goal: its formula, its type (a GoalType)
// and its component (a GoalComponent). The digit is the goal's number, from 1.
inline constexpr uint32_t kTagCustomGoalFormula = MakeTag("cgF0");
inline constexpr uint32_t kTagCustomGoalType = MakeTag("cgT0");
inline constexpr uint32_t kTagCustomGoalComponent = MakeTag("cgC0");

class TCustomConstraint : public TCnstr {
  DECLARE_CLASS_ID(368, TCnstr)

 public:
  // The goals a custom constraint made by the user starts with, each a position goal on x
  // whose formula is 0 (which holds always) until the user writes one.
  static constexpr int32_t kNewGoals = 2;
  static constexpr int16_t kCmdNew = 10430;
  static TObject* CreateObject();
  // A new custom constraint as the user makes one: always active, with its goals.
  static std::unique_ptr<TCustomConstraint> MakeNew();
  Str255 GetTypeName() const override { return "Custom Constraint"; }
  bool LosesAttachments(const std::vector<TLink*>&) const override { return false; }

  TFormula* GetFormulaProperty(uint32_t tag, double* first, double* second, int32_t* dimension,
                               uint16_t* flag) override;
  void SetFormulaProperty(uint32_t tag, const TFormula& formula) override;
  uint16_t GetShortProperty(uint32_t tag, uint16_t& value, void* extra) override;
  void SetShortProperty(uint32_t tag, uint16_t value) override;

 private:
  // The goal a goal property's tag names, or null for another tag or a goal it does not have.
  TCnstrGoal* GoalOfTag(uint32_t tag, uint32_t base);
};

// ---- 4. Drawn levels ----
class TUICnstr : public TCnstr {
  DECLARE_CLASS_ID(369, TCnstr)

 public:
  static constexpr int16_t kBlockDisplay = 5233;
  static constexpr int16_t kBlockAlwaysActive = 5019;
  static constexpr int16_t kBlockExtraGoals = 5229;
  static constexpr int16_t kNoKindBlock = -1;

  static TObject* CreateObject();
  void Initialize() override;

  virtual int32_t KindGoalCount() const { return 1; }
  virtual void MarkGoals() {}
  virtual int16_t KindBlockCode() const { return kNoKindBlock; }
  virtual void ReadKindBlock(TObjectReader&) {}
  virtual void WriteKindBlock(TObjectWriter&) {}
  // Brings the goal list into the form the solver receives.
  void PrepareGoals();
  int16_t GetExtraGoals() const { return extraGoals_; }
  void SetExtraGoals(int16_t count) { extraGoals_ = count < 0 ? 0 : count; MarkChanged(); }
  bool GoalsPrepared() const { return goalsPrepared_ != 0; }

  void MarkChanged() override;
  bool IsAlwaysActive() const override { return alwaysActive_ != 0; }
  void SetAlwaysActive(uint16_t flag) override;
  void SetShortProperty(uint32_t tag, uint16_t value) override;
  void SelectChoice(uint32_t tag) override;
  TFormula* GetFormulaProperty(uint32_t tag, double* first, double* second, int32_t* dimension,
                               uint16_t* flag) override;
  void SetFormulaProperty(uint32_t tag, const TFormula& formula) override;
  uint16_t GetShortProperty(uint32_t tag, uint16_t& value, void* extra) override;
  // The object that answers a point tag: the primary object or the other end.
  virtual TLink* PointTagObject(uint32_t tag, uint32_t& askedTag) const;
  void ReadGoals(int32_t count, TObjectReader& reader) override;

  uint16_t ReadBlockContents(int16_t code, TObjectReader& reader) override;
  void WriteBlockContents(int16_t code, TObjectWriter& writer) override;
  void WriteFields(TObjectWriter& writer) override;

 protected:
  void WriteRecord(TObjectWriter& writer) override;
  // A stored goal of the kind's own, read before it is dropped; the kind may learn from it
  // what it keeps nowhere else.
  virtual void KindGoalRead(const TCnstrGoal&) {}

 private:
  uint16_t goalsPrepared_ = 0;
  int16_t extraGoals_ = 0;
  uint16_t alwaysActive_ = 0;
};

class TLockableCnstr : public TUICnstr {
  DECLARE_CLASS_ID(370, TUICnstr)

 public:
  void Initialize() override;
  virtual uint16_t IsLocked() const { return locked_; }
  virtual void SetLocked(uint16_t flag) { locked_ = flag != 0 ? 1 : 0; }
  // A locked constraint fixes its points to its bodies' frames: while it acts (inactive), the
  // world coordinates of its points cannot be edited.
  bool IsFixing() const override { return IsLocked() != 0; }
  int32_t KindGoalCount() const override { return TUICnstr::KindGoalCount() + (IsLocked() ? 2 : 0); }
  // Locked and its condition can be true.
  bool IsValidLock() const;
  uint16_t GetShortProperty(uint32_t tag, uint16_t& value, void* extra) override;
  void SetShortProperty(uint32_t tag, uint16_t value) override;
  uint16_t GetChoiceProperty(uint32_t tag, int16_t& value, void* extra) override;
  void SelectChoice(uint32_t tag) override;

 protected:
  void WriteLockPart(TObjectWriter& writer) const;
  void ReadLockPart(TObjectReader& reader);

 private:
  uint16_t locked_ = 0;
};

class TConstraint : public TLockableCnstr {
  DECLARE_CLASS_ID(670, TLockableCnstr)

 public:
  void Initialize() override;
  bool IsRotational() const { return rotational_ != 0; }
  void SetRotational(uint16_t flag) { rotational_ = flag != 0 ? 1 : 0; }
  double GetSize() const { return size_; }
  void SetSize(double size) { size_ = size; }
  TLink* RelatedObjectQuery() const override { return IsRotational() ? constraintRelated_ : nullptr; }
  void SetConstraintRelated(TLink* object) { constraintRelated_ = object; }
  // Whether the kind asks for its third-from-last goal to be marked (a rotation).
  virtual bool MarksFirstGoal() const { return false; }
  void MarkGoals() override;
  virtual Str255 GetOutMenuName() const {
    return IsRotational() ? "OutRConstrMenu" : "OutLConstrMenu";
  }
  void ObjectRemoved(TLink* object) override;
  uint16_t GetNumberProperty(uint32_t tag, double& value, void* extra) override;

  // ---- Drawing on the screen ----
  // The frame a segment from a to b is drawn in: x runs from a (0) to b (1); y runs across it,
  // to the left of the way from a to b, one unit being the segment's length times the size
  // ratio. A frame whose ratio gives no width is flat: its segment is drawn as a line.
  struct DrawingFrame {
    MacPoint origin;
    double xh = 0.0, xv = 0.0;  // the screen offset of (1, 0)
    double yh = 0.0, yv = 0.0;  // the screen offset of (0, 1)
    bool flat = true;
    // The screen point of (x, y), each coordinate clamped to +-32767.
    MacPoint At(double x, double y) const;
    // The frame coordinates of a screen point; false for a flat frame.
    bool ToFrame(const MacPoint& point, double& x, double& y) const;
  };
  // The length of a screen offset.
  static double ScreenDistance(const MacPoint& offset);
  // The width of the drawn shape as a share of the offset's length: the size over the length.
  virtual double SizeRatio(const MacPoint& offset) const;
  DrawingFrame FrameBetween(const MacPoint& a, const MacPoint& b) const;
  // Moves to or draws to the frame point (x, y). A corner, and every end in the highlight mode,
  // gets its end pixel too.
  static void DrawFrameLine(const DrawingFrame& frame, double x, double y, bool penDown,
                            bool corner, uint16_t mode);
  // Strokes of a coil from the frame point (x, y): each stroke's frame vector is added to the
  // pen, the pen kept within +-8191 and rounded to a pixel, and drawn to.
  static void DrawStrokes(const DrawingFrame& frame, double x, double y,
                          const std::vector<TVector>& strokes, uint16_t mode);
  // Brings what the drawing depends on up to date (the slack of a rope).
  virtual void PrepareDrawing() {}
  // The kind's figure in the frame of one segment, drawn before the closing line to the
  // segment's second end; none by default, so the segment is a plain line.
  virtual void DrawFigure(const DrawingFrame&, uint16_t /*mode*/) {}
  // How far the kind's figure reaches across its segment, in frame units; none by default.
  virtual double FigureReach() const { return 0.0; }
  // A linear constraint draws its segments; a rotational one its links and its icon.
  void DrawShape(const MacRect& area, uint16_t mode) override;
  // The world area the constraint's drawing covers: its ends, and for a linear one the reach of
  // its figure across each segment (and of the mark's wide pen) as the screen shows them now.
  uint16_t GetBounds(TDoubleRect& bounds) override;
  // The screen positions of the attached objects, in order (objects without one are left out).
  std::vector<MacPoint> ScreenEnds() const;
  static constexpr uint16_t kModeHighlight = 4;

  // Hit tests on the screen. A line segment is hit within `reach` pixels of it (5 for a press
  // near it); a constraint segment from a to b is not hit within 3 pixels of its ends (they
  // belong to the attached objects), and elsewhere by its line or, with curves allowed, by the
  // kind's drawn shape.
  static constexpr int16_t kLineReach = 5;
  // How near its line a press must be to be on the drawn line itself.
  static constexpr int16_t kInkReach = 2;
  static bool HitTestLine(const MacPoint& offset, const MacPoint& segment,
                          int16_t reach = kLineReach);
  bool HitsSegment(const MacPoint& a, const MacPoint& b, const MacPoint& mouse, bool curves,
                   int16_t reach = kLineReach) const;
  // Whether a point of the drawing frame (x along from 0 to 1, y across in sizes) hits the
  // kind's drawn shape.
  virtual bool HitsShape(double /*x*/, double /*y*/) const { return false; }
  // A press at the screen point: only an inactive constraint is hit; a rotational one where its
  // primary point is, a linear one on one of its segments.
  bool HitTest(const MacPoint& mouse) { return HitWithin(mouse, kLineReach); }
  // A press on what is drawn: the kind's shape, or its line within kInkReach pixels. Where a
  // constraint crosses a body, the body takes the presses beside the line.
  bool HitsFigure(const MacPoint& mouse) { return HitWithin(mouse, kInkReach); }

  // A rotational constraint stands on its primary point: it draws its own icon there in place
  // of the point's, and a hit on that point is a hit on the constraint (only while inactive).
  virtual const char* PointIconName() const;
  void BeforePointDrawing(DrawContext& context, uint16_t mode, TPoint& point,
                          uint16_t& show) override;
  void AfterPointDrawing(DrawContext& context, uint16_t mode, TPoint& point) override;
  TPoint* HitPoint() override;
  bool HitsAt(int32_t h, int32_t v) override;

  // A locked rotational constraint holds its points together, as the run does with the
  // position goals of its lock.
  bool HasAssemblyConditions() const override { return IsRotational() && IsLocked() != 0; }

 protected:
  void AddAssemblyConditions(TAssemblySolver& solver) override;
  // The hit test with the line's reach in pixels.
  virtual bool HitWithin(const MacPoint& mouse, int16_t reach);

 private:
  void DrawSegment(MacPoint a, MacPoint b, uint16_t mode);
  void DrawRotational(const MacRect& area, uint16_t mode);

  uint16_t rotational_ = 0;
  double size_ = 12.0;
  TLink* constraintRelated_ = nullptr;
};

// ---- 5. Two-point base ----
class TTwoPointConstraint : public TConstraint {
  DECLARE_CLASS_ID(671, TConstraint)

 public:
  static constexpr int16_t kCmdEditQuantity = 5397;

  void Initialize() override;
  virtual int32_t QuantityUnit() const { return 0; }
  virtual bool HasQuantity() const { return false; }
  // Whether the quantity stays as it is although the ends are difference apart from it.
  virtual bool KeepsQuantity(double /*difference*/) const { return true; }
  // What the quantity stands for, measured on the ends: their distance by default.
  virtual double MeasuredQuantity() const { return PathLength(); }
  // After reading: the quantity follows the distance of the two ends when they no longer agree.
  virtual void AdjustQuantityToGeometry();
  TFormula& Quantity() { return *quantity_; }
  const TFormula& Quantity() const { return *quantity_; }
  bool QuantityRead() const { return quantityRead_ != 0; }
  // kCmdEditQuantity binds the quantity in its unit, with a range around its value.
  bool BindInputs(int16_t command, TInputBinding& inputs) override;

  TFormula* GetFormulaProperty(uint32_t tag, double* first, double* second, int32_t* dimension,
                               uint16_t* flag) override;
  void SetFormulaProperty(uint32_t tag, const TFormula& formula) override;
  void ReadKindBlock(TObjectReader& reader) override;
  void WriteKindBlock(TObjectWriter& writer) override;
  // Once every object is read and placed, the quantity is compared with the ends.
  void EndReading(TObjectReader& reader) override;

 protected:
  // What reading the kind's block leaves behind: the next adjustment compares.
  void SetQuantityRead() { quantityRead_ = 1; }

 private:
  std::unique_ptr<TFormula> quantity_;
  uint16_t quantityRead_ = 0;
};

// ---- Shared objects (ConstraintGoals.cpp; registration in ConstraintClasses.h) ----
// The size new drawn constraints take; start-up settles it once every class is registered.
double DefaultConstraintSize();
void SetDefaultConstraintSize(double size);
// Scratch goal that takes stored goals beyond those a constraint keeps.
TCnstrGoal& SharedGoalPrototype();
// The quantity filed for a constraint without a primary object.
const TFormula& DefaultPrimaryQuantity();
