#pragma once
// Storage for the solver's largest arrays: the factor of a pile's J W J', the layout its values
// are assembled into, and the plan of that assembly, each some megabytes to tens of megabytes.
// They are nearly all written whole before they are read, so their new elements are left
// unset rather than cleared first (see construct below).
//
// Arrays of 2 MiB and more are asked for on large pages (2 MiB each), and the kernel gives them
// where it has them. A pile's start writes some hundred megabytes of fresh memory, and on the
// ordinary pages every 4 KiB of it is a fault of its own: on a virtual machine where a fault
// costs some microseconds, the faults were near a third of a 5,000-body pile's start, and
// large pages took some 30% off its start and first three frames together. Each such array is
// rounded up to whole large pages, since a part of one past the end would be left on ordinary
// pages (which measured slower). Smaller arrays of some hundred kilobytes stay on ordinary pages,
// but the whole pages inside them are made present in one call rather than by a fault per page
// as they are first written: there a fault costs some ten microseconds, and a call about half
// of that per page.

#include <sys/mman.h>
#include <cstddef>
#include <cstdint>
#include <new>
#include <type_traits>
#include <utility>
#include <vector>

namespace yb::dynamics {

template <class T>
struct UnsetAllocator {
  using value_type = T;

  UnsetAllocator() = default;
  template <class U>
  UnsetAllocator(const UnsetAllocator<U>&) {}

  static constexpr std::size_t kLargePage = std::size_t{2} << 20;
  static constexpr std::size_t kPresentFrom = std::size_t{128} << 10;

  T* allocate(std::size_t count) {
    const std::size_t bytes = count * sizeof(T);
    if (bytes < kLargePage) {
      void* memory = ::operator new(bytes);
      if (bytes >= kPresentFrom) MakePresent(memory, bytes);
      return static_cast<T*>(memory);
    }
    const std::size_t rounded = (bytes + kLargePage - 1) / kLargePage * kLargePage;
    void* memory = ::operator new (rounded, std::align_val_t{kLargePage});
    madvise(memory, rounded, MADV_HUGEPAGE);
    return static_cast<T*>(memory);
  }
  void deallocate(T* memory, std::size_t count) {
    if (count * sizeof(T) < kLargePage) return ::operator delete(memory);
    ::operator delete (memory, std::align_val_t{kLargePage});
  }

  // The whole pages inside [memory, memory + bytes) written into the process's memory at once;
  // a kernel without the call leaves them to be faulted in as before.
  static void MakePresent(void* memory, std::size_t bytes) {
#ifdef MADV_POPULATE_WRITE
    constexpr std::uintptr_t kPage = 4096;
    const auto begin = (reinterpret_cast<std::uintptr_t>(memory) + kPage - 1) & ~(kPage - 1);
    const auto end = (reinterpret_cast<std::uintptr_t>(memory) + bytes) & ~(kPage - 1);
    if (end > begin) madvise(reinterpret_cast<void*>(begin), end - begin, MADV_POPULATE_WRITE);
#else
    (void)memory;
    (void)bytes;
#endif
  }

  // New elements made without a value are default-initialised: a plain number is left unset
  // (resize or construct with a value to have one), and clearing first would write each
  // megabyte twice.
  template <class U>
  void construct(U* place) noexcept(std::is_nothrow_default_constructible_v<U>) {
    ::new (static_cast<void*>(place)) U;
  }
  template <class U, class... Args>
  void construct(U* place, Args&&... args) {
    ::new (static_cast<void*>(place)) U(std::forward<Args>(args)...);
  }

  template <class U>
  bool operator==(const UnsetAllocator<U>&) const {
    return true;
  }
  template <class U>
  bool operator!=(const UnsetAllocator<U>&) const {
    return false;
  }
};

template <class T>
using LargeVector = std::vector<T, UnsetAllocator<T>>;

}  // namespace yb::dynamics
