#pragma once
// Points: a marked position with an orientation on a body (or on the background), where
// constraints meet bodies. A point keeps x, y and rotation as formulas in its body's frame and
// asks the body for every conversion to world or screen coordinates. The centre-of-mass point
// and the anchor are points with a purpose of their own.
//
// Contents:
//   1. TPoint (686): construction, attachment, constraints list, hold          Point.cpp
//   2. Coordinates: local, world and screen; frames; the screen cache          PointCoordinates.cpp
//   3. Properties by tag, property rows, coordinates from input texts          PointProperties.cpp
//   4. Filing: blocks 1500, 5012, 5022, 5023; references                       PointFiling.cpp
//   5. Drawing, highlight, hit tests, snapping, menus, drawing export          PointDrawing.cpp
//   6. Placement in a world: the body a dropped point lands on                 PointPlacement.cpp
//   7. TCOMPoint (824): the centre of mass of group 0                          COMPoint.cpp
//   8. TAnchor (664): pins its body to the background                          Anchor.cpp

#include <cstdint>
#include <memory>
#include <vector>

#include "bodies/DXFOutput.h"
#include "bodies/vectors/VectorThing.h"
#include "core/List.h"
#include "core/geometry/Transform2D.h"
#include "model/Formula.h"

class TMass;
class TPoint;
class TWorldDoc;

inline constexpr uint32_t kPointTag = MakeTag("poin");
inline constexpr uint32_t kCOMPointTag = MakeTag("pCOM");
inline constexpr uint32_t kAnchorTag = MakeTag("HH__");

// Property tags of a point: local coordinates (formulas) and world coordinates (values).
inline constexpr uint32_t kTagLocalX = MakeTag("p__x");
inline constexpr uint32_t kTagLocalY = MakeTag("p__y");
inline constexpr uint32_t kTagLocalR = MakeTag("p__r");
inline constexpr uint32_t kTagWorldX = MakeTag("p_Wx");
inline constexpr uint32_t kTagWorldY = MakeTag("p_Wy");
inline constexpr uint32_t kTagWorldR = MakeTag("p_Wr");
inline constexpr uint32_t kTagSecondX = MakeTag("p2_x");
inline constexpr uint32_t kTagSecondY = MakeTag("p2_y");
inline constexpr uint32_t kTagFormulaBlocks = MakeTag("fTwx");

// Property rows of the property table: local x, local y, world x, world y.
inline constexpr int16_t kRowLocalX = 17;
inline constexpr int16_t kRowLocalY = 18;
inline constexpr int16_t kRowWorldX = 19;
inline constexpr int16_t kRowWorldY = 20;

// Attach codes of inputs: x, y, rotation, x and y together.
inline constexpr int16_t kInputPointX = 5230;
inline constexpr int16_t kInputPointY = 5231;
inline constexpr int16_t kInputPointR = 5232;
inline constexpr int16_t kInputPointXY = 5233;

// Dimension words of the coordinates.
inline constexpr int32_t kDimLength = 0x01000000;
inline constexpr int32_t kDimAngle = 0x00010000;

// The body class and the identifier of the background body.
inline constexpr int16_t kBodyClassId = 523;
inline constexpr int16_t kBackgroundIdentifier = 0;
// Constraints that keep a point list of their own.
inline constexpr int16_t kPointListConstraintClass = 367;

// Commands that points answer.
inline constexpr int16_t kCmdExportOutline = 1711;
inline constexpr int16_t kCmdExportPicture = 1712;
inline constexpr int16_t kCmdToggleCOM = 1105;
// Kind of drawing export that writes DXF entities.
inline constexpr int16_t kExportDXF = 4;

// What a constraint hung on a point answers when the point draws, moves or is asked about its
// constraints. The constraint family implements it; the defaults are those of a constraint that
// takes no part.
class TPointConstraintHooks {
 public:
  // The point's drawing: a constraint may clear showIcon to hide the point's icon.
  struct DrawContext {
    MacRect area;
    uint16_t mode = 0;
    TPoint* point = nullptr;
    uint16_t showIcon = 1;
  };

  virtual ~TPointConstraintHooks() = default;
  // Before the point's icon is drawn (mode 4 while the point is highlighted): a constraint that
  // draws itself on the point clears show.
  virtual void BeforePointDrawing(DrawContext&, uint16_t /*mode*/, TPoint&, uint16_t& /*show*/) {}
  // After the point's icon: what the constraint draws on the point.
  virtual void AfterPointDrawing(DrawContext&, uint16_t /*mode*/, TPoint&) {}
  // The point's position changed (the constraint's drawn geometry follows it).
  virtual void PointMoved(TPoint&) {}
  // The point changed otherwise (its body, its attachment).
  virtual void PointChanged(TPoint&) {}
  virtual void PointStateChanged(TPoint&, uint16_t) {}
  virtual bool ShowsOwnState() { return false; }
  virtual void PointSelectionChanged(uint16_t) {}
  // The point whose hit the constraint reports, and whether the screen point (h, v) hits the
  // constraint there.
  virtual TPoint* HitPoint() { return nullptr; }
  virtual bool HitsAt(int32_t, int32_t) { return false; }
  // Whether the constraint fixes its points in the world (only counts while it is inactive).
  virtual bool IsFixing() const { return false; }
  virtual bool IsInactive() const { return false; }
  // Whether the constraint keeps the point on its body when the point moves.
  virtual bool ClaimsPoint(TPoint&) { return false; }
  virtual bool AgreesWith(TPoint&) { return true; }
  virtual void PassValue(uint16_t) {}
  // The points the constraint holds together (a constraint of class 367 keeps them in its
  // attachments); empty for others.
  virtual std::vector<TPoint*> OwnPoints() { return {}; }
  // The propagated link operation.
  virtual void Propagate(TLink*, int32_t, int32_t) {}
};

class TPoint : public TVectorPointBase, public TDXFExportable {
  DECLARE_CLASS_ID(686, TVectorPointBase)

 public:
  // ---- 1. Object, attachment, constraints, hold ----
  static constexpr int16_t kBlockSolverRecord = 1500;
  static constexpr int16_t kBlockTrackFlags = 5012;
  static constexpr int16_t kBlockLocked = 5022;
  static constexpr int16_t kBlockPositionValues = 5023;

  static TObject* CreateObject();
  TPoint() = default;
  ~TPoint() override;
  void Initialize() override;
  virtual Str255 GetKindName() const { return "Point"; }

  // Leaves the current body (if any) and sits on the new one, which lists the point among its
  // attachments; nothing when the body is the current one.
  virtual void AttachToBody(TMass* body);
  virtual void DetachFromBody();
  TMass* GetBody() const { return body_; }
  void ObjectAttached(TLink* object) override;
  // The body of the point changed: the constraints and the world are told.
  void BodyChanged(TLink* object);
  virtual void AnnounceChange();
  // A linked object left the world: a body re-homes the point with constants, a constraint
  // leaves its list.
  void ObjectRemoved(TLink* object) override;
  // The world the point lies in, or null.
  TWorldDoc* GetWorld() const;

  virtual void AddConstraint(TLink* constraint);
  virtual void RemoveConstraint(TLink* constraint);
  TList* Constraints() const { return constraints_.get(); }
  int32_t ConstraintCount() const { return constraints_ ? constraints_->GetCount() : 0; }
  // Runs the function on every constraint that has point hooks, in order of attachment.
  template <class Function>
  void ForEachConstraint(Function function) const;
  // The first constraint for which the test answers yes, or null.
  template <class Test>
  TLink* FirstConstraintThat(Test test) const;
  virtual void PassToConstraints(uint16_t value);
  // The point, else its body, else the first constraint for which the test answers yes.
  TLink* FindThat(bool (*test)(TLink* object, void* argument), void* argument);
  // Whether the object is linked to the point's real body and to every constraint of the point
  // as well as to the point.
  virtual bool IsLinkedEverywhere(TLink* object) const;
  virtual bool HasFixingConstraint() const;
  virtual bool AnyConstraintClaims();
  virtual bool AllConstraintsAgree();
  // Whether this point comes after the other in the order in which bodies are walked.
  virtual bool ComesAfter(const TPoint& other) const;
  virtual bool CanAttach() const { return true; }
  virtual uint16_t IsLocked() const { return locked_; }
  void SetLocked(uint16_t locked) { locked_ = locked; }
  virtual void BeginHold(int16_t propagate);
  virtual void EndHold(int16_t propagate);
  bool IsHeld() const { return hold_ != 0; }
  virtual bool HandlesCommand(int16_t command) const;
  uint16_t GetOutsideFlag() const { return outside_; }
  virtual void SetOutsideFlag(uint16_t value) { outside_ = value; }
  virtual void UpdateOutsideFlag();
  int16_t GetObjectNumber() override;
  void GetVelocityFormulas(TFormula*& x, TFormula*& y, TFormula*& rotation) override;

  // ---- 2. Coordinates ----
  TFormula* LocalX() const { return x_.get(); }
  TFormula* LocalY() const { return y_.get(); }
  TFormula* LocalRotation() const { return rotation_.get(); }
  TVector3 GetLocalPosition() const;
  TVector GetLocalXY() const;
  // Stores new current values (a formula keeps its text); nothing at all while held.
  virtual void SetLocalPosition(const TVector3& position);
  // As SetLocalPosition, but only when a value differs; a formula-driven point on a real body
  // then learns whether it left the body's outline.
  virtual void SetLocalPositionChecked(const TVector3& position);
  virtual void SetRotation(double angle);
  // Turns every formula coordinate into a constant of its current value.
  void FreezeFormulas();
  bool HasAnyFormula() const;
  void GetPlacementRelativeTo(TThing* other, TVector3& out) override;
  void GetPositionRelativeTo(TThing* other, TVector& out) override;

  TVector3 GetWorldPosition();
  TVector GetWorldXY();
  double GetWorldRotation();
  void GetPlacement(TVector3& placement) override { placement = GetWorldPosition(); }
  // A point is placed where its world position is read: a move of the selection puts it there.
  void SetPlacement(const TVector3& placement) override { SetWorldPosition(placement); }
  void GetPosition(TVector& position) override { position = GetWorldXY(); }
  void LocalToWorld3(TVector3& p) override;
  void LocalToWorld(TVector& p) override;
  void WorldToLocal3(TVector3& p) override;
  void WorldToLocal(TVector& p) override;
  virtual void SetWorldPosition(const TVector3& position);
  void MoveBy(const TVector& delta) override;
  // Hands the position to the world's placement, which may move the point to another body.
  virtual void MoveToWorldPosition(const TVector3& position);
  // The point's own frame in the world, and its true inverse.
  void GetLocalToWorldTransform(Transform2D& t) override;
  void GetWorldToLocalTransform(Transform2D& t) override;
  Transform2D GetScreenInverse();
  Transform2D GetScreenTransform();
  TVector3 GetBodyVelocity();

  // The screen position, cached; recomputed from the body's screen transform when stale.
  void UpdateCache();
  MacPoint GetScreenPoint();
  TVector GetCachedScreenPosition();
  virtual void InvalidateCache();
  bool IsCacheValid() const { return cacheValid_ != 0; }
  virtual void PositionChanged();
  // A formula of the point changed: its position and what is linked to it follow.
  void FormulaChanged(TFormula* formula) override;

  // ---- 3. Properties ----
  virtual bool HasPointTag(uint32_t tag) const;
  TFormula* GetFormulaProperty(uint32_t tag, double* first, double* second, int32_t* dimension,
                               uint16_t* flag) override;
  void SetFormulaProperty(uint32_t tag, const TFormula& formula) override;
  // World coordinates: the value, its dimension word and whether the user may edit it. No
  // answer for a world x or y while a local coordinate holds a formula.
  virtual uint16_t GetValueProperty(uint32_t tag, double& value, int32_t& dimension,
                                    uint16_t& editable);
  virtual void SetValueProperty(uint32_t tag, double value);
  uint16_t GetNumberProperty(uint32_t tag, double& value, void* extra) override;
  void SetNumberProperty(uint32_t tag, const double& value) override;
  virtual void SetPropertyFromFormula(uint32_t tag, const TFormula& formula);
  uint16_t GetStringProperty(uint32_t tag, Str255& value, void* extra) override;
  uint16_t GetFlagProperty(uint32_t tag, uint16_t& value, void* extra) override;
  virtual uint32_t GetRowTag(int16_t row) const;
  // Row 17 to 20 of the property table; paired is set for the row that pairs with the one
  // before it.
  virtual uint16_t GetPropertyRow(int16_t row, TPositionField& field, uint16_t& paired);
  // Binds a coordinate to an input's formula text; the values come back in display units.
  virtual uint16_t AttachInput(int16_t code, const Str255& first, const Str255& second,
                               double& value, double& value2);
  void ReportPropertyBlocks(uint32_t tag, uint16_t& found, BlockCallback blockCallback,
                            ObjectCallback objectCallback, void* blockContext,
                            void* objectContext) override;
  void ReportPositionBlocks(BlockCallback blockCallback, void* blockContext) override;
  // An object that reads a coordinate of the point (a meter, a formula) also depends on the
  // point's body and on the bodies of the points its constraints join.
  virtual void LinkPropertyUser(uint32_t tagOrRow, TLink* user);
  virtual void ReportFormulaBlocks(BlockCallback callback, void* context);
  // Calls the function on the x, y and rotation formulas, in that order.
  void ForEachFormula(void (*function)(TFormula*, void*), void* context) override;

  // ---- 4. Filing ----
  uint16_t ReadBlockContents(int16_t code, TObjectReader& reader) override;
  void WriteBlockContents(int16_t code, TObjectWriter& writer) override;
  void WriteFields(TObjectWriter& writer) override;
  void WriteClassTag(TObjectWriter& writer) override;
  void ResolveReference(TObjectReader& reader, int16_t code, uint16_t kind,
                        TLink* object) override;
  // A point that read no body reference at all belongs on the background, as one stored on no
  // body does.
  void EndReading(TObjectReader& reader) override;

  // ---- 5. Display ----
  void Draw(const MacRect& area, uint16_t mode) override;
  virtual void Highlight(uint16_t oldState, uint16_t newState);
  virtual bool HitTest(const MacPoint& mouse);
  virtual bool IsInRect(const MacRect& rect);
  virtual bool HitConstraint(int32_t a, int32_t b);
  // Whether the mouse (world) lies within tolerance of the point; the point's world and local
  // positions come back when it does.
  virtual bool SnapTest(double tolerance, const TVector& mouse, TVector& world, TVector& local,
                        uint16_t& found);
  // The point's own position is its one hot point (kind 1); it carries its constraints and
  // sits on its body.
  uint16_t FindHotPoint(double tolerance, const TVector& mouse, TVector& world, TVector& own,
                        int32_t& kind, int16_t& index) override;
  uint16_t IsAttachable() override { return 1; }
  std::vector<TThing*> GetAttachments() override;
  TThing* GetOwnerThing() override;
  virtual Str255 GetInMenuName() const { return "InPointMenu"; }
  virtual Str255 GetOutMenuName() const { return "OutPointMenu"; }
  virtual int16_t GetKindResourceID() const { return locked_ != 0 ? 2540 : 2505; }
  // Writes a POINT entity for the DXF kind; false for other kinds.
  bool ExportDXF(TDXFOutput& writer, int16_t kind) override;
  bool SupportsExport(int16_t command) const override { return IsDrawingExport(command); }

 protected:
  // The constraint hooks of a constraint in the list; null for one without them.
  static TPointConstraintHooks* HooksOf(TObject* constraint);
  void DrawPointIcon(const MacRect& area, int16_t inset, const char* iconName);
  // The body's dashed line to the point while the point lies outside it.
  void DrawConnectionToBody();
  void InvertAround(int16_t before, int16_t after);

 private:
  void FreeFields();
  // Re-homes the point after its body left: world position as constants, on the background.
  void ForgetBody(TMass* body);

  std::unique_ptr<TFormula> x_, y_, rotation_;
  TMass* body_ = nullptr;
  uint16_t outside_ = 0;
  std::unique_ptr<TList> constraints_;
  MacPoint screenPoint_{};
  TVector screenPosition_{0.0, 0.0};
  uint16_t cacheValid_ = 0;
  // The body's screen transform the cache was computed with.
  Transform2D cachedScreen_;
  uint16_t locked_ = 0;
  uint16_t hold_ = 0;
};

template <class Function>
void TPoint::ForEachConstraint(Function function) const {
  if (!constraints_) return;
  // A copy: a hook may change the list.
  std::vector<TObject*> items;
  for (int32_t i = 1; i <= constraints_->GetCount(); ++i)
    items.push_back(constraints_->At(i));
  for (TObject* item : items)
    if (TPointConstraintHooks* hooks = HooksOf(item)) function(*hooks, static_cast<TLink*>(item));
}

template <class Test>
TLink* TPoint::FirstConstraintThat(Test test) const {
  if (!constraints_) return nullptr;
  for (int32_t i = 1; i <= constraints_->GetCount(); ++i) {
    TObject* item = constraints_->At(i);
    TPointConstraintHooks* hooks = HooksOf(item);
    if (hooks != nullptr && test(*hooks)) return static_cast<TLink*>(item);
  }
  return nullptr;
}

// ---- 6. Placement in a world ----
// Puts the point at the world position on the last body that contains it and is not already
// tied to the point by one of its constraints, else on the background. With keepOnSameBody set,
// a point that stays on its body keeps its coordinates.
void PlacePointInWorld(TWorldDoc& world, TPoint& point, const TVector3& position,
                       uint16_t keepOnSameBody);
// A point's coordinates changed: the outside flag follows, or the point is placed afresh.
void PointChangedInWorld(TWorldDoc& world, TPoint& point, uint16_t keep);

// ---- 7. Centre-of-mass point ----
class TCOMPoint : public TPoint {
  DECLARE_CLASS_ID(824, TPoint)

 public:
  static constexpr int16_t kBlockMarker = 5018;

  static TObject* CreateObject();
  void Initialize() override;

  TFormula* GetFormulaProperty(uint32_t tag, double* first, double* second, int32_t* dimension,
                               uint16_t* flag) override;
  void SetFormulaProperty(uint32_t tag, const TFormula& formula) override;
  bool GetCommandState(int16_t command, uint16_t& enabled, uint16_t& mark) override;
  // Command 1105, checked while the centre of mass is shown.
  void DoSetupMenus() override;
  // Command 1105 switches the centre of mass on and off at once.
  std::unique_ptr<TCommandCore> DoObjectMenuCommand(int16_t command, bool& handled) override;
  bool HandlesCommand(int16_t) const override { return false; }
  bool CanAttach() const override { return false; }
  // Picked only while it is shown: a centre of mass that is off is not drawn.
  bool CanBeSelected() const override { return IsShown() != 0; }
  uint16_t IsComputed() const { return IsShown(); }

  uint16_t ReadBlockContents(int16_t code, TObjectReader& reader) override;
  void WriteBlockContents(int16_t code, TObjectWriter& writer) override;
  void WriteFields(TObjectWriter& writer) override;
  void LoadRecordedValues(int32_t frame, THistoryCursor& cursor) override;
  // Recorded values up to limit: the mark goes when the limit does not pass the marked frame.
  void CheckRecordedValues(int32_t limit);
  int16_t GetMarkIndex() const { return markIndex_; }
  uint16_t HasRecordedMark() const { return markFlag_; }
  // While shown: moves to the centre of mass of the bodies as the world shows them.
  void FollowCentreOfMass();

  Str255 GetInMenuName() const override { return "InNoMenu"; }
  Str255 GetOutMenuName() const override { return "OutCOMMenu"; }
  void Draw(const MacRect& area, uint16_t mode) override;
  // Exported to drawings only while it is shown: a centre of mass that is off is nowhere.
  bool SupportsExport(int16_t command) const override {
    return IsShown() != 0 && TPoint::SupportsExport(command);
  }
  void Highlight(uint16_t oldState, uint16_t newState) override;
  bool HitTest(const MacPoint& mouse) override;
  // Snapped to only while it is shown.
  bool SnapTest(double tolerance, const TVector& mouse, TVector& world, TVector& local,
                uint16_t& found) override;

 private:
  int16_t markIndex_ = 0;
  uint16_t markFlag_ = 0;
};

// ---- 8. Anchor ----
class TAnchor : public TPoint {
  DECLARE_CLASS_ID(664, TPoint)

 public:
  static constexpr int16_t kBlockKind = 5002;
  // Feedback codes of a dragged anchor: the cursors of resource 25936 and, for kind 2, 25937.
  static constexpr int16_t kCursorAnchor = 25936;
  static constexpr int16_t kCursorAnchorKind2 = 25937;

  static TObject* CreateObject();
  void SetKind(int32_t kind);
  int32_t GetKind() const { return kind_; }
  int16_t TrackerFeedbackCode() const { return kind_ == 2 ? kCursorAnchorKind2 : kCursorAnchor; }

  void AttachToBody(TMass* body) override;
  void DetachFromBody() override;
  int16_t GetKindResourceID() const override { return 2534; }
  // Moves x and y to multiples of the world's snapping step.
  void SnapPosition(TVector& position);
  // What the end of a drag does: an anchor dropped on the background leaves the world; one
  // dropped on a body that already has an anchor takes that anchor and itself out. Answers
  // whether the anchor stays.
  bool FinishDrop();
  // The last other anchor on the anchor's real body, or null.
  TAnchor* FindOtherAnchor() const;

  uint16_t ReadBlockContents(int16_t code, TObjectReader& reader) override;
  void WriteBlockContents(int16_t code, TObjectWriter& writer) override;
  void WriteFields(TObjectWriter& writer) override;
  void Draw(const MacRect& area, uint16_t mode) override;

 private:
  int32_t kind_ = 0;
};

// Enters the point classes in the class registry.
void RegisterPointClasses();
