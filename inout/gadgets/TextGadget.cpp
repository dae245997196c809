// The text gadget: alignment, fitting the height to the text once, drawing, the end of an edit
// and the stored form of the text.
#include "inout/gadgets/TextGadget.h"

#include <algorithm>
#include <array>
#include <memory>
#include <utility>

#include "core/ClassRegistry.h"
#include "core/Handle.h"
#include "core/port/Port.h"
#include "core/port/PortRegion.h"
#include "core/port/PortText.h"
#include "model/filing/ObjectReader.h"
#include "model/filing/ObjectWriter.h"
#include "platform/win32/Dc.h"
#include "platform/win32/Font.h"
#include "platform/win32/GdiTypes.h"

namespace {

constexpr uint32_t kTagShowName = MakeTag("shoN");
constexpr uint32_t kTagSystem = MakeTag("syst");
constexpr uint32_t kTagLeft = MakeTag("left");
constexpr uint32_t kTagCentre = MakeTag("cent");
constexpr uint32_t kTagRight = MakeTag("righ");

// Stored alignment codes.
constexpr int16_t kStoredLeft = -2;
constexpr int16_t kStoredCentre = 1;
constexpr int16_t kStoredRight = -1;

// Windows byte and the byte documents store for it.
constexpr std::array<std::pair<uint8_t, uint8_t>, 4> kRecoded{
    {{0xB0, 0xA1}, {0xC5, 0x81}, {0xD8, 0xAF}, {0xF8, 0xBF}}};

bool AlignmentOfTag(uint32_t tag, int16_t& alignment) {
  switch (tag) {
    case kTagSystem:
    case kTagLeft:
      alignment = TTextGadget::kAlignLeft;
      return true;
    case kTagCentre:
      alignment = TTextGadget::kAlignCentre;
      return true;
    case kTagRight:
      alignment = TTextGadget::kAlignRight;
      return true;
    default:
      return false;
  }
}

UINT DrawFormat(int16_t alignment) {
  UINT format = DT_WORDBREAK | DT_NOPREFIX;
  if (alignment == TTextGadget::kAlignCentre) format |= DT_CENTER;
  if (alignment == TTextGadget::kAlignRight) format |= DT_RIGHT;
  return format;
}

struct HandleFree {
  void operator()(Handle handle) const { FreeHandleIfAny(handle); }
};

TObject* CreateTextGadget() {
  return new TTextGadget();
}

}  // namespace

TTextGadget::~TTextGadget() = default;

void TTextGadget::Initialize() {
  text_.clear();
  alignment_ = kAlignLeft;
  editing_ = false;
  TGadget::Initialize();
  heightFitted_ = false;
}

void TTextGadget::SetText(std::string text) {
  text_ = std::move(text);
  heightFitted_ = false;
  Invalidate();
}

MacRect TTextGadget::GetTextFrame() const {
  MacRect frame = GetFrame();
  frame.left = static_cast<int16_t>(frame.left + kTextInset);
  frame.top = static_cast<int16_t>(frame.top + kTextInset);
  frame.right = static_cast<int16_t>(frame.right - kTextInset);
  frame.bottom = static_cast<int16_t>(frame.bottom - kTextInset);
  return frame;
}

void TTextGadget::BeginEditing() {
  editing_ = true;
  Invalidate();
}

bool TTextGadget::EndEditing(const std::string& text, MacPoint size) {
  editing_ = false;
  SetSize(size);
  Invalidate();
  AdjustSize();
  Invalidate();
  if (text.empty()) return true;
  if (text != text_) {
    text_ = text;
    heightFitted_ = false;
    Changed();
  }
  return false;
}

void TTextGadget::BuildRegion(RegionRec* first, RegionRec* second, RegionRec* third,
                              int16_t code) {
  TGadget::BuildRegion(first, second, third, code);
  if (second == nullptr || IsShown() == 0) return;
  if (code != kTextAreaCode && !IsStateBit0Set()) return;
  MoveRectIntoRegion(GetTextFrame(), second, third);
}

void TTextGadget::DrawWindowSelection() {
  if (!editing_) TGadget::DrawWindowSelection();
}

int16_t TTextGadget::PlacedWidth(int16_t startH, int16_t h) {
  const int width = h - startH;
  return static_cast<int16_t>(width < kPlacedMinimumWidth + 1 ? kPlacedMinimumWidth : width);
}

void TTextGadget::ConstrainSize(MacPoint& size) {
  TGadget::ConstrainSize(size);
  size.v = std::max<int16_t>(size.v, static_cast<int16_t>(GetLineHeight() + 10));
}

void TTextGadget::TextStyleChanged() {
  TGadget::TextStyleChanged();
  heightFitted_ = false;
}

void TTextGadget::DrawContents(const MacRect& /*area*/) {
  if (editing_) return;
  HDC dc = GetPortDC();
  if (dc == nullptr) return;
  SetPortFont(&GetFont());
  const auto boxOf = [this] {
    MacRect r = GetFrame();
    RECT box{r.left + 4, r.top + 4, r.right - 8, r.bottom - 4};
    return box;
  };
  RECT box = boxOf();
  const int32_t oldMode = SetBkMode(dc, TRANSPARENT);
  const COLORREF oldColour = SetTextColor(dc, RGB16ToColorRef(GetTextColour()));
  if (!heightFitted_) {
    RECT measured = box;
    DrawText(dc, text_.data(), static_cast<int32_t>(text_.size()), &measured,
             DrawFormat(alignment_) | DT_CALCRECT);
    const int needed = GetLineHeight() + (measured.bottom - measured.top) + 4;
    if (GetSize().v < needed) SetSize(MacPoint(GetSize().h, static_cast<int16_t>(needed)));
    box = boxOf();
    heightFitted_ = true;
  }
  DrawText(dc, text_.data(), static_cast<int32_t>(text_.size()), &box, DrawFormat(alignment_));
  SetTextColor(dc, oldColour);
  SetBkMode(dc, oldMode);
  SelectSystemFont();
}

uint16_t TTextGadget::GetChoiceProperty(uint32_t tag, int16_t& value, void* extra) {
  int16_t alignment = 0;
  if (!AlignmentOfTag(tag, alignment)) return TGadget::GetChoiceProperty(tag, value, extra);
  value = alignment == alignment_ ? 1 : 0;
  return 1;
}

void TTextGadget::SelectChoice(uint32_t tag) {
  int16_t alignment = 0;
  if (!AlignmentOfTag(tag, alignment)) {
    TGadget::SelectChoice(tag);
    return;
  }
  alignment_ = alignment;
  if (!editing_) Invalidate();
}

uint16_t TTextGadget::GetFlagProperty(uint32_t tag, uint16_t& value, void* extra) {
  if (tag == kTagShowName) return 0;
  return TGadget::GetFlagProperty(tag, value, extra);
}

std::string TTextGadget::ToStored(const std::string& text) {
  std::string stored;
  stored.reserve(text.size());
  for (const char c : text) {
    if (c == '\n') continue;
    auto byte = static_cast<uint8_t>(c);
    for (const auto& [windows, mac] : kRecoded) {
      if (byte == windows) {
        byte = mac;
        break;
      }
    }
    stored.push_back(static_cast<char>(byte));
  }
  return stored;
}

std::string TTextGadget::FromStored(const std::string& stored) {
  std::string text;
  text.reserve(stored.size() + stored.size() / 8);
  for (const char c : stored) {
    auto byte = static_cast<uint8_t>(c);
    for (const auto& [windows, mac] : kRecoded) {
      if (byte == mac) {
        byte = windows;
        break;
      }
    }
    text.push_back(static_cast<char>(byte));
    if (byte == '\r') text.push_back('\n');
  }
  return text;
}

uint16_t TTextGadget::CanReadBlock(int16_t code) {
  if (code == kBlockTextGadgetFrame || code == kBlockTextGadgetText) return 1;
  return TGadget::CanReadBlock(code);
}

uint16_t TTextGadget::ReadBlockContents(int16_t code, TObjectReader& reader) {
  if (code == kBlockTextGadgetFrame) {
    MacPoint size;
    reader.ReadIntPoint(size);
    SetSize(size);
    switch (static_cast<int16_t>(reader.ReadInt())) {
      case kStoredRight:
        alignment_ = kAlignRight;
        break;
      case kStoredCentre:
        alignment_ = kAlignCentre;
        break;
      default:
        alignment_ = kAlignLeft;
    }
    return 1;
  }
  if (code == kBlockTextGadgetText) {
    const std::unique_ptr<HandleRec, HandleFree> stored(AllocHandleChecked(0));
    reader.ReadHandle(stored.get());
    text_ = FromStored(std::string(HandleData(stored.get()), GetHandleByteSize(stored.get())));
    heightFitted_ = false;
    return 1;
  }
  return TGadget::ReadBlockContents(code, reader);
}

void TTextGadget::WriteBlockContents(int16_t code, TObjectWriter& writer) {
  if (code == kBlockTextGadgetFrame) {
    writer.WriteIntPoint(GetSize());
    int16_t stored = 0;
    if (alignment_ == kAlignLeft) stored = kStoredLeft;
    if (alignment_ == kAlignCentre) stored = kStoredCentre;
    if (alignment_ == kAlignRight) stored = kStoredRight;
    writer.WriteCode(stored);
    return;
  }
  if (code == kBlockTextGadgetText) {
    const std::string stored = ToStored(text_);
    const std::unique_ptr<HandleRec, HandleFree> handle(
        NewHandleFromBytes(stored.data(), static_cast<uint32_t>(stored.size())));
    writer.WriteHandle(handle.get());
    return;
  }
  TGadget::WriteBlockContents(code, writer);
}

void TTextGadget::WriteFields(TObjectWriter& writer) {
  writer.WriteBlock(*this, kBlockTextGadgetFrame);
  writer.WriteBlock(*this, kBlockTextGadgetText);
  TGadget::WriteFields(writer);
}

void TTextGadget::WriteClassTag(TObjectWriter& writer) {
  writer.WriteTag(kTextGadgetTag);
}

void RegisterTextGadgetClass() {
  RegisterClassInfo("TTextGadget", kTextGadgetTag, TTextGadget::kClassID, CreateTextGadget,
                    sizeof(TTextGadget));
}
