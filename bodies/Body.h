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

#include "bodies/vectors/VectorThing.h"
#include "core/List.h"
#include "core/geometry/Transform2D.h"
#include "model/Formula.h"

class TPictGadget;

inline constexpr uint32_t kMassTag = MakeTag("mass");

// Fill patterns of bodies: 24 entries holding the pattern numbers 11 to 34.
inline constexpr int32_t kPatternCount = 24;
inline constexpr int16_t kFirstPatternNumber = 11;

// Moment modes: the moment is given, or computed by MomentForMode2, 3 or 4.
inline constexpr int32_t kMomentGiven = 1;

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

  // ---- 3. Recorded frames ----
  // The recorded position (x, y, rotation), velocity and the cosine and sine of the rotation.
  virtual void ShowFrameState(const TVector3& position, const TVector3& velocity, double cosine,
                              double sine);
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
  TPictGadget* picture_ = nullptr;
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
