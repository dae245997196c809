#include "core/MacFile.h"

IMPLEMENT_DYNAMIC(TMacFile, CObject)

int16_t MacErrorFromFileCause(int32_t cause) {
  switch (cause) {
    case CFileException::none:
      return 0;
    case CFileException::fileNotFound:
    case CFileException::badPath:
      return kErrFileNotFound;
    case CFileException::tooManyOpenFiles:
      return kErrTooManyFiles;
    case CFileException::invalidFile:
      return kErrBadRefNum;
    case CFileException::removeCurrentDir:
    case CFileException::hardIO:
    case CFileException::sharingViolation:
      return kErrWritePermission;
    case CFileException::directoryFull:
      return kErrDirectoryFull;
    case CFileException::badSeek:
      return kErrPosition;
    case CFileException::diskFull:
      return kErrDiskFull;
    case CFileException::endOfFile:
      return kErrEndOfFile;
    case CFileException::generic:
    case CFileException::accessDenied:
    case CFileException::lockViolation:
    default:
      return kErrIO;
  }
}

namespace {

// Runs a file operation and turns the exception it throws into a code.
template <typename Operation>
int16_t Guarded(Operation&& operation) {
  try {
    operation();
  } catch (const CFileException& failure) {
    return MacErrorFromFileCause(failure.m_cause);
  }
  return 0;
}

}  // namespace

TMacFile::TMacFile() : ownedFile_(std::make_unique<CFile>()) {
  file_ = ownedFile_.get();
}

TMacFile::TMacFile(const Str255& name) : TMacFile() {
  SetName(name);
}

TMacFile::TMacFile(CFile* file) : file_(file) {}

TMacFile::~TMacFile() {
  if (ownedFile_ != nullptr) ownedFile_->Abort();
}

bool TMacFile::IsOpen() const {
  return file_ != nullptr && file_->m_hFile != CFile::hFileNull;
}

int16_t TMacFile::Close() {
  if (!IsOpen()) return 0;
  return Guarded([&] { file_->Close(); });
}

int16_t TMacFile::OpenFile(const Str255& name, uint32_t flags) {
  if (IsOpen()) return 0;
  if (file_ == nullptr) return kErrBadRefNum;
  CFileException failure;
  if (file_->Open(name.Chars(), flags, &failure)) return 0;
  const int16_t code = MacErrorFromFileCause(failure.m_cause);
  return code != 0 ? code : kErrIO;
}

int16_t TMacFile::CreateNamed(const Str255& name, uint16_t mode) {
  return OpenFile(name, mode | CFile::modeCreate);
}

int16_t TMacFile::Create(uint16_t mode) {
  return CreateNamed(name_, mode);
}

int16_t TMacFile::Open(uint16_t mode) {
  return OpenNamed(name_, mode & ~CFile::modeCreate);
}

int16_t TMacFile::OpenNamed(const Str255& name, uint16_t mode) {
  return OpenFile(name, mode);
}

int16_t TMacFile::Delete() {
  return Guarded([&] { CFile::Remove(name_.Chars()); });
}

int16_t TMacFile::Read(void* buffer, int32_t& count) {
  if (!IsOpen()) {
    count = 0;
    return 0;
  }
  if (count < 0) {
    count = 0;
    return kErrIO;
  }
  const uint32_t wanted = static_cast<uint32_t>(count);
  uint32_t got = 0;
  const int16_t code = Guarded([&] { got = file_->Read(buffer, wanted); });
  count = code == 0 ? static_cast<int32_t>(got) : 0;
  return code;
}

int16_t TMacFile::Rename(const Str255& newName) {
  const int16_t code = Guarded([&] { CFile::Rename(name_.Chars(), newName.Chars()); });
  if (code == 0) name_ = newName;
  return code;
}

int16_t TMacFile::Write(const void* buffer, int32_t& count) {
  // Writing to a closed file would lose the bytes without a word.
  if (!IsOpen()) {
    count = 0;
    return kErrBadRefNum;
  }
  if (count < 0) {
    count = 0;
    return kErrIO;
  }
  const int16_t code = Guarded([&] { file_->Write(buffer, static_cast<uint32_t>(count)); });
  if (code != 0) count = 0;
  return code;
}

int16_t TMacFile::GetEOF(int32_t& length) {
  length = 0;
  if (file_ == nullptr) return kErrBadRefNum;
  return Guarded([&] { length = static_cast<int32_t>(file_->GetLength()); });
}

int16_t TMacFile::GetFPos(int32_t& position) {
  position = 0;
  if (!IsOpen()) return 0;
  return Guarded([&] { position = static_cast<int32_t>(file_->GetPosition()); });
}

void TMacFile::GetName(Str255& name) const {
  name = name_;
}

int16_t TMacFile::GetPath(Str255& path) const {
  path = file_ != nullptr ? Str255(file_->GetFilePath().c_str()) : Str255();
  return 0;
}

int16_t TMacFile::SetEOF(int32_t length) {
  if (file_ == nullptr) return kErrBadRefNum;
  if (length < 0) return kErrPosition;
  return Guarded([&] { file_->SetLength(static_cast<uint32_t>(length)); });
}

int16_t TMacFile::SetFPos(int32_t offset, int16_t origin) {
  if (!IsOpen()) return 0;
  return Guarded([&] { file_->Seek(offset, static_cast<uint32_t>(origin)); });
}

void TMacFile::SetName(const Str255& name) {
  name_ = name;
}

void TMacFile::GetFileDate(std::time_t& time, int16_t which) {
  CFileStatus status;
  bool known = false;
  if (IsOpen()) {
    known = file_->GetStatus(status);
  } else if (file_ != nullptr && Open(kRead) == 0) {
    known = file_->GetStatus(status);
    Close();
  }
  if (!known) return;
  switch (which) {
    case kCreationDate:
      time = status.m_ctime;
      break;
    case kModificationDate:
      time = status.m_mtime;
      break;
    case kAccessDate:
      time = status.m_atime;
      break;
    default:
      break;
  }
}

bool TMacFile::AtEnd() {
  int32_t position = 0;
  int32_t length = 0;
  GetFPos(position);
  GetEOF(length);
  return position >= length;
}

bool TMacFile::CanOpen() {
  if (IsOpen()) return true;
  if (Open(kDenyWrite) != 0) return false;
  Close();
  return true;
}

std::unique_ptr<TMacFile> NewMacFile(const Str255& name) {
  return std::make_unique<TMacFile>(name);
}
