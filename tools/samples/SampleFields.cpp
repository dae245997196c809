// The bundled worlds moved by force fields: charges, a thrown ball in air and a pulley under
// gravity and a spring.

#include <cmath>

#include "bodies/Background.h"
#include "bodies/BodyTags.h"
#include "constraints/Field.h"
#include "constraints/Ropes.h"
#include "constraints/Springs.h"
#include "tools/samples/SampleBuilder.h"
#include "tools/samples/SampleWorlds.h"

namespace sample_worlds {

using namespace body_tags;

namespace {

template <class Field, class Group>
Field& AddField(TWorldDoc& world, int16_t fieldId, int16_t groupId) {
  Group& group = Add<Group>(world, groupId);
  Field& field = Add<Field>(world, fieldId);
  field.SetFieldGroup(&group);
  field.SetShortProperty(kTagAlwaysActive, 1);
  return field;
}

TRectangle& AddBox(TWorldDoc& world, int16_t identifier, double mass, double x, double y) {
  TRectangle& box = Add<TRectangle>(world, identifier);
  box.SetNumberProperty(kTagWidth, 0.1);
  box.SetNumberProperty(kTagHeight, 0.1);
  box.SetMass(mass);
  box.SetFormulaProperty(kTagPosX, TFormula(x));
  box.SetFormulaProperty(kTagPosY, TFormula(y));
  return box;
}

}  // namespace

std::unique_ptr<TQVDoc> MakeChargesInOrbit() {
  using namespace charges;
  auto document = NewSampleDocument();
  TWorldDoc& world = document->World();
  AddGround(world);
  // Each body circles at half the distance: v^2 / (d / 2) = k / d^2 for a mass of 1.
  const double speed = std::sqrt(kConstant / (2.0 * kDistance));
  TOval& positive = AddDisk(world, kPositiveId, kRadius, 1.0, -kDistance / 2.0, 0.0);
  positive.SetFormulaProperty(kTagVelY, TFormula(-speed));
  positive.SetFormulaProperty(kTagCharge, TFormula(1.0));
  TOval& negative = AddDisk(world, kNegativeId, kRadius, 1.0, kDistance / 2.0, 0.0);
  negative.SetFormulaProperty(kTagVelY, TFormula(speed));
  negative.SetFormulaProperty(kTagCharge, TFormula(-1.0));
  auto& electric = AddField<TElectCnstr, TElectGroup>(world, 5, 4);
  electric.SetNumberProperty(kTagElectConstant, kConstant);
  electric.SelectChoice(kTagElectOn);
  return document;
}

std::unique_ptr<TQVDoc> MakeProjectileWithDrag() {
  using namespace projectile;
  auto document = NewSampleDocument();
  TWorldDoc& world = document->World();
  AddGround(world);
  TOval& ball = AddDisk(world, kBallId, kRadius, 1.0, 0.0, 0.0);
  ball.SetFormulaProperty(kTagVelX, TFormula(kVx));
  ball.SetFormulaProperty(kTagVelY, TFormula(kVy));
  AddGravity(world, 4, 3, kGravity);
  auto& air = AddField<TAirCnstr, TAirGroup>(world, 6, 5);
  air.SetNumberProperty(kTagAirLinearCoefficient, kDrag);
  air.SelectChoice(kTagAirLinear);
  return document;
}

std::unique_ptr<TQVDoc> MakePulley() {
  using namespace pulley;
  auto document = NewSampleDocument();
  TWorldDoc& world = document->World();
  TZeroMass& background = AddGround(world);
  TRectangle& light = AddBox(world, kLightId, kLightMass, -0.5, -kDrop);
  TRectangle& heavy = AddBox(world, kHeavyId, kHeavyMass, 0.5, -kDrop);
  TLRope& rope = Add<TLRope>(world, kRopeId);
  rope.SetShortProperty(kTagAlwaysActive, 1);
  rope.SetType(TLRope::kRope);
  rope.AttachObject(&AddPoint(world, 5, light, {0.0, 0.0}));
  rope.AttachObject(&AddPoint(world, 6, background, {-0.5, 0.0}));
  rope.AttachObject(&AddPoint(world, 7, background, {0.5, 0.0}));
  rope.AttachObject(&AddPoint(world, 8, heavy, {0.0, 0.0}));
  rope.Quantity().SetConstant(2.0 * kDrop + 1.0);
  AddGravity(world, 10, 9, kGravity);
  TLSpring& spring = Add<TLSpring>(world, kAnchorSpringId);
  spring.SetShortProperty(kTagAlwaysActive, 1);
  spring.AttachObject(&AddPoint(world, 11, background, {0.5, -2.0 * kDrop}));
  spring.AttachObject(&AddPoint(world, 12, heavy, {0.0, 0.0}));
  spring.SetFormulaProperty(kTagQuantity, TFormula(kStiffness));
  spring.SetFormulaProperty(kTagRestValue, TFormula(kDrop));
  return document;
}

}  // namespace sample_worlds
