// What the arrows do for the vector bases: hold, count, file and load their formulas.

#include "bodies/vectors/VectorArrows.h"

#include <algorithm>
#include <cmath>

#include "bodies/vectors/VectorThing.h"
#include "core/port/Port.h"
#include "core/port/PortShapes.h"
#include "core/geometry/Rounding.h"
#include "model/filing/ObjectWriter.h"
#include "simulation/HistoryStore.h"

namespace {

// The largest double marks a formula without a value; such a component never draws.
bool IsDefined(double value) { return std::isfinite(value) && value != TFormula::kNoValue; }

}  // namespace

void TGlobalVectorHandler::PreparePen(PenState& saved) {
  PortGetPenState(saved);
  PortSetPenSize(penWidth_, penWidth_);
}

void TGlobalVectorHandler::DrawMarker(const MacPoint& point) {
  MacRect rect;
  rect.left = static_cast<int16_t>(point.h - 2);
  rect.top = static_cast<int16_t>(point.v - 2);
  rect.right = static_cast<int16_t>(point.h + 2);
  rect.bottom = static_cast<int16_t>(point.v + 2);
  PortFrameOval(rect);
}

void TVectorArrow::LoadRecordedValues(int32_t, THistoryCursor& cursor) {
  LoadValues([&cursor] { return ReadHistoryValueAndAdvance(cursor); });
}

int16_t TVectorArrow::WriteFormulas(TObjectWriter&) {
  return 0;
}

bool TVectorArrow::GetValue(TVector& value) {
  TFormula* x = nullptr;
  TFormula* y = nullptr;
  TFormula* rotation = nullptr;
  owner_.GetVelocityFormulas(x, y, rotation);
  if (x == nullptr || y == nullptr) return false;
  value = {x->GetValue(), y->GetValue()};
  return true;
}

void TVectorArrow::Drag(const TVector& vector) {
  if (index_ == 0) owner_.SetInitialVelocity(vector);
}

int16_t TVectorArrow::Group() const {
  if (index_ == 0) return kVectorGroupVelocity;
  if (index_ == 1) return kVectorGroupAcceleration;
  return kVectorGroupForce;
}

RGB16Color TVectorArrow::GetColour() { return handler_.GetGroupStyle(Group()).colour; }

bool TVectorArrow::ComputeHead(const TVector& world, TVector& tip) {
  tip = world;
  TVector value{0.0, 0.0};
  if (!GetValue(value) || !IsDefined(value.x) || !IsDefined(value.y)) return false;
  const double scale = handler_.GetGroupStyle(Group()).scale;
  tip = TVector{world.x + scale * value.x, world.y + scale * value.y};
  return true;
}

void TVectorArrow::AddReachedPoints(const TVector& world, std::vector<TVector>& points) {
  TVector tip{0.0, 0.0};
  if (ComputeHead(world, tip)) points.push_back(tip);
}

void TVectorArrow::Draw(const MacPoint& screen, const TVector& world) {
  TVector tip{0.0, 0.0};
  if (!ComputeHead(world, tip)) return;
  MacPoint head;
  owner_.VectorPointToScreen(tip, head);
  uint16_t combine = 0;
  uint16_t startsAtPoint = 1;
  handler_.GetKindPlacement(index_, combine, startsAtPoint);
  SetPortForeColor(GetColour());
  const bool fromPoint = startsAtPoint != 0;
  handler_.DrawArrow(fromPoint ? screen : head, fromPoint ? head : screen,
                     VectorLabelText(static_cast<int16_t>(index_ + 1)), owner_.MarksZeroVectors());
}

bool TVectorArrow::HitTest(const MacPoint& point, const MacPoint& screen, const TVector& world,
                           int16_t& part) {
  TVector tip{0.0, 0.0};
  ComputeHead(world, tip);
  MacPoint head;
  owner_.VectorPointToScreen(tip, head);
  return handler_.HitTestArrow(point, screen, head, part);
}

bool TVectorArrow692::ComputeHead(const TVector& world, TVector& tip) {
  if (!TVectorArrow::ComputeHead(world, tip)) return false;
  uint16_t combine = 0;
  uint16_t startsAtPoint = 1;
  handler_.GetKindPlacement(index_, combine, startsAtPoint);
  if (startsAtPoint == 0) tip = TVector{2.0 * world.x - tip.x, 2.0 * world.y - tip.y};
  return true;
}

bool TVectorArrow::IsDrawnOnlyWithResults() {
  return !(index_ == 0 && owner_.IsBody());
}

void TVectorArrow692::Rebuild() {
  if (!stale_) return;
  for (int i = 0; i < 2; ++i) {
    uint16_t resolved = 0;
    uint16_t fieldVector = 0;
    const Str255 text =
        owner_.BuildVectorFormula(index_, static_cast<int16_t>(i), resolved, fieldVector);
    present_[i] = !text.IsEmpty();
    if (present_[i])
      components_[i].SetFromPieces(text);
    else
      components_[i].SetConstant(0.0);
  }
  stale_ = false;
}

int16_t TVectorArrow692::FormulaCount() {
  Rebuild();
  return static_cast<int16_t>((present_[0] ? 1 : 0) + (present_[1] ? 1 : 0));
}

void TVectorArrow692::LoadValues(const std::function<double()>& next) {
  Rebuild();
  for (int i = 0; i < 2; ++i) {
    if (present_[i]) components_[i].StoreConstant(next());
  }
}

int16_t TVectorArrow692::WriteFormulas(TObjectWriter& writer) {
  Rebuild();
  int16_t count = 0;
  for (int i = 0; i < 2; ++i) {
    if (!present_[i]) continue;
    writer.WriteFormula(&components_[i]);
    ++count;
  }
  return count;
}

bool TVectorArrow692::GetValue(TVector& value) {
  Rebuild();
  value = {components_[0].GetValue(), components_[1].GetValue()};
  return true;
}

// ---- Pair and contact arrows --------------------------------------------------------------------

namespace {

constexpr const char* kTemplates[kVectorTemplateCount] = {
    "^0",
    "^1",
    "^2",
    "^3",
    ".v.",
    ".a.",
    "constraintforce(^1,^0).",
    "constraintforce(^0).",
    "constraintpairs(^1,^0)",
    "constraintforcepair(^1,^0,^2).^3",
    "max(contactpairs(^0),collisionpairs(^0))",
    "contactforcepair(^0,^2).^3+collisionimpulsepair(^0,^2).^3/extdt()",
    "if(contactpair(^0,^2).^3<>0,contactpair(^0,^2).^3,collisionpair(^0,^2).^3)",
    "contactpairs(^0)",
    "frictionforcepair(^0,^2).^3",
    "contactpair(^0,^2).^3",
};

}  // namespace

void ReplaceFirstPlaceholder(Str255& text, const char* placeholder, const Str255& value) {
  const int at = text.PosOfCString(placeholder);
  if (at == 0) return;
  text.Delete(at, 2);
  text.Insert(value, at);
}

Str255 VectorNumberText(int32_t n) {
  Str255 text;
  text.AppendNumber(n);
  return text;
}

const char* VectorFormulaTemplate(int16_t index) {
  return index >= 0 && index < kVectorTemplateCount ? kTemplates[index] : "";
}

const TFormula* TVectorArrow693::FormulaAt(int16_t index) const {
  if (index < 1 || static_cast<size_t>(index) > formulas_.size()) return nullptr;
  return formulas_[static_cast<size_t>(index - 1)].get();
}

double TVectorArrow693::Scale() const { return handler_.GetGroupStyle(Group()).scale; }

bool TVectorArrow693::StartsAtPoint() const {
  uint16_t combine = 0;
  uint16_t startsAtPoint = 1;
  handler_.GetKindPlacement(index_, combine, startsAtPoint);
  return startsAtPoint != 0;
}

bool TVectorArrow693::PrepareList(size_t expected) {
  if (formulas_.size() == expected) return true;
  formulas_.clear();
  return false;
}

void TVectorArrow693::SetFormulaText(const Str255& text, int16_t index, bool reuse) {
  if (text.IsEmpty()) return;
  if (reuse && FormulaAt(index) != nullptr) {
    formulas_[static_cast<size_t>(index - 1)]->SetFromPieces(text);
    return;
  }
  auto formula = std::make_unique<TFormula>();
  formula->SetFromPieces(text);
  formula->StoreConstant(TFormula::kNoValue);
  formulas_.push_back(std::move(formula));
}

void TVectorArrow693::AddPairFormulas(Str255 text, int16_t pair, int16_t first, bool reuse) {
  text.ReplaceAll(Str255("^2"), VectorNumberText(pair));
  for (const char* component : {"x", "y"}) {
    Str255 written = text;
    written.ReplaceAll(Str255("^3"), Str255(component));
    SetFormulaText(written, first, reuse);
    ++first;
  }
}

void TVectorArrow693::Rebuild() {
  if (!stale_) return;
  stale_ = false;
  if (index_ < 6 || index_ > 8) return;
  needsData_ = true;
  dataValid_ = false;
  // Without a field that is set up there is nothing to show, and that is known.
  if (handler_.IsFieldActive(index_) == 0) {
    dataValid_ = true;
    return;
  }
  const int16_t field = handler_.GetFieldNumber(index_);
  if (field == 0) return;
  const bool reuse = PrepareList(kLastForceIndex);
  Str255 count(VectorFormulaTemplate(8));
  Str255 pair(VectorFormulaTemplate(9));
  for (Str255* text : {&count, &pair}) {
    ReplaceFirstPlaceholder(*text, "^1", VectorNumberText(field));
    ReplaceFirstPlaceholder(*text, "^0", VectorNumberText(owner_.GetObjectNumber()));
  }
  SetFormulaText(count, kCountIndex, reuse);
  for (int16_t i = 1; i <= kMaxPairs; ++i)
    AddPairFormulas(pair, i, static_cast<int16_t>(kFirstComponent + 2 * (i - 1)), reuse);
  dataValid_ = true;
}

void TVectorArrow694::Rebuild() {
  if (!stale_) return;
  stale_ = false;
  if (index_ != 9 && index_ != 10) return;
  // Contact formulas are always made afresh.
  formulas_.clear();
  const bool contact = index_ == 9;
  const Str255 owner = owner_.FormulaReference(owner_.IsBody() ? "body" : "point");
  Str255 texts[3] = {Str255(VectorFormulaTemplate(contact ? 10 : 13)),
                     Str255(VectorFormulaTemplate(contact ? 11 : 14)),
                     Str255(VectorFormulaTemplate(contact ? 12 : 15))};
  for (Str255& text : texts)
    text.ReplaceAll(Str255("^0"), owner);
  SetFormulaText(texts[0], kCountIndex, false);
  for (int16_t i = 1; i <= kMaxPairs; ++i)
    AddPairFormulas(texts[1], i, static_cast<int16_t>(kFirstComponent + 2 * (i - 1)), false);
  for (int16_t i = 1; i <= kMaxPairs; ++i)
    AddPairFormulas(texts[2], i, static_cast<int16_t>(kFirstLocation + 2 * (i - 1)), false);
  dataValid_ = true;
}

int16_t TVectorArrow693::FormulaCount() {
  Rebuild();
  return static_cast<int16_t>(formulas_.size());
}

void TVectorArrow693::LoadValues(const std::function<double()>& next) {
  Rebuild();
  for (auto& formula : formulas_)
    formula->StoreConstant(next());
  const TFormula* count = FormulaAt(kCountIndex);
  // An undefined count is no count.
  pairCount_ = count != nullptr && IsDefined(count->GetValue()) ? Round15(count->GetValue()) : 0;
}

int16_t TVectorArrow693::WriteFormulas(TObjectWriter& writer) {
  Rebuild();
  for (auto& formula : formulas_)
    writer.WriteFormula(formula.get());
  return static_cast<int16_t>(formulas_.size());
}

bool TVectorArrow693::GetPairValue(int16_t pair, TVector& value) const {
  const TFormula* x = FormulaAt(static_cast<int16_t>(kFirstComponent + 2 * (pair - 1)));
  const TFormula* y = FormulaAt(static_cast<int16_t>(kFirstComponent + 2 * (pair - 1) + 1));
  if (pair < 1 || pair > kMaxPairs || x == nullptr || y == nullptr) return false;
  value = {x->GetValue(), y->GetValue()};
  if (!StartsAtPoint()) value = {-value.x, -value.y};
  return true;
}

bool TVectorArrow693::ComputePairTip(int16_t pair, TVector& tip, const TVector& start) const {
  TVector value{0.0, 0.0};
  if (!GetPairValue(pair, value) || !IsDefined(value.x) || !IsDefined(value.y)) return false;
  const double scale = Scale();
  tip = {start.x + scale * value.x, start.y + scale * value.y};
  return true;
}

bool TVectorArrow694::GetPairLocation(int16_t pair, TVector& location) const {
  if (pair < 1 || pair > kMaxPairs) return false;
  const TFormula* x = FormulaAt(static_cast<int16_t>(kFirstLocation + 2 * (pair - 1)));
  const TFormula* y = FormulaAt(static_cast<int16_t>(kFirstLocation + 2 * (pair - 1) + 1));
  if (x == nullptr || y == nullptr || !IsDefined(x->GetValue()) || !IsDefined(y->GetValue()))
    return false;
  location = {x->GetValue(), y->GetValue()};
  return true;
}

bool TVectorArrow694::IsCombined() const {
  uint16_t combine = 0;
  uint16_t startsAtPoint = 1;
  handler_.GetKindPlacement(index_, combine, startsAtPoint);
  return combine != 0;
}

void TVectorArrow693::DrawOrdered(const MacPoint& start, const TVector& tip) {
  MacPoint head;
  owner_.VectorPointToScreen(tip, head);
  const bool fromPoint = StartsAtPoint();
  handler_.DrawArrow(fromPoint ? start : head, fromPoint ? head : start,
                     VectorLabelText(static_cast<int16_t>(index_ + 1)), owner_.MarksZeroVectors());
}

void TVectorArrow693::ForEachSegment(const TVector& world, const SegmentVisitor& visit) const {
  const int16_t last = std::min(pairCount_, kMaxPairs);
  for (int16_t i = 1; i <= last; ++i) {
    TVector tip{0.0, 0.0};
    if (ComputePairTip(i, tip, world)) visit(nullptr, tip);
  }
}

void TVectorArrow693::AddReachedPoints(const TVector& world, std::vector<TVector>& points) {
  if (needsData_ && !dataValid_) return;
  ForEachSegment(world, [&points](const TVector* start, const TVector& tip) {
    if (start != nullptr) points.push_back(*start);
    points.push_back(tip);
  });
}

void TVectorArrow693::Draw(const MacPoint& screen, const TVector& world) {
  Rebuild();
  if (!needsData_ || !dataValid_) return;
  SetPortForeColor(GetColour());
  // No pairs: a zero-length arrow, which shows as the short mark.
  if (pairCount_ <= 0) {
    DrawOrdered(screen, world);
    return;
  }
  ForEachSegment(world, [&](const TVector*, const TVector& tip) { DrawOrdered(screen, tip); });
}

void TVectorArrow694::ForEachSegment(const TVector& world, const SegmentVisitor& visit) const {
  const int16_t last = std::min(pairCount_, kMaxPairs);
  if (IsCombined()) {
    TVector sum{0.0, 0.0};
    for (int16_t i = 1; i <= last; ++i) {
      TVector value{0.0, 0.0};
      if (!GetPairValue(i, value) || !IsDefined(value.x) || !IsDefined(value.y)) continue;
      sum = {sum.x + value.x, sum.y + value.y};
    }
    const double scale = Scale();
    if (last > 0) visit(nullptr, TVector{world.x + scale * sum.x, world.y + scale * sum.y});
    return;
  }
  for (int16_t i = 1; i <= last; ++i) {
    TVector location{0.0, 0.0};
    TVector tip{0.0, 0.0};
    if (GetPairLocation(i, location) && ComputePairTip(i, tip, location)) visit(&location, tip);
  }
}

void TVectorArrow694::Draw(const MacPoint& screen, const TVector& world) {
  Rebuild();
  if ((needsData_ && !dataValid_) || pairCount_ <= 0) return;
  SetPortForeColor(GetColour());
  ForEachSegment(world, [&](const TVector* location, const TVector& tip) {
    MacPoint start = screen;
    if (location != nullptr) owner_.VectorPointToScreen(*location, start);
    DrawOrdered(start, tip);
  });
}
