#include "platform/win32/FileIO.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <limits>

#include "platform/win32/ResourceText.h"

namespace {

// Folds the many reasons POSIX gives into the runtime's few.
int RuntimeErrno(int error) {
  switch (error) {
    case ENOENT:
    case ENOTDIR:
    case ENAMETOOLONG:
    case ELOOP:
      return ENOENT;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR:
    case EEXIST:
    case ETXTBSY:
    case EBUSY:
      return EACCES;
    case EMFILE:
    case ENFILE:
      return EMFILE;
    case EBADF:
      return EBADF;
    case EINVAL:
    case ESPIPE:
    case EOVERFLOW:
      return EINVAL;
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
      return ENOSPC;
    default:
      return EIO;
  }
}

int Fail(int error) {
  errno = RuntimeErrno(error);
  return -1;
}

int PosixFlags(int flags) {
  int result = O_CLOEXEC;
  switch (flags & 3) {
    case _O_WRONLY:
      result |= O_WRONLY;
      break;
    case _O_RDWR:
      result |= O_RDWR;
      break;
    default:
      result |= O_RDONLY;
      break;
  }
  if (flags & _O_APPEND) result |= O_APPEND;
  if (flags & _O_CREAT) result |= O_CREAT;
  if (flags & _O_TRUNC) result |= O_TRUNC;
  if (flags & _O_EXCL) result |= O_EXCL;
  return result;
}

}  // namespace

std::string FileNameToSystem(const char* name) {
  if (name == nullptr) return std::string();
  return Win1252ToUtf8(name, std::strlen(name));
}

bool FileNameFromSystem(const std::string& name, std::string& out) {
  out.clear();
  size_t i = 0;
  while (i < name.size()) {
    char32_t code = 0;
    size_t length = 0;
    if (!DecodeUtf8(name, i, code, length)) return false;
    // The shortest form only, so that no byte can hide behind a longer one.
    static constexpr char32_t kLeast[] = {0, 0x80, 0x800, 0x10000};
    if (code < kLeast[length - 1]) return false;
    uint8_t byte = 0;
    if (!ResourceCharFromUnicode(code, byte) || byte == 0) return false;
    out += static_cast<char>(byte);
    i += length;
  }
  return true;
}

int _open(const char* path, int flags, int permission) {
  if (path == nullptr) return Fail(EINVAL);
  const mode_t mode = (permission & _S_IWRITE) ? 0666 : 0444;
  const int fd = ::open(FileNameToSystem(path).c_str(), PosixFlags(flags), mode);
  if (fd < 0) return Fail(errno);
  struct stat status;
  if (::fstat(fd, &status) != 0 || S_ISDIR(status.st_mode)) {
    ::close(fd);
    return Fail(EACCES);
  }
  return fd;
}

int _creat(const char* path, int permission) {
  return _open(path, _O_WRONLY | _O_CREAT | _O_TRUNC, permission);
}

int32_t _read(int fd, void* buffer, uint32_t count) {
  if (count > static_cast<uint32_t>(std::numeric_limits<int32_t>::max())) return Fail(EINVAL);
  if (buffer == nullptr && count > 0) return Fail(EINVAL);
  uint32_t done = 0;
  while (done < count) {
    const ssize_t n = ::read(fd, static_cast<char*>(buffer) + done, count - done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return Fail(errno);
    if (n == 0) break;
    done += static_cast<uint32_t>(n);
  }
  return static_cast<int32_t>(done);
}

int32_t _write(int fd, const void* buffer, uint32_t count) {
  if (count > static_cast<uint32_t>(std::numeric_limits<int32_t>::max())) return Fail(EINVAL);
  if (buffer == nullptr && count > 0) return Fail(EINVAL);
  uint32_t done = 0;
  while (done < count) {
    const ssize_t n = ::write(fd, static_cast<const char*>(buffer) + done, count - done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return Fail(errno);
    if (n == 0) return Fail(ENOSPC);
    done += static_cast<uint32_t>(n);
  }
  return static_cast<int32_t>(done);
}

int32_t _lseek(int fd, int32_t offset, int origin) {
  int whence = SEEK_SET;
  switch (origin) {
    case 0:
      whence = SEEK_SET;
      break;
    case 1:
      whence = SEEK_CUR;
      break;
    case 2:
      whence = SEEK_END;
      break;
    default:
      return Fail(EINVAL);
  }
  // Work out the target first, so that a failed seek leaves the position where it was.
  const off_t current = ::lseek(fd, 0, SEEK_CUR);
  if (current < 0) return Fail(errno);
  off_t base = 0;
  if (whence == SEEK_CUR) base = current;
  if (whence == SEEK_END) {
    struct stat status;
    if (::fstat(fd, &status) != 0) return Fail(errno);
    base = status.st_size;
  }
  const int64_t target = static_cast<int64_t>(base) + offset;
  if (target < 0 || target > std::numeric_limits<int32_t>::max()) return Fail(EINVAL);
  if (::lseek(fd, static_cast<off_t>(target), SEEK_SET) < 0) return Fail(errno);
  return static_cast<int32_t>(target);
}

int32_t _tell(int fd) {
  const off_t position = ::lseek(fd, 0, SEEK_CUR);
  if (position < 0) return Fail(errno);
  if (position > std::numeric_limits<int32_t>::max()) return Fail(EINVAL);
  return static_cast<int32_t>(position);
}

int32_t _filelength(int fd) {
  struct stat status;
  if (::fstat(fd, &status) != 0) return Fail(errno);
  if (status.st_size > std::numeric_limits<int32_t>::max()) return Fail(EINVAL);
  return static_cast<int32_t>(status.st_size);
}

int _eof(int fd) {
  const int32_t position = _tell(fd);
  if (position < 0) return -1;
  const int32_t length = _filelength(fd);
  if (length < 0) return -1;
  return position >= length ? 1 : 0;
}

int _chsize(int fd, int32_t length) {
  if (length < 0) return Fail(EINVAL);
  if (::ftruncate(fd, length) != 0) return Fail(errno);
  return 0;
}

int _close(int fd) {
  if (::close(fd) != 0) return Fail(errno);
  return 0;
}

int _unlink(const char* path) {
  if (path == nullptr) return Fail(EINVAL);
  const std::string name = FileNameToSystem(path);
  struct stat status;
  if (::lstat(name.c_str(), &status) == 0 && S_ISDIR(status.st_mode)) return Fail(EACCES);
  if (::unlink(name.c_str()) != 0) return Fail(errno);
  return 0;
}

int RuntimeRename(const char* oldPath, const char* newPath) {
  if (oldPath == nullptr || newPath == nullptr) return Fail(EINVAL);
  const std::string from = FileNameToSystem(oldPath);
  const std::string to = FileNameToSystem(newPath);
  if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return 0;
  if (errno != EINVAL && errno != ENOSYS) return Fail(errno);
  // A file system that cannot refuse to replace: check by hand.
  struct stat status;
  if (::lstat(to.c_str(), &status) == 0) return Fail(EEXIST);
  if (::rename(from.c_str(), to.c_str()) != 0) return Fail(errno);
  return 0;
}
