#include "platform/mfc/CFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <limits>

#include "platform/win32/FileIO.h"

IMPLEMENT_DYNAMIC(CFileException, CException)
IMPLEMENT_DYNAMIC(CFile, CObject)

int32_t CFileException::OsErrorToException(int osError) {
  switch (osError) {
    case 0:
      return none;
    case ENOENT:
      return fileNotFound;
    case ENOTDIR:
    case ENAMETOOLONG:
    case ELOOP:
      return badPath;
    case EMFILE:
    case ENFILE:
      return tooManyOpenFiles;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR:
    case EEXIST:
      return accessDenied;
    case EBADF:
      return invalidFile;
    case ESPIPE:
    case EINVAL:
    case EOVERFLOW:
      return badSeek;
    case EIO:
      return hardIO;
    case ETXTBSY:
    case EBUSY:
      return sharingViolation;
    case ENOLCK:
    case EDEADLK:
      return lockViolation;
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
      return diskFull;
    default:
      return generic;
  }
}

void CFileException::ThrowOsError(int osError, const std::string& fileName) {
  throw CFileException(OsErrorToException(osError), osError, fileName);
}

namespace {

// The full path in the program's character set.
std::string FullPath(const char* fileName) {
  if (fileName[0] == '/') return fileName;
  char directory[PATH_MAX];
  if (::getcwd(directory, sizeof directory) == nullptr) return fileName;
  std::string path;
  if (!FileNameFromSystem(directory, path)) return fileName;
  if (path.empty() || path.back() != '/') path += '/';
  return path + fileName;
}

int PosixOpenFlags(uint32_t flags) {
  int result = O_CLOEXEC;
  switch (flags & 3) {
    case CFile::modeWrite:
      result |= O_WRONLY;
      break;
    case CFile::modeReadWrite:
      result |= O_RDWR;
      break;
    default:
      result |= O_RDONLY;
      break;
  }
  if (flags & CFile::modeCreate) {
    result |= O_CREAT;
    if (!(flags & CFile::modeNoTruncate)) result |= O_TRUNC;
  }
  return result;
}

// The status of an open descriptor (name empty) or of a named file. The creation time is the
// birth time where the file system keeps one, else the time the status last changed.
bool ReadStatus(int fd, const char* name, CFileStatus& status) {
  struct statx info;
  const int flags = name[0] == '\0' ? AT_EMPTY_PATH : 0;
  if (::statx(fd, name, flags, STATX_BASIC_STATS | STATX_BTIME, &info) != 0) return false;
  const bool born = (info.stx_mask & STATX_BTIME) != 0 && info.stx_btime.tv_sec != 0;
  status.m_ctime = born ? info.stx_btime.tv_sec : info.stx_ctime.tv_sec;
  status.m_mtime = info.stx_mtime.tv_sec;
  status.m_atime = info.stx_atime.tv_sec;
  status.m_size = static_cast<int64_t>(info.stx_size);
  status.m_attribute = (info.stx_mode & 0222) == 0 ? 0x01 : 0x00;
  return true;
}

}  // namespace

CFile::~CFile() {
  Abort();
}

bool CFile::Open(const char* fileName, uint32_t openFlags, CFileException* error) {
  auto fail = [&](int osError) {
    if (error != nullptr) {
      *error = CFileException(CFileException::OsErrorToException(osError), osError,
                              fileName != nullptr ? fileName : "");
    }
    return false;
  };
  if (fileName == nullptr || fileName[0] == '\0') return fail(ENOENT);
  if (m_hFile != hFileNull) return fail(EBUSY);
  const int fd = ::open(FileNameToSystem(fileName).c_str(), PosixOpenFlags(openFlags), 0666);
  if (fd < 0) return fail(errno);
  struct stat info;
  if (::fstat(fd, &info) != 0 || S_ISDIR(info.st_mode)) {
    ::close(fd);
    return fail(EACCES);  // a directory is not a file
  }
  m_hFile = fd;
  m_strFileName = FullPath(fileName);
  return true;
}

void CFile::Close() {
  if (m_hFile == hFileNull) return;
  const int fd = m_hFile;
  m_hFile = hFileNull;
  if (::close(fd) != 0) CFileException::ThrowOsError(errno, m_strFileName);
}

void CFile::Abort() {
  if (m_hFile == hFileNull) return;
  ::close(m_hFile);
  m_hFile = hFileNull;
}

uint32_t CFile::Read(void* buffer, uint32_t count) {
  if (count == 0) return 0;
  if (buffer == nullptr) CFileException::ThrowOsError(EINVAL, m_strFileName);
  uint32_t done = 0;
  while (done < count) {
    const ssize_t n = ::read(m_hFile, static_cast<char*>(buffer) + done, count - done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) CFileException::ThrowOsError(errno, m_strFileName);
    if (n == 0) break;
    done += static_cast<uint32_t>(n);
  }
  return done;
}

void CFile::Write(const void* buffer, uint32_t count) {
  if (count == 0) return;
  if (buffer == nullptr) CFileException::ThrowOsError(EINVAL, m_strFileName);
  uint32_t done = 0;
  while (done < count) {
    const ssize_t n = ::write(m_hFile, static_cast<const char*>(buffer) + done, count - done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) CFileException::ThrowOsError(errno, m_strFileName);
    if (n == 0) CFileException::ThrowOsError(ENOSPC, m_strFileName);
    done += static_cast<uint32_t>(n);
  }
}

int32_t CFile::Seek(int32_t offset, uint32_t from) {
  int64_t base = 0;
  if (from == current) {
    base = GetPosition();
  } else if (from == end) {
    base = GetLength();
  } else if (from != begin) {
    CFileException::ThrowOsError(EINVAL, m_strFileName);
  }
  const int64_t target = base + offset;
  if (target < 0 || target > std::numeric_limits<int32_t>::max()) {
    CFileException::ThrowOsError(EINVAL, m_strFileName);
  }
  if (::lseek(m_hFile, static_cast<off_t>(target), SEEK_SET) < 0) {
    CFileException::ThrowOsError(errno, m_strFileName);
  }
  return static_cast<int32_t>(target);
}

uint32_t CFile::GetPosition() const {
  const off_t position = ::lseek(m_hFile, 0, SEEK_CUR);
  if (position < 0) CFileException::ThrowOsError(errno, m_strFileName);
  if (position > std::numeric_limits<int32_t>::max()) {
    CFileException::ThrowOsError(EOVERFLOW, m_strFileName);
  }
  return static_cast<uint32_t>(position);
}

uint32_t CFile::GetLength() const {
  struct stat info;
  if (::fstat(m_hFile, &info) != 0) CFileException::ThrowOsError(errno, m_strFileName);
  if (info.st_size > std::numeric_limits<int32_t>::max()) {
    CFileException::ThrowOsError(EOVERFLOW, m_strFileName);
  }
  return static_cast<uint32_t>(info.st_size);
}

void CFile::SetLength(uint32_t length) {
  if (length > static_cast<uint32_t>(std::numeric_limits<int32_t>::max())) {
    CFileException::ThrowOsError(EINVAL, m_strFileName);
  }
  if (::ftruncate(m_hFile, static_cast<off_t>(length)) != 0) {
    CFileException::ThrowOsError(errno, m_strFileName);
  }
}

bool CFile::GetStatus(CFileStatus& status) const {
  if (m_hFile == hFileNull || !ReadStatus(m_hFile, "", status)) return false;
  status.m_szFullName = m_strFileName;
  return true;
}

bool CFile::GetStatus(const char* fileName, CFileStatus& status) {
  if (fileName == nullptr || fileName[0] == '\0') return false;
  if (!ReadStatus(AT_FDCWD, FileNameToSystem(fileName).c_str(), status)) return false;
  status.m_szFullName = FullPath(fileName);
  return true;
}

void CFile::Remove(const char* fileName) {
  if (fileName == nullptr) CFileException::ThrowOsError(ENOENT);
  const std::string name = FileNameToSystem(fileName);
  struct stat info;
  if (::lstat(name.c_str(), &info) == 0 && S_ISDIR(info.st_mode)) {
    CFileException::ThrowOsError(EACCES, fileName);
  }
  if (::unlink(name.c_str()) != 0) CFileException::ThrowOsError(errno, fileName);
}

void CFile::Rename(const char* oldName, const char* newName) {
  if (oldName == nullptr || newName == nullptr) CFileException::ThrowOsError(ENOENT);
  const std::string from = FileNameToSystem(oldName);
  const std::string to = FileNameToSystem(newName);
  if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return;
  if (errno != EINVAL && errno != ENOSYS) CFileException::ThrowOsError(errno, oldName);
  struct stat info;
  if (::lstat(to.c_str(), &info) == 0) CFileException::ThrowOsError(EEXIST, oldName);
  if (::rename(from.c_str(), to.c_str()) != 0) CFileException::ThrowOsError(errno, oldName);
}
