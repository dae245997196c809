#include "tests/scenarios/WorldWindowSeen.h"

#include <algorithm>

#include "platform/win32/Window.h"
#include "views/furniture/RulerView.h"

namespace scenario::window_seen {
namespace {

// The colours the program draws these parts in.
constexpr uint32_t kActiveCaption = 0x285496;
constexpr uint32_t kFrameOutline = 0x606060;
constexpr uint32_t kCellGrey = 0xC0C0C0;
constexpr uint32_t kTapeButtonFace = 0xD4D0C8;
constexpr uint32_t kRunGreen = 0x008000;
constexpr uint32_t kStopRed = 0xC00000;
constexpr uint32_t kResetBlue = 0x0000A0;

constexpr int kRuler = TRulerView::kThickness;
// The rows along the bottom of a document window with all its furniture: the horizontal scroll
// bar, the tape, the coordinates bar and the horizontal ruler, with room to spare.
constexpr int kBottomFurniture = 100;

int ScrollBar() { return GetSystemMetrics(SM_CYHSCROLL); }

int Count(const Picture& picture, int y, int fromX, int toX, uint32_t colour) {
  int count = 0;
  for (int x = std::max(fromX, 0); x < std::min(toX, picture.box.width); ++x)
    count += picture.At(x, y) == colour;
  return count;
}

// The middle of the first group of pixels of the colour right of `fromX` in the picture (screen
// pixels), or x = -1.
struct Spot {
  int x = -1, y = -1;
};
Spot FirstGroupOf(const Picture& picture, uint32_t colour, int fromX) {
  int left = picture.box.width;
  for (int y = 0; y < picture.box.height; ++y)
    for (int x = std::max(fromX, 0); x < picture.box.width; ++x)
      if (picture.At(x, y) == colour) left = std::min(left, x);
  if (left == picture.box.width) return {};
  // A picture of a button is narrower than the button.
  const int right = left + GetSystemMetrics(SM_CXVSCROLL);
  int top = picture.box.height, bottom = -1, last = left;
  for (int y = 0; y < picture.box.height; ++y)
    for (int x = left; x < std::min(right, picture.box.width); ++x)
      if (picture.At(x, y) == colour) {
        top = std::min(top, y);
        bottom = std::max(bottom, y);
        last = std::max(last, x);
      }
  return {picture.box.x + (left + last) / 2, picture.box.y + (top + bottom) / 2};
}

}  // namespace

DocumentWindow FindDocumentWindow(const Person& me, const Box& mainFrame) {
  if (mainFrame.Empty()) return {};
  const int barBottom = mainFrame.y + GetSystemMetrics(SM_CYFRAME) +
                        GetSystemMetrics(SM_CYCAPTION) + GetSystemMetrics(SM_CYMENU);
  const int middle = mainFrame.x + mainFrame.width / 2;
  // Down the main window's middle to the document's caption.
  const Picture column = me.Grab({middle, barBottom, 1, mainFrame.Bottom() - barBottom});
  int caption = -1;
  for (int y = 0; y < column.box.height && caption < 0; ++y)
    if (column.At(0, y) == kActiveCaption) caption = y;
  if (caption < 0) return {};
  // The outline of the document's frame runs round it a frame's width outside the caption.
  const int outlineTop = barBottom + caption - GetSystemMetrics(SM_CYFRAME);
  const Picture top = me.Grab({mainFrame.x, outlineTop, mainFrame.width, 1});
  int left = middle - mainFrame.x;
  if (top.At(left, 0) != kFrameOutline) return {};
  int right = left;
  while (left > 0 && top.At(left - 1, 0) == kFrameOutline) --left;
  while (right + 1 < top.box.width && top.At(right + 1, 0) == kFrameOutline) ++right;
  const Picture side = me.Grab({mainFrame.x + left, outlineTop, 1, mainFrame.Bottom() - outlineTop});
  int bottom = 0;
  while (bottom + 1 < side.box.height && side.At(0, bottom + 1) == kFrameOutline) ++bottom;

  DocumentWindow document;
  document.outline = {mainFrame.x + left, outlineTop, right - left + 1, bottom + 1};
  const int edgeX = GetSystemMetrics(SM_CXFRAME);
  const int edgeY = GetSystemMetrics(SM_CYFRAME);
  const int captionHeight = GetSystemMetrics(SM_CYCAPTION);
  document.client = {document.outline.x + edgeX, document.outline.y + edgeY + captionHeight,
                     document.outline.width - 2 * edgeX,
                     document.outline.height - 2 * edgeY - captionHeight};
  return document;
}

Box UpperWorld(const DocumentWindow& document) {
  const Box& client = document.client;
  const int left = client.x + kRuler + 2;
  const int right = client.Right() - GetSystemMetrics(SM_CXVSCROLL) - 4;
  // Clear of a tool tip that hangs over the caption from the tool bar above.
  const int top = client.y + 4;
  return {left, top, right - left, client.height / 2 - 4};
}

Box WholeWorld(const DocumentWindow& document) {
  const Box& client = document.client;
  const int left = client.x + kRuler + 1;
  const int right = client.Right() - GetSystemMetrics(SM_CXVSCROLL) - 3;
  return {left, client.y + 1, right - left, client.height - kBottomFurniture - 1};
}

int HorizontalRulerRow(const Picture& client) {
  const int from = kRuler + 2;
  const int to = client.box.width - GetSystemMetrics(SM_CXVSCROLL) - 4;
  if (to - from < 100) return -1;
  for (int y = 0; y + 5 < client.box.height; ++y) {
    int edge = 0;
    for (int x = from; x < to; ++x) edge += IsInk(client.At(x, y));
    // Most of the edge: a body drawn over the ruler may hide some of it.
    if (edge * 4 < (to - from) * 3) continue;
    // Ticks hang from the edge for at least five rows.
    int ticks = 0;
    for (int x = from; x < to; ++x) {
      bool tick = true;
      for (int below = 1; below <= 5 && tick; ++below) tick = IsInk(client.At(x, y + below));
      ticks += tick;
    }
    if (ticks >= 10) return y;
  }
  return -1;
}

int VerticalRulerColumn(const Picture& client) {
  const int rows = client.box.height / 2;
  for (int x = 4; x < std::min(client.box.width, 2 * kRuler); ++x) {
    int edge = 0;
    for (int y = 0; y < rows; ++y) edge += IsInk(client.At(x, y));
    if (edge * 10 < rows * 9) continue;
    // Ticks grow from the edge to the left for at least four columns.
    int ticks = 0;
    for (int y = 0; y < rows; ++y) {
      bool tick = true;
      for (int before = 1; before <= 4 && tick; ++before) tick = IsInk(client.At(x - before, y));
      ticks += tick;
    }
    if (ticks >= 10) return x;
  }
  return -1;
}

int CoordinatesBarRow(const Picture& client) {
  for (int y = 0; y < client.box.height; ++y) {
    int cells = 0;
    int run = 0;
    for (int x = 0; x <= client.box.width; ++x) {
      if (x < client.box.width && client.At(x, y) == kCellGrey) {
        ++run;
        continue;
      }
      // A cell is a short grey run; the tape's well is one long one.
      cells += run >= 20 && run <= 150;
      run = 0;
    }
    if (cells >= 3) return y;
  }
  return -1;
}

Tape FindTape(const Picture& client) {
  const int bar = ScrollBar();
  // The tape ends beside the vertical scroll bar.
  const int end = client.box.width - GetSystemMetrics(SM_CXVSCROLL) - 2;
  const int leftButtons = 2 * bar + 4;
  const int rightButtons = end - 2 * bar - 4;
  int first = -1, last = -1;
  for (int y = 0; y < client.box.height; ++y) {
    const bool ends = Count(client, y, 0, leftButtons, kTapeButtonFace) >= 8 &&
                      Count(client, y, rightButtons, end, kTapeButtonFace) >= 8;
    if (ends && first < 0) first = y;
    if (ends) last = y;
    if (!ends && first >= 0) break;
  }
  if (first < 0) return {};
  Tape tape;
  const int middle = (first + last) / 2;
  int rightmost = -1;
  for (int x = rightButtons; x < end; ++x)
    if (client.At(x, middle) == kTapeButtonFace) rightmost = x;
  int leftmost = 0;
  while (leftmost < leftButtons && client.At(leftmost, middle) != kTapeButtonFace) ++leftmost;
  tape.rows = {leftmost, first, rightmost - leftmost + 1, last - first + 1};
  tape.stepForwardX = rightmost - (bar / 2 - 1);
  tape.stepBackX = tape.stepForwardX - (bar - 1);
  return tape;
}

RunButtons FindRunButtons(const Person& me, const Box& mainFrame, const DocumentWindow& document) {
  const int barBottom = mainFrame.y + GetSystemMetrics(SM_CYFRAME) +
                        GetSystemMetrics(SM_CYCAPTION) + GetSystemMetrics(SM_CYMENU);
  const int height = document.outline.y - barBottom;
  if (height <= 0) return {};
  const Picture band = me.Grab({mainFrame.x, barBottom, mainFrame.width, height});
  RunButtons buttons;
  const Spot run = FirstGroupOf(band, kRunGreen, 0);
  if (run.x < 0) return buttons;
  const Spot stop = FirstGroupOf(band, kStopRed, run.x - band.box.x);
  const Spot reset = FirstGroupOf(band, kResetBlue, run.x - band.box.x);
  buttons.y = run.y;
  buttons.runX = run.x;
  buttons.stopX = stop.x;
  buttons.resetX = reset.x;
  return buttons;
}

::testing::AssertionResult WorldWindowScenario::Ready(bool fresh) {
  if (fresh || Program() == nullptr) return StartOnSample("spring-and-pin.yb");
  if (!Me().WaitUntil([] { return Me().ShownWindows() == 1; }))
    return ::testing::AssertionFailure() << "windows besides the main one stayed shown";
  return ::testing::AssertionSuccess();
}

::testing::AssertionResult WorldWindowScenario::Settle() {
  Me().MoveTo(2, 2);
  return Me().Idle();
}

}  // namespace scenario::window_seen
