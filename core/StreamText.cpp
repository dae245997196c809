#include "core/StreamText.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "core/Failure.h"
#include "core/MacFile.h"
#include "core/NumberText.h"
#include "core/UnitHandler.h"
#include "core/geometry/NumberFormat.h"

namespace {

constexpr uint8_t kCR = '\r';
constexpr uint8_t kLF = '\n';
constexpr uint8_t kTab = '\t';

// Without an owner a double is written with every digit it holds, so that it reads back exactly.
constexpr int16_t kDigitsWithoutOwner = 16;

}  // namespace

bool IsTokenSeparator(uint8_t c) {
  switch (c) {
    case 0:
    case kTab:
    case kLF:
    case kCR:
    case ' ':
    case ',':
    case ':':
    case ';':
    case '{':
    case '}':
      return true;
    default:
      return false;
  }
}

TTextOutStream::TTextOutStream(TUnitHandler* owner, int32_t size, int16_t fileReference,
                               bool ownerRequired, bool allocate, bool makeInner)
    : TAbstractStream(owner, size, ownerRequired, allocate), fileReference_(fileReference) {
  if (owner == nullptr) ThrowFailure(kErrOutOfMemory, 0);
  if (makeInner) InstallInnerStream();
}

TTextOutStream::~TTextOutStream() {
  writtenCount_ = 0;
  fileReference_ = -1;
}

std::unique_ptr<TStream> TTextOutStream::MakeInnerStream() {
  return MakeReadStream(false, handle_);
}

void TTextOutStream::WriteBytes(const void* address, int32_t count) {
  if (count < 0) ThrowFailure(kErrIO, 0);
  if (inner_ != nullptr) {
    inner_->Write(count, address);
    return;
  }
  if (handle_ == nullptr) ThrowFailure(kErrOutOfMemory, 0);
  if (count == 0) return;
  const int64_t end = int64_t{writtenCount_} + count;
  if (GetHandleByteSize(handle_) < end) {
    const int64_t size = writtenCount_ + std::max<int64_t>(growthStep_, count);
    if (size > INT32_MAX) ThrowFailure(kErrOutOfMemory, 0);
    ResizeHandleRaw(handle_, static_cast<uint32_t>(size));
    FailIfMemError();
  }
  std::memcpy(HandleData(handle_) + writtenCount_, address, count);
  writtenCount_ = static_cast<int32_t>(end);
}

void TTextOutStream::WriteCountedString(const Str255& text) {
  WriteBytes(text.Chars(), text.Length());
}

void TTextOutStream::WriteLong(int32_t value, int32_t /*unitKind*/) {
  Str255 text;
  NumToString(value, text);
  WriteCountedString(text);
}

void TTextOutStream::WriteShort(int16_t value, int32_t unitKind) {
  WriteLong(value, unitKind);
}

void TTextOutStream::WriteDouble(double value, int32_t unitKind) {
  Str255 text;
  if (owner_ != nullptr) {
    owner_->GetFormattedValue(useUnits_ ? unitKind : 0, 1, 32767, value, text);
  } else {
    FormatNumber(text, kDigitsWithoutOwner, value);
  }
  WriteCountedString(text);
}

void TTextOutStream::WriteString(const char* text, bool quoted) {
  if (quoted) WriteBytes("\"", 1);
  if (text != nullptr) WriteBytes(text, static_cast<int32_t>(std::strlen(text)));
  if (quoted) WriteBytes("\"", 1);
}

void TTextOutStream::WriteVector(const TVector& vector, int32_t unitKind) {
  WriteDouble(vector.x, unitKind);
  WriteIndent(1);
  WriteDouble(vector.y, unitKind);
}

void TTextOutStream::WriteLine(const Str255& text) {
  WriteCountedString(text);
  WriteNewline();
}

void TTextOutStream::WriteNewline() {
  WriteCountedString(Str255("\r\n"));
}

void TTextOutStream::WriteIndent(int32_t n) {
  Str255 tabs;
  for (int32_t i = 0; i < n && i < Str255::kCapacity; ++i)
    tabs.AppendChar('\t');
  WriteCountedString(tabs);
}

void TTextOutStream::WriteChar(char c) {
  Str255 text;
  text.AppendChar(c);
  WriteCountedString(text);
}

void TTextOutStream::WriteSpace() {
  WriteChar(' ');
}

int32_t TTextOutStream::BytesWritten() const {
  return inner_ != nullptr ? inner_->GetPosition() : writtenCount_;
}

Handle TTextOutStream::DetachHandle() {
  if (handle_ != nullptr) {
    const int32_t n = BytesWritten();
    if (static_cast<int64_t>(GetHandleByteSize(handle_)) > n) {
      ResizeHandleRaw(handle_, static_cast<uint32_t>(n));
      FailIfMemError();
    }
  }
  writtenCount_ = 0;
  return ReleaseHandle();
}

int16_t TTextOutStream::Close() {
  if (!ownsHandle_ || fileReference_ == -1 || file_ == nullptr || handle_ == nullptr) return 0;
  int32_t n = BytesWritten();
  LockHandleHigh(handle_);
  const int16_t error = file_->Write(HandleData(handle_), n);
  UnlockHandle(handle_);
  // A failed write keeps the text, so that nothing is lost and the caller may try again.
  if (error != 0) return error;
  writtenCount_ = 0;
  if (inner_ != nullptr) inner_->SetPosition(0);
  return 0;
}

std::unique_ptr<TStream> TTextInStream::MakeInnerStream() {
  return NewMemoryCopyStream(handle_);
}

TStream& TTextInStream::Inner() {
  if (inner_ == nullptr) ThrowFailure(kErrEndOfFile, 0);
  return *inner_;
}

Handle TTextInStream::DetachHandle() {
  return ReleaseHandle();
}

void TTextInStream::AttachHandle(Handle handle, bool clear, bool keepSize) {
  FailIfNull(handle);
  AdoptHandle(handle);
  ResizeToInitialSize(keepSize);
  const uint32_t size = GetHandleByteSize(handle_);
  if (keepSize && clear && size > 0) {
    LockHandle(handle_);
    std::memset(HandleData(handle_), 0, size);
    UnlockHandle(handle_);
  }
  if (wantsInner_) InstallInnerStream();
}

int32_t TTextInStream::GetMark() {
  if (inner_ != nullptr) return inner_->GetPosition();
  return handle_ != nullptr ? static_cast<int32_t>(GetHandleByteSize(handle_)) : 0;
}

bool TTextInStream::AtEnd() {
  return inner_ != nullptr && inner_->AtEnd();
}

void TTextInStream::SkipSeparatorsAndComments() {
  struct {
    int32_t position = 0;
    bool inComment = false;
    bool lineEnd = true;
  } record;
  Inner().Scan(
      [&record](const uint8_t* pair) {
        const uint8_t c0 = pair[0];
        const uint8_t c1 = pair[1];
        if (record.inComment) {
          if (c0 == '*' && c1 == '/') {
            record.position += 1;  // the scan's own step then passes the '/'
            record.inComment = false;
          }
          return false;
        }
        if (record.lineEnd && c0 == kCR) {
          record.position += c1 == kLF ? 2 : 1;
          return true;
        }
        if (!IsTokenSeparator(c0)) {
          if (c0 == '/' && c1 == '*') {
            record.position += 1;
            record.inComment = true;
            return false;
          }
          return true;
        }
        return false;
      },
      record.position);
  // The scan leaves the stream where the callback stopped, line-end steps included.
  Inner().SetPosition(record.position);
}

bool TTextInStream::SkipBlanks() {
  SkipSeparatorsAndComments();
  return Inner().AtEnd();
}

void TTextInStream::ReadToken(Str255& out) {
  SkipSeparatorsAndComments();
  char first = 0;
  Inner().Read(1, &first);
  out = Str255();
  out.AppendChar(first);
  int32_t position = 0;
  Inner().Scan(
      [&out](const uint8_t* pair) {
        if (IsTokenSeparator(pair[0])) return true;
        out.AppendChar(static_cast<char>(pair[0]));
        return false;
      },
      position);
}

double TTextInStream::ReadDouble() {
  Str255 token;
  ReadToken(token);
  double value = 0.0;
  if (!ParseDouble(token, &value)) ThrowFailure(kErrNotANumber, 0);
  return value;
}

TVector TTextInStream::ReadVector() {
  const double x = ReadDouble();
  const double y = ReadDouble();
  return TVector(x, y);
}

void TTextInStream::SkipField() {
  int32_t position = 0;
  Inner().Scan([](const uint8_t* pair) { return pair[0] == kCR || pair[0] == kTab; }, position);
  char end = 0;
  Inner().Read(1, &end);
}

std::unique_ptr<TTextInStream> NewTextInStream(Handle text) {
  auto stream = std::make_unique<TTextInStream>();
  stream->InitStreamRoot(0, false, false);
  stream->SetHandle(text, true);
  stream->InstallInnerStream();
  return stream;
}
