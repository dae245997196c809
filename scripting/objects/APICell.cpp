#include "scripting/objects/APICell.h"

#include <string>

#include "model/Formula.h"
#include "model/Link.h"
#include "model/world/QVDoc.h"
#include "scripting/document/APIDocument.h"
#include "scripting/host/CallFrame.h"
#include "scripting/objects/ObjectSupport.h"
#include "simulation/UnitHandler.h"

IMPLEMENT_DYNAMIC(TAPICell, TAPIDispatcher)

TAPICell::TAPICell(TAPICallLog* callLog, TFormula* target, TAPIDispatcher* parent)
    : TAPIDispatcher(callLog, target, parent) {
  SetTag(kTag);
}

TAPICell::~TAPICell() {
  if (bound() && Quantity() != nullptr) Quantity()->ForgetAPICell();
}

bool TAPICell::IsKindOfTag(uint32_t tag) const {
  return tag == kTag || TAPIDispatcher::IsKindOfTag(tag);
}

const Str31& TAPICell::GetClassName() const {
  static const Str31 name("TAPICell");
  return name;
}

void TAPICell::Bind(uint32_t tag, double first, double second, int32_t dimension, uint16_t flag) {
  propertyTag_ = tag;
  first_ = first;
  second_ = second;
  dimension_ = dimension;
  flag_ = flag;
}

TFormula* TAPICell::Quantity() const {
  return static_cast<TFormula*>(target());
}

TLink* TAPICell::Owner() const {
  if (parent() == nullptr) return nullptr;
  // A document's cells belong to its world.
  if (parent()->HasTag(TAPIDocument::kTag)) {
    TQVDoc* document = static_cast<TAPIDocument*>(parent())->Document();
    return document != nullptr ? &document->World() : nullptr;
  }
  // Of the other objects only the world objects' have a world object as their target.
  if (!parent()->IsKindOfTag(MakeTag("APLi"))) return nullptr;
  auto* owner = static_cast<TObject*>(parent()->target());
  return IsKindOfSafe(owner, TLink::kClassID) ? static_cast<TLink*>(owner) : nullptr;
}

TFormula* TAPICell::AskOwner() {
  TLink* owner = Owner();
  if (owner == nullptr) return nullptr;
  return owner->GetFormulaProperty(propertyTag_, &first_, &second_, &dimension_, &flag_);
}

APIResult TAPICell::GetFormula(Str255& text) {
  TAPICallContext context(this, "");
  text = "";
  if (!IsKindOfSafe(Quantity(), TFormula::kClassID) || Owner() == nullptr) {
    context.Fail(kAPINoTarget);
    return context.Result();
  }
  const TFormula* quantity = AskOwner();
  if (quantity == nullptr || !quantity->IsFormula()) return context.Result();
  Str255 stored;
  quantity->GetText(stored);
  std::string shown;
  for (const TFormulaToken& token :
       TokenizeFormula(std::string_view(stored.Chars(), stored.Length())))
    shown += token.text;
  text = shown.c_str();
  return context.Result();
}

APIResult TAPICell::SetFormula(const Str255& text) {
  TAPICallContext context(this, "");
  if (!IsKindOfSafe(Quantity(), TFormula::kClassID) || Owner() == nullptr) {
    context.Fail(kAPINoTarget);
    return context.Result();
  }
  TLink* owner = Owner();
  if (WorldOfObject(owner) == nullptr || AskOwner() == nullptr) return context.Result();
  std::unique_ptr<TFormula> formula = TFormula::New();
  // A text that does not compile changes nothing, and the script is told.
  if (formula->SetFormattedText(text, UnitHandlerOf(owner), dimension_) != 0) {
    context.Fail(kAPIBadParameter);
    return context.Result();
  }
  ApplyFormulaProperty(*owner, propertyTag_, *formula);
  return context.Result();
}

APIResult TAPICell::GetValue(double& value) {
  TAPICallContext context(this, "");
  value = 0.0;
  if (!IsKindOfSafe(Quantity(), TFormula::kClassID) || Owner() == nullptr) {
    context.Fail(kAPINoTarget);
    return context.Result();
  }
  value = Quantity()->GetValue() * ToDisplayFactor(Owner(), dimension_);
  return context.Result();
}

APIResult TAPICell::SetValue(double value) {
  TAPICallContext context(this, "");
  if (!IsKindOfSafe(Quantity(), TFormula::kClassID) || Owner() == nullptr) {
    context.Fail(kAPINoTarget);
    return context.Result();
  }
  TLink* owner = Owner();
  if (WorldOfObject(owner) == nullptr) return context.Result();
  std::unique_ptr<TFormula> constant = TFormula::New();
  constant->SetConstant(value * FromDisplayFactor(owner, dimension_));
  ApplyFormulaProperty(*owner, propertyTag_, *constant);
  return context.Result();
}

TAPICell* CellOfProperty(TLink* owner, uint32_t tag, TAPIDispatcher* ownerObject) {
  if (owner == nullptr) return nullptr;
  double first = 0.0;
  double second = 0.0;
  int32_t dimension = 0;
  uint16_t flag = 1;
  TFormula* quantity = owner->GetFormulaProperty(tag, &first, &second, &dimension, &flag);
  if (quantity == nullptr) return nullptr;
  auto* cell = static_cast<TAPICell*>(quantity->GetAPICell(ownerObject));
  if (cell != nullptr) cell->Bind(tag, first, second, dimension, flag);
  return cell;
}
