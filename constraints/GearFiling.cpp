// Filing of the gear: its own block 5404 (settings and companions), the kind block 5403 (the
// two-point quantity, the rod and the ratio), its record 1310 with the rod in place of the
// activation condition, and the fix-ups that join the gear to its companions.

#include "bodies/points/Point.h"
#include "constraints/Gear.h"
#include "core/Failure.h"
#include "model/filing/ObjectReader.h"
#include "model/filing/ObjectWriter.h"
#include "model/world/WorldDoc.h"

namespace {

constexpr int16_t kNoObject = -1;
constexpr int16_t kErrBadData = -25002;
// Reference kinds of block 5404: the contact constraint, then the two contact points.
constexpr uint16_t kRefContact = 1;
constexpr uint16_t kRefFirstPoint = 2;
constexpr uint16_t kRefSecondPoint = 3;
// The related object's reference kind in block 1310, as the constraint root reads it.
constexpr uint16_t kRefRelated = 1;

int32_t IdentifierOf(const TLink* object) {
  return object != nullptr ? object->GetIdentifier() : kNoObject;
}

}  // namespace

void TGear::WriteFields(TObjectWriter& writer) {
  if (IsRatioAutomatic()) ApplyAutomaticRatio();
  writer.WriteBlock(*this, kBlockGear);
  TTwoPointConstraint::WriteFields(writer);
}

void TGear::WriteTo(TObjectWriter& writer, int16_t flag) {
  TTwoPointConstraint::WriteTo(writer, flag);
  if (contact_ != nullptr) contact_->WriteTo(writer, flag);
  if (firstPoint_ != nullptr) firstPoint_->WriteTo(writer, flag);
  if (secondPoint_ != nullptr) secondPoint_->WriteTo(writer, flag);
}

void TGear::WriteKindBlock(TObjectWriter& writer) {
  TTwoPointConstraint::WriteKindBlock(writer);
  writer.WriteFormula(rod_.get());
  writer.WriteFormula(ratio_.get());
}

void TGear::ReadKindBlock(TObjectReader& reader) {
  TTwoPointConstraint::ReadKindBlock(reader);
  reader.ReadFormula(*rod_);
  reader.ReadFormula(*ratio_);
}

void TGear::WriteBlockContents(int16_t code, TObjectWriter& writer) {
  if (code != kBlockGear) return TTwoPointConstraint::WriteBlockContents(code, writer);
  writer.WriteFormula(&Activation());
  writer.WriteCode(rodAlwaysActive_);
  writer.WriteCode(ratioAutomatic_);
  writer.WriteCode(internal_);
  writer.WriteCode(internalIndex_);
  writer.WriteCode(showCentres_);
  writer.WriteCode(showRod_);
  writer.WriteCode(IdentifierOf(contact_));
  writer.WriteCode(IdentifierOf(firstPoint_));
  writer.WriteCode(IdentifierOf(secondPoint_));
}

uint16_t TGear::ReadBlockContents(int16_t code, TObjectReader& reader) {
  if (code == kBlockRecord) {
    ReadRecord(reader);
    return 1;
  }
  if (code != kBlockGear) return TTwoPointConstraint::ReadBlockContents(code, reader);
  reader.ReadFormula(Activation());
  QuantityChanged(&Activation());
  rodAlwaysActive_ = reader.ReadInt() != 0 ? 1 : 0;
  ratioAutomatic_ = reader.ReadInt() != 0 ? 1 : 0;
  internal_ = reader.ReadInt() != 0 ? 1 : 0;
  const int32_t index = reader.ReadInt();
  internalIndex_ = static_cast<int16_t>(index == 1 || index == 2 ? index : 0);
  showCentres_ = reader.ReadInt() != 0 ? 1 : 0;
  showRod_ = reader.ReadInt() != 0 ? 1 : 0;
  reader.ReadReference(*this, kRefContact);
  reader.ReadReference(*this, kRefFirstPoint);
  reader.ReadReference(*this, kRefSecondPoint);
  return 1;
}

// The constraint record with the rod quantity where other constraints file their activation.
void TGear::WriteRecord(TObjectWriter& writer) {
  PrepareGoals();
  writer.WriteCode(IdentifierOf(RelatedObjectQuery()));
  writer.WriteFormula(&PrimaryQuantity());
  writer.WriteFormula(rod_.get());
  writer.WriteCode(GetConditionMode());
  writer.WriteCode(IdentifierOf(GetRelatedObject()));
  writer.WriteFormula(&SecondQuantity());
  WriteAttachedList(writer);
  writer.WriteCode(static_cast<int32_t>(Goals().size()));
  for (const auto& goal : Goals())
    goal->Write(writer);
}

void TGear::ReadRecord(TObjectReader& reader) {
  reader.ReadInt();
  TFormula primary;
  reader.ReadFormula(primary);
  if (GetPrimaryObject() != nullptr && (primary.IsFormula() || primary.IsNonZeroConstant()))
    SetPrimaryQuantity(&primary);
  reader.ReadFormula(*rod_);
  QuantityChanged(rod_.get());
  SetConditionMode(static_cast<int16_t>(reader.ReadInt()));
  reader.ReadReference(*this, kRefRelated);
  reader.ReadFormula(SecondQuantity());
  ReadAttachedList(reader);
  const int32_t goals = reader.ReadInt();
  if (goals < 0) ThrowFailure(kErrBadData, 0);
  ReadGoals(goals, reader);
  MarkChanged();
}

void TGear::ResolveReference(TObjectReader& reader, int16_t code, uint16_t kind, TLink* object) {
  if (code == kBlockGear) {
    if (kind == kRefContact) {
      if (auto* contact = dynamic_cast<TGearCnstr*>(object)) SetContact(contact);
    } else if (kind == kRefFirstPoint || kind == kRefSecondPoint) {
      if (auto* point = dynamic_cast<TGearCnstrPoint*>(object))
        SetContactPoint(kind == kRefFirstPoint ? 0 : 1, point);
    }
    return;
  }
  // An attached point found after the companions reaches its contact point when it is attached.
  TTwoPointConstraint::ResolveReference(reader, code, kind, object);
}

// ---- Recorded values -------------------------------------------------------------------------

std::vector<TFormula*> TGear::RecordedQuantities() const {
  std::vector<TFormula*> quantities;
  for (TFormula* quantity : {rod_.get(), ratio_.get()}) {
    if (quantity->IsFormula()) quantities.push_back(quantity);
  }
  return quantities;
}

int32_t TGear::CountElements() {
  return TTwoPointConstraint::CountElements() + static_cast<int32_t>(RecordedQuantities().size());
}

void TGear::WriteElements(TObjectWriter& writer) {
  for (const TFormula* quantity : RecordedQuantities())
    writer.WriteFormula(quantity);
  TTwoPointConstraint::WriteElements(writer);
}

void TGear::FrameChanged(int16_t frame, int16_t first, int16_t last) {
  TWorldDoc* world = GetWorld();
  TFrameStore* store = world != nullptr ? world->GetStore() : nullptr;
  if (store == nullptr || frame < 0 || frame < first || frame > last) return;
  const int32_t offset = world->RecordedValueOffset(this);
  if (offset < 0) return;
  // A quantity that became a formula after the frames were recorded has no value in them.
  const int32_t recorded = world->RecordLayout().RecordedCount(this);
  const std::vector<TFormula*> quantities = RecordedQuantities();
  for (int32_t i = 0; i < recorded && i < static_cast<int32_t>(quantities.size()); ++i)
    quantities[static_cast<size_t>(i)]->StoreConstant(store->Value(frame, offset + i));
}
