// The document members that work on the world's window, through a window that keeps what it is
// asked: the grid, zoom and redraw, placement, showing, and the pixel arithmetic of scrolling.
// A world shown in no window reads the start values and ignores the rest.

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "model/world/QVDoc.h"
#include "model/world/WorldDisplay.h"
#include "simulation/UnitHandler.h"
#include "tests/scripting/ScriptedProgram.h"

namespace {

// A view of 100 pixels per metre whose origin stands at (originH, originV).
class TRecordingDisplay : public TWorldDisplay {
 public:
  bool GetShowGrid() const override { return grid; }
  void SetShowGrid(bool show) override { grid = show; }
  void ZoomToExtents() override { ++zooms; }
  void EraseTracks() override { ++erasures; }
  void UpdateView() override { ++updates; }
  TWindowPlacement GetPlacement() const override { return placement; }
  void SetPlacement(const TWindowPlacement& p) override { placement = p; }
  void ApplyWindowSettings() override { applied.push_back(placement); }
  void SetShown(bool on) override { shown.push_back(on); }
  void FocusView() override { ++focused; }
  MacPoint WorldToPixel(const TVector& p) override {
    return MacPoint(static_cast<int16_t>(originH + p.x * 100.0),
                    static_cast<int16_t>(originV - p.y * 100.0));
  }
  MacRect ExtentInPort() const override { return extent; }
  TCommandCore* DoWorldMenuCommand(int16_t command) override {
    commands.push_back(command);
    return nullptr;
  }
  void ScrollToOrigin(double h, double v) override {
    scrolledTo.push_back({h, v});
    originH = h;
    originV = -v;
  }

  bool grid = false;
  int zooms = 0;
  int erasures = 0;
  int updates = 0;
  int focused = 0;
  TWindowPlacement placement{10, 20, 300, 200};
  std::vector<TWindowPlacement> applied;
  std::vector<bool> shown;
  double originH = 0.0;
  double originV = 0.0;
  MacRect extent{0, 0, 301, 201};  // left, top, right, bottom
  std::vector<std::pair<double, double>> scrolledTo;
  std::vector<int16_t> commands;
};

class DocumentWindow : public ScriptedProgram {
 protected:
  void SetUp() override {
    ScriptedProgram::SetUp();
    application_.NewDocument();
    auto units = std::make_unique<TWorldUnitHandler>();
    units->Initialize();
    units->SetIdentifier(1);
    application_.front->World().AdoptObject(std::move(units));
  }
  void TearDown() override {
    application_.front->World().SetDisplay(nullptr);
    ScriptedProgram::TearDown();
  }
  std::string With(const std::string& body) {
    return Run("Dim d As YBDocument\nSet d = YB.ActiveDocument\nOn Error Resume Next\n" + body);
  }
  void Show() { application_.front->World().SetDisplay(&display_); }

  TRecordingDisplay display_;
};

TEST_F(DocumentWindow, WithoutAWindowGetterAnswerFalseAndTheRestDoesNothing) {
  EXPECT_EQ(With("d.ShowGridLines = True\nPrint d.ShowGridLines\nd.ZoomExtents\nd.Update\n"
                 "d.Locate 5, 5\nd.Resize 100, 100\nd.ShowDocumentWindow = False\n"
                 "d.ScrollTo 1, 1\nPrint Err.Number"),
            "False\n0\n");
}

// The menu's switches send the menu's command only when the value changes; player mode has a
// command each way; the meters' values are forgotten only while they are kept. A world without a
// window keeps the values in its settings.
TEST_F(DocumentWindow, SwitchesSendTheMenusCommandOnlyForAChange) {
  EXPECT_EQ(With("d.ShowRulers = True\nd.ShowTapeControl = True\nd.PlayerMode = True\n"
                 "Print d.ShowRulers; d.ShowTapeControl; d.PlayerMode; d.ShowScrollBars"),
            "TrueTrueTrueTrue\n");
  EXPECT_EQ(With("d.CombineTapeScroll = True\nPrint d.CombineTapeScroll\n"
                 "d.CombineTapeScroll = False\nPrint d.CombineTapeScroll"),
            "True\nFalse\n");
  TWorldDoc& world = application_.front->World();
  EXPECT_EQ(world.Settings().rulers, 1);
  EXPECT_EQ(world.GetPlayerMode(), 1);
  Show();
  world.Settings().rulers = 0;
  world.SetPlayerMode(0);
  EXPECT_EQ(With("d.ShowRulers = False\nd.ShowRulers = True\nd.PlayerMode = True\n"
                 "d.ControlsLocked = True\nd.ShowScrollBars = False\nd.EraseMeterValues\n"
                 "d.RetainMeterValues = True\nPrint Err.Number"),
            "0\n");
  EXPECT_EQ(display_.commands, (std::vector<int16_t>{1085, 1054, 1026, 1074, 1161}));
  display_.commands.clear();
  world.SetPlayerMode(1);
  world.SetColumnList(1);
  EXPECT_EQ(With("d.PlayerMode = False\nd.EraseMeterValues\nd.StartHere\nd.Print"), "");
  EXPECT_EQ(display_.commands, (std::vector<int16_t>{1053, 1162, 1100, 180}));
}

TEST_F(DocumentWindow, GridZoomAndRedrawReachTheWindow) {
  Show();
  EXPECT_EQ(With("Print d.ShowGridLines\nd.ShowGridLines = True\nPrint d.ShowGridLines\n"
                 "d.ZoomExtents\nd.Update\nd.Update\nd.ShowDocumentWindow = False\n"
                 "d.ShowDocumentWindow = True"),
            "False\nTrue\n");
  EXPECT_EQ(display_.zooms, 1);
  EXPECT_EQ(display_.updates, 2);
  EXPECT_EQ(display_.shown, (std::vector<bool>{false, true}));
}

TEST_F(DocumentWindow, TrackSwitchesReachTheWorldAndItsWindow) {
  Show();
  TWorldDoc& world = application_.front->World();
  EXPECT_EQ(With("Print d.AutoEraseTrack\nd.AutoEraseTrack = True\nPrint d.AutoEraseTrack\n"
                 "d.EraseTrack\nd.EraseTrack\nd.Tracking = 4\nd.Tracking = -1\n"
                 "Print d.Tracking; Err.Number"),
            "False\nTrue\n40\n");
  EXPECT_EQ(world.GetAutoEraseTrack(), 1);
  EXPECT_EQ(world.GetTrackingWord(), 4);
  EXPECT_EQ(display_.erasures, 2);
  EXPECT_EQ(With("d.AutoEraseTrack = False\nPrint d.AutoEraseTrack; Err.Number"), "False0\n");
  EXPECT_EQ(world.GetAutoEraseTrack(), 0);
  // Without a window the switch still holds and erasing has nothing to erase.
  world.SetDisplay(nullptr);
  EXPECT_EQ(With("d.AutoEraseTrack = True\nd.EraseTrack\nPrint d.AutoEraseTrack; Err.Number"),
            "True0\n");
  EXPECT_EQ(display_.erasures, 2);
}

TEST_F(DocumentWindow, LocateAndResizeStoreTheirHalfAndLayTheWindowOutAgain) {
  Show();
  EXPECT_EQ(With("d.Locate 40, 50\nd.Resize 0, 90\nPrint Err.Number"), "0\n");
  ASSERT_EQ(display_.applied.size(), 2u);
  EXPECT_EQ(display_.applied[0].left, 40);
  EXPECT_EQ(display_.applied[0].top, 50);
  EXPECT_EQ(display_.applied[0].width, 300);
  EXPECT_EQ(display_.applied[1].left, 40);
  EXPECT_EQ(display_.applied[1].width, 0);
  EXPECT_EQ(display_.applied[1].height, 90);
}

// Numbers no window can have are held to what one can, so the frame added to them cannot overflow.
TEST_F(DocumentWindow, PlacesAndSizesBeyondAWindowsAreHeldToIt) {
  Show();
  EXPECT_EQ(With("d.Resize 9, 2147483647\nd.Resize 2147483647, -5\n"
                 "d.Locate 2147483647, -2147483647\nPrint Err.Number"),
            "0\n");
  ASSERT_EQ(display_.applied.size(), 3u);
  EXPECT_EQ(display_.applied[0].width, 9);
  EXPECT_EQ(display_.applied[0].height, 16384);
  EXPECT_EQ(display_.applied[1].width, 16384);
  EXPECT_EQ(display_.applied[1].height, 0);
  EXPECT_EQ(display_.applied[2].left, 16384);
  EXPECT_EQ(display_.applied[2].top, -16384);
}

TEST_F(DocumentWindow, ScrollToCentresThePointGivenInTheDocumentsLengthUnit) {
  Show();
  // 100 cm is one metre right of the origin: 100 pixels. The extent is 301 by 201 pixels, so
  // half its width is 150 and half its height -100, both cut toward zero.
  EXPECT_EQ(With("d.DistanceUnit = \"centimeters\"\nd.ScrollTo 100, 0\nPrint d.DistanceUnit; Err.Number"), "centimeters0\n");
  ASSERT_EQ(display_.scrolledTo.size(), 1u);
  EXPECT_DOUBLE_EQ(display_.scrolledTo[0].first, 50.0);
  EXPECT_DOUBLE_EQ(display_.scrolledTo[0].second, -100.0);
  EXPECT_EQ(display_.focused, 1);
  const MacPoint centre = display_.WorldToPixel(TVector(1.0, 0.0));
  EXPECT_EQ(centre.h, 150);
  EXPECT_EQ(centre.v, 100);

  // From anywhere, a point above and left of the origin comes to the centre too.
  display_.originH = -37.0;
  display_.originV = 512.0;
  EXPECT_EQ(With("d.ScrollTo -50, 25\nPrint Err.Number"), "0\n");
  const MacPoint again = display_.WorldToPixel(TVector(-0.5, 0.25));
  EXPECT_EQ(again.h, 150);
  EXPECT_EQ(again.v, 100);
}

}  // namespace
