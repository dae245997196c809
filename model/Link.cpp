#include "model/Link.h"

#include <algorithm>

#include "model/Formula.h"
#include "model/command/CommandCore.h"
#include "model/filing/ObjectReader.h"
#include "model/filing/ObjectWriter.h"

namespace {

constexpr uint32_t kTagName = MakeTag("name");
constexpr uint32_t kTagShow = MakeTag("show");
constexpr uint32_t kTagShowName = MakeTag("shoN");
constexpr uint32_t kTagHideName = MakeTag("hidN");

}  // namespace

TLink::TLink() {
  IList();
}

TLink::~TLink() {
  // Scripts that still hold the script object find it cut loose.
  scriptObject_.Release();
  // Nobody keeps a pointer to a link that is gone.
  for (TLink* other : Linked())
    other->RemoveOneWay(this);
  FreeHandleIfAny(unread_);
}

std::vector<TLink*> TLink::Linked() const {
  std::vector<TLink*> linked;
  linked.reserve(static_cast<size_t>(GetCount()));
  for (int32_t i = 1; i <= GetCount(); ++i)
    linked.push_back(static_cast<TLink*>(At(i)));
  return linked;
}

void TLink::Initialize() {
  TObject::Initialize();
  identifier_ = 1;
  numberText_ = "1";
}

void TLink::AddOneWay(TLink* object) {
  // Straight into the array: linking is not a change that the owner hears of.
  TObject* element = object;
  InsertElementsBefore(GetCount() + 1, &element, 1);
}

void TLink::RemoveOneWay(TLink* object) {
  const int32_t index = GetIdentityIndex(object);
  if (index != -1) DeleteAt(index);
}

void TLink::AddDependent(TLink* object) {
  if (object == nullptr || object == this) return;
  // Linking is mutual, so the shorter list tells whether the two are linked already: linking
  // many objects to one world costs each only a look at its own list.
  const bool linked = GetCount() <= object->GetCount() ? GetIdentityIndex(object) != -1
                                                       : object->GetIdentityIndex(this) != -1;
  if (linked) return;
  AddOneWay(object);
  object->AddOneWay(this);
}

void TLink::RemoveDependent(TLink* object) {
  if (object == nullptr) return;
  RemoveOneWay(object);
  object->RemoveOneWay(this);
}

void TLink::ForEachLinked(uint16_t value) {
  // A notice may change the list; walk a copy.
  for (TLink* object : Linked())
    object->LinkedChanged(*this, value);
}

void TLink::LinkedChanged(TLink&, uint16_t) {}

TLink* TLink::SetDependent(TLink* old, TLink* object) {
  if (object == old) return object;
  RemoveDependent(old);
  AddDependent(object);
  return object;
}

void TLink::ObjectAttached(TLink*) {}

void TLink::ObjectRemoved(TLink* object) {
  RemoveDependent(object);
}

void TLink::Changed() {
  if (owner_ != nullptr) owner_->ObjectChanged(*this);
}

RGB16Color TLink::GetDisplayColour(const RGB16Color& colour) const {
  return owner_ != nullptr ? owner_->DisplayColour(colour) : colour;
}

uint16_t TLink::HasAction(uint32_t) {
  return 0;
}
void TLink::DoAction(uint32_t) {}
uint16_t TLink::GetIntProperty(uint32_t, int32_t&, void*) {
  return 0;
}
void TLink::SetIntProperty(uint32_t, int32_t) {}
uint16_t TLink::GetFlagProperty(uint32_t, uint16_t&, void*) {
  return 0;
}
void TLink::SetFlagProperty(uint32_t, uint16_t) {}
uint16_t TLink::GetChoiceProperty(uint32_t, int16_t&, void*) {
  return 0;
}
void TLink::SelectChoice(uint32_t) {}
uint16_t TLink::GetNumberProperty(uint32_t, double&, void*) {
  return 0;
}
void TLink::SetNumberProperty(uint32_t, const double&) {}
void TLink::GetDependants(uint32_t, std::vector<TLink*>&) {}
uint16_t TLink::GetStringProperty(uint32_t, Str255&, void*) {
  return 0;
}
void TLink::SetStringProperty(uint32_t, const Str255&) {}
uint16_t TLink::GetShortProperty(uint32_t, uint16_t&, void*) {
  return 0;
}
void TLink::SetShortProperty(uint32_t, uint16_t) {}
uint16_t TLink::GetColourProperty(uint32_t, RGB16Color&, void*) {
  return 0;
}
void TLink::SetColourProperty(uint32_t, const RGB16Color&) {}
uint16_t TLink::GetLongProperty(uint32_t, uint32_t&, void*) {
  return 0;
}
void TLink::SetLongProperty(uint32_t, uint32_t) {}
void TLink::ReportPropertyBlocks(uint32_t, uint16_t&, BlockCallback, ObjectCallback, void*, void*) {
}
void TLink::ReportPositionBlocks(BlockCallback, void*) {}

uint16_t TLink::CanReadBlock(int16_t) {
  return 0;
}

TFormula* TLink::GetFormulaProperty(uint32_t, double*, double*, int32_t*, uint16_t*) {
  return nullptr;
}

void TLink::SetFormulaProperty(uint32_t, const TFormula&) {}

uint16_t TLink::GetPositionProperty(uint32_t, TPositionField&, void*) {
  return 0;
}

void TLink::SetPositionProperty(uint32_t, const TFormula&, int32_t, int32_t) {}

uint16_t TLink::IsPositionProperty(uint32_t) {
  return 0;
}

void TLink::WriteElements(TObjectWriter&) {}

void TLink::ReadElements(int32_t count, TObjectReader& reader) {
  for (int32_t i = 0; i < count; ++i)
    reader.ReadNewFormula();
}

uint16_t TLink::ReadBlockContents(int16_t code, TObjectReader& reader) {
  if (code == kBlockShortRecord) return 1;
  if (code == kBlockElements) {
    const int32_t count = reader.ReadInt();
    reader.FailIfBadFormat(count < 0);
    ReadElements(count, reader);
    return 1;
  }
  if (code != kBlockLinkTexts) return 0;
  reader.ReadString(description_);
  Str255 number;
  reader.ReadString(number);
  numberText_ = number;
  return 1;
}

void TLink::WriteBlockContents(int16_t code, TObjectWriter& writer) {
  if (code == kBlockElements) {
    writer.WriteCode(CountElements());
    WriteElements(writer);
    return;
  }
  if (code != kBlockLinkTexts) return;
  writer.PutString(description_, 1);
  writer.PutString(numberText_, 1);
}

void TLink::ResolveReference(TObjectReader&, int16_t, uint16_t, TLink*) {}
void TLink::EndReading(TObjectReader&) {}

void TLink::WriteTo(TObjectWriter& writer, int16_t flag) {
  if (writer.MarkWritten(this)) return;
  if (flag != 0) {
    writer.WriteBlock(*this, kBlockShortRecord);
    return;
  }
  WriteFields(writer);
}

void TLink::WriteFields(TObjectWriter& writer) {
  // Objects without recorded formulas leave the list out; readers take either.
  if (CountElements() > 0) writer.WriteBlock(*this, kBlockElements);
  writer.WriteBlock(*this, kBlockLinkTexts);
}

void TLink::WriteClassTag(TObjectWriter& writer) {
  writer.WriteTag(MakeTag("LINK"));
}

void TLink::ReaderNotice(TLink518&, TLink*) {}

void TLink::KeepUnreadRecords(Handle records) {
  if (records == nullptr) return;
  if (unread_ == nullptr) unread_ = AllocHandle(0);
  const uint32_t old = GetHandleByteSize(unread_);
  const uint32_t added = GetHandleByteSize(records);
  ResizeHandle(unread_, old + added);
  CopyBytes(HandleData(records), HandleData(unread_) + old, added);
}

void TLink518::AddDependent(TLink* object) {
  if (object == nullptr) return;
  TObject* element = object;
  InsertElementsBefore(GetCount() + 1, &element, 1);
}

void TLink518::RemoveDependent(TLink* object) {
  const int32_t index = GetIdentityIndex(object);
  if (index != -1) DeleteAt(index);
}

std::unique_ptr<TCommandCore> THandlerLink::DoObjectMenuCommand(int16_t, bool& handled) {
  handled = false;
  return nullptr;
}

void TNamedLink::SetName(const Str255& name) {
  name_ = name;
}

bool TNamedLink::HasProperty(uint32_t tag) {
  return tag == kTagName;
}

void TNamedLink::FillNamePlaceholder() {
  Str255 name = name_;
  const Str255 bullet("\xA5");
  bool replaced = name.ReplaceAllCopy(bullet, Str255(GetNumberText()));
  if (!replaced) replaced = name.ReplaceAllCopy(Str255("$"), Str255(GetNumberText()));
  if (replaced) SetName(name);
}

uint16_t TNamedLink::GetStringProperty(uint32_t tag, Str255& value, void* extra) {
  if (tag != kTagName) return THandlerLink::GetStringProperty(tag, value, extra);
  value = name_;
  return 1;
}

void TNamedLink::SetStringProperty(uint32_t tag, const Str255& value) {
  if (tag != kTagName) {
    THandlerLink::SetStringProperty(tag, value);
    return;
  }
  SetName(value);
  Changed();
}

void TNamedLink::ReportPropertyBlocks(uint32_t tag, uint16_t& found, BlockCallback blockCallback,
                                      ObjectCallback objectCallback, void* blockContext,
                                      void* objectContext) {
  if (tag == kTagName) {
    blockCallback(kBlockName, blockContext);
    return;
  }
  THandlerLink::ReportPropertyBlocks(tag, found, blockCallback, objectCallback, blockContext,
                                     objectContext);
}

namespace {
// Text worlds carry the name under this code.
constexpr int16_t kBlockTextName = 5000;
}  // namespace

uint16_t TNamedLink::ReadBlockContents(int16_t code, TObjectReader& reader) {
  if (code != kBlockName && code != kBlockTextName)
    return THandlerLink::ReadBlockContents(code, reader);
  reader.ReadString(name_);
  return 1;
}

void TNamedLink::WriteBlockContents(int16_t code, TObjectWriter& writer) {
  if (code != kBlockName) {
    THandlerLink::WriteBlockContents(code, writer);
    return;
  }
  writer.PutString(name_, 1);
}

void TNamedLink::WriteFields(TObjectWriter& writer) {
  writer.WriteBlock(*this, kBlockName);
  THandlerLink::WriteFields(writer);
}

void TDisplayLink::Initialize() {
  TNamedLink::Initialize();
  shown_ = 1;
  nameShown_ = 0;
  displayFlags_ = 0;
}

void TDisplayLink::SetName(const Str255& name) {
  TNamedLink::SetName(name);
  if (nameShown_ != 0) Changed();
}

uint16_t TDisplayLink::GetFlagProperty(uint32_t tag, uint16_t& value, void* extra) {
  switch (tag) {
    case kTagShow:
      value = shown_;
      return 1;
    case kTagShowName:
      value = nameShown_;
      return 1;
    case kTagHideName:
      value = nameShown_ == 0 ? 1 : 0;
      return 1;
    default:
      return TNamedLink::GetFlagProperty(tag, value, extra);
  }
}

void TDisplayLink::SetFlagProperty(uint32_t tag, uint16_t value) {
  uint16_t* field = nullptr;
  uint16_t wanted = value != 0 ? 1 : 0;
  switch (tag) {
    case kTagShow:
      field = &shown_;
      break;
    case kTagShowName:
      field = &nameShown_;
      break;
    case kTagHideName:
      field = &nameShown_;
      wanted = value != 0 ? 0 : 1;
      break;
    default:
      TNamedLink::SetFlagProperty(tag, value);
      return;
  }
  if (*field == wanted) return;
  *field = wanted;
  Changed();
}

void TDisplayLink::ReportPropertyBlocks(uint32_t tag, uint16_t& found, BlockCallback blockCallback,
                                        ObjectCallback objectCallback, void* blockContext,
                                        void* objectContext) {
  if (tag == kTagShow || tag == kTagHideName || tag == kTagShowName) {
    blockCallback(kBlockDisplayFlags, blockContext);
    return;
  }
  TNamedLink::ReportPropertyBlocks(tag, found, blockCallback, objectCallback, blockContext,
                                   objectContext);
}

uint16_t TDisplayLink::ReadBlockContents(int16_t code, TObjectReader& reader) {
  if (code != kBlockDisplayFlags) return TNamedLink::ReadBlockContents(code, reader);
  shown_ = reader.ReadBoolean() ? 1 : 0;
  nameShown_ = reader.ReadBoolean() ? 1 : 0;
  displayFlags_ = static_cast<uint16_t>(reader.ReadInt());
  return 1;
}

void TDisplayLink::WriteBlockContents(int16_t code, TObjectWriter& writer) {
  if (code != kBlockDisplayFlags) {
    TNamedLink::WriteBlockContents(code, writer);
    return;
  }
  writer.WriteBoolean(static_cast<uint8_t>(shown_));
  writer.WriteBoolean(static_cast<uint8_t>(nameShown_));
  writer.WriteShort(static_cast<int16_t>(displayFlags_));
}

void TDisplayLink::WriteFields(TObjectWriter& writer) {
  writer.WriteBlock(*this, kBlockDisplayFlags);
  TNamedLink::WriteFields(writer);
}

void TSingleStyleLink::Initialize() {
  TDisplayLink::Initialize();
  // The default style is loaded on first use; a link made before anything asked for it must still
  // take the loaded one, not the empty record.
  GetDefaultFontSize();
  font_ = DefaultFont();
  textColour_ = RGB16Color();
}

void TSingleStyleLink::Draw(const MacRect&, uint16_t) {
  SetPortFont(&font_);
}

uint16_t TSingleStyleLink::ReadBlockContents(int16_t code, TObjectReader& reader) {
  if (code != kBlockTextStyle) return TDisplayLink::ReadBlockContents(code, reader);
  reader.ReadTextStyle(font_, textColour_);
  reader.ReadIntPoint(labelOffset_);
  return 1;
}

void TSingleStyleLink::WriteBlockContents(int16_t code, TObjectWriter& writer) {
  if (code != kBlockTextStyle) {
    TDisplayLink::WriteBlockContents(code, writer);
    return;
  }
  writer.WriteTextStyle(font_, textColour_);
  writer.WriteIntPoint(labelOffset_);
}

void TSingleStyleLink::WriteFields(TObjectWriter& writer) {
  writer.WriteBlock(*this, kBlockTextStyle);
  TDisplayLink::WriteFields(writer);
}

// ---- Formulas -----------------------------------------------------------------------------------

void TLink::AddFormulaDependants(uint16_t, std::vector<TLink*>& first, std::vector<TLink*>&) {
  std::vector<TLink*> readers;
  for (TLink* linked : Linked())
    linked->CollectFormulaReaders(*this, readers);
  for (TLink* reader : readers)
    if (reader != this && std::find(first.begin(), first.end(), reader) == first.end())
      first.push_back(reader);
}

void TLink::SetCachedFormula(uint32_t tag, const TFormula& formula, TGeometryObjectCache*) {
  SetFormulaProperty(tag, formula);
}

void TLink::ForEachFormula(void (*)(TFormula*, void*), void*) {}

void TLink::FormulaChanged(TFormula*) {
  ForEachLinked(1);
}

void TLink::AssignFormula(const TFormula& source, TFormula& target) {
  if (&source == &target) {
    FormulaChanged(&target);
    return;
  }
  const bool heldText = target.IsFormula();
  target.Assign(source);
  FormulaChanged(&target);
  if (heldText) ForEachLinked(1);
}
