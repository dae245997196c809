#pragma once
// The place where a world object or a quantity keeps its script object. The model knows script
// objects only as opaque objects: the scripting layer installs the maker that makes one for an
// object and the call that lets it go. The slot holds the object's one reference to its script
// object; a copy of an object starts without one, since a script object stands for one object.

class CCmdTarget;

template <class Owner>
struct TScriptObjectMaker {
  // A new script object for the owner below the parent, holding one reference for the owner;
  // null when the owner has none.
  CCmdTarget* (*make)(Owner& owner, CCmdTarget* parent) = nullptr;
  // The owner gives up its reference: the object goes, or is cut loose if scripts hold it.
  void (*release)(CCmdTarget* object) = nullptr;
};

template <class Owner>
class TScriptSlot {
 public:
  TScriptSlot() = default;
  TScriptSlot(const TScriptSlot&) {}
  TScriptSlot& operator=(const TScriptSlot&) { return *this; }
  ~TScriptSlot() { Release(); }

  static void SetMaker(const TScriptObjectMaker<Owner>& maker) { Maker() = maker; }
  static const TScriptObjectMaker<Owner>& GetMaker() { return Maker(); }

  // The kept object; made on the first request that names a parent.
  CCmdTarget* Get(Owner& owner, CCmdTarget* parent) {
    if (object_ == nullptr && parent != nullptr && Maker().make != nullptr)
      object_ = Maker().make(owner, parent);
    return object_;
  }
  CCmdTarget* Kept() const { return object_; }
  // The script object went first; nothing is released.
  void Forget() { object_ = nullptr; }
  // Gives up the owner's reference.
  void Release() {
    CCmdTarget* object = object_;
    object_ = nullptr;
    if (object != nullptr && Maker().release != nullptr) Maker().release(object);
  }

 private:
  static TScriptObjectMaker<Owner>& Maker() {
    static TScriptObjectMaker<Owner> maker;
    return maker;
  }
  CCmdTarget* object_ = nullptr;
};
