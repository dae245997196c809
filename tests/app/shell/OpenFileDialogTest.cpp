// The open dialog in the toolbox manner: the pattern chosen by command, the filter built from
// it, and the reply for a chosen file, a cancelled dialog and a path too long to keep.

#include <gtest/gtest.h>

#include <string>

#include "app/shell/OpenFileDialog.h"
#include "core/Failure.h"
#include "core/FileCalls.h"

namespace {

class OpenFileDialogTest : public ::testing::Test {
 protected:
  void TearDown() override { SetFileDialogAnswerer(nullptr); }
  // The dialog answers with the path (nothing: cancelled) and records what it was asked.
  void Answer(std::optional<std::string> path) {
    SetFileDialogAnswerer([this, path](FileDialogRequest& request) {
      asked = request;
      return path;
    });
  }
  FileDialogRequest asked;
};

TEST_F(OpenFileDialogTest, TheCommandChoosesThePatternAndTheFilterOffersAllFilesOnce) {
  EXPECT_EQ(FileDialogPattern(20, "*.txt"), "*.yb");
  EXPECT_EQ(FileDialogPattern(5515, "*.txt"), "*.ybs");
  EXPECT_EQ(FileDialogPattern(1200, "*.txt"), "*.txt");
  EXPECT_EQ(FileDialogPattern(1200, ""), "*.yb");
  EXPECT_EQ(FileDialogFilter("*.yb"), "*.yb|*.yb|*.*|*.*||");
  EXPECT_EQ(FileDialogFilter("*.*"), "*.*|*.*||");
}

TEST_F(OpenFileDialogTest, TheReplyHoldsTheChosenFileOrSaysTheDialogWasCancelled) {
  const std::string sample = std::string(std::getenv("YB_SOURCE_DIR") ? std::getenv("YB_SOURCE_DIR")
                                                                      : "../..") +
                             "/samples/pendulum.yb";
  Answer(sample);
  TFileReply reply;
  DoOpenFileDialog(20, "Open a world", "*.txt", reply);
  EXPECT_TRUE(asked.open);
  EXPECT_EQ(asked.filter, "*.yb|*.yb|*.*|*.*||");
  EXPECT_EQ(asked.defaultExtension, "*.yb");
  EXPECT_EQ(asked.title, "Open a world");
  EXPECT_EQ(reply.good, 1);
  EXPECT_EQ(std::string(reply.name.AsCString()), sample);
  EXPECT_EQ(static_cast<uint32_t>(reply.fileType), GetFileTypeOfPath(sample.c_str()));

  Answer(std::nullopt);
  DoOpenFileDialog(20, "Open a world", "", reply);
  EXPECT_EQ(reply.good, 0);
  EXPECT_TRUE(reply.name.IsEmpty());
  EXPECT_EQ(reply.fileType, -1);
}

TEST_F(OpenFileDialogTest, APathTooLongForTheReplyIsRefusedNotCutShort) {
  Answer("/tmp/" + std::string(300, 'a') + ".yb");
  TFileReply reply;
  try {
    DoOpenFileDialog(20, "Open a world", "", reply);
    ADD_FAILURE() << "a 308-character path was accepted";
  } catch (const QVException& failure) {
    EXPECT_EQ(failure.error(), -37);
  }
  EXPECT_EQ(reply.good, 0);
}

TEST_F(OpenFileDialogTest, AFileRecordTakesTheChosenPathAndACancelLeavesIt) {
  TOpenFileRequest request;
  request.spec.name = "/earlier.yb";
  Answer(std::nullopt);
  EXPECT_EQ(OpenWorldFile(request), 0);
  EXPECT_EQ(std::string(request.spec.name.AsCString()), "/earlier.yb");
  Answer(std::string("/tmp/chosen.ybs"));
  request.command = 5515;
  EXPECT_EQ(OpenWorldFile(request), 1);
  EXPECT_EQ(asked.filter, "*.ybs|*.ybs|*.*|*.*||");
  EXPECT_EQ(std::string(request.spec.name.AsCString()), "/tmp/chosen.ybs");
  EXPECT_EQ(request.fileType, GetFileTypeOfPath("/tmp/chosen.ybs"));
}

}  // namespace
