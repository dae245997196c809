#pragma once
// The framework's file object over POSIX descriptors, and the exception that reports its
// failures by cause. File names are the program's text (Windows-1252); the system sees UTF-8.
// Opening reports failure through its answer (and the cause it fills in); every other operation
// throws a CFileException by value.

#include <cstdint>
#include <ctime>
#include <string>
#include <utility>

#include "platform/mfc/CException.h"

class CFileException : public CException {
  DECLARE_DYNAMIC(CFileException)

 public:
  enum Cause : int32_t {
    none = 0,
    generic = 1,
    fileNotFound = 2,
    badPath = 3,
    tooManyOpenFiles = 4,
    accessDenied = 5,
    invalidFile = 6,
    removeCurrentDir = 7,
    directoryFull = 8,
    badSeek = 9,
    hardIO = 10,
    sharingViolation = 11,
    lockViolation = 12,
    diskFull = 13,
    endOfFile = 14,
  };

  explicit CFileException(int32_t cause = none, int32_t osError = -1, std::string fileName = {})
      : m_cause(cause), m_lOsError(osError), m_strFileName(std::move(fileName)) {}

  // The cause that an errno value stands for.
  static int32_t OsErrorToException(int osError);
  [[noreturn]] static void ThrowOsError(int osError, const std::string& fileName = {});

  int32_t m_cause;
  int32_t m_lOsError;
  std::string m_strFileName;
};

struct CFileStatus {
  std::time_t m_ctime = 0;  // creation (the last status change where no birth time is kept)
  std::time_t m_mtime = 0;  // last modification
  std::time_t m_atime = 0;  // last access
  int64_t m_size = 0;
  uint8_t m_attribute = 0;  // 0x01 when the file is read-only
  std::string m_szFullName;
};

class CFile : public CObject {
  DECLARE_DYNAMIC(CFile)

 public:
  enum OpenFlags : uint32_t {
    modeRead = 0x0000,
    modeWrite = 0x0001,
    modeReadWrite = 0x0002,
    shareCompat = 0x0000,
    shareExclusive = 0x0010,
    shareDenyWrite = 0x0020,
    shareDenyRead = 0x0030,
    shareDenyNone = 0x0040,
    modeNoInherit = 0x0080,
    modeCreate = 0x1000,
    modeNoTruncate = 0x2000,
  };
  enum SeekPosition : uint32_t { begin = 0, current = 1, end = 2 };
  static constexpr int hFileNull = -1;

  CFile() = default;
  // Takes over an open descriptor; it is closed with the object.
  explicit CFile(int fd) : m_hFile(fd) {}
  ~CFile() override;
  CFile(const CFile&) = delete;
  CFile& operator=(const CFile&) = delete;

  // Opens the file; false on failure, with the cause in error when one is given. Sharing flags
  // are accepted and not enforced: Linux has no share modes.
  virtual bool Open(const char* fileName, uint32_t openFlags, CFileException* error = nullptr);
  virtual void Close();
  // Closes without throwing.
  virtual void Abort();

  // Reads up to count bytes; fewer at the end of the file, which is no failure.
  virtual uint32_t Read(void* buffer, uint32_t count);
  virtual void Write(const void* buffer, uint32_t count);
  // Moves the position and answers it. A position outside 0 .. 2^31-1 is a bad seek.
  virtual int32_t Seek(int32_t offset, uint32_t from);
  virtual uint32_t GetPosition() const;
  virtual uint32_t GetLength() const;
  virtual void SetLength(uint32_t length);
  // The full path the file was opened with; empty before the first Open.
  const std::string& GetFilePath() const { return m_strFileName; }
  bool GetStatus(CFileStatus& status) const;

  static void Remove(const char* fileName);
  // Refuses to replace an existing file of the new name.
  static void Rename(const char* oldName, const char* newName);
  static bool GetStatus(const char* fileName, CFileStatus& status);

  int m_hFile = hFileNull;

 private:
  std::string m_strFileName;
};
