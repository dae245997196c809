#pragma once
// A Macintosh-style file over the framework's file object: every operation answers a Macintosh
// error code (0 for success) instead of throwing, the file is named by a counted string holding
// its full path, and positions and lengths are 32-bit byte counts.

#include <cstdint>
#include <ctime>
#include <memory>

#include "core/PString.h"
#include "platform/mfc/CFile.h"

// The Macintosh error codes that file operations report.
inline constexpr int16_t kErrDirectoryFull = -33;
inline constexpr int16_t kErrDiskFull = -34;
inline constexpr int16_t kErrNoSuchVolume = -35;
inline constexpr int16_t kErrIO = -36;
inline constexpr int16_t kErrEndOfFile = -39;
inline constexpr int16_t kErrPosition = -40;
inline constexpr int16_t kErrTooManyFiles = -42;
inline constexpr int16_t kErrFileNotFound = -43;
inline constexpr int16_t kErrVolumeLocked = -46;
inline constexpr int16_t kErrBadRefNum = -51;
inline constexpr int16_t kErrWritePermission = -61;
// A folder was named where a file was expected.
inline constexpr int16_t kErrNotAFile = -1302;

// The code a file exception's cause stands for. A cause the table does not know is an
// input/output error: a failure never reads as success.
int16_t MacErrorFromFileCause(int32_t cause);

class TMacFile : public CObject {
  DECLARE_DYNAMIC(TMacFile)

 public:
  // Open modes: the framework file's flags.
  static constexpr uint16_t kRead = CFile::modeRead;
  static constexpr uint16_t kWrite = CFile::modeWrite;
  static constexpr uint16_t kReadWrite = CFile::modeReadWrite;
  static constexpr uint16_t kDenyWrite = CFile::shareDenyWrite;
  static constexpr uint16_t kCreate = CFile::modeCreate;

  // Which time GetFileDate answers.
  enum FileDate : int16_t { kCreationDate = 0, kModificationDate = 1, kAccessDate = 2 };

  // A new file object of its own, with an empty name.
  TMacFile();
  explicit TMacFile(const Str255& name);
  // Works on a file object that stays with the caller.
  explicit TMacFile(CFile* file);
  ~TMacFile() override;
  TMacFile(const TMacFile&) = delete;
  TMacFile& operator=(const TMacFile&) = delete;

  virtual int16_t Close();
  // Open the file, creating or truncating it; nothing happens when it is already open.
  virtual int16_t CreateNamed(const Str255& name, uint16_t mode);
  virtual int16_t Create(uint16_t mode);
  virtual int16_t Open(uint16_t mode);
  virtual int16_t OpenNamed(const Str255& name, uint16_t mode);
  virtual int16_t Delete();
  // Reads up to count bytes; count becomes what was read (0 after a failure). A short read at
  // the end of the file is no failure. A closed file reads nothing (count 0) and answers 0.
  virtual int16_t Read(void* buffer, int32_t& count);
  // Only a successful rename changes the object's name.
  virtual int16_t Rename(const Str255& newName);
  // Writes count bytes; count is kept on success and becomes 0 after a failure. A closed file
  // answers -51.
  virtual int16_t Write(const void* buffer, int32_t& count);
  virtual int16_t GetEOF(int32_t& length);
  virtual int16_t GetFPos(int32_t& position);
  virtual void GetName(Str255& name) const;
  virtual int16_t GetPath(Str255& path) const;
  virtual int16_t SetEOF(int32_t length);
  virtual int16_t SetFPos(int32_t offset, int16_t origin);
  virtual void SetName(const Str255& name);
  // Leaves time unchanged when the file's status cannot be read.
  virtual void GetFileDate(std::time_t& time, int16_t which);

  bool IsOpen() const;
  bool AtEnd();
  // True when the file is open or can be opened for reading; leaves its state as it was.
  bool CanOpen();

  int16_t volume() const { return volume_; }
  int32_t parent() const { return parent_; }

 private:
  int16_t OpenFile(const Str255& name, uint32_t flags);

  CFile* file_;
  std::unique_ptr<CFile> ownedFile_;
  int16_t volume_ = 0;
  int32_t parent_ = 0;
  Str255 name_;
};

// A new file object named name.
std::unique_ptr<TMacFile> NewMacFile(const Str255& name);
