// The meter on the world window: its gadget frame, the presses on its buttons, the values it
// takes from each frame the world shows, and its drawing there.
#include <algorithm>
#include <string>

#include "core/Resources.h"
#include "core/port/Port.h"
#include "core/port/PortRegion.h"
#include "core/port/PortShapes.h"
#include "core/port/PortText.h"
#include "inout/meters/MeterDrawing.h"
#include "inout/meters/Output.h"
#include "model/filing/ObjectReader.h"
#include "model/filing/ObjectWriter.h"
#include "model/world/RunBridge.h"
#include "model/world/WorldDisplay.h"
#include "model/world/WorldDoc.h"
#include "model/world/WorldEditCheck.h"
#include "simulation/HistoryStore.h"
#include "simulation/UnitHandler.h"

namespace {

constexpr int16_t kTextInset = 2;
// The name stands this far inside its strip.
constexpr int16_t kTitleTextInset = 3;
constexpr RGB16Color kPaper{0xFFFF, 0xFFFF, 0xFFFF};
// A column button pressed in.
constexpr RGB16Color kHighlight{0xC000, 0xC000, 0xC000};
// The baseline of a column button's label above its bottom edge.
constexpr int16_t kButtonTextDrop = 3;
constexpr uint16_t kNoValueText = 52065;
// Half the side of the square that marks a graph's current point, its centre pixel left out.
constexpr int16_t kMarkerReach = 2;

// A meter has values of its own only once its world has shown a recorded frame; a reset
// clears the frames and with them that state.
bool ShowsRecordedFrame(TWorldDoc* world) {
  const TFrameStore* store = world != nullptr ? world->GetStore() : nullptr;
  if (store == nullptr || !world->ShowsRecordedFrame()) return false;
  const int16_t frame = store->CurrentFrame();
  return frame >= 0 && frame <= store->LastFrame();
}

// The text a digital line shows while there is no value to show.
Str255 NoValueText() {
  Str255 text;
  QV_GetIndString(text, static_cast<int16_t>(kNoValueText), 0);
  return text;
}

MacPoint SizeOf(const MacRect& rect) {
  return MacPoint(static_cast<int16_t>(rect.right - rect.left),
                  static_cast<int16_t>(rect.bottom - rect.top));
}

}  // namespace

void TOutput::RefreshLayout() {
  ResetColumnTexts();
  // The meter's frame, strip and furniture are drawn with the world's objects: its views draw
  // them afresh.
  TWorldDoc* world = WorldOf(*this);
  TWorldDisplay* display = world != nullptr ? world->GetDisplay() : nullptr;
  if (display != nullptr) display->InvalidateViews();
}

void TOutput::FitFrameToContent() {
  StoreSize(SizeOf(GetBounds()));
}

void TOutput::ConstrainSize(MacPoint& size) {
  // What the frame, the furniture and the name strip take stays theirs; the rest is content.
  const int32_t across = framed_ ? 4 + GetFurnitureWidth() : 6;
  const int32_t down = framed_ ? 8 + TitleHeight() : 5;
  size.h = static_cast<int16_t>(std::max<int32_t>(size.h - across, kMinimumSide));
  size.v = static_cast<int16_t>(std::max<int32_t>(size.v - down, kMinimumSide));
}

bool TOutput::TrackClick(int16_t phase, MacPoint point, bool) {
  switch (phase) {
    case 0:
      return HitsControl(point);
    case 1:
      TrackMouse(point);
      return true;
    default:
      ReleaseMouse();
      Invalidate();
      return true;
  }
}

int32_t TOutput::CountElements() {
  return GetColumnCount() + TInOutput::CountElements();
}

void TOutput::WriteElements(TObjectWriter& writer) {
  // In stored order, as the meter's blocks and its history cursor take them.
  for (int32_t position = 0; position < GetColumnCount(); ++position)
    writer.WriteFormula(&columns_[static_cast<size_t>(RecordedIndex(position))]->Formula());
  TInOutput::WriteElements(writer);
}

void TOutput::ReadElements(int32_t count, TObjectReader& reader) {
  const int32_t columns = std::min(count, GetColumnCount());
  for (int32_t position = 0; position < columns; ++position) {
    const std::unique_ptr<TFormula> formula = reader.ReadNewFormula();
    const int32_t column = RecordedIndex(position) + 1;
    // A constant, or a formula filed without units of its own, has no unit: the column keeps
    // the unit kind it was stored with.
    if (formula->IsFormula()) {
      const int32_t stored = Column(column)->GetUnitKind();
      SetColumnFormula(column, *formula);
      if (formula->GetUnits() == nullptr) Column(column)->SetUnitKind(stored);
    } else {
      Column(column)->Formula().Assign(*formula);
    }
  }
  TInOutput::ReadElements(count - columns, reader);
}

void TOutput::FrameChanged(int16_t frame, int16_t first, int16_t last) {
  TWorldDoc* world = WorldOf(*this);
  TFrameStore* store = world != nullptr ? world->GetStore() : nullptr;
  if (store == nullptr || store->History() == nullptr || frame < 0 || frame < first ||
      frame > last) {
    return;
  }
  const int32_t offset = world->RecordedValueOffset(this);
  // A meter whose columns changed since the run has no values of its own in the frames.
  if (offset < 0 || world->RecordLayout().RecordedCount(this) < GetColumnCount()) return;
  THistoryCursor cursor;
  cursor.Position(*store->History(), frame, offset);
  FrameChange(frame, cursor, true);
  Invalidate();
}

TOutput::FrameWalk TOutput::WorldFrameWalk() {
  return [this](int16_t first, int16_t last,
                const std::function<void(int16_t, THistoryCursor&)>& visit) {
    TWorldDoc* world = WorldOf(*this);
    TFrameStore* store = world != nullptr ? world->GetStore() : nullptr;
    if (store == nullptr || store->History() == nullptr) return;
    const int32_t offset = world->RecordedValueOffset(this);
    if (offset < 0 || world->RecordLayout().RecordedCount(this) < GetColumnCount()) return;
    const int32_t from = std::max<int32_t>(first, store->FirstHeldFrame());
    const int32_t to = std::min<int32_t>(last, store->LastFrame());
    for (int32_t frame = from; frame <= to; ++frame) {
      THistoryCursor cursor;
      cursor.Position(*store->History(), frame, offset);
      visit(static_cast<int16_t>(frame), cursor);
    }
  };
}

void TOutput::DrawFurniture() {
  SetPortForeColor(RGB16Color{});
  PortFrameRect(GetBounds());
  SelectSystemFont();
  DrawKindButton(GetKindButtonRect());
  for (int32_t i = 2; i <= GetColumnCount(); ++i) {
    MacRect button;
    if (GetColumnButtonRect(i, button)) DrawColumnButton(i, button);
  }
  SetPortFont(&GetFont());
  SetPortForeColor(RGB16Color{});
}

void TOutput::DrawKindButton(const MacRect& button) {
  FillSolid(button, kPaper);
  SetPortForeColor(RGB16Color{});
  PortFrameRect(button);
  MacRect inside = button;
  MacRectInset(inside, 1, 1);
  const ClipScope clip(inside);
  // A small picture of what the meter shows now: digits, bars or a curve over its axes.
  const int16_t left = static_cast<int16_t>(inside.left + 3);
  const int16_t right = static_cast<int16_t>(inside.right - 3);
  const int16_t top = static_cast<int16_t>(inside.top + 2);
  const int16_t bottom = static_cast<int16_t>(inside.bottom - 2);
  switch (kind_) {
    case MeterKind::kDigital: {
      const Str255 digits("12");
      PortMoveTo(static_cast<int16_t>((button.left + button.right - PortStringWidth(digits)) / 2),
                 static_cast<int16_t>(button.bottom - kButtonTextDrop));
      PortDrawPString(digits);
      break;
    }
    case MeterKind::kBar: {
      // Three bars of rising height.
      const int16_t step = static_cast<int16_t>((right - left) / 3);
      for (int16_t bar = 0; bar < 3; ++bar) {
        const int16_t barLeft = static_cast<int16_t>(left + bar * step);
        const int16_t barTop = static_cast<int16_t>(bottom - (bottom - top) * (bar + 1) / 3);
        FillSolid(MacRect(barLeft, barTop, static_cast<int16_t>(barLeft + step - 1), bottom),
                  RGB16Color{});
      }
      break;
    }
    case MeterKind::kGraph: {
      PortMoveTo(left, top);
      PortLineTo(0, bottom - 1 - top);
      PortLineTo(right - left, 0);
      const int16_t third = static_cast<int16_t>((right - left) / 3);
      PortMoveTo(static_cast<int16_t>(left + 1), static_cast<int16_t>(bottom - 3));
      PortLineTo(third, -(bottom - top - 4));
      PortLineTo(third, (bottom - top) / 2);
      PortLineTo(right - left - 1 - 2 * third, -(bottom - top) / 2);
      break;
    }
  }
  // Pressed in while the press stays on it.
  if (pressed_ == 1 && heldDown_) PortInvertRect(inside);
}

void TOutput::DrawColumnButton(int32_t i, const MacRect& button) {
  const TNumberText& column = *Column(i);
  // A column button stands pressed in while its column is hidden; pressing it shows how it
  // will stand once released.
  const bool pressing = pressed_ == i && heldDown_;
  FillSolid(button, column.IsShown() == pressing ? kHighlight : kPaper);
  SetPortForeColor(RGB16Color{});
  PortFrameRect(button);
  const Str255& label = column.GetLabel();
  const Str255 shortLabel(std::string(label.Chars(), static_cast<size_t>(
                                                         std::min<int>(label.Length(), 3)))
                              .c_str());
  const int16_t width = PortStringWidth(shortLabel);
  MacRect inside = button;
  MacRectInset(inside, 1, 1);
  const ClipScope clip(inside);
  SetPortForeColor(column.GetColor());
  PortMoveTo(static_cast<int16_t>((button.left + button.right - width) / 2),
             static_cast<int16_t>(button.bottom - kButtonTextDrop));
  PortDrawPString(shortLabel);
}

void TOutput::DrawDigital() {
  const MacRect inner = GetContentFrame();
  TWorldUnitHandler* handler = unitHandler_ != nullptr ? unitHandler_ : GetGlobalUnitHandler();
  const bool hasValues = ShowsRecordedFrame(WorldOf(*this));
  const Str255 noValue = hasValues ? Str255() : NoValueText();
  int32_t line = 0;
  ForEachShownColumn([&](TNumberText& column, int32_t) {
    Str255 text;
    if (hasValues) {
      column.GetText(handler, text);
    } else {
      text = noValue;
    }
    const int16_t baseline = static_cast<int16_t>(inner.top + lineHeight_ * (line + 1) - 4);
    SetPortForeColor(column.GetColor());
    if (showLabels_) {
      PortMoveTo(static_cast<int16_t>(inner.left + kTextInset), baseline);
      PortDrawPString(column.GetLabel());
    }
    if (showUnits_) {
      // Half way across, or two thirds with the labels taking the left.
      const int32_t width = inner.right - inner.left;
      const int32_t at = showLabels_ ? width * 2 / 3 : width / 2;
      Str255 unit;
      column.GetUnitName(handler, unit);
      PortMoveTo(static_cast<int16_t>(inner.left + kTextInset + at), baseline);
      PortDrawPString(unit);
    }
    PortMoveTo(static_cast<int16_t>(inner.right - kTextInset - PortStringWidth(text)), baseline);
    PortDrawPString(text);
    ++line;
  });
  SetPortForeColor(RGB16Color{});
}

void TOutput::DrawCurrentMarkers() {
  if (GetColumnCount() < 2) return;
  const MacRect plot = GetContentFrame();
  const auto width = static_cast<int16_t>(plot.right - plot.left);
  const auto height = static_cast<int16_t>(plot.bottom - plot.top);
  const auto x =
      static_cast<int16_t>(plot.left + columns_.front()->GetCurrentPixelExactZero(width));
  if (x < plot.left || x >= plot.right) return;
  ForEachShownColumn([&](TNumberText& column, int32_t) {
    const auto y = static_cast<int16_t>(plot.bottom - column.GetCurrentPixelExactZero(height));
    if (y < plot.top || y >= plot.bottom) return;
    MacRect marker(static_cast<int16_t>(x - kMarkerReach), static_cast<int16_t>(y - kMarkerReach),
                   static_cast<int16_t>(x + kMarkerReach + 1),
                   static_cast<int16_t>(y + kMarkerReach + 1));
    SetPortForeColor(RGB16Color{});
    PortFrameRect(marker);
    MacRectInset(marker, 1, 1);
    FillSolid(marker, column.GetColor());
  });
  SetPortForeColor(RGB16Color{});
}

void TOutput::DrawLabel() {
  if (!framed_) {
    TInOutput::DrawLabel();
    return;
  }
  const MacRect strip = GetLabelRect();
  if (strip.right <= strip.left) return;
  FillSolid(strip, kPaper);
  SetPortForeColor(RGB16Color{});
  PortFrameRect(strip);
  // The name is cut where the strip ends.
  const ClipScope clip(strip);
  SetPortFont(&GetFont());
  const int baseline = (GetAscent() + strip.top + strip.bottom - GetDescent()) / 2;
  PortMoveTo(static_cast<int16_t>(strip.left + kTitleTextInset), static_cast<int16_t>(baseline));
  PortDrawPString(GetName());
}

void TOutput::DrawContents(const MacRect&) {
  FillSolid(GetBounds(), kPaper);
  if (framed_) DrawFurniture();
  if (ShowsName()) DrawLabel();
  switch (kind_) {
    case MeterKind::kDigital:
      DrawDigital();
      return;
    case MeterKind::kBar:
      if (ShowsRecordedFrame(WorldOf(*this))) DrawBarValues();
      return;
    case MeterKind::kGraph: {
      TWorldDoc* world = WorldOf(*this);
      TFrameStore* store = world != nullptr ? world->GetStore() : nullptr;
      const int16_t shown = currentFrame_;
      const int16_t last = store != nullptr ? static_cast<int16_t>(store->LastFrame()) : -1;
      TWorldUnitHandler* handler = unitHandler_ != nullptr ? unitHandler_ : GetGlobalUnitHandler();
      // The curve runs up to the frame shown; the meter keeps that frame's values.
      DrawGraph(handler, WorldFrameWalk(), std::min<int16_t>(shown, last));
      if (ShowsRecordedFrame(world)) DrawCurrentMarkers();
      return;
    }
  }
}
