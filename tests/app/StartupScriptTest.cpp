// The start-up script: the program run as the user runs it, without a display, with a world on
// the command line and qvstart.ybs in the program's folder.

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

namespace fs = std::filesystem;

struct ProgramRun {
  std::string output;
  int exitCode = -1;
};

ProgramRun RunProgram(const fs::path& programFolder, const std::string& arguments) {
  const std::string command = "env DISPLAY= WAYLAND_DISPLAY= YB_PROGRAM_DIR='" +
                              programFolder.string() + "' '" YB_PROGRAM "' " + arguments +
                              " 2>/dev/null";
  ProgramRun run;
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return run;
  std::array<char, 256> buffer{};
  while (size_t n = fread(buffer.data(), 1, buffer.size(), pipe)) run.output.append(buffer.data(), n);
  const int status = pclose(pipe);
  run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return run;
}

class StartupScript : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = fs::temp_directory_path() /
              ("yb-startup-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs::remove_all(folder_);
    fs::create_directories(folder_);
  }
  void TearDown() override { fs::remove_all(folder_); }
  void WriteStartupScript(const std::string& text) {
    std::ofstream(folder_ / "qvstart.ybs", std::ios::binary) << text;
  }
  fs::path folder_;
};

TEST_F(StartupScript, RunsLastAndSeesTheDocumentOfTheCommandLine) {
  WriteStartupScript(
      "Sub Main()\r\n  Print YB.Version\r\n  Print YB.Documents.Count\r\n"
      "  Print YB.ActiveDocument Is YB.Documents.Item(1)\r\n  Print YB.CurrentScriptPath\r\n"
      "End Sub\r\n");
  const ProgramRun run =
      RunProgram(folder_, "--list-objects '" YB_SAMPLES_DIR "/spring-and-pin.yb'");
  EXPECT_EQ(run.exitCode, 0);
  const std::string expected =
      "Version 4.0.1\n1\nTrue\n" + folder_.string() + "/\n";
  ASSERT_GE(run.output.size(), expected.size()) << run.output;
  EXPECT_EQ(run.output.substr(0, 7), "Opened ");  // the listing comes first
  EXPECT_EQ(run.output.substr(run.output.size() - expected.size()), expected);
}

TEST_F(StartupScript, WithoutDocumentAndWithoutScriptThereIsNothingToSay) {
  EXPECT_EQ(RunProgram(folder_, "").output, "");
  WriteStartupScript("Sub Main()\r\n  Print YB.Documents.Count; YB.ActiveDocument Is Nothing\r\nEnd Sub\r\n");
  const ProgramRun run = RunProgram(folder_, "");
  EXPECT_EQ(run.output, "0True\n");
  EXPECT_EQ(run.exitCode, 0);
}

}  // namespace
