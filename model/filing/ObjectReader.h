#pragma once
// Readers of object streams. The record loop reads each stored object's identifier and blocks;
// a block goes to the object being read, else is offered to an existing object (one read earlier
// under the same identifier, the container, the container's elements), else its code selects a
// class through the 'FACT' table and a new object is made for it. References between objects are
// resolved by Complete once everything is read.
//
// Every read is checked against what remains of the current block and of the stream: a damaged
// stream fails with -25002 and is never read beyond its end.

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <unordered_map>
#include <vector>

#include "core/Handle.h"
#include "core/PString.h"
#include "core/port/PortText.h"
#include "model/Link.h"
#include "model/filing/DocumentFormat.h"
#include "model/filing/FilerStream.h"
#include "model/filing/ObjectWriter.h"

class TChangeRecorder;
class TFormula;
struct TFormulaRecord;

// Called while reading: set cancel to stop the read with -25008.
using ReadProgress = std::function<void(bool& cancel, int32_t objectsRead, double fraction)>;

class TObjectReader : public TFilerBase {
  DECLARE_CLASS_ID(560, TFilerBase)

 public:
  TObjectReader();
  ~TObjectReader() override;
  TObjectReader(const TObjectReader&) = delete;
  TObjectReader& operator=(const TObjectReader&) = delete;

  void Init(std::unique_ptr<FilerStream> stream, RealWidth realWidth, TLink* container,
            TChangeRecorder* before, TChangeRecorder* after);
  void ReadAll(const ReadProgress& progress);
  // Resolves references, ends reading on every object read and links them with the container.
  void Complete(int16_t flag);
  // The objects made while reading, in the order they were read; the caller owns them now.
  std::vector<std::unique_ptr<TLink>> TakeObjects();
  // Takes an object made elsewhere as one of the objects read, after the others.
  void AdoptObject(std::unique_ptr<TLink> object);
  // Gives up one of the objects read, which is no longer among them; null for an object it does
  // not own.
  std::unique_ptr<TLink> ReleaseObject(TLink* object);
  TLink518& Table() { return table_; }
  // For templates of new objects: an element of the container takes only records stored under
  // its own identifier, so that an object already in the world never takes a new one's records.
  void SetElementsTakeOwnRecordsOnly(bool on) { elementsOwnRecordsOnly_ = on; }

  int32_t GetVersion() const { return version_; }
  RealWidth GetRealWidth() const { return realWidth_; }
  // The program-wide unversioned-document flag, set by the file type test and by reading an
  // empty version.
  bool IsUnversioned() const;
  int16_t CurrentCode() const { return code_; }
  // Bytes left in the current block (the rest of the stream when blocks carry no length).
  int32_t BlockRemaining() const;
  // Whether the current block is known to hold more than was read of it (never in streams
  // whose blocks carry no length).
  bool MoreInBlock() const { return blockEnd_ >= 0 && BlockRemaining() > 0; }
  // Bytes left in the stream, whatever block is being read.
  int32_t StreamRemaining() const;
  // A stored count of items that follow in the stream, each at least bytesEach long: a count
  // the rest of the stream cannot hold is damage.
  void FailIfCountExceedsStream(int64_t count, int32_t bytesEach);

  virtual void Reset();
  TLink* FindObject(int32_t identifier);
  virtual void NotifyObjects();
  virtual void ReadCode();
  virtual void ReadHeader();
  virtual int32_t ReadBlockLength();
  virtual bool ReadBlock(TLink& object);
  virtual bool OfferBlock(TLink& object);
  virtual void SkipBlock(int32_t length);
  virtual bool AtEnd();
  virtual void FailIfBadFormat(bool bad);

  // Items.
  // Virtual so that a reader of another encoding supplies the same items.
  virtual double ReadReal();
  virtual int32_t ReadInt();
  virtual int32_t ReadLong();
  virtual uint16_t ReadWord();
  virtual void ReadString(Str255& text);
  bool ReadBoolean() { return ReadInt() != 0; }
  uint8_t ReadByte() { return static_cast<uint8_t>(ReadInt()); }
  virtual char ReadChar() { return static_cast<char>(ReadByte()); }
  virtual void ReadIntPoint(MacPoint& point);
  // Six fields and the flag, starting from the identity. A block whose rest holds only the older
  // three reals (x, y, angle) gives the rigid transform they describe.
  virtual void ReadTransform(Transform2D& transform);
  virtual void ReadColor(RGB16Color& colour);
  // A text style as WriteTextStyle stores it; a size of 0 becomes the default size.
  void ReadTextStyle(FontSpec& font, RGB16Color& colour);
  // Reads a stored handle into handle, resized to fit; a null handle skips the bytes.
  void ReadHandle(Handle handle);
  // Raw bytes of the block, checked like every other read.
  void ReadBlockBytes(void* bytes, int32_t count) { ReadRaw(bytes, count); }
  virtual uint32_t ReadUnitTag();
  virtual uint32_t ReadTag();
  void ReadPoint(TVector& point);
  void ReadVector3(TVector3& vector);
  void ReadIdNameRecord(int16_t& id, int32_t& value, Str255& name);
  // A formula item as WriteFormula stores it, into the formula. A damaged item fails with
  // -25002 and leaves the formula unchanged.
  virtual void ReadFormula(TFormula& formula);
  // The same into a new formula, which the caller owns (or drops, to skip the item).
  std::unique_ptr<TFormula> ReadNewFormula();
  // A record as WriteFormulaRecord stores it; its text (from the name) goes to text.
  virtual void ReadFormulaRecord(TFormulaRecord& record, Str255& text);
  // A reference kept outside the objects: Complete finds its object, or sets its identifier to 0
  // when there is none. The record must live until then.
  struct ReferenceRecord {
    TLink* object = nullptr;
    int16_t identifier = 0;
  };
  void AddReferenceRecord(ReferenceRecord& record) { referenceRecords_.push_back(&record); }
  // Reads an identifier and notes that object refers to it; resolved by Complete.
  void ReadReference(TLink& object, uint16_t kind);
  void ForgetFixups(TLink* object);

 protected:
  int16_t storedIdentifier_ = -1;
  TLink* current_ = nullptr;
  TChangeRecorder* before_ = nullptr;
  TChangeRecorder* after_ = nullptr;
  bool bigEndian_ = false;
  RealWidth realWidth_ = RealWidth::k80;

  FilerStream& Stream() { return *stream_; }
  // Checks that count bytes remain in the block and the stream, then reads them.
  void ReadRaw(void* bytes, int32_t count);
  // Ends the current block at end, or lets it run to the stream's end when end is -1.
  void SetBlockEnd(int32_t end) { blockEnd_ = end; }
  int32_t RecordStart() const { return recordStart_; }
  // Takes the version token of a header: its number, family and header form.
  void ApplyVersion(const Str255& version);
  bool HasExtendedHeader() const { return extendedHeader_; }
  // Whether a stream with the full header must be whole: every object with a block, and the
  // end mark of the object list. Streams the program itself keeps in memory may be cut.
  virtual bool RequiresWholeStream() const { return true; }
  virtual void EndObject();
  // The object that the stored identifier being read belongs to, if one was read or found.
  TLink* ObjectForStoredIdentifier();

 private:
  struct Fixup {
    TLink* referrer;
    int16_t code;
    uint16_t kind;
    int32_t identifier;
  };
  struct IdentifierEntry {
    int16_t stored;
    TLink* object;
  };

  void Need(int32_t count);
  void ReadFormulaRecordAfterName(const Str255& name, TFormulaRecord& record, Str255& text);
  // A formula item's text or record, its stored string read already.
  void ReadFormulaAfterText(const Str255& stored, TFormula& formula);
  // The units item's factor and dimension code, then the formula item they belong to.
  void ReadFormulaInUnits(TFormula& formula);
  void ReadNumber(void* hostBytes, int32_t count);
  void ReadRecords(const ReadProgress& progress);
  // At an object boundary: whether the end mark of the object list comes next.
  bool EndMarkFollows();
  // Once references are resolved (to the first object read under an identifier): every object
  // read under an identifier that an earlier one or the container's holds takes a free one, so
  // that a document saved again names each object once. The program never writes such a
  // document; streams it keeps in memory are left as they are.
  void SeparateSharedIdentifiers();
  void ReadRecord(const ReadProgress& progress);
  bool DispatchBlock();
  bool CreateObjectForTag();
  bool ReadStandardBlock();
  void ReportProgress(const ReadProgress& progress, bool force);
  void DropObject(TLink* object);
  void AddToTable(TLink* object);
  bool KeepFaces();
  void RebuildLookups();

  std::unique_ptr<FilerStream> stream_;
  TLink* container_ = nullptr;
  TLink518 table_;
  std::vector<std::unique_ptr<TLink>> owned_;
  std::vector<Fixup> fixups_;
  std::vector<IdentifierEntry> identifierMap_;
  std::vector<ReferenceRecord*> referenceRecords_;
  // Lookups beside the ordered lists, so that dispatching a record and resolving a reference
  // cost the same however many objects a stream holds: the first object of the table with an
  // identifier, the first identifier-map entry of a stored identifier, and, while Complete
  // resolves references, the first element of the container with an identifier. Identifiers
  // of objects read do not change while they are read.
  std::unordered_map<int32_t, TLink*> tableLookup_;
  std::unordered_map<int32_t, TLink*> mappedLookup_;
  std::unordered_map<int32_t, TLink*> containerLookup_;
  bool containerLookupBuilt_ = false;
  bool elementsOwnRecordsOnly_ = false;
  int32_t recordStart_ = 0;
  int32_t blockEnd_ = -1;
  int16_t code_ = -1;
  int32_t version_ = 5;
  bool family3x_ = false;
  bool extendedHeader_ = false;
  // The binary header read was a full one, so the stream ends with the end mark.
  bool endMarkRequired_ = false;
  // The faces this read entered, forgotten again unless Complete or TakeObjects keeps its
  // objects, or a block went into an object that was there before the read.
  std::optional<FaceTableTransaction> faces_;
  std::chrono::steady_clock::time_point lastReport_;
  int32_t lastReportedObjects_ = 0;
};

// The document reader: every number big-endian.
class TObjectReaderKind2 : public TObjectReader {
  DECLARE_CLASS_ID(570, TObjectReader)

 public:
  TObjectReaderKind2() { bigEndian_ = true; }
};

// Reads a stream: kind 2 big-endian, kind 1 host order, any other kind the text world format
// (TObjectReaderKind0). realFormat 0..3 picks the width of reals for streams whose header does
// not name it. The caller runs Complete and takes the objects.
// With newObjectsOnly, the container's elements take only records of their own identifiers.
std::unique_ptr<TObjectReader> ReadObjects(std::span<const uint8_t> bytes, int16_t kind,
                                           int realFormat, TLink* container,
                                           TChangeRecorder* before, TChangeRecorder* after,
                                           const ReadProgress& progress,
                                           bool newObjectsOnly = false);
std::unique_ptr<TObjectReader> ReadObjects(Handle handle, int16_t kind, int realFormat,
                                           TLink* container, TChangeRecorder* before,
                                           TChangeRecorder* after, const ReadProgress& progress,
                                           bool newObjectsOnly = false);

// Reads the default objects stored as a resource of the id: a "ZAZU" resource (the text world
// format) when there is one, else a "ZodA" resource (a document stream). A damaged resource fails
// with -25005; a missing one with the resource error.
std::unique_ptr<TObjectReader> ReadObjectsFromResource(int16_t id, TLink* container,
                                                       TChangeRecorder* before,
                                                       TChangeRecorder* after,
                                                       bool newObjectsOnly = false);
// Reads and completes the default objects of the id into the container.
std::unique_ptr<TObjectReader> ReadDefaultObjects(int16_t id, TLink* container);
