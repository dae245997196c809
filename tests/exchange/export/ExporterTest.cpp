#include "exchange/export/Exporter.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <unistd.h>

#include "core/Resources.h"
#include "core/StreamText.h"
#include "exchange/export/ExportHandler.h"
#include "platform/win32/Clock.h"
#include "platform/win32/Input.h"
#include "platform/win32/MessageBox.h"
#include "platform/win32/Message.h"
#include "platform/win32/Window.h"
#include "tests/platform/win32/DialogTestSupport.h"
#include "ui/items/ItemKinds.h"
#include "ui/periphery/ProgressDialog.h"
#include "resources/ResourceLibraries.h"
#include "simulation/UnitHandler.h"
#include "tests/model/world/WorldTestSupport.h"

namespace {

// The control of the prompt's question.
constexpr int32_t kPromptTextId = 100;

using world_test::TTestEngine;
using world_test::TTestHost;
using world_test::TTestStore;
using world_test::WorldScope;

class TTestType : public TExportType {
 public:
  TTestType() { SetIdentity(kCmdExportDxfFrames, MakeTag("exTT"), MakeTag("TEXT"), MakeTag("ttxt")); }
};

// Writes "frame n" per exported frame; may stop its run or fail at a chosen frame.
class TTextExporter : public TExporter {
 public:
  int32_t stopAt = -1;
  int32_t failAt = -1;

 protected:
  std::unique_ptr<TAbstractStream> MakeOutputStream() override {
    return std::make_unique<TTextOutStream>(Units(), 256, -1, true, true, false);
  }
  void WriteFrame() override {
    if (CurrentExportFrame() == failAt) ThrowFailure(-36, 0);
    auto* text = static_cast<TTextOutStream*>(Output());
    char line[32];
    std::snprintf(line, sizeof line, "frame %d;", static_cast<int>(CurrentExportFrame()));
    text->WriteString(line, false);
    SetHasData();
    if (CurrentExportFrame() == stopAt) Stop();
  }
};

// Needs more bytes than the disk it writes to has free.
class TCrampedExporter : public TTextExporter {
 protected:
  void EstimateSize(int32_t& a, int32_t& b, int32_t& initialSize) override {
    TTextExporter::EstimateSize(a, b, initialSize);
    a = 4096;
  }
  int64_t FreeBytes() const override { return 4095; }
};

// Notes where the progress dialog stands at each frame it writes (-1 without one).
// and under which title.
class TProgressExporter : public TTextExporter {
 public:
  std::vector<int32_t> positions;
  std::string title;

 protected:
  void WriteFrame() override {
    int32_t position = -1;
    if (Progress() != nullptr) {
      Progress()->GetPos(position);
      title = GetWindowTextString(Progress()->m_hWnd);
    }
    positions.push_back(position);
    TTextExporter::WriteFrame();
  }
};

// Has the Cancel button of its progress clicked once the chosen frame is written.
class TCancelledExporter : public TProgressExporter {
 public:
  int32_t cancelAfter = -1;

 protected:
  void WriteFrame() override {
    TProgressExporter::WriteFrame();
    if (CurrentExportFrame() != cancelAfter || Progress() == nullptr) return;
    const HWND cancel = GetDlgItem(Progress()->m_hWnd, IDCANCEL);
    PostMessage(cancel, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(3, 3));
    PostMessage(cancel, WM_LBUTTONUP, 0, MAKELPARAM(3, 3));
  }
};

class TPerFrameExporter : public TTextExporter {
 public:
  TPerFrameExporter() { SetOneFilePerFrame(true); }
};

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

class ExporterTest : public ::testing::Test {
 protected:
  void SetUp() override {
    scope = std::make_unique<WorldScope>();
    world = std::make_unique<TWorldDoc>();
    world->SetHost(&host);
    world->InitWorld(0);
    auto owned = std::make_unique<TTestStore>();
    store = owned.get();
    world->SetStore(std::move(owned));
    world->SetEngine(std::make_unique<TTestEngine>(*store));
    world->AdoptObject(std::make_unique<TWorldUnitHandler>());
    handler.Initialize();
    auto owningType = std::make_unique<TTestType>();
    type = owningType.get();
    type->Init(MakeTag("eTTT"), &handler);
    handler.AddExportType(std::move(owningType));
    char pattern[] = "/tmp/yb-export-XXXXXX";
    ASSERT_NE(::mkdtemp(pattern), nullptr);
    folder = pattern;
  }
  void TearDown() override {
    std::filesystem::remove_all(folder);
    world.reset();
    scope.reset();
  }

  // Initialises the exporter for frames start..stop with the step into folder/name.
  void Init(TExporter& exporter, const char* name, int32_t start, int32_t stop, int32_t step = 1,
            int32_t firstFile = 0) {
    type->SetIntProperty(MakeTag("xpSF"), step);
    type->SetIntProperty(MakeTag("xpsF"), firstFile);
    TExportFileSpec target;
    target.name.Assign((folder + "/" + name).c_str());
    exporter.Init(kCmdExportDxfFrames, world.get(), &view, &handler, type, target,
                  TExportNameSpec(), false, start, stop);
  }
  std::string Path(const char* name) const { return folder + "/" + name; }

  std::unique_ptr<WorldScope> scope;
  TTestHost host;
  std::unique_ptr<TWorldDoc> world;
  TTestStore* store = nullptr;
  TExportHandler handler;
  TTestType* type = nullptr;
  int view = 0;
  std::string folder;
};

TEST_F(ExporterTest, RangesExportWholeStepsWithBothEndsOfOneStep) {
  struct Case {
    int32_t start, stop, step;
    std::vector<int32_t> frames;
  };
  const Case cases[] = {{0, 10, 3, {0, 3, 6, 9}},
                        {4, 5, 1, {4, 5}},  // one step holds both ends
                        {6, 2, 1, {6}},     // reversed: the start alone
                        {3, 4, 2, {3}}};
  for (const Case& c : cases) {
    TTextExporter exporter;
    Init(exporter, "run.txt", c.start, c.stop, c.step);
    exporter.Perform();
    EXPECT_EQ(exporter.ExportedFrames(), c.frames) << c.start << ".." << c.stop;
    std::string expected;
    for (int32_t frame : c.frames) expected += "frame " + std::to_string(frame) + ";";
    EXPECT_EQ(ReadFile(Path("run.txt")), expected);
  }
}

TEST_F(ExporterTest, StartFrameAlreadyShownIsExportedOnce) {
  world->RunToFrame(2, nullptr);
  world->ShowFrame(2, 1);
  TTextExporter exporter;
  Init(exporter, "run.txt", 2, 4);
  exporter.Perform();
  EXPECT_EQ(ReadFile(Path("run.txt")), "frame 2;frame 3;frame 4;");
}

TEST_F(ExporterTest, PerFrameFilesAreNumberedBeforeTheExtension) {
  {
    TPerFrameExporter exporter;
    Init(exporter, "arm.dxf", 0, 11, 1, 0);
    exporter.Perform();
    ASSERT_EQ(exporter.ExportedFrames().size(), 12u);
  }
  EXPECT_EQ(ReadFile(Path("arm 0000.dxf")), "frame 0;");
  EXPECT_EQ(ReadFile(Path("arm 0011.dxf")), "frame 11;");
  EXPECT_FALSE(std::filesystem::exists(Path("arm 0012.dxf")));
  EXPECT_FALSE(std::filesystem::exists(Path("arm.dxf")));

  // Numbers start at the type's first file number; a name without a dot keeps no extension.
  TPerFrameExporter numbered;
  Init(numbered, "arm", 7, 8, 1, 7);
  numbered.Perform();
  EXPECT_EQ(numbered.ExportedFrames(), (std::vector<int32_t>{7, 8}));
  EXPECT_EQ(ReadFile(Path("arm 0007")), "frame 7;");
  EXPECT_EQ(ReadFile(Path("arm 0008")), "frame 8;");
  Str255 name;
  numbered.PerFrameFileName(12345, name);
  EXPECT_EQ(std::string(name.Chars()), Path("arm 12345"));
}

TEST_F(ExporterTest, ExistingFrameFileIsKeptUnlessTheUserAgreesToReplaceIt) {
  { std::ofstream(Path("arm 0000.dxf")) << "mine"; }
  // The program's texts hold the replace question, asked in the yes-or-no prompt.
  RegisterResourceLibraries();
  SetResourceModule1(LoadResourceLibrary(kMainResourceLibrary));
  RegisterDialogItemKinds();
  ResetWindowSystem();
  UseVirtualClock(0);
  std::string asked;
  const auto answer = [&asked](int32_t key) {
    ScriptUser({[&asked, key] {
      asked = GetWindowTextString(GetDlgItem(GetActiveWindow(), kPromptTextId));
      InjectKeyStroke(key);
    }});
  };
  answer(VK_ESCAPE);  // No
  {
    TPerFrameExporter exporter;
    Init(exporter, "arm.dxf", 0, 2);
    try {
      exporter.Perform();
      ADD_FAILURE() << "the export went on";
    } catch (const QVException& failure) {
      EXPECT_EQ(failure.error(), kErrNone);  // ends without an error message
    }
    EXPECT_TRUE(exporter.ExportedFrames().empty());
  }
  EXPECT_EQ(asked, "Files of these names exist already. Replace them?");
  EXPECT_EQ(ReadFile(Path("arm 0000.dxf")), "mine");
  EXPECT_FALSE(std::filesystem::exists(Path("arm 0001.dxf")));
  answer(VK_RETURN);  // Yes, once for every file of the export
  {
    TPerFrameExporter exporter;
    Init(exporter, "arm.dxf", 0, 2);
    exporter.Perform();
  }
  EXPECT_EQ(ReadFile(Path("arm 0000.dxf")), "frame 0;");
  EXPECT_EQ(ReadFile(Path("arm 0002.dxf")), "frame 2;");
  SetIdleScript(nullptr);
  UnregisterDialogItemKinds();
  ResetWindowSystem();
  UseProcessClock();
}

TEST_F(ExporterTest, AnExportOfSeveralFramesShowsItsProgressFrameByFrame) {
  RegisterResourceLibraries();
  SetResourceModule1(LoadResourceLibrary(kMainResourceLibrary));
  {
    TProgressExporter exporter;
    Init(exporter, "steps.txt", 2, 8, 3);
    exporter.Perform();
    EXPECT_EQ(exporter.positions, (std::vector<int32_t>{2, 5, 8}));
    EXPECT_EQ(exporter.title, "Export");
    EXPECT_EQ(exporter.Progress(), nullptr);  // gone with the export
  }
  {
    // Cancel is taken before the next frame: that frame is the last written, and the file
    // keeps every frame written.
    TCancelledExporter cancelled;
    cancelled.cancelAfter = 3;
    Init(cancelled, "cancelled.txt", 0, 9);
    cancelled.Perform();
    EXPECT_EQ(cancelled.ExportedFrames(), (std::vector<int32_t>{0, 1, 2, 3, 4}));
    EXPECT_EQ(ReadFile(Path("cancelled.txt")), "frame 0;frame 1;frame 2;frame 3;frame 4;");
  }
  TProgressExporter single;
  Init(single, "one.txt", 4, 4);
  single.Perform();
  EXPECT_EQ(single.positions, (std::vector<int32_t>{-1}));
}

TEST_F(ExporterTest, TooLittleFreeSpaceStopsTheExportBeforeAnyFile) {
  TCrampedExporter exporter;
  Init(exporter, "full.txt", 0, 3);
  try {
    exporter.Perform();
    ADD_FAILURE() << "exported onto a full disk";
  } catch (const QVException& failure) {
    EXPECT_EQ(failure.error(), kErrDiskFull);
  }
  EXPECT_TRUE(exporter.ExportedFrames().empty());
  EXPECT_FALSE(std::filesystem::exists(Path("full.txt")));
}

TEST_F(ExporterTest, StopHalfWayWritesWhatWasCollected) {
  TTextExporter exporter;
  exporter.stopAt = 2;
  Init(exporter, "run.txt", 0, 6);
  exporter.Perform();
  EXPECT_EQ(exporter.ExportedFrames(), (std::vector<int32_t>{0, 1, 2}));
  EXPECT_EQ(ReadFile(Path("run.txt")), "frame 0;frame 1;frame 2;");
}

TEST_F(ExporterTest, FailedExportLeavesNoIncompleteFile) {
  {
    TTextExporter exporter;
    exporter.failAt = 3;
    Init(exporter, "run.txt", 0, 6);
    try {
      exporter.Perform();
      ADD_FAILURE() << "the failure was not passed on";
    } catch (const QVException& failure) {
      EXPECT_EQ(failure.error(), -36);
    }
  }
  EXPECT_FALSE(std::filesystem::exists(Path("run.txt")));
}

TEST_F(ExporterTest, MissingPartsFailWithOutOfMemory) {
  TTextExporter exporter;
  TExportFileSpec target;
  target.name.Assign(Path("x.txt").c_str());
  try {
    exporter.Init(kCmdExportDxfFrames, world.get(), &view, &handler, nullptr, target,
                  TExportNameSpec(), false, 0, 1);
    ADD_FAILURE() << "no failure";
  } catch (const QVException& failure) {
    EXPECT_EQ(failure.error(), kErrOutOfMemory);
  }
}

}  // namespace
