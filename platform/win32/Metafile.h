#pragma once
// Windows metafiles: a metafile context records what is drawn into it as metafile records (the
// format documents and the clipboard carry), and playback draws such records into any context.
// Recording and then playing gives the pixels that drawing directly gives.

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <queue>
#include <span>
#include <unordered_map>
#include <vector>

#include "platform/win32/GdiTypes.h"

// Record function numbers.
enum : uint16_t {
  META_EOF = 0x0000,
  META_SAVEDC = 0x001E,
  META_REALIZEPALETTE = 0x0035,
  META_SETBKMODE = 0x0102,
  META_SETMAPMODE = 0x0103,
  META_SETROP2 = 0x0104,
  META_SETPOLYFILLMODE = 0x0106,
  META_SETSTRETCHBLTMODE = 0x0107,
  META_RESTOREDC = 0x0127,
  META_SELECTOBJECT = 0x012D,
  META_SETTEXTALIGN = 0x012E,
  META_DIBCREATEPATTERNBRUSH = 0x0142,
  META_DELETEOBJECT = 0x01F0,
  META_SETBKCOLOR = 0x0201,
  META_SETTEXTCOLOR = 0x0209,
  META_SETWINDOWORG = 0x020B,
  META_SETWINDOWEXT = 0x020C,
  META_SETVIEWPORTORG = 0x020D,
  META_SETVIEWPORTEXT = 0x020E,
  META_LINETO = 0x0213,
  META_MOVETO = 0x0214,
  META_SELECTPALETTE = 0x0234,
  META_CREATEPALETTE = 0x00F7,
  META_CREATEPENINDIRECT = 0x02FA,
  META_CREATEFONTINDIRECT = 0x02FB,
  META_CREATEBRUSHINDIRECT = 0x02FC,
  META_POLYGON = 0x0324,
  META_POLYLINE = 0x0325,
  META_EXCLUDECLIPRECT = 0x0415,
  META_INTERSECTCLIPRECT = 0x0416,
  META_ELLIPSE = 0x0418,
  META_RECTANGLE = 0x041B,
  META_SETPIXEL = 0x041F,
  META_TEXTOUT = 0x0521,
  META_ROUNDRECT = 0x061C,
  META_PATBLT = 0x061D,
  META_ARC = 0x0817,
  META_PIE = 0x081A,
  META_CHORD = 0x0830,
  META_EXTTEXTOUT = 0x0A32,
  META_DIBSTRETCHBLT = 0x0B41,
};

// The object table of a metafile: a new object takes the lowest free slot, as every player of
// metafiles expects, found without walking the table.
class MetafileSlots {
 public:
  // A table of count free slots.
  void Reset(size_t count);
  // The lowest free slot, the table growing by one when every slot is taken.
  size_t Take();
  void Free(size_t slot);
  size_t Size() const { return size_; }

 private:
  size_t size_ = 0;
  std::priority_queue<size_t, std::vector<size_t>, std::greater<>> free_;
};

// The recording half of a metafile context.
class MetafileRecorder {
 public:
  MetafileRecorder();
  ~MetafileRecorder();
  MetafileRecorder(const MetafileRecorder&) = delete;
  MetafileRecorder& operator=(const MetafileRecorder&) = delete;
  // A record of 16-bit words, given in file order.
  void Record(uint16_t function, std::initializer_list<int16_t> words);
  // A record whose parameters are raw bytes (padded to whole words).
  void RecordBytes(uint16_t function, std::span<const uint8_t> bytes);
  // Selects a graphics object, first recording its creation when the metafile does not hold it.
  // False when the object cannot be recorded.
  bool Select(HGDIOBJ object);
  // The object is being deleted: its slot is freed by a delete record.
  void Forget(HGDIOBJ object);
  // The finished metafile bits (header, records, end record).
  std::vector<uint8_t> Finish();

 private:
  int32_t SlotFor(HGDIOBJ object);
  int32_t Create(HGDIOBJ object);
  std::vector<uint8_t> records_;
  std::unordered_map<HGDIOBJ, int32_t> slots_;
  MetafileSlots table_;
  uint32_t maxRecord_ = 3;
};

// Little-endian writers shared by the recorder and the bitmap transfers.
void PutWord(std::vector<uint8_t>& out, uint16_t value);
void PutDword(std::vector<uint8_t>& out, uint32_t value);

HDC CreateMetaFile(const char* file);  // only memory metafiles: file must be null
HMETAFILE CloseMetaFile(HDC hdc);
BOOL DeleteMetaFile(HMETAFILE metafile);
// Plays the records into the context; FALSE when a record is malformed or beyond what playback
// takes (a pattern brush bitmap over kMaxMetafilePatternSide pixels a side), playback stopping
// there.
inline constexpr int64_t kMaxMetafilePatternSide = 1024;
BOOL PlayMetaFile(HDC hdc, HMETAFILE metafile);
// A copy held in memory (file must be null).
HMETAFILE CopyMetaFile(HMETAFILE metafile, const char* file);
// The bits of a metafile: with a null buffer answers their size; else copies up to size bytes.
UINT GetMetaFileBitsEx(HMETAFILE metafile, UINT size, void* buffer);
// A metafile from bits; null when the bits are not a well-formed metafile.
HMETAFILE SetMetaFileBitsEx(UINT size, const uint8_t* bits);
// The metafile stored in a file (the plain format, without a placeable header); null when the
// file cannot be read, holds no well-formed metafile or is larger than kMaxMetafileFile bytes.
inline constexpr uint64_t kMaxMetafileFile = 64ull << 20;
HMETAFILE GetMetaFile(const char* file);
