#include "platform/win32/Memory.h"

#include <cstdio>
#include <cstring>
#include <limits>
#include <mutex>

#include "platform/win32/Clock.h"

namespace {

struct MemInfo {
  size_t totalKiB = 0;
  size_t availableKiB = 0;
  size_t swapTotalKiB = 0;
  size_t swapFreeKiB = 0;
  bool ok = false;
};

MemInfo ReadMemInfo() {
  MemInfo info;
  std::FILE* file = std::fopen("/proc/meminfo", "r");
  if (file == nullptr) return info;
  char line[256];
  int found = 0;
  while (std::fgets(line, sizeof line, file) != nullptr) {
    char key[64];
    unsigned long long value = 0;
    if (std::sscanf(line, "%63[^:]: %llu", key, &value) != 2) continue;
    if (std::strcmp(key, "MemTotal") == 0) info.totalKiB = value, ++found;
    if (std::strcmp(key, "MemAvailable") == 0) info.availableKiB = value, ++found;
    if (std::strcmp(key, "SwapTotal") == 0) info.swapTotalKiB = value, ++found;
    if (std::strcmp(key, "SwapFree") == 0) info.swapFreeKiB = value, ++found;
  }
  std::fclose(file);
  info.ok = found == 4;
  return info;
}

void FillStatus(const MemInfo& info, MEMORYSTATUS* status) {
  *status = MEMORYSTATUS{};
  status->dwLength = sizeof(MEMORYSTATUS);
  const size_t plenty = std::numeric_limits<size_t>::max() / 4;
  if (!info.ok) {
    status->dwAvailPhys = status->dwTotalPhys = plenty;
    status->dwAvailPageFile = status->dwTotalPageFile = plenty;
    status->dwAvailVirtual = status->dwTotalVirtual = plenty;
    return;
  }
  status->dwTotalPhys = info.totalKiB * 1024;
  status->dwAvailPhys = info.availableKiB * 1024;
  status->dwTotalPageFile = info.swapTotalKiB * 1024;
  status->dwAvailPageFile = info.swapFreeKiB * 1024;
  status->dwTotalVirtual = status->dwTotalPhys + status->dwTotalPageFile;
  status->dwAvailVirtual = status->dwAvailPhys + status->dwAvailPageFile;
  if (info.totalKiB > 0) {
    status->dwMemoryLoad =
        static_cast<uint32_t>(100 - (info.availableKiB * 100) / info.totalKiB);
  }
}

// The last reading and when it was taken; worker threads ask too.
struct Cache {
  std::mutex lock;
  MEMORYSTATUS status{};
  uint64_t takenAt = 0;
  uint64_t reads = 0;
};

Cache& TheCache() {
  static Cache cache;
  return cache;
}

}  // namespace

void GlobalMemoryStatus(MEMORYSTATUS* status) {
  Cache& cache = TheCache();
  std::lock_guard guard(cache.lock);
  const uint64_t now = GetTickCount64();
  // A clock set back (a test's virtual clock) counts as an old reading.
  if (cache.reads == 0 || now < cache.takenAt || now - cache.takenAt >= kMemoryStatusAge) {
    FillStatus(ReadMemInfo(), &cache.status);
    cache.takenAt = now;
    ++cache.reads;
  }
  *status = cache.status;
}

uint64_t MemoryStatusReadCount() {
  Cache& cache = TheCache();
  std::lock_guard guard(cache.lock);
  return cache.reads;
}
