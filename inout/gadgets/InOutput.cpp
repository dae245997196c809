// The label, column records and data-link references shared by inputs and meters.
#include "inout/gadgets/InOutput.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "core/port/PortText.h"
#include "model/filing/ObjectReader.h"
#include "model/filing/ObjectWriter.h"

namespace {

constexpr uint32_t kTagShowName = MakeTag("shoN");
constexpr uint32_t kTagLinked = MakeTag("exLi");
constexpr uint8_t kFirstMark = 0xA5;
constexpr uint8_t kSecondMark = 0xB0;

// The name, one blank and the number text of an object; empty without one.
std::string PlaceholderText(const TLink* object) {
  if (object == nullptr) return {};
  std::string text;
  if (const auto* named = dynamic_cast<const TNamedLink*>(object)) {
    const Str255& name = named->GetName();
    text.assign(name.Chars(), static_cast<size_t>(name.Length()));
  }
  text += ' ';
  const Str31& number = object->GetNumberText();
  text.append(number.Chars(), static_cast<size_t>(number.Length()));
  return text;
}

int32_t IdentifierOf(const TLink* object) {
  return object != nullptr ? object->GetIdentifier() : 0;
}

}  // namespace

TInOutput::~TInOutput() = default;

void TInOutput::Initialize() {
  labelBuilt_ = false;
  linkItem_ = nullptr;
  linkDocument_ = nullptr;
  spareFlag2_ = 0;
  target_ = TCellRecord();
  records_.fill(TCellRecord());
  TGadget::Initialize();
}

void TInOutput::BuildLabel() {
  label_ = GetDescription().IsEmpty() ? GetName() : GetDescription();
}

const Str255& TInOutput::GetLabel() {
  if (!labelBuilt_) {
    BuildLabel();
    labelBuilt_ = true;
  }
  return label_;
}

MacPoint TInOutput::GetContentSize() const {
  const MacRect r = GetContentFrame();
  return MacPoint(static_cast<int16_t>(r.right - r.left), static_cast<int16_t>(r.bottom - r.top));
}

void TInOutput::ExpandNamePlaceholders(const TLink* first, const TLink* second) {
  const std::string firstText = PlaceholderText(first);
  const std::string secondText = PlaceholderText(second);
  const Str255& name = GetName();
  std::string result;
  bool replaced = false;
  for (int i = 1; i <= name.Length(); ++i) {
    const uint8_t c = *name.CharAt(i);
    if (c == kFirstMark || c == '%') {
      result += firstText;
      replaced = true;
    } else if (c == kSecondMark || c == '^') {
      result += secondText;
      replaced = true;
    } else {
      result += static_cast<char>(c);
    }
  }
  if (!replaced) return;
  // A result longer than a name can hold keeps its first 255 characters.
  if (result.size() > 255) result.resize(255);
  Str255 expanded;
  expanded.Assign(result.c_str());
  SetName(expanded);
}

MacRect TInOutput::LabelRectFor(int16_t labelWidth) const {
  const MacRect frame = GetFrame();
  MacRect r = frame;
  r.bottom = r.top;
  r.top = static_cast<int16_t>(r.top - GetLineHeight());
  r.left = static_cast<int16_t>((frame.left + frame.right - labelWidth) / 2);
  r.right = static_cast<int16_t>(r.left + labelWidth);
  return r;
}

void TInOutput::BuildRegion(RegionRec* first, RegionRec* second, RegionRec* third,
                            int16_t code) {
  TGadget::BuildRegion(first, second, third, code);
  if (code == kSelectionCode) MergeFrameIntoRegion(GetLabelRect(), third);
}

MacRect TInOutput::GetLabelRect() {
  knownLabelWidth_ = GetLabelWidth();
  return LabelRectFor(knownLabelWidth_);
}

void TInOutput::DrawLabel() {
  const MacRect r = GetLabelRect();
  const int16_t width = GetLabelWidth();
  const int baseline = (GetAscent() + r.top + r.bottom - GetDescent()) / 2;
  const int start = (r.left + r.right - width) / 2;
  PortMoveTo(start, baseline);
  SetPortFont(&GetFont());
  PortDrawPString(GetName());
}

void TInOutput::SetLinkItem(TLink* item) {
  linkItem_ = item;
  labelBuilt_ = false;
  if (auto* link = dynamic_cast<TCellLink*>(item)) link->ServeObject(this);
}

void TInOutput::ClearLinkItem(TLink* item) {
  if (item != nullptr && item == linkItem_) {
    SetDependent(linkItem_, nullptr);
    linkItem_ = nullptr;
  }
  labelBuilt_ = false;
}

void TInOutput::SetLinkDocument(TLink* document) {
  if (document == linkDocument_) return;
  linkDocument_ = document;
  if (document != nullptr) AddDependent(document);
}

void TInOutput::GetColumnRecord(Str255& name, int16_t& index, int16_t& linked) const {
  const int i = std::clamp<int>(index, 0, kRecordCount - 1);
  const TCellRecord& record = Record(i);
  name = record.name;
  linked = record.linked;
  index = record.index;
}

void TInOutput::SetColumnRecord(const Str255& name, int16_t index, int16_t linked) {
  // An index outside the six records would write past them: such a call changes nothing.
  if (index < 0 || index >= kRecordCount) return;
  TCellRecord& record = Record(index);
  record.name = name;
  record.index = index;
  record.linked = linked;
}

bool TInOutput::NamesMatlab(const Str255& documentName) {
  const std::string name(documentName.Chars(), static_cast<size_t>(documentName.Length()));
  return name.find("matlab") != std::string::npos;
}

bool TInOutput::ContainsPoint(MacPoint point) {
  if (ContainsPointInFrame(point)) return true;
  if (!ShowsName()) return false;
  const MacRect r = GetLabelRect();
  return point.h >= r.left && point.h <= r.right && point.v >= r.top && point.v <= r.bottom;
}

MacRect TInOutput::GetInvalidFrame() const {
  MacRect frame = TGadget::GetInvalidFrame();
  if (!ShowsName()) return frame;
  const MacRect label = LabelRectFor(knownLabelWidth_);
  frame.top = std::min(frame.top, label.top);
  frame.left = std::min(frame.left, label.left);
  frame.right = std::max(frame.right, label.right);
  return frame;
}

void TInOutput::SetSize(MacPoint size) {
  TGadget::SetSize(size);
  LayoutForSize();
}

void TInOutput::SetName(const Str255& name) {
  if (ShowsName()) InvalidateArea(GetLabelRect());
  TGadget::SetName(name);
  labelBuilt_ = false;
  if (ShowsName()) InvalidateArea(GetLabelRect());
}

uint16_t TInOutput::GetFlagProperty(uint32_t tag, uint16_t& value, void* extra) {
  if (tag == kTagLinked) {
    value = HasLinkedColumns() ? 1 : 0;
    return 1;
  }
  return TGadget::GetFlagProperty(tag, value, extra);
}

void TInOutput::SetFlagProperty(uint32_t tag, uint16_t value) {
  if (tag == kTagShowName) {
    SetShowName(value != 0);
    return;
  }
  TGadget::SetFlagProperty(tag, value);
}

void TInOutput::ObjectRemoved(TLink* object) {
  TGadget::ObjectRemoved(object);
  if (object == nullptr) return;
  if (object == linkItem_) {
    linkItem_ = nullptr;
    labelBuilt_ = false;
  }
  if (object == linkDocument_) {
    records_.fill(TCellRecord());
    target_ = TCellRecord();
    linkDocument_ = nullptr;
  }
}

uint16_t TInOutput::CanReadBlock(int16_t code) {
  switch (code) {
    case kBlockLinkItem:
    case kBlockLinkDocument:
    case kBlockOldLabelPoints:
    case kBlockOldLinkName:
      return 1;
    default:
      return TGadget::CanReadBlock(code);
  }
}

uint16_t TInOutput::ReadBlockContents(int16_t code, TObjectReader& reader) {
  switch (code) {
    case kBlockLinkItem:
    case kBlockLinkDocument:
      reader.ReadReference(*this, 0);
      return 1;
    case kBlockOldLabelPoints: {
      MacPoint ignored;
      reader.ReadIntPoint(ignored);
      reader.ReadIntPoint(ignored);
      return 1;
    }
    case kBlockOldLinkName: {
      Str255 ignored;
      reader.ReadString(ignored);
      reader.ReadInt();
      reader.ReadInt();
      reader.ReadString(ignored);
      return 1;
    }
    default:
      return TGadget::ReadBlockContents(code, reader);
  }
}

void TInOutput::ResolveReference(TObjectReader& reader, int16_t code, uint16_t kind,
                                 TLink* object) {
  if (code == kBlockLinkItem) {
    if (object != nullptr && object->IsMemberClass(kLinkItemClass)) SetLinkItem(object);
    return;
  }
  if (code == kBlockLinkDocument) {
    if (object != nullptr && object->IsMemberClass(kExternalTableClass)) SetLinkDocument(object);
    return;
  }
  TGadget::ResolveReference(reader, code, kind, object);
}

void TInOutput::WriteBlockContents(int16_t code, TObjectWriter& writer) {
  switch (code) {
    case kBlockLinkItem:
      writer.WriteCode(IdentifierOf(linkItem_));
      return;
    case kBlockLinkDocument:
      writer.WriteCode(IdentifierOf(linkDocument_));
      return;
    default:
      TGadget::WriteBlockContents(code, writer);
  }
}

void TInOutput::WriteFields(TObjectWriter& writer) {
  writer.WriteBlock(*this, kBlockLinkItem);
  writer.WriteBlock(*this, kBlockLinkDocument);
  TGadget::WriteFields(writer);
}
