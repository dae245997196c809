// The start-up script: the program run as the user runs it, without a display, with a world on
// the command line and qvstart.ybs in the program's folder.

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "app/TApp.h"
#include "bodies/Body.h"
#include "constraints/Field.h"
#include "model/world/QVDoc.h"
#include "tools/samples/SampleBuilder.h"

namespace {

namespace fs = std::filesystem;

struct ProgramRun {
  std::string output;
  int exitCode = -1;
};

// Runs `program` without a display; its standard output and exit code.
ProgramRun RunCommand(const std::string& environment, const std::string& program,
                      const std::string& arguments) {
  // Each test's program keeps its settings in the test's own folder, so that programs run side
  // by side never share a settings file.
  const fs::path config =
      fs::temp_directory_path() /
      ("yb-startup-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name())) /
      ".config";
  const std::string command = "env -u YB_PROGRAM_DIR DISPLAY= WAYLAND_DISPLAY= XDG_CONFIG_HOME='" +
                              config.string() + "' " + environment + " '" + program + "' " +
                              arguments + " 2>/dev/null";
  ProgramRun run;
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return run;
  std::array<char, 256> buffer{};
  while (size_t n = fread(buffer.data(), 1, buffer.size(), pipe)) run.output.append(buffer.data(), n);
  const int status = pclose(pipe);
  run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return run;
}

ProgramRun RunProgram(const fs::path& programFolder, const std::string& arguments) {
  return RunCommand("YB_PROGRAM_DIR='" + programFolder.string() + "'", YB_PROGRAM, arguments);
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

TEST_F(StartupScript, RunsFromAProgramFolderWhoseNameHoldsAColon) {
  const fs::path folder = folder_ / "yb:2";
  fs::create_directories(folder);
  std::ofstream(folder / "qvstart.ybs", std::ios::binary)
      << "Sub Main()\r\n  Print YB.StartupDirectory\r\nEnd Sub\r\n";
  const ProgramRun run = RunProgram(folder, "");
  EXPECT_EQ(run.output, folder.string() + "\n");
  EXPECT_EQ(run.exitCode, 0);
}

TEST_F(StartupScript, RunsFromBesideTheProgramWhenNoFolderIsInjected) {
  // The program itself in a folder of the test's, with its start-up script beside it, as a
  // build folder holds them.
  const fs::path program = folder_ / "yarrowby";
  std::error_code linked;
  fs::create_hard_link(YB_PROGRAM, program, linked);
  if (linked) fs::copy_file(YB_PROGRAM, program);
  WriteStartupScript("Sub Main()\r\n  Print YB.StartupDirectory\r\nEnd Sub\r\n");
  const ProgramRun run = RunCommand("", program.string(), "");
  EXPECT_EQ(run.output, folder_.string() + "\n");
  EXPECT_EQ(run.exitCode, 0);
}

TEST_F(StartupScript, BuildsRunsStepsBackAndSavesAWorldThatReadsBackTheSame) {
  const std::string first = (folder_ / "three.yb").string();
  const std::string second = (folder_ / "again.yb").string();
  WriteStartupScript(
      "Sub Main()\r\n  Dim d As YBDocument\r\n  Set d = YB.New()\r\n  Dim b As Object\r\n"
      "  Set b = d.NewBody(\"circle\")\r\n  Set b = d.NewBody(\"Circle\")\r\n  b.PX.Value = 3\r\n"
      "  Set b = d.NewBody(\"CIRCLE\")\r\n  b.PX.Value = 6\r\n"
      "  Print d.Bodies Is d.Bodies; d.Bodies.Count; d.Body(b.ID) Is b\r\n"
      "  d.Select b\r\n  Print d.Selection.Count; d.Selection(1) Is b\r\n  d.SelectAll False\r\n"
      "  Print d.Run(61)\r\n  Print d.CurrentFrame; d.HistoryFrames\r\n"
      "  d.Run -30\r\n  Print d.CurrentFrame\r\n"
      "  d.SaveAs \"" + first + "\", True\r\n  Print d.Name\r\n"
      "  Dim e As YBDocument\r\n  Set e = YB.Open(\"" + first + "\")\r\n"
      "  Print e.HistoryFrames\r\n  e.SaveAs \"" + second + "\", True\r\n"
      "End Sub\r\n");
  const ProgramRun run = RunProgram(folder_, "");
  EXPECT_EQ(run.exitCode, 0);
  EXPECT_EQ(run.output, "True3True\n1True\n0\n6061\n30\nthree.yb\n61\n");
  std::ifstream a(first, std::ios::binary);
  std::ifstream b(second, std::ios::binary);
  const std::string written((std::istreambuf_iterator<char>(a)), std::istreambuf_iterator<char>());
  const std::string again((std::istreambuf_iterator<char>(b)), std::istreambuf_iterator<char>());
  EXPECT_FALSE(written.empty());
  EXPECT_TRUE(written == again) << "the world saved again differs from the one it was read from";

  // The recorded frames: three bodies of unit mass, apart, with nothing acting on them (a new
  // world's fields are off) stay where they were put, at rest, for the whole two seconds.
  TApp app;
  app.LoadResourceDlls();
  app.InitUnits();
  {
    TQVDoc read;
    read.ReadDocument(first);
    TWorldDoc& world = read.World();
    ASSERT_NE(world.GetStore(), nullptr);
    ASSERT_EQ(world.GetStore()->FrameCount(), 61);
    ASSERT_NE(world.GetEngine(), nullptr);
    EXPECT_NEAR(60 * world.GetEngine()->TimeStep(), 2.0, 1e-9);
    std::vector<TMass*> bodies;
    for (TLink* object : world.Objects())
      if (auto* body = dynamic_cast<TMass*>(object); body != nullptr && body->GetIdentifier() != 0)
        bodies.push_back(body);
    ASSERT_EQ(bodies.size(), 3u);
    for (int16_t frame : {0, 30, 60}) {
      world.ShowFrame(frame, 1);
      for (size_t i = 0; i < bodies.size(); ++i) {
        TMass* body = bodies[i];
        const TVector3 at = body->GetPositionValues();
        EXPECT_NEAR(at.x, 3.0 * static_cast<double>(i), 1e-9) << "frame " << frame;
        EXPECT_NEAR(at.y, 0.0, 1e-9) << "frame " << frame;
        EXPECT_DOUBLE_EQ(body->GetMass(), 1.0);
      }
    }
  }
  app.TermUnits();
  app.FreeResourceDlls();
}


TEST_F(StartupScript, ThreeCirclesAScriptDropsFallFreelyInTheSavedFrames) {
  // The script starts from a world of the ground and line gravity of 9.81 alone, made here.
  const std::string empty = (folder_ / "gravity.yb").string();
  const std::string first = (folder_ / "falling.yb").string();
  const std::string second = (folder_ / "falling-again.yb").string();
  {
    TApp app;
    app.LoadResourceDlls();
    app.InitUnits();
    {
      const std::unique_ptr<TQVDoc> document = sample_worlds::NewSampleDocument();
      sample_worlds::AddGround(document->World());
      sample_worlds::AddGravity(document->World(), 900, 901, 9.81);
      document->WriteDocument(empty);
    }
    app.TermUnits();
    app.FreeResourceDlls();
  }
  WriteStartupScript(
      "Sub Main()\r\n  Dim d As YBDocument\r\n  Set d = YB.Open(\"" + empty + "\")\r\n"
      "  Print d.Gravity; \" \"; d.LinearGravityConst\r\n  Dim b As Object\r\n  Dim i As Integer\r\n  For i = 1 To 3\r\n"
      "    Set b = d.NewBody(\"circle\")\r\n    b.PX.Value = i\r\n    b.PY.Value = 2 * i\r\n"
      "  Next i\r\n  Print d.Run(61); d.CurrentFrame\r\n  d.Run -60\r\n  Print d.CurrentFrame\r\n"
      "  d.Run 20\r\n  Print d.CurrentFrame\r\n  d.Reset\r\n  Print d.CurrentFrame; d.HistoryFrames\r\n"
      "  d.SaveAs \"" + first + "\", True\r\n"
      "  Dim e As YBDocument\r\n  Set e = YB.Open(\"" + first + "\")\r\n"
      "  e.SaveAs \"" + second + "\", True\r\nEnd Sub\r\n");
  const ProgramRun run = RunProgram(folder_, "");
  EXPECT_EQ(run.exitCode, 0);
  EXPECT_EQ(run.output, "linear 9.81\n060\n0\n20\n061\n");
  std::ifstream a(first, std::ios::binary);
  std::ifstream b(second, std::ios::binary);
  const std::string written((std::istreambuf_iterator<char>(a)), std::istreambuf_iterator<char>());
  const std::string again((std::istreambuf_iterator<char>(b)), std::istreambuf_iterator<char>());
  EXPECT_FALSE(written.empty());
  EXPECT_TRUE(written == again) << "the world saved again differs from the one it was read from";

  // Each body from rest at (i, 2i): x stays, y = 2i - g t^2 / 2, vy = -g t, to the accuracy
  // the solver keeps on smooth motion.
  TApp app;
  app.LoadResourceDlls();
  app.InitUnits();
  {
    TQVDoc read;
    read.ReadDocument(first);
    TWorldDoc& world = read.World();
    ASSERT_NE(world.GetStore(), nullptr);
    ASSERT_EQ(world.GetStore()->FrameCount(), 61);
    ASSERT_NE(world.GetEngine(), nullptr);
    const double step = world.GetEngine()->TimeStep();
    EXPECT_NEAR(60 * step, 2.0, 1e-9);
    double g = 0.0;
    std::vector<TMass*> bodies;
    for (TLink* object : world.Objects()) {
      if (auto* gravity = dynamic_cast<TGravCnstr*>(object)) g = gravity->GetLineGravity();
      if (auto* body = dynamic_cast<TMass*>(object); body != nullptr && body->GetIdentifier() != 0)
        bodies.push_back(body);
    }
    ASSERT_GT(g, 9.0);
    ASSERT_EQ(bodies.size(), 3u);
    for (int16_t frame : {0, 1, 17, 30, 60}) {
      world.ShowFrame(frame, 1);
      const double t = frame * step;
      for (size_t i = 0; i < bodies.size(); ++i) {
        const double start = static_cast<double>(i + 1);
        const TVector3 at = bodies[i]->GetPositionValues();
        const TVector3 velocity = bodies[i]->GetVelocityValues();
        EXPECT_NEAR(at.x, start, 1e-9) << "frame " << frame;
        EXPECT_NEAR(at.y, 2.0 * start - g * t * t / 2.0, 1e-8) << "frame " << frame;
        EXPECT_NEAR(velocity.y, -g * t, 1e-8) << "frame " << frame;
      }
    }
  }
  app.TermUnits();
  app.FreeResourceDlls();
}

}  // namespace

namespace {

TEST_F(StartupScript, SettingsAScriptMakesStopTheRunAndComeBackWithTheWorld) {
  const std::string saved = (folder_ / "settings.yb").string();
  const std::string readBack =
      "  Print d.SimulationMode; \"/\"; d.Integrator; \"/\"; d.DistanceUnit; \"/\"; d.TimeUnit; "
      "\"/\"; d.Gravity; \"/\"; d.PauseControlCount; \"/\"; d.GetPauseControlType(1); \"/\"; "
      "d.PauseControl(1).Formula\r\n"
      "  d.Run\r\n  Print d.CurrentFrame * d.AnimationStep > 1000; "
      "d.CurrentFrame * d.AnimationStep < 1000 + 2 * d.AnimationStep\r\n  Print d.CurrentFrame\r\n";
  WriteStartupScript(
      "Sub Main()\r\n  Dim d As YBDocument\r\n  Set d = YB.ActiveDocument\r\n"
      "  d.SimulationMode = \"accurate\"\r\n  d.DistanceUnit = \"centimeters\"\r\n"
      "  d.TimeUnit = \"milliseconds\"\r\n  d.Gravity = \"linear\"\r\n  d.NewPauseControl\r\n"
      "  d.SetPauseControlType 1, \"stop\"\r\n" + readBack +
      "  d.SaveAs \"" + saved + "\"\r\n  Set d = YB.Open(\"" + saved + "\")\r\n" + readBack +
      "End Sub\r\n");
  const ProgramRun run = RunProgram(folder_, "'" YB_SAMPLES_DIR "/pendulum.yb'");
  EXPECT_EQ(run.exitCode, 0);
  // The settings, the run's end just past 1 s (in milliseconds), and its frame; then the same
  // from the document opened again.
  std::vector<std::string> lines;
  std::istringstream output(run.output);
  for (std::string line; std::getline(output, line);) lines.push_back(line);
  ASSERT_EQ(lines.size(), 6u) << run.output;
  EXPECT_EQ(lines[0], "accurate/kutta_merson/centimeters/milliseconds/linear/1/stop/time > 1.0");
  EXPECT_EQ(lines[1], "TrueTrue");
  EXPECT_GT(std::stoi(lines[2]), 0);
  EXPECT_EQ(lines[3], lines[0]);
  EXPECT_EQ(lines[4], lines[1]);
  EXPECT_EQ(lines[5], lines[2]);
}

}  // namespace
