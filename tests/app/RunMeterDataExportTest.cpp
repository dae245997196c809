// Meter data of a world that has run: the export, asked for after the run, writes a row for each
// recorded frame from frame 0, the first holding the values the world starts from.

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "exchange/export/ExportCommand.h"
#include "exchange/export/ExportHandler.h"
#include "exchange/export/Exporter.h"
#include "exchange/export/WorldExportHandler.h"
#include "inout/meters/Output.h"
#include "tests/app/SampleFixture.h"
#include "tools/samples/SampleWorlds.h"

namespace {

constexpr int16_t kFrames = 12;

// The first number of each line of the file.
std::vector<double> FirstNumbers(const std::string& path) {
  std::ifstream file(path);
  std::vector<double> numbers;
  for (std::string line; std::getline(file, line);) {
    char* end = nullptr;
    const double value = std::strtod(line.c_str(), &end);
    if (end == line.c_str()) break;
    numbers.push_back(value);
  }
  return numbers;
}

class RunMeterDataExportTest : public SampleFixture {
 protected:
  void SetUp() override {
    SampleFixture::SetUp();
    char pattern[] = "/tmp/yb-rundata-XXXXXX";
    ASSERT_NE(::mkdtemp(pattern), nullptr);
    folder_ = pattern;
  }
  void TearDown() override {
    std::filesystem::remove_all(folder_);
    SampleFixture::TearDown();
  }

  std::string folder_;
};

TEST_F(RunMeterDataExportTest, ARunOfNFramesExportsNPlusOneRowsTheFirstAtTheStart) {
  std::unique_ptr<TQVDoc> document = Open(sample_worlds::kSpringAndPinFile);
  TWorldDoc& world = document->World();
  // A meter of the box's x, placed before the run as a user places one.
  auto meter = std::make_unique<TOutput>();
  meter->Initialize();
  meter->SetName("Box x");
  meter->SetColumnCount(2);
  meter->Column(1)->Formula().SetFromPieces(Str255("time"));
  meter->Column(2)->Formula().SetFromPieces(Str255("body[2].p.x"));
  meter->SetColumnShown(2, true);
  world.AdoptObject(std::move(meter));

  world.RunToFrame(kFrames, nullptr);
  world.ShowFrame(kFrames, 1);
  ASSERT_EQ(world.LastFrame(), kFrames);

  // The export is asked for only now: the world gets its export handler after the run.
  TExportHandler& handler = ExportHandlerFor(world);
  ASSERT_EQ(world.LastFrame(), kFrames) << "the recorded frames went when the export began";
  handler.SetCommandInfo(kCmdExportMeterData, 0, kFrames);
  const std::string path = folder_ + "/box.dta";
  std::unique_ptr<TExporter> exporter =
      MakeExporterFor(handler, world, kCmdExportMeterData, path);
  exporter->Perform();

  const std::vector<double> xs = FirstNumbers(path);
  ASSERT_EQ(xs.size(), static_cast<size_t>(kFrames + 1));
  EXPECT_NEAR(xs.front(), sample_worlds::kBoxStart, 1e-4);
  // The spring pulls the box in towards the pin from its first step.
  EXPECT_LT(xs[1], xs[0]);
  EXPECT_LT(xs.back(), sample_worlds::kBoxStart - 0.05);
}

}  // namespace
