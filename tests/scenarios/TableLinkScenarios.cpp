// A meter and a slider linked to another program's table from the World menu: the table
// document is placed by a click, told its program, document and per-frame command in its
// property dialog, and ten steps of the world then write the meter's value into the table before
// each new frame while a cell that the other program changes from step to step moves the slider.
// The other program is the table partner of tools/dde, which logs every transaction.

#include <signal.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "bodies/Body.h"
#include "inout/inputs/Input.h"
#include "model/world/QVDoc.h"
#include "model/world/WorldDoc.h"
#include "platform/win32/Window.h"
#include "tests/scenarios/BodiesSeen.h"
#include "tests/scenarios/Harness.h"
#include "tools/samples/SampleWorlds.h"

namespace scenario {
namespace {

using namespace spring_and_pin;
// An empty place of the world, right of the wheel and below the spring.
constexpr int kTableX = 487;
constexpr int kTableY = 334;
// The property dialog of an external document, in dialog units: its size, and the middle of its
// per-frame command field and of its OK button.
constexpr int kDialogWidth = 240, kDialogHeight = 198;
constexpr int kEachFrameX = 146, kEachFrameY = 68;
constexpr int kOkX = 149, kOkY = 183;
// What the partner's cell R1C1, which the slider reads, holds after each command it is sent;
// the last value stays.
const std::vector<double> kSchedule = {20, 30, 40, 50, 60, 70, 80, 90, 25};
constexpr int kSteps = 10;

std::vector<std::string> Lines(const std::string& path) {
  std::ifstream file(path);
  std::vector<std::string> lines;
  for (std::string line; std::getline(file, line);) lines.push_back(line);
  return lines;
}

// The partner program beside the program under test.
std::string PartnerProgram() {
  return (std::filesystem::path(ProgramPath()).parent_path().parent_path() / "tools" / "dde" /
          "yb-dde-table-partner")
      .string();
}

std::string ScheduleText() {
  std::ostringstream text;
  text << "R1C1=";
  for (size_t i = 0; i < kSchedule.size(); ++i) text << (i ? "," : "") << kSchedule[i];
  return text.str();
}

// The box's x at every recorded frame and the slider's value, as the saved world keeps them.
struct SavedRun {
  std::vector<double> boxX;
  std::vector<double> sliders;
};

SavedRun ReadSavedRun(const std::string& path) {
  SavedRun run;
  ProgramUnits units;
  TQVDoc document;
  document.ReadDocument(path);
  TWorldDoc& world = document.World();
  for (TLink* object : world.Objects())
    if (auto* input = dynamic_cast<TInput*>(object)) run.sliders.push_back(input->GetValue());
  auto* box = dynamic_cast<TMass*>(world.FindObject(sample_worlds::kBoxId));
  if (box == nullptr) return run;
  for (int frame = 0; frame <= world.LastFrame(); ++frame) {
    world.ShowFrame(static_cast<int16_t>(frame), 1);
    run.boxX.push_back(box->GetPositionValues().x);
  }
  return run;
}

class TableLink : public Scenario {
 protected:
  void TearDown() override {
    Scenario::TearDown();
    // The partner ends with its conversation; one left behind by a failure is ended here.
    int pid = 0;
    std::ifstream(ready_) >> pid;
    if (pid > 0) kill(pid, SIGTERM);
  }

  // A copy of the sample, opened in a fresh program whose environment gives the partner it
  // starts a log, a ready file and the schedule of its cell.
  ::testing::AssertionResult StartWithPartner() {
    const std::string path = Home().Sample("table-link.yb");
    std::filesystem::copy_file(Home().Sample(sample_worlds::kSpringAndPinFile), path,
                               std::filesystem::copy_options::overwrite_existing);
    log_ = Home().Path("partner.log");
    ready_ = Home().Path("partner.ready");
    std::filesystem::remove(log_);
    std::filesystem::remove(ready_);
    Me().MoveTo(0, 0);
    const std::string options = "--log " + log_ + " --ready " + ready_ + " --schedule " +
                                ScheduleText();
    if (::testing::AssertionResult started =
            Start("table-link.yb", {{"YB_TABLE_PARTNER_OPTIONS", options}});
        !started)
      return started;
    if (!Me().WaitUntil([] { return Me().ShownWindows() == 1; }))
      return ::testing::AssertionFailure() << "the splash window stayed";
    return Me().Idle();
  }

  // What appeared in the room of new gadgets when the menu item was chosen for the object
  // clicked first.
  Box MakeGadget(int clickX, int clickY, const MenuPath& item, const MenuShape& shape) {
    const Box frame = Frame();
    Me().Click(frame.x + clickX, frame.y + clickY);
    EXPECT_TRUE(Me().Idle());
    const Box room{frame.x + kGadgetsX, frame.y + kGadgetsY, kAnchorX - 6 - kGadgetsX, 100};
    const Picture before = Me().Grab(room);
    EXPECT_TRUE(Choose(item, shape));
    return ChangedBox(before, Me().Grab(room));
  }

  // A point of the dialog given in dialog units, on the screen.
  static std::pair<int, int> DialogPoint(XWindowId dialog, int x, int y) {
    const Box place = Me().Place(dialog);
    RECT insets{0, 0, 0, 0};
    AdjustWindowRectEx(&insets, WS_POPUP | WS_CAPTION | WS_SYSMENU, FALSE, WS_EX_DLGMODALFRAME);
    const int clientX = place.x - insets.left;
    const int clientY = place.y - insets.top;
    const int clientWidth = place.width - (insets.right - insets.left);
    const int clientHeight = place.height - (insets.bottom - insets.top);
    return {clientX + x * clientWidth / kDialogWidth, clientY + y * clientHeight / kDialogHeight};
  }

  std::string log_;
  std::string ready_;
};

TEST_F(TableLink, ASteppedWorldWritesItsMeterToTheTableAndItsSliderFollowsACell) {
  const std::string partner = PartnerProgram();
  ASSERT_TRUE(std::filesystem::exists(partner)) << "no table partner at " << partner;
  // The document names its program; the partner takes its service from its own name.
  const std::string program = Home().Path("table-partner");
  std::filesystem::remove(program);
  std::filesystem::create_symlink(partner, program);
  ASSERT_TRUE(StartWithPartner());

  // Meter > Position of the box (clicked off its centre point), Input > Spring constant.
  const Box meter =
      MakeGadget(kBoxX - 10, kObjectsY + 9, {"Meter", "Position"}, {.objectMenu = "OutMassMenu"});
  ASSERT_GE(meter.width, 40) << "no meter appeared";
  const Box slider = MakeGadget((kAnchorX + kBoxX) / 2, kObjectsY, {"Input", "Spring constant"},
                                {.objectMenu = "InSpringMenu"});
  ASSERT_GE(slider.width, 40) << "no slider appeared";
  ASSERT_GE(slider.y, meter.Bottom()) << "the slider stands over the meter";

  // A band drawn round the slider selects it (a click would move its thumb); a shift-click on
  // the meter adds the meter.
  Me().SlowDrag(slider.x - 8, slider.Bottom() + 8, slider.Right() + 7, slider.y - 6);
  ASSERT_TRUE(Me().Idle());
  Me().ShiftClick(meter.x + meter.width / 2, meter.y + meter.height / 2);
  ASSERT_TRUE(Me().Idle());

  // World > Link to External Table...: a click places the table document; a click on it, as on
  // a button, opens its properties.
  ASSERT_TRUE(Choose({"World", "Link to External Table..."}));
  const Box frame = Frame();
  const Box around{frame.x + kTableX - 60, frame.y + kTableY - 40, 120, 80};
  const Picture empty = Me().Grab(around);
  Me().Click(frame.x + kTableX, frame.y + kTableY);
  Me().MoveTo(0, 0);
  ASSERT_TRUE(Me().Idle());
  const Box table = ChangedBox(empty, Me().Grab(around));
  ASSERT_FALSE(table.Empty()) << "no table document was placed";
  Me().Click(frame.x + kTableX, frame.y + kTableY - 2);
  ASSERT_TRUE(Me().WaitUntil([] { return Me().WindowTitled("External Document") != 0; }))
      << "the table document's properties did not open";
  ASSERT_TRUE(Me().Idle());
  const XWindowId dialog = Me().WindowTitled("External Document");

  // The program field has the keyboard; the document field follows its Choose button. Leaving
  // the document field asks whether the program may be started.
  Me().Type(program);
  Me().Key("Tab");
  Me().Key("Tab");
  Me().Type("sheet");
  Me().Key("Tab");
  ASSERT_TRUE(Me().WaitUntil([] { return Me().FocusedTitle() == "Yarrowby"; }))
      << "no question about starting the program: " << Me().FocusedTitle();
  Me().Key("Return");
  ASSERT_TRUE(Me().WaitUntil([] { return Me().FocusedTitle() == "External Document"; }));
  ASSERT_TRUE(Me().WaitUntil([&] { return std::filesystem::exists(ready_); }))
      << "the partner did not start";
  const auto [eachX, eachY] = DialogPoint(dialog, kEachFrameX, kEachFrameY);
  Me().Click(eachX, eachY);
  ASSERT_TRUE(Me().Idle());
  Me().Type("step");
  Me().Key("Tab");
  ASSERT_TRUE(Me().Idle());
  const auto [okX, okY] = DialogPoint(dialog, kOkX, kOkY);
  Me().Click(okX, okY);
  ASSERT_TRUE(Me().WaitUntil([] { return Me().WindowTitled("External Document") == 0; }))
      << "the properties stayed";
  ASSERT_TRUE(Me().Idle());

  // Ten steps of World > Step Forward.
  const Picture sliderBefore = Me().Grab(slider);
  for (int step = 0; step < kSteps; ++step) ASSERT_TRUE(Choose({"World", "Step Forward"}));
  EXPECT_NE(Me().Grab(slider), sliderBefore) << "the slider's thumb stood still";
  Me().Control("s");
  ASSERT_TRUE(Me().Idle());
  const SavedRun run = ReadSavedRun(Home().Sample("table-link.yb"));
  ASSERT_EQ(static_cast<int>(run.boxX.size()), kSteps + 1) << "not every step was recorded";

  // The meter's first column is cell R1C2; each step writes the frame it leaves, frame 0 first.
  std::vector<double> written;
  int executes = 0, reads = 0;
  const std::vector<std::string> lines = Lines(log_);
  for (const std::string& line : lines) {
    double value = 0.0;
    if (std::sscanf(line.c_str(), "poke R1C2 xltable %lf", &value) == 1) written.push_back(value);
    executes += line == "execute step";
    reads += line == "request R1C1 xltable";
  }
  std::ostringstream said;
  for (const std::string& line : lines) said << line << "\n";
  EXPECT_GE(executes, kSteps) << said.str();
  EXPECT_EQ(reads, executes) << said.str();
  ASSERT_EQ(written.size(), static_cast<size_t>(kSteps)) << said.str();
  for (size_t i = 0; i < written.size(); ++i)
    EXPECT_NEAR(written[i], run.boxX[i], 1e-5) << "written on leaving frame " << i;
  EXPECT_NE(written.front(), written.back()) << "the box stood still";

  // The slider took the partner's last value.
  ASSERT_EQ(run.sliders.size(), 1u);
  EXPECT_DOUBLE_EQ(run.sliders.front(), kSchedule.back());
}

}  // namespace
}  // namespace scenario
