#include "core/StreamRoot.h"

#include "core/Failure.h"
#include "core/UnitHandler.h"

TStreamRoot::~TStreamRoot() {
  inner_.reset();
  if (ownsHandle_ && handle_ != nullptr) FreeHandle(handle_);
  ownsHandle_ = 0;
}

void TStreamRoot::InitStreamRoot(int32_t size, bool allocate, bool makeInner) {
  initialSize_ = size;
  if (allocate) {
    if (size < 0) ThrowFailure(kErrOutOfMemory, 0);
    AdoptHandle(AllocHandleChecked(static_cast<uint32_t>(size)));
  }
  if (makeInner) InstallInnerStream();
}

void TStreamRoot::SetHandle(Handle handle, bool owns) {
  handle_ = handle;
  ownsHandle_ = owns ? 1 : 0;
}

void TStreamRoot::InstallInnerStream() {
  wantsInner_ = true;
  inner_.reset();
  if (handle_ == nullptr) ThrowFailure(kErrOutOfMemory, 0);
  inner_ = MakeInnerStream();
  if (inner_ == nullptr) ThrowFailure(kErrOutOfMemory, 0);
}

void TStreamRoot::AdoptHandle(Handle handle) {
  if (ownsHandle_ && handle_ != nullptr && handle_ != handle) {
    inner_.reset();
    FreeHandle(handle_);
  }
  handle_ = handle;
  ownsHandle_ = 1;
}

Handle TStreamRoot::ReleaseHandle() {
  Handle handle = handle_;
  handle_ = nullptr;
  ownsHandle_ = 0;
  inner_.reset();
  return handle;
}

void TStreamRoot::ResizeToInitialSize(bool keepSize) {
  const int32_t size = keepSize && initialSize_ > 0 ? initialSize_ : 0;
  ResizeHandleRaw(handle_, static_cast<uint32_t>(size));
  FailIfMemError();
}

TAbstractStream::TAbstractStream(TUnitHandler* owner, int32_t size, bool ownerRequired,
                                 bool allocate) {
  InitStreamRoot(size, allocate, false);
  if (ownerRequired && owner == nullptr) ThrowFailure(kErrOutOfMemory, 0);
  owner_ = owner;
  useUnits_ = ownerRequired ? 1 : 0;
}

void TAbstractStream::SetUnits(int32_t unitKind, bool enable) {
  unitKind_ = unitKind;
  useUnits_ = enable && owner_ != nullptr ? 1 : 0;
  if (useUnits_) unitFactor_ = owner_->GetDisplayFactor(unitKind);
}

Handle TAbstractStream::DetachHandle() {
  return ReleaseHandle();
}

void TAbstractStream::AttachHandle(Handle handle, int32_t /*ignored*/, bool keepSize) {
  FailIfNull(handle);
  AdoptHandle(handle);
  ResizeToInitialSize(keepSize);
  if (wantsInner_) InstallInnerStream();
}

int32_t TAbstractStream::GetLength() {
  if (inner_ != nullptr) return inner_->GetPosition();
  return handle_ != nullptr ? static_cast<int32_t>(GetHandleByteSize(handle_)) : 0;
}

TBinaryOutStream::TBinaryOutStream(TUnitHandler* owner, int32_t size, bool ownerRequired)
    : TAbstractStream(owner, size, ownerRequired, true) {
  InstallInnerStream();
}

std::unique_ptr<TStream> TBinaryOutStream::MakeInnerStream() {
  return MakeReadStream(false, handle_);
}

void TBinaryOutStream::WriteFlag(uint16_t value) {
  WriteByte(static_cast<uint8_t>(value));
}

void TBinaryOutStream::WriteByte(uint8_t value) {
  WriteBytes(&value, 1);
}

void TBinaryOutStream::WriteShort(int16_t value, int32_t /*unitKind*/) {
  WriteBytes(&value, sizeof value);
}

void TBinaryOutStream::WriteDouble(double value, int32_t /*unitKind*/) {
  WriteBytes(&value, sizeof value);
}

void TBinaryOutStream::WriteLong(int32_t value, int32_t /*unitKind*/) {
  WriteBytes(&value, sizeof value);
}

void TBinaryOutStream::WriteVector(const TVector& vector, int32_t unitKind) {
  WriteDouble(vector.x, unitKind);
  WriteDouble(vector.y, unitKind);
}

void TBinaryOutStream::WriteVector3(const TVector3& vector, int32_t unitKind) {
  WriteDouble(vector.x, unitKind);
  WriteDouble(vector.y, unitKind);
  WriteDouble(vector.r, unitKind);
}

void TBinaryOutStream::WriteBytes(const void* address, int32_t count) {
  // A stream whose handle was detached has nowhere to write.
  if (inner_ == nullptr) ThrowFailure(kErrOutOfMemory, 0);
  inner_->Write(count, address);
}
