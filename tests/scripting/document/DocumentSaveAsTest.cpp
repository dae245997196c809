// SaveAs from a script: a document in a window is saved by the application, with the program's
// save-with-results switch set to the script's flag while it saves and restored afterwards; a
// save that fails, through the application or directly, is error 900 to the script.

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "model/world/QVDoc.h"
#include "tests/scripting/ScriptedProgram.h"

namespace {

// The test application as a program that shows its documents in windows: saves go to it.
class TWindowedApplication : public TScriptApplication {
 public:
  explicit TWindowedApplication(TTestApplication& inner) : inner_(inner) {}
  bool QuitRequested() const override { return inner_.QuitRequested(); }
  HWND MainWindow() const override { return inner_.MainWindow(); }
  TList* OpenDocuments() override { return inner_.OpenDocuments(); }
  TQVDoc* FrontDocument() override { return inner_.FrontDocument(); }
  void ActivateDocument(TQVDoc& document) override { inner_.ActivateDocument(document); }
  void NewDocument() override { inner_.NewDocument(); }
  void OpenDocument(const FSSpec& file) override { inner_.OpenDocument(file); }
  bool FloatingWindowVisible(int16_t command) override {
    return inner_.FloatingWindowVisible(command);
  }
  void FloatingWindowCommand(int16_t command) override { inner_.FloatingWindowCommand(command); }
  void ShowScriptMessage(int32_t kind, const char* text) override {
    inner_.ShowScriptMessage(kind, text);
  }
  std::optional<bool> SaveDocumentAs(TQVDoc& document, const std::string& path) override {
    saves.push_back({&document, path, TQVDoc::GetSaveWithResults()});
    return saved;
  }

  struct Save {
    TQVDoc* document;
    std::string path;
    uint16_t withResults;
    bool operator==(const Save&) const = default;
  };
  std::vector<Save> saves;
  bool saved = true;

 private:
  TTestApplication& inner_;
};

class DocumentSaveAs : public ScriptedProgram {
 protected:
  void SetUp() override {
    ScriptedProgram::SetUp();
    application_.NewDocument();
    kept_ = TQVDoc::GetSaveWithResults();
  }
  void TearDown() override {
    TQVDoc::SetSaveWithResults(kept_);
    ScriptedProgram::TearDown();
  }
  std::string With(const std::string& body) {
    return Run("Dim d As YBDocument\nSet d = YB.ActiveDocument\nOn Error Resume Next\n" + body +
               "\nPrint Err.Number");
  }

  uint16_t kept_ = 1;
};

TEST_F(DocumentSaveAs, AWindowedDocumentIsSavedByTheApplicationWithTheScriptsFlag) {
  TWindowedApplication windowed(application_);
  SetScriptApplication(&windowed);
  TQVDoc::SetSaveWithResults(1);
  const std::string first = (folder_ / "first.yb").string();
  const std::string second = (folder_ / "second.yb").string();
  EXPECT_EQ(With("d.SaveAs \"" + first + "\"\nd.SaveAs \"" + second + "\", True"), "0\n");
  SetScriptApplication(&application_);
  using Save = TWindowedApplication::Save;
  EXPECT_EQ(windowed.saves, (std::vector<Save>{{application_.front, first, 0},
                                               {application_.front, second, 1}}));
  EXPECT_EQ(TQVDoc::GetSaveWithResults(), 1);
  // The window saved it: nothing was written behind its back.
  EXPECT_FALSE(std::filesystem::exists(first));
}

TEST_F(DocumentSaveAs, AFailedSaveIsError900AndRestoresTheSwitch) {
  TWindowedApplication windowed(application_);
  windowed.saved = false;
  SetScriptApplication(&windowed);
  TQVDoc::SetSaveWithResults(0);
  EXPECT_EQ(With("d.SaveAs \"" + (folder_ / "refused.yb").string() + "\", True"), "900\n");
  SetScriptApplication(&application_);
  EXPECT_EQ(TQVDoc::GetSaveWithResults(), 0);

  // Without windows the document is written directly; a folder that is not there fails alike.
  TQVDoc::SetSaveWithResults(1);
  EXPECT_EQ(With("d.SaveAs \"" + (folder_ / "absent" / "x.yb").string() + "\""), "900\n");
  EXPECT_EQ(TQVDoc::GetSaveWithResults(), 1);
  const std::string written = (folder_ / "written.yb").string();
  EXPECT_EQ(With("d.SaveAs \"" + written + "\""), "0\n");
  EXPECT_TRUE(std::filesystem::exists(written));
}

}  // namespace
