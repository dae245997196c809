// What the arrows do for the vector bases: hold, count, file and load their formulas.

#include "bodies/vectors/VectorArrows.h"

#include <cmath>

#include "bodies/vectors/VectorThing.h"
#include "core/port/Port.h"
#include "core/port/PortShapes.h"
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
