#include "core/Failure.h"

#include <utility>

#include "platform/win32/Memory.h"

IMPLEMENT_DYNAMIC(QVException, CException)

namespace {

constexpr uint64_t kLowMemoryBytes = 524288;

int16_t gMemError = 0;
const int16_t gResError = 0;

uint64_t SystemAvailableMemory() {
  MEMORYSTATUS status;
  GlobalMemoryStatus(&status);
  return static_cast<uint64_t>(status.dwAvailPhys) + status.dwAvailPageFile;
}

MemoryProbe& CurrentProbe() {
  static MemoryProbe probe = SystemAvailableMemory;
  return probe;
}

}  // namespace

void ThrowFailure(int16_t error, int32_t message) { throw QVException(error, message); }

void FailIfNull(const void* pointer) {
  if (pointer == nullptr) ThrowFailure(kErrOutOfMemory, 0);
}

void FailIfNullNoCode(const void* pointer) {
  if (pointer == nullptr) ThrowFailure(kErrNone, 1);
}

void FailIfNullResource(const void* pointer) {
  if (pointer != nullptr) return;
  ThrowFailure(gResError != 0 ? gResError : int16_t{2}, 0);
}

int16_t FailIfError(int16_t error) {
  if (error != 0) ThrowFailure(error, 0);
  return 0;
}

void FailIfResError() {
  if (gResError != 0) ThrowFailure(gResError, 0);
}

void FailIfMemError() {
  const int16_t error = gMemError;
  if (error == 0) return;
  gMemError = 0;
  ThrowFailure(error, 0);
}

int16_t GetMemError() { return gMemError; }
void SetMemError(int16_t error) { gMemError = error; }
int16_t GetResError() { return gResError; }

void SetMemoryProbe(MemoryProbe probe) {
  CurrentProbe() = probe ? std::move(probe) : MemoryProbe(SystemAvailableMemory);
}

bool IsMemoryLow() { return CurrentProbe()() < kLowMemoryBytes; }

void FailIfMemoryLow() {
  if (IsMemoryLow()) ThrowFailure(kErrOutOfMemory, 0);
}

bool IsSpaceLow() { return false; }

void FailIfSpaceLow() {
  if (IsSpaceLow()) ThrowFailure(kErrDiskSpace, kMsgDiskSpace);
}
