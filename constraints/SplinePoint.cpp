// The spline point: the frame of a curved slot's curve, its table reference for the solver, and
// the blocks it files.

#include "constraints/SplinePoint.h"

#include "bodies/Body.h"
#include "bodies/Table.h"
#include "constraints/CurvedSlot.h"
#include "model/filing/ObjectReader.h"
#include "model/filing/ObjectWriter.h"

namespace {

constexpr int16_t kNoObject = -1;

}  // namespace

TObject* TSplinePoint::CreateObject() { return new TSplinePoint; }

void TSplinePoint::Initialize() {
  table_ = nullptr;
  splineType_ = 0;
  TPoint::Initialize();
  legacy1_ = TFormula::New();
  legacy2_ = TFormula::New();
  legacy3_ = TFormula::New();
}

// ---- Frame -------------------------------------------------------------------------------------

Transform2D TSplinePoint::GetFrame() const { return Transform2D(GetLocalPosition()); }

Transform2D TSplinePoint::GetInverseFrame() const { return GetFrame().Inverse(); }

TVector TSplinePoint::ScreenToPoint(const MacPoint& mouse) const {
  TVector p = TVector::FromPoint(mouse);
  if (TMass* body = GetBody()) p = body->ScreenToLocal(mouse);
  return Transform2D::ApplyToVector(GetInverseFrame(), p);
}

// ---- The curve it carries ------------------------------------------------------------------------

TCurvedSlot* TSplinePoint::GetCurvedSlot() {
  TList* list = Constraints();
  if (list == nullptr) return nullptr;
  for (int32_t i = 1; i <= list->GetCount(); ++i)
    if (auto* slot = dynamic_cast<TCurvedSlot*>(list->At(i))) return slot;
  return nullptr;
}

void TSplinePoint::SetPointTable(TTable* table) {
  if (table == table_) return;
  table_ = static_cast<TTable*>(SetDependent(table_, table));
  Changed();
}

void TSplinePoint::SetSplineType(int32_t type) {
  if (type == splineType_) return;
  splineType_ = type;
  InvalidateCache();
  Changed();
}

int32_t TSplinePoint::ControlPointCount() {
  TCurvedSlot* slot = GetCurvedSlot();
  return slot != nullptr ? slot->ControlPointCount() : 0;
}

void TSplinePoint::SetRotation(double angle) {
  TPoint::SetRotation(angle);
  PositionChanged();
}

void TSplinePoint::ObjectRemoved(TLink* object) {
  if (object != nullptr && object == table_) table_ = nullptr;
  TPoint::ObjectRemoved(object);
}

void TSplinePoint::FormulaChanged(TFormula* formula) {
  if (formula == legacy1_.get() || formula == legacy2_.get() || formula == legacy3_.get()) {
    PositionChanged();
    ForEachLinked(0);
    return;
  }
  TPoint::FormulaChanged(formula);
}

// ---- Filing --------------------------------------------------------------------------------------

void TSplinePoint::WriteFields(TObjectWriter& writer) {
  writer.WriteBlock(*this, kBlockSpline);
  TPoint::WriteFields(writer);
}

void TSplinePoint::WriteBlockContents(int16_t code, TObjectWriter& writer) {
  if (code != kBlockSpline) return TPoint::WriteBlockContents(code, writer);
  writer.WriteCode(splineType_);
  writer.WriteCode(table_ != nullptr ? table_->GetIdentifier() : kNoObject);
}

uint16_t TSplinePoint::ReadBlockContents(int16_t code, TObjectReader& reader) {
  switch (code) {
    case kBlockSpline:
      SetSplineType(reader.ReadInt() != 0 ? 1 : 0);
      reader.ReadReference(*this, 0);
      InvalidateCache();
      return 1;
    case kBlockLegacyQuantities:
      reader.ReadFormula(*legacy1_);
      reader.ReadFormula(*legacy2_);
      reader.ReadFormula(*legacy3_);
      FormulaChanged(legacy1_.get());
      return 1;
    default:
      return TPoint::ReadBlockContents(code, reader);
  }
}

// A reference to anything but a table leaves the point without one.
void TSplinePoint::ResolveReference(TObjectReader& reader, int16_t code, uint16_t kind,
                                    TLink* object) {
  if (code != kBlockSpline) return TPoint::ResolveReference(reader, code, kind, object);
  SetPointTable(object != nullptr && object->IsMemberClass(TTable::kClassID)
                    ? static_cast<TTable*>(object)
                    : nullptr);
}
