// Meters placed from the Meter menu on the pendulum follow the tape: a new meter shows its
// placeholder, the meter of a run stepped back to frame 5 shows frame 5's recorded values, its
// kind button makes it a graph and then a bar meter, and a world saved, reopened and saved again
// under another name differs from the first file only in the values its meters showed. A gear
// pair's relative rotation is the difference of its wheels' turns, and a spring's force meter
// shows the force along its length of the start at the first frame.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "inout/meters/Output.h"
#include "model/world/QVDoc.h"
#include "model/world/RunBridge.h"
#include "tests/scenarios/BodiesSeen.h"
#include "tests/scenarios/Harness.h"
#include "tests/scenarios/ScriptSteps.h"

namespace scenario {
namespace {

constexpr char kSample[] = "pendulum.yb";
constexpr int kRunFrames = 20;
constexpr int kShownFrame = 5;
// The block of a document that holds its window's placement.
constexpr int16_t kWorldPlacementBlock = 5408;
// The kind button's middle, from the meter's top left corner.
constexpr int kKindButtonX = 2 + 11;
constexpr int kKindButtonY = 2 + 7;
// A framed meter's name strip: its left end from the meter's left edge, and its height (a line
// and one pixel) down to its lower edge.
constexpr int kStripLeft = 25;
constexpr int kStripHeight = 16;

std::vector<uint8_t> FileBytes(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

uint32_t BigEndian32(const std::vector<uint8_t>& bytes, size_t at) {
  return (uint32_t{bytes[at]} << 24) | (uint32_t{bytes[at + 1]} << 16) |
         (uint32_t{bytes[at + 2]} << 8) | uint32_t{bytes[at + 3]};
}

// The value each column of a meter showed when its document was written, as its columns block
// (5216) stores it, and where each stored value lies in the file.
struct ShownValues {
  std::vector<double> values;
  std::vector<size_t> offsets;
};

// The columns blocks of a document whose numbers are 64-bit reals: each a code of four bytes, a
// length of four, the column count (a short, four bytes here), then per column its label (a
// two-byte length, the characters, a pad to an even length) and the value shown.
std::vector<ShownValues> ShownValuesOf(const std::vector<uint8_t>& bytes) {
  std::vector<ShownValues> meters;
  const uint8_t code[4] = {0, 0, kBlockMeterColumns >> 8, kBlockMeterColumns & 0xFF};
  for (size_t at = 0; at + 12 <= bytes.size(); ++at) {
    if (std::memcmp(bytes.data() + at, code, 4) != 0) continue;
    const size_t end = at + 8 + BigEndian32(bytes, at + 4);
    const uint32_t count = BigEndian32(bytes, at + 8);
    if (end > bytes.size() || count < 1 || count > kMaxFiledColumns) continue;
    ShownValues meter;
    size_t next = at + 12;
    for (uint32_t column = 0; column < count && next + 10 <= end; ++column) {
      const size_t label = (size_t{bytes[next]} << 8) | bytes[next + 1];
      next += 2 + label + label % 2;
      if (next + 8 > end) break;
      uint64_t bits = 0;
      for (size_t k = 0; k < 8; ++k) bits = (bits << 8) | bytes[next + k];
      double value = 0.0;
      std::memcpy(&value, &bits, sizeof value);
      meter.values.push_back(value);
      meter.offsets.push_back(next);
      // The range, colour, flags and unit kind that follow.
      next += 8 + 8 + 8 + 6 + 4 + 4 + 4 + 4;
    }
    if (meter.values.size() == count) meters.push_back(meter);
  }
  return meters;
}

// The contents of the first block with the code: where they start and how many bytes they take
// (none when there is no such block).
struct BlockSpan {
  size_t at = 0;
  size_t length = 0;
};

BlockSpan FindBlock(const std::vector<uint8_t>& bytes, int16_t code) {
  const uint8_t pattern[4] = {0, 0, static_cast<uint8_t>(code >> 8),
                              static_cast<uint8_t>(code & 0xFF)};
  for (size_t at = 0; at + 8 <= bytes.size(); ++at) {
    if (std::memcmp(bytes.data() + at, pattern, 4) != 0) continue;
    const size_t length = BigEndian32(bytes, at + 4);
    if (at + 8 + length <= bytes.size()) return {at + 8, length};
  }
  return {};
}

// A saved world's one meter: its columns' recorded values at each frame of the saved run.
struct SavedMeter {
  std::string failure;
  int32_t frames = 0;
  int32_t columns = 0;
  std::string name;
  // values[frame][column - 1], the columns in stored order.
  std::vector<std::vector<double>> values;
};

// The recorded values of one meter of a world read from its file.
SavedMeter RecordedValues(TWorldDoc& world, TOutput* meter) {
  SavedMeter saved;
  const TFrameStore* store = world.GetStore();
  if (meter == nullptr || store == nullptr) {
    saved.failure = meter == nullptr ? "the world holds no meter" : "the world keeps no run";
    return saved;
  }
  saved.name = meter->GetName().AsCString();
  saved.columns = meter->GetColumnCount();
  saved.frames = store->FrameCount();
  const int32_t offset = world.RecordedValueOffset(meter);
  if (offset < 0) {
    saved.failure = "the run recorded nothing of the meter";
    return saved;
  }
  for (int32_t frame = 0; frame < saved.frames; ++frame) {
    std::vector<double> row;
    for (int32_t k = 0; k < saved.columns; ++k) row.push_back(store->Value(frame, offset + k));
    saved.values.push_back(row);
  }
  return saved;
}

// Every meter of a saved world, in the world's order.
std::vector<SavedMeter> ReadSavedMeters(const std::string& path) {
  ProgramUnits units;
  TQVDoc document;
  document.ReadDocument(path);
  TWorldDoc& world = document.World();
  std::vector<SavedMeter> meters;
  for (TLink* object : world.Objects())
    if (auto* meter = dynamic_cast<TOutput*>(object)) meters.push_back(RecordedValues(world, meter));
  return meters;
}

// A saved world's one meter.
SavedMeter ReadSavedMeter(const std::string& path) {
  std::vector<SavedMeter> meters = ReadSavedMeters(path);
  if (meters.size() == 1) return meters.front();
  SavedMeter none;
  none.failure = meters.empty() ? "the world holds no meter" : "the world holds more than one meter";
  return none;
}

// The tallest unbroken column of dark pixels in the right half of a meter's picture, inside its
// frame: a digit stands several pixels high, a dash of the placeholder one or two.
int TallestInkInValues(const Picture& meter) {
  constexpr int kInsideFrame = 4;
  int tallest = 0;
  for (int x = meter.box.width / 2; x < meter.box.width - kInsideFrame; ++x) {
    int run = 0;
    for (int y = kInsideFrame; y < meter.box.height - kInsideFrame; ++y) {
      run = IsInk(meter.At(x, y)) ? run + 1 : 0;
      tallest = std::max(tallest, run);
    }
  }
  return tallest;
}

class MeterMenus : public ScriptScenario {
 protected:
  // The frame's workspace below the bars and right of the palettes.
  Box Workspace() const {
    const Box frame = Frame();
    return {frame.x + 58, frame.y + 80, frame.width - 66, frame.height - 110};
  }
  // The world's view inside the document window, clear of its scroll bars.
  Box WorldView() const {
    const Box workspace = Workspace();
    return {workspace.x, workspace.y, workspace.width - 40, workspace.height - 40};
  }
  // World > Step Forward from the keyboard, the times asked.
  ::testing::AssertionResult StepForward(int times) { return WorldMenuByKeys("f", times); }
  // Ctrl+S, and the bytes the program wrote.
  std::vector<uint8_t> Save() {
    Me().Control("s");
    EXPECT_TRUE(Me().Idle());
    return FileBytes(CopyPath());
  }
  // The size of the meter's frame whose top left corner is the box's, from the dark runs of its
  // top and left edges (clear of the corners, where a selection mark may stand).
  static Box FrameOf(const Box& meter) {
    const Picture picture = Me().Grab({meter.x, meter.y, 400, 300});
    int width = 3;
    while (width < picture.box.width && IsInk(picture.At(width, 0))) ++width;
    int height = 3;
    while (height < picture.box.height && IsInk(picture.At(0, height))) ++height;
    return {meter.x, meter.y, width, height};
  }
  // The object under (x, y) clicked, and Position chosen from its Meter menu (the menu resource
  // the program shows for it): the box of the meter drawn (empty when none was).
  Box PlaceMeter(int x, int y, const std::string& meterMenu) {
    const Box view = WorldView();
    Me().Click(x, y);
    Me().MoveTo(0, 0);
    EXPECT_TRUE(Me().Idle());
    // New meters go to the top left of the world's view, clear of the bob and its rod.
    const Box corner{view.x - 8, view.y, 230, 75};
    const Picture selected = Me().Grab(corner);
    EXPECT_TRUE(Choose({"Meter", "Position"}, {.objectMenu = meterMenu}));
    EXPECT_EQ(Me().ShownWindows(), 1) << "the menu stayed open: its item is greyed";
    return ChangedBox(selected, Me().Grab(corner));
  }

  // The whole road for the object under (x, y) and Position of its Meter menu: the meter shows
  // `lines` placeholder lines before any run (time and `lines` quantities are its columns) and
  // frame 5's values on the tape; its kind button makes it a graph and then a bar meter; saved,
  // reopened and saved again, only the values shown differ.
  void FollowTheTape(int x, int y, const std::string& meterMenu, int lines) {
    const Box view = WorldView();
    const Box meter = PlaceMeter(x, y, meterMenu);
    ASSERT_GE(meter.width, 40) << "no meter was drawn";
    ASSERT_GE(meter.height, 12 * lines) << "the meter has fewer lines than its quantities";
    ASSERT_LT(meter.x, view.x + 40) << "the meter is not at the top left of the view";
    ASSERT_LT(meter.y, view.y + 40) << "the meter is not at the top left of the view";
    const Picture placed = Me().Grab(meter);
    EXPECT_LE(TallestInkInValues(placed), 2) << "the new meter shows digits before any run";
    EXPECT_GT(placed.Count(IsInk), 0) << "the new meter shows no placeholder";

    // A click on an empty place of the world deselects, so that the first step runs.
    Me().Click(view.Right() - 30, view.y + 30);
    ASSERT_TRUE(StepForward(kRunFrames));
    // World > Back to Start, then five steps on the tape.
    ASSERT_TRUE(Choose({"World", "Back to Start"}));
    ASSERT_TRUE(StepForward(kShownFrame));
    const Picture shown = Me().Grab(meter);
    EXPECT_GE(TallestInkInValues(shown), 5) << "the meter shows no digits on the tape";

    const std::vector<uint8_t> onTape = Save();
    const SavedMeter saved = ReadSavedMeter(CopyPath());
    ASSERT_EQ(saved.failure, "");
    EXPECT_NE(saved.name, "") << "the meter has no name";
    ASSERT_EQ(saved.frames, kRunFrames + 1) << "the steps did not record the run";
    const std::vector<ShownValues> stored = ShownValuesOf(onTape);
    ASSERT_EQ(stored.size(), 1u) << "the file holds no readable meter columns";
    ASSERT_EQ(saved.columns, lines + 1) << "the meter shows other quantities";
    ASSERT_EQ(static_cast<int32_t>(stored.front().values.size()), saved.columns);
    const std::vector<double>& atFive = saved.values[kShownFrame];
    for (int32_t k = 0; k < saved.columns; ++k) {
      EXPECT_DOUBLE_EQ(stored.front().values[static_cast<size_t>(k)],
                       atFive[static_cast<size_t>(k)])
          << "column " << k + 1 << " shows another value than frame 5's";
    }
    // Frame 5 is not the start nor the end of the run: its time is neither.
    EXPECT_NE(atFive[0], saved.values.front()[0]);
    EXPECT_NE(atFive[0], saved.values.back()[0]);

    // The kind button: a graph, taller than the readout, then a bar meter, narrower.
    Me().Click(meter.x + kKindButtonX, meter.y + kKindButtonY);
    Me().MoveTo(0, 0);
    ASSERT_TRUE(Me().Idle());
    const Box graph = FrameOf(meter);
    EXPECT_GT(graph.height, meter.height + 20) << "the kind button made no graph";
    EXPECT_GE(graph.width, meter.width - 2) << "the kind button made no graph";
    Me().Click(meter.x + kKindButtonX, meter.y + kKindButtonY);
    Me().MoveTo(0, 0);
    ASSERT_TRUE(Me().Idle());
    const Box bars = FrameOf(meter);
    EXPECT_LT(bars.width, graph.width / 2) << "the second click made no bar meter";
    EXPECT_GT(bars.height, graph.height / 2) << "the second click made no bar meter";

    // Saved, closed, opened again from the recent files and saved under another name.
    const std::vector<uint8_t> first = Save();
    const std::string document = std::filesystem::path(CopyPath()).filename().string();
    ASSERT_TRUE(Choose({"File", "Close"}));
    ASSERT_TRUE(ChooseRecentFile(1));
    ASSERT_NE(Me().WindowTitled("Yarrowby - " + document), 0u) << "the world did not reopen";
    ASSERT_TRUE(Choose({"File", "Save As..."}));
    ASSERT_TRUE(Me().WaitUntil([] { return Me().FocusedTitle() == "Save the world as"; }))
        << "the save dialog did not take the keyboard: " << Me().FocusedTitle();
    ASSERT_TRUE(Me().Idle());
    const std::string again = "again-" + document;
    Me().Type(again);
    Me().Key("Return");
    ASSERT_TRUE(Me().WaitUntil([&] { return Me().WindowTitled("Yarrowby - " + again) != 0; }))
        << "the title does not name the world saved again";
    ASSERT_TRUE(Me().Idle());
    const std::vector<uint8_t> second = FileBytes(Home().Sample(again));

    ASSERT_EQ(second.size(), first.size()) << "the world saved again has another length";
    const std::vector<ShownValues> firstShown = ShownValuesOf(first);
    ASSERT_EQ(ShownValuesOf(second).size(), firstShown.size());
    ASSERT_EQ(firstShown.size(), 1u);
    // Each byte outside the stored values is the same. The document window's placement is left
    // out: the window opened again stands where the program places a new window.
    std::vector<bool> inValue(first.size(), false);
    for (const size_t at : firstShown.front().offsets)
      std::fill_n(inValue.begin() + static_cast<std::ptrdiff_t>(at), 8, true);
    const BlockSpan placement = FindBlock(first, kWorldPlacementBlock);
    ASSERT_GT(placement.length, 0u) << "the file keeps no window placement";
    std::fill_n(inValue.begin() + static_cast<std::ptrdiff_t>(placement.at), placement.length,
                true);
    int differences = 0;
    size_t firstDifference = 0;
    for (size_t at = 0; at < first.size(); ++at) {
      if (inValue[at] || first[at] == second[at]) continue;
      if (differences++ == 0) firstDifference = at;
    }
    EXPECT_EQ(differences, 0) << "the files differ beyond the shown values, first at byte "
                              << firstDifference;
  }
};

// The bob, clicked inside below its middle: Meter > Position shows x, y and its turn.
TEST_F(MeterMenus, ABodysPositionMeterFollowsTheTapeChangesKindAndSurvivesAReopening) {
  ASSERT_TRUE(OpenCopy("meter-bob.yb", kSample));
  const Box bob = HangingCircle(Me().Grab(WorldView()), IsInk);
  ASSERT_GT(bob.width, 20) << "the pendulum's bob is not shown";
  FollowTheTape(bob.x + bob.width / 2, bob.Bottom() - 1 - bob.height / 4, "OutMassMenu", 3);
}

// The bob's centre point, clicked on its mark: Meter > Position shows x and y.
TEST_F(MeterMenus, APointsPositionMeterFollowsTheTapeChangesKindAndSurvivesAReopening) {
  ASSERT_TRUE(OpenCopy("meter-point.yb", kSample));
  const Box bob = HangingCircle(Me().Grab(WorldView()), IsInk);
  ASSERT_GT(bob.width, 20) << "the pendulum's bob is not shown";
  // The point's mark is a ring about a dot, near the bob's middle: the dot is the pixel that is
  // dark with the most of its eight neighbours (the lines through the middle are one pixel wide).
  const int x = bob.x + bob.width / 2;
  const int y = bob.Bottom() - bob.width / 2;
  const Picture middle = Me().Grab({x - 6, y - 6, 13, 13});
  int dotX = -1;
  int dotY = -1;
  int best = 4;
  for (int v = 1; v + 1 < middle.box.height; ++v) {
    for (int h = 1; h + 1 < middle.box.width; ++h) {
      if (!IsInk(middle.At(h, v))) continue;
      int dark = 0;
      for (int k = 0; k < 9; ++k) dark += IsInk(middle.At(h - 1 + k % 3, v - 1 + k / 3)) ? 1 : 0;
      if (dark <= best) continue;
      best = dark;
      dotX = middle.box.x + h;
      dotY = middle.box.y + v;
    }
  }
  ASSERT_GE(dotX, 0) << "the bob's middle shows no point";
  FollowTheTape(dotX, dotY, "OutPointMenu", 2);
}

// A script shows the name of the bob's meter: it stands in a strip along the top of the frame,
// right of the kind button, framed below.
TEST_F(MeterMenus, AMetersNameShownByAScriptStandsInAStripAtItsTop) {
  ASSERT_TRUE(OpenCopy("meter-named.yb", kSample));
  const Box bob = HangingCircle(Me().Grab(WorldView()), IsInk);
  ASSERT_GT(bob.width, 20) << "the pendulum's bob is not shown";
  const Box meter = PlaceMeter(bob.x + bob.width / 2, bob.Bottom() - 1 - bob.height / 4, "OutMassMenu");
  ASSERT_GE(meter.width, 100) << "no meter was drawn";
  // Right of the kind button, inside the frame, where the first line holds no text on its left.
  const Box strip{meter.x + kStripLeft, meter.y + 1, 60, kStripHeight - 1};
  ASSERT_EQ(Me().Grab(strip).Count(IsInk), 0) << "the meter shows something where its name goes";

  const std::string script = WriteScript(
      "name.ybs", {"Sub Main()", "  YB.ActiveDocument.Outputs(1).ShowName = True",
                   "  Print \"named \"; YB.ActiveDocument.Outputs(1).Name", "End Sub"});
  ASSERT_TRUE(RunScript(script));
  ASSERT_TRUE(Me().WaitUntil([] { return Said("named "); })) << Program()->Output();
  Me().MoveTo(0, 0);
  ASSERT_TRUE(Me().Idle());
  EXPECT_GT(Me().Grab(strip).Count(IsInk), 20) << "no name in the strip";
  // The strip's lower edge, a line from its left end on.
  const Picture edge = Me().Grab({meter.x + kStripLeft, meter.y + kStripHeight, 30, 1});
  EXPECT_EQ(edge.Count(IsInk), 30) << "the strip is not framed below";
}

// The gear train's motor turns the large gear at a turn a second and the small gear, half its
// size, twice as fast the other way: the small gear's pin, clicked on its mark, gets a meter of
// the relative rotation it holds, which follows that turn through the run.
TEST_F(MeterMenus, APinsRelativeRotationMeterFollowsTheTurnOfItsGear) {
  // The small gear's centre on the sample's opening view, from the main window's corner.
  constexpr int kPinX = 415;
  constexpr int kPinY = 275;
  ASSERT_TRUE(OpenCopy("meter-pin.yb", "gear-train-and-rack.yb"));
  const Box frame = Frame();
  Me().Click(frame.x + kPinX, frame.y + kPinY);
  ASSERT_TRUE(Me().Idle());
  ASSERT_TRUE(Choose({"Meter", "Relative rotation"}, {.objectMenu = "OutPinMenu"}));
  const Box view = WorldView();
  Me().Click(view.Right() - 30, view.Bottom() - 30);
  ASSERT_TRUE(StepForward(kRunFrames));
  Save();
  const SavedMeter saved = ReadSavedMeter(CopyPath());
  ASSERT_EQ(saved.failure, "");
  ASSERT_EQ(saved.frames, kRunFrames + 1) << "the steps did not record the run";
  ASSERT_EQ(saved.columns, 2);
  const std::vector<double>& last = saved.values.back();
  const double turn = 2.0 * 2.0 * 3.141592653589793 * last[0];
  EXPECT_GT(turn, 1.0) << "the run took no time";
  EXPECT_NEAR(std::abs(last[1]), turn, 1e-3 * turn) << "the pin's meter does not follow its gear";
}

// The gear pair of the gear train, clicked where its wheels meet, gets a meter of the relative
// rotation it holds beside the Position meters of its two wheels, each clicked on its outline:
// at every recorded frame the pair's meter shows the difference of the wheels' turns.
TEST_F(MeterMenus, AGearPairsRelativeRotationIsTheDifferenceOfItsWheelsTurns) {
  // From the main window's corner on the sample's opening view: the large wheel's top, the
  // small wheel's far side and the point where they meet.
  constexpr int kDriverTopX = 280;
  constexpr int kDriverTopY = 186;
  constexpr int kDrivenTopX = 458;
  constexpr int kDrivenTopY = 274;
  constexpr int kContactX = 370;
  constexpr int kContactY = 275;
  ASSERT_TRUE(OpenCopy("meter-gear.yb", "gear-train-and-rack.yb"));
  const Box frame = Frame();
  const Box view = WorldView();
  // Each object is picked after a press on the world's background has let the meter placed
  // before go.
  const auto place = [&](int x, int y, const std::string& item, const std::string& menu) {
    Me().Click(view.Right() - 30, view.Bottom() - 30);
    ASSERT_TRUE(Me().Idle());
    Me().Click(frame.x + x, frame.y + y);
    ASSERT_TRUE(Me().Idle());
    ASSERT_TRUE(Choose({"Meter", item}, {.objectMenu = menu}));
  };
  place(kDriverTopX, kDriverTopY, "Position", "OutMassMenu");
  place(kDrivenTopX, kDrivenTopY, "Position", "OutMassMenu");
  place(kContactX, kContactY, "Relative rotation", "OutGearMenu");
  Me().Click(view.Right() - 30, view.Bottom() - 30);
  ASSERT_TRUE(StepForward(kRunFrames));
  Save();
  const std::vector<SavedMeter> saved = ReadSavedMeters(CopyPath());
  ASSERT_EQ(saved.size(), 3u) << "not every menu item placed its meter";
  for (const SavedMeter& meter : saved) {
    ASSERT_EQ(meter.failure, "");
    ASSERT_EQ(meter.frames, kRunFrames + 1) << "the steps did not record the run";
  }
  // The wheels' meters show time, x, y and the turn; the pair's time and its rotation.
  ASSERT_EQ(saved[0].columns, 4);
  ASSERT_EQ(saved[1].columns, 4);
  ASSERT_EQ(saved[2].columns, 2);
  const auto difference = [&](int frame) {
    return saved[1].values[static_cast<size_t>(frame)][3] -
           saved[0].values[static_cast<size_t>(frame)][3];
  };
  // The small wheel turns back twice as fast as the large one forward: the difference grows.
  EXPECT_GT(std::abs(difference(kRunFrames)), 1.0) << "the wheels did not turn";
  // Which wheel the pair measures from decides the sign, the same at every frame.
  const double sign = saved[2].values.back()[1] * difference(kRunFrames) < 0 ? -1.0 : 1.0;
  for (const int at : {1, kShownFrame, kRunFrames / 2, kRunFrames}) {
    EXPECT_NEAR(saved[2].values[static_cast<size_t>(at)][1], sign * difference(at), 1e-3)
        << "frame " << at;
  }
}

// The spring of the spring-and-pin sample (constant 100, rest length 1) starts stretched to 1.5:
// its Force along length meter shows the pull of 50 of that stretch at the first frame already,
// not a zero that only the first step replaces.
TEST_F(MeterMenus, ASpringsForceMeterShowsTheStartsForceAtTheFirstFrame) {
  ASSERT_TRUE(OpenCopy("meter-spring.yb", "spring-and-pin.yb"));
  // The spring lies along the view's top rows: the row with the most ink in the view's top half,
  // clear of the ruler on its left; its lead from the anchor is clicked.
  const Box view = WorldView();
  const Picture top = Me().Grab({view.x + 60, view.y, view.width - 60, view.height / 2});
  int row = -1;
  int most = 0;
  for (int v = 0; v < top.box.height; ++v) {
    int ink = 0;
    for (int h = 0; h < top.box.width; ++h) ink += IsInk(top.At(h, v)) ? 1 : 0;
    if (ink > most) {
      most = ink;
      row = v;
    }
  }
  ASSERT_GT(most, 60) << "the spring is not shown";
  int left = 0;
  while (!IsInk(top.At(left, row))) ++left;
  Me().Click(top.box.x + left + 25, top.box.y + row);
  ASSERT_TRUE(Me().Idle());
  ASSERT_TRUE(Choose({"Meter", "Force along length"}, {.objectMenu = "OutLConstrMenu"}));
  Me().Click(view.Right() - 30, view.Bottom() - 30);
  ASSERT_TRUE(StepForward(3));
  Save();
  const SavedMeter saved = ReadSavedMeter(CopyPath());
  ASSERT_EQ(saved.failure, "");
  ASSERT_EQ(saved.frames, 4) << "the steps did not record the run";
  // The time and the one force a spring has, along its length: no second column always 0.
  ASSERT_EQ(saved.columns, 2);
  // Stretched, the spring pulls its ends together.
  EXPECT_NEAR(saved.values[0][1], -50.0, 1e-6) << "the first frame shows no force";
  // The force eases as the spring shortens: the next frame's is close and of the same sign.
  EXPECT_GT(saved.values[0][1] * saved.values[1][1], 0.0);
  EXPECT_NEAR(saved.values[1][1], saved.values[0][1], 5.0);
}

}  // namespace
}  // namespace scenario
