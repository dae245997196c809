#pragma once
// The formatting streams: a root that owns a memory handle and an inner byte stream, the output
// interface with one operation per value kind, and the binary output stream. Nothing here
// reverses bytes: values go out in host order.

#include <cstdint>
#include <memory>

#include "core/Handle.h"
#include "core/PString.h"
#include "core/Stream.h"
#include "core/TObject.h"
#include "core/geometry/Vector.h"

class TUnitHandler;

class TStreamRoot : public TObject {
  DECLARE_CLASS_ID(572, TObject)

 public:
  TStreamRoot() = default;
  // Deletes the inner stream and frees the handle when the stream owns it.
  ~TStreamRoot() override;
  TStreamRoot(const TStreamRoot&) = delete;
  TStreamRoot& operator=(const TStreamRoot&) = delete;

  // The byte stream the values go through, or null for none.
  virtual std::unique_ptr<TStream> MakeInnerStream() { return nullptr; }

  // Stores the size; with allocate, a new owned handle of that size; with makeInner, the inner
  // stream (-108 when there is none). Called on a fully built object, so that MakeInnerStream
  // reaches the most derived class.
  void InitStreamRoot(int32_t size, bool allocate, bool makeInner);
  void SetHandle(Handle handle, bool owns);
  // Makes the inner stream over the current handle; -108 when none comes.
  void InstallInnerStream();

  Handle handle() const { return handle_; }
  bool ownsHandle() const { return ownsHandle_ != 0; }
  TStream* innerStream() const { return inner_.get(); }

 protected:
  // Makes the handle the stream's own, freeing an owned handle it replaces.
  void AdoptHandle(Handle handle);
  // Forgets the handle (the caller takes it) and drops the inner stream, which must not write
  // into a handle that is no longer the stream's; an attached handle gets a new one.
  Handle ReleaseHandle();
  void ResizeToInitialSize(bool keepSize);

  std::unique_ptr<TStream> inner_;
  Handle handle_ = nullptr;
  uint16_t ownsHandle_ = 0;
  int32_t initialSize_ = 0;
  bool wantsInner_ = false;
};

class TAbstractStream : public TStreamRoot {
  DECLARE_CLASS_ID(573, TStreamRoot)

 public:
  TAbstractStream() = default;
  // Raises -108 when ownerRequired is set and there is no owner; the inner stream is made by the
  // derived constructors.
  TAbstractStream(TUnitHandler* owner, int32_t size, bool ownerRequired, bool allocate);

  void SetOwner(TUnitHandler* owner) { owner_ = owner; }
  void SetUseUnits(bool flag) { useUnits_ = flag ? 1 : 0; }
  // Uses units only when enable is set and there is an owner; the factor then comes from it.
  void SetUnits(int32_t unitKind, bool enable);
  double unitFactor() const { return unitFactor_; }
  bool useUnits() const { return useUnits_ != 0; }

  virtual void WriteFlag(uint16_t /*value*/) {}
  virtual void WriteByte(uint8_t /*value*/) {}
  virtual void WriteShort(int16_t /*value*/, int32_t /*unitKind*/) {}
  virtual void WriteDouble(double /*value*/, int32_t /*unitKind*/) {}
  virtual void WriteLong(int32_t /*value*/, int32_t /*unitKind*/) {}
  virtual void WriteString(const char* /*text*/, bool /*quoted*/) {}
  virtual void WriteVector(const TVector& /*vector*/, int32_t /*unitKind*/) {}
  virtual void WriteVector3(const TVector3& /*vector*/, int32_t /*unitKind*/) {}
  virtual void WriteBytes(const void* /*address*/, int32_t /*count*/) {}
  virtual void WriteCountedString(const Str255& /*text*/) {}
  // The handle goes to the caller; the stream forgets it.
  virtual Handle DetachHandle();
  // The stream takes the handle, re-sized to the initial size (keepSize) or to 0.
  virtual void AttachHandle(Handle handle, int32_t ignored, bool keepSize);
  // The inner stream's position, or the handle's size without one.
  virtual int32_t GetLength();

 protected:
  TUnitHandler* owner_ = nullptr;
  uint16_t useUnits_ = 0;
  int32_t unitKind_ = 0;
  double unitFactor_ = 1.0;
};

// Values as their bytes in host order through the inner memory stream.
class TBinaryOutStream : public TAbstractStream {
  DECLARE_CLASS_ID(574, TAbstractStream)

 public:
  TBinaryOutStream(TUnitHandler* owner, int32_t size, bool ownerRequired);

  std::unique_ptr<TStream> MakeInnerStream() override;

  void WriteFlag(uint16_t value) override;
  void WriteByte(uint8_t value) override;
  void WriteShort(int16_t value, int32_t unitKind) override;
  void WriteDouble(double value, int32_t unitKind) override;
  void WriteLong(int32_t value, int32_t unitKind) override;
  void WriteVector(const TVector& vector, int32_t unitKind) override;
  void WriteVector3(const TVector3& vector, int32_t unitKind) override;
  void WriteBytes(const void* address, int32_t count) override;
};
