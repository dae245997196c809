#pragma once
// A world harness for constraint runs: bodies, points and the constraint classes registered, a
// class table of the first blocks the objects write, and a stand-in weight field (force fields
// live elsewhere) that writes the record such a field writes.

#include <cmath>
#include <cstring>
#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "bodies/Background.h"
#include "bodies/BodyClasses.h"
#include "bodies/BodyTags.h"
#include "bodies/Shapes.h"
#include "bodies/points/Point.h"
#include "constraints/ConstraintClasses.h"
#include "constraints/Forces.h"
#include "constraints/Pin.h"
#include "constraints/Pistons.h"
#include "constraints/Ropes.h"
#include "constraints/Springs.h"
#include "simulation/DimensionCode.h"
#include "core/ClassRegistry.h"
#include "core/Handle.h"
#include "core/Resources.h"
#include "model/filing/ClassSource.h"
#include "model/filing/ObjectReader.h"
#include "model/filing/ObjectWriter.h"
#include "model/world/Group.h"
#include "model/world/QVDoc.h"
#include "simulation/Engine.h"
#include "simulation/WorldBridge.h"

namespace constraint_runs {

using namespace body_tags;

inline constexpr double kGravity = 9.81;

// The weight of every body of its group: a per-body field as the solver reads it. Force fields
// are not part of this folder; the stand-in writes the record one would.
class TWeightField : public TNamedLink {
  DECLARE_CLASS_ID(9422, TNamedLink)

 public:
  static constexpr uint32_t kTag = MakeTag("TsWp");
  int16_t groupId = 0;

  uint16_t ReadBlockContents(int16_t code, TObjectReader& reader) override {
    if (code != TCnstr::kBlockRecord) return TNamedLink::ReadBlockContents(code, reader);
    TFormula skipped;
    reader.ReadInt();
    reader.ReadFormula(skipped);
    reader.ReadFormula(skipped);
    reader.ReadInt();
    groupId = static_cast<int16_t>(reader.ReadInt());
    reader.ReadFormula(skipped);
    reader.ReadInt();
    reader.ReadInt();
    for (int j = 0; j < 3; ++j) reader.ReadInt();
    reader.ReadFormula(skipped);
    return 1;
  }
  void WriteBlockContents(int16_t code, TObjectWriter& writer) override {
    if (code != TCnstr::kBlockRecord) return TNamedLink::WriteBlockContents(code, writer);
    const TFormula zero(0.0);
    const TFormula one(1.0);
    writer.WriteCode(0);
    writer.WriteFormula(&zero);
    writer.WriteFormula(&one);
    writer.WriteCode(0);
    writer.WriteCode(groupId);
    writer.WriteFormula(&zero);
    writer.WriteCode(0);
    TFormula weight;
    weight.SetFromPieces("-9.81 * self.mass");
    writer.WriteCode(1);
    writer.WriteCode(0);
    writer.WriteCode(0);
    writer.WriteCode(1);
    writer.WriteFormula(&weight);
  }
  void WriteFields(TObjectWriter& writer) override {
    writer.WriteBlock(*this, TCnstr::kBlockRecord);
    TNamedLink::WriteFields(writer);
  }
};

inline TObject* NewField() { return new TWeightField; }

inline std::vector<uint8_t> FactTable() {
  const std::pair<int16_t, uint32_t> entries[] = {
      {kBlockRectangleFormulas, TRectangle::kTag}, {kBlockBackground, TZeroMass::kTag},
      {kBlockGroup, TGroup::kTag},                 {kBlockRunSettings, kEngineTag},
      {TCnstr::kBlockRecord, TWeightField::kTag},  {TPoint::kBlockSolverRecord, kPointTag},
      {TPin::kBlockKind, kPinTag},                 {5207, kLSpringTag},
      {5220, kLDamperTag},                         {5020, kLDampSpringTag},
      {TLRope::kBlockKind, kRopeTag},              {5257, kRodTag},
      {TRRope::kBlockKind, kRotationalRopeTag},    {5255, kLPistonTag},
      {5258, kRPistonTag},                         {TForce::kBlockKind, kForceTag},
      {TTorque::kBlockKind, kTorqueTag},           {5219, kRSpringTag},
      {5021, kRDampSpringTag},                     {5221, kRDamperTag}};
  const auto count = static_cast<int16_t>(std::size(entries));
  std::vector<uint8_t> bytes(2 + 6 * static_cast<size_t>(count));
  std::memcpy(bytes.data(), &count, 2);
  for (size_t i = 0; i < std::size(entries); ++i) {
    std::memcpy(bytes.data() + 2 + 6 * i, &entries[i].first, 2);
    std::memcpy(bytes.data() + 4 + 6 * i, &entries[i].second, 4);
  }
  return bytes;
}

// An empty stream of default objects: the header and its end.
inline std::vector<uint8_t> Defaults() {
  std::vector<uint8_t> bytes = {'Z', 'o', 'd', 'A', 0, 4, 'Y', 'B', '3', 'X', 0, 11};
  for (char c : std::string("Version 2.5")) bytes.push_back(static_cast<uint8_t>(c));
  bytes.insert(bytes.end(), {0, 0, 4, 'I', 'E', '6', '4', 0, 9});
  for (char c : std::string("MSWindows")) bytes.push_back(static_cast<uint8_t>(c));
  bytes.insert(bytes.end(), {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x27, 0x10, ' ', ' ', ' ', ' ', 0,
                             0, 0x27, 0x11, 0, 0, 0, 4, 0, 0, 0, 1});
  bytes.insert(bytes.end(), 8, 0xFF);
  return bytes;
}

class ConstraintRunTest : public ::testing::Test {
 protected:
  void SetUp() override {
    InitHandlePool();
    LoadEngineLibrary();
    RegisterGroupClasses();
    RegisterBodyClasses();
    RegisterCustomConstraintClasses();
    RegisterSpringClasses();
    RegisterPinRopeRodClasses();
    RegisterPistonClasses();
    RegisterForceClasses();
    SettleDefaultConstraintSize();
    RegisterClassInfo("TWeightField", TWeightField::kTag, TWeightField::kClassID, NewField,
                      sizeof(TWeightField));
    FreezeClassRegistry();
    InstallWorldBridge();
    entries[0] = {"FACT", 0, nullptr, static_cast<uint16_t>(kFactTableId), fact.data(),
                  static_cast<uint32_t>(fact.size())};
    entries[1] = {"ZodA", 0, nullptr, static_cast<uint16_t>(kWorldDefaultsResource),
                  defaults.data(), static_cast<uint32_t>(defaults.size())};
    table = {"constraint-run-test.dll", entries, 2};
    RegisterResourceModule(table);
    SetResourceModule1(LoadResourceLibrary("constraint-run-test.dll"));
    path = std::filesystem::temp_directory_path() /
           ("yb-constraint-run-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
            "-" + std::to_string(reinterpret_cast<uintptr_t>(this)) + ".yb");
  }
  void TearDown() override {
    std::filesystem::remove(path);
    SetResourceModule1(nullptr);
    UnregisterResourceModule("constraint-run-test.dll");
    SetRunBridgeHooks({});
    FreeCustomConstraintGlobals();
    FreeBodyClasses();
    FreeClassRegistry();
    FreeEngineLibrary();
    FreeHandlePool();
  }
  // A box of the mass, its reference point at (x, y).
  static TRectangle& AddBox(TWorldDoc& world, int16_t identifier, double mass, double x,
                            double y) {
    TRectangle& box = Add<TRectangle>(world, identifier);
    box.SetNumberProperty(kTagWidth, 0.1);
    box.SetNumberProperty(kTagHeight, 0.1);
    box.SetMass(mass);
    box.SetFormulaProperty(kTagPosX, TFormula(x));
    box.SetFormulaProperty(kTagPosY, TFormula(y));
    return box;
  }
  // A point at (x, y) of the body's frame.
  static TPoint& AddPoint(TWorldDoc& world, int16_t identifier, TMass& body, double x, double y) {
    TPoint& point = Add<TPoint>(world, identifier);
    point.AttachToBody(&body);
    point.SetLocalPosition({x, y, 0.0});
    return point;
  }
  template <class T>
  static T& Add(TWorldDoc& world, int16_t identifier) {
    auto object = std::make_unique<T>();
    object->Initialize();
    object->SetIdentifier(identifier);
    T& added = *object;
    world.AdoptObject(std::move(object));
    return added;
  }

  std::vector<uint8_t> fact = FactTable();
  std::vector<uint8_t> defaults = Defaults();
  ResourceEntry entries[2];
  ResourceModuleTable table;
  std::filesystem::path path;
};

}  // namespace constraint_runs
