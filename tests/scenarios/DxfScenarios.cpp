// Drawings of another program opened from the File menu: a closed outline (old or light) comes
// back with its corners when the shown frame is exported as a drawing, what a drawing held that
// no object takes is named in a note, and a circle saved as a world, opened and saved again is
// written alike, keeping the moment of a disc when its radius is typed into the coordinates bar;
// a drawing opens whole in its window, and one whose block inserts itself is refused at once. The drawings are made, and the
// exported one read, by ezdxf.

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "bodies/Shapes.h"
#include "model/world/QVDoc.h"
#include "model/world/WorldDoc.h"
#include "platform/win32/Window.h"
#include "tests/app/ProgramDocuments.h"
#include "tests/scenarios/BodiesSeen.h"
#include "tests/scenarios/Harness.h"
#include "tests/scenarios/WorldWindowSeen.h"

namespace scenario {
namespace {

using Corners = std::vector<std::pair<double, double>>;

// An outline with a slanted side and a peak, so that no corner can stand for another.
const Corners kOutline = {{0.0, 0.0}, {2.0, 0.0}, {2.5, 1.0}, {1.0, 1.5}, {0.0, 1.0}};
constexpr double kCircleX = 1.0, kCircleY = 0.5, kCircleRadius = 0.4;
constexpr double kTypedRadius = 0.3;
// The grey of the coordinates bar's cells.
constexpr uint32_t kCellGrey = 0xC0C0C0;

std::string Shell(const std::string& command) {
  std::string output;
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return output;
  char buffer[4096];
  while (size_t read = fread(buffer, 1, sizeof buffer, pipe)) output.append(buffer, read);
  pclose(pipe);
  return output;
}

std::string Quoted(const std::string& path) { return "'" + path + "'"; }

// Runs a small ezdxf program on the path; its output, or the failure it printed.
std::string Ezdxf(const std::string& program, const std::string& path) {
  return Shell("/usr/bin/python3 -c \"import ezdxf,sys\n" + program + "\" " + Quoted(path) +
               " 2>&1");
}

std::string PointList(const Corners& corners) {
  std::ostringstream text;
  for (const auto& [x, y] : corners) text << "(" << x << "," << y << "),";
  return text.str();
}

// The closed outlines a drawing holds, as ezdxf reads them; `failure` holds what it said
// otherwise.
std::vector<Corners> ClosedOutlinesOf(const std::string& drawing, std::string& failure) {
  const std::string said = Ezdxf(
      "for e in ezdxf.readfile(sys.argv[1]).modelspace():\n"
      "  if e.dxftype() == 'POLYLINE' and e.is_closed:\n"
      "    p = list(e.points())\n"
      "    print('outline', len(p), ' '.join('%.9f %.9f' % (v[0], v[1]) for v in p))\n",
      drawing);
  std::vector<Corners> outlines;
  std::istringstream lines(said);
  for (std::string line; std::getline(lines, line);) {
    std::istringstream fields(line);
    std::string kind;
    size_t count = 0;
    if (!(fields >> kind >> count) || kind != "outline") {
      failure = said;
      return {};
    }
    Corners corners(count);
    for (auto& [x, y] : corners) fields >> x >> y;
    outlines.push_back(corners);
  }
  return outlines;
}

std::string Describe(const Corners& corners) {
  std::ostringstream text;
  for (const auto& [x, y] : corners) text << " (" << x << ", " << y << ")";
  return text.str();
}

class Dxf : public Scenario {
 protected:
  static ::testing::AssertionResult TitleNames(const std::string& name) {
    if (!Me().WaitUntil([&] { return Me().WindowTitled("Yarrowby - " + name) != 0; }))
      return ::testing::AssertionFailure() << "the title does not name " << name << ": "
                                           << Me().FocusedTitle();
    return Me().Idle();
  }
  // A file dialog opened from the File menu, the path typed into its name line, and the
  // document it leaves named in the title.
  ::testing::AssertionResult ThroughFileDialog(const std::string& item,
                                               const std::string& dialogTitle,
                                               const std::string& path) {
    if (::testing::AssertionResult chosen = Choose({"File", item}); !chosen) return chosen;
    if (!Me().WaitUntil([&] { return Me().FocusedTitle() == dialogTitle; }))
      return ::testing::AssertionFailure() << dialogTitle << " did not take the keyboard: "
                                           << Me().FocusedTitle();
    Me().Type(path);
    Me().Key("Return");
    return TitleNames(std::filesystem::path(path).filename().string());
  }
  ::testing::AssertionResult Open(const std::string& path) {
    return ThroughFileDialog("Open...", "Open a world", path);
  }
  ::testing::AssertionResult SaveAs(const std::string& path) {
    return ThroughFileDialog("Save As...", "Save the world as", path);
  }
  // A circle drawn by ezdxf into the private home; "" when ezdxf made none.
  static std::string DrawCircle() {
    const std::string drawn = Home().Path("circle.dxf");
    std::ostringstream program;
    program << "d = ezdxf.new('R12')\n"
            << "d.modelspace().add_circle((" << kCircleX << "," << kCircleY << "), "
            << kCircleRadius << ")\n"
            << "d.saveas(sys.argv[1])\n";
    const std::string made = Ezdxf(program.str(), drawn);
    if (std::filesystem::exists(drawn)) return drawn;
    ADD_FAILURE() << "ezdxf made no drawing:\n" << made;
    return "";
  }
  // The screen box of the coordinates bar's cell (0 for the first), found by its grey.
  bool FindCoordinatesCell(size_t index, Box& cell) const {
    const window_seen::DocumentWindow document = window_seen::FindDocumentWindow(Me(), Frame());
    const Picture client = Me().Grab(document.client);
    const int row = window_seen::CoordinatesBarRow(client);
    if (row < 0) return false;
    std::vector<std::pair<int, int>> runs;
    for (int x = 0, start = -1; x <= client.box.width; ++x) {
      const bool grey = x < client.box.width && client.At(x, row) == kCellGrey;
      if (grey && start < 0) start = x;
      if (!grey && start >= 0) {
        if (x - start >= 20) runs.emplace_back(start, x);
        start = -1;
      }
    }
    if (runs.size() <= index) return false;
    const auto [left, right] = runs[index];
    int bottom = row;
    while (bottom + 1 < client.box.height && client.At(left, bottom + 1) == kCellGrey) ++bottom;
    cell = {client.box.x + left, client.box.y + row, right - left, bottom - row + 1};
    return true;
  }
  // The world's view of the front document, less its scroll bars and their dark arrows.
  Box WorldView() const {
    const window_seen::DocumentWindow document = window_seen::FindDocumentWindow(Me(), Frame());
    Box view = document.client;
    view.width -= GetSystemMetrics(SM_CXVSCROLL) + 2;
    view.height -= GetSystemMetrics(SM_CYHSCROLL) + 2;
    return view;
  }
};

// The outline drawn by ezdxf opens as a polygon; the drawing of the shown frame holds it as the
// one closed outline, through the same corners in the same order.
TEST_F(Dxf, AClosedOutlineOpenedFromADrawingIsExportedThroughItsCorners) {
  const std::string drawn = Home().Path("outline.dxf");
  const std::string made = Ezdxf(
      "d = ezdxf.new('R12')\n"
      "d.modelspace().add_polyline2d([" + PointList(kOutline) + "], close=True)\n"
      "d.saveas(sys.argv[1])\n",
      drawn);
  ASSERT_TRUE(std::filesystem::exists(drawn)) << "ezdxf made no drawing:\n" << made;
  ASSERT_TRUE(StartOnSample(""));
  ASSERT_TRUE(Open(drawn));
  EXPECT_FALSE(Me().Grab(WorldView()).BoundsOf(IsDark).Empty()) << "the outline is not shown";

  const std::string exported = Home().Path("outline-again.dxf");
  ASSERT_TRUE(ExportShownFrame(exported));
  ASSERT_TRUE(std::filesystem::exists(exported)) << "no drawing was exported";
  std::string failure;
  const std::vector<Corners> outlines = ClosedOutlinesOf(exported, failure);
  ASSERT_TRUE(failure.empty()) << "ezdxf did not read the export:\n" << failure;
  ASSERT_EQ(outlines.size(), 1u) << "the export holds " << outlines.size() << " closed outlines";
  const Corners& corners = outlines.front();
  ASSERT_EQ(corners.size(), kOutline.size()) << "exported:" << Describe(corners);
  for (size_t i = 0; i < corners.size(); ++i) {
    EXPECT_NEAR(corners[i].first, kOutline[i].first, 1e-4) << "corner " << i;
    EXPECT_NEAR(corners[i].second, kOutline[i].second, 1e-4) << "corner " << i;
  }
}

// The same outline as a light polyline of today's drawings, beside a text: a note names the text
// left out, and the outline comes back through its corners.
TEST_F(Dxf, ALightOutlineOpensAsAPolygonAndANoteNamesWhatWasLeftOut) {
  const std::string drawn = Home().Path("today.dxf");
  const std::string made = Ezdxf(
      "d = ezdxf.new('R2010')\n"
      "d.modelspace().add_lwpolyline([" + PointList(kOutline) + "], close=True)\n"
      "d.modelspace().add_text('left out')\n"
      "d.saveas(sys.argv[1])\n",
      drawn);
  ASSERT_TRUE(std::filesystem::exists(drawn)) << "ezdxf made no drawing:\n" << made;
  ASSERT_TRUE(StartOnSample(""));
  ASSERT_TRUE(Open(drawn));
  ASSERT_TRUE(Me().WaitUntil([] { return Me().WindowTitled("Yarrowby") != 0; }))
      << "no note named what was left out";
  Me().Key("Return");
  ASSERT_TRUE(Me().WaitUntil([] { return Me().WindowTitled("Yarrowby") == 0; }));

  const std::string exported = Home().Path("today-again.dxf");
  ASSERT_TRUE(ExportShownFrame(exported));
  std::string failure;
  const std::vector<Corners> outlines = ClosedOutlinesOf(exported, failure);
  ASSERT_TRUE(failure.empty()) << "ezdxf did not read the export:\n" << failure;
  ASSERT_EQ(outlines.size(), 1u) << "the export holds " << outlines.size() << " closed outlines";
  ASSERT_EQ(outlines.front().size(), kOutline.size()) << Describe(outlines.front());
}

// A circle drawn by ezdxf, saved as a world, opened in a program started afresh (whose first
// window stands where the drawing's stood) and saved under another name: both files hold the
// same bytes.
TEST_F(Dxf, ACircleSavedOpenedAndSavedAgainIsWrittenAlike) {
  const std::string drawn = DrawCircle();
  ASSERT_FALSE(drawn.empty());
  ASSERT_TRUE(StartOnSample(""));
  ASSERT_TRUE(Open(drawn));
  const std::string first = Home().Path("circle-first.yb");
  const std::string second = Home().Path("circle-second.yb");
  ASSERT_TRUE(SaveAs(first));
  ASSERT_TRUE(StartOnSample(""));
  ASSERT_TRUE(Open(first));
  ASSERT_TRUE(SaveAs(second));
  EXPECT_EQ(program_documents::FirstDifference(program_documents::ReadBytes(first),
                                               program_documents::ReadBytes(second)),
            -1);
}

// The drawn circle's radius typed into the coordinates bar and saved: the saved moment is still
// a disc's, m r^2 / 2, computed from the new radius.
TEST_F(Dxf, ARadiusTypedIntoTheCoordinatesBarKeepsTheMomentOfADisc) {
  const std::string drawn = DrawCircle();
  ASSERT_FALSE(drawn.empty());
  ASSERT_TRUE(StartOnSample(""));
  ASSERT_TRUE(Open(drawn));
  const std::string saved = Home().Path("circle-typed.yb");
  ASSERT_TRUE(SaveAs(saved));

  ASSERT_TRUE(Choose({"World", "Coordinates Bar"}));
  const Box circle = Me().Grab(WorldView()).BoundsOf(IsDark);
  ASSERT_GE(circle.width, 20) << "the circle is not shown";
  // Inside the circle, below its centre and its radius line.
  Me().Click(circle.x + circle.width / 2, circle.y + circle.height * 3 / 4);
  ASSERT_TRUE(Me().Idle());
  Box radiusCell;
  ASSERT_TRUE(FindCoordinatesCell(2, radiusCell)) << "the bar shows no radius cell";
  Me().Click(radiusCell.x + radiusCell.width / 2, radiusCell.y + radiusCell.height / 2);
  ASSERT_TRUE(Me().Idle());
  for (int i = 0; i < 12; ++i) Me().Key("BackSpace");
  Me().Type("0.3");
  Me().Key("Return");
  ASSERT_TRUE(Me().Idle());
  Me().Control("s");
  ASSERT_TRUE(Me().Idle());

  ProgramUnits units;
  TQVDoc document;
  document.ReadDocument(saved);
  std::vector<TOval*> circles;
  for (TLink* object : document.World().Objects())
    if (auto* oval = dynamic_cast<TOval*>(object)) circles.push_back(oval);
  ASSERT_EQ(circles.size(), 1u);
  TOval& oval = *circles.front();
  EXPECT_NEAR(oval.GetShapeRadius(), kTypedRadius, 1e-9);
  EXPECT_EQ(oval.GetMomentModeValue(), 2) << "the moment became a given one";
  const double mass = oval.GetMass();
  ASSERT_GT(mass, 0.0);
  EXPECT_NEAR(oval.CurrentMomentValue(), mass * kTypedRadius * kTypedRadius / 2, 1e-9 * mass);
}

// Four circles at the corners of a box wider than it is tall open framed for the window they
// open in: the four together centred, none cut, with room to spare round them.
TEST_F(Dxf, ADrawingOpensWholeAndCentredInItsWindow) {
  const std::string drawn = Home().Path("corners.dxf");
  const std::string made = Ezdxf(
      "d = ezdxf.new('R2010')\n"
      "for x, y in ((1, 1), (5, 1), (1, 4), (5, 4)): d.modelspace().add_circle((x, y), 0.5)\n"
      "d.saveas(sys.argv[1])\n",
      drawn);
  ASSERT_TRUE(std::filesystem::exists(drawn)) << "ezdxf made no drawing:\n" << made;
  ASSERT_TRUE(StartOnSample(""));
  ASSERT_TRUE(Open(drawn));
  const Box view = WorldView();
  const Box ink = Me().Grab(view).BoundsOf(IsDark);
  ASSERT_FALSE(ink.Empty()) << "no circle is shown";
  // The circles span 5 by 4 world units: so does their ink, when all four are whole.
  EXPECT_NEAR(static_cast<double>(ink.width) / ink.height, 5.0 / 4.0, 0.05);
  EXPECT_GT(ink.x, view.x + 4);
  EXPECT_GT(ink.y, view.y + 4);
  EXPECT_LT(ink.Right(), view.Right() - 4);
  EXPECT_LT(ink.Bottom(), view.Bottom() - 4);
  EXPECT_NEAR(ink.x + ink.width / 2, view.x + view.width / 2, 3);
  EXPECT_NEAR(ink.y + ink.height / 2, view.y + view.height / 2, 3);
}

// A drawing whose block inserts itself four times over, opened from the File menu: the program
// refuses it with an alert at once, and opens nothing.
TEST_F(Dxf, ADrawingWhoseBlockInsertsItselfIsRefusedAtOnce) {
  const std::string drawn = Home().Path("endless.dxf");
  {
    std::string text = "0\nSECTION\n2\nBLOCKS\n0\nBLOCK\n2\nB\n";
    for (int i = 0; i < 4; ++i) text += "0\nINSERT\n2\nB\n";
    text += "0\nENDBLK\n0\nENDSEC\n0\nSECTION\n2\nENTITIES\n0\nINSERT\n2\nB\n"
            "0\nENDSEC\n0\nEOF\n";
    std::FILE* file = std::fopen(drawn.c_str(), "wb");
    ASSERT_NE(file, nullptr);
    std::fwrite(text.data(), 1, text.size(), file);
    std::fclose(file);
  }
  ASSERT_TRUE(StartOnSample(""));
  ASSERT_TRUE(Choose({"File", "Open..."}));
  ASSERT_TRUE(Me().WaitUntil([] { return Me().FocusedTitle() == "Open a world"; }))
      << "the open dialog did not take the keyboard: " << Me().FocusedTitle();
  Me().Type(drawn);
  Me().Key("Return");
  // The main window and, over it, the alert (both titled with the program's name).
  ASSERT_TRUE(Me().WaitUntil([] {
    return Me().ShownWindows() == 2 && Me().FocusedTitle() == "Yarrowby";
  })) << "no alert refused the drawing: " << Me().FocusedTitle();
  Me().Key("Return");
  ASSERT_TRUE(Me().WaitUntil([] { return Me().ShownWindows() == 1; })) << "the alert stayed";
  ASSERT_TRUE(Me().Idle());
  EXPECT_EQ(Me().WindowTitled("Yarrowby - endless.dxf"), XWindowId{0}) << "the drawing opened";
}

}  // namespace
}  // namespace scenario
