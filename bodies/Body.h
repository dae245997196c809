#pragma once
// The body base class TMass (523, "mass") with what every body has whatever its shape: the
// formula-valued position, rotation, velocity, mass, moment, centre-of-mass offset, friction,
// elasticity and charge; lazily computed area, density, mass and moment; cached transforms;
// display settings; attachments and join links.
//
// Contents:
//   1. Registration: class entry, body label texts, the fill-pattern table   Body.cpp
//   2. Lifecycle: construction, Initialize, destruction                      Body.cpp
//   3. Recorded frames: ShowFrameState                                       Body.cpp
//   4. Mass properties: lazy area, density, mass and moment; the extent      BodyMass.cpp
//   5. Vector formulas of a body: velocity formulas, initial velocity        BodyMass.cpp

#include <array>
#include <cstdint>
#include <memory>
#include <unordered_set>
#include <vector>

#include "bodies/vectors/VectorThing.h"
#include "core/List.h"
#include "core/geometry/Transform2D.h"
#include "model/Formula.h"

class TBodyPicture;

inline constexpr uint32_t kMassTag = MakeTag("mass");

// Fill patterns of bodies: 24 entries holding the pattern numbers 11 to 34.
inline constexpr int32_t kBodyPatternCount = 24;
inline constexpr int16_t kFirstPatternNumber = 11;

// Moment modes: the moment is given, or computed by MomentForMode2, 3 or 4.
inline constexpr int32_t kMomentGiven = 1;
inline constexpr int32_t kLastMomentMode = 4;

class TMass : public TVectorMassBase {
  DECLARE_CLASS_ID(523, TVectorMassBase)

 public:
  // ---- 1. Registration ----
  // Enters the class, fills the body label texts and makes the pattern table.
  static void RegisterClass();
  static void TermClass();
  static TObject* CreateObject();
  // The label text of string list id (3438 to 3453); empty before registration.
  static const Str255& BodyLabel(int16_t id);
  // The shared pattern table, or null before registration.
  static const int16_t* PatternTable();

  // ---- 2. Lifecycle ----
  TMass();
  ~TMass() override;
  void Initialize() override;
  bool HasProperty(uint32_t tag) override;
  virtual Str255 GetKindName() const { return "Body"; }
  // Every body opens the body properties dialog.
  static constexpr int16_t kPropertiesDialog = 10410;
  int16_t GetObjectKindCode() const override { return kPropertiesDialog; }

  // ---- 3. Recorded frames ----
  // The recorded position (x, y, rotation), velocity and the cosine and sine of the rotation.
  virtual void ShowFrameState(const TVector3& position, const TVector3& velocity, double cosine,
                              double sine);
  // Shows the body's eight recorded values of the frame, when the world's store holds the frame
  // and the body is one of the world's eight-value objects; the shapes' frame notices call it.
  void ShowRecordedFrame(int16_t frame, int16_t first, int16_t last);
  // Marks the shown transform and everything computed from it as stale.
  void InvalidateShownTransform();
  const Transform2D& ShownTransform() const { return shownTransform_; }
  bool IsShownValid() const { return shownValid_ != 0; }

  // ---- 4. Mass properties ----
  virtual void ComputeArea() {}
  virtual void ComputeExtent();
  virtual void ComputeDensity();
  virtual void ComputeMass();
  virtual void ComputeMoment();
  virtual double MomentForMode2() { return 0.0; }
  virtual double MomentForMode3() { return 0.0; }
  virtual double MomentForMode4() { return 0.0; }
  virtual double GetArea();
  virtual double GetDensity();
  virtual TFormula* GetMassFormula();
  virtual double GetMass();
  virtual TFormula* GetMomentFormula();
  virtual double GetMoment();
  virtual void SetArea(double area);
  virtual void SetDensity(double density);
  virtual void SetMassFormula(const TFormula* source);
  virtual void SetMassText(const Str255& text);
  virtual void SetMass(double mass);
  virtual void SetMomentFormula(const TFormula& source);
  virtual void SetMomentText(const Str255& text);
  virtual void SetMoment(double moment);
  // After a change of shape: area and moment are recomputed; a body with a given mass gets a new
  // density, any other a new mass.
  void InvalidateMassProperties();

  double ExtentSquared() const { return extentSquared_; }
  void SetLocalBounds(const TDoubleRect& bounds) { localBounds_ = bounds; }
  const TDoubleRect& LocalBounds() const { return localBounds_; }
  int32_t GetMomentModeValue() const { return momentMode_; }
  void SetMomentModeValue(int32_t mode) { momentMode_ = mode; }
  bool IsMassGiven() const { return massGiven_ != 0; }
  void SetMassGiven(uint16_t given) { massGiven_ = given; }
  bool IsMomentGiven() const { return momentGiven_ != 0; }
  bool IsMassValid() const { return massValid_ != 0; }
  int16_t GetPatternNumber() const;
  const RGB16Color& GetFillColour() const { return colour_; }

  // ---- 5. Vector formulas ----
  int16_t GetObjectNumber() override { return GetIdentifier(); }
  void GetVelocityFormulas(TFormula*& x, TFormula*& y, TFormula*& rotation) override;
  // A dragged velocity arrow: the velocity becomes these constants.
  void SetInitialVelocity(const TVector& velocity) override;

  // The owned quantities, never null after Initialize.
  TFormula* PositionX() const { return posX_.get(); }
  TFormula* PositionY() const { return posY_.get(); }
  TFormula* Rotation() const { return posRot_.get(); }
  TFormula* VelocityX() const { return velX_.get(); }
  TFormula* VelocityY() const { return velY_.get(); }
  TFormula* VelocityRotation() const { return velRot_.get(); }
  TFormula* ComX() const { return comX_.get(); }
  TFormula* ComY() const { return comY_.get(); }
  TFormula* StaticFriction() const { return staticFriction_.get(); }
  TFormula* KineticFriction() const { return kineticFriction_.get(); }
  TFormula* Elasticity() const { return elasticity_.get(); }
  TFormula* Charge() const { return charge_.get(); }
  TFormula* AnchorFormula1() const { return anchorFormula1_.get(); }
  TFormula* AnchorFormula2() const { return anchorFormula2_.get(); }
  TList* Attachments() const { return attachments_.get(); }
  // The next body of the join chain; null at its end.
  TMass* GetJoinedTo() const { return joinedTo_; }
  // The position as a frame: x, y and rotation from the current values of their quantities.
  TVector3 GetPositionValues() const;
  // Puts the body at a new position, keeping formula texts (only their current values change).
  void StorePosition(const TVector3& position);

  // ==== Properties, materials, filing and shared behaviour ====
  // Contents:
  //   6. Properties by tag, set rules, moment modes, centre of mass   BodyProperties.cpp
  //      Materials                                                    BodyMaterials.cpp
  //   7. Filing: blocks 5005, 1200, 5029, 5023, 5254, 5030; the recorded charge  BodyFiling.cpp
  //   8. Transforms, coordinates, moves, hit tests, joins, attachments           BodyBehaviour.cpp
  //   9. Inputs driving properties                                              BodyInputs.cpp
  //      Groups of connected bodies, hits and dependants of attachments          BodyGroups.cpp

  // ---- 6. Properties ----
  using FormulaCallback = void (*)(TFormula* formula, void* context);
  uint16_t GetFlagProperty(uint32_t tag, uint16_t& value, void* extra) override;
  void SetFlagProperty(uint32_t tag, uint16_t value) override;
  uint16_t GetChoiceProperty(uint32_t tag, int16_t& value, void* extra) override;
  void SelectChoice(uint32_t tag) override;
  // The quantity of the tag with its dimension word; lowest admits 0 for mass, moment, elasticity
  // and the frictions.
  TFormula* GetFormulaProperty(uint32_t tag, double* lowest, double* second, int32_t* dimension,
                               uint16_t* flag) override;
  void SetFormulaProperty(uint32_t tag, const TFormula& source) override;
  void SetPositionProperty(uint32_t tag, const TFormula& formula, int32_t first,
                           int32_t second) override;
  uint16_t IsPositionProperty(uint32_t tag) override;
  // Properties that property sheets and inputs address by number (17 x, 18 y).
  virtual uint16_t GetPropertyById(int16_t id, TPositionField& field);
  virtual uint32_t TagForPropertyId(int16_t id);
  // A real number with its lowest value, dimension word and whether it may be edited.
  virtual uint16_t GetRealProperty(uint32_t tag, double& value, double& lowest,
                                   int32_t& dimension, uint16_t& editable);
  virtual void SetRealProperty(uint32_t tag, const double* value);
  // The density typed for the body: its mass follows as area times density, and it is of no
  // material any more. Nothing changes while its mass is a formula.
  void SetDensityGiven(double density);
  uint16_t GetNumberProperty(uint32_t tag, double& value, void* extra) override;
  void SetNumberProperty(uint32_t tag, const double& value) override;
  uint16_t GetShortProperty(uint32_t tag, uint16_t& value, void* extra) override;
  void SetShortProperty(uint32_t tag, uint16_t value) override;
  // The pen size, fill pattern, material and moment mode also through the long pair, for the
  // popups that show them.
  uint16_t GetLongProperty(uint32_t tag, uint32_t& value, void* extra) override;
  void SetLongProperty(uint32_t tag, uint32_t value) override;
  uint16_t GetColourProperty(uint32_t tag, RGB16Color& value, void* extra) override;
  void SetColourProperty(uint32_t tag, const RGB16Color& value) override;
  void ForEachFormula(FormulaCallback callback, void* context) override;
  virtual void ForEachPositionFormula(FormulaCallback callback, void* context);
  // A quantity of the body was edited: transforms, centre of mass, charge sign and moment follow.
  void FormulaChanged(TFormula* formula) override;
  // The property change of commands; a position made constant is locked in the assembly (null:
  // no assembly at hand).
  virtual void ChangeProperty(uint32_t tagOrId, const TFormula* source,
                              class TAssemblySolver* assembly);
  // Copies the source into one of the body's quantities and reports the change.
  void AssignQuantity(const TFormula& source, TFormula& target);
  // The 1-based index of the fill pattern in the pattern table; setting clamps to 1..24.
  int16_t GetPatternIndex() const;
  void SetPatternIndex(int16_t index);
  // Materials: a "mate" resource of the index applied to density, frictions, elasticity, charge.
  virtual void ApplyMaterial(int16_t index);
  virtual void ClearMaterial();
  virtual int16_t CheckMaterial();
  virtual void SetMomentMode(int16_t mode);
  virtual int16_t GetMomentMode();
  int16_t GetMaterial() const { return material_; }
  // The moment quantity's value as it stands, computing nothing.
  double CurrentMomentValue() const { return moment_->GetValue(); }
  // Centre of mass.
  virtual void UpdateCentroid();
  virtual void COMChanged();
  virtual void SetCOMConstants(const TVector& offset);
  virtual void GetCOMFormulas(TFormula*& x, TFormula*& y);
  virtual TVector GetCOMVector();
  uint16_t IsCOMAutomatic() const { return comAutomatic_; }
  bool IsCentroidValid() const { return centroidValid_ != 0; }
  void SetCentroidValid(uint16_t valid) { centroidValid_ = valid; }
  void GetPositionFormulas(TFormula* out[3]) const;

  // ---- 7. Filing ----
  static constexpr int16_t kBlockDisplay = 5005;
  static constexpr int16_t kBlockSolverRecord = 1200;
  static constexpr int16_t kBlockCOMMode = 5029;
  static constexpr int16_t kBlockPositionValues = 5023;
  static constexpr int16_t kBlockInitialVelocity = 5254;
  static constexpr int16_t kBlockGeometryRefresh = 5030;
  uint16_t ReadBlockContents(int16_t code, TObjectReader& reader) override;
  void WriteBlockContents(int16_t code, TObjectWriter& writer) override;
  void WriteFields(TObjectWriter& writer) override;
  int32_t CountElements() override;
  void WriteElements(TObjectWriter& writer) override;
  void ReadElements(int32_t count, TObjectReader& reader) override;
  void LoadRecordedValues(int32_t frame, THistoryCursor& cursor) override;
  void ReportPropertyBlocks(uint32_t tag, uint16_t& found, BlockCallback blockCallback,
                            ObjectCallback objectCallback, void* blockContext,
                            void* objectContext) override;
  void ReportPositionBlocks(BlockCallback blockCallback, void* blockContext) override;
  virtual void ReportSolverBlocks(BlockCallback callback, void* context);
  virtual void ReportGeometryBlocks(BlockCallback callback, void* context);
  // What reading block 5030 sets off: bounds, extent and screen data made again.
  virtual void RefreshGeometry();
  void ReadDisplayBlock(TObjectReader& reader);
  void ReadSolverRecord(TObjectReader& reader);

  // ---- 8. Shared behaviour ----
  void ValidateShownTransform();
  const Transform2D& GetShownTransform();
  const Transform2D& GetInverseTransform();
  virtual void ValidateScreenTransform(const Transform2D& view);
  // Puts a carried picture centred on the body's screen origin.
  void PlacePicture();
  // Takes a screen transform as valid; what is computed from it goes stale.
  void SetScreenTransform(const Transform2D& transform);
  const Transform2D& GetScreenTransform() const { return screenTransform_; }
  const Transform2D& GetScreenInverse();
  bool IsScreenValid() const { return screenValid_ != 0; }
  // Stale screen data of the body and, when it had any, of its attachments.
  virtual void InvalidateScreenCache();
  virtual void GetScreenCorners(std::array<MacPoint, 4>& corners);
  void GetPlacement(TVector3& placement) override;
  void GetPosition(TVector& position) override;
  void LocalToWorld3(TVector3& p) override;
  void LocalToWorld(TVector& p) override;
  void WorldToLocal3(TVector3& p) override;
  void WorldToLocal(TVector& p) override;
  TVector ScreenToLocal(const MacPoint& point);
  double GetRotationValue() const;
  TVector GetLocalSize() const;
  TVector GetCOMOffset() const;
  TVector GetCOMWorld();
  void SetPlacement(const TVector3& p) override;
  // The placement with the cosine and sine of its angle worked out already: the shown transform
  // takes them as they are and is valid at once.
  virtual void SetShownFrame(const TVector3& p, double cosine, double sine);
  void SetRotationValue(double rotation);
  void MoveBy(const TVector& d) override;
  void GeometryChanged(uint16_t changed);
  void ShapeChanged(uint16_t changed) override;
  virtual bool HitTestLocal(const TVector& p);
  virtual bool HitTest(const MacPoint& point);
  virtual bool HitTestRect(const MacRect& rect);
  // A body covers what lies under it from the pointer and from snapping.
  uint16_t IsHitTarget() override { return 1; }
  uint16_t HitTestWindowPoint(const MacPoint& point) override { return HitTest(point) ? 1 : 0; }
  uint16_t ContainsWorldPoint(const TVector& point) override;
  // The corner handle under the point: 0 top-left, 3 bottom-right, 1 top-right, 2 bottom-left.
  virtual bool HitHandle(const MacPoint& point, int32_t& handle);
  virtual bool IsTinyOnScreen();
  const MacPoint& GetScreenPoint();
  // The name label stands under the body's bounds on the screen, at their left.
  void GetLabelAnchor(QV_CPoint& anchor) override;
  virtual MacPoint GetCOMScreenPoint();
  MacPoint BodyToScreenPoint(const TVector& local) const;
  virtual void SetAnchored(int32_t kind);
  int32_t GetAnchored() const { return anchored_; }
  virtual bool IsAnchored();
  int16_t GetAnchorCode();
  // The background for an anchored body, else the last body of the join chain.
  virtual TThing* GetRootBody();
  virtual bool IsJoinedWith(TThing* other);
  // Joins this body to another; a join that would close a ring is refused.
  virtual void JoinTo(TMass* body);
  bool IsJoinedOrAnchored();
  // The body this one is attached to; a link that would close a ring is refused.
  virtual void SetAttachedBody(TThing* body);
  TMass* GetAttachedBody() const { return attachedBody_; }
  virtual bool IsInAttachChain(TMass* body);
  virtual void AddAttachment(TLink* object);
  virtual void RemoveAttachment(TLink* object);
  void ForEachAttachment(void (*callback)(TLink* object, void* context), void* context);
  // Whether a constraint on one of the body's points, asked from the last point to the first,
  // reports a hit at the screen point (h, v).
  virtual bool HitAttachments(int32_t h, int32_t v);
  // A change of the position formulas ("fTwx") concerns every constraint on the body's points
  // and the points those constraints hold; other tags go to the base.
  void GetDependants(uint32_t tag, std::vector<TLink*>& list) override;

  // ---- Groups of connected bodies (BodyGroups.cpp) ----
  // Bodies are connected through the constraints on their points that take part in the
  // mechanism. A search test answers true to end the search at the body; clearing descend keeps
  // the search from going further from that body.
  using GroupTest = collection_detail::FunctionRef<bool(TMass& body, uint16_t& descend)>;
  using BodyVisit = collection_detail::FunctionRef<bool(TMass& body)>;
  using AttachedBodyStep = collection_detail::FunctionRef<bool(TMass& body, TLink* attached)>;
  using ElementStep = collection_detail::FunctionRef<bool(TLink* element)>;
  // The first body of this body's group that passes the test, or null; no body is visited twice.
  virtual TMass* FindInGroup(GroupTest test);
  // The same search with the bodies visited so far; a visited body answers null.
  virtual TMass* SearchGroup(GroupTest test, std::unordered_set<const TMass*>& visited);
  // Runs the action once on every body of the group, this one first.
  virtual void ForEachInGroup(collection_detail::FunctionRef<void(TMass& body)> action);
  // Visits the bodies connected to this one until a visit answers true (the answer). When
  // none does and the body's position follows a formula, the world's background is visited
  // last: the formula ties the body to the ground.
  virtual bool ForEachConnected(BodyVisit visit);
  // For each point on the body, in order, and each of its constraints that takes part and that
  // elementStep accepts: the bodies of the constraint's other points, other than this one, go to
  // bodyStep with the point. The first true answer ends the walk and is returned.
  virtual bool ForEachAttachedBody(AttachedBodyStep bodyStep, ElementStep elementStep);
  void ObjectRemoved(TLink* object) override;
  // A picture carried in place of the shape: attach set takes a different picture (the one
  // carried before leaves), attach clear lets the carried picture go; else nothing.
  virtual void AttachPicture(TBodyPicture* picture, bool attach);
  TBodyPicture* GetPicture() const { return picture_; }
  // Forgets the picture without telling anyone (the picture goes).
  void PictureGone(TBodyPicture* picture) {
    if (picture == picture_) picture_ = nullptr;
  }
  virtual void UpdateChargeSign();
  int32_t GetChargeSign() const { return chargeSign_; }
  TVector3 GetVelocityValues() const;
  virtual double GetShapeWidth() { return 0.0; }
  virtual double GetShapeHeight() { return 0.0; }
  virtual double GetShapeRadius() { return 0.0; }
  [[noreturn]] void FailWithDescription(int16_t error, int32_t message);
  // The world the body lies in, or null.
  class TWorldDoc* GetWorld() const;
  bool IsInWorld() const { return GetWorld() != nullptr; }

  // ---- 9. Inputs ----
  // Binds the property of the attach code to an input's formula template and reports its value
  // and a default range in display units; 0 for codes that are not a body's.
  virtual uint16_t AttachInput(int16_t code, const Str255& first, const Str255& second,
                               double& value, double& value2, double& low, double& high,
                               double& low2, double& high2);
  static Str255 InMenuName() { return "InMassMenu"; }
  static Str255 OutMenuName() { return "OutMassMenu"; }
  // The binding step: a constant reports its value, then the formula reads the template in the
  // world's units.
  void BindInput(TFormula& formula, const Str255& text, double& value, int32_t dimension);
  // A value in internal units to the world's display units of the dimension.
  void ToDisplay(int32_t dimension, double& value) const;
  // The world's snapping step; 0 outside a world.
  double GridStep() const;
  // The rectangle around every body of the world (left, top, right, bottom; y up).
  TDoubleRect WorldBounds() const;
  // The square around the body's reference point that holds its bounds whatever its rotation.
  TDoubleRect GetWorldBoundsSquare() const;

  // ---- 10. Drawing (BodyDrawing.cpp) ----
  // The thing's drawing of the shape: the body with its outline pen.
  void DrawShape(const MacRect& area, uint16_t flags) override;
  // Bit 0 of flags: outline only; bit 1: no picture. Answers 3 when no marks are drawn.
  virtual int32_t DrawBody(const MacRect& rect, int32_t flags);
  // The charge sign or the centre-of-mass mark at the centre of mass, as the body shows them.
  void DrawMarks();
  // Shapes draw their outline (outline set) and fill here, moved by inset on both axes.
  virtual void DrawShape(const MacRect& rect, uint16_t mode, uint16_t outline, int16_t inset);
  // The port's pen takes the body's own colour, or its fill colour.
  void UseOutlineColour();
  void UseFillColour();
  // A change of selection state shows as inverted squares at the screen corners.
  virtual void HighlightSelection(const MacRect& rect, int16_t oldState, int16_t newState);
  // The dashed line from a point's screen position to where it meets the body (local point);
  // nothing unless the point lies outside.
  virtual void DrawConnectionLine(const MacPoint& from, const TVector& local, uint16_t outside);
  // Where the connection line of a point at the local point meets the body: its origin.
  virtual TVector ConnectionTarget(const TVector&) { return {0.0, 0.0}; }
  // Marquee selection: the body lies inside the screen rectangle (its origin, for a body
  // without a shape of its own).
  virtual bool IsEnclosedBy(const MacRect& rect) { return HitTestRect(rect); }

 private:
  // A charge given by a formula takes its recorded value of the frame.
  void ShowRecordedCharge(class TWorldDoc& world, class TFrameStore& store, int16_t frame);
  void ShowRecordedArrows(class TWorldDoc& world, class TFrameStore& store, int16_t frame);

 public:
  // ==== end of properties, materials, filing and shared behaviour ====

  // ==== Polygon bodies ====
  // The stored area, computing nothing: a shape computing its area starts from it.
  double GetStoredArea() const { return area_; }
  // A shape whose extent is not that of its bounds (the farthest vertex) stores its own.
  void SetExtentSquared(double value) { extentSquared_ = value; }
  uint16_t IsFilled() const { return filled_; }
  int16_t GetPenSize() const { return penSize_; }

 private:
  void ResetFields();
  void DeleteFormulas();

  TMass* attachedBody_ = nullptr;
  TMass* joinedTo_ = nullptr;
  uint16_t shownValid_ = 0;
  Transform2D shownTransform_;
  uint16_t inverseValid_ = 0;
  Transform2D inverseTransform_;
  uint16_t screenValid_ = 0;
  Transform2D screenTransform_;
  uint16_t screenInverseValid_ = 0;
  Transform2D screenInverse_;
  uint16_t cornersValid_ = 0;
  std::array<MacPoint, 4> screenCorners_{};
  uint16_t recordWord_ = 0;
  int32_t anchored_ = 0;
  std::unique_ptr<TFormula> anchorFormula1_;
  std::unique_ptr<TFormula> anchorFormula2_;
  double extentSquared_ = 0.0;
  TDoubleRect localBounds_{0, 0, 0, 0};
  std::unique_ptr<TFormula> posX_, posY_, posRot_;
  std::unique_ptr<TFormula> velX_, velY_, velRot_;
  std::unique_ptr<TFormula> mass_;
  std::unique_ptr<TFormula> moment_;
  std::unique_ptr<TFormula> comX_, comY_;
  uint16_t centroidValid_ = 1;
  uint16_t comAutomatic_ = 1;
  uint16_t comOffsetNonZero_ = 0;
  MacPoint comScreenPoint_{};
  uint16_t comCacheValid_ = 0;
  std::unique_ptr<TFormula> staticFriction_, kineticFriction_, elasticity_, charge_;
  double area_ = 1.0;
  double density_ = 1.0;
  int16_t material_ = 1;
  int32_t momentMode_ = 2;
  uint16_t massGiven_ = 0;
  uint16_t momentGiven_ = 0;
  uint16_t areaValid_ = 0;
  uint16_t densityValid_ = 0;
  uint16_t massValid_ = 0;
  uint16_t momentValid_ = 0;
  std::unique_ptr<TList> attachments_;
  TBodyPicture* picture_ = nullptr;
  int16_t penSize_ = 1;
  uint16_t filled_ = 1;
  const int16_t* fillPattern_ = nullptr;
  RGB16Color colour_{65535, 65535, 65535};
  uint16_t showCentreMark_ = 0;
  uint16_t showChargeMark_ = 0;
  uint16_t trackOutline_ = 0;
  int32_t chargeSign_ = 1;
  MacPoint screenOrigin_{};
  TVector screenOriginVector_{0, 0};
  uint16_t screenOriginValid_ = 0;
  uint16_t optionWord_ = 1;
};
