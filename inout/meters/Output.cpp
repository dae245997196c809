#include "inout/meters/Output.h"

#include "inout/meters/GraphStrokes.h"

#include <algorithm>
#include <string>

#include "core/ClassRegistry.h"
#include "core/port/PortShapes.h"
#include "inout/meters/MeterDrawing.h"
#include "simulation/HistoryStore.h"
#include "simulation/UnitHandler.h"

namespace {

// The smallest bar across its growth direction.
constexpr int16_t kMinimumBarThickness = 7;
// A bar meter's inner length is the full bar plus this margin.
constexpr int16_t kBarMargin = 3;
// A framed meter's name strip starts right of the kind button and leaves room around the name.
constexpr int16_t kTitleIndent = 25;
constexpr int16_t kTitleMargin = 6;

std::string ToString(const Str255& s) {
  return std::string(reinterpret_cast<const char*>(s.Chars()), static_cast<size_t>(s.Length()));
}

// Replaces every occurrence of each token byte by its replacement.
std::string ReplaceTokens(const std::string& text,
                          const std::vector<std::pair<char, std::string>>& tokens) {
  std::string out;
  for (const char c : text) {
    const auto found = std::find_if(tokens.begin(), tokens.end(),
                                    [c](const auto& token) { return token.first == c; });
    if (found == tokens.end()) {
      out += c;
    } else {
      out += found->second;
    }
  }
  return out;
}

int16_t Clamp16(int32_t value) {
  return static_cast<int16_t>(std::clamp<int32_t>(value, INT16_MIN, INT16_MAX));
}

}  // namespace

TOutput::TOutput() = default;
TOutput::~TOutput() = default;

void TOutput::Initialize() {
  TInOutput::Initialize();
  // A meter always has its column 1: a document cannot hold a meter without columns.
  columns_.clear();
  SetColumnCount(1);
}

TNumberText* TOutput::Column(int32_t i) const {
  if (i < 1 || i > GetColumnCount()) return nullptr;
  return columns_[static_cast<size_t>(i - 1)].get();
}

void TOutput::ApplyWrapToFirst() {
  if (!columns_.empty()) columns_.front()->SetWrap(wrapXAxis_);
}

void TOutput::SetColumnCount(int32_t n) {
  n = std::max<int32_t>(n, 0);
  while (GetColumnCount() > n) columns_.pop_back();
  while (GetColumnCount() < n) columns_.push_back(std::make_unique<TNumberText>());
  ApplyWrapToFirst();
  AdjustSize();
  ResetColumnTexts();
  ForEachLinked(1);
}

void TOutput::RemoveColumn(int32_t i) {
  if (i < 1 || i > GetColumnCount()) return;
  rotation_ = 0;
  columns_.erase(columns_.begin() + (i - 1));
  ApplyWrapToFirst();
  ResetColumnTexts();
  FitFrameToContent();
  ForEachLinked(1);
}

void TOutput::RotateColumns() {
  if (GetColumnCount() < 2) return;
  columns_.front()->SetWrap(false);
  std::rotate(columns_.rbegin(), columns_.rbegin() + 1, columns_.rend());
  ApplyWrapToFirst();
  rotation_ = static_cast<int16_t>((rotation_ + 1) % GetColumnCount());
  ResetColumnTexts();
  if (kind_ != MeterKind::kGraph) AdjustSize();
}

void TOutput::SetColumnFormula(int32_t i, const TFormula& formula) {
  TNumberText* column = Column(i);
  if (column == nullptr) return;
  TFormula compiled(formula);
  int32_t unitKind = 0;
  if (compiled.Compile(1.0, &unitKind) == 0) column->SetUnitKind(unitKind);
  column->Formula().Assign(formula);
}

void TOutput::SetColumnShown(int32_t i, bool shown) {
  TNumberText* column = Column(i);
  if (column == nullptr || column->IsShown() == shown) return;
  column->SetShown(shown);
  AdjustSize();
}

void TOutput::SetColumnRange(int32_t i, double minimum, double maximum) {
  TNumberText* column = Column(i);
  if (column == nullptr) return;
  column->SetRange(minimum, maximum);
  ResetColumnTexts();
}

void TOutput::ResetColumnTexts() {
  for (auto& column : columns_) column->InvalidateCaches();
}

void TOutput::ForEachShownColumn(const ColumnVisit& visit) const {
  VisitShownColumns(visit);
}

void TOutput::WithFirstShownColumn(const ColumnVisit& visit) const {
  for (int32_t i = 2; i <= GetColumnCount(); ++i) {
    TNumberText& column = *columns_[static_cast<size_t>(i - 1)];
    if (!column.IsShown()) continue;
    visit(column, i);
    return;
  }
}

void TOutput::ForEachColumn(bool includeFirst, const ColumnVisit& visit) const {
  if (includeFirst && !columns_.empty()) visit(*columns_.front(), 1);
  ForEachShownColumn(visit);
}

int32_t TOutput::CountShownColumns() const {
  int32_t count = 0;
  ForEachShownColumn([&count](TNumberText&, int32_t) { ++count; });
  return count;
}

int32_t TOutput::CountExportColumns(bool includeFirst) const {
  int32_t count = 0;
  ForEachColumn(includeFirst, [&count](TNumberText&, int32_t) { ++count; });
  return count;
}

MeterKind TOutput::NextKind(MeterKind kind) {
  switch (kind) {
    case MeterKind::kDigital:
      return MeterKind::kGraph;
    case MeterKind::kGraph:
      return MeterKind::kBar;
    case MeterKind::kBar:
      return MeterKind::kDigital;
  }
  return MeterKind::kDigital;
}

void TOutput::SetMeterKind(MeterKind kind) {
  if (kind_ == MeterKind::kGraph) savedGraphSize_ = size_;
  kind_ = kind;
  if (kind_ == MeterKind::kGraph) SetSize(savedGraphSize_);
  ResetColumnTexts();
  AdjustSize();
  ForEachLinked(1);
}

void TOutput::SetWrapXAxis(bool wrap) {
  wrapXAxis_ = wrap;
  ApplyWrapToFirst();
}

void TOutput::AdjustSize() {
  const int32_t shown = std::max<int32_t>(CountShownColumns(), 1);
  switch (kind_) {
    case MeterKind::kDigital:
      size_ = MacPoint(digitalLineWidth_, Clamp16(lineHeight_ * shown));
      break;
    case MeterKind::kBar: {
      const int16_t across = Clamp16(barThickness_ * shown);
      const int16_t along = Clamp16(barLength_ + kBarMargin);
      // Orientation 1 grows to the right, so bars lie stacked downwards.
      size_ = barOrientation_ == 1 ? MacPoint(along, across) : MacPoint(across, along);
      break;
    }
    case MeterKind::kGraph:
      break;
  }
  FitFrameToContent();
}

void TOutput::SetSize(MacPoint size) {
  size_ = size;
  const int32_t shown = std::max<int32_t>(CountShownColumns(), 1);
  if (kind_ == MeterKind::kDigital) {
    digitalLineWidth_ = size.h;
  } else if (kind_ == MeterKind::kBar) {
    barOrientation_ = size.h < size.v ? 0 : 1;
    const int16_t along = barOrientation_ == 1 ? size.h : size.v;
    const int16_t across = barOrientation_ == 1 ? size.v : size.h;
    barLength_ = static_cast<int16_t>(along - kBarMargin);
    barThickness_ = std::max<int16_t>(static_cast<int16_t>(across / shown), kMinimumBarThickness);
  }
  ResetColumnTexts();
  FitFrameToContent();
}

int32_t TOutput::RecordedIndex(int32_t position) const {
  // The history records the columns in their stored order; after r rotations stored column 1
  // stands at index r + 1.
  const int32_t count = GetColumnCount();
  return (position + rotation_) % count;
}

void TOutput::ShowFrame(int16_t frame, THistoryCursor& cursor, bool inRange) {
  currentFrame_ = frame;
  const int32_t count = GetColumnCount();
  if (count == 0) return;
  // RecordedIndex of each position in turn, without a division for each.
  int32_t index = RecordedIndex(0);
  for (int32_t position = 0; position < count; ++position) {
    TNumberText& column = *columns_[static_cast<size_t>(index)];
    const double value = ReadHistoryValueAndAdvance(cursor);
    if (inRange) {
      column.SetValueAtFrame(frame, value, true);
    } else {
      column.SetValue(value, false);
    }
    if (++index == count) index = 0;
  }
}

bool TOutput::FrameChange(int16_t frame, THistoryCursor& cursor, bool meterUpdate) {
  ShowFrame(frame, cursor, true);
  if (kind_ == MeterKind::kDigital || !meterUpdate || columns_.empty()) return false;
  const bool hold = (frame & 3) != 3;
  const bool shrink = (frame & 63) == 63;
  bool changed = false;
  const auto update = [&](TNumberText& column, int32_t) {
    changed = column.UpdateRange(hold, shrink) || changed;
  };
  if (kind_ == MeterKind::kGraph) update(*columns_.front(), 1);
  VisitShownColumns(update);
  if (changed) ResetColumnTexts();
  return changed;
}

void TOutput::CutBackHistory(int16_t frame) {
  if (frame < currentFrame_) currentFrame_ = kOutputFrameCutBack;
  for (auto& column : columns_) {
    column->ResetRunningBounds();
    column->RemoveFrom(frame);
  }
}

void TOutput::ReplayHistory(int16_t first, int16_t last, bool includeFirst, const FrameWalk& walk,
                            TWorldUnitHandler* handler,
                            const std::function<void(TNumberText&, const Str255&)>& emit) {
  if (columns_.empty()) return;
  walk(first, last, [&](int16_t, THistoryCursor& cursor) {
    ForEachColumn(includeFirst, [&](TNumberText& column, int32_t index) {
      const double saved = column.GetCurrentValue();
      if (kind_ != MeterKind::kDigital) column.InvalidateCaches();
      // The recorded position of stored column index: columns are recorded in stored order.
      const int32_t stored = (index - 1 - rotation_ + GetColumnCount()) % GetColumnCount();
      cursor.Advance(stored);
      const double value = ReadHistoryValue(cursor);
      cursor.Restore(stored);
      column.SetValue(value, true);
      Str255 text;
      column.GetText(handler, text);
      emit(column, text);
      column.SetValue(saved, false);
    });
  });
}

void TOutput::ExpandColumnFormulas(const Str255& firstName, const Str255& secondName,
                                   const Str255& ownerName) {
  const std::string own = ToString(GetName());
  const std::string first = ToString(firstName);
  const std::string second = ToString(secondName);
  const std::vector<std::pair<char, std::string>> tokens = {
      {'\xA6', own},    {'$', own},       {'\xA5', first},
      {'&', first},     {'\xB0', second}, {'@', second},
      {'\xA4', ToString(ownerName)}};
  for (auto& column : columns_) {
    TFormula& formula = column->Formula();
    if (!formula.IsFormula()) continue;
    Str255 text;
    formula.GetText(text);
    std::string rewritten = ReplaceTokens(ToString(text), tokens);
    // A text that grew past what a formula holds is cut rather than written past its end.
    rewritten.resize(std::min<size_t>(rewritten.size(), Str255::kCapacity));
    // A formula that carries no unit of its own leaves the column the unit its template gave.
    const bool ownUnit = formula.GetUnits() != nullptr;
    formula.SetFromPieces(Str255(rewritten.c_str()));
    int32_t unitKind = 0;
    if (formula.Compile(1.0, &unitKind) == 0 && ownUnit) column->SetUnitKind(unitKind);
  }
}

// Layout and furniture ---------------------------------------------------------------------------

namespace {

// The kind button's size and its place inside the frame's top left corner.
constexpr int16_t kKindButtonHeight = 14;
constexpr int16_t kKindButtonWidth = 22;
constexpr int16_t kKindButtonInset = 2;
constexpr int16_t kColumnButtonHeight = 14;

bool RectContains(const MacRect& rect, MacPoint point) {
  return point.h >= rect.left && point.h < rect.right && point.v >= rect.top &&
         point.v < rect.bottom;
}

}  // namespace

void TOutput::SetPosition(int16_t top, int16_t left) {
  const MacPoint at = GetPosition();
  MoveBy(MacPoint(static_cast<int16_t>(left - at.h), static_cast<int16_t>(top - at.v)));
}

void TOutput::SetFramed(bool framed) {
  framed_ = framed;
  FitFrameToContent();
}

int16_t TOutput::GetFurnitureWidth() const {
  return GetColumnCount() > 2 ? 26 : 4;
}

MacRect TOutput::GetBounds() const {
  // The frame and furniture around the content: the reverse of what the content frame takes off.
  const int16_t width = Clamp16(size_.h + (framed_ ? 4 + GetFurnitureWidth() : 6));
  int16_t height = Clamp16(size_.v + (framed_ ? 8 + TitleHeight() : 5));
  if (framed_) height = std::max(height, ButtonsHeight());
  const MacPoint at = GetPosition();
  return MacRect(at.h, at.v, Clamp16(at.h + width), Clamp16(at.v + height));
}

MacRect TOutput::GetContentFrame() const {
  MacRect inner = GetBounds();
  const int16_t inset = framed_ ? 4 : 3;
  inner.top = static_cast<int16_t>(inner.top + inset);
  inner.left = static_cast<int16_t>(inner.left + inset);
  inner.bottom = static_cast<int16_t>(inner.bottom - inset);
  inner.right = static_cast<int16_t>(inner.right - inset);
  if (framed_) inner.left = static_cast<int16_t>(inner.left + GetFurnitureWidth() - 4);
  inner.top = static_cast<int16_t>(inner.top + TitleHeight());
  return inner;
}

int16_t TOutput::ButtonsHeight() const {
  const int32_t buttons = std::max<int32_t>(GetColumnCount() - 1, 0);
  int32_t bottom = kKindButtonInset + kKindButtonHeight;
  if (GetColumnCount() > 2) bottom += 3 + buttons * (kColumnButtonHeight + 2) - 2;
  return Clamp16(bottom + 4);
}

int16_t TOutput::TitleHeight() const {
  return framed_ && ShowsName() ? lineHeight_ : 0;
}

MacRect TOutput::GetLabelRect() {
  if (!framed_) return TInOutput::GetLabelRect();
  const MacRect bounds = GetBounds();
  const auto left = static_cast<int16_t>(bounds.left + kTitleIndent);
  const int16_t right =
      std::min<int16_t>(Clamp16(left + GetLabelWidth() + kTitleMargin), bounds.right);
  return MacRect(left, bounds.top, std::max(left, right), Clamp16(bounds.top + lineHeight_ + 1));
}

MacRect TOutput::GetKindButtonRect() const {
  const MacRect bounds = GetBounds();
  const int16_t left = static_cast<int16_t>(bounds.left + kKindButtonInset);
  const int16_t top = static_cast<int16_t>(bounds.top + kKindButtonInset);
  return MacRect(left, top, static_cast<int16_t>(left + kKindButtonWidth),
                 static_cast<int16_t>(top + kKindButtonHeight));
}

bool TOutput::GetColumnButtonRect(int32_t i, MacRect& out) const {
  if (!framed_ || GetColumnCount() <= 2 || i < 2 || i > GetColumnCount()) return false;
  const MacRect kind = GetKindButtonRect();
  const int16_t top =
      Clamp16(kind.bottom + 3 + (i - 2) * (kColumnButtonHeight + 2));
  out = MacRect(static_cast<int16_t>(kind.left + 1), top, static_cast<int16_t>(kind.right - 1),
                static_cast<int16_t>(top + kColumnButtonHeight));
  return true;
}

MacRect TOutput::GetBarRect(int32_t n) const {
  const MacRect inner = GetContentFrame();
  const int16_t across = Clamp16((n - 1) * barThickness_);
  const int16_t thickness = static_cast<int16_t>(barThickness_ - 3);
  if (barOrientation_ == 1) {
    const int16_t top = Clamp16(inner.top + 1 + across);
    const int16_t left = static_cast<int16_t>(inner.left + 1);
    return MacRect(left, top, Clamp16(left + barLength_), Clamp16(top + thickness));
  }
  const int16_t left = Clamp16(inner.left + 1 + across);
  const int16_t bottom = static_cast<int16_t>(inner.bottom - 1);
  return MacRect(left, Clamp16(bottom - barLength_), Clamp16(left + thickness), bottom);
}

void TOutput::DrawBarValues() {
  int32_t n = 0;
  ForEachShownColumn([&](TNumberText& column, int32_t) {
    ++n;
    const int16_t p = column.GetCurrentPixel(barLength_);
    if (p <= 0) return;
    const int16_t grown = std::min(p, barLength_);
    MacRect bar = GetBarRect(n);
    if (barOrientation_ == 1) {
      bar.right = static_cast<int16_t>(bar.left + grown);
    } else {
      bar.top = static_cast<int16_t>(bar.bottom - grown);
    }
    SetPortForeColor(RGB16Color{});
    PortFrameRect(bar);
    MacRect fill = bar;
    fill.top = static_cast<int16_t>(fill.top + 1);
    fill.left = static_cast<int16_t>(fill.left + 1);
    fill.bottom = static_cast<int16_t>(fill.bottom - 1);
    fill.right = static_cast<int16_t>(fill.right - 1);
    if (fill.bottom <= fill.top || fill.right <= fill.left) return;
    FillSolid(fill, column.GetColor());
  });
}

bool TOutput::PressedRect(MacRect& out) const {
  if (pressed_ == 1) {
    out = GetKindButtonRect();
    return true;
  }
  return GetColumnButtonRect(pressed_, out);
}

bool TOutput::HitsControl(MacPoint where) {
  pressed_ = 0;
  if (RectContains(GetKindButtonRect(), where)) {
    pressed_ = 1;
  } else {
    for (int32_t i = 2; i <= GetColumnCount(); ++i) {
      MacRect button;
      if (GetColumnButtonRect(i, button) && RectContains(button, where)) {
        pressed_ = i;
        break;
      }
    }
  }
  heldDown_ = pressed_ != 0;
  return pressed_ != 0;
}

void TOutput::TrackMouse(MacPoint where) {
  MacRect button;
  if (!PressedRect(button)) return;
  const bool inside = RectContains(button, where);
  if (inside == heldDown_) return;
  heldDown_ = inside;
  // The button shows whether a release there would press it.
  InvalidateArea(button);
}

void TOutput::ReleaseMouse() {
  if (heldDown_ && pressed_ == 1) {
    SetMeterKind(NextKind(kind_));
  } else if (heldDown_ && pressed_ >= 2) {
    if (TNumberText* column = Column(pressed_)) SetColumnShown(pressed_, !column->IsShown());
  }
  pressed_ = 0;
  heldDown_ = false;
}

namespace {
TObject* CreateOutput() {
  return new TOutput();
}
}  // namespace

void RegisterOutputClass() {
  RegisterClassInfo("TOutput", kOutputTag, TOutput::kClassID, CreateOutput, sizeof(TOutput));
}
