// The Import command end to end: the open dialog picked by keys, only DXF files (in any case)
// read with the drawing import mode, the view zoomed after an import and left alone otherwise,
// and the busy flag and import mode back at 0 on every way out.

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "app/TApp.h"
#include "core/Alert.h"
#include "core/Failure.h"
#include "model/command/CommandCore.h"
#include "model/world/QVDoc.h"
#include "model/world/WorldDisplay.h"
#include "platform/win32/Clock.h"
#include "platform/win32/Control.h"
#include "platform/win32/Input.h"
#include "platform/win32/Message.h"
#include "platform/win32/OpenFileDialog.h"
#include "platform/win32/Window.h"
#include "tests/platform/win32/DialogTestSupport.h"
#include "ui/periphery/ImportCommand.h"

namespace {

struct ImportSeen {
  int calls = 0;
  std::string path;
  int16_t modeDuring = -1;
  int16_t busyDuring = -1;
  bool fails = false;
};
ImportSeen g_seen;
TQVDoc* g_document = nullptr;

void RecordImport(const std::string& path, double, std::vector<uint8_t>& text, std::string&) {
  ++g_seen.calls;
  g_seen.path = path;
  g_seen.modeDuring = g_document->GetImportMode();
  g_seen.busyDuring = CommandBusyFlag();
  if (g_seen.fails) ThrowFailure(-25001, 0);
  const std::string world =
      "ZAZU YB3X \"Version 2.5\" IE64 MSWindows 0 0 0 0\n10000 \"    \"\n-1\n-1\n";
  text.assign(world.begin(), world.end());
}

class ZoomCountingDisplay : public TWorldDisplay {
 public:
  bool GetShowGrid() const override { return false; }
  void SetShowGrid(bool) override {}
  void ZoomToExtents() override { ++zooms; }
  void UpdateView() override {}
  TWindowPlacement GetPlacement() const override { return {}; }
  void SetPlacement(const TWindowPlacement&) override {}
  void ApplyWindowSettings() override {}
  void SetShown(bool) override {}
  void FocusView() override {}
  MacPoint WorldToPixel(const TVector&) override { return MacPoint(0, 0); }
  MacRect ExtentInPort() const override { return MacRect{0, 0, 100, 100}; }
  void ScrollToOrigin(double, double) override {}
  int zooms = 0;
};

class ImportCommandTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetWindowSystem();
    UseVirtualClock(0);
    RegisterStandardControls();
    app_.LoadResourceDlls();
    app_.InitUnits();
    folder_ = std::filesystem::temp_directory_path() /
              ("yb-import-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder_);
    for (const char* name : {"PLAN.DXF", "plan.Dxf", "notes.txt"})
      std::ofstream(folder_ / name) << "0\nSECTION\n";
    previousFolder_ = std::filesystem::current_path();
    std::filesystem::current_path(folder_);
    document_ = std::make_unique<TQVDoc>();
    document_->World().SetDisplay(&display_);
    g_document = document_.get();
    g_seen = ImportSeen();
    TQVDoc::SetDrawingImporter(&RecordImport);
    CommandBusyFlag() = 0;
  }
  void TearDown() override {
    SetIdleScript(nullptr);
    TQVDoc::SetDrawingImporter(nullptr);
    document_->World().SetDisplay(nullptr);
    document_.reset();
    g_document = nullptr;
    std::filesystem::current_path(previousFolder_);
    std::filesystem::remove_all(folder_);
    app_.TermUnits();
    app_.FreeResourceDlls();
    ResetWindowSystem();
    UseProcessClock();
  }
  // Types the text into the open dialog: letters by their keys (Shift for capitals), anything
  // else as the character it makes.
  static void Type(const std::string& text) {
    for (const char c : text) {
      if (std::isupper(static_cast<unsigned char>(c))) {
        InjectKey(VK_SHIFT, true);
        InjectKeyStroke(c);
        InjectKey(VK_SHIFT, false);
      } else if (std::islower(static_cast<unsigned char>(c))) {
        InjectKeyStroke(std::toupper(static_cast<unsigned char>(c)));
      } else {
        InjectCharacter(static_cast<uint8_t>(c));
      }
    }
  }
  // Performs the command while a user types the name and presses the key.
  void ImportTyping(const std::string& name, int32_t key = VK_RETURN) {
    ScriptUser({[this, name] {
                  dialogTitle_ = GetWindowTextString(GetOpenFileDialogWindow());
                  nameLabel_ = GetWindowTextString(
                      GetDlgItem(GetOpenFileDialogWindow(), kFileNameLabelId));
                  Type(name);
                },
                [key] { InjectKeyStroke(key); }});
    TImportCommand command;
    command.Initialize(kImportCommandNumber, document_.get());
    command.Perform();
  }

  TApp app_;
  std::filesystem::path folder_;
  std::filesystem::path previousFolder_;
  std::unique_ptr<TQVDoc> document_;
  ZoomCountingDisplay display_;
  std::string dialogTitle_;
  std::string nameLabel_;
};

TEST_F(ImportCommandTest, ADxfFilePickedByKeysIsReadAsADrawingAndTheViewZoomed) {
  ImportTyping("PLAN.DXF");
  EXPECT_EQ(dialogTitle_, "Import");
  EXPECT_EQ(nameLabel_, "File &name:");
  ASSERT_EQ(g_seen.calls, 1);
  EXPECT_EQ(std::filesystem::path(g_seen.path), folder_ / "PLAN.DXF");
  EXPECT_EQ(g_seen.modeDuring, kImportDrawingMode);
  EXPECT_EQ(g_seen.busyDuring, 1);
  EXPECT_EQ(display_.zooms, 1);
  EXPECT_EQ(CommandBusyFlag(), 0);
  EXPECT_EQ(document_->GetImportMode(), 0);

  ImportTyping("plan.Dxf");
  EXPECT_EQ(g_seen.calls, 2);
  EXPECT_EQ(display_.zooms, 2);
}

TEST_F(ImportCommandTest, CancellingOrAnotherKindOfFileImportsNothing) {
  ImportTyping("PLAN.DXF", VK_ESCAPE);
  ImportTyping("notes.txt");
  EXPECT_EQ(g_seen.calls, 0);
  EXPECT_EQ(display_.zooms, 0);
  EXPECT_EQ(CommandBusyFlag(), 0);
  EXPECT_EQ(document_->GetImportMode(), 0);
}

TEST_F(ImportCommandTest, AFailedImportLeavesTheProgramFreeAndTheViewAlone) {
  g_seen.fails = true;
  EXPECT_THROW(ImportTyping("PLAN.DXF"), QVException);
  EXPECT_EQ(g_seen.calls, 1);
  EXPECT_EQ(CommandBusyFlag(), 0);
  EXPECT_EQ(document_->GetImportMode(), 0);
  EXPECT_EQ(display_.zooms, 0);

  // A file that cannot be opened fails before anything is read.
  g_seen = ImportSeen();
  std::filesystem::permissions(folder_ / "PLAN.DXF", std::filesystem::perms::none);
  if (::access((folder_ / "PLAN.DXF").c_str(), R_OK) != 0) {
    EXPECT_THROW(ImportTyping("PLAN.DXF"), QVException);
    EXPECT_EQ(g_seen.calls, 0);
    EXPECT_EQ(CommandBusyFlag(), 0);
    EXPECT_EQ(document_->GetImportMode(), 0);
  }
}

TEST_F(ImportCommandTest, WithoutADrawingImporterTheDocumentRefusesTheDrawing) {
  TQVDoc::SetDrawingImporter(nullptr);
  try {
    ImportTyping("PLAN.DXF");
    ADD_FAILURE() << "the import went through without an importer";
  } catch (const QVException& failure) {
    EXPECT_EQ(failure.error(), -25002);
  }
  FailureDetailText() = Str255();
  EXPECT_EQ(CommandBusyFlag(), 0);
  EXPECT_EQ(document_->GetImportMode(), 0);
}

TEST_F(ImportCommandTest, TheCommandNeedsADocument) {
  TImportCommand command;
  EXPECT_THROW(command.Initialize(kImportCommandNumber, nullptr), QVException);
  EXPECT_EQ(command.GetDocument(), nullptr);
}

}  // namespace
