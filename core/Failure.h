#pragma once
// One failure type for the whole program. A failure carries an error number and a message
// reference; error 0 is a silent abort. Check helpers raise it; handlers that own resources clean
// up and rethrow it unchanged; the outermost command dispatch reports it once.

#include <cstddef>
#include <cstdint>
#include <functional>

#include "platform/mfc/CException.h"

// Error numbers that several places raise.
inline constexpr int16_t kErrNone = 0;           // also the silent abort
inline constexpr int16_t kErrOutOfMemory = -108;
inline constexpr int16_t kErrDiskSpace = -107;
inline constexpr int32_t kMsgDiskSpace = -25111;

class QVException : public CException {
  DECLARE_DYNAMIC(QVException)

 public:
  QVException(int16_t error, int32_t message) : error_(error), message_(message) {}

  // The error number; 0 means a silent abort.
  int16_t error() const { return error_; }
  // 0 = none; high word = string-list identifier and low word = item number; low word 0 = the
  // text of the menu command whose number is the high word.
  int32_t message() const { return message_; }

 private:
  int16_t error_;
  int32_t message_;
};

// Raises a QVException holding both values.
[[noreturn]] void ThrowFailure(int16_t error, int32_t message);

// A null pointer raises -108 (out of memory).
void FailIfNull(const void* pointer);
// A null pointer raises the silent abort (error 0, message 1).
void FailIfNullNoCode(const void* pointer);
// A null pointer raises the pending resource error, or error 2 when there is none.
void FailIfNullResource(const void* pointer);
// A non-zero error is raised with message 0; otherwise answers 0.
int16_t FailIfError(int16_t error);
// A pending resource error is raised with message 0.
void FailIfResError();
// A pending memory error is cleared and raised with message 0.
void FailIfMemError();

// The process-wide memory error: set by a failed handle resize, cleared by FailIfMemError.
int16_t GetMemError();
void SetMemError(int16_t error);
// The process-wide resource error. Nothing in the program sets it; it reads 0.
int16_t GetResError();

// Available physical memory plus available page file, in bytes.
using MemoryProbe = std::function<uint64_t()>;
// Replaces the probe that IsMemoryLow asks; an empty probe restores the system's figures.
void SetMemoryProbe(MemoryProbe probe);

// True when less than 512 KB of physical memory and page file is left.
bool IsMemoryLow();
// Raises -108 when IsMemoryLow.
void FailIfMemoryLow();
// Disk space is never reported low.
bool IsSpaceLow();
void FailIfSpaceLow();
