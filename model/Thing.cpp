#include "model/Thing.h"

#include <algorithm>
#include <cstring>

#include "core/ClassRegistry.h"
#include "core/MenuCommands.h"
#include "core/Resources.h"
#include "core/geometry/Rounding.h"
#include "core/port/PortRegion.h"
#include "core/port/PortText.h"
#include "model/filing/ObjectReader.h"
#include "model/filing/ObjectWriter.h"
#include "model/world/WorldDoc.h"
#include "model/world/WorldEditCheck.h"

namespace {

constexpr uint32_t kTagColour = MakeTag("colr");
constexpr uint32_t kTagTrackMarks = MakeTag("trk_");
constexpr uint32_t kTagTrackLine = MakeTag("trkL");
constexpr uint32_t kPositionTags[] = {MakeTag("p2_x"), MakeTag("p2_y"), MakeTag("p__x"),
                                      MakeTag("p__y"), MakeTag("p__r"), MakeTag("p_Wx"),
                                      MakeTag("p_Wy"), MakeTag("p_Wr"), MakeTag("fTwx")};

constexpr RGB16Color kBlack{0, 0, 0};
constexpr int16_t kOriginTextList = 1200;
constexpr int16_t kOriginTextItem = 5;

TObject* NewThing() {
  return new TThing;
}

}  // namespace

void RegisterThingClasses() {
  RegisterClassInfo("TThing", TThing::kTag, TThing::kClassID, NewThing, sizeof(TThing));
}

void TThing::Initialize() {
  trackMarks_ = 0;
  trackLine_ = 0;
  colour_ = RGB16Color();
  colourIsDefault_ = 1;
  TSingleStyleLink::Initialize();
}

bool TThing::OffersOwnCommands() const {
  const TWorldDoc* world = WorldOf(*this);
  if (world == nullptr || world->GetPlayerMode() != 0) return false;
  const std::vector<TLink*>& selection = world->Selection();
  return std::find(selection.begin(), selection.end(), this) != selection.end();
}

void TThing::DoSetupMenus() {
  TSingleStyleLink::DoSetupMenus();
  const int16_t dialog = GetObjectKindCode();
  if (dialog != 0 && OffersOwnCommands()) EnableMenuCommand(dialog, true);
}

void TThing::ApplyColourValue(const RGB16Color& colour) {
  colour_ = colour;
  colourIsDefault_ = colour == RGB16Color() ? 1 : 0;
}

uint16_t TThing::GetFlagProperty(uint32_t tag, uint16_t& value, void* extra) {
  if (tag == kTagTrackLine) {
    value = trackLine_;
    return 1;
  }
  if (tag == kTagTrackMarks) {
    value = trackMarks_;
    return 1;
  }
  return TSingleStyleLink::GetFlagProperty(tag, value, extra);
}

void TThing::SetFlagProperty(uint32_t tag, uint16_t value) {
  if (tag == kTagTrackLine) {
    if (value == trackLine_) return;
    trackLine_ = value;
  } else if (tag == kTagTrackMarks) {
    trackMarks_ = value;
  } else {
    TSingleStyleLink::SetFlagProperty(tag, value);
    return;
  }
  if (value != 0 && GetOwner() != nullptr) GetOwner()->TrackingEnabled();
  Changed();
}

uint16_t TThing::GetColourProperty(uint32_t tag, RGB16Color& value, void* extra) {
  if (tag != kTagColour) return TSingleStyleLink::GetColourProperty(tag, value, extra);
  value = colour_;
  return 1;
}

void TThing::SetColourProperty(uint32_t tag, const RGB16Color& value) {
  if (tag != kTagColour) {
    TSingleStyleLink::SetColourProperty(tag, value);
    return;
  }
  ApplyColourValue(value);
  Changed();
}

void TThing::ReportPropertyBlocks(uint32_t tag, uint16_t& found, BlockCallback blockCallback,
                                  ObjectCallback objectCallback, void* blockContext,
                                  void* objectContext) {
  // The colour lives in a block of its own, so a colour change saves only that block for undo.
  if (tag == kTagColour) {
    blockCallback(kBlockThingColour, blockContext);
    return;
  }
  for (uint32_t position : kPositionTags) {
    if (tag != position) continue;
    ReportPositionBlocks(blockCallback, blockContext);
    objectCallback(objectContext);
    return;
  }
  TSingleStyleLink::ReportPropertyBlocks(tag, found, blockCallback, objectCallback, blockContext,
                                         objectContext);
}

uint16_t TThing::ReadBlockContents(int16_t code, TObjectReader& reader) {
  if (code != kBlockThingColour) return TSingleStyleLink::ReadBlockContents(code, reader);
  RGB16Color colour;
  reader.ReadColor(colour);
  ApplyColourValue(colour);
  return 1;
}

void TThing::WriteBlockContents(int16_t code, TObjectWriter& writer) {
  if (code != kBlockThingColour) {
    TSingleStyleLink::WriteBlockContents(code, writer);
    return;
  }
  writer.WriteColor(colour_);
}

void TThing::WriteFields(TObjectWriter& writer) {
  writer.WriteBlock(*this, kBlockThingColour);
  TSingleStyleLink::WriteFields(writer);
}

void TThing::Draw(const MacRect& area, uint16_t flags) {
  const MacRect copy = area;
  ApplyColour(static_cast<uint8_t>(flags));
  DrawShape(copy, flags);
  TSingleStyleLink::Draw(copy, flags);
  if (IsNameShown() != 0 && (flags & 1) == 0) DrawNameLabel();
  SelectSystemFont();
}

void TThing::UseOwnColour() {
  GetDisplayColour(colour_);
  SetPortBackColor(colour_);
}

void TThing::ApplyColour(uint8_t flags) {
  if ((flags & 8) != 0) {
    UseOwnColour();
    return;
  }
  if (colourIsDefault_ == 0) SetPortBackColor(colour_);
}

void TThing::DrawNameLabel() {
  RGB16Color fore, back;
  GetPortForeColor(fore);
  GetPortBackColor(back);
  SetPortBackColor(kBlack);
  // The name is drawn without a background, in the text colour of the object's style: white
  // letters would vanish on the white world.
  SetPortForeColor(GetTextColour());
  QV_CPoint anchor;
  GetLabelAnchor(anchor);
  const QV_CPoint at = anchor + GetLabelOffset();
  PortMoveTo(at.h, at.v);
  PortDrawPString(GetName());
  SetPortForeColor(fore);
  SetPortBackColor(back);
}

void TThing::DrawTrackMark(const MacRect& area, uint16_t flags) {
  DrawTrackLine(area, flags);
  if (trackMarks_ == 0) return;
  QV_CPoint point;
  GetTrackPoint(point);
  if (!MacRectContainsPoint(area, point.Packed())) return;
  UseOwnColour();
  PortSetPenSize(2, 2);
  PortMoveTo(point.h - 1, point.v - 1);
  RecordPolygonPoint(point.h - 1, point.v - 1);  // a line of length zero: a dot of the pen
  PortSetPenSize(1, 1);
}

void TThing::DrawTrackLine(const MacRect&, uint16_t suppress) {
  QV_CPoint current;
  GetTrackPoint(current);
  if (trackLine_ != 0 && suppress == 0 && lastTrackPoint_.has_value() &&
      *lastTrackPoint_ != current) {
    UseOwnColour();
    PortMoveTo(lastTrackPoint_->h, lastTrackPoint_->v);
    RecordPolygonPoint(current.h, current.v);
  }
  lastTrackPoint_ = current;
}

void TThing::DrawLabelledCross(const MacPoint& p) {
  PortMoveTo(p.h - 5, p.v);
  RecordPolygonPoint(p.h + 9, p.v);
  PortMoveTo(p.h, p.v - 5);
  RecordPolygonPoint(p.h, p.v + 9);
  FontSpec saved;
  RGB16Color savedColour;
  GetPortFont(saved, savedColour);
  // The default style is loaded on first use; the label must not take the empty record (face 0,
  // whatever face that is) when it is the first text drawn.
  GetDefaultFontSize();
  FontSpec font = DefaultFont();
  if (font.size == 0) font.size = 9;
  SetPortFont(&font);
  Str255 text;
  GetIndString(text, kOriginTextList, kOriginTextItem);
  FontInfoRec metrics;
  GetPortFontMetrics(metrics);
  PortMoveTo(p.h + 3, p.v + metrics.ascent + metrics.descent + 3);
  PortDrawPString(text);
  SetPortFont(&saved);
}

void TThing::GetPlacement(TVector3& placement) {
  placement = TVector3(0.0, 0.0, 0.0);
  LocalToWorld3(placement);
}

void TThing::GetPosition(TVector& position) {
  position = TVector(0.0, 0.0);
  LocalToWorld(position);
}

void TThing::LocalPointToWorld3(const MacPoint& p, TVector3& out) {
  Transform2D frame;
  GetReferenceFrame(frame);
  const double x0 = p.h;
  const double y0 = -static_cast<double>(p.v);
  out.x = x0 * frame.cosine - y0 * frame.sine + frame.tx;
  out.y = x0 * frame.sine + y0 * frame.cosine + frame.ty;
  out.r = frame.angle;
}

void TThing::LocalPointToWorld(const MacPoint& p, TVector& out) {
  TVector3 full;
  LocalPointToWorld3(p, full);
  out = TVector(full.x, full.y);
}

void TThing::WorldToScreenOwn(const TVector& point, MacPoint& out) {
  Transform2D draw;
  GetDrawTransform(draw);
  Transform2D::ToScreenPoint(draw, point, out);
}

void TThing::WorldToScreen(const TVector& point, MacPoint& out) {
  const std::optional<MacPoint> mapped =
      GetOwner() != nullptr ? GetOwner()->WorldToScreen(point) : std::nullopt;
  if (mapped) {
    out = *mapped;
    return;
  }
  WorldToScreenOwn(point, out);
}

void TThing::SnapInFrame(TVector& point) {
  WorldToLocal(point);
  SnapToGrid(point);
  LocalToWorld(point);
}

uint16_t TThing::GetLocalBounds(TDoubleRect& bounds) {
  TVector reference;
  GetReferencePoint(reference);
  bounds = TDoubleRect(reference.x, reference.y, reference.x, reference.y);
  return 1;
}

void TThing::SnapToGrid(TVector& point) {
  if (GetOwner() == nullptr) return;
  const double step = GetOwner()->GridSpacing();
  SnapToMultiple(point.x, step);
  SnapToMultiple(point.y, step);
}

void TThing::SnapAngle(double& angle) {
  if (GetOwner() == nullptr) return;
  const double step = GetOwner()->AngleStep();
  if (step == 0.0) return;
  const double base = GetBaseAngle();
  angle = SnappedToMultiple(angle - base, step) + base;
}

uint16_t TThing::GetBounds(TDoubleRect& bounds) {
  TVector position;
  GetPosition(position);
  bounds = TDoubleRect(position.x, position.y, position.x, position.y);
  return 1;
}

void TThing::GetPlacementRelativeTo(TThing* other, TVector3& out) {
  if (other == this) {
    out = TVector3(0.0, 0.0, 0.0);
    return;
  }
  GetPlacement(out);
  if (other != nullptr) other->WorldToLocal3(out);
}

void TThing::GetPositionRelativeTo(TThing* other, TVector& out) {
  if (other == this) {
    out = TVector(0.0, 0.0);
    return;
  }
  GetPosition(out);
  if (other != nullptr) other->WorldToLocal(out);
}

uint16_t TThing::GetHotPoint(int16_t, TVector& point) {
  point = TVector(0.0, 0.0);
  return 0;
}

void TThing::GetHotPointRect(int16_t index, MacRect& rect) {
  MacPoint p;
  if (GetHotPointOnScreen(index, p) == 0) return;
  rect = MacRect(static_cast<int16_t>(p.h - 3), static_cast<int16_t>(p.v - 3),
                 static_cast<int16_t>(p.h + 3), static_cast<int16_t>(p.v + 3));
}

uint16_t TThing::GetHotPointInWorld(int16_t index, TVector& point) {
  if (GetHotPoint(index, point) == 0) return 0;
  LocalToWorld(point);
  return 1;
}

uint16_t TThing::GetHotPointOnScreen(int16_t index, MacPoint& point) {
  TVector world;
  if (GetHotPointInWorld(index, world) == 0) return 0;
  WorldToScreen(world, point);
  return 1;
}

namespace {

// One record of an "hpAE" resource read from bytes, or none when the bytes run out.
bool ReadCounted(const uint8_t*& at, const uint8_t* end, Str255& out) {
  if (at >= end) return false;
  const size_t length = *at;
  if (static_cast<size_t>(end - at) < 1 + length) return false;
  out = Str255();
  for (size_t i = 0; i < length; ++i)
    out.AppendChar(static_cast<char>(at[1 + i]));
  at += 1 + length;
  return true;
}

}  // namespace

uint16_t TThing::GetScriptPointNames(int16_t code, int32_t& foundCode, Str255& name1,
                                     Str255& name2) {
  if (HasScriptPoints() == 0) return 0;
  Handle resource = GetResourceHandle(MakeTag("hpAE"), GetScriptPointResource());
  if (resource == nullptr) return 0;
  const auto* at = reinterpret_cast<const uint8_t*>(HandleData(resource));
  const uint8_t* end = at + GetHandleByteSize(resource);
  uint16_t answer = 0;
  uint16_t count = 0;
  if (end - at >= 2) {
    std::memcpy(&count, at, 2);
    at += 2;
  }
  for (uint16_t i = 0; i < count && end - at >= 2; ++i) {
    int16_t recordCode;
    std::memcpy(&recordCode, at, 2);
    at += 2;
    Str255 first, second;
    if (!ReadCounted(at, end, first) || !ReadCounted(at, end, second)) break;
    if (recordCode != code) continue;
    const Str255 bullet("\xA5");
    first.ReplaceAllCopy(bullet, GetDescription());
    second.ReplaceAllCopy(bullet, GetDescription());
    foundCode = recordCode;
    name1 = first;
    name2 = second;
    answer = 1;
    break;
  }
  ReleaseResourceHandle(resource);
  return answer;
}

TThing* TThing::FirstPartThat(PartTest test, void* data) {
  struct Search {
    PartTest test;
    void* data;
    TThing* found = nullptr;
  } search{test, data};
  ForEachPart(
      [](TThing* part, void* context) {
        auto* s = static_cast<Search*>(context);
        if (s->found == nullptr && s->test(part, s->data)) s->found = part;
      },
      &search);
  return search.found;
}
