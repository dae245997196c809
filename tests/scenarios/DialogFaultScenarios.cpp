// Dialogs that took no input: the World menu's Other... count dialogs take the number typed and
// the saved world keeps it; the point table of a polygon with more vertices than it shows takes
// what is typed into the clicked cell, and after a scroll into the cell clicked then, never into
// a row the editor stood on before; its Body frame button shows and takes the body's coordinates;
// a curved slot's points are listed and take what is typed; the world's own dialogs keep a value
// typed into a field when the next click goes to a radio button or a check box, and drop it when
// the click is on Cancel.

#include <algorithm>
#include <cmath>
#include <string>
#include <utility>
#include <vector>

#include "bodies/Polygon.h"
#include "bodies/Table.h"
#include "constraints/CurvedSlot.h"
#include "core/Tag.h"
#include "model/world/QVDoc.h"
#include "platform/win32/Window.h"
#include "tests/app/ProgramDocuments.h"
#include "tests/scenarios/BodiesSeen.h"
#include "tests/scenarios/Harness.h"

namespace scenario {
namespace {

constexpr char kManyVertices[] = "many-vertices.yb";
constexpr int kVertices = 30;

// A place on a dialog in the dialog units of its template.
struct DialogSpot {
  int x = 0, y = 0;
};

// A world dialog as its template lays it out: its title and the size of its inside, in dialog
// units, and the spots clicked on it: what makes the field take a value (none: {0, 0}), the
// field, the box or button clicked after typing, OK.
struct WorldDialog {
  const char* item;  // under Edit > Properties
  const char* title;
  DialogSpot size;
  DialogSpot first, field, box, ok;
};

// Simulation: the animation step's Fixed button and field, "Warn when a run is inaccurate".
constexpr WorldDialog kSimulation{"World Simulation...", "Simulation", {212, 172},
                                  {149, 73}, {186, 72}, {30, 127}, {121, 159}};
// Numbers and Units: the digits' field and the numbers' Fixed button.
constexpr WorldDialog kNumbers{"Numbers and Units...", "Numbers and Units", {304, 196},
                               {}, {76, 14}, {66, 33}, {213, 183}};
// View: the scale's field and the grid's check box.
constexpr WorldDialog kView{"World View...", "View", {212, 100},
                            {}, {86, 14}, {30, 31}, {121, 87}};
constexpr DialogSpot kViewCancel{179, 87};

// What the world dialogs set, as the saved world keeps it.
struct SavedSettings {
  double animationStep = 0.0;  // seconds
  int32_t digits = 0;
  double viewScale = 0.0;  // screen lengths per world length
};

SavedSettings ReadSettings(const std::string& path) {
  const ProgramUnits units;
  TQVDoc saved;
  saved.ReadDocument(path);
  SavedSettings settings;
  if (TLink* engine = saved.World().GetEngineObject(); engine != nullptr)
    engine->GetNumberProperty(MakeTag("dt_/"), settings.animationStep, nullptr);
  if (TLink* handler = saved.World().GetUnitHandler(); handler != nullptr)
    handler->GetIntProperty(MakeTag("  ##"), settings.digits, nullptr);
  saved.World().GetNumberProperty(MakeTag("zSca"), settings.viewScale, nullptr);
  return settings;
}

TPolygon* PolygonOf(TQVDoc& document) {
  for (TLink* object : document.World().Objects())
    if (auto* polygon = dynamic_cast<TPolygon*>(object)) return polygon;
  return nullptr;
}

// A vertex in world coordinates, as the table's "World" frame shows it.
std::pair<double, double> WorldPoint(TPolygon& polygon, int vertex) {
  double x = 0.0;
  double y = 0.0;
  polygon.GetNumberProperty(point_ref::Make(point_ref::kWorld, vertex, true), x, nullptr);
  polygon.GetNumberProperty(point_ref::Make(point_ref::kWorld, vertex, false), y, nullptr);
  return {x, y};
}

// The point table's cells as they stand on the screen: the dark frames of the two value columns
// (the left and right edges of each) and the tops of the rows shown.
struct TableSeen {
  int column1Left = -1;
  int column1Right = -1;
  int column2Right = -1;
  std::vector<int> rowTops;  // screen y of each fully shown row's frame, top to bottom
  int pitch = 0;
  int lowestInk = -1;
  bool Found() const { return column2Right > column1Right && rowTops.size() >= 2 && pitch > 0; }
};

// The runs of ink down one column of the picture: their starts and lengths.
std::vector<std::pair<int, int>> InkRuns(const Picture& picture, int x) {
  std::vector<std::pair<int, int>> runs;
  for (int y = 0; y < picture.box.height; ++y) {
    if (!IsInk(picture.At(x, y))) continue;
    if (!runs.empty() && runs.back().first + runs.back().second == y) {
      ++runs.back().second;
    } else {
      runs.emplace_back(y, 1);
    }
  }
  return runs;
}

// A cell frame's side: a column whose ink holds a dash per row shown (at least five), each as
// long as a row less the gap between rows; text is never that tall.
bool IsCellSide(const std::vector<std::pair<int, int>>& runs) {
  int dashes = 0;
  for (const auto& [start, length] : runs)
    if (length >= 12) ++dashes;
  return dashes >= 5;
}

TableSeen SeeTable(const Picture& window) {
  TableSeen seen;
  // The window's own edges stay out of the search.
  constexpr int kMargin = 12;
  std::vector<int> sides;
  for (int x = kMargin; x + kMargin < window.box.width; ++x) {
    if (!IsCellSide(InkRuns(window, x))) continue;
    if (!sides.empty() && sides.back() + 1 >= x) {
      sides.back() = x;
      continue;
    }
    sides.push_back(x);
  }
  if (sides.size() < 4) return seen;
  seen.column1Left = window.box.x + sides[0];
  seen.column1Right = window.box.x + sides[1];
  seen.column2Right = window.box.x + sides[3];
  // Down a cell's left side, one dash per row shown: the rows' tops; a row cut by the list's
  // bottom edge has a shorter dash.
  const std::vector<std::pair<int, int>> dashes = InkRuns(window, sides[0]);
  std::vector<std::pair<int, int>> rows;
  for (const auto& dash : dashes)
    if (dash.second >= 12) rows.push_back(dash);
  if (rows.size() < 2) return seen;
  seen.pitch = rows[1].first - rows[0].first;
  for (const auto& [top, length] : rows)
    if (length == seen.pitch - 1) seen.rowTops.push_back(window.box.y + top);
  seen.lowestInk = window.box.y + rows.back().first + rows.back().second - 1;
  return seen;
}

class DialogFaults : public SampleScenario {
 protected:
  // A menu item that opens a modal dialog: waits for the dialog to take the keyboard.
  static ::testing::AssertionResult OpenDialog(const ::testing::AssertionResult& chosen,
                                               const std::string& title) {
    if (!chosen) return chosen;
    if (!Me().WaitUntil([&] { return Me().FocusedTitle() == title; }))
      return ::testing::AssertionFailure() << "the dialog " << title
                                           << " did not open: " << Me().FocusedTitle();
    return Me().Idle();
  }
  ::testing::AssertionResult Save() { return Choose({"File", "Save"}); }
  // A spot of the world dialog, scaled from its template's units to the dialog's inside as it
  // stands on the screen, clicked; then the program settles.
  static ::testing::AssertionResult ClickIn(const WorldDialog& dialog, DialogSpot spot) {
    constexpr int kBorder = 3, kCaption = 18;
    const Box place = Me().Place(Me().WindowTitled(dialog.title));
    if (place.Empty()) return ::testing::AssertionFailure() << "no dialog " << dialog.title;
    const double across = (place.width - 2 * kBorder) / static_cast<double>(dialog.size.x);
    const double down = (place.height - kCaption - kBorder) / static_cast<double>(dialog.size.y);
    Me().Click(place.x + kBorder + static_cast<int>(std::lround(spot.x * across)),
               place.y + kCaption + static_cast<int>(std::lround(spot.y * down)));
    return Me().Idle();
  }
  // Edit > Properties > the dialog: the value typed over its field, its box or button clicked
  // next, then OK.
  void TypeThenClickTheBox(const WorldDialog& dialog, const std::string& value) {
    ASSERT_TRUE(OpenDialog(Click({"Edit", "Properties", dialog.item}), dialog.title));
    if (dialog.first.x != 0) {
      ASSERT_TRUE(ClickIn(dialog, dialog.first));
    }
    ASSERT_TRUE(ClickIn(dialog, dialog.field));
    Me().Key("End");
    Me().Key("Home", {"Shift_L"});
    Me().Type(value);
    ASSERT_TRUE(ClickIn(dialog, dialog.box));
    ASSERT_TRUE(ClickIn(dialog, dialog.ok));
    ASSERT_TRUE(Me().WaitUntil([&] { return Me().WindowTitled(dialog.title) == 0; }))
        << "OK did not close " << dialog.title;
    ASSERT_TRUE(Me().Idle());
  }
  // The point table window and what it shows.
  TableSeen Table() const {
    const XWindowId points = Me().WindowTitled("Points");
    if (points == 0) return {};
    return SeeTable(Me().Grab(Me().Place(points)));
  }
  static int CellMiddleX(const TableSeen& table) {
    return (table.column1Left + table.column1Right) / 2;
  }
  // Types `value` into the table's first cell, takes it with Return and saves the world.
  ::testing::AssertionResult TypeIntoTheFirstCellAndSave(const TableSeen& table,
                                                         const std::string& value) {
    Me().Click(CellMiddleX(table), table.rowTops[0] + table.pitch / 2 - 1);
    if (auto idle = Me().Idle(); !idle) return idle;
    Me().Type(value);
    Me().Key("Return");
    if (auto idle = Me().Idle(); !idle) return idle;
    if (auto saved = Save(); !saved) return saved;
    return Me().Idle();
  }
};

// World > Show Every Nth Frame > Other... and Tracking > Other... once did nothing: the dialogs
// had no template and their failed runs counted as accepted. The counts typed and OK are now the
// world's, and saved.
TEST_F(DialogFaults, TheOtherCountsTypedAreTheSavedWorlds) {
  ASSERT_TRUE(OpenCopy("other-counts.yb"));
  ASSERT_TRUE(OpenDialog(Click({"World", "Show Every Nth Frame", "Other..."}),
                         "Show Every Nth Frame"));
  Me().Type("3");
  Me().Key("Return");
  ASSERT_TRUE(Me().WaitUntil([] { return Me().WindowTitled("Show Every Nth Frame") == 0; }))
      << "OK did not close the dialog";

  // Tracking's count: its OK is clicked.
  ASSERT_TRUE(OpenDialog(Click({"World", "Tracking", "Other..."}), "Tracking"));
  Me().Type("5");
  const Box tracking = Me().Place(Me().WindowTitled("Tracking"));
  // OK is the first of the two buttons along the bottom, left of Cancel.
  Me().Click(tracking.x + tracking.width * 55 / 100, tracking.Bottom() - 26);
  ASSERT_TRUE(Me().WaitUntil([] { return Me().WindowTitled("Tracking") == 0; }))
      << "OK did not close the dialog";
  ASSERT_TRUE(Save());
  ASSERT_TRUE(Me().Idle());

  const ProgramUnits units;
  TQVDoc saved;
  saved.ReadDocument(CopyPath());
  EXPECT_EQ(saved.World().GetSkipFrames(), 3);
  EXPECT_EQ(saved.World().GetTrackingWord(), 5);
}

// Window > Point Table on a polygon of thirty vertices: the clicked cell takes the keys; scrolled
// to the last row, the cell clicked there takes the next, and the first edit stays.
TEST_F(DialogFaults, ThePointTableTakesTheTypedValueIntoTheClickedCellAfterAScroll) {
  std::vector<std::pair<double, double>> before;
  {
    const ProgramUnits units;
    TQVDoc document;
    program_documents::BuildOneClassWorld(document.World(), "TPolygon");
    TPolygon* polygon = PolygonOf(document);
    ASSERT_NE(polygon, nullptr);
    for (int count = polygon->GetVertexTable()->GetCount(); count < kVertices;
         count = polygon->GetVertexTable()->GetCount()) {
      const double angle = 0.2 * count;
      polygon->InsertVertex(static_cast<int16_t>(count),
                            TVector{5.0 + 1.5 * std::cos(angle), 1.5 * std::sin(angle)});
    }
    // The table shows the vertices of the polygon alone.
    for (TLink* object : document.World().Objects()) {
      int32_t rows = 0;
      int16_t columns = 0;
      if (object != polygon) {
        EXPECT_EQ(object->GetIntProperty(MakeTag("pptb"), rows, &columns), 0);
      }
    }
    document.WriteDocument(Home().Sample(kManyVertices));
    for (int vertex = 1; vertex <= kVertices; ++vertex)
      before.push_back(WorldPoint(*polygon, vertex));
  }
  ASSERT_TRUE(Start(kManyVertices));
  Me().Control("a");
  ASSERT_TRUE(Click({"Window", "Point Table"}));
  ASSERT_TRUE(Me().WaitUntil([] { return Me().WindowTitled("Points") != 0; }))
      << "the point table did not open";
  ASSERT_TRUE(Me().Idle());
  TableSeen table = Table();
  ASSERT_TRUE(table.Found()) << "no cells seen in the point table";
  ASSERT_LT(table.rowTops.size(), static_cast<size_t>(kVertices)) << "every row fits";

  // Row 2's x cell, 9, Return.
  Me().Click(CellMiddleX(table), table.rowTops[1] + table.pitch / 2 - 1);
  ASSERT_TRUE(Me().Idle());
  Me().Type("9");
  Me().Key("Return");
  ASSERT_TRUE(Me().Idle());

  // Page by page down the list's scroll bar until the rows stop moving.
  const int scrollBarX = table.column2Right + 1 + GetSystemMetrics(SM_CXVSCROLL) / 2;
  const int trackY = table.lowestInk - GetSystemMetrics(SM_CXVSCROLL) - 4;
  const Box points = Me().Place(Me().WindowTitled("Points"));
  for (int page = 0; page < kVertices; ++page) {
    const Picture before = Me().Grab(points);
    Me().Click(scrollBarX, trackY);
    ASSERT_TRUE(Me().Idle());
    if (Me().Grab(points) == before) break;
  }
  table = Table();
  ASSERT_TRUE(table.Found()) << "no cells seen after the scroll";
  // Typed now, with the edited row out of view, a value goes into no row at all.
  Me().Type("5");
  Me().Key("Return");
  ASSERT_TRUE(Me().Idle());

  // The last row's x cell, 7, Return.
  Me().Click(CellMiddleX(table), table.rowTops.back() + table.pitch / 2 - 1);
  ASSERT_TRUE(Me().Idle());
  Me().Type("7");
  Me().Key("Return");
  ASSERT_TRUE(Me().Idle());

  // The wheel turned up over the cells, the editor holding the keys, brings earlier rows back.
  const Picture atTheEnd = Me().Grab(points);
  Me().Click(CellMiddleX(table), table.rowTops.front() + table.pitch / 2, 4);
  ASSERT_TRUE(Me().Idle());
  EXPECT_NE(Me().Grab(points), atTheEnd) << "the wheel did not scroll the rows";
  ASSERT_TRUE(Save());
  ASSERT_TRUE(Me().Idle());

  const ProgramUnits units;
  TQVDoc saved;
  saved.ReadDocument(Home().Sample(kManyVertices));
  TPolygon* polygon = PolygonOf(saved);
  ASSERT_NE(polygon, nullptr);
  // Row 2's x and the last row's x changed; nothing else did.
  for (int vertex = 1; vertex <= kVertices; ++vertex) {
    const auto [x, y] = WorldPoint(*polygon, vertex);
    const auto [oldX, oldY] = before[static_cast<size_t>(vertex - 1)];
    const double expectedX = vertex == 2 ? 9.0 : vertex == kVertices ? 7.0 : oldX;
    EXPECT_NEAR(x, expectedX, 1e-9) << "vertex " << vertex;
    EXPECT_NEAR(y, oldY, 1e-9) << "vertex " << vertex;
  }
}

// The point table's "Body frame" button once refused the click: the window asked whether it was
// the active one, which a floating window clicked need not be. Now the button shows the body's
// frame, its label replacing the world's, and a value typed is taken in that frame.
TEST_F(DialogFaults, ThePointTablesBodyFrameButtonShowsAndTakesBodyCoordinates) {
  constexpr char kMoved[] = "moved-polygon.yb";
  {
    const ProgramUnits units;
    TQVDoc document;
    program_documents::BuildOneClassWorld(document.World(), "TPolygon");
    TPolygon* polygon = PolygonOf(document);
    ASSERT_NE(polygon, nullptr);
    polygon->MoveBy(TVector{1.5, -0.75});
    // Rows enough for the table's cells to be seen.
    for (int count = polygon->GetVertexTable()->GetCount(); count < 8;
         count = polygon->GetVertexTable()->GetCount()) {
      const double angle = 0.3 * count;
      polygon->InsertVertex(static_cast<int16_t>(count),
                            TVector{5.0 + 1.5 * std::cos(angle), 1.5 * std::sin(angle)});
    }
    double world = 0.0, body = 0.0;
    polygon->GetNumberProperty(point_ref::Make(point_ref::kWorld, 1, true), world, nullptr);
    polygon->GetNumberProperty(point_ref::Make(point_ref::kLocal, 1, true), body, nullptr);
    ASSERT_GT(std::fabs(world - body), 1e-3) << "the polygon's frame is the world's";
    document.WriteDocument(Home().Sample(kMoved));
  }
  ASSERT_TRUE(Start(kMoved));
  Me().Control("a");
  ASSERT_TRUE(Click({"Window", "Point Table"}));
  ASSERT_TRUE(Me().WaitUntil([] { return Me().WindowTitled("Points") != 0; }))
      << "the point table did not open";
  ASSERT_TRUE(Me().Idle());
  // The window as its template lays it out: the buttons along the top, the label below them.
  const WorldDialog points{"", "Points", {200, 196}, {}, {}, {150, 12}, {}};
  const Box place = Me().Place(Me().WindowTitled("Points"));
  const double down = (place.height - 18 - 3) / 196.0;
  const Box label{place.x + 8, place.y + 18 + static_cast<int>(22 * down), place.width - 16,
                  static_cast<int>(10 * down)};
  const Picture worldLabel = Me().Grab(label);
  ASSERT_TRUE(ClickIn(points, points.box));
  EXPECT_NE(Me().Grab(label), worldLabel) << "the label still names the world's frame";

  const TableSeen table = Table();
  ASSERT_TRUE(table.Found()) << "no cells seen in the point table";
  ASSERT_TRUE(TypeIntoTheFirstCellAndSave(table, "2.5"));

  const ProgramUnits units;
  TQVDoc saved;
  saved.ReadDocument(Home().Sample(kMoved));
  TPolygon* polygon = PolygonOf(saved);
  ASSERT_NE(polygon, nullptr);
  double body = 0.0;
  polygon->GetNumberProperty(point_ref::Make(point_ref::kLocal, 1, true), body, nullptr);
  EXPECT_NEAR(body, 2.5, 1e-9) << "the value was not taken in the body's frame";
}

// Window > Point Table on the cam follower's curved slot lists its control points, and a radius
// typed into the first row is the saved one.
TEST_F(DialogFaults, TheCurvedSlotsPointTypedInThePointTableIsSaved) {
  ASSERT_TRUE(Start("cam-follower.yb"));
  Me().Control("a");
  ASSERT_TRUE(Click({"Window", "Point Table"}));
  ASSERT_TRUE(Me().WaitUntil([] { return Me().WindowTitled("Points") != 0; }))
      << "the point table did not open";
  ASSERT_TRUE(Me().Idle());
  const TableSeen table = Table();
  ASSERT_TRUE(table.Found()) << "the curved slot's points are not listed";
  ASSERT_TRUE(TypeIntoTheFirstCellAndSave(table, "0.5"));

  const ProgramUnits units;
  TQVDoc saved;
  saved.ReadDocument(Home().Sample("cam-follower.yb"));
  TCurvedSlot* slot = nullptr;
  for (TLink* object : saved.World().Objects())
    if (auto* found = dynamic_cast<TCurvedSlot*>(object)) slot = found;
  ASSERT_NE(slot, nullptr);
  double radius = 0.0;
  int32_t unit = 0;
  const uint32_t firstRadius = point_ref::Make(point_ref::kWorld, 1, true);
  ASSERT_TRUE(slot->GetControlPointValue(firstRadius, radius, unit));
  EXPECT_NEAR(radius, 0.5, 1e-9);
}

// A value typed into a field was lost when the next click went to a radio button or a check box:
// the click refreshed the dialog from the world before anything took the field's text, and OK
// found nothing to save. Now leaving the field takes it, so each typed value is the saved one.
TEST_F(DialogFaults, AValueTypedBeforeAClickOnABoxIsSaved) {
  ASSERT_TRUE(OpenCopy("typed-values.yb"));
  ASSERT_NO_FATAL_FAILURE(TypeThenClickTheBox(kSimulation, "0.03"));
  ASSERT_NO_FATAL_FAILURE(TypeThenClickTheBox(kNumbers, "6"));
  ASSERT_NO_FATAL_FAILURE(TypeThenClickTheBox(kView, "0.08"));
  const SavedWorld written = SaveAndRead();
  ASSERT_EQ(written.failure, "");

  const SavedSettings saved = ReadSettings(CopyPath());
  EXPECT_NEAR(saved.animationStep, 0.03, 1e-12);
  EXPECT_EQ(saved.digits, 6);
  EXPECT_NEAR(saved.viewScale, 0.08, 1e-12);
}

// A value typed and then Cancel clicked was taken all the same: the press on Cancel took the
// focus from the field, and a field that loses the focus gives up its value. Cancel now drops
// what was typed, as Escape does.
TEST_F(DialogFaults, CancelClickedAfterTypingKeepsTheWorldAsItWas) {
  ASSERT_TRUE(OpenCopy("cancelled-view.yb"));
  const double before = ReadSettings(CopyPath()).viewScale;
  ASSERT_GT(before, 0.0);
  ASSERT_TRUE(OpenDialog(Click({"Edit", "Properties", kView.item}), kView.title));
  ASSERT_TRUE(ClickIn(kView, kView.field));
  Me().Key("End");
  Me().Key("Home", {"Shift_L"});
  Me().Type("0.5");
  ASSERT_TRUE(ClickIn(kView, kViewCancel));
  ASSERT_TRUE(Me().WaitUntil([] { return Me().WindowTitled(kView.title) == 0; }))
      << "Cancel did not close the dialog";
  ASSERT_EQ(SaveAndRead().failure, "");
  EXPECT_NEAR(ReadSettings(CopyPath()).viewScale, before, 1e-12);
}

}  // namespace
}  // namespace scenario
