// The recorded history in documents. A world that holds frames writes its store as one stored
// block (header and values big-endian, then a trailer of own field, values per frame, frame count
// and float size code) and then its cursors; reading takes that block, the older form in
// primitives, and several histories in one document, the last one read being the current store.
//
// Every count a document gives is checked against the bytes its block holds before anything is
// made from it; a history that does not agree with its bytes is shown as a failure and skipped,
// the rest of the document is read and the world's store stays as it was.

#include <algorithm>
#include <bit>
#include <cstring>

#include "core/Failure.h"
#include "model/filing/DocumentFormat.h"
#include "model/filing/ObjectReader.h"
#include "model/filing/ObjectWriter.h"
#include "model/world/WorldDoc.h"

namespace {

constexpr int kHeaderWords = 11;
constexpr int kHeaderBytes = 4 * kHeaderWords;
constexpr int kTrailerBytes = 24;
constexpr int kWordTimeStep = 2;
constexpr int kWordMark = 8;
constexpr int kWordFrames = 9;
constexpr int kWordValues = 10;
// Values per frame above this were written in the other byte order.
constexpr uint32_t kMostPlainValues = 0xFFFFFF;
constexpr int32_t kDoubleSizeCode = 64;

bool IsHistoryCode(int16_t code) {
  switch (code) {
    case kBlockHistoryCursors:
    case kBlockHistoryMeters:
    case kBlockSeveralRuns:
    case kBlockHistoryPrimitives:
    case kBlockHistoryRaw:
    case kBlockHistoryRawOther:
    case kBlockHistoryEmpty:
    case kBlockHistoryEmptyOther:
      return true;
    default:
      return false;
  }
}

uint64_t LoadBig64(const uint8_t* bytes) {
  return static_cast<uint64_t>(LoadBig32(bytes)) << 32 | LoadBig32(bytes + 4);
}

void StoreBig64(uint8_t* bytes, uint64_t value) {
  StoreBig32(bytes, static_cast<uint32_t>(value >> 32));
  StoreBig32(bytes + 4, static_cast<uint32_t>(value));
}

// The bytes of a stored handle: its length, checked against the block, then the bytes.
std::vector<uint8_t> ReadHandleBytes(TObjectReader& reader) {
  Handle handle = AllocHandle(0);
  try {
    reader.ReadHandle(handle);
  } catch (...) {
    FreeHandle(handle);
    throw;
  }
  const auto* bytes = reinterpret_cast<const uint8_t*>(HandleData(handle));
  std::vector<uint8_t> copy(bytes, bytes + GetHandleByteSize(handle));
  FreeHandle(handle);
  return copy;
}

// Bytes as a stored handle: their length, then the bytes.
void WriteHandleBytes(TObjectWriter& writer, const std::vector<uint8_t>& bytes) {
  if (bytes.empty()) {
    writer.WriteLong(0);
    return;
  }
  Handle handle = NewHandleFromBytes(bytes.data(), static_cast<uint32_t>(bytes.size()));
  try {
    writer.WriteHandle(handle);
  } catch (...) {
    FreeHandle(handle);
    throw;
  }
  FreeHandle(handle);
}

}  // namespace

uint16_t TWorldDoc::CanReadBlock(int16_t code) {
  if (IsHistoryCode(code)) return 1;
  switch (code) {
    case kBlockWorldRunSettings:
    case kBlockWorldDrawFlags:
    case kBlockWorldVersion:
    case kBlockWorldWindow:
    case kBlockWorldPlacement:
    case kBlockWorldEnd:
    case kBlockWorldVectorOption:
    case kBlockWorldAngleSnap:
      return 1;
    default:
      return TWorldBase::CanReadBlock(code);
  }
}

uint16_t TWorldDoc::ReadBlockContents(int16_t code, TObjectReader& reader) {
  if (ReadHistoryBlock(code, reader) != 0) return 1;
  if (ReadSettingsBlock(code, reader) != 0) return 1;
  return TWorldBase::ReadBlockContents(code, reader);
}

void TWorldDoc::WriteBlockContents(int16_t code, TObjectWriter& writer) {
  if (WriteHistoryBlock(code, writer) != 0) return;
  if (WriteSettingsBlock(code, writer) != 0) return;
  TWorldBase::WriteBlockContents(code, writer);
}

void TWorldDoc::WriteFields(TObjectWriter& writer) {
  TWorldBase::WriteFields(writer);
  TakeWindowSettings();
  // The empty end block is read when a document has it but not written: a block of that code in
  // the world's record upsets the units of documents read after it.
  for (int16_t code : {kBlockWorldRunSettings, kBlockWorldDrawFlags, kBlockWorldVersion,
                       kBlockWorldWindow, kBlockWorldPlacement})
    writer.WriteBlock(*this, code);
  // Documents without the preference keep their bytes.
  if (velocityOption_ != 0) writer.WriteBlock(*this, kBlockWorldVectorOption);
  if (angleSnap_ == 0) writer.WriteBlock(*this, kBlockWorldAngleSnap);
  const TFrameStore* store = GetStore();
  if (fileResults_ == 0 || store == nullptr) return;
  if (store->FrameCount() <= 0 && earlierStores_.empty()) return;
  // The earlier runs from the earliest on, so that reading them back keeps their order; the
  // current history comes last, as the one a reader keeps current.
  for (auto run = earlierStores_.rbegin(); run != earlierStores_.rend(); ++run)
    WriteStoreBlocks(writer, **run, false);
  WriteStoreBlocks(writer, *store, true);
  if (severalRuns_ != 0 || !earlierStores_.empty()) writer.WriteBlock(*this, kBlockSeveralRuns);
}

void TWorldDoc::WriteStoreBlocks(TObjectWriter& writer, const TFrameStore& store, bool current) {
  storeBeingWritten_ = &store;
  try {
    writer.WriteBlock(*this, kBlockHistoryRaw);
    // The cursors follow the store: loading a store starts it without cursors.
    if (current) writer.WriteBlock(*this, kBlockHistoryCursors);
    if (!store.RecordedMeters().empty()) writer.WriteBlock(*this, kBlockHistoryMeters);
  } catch (...) {
    storeBeingWritten_ = nullptr;
    throw;
  }
  storeBeingWritten_ = nullptr;
}

uint16_t TWorldDoc::WriteHistoryBlock(int16_t code, TObjectWriter& writer) {
  if (!IsHistoryCode(code)) return 0;
  const TFrameStore* store = storeBeingWritten_ != nullptr ? storeBeingWritten_ : GetStore();
  const std::vector<uint8_t> raw = store != nullptr ? store->RawBlock() : std::vector<uint8_t>{};
  switch (code) {
    case kBlockHistoryCursors: {
      const std::vector<TFrameCursor> cursors =
          store != nullptr ? store->Cursors() : std::vector<TFrameCursor>{};
      writer.WriteCode(static_cast<int16_t>(std::min<size_t>(cursors.size(), INT16_MAX)));
      for (size_t i = 0; i < cursors.size() && i < INT16_MAX; ++i) {
        writer.WriteCode(cursors[i].index);
        writer.WriteCode(cursors[i].objectId);
      }
      return 1;
    }
    case kBlockHistoryRaw:
    case kBlockHistoryRawOther:
      WriteHandleBytes(writer, raw);
      return 1;
    case kBlockHistoryMeters: {
      const std::vector<TFrameColumn> none;
      const std::vector<TFrameColumn>& meters = store != nullptr ? store->RecordedMeters() : none;
      const size_t count = std::min<size_t>(meters.size(), INT16_MAX);
      writer.WriteCode(static_cast<int16_t>(count));
      for (size_t i = 0; i < count; ++i) {
        writer.WriteLong(meters[i].valueCount);
        writer.WriteCode(meters[i].objectId);
      }
      return 1;
    }
    case kBlockSeveralRuns:
      writer.WriteCode(static_cast<int16_t>(severalRuns_));
      return 1;
    case kBlockHistoryPrimitives: {
      if (raw.size() < static_cast<size_t>(kHeaderBytes + kTrailerBytes)) {
        // No store: an empty history.
        for (int i = 0; i < 3; ++i)
          writer.WriteLong(0);
        writer.WriteDouble(0.0);
        for (int word = 4; word < kHeaderWords; ++word)
          writer.WriteLong(0);
        return 1;
      }
      const uint8_t* trailer = raw.data() + raw.size() - kTrailerBytes;
      writer.WriteLong(static_cast<int32_t>(LoadBig32(trailer + 8)));
      writer.WriteLong(static_cast<int32_t>(LoadBig32(raw.data())));
      writer.WriteLong(static_cast<int32_t>(LoadBig32(raw.data() + 4)));
      writer.WriteDouble(std::bit_cast<double>(LoadBig64(raw.data() + 4 * kWordTimeStep)));
      for (int word = 4; word < kHeaderWords; ++word)
        writer.WriteLong(static_cast<int32_t>(LoadBig32(raw.data() + 4 * word)));
      for (const uint8_t* value = raw.data() + kHeaderBytes; value < trailer; value += 8)
        writer.WriteDouble(std::bit_cast<double>(LoadBig64(value)));
      return 1;
    }
    default:
      // The empty codes.
      return 1;
  }
}

uint16_t TWorldDoc::ReadHistoryBlock(int16_t code, TObjectReader& reader) {
  if (!IsHistoryCode(code)) return 0;
  switch (code) {
    case kBlockHistoryCursors:
      ReadHistoryCursors(reader);
      break;
    case kBlockHistoryMeters:
      ReadRecordedMeters(reader);
      break;
    case kBlockSeveralRuns:
      SetSeveralRuns(static_cast<uint16_t>(reader.ReadInt()));
      break;
    case kBlockHistoryRaw:
    case kBlockHistoryRawOther:
      LoadHistory(ReadHandleBytes(reader));
      break;
    case kBlockHistoryPrimitives: {
      const std::vector<uint8_t> raw = ReadPrimitiveHistory(reader);
      if (raw.empty()) {
        Host().ShowError(kErrBadFormat, 0);
        break;
      }
      LoadHistory(raw);
      break;
    }
    default:
      break;
  }
  return 1;
}

void TWorldDoc::ReadHistoryCursors(TObjectReader& reader) {
  const int32_t before = reader.BlockRemaining();
  const int32_t count = reader.ReadInt();
  const int64_t codeBytes = before - reader.BlockRemaining();
  // Two codes a cursor: a count the block cannot hold is refused before any cursor is made.
  if (count < 0 || int64_t{count} * 2 * codeBytes > reader.BlockRemaining()) {
    Host().ShowError(kErrBadFormat, 0);
    return;
  }
  std::vector<TFrameCursor> cursors(static_cast<size_t>(count));
  for (TFrameCursor& cursor : cursors) {
    cursor.index = static_cast<int16_t>(reader.ReadInt());
    cursor.objectId = static_cast<int16_t>(reader.ReadInt());
  }
  TFrameStore* store = GetStore();
  if (store == nullptr) return;
  for (const TFrameCursor& cursor : cursors)
    store->AddCursor(cursor);
}

void TWorldDoc::ReadRecordedMeters(TObjectReader& reader) {
  const int32_t count = reader.ReadInt();
  // A record takes at least two bytes: a count the block cannot hold is refused before any
  // record is made.
  if (count < 0 || int64_t{count} * 2 > reader.BlockRemaining()) {
    Host().ShowError(kErrBadFormat, 0);
    return;
  }
  std::vector<TFrameColumn> meters(static_cast<size_t>(count));
  for (TFrameColumn& meter : meters) {
    meter.valueCount = reader.ReadLong();
    meter.objectId = static_cast<int16_t>(reader.ReadInt());
  }
  if (TFrameStore* store = GetStore()) store->SetRecordedMeters(std::move(meters));
}

void TWorldDoc::RecordMeters(TFrameStore& store) {
  std::vector<TFrameColumn> meters;
  for (TLink* meter : outputs_)
    if (meter != nullptr) meters.push_back({meter->CountElements(), meter->GetIdentifier()});
  store.SetRecordedMeters(std::move(meters));
}

std::vector<uint8_t> TWorldDoc::ReadPrimitiveHistory(TObjectReader& reader) {
  const int32_t own = reader.ReadLong();
  int32_t words[kHeaderWords] = {};
  words[0] = reader.ReadLong();
  words[1] = reader.ReadLong();
  const double step = reader.ReadReal();
  for (int word = 4; word < kHeaderWords; ++word)
    words[word] = reader.ReadLong();
  if (static_cast<uint32_t>(words[kWordValues]) > kMostPlainValues)
    words[kWordValues] =
        static_cast<int32_t>(__builtin_bswap32(static_cast<uint32_t>(words[kWordValues])));
  const int32_t frames = words[kWordFrames];
  const int32_t values = words[kWordValues];
  const int32_t mark = words[kWordMark];
  if (frames < 0 || values < 0 || mark < 0) return {};
  // The doubles held: every frame, or frame 0 and the ring of a marked history. Each is at least
  // one byte in the block, so a count beyond the block's bytes is refused before it is read.
  const int64_t slots = mark > 0 ? std::min<int64_t>(frames, int64_t{mark} + 1) : frames;
  const int64_t count = slots * values;
  const auto width = static_cast<int64_t>(RealWidthBytes(reader.GetRealWidth()));
  if (count > reader.BlockRemaining() / std::max<int64_t>(width, 1)) return {};

  std::vector<uint8_t> raw(static_cast<size_t>(kHeaderBytes + 8 * count + kTrailerBytes), 0);
  for (int word = 0; word < kHeaderWords; ++word) {
    if (word == kWordTimeStep || word == kWordTimeStep + 1) continue;
    StoreBig32(&raw[4 * word], static_cast<uint32_t>(words[word]));
  }
  StoreBig32(&raw[4], kDoubleSizeCode);
  StoreBig64(&raw[4 * kWordTimeStep], std::bit_cast<uint64_t>(step));
  for (int64_t i = 0; i < count; ++i)
    StoreBig64(&raw[static_cast<size_t>(kHeaderBytes + 8 * i)],
               std::bit_cast<uint64_t>(reader.ReadReal()));
  uint8_t* trailer = raw.data() + raw.size() - kTrailerBytes;
  StoreBig32(trailer + 8, static_cast<uint32_t>(own));
  StoreBig32(trailer + 12, static_cast<uint32_t>(values));
  StoreBig32(trailer + 16, static_cast<uint32_t>(frames));
  StoreBig32(trailer + 20, kDoubleSizeCode);
  return raw;
}

void TWorldDoc::LoadHistory(std::span<const uint8_t> raw) {
  TFrameStore* store = GetStore();
  // A second history of the document (or a first one after the world had read one) goes into a
  // fresh store, which takes the current one's place only once it holds the history.
  const bool fresh = store == nullptr || metFirstHistory_ != 0 || historyRead_ != 0;
  std::unique_ptr<TFrameStore> made;
  if (fresh) {
    if (RunBridgeHooks().makeStore == nullptr) return;
    made = RunBridgeHooks().makeStore();
  }
  TFrameStore& target = made ? *made : *store;
  const int16_t error = target.LoadRawBlock(raw);
  if (error != 0) {
    Host().ShowError(error, 0);
    return;
  }
  if (made) {
    if (store != nullptr && historyRead_ != 0) {
      earlierStores_.insert(earlierStores_.begin(), TakeStore());
      severalRuns_ = 1;
    }
    SetStore(std::move(made));
  }
  metFirstHistory_ = 1;
  historyRead_ = 1;
}
