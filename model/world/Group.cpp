#include "model/world/Group.h"

#include <functional>

#include "core/ClassRegistry.h"
#include "model/filing/DocumentFormat.h"
#include "model/filing/ObjectReader.h"
#include "model/filing/ObjectWriter.h"

namespace {

constexpr int16_t kLinkClassId = 515;

TObject* NewGroup() {
  return new TGroup;
}

int32_t IdentifierOf(const TLink* object) {
  return object != nullptr ? object->GetIdentifier() : 0;
}

// -1, 0 or 1 as a sorts before, with or after b.
int CompareEntries(const TGroupEntry& a, const TGroupEntry& b) {
  const int32_t firstA = IdentifierOf(a.first);
  const int32_t firstB = IdentifierOf(b.first);
  if (firstA != firstB) return firstA < firstB ? -1 : 1;
  if (a.second == nullptr || b.second == nullptr) return 0;
  const int32_t secondA = IdentifierOf(a.second);
  const int32_t secondB = IdentifierOf(b.second);
  if (secondA != secondB) return secondA < secondB ? -1 : 1;
  return 0;
}

}  // namespace

void RegisterGroupClasses() {
  RegisterClassInfo("TGroup", TGroup::kTag, TGroup::kClassID, NewGroup, sizeof(TGroup));
}

// TPairList

TGroupEntry TPairList::Normal(TLink* a, TLink* b) {
  // Members in the order of their identifiers (addresses only between equal ones), so that a
  // document stores a pair the same way however its objects lie in memory.
  if (b == nullptr) return {a, b};
  const int32_t idA = IdentifierOf(a);
  const int32_t idB = IdentifierOf(b);
  if (idA < idB || (idA == idB && std::less<TLink*>()(a, b))) return {a, b};
  return {b, a};
}

TGroupEntry TPairList::Entry(int32_t index) const {
  TGroupEntry entry;
  GetElementsAt(index, &entry, 1);
  return entry;
}

bool TPairList::Contains(TLink* a, TLink* b) {
  int32_t position = 0;
  return Search(Normal(a, b), position);
}

void TPairList::RemoveAllWith(const TLink* x) {
  for (int32_t i = GetCount(); i >= 1; --i) {
    const TGroupEntry entry = Entry(i);
    if (entry.first == x || entry.second == x) DeleteElementsAt(i, 1);
  }
}

void TPairList::Clear() {
  if (GetCount() > 0) DeleteElementsAt(1, GetCount());
}

void TPairList::Insert(const TGroupEntry& entry) {
  if (entry.second == nullptr) RemoveAllWith(entry.first);
  int32_t position = 0;
  if (Search(entry, position) || position < 1) return;
  InsertElementsBefore(position, &entry, 1);
}

void TPairList::Delete(const TGroupEntry& entry) {
  int32_t position = 0;
  if (Search(entry, position)) DeleteElementsAt(position, 1);
}

bool TPairList::Search(const TGroupEntry& entry, int32_t& position) {
  const int32_t count = GetCount();
  if (count == 0) {
    position = 1;
    return false;
  }
  int32_t low = 1;
  int32_t high = count;
  int32_t middle = 1;
  int order = 0;
  while (low <= high) {
    middle = (low + high) / 2;
    order = CompareEntries(entry, Entry(middle));
    if (order == 0) {
      position = middle;
      return true;
    }
    if (order > 0) {
      low = middle + 1;
    } else {
      high = middle - 1;
    }
  }
  position = order > 0 ? middle + 1 : middle;
  if (position < 1 || position > count + 1) position = -1;
  return false;
}

// TGroup

TGroup::~TGroup() {
  entries_.reset();
}

void TGroup::Initialize() {
  THandlerLink::Initialize();
  mode_ = 1;
  reference_ = nullptr;
  sense_ = 0;
  entries_ = std::make_unique<TPairList>();
}

void TGroup::SetMode(int32_t mode, uint16_t sense) {
  if (entries_) entries_->Clear();
  mode_ = mode;
  sense_ = sense;
}

uint16_t TGroup::Applies(TLink* a, TLink* b) {
  if (!entries_) return sense_ == 0 ? 1 : 0;
  switch (mode_) {
    case 0:
      if (reference_ == a) return Listed(b, nullptr) == sense_ ? 1 : 0;
      if (reference_ == b) return Listed(a, nullptr) == sense_ ? 1 : 0;
      return 0;
    case 1: {
      const uint16_t both = (Listed(a, nullptr) != 0 && Listed(b, nullptr) != 0) ? 1 : 0;
      return both == sense_ ? 1 : 0;
    }
    case 2:
      return Listed(a, b) == sense_ ? 1 : 0;
    default:
      // A mode no document produces: the group applies to nothing.
      return 0;
  }
}

uint16_t TGroup::AppliesTo(TLink* a) {
  if (mode_ == 0 && a == reference_) return sense_ == 0 ? 1 : 0;
  if (!entries_) return sense_ == 0 ? 1 : 0;
  return Listed(a, nullptr) == sense_ ? 1 : 0;
}

void TGroup::SetPairRelative(TLink* a, TLink* b, uint16_t add) {
  if (mode_ != 0) return SetPair(a, b, add);
  if (a == reference_ && b == reference_) return;
  if (a == reference_) return SetPair(b, nullptr, add);
  if (b == reference_) return SetPair(a, nullptr, add);
  SetPair(a, b, add);
}

void TGroup::IncludePair(TLink* a, TLink* b) {
  SetPairRelative(a, b, sense_);
}

void TGroup::ExcludePair(TLink* a, TLink* b) {
  SetPairRelative(a, b, sense_ != 0 ? 0 : 1);
}

void TGroup::Include(TLink* a) {
  if (mode_ == 0 && a == reference_) return;
  SetPair(a, nullptr, sense_);
}

void TGroup::Exclude(TLink* a) {
  if (mode_ == 0 && a == reference_) return;
  SetPair(a, nullptr, sense_ != 0 ? 0 : 1);
}

void TGroup::SetPair(TLink* a, TLink* b, uint16_t add) {
  if (!entries_ || a == nullptr) return;
  if (add == 0) {
    entries_->Remove(a, b);
    return;
  }
  if (a == b) return;
  AddDependent(a);
  if (b != nullptr) AddDependent(b);
  entries_->Add(a, b);
}

void TGroup::ObjectRemoved(TLink* object) {
  if (reference_ == object) reference_ = nullptr;
  if (heldFirst_ == object) heldFirst_ = nullptr;
  if (entries_) entries_->RemoveAllWith(object);
  THandlerLink::ObjectRemoved(object);
}

void TGroup::WriteFields(TObjectWriter& writer) {
  writer.WriteBlock(*this, kBlockGroup);
  THandlerLink::WriteFields(writer);
}

void TGroup::WriteBlockContents(int16_t code, TObjectWriter& writer) {
  if (code != kBlockGroup) return THandlerLink::WriteBlockContents(code, writer);
  writer.WriteCode((1 - (sense_ != 0 ? 1 : 0)) * 3 + mode_);
  writer.WriteCode(reference_ != nullptr ? reference_->GetIdentifier() : -1);
  writer.Align(4);
  const int32_t count = entries_ ? entries_->GetCount() : 0;
  writer.WriteCode(mode_ == 2 ? 2 * count : count);
  for (int32_t i = 1; i <= count; ++i) {
    const TGroupEntry entry = entries_->Entry(i);
    writer.WriteCode(IdentifierOf(entry.first));
    if (mode_ == 2) writer.WriteCode(entry.second != nullptr ? IdentifierOf(entry.second) : -1);
  }
  writer.ObjectBoundary();
}

uint16_t TGroup::ReadBlockContents(int16_t code, TObjectReader& reader) {
  if (code != kBlockGroup) return THandlerLink::ReadBlockContents(code, reader);
  const int32_t kind = reader.ReadInt();
  reader.FailIfBadFormat(kind < 0);
  SetMode(kind % 3, kind < 3 ? 1 : 0);
  heldFirst_ = nullptr;
  reader.ReadReference(*this, 0);
  const int32_t count = reader.ReadInt();
  // Each reference takes at least two bytes: a count the block cannot hold is damage.
  reader.FailIfBadFormat(count < 0 || count > 0xFFFF || count > reader.BlockRemaining() / 2);
  for (int32_t i = 1; i <= count; ++i)
    reader.ReadReference(*this, static_cast<uint16_t>(i));
  return 1;
}

void TGroup::ResolveReference(TObjectReader& reader, int16_t code, uint16_t kind, TLink* object) {
  if (code != kBlockGroup) return THandlerLink::ResolveReference(reader, code, kind, object);
  if (object == nullptr || !object->IsMemberClass(kLinkClassId)) return;
  if (kind == 0) {
    SetReference(object);
    return;
  }
  if (mode_ != 2) {
    SetPair(object, nullptr, 1);
    return;
  }
  if (kind % 2 == 1) {
    heldFirst_ = object;
    return;
  }
  if (heldFirst_ != nullptr) SetPair(heldFirst_, object, 1);
  heldFirst_ = nullptr;
}
