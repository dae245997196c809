#pragma once
// Toolbox-style regions and polygons over the graphics layer, and the 16-bit rectangle helpers.
// A region record pairs a region with its bounding box, so callers read the box without asking
// the graphics layer; a polygon record collects the points of a pen path while it is recorded.

#include <cstdint>
#include <vector>

#include "core/MacTypes.h"
#include "platform/win32/Gdi.h"

struct RegionRec {
  HRGN region = nullptr;
  MacRect box;
};

// Every region call does nothing, or answers false, for a null record.
RegionRec* AllocRegion();
void FreeRegion(RegionRec* record);
void RegionSetEmpty(RegionRec* record);
void RegionSetRect(RegionRec* record, int16_t left, int16_t top, int16_t right, int16_t bottom);
void RegionSetMacRect(RegionRec* record, const MacRect& rect);
void RegionOffset(RegionRec* record, int16_t dh, int16_t dv);
void RegionCopy(const RegionRec* source, RegionRec* destination);
void RegionIntersect(const RegionRec* a, const RegionRec* b, RegionRec* destination);
void RegionUnion(const RegionRec* a, const RegionRec* b, RegionRec* destination);
void RegionDifference(const RegionRec* a, const RegionRec* b, RegionRec* destination);
void RegionXor(const RegionRec* a, const RegionRec* b, RegionRec* destination);
// The packed point has h in the high and v in the low 16 bits; right and bottom edges are out.
bool RegionContainsPoint(uint32_t packedPoint, const RegionRec* record);
bool RegionIntersectsRect(const MacRect& rect, const RegionRec* record);
bool RegionEqual(const RegionRec* a, const RegionRec* b);
bool RegionIsEmpty(const RegionRec* record);
// a becomes a + rect and b becomes b - rect.
void MoveRectBetweenRegions(const MacRect& rect, RegionRec* a, RegionRec* b);

// A polygon: size in bytes (12 for the header and 8 per point), box, and points.
struct PolygonRec {
  int16_t size = 12;
  MacRect box;
  std::vector<POINT> points;  // h in x, v in y
  int32_t Count() const { return (size - 12) / 8; }
};

// Starts recording: the pen is hidden and lines append their end points.
PolygonRec* OpenPolygon();
// Ends recording, shows the pen again and sets the box from the points.
void ClosePolygon();
bool IsRecordingPolygon();
// Appends a point to the polygon being recorded; raises -108 when it cannot grow.
void AppendPolygonPoint(int32_t h, int32_t v);
// Points are numbered from 1; numbers out of range set nothing and read (0, 0).
void PolygonSetPoint(PolygonRec* polygon, int32_t index, POINT point);
POINT PolygonGetPoint(const PolygonRec* polygon, int32_t index);
int32_t PolygonPointCount(const PolygonRec* polygon);
void PolygonOffset(PolygonRec* polygon, int32_t dh, int32_t dv);
void PortFramePolygon(const PolygonRec* polygon);
// Pattern fills by pattern number: the plain fill also takes the system colour patterns and
// draws no outline; the outlined fill keeps the port's pen.
void PortFillPolygonPattern(const PolygonRec* polygon, int16_t pattern);
void PortFillPolygonPatternOutlined(const PolygonRec* polygon, int16_t pattern);
// Crossing count of the open path (the last point is not joined to the first), in wide integers.
bool PolygonContainsPoint(uint32_t packedPoint, const PolygonRec* polygon);
void FreePolygon(PolygonRec* polygon);

// 16-bit rectangle helpers.
MacRect MacRectFromWinRect(const RECT& rect);  // values narrowed to 16 bits
RECT MacRectToWinRect(const MacRect& rect);
// Left and right move inward by dh, top and bottom by dv.
void MacRectInset(MacRect& rect, int16_t dh, int16_t dv);
bool SectMacRect(const MacRect& a, const MacRect& b);
void MacRectUnion(const MacRect& a, const MacRect& b, MacRect& out);
// All four edges inside: left <= h <= right and top <= v <= bottom.
bool MacRectContainsPoint(const MacRect& rect, uint32_t packedPoint);
bool MacRectEqualTo(const MacRect& a, const MacRect& b);
void NormalizeMacRect(MacRect* rect);
// The point relative to the rectangle's top-left.
MacPoint MacPointToRectLocal(const MacPoint& point, const MacRect& rect);
void OffsetWinRect(RECT& rect, int32_t dh, int32_t dv);
POINT ClampPointToWinRect(POINT point, const RECT& rect);
