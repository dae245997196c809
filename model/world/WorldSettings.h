#pragma once
// The world's settings, window and view blocks of a document: the run and drawing settings, the
// document window's restored rectangle and its furniture (scroll bars, inline help, frame
// indicator, help line, grid lines, rulers, coordinates bar, output display), and the window's
// full placement. The world writes each block from these values and reads them back in the same
// order, so that a document read and written again keeps its bytes.

#include <cstdint>

#include "core/MacTypes.h"
#include "core/Tag.h"
#include "core/port/Port.h"

// Block codes.
inline constexpr int16_t kBlockWorldRunSettings = 5204;
inline constexpr int16_t kBlockWorldDrawFlags = 5110;
inline constexpr int16_t kBlockWorldVersion = 5215;
inline constexpr int16_t kBlockWorldWindow = 5211;
inline constexpr int16_t kBlockWorldPlacement = 5408;
inline constexpr int16_t kBlockWorldEnd = 10000;
// The world's preference that bodies keep a velocity handle ("svvP"), written only while it is on.
inline constexpr int16_t kBlockWorldVectorOption = 5011;
// World > Snap Turns to 5 Degrees, written only while it is off: a document without the block
// snaps, as every world did before the option was kept.
inline constexpr int16_t kBlockWorldAngleSnap = 5112;

// The view properties the world answers for its document window.
inline constexpr uint32_t kTagScrollBars = MakeTag("scro");
inline constexpr uint32_t kTagInlineHelp = MakeTag("inln");
inline constexpr uint32_t kTagFrameIndicator = MakeTag("indi");
inline constexpr uint32_t kTagHelpLine = MakeTag("hlpR");
inline constexpr uint32_t kTagGridLines = MakeTag("grid");
inline constexpr uint32_t kTagRulers = MakeTag("rule");
inline constexpr uint32_t kTagCoordinates = MakeTag("coor");
inline constexpr uint32_t kTagOutputDisplay = MakeTag("outD");
inline constexpr uint32_t kTagTrackThreads = MakeTag("wrTH");
inline constexpr uint32_t kTagBackground = MakeTag("back");

// Bytes of a window placement record.
inline constexpr int16_t kPlacementRecordLength = 44;

// A window's placement as the window layer keeps it: the normal rectangle is the restored one.
struct TWindowRecord {
  int16_t flags = 0;
  int16_t showCommand = 0;
  MacPoint minimized;
  MacPoint maximized;
  MacRect normal;
  bool operator==(const TWindowRecord&) const = default;
};

struct TWorldSettings {
  // Run settings.
  uint16_t autoScroll = 1;
  uint16_t keepWithinView = 0;
  uint16_t showTracks = 1;
  uint16_t showTrackFrames = 1;
  double trackInterval = 1.0;
  // The tracks of earlier runs go when a run starts.
  uint16_t autoEraseTrack = 0;
  // Shown frames further apart than this draw the tracks afresh instead of adding to them; 0
  // for the world's default.
  uint16_t trackFrameGap = 0;
  uint16_t trackLength = 0;
  // The two flags behind "wrTH": the tracks are drawn while the world runs and while it replays.
  uint16_t tracksWhileRunning = 1;
  uint16_t tracksWhileReplaying = 1;
  RGB16Color colour{0xFFFF, 0xFFFF, 0xFFFF};
  uint16_t background = 0;
  uint16_t backgroundPicture = 0;
  // Drawing flags.
  uint16_t smoothDrawing = 0;
  uint16_t drawOnTop = 0;
  // The world's own version word, written unless the save-version flag asks for 3.
  int16_t versionWord = 0;

  // The document window: its client size and its corner, in pixels.
  int32_t width = 0;
  int32_t height = 0;
  int32_t left = 0;
  int32_t top = 0;
  // Furniture.
  uint16_t scrollBars = 1;
  uint16_t inlineHelp = 1;
  uint16_t frameIndicator = 0;
  // A new world's window shows no help line.
  uint16_t helpLine = 0;
  uint16_t gridLines = 0;
  uint16_t rulers = 0;
  uint16_t coordinates = 0;
  // The window's full placement; zeros while the world has no window.
  TWindowRecord placement;
};

// While set, worlds write 3 as their version word (documents saved for the older version).
void SetSaveVersionFlag(bool on);
bool GetSaveVersionFlag();

// Copies a colour with each channel complemented.
RGB16Color InvertRGB16Color(const RGB16Color& colour);
