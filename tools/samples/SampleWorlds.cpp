#include "tools/samples/SampleWorlds.h"

#include <array>

#include "bodies/Background.h"
#include "bodies/BodyTags.h"
#include "constraints/Springs.h"
#include "tools/samples/SampleBuilder.h"

namespace sample_worlds {

using namespace body_tags;

std::unique_ptr<TQVDoc> MakeSpringAndPin() {
  auto document = NewSampleDocument();
  TWorldDoc& world = document->World();
  TZeroMass& background = AddGround(world);

  TRectangle& box = Add<TRectangle>(world, kBoxId);
  box.SetNumberProperty(kTagWidth, 0.1);
  box.SetNumberProperty(kTagHeight, 0.1);
  box.SetMass(1.0);
  box.SetFormulaProperty(kTagPosX, TFormula(kBoxStart));
  box.SetFormulaProperty(kTagPosY, TFormula(0.0));
  TPoint& anchor = AddPoint(world, 3, background, {0.0, 0.0});
  TPoint& end = AddPoint(world, 4, box, {0.0, 0.0});
  TLSpring& spring = Add<TLSpring>(world, kSpringId);
  spring.SetShortProperty(kTagAlwaysActive, 1);
  spring.AttachObject(&anchor);
  spring.AttachObject(&end);
  spring.SetFormulaProperty(kTagQuantity, TFormula(100.0));
  spring.SetFormulaProperty(kTagRestValue, TFormula(1.0));

  TOval& wheel = Add<TOval>(world, kWheelId);
  wheel.SetRadius(kWheelRadius);
  wheel.SetFormulaProperty(kTagPosX, TFormula(0.0));
  wheel.SetFormulaProperty(kTagPosY, TFormula(-kWheelArm));
  wheel.SetFormulaProperty(kTagVelX, TFormula(kWheelSpin * kWheelArm));
  wheel.SetFormulaProperty(kTagVelRot, TFormula(kWheelSpin));
  TPoint& fixed = AddPoint(world, kWheelFixedPointId, background, {0.0, 0.0});
  TPoint& pinned = AddPoint(world, kWheelPinnedPointId, wheel, {0.0, kWheelArm});
  AddPin(world, kWheelPinId, fixed, pinned);
  // The first world a user opens shows all of its window's furniture.
  TWorldSettings& settings = world.Settings();
  settings.rulers = 1;
  settings.coordinates = 1;
  settings.frameIndicator = 1;
  return document;
}

std::span<const SampleWorld> AllSampleWorlds() {
  static constexpr std::array<SampleWorld, 10> kWorlds = {{
      {kSpringAndPinFile, MakeSpringAndPin},
      {pendulum::kFile, MakePendulum},
      {double_pendulum::kFile, MakeDoublePendulum},
      {four_bar::kFile, MakeFourBarLinkage},
      {slider_crank::kFile, MakeSliderCrank},
      {gear_train::kFile, MakeGearTrainAndRack},
      {cam_follower::kFile, MakeCamFollower},
      {charges::kFile, MakeChargesInOrbit},
      {projectile::kFile, MakeProjectileWithDrag},
      {pulley::kFile, MakePulley},
  }};
  return kWorlds;
}

}  // namespace sample_worlds
