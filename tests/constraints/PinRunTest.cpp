// A pendulum built from the program's classes: a box hung from the background by a pin through
// two points, saved, opened again and run by the solver. Its swing follows the closed form of a
// physical pendulum and the two points of the pin stay together.

#include <cmath>
#include <cstring>
#include <filesystem>
#include <numbers>
#include <string>

#include <gtest/gtest.h>

#include "bodies/Background.h"
#include "bodies/BodyClasses.h"
#include "bodies/BodyTags.h"
#include "bodies/Shapes.h"
#include "bodies/points/Point.h"
#include "constraints/ConstraintClasses.h"
#include "constraints/Pin.h"
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

constexpr double kGravity = 9.81;

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

TObject* NewField() { return new TWeightField; }

std::vector<uint8_t> FactTable() {
  const std::pair<int16_t, uint32_t> entries[] = {
      {kBlockRectangleFormulas, TRectangle::kTag}, {kBlockBackground, TZeroMass::kTag},
      {kBlockGroup, TGroup::kTag},                 {kBlockRunSettings, kEngineTag},
      {TCnstr::kBlockRecord, TWeightField::kTag},  {TPoint::kBlockSolverRecord, kPointTag},
      {TPin::kBlockKind, kPinTag}};
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

class PinRunTest : public ::testing::Test {
 protected:
  void SetUp() override {
    InitHandlePool();
    LoadEngineLibrary();
    RegisterGroupClasses();
    RegisterBodyClasses();
    RegisterCustomConstraintClasses();
    RegisterPinClasses();
    SettleDefaultConstraintSize();
    RegisterClassInfo("TWeightField", TWeightField::kTag, TWeightField::kClassID, NewField,
                      sizeof(TWeightField));
    FreezeClassRegistry();
    InstallWorldBridge();
    entries[0] = {"FACT", 0, nullptr, static_cast<uint16_t>(kFactTableId), fact.data(),
                  static_cast<uint32_t>(fact.size())};
    entries[1] = {"ZodA", 0, nullptr, static_cast<uint16_t>(kWorldDefaultsResource),
                  defaults.data(), static_cast<uint32_t>(defaults.size())};
    table = {"pin-run-test.dll", entries, 2};
    RegisterResourceModule(table);
    SetResourceModule1(LoadResourceLibrary("pin-run-test.dll"));
    path = std::filesystem::temp_directory_path() /
           ("yb-pin-run-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
            "-" + std::to_string(reinterpret_cast<uintptr_t>(this)) + ".yb");
  }
  void TearDown() override {
    std::filesystem::remove(path);
    SetResourceModule1(nullptr);
    UnregisterResourceModule("pin-run-test.dll");
    SetRunBridgeHooks({});
    FreeCustomConstraintGlobals();
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

  std::vector<uint8_t> fact = FactTable();
  std::vector<uint8_t> defaults = Defaults();
  ResourceEntry entries[2];
  ResourceModuleTable table;
  std::filesystem::path path;
};

// A square of side s whose centre hangs a length L below the pin, pushed sideways: it swings
// as theta(t) = (w0 / W) sin(W t) with W^2 = g L / (L^2 + s^2 / 6) for a small swing.
TEST_F(PinRunTest, APinnedBoxSwingsAsAPhysicalPendulum) {
  constexpr double kSide = 0.2;
  constexpr double kLength = 1.0;
  constexpr double kStartSpin = 0.05 * 3.0;  // an amplitude of about 0.05 rad
  {
    TQVDoc document;
    TWorldDoc& world = document.World();
    Add<TEngine>(world, 1);
    TZeroMass& background = Add<TZeroMass>(world, 0);
    TRectangle& box = Add<TRectangle>(world, 2);
    box.SetNumberProperty(kTagWidth, kSide);
    box.SetNumberProperty(kTagHeight, kSide);
    box.SetFormulaProperty(kTagPosX, TFormula(0.0));
    box.SetFormulaProperty(kTagPosY, TFormula(-kLength));
    box.SetFormulaProperty(kTagVelX, TFormula(kStartSpin * kLength));
    box.SetFormulaProperty(kTagVelRot, TFormula(kStartSpin));
    TPoint& fixed = Add<TPoint>(world, 3);
    fixed.AttachToBody(&background);
    fixed.SetLocalPosition({0.0, 0.0, 0.0});
    TPoint& hung = Add<TPoint>(world, 4);
    hung.AttachToBody(&box);
    hung.SetLocalPosition({0.0, kLength, 0.0});
    TPin& pin = Add<TPin>(world, 5);
    pin.SetShortProperty(kTagAlwaysActive, 1);
    pin.AttachObject(&fixed);
    pin.AttachObject(&hung);
    TGroup& group = Add<TGroup>(world, 6);
    group.SetMode(1, 1);
    group.Include(&box);
    Add<TWeightField>(world, 7).groupId = 6;
    document.WriteDocument(path.string());
  }
  TQVDoc document;
  document.ReadDocument(path.string());
  TWorldDoc& world = document.World();
  auto* box = dynamic_cast<TRectangle*>(world.FindObject(2));
  auto* fixed = dynamic_cast<TPoint*>(world.FindObject(3));
  auto* hung = dynamic_cast<TPoint*>(world.FindObject(4));
  auto* pin = dynamic_cast<TPin*>(world.FindObject(5));
  ASSERT_NE(box, nullptr);
  ASSERT_NE(pin, nullptr);
  ASSERT_EQ(pin->AttachedCount(), 2);
  EXPECT_EQ(pin->GetPrimaryObject(), fixed);
  EXPECT_EQ(pin->Attached().back(), hung);
  EXPECT_EQ(hung->ConstraintCount(), 1);

  const double omega = std::sqrt(kGravity * kLength / (kLength * kLength + kSide * kSide / 6.0));
  const double period = 2.0 * std::numbers::pi / omega;
  const double step = world.GetEngine()->TimeStep();
  ASSERT_GT(step, 0.0);
  const auto frames = static_cast<int16_t>(std::ceil(period / step) + 1);
  world.RunToFrame(frames, nullptr);
  ASSERT_NE(world.GetStore(), nullptr);
  ASSERT_EQ(world.GetStore()->FrameCount(), frames + 1);
  for (int16_t frame = 0; frame <= frames; ++frame) {
    world.ShowFrame(frame, 1);
    const double t = frame * step;
    const double expected = kStartSpin / omega * std::sin(omega * t);
    // The small-swing form is good to the cube of the amplitude.
    EXPECT_NEAR(box->GetRotationValue(), expected, 2e-4) << frame;
    const TVector a = fixed->GetWorldXY();
    const TVector b = hung->GetWorldXY();
    EXPECT_NEAR(std::hypot(b.x - a.x, b.y - a.y), 0.0, 1e-6) << frame;
  }
}

}  // namespace
