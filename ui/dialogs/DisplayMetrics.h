#pragma once
// What the dialog layer knows of the system it runs on: the version number it reports (its
// minor part chooses the larger layouts of floating windows together with the screen's
// resolution) and the screen's logical pixels per inch vertically, read once and kept. Both can
// be set, so that the larger layouts can be chosen and tested on any screen.

#include <cstdint>

// The minor part of the reported system version; 95 unless set.
int32_t ReportedVersionMinor();
void SetReportedVersionMinor(int32_t minor);
// The screen's logical pixels per inch vertically: read from the screen the first time, or the
// value set. Setting 0 reads the screen again at the next call.
int32_t GetScreenLogPixelsY();
void SetScreenLogPixelsY(int32_t pixelsPerInch);
// True at 120 logical pixels per inch and more.
bool IsLargeFontDisplay();
