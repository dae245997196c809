// Details of the simulation's side of a run: unit choices and typed quantities, the input value
// records handed to the engine, interaction queries on objects that are gone, and the world's
// recorded-frame store when its history is cleared.

#include <cstring>
#include <string>

#include <gtest/gtest.h>

#include "core/Failure.h"
#include "model/Formula.h"
#include "model/world/RunBridge.h"
#include "model/world/WorldDoc.h"
#include "simulation/DimensionCode.h"
#include "simulation/Engine.h"
#include "simulation/FormulaWorld.h"
#include "simulation/UnitHandler.h"
#include "simulation/UnitTables.h"
#include "simulation/WorldBridge.h"
#include "tests/simulation/FilingScope.h"

namespace {

TEST(BridgeDetailsTest, UnitChoicesReadAsShortsAndTypedQuantitiesMayEndInSpaces) {
  TWorldUnitHandler units;
  units.SetUnit(kQuantityTime, 3);
  units.SetUnit(kQuantityMass, 2);
  uint16_t index = 0xFFFF;
  ASSERT_EQ(units.GetShortProperty(MakeTag("un_T"), index, nullptr), 1);
  EXPECT_EQ(index, 3);
  ASSERT_EQ(units.GetShortProperty(MakeTag("un_M"), index, nullptr), 1);
  EXPECT_EQ(index, 2);
  units.SetShortProperty(MakeTag("un_T"), 1);
  EXPECT_EQ(units.GetUnit(kQuantityTime), 1);

  double value = -1.0;
  const auto read = [&](const char* text, uint32_t code) {
    return units.ReadQuantity(Str255(text), static_cast<int32_t>(code), value);
  };
  EXPECT_TRUE(read("2.5 cm ", kDimensionLength));
  EXPECT_DOUBLE_EQ(value, 0.025);
  EXPECT_TRUE(read("  3 ft   ", kDimensionLength));
  EXPECT_DOUBLE_EQ(value, 0.9144);
  // A derived quantity is read in the unit it is shown in, spaces around it or not.
  Str255 shown;
  units.GetUnitName(static_cast<int32_t>(kDimensionAcceleration), shown);
  const std::string name(shown.Chars(), static_cast<size_t>(shown.Length()));
  ASSERT_FALSE(name.empty());
  EXPECT_TRUE(read(("4 " + name + "  ").c_str(), kDimensionAcceleration)) << name;
  EXPECT_DOUBLE_EQ(value, 4.0);
  units.SetUnitSystem(2);
  EXPECT_TRUE(read("250  ", kDimensionLength));
  EXPECT_DOUBLE_EQ(value, 2.5);
}

TEST(BridgeDetailsTest, InputRecordsKeepTheFirstRecordAsMoreAreAdded) {
  TInputRecords records;
  ASSERT_TRUE(records.Add(11, 1.5));
  for (int32_t identifier = 12; records.Add(identifier, identifier * 0.5);) {
    ++identifier;
  }
  ASSERT_EQ(records.Count(), TInputRecords::kMostInputs);
  for (int32_t i = 0; i < records.Count(); ++i) {
    int32_t identifier = 0;
    double value = 0.0;
    std::memcpy(&identifier, records.Bytes() + 12 * i, 4);
    std::memcpy(&value, records.Bytes() + 12 * i + 4, 8);
    EXPECT_EQ(identifier, 11 + i) << i;
    EXPECT_EQ(value, i == 0 ? 1.5 : (11 + i) * 0.5) << i;
  }
  int32_t end = -1;
  std::memcpy(&end, records.Bytes() + 12 * records.Count(), 4);
  EXPECT_EQ(end, 0);
}

int16_t ErrorOf(auto&& code) {
  try {
    code();
  } catch (const QVException& failure) {
    return failure.error();
  }
  return 1;
}

TEST(BridgeDetailsTest, InteractionQueriesOnObjectsNotInTheWorldFailAsUnknown) {
  TFormulaWorld world;
  TFormulaObjectState wheel;
  wheel.number = 1;
  wheel.name = "Wheel";
  world.SetObject(wheel);
  world.SetInteraction(FormulaInteraction::kContactPairs, {FormulaObjectKind::kNumber, 0},
                       {FormulaObjectKind::kBody, 1}, 0, {3.0, 0.0, 0.0});
  for (const char* text : {"contactpairs(1)", "collisionpairs(1)", "contactpairs(Wheel)"}) {
    TFormula formula;
    formula.SetFromPieces(text);
    const double expected = std::string(text) == "collisionpairs(1)" ? 0.0 : 3.0;
    EXPECT_EQ(formula.Evaluate(&world), expected) << text;
  }
  for (const char* text : {"contactpairs(7)", "collisionpairs(7)", "contactforcepair(7,1).x"}) {
    TFormula formula;
    formula.SetFromPieces(text);
    ASSERT_EQ(formula.CompileError(), 0) << text;
    EXPECT_EQ(ErrorOf([&] { formula.Evaluate(&world); }), -28806) << text;
  }
}

TEST(BridgeDetailsTest, ClearingTheWorldsHistoryClearsItsDropMark) {
  simulation_test::FilingScope scope;
  InstallWorldBridge();
  {
    TWorldDoc world;
    world.ResetHistory(1);
    TFrameStore* store = world.GetStore();
    ASSERT_NE(store, nullptr);
    store->SetValuesPerFrame(3);
    store->SetFrameCount(6);
    store->SetMark(true);
    store->SetFrameCount(9);
    ASSERT_TRUE(store->HasMark());
    ASSERT_GT(store->FirstHeldFrame(), 0);
    store->SetCurrentFrame(8);

    world.ResetHistory(1);
    EXPECT_FALSE(store->HasMark());
    EXPECT_EQ(store->FrameCount(), 0);
    EXPECT_EQ(store->FirstHeldFrame(), 0);
    EXPECT_EQ(store->CurrentFrame(), -1);
    // Recording again starts at frame 0 with every frame held.
    store->SetFrameCount(4);
    EXPECT_EQ(store->FirstHeldFrame(), 0);
  }
  SetRunBridgeHooks({});
}

}  // namespace
