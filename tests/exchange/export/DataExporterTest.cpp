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
#include <utility>
#include <vector>
#include <unistd.h>

#include "core/ClassRegistry.h"
#include "core/Resources.h"
#include "exchange/export/DataExportType.h"
#include "exchange/export/ExportCommand.h"
#include "exchange/export/ExportHandler.h"
#include "exchange/ExchangeClasses.h"
#include "exchange/export/WorldExportHandler.h"
#include "model/world/WorldExports.h"
#include "inout/meters/Output.h"
#include "model/world/RunBridge.h"
#include "platform/win32/Button.h"
#include "platform/win32/Clock.h"
#include "platform/win32/ComboBox.h"
#include "platform/win32/Control.h"
#include "platform/win32/ControlSupport.h"
#include "platform/win32/Dialog.h"
#include "platform/win32/Font.h"
#include "platform/win32/Input.h"
#include "platform/win32/Message.h"
#include "platform/win32/MessageBox.h"
#include "platform/win32/OpenFileDialog.h"
#include "platform/win32/Static.h"
#include "platform/win32/Window.h"
#include "platform/win32/WindowMessages.h"
#include "resources/ResourceLibraries.h"
#include "simulation/HistoryStore.h"
#include "simulation/UnitHandler.h"
#include "simulation/WorldBridge.h"
#include "tests/model/world/WorldTestSupport.h"
#include "tests/platform/win32/DialogTestSupport.h"

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
    meter->SetIdentifier(static_cast<int16_t>(31 + world->Outputs().size()));
    meter->SetColumnCount(static_cast<int32_t>(labels.size()));
    int32_t i = 1;
    for (const char* label : labels) meter->Column(i++)->SetLabel(Str255(label));
    TRecordedMeter& kept = *meter;
    world->AdoptObject(std::move(meter));
    return kept;
  }

  // Frames 0..count-1: the meter's column j holds base + 100 x frame + 10 x (meter's offset) + j.
  std::vector<uint8_t> History(int32_t frames, double base) const {
    THistoryStore history;
    history.SetValuesPerFrame(5);
    history.SetFrameCount(frames);
    for (TOutput* meter : {static_cast<TOutput*>(pressure), static_cast<TOutput*>(speed)}) {
      const int32_t offset = world->RecordedValueOffset(meter);
      for (int32_t f = 0; f < frames; ++f)
        for (int32_t j = 0; j < meter->GetColumnCount(); ++j)
          history.SetValue(f, offset + j, base + 100.0 * f + 10.0 * offset + j);
    }
    return history.RawBlock();
  }
  void Record(int32_t frames) {
    ASSERT_GE(world->RecordedValueOffset(pressure), 0);
    world->ResetHistory(1);
    ASSERT_NE(world->GetStore(), nullptr);
    ASSERT_EQ(world->GetStore()->LoadRawBlock(History(frames, 0)), 0);
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
    TExportFileSpec target;
    target.name.Assign((folder + "/" + name).c_str());
    exporter.Init(kCmdExportMeterData, world.get(), &view, &handler, type, target,
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

// A world that kept an earlier run of its document beside the current one.
class TTwoRunExporter : public TDataExporter {
 public:
  const TFrameStore* earlier = nullptr;

 protected:
  std::vector<const TFrameStore*> RunList() const override {
    return {earlier, World()->GetStore()};
  }
};

TEST_F(DataExporterTest, SeveralRunsStandSideBySideNumberedAndAShortRunIsFilled) {
  Record(3);
  // The earlier run holds two frames of its own values.
  std::unique_ptr<TFrameStore> earlier = RunBridgeHooks().makeStore();
  ASSERT_EQ(earlier->LoadRawBlock(History(2, 5000)), 0);
  // It recorded the pressure's first two columns (its last record counts) and no speed.
  earlier->SetRecordedMeters({{3, pressure->GetIdentifier()}, {2, pressure->GetIdentifier()}});
  type->SetFlagProperty(kTagIncludeHeader, 1);
  RegisterResourceLibraries();
  SetResourceModule1(LoadResourceLibrary(kMainResourceLibrary));
  const auto exportRuns = [&](const std::string& name) {
    TTwoRunExporter exporter;
    exporter.earlier = earlier.get();
    Export(exporter, name, 0, 2);
    return ReadFile(folder + "/" + name);
  };
  // Without the world's several-runs flag the current run stands alone.
  const std::string alone = exportRuns("alone.dta");
  EXPECT_NE(alone.find("Pressure\t\tSpeed\r\np\tq\tv\r\n" + Texts(*pressure, 0, false)),
            std::string::npos)
      << alone;
  world->SetSeveralRuns(1);
  exportRuns("runs.dta");
  const std::string text = ReadFile(folder + "/runs.dta");
  const size_t names = text.find("1:Pressure");
  ASSERT_NE(names, std::string::npos) << text;
  const auto line = [&](int32_t frame, bool earlierHolds) {
    std::string first = "-\t-\t-";
    if (earlierHolds)
      first = std::to_string(5000 + std::stoi(Texts(*pressure, frame, false))) + "\t-\t-";
    return first + "\t" + Texts(*pressure, frame, false) + "\t" + Texts(*speed, frame, false) +
           "\r\n";
  };
  EXPECT_EQ(text.substr(names),
            "1:Pressure\t\t1:Speed\t2:Pressure\t\t2:Speed\r\n"
            "p\tq\tv\tp\tq\tv\r\n" +
                line(0, true) + line(1, true) + line(2, false));
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

// The export menu command run as a user runs it: the dialog's kind list, its frame fields and a
// typed name, driven by synthetic messages and keys.
class ExportDialogTest : public DataExporterTest {
 protected:
  void SetUp() override {
    ResetWindowSystem();
    UseVirtualClock(1000);
    RegisterStandardControls();
    // The exporter is made by its tag, as the program makes it: registered before the world's
    // classes close the registry.
    RegisterDataExporterClasses();
    DataExporterTest::SetUp();
    RegisterResourceLibraries();
    SetResourceModule1(LoadResourceLibrary(kMainResourceLibrary));
  }
  void TearDown() override {
    SetIdleScript(nullptr);
    DataExporterTest::TearDown();
    ResetWindowSystem();
    UseProcessClock();
  }
  static HWND Dialog() { return GetOpenFileDialogWindow(); }
  static std::string Text(int32_t id) { return GetWindowTextString(GetDlgItem(Dialog(), id)); }
  static void Type(const std::string& text) {
    for (const char c : text) InjectCharacter(static_cast<uint8_t>(c));
  }
  static void ChooseKind(int index) {
    HWND list = GetDlgItem(Dialog(), kExportKindListId);
    SendMessage(list, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    SendMessage(Dialog(), WM_COMMAND, MAKELPARAM(kExportKindListId, CBN_SELCHANGE),
                reinterpret_cast<LPARAM>(list));
  }
};

TEST_F(ExportDialogTest, TheMenuCommandWritesTheChosenKindIntoTheNameTyped) {
  Record(3);
  std::unique_ptr<TSmallCommand> command = MakeExportMenuCommand(kCmdExport, *world, nullptr);
  ASSERT_NE(command, nullptr);
  EXPECT_EQ(MakeExportMenuCommand(kCmdExportLastType + 1, *world, nullptr), nullptr);
  TExportHandler& kept = ExportHandlerFor(*world);
  std::string title;
  std::string okText;
  std::string firstKind;
  std::string start;
  std::string stop;
  int refusals = 0;
  const std::string typedFolder = folder + "/";
  ScriptUser({[&] {
                title = GetWindowTextString(Dialog());
                okText = Text(IDOK);
                start = Text(kExportStartFrameId);
                stop = Text(kExportStopFrameId);
                HWND list = GetDlgItem(Dialog(), kExportKindListId);
                char name[64] = {};
                SendMessage(list, CB_GETLBTEXT, 0, reinterpret_cast<LPARAM>(name));
                firstKind = name;
                ChooseKind(1);
                EXPECT_EQ(kept.GetCurrentCommand(), kCmdExportDxfFrame);
                Type(typedFolder + "result.txt");
                InjectKeyStroke(VK_RETURN);
              },
              [&] {
                if (GetMessageBoxWindow() != nullptr) ++refusals;
                InjectKeyStroke(VK_RETURN);
              },
              [&] {
                ASSERT_NE(Dialog(), nullptr);  // still asking
                for (int i = 0; i < 3; ++i) InjectKeyStroke(VK_BACK);
                ChooseKind(0);
                SetWindowText(GetDlgItem(Dialog(), kExportStartFrameId), "1");
                SetWindowText(GetDlgItem(Dialog(), kExportStopFrameId), "2");
                Type("dxf");  // the meter data's extension replaces it
                InjectKeyStroke(VK_RETURN);
              }});
  try {
    command->DoIt();
  } catch (const QVException& failure) {
    FAIL() << "export failed: " << failure.error();
  }
  EXPECT_EQ(title, "Export");
  EXPECT_EQ(okText, "Export");
  EXPECT_EQ(firstKind, "Meter Data (*.dta)");
  EXPECT_EQ(start, "0");
  EXPECT_EQ(stop, "2");  // the last recorded frame
  EXPECT_EQ(refusals, 1);
  EXPECT_FALSE(std::filesystem::exists(folder + "/result.dxf"));
  std::string expected;
  for (int frame = 1; frame <= 2; ++frame)
    expected += Texts(*pressure, frame, false) + "\t" + Texts(*speed, frame, false) + "\r\n";
  EXPECT_EQ(ReadFile(folder + "/result.dta"), expected);
  Str255 name;
  kept.GetExportFileName(kCmdExportMeterData, name);
  EXPECT_STREQ(name.Chars(), "result.dta");

  // A script's export of the same range, on the road scripts take, writes the same bytes.
  InstallWorldExports();
  TLink* found = WorldExports().findHandler(*world);
  ASSERT_EQ(found, &kept);
  std::unique_ptr<TCommandCore> scripted = WorldExports().makeExport(
      *found, *world, kCmdExportMeterData, folder + "/scripted.dta", false);
  ASSERT_NE(scripted, nullptr);
  scripted->Perform();
  EXPECT_EQ(ReadFile(folder + "/scripted.dta"), expected);
}

}  // namespace

// The frames the dialog proposes follow the kind chosen in it: one frame for a drawing of the
// shown frame, the whole run for meter data.
TEST_F(ExportDialogTest, TheProposedFramesFollowTheKindChosen) {
  Record(3);
  world->ShowFrame(1, 1);
  ExportHandlerFor(*world).SetCurrentCommand(kCmdExportDxfFrame);
  std::unique_ptr<TSmallCommand> command = MakeExportMenuCommand(kCmdExport, *world, nullptr);
  ASSERT_NE(command, nullptr);
  std::string drawingStart, drawingStop, runStart, runStop;
  ScriptUser({[&] {
    drawingStart = Text(kExportStartFrameId);
    drawingStop = Text(kExportStopFrameId);
    ChooseKind(0);
    runStart = Text(kExportStartFrameId);
    runStop = Text(kExportStopFrameId);
    InjectKeyStroke(VK_ESCAPE);
  }});
  try {
    command->DoIt();
  } catch (const QVException& failure) {
    EXPECT_EQ(failure.error(), kErrNone);
  }
  EXPECT_EQ(drawingStart, "1");  // the frame shown
  EXPECT_EQ(drawingStop, "1");
  EXPECT_EQ(runStart, "0");
  EXPECT_EQ(runStop, "2");  // the last recorded frame
}

TEST_F(ExportDialogTest, MeterDataWithoutMetersIsRefusedWithAWordAndTheDialogStays) {
  Record(2);
  pressure->SetColumnShown(2, false);
  pressure->SetColumnShown(3, false);
  speed->SetColumnShown(2, false);
  std::unique_ptr<TSmallCommand> command = MakeExportMenuCommand(kCmdExport, *world, nullptr);
  ASSERT_NE(command, nullptr);
  bool told = false;
  bool stayed = false;
  ScriptUser({[&] {
                Type(folder + "/empty.dta");
                InjectKeyStroke(VK_RETURN);
              },
              [&] {
                told = GetMessageBoxWindow() != nullptr;
                InjectKeyStroke(VK_RETURN);
              },
              [&] {
                stayed = Dialog() != nullptr && GetMessageBoxWindow() == nullptr;
                InjectKeyStroke(VK_ESCAPE);
              }});
  try {
    command->DoIt();
    ADD_FAILURE() << "a cancelled export went on";
  } catch (const QVException& failure) {
    EXPECT_EQ(failure.error(), kErrNone);
  }
  EXPECT_TRUE(told) << "no message said there are no meters";
  EXPECT_TRUE(stayed) << "the dialog went with the message";
  EXPECT_FALSE(std::filesystem::exists(folder + "/empty.dta"));

  // A meter with a shown column is exported from the same dialog.
  speed->SetColumnShown(2, true);
  ScriptUser({[&] {
    Type(folder + "/speed.dta");
    InjectKeyStroke(VK_RETURN);
  }});
  command = MakeExportMenuCommand(kCmdExport, *world, nullptr);
  command->DoIt();
  EXPECT_EQ(ReadFile(folder + "/speed.dta"),
            Texts(*speed, 0, false) + "\r\n" + Texts(*speed, 1, false) + "\r\n");
}

namespace {

RECT BoxIn(HWND dialog, HWND control) {
  RECT box;
  GetWindowRect(control, &box);
  MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&box), 2);
  return box;
}

// The label standing just left of a control on its row, or null.
HWND LabelBefore(HWND dialog, HWND control) {
  const RECT field = BoxIn(dialog, control);
  HWND best = nullptr;
  for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    char kind[32] = {};
    GetClassName(child, kind, sizeof kind);
    const RECT box = BoxIn(dialog, child);
    if (std::string(kind) != kStaticClass || box.top != field.top || box.right > field.left)
      continue;
    if (best == nullptr || box.right > BoxIn(dialog, best).right) best = child;
  }
  return best;
}

// Whether a control on the label's row starts inside the label.
bool RunsIntoAField(HWND dialog, HWND label) {
  const RECT box = BoxIn(dialog, label);
  for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    const RECT field = BoxIn(dialog, child);
    if (child != label && field.top == box.top && field.left > box.left && field.left < box.right)
      return true;
  }
  return false;
}

// The width a label's text takes, "&" marks taken out, in the label's font.
int32_t TextWidth(HWND label) {
  const std::string text = GetWindowTextString(label);
  const ControlDc dc(label);
  RECT box{0, 0, 0, 0};
  DrawText(dc.dc(), text.c_str(), static_cast<int32_t>(text.size()), &box,
           DT_LEFT | DT_SINGLELINE | DT_CALCRECT);
  return box.right;
}

}  // namespace

// Each check box of the meter data's options shows its whole text beside its box.
TEST_F(ExportDialogTest, TheMeterDataOptionsShowTheirWholeTexts) {
  const HWND dialog = CreateDialogParam(nullptr, MAKEINTRESOURCEA(1713), nullptr,
                                        [](HWND, UINT, WPARAM, LPARAM) -> intptr_t { return 0; },
                                        0);
  ASSERT_NE(dialog, nullptr);
  constexpr int32_t kBeforeText = 13 + 4;  // the box and the gap after it
  int boxes = 0;
  for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    char kind[32] = {};
    GetClassName(child, kind, sizeof kind);
    const auto style = static_cast<DWORD>(GetWindowLongPtr(child, GWL_STYLE));
    if (std::string(kind) != kButtonClass || (style & BS_TYPEMASK) != BS_AUTOCHECKBOX) continue;
    ++boxes;
    const RECT box = BoxIn(dialog, child);
    EXPECT_LE(TextWidth(child), box.right - box.left - kBeforeText) << GetWindowTextString(child);
  }
  EXPECT_EQ(boxes, 2);
  DestroyWindow(dialog);
}

// Every label shows its whole text without running into its field, and each frame field is named.
TEST_F(ExportDialogTest, LabelsShowWholeAndNameTheFrameFields) {
  Record(2);
  std::unique_ptr<TSmallCommand> command = MakeExportMenuCommand(kCmdExport, *world, nullptr);
  ASSERT_NE(command, nullptr);
  std::vector<std::string> cut;
  std::string fromText, toText;
  ScriptUser({[&] {
    const HWND dialog = Dialog();
    for (const int32_t id : {kFolderLabelId, kFileNameLabelId, kFileTypeLabelId}) {
      const HWND label = GetDlgItem(dialog, id);
      const RECT box = BoxIn(dialog, label);
      if (TextWidth(label) > box.right - box.left || RunsIntoAField(dialog, label))
        cut.push_back(GetWindowTextString(label));
    }
    for (const auto& [id, text] :
         {std::pair{kExportStartFrameId, &fromText}, std::pair{kExportStopFrameId, &toText}})
      if (const HWND label = LabelBefore(dialog, GetDlgItem(dialog, id))) {
        *text = GetWindowTextString(label);
        if (TextWidth(label) > BoxIn(dialog, label).right - BoxIn(dialog, label).left)
          cut.push_back(*text);
      }
    InjectKeyStroke(VK_ESCAPE);
  }});
  try {
    command->DoIt();
  } catch (const QVException& failure) {
    EXPECT_EQ(failure.error(), kErrNone);
  }
  EXPECT_TRUE(cut.empty()) << "cut: " << cut.front();
  EXPECT_EQ(fromText, "From frame");
  EXPECT_EQ(toText, "to");
}
