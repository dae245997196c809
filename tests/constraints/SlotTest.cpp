// The slot joint: its goals and kind numbers, the coordinates-bar rows, the line it draws across
// its body probed in pixels, its hit tests, snapping points onto the line, the condition it hands
// the assembly solver, and its block read back byte for byte.

#include <fstream>
#include <numbers>

#include "bodies/assembly/AssemblyEntry.h"
#include "core/Resources.h"
#include "core/port/Picture.h"
#include "resources/ResourceLibraries.h"
#include "tests/constraints/SlotTestSupport.h"

namespace {

using namespace body_tags;
using slot_tests::CanvasPort;
constexpr double kPi = std::numbers::pi;

class SlotTest : public slot_tests::SlotFixture {
 protected:
  void SetUp() override {
    SlotFixture::SetUp();
    document = std::make_unique<TQVDoc>();
  }
  void TearDown() override {
    document.reset();
    SlotFixture::TearDown();
  }

  // A 40 x 20 box centred at (30, -20): on the screen from (10, 10) to (50, 30). The slot's
  // primary point sits at the box's centre, the other point on a second box.
  void Build(double angle) {
    box = &AddBox(document->World(), 2, 30.0, -20.0, 40.0, 20.0);
    other = &AddBox(document->World(), 3, 70.0, -20.0, 10.0, 10.0);
    primary = &AddPoint(document->World(), 4, *box, 0.0, 0.0, angle);
    follower = &AddPoint(document->World(), 5, *other, 0.0, 0.0, 0.0);
    slot = &Add<TSlot>(document->World(), 6);
    slot->AttachObject(primary);
    slot->AttachObject(follower);
  }

  std::unique_ptr<TQVDoc> document;
  TRectangle* box = nullptr;
  TRectangle* other = nullptr;
  TPoint* primary = nullptr;
  TPoint* follower = nullptr;
  TSlot* slot = nullptr;
};

TEST_F(SlotTest, GoalsHoldTheOtherPointsAcrossTheLineAndALockKeysThem) {
  Build(0.0);
  slot->SetExtraGoals(1);
  slot->PrepareGoals();
  ASSERT_EQ(slot->Goals().size(), 2u);
  EXPECT_EQ(slot->Goal(2).type, 1);
  EXPECT_EQ(slot->Goal(2).limit, 0);
  EXPECT_EQ(slot->Goal(2).component, 1);
  EXPECT_EQ(slot->Goal(2).GetValue(), 0.0);
  EXPECT_EQ(slot->GetKindNumber(), 2538);

  slot->SetShortProperty(kTagLocked, 1);
  slot->PrepareGoals();
  ASSERT_EQ(slot->Goals().size(), 3u);
  EXPECT_EQ(slot->Goal(2).component, 1);
  EXPECT_EQ(slot->Goal(3).type, 1);
  EXPECT_EQ(slot->Goal(3).component, 2);
  EXPECT_EQ(slot->GetKindNumber(), 2539);

  TSlot unfinished;
  unfinished.Initialize();
  unfinished.AttachObject(primary);
  EXPECT_EQ(unfinished.GetKindNumber(), 2536);
  EXPECT_FALSE(unfinished.CanActivate());
  EXPECT_FALSE(unfinished.IsCompleteForSolver());
  unfinished.DetachObject(primary);

  EXPECT_FALSE(slot->IsCompleteForSolver()) << "a new slot's condition is never true";
  slot->SetShortProperty(kTagAlwaysActive, 1);
  EXPECT_TRUE(slot->IsCompleteForSolver());
  slot->Activation().SetConstant(0.0);
  EXPECT_FALSE(slot->IsCompleteForSolver());
  EXPECT_EQ(TSlot::ConstraintCommandFor(5240), TCnstr::kCmdEditActivation);
  EXPECT_EQ(TSlot::ConstraintCommandFor(5241), 5241);
}

// The slot angle is the primary point's own rotation: the point's property, the coordinates
// bar's row, the placement and the setter all reach the same quantity.
TEST_F(SlotTest, TheSlotAngleIsThePrimaryPointsRotation) {
  Build(0.25);
  EXPECT_EQ(slot->SlotAngle(), 0.25);
  TFormula* angle = slot->GetFormulaProperty(kTagLocalR, nullptr, nullptr, nullptr, nullptr);
  ASSERT_EQ(angle, primary->LocalRotation());
  EXPECT_EQ(slot->TagForPropertyIndex(21), kTagLocalR);
  EXPECT_EQ(slot->TagForPropertyIndex(19), kTagSecondX);
  slot->DetachObject(follower);
  EXPECT_EQ(slot->TagForPropertyIndex(19), kTagLocalR);
  EXPECT_EQ(slot->TagForPropertyIndex(21), kTagQuantity);
  slot->AttachObject(follower);

  slot->PrepareGoals();
  ASSERT_TRUE(slot->GoalsPrepared());
  slot->SetSlotAngle(0.25);
  EXPECT_TRUE(slot->GoalsPrepared()) << "an unchanged angle leaves the slot as it was";
  slot->SetPlacement({5.0, 5.0, 0.5});
  EXPECT_FALSE(slot->GoalsPrepared());
  EXPECT_EQ(primary->LocalRotation()->GetValue(), 0.5);
  TVector3 placement;
  slot->GetPlacement(placement);
  EXPECT_DOUBLE_EQ(placement.x, 30.0);
  EXPECT_DOUBLE_EQ(placement.y, -20.0);
  EXPECT_EQ(placement.r, 0.5);

  // The slot frame: x along the line from the primary point.
  TVector p(2.0, 0.0);
  slot->LocalToWorld(p);
  EXPECT_NEAR(p.x, 30.0 + 2.0 * std::cos(0.5), 1e-12);
  EXPECT_NEAR(p.y, -20.0 + 2.0 * std::sin(0.5), 1e-12);
  slot->WorldToLocal(p);
  EXPECT_NEAR(p.x, 2.0, 1e-12);
  EXPECT_NEAR(p.y, 0.0, 1e-12);
}

// The ends lie where the line through the point leaves the body's bounds: on the left and right
// edges while the line is flatter than 45 degrees, else on the top and bottom edges.
TEST_F(SlotTest, TheLineRunsAcrossTheBodysBoundsAtTheSlotAngle) {
  Build(0.0);
  struct Case {
    double angle;
    MacPoint first, second;
  };
  const double t30 = std::tan(kPi / 6.0);
  const Case cases[] = {
      {0.0, {50, 20}, {10, 20}},
      {kPi / 2.0, {30, 10}, {30, 30}},
      {kPi / 6.0, {50, static_cast<int16_t>(std::lround(20 - 20 * t30))},
       {10, static_cast<int16_t>(std::lround(20 + 20 * t30))}},
      {kPi / 3.0, {static_cast<int16_t>(std::lround(30 + 10 * t30)), 10},
       {static_cast<int16_t>(std::lround(30 - 10 * t30)), 30}},
  };
  for (const Case& c : cases) {
    slot->SetSlotAngle(c.angle);
    MacPoint a, b;
    ASSERT_TRUE(slot->GetScreenLine(a, b));
    EXPECT_NEAR(a.h, c.first.h, 1) << c.angle;
    EXPECT_NEAR(a.v, c.first.v, 1) << c.angle;
    EXPECT_NEAR(b.h, c.second.h, 1) << c.angle;
    EXPECT_NEAR(b.v, c.second.v, 1) << c.angle;
  }
  TSlot empty;
  empty.Initialize();
  MacPoint a, b;
  EXPECT_FALSE(empty.GetScreenLine(a, b));
}

// Plain: two thin lines three pixels apart with the line itself left clear; highlighted: one
// line three pixels wide over it.
TEST_F(SlotTest, ALineIsDrawnDoubleAndHighlightedWide) {
  Build(0.0);
  {
    CanvasPort port(64, 48);
    slot->DrawSlotLine(0);
    EXPECT_TRUE(port.IsInk(30, 18));
    EXPECT_TRUE(port.IsInk(30, 21));
    EXPECT_FALSE(port.IsInk(30, 19));
    EXPECT_FALSE(port.IsInk(30, 20));
    EXPECT_FALSE(port.IsInk(30, 23));
    // Across the whole box and no farther.
    EXPECT_TRUE(port.IsInk(12, 18));
    EXPECT_FALSE(port.IsInk(55, 18));
  }
  {
    CanvasPort port(64, 48);
    slot->DrawSlotLine(TSlot::kHighlighted);
    EXPECT_TRUE(port.IsInk(30, 20));
    EXPECT_TRUE(port.IsInk(30, 21));
    EXPECT_FALSE(port.IsInk(30, 24));
  }
  {
    // Vertical: the pair sits left and right of the line.
    slot->SetSlotAngle(kPi / 2.0);
    CanvasPort port(64, 48);
    slot->DrawSlotLine(0);
    EXPECT_TRUE(port.IsInk(31, 20));
    EXPECT_TRUE(port.IsInk(28, 20));
    EXPECT_FALSE(port.IsInk(30, 20));
  }
}

TEST_F(SlotTest, ClicksNearTheLineHitItAndClicksOnTheOtherPointsGoToThem) {
  Build(0.0);
  EXPECT_TRUE(slot->HitsLine(MacPoint(30, 24)));
  EXPECT_TRUE(slot->HitsLine(MacPoint(30, 16)));
  EXPECT_FALSE(slot->HitsLine(MacPoint(30, 25)));
  EXPECT_FALSE(slot->HitsLine(MacPoint(57, 20))) << "beyond the end";
  // The follower shown on the line: its marked point is the point's, not the line's.
  other->SetPlacement({40.0, -20.0, 0.0});
  other->ValidateScreenTransform(Transform2D());
  follower->InvalidateCache();
  EXPECT_FALSE(slot->HitsLine(MacPoint(40, 20)));
  EXPECT_TRUE(slot->HitsForSelection(MacPoint(20, 20)));

  TLink* hit = nullptr;
  EXPECT_FALSE(slot->HitObject(MacPoint(20, 20), hit)) << "an inactive slot is selected, not hit";
  slot->Activate(0);
  EXPECT_TRUE(slot->HitObject(MacPoint(20, 20), hit));
  EXPECT_EQ(hit, primary);
  EXPECT_FALSE(slot->HitsForSelection(MacPoint(20, 20)));

  EXPECT_TRUE(slot->IsInRect(MacRect(10, 20, 51, 21)));
  EXPECT_FALSE(slot->IsInRect(MacRect(11, 20, 51, 21)));
}

// The primary point stays; the follower goes to the foot of its perpendicular on the line, moved
// along the line to the world's snapping step, its world rotation that of the line.
TEST_F(SlotTest, SnappingPutsTheOtherPointsOnTheLine) {
  Build(kPi / 6.0);
  const TVector before = primary->GetWorldXY();
  slot->SnapPointsOntoSlot(nullptr);
  EXPECT_EQ(primary->GetWorldXY(), before);
  TVector3 local = follower->GetWorldPosition();
  slot->WorldToLocal3(local);
  EXPECT_NEAR(local.y, 0.0, 1e-9);
  const double step = box->GridStep();
  ASSERT_GT(step, 0.0);
  EXPECT_NEAR(local.x, std::round(40.0 * std::cos(kPi / 6.0) / step) * step, 1e-9);
  EXPECT_NEAR(follower->GetWorldRotation(), kPi / 6.0, 1e-12);

  // An active slot leaves its points alone.
  other->SetPlacement({70.0, -20.0, 0.0});
  follower->SetLocalPosition({0.0, 0.0, 0.0});
  slot->Activate(0);
  slot->SnapPointsOntoSlot(nullptr);
  EXPECT_NEAR(follower->GetWorldXY().x, 70.0, 1e-12);
}

TEST_F(SlotTest, AttachingTheSecondPointTakesItsLockAndHandsTheLockOn) {
  TWorldDoc& world = document->World();
  TRectangle& a = AddBox(world, 2, 0.0, 0.0, 1.0, 1.0);
  TPoint& first = AddPoint(world, 3, a, 0.0, 0.0, 0.0);
  TPoint& second = AddPoint(world, 4, a, 0.0, 0.0, 0.0);
  second.SetLocked(1);
  TSlot& keyed = Add<TSlot>(world, 5);
  keyed.AttachObjectAndUpdate(&first);
  keyed.AttachObjectAndUpdate(&second);
  EXPECT_EQ(keyed.IsLocked(), 1);
  EXPECT_EQ(first.IsLocked(), 0) << "the first took the slot's lock before the second came";
  EXPECT_EQ(second.IsLocked(), 1);
}

// The slot's condition in the assembly solver: a body frame placed off the line is moved onto
// it, along the perpendicular as far as the solver sees.
TEST_F(SlotTest, TheAssemblySolverPutsTheFollowerOnTheLine) {
  Build(kPi / 4.0);
  TAssemblySolver solver;
  solver.MakeFixedFrame(box, Frame2D(30.0, -20.0, 0.0), box);
  solver.MakeBodyFrame(other, Frame2D(70.0, -20.0, 0.0));
  uint16_t made = 0;
  TAssemblyConstraint* condition = slot->SolverGeometry(solver, made);
  ASSERT_NE(condition, nullptr);
  EXPECT_EQ(made, 1);
  ASSERT_EQ(AssemblyAddPlacement(&solver, condition, other, TVector3(0.0, 0.0, 0.0)), 0);
  TFrameRecord* records = nullptr;
  int32_t count = 0;
  uint32_t pushed = 0;
  double error = 1.0;
  ASSERT_EQ(AssemblySolve(&solver, nullptr, nullptr, 1e-10, records, count, pushed, error), 0);
  EXPECT_LE(error, 1e-10);
  const TFrameRecord* moved = nullptr;
  for (int32_t i = 0; i < count; ++i)
    if (records[i].owner == other) moved = &records[i];
  ASSERT_NE(moved, nullptr);
  // On the 45 degree line through (30, -20).
  EXPECT_NEAR(moved->world.y - -20.0, moved->world.x - 30.0, 1e-8);

  TSlot lone;
  lone.Initialize();
  EXPECT_EQ(lone.SolverGeometry(solver, made), nullptr);
  EXPECT_EQ(made, 0);
}

std::vector<char> FileBytes(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  return std::vector<char>(std::istreambuf_iterator<char>(in), {});
}

// A world with a plain and a keyed slot, written, read and written again: the documents are
// the same byte for byte and the slots come back with their points, lock and angle.
TEST_F(SlotTest, SlotsReadBackByteForByte) {
  const std::filesystem::path again = path.string() + ".again";
  {
    TQVDoc written;
    TWorldDoc& world = written.World();
    Add<TEngine>(world, 1);
    TZeroMass& background = Add<TZeroMass>(world, 0);
    TRectangle& a = AddBox(world, 2, 1.0, 1.0, 1.0, 1.0);
    TSlot& plain = Add<TSlot>(world, 10);
    plain.AttachObject(&AddPoint(world, 11, background, 0.0, 0.0, 0.3));
    plain.AttachObject(&AddPoint(world, 12, a, 0.2, 0.0, 0.0));
    TSlot& keyed = Add<TSlot>(world, 20);
    keyed.SetShortProperty(kTagLocked, 1);
    keyed.SetExtraGoals(1);
    keyed.AttachObject(&AddPoint(world, 21, a, 0.0, 0.1, -1.0));
    keyed.AttachObject(&AddPoint(world, 22, background, 0.5, 0.5, 0.0));
    written.WriteDocument(path.string());
  }
  TQVDoc read;
  read.ReadDocument(path.string());
  auto* plain = dynamic_cast<TSlot*>(read.World().FindObject(10));
  auto* keyed = dynamic_cast<TSlot*>(read.World().FindObject(20));
  ASSERT_NE(plain, nullptr);
  ASSERT_NE(keyed, nullptr);
  EXPECT_EQ(plain->AttachedCount(), 2);
  EXPECT_EQ(plain->IsLocked(), 0);
  EXPECT_DOUBLE_EQ(plain->SlotAngle(), 0.3);
  EXPECT_EQ(keyed->IsLocked(), 1);
  EXPECT_EQ(keyed->GetExtraGoals(), 1);
  EXPECT_DOUBLE_EQ(keyed->SlotAngle(), -1.0);
  read.WriteDocument(again.string());
  const std::vector<char> first = FileBytes(path), second = FileBytes(again);
  std::filesystem::remove(again);
  for (size_t i = 0; i < std::min(first.size(), second.size()); ++i)
    ASSERT_EQ(first[i], second[i]) << "first difference at byte " << i;
  EXPECT_EQ(first.size(), second.size());
}

}  // namespace

namespace {

// The marks and kind texts come from the program's main resource library.
class SlotResourcesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    InitHandlePool();
    RegisterResourceLibraries();
    SetResourceModule1(LoadResourceLibrary(kMainResourceLibrary));
  }
  void TearDown() override {
    SetResourceModule1(nullptr);
    FreeHandlePool();
  }
};

TEST_F(SlotResourcesTest, KindsHaveTextsAndHeldPointsShowThePinMark) {
  for (int16_t kind : {2536, 2538, 2539, 2546, 2548}) {
    Handle text = GetResourceHandle(MakeTag("hCmd"), kind);
    ASSERT_NE(text, nullptr) << kind;
    const auto* bytes = reinterpret_cast<const uint8_t*>(HandleData(text));
    EXPECT_GT(bytes[0], 10) << kind;
    EXPECT_EQ(GetHandleByteSize(text), 1 + bytes[0]) << kind;
    ReleaseResourceHandle(text);
  }
  LoadToolIcons();
  ASSERT_NE(GetToolIcon("PinIcon"), nullptr);
  ASSERT_NE(GetToolIcon("PinLockIcon"), nullptr);

  TRectangle body;
  body.Initialize();
  body.SetNumberProperty(kTagWidth, 40.0);
  body.SetNumberProperty(kTagHeight, 20.0);
  body.SetPlacement({30.0, -20.0, 0.0});
  body.ValidateScreenTransform(Transform2D());
  TPoint primary, held;
  for (TPoint* point : {&primary, &held}) {
    point->Initialize();
    point->AttachToBody(&body);
  }
  held.SetLocalPosition({10.0, 0.0, 0.0});
  TSlot slot;
  slot.Initialize();
  slot.AttachObject(&primary);
  slot.AttachObject(&held);
  for (uint16_t locked : {0, 1}) {
    slot.SetLocked(locked);
    CanvasPort port(64, 48);
    TPointConstraintHooks::DrawContext context{MacRect(0, 0, 64, 48), 0, &held, 1};
    uint16_t show = 1;
    slot.BeforePointDrawing(context, 0, held, show);
    EXPECT_EQ(show, 0) << "the slot's mark replaces the point's icon";
    // The head's rim above the point; the keyed mark's key bar reaches wider than the head.
    EXPECT_TRUE(port.IsInk(40, 16)) << locked;
    EXPECT_EQ(port.IsInk(33, 19), locked != 0);
    show = 1;
    slot.BeforePointDrawing(context, 0, primary, show);
    EXPECT_EQ(show, 0) << "the primary point shows as the line";
    EXPECT_TRUE(port.IsInk(20, 18));
  }
  slot.Activate(0);
  uint16_t show = 1;
  TPointConstraintHooks::DrawContext context{MacRect(0, 0, 64, 48), 0, &held, 1};
  slot.BeforePointDrawing(context, 0, held, show);
  EXPECT_EQ(show, 1) << "an active slot leaves its points as they are";
  slot.DetachObject(&held);
  slot.DetachObject(&primary);
}

}  // namespace
