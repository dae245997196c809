// The document object's members that work on the world's window and main view: the grid, zoom
// and redraw, the window's placement, showing it, and scrolling. A world shown in no window has
// none of these: the getters answer their start values and the rest does nothing.

#include <algorithm>

#include "core/Failure.h"
#include "core/MenuSetup.h"
#include "model/world/QVDoc.h"
#include "model/world/WorldDisplay.h"
#include "scripting/document/APIDocument.h"
#include "scripting/host/CallFrame.h"
#include "scripting/host/ScriptApplication.h"
#include "scripting/objects/ObjectSupport.h"
#include "simulation/DimensionCode.h"

namespace {

TWorldDisplay* DisplayOf(TQVDoc* document) {
  return document != nullptr ? document->World().GetDisplay() : nullptr;
}

// What a window can have: X places and sizes are 16-bit, and the window's frame and caption are
// added to a size, so scripts' numbers are held well inside that.
constexpr int32_t kMostWindowExtent = 16384;

int32_t WindowPlace(int32_t value) {
  return std::clamp(value, -kMostWindowExtent, kMostWindowExtent);
}

int32_t WindowSize(int32_t value) { return std::clamp(value, 0, kMostWindowExtent); }

}  // namespace

APIResult TAPIDocument::GetShowGridLines(int16_t* shown) {
  TAPICallContext context(this, "");
  if (TWorldDisplay* display = DisplayOf(CheckedDocument(context)))
    *shown = display->GetShowGrid() ? 1 : 0;
  return context.Result();
}

APIResult TAPIDocument::SetShowGridLines(int16_t show) {
  TAPICallContext context(this, "");
  TQVDoc* document = CheckedDocument(context);
  if (document == nullptr) return context.Result();
  if (TWorldDisplay* display = DisplayOf(document)) display->SetShowGrid(show != 0);
  InvalidateMenuSetup();
  return context.Result();
}

APIResult TAPIDocument::Update() {
  TAPICallContext context(this, "");
  if (TWorldDisplay* display = DisplayOf(CheckedDocument(context))) display->UpdateView();
  return context.Result();
}

APIResult TAPIDocument::ZoomExtents() {
  TAPICallContext context(this, "");
  if (TWorldDisplay* display = DisplayOf(CheckedDocument(context))) display->ZoomToExtents();
  return context.Result();
}

APIResult TAPIDocument::Locate(int32_t left, int32_t top) {
  TAPICallContext context(this, "");
  if (TWorldDisplay* display = DisplayOf(CheckedDocument(context))) {
    TWindowPlacement placement = display->GetPlacement();
    placement.left = WindowPlace(left);
    placement.top = WindowPlace(top);
    display->SetPlacement(placement);
    display->ApplyWindowSettings();
  }
  return context.Result();
}

APIResult TAPIDocument::Resize(int32_t width, int32_t height) {
  TAPICallContext context(this, "");
  if (TWorldDisplay* display = DisplayOf(CheckedDocument(context))) {
    TWindowPlacement placement = display->GetPlacement();
    placement.width = WindowSize(width);
    placement.height = WindowSize(height);
    display->SetPlacement(placement);
    display->ApplyWindowSettings();
  }
  return context.Result();
}

APIResult TAPIDocument::SetShowDocumentWindow(int16_t show) {
  TAPICallContext context(this, "");
  TQVDoc* document = CheckedDocument(context);
  TWorldDisplay* display = DisplayOf(document);
  if (display == nullptr) return context.Result();
  display->SetShown(show != 0);
  // The frame that holds the window goes and comes with it: no empty frame stays behind.
  if (TScriptApplication* application = ScriptApplication())
    application->ShowDocumentFrame(*document, show != 0);
  return context.Result();
}

APIResult TAPIDocument::ScrollTo(double x, double y) {
  TAPICallContext context(this, "");
  TQVDoc* document = CheckedDocument(context);
  TWorldDisplay* display = DisplayOf(document);
  if (display == nullptr) return context.Result();
  display->FocusView();
  // From the document's length unit to metres (1.0 without a unit handler).
  const double factor = FromDisplayFactor(&document->World(), kDimensionLength);
  const MacPoint target = display->WorldToPixel(TVector(x * factor, y * factor));
  const MacPoint origin = display->WorldToPixel(TVector(0.0, 0.0));
  // Pixel arithmetic in 16 bits, as the view's coordinates are.
  const auto dh = static_cast<int16_t>(origin.h - target.h);
  const auto dv = static_cast<int16_t>(origin.v - target.v);
  const MacRect extent = display->ExtentInPort();
  const int32_t halfWidth = (extent.right - extent.left) / 2;
  const int32_t halfHeight = (extent.top - extent.bottom) / 2;  // zero or below
  display->ScrollToOrigin(static_cast<double>(dh + halfWidth), static_cast<double>(halfHeight - dv));
  return context.Result();
}

// ---- Switches of the world's menu ----------------------------------------------------------------

namespace {

using WorldSwitch = TAPIDocument::WorldSwitch;

// The command the world's menu item sends for the switch; player mode has one per direction.
int16_t SwitchCommand(WorldSwitch which, bool on) {
  switch (which) {
    case WorldSwitch::kRulers: return 1085;
    case WorldSwitch::kPlayerMode: return on ? 1054 : 1053;
    case WorldSwitch::kCoordinates: return 1071;
    case WorldSwitch::kHelpRibbon: return 1088;
    case WorldSwitch::kScrollBars: return 1074;
    case WorldSwitch::kTapeControl: return 1072;
    case WorldSwitch::kControlsLocked: return 1026;
    case WorldSwitch::kRetainMeterValues: return 1161;
  }
  return 0;
}

bool SwitchState(const TWorldDoc& world, WorldSwitch which) {
  const TWorldSettings& settings = world.Settings();
  switch (which) {
    case WorldSwitch::kRulers: return settings.rulers != 0;
    case WorldSwitch::kPlayerMode: return world.GetPlayerMode() != 0;
    case WorldSwitch::kCoordinates: return settings.coordinates != 0;
    case WorldSwitch::kHelpRibbon: return settings.helpLine != 0;
    case WorldSwitch::kScrollBars: return settings.scrollBars != 0;
    case WorldSwitch::kTapeControl: return settings.frameIndicator != 0;
    case WorldSwitch::kControlsLocked: return world.GetAlternateSelection() != 0;
    case WorldSwitch::kRetainMeterValues: return world.GetColumnList() != 0;
  }
  return false;
}

// A world without a window keeps the value for when it is shown.
void StoreSwitch(TWorldDoc& world, WorldSwitch which, bool on) {
  TWorldSettings& settings = world.Settings();
  const uint16_t value = on ? 1 : 0;
  switch (which) {
    case WorldSwitch::kRulers: settings.rulers = value; break;
    case WorldSwitch::kPlayerMode: world.SetPlayerMode(value); break;
    case WorldSwitch::kCoordinates: settings.coordinates = value; break;
    case WorldSwitch::kHelpRibbon: settings.helpLine = value; break;
    case WorldSwitch::kScrollBars: settings.scrollBars = value; break;
    case WorldSwitch::kTapeControl: settings.frameIndicator = value; break;
    case WorldSwitch::kControlsLocked: world.SetAlternateSelection(value); break;
    case WorldSwitch::kRetainMeterValues: world.SetColumnList(value); break;
  }
  world.DocumentChanged();
}

// The world's menu command, sent as its menu item sends it; what it makes is performed at once.
void SendWorldCommand(TWorldDisplay& display, int16_t command) {
  PerformNow(display.DoWorldMenuCommand(command));
}

}  // namespace

APIResult TAPIDocument::GetWorldSwitch(WorldSwitch which, int16_t* on) {
  TAPICallContext context(this, "");
  if (TQVDoc* document = CheckedDocument(context)) *on = SwitchState(document->World(), which) ? 1 : 0;
  return context.Result();
}

APIResult TAPIDocument::SetWorldSwitch(WorldSwitch which, int16_t on) {
  TAPICallContext context(this, "");
  TQVDoc* document = CheckedDocument(context);
  if (document == nullptr) return context.Result();
  TWorldDoc& world = document->World();
  const bool wanted = on != 0;
  const bool differs = SwitchState(world, which) != wanted;
  if (differs) {
    if (TWorldDisplay* display = DisplayOf(document)) {
      SendWorldCommand(*display, SwitchCommand(which, wanted));
    } else {
      StoreSwitch(world, which, wanted);
    }
  }
  // The meters' memory tells the menus only when it changed.
  if (which != WorldSwitch::kRetainMeterValues || differs) InvalidateMenuSetup();
  return context.Result();
}

APIResult TAPIDocument::GetCombineTapeScroll(int16_t* on) {
  TAPICallContext context(this, "");
  if (TQVDoc* document = CheckedDocument(context)) {
    uint16_t value = 0;
    document->World().GetViewSetting(kTagInlineHelp, value);
    *on = value != 0 ? 1 : 0;
  }
  return context.Result();
}

APIResult TAPIDocument::SetCombineTapeScroll(int16_t on) {
  TAPICallContext context(this, "");
  if (TQVDoc* document = CheckedDocument(context)) {
    document->World().SetViewSetting(kTagInlineHelp, on != 0 ? 1 : 0);
    InvalidateMenuSetup();
  }
  return context.Result();
}

APIResult TAPIDocument::EraseMeterValues() {
  TAPICallContext context(this, "");
  TQVDoc* document = CheckedDocument(context);
  if (document == nullptr || document->World().GetColumnList() == 0) return context.Result();
  if (TWorldDisplay* display = DisplayOf(document)) SendWorldCommand(*display, 1162);
  return context.Result();
}

APIResult TAPIDocument::PerformWorldCommand(int16_t command) {
  TAPICallContext context(this, "");
  TQVDoc* document = CheckedDocument(context);
  if (document == nullptr) return context.Result();
  // The world makes these commands in its window; a world shown nowhere makes none.
  TWorldDisplay* display = DisplayOf(document);
  if (display == nullptr) return context.Result();
  try {
    SendWorldCommand(*display, command);
  } catch (const QVException&) {
    // Starting from here, like Reset, keeps its failures to itself.
    if (command != 1100) throw;
  }
  return context.Result();
}
