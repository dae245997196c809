// A world of a spinning body with a point on it, a falling body and a body held by an anchor,
// saved, opened again and run in the solver: the point reports world positions that turn with
// its body in every recorded frame, and the anchored body stays where it was while the free one
// falls.

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

namespace {

using namespace body_tags;

constexpr int16_t kBlockConstraint = 1310;
constexpr double kGravity = 9.81;

// The weight of every body of its group, as the solver reads a field's record.
class TWeightField : public TNamedLink {
  DECLARE_CLASS_ID(9412, TNamedLink)

 public:
  static constexpr uint32_t kTag = MakeTag("TsWt");
  int16_t groupId = 0;

  uint16_t ReadBlockContents(int16_t code, TObjectReader& reader) override {
    if (code != kBlockConstraint) return TNamedLink::ReadBlockContents(code, reader);
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
    if (code != kBlockConstraint) return TNamedLink::WriteBlockContents(code, writer);
    const TFormula zero(0.0);
    const TFormula one(1.0);
    writer.WriteCode(0);  // a per-body field
    writer.WriteFormula(&zero);
    writer.WriteFormula(&one);  // always active
    writer.WriteCode(0);
    writer.WriteCode(groupId);
    writer.WriteFormula(&zero);
    writer.WriteCode(0);
    TFormula weight;
    weight.SetFromPieces("-9.81 * self.mass");
    writer.WriteCode(1);  // one goal: a force along y
    writer.WriteCode(0);
    writer.WriteCode(0);
    writer.WriteCode(1);
    writer.WriteFormula(&weight);
  }
  void WriteFields(TObjectWriter& writer) override {
    writer.WriteBlock(*this, kBlockConstraint);
    TNamedLink::WriteFields(writer);
  }
};

TObject* NewField() { return new TWeightField; }

std::vector<uint8_t> FactTable() {
  const std::pair<int16_t, uint32_t> entries[] = {
      {kBlockRectangleFormulas, TRectangle::kTag}, {kBlockBackground, TZeroMass::kTag},
      {kBlockGroup, TGroup::kTag},                 {kBlockRunSettings, kEngineTag},
      {kBlockConstraint, TWeightField::kTag},      {TPoint::kBlockSolverRecord, kPointTag},
      {TAnchor::kBlockKind, kAnchorTag}};
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

class PointRunTest : public ::testing::Test {
 protected:
  void SetUp() override {
    InitHandlePool();
    LoadEngineLibrary();
    RegisterGroupClasses();
    RegisterBodyClasses();
    RegisterClassInfo("TWeightField", TWeightField::kTag, TWeightField::kClassID, NewField,
                      sizeof(TWeightField));
    FreezeClassRegistry();
    InstallWorldBridge();
    entries[0] = {"FACT", 0, nullptr, static_cast<uint16_t>(kFactTableId), fact.data(),
                  static_cast<uint32_t>(fact.size())};
    entries[1] = {"ZodA", 0, nullptr, static_cast<uint16_t>(kWorldDefaultsResource),
                  defaults.data(), static_cast<uint32_t>(defaults.size())};
    table = {"point-run-test.dll", entries, 2};
    RegisterResourceModule(table);
    SetResourceModule1(LoadResourceLibrary("point-run-test.dll"));
    path = std::filesystem::temp_directory_path() /
           ("yb-point-run-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
            "-" + std::to_string(reinterpret_cast<uintptr_t>(this)) + ".yb");
  }
  void TearDown() override {
    std::filesystem::remove(path);
    SetResourceModule1(nullptr);
    UnregisterResourceModule("point-run-test.dll");
    SetRunBridgeHooks({});
    FreeBodyClasses();
    FreeClassRegistry();
    FreeEngineLibrary();
    FreeHandlePool();
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
  static TRectangle& AddBox(TWorldDoc& world, int16_t identifier, double x, double y) {
    TRectangle& box = Add<TRectangle>(world, identifier);
    box.SetNumberProperty(kTagWidth, 1.0);
    box.SetNumberProperty(kTagHeight, 1.0);
    box.SetFormulaProperty(kTagPosX, TFormula(x));
    box.SetFormulaProperty(kTagPosY, TFormula(y));
    return box;
  }

  std::vector<uint8_t> fact = FactTable();
  std::vector<uint8_t> defaults = Defaults();
  ResourceEntry entries[2];
  ResourceModuleTable table;
  std::filesystem::path path;
};

TEST_F(PointRunTest, APointTurnsWithItsSpinningBodyAndAnAnchoredBodyStaysWhileAFreeOneFalls) {
  constexpr double kSpin = 2.0;
  {
    TQVDoc document;
    TWorldDoc& world = document.World();
    Add<TEngine>(world, 1);
    TZeroMass& background = Add<TZeroMass>(world, 0);
    TRectangle& spinning = AddBox(world, 2, 1.0, 2.0);
    spinning.SetFormulaProperty(kTagVelRot, TFormula(kSpin));
    TPoint& point = Add<TPoint>(world, 3);
    point.AttachToBody(&spinning);
    point.SetLocalPosition({1.0, 0.5, 0.0});
    TRectangle& held = AddBox(world, 4, -3.0, 5.0);
    TRectangle& falling = AddBox(world, 5, 3.0, 5.0);
    TAnchor& anchor = Add<TAnchor>(world, 6);
    anchor.SetKind(1);
    anchor.AttachToBody(&background);
    anchor.AttachToBody(&held);
    ASSERT_EQ(held.GetAnchored(), 1);
    TGroup& group = Add<TGroup>(world, 7);
    group.SetMode(1, 1);
    group.Include(&held);
    group.Include(&falling);
    Add<TWeightField>(world, 8).groupId = 7;
    document.WriteDocument(path.string());
  }
  TQVDoc document;
  document.ReadDocument(path.string());
  TWorldDoc& world = document.World();
  auto* spinning = dynamic_cast<TRectangle*>(world.FindObject(2));
  auto* point = dynamic_cast<TPoint*>(world.FindObject(3));
  auto* held = dynamic_cast<TRectangle*>(world.FindObject(4));
  auto* falling = dynamic_cast<TRectangle*>(world.FindObject(5));
  ASSERT_NE(spinning, nullptr);
  ASSERT_NE(point, nullptr);
  ASSERT_NE(held, nullptr);
  ASSERT_NE(falling, nullptr);
  ASSERT_EQ(point->GetBody(), spinning);
  ASSERT_EQ(held->GetAnchored(), 1);

  constexpr int16_t kFrames = 20;
  world.RunToFrame(kFrames, nullptr);
  ASSERT_NE(world.GetStore(), nullptr);
  ASSERT_EQ(world.GetStore()->FrameCount(), kFrames + 1);
  const double step = world.GetEngine()->TimeStep();
  ASSERT_GT(step, 0.0);
  for (int16_t frame = 0; frame <= kFrames; ++frame) {
    world.ShowFrame(frame, 1);
    const double t = frame * step;
    const double turn = kSpin * t;
    const TVector at = point->GetWorldXY();
    EXPECT_NEAR(at.x, 1.0 + std::cos(turn) - 0.5 * std::sin(turn), 1e-9) << frame;
    EXPECT_NEAR(at.y, 2.0 + std::sin(turn) + 0.5 * std::cos(turn), 1e-9) << frame;
    EXPECT_NEAR(point->GetWorldRotation(), turn, 1e-9) << frame;
    EXPECT_NEAR(held->PositionY()->GetValue(), 5.0, 1e-9) << frame;
    EXPECT_NEAR(falling->PositionY()->GetValue(), 5.0 - 0.5 * kGravity * t * t, 1e-9) << frame;
  }
}

}  // namespace
