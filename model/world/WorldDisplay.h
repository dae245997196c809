#pragma once
// What the world's document window does for those who know only the world (scripts): the main
// view's grid, zoom, redraw and scrolling, the placement of the window kept with the world's view
// settings, and showing or hiding the window. The window registers itself with its world while it
// is open.

#include <cstdint>

#include "core/MacTypes.h"
#include "core/geometry/Vector.h"
#include "model/world/WorldSettings.h"

class TCommandCore;

// The document window's client area, in pixels.
struct TWindowPlacement {
  int32_t left = 0;
  int32_t top = 0;
  int32_t width = 0;
  int32_t height = 0;
};

class TWorldDisplay {
 public:
  // The main view's grid flag; a change redraws the view.
  virtual bool GetShowGrid() const = 0;
  virtual void SetShowGrid(bool show) = 0;
  // Zooms the main view so that every object of the world shows.
  virtual void ZoomToExtents() = 0;
  // Sets the main view's scale (pixels per metre) about the view's middle, which its rulers,
  // grid and scroll bars follow; false without a main view.
  virtual bool SetViewScale(double scale) {
    (void)scale;
    return false;
  }
  // Redraws what is stale in the main view now.
  virtual void UpdateView() = 0;
  // Marks every object of the world's views to be drawn again.
  virtual void InvalidateViews() {}
  // Marks an area of the main view (its pixels) to be drawn again.
  virtual void InvalidateArea(const MacRect& area) { (void)area; }
  // The stored placement; applying it moves and sizes the frame when the width is above 0.
  virtual TWindowPlacement GetPlacement() const = 0;
  virtual void SetPlacement(const TWindowPlacement& placement) = 0;
  virtual void ApplyWindowSettings() = 0;
  virtual void SetShown(bool shown) = 0;
  // Scrolling: the main view becomes the drawing port; a world point in metres as a view pixel;
  // the view's extent in port coordinates; the world origin placed at (h, -v) in the view.
  virtual void FocusView() = 0;
  virtual MacPoint WorldToPixel(const TVector& point) = 0;
  virtual MacRect ExtentInPort() const = 0;
  virtual void ScrollToOrigin(double horizontal, double vertical) = 0;
  // The frame's full placement as the window layer keeps it; false while there is no frame.
  virtual bool GetWindowRecord(TWindowRecord& record) const {
    (void)record;
    return false;
  }
  // The furniture the settings ask for (scroll bars, rulers, tape, coordinates bar), for the
  // window to set up; and what the window shows now, into the settings.
  virtual void SetFurniture(const TWorldSettings& settings) { (void)settings; }
  virtual void GetFurniture(TWorldSettings& settings) const { (void)settings; }
  // The tracks that runs and shown frames left in the main view go.
  virtual void EraseTracks() {}
  // The world runs forwards (1), backwards (2) or not at all (0) from now on.
  virtual void RunStateChanged(int32_t state) { (void)state; }
  // The world's menu command as its menu item sends it: the command it makes, which the caller
  // owns, or null.
  virtual TCommandCore* DoWorldMenuCommand(int16_t command) {
    (void)command;
    return nullptr;
  }

 protected:
  ~TWorldDisplay() = default;
};
