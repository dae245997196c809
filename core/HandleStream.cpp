#include "core/HandleStream.h"

#include <cstring>

#include "core/Failure.h"
#include "core/MacFile.h"

namespace {

// Restores the file position when a positioned read or write leaves, also by a failure.
class PositionKeeper {
 public:
  explicit PositionKeeper(TMacFile* file) : file_(file) { FailIfError(file_->GetFPos(position_)); }
  ~PositionKeeper() { file_->SetFPos(position_, 0); }
  PositionKeeper(const PositionKeeper&) = delete;
  PositionKeeper& operator=(const PositionKeeper&) = delete;

 private:
  TMacFile* file_;
  int32_t position_ = 0;
};

}  // namespace

void THandleStream::Open(TMacFile* file, bool pad) {
  FailIfNull(file);
  opened_ = 0;
  Initialize();
  pad_ = pad ? 1 : 0;
  file_ = file;
}

int32_t THandleStream::GetPosition() {
  int32_t position = 0;
  FailIfError(file_->GetFPos(position));
  return position;
}

int32_t THandleStream::GetLength() {
  int32_t length = 0;
  FailIfError(file_->GetEOF(length));
  return length;
}

bool THandleStream::AtEnd() {
  return GetPosition() >= GetLength();
}

int32_t THandleStream::ReadSome(int32_t count, void* buffer) {
  if (count < 0) ThrowFailure(kErrEndOfFile, 0);
  int32_t got = count;
  FailIfError(file_->Read(buffer, got));
  if (got < count) std::memset(static_cast<char*>(buffer) + got, 0, count - got);
  return got;
}

void THandleStream::Read(int32_t count, void* buffer) {
  const int32_t got = ReadSome(count, buffer);
  if (pad_ && (got & 1)) FailIfError(file_->SetFPos(1, 1));
}

void THandleStream::ReadAt(int32_t position, int32_t count, void* buffer) {
  PositionKeeper keeper(file_);
  FailIfError(file_->SetFPos(position, 0));
  ReadSome(count, buffer);
}

void THandleStream::Write(int32_t count, const void* buffer) {
  if (count < 0) ThrowFailure(kErrIO, 0);
  int32_t written = count;
  FailIfError(file_->Write(buffer, written));
  if (pad_ && (count & 1)) {
    const uint8_t padByte = 0;
    int32_t one = 1;
    FailIfError(file_->Write(&padByte, one));
  }
}

void THandleStream::WriteAt(int32_t position, int32_t count, const void* buffer) {
  if (count < 0) ThrowFailure(kErrIO, 0);
  PositionKeeper keeper(file_);
  FailIfError(file_->SetFPos(position, 0));
  int32_t written = count;
  FailIfError(file_->Write(buffer, written));
}

void THandleStream::SetPosition(int32_t position) {
  if (pad_) position += position & 1;
  FailIfError(file_->SetFPos(position, 0));
}

void THandleStream::Scan(const StreamScanCallback& callback, int32_t& position) {
  position = GetPosition();
  const int32_t length = GetLength();
  while (position >= 0 && position < length) {
    FailIfError(file_->SetFPos(position, 0));
    uint8_t pair[2] = {0, 0x20};
    int32_t got = 2;
    const int16_t code = file_->Read(pair, got);
    if (code != 0 && code != kErrEndOfFile) ThrowFailure(code, 0);
    if (code != 0 || got < 2) pair[1] = 0x20;  // only the last byte was left
    if (callback(pair)) break;
    ++position;
  }
  FailIfError(file_->SetFPos(position, 0));
}
