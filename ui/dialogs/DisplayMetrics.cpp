#include "ui/dialogs/DisplayMetrics.h"

#include "platform/win32/Dc.h"
#include "platform/win32/WindowDc.h"

namespace {

constexpr int32_t kDefaultVersionMinor = 95;
constexpr int32_t kLargeFontPixelsPerInch = 120;

struct TMetrics {
  int32_t versionMinor = kDefaultVersionMinor;
  int32_t pixelsPerInch = 0;
};

TMetrics& Metrics() {
  static TMetrics metrics;
  return metrics;
}

}  // namespace

int32_t ReportedVersionMinor() { return Metrics().versionMinor; }

void SetReportedVersionMinor(int32_t minor) { Metrics().versionMinor = minor; }

int32_t GetScreenLogPixelsY() {
  TMetrics& metrics = Metrics();
  if (metrics.pixelsPerInch == 0) {
    const HDC screen = GetDC(nullptr);
    metrics.pixelsPerInch = screen != nullptr ? GetDeviceCaps(screen, LOGPIXELSY) : 96;
    if (screen != nullptr) ReleaseDC(nullptr, screen);
  }
  return metrics.pixelsPerInch;
}

void SetScreenLogPixelsY(int32_t pixelsPerInch) { Metrics().pixelsPerInch = pixelsPerInch; }

bool IsLargeFontDisplay() { return GetScreenLogPixelsY() >= kLargeFontPixelsPerInch; }
