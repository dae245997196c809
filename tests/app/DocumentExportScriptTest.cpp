// Exports a script asks of a document: through the world's export handler, with its frame range
// and its choice of the selection or every object; every way an export can fail is code 8.

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/TApp.h"
#include "bodies/Background.h"
#include "exchange/dxf/DXFExportType.h"
#include "exchange/export/ExportHandler.h"
#include "model/world/QVDoc.h"
#include "scripting/document/APIDocument.h"
#include "scripting/host/Application.h"

namespace {

class DocumentExportScript : public ::testing::Test {
 protected:
  void SetUp() override {
    app_.LoadResourceDlls();
    app_.InitUnits();
    root_ = new TAPIApplication(&log_, nullptr);
    SetLiveObjectRoot(root_);
    InstallDocumentScriptObjects();
    document_ = std::make_unique<TQVDoc>();
    object_ = static_cast<TAPIDocument*>(document_->GetAPIDocument(root_));
    auto background = std::make_unique<TZeroMass>();
    background->Initialize();
    background->SetIdentifier(0);
    World().AdoptObject(std::move(background));
  }
  void TearDown() override {
    document_.reset();
    delete root_;
    std::filesystem::remove(path_);
    app_.TermUnits();
    app_.FreeResourceDlls();
  }
  TWorldDoc& World() { return document_->World(); }
  // The export handler a document keeps once it has exported, with its drawing type.
  TExportHandler& AddHandler() {
    auto handler = std::make_unique<TExportHandler>();
    handler->Initialize();
    handler->SetIdentifier(300);
    auto type = std::make_unique<TDXFExportType>();
    type->Init(kTagDxfExportType, handler.get());
    dxf_ = type.get();
    handler->AddExportType(std::move(type));
    TExportHandler& added = *handler;
    World().AdoptObject(std::move(handler));
    return added;
  }
  int16_t Frame(bool stop) {
    int16_t frame = -99;
    EXPECT_EQ(object_->GetExportFrame(stop, &frame).code, 0);
    return frame;
  }
  std::string Written() {
    std::ifstream in(path_, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  }

  TApp app_;
  TAPICallLog log_;
  TAPIApplication* root_ = nullptr;
  std::unique_ptr<TQVDoc> document_;
  TAPIDocument* object_ = nullptr;
  TExportType* dxf_ = nullptr;
  std::filesystem::path path_ = std::filesystem::temp_directory_path() /
                                ("yb-script-export-" + std::to_string(::getpid()) + ".dxf");
};

TEST_F(DocumentExportScript, AWorldWithoutAnExportHandlerGetsOneWithEveryKindOfExport) {
  TAPIDispatcher* body = nullptr;
  ASSERT_EQ(object_->NewBody(Str31("circle"), &body).code, 0);
  const auto handlers = [this] {
    std::vector<TExportHandler*> found;
    for (TLink* object : World().Objects())
      if (object->IsMemberClass(TExportHandler::kClassID))
        found.push_back(static_cast<TExportHandler*>(object));
    return found;
  };
  ASSERT_TRUE(handlers().empty());
  EXPECT_EQ(object_->Export(kCmdExportDxfFrame, Str255(path_.c_str()), 0).code, 0);
  EXPECT_NE(Written().find("CIRCLE"), std::string::npos) << Written();
  ASSERT_EQ(handlers().size(), 1u);
  TExportHandler* handler = handlers().front();
  for (int16_t command : {kCmdExportMeterData, kCmdExportDxfFrame, kCmdExportDxfFrames,
                          kCmdExportVideo})
    EXPECT_NE(handler->FindExportType(command), nullptr) << command;
  // The one handler made serves every later request: the range is its own.
  EXPECT_EQ(Frame(false), -1);
  EXPECT_EQ(object_->SetExportFrame(true, 20).code, 0);
  EXPECT_EQ(Frame(true), 20);
  EXPECT_EQ(handlers().size(), 1u);
}

TEST_F(DocumentExportScript, TheFrameRangeNeverCrossesItself) {
  AddHandler();
  EXPECT_EQ(Frame(false), -1);
  // No stop is set yet: a start is taken, as a stop is while no start is set.
  object_->SetExportFrame(false, 10);
  EXPECT_EQ(Frame(false), 10);
  object_->SetExportFrame(false, -1);
  object_->SetExportFrame(true, 20);
  EXPECT_EQ(Frame(true), 20);
  object_->SetExportFrame(false, 25);  // past the stop: ignored
  EXPECT_EQ(Frame(false), -1);
  object_->SetExportFrame(false, 10);
  EXPECT_EQ(Frame(false), 10);
  EXPECT_EQ(Frame(true), 20);
  object_->SetExportFrame(false, 25);
  object_->SetExportFrame(true, 5);
  EXPECT_EQ(Frame(false), 10);
  EXPECT_EQ(Frame(true), 20);
  object_->SetExportFrame(true, 30);
  EXPECT_EQ(Frame(true), 30);
}

TEST_F(DocumentExportScript, ADrawingExportWritesEveryObjectOrTheSelectionAlone) {
  AddHandler();
  TAPIDispatcher* body = nullptr;
  ASSERT_EQ(object_->NewBody(Str31("circle"), &body).code, 0);
  ASSERT_EQ(object_->Export(kCmdExportDxfFrame, Str255(path_.c_str()), 0).code, 0);
  const std::string everything = Written();
  EXPECT_EQ(everything.rfind("0\r\nSECTION\r\n2\r\nENTITIES\r\n", 0), 0u) << everything;
  EXPECT_NE(everything.find("CIRCLE"), std::string::npos) << everything;
  EXPECT_TRUE(everything.ends_with("0\r\nEOF\r\n"));
  int16_t step = 0;
  int16_t first = 0;
  bool selectionOnly = true;
  dxf_->GetFrameOptions(step, first, selectionOnly);
  EXPECT_FALSE(selectionOnly);

  // Nothing selected: nothing to draw, which fails the export, and no file.
  std::filesystem::remove(path_);
  EXPECT_EQ(object_->Export(kCmdExportDxfFrame, Str255(path_.c_str()), 1).code, 8);
  dxf_->GetFrameOptions(step, first, selectionOnly);
  EXPECT_TRUE(selectionOnly);
  EXPECT_FALSE(std::filesystem::exists(path_));
}

TEST_F(DocumentExportScript, MeterDataNeedsMetersAndATypeThatWritesIt) {
  AddHandler();
  EXPECT_EQ(object_->Export(kCmdExportMeterData, Str255(path_.c_str()), 0).code, 8);
  EXPECT_FALSE(std::filesystem::exists(path_));
  // A file that cannot be made fails the export.
  TAPIDispatcher* body = nullptr;
  ASSERT_EQ(object_->NewBody(Str31("circle"), &body).code, 0);
  EXPECT_EQ(object_->Export(kCmdExportDxfFrame, Str255("/nonexistent-folder/x.dxf"), 0).code, 8);
}

}  // namespace
