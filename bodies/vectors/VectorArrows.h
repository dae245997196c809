#pragma once
// The arrows of the vector display and the world's vector settings, as far as bodies and points
// use them: each arrow holds the formulas of its vector, counts and files them as recorded
// elements, loads their recorded values and hands a drag of a velocity arrow back to its owner.
// The display of the arrows (drawing, labels, colours, scales) and the formula templates of the
// pairwise and contact vectors belong to the vector display itself.
//
//   TGlobalVectorHandler  (687, "svgd") the world's vector settings and its force fields
//   TVectorArrow          (688) a body's velocity arrow: shows the body's velocity formulas
//   TVectorArrow692       an arrow whose formulas its owner builds (acceleration, forces)
//   TVectorArrow693       pairwise field forces
//   TVectorArrow694       contact and friction forces

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "core/geometry/Vector.h"
#include "model/Formula.h"
#include "model/Link.h"
#include "model/world/WorldVectorSettings.h"

class THistoryCursor;
class TObjectWriter;
class TVectorThing;

inline constexpr uint32_t kVectorHandlerTag = MakeTag("svgd");

// The vector groups that select colour and scale: velocity (arrow kind 0), acceleration (kind 1)
// and force (every other kind).
inline constexpr int16_t kVectorGroupVelocity = 0;
inline constexpr int16_t kVectorGroupAcceleration = 1;
inline constexpr int16_t kVectorGroupForce = 2;

// The block that keeps the settings in documents.
inline constexpr int16_t kBlockVectorSettings = 5250;

// Setting tags.
inline constexpr uint32_t kTagShowXComponent = MakeTag("vdCx");
inline constexpr uint32_t kTagShowYComponent = MakeTag("vdCy");
inline constexpr uint32_t kTagShowWholeVector = MakeTag("vdCm");
inline constexpr uint32_t kTagShowVectorLabels = MakeTag("vdCn");
inline constexpr uint32_t kTagVelocityColour = MakeTag("Clrv");
inline constexpr uint32_t kTagAccelerationColour = MakeTag("Clra");
inline constexpr uint32_t kTagForceColour = MakeTag("Clrf");
inline constexpr uint32_t kTagVelocityScale = MakeTag("vly ");
inline constexpr uint32_t kTagAccelerationScale = MakeTag("acc ");
inline constexpr uint32_t kTagForceScale = MakeTag("frc ");
inline constexpr uint32_t kTagCombineContacts = MakeTag("d1  ");
inline constexpr uint32_t kTagSeparateContacts = MakeTag("d2  ");
inline constexpr uint32_t kTagStartAtPoint = MakeTag("d3  ");
inline constexpr uint32_t kTagEndAtPoint = MakeTag("d4  ");
inline constexpr uint32_t kTagVectorPenWidth = MakeTag("vd  ");
// The world's preference that bodies keep a velocity vector to drag.
inline constexpr uint32_t kTagVelocityOption = MakeTag("svvP");

// Force-field constraints (gravity 496, air resistance 497, custom 498, electrostatic 499) tell
// the vector display through this whether their field is set up and whether it acts on each body
// alone (uniform) rather than between pairs of bodies.
class TVectorFieldSource {
 public:
  virtual ~TVectorFieldSource() = default;
  virtual bool IsVectorFieldReady() const = 0;
  virtual bool IsVectorFieldUniform() const = 0;
};
inline constexpr int16_t kGravityFieldClass = 496;
inline constexpr int16_t kAirFieldClass = 497;
inline constexpr int16_t kCustomFieldClass = 498;
inline constexpr int16_t kElectricFieldClass = 499;

// Colour and length scale of a vector group.
struct TVectorGroupStyle {
  RGB16Color colour;
  double scale = 0.0;
};

// Which parts of every arrow are drawn.
struct TVectorComponentFlags {
  uint16_t x = 0;
  uint16_t y = 0;
  uint16_t whole = 1;
  uint16_t labels = 1;
};

// One per world: how all arrows look (parts drawn, colour and scale of each group, where force
// arrows start, pen width) and the world's force fields that field arrows need. The fields are
// the first force-field constraints of the world, kept but never owned.
class TGlobalVectorHandler : public THandlerLink, public TWorldVectorSettings {
  DECLARE_CLASS_ID(687, THandlerLink)

 public:
  // The settings of a new world (Initialize also sets them, before a document is read).
  TGlobalVectorHandler() { SetDefaults(); }
  void Initialize() override;

  TVectorGroupStyle GetGroupStyle(int16_t group) const;
  // (combine, starts at point) for an arrow kind.
  void GetKindPlacement(int16_t kind, uint16_t& combine, uint16_t& startsAtPoint) const;
  TVectorComponentFlags GetComponentFlags() const { return flags_; }
  void SetComponentFlags(const TVectorComponentFlags& flags) { flags_ = flags; }
  // Each scale clamped to 0..1, then the change announced.
  void SetScales(double velocity, double acceleration, double force);
  // A dragged offset in world units as a value of the group: the offset over the group's scale,
  // or the offset itself for a scale of 0.
  TVector OffsetToValue(int16_t group, const TVector& offset) const;
  int16_t GetPenWidth() const { return penWidth_; }
  // Every thing of the world that holds the handler is told, then the world's views are drawn
  // again; nothing without a world.
  virtual void VectorSettingsChanged(int16_t argument);

  // Properties.
  uint16_t GetFlagProperty(uint32_t tag, uint16_t& value, void* extra) override;
  void SetFlagProperty(uint32_t tag, uint16_t value) override;
  uint16_t GetChoiceProperty(uint32_t tag, int16_t& value, void* extra) override;
  void SelectChoice(uint32_t tag) override;
  uint16_t GetNumberProperty(uint32_t tag, double& value, void* extra) override;
  void SetNumberProperty(uint32_t tag, const double& value) override;
  uint16_t GetShortProperty(uint32_t tag, uint16_t& value, void* extra) override;
  void SetShortProperty(uint32_t tag, uint16_t value) override;
  uint16_t GetColourProperty(uint32_t tag, RGB16Color& value, void* extra) override;
  void SetColourProperty(uint32_t tag, const RGB16Color& value) override;

  // Filing.
  uint16_t CanReadBlock(int16_t code) override;
  uint16_t ReadBlockContents(int16_t code, TObjectReader& reader) override;
  void WriteBlockContents(int16_t code, TObjectWriter& writer) override;
  void WriteFields(TObjectWriter& writer) override;
  void WriteClassTag(TObjectWriter& writer) override;

  // The world's first force-field constraint of each class, looked for among the objects of the
  // world that holds the handler when none is kept or the kept one has left that world; null
  // without a world or without such a field.
  virtual TLink* GetGravityField() { return FindField(0); }
  virtual TLink* GetAirField() { return FindField(1); }
  virtual TLink* GetCustomField() { return FindField(2); }
  virtual TLink* GetElectricField() { return FindField(3); }
  virtual bool HasAirField() { return GetAirField() != nullptr; }
  virtual bool HasElectrostaticField() { return GetElectricField() != nullptr; }
  // The field of an arrow kind (3 and 6 gravity, 4 air resistance, 5 and 8 custom, 7
  // electrostatic); null for other kinds.
  TLink* GetFieldOfKind(int16_t kind);
  // Whether the field of an arrow kind is set up; 0 without one.
  virtual uint16_t IsFieldActive(int16_t kind);
  // The object number of the field of an arrow kind; 0 without one.
  virtual int16_t GetFieldNumber(int16_t kind);
  // A field counts as uniform when it acts on each body alone or is not set up.
  virtual bool IsUniformField(TLink* field);
  // Set when a field was looked for and none found, or looked for without a world.
  uint16_t IsRefreshPending() const { return refreshPending_; }
  // Set once the handler has joined its world as the world's settings.
  uint16_t IsRegistered() const { return registered_; }
  // Joining the world fills the field caches (and, when a field was looked for before, has
  // every thing rebuild its field arrows); a field that joins fills an empty cache of its class,
  // one that leaves empties its cache, and the things of the world hear of both.
  void JoinedWorld(TWorldDoc& world) override;
  void ObjectJoined(TWorldDoc& world, TLink& object) override;
  void ObjectLeaving(TWorldDoc& world, TLink& object) override;
  // Saves the pen and sets the handler's pen size and label font.
  virtual void PreparePen(PenState& saved);

  // Arrow drawing in port pixels (v grows downward); the head is at the p2 side. The whole
  // vector runs p1 → p2, the x component p1 → (p2.h, p1.v), the y component p1 → (p1.h, p2.v).
  // With the settings' own parts shown.
  void DrawArrow(MacPoint p1, MacPoint p2, const Str255& label, bool markShort);
  void DrawArrowParts(MacPoint p1, MacPoint p2, const Str255& label, bool useOwnFlags,
                      TVectorComponentFlags flags, bool markShort);
  // The head of one part: component 0 x, 1 y, 2 whole; the pen stands at the part's end.
  static void DrawArrowHead(MacPoint p1, MacPoint p2, bool close, int16_t component);
  // The barb of the whole vector's head; its mirror is (bv, -bh).
  static MacPoint ComputeBarbOffset(MacPoint p1, MacPoint p2);
  static void DrawShortMark(MacPoint p);
  // Within 5 pixels both ways: too short to read.
  static bool IsTooShort(MacPoint p1, MacPoint p2);
  // Part hit near a shown head: 3 x, 4 y, 2 whole; false leaves part as it was.
  bool HitTestArrow(MacPoint point, MacPoint p1, MacPoint p2, int16_t& part) const;
  // The marker of a zero vector: a small circle around the point.
  virtual void DrawMarker(const MacPoint& point);

 private:
  void SetDefaults();
  double& ScaleOf(uint32_t tag);
  // Slots 0 gravity, 1 air resistance, 2 custom, 3 electrostatic.
  TLink* FindField(int slot);
  RGB16Color* ColourOf(uint32_t tag);

  TVectorComponentFlags flags_;
  RGB16Color velocityColour_;
  RGB16Color accelerationColour_;
  RGB16Color forceColour_;
  double velocityScale_ = 0.2;
  double accelerationScale_ = 0.13;
  double forceScale_ = 0.13;
  uint16_t combineContacts_ = 1;
  uint16_t startsAtPoint_ = 1;
  int16_t penWidth_ = 1;
  std::array<TLink*, 4> fields_{};
  uint16_t refreshPending_ = 0;
  uint16_t registered_ = 0;
};

// Registers the class under "TGlobalVectorHandler" with its tag, and makes the label resources:
// the 13 names of string list 1120 (arrow kinds 0 to 10, then the x and y suffixes) and the
// 100 by 100 bitmap labels are laid over the picture through. FreeVectorLabels releases them.
void RegisterVectorHandlerClass();
void FreeVectorLabels();
// The label resources alone (RegisterVectorHandlerClass makes them).
void MakeVectorLabels();
// Entry 1..13 of the label names; empty before registration.
const Str255& VectorLabelText(int16_t entry);
// Labels drawn while set invert what lies under them, so that drawing one twice restores the
// picture (rubber-band feedback).
void SetVectorLabelInversion(bool on);
bool GetVectorLabelInversion();
// A counted string with its bottom-left corner at (h, v), without an opaque box.
void DrawVectorLabel(const Str255& text, int16_t h, int16_t v);

// What a world gives the things it holds for their vectors.
class TVectorWorld {
 public:
  virtual ~TVectorWorld() = default;
  // The world's vector handler, or null while it has none.
  virtual TGlobalVectorHandler* GetVectorHandler() = 0;
  // True while a recorded frame is shown (set when a frame from the history is shown, cleared
  // when the world returns to its initial state).
  virtual bool ShowsRecordedFrames() = 0;
};

class TVectorArrow {
 public:
  TVectorArrow(int16_t index, TVectorThing& owner, TGlobalVectorHandler& handler)
      : index_(index), owner_(owner), handler_(handler) {}
  virtual ~TVectorArrow() = default;
  TVectorArrow(const TVectorArrow&) = delete;
  TVectorArrow& operator=(const TVectorArrow&) = delete;

  int16_t Index() const { return index_; }
  // The formulas this arrow records, rebuilt first when stale.
  virtual int16_t FormulaCount() { return 0; }
  // Each recorded formula takes the cursor's value and the cursor advances.
  void LoadRecordedValues(int32_t frame, THistoryCursor& cursor);
  // Each recorded formula takes the next value, in the order the formulas are written.
  virtual void LoadValues(const std::function<double()>& next) { (void)next; }
  // Writes each recorded formula as one element and answers how many.
  virtual int16_t WriteFormulas(TObjectWriter& writer);
  // The vector shown; false when it cannot be read.
  virtual bool GetValue(TVector& value);
  // A drag of the arrow: the velocity arrow of a body sets the body's initial velocity.
  virtual void Drag(const TVector& vector);
  // Field notices mark the formulas stale.
  void FieldAdded() { stale_ = true; }
  void FieldRemoved() { stale_ = true; }
  void FieldChanged() { stale_ = true; }
  void Recompute() { stale_ = true; }
  virtual void Notify() {}
  // False only for the velocity arrow of a body, which is shown before any result exists.
  virtual bool IsDrawnOnlyWithResults();
  // The tip of the arrow from the world point: the point plus the group's scale times the value;
  // false, with the point itself, while the value is missing or undefined.
  virtual bool ComputeHead(const TVector& world, TVector& tip);
  // The world points that the arrow drawn from the anchor reaches besides the anchor: its heads,
  // and the starts of the arrows it draws from elsewhere. What it drew there is wiped when the
  // arrow changes.
  virtual void AddReachedPoints(const TVector& world, std::vector<TVector>& points);
  // Drawing from the anchor (screen and world point) in the group's colour, with the kind's
  // label; an arrow without a value draws nothing.
  virtual void Draw(const MacPoint& screen, const TVector& world);
  virtual void DrawFeedback(const MacPoint& screen, const TVector& world) { Draw(screen, world); }
  // Whether the point hits a head of the arrow drawn from the anchor, and which part (3 x head,
  // 4 y head, 2 whole head).
  virtual bool HitTest(const MacPoint& point, const MacPoint& screen, const TVector& world,
                       int16_t& part);
  virtual RGB16Color GetColour();
  // The group of the arrow's kind: velocity, acceleration or force.
  int16_t Group() const;

 protected:
  int16_t index_;
  TVectorThing& owner_;
  TGlobalVectorHandler& handler_;
  bool stale_ = true;
};

// Formulas from the owner's BuildVectorFormula; a component whose text is empty is not recorded.
class TVectorArrow692 : public TVectorArrow {
 public:
  using TVectorArrow::TVectorArrow;
  int16_t FormulaCount() override;
  void LoadValues(const std::function<double()>& next) override;
  int16_t WriteFormulas(TObjectWriter& writer) override;
  bool GetValue(TVector& value) override;
  // An arrow that ends at the point shows the vector's direction: its value is turned around.
  bool ComputeHead(const TVector& world, TVector& tip) override;
  const TFormula& Component(int i) const { return components_[i]; }

 private:
  void Rebuild();

  TFormula components_[2];
  bool present_[2] = {false, false};
};

// The formula templates of the vectors, 0 to 15: "^0" stands for the owner, "^1" for the field
// constraint, "^2" for the pair number and "^3" for the component word "x" or "y".
inline constexpr int16_t kVectorTemplateCount = 16;
const char* VectorFormulaTemplate(int16_t index);
// A template's first "^n" placeholder replaced by the value, and a number as template text.
void ReplaceFirstPlaceholder(Str255& text, const char* placeholder, const Str255& value);
Str255 VectorNumberText(int32_t n);

// Pairwise field forces (kinds 6 to 8): formula 1 counts the pairs, pair i has its x at 2i and
// its y at 2i + 1; each pair with a value is drawn as its own arrow from the owner's point.
class TVectorArrow693 : public TVectorArrow {
 public:
  static constexpr int16_t kMaxPairs = 5;
  static constexpr int16_t kCountIndex = 1;
  static constexpr int16_t kFirstComponent = 2;
  static constexpr int16_t kLastForceIndex = kCountIndex + 2 * kMaxPairs;

  using TVectorArrow::TVectorArrow;
  int16_t FormulaCount() override;
  void LoadValues(const std::function<double()>& next) override;
  int16_t WriteFormulas(TObjectWriter& writer) override;
  // A set of pairs has no single value to drag.
  bool GetValue(TVector&) override { return false; }
  void AddReachedPoints(const TVector& world, std::vector<TVector>& points) override;
  void Draw(const MacPoint& screen, const TVector& world) override;

  // The recorded number of pairs (rounded, within ±32767).
  int16_t PairCount() const { return pairCount_; }
  // Formula at a list index from 1; null beyond the list.
  const TFormula* FormulaAt(int16_t index) const;
  // The force of pair i, turned around when the arrow ends at the point; false when the list does
  // not hold the pair.
  bool GetPairValue(int16_t pair, TVector& value) const;
  // start + scale × the pair's force; false unless both components are defined.
  bool ComputePairTip(int16_t pair, TVector& tip, const TVector& start) const;
  bool NeedsData() const { return needsData_; }
  bool IsDataValid() const { return dataValid_; }

 protected:
  virtual void Rebuild();
  // Writes the text at a list index: in place when the list is reused, else appended as a new
  // formula without a value. An empty text writes nothing.
  void SetFormulaText(const Str255& text, int16_t index, bool reuse);
  // The pair text with its number filled in, written as the pair's x and y at first and first + 1.
  void AddPairFormulas(Str255 text, int16_t pair, int16_t first, bool reuse);
  // Starts a list of the expected size afresh, or keeps one that has it; true when kept.
  bool PrepareList(size_t expected);
  void DrawOrdered(const MacPoint& start, const TVector& tip);
  // Each arrow of the pairs from its start (null: the anchor at `world`) to its tip.
  using SegmentVisitor = std::function<void(const TVector* start, const TVector& tip)>;
  virtual void ForEachSegment(const TVector& world, const SegmentVisitor& visit) const;
  double Scale() const;
  bool StartsAtPoint() const;

  std::vector<std::unique_ptr<TFormula>> formulas_;
  int16_t pairCount_ = 0;
  bool needsData_ = false;
  bool dataValid_ = false;
};

// Contact (kind 9) and friction (kind 10) forces: the count and forces of 693, then pair i's
// location x at 12 + 2(i - 1) and y next to it. Pairs are drawn from their locations, or, when
// the settings combine contacts, as one arrow of their sum from the owner's point.
class TVectorArrow694 : public TVectorArrow693 {
 public:
  static constexpr int16_t kFirstLocation = kFirstComponent + 2 * kMaxPairs;

  using TVectorArrow693::TVectorArrow693;
  void Draw(const MacPoint& screen, const TVector& world) override;
  // Both location components defined.
  bool GetPairLocation(int16_t pair, TVector& location) const;
  bool IsCombined() const;

 protected:
  void Rebuild() override;
  void ForEachSegment(const TVector& world, const SegmentVisitor& visit) const override;
};
