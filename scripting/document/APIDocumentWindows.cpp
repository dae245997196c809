// The document object's members that work on the world's window and main view: the grid, zoom
// and redraw, the window's placement, showing it, and scrolling. A world shown in no window has
// none of these: the getters answer their start values and the rest does nothing.

#include "core/MenuSetup.h"
#include "model/world/QVDoc.h"
#include "model/world/WorldDisplay.h"
#include "scripting/document/APIDocument.h"
#include "scripting/host/CallFrame.h"
#include "scripting/objects/ObjectSupport.h"
#include "simulation/DimensionCode.h"

namespace {

TWorldDisplay* DisplayOf(TQVDoc* document) {
  return document != nullptr ? document->World().GetDisplay() : nullptr;
}

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
    placement.left = left;
    placement.top = top;
    display->SetPlacement(placement);
    display->ApplyWindowSettings();
  }
  return context.Result();
}

APIResult TAPIDocument::Resize(int32_t width, int32_t height) {
  TAPICallContext context(this, "");
  if (TWorldDisplay* display = DisplayOf(CheckedDocument(context))) {
    TWindowPlacement placement = display->GetPlacement();
    placement.width = width;
    placement.height = height;
    display->SetPlacement(placement);
    display->ApplyWindowSettings();
  }
  return context.Result();
}

APIResult TAPIDocument::SetShowDocumentWindow(int16_t show) {
  TAPICallContext context(this, "");
  if (TWorldDisplay* display = DisplayOf(CheckedDocument(context))) display->SetShown(show != 0);
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
