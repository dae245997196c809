// Action buttons: caption from the action list, sizing, drawing, the press and what it performs,
// and their blocks.
#include "inout/gadgets/ActionButton.h"

#include <algorithm>
#include <cstring>

#include "core/ClassRegistry.h"
#include "core/MouseButton.h"
#include "core/Resources.h"
#include "core/port/Port.h"
#include "core/port/PortShapes.h"
#include "core/port/PortText.h"
#include "inout/gadgets/PictGadget.h"
#include "inout/gadgets/TextGadget.h"
#include "model/filing/ObjectReader.h"
#include "model/filing/ObjectWriter.h"
#include "platform/win32/WindowMessages.h"

namespace {

constexpr uint32_t kTagShowName = MakeTag("shoN");
constexpr uint32_t kTagName = MakeTag("name");
constexpr uint32_t kTagColour = MakeTag("colr");
constexpr RGB16Color kGrey{127 * 257, 127 * 257, 127 * 257};
constexpr RGB16Color kBlack{0, 0, 0};
constexpr int kRecordSize = 32;
constexpr int kRecordNameSize = 30;
constexpr int16_t kListEnd = -777;
// Scripts-menu commands are stored as this minus the command, a negative number.
constexpr int16_t kScriptStoreBase = 5679;

TActionHost* gHost = nullptr;

bool FaceContains(const MacRect& r, MacPoint p) {
  return p.h >= r.left && p.h <= r.right && p.v >= r.top && p.v <= r.bottom;
}

// The name of the first record of the list whose number is command; the walk stops at the end
// marker and never runs past the resource's bytes.
bool FindInActionList(int16_t command, Str255& name) {
  Handle list = GetResourceHandle(kActionListType, kActionListId);
  if (list == nullptr) return false;
  const auto* bytes = reinterpret_cast<const uint8_t*>(HandleData(list));
  const uint32_t size = GetHandleByteSize(list);
  bool found = false;
  for (uint32_t at = 0; at + kRecordSize <= size; at += kRecordSize) {
    const uint8_t* record = bytes + at;
    const auto number = static_cast<int16_t>(record[30] | (record[31] << 8));
    if (number == kListEnd) break;
    if (number != command) continue;
    int length = 0;
    while (length < kRecordNameSize - 1 && record[length] != 0) ++length;
    while (length > 0 && record[length - 1] == ' ') --length;
    name = Str255();
    for (int i = 0; i < length; ++i) name.AppendChar(static_cast<char>(record[i]));
    found = true;
    break;
  }
  ReleaseResourceHandle(list);
  return found;
}

// Replaces every "^O" of text by path; true when one was replaced.
MacRect Grown(MacRect rect, int16_t by) {
  rect.left = static_cast<int16_t>(rect.left - by);
  rect.top = static_cast<int16_t>(rect.top - by);
  rect.right = static_cast<int16_t>(rect.right + by);
  rect.bottom = static_cast<int16_t>(rect.bottom + by);
  return rect;
}

bool ReplaceDocumentMark(Str255& text, const Str255& path) {
  bool replaced = false;
  Str255 out;
  for (int i = 0; i < text.Length(); ++i) {
    if (text.Chars()[i] == '^' && i + 1 < text.Length() && text.Chars()[i + 1] == 'O') {
      out.Append(path);
      replaced = true;
      ++i;
      continue;
    }
    out.AppendChar(text.Chars()[i]);
  }
  if (replaced) text = out;
  return replaced;
}

TObject* CreateActionButton() {
  return new TActionButton();
}

TObject* CreateOpenActionButton() {
  return new TOpenActionButton();
}

}  // namespace

// ---- TActionButton ----

TActionButton::~TActionButton() = default;

void TActionButton::SetHost(TActionHost* host) {
  gHost = host;
}

TActionHost* TActionButton::Host() {
  return gHost;
}

void TActionButton::Initialize() {
  enabled_ = true;
  command_ = kCommandRun;
  buttonText_ = Str255();
  pressed_ = false;
  colour_ = RGB16Color{65535, 65535, 65535};
  fixedSize_ = MacPoint();
  skipChangeCount_ = false;
  TGadget::Initialize();
  TSingleStyleLink::SetFlagProperty(kTagShowName, 1);
}

void TActionButton::SetCommand(int16_t command) {
  command_ = command;
  UpdateCaption();
}

void TActionButton::SetButtonText(const Str255& text, bool adjust) {
  if (text == buttonText_) return;
  buttonText_ = text;
  if (adjust && !ShowsName()) {
    AdjustSize();
    Changed();
  }
}

bool TActionButton::LookupCommandName(int16_t command, Str255& name) {
  if (command > kFirstScriptCommand - 1 && command < kLastScriptCommand + 2 && gHost != nullptr &&
      gHost->ScriptName(*this, static_cast<int16_t>(command - (kFirstScriptCommand - 1)), name))
    return true;
  name = "Not Found.";
  return FindInActionList(command, name);
}

bool TActionButton::UpdateCaption() {
  int16_t command = command_;
  if (command == kCommandRunOrStop) {
    command = kCommandRun;
    if (gHost != nullptr && gHost->IsRunning(*this)) command = kCommandStop;
  }
  Str255 name;
  if (!LookupCommandName(command, name) || name.IsEmpty() || name == buttonText_) return false;
  SetButtonText(name, false);
  return true;
}

void TActionButton::BuildRegion(RegionRec* first, RegionRec* second, RegionRec* third,
                                int16_t code) {
  TGadget::BuildRegion(first, second, third, code);
  if (first == nullptr || IsShown() == 0 || !enabled_) return;
  MoveRectIntoRegion(GetFaceRect(), first, third);
}

MacRect TActionButton::GetFaceRect() const {
  const MacPoint size = GetSize();
  MacRect face(kMargin, kMargin, static_cast<int16_t>(size.h - kMargin),
               static_cast<int16_t>(size.v - kMargin));
  face.Offset(GetPosition().h, GetPosition().v);
  return face;
}

bool TActionButton::IntersectsFace(const MacRect& rect) const {
  MacRect common;
  return MacRect::Intersect(GetFaceRect(), rect, common);
}

void TActionButton::SetName(const Str255& name) {
  TGadget::SetName(name);
  if (!ShowsName()) return;
  AdjustSize();
  Invalidate();
}

void TActionButton::SetShowName(bool on) {
  TGadget::SetShowName(on);
  AdjustSize();
}

void TActionButton::ConstrainSize(MacPoint& size) {
  if (fixedSize_ != MacPoint()) {
    size = fixedSize_;
    return;
  }
  int h = std::max(size.h - 2 * kMargin, 0);
  int v = std::max(size.v - 2 * kMargin, 0);
  v &= ~1;
  v = std::max(v, GetAscent() + GetDescent() + 4);
  h &= ~1;
  if (!ShowsName()) {
    SetPortFont(&GetFont());
    const int w = std::max<int>(PortStringWidth(buttonText_), PortStringWidth(Str255("Reset")));
    SelectSystemFont();
    h = std::max(h, 3 * w / 2);
  } else {
    h = std::max(h, GetLabelWidth() + 12);
  }
  size = MacPoint(static_cast<int16_t>(h + 2 * kMargin), static_cast<int16_t>(v + 2 * kMargin));
}

bool TActionButton::TrackClick(int16_t phase, MacPoint point, bool inside) {
  if (phase == 0) {
    pressed_ = true;
    return true;
  }
  if (phase == 1) {
    if (!inside) return false;
    const bool now = FaceContains(GetFaceRect(), point);
    if (now == pressed_) return false;
    pressed_ = now;
    return true;
  }
  if (pressed_) {
    pressed_ = false;
    Perform();
  }
  return true;
}

bool TActionButton::TrackingDone() {
  return !IsMouseButtonDown();
}

bool TActionButton::HitsControl(MacPoint point) {
  return FaceContains(GetFaceRect(), point);
}

void TActionButton::UpdateControlState() {
  if (IsShown() == 0) return;
  bool redraw = false;
  const bool enabled = command_ < 0 || gHost == nullptr || gHost->IsCommandEnabled(command_);
  if (enabled != enabled_) {
    enabled_ = enabled;
    redraw = true;
    Changed();
  }
  if (!ShowsName() && UpdateCaption()) redraw = true;
  if (redraw) Invalidate();
}

void TActionButton::PostMenuCommand(TActionHost& host, int16_t command) {
  TCommandCore* made = host.MakeMenuCommand(command);
  if (made == nullptr) made = host.MakeMenuCommand(static_cast<int16_t>(command + kMenuIdentifierBit));
  if (made != nullptr) host.PostCommand(made);
}

void TActionButton::Perform() {
  if (gHost == nullptr) return;
  const bool skip = TakeSkipFlag();
  if (command_ == kCommandClose && !skip) gHost->ClearChangeCount(*this);
  PostMenuCommand(*gHost, command_);
  gHost->UpdateWorldView(*this);
}

void TActionButton::DrawContents(const MacRect& /*area*/) {
  MacRect face = GetFaceRect();
  SetPortBackColor(colour_);
  MacRect fill = face;
  fill.right = static_cast<int16_t>(fill.right + 1);
  fill.bottom = static_cast<int16_t>(fill.bottom + 1);
  fill = Grown(fill, -1);
  SetPortForeColor(colour_);
  PortPaintRoundRect(fill, 10, 10);
  SetPortForeColor(kBlack);
  MacRect outline = Grown(fill, 1);
  outline.right = static_cast<int16_t>(outline.right - 1);
  outline.bottom = static_cast<int16_t>(outline.bottom - 1);
  PortFrameRoundRect(outline, 12, 12);
  const Str255& caption = ShowsName() ? GetName() : buttonText_;
  const int width = PortStringWidth(caption);
  const MacPoint position = GetPosition();
  PortMoveTo(position.h + (GetSize().h - width) / 2,
             position.v + (GetAscent() + GetSize().v - GetDescent()) / 2);
  SetPortForeColor(enabled_ ? kBlack : kGrey);
  PortDrawPString(caption);
  SetPortForeColor(kBlack);
  if (pressed_) PortInvertRoundRect(face, 10, 10);
}

uint16_t TActionButton::GetFlagProperty(uint32_t tag, uint16_t& value, void* extra) {
  if (tag != kTagShowName) return TGadget::GetFlagProperty(tag, value, extra);
  value = 1;
  if (extra != nullptr) *static_cast<uint16_t*>(extra) = 0;
  return 1;
}

uint16_t TActionButton::GetColourProperty(uint32_t tag, RGB16Color& value, void* extra) {
  if (tag != kTagColour) return TGadget::GetColourProperty(tag, value, extra);
  value = colour_;
  return 1;
}

void TActionButton::SetColourProperty(uint32_t tag, const RGB16Color& value) {
  if (tag != kTagColour) {
    TGadget::SetColourProperty(tag, value);
    return;
  }
  colour_ = value;
  Invalidate();
}

uint16_t TActionButton::GetStringProperty(uint32_t tag, Str255& value, void* extra) {
  if (tag == kTagName && !ShowsName()) {
    value = buttonText_;
    return 1;
  }
  return TGadget::GetStringProperty(tag, value, extra);
}

void TActionButton::SetStringProperty(uint32_t tag, const Str255& value) {
  if (tag == kTagName && !ShowsName()) return;
  TGadget::SetStringProperty(tag, value);
}

uint16_t TActionButton::CanReadBlock(int16_t code) {
  return code == kBlockActionButton ? 1 : TGadget::CanReadBlock(code);
}

uint16_t TActionButton::ReadBlockContents(int16_t code, TObjectReader& reader) {
  if (code != kBlockActionButton) {
    // Style and name blocks of the bases must not resize a button whose size was read.
    fixedSize_ = GetSize();
    const uint16_t read = TGadget::ReadBlockContents(code, reader);
    if (code != kBlockShortRecord) fixedSize_ = MacPoint();
    return read;
  }
  MacPoint size;
  reader.ReadIntPoint(size);
  auto command = static_cast<int16_t>(reader.ReadInt());
  if (command < 0) command = static_cast<int16_t>(kScriptStoreBase - command);
  SetCommand(command);
  reader.ReadColor(colour_);
  if (size != MacPoint()) {
    fixedSize_ = MacPoint();
    SetSize(size);
  }
  return 1;
}

void TActionButton::WriteBlockContents(int16_t code, TObjectWriter& writer) {
  if (code != kBlockActionButton) {
    TGadget::WriteBlockContents(code, writer);
    return;
  }
  writer.WriteIntPoint(GetSize());
  int16_t stored = command_;
  if (command_ >= kFirstScriptCommand && command_ <= kLastScriptCommand)
    stored = static_cast<int16_t>(kScriptStoreBase - command_);
  writer.WriteCode(stored);
  writer.WriteColor(colour_);
}

void TActionButton::WriteFields(TObjectWriter& writer) {
  writer.WriteBlock(*this, kBlockActionButton);
  TGadget::WriteFields(writer);
}

void TActionButton::WriteClassTag(TObjectWriter& writer) {
  writer.WriteTag(kActionButtonTag);
}

// ---- TOpenActionButton ----

TOpenActionButton::~TOpenActionButton() = default;

void TOpenActionButton::Initialize() {
  pending_ = false;
  closeCurrent_ = true;
  document_ = TActionDocument();
  pendingVolume_ = 0;
  pendingDirectory_ = 0;
  pendingName_ = Str255();
  TActionButton::Initialize();
  SetShowName(true);
}

void TOpenActionButton::CaptionFromCommand(int16_t command) {
  Str255 name;
  LookupCommandName(command, name);
  if (ReplaceDocumentMark(name, document_.path)) SetButtonText(name, true);
}

void TOpenActionButton::RefreshOpenCaption(const TActionDocument& document) {
  document_ = document;
  pending_ = false;
  CaptionFromCommand(GetCommand());
}

void TOpenActionButton::SetPendingDocument(int16_t volume, int32_t directory,
                                           const Str255& name) {
  pendingVolume_ = volume;
  pendingDirectory_ = directory;
  pendingName_ = name;
  pending_ = true;
}

void TOpenActionButton::GetDisplayName(Str255& name) const {
  GetIndString(name, kOpenButtonNameList, closeCurrent_ ? 1 : 2);
  name.Append(document_.path);
  Str255 tail;
  GetIndString(tail, kOpenButtonNameList, 3);
  name.Append(tail);
}

void TOpenActionButton::Perform() {
  TActionHost* host = Host();
  if (host == nullptr) return;
  if (host->IsDocumentOpen(document_.path)) return;
  if (closeCurrent_) {
    if (!TakeSkipFlag()) host->ClearChangeCount(*this);
    PostMenuCommand(*host, kCommandClose);
  }
  TActionDocument document = document_;
  if (pending_) {
    document.volume = pendingVolume_;
    document.path = pendingName_;
  }
  host->PostOpenDocument(document);
}

uint16_t TOpenActionButton::CanReadBlock(int16_t code) {
  return code == kBlockOpenActionButton ? 1 : TActionButton::CanReadBlock(code);
}

uint16_t TOpenActionButton::ReadBlockContents(int16_t code, TObjectReader& reader) {
  if (code != kBlockOpenActionButton) return TActionButton::ReadBlockContents(code, reader);
  reader.ReadString(document_.path);
  document_.volume = static_cast<int16_t>(reader.ReadInt());
  reader.ReadLong();
  reader.ReadInt();  // the pending flag: what was pending was stored as the document
  closeCurrent_ = reader.ReadInt() != 0;
  document_.fileType = reader.ReadTag();
  document_.value = static_cast<int16_t>(reader.ReadInt());
  pending_ = false;
  CaptionFromCommand(kCommandOpen);
  return 1;
}

void TOpenActionButton::WriteBlockContents(int16_t code, TObjectWriter& writer) {
  if (code != kBlockOpenActionButton) {
    TActionButton::WriteBlockContents(code, writer);
    return;
  }
  writer.WriteString(pending_ ? pendingName_ : document_.path);
  writer.WriteCode(pending_ ? pendingVolume_ : document_.volume);
  writer.WriteLong(pending_ ? pendingDirectory_ : 0);
  writer.WriteCode(pending_ ? 1 : 0);
  writer.WriteCode(closeCurrent_ ? 1 : 0);
  writer.WriteTag(document_.fileType);
  writer.WriteCode(document_.value);
}

void TOpenActionButton::WriteFields(TObjectWriter& writer) {
  writer.WriteBlock(*this, kBlockOpenActionButton);
  TActionButton::WriteFields(writer);
}

void TOpenActionButton::WriteClassTag(TObjectWriter& writer) {
  writer.WriteTag(kOpenActionButtonTag);
}

void RegisterInOutputClasses() {
  RegisterClassInfo("TActionButton", kActionButtonTag, TActionButton::kClassID, CreateActionButton,
                    sizeof(TActionButton));
  RegisterClassInfo("TOpenActionButton", kOpenActionButtonTag, TOpenActionButton::kClassID,
                    CreateOpenActionButton, sizeof(TOpenActionButton));
  RegisterTextGadgetClass();
  RegisterPictGadgetClass();
}
