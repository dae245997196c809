// Filing of the constraint root: block 1310 (what the solver reads), block 5031 (the active
// state) and block 5232 (the attached list alone, kept by commands that delete attached objects).

#include "constraints/Constraint.h"
#include "core/Failure.h"
#include "model/filing/ObjectReader.h"
#include "model/filing/ObjectWriter.h"

namespace {

constexpr int16_t kNoObject = -1;
// Reference kinds of block 1310: the related object and the attached objects.
constexpr uint16_t kRefRelated = 1;
constexpr uint16_t kRefAttached = 2;
// The fewest bytes a filed reference takes in any stream: a code.
constexpr int32_t kLeastReferenceBytes = 1;

int32_t IdentifierOf(const TLink* object) {
  return object != nullptr ? object->GetIdentifier() : kNoObject;
}

}  // namespace

void TCnstr::WriteFields(TObjectWriter& writer) {
  writer.WriteBlock(*this, kBlockRecord);
  writer.WriteBlock(*this, kBlockActive);
  TThing::WriteFields(writer);
}

void TCnstr::WriteBlockContents(int16_t code, TObjectWriter& writer) {
  switch (code) {
    case kBlockRecord:
      WriteRecord(writer);
      return;
    case kBlockActive:
      writer.WriteCode(active_ != 0 ? 1 : 0);
      return;
    case kBlockAttached:
      WriteAttachedList(writer);
      return;
    default:
      TThing::WriteBlockContents(code, writer);
  }
}

// Section and list markers of the record take no bytes in any stream kind.
void TCnstr::WriteRecord(TObjectWriter& writer) {
  writer.WriteCode(IdentifierOf(RelatedObjectQuery()));
  writer.WriteFormula(&PrimaryQuantity());
  writer.WriteFormula(activation_.get());
  writer.WriteCode(conditionMode_);
  writer.WriteCode(IdentifierOf(related_));
  writer.WriteFormula(second_.get());
  WriteAttachedList(writer);
  writer.WriteCode(static_cast<int32_t>(goals_.size()));
  for (const auto& goal : goals_) goal->Write(writer);
}

void TCnstr::WriteAttachedList(TObjectWriter& writer) const {
  writer.WriteCode(AttachedCount());
  for (const TLink* object : attached_) writer.WriteCode(IdentifierOf(object));
}

void TCnstr::ReadAttachedList(TObjectReader& reader) {
  while (!attached_.empty()) DetachObject(attached_.back());
  const int32_t count = reader.ReadInt();
  reader.FailIfBadFormat(count < 0);
  reader.FailIfCountExceedsStream(count, kLeastReferenceBytes);
  for (int32_t i = 0; i < count; ++i) reader.ReadReference(*this, kRefAttached);
}

// Goal by goal, so that a damaged count fails at the end of the stream instead of allocating.
void TCnstr::ReadGoals(int32_t count, TObjectReader& reader) {
  std::vector<std::unique_ptr<TCnstrGoal>> read;
  for (int32_t i = 0; i < count; ++i) {
    auto goal = std::make_unique<TCnstrGoal>();
    goal->Read(reader);
    read.push_back(std::move(goal));
  }
  goals_ = std::move(read);
}

uint16_t TCnstr::ReadBlockContents(int16_t code, TObjectReader& reader) {
  switch (code) {
    case kBlockRecord: {
      // The related-object query is the kind's to answer again; what was filed is dropped.
      reader.ReadInt();
      reader.ReadFormula(*primaryQuantity_);
      reader.ReadFormula(*activation_);
      conditionMode_ = static_cast<int16_t>(reader.ReadInt());
      reader.ReadReference(*this, kRefRelated);
      reader.ReadFormula(*second_);
      ReadAttachedList(reader);
      const int32_t goals = reader.ReadInt();
      reader.FailIfBadFormat(goals < 0);
      reader.FailIfCountExceedsStream(goals, TCnstrGoal::kLeastFiledBytes);
      ReadGoals(goals, reader);
      Recompute();
      return 1;
    }
    case kBlockActive:
      if (reader.ReadInt() != 0) Activate(1);
      else Deactivate(1);
      return 1;
    case kBlockAttached:
      ReadAttachedList(reader);
      return 1;
    default:
      return TThing::ReadBlockContents(code, reader);
  }
}

void TCnstr::ResolveReference(TObjectReader& reader, int16_t code, uint16_t kind,
                              TLink* object) {
  if (code != kBlockRecord && code != kBlockAttached)
    return TThing::ResolveReference(reader, code, kind, object);
  if (kind == kRefRelated) related_ = object;
  else if (kind == kRefAttached && object != nullptr) AttachObject(object);
}
