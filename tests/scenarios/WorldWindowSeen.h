#pragma once
// A document window as a person finds it on the screen: its place inside the main window, the
// world it shows, the furniture around the world (rulers, coordinates bar, tape) and the run
// buttons of the main tool bar, each found in the pixels rather than assumed from a layout.

#include <cstdint>

#include "tests/scenarios/BodiesSeen.h"
#include "tests/scenarios/Harness.h"

namespace scenario::window_seen {

using scenario::IsInk;

// The active document window: its outline and the area inside its caption and edges. Both are
// empty when no document window is shown in the main window.
struct DocumentWindow {
  Box outline;
  Box client;
  bool Found() const { return !client.Empty(); }
};
DocumentWindow FindDocumentWindow(const Person& me, const Box& mainFrame);

// A part of the world's own view that no furniture covers whatever the layout: the upper half of
// the client, right of the vertical ruler's place and left of the vertical scroll bar.
Box UpperWorld(const DocumentWindow& document);
// The whole place of the world's view when the furniture sits where it belongs: the client less
// the vertical ruler, the vertical scroll bar and the furniture rows along the bottom.
Box WholeWorld(const DocumentWindow& document);

// Rows and columns below are counted from the picture's top left corner; -1 when not found.

// The top edge of a horizontal ruler: a dark line across most of the picture from which at
// least ten tick marks hang.
int HorizontalRulerRow(const Picture& client);
// The right edge of a vertical ruler: a dark line down most of the picture with at least ten tick
// marks growing from it to the left.
int VerticalRulerColumn(const Picture& client);
// A row through the coordinates bar's cells: at least three separate grey cells side by side.
int CoordinatesBarRow(const Picture& client);
// The tape: the rows where its picture buttons stand at both of its ends (an empty box when it
// is not shown), and the middles of its step buttons.
struct Tape {
  Box rows;  // within the picture
  int stepBackX = -1;
  int stepForwardX = -1;
  bool Found() const { return !rows.Empty(); }
};
Tape FindTape(const Picture& client);

// The middle of the main tool bar's Run, Stop and Reset buttons (screen pixels), found by the
// colours of their pictures in the band between the menu bar and the document window.
struct RunButtons {
  int y = -1;
  int runX = -1;
  int stopX = -1;
  int resetX = -1;
  bool Found() const { return runX >= 0 && stopX >= 0 && resetX >= 0; }
};
RunButtons FindRunButtons(const Person& me, const Box& mainFrame, const DocumentWindow& document);

// The base of scenario groups on a document window, which may be a private copy of a sample.
class WorldWindowScenario : public SampleScenario {
 protected:
  // The group's program, started afresh when asked or when none runs, once the splash window
  // has gone (at a key, a click or after a few seconds): only the main window is shown.
  ::testing::AssertionResult Ready(bool fresh = false);
  // The pointer goes out of the program's windows (so that no tip, marker or highlight follows
  // it) and the program finishes what it was doing.
  static ::testing::AssertionResult Settle();
  DocumentWindow Document() const { return FindDocumentWindow(Me(), Frame()); }
};

}  // namespace scenario::window_seen
