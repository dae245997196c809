// A Position meter placed on the pendulum's bob from its meter menu: its exported x-axis column
// carries each frame's time, and Edit > Copy of it puts its data on the clipboard as text and
// its object on the clipboard for Edit > Paste to place a second meter.

#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "core/ClipboardScrap.h"
#include "exchange/export/DataExportType.h"
#include "exchange/export/DataExporter.h"
#include "exchange/export/ExportCommand.h"
#include "exchange/export/ExportHandler.h"
#include "exchange/export/Exporter.h"
#include "exchange/export/WorldExportHandler.h"
#include "inout/meters/Output.h"
#include "model/world/QVDoc.h"
#include "scripting/document/APIDocument.h"
#include "scripting/host/Application.h"
#include "tests/app/SketchFixture.h"
#include "views/world/ClipboardCommands.h"
#include "views/world/ScrapViews.h"

namespace {

constexpr int16_t kCmdPositionMeter = 5001;
constexpr int16_t kFrames = 6;

// The lines of a text, each without its line end.
std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

std::string ClipboardText() {
  Handle data = AllocHandle(0);
  std::string text;
  if (GetClipboardScrap(data, kTextScrapType) >= 0)
    text.assign(static_cast<const char*>(HandleData(data)), GetHandleByteSize(data));
  FreeHandle(data);
  // The clipboard's text ends at its first zero byte.
  return text.substr(0, text.find('\0'));
}

class MeterOfTheBobTest : public SketchFixture {
 protected:
  std::string DocumentPath() override {
    return std::string(YB_SAMPLES_DIR) + "/" + sample_worlds::pendulum::kFile;
  }
  void TearDown() override {
    app_->Commands().DropAllCommands();
    SketchFixture::TearDown();
  }

  // The Position meter of the bob, placed as the menu places it.
  TOutput* PlaceMeter() {
    TLink* bob = world_->FindObject(sample_worlds::pendulum::kBobId);
    if (bob == nullptr) return nullptr;
    world_->DeselectAll();
    world_->Select(bob);
    const size_t before = world_->Outputs().size();
    Command(kCmdPositionMeter);
    if (world_->Outputs().size() != before + 1) return nullptr;
    return dynamic_cast<TOutput*>(world_->Outputs().back());
  }

  // The meter data of every meter, with the x-axis column first, as a file export writes it.
  std::string ExportWithXAxis() {
    TExportHandler& handler = ExportHandlerFor(*world_);
    TExportType* type = handler.FindExportType(kCmdExportMeterData);
    if (type == nullptr) return "";
    type->SetFlagProperty(MakeTag("emIX"), 1);
    handler.SetCommandInfo(kCmdExportMeterData, 0, kFrames);
    char pattern[] = "/tmp/yb-metertime-XXXXXX";
    if (::mkdtemp(pattern) == nullptr) return "";
    const std::string path = std::string(pattern) + "/bob.dta";
    MakeExporterFor(handler, *world_, kCmdExportMeterData, path)->Perform();
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    std::filesystem::remove_all(pattern);
    return text.str();
  }
};

TEST_F(MeterOfTheBobTest, TheExportedXAxisColumnHoldsEachFramesTime) {
  ASSERT_NE(PlaceMeter(), nullptr);
  world_->RunToFrame(kFrames, nullptr);
  const double step = world_->GetEngine()->TimeStep();
  ASSERT_GT(step, 0.0);

  const std::vector<std::string> lines = Lines(ExportWithXAxis());
  ASSERT_EQ(lines.size(), static_cast<size_t>(kFrames + 1));
  for (int16_t frame = 0; frame <= kFrames; ++frame) {
    SCOPED_TRACE(lines[static_cast<size_t>(frame)]);
    const double time = std::strtod(lines[static_cast<size_t>(frame)].c_str(), nullptr);
    EXPECT_NEAR(time, frame * step, 1e-4);
  }
}

TEST_F(MeterOfTheBobTest, AScriptsExportCarriesEachFramesTimeToo) {
  ASSERT_NE(PlaceMeter(), nullptr);
  world_->RunToFrame(kFrames, nullptr);
  world_->ShowFrame(kFrames, 1);
  TExportType* type = ExportHandlerFor(*world_).FindExportType(kCmdExportMeterData);
  ASSERT_NE(type, nullptr);
  type->SetFlagProperty(MakeTag("emIX"), 1);

  TAPICallLog log;
  auto* root = new TAPIApplication(&log, nullptr);
  SetLiveObjectRoot(root);
  InstallDocumentScriptObjects();
  auto* document = dynamic_cast<TQVDoc*>(world_->GetDocument());
  ASSERT_NE(document, nullptr);
  auto* script = static_cast<TAPIDocument*>(document->GetAPIDocument(root));
  EXPECT_EQ(script->SetExportFrame(false, 0).code, 0);
  EXPECT_EQ(script->SetExportFrame(true, kFrames).code, 0);
  char pattern[] = "/tmp/yb-scripttime-XXXXXX";
  ASSERT_NE(::mkdtemp(pattern), nullptr);
  const std::string path = std::string(pattern) + "/bob.dta";
  EXPECT_EQ(script->Export(kCmdExportMeterData, Str255(path.c_str()), 0).code, 0);
  delete root;
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  std::filesystem::remove_all(pattern);

  const std::vector<std::string> lines = Lines(text.str());
  ASSERT_EQ(lines.size(), static_cast<size_t>(kFrames + 1));
  const double step = world_->GetEngine()->TimeStep();
  for (int16_t frame = 0; frame <= kFrames; ++frame) {
    SCOPED_TRACE(lines[static_cast<size_t>(frame)]);
    EXPECT_NEAR(std::strtod(lines[static_cast<size_t>(frame)].c_str(), nullptr), frame * step,
                1e-4);
  }
}

TEST_F(MeterOfTheBobTest, CopyGivesTheMeterDataTextAndPasteAndDuplicateMakeNewMeters) {
  TOutput* meter = PlaceMeter();
  ASSERT_NE(meter, nullptr);
  world_->RunToFrame(kFrames, nullptr);
  // The run shows its last frame: copying needs no going back to the start.
  world_->ShowFrame(kFrames, 1);
  world_->DeselectAll();
  world_->Select(meter);

  // The world has no export handler yet: the copy gets one, as an export would.
  Command(kCmdCopy);
  Handle expected = MakeMeterDataText(kCmdExportMeterData, &world_->Selection(), world_,
                                      world_->GetDisplay());
  ASSERT_NE(expected, nullptr);
  const std::string text(static_cast<const char*>(HandleData(expected)));
  FreeHandle(expected);
  EXPECT_EQ(Lines(text).size(), static_cast<size_t>(kFrames + 1));
  EXPECT_EQ(ClipboardText(), text);

  // Editing at a later frame would ask to reset the run first.
  Command(kCmdReset);
  const size_t before = world_->Outputs().size();
  Command(kCmdPaste);
  ASSERT_EQ(world_->Outputs().size(), before + 1) << "paste placed no meter";
  EXPECT_NE(world_->Outputs().back(), meter);
  world_->DeselectAll();
  world_->Select(meter);
  Command(kCmdDuplicate);
  EXPECT_EQ(world_->Outputs().size(), before + 2) << "duplicate placed no meter";
}

TEST_F(MeterOfTheBobTest, AScriptsCopyOfAMeterGivesTheTextOfEditCopy) {
  TOutput* meter = PlaceMeter();
  ASSERT_NE(meter, nullptr);
  world_->RunToFrame(kFrames, nullptr);
  // The run shows its last frame: copying needs no going back to the start.
  world_->ShowFrame(kFrames, 1);
  world_->DeselectAll();
  world_->Select(meter);
  Command(kCmdCopy);
  const std::string byMenu = ClipboardText();
  ASSERT_EQ(Lines(byMenu).size(), static_cast<size_t>(kFrames + 1));

  TAPICallLog log;
  auto* root = new TAPIApplication(&log, nullptr);
  SetLiveObjectRoot(root);
  InstallDocumentScriptObjects();
  auto* document = dynamic_cast<TQVDoc*>(world_->GetDocument());
  ASSERT_NE(document, nullptr);
  auto* script = static_cast<TAPIDocument*>(document->GetAPIDocument(root));
  ASSERT_TRUE(EmptyClipboardScrap());
  EXPECT_EQ(script->PerformWorldCommand(kCmdCopy).code, 0);
  EXPECT_EQ(ClipboardText(), byMenu);
  delete root;
}

TEST_F(MeterOfTheBobTest, CopyOfABodyAloneLeavesNoText) {
  world_->RunToFrame(kFrames, nullptr);
  world_->DeselectAll();
  world_->Select(world_->FindObject(sample_worlds::pendulum::kBobId));
  ASSERT_TRUE(EmptyClipboardScrap());
  Command(kCmdCopy);
  EXPECT_EQ(GetClipboardScrap(nullptr, kTextScrapType), kErrClipboard);
  EXPECT_EQ(GetClipboardScrap(nullptr, kObjectScrapType), 0);
}

}  // namespace
