#pragma once
// Storage for the solver's largest arrays: the factor of a pile's J W J', the layout its values
// are assembled into, and the plan of that assembly, each some megabytes to tens of megabytes.
// They are nearly all written whole before they are read, so their new elements are left
// unset rather than cleared first (see construct below).
//
// They stay on the ordinary pages of the heap. The kernel clears a large page (2 MiB) whole when
// it is first written, and on a virtual machine handing out memory it has not touched before,
// that costs some times what the ordinary pages of the same part do. A crowd's contact lists and
// a pile's plan are written once or twice each: on large pages the start of a 5,000-body pile
// takes a fifth longer, while its later solves, which stream through the factor again and
// again, gain a few per cent at most.

#include <cstddef>
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

  T* allocate(std::size_t count) { return static_cast<T*>(::operator new(count * sizeof(T))); }
  void deallocate(T* memory, std::size_t) { ::operator delete(memory); }

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
