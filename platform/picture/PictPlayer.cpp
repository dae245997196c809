#include "platform/picture/PictPlayer.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <numbers>
#include <string>
#include <vector>

#include "platform/picture/PictParts.h"
#include "platform/win32/Dc.h"
#include "platform/win32/DcDraw.h"
#include "platform/win32/Font.h"
#include "platform/win32/GdiObjects.h"
#include "platform/win32/RegionGdi.h"

namespace {

using Pattern = std::array<uint8_t, 8>;

constexpr Pattern kBlack = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
constexpr Pattern kWhite = {};
constexpr uint32_t kBlackRgb = 0x000000;
constexpr uint32_t kWhiteRgb = 0xFFFFFF;

enum Verb { kFrame, kPaint, kErase, kInvert, kFill };

// Pen and text transfer modes.
enum : int16_t {
  kSrcCopy = 0,
  kSrcOr = 1,
  kPatCopy = 8,
  kPatOr = 9,
  kPatXor = 10,
  kPatBic = 11,
  kNotPatCopy = 12,
  kNotPatBic = 15,
};

COLORREF ToColorRef(uint32_t rgb) {
  return RGB((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF);
}

// The eight colours of the first format's colour numbers.
uint32_t OldColour(uint32_t code) {
  switch (code) {
    case 30: return kWhiteRgb;
    case 69: return 0xFFFF00;
    case 137: return 0xFF00FF;
    case 205: return 0xFF0000;
    case 273: return 0x00FFFF;
    case 341: return 0x00FF00;
    case 409: return 0x0000FF;
    default: return kBlackRgb;
  }
}

const char* FaceOfFont(int16_t id) {
  switch (id) {
    case 2:
    case 20:
      return "Times New Roman";
    case 4:
    case 22:
      return "Courier New";
    default:
      return "Arial";
  }
}

// Owns a graphics object and deletes it at the end of its scope.
class GdiHolder {
 public:
  explicit GdiHolder(HGDIOBJ object) : object_(object) {}
  ~GdiHolder() {
    if (object_) DeleteObject(object_);
  }
  GdiHolder(const GdiHolder&) = delete;
  GdiHolder& operator=(const GdiHolder&) = delete;
  HGDIOBJ get() const { return object_; }

 private:
  HGDIOBJ object_;
};

// What one painted rectangle costs against the budget, beside a scanned row: a metafile record
// of some twenty bytes, written now and played each time the picture is shown.
constexpr int64_t kPaintedRectWork = 16;

class Player {
 public:
  Player(HDC dc, std::span<const uint8_t> picture) : dc_(dc), in_(picture) {}

  int64_t Work() const { return work_; }

  bool Play() {
    in_.Skip(2);  // the size of the first format, which cannot hold a large picture
    frame_ = in_.Rect();
    if (!ReadVersion()) return false;
    canvas_ = RECT{0, 0, std::max<int32_t>(0, frame_.right - frame_.left),
                   std::max<int32_t>(0, frame_.bottom - frame_.top)};
    const int level = SaveDC(dc_);
    const bool played = PlayOpcodes();
    RestoreDC(dc_, level);
    return played;
  }

 private:
  bool ReadVersion() {
    const uint8_t first = in_.U8();
    const uint8_t second = in_.U8();
    if (first == 0x11 && second == 0x01) {
      version_ = 1;
      return !in_.Failed();
    }
    if (first == 0x00 && second == 0x11 && in_.U16() == 0x02FF) {
      version_ = 2;
      return !in_.Failed();
    }
    return false;
  }

  bool PlayOpcodes() {
    for (;;) {
      uint16_t opcode;
      if (version_ == 2) {
        in_.AlignEven();
        opcode = in_.U16();
      } else {
        opcode = in_.U8();
      }
      if (in_.Failed()) return false;
      if (opcode == 0x00FF) return true;
      if (!Opcode(opcode) || in_.Failed()) return false;
      // A picture that asks for more work than any drawn picture needs is refused, not
      // shown in part.
      if (!WithinBudget()) return false;
    }
  }

  bool Opcode(uint16_t op) {
    if (op >= 0x20 && op <= 0x23) return Line(op);
    if (op >= 0x28 && op <= 0x2B) return Text(op);
    if (op >= 0x30 && op <= 0x8C) return Shape(op);
    switch (op) {
      case 0x0000:  // no operation
      case 0x001C:  // highlight mode
      case 0x001E:  // default highlight
        return true;
      case 0x0001: return Clip();
      case 0x0002: return ReadPattern(bkPat_);
      case 0x0003: fontId_ = in_.S16(); return true;
      case 0x0004: face_ = in_.U8(); return true;
      case 0x0005: txMode_ = in_.S16(); return true;
      case 0x0006: in_.Skip(4); return true;  // space extra
      case 0x0007: {
        const POINT size = in_.Point();
        penWidth_ = std::max<int32_t>(0, size.x);
        penHeight_ = std::max<int32_t>(0, size.y);
        return true;
      }
      case 0x0008: penMode_ = in_.S16(); return true;
      case 0x0009: return ReadPattern(penPat_);
      case 0x000A: return ReadPattern(fillPat_);
      case 0x000B: {
        const POINT size = in_.Point();
        ovalWidth_ = size.x;
        ovalHeight_ = size.y;
        return true;
      }
      case 0x000C: {
        originH_ += in_.S16();
        originV_ += in_.S16();
        return true;
      }
      case 0x000D: textSize_ = in_.S16(); return true;
      case 0x000E: fore_ = OldColour(in_.U32()); return true;
      case 0x000F: back_ = OldColour(in_.U32()); return true;
      case 0x0010: in_.Skip(8); return true;  // text ratio
      case 0x0012: return ReadPixPat(bkPat_, &back_);
      case 0x0013: return ReadPixPat(penPat_, &fore_);
      case 0x0014: return ReadPixPat(fillPat_, &fore_);
      case 0x0015:
      case 0x0016:
        in_.Skip(2);  // fractional pen position, character extra
        return true;
      case 0x001A: fore_ = ReadRgb(); return true;
      case 0x001B: back_ = ReadRgb(); return true;
      case 0x001D:
      case 0x001F:
        in_.Skip(6);  // highlight and operation colours
        return true;
      case 0x002C: return FontName();
      case 0x002D:
      case 0x002E:  // line justification, glyph state: nothing drawn differs
        in_.Skip(in_.U16());
        return true;
      case 0x0090:
      case 0x0091:
      case 0x0098:
      case 0x0099:
      case 0x009A:
      case 0x009B:
        return Image(op);
      case 0x00A0: in_.Skip(2); return true;  // short comment
      case 0x00A1: {                          // long comment
        in_.Skip(2);
        in_.Skip(in_.U16());
        return true;
      }
      case 0x0C00: in_.Skip(24); return version_ == 2;  // header of the second format
      default:
        return false;
    }
  }

  uint32_t ReadRgb() {
    const uint16_t r = in_.U16();
    const uint16_t g = in_.U16();
    const uint16_t b = in_.U16();
    return static_cast<uint32_t>(r >> 8) << 16 | static_cast<uint32_t>(g >> 8) << 8 | (b >> 8);
  }

  bool ReadPattern(Pattern& pattern) {
    const auto bytes = in_.Bytes(8);
    if (in_.Failed()) return false;
    std::copy(bytes.begin(), bytes.end(), pattern.begin());
    return true;
  }

  // A pixel pattern: its one-bit form, or for a dithered one a solid colour. Full-colour pixel
  // patterns are not carried.
  bool ReadPixPat(Pattern& pattern, uint32_t* colour) {
    const int16_t type = in_.S16();
    if (!ReadPattern(pattern)) return false;
    if (type == 0) return true;
    if (type == 2) {
      *colour = ReadRgb();
      pattern = kBlack;
      return !in_.Failed();
    }
    return false;
  }

  bool FontName() {
    const uint16_t length = in_.U16();
    PictReader data(in_.Bytes(length));
    if (in_.Failed()) return false;
    fontId_ = data.S16();
    const uint8_t nameLength = data.U8();
    const auto name = data.Bytes(nameLength);
    if (data.Failed()) return false;
    fontName_.assign(name.begin(), name.end());
    namedFont_ = fontId_;
    return true;
  }

  POINT Map(POINT p) const {
    return {p.x - frame_.left - originH_, p.y - frame_.top - originV_};
  }
  RECT Map(const RECT& r) const {
    const POINT a = Map(POINT{r.left, r.top});
    const POINT b = Map(POINT{r.right, r.bottom});
    return {a.x, a.y, b.x, b.y};
  }

  // ---- the canvas and the work done

  // Where scan conversion may produce pixels: the canvas, widened by the pen's size so that the
  // outline of a shape cut to it is still the outline of the whole shape.
  ScanLimit Limit() const {
    const RECT& c = canvas_;
    return ScanLimit{RECT{c.left - penWidth_, c.top - penHeight_, c.right + penWidth_,
                          c.bottom + penHeight_},
                     nullptr};
  }

  bool WithinBudget() const { return work_ <= kPictWorkBudget; }

  // Charges the scan of the rows from top to bottom that lie within the limit, each row tested
  // against the edges, before any is walked: false (nothing to be scanned) when that goes over
  // the budget.
  bool ChargeScan(int32_t top, int32_t bottom, int64_t edges) {
    const RECT box = Limit().box;
    const int64_t first = std::max<int64_t>(std::min(top, bottom), box.top);
    const int64_t last = std::min<int64_t>(std::max(top, bottom), box.bottom);
    work_ += std::max<int64_t>(0, last - first) * std::max<int64_t>(1, edges);
    return WithinBudget();
  }

  RegionData ScannedEllipse(const RECT& r) {
    if (!ChargeScan(r.top, r.bottom, 1)) return {};
    return RegionData::Ellipse(r.left, r.top, r.right, r.bottom, Limit());
  }

  RegionData ScannedRoundRect(const RECT& r) {
    if (!ChargeScan(r.top, r.bottom, 1)) return {};
    return RegionData::RoundRect(r.left, r.top, r.right, r.bottom, ovalWidth_, ovalHeight_,
                                 Limit());
  }

  RegionData ScannedPolygon(std::span<const POINT> points, int32_t mode) {
    if (points.empty()) return {};
    int32_t top = points[0].y;
    int32_t bottom = points[0].y;
    for (const POINT& p : points) {
      top = std::min(top, p.y);
      bottom = std::max(bottom, p.y);
    }
    if (!ChargeScan(top, bottom, static_cast<int64_t>(points.size()))) return {};
    return RegionData::Polygon(points, mode, Limit());
  }

  // ---- filling regions

  HBRUSH MakeBrush(const Pattern& pattern, uint32_t fore, uint32_t back) {
    if (pattern == kBlack) return CreateSolidBrush(ToColorRef(fore));
    if (pattern == kWhite) return CreateSolidBrush(ToColorRef(back));
    // A one-bit brush paints its clear bits in the text colour and its set bits in the back
    // colour: the pattern's set bits are the fore colour, so the bits go in inverted.
    uint8_t rows[16] = {};
    for (int i = 0; i < 8; ++i) rows[2 * i] = static_cast<uint8_t>(~pattern[i]);
    GdiHolder bitmap(CreateBitmap(8, 8, 1, 1, rows));
    SetTextColor(dc_, ToColorRef(fore));
    SetBkColor(dc_, ToColorRef(back));
    return CreatePatternBrush(static_cast<HBITMAP>(bitmap.get()));
  }

  void Fill(const RegionData& whole, const Pattern& pattern, uint32_t fore, uint32_t back,
            int16_t mode) {
    const RegionData region = whole.Within(canvas_);
    if (region.IsEmpty()) return;
    work_ += static_cast<int64_t>(region.Rects().size()) * kPaintedRectWork;
    DWORD rop = PATCOPY;
    switch (mode) {
      case kPatOr:
      case kPatOr + 4:
        rop = 0x00A000C9;  // destination and pattern: only the fore colour's ink is added
        break;
      case kPatXor:
      case kPatXor + 4:
        rop = 0x00A50065;  // destination inverted where the pattern inks
        break;
      case kPatBic:
      case kNotPatBic:
        rop = 0x00AF0229;  // destination or inverse pattern: inked bits are cleared
        break;
      default:
        break;
    }
    if (mode >= kNotPatCopy && mode <= kNotPatBic) std::swap(fore, back);
    GdiHolder brush(MakeBrush(pattern, fore, back));
    const HGDIOBJ old = SelectObject(dc_, brush.get());
    for (const RECT& r : region.Rects()) {
      PatBlt(dc_, r.left, r.top, r.right - r.left, r.bottom - r.top, rop);
    }
    SelectObject(dc_, old);
  }

  void Invert(const RegionData& whole) {
    const RegionData region = whole.Within(canvas_);
    work_ += static_cast<int64_t>(region.Rects().size()) * kPaintedRectWork;
    for (const RECT& r : region.Rects()) {
      PatBlt(dc_, r.left, r.top, r.right - r.left, r.bottom - r.top, DSTINVERT);
    }
  }

  // The band a pen of the current size draws just inside the region's edge.
  RegionData Outline(const RegionData& region) {
    if (penWidth_ <= 0 || penHeight_ <= 0) return {};
    // Eight shifted copies are combined, each costing its rectangles.
    work_ += 8 * static_cast<int64_t>(region.Rects().size());
    RegionData inner = region;
    const int32_t w = penWidth_;
    const int32_t h = penHeight_;
    for (const POINT shift : {POINT{w, 0}, POINT{-w, 0}, POINT{0, h}, POINT{0, -h}, POINT{w, h},
                              POINT{-w, h}, POINT{w, -h}, POINT{-w, -h}}) {
      RegionData moved = region;
      moved.Offset(shift.x, shift.y);
      inner = RegionData::Combine(inner, moved, RGN_AND);
    }
    return RegionData::Combine(region, inner, RGN_DIFF);
  }

  void Apply(Verb verb, const RegionData& area, const RegionData& outline) {
    switch (verb) {
      case kFrame:
        Fill(outline, penPat_, fore_, back_, penMode_);
        break;
      case kPaint:
        Fill(area, penPat_, fore_, back_, penMode_);
        break;
      case kErase:
        Fill(area, bkPat_, fore_, back_, kPatCopy);
        break;
      case kInvert:
        Invert(area);
        break;
      case kFill:
        Fill(area, fillPat_, fore_, back_, kPatCopy);
        break;
    }
  }

  // ---- lines

  // The pixels a pen of the current size covers when moved from a to b, both ends included.
  RegionData LineRegion(POINT a, POINT b) {
    if (penWidth_ <= 0 || penHeight_ <= 0) return {};
    const int32_t w = penWidth_;
    const int32_t h = penHeight_;
    if (a.x == b.x || a.y == b.y) {
      return RegionData::Rect(std::min(a.x, b.x), std::min(a.y, b.y), std::max(a.x, b.x) + w,
                              std::max(a.y, b.y) + h);
    }
    // The hull of the pen's rectangle at both ends.
    if ((b.x > a.x) != (b.y > a.y)) {
      const std::array<POINT, 6> hull{POINT{a.x, a.y},         POINT{a.x + w, a.y},
                                      POINT{a.x + w, a.y + h}, POINT{b.x + w, b.y + h},
                                      POINT{b.x, b.y + h},     POINT{b.x, b.y}};
      return ScannedPolygon(hull, WINDING);
    }
    const std::array<POINT, 6> hull{POINT{a.x, a.y},     POINT{a.x + w, a.y},
                                    POINT{b.x + w, b.y}, POINT{b.x + w, b.y + h},
                                    POINT{b.x, b.y + h}, POINT{a.x, a.y + h}};
    return ScannedPolygon(hull, WINDING);
  }

  bool Line(uint16_t op) {
    POINT from = penLoc_;
    POINT to;
    switch (op) {
      case 0x20:
        from = in_.Point();
        to = in_.Point();
        break;
      case 0x21:
        to = in_.Point();
        break;
      case 0x22: {
        from = in_.Point();
        const auto dh = static_cast<int8_t>(in_.U8());
        const auto dv = static_cast<int8_t>(in_.U8());
        to = {from.x + dh, from.y + dv};
        break;
      }
      default: {
        const auto dh = static_cast<int8_t>(in_.U8());
        const auto dv = static_cast<int8_t>(in_.U8());
        to = {from.x + dh, from.y + dv};
        break;
      }
    }
    if (in_.Failed()) return false;
    penLoc_ = to;
    Fill(LineRegion(Map(from), Map(to)), penPat_, fore_, back_, penMode_);
    return true;
  }

  // ---- shapes

  bool Shape(uint16_t op) {
    const int family = (op - 0x30) / 16;  // rect, round rect, oval, arc, polygon, region
    const bool same = (op & 0x08) != 0;
    const int verbCode = op & 0x07;
    if (verbCode > kFill) return false;
    const auto verb = static_cast<Verb>(verbCode);
    switch (family) {
      case 0:
      case 1:
      case 2: {
        if (!same) lastRect_ = in_.Rect();
        if (in_.Failed()) return false;
        const RECT r = Map(lastRect_);
        RegionData area;
        if (family == 0) area = RegionData::Rect(r.left, r.top, r.right, r.bottom);
        if (family == 1) area = ScannedRoundRect(r);
        if (family == 2) area = ScannedEllipse(r);
        Apply(verb, area, verb == kFrame ? Outline(area) : RegionData{});
        return true;
      }
      case 3: return Arc(same, verb);
      case 4: return Poly(same, verb);
      case 5: return Region(same, verb);
      default: return false;
    }
  }

  // The wedge of the arc: angles in degrees clockwise from twelve o'clock, the arc running
  // clockwise for a positive extent.
  RegionData Wedge(const RECT& r, int32_t start, int32_t extent) {
    const double cx = (r.left + r.right) / 2.0;
    const double cy = (r.top + r.bottom) / 2.0;
    // Reach beyond the oval, so that the wedge cuts the whole of it.
    const double rx = (r.right - r.left) + 2.0;
    const double ry = (r.bottom - r.top) + 2.0;
    extent = std::clamp(extent, -360, 360);
    if (extent == 360 || extent == -360) return RegionData::Rect(r.left, r.top, r.right, r.bottom);
    std::vector<POINT> points{POINT{static_cast<int32_t>(std::lround(cx)),
                                    static_cast<int32_t>(std::lround(cy))}};
    // The far side lies twice the oval's size out, so chords of ten degrees stay well outside
    // the oval: only the two sides of the wedge cut it.
    const int steps = std::max(2, (std::abs(extent) + 9) / 10);
    for (int i = 0; i <= steps; ++i) {
      const double degrees = start + extent * static_cast<double>(i) / steps;
      const double radians = degrees * std::numbers::pi / 180.0;
      points.push_back({static_cast<int32_t>(std::lround(cx + rx * std::sin(radians))),
                        static_cast<int32_t>(std::lround(cy - ry * std::cos(radians)))});
    }
    return ScannedPolygon(points, WINDING);
  }

  bool Arc(bool same, Verb verb) {
    if (!same) lastRect_ = in_.Rect();
    const int16_t start = in_.S16();
    const int16_t extent = in_.S16();
    if (in_.Failed()) return false;
    const RECT r = Map(lastRect_);
    const RegionData oval = ScannedEllipse(r);
    const RegionData wedge = Wedge(r, start, extent);
    const RegionData area = RegionData::Combine(oval, wedge, RGN_AND);
    const RegionData outline =
        verb == kFrame ? RegionData::Combine(Outline(oval), wedge, RGN_AND) : RegionData{};
    Apply(verb, area, outline);
    return true;
  }

  bool Poly(bool same, Verb verb) {
    if (!same) {
      const uint16_t size = in_.U16();
      if (size < 10 || (size - 10) % 4) return false;
      in_.Rect();  // the bounding box
      lastPoly_.clear();
      for (int i = 0; i < (size - 10) / 4; ++i) lastPoly_.push_back(in_.Point());
      if (in_.Failed()) return false;
    }
    if (lastPoly_.empty()) return false;
    std::vector<POINT> mapped;
    for (const POINT& p : lastPoly_) mapped.push_back(Map(p));
    if (verb == kFrame) {
      // A framed polygon is its lines, drawn by the pen; it is not closed unless its points are.
      RegionData outline;
      for (size_t i = 1; i < mapped.size() && WithinBudget(); ++i) {
        outline = RegionData::Combine(outline, LineRegion(mapped[i - 1], mapped[i]), RGN_OR);
        work_ += static_cast<int64_t>(outline.Rects().size());
      }
      Fill(outline, penPat_, fore_, back_, penMode_);
      return true;
    }
    Apply(verb, ScannedPolygon(mapped, ALTERNATE), {});
    return true;
  }

  bool Region(bool same, Verb verb) {
    if (!same && !ReadPictRegion(in_, lastRegion_)) return false;
    RegionData area = lastRegion_;
    area.Offset(-frame_.left - originH_, -frame_.top - originV_);
    Apply(verb, area, verb == kFrame ? Outline(area) : RegionData{});
    return true;
  }

  // ---- clip

  void ClipTo(const RegionData& area) {
    const RECT box = area.Box();
    IntersectClipRect(dc_, box.left, box.top, box.right, box.bottom);
    const RegionData outside =
        RegionData::Combine(RegionData::Rect(box.left, box.top, box.right, box.bottom), area,
                            RGN_DIFF);
    for (const RECT& r : outside.Rects()) ExcludeClipRect(dc_, r.left, r.top, r.right, r.bottom);
  }

  bool Clip() {
    RegionData clip;
    if (!ReadPictRegion(in_, clip)) return false;
    clip.Offset(-frame_.left - originH_, -frame_.top - originV_);
    // The clip replaces the previous one: back to the state before any clip, then narrow.
    RestoreDC(dc_, -1);
    SaveDC(dc_);
    ClipTo(clip);
    return true;
  }

  // ---- text

  bool Text(uint16_t op) {
    switch (op) {
      case 0x28:
        textLoc_ = in_.Point();
        break;
      case 0x29:
        textLoc_.x += in_.U8();
        break;
      case 0x2A:
        textLoc_.y += in_.U8();
        break;
      default:
        textLoc_.x += in_.U8();
        textLoc_.y += in_.U8();
        break;
    }
    const uint8_t count = in_.U8();
    const auto bytes = in_.Bytes(count);
    if (in_.Failed()) return false;
    // Characters beyond ASCII are stored in the old system's own character set.
    std::string text;
    for (const uint8_t c : bytes) text.push_back(c < 0x80 ? static_cast<char>(c) : '?');

    LOGFONT log;
    log.lfHeight = -(textSize_ > 0 ? textSize_ : 12);
    log.lfWeight = (face_ & 1) ? FW_BOLD : FW_NORMAL;
    log.lfItalic = (face_ & 2) ? 1 : 0;
    log.lfUnderline = (face_ & 4) ? 1 : 0;
    const std::string face = namedFont_ == fontId_ && !fontName_.empty()
                                 ? fontName_
                                 : std::string(FaceOfFont(fontId_));
    std::strncpy(log.lfFaceName, face.c_str(), sizeof log.lfFaceName - 1);
    GdiHolder font(CreateFontIndirect(&log));
    const HGDIOBJ old = SelectObject(dc_, font.get());
    SetTextAlign(dc_, TA_BASELINE | TA_LEFT);
    SetTextColor(dc_, ToColorRef(fore_));
    SetBkColor(dc_, ToColorRef(back_));
    SetBkMode(dc_, txMode_ == kSrcCopy ? OPAQUE : TRANSPARENT);
    const POINT at = Map(textLoc_);
    TextOut(dc_, at.x, at.y, text.data(), static_cast<int32_t>(text.size()));
    SelectObject(dc_, old);
    return true;
  }

  // ---- images

  bool Image(uint16_t op) {
    PictImage image;
    if (!ReadPictImage(in_, op, fore_, back_, image)) return false;
    DWORD rop;
    switch (image.mode & 0xFF) {
      case kSrcCopy:
      case 64:  // dithered copy
        rop = SRCCOPY;
        break;
      case kSrcOr:
        rop = SRCAND;  // the source's ink added to the destination
        break;
      case 2:
        rop = 0x00990066;  // destination inverted where the source inks
        break;
      case 3:
        rop = MERGEPAINT;  // inked bits cleared
        break;
      case 4:
        rop = NOTSRCCOPY;
        break;
      default:
        return false;
    }
    GdiHolder bitmap(CreateBitmap(image.width, image.height, 1, 32, image.pixels.data()));
    const HDC memory = CreateCompatibleDC(nullptr);
    const HGDIOBJ old = SelectObject(memory, bitmap.get());
    const int level = SaveDC(dc_);
    if (image.hasMask) {
      RegionData mask = image.mask;
      mask.Offset(-frame_.left - originH_, -frame_.top - originV_);
      ClipTo(mask);
    }
    const RECT d = Map(image.destination);
    StretchBlt(dc_, d.left, d.top, d.right - d.left, d.bottom - d.top, memory, 0, 0, image.width,
               image.height, rop);
    RestoreDC(dc_, level);
    SelectObject(memory, old);
    DeleteDC(memory);
    return true;
  }

  HDC dc_;
  PictReader in_;
  int version_ = 1;
  RECT frame_{};
  // The frame's pixels, where the picture is drawn: nothing outside them is scanned or painted.
  RECT canvas_{};
  int64_t work_ = 0;
  int32_t originH_ = 0;
  int32_t originV_ = 0;
  POINT penLoc_{};
  POINT textLoc_{};
  int32_t penWidth_ = 1;
  int32_t penHeight_ = 1;
  int16_t penMode_ = kPatCopy;
  Pattern penPat_ = kBlack;
  Pattern fillPat_ = kBlack;
  Pattern bkPat_ = kWhite;
  uint32_t fore_ = kBlackRgb;
  uint32_t back_ = kWhiteRgb;
  int32_t ovalWidth_ = 0;
  int32_t ovalHeight_ = 0;
  int16_t fontId_ = 0;
  int16_t namedFont_ = -1;
  std::string fontName_;
  uint8_t face_ = 0;
  int16_t textSize_ = 12;
  int16_t txMode_ = kSrcOr;
  RECT lastRect_{};
  std::vector<POINT> lastPoly_;
  RegionData lastRegion_;
};

}  // namespace

bool PictFrame(std::span<const uint8_t> picture, RECT& frame) {
  PictReader in(picture);
  in.Skip(2);
  frame = in.Rect();
  return !in.Failed();
}

bool PlayPict(HDC dc, std::span<const uint8_t> picture, int64_t* work) {
  if (!dc) return false;
  Player player(dc, picture);
  const bool played = player.Play();
  if (work) *work = player.Work();
  return played;
}
