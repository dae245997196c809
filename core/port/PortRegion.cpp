#include "core/port/PortRegion.h"

#include <algorithm>
#include <new>

#include "core/Failure.h"
#include "core/port/Port.h"
#include "core/port/PortShapes.h"

namespace {

// The polygon being recorded.
PolygonRec*& Recording() {
  static PolygonRec* polygon = nullptr;
  return polygon;
}

int16_t Narrow(int32_t value) {
  return static_cast<int16_t>(value);
}

void SetBoxFromRegion(RegionRec* record) {
  RECT box;
  GetRgnBox(record->region, &box);
  record->box = MacRectFromWinRect(box);
}

void Combine(const RegionRec* a, const RegionRec* b, RegionRec* destination, int32_t mode) {
  if (!a || !b || !destination) return;
  CombineRgn(destination->region, a->region, b->region, mode);
  SetBoxFromRegion(destination);
}

// The largest number of points whose byte size still fits the 16-bit size field.
constexpr int32_t kMaxPolygonPoints = (32767 - 12) / 8;

// One edge of the crossing count, on wide integers. The edge is halved until it lies wholly on
// one side of P horizontally or vertically; when halving no longer moves an end, every
// coordinate is doubled so that the midpoint becomes distinct.
int32_t EdgeCrossing(int64_t ah, int64_t av, int64_t bh, int64_t bv, int64_t ph, int64_t pv) {
  for (int guard = 0; guard < 4096; ++guard) {
    const bool settled = (ah <= ph && bh <= ph) || (ah > ph && bh > ph) || (av >= pv && bv >= pv) ||
                         (av < pv && bv < pv);
    if (settled) break;
    const int64_t mh = (ah + bh) >> 1;
    const int64_t mv = (av + bv) >> 1;
    const bool isA = mh == ah && mv == av;
    const bool isB = mh == bh && mv == bv;
    if (!isA && !isB) {
      if ((mv >= pv) != (av >= pv)) {
        bh = mh;
        bv = mv;
      } else {
        ah = mh;
        av = mv;
      }
      continue;
    }
    if (ah > (int64_t{1} << 60) || ah < -(int64_t{1} << 60)) return 0;
    ah *= 2;
    av *= 2;
    bh *= 2;
    bv *= 2;
    ph *= 2;
    pv *= 2;
  }
  if (!(ah > ph && bh > ph)) return 0;
  if (av >= pv && bv < pv) return 1;
  if (av < pv && bv >= pv) return -1;
  return 0;
}

}  // namespace

RegionRec* AllocRegion() {
  auto* record = new (std::nothrow) RegionRec;
  FailIfNull(record);
  record->region = CreateRectRgn(0, 0, 0, 0);
  return record;
}

void FreeRegion(RegionRec* record) {
  if (!record) return;
  DeleteObject(record->region);
  delete record;
}

void RegionSetEmpty(RegionRec* record) {
  RegionSetRect(record, 0, 0, 0, 0);
}

void RegionSetRect(RegionRec* record, int16_t left, int16_t top, int16_t right, int16_t bottom) {
  if (!record) return;
  SetRectRgn(record->region, left, top, right, bottom);
  record->box = MacRect(left, top, right, bottom);
}

void RegionSetMacRect(RegionRec* record, const MacRect& rect) {
  RegionSetRect(record, rect.left, rect.top, rect.right, rect.bottom);
}

void RegionOffset(RegionRec* record, int16_t dh, int16_t dv) {
  if (!record) return;
  OffsetRgn(record->region, dh, dv);
  record->box.Offset(dh, dv);
}

void RegionCopy(const RegionRec* source, RegionRec* destination) {
  if (!source || !destination) return;
  CombineRgn(destination->region, source->region, nullptr, RGN_COPY);
  destination->box = source->box;
}

void RegionIntersect(const RegionRec* a, const RegionRec* b, RegionRec* destination) {
  Combine(a, b, destination, RGN_AND);
}

void RegionUnion(const RegionRec* a, const RegionRec* b, RegionRec* destination) {
  Combine(a, b, destination, RGN_OR);
}

void RegionDifference(const RegionRec* a, const RegionRec* b, RegionRec* destination) {
  Combine(a, b, destination, RGN_DIFF);
}

void RegionXor(const RegionRec* a, const RegionRec* b, RegionRec* destination) {
  Combine(a, b, destination, RGN_XOR);
}

bool RegionContainsPoint(uint32_t packedPoint, const RegionRec* record) {
  if (!record) return false;
  const MacPoint p = MacPoint::FromPacked(packedPoint);
  return PtInRegion(record->region, p.h, p.v) != FALSE;
}

bool RegionIntersectsRect(const MacRect& rect, const RegionRec* record) {
  if (!record) return false;
  const RECT r = MacRectToWinRect(rect);
  return RectInRegion(record->region, &r) != FALSE;
}

bool RegionEqual(const RegionRec* a, const RegionRec* b) {
  if (!a || !b) return false;
  return EqualRgn(a->region, b->region) == TRUE;
}

bool RegionIsEmpty(const RegionRec* record) {
  if (!record) return false;
  RECT box;
  return GetRgnBox(record->region, &box) == NULLREGION;
}

void MoveRectBetweenRegions(const MacRect& rect, RegionRec* a, RegionRec* b) {
  if (!a || !b) return;
  RegionRec* piece = AllocRegion();
  RegionSetMacRect(piece, rect);
  RegionUnion(a, piece, a);
  RegionDifference(b, piece, b);
  FreeRegion(piece);
}

PolygonRec* OpenPolygon() {
  auto* polygon = new (std::nothrow) PolygonRec;
  FailIfNull(polygon);
  Recording() = polygon;
  PortHidePen();
  if (TPort* port = GetCurrentPort()) port->polygon = polygon;
  return polygon;
}

void ClosePolygon() {
  PolygonRec* polygon = Recording();
  if (!polygon) return;
  Recording() = nullptr;
  PortShowPen();
  if (TPort* port = GetCurrentPort(); port && port->polygon == polygon) port->polygon = nullptr;
  if (polygon->points.empty()) return;
  int32_t left = polygon->points[0].x;
  int32_t right = left;
  int32_t top = polygon->points[0].y;
  int32_t bottom = top;
  for (const POINT& p : polygon->points) {
    left = std::min(left, p.x);
    right = std::max(right, p.x);
    top = std::min(top, p.y);
    bottom = std::max(bottom, p.y);
  }
  polygon->box = MacRect(Narrow(left), Narrow(top), Narrow(right), Narrow(bottom));
}

bool IsRecordingPolygon() {
  return Recording() != nullptr;
}

void AppendPolygonPoint(int32_t h, int32_t v) {
  PolygonRec* polygon = Recording();
  if (!polygon) return;
  // The size field is 16 bits: a polygon that cannot say its size cannot grow.
  if (polygon->Count() >= kMaxPolygonPoints) ThrowFailure(kErrOutOfMemory, 0);
  try {
    polygon->points.push_back(POINT{h, v});
  } catch (const std::bad_alloc&) {
    ThrowFailure(kErrOutOfMemory, 0);
  }
  polygon->size = static_cast<int16_t>(polygon->size + 8);
}

void PolygonSetPoint(PolygonRec* polygon, int32_t index, POINT point) {
  if (!polygon || index < 1 || index > polygon->Count()) return;
  polygon->points[static_cast<size_t>(index - 1)] = point;
}

POINT PolygonGetPoint(const PolygonRec* polygon, int32_t index) {
  if (!polygon || index < 1 || index > polygon->Count()) return POINT{};
  return polygon->points[static_cast<size_t>(index - 1)];
}

int32_t PolygonPointCount(const PolygonRec* polygon) {
  return polygon ? polygon->Count() : 0;
}

void PolygonOffset(PolygonRec* polygon, int32_t dh, int32_t dv) {
  if (!polygon) return;
  for (POINT& p : polygon->points) {
    p.x += dh;
    p.y += dv;
  }
  polygon->box.Offset(Narrow(dh), Narrow(dv));
}

void PortFramePolygon(const PolygonRec* polygon) {
  const TPort* port = GetCurrentPort();
  HDC dc = GetPortDC();
  if (!polygon || !port || !dc || port->penVisibility < 0 || polygon->points.empty()) return;
  HGDIOBJ old = PortSelectObject(dc, GetStockObject(NULL_BRUSH));
  Polygon(dc, polygon->points.data(), polygon->Count());
  if (old) PortSelectObject(dc, old);
}

namespace {

void DrawPolygon(HDC dc, void* data) {
  const auto* polygon = static_cast<const PolygonRec*>(data);
  Polygon(dc, polygon->points.data(), polygon->Count());
}

}  // namespace

void PortFillPolygonPattern(const PolygonRec* polygon, int16_t pattern) {
  if (!polygon || polygon->points.empty()) return;
  WithPatternBrush(pattern, true, false, DrawPolygon, const_cast<PolygonRec*>(polygon));
}

void PortFillPolygonPatternOutlined(const PolygonRec* polygon, int16_t pattern) {
  if (!polygon || polygon->points.empty()) return;
  WithPatternBrush(pattern, false, true, DrawPolygon, const_cast<PolygonRec*>(polygon));
}

bool PolygonContainsPoint(uint32_t packedPoint, const PolygonRec* polygon) {
  if (!polygon) return false;
  if (!MacRectContainsPoint(polygon->box, packedPoint)) return false;
  const MacPoint p = MacPoint::FromPacked(packedPoint);
  int32_t sum = 0;
  for (int32_t i = 0; i + 1 < polygon->Count(); ++i) {
    const POINT& a = polygon->points[static_cast<size_t>(i)];
    const POINT& b = polygon->points[static_cast<size_t>(i + 1)];
    // Coordinates as the window holds them: 16 bits, widened for the arithmetic.
    sum += EdgeCrossing(Narrow(a.x), Narrow(a.y), Narrow(b.x), Narrow(b.y), p.h, p.v);
  }
  return (sum & 1) != 0;
}

void FreePolygon(PolygonRec* polygon) {
  if (!polygon) return;
  if (Recording() == polygon) ClosePolygon();
  delete polygon;
}

MacRect MacRectFromWinRect(const RECT& rect) {
  return MacRect(Narrow(rect.left), Narrow(rect.top), Narrow(rect.right), Narrow(rect.bottom));
}

RECT MacRectToWinRect(const MacRect& rect) {
  return RECT{rect.left, rect.top, rect.right, rect.bottom};
}

void MacRectInset(MacRect& rect, int16_t dh, int16_t dv) {
  rect.left = Narrow(rect.left + dh);
  rect.right = Narrow(rect.right - dh);
  rect.top = Narrow(rect.top + dv);
  rect.bottom = Narrow(rect.bottom - dv);
}

bool SectMacRect(const MacRect& a, const MacRect& b) {
  MacRect out;
  return MacRect::Intersect(a, b, out);
}

void MacRectUnion(const MacRect& a, const MacRect& b, MacRect& out) {
  const MacRect result(std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
                       std::max(a.bottom, b.bottom));
  out = result;
}

bool MacRectContainsPoint(const MacRect& rect, uint32_t packedPoint) {
  const MacPoint p = MacPoint::FromPacked(packedPoint);
  return rect.left <= p.h && p.h <= rect.right && rect.top <= p.v && p.v <= rect.bottom;
}

bool MacRectEqualTo(const MacRect& a, const MacRect& b) {
  return a == b;
}

void NormalizeMacRect(MacRect* rect) {
  if (!rect) return;
  if (rect->left > rect->right) std::swap(rect->left, rect->right);
  if (rect->top > rect->bottom) std::swap(rect->top, rect->bottom);
}

MacPoint MacPointToRectLocal(const MacPoint& point, const MacRect& rect) {
  return MacPoint(Narrow(point.h - rect.left), Narrow(point.v - rect.top));
}

void OffsetWinRect(RECT& rect, int32_t dh, int32_t dv) {
  rect.left += dh;
  rect.right += dh;
  rect.top += dv;
  rect.bottom += dv;
}

POINT ClampPointToWinRect(POINT point, const RECT& rect) {
  point.x = std::clamp(point.x, rect.left, std::max(rect.left, rect.right));
  point.y = std::clamp(point.y, rect.top, std::max(rect.top, rect.bottom));
  return point;
}
