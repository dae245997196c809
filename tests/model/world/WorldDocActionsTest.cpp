// What the world answers to the commands made on it, with the object model alone: its edit
// state and selections, which of its objects read another in their formulas, and a
// recomputation that stops when asked or cannot read a world.

#include <gtest/gtest.h>

#include <algorithm>

#include "core/List.h"
#include "model/GeometryManagerHook.h"
#include "model/command/FormulaDependants.h"
#include "tests/model/world/WorldTestSupport.h"

namespace world_test {
namespace {

constexpr int16_t kBodyClass = 523;
constexpr int16_t kPointClass = 686;
constexpr int16_t kErrChangeStopped = -25107;

// A world object with one formula, counted as a body or a point by its class.
template <int16_t kRole>
class TFormulaObject : public TRoleObject<kRole> {
 public:
  TFormula formula;
  std::vector<TFormula*> changed;
  void ForEachFormula(void (*function)(TFormula*, void*), void* context) override {
    function(&formula, context);
  }
  void FormulaChanged(TFormula* which) override { changed.push_back(which); }
};

class WorldDocActionsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    scope = std::make_unique<WorldScope>();
    world = std::make_unique<TWorldDoc>();
  }
  void TearDown() override {
    world.reset();
    scope.reset();
  }

  template <int16_t kRole>
  TFormulaObject<kRole>& Add(int16_t identifier, const char* name, const char* text) {
    auto object = std::make_unique<TFormulaObject<kRole>>();
    object->Initialize();
    object->SetIdentifier(identifier);
    object->SetName(Str255(name));
    if (text != nullptr) object->formula.SetFromPieces(Str255(text));
    TFormulaObject<kRole>& added = *object;
    world->AdoptObject(std::move(object));
    return added;
  }

  std::unique_ptr<WorldScope> scope;
  std::unique_ptr<TWorldDoc> world;
};

TEST_F(WorldDocActionsTest, TheReadersOfAnObjectAreTheObjectsWhoseFormulasNameIt) {
  auto& wheel = Add<kBodyClass>(2, "Wheel", nullptr);
  auto& byNumber = Add<kBodyClass>(3, "", "body[2].p.x + 1");
  auto& byName = Add<kPointClass>(4, "", "wheel.v.y * 2");
  auto& ofPoint = Add<kBodyClass>(5, "", "point[4].p.x");
  Add<kBodyClass>(6, "", "body[9].p.x + point[2].p.y");  // names no object of the world
  Add<kBodyClass>(7, "", "3 + 4");

  std::vector<TLink*> first;
  std::vector<TLink*> second;
  wheel.AddFormulaDependants(0, first, second);
  EXPECT_EQ(first, (std::vector<TLink*>{&byNumber, &byName}));
  EXPECT_TRUE(second.empty());

  // The walk reaches the readers of readers, and orders them after what they read.
  TFormulaDependants walk;
  walk.AddSource(&wheel);
  walk.Collect(first, second);
  ASSERT_EQ(first.size(), 3u);
  const auto at = [&first](TLink* object) {
    return std::find(first.begin(), first.end(), object) - first.begin();
  };
  EXPECT_LT(at(&byNumber), 3);
  EXPECT_LT(at(&byName), at(&ofPoint));
  EXPECT_LT(at(&ofPoint), 3);
}

TEST_F(WorldDocActionsTest, RecomputationStopsWhenAskedAndFailsWithoutAWorldToRead) {
  Add<kBodyClass>(2, "Wheel", nullptr);
  auto& reader = Add<kBodyClass>(3, "", "body[2].p.x + 1");
  struct Seen {
    std::vector<double> reached;
    bool stop = false;
  } seen;
  const RecomputeProgress progress = [](void* state, double start, double reached,
                                        double total) {
    auto* s = static_cast<Seen*>(state);
    EXPECT_EQ(start, 0.0);
    EXPECT_EQ(total, 1.0);
    s->reached.push_back(reached);
    return s->stop;
  };
  seen.stop = true;
  try {
    world->RecomputeFormulas({&reader}, {}, nullptr, progress, &seen);
    FAIL() << "a stopped recomputation went on";
  } catch (const QVException& failure) {
    EXPECT_EQ(failure.error(), kErrChangeStopped);
  }
  EXPECT_EQ(seen.reached, std::vector<double>{0.0});
  EXPECT_TRUE(reader.changed.empty());

  // No geometry manager is registered here: there is no world for the formula to read.
  seen.stop = false;
  EXPECT_EQ(world->FindItem(kGeometryManagerTag), nullptr);
  try {
    world->RecomputeFormulas({}, {&reader}, nullptr, progress, &seen);
    FAIL() << "a formula reading the world was computed without one";
  } catch (const QVException& failure) {
    EXPECT_EQ(failure.error(), FormulaErrorNumber(kFormulaNoProgram));
  }
}

TEST_F(WorldDocActionsTest, TheEditStateTheStateWordAndTheKeptSelectionsAreTheWorldsOwn) {
  TActionContext& context = *world;
  EXPECT_EQ(&context.ContextLink(), world.get());
  context.EditState().mode = TEditState::kUndoing;
  EXPECT_EQ(world->EditState().mode, TEditState::kUndoing);
  EXPECT_EQ(context.SwapStateWord(5), 0);
  EXPECT_EQ(context.SwapStateWord(0), 5);

  // A selection handed over to keep is the world's: forgetting it frees it, but not while it
  // is current.
  auto made = std::make_unique<TList>();
  made->IList();
  TList* selection = made.release();
  context.KeepSelection(selection);
  context.KeepSelection(selection);
  EXPECT_EQ(context.SwapSelection(selection), nullptr);
  EXPECT_EQ(context.CurrentSelection(), selection);
  context.ForgetSelection(selection);
  EXPECT_EQ(selection->GetCount(), 0);  // still there
  EXPECT_EQ(context.SwapSelection(nullptr), selection);
  EXPECT_EQ(context.CurrentSelection(), nullptr);
  context.ForgetSelection(selection);
  // One kept and never forgotten goes with the world.
  auto other = std::make_unique<TList>();
  other->IList();
  context.KeepSelection(other.release());
}

}  // namespace
}  // namespace world_test
