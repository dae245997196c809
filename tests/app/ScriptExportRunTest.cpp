// Exports a script asks of a world that has run: both write the frames of their range from the
// recorded run, and the run stays recorded.

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "exchange/export/ExportHandler.h"
#include "inout/meters/Output.h"
#include "model/world/RunCommand.h"
#include "scripting/document/APIDocument.h"
#include "scripting/host/Application.h"
#include "tests/app/SampleFixture.h"
#include "tools/samples/SampleWorlds.h"

namespace {

constexpr int16_t kFrames = 12;

// The last number of each line of the file: the meter's x.
std::vector<double> LastNumbers(const std::string& path) {
  std::ifstream file(path);
  std::vector<double> numbers;
  for (std::string line; std::getline(file, line);) {
    std::istringstream fields(line);
    double value = 0;
    bool read = false;
    for (double field = 0; fields >> field; read = true) value = field;
    if (!read) break;
    numbers.push_back(value);
  }
  return numbers;
}

class ScriptExportRun : public SampleFixture {
 protected:
  void SetUp() override {
    SampleFixture::SetUp();
    char pattern[] = "/tmp/yb-scriptexport-XXXXXX";
    ASSERT_NE(::mkdtemp(pattern), nullptr);
    folder_ = pattern;
    root_ = new TAPIApplication(&log_, nullptr);
    SetLiveObjectRoot(root_);
    InstallDocumentScriptObjects();
  }
  void TearDown() override {
    document_.reset();
    delete root_;
    std::filesystem::remove_all(folder_);
    SampleFixture::TearDown();
  }

  TAPICallLog log_;
  TAPIApplication* root_ = nullptr;
  std::unique_ptr<TQVDoc> document_;
  std::string folder_;
};

TEST_F(ScriptExportRun, BothExportsWriteTheirRangeAndTheRunStays) {
  document_ = Open(sample_worlds::kSpringAndPinFile);
  TWorldDoc& world = document_->World();
  auto meter = std::make_unique<TOutput>();
  meter->Initialize();
  meter->SetIdentifier(40);
  meter->SetColumnCount(2);
  meter->Column(1)->Formula().SetFromPieces(Str255("time"));
  meter->Column(2)->Formula().SetFromPieces(Str255("body[2].p.x"));
  meter->SetColumnShown(2, true);
  world.AdoptObject(std::move(meter));
  world.RunToFrame(kFrames, nullptr);
  world.ShowFrame(kFrames, 1);
  // The box's x in each recorded frame: its record starts with x.
  const TFrameStore* store = world.GetStore();
  const int32_t box = world.BodyValueOffset(world.FindObject(2));
  ASSERT_TRUE(store != nullptr && box >= 0);
  std::vector<double> recorded;
  for (int16_t frame = 0; frame <= kFrames; ++frame) recorded.push_back(store->Value(frame, box));

  auto* object = static_cast<TAPIDocument*>(document_->GetAPIDocument(root_));
  // The start first, while no stop is set: both ends are taken.
  ASSERT_EQ(object->SetExportFrame(false, 2).code, 0);
  ASSERT_EQ(object->SetExportFrame(true, 8).code, 0);
  const std::string table = folder_ + "/box.dta";
  ASSERT_EQ(object->Export(kCmdExportMeterData, Str255(table.c_str()), 0).code, 0);
  EXPECT_EQ(world.LastFrame(), kFrames) << "the export lost the recorded frames";
  const std::vector<double> xs = LastNumbers(table);
  ASSERT_EQ(xs.size(), 7u) << std::string(
      std::istreambuf_iterator<char>(std::ifstream(table).rdbuf()), {});
  for (size_t i = 0; i < xs.size(); ++i) EXPECT_NEAR(xs[i], recorded[i + 2], 1e-4) << i;

  const std::string drawing = folder_ + "/box.dxf";
  ASSERT_EQ(object->Export(kCmdExportDxfFrame, Str255(drawing.c_str()), 0).code, 0);
  EXPECT_TRUE(std::filesystem::exists(drawing));
  EXPECT_EQ(world.LastFrame(), kFrames) << "the drawing lost the recorded frames";
}

TEST_F(ScriptExportRun, AnExportThatCannotRunBecauseAnotherRunGoesFirstFails) {
  document_ = Open(sample_worlds::kSpringAndPinFile);
  TWorldDoc& world = document_->World();
  world.RunToFrame(4, nullptr);
  // A run of the world that was made first and has not ended.
  std::unique_ptr<TCommand> earlier = world.NewRunCommand(0, 20, 0, 0);
  auto* object = static_cast<TAPIDocument*>(document_->GetAPIDocument(root_));
  const std::string drawing = folder_ + "/never.dxf";
  EXPECT_EQ(object->Export(kCmdExportDxfFrame, Str255(drawing.c_str()), 0).code, 8);
  EXPECT_FALSE(std::filesystem::exists(drawing));
  earlier.reset();
  EXPECT_EQ(object->Export(kCmdExportDxfFrame, Str255(drawing.c_str()), 0).code, 0);
  EXPECT_TRUE(std::filesystem::exists(drawing));
}

}  // namespace
