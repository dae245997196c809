// How every vector arrow is drawn: shafts, heads, short marks, labels and the hit test of heads.

#include <array>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <string>

#include "bodies/vectors/VectorArrows.h"
#include "core/Resources.h"
#include "core/port/Port.h"
#include "core/port/PortShapes.h"
#include "core/port/PortText.h"
#include "platform/win32/Dc.h"
#include "platform/win32/DcDraw.h"
#include "platform/win32/Font.h"
#include "platform/win32/GdiObjects.h"

namespace {

constexpr int16_t kLabelList = 1120;
constexpr int kLabelCount = 13;
constexpr int32_t kLabelBitmapSize = 100;
// destination = NOT (source XOR destination): white leaves the picture as it is.
constexpr DWORD kInvertLabel = 0x00990066;
constexpr int16_t kHitMargin = 5;
constexpr int16_t kTooShort = 5;
constexpr int16_t kBarb = 4;
constexpr int16_t kSolidPattern = 0;

// Two barbs from the head, each line including its end pixel.
void DrawBarbs(int32_t h, int32_t v, int32_t bh1, int32_t bv1, int32_t bh2, int32_t bv2) {
  RecordPolygonPoint(h + bh1, v + bv1);
  PortMoveTo(h, v);
  RecordPolygonPoint(h + bh2, v + bv2);
}

// The label resources shared by all drawing, from registration to shut-down.
struct LabelResources {
  std::array<Str255, kLabelCount> texts{};
  HDC dc = nullptr;
  HBITMAP bitmap = nullptr;
  HGDIOBJ previous = nullptr;
  bool inverted = false;

  void Free() {
    if (dc != nullptr) {
      SelectObject(dc, previous);
      DeleteDC(dc);
    }
    if (bitmap != nullptr) DeleteObject(bitmap);
    dc = nullptr;
    bitmap = nullptr;
    previous = nullptr;
    texts = {};
  }
};

LabelResources& Labels() {
  static LabelResources labels;
  return labels;
}

MacPoint Shifted(MacPoint p, int16_t by) {
  return MacPoint(static_cast<int16_t>(p.h - by), static_cast<int16_t>(p.v - by));
}

Str255 Joined(const Str255& label, const Str255& suffix) {
  std::string text(label.Chars(), static_cast<size_t>(label.Length()));
  text.append(suffix.Chars(), static_cast<size_t>(suffix.Length()));
  text.resize(std::min<size_t>(text.size(), Str255::kCapacity));
  return Str255(text.c_str());
}

void LabelAt(const Str255& text, int32_t h, int32_t v) {
  PortMoveTo(h, v);
  DrawVectorLabel(text, static_cast<int16_t>(h), static_cast<int16_t>(v));
}

bool Near(MacPoint point, int32_t h, int32_t v) {
  return std::abs(point.h - h) <= kHitMargin && std::abs(point.v - v) <= kHitMargin;
}

}  // namespace

void FreeVectorLabels() {
  Labels().Free();
}

const Str255& VectorLabelText(int16_t entry) {
  static const Str255 empty;
  if (entry < 1 || entry > kLabelCount) return empty;
  return Labels().texts[static_cast<size_t>(entry - 1)];
}

void SetVectorLabelInversion(bool on) {
  Labels().inverted = on;
}

bool GetVectorLabelInversion() {
  return Labels().inverted;
}

void MakeVectorLabels() {
  LabelResources& labels = Labels();
  labels.Free();
  for (int i = 0; i < kLabelCount; ++i)
    GetIndString(labels.texts[static_cast<size_t>(i)], kLabelList, static_cast<int16_t>(i + 1));
  labels.dc = CreateCompatibleDC(nullptr);
  labels.bitmap = CreateCompatibleBitmap(nullptr, kLabelBitmapSize, kLabelBitmapSize);
  if (labels.dc == nullptr || labels.bitmap == nullptr) {
    labels.Free();
    return;
  }
  labels.previous = PortSelectObject(labels.dc, labels.bitmap);
  SetBkMode(labels.dc, OPAQUE);
}

void DrawVectorLabel(const Str255& text, int16_t h, int16_t v) {
  LabelResources& labels = Labels();
  const HDC port = GetPortDC();
  if (GetUseSolidBrushes() || labels.dc == nullptr || port == nullptr) {
    PortDrawPString(text);
    return;
  }
  SIZE extent{};
  GetTextExtentPoint32(labels.dc, text.Chars(), text.Length(), &extent);
  const int32_t cx = std::min<int32_t>(extent.cx, kLabelBitmapSize);
  const int32_t cy = std::min<int32_t>(extent.cy, kLabelBitmapSize);
  SetBkColor(labels.dc, RGB(255, 255, 255));
  RGB16Color fore;
  GetPortForeColor(fore);
  SetTextColor(labels.dc, RGB16ToColorRef(fore));
  if (labels.inverted) {
    TextOut(labels.dc, 0, 0, text.Chars(), text.Length());
    BitBlt(port, h, v - cy, cx, cy, labels.dc, 0, 0, kInvertLabel);
    return;
  }
  BitBlt(labels.dc, 0, 0, cx, cy, port, h, v - cy, SRCCOPY);
  SetBkMode(labels.dc, TRANSPARENT);
  TextOut(labels.dc, 0, 0, text.Chars(), text.Length());
  BitBlt(port, h, v - cy, cx, cy, labels.dc, 0, 0, SRCCOPY);
  SetBkMode(labels.dc, OPAQUE);
}

MacPoint TGlobalVectorHandler::ComputeBarbOffset(MacPoint p1, MacPoint p2) {
  const int32_t dh = p2.h - p1.h;
  const int32_t dv = p2.v - p1.v;
  if (std::abs(dh) < 2) {
    return dv > 0 ? MacPoint(kBarb, -kBarb) : MacPoint(-kBarb, kBarb);
  }
  int32_t bh = dv - dh;
  int32_t bv = -(dh + dv);
  const auto n = static_cast<int32_t>(std::sqrt(static_cast<double>(bh) * bh +
                                                static_cast<double>(bv) * bv));
  if (n != 0) {
    bh = (6 * bh) / n;
    bv = (6 * bv) / n;
  }
  return MacPoint(static_cast<int16_t>(bh), static_cast<int16_t>(bv));
}

bool TGlobalVectorHandler::IsTooShort(MacPoint p1, MacPoint p2) {
  return std::abs(p2.h - p1.h) <= kTooShort && std::abs(p2.v - p1.v) <= kTooShort;
}

void TGlobalVectorHandler::DrawShortMark(MacPoint p) {
  // Pattern 0 is solid: the mark takes the port's foreground colour.
  PortFillOvalWithPattern(MacRect(static_cast<int16_t>(p.h - 2), static_cast<int16_t>(p.v - 2),
                        static_cast<int16_t>(p.h + 2), static_cast<int16_t>(p.v + 2)),
                          kSolidPattern);
}

void TGlobalVectorHandler::DrawArrowHead(MacPoint p1, MacPoint p2, bool, int16_t component) {
  switch (component) {
    case 0: {
      const int16_t side = p1.h < p2.h ? -kBarb : kBarb;
      DrawBarbs(p2.h, p1.v, side, -kBarb, side, kBarb);
      return;
    }
    case 1: {
      const int16_t side = p1.v < p2.v ? -kBarb : kBarb;
      DrawBarbs(p1.h, p2.v, -kBarb, side, kBarb, side);
      return;
    }
    case 2: {
      const MacPoint barb = ComputeBarbOffset(p1, p2);
      DrawBarbs(p2.h, p2.v, barb.h, barb.v, barb.v, -barb.h);
      return;
    }
    default:
      return;
  }
}

void TGlobalVectorHandler::DrawArrow(MacPoint p1, MacPoint p2, const Str255& label,
                                     bool markShort) {
  DrawArrowParts(p1, p2, label, true, flags_, markShort);
}

void TGlobalVectorHandler::DrawArrowParts(MacPoint p1, MacPoint p2, const Str255& label,
                                          bool useOwnFlags, TVectorComponentFlags flags,
                                          bool markShort) {
  if (useOwnFlags) flags = flags_;
  if (IsTooShort(p1, p2)) {
    if (markShort) DrawShortMark(p1);
    return;
  }
  // A thick pen hangs below and right of its path: centre it on the arrow.
  const int16_t half = static_cast<int16_t>(penWidth_ > 1 ? penWidth_ >> 1 : 0);
  if (half > 0) {
    p1 = Shifted(p1, half);
    p2 = Shifted(p2, half);
  }
  if (flags.x != 0) {
    PortMoveTo(p1.h, p1.v);
    RecordPolygonPoint(p2.h, p1.v);
    DrawArrowHead(p1, p2, false, 0);
    if (flags.labels != 0) LabelAt(Joined(label, VectorLabelText(12)), p2.h + 3, p1.v + 12);
  }
  if (flags.y != 0) {
    PortMoveTo(p1.h, p1.v);
    RecordPolygonPoint(p1.h, p2.v);
    DrawArrowHead(p1, p2, false, 1);
    if (flags.labels != 0) LabelAt(Joined(label, VectorLabelText(13)), p1.h + 3, p2.v - 3);
  }
  if (flags.whole != 0) {
    PortMoveTo(p1.h, p1.v);
    RecordPolygonPoint(p2.h, p2.v);
    DrawArrowHead(p1, p2, false, 2);
    if (flags.labels != 0) LabelAt(label, p2.h + 3, p2.v - 3);
  }
}

bool TGlobalVectorHandler::HitTestArrow(MacPoint point, MacPoint p1, MacPoint p2,
                                        int16_t& part) const {
  if (flags_.x != 0 && Near(point, p2.h, p1.v)) {
    part = 3;
  } else if (flags_.y != 0 && Near(point, p1.h, p2.v)) {
    part = 4;
  } else if (flags_.whole != 0 && Near(point, p2.h, p2.v)) {
    part = 2;
  } else {
    return false;
  }
  return true;
}
