#pragma once
// The runtime library's file-descriptor calls, over POSIX. Failures answer -1 and leave the
// reason in errno, reduced to the few values the runtime reports: ENOENT (no such file or
// directory), EACCES (not permitted, read-only, a directory, ...), EMFILE (no descriptor left),
// EBADF (not an open descriptor), EINVAL (bad argument or position), ENOSPC (disk full) and EIO
// for anything else. Paths are the program's text (Windows-1252) and become UTF-8 only when they
// reach the system. There is no text mode: bytes are read and written as given.

#include <cstdint>
#include <string>

inline constexpr int _O_RDONLY = 0x0000;
inline constexpr int _O_WRONLY = 0x0001;
inline constexpr int _O_RDWR = 0x0002;
inline constexpr int _O_APPEND = 0x0008;
inline constexpr int _O_CREAT = 0x0100;
inline constexpr int _O_TRUNC = 0x0200;
inline constexpr int _O_EXCL = 0x0400;
inline constexpr int _O_BINARY = 0x8000;

inline constexpr int _S_IREAD = 0x0100;
inline constexpr int _S_IWRITE = 0x0080;

// Opens a file. A directory cannot be opened as a file (EACCES). With _O_CREAT, permission says
// whether the new file may be written (_S_IWRITE) or is read-only.
int _open(const char* path, int flags, int permission = _S_IREAD | _S_IWRITE);
// Creates or truncates a file and opens it for writing.
int _creat(const char* path, int permission);
// Reads up to count bytes; answers the bytes read (0 at the end of the file) or -1.
int32_t _read(int fd, void* buffer, uint32_t count);
// Writes count bytes; answers the bytes written or -1.
int32_t _write(int fd, const void* buffer, uint32_t count);
// Moves the position (origin 0 start, 1 current, 2 end); answers the new position or -1. A
// position below 0 or beyond what 32 bits hold is EINVAL.
int32_t _lseek(int fd, int32_t offset, int origin);
int32_t _tell(int fd);
// 1 at the end of the file, 0 before it, -1 on failure.
int _eof(int fd);
int32_t _filelength(int fd);
// Sets the file's length; 0 on success.
int _chsize(int fd, int32_t length);
int _close(int fd);
int _unlink(const char* path);
// Renames a file; 0 on success. An existing file of the new name is not replaced (EACCES).
int RuntimeRename(const char* oldPath, const char* newPath);

// A file name in the program's character set as the system's UTF-8 name.
std::string FileNameToSystem(const char* name);
// A system (UTF-8) name in the program's character set; false when a character has no byte there
// or the name is not valid UTF-8 (out is then incomplete).
bool FileNameFromSystem(const std::string& name, std::string& out);
