#pragma once
// The vector-display bases between TThing and the bodies and points: up to eleven arrows per
// object (velocity, acceleration, total or constraint force, field, contact and friction forces),
// the menu commands that show them, their filing and the recorded formulas the solver computes
// for them frame by frame.
//
// Contents:
//   1. TVectorThing (689): arrow slots and flags, showing and hiding,
//      options, vector commands                                       VectorThing.cpp
//   2. Filing: blocks 5251/5252/5253, element list, recorded values   VectorFiling.cpp
//   3. TVectorMassBase (690): field-force vectors and their forms,
//      a body's vector formulas                                       VectorMassBase.cpp
//   4. TVectorPointBase (691): a point's vector formulas              VectorMassBase.cpp
//   5. Drawing and hit testing of the arrows                          VectorDrawing.cpp
//
// Vector indices: 0 velocity, 1 acceleration, 2 total force (bodies) or constraint force
// (points), 3 and 6 gravity (uniform and pairwise form), 4 air resistance, 5 and 8 custom field
// (single-body and pairwise form), 7 electrostatic, 9 contact, 10 friction.

#include <array>
#include <cstdint>
#include <memory>

#include "bodies/vectors/DocumentVectorWorld.h"
#include "bodies/vectors/VectorArrows.h"
#include "model/Thing.h"

inline constexpr int16_t kVectorCount = 11;

inline constexpr int16_t kBlockVectorFlags = 5251;
inline constexpr int16_t kBlockBodyVectorFlags = 5252;
inline constexpr int16_t kBlockPointVectorFlags = 5253;

// Menu commands: show the velocity, acceleration, total force, gravity, electrostatic, air
// resistance, custom field, contact and friction vectors; remove all vectors.
inline constexpr int16_t kCmdShowVelocity = 5700;
inline constexpr int16_t kCmdShowAcceleration = 5701;
inline constexpr int16_t kCmdShowForce = 5702;
inline constexpr int16_t kCmdShowGravity = 5703;
inline constexpr int16_t kCmdShowElectrostatic = 5704;
inline constexpr int16_t kCmdShowAirResistance = 5705;
inline constexpr int16_t kCmdShowCustomField = 5706;
inline constexpr int16_t kCmdShowContact = 5707;
inline constexpr int16_t kCmdShowFriction = 5708;
inline constexpr int16_t kCmdRemoveVectors = 5709;

// No arrow kind answers the index.
inline constexpr int16_t kErrNoArrow = -25007;

class TVectorThing : public TThing {
  DECLARE_CLASS_ID(689, TThing)

 public:
  TVectorThing() = default;
  ~TVectorThing() override;

  void Initialize() override;
  void InitFields();

  // ---- 1. Arrows ----
  virtual int16_t CountArrowFormulas();
  virtual void FieldAdded(TLink*) {}
  virtual void FieldRemoved(TLink*) {}
  virtual void FieldChanged(TLink*) {}
  virtual void RefreshArrows();
  // The world's vector settings changed: the arrows read them as they draw, so a thing that
  // shows any is drawn again.
  void VectorSettingsChanged();
  virtual int16_t GetObjectNumber() { return 0; }
  // What formulas call the thing: its description, or kind[n] by its identifier when it has none
  // (the solver knows objects by kind and number, never by an empty name).
  Str255 FormulaReference(const char* kind);
  // The formula text of one component (0 x, else y) of the vector of the index.
  virtual Str255 BuildVectorFormula(int16_t index, int16_t component, uint16_t& resolved,
                                    uint16_t& fieldVector);
  virtual bool GetVectorValue(int16_t index, TVector& value);
  virtual TVectorArrow* GetArrow(int16_t index) const;
  // Velocity formulas x, y, rotation; null for things without them.
  virtual void GetVelocityFormulas(TFormula*& x, TFormula*& y, TFormula*& rotation);
  virtual void SetFieldVectorsResolved(uint16_t flag) { fieldVectorsResolved_ = flag; }
  virtual void SetVectorOption(int16_t index, uint16_t on);
  virtual void DragVector(int16_t index, const TVector& vector);
  virtual void SetInitialVelocity(const TVector&) {}
  virtual void ChooseFieldVectorForm(uint16_t, int16_t, int16_t, uint16_t) {}
  virtual std::unique_ptr<TVectorArrow> NewArrow(int16_t index);
  virtual std::unique_ptr<TVectorArrow> NewFormulaArrow(int16_t index);
  virtual std::unique_ptr<TVectorArrow> NewContactArrow(int16_t index);
  virtual std::unique_ptr<TVectorArrow> NewPairArrow(int16_t index);
  virtual std::unique_ptr<TVectorArrow> NewVelocityArrow(int16_t index);
  virtual void CreatePendingArrows();
  // Arrows read from a document before the thing knew its world's vector settings are made as
  // soon as it finds them.
  void ResolvePendingArrows();
  virtual void SetVectorShown(int16_t index, uint16_t show, uint16_t request, uint16_t notify);
  virtual void SetArrow(int16_t index, std::unique_ptr<TVectorArrow> arrow);
  virtual void VectorHook() {}
  virtual void DeleteArrow(int16_t index);
  virtual void DeleteAllArrows(uint16_t clearMenuFlags, uint16_t includeOptioned);
  // Takes the vector handler of the world the thing lies in, when it has none.
  virtual void AttachVectorHandler();
  virtual void UpdateFieldVectors();
  virtual void CheckFieldVector(int16_t, uint16_t& available) { available = 0; }
  virtual void MapFieldVectorIndex(int16_t&, uint16_t& changed) { changed = 0; }
  virtual bool HasArrow(int16_t index) const { return GetArrow(index) != nullptr; }
  virtual bool MarksZeroVectors() { return true; }
  virtual bool IsBody() { return false; }

  // The world tells a thing it was adopted, with its preference "svvP" for the velocity vector.
  void AdoptWorld(TVectorWorld* world, uint16_t velocityOption);
  // The world that holds the thing (AttachVectorHandler takes its handler).
  void SetVectorWorld(TVectorWorld* world) { world_ = world; }
  TGlobalVectorHandler* GetVectorHandler() const { return vectorHandler_; }

  // ---- 5. Drawing and hit testing ----
  void Draw(const MacRect& area, uint16_t flags) override;
  // Where the arrows start, on screen and in the world: the thing's position.
  virtual void GetVectorAnchor(MacPoint& screen, TVector& world);
  // A world point on the screen, as the view last placed the thing.
  virtual void VectorPointToScreen(const TVector& world, MacPoint& screen);
  virtual void DrawVectorMarker() {}
  virtual void DrawVectors(const MacRect& area, uint16_t drawMode);
  virtual void DrawVectorFeedback(int16_t index);
  virtual bool HitTestVectors(const MacPoint&, int16_t& part) {
    part = 0;
    return false;
  }
  virtual bool GetVectorHandleRect(MacRect&) { return false; }
  // True while vector feedback is being drawn.
  static bool IsDrawingVectorFeedback();

  // Vector commands 5700 to 5709: enabled and check mark; false for other commands.
  virtual bool GetCommandState(int16_t command, uint16_t& enabled, uint16_t& mark);
  virtual void DoCommandValue(int16_t command, uint16_t value);

  // ---- 2. Filing and recorded values ----
  uint16_t ReadBlockContents(int16_t code, TObjectReader& reader) override;
  void WriteBlockContents(int16_t code, TObjectWriter& writer) override;
  void WriteFields(TObjectWriter& writer) override;
  int32_t CountElements() override;
  void WriteElements(TObjectWriter& writer) override;
  void ReadElements(int32_t count, TObjectReader& reader) override;
  virtual void LoadRecordedValues(int32_t frame, THistoryCursor& cursor);
  // The arrows' recorded formulas take the next values in the order they were written; false,
  // with nothing taken, when fewer than that many values are at hand (arrows shown after the
  // frames were recorded have none).
  bool LoadArrowValues(int32_t available, const std::function<double()>& next);

  // State read by the commands, the filing and the tests.
  int16_t ArrowCount() const { return arrowCount_; }
  uint16_t AreVectorsSuppressed() const { return vectorsSuppressed_; }
  uint16_t IsVectorShown(int16_t index) const { return InRange(index) ? shown_[index] : 0; }
  uint16_t IsVectorOptioned(int16_t index) const { return InRange(index) ? option_[index] : 0; }
  uint16_t AreArrowsPending() const { return arrowsPending_; }
  int16_t RecordedFormulaCount() const { return recordedFormulaCount_; }

 protected:
  static bool InRange(int16_t index) { return index >= 0 && index < kVectorCount; }
  // Shows or hides one menu-flag vector from a command: nothing when the flag already holds it.
  void ShowFromCommand(int16_t index, uint16_t value, uint16_t notify);
  // The arrow notices of every arrow.
  template <class Notice>
  void ForEachArrow(Notice notice) {
    for (auto& arrow : arrows_)
      if (arrow) notice(*arrow);
  }
  // Reads the boolean flags of a block and makes the arrows they ask for.
  void ArrowsAfterRead(bool anyShown);

  TGlobalVectorHandler* vectorHandler_ = nullptr;
  TVectorWorld* world_ = nullptr;
  // The vector side of the world document the thing lies in, when it found one itself.
  std::unique_ptr<TDocumentVectorWorld> documentWorld_;
  uint16_t vectorsSuppressed_ = 0;
  int16_t arrowCount_ = 0;
  std::array<std::unique_ptr<TVectorArrow>, kVectorCount> arrows_;
  uint16_t fieldVectorsOn_ = 0;
  uint16_t fieldVectorsResolved_ = 0;
  uint16_t arrowsPending_ = 0;
  int16_t recordedFormulaCount_ = 0;
  std::array<uint16_t, kVectorCount> shown_{};
  std::array<uint16_t, kVectorCount> option_{};
  std::array<uint16_t, kVectorCount> requested_{};
};

class TVectorMassBase : public TVectorThing {
  DECLARE_CLASS_ID(690, TVectorThing)

 public:
  void Initialize() override;
  void InitFields();

  Str255 BuildVectorFormula(int16_t index, int16_t component, uint16_t& resolved,
                            uint16_t& fieldVector) override;
  void FieldAdded(TLink* field) override;
  void FieldRemoved(TLink* field) override;
  void FieldChanged(TLink* field) override;
  void ChooseFieldVectorForm(uint16_t useFirst, int16_t first, int16_t second,
                             uint16_t shown) override;
  std::unique_ptr<TVectorArrow> NewArrow(int16_t index) override;
  void DeleteAllArrows(uint16_t clearMenuFlags, uint16_t includeOptioned) override;
  void UpdateFieldVectors() override;
  void CheckFieldVector(int16_t index, uint16_t& available) override;
  void MapFieldVectorIndex(int16_t& index, uint16_t& changed) override;
  bool IsBody() override { return true; }
  bool GetCommandState(int16_t command, uint16_t& enabled, uint16_t& mark) override;
  void DoCommandValue(int16_t command, uint16_t value) override;
  uint16_t ReadBlockContents(int16_t code, TObjectReader& reader) override;
  void WriteBlockContents(int16_t code, TObjectWriter& writer) override;
  void WriteFields(TObjectWriter& writer) override;

  // Both call function with 5254 and the data.
  virtual void CallWithBlock5254(void (*function)(int16_t, void*), void* data) {
    function(5254, data);
  }
  virtual void CallWithBlock5254Again(void (*function)(int16_t, void*), void* data) {
    function(5254, data);
  }
  virtual void MoveVector(int16_t from, int16_t to, uint16_t shown);

  void DrawVectorMarker() override;
  // A body's arrows start at its point on the screen as the view last placed the body.
  void GetVectorAnchor(MacPoint& screen, TVector& world) override;
  void VectorPointToScreen(const TVector& world, MacPoint& screen) override;
  bool HitTestVectors(const MacPoint& point, int16_t& part) override;
  // The square 3 pixels around the anchor.
  bool GetVectorHandleRect(MacRect& rect) override;
  // Tracking feedback of a body whose velocity vector is optioned but not shown from the menu.
  void DrawVelocityFeedback(const MacRect& area, uint16_t before, uint16_t after);

  uint16_t ShowsGravityVector() const { return showGravity_; }
  uint16_t ShowsCustomVector() const { return showCustom_; }
  uint16_t IsGravityUniform() const { return gravityUniform_; }
  uint16_t IsCustomUniform() const { return customUniform_; }

 private:
  // Shows or hides the gravity (3/6) or custom field (5/8) vector from its command.
  void ShowFieldFromCommand(uint16_t& menuFlag, int16_t uniformIndex, int16_t pairIndex,
                            uint16_t uniform, uint16_t value);

  uint16_t showGravity_ = 0;
  uint16_t showCustom_ = 0;
  uint16_t gravityUniform_ = 0;
  uint16_t customUniform_ = 0;
};

class TVectorPointBase : public TVectorThing {
  DECLARE_CLASS_ID(691, TVectorThing)

 public:
  Str255 BuildVectorFormula(int16_t index, int16_t component, uint16_t& resolved,
                            uint16_t& fieldVector) override;
  std::unique_ptr<TVectorArrow> NewVelocityArrow(int16_t index) override {
    return NewFormulaArrow(index);
  }
  void SetVectorOption(int16_t, uint16_t) override {}
  bool MarksZeroVectors() override { return false; }
  uint16_t ReadBlockContents(int16_t code, TObjectReader& reader) override;
  void WriteBlockContents(int16_t code, TObjectWriter& writer) override;
  void WriteFields(TObjectWriter& writer) override;
};
