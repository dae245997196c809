#pragma once
// Groups say which objects, or which pairs of objects, something applies to: force fields and the
// collision test ask their group, and the user's commands include or exclude objects and pairs.
// A group keeps a sorted list of entries (an object alone, or a pair), a sense (whether the list
// names what is included or what is excluded) and a mode that says how the list is read:
//   0  relative to the reference object: pairs in which one member is the reference object; the
//      list holds the other members;
//   1  each object by itself: a pair qualifies when both of its objects are listed;
//   2  explicit pairs.

#include <cstdint>
#include <memory>

#include "core/Collection.h"
#include "model/Link.h"

inline constexpr int16_t kBlockGroup = 1800;

// One entry: an object, or a pair of objects.
struct TGroupEntry {
  TLink* first = nullptr;
  TLink* second = nullptr;  // null for an object alone
};

// The sorted entries of a group, 1-based. Pairs are kept in normal form (the two members in the
// order of their identifiers), ordered by the first member's identifier and then the second's;
// when either entry has no second member, entries with the same first identifier compare equal.
class TPairList : public TDynamicArray {
  DECLARE_CLASS_ID(437, TDynamicArray)

 public:
  TPairList() { IDynamicArray(0, static_cast<int16_t>(sizeof(TGroupEntry))); }

  TGroupEntry Entry(int32_t index) const;
  bool Contains(TLink* a, TLink* b);
  void Add(TLink* a, TLink* b) { Insert(Normal(a, b)); }
  void Remove(TLink* a, TLink* b) { Delete(Normal(a, b)); }
  // Deletes every entry that names x, last first.
  void RemoveAllWith(const TLink* x);
  void Clear();
  // An object alone first drops every entry that names it.
  void Insert(const TGroupEntry& entry);
  void Delete(const TGroupEntry& entry);
  // Binary search: found, and the position of the match or where the entry would go (-1 when
  // that lies outside 1..count + 1).
  bool Search(const TGroupEntry& entry, int32_t& position);

  static TGroupEntry Normal(TLink* a, TLink* b);
};

class TGroup : public THandlerLink {
  DECLARE_CLASS_ID(438, THandlerLink)

 public:
  static constexpr uint32_t kTag = MakeTag("grup");

  TGroup() = default;
  ~TGroup() override;

  void Initialize() override;

  int32_t GetMode() const { return mode_; }
  uint16_t GetSense() const { return sense_; }
  TLink* GetReference() const { return reference_; }
  void SetReference(TLink* object) { reference_ = SetDependent(reference_, object); }
  TPairList* Entries() const { return entries_.get(); }

  // Empties the list, then takes the mode and sense.
  virtual void SetMode(int32_t mode, uint16_t sense);
  virtual uint16_t Applies(TLink* a, TLink* b);
  virtual uint16_t AppliesTo(TLink* a);
  virtual void IncludePair(TLink* a, TLink* b);
  virtual void ExcludePair(TLink* a, TLink* b);
  virtual void Include(TLink* a);
  virtual void Exclude(TLink* a);
  // Adds (linking both objects with the group) or removes the entry; a pair of one object with
  // itself is never added.
  virtual void SetPair(TLink* a, TLink* b, uint16_t add);

  void ObjectRemoved(TLink* object) override;
  uint16_t ReadBlockContents(int16_t code, TObjectReader& reader) override;
  void WriteBlockContents(int16_t code, TObjectWriter& writer) override;
  void ResolveReference(TObjectReader& reader, int16_t code, uint16_t kind, TLink* object) override;
  void WriteFields(TObjectWriter& writer) override;

 private:
  uint16_t Listed(TLink* a, TLink* b) { return entries_->Contains(a, b) ? 1 : 0; }
  void SetPairRelative(TLink* a, TLink* b, uint16_t add);

  int32_t mode_ = 1;
  TLink* reference_ = nullptr;
  uint16_t sense_ = 0;
  std::unique_ptr<TPairList> entries_;
  // While references are resolved in mode 2: the first member of the next pair.
  TLink* heldFirst_ = nullptr;
};

// Enters TGroup in the class registry.
void RegisterGroupClasses();
