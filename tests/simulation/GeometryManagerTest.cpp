#include "simulation/GeometryManager.h"

#include <gtest/gtest.h>

#include "core/Failure.h"
#include "core/List.h"
#include "model/world/WorldDoc.h"
#include "model/world/WorldParticipants.h"
#include "simulation/FormulaWorld.h"

namespace {

// An object placed by three formulas, as points are.
class TPlaced : public TLink {
 public:
  TFormula* GetFormulaProperty(uint32_t tag, double*, double*, int32_t*, uint16_t*) override {
    for (int i = 0; i < 3; ++i)
      if (tag == kGeometryTags[3 + i]) return &place[i];
    return nullptr;
  }
  void SetFormulaProperty(uint32_t tag, const TFormula& formula) override {
    if (TFormula* kept = GetFormulaProperty(tag, nullptr, nullptr, nullptr, nullptr))
      kept->Assign(formula);
  }
  TFormula place[3];
};

// Joins a to b, and records what it was asked to assemble.
class Assembly : public TGeometryAssembly {
 public:
  void CollectJoined(const std::vector<TLink*>& targets, std::vector<TLink*>& joined) override {
    for (TLink* target : targets)
      if (target == a) joined.push_back(b);
  }
  void Assemble(const std::vector<TLink*>& objects, int16_t flag) override {
    assembled.push_back({objects, flag});
  }
  TLink* a = nullptr;
  TLink* b = nullptr;
  std::vector<std::pair<std::vector<TLink*>, int16_t>> assembled;
};

class GeometryManagerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    assembly.a = &a;
    assembly.b = &b;
    manager.SetAssembly(&assembly);
    targets.IList();
    targets.InsertLast(&a);
    a.place[0].SetConstant(1.0);
    b.place[0].SetConstant(2.0);
  }
  void TearDown() override { targets.DeleteAll(); }
  TPlaced a;
  TPlaced b;
  Assembly assembly;
  TWorldGeometryManager manager;
  TList targets;
};

TEST_F(GeometryManagerTest, PreparedGeometryOfTargetsAndJoinedObjectsIsUndone) {
  manager.Prepare(targets, 1, 1);
  ASSERT_TRUE(manager.HasPreparedGeometry());
  a.place[0].SetConstant(10.0);
  b.place[0].SetFromPieces("time * 2");
  manager.SwapPreparedGeometry();  // undo
  EXPECT_EQ(a.place[0].GetValue(), 1.0);
  EXPECT_FALSE(b.place[0].IsFormula());
  EXPECT_EQ(b.place[0].GetValue(), 2.0);
  manager.SwapPreparedGeometry();  // redo
  EXPECT_EQ(a.place[0].GetValue(), 10.0);
  EXPECT_TRUE(b.place[0].IsFormula());

  // Without the joined objects, only the target is remembered.
  manager.Prepare(targets, 0, 1);
  b.place[0].SetConstant(5.0);
  manager.SwapPreparedGeometry();
  EXPECT_EQ(b.place[0].GetValue(), 5.0);
}

TEST_F(GeometryManagerTest, RegisteredTargetsAndRelinkedFormulasAreAssembled) {
  const auto registration = manager.Register(targets, 1151);
  ASSERT_NE(registration, nullptr);
  manager.Finish(*registration);
  ASSERT_EQ(assembly.assembled.size(), 1u);
  EXPECT_EQ(assembly.assembled[0].first, std::vector<TLink*>{&a});

  TList geometry;
  geometry.IList();
  EXPECT_EQ(manager.HasPendingWork(), 0);
  manager.Relink(targets, 1, 1, 1, nullptr, geometry);
  EXPECT_EQ(geometry.GetCount(), 2);
  EXPECT_EQ(manager.HasPendingWork(), 1);
  manager.Flush(0);
  EXPECT_EQ(manager.HasPendingWork(), 0);
  ASSERT_EQ(assembly.assembled.size(), 2u);
  EXPECT_EQ(assembly.assembled[1].first, (std::vector<TLink*>{&a, &b}));
  geometry.DeleteAll();

  // Objects being dragged: added, updated as new, removed.
  const auto record = manager.AddObjects(targets);
  manager.UpdateObject(1);
  EXPECT_EQ(assembly.assembled.back().second, 1);
  manager.RefreshRecord(*record);
  EXPECT_EQ(assembly.assembled.size(), 4u);
  manager.RemoveObjects();
  manager.UpdateObject(0);
  EXPECT_EQ(assembly.assembled.size(), 4u);

  // An object that leaves the world is forgotten: nothing waits on it, nothing restores it.
  TList both;
  both.IList();
  both.InsertLast(&a);
  both.InsertLast(&b);
  manager.Prepare(both, 0, 1);
  const auto dragged = manager.AddObjects(both);
  manager.Relink(both, 0, 1, 1, nullptr, geometry);
  manager.ObjectRemoved(&b);
  EXPECT_EQ(manager.MovedObjects(), std::vector<TLink*>{&a});
  b.place[0].SetConstant(99.0);
  manager.SwapPreparedGeometry();
  EXPECT_EQ(b.place[0].GetValue(), 99.0);
  manager.Flush(0);
  EXPECT_EQ(assembly.assembled.back().first, std::vector<TLink*>{&a});
  both.DeleteAll();
  geometry.DeleteAll();
}

TEST_F(GeometryManagerTest, FormulasMustNameObjectsTheWorldHolds) {
  TFormulaWorld world;
  TFormulaObjectState wheel;
  wheel.number = 1;
  wheel.name = "Wheel";
  world.SetObject(wheel);
  manager.SetFormulaWorld(&world);
  TFormula formula;
  formula.SetFromPieces("Wheel.p.x + body[1].v.y + self.mass * 0 + time");
  EXPECT_NO_THROW(manager.CheckFormula(formula, 0, 0));
  formula.SetFromPieces("Gone.p.x");
  EXPECT_THROW(manager.CheckFormula(formula, 0, 0), QVException);
  formula.SetFromPieces("body[2].p.x");
  EXPECT_THROW(manager.CheckFormula(formula, 0, 0), QVException);
  formula.SetFromPieces("1 +");
  EXPECT_THROW(manager.CheckFormula(formula, 0, 0), QVException);
  formula.SetConstant(3.0);
  EXPECT_NO_THROW(manager.CheckFormula(formula, 0, 0));
}

// An input control of a world (class 444) with its current value.
class TInput : public TLink, public TRunInput {
 public:
  bool IsMemberClass(int16_t id) const override { return id == 444 || TLink::IsMemberClass(id); }
  double InputValue() const override { return value; }
  double value = 0.0;
};

// A world object formulas know as body 8, wherever it is.
bool DescribeAsBodyEight(TLink& object, TFormulaObjectState& state) {
  if (object.GetIdentifier() != 8) return false;
  state = TFormulaObjectState();
  state.number = 8;
  state.position = FormulaVector{2.5, 0.0, 0.0};
  return true;
}

TEST(GeometryManagerWorldTest, AManagerReadsItsWorldsObjectsAndInputsAsTheyAreNow) {
  TWorldDoc world;
  auto input = std::make_unique<TInput>();
  input->SetIdentifier(7);
  input->value = 1.5;
  TInput& control = *input;
  world.AdoptObject(std::move(input));
  TWorldGeometryManager manager;
  TFormula formula;
  formula.SetFromPieces("Input[7] * 2 + body[8].p.x");
  // Without a world a formula naming an object cannot be checked.
  EXPECT_EQ(manager.FormulaWorld(), nullptr);
  EXPECT_THROW(manager.CheckFormula(formula, 0, 0), QVException);

  manager.AttachWorld(&world);
  EXPECT_THROW(manager.CheckFormula(formula, 0, 0), QVException);
  auto placed = std::make_unique<TPlaced>();
  placed->SetIdentifier(8);
  world.AdoptObject(std::move(placed));
  InstallFormulaObjectDescriber(DescribeAsBodyEight);
  EXPECT_NO_THROW(manager.CheckFormula(formula, 0, 0));
  EXPECT_EQ(formula.Evaluate(manager.FormulaWorld()), 5.5);
  control.value = -1.0;
  EXPECT_EQ(formula.Evaluate(manager.FormulaWorld()), 0.5);
  RemoveFormulaObjectDescriber(DescribeAsBodyEight);
  EXPECT_THROW(formula.Evaluate(manager.FormulaWorld()), QVException);
}

TEST(GeometryManagerHookTest, TheObjectModelFindsTheManagerThroughTheHook) {
  EXPECT_EQ(GeometryManagerOf(nullptr), nullptr);
  TWorldGeometryManager manager;
  TLink other;
  InstallGeometryManagerHook(nullptr);
  EXPECT_EQ(GeometryManagerOf(&manager), nullptr);
  RegisterGeometryManager();
  EXPECT_EQ(GeometryManagerOf(&manager), static_cast<TGeometryManagerHook*>(&manager));
  EXPECT_EQ(GeometryManagerOf(&other), nullptr);
  FreeGeometryManager();
  EXPECT_EQ(GeometryManagerOf(&manager), nullptr);
}

}  // namespace

TEST(GeometryManagerAssemblyTest, ManagersUseTheInstalledAssemblyUnlessGivenTheirOwn) {
  TPlaced a;
  TPlaced b;
  Assembly installed;
  installed.a = &a;
  installed.b = &b;
  InstallGeometryAssembly(&installed);
  TWorldGeometryManager manager;
  TList targets;
  targets.IList();
  targets.InsertLast(&a);
  manager.Finish(*manager.Register(targets, 1151));
  ASSERT_EQ(installed.assembled.size(), 1u);

  Assembly own;
  manager.SetAssembly(&own);
  manager.Finish(*manager.Register(targets, 1151));
  EXPECT_EQ(installed.assembled.size(), 1u);
  EXPECT_EQ(own.assembled.size(), 1u);

  // Without any assembly there is nothing joined and nothing to move.
  manager.SetAssembly(nullptr);
  InstallGeometryAssembly(nullptr);
  TList geometry;
  geometry.IList();
  manager.Relink(targets, 1, 1, 1, nullptr, geometry);
  EXPECT_EQ(geometry.GetCount(), 1);
  manager.Flush(0);
  EXPECT_EQ(installed.assembled.size(), 1u);
  geometry.DeleteAll();
  targets.DeleteAll();
}
