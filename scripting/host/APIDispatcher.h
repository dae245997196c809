#pragma once
// The script objects that BASIC scripts hold: each stands for one world object, list or the
// application and forwards the script's calls to it. They form one tree by parent and children,
// rooted at the application's script object; an object is alive for scripts while it is in that
// tree. References count the holders that keep an object: the world object it stands for, the
// owner that keeps a collection, and the engine for every object a running script holds.

#include <cstdint>
#include <memory>
#include <vector>

#include "core/PString.h"
#include "core/Tag.h"
#include "platform/mfc/CWnd.h"

class TList;
class TObject;

// Shared by all script objects; notes the member called at the start of every call.
class TAPICallLog {
 public:
  virtual ~TAPICallLog() = default;
  // Keeps nothing.
  virtual void NoteCall(const char* text);
};

// The two halves of a member's outcome: 0 success, 1 to 8 the failures of the call frame, and a
// subcode (10: a keyword string the member does not know; 15: an export of meter data from a
// world without meters).
struct APIResult {
  int16_t code = 0;
  int16_t subcode = 0;
};
inline constexpr int16_t kAPINoTarget = 1;
inline constexpr int16_t kAPIBadParameter = 2;
inline constexpr int16_t kAPICannotSet = 3;
inline constexpr int16_t kAPICannotGet = 4;
inline constexpr int16_t kAPIWrongKind = 5;
inline constexpr int16_t kAPICannotLoad = 6;
inline constexpr int16_t kAPICannotRun = 7;
inline constexpr int16_t kAPIExportFailed = 8;
inline constexpr int16_t kAPIUnknownWord = 10;
inline constexpr int16_t kAPINoMetersToExport = 15;

class TAPIDispatcher : public CCmdTarget {
  DECLARE_DYNAMIC(TAPIDispatcher)

 public:
  static constexpr uint32_t kTag = MakeTag("APDs");

  TAPIDispatcher();
  // Bound to a target (null allowed); a parent takes the new object as its child.
  TAPIDispatcher(TAPICallLog* callLog, void* target, TAPIDispatcher* parent);
  // Deletes the children nobody else holds and cuts loose the ones a script or a world object
  // still holds; leaves the parent's child list.
  ~TAPIDispatcher() override;
  TAPIDispatcher(const TAPIDispatcher&) = delete;
  TAPIDispatcher& operator=(const TAPIDispatcher&) = delete;

  virtual void AddRef();
  // At zero the object deletes itself unless it still has children.
  virtual void Release();
  virtual void AddChild(TAPIDispatcher* child);
  virtual void RemoveChild(TAPIDispatcher* child);
  // The class's own tag or one of its bases'.
  virtual bool IsKindOfTag(uint32_t tag) const;
  virtual const Str31& GetClassName() const;
  // Called when the world object goes: gives up its reference; with references left the object
  // is cut loose (no target, out of the tree: later calls fail with code 1), else it is deleted.
  virtual void DeleteIfUnreferenced();

  bool HasTag(uint32_t tag) const { return tag_ == tag; }
  // True when the object is this one or below it in the tree.
  bool Contains(const TAPIDispatcher* object) const;
  TAPICallLog* GetAttachedObject() const { return callLog_; }

  uint32_t tag() const { return tag_; }
  int32_t refCount() const { return refCount_; }
  TAPIDispatcher* parent() const { return parent_; }
  void* target() const { return target_; }
  bool bound() const { return bound_ != 0; }
  // The world object has gone while the object stays (bound, no target).
  bool TargetGone() const { return bound_ != 0 && target_ == nullptr; }
  int32_t ChildCount() const { return children_ ? static_cast<int32_t>(children_->size()) : 0; }
  // A copy of the children, in the order they came.
  std::vector<TAPIDispatcher*> Children() const {
    return children_ ? *children_ : std::vector<TAPIDispatcher*>{};
  }

 protected:
  void SetTag(uint32_t tag) { tag_ = tag; }
  void SetTarget(void* target) { target_ = target; }
  void SetBound(bool bound) { bound_ = bound ? 1 : 0; }
  void SetCallLog(TAPICallLog* callLog) { callLog_ = callLog; }
  // Becomes a child of the parent (null: none).
  void AttachToParent(TAPIDispatcher* parent);
  // Leaves the parent's child list and the tree.
  void CutLoose();

 private:
  uint32_t tag_ = kTag;
  int32_t refCount_ = 0;
  TAPIDispatcher* parent_ = nullptr;
  std::unique_ptr<std::vector<TAPIDispatcher*>> children_;
  int16_t bound_ = 0;
  void* target_ = nullptr;
  TAPICallLog* callLog_ = nullptr;
};

// A script collection over a list of world objects.
class TAPICollection : public TAPIDispatcher {
  DECLARE_DYNAMIC(TAPICollection)

 public:
  static constexpr uint32_t kTag = MakeTag("APCo");

  explicit TAPICollection(TList* list);

  bool IsKindOfTag(uint32_t tag) const override;
  const Str31& GetClassName() const override;

  // The script object of one element, or null when it is not of the collection's kind.
  virtual TAPIDispatcher* WrapItem(TObject* element);
  // The number of elements; 0 without a list.
  virtual APIResult Count(int32_t* count);
  // The element at the 1-based index, null outside 1..count.
  virtual APIResult Item(int16_t index, TAPIDispatcher** item);

  TList* List() const { return static_cast<TList*>(target()); }
};

// The object whose tree decides which objects are alive (the application's); null when none.
TAPIDispatcher* LiveObjectRoot();
void SetLiveObjectRoot(TAPIDispatcher* root);
// True when the address is the root or an object in the tree below it. The address need not be a
// live object: nothing is read through it until it is known to be one. The time taken follows
// the depth of the tree, not the number of objects.
bool IsLiveScriptObject(const void* object);
