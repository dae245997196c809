// The gadget rectangle: moved, resized, hit, outlined, selected, drawn and filed.
#include "inout/gadgets/Gadget.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "core/ClassRegistry.h"
#include "core/port/Port.h"
#include "core/port/PortRegion.h"
#include "core/port/PortShapes.h"
#include "core/port/PortText.h"
#include "model/filing/ObjectReader.h"
#include "model/filing/ObjectWriter.h"
#include "platform/win32/Dc.h"
#include "platform/win32/DcDraw.h"
#include "platform/win32/GdiObjects.h"

namespace {

constexpr uint32_t kTagMass = MakeTag("mass");
constexpr RGB16Color kWhite{65535, 65535, 65535};

int16_t ClampShort(double value) {
  if (!(value == value)) return 0;
  return static_cast<int16_t>(std::clamp(value, -32768.0, 32767.0));
}

MacPoint Sum(MacPoint a, MacPoint b) {
  return MacPoint(static_cast<int16_t>(a.h + b.h), static_cast<int16_t>(a.v + b.v));
}

TObject* CreateGadget() {
  return new TGadget();
}

}  // namespace

TGadget::~TGadget() = default;

void TGadget::Initialize() {
  position_ = MacPoint();
  size_ = MacPoint();
  linked_ = nullptr;
  labelWidthValid_ = false;
  TSingleStyleLink::Initialize();
  FontInfoRec info;
  FontTextMetrics(GetFont(), info);
  SetLineMetrics(info.ascent, info.descent);
}

void TGadget::SetLineMetrics(int16_t ascent, int16_t descent) {
  ascent_ = ascent;
  descent_ = descent;
  lineHeight_ = static_cast<int16_t>(ascent + descent + kLineHeightExtra);
}

void TGadget::AdjustSize() {
  MacPoint size = size_;
  ConstrainSize(size);
  SetSize(size);
}

void TGadget::SetSize(MacPoint size) {
  if (size == size_) return;
  Invalidate();
  size_ = size;
  Invalidate();
  Changed();
}

void TGadget::GrowBy(MacPoint delta) {
  SetSize(Sum(size_, delta));
}

void TGadget::ResizeFromCorner(int16_t corner, MacPoint size) {
  const MacPoint old = size_;
  ConstrainSize(size);
  SetSize(size);
  const auto dh = static_cast<int16_t>(old.h - size_.h);
  const auto dv = static_cast<int16_t>(old.v - size_.v);
  switch (corner) {
    case kCornerTopLeft:
      MoveBy(MacPoint(dh, dv));
      return;
    case kCornerTopRight:
      MoveBy(MacPoint(0, dv));
      return;
    case kCornerBottomLeft:
      MoveBy(MacPoint(dh, 0));
      return;
    default:
      return;
  }
}

bool TGadget::DragWindowHandle(int16_t handle, MacPoint point) {
  const MacRect frame = GetFrame();
  const bool left = handle == kCornerTopLeft || handle == kCornerBottomLeft;
  const bool top = handle == kCornerTopLeft || handle == kCornerTopRight;
  const MacPoint size(static_cast<int16_t>(left ? frame.right - point.h : point.h - frame.left),
                      static_cast<int16_t>(top ? frame.bottom - point.v : point.v - frame.top));
  ResizeFromCorner(handle, size);
  return GetFrame() != frame;
}

void TGadget::ConstrainSize(MacPoint& size) {
  size.h = std::max(size.h, kMinimumSide);
  size.v = std::max(size.v, kMinimumSide);
}

void TGadget::MoveBy(MacPoint delta) {
  if (delta.h == 0 && delta.v == 0) return;
  Invalidate();
  position_ = Sum(position_, delta);
  Invalidate();
}

MacRect TGadget::GetFrame() const {
  return MacRect(position_.h, position_.v, static_cast<int16_t>(position_.h + size_.h),
                 static_cast<int16_t>(position_.v + size_.v));
}

MacRect TGadget::GetInvalidFrame() const {
  MacRect frame = GetFrame();
  frame.top = static_cast<int16_t>(frame.top - kInvalidMargin);
  frame.left = static_cast<int16_t>(frame.left - kInvalidMargin);
  frame.bottom = static_cast<int16_t>(frame.bottom + kInvalidMargin);
  frame.right = static_cast<int16_t>(frame.right + kInvalidMargin);
  return frame;
}

int16_t TGadget::GetLabelWidth() {
  if (labelWidthValid_) return labelWidth_;
  SetPortFont(&GetFont());
  labelWidth_ = PortStringWidth(GetName());
  SelectSystemFont();
  labelWidthValid_ = true;
  return labelWidth_;
}

bool TGadget::HitCorner(MacPoint point, int16_t& corner) const {
  const bool left = std::abs(point.h - position_.h) <= kCornerTolerance;
  const bool right = !left && std::abs(point.h - position_.h - size_.h) <= kCornerTolerance;
  if (!left && !right) return false;
  const bool top = std::abs(point.v - position_.v) <= kCornerTolerance;
  const bool bottom = !top && std::abs(point.v - position_.v - size_.v) <= kCornerTolerance;
  if (!top && !bottom) return false;
  corner = static_cast<int16_t>((top ? 0 : 2) + (left ? 0 : 1));
  return true;
}

bool TGadget::ContainsPointInFrame(MacPoint point) const {
  const int dh = point.h - position_.h;
  const int dv = point.v - position_.v;
  return dh >= 0 && dh < size_.h && dv >= 0 && dv < size_.v;
}

bool TGadget::IntersectsRect(const MacRect& rect) const {
  const MacRect frame = GetFrame();
  MacRect common;
  return MacRect::Intersect(frame, rect, common) && common == frame;
}

void TGadget::BuildRegion(RegionRec* /*first*/, RegionRec* /*second*/, RegionRec* third,
                          int16_t code) {
  if (code == kSelectionCode) MergeFrameIntoRegion(GetFrame(), third);
}

void TGadget::MergeFrameIntoRegion(const MacRect& rect, RegionRec* region) const {
  if (region == nullptr) return;
  RegionRec* scratch = AllocRegion();
  RegionSetMacRect(scratch, rect);
  if (RegionMode())
    RegionUnion(region, scratch, region);
  else
    RegionDifference(region, scratch, region);
  FreeRegion(scratch);
}

void TGadget::MoveRectIntoRegion(const MacRect& rect, RegionRec* into, RegionRec* outOf) {
  RegionRec* piece = AllocRegion();
  RegionSetMacRect(piece, rect);
  if (into != nullptr) RegionUnion(into, piece, into);
  if (outOf != nullptr) RegionDifference(outOf, piece, outOf);
  FreeRegion(piece);
}

void TGadget::DrawSelection(bool was, bool is) const {
  if (was == is) return;
  MacRect handle(-2, -2, 3, 3);
  handle.Offset(position_.h, position_.v);
  PortInvertRect(handle);
  handle.Offset(static_cast<int16_t>(size_.h - 1), 0);
  PortInvertRect(handle);
  handle.Offset(0, static_cast<int16_t>(size_.v - 1));
  PortInvertRect(handle);
  handle.Offset(static_cast<int16_t>(-(size_.h - 1)), 0);
  PortInvertRect(handle);
}

void TGadget::Draw(const MacRect& area, uint16_t flags) {
  if ((flags & 1) != 0) {
    HDC dc = GetPortDC();
    if (dc == nullptr) return;
    HPEN grey = CreatePen(PS_SOLID, 1, RGB(128, 128, 128));
    HGDIOBJ oldPen = SelectObject(dc, grey);
    HGDIOBJ oldBrush = SelectObject(dc, GetStockObject(NULL_BRUSH));
    const MacRect frame = GetFrame();
    Rectangle(dc, frame.left, frame.top, frame.right, frame.bottom);
    SelectObject(dc, oldBrush);
    SelectObject(dc, oldPen);
    DeleteObject(grey);
    return;
  }
  SetPortFont(&GetFont());
  SetPortBackColor(kWhite);
  DrawContents(area);
  SelectSystemFont();
}

void TGadget::SetLinkedGadget(TLink* gadget) {
  if (gadget != nullptr && !gadget->IsMemberClass(kClassID)) return;
  SetDependent(linked_, gadget);
  linked_ = static_cast<TGadget*>(gadget);
}

void TGadget::ObjectRemoved(TLink* object) {
  if (object != nullptr && object == linked_) linked_ = nullptr;
  TSingleStyleLink::ObjectRemoved(object);
}

void TGadget::SetName(const Str255& name) {
  labelWidthValid_ = false;
  TSingleStyleLink::SetName(name);
  labelWidthValid_ = false;
}

void TGadget::SetShowName(bool on) {
  if (ShowsName() == on) return;
  Invalidate();
  TSingleStyleLink::SetFlagProperty(MakeTag("shoN"), on ? 1 : 0);
  labelWidthValid_ = false;
  Invalidate();
  AdjustSize();
  Changed();
}

void TGadget::TextStyleChanged() {
  labelWidthValid_ = false;
  FontInfoRec info;
  FontTextMetrics(GetFont(), info);
  SetLineMetrics(info.ascent, info.descent);
  AdjustSize();
}

void TGadget::InvalidateArea(const MacRect& area) const {
  if (GetOwner() != nullptr) GetOwner()->InvalidateArea(area);
}

bool TGadget::HasProperty(uint32_t tag) {
  if (tag == kTagMass) return false;
  if (tag == kGadgetTag) return true;
  return TSingleStyleLink::HasProperty(tag);
}

uint16_t TGadget::GetShortProperty(uint32_t tag, uint16_t& value, void* extra) {
  int16_t field = 0;
  switch (tag) {
    case kTagGadgetLeft:
      field = position_.h;
      break;
    case kTagGadgetTop:
      field = position_.v;
      break;
    case kTagGadgetWidth:
      field = size_.h;
      break;
    case kTagGadgetHeight:
      field = size_.v;
      break;
    default:
      return TSingleStyleLink::GetShortProperty(tag, value, extra);
  }
  value = static_cast<uint16_t>(field);
  return 1;
}

void TGadget::SetShortProperty(uint32_t tag, uint16_t value) {
  const auto v = static_cast<int16_t>(value);
  switch (tag) {
    case kTagGadgetLeft:
      MoveBy(MacPoint(static_cast<int16_t>(v - position_.h), 0));
      return;
    case kTagGadgetTop:
      MoveBy(MacPoint(0, static_cast<int16_t>(v - position_.v)));
      return;
    case kTagGadgetWidth:
      ResizeFromCorner(kCornerBottomRight, MacPoint(v, size_.v));
      return;
    case kTagGadgetHeight:
      ResizeFromCorner(kCornerBottomRight, MacPoint(size_.h, v));
      return;
    default:
      TSingleStyleLink::SetShortProperty(tag, value);
  }
}

uint32_t TGadget::TagForIndex(int16_t index) {
  if (index == kIndexLeft) return kTagGadgetLeft;
  if (index == kIndexTop) return kTagGadgetTop;
  return 0;
}

bool TGadget::GetNumberedValue(int16_t index, double& value) {
  const uint32_t tag = TagForIndex(index);
  if (tag == 0) return false;
  uint16_t raw = 0;
  GetShortProperty(tag, raw, nullptr);
  value = static_cast<int16_t>(raw);
  return true;
}

bool TGadget::SetNumberedValue(int16_t index, double value) {
  const uint32_t tag = TagForIndex(index);
  if (tag == 0) return false;
  // Out-of-range coordinates stop at the 16-bit limits instead of wrapping around.
  SetShortProperty(tag, static_cast<uint16_t>(ClampShort(std::floor(value))));
  return true;
}

uint16_t TGadget::CanReadBlock(int16_t code) {
  return code == kBlockGadgetPosition ? 1 : TSingleStyleLink::CanReadBlock(code);
}

uint16_t TGadget::ReadBlockContents(int16_t code, TObjectReader& reader) {
  if (code != kBlockGadgetPosition) return TSingleStyleLink::ReadBlockContents(code, reader);
  MacPoint point;
  reader.ReadIntPoint(point);
  MoveBy(MacPoint(static_cast<int16_t>(point.h - position_.h),
                  static_cast<int16_t>(point.v - position_.v)));
  return 1;
}

void TGadget::WriteBlockContents(int16_t code, TObjectWriter& writer) {
  if (code != kBlockGadgetPosition) {
    TSingleStyleLink::WriteBlockContents(code, writer);
    return;
  }
  writer.WriteIntPoint(position_);
}

void TGadget::WriteFields(TObjectWriter& writer) {
  writer.WriteBlock(*this, kBlockGadgetPosition);
  TSingleStyleLink::WriteFields(writer);
}

void TGadget::WriteClassTag(TObjectWriter& writer) {
  writer.WriteTag(kGadgetTag);
}

void RegisterGadgetClasses() {
  RegisterClassInfo("TGadget", kGadgetTag, TGadget::kClassID, CreateGadget, sizeof(TGadget));
}
