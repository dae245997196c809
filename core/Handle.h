#pragma once
// Relocatable memory in the manner of the Macintosh memory manager. A handle is a stable
// reference to a block that may move when it is resized; code keeps the handle and reaches the
// bytes through it. Handles come from a fixed pool of records built at start-up.

#include <cstddef>
#include <cstdint>

#include "core/PString.h"

struct HandleRec {
  char* data;           // the block, or null; always one byte larger than size
  HandleRec* nextFree;  // free-list link; null while in use
  uint32_t size;        // what the owner asked for; 0xFFFFFFFF in a free record
  int16_t lockCount;    // 0 = unlocked; -1 in a free record
};
using Handle = HandleRec*;

inline constexpr int kHandlePoolSize = 1024;

// The block of a handle.
inline char* HandleData(Handle handle) { return handle->data; }

// Builds the pool of free records. Called once at start-up.
void InitHandlePool();
// Releases the pool at exit, with whatever blocks are still held.
void FreeHandlePool();

// A new unlocked handle of size bytes. Raises -108 when the heap refuses the block or when every
// record of the pool is in use.
Handle AllocHandle(uint32_t size);
Handle AllocHandleChecked(uint32_t size);
// Changes the size. On failure the handle is unchanged and the memory error becomes -108. A real
// resize unlocks the handle: callers lock it again when they need to.
void ResizeHandleRaw(Handle handle, uint32_t size);
// ResizeHandleRaw, raising -108 on failure.
void ResizeHandle(Handle handle, uint32_t size);
uint32_t GetHandleByteSize(Handle handle);

// Frees an unlocked handle and answers 0; a locked handle is kept and its lock count answered.
int16_t FreeHandle(Handle handle);
// FreeHandle for a handle that may be null; answers null.
Handle FreeHandleIfAny(Handle handle);

// Locking only counts; the only thing it prevents is FreeHandle.
void LockHandle(Handle handle);
void LockHandleHigh(Handle handle);
void LockHandle2(Handle handle);
// Unlocking clears the count, however often the handle was locked.
void UnlockHandle(Handle handle);
void UnlockHandle2(Handle handle);
bool IsHandleLocked(Handle handle);

// Replaces *handle by a new handle holding a copy of its bytes; the old handle stays allocated.
int16_t DuplicateHandleData(Handle* handle);
// Resizes handle to n and copies n bytes into it. A null handle answers -46. When the resize
// fails nothing is copied, the memory error stays set and -108 is answered.
int16_t SetHandleFromBytes(const void* source, Handle handle, uint32_t n);
// A new handle holding a copy of n bytes; null for a null source.
Handle NewHandleFromBytes(const void* source, uint32_t n);
// A new handle of 256 bytes holding the string's length byte and its 255 character places.
Handle NewStringHandle(const Str255& text);

// Plain heap blocks; never smaller than 4 bytes. Null when the heap refuses.
void* AllocPtr(size_t n);
void* SetPtrSize(void* block, size_t n);
void FreePtr(void* block);
// Copies n bytes; the ranges may overlap.
void CopyBytes(const void* source, void* destination, size_t n);

// Blocks larger than the ceiling are refused as if the heap were exhausted. Lets tests and
// low-memory checks drive the out-of-memory paths; SIZE_MAX (the default) lifts it.
void SetHeapCeiling(size_t bytes);

// Giving up and taking back the memory reserve: there is no reserve to manage.
inline int MemoryStubZero() { return 0; }
inline void MemoryNoop() {}
