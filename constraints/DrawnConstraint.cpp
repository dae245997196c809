// The drawn levels: TUICnstr keeps the user's extra goals and the always-active flag and files
// the blocks only documents carry; TLockableCnstr adds the lock; TConstraint marks the goals a
// lock and a rotation hand to the solver.

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "bodies/points/Point.h"
#include "constraints/Constraint.h"
#include "model/filing/ObjectReader.h"
#include "model/filing/ObjectWriter.h"

namespace {

constexpr uint32_t kTagShow = MakeTag("show");
constexpr uint32_t kTagCurrentLength = MakeTag("curL");
constexpr uint32_t kTagCurrentRotation = MakeTag("curR");
constexpr uint32_t kTagIdentifier = MakeTag("ID__");
constexpr uint8_t kDisplayBitTrackMarks = 1;
constexpr uint8_t kDisplayBitTrackLine = 2;

// A stored count of extra goals. The goals themselves are filed in the solver record that
// follows, so a count the rest of the stream cannot hold is damage; a count below zero means
// none, as it always has.
int16_t ReadExtraGoalCount(TObjectReader& reader) {
  const int32_t count = std::max<int32_t>(reader.ReadInt(), 0);
  reader.FailIfCountExceedsStream(count, TCnstrGoal::kLeastFiledBytes);
  reader.FailIfBadFormat(count > INT16_MAX);
  return static_cast<int16_t>(count);
}

void MarkGoal(TCnstrGoal& goal, GoalType type, GoalComponent component) {
  goal.type = static_cast<int32_t>(type);
  goal.component = static_cast<int32_t>(component);
}

}  // namespace

// ---- TUICnstr --------------------------------------------------------------------------------

void TUICnstr::Initialize() {
  goalsPrepared_ = 0;
  extraGoals_ = 0;
  alwaysActive_ = 0;
  TCnstr::Initialize();
}

void TUICnstr::MarkChanged() {
  goalsPrepared_ = 0;
  Recompute();
  ForEachLinked(1);
  Changed();
}

void TUICnstr::SetAlwaysActive(uint16_t flag) {
  alwaysActive_ = flag != 0 ? 1 : 0;
  TCnstr::SetAlwaysActive(flag);
}

// The kind's own goals are rebuilt from its fields each time: the stored ones never go stale.
void TUICnstr::PrepareGoals() {
  if (IsActive()) {
    ResizeGoals(extraGoals_);
    goalsPrepared_ = 0;
    return;
  }
  if (goalsPrepared_ != 0) return;
  ResizeGoals(extraGoals_ + KindGoalCount());
  for (size_t i = static_cast<size_t>(extraGoals_); i < Goals().size(); ++i) Goals()[i]->Clear();
  MarkGoals();
  goalsPrepared_ = 1;
}

void TUICnstr::WriteRecord(TObjectWriter& writer) {
  PrepareGoals();
  TCnstr::WriteRecord(writer);
}

// The user's extra goals are kept; the kind's own are made again from its fields when the
// constraint is next filed, so what was stored for them is read and dropped.
void TUICnstr::ReadGoals(int32_t count, TObjectReader& reader) {
  // The record files every extra goal: it holds no more than it filed.
  extraGoals_ = static_cast<int16_t>(std::min<int32_t>(extraGoals_, count));
  ResizeGoals(extraGoals_);
  for (int32_t i = 0; i < count; ++i) {
    if (i < extraGoals_) Goals()[static_cast<size_t>(i)]->Read(reader);
    else {
      SharedGoalPrototype().Read(reader);
      KindGoalRead(SharedGoalPrototype());
    }
  }
  goalsPrepared_ = 0;
}

TLink* TUICnstr::PointTagObject(uint32_t tag, uint32_t& askedTag) const {
  askedTag = tag;
  if (GetPrimaryObject() == nullptr) return nullptr;
  if (tag == kTagLocalR || tag == kTagLocalX || tag == kTagLocalY) return GetPrimaryObject();
  if ((tag == kTagSecondX || tag == kTagSecondY) && AttachedCount() > 1) {
    askedTag = tag == kTagSecondX ? kTagLocalX : kTagLocalY;
    return GetOtherObject(GetPrimaryObject());
  }
  return nullptr;
}

TFormula* TUICnstr::GetFormulaProperty(uint32_t tag, double* first, double* second,
                                       int32_t* dimension, uint16_t* flag) {
  uint32_t asked = tag;
  if (TLink* object = PointTagObject(tag, asked))
    return object->GetFormulaProperty(asked, first, second, dimension, flag);
  return TCnstr::GetFormulaProperty(tag, first, second, dimension, flag);
}

void TUICnstr::SetFormulaProperty(uint32_t tag, const TFormula& formula) {
  uint32_t asked = tag;
  if (TLink* object = PointTagObject(tag, asked)) return object->SetFormulaProperty(asked, formula);
  TCnstr::SetFormulaProperty(tag, formula);
  if (tag == kTagActivation) {
    if (Activation().IsFormula()) SetAlwaysActive(0);
    MarkChanged();
  }
}

uint16_t TUICnstr::GetShortProperty(uint32_t tag, uint16_t& value, void* extra) {
  const bool endId = tag == kTagFirstEndId || tag == kTagSecondEndId;
  if (!endId) return TCnstr::GetShortProperty(tag, value, extra);
  auto* drawn = dynamic_cast<const TConstraint*>(this);
  if (drawn == nullptr || drawn->IsRotational() || AttachedCount() < 2) return 0;
  TLink* end = tag == kTagFirstEndId ? GetPrimaryObject() : GetOtherObject(GetPrimaryObject());
  return end != nullptr ? end->GetShortProperty(kTagIdentifier, value, extra) : 0;
}

void TUICnstr::SetShortProperty(uint32_t tag, uint16_t value) {
  TCnstr::SetShortProperty(tag, value);
  if (tag == kTagShow) {
    for (auto object = Attached().rbegin(); object != Attached().rend(); ++object)
      (*object)->SetShortProperty(kTagShow, value);
  }
  if (tag == kTagAlwaysActive) MarkChanged();
}

void TUICnstr::SelectChoice(uint32_t tag) {
  TCnstr::SelectChoice(tag);
  // The condition chosen is a formula now: the constraint no longer acts regardless of it, and
  // the condition is shown for editing.
  if (tag == kTagActiveWhen) SetAlwaysActive(0);
  if (tag == kTagAlwaysActive) MarkChanged();
}

void TUICnstr::WriteFields(TObjectWriter& writer) {
  if (KindBlockCode() != kNoKindBlock) writer.WriteBlock(*this, KindBlockCode());
  writer.WriteBlock(*this, kBlockDisplay);
  writer.WriteBlock(*this, kBlockAlwaysActive);
  TCnstr::WriteFields(writer);
}

void TUICnstr::WriteBlockContents(int16_t code, TObjectWriter& writer) {
  if (code == KindBlockCode() && code != kNoKindBlock) return WriteKindBlock(writer);
  switch (code) {
    case kNoKindBlock:
      return;
    case kBlockDisplay: {
      writer.WriteCode(extraGoals_);
      const uint8_t bits = (GetTrackMarks() != 0 ? kDisplayBitTrackMarks : 0) |
                           (GetTrackLine() != 0 ? kDisplayBitTrackLine : 0);
      writer.WriteCode(bits);
      return;
    }
    case kBlockAlwaysActive:
      writer.WriteCode(IsAlwaysActive() ? 1 : 0);
      return;
    case kBlockExtraGoals:
      writer.WriteCode(extraGoals_);
      return;
    default:
      TCnstr::WriteBlockContents(code, writer);
  }
}

uint16_t TUICnstr::ReadBlockContents(int16_t code, TObjectReader& reader) {
  if (code == KindBlockCode() && code != kNoKindBlock) {
    ReadKindBlock(reader);
    return 1;
  }
  switch (code) {
    case kBlockDisplay: {
      extraGoals_ = ReadExtraGoalCount(reader);
      const uint8_t bits = reader.ReadByte();
      SetFlagProperty(MakeTag("trk_"), (bits & kDisplayBitTrackMarks) != 0 ? 1 : 0);
      SetFlagProperty(MakeTag("trkL"), (bits & kDisplayBitTrackLine) != 0 ? 1 : 0);
      return 1;
    }
    case kBlockAlwaysActive:
      SetAlwaysActive(reader.ReadInt() != 0 ? 1 : 0);
      return 1;
    case kBlockExtraGoals:
      extraGoals_ = ReadExtraGoalCount(reader);
      return 1;
    case kBlockRecord: {
      const uint16_t handled = TCnstr::ReadBlockContents(code, reader);
      MarkChanged();
      return handled;
    }
    default:
      return TCnstr::ReadBlockContents(code, reader);
  }
}

// ---- TLockableCnstr --------------------------------------------------------------------------

void TLockableCnstr::Initialize() {
  locked_ = 0;
  TUICnstr::Initialize();
}

bool TLockableCnstr::IsValidLock() const {
  return IsLocked() != 0 && (Activation().IsFormula() || Activation().GetValue() > 0.0);
}

uint16_t TLockableCnstr::GetShortProperty(uint32_t tag, uint16_t& value, void* extra) {
  if (tag != kTagLocked) return TUICnstr::GetShortProperty(tag, value, extra);
  value = IsLocked();
  return 1;
}

void TLockableCnstr::SetShortProperty(uint32_t tag, uint16_t value) {
  if (tag != kTagLocked) return TUICnstr::SetShortProperty(tag, value);
  SetLocked(value);
  MarkChanged();
}

uint16_t TLockableCnstr::GetChoiceProperty(uint32_t tag, int16_t& value, void* extra) {
  if (tag == kTagToBody || tag == kTagPivot) {
    value = (IsLocked() != 0) == (tag == kTagToBody) ? 1 : 0;
    return 1;
  }
  return TUICnstr::GetChoiceProperty(tag, value, extra);
}

void TLockableCnstr::SelectChoice(uint32_t tag) {
  if (tag != kTagToBody && tag != kTagPivot) return TUICnstr::SelectChoice(tag);
  SetLocked(tag == kTagToBody ? 1 : 0);
  MarkChanged();
}

void TLockableCnstr::WriteLockPart(TObjectWriter& writer) const { writer.WriteCode(IsLocked()); }

void TLockableCnstr::ReadLockPart(TObjectReader& reader) {
  SetLocked(reader.ReadInt() != 0 ? 1 : 0);
}

// ---- TConstraint -----------------------------------------------------------------------------

void TConstraint::Initialize() {
  TLockableCnstr::Initialize();
  rotational_ = 0;
  constraintRelated_ = nullptr;
  size_ = DefaultConstraintSize();
}

// Goals count from 1; the kind's own follow the extra goals.
void TConstraint::MarkGoals() {
  const int32_t e = GetExtraGoals();
  const int32_t n = KindGoalCount();
  const int32_t count = static_cast<int32_t>(Goals().size());
  auto goal = [&](int32_t index) -> TCnstrGoal* {
    return index > e && index <= count ? &Goal(index) : nullptr;
  };
  if (MarksFirstGoal())
    if (TCnstrGoal* g = goal(e + n - 2)) MarkGoal(*g, GoalType::kPosition, GoalComponent::kRotation);
  if (IsLocked() == 0) return;
  if (TCnstrGoal* g = goal(e + n - 1)) MarkGoal(*g, GoalType::kPosition, GoalComponent::kY);
  if (TCnstrGoal* g = goal(e + n))
    MarkGoal(*g, GoalType::kPosition, IsRotational() ? GoalComponent::kX : GoalComponent::kRotation);
}

void TConstraint::ObjectRemoved(TLink* object) {
  if (object == constraintRelated_) constraintRelated_ = nullptr;
  TLockableCnstr::ObjectRemoved(object);
}

uint16_t TConstraint::GetNumberProperty(uint32_t tag, double& value, void* extra) {
  if (tag == kTagCurrentLength) {
    value = PathLength();
    return 1;
  }
  if (tag == kTagCurrentRotation) {
    value = AngleDifference();
    return 1;
  }
  return TLockableCnstr::GetNumberProperty(tag, value, extra);
}

// ---- Hit tests ---------------------------------------------------------------------------------

bool TConstraint::HitTestLine(const MacPoint& offset, const MacPoint& segment, int16_t reach) {
  if (segment.v == 0) return std::abs(offset.v) <= reach;
  if (segment.h == 0) return std::abs(offset.h) <= reach;
  const auto e1 = static_cast<int32_t>(static_cast<double>(offset.h) / segment.h * segment.v -
                                       offset.v);
  const auto e2 = static_cast<int32_t>(static_cast<double>(offset.v) / segment.v * segment.h -
                                       offset.h);
  return std::min(std::abs(e1), std::abs(e2)) < reach;
}

bool TConstraint::HitsSegment(const MacPoint& a, const MacPoint& b, const MacPoint& mouse,
                              bool curves, int16_t reach) const {
  auto near = [&mouse](const MacPoint& end) {
    return std::abs(mouse.h - end.h) <= 3 && std::abs(mouse.v - end.v) <= 3;
  };
  if (near(a) || near(b)) return false;
  const MacPoint offset(static_cast<int16_t>(mouse.h - a.h), static_cast<int16_t>(mouse.v - a.v));
  const MacPoint segment(static_cast<int16_t>(b.h - a.h), static_cast<int16_t>(b.v - a.v));
  if (HitTestLine(offset, segment, reach)) {
    const int32_t left = std::min(a.h, b.h) - reach, right = std::max(a.h, b.h) + reach;
    const int32_t top = std::min(a.v, b.v) - reach, bottom = std::max(a.v, b.v) + reach;
    if (mouse.h >= left && mouse.h < right && mouse.v >= top && mouse.v < bottom) return true;
  }
  if (!curves) return false;
  // Away from the line, the kind's drawn figure decides in the segment's own frame.
  double x = 0.0, y = 0.0;
  if (!FrameBetween(a, b).ToFrame(mouse, x, y) || x < 0.0 || x >= 1.0) return false;
  return HitsShape(x, y);
}
