// Force fields and the collision group: the goal texts the fields hand the solver, the modes
// they give their groups, the stored sample fields, filing byte for byte, the collide command
// with its menus and undo, and worlds run by the solver against the closed forms.

#include <cmath>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <numbers>

#include <gtest/gtest.h>

#include "bodies/Background.h"
#include "bodies/BodyClasses.h"
#include "bodies/BodyTags.h"
#include "bodies/Shapes.h"
#include "bodies/points/Point.h"
#include "bodies/vectors/VectorThing.h"
#include "constraints/CollisionGroup.h"
#include "constraints/ConstraintClasses.h"
#include "constraints/Field.h"
#include "core/Failure.h"
#include "model/world/Group.h"
#include "model/filing/ObjectWriter.h"
#include "model/world/RunCommand.h"
#include "model/world/WorldEditCheck.h"
#include "model/world/WorldHost.h"
#include "resources/ResourceLibraries.h"
#include "simulation/Engine.h"
#include "tests/support/WorldRun.h"

namespace {

using namespace body_tags;

constexpr double kGravity = 9.81;

std::vector<uint8_t> FileBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

Str255 TextOf(const TFormula& formula) {
  Str255 text;
  formula.GetText(text);
  return text;
}

// The object's answer to a menu number, whether it takes the number or not.
std::unique_ptr<TCommandCore> Answer(THandlerLink& object, int16_t command) {
  bool handled = false;
  return object.DoObjectMenuCommand(command, handled);
}

// The program's main resource library stands behind the test's own, so the sample fields and
// string lists are the ones the program ships.
class FieldTest : public world_run::WorldRunTest {
 protected:
  FieldTest()
      : WorldRunTest("field-test.dll", {{kBlockRectangleFormulas, TRectangle::kTag},
                                        {kBlockRadiusLine, TOval::kTag},
                                        {kBlockBackground, TZeroMass::kTag},
                                        {kBlockGroup, TGroup::kTag},
                                        {kBlockRunSettings, kEngineTag},
                                        {TPoint::kBlockSolverRecord, kPointTag},
                                        {kBlockCollisionGroup, kCollisionGroupTag},
                                        {TGravGroup::kBlock, kGravGroupTag},
                                        {TAirGroup::kBlock, kAirGroupTag},
                                        {TCustomGroup::kBlock, kCustomGroupTag},
                                        {TElectGroup::kBlock, kElectGroupTag},
                                        {TGravCnstr::kBlock, kGravFieldTag},
                                        {TAirCnstr::kBlock, kAirFieldTag},
                                        {TCustomCnstr::kBlock, kCustomFieldTag},
                                        {TElectCnstr::kBlock, kElectFieldTag}}) {}
  void RegisterClasses() override {
    RegisterBodyClasses();
    RegisterCustomConstraintClasses();
    RegisterFieldClasses();
    SettleDefaultConstraintSize();
  }
  void FreeClasses() override {
    SetResourceModule2(nullptr);
    FreeCustomConstraintGlobals();
    FreeBodyClasses();
  }
  void SetUp() override {
    WorldRunTest::SetUp();
    RegisterResourceLibraries();
    SetResourceModule2(LoadResourceLibrary(kMainResourceLibrary));
  }

  static TOval& AddCircle(TWorldDoc& world, int16_t identifier, double x, double y, double vx,
                          double vy) {
    TOval& circle = Add<TOval>(world, identifier);
    circle.SetNumberProperty(kTagRadius, kRadius);
    circle.SetFormulaProperty(kTagMass, TFormula(1.0));
    circle.SetFormulaProperty(kTagPosX, TFormula(x));
    circle.SetFormulaProperty(kTagPosY, TFormula(y));
    circle.SetFormulaProperty(kTagVelX, TFormula(vx));
    circle.SetFormulaProperty(kTagVelY, TFormula(vy));
    return circle;
  }
  // A field and its group, linked as a world holds them.
  template <class Field, class Group>
  static Field& AddField(TWorldDoc& world, int16_t fieldId, int16_t groupId) {
    Group& group = Add<Group>(world, groupId);
    Field& field = Add<Field>(world, fieldId);
    field.SetFieldGroup(&group);
    field.SetShortProperty(kTagAlwaysActive, 1);
    return field;
  }
  // The program's default objects, which this test's resources stand behind, may bring the
  // engine already.
  static void AddGround(TWorldDoc& world) {
    if (world.FindObject(1) == nullptr) Add<TEngine>(world, 1);
    Add<TZeroMass>(world, 0);
  }
  // The goals the field hands the solver.
  static std::vector<TCnstrGoal*> PreparedGoals(TFieldCnstr& field) {
    field.PrepareGoals();
    std::vector<TCnstrGoal*> goals;
    for (auto& goal : field.Goals()) goals.push_back(goal.get());
    return goals;
  }

  static constexpr double kRadius = 0.1;
};

// ---- Goal texts, kinds and group modes ---------------------------------------------------------

TEST_F(FieldTest, GoalTextsCarryEighteenDigitNumbersExactly) {
  TQVDoc document;
  TWorldDoc& world = document.World();
  world.DropDefaultWorldObjects();
  AddGround(world);
  auto& gravity = AddField<TGravCnstr, TGravGroup>(world, 3, 2);
  gravity.SetNumberProperty(kTagLineGravity, 9.81);
  gravity.SelectChoice(kTagGravLine);
  auto goals = PreparedGoals(gravity);
  ASSERT_EQ(goals.size(), 1u);
  EXPECT_EQ(TextOf(*goals[0]), Str255("- self.mass * (9.8100000000000005)"));
  EXPECT_EQ(goals[0]->component, 1);
  EXPECT_EQ(goals[0]->type, 0);
  EXPECT_EQ(gravity.RelatedObjectQuery(), world.FindObject(0));
  gravity.SetName("Gravity");
  gravity.SetNumberText("3");
  EXPECT_EQ(gravity.GetDisplayName(), Str255("Gravity [3]"));
  ClearPendingMenuEnables();
  gravity.DoSetupMenus();
  ASSERT_EQ(PendingMenuEnables().size(), 1u);
  EXPECT_EQ(PendingMenuEnables()[0].command, TGravCnstr::kCommand);
  EXPECT_EQ(PendingMenuEnables()[0].enabled, 1);
  ClearPendingMenuEnables();

  gravity.SetNumberProperty(kTagPlanetaryConstant, 6.674e-11);
  gravity.SelectChoice(kTagGravPlanetary);
  goals = PreparedGoals(gravity);
  ASSERT_EQ(goals.size(), 1u);
  EXPECT_EQ(TextOf(*goals[0]),
            Str255("-self.mass*(6.67399999999999939e-11)/sqr(self.p-other.p)*other.mass"));
  EXPECT_EQ(goals[0]->component, 0);
  EXPECT_EQ(gravity.RelatedObjectQuery(), nullptr);

  auto& electric = AddField<TElectCnstr, TElectGroup>(world, 5, 4);
  EXPECT_TRUE(PreparedGoals(electric).empty());
  electric.SetNumberProperty(kTagElectConstant, 8.9875e9);
  electric.SelectChoice(kTagElectOn);
  goals = PreparedGoals(electric);
  ASSERT_EQ(goals.size(), 1u);
  EXPECT_EQ(TextOf(*goals[0]),
            Str255("self.charge * (8987500000)/sqr(self.p-other.p) * other.charge"));
  EXPECT_FALSE(electric.IsPerBodyField());

  auto& air = AddField<TAirCnstr, TAirGroup>(world, 7, 6);
  air.SetNumberProperty(kTagAirLinearCoefficient, 0.5);
  air.SetNumberProperty(kTagAirQuadraticCoefficient, 0.1);
  air.SelectChoice(kTagAirLinear);
  goals = PreparedGoals(air);
  ASSERT_EQ(goals.size(), 1u);
  EXPECT_EQ(TextOf(*goals[0]), Str255("-|self.v|*section(self,self.v)*(0.5)"));
  air.SelectChoice(kTagAirQuadratic);
  goals = PreparedGoals(air);
  EXPECT_EQ(TextOf(*goals[0]),
            Str255("-sqr(self.v)*section(self,self.v)*(0.100000000000000006)"));
  EXPECT_EQ(TextOf(air.PrimaryQuantity()), Str255("angle(self.v)"));
  EXPECT_EQ(air.RelatedObjectQuery(), world.FindObject(0));
  for (TCnstrGoal* goal : goals) EXPECT_EQ(goal->CompileError(), 0);
}

TEST_F(FieldTest, FieldsSwitchedOffFileNoGoalsAndTellTheirGroup) {
  TQVDoc document;
  TWorldDoc& world = document.World();
  world.DropDefaultWorldObjects();
  AddGround(world);
  auto& gravity = AddField<TGravCnstr, TGravGroup>(world, 3, 2);
  auto* group = dynamic_cast<TGravGroup*>(world.FindObject(2));
  gravity.SelectChoice(kTagGravLine);
  EXPECT_EQ(group->GetMode(), 0);
  EXPECT_EQ(group->GetSense(), 0);
  // Choosing the kind in force again leaves the group's list alone.
  group->Exclude(world.FindObject(1));
  gravity.SelectChoice(kTagGravLine);
  EXPECT_EQ(group->Entries()->GetCount(), 1);
  gravity.SelectChoice(kTagGravPlanetary);
  EXPECT_EQ(group->GetMode(), 1);
  EXPECT_EQ(group->Entries()->GetCount(), 0);
  gravity.SelectChoice(kTagGravNone);
  EXPECT_EQ(group->GetMode(), 2);
  EXPECT_EQ(group->GetSense(), 1);
  EXPECT_TRUE(PreparedGoals(gravity).empty());
  EXPECT_FALSE(gravity.IsFieldOn());

  // Air resistance and electrostatics never change their group.
  auto& air = AddField<TAirCnstr, TAirGroup>(world, 5, 4);
  auto* airGroup = dynamic_cast<TAirGroup*>(world.FindObject(4));
  airGroup->SetMode(2, 1);
  air.SelectChoice(kTagAirQuadratic);
  EXPECT_EQ(airGroup->GetMode(), 2);

  // Each setting is applicable to its own kind only, with its dimension.
  FieldNumberInfo info;
  ASSERT_TRUE(gravity.DescribeNumber(kTagLineGravity, info));
  EXPECT_EQ(info.dimension, kUnitAcceleration);
  EXPECT_EQ(info.applicable, 0);
  ASSERT_TRUE(air.DescribeNumber(kTagAirQuadraticCoefficient, info));
  EXPECT_EQ(info.dimension, kUnitQuadraticDrag);
  EXPECT_EQ(info.applicable, 1);
  EXPECT_FALSE(air.DescribeNumber(kTagLineGravity, info));
  // The getter gives back a second value (none, 0) in the room every number getter's caller
  // gives it, and nothing beyond.
  struct {
    double second = -1.0;
    uint32_t guard = 0xA5A5A5A5;
  } room;
  double value = 0.0;
  ASSERT_EQ(gravity.GetNumberProperty(kTagLineGravity, value, &room.second), 1);
  EXPECT_EQ(room.second, 0.0);
  EXPECT_EQ(room.guard, 0xA5A5A5A5u);
  gravity.SetNumberProperty(kTagPlanetaryConstant, 2.5);
  ASSERT_EQ(gravity.GetNumberProperty(kTagPlanetaryConstant, value, &room.second), 1);
  EXPECT_EQ(value, 2.5);
  Str255 kindName;
  ASSERT_EQ(air.GetStringProperty(kTagAirKindText, kindName, nullptr), 1);
  EXPECT_EQ(kindName, Str255("Quadratic in speed"));
  air.SelectChoice(kTagAirNone);
  air.GetStringProperty(kTagAirKindText, kindName, nullptr);
  EXPECT_TRUE(kindName.IsEmpty());

  // The electric field's On choice reads whether it is on.
  auto& electric = AddField<TElectCnstr, TElectGroup>(world, 7, 6);
  int16_t on = -1;
  electric.SelectChoice(kTagElectOn);
  ASSERT_EQ(electric.GetChoiceProperty(kTagElectOn, on, nullptr), 1);
  EXPECT_EQ(on, 1);
  electric.SelectChoice(kTagElectOff);
  electric.GetChoiceProperty(kTagElectOn, on, nullptr);
  EXPECT_EQ(on, 0);

  // A group that leaves the world leaves its field without one.
  world.RemoveObject(group);
  EXPECT_EQ(gravity.GetRelatedObject(), nullptr);
  gravity.SelectChoice(kTagGravLine);
  EXPECT_EQ(PreparedGoals(gravity).size(), 1u);
}

TEST_F(FieldTest, CustomFieldGivesOneGoalPerWrittenFormula) {
  TQVDoc document;
  TWorldDoc& world = document.World();
  world.DropDefaultWorldObjects();
  AddGround(world);
  auto& custom = AddField<TCustomCnstr, TCustomGroup>(world, 3, 2);
  auto* group = dynamic_cast<TCustomGroup*>(world.FindObject(2));
  TFormula y;
  y.SetFromPieces("-2*self.v.y");
  custom.SetFormulaProperty(kTagCustomForceY, y);
  EXPECT_TRUE(PreparedGoals(custom).empty());  // kind none
  custom.SelectChoice(kTagCustomField);
  EXPECT_EQ(group->GetMode(), 0);
  EXPECT_EQ(custom.RelatedObjectQuery(), world.FindObject(0));
  auto goals = PreparedGoals(custom);
  ASSERT_EQ(goals.size(), 1u);
  EXPECT_EQ(goals[0]->component, 1);
  EXPECT_EQ(TextOf(*goals[0]), Str255("-2*self.v.y"));

  TFormula torque;
  torque.SetFromPieces("0.5");
  custom.SetFormulaProperty(kTagCustomTorque, torque);
  custom.SelectChoice(kTagCustomPairwise);
  EXPECT_EQ(group->GetMode(), 1);
  EXPECT_EQ(custom.RelatedObjectQuery(), nullptr);
  goals = PreparedGoals(custom);
  ASSERT_EQ(goals.size(), 2u);
  EXPECT_EQ(goals[0]->component, 1);
  EXPECT_EQ(goals[1]->component, 2);

  // None empties the formulas.
  custom.SelectChoice(kTagCustomNone);
  EXPECT_TRUE(TextOf(custom.ForceY()).IsEmpty());
  EXPECT_EQ(custom.FieldGoalCount(), 0);
}

TEST_F(FieldTest, SamplesFillTheCustomFieldUntilAFormulaDiffers) {
  TQVDoc document;
  TWorldDoc& world = document.World();
  world.DropDefaultWorldObjects();
  AddGround(world);
  auto& custom = AddField<TCustomCnstr, TCustomGroup>(world, 3, 2);
  auto* group = dynamic_cast<TCustomGroup*>(world.FindObject(2));
  SampleField sample;
  ASSERT_TRUE(LoadSampleField(2, sample));
  custom.SetShortProperty(kTagCustomSample, 2);
  EXPECT_EQ(custom.GetKind(), sample.kind);
  EXPECT_EQ(TextOf(custom.ForceX()), sample.forceX);
  EXPECT_EQ(TextOf(custom.ForceY()), sample.forceY);
  EXPECT_EQ(group->GetMode(), sample.kind == TCustomCnstr::kField ? 0 : 1);
  uint16_t number = 0;
  ASSERT_EQ(custom.GetShortProperty(kTagCustomSample, number, nullptr), 1);
  EXPECT_EQ(number, 2);

  // One character more and the formulas are the user's own.
  Str255 text = sample.forceX;
  text.AppendChar('1');
  TFormula changed;
  changed.SetFromPieces(text);
  custom.SetFormulaProperty(kTagCustomForceX, changed);
  EXPECT_EQ(custom.GetSample(), TCustomCnstr::kNoSample);

  EXPECT_THROW(custom.SetSample(999), QVException);
  EXPECT_FALSE(LoadSampleField(999, sample));

  // Every sample the program ships compiles and names a kind.
  for (int16_t n = 2; LoadSampleField(n, sample); ++n) {
    custom.SetSample(n);
    EXPECT_EQ(custom.GetSample(), n);
    EXPECT_GT(custom.FieldGoalCount(), 0) << n;
    for (TFormula* formula : {&custom.ForceX(), &custom.ForceY(), &custom.Torque()}) {
      if (!TextOf(*formula).IsEmpty()) {
        EXPECT_EQ(formula->CompileError(), 0) << n;
      }
    }
  }
}

// A sample resource shorter than its fields, and one whose text has no terminator, are read
// within their bytes.
TEST_F(FieldTest, ShortSampleResourcesAreReadWithinTheirBytes) {
  std::vector<uint8_t> truncated = {2, 0, 'a', 'b'};
  std::vector<uint8_t> unterminated(2 + 3 * 71, 'x');
  unterminated[0] = 1;
  unterminated[1] = 0;
  std::vector<uint8_t> tiny = {1};
  std::vector<uint8_t> unknownKind = {9, 0, 'a', 0};
  const ResourceEntry entries[] = {
      {"cfS1", 0, nullptr, 2, truncated.data(), static_cast<uint32_t>(truncated.size())},
      {"cfS1", 0, nullptr, 3, unterminated.data(), static_cast<uint32_t>(unterminated.size())},
      {"cfS1", 0, nullptr, 4, tiny.data(), static_cast<uint32_t>(tiny.size())},
      {"cfS1", 0, nullptr, 5, unknownKind.data(), static_cast<uint32_t>(unknownKind.size())}};
  const ResourceModuleTable table{"field-samples.dll", entries, 4};
  RegisterResourceModule(table);
  HMODULE previous = GetResourceModule2();
  SetResourceModule2(LoadResourceLibrary("field-samples.dll"));

  SampleField sample;
  ASSERT_TRUE(LoadSampleField(2, sample));
  EXPECT_EQ(sample.kind, 2);
  EXPECT_EQ(sample.forceX, Str255("ab"));
  EXPECT_TRUE(sample.forceY.IsEmpty());
  ASSERT_TRUE(LoadSampleField(3, sample));
  EXPECT_EQ(sample.forceX.Length(), 70);
  EXPECT_EQ(sample.torque.Length(), 70);
  EXPECT_FALSE(LoadSampleField(4, sample));
  EXPECT_FALSE(LoadSampleField(5, sample));

  SetResourceModule2(previous);
  UnregisterResourceModule("field-samples.dll");
}

// ---- Filing ------------------------------------------------------------------------------------

TEST_F(FieldTest, FieldsAndGroupsReadBackAndWriteTheSameBytes) {
  const auto document = SaveAndReopen([](TWorldDoc& world) {
    AddGround(world);
    TOval& a = AddCircle(world, 2, 0.0, 0.0, 0.0, 0.0);
    TOval& b = AddCircle(world, 3, 1.0, 0.0, 0.0, 0.0);
    auto& gravity = AddField<TGravCnstr, TGravGroup>(world, 5, 4);
    gravity.SetNumberProperty(kTagLineGravity, 9.81);
    gravity.SelectChoice(kTagGravLine);
    auto& air = AddField<TAirCnstr, TAirGroup>(world, 7, 6);
    air.SetNumberProperty(kTagAirQuadraticCoefficient, 0.3);
    air.SelectChoice(kTagAirQuadratic);
    auto& electric = AddField<TElectCnstr, TElectGroup>(world, 9, 8);
    electric.SetNumberProperty(kTagElectConstant, 2.5);
    electric.SelectChoice(kTagElectOn);
    auto& custom = AddField<TCustomCnstr, TCustomGroup>(world, 11, 10);
    custom.SetSample(2);
    TCollisionGroup& collisions = Add<TCollisionGroup>(world, 12);
    collisions.SetMode(2, 1);
    collisions.IncludePair(&a, &b);
  });
  TWorldDoc& world = document->World();
  auto* gravity = dynamic_cast<TGravCnstr*>(world.FindObject(5));
  auto* air = dynamic_cast<TAirCnstr*>(world.FindObject(7));
  auto* electric = dynamic_cast<TElectCnstr*>(world.FindObject(9));
  auto* custom = dynamic_cast<TCustomCnstr*>(world.FindObject(11));
  auto* collisions = dynamic_cast<TCollisionGroup*>(world.FindObject(12));
  ASSERT_NE(gravity, nullptr);
  ASSERT_NE(air, nullptr);
  ASSERT_NE(electric, nullptr);
  ASSERT_NE(custom, nullptr);
  ASSERT_NE(collisions, nullptr);
  EXPECT_EQ(gravity->GetKind(), TGravCnstr::kLine);
  EXPECT_EQ(gravity->GetLineGravity(), 9.81);
  EXPECT_EQ(gravity->GetRelatedObject(), world.FindObject(4));
  EXPECT_EQ(air->GetKind(), TAirCnstr::kQuadratic);
  EXPECT_EQ(air->GetQuadraticCoefficient(), 0.3);
  EXPECT_EQ(electric->IsOn(), 1);
  EXPECT_EQ(electric->GetConstant(), 2.5);
  EXPECT_EQ(custom->GetSample(), 2);
  EXPECT_EQ(collisions->GetMode(), 2);
  EXPECT_EQ(collisions->Applies(world.FindObject(2), world.FindObject(3)), 1);
  EXPECT_EQ(dynamic_cast<TGravGroup*>(world.FindObject(4))->GetOwnBlockCode(), 5101);

  const std::vector<uint8_t> first = FileBytes(path);
  const std::filesystem::path again = path.string() + ".again";
  document->WriteDocument(again.string());
  const std::vector<uint8_t> second = FileBytes(again);
  std::filesystem::remove(again);
  ASSERT_FALSE(first.empty());
  EXPECT_EQ(first, second);

  // The solver sees the groups' members and the collision group's marker, never the blocks that
  // only documents carry.
  const std::vector<uint8_t> stream = world.NativeStream();
  const auto holdsCode = [&stream](int16_t code) {
    for (size_t i = 0; i + 2 <= stream.size(); ++i) {
      int16_t at = 0;
      std::memcpy(&at, stream.data() + i, 2);
      if (at == code) return true;
    }
    return false;
  };
  EXPECT_TRUE(holdsCode(kBlockCollisionGroup));
  EXPECT_FALSE(holdsCode(TGravCnstr::kBlock));
  EXPECT_FALSE(holdsCode(TCustomGroup::kBlock));
}

// ---- The collision group's commands ------------------------------------------------------------

TEST_F(FieldTest, CollideMenusFollowTheSelectedBodiesPairs) {
  TQVDoc document;
  TWorldDoc& world = document.World();
  world.DropDefaultWorldObjects();
  AddGround(world);
  TOval& a = AddCircle(world, 2, 0.0, 0.0, 0.0, 0.0);
  TOval& b = AddCircle(world, 3, 1.0, 0.0, 0.0, 0.0);
  TOval& c = AddCircle(world, 4, 2.0, 0.0, 0.0, 0.0);
  auto& gravity = AddField<TGravCnstr, TGravGroup>(world, 6, 5);
  TCollisionGroup& group = Add<TCollisionGroup>(world, 7);
  group.SetMode(2, 1);
  EXPECT_EQ(group.GetWorld(), &world);

  world.Select(&a);
  world.Select(&gravity);  // not a body: it does not count
  EXPECT_FALSE(group.MenuState().enabled);
  world.Select(&b);
  CollideMenuState state = group.MenuState();
  EXPECT_TRUE(state.enabled);
  EXPECT_EQ(state.collideMark, kNoMark);
  EXPECT_EQ(state.dontCollideMark, kCheckMark);

  std::unique_ptr<TCommandCore> command(Answer(group, kCmdCollide));
  ASSERT_NE(command, nullptr);
  command->Perform();
  EXPECT_EQ(group.Applies(&a, &b), 1);
  // Only bodies enter the group, whatever else is selected.
  EXPECT_EQ(group.Entries()->GetCount(), 1);
  state = group.MenuState();
  EXPECT_EQ(state.collideMark, kCheckMark);
  EXPECT_EQ(state.dontCollideMark, kNoMark);

  world.Select(&c);
  state = group.MenuState();
  EXPECT_EQ(state.collideMark, kMixedMark);
  EXPECT_EQ(state.dontCollideMark, kMixedMark);
  EXPECT_EQ(Answer(group, 31), nullptr);
}

TEST_F(FieldTest, CollideCommandUndoesAndRedoesTheGroupByteForByte) {
  TQVDoc document;
  TWorldDoc& world = document.World();
  world.DropDefaultWorldObjects();
  AddGround(world);
  TOval& a = AddCircle(world, 2, 0.0, 0.0, 0.0, 0.0);
  TOval& b = AddCircle(world, 3, 1.0, 0.0, 0.0, 0.0);
  TOval& c = AddCircle(world, 4, 2.0, 0.0, 0.0, 0.0);
  TCollisionGroup& group = Add<TCollisionGroup>(world, 7);
  group.SetMode(2, 1);
  group.IncludePair(&a, &c);
  const auto groupBytes = [&group]() {
    std::vector<TLink*> objects{&group};
    auto writer = WriteObjectsDefault(&objects, 1, nullptr, 2, nullptr);
    Handle handle = writer->TakeHandle();
    const auto* data = reinterpret_cast<const uint8_t*>(HandleData(handle));
    std::vector<uint8_t> bytes(data, data + GetHandleByteSize(handle));
    FreeHandle(handle);
    return bytes;
  };
  const std::vector<uint8_t> before = groupBytes();

  world.Select(&a);
  world.Select(&b);
  world.Select(&c);
  std::unique_ptr<TCommandCore> command(Answer(group, kCmdCollide));
  command->Perform();
  EXPECT_EQ(group.Entries()->GetCount(), 3);
  const std::vector<uint8_t> after = groupBytes();
  EXPECT_NE(before, after);
  command->Undo();
  EXPECT_EQ(groupBytes(), before);
  EXPECT_EQ(group.Applies(&a, &b), 0);
  command->Redo();
  EXPECT_EQ(groupBytes(), after);

  // The group's commands require a world.
  TCollisionGroup loose;
  loose.Initialize();
  EXPECT_THROW(Answer(loose, kCmdDontCollide), QVException);
}

// A world that holds recorded frames asks before it is edited; the edit is abandoned either way,
// a yes queues the reset, after which edits go ahead.
class TAnsweringHost final : public TWorldHost {
 public:
  bool answer = true;
  std::vector<int16_t> asked;
  std::vector<std::unique_ptr<TCommandCore>> posted;
  bool AskYesNo(int16_t alert) override {
    asked.push_back(alert);
    return answer;
  }
  void PostCommand(TCommandCore* command) override { posted.emplace_back(command); }
};

TEST_F(FieldTest, EditsOfAWorldWithRecordedFramesAreAbandonedAfterAskingToReset) {
  const auto document = SaveAndReopen([](TWorldDoc& world) {
    AddGround(world);
    AddCircle(world, 2, 0.0, 0.0, 0.0, 0.0);
    AddCircle(world, 3, 1.0, 0.0, 0.0, 0.0);
    Add<TCollisionGroup>(world, 4).SetMode(2, 1);
    AddField<TGravCnstr, TGravGroup>(world, 6, 5);
  });
  TWorldDoc& world = document->World();
  TAnsweringHost host;
  world.SetHost(&host);
  world.RunToFrame(3, nullptr);
  world.ShowFrame(3, 1);
  auto* group = dynamic_cast<TCollisionGroup*>(world.FindObject(4));
  world.Select(world.FindObject(2));
  world.Select(world.FindObject(3));

  const auto abandoned = [](std::unique_ptr<TCommandCore> command) {
    try {
      command->Perform();
    } catch (const QVException& failure) {
      return failure.error() == kErrNone;
    }
    return false;
  };
  // A no abandons the edit and keeps the run.
  host.answer = false;
  EXPECT_TRUE(abandoned(Answer(*group, kCmdCollide)));
  EXPECT_EQ(group->Entries()->GetCount(), 0);
  EXPECT_EQ(host.asked, std::vector<int16_t>{kEditRecordedWorldAlert});
  EXPECT_TRUE(host.posted.empty());
  EXPECT_EQ(world.LastFrame(), 3);

  // A yes abandons it too and posts the reset...
  host.answer = true;
  EXPECT_TRUE(abandoned(Answer(*group, kCmdCollide)));
  EXPECT_EQ(group->Entries()->GetCount(), 0);
  EXPECT_EQ(host.asked.size(), 2u);
  ASSERT_EQ(host.posted.size(), 1u);
  EXPECT_EQ(host.posted[0]->GetCommandNumber(), kCmdReset);

  // ...once done, an edit chosen again goes ahead without a question.
  host.posted[0]->Perform();
  ASSERT_EQ(world.CurrentFrame(), 0);
  auto* gravity = dynamic_cast<TGravCnstr*>(world.FindObject(6));
  EXPECT_NO_THROW(Answer(*gravity, TGravCnstr::kCommand));
  EXPECT_EQ(host.asked.size(), 2u);
  world.SetHost(nullptr);
}

// ---- Worlds run by the solver ------------------------------------------------------------------

// A ball thrown under gravity through air whose resistance is linear in its speed: both
// components relax exponentially towards the terminal velocity.
TEST_F(FieldTest, ProjectileWithLinearDragFollowsTheClosedForm) {
  constexpr double kDrag = 0.8, kVx = 4.0, kVy = 6.0;
  const auto document = SaveAndReopen([=](TWorldDoc& world) {
    AddGround(world);
    AddCircle(world, 2, 0.0, 0.0, kVx, kVy);
    auto& gravity = AddField<TGravCnstr, TGravGroup>(world, 4, 3);
    gravity.SetNumberProperty(kTagLineGravity, kGravity);
    gravity.SelectChoice(kTagGravLine);
    auto& air = AddField<TAirCnstr, TAirGroup>(world, 6, 5);
    air.SetNumberProperty(kTagAirLinearCoefficient, kDrag);
    air.SelectChoice(kTagAirLinear);
  });
  TWorldDoc& world = document->World();
  // The force is the coefficient times the body's width across the motion, its diameter.
  const double k = kDrag * 2.0 * kRadius;
  const double g = kGravity;
  constexpr int16_t kFrames = 60;
  world.RunToFrame(kFrames, nullptr);
  TFrameStore& store = *world.GetStore();
  ASSERT_EQ(store.FrameCount(), kFrames + 1);
  const double step = world.GetEngine()->TimeStep();
  for (int32_t frame = 0; frame <= kFrames; ++frame) {
    const double t = frame * step, e = std::exp(-k * t);
    EXPECT_NEAR(store.Value(frame, 0), kVx / k * (1.0 - e), 1e-9) << frame;
    EXPECT_NEAR(store.Value(frame, 1), (kVy + g / k) / k * (1.0 - e) - g / k * t, 1e-9) << frame;
    EXPECT_NEAR(store.Value(frame, 3), kVx * e, 1e-9) << frame;
    EXPECT_NEAR(store.Value(frame, 4), (kVy + g / k) * e - g / k, 1e-9) << frame;
  }
}

// A ball coasting through air whose resistance grows with the square of its speed slows as
// v0 / (1 + k v0 t); a ball pushed by a custom field of constant force speeds up uniformly.
TEST_F(FieldTest, QuadraticDragAndACustomPushFollowTheClosedForms) {
  constexpr double kDrag = 0.6, kSpeed = 5.0, kPush = 1.5;
  const auto document = SaveAndReopen([=](TWorldDoc& world) {
    AddGround(world);
    TOval& coasting = AddCircle(world, 2, 0.0, 0.0, kSpeed, 0.0);
    TOval& pushed = AddCircle(world, 3, 0.0, 1.0, 0.0, 0.0);
    auto& air = AddField<TAirCnstr, TAirGroup>(world, 5, 4);
    air.SetNumberProperty(kTagAirQuadraticCoefficient, kDrag);
    air.SelectChoice(kTagAirQuadratic);
    auto* airGroup = dynamic_cast<TAirGroup*>(world.FindObject(4));
    airGroup->SetMode(1, 1);
    airGroup->Include(&coasting);
    auto& custom = AddField<TCustomCnstr, TCustomGroup>(world, 7, 6);
    custom.SelectChoice(kTagCustomField);
    TFormula push(kPush);
    custom.SetFormulaProperty(kTagCustomForceX, push);
    auto* customGroup = dynamic_cast<TCustomGroup*>(world.FindObject(6));
    customGroup->SetMode(1, 1);
    customGroup->Include(&pushed);
  });
  TWorldDoc& world = document->World();
  const double k = kDrag * 2.0 * kRadius;
  constexpr int16_t kFrames = 40;
  world.RunToFrame(kFrames, nullptr);
  TFrameStore& store = *world.GetStore();
  const double step = world.GetEngine()->TimeStep();
  for (int32_t frame = 0; frame <= kFrames; ++frame) {
    const double t = frame * step;
    EXPECT_NEAR(store.Value(frame, 0), std::log1p(k * kSpeed * t) / k, 1e-9) << frame;
    EXPECT_NEAR(store.Value(frame, 3), kSpeed / (1.0 + k * kSpeed * t), 1e-9) << frame;
    EXPECT_NEAR(store.Value(frame, 8), kPush * t * t / 2.0, 1e-9) << frame;
    EXPECT_NEAR(store.Value(frame, 9), 1.0, 1e-12) << frame;
  }
}

// Two opposite charges of equal mass circle their centre of mass.
TEST_F(FieldTest, OppositeChargesOrbitWithTheClosedFormPeriod) {
  constexpr double kDistance = 1.0, kConstant = 2.0;
  // Each body of mass 1 circles at half the distance: v^2 / (d/2) = k / d^2.
  const double speed = std::sqrt(kConstant / (2.0 * 1.0 * kDistance));
  const auto document = SaveAndReopen([=](TWorldDoc& world) {
    AddGround(world);
    TOval& a = AddCircle(world, 2, -kDistance / 2, 0.0, 0.0, -speed);
    TOval& b = AddCircle(world, 3, kDistance / 2, 0.0, 0.0, speed);
    a.SetFormulaProperty(kTagCharge, TFormula(1.0));
    b.SetFormulaProperty(kTagCharge, TFormula(-1.0));
    auto& electric = AddField<TElectCnstr, TElectGroup>(world, 5, 4);
    electric.SetNumberProperty(kTagElectConstant, kConstant);
    electric.SelectChoice(kTagElectOn);
  });
  TWorldDoc& world = document->World();
  const double period = std::numbers::pi * kDistance / speed;
  const double step = world.GetEngine()->TimeStep();
  const auto frames = static_cast<int16_t>(std::ceil(period / step));
  world.RunToFrame(frames, nullptr);
  TFrameStore& store = *world.GetStore();
  for (int32_t frame = 0; frame <= frames; ++frame) {
    const double angle = 2.0 * std::numbers::pi * frame * step / period;
    EXPECT_NEAR(store.Value(frame, 8), kDistance / 2 * std::cos(angle), 1e-9) << frame;
    EXPECT_NEAR(store.Value(frame, 9), kDistance / 2 * std::sin(angle), 1e-9) << frame;
    EXPECT_NEAR(store.Value(frame, 0), -store.Value(frame, 8), 1e-9) << frame;
  }
}

// The electric pair arrow of one of the orbiting charges names the field and the body in its
// formulas, and a run records its one pair: the other charge's pull, k q1 q2 / r^2 towards it.
// A field that leaves the world is forgotten and the next one is found.
TEST_F(FieldTest, PairArrowsNameTheWorldsFieldAndFollowItsChanges) {
  constexpr double kDistance = 1.0, kConstant = 2.0;
  const double speed = std::sqrt(kConstant / (2.0 * 1.0 * kDistance));
  const auto document = SaveAndReopen([=](TWorldDoc& world) {
    AddGround(world);
    AddCircle(world, 2, -kDistance / 2, 0.0, 0.0, -speed).SetFormulaProperty(kTagCharge,
                                                                           TFormula(1.0));
    AddCircle(world, 3, kDistance / 2, 0.0, 0.0, speed).SetFormulaProperty(kTagCharge,
                                                                         TFormula(-1.0));
    auto& electric = AddField<TElectCnstr, TElectGroup>(world, 5, 4);
    electric.SetNumberProperty(kTagElectConstant, kConstant);
    electric.SelectChoice(kTagElectOn);
  });
  TWorldDoc& world = document->World();
  auto* body = dynamic_cast<TOval*>(world.FindObject(2));
  ASSERT_NE(body, nullptr);
  body->DoCommandValue(kCmdShowElectrostatic, 1);
  auto* arrow = dynamic_cast<TVectorArrow693*>(body->GetArrow(7));
  ASSERT_NE(arrow, nullptr);
  ASSERT_EQ(arrow->FormulaCount(), 11);
  Str255 text;
  arrow->FormulaAt(2)->GetText(text);
  EXPECT_STREQ(text.AsCString(), "constraintforcepair(5,2,1).x");
  world.RunToFrame(4, nullptr);
  world.ShowFrame(2, 1);
  ASSERT_EQ(arrow->PairCount(), 1);
  TFrameStore& store = *world.GetStore();
  const double dx = store.Value(2, 8) - store.Value(2, 0),
               dy = store.Value(2, 9) - store.Value(2, 1);
  const double r = std::hypot(dx, dy);
  TVector pull{0.0, 0.0};
  ASSERT_TRUE(arrow->GetPairValue(1, pull));
  EXPECT_NEAR(pull.x, kConstant * dx / (r * r * r), 1e-12);
  EXPECT_NEAR(pull.y, kConstant * dy / (r * r * r), 1e-12);
  EXPECT_NE(pull.y, 0.0);

  TGlobalVectorHandler* handler = body->GetVectorHandler();
  ASSERT_NE(handler, nullptr);
  EXPECT_EQ(handler->GetFieldNumber(7), 5);
  auto& second = AddField<TElectCnstr, TElectGroup>(world, 7, 6);
  second.SelectChoice(kTagElectOn);
  world.RemoveObject(world.FindObject(5));
  EXPECT_EQ(handler->GetElectricField(), &second);
  EXPECT_EQ(handler->GetFieldNumber(7), 7);
  // The arrow heard that its field left: rebuilt, it names the next one.
  ASSERT_EQ(arrow->FormulaCount(), 11);
  arrow->FormulaAt(2)->GetText(text);
  EXPECT_STREQ(text.AsCString(), "constraintforcepair(7,2,1).x");
  world.RemoveObject(&second);
  EXPECT_FALSE(handler->HasElectrostaticField());
  EXPECT_EQ(handler->IsFieldActive(7), 0);

  // Gravity shown while the world has none takes the uniform form; a field between bodies that
  // joins the world moves it to the pair form, naming that field.
  body->DoCommandValue(kCmdShowGravity, 1);
  ASSERT_NE(body->GetArrow(3), nullptr);
  auto& group = Add<TGravGroup>(world, 8);
  auto planetary = std::make_unique<TGravCnstr>();
  planetary->Initialize();
  planetary->SetIdentifier(9);
  planetary->SetFieldGroup(&group);
  planetary->SetShortProperty(kTagAlwaysActive, 1);
  planetary->SelectChoice(kTagGravPlanetary);
  world.AdoptObject(std::move(planetary));
  EXPECT_EQ(handler->GetFieldNumber(6), 9);
  EXPECT_EQ(body->GetArrow(3), nullptr);
  auto* pairs = dynamic_cast<TVectorArrow693*>(body->GetArrow(6));
  ASSERT_NE(pairs, nullptr);
  ASSERT_EQ(pairs->FormulaCount(), 11);
  pairs->FormulaAt(1)->GetText(text);
  EXPECT_STREQ(text.AsCString(), "constraintpairs(9,2)");
}

// Two balls of the collision group meet head on and swap their velocities; a third, outside the
// group, passes through the one it meets. A pair with a point, as older documents may hold, is
// no pair of bodies and changes nothing.
TEST_F(FieldTest, BodiesOfTheCollisionGroupBounceWhileOthersPassThrough) {
  const auto document = SaveAndReopen([](TWorldDoc& world) {
    AddGround(world);
    TOval& a = AddCircle(world, 2, 0.0, 0.0, 1.0, 0.0);
    TOval& b = AddCircle(world, 3, 1.0, 0.0, 0.0, 0.0);
    TOval& c = AddCircle(world, 4, 3.0, 0.0, -1.0, 0.0);
    for (TOval* ball : {&a, &b, &c}) {
      ball->SetFormulaProperty(kTagElasticity, TFormula(1.0));
      ball->SetFormulaProperty(kTagStaticFriction, TFormula(0.0));
      ball->SetFormulaProperty(kTagKineticFriction, TFormula(0.0));
    }
    TPoint& point = Add<TPoint>(world, 6);
    point.AttachToBody(&c);
    TCollisionGroup& group = Add<TCollisionGroup>(world, 5);
    group.SetMode(2, 1);
    group.IncludePair(&a, &b);
    group.IncludePair(&b, &point);
  });
  TWorldDoc& world = document->World();
  const double step = world.GetEngine()->TimeStep();
  const auto frames = static_cast<int16_t>(std::ceil(2.0 / step));
  world.RunToFrame(frames, nullptr);
  TFrameStore& store = *world.GetStore();
  // a meets b when their centres are a diameter apart, at t = 0.8.
  const double meet = 1.0 - 2.0 * kRadius;
  const double t = frames * step;
  EXPECT_NEAR(store.Value(frames, 0), meet, 1e-9);
  EXPECT_NEAR(store.Value(frames, 3), 0.0, 1e-9);
  EXPECT_NEAR(store.Value(frames, 8), 1.0 + (t - meet), 1e-9);
  EXPECT_NEAR(store.Value(frames, 11), 1.0, 1e-9);
  EXPECT_NEAR(store.Value(frames, 16), 3.0 - t, 1e-9);
  EXPECT_NEAR(store.Value(frames, 19), -1.0, 1e-9);
}

}  // namespace
