// Forces and torques: polar and cartesian forms, the goals they hand the solver and a run of a
// box pushed and turned by them; the solver stream of a world of constraints carries no block
// meant only for the user interface.

#include <cmath>
#include <fstream>
#include <iterator>
#include <numbers>

#include "tests/constraints/RunTestSupport.h"

namespace {

using namespace body_tags;
using namespace constraint_runs;

class ForceTest : public ConstraintRunTest {};

TEST_F(ForceTest, PolarAndCartesianFormsConvertIntoEachOther) {
  TQVDoc document;
  TWorldDoc& world = document.World();
  TZeroMass& background = Add<TZeroMass>(world, 0);
  TForce& force = Add<TForce>(world, 5);
  TPoint& at = AddPoint(world, 2, background, 1.0, 1.0);
  force.AttachObject(&at);
  force.Fx().SetConstant(3.0);
  force.Fy().SetConstant(4.0);
  force.SetPolar(1);
  EXPECT_DOUBLE_EQ(force.Fl().GetValue(), 5.0);
  EXPECT_DOUBLE_EQ(force.Fr().GetValue(), std::atan2(4.0, 3.0));
  EXPECT_DOUBLE_EQ(at.LocalRotation()->GetValue(), std::atan2(4.0, 3.0));
  force.Fl().SetConstant(9.0);
  force.SetPolar(1);  // already polar: nothing changes
  EXPECT_EQ(force.Fl().GetValue(), 9.0);
  force.SetPolar(0);
  EXPECT_NEAR(force.Fx().GetValue(), 9.0 * 0.6, 1e-12);
  EXPECT_NEAR(force.Fy().GetValue(), 9.0 * 0.8, 1e-12);
  force.SetPolar(1);
  force.Fr().SetConstant(0.0);
  force.SetPolar(0);
  EXPECT_EQ(force.Fy().GetValue(), 0.0);

  // A polar force is edited as a force and an angle.
  EXPECT_EQ(force.ApplyCommand(5304), (std::vector<int32_t>{0x11E00000, 0x00010000}));
  EXPECT_TRUE(force.IsPolar());
  force.PrepareGoals();
  ASSERT_EQ(force.Goals().size(), 1u);
  EXPECT_EQ(force.Goal(1).type, 0);
  EXPECT_EQ(force.Activate(1), 0);
  EXPECT_TRUE(force.IsInactive());
  EXPECT_EQ(force.GetFormulaProperty(kTagForceX, nullptr, nullptr, nullptr, nullptr), nullptr);
}

// A 1 kg box of side 0.1 pushed along x by 2 N at its centre and turned by a torque of 0.01 N m.
TEST_F(ForceTest, ABoxPushedAndTurnedFollowsNewtonsLaws) {
  constexpr double kForce = 2.0, kTorque = 0.01;
  {
    TQVDoc written;
    TWorldDoc& world = written.World();
    Add<TEngine>(world, 1);
    TZeroMass& background = Add<TZeroMass>(world, 0);
    TRectangle& box = AddBox(world, 2, 1.0, 0.0, 0.0);
    TForce& push = Add<TForce>(world, 5);
    push.SetShortProperty(kTagAlwaysActive, 1);
    push.AttachObject(&AddPoint(world, 3, box, 0.0, 0.0));
    push.Fx().SetConstant(kForce);
    TTorque& turn = Add<TTorque>(world, 6);
    turn.SetShortProperty(kTagAlwaysActive, 1);
    // The moment turns the second end against the first, as the angle difference counts.
    turn.AttachObject(&AddPoint(world, 7, background, 0.0, 0.0));
    turn.AttachObject(&AddPoint(world, 4, box, 0.0, 0.0));
    turn.Quantity().SetConstant(kTorque);
    written.WriteDocument(path.string());
  }
  TQVDoc read;
  read.ReadDocument(path.string());
  TWorldDoc& world = read.World();
  auto* box = dynamic_cast<TRectangle*>(world.FindObject(2));
  ASSERT_NE(box, nullptr);

  // The solver's stream: objects of blocks (code, 32-bit length, contents) after an 8-byte
  // header; no block of 5000 or above.
  const std::vector<uint8_t> stream = world.NativeStream();
  size_t at = 8;
  int blocks = 0;
  while (at + 2 <= stream.size()) {
    int16_t id = 0;
    std::memcpy(&id, stream.data() + at, 2);
    at += 2;
    if (id == -1) break;
    for (;;) {
      int16_t code = 0;
      std::memcpy(&code, stream.data() + at, 2);
      at += 2;
      if (code == -1) break;
      int32_t length = 0;
      std::memcpy(&length, stream.data() + at, 4);
      at += 4 + static_cast<size_t>(length);
      EXPECT_LT(code, 5000);
      ++blocks;
    }
  }
  EXPECT_GT(blocks, 5);

  constexpr int16_t kFrames = 30;
  world.RunToFrame(kFrames, nullptr);
  const double step = world.GetEngine()->TimeStep();
  const double moment = 1.0 * (0.1 * 0.1 + 0.1 * 0.1) / 12.0;
  for (int16_t frame = 0; frame <= kFrames; frame += 5) {
    world.ShowFrame(frame, 1);
    const double t = frame * step;
    // Constant force and torque: the integrator follows the parabolas exactly.
    EXPECT_NEAR(box->PositionX()->GetValue(), 0.5 * kForce * t * t, 1e-12) << frame;
    EXPECT_NEAR(box->GetRotationValue(), 0.5 * kTorque / moment * t * t, 1e-12) << frame;
  }
}

}  // namespace

namespace {

std::vector<char> FileBytes(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  return std::vector<char>(std::istreambuf_iterator<char>(in), {});
}

// A world holding every kind written, opened again and written once more: the two documents
// are the same byte for byte, whatever each kind files.
TEST_F(ForceTest, EveryKindReadsBackByteForByte) {
  const std::filesystem::path again = path.string() + ".again";
  {
    TQVDoc written;
    TWorldDoc& world = written.World();
    Add<TEngine>(world, 1);
    TZeroMass& background = Add<TZeroMass>(world, 0);
    TRectangle& box = AddBox(world, 2, 1.0, 1.0, 1.0);
    int16_t id = 10;
    auto ends = [&](TCnstr& c) {
      c.AttachObject(&AddPoint(world, id++, background, 0.0, 0.0));
      c.AttachObject(&AddPoint(world, id++, box, 0.5, 0.0));
    };
    TPin& pin = Add<TPin>(world, 40);
    pin.SetWeld(1);
    pin.SetMode(1);
    ends(pin);
    TLDampSpring& spring = Add<TLDampSpring>(world, 41);
    spring.SetExponent(2);
    spring.SetFormulaProperty(kTagDamping, TFormula(0.5));
    ends(spring);
    TRDamper& damper = Add<TRDamper>(world, 42);
    damper.SetLocked(1);
    ends(damper);
    TLRope& rope = Add<TLRope>(world, 43);
    rope.SetType(TLRope::kSeparator);
    ends(rope);
    TRRope& limits = Add<TRRope>(world, 44);
    limits.SetFormulaProperty(kTagMinRotation, TFormula(-1.0));
    ends(limits);
    TRPiston& motor = Add<TRPiston>(world, 45);
    motor.SetShortProperty(kTagDriveKind, TPiston::kVelocity);
    ends(motor);
    TForce& force = Add<TForce>(world, 46);
    force.AttachObject(&AddPoint(world, id++, box, 0.0, 0.0));
    force.Fx().SetConstant(2.0);
    force.SetPolar(1);
    force.SetShortProperty(kTagAlwaysActive, 1);
    TTorque& torque = Add<TTorque>(world, 47);
    torque.Quantity().SetFromPieces("sin(time)");
    ends(torque);
    written.WriteDocument(path.string());
  }
  TQVDoc read;
  read.ReadDocument(path.string());
  auto* pin = dynamic_cast<TPin*>(read.World().FindObject(40));
  auto* force = dynamic_cast<TForce*>(read.World().FindObject(46));
  ASSERT_NE(pin, nullptr);
  ASSERT_NE(force, nullptr);
  EXPECT_EQ(pin->GetMode(), 1);
  EXPECT_TRUE(force->IsPolar());
  EXPECT_TRUE(force->IsAlwaysActive());
  read.WriteDocument(again.string());
  const std::vector<char> first = FileBytes(path), second = FileBytes(again);
  std::filesystem::remove(again);
  for (size_t i = 0; i < std::min(first.size(), second.size()); ++i)
    ASSERT_EQ(first[i], second[i]) << "first difference at byte " << i;
  EXPECT_EQ(first.size(), second.size());
}

}  // namespace
