// Details of constraints seen from outside: a force's direction set through its property and a
// force locked to its body turning with it in a run, activation and its notices, hits beyond a
// segment's ends, the reference object as objects come and go, the records read back, and goals
// prepared again after a kind's settings changed.

#include <cmath>
#include <cstring>
#include <functional>
#include <vector>

#include "core/Handle.h"
#include "model/filing/ObjectWriter.h"
#include "tests/constraints/RunTestSupport.h"

namespace {

using namespace body_tags;
using namespace constraint_runs;

// Counts the change notices an object sends to the objects linked to it.
class TNoticeCounter : public TLink {
 public:
  int notices = 0;
  void LinkedChanged(TLink&, uint16_t) override { ++notices; }
};

// The contents of one block as the solver's stream carries it.
std::vector<uint8_t> NativeBlock(TLink& object, int16_t code) {
  TNativeObjectWriter writer;
  writer.Init(nullptr);
  object.WriteBlockContents(code, writer);
  Handle handle = writer.TakeHandle();
  const auto* data = reinterpret_cast<const uint8_t*>(HandleData(handle));
  std::vector<uint8_t> bytes(data, data + GetHandleByteSize(handle));
  FreeHandle(handle);
  return bytes;
}

// The first code of an object's block in a native world stream, or -2 when it is not there.
int16_t FirstCodeOfBlock(const std::vector<uint8_t>& stream, int16_t objectId, int16_t block) {
  size_t at = 8;
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
      at += 4;
      if (id == objectId && code == block) {
        int16_t first = 0;
        std::memcpy(&first, stream.data() + at, 2);
        return first;
      }
      at += static_cast<size_t>(length);
    }
  }
  return -2;
}

class ConstraintDetailsTest : public ConstraintRunTest {};

TEST_F(ConstraintDetailsTest, APolarForcesDirectionIsSetThroughItsProperty) {
  TQVDoc document;
  TWorldDoc& world = document.World();
  TZeroMass& background = Add<TZeroMass>(world, 0);
  TForce& force = Add<TForce>(world, 5);
  force.AttachObject(&AddPoint(world, 2, background, 0.0, 0.0));
  force.SetPolar(1);
  force.SetFormulaProperty(kTagForceLength, TFormula(4.0));
  force.SetFormulaProperty(kTagForceAngle, TFormula(0.75));
  EXPECT_EQ(force.Fl().GetValue(), 4.0);
  EXPECT_EQ(force.Fr().GetValue(), 0.75);
  int32_t unit = 0;
  ASSERT_NE(force.GetFormulaProperty(kTagForceAngle, nullptr, nullptr, &unit, nullptr), nullptr);
  EXPECT_EQ(force.GetFormulaProperty(kTagForceAngle, nullptr, nullptr, nullptr, nullptr)
                ->GetValue(),
            0.75);
  force.SetPolar(0);
  EXPECT_NEAR(force.Fx().GetValue(), 4.0 * std::cos(0.75), 1e-12);
  EXPECT_NEAR(force.Fy().GetValue(), 4.0 * std::sin(0.75), 1e-12);
}

// A 1 kg box spinning at 2 rad/s, pushed with 2 N along its own x axis through its centre: the
// push turns with the box, so the centre runs on the curve the turning force gives.
TEST_F(ConstraintDetailsTest, AForceLockedToItsBodyTurnsWithIt) {
  constexpr double kForce = 2.0, kSpin = 2.0;
  for (const uint16_t locked : {0, 1}) {
    {
      TQVDoc written;
      TWorldDoc& world = written.World();
      Add<TEngine>(world, 1);
      Add<TZeroMass>(world, 0);
      TRectangle& box = AddBox(world, 2, 1.0, 0.0, 0.0);
      box.SetFormulaProperty(kTagVelRot, TFormula(kSpin));
      TForce& push = Add<TForce>(world, 5);
      push.SetShortProperty(kTagAlwaysActive, 1);
      push.AttachObject(&AddPoint(world, 3, box, 0.0, 0.0));
      push.Fx().SetConstant(kForce);
      push.SetShortProperty(kTagLocked, locked);
      written.WriteDocument(path.string());
    }
    TQVDoc read;
    read.ReadDocument(path.string());
    TWorldDoc& world = read.World();
    auto* box = dynamic_cast<TRectangle*>(world.FindObject(2));
    ASSERT_NE(box, nullptr);
    // The record names the frame the force turns with: the box, or none.
    EXPECT_EQ(FirstCodeOfBlock(world.NativeStream(), 5, TCnstr::kBlockRecord),
              locked != 0 ? 2 : -1);

    constexpr int16_t kFrames = 40;
    world.RunToFrame(kFrames, nullptr);
    const double step = world.GetEngine()->TimeStep();
    for (int16_t frame = 0; frame <= kFrames; frame += 8) {
      world.ShowFrame(frame, 1);
      const double t = frame * step;
      const double w = kSpin;
      const double x = locked != 0 ? kForce * (1.0 - std::cos(w * t)) / (w * w)
                                   : 0.5 * kForce * t * t;
      const double y = locked != 0 ? kForce * (t / w - std::sin(w * t) / (w * w)) : 0.0;
      EXPECT_NEAR(box->PositionX()->GetValue(), x, 1e-6) << frame << " locked " << locked;
      EXPECT_NEAR(box->PositionY()->GetValue(), y, 1e-6) << frame << " locked " << locked;
      EXPECT_NEAR(box->GetRotationValue(), w * t, 1e-9) << frame;
    }
  }
}

TEST_F(ConstraintDetailsTest, AlwaysActiveSwitchedOffAndActivationNotices) {
  TNoticeCounter watcher;
  TPin pin;
  pin.Initialize();
  pin.AddDependent(&watcher);

  pin.SetShortProperty(kTagAlwaysActive, 1);
  ASSERT_TRUE(pin.IsAlwaysActive());
  pin.SetShortProperty(kTagAlwaysActive, 0);
  EXPECT_FALSE(pin.IsAlwaysActive());
  uint16_t flag = 1;
  ASSERT_EQ(pin.GetShortProperty(kTagAlwaysActive, flag, nullptr), 1);
  EXPECT_EQ(flag, 0);
  EXPECT_EQ(pin.Activation().GetValue(), 0.0);
  int16_t when = 0;
  ASSERT_EQ(pin.GetChoiceProperty(kTagActiveWhen, when, nullptr), 1);
  EXPECT_EQ(when, 1);
  EXPECT_NE(pin.GetFormulaProperty(kTagActivation, nullptr, nullptr, nullptr, nullptr), nullptr);

  // Choosing to act on a condition leaves always active as well, and shows the condition for
  // editing.
  pin.SetShortProperty(kTagAlwaysActive, 1);
  pin.SelectChoice(kTagActiveWhen);
  EXPECT_FALSE(pin.IsAlwaysActive());
  ASSERT_EQ(pin.GetShortProperty(kTagAlwaysActive, flag, nullptr), 1);
  EXPECT_EQ(flag, 0);
  const TFormula* condition =
      pin.GetFormulaProperty(kTagActivation, nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(condition, nullptr);
  Str255 text;
  condition->GetText(text);
  EXPECT_TRUE(PStringEqualsCString(text, "false"));

  // Only a change of state with redraw asked for is announced.
  const auto announced = [&watcher](const std::function<void()>& change) {
    const int before = watcher.notices;
    change();
    return watcher.notices > before;
  };
  EXPECT_FALSE(announced([&] { pin.Activate(0); }));
  EXPECT_TRUE(announced([&] { pin.Deactivate(1); }));
  EXPECT_TRUE(pin.IsInactive());
  EXPECT_FALSE(announced([&] { pin.Deactivate(1); }));
  EXPECT_TRUE(announced([&] { pin.Activate(1); }));
  EXPECT_FALSE(announced([&] { pin.Deactivate(0); }));
  EXPECT_TRUE(pin.IsInactive());
  pin.RemoveDependent(&watcher);
}

TEST_F(ConstraintDetailsTest, ASegmentIsNotHitAlongItsLineBeyondItsEnds) {
  TQVDoc document;
  TWorldDoc& world = document.World();
  // A spring's coil and a piston's body, whose drawn shape runs the segment's whole length.
  TLSpring& spring = Add<TLSpring>(world, 5);
  TLPiston& piston = Add<TLPiston>(world, 6);
  for (TConstraint* kind : std::vector<TConstraint*>{&spring, &piston}) {
    for (const bool curves : {false, true}) {
      const MacPoint a(0, 0), b(100, 0);
      EXPECT_TRUE(kind->HitsSegment(a, b, MacPoint(50, 4), curves)) << curves;
      EXPECT_TRUE(kind->HitsSegment(a, b, MacPoint(104, 0), curves)) << curves;
      for (const int16_t h : {-10, -6, 106, 110, 150})
        EXPECT_FALSE(kind->HitsSegment(a, b, MacPoint(h, 0), curves)) << h << " " << curves;
      EXPECT_FALSE(kind->HitsSegment(a, b, MacPoint(102, 1), curves)) << curves;  // the end's
      // A slanted segment: the same along its line past either end.
      const MacPoint c(0, 0), d(60, 80);
      EXPECT_TRUE(kind->HitsSegment(c, d, MacPoint(30, 40), curves)) << curves;
      EXPECT_FALSE(kind->HitsSegment(c, d, MacPoint(75, 100), curves)) << curves;
      EXPECT_FALSE(kind->HitsSegment(c, d, MacPoint(-15, -20), curves)) << curves;
    }
  }
}

TEST_F(ConstraintDetailsTest, TheReferenceObjectFollowsTheAttachmentsAndKeepsAMovingSide) {
  TQVDoc document;
  TWorldDoc& world = document.World();
  TZeroMass& background = Add<TZeroMass>(world, 0);
  TRectangle& box = AddBox(world, 2, 1.0, 0.0, 0.0);
  TRectangle& other = AddBox(world, 3, 1.0, 1.0, 0.0);
  TPoint& ground = AddPoint(world, 10, background, 0.0, 0.0);
  TPoint& onBox = AddPoint(world, 11, box, 0.0, 0.0);
  TPoint& onOther = AddPoint(world, 12, other, 0.0, 0.0);
  TPoint& alsoOnBox = AddPoint(world, 13, box, 0.01, 0.0);

  TCustomConstraint& c = Add<TCustomConstraint>(world, 20);
  c.AttachObject(&onBox);
  c.AttachObject(&onOther);
  EXPECT_EQ(c.GetReferenceObject(), &onBox);  // a moving side is kept
  c.AttachObject(&ground);
  EXPECT_EQ(c.GetReferenceObject(), &onBox);
  c.ChooseReferenceObject(nullptr);
  EXPECT_EQ(c.GetReferenceObject(), &onBox);
  c.ChooseReferenceObject(&alsoOnBox);
  EXPECT_EQ(c.GetReferenceObject(), &onBox);

  // The reference leaves: another attached object takes its place.
  c.DetachObject(&onBox);
  ASSERT_NE(c.GetReferenceObject(), nullptr);
  EXPECT_TRUE(c.IsAttachedTo(c.GetReferenceObject()));
  EXPECT_EQ(c.GetReferenceObject(), &onOther);

  // A reference on the background yields to a moving side.
  TCustomConstraint& d = Add<TCustomConstraint>(world, 21);
  d.AttachObject(&ground);
  EXPECT_EQ(d.GetReferenceObject(), &ground);
  d.AttachObject(&onBox);
  EXPECT_EQ(d.GetReferenceObject(), &onBox);

  // The last attached objects removed from the world: nothing is left to refer to.
  world.RemoveObject(&onOther);
  world.RemoveObject(&ground);
  EXPECT_EQ(c.AttachedCount(), 0);
  EXPECT_EQ(c.GetReferenceObject(), nullptr);
  EXPECT_EQ(c.GetPrimaryObject(), nullptr);
}

TEST_F(ConstraintDetailsTest, ARecordAttachesWhatItsReferencesResolveTo) {
  {
    TQVDoc written;
    TWorldDoc& world = written.World();
    TZeroMass& background = Add<TZeroMass>(world, 0);
    TRectangle& box = AddBox(world, 2, 1.0, 0.0, 0.0);
    TPin& pin = Add<TPin>(world, 5);
    pin.AttachObject(&AddPoint(world, 3, box, 0.0, 0.0));
    pin.AttachObject(&AddPoint(world, 4, background, 0.0, 0.0));
    pin.SetRelatedObject(&box);
    written.WriteDocument(path.string());
  }
  TQVDoc read;
  read.ReadDocument(path.string());
  auto* pin = dynamic_cast<TPin*>(read.World().FindObject(5));
  ASSERT_NE(pin, nullptr);
  ASSERT_EQ(pin->AttachedCount(), 2);
  EXPECT_EQ(pin->Attached()[0]->GetIdentifier(), 3);
  EXPECT_EQ(pin->Attached()[1]->GetIdentifier(), 4);
  EXPECT_EQ(pin->GetRelatedObject(), read.World().FindObject(2));
  EXPECT_FALSE(pin->IsAttachedTo(read.World().FindObject(2)));

  // Written alone, its references resolve to nothing: nothing is attached or related.
  const std::vector<TLink*> alone{pin};
  auto writer = WriteObjectsDefault(&alone, 1, nullptr, 2, nullptr);
  Handle handle = writer->TakeHandle();
  const auto* data = reinterpret_cast<const uint8_t*>(HandleData(handle));
  const std::vector<uint8_t> bytes(data, data + GetHandleByteSize(handle));
  FreeHandle(handle);
  auto reader = ReadObjects(bytes, 2, 1, nullptr, nullptr, nullptr, nullptr);
  reader->Complete(0);
  auto objects = reader->TakeObjects();
  ASSERT_EQ(objects.size(), 1u);
  auto* copy = dynamic_cast<TPin*>(objects[0].get());
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(copy->AttachedCount(), 0);
  EXPECT_EQ(copy->GetPrimaryObject(), nullptr);
  EXPECT_EQ(copy->GetReferenceObject(), nullptr);
  EXPECT_EQ(copy->GetRelatedObject(), nullptr);
}

TEST_F(ConstraintDetailsTest, GoalsPreparedAgainAfterASettingChangedStartCleared) {
  TQVDoc document;
  TWorldDoc& world = document.World();
  TZeroMass& background = Add<TZeroMass>(world, 0);
  TRectangle& box = AddBox(world, 2, 1.0, 0.0, 0.0);
  TPoint& a = AddPoint(world, 3, box, 0.0, 0.0);
  TPoint& b = AddPoint(world, 4, background, 0.0, 0.0);
  TPin& plain = Add<TPin>(world, 5);
  plain.AttachObject(&a);
  plain.AttachObject(&b);
  TPin& changed = Add<TPin>(world, 6);
  changed.AttachObject(&a);
  changed.AttachObject(&b);

  // Welded with its rotation held by a formula, then loosened again: the record is a plain
  // pin's, with none of the welded goal's formula left in the goal that took its place.
  changed.SetWeld(1);
  changed.SetMode(1);
  changed.PrepareGoals();
  ASSERT_EQ(changed.Goals().size(), 3u);
  EXPECT_TRUE(changed.Goal(1).IsFormula());
  changed.SetWeld(0);
  changed.SetMode(0);
  changed.PrepareGoals();
  plain.PrepareGoals();
  ASSERT_EQ(changed.Goals().size(), 2u);
  for (int32_t i = 1; i <= 2; ++i) {
    EXPECT_FALSE(changed.Goal(i).IsFormula()) << i;
    EXPECT_EQ(changed.Goal(i).GetValue(), 0.0) << i;
    EXPECT_EQ(changed.Goal(i).component, plain.Goal(i).component) << i;
  }
  EXPECT_EQ(NativeBlock(changed, TCnstr::kBlockRecord), NativeBlock(plain, TCnstr::kBlockRecord));
}

}  // namespace
