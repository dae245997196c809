#pragma once
// Ordered containers whose walks survive edits. A TDynamicArray is a 1-based array of fixed-size
// elements; every walk in progress (a walk cursor on the walker's stack) and every live iterator
// is registered with the array and adjusted by each insertion and deletion, so the code called
// during a walk may insert into, delete from or even free the array it walks. Freeing an array
// that is being walked empties it at once and deletes it when the last walk or iterator lets go.
//
//   TObject (257) > TCollection (320) > TDynamicArray (321) > TList (322) > TSortedList (323)

#include <cstddef>
#include <cstdint>
#include <type_traits>
#include <utility>

#include "core/TObject.h"

class TIterator;

namespace collection_detail {

// A non-owning reference to a callable, so that walks can take lambdas without allocating.
template <typename Signature>
class FunctionRef;

template <typename Result, typename... Args>
class FunctionRef<Result(Args...)> {
 public:
  template <typename F>
  requires(!std::is_same_v<std::remove_cvref_t<F>, FunctionRef> &&
           std::is_invocable_r_v<Result, F&, Args...>)
      FunctionRef(F&& f) {  // NOLINT: binds any callable
    using Target = std::remove_reference_t<F>;
    if constexpr (std::is_function_v<Target> || std::is_pointer_v<Target>) {
      // A plain function: kept as a function pointer, which is not an object pointer.
      using Pointer = std::conditional_t<std::is_function_v<Target>, Target*, Target>;
      bound_.function = reinterpret_cast<void (*)()>(static_cast<Pointer>(f));
      call_ = [](Bound bound, Args... args) -> Result {
        return static_cast<Result>(
            reinterpret_cast<Pointer>(bound.function)(std::forward<Args>(args)...));
      };
    } else {
      bound_.object = const_cast<void*>(static_cast<const void*>(&f));
      call_ = [](Bound bound, Args... args) -> Result {
        return static_cast<Result>(
            (*static_cast<Target*>(bound.object))(std::forward<Args>(args)...));
      };
    }
  }

  Result operator()(Args... args) const { return call_(bound_, std::forward<Args>(args)...); }

 private:
  union Bound {
    void* object;
    void (*function)();
  };
  Bound bound_;
  Result (*call_)(Bound, Args...);
};

}  // namespace collection_detail

// One walk in progress over a range of an array, kept current by the array's edits.
struct TWalkCursor {
  TWalkCursor* previous = nullptr;
  TWalkCursor* next = nullptr;
  int32_t low = 0;
  int32_t current = 0;
  int32_t high = 0;
  uint16_t ascending = 1;
};

class TCollection : public TObject {
  DECLARE_CLASS_ID(320, TObject)

 public:
  TCollection() = default;
  TCollection(const TCollection&) = delete;
  TCollection& operator=(const TCollection&) = delete;

  bool IsBeingWalked() const { return cursorHead_ != nullptr; }

 protected:
  void AttachCursor(TWalkCursor& cursor);
  void DetachCursor(TWalkCursor& cursor);
  // The walks in progress, in the order they started.
  TWalkCursor* FirstCursor() const { return cursorHead_; }
  void ClearCursors() { cursorHead_ = cursorTail_ = nullptr; }

 private:
  TWalkCursor* cursorHead_ = nullptr;
  TWalkCursor* cursorTail_ = nullptr;
};

class TDynamicArray : public TCollection {
  DECLARE_CLASS_ID(321, TCollection)

 public:
  // Element size 1 and no storage until IDynamicArray.
  TDynamicArray() = default;
  // Empties and releases the storage. Walk cursors still attached (the array was deleted rather
  // than freed) see an empty array; iterators still attached are detached and exhausted.
  ~TDynamicArray() override;

  // Makes the array ready for elements of the given size with room for capacity of them. A size
  // of 0 or less raises -32768; if anything fails, the array is freed and the failure raised
  // again.
  void IDynamicArray(int32_t capacity, int16_t elementSize);

  int32_t GetCount() const { return count_; }
  bool IsEmpty() const { return count_ == 0; }
  int16_t GetElementSize() const { return elementSize_; }
  // Each element occupies a slot of 2^shift bytes.
  int16_t GetShift() const { return shift_; }
  int32_t GetCapacity() const { return capacity_; }
  int32_t GetChunk() const { return chunk_; }
  // The capacity step; 0 makes the capacity follow the count exactly.
  void SetChunk(int32_t chunk) { chunk_ = chunk < 0 ? 0 : chunk; }

  // Makes room for wanted elements. The storage is reallocated only when wanted exceeds the
  // capacity or a whole chunk would be spare, to the smallest multiple of the chunk above wanted.
  // Raises -108 when the memory cannot be had; the array is then unchanged.
  virtual void SetCapacity(int32_t wanted);
  // Inserts n elements from source (laid out one per slot) before index (1..count + 1).
  virtual void InsertElementsBefore(int32_t index, const void* source, int32_t n);
  // Copies n elements from source over those at index.
  virtual void ReplaceElementsAt(int32_t index, const void* source, int32_t n);
  // Removes n elements at index; nothing for n = 0.
  virtual void DeleteElementsAt(int32_t index, int32_t n);
  // Copies n elements at index to destination (one per slot; the last copies only its own size).
  virtual void GetElementsAt(int32_t index, void* destination, int32_t n) const;
  // The address of element index; null outside 1..count.
  virtual void* ComputeAddress(int32_t index) const;

  // The leading pointer-sized value of element index (for lists, the object pointer); null
  // outside 1..count.
  void* At(int32_t index) const;

  // Walks ascending (FirstThat) or descending (LastThat), calling test with every non-null
  // element; answers the first for which it is true, else null.
  void* FirstThat(collection_detail::FunctionRef<bool(void*)> test);
  void* LastThat(collection_detail::FunctionRef<bool(void*)> test);
  // Calls action with every non-null element, ascending; never stops early.
  void EachWithArgs(collection_detail::FunctionRef<void(void*)> action);

  // Makes destination's elements equal to source's.
  static void CopyElements(const TDynamicArray& source, TDynamicArray& destination);

  // Deletes the array at once when nothing walks it; otherwise empties it, releases its storage
  // and leaves the deletion to the last walk or iterator that lets go. Only for arrays made with
  // new.
  void Free() override;
  bool IsFreeing() const { return freeing_ != 0; }

 protected:
  // Walks index by index from low to high (or back), calling visit until it answers true. The
  // cursor follows the array's edits. Answers where the walk stopped when that lies within
  // 0..count, else -1. A deferred free is completed when the walk ends, so the array may be gone
  // on return.
  int32_t Walk(bool ascending, collection_detail::FunctionRef<bool(int32_t)> visit);
  // Completes a deferred free once no walk or iterator holds the array. Answers true when the
  // array was deleted.
  bool CompletePendingFree();

  // Attaches a walk cursor for its lifetime. When it ends, also by a failure passing through,
  // the cursor is detached and a deferred free completed (the array may then be gone).
  class WalkScope {
   public:
    WalkScope(TDynamicArray& array, TWalkCursor& cursor);
    ~WalkScope();
    WalkScope(const WalkScope&) = delete;
    WalkScope& operator=(const WalkScope&) = delete;

   private:
    TDynamicArray& array_;
    TWalkCursor& cursor_;
  };

 private:
  friend class TIterator;

  char* Slot(int32_t index) const;
  size_t SlotBytes(int32_t n) const;
  // Bytes of n elements stored one per slot: whole slots, except the last, which counts only its
  // element size, so a caller's buffer is never read or written past its last element.
  size_t ElementBytes(int32_t n) const;
  void CheckRange(int32_t index, int32_t n, int32_t last) const;
  void AdjustAfterInsert(int32_t index, int32_t n);
  void AdjustAfterDelete(int32_t index, int32_t n);
  void ReleaseStorage();

  char* data_ = nullptr;
  TIterator* iterators_ = nullptr;  // the most recently attached iterator of the ring
  int32_t count_ = 0;
  int16_t elementSize_ = 1;
  int16_t shift_ = 0;
  int32_t chunk_ = 6;
  int32_t capacity_ = 0;
  int16_t freeing_ = 0;
};
