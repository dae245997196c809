#include "model/Thing.h"

#include <cmath>
#include <cstring>

#include <gtest/gtest.h>

#include "core/ClassRegistry.h"
#include "core/Resources.h"
#include "model/filing/ObjectReader.h"
#include "model/filing/ObjectWriter.h"
#include "platform/win32/Resource.h"

namespace {

class FakeOwner : public TLinkOwner {
 public:
  int changes = 0;
  int trackingNotices = 0;
  double grid = 0.25;
  double angleStep = 0.0;
  void ObjectChanged(TLink&) override { ++changes; }
  RGB16Color DisplayColour(const RGB16Color& colour) override { return colour; }
  void TrackingEnabled() override { ++trackingNotices; }
  std::optional<MacPoint> WorldToScreen(const TVector& p) override {
    return MacPoint(static_cast<int16_t>(p.x * 10), static_cast<int16_t>(-p.y * 10));
  }
  double GridSpacing() const override { return grid; }
  double AngleStep() const override { return angleStep; }
};

class ThingTest : public ::testing::Test {
 protected:
  void SetUp() override {
    InitHandlePool();
    thing.Initialize();
    thing.SetOwner(&owner);
  }
  void TearDown() override { FreeHandlePool(); }
  FakeOwner owner;
  TThing thing;
};

TEST_F(ThingTest, ClassChainAndRegistration) {
  const int16_t chain[] = {629, 401, 400, 517, 516, 515};
  for (int16_t depth = 0; depth < 6; ++depth)
    EXPECT_EQ(thing.GetClassIDAt(depth), chain[depth]);
  EXPECT_TRUE(thing.IsMemberClass(517));
  EXPECT_FALSE(thing.IsMemberClass(518));
  EXPECT_EQ(thing.IsThing(), 1);
  RegisterThingClasses();
  FreezeClassRegistry();
  TObject* made = CreateObjectByTag(MakeTag("Ting"));
  ASSERT_NE(made, nullptr);
  EXPECT_EQ(made->GetClassID(), 629);
  delete made;
  FreeClassRegistry();
}

TEST_F(ThingTest, BlackColourMeansTheDefaultColour) {
  EXPECT_EQ(thing.IsColourDefault(), 1);
  thing.SetColourProperty(MakeTag("colr"), {0x100, 0, 0});
  EXPECT_EQ(thing.IsColourDefault(), 0);
  EXPECT_EQ(owner.changes, 1);
  RGB16Color read;
  EXPECT_EQ(thing.GetColourProperty(MakeTag("colr"), read, nullptr), 1);
  EXPECT_EQ(read, (RGB16Color{0x100, 0, 0}));
  thing.SetColourProperty(MakeTag("colr"), {0, 0, 0});
  EXPECT_EQ(thing.IsColourDefault(), 1);
  EXPECT_EQ(thing.GetColourProperty(MakeTag("facP"), read, nullptr), 0);
}

TEST_F(ThingTest, TrackSwitches) {
  uint16_t value = 7;
  EXPECT_EQ(thing.GetFlagProperty(MakeTag("trkL"), value, nullptr), 1);
  EXPECT_EQ(value, 0);
  thing.SetFlagProperty(MakeTag("trkL"), 0);  // unchanged: nothing at all
  EXPECT_EQ(owner.changes, 0);
  thing.SetFlagProperty(MakeTag("trkL"), 1);
  EXPECT_EQ(owner.changes, 1);
  EXPECT_EQ(owner.trackingNotices, 1);
  thing.SetFlagProperty(MakeTag("trk_"), 0);  // always stored and announced
  thing.SetFlagProperty(MakeTag("trk_"), 0);
  EXPECT_EQ(owner.changes, 3);
  EXPECT_EQ(owner.trackingNotices, 1);
  EXPECT_EQ(thing.GetFlagProperty(MakeTag("show"), value, nullptr), 1);
  EXPECT_EQ(value, 1);
  EXPECT_EQ(thing.GetFlagProperty(MakeTag("xxxx"), value, nullptr), 0);
  EXPECT_FALSE(thing.LastTrackPoint().has_value());
}

TEST_F(ThingTest, PropertyBlocksAreReported) {
  struct Seen {
    std::vector<int16_t> blocks;
    int objects = 0;
  } seen;
  const auto block = [](int16_t code, void* context) {
    static_cast<Seen*>(context)->blocks.push_back(code);
  };
  const auto object = [](void* context) { ++static_cast<Seen*>(context)->objects; };
  uint16_t found = 9;
  thing.ReportPropertyBlocks(MakeTag("fTwx"), found, block, object, &seen, &seen);
  thing.ReportPropertyBlocks(MakeTag("p__x"), found, block, object, &seen, &seen);
  EXPECT_EQ(seen.objects, 2);
  EXPECT_TRUE(seen.blocks.empty());
  thing.ReportPropertyBlocks(MakeTag("hidN"), found, block, object, &seen, &seen);
  EXPECT_EQ(seen.blocks, std::vector<int16_t>{5003});
  thing.ReportPropertyBlocks(MakeTag("mass"), found, block, object, &seen, &seen);
  EXPECT_EQ(seen.blocks.size(), 1u);
  EXPECT_EQ(found, 9);
}

TEST_F(ThingTest, ColourBlockRoundTripsInDocumentOrder) {
  thing.SetIdentifier(2);
  thing.SetColourProperty(MakeTag("colr"), {0x1111, 0x2222, 0x3333});  // red, blue, green
  TObjectWriterKind2 writer;
  writer.Init(nullptr);
  writer.WriteBlock(thing, kBlockThingColour);
  writer.Finish();
  Handle handle = writer.TakeHandle();
  const auto* bytes = reinterpret_cast<const uint8_t*>(HandleData(handle));
  // identifier, class tag, blank tag, code, length, then red, green, blue.
  const uint8_t colour[] = {0, 0, 0, 6, 0x11, 0x11, 0x33, 0x33, 0x22, 0x22};
  EXPECT_EQ(0, std::memcmp(bytes + 16, colour, sizeof colour));
  FreeHandle(handle);

  TThing copy;
  copy.Initialize();
  std::vector<TLink*> list{&thing};
  auto document = WriteObjectsDefault(&list, 1, nullptr, 2, nullptr);
  Handle stored = document->TakeHandle();
  // The copy is an existing object of the container that takes its blocks by identifier.
  struct Taker : TThing {
    uint16_t CanReadBlock(int16_t) override { return 1; }
  } taker;
  taker.Initialize();
  taker.SetIdentifier(2);
  TLink world;
  world.AddDependent(&taker);
  ReadObjects(stored, 2, 2, &world, nullptr, nullptr, nullptr);
  FreeHandle(stored);
  EXPECT_EQ(taker.GetColour(), (RGB16Color{0x1111, 0x2222, 0x3333}));
  EXPECT_EQ(taker.IsColourDefault(), 0);
}

TEST_F(ThingTest, NeutralGeometryDefaults) {
  MacRect rect(1, 2, 3, 4);
  thing.GetHotPointRect(1, rect);
  EXPECT_EQ(rect.left, 1);
  EXPECT_EQ(rect.bottom, 4);
  TVector3 placement(5, 5, 5);
  thing.GetPlacementRelativeTo(&thing, placement);
  EXPECT_EQ(placement, TVector3(0, 0, 0));
  QV_CPoint anchor;
  thing.GetTrackPoint(anchor);
  EXPECT_EQ(anchor, QV_CPoint(32767, 32767));
  TDoubleRect bounds;
  EXPECT_EQ(thing.GetBounds(bounds), 1);
  EXPECT_EQ(bounds, TDoubleRect(0, 0, 0, 0));
  EXPECT_EQ(thing.FirstPartThat([](TThing*, void*) { return true; }, nullptr), nullptr);
}

TEST_F(ThingTest, SnappingUsesTheOwnersSteps) {
  TVector p(0.3, -0.38);
  thing.SnapToGrid(p);
  EXPECT_DOUBLE_EQ(p.x, 0.25);
  EXPECT_DOUBLE_EQ(p.y, -0.5);
  double angle = 0.4;
  thing.SnapAngle(angle);
  EXPECT_EQ(angle, 0.4);  // no angle step
  owner.angleStep = M_PI / 4;
  thing.SnapAngle(angle);
  EXPECT_DOUBLE_EQ(angle, M_PI / 4);
  thing.SetOwner(nullptr);
  TVector q(0.3, 0.3);
  thing.SnapToGrid(q);
  EXPECT_EQ(q, TVector(0.3, 0.3));
}

// A thing placed by a frame, with one hot point.
class Framed : public TThing {
 public:
  Transform2D frame = Transform2D::FromVector3(10.0, 20.0, M_PI / 2);
  void GetReferenceFrame(Transform2D& t) override { t = frame; }
  uint16_t GetHotPoint(int16_t index, TVector& point) override {
    if (index != 1) return TThing::GetHotPoint(index, point);
    point = TVector(1.0, 2.0);
    return 1;
  }
};

TEST_F(ThingTest, LocalPointsAndHotPoints) {
  Framed framed;
  framed.Initialize();
  TVector3 out;
  framed.LocalPointToWorld3(MacPoint(3, 4), out);  // h = 3, v = 4: local (3, -4)
  EXPECT_NEAR(out.x, 14.0, 1e-12);
  EXPECT_NEAR(out.y, 23.0, 1e-12);
  EXPECT_EQ(out.r, M_PI / 2);
  framed.SetOwner(&owner);
  MacRect rect;
  framed.GetHotPointRect(1, rect);
  EXPECT_EQ(rect, MacRect(7, -23, 13, -17));
}

class ScriptPoints : public TThing {
 public:
  uint16_t HasScriptPoints() override { return 1; }
  int16_t GetScriptPointResource() override { return 300; }
};

std::vector<uint8_t> HotPointResource(uint16_t count) {
  std::vector<uint8_t> bytes(2);
  std::memcpy(bytes.data(), &count, 2);
  auto record = [&](int16_t code, const char* a, const char* b) {
    bytes.push_back(static_cast<uint8_t>(code & 0xFF));
    bytes.push_back(static_cast<uint8_t>(code >> 8));
    for (const char* s : {a, b}) {
      bytes.push_back(static_cast<uint8_t>(std::strlen(s)));
      bytes.insert(bytes.end(), s, s + std::strlen(s));
    }
  };
  record(1, "first", "one");
  record(2, "end of \xA5", "\xA5.x");
  return bytes;
}

TEST_F(ThingTest, ScriptPointNamesComeFromTheResource) {
  const std::vector<uint8_t> good = HotPointResource(2);
  const std::vector<uint8_t> empty = HotPointResource(0);
  const std::vector<uint8_t> cut(good.begin(), good.end() - 3);
  const ResourceEntry entries[] = {
      {"hpAE", 0, nullptr, 300, good.data(), static_cast<uint32_t>(good.size())},
      {"hpAE", 0, nullptr, 301, empty.data(), static_cast<uint32_t>(empty.size())},
      {"hpAE", 0, nullptr, 302, cut.data(), static_cast<uint32_t>(cut.size())}};
  RegisterResourceModule({"thing-test.dll", entries, 3});
  SetResourceModule1(LoadResourceLibrary("thing-test.dll"));

  ScriptPoints points;
  points.Initialize();
  points.SetDescription("rod");
  int32_t found = 0;
  Str255 a, b;
  EXPECT_EQ(points.GetScriptPointNames(2, found, a, b), 1);
  EXPECT_EQ(found, 2);
  EXPECT_TRUE(a == Str255("end of rod"));
  EXPECT_TRUE(b == Str255("rod.x"));
  EXPECT_EQ(points.GetScriptPointNames(3, found, a, b), 0);
  EXPECT_EQ(thing.GetScriptPointNames(1, found, a, b), 0);  // no script points

  struct Other : ScriptPoints {
    int16_t id;
    int16_t GetScriptPointResource() override { return id; }
  } other;
  other.id = 301;
  EXPECT_EQ(other.GetScriptPointNames(1, found, a, b), 0);
  other.id = 302;  // the second record is cut short
  EXPECT_EQ(other.GetScriptPointNames(2, found, a, b), 0);
  EXPECT_EQ(other.GetScriptPointNames(1, found, a, b), 1);
  other.id = 999;
  EXPECT_EQ(other.GetScriptPointNames(1, found, a, b), 0);

  SetResourceModule1(nullptr);
  UnregisterResourceModule("thing-test.dll");
}

}  // namespace
