#include "core/Handle.h"

#include <cstdlib>
#include <cstring>
#include <ctime>
#include <limits>
#include <memory>

#include "core/Failure.h"

namespace {

constexpr uint32_t kFreeSize = 0xFFFFFFFF;
constexpr int16_t kFreeLock = -1;
constexpr size_t kMinimumBlock = 4;

std::unique_ptr<HandleRec[]> gPool;
HandleRec* gFreeList = nullptr;
size_t gHeapCeiling = std::numeric_limits<size_t>::max();

void ResetToFree(HandleRec& record) { record = HandleRec{nullptr, nullptr, kFreeSize, kFreeLock}; }

void PushFree(HandleRec& record) {
  ResetToFree(record);
  record.nextFree = gFreeList;
  gFreeList = &record;
}

// The block size for a handle of size bytes: one more, so text may always be NUL-terminated.
// Zero when that does not fit a u32, which the callers treat as out of memory.
size_t BlockSizeFor(uint32_t size) { return size == kFreeSize ? 0 : size_t{size} + 1; }

}  // namespace

void InitHandlePool() {
  std::srand(static_cast<unsigned>(std::time(nullptr)));
  gPool = std::make_unique<HandleRec[]>(kHandlePoolSize);
  gFreeList = nullptr;
  for (int i = kHandlePoolSize - 1; i >= 0; --i) PushFree(gPool[i]);
}

void FreeHandlePool() {
  if (!gPool) return;
  for (int i = 0; i < kHandlePoolSize; ++i) std::free(gPool[i].data);
  gPool.reset();
  gFreeList = nullptr;
}

Handle AllocHandle(uint32_t size) {
  if (gFreeList == nullptr) ThrowFailure(kErrOutOfMemory, 0);
  HandleRec& record = *gFreeList;
  gFreeList = record.nextFree;
  const size_t blockSize = BlockSizeFor(size);
  record = HandleRec{blockSize != 0 ? static_cast<char*>(AllocPtr(blockSize)) : nullptr, nullptr,
                     size, 0};
  try {
    FailIfNull(record.data);
  } catch (...) {
    FreePtr(record.data);
    PushFree(record);
    throw;
  }
  return &record;
}

Handle AllocHandleChecked(uint32_t size) { return AllocHandle(size); }

void ResizeHandleRaw(Handle handle, uint32_t size) {
  if (size == handle->size) return;
  const size_t blockSize = BlockSizeFor(size);
  char* block = blockSize != 0 ? static_cast<char*>(SetPtrSize(handle->data, blockSize)) : nullptr;
  if (block == nullptr) {
    SetMemError(kErrOutOfMemory);
    return;
  }
  handle->data = block;
  handle->size = size;
  handle->lockCount = 0;
}

void ResizeHandle(Handle handle, uint32_t size) {
  ResizeHandleRaw(handle, size);
  FailIfMemError();
}

uint32_t GetHandleByteSize(Handle handle) { return handle->size; }

int16_t FreeHandle(Handle handle) {
  if (handle->lockCount != 0) return handle->lockCount;
  FreePtr(handle->data);
  PushFree(*handle);
  return 0;
}

Handle FreeHandleIfAny(Handle handle) {
  if (handle != nullptr) FreeHandle(handle);
  return nullptr;
}

void LockHandle(Handle handle) { ++handle->lockCount; }
void LockHandleHigh(Handle handle) { LockHandle(handle); }
void LockHandle2(Handle handle) { LockHandle(handle); }
void UnlockHandle(Handle handle) { handle->lockCount = 0; }
void UnlockHandle2(Handle handle) { UnlockHandle(handle); }
bool IsHandleLocked(Handle handle) { return handle->lockCount > 0; }

int16_t DuplicateHandleData(Handle* handle) {
  Handle original = *handle;
  Handle copy = AllocHandle(original->size);
  LockHandle(original);
  LockHandle(copy);
  CopyBytes(original->data, copy->data, original->size);
  UnlockHandle(original);
  UnlockHandle(copy);
  *handle = copy;
  return 0;
}

int16_t SetHandleFromBytes(const void* source, Handle handle, uint32_t n) {
  if (handle == nullptr) return -46;
  ResizeHandleRaw(handle, n);
  if (handle->size != n) return kErrOutOfMemory;
  CopyBytes(source, handle->data, n);
  return 0;
}

Handle NewHandleFromBytes(const void* source, uint32_t n) {
  if (source == nullptr) return nullptr;
  Handle handle = AllocHandle(n);
  CopyBytes(source, handle->data, n);
  return handle;
}

Handle NewStringHandle(const Str255& text) {
  return NewHandleFromBytes(text.Body(), Str255::kBodySize);
}

void* AllocPtr(size_t n) {
  const size_t size = n < kMinimumBlock ? kMinimumBlock : n;
  return size > gHeapCeiling ? nullptr : std::malloc(size);
}

void* SetPtrSize(void* block, size_t n) {
  if (block == nullptr) return AllocPtr(n);
  const size_t size = n < kMinimumBlock ? kMinimumBlock : n;
  return size > gHeapCeiling ? nullptr : std::realloc(block, size);
}

void FreePtr(void* block) { std::free(block); }

void CopyBytes(const void* source, void* destination, size_t n) {
  if (n != 0) std::memmove(destination, source, n);
}

void SetHeapCeiling(size_t bytes) { gHeapCeiling = bytes; }
