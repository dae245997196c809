#include <gtest/gtest.h>

#include "core/Failure.h"
#include "model/command/FormulaPropertyOp.h"
#include "model/filing/ObjectReader.h"
#include "tests/model/command/TestWorld.h"

namespace command_test {
namespace {

constexpr uint32_t kValueTag = MakeTag("valu");
constexpr int16_t kBlockValue = 1210;

// A thing whose value is a formula that may read another thing's value (twice it).
class TFormulaThing : public TThing {
 public:
  explicit TFormulaThing(std::vector<TFormulaThing*>& all) : all_(all) { all_.push_back(this); }

  void ReportPropertyBlocks(uint32_t tag, uint16_t& found, BlockCallback blockCallback,
                            ObjectCallback objectCallback, void* blockContext,
                            void* objectContext) override {
    if (tag != kValueTag) {
      return TThing::ReportPropertyBlocks(tag, found, blockCallback, objectCallback, blockContext,
                                          objectContext);
    }
    blockCallback(kBlockValue, blockContext);
    objectCallback(objectContext);
  }
  void AddFormulaDependants(uint16_t, std::vector<TLink*>& first, std::vector<TLink*>&) override {
    for (TFormulaThing* thing : all_)
      if (thing->reads == this) first.push_back(thing);
  }
  void SetFormulaProperty(uint32_t tag, const TFormula& formula) override {
    if (tag == kValueTag) Take(formula);
  }
  void SetCachedFormula(uint32_t tag, const TFormula& formula, TGeometryObjectCache*) override {
    if (tag != kValueTag) return;
    Take(formula);
    if (readsAfterChange != nullptr) reads = readsAfterChange;
  }
  void SetFormulaUpdate(uint16_t on) override { updates.push_back(on); }
  void Recompute() {
    if (reads != nullptr) value = 2 * reads->value;
  }

  uint16_t ReadBlockContents(int16_t code, TObjectReader& reader) override {
    if (code != kBlockValue) return TThing::ReadBlockContents(code, reader);
    value = reader.ReadReal();
    reader.ReadFormula(formula);
    const int32_t id = reader.ReadInt();
    reads = nullptr;
    for (TFormulaThing* thing : all_)
      if (thing->GetIdentifier() == id) reads = thing;
    return 1;
  }
  void WriteBlockContents(int16_t code, TObjectWriter& writer) override {
    if (code != kBlockValue) return TThing::WriteBlockContents(code, writer);
    writer.WriteDouble(value);
    writer.WriteFormula(&formula);
    writer.WriteCode(reads != nullptr ? reads->GetIdentifier() : 0);
  }
  void WriteFields(TObjectWriter& writer) override {
    writer.WriteBlock(*this, kBlockValue);
    TThing::WriteFields(writer);
  }

  TFormula formula;
  double value = 1.0;
  TFormulaThing* reads = nullptr;
  TFormulaThing* readsAfterChange = nullptr;
  std::vector<uint16_t> updates;

 private:
  void Take(const TFormula& given) {
    formula = given;
    value = given.GetValue();
  }
  std::vector<TFormulaThing*>& all_;
};

class FormulaPropertyOpTest : public ::testing::Test {
 protected:
  void SetUp() override {
    InitHandlePool();
    ProgressTimerInterval() = 0;
    // c reads b, which reads a; d reads nothing.
    a = &world.Add<TFormulaThing>(2, all);
    b = &world.Add<TFormulaThing>(3, all);
    c = &world.Add<TFormulaThing>(4, all);
    d = &world.Add<TFormulaThing>(5, all);
    b->reads = a;
    c->reads = b;
    b->Recompute();
    c->Recompute();
    world.recompute = [this](RecomputeProgress, void*) {
      for (TLink* object : world.recomputed)
        static_cast<TFormulaThing*>(object)->Recompute();
    };
  }
  void TearDown() override {
    world.things.clear();
    ProgressTimerInterval() = 100;
    FreeHandlePool();
  }
  // A command setting the value of the target to the constant.
  std::unique_ptr<TFormulaPropertyOp> SetValue(TFormulaThing* target, double constant) {
    auto command = std::make_unique<TFormulaPropertyOp>();
    const TFormula formula(constant);
    command->InitValue(1500, &world, 1, kValueTag, &formula);
    command->AddTarget(target);
    return command;
  }

  std::vector<TFormulaThing*> all;
  TTestWorld world{0};
  TFormulaThing *a = nullptr, *b = nullptr, *c = nullptr, *d = nullptr;
};

TEST_F(FormulaPropertyOpTest, DependantsAreRecomputedInOrderAndTheChangeUndoes) {
  const auto before = world.DocumentBytes();
  auto command = SetValue(a, 5.0);
  command->Perform();
  EXPECT_EQ(world.recomputed, (std::vector<TLink*>{b, c}));
  EXPECT_EQ(a->value, 5.0);
  EXPECT_EQ(b->value, 10.0);
  EXPECT_EQ(c->value, 20.0);
  // The bracket: the target is told first, every object is told the end.
  EXPECT_EQ(a->updates.front(), 0);
  EXPECT_EQ(a->updates.back(), 1);
  EXPECT_EQ(d->updates, std::vector<uint16_t>{1});
  EXPECT_EQ(world.endUpdates, 1);
  EXPECT_EQ(world.redraws, 1);
  const auto after = world.DocumentBytes();
  command->Undo();
  EXPECT_EQ(world.DocumentBytes(), before);
  EXPECT_EQ(c->value, 4.0);
  command->Redo();
  EXPECT_EQ(world.DocumentBytes(), after);
  EXPECT_EQ(world.toolRefreshes, 2);
}

TEST_F(FormulaPropertyOpTest, AFormulaThatWouldReadItselfIsRefusedAndNothingChanges) {
  const auto before = world.DocumentBytes();
  a->readsAfterChange = c;  // c reads b reads a reads c
  auto command = SetValue(a, 5.0);
  try {
    command->Perform();
    FAIL() << "a circle of formulas must be refused";
  } catch (const QVException& failure) {
    EXPECT_EQ(failure.error(), kErrFormulaCycle);
  }
  EXPECT_EQ(world.DocumentBytes(), before);
  EXPECT_EQ(a->reads, nullptr);
  EXPECT_EQ(world.endUpdates, 1);
}

TEST_F(FormulaPropertyOpTest, WithoutDependantsTheFormulaIsSetPlainly) {
  auto command = SetValue(d, 3.0);
  command->Perform();
  EXPECT_EQ(command->DependantsCollected(), 0);
  EXPECT_EQ(d->value, 3.0);
  EXPECT_TRUE(world.recomputed.empty());
  EXPECT_TRUE(d->updates.empty());
}

using Failure = std::pair<int16_t, int32_t>;

TEST_F(FormulaPropertyOpTest, FailuresOfTheRecomputationAreTurnedAsTheUserShouldSeeThem) {
  const auto failureOf = [this](int16_t raised, int16_t stored) -> Failure {
    world.recompute = [raised, stored](RecomputeProgress, void* state) {
      static_cast<TFormulaProgressState*>(state)->failureError = stored;
      ThrowFailure(raised, 0);
    };
    auto command = SetValue(a, 7.0);
    try {
      command->Perform();
    } catch (const QVException& failure) {
      return {failure.error(), failure.message()};
    }
    return {1, 1};
  };
  EXPECT_EQ(failureOf(-25104, 0), Failure(-25104, 32609 << 16 | 3));
  EXPECT_EQ(failureOf(-25107, 0), Failure(0, 0));
  EXPECT_EQ(failureOf(-25008, 0), Failure(0, 0));
  EXPECT_EQ(failureOf(-25001, 0), Failure(-25001, 0));
  EXPECT_EQ(failureOf(-25008, -39), Failure(0, 0));
  EXPECT_EQ(failureOf(-25104, -39), Failure(-39, 0));
  EXPECT_EQ(a->value, 1.0);  // every failure rolled the world back
}

}  // namespace
}  // namespace command_test
