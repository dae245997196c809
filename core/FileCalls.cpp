#include "core/FileCalls.h"

#include <cerrno>
#include <cstring>
#include <utility>

#include "core/Failure.h"
#include "core/MacFile.h"
#include "platform/win32/FileIO.h"

namespace {

bool gUnversionedDocument = false;
bool gSiblingFormat = false;

FileDialogAnswerer& Answerer() {
  static FileDialogAnswerer answerer;
  return answerer;
}

// The code for errno after a failed open or create.
int16_t OpenError(int error) {
  switch (error) {
    case ENOENT:
      return kErrNoSuchVolume;
    case EACCES:
      return kErrWritePermission;
    case EMFILE:
      return kErrTooManyFiles;
    default:
      return kErrIO;
  }
}

// The code for errno after a failed read or write.
int16_t TransferError(int error) {
  switch (error) {
    case EBADF:
      return kErrBadRefNum;
    case EACCES:
      return kErrVolumeLocked;
    default:
      return kErrIO;
  }
}

int16_t BadDescriptorOrIO(int error) {
  return error == EBADF ? kErrBadRefNum : kErrIO;
}

// A descriptor as a reference number; one that does not fit 16 bits cannot be handed out.
bool ToReference(int fd, int16_t& reference) {
  if (fd > INT16_MAX) {
    _close(fd);
    errno = EMFILE;
    return false;
  }
  reference = static_cast<int16_t>(fd);
  return true;
}

int16_t OpenDescriptor(const char* name, int flags, int16_t& reference) {
  reference = -1;
  const int fd = _open(name, flags);
  if (fd < 0 || !ToReference(fd, reference)) return OpenError(errno);
  return 0;
}

// Reads exactly count bytes at offset; false for a short file, raises a read error.
bool ReadHeaderBytes(int16_t reference, int32_t offset, void* buffer, int32_t count) {
  FailIfError(SetFPos(reference, 0, offset));
  int32_t got = count;
  FailIfError(FSRead(reference, got, buffer));
  return got == count;
}

uint32_t SniffDocument(int16_t reference) {
  char signature[4] = {};
  if (!ReadHeaderBytes(reference, 0, signature, 4)) return kNoFileType;
  const uint32_t tag = TagFromString(signature);
  if (tag == MakeTag("ZAZU")) return kTextFileType;
  if (tag != kDocumentFileType) return kNoFileType;

  uint8_t word[2] = {};
  if (!ReadHeaderBytes(reference, 4, word, 2)) return kNoFileType;
  const uint16_t version = static_cast<uint16_t>(word[0] << 8 | word[1]);
  if (version == 1) return kDocumentFileType;
  if (version == 0) {
    uint8_t mark[2] = {};
    if (!ReadHeaderBytes(reference, 72, mark, 2)) return kNoFileType;
    if ((mark[0] | mark[1] << 8) == 0xF613) {
      gUnversionedDocument = true;
      return kDocumentFileType;
    }
    gSiblingFormat = true;
    return kSiblingFileType;
  }
  // Any other word is the length of the version name that follows it.
  char name[256] = {};
  const int32_t length = version < 255 ? version : 255;
  if (!ReadHeaderBytes(reference, 6, name, length)) return kNoFileType;
  for (const char* sibling : {"15", "RE25", "RE25S"}) {
    if (std::strcmp(name, sibling) == 0) return kSiblingFileType;
  }
  return kDocumentFileType;
}

}  // namespace

int16_t FSpCreate(const char* name, int16_t& reference) {
  return OpenDescriptor(name, _O_RDWR | _O_CREAT | _O_TRUNC, reference);
}

int16_t FSpCreateSpec(FSSpec& spec, uint32_t /*creator*/, uint32_t /*type*/) {
  int16_t reference = -1;
  const int16_t code = FSpCreate(spec.name.Chars(), reference);
  spec.vRefNum = reference;
  return code;
}

int16_t FSpOpen(const FSSpec& spec, int8_t permission, int16_t& reference) {
  int flags = _O_RDONLY;
  if (permission == 3) flags = _O_RDWR;
  if (permission == 2) flags = _O_WRONLY;
  return OpenDescriptor(spec.name.Chars(), flags, reference);
}

int16_t FSpDelete(const char* name) {
  if (_unlink(name) == 0) return 0;
  switch (errno) {
    case ENOENT:
      return kErrFileNotFound;
    case EACCES:
      return kErrWritePermission;
    default:
      return kErrIO;
  }
}

int16_t FSpDeleteSpec(const FSSpec& spec) {
  return FSpDelete(spec.name.Chars());
}

int16_t FSpRename(const char* oldName, const char* newName) {
  if (RuntimeRename(oldName, newName) == 0) return 0;
  switch (errno) {
    case ENOENT:
      return kErrNoSuchVolume;
    case EACCES:
      return kErrWritePermission;
    default:
      return kErrIO;
  }
}

int16_t FSRead(int16_t reference, int32_t& count, void* buffer) {
  if (count < 0) {
    count = 0;
    return kErrIO;
  }
  const int32_t got = _read(reference, buffer, static_cast<uint32_t>(count));
  if (got < 0) {
    count = 0;
    return TransferError(errno);
  }
  count = got;
  return 0;
}

int16_t FSWrite(int16_t reference, int32_t& count, const void* buffer) {
  if (count < 0) {
    count = 0;
    return kErrIO;
  }
  const int32_t written = _write(reference, buffer, static_cast<uint32_t>(count));
  if (written < 0) {
    count = 0;
    return TransferError(errno);
  }
  count = written;
  return 0;
}

int16_t GetEOF(int16_t reference, int32_t& length) {
  length = 0;
  if (_eof(reference) < 0) return BadDescriptorOrIO(errno);
  const int32_t size = _filelength(reference);
  if (size < 0) return BadDescriptorOrIO(errno);
  length = size;
  return 0;
}

int16_t GetForkEOF(int16_t fork, int16_t reference, int32_t& length) {
  length = 0;
  if (fork != 0) return kErrBadRefNum;
  const int32_t size = _filelength(reference);
  if (size < 0) return BadDescriptorOrIO(errno);
  length = size;
  return 0;
}

int16_t GetFPos(int16_t reference, int32_t& position) {
  position = 0;
  const int32_t where = _tell(reference);
  if (where < 0) return kErrBadRefNum;
  position = where;
  return 0;
}

int16_t SetFPos(int16_t reference, int16_t origin, int32_t offset) {
  if (_lseek(reference, offset, origin) >= 0) return 0;
  switch (errno) {
    case EBADF:
      return kErrBadRefNum;
    case EINVAL:
      return kErrPosition;
    default:
      return kErrIO;
  }
}

int16_t FSClose(int16_t reference) {
  if (_close(reference) == 0) return 0;
  return BadDescriptorOrIO(errno);
}

int16_t OpenFileByName(const char* name, int16_t /*ignored*/, int16_t& reference) {
  reference = 0;
  int16_t opened = 0;
  const int fd = _open(name, _O_RDWR);
  if (fd < 0 || !ToReference(fd, opened)) return kErrIO;
  reference = opened;
  return 0;
}

int16_t OpenForWriting(const char* name, int16_t /*ignored*/, int16_t& reference) {
  reference = -1;
  int16_t opened = 0;
  const int fd = _open(name, _O_RDWR | _O_CREAT | _O_TRUNC);
  if (fd < 0 || !ToReference(fd, opened)) return kErrIO;
  reference = opened;
  return 0;
}

int16_t RenameFile(const char* name, const char* newName) {
  TMacFile file{Str255(name)};
  return file.Rename(Str255(newName));
}

int16_t DeleteFile(const char* name) {
  TMacFile file{Str255(name)};
  return file.Delete();
}

uint32_t GetFileTypeOfPath(const char* path) {
  gUnversionedDocument = false;
  gSiblingFormat = false;
  const int fd = _open(path, _O_RDONLY);
  int16_t reference = -1;
  if (fd < 0 || !ToReference(fd, reference)) {
    const char* extension = FileExtensionPart(path);
    if (extension != nullptr && std::strcmp(extension, "vav") == 0) return kTextFileType;
    if (extension != nullptr && std::strcmp(extension, "yb") == 0) return kDocumentFileType;
    return kSiblingFileType;
  }
  // Close before any failure leaves.
  struct Closer {
    int16_t reference;
    ~Closer() { FSClose(reference); }
  } closer{reference};
  return SniffDocument(reference);
}

bool IsUnversionedDocument() {
  return gUnversionedDocument;
}
void SetUnversionedDocument(bool on) {
  gUnversionedDocument = on;
}
bool IsSiblingFormatDocument() {
  return gSiblingFormat;
}

void SetFileDialogAnswerer(FileDialogAnswerer answerer) {
  Answerer() = std::move(answerer);
}

TMacFileDialog::TMacFileDialog(bool open, const char* defaultExtension, const char* fileName,
                               const Str255& title, uint32_t flags, const char* filter)
    : title_(title), open_(open) {
  request_.open = open;
  request_.defaultExtension = defaultExtension != nullptr ? defaultExtension : "";
  request_.fileName = fileName != nullptr ? fileName : "";
  request_.title = title.Chars();
  request_.flags = flags;
  request_.filter = filter != nullptr ? filter : "";
}

uint16_t& TMacFileDialog::SharedCheckBoxState() {
  static uint16_t state = 1;
  return state;
}

int TMacFileDialog::DoModal() {
  path_.clear();
  if (!Answerer()) return kCancel;
  request_.checkBoxState = SharedCheckBoxState();
  std::optional<std::string> chosen = Answerer()(request_);
  SharedCheckBoxState() = request_.checkBoxState;
  if (!chosen.has_value()) return kCancel;
  path_ = std::move(*chosen);
  return kOk;
}
