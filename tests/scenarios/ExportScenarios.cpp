// What the world becomes outside the program, chosen from its own menus and dialogs: a drawing
// that ezdxf reads, a printed page, movies that ffprobe reads (their kind picked in the export
// dialog by mouse and by keys) and the data of a meter.

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "bodies/Shapes.h"
#include "model/world/QVDoc.h"
#include "model/world/WorldDoc.h"
#include "platform/win32/Window.h"
#include "tests/scenarios/BodiesSeen.h"
#include "tests/scenarios/Harness.h"

namespace scenario {
namespace {

// The spring-and-pin world: a circle of 0.25 m about (0, -1 m) and a square of 0.1 m about
// (1.5 m, 0); the pin at the origin.
constexpr double kCircleX = 0.0, kCircleY = -1.0, kCircleRadius = 0.25;
constexpr double kSquareX = 1.5, kSquareY = 0.0, kSquareSide = 0.1;

// The export dialog: the file dialog's rows (20 pixels, 8 between), the kind list in the row of
// the kind's label, its last two kept for the frame range and the options; then the buttons.
constexpr int kDialogRow = 28;
constexpr int kKindListWidth = 200;
constexpr int kKindRowsAboveBottom = 5;
constexpr int kFrameRowsAboveBottom = 4;
// The name's row, its field right of a label of 90 pixels and a gap of 8.
constexpr int kNameRowsAboveBottom = 6;
constexpr int kNameFieldLeft = 98;
// Export, the left one of two buttons of 80 pixels at the right of a dialog 420 wide.
constexpr int kExportButtonLeft = 420 - 2 * (80 + 8);
// A field's white after its number is wider than this; the gaps between digits are not.
constexpr int kLeastWhiteRun = 16;
// The ink of the bob's outline that leaves its first place when it swings.
constexpr int kLeastGoneInk = 200;
// The filled part of a progress bar.
constexpr uint32_t kBarFill = 0x0078D7;
enum Kind { kMeterData = 0, kDrawing = 1, kMovie = 2 };

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

// A grey picture read from a binary PGM file; empty when it cannot be read.
struct GreyPicture {
  int width = 0, height = 0;
  std::vector<uint8_t> pixels;
  uint8_t At(int x, int y) const { return pixels[static_cast<size_t>(y * width + x)]; }
};

GreyPicture ReadPgm(const std::string& path) {
  GreyPicture picture;
  std::ifstream file(path, std::ios::binary);
  std::string magic;
  int maximum = 0;
  file >> magic >> picture.width >> picture.height >> maximum;
  file.get();
  if (magic != "P5" || maximum != 255 || picture.width <= 0 || picture.height <= 0) return {};
  picture.pixels.resize(static_cast<size_t>(picture.width * picture.height));
  file.read(reinterpret_cast<char*>(picture.pixels.data()),
            static_cast<std::streamsize>(picture.pixels.size()));
  if (!file) return {};
  return picture;
}

// The smallest box around the dark pixels; empty when there are none.
Box DarkBounds(const GreyPicture& picture) {
  int left = picture.width, top = picture.height, right = -1, bottom = -1;
  for (int y = 0; y < picture.height; ++y)
    for (int x = 0; x < picture.width; ++x)
      if (picture.At(x, y) < 128) {
        left = std::min(left, x);
        right = std::max(right, x);
        top = std::min(top, y);
        bottom = std::max(bottom, y);
      }
  if (right < 0) return {};
  return Box{left, top, right - left + 1, bottom - top + 1};
}

// The dark pixels of one picture that are light in another of the same size.
int DarkPixelsGone(const GreyPicture& before, const GreyPicture& after) {
  int gone = 0;
  for (size_t i = 0; i < before.pixels.size(); ++i)
    gone += before.pixels[i] < 128 && after.pixels[i] >= 128;
  return gone;
}

// What ffprobe reads of a movie's picture stream.
struct MovieFacts {
  int width = 0, height = 0, frames = 0;
};

MovieFacts ProbeMovie(const std::string& path) {
  MovieFacts facts;
  const std::string said = Shell(
      "ffprobe -v error -count_frames -select_streams v:0 -show_entries "
      "stream=width,height,nb_read_frames -of csv=p=0 " + Quoted(path) + " 2>&1");
  std::sscanf(said.c_str(), "%d,%d,%d", &facts.width, &facts.height, &facts.frames);
  return facts;
}

// One frame of a movie, in grey, by ffmpeg.
GreyPicture MovieFrame(const std::string& movie, int frame, const std::string& picture) {
  Shell("ffmpeg -v error -y -i " + Quoted(movie) + " -vf \"select=eq(n\\," +
        std::to_string(frame) + ")\" -frames:v 1 -pix_fmt gray " + Quoted(picture) + " 2>&1");
  return ReadPgm(picture);
}

class Exports : public SampleScenario {
 protected:
  // File > Export... by the mouse or by its keys (Alt+F, E).
  ::testing::AssertionResult OpenExportDialog(bool byKeys = false) {
    if (!byKeys) return OpenExportDialogFrom({"File", "Export..."});
    Me().Key("f", {"Alt_L"});
    Me().Key("e");
    return ExportDialogShown();
  }
  // The export dialog of a menu item.
  ::testing::AssertionResult OpenExportDialogFrom(const MenuPath& item) {
    if (::testing::AssertionResult chosen = Click(item); !chosen) return chosen;
    return ExportDialogShown();
  }
  static ::testing::AssertionResult ExportDialogShown() {
    if (!Me().WaitUntil([&] { return Me().FocusedTitle() == "Export"; }))
      return ::testing::AssertionFailure()
             << "the export dialog did not take the keyboard: " << Me().FocusedTitle();
    if (!Me().Idle()) return ::testing::AssertionFailure() << "the program stayed busy";
    return ::testing::AssertionSuccess();
  }

  // The export dialog's kind list on the screen: most of its field, on the kind's row right of
  // the label.
  static Box KindField() {
    const Box client = DialogClient();
    return Box{client.x + kNameFieldLeft + 8, client.y + client.height - kKindRowsAboveBottom * kDialogRow,
               kKindListWidth, 20};
  }

  // Drops the kind list by its arrow and clicks the kind's row of the dropped list.
  void ChooseKindByMouse(Kind kind) {
    const Box field = KindField();
    const std::vector<Box> before = Me().ShownPlaces();
    Me().Click(field.Right() - 8, field.y + field.height / 2);
    ASSERT_TRUE(Me().Idle());
    const std::vector<Box> after = Me().ShownPlaces();
    ASSERT_EQ(after.size(), before.size() + 1) << "the kind list did not drop";
    Box list;
    for (const Box& place : after)
      if (std::find(before.begin(), before.end(), place) == before.end()) list = place;
    // The list shows every kind, a row each, inside a frame of one pixel.
    const int row = (list.height - 2) / 3;
    ASSERT_GT(row, 0) << "the dropped list has no room for the three kinds";
    Me().Click(list.x + list.width / 2, list.y + 1 + row * kind + row / 2);
    ASSERT_TRUE(Me().Idle());
    EXPECT_EQ(Me().ShownPlaces().size(), before.size())
        << "the dropped list stayed after a kind was clicked";
  }

  // The kind list from the keyboard: a click gives it the keyboard (and drops it, a second click
  // folds it), then Alt+Down drops it, Down moves along the kinds and Return takes the one reached.
  void ChooseKindByKeys(Kind kind) {
    const Box field = KindField();
    Me().Click(field.x + field.width / 3, field.y + field.height / 2);
    ASSERT_TRUE(Me().Idle());
    Me().Click(field.x + field.width / 3, field.y + field.height / 2);
    ASSERT_TRUE(Me().Idle());
    const int shown = Me().ShownWindows();
    Me().Key("Down", {"Alt_L"});
    ASSERT_TRUE(Me().Idle());
    ASSERT_EQ(Me().ShownWindows(), shown + 1) << "Alt+Down did not drop the kind list";
    for (int i = 0; i < kind; ++i) Me().Key("Down");
    Me().Key("Return");
    ASSERT_TRUE(Me().Idle());
    EXPECT_EQ(Me().ShownWindows(), shown) << "Return did not fold the kind list";
    EXPECT_NE(Me().WindowTitled("Export"), 0u)
        << "Return on the dropped list ended the export dialog";
  }

  // Gives the name the keyboard by its label's letter (Alt+N chooses the whole name), types a
  // name or full path in its place, and exports there.
  void ExportTo(const std::string& path) {
    Me().Key("n", {"Alt_L"});
    Me().Type(path);
    Me().Key("Return");
    ASSERT_TRUE(Me().WaitUntil([&] { return Me().WindowTitled("Export") == 0; }))
        << "the export dialog stayed";
    ASSERT_TRUE(Me().Idle());
  }

  // The export dialog's client area on the screen.
  static Box DialogClient() {
    const Box dialog = Me().Place(Me().WindowTitled("Export"));
    RECT insets{0, 0, 0, 0};
    AdjustWindowRectEx(&insets, WS_POPUP | WS_CAPTION | WS_SYSMENU, FALSE,
                       WS_EX_DLGMODALFRAME | WS_EX_TOPMOST);
    return Box{dialog.x - insets.left, dialog.y - insets.top,
               dialog.width - (insets.right - insets.left),
               dialog.height - (insets.bottom - insets.top)};
  }

  // A click gives the field the keyboard, Ctrl+A chooses its whole text, and the typed text
  // takes its place.
  static void TypeInto(int x, int y, const std::string& text) {
    Me().Click(x, y);
    ASSERT_TRUE(Me().Idle());
    Me().Control("a");
    Me().Type(text);
    ASSERT_TRUE(Me().Idle());
  }

  // The white runs across the middle of the frame fields' row, left to right: one for each
  // field, after its number.
  static std::vector<Box> FrameFields() {
    const Box client = DialogClient();
    const Box row{client.x, client.y + client.height - kFrameRowsAboveBottom * kDialogRow,
                  client.width / 2, 20};
    const Picture seen = Me().Grab(row);
    // The line of the row with the most white: through the fields, above or below their digits.
    int line = 0;
    int mostWhite = -1;
    for (int y = 0; y < row.height; ++y) {
      int white = 0;
      for (int x = 0; x < row.width; ++x) white += seen.At(x, y) == 0xFFFFFF;
      if (white > mostWhite) {
        mostWhite = white;
        line = y;
      }
    }
    std::vector<Box> fields;
    int runStart = -1;
    for (int x = 0; x <= row.width; ++x) {
      const bool white = x < row.width && seen.At(x, line) == 0xFFFFFF;
      if (white && runStart < 0) runStart = x;
      if (!white && runStart >= 0) {
        if (x - runStart >= kLeastWhiteRun)
          fields.push_back(Box{row.x + runStart, row.y, x - runStart, row.height});
        runStart = -1;
      }
    }
    return fields;
  }

  // Types the first and last frames in the frame fields and the name in the name's field, each
  // given the keyboard by a click, and clicks Export.
  void TypeRangeAndNameByMouse(const std::string& first, const std::string& last,
                               const std::string& name) {
    const std::vector<Box> fields = FrameFields();
    if (fields.size() != 2u) {
      std::ostringstream runs;
      for (const Box& field : fields) runs << " " << field.x << "+" << field.width;
      FAIL() << "the two frame fields are not seen:" << runs.str();
    }
    TypeInto(fields[0].x + fields[0].width / 2, fields[0].y + 10, first);
    TypeInto(fields[1].x + fields[1].width / 2, fields[1].y + 10, last);
    const Box client = DialogClient();
    TypeInto(client.x + kNameFieldLeft + 40,
             client.y + client.height - kNameRowsAboveBottom * kDialogRow + 10, name);
    if (HasFatalFailure()) return;
    Me().Click(client.x + kExportButtonLeft + 40, client.y + client.height - 2 * kDialogRow + 10);
    ASSERT_TRUE(Me().WaitUntil([&] { return Me().WindowTitled("Export") == 0; }))
        << "the export dialog stayed";
    ASSERT_TRUE(Me().Idle());
  }

  // From the name, which holds the keyboard when the dialog opens, Tab goes to the kind list,
  // Down twice reaches the movie, and Tab goes on to the two frame fields; Return exports.
  void TypeNameKindAndRangeByKeys(const std::string& name, const std::string& first,
                                  const std::string& last) {
    Me().Type(name);
    Me().Key("Tab");
    Me().Key("Down");
    Me().Key("Down");
    Me().Key("Tab");
    Me().Type(first);
    Me().Key("Tab");
    Me().Type(last);
    Me().Key("Return");
  }

  static void WaitForExportEnd() {
    ASSERT_TRUE(Me().WaitUntil([&] { return Me().WindowTitled("Export") == 0; }))
        << "the export dialog stayed";
    ASSERT_TRUE(Me().Idle());
  }

  static std::string Titled() {
    std::string titles;
    for (const std::string& title : Me().Titles()) titles += "\"" + title + "\" ";
    return titles;
  }

  // World > Step Forward by its keys (Alt+W, F), step after step.
  static ::testing::AssertionResult StepByKeys(int steps) {
    for (int step = 0; step < steps; ++step) {
      Me().Key("w", {"Alt_L"});
      Me().Key("f");
      if (!Me().Idle()) return ::testing::AssertionFailure() << "step " << step << " stayed busy";
    }
    return ::testing::AssertionSuccess();
  }

  // The movie holds `frames` pictures of the pendulum's window, and the bob swings in it: no
  // picture after the first shows it at its first place.
  void ExpectSwingingMovie(const std::string& path, int frames) {
    ASSERT_TRUE(std::filesystem::exists(path)) << "no movie was written";
    const MovieFacts movie = ProbeMovie(path);
    EXPECT_EQ(movie.frames, frames);
    // The movie shows the world's window: a picture no larger than the program's window.
    const Box frame = Frame();
    EXPECT_GT(movie.width, frame.width / 2);
    EXPECT_LE(movie.width, frame.width);
    EXPECT_GT(movie.height, frame.height / 2);
    EXPECT_LE(movie.height, frame.height);
    const GreyPicture first = MovieFrame(path, 0, Home().Path("first.pgm"));
    ASSERT_EQ(first.width, movie.width);
    EXPECT_FALSE(DarkBounds(first).Empty()) << "the first frame shows nothing";
    // What moved left its starting place: a later frame keeps no picture of the bob where the
    // first frame shows it. (Were it kept, only the changing digits of the tape would go, far
    // fewer pixels than the bob's outline.)
    for (int n = 1; n < movie.frames; ++n) {
      const GreyPicture later = MovieFrame(path, n, Home().Path("later.pgm"));
      ASSERT_EQ(later.pixels.size(), first.pixels.size()) << "frame " << n;
      EXPECT_GT(DarkPixelsGone(first, later), kLeastGoneInk)
          << "frame " << n << " still shows the bob where the first frame shows it";
    }
  }
};

// Twenty steps of the pendulum; the movie kind clicked in the export dialog, frames 5 to 15 and
// the name typed in fields clicked, Export clicked: eleven pictures of the swing.
TEST_F(Exports, AMovieOfTypedFramesWithItsKindClickedHoldsThoseFrames) {
  ASSERT_TRUE(Start("pendulum.yb"));
  ASSERT_TRUE(StepByKeys(20));
  ASSERT_TRUE(OpenExportDialog());
  ChooseKindByMouse(kMovie);
  if (HasFatalFailure()) return;
  std::filesystem::remove(Home().Sample("movie.avi"));
  TypeRangeAndNameByMouse("5", "15", "movie");
  ExpectSwingingMovie(Home().Sample("movie.avi"), 11);
}

// The same by keys alone: File > Export by Alt+F, E; the name typed, Tab and arrows to the movie
// kind, Tab to each frame field; Return exports.
TEST_F(Exports, AMovieOfTypedFramesWithItsKindPickedByKeysHoldsThoseFrames) {
  ASSERT_TRUE(Start("pendulum.yb"));
  ASSERT_TRUE(StepByKeys(20));
  std::filesystem::remove(Home().Sample("movie.avi"));
  ASSERT_TRUE(OpenExportDialog(true));
  TypeNameKindAndRangeByKeys("movie", "5", "15");
  WaitForExportEnd();
  if (HasFatalFailure()) return;
  ExpectSwingingMovie(Home().Sample("movie.avi"), 11);
}

// The frames proposed are the whole run, frames 0 to 20, after the run and after the document
// is saved and opened again.
TEST_F(Exports, AMovieOfTheProposedFramesHoldsTheWholeRunBeforeAndAfterReopening) {
  ASSERT_TRUE(Start("pendulum.yb"));
  ASSERT_TRUE(StepByKeys(20));
  ASSERT_TRUE(OpenExportDialog());
  ChooseKindByMouse(kMovie);
  if (HasFatalFailure()) return;
  ExportTo("run");
  if (HasFatalFailure()) return;
  EXPECT_EQ(ProbeMovie(Home().Sample("run.avi")).frames, 21);

  Me().Control("s");
  ASSERT_TRUE(Me().Idle());
  ASSERT_TRUE(Start("pendulum.yb"));
  ASSERT_TRUE(OpenExportDialog());
  ChooseKindByMouse(kMovie);
  if (HasFatalFailure()) return;
  ExportTo("reopened");
  if (HasFatalFailure()) return;
  EXPECT_EQ(ProbeMovie(Home().Sample("reopened.avi")).frames, 21);
}

// The drawing kind picked, the list shows the folder's drawings, not its meter data: the first
// file of the list, clicked and exported to, is a drawing that is there already.
TEST_F(Exports, TheFilesListedAreThoseOfTheKindPicked) {
  for (const char* name : {"0-run.dta", "0-arm.dxf"}) std::ofstream(Home().Sample(name)) << "0\n";
  ASSERT_TRUE(Start("pendulum.yb"));
  ASSERT_TRUE(OpenExportDialog());
  ChooseKindByMouse(kDrawing);
  if (HasFatalFailure()) return;
  const Box client = DialogClient();
  Me().Click(client.x + 60, client.y + 46);  // the list's first row
  ASSERT_TRUE(Me().Idle());
  Me().Key("Return");
  ASSERT_TRUE(Me().WaitUntil([] { return Me().FocusedTitle() == "Save As"; }))
      << "the first file listed is no drawing: " << Me().FocusedTitle();
  Me().Key("n");
  ASSERT_TRUE(Me().WaitUntil([] { return Me().FocusedTitle() == "Export"; }));
  Me().Key("Escape");
  ASSERT_TRUE(Me().WaitUntil([] { return Me().WindowTitled("Export") == 0; }));
}

// The movie's options refuse a depth the writer does not make: 16 bits per pixel typed and
// confirmed bring a message, and the options stay open.
TEST_F(Exports, TheMovieOptionsRefuseSixteenBitsPerPixelAndStay) {
  constexpr char kOptions[] = "Movie Export Options";
  ASSERT_TRUE(Start("pendulum.yb"));
  ASSERT_TRUE(OpenExportDialog());
  ChooseKindByMouse(kMovie);
  if (HasFatalFailure()) return;
  const Box client = DialogClient();
  Me().Click(client.x + 28, client.y + client.height - 3 * kDialogRow + 10);
  ASSERT_TRUE(Me().WaitUntil([&] { return Me().FocusedTitle() == kOptions; }))
      << "the options did not open: " << Me().FocusedTitle();
  ASSERT_TRUE(Me().Idle());
  // The bits field, at (102, 68) of the options' 212 by 118 dialog units.
  const Box options = Me().Place(Me().WindowTitled(kOptions));
  Me().Click(options.x + options.width * 102 / 212, options.Bottom() - options.height * 50 / 118);
  ASSERT_TRUE(Me().Idle());
  Me().Control("a");
  Me().Type("16");
  Me().Key("Return");
  ASSERT_TRUE(Me().WaitUntil([] { return Me().FocusedTitle() == "Yarrowby"; }))
      << "no message refused 16 bits: " << Me().FocusedTitle();
  Me().Key("Return");
  ASSERT_TRUE(Me().WaitUntil([&] { return Me().FocusedTitle() == kOptions; }))
      << "the options went with the message: " << Me().FocusedTitle();
  Me().Key("Escape");
  ASSERT_TRUE(Me().WaitUntil([] { return Me().FocusedTitle() == "Export"; }));
  Me().Key("Escape");
  ASSERT_TRUE(Me().WaitUntil([] { return Me().WindowTitled("Export") == 0; }));
}

// A movie of two hundred frames shows a progress window named after the export while it is
// written, gone when it is done.
TEST_F(Exports, ALongMovieShowsItsProgressWhileItIsWritten) {
  ASSERT_TRUE(Start("pendulum.yb"));
  ASSERT_TRUE(OpenExportDialog());
  TypeNameKindAndRangeByKeys("long", "0", "200");
  ASSERT_TRUE(Me().WaitUntil([&] { return Me().WindowTitled("Export Movie") != 0; }))
      << "no progress was shown; windows: " << Titled();
  // The bar fills as the frames are written: seen partly filled, then filled further.
  int firstSeen = 0;
  int lastSeen = 0;
  const bool grew = Me().WaitUntil([&] {
    const XWindowId progress = Me().WindowTitled("Export Movie");
    if (progress == 0) return false;
    lastSeen = Me().Grab(Me().Place(progress)).Count([](uint32_t pixel) {
      return pixel == kBarFill;
    });
    if (firstSeen == 0) firstSeen = lastSeen;
    return firstSeen > 0 && lastSeen > firstSeen;
  });
  EXPECT_TRUE(grew) << "the progress bar did not fill: " << firstSeen << " then " << lastSeen
                    << " pixels";
  ASSERT_TRUE(Me().WaitUntil([&] { return Me().WindowTitled("Export Movie") == 0; }))
      << "the progress stayed";
  WaitForExportEnd();
  if (HasFatalFailure()) return;
  EXPECT_EQ(ProbeMovie(Home().Sample("long.avi")).frames, 201);
}

// Cancel in the progress window of a movie of two thousand frames stops the export: the
// window goes, and the movie holds the frames written until then.
TEST_F(Exports, CancelInTheProgressOfALongMovieStopsItAndKeepsTheFramesWritten) {
  ASSERT_TRUE(Start("pendulum.yb"));
  ASSERT_TRUE(OpenExportDialog());
  TypeNameKindAndRangeByKeys("stopped", "0", "2000");
  ASSERT_TRUE(Me().WaitUntil([&] { return Me().WindowTitled("Export Movie") != 0; }))
      << "no progress was shown; windows: " << Titled();
  // Cancel stands in the middle of the window's foot, its middle 13 of the template's 56 units
  // of height above the client's bottom.
  const Box place = Me().Place(Me().WindowTitled("Export Movie"));
  RECT insets{0, 0, 0, 0};
  AdjustWindowRectEx(&insets, WS_POPUP | WS_CAPTION, FALSE, WS_EX_DLGMODALFRAME);
  const int clientHeight = place.height - (insets.bottom - insets.top);
  Me().Click(place.x + place.width / 2, place.Bottom() - insets.bottom - clientHeight * 13 / 56);
  ASSERT_TRUE(Me().WaitUntil([&] { return Me().WindowTitled("Export Movie") == 0; }))
      << "the progress stayed";
  WaitForExportEnd();
  if (HasFatalFailure()) return;
  const MovieFacts movie = ProbeMovie(Home().Sample("stopped.avi"));
  EXPECT_GT(movie.frames, 0) << "the frames written before Cancel were lost";
  EXPECT_LT(movie.frames, 2001) << "Cancel did not stop the export";
}

// The drawing holds the circle and the square's closed outline.
TEST_F(Exports, ADrawingExportedWithItsKindClickedHoldsEveryBody) {
  ASSERT_TRUE(Start());
  ASSERT_TRUE(OpenExportDialog());
  ChooseKindByMouse(kDrawing);
  if (HasFatalFailure()) return;
  const std::string drawing = Home().Path("drawing.dxf");
  ExportTo(drawing);
  ASSERT_TRUE(std::filesystem::exists(drawing)) << "no drawing was written";

  // ezdxf lists the circles and the outlines it reads, in the drawing's units (metres here).
  const std::string said = Shell(
      "/usr/bin/python3 -c \"import ezdxf,sys\n"
      "for e in ezdxf.readfile(sys.argv[1]).modelspace():\n"
      "  t = e.dxftype()\n"
      "  if t == 'CIRCLE': print('circle', e.dxf.center.x, e.dxf.center.y, e.dxf.radius)\n"
      "  if t in ('POLYLINE', 'LWPOLYLINE'):\n"
      "    p = [(v[0], v[1]) for v in e.points()] if t == 'POLYLINE' else "
      "[(v[0], v[1]) for v in e.get_points()]\n"
      "    xs = [v[0] for v in p]; ys = [v[1] for v in p]\n"
      "    print('outline', int(e.is_closed), len(p), min(xs), min(ys), max(xs), max(ys))\n"
      "\" " + Quoted(drawing) + " 2>&1");
  std::istringstream lines(said);
  std::string kind;
  int circles = 0, squares = 0;
  while (lines >> kind) {
    if (kind == "circle") {
      double x = 0, y = 0, radius = 0;
      lines >> x >> y >> radius;
      circles += std::abs(x - kCircleX) < 1e-6 && std::abs(y - kCircleY) < 1e-6 &&
                 std::abs(radius - kCircleRadius) < 1e-6;
    } else if (kind == "outline") {
      int closed = 0, corners = 0;
      double left = 0, bottom = 0, right = 0, top = 0;
      lines >> closed >> corners >> left >> bottom >> right >> top;
      const double half = kSquareSide / 2;
      squares += closed == 1 && corners == 4 && std::abs(left - (kSquareX - half)) < 1e-6 &&
                 std::abs(right - (kSquareX + half)) < 1e-6 &&
                 std::abs(bottom - (kSquareY - half)) < 1e-6 &&
                 std::abs(top - (kSquareY + half)) < 1e-6;
    } else {
      ADD_FAILURE() << "ezdxf did not read the drawing:\n" << said;
      break;
    }
  }
  EXPECT_EQ(circles, 1) << said;
  EXPECT_EQ(squares, 1) << "the square is not in the drawing:\n" << said;
}

TEST_F(Exports, PrintingToAFileFromThePrintDialogPutsTheWholeWorldOnThePage) {
  if (!Program()) {
    ASSERT_TRUE(Start());
  }
  Me().Control("p");
  ASSERT_TRUE(Me().WaitUntil([&] { return Me().FocusedTitle() == "Print"; }))
      << "the print dialog did not take the keyboard: " << Me().FocusedTitle();
  ASSERT_TRUE(Me().Idle());
  // The output file's field holds the keyboard: its name is replaced by the one typed.
  const std::string pdf = Home().Path("printed.pdf");
  Me().Key("Home");
  Me().Key("End", {"Shift_L"});
  Me().Type(pdf);
  Me().Key("Return");
  ASSERT_TRUE(Me().WaitUntil([&] { return Me().WindowTitled("Print") == 0; }))
      << "the print dialog stayed";
  ASSERT_TRUE(Me().Idle());
  ASSERT_TRUE(std::filesystem::exists(pdf)) << "nothing was printed into the file";

  const std::string page = Home().Path("page");
  Shell("pdftoppm -r 50 -gray -singlefile " + Quoted(pdf) + " " + Quoted(page) + " 2>&1");
  const GreyPicture printed = ReadPgm(page + ".pgm");
  ASSERT_FALSE(printed.pixels.empty()) << "pdftoppm read no page";
  const Box drawn = DarkBounds(printed);
  ASSERT_FALSE(drawn.Empty()) << "the page is blank";
  // Nothing runs into the page's edges...
  EXPECT_GE(drawn.x, 2);
  EXPECT_GE(drawn.y, 2);
  EXPECT_LE(drawn.Right(), printed.width - 2);
  EXPECT_LE(drawn.Bottom(), printed.height - 2);
  // ...and the drawing spans the world from the circle's left to the square's right and from
  // the square's top to the circle's foot.
  const double worldWidth = (kSquareX + kSquareSide / 2) - (kCircleX - kCircleRadius);
  const double worldHeight = (kSquareY + kSquareSide / 2) - (kCircleY - kCircleRadius);
  EXPECT_NEAR(double(drawn.width) / drawn.height, worldWidth / worldHeight,
              0.1 * worldWidth / worldHeight)
      << "the page shows " << drawn.width << " by " << drawn.height << " pixels of drawing";
}

// The meter is placed and the data are written, a row a frame, but the first row is the frame
// after the square's starting place (x 1.39 rather than 1.5): the export leaves out the run's
// first frame.
TEST_F(Exports, TheDataOfAMeterPlacedFromTheMeterMenuAreExportedFrameByFrame) {
  // Saved as it opened, the world tells the scale its window shows it at: the square is found
  // by its outline, and a click on the middle of its left edge (away from the spring, which
  // meets its right side) selects it.
  ASSERT_TRUE(OpenCopy("meter-data.yb"));
  const Box frame = Frame();
  const Box square = OutlineOf("TRectangle");
  ASSERT_FALSE(square.Empty()) << "the square of " << Pixels(kSquareSide) << " pixels is not shown";
  Me().Click(square.x, square.y + square.height / 2);
  ASSERT_TRUE(Me().Idle());
  // Meter > Position places a meter of the square's place in the world window.
  const Picture unmetered = Me().Grab(frame);
  const int shown = Me().ShownWindows();
  ASSERT_TRUE(Click({"Meter", "Position"}, {.objectMenu = "OutMassMenu"}));
  ASSERT_TRUE(Me().Idle());
  ASSERT_EQ(Me().ShownWindows(), shown) << "the Meter menu stayed open: Position is greyed";
  ASSERT_NE(Me().Grab(frame), unmetered) << "no meter was placed";

  // A short run records what the meter shows.
  const Picture still = Me().Grab(frame);
  Me().Control("r");
  ASSERT_TRUE(Me().WaitUntil([&] { return Me().Grab(frame) != still; })) << "the world did not run";
  Me().Control("period");
  ASSERT_TRUE(Me().Idle());

  // Meter data is the kind the dialog opens on.
  ASSERT_TRUE(OpenExportDialog(true));
  const std::string data = Home().Path("meter.dta");
  ExportTo(data);
  ASSERT_TRUE(std::filesystem::exists(data)) << "no meter data were written";

  // Rows of numbers, a frame each from frame 0 to the last the run recorded (the saved
  // document tells which); the first holds the square's start, the meter's shown column being
  // its x.
  Me().Control("s");
  ASSERT_TRUE(Me().Idle());
  int lastFrame = -1;
  {
    ProgramUnits units;
    TQVDoc document;
    document.ReadDocument(CopyPath());
    lastFrame = document.World().LastFrame();
  }
  ASSERT_GT(lastFrame, 0) << "the run recorded no frames";
  std::ifstream file(data);
  std::vector<std::vector<double>> rows;
  std::string text;
  for (std::string line; std::getline(file, line);) {
    text += line + "\n";
    std::istringstream fields(line);
    std::vector<double> numbers;
    std::string field;
    bool allNumbers = true;
    while (std::getline(fields, field, '\t')) {
      char* end = nullptr;
      const double value = std::strtod(field.c_str(), &end);
      allNumbers = allNumbers && end != field.c_str();
      numbers.push_back(value);
    }
    if (allNumbers && !numbers.empty()) rows.push_back(numbers);
  }
  ASSERT_EQ(rows.size(), static_cast<size_t>(lastFrame + 1))
      << "not a row for each of frames 0 to " << lastFrame << ":\n" << text;
  ASSERT_FALSE(rows[0].empty());
  EXPECT_NEAR(rows[0][0], kSquareX, 1e-3) << "the first row is not the square's start:\n" << text;
  EXPECT_GT(std::abs(rows[1][0] - kSquareX), 1e-4) << "the square stood still:\n" << text;
}

// A bar's outline: its corners in metres, in the order written.
using Corners = std::vector<std::pair<double, double>>;

// The closed polylines of a drawing as ezdxf reads them; a line that is not one is kept as the
// failure.
struct DrawnOutlines {
  std::vector<Corners> closed;
  std::string failure;
};

DrawnOutlines ClosedOutlinesOf(const std::string& drawing) {
  const std::string said = Shell(
      "/usr/bin/python3 -c \"import ezdxf,sys\n"
      "for e in ezdxf.readfile(sys.argv[1]).modelspace():\n"
      "  if e.dxftype() == 'POLYLINE' and e.is_closed:\n"
      "    p = list(e.points())\n"
      "    print('outline', len(p), ' '.join('%.9f %.9f' % (v[0], v[1]) for v in p))\n"
      "\" " + Quoted(drawing) + " 2>&1");
  DrawnOutlines found;
  std::istringstream lines(said);
  for (std::string line; std::getline(lines, line);) {
    std::istringstream fields(line);
    std::string kind;
    size_t count = 0;
    if (!(fields >> kind >> count) || kind != "outline") {
      found.failure = said;
      break;
    }
    Corners corners(count);
    for (auto& [x, y] : corners) fields >> x >> y;
    found.closed.push_back(corners);
  }
  return found;
}

// Each rectangle's corners at the recorded frame of the saved document: (left, top), (right,
// top), (right, bottom), (left, bottom) of its own frame, in the world.
std::vector<Corners> BarsAtFrame(TWorldDoc& world, int frame) {
  world.ShowFrame(static_cast<int16_t>(frame), 1);
  std::vector<Corners> bars;
  for (TLink* object : world.Objects()) {
    auto* bar = dynamic_cast<TRectangle*>(object);
    if (bar == nullptr) continue;
    const TDoubleRect& b = bar->LocalBounds();
    Corners corners;
    for (TVector corner : {TVector{b.left, b.top}, TVector{b.right, b.top},
                           TVector{b.right, b.bottom}, TVector{b.left, b.bottom}}) {
      bar->LocalToWorld(corner);
      corners.emplace_back(corner.x, corner.y);
    }
    bars.push_back(corners);
  }
  return bars;
}

// Equal as far as the document's five significant digits, the drawing's numbers, tell.
bool SameCorners(const Corners& a, const Corners& b) {
  constexpr double kShown = 1e-4;
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (std::abs(a[i].first - b[i].first) > kShown ||
        std::abs(a[i].second - b[i].second) > kShown)
      return false;
  return true;
}

std::string Describe(const std::vector<Corners>& outlines) {
  std::ostringstream text;
  for (const Corners& corners : outlines) {
    for (const auto& [x, y] : corners) text << " (" << x << ", " << y << ")";
    text << "\n";
  }
  return text.str();
}

// The drawing holds a closed outline for each of the world's three bars where the recorded frame
// shows it, and nothing else closed.
::testing::AssertionResult BarsDrawnWhereTheFrameShowsThem(const std::string& drawing,
                                                           TWorldDoc& world, int frame,
                                                           std::vector<Corners>& drawn) {
  const DrawnOutlines read = ClosedOutlinesOf(drawing);
  drawn = read.closed;
  if (!read.failure.empty())
    return ::testing::AssertionFailure() << "ezdxf did not read " << drawing << ":\n"
                                         << read.failure;
  if (read.closed.size() != 3)
    return ::testing::AssertionFailure() << drawing << " holds " << read.closed.size()
                                         << " closed outlines:\n" << Describe(read.closed);
  const std::vector<Corners> bars = BarsAtFrame(world, frame);
  if (bars.size() != 3) return ::testing::AssertionFailure() << "the world lost its bars";
  for (const Corners& bar : bars)
    if (std::none_of(read.closed.begin(), read.closed.end(),
                     [&](const Corners& outline) { return SameCorners(outline, bar); }))
      return ::testing::AssertionFailure()
             << "frame " << frame << ": a bar is not where the frame shows it:" << Describe({bar})
             << "drawn:\n" << Describe(read.closed);
  return ::testing::AssertionSuccess();
}

// Steps the world forward by the menu item the chooser picks, and sees it move in the box.
::testing::AssertionResult StepForward(Person& me, const Box& box, int steps,
                                       const std::function<::testing::AssertionResult()>& choose) {
  const Picture still = me.Grab(box);
  for (int step = 0; step < steps; ++step) {
    if (!choose()) return ::testing::AssertionFailure() << "Step Forward was not chosen";
    if (!me.Idle()) return ::testing::AssertionFailure() << "the program stayed busy";
  }
  if (me.Grab(box) == still) return ::testing::AssertionFailure() << "the world did not move";
  return ::testing::AssertionSuccess();
}

std::vector<std::string> FilesIn(const std::filesystem::path& folder) {
  std::vector<std::string> files;
  for (const auto& entry : std::filesystem::directory_iterator(folder))
    files.push_back(entry.path().string());
  std::sort(files.begin(), files.end());
  return files;
}

// Ten steps; File > More Exports > DXF of Each Frame writes a drawing per recorded frame, each with
// the three bars' closed outlines where that frame shows them.
TEST_F(Exports, EachFrameOfARunLinkageIsADrawingOfItsBarsWhereTheFrameShowsThem) {
  ASSERT_TRUE(Start("four-bar-linkage.yb"));
  ASSERT_TRUE(StepForward(Me(), Frame(), 10, [this] { return Click({"World", "Step Forward"}); }));
  ASSERT_TRUE(OpenExportDialogFrom({"File", "More Exports", "DXF of Each Frame..."}));
  const std::filesystem::path folder = Home().Path("bars");
  std::filesystem::create_directories(folder);
  ExportTo((folder / "bars.dxf").string());
  const std::vector<std::string> drawings = FilesIn(folder);
  ASSERT_EQ(drawings.size(), 11u) << "frames 0 to 10 make eleven drawings";

  // The saved document keeps the recorded frames: each drawing is compared with its frame.
  Me().Control("s");
  ASSERT_TRUE(Me().Idle());
  ProgramUnits units;
  TQVDoc document;
  document.ReadDocument(Home().Sample("four-bar-linkage.yb"));
  TWorldDoc& world = document.World();
  ASSERT_GE(world.LastFrame(), 10);
  std::vector<Corners> first, drawn;
  for (int n = 0; n <= 10; ++n) {
    const std::string& drawing = drawings[static_cast<size_t>(n)];
    EXPECT_TRUE(BarsDrawnWhereTheFrameShowsThem(drawing, world, n, drawn));
    if (n == 0) first = drawn;
  }
  EXPECT_FALSE(std::equal(first.begin(), first.end(), drawn.begin(), drawn.end(), SameCorners))
      << "the bars stood still from frame 0 to frame 10";
}

// Three steps; File > More Exports > DXF of This Frame writes the one drawing of the frame shown.
TEST_F(Exports, TheShownFrameOfALinkageIsOneDrawingOfItsBars) {
  ASSERT_TRUE(Start("four-bar-linkage.yb"));
  ASSERT_TRUE(StepForward(Me(), Frame(), 3, [this] { return Click({"World", "Step Forward"}); }));
  ASSERT_TRUE(OpenExportDialogFrom({"File", "More Exports", "DXF of This Frame..."}));
  const std::filesystem::path folder = Home().Path("shown");
  std::filesystem::create_directories(folder);
  ExportTo((folder / "shown.dxf").string());
  const std::vector<std::string> drawings = FilesIn(folder);
  ASSERT_EQ(drawings.size(), 1u) << "one frame makes one drawing";

  Me().Control("s");
  ASSERT_TRUE(Me().Idle());
  ProgramUnits units;
  TQVDoc document;
  document.ReadDocument(Home().Sample("four-bar-linkage.yb"));
  std::vector<Corners> drawn;
  EXPECT_TRUE(BarsDrawnWhereTheFrameShowsThem(drawings[0], document.World(), 3, drawn));
}

}  // namespace
}  // namespace scenario
