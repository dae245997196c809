#include "platform/win32/Metafile.h"

#include <algorithm>
#include <cstring>
#include <fstream>
#include <optional>

#include "platform/win32/Bitmap.h"
#include "platform/win32/Dc.h"
#include "platform/win32/DcDraw.h"
#include "platform/win32/Font.h"
#include "platform/win32/GdiObjects.h"

namespace {

constexpr size_t kHeaderBytes = 18;

struct GdiMetafile : GdiObject {
  GdiMetafile() : GdiObject(OBJ_METAFILE) {}
  std::vector<uint8_t> bits;
};

std::vector<MetafileRecorder*>& ActiveRecorders() {
  static std::vector<MetafileRecorder*> recorders;
  return recorders;
}

void ForgetEverywhere(HGDIOBJ object) {
  for (MetafileRecorder* recorder : ActiveRecorders())
    recorder->Forget(object);
}

uint16_t ReadWord(const uint8_t* p) {
  return static_cast<uint16_t>(p[0] | (p[1] << 8));
}
uint32_t ReadDword(const uint8_t* p) {
  return static_cast<uint32_t>(p[0] | (p[1] << 8) | (p[2] << 16)) | (uint32_t{p[3]} << 24);
}

// A packed device-independent bitmap of an 8x8 brush pattern: 1 bit per pixel with a black and
// white colour table for a monochrome brush, 24 bits otherwise.
std::vector<uint8_t> PatternDib(const GdiBrush& brush) {
  std::vector<uint8_t> dib;
  const bool mono = brush.monochrome;
  PutDword(dib, 40);
  PutDword(dib, 8);
  PutDword(dib, 8);
  PutWord(dib, 1);
  PutWord(dib, mono ? 1 : 24);
  PutDword(dib, 0);
  PutDword(dib, mono ? 32 : 8 * 24);
  for (int i = 0; i < 4; ++i)
    PutDword(dib, 0);
  if (mono) {
    PutDword(dib, 0);
    PutDword(dib, 0xFFFFFF);
  }
  for (int y = 7; y >= 0; --y) {
    if (mono) {
      uint8_t bits = 0;
      for (int x = 0; x < 8; ++x)
        bits |= (brush.pattern[y * 8 + x] ? 1 : 0) << (7 - x);
      dib.insert(dib.end(), {bits, 0, 0, 0});
      continue;
    }
    for (int x = 0; x < 8; ++x) {
      const uint32_t p = brush.pattern[y * 8 + x];
      dib.insert(dib.end(), {static_cast<uint8_t>(p & 0xFF), static_cast<uint8_t>((p >> 8) & 0xFF),
                             static_cast<uint8_t>((p >> 16) & 0xFF)});
    }
  }
  return dib;
}

}  // namespace

void PutWord(std::vector<uint8_t>& out, uint16_t value) {
  out.push_back(static_cast<uint8_t>(value & 0xFF));
  out.push_back(static_cast<uint8_t>(value >> 8));
}

void PutDword(std::vector<uint8_t>& out, uint32_t value) {
  PutWord(out, static_cast<uint16_t>(value & 0xFFFF));
  PutWord(out, static_cast<uint16_t>(value >> 16));
}

MetafileRecorder::MetafileRecorder() {
  ActiveRecorders().push_back(this);
  AddGdiDeleteListener(ForgetEverywhere);
}

MetafileRecorder::~MetafileRecorder() {
  auto& active = ActiveRecorders();
  active.erase(std::remove(active.begin(), active.end(), this), active.end());
}

void MetafileSlots::Reset(size_t count) {
  std::vector<size_t> all(count);
  for (size_t i = 0; i < count; ++i)
    all[i] = i;
  free_ = decltype(free_)(std::greater<>(), std::move(all));
  size_ = count;
}

size_t MetafileSlots::Take() {
  if (free_.empty()) return size_++;
  const size_t slot = free_.top();
  free_.pop();
  return slot;
}

void MetafileSlots::Free(size_t slot) {
  if (slot < size_) free_.push(slot);
}

void MetafileRecorder::Record(uint16_t function, std::initializer_list<int16_t> words) {
  std::vector<uint8_t> bytes;
  for (int16_t word : words)
    PutWord(bytes, static_cast<uint16_t>(word));
  RecordBytes(function, bytes);
}

void MetafileRecorder::RecordBytes(uint16_t function, std::span<const uint8_t> bytes) {
  const uint32_t words = 3 + static_cast<uint32_t>((bytes.size() + 1) / 2);
  PutDword(records_, words);
  PutWord(records_, function);
  records_.insert(records_.end(), bytes.begin(), bytes.end());
  if (bytes.size() % 2) records_.push_back(0);
  maxRecord_ = std::max(maxRecord_, words);
}

bool MetafileRecorder::Select(HGDIOBJ object) {
  const DWORD type = GetObjectType(object);
  if (type == OBJ_REGION) return true;  // clip regions stay out of the recording
  const int32_t slot = SlotFor(object);
  if (slot < 0) return false;
  Record(type == OBJ_PAL ? META_SELECTPALETTE : META_SELECTOBJECT, {static_cast<int16_t>(slot)});
  return true;
}

void MetafileRecorder::Forget(HGDIOBJ object) {
  auto it = slots_.find(object);
  if (it == slots_.end()) return;
  Record(META_DELETEOBJECT, {static_cast<int16_t>(it->second)});
  table_.Free(static_cast<size_t>(it->second));
  slots_.erase(it);
}

int32_t MetafileRecorder::SlotFor(HGDIOBJ object) {
  auto it = slots_.find(object);
  if (it != slots_.end()) return it->second;
  return Create(object);
}

int32_t MetafileRecorder::Create(HGDIOBJ object) {
  std::vector<uint8_t> bytes;
  uint16_t function = 0;
  if (const GdiPen* pen = LookupPen(object)) {
    function = META_CREATEPENINDIRECT;
    PutWord(bytes, static_cast<uint16_t>(pen->style));
    PutWord(bytes, static_cast<uint16_t>(pen->width));
    PutWord(bytes, 0);
    PutDword(bytes, pen->color);
  } else if (const GdiBrush* brush = LookupBrush(object)) {
    if (brush->style == BS_PATTERN) {
      function = META_DIBCREATEPATTERNBRUSH;
      PutWord(bytes, brush->monochrome ? uint16_t{BS_PATTERN} : uint16_t{5});
      PutWord(bytes, 0);
      const std::vector<uint8_t> dib = PatternDib(*brush);
      bytes.insert(bytes.end(), dib.begin(), dib.end());
    } else {
      function = META_CREATEBRUSHINDIRECT;
      PutWord(bytes, static_cast<uint16_t>(brush->style));
      PutDword(bytes, brush->color);
      PutWord(bytes, static_cast<uint16_t>(brush->hatch));
    }
  } else if (const GdiFont* font = LookupFont(object)) {
    function = META_CREATEFONTINDIRECT;
    const LOGFONT& f = font->log;
    for (int32_t v : {f.lfHeight, f.lfWidth, f.lfEscapement, f.lfOrientation, f.lfWeight}) {
      PutWord(bytes, static_cast<uint16_t>(v));
    }
    bytes.insert(bytes.end(),
                 {f.lfItalic, f.lfUnderline, f.lfStrikeOut, f.lfCharSet, f.lfOutPrecision,
                  f.lfClipPrecision, f.lfQuality, f.lfPitchAndFamily});
    const size_t length = strnlen(f.lfFaceName, LF_FACESIZE - 1);
    bytes.insert(bytes.end(), f.lfFaceName, f.lfFaceName + length);
    bytes.push_back(0);
  } else if (const GdiPalette* palette = LookupPalette(object)) {
    function = META_CREATEPALETTE;
    PutWord(bytes, 0x300);
    PutWord(bytes, static_cast<uint16_t>(palette->entries.size()));
    for (const PALETTEENTRY& e : palette->entries) {
      bytes.insert(bytes.end(), {e.peRed, e.peGreen, e.peBlue, e.peFlags});
    }
  } else {
    return -1;
  }
  // Records number slots in 16 bits: an object beyond them cannot be recorded.
  const size_t slot = table_.Take();
  if (slot > static_cast<size_t>(INT16_MAX)) {
    table_.Free(slot);
    return -1;
  }
  RecordBytes(function, bytes);
  slots_[object] = static_cast<int32_t>(slot);
  return static_cast<int32_t>(slot);
}

std::vector<uint8_t> MetafileRecorder::Finish() {
  auto& active = ActiveRecorders();
  active.erase(std::remove(active.begin(), active.end(), this), active.end());
  std::vector<uint8_t> bits;
  const uint32_t totalWords =
      static_cast<uint32_t>((kHeaderBytes + records_.size()) / 2) + 3;  // with the end record
  PutWord(bits, 1);                                                     // in memory
  PutWord(bits, 9);                                                     // header words
  PutWord(bits, 0x300);
  PutDword(bits, totalWords);
  PutWord(bits, static_cast<uint16_t>(table_.Size()));
  PutDword(bits, maxRecord_);
  PutWord(bits, 0);
  bits.insert(bits.end(), records_.begin(), records_.end());
  PutDword(bits, 3);
  PutWord(bits, META_EOF);
  records_.clear();
  return bits;
}

namespace {

HMETAFILE MakeMetafile(std::vector<uint8_t> bits) {
  auto metafile = std::make_unique<GdiMetafile>();
  metafile->bits = std::move(bits);
  return reinterpret_cast<HMETAFILE>(RegisterGdiObject(std::move(metafile)));
}

GdiMetafile* LookupMetafile(HMETAFILE handle) {
  return LookupGdi<GdiMetafile>(handle, OBJ_METAFILE);
}

// Plays one metafile's records into a context.
class Player {
 public:
  Player(HDC hdc, std::span<const uint8_t> bits) : hdc_(hdc), bits_(bits) {}
  ~Player() {
    for (HGDIOBJ object : objects_) {
      if (object) DeleteObject(object);
    }
  }

  bool Run() {
    if (bits_.size() < kHeaderBytes) return false;
    const uint16_t type = ReadWord(bits_.data());
    if ((type != 1 && type != 2) || ReadWord(bits_.data() + 2) != 9) return false;
    const uint16_t count = ReadWord(bits_.data() + 10);
    objects_.assign(count, nullptr);
    slots_.Reset(count);
    const int32_t level = SaveDC(hdc_);
    base_ = level;
    bool ok = false;
    size_t at = kHeaderBytes;
    while (at + 6 <= bits_.size()) {
      const uint32_t words = ReadDword(bits_.data() + at);
      const uint16_t function = ReadWord(bits_.data() + at + 4);
      if (words < 3 || words > (bits_.size() - at) / 2) break;
      if (function == META_EOF) {
        ok = true;
        break;
      }
      params_ = bits_.subspan(at + 6, words * 2 - 6);
      if (!Play(function)) break;
      at += size_t{words} * 2;
    }
    RestoreDC(hdc_, level);
    return ok;
  }

 private:
  bool Has(size_t words) const { return params_.size() >= words * 2; }
  int16_t P(size_t i) const { return static_cast<int16_t>(ReadWord(params_.data() + i * 2)); }
  uint32_t P32(size_t i) const { return ReadDword(params_.data() + i * 2); }

  // A created object takes the lowest free slot; one that could not be created takes none.
  void Keep(HGDIOBJ object) {
    if (!object) return;
    const size_t slot = slots_.Take();
    if (slot >= objects_.size()) objects_.resize(slot + 1, nullptr);
    objects_[slot] = object;
  }

  HGDIOBJ Object(int16_t index) const {
    if (index < 0 || static_cast<size_t>(index) >= objects_.size()) return nullptr;
    return objects_[static_cast<size_t>(index)];
  }

  std::optional<std::vector<POINT>> Points() const {
    if (!Has(1)) return std::nullopt;
    const auto count = static_cast<uint16_t>(P(0));
    if (!Has(1 + size_t{count} * 2)) return std::nullopt;
    std::vector<POINT> points;
    for (size_t i = 0; i < count; ++i)
      points.push_back(POINT{P(1 + 2 * i), P(2 + 2 * i)});
    return points;
  }

  bool Play(uint16_t function);

  HDC hdc_;
  std::span<const uint8_t> bits_;
  std::span<const uint8_t> params_;
  std::vector<HGDIOBJ> objects_;
  MetafileSlots slots_;
  int32_t base_ = 0;  // the level of the state saved when playback began
};

bool Player::Play(uint16_t function) {
  switch (function) {
    case META_SAVEDC:
      SaveDC(hdc_);
      return true;
    case META_REALIZEPALETTE:
      RealizePalette(hdc_);
      return true;
    default:
      break;
  }
  if (!Has(1)) return true;  // a record without its parameters is skipped
  switch (function) {
    case META_SETBKMODE:
      SetBkMode(hdc_, P(0));
      return true;
    case META_SETMAPMODE:
      SetMapMode(hdc_, P(0));
      return true;
    case META_SETROP2:
      SetROP2(hdc_, P(0));
      return true;
    case META_SETPOLYFILLMODE:
      SetPolyFillMode(hdc_, P(0));
      return true;
    case META_SETSTRETCHBLTMODE:
      SetStretchBltMode(hdc_, P(0));
      return true;
    case META_SETTEXTALIGN:
      SetTextAlign(hdc_, static_cast<uint16_t>(P(0)));
      return true;
    case META_RESTOREDC: {
      // Only states the metafile saved: never the player's own nor its caller's, which the
      // player puts back when it ends.
      const DeviceContext* dc = LookupDC(hdc_);
      const auto depth = static_cast<int32_t>(dc ? dc->saved.size() : 0);
      const int32_t level = P(0);
      if ((level < 0 ? depth + level + 1 : level) > base_) RestoreDC(hdc_, level);
      return true;
    }
    case META_SELECTOBJECT:
      SelectObject(hdc_, Object(P(0)));
      return true;
    case META_SELECTPALETTE:
      SelectPalette(hdc_, static_cast<HPALETTE>(Object(P(0))), FALSE);
      return true;
    case META_DELETEOBJECT: {
      const int16_t index = P(0);
      if (HGDIOBJ object = Object(index)) {
        DeleteObject(object);
        objects_[static_cast<size_t>(index)] = nullptr;
        slots_.Free(static_cast<size_t>(index));
      }
      return true;
    }
    case META_POLYGON:
    case META_POLYLINE: {
      const auto points = Points();
      if (!points) return false;
      const auto n = static_cast<int32_t>(points->size());
      if (function == META_POLYGON)
        Polygon(hdc_, points->data(), n);
      else
        Polyline(hdc_, points->data(), n);
      return true;
    }
    default:
      break;
  }
  if (!Has(2)) return true;
  switch (function) {
    case META_SETBKCOLOR:
      SetBkColor(hdc_, P32(0));
      return true;
    case META_SETTEXTCOLOR:
      SetTextColor(hdc_, P32(0));
      return true;
    case META_SETWINDOWORG:
      SetWindowOrgEx(hdc_, P(1), P(0), nullptr);
      return true;
    case META_SETWINDOWEXT:
      SetWindowExtEx(hdc_, P(1), P(0), nullptr);
      return true;
    case META_SETVIEWPORTORG:
      SetViewportOrgEx(hdc_, P(1), P(0), nullptr);
      return true;
    case META_SETVIEWPORTEXT:
      SetViewportExtEx(hdc_, P(1), P(0), nullptr);
      return true;
    case META_MOVETO:
      MoveToEx(hdc_, P(1), P(0), nullptr);
      return true;
    case META_LINETO:
      LineTo(hdc_, P(1), P(0));
      return true;
    case META_TEXTOUT: {
      const auto count = static_cast<uint16_t>(P(0));
      const size_t padded = (size_t{count} + 1) / 2;
      if (!Has(1 + padded + 2)) return false;
      const auto* text = reinterpret_cast<const char*>(params_.data() + 2);
      TextOut(hdc_, P(2 + padded), P(1 + padded), text, count);
      return true;
    }
    case META_CREATEPALETTE: {
      const auto count = static_cast<uint16_t>(P(1));
      if (count == 0 || !Has(2 + size_t{count} * 2)) return false;
      std::vector<uint8_t> storage(sizeof(LOGPALETTE) + sizeof(PALETTEENTRY) * count);
      auto* log = reinterpret_cast<LOGPALETTE*>(storage.data());
      log->palVersion = 0x300;
      log->palNumEntries = count;
      std::memcpy(log->palPalEntry, params_.data() + 4, size_t{count} * 4);
      Keep(CreatePalette(log));
      return true;
    }
    case META_DIBCREATEPATTERNBRUSH: {
      // A brush takes the top-left 8 x 8 pixels of its pattern, so only those are decoded; the
      // bits must still lie within the record, and a pattern larger than any brush needs is
      // refused.
      const std::span<const uint8_t> dib = params_.subspan(4);
      int64_t width = 0;
      int64_t height = 0;
      if (!DibDimensions(dib, width, height)) return false;
      if (width > kMaxMetafilePatternSide || height > kMaxMetafilePatternSide) return false;
      HBITMAP bitmap = CreateBitmapFromDibPart(dib, RECT{0, 0, 8, 8});
      if (!bitmap) return false;
      Keep(CreatePatternBrush(bitmap));
      DeleteObject(bitmap);
      return true;
    }
    default:
      break;
  }
  if (!Has(4)) return true;
  switch (function) {
    case META_EXCLUDECLIPRECT:
      ExcludeClipRect(hdc_, P(3), P(2), P(1), P(0));
      return true;
    case META_INTERSECTCLIPRECT:
      IntersectClipRect(hdc_, P(3), P(2), P(1), P(0));
      return true;
    case META_ELLIPSE:
      Ellipse(hdc_, P(3), P(2), P(1), P(0));
      return true;
    case META_RECTANGLE:
      Rectangle(hdc_, P(3), P(2), P(1), P(0));
      return true;
    case META_SETPIXEL:
      SetPixel(hdc_, P(3), P(2), P32(0));
      return true;
    case META_CREATEBRUSHINDIRECT: {
      LOGBRUSH log;
      log.lbStyle = static_cast<uint16_t>(P(0));
      log.lbColor = P32(1);
      log.lbHatch = static_cast<uint16_t>(P(3));
      if (log.lbStyle == BS_PATTERN) return true;
      HBRUSH brush = log.lbStyle == BS_NULL ? CreateSolidBrush(0) : CreateBrushIndirect(&log);
      if (log.lbStyle == BS_NULL) {
        DeleteObject(brush);
        brush = static_cast<HBRUSH>(GetStockObject(NULL_BRUSH));
      }
      Keep(brush);
      return true;
    }
    case META_EXTTEXTOUT: {
      const auto count = static_cast<uint16_t>(P(2));
      const auto options = static_cast<uint16_t>(P(3));
      size_t at = 4;
      RECT rect;
      const bool withRect = (options & (ETO_OPAQUE | ETO_CLIPPED)) != 0;
      if (withRect) {
        if (!Has(8)) return false;
        rect = RECT{P(4), P(5), P(6), P(7)};
        at = 8;
      }
      const size_t padded = (size_t{count} + 1) / 2;
      if (!Has(at + padded)) return false;
      const auto* text = reinterpret_cast<const char*>(params_.data() + at * 2);
      std::vector<int32_t> dx;
      if (Has(at + padded + count)) {
        for (size_t i = 0; i < count; ++i)
          dx.push_back(P(at + padded + i));
      }
      ExtTextOut(hdc_, P(1), P(0), options, withRect ? &rect : nullptr, text, count,
                 dx.empty() ? nullptr : dx.data());
      return true;
    }
    default:
      break;
  }
  if (!Has(5)) return true;
  switch (function) {
    case META_CREATEPENINDIRECT:
      Keep(CreatePen(P(0), P(1), P32(3)));
      return true;
    case META_CREATEFONTINDIRECT: {
      if (!Has(9)) return false;
      LOGFONT log;
      log.lfHeight = P(0);
      log.lfWidth = P(1);
      log.lfEscapement = P(2);
      log.lfOrientation = P(3);
      log.lfWeight = P(4);
      const uint8_t* b = params_.data() + 10;
      log.lfItalic = b[0];
      log.lfUnderline = b[1];
      log.lfStrikeOut = b[2];
      log.lfCharSet = b[3];
      log.lfOutPrecision = b[4];
      log.lfClipPrecision = b[5];
      log.lfQuality = b[6];
      log.lfPitchAndFamily = b[7];
      const size_t available = std::min<size_t>(params_.size() - 18, LF_FACESIZE - 1);
      const size_t length = strnlen(reinterpret_cast<const char*>(b + 8), available);
      std::memcpy(log.lfFaceName, b + 8, length);
      log.lfFaceName[length] = '\0';
      Keep(CreateFontIndirect(&log));
      return true;
    }
    default:
      break;
  }
  if (!Has(6)) return true;
  switch (function) {
    case META_ROUNDRECT:
      RoundRect(hdc_, P(5), P(4), P(3), P(2), P(1), P(0));
      return true;
    case META_PATBLT:
      PatBlt(hdc_, P(5), P(4), P(3), P(2), P32(0));
      return true;
    default:
      break;
  }
  if (!Has(8)) return true;
  switch (function) {
    case META_ARC:
      Arc(hdc_, P(7), P(6), P(5), P(4), P(3), P(2), P(1), P(0));
      return true;
    case META_PIE:
      Pie(hdc_, P(7), P(6), P(5), P(4), P(3), P(2), P(1), P(0));
      return true;
    case META_CHORD:
      Chord(hdc_, P(7), P(6), P(5), P(4), P(3), P(2), P(1), P(0));
      return true;
    default:
      break;
  }
  if (function == META_DIBSTRETCHBLT) {
    if (!Has(10)) return false;
    // Only the source rectangle of the bitmap is decoded; what lies off the bitmap reads as
    // white either way.
    const std::span<const uint8_t> dib = params_.subspan(20);
    int64_t width = 0;
    int64_t height = 0;
    if (!DibDimensions(dib, width, height)) return false;
    const int32_t x = P(5);
    const int32_t y = P(4);
    RECT part{std::max(std::min(x, x + P(3)), 0), std::max(std::min(y, y + P(2)), 0),
              static_cast<int32_t>(std::min<int64_t>(std::max(x, x + P(3)), width)),
              static_cast<int32_t>(std::min<int64_t>(std::max(y, y + P(2)), height))};
    if (part.left >= part.right || part.top >= part.bottom) part = RECT{0, 0, 1, 1};
    HBITMAP bitmap = CreateBitmapFromDibPart(dib, part);
    if (!bitmap) return false;
    HDC memory = CreateCompatibleDC(hdc_);
    HGDIOBJ previous = SelectObject(memory, bitmap);
    StretchBlt(hdc_, P(9), P(8), P(7), P(6), memory, x - part.left, y - part.top, P(3), P(2),
               P32(0));
    SelectObject(memory, previous);
    DeleteDC(memory);
    DeleteObject(bitmap);
  }
  return true;  // records this layer does not draw are skipped
}

}  // namespace

HDC CreateMetaFile(const char* file) {
  if (file) return nullptr;
  auto dc = std::make_unique<DeviceContext>(DeviceContext::Kind::Metafile);
  dc->recorder = std::make_unique<MetafileRecorder>();
  return AddDeviceContext(std::move(dc));
}

HMETAFILE CloseMetaFile(HDC hdc) {
  DeviceContext* dc = LookupDC(hdc);
  if (!dc || !dc->recorder) return nullptr;
  std::vector<uint8_t> bits = dc->recorder->Finish();
  DeleteDC(hdc);
  return MakeMetafile(std::move(bits));
}

BOOL DeleteMetaFile(HMETAFILE metafile) {
  if (!LookupMetafile(metafile)) return FALSE;
  return DeleteObject(metafile);
}

BOOL PlayMetaFile(HDC hdc, HMETAFILE metafile) {
  const GdiMetafile* mf = LookupMetafile(metafile);
  if (!mf || !LookupDC(hdc)) return FALSE;
  const std::vector<uint8_t> bits = mf->bits;  // playing may delete objects, never this copy
  Player player(hdc, bits);
  return player.Run() ? TRUE : FALSE;
}

HMETAFILE CopyMetaFile(HMETAFILE metafile, const char* file) {
  const GdiMetafile* mf = LookupMetafile(metafile);
  if (!mf || file) return nullptr;
  return MakeMetafile(mf->bits);
}

UINT GetMetaFileBitsEx(HMETAFILE metafile, UINT size, void* buffer) {
  const GdiMetafile* mf = LookupMetafile(metafile);
  if (!mf) return 0;
  const auto total = static_cast<UINT>(mf->bits.size());
  if (!buffer) return total;
  const UINT n = std::min(size, total);
  std::memcpy(buffer, mf->bits.data(), n);
  return n;
}

HMETAFILE GetMetaFile(const char* file) {
  if (!file) return nullptr;
  std::ifstream in(file, std::ios::binary | std::ios::ate);
  if (!in) return nullptr;
  const std::streamoff size = in.tellg();
  if (size <= 0 || static_cast<uint64_t>(size) > kMaxMetafileFile) return nullptr;
  std::vector<uint8_t> bits(static_cast<size_t>(size));
  in.seekg(0);
  if (!in.read(reinterpret_cast<char*>(bits.data()), size)) return nullptr;
  return SetMetaFileBitsEx(static_cast<UINT>(bits.size()), bits.data());
}

HMETAFILE SetMetaFileBitsEx(UINT size, const uint8_t* bits) {
  if (!bits || size < kHeaderBytes) return nullptr;
  const uint16_t type = ReadWord(bits);
  if ((type != 1 && type != 2) || ReadWord(bits + 2) != 9) return nullptr;
  // Every record must lie inside the bits and the list must end with the end record.
  size_t at = kHeaderBytes;
  bool ended = false;
  while (at + 6 <= size) {
    const uint32_t words = ReadDword(bits + at);
    if (words < 3 || words > (size - at) / 2) return nullptr;
    if (ReadWord(bits + at + 4) == META_EOF) {
      ended = true;
      at += size_t{words} * 2;
      break;
    }
    at += size_t{words} * 2;
  }
  if (!ended) return nullptr;
  return MakeMetafile(std::vector<uint8_t>(bits, bits + at));
}
