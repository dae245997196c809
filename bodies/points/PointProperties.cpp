// TPoint properties: local coordinates as formulas, world coordinates as values, the names of
// its body and constraint, the four rows of the property table and coordinates from inputs.

#include "bodies/Body.h"
#include "bodies/points/Point.h"
#include "core/Resources.h"
#include "model/world/WorldDoc.h"
#include "simulation/UnitHandler.h"

namespace {

constexpr uint32_t kTagBodyName = MakeTag("mass");
constexpr uint32_t kTagConstraintName = MakeTag("cstr");
constexpr uint32_t kTagConstraintNote = MakeTag("PaOf");
constexpr uint32_t kTagTrackConstraint = MakeTag(" Tt ");
constexpr int16_t kNoteList = 10000;
constexpr int16_t kNoteEntry = 10;
constexpr int16_t kConstraintForceVector = 2;

bool IsWorldTag(uint32_t tag) {
  return tag == kTagWorldX || tag == kTagWorldY || tag == kTagWorldR;
}

bool IsCoordinateTag(uint32_t tag) {
  return tag == kTagLocalX || tag == kTagLocalY || tag == kTagLocalR || IsWorldTag(tag);
}

}  // namespace

bool TPoint::HasPointTag(uint32_t tag) const {
  return IsCoordinateTag(tag);
}

TFormula* TPoint::GetFormulaProperty(uint32_t tag, double* first, double* second,
                                     int32_t* dimension, uint16_t* flag) {
  TFormula* formula = nullptr;
  int32_t code = kDimLength;
  if (tag == kTagLocalX) formula = x_.get();
  if (tag == kTagLocalY) formula = y_.get();
  if (tag == kTagLocalR) {
    formula = rotation_.get();
    code = kDimAngle;
  }
  if (formula == nullptr)
    return TVectorPointBase::GetFormulaProperty(tag, first, second, dimension, flag);
  if (dimension != nullptr) *dimension = code;
  return formula;
}

void TPoint::SetFormulaProperty(uint32_t tag, const TFormula& formula) {
  if (IsWorldTag(tag)) return SetValueProperty(tag, formula.GetValue());
  TFormula* target = tag == kTagLocalX   ? x_.get()
                     : tag == kTagLocalY ? y_.get()
                     : tag == kTagLocalR ? rotation_.get()
                                         : nullptr;
  if (target == nullptr) return;
  AssignFormula(formula, *target);
  // A new rotation moves nothing the world places.
  if (tag == kTagLocalR) return;
  if (TWorldDoc* world = GetWorld()) PointChangedInWorld(*world, *this, 1);
}

uint16_t TPoint::GetValueProperty(uint32_t tag, double& value, int32_t& dimension,
                                  uint16_t& editable) {
  if (!IsWorldTag(tag)) return 0;
  editable = HasFixingConstraint() ? 0 : 1;
  if (tag == kTagWorldR) {
    value = GetWorldRotation();
    dimension = kDimAngle;
    if (rotation_->IsFormula()) editable = 0;
    return 1;
  }
  if (x_->IsFormula() || y_->IsFormula()) return 0;
  const TVector world = GetWorldXY();
  value = tag == kTagWorldX ? world.x : world.y;
  dimension = kDimLength;
  return 1;
}

void TPoint::SetValueProperty(uint32_t tag, double value) {
  if (!IsWorldTag(tag) || HasFixingConstraint()) return;
  TVector3 position = GetWorldPosition();
  if (tag == kTagWorldX) position.x = value;
  if (tag == kTagWorldY) position.y = value;
  if (tag == kTagWorldR) position.r = value;
  SetWorldPosition(position);
  ForEachLinked(1);
  if (TWorldDoc* world = GetWorld()) PointChangedInWorld(*world, *this, 1);
}

uint16_t TPoint::GetNumberProperty(uint32_t tag, double& value, void* extra) {
  if (!IsWorldTag(tag)) return TVectorPointBase::GetNumberProperty(tag, value, extra);
  int32_t dimension = 0;
  uint16_t editable = 0;
  return GetValueProperty(tag, value, dimension, editable);
}

void TPoint::SetNumberProperty(uint32_t tag, const double& value) {
  if (IsWorldTag(tag)) return SetValueProperty(tag, value);
  TVectorPointBase::SetNumberProperty(tag, value);
}

void TPoint::SetPropertyFromFormula(uint32_t tag, const TFormula& formula) {
  if (tag == kTagLocalX || tag == kTagLocalY) return SetFormulaProperty(tag, formula);
  if (tag == kTagWorldX || tag == kTagWorldY) return SetValueProperty(tag, formula.GetValue());
  SetFormulaProperty(tag, formula);
}

uint16_t TPoint::GetStringProperty(uint32_t tag, Str255& value, void* extra) {
  if (tag == kTagBodyName) {
    if (body_ == nullptr) return 0;
    value = body_->GetName();
    return 1;
  }
  if (tag == kTagConstraintName) {
    value = Str255();
    if (ConstraintCount() > 0) {
      TObject* first = constraints_->At(1);
      if (first != nullptr && first->IsMemberClass(TNamedLink::kClassID))
        value = static_cast<TNamedLink*>(first)->GetName();
    }
    return 1;
  }
  if (tag == kTagConstraintNote) {
    value = Str255();
    if (ConstraintCount() > 0) LookupIndString(value, kNoteList, kNoteEntry);
    return 1;
  }
  return TVectorPointBase::GetStringProperty(tag, value, extra);
}

uint16_t TPoint::GetFlagProperty(uint32_t tag, uint16_t& value, void* extra) {
  if (tag != kTagTrackConstraint) return TVectorPointBase::GetFlagProperty(tag, value, extra);
  value = IsVectorShown(kConstraintForceVector);
  if (extra != nullptr) *static_cast<uint16_t*>(extra) = ConstraintCount() > 0 ? 1 : 0;
  return 1;
}

uint32_t TPoint::GetRowTag(int16_t row) const {
  switch (row) {
    case kRowLocalX: return kTagLocalX;
    case kRowLocalY: return kTagLocalY;
    case kRowWorldX: return kTagWorldX;
    case kRowWorldY: return kTagWorldY;
    default: return 0;
  }
}

uint16_t TPoint::GetPropertyRow(int16_t row, TPositionField& field, uint16_t& paired) {
  field.present = 0;
  paired = 0;
  switch (row) {
    case kRowLocalX:
    case kRowLocalY:
      field.formula = GetFormulaProperty(GetRowTag(row), nullptr, nullptr, &field.unitKind,
                                         nullptr);
      field.value = field.formula->GetValue();
      field.present = 1;
      paired = row == kRowLocalY ? 1 : 0;
      field.label = TMass::BodyLabel(row == kRowLocalX ? 3443 : 3444);
      return 1;
    case kRowWorldX:
    case kRowWorldY: {
      uint16_t editable = 0;
      field.formula = nullptr;
      field.present = GetValueProperty(GetRowTag(row), field.value, field.unitKind, editable);
      field.label = TMass::BodyLabel(row == kRowWorldX ? 3445 : 3446);
      return 1;
    }
    default:
      return 0;
  }
}

uint16_t TPoint::AttachInput(int16_t code, const Str255& first, const Str255& second,
                             double& value, double& value2) {
  TWorldDoc* world = GetWorld();
  TWorldUnitHandler* units = nullptr;
  if (world != nullptr && world->GetUnitHandler() != nullptr &&
      world->GetUnitHandler()->IsMemberClass(TWorldUnitHandler::kClassID))
    units = static_cast<TWorldUnitHandler*>(world->GetUnitHandler());
  // The formula takes the input's text in the world's units; its current value comes back in
  // display units. Until the world evaluates the formula it keeps the value it had, so the point
  // stays where it is instead of losing its place.
  const auto bind = [this, units](TFormula& formula, const Str255& text, double& out,
                                  int32_t dimension) {
    const double before = formula.GetValue();
    if (!formula.IsFormula()) out = before;
    formula.SetFormattedText(text, units, dimension);
    if (formula.GetValue() == TFormula::kNoValue) formula.StoreConstant(before);
    FormulaChanged(&formula);
    if (units != nullptr) units->ConvertToDisplay(dimension, &out);
  };
  switch (code) {
    case kInputPointX: bind(*x_, first, value, kDimLength); return 1;
    case kInputPointY: bind(*y_, first, value, kDimLength); return 1;
    case kInputPointR: bind(*rotation_, first, value, kDimAngle); return 1;
    case kInputPointXY:
      bind(*x_, first, value, kDimLength);
      bind(*y_, second, value2, kDimLength);
      return 1;
    default: return 0;
  }
}

void TPoint::ReportPropertyBlocks(uint32_t tag, uint16_t& found, BlockCallback blockCallback,
                                  ObjectCallback objectCallback, void* blockContext,
                                  void* objectContext) {
  if (tag != kTagFormulaBlocks) {
    return TVectorPointBase::ReportPropertyBlocks(tag, found, blockCallback, objectCallback,
                                                  blockContext, objectContext);
  }
  ReportFormulaBlocks(blockCallback, blockContext);
  found = 1;
  if (objectCallback != nullptr) objectCallback(objectContext);
}

void TPoint::ReportPositionBlocks(BlockCallback blockCallback, void* blockContext) {
  ReportFormulaBlocks(blockCallback, blockContext);
}

void TPoint::LinkPropertyUser(uint32_t tagOrRow, TLink* user) {
  if (user == nullptr) return;
  AddDependent(user);
  const bool row = tagOrRow >= kRowLocalX && tagOrRow <= kRowWorldY;
  if (!row && !IsCoordinateTag(tagOrRow) && tagOrRow != kTagSecondX && tagOrRow != kTagSecondY)
    return;
  if (body_ != nullptr) user->AddDependent(body_);
  ForEachConstraint([user](TPointConstraintHooks& hooks, TLink*) {
    for (TPoint* held : hooks.OwnPoints())
      if (TMass* body = held != nullptr ? held->GetBody() : nullptr) user->AddDependent(body);
  });
}

void TPoint::ReportFormulaBlocks(BlockCallback callback, void* context) {
  if (callback != nullptr) callback(kBlockPositionValues, context);
}

void TPoint::ForEachFormula(void (*function)(TFormula*, void*), void* context) {
  for (TFormula* formula : {x_.get(), y_.get(), rotation_.get()})
    function(formula, context);
}
