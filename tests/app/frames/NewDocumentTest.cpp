// New starts from the preferences document when the configuration directory holds one: an
// untitled copy whose saving asks for a name and leaves the preferences file alone; without it
// New makes an empty world. Documents are made by the kind of the file they are read from.

#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>

#include "app/TApp.h"
#include "app/frames/DocumentWindows.h"
#include "core/FileCalls.h"
#include "core/Tag.h"
#include "platform/win32/Clock.h"
#include "platform/win32/Window.h"
#include "ui/views/OwlSubview.h"

namespace {

std::string Sample(const char* name) {
  const char* source = std::getenv("YB_SOURCE_DIR");
  return std::string(source != nullptr ? source : "../..") + "/samples/" + name;
}

TQVDoc* FrontDocument() {
  TOwlSubview* front = TOwlSubview::CurrentWindow();
  auto* document = front != nullptr ? dynamic_cast<TWorldWindowDocument*>(front->GetDocument())
                                    : nullptr;
  return document != nullptr ? &document->Document() : nullptr;
}

class NewDocumentTest : public ::testing::Test {
 protected:
  void SetUp() override {
    stream_ = std::tmpfile();
    ResetWindowSystem();
    UseVirtualClock(1000);
    char folder[] = "/tmp/yb-new-XXXXXX";
    ASSERT_NE(mkdtemp(folder), nullptr);
    folder_ = folder;
  }
  void TearDown() override {
    ResetWindowSystem();
    UseProcessClock();
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
    std::fclose(stream_);
  }

  std::FILE* stream_ = nullptr;
  std::string folder_;
};

TEST_F(NewDocumentTest, NewStartsFromThePreferencesDocumentWhenThereIsOne) {
  TApp app(stream_);
  app.SetConfigDirectory(folder_);
  ASSERT_TRUE(app.InitInstance(CCommandLineInfo()));
  app.NewDocument();
  ASSERT_NE(FrontDocument(), nullptr);
  const size_t empty = FrontDocument()->World().Objects().size();

  const std::filesystem::path prefs = std::filesystem::path(folder_) / "Yarrowby" / "YBPREFS4.YB";
  std::filesystem::create_directories(prefs.parent_path());
  std::filesystem::copy_file(Sample("pendulum.yb"), prefs);
  const auto prefsSize = std::filesystem::file_size(prefs);
  app.NewDocument();
  TQVDoc* copy = FrontDocument();
  ASSERT_NE(copy, nullptr);
  // Untitled, not named after the preferences file: the second new world of the run.
  EXPECT_EQ(TOwlSubview::CurrentWindow()->GetTitle(), "Untitled 2");
  // The copy holds the preferences document's objects, not a new world's.
  const size_t inPendulum = [this] {
    TQVDoc pendulum;
    pendulum.ReadDocument(Sample("pendulum.yb"));
    return pendulum.World().Objects().size();
  }();
  EXPECT_NE(copy->World().Objects().size(), empty);
  EXPECT_EQ(copy->World().Objects().size(), inPendulum);
  EXPECT_EQ(copy->Path(), "");
  EXPECT_EQ(std::filesystem::file_size(prefs), prefsSize);
  EXPECT_EQ(std::string(), [&] {
    std::rewind(stream_);
    std::string text;
    for (int c; (c = std::fgetc(stream_)) != EOF;) text += static_cast<char>(c);
    return text;
  }());
  app.ExitInstance();
}

TEST_F(NewDocumentTest, DocumentsAreMadeByTheKindOfTheirFile) {
  const auto kindOf = [](uint32_t type) { return TQVApp::DocumentKindOfFile(&type); };
  EXPECT_EQ(TQVApp::DocumentKindOfFile(nullptr), 1206);
  EXPECT_EQ(kindOf(MakeTag("TEXT")), 1200);
  EXPECT_EQ(kindOf(MakeTag("zuqP")), 1201);
  EXPECT_EQ(kindOf(MakeTag("zuqX")), 1202);
  EXPECT_EQ(kindOf(MakeTag("zu\xB4P")), 1203);
  EXPECT_EQ(kindOf(MakeTag("zu\xB4X")), 1204);
  EXPECT_EQ(kindOf(MakeTag("ZodA")), 1206);
  EXPECT_EQ(kindOf(MakeTag("ZUQd")), 1206);
  EXPECT_EQ(kindOf(kSiblingFileType), 1206);
  EXPECT_EQ(kindOf(kNoFileType), 1206);

  TApp app(stream_);
  app.SetConfigDirectory(folder_);
  ASSERT_TRUE(app.InitInstance(CCommandLineInfo()));
  app.SetNewWorldValue(7);
  for (const int32_t kind : {1200, 1201, 1202, 1203, 1204, 1205, 1206})
    EXPECT_EQ(app.CreateDocument(kind)->WorldType(), TQVApp::WorldTypeOfKind(kind)) << kind;
  EXPECT_EQ(TQVApp::WorldTypeOfKind(1205), MakeTag("ZUQd"));
  EXPECT_EQ(TQVApp::WorldTypeOfKind(1203), MakeTag("zu\xB4P"));
  EXPECT_EQ(app.CreateDocument(1205)->NewWorldValue(), 0);
  {
    const std::unique_ptr<TQVDoc> embedded = app.CreateDocument(1751);
    EXPECT_EQ(embedded->WorldType(), MakeTag("ZodA"));
    EXPECT_EQ(embedded->NewWorldValue(), 7);
  }
  EXPECT_EQ(app.CreateDocument(4321)->WorldType(), MakeTag("ZodA"));

  // A world file opens as a world of its type.
  ASSERT_TRUE(app.OpenDocumentFile(Sample("pendulum.yb")));
  ASSERT_NE(FrontDocument(), nullptr);
  EXPECT_EQ(FrontDocument()->WorldType(), MakeTag("ZodA"));
  app.ExitInstance();
}

}  // namespace
