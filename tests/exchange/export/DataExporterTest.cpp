// Meter data written from a world's recorded frames: files read back byte for byte, the same
// text copied for the clipboard, and the export reached through the class registry as scripts
// reach it.

#include "exchange/export/DataExporter.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <unistd.h>

#include "core/ClassRegistry.h"
#include "core/Resources.h"
#include "exchange/export/DataExportType.h"
#include "exchange/export/ExportHandler.h"
#include "inout/meters/Output.h"
#include "model/world/RunBridge.h"
#include "resources/ResourceLibraries.h"
#include "simulation/HistoryStore.h"
#include "simulation/UnitHandler.h"
#include "simulation/WorldBridge.h"
#include "tests/model/world/WorldTestSupport.h"

namespace {

using world_test::WorldScope;

constexpr uint32_t kTagIncludeHeader = MakeTag("emIH");
constexpr uint32_t kTagIncludeXAxis = MakeTag("emIX");
constexpr uint32_t kTagFrameStep = MakeTag("xpSF");

// A meter whose columns the world records with every frame, as a running world records them.
class TRecordedMeter : public TOutput {
 public:
  int32_t CountElements() override { return GetColumnCount(); }
};

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

class DataExporterTest : public ::testing::Test {
 protected:
  void SetUp() override {
    scope = std::make_unique<WorldScope>();
    InstallWorldBridge();
    world = std::make_unique<TWorldDoc>();
    world->SetHost(&host);
    world->InitWorld(0);
    auto units = std::make_unique<TWorldUnitHandler>();
    units->SetNumberFormat(kNumberFormatFixed);
    units->SetDigits(0);
    world->AdoptObject(std::move(units));
    pressure = &AddMeter("Pressure", {"t", "p", "q"});
    speed = &AddMeter("Speed", {"t", "v"});
    handler.Initialize();
    handler.AdoptWorld(world.get());
    auto owned = std::make_unique<TDataExportType>();
    type = owned.get();
    type->Init(kTagDataExportType, &handler);
    handler.AddExportType(std::move(owned));
    char pattern[] = "/tmp/yb-meterdata-XXXXXX";
    ASSERT_NE(::mkdtemp(pattern), nullptr);
    folder = pattern;
  }
  void TearDown() override {
    std::filesystem::remove_all(folder);
    world.reset();
    SetRunBridgeHooks({});
    scope.reset();
  }

  TRecordedMeter& AddMeter(const char* name, std::initializer_list<const char*> labels) {
    auto meter = std::make_unique<TRecordedMeter>();
    meter->SetName(Str255(name));
    meter->SetColumnCount(static_cast<int32_t>(labels.size()));
    int32_t i = 1;
    for (const char* label : labels) meter->Column(i++)->SetLabel(Str255(label));
    TRecordedMeter& kept = *meter;
    world->AdoptObject(std::move(meter));
    return kept;
  }

  // Frames 0..count-1 recorded: the meter's column j holds 100 x frame + 10 x (meter's offset) + j.
  void Record(int32_t frames) {
    THistoryStore history;
    history.SetValuesPerFrame(5);
    history.SetFrameCount(frames);
    for (TOutput* meter : {static_cast<TOutput*>(pressure), static_cast<TOutput*>(speed)}) {
      const int32_t offset = world->RecordedValueOffset(meter);
      ASSERT_GE(offset, 0);
      for (int32_t f = 0; f < frames; ++f)
        for (int32_t j = 0; j < meter->GetColumnCount(); ++j)
          history.SetValue(f, offset + j, 100.0 * f + 10.0 * offset + j);
    }
    world->ResetHistory(1);
    ASSERT_NE(world->GetStore(), nullptr);
    ASSERT_EQ(world->GetStore()->LoadRawBlock(history.RawBlock()), 0);
    world->GetStore()->SetCurrentFrame(static_cast<int16_t>(frames - 1));
  }

  // The texts of the meter's recorded columns at frame, as the file shows them.
  std::string Texts(TOutput& meter, int32_t frame, bool withX) const {
    const int32_t offset = world->RecordedValueOffset(&meter);
    std::string out;
    for (int32_t j = withX ? 0 : 1; j < meter.GetColumnCount(); ++j) {
      if (!out.empty()) out += "\t";
      out += std::to_string(static_cast<int>(100 * frame + 10 * offset + j));
    }
    return out;
  }

  void Export(TDataExporter& exporter, const std::string& name, int32_t start, int32_t stop) {
    TExportFileSpec spec;
    spec.name.Assign((folder + "/" + name).c_str());
    exporter.Init(kCmdExportMeterData, world.get(), &view, &handler, type, spec,
                  TExportNameSpec(), false, start, stop);
    exporter.Perform();
  }

  std::unique_ptr<WorldScope> scope;
  world_test::TTestHost host;
  std::unique_ptr<TWorldDoc> world;
  TRecordedMeter* pressure = nullptr;
  TRecordedMeter* speed = nullptr;
  TExportHandler handler;
  TDataExportType* type = nullptr;
  int view = 0;
  std::string folder;
};

TEST_F(DataExporterTest, WithoutHeaderEachFrameIsOneLineOfTheShownColumns) {
  Record(4);
  {
    TDataExporter exporter;
    Export(exporter, "run.dta", 1, 3);
    EXPECT_EQ(exporter.Meters().size(), 2u);
  }
  std::string expected;
  for (int frame = 1; frame <= 3; ++frame)
    expected += Texts(*pressure, frame, false) + "\t" + Texts(*speed, frame, false) + "\r\n";
  EXPECT_EQ(ReadFile(folder + "/run.dta"), expected);
}

TEST_F(DataExporterTest, HeaderNamesStandOverEachMetersFirstColumnAndLabelsFollow) {
  Record(3);
  type->SetFlagProperty(kTagIncludeHeader, 1);
  type->SetFlagProperty(kTagIncludeXAxis, 1);
  RegisterResourceLibraries();
  SetResourceModule1(LoadResourceLibrary(kMainResourceLibrary));
  type->SetIntProperty(kTagFrameStep, 2);
  { TDataExporter exporter; Export(exporter, "head.dta", 0, 2); }
  const std::string text = ReadFile(folder + "/head.dta");
  // A new document has no path: the preamble names none.
  const std::string preamble = "Document: \r\nExported ";
  ASSERT_EQ(text.rfind(preamble, 0), 0u) << text;
  const size_t stampEnd = text.find("\r\n", preamble.size());
  ASSERT_NE(stampEnd, std::string::npos);
  EXPECT_EQ(stampEnd - preamble.size(), std::string("hh:mm:ss mm/dd/yyyy").size())
      << text.substr(preamble.size(), stampEnd - preamble.size());
  EXPECT_EQ(text.substr(stampEnd + 2),
            "Pressure\t\t\tSpeed\r\n"
            "t\tp\tq\tt\tv\r\n" +
                Texts(*pressure, 0, true) + "\t" + Texts(*speed, 0, true) + "\r\n" +
                Texts(*pressure, 2, true) + "\t" + Texts(*speed, 2, true) + "\r\n");
}

TEST_F(DataExporterTest, HiddenColumnsAreNeitherLabelledNorWrittenNorFilled) {
  Record(2);
  pressure->SetColumnShown(3, false);
  type->SetFlagProperty(kTagIncludeHeader, 1);
  RegisterResourceLibraries();
  SetResourceModule1(LoadResourceLibrary(kMainResourceLibrary));
  { TDataExporter exporter; Export(exporter, "hidden.dta", 1, 1); }
  const std::string text = ReadFile(folder + "/hidden.dta");
  const size_t names = text.find("Pressure");
  ASSERT_NE(names, std::string::npos) << text;
  const std::string p1 = std::to_string(100 + 10 * world->RecordedValueOffset(pressure) + 1);
  // Every line has as many fields as the label line: the next meter stays under its label.
  EXPECT_EQ(text.substr(names), "Pressure\tSpeed\r\np\tv\r\n" + p1 + "\t" +
                                    Texts(*speed, 1, false) + "\r\n");
}

TEST_F(DataExporterTest, NoMeterWithAColumnEndsSilentlyWithoutAFile) {
  Record(2);
  pressure->SetColumnShown(2, false);
  pressure->SetColumnShown(3, false);
  speed->SetColumnShown(2, false);
  TDataExporter exporter;
  try {
    Export(exporter, "none.dta", 0, 1);
    ADD_FAILURE() << "exported without meters";
  } catch (const QVException& failure) {
    EXPECT_EQ(failure.error(), kErrNone);
  }
  EXPECT_FALSE(std::filesystem::exists(folder + "/none.dta"));
}

TEST_F(DataExporterTest, CopiedTextIsTheFilesBytesEndingInAZero) {
  Record(3);
  { TDataExporter exporter; Export(exporter, "all.dta", 0, 2); }
  const std::string file = ReadFile(folder + "/all.dta");
  ASSERT_FALSE(file.empty());
  const std::vector<TLink*> selection = {speed, pressure};
  // The world has no export handler yet: nothing to copy with.
  EXPECT_EQ(MakeMeterDataText(kCmdExportMeterData, &selection, world.get(), &view), nullptr);

  auto owned = std::make_unique<TExportHandler>();
  owned->Initialize();
  auto data = std::make_unique<TDataExportType>();
  data->Init(kTagDataExportType, owned.get());
  owned->AddExportType(std::move(data));
  world->AdoptObject(std::move(owned));
  Handle text = MakeMeterDataText(kCmdExportMeterData, &selection, world.get(), &view);
  ASSERT_NE(text, nullptr);
  // The columns are the world's meters in their own order, as in the file.
  EXPECT_EQ(std::string(HandleData(text), GetHandleByteSize(text)), file + std::string(1, '\0'));
  FreeHandle(text);

  const std::vector<TLink*> noMeter = {world->GetUnitHandler()};
  EXPECT_EQ(MakeMeterDataText(kCmdExportMeterData, &noMeter, world.get(), &view), nullptr);
}

}  // namespace
