#include "model/filing/ObjectReader.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <map>
#include <set>
#include <string>

#include "core/Failure.h"
#include "core/FileCalls.h"
#include "core/Resources.h"
#include "core/Tag.h"
#include "model/Formula.h"
#include "model/filing/ChangeRecorder.h"
#include "model/filing/ClassSource.h"
#include "model/filing/ObjectReaderText.h"
#include "model/world/ObjectNumbering.h"

namespace {

// A sixth of a second between progress reports.
constexpr auto kProgressInterval = std::chrono::milliseconds(167);
constexpr int16_t kStandardBlocks[] = {5301, 5303, 5304, 5305, 5306};

}  // namespace

TObjectReader::TObjectReader() = default;

TObjectReader::~TObjectReader() = default;

void TObjectReader::Init(std::unique_ptr<FilerStream> stream, RealWidth realWidth, TLink* container,
                         TChangeRecorder* before, TChangeRecorder* after) {
  stream_ = std::move(stream);
  realWidth_ = realWidth;
  container_ = container;
  before_ = before;
  after_ = after;
}

void TObjectReader::Reset() {
  fixups_.clear();
  identifierMap_.clear();
  table_.Clear();
  owned_.clear();
  tableLookup_.clear();
  mappedLookup_.clear();
  containerLookup_.clear();
  containerLookupBuilt_ = false;
  faces_.reset();
  faces_.emplace();
  storedIdentifier_ = -1;
  current_ = nullptr;
  blockEnd_ = -1;
  endMarkRequired_ = false;
  lastReport_ = std::chrono::steady_clock::now();
  lastReportedObjects_ = 0;
}

bool TObjectReader::IsUnversioned() const {
  return IsUnversionedDocument();
}

int32_t TObjectReader::BlockRemaining() const {
  const int32_t position = stream_->GetPosition();
  const int32_t end = blockEnd_ >= 0 ? blockEnd_ : stream_->GetLength();
  return std::max(0, end - position);
}

int32_t TObjectReader::StreamRemaining() const {
  return std::max(0, stream_->Remaining());
}

void TObjectReader::FailIfCountExceedsStream(int64_t count, int32_t bytesEach) {
  FailIfBadFormat(count < 0 || count * std::max(bytesEach, 1) > StreamRemaining());
}

void TObjectReader::Need(int32_t count) {
  if (count < 0 || count > stream_->Remaining()) FailIfBadFormat(true);
  if (blockEnd_ >= 0 && stream_->GetPosition() + count > blockEnd_) FailIfBadFormat(true);
}

void TObjectReader::FailIfBadFormat(bool bad) {
  if (bad) ThrowFailure(kErrBadFormat, 0);
}

void TObjectReader::ReadRaw(void* bytes, int32_t count) {
  Need(count);
  stream_->Read(bytes, count);
}

void TObjectReader::ReadNumber(void* hostBytes, int32_t count) {
  ReadRaw(hostBytes, count);
  if (bigEndian_)
    std::reverse(static_cast<uint8_t*>(hostBytes), static_cast<uint8_t*>(hostBytes) + count);
}

int32_t TObjectReader::ReadLong() {
  int32_t value;
  ReadNumber(&value, 4);
  return value;
}

uint16_t TObjectReader::ReadWord() {
  uint16_t value;
  ReadNumber(&value, 2);
  return value;
}

int32_t TObjectReader::ReadInt() {
  if (extendedHeader_) return ReadLong();
  return static_cast<int16_t>(ReadWord());
}

double TObjectReader::ReadReal() {
  const auto n = static_cast<int32_t>(RealWidthBytes(realWidth_));
  uint8_t bytes[12];
  ReadRaw(bytes, n);
  return DecodeReal(std::span<const uint8_t>(bytes, static_cast<size_t>(n)), realWidth_,
                    bigEndian_);
}

void TObjectReader::ReadString(Str255& text) {
  // The length is unsigned: a long stored string is cut, never misread as negative. A string
  // keeps all that a counted string holds, so a full 255-character name or formula written by
  // the program reads back whole.
  const uint16_t length = ReadWord();
  text = Str255();
  if (length == 0) return;
  std::vector<uint8_t> stored(length);
  ReadRaw(stored.data(), length);
  const size_t kept = std::min<size_t>(length, Str255::kCapacity);
  for (size_t i = 0; i < kept; ++i)
    text.AppendChar(static_cast<char>(RecodeFromStored(stored[i])));
}

void TObjectReader::ReadFormula(TFormula& formula) {
  if (ReadBoolean()) {
    formula.SetConstant(ReadReal());
    return;
  }
  Str255 stored;
  ReadString(stored);
  if (stored == Str255(kFormulaUnitsMark)) return ReadFormulaInUnits(formula);
  ReadFormulaAfterText(stored, formula);
  // An item without units computes in internal units, whatever the formula read into held.
  if (const TFormulaUnits* units = formula.GetUnits(); units != nullptr && units->factor != 1.0)
    formula.Compile(1.0, nullptr);
}

void TObjectReader::ReadFormulaAfterText(const Str255& stored, TFormula& formula) {
  // A text never begins with "#"; a record's name always does.
  if (stored.IsEmpty() || stored.Chars()[0] != '#') {
    formula.SetFromPieces(stored);
    return;
  }
  TFormulaRecord record;
  Str255 text;
  ReadFormulaRecordAfterName(stored, record, text);
  formula.SetFromPieces(text, &record);
}

void TObjectReader::ReadFormulaInUnits(TFormula& formula) {
  TFormulaUnits units;
  units.factor = units.savedFactor = ReadReal();
  units.unitKind = ReadLong();
  FailIfBadFormat(!(units.factor > 0.0) || !std::isfinite(units.factor));
  // The formula item itself follows: a text or a record, never a constant or more units.
  FailIfBadFormat(ReadBoolean());
  Str255 stored;
  ReadString(stored);
  FailIfBadFormat(stored == Str255(kFormulaUnitsMark));
  TFormula read(formula);
  ReadFormulaAfterText(stored, read);
  read.SetUnits(units);
  read.Compile(units.factor, nullptr);
  formula.Assign(read);
}

std::unique_ptr<TFormula> TObjectReader::ReadNewFormula() {
  auto formula = std::make_unique<TFormula>();
  ReadFormula(*formula);
  return formula;
}

void TObjectReader::ReadFormulaRecord(TFormulaRecord& record, Str255& text) {
  Str255 name;
  ReadString(name);
  ReadFormulaRecordAfterName(name, record, text);
}

void TObjectReader::ReadFormulaRecordAfterName(const Str255& name, TFormulaRecord& record,
                                               Str255& text) {
  int32_t count = 0;
  FailIfBadFormat(!ParseFormulaRecordName(name, count, text));
  FailIfBadFormat(ReadInt() != kFormulaRecordCode);
  record = TFormulaRecord();
  record.name = name;
  record.first = ReadReal();
  record.second = ReadReal();
  record.kind = ReadLong();
  // Every element takes a real and a long: a count the block cannot hold is damage, found
  // before anything is allocated for it.
  const int64_t elementBytes = static_cast<int64_t>(RealWidthBytes(realWidth_)) + 4;
  FailIfBadFormat(static_cast<int64_t>(count) * elementBytes > BlockRemaining());
  record.elements.resize(static_cast<size_t>(count));
  for (TFormulaElement& element : record.elements) {
    element.value = ReadReal();
    element.code = ReadLong();
  }
}

void TObjectReader::ReadIntPoint(MacPoint& point) {
  ReadNumber(&point.v, 2);
  ReadNumber(&point.h, 2);
}

void TObjectReader::ReadTransform(Transform2D& transform) {
  transform.SetIdentity();
  const auto real = static_cast<int32_t>(RealWidthBytes(realWidth_));
  const int32_t intSize = extendedHeader_ ? 4 : 2;
  const int32_t remaining = BlockRemaining();
  if (blockEnd_ >= 0 && remaining < 6 * real + intSize && remaining >= 3 * real) {
    const double x = ReadReal();
    const double y = ReadReal();
    const double angle = ReadReal();
    transform = Transform2D::FromVector3(x, y, angle);
    return;
  }
  transform.cosine = ReadReal();
  transform.sine = ReadReal();
  transform.tx = ReadReal();
  transform.ty = ReadReal();
  transform.angle = ReadReal();
  transform.scale = ReadReal();
  transform.scaled = ReadBoolean() ? 1 : 0;
}

void TObjectReader::ReadColor(RGB16Color& colour) {
  if (bigEndian_) {
    colour.red = ReadWord();
    colour.green = ReadWord();
    colour.blue = ReadWord();
    return;
  }
  uint16_t channels[3];
  ReadRaw(channels, 6);
  colour = {channels[0], channels[1], channels[2]};
}

void TObjectReader::ReadTextStyle(FontSpec& font, RGB16Color& colour) {
  font.style = static_cast<uint8_t>(ReadInt() >> 8);
  font.size = static_cast<int16_t>(ReadInt());
  ReadColor(colour);
  Str255 name;
  ReadString(name);
  // A face name ends at its first NUL, as the font layer takes it; cut here, the name is
  // mapped once, as it will be when read again.
  name.Assign(std::string(name.Chars(), static_cast<size_t>(name.Length())).c_str());
  ImportFonts(name);
  font.fontNumber = FontNumberFromName(name);
  if (font.size == 0) font.size = GetDefaultFontSize();
}

void TObjectReader::ReadHandle(Handle handle) {
  const int32_t length = ReadLong();
  Need(length);
  if (handle == nullptr) {
    std::vector<uint8_t> skipped(static_cast<size_t>(length));
    ReadRaw(skipped.data(), length);
    return;
  }
  ResizeHandle(handle, static_cast<uint32_t>(length));
  ReadRaw(HandleData(handle), length);
}

uint32_t TObjectReader::ReadUnitTag() {
  uint8_t bytes[4];
  ReadRaw(bytes, 4);
  TranslateUnitTag(bytes);
  uint32_t tag;
  std::memcpy(&tag, bytes, 4);
  return tag;
}

uint32_t TObjectReader::ReadTag() {
  // Tags are stored as their characters in every kind, so they are read the same way.
  uint32_t tag;
  ReadRaw(&tag, 4);
  return tag;
}

void TObjectReader::ReadPoint(TVector& point) {
  point.x = ReadReal();
  point.y = ReadReal();
}

void TObjectReader::ReadVector3(TVector3& vector) {
  vector.x = ReadReal();
  vector.y = ReadReal();
  vector.r = ReadReal();
}

void TObjectReader::ReadIdNameRecord(int16_t& id, int32_t& value, Str255& name) {
  id = static_cast<int16_t>(ReadInt());
  value = ReadLong();
  ReadString(name);
}

void TObjectReader::ReadReference(TLink& object, uint16_t kind) {
  const int32_t identifier = ReadInt();
  fixups_.push_back({&object, code_, kind, identifier});
}

void TObjectReader::ForgetFixups(TLink* object) {
  std::erase_if(fixups_, [object](const Fixup& f) { return f.referrer == object; });
  std::erase_if(identifierMap_, [object](const IdentifierEntry& e) { return e.object == object; });
  if (current_ == object) current_ = nullptr;
  RebuildLookups();
}

bool TObjectReader::KeepFaces() {
  // An object that outlives the read may now name faces this read enters.
  if (faces_) faces_->Commit();
  return true;
}

void TObjectReader::AddToTable(TLink* object) {
  table_.AddDependent(object);
  tableLookup_.try_emplace(object->GetIdentifier(), object);
}

void TObjectReader::RebuildLookups() {
  tableLookup_.clear();
  for (TLink* object : table_.Objects())
    tableLookup_.try_emplace(object->GetIdentifier(), object);
  mappedLookup_.clear();
  for (const IdentifierEntry& entry : identifierMap_)
    mappedLookup_.try_emplace(entry.stored, entry.object);
}

void TObjectReader::ReadHeader() {
  char signature[4];
  ReadRaw(signature, 4);
  FailIfBadFormat(std::memcmp(signature, kStreamSignature, 4) != 0);
  Str255 version;
  ReadString(version);
  ApplyVersion(version);
  if (!extendedHeader_) return;
  Str255 unused;
  ReadString(unused);
  Str255 tag;
  ReadString(tag);
  const auto width =
      ParseRealFormatTag(std::string_view(tag.Chars(), static_cast<size_t>(tag.Length())));
  FailIfBadFormat(!width.has_value());
  realWidth_ = *width;
  for (int i = 0; i < 5; ++i)
    ReadString(unused);
  endMarkRequired_ = RequiresWholeStream();
}

void TObjectReader::ApplyVersion(const Str255& version) {
  const VersionInfo info = LookupVersion(
      std::string_view(version.Chars(), static_cast<size_t>(version.Length())), version_);
  version_ = info.number;
  family3x_ = info.family3x;
  extendedHeader_ = info.extendedHeader;
  // An empty version marks the document unversioned for every later reader, as the file type
  // test does.
  if (info.unversioned) SetUnversionedDocument(true);
}

void TObjectReader::ReadCode() {
  recordStart_ = stream_->GetPosition();
  blockEnd_ = -1;
  const int32_t value = ReadInt();
  code_ = (value > -32767 && value <= 32767) ? static_cast<int16_t>(value)
                                             : static_cast<int16_t>(kCodeOutOfRange);
}

int32_t TObjectReader::ReadBlockLength() {
  if (!family3x_ || code_ == kCodeBoundary) return -1;
  const int32_t length = ReadLong();
  // A block must lie inside the stream; anything else is damage, found before anyone reads it.
  FailIfBadFormat(length < 0 || length > stream_->Remaining());
  blockEnd_ = stream_->GetPosition() + length;
  return length;
}

bool TObjectReader::ReadBlock(TLink& object) {
  const bool taken = object.ReadBlockContents(code_, *this) != 0;
  if (taken) current_ = &object;
  return taken;
}

bool TObjectReader::OfferBlock(TLink& object) {
  if (object.CanReadBlock(code_) == 0) return false;
  bool taken = true;
  if (before_ != nullptr && after_ != nullptr) {
    before_->WriteBlock(object, code_);
    ReadBlock(object);
    after_->NoteBlock(&object, code_);
  } else {
    taken = ReadBlock(object);
  }
  if (taken && object.GetIdentifier() != storedIdentifier_) {
    identifierMap_.push_back({storedIdentifier_, &object});
    mappedLookup_.try_emplace(storedIdentifier_, &object);
  }
  return taken;
}

void TObjectReader::SkipBlock(int32_t length) {
  FailIfBadFormat(!family3x_ || length < 0);
  const int32_t codeSize = extendedHeader_ ? 4 : 2;
  const int64_t next = static_cast<int64_t>(recordStart_) + codeSize + 4 + length;
  FailIfBadFormat(next < 0 || next > stream_->GetLength());
  blockEnd_ = -1;
  stream_->SetPosition(static_cast<int32_t>(next));
}

bool TObjectReader::AtEnd() {
  if (stream_->Remaining() <= 0) return true;
  if (code_ != kCodeBoundary) return false;
  const int32_t position = stream_->GetPosition();
  const int32_t savedEnd = blockEnd_;
  blockEnd_ = -1;
  const int32_t next = ReadInt();
  stream_->SetPosition(position);
  blockEnd_ = savedEnd;
  return next == kCodeBoundary;
}

TLink* TObjectReader::FindObject(int32_t identifier) {
  if (const auto it = tableLookup_.find(identifier); it != tableLookup_.end()) return it->second;
  if (const auto it = mappedLookup_.find(identifier); it != mappedLookup_.end()) return it->second;
  if (container_ == nullptr) return nullptr;
  if (container_->GetIdentifier() == identifier) return container_;
  if (containerLookupBuilt_) {
    const auto it = containerLookup_.find(identifier);
    return it != containerLookup_.end() ? it->second : nullptr;
  }
  for (TLink* element : container_->Linked()) {
    if (element->GetIdentifier() == identifier) return element;
  }
  return nullptr;
}

void TObjectReader::NotifyObjects() {
  for (TLink* object : table_.Objects())
    object->ReaderNotice(table_, container_);
}

void TObjectReader::EndObject() {
  current_ = nullptr;
}

TLink* TObjectReader::ObjectForStoredIdentifier() {
  if (current_ != nullptr) return current_;
  const auto it = tableLookup_.find(storedIdentifier_);
  return it != tableLookup_.end() ? it->second : nullptr;
}

void TObjectReader::DropObject(TLink* object) {
  table_.RemoveDependent(object);
  ForgetFixups(object);
  std::erase_if(owned_, [object](const std::unique_ptr<TLink>& p) { return p.get() == object; });
}

bool TObjectReader::CreateObjectForTag() {
  const std::optional<std::vector<uint8_t>> table = LoadFactTable();
  if (!table) ThrowFailure(kErrOutOfMemory, 0);
  current_ = nullptr;
  const auto tag = LookupFactTable(*table, code_);
  if (!tag) return false;
  TLink* created = MapOldClassTag(*tag);
  if (created == nullptr) ThrowFailure(kErrOutOfMemory, 0);
  owned_.emplace_back(created);
  try {
    created->Initialize();
    created->SetIdentifier(storedIdentifier_);
    AddToTable(created);
    current_ = created;
    // The block counts as read whatever the new object answers.
    ReadBlock(*created);
    current_ = created;
  } catch (...) {
    DropObject(created);
    throw;
  }
  return true;
}

bool TObjectReader::ReadStandardBlock() {
  if (std::find(std::begin(kStandardBlocks), std::end(kStandardBlocks), code_) ==
      std::end(kStandardBlocks)) {
    return false;
  }
  int16_t id;
  int32_t value;
  Str255 name;
  switch (code_) {
    case 5301:
      ReadInt();
      break;
    case 5303:
      ReadIdNameRecord(id, value, name);
      break;
    case 5304:
      ReadBoolean();
      break;
    default:
      ReadIdNameRecord(id, value, name);
      ReadBoolean();
      break;
  }
  return true;
}

bool TObjectReader::DispatchBlock() {
  if (current_ != nullptr) return ReadBlock(*current_);
  if (const auto it = tableLookup_.find(storedIdentifier_); it != tableLookup_.end()) {
    if (OfferBlock(*it->second)) return true;
  }
  if (container_ != nullptr) {
    if (OfferBlock(*container_)) return KeepFaces();
    const std::vector<TLink*> elements = container_->Linked();
    for (TLink* element : elements) {
      if (elementsOwnRecordsOnly_ && element->GetIdentifier() != storedIdentifier_) continue;
      if (OfferBlock(*element)) return KeepFaces();
    }
  }
  return CreateObjectForTag();
}

void TObjectReader::ReportProgress(const ReadProgress& progress, bool force) {
  if (!progress) return;
  const auto now = std::chrono::steady_clock::now();
  const int32_t objects = table_.GetCount();
  if (!force && now - lastReport_ < kProgressInterval && objects <= lastReportedObjects_) return;
  lastReport_ = now;
  lastReportedObjects_ = objects;
  bool cancel = false;
  const int32_t length = stream_->GetLength();
  progress(cancel, objects, length > 0 ? double(stream_->GetPosition()) / length : 1.0);
  if (cancel) ThrowFailure(kErrReadCancelled, 0);
}

void TObjectReader::ReadRecord(const ReadProgress& progress) {
  const int32_t length = ReadBlockLength();
  ReportProgress(progress, false);
  bool consumed = false;
  try {
    consumed = DispatchBlock();
  } catch (const QVException& failure) {
    if (failure.error() != kErrBlockAbandoned) throw;
    consumed = false;
  }
  if (consumed) {
    // The next block starts where this one ends, whatever the object read of it.
    if (blockEnd_ >= 0) stream_->SetPosition(blockEnd_);
    return;
  }
  if (ReadStandardBlock()) {
    if (blockEnd_ >= 0) stream_->SetPosition(blockEnd_);
    return;
  }
  if (code_ == kCodeShortRecord && length <= 0) return;
  SkipBlock(length);
}

void TObjectReader::ReadAll(const ReadProgress& progress) {
  try {
    ReadRecords(progress);
  } catch (const QVException& failure) {
    // A record that ends too early without saying why is damage like any other.
    if (failure.error() == kErrRecordEnded && failure.message() == 0) FailIfBadFormat(true);
    throw;
  }
}

void TObjectReader::ReadRecords(const ReadProgress& progress) {
  Reset();
  stream_->SetPosition(0);
  ReadHeader();
  current_ = nullptr;
  code_ = kCodeBoundary;
  bool endMarkRead = false;
  while (!AtEnd()) {
    if (code_ == kCodeBoundary) {
      EndObject();
      blockEnd_ = -1;
      // The identifier is compared at its full width: 0x0000FFFF in a stream of 4-byte codes is
      // no end mark, and an identifier beyond the 16 bits of objects is damage.
      const int32_t identifier = ReadInt();
      FailIfBadFormat(identifier < INT16_MIN || identifier > INT16_MAX);
      // No object has an identifier below the end mark's, in any kind of stream: one that did
      // would be written into a document that could not be read again.
      FailIfBadFormat(identifier < kCodeBoundary);
      storedIdentifier_ = static_cast<int16_t>(identifier);
      if (extendedHeader_) {
        if (identifier == kCodeBoundary) {
          endMarkRead = true;
          break;
        }
        while (ReadTag() != MakeTag("    ")) {
        }
      }
      ReadCode();
      // An object all of whose blocks were left out is its identifier and the end code alone;
      // only native streams leave blocks out.
      if (code_ == kCodeBoundary) {
        FailIfBadFormat(endMarkRequired_);
        continue;
      }
    }
    ReadRecord(progress);
    // A stream that ends with its last block, without the closing codes, has all its objects
    // unless its header promised the end mark.
    if (stream_->Remaining() <= 0) break;
    ReadCode();
  }
  if (endMarkRequired_ && !endMarkRead) FailIfBadFormat(!EndMarkFollows());
  EndObject();
  ReportProgress(progress, true);
}

bool TObjectReader::EndMarkFollows() {
  if (code_ != kCodeBoundary || stream_->Remaining() < 4) return false;
  const int32_t position = stream_->GetPosition();
  blockEnd_ = -1;
  const int32_t next = ReadInt();
  stream_->SetPosition(position);
  return next == kCodeBoundary;
}

void TObjectReader::Complete(int16_t) {
  try {
    // The container's elements do not change while references are resolved.
    if (container_ != nullptr) {
      for (TLink* element : container_->Linked())
        containerLookup_.try_emplace(element->GetIdentifier(), element);
      containerLookupBuilt_ = true;
    }
    for (const Fixup& fixup : fixups_) {
      fixup.referrer->ResolveReference(*this, fixup.code, fixup.kind, FindObject(fixup.identifier));
    }
    fixups_.clear();
    for (ReferenceRecord* record : referenceRecords_) {
      record->object = FindObject(record->identifier);
      if (record->object == nullptr) record->identifier = 0;
    }
    referenceRecords_.clear();
    containerLookup_.clear();
    containerLookupBuilt_ = false;
    SeparateSharedIdentifiers();
    NotifyObjects();
    for (TLink* object : table_.Objects())
      object->EndReading(*this);
    if (container_ != nullptr) {
      container_->PrepareForReadObjects();
      for (TLink* object : table_.Objects())
        object->AddDependent(container_);
      container_->FinishReadObjects();
    }
    if (faces_) faces_->Commit();
  } catch (...) {
    containerLookup_.clear();
    containerLookupBuilt_ = false;
    table_.Clear();
    RebuildLookups();
    throw;
  }
}

void TObjectReader::SeparateSharedIdentifiers() {
  if (!RequiresWholeStream()) return;
  // Each identifier with the object that holds it first; an object read may be linked with the
  // container already, and so be met twice.
  std::map<int32_t, const TLink*> holders;
  if (container_ != nullptr) {
    holders.emplace(container_->GetIdentifier(), container_);
    for (const TLink* element : container_->Linked())
      holders.emplace(element->GetIdentifier(), element);
  }
  std::vector<TLink*> shared;
  for (TLink* object : table_.Objects()) {
    const auto [holder, added] = holders.emplace(object->GetIdentifier(), object);
    if (!added && holder->second != object &&
        std::find(shared.begin(), shared.end(), object) == shared.end())
      shared.push_back(object);
  }
  if (shared.empty()) return;
  std::set<int32_t> held;
  for (const auto& holder : holders) held.insert(holder.first);
  const std::vector<int16_t> free = FreeIdentifiers(held, shared.size());
  // More objects than identifiers: no document of the program.
  FailIfBadFormat(free.size() < shared.size());
  for (size_t i = 0; i < shared.size(); ++i) shared[i]->SetIdentifier(free[i]);
  RebuildLookups();
}

void TObjectReader::AdoptObject(std::unique_ptr<TLink> object) {
  if (object == nullptr) return;
  table_.AddDependent(object.get());
  owned_.push_back(std::move(object));
}

std::unique_ptr<TLink> TObjectReader::ReleaseObject(TLink* object) {
  const auto it = std::find_if(owned_.begin(), owned_.end(),
                               [object](const std::unique_ptr<TLink>& owned) {
                                 return owned.get() == object;
                               });
  if (object == nullptr || it == owned_.end()) return nullptr;
  std::unique_ptr<TLink> released = std::move(*it);
  owned_.erase(it);
  table_.RemoveDependent(object);
  return released;
}

std::vector<std::unique_ptr<TLink>> TObjectReader::TakeObjects() {
  const std::vector<TLink*> read = table_.Objects();
  std::vector<std::unique_ptr<TLink>> objects;
  const auto sameObject = [](const TLink* a, const std::unique_ptr<TLink>& b) {
    return a == b.get();
  };
  if (std::equal(read.begin(), read.end(), owned_.begin(), owned_.end(), sameObject)) {
    // The usual case: the table holds the objects made, in the order they were made.
    objects = std::move(owned_);
    owned_.clear();
  } else {
    std::unordered_map<const TLink*, size_t> ownedAt;
    ownedAt.reserve(owned_.size());
    for (size_t i = 0; i < owned_.size(); ++i)
      ownedAt.emplace(owned_[i].get(), i);
    for (TLink* object : read) {
      const auto it = ownedAt.find(object);
      if (it == ownedAt.end()) continue;
      objects.push_back(std::move(owned_[it->second]));
      ownedAt.erase(it);
    }
    std::erase(owned_, nullptr);
  }
  if (faces_) faces_->Commit();
  table_.Clear();
  RebuildLookups();
  return objects;
}

std::unique_ptr<TObjectReader> ReadObjects(std::span<const uint8_t> bytes, int16_t kind,
                                           int realFormat, TLink* container,
                                           TChangeRecorder* before, TChangeRecorder* after,
                                           const ReadProgress& progress, bool newObjectsOnly) {
  std::unique_ptr<TObjectReader> reader;
  if (kind == 2) {
    reader = std::make_unique<TObjectReaderKind2>();
  } else if (kind == 1) {
    reader = std::make_unique<TObjectReader>();
  } else {
    reader = std::make_unique<TObjectReaderKind0>();
  }
  if (bytes.size() > static_cast<size_t>(INT32_MAX)) ThrowFailure(kErrBadFormat, 0);
  std::unique_ptr<FilerStream> stream;
  if (kind == 1 || kind == 2)
    stream = std::make_unique<MemoryFilerStream>(bytes);
  else
    stream = std::make_unique<TextFilerStream>(bytes);
  reader->Init(std::move(stream), RealWidthFromFormat(realFormat), container, before, after);
  reader->SetElementsTakeOwnRecordsOnly(newObjectsOnly);
  reader->ReadAll(progress);
  return reader;
}

std::unique_ptr<TObjectReader> ReadObjects(Handle handle, int16_t kind, int realFormat,
                                           TLink* container, TChangeRecorder* before,
                                           TChangeRecorder* after, const ReadProgress& progress,
                                           bool newObjectsOnly) {
  FailIfNull(handle);
  LockHandle(handle);
  std::span<const uint8_t> bytes(reinterpret_cast<const uint8_t*>(HandleData(handle)),
                                 GetHandleByteSize(handle));
  try {
    auto reader =
        ReadObjects(bytes, kind, realFormat, container, before, after, progress, newObjectsOnly);
    UnlockHandle(handle);
    return reader;
  } catch (...) {
    UnlockHandle(handle);
    throw;
  }
}

std::unique_ptr<TObjectReader> ReadObjectsFromResource(int16_t id, TLink* container,
                                                       TChangeRecorder* before,
                                                       TChangeRecorder* after,
                                                       bool newObjectsOnly) {
  int16_t kind = 0;
  Handle resource = GetResourceHandle(MakeTag("ZAZU"), id);
  if (resource == nullptr) {
    kind = 2;
    resource = GetResourceHandle(MakeTag("ZodA"), id);
  }
  FailIfNullResource(resource);
  try {
    auto reader =
        ReadObjects(resource, kind, 2, container, before, after, nullptr, newObjectsOnly);
    ReleaseResourceHandle(resource);
    return reader;
  } catch (const QVException& failure) {
    ReleaseResourceHandle(resource);
    if (failure.error() == kErrTextFormat || failure.error() == kErrBadFormat) {
      ThrowFailure(kErrResourceFormat, failure.message());
    }
    throw;
  }
}

std::unique_ptr<TObjectReader> ReadDefaultObjects(int16_t id, TLink* container) {
  auto reader = ReadObjectsFromResource(id, container, nullptr, nullptr);
  FailIfNull(reader.get());
  reader->Complete(0);
  return reader;
}
