// Every item of every object's meter menu, chosen with that object selected in a sample world,
// places a meter whose column formulas compile and that shows, once the world has run, the
// values the world itself shows of the object: places and angles, their differences, rates by
// finite differences of the shown frames, and mass times acceleration.

#include <array>
#include <cmath>
#include <set>
#include <string>
#include <vector>

#include "app/shell/MenuBar.h"
#include "bodies/Body.h"
#include "bodies/points/Point.h"
#include "constraints/Constraint.h"
#include "constraints/Forces.h"
#include "inout/meters/Output.h"
#include "platform/win32/Menu.h"
#include "tests/app/SampleFixture.h"
#include "tests/app/SketchFixture.h"
#include "tools/samples/SampleBuilder.h"
#include "views/world/ObjectMenus.h"

namespace {

// The worlds whose objects between them have every kind of meter menu.
const char* const kSamples[] = {"spring-and-pin.yb", "pendulum.yb",        "four-bar-linkage.yb",
                                "slider-crank.yb",   "gear-train-and-rack.yb", "cam-follower.yb",
                                "projectile-with-drag.yb", "pulley.yb"};

// Every meter menu of the resources.
const std::set<std::string> kMeterMenus = {
    "OutMassMenu",   "OutPointMenu",  "OutCOMMenu",    "OutLConstrMenu", "OutRConstrMenu",
    "OutPinMenu",    "OutForceMenu",  "OutTorqueMenu", "OutGearMenu"};

// The command numbers of a menu resource's items.
std::vector<int16_t> MenuCommands(const Str255& name) {
  std::vector<int16_t> commands;
  const HMENU menu = LoadMenuResource(name.AsCString());
  if (menu == nullptr) return commands;
  const HMENU popup = GetSubMenu(menu, 0);
  for (int32_t item = 0; item < GetMenuItemCount(popup); ++item)
    commands.push_back(static_cast<int16_t>(GetMenuItemID(popup, item)));
  DestroyMenu(menu);
  return commands;
}

// A meter made from a menu item, and what it was made for.
struct MadeMeter {
  TOutput* meter;
  std::string what;
  TLink* object;
  int16_t command;
};

// What the world shows of an object at the shown frame, read from the object, not the solver.
struct Seen {
  TVector3 p{0, 0, 0};
  TVector3 v{0, 0, 0};
  double mass = 0;
};

Seen SeenOf(TLink* object) {
  Seen seen;
  if (auto* body = dynamic_cast<TMass*>(object)) {
    seen.p = body->GetPositionValues();
    seen.v = body->GetVelocityValues();
    seen.mass = body->GetMass();
  } else if (auto* point = dynamic_cast<TPoint*>(object)) {
    seen.p = point->GetWorldPosition();
  } else if (auto* constraint = dynamic_cast<TCnstr*>(object)) {
    seen.p = TVector3(constraint->PathLength(), 0.0, constraint->AngleDifference());
  }
  return seen;
}

// What a meter column should show, from what the world shows: a value at the frame, or a
// difference of the frames about it, which matches the meter's own values averaged over those
// frames (by Simpson's rule for a rate, by the three-point rule for an acceleration).
struct Want {
  double value;
  int order;  // 0: the value itself; 1: a rate; 2: an acceleration from places
};

// What a meter of the command should show at frame `at`, from what the world shows at the
// frames before, at and after it (step h apart); empty for quantities (constraint forces) the
// world shows nothing of.
std::vector<Want> ExpectedColumns(int16_t command, const Seen& before, const Seen& at,
                                  const Seen& after, double h) {
  const auto rate = [h](const TVector3& a, const TVector3& b) {
    return TVector3((b.x - a.x) / (2 * h), (b.y - a.y) / (2 * h), (b.r - a.r) / (2 * h));
  };
  const TVector3 pointVelocity = rate(before.p, after.p);
  const TVector3 bodyAcceleration = rate(before.v, after.v);
  const double hh = h * h;
  switch (command) {
    case 5001: return {{at.p.x, 0}, {at.p.y, 0}, {at.p.r, 0}};
    case 5002: return {{at.v.x, 0}, {at.v.y, 0}, {at.v.r, 0}};
    case 5003:
      return {{bodyAcceleration.x, 1}, {bodyAcceleration.y, 1}, {bodyAcceleration.r, 1}};
    case 5004: return {{at.mass * bodyAcceleration.x, 1}, {at.mass * bodyAcceleration.y, 1}};
    case 5010: return {{at.p.x, 0}, {at.p.y, 0}};
    case 5011: return {{pointVelocity.x, 1}, {pointVelocity.y, 1}};
    case 5012:
      return {{(before.p.x - 2 * at.p.x + after.p.x) / hh, 2},
              {(before.p.y - 2 * at.p.y + after.p.y) / hh, 2}};
    case 5020: return {{at.p.x, 0}};
    case 5021: return {{pointVelocity.x, 1}};
    case 5030: return {{at.p.r, 0}};
    case 5031: return {{pointVelocity.r, 1}};
    default: return {};
  }
}

// A meter column's values at the frames before, at and after the frame checked, weighed as the
// expected value of that order is.
double Weighed(const std::array<double, 3>& shown, int order) {
  if (order == 1) return (shown[0] + 4 * shown[1] + shown[2]) / 6;
  if (order == 2) return (shown[0] + 10 * shown[1] + shown[2]) / 12;
  return shown[1];
}

class MeterMenuItemsCoverageTest : public SampleFixture {};

// Meters made from the menus of a world's objects, and checked after a run.
class MeterMenusFixture : public SketchFixture {
 protected:
  void TearDown() override {
    app_->Commands().DropAllCommands();
    SketchFixture::TearDown();
  }

  // For each object, every item of its meter menu chosen with the object selected.
  std::vector<MadeMeter> MetersOfEachItem(const std::vector<TLink*>& objects) {
    std::vector<MadeMeter> made;
    for (TLink* object : objects) {
      // The background is never selected.
      if (object->GetIdentifier() == sample_worlds::kBackgroundId) continue;
      const Str255 menu = MeterMenuNameOf(object);
      if (menu.Length() == 0) continue;
      for (const int16_t command : MenuCommands(menu)) {
        const std::string what = std::string(menu.AsCString()) + " item " +
                                 std::to_string(command) + " of object " +
                                 std::to_string(object->GetIdentifier());
        TOutput* meter = MeterOf(object, command, what);
        if (meter == nullptr) return made;
        made.push_back({meter, what, object, command});
      }
    }
    return made;
  }

  // The meter the command makes for the object, its formulas checked; null when none was made.
  TOutput* MeterOf(TLink* object, int16_t command, const std::string& what) {
    world_->DeselectAll();
    world_->Select(object);
    const size_t before = world_->Objects().size();
    Command(command);
    EXPECT_EQ(world_->Objects().size(), before + 1) << what << " placed nothing";
    auto* meter = dynamic_cast<TOutput*>(world_->Objects().back());
    EXPECT_NE(meter, nullptr) << what;
    if (meter == nullptr || world_->Objects().size() != before + 1) return nullptr;
    EXPECT_GE(meter->GetColumnCount(), 2) << what;
    for (int32_t i = 1; i <= meter->GetColumnCount(); ++i) {
      TFormula& formula = meter->Column(i)->Formula();
      Str255 text;
      formula.GetText(text);
      EXPECT_TRUE(formula.IsFormula()) << what << " column " << i << ": " << text.AsCString();
      EXPECT_EQ(formula.CompileError(), 0) << what << " column " << i << ": " << text.AsCString();
      // Each column shown is in a unit, which a meter with Units ticked names.
      if (i > 1) {
        EXPECT_NE(meter->Column(i)->GetUnitKind(), 0) << what << " column " << i;
      }
    }
    return meter;
  }

  // Runs a quarter of a second and shows the frame before the last: every meter shows its
  // time, a finite value in each column, and what the world shows of its object.
  void RunAndCheck(const std::vector<MadeMeter>& made) {
    const double step = world_->GetEngine()->TimeStep();
    const auto frames = static_cast<int16_t>(std::ceil(0.25 / step));
    world_->RunToFrame(frames, nullptr);
    ASSERT_EQ(world_->LastFrame(), frames);
    const int16_t at = frames - 1;
    for (const MadeMeter& entry : made) {
      const int32_t columns = entry.meter->GetColumnCount();
      std::vector<std::array<double, 3>> shown(static_cast<size_t>(columns) + 1);
      std::array<Seen, 3> seen;
      // The frame checked last, so that the meter is left showing it.
      for (const int k : {0, 2, 1}) {
        world_->ShowFrame(static_cast<int16_t>(at - 1 + k), 1);
        seen[k] = SeenOf(entry.object);
        for (int32_t i = 2; i <= columns; ++i)
          shown[i][k] = entry.meter->Column(i)->GetCurrentValue();
      }
      ASSERT_EQ(entry.meter->GetCurrentFrame(), at) << entry.what << " took no frame";
      EXPECT_NEAR(entry.meter->Column(1)->GetCurrentValue(), at * step, 1e-9) << entry.what;
      const std::vector<Want> expected =
          ExpectedColumns(entry.command, seen[0], seen[1], seen[2], step);
      for (int32_t i = 2; i <= columns; ++i) {
        const double value = shown[i][1];
        EXPECT_TRUE(std::isfinite(value) && std::abs(value) < 1e300)
            << entry.what << " column " << i << " shows " << value;
        if (expected.size() < static_cast<size_t>(i - 1)) continue;
        const Want& want = expected[i - 2];
        // A difference of frames holds the integrator's error too, and more where contacts act.
        const double share = want.order == 0 ? 1e-3 : 0.02;
        EXPECT_NEAR(Weighed(shown[i], want.order), want.value, 1e-3 + share * std::abs(want.value))
            << entry.what << " column " << i;
      }
    }
  }
};

class MeterMenuItemsTest : public MeterMenusFixture,
                           public ::testing::WithParamInterface<const char*> {
 protected:
  std::string DocumentPath() override { return std::string(YB_SAMPLES_DIR) + "/" + GetParam(); }
};

// The pendulum with what no sample holds: a force and a torque on the bob, and the centre of
// mass shown.
class MeterMenusOfAddedObjectsTest : public MeterMenusFixture {
 protected:
  std::string DocumentPath() override {
    return std::string(YB_SAMPLES_DIR) + "/" + sample_worlds::pendulum::kFile;
  }
};

TEST_P(MeterMenuItemsTest, EachItemPlacesAMeterThatCompilesAndFollowsTheRun) {
  const std::vector<MadeMeter> made = MetersOfEachItem(world_->Objects());
  ASSERT_FALSE(made.empty());
  RunAndCheck(made);
}

INSTANTIATE_TEST_SUITE_P(Samples, MeterMenuItemsTest, ::testing::ValuesIn(kSamples));

TEST_F(MeterMenusOfAddedObjectsTest, AForceATorqueAndTheCentreOfMassEachGiveWorkingMeters) {
  using sample_worlds::Add;
  auto* bob = dynamic_cast<TMass*>(world_->FindObject(sample_worlds::pendulum::kBobId));
  ASSERT_NE(bob, nullptr);
  auto* ground = dynamic_cast<TMass*>(world_->FindObject(sample_worlds::kBackgroundId));
  ASSERT_NE(ground, nullptr);
  TPoint& pushed = sample_worlds::AddPoint(*world_, 100, *bob, TVector(0.0, 0.05));
  TForce& force = Add<TForce>(*world_, 101);
  force.Fx().SetConstant(1.0);
  force.AttachObject(&pushed);
  TPoint& turned = sample_worlds::AddPoint(*world_, 102, *bob, TVector(0.0, 0.0));
  TPoint& held = sample_worlds::AddPoint(*world_, 103, *ground, TVector(0.0, 0.0));
  TTorque& torque = Add<TTorque>(*world_, 104);
  torque.Quantity().SetConstant(0.5);
  torque.AttachObject(&turned);
  torque.AttachObject(&held);
  TCOMPoint& centre = Add<TCOMPoint>(*world_, 105);
  world_->DeselectAll();
  world_->Select(&centre);
  Command(kCmdToggleCOM);
  ASSERT_NE(centre.IsShown(), 0) << "the centre of mass was not shown";

  const std::vector<TLink*> added = {&force, &torque, &centre};
  for (TLink* object : added) ASSERT_GT(MeterMenuNameOf(object).Length(), 0);
  const std::vector<MadeMeter> made = MetersOfEachItem(added);
  ASSERT_EQ(made.size(), 5u) << "not every item of the three menus made a meter";
  RunAndCheck(made);
}

class FourBarMeterTest : public MeterMenusFixture {
 protected:
  std::string DocumentPath() override {
    return std::string(YB_SAMPLES_DIR) + "/" + sample_worlds::four_bar::kFile;
  }
};

// The crank turns at a constant speed about the origin: the acceleration meter of the point at
// its far end shows the pull towards the origin, the speed squared times the point's place.
TEST_F(FourBarMeterTest, APointsAccelerationMeterShowsTheCranksPullTowardsItsPivot) {
  constexpr int16_t kCrankEndId = 12;
  TLink* end = world_->FindObject(kCrankEndId);
  ASSERT_NE(end, nullptr);
  TOutput* position = MeterOf(end, 5010, "position");
  TOutput* acceleration = MeterOf(end, 5012, "acceleration");
  ASSERT_NE(position, nullptr);
  ASSERT_NE(acceleration, nullptr);
  const double step = world_->GetEngine()->TimeStep();
  const auto frames = static_cast<int16_t>(std::ceil(0.5 / step));
  world_->RunToFrame(frames, nullptr);
  const double pull = sample_worlds::four_bar::kSpin * sample_worlds::four_bar::kSpin;
  for (const int16_t frame : {static_cast<int16_t>(frames / 3), frames}) {
    SCOPED_TRACE(frame);
    world_->ShowFrame(frame, 1);
    const double x = position->Column(2)->GetCurrentValue();
    const double y = position->Column(3)->GetCurrentValue();
    EXPECT_NEAR(std::hypot(x, y), sample_worlds::four_bar::kCrank, 1e-3);
    EXPECT_NEAR(acceleration->Column(2)->GetCurrentValue(), -pull * x, 0.05);
    EXPECT_NEAR(acceleration->Column(3)->GetCurrentValue(), -pull * y, 0.05);
  }
}

// Between them the samples and the objects added to the pendulum above hold an object of every
// meter menu, so no menu goes untested.
TEST_F(MeterMenuItemsCoverageTest, TheSamplesAndTheAddedObjectsHoldEveryMeterMenu) {
  std::set<std::string> reached = {"OutForceMenu", "OutTorqueMenu", "OutCOMMenu"};
  for (const char* sample : kSamples) {
    TQVDoc document;
    document.ReadDocument(std::string(YB_SAMPLES_DIR) + "/" + sample);
    for (TLink* object : document.World().Objects()) {
      if (object->GetIdentifier() == sample_worlds::kBackgroundId) continue;
      const Str255 menu = MeterMenuNameOf(object);
      if (menu.Length() > 0) reached.insert(menu.AsCString());
    }
  }
  for (const std::string& menu : kMeterMenus)
    EXPECT_EQ(reached.count(menu), 1u) << menu << " is on no object of the samples";
}

}  // namespace
