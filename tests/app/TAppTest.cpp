#include "app/TApp.h"

#include <cstdio>
#include <string>

#include <gtest/gtest.h>

#include "core/Handle.h"

namespace {

// What the application wrote to its error stream.
class TAppTest : public ::testing::Test {
 protected:
  void SetUp() override {
    stream_ = std::tmpfile();
    ASSERT_NE(stream_, nullptr);
  }
  void TearDown() override { std::fclose(stream_); }

  std::string Reported() {
    std::rewind(stream_);
    std::string text;
    for (int c; (c = std::fgetc(stream_)) != EOF;) text += static_cast<char>(c);
    return text;
  }

  std::FILE* stream_ = nullptr;
};

TEST_F(TAppTest, UnitsBuildAndReleaseTheHandlePool) {
  TApp app(stream_);
  app.InitUnits();
  Handle handle = AllocHandle(10);
  EXPECT_EQ(GetHandleByteSize(handle), 10u);
  app.TermUnits();
}

TEST_F(TAppTest, OutermostFailureIsReportedOnce) {
  TApp app(stream_);
  app.PerformQueuedCommand([&] { app.PerformQueuedCommand([] { ThrowFailure(-43, 0); }); });
  EXPECT_EQ(Reported(), "Yarrowby: error -43 (message 00000000)\n");
  EXPECT_EQ(app.CommandNestingDepth(), 0);
}

TEST_F(TAppTest, SilentAbortReportsNothing) {
  TApp app(stream_);
  app.PerformQueuedCommand([] { ThrowFailure(0, 0); });
  app.ShowError(0, 12);
  EXPECT_EQ(Reported(), "");
}

}  // namespace
