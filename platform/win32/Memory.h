#pragma once
// The system's memory figures, read from the kernel.

#include <cstddef>
#include <cstdint>

struct MEMORYSTATUS {
  uint32_t dwLength;
  uint32_t dwMemoryLoad;  // percent of physical memory in use
  size_t dwTotalPhys;
  size_t dwAvailPhys;
  size_t dwTotalPageFile;
  size_t dwAvailPageFile;
  size_t dwTotalVirtual;
  size_t dwAvailVirtual;
};

// Fills the status from /proc/meminfo: available physical memory is what the kernel reports as
// available for new work, the page file is swap. When the figures cannot be read, every
// available amount reads as the maximum, so that a missing /proc never looks like low memory.
// The low-memory test asks for the status at every idle pass and menu set-up, so a reading is
// kept for kMemoryStatusAge milliseconds of the layer's clock (Clock.h) and answered again.
inline constexpr uint32_t kMemoryStatusAge = 250;
void GlobalMemoryStatus(MEMORYSTATUS* status);

// How many times the kernel's figures have been read since the process started.
uint64_t MemoryStatusReadCount();
