// The linkages, gears and cam of the bundled worlds.

#include <cmath>
#include <numbers>

#include "bodies/Background.h"
#include "bodies/BodyTags.h"
#include "bodies/Table.h"
#include "constraints/CurvedSlot.h"
#include "constraints/Gear.h"
#include "constraints/Ropes.h"
#include "constraints/Slot.h"
#include "constraints/SplinePoint.h"
#include "tools/samples/SampleBuilder.h"
#include "tools/samples/SampleWorlds.h"

namespace sample_worlds {

using namespace body_tags;

namespace {

TRod& AddRod(TWorldDoc& world, int16_t identifier, TPoint& first, TPoint& second, double length) {
  TRod& rod = Add<TRod>(world, identifier);
  rod.SetShortProperty(kTagAlwaysActive, 1);
  rod.AttachObject(&first);
  rod.AttachObject(&second);
  rod.Quantity().SetConstant(length);
  return rod;
}

// A keyed slot along the track point's direction through it, holding the slider point on that
// line and its body's rotation.
TSlot& AddKeyedSlot(TWorldDoc& world, int16_t identifier, TPoint& track, TPoint& slider) {
  TSlot& slot = Add<TSlot>(world, identifier);
  slot.SetShortProperty(kTagAlwaysActive, 1);
  // Locked before the points come, so that they take its lock as a document read back gives it
  // to them.
  slot.SetLocked(1);
  slot.AttachObject(&track);
  slot.AttachObject(&slider);
  return slot;
}

// A gear between the points and its three companions at the identifiers after it.
TGear& AddGear(TWorldDoc& world, int16_t identifier, TPoint& first, TPoint& second) {
  TGear& gear = Add<TGear>(world, identifier);
  gear.SetShortProperty(kTagAlwaysActive, 1);
  gear.AttachObject(&first);
  gear.AttachObject(&second);
  gear.CompanionAdded(&Add<TGearCnstr>(world, static_cast<int16_t>(identifier + 1)));
  gear.CompanionAdded(&Add<TGearCnstrPoint>(world, static_cast<int16_t>(identifier + 2)));
  gear.CompanionAdded(&Add<TGearCnstrPoint>(world, static_cast<int16_t>(identifier + 3)));
  return gear;
}

// Where the coupler meets the rocker, above the ground line, for the crank's end at crankEnd.
TVector FourBarJoint(const TVector& crankEnd) {
  using namespace four_bar;
  const double dx = kGround - crankEnd.x, dy = -crankEnd.y;
  const double d = std::hypot(dx, dy);
  const double along = (kCoupler * kCoupler - kRocker * kRocker + d * d) / (2.0 * d);
  const double across = std::sqrt(kCoupler * kCoupler - along * along);
  return {crankEnd.x + (along * dx - across * dy) / d, crankEnd.y + (along * dy + across * dx) / d};
}

}  // namespace

std::unique_ptr<TQVDoc> MakePendulum() {
  using namespace pendulum;
  auto document = NewSampleDocument();
  TWorldDoc& world = document->World();
  TZeroMass& background = AddGround(world);
  TOval& bob = AddDisk(world, kBobId, 0.05, 1.0, kLength * std::sin(kStartAngle),
                       -kLength * std::cos(kStartAngle));
  TPoint& pivot = AddPoint(world, 3, background, {0.0, 0.0});
  TPoint& centre = AddPoint(world, 4, bob, {0.0, 0.0});
  AddRod(world, kRodId, pivot, centre, kLength);
  AddGravity(world, 7, 6, kGravity);
  return document;
}

std::unique_ptr<TQVDoc> MakeDoublePendulum() {
  using namespace double_pendulum;
  auto document = NewSampleDocument();
  TWorldDoc& world = document->World();
  TZeroMass& background = AddGround(world);
  TOval& upper = AddDisk(world, kUpperId, 0.05, kMass, kLength, 0.0);
  TOval& lower = AddDisk(world, kLowerId, 0.05, kMass, 2.0 * kLength, 0.0);
  TPoint& pivot = AddPoint(world, 4, background, {0.0, 0.0});
  TPoint& upperEnd = AddPoint(world, 5, upper, {0.0, 0.0});
  TPoint& upperStart = AddPoint(world, 6, upper, {0.0, 0.0});
  TPoint& lowerEnd = AddPoint(world, 7, lower, {0.0, 0.0});
  AddRod(world, kUpperRodId, pivot, upperEnd, kLength);
  AddRod(world, kLowerRodId, upperStart, lowerEnd, kLength);
  AddGravity(world, 13, 12, kGravity);
  return document;
}

std::unique_ptr<TQVDoc> MakeFourBarLinkage() {
  using namespace four_bar;
  auto document = NewSampleDocument();
  TWorldDoc& world = document->World();
  TZeroMass& background = AddGround(world);
  const TVector a{0.0, 0.0}, b{kCrank, 0.0}, d{kGround, 0.0};
  const TVector c = FourBarJoint(b);
  TRectangle& crank = AddBar(world, kCrankId, a, b, 1.0);
  TRectangle& coupler = AddBar(world, kCouplerId, b, c, 1.0);
  TRectangle& rocker = AddBar(world, kRockerId, d, c, 1.0);
  TPoint& pivot = AddPoint(world, 10, background, a);
  TPoint& crankFoot = AddPoint(world, 11, crank, {-kCrank / 2.0, 0.0});
  AddPin(world, kPinIds[0], pivot, crankFoot);
  AddPin(world, kPinIds[1], AddPoint(world, 12, crank, {kCrank / 2.0, 0.0}),
         AddPoint(world, 13, coupler, {-kCoupler / 2.0, 0.0}));
  AddPin(world, kPinIds[2], AddPoint(world, 14, coupler, {kCoupler / 2.0, 0.0}),
         AddPoint(world, 15, rocker, {kRocker / 2.0, 0.0}));
  AddPin(world, kPinIds[3], AddPoint(world, 16, background, d),
         AddPoint(world, 17, rocker, {-kRocker / 2.0, 0.0}));
  AddMotor(world, 30, pivot, crankFoot, kSpin);
  return document;
}

std::unique_ptr<TQVDoc> MakeSliderCrank() {
  using namespace slider_crank;
  auto document = NewSampleDocument();
  TWorldDoc& world = document->World();
  TZeroMass& background = AddGround(world);
  const TVector a{0.0, 0.0}, b{kCrank, 0.0}, s{kCrank + kRod, 0.0};
  TRectangle& crank = AddBar(world, kCrankId, a, b, 1.0);
  TRectangle& rod = AddBar(world, kRodId, b, s, 1.0);
  TRectangle& slider = Add<TRectangle>(world, kSliderId);
  slider.SetNumberProperty(kTagWidth, 0.2);
  slider.SetNumberProperty(kTagHeight, 0.1);
  slider.SetMass(1.0);
  slider.SetFormulaProperty(kTagPosX, TFormula(s.x));
  slider.SetFormulaProperty(kTagPosY, TFormula(s.y));
  TPoint& pivot = AddPoint(world, 10, background, a);
  TPoint& crankFoot = AddPoint(world, 11, crank, {-kCrank / 2.0, 0.0});
  AddPin(world, 20, pivot, crankFoot);
  AddPin(world, 21, AddPoint(world, 12, crank, {kCrank / 2.0, 0.0}),
         AddPoint(world, 13, rod, {-kRod / 2.0, 0.0}));
  AddPin(world, 22, AddPoint(world, 14, rod, {kRod / 2.0, 0.0}),
         AddPoint(world, 15, slider, {0.0, 0.0}));
  AddKeyedSlot(world, 24, AddPoint(world, 16, background, a),
               AddPoint(world, 17, slider, {0.0, 0.0}));
  AddMotor(world, 30, pivot, crankFoot, kSpin);
  return document;
}

std::unique_ptr<TQVDoc> MakeGearTrainAndRack() {
  using namespace gear_train;
  auto document = NewSampleDocument();
  TWorldDoc& world = document->World();
  TZeroMass& background = AddGround(world);
  const double between = kDriverRadius + kDrivenRadius;
  TOval& driver = AddDisk(world, kDriverId, kDriverRadius, 1.0, 0.0, 0.0);
  TPoint& driverCentre = AddPoint(world, 4, driver, {0.0, 0.0});
  TOval& driven = AddDisk(world, kDrivenId, kDrivenRadius, 1.0, between, 0.0);
  TPoint& drivenCentre = AddPoint(world, 6, driven, {0.0, 0.0});
  AddGear(world, 20, driverCentre, drivenCentre);
  TPoint& driverAxle = AddPoint(world, 11, background, {0.0, 0.0});
  AddPin(world, 10, driverAxle, driverCentre);
  AddPin(world, 12, AddPoint(world, 13, background, {between, 0.0}), drivenCentre);
  AddMotor(world, 14, driverAxle, driverCentre, kSpin);

  TRectangle& rack = Add<TRectangle>(world, kRackId);
  rack.SetNumberProperty(kTagWidth, 1.0);
  rack.SetNumberProperty(kTagHeight, 0.1);
  rack.SetMass(1.0);
  rack.SetFormulaProperty(kTagPosX, TFormula(between));
  rack.SetFormulaProperty(kTagPosY, TFormula(-kRackDepth));
  TPoint& rackCentre = AddPoint(world, 41, rack, {0.0, 0.0});
  // The ratio is of the distances from the wheel's centre and from the rack's to the contact:
  // this one puts the contact on the wheel's rim.
  TGear& rackGear = AddGear(world, 50, drivenCentre, rackCentre);
  rackGear.SetShortProperty(kTagGearRatioAuto, 0);
  rackGear.SetFormulaProperty(kTagGearRatio,
                              TFormula(kDrivenRadius / (kRackDepth - kDrivenRadius)));
  AddKeyedSlot(world, 60, AddPoint(world, 61, background, {between, -kRackDepth}),
               AddPoint(world, 62, rack, {0.0, 0.0}));
  return document;
}

std::unique_ptr<TQVDoc> MakeCamFollower() {
  using namespace cam_follower;
  auto document = NewSampleDocument();
  TWorldDoc& world = document->World();
  TZeroMass& background = AddGround(world);
  TOval& cam = AddDisk(world, kCamId, kGrooveRadius + kEccentricity + 0.05, 1.0, 0.0, 0.0);
  const double lift = std::sqrt(kGrooveRadius * kGrooveRadius - kEccentricity * kEccentricity);
  TRectangle& follower = Add<TRectangle>(world, kFollowerId);
  follower.SetNumberProperty(kTagWidth, 0.1);
  follower.SetNumberProperty(kTagHeight, 0.1);
  follower.SetMass(0.2);
  follower.SetFormulaProperty(kTagPosX, TFormula(0.0));
  follower.SetFormulaProperty(kTagPosY, TFormula(lift));

  TPoint& axle = AddPoint(world, 4, background, {0.0, 0.0});
  TPoint& camCentre = AddPoint(world, 5, cam, {0.0, 0.0});
  AddPin(world, 20, axle, camCentre);
  AddMotor(world, 21, axle, camCentre, kSpin);
  AddKeyedSlot(world, 22, AddPoint(world, 6, background, {0.0, 0.0}, std::numbers::pi / 2.0),
               AddPoint(world, 7, follower, {0.0, 0.0}));

  // The groove's points go round from the follower's starting place, so that it starts on the
  // curve exactly.
  TPoint& rider = AddPoint(world, 8, follower, {0.0, 0.0});
  TTable& table = Add<TTable>(world, 10);
  const double start = std::atan2(lift, -kEccentricity);
  for (int i = 0; i < kGroovePoints; ++i) {
    const double a = start + 2.0 * std::numbers::pi * i / kGroovePoints;
    table.AppendPoint({kEccentricity + kGrooveRadius * std::cos(a), kGrooveRadius * std::sin(a)});
  }
  TSplinePoint& grooveOrigin = Add<TSplinePoint>(world, 11);
  grooveOrigin.AttachToBody(&cam);
  grooveOrigin.SetLocalPosition({0.0, 0.0, 0.0});
  TCurvedSlot& groove = Add<TCurvedSlot>(world, kGrooveId);
  groove.SetShortProperty(kTagAlwaysActive, 1);
  groove.AttachObject(&grooveOrigin);
  groove.AttachObject(&rider);
  groove.SetPointTable(&table);
  groove.SetSplineType(TCurvedSlot::kClosed);
  return document;
}

}  // namespace sample_worlds
