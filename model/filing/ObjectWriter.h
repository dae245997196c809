#pragma once
// Writers of object streams. An object is written as its identifier, its class tags (full-header
// streams only), its blocks and the code -1; each block is a code, a 32-bit length and the
// contents that the object writes for that code. The kinds differ in byte order, code width and
// header: kind 1 host order with 4-byte codes, kind 2 (documents) the same big-endian, the native
// kind host order with 2-byte codes, a short header and without the blocks of codes 5000 and up.

#include <cstdint>
#include <memory>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "core/Handle.h"
#include "core/MacTypes.h"
#include "core/PString.h"
#include "core/TObject.h"
#include "core/geometry/Transform2D.h"
#include "core/geometry/Vector.h"
#include "core/port/PortText.h"
#include "model/Link.h"
#include "model/filing/FilerStream.h"

class TFormula;
class TFormulaNamer;
struct TFormulaRecord;
struct TFormulaUnits;

class TFilerBase : public TObject {
  DECLARE_CLASS_ID(556, TObject)
};

class TObjectWriter : public TFilerBase {
  DECLARE_CLASS_ID(557, TFilerBase)

 public:
  TObjectWriter() = default;
  ~TObjectWriter() override;
  TObjectWriter(const TObjectWriter&) = delete;
  TObjectWriter& operator=(const TObjectWriter&) = delete;

  // Writes to the stream, or to a memory stream of its own when the stream is null.
  virtual void Init(FilerStream* stream);
  // The bytes written into the writer's own memory, as a new handle the caller owns.
  Handle TakeHandle();
  FilerStream& Stream() { return *stream_; }
  void SetSkipFlag(uint16_t flag) { skipFlag_ = flag; }
  // With a namer, every formula text is written as the solver reads it: objects named by kind
  // and identifier rather than by name (SolverFormulaText). Null writes texts as they are. The
  // namer stays the caller's and must outlive the writing.
  void SetFormulaNamer(const TFormulaNamer* namer) { namer_ = namer; }
  bool IsFullFormat() const { return format3x_ != 0; }

  // Objects.
  bool MarkWritten(TLink* object);
  void WriteBlockFrame(TLink& object, int32_t code);
  void WriteBlock(TLink& object, int32_t code);
  void WriteContentsBlock(TLink& object);
  virtual void WriteHeader();
  void Finish();

  // Items.
  void WriteHandleBytes(Handle handle);
  virtual void WriteDouble(double value);
  virtual void WriteCode(int32_t value);
  void WriteChar(char c);
  virtual void WriteLong(int32_t value);
  void WriteFloat(float value);
  void WriteTag(uint32_t tag);
  void WriteShort(int16_t value);
  void WriteBoolean(uint8_t value);
  void PutString(const Str255& text, int16_t flag);
  void WriteString(const Str255& text);
  void WriteString(std::string_view text);
  virtual void WriteWord(uint16_t value);
  void WritePoint(const TVector& point);
  void WriteVector3(const TVector3& vector);
  // An integer point: its two 16-bit halves, the one at the lower address first.
  void WriteIntPoint(const MacPoint& point);
  // A transform as its six fields in order and its flag. Every kind writes this form, because it
  // is the form every reader reads.
  void WriteTransform(const Transform2D& transform);
  virtual void WriteColor(const RGB16Color& colour);
  // A text style: its face byte shifted left by 8 and its size as codes, its colour, and the
  // name of its font as documents know it.
  void WriteTextStyle(const FontSpec& font, const RGB16Color& colour);
  void WriteIdNameRecord(int16_t id, int32_t value, const Str255& name);
  void WriteHandle(Handle handle);
  void WriteCodeValue(int32_t value, int32_t, int32_t) { WriteCode(value); }
  // A formula item: 1 and the value for a constant (and for no formula, with the value 0), else
  // 0 and the formula's record when it carries one that is filed, or its text.
  void WriteFormula(const TFormula* formula);
  // A formula item holding the text.
  void WriteFormulaText(const Str255& text);
  // The units item that stands before a formula typed in other than internal units.
  void WriteFormulaUnits(const TFormulaUnits& units);
  void WriteConstant(double value);
  // The record's name, the record code, its two numbers and its long, then each element's number
  // and long. The count is not written: the name carries it.
  void WriteFormulaRecord(const TFormulaRecord& record);
  void WriteFloatFormat();
  void ObjectBoundary() {}
  void Align(int) {}

 protected:
  void WriteBytes(const void* bytes, int32_t count);
  // A number of 2, 4 or 8 bytes given in host order, reversed by the big-endian kind.
  virtual void WriteNumber(const void* hostBytes, int32_t count);

  uint16_t format3x_ = 0;

 private:
  void EndCurrentObject();
  // A text for a formula item: the namer's form of it when there is a namer, computing its value
  // in internal units (factor is the formula's unit factor).
  void WriteTextOfFormula(const Str255& text, double factor);
  // A record whose text is written as the namer gives it, in internal units.
  void WriteNamedFormulaRecord(const TFormulaRecord& record, double factor);
  // What follows a record's name: the record code, its numbers and its elements.
  void WriteRecordNumbers(const TFormulaRecord& record);

  FilerStream* stream_ = nullptr;
  const TFormulaNamer* namer_ = nullptr;
  std::unique_ptr<MemoryFilerStream> ownStream_;
  // The objects already started, looked up once per object written.
  std::unordered_set<const TLink*> started_;
  TLink* current_ = nullptr;
  uint16_t skipFlag_ = 0;
};

// The host-order stream for the clipboard and the solver.
class TNativeObjectWriter : public TObjectWriter {
  DECLARE_CLASS_ID(841, TObjectWriter)

 public:
  void Init(FilerStream* stream) override;
  // Raises -25213 unless the value fits -32767..32767.
  void WriteCode(int32_t value) override;
};

// The document writer: every number big-endian.
class TObjectWriterKind2 : public TObjectWriter {
  DECLARE_CLASS_ID(571, TObjectWriter)

 public:
  void WriteColor(const RGB16Color& colour) override;

 protected:
  void WriteNumber(const void* hostBytes, int32_t count) override;
};

// Writes one object of a WriteObjects call.
using WriteCallback = void (*)(TLink& object, TObjectWriter& writer, void* data);

// Chooses and runs a writer: flag 0 the native writer, else kind 2 the document writer and kind 1
// the host-order writer (any other kind raises -25002). The header, the object, then every object
// of the list, then the end. The caller takes the handle when no stream was given. A namer, when
// given, writes the formula texts as the solver reads them (SetFormulaNamer).
std::unique_ptr<TObjectWriter> WriteObjects(const std::vector<TLink*>* list, uint16_t flag,
                                            TLink* object, int16_t kind, WriteCallback callback,
                                            FilerStream* stream, void* data,
                                            const TFormulaNamer* namer = nullptr);
// WriteObjects with each object's WriteTo(writer, 0).
std::unique_ptr<TObjectWriter> WriteObjectsDefault(const std::vector<TLink*>* list, uint16_t flag,
                                                   TLink* object, int16_t kind,
                                                   FilerStream* stream,
                                                   const TFormulaNamer* namer = nullptr);
// The document stream (kind 2, big-endian) of the objects, as undo images keep them.
std::vector<uint8_t> DocumentStreamOf(const std::vector<TLink*>& objects);
