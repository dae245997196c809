#pragma once
// Storage for the solver's largest arrays: the factor of a pile's J W J', the layout its values
// are assembled into, and the plan of that assembly, each some megabytes to tens of megabytes.
// A new array's memory is given to the process page by page as it is first written, and on a
// virtual machine every page costs a trap: planning and factorising a pile of thousands of
// bodies spent more on those traps than on its arithmetic. An array this large is therefore
// placed on whole large pages (2 MiB), which the kernel is asked to back with large pages where
// it can: one trap per large page, and fewer address translations missed when a solve streams
// through the factor. Smaller arrays come from the ordinary heap.

#include <cstddef>
#include <cstdlib>
#include <new>
#include <type_traits>
#include <utility>
#include <vector>

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace yb::dynamics {

namespace detail {

// The size of a large page, and that of the smallest array placed on them: half of one, which
// would otherwise cost 256 traps.
constexpr std::size_t kLargePage = std::size_t{2} << 20;
constexpr std::size_t kLargeArray = kLargePage / 2;

inline std::size_t LargePageBytes(std::size_t bytes) {
  return (bytes + kLargePage - 1) / kLargePage * kLargePage;
}

}  // namespace detail

template <class T>
struct LargePageAllocator {
  using value_type = T;

  LargePageAllocator() = default;
  template <class U>
  LargePageAllocator(const LargePageAllocator<U>&) {}

  T* allocate(std::size_t count) {
    const std::size_t bytes = count * sizeof(T);
    if (bytes < detail::kLargeArray) return static_cast<T*>(::operator new(bytes));
    const std::size_t whole = detail::LargePageBytes(bytes);
    void* memory = std::aligned_alloc(detail::kLargePage, whole);
    if (memory == nullptr) throw std::bad_alloc();
#if defined(__linux__) && defined(MADV_HUGEPAGE)
    // Only advice: where the kernel has no large page to give, the array is on small pages.
    madvise(memory, whole, MADV_HUGEPAGE);
#endif
    return static_cast<T*>(memory);
  }

  // New elements made without a value are default-initialised: a plain number is left unset
  // (resize or construct with a value to have one). The large arrays are nearly all written
  // whole before they are read, and clearing first would write each megabyte twice.
  template <class U>
  void construct(U* place) noexcept(std::is_nothrow_default_constructible_v<U>) {
    ::new (static_cast<void*>(place)) U;
  }
  template <class U, class... Args>
  void construct(U* place, Args&&... args) {
    ::new (static_cast<void*>(place)) U(std::forward<Args>(args)...);
  }

  void deallocate(T* memory, std::size_t count) {
    if (count * sizeof(T) < detail::kLargeArray)
      ::operator delete(memory);
    else
      std::free(memory);
  }

  template <class U>
  bool operator==(const LargePageAllocator<U>&) const {
    return true;
  }
  template <class U>
  bool operator!=(const LargePageAllocator<U>&) const {
    return false;
  }
};

template <class T>
using LargeVector = std::vector<T, LargePageAllocator<T>>;

}  // namespace yb::dynamics
