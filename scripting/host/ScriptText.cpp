// Script texts: the text and code they hold, and their files.

#include "scripting/host/ScriptText.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>
#include <vector>

#include "core/Failure.h"
#include "core/MacFile.h"
#include "platform/win32/FileIO.h"

namespace {

constexpr const char* kDefaultText = "Sub Main()\r\n\t \r\nEnd Sub";
constexpr const char* kBaseDefaultText = "Sub Main()\r\n  \r\nEnd Sub";
// The version block of the header: its length, "YBB=" and "2.5", then a NUL.
constexpr uint8_t kVersion[] = {7, 'Y', 'B', 'B', '=', '2', '.', '5', 0};
constexpr size_t kVersionOffset = 4;
constexpr size_t kThreeOffset = 38;
constexpr size_t kSizeOffset = 40;
constexpr size_t kCodeOffsetOffset = 48;
constexpr int16_t kErrCompileFailed = -25210;
constexpr int32_t kMsgCompileFailed = 0x7F610015;

void Put32(uint8_t* at, uint32_t value) { std::memcpy(at, &value, sizeof value); }
uint32_t Get32(const uint8_t* at) {
  uint32_t value;
  std::memcpy(&value, at, sizeof value);
  return value;
}

// Opens and closes a file; the file is closed on every way out.
class TOpenFile {
 public:
  explicit TOpenFile(const Str255& path) : file_(NewMacFile(path)) {}
  ~TOpenFile() { file_->Close(); }
  TMacFile& operator*() { return *file_; }
  TMacFile* operator->() { return file_.get(); }

 private:
  std::unique_ptr<TMacFile> file_;
};

void ReadExactly(TMacFile& file, void* buffer, int32_t count) {
  int32_t read = count;
  FailIfError(file.Read(buffer, read));
  if (read != count) ThrowFailure(kErrEndOfFile, 0);
}

// The Macintosh error code of a system error.
int16_t MacErrorOfErrno(int error) {
  switch (error) {
    case ENOSPC: return kErrDiskFull;
    case EACCES:
    case EPERM:
    case EROFS: return kErrWritePermission;
    case ENOENT: return kErrFileNotFound;
    default: return kErrIO;
  }
}

// Writes the bytes into a new file beside the one at path, with a name no other file has, and
// puts it in that one's place in one step; the old file stays as it was until then.
void ReplaceFile(const Str255& path, const std::string& bytes) {
  const std::string target = FileNameToSystem(path.Chars());
  const size_t slash = target.find_last_of('/');
  std::string name = slash == std::string::npos ? std::string(".") : target.substr(0, slash);
  name += "/.ybs-save-XXXXXX";
  std::vector<char> temporary(name.begin(), name.end());
  temporary.push_back('\0');
  const int fd = mkstemp(temporary.data());
  if (fd < 0) ThrowFailure(MacErrorOfErrno(errno), 0);
  struct stat old;
  mode_t mode = 0;
  if (::stat(target.c_str(), &old) == 0) {
    mode = old.st_mode & 07777;
  } else {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    mode = 0666 & ~mask;
  }
  int error = ::fchmod(fd, mode) == 0 ? 0 : errno;
  for (size_t done = 0; error == 0 && done < bytes.size();) {
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno != EINTR) error = errno;
    if (n > 0) done += static_cast<size_t>(n);
  }
  if (error == 0 && ::fsync(fd) != 0) error = errno;
  if (::close(fd) != 0 && error == 0) error = errno;
  if (error == 0 && ::rename(temporary.data(), target.c_str()) != 0) error = errno;
  if (error == 0) return;
  ::unlink(temporary.data());
  ThrowFailure(MacErrorOfErrno(error), 0);
}

}  // namespace

uint32_t ScriptFileTypeOfName(const char* name) {
  if (name == nullptr) return kScriptFileText;
  std::string_view text(name);
  const size_t separator = text.find_last_of("/\\");
  if (separator != std::string_view::npos) {
    text.remove_prefix(separator + 1);
  } else if (const size_t colon = text.find_last_of(':'); colon != std::string_view::npos) {
    text.remove_prefix(colon + 1);
  }
  const size_t dot = text.find('.');
  std::string extension(dot == std::string_view::npos ? std::string_view() : text.substr(dot + 1));
  for (char& c : extension) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  if (extension == "YBX") return kScriptFileLibrary;
  if (extension == "YBC") return kScriptFileCompiled;
  return kScriptFileText;
}

TScriptTextBase::~TScriptTextBase() {
  if (codeOwned_ != 0) ScriptFreeCode(code_);
}

void TScriptTextBase::Reset() {
  SetText(kBaseDefaultText);
  SetCode(nullptr, nullptr, false);
}

bool TScriptTextBase::GetText(std::string& text) const {
  text = text_;
  return true;
}

void TScriptTextBase::SetText(const char* text) { text_ = text != nullptr ? text : ""; }

ScriptCode* TScriptTextBase::GetCode(const char*) const { return code_; }

void TScriptTextBase::SetCode(ScriptCode* code, const char*, bool owned) {
  if (codeOwned_ != 0 && code_ != code) ScriptFreeCode(code_);
  code_ = code;
  codeOwned_ = owned ? 1 : 0;
}

void TScriptTextBase::ForgetCode() {
  code_ = nullptr;
  codeOwned_ = 0;
}

void TScriptTextBase::SetFileSpec(const FSSpec& spec, bool fileBacked) {
  fileSpec_ = spec;
  fileBacked_ = fileBacked ? 1 : 0;
  fileType_ = ScriptFileTypeOfName(spec.name.Chars());
  path_ = spec.name;
}

TScriptText::~TScriptText() {
  ScriptUnloadModule(module_);
  SetLibraryCode(nullptr);
}

void TScriptText::Reset() {
  SetText(kDefaultText);
  SetCode(nullptr, nullptr, false);
  SetLibraryCode(nullptr);
  fileType_ = kScriptFileText;
  readOnly_ = fileBacked_ = 0;
  ScriptUnloadModule(module_);
  module_ = nullptr;
  entry_.reset();
  entryFound_ = 0;
  path_ = Str255();
  fileSpec_.name = Str255();
}

void TScriptText::SetText(const char* text) {
  TScriptTextBase::SetText(text);
  entryFound_ = 0;
}

void TScriptText::SetCode(ScriptCode* code, const char* version, bool owned) {
  // The library code is freed with the library code, not as the code.
  if (code_ == libraryCode_ && code_ != code) ForgetCode();
  TScriptTextBase::SetCode(code, version, owned);
  entryFound_ = 0;
}

void TScriptText::SetLibraryCode(ScriptCode* code) {
  if (code == libraryCode_) return;
  if (code_ == libraryCode_) ForgetCode();
  ScriptFreeCode(libraryCode_);
  libraryCode_ = code;
}

int16_t TScriptText::Load() {
  if (fileBacked_ == 0) return 0;
  TOpenFile file(path_);
  int16_t error = readOnly_ == 0 ? file->OpenNamed(path_, TMacFile::kReadWrite) : int16_t{-1};
  if (error != 0) {
    FailIfError(file->OpenNamed(path_, TMacFile::kRead | TMacFile::kDenyWrite));
    readOnly_ = 1;
  }
  int32_t length = 0;
  FailIfError(file->GetEOF(length));
  uint8_t header[kScriptHeaderSize] = {};
  uint32_t type = kScriptFileText;
  if (length >= kScriptHeaderSize) {
    ReadExactly(*file, header, kScriptHeaderSize);
    type = Get32(header);
  }
  if (type == kScriptFileLibrary || type == kScriptFileCompiled) {
    ReadCompiledFile(*file, length, header);
    return 1;
  }
  FailIfError(file->SetFPos(0, 0));
  std::string text(static_cast<size_t>(length), '\0');
  ReadExactly(*file, text.data(), length);
  SetText(text.c_str());
  return 1;
}

void TScriptText::ReadCompiledFile(TMacFile& file, int32_t length, const uint8_t* header) {
  const uint32_t type = Get32(header);
  const uint32_t size = Get32(header + kSizeOffset);
  const uint32_t offset = Get32(header + kCodeOffsetOffset);
  // The code must lie inside the file, after the header.
  if (offset < static_cast<uint32_t>(kScriptHeaderSize) || size == 0 ||
      uint64_t{offset} + size > static_cast<uint64_t>(length))
    ThrowFailure(kErrEndOfFile, 0);
  ScriptCode* code = nullptr;
  if (std::memcmp(header + kVersionOffset, kVersion, sizeof kVersion) == 0) {
    std::vector<uint8_t> bytes(size);
    FailIfError(file.SetFPos(static_cast<int32_t>(offset), 0));
    ReadExactly(file, bytes.data(), static_cast<int32_t>(size));
    int16_t why = 0;
    code = ScriptCodeFromBytes(bytes.data(), bytes.size(), &why);
  }
  SetLibraryCode(code);
  SetCode(code, kScriptCodeVersion, false);
  if (type != kScriptFileCompiled) return;
  // A compiled script keeps its source after the code.
  const int32_t textStart = static_cast<int32_t>(offset + size);
  std::string text(static_cast<size_t>(length - textStart), '\0');
  FailIfError(file.SetFPos(textStart, 0));
  ReadExactly(file, text.data(), static_cast<int32_t>(text.size()));
  TScriptTextBase::SetText(text.c_str());
}

int16_t TScriptText::Save() {
  if (fileBacked_ == 0) return 0;
  const bool compiled = fileType_ == kScriptFileLibrary || fileType_ == kScriptFileCompiled;
  if (compiled && libraryCode_ == nullptr) ThrowFailure(kErrCompileFailed, kMsgCompileFailed);
  ReplaceFile(path_, FileBytes());
  return 1;
}

std::string TScriptText::FileBytes() const {
  if (fileType_ == kScriptFileText) return text_;
  const auto size = static_cast<uint32_t>(ScriptControl(libraryCode_, kScriptCodeSize, 0, libraryCode_));
  uint8_t header[kScriptHeaderSize] = {};
  Put32(header, fileType_);
  std::memcpy(header + kVersionOffset, kVersion, sizeof kVersion);
  header[kThreeOffset] = 3;
  Put32(header + kSizeOffset, size);
  Put32(header + kCodeOffsetOffset, kScriptHeaderSize);
  std::string bytes(reinterpret_cast<const char*>(header), kScriptHeaderSize);
  bytes.append(reinterpret_cast<const char*>(ScriptCodeBytes(libraryCode_)), size);
  if (fileType_ == kScriptFileCompiled) bytes += text_;
  return bytes;
}

int16_t TScriptText::FindEntry(const char* name, int16_t argumentCount,
                               const int16_t* argumentTypes, bool isFunction) {
  entry_ = std::make_unique<TEntryRecord>(name, argumentCount, argumentTypes, isFunction);
  const ScriptCode* code = GetCode(kScriptCodeVersion);
  if (code != nullptr && libraryCode_ != nullptr) code = libraryCode_;
  entryFound_ = code != nullptr && EngineFindEntry(code, *entry_) == 0 ? 1 : 0;
  return entryFound_ != 0 ? 0 : 1;
}
