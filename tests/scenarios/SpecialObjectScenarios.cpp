// The world's own objects, reached from the menus: World > Axes draws the coordinate axes through
// the origin and takes them away again; World > Centre of Mass shows the centre of mass of the
// bodies during a run and files it as the solver's formulas; Edit > Don't Collide lets a falling
// circle pass through the box it rested on; Edit > Convert cuts a polygon into its edges and
// joins the edges into one polygon again. Each world is written here, opened by the program and
// worked on with real input; what the program shows is read from the screen, what it keeps from
// the documents it saves.

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "app/TApp.h"
#include "bodies/Background.h"
#include "bodies/BodyTags.h"
#include "bodies/Polygon.h"
#include "bodies/Table.h"
#include "bodies/points/Point.h"
#include "constraints/CollisionGroup.h"
#include "model/Formula.h"
#include "model/world/QVDoc.h"
#include "platform/win32/Window.h"
#include "tests/scenarios/BodiesSeen.h"
#include "tests/scenarios/Harness.h"
#include "tests/scenarios/WorldWindowSeen.h"
#include "tools/samples/SampleBuilder.h"

namespace scenario {
namespace {

using window_seen::DocumentWindow;

// Identifiers of the objects the worlds below are written with.
constexpr int16_t kCollisionGroupId = 2;
constexpr int16_t kCentreOfMassId = 11;
constexpr int16_t kFirstBodyId = 20;
constexpr int16_t kSecondBodyId = 21;

// The axis colour, eight bits a channel, as the screen shows it.
bool IsAxisColour(uint32_t pixel) {
  const int red = static_cast<int>((pixel >> 16) & 0xFF);
  const int green = static_cast<int>((pixel >> 8) & 0xFF);
  const int blue = static_cast<int>(pixel & 0xFF);
  return std::abs(red - 0x02) <= 3 && std::abs(green - 0xEA) <= 3 && std::abs(blue - 0xAB) <= 3;
}

// Writes a world of the background and what `build` adds as a sample of the private home.
void WriteWorld(const std::string& path, const std::function<void(TWorldDoc&)>& build) {
  const ProgramUnits units;
  auto document = sample_worlds::NewSampleDocument();
  TWorldDoc& world = document->World();
  sample_worlds::AddGround(world);
  // A hundred pixels a metre: the worlds below fill a good part of the window.
  world.Scale().SetConstant(100.0);
  build(world);
  document->WriteDocument(path);
}

// What a saved run kept of one body: its y in every frame.
struct SavedHeights {
  std::string failure;
  std::vector<double> y;
};

SavedHeights ReadHeights(const std::string& path, int16_t body) {
  SavedHeights saved;
  const ProgramUnits units;
  TQVDoc document;
  document.ReadDocument(path);
  TWorldDoc& world = document.World();
  const TFrameStore* store = world.GetStore();
  const int32_t offset = world.BodyValueOffset(world.FindObject(body));
  if (store == nullptr || offset < 0) {
    saved.failure = "the document keeps no run of the body";
    return saved;
  }
  // A body's record holds x, then y.
  for (int32_t frame = 0; frame < store->FrameCount(); ++frame)
    saved.y.push_back(store->Value(frame, offset + 1));
  return saved;
}

// The centre-of-mass point's x formula as the saved document holds it.
std::string SavedCentreOfMassFormula(const std::string& path) {
  const ProgramUnits units;
  TQVDoc document;
  document.ReadDocument(path);
  auto* point = dynamic_cast<TCOMPoint*>(document.World().FindObject(kCentreOfMassId));
  if (point == nullptr) return "(no centre-of-mass point)";
  TFormula* x = point->GetFormulaProperty(MakeTag("p__x"), nullptr, nullptr, nullptr, nullptr);
  if (x == nullptr) return "(no formula)";
  Str255 text;
  x->GetText(text);
  return text.AsCString();
}

// What the program prints, started with the arguments and no desktop at all.
std::string WithoutDesktop(const std::string& arguments) {
  std::string output;
  FILE* pipe =
      popen(("env -u DISPLAY '" + ProgramPath() + "' " + arguments + " 2>&1").c_str(), "r");
  if (pipe == nullptr) return output;
  char buffer[4096];
  while (const size_t read = fread(buffer, 1, sizeof buffer, pipe)) output.append(buffer, read);
  pclose(pipe);
  return output;
}

// How many of the listed objects are of the class.
int Listed(const std::string& listing, const std::string& className) {
  int count = 0;
  for (size_t at = listing.find("  " + className + " "); at != std::string::npos;
       at = listing.find("  " + className + " ", at + 1))
    ++count;
  return count;
}

// The middle of each separate patch of ink in a picture, left to right (patches are told apart
// by empty columns between them).
std::vector<std::pair<int, int>> InkPatches(const Picture& picture) {
  std::vector<std::pair<int, int>> middles;
  int first = -1, top = picture.box.height, bottom = -1;
  for (int x = 0; x <= picture.box.width; ++x) {
    bool ink = false;
    for (int y = 0; x < picture.box.width && y < picture.box.height; ++y) {
      if (!IsDark(picture.At(x, y))) continue;
      ink = true;
      top = std::min(top, y);
      bottom = std::max(bottom, y);
    }
    if (ink && first < 0) first = x;
    if (!ink && first >= 0) {
      middles.emplace_back((first + x - 1) / 2, (top + bottom) / 2);
      first = -1;
      top = picture.box.height;
      bottom = -1;
    }
  }
  return middles;
}

// The POINT entities ezdxf reads in a drawing; -1 when it reads none.
int PointsDrawn(const std::string& drawing) {
  const std::string command =
      "/usr/bin/python3 -c \"import ezdxf,sys\n"
      "print(len(ezdxf.readfile(sys.argv[1]).modelspace().query('POINT')))\" '" +
      drawing + "' 2>/dev/null";
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return -1;
  int count = -1;
  if (std::fscanf(pipe, "%d", &count) != 1) count = -1;
  pclose(pipe);
  return count;
}

class SpecialObjects : public window_seen::WorldWindowScenario {
 protected:
  // Chooses an item that must be enabled.
  ::testing::AssertionResult ChooseEnabled(const MenuPath& path) {
    if (::testing::AssertionResult chosen = Click(path); !chosen) return chosen;
    return Closed();
  }
  // A menu stays open when its chosen item is greyed: it is closed, and that is a failure.
  ::testing::AssertionResult Closed() {
    if (::testing::AssertionResult settled = Settle(); !settled) return settled;
    if (Me().ShownWindows() == 1) return ::testing::AssertionSuccess();
    Me().Key("Escape");
    Me().Key("Escape");
    Me().Key("Escape");
    (void)Settle();
    return ::testing::AssertionFailure() << "the menu stayed open: its item is greyed";
  }
  ::testing::AssertionResult Save(const std::string& sample) {
    Me().Control("s");
    if (!Me().Idle()) return ::testing::AssertionFailure() << "the program stayed busy";
    if (Me().ShownWindows() != 1)
      return ::testing::AssertionFailure() << "saving " << sample << " ended in a window";
    return ::testing::AssertionSuccess();
  }
  // The world's view: the document window's client less its scroll bars (the worlds here show
  // no rulers, coordinates bar or tape).
  Box World() const {
    const Box client = Document().client;
    return {client.x + 1, client.y + 1, client.width - GetSystemMetrics(SM_CXVSCROLL) - 3,
            client.height - GetSystemMetrics(SM_CYHSCROLL) - 3};
  }
  // Runs with Ctrl+R until `arrived` holds for a picture of the world, then stops; a running
  // world is never idle, so the pictures are watched instead. What was awaited stays once it
  // came, so the frame the stopped world shows must hold it too.
  ::testing::AssertionResult RunUntil(const std::function<bool(const Picture&)>& arrived) {
    const Box world = World();
    Me().Control("r");
    const bool seen = Me().WaitUntil([&] { return arrived(Me().Grab(world)); });
    Me().Control("period");
    if (!Me().Idle()) return ::testing::AssertionFailure() << "the run did not stop";
    if (!seen) return ::testing::AssertionFailure() << "the run never showed what was awaited";
    if (!arrived(Me().Grab(world)))
      return ::testing::AssertionFailure() << "the stopped world no longer shows what was awaited";
    return ::testing::AssertionSuccess();
  }
};

TEST_F(SpecialObjects, TheAxesItemDrawsTheAxesThroughTheOriginAndTakesThemAway) {
  // Two small disks at opposite corners around the origin: it lies half way between them, and
  // nothing is drawn along the axes.
  const std::string sample = "axes.yb";
  WriteWorld(Home().Sample(sample), [](TWorldDoc& world) {
    sample_worlds::AddDisk(world, kFirstBodyId, 0.05, 1.0, -1.0, 1.0);
    sample_worlds::AddDisk(world, kSecondBodyId, 0.05, 1.0, 1.0, -1.0);
  });
  ASSERT_TRUE(StartOnSample(sample));
  const Box world = World();
  const Picture plain = Me().Grab(world);
  ASSERT_EQ(plain.Count(IsAxisColour), 0) << "axes before they were asked for";
  const std::vector<std::pair<int, int>> disks = InkPatches(plain);
  ASSERT_EQ(disks.size(), 2u) << "the two disks are not shown apart";
  const int originX = (disks[0].first + disks[1].first) / 2;
  const int originY = (disks[0].second + disks[1].second) / 2;

  ASSERT_TRUE(ChooseEnabled({"World", "Axes"}));
  const Picture axes = Me().Grab(world);
  // Rows and columns nearly all of the axis colour: one each, through the origin.
  std::vector<int> rows, columns;
  for (int y = 0; y < world.height; ++y) {
    int coloured = 0;
    for (int x = 0; x < world.width; ++x) coloured += IsAxisColour(axes.At(x, y));
    if (coloured * 10 >= world.width * 9) rows.push_back(y);
  }
  for (int x = 0; x < world.width; ++x) {
    int coloured = 0;
    for (int y = 0; y < world.height; ++y) coloured += IsAxisColour(axes.At(x, y));
    if (coloured * 10 >= world.height * 9) columns.push_back(x);
  }
  ASSERT_EQ(rows.size(), 1u) << "no single x axis across the world";
  ASSERT_EQ(columns.size(), 1u) << "no single y axis down the world";
  EXPECT_LE(std::abs(rows.front() - originY), 1) << "the x axis misses the origin";
  EXPECT_LE(std::abs(columns.front() - originX), 1) << "the y axis misses the origin";

  ASSERT_TRUE(ChooseEnabled({"World", "Axes"}));
  const Picture again = Me().Grab(world);
  EXPECT_EQ(again.Count(IsAxisColour), 0) << "the axes stayed";
  EXPECT_EQ(again.Differences(plain), 0) << "the world is not shown as before the axes";
}

TEST_F(SpecialObjects, TheCentreOfMassShowsDuringARunAndIsFiledAsTheSolversFormula) {
  // One kilogram at x = -1 and three at x = 1: the centre of mass lies at x = 0.5.
  const std::string sample = "centre.yb";
  WriteWorld(Home().Sample(sample), [](TWorldDoc& world) {
    sample_worlds::Add<TCOMPoint>(world, kCentreOfMassId);
    sample_worlds::AddDisk(world, kFirstBodyId, 0.05, 1.0, -1.0, 0.0);
    sample_worlds::AddDisk(world, kSecondBodyId, 0.05, 3.0, 1.0, 0.0);
  });
  ASSERT_TRUE(StartOnSample(sample));
  const Box world = World();
  const Picture plain = Me().Grab(world);
  const std::vector<std::pair<int, int>> disks = InkPatches(plain);
  ASSERT_EQ(disks.size(), 2u) << "the two disks are not shown apart";
  const int comX = disks[0].first + (disks[1].first - disks[0].first) * 3 / 4;
  const int comY = (disks[0].second + disks[1].second) / 2;
  const Box around{world.x + comX - 8, world.y + comY - 8, 17, 17};
  const Picture empty = Me().Grab(around);
  ASSERT_EQ(empty.Count(IsDark), 0) << "something stands at the centre of mass already";

  ASSERT_TRUE(ChooseEnabled({"World", "Centre of Mass"}));
  ASSERT_TRUE(RunUntil([&](const Picture&) { return Me().Grab(around).Count(IsDark) >= 8; }))
      << "no mark appeared at the centre of mass during the run";
  ASSERT_TRUE(Save(sample));
  EXPECT_EQ(SavedCentreOfMassFormula(Home().Sample(sample)), "GroupCofM(0).x");
}

// A circle sketched on a new world: its centre of mass, off, is no point of a drawing of the
// frame; on, its mark shows over the circle during a run.
TEST_F(SpecialObjects, TheCentreOfMassOfANewCircleShowsOverItAndIsNotExportedWhenOff) {
  ASSERT_TRUE(Ready());
  Me().Control("n");
  ASSERT_TRUE(Me().WaitUntil([] { return Me().UntitledWorldWindow() != 0; }));
  ASSERT_TRUE(Settle());
  const Box world = World();
  const int middleX = world.x + world.width / 2, middleY = world.y + world.height / 2;
  ASSERT_TRUE(Click({"Tools", "Circle"}));
  Me().SlowDrag(middleX - 40, middleY - 40, middleX + 40, middleY + 40);
  ASSERT_TRUE(Settle());

  const std::string drawing = Home().Path("off.dxf");
  ASSERT_TRUE(ExportShownFrame(drawing));
  EXPECT_EQ(PointsDrawn(drawing), 0) << "the centre of mass is drawn while it is off";

  const std::vector<std::pair<int, int>> circles = InkPatches(Me().Grab(world));
  ASSERT_EQ(circles.size(), 1u) << "the circle is not shown";
  const Box around{world.x + circles[0].first - 8, world.y + circles[0].second - 8, 17, 17};
  const Picture plain = Me().Grab(around);
  ASSERT_TRUE(ChooseEnabled({"World", "Centre of Mass"}));
  ASSERT_TRUE(RunUntil([&](const Picture&) { return Me().Grab(around).Differences(plain) >= 8; }))
      << "no mark appeared on the circle during the run";
}

TEST_F(SpecialObjects, DontCollideLetsACircleFallThroughTheBoxItRestedOn) {
  // A box anchored to the background, its top at y = 0.1, and a circle of radius 0.1 above it:
  // resting on the box, the circle's centre stays at 0.2.
  const std::string sample = "collide.yb";
  WriteWorld(Home().Sample(sample), [](TWorldDoc& world) {
    using namespace body_tags;
    sample_worlds::Add<TCollisionGroup>(world, kCollisionGroupId);
    sample_worlds::AddGravity(world, 4, 3, 9.81);
    TRectangle& box = sample_worlds::Add<TRectangle>(world, kFirstBodyId);
    box.SetNumberProperty(kTagWidth, 1.0);
    box.SetNumberProperty(kTagHeight, 0.2);
    box.SetMass(1.0);
    auto& anchor = sample_worlds::Add<TAnchor>(world, 22);
    anchor.SetKind(1);
    anchor.AttachToBody(dynamic_cast<TMass*>(world.FindObject(0)));
    anchor.AttachToBody(&box);
    sample_worlds::AddDisk(world, kSecondBodyId, 0.1, 1.0, 0.0, 0.6);
  });
  ASSERT_TRUE(StartOnSample(sample));
  const Box world = World();
  const Picture start = Me().Grab(world);
  const std::vector<std::pair<int, int>> shown = InkPatches(start);
  ASSERT_EQ(shown.size(), 1u) << "the circle over the box is not shown as one drawing";
  // The box's top edge: the first row dark across most of the box's width. The circle has gone
  // through the box once nothing is left above it (resting on the box, it would stay there).
  int boxTop = -1;
  for (int y = 0; y < world.height && boxTop < 0; ++y) {
    int dark = 0;
    for (int x = 0; x < world.width; ++x) dark += IsDark(start.At(x, y));
    if (dark >= 100) boxTop = y;
  }
  ASSERT_GT(boxTop, 0) << "the box is not shown";
  const auto inkAboveTheBox = [&](const Picture& picture) {
    int ink = 0;
    for (int y = 0; y + 1 < boxTop; ++y)
      for (int x = 0; x < world.width; ++x) ink += IsDark(picture.At(x, y));
    return ink;
  };
  // The circle has come down once the pixels where it started are empty.
  const auto startArea = [&](const Picture& picture) {
    int ink = 0;
    for (int y = 0; y < shown.front().second; ++y)
      for (int x = 0; x < world.width; ++x)
        ink += IsDark(picture.At(x, y)) && IsDark(start.At(x, y));
    return ink;
  };

  ASSERT_TRUE(RunUntil([&](const Picture& now) { return startArea(now) == 0; }))
      << "the circle did not come down";
  ASSERT_TRUE(Save(sample));
  const SavedHeights resting = ReadHeights(Home().Sample(sample), kSecondBodyId);
  ASSERT_EQ(resting.failure, "");
  ASSERT_GT(resting.y.size(), 2u);
  const double lowest = *std::min_element(resting.y.begin(), resting.y.end());
  EXPECT_GT(lowest, 0.17) << "the circle sank into the box";
  EXPECT_LT(lowest, 0.26) << "the circle never came down to the box";

  // Back to frame 0, forgetting the run; both bodies selected; Edit > Don't Collide.
  ASSERT_TRUE(ChooseEnabled({"World", "Back to Frame 0 and Forget the Run"}));
  Me().Control("a");
  ASSERT_TRUE(Settle());
  ASSERT_TRUE(ChooseEnabled({"Edit", "Don't Collide"}));
  ASSERT_TRUE(RunUntil([&](const Picture& now) { return inkAboveTheBox(now) == 0; }))
      << "the circle did not pass through the box";
  ASSERT_TRUE(Save(sample));
  const SavedHeights falling = ReadHeights(Home().Sample(sample), kSecondBodyId);
  ASSERT_EQ(falling.failure, "");
  ASSERT_FALSE(falling.y.empty());
  EXPECT_LT(falling.y.back(), -0.2) << "the circle stopped on the box";
}

TEST_F(SpecialObjects, APolygonBecomesLinesAndTheLinesBecomeOnePolygonAgain) {
  // A square of 0.4 m around the origin.
  const std::string sample = "convert.yb";
  WriteWorld(Home().Sample(sample), [](TWorldDoc& world) {
    auto& table = sample_worlds::Add<TTable>(world, kSecondBodyId);
    for (const TVector& corner : {TVector(-0.2, -0.2), TVector(0.2, -0.2), TVector(0.2, 0.2),
                                  TVector(-0.2, 0.2)})
      table.AppendPoint(corner);
    auto& polygon = sample_worlds::Add<TPolygon>(world, kFirstBodyId);
    polygon.SetCentroidValid(1);
    polygon.LinkVertexTable(&table);
  });
  const std::string path = Home().Sample(sample);
  ASSERT_TRUE(StartOnSample(sample));
  const Box world = World();
  ASSERT_GT(Me().Grab(world).Count(IsDark), 100) << "the polygon is not shown";

  Me().Control("a");
  ASSERT_TRUE(Settle());
  ASSERT_TRUE(ChooseEnabled({"Edit", "Convert", "Shapes to Lines"}));
  ASSERT_TRUE(Save(sample));
  const std::string lines = WithoutDesktop("--list-objects '" + path + "'");
  EXPECT_EQ(Listed(lines, "TLine"), 4) << lines;
  EXPECT_EQ(Listed(lines, "TPolygon"), 0) << lines;

  // Select All takes the four lines.
  Me().Control("a");
  ASSERT_TRUE(Settle());
  ASSERT_TRUE(ChooseEnabled({"Edit", "Convert", "Lines to a Polygon"}));
  ASSERT_TRUE(Save(sample));
  const std::string polygon = WithoutDesktop("--list-objects '" + path + "'");
  EXPECT_EQ(Listed(polygon, "TPolygon"), 1) << polygon;
  EXPECT_EQ(Listed(polygon, "TLine"), 0) << polygon;
}

}  // namespace
}  // namespace scenario
