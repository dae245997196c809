// The gear's companions: the contact constraint, filed as a constraint record between the two
// contact points with the gear's activation, and the contact points, filed as points whose place
// in their body is given by the gear's formula texts. Registration of the gear classes.

#include "bodies/Body.h"
#include "bodies/points/Point.h"
#include "constraints/Gear.h"
#include "core/ClassRegistry.h"
#include "core/Failure.h"
#include "model/filing/ObjectReader.h"
#include "model/filing/ObjectWriter.h"

namespace {

constexpr int16_t kNoObject = -1;
constexpr int16_t kErrBadData = -25002;
constexpr uint16_t kRefRelated = 1;
constexpr uint16_t kRefFirstPoint = 2;
constexpr uint16_t kRefSecondPoint = 3;

int32_t IdentifierOf(const TLink* object) {
  return object != nullptr ? object->GetIdentifier() : kNoObject;
}

// What a record without a gear files for its quantities: a defined 0, never a missing quantity.
const TFormula& ZeroQuantity() {
  static const TFormula kZero(0.0);
  return kZero;
}

}  // namespace

void RegisterGearClasses() {
  RegisterClassInfo("TGear", kGearTag, TGear::kClassID, TGear::CreateObject, sizeof(TGear));
  RegisterClassInfo("TGearCnstr", kGearContactTag, TGearCnstr::kClassID, TGearCnstr::CreateObject,
                    sizeof(TGearCnstr));
  RegisterClassInfo("TGearCnstrPoint", kGearContactPointTag, TGearCnstrPoint::kClassID,
                    TGearCnstrPoint::CreateObject, sizeof(TGearCnstrPoint));
}

// ---- TGearCnstr ------------------------------------------------------------------------------

TObject* TGearCnstr::CreateObject() {
  return new TGearCnstr;
}

void TGearCnstr::Initialize() {
  owner_ = nullptr;
  goal_ = std::make_unique<TCnstrGoal>();
  goal_->Clear();
  TLink::Initialize();
}

void TGearCnstr::ObjectRemoved(TLink* object) {
  if (object != nullptr && object == owner_) owner_ = nullptr;
  TLink::ObjectRemoved(object);
}

void TGearCnstr::WriteFields(TObjectWriter& writer) {
  // The record carries the gear's state as it is now; a pair that cannot mesh is refused where
  // it is edited, not here.
  if (owner_ != nullptr && owner_->IsRatioAutomatic()) owner_->ApplyAutomaticRatio();
  writer.WriteBlock(*this, kBlockMarker);
  writer.WriteBlock(*this, TCnstr::kBlockRecord);
  TLink::WriteFields(writer);
}

void TGearCnstr::WriteRecord(TObjectWriter& writer) {
  TGear* const gear = owner_;
  writer.WriteCode(IdentifierOf(gear != nullptr ? gear->RelatedObjectQuery() : nullptr));
  writer.WriteFormula(gear != nullptr ? &gear->PrimaryQuantity() : &ZeroQuantity());
  writer.WriteFormula(gear != nullptr ? &gear->Activation() : &ZeroQuantity());
  writer.WriteCode(gear != nullptr ? gear->GetConditionMode() : 0);
  writer.WriteCode(IdentifierOf(gear != nullptr ? gear->GetRelatedObject() : nullptr));
  writer.WriteFormula(gear != nullptr ? &gear->SecondQuantity() : &ZeroQuantity());
  writer.WriteCode(2);
  writer.WriteCode(IdentifierOf(gear != nullptr ? gear->GetFirstContactPoint() : nullptr));
  writer.WriteCode(IdentifierOf(gear != nullptr ? gear->GetSecondContactPoint() : nullptr));
  const bool withGoal = goal_ != nullptr && (gear == nullptr || gear->IsInactive());
  writer.WriteCode(withGoal ? 1 : 0);
  if (!withGoal) return;
  goal_->type = static_cast<int32_t>(GoalType::kPosition);
  goal_->limit = 0;
  goal_->component = static_cast<int32_t>(GoalComponent::kY);
  goal_->Write(writer);
}

void TGearCnstr::ReadRecord(TObjectReader& reader) {
  TFormula dropped;
  reader.ReadInt();
  reader.ReadFormula(dropped);
  reader.ReadFormula(dropped);
  reader.ReadInt();
  reader.ReadReference(*this, kRefRelated);
  reader.ReadFormula(dropped);
  const int32_t count = reader.ReadInt();
  if (count < 0) ThrowFailure(kErrBadData, 0);
  for (int32_t i = 0; i < count; ++i)
    reader.ReadReference(*this, i == 0 ? kRefFirstPoint : kRefSecondPoint);
  const int32_t goals = reader.ReadInt();
  if (goals < 0) ThrowFailure(kErrBadData, 0);
  // One goal is kept; any further one is read past.
  for (int32_t i = 0; i < goals; ++i) {
    if (i == 0)
      goal_->Read(reader);
    else
      SharedGoalPrototype().Read(reader);
  }
}

void TGearCnstr::WriteBlockContents(int16_t code, TObjectWriter& writer) {
  if (code == kBlockMarker) return;
  if (code == TCnstr::kBlockRecord) return WriteRecord(writer);
  TLink::WriteBlockContents(code, writer);
}

uint16_t TGearCnstr::ReadBlockContents(int16_t code, TObjectReader& reader) {
  if (code == kBlockMarker) return 1;
  if (code == TCnstr::kBlockRecord) {
    ReadRecord(reader);
    return 1;
  }
  return TLink::ReadBlockContents(code, reader);
}

// ---- TGearCnstrPoint -------------------------------------------------------------------------

TObject* TGearCnstrPoint::CreateObject() {
  return new TGearCnstrPoint;
}

void TGearCnstrPoint::Initialize() {
  owner_ = nullptr;
  x_ = TFormula::New();
  y_ = TFormula::New();
  r_ = TFormula::New();
  attached_ = nullptr;
  TLink::Initialize();
}

TPoint* TGearCnstrPoint::GetAttachedPoint() const {
  if (attached_ == nullptr || GetIdentityIndex(attached_) == -1) return nullptr;
  return attached_;
}

void TGearCnstrPoint::SetAttachedPoint(TPoint* point) {
  if (attached_ == point) return;
  if (GetAttachedPoint() != nullptr) RemoveDependent(attached_);
  attached_ = point;
  if (point != nullptr) AddDependent(point);
}

void TGearCnstrPoint::ObjectRemoved(TLink* object) {
  if (object != nullptr) {
    if (object == owner_) owner_ = nullptr;
    if (object == attached_) attached_ = nullptr;
  }
  TLink::ObjectRemoved(object);
}

void TGearCnstrPoint::WriteFields(TObjectWriter& writer) {
  if (owner_ != nullptr)
    owner_->RatioFormula(owner_->Ratio(), owner_->IsInternal() ? 1 : 0,
                         owner_->GetInternalGearIndex());
  writer.WriteBlock(*this, kBlockMarker);
  writer.WriteBlock(*this, kBlockPoint);
  TLink::WriteFields(writer);
}

void TGearCnstrPoint::WriteBlockContents(int16_t code, TObjectWriter& writer) {
  if (code == kBlockMarker) return;
  if (code != kBlockPoint) return TLink::WriteBlockContents(code, writer);
  TPoint* const point = GetAttachedPoint();
  writer.WriteCode(IdentifierOf(point != nullptr ? point->GetBody() : nullptr));
  writer.WriteFormula(x_.get());
  writer.WriteFormula(y_.get());
  writer.WriteFormula(r_.get());
}

uint16_t TGearCnstrPoint::ReadBlockContents(int16_t code, TObjectReader& reader) {
  if (code == kBlockMarker) return 1;
  if (code != kBlockPoint) return TLink::ReadBlockContents(code, reader);
  // The body is the solver's to know; the gear gives the point its attached point.
  reader.ReadReference(*this, 1);
  reader.ReadFormula(*x_);
  reader.ReadFormula(*y_);
  reader.ReadFormula(*r_);
  return 1;
}

void TGearCnstrPoint::ResolveReference(TObjectReader& reader, int16_t code, uint16_t kind,
                                       TLink* object) {
  if (code == kBlockPoint) return;
  TLink::ResolveReference(reader, code, kind, object);
}
