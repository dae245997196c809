#include "tests/app/SampleWorlds.h"

#include "bodies/Background.h"
#include "bodies/BodyTags.h"
#include "bodies/Shapes.h"
#include "bodies/points/Point.h"
#include "constraints/Pin.h"
#include "constraints/Springs.h"
#include "simulation/Engine.h"

namespace sample_worlds {
namespace {

using namespace body_tags;

template <class T>
T& Add(TWorldDoc& world, int16_t identifier) {
  auto object = std::make_unique<T>();
  object->Initialize();
  object->SetIdentifier(identifier);
  T& added = *object;
  world.AdoptObject(std::move(object));
  return added;
}

TPoint& AddPoint(TWorldDoc& world, int16_t identifier, TMass& body, const TVector& where) {
  TPoint& point = Add<TPoint>(world, identifier);
  point.AttachToBody(&body);
  point.SetLocalPosition({where.x, where.y, 0.0});
  return point;
}

}  // namespace

std::unique_ptr<TQVDoc> MakeSpringAndPin() {
  auto document = std::make_unique<TQVDoc>();
  TWorldDoc& world = document->World();
  TZeroMass& background = Add<TZeroMass>(world, kBackgroundId);

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
  TPin& pin = Add<TPin>(world, kWheelPinId);
  pin.SetShortProperty(kTagAlwaysActive, 1);
  pin.AttachObject(&fixed);
  pin.AttachObject(&pinned);
  return document;
}

}  // namespace sample_worlds
