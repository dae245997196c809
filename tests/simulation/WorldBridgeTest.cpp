// A world of bodies saved, opened again, handed to the real solver and run: its recorded frames
// follow the motion a constant force gives.

#include "simulation/WorldBridge.h"

#include <cmath>
#include <cstring>
#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "core/ClassRegistry.h"
#include "core/Handle.h"
#include "core/Resources.h"
#include "model/Formula.h"
#include "model/filing/ClassSource.h"
#include "model/filing/ObjectReader.h"
#include "model/filing/ObjectWriter.h"
#include "model/world/Group.h"
#include "model/world/QVDoc.h"
#include "model/world/WorldParticipants.h"
#include "simulation/Engine.h"

namespace {

constexpr int16_t kBlockBody = 1200;
constexpr int16_t kBlockConstraint = 1310;
constexpr double kMass = 2.0;
constexpr double kGravity = 9.81;

void WriteConstant(TObjectWriter& writer, double value) {
  TFormula formula;
  formula.SetConstant(value);
  writer.WriteFormula(&formula);
}

// A body as the solver reads it: its record of sixteen formulas and two integers.
class TTestBody : public TNamedLink, public TFrameParticipant {
  DECLARE_CLASS_ID(9401, TNamedLink)

 public:
  static constexpr uint32_t kTag = MakeTag("TsBd");
  // x, y, rotation, velocities, mass, moment, centre of mass, frictions, elasticity, charge and
  // the two anchors.
  double record[16] = {0.0, 10.0, 0.0, 1.0, 0.0, 0.0, kMass, 1.0};

  int32_t FixedFrameValues() const override { return 3; }
  uint16_t ReadBlockContents(int16_t code, TObjectReader& reader) override {
    if (code != kBlockBody) return TNamedLink::ReadBlockContents(code, reader);
    for (double& value : record) {
      TFormula formula;
      reader.ReadFormula(formula);
      value = formula.GetValue();
    }
    reader.ReadInt();
    reader.ReadInt();
    return 1;
  }
  void WriteBlockContents(int16_t code, TObjectWriter& writer) override {
    if (code != kBlockBody) return TNamedLink::WriteBlockContents(code, writer);
    for (double value : record)
      WriteConstant(writer, value);
    writer.WriteCode(0);
    writer.WriteCode(0);
  }
  void WriteFields(TObjectWriter& writer) override {
    writer.WriteBlock(*this, kBlockBody);
    TNamedLink::WriteFields(writer);
  }
};

// A per-body field pulling the members of its group down with the weight of a body of kMass.
class TTestField : public TNamedLink {
  DECLARE_CLASS_ID(9402, TNamedLink)

 public:
  static constexpr uint32_t kTag = MakeTag("TsFd");
  int16_t groupId = 0;

  uint16_t ReadBlockContents(int16_t code, TObjectReader& reader) override {
    if (code != kBlockConstraint) return TNamedLink::ReadBlockContents(code, reader);
    reader.ReadInt();
    TFormula skipped;
    reader.ReadFormula(skipped);
    reader.ReadFormula(skipped);
    reader.ReadInt();
    groupId = static_cast<int16_t>(reader.ReadInt());
    reader.ReadFormula(skipped);
    reader.ReadInt();
    reader.ReadInt();
    for (int i = 0; i < 3; ++i)
      reader.ReadInt();
    reader.ReadFormula(skipped);
    return 1;
  }
  void WriteBlockContents(int16_t code, TObjectWriter& writer) override {
    if (code != kBlockConstraint) return TNamedLink::WriteBlockContents(code, writer);
    writer.WriteCode(0);            // turned by the ground body: a per-body field
    WriteConstant(writer, 0.0);     // angle
    WriteConstant(writer, 1.0);     // always active
    writer.WriteCode(0);
    writer.WriteCode(groupId);      // the bodies it acts on
    WriteConstant(writer, 0.0);
    writer.WriteCode(0);            // nothing attached
    writer.WriteCode(1);            // one goal: a force along y
    writer.WriteCode(0);
    writer.WriteCode(0);
    writer.WriteCode(1);
    WriteConstant(writer, -kMass * kGravity);
  }
  void WriteFields(TObjectWriter& writer) override {
    writer.WriteBlock(*this, kBlockConstraint);
    TNamedLink::WriteFields(writer);
  }
};

TObject* NewBody() { return new TTestBody; }
TObject* NewField() { return new TTestField; }

std::vector<uint8_t> FactTable() {
  const int16_t codes[] = {kBlockBody, kBlockConstraint, kBlockGroup, kBlockRunSettings};
  const uint32_t tags[] = {TTestBody::kTag, TTestField::kTag, TGroup::kTag, kEngineTag};
  const int16_t count = 4;
  std::vector<uint8_t> bytes(2 + count * 6);
  std::memcpy(bytes.data(), &count, 2);
  for (int i = 0; i < count; ++i) {
    std::memcpy(bytes.data() + 2 + 6 * i, &codes[i], 2);
    std::memcpy(bytes.data() + 4 + 6 * i, &tags[i], 4);
  }
  return bytes;
}

// The world's default objects: the world's own defaults block, as the program's resource 10.
std::vector<uint8_t> Defaults() {
  std::vector<uint8_t> bytes = {'Z', 'o', 'd', 'A', 0, 4, 'Y', 'B', '3', 'X', 0, 11};
  for (char c : std::string("Version 2.5")) bytes.push_back(static_cast<uint8_t>(c));
  bytes.insert(bytes.end(), {0, 0, 4, 'I', 'E', '6', '4', 0, 9});
  for (char c : std::string("MSWindows")) bytes.push_back(static_cast<uint8_t>(c));
  bytes.insert(bytes.end(), {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x27, 0x10, ' ', ' ', ' ', ' ', 0,
                             0, 0x27, 0x11, 0, 0, 0, 4, 0, 0, 0, 1});
  bytes.insert(bytes.end(), 8, 0xFF);
  return bytes;
}

class WorldBridgeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    InitHandlePool();
    LoadEngineLibrary();
    RegisterGroupClasses();
    RegisterClassInfo("TTestBody", TTestBody::kTag, TTestBody::kClassID, NewBody,
                      sizeof(TTestBody));
    RegisterClassInfo("TTestField", TTestField::kTag, TTestField::kClassID, NewField,
                      sizeof(TTestField));
    FreezeClassRegistry();
    InstallWorldBridge();
    entries[0] = {"FACT", 0, nullptr, static_cast<uint16_t>(kFactTableId), fact.data(),
                  static_cast<uint32_t>(fact.size())};
    entries[1] = {"ZodA", 0, nullptr, static_cast<uint16_t>(kWorldDefaultsResource),
                  defaults.data(), static_cast<uint32_t>(defaults.size())};
    table = {"world-bridge-test.dll", entries, 2};
    RegisterResourceModule(table);
    SetResourceModule1(LoadResourceLibrary("world-bridge-test.dll"));
    path = std::filesystem::temp_directory_path() /
           ("yb-world-bridge-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
            ".yb");
  }
  void TearDown() override {
    std::filesystem::remove(path);
    SetResourceModule1(nullptr);
    UnregisterResourceModule("world-bridge-test.dll");
    SetRunBridgeHooks({});
    FreeClassRegistry();
    FreeEngineLibrary();
    FreeHandlePool();
  }
  template <class T>
  T& Add(TWorldDoc& world, int16_t identifier) {
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

TEST_F(WorldBridgeTest, SavedWorldRunsAsBodiesUnderAConstantForce) {
  {
    TQVDoc document;
    TWorldDoc& world = document.World();
    Add<TEngine>(world, 1);
    TTestBody& body = Add<TTestBody>(world, 2);
    TGroup& group = Add<TGroup>(world, 3);
    group.SetMode(1, 1);
    group.Include(&body);
    Add<TTestField>(world, 4).groupId = 3;
    document.WriteDocument(path.string());
  }
  TQVDoc document;
  document.ReadDocument(path.string());
  TWorldDoc& world = document.World();
  ASSERT_NE(world.GetEngine(), nullptr);
  ASSERT_EQ(world.Bodies().size(), 1u);
  ASSERT_NE(world.GetStore(), nullptr);

  constexpr int16_t kFrames = 30;
  world.RunToFrame(kFrames, nullptr);
  TFrameStore& store = *world.GetStore();
  ASSERT_EQ(store.FrameCount(), kFrames + 1);
  EXPECT_EQ(store.ValuesPerFrame(), 3);
  const double step = world.GetEngine()->TimeStep();
  ASSERT_GT(step, 0.0);
  for (int32_t frame : {0, 1, 10, int32_t{kFrames}}) {
    const double t = frame * step;
    EXPECT_NEAR(store.Value(frame, 0), t, 1e-6) << frame;
    EXPECT_NEAR(store.Value(frame, 1), 10.0 - 0.5 * kGravity * t * t, 1e-6) << frame;
    EXPECT_NEAR(store.Value(frame, 2), 0.0, 1e-9) << frame;
  }
  // Frames already recorded need no further solver call; the step commands only show them.
  world.ShowFrame(5, 1);
  EXPECT_DOUBLE_EQ(world.CurrentTime(), 5 * step);
}

}  // namespace
