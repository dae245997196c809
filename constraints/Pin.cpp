// The pin joint: its goals hold the attached points together in x and y, and with the weld flag
// also in rotation; the mode chooses how that rotation goal is written.

#include "constraints/Pin.h"

#include "bodies/Body.h"
#include "bodies/points/Point.h"
#include "core/ClassRegistry.h"
#include "model/filing/ObjectReader.h"
#include "model/filing/ObjectWriter.h"

TObject* TPin::CreateObject() { return new TPin; }

void RegisterPinClasses() {
  RegisterClassInfo("TPin", kPinTag, TPin::kClassID, TPin::CreateObject, sizeof(TPin));
}

void TPin::Initialize() {
  TConstraint::Initialize();
  SetRotational(1);
  TConstraint::SetLocked(1);
  mode_ = 0;
  weld_ = 0;
}

void TPin::SetMode(uint16_t mode) {
  mode_ = mode != 0 ? 1 : 0;
  MarkChanged();
}

void TPin::SetWeld(uint16_t weld) {
  weld_ = weld != 0 ? 1 : 0;
  for (TLink* object : Attached())
    if (auto* point = dynamic_cast<TPoint*>(object)) point->SetLocked(weld_);
  MarkChanged();
}

// The weld flag lives on the points as well (they draw square while welded): the pin learns it
// from its primary point and from the point that completes a pair, and hands it to any further
// point. So joining two square points makes a welding pin, and a document's points carry it.
void TPin::AttachHook(TLink* object) {
  TConstraint::AttachHook(object);
  auto* point = dynamic_cast<TPoint*>(object);
  if (point == nullptr) return;
  if (object == GetPrimaryObject() || AttachedCount() == 2)
    weld_ = point->IsLocked() != 0 ? 1 : 0;
  else
    point->SetLocked(weld_);
}

// Moving the primary point of a pin that acts makes the welded bodies one compound.
void TPin::PointMoved(TPoint& point) {
  TConstraint::PointMoved(point);
  if (IsActive() && &point == GetPrimaryObject()) Weld();
}

namespace {

// The outermost body enclosing the body a point sits on, or null for an object that is no point.
TMass* TopBodyOf(TLink* object) {
  auto* point = dynamic_cast<TPoint*>(object);
  if (point == nullptr || point->GetBody() == nullptr) return nullptr;
  return dynamic_cast<TMass*>(point->GetBody()->GetRootBody());
}

}  // namespace

void TPin::Weld() {
  if (GetDisplayMode() == 0 || weld_ == 0 || AttachedCount() < 2) return;
  // The background, when one of the points is on it, holds the others; else the first point's.
  TMass* parent = nullptr;
  for (TLink* object : Attached()) {
    TMass* top = TopBodyOf(object);
    if (top == nullptr) continue;
    if (parent == nullptr) parent = top;
    if (top->GetIdentifier() == 0) {
      parent = top;
      break;
    }
  }
  if (parent == nullptr) return;
  for (TLink* object : Attached()) {
    TMass* top = TopBodyOf(object);
    if (top != nullptr && top != parent) top->JoinTo(parent);
  }
}

bool TPin::WeldsOneCompound() const {
  TMass* shared = nullptr;
  for (TLink* object : Attached()) {
    TMass* top = TopBodyOf(object);
    if (top == nullptr || (shared != nullptr && top != shared)) return false;
    shared = top;
  }
  return shared != nullptr;
}

void TPin::MarkGoals() {
  TConstraint::MarkGoals();
  if (weld_ == 0) return;
  const int32_t index = GetExtraGoals() + KindGoalCount() - 2;
  if (index <= GetExtraGoals() || index > static_cast<int32_t>(Goals().size())) return;
  TCnstrGoal& rotation = Goal(index);
  if (mode_ == 0) rotation.SetConstant(0.0);
  else rotation.SetFromPieces("(0)");
}

void TPin::KindGoalRead(const TCnstrGoal& goal) {
  if (goal.type == static_cast<int32_t>(GoalType::kPosition) &&
      goal.component == static_cast<int32_t>(GoalComponent::kRotation))
    weld_ = 1;
}

bool TPin::IsChoiceEnabled(uint32_t tag) const {
  if (tag == kTagPinMode || tag == kTagPinOther || tag == kTagPinWelded) return weld_ != 0;
  return true;
}

uint16_t TPin::GetShortProperty(uint32_t tag, uint16_t& value, void* extra) {
  if (tag == kTagLocked) return 0;
  return TConstraint::GetShortProperty(tag, value, extra);
}

void TPin::SetShortProperty(uint32_t tag, uint16_t value) {
  if (tag == kTagLocked) return;
  TConstraint::SetShortProperty(tag, value);
}

uint16_t TPin::GetChoiceProperty(uint32_t tag, int16_t& value, void* extra) {
  if (tag == kTagPinMode) value = weld_ == 0 ? 1 : mode_;
  else if (tag == kTagPinOther) value = weld_ == 0 ? 0 : (mode_ == 0 ? 1 : 0);
  else if (tag == kTagPinWelded) value = weld_;
  else return TConstraint::GetChoiceProperty(tag, value, extra);
  return 1;
}

void TPin::SelectChoice(uint32_t tag) {
  if (tag == kTagPinMode) return SetMode(1);
  if (tag == kTagPinOther) return SetMode(0);
  TConstraint::SelectChoice(tag);
}

void TPin::WriteKindBlock(TObjectWriter& writer) { WriteLockPart(writer); }
void TPin::ReadKindBlock(TObjectReader& reader) { ReadLockPart(reader); }

void TPin::WriteFields(TObjectWriter& writer) {
  TConstraint::WriteFields(writer);
  writer.WriteBlock(*this, kBlockMode);
}

// The mode, then the weld flag: the goals show the weld only while the pin is inactive, so the
// flag is kept beside the mode, where a reader of the mode alone passes it by.
void TPin::WriteBlockContents(int16_t code, TObjectWriter& writer) {
  if (code != kBlockMode) return TConstraint::WriteBlockContents(code, writer);
  writer.WriteCode(mode_);
  writer.WriteCode(weld_);
}

uint16_t TPin::ReadBlockContents(int16_t code, TObjectReader& reader) {
  if (code != kBlockMode) return TConstraint::ReadBlockContents(code, reader);
  mode_ = reader.ReadBoolean() ? 1 : 0;
  // Documents that keep the mode alone leave the flag as the stored goals told it.
  if (reader.MoreInBlock()) weld_ = reader.ReadBoolean() ? 1 : 0;
  return 1;
}
