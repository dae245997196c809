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

#include <cstdint>

#include "core/geometry/Vector.h"
#include "model/Formula.h"
#include "model/Link.h"

class THistoryCursor;
class TObjectWriter;
class TVectorThing;

inline constexpr uint32_t kVectorHandlerTag = MakeTag("svgd");

// One per world. The fields are the world's force-field constraints; a world without them (or
// before the constraints layer answers) has none.
class TGlobalVectorHandler : public TLink {
  DECLARE_CLASS_ID(687, TLink)

 public:
  virtual TLink* GetGravityField() { return nullptr; }
  virtual TLink* GetCustomField() { return nullptr; }
  virtual bool HasAirField() { return false; }
  virtual bool HasElectrostaticField() { return false; }
  // The active test of the field of a vector index; 0 without one.
  virtual uint16_t IsFieldActive(int16_t) { return 0; }
  // The object number of the field of a vector index (3 and 6 gravity, 4 air resistance, 5 and
  // 8 custom, 7 electrostatic); 0 without one.
  virtual int16_t GetFieldNumber(int16_t) { return 0; }
  // A field counts as uniform when its uniform test holds or it is not active.
  virtual bool IsUniformField(TLink*) { return true; }
  // Saves the pen and sets the handler's pen size and label font.
  virtual void PreparePen(PenState& saved);
  // The marker of a zero vector: a small circle around the point.
  virtual void DrawMarker(const MacPoint& point);
};

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
  virtual void LoadRecordedValues(int32_t frame, THistoryCursor& cursor);
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
  // Drawing from the anchor (screen and world point); the vector display draws the arrow.
  virtual void Draw(const MacPoint&, const TVector&) {}
  virtual void DrawFeedback(const MacPoint&, const TVector&) {}
  // Whether the point hits the arrow drawn from the anchor, and which part.
  virtual bool HitTest(const MacPoint&, const MacPoint&, const TVector&, int16_t& part) {
    part = 0;
    return false;
  }
  virtual RGB16Color GetColour() { return RGB16Color{0, 0, 0}; }

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
  void LoadRecordedValues(int32_t frame, THistoryCursor& cursor) override;
  int16_t WriteFormulas(TObjectWriter& writer) override;
  bool GetValue(TVector& value) override;
  const TFormula& Component(int i) const { return components_[i]; }

 private:
  void Rebuild();

  TFormula components_[2];
  bool present_[2] = {false, false};
};

class TVectorArrow693 : public TVectorArrow692 {
 public:
  using TVectorArrow692::TVectorArrow692;
};

class TVectorArrow694 : public TVectorArrow692 {
 public:
  using TVectorArrow692::TVectorArrow692;
};
