// A world of a moving circle and a point is run and exported frame by frame; a DXF reader finds
// each entity where the frame shows it.

#include "exchange/dxf/DXFExporter.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>

#include "bodies/Background.h"
#include "bodies/BodyClasses.h"
#include "bodies/BodyTags.h"
#include "bodies/Shapes.h"
#include "bodies/points/Point.h"
#include "exchange/dxf/DXFExportType.h"
#include "exchange/export/ExportHandler.h"
#include "exchange/export/WorldExportHandler.h"
#include "model/world/Group.h"
#include "simulation/Engine.h"
#include "simulation/UnitHandler.h"
#include "tests/support/WorldRun.h"

namespace {

using namespace body_tags;

constexpr const char* kReader = "/usr/bin/python3";
constexpr int16_t kCircleId = 2;
constexpr int16_t kPointId = 3;

// Prints "KIND x y" for every entity of the file's model space.
std::string Entities(const std::string& path) {
  const std::string command = std::string(kReader) +
                              " -c \"import ezdxf,sys\n"
                              "for e in ezdxf.readfile(sys.argv[1]).modelspace():\n"
                              "  p = e.dxf.center if e.dxftype() == 'CIRCLE' else e.dxf.location\n"
                              "  print(e.dxftype(), p.x, p.y)\" '" +
                              path + "'";
  std::string out;
  FILE* pipe = ::popen(command.c_str(), "r");
  if (pipe == nullptr) return out;
  char buffer[256];
  while (std::fgets(buffer, sizeof buffer, pipe) != nullptr)
    out += buffer;
  ::pclose(pipe);
  return out;
}

class DXFExporterTest : public world_run::WorldRunTest {
 protected:
  DXFExporterTest()
      : WorldRunTest("dxf-export-test.dll", {{kBlockRadiusLine, TOval::kTag},
                                              {kBlockBackground, TZeroMass::kTag},
                                              {kBlockGroup, TGroup::kTag},
                                              {TPoint::kBlockSolverRecord, kPointTag},
                                              {kBlockRunSettings, kEngineTag}}) {}
  void RegisterClasses() override { RegisterBodyClasses(); }
  void FreeClasses() override { FreeBodyClasses(); }

  // A circle of radius 0.5 moving along x at 2 per second from (1, 4), and a fixed point.
  static void Build(TWorldDoc& world) {
    Add<TEngine>(world, 1);
    Add<TZeroMass>(world, 0);
    TOval& circle = Add<TOval>(world, kCircleId);
    circle.SetNumberProperty(kTagRadius, 0.5);
    circle.SetFormulaProperty(kTagPosX, TFormula(1.0));
    circle.SetFormulaProperty(kTagPosY, TFormula(4.0));
    circle.SetFormulaProperty(kTagVelX, TFormula(2.0));
    Add<TPoint>(world, kPointId);
  }
};

TEST_F(DXFExporterTest, EachFrameFileHoldsTheCircleAndPointWhereTheFrameShowsThem) {
  if (!std::filesystem::exists(kReader)) GTEST_SKIP() << "no DXF reader";
  const auto document = SaveAndReopen(Build);
  TWorldDoc& world = document->World();
  world.AdoptObject(std::make_unique<TWorldUnitHandler>());
  TExportHandler handler;
  handler.Initialize();
  auto type = std::make_unique<TDXFExportType>();
  type->Init(kTagDxfExportType, &handler);
  TExportType* dxf = type.get();
  handler.AddExportType(std::move(type));

  const std::filesystem::path folder = path.string() + ".d";
  std::filesystem::create_directories(folder);
  int view = 0;
  {
    TDXFExporter exporter;
    TExportFileSpec spec;
    spec.name.Assign((folder / "pend.dxf").c_str());
    exporter.SetReplaceConfirmed(true);
    exporter.Init(kCmdExportDxfFrames, &world, &view, &handler, dxf, spec, TExportNameSpec(),
                  false, 0, 3);
    ASSERT_EQ(exporter.Objects().size(), 2u);
    exporter.Perform();
    EXPECT_EQ(exporter.ExportedFrames(), (std::vector<int32_t>{0, 1, 2, 3}));
  }
  auto* circle = dynamic_cast<TOval*>(world.FindObject(kCircleId));
  auto* point = dynamic_cast<TPoint*>(world.FindObject(kPointId));
  ASSERT_NE(circle, nullptr);
  ASSERT_NE(point, nullptr);
  double firstX = 0.0;
  for (int frame = 0; frame <= 3; ++frame) {
    char name[32];
    std::snprintf(name, sizeof name, "pend %04d.dxf", frame);
    const std::string listing = Entities((folder / name).string());
    world.ShowFrame(static_cast<int16_t>(frame), 1);
    TVector centre;
    circle->GetPosition(centre);
    const TVector at = point->GetWorldXY();
    double cx = 0, cy = 0, px = 0, py = 0;
    ASSERT_EQ(std::sscanf(listing.c_str(), "CIRCLE %lf %lf\nPOINT %lf %lf", &cx, &cy, &px, &py), 4)
        << name << ":\n" << listing;
    EXPECT_NEAR(cx, centre.x, 1e-3) << name;
    EXPECT_NEAR(cy, centre.y, 1e-3) << name;
    EXPECT_NEAR(px, at.x, 1e-3) << name;
    EXPECT_NEAR(py, at.y, 1e-3) << name;
    if (frame == 0) firstX = cx;
    if (frame == 3) {
      EXPECT_GT(cx, firstX);  // the circle moved: the frames differ
    }
  }
  std::filesystem::remove_all(folder);
}

TEST_F(DXFExporterTest, SingleFrameCommandWritesOneFileOfTheStartFrame) {
  const auto document = SaveAndReopen(Build);
  TWorldDoc& world = document->World();
  world.AdoptObject(std::make_unique<TWorldUnitHandler>());
  TExportHandler handler;
  handler.Initialize();
  auto type = std::make_unique<TDXFExportType>();
  type->Init(kTagDxfExportType, &handler);
  TExportType* dxf = type.get();
  handler.AddExportType(std::move(type));
  const std::string file = path.string() + ".dxf";
  int view = 0;
  {
    TDXFExporter exporter;
    TExportFileSpec spec;
    spec.name.Assign(file.c_str());
    exporter.Init(kCmdExportDxfFrame, &world, &view, &handler, dxf, spec, TExportNameSpec(), false,
                  1, 5);
    exporter.Perform();
    EXPECT_EQ(exporter.ExportedFrames(), (std::vector<int32_t>{1}));
  }
  std::ifstream in(file, std::ios::binary);
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_EQ(text.rfind("0\r\nSECTION\r\n2\r\nENTITIES\r\n0\r\nCIRCLE\r\n8\r\nLAYER_1\r\n10\r\n", 0), 0u)
      << text;
  EXPECT_TRUE(text.ends_with("0\r\nENDSEC\r\n0\r\nEOF\r\n")) << text;
  std::filesystem::remove(file);
}

TEST_F(DXFExporterTest, MakingTheWorldsExportHandlerKeepsTheFramesRecordedSoFar) {
  const auto document = SaveAndReopen(Build);
  TWorldDoc& world = document->World();
  world.AdoptObject(std::make_unique<TWorldUnitHandler>());
  world.NewRunCommand(kCmdStepForward, 3, 1, 0)->Perform();
  ASSERT_EQ(world.LastFrame(), 3);
  ExportHandlerFor(world);
  EXPECT_EQ(world.LastFrame(), 3);
}

}  // namespace
