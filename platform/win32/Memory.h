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
void GlobalMemoryStatus(MEMORYSTATUS* status);
