// Documents through the framework's template and manager: opening and File New end in the
// application's own open and new, a file that cannot be read is reported once and gives no
// document; Save and Save As write files that read back and rewrite byte for byte; closing a
// changed world, or the main frame with one open, asks to save it first.

#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <system_error>
#include <vector>

#include "app/TApp.h"
#include "app/frames/DocumentWindows.h"
#include "app/frames/MainFrame.h"
#include "platform/mfc/CDocManager.h"
#include "platform/win32/Clock.h"
#include "platform/win32/Input.h"
#include "platform/win32/Message.h"
#include "platform/win32/MessageBox.h"
#include "platform/win32/OpenFileDialog.h"
#include "platform/win32/Window.h"
#include "tests/app/ProgramDocuments.h"
#include "ui/views/OwlSubview.h"

namespace {

using program_documents::ReadBytes;

// The file dialog's name field.
constexpr int kFileNameField = 100;

std::string Sample(const char* name) {
  const char* source = std::getenv("YB_SOURCE_DIR");
  return std::string(source != nullptr ? source : "../..") + "/samples/" + name;
}

TWorldWindowDocument* FrontDocument() {
  TOwlSubview* front = TOwlSubview::CurrentWindow();
  return front != nullptr ? dynamic_cast<TWorldWindowDocument*>(front->GetDocument()) : nullptr;
}

class DocumentTemplateTest : public ::testing::Test {
 protected:
  void SetUp() override {
    stream_ = std::tmpfile();
    ResetWindowSystem();
    UseVirtualClock(1000);
    char folder[] = "/tmp/yb-template-XXXXXX";
    ASSERT_NE(mkdtemp(folder), nullptr);
    folder_ = folder;
    // The user answers each box and file dialog with the next answer: "yes", "no", "cancel",
    // or a file name typed into the dialog ("" cancels it).
    SetIdleScript([this] {
      if (answers_.empty()) return false;
      if (const HWND box = GetMessageBoxWindow(); box != nullptr) {
        questions_.push_back(GetWindowTextString(GetDlgItem(box, 0xFFFF)));
        const std::string answer = Next();
        InjectKeyStroke(answer == "cancel" ? VK_ESCAPE
                        : answer == "no"   ? 'N'
                        : answer == "ok"   ? VK_RETURN
                                           : 'Y');
        return true;
      }
      if (const HWND dialog = GetOpenFileDialogWindow(); dialog != nullptr) {
        offered_.push_back(GetWindowTextString(GetDlgItem(dialog, kFileNameField)));
        const std::string answer = Next();
        for (const char c : answer)
          InjectCharacter(static_cast<uint8_t>(c));
        InjectKeyStroke(answer.empty() ? VK_ESCAPE : VK_RETURN);
        return true;
      }
      return false;
    });
    app_ = std::make_unique<TApp>(stream_);
    ASSERT_TRUE(app_->InitInstance(CCommandLineInfo()));
  }
  void TearDown() override {
    answers_.clear();
    if (app_ != nullptr) app_->ExitInstance();
    app_.reset();
    SetIdleScript(nullptr);
    ResetWindowSystem();
    UseProcessClock();
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
    std::fclose(stream_);
  }
  // File Open of the framework (the shell, the recent files).
  CDocument* Open(const std::string& path) {
    return static_cast<CWinApp&>(*app_).OpenDocumentFile(path.c_str());
  }
  std::string Next() {
    const std::string answer = answers_.front();
    answers_.erase(answers_.begin());
    return answer;
  }
  std::string Reported() {
    std::rewind(stream_);
    std::string text;
    for (int c; (c = std::fgetc(stream_)) != EOF;)
      text += static_cast<char>(c);
    return text;
  }
  // A copy of the sample in the test's folder.
  std::string CopyOfSample(const char* name) {
    const std::string copy = folder_ + "/" + name;
    std::filesystem::copy_file(Sample(name), copy);
    return copy;
  }

  std::FILE* stream_ = nullptr;
  std::unique_ptr<TApp> app_;
  std::string folder_;
  std::vector<std::string> answers_;
  std::vector<std::string> questions_;
  std::vector<std::string> offered_;  // the name each file dialog offered as it opened
};

TEST_F(DocumentTemplateTest, FrameworkOpeningAndNewReachTheApplication) {
  const std::string path = CopyOfSample("pendulum.yb");
  CDocument* opened = Open(path);
  ASSERT_NE(opened, nullptr);
  EXPECT_EQ(opened, FrontDocument());
  EXPECT_EQ(FrontDocument()->Path(), FullDocumentPath(path));
  EXPECT_EQ(FrontDocument()->Document().Path(), path);
  // The same file again brings its window forward instead of reading it twice.
  EXPECT_EQ(Open(path), opened);
  EXPECT_EQ(app_->Documents()->OpenCount(), 1u);

  auto& docTemplate = app_->Documents()->Template();
  CDocument* made = app_->OnFileNew();
  ASSERT_NE(made, nullptr);
  EXPECT_NE(made, opened);
  EXPECT_EQ(made, FrontDocument());
  EXPECT_EQ(FrontDocument()->Document().Path(), "");
  EXPECT_EQ(docTemplate.GetUntitledCount(), 1);
  EXPECT_EQ(docTemplate.GetDocuments().size(), 2u);
  EXPECT_EQ(Reported(), "");
}

TEST_F(DocumentTemplateTest, AFileThatCannotBeReadIsShownOnceAndGivesNoDocument) {
  const std::string damaged = folder_ + "/damaged.yb";
  std::ofstream(damaged) << "not a world";
  answers_ = {"ok"};  // the alert is read and dismissed
  EXPECT_EQ(Open(damaged), nullptr);
  const std::string reported = Reported();
  ASSERT_NE(reported.find("damaged.yb"), std::string::npos) << reported;
  EXPECT_EQ(reported.find("Yarrowby:"), reported.rfind("Yarrowby:")) << reported;
  EXPECT_EQ(app_->Documents()->OpenCount(), 0u);
  EXPECT_TRUE(app_->Documents()->Template().GetDocuments().empty());
}

TEST_F(DocumentTemplateTest, SaveAsWritesAWorldThatReadsBackAndRewritesByteForByte) {
  ASSERT_NE(Open(Sample("pendulum.yb")), nullptr);
  const std::string saved = folder_ + "/copy.yb";
  answers_ = {saved};
  app_->Commands().DoMenuCommand(32);
  ASSERT_TRUE(std::filesystem::exists(saved)) << Reported();
  EXPECT_EQ(FrontDocument()->Path(), FullDocumentPath(saved));
  EXPECT_EQ(TOwlSubview::CurrentWindow()->GetTitle(), "copy.yb");

  TQVDoc readBack;
  readBack.ReadDocument(saved);
  const std::string rewritten = folder_ + "/rewritten.yb";
  readBack.WriteDocument(rewritten);
  EXPECT_EQ(program_documents::FirstDifference(ReadBytes(saved), ReadBytes(rewritten)), -1);

  // Save writes where the document now lives, without asking.
  FrontDocument()->Document().SetChangeCount(1);
  std::filesystem::remove(saved);
  app_->Commands().DoMenuCommand(30);
  EXPECT_TRUE(std::filesystem::exists(saved));
  EXPECT_EQ(FrontDocument()->Document().GetChangeCount(), 0);
  EXPECT_TRUE(questions_.empty());
  EXPECT_EQ(Reported(), "");
}

TEST_F(DocumentTemplateTest, SavingAnUntitledWorldAsksForANameAndCancelWritesNothing) {
  ASSERT_NE(app_->OnFileNew(), nullptr);
  answers_ = {""};  // the dialog is cancelled
  app_->Commands().DoMenuCommand(30);
  EXPECT_TRUE(answers_.empty()) << "Save of an untitled world did not ask for a name";
  EXPECT_TRUE(std::filesystem::is_empty(folder_));
  EXPECT_EQ(FrontDocument()->Document().Path(), "");

  // A file that cannot be written is reported and the document stays untitled.
  answers_ = {folder_ + "/missing-folder/world.yb", "ok"};
  app_->Commands().DoMenuCommand(30);
  EXPECT_NE(Reported().find("was not saved"), std::string::npos) << Reported();
  EXPECT_EQ(FrontDocument()->Document().Path(), "");
}

TEST_F(DocumentTemplateTest, NewWorldsAreNumberedAndSavingOneOffersItsTitle) {
  std::vector<std::string> titles;
  for (int made = 0; made < 3; ++made) {
    ASSERT_NE(app_->OnFileNew(), nullptr);
    titles.push_back(TOwlSubview::CurrentWindow()->GetTitle());
  }
  EXPECT_EQ(titles, (std::vector<std::string>{"Untitled", "Untitled 2", "Untitled 3"}));
  EXPECT_EQ(GetWindowTextString(app_->MainFrame()->m_hWnd), "Yarrowby - Untitled 3");
  EXPECT_EQ(FrontDocument()->Document().Title(), "Untitled 3");

  answers_ = {""};  // the dialog is cancelled
  app_->Commands().DoMenuCommand(30);
  EXPECT_EQ(offered_, (std::vector<std::string>{"Untitled 3.yb"}));
}

TEST_F(DocumentTemplateTest, ClosingAChangedWorldAsksToSaveItFirst) {
  const std::string path = CopyOfSample("pendulum.yb");
  ASSERT_NE(Open(path), nullptr);
  TWorldWindowDocument* document = FrontDocument();
  document->Document().SetChangeCount(1);

  answers_ = {"cancel"};
  app_->Commands().DoMenuCommand(31);
  ASSERT_EQ(questions_.size(), 1u);
  EXPECT_NE(questions_[0].find("pendulum.yb"), std::string::npos) << questions_[0];
  EXPECT_EQ(app_->Documents()->OpenCount(), 1u) << "Cancel closed the world";

  // The main frame's close box asks the same, and Cancel keeps the program open.
  answers_ = {"cancel"};
  SendMessage(app_->MainFrame()->m_hWnd, WM_CLOSE, 0, 0);
  EXPECT_EQ(questions_.size(), 2u);
  ASSERT_NE(app_->MainFrame(), nullptr);

  // Yes saves to the world's own file, then the window closes.
  std::filesystem::remove(path);
  answers_ = {"yes"};
  app_->Commands().DoMenuCommand(31);
  EXPECT_EQ(questions_.size(), 3u);
  EXPECT_EQ(app_->Documents()->OpenCount(), 0u);
  EXPECT_TRUE(app_->Documents()->Template().GetDocuments().empty());
  ASSERT_TRUE(std::filesystem::exists(path));
  TQVDoc readBack;
  EXPECT_NO_THROW(readBack.ReadDocument(path));
  EXPECT_EQ(Reported(), "");
}

TEST_F(DocumentTemplateTest, NoGivesTheChangesUpAndAnUnchangedWorldClosesWithoutAsking) {
  const std::string path = CopyOfSample("pendulum.yb");
  const std::vector<uint8_t> original = ReadBytes(path);
  ASSERT_NE(Open(path), nullptr);
  FrontDocument()->Document().SetChangeCount(2);
  answers_ = {"no"};
  app_->Commands().DoMenuCommand(31);
  EXPECT_EQ(questions_.size(), 1u);
  EXPECT_EQ(app_->Documents()->OpenCount(), 0u);
  EXPECT_EQ(ReadBytes(path), original);

  ASSERT_NE(Open(path), nullptr);
  app_->Commands().DoMenuCommand(31);
  EXPECT_EQ(questions_.size(), 1u);
  EXPECT_EQ(app_->Documents()->OpenCount(), 0u);
}

}  // namespace
