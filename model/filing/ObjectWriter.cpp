#include "model/filing/ObjectWriter.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "core/Failure.h"
#include "model/Formula.h"
#include "model/filing/DocumentFormat.h"
#include "model/filing/SolverFormulaText.h"

TObjectWriter::~TObjectWriter() = default;

void TObjectWriter::Init(FilerStream* stream) {
  format3x_ = 1;
  current_ = nullptr;
  started_.clear();
  skipFlag_ = 1;
  if (stream == nullptr) {
    ownStream_ = std::make_unique<MemoryFilerStream>();
    stream = ownStream_.get();
  }
  stream_ = stream;
}

Handle TObjectWriter::TakeHandle() {
  if (!ownStream_) return nullptr;
  return ownStream_->MakeHandle();
}

bool TObjectWriter::MarkWritten(TLink* object) {
  return !started_.insert(object).second;
}

void TObjectWriter::WriteBlockFrame(TLink& object, int32_t code) {
  WriteCode(code);
  const int32_t lengthAt = stream_->GetPosition();
  WriteLong(-1);
  const int32_t contentsAt = stream_->GetPosition();
  object.WriteBlockContents(static_cast<int16_t>(code), *this);
  const int32_t end = stream_->GetPosition();
  stream_->SetPosition(lengthAt);
  WriteLong(end - contentsAt);
  stream_->SetPosition(end);
}

void TObjectWriter::EndCurrentObject() {
  if (current_ == nullptr) return;
  WriteCode(kCodeBoundary);
  ObjectBoundary();
  current_ = nullptr;
}

void TObjectWriter::WriteBlock(TLink& object, int32_t code) {
  // Every reader takes this code for the end of the object: a block under it would cut the
  // object short and misread the rest of the stream.
  if (code == kCodeBoundary) ThrowFailure(kErrCodeRange, 0);
  if (&object != current_) {
    EndCurrentObject();
    current_ = &object;
    ObjectBoundary();
    WriteCode(object.GetIdentifier());
    if (format3x_ != 0) {
      object.WriteClassTag(*this);
      WriteBytes(kBlankTag, 4);
    }
  }
  if (skipFlag_ == 0 && code >= kCodeFirstUIBlock) return;
  WriteBlockFrame(object, code);
}

void TObjectWriter::WriteContentsBlock(TLink& object) {
  WriteBlock(object, kCodeContents);
}

void TObjectWriter::WriteHeader() {
  WriteBytes(kStreamSignature, 4);
  if (format3x_ == 0) {
    WriteString(kVersionNative);
    return;
  }
  WriteString(kVersion3X);
  WriteString(kProgramVersion);
  WriteFloatFormat();
  WriteString(kSystemName);
  for (int i = 0; i < kTrailingHeaderStrings; ++i)
    WriteString(std::string_view());
}

void TObjectWriter::Finish() {
  EndCurrentObject();
  ObjectBoundary();
  if (format3x_ != 0) WriteCode(kCodeBoundary);
  stream_->Flush();
}

void TObjectWriter::WriteBytes(const void* bytes, int32_t count) {
  stream_->Write(bytes, count);
}

void TObjectWriter::WriteNumber(const void* hostBytes, int32_t count) {
  WriteBytes(hostBytes, count);
}

void TObjectWriter::WriteHandleBytes(Handle handle) {
  if (handle == nullptr) return;
  LockHandle(handle);
  WriteBytes(HandleData(handle), static_cast<int32_t>(GetHandleByteSize(handle)));
  UnlockHandle(handle);
}

void TObjectWriter::WriteDouble(double value) {
  WriteNumber(&value, 8);
}

void TObjectWriter::WriteCode(int32_t value) {
  if (format3x_ != 0) {
    WriteLong(value);
    return;
  }
  const auto word = static_cast<uint16_t>(static_cast<int16_t>(value));
  WriteWord(word);
}

void TObjectWriter::WriteChar(char c) {
  WriteCode(static_cast<signed char>(c));
}

void TObjectWriter::WriteLong(int32_t value) {
  WriteNumber(&value, 4);
}

void TObjectWriter::WriteFloat(float value) {
  WriteBytes(&value, 4);
}

void TObjectWriter::WriteTag(uint32_t tag) {
  WriteBytes(&tag, 4);
}

void TObjectWriter::WriteShort(int16_t value) {
  WriteCode(value);
}

void TObjectWriter::WriteBoolean(uint8_t value) {
  WriteCode(value);
}

void TObjectWriter::PutString(const Str255& text, int16_t) {
  WriteString(text);
}

void TObjectWriter::WriteString(const Str255& text) {
  WriteString(std::string_view(text.Chars(), static_cast<size_t>(text.Length())));
}

void TObjectWriter::WriteString(std::string_view text) {
  std::vector<uint8_t> stored(text.begin(), text.end());
  for (uint8_t& c : stored)
    c = RecodeToStored(c);
  WriteWord(static_cast<uint16_t>(stored.size()));
  WriteBytes(stored.data(), static_cast<int32_t>(stored.size()));
}

namespace {

// The factor that turns what a formula's text computes into internal units.
double UnitFactorOf(const TFormula& formula) {
  const TFormulaUnits* units = formula.GetUnits();
  return units != nullptr ? units->factor : 1.0;
}

}  // namespace

void TObjectWriter::WriteFormula(const TFormula* formula) {
  if (formula == nullptr) {
    WriteConstant(0.0);
    return;
  }
  if (!formula->IsFormula()) {
    WriteConstant(formula->GetValue());
    return;
  }
  const double factor = UnitFactorOf(*formula);
  if (factor != 1.0 && namer_ == nullptr) WriteFormulaUnits(*formula->GetUnits());
  const TFormulaRecord* record = formula->GetRecord();
  if (record != nullptr && record->IsFiled()) {
    WriteShort(0);
    if (namer_ != nullptr) {
      WriteNamedFormulaRecord(*record, factor);
    } else {
      WriteFormulaRecord(*record);
    }
    return;
  }
  Str255 text;
  formula->GetText(text);
  WriteShort(0);
  WriteTextOfFormula(text, factor);
}

void TObjectWriter::WriteFormulaUnits(const TFormulaUnits& units) {
  WriteShort(0);
  PutString(Str255(kFormulaUnitsMark), 1);
  WriteDouble(units.factor);
  WriteLong(units.unitKind);
}

void TObjectWriter::WriteFormulaText(const Str255& text) {
  WriteShort(0);
  WriteTextOfFormula(text, 1.0);
}

void TObjectWriter::WriteTextOfFormula(const Str255& text, double factor) {
  if (namer_ == nullptr) {
    PutString(text, 1);
    return;
  }
  // The solver's form may be longer than a stored string holds; the stream's strings hold it.
  const std::string_view view(text.Chars(), static_cast<size_t>(text.Length()));
  WriteString(SolverFormulaText(TextInInternalUnits(view, factor), *namer_));
}

void TObjectWriter::WriteNamedFormulaRecord(const TFormulaRecord& record, double factor) {
  int32_t count = 0;
  Str255 text;
  if (!ParseFormulaRecordName(record.name, count, text)) {
    WriteFormulaRecord(record);
    return;
  }
  const std::string_view view(text.Chars(), static_cast<size_t>(text.Length()));
  std::string name(1, '#');
  name += std::to_string(count);
  name += ':';
  name += SolverFormulaText(TextInInternalUnits(view, factor), *namer_);
  WriteString(name);
  WriteRecordNumbers(record);
}

void TObjectWriter::WriteConstant(double value) {
  WriteShort(1);
  WriteDouble(value);
}

void TObjectWriter::WriteFormulaRecord(const TFormulaRecord& record) {
  WriteString(record.name);
  WriteRecordNumbers(record);
}

void TObjectWriter::WriteRecordNumbers(const TFormulaRecord& record) {
  WriteCode(kFormulaRecordCode);
  WriteDouble(record.first);
  WriteDouble(record.second);
  WriteLong(record.kind);
  for (const TFormulaElement& element : record.elements) {
    WriteDouble(element.value);
    WriteLong(element.code);
  }
}

void TObjectWriter::WriteWord(uint16_t value) {
  WriteNumber(&value, 2);
}

void TObjectWriter::WritePoint(const TVector& point) {
  WriteDouble(point.x);
  WriteDouble(point.y);
}

void TObjectWriter::WriteVector3(const TVector3& vector) {
  WriteDouble(vector.x);
  WriteDouble(vector.y);
  WriteDouble(vector.r);
}

void TObjectWriter::WriteIntPoint(const MacPoint& point) {
  WriteNumber(&point.v, 2);
  WriteNumber(&point.h, 2);
}

void TObjectWriter::WriteTransform(const Transform2D& t) {
  for (double field : {t.cosine, t.sine, t.tx, t.ty, t.angle, t.scale})
    WriteDouble(field);
  WriteShort(static_cast<int16_t>(t.scaled));
}

void TObjectWriter::WriteColor(const RGB16Color& colour) {
  const uint16_t channels[3] = {colour.red, colour.blue, colour.green};
  WriteBytes(channels, 6);
}

void TObjectWriter::WriteTextStyle(const FontSpec& font, const RGB16Color& colour) {
  WriteCode(static_cast<int32_t>(font.style) << 8);
  WriteCode(font.size);
  WriteColor(colour);
  // The default face must be in the face table before a number is turned into a name, or the
  // first style written in a run names no face and later ones name the default.
  GetDefaultFontSize();
  Str255 name;
  FontNameFromNumber(font.fontNumber, name);
  ExportFonts(name);
  PutString(name, 1);
}

void TObjectWriter::WriteIdNameRecord(int16_t id, int32_t value, const Str255& name) {
  WriteCode(id);
  WriteLong(value);
  PutString(name, 1);
}

void TObjectWriter::WriteHandle(Handle handle) {
  if (handle == nullptr) {
    WriteLong(0);
    return;
  }
  WriteLong(static_cast<int32_t>(GetHandleByteSize(handle)));
  WriteHandleBytes(handle);
}

void TObjectWriter::WriteFloatFormat() {
  WriteString(RealFormatTagForSize(sizeof(double)));
}

void TNativeObjectWriter::Init(FilerStream* stream) {
  TObjectWriter::Init(stream);
  format3x_ = 0;
  SetSkipFlag(0);
}

void TNativeObjectWriter::WriteCode(int32_t value) {
  if (value < kNativeCodeMin || value > kNativeCodeMax) ThrowFailure(kErrCodeRange, 0);
  TObjectWriter::WriteCode(value);
}

void TObjectWriterKind2::WriteNumber(const void* hostBytes, int32_t count) {
  uint8_t reversed[8];
  const auto* in = static_cast<const uint8_t*>(hostBytes);
  for (int32_t i = 0; i < count; ++i)
    reversed[i] = in[count - 1 - i];
  WriteBytes(reversed, count);
}

void TObjectWriterKind2::WriteColor(const RGB16Color& colour) {
  WriteWord(colour.red);
  WriteWord(colour.green);
  WriteWord(colour.blue);
}

namespace {

void WriteOneObject(TLink& object, TObjectWriter& writer, void*) {
  object.WriteTo(writer, 0);
}

}  // namespace

std::unique_ptr<TObjectWriter> WriteObjects(const std::vector<TLink*>* list, uint16_t flag,
                                            TLink* object, int16_t kind, WriteCallback callback,
                                            FilerStream* stream, void* data,
                                            const TFormulaNamer* namer) {
  std::unique_ptr<TObjectWriter> writer;
  if (flag == 0) {
    writer = std::make_unique<TNativeObjectWriter>();
  } else if (kind == 2) {
    writer = std::make_unique<TObjectWriterKind2>();
  } else if (kind == 1) {
    writer = std::make_unique<TObjectWriter>();
  } else {
    ThrowFailure(kErrBadFormat, 0);
  }
  writer->Init(stream);
  writer->SetSkipFlag(flag);
  writer->SetFormulaNamer(namer);
  writer->WriteHeader();
  if (object != nullptr) callback(*object, *writer, data);
  if (list != nullptr) {
    for (TLink* element : *list) {
      if (element != nullptr) callback(*element, *writer, data);
    }
  }
  writer->Finish();
  return writer;
}

std::unique_ptr<TObjectWriter> WriteObjectsDefault(const std::vector<TLink*>* list, uint16_t flag,
                                                   TLink* object, int16_t kind,
                                                   FilerStream* stream,
                                                   const TFormulaNamer* namer) {
  return WriteObjects(list, flag, object, kind, WriteOneObject, stream, nullptr, namer);
}

std::vector<uint8_t> DocumentStreamOf(const std::vector<TLink*>& objects) {
  auto writer = WriteObjectsDefault(&objects, 1, nullptr, 2, nullptr);
  Handle handle = writer->TakeHandle();
  const auto* data = reinterpret_cast<const uint8_t*>(HandleData(handle));
  std::vector<uint8_t> bytes(data, data + GetHandleByteSize(handle));
  FreeHandle(handle);
  return bytes;
}
