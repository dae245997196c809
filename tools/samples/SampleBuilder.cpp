#include "tools/samples/SampleBuilder.h"

#include <cmath>

#include "bodies/Background.h"
#include "bodies/BodyTags.h"
#include "constraints/Field.h"

namespace sample_worlds {

using namespace body_tags;

namespace {

// The height of the bars: thin beside their length, so they read as links.
constexpr double kBarHeight = 0.05;

}  // namespace

std::unique_ptr<TQVDoc> NewSampleDocument() {
  auto document = std::make_unique<TQVDoc>();
  document->World().DropDefaultWorldObjects();
  return document;
}

TZeroMass& AddGround(TWorldDoc& world) {
  return Add<TZeroMass>(world, 0);
}

TPoint& AddPoint(TWorldDoc& world, int16_t identifier, TMass& body, const TVector& where,
                 double r) {
  TPoint& point = Add<TPoint>(world, identifier);
  point.AttachToBody(&body);
  point.SetLocalPosition({where.x, where.y, r});
  return point;
}

TOval& AddDisk(TWorldDoc& world, int16_t identifier, double radius, double mass, double x,
               double y) {
  TOval& disk = Add<TOval>(world, identifier);
  disk.SetRadius(radius);
  disk.SetMass(mass);
  disk.SetFormulaProperty(kTagPosX, TFormula(x));
  disk.SetFormulaProperty(kTagPosY, TFormula(y));
  return disk;
}

TRectangle& AddBar(TWorldDoc& world, int16_t identifier, const TVector& from, const TVector& to,
                   double mass) {
  TRectangle& bar = Add<TRectangle>(world, identifier);
  bar.SetNumberProperty(kTagWidth, std::hypot(to.x - from.x, to.y - from.y));
  bar.SetNumberProperty(kTagHeight, kBarHeight);
  bar.SetMass(mass);
  bar.SetFormulaProperty(kTagPosX, TFormula((from.x + to.x) / 2.0));
  bar.SetFormulaProperty(kTagPosY, TFormula((from.y + to.y) / 2.0));
  bar.SetFormulaProperty(kTagPosRot, TFormula(std::atan2(to.y - from.y, to.x - from.x)));
  return bar;
}

TPin& AddPin(TWorldDoc& world, int16_t identifier, TPoint& first, TPoint& second) {
  TPin& pin = Add<TPin>(world, identifier);
  pin.SetShortProperty(kTagAlwaysActive, 1);
  pin.AttachObject(&first);
  pin.AttachObject(&second);
  return pin;
}

TRPiston& AddMotor(TWorldDoc& world, int16_t identifier, TPoint& first, TPoint& second,
                   double speed) {
  TRPiston& motor = Add<TRPiston>(world, identifier);
  motor.SetShortProperty(kTagAlwaysActive, 1);
  motor.SetShortProperty(kTagLimitKind, static_cast<uint16_t>(-1));  // no limit
  motor.SetShortProperty(kTagDriveKind, TPiston::kVelocity);
  motor.Quantity().SetConstant(speed);
  motor.AttachObject(&first);
  motor.AttachObject(&second);
  return motor;
}

TGravCnstr& AddGravity(TWorldDoc& world, int16_t fieldId, int16_t groupId, double g) {
  TGravGroup& group = Add<TGravGroup>(world, groupId);
  TGravCnstr& gravity = Add<TGravCnstr>(world, fieldId);
  gravity.SetFieldGroup(&group);
  gravity.SetShortProperty(kTagAlwaysActive, 1);
  gravity.SetNumberProperty(kTagLineGravity, g);
  gravity.SelectChoice(kTagGravLine);
  return gravity;
}

}  // namespace sample_worlds
