// Opening a document as a command of the application: the document read, or one alert that
// names the file that could not be read.

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/OpenDocument.h"
#include "app/TApp.h"
#include "core/Alert.h"
#include "platform/win32/Clock.h"
#include "platform/win32/Input.h"
#include "platform/win32/Message.h"
#include "platform/win32/MessageBox.h"
#include "platform/win32/Window.h"
#include "tools/samples/SampleWorlds.h"

namespace {

class OpenDocumentTest : public ::testing::Test {
 protected:
  void SetUp() override {
    stream_ = std::tmpfile();
    ASSERT_NE(stream_, nullptr);
    app_ = std::make_unique<TApp>(stream_);
    ResetWindowSystem();
    UseVirtualClock(1000);
    app_->LoadResourceDlls();
    app_->InitUnits();
    // The user reads each alert and answers it.
    SetIdleScript([this] {
      const HWND box = GetMessageBoxWindow();
      if (box == nullptr) return false;
      alerts_.push_back(GetWindowTextString(GetDlgItem(box, 0xFFFF)));
      InjectKeyStroke(VK_RETURN);
      return true;
    });
  }
  void TearDown() override {
    SetIdleScript(nullptr);
    app_->TermUnits();
    app_->FreeResourceDlls();
    app_.reset();
    ResetWindowSystem();
    UseProcessClock();
    std::fclose(stream_);
  }
  std::string Reported() {
    std::rewind(stream_);
    std::string text;
    for (int c; (c = std::fgetc(stream_)) != EOF;)
      text += static_cast<char>(c);
    return text;
  }

  std::FILE* stream_ = nullptr;
  std::unique_ptr<TApp> app_;
  std::vector<std::string> alerts_;
};

TEST_F(OpenDocumentTest, TheSampleOpensWithItsObjects) {
  TOpenDocumentCommand open(std::string(YB_SAMPLES_DIR) + "/" +
                            sample_worlds::kSpringAndPinFile);
  app_->Commands().HandleCommand(&open);
  ASSERT_NE(open.Document(), nullptr);
  // The default objects of every world (its engine is the sample's), then the sample's nine.
  EXPECT_EQ(open.Document()->World().Objects().size(), 7u + 9u);
  EXPECT_NE(open.Document()->World().FindObject(sample_worlds::kWheelPinId), nullptr);
  EXPECT_TRUE(alerts_.empty());
  EXPECT_EQ(Reported(), "");
}

TEST_F(OpenDocumentTest, AFileThatCannotBeReadIsShownOnceByName) {
  const std::filesystem::path damaged =
      std::filesystem::temp_directory_path() /
      ("yb-damaged-" + std::to_string(::getpid()) + ".yb");
  {
    std::ofstream out(damaged, std::ios::binary);
    out << "ZodA but nothing after it";
  }
  TOpenDocumentCommand open(damaged.string());
  app_->Commands().HandleCommand(&open);
  EXPECT_EQ(open.Document(), nullptr);
  ASSERT_EQ(alerts_.size(), 1u);
  std::string named = damaged.string();
  named.insert(0, 1, '"');
  named.append("\" was not opened");
  EXPECT_NE(alerts_[0].find(named), std::string::npos) << alerts_[0];
  const std::string reported = Reported();
  EXPECT_NE(reported.find(damaged.string()), std::string::npos) << reported;
  EXPECT_EQ(reported.find('\n'), reported.size() - 1) << "reported once: " << reported;
  // The file is left as it was.
  std::ifstream in(damaged, std::ios::binary);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "ZodA but nothing after it");
  std::filesystem::remove(damaged);

  // The name belongs to that failure: a later one does not repeat it.
  TOpenDocumentCommand missing(damaged.string());
  alerts_.clear();
  app_->Commands().HandleCommand(&missing);
  ASSERT_EQ(alerts_.size(), 1u);
  EXPECT_EQ(alerts_[0].find(damaged.string()), alerts_[0].rfind(damaged.string()))
      << alerts_[0];
  EXPECT_TRUE(FailureDetailText().IsEmpty());
}

// A path too long for the alert gives up the middle of its folder: the file name and what became
// of it are read whole.
TEST_F(OpenDocumentTest, ALongPathKeepsItsFileNameAndWhatBecameOfIt) {
  std::string path = std::filesystem::temp_directory_path().string();
  for (int i = 0; i < 6; ++i) path += "/" + std::string(48, static_cast<char>('a' + i));
  path += "/lost-world.yb";
  ASSERT_GT(path.size(), 300u);
  TOpenDocumentCommand open(path);
  app_->Commands().HandleCommand(&open);
  ASSERT_EQ(alerts_.size(), 1u);
  EXPECT_NE(alerts_[0].find("/lost-world.yb\" was not opened."), std::string::npos) << alerts_[0];
  EXPECT_NE(alerts_[0].find(std::filesystem::temp_directory_path().string()), std::string::npos);
}

}  // namespace

// The reader's own cause stays in the alert, ahead of the document's name (which the alert's
// length limit may cut).
TEST_F(OpenDocumentTest, ADrawingRefusedByItsReaderIsShownWithItsCause) {
  const std::filesystem::path drawing =
      std::filesystem::temp_directory_path() /
      ("yb-endless-" + std::to_string(::getpid()) + ".dxf");
  {
    std::ofstream out(drawing, std::ios::binary);
    out << "0\nSECTION\n2\nBLOCKS\n0\nBLOCK\n2\nB\n0\nINSERT\n2\nB\n0\nENDBLK\n0\nENDSEC\n"
           "0\nSECTION\n2\nENTITIES\n0\nINSERT\n2\nB\n0\nENDSEC\n0\nEOF\n";
  }
  TOpenDocumentCommand open(drawing.string());
  app_->Commands().HandleCommand(&open);
  std::filesystem::remove(drawing);
  EXPECT_EQ(open.Document(), nullptr);
  ASSERT_EQ(alerts_.size(), 1u);
  const size_t cause = alerts_[0].find("inserts itself");
  const size_t name = alerts_[0].find("The document \"");
  ASSERT_NE(cause, std::string::npos) << alerts_[0];
  ASSERT_NE(name, std::string::npos) << alerts_[0];
  EXPECT_LT(cause, name) << alerts_[0];
}
