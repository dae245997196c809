// The picture gadget: its picture, attachment and visibility, and the two stored forms of its
// picture.
#include "inout/gadgets/PictGadget.h"

#include <cstring>
#include <memory>
#include <utility>

#include "bodies/Background.h"
#include "bodies/Body.h"
#include "core/ClassRegistry.h"
#include "core/Failure.h"
#include "core/Handle.h"
#include "model/filing/ObjectReader.h"
#include "model/filing/ObjectWriter.h"
#include "model/world/WorldDoc.h"
#include "model/world/WorldEditCheck.h"
#include "platform/win32/Metafile.h"
#include "platform/win32/Resource.h"

namespace {

constexpr uint32_t kTagShowName = MakeTag("shoN");
constexpr size_t kMetafileHeader = 8;
constexpr int32_t kNoBody = -1;

TPictureConverter& Converter() {
  static TPictureConverter converter;
  return converter;
}

struct HandleFree {
  void operator()(Handle handle) const { FreeHandleIfAny(handle); }
};

std::vector<uint8_t> ReadByteArray(TObjectReader& reader) {
  const std::unique_ptr<HandleRec, HandleFree> handle(AllocHandleChecked(0));
  reader.ReadHandle(handle.get());
  const auto* data = reinterpret_cast<const uint8_t*>(HandleData(handle.get()));
  return std::vector<uint8_t>(data, data + GetHandleByteSize(handle.get()));
}

void WriteByteArray(TObjectWriter& writer, const std::vector<uint8_t>& bytes) {
  if (bytes.empty()) {
    writer.WriteLong(0);
    return;
  }
  const std::unique_ptr<HandleRec, HandleFree> handle(
      NewHandleFromBytes(bytes.data(), static_cast<uint32_t>(bytes.size())));
  writer.WriteHandle(handle.get());
}

int16_t HostShort(const std::vector<uint8_t>& bytes, size_t at) {
  int16_t value = 0;
  std::memcpy(&value, bytes.data() + at, 2);
  return value;
}

// The shared picture of a bitmap resource; -108 when no resource library holds one of that
// number.
PictureRec* LoadResourcePicture(int16_t resource) {
  if (resource == 0 ||
      FindResourceModule(MAKEINTRESOURCEA(static_cast<uint16_t>(resource)), RT_BITMAP) == nullptr)
    ThrowFailure(-108, 0);
  return ::GetPicture(resource);
}

TObject* CreatePictGadget() {
  return new TPictGadget();
}

}  // namespace

// ---- TPictGadgetBase ----

TPictGadgetBase::~TPictGadgetBase() {
  // The body keeps no pointer to a picture that is gone.
  if (auto* body = dynamic_cast<TMass*>(attached_)) body->PictureGone(this);
  attached_ = nullptr;
  DisposePicture();
}

void TPictGadgetBase::Initialize() {
  DisposePicture();
  attached_ = nullptr;
  attachmentValue_ = 1.0;
  visibility_ = std::make_unique<TFormula>();
  formulaInUse_ = false;
  visible_ = true;
  TGadget::Initialize();
}

void TPictGadgetBase::DisposePicture() {
  if (picture_ != nullptr) KillPicture(picture_);
  picture_ = nullptr;
  resource_ = 0;
}

void TPictGadgetBase::SetPicture(PictureRec* picture, int16_t resource) {
  if (picture == nullptr) {
    LoadResourcePicture(resource);
    DisposePicture();
    resource_ = resource;
  } else {
    DisposePicture();
    picture_ = picture;
  }
  RestoreDefaultSize();
}

PictureRec* TPictGadgetBase::GetPicture() {
  if (picture_ != nullptr) return picture_;
  return resource_ != 0 ? LoadResourcePicture(resource_) : nullptr;
}

void TPictGadgetBase::RestoreDefaultSize() {
  PictureRec* picture = GetPicture();
  if (picture == nullptr) return;
  SetSize(MacPoint(static_cast<int16_t>(picture->frame.right - picture->frame.left),
                   static_cast<int16_t>(picture->frame.bottom - picture->frame.top)));
}

void TPictGadgetBase::AttachTo(TLink* body, bool flag) {
  if (flag && body != attached_) {
    // The old body lets the picture go first (which detaches it here), then the new one takes
    // it; each side stores the other before telling it, so the calls back end at once.
    if (auto* old = dynamic_cast<TMass*>(attached_)) old->AttachPicture(this, false);
    attached_ = body;
    if (auto* mass = dynamic_cast<TMass*>(body)) mass->AttachPicture(this, true);
    Invalidate();
    ForEachLinked(0);
    if (body != nullptr) AddDependent(body);
    return;
  }
  if (!flag && body != nullptr && body == attached_) {
    attached_ = nullptr;
    if (auto* mass = dynamic_cast<TMass*>(body)) mass->AttachPicture(this, false);
    Invalidate();
    ForEachLinked(0);
  }
}

void TPictGadgetBase::LinkToBody(TMass* body, bool attached) {
  AttachTo(body, attached);
}

void TPictGadgetBase::BodyGone(TMass* body) {
  if (body != nullptr && body == attached_) attached_ = nullptr;
}

void TPictGadgetBase::PlacePicture(MacPoint topLeft) {
  const MacPoint at = GetPosition();
  if (topLeft == at) return;
  MoveBy(MacPoint(static_cast<int16_t>(topLeft.h - at.h), static_cast<int16_t>(topLeft.v - at.v)));
}

void TPictGadgetBase::DrawCarried(const MacRect& area) {
  DrawContents(area);
}

void TPictGadgetBase::DrawOnWindow(const MacRect& area) {
  if (attached_ != nullptr) return;
  TGadget::DrawOnWindow(area);
}

void TPictGadgetBase::ObjectRemoved(TLink* object) {
  if (object != nullptr && object == attached_) {
    attached_ = nullptr;
    Invalidate();
  }
  TGadget::ObjectRemoved(object);
}

void TPictGadgetBase::ShowRecordedVisibility(double value) {
  if (!formulaInUse_) return;
  const bool visible = value > 0.0;
  if (visible == visible_) return;
  visible_ = visible;
  Invalidate();
}

void TPictGadgetBase::SetVisibilityFormula(const TFormula& formula) {
  AssignFormula(formula, *visibility_);
}

int16_t TPictGadgetBase::QuantityCode(const TFormula* formula) const {
  return formula != nullptr && formula == visibility_.get() ? kPictureVisibilityCode : 0;
}

TFormula* TPictGadgetBase::GetFormulaProperty(uint32_t tag, double* first, double* second,
                                              int32_t* dimension, uint16_t* flag) {
  if (tag != kTagPictureVisibility)
    return TGadget::GetFormulaProperty(tag, first, second, dimension, flag);
  if (flag != nullptr) *flag = 0;
  return visibility_.get();
}

void TPictGadgetBase::SetFormulaProperty(uint32_t tag, const TFormula& formula) {
  if (tag != kTagPictureVisibility) {
    TGadget::SetFormulaProperty(tag, formula);
    return;
  }
  SetVisibilityFormula(formula);
}

void TPictGadgetBase::ForEachFormula(void (*function)(TFormula*, void*), void* context) {
  TGadget::ForEachFormula(function, context);
  function(visibility_.get(), context);
}

void TPictGadgetBase::FormulaChanged(TFormula* formula) {
  if (formula == visibility_.get()) {
    const bool inUse = visibility_->IsFormula();
    // A picture that no formula hides any more shows again.
    if (!inUse && !visible_) {
      visible_ = true;
      Invalidate();
    }
    formulaInUse_ = inUse;
  }
  TGadget::FormulaChanged(formula);
}

int32_t TPictGadgetBase::CountElements() {
  return (formulaInUse_ ? 1 : 0) + TGadget::CountElements();
}

void TPictGadgetBase::WriteElements(TObjectWriter& writer) {
  if (formulaInUse_) writer.WriteFormula(visibility_.get());
  TGadget::WriteElements(writer);
}

void TPictGadgetBase::ReadElements(int32_t count, TObjectReader& reader) {
  if (formulaInUse_ && count > 0) {
    std::unique_ptr<TFormula> formula = reader.ReadNewFormula();
    visibility_ = std::move(formula);
    FormulaChanged(visibility_.get());
    --count;
  }
  TGadget::ReadElements(count, reader);
}

void TPictGadgetBase::FrameChanged(int16_t frame, int16_t first, int16_t last) {
  // Between runs (no frame shown) the formula is not consulted.
  if (!formulaInUse_ || frame < 0 || frame < first || frame > last) return;
  TWorldDoc* world = WorldOf(*this);
  TFrameStore* store = world != nullptr ? world->GetStore() : nullptr;
  if (store == nullptr) return;
  const int32_t offset = world->RecordedValueOffset(this);
  // Frames recorded before the formula was given hold no value of it.
  if (offset < 0 || world->RecordLayout().RecordedCount(this) < 1) return;
  ShowRecordedVisibility(store->Value(frame, offset));
}

bool TPictGadgetBase::IsDisplayed() const {
  return IsShown() != 0 && attached_ == nullptr && !(formulaInUse_ && !visible_);
}

void TPictGadgetBase::DrawContents(const MacRect& area) {
  if (formulaInUse_ && !visible_) return;
  const MacRect frame = GetFrame();
  MacRect common;
  if (!MacRect::Intersect(frame, area, common)) return;
  PictureRec* picture = GetPicture();
  // A bitmap resource may come from any of the resource libraries.
  if (picture != nullptr) DrawPicture(picture, frame, picture->bitmapId != 0);
}

uint16_t TPictGadgetBase::GetFlagProperty(uint32_t tag, uint16_t& value, void* extra) {
  if (tag == kTagShowName) return 0;
  return TGadget::GetFlagProperty(tag, value, extra);
}

uint16_t TPictGadgetBase::HasAction(uint32_t tag) {
  if (tag != kTagDefaultSize) return TGadget::HasAction(tag);
  PictureRec* picture = GetPicture();
  if (picture == nullptr) return 0;
  const MacPoint own(static_cast<int16_t>(picture->frame.right - picture->frame.left),
                     static_cast<int16_t>(picture->frame.bottom - picture->frame.top));
  return own == GetSize() ? 0 : 1;
}

void TPictGadgetBase::DoAction(uint32_t tag) {
  if (tag != kTagDefaultSize) {
    TGadget::DoAction(tag);
    return;
  }
  RestoreDefaultSize();
}

uint16_t TPictGadgetBase::CanReadBlock(int16_t code) {
  if (code == kBlockPictAttachment || code == kBlockPictSize) return 1;
  return TGadget::CanReadBlock(code);
}

uint16_t TPictGadgetBase::ReadBlockContents(int16_t code, TObjectReader& reader) {
  if (code == kBlockPictAttachment) {
    reader.ReadReference(*this, 0);
    attachmentValue_ = reader.ReadReal();
    const int32_t flags = reader.ReadInt();
    formulaInUse_ = (flags & 1) != 0;
    const bool visible = formulaInUse_ && (flags & 2) != 0;
    if (visible != visible_) {
      visible_ = visible;
      Invalidate();
    }
    return 1;
  }
  if (code == kBlockPictSize) {
    MacPoint size;
    reader.ReadIntPoint(size);
    SetSize(size);
    ForEachLinked(0);
    return 1;
  }
  return TGadget::ReadBlockContents(code, reader);
}

void TPictGadgetBase::ResolveReference(TObjectReader& reader, int16_t code, uint16_t kind,
                                       TLink* object) {
  if (code != kBlockPictAttachment) {
    TGadget::ResolveReference(reader, code, kind, object);
    return;
  }
  // The background carries nothing: a stored 0 meant none.
  if (object != nullptr && object->IsMemberClass(TZeroMass::kClassID)) object = nullptr;
  if (object == nullptr || object->IsMemberClass(kBodyClass)) AttachTo(object, true);
}

void TPictGadgetBase::WriteBlockContents(int16_t code, TObjectWriter& writer) {
  if (code == kBlockPictAttachment) {
    // None is -1: 0 is the background's number.
    writer.WriteCode(attached_ != nullptr ? attached_->GetIdentifier() : kNoBody);
    writer.WriteDouble(attachmentValue_);
    writer.WriteCode(!formulaInUse_ ? 0 : (visible_ ? 3 : 1));
    return;
  }
  if (code == kBlockPictSize) {
    writer.WriteIntPoint(GetSize());
    return;
  }
  TGadget::WriteBlockContents(code, writer);
}

void TPictGadgetBase::WriteFields(TObjectWriter& writer) {
  writer.WriteBlock(*this, kBlockPictAttachment);
  writer.WriteBlock(*this, kBlockPictSize);
  TGadget::WriteFields(writer);
}

// ---- TPictGadget ----

const std::vector<uint8_t>& TPictGadget::EmptyMacPicture() {
  static const std::vector<uint8_t> empty{0, 10, 0, 0, 0, 10, 0, 0, 0, 10};
  return empty;
}

void TPictGadget::SetPictureConverter(TPictureConverter converter) {
  Converter() = std::move(converter);
}

TPictGadget::~TPictGadget() = default;

void TPictGadget::Initialize() {
  old_.reset();
  first_.reset();
  second_.reset();
  macPicture_.clear();
  writingSecond_ = false;
  TPictGadgetBase::Initialize();
}

void TPictGadget::SetPicture(PictureRec* picture, int16_t resource) {
  DecodeReadPicture();
  TPictGadgetBase::SetPicture(picture, resource);
}


PictureRec* TPictGadget::GetPicture() {
  DecodeReadPicture();
  return TPictGadgetBase::GetPicture();
}

PictureRec* TPictGadget::PictureOfMetafileForm(const std::vector<uint8_t>& form) {
  // A form too short for its header holds no metafile.
  if (form.size() <= kMetafileHeader) return nullptr;
  HMETAFILE metafile = SetMetaFileBitsEx(static_cast<UINT>(form.size() - kMetafileHeader),
                                         form.data() + kMetafileHeader);
  if (metafile == nullptr) return nullptr;
  PictureRec* picture =
      PictureFromMetafile(HostShort(form, 0), HostShort(form, 2), HostShort(form, 4), metafile);
  DeleteMetaFile(metafile);
  return picture;
}

void TPictGadget::DecodeReadPicture() {
  if (!first_ && !second_ && !old_) return;
  std::optional<std::vector<uint8_t>> first = std::move(first_);
  std::optional<std::vector<uint8_t>> second = std::move(second_);
  std::optional<std::vector<uint8_t>> old = std::move(old_);
  first_.reset();
  second_.reset();
  old_.reset();
  PictureRec* picture = nullptr;
  if (!second && !old) {
    // A lone block is a Macintosh picture.
    macPicture_ = std::move(*first);
    if (Converter()) {
      if (const auto converted = Converter()(macPicture_)) {
        picture = PictureFromMetafile(converted->mm, converted->xExt, converted->yExt,
                                      converted->hMF);
        DeleteMetaFile(converted->hMF);
      }
    }
  } else {
    if (second) macPicture_ = std::move(*second);
    if (old) {
      if (first) macPicture_ = std::move(*first);
      first = std::move(old);
    }
    if (first) picture = PictureOfMetafileForm(*first);
  }
  StorePicture(picture);
  Invalidate();
}

std::vector<uint8_t> TPictGadget::MetafileForm() {
  PictureRec* picture = GetPicture();
  if (picture == nullptr || picture->metafile == nullptr) return {};
  const UINT size = GetMetaFileBitsEx(picture->metafile, 0, nullptr);
  if (size == 0) return {};
  std::vector<uint8_t> form(kMetafileHeader + size, 0);
  const int16_t header[4] = {static_cast<int16_t>(picture->mapMode),
                             static_cast<int16_t>(picture->xExtent),
                             static_cast<int16_t>(picture->yExtent), 0};
  std::memcpy(form.data(), header, kMetafileHeader);
  GetMetaFileBitsEx(picture->metafile, size, form.data() + kMetafileHeader);
  return form;
}

uint16_t TPictGadget::CanReadBlock(int16_t code) {
  if (code == kBlockPicture || code == kBlockOldMetafile) return 1;
  return TPictGadgetBase::CanReadBlock(code);
}

uint16_t TPictGadget::ReadBlockContents(int16_t code, TObjectReader& reader) {
  if (code != kBlockPicture && code != kBlockOldMetafile)
    return TPictGadgetBase::ReadBlockContents(code, reader);
  TakeStoredPicture(code, ReadByteArray(reader));
  return 1;
}

void TPictGadget::TakeStoredPicture(int16_t code, std::vector<uint8_t> bytes) {
  if (code == kBlockOldMetafile)
    old_ = std::move(bytes);
  else if (!first_)
    first_ = std::move(bytes);
  else
    second_ = std::move(bytes);
}

void TPictGadget::WriteBlockContents(int16_t code, TObjectWriter& writer) {
  if (code != kBlockPicture) {
    TPictGadgetBase::WriteBlockContents(code, writer);
    return;
  }
  if (!writingSecond_) {
    WriteByteArray(writer, MetafileForm());
    return;
  }
  WriteByteArray(writer, macPicture_.empty() ? EmptyMacPicture() : macPicture_);
}

void TPictGadget::WriteFields(TObjectWriter& writer) {
  writer.WriteBlock(*this, kBlockPictAttachment);
  if (GetPicture() != nullptr) {
    writingSecond_ = false;
    writer.WriteBlock(*this, kBlockPicture);
    writingSecond_ = true;
    writer.WriteBlock(*this, kBlockPicture);
    writingSecond_ = false;
  }
  writer.WriteBlock(*this, kBlockPictSize);
  TGadget::WriteFields(writer);
}

void TPictGadget::WriteClassTag(TObjectWriter& writer) {
  writer.WriteTag(kPictGadgetTag);
}

void RegisterPictGadgetClass() {
  // The registry names the picture gadget by its base's number.
  RegisterClassInfo("TPictGadget", kPictGadgetTag, TPictGadgetBase::kClassID, CreatePictGadget,
                    sizeof(TPictGadget));
}

std::unique_ptr<TLink> MakePictureGadgetOfScrap(Handle scrap) {
  if (scrap == nullptr || GetHandleByteSize(scrap) < sizeof(METAFILEPICT)) return nullptr;
  METAFILEPICT record;
  std::memcpy(&record, HandleData(scrap), sizeof record);
  if (record.hMF == nullptr) return nullptr;
  // The picture keeps a copy of the metafile; the scrap's stays the clipboard's.
  PictureRec* picture = PictureFromMetafile(record.mm, record.xExt, record.yExt, record.hMF);
  if (picture == nullptr) return nullptr;
  auto gadget = std::make_unique<TPictGadget>();
  gadget->Initialize();
  gadget->SetPicture(picture);
  return gadget;
}

