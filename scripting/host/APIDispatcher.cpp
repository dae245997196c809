// Script objects: references, the tree of children that decides which objects are alive, and
// collections over lists of world objects.

#include "scripting/host/APIDispatcher.h"

#include <algorithm>
#include <unordered_set>

#include "core/List.h"
#include "scripting/host/CallFrame.h"

IMPLEMENT_DYNAMIC(TAPIDispatcher, CCmdTarget)
IMPLEMENT_DYNAMIC(TAPICollection, TAPIDispatcher)

namespace {

TAPIDispatcher* g_root = nullptr;

// Every script object that exists, so that an address a script hands back can be tested before
// anything is read through it.
std::unordered_set<const TAPIDispatcher*>& ExistingObjects() {
  static std::unordered_set<const TAPIDispatcher*> objects;
  return objects;
}

}  // namespace

void TAPICallLog::NoteCall(const char*) {}

TAPIDispatcher* LiveObjectRoot() { return g_root; }
void SetLiveObjectRoot(TAPIDispatcher* root) { g_root = root; }

bool IsLiveScriptObject(const void* object) {
  if (object == nullptr || g_root == nullptr) return false;
  if (object == g_root) return true;
  const auto* candidate = static_cast<const TAPIDispatcher*>(object);
  if (!ExistingObjects().contains(candidate)) return false;
  for (const TAPIDispatcher* p = candidate->parent(); p != nullptr; p = p->parent())
    if (p == g_root) return true;
  return false;
}

TAPIDispatcher::TAPIDispatcher() { ExistingObjects().insert(this); }

TAPIDispatcher::TAPIDispatcher(TAPICallLog* callLog, void* target, TAPIDispatcher* parent)
    : callLog_(callLog) {
  ExistingObjects().insert(this);
  AttachToParent(parent);
  if (target != nullptr) {
    target_ = target;
    bound_ = 1;
  }
}

TAPIDispatcher::~TAPIDispatcher() {
  if (children_) {
    std::vector<TAPIDispatcher*> children = std::move(*children_);
    children_.reset();
    for (TAPIDispatcher* child : children) {
      child->parent_ = nullptr;
      // One that is still held lives on out of the tree; its holder deletes it.
      if (child->refCount_ <= 0) delete child;
    }
  }
  if (parent_ != nullptr) parent_->RemoveChild(this);
  if (g_root == this) g_root = nullptr;
  ExistingObjects().erase(this);
}

void TAPIDispatcher::AttachToParent(TAPIDispatcher* parent) {
  if (parent == nullptr) return;
  parent_ = parent;
  parent->AddChild(this);
}

void TAPIDispatcher::CutLoose() {
  if (parent_ != nullptr) parent_->RemoveChild(this);
  parent_ = nullptr;
}

void TAPIDispatcher::AddRef() { ++refCount_; }

void TAPIDispatcher::Release() {
  if (refCount_ > 0) --refCount_;
  if (refCount_ == 0 && ChildCount() == 0) delete this;
}

void TAPIDispatcher::AddChild(TAPIDispatcher* child) {
  if (!children_) children_ = std::make_unique<std::vector<TAPIDispatcher*>>();
  children_->push_back(child);
}

void TAPIDispatcher::RemoveChild(TAPIDispatcher* child) {
  if (!children_) return;
  const auto at = std::find(children_->begin(), children_->end(), child);
  if (at != children_->end()) children_->erase(at);
}

bool TAPIDispatcher::IsKindOfTag(uint32_t tag) const { return tag == kTag; }

const Str31& TAPIDispatcher::GetClassName() const {
  static const Str31 name("TAPIDispatcher");
  return name;
}

void TAPIDispatcher::DeleteIfUnreferenced() {
  if (refCount_ > 0) --refCount_;
  if (refCount_ > 0) {
    target_ = nullptr;
    bound_ = 1;
    CutLoose();
    return;
  }
  delete this;
}

bool TAPIDispatcher::Contains(const TAPIDispatcher* object) const {
  if (object == this) return true;
  if (!children_) return false;
  for (const TAPIDispatcher* child : *children_)
    if (child->Contains(object)) return true;
  return false;
}

TAPICollection::TAPICollection(TList* list) {
  SetTarget(list);
  SetTag(kTag);
}

bool TAPICollection::IsKindOfTag(uint32_t tag) const {
  return tag == kTag || TAPIDispatcher::IsKindOfTag(tag);
}

const Str31& TAPICollection::GetClassName() const {
  static const Str31 name("TAPICollection");
  return name;
}

TAPIDispatcher* TAPICollection::WrapItem(TObject*) { return nullptr; }

APIResult TAPICollection::Count(int32_t* count) {
  TAPICallContext context(this, "");
  *count = List() != nullptr && !bound() ? List()->GetCount() : 0;
  return context.Result();
}

APIResult TAPICollection::Item(int16_t index, TAPIDispatcher** item) {
  TAPICallContext context(this, "");
  *item = nullptr;
  const int32_t count = List() != nullptr && !bound() ? List()->GetCount() : 0;
  if (index >= 1 && index <= count) *item = WrapItem(List()->At(index));
  return context.Result();
}
